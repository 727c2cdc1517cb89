#include "Locations/MatchGame/UMatchStates.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardActions.h"
#include "Locations/MatchGame/UBonusItems.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UGameLogic.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/UMatchScreen.h"
#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"
#include "widgets/UGWindowHost.h"

#include <algorithm>

namespace Match3 {

G_IMPLEMENT_CLASS(TState)
G_IMPLEMENT_CLASS(TStateQueue)
G_IMPLEMENT_CLASS(TGameState)
G_IMPLEMENT_CLASS(TDelayState)
G_IMPLEMENT_CLASS(TTimeLineState)
G_IMPLEMENT_CLASS(TShowTimeLineState)
G_IMPLEMENT_CLASS(THideTimeLineState)
G_IMPLEMENT_CLASS(TFailedState)
G_IMPLEMENT_CLASS(TLevelEndedState)
G_IMPLEMENT_CLASS(TShuffleBoardState)
G_IMPLEMENT_CLASS(TInitializeBoardState)
G_IMPLEMENT_CLASS(TFadeBoardState)
G_IMPLEMENT_CLASS(TPlayState)

namespace {

// Virtual keys of the cheats.
constexpr uint32_t CKeyC = 67;
constexpr uint32_t CKeyD = 68;
constexpr uint32_t CKeyL = 76;
constexpr uint32_t CKeyF6 = 117;
constexpr uint32_t CKeyF7 = 118;

} // namespace

// --- The state and its queue -------------------------------------------------------------------

TState::TState(TStateQueue* AQueue)
    : TGObject(AQueue)
    , FStateQueue(AQueue) {
  if (FStateQueue) {
    FStateQueue->Add(this);
  }
}

void TState::Destroy() {
  if (FStateQueue) {
    FStateQueue->Remove(this);
  }
  inherited::Destroy();
}

void TStateQueue::Add(TState* State) {
  FStates.push_back(State);
}

void TStateQueue::Remove(TState* State) {
  std::erase(FStates, State);
}

void TStateQueue::Update(float Interval) {
  while (!FStates.empty()) {
    TState* S = FStates.front();
    if (!S->FInitialized) {
      S->OnEnter();
      S->FInitialized = true;
    }
    S->Update(Interval);
    if (!S->IsFinished()) {
      return;
    }
    S->OnLeave();
    // A state may have left the list by itself meanwhile; it is freed all the same.
    Remove(S);
    S->Free();
  }
}

void TStateQueue::InsertLastStateBeforePlayState() {
  auto N = static_cast<int32_t>(FStates.size());
  for (int32_t I = 1; I <= N - 2; ++I) {
    if (!FStates[static_cast<size_t>(I)]->InheritsFrom(TPlayState::StaticClass())) {
      continue;
    }
    TState* Last = FStates.back();
    FStates.pop_back();
    if (!Last->InheritsFrom(TPlayState::StaticClass())) {
      FStates.insert(FStates.begin() + I, Last);
    }
    return;
  }
}

// --- Game states -------------------------------------------------------------------------------

TGameLogic* TGameState::GameLogic() const {
  return StateQueue() ? dynamic_cast<TGameLogic*>(StateQueue()->Owner()) : nullptr;
}

TBoard* TGameState::Board() const {
  TGameLogic* L = GameLogic();
  return L ? L->Board() : nullptr;
}

TMatchScreen* TGameState::Screen() const {
  TGameLogic* L = GameLogic();
  return L ? L->Screen() : nullptr;
}

TGWidget* TGameState::BoardPanel() const {
  TMatchScreen* S = Screen();
  return S ? S->BoardPanel() : nullptr;
}

void TGameState::OnEnter() {
  if (TGWidget* Panel = BoardPanel()) {
    Panel->OnAfterDraw = TGNotifyEvent(this, &TGameState::OnDrawBoard);
  }
}

void TGameState::OnDrawBoard(TGObject* Sender) {
  (void)Sender;
  DrawBoard();
}

void TGameState::Destroy() {
  TGWidget* Panel = BoardPanel();
  if (Panel && Panel->OnAfterDraw == TGNotifyEvent(this, &TGameState::OnDrawBoard)) {
    Panel->OnAfterDraw = {};
  }
  inherited::Destroy();
}

void TDelayState::Update(float Interval) {
  FTimeout -= Interval;
  if (FTimeout < 0) {
    Finish();
  }
}

void TTimeLineState::OnEnter() {
  inherited::OnEnter();
  TGameLogic* L = GameLogic();
  if (!Screen()) {
    // Nothing shows the run-down: the time line stands at once where it is going.
    L->SetTimeLinePosition(FTimeLinePosition);
    Finish();
    return;
  }
  L->SetTimeLinePosition(L->TimeLine().Max);
}

void TTimeLineState::Update(float Interval) {
  if (IsFinished()) {
    return;
  }
  TGameLogic* L = GameLogic();
  const TTimeLine& T = L->TimeLine();
  float Position = T.Position - (T.Max - T.Min) * Interval;
  if (Position <= FTimeLinePosition) {
    Position = FTimeLinePosition;
    Finish();
  }
  L->SetTimeLinePosition(Position);
}

void TShowTimeLineState::OnEnter() {
  inherited::OnEnter();
  if (TMatchScreen* S = Screen(); S && S->TimerFrame()) {
    S->TimerFrame()->Show();
  }
  Finish();
}

void THideTimeLineState::OnEnter() {
  inherited::OnEnter();
  if (TMatchScreen* S = Screen(); S && S->TimerFrame()) {
    S->TimerFrame()->Hide();
  }
}

void THideTimeLineState::Update(float Interval) {
  (void)Interval;
  TMatchScreen* S = Screen();
  if (!S || !S->TimerFrame() || S->TimerFrame()->State() == wsDefault) {
    Finish();
  }
}

void TFailedState::OnEnter() {
  inherited::OnEnter();
  GameLogic()->SetIsFailed(true);
}

void TLevelEndedState::OnEnter() {
  inherited::OnEnter();
  if (TGWidget* Panel = BoardPanel()) {
    Panel->OnAfterDraw = {};
  }
}

void TShuffleBoardState::Update(float Interval) {
  FElapsedTime += Interval;
  if (FElapsedTime > FTime) {
    Finish();
  }
}

// The new play comes from here, so that a shuffle never leaves the level without play.
void TShuffleBoardState::OnLeave() {
  Board()->Shuffle();
  GameLogic()->DoPlay();
}

// --- The board's fades -------------------------------------------------------------------------

TInitializeBoardState::TInitializeBoardState(TStateQueue* AQueue)
    : TGameState(AQueue) {
  if (TGameLogic* L = GameLogic()) {
    FSpeed = L->Config().ShowFadeBoardSpeed;
  }
}

float TInitializeBoardState::Alpha() const {
  float T = FTime > 0 ? std::clamp(FElapsedTime / FTime, 0.0f, 1.0f) : 1.0f;
  return FAlpha0 + (FAlpha1 - FAlpha0) * T;
}

void TInitializeBoardState::OnEnter() {
  inherited::OnEnter();
  TGWidget* Panel = BoardPanel();
  if (!Panel) {
    Finish(); // nothing to fade
    return;
  }
  Panel->SetVisible(true);
  FOldOnBeforeDraw = Panel->OnBeforeDraw;
  FOldOnAfterDraw = Panel->OnAfterDraw;
  Panel->OnBeforeDraw = TGNotifyEvent(this, &TInitializeBoardState::BeforeBoardDraw);
  Panel->OnAfterDraw = TGNotifyEvent(this, &TInitializeBoardState::AfterBoardDraw);
  FHandlersSet = true;
  if (TGWidget* Walls = Screen()->FindWidget("Board\\Walls")) {
    Walls->SetVisible(false);
  }
}

void TInitializeBoardState::RestoreHandlers() {
  TGWidget* Panel = BoardPanel();
  if (!FHandlersSet || !Panel) {
    return;
  }
  FHandlersSet = false;
  Panel->OnBeforeDraw = FOldOnBeforeDraw;
  Panel->OnAfterDraw = FOldOnAfterDraw;
  if (TGWidget* Walls = Screen()->FindWidget("Board\\Walls")) {
    Walls->SetVisible(true);
  }
}

void TInitializeBoardState::OnLeave() {
  RestoreHandlers();
}

void TInitializeBoardState::Destroy() {
  RestoreHandlers();
  inherited::Destroy();
}

// The panel's own bracket puts the material back; the blending is pushed here and popped after
// the panel and its layers have drawn.
void TInitializeBoardState::BeforeBoardDraw(TGObject* Sender) {
  (void)Sender;
  if (!GD) {
    return;
  }
  GD->PushState(bBlending);
  FPushed = true;
  TGColor C = GD->MaterialDiffuse();
  C.A = static_cast<uint8_t>(std::clamp(Alpha(), 0.0f, 1.0f) * C.A + 0.5f);
  GD->SetMaterialDiffuse(C);
}

void TInitializeBoardState::AfterBoardDraw(TGObject* Sender) {
  (void)Sender;
  if (GD && FPushed) {
    GD->PopState();
  }
  FPushed = false;
}

void TInitializeBoardState::Update(float Interval) {
  if (IsFinished()) {
    return;
  }
  UpdateTime(Interval);
  IsFinishing();
}

void TInitializeBoardState::UpdateTime(float Interval) {
  FElapsedTime += FSpeed * Interval;
}

void TInitializeBoardState::IsFinishing() {
  if (FElapsedTime > FTime) {
    Finish();
  }
}

TFadeBoardState::TFadeBoardState(TStateQueue* AQueue)
    : TInitializeBoardState(AQueue) {
  FElapsedTime = FTime;
}

void TFadeBoardState::UpdateTime(float Interval) {
  FElapsedTime -= FSpeed * Interval;
}

void TFadeBoardState::IsFinishing() {
  if (FElapsedTime < 0) {
    Finish();
  }
}

void TFadeBoardState::OnLeave() {
  inherited::OnLeave();
  if (TGWidget* Panel = BoardPanel()) {
    Panel->SetVisible(false);
  }
}

// --- Play --------------------------------------------------------------------------------------

void TPlayState::OnEnter() {
  inherited::OnEnter();
  FNoActionsTimer = 0;
  GameLogic()->ResetNoMovesTimer();
  TMatchScreen* S = Screen();
  TGWidget* Panel = BoardPanel();
  if (!S || !Panel) {
    return;
  }
  Panel->SetAllowMouse(true);
  Panel->OnMouseDown = TGMouseEvent(this, &TPlayState::BoardMouseDown);
  Panel->OnMouseMove = TGNotifyEvent(this, &TPlayState::BoardMouseMove);
  S->OnKeyDown = TGKeyEvent(this, &TPlayState::GameScreenKeyDown);
  FHandlersSet = true;
}

void TPlayState::ClearHandlers() {
  if (!FHandlersSet) {
    return;
  }
  FHandlersSet = false;
  TMatchScreen* S = Screen();
  TGWidget* Panel = BoardPanel();
  if (!S || !Panel) {
    return;
  }
  if (Panel->OnMouseDown == TGMouseEvent(this, &TPlayState::BoardMouseDown)) {
    Panel->OnMouseDown = {};
  }
  if (Panel->OnMouseMove == TGNotifyEvent(this, &TPlayState::BoardMouseMove)) {
    Panel->OnMouseMove = {};
  }
  if (S->OnKeyDown == TGKeyEvent(this, &TPlayState::GameScreenKeyDown)) {
    S->OnKeyDown = {};
  }
}

void TPlayState::OnLeave() {
  ClearHandlers();
}

void TPlayState::Destroy() {
  ClearHandlers();
  inherited::Destroy();
}

void TPlayState::Update(float Interval) {
  if (IsFinished()) {
    return;
  }
  GameLogic()->Play(Interval);
}

TGPoint TPlayState::MouseOnBoard() const {
  TGWidget* Panel = BoardPanel();
  if (!Panel || !WindowHost) {
    return {};
  }
  TGRectFloat R = Panel->ScreenRect();
  TGPoint M = WindowHost->MousePos();
  return TGPoint{M.X - static_cast<int32_t>(R.Left), M.Y - static_cast<int32_t>(R.Top)};
}

// Any button: the press selects, deselects or swaps.
void TPlayState::BoardMouseDown(int Button) {
  (void)Button;
  FNoActionsTimer = 0;
  FSavedMousePosition = MouseOnBoard();
  GameLogic()->BoardMouseDown(FSavedMousePosition);
}

void TPlayState::BoardMouseMove(TGObject* Sender) {
  (void)Sender;
  bool Held = WindowHost && WindowHost->ButtonHeld(mbLeft);
  GameLogic()->BoardMouseMove(MouseOnBoard(), Held);
}

void TPlayState::CheatOnSelection(uint32_t Key) {
  TBoardActions* Actions = Board()->Actions();
  TCell* Cell = Actions->SelectedCell();
  if (!Cell || !Cell->Item()) {
    return;
  }
  if (Key >= '1' && Key <= '9') {
    auto* Gem = ItemAs<TGem>(Cell->Item());
    if (!Gem || GameLogic()->GemSet().find(static_cast<char>(Key)) == std::string::npos) {
      return;
    }
    Actions->Deselect();
    Actions->ChangeGemKind(Cell, static_cast<int32_t>(Key - '0'));
    return;
  }
  TItem* Bonus = nullptr;
  if (Key == CKeyC) {
    Bonus = New<TCrossBonus>(Board());
  } else if (Key == CKeyD) {
    Bonus = New<TDiceBonus>(Board());
  } else if (Key == CKeyL) {
    Bonus = New<TLineBonus>(Board());
  } else {
    return;
  }
  Actions->Deselect();
  if (Cell->Item()) {
    Cell->Item()->Free();
  }
  Cell->SetItem(Bonus);
  Bonus->MakeStatic();
}

void TPlayState::GameScreenKeyDown(uint32_t Key) {
  TGameLogic* L = GameLogic();
  if (!L->IsCheatsEnabled() || IsFinished()) {
    return;
  }
  if (Key == CKeyF6 || Key == CKeyF7) {
    if (!Board()->IsStill()) {
      return;
    }
    if (Key == CKeyF6) {
      Board()->OpenCells();
    } else {
      Finish();
      L->DoLevelFail();
    }
    return;
  }
  CheatOnSelection(Key);
}

} // namespace Match3
