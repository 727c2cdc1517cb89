#include "Locations/MatchGame/UMatchConfig.h"

#include "base/UGFormat.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <algorithm>

int32_t TMatchConfig::PointsForMatch(int32_t Count) const {
  return CombinationGems[static_cast<size_t>(std::clamp(Count, 3, 9))];
}

void TMatchConfig::LoadGame(const TGXMLNode& Root) {
  PercentOfSpawnBlock = Root.GetFloatAttrDef("PercentOfSpawnBlock", PercentOfSpawnBlock);
  GemAppearanceType = Root.GetIntAttrDef("GemAppearanceType", GemAppearanceType);
  GemSwapTime = Root.GetIntAttrDef("GemSwapTime", GemSwapTime);
  GemFallSpeed = Root.GetIntAttrDef("GemFallSpeed", GemFallSpeed);
  GemTailSpeed = Root.GetIntAttrDef("GemTailSpeed", GemTailSpeed);
  ShowFadeBoardSpeed = Root.GetFloatAttrDef("ShowFadeBoardSpeed", ShowFadeBoardSpeed);
  BoardBlinkDelay = Root.GetFloatAttrDef("BoardBlinkDelay", BoardBlinkDelay);
}

void TMatchConfig::LoadScores(const TGXMLNode& Root) {
  for (int32_t N = 3; N <= 9; ++N) {
    int32_t& Points = CombinationGems[static_cast<size_t>(N)];
    Points = Root.GetIntAttrDef("CombinationGems" + IntToStr(N), Points);
  }
  CombinationLine = Root.GetIntAttrDef("CombinationLine", CombinationLine);
  CombinationCross = Root.GetIntAttrDef("CombinationCross", CombinationCross);
  CombinationDice = Root.GetIntAttrDef("CombinationDice", CombinationDice);
}

void TMatchConfig::LoadMiscTuning(const TGXMLNode& Root) {
  // The first character, which may take up to four bytes of UTF-8.
  std::string Separator = Root.GetStrAttrDef("ThousandsSeparator", ThousandsSeparator);
  size_t Length = 0;
  if (!Separator.empty()) {
    auto Lead = static_cast<unsigned char>(Separator[0]);
    Length = Lead >= 0xF0 ? 4 : Lead >= 0xE0 ? 3 : Lead >= 0xC0 ? 2 : 1;
  }
  ThousandsSeparator = Separator.substr(0, Length);

  BlinkAnimationStepSpeed =
      Root.GetFloatAttrDef("BlinkAnimationStepSpeed", BlinkAnimationStepSpeed);
  BlinkAnimationSpeed = Root.GetFloatAttrDef("BlinkAnimationSpeed", BlinkAnimationSpeed);
  BlockArrivalSpeedKft = Root.GetFloatAttrDef("BlockArrivalSpeedKft", BlockArrivalSpeedKft);
}

void TMatchConfig::Load(TGResourceLibrary& Library) {
  auto Root = [&Library](const char* URL) -> const TGXMLNode* {
    auto* Config = ObjectCast<TGConfig>(Library.GetResourceEx(URL, false));
    return Config ? Config->XML() : nullptr;
  };
  if (const TGXMLNode* Game = Root("MatchGame\\Game.cfg")) {
    LoadGame(*Game);
  }
  if (const TGXMLNode* Scores = Root("MatchGame\\Scores.cfg")) {
    LoadScores(*Scores);
  }
  if (const TGXMLNode* Misc = Root("MatchGame\\MiscTuning.cfg")) {
    LoadMiscTuning(*Misc);
  }
}
