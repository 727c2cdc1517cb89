// The host main window: start-up, the message loop and shutdown.
//
// Besides the game's own switches ("-nosound", "-p", "-r", "-t", "-file", "-url"), the program
// takes --headless (no window on screen), --frames N (quit after N frames), --screenshot FILE
// (the last frame as PNG at exit) and --resources PATH (where the content is). With no display
// it runs headless by itself.
#include "Screens/UAliveWindow.h"
#include "UApp.h"
#include "UGApp.h"
#include "UGAppFramework.h"
#include "UGApplication.h"
#include "UGConfig.h"
#include "UGError.h"
#include "UGFileUtils.h"
#include "UGGraphicsDevice.h"
#include "UGLangDictionary.h"
#include "UGResource.h"
#include "UGResourceLibrary.h"
#include "UGStrUtils.h"
#include "UGXMLNode.h"
#include "UHostServices.h"
#include "UHostWindow.h"
#include "UScriptProcessor.h"
#include "UStartupLog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct TOptions {
  bool Headless = false;
  int64_t Frames = 0;
  std::string Screenshot;
  std::string Resources = "Resources.sfs";
  std::vector<std::string> GameArgs;
};

void PrintHelp() {
  std::puts("Usage: hoe [options]\n"
            "  --headless          run without a window on screen (automatic without a display)\n"
            "  --frames N          quit after N frames\n"
            "  --screenshot FILE   write the last frame to FILE at exit\n"
            "  --resources PATH    the content: an archive (.sfs) or a folder\n"
            "  -nosound            no sound\n"
            "  -t [-url SCRIPT]    playtest mode\n"
            "  --help              this text");
}

// Returns false when the program should stop at once (help, bad option).
bool ParseOptions(int Argc, char** Argv, TOptions& Options, int& ExitCode) {
  for (int I = 1; I < Argc; ++I) {
    std::string A = Argv[I];
    auto Value = [&](const char* Name) -> std::string {
      if (I + 1 >= Argc) {
        std::fprintf(stderr, "hoe: %s needs a value\n", Name);
        ExitCode = 2;
        return {};
      }
      return Argv[++I];
    };
    if (A == "--help" || A == "-h") {
      PrintHelp();
      ExitCode = 0;
      return false;
    }
    if (A == "--headless") {
      Options.Headless = true;
    } else if (A == "--frames") {
      std::string V = Value("--frames");
      int32_t N = 0;
      if (V.empty() || !TryStrToInt(V, N) || N < 0) {
        std::fprintf(stderr, "hoe: --frames needs a number of frames\n");
        ExitCode = 2;
        return false;
      }
      Options.Frames = N;
    } else if (A == "--screenshot") {
      Options.Screenshot = Value("--screenshot");
      if (Options.Screenshot.empty()) {
        return false;
      }
    } else if (A == "--resources") {
      Options.Resources = Value("--resources");
      if (Options.Resources.empty()) {
        return false;
      }
    } else {
      Options.GameArgs.push_back(A);
    }
  }
  return true;
}

// The host main window's creation: parameters, the plug-in chain and the first window.
TAliveWindow* CreateMainWindow(THostWindow& Window, TGAbstractStartupLog& Log,
                               const TOptions& Options) {
  TGAppParams Params;
  Params.Control = &Window;
  Params.Width = 800;
  Params.Height = 600;
  Params.ResourcesLocation = Options.Resources;
  Params.StartupLog = &Log;
  Params.NoPreload = true;
  Params.NoCache = true;
  Params.AppClass = &TApp::Make;
  RegisterEngineResources();
  AppFramework->InitFromCommandLine(Params, Options.GameArgs);
  if (TGConfig* Welcome =
          ObjectCast<TGConfig>(App->ResourceLib()->GetResourceEx("Welcome.cfg", false))) {
    Log.Info(LangDictionary().GetString(Welcome->XML()->GetStrAttrDef("Text", "")));
  }
  App->OnBeforeDeactivate = TGNotifyEvent();
  App->SetShowDebugInfo(false);
  App->InitWideScreen(false, false);
  App->SetAdjustmentSymbolGfxURL("Particles\\WhitePoint.png");
  if (GD) {
    GD->SetDefaultClearColor(TGColor::Create(255, 0, 0, 0));
    GD->SetMemoryLimit(0x3000000);
  }
  TAliveWindow* First = new TAliveWindow();
  First->SetFrameLimit(Options.Frames);
  App->Show(First);
  return First;
}

} // namespace

