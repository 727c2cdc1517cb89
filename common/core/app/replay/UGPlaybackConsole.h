// The playback console: the player's controls, drawn over the game in its top-left corner (a
// separate tool window would need a second drawing context): the recording's name, the time
// elapsed, left and in all, a progress bar, the replay speed, the frame rate, the "play until"
// choice and the state of the play button. Keys reach it through the player.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TGAppPlayer;
class TGFont;

// "hh:mm:ss.m" for a time in milliseconds (tenths of a second last).
std::string TicksToHHMMSSm(int64_t Milliseconds);

class TGPlaybackConsole {
public:
  // The slider's positions 1..7: replay speed factors and their names.
  static constexpr int SpeedPositions = 7;
  static const float Speeds[SpeedPositions];
  static const char* const Captions[SpeedPositions];
  // The "play until" choices; the first plays to the end, the second to the time marker, the
  // rest stop that many seconds before the end.
  static const char* const PlayUntilItems[8];

  void Initialize(TGAppPlayer* Player, const std::string& FileName);
  // The texts and the play button's caption from the player's state.
  void Refresh();

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool HideWhenPlaying() const { return FHideWhenPlaying; }
  void SetHideWhenPlaying(bool Value) { FHideWhenPlaying = Value; }
  bool MuteSounds() const { return FMuteSounds; }
  int SpeedPosition() const { return FSpeedPosition; }
  int PlayUntil() const { return FPlayUntil; }
  // Chooses a "play until" item (index into PlayUntilItems) and sets the player's break time.
  void SetPlayUntil(int Index);
  void SetTimeMarker(const std::string& Text) { FTimeMarker = Text; }
  const std::string& TimeMarker() const { return FTimeMarker; }
  const std::vector<std::string>& Lines() const { return FLines; }
  const std::string& PlayCaption() const { return FPlayCaption; }

  // The play button: one frame when stepping, otherwise play or pause.
  void PlayClick();
  void SpeedUp();
  void SpeedDown();
  void ToggleSounds();
  void ToggleStepByStep();
  void PlayUntilEnd();

  // Draws the console with Font over whatever the frame holds.
  void Draw(TGFont* Font) const;

private:
  void ApplySpeed();

  TGAppPlayer* FPlayer = nullptr;
  std::string FFileName;
  bool FVisible = false;
  bool FHideWhenPlaying = false;
  bool FMuteSounds = false;
  int FSpeedPosition = 4;
  int FPlayUntil = 0;
  std::string FTimeMarker = "00:00:00";
  std::string FPlayCaption;
  std::vector<std::string> FLines;
  int FProgress = 0; // percent
  int32_t FSavedSoundVolume = -1;
};
