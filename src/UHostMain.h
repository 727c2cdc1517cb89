// The host side shared by the game and the content tools: the command line common to them,
// the main window, the message loop, and the screenshot of the last frame at exit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class THostWindow;
class TGAbstractStartupLog;
class TGWindow;
struct TGAppParams;

struct THostOptions {
  bool Headless = false;
  int64_t Frames = 0; // 0 runs until closed
  std::string Screenshot;
  // --screenshot-at FRAME:FILE: pictures of chosen frames (frames count from 1).
  std::vector<std::pair<int64_t, std::string>> ScreenshotsAt;
  // --replay-speed X: a headless replay runs X times as fast as it was recorded.
  float ReplaySpeed = 1.0f;
  // --hide-overlays: no debug figures over the frame, no playback console while a headless
  // replay plays (pictures of the game alone).
  bool HideOverlays = false;
  std::string Resources = "Resources.sfs";
  bool Cache = false;
  bool QuitAtMenu = false;       // end the run when the main menu is first shown
  bool ReportMemory = false;     // print the peak resident memory at exit
  std::vector<std::string> Args; // everything the host does not take
  // Crash reports into the data folder (the game's choice); Crash is the developer's switch
  // "--crash segv|abort|throw", which crashes at the end of the first frame (or of frame N with
  // --frames N).
  bool CrashReports = false;
  std::string Crash;
  // The command line as given, the program first.
  std::vector<std::string> CommandLine;
};

// Takes the host's switches (--headless, --frames N, --screenshot FILE, --resources PATH,
// --cache, --quit-at-menu, --report-memory, --crash KIND); the rest is left in Options.Args.
// Returns false when the program should stop (ExitCode then says how): a bad value, or --help,
// which prints Help.
bool ParseHostOptions(const char* Program, const char* Help, int Argc, char** Argv,
                      THostOptions& Options, int& ExitCode);

// Makes the first window once the application exists (App, GD and the resources are up).
using TFirstWindowFactory =
    std::function<TGWindow*(TGAbstractStartupLog& Log, const THostOptions& Options)>;

// Resolves the paths of the command line, opens the main window (headless without a display),
// starts the application with Params (Control, resources and log are filled in here), shows
// the first window and runs the loop until the last window hides; AfterLoop runs then, while
// the windows still exist. The first frame that shows a main menu logs the time since the
// program started and the resident memory. Returns the exit code.
// With Options.CrashReports the crash reports are installed once the data folder is known.
int RunHost(const char* Program, THostOptions& Options, TGAppParams Params,
            const TFirstWindowFactory& MakeFirst, const std::function<void()>& AfterLoop = {});
