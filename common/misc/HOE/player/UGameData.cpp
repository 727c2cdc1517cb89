#include "player/UGameData.h"

#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TBaseGameData)

TBaseGameData* GameData = nullptr;

TBaseGameData::TBaseGameData(TGObject* AOwner)
    : TGObject(AOwner) {
  GameData = this;
}

void TBaseGameData::Destroy() {
  if (GameData == this) {
    GameData = nullptr;
  }
  inherited::Destroy();
}
