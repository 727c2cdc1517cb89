#include "Locations/MatchGame/UGameLogic.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardActions.h"
#include "Locations/MatchGame/UBonusItems.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/UMatchScreen.h"
#include "Locations/MatchGame/UMatchStates.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "Locations/MatchGame/UTriggerEffects.h"
#include "base/UGRandom.h"
#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "player/UPlayer.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <climits>
#include <cmath>

G_IMPLEMENT_CLASS(TGameLogic)

namespace {

// Line and cross bonuses activated before the next new item is a dice bonus.
constexpr int32_t CBonusesPerDice = 3;
// The shown score runs after the score at this many points per second.
constexpr float CScoreSpeed = 500;
// Seconds without a move before the board is shuffled.
constexpr float CNoMovesDelay = 5;
// Blocks that come in one level, and the row a block must pass before the next one comes.
constexpr int32_t CMaxBlocks = 4;
constexpr int32_t CSpawnClearRow = 5;
// A drag of this many pixels swaps.
constexpr int32_t CDragStep = 20;

int32_t Sign(int32_t V) {
  return (V > 0) - (V < 0);
}

bool IsSelectable(const TCell* C) {
  return ItemAs<TSelectableItem>(C->Item()) != nullptr;
}

} // namespace

TGameLogic::TGameLogic(TGObject* AOwner, int32_t ALevel, TGXMLNode* ALevelXML,
                       const TGameLogicStartupInfo& Info, const TMatchConfig& AConfig)
    : TBoardLogic(AOwner, AConfig)
    , FLevel{ALevel}
    , FLevelXML(ALevelXML)
    , FBoard(new TBoard(this, this))
    , FScore(Info.Score)
    , FCurrentScore(static_cast<float>(Info.Score))
    , FIsRunPlay(Info.IsRunPlay)
    , FIsAfterFailed(Info.IsAfterFailed)
    , FScreen(dynamic_cast<TMatchScreen*>(AOwner)) {
  if (TGWidget* Panel = BoardPanel()) {
    Panel->SetVisible(false);
  }
}

void TGameLogic::AfterConstruction() {
  inherited::AfterConstruction();
  FStateQueue = new Match3::TStateQueue(this);
  // On the match screen every change of the board is animated, the first fill too.
  if (FScreen) {
    FBoard->SetActions(new TTaskProcessor());
  }
  if (FLevelXML) {
    LoadFromXML(*FLevelXML);
  }
  FPercentOfSpawnBlock = FConfig.PercentOfSpawnBlock;
  if (FConfig.GemAppearanceType == 1) {
    FBoard->Actions()->InitializeBoard();
  }
  DoStartLevel();
  UpdateLevelTitle();
}

// --- Loading -----------------------------------------------------------------------------------

void TGameLogic::LoadFromXML(const TGXMLNode& Node) {
  std::string GemSet = Node.GetStrAttrDef("GemSet", "");
  for (char C : GemSet) {
    if (C < '1' || C > '9') {
      throw BoardRangeError("The gem set \"%s\" holds a kind outside 1..9", GemSet);
    }
  }
  FGemSet = GemSet;
  SetIsLockedBlockSocket(Node.GetBoolAttrDef("IsLockedBlockSocket", false));
  int32_t TotalTime = LevelIntAttr(Node, "TotalTime");
  if (TotalTime < 0) {
    throw BoardRangeError("TotalTime %d is negative", TotalTime);
  }
  auto OnTimeLine = [TotalTime](int32_t T) {
    return static_cast<float>(std::clamp(T, 0, TotalTime));
  };
  FTimeLine.Max = static_cast<float>(TotalTime);
  FTimeLine.Position = OnTimeLine(LevelIntAttrDef(Node, "CurrentTime", TotalTime));
  FInitTimeLinePosition = OnTimeLine(LevelIntAttrDef(Node, "CurrentTime", 0));
  int32_t Spawned = LevelIntAttrDef(Node, "BlockWasSpawned", 0);
  if (Spawned < 0) {
    throw BoardRangeError("BlockWasSpawned %d is negative", Spawned);
  }
  FBlockSpawned = Spawned;
  TGXMLCollection* Boards = Node.GetChilds("Board");
  if (Boards->GetCount() > 0) {
    FBoard->LoadFromXML(*Boards->GetItem(0));
  }
  LoadBoardFromXML(Node);
}

