#include "Locations/MatchGame/UMatchGameClasses.h"

#include "Locations/MatchGame/UBonusItems.h"
#include "Locations/MatchGame/UItem.h"

void RegisterMatchGameClasses() {
  TItem::UnregisterClasses();
  for (TGClass C : {TDiceBonus::StaticClass(), TLineBonus::StaticClass(),
                    TCrossBonus::StaticClass(), TBlock::StaticClass(), TGem::StaticClass()}) {
    TItem::RegisterClass(C);
  }
}
