#include "Locations/MatchGame/USwapTasks.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/UTaskAnimations.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TSelectItemTask)
G_IMPLEMENT_CLASS(TSwapItemsTask)
G_IMPLEMENT_CLASS(THintTask)
G_IMPLEMENT_CLASS(TTeleportItemsTask)
G_IMPLEMENT_CLASS(TChangeGemKindTask)

using namespace TaskAnimations;

namespace {

// A swap plays this many times faster than its configured pass.
constexpr float CSwapSpeed = 8;
constexpr int32_t CTeleportTime = 1000;
constexpr int32_t CFadeTime = 1000;

TGFlatVector Centre(TRowCol RC) {
  return CellCentre(RC.Row, RC.Col);
}

TGFlatVector Between(TGFlatVector A, TGFlatVector B, float F) {
  return TGFlatVector{A.X + F * (B.X - A.X), A.Y + F * (B.Y - A.Y)};
}

} // namespace

// --- TSelectItemTask ---------------------------------------------------------------------------

TSelectItemTask::TSelectItemTask(TTaskProcessor* AProcessor, TRowCol ARowCol)
    : TBoardTask(AProcessor)
    , FRowCol(ARowCol) {
  TCell* C = Cell();
  LockCell(C);
  if (auto* Item = ItemAs<TSelectableItem>(C->Item())) {
    Item->SetGraphic(Item->GetSelectedGfx());
    Animate(Item, NewInPlaceAnimation(Item->GetSelectedGfx(), Centre(FRowCol)));
  }
}

TCell* TSelectItemTask::Cell() const {
  return Board()->GetCell(FRowCol);
}

void TSelectItemTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  TRowCol Below = FRowCol + StepDown;
  if (!Below.InsideBoard()) {
    return;
  }
  const TCell* C = Board()->GetCell(Below);
  if (!C->IsHole() && !C->Item()) {
    Finish();
  }
}

void TSelectItemTask::Destroy() {
  StopAnimations();
  if (TTaskProcessor* Processor = TaskProcessor()) {
    Processor->SelectionEnded(this);
    if (auto* B = dynamic_cast<TBoard*>(Processor->Owner()); B && B->GetCell(FRowCol)->Item()) {
      B->GetCell(FRowCol)->Item()->MakeStatic();
    }
  }
  inherited::Destroy();
}

// --- TSwapItemsTask ----------------------------------------------------------------------------

TSwapItemsTask::TSwapItemsTask(TTaskProcessor* AProcessor, TRowCol Selected, TRowCol Clicked)
    : TBoardTask(AProcessor)
    , FRowCol1(Selected)
    , FRowCol2(Clicked) {
  TBoard* B = Board();
  TCell* C1 = B->GetCell(FRowCol1);
  TCell* C2 = B->GetCell(FRowCol2);
  FItem1 = ItemAs<TSelectableItem>(C1->Item());
  FItem2 = ItemAs<TSelectableItem>(C2->Item());
  if (!FItem1 || !FItem2) {
    Finish();
    return;
  }
  FStar1 = FItem1->IsBlinking();
  FStar2 = FItem2->IsBlinking();
  FItem1->RemoveBlinkingStar();
  FItem2->RemoveBlinkingStar();
  bool Match = B->GetMatchAfterSwap(FRowCol1, FRowCol2, FCellSet[0], FCellSet[1]);
  FIsRealSwap = Match || ItemAs<TBonusItem>(FItem1) || ItemAs<TBonusItem>(FItem2);
  if (FIsRealSwap) {
    B->ExchangeItems(C1, C2);
    for (const std::vector<TCell*>& Cells : FCellSet) {
      for (TCell* C : Cells) {
        if (!C->IsLocked()) {
          LockCell(C);
        }
      }
    }
  }
  Animate(FItem1, SwapAnimation(FItem1, FRowCol1, FRowCol2, !FIsRealSwap));
  Animate(FItem2, SwapAnimation(FItem2, FRowCol2, FRowCol1, !FIsRealSwap));
  LockCell(C1);
  LockCell(C2);
}

TGAnimation* TSwapItemsTask::SwapAnimation(const TSelectableItem* Item, TRowCol From, TRowCol To,
                                           bool AndBack) const {
  const int32_t T = std::max(Board()->Logic()->Config().GemSwapTime, 1);
  TGAnimation* A = NewAnimation(CSwapSpeed);
  TGFlatVector P0 = Centre(From);
  TGFlatVector P1 = Centre(To);
  TGLivePicture* P = AddPicture(A, Item->GetStaticGfx(), P0);
  KeyPlace(P, T / 2, Between(P0, P1, 0.4f));
  KeyPlace(P, T, P1);
  if (AndBack) {
    KeyPlace(P, T + T / 2, Between(P1, P0, 0.4f));
    KeyPlace(P, 2 * T, P0);
  }
  return A;
}

void TSwapItemsTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  if (AnimationEnded(FItem1) && AnimationEnded(FItem2)) {
    Finish();
  }
}

// The cells are free before the matches' resolution locks them again.
void TSwapItemsTask::Destroy() {
  StopAnimations();
  UnlockCells();
  if (FItem1 && FItem2) {
    if (FStar1) {
      FItem1->SetBlinkingStar();
    }
    if (FStar2) {
      FItem2->SetBlinkingStar();
    }
    FItem1->MakeStatic();
    FItem2->MakeStatic();
  }
  TTaskProcessor* Processor = TaskProcessor();
  if (FIsRealSwap && Processor && !Processor->IsClosing()) {
    for (const std::vector<TCell*>& Cells : FCellSet) {
      if (!Cells.empty()) {
        Processor->ExplodeItems(Cells, FRowCol2, FRowCol1);
      }
    }
    for (TSelectableItem* Item : {FItem1, FItem2}) {
      if (auto* Bonus = ItemAs<TBonusItem>(Item)) {
        Bonus->Explode(nullptr);
      }
    }
  }
  inherited::Destroy();
}

// --- THintTask ---------------------------------------------------------------------------------

namespace {

constexpr int32_t CHintCometTime = 1000;
constexpr int32_t CHintCometGone = 1200;
constexpr int32_t CHintCometKeys = 10;

} // namespace

THintTask::THintTask(TTaskProcessor* AProcessor)
    : TBoardTask(AProcessor) {
  FindHint(FRowCol);
  TCell* C = FRowCol.InsideBoard() ? Board()->GetCell(FRowCol) : nullptr;
  FItem = C && !C->IsLocked() ? ItemAs<TSelectableItem>(C->Item()) : nullptr;
  if (!FItem) {
    Finish();
    return;
  }
  LockCell(C);
  TGFlatVector Place = Centre(FRowCol);
  TGAnimation* A = NewAnimation();
  TGLivePicture* Spin = AddPicture(A, GetGemAnimation(), Place);
  Spin->SmoothRotation()->SetBoolValue(1000, true);
  const std::pair<int32_t, float> Turns[] = {{0, 0},       {1000, 0},    {1500, 720},
                                             {2000, 1120}, {2400, 1060}, {2600, 1080}};
  for (auto [Time, Angle] : Turns) {
    Spin->Angle()->SetRealValue(Time, Angle);
  }
  KeyPlace(Spin, 2600, Place);
  // The comet flies in from the upper left, on a curve, and goes soon after it arrives.
  const TGFlatVector Start{-40, -40 - 50};
  const TGFlatVector End{Place.X, Place.Y - 20};
  TGLivePicture* Comet = AddPicture(A, "Game\\Match\\Stuff\\Comet.ani", Start, true);
  for (int32_t K = 0; K < CHintCometKeys; ++K) {
    float F = static_cast<float>(K) / (CHintCometKeys - 1);
    KeyPlace(Comet, K * CHintCometTime / (CHintCometKeys - 1),
             TGFlatVector{Start.X + F * (End.X - Start.X), Start.Y + F * F * (End.Y - Start.Y)});
  }
  Comet->Alpha()->SetRealValue(CHintCometGone - 1, 1);
  Comet->Alpha()->SetRealValue(CHintCometGone, 0);
  Animate(FItem, A);
}

void THintTask::FindHint(TRowCol& RowCol) {
  TRowCol Neighbour = CNoCell;
  RowCol = CNoCell;
  if (!Board()->FindMatch(RowCol, Neighbour, true)) {
    RowCol = CNoCell;
  }
}

std::string THintTask::GetGemAnimation() const {
  return FItem ? FItem->GetStaticGfx() : std::string();
}

std::string THintTask::GetBlinkGraphic() const {
  return std::string(CBlinkingStarGfx);
}

void THintTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  FElapsed += Seconds;
  if (!FSoundPlayed && FElapsed * 1000 >= CHintCometTime) {
    FSoundPlayed = true;
    TaskProcessor()->PlaySound("Match\\Hint.ogg");
  }
  if (AnimationEnded(FItem)) {
    FItem->SetBlinkingStar(GetBlinkGraphic());
    Finish();
  }
}