// --- The rules the board asks for --------------------------------------------------------------

void TGameLogic::SetIsLockedBlockSocket(bool Value) {
  inherited::SetIsLockedBlockSocket(Value);
  FLockedSocketKind = GetRandomGemKind();
}

int32_t TGameLogic::GetRandomGemKind() const {
  if (FGemSet.empty()) {
    return 0;
  }
  return FGemSet[static_cast<size_t>(Random(static_cast<int32_t>(FGemSet.size())))] - '0';
}

bool TGameLogic::IsGemOfKind(TRowCol RowCol, int32_t Kind) const {
  auto* Gem = ItemAs<TGem>(FBoard->GetCell(RowCol)->Item());
  return Gem && Gem->Kind() == Kind;
}

bool TGameLogic::CompletesLine(TRowCol RC, int32_t Kind) const {
  bool Below = RC.Row < CBoardSize - 2 && IsGemOfKind(RC + StepDown, Kind) &&
               IsGemOfKind(RC + StepDown + StepDown, Kind);
  bool Left = RC.Col >= 2 && IsGemOfKind(RC + StepLeft, Kind) &&
              IsGemOfKind(RC + StepLeft + StepLeft, Kind);
  return Below || Left;
}

// The kinds are tried through the set from a random digit on, so that every kind of the set is
// tried once whatever the digits are.
TItem* TGameLogic::CreateItem(TGObject* AOwner, TRowCol RowCol) {
  if (FDiceAppearCounter >= CBonusesPerDice) {
    FDiceAppearCounter = 0;
    PlaySound("Match\\DiceBonusAppear.ogg");
    return New<TDiceBonus>(AOwner);
  }
  if (FGemSet.empty()) {
    throw Error("The level has no gem kinds to fill cell (%d, %d) with", RowCol.Row, RowCol.Col);
  }
  auto Count = static_cast<int32_t>(FGemSet.size());
  int32_t Start = Random(Count);
  for (int32_t Try = 0; Try < Count; ++Try) {
    int32_t Kind = FGemSet[static_cast<size_t>((Start + Try) % Count)] - '0';
    if (!CompletesLine(RowCol, Kind)) {
      auto* Gem = New<TGem>(AOwner);
      Gem->SetKind(Kind);
      return Gem;
    }
  }
  throw Error("Every gem kind of \"%s\" would complete a line at cell (%d, %d)", FGemSet,
              RowCol.Row, RowCol.Col);
}

TItem* TGameLogic::CreateBlock(TGObject* AOwner, int32_t BlockIdx) {
  auto* Block = New<TBlock>(AOwner);
  Block->SetBlockIdx(BlockIdx);
  return Block;
}

void TGameLogic::OnActivateBonus(TBonusItem* Bonus) {
  if (ItemAs<TLineBonus>(Bonus) || ItemAs<TCrossBonus>(Bonus)) {
    ++FDiceAppearCounter;
  }
}

void TGameLogic::OnExplodeItem(TItem* Item) {
  if (auto* Bonus = ItemAs<TBonusItem>(Item)) {
    IncreaseScore(Bonus->GetExplosionPoints(), Bonus->Cell()->Centre());
  }
  SpawnBricks(Item);
}

void TGameLogic::OnCollectBlock(TItem* Block) {
  (void)Block;
  ++FBlocksCollected;
  if (OnBlockCollected) {
    OnBlockCollected(this);
  }
}

// --- Resolution --------------------------------------------------------------------------------

TItem* TGameLogic::CreateBonusFor(int32_t Count) {
  if (Count == 4) {
    PlaySound("Match\\LineBonusAppear.ogg");
    return New<TLineBonus>(FBoard);
  }
  if (Count >= 5 && Count <= 10) {
    PlaySound("Match\\CrossBonusAppear.ogg");
    return New<TCrossBonus>(FBoard);
  }
  if (FBoard->IsAllHeadsDown()) {
    return New<TDiceBonus>(FBoard);
  }
  return nullptr;
}

