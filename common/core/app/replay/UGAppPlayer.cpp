#include "app/replay/UGAppPlayer.h"

#include "app/UGApp.h"
#include "app/UGAppFramework.h"
#include "app/UGAppInput.h"
#include "app/UGApplication.h"
#include "app/replay/UGAppRecorder.h"
#include "app/replay/UGPlaybackConsole.h"
#include "app/replay/UGReplayClock.h"
#include "base/UGError.h"
#include "base/UGRandom.h"
#include "base/UGStrUtils.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"
#include "object/UGClassBuilder.h"
#include "platform/UKeyCodes.h"

#include <cmath>

G_IMPLEMENT_CLASS(TGAppPlayer)

bool ReadPlaybackCommand(TGPlaybackFile& File, TPlaybackCommand& Command) {
  const std::string& T = File.FText;
  size_t& Pos = File.FPos;
  std::string Tokens[4];
  int Count = 0;
  while (Count == 0) {
    if (Pos >= T.size()) {
      return false;
    }
    size_t End = T.find_first_of("\r\n", Pos);
    if (End == std::string::npos) {
      End = T.size();
    }
    for (size_t I = Pos; I < End && Count < 4;) {
      while (I < End && static_cast<unsigned char>(T[I]) <= 32) {
        ++I;
      }
      const size_t From = I;
      while (I<End&& static_cast<unsigned char>(T[I])> 32) {
        ++I;
      }
      if (I > From) {
        Tokens[Count++].assign(T, From, I - From);
      }
    }
    Pos = End;
    while (Pos < T.size() && (T[Pos] == '\r' || T[Pos] == '\n')) {
      ++Pos;
    }
  }
  Command = TPlaybackCommand{};
  Command.Cmd = Tokens[0];
  if (Command.Cmd == "Data" || Command.Cmd == "StartTime") {
    Command.StrPar = Tokens[1];
    return true;
  }
  if (Count > 1) {
    Command.P1 = StrToInt(Tokens[1]);
  }
  if (Count > 2) {
    Command.P2 = StrToInt(Tokens[2]);
  }
  return true;
}

namespace {

float& UnattendedSpeed() {
  static float Speed = 1.0f;
  return Speed;
}

bool& UnattendedConsoleHidden() {
  static bool Hidden = false;
  return Hidden;
}

} // namespace

void TGAppPlayer::SetUnattendedSpeed(float Value) {
  UnattendedSpeed() = Value > 0 ? Value : 1.0f;
}

void TGAppPlayer::SetUnattendedConsoleHidden(bool Value) {
  UnattendedConsoleHidden() = Value;
}

void TGPlayerTimer::Wait(int64_t TickCount, float Speed) {
  if (FTickCount >= TickCount) {
    return;
  }
  uint64_t Frequency = 1000;
  uint64_t Counter = 0;
  if (FUsePC) {
    Frequency = FClock.Frequency();
    if (Frequency == 0 || !FClock.Counter(Counter)) {
      FUsePC = false;
    }
  }
  auto Now = [&]() -> double {
    uint64_t C = 0;
    if (FUsePC && FClock.Counter(C)) {
      return double(C) / double(Frequency);
    }
    return double(FClock.Milliseconds()) / 1000.0;
  };
  if (!FUsePC) {
    Frequency = 1000;
  }
  const double Factor = Speed > 0 ? double(Speed) : 1.0;
  const double Target = Now() + double(TickCount - FTickCount) * 0.001 / Factor;
  while (Target - Now() > SleepGain) {
    FClock.Sleep(1);
  }
  if (FUsePC) {
    const uint64_t Goal = uint64_t(std::llround(Target * double(Frequency)));
    for (uint64_t C = 0; FClock.Counter(C) && C < Goal;) {
      for (int I = 0; I < 96; ++I) {
        FClock.Pause();
      }
    }
  }
  FTickCount = TickCount;
}

TGAppPlayer::TGAppPlayer(const std::string& ADemoFile, TGClock& AClock)
    : TGAppPlugin(nullptr)
    , FDemoFile(ADemoFile)
    , FTimer(AClock) {}

