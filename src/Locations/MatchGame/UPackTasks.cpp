#include "Locations/MatchGame/UPackTasks.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UColumnPacker.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/UTaskAnimations.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "base/UGRandom.h"
#include "object/UGClassBuilder.h"

#include <cmath>

G_IMPLEMENT_CLASS(TPackBoardTask)
G_IMPLEMENT_CLASS(TPackColumnTask)
G_IMPLEMENT_CLASS(TInitializeBoardTask)
G_IMPLEMENT_CLASS(TBloksTask)
G_IMPLEMENT_CLASS(TArrivalBlockTask)
G_IMPLEMENT_CLASS(TShuffleItemsTask)

using namespace TaskAnimations;

namespace {

// The landing sound starts this long before a fall ends.
constexpr int32_t CFallSoundLead = 300;
constexpr int32_t CShuffleTime = 1000;
constexpr int32_t CArrivalKeys = 8;

float RandomIn(float From, float To) {
  return From + static_cast<float>(Random()) * (To - From);
}

} // namespace

// --- TPackBoardTask ----------------------------------------------------------------------------

void TPackBoardTask::Update(float Seconds) {
  (void)Seconds;
  TTaskProcessor* Processor = TaskProcessor();
  if (!FEnabled || !Processor || !Processor->Board()) {
    return;
  }
  std::bitset<256> Rows;
  for (TTask* Task : Processor->Tasks()) {
    auto* T = TryObjectCast<TBoardTask>(Task);
    int32_t Row = T && !T->IsFinished() ? T->BlockedRow() : -1;
    if (Row >= 0 && Row < 256) {
      Rows.set(static_cast<size_t>(Row));
    }
  }
  for (int32_t Col = 0; Col < CBoardSize; ++Col) {
    new TPackColumnTask(Processor, Col, Rows);
  }
}

// --- TPackColumnTask ---------------------------------------------------------------------------

TPackColumnTask::TPackColumnTask(TTaskProcessor* AProcessor, int32_t AColumn,
                                 const std::bitset<256>& ASetOfRows)
    : TBoardTask(AProcessor)
    , FSetOfRows(ASetOfRows)
    , FColumn(AColumn) {
  TBoard* B = Board();
  TColumnPacker Packer(*B, FColumn, FSetOfRows);
  std::vector<TItemFall> Moves;
  Packer.Fall(Moves);
  Packer.Refill(Moves);
  FBlockToSocket = Packer.BlockToSocket();
  const float Speed = static_cast<float>(B->Logic()->Config().GemFallSpeed);
  for (const TItemFall& Move : Moves) {
    TCell* Cell = B->GetCell(Move.ToRow, FColumn);
    LockCell(Cell);
    Move.Item->MakeStatic();
    FItems.push_back(Move.Item);
    FFalls.push_back(TFall{Move.Item, Cell, false});
    Animate(Move.Item,
            NewFallAnimation(Move.Item->GetStaticGfx(), CellCentre(Move.FromRow, FColumn),
                             CellCentre(Move.ToRow, FColumn), Speed * RandomIn(1.5f, 1.55f)));
  }
  if (FFalls.empty()) {
    Finish(); // nothing to do: the processor frees it at once
  }
}

void TPackColumnTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  for (TFall& Fall : FFalls) {
    TGAnimation* A = AnimationOf(Fall.Item);
    if (!Fall.SoundPlayed && A && A->ElapsedTime() >= A->TotalTime() - CFallSoundLead) {
      Fall.SoundPlayed = true;
      TaskProcessor()->PlaySound("Match\\GemFall01.ogg");
    }
  }
  std::vector<TFall> Falling;
  for (const TFall& Fall : FFalls) {
    if (AnimationEnded(Fall.Item)) {
      Land(Fall);
    } else {
      Falling.push_back(Fall);
    }
  }
  FFalls.swap(Falling);
  if (FFalls.empty()) {
    Finish();
  }
}

