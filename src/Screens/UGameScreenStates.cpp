#include "Screens/UGameScreenStates.h"

#include "Screens/UBaseGameScreen.h"
#include "Screens/UClickSequenceChecker.h"
#include "Screens/UFlyingControl.h"
#include "Screens/UGameHint.h"
#include "Screens/UGameScreen.h"
#include "Screens/UGameScreenInventoryHelper.h"
#include "Screens/UScanner.h"
#include "Screens/USpeechBubbleDialog.h"
#include "audio/UGAudio.h"
#include "flow/UFlowState.h"
#include "inventory/UInventory.h"
#include "locations/ULocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "player/UPlayer.h"
#include "player/USpeech.h"
#include "script/UScriptProcessor.h"

G_IMPLEMENT_CLASS(TBaseGameScreenState)
G_IMPLEMENT_CLASS(TBaseGameScreenStateQueue)
G_IMPLEMENT_CLASS(TGameScreenStateQueue)
G_IMPLEMENT_CLASS(TGameScreenState)
G_IMPLEMENT_CLASS(TBaseCommonGameScreenState)
G_IMPLEMENT_CLASS(TCommonGameScreenState)
G_IMPLEMENT_CLASS(TWaitFlyingObjectsState)
G_IMPLEMENT_CLASS(THideGameInterfaceState)
G_IMPLEMENT_CLASS(TShowGameInterfaceState)
G_IMPLEMENT_CLASS(TFadeGameScreenState)
G_IMPLEMENT_CLASS(TFadeInGameScreenState)
G_IMPLEMENT_CLASS(TFadeOutGameScreenState)
G_IMPLEMENT_CLASS(TSwitchToLocationGameScreenState)

namespace {

bool ContainsPoint(const TGRectFloat& R, const TGFlatVector& P) {
  return P.X >= R.Left && P.X <= R.Right && P.Y >= R.Top && P.Y <= R.Bottom;
}

constexpr int32_t CHintSelectingLevel = 20;
constexpr const char* CHintSelectingGoal = "$#GOAL#Click an item in the list.$";
constexpr const char* CFaultSound = "UI\\GameScreen\\Fault.ogg";

TLocation* ActiveLocationOf(const TBaseGameScreen* S) {
  return S ? S->ActiveLocation() : nullptr;
}

// A window the screen shows over the location (the tips) under the point; the speech bubble has
// rules of its own.
bool OnOwnWindow(const TGameScreen* S, const TGFlatVector& P) {
  for (int32_t I = 0; I < S->Count(); ++I) {
    auto* W = TryObjectCast<TGWindow>(S->GetItem(I));
    if (W && W != S->SpeechDialog() && W->Visible() && ContainsPoint(W->ScreenRect(), P)) {
      return true;
    }
  }
  return false;
}

} // namespace

// --- The base ------------------------------------------------------------------------------------

TBaseGameScreen* TBaseGameScreenState::Screen() const {
  return StateQueue() ? TryObjectCast<TBaseGameScreen>(StateQueue()->Owner()) : nullptr;
}

TGameScreen* TBaseGameScreenState::GameScreen() const {
  return TryObjectCast<TGameScreen>(Screen());
}

void TBaseGameScreenState::Draw() {
  if (TLocation* L = ActiveLocationOf(Screen())) {
    L->Draw();
    if (TBaseFlowState* Flow = MainFlowState(L)) {
      Flow->AfterDrawLocation();
    }
  }
}

void TBaseGameScreenState::AfterDraw() {
  if (TLocation* L = ActiveLocationOf(Screen())) {
    L->AfterDraw();
  }
}

TBaseGameScreenState* TBaseGameScreenStateQueue::Peek() const {
  return ObjectCast<TBaseGameScreenState>(TStateQueue::Peek());
}

// --- Normal play ---------------------------------------------------------------------------------

void TBaseCommonGameScreenState::Update(int32_t AInterval) {
  if (TLocation* L = ActiveLocationOf(Screen())) {
    L->Update(AInterval);
  }
}

void TBaseCommonGameScreenState::MouseDown(int Button) {
  TBaseGameScreen* S = Screen();
  if (TBaseFlowState* Flow = MainFlowState(ActiveLocationOf(S))) {
    Flow->WindowMouseDown(Button);
  }
  if (S && S->MouseCaptureObject() && S->MouseCaptureObjectDisposition() == godtLocation) {
    S->GameObjectMouseDown(S->MouseCaptureObject(), Button);
  }
}