void TGAppPlayer::Initialize() {
  inherited::Initialize();
  if (!FileExists(FDemoFile)) {
    throw Error("File \"%s\" doesn't exists", FDemoFile);
  }
  if (!FConsole) {
    FConsole = std::make_unique<TGPlaybackConsole>();
  }
  {
    TGFileStream In(FDemoFile, fmOpenRead);
    FFile = TGPlaybackFile(In.ReadAll());
  }
  FFileOpened = true;
  // The game time of the last frame is the length of the recording.
  FEndTime = 0;
  for (TPlaybackCommand C; ReadPlaybackCommand(FFile, C);) {
    if (C.Cmd == "Draw" || C.Cmd == "Idle") {
      FEndTime = C.P1;
    }
  }
  if (FEndTime == 0) {
    throw Error();
  }
  FFile.Rewind();
  TPlaybackCommand C;
  if (!ReadPlaybackCommand(FFile, C) || C.Cmd != "RandSeed") {
    throw Error();
  }
  GlobalRandom().SetSeed(uint32_t(C.P1));
  if (!ReadPlaybackCommand(FFile, C) || C.Cmd != "Data" || C.StrPar.empty()) {
    throw Error();
  }
  DecompressDataFolder(C.StrPar);
  // The dates of the recorded run; a recording without its start replays with the clock's.
  const size_t AfterData = FFile.Position();
  int64_t Start = 0;
  if (ReadPlaybackCommand(FFile, C) && C.Cmd == "StartTime" && TryStrToInt64(C.StrPar, Start)) {
    StartReplayClock(Int64AsDateTime(Start));
  } else {
    FFile.Seek(AfterData);
  }
  FConsole->Initialize(this, FDemoFile);
  FConsole->SetVisible(true);
  TakeOverLoop();
  // With nobody to press Play (no display), the replay starts at once.
  const bool Unattended =
      Application && Application->MainWindow() && Application->MainWindow()->IsHeadless();
  FSpeed = Unattended ? UnattendedSpeed() : 1.0f;
  if (Unattended && UnattendedConsoleHidden()) {
    FConsole->SetHideWhenPlaying(true);
  }
  SetPaused(!Unattended);
}

void TGAppPlayer::TakeOverLoop() {
  if (!Application) {
    return;
  }
  FCaption = Application->Title();
  Application->SetControlListener(&FListener);
  Application->OnIdle = [this](bool& Done) {
    ProcessCommand();
    // While paused or after the end, the loop waits for the console's keys.
    Done = FPaused || FTerminated;
  };
  // Activation comes from the recording, not from the live window.
  Application->OnActivate = nullptr;
  Application->OnDeactivate = nullptr;
  Application->OnMinimize = nullptr;
  Application->OnRestore = nullptr;
  if (App) {
    App->OnDrawOverlay = [this](TGFont* Font) {
      if (FConsole && !FTerminated) {
        FConsole->Draw(Font);
      }
    };
  }
}

void TGAppPlayer::Finalize() {
  if (App) {
    App->OnDrawOverlay = nullptr;
  }
  StopReplayClock();
  inherited::Finalize();
}

void TGAppPlayer::DecompressDataFolder(const std::string& Text) {
  TGAppInfo& Info = AppFramework->AppInfo();
  const bool Playback = Info.PlaybackMode();
  Info.SetPlaybackMode(true);
  const std::string Folder = Info.DataFolder();
  Info.SetPlaybackMode(Playback);
  DecompressFolder(Text, Folder, Info.TempFolder());
}

void TGAppPlayer::UpdateMainFormCaption() {
  if (!Application || FTerminated) {
    return;
  }
  Application->SetTitle(FCaption + " - playback " + TicksToHHMMSSm(FCurTime) + " / " +
                        TicksToHHMMSSm(FEndTime) + (FPaused ? " (paused)" : ""));
}

void TGAppPlayer::SetPaused(bool Value) {
  FPaused = Value;
  if (FConsole && !FTerminated) {
    const bool FullScreen =
        Application && Application->MainWindow() && Application->MainWindow()->IsFullScreen();
    FConsole->SetVisible(!FullScreen && !(!FStepByStep && FConsole->HideWhenPlaying() && !FPaused));
    FConsole->Refresh();
  }
  UpdateMainFormCaption();
}

