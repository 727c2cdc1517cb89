// The content checker: a content folder or archive read as the game reads it, every check of
// tools/check run over it, and what they found.
#pragma once

#include "Screens/UCursorStates.h"
#include "Screens/URequiredWidgets.h"
#include "UCodeDictionaryKeys.h"
#include "UFindings.h"
#include "objects/UGameObjectBehavior.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>

// What the program's code asks of every content: by default the game's own tables.
struct TCodeDemands {
  std::span<const TRequiredWidget> Widgets = RequiredWidgets();
  std::span<const TCodeDictionaryKey> Keys = CodeDictionaryKeys();
  std::span<const char* const> Flights = FlightNames::CAll;
  std::span<const char* const> Cursors = CCursorAnimationURLs;
};

struct TCheckOptions {
  TCodeDemands Demands;
  // How many times each location's item pages are dealt (the deal shuffles).
  int DealRounds = 8;
  // Called as the work goes on: steps done of the total.
  std::function<void(size_t Done, size_t Total)> Progress;
};

class TContentChecker {
public:
  explicit TContentChecker(TCheckOptions Options = {});

  // Checks the folder or the archive at Path; raises the engine's error when Path cannot be
  // opened as either.
  TFindings Check(const std::string& Path);
  // The files the last check read.
  size_t FilesChecked() const { return FFilesChecked; }

private:
  TCheckOptions FOptions;
  size_t FFilesChecked = 0;
};
