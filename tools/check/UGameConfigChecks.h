// The game's own configurations read by the game's readers: the flight catalogue
// (cfg/FlyingAni.cfg) with every flight that the code and the scripts name, the cursor
// animations of the play screen, and the match-three game's tuning and levels.
#pragma once

#include "UContentFiles.h"
#include "UFindings.h"
#include "UScriptChecks.h"

#include <map>
#include <span>
#include <string>
#include <vector>

class TGameConfigChecks {
public:
  TGameConfigChecks(TContentFiles& Files, TFindings& Findings);

  // Each "Fly" of the catalogue read as the play screen reads it, each name once, and every
  // flight the code asks for (Needed) present.
  void CheckFlightCatalogue(std::span<const char* const> Needed);
  // The flights the scripts give objects ("O.Bolt.FlyingConfigName = 'Hint'") are in the
  // catalogue.
  void CheckFlightsNamed(const std::vector<TScriptSite>& Scripts);
  // The cursor animations the play screen's cursor states show exist.
  void CheckCursors(std::span<const char* const> URLs);
  // The match-three game's tuning files and every level below "MatchGame\Levels" read by the
  // game's readers (a level as a new game starts it).
  void CheckMatchGame();

private:
  TContentFiles& FFiles;
  TFindings& FFindings;
  bool FCatalogueRead = false;
  std::map<std::string, int32_t> FFlights; // upper-case name -> line
};