void TGAppPlayer::ProcessCommand() {
  UpdateMainFormCaption();
  if (FConsole) {
    FConsole->Refresh();
  }
  if (FTerminated || FPaused) {
    return;
  }
  bool FrameCommand = false;
  if (!EatCommand(FrameCommand)) {
    Terminate();
    return;
  }
  if (FStepByStep && FrameCommand) {
    SetPaused(true);
  }
  if (FBreakTime > 0 && FCurTime >= FBreakTime) {
    FBreakTime = 0;
    if (FConsole) {
      FConsole->PlayUntilEnd();
    }
    SetPaused(true);
  }
}

bool TGAppPlayer::EatCommand(bool& FrameCommand) {
  FrameCommand = false;
  FIsInIdle = false;
  TPlaybackCommand C;
  if (!ReadPlaybackCommand(FFile, C)) {
    return false;
  }
  TGAppPlugin* Next = GetNextPlugin();
  if (!Next) {
    return true;
  }
  const std::string& Cmd = C.Cmd;
  if (Cmd == "MouseMove") {
    Next->MouseMove(TGPoint{C.P1, C.P2});
  } else if (Cmd == "StartTime") {
    // Read when the playback began.
  } else if (Cmd == "Draw") {
    FrameCommand = true;
    FCurTime = C.P1;
    SetReplayClockTime(FCurTime);
    FTimer.Wait(FCurTime, FSpeed);
    for (bool Drawn = false;;) {
      Next->Draw(FCurTime, Drawn);
      // Not drawn (minimised): try again after a while, unless the program is ending.
      if (Drawn || !Application || Application->Terminated()) {
        break;
      }
      Application->ProcessMessages();
      if (Application->Terminated()) {
        break;
      }
      SystemClock().Sleep(50);
    }
  } else if (Cmd == "Idle") {
    FrameCommand = true;
    FCurTime = C.P1;
    SetReplayClockTime(FCurTime);
    FTimer.Wait(FCurTime, FSpeed);
    Next->Idle(FCurTime);
    FIsInIdle = true;
  } else if (Cmd == "AppActivate") {
    Next->AppActivate();
  } else if (Cmd == "AppDeactivate") {
    Next->AppDeactivate();
  } else if (Cmd == "MouseUp") {
    Next->MouseUp(C.P1);
  } else if (Cmd == "MouseDown") {
    Next->MouseDown(C.P1);
  } else if (Cmd == "MouseWheelDown") {
    Next->MouseWheelDown();
  } else if (Cmd == "MouseWheelUp") {
    Next->MouseWheelUp();
  } else if (Cmd == "DblClick") {
    Next->DblClick();
  } else if (Cmd == "KeyUp") {
    Next->KeyUp(uint16_t(C.P1));
  } else if (Cmd == "KeyDown") {
    Next->KeyDown(uint16_t(C.P1));
  } else if (Cmd == "KeyPress") {
    Next->KeyPress(char32_t(uint32_t(C.P1)));
  } else {
    throw Error("Unknown command: " + Cmd);
  }
  return true;
}

void TGAppPlayer::Terminate() {
  if (FTerminated) {
    return;
  }
  FTerminated = true;
  if (FConsole) {
    FConsole->SetVisible(false);
  }
  if (Application) {
    Application->SetTitle(FCaption);
  }
  // The game goes on live from where the recording ended.
  if (AppFramework) {
    if (auto* Input =
            dynamic_cast<TGAppInput*>(AppFramework->FindPlugin(TGAppInput::StaticClass()))) {
      Input->ResumeLiveInput(FCurTime);
    }
  }
}

void TGAppPlayer::TListener::HostKeyDown(std::uint16_t Key) {
  TGPlaybackConsole* Console = FOwner.FConsole.get();
  if (!Console || FOwner.FTerminated) {
    return;
  }
  switch (Key) {
  case VK_SPACE:
    Console->PlayClick();
    break;
  case VK_F1 + 7: // F8
    FOwner.Terminate();
    break;
  case VK_ADD:
    Console->SpeedUp();
    break;
  case VK_SUBTRACT:
    Console->SpeedDown();
    break;
  case 'S':
    Console->ToggleStepByStep();
    break;
  case 'M':
    Console->ToggleSounds();
    break;
  case 'H':
    Console->SetHideWhenPlaying(!Console->HideWhenPlaying());
    FOwner.SetPaused(FOwner.FPaused);
    break;
  default:
    break;
  }
}

void TGAppPlayer::TListener::HostCloseRequest() {
  if (Application) {
    Application->Terminate();
  }
}
