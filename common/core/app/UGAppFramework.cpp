#include "app/UGAppFramework.h"

#include "app/UGApp.h"
#include "app/UGAppInput.h"
#include "app/UGAppPlugin.h"
#include "app/replay/UGAppPlayer.h"
#include "app/replay/UGAppRecorder.h"
#include "base/UGError.h"
#include "base/UGRandom.h"
#include "base/UGStrUtils.h"
#include "io/UGFileUtils.h"

#include <chrono>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>

TGAppFramework* AppFramework = nullptr;

TGAppClass GetAppClass(const TGAppParams& Params) {
  if (Params.AppClass) {
    return Params.AppClass;
  }
  return [](const TGAppParams& P) -> TGApp* { return New<TGApp>(P); };
}

TGAppFramework::TGAppFramework(const std::string& BaseFolder) {
  if (AppFramework) {
    throw Error();
  }
  FAppInfo = std::make_unique<TGAppInfo>(BaseFolder);
  AppFramework = this;
  auto Ticks = std::chrono::steady_clock::now().time_since_epoch();
  GlobalRandom().SetSeed(static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Ticks).count() & 0x7FFFFFFF));
}

TGAppFramework::~TGAppFramework() {
  try {
    FinalizePlugins();
  } catch (...) {
    // Shutting down: nothing left to report to.
  }
  while (!FPlugins.empty()) {
    TGAppPlugin* Last = FPlugins.back();
    Last->Free();
    FPlugins.pop_back();
  }
  if (AppFramework == this) {
    AppFramework = nullptr;
  }
}

void TGAppFramework::CheckAppParams(const TGAppParams& Params) {
  if (!Params.Control) {
    throw Error("AppParams.Control must be specified");
  }
  if (Params.ResourcesLocation.empty()) {
    throw Error("AppParams.ResourcesLocation must be specified");
  }
  if (!Params.StartupLog) {
    throw Error("AppParams.StartupLog must be specified");
  }
}

void TGAppFramework::AddPlugin(TGAppPlugin* Plugin) {
  FPlugins.push_back(Plugin);
}

TGAppPlugin* TGAppFramework::FindPlugin(TGClass Class) const {
  for (TGAppPlugin* P : FPlugins) {
    if (P->InheritsFrom(Class)) {
      return P;
    }
  }
  return nullptr;
}

void TGAppFramework::InitializePlugins() {
  if (!FPlugins.empty()) {
    FInitialized = true;
    FPlugins.front()->Initialize();
  }
}

void TGAppFramework::FinalizePlugins() {
  if (FInitialized && !FPlugins.empty()) {
    FInitialized = false;
    FPlugins.front()->Finalize();
  }
}

void TGAppFramework::AddApplication(const TGAppParams& Params) {
  AddPlugin(GetAppClass(Params)(Params));
}

void TGAppFramework::InitRun(const TGAppParams& Params) {
  CheckAppParams(Params);
  FMode = mRun;
  AddPlugin(New<TGAppInput>(Params.Control));
  AddApplication(Params);
  InitializePlugins();
}

void TGAppFramework::InitPlaytest(const TGAppParams& Params) {
  CheckAppParams(Params);
  FMode = mPlayTest;
  AddPlugin(New<TGAppInput>(Params.Control));
  AddApplication(Params);
  InitializePlugins();
}

void TGAppFramework::InitRecording(const TGAppParams& Params, const std::string& FileName) {
  CheckAppParams(Params);
  FMode = mRecord;
  AddPlugin(New<TGAppInput>(Params.Control));
  AddPlugin(New<TGAppRecorder>(FileName));
  AddApplication(Params);
  InitializePlugins();
}

void TGAppFramework::InitPlayback(const TGAppParams& Params, const std::string& FileName) {
  CheckAppParams(Params);
  FMode = mPlayBack;
  AddPlugin(New<TGAppPlayer>(FileName));
  AddPlugin(New<TGAppInput>(Params.Control));
  AddApplication(Params);
  InitializePlugins();
}

std::string TGAppFramework::NewRecFile() {
  std::time_t Now = std::time(nullptr);
  std::tm Local{};
  localtime_r(&Now, &Local);
  char Stamp[32];
  std::strftime(Stamp, sizeof(Stamp), "%Y-%m-%d %H.%M.%S", &Local);
  return FAppInfo->RecordingsFolder() + "/" + Stamp + ".rec";
}

std::string TGAppFramework::LatestRecFile() {
  std::string Folder = FAppInfo->RecordingsFolder();
  std::string Best;
  time_t BestTime = 0;
  if (DIR* D = ::opendir(Folder.c_str())) {
    while (dirent* E = ::readdir(D)) {
      std::string Name = E->d_name;
      struct stat Info;
      std::string Path = Folder + "/" + Name;
      if (SameText(ExtractFileExt(Name), ".rec") && ::stat(Path.c_str(), &Info) == 0 &&
          (Best.empty() || Info.st_mtime > BestTime)) {
        Best = Path;
        BestTime = Info.st_mtime;
      }
    }
    ::closedir(D);
  }
  return Best;
}

TGCommandLine TGAppFramework::ParseCommandLine(const TGAppParams& Params,
                                               const std::vector<std::string>& Args) {
  TGCommandLine Result{Params, mRun, {}};
  for (size_t I = 0; I < Args.size(); ++I) {
    std::string A = LowerCase(Args[I]);
    if (A == "-nosound") {
      Result.Params.NoSound = true;
    } else if (A == "-p") {
      Result.Mode = mPlayBack;
    } else if (A == "-r") {
      Result.Mode = mRecord;
    } else if (A == "-t") {
      Result.Mode = mPlayTest;
    } else if (A == "-file" && I + 1 < Args.size()) {
      Result.FileName = Args[++I];
    } else if (A == "-url" && I + 1 < Args.size()) {
      Result.Params.PlaytestScriptURL = Args[++I];
    }
  }
  return Result;
}

void TGAppFramework::InitFromCommandLine(const TGAppParams& Params,
                                         const std::vector<std::string>& Args) {
  TGCommandLine Line = ParseCommandLine(Params, Args);
  std::string FileName =
      Line.FileName.empty() ? std::string() : FAppInfo->RecordingsFolder() + "/" + Line.FileName;
  FMode = Line.Mode;
  switch (Line.Mode) {
  case mRun:
    InitRun(Line.Params);
    break;
  case mPlayTest:
    InitPlaytest(Line.Params);
    break;
  case mRecord:
    InitRecording(Line.Params, FileName.empty() ? NewRecFile() : FileName);
    break;
  case mPlayBack:
    FAppInfo->SetPlaybackMode(true);
    InitPlayback(Line.Params, FileName.empty() ? LatestRecFile() : FileName);
    break;
  }
}
