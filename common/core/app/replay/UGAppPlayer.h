// Input playback: a plug-in at the head of the chain that replays a ".rec" file written by the
// recorder, one command per idle turn of the message loop, with the recorded game times, while
// the live input plug-in stays disabled. A small console over the game shows the progress and
// takes the keys: Space plays, pauses or steps, F8 leaves playback and continues the game live,
// keypad + and - change the speed, S steps frame by frame, M mutes, H hides the console while
// playing.
#pragma once

#include "app/UGAppPlugin.h"
#include "app/UGInputTimer.h"
#include "platform/UHostWindow.h"

#include <memory>
#include <string>

#include "app/replay/UGPlaybackConsole.h"

// One line of a recording.
struct TPlaybackCommand {
  std::string Cmd;
  std::string StrPar; // the text of "Data"
  int32_t P1 = 0;
  int32_t P2 = 0;
};

// A recording's text, read line by line.
class TGPlaybackFile {
public:
  explicit TGPlaybackFile(std::string AText = {})
      : FText(std::move(AText)) {}
  void Rewind() { FPos = 0; }
  size_t Position() const { return FPos; }
  void Seek(size_t Pos) { FPos = Pos; }
  const std::string& Text() const { return FText; }

private:
  friend bool ReadPlaybackCommand(TGPlaybackFile& File, TPlaybackCommand& Command);
  std::string FText;
  size_t FPos = 0;
};

// The next non-empty line as a command; false at the end. Tokens are separated by runs of
// characters up to the blank; "Data" takes its text, other commands up to two integers (a
// malformed one raises the conversion error).
bool ReadPlaybackCommand(TGPlaybackFile& File, TPlaybackCommand& Command);

// The replay clock: waits until a recorded game time is due at the replay speed.
class TGPlayerTimer {
public:
  static constexpr double SleepGain = 0.0022;
  explicit TGPlayerTimer(TGClock& AClock = SystemClock())
      : FClock(AClock) {}
  int64_t TickCount() const { return FTickCount; }
  // Returns at once when TickCount has been reached; otherwise sleeps and spins for the
  // difference divided by Speed.
  void Wait(int64_t TickCount, float Speed);

private:
  TGClock& FClock;
  int64_t FTickCount = 0;
  bool FUsePC = true;
};

class TGAppPlayer : public TGAppPlugin {
  G_CLASS(TGAppPlayer, TGAppPlugin)
  explicit TGAppPlayer(const std::string& ADemoFile, TGClock& AClock = SystemClock());
  explicit TGAppPlayer(TGObject* AOwner = nullptr)
      : TGAppPlayer(std::string()) {
    SetOwner(AOwner);
  }

  const std::string& DemoFile() const { return FDemoFile; }
  bool Paused() const { return FPaused; }
  void SetPaused(bool Value);
  float Speed() const { return FSpeed; }
  void SetSpeed(float Value) { FSpeed = Value > 0 ? Value : 1.0f; }
  // The speed an unattended replay (no display, nobody at the console) starts at: the game's
  // time comes from the recording, so a headless replay may run faster than it was recorded.
  static void SetUnattendedSpeed(float Value);
  // Whether an unattended replay hides its console while it plays (pictures of the game taken
  // during a replay then show the game alone).
  static void SetUnattendedConsoleHidden(bool Value);
  int64_t CurTime() const { return FCurTime; }
  int64_t EndTime() const { return FEndTime; }
  int64_t BreakTime() const { return FBreakTime; }
  void SetBreakTime(int64_t Value) { FBreakTime = Value; }
  bool StepByStep() const { return FStepByStep; }
  void SetStepByStep(bool Value) { FStepByStep = Value; }
  bool Terminated() const { return FTerminated; }
  TGPlaybackConsole* Console() const { return FConsole.get(); }

  void Initialize() override;
  void Finalize() override;

  // One turn of the replay: the next command unless paused or ended.
  void ProcessCommand();
  // Replays the next line; FrameCommand tells whether it was "Draw" or "Idle". False at the end.
  bool EatCommand(bool& FrameCommand);
  // Ends playback; the live input takes over from the last replayed game time.
  void Terminate();
  void UpdateMainFormCaption();
  // Unpacks a recording's data folder into the playback data folder.
  void DecompressDataFolder(const std::string& Text);

private:
  // The keys of the console while playback runs (the game gets its input from the file).
  class TListener : public IHostListener {
  public:
    explicit TListener(TGAppPlayer& AOwner)
        : FOwner(AOwner) {}
    void HostKeyDown(std::uint16_t Key) override;
    void HostKeyUp(std::uint16_t) override {}
    void HostKeyPress(char32_t) override {}
    void HostMouseMove(int, int) override {}
    void HostMouseDown(int) override {}
    void HostMouseUp(int) override {}
    void HostDblClick() override {}
    void HostWheelUp() override {}
    void HostWheelDown() override {}
    void HostActivate() override {}
    void HostDeactivate() override {}
    void HostMinimized() override {}
    void HostRestored() override {}
    void HostCloseRequest() override;

  private:
    TGAppPlayer& FOwner;
  };
  friend class TGPlaybackConsole;

  void TakeOverLoop();

  std::string FDemoFile;
  TGPlayerTimer FTimer;
  TGPlaybackFile FFile;
  bool FFileOpened = false;
  int64_t FCurTime = 0;
  int64_t FEndTime = 0;
  int64_t FBreakTime = 0;
  bool FStepByStep = false;
  bool FPaused = false;
  bool FTerminated = false;
  bool FIsInIdle = false;
  float FSpeed = 1.0f;
  std::unique_ptr<TGPlaybackConsole> FConsole;
  TListener FListener{*this};
  std::string FCaption; // the window's title before playback
};
