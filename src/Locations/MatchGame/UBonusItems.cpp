#include "Locations/MatchGame/UBonusItems.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardActions.h"
#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UDiceCreator.h"
#include "Locations/MatchGame/UExplosionChain.h"
#include "Locations/MatchGame/USymbolPool.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "object/UGClassBuilder.h"
#include "widgets/UGPicture.h"

#include <initializer_list>
#include <string>

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

// --- Explosions --------------------------------------------------------------------------------

namespace {

// The processor of an animated board; none on a board whose changes are made at once.
TTaskProcessor* ProcessorOf(TBoard* Board) {
  return TryObjectCast<TTaskProcessor>(Board->Actions());
}

void StartChains(TTaskProcessor* Processor, TRowCol Origin, std::initializer_list<TRowCol> Steps,
                 const std::string& GraphicURL) {
  if (!Processor) {
    return;
  }
  for (TRowCol Step : Steps) {
    New<TExplosionChain>(Processor, Origin, Step, GraphicURL, CChainCellCount);
  }
}

} // namespace

void TLineBonus::Explode(TItem* Replacement) {
  if (!Cell()) {
    return;
  }
  TBoard* B = Board();
  TRowCol Origin = RowCol();
  TBonusItem::Explode(Replacement);
  StartChains(ProcessorOf(B), Origin, {StepInPlace, StepLeft, StepRight},
              GetGfxPrefix() + "Explosion.ani");
  B->Actions()->PlaySound("Match\\LineBonusExplode.ogg");
}

void TCrossBonus::Explode(TItem* Replacement) {
  if (!Cell()) {
    return;
  }
  TBoard* B = Board();
  TRowCol Origin = RowCol();
  TBonusItem::Explode(Replacement);
  StartChains(ProcessorOf(B), Origin, {StepInPlace, StepLeft, StepRight, StepUp, StepDown},
              GetGfxPrefix() + "Explosion.ani");
  B->Actions()->PlaySound("Match\\CrossBonusExplode.ogg");
}

void TDiceBonus::Explode(TItem* Replacement) {
  if (!Cell()) {
    return;
  }
  TBoard* B = Board();
  TRowCol Origin = GetCellIJ(Position());
  TSelectableItem::Explode(Replacement);
  ShowGlobalExplosion();
  B->Logic()->OnActivateBonus(this);
  if (TTaskProcessor* Processor = ProcessorOf(B)) {
    New<TExplosionDiceCreator>(Processor, Origin, GetGfxPrefix() + "Explosion.ani");
  }
  B->Actions()->PlaySound("Match\\DiceBonusExplode.ogg");
}

// The flash over the whole match screen, above its top edge; nothing without a screen or a
// picture.
void TDiceBonus::ShowGlobalExplosion() const {
  TGWidget* Screen = ExplosionChainSymbolManager ? ExplosionChainSymbolManager->Screen() : nullptr;
  TGGraphic* Gfx = Screen ? FindBonusGraphic(GetGlobalExplosionGfx()) : nullptr;
  if (!Gfx) {
    return;
  }
  auto* Picture = New<TGPicture>(nullptr);
  Picture->SetName(CGlobalExplosionName);
  Picture->SetGfx(Gfx);
  float Width = 0;
  float Height = 0;
  Picture->GetDefaultExtent(Width, Height);
  Picture->SetWidth(Width);
  Picture->SetHeight(Height);
  Picture->SetLeft(0);
  Picture->SetTop(-100);
  Screen->Add(Picture);
}
