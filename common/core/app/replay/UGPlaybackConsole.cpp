#include "app/replay/UGPlaybackConsole.h"

#include "app/replay/UGAppPlayer.h"
#include "audio/UGAudio.h"
#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "graphics/UGGraphicsDevice.h"
#include "text/UGFont.h"

#include <algorithm>
#include <cmath>

const float TGPlaybackConsole::Speeds[SpeedPositions] = {0.1f, 0.25f, 0.5f,  1.0f,
                                                         2.0f, 4.0f,  100.0f};
const char* const TGPlaybackConsole::Captions[SpeedPositions] = {
    "slowest (x0.1)", "very slow (x0.25)", "slow (x0.5)",   "normal",
    "fast (x2)",      "very fast (x4)",    "fastest (x100)"};
const char* const TGPlaybackConsole::PlayUntilItems[8] = {"The end",
                                                          "Time marker",
                                                          "120 sec. before end",
                                                          "90 sec. before end",
                                                          "60 sec. before end",
                                                          "30 sec. before end",
                                                          "10 sec. before end",
                                                          "5 sec. before end"};

std::string TicksToHHMMSSm(int64_t Milliseconds) {
  const int64_t Ms = std::max<int64_t>(0, Milliseconds);
  const int64_t Seconds = Ms / 1000;
  return Format("%.2d:%.2d:%.2d.%d", {int(Seconds / 3600), int(Seconds / 60 % 60),
                                      int(Seconds % 60), int(Ms % 1000 / 100)});
}

namespace {

// "hh:mm:ss" (or "mm:ss", or seconds) as milliseconds; -1 when it is no time.
int64_t ParseTimeMarker(const std::string& Text) {
  int64_t Seconds = 0;
  int Parts = 0;
  std::vector<std::string> Pieces;
  SplitString(Text, ':', Pieces);
  for (const std::string& Part : Pieces) {
    int32_t N = 0;
    if (++Parts > 3 || !TryStrToInt(Trim(Part), N) || N < 0) {
      return -1;
    }
    Seconds = Seconds * 60 + N;
  }
  return Parts == 0 ? -1 : Seconds * 1000;
}

} // namespace

void TGPlaybackConsole::Initialize(TGAppPlayer* Player, const std::string& FileName) {
  FPlayer = Player;
  FFileName = ExtractFileName(FileName);
  ApplySpeed();
  Refresh();
}

void TGPlaybackConsole::ApplySpeed() {
  if (FPlayer) {
    FPlayer->SetSpeed(Speeds[FSpeedPosition - 1]);
  }
}

void TGPlaybackConsole::Refresh() {
  if (!FPlayer) {
    return;
  }
  const int64_t Cur = FPlayer->CurTime(), End = FPlayer->EndTime();
  FProgress = End > 0 ? int(std::clamp<int64_t>(Cur * 100 / End, 0, 100)) : 0;
  FPlayCaption = FPlayer->StepByStep() ? "Step (Space)"
                 : FPlayer->Paused()   ? "Play (Space)"
                                       : "Pause (Space)";
  FLines = {
      " Playback console",
      "File Name: " + FFileName,
      "Time elapsed: " + TicksToHHMMSSm(Cur),
      "Time left: " + TicksToHHMMSSm(End - Cur),
      "Total time: " + TicksToHHMMSSm(End),
      Format("Progress: %d%%", {FProgress}),
      std::string("Speed: ") + Captions[FSpeedPosition - 1] + "  (keypad + -)",
      std::string("Play until: ") + PlayUntilItems[FPlayUntil] +
          (FPlayUntil == 1 ? " " + FTimeMarker : std::string()),
      Format("FPS: %d", {GD ? int(std::lround(GD->FPS())) : 0}),
      std::string(FMuteSounds ? "[x]" : "[ ]") + " Mute sounds (M)",
      std::string(FPlayer->StepByStep() ? "[x]" : "[ ]") + " Step by step (S)",
      std::string(FHideWhenPlaying ? "[x]" : "[ ]") + " Hide this dialog when playing (H)",
      FPlayCaption,
      "Continue Game (F8)",
  };
}

void TGPlaybackConsole::SetPlayUntil(int Index) {
  FPlayUntil = std::clamp(Index, 0, 7);
  if (!FPlayer) {
    return;
  }
  static const int64_t BeforeEnd[8] = {0, 0, 120, 90, 60, 30, 10, 5};
  int64_t Break = 0;
  if (FPlayUntil == 1) {
    Break = std::max<int64_t>(0, ParseTimeMarker(FTimeMarker));
  } else if (FPlayUntil > 1) {
    Break = std::max<int64_t>(1, FPlayer->EndTime() - BeforeEnd[FPlayUntil] * 1000);
  }
  FPlayer->SetBreakTime(Break);
  Refresh();
}

void TGPlaybackConsole::PlayUntilEnd() {
  SetPlayUntil(0);
}

void TGPlaybackConsole::PlayClick() {
  if (!FPlayer) {
    return;
  }
  // Stepping: unpause for one frame; the player pauses again after it.
  FPlayer->SetPaused(FPlayer->StepByStep() ? false : !FPlayer->Paused());
}

void TGPlaybackConsole::SpeedUp() {
  FSpeedPosition = std::min(SpeedPositions, FSpeedPosition + 1);
  ApplySpeed();
  Refresh();
}

void TGPlaybackConsole::SpeedDown() {
  FSpeedPosition = std::max(1, FSpeedPosition - 1);
  ApplySpeed();
  Refresh();
}

void TGPlaybackConsole::ToggleSounds() {
  FMuteSounds = !FMuteSounds;
  if (AD) {
    if (FMuteSounds) {
      FSavedSoundVolume = AD->SoundVolume();
      AD->SetSoundVolume(0);
    } else if (FSavedSoundVolume >= 0) {
      AD->SetSoundVolume(FSavedSoundVolume);
    }
  }
  Refresh();
}

void TGPlaybackConsole::ToggleStepByStep() {
  if (FPlayer) {
    FPlayer->SetStepByStep(!FPlayer->StepByStep());
    if (FPlayer->StepByStep()) {
      FPlayer->SetPaused(true);
    }
  }
  Refresh();
}

void TGPlaybackConsole::Draw(TGFont* Font) const {
  if (!FVisible || !Font || !GD || FLines.empty()) {
    return;
  }
  const float X = 20, Y = 20, W = 260;
  const float LineHeight = std::max(1.0f, Font->Height());
  const float H = LineHeight * float(FLines.size() + 1) + 8;
  GD->SetMatrixByType(mWorld, MatIdentity);
  GD->DrawRect(TGColor(0xC0202830), X, Y, X + W, Y + H);
  GD->DrawFrame(TGColor(0xFFA0A8B0), X, Y, X + W, Y + H);
  float LineY = Y + 4;
  for (size_t I = 0; I < FLines.size(); ++I) {
    Font->DrawString(FLines[I], X + 6, LineY, 0, 0);
    LineY += LineHeight;
    if (I == 5) { // the progress bar under its figure
      GD->DrawFrame(TGColor(0xFFA0A8B0), X + 6, LineY + 2, X + W - 6, LineY + LineHeight - 2);
      GD->DrawRect(TGColor(0xFF40A0E0), X + 7, LineY + 3,
                   X + 7 + (W - 14) * float(FProgress) / 100.0f, LineY + LineHeight - 3);
      LineY += LineHeight;
    }
  }
}
