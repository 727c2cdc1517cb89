#include "Locations/Puzzles/UTutorialStartLocation.h"

#include "Screens/UFlyingControl.h"
#include "Screens/UGameScreen.h"
#include "Screens/UScanner.h"
#include "Screens/USpeechBubbleDialog.h"
#include "Screens/UTipsWindowEx.h"
#include "animation/UGAnimation.h"
#include "app/UGApp.h"
#include "base/UGDebug.h"
#include "drawables/UGSymbol.h"
#include "flow/UFlowChannel.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectBehavior.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "player/USpeech.h"
#include "widgets/UGPicture.h"

G_IMPLEMENT_CLASS(TAlaska_01)

namespace {

constexpr const char* CMenuPath = "GameInterface\\Menu";
constexpr const char* CToolsBlinkPath = "GameInterface\\ToolsBlink";
constexpr const char* CSpeaker = "Zari";

constexpr const char* CPDASpeech =
    "$There's my PDA! I need it to get special information about my contacts, travel log and the "
    "museum. I can customize my settings.$";
constexpr const char* CScannerSpeechApprentice =
    "$My scanner from Tobrel arrived! I can click any object in my list to see its shape.$";
constexpr const char* CScannerSpeechAdventurer =
    "$My scanner from Tobrel arrived! Click any object in the list to see its shape in the "
    "scanner.$";
constexpr const char* CScannerSpeechOncePerScene = "$The scanner can be used once per scene.$";
constexpr const char* CScannerSpeechSuperSleuth =
    "$My scanner from Tobrel arrived! Scanner is turned off.$";
constexpr const char* CDifficultySpeech[] = {
    "$I can click any object in my list to see its shape in the scanner with unlimited use. "
    "Relaxed Mode.$",
    "$I can click any object in my list to see its shape in the scanner only once per scene, but "
    "I will score more points per scene. Timed Mode.$",
    "$Scanner is turned off.$",
};

std::string TutorialPage(const char* Name) {
  return std::string(TAlaska_01::CTutorialFolder) + Name;
}

} // namespace

void TAlaska_01::Publish(TGClassBuilder<TAlaska_01>& B) {
  using T = TAlaska_01;
  B.Method("AfterFadeIn", &T::AfterFadeIn)
      .Method("ShowStartTutorial", &T::ShowStartTutorial)
      .Method("ShowTutorialZephrin", &T::ShowTutorialZephrin)
      .Method("TakeScanner", &T::TakeScanner)
      .Method("SetDifficulty", &T::SetDifficulty, {"Value"})
      .Method("DifficultyHover", &T::DifficultyHover, {"type"});
}

void TAlaska_01::Destroy() {
  if (FTips) {
    UnSubscribe(FTips);
    FTips = nullptr; // owned: it goes with the location
  }
  inherited::Destroy();
}

// --- The scene's objects and the screen's widgets --------------------------------------------

TGameObject* TAlaska_01::GameObject(const char* ID) const {
  TGameObject* Obj = Objects()->GetByIDReadOnly(ID);
  if (!Obj && GameObjectCollector) {
    Obj = GameObjectCollector->GetByIDReadOnly(ID);
  }
  return Obj;
}

bool TAlaska_01::Taken(const char* ID) const {
  TGameObject* Obj = GameObject(ID);
  return Obj && Obj->IsTaken();
}

void TAlaska_01::ShowMenu(bool Value) {
  if (FMenu) {
    FMenu->SetEnabled(Value);
    FMenu->SetVisible(Value);
  }
}

void TAlaska_01::ShowScanner(bool Value) {
  if (TGameScreen* Screen = CurrentGameScreen()) {
    Screen->Scanner()->SetEnabled(Value);
    Screen->Scanner()->SetVisible(Value);
  }
}

// --- Activation -----------------------------------------------------------------------------

