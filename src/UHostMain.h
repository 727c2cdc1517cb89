// The host side shared by the game and the content tools: the command line common to them,
// the main window, the message loop, and the screenshot of the last frame at exit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class THostWindow;
class TGAbstractStartupLog;
class TGWindow;
struct TGAppParams;

struct THostOptions {
  bool Headless = false;
  int64_t Frames = 0; // 0 runs until closed
  std::string Screenshot;
  std::string Resources = "Resources.sfs";
  bool Cache = false;
  std::vector<std::string> Args; // everything the host does not take
};

// Takes the host's switches (--headless, --frames N, --screenshot FILE, --resources PATH,
// --cache); the rest is left in Options.Args. Returns false when the program should stop
// (ExitCode then says how): a bad value, or --help, which prints Help.
bool ParseHostOptions(const char* Program, const char* Help, int Argc, char** Argv,
                      THostOptions& Options, int& ExitCode);

// Makes the first window once the application exists (App, GD and the resources are up).
using TFirstWindowFactory =
    std::function<TGWindow*(TGAbstractStartupLog& Log, const THostOptions& Options)>;

// Resolves the paths of the command line, opens the main window (headless without a display),
// starts the application with Params (Control, resources and log are filled in here), shows
// the first window and runs the loop until the last window hides; AfterLoop runs then, while
// the windows still exist. Returns the exit code.
int RunHost(const char* Program, THostOptions& Options, TGAppParams Params,
            const TFirstWindowFactory& MakeFirst, const std::function<void()>& AfterLoop = {});
