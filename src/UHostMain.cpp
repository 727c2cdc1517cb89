#include "UHostMain.h"

#include "player/UPlayer.h"

#include "Locations/UGameClasses.h"
#include "Screens/UMainMenuScreen.h"
#include "Screens/UProgramScreens.h"
#include "UApp.h"
#include "UStartupLog.h"
#include "app/UGApp.h"
#include "app/UGAppFramework.h"
#include "app/UGApplication.h"
#include "app/UGClassTables.h"
#include "app/replay/UGAppPlayer.h"
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGFileUtils.h"
#include "locations/UGameFramework.h"
#include "platform/UCrashReporter.h"
#include "platform/UHostServices.h"
#include "platform/UHostWindow.h"
#include "resources/UGResource.h"
#include "script/UScriptProcessor.h"
#include "sfs/UGCacheFileSystem.h"
#include "sfs/USFSFolderArchive.h"
#include "widgets/UGWindow.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

bool ParseHostOptions(const char* Program, const char* Help, int Argc, char** Argv,
                      THostOptions& Options, int& ExitCode) {
  Options.CommandLine.assign(Argv, Argv + Argc);
  for (int I = 1; I < Argc; ++I) {
    std::string A = Argv[I];
    auto Value = [&](const char* Name) -> std::string {
      if (I + 1 >= Argc || Argv[I + 1][0] == '\0') {
        std::fprintf(stderr, "%s: %s needs a value\n", Program, Name);
        ExitCode = 2;
        return {};
      }
      return Argv[++I];
    };
    if (A == "--help" || A == "-h") {
      std::fputs(Help, stdout);
      ExitCode = 0;
      return false;
    }
    if (A == "--headless") {
      Options.Headless = true;
    } else if (A == "--cache") {
      Options.Cache = true;
    } else if (A == "--quit-at-menu") {
      Options.QuitAtMenu = true;
    } else if (A == "--report-memory") {
      Options.ReportMemory = true;
    } else if (A == "--frames") {
      std::string V = Value("--frames");
      int32_t N = 0;
      if (V.empty() || !TryStrToInt(V, N) || N < 0) {
        std::fprintf(stderr, "%s: --frames needs a number of frames\n", Program);
        ExitCode = 2;
        return false;
      }
      Options.Frames = N;
    } else if (A == "--crash") {
      Options.Crash = I + 1 < Argc ? Argv[++I] : "";
      if (!TCrashReporter::IsCrashKind(Options.Crash)) {
        std::fprintf(stderr, "%s: --crash needs segv, abort or throw\n", Program);
        ExitCode = 2;
        return false;
      }
    } else if (A == "--hide-overlays") {
      Options.HideOverlays = true;
    } else if (A == "--replay-speed") {
      const std::string V = Value("--replay-speed");
      double Speed = 0;
      if (!SafeTryStrToFloat(V, Speed) || !(Speed > 0) || Speed > 1000) {
        std::fprintf(stderr, "%s: --replay-speed needs a factor above 0, at most 1000\n", Program);
        ExitCode = 2;
        return false;
      }
      Options.ReplaySpeed = static_cast<float>(Speed);
    } else if (A == "--screenshot-at") {
      const std::string V = Value("--screenshot-at");
      const size_t Colon = V.find(':');
      int32_t N = 0;
      if (Colon == std::string::npos || !TryStrToInt(V.substr(0, Colon), N) || N < 1 ||
          Colon + 1 == V.size()) {
        std::fprintf(stderr, "%s: --screenshot-at needs FRAME:FILE, the frame from 1\n", Program);
        ExitCode = 2;
        return false;
      }
      Options.ScreenshotsAt.emplace_back(N, V.substr(Colon + 1));
    } else if (A == "--screenshot" || A == "--resources") {
      std::string V = Value(A.c_str());
      if (V.empty()) {
        return false;
      }
      (A == "--screenshot" ? Options.Screenshot : Options.Resources) = V;
    } else {
      Options.Args.push_back(A);
    }
  }
  return true;
}

namespace {

// Taken while the program's statics are set up, before main: the start the menu's time counts
// from.
const auto ProgramStart = std::chrono::steady_clock::now();

constexpr double CMegabyte = 1024.0 * 1024.0;

// The start-up figures, once the player first sees the main menu; the run may end there.
void ReportMenuShown(const char* Program, bool Quit) {
  const auto Elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - ProgramStart);
  const TResidentMemory Memory = ResidentMemory();
  std::fprintf(stderr,
               "%s: main menu shown after %lld ms, resident memory %.1f MB (peak %.1f MB)\n",
               Program, static_cast<long long>(Elapsed.count()),
               static_cast<double>(Memory.Current) / CMegabyte,
               static_cast<double>(Memory.Peak) / CMegabyte);
  if (Quit && Application) {
    Application->Terminate();
  }
}

// The pictures asked for at this frame.
void TakeScreenshotsAt(const char* Program, const THostOptions& Options, int64_t Frame) {
  for (const auto& [At, Path] : Options.ScreenshotsAt) {
    if (At != Frame) {
      continue;
    }
    try {
      SaveScreenshot(Path);
    } catch (const std::exception& E) {
      std::fprintf(stderr, "%s: %s\n", Program, E.what());
    }
  }
}

// Paths given on the command line are relative to where the program was started.
void ResolvePaths(THostOptions& Options) {
  char StartFolder[4096];
  if (!::getcwd(StartFolder, sizeof(StartFolder))) {
    return;
  }
  for (std::string* Path : {&Options.Screenshot, &Options.Resources}) {
    if (!Path->empty() && Path->front() != '/' &&
        (Path == &Options.Screenshot || FileExists(*Path) || DirectoryExists(*Path))) {
      *Path = std::string(StartFolder) + "/" + *Path;
    }
  }
  for (auto& [Frame, Path] : Options.ScreenshotsAt) {
    if (Path.front() != '/') {
      Path = std::string(StartFolder) + "/" + Path;
    }
  }
}

