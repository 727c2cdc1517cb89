#include "Locations/MatchGame/UExplosionChain.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/USymbolPool.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "animation/UGAnimation.h"
#include "drawables/UGGraphic.h"
#include "drawables/UGSymbol.h"
#include "object/UGClassBuilder.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TExplosionChain)

namespace {

constexpr float CChainSpeed = 500;
constexpr float CCell = static_cast<float>(CCellSize);

// The heads by direction: in place, left, right, up, down.
constexpr const char* CLineHeads[5] = {"Game\\Match\\GameItems\\Bonuses\\Line\\Explode.ani",
                                       "Game\\Match\\GameItems\\Bonuses\\Line\\SpecialAct1.png",
                                       "Game\\Match\\GameItems\\Bonuses\\Line\\SpecialAct2.png", "",
                                       ""};
constexpr const char* CCrossHeads[5] = {"Game\\Match\\GameItems\\Bonuses\\Cross\\Explode.ani",
                                        "Game\\Match\\GameItems\\Bonuses\\Cross\\SpecialAct1.png",
                                        "Game\\Match\\GameItems\\Bonuses\\Cross\\SpecialAct2.png",
                                        "Game\\Match\\GameItems\\Bonuses\\Cross\\SpecialAct3.png",
                                        "Game\\Match\\GameItems\\Bonuses\\Cross\\SpecialAct4.png"};

int32_t HeadIndex(TRowCol D) {
  if (D == StepLeft) {
    return 1;
  }
  if (D == StepRight) {
    return 2;
  }
  if (D == StepUp) {
    return 3;
  }
  if (D == StepDown) {
    return 4;
  }
  return 0;
}

TGGraphicCollection* PanelGraphics() {
  return ExplosionChainSymbolManager ? ExplosionChainSymbolManager->BoardGraphics() : nullptr;
}

TGPoint Rounded(TGFlatVector V) {
  return TGPoint{static_cast<int32_t>(std::nearbyint(V.X)),
                 static_cast<int32_t>(std::nearbyint(V.Y))};
}

} // namespace

TExplosionChain::TExplosionChain(TTaskProcessor* AProcessor, TRowCol AOrigin, TRowCol ADirection,
                                 const std::string& GraphicURL, int32_t ACellCount)
    : TBoardTask(AProcessor)
    , FDirection(ADirection)
    , FSpeed(CChainSpeed)
    , FIsLine(GraphicURL.find("Line") != std::string::npos) {
  MakeEffect(GraphicURL);
  MakeArrow();
  TGGraphicCollection* Graphics = PanelGraphics();
  if (Graphics) {
    Graphics->Add(FEffect);
    Graphics->Add(FArrow);
  }
  FUpdatesSymbols = !Graphics;
  FOrigin = AOrigin;
  TGPoint XY = GetCellXY(AOrigin);
  FPosition = TGFlatVector{static_cast<float>(XY.X), static_cast<float>(XY.Y)};
  FCell = Board()->GetCell(AOrigin);
  FImplodedCells = 0;
  FImplodeCellsCount = ACellCount;
  HoldCellsAhead();
  Update(0);
  if (FDirection.Col != 0) {
    FHotSpot = TGFlatVector{static_cast<float>(FDirection.Col) * 0.25f * CCell, 0.25f * CCell};
  } else {
    FHotSpot = TGFlatVector{0.5f * CCell, static_cast<float>(FDirection.Row) * 0.25f * CCell};
  }
  FArrowHotSpot = TGFlatVector{0.5f * CCell, 0.5f * CCell};
}

// A moving chain borrows a trail of its kind from the pool (or makes one when every pooled trail
// is out); the chain in place shows no trail.
void TExplosionChain::MakeEffect(const std::string& GraphicURL) {
  bool Cross = GraphicURL.find("Cross") != std::string::npos;
  if (FDirection == StepInPlace) {
    FEffect = New<TGSymbol>(this);
    return;
  }
  TExplosionChainSymbolManager* Pool = ExplosionChainSymbolManager;
  if (Pool && ((FIsLine && Pool->GetLine(FEffect)) || (Cross && Pool->GetCross(FEffect)))) {
    FEffectPooled = true;
    // The pool may go first (when the screen closes): the chain must then forget the trail.
    Subscribe(TGNotification(FEffect, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TExplosionChain::OnEffectDestroy));
  } else {
    FEffect = New<TGSymbol>(this);
    FEffect->SetInheritParticles(false);
    FEffect->SetGraphic(FindBonusGraphic(GraphicURL));
  }
  if (auto* Ani = TryObjectCast<TGAnimation>(FEffect->Instance())) {
    Ani->SetElapsedTime(0);
  }
}