void THintTask::Destroy() {
  StopAnimations();
  if (FItem) {
    FItem->MakeStatic();
  }
  inherited::Destroy();
}

// --- TTeleportItemsTask ------------------------------------------------------------------------

TTeleportItemsTask::TTeleportItemsTask(TTaskProcessor* AProcessor, TCell* A, TCell* B)
    : TBoardTask(AProcessor)
    , FRowCol1(A->RowCol())
    , FRowCol2(B->RowCol())
    , FItem1(A->Item())
    , FItem2(B->Item()) {
  Board()->ExchangeItems(A, B);
  // Each item fades out where it was and in where it goes, turning twice.
  auto Fade = [](TItem* Item, TRowCol From, TRowCol To) {
    TGAnimation* Anim = NewAnimation();
    TGLivePicture* P = AddPicture(Anim, Item->GetStaticGfx(), Centre(From));
    KeyPlace(P, 499, Centre(From));
    KeyPlace(P, 501, Centre(To));
    KeyPlace(P, CTeleportTime, Centre(To));
    const std::pair<int32_t, float> Alphas[] = {{0, 1}, {499, 0}, {501, 0}, {CTeleportTime, 1}};
    for (auto [Time, Alpha] : Alphas) {
      P->Alpha()->SetRealValue(Time, Alpha);
    }
    P->Angle()->SetRealValue(0, 0);
    P->Angle()->SetRealValue(CTeleportTime, 720);
    return Anim;
  };
  if (FItem1) {
    Animate(FItem1, Fade(FItem1, FRowCol1, FRowCol2));
  }
  if (FItem2) {
    Animate(FItem2, Fade(FItem2, FRowCol2, FRowCol1));
  }
  TCell* BlockCell = ItemAs<TBlock>(B->Item()) ? B : A;
  TGFlatVector Place = Centre(BlockCell->RowCol());
  if (FindGraphic("Game\\Match\\MatchScreen\\PortalEffect.ani")) {
    FS = NewAnimation();
    FS->SetOwner(this);
    AddPicture(FS, "Game\\Match\\MatchScreen\\PortalEffect.ani", Place, true);
  }
  AProcessor->PlaySound("Match\\Teleport.ogg");
  LockCell(A);
  LockCell(B);
}

void TTeleportItemsTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  if (FS && !FS->IsFinished()) {
    FS->Update(Seconds);
  }
  if (AllAnimationsEnded() && (!FS || FS->IsFinished())) {
    Finish();
  }
}

void TTeleportItemsTask::Destroy() {
  StopAnimations();
  FreeAndNil(FS);
  UnlockCells();
  for (TItem* Item : {FItem1, FItem2}) {
    if (Item) {
      Item->MakeStatic();
    }
  }
  TTaskProcessor* Processor = TaskProcessor();
  if (Processor && !Processor->IsClosing()) {
    for (TItem* Item : {FItem1, FItem2}) {
      if (auto* Bonus = ItemAs<TBonusItem>(Item)) {
        Bonus->Explode(nullptr);
      }
    }
  }
  inherited::Destroy();
}

// --- TChangeGemKindTask ------------------------------------------------------------------------

TChangeGemKindTask::TChangeGemKindTask(TTaskProcessor* AProcessor, TCell* ACell, int32_t Kind)
    : TBoardTask(AProcessor)
    , FCell(ACell) {
  auto* Gem = ItemAs<TGem>(FCell->Item());
  if (!Gem) {
    Finish();
    return;
  }
  LockCell(FCell);
  std::string Old = Gem->GetStaticGfx();
  Gem->SetKind(Kind);
  Gem->MakeStatic();
  TGFlatVector Place = Centre(FCell->RowCol());
  TGAnimation* A = NewAnimation();
  TGLivePicture* Before = AddPicture(A, Old, Place);
  Before->Alpha()->SetRealValue(0, 1);
  Before->Alpha()->SetRealValue(CFadeTime, 0);
  TGLivePicture* After = AddPicture(A, Gem->GetStaticGfx(), Place);
  After->Alpha()->SetRealValue(0, 0);
  After->Alpha()->SetRealValue(CFadeTime, 1);
  Animate(Gem, A);
}

void TChangeGemKindTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  if (AllAnimationsEnded()) {
    Finish();
  }
}

void TChangeGemKindTask::Destroy() {
  StopAnimations();
  if (FCell->Item()) {
    FCell->Item()->MakeStatic();
  }
  inherited::Destroy();
}
