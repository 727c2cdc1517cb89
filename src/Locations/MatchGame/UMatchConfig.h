// The tuning of the match-three game, read once from its three configuration resources:
// "MatchGame\Game.cfg" (the board's timing and the spawning of blocks), "MatchGame\Scores.cfg"
// (the points) and "MatchGame\MiscTuning.cfg" (texts and animation speeds). Each value is an
// attribute of the file's root element; a missing file or attribute keeps the default.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class TGResourceLibrary;
class TGXMLNode;

struct TMatchConfig {
  // "MatchGame\Game.cfg"
  float PercentOfSpawnBlock = 100;
  int32_t GemAppearanceType = 0; // 1: the board is filled at once when the level starts
  int32_t GemSwapTime = 1000;    // milliseconds of one pass of a swap
  int32_t GemFallSpeed = 400;    // pixels per second
  int32_t GemTailSpeed = 500;
  float ShowFadeBoardSpeed = 1;
  float BoardBlinkDelay = 0;
  // "MatchGame\Scores.cfg": CombinationGems[N] for a match of N cells (3..9; 9 also for more).
  std::array<int32_t, 10> CombinationGems{};
  int32_t CombinationLine = 0;
  int32_t CombinationCross = 0;
  int32_t CombinationDice = 0;
  // "MatchGame\MiscTuning.cfg"
  std::string ThousandsSeparator; // its first character only
  float BlinkAnimationStepSpeed = 0;
  float BlinkAnimationSpeed = 1;
  float BlockArrivalSpeedKft = 1;

  // The points of a match of Count cells.
  int32_t PointsForMatch(int32_t Count) const;

  void LoadGame(const TGXMLNode& Root);
  void LoadScores(const TGXMLNode& Root);
  void LoadMiscTuning(const TGXMLNode& Root);
  // The three files from the library; those it does not have keep their defaults.
  void Load(TGResourceLibrary& Library);
};