void TBaseCommonGameScreenState::MouseUp(int Button) {
  TBaseGameScreen* S = Screen();
  if (TBaseFlowState* Flow = MainFlowState(ActiveLocationOf(S))) {
    Flow->WindowMouseUp(Button);
  }
  if (S) {
    S->GameObjectMouseUp(Button);
  }
}

void TBaseCommonGameScreenState::KeyDown(int Key) {
  if (TBaseFlowState* Flow = MainFlowState(ActiveLocationOf(Screen()))) {
    Flow->WindowKeyDown(Key);
  }
}

void TCommonGameScreenState::SetHintSelecting(bool Value) {
  FHintSelecting = Value;
  TGameScreen* S = GameScreen();
  if (!S) {
    return;
  }
  S->SetHintSelecting(Value);
  if (TLocation* L = S->ActiveLocation()) {
    if (Value) {
      L->Goal()->SetGoal(CHintSelectingLevel, CHintSelectingGoal);
    } else if (L->Goal()->GetGoal(CHintSelectingLevel) == CHintSelectingGoal) {
      L->Goal()->SetGoal(CHintSelectingLevel, "");
    }
  }
}

void TCommonGameScreenState::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  // Rapid or random clicking: the checker decides once per missed click whether to punish.
  TGameScreen* S = GameScreen();
  if (!S || Status != ssCurrent) {
    return;
  }
  TClickSequenceChecker* Checker = S->ClickSequenceChecker();
  if (Checker->Changed(ClassType())) {
    if (!Checker->Check()) {
      S->BreakScanner();
    }
    Checker->RegisterCheck(ClassType());
  }
}

void TCommonGameScreenState::MouseDown(int Button) {
  TGameScreen* S = GameScreen();
  TLocation* L = ActiveLocationOf(S);
  if (!S) {
    inherited::MouseDown(Button);
    return;
  }
  // Its own buttons have taken the click: it reaches neither the objects below nor the checks.
  if (OnOwnWindow(S, S->MousePosition())) {
    return;
  }
  const TPointDispositionType Where = S->MouseDisposition();
  if (Where == pdtLocation) {
    if (FHintSelecting) {
      if (L) {
        L->Goal()->SetGoal(CHintSelectingLevel, "");
      }
      SetHintSelecting(false);
    }
    // A click while a line is shown closes the bubble; a click on the bubble does nothing else.
    TSpeechBubbleDialog* Bubble = S->SpeechDialog();
    const bool WasShown = Bubble && Bubble->Visible();
    const bool OnBubble = WasShown && ContainsPoint(Bubble->ScreenRect(), S->MousePosition());
    if (WasShown) {
      Bubble->QuickHide(); // the line counts as read: its script runs
    }
    if (OnBubble) {
      return;
    }
  }
  if (Button == mbLeft) {
    TGameObject* Capture = S->MouseCaptureObject();
    if ((Where == pdtInterface) || (Where == pdtTools && !Capture)) {
      S->ResetCursor(true);
    } else if (Where == pdtLocation) {
      if (Capture && S->AcceptsClicks(Capture)) {
        TScanner* Scanner = S->Scanner();
        if (Scanner->SelectedObject() == Capture) {
          Scanner->ResetSelectedObject();
        }
        Scanner->SetObject(nullptr);
        S->ClickSequenceChecker()->Reset();
        S->Hint()->KillSparks();
      } else if (L && !L->IsPuzzleLocation()) {
        if (!S->ClickSequenceChecker()->IsCounting()) {
          S->SndMissObject(false);
        }
        S->ClickSequenceChecker()->IncorrectClick();
        S->SetMissCount(S->MissCount() + 1);
      }
    }
  }
  inherited::MouseDown(Button);
}

void TCommonGameScreenState::HintObject(TGameObject* Obj) {
  TGameScreen* S = GameScreen();
  TLocation* L = ActiveLocationOf(S);
  if (!L || !L->CustomHint(Obj)) {
    S->Hint()->HintObjectScript(Obj);
  }
  S->SetHintsCount(S->HintsCount() - 1);
}