int main(int Argc, char** Argv) {
  TOptions Options;
  int ExitCode = 0;
  if (!ParseOptions(Argc, Argv, Options, ExitCode)) {
    return ExitCode;
  }
  // Paths given on the command line are relative to where the program was started.
  char StartFolder[4096];
  if (::getcwd(StartFolder, sizeof(StartFolder))) {
    for (std::string* Path : {&Options.Screenshot, &Options.Resources}) {
      if (!Path->empty() && Path->front() != '/' &&
          (Path == &Options.Screenshot || FileExists(*Path) || DirectoryExists(*Path))) {
        *Path = std::string(StartFolder) + "/" + *Path;
      }
    }
  }
  if (!Options.Headless && !THostWindow::DisplayAvailable()) {
    std::fprintf(stderr, "hoe: no display found, running headless\n");
    Options.Headless = true;
  }
  if (Options.Headless) {
    ::setenv("HOE_NO_MESSAGE_BOXES", "1", 1);
  }
  // "configs\*.cnf" and "localization\loc.cfg" are found relative to the program's folder.
  std::string Folder = ExecutableFolder();
  if (::chdir(Folder.c_str()) != 0) {
    std::fprintf(stderr, "hoe: cannot enter %s\n", Folder.c_str());
  }

  std::unique_ptr<TGAppFramework> Frame;
  std::unique_ptr<THostWindow> Window;
  std::unique_ptr<TSingleInstanceGuard> Guard;
  TGApplication Loop;
  TStartupLog Log(true, true);
  TAliveWindow* First = nullptr;
  TGObjectPtr<TScriptProcessor> Scripts;
  auto Started = std::chrono::steady_clock::now();
  try {
    Frame = std::make_unique<TGAppFramework>(Folder);
    std::string Title = Frame->AppInfo().ProductName();
    // Tests and tools run several headless copies at once: only a windowed run is guarded.
    if (!Options.Headless) {
      Guard = std::make_unique<TSingleInstanceGuard>(Title);
      if (!Guard->Acquire()) {
        Guard->NotifyFirst();
        return 0;
      }
    }
    THostWindow::Options WindowOptions;
    WindowOptions.Title = Title;
    WindowOptions.Headless = Options.Headless;
    Window = std::make_unique<THostWindow>(WindowOptions);
    Loop.SetMainWindow(Window.get());
    Loop.SetTitle(Title);
    Loop.OnCloseQuery = [] { AppIsClosing = true; };
    if (Guard) {
      Loop.AddLoopHook([&] {
        if (Guard->RaiseRequested()) {
          Window->Raise();
        }
      });
    }
    // One script engine for the whole run; its errors are shown and the game goes on.
    TScriptProcessor::SetErrorReporter([](const std::string& Caption, const std::string& Text) {
      ShowMessageBox(Caption, Text, TMessageBoxKind::Error);
    });
    Scripts.reset(New<TScriptProcessor>(nullptr));
    First = CreateMainWindow(*Window, Log, Options);
  } catch (const std::exception& E) {
    const EGException* Engine = dynamic_cast<const EGException*>(&E);
    ShowMessageBox(Loop.Title().empty() ? "hoe" : Loop.Title(),
                   Engine ? Engine->Message() : E.what(), TMessageBoxKind::Error);
    return 1;
  }

  Loop.Run();

  double Seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
  int64_t Frames = First ? First->Frames() : 0;
  std::fprintf(stderr, "hoe: %lld frames in %.2f s (%.1f per second of game time)\n",
               static_cast<long long>(Frames), Seconds,
               First && First->GameSeconds() > 0 ? Frames / First->GameSeconds() : 0.0);
  if (!Options.Screenshot.empty()) {
    try {
      SaveScreenshot(Options.Screenshot);
      std::fprintf(stderr, "hoe: the last frame is in %s\n", Options.Screenshot.c_str());
    } catch (const std::exception& E) {
      std::fprintf(stderr, "hoe: %s\n", E.what());
    }
  }
  try {
    Frame.reset();
    Scripts.reset();
  } catch (...) {
  }
  return 0;
}