// The centre of the rectangle the cells' items cover.
TGFlatVector TGameLogic::MatchCentre(const std::vector<TCell*>& Cells) const {
  TGPoint Min = Cells.front()->Position();
  TGPoint Max = Min;
  for (const TCell* C : Cells) {
    TGPoint P = C->Position();
    Min = TGPoint{std::min(Min.X, P.X), std::min(Min.Y, P.Y)};
    Max = TGPoint{std::max(Max.X, P.X), std::max(Max.Y, P.Y)};
  }
  return TGFlatVector{static_cast<float>(Min.X + Max.X + CCellSize) / 2,
                      static_cast<float>(Min.Y + Max.Y + CCellSize) / 2};
}

void TGameLogic::ResolveMatch(std::vector<TCell*> Cells, TRowCol Bonus1, TRowCol Bonus2) {
  std::erase_if(Cells, [](const TCell* C) { return !C->Item(); });
  if (Cells.empty()) {
    return;
  }
  auto Count = static_cast<int32_t>(Cells.size());
  FNoMatchesTimer = 0;
  FBoard->RemoveBlinkingStar();
  TItem* Bonus = CreateBonusFor(Count);
  PlaySound("Match\\Match.ogg");
  UnlockBlockSocket(Cells);
  IncreaseScore(FConfig.PointsForMatch(Count), MatchCentre(Cells));
  // The bonus goes to the last of the preferred cells in the match, else to its first cell.
  TCell* BonusCell = Cells.front();
  for (TCell* C : Cells) {
    if (C->RowCol() == Bonus1 || C->RowCol() == Bonus2) {
      BonusCell = C;
    }
  }
  for (TCell* C : Cells) {
    auto* Item = ItemAs<TSelectableItem>(C->Item());
    if (!Item) {
      continue;
    }
    TItem* Replacement = C == BonusCell ? Bonus : nullptr;
    Item->Explode(Replacement);
    if (Replacement) {
      Bonus = nullptr;
    }
  }
  if (Bonus) {
    Bonus->Free(); // its cell held nothing that could explode
  }
}

void TGameLogic::UnlockBlockSocket(const std::vector<TCell*>& Cells) {
  if (std::any_of(Cells.begin(), Cells.end(),
                  [](const TCell* C) { return ItemAs<TBonusItem>(C->Item()); })) {
    return;
  }
  TCell* Socket = nullptr;
  bool KindMatches = false;
  for (TCell* C : Cells) {
    if (C->HasFlag(cfBlockSocket) && C->Density() < 1) {
      Socket = C;
      auto* Gem = ItemAs<TGem>(C->Item());
      KindMatches = KindMatches || (Gem && Gem->Kind() == FLockedSocketKind);
    }
  }
  if (!Socket || !KindMatches || !FBoard->IsBlockHere()) {
    return;
  }
  if (Socket->HasFlag(cfLockSocket)) {
    PlaySound("Match\\Unlock02.ogg");
  }
  Socket->ExcludeFlag(cfLockSocket);
}

// --- Score -------------------------------------------------------------------------------------

// The score stays within its 32 bits whatever the points of the configuration.
void TGameLogic::IncreaseScore(int32_t Points, TGFlatVector Position) {
  FScore = static_cast<int32_t>(
      std::clamp<int64_t>(static_cast<int64_t>(FScore) + Points, INT32_MIN, INT32_MAX));

  FBoard->Actions()->ShowPoints(Points, IntToStrSeparatedEx(Points, FConfig.ThousandsSeparator),
                                Position);
}

void TGameLogic::UpdateScore(float Seconds) {
  auto Target = static_cast<float>(FScore);
  float Step = CScoreSpeed * Seconds;
  if (FCurrentScore < Target) {
    FCurrentScore = std::min(FCurrentScore + Step, Target);
  } else {
    FCurrentScore = std::max(FCurrentScore - Step, Target);
  }
}

// --- The level's course ------------------------------------------------------------------------

TGWidget* TGameLogic::BoardPanel() const {
  return FScreen ? FScreen->BoardPanel() : nullptr;
}

Match3::TState* TGameLogic::State() const {
  return FStateQueue ? FStateQueue->State() : nullptr;
}

bool TGameLogic::IsPlaying() const {
  Match3::TState* S = State();
  return S && !S->IsFinished() && S->InheritsFrom(Match3::TPlayState::StaticClass());
}

void TGameLogic::EndPlay() {
  if (IsPlaying()) {
    State()->Finish();
  }
}