void TAlaska_01::Activate() {
  TGameScreen* Screen = CurrentGameScreen();
  FMenu = Screen ? Screen->FindWidget(CMenuPath) : nullptr;
  if (Screen && !FMenu) {
    ODS("%s: the play screen has no widget \"%s\"", ID, CMenuPath);
  }
  ShowScanner(Taken(CScannerID));
  const bool HasPDA = Taken(CPDAID);
  ShowMenu(HasPDA);
  if (TGameObject* PDA = GameObject(CPDAID); PDA && !HasPDA) {
    PDA->SetFlyingConfigName(FlightNames::CPDA);
    PDA->OnMouseDown = TGameObjectMouseEvent(this, &TAlaska_01::PDAMouseDown);
  }
  inherited::Activate();
}

void TAlaska_01::AfterFadeIn() {
  inherited::AfterFadeIn();
}

void TAlaska_01::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  if (FTips && FTips->GetIsDead()) {
    TTipsWindowEx* Done = FTips;
    Done->Free();
  }
}

// --- The PDA ------------------------------------------------------------------------------------

void TAlaska_01::PDAMouseDown(TBaseGameObject* Sender, int Button) {
  auto* PDA = TryObjectCast<TGameObject>(Sender);
  TGameScreen* Screen = CurrentGameScreen();
  if (!PDA || !Screen || Button != mbLeft || !CurrentPlayer || CurrentPlayer->HoldsObject()) {
    return;
  }
  // A second click while it flies would score it twice.
  if (PDA->IsTaken()) {
    return;
  }
  if (!Screen->FlyingControl()->Push(PDA, TFlightFinishEvent(this, &TAlaska_01::PDAFinishFlying))) {
    return;
  }
  CurrentPlayer->AddScore(CPDAPoints);
  FireEvent("TakingPDA");
  PDA->SetTakingCount(PDA->TakingCount() + 1);
  if (MC()) {
    MC()->AddPause(CPDASpeechPause);
    MC()->AddSpeechCue(CSpeaker, CPDASpeech);
  }
}

void TAlaska_01::PDAFinishFlying(TGameObject* Sender) {
  (void)Sender;
  TGameScreen* Screen = CurrentGameScreen();
  TGameObject* PDA = GameObject(CPDAID);
  if (Screen && PDA) {
    // The landing counts the taking that the click counted already.
    PDA->SetTakingCount(PDA->TakingCount() - 1);
    Screen->MoveToInventory(PDA);
  }
  ShowMenu(true);
}

// --- The scanner --------------------------------------------------------------------------------

void TAlaska_01::TakeScanner() {
  TGameScreen* Screen = CurrentGameScreen();
  TGameObject* Scanner = GameObject(CScannerID);
  if (!Screen || !Scanner) {
    ODS("%s: the scanner \"%s\" cannot arrive", ID, CScannerID);
    return;
  }
  if (Scanner->IsTaken()) {
    return; // it has arrived already
  }
  Screen->FlyToInventoryEx(Scanner, TFlightFinishEvent(this, &TAlaska_01::ScannerFinishFlying));
  FireEvent("TakingScanner");
  if (!MC() || !CurrentPlayer) {
    return;
  }
  switch (CurrentPlayer->GameDifficulty()) {
  case gdApprentice:
    MC()->AddSpeechCue(CSpeaker, CScannerSpeechApprentice);
    break;
  case gdAdventurer:
    MC()->AddSpeechCue(CSpeaker, CScannerSpeechAdventurer);
    MC()->AddSpeechCue(CSpeaker, CScannerSpeechOncePerScene);
    break;
  case gdSuperSleuth:
    MC()->AddSpeechCue(CSpeaker, CScannerSpeechSuperSleuth);
    break;
  }
}

void TAlaska_01::ScannerFinishFlying(TGameObject* Sender) {
  (void)Sender;
  TGameScreen* Screen = CurrentGameScreen();
  if (TGameObject* Scanner = GameObject(CScannerID); Screen && Scanner) {
    // The flight counted the taking already.
    Scanner->SetTakingCount(Scanner->TakingCount() - 1);
    Screen->MoveToInventory(Scanner);
  }
  ShowScanner(true);
}

