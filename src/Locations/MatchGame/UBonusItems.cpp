#include "Locations/MatchGame/UBonusItems.h"

#include "Locations/MatchGame/UBoardLogic.h"
#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TLineBonus)
G_IMPLEMENT_CLASS(TCrossBonus)
G_IMPLEMENT_CLASS(TDiceBonus)

int32_t TLineBonus::GetExplosionPoints() const {
  return Logic()->Config().CombinationLine;
}

int32_t TCrossBonus::GetExplosionPoints() const {
  return Logic()->Config().CombinationCross;
}

int32_t TDiceBonus::GetExplosionPoints() const {
  return Logic()->Config().CombinationDice;
}