bool TGameLogic::IsCheatsEnabled() const {
  return CurrentPlayer && CurrentPlayer->Cheats();
}

void TGameLogic::Update(float Seconds) {
  FPlayTimer += Seconds;
  TGWidget* Panel = BoardPanel();
  if (!FScreen || (Panel && Panel->Visible())) {
    FBoard->Update(Seconds);
  }
  FStateQueue->Update(Seconds);
  UpdateBlocks();
  UpdateScore(Seconds);
}

void TGameLogic::DoStartLevel() {
  FPlayTimer = 0;
  if (FScreen) {
    new Match3::TShowTimeLineState(FStateQueue);
    new Match3::TTimeLineState(FStateQueue, FInitTimeLinePosition);
    new Match3::TInitializeBoardState(FStateQueue);
  } else {
    FTimeLine.Position = FInitTimeLinePosition;
  }
  DoPlay();
}

void TGameLogic::DoPlay() {
  FIsLevelCompleted = false;
  FNoMovesTimer = 0;
  new Match3::TPlayState(FStateQueue);
}

// Each state goes in front of the next playing state; the playing state that was running is
// replaced by a new one behind the pause.
void TGameLogic::DoPause() {
  if (FStateQueue->IsPauseStateInQueue()) {
    return;
  }
  bool WasPlaying = IsPlaying();
  EndPlay();
  new Match3::TFadeBoardState(FStateQueue);
  FStateQueue->InsertLastStateBeforePlayState();
  new Match3::TDelayState(FStateQueue, 0.3f);
  FStateQueue->InsertLastStateBeforePlayState();
  new Match3::TInitializeBoardState(FStateQueue);
  FStateQueue->InsertLastStateBeforePlayState();
  if (WasPlaying) {
    new Match3::TPlayState(FStateQueue);
    FStateQueue->InsertLastStateBeforePlayState();
  }
}

void TGameLogic::DoEndLevel(bool Complete) {
  EndPlay();
  FIsLevelEnded = true;
  FEndingReason = Complete ? lerComplete : lerFailed;
  new Match3::THideTimeLineState(FStateQueue);
  new Match3::TLevelEndedState(FStateQueue, Complete ? lerComplete : lerFailed);
}

// A level completed on the board solves the puzzle as collecting the blocks does.
void TGameLogic::DoLevelComplete() {
  DoEndLevel(true);
  FIsCompleted = true;
}

// The failed state sets IsFailed when it is entered.
void TGameLogic::DoLevelFail() {
  EndPlay();
  FIsLevelEnded = true;
  FEndingReason = lerFailed;
  new Match3::THideTimeLineState(FStateQueue);
  new Match3::TFailedState(FStateQueue);
}

// The shuffle state shuffles the board when it ends and queues the next playing state.
void TGameLogic::DoShuffleBoard() {
  PlaySound("Match\\Shuffle.ogg");
  new Match3::TShuffleBoardState(FStateQueue);
  FStateQueue->InsertLastStateBeforePlayState();
}

void TGameLogic::DoHint() {
  FBoard->Actions()->ShowHint();
}

void TGameLogic::NoMoves() {
  EndPlay();
  DoShuffleBoard();
}

void TGameLogic::PlaySound(std::string_view URL) {
  FBoard->Actions()->PlaySound(URL);
}

// --- The player --------------------------------------------------------------------------------

void TGameLogic::BoardMouseDown(TGPoint Point) {
  if (!IsPlaying()) {
    return;
  }
  FPressPoint = Point;
  FBlinkTimer = 0;
  TBoardActions* Actions = FBoard->Actions();
  TCell* Selected = Actions->SelectedCell();
  TRowCol RC = GetCellIJ(Point);
  if (Selected && RC == Selected->RowCol()) {
    Actions->Deselect();
    PlaySound("Match\\GemSelect.ogg");
    return;
  }
  if (!RC.InsideBoard()) {
    return;
  }
  TCell* Cell = FBoard->GetCell(RC);
  if (Cell->IsLocked() || !IsSelectable(Cell)) {
    return;
  }
  PlaySound("Match\\GemSelect.ogg");
  if (Selected) {
    TRowCol S = Selected->RowCol();
    if (std::abs(S.Row - RC.Row) + std::abs(S.Col - RC.Col) == 1) {
      Actions->Deselect();
      Actions->SwapItems(S, RC);
      return;
    }
  }
  Actions->Select(Cell);
}