void TPackColumnTask::Land(const TFall& Fall) {
  StopAnimation(Fall.Item);
  Fall.Item->MakeStatic();
  std::erase(FItems, Fall.Item);
  if (Holds(Fall.Cell)) {
    UnlockCell(Fall.Cell);
  }
}

void TPackColumnTask::Destroy() {
  while (!FFalls.empty()) {
    TFall Fall = FFalls.back();
    FFalls.pop_back();
    Land(Fall);
  }
  TTaskProcessor* Processor = TaskProcessor();
  if (FBlockToSocket && Processor && !Processor->IsClosing()) {
    Processor->PlaySound("Match\\StoneOnTarget.ogg");
  }
  inherited::Destroy();
}

// --- TInitializeBoardTask ----------------------------------------------------------------------

TInitializeBoardTask::TInitializeBoardTask(TTaskProcessor* AProcessor)
    : TBoardTask(AProcessor) {
  TBoard* B = Board();
  const float Tail = static_cast<float>(B->Logic()->Config().GemTailSpeed);
  for (int32_t Row = CBoardSize - 1; Row >= 0; --Row) {
    for (int32_t Col = 0; Col < CBoardSize; ++Col) {
      TCell* Cell = B->GetCell(Row, Col);
      if (Cell->IsHole() || Cell->Item()) {
        continue;
      }
      TItem* Item = B->Logic()->CreateItem(B, Cell->RowCol());
      Cell->SetItem(Item);
      FItems.push_back(Item);
      LockCell(Cell);
      // The item comes from afar, farther for the cells away from the top middle.
      const float DX = static_cast<float>(Col * CCellSize - 164);
      const float DY = static_cast<float>(Row * CCellSize - 410);
      const float L = std::sqrt(DX * DX + DY * DY);
      const float UX = std::fabs(DX) / L;
      const float UY = std::fabs(DY) / L;
      const float R1 = RandomIn(0, 500);
      const float R2 = RandomIn(0, 500);
      const float X = DX < 0 ? UX * (5 * DX - R1 - 3 * Tail) : UX * (R1 + 5 * DX + 3 * Tail);
      const float Y = UY * (5 * DY - R2 - 3 * Tail);
      TGFlatVector To = CellCentre(Row, Col);
      TGFlatVector From{To.X + std::round(X), To.Y + std::round(Y)};
      Animate(Item, NewFallAnimation(Item->GetGfxPrefix() + "Tail.ani", From, To,
                                     Tail * RandomIn(1, 1.005f)));
    }
  }
  if (FItems.empty()) {
    Finish();
  }
}

void TInitializeBoardTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  if (AllAnimationsEnded()) {
    Complete();
  }
}

void TInitializeBoardTask::Complete() {
  StopAnimations();
  for (TItem* Item : FItems) {
    Item->MakeStatic();
  }
  FItems.clear();
  UnlockCells();
  Finish();
}

// --- TBloksTask --------------------------------------------------------------------------------

void TBloksTask::Update(float Seconds) {
  (void)Seconds;
  if (TTaskProcessor* Processor = TaskProcessor(); Processor && Processor->Board()) {
    Processor->CollectBlocks();
  }
}

// --- TArrivalBlockTask -------------------------------------------------------------------------

TArrivalBlockTask::TArrivalBlockTask(TTaskProcessor* AProcessor, TCell* ACell, int32_t ABlockIdx)
    : TBoardTask(AProcessor)
    , FCell(ACell)
    , FBlockIdx(ABlockIdx) {
  LockCell(FCell);
  const TGFlatVector Place = CellCentre(FCell->RowCol().Row, FCell->RowCol().Col);
  TGAnimation* A = NewAnimation(Board()->Logic()->Config().BlockArrivalSpeedKft);
  const TGFlatVector Start{-300, -100};
  const TGFlatVector End{Place.X, Place.Y - 20};
  TGLivePicture* Comet = AddPicture(A, "Game\\Match\\Stuff\\Comet02.ani", Start, true);
  for (int32_t K = 0; K < CArrivalKeys; ++K) {
    float F = static_cast<float>(K) / (CArrivalKeys - 1);
    KeyPlace(Comet, K * 100,
             TGFlatVector{Start.X + F * (End.X - Start.X), Start.Y + F * F * (End.Y - Start.Y)});
  }
  if (TItem* Item = FCell->Item()) {
    KeyPlace(AddPicture(A, Item->GetStaticGfx(), Place), (CArrivalKeys - 1) * 100, Place);
    Animate(Item, A);
  } else {
    // Nothing stands on the cell: the task keeps the comet itself.
    Animate(nullptr, A);
  }
  AProcessor->PlaySound("Match\\CubeFlyIn.ogg");
}

void TArrivalBlockTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  if (AllAnimationsEnded()) {
    Finish();
  }
}

void TArrivalBlockTask::Destroy() {
  StopAnimations();
  TTaskProcessor* Processor = TaskProcessor();
  if (Processor && !Processor->IsClosing()) {
    Processor->PlaySound("Match\\CubeAppear.ogg");
    if (Holds(FCell)) {
      UnlockCell(FCell);
    }
    TBoard* B = Board();
    if (TItem* Old = FCell->Item()) {
      FCell->SetItem(nullptr);
      Old->SetCell(nullptr);
      Old->Free();
    }
    TItem* Block = B->Logic()->CreateBlock(B, FBlockIdx);
    FCell->SetItem(Block);
    Block->MakeStatic();
    for (TCell* C : B->Cells()) {
      if (C->HasFlag(cfBlockSocket)) {
        C->RefreshGraphics();
      }
    }
  }
  inherited::Destroy();
}

// --- TShuffleItemsTask -------------------------------------------------------------------------

TShuffleItemsTask::TShuffleItemsTask(TTaskProcessor* AProcessor)
    : TBoardTask(AProcessor) {
  TBoard* B = Board();
  B->RemoveBlinkingStar();
  FTime = CShuffleTime / 1000.0f;
  for (TCell* C : B->Cells()) {
    if (!C->IsHole() && !C->IsLocked() && ItemAs<TGem>(C->Item())) {
      FListed.push_back(C);
    }
  }
  std::vector<std::pair<TCell*, TCell*>> Exchanged;
  B->ShuffleExchange(Exchanged);
  auto Fly = [this](TCell* From, TCell* To) {
    TItem* Item = To->Item();
    TGFlatVector P0 = CellCentre(From->RowCol().Row, From->RowCol().Col);
    TGFlatVector P1 = CellCentre(To->RowCol().Row, To->RowCol().Col);
    TGFlatVector Mid{(P0.X + P1.X) / 2 + RandomIn(-100, 100),
                     (P0.Y + P1.Y) / 2 + RandomIn(-100, 100)};
    TGAnimation* A = NewAnimation();
    TGLivePicture* P = AddPicture(A, Item->GetShuffleGfx(), P0);
    KeyPlace(P, CShuffleTime / 2, Mid);
    KeyPlace(P, CShuffleTime, P1);
    for (auto [Time, Scale] :
         {std::pair{0, 1.0f}, {CShuffleTime / 2, 0.8f}, {CShuffleTime, 1.0f}}) {
      P->ScaleX()->SetRealValue(Time, Scale);
      P->ScaleY()->SetRealValue(Time, Scale);
    }
    P->Angle()->SetRealValue(0, 0);
    P->Angle()->SetRealValue(CShuffleTime, 360);
    Item->SetGraphic(Item->GetShuffleGfx());
    Animate(Item, A);
  };
  for (auto& [A, C] : Exchanged) {
    Fly(C, A); // the item now on A came from C
    Fly(A, C);
  }
  for (TCell* C : FListed) {
    LockCell(C);
  }
}

void TShuffleItemsTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  FElapsedTime += Seconds;
  if (FElapsedTime > FTime) {
    Finish();
  }
}

void TShuffleItemsTask::Destroy() {
  StopAnimations();
  for (TCell* C : FListed) {
    if (C->Item()) {
      C->Item()->MakeStatic();
    }
  }
  inherited::Destroy();
}