void TCommonGameScreenState::ProcessHintClick() {
  TGameScreen* S = GameScreen();
  if (!S) {
    return;
  }
  TLocation* L = S->ActiveLocation();
  if (TGameObject* Selected = S->Scanner()->SelectedObject()) {
    SetHintSelecting(false);
    HintObject(Selected);
    return;
  }
  if (L && L->CustomHint(nullptr)) {
    return;
  }
  SetHintSelecting(true);
  if (L && !L->OnHintScript.empty() && ScriptProcessor) {
    TGVariant Ignored;
    ScriptProcessor->Eval("HintObject = O.UndefinedObject", Ignored);
    TGVariant Result;
    ScriptProcessor->Eval(L->OnHintScript, Result);
    SetHintSelecting(Result.ToBoolean());
  }
  if (FHintSelecting && (!L || L->ItemsLeft() <= 0)) {
    SetHintSelecting(false);
  }
  if (!FHintSelecting) {
    return;
  }
  // With one entry left to find there is nothing to choose.
  int Open = -1;
  int OpenCount = 0;
  TItemsCollection* Items = CurrentPlayer->Inventory()->Items();
  for (int G = 0; G < Items->Count(); ++G) {
    if (Items->Group(G)->FirstFiltered(false)) {
      Open = G;
      ++OpenCount;
    }
  }
  if (OpenCount == 1) {
    ItemWidgetMouseDown(Open);
  }
}

void TCommonGameScreenState::ItemWidgetMouseDown(int32_t ItemIndex) {
  TGameScreen* S = GameScreen();
  if (!S || !CurrentPlayer) {
    return;
  }
  if (!FHintSelecting) {
    TSpeechQueue* Queue = CurrentPlayer->SpeechQueue();
    if (Queue && !Queue->Empty()) {
      Queue->Pop();
    }
    S->InventoryHelper()->ItemMouseDown(ItemIndex);
    return;
  }
  TItemsCollection* Items = CurrentPlayer->Inventory()->Items();
  if (ItemIndex < 0 || ItemIndex >= Items->Count()) {
    return;
  }
  if (TGameObject* Obj = Items->Group(ItemIndex)->FirstFiltered(false)) {
    SetHintSelecting(false);
    HintObject(Obj);
  }
}

void TCommonGameScreenState::ToolWidgetMouseDown(int32_t ToolIndex) {
  TGameScreen* S = GameScreen();
  if (!S) {
    return;
  }
  if (FHintSelecting) {
    SetHintSelecting(false);
  }
  S->InventoryHelper()->ToolMouseDown(ToolIndex);
}

// --- Switching -----------------------------------------------------------------------------------

void TWaitFlyingObjectsState::Update(int32_t AInterval) {
  (void)AInterval;
  TBaseGameScreen* S = Screen();
  if (!S || !S->FlyingControl() || S->FlyingControl()->Count() == 0) {
    Status = ssFinished;
  }
}

void THideGameInterfaceState::Initialize() {
  inherited::Initialize();
  if (TGameScreen* S = GameScreen()) {
    S->SetInterfaceVisible(false);
  }
  Status = ssFinished;
}

void TShowGameInterfaceState::Initialize() {
  inherited::Initialize();
  if (TGameScreen* S = GameScreen()) {
    S->SetInterfaceVisible(true);
  }
  Status = ssFinished;
}

void TFadeGameScreenState::Update(int32_t AInterval) {
  (void)AInterval;
  TBaseGameScreen* S = Screen();
  if (TLocation* L = ActiveLocationOf(S)) {
    L->Update(0);
  }
  if (!S || (S->FadeState() != fwsFadeIn && S->FadeState() != fwsFadeOut)) {
    Status = ssFinished;
  }
}

void TFadeInGameScreenState::Initialize() {
  inherited::Initialize();
  if (TBaseGameScreen* S = Screen()) {
    S->FadeIn(false, true, nullptr);
  }
}

void TFadeOutGameScreenState::Initialize() {
  inherited::Initialize();
  if (TBaseGameScreen* S = Screen()) {
    S->FadeOut(false, false, nullptr);
  }
}

void TSwitchToLocationGameScreenState::Initialize() {
  inherited::Initialize();
  if (CurrentPlayer) {
    CurrentPlayer->AddToHighScores();
    CurrentPlayer->SwitchToLocation(FLocationURL);
  }
  if (TGameScreen* S = GameScreen()) {
    S->MaintainActiveLocation();
  }
  Status = ssFinished;
}