void TExplosionChain::MakeArrow() {
  FArrow = New<TGSymbol>(this);
  FArrow->SetInheritParticles(false);
  const char* URL = (FIsLine ? CLineHeads : CCrossHeads)[HeadIndex(FDirection)];
  if (*URL) {
    FArrow->SetGraphic(FindBonusGraphic(URL));
  }
}

void TExplosionChain::OnEffectDestroy(TGObject* Sender) {
  if (Sender == FEffect) {
    FEffect = nullptr;
  }
}

// Along a column, the cells above the exploded ones would fall into them while the chain runs
// and slip past it locked in their fall (a horizontal chain keeps its row in place instead): the
// chain holds the free cells of its way until it enters them.
void TExplosionChain::HoldCellsAhead() {
  if (FDirection.Row == 0) {
    return;
  }
  TRowCol RC = FOrigin;
  for (int32_t I = 0; I < FImplodeCellsCount; ++I) {
    RC = RC + FDirection;
    if (!RC.InsideBoard()) {
      return;
    }
    TCell* C = Board()->GetCell(RC);
    if (C->IsHole() || ItemAs<TBlock>(C->Item())) {
      return;
    }
    if (!C->IsLocked()) {
      LockCell(C);
    }
  }
}

bool TExplosionChain::GoesOn(const TCell* C, TRowCol RC) const {
  if (!RC.InsideBoard() || FPosition.X < 0 || FPosition.Y < 0) {
    return false;
  }
  if (C->IsHole() || ItemAs<TBlock>(C->Item()) || FImplodedCells >= FImplodeCellsCount) {
    return false;
  }
  // A missing head animation counts as ended.
  return FDirection != StepInPlace || !FArrow->IsFinished();
}

void TExplosionChain::Update(float Seconds) {
  if (IsFinished()) {
    return;
  }
  // Symbols no panel draws any more (the screen closed first) are advanced here as well.
  if (FUpdatesSymbols || !PanelGraphics()) {
    FArrow->Update(Seconds);
    if (FEffect) {
      FEffect->Update(Seconds);
    }
  }
  TRowCol RC = GetCellIJ(Rounded(TGFlatVector{FPosition.X + FHotSpot.X, FPosition.Y + FHotSpot.Y}));
  TCell* C = RC.InsideBoard() ? Board()->GetCell(RC) : nullptr;
  if (!C || !GoesOn(C, RC)) {
    Finish();
    return;
  }
  if (C != FCell) {
    ++FImplodedCells;
    FCell = C;
  }
  FPosition.X += Seconds * static_cast<float>(FDirection.Col) * FSpeed;
  FPosition.Y += Seconds * static_cast<float>(FDirection.Row) * FSpeed;
  Place();
  if (Holds(C)) {
    UnlockCell(C);
  }
  if (!C->IsLocked()) {
    if (auto* Item = ItemAs<TSelectableItem>(C->Item())) {
      Item->Explode(nullptr);
    }
  }
}

void TExplosionChain::Place() {
  if (FDirection != StepInPlace && FEffect) {
    FEffect->SetTransform(FPosition.X + FHotSpot.X, FPosition.Y + FHotSpot.Y, 0, 0, 0, 1, 1);
  }
  FArrow->SetTransform(FPosition.X + FArrowHotSpot.X, FPosition.Y + FArrowHotSpot.Y, 0.5f, 0.5f, 0,
                       1, 1);
}

void TExplosionChain::Destroy() {
  if (TGGraphicCollection* Graphics = PanelGraphics()) {
    if (FEffect) {
      Graphics->Extract(FEffect);
    }
    Graphics->Extract(FArrow);
  }
  if (FEffect && FEffectPooled) {
    UnSubscribe(FEffect);
    if (ExplosionChainSymbolManager) {
      ExplosionChainSymbolManager->ReleaseSymbol(FEffect);
    }
  }
  FEffect = nullptr;
  inherited::Destroy();
}

int32_t TExplosionChain::BlockedRow() const {
  return IsFinished() || FDirection.Col == 0 ? -1 : FOrigin.Row;
}

std::vector<int32_t> TExplosionChain::HorizontalChainRows(const TTaskProcessor& Processor) {
  std::vector<int32_t> Rows;
  for (TTask* Task : Processor.Tasks()) {
    auto* Chain = Task ? TryObjectCast<TExplosionChain>(Task) : nullptr;
    int32_t Row = Chain ? Chain->BlockedRow() : -1;
    if (Row >= 0 && std::find(Rows.begin(), Rows.end(), Row) == Rows.end()) {
      Rows.push_back(Row);
    }
  }
  return Rows;
}