void TGameLogic::BoardMouseMove(TGPoint Point, bool PrimaryDown) {
  FMousePoint = Point;
  FMouseOnBoard = true;
  TBoardActions* Actions = FBoard->Actions();
  TCell* Selected = Actions->SelectedCell();
  if (!IsPlaying() || !PrimaryDown || !Selected) {
    return;
  }
  int32_t DX = Sign((Point.X - FPressPoint.X) / CDragStep);
  int32_t DY = Sign((Point.Y - FPressPoint.Y) / CDragStep);
  if ((DX != 0) == (DY != 0)) {
    return;
  }
  TRowCol S = Selected->RowCol();
  TRowCol N = S + TRowCol{DY, DX};
  if (!N.InsideBoard()) {
    return;
  }
  TCell* Cell = FBoard->GetCell(N);
  if (Cell->IsLocked() || !IsSelectable(Cell)) {
    return;
  }
  Actions->Deselect();
  Actions->SwapItems(S, N);
}

// --- The frame of play -------------------------------------------------------------------------

void TGameLogic::Play(float Seconds) {
  if (FIsCompleted) {
    EndPlay();
    return;
  }
  bool Found = !FBoard->Actions()->IsSwapRunning() && CheckMatch();
  if (Found) {
    FNoMovesTimer = 0;
  } else {
    CheckNoMoves(Seconds);
    if (!IsPlaying()) {
      return; // the board is being shuffled
    }
  }
  CheckStartTrigger();
  CheckPortals();
  CheckLevelCompletion();
  CheckBoardBlink(Seconds);
  if (FIsLevelCompleted && FBoard->IsStill()) {
    EndPlay();
    DoLevelComplete();
    return;
  }
  FTimeLine.Position = std::min(FTimeLine.Position + Seconds, FTimeLine.Max);
  if (FTimeLine.Position >= FTimeLine.Max && FBoard->IsStill()) {
    EndPlay();
    DoLevelFail();
    return;
  }
  HoverBlink(Seconds);
}

void TGameLogic::CheckBoardBlink(float Seconds) {
  FBlinkTimer += Seconds;
  if (FConfig.BoardBlinkDelay <= 0 || FBlinkTimer <= FConfig.BoardBlinkDelay) {
    return;
  }
  FBlinkTimer = 0;
  const float MaxDistance = std::sqrt(40.5f);
  const int32_t Form = Random(3);
  for (TCell* C : FBoard->Cells()) {
    if (!ItemAs<TGem>(C->Item())) {
      continue;
    }
    const TRowCol RC = C->RowCol();
    const float Distance =
        std::hypot(static_cast<float>(RC.Row) - 4.5f, static_cast<float>(RC.Col) - 4.5f);
    const float Wave = Form == 0   ? static_cast<float>(RC.Row + RC.Col)
                       : Form == 1 ? Distance
                                   : MaxDistance - Distance;
    FBoard->Actions()->BlinkItem(C, FConfig.BlinkAnimationStepSpeed * Wave);
  }
}

void TGameLogic::HoverBlink(float Seconds) {
  TCell* Hovered = nullptr;
  if (FMouseOnBoard && GetCellIJ(FMousePoint).InsideBoard()) {
    Hovered = FBoard->GetCell(GetCellIJ(FMousePoint));
  }
  if (Hovered && !Hovered->IsLocked() && Hovered->Item() && !Hovered->Item()->IsHighlighted()) {
    FBoard->Actions()->BlinkItem(Hovered, 0);
  }
  for (TCell* C : FBoard->Cells()) {
    TItem* Item = C->Item();
    if (!Item || !Item->IsHighlighted()) {
      continue;
    }
    Item->AdvanceHighlight(Seconds * FConfig.BlinkAnimationSpeed);
    if (C != Hovered && Item->HighlightTime() > 1.0f) {
      Item->MakeStatic();
    }
  }
}