// --- The difficulty -------------------------------------------------------------------------

void TAlaska_01::SetDifficulty(int32_t Value) {
  if (!CurrentPlayer) {
    return;
  }
  if (Value < gdApprentice || Value > gdSuperSleuth) {
    ODS("%s: no difficulty %d", ID, Value);
    return;
  }
  CurrentPlayer->SetGameDifficulty(static_cast<TGameDifficulty>(Value));
}

void TAlaska_01::DifficultyHover(int32_t Type) {
  if (TGameScreen* Screen = CurrentGameScreen()) {
    Screen->SpeechDialog()->QuickHide();
  }
  if (CurrentPlayer && CurrentPlayer->SpeechQueue()) {
    CurrentPlayer->SpeechQueue()->Clear();
  }
  if (Type >= 0 && Type <= 2 && MC()) {
    MC()->AddSpeechCue(CSpeaker, CDifficultySpeech[Type]);
  }
}

// --- Tutorial pages -------------------------------------------------------------------------

TTipsWindowEx* TAlaska_01::NewTips() {
  FTips = New<TTipsWindowEx>(this);
  Subscribe(TGNotification(FTips, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TAlaska_01::OnTipsDestroy));
  return FTips;
}

void TAlaska_01::OnTipsDestroy(TGObject* Sender) {
  if (Sender == FTips) {
    FTips = nullptr;
  }
}

void TAlaska_01::ShowTips() {
  FTips->ShowModal();
  // A modal loop ends when the window hides; one hidden without going is freed here. A host
  // without a modal loop returns at once, and the window frees itself when it is closed.
  if (FTips && !FTips->Visible()) {
    TTipsWindowEx* Done = FTips;
    Done->Free();
  }
}

void TAlaska_01::ShowStartTutorial() {
  if (GetAttr("IsTutorialShown").ToBoolean() || FTips) {
    return;
  }
  SetAttr("IsTutorialShown", true);
  TTipsWindowEx* W = NewTips();
  W->Replace(TutorialPage("Ani_Find_Everything.ani"), 0);
  W->Push(TutorialPage("Ani_Blue_Items.ani"), 0,
          TGNotifyEvent(this, &TAlaska_01::DoOnToolsBlinkActivate),
          TGNotifyEvent(this, &TAlaska_01::DoOnToolsBlinkDectivate));
  W->Push(TutorialPage("Ani_Blue_Cursor.ani"), 0);
  W->Push(TutorialPage("Ani_Hint.ani"), 0);
  W->Push(TutorialPage("Ani_Clues.ani"), 0);
  ShowTips();
}

void TAlaska_01::ShowTutorialZephrin() {
  if ((AppIsClosing && !AppCanUnclose) || FTips) {
    return;
  }
  NewTips()->Replace(TutorialPage("Ani_Zephrin_Bird.ani"), 0);
  ShowTips();
}

void TAlaska_01::DoOnToolsBlinkActivate(TGObject* Sender) {
  (void)Sender;
  TGameScreen* Screen = CurrentGameScreen();
  auto* Blink = Screen ? TryObjectCast<TGPicture>(Screen->FindWidget(CToolsBlinkPath)) : nullptr;
  if (!Blink) {
    ODS("%s: the play screen has no picture \"%s\"", ID, CToolsBlinkPath);
    return;
  }
  if (auto* A = TryObjectCast<TGAnimation>(Blink->Picture()->Instance())) {
    A->SetElapsedTime(0);
  }
  Blink->SetVisible(true);
  Blink->SetEnabled(true);
}

void TAlaska_01::DoOnToolsBlinkDectivate(TGObject* Sender) {
  (void)Sender;
  TGameScreen* Screen = CurrentGameScreen();
  if (TGWidget* Blink = Screen ? Screen->FindWidget(CToolsBlinkPath) : nullptr) {
    Blink->SetVisible(false);
    Blink->SetEnabled(false);
  }
}