// Crash reports go into the data folder, which the application's identity names.
void InstallCrashReports(const char* Program, const TGAppInfo& Info,
                         const std::vector<std::string>& CommandLine) {
  if (!TCrashReporter::Install(Info.AppDataFolder(),
                               Info.ProductName() + " " + Info.ProductVersion(), CommandLine)) {
    std::fprintf(stderr, "%s: crash reports cannot be written into %s\n", Program,
                 Info.AppDataFolder().c_str());
  }
}

// The developer's crash comes once the frames asked for are drawn (instead of the frame limit).
void ArmProvokedCrash(TGApplication& Loop, THostOptions& Options) {
  const int64_t AtFrame = std::max<int64_t>(1, Options.Frames);
  Options.Frames = 0;
  Loop.AddLoopHook([AtFrame, Kind = Options.Crash] {
    if (App && App->FramesRun() >= AtFrame) {
      TCrashReporter::Provoke(Kind);
    }
  });
}

void ReportFailure(const char* Program, const std::string& Title, const std::exception& E) {
  const EGException* Engine = dynamic_cast<const EGException*>(&E);
  ShowMessageBox(Title.empty() ? Program : Title, Engine ? Engine->Message() : E.what(),
                 TMessageBoxKind::Error);
}

} // namespace

int RunHost(const char* Program, THostOptions& Options, TGAppParams Params,
            const TFirstWindowFactory& MakeFirst, const std::function<void()>& AfterLoop) {
  ResolvePaths(Options);
  if (!Options.Headless && !THostWindow::DisplayAvailable()) {
    std::fprintf(stderr, "%s: no display found, running headless\n", Program);
    Options.Headless = true;
  }
  if (Options.Headless) {
    ::setenv("HOE_NO_MESSAGE_BOXES", "1", 1);
  }
  // "configs\*.cnf" and "localization\loc.cfg" are found relative to the program's folder.
  std::string Folder = ExecutableFolder();
  if (::chdir(Folder.c_str()) != 0) {
    std::fprintf(stderr, "%s: cannot enter %s\n", Program, Folder.c_str());
  }
  TGCacheFileSystem::Register();
  RegisterFolderArchiver();

  std::unique_ptr<TGAppFramework> Frame;
  std::unique_ptr<THostWindow> Window;
  std::unique_ptr<TSingleInstanceGuard> Guard;
  TGApplication Loop;
  TStartupLog Log(true, !Options.Cache);
  TGObjectPtr<TScriptProcessor> Scripts;
  try {
    Frame = std::make_unique<TGAppFramework>(Folder);
    if (Options.CrashReports) {
      InstallCrashReports(Program, Frame->AppInfo(), Options.CommandLine);
    }
    if (!Options.Crash.empty()) {
      ArmProvokedCrash(Loop, Options);
    }
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

    Params.Control = Window.get();
    Params.ResourcesLocation = Options.Resources;
    Params.StartupLog = &Log;
    Params.NoCache = !Options.Cache;
    RegisterEngineClasses();
    RegisterGameClasses();
    RegisterScreenClasses();
    SetProgramArguments(Options.Args);
    TGAppPlayer::SetUnattendedSpeed(Options.ReplaySpeed);
    TGAppPlayer::SetUnattendedConsoleHidden(Options.HideOverlays);
    AppFramework->InitFromCommandLine(Params, Options.Args);
    App->Show(MakeFirst(Log, Options));
  } catch (const std::exception& E) {
    ReportFailure(Program, Loop.Title(), E);
    try {
      Frame.reset();
      StopGameFramework();
    } catch (...) {
    }
    return 1;
  }

  if (!Options.ScreenshotsAt.empty() && App) {
    App->SetFrameHook(
        [Program, &Options](int64_t Frame) { TakeScreenshotsAt(Program, Options, Frame); });
  }
  TMainMenuScreen::SetOnFirstShown(
      [Program, Quit = Options.QuitAtMenu] { ReportMenuShown(Program, Quit); });
  const auto Started = std::chrono::steady_clock::now();
  Loop.Run();
  TMainMenuScreen::SetOnFirstShown({});
  if (App) {
    App->SetFrameHook({});
  }
  if (AfterLoop) {
    AfterLoop();
  }
  const double Seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
  const double GameSeconds = App ? App->GameSecondsRun() : 0;
  const int64_t Frames = App ? App->FramesRun() : 0;
  std::fprintf(stderr, "%s: %lld frames in %.2f s (%.1f per second of game time)\n", Program,
               static_cast<long long>(Frames), Seconds,
               GameSeconds > 0 ? static_cast<double>(Frames) / GameSeconds : 0.0);

  if (!Options.Screenshot.empty()) {
    try {
      SaveScreenshot(Options.Screenshot);
      std::fprintf(stderr, "%s: the last frame is in %s\n", Program, Options.Screenshot.c_str());
    } catch (const std::exception& E) {
      std::fprintf(stderr, "%s: %s\n", Program, E.what());
    }
  }
  if (Options.ReportMemory) {
    std::fprintf(stderr, "%s: peak resident memory %.1f MB\n", Program,
                 static_cast<double>(ResidentMemory().Peak) / CMegabyte);
  }
  try {
    // The windows (and the locations they show) go with the frame, before the game objects.
    Frame.reset();
    StopGameFramework();
    Scripts.reset();
  } catch (...) {
  }
  return 0;
}