// Only cells that lie in a line can have a match; those are found for the whole board first.
bool TGameLogic::CheckMatch() {
  std::array<bool, CBoardSize * CBoardSize> InLine;
  FBoard->MarkLines(InLine);
  bool Found = false;
  for (size_t I = 0; I < InLine.size(); ++I) {
    TCell* C = FBoard->Cells()[I];
    if (!InLine[I] || C->IsHole() || !FBoard->GetMatch(C->RowCol(), FMatchCells)) {
      continue;
    }

    Found = true;
    FBoard->Actions()->ExplodeItems(FMatchCells, FMatchCells[0]->RowCol(),
                                    FMatchCells[1]->RowCol());
  }
  return Found;
}

bool TGameLogic::IsBonusOnBoard() const {
  const auto& Cells = FBoard->Cells();
  return std::any_of(Cells.begin(), Cells.end(),
                     [](const TCell* C) { return ItemAs<TBonusItem>(C->Item()); });
}

void TGameLogic::CheckNoMoves(float Seconds) {
  TRowCol Cell;
  TRowCol Neighbour;
  if (!FBoard->IsStill() || IsBonusOnBoard() || FBoard->FindMatch(Cell, Neighbour, false)) {
    FNoMovesTimer = 0;
    return;
  }
  FNoMovesTimer += Seconds;
  if (FNoMovesTimer > CNoMovesDelay) {
    FNoMovesTimer = 0;
    NoMoves();
  }
}

void TGameLogic::CheckStartTrigger() {
  TTriggerEffects* Effects = FBoard->TriggerEffects();
  if (!FBoard->IsStill() || Effects->IsExecuted() || !FBoard->IsCleared()) {
    return;
  }
  for (TCell* C : FBoard->Cells()) {
    if (C->HasFlag(cfTrigger) && ItemAs<TBlock>(C->Item())) {
      Effects->ExecuteEffecte();
      C->ExcludeFlag(cfTrigger);
      return;
    }
  }
}

void TGameLogic::CheckPortals() {
  if (!FBoard->IsStill()) {
    return;
  }
  auto HoldsBlock = [](const TCell* C) { return ItemAs<TBlock>(C->Item()); };
  for (TCell* C : FBoard->Cells()) {
    if (C->HasFlag(cfPassivePortal) && !HoldsBlock(C)) {
      TCellFlags Flags = C->Flags();
      Flags.Exclude(cfPassivePortal);
      Flags.Include(cfActivePortal);
      C->SetFlags(Flags);
    }
  }
  TCell* Entrance = nullptr;
  TCell* Exit = nullptr;
  for (TCell* C : FBoard->Cells()) {
    if (!C->HasFlag(cfActivePortal)) {
      continue;
    }
    if (HoldsBlock(C)) {
      Entrance = Entrance ? Entrance : C;
    } else {
      Exit = C;
    }
  }
  // Without a free portal the block stays where it is.
  if (!Entrance || !Exit) {
    return;
  }
  FBoard->Actions()->TeleportItems(Exit, Entrance);
  TCellFlags Flags = Exit->Flags();
  Flags.Exclude(cfActivePortal);
  Flags.Include(cfPassivePortal);
  Exit->SetFlags(Flags);
}

bool TGameLogic::IsBlockOnSocket() const {
  const auto& Cells = FBoard->Cells();
  return std::any_of(Cells.begin(), Cells.end(), [](const TCell* C) {
    return C->HasFlag(cfBlockSocket) && ItemAs<TBlock>(C->Item());
  });
}

void TGameLogic::CheckLevelCompletion() {
  TBoardActions* Actions = FBoard->Actions();
  Actions->SuspendSelection();
  if (FBoard->IsStill() && FBoard->IsCleared() && IsBlockOnSocket()) {
    FIsLevelCompleted = true;
    Actions->Deselect();
  } else {
    Actions->ReviveSelection();
  }
}

void TGameLogic::UpdateBlocks() {
  if (FBlockSpawned >= CMaxBlocks) {
    return;
  }
  if (FBlockSpawned > 0) {
    TCell* Previous = FBoard->GetBlockCell(FBlockSpawned - 1);
    if (Previous && Previous->RowCol().Row < CSpawnClearRow) {
      return;
    }
  }
  if (FBoard->PercentOfCleared() >= FPercentOfSpawnBlock && FBoard->IsStill()) {
    FBoard->SpawnBlock(1, FBlockSpawned);
    ++FBlockSpawned;
  }
}
