#include "Screens/UGameScreen.h"

#include "Screens/UAnimationsQueue.h"
#include "Screens/UBlackScreen.h"
#include "Screens/UClickSequenceChecker.h"
#include "Screens/UCursorStates.h"
#include "Screens/UFlyingControl.h"
#include "Screens/UGameCursor.h"
#include "Screens/UGameHint.h"
#include "Screens/UGameInterface.h"
#include "Screens/UGameScreenAvatarHelper.h"
#include "Screens/UGameScreenInventoryHelper.h"
#include "Screens/UGameScreenStates.h"
#include "Screens/UGotoLocationWindow.h"
#include "Screens/UPDAMenuWindow.h"
#include "Screens/UScanner.h"
#include "Screens/USpeechBubbleDialog.h"
#include "Screens/UTipsWindow.h"
#include "Screens/UTutorialWindow.h"
#include "animation/UGLiveText.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "drawables/UGParticle.h"
#include "drawables/UGSprite.h"
#include "flow/UCommonGameState.h"
#include "flow/UFlowChannel.h"
#include "graphics/UGGraphicsDevice.h"
#include "inventory/UInventory.h"
#include "locations/ULocation.h"
#include "locations/ULocationItemsDistribution.h"
#include "locations/USimpleLocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectBehavior.h"
#include "objects/UGameObjectCollection.h"
#include "objects/UInventoryBehaviors.h"
#include "objects/ULocationBehaviors.h"
#include "platform/UCrashReporter.h"
#include "platform/UKeyCodes.h"
#include "player/UConfigManager.h"
#include "player/UMusicManager.h"
#include "player/UPlayList.h"
#include "player/UPlayer.h"
#include "player/USpeech.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptProcessor.h"
#include "widgets/UGButton.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"
#include "widgets/UGWindowHost.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cctype>
#include <cmath>

G_IMPLEMENT_CLASS(TGameScreen)

namespace {

TGameScreen* Current = nullptr;

constexpr const char* CFaultSound = "UI\\GameScreen\\Fault.ogg";
constexpr const char* CZoomCursor = "Cursors\\Zoom.ani";
constexpr const char* CScannerBrokenGoal = "$Scanner broken. Under repair.$";
constexpr int32_t CScannerBrokenGoalTime = 5000;
constexpr int32_t CMaxHints = 99;
constexpr int32_t CSlots = 8;

std::string SlotWidget(int32_t Slot, const char* Child) {
  return Format("GameInterface\\BackPackItems\\Item%.2d", {int64_t{Slot + 1}}) +
         (Child ? std::string("\\") + Child : std::string());
}

// The paths of the objects list's labels and checks, made once: they are looked up every frame.
const std::string& SlotChildPath(int32_t Slot, bool Check) {
  static const std::vector<std::string> Paths = [] {
    std::vector<std::string> P;
    for (int32_t I = 0; I < CSlots; ++I) {
      P.push_back(SlotWidget(I, "Label"));
      P.push_back(SlotWidget(I, "Check"));
    }
    return P;
  }();
  return Paths[static_cast<size_t>(Slot * 2 + (Check ? 1 : 0))];
}

// Whether W still sits at Path below Root, names compared as FindWidget compares them.
bool SitsAt(const TGWidget* Root, const TGWidget* W, std::string_view Path) {
  for (;;) {
    const size_t Sep = Path.rfind('\\');
    const std::string_view Name = Sep == std::string_view::npos ? Path : Path.substr(Sep + 1);
    if (!SameText(W->Name(), Name)) {
      return false;
    }
    W = W->Parent();
    if (Sep == std::string_view::npos) {
      return W == Root;
    }
    if (!W) {
      return false;
    }
    Path = Path.substr(0, Sep);
  }
}

// "ComboTime" of "Scoring.cfg": the milliseconds within which the next pick scores double.
int32_t ComboTime() {
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Scoring =
      Library ? TryObjectCast<TGConfig>(Library->GetResourceEx("Scoring.cfg", false)) : nullptr;
  return Scoring ? Scoring->XML()->GetIntAttrDef("ComboTime", 0) : 0;
}

TGameState PlayerState() {
  return CurrentPlayer ? CurrentPlayer->GameState() : gsGame;
}

// Whether some tool carried (or held) names the object as its target.
bool IsToolTarget(const TGameObject* Obj) {
  if (!CurrentPlayer) {
    return false;
  }
  auto Targets = [Obj](const TGameObject* Tool) {
    if (!Tool || !Tool->Attrs()->IsPropExists("BackPackTargetObject")) {
      return false;
    }
    std::vector<std::string> IDs;
    SplitString(Tool->Attrs()->GetProp("BackPackTargetObject").ToString(), ',', IDs);
    return std::any_of(IDs.begin(), IDs.end(),
                       [Obj](const std::string& ID) { return SameText(Trim(ID), Obj->ID()); });
  };
  TToolsCollection* Tools = CurrentPlayer->Inventory()->Tools();
  for (int G = 0; G < Tools->Count(); ++G) {
    for (int I = 0; I < Tools->Group(G)->Count(); ++I) {
      if (Targets(Tools->Group(G)->ItemByIndex(I))) {
        return true;
      }
    }
  }
  return CurrentPlayer->HoldsObject() && Targets(CurrentPlayer->Cursor());
}

} // namespace

TGameScreen* CurrentGameScreen() {
  return Current;
}

// --- Construction --------------------------------------------------------------------------------

TGameScreen::TGameScreen(TGObject* AOwner, TSyncProc ASyncProc)
    : TBaseGameScreen(AOwner)
    , FSyncProc(std::move(ASyncProc)) {}

void TGameScreen::AfterConstruction() {
  if (!CurrentPlayer) {
    throw Error("The play screen needs a player");
  }
  inherited::AfterConstruction(); // the queue, the flights, then Initialize below
  Initialize();
  TGResourceLibrary* Library = MainResourceLibrary();
  if (auto* Template =
          Library ? TryObjectCast<TGWindow>(Library->GetResource(CTemplateURL)) : nullptr) {
    LoadFromTemplate(Template);
  }
  Current = this;
  SetPlayScreen(this);
  FIsMouseDownBlockedForOneTime = false;
  FSpeechPositionRegistry = new TSpeechPositionRegistry(this);
  FParticleSystem = new TGParticleSystem(this);
  FGameCursor = new TGameCursor(this, this);
  FGameCursor->OnChange = TGameCursor::TChangeEvent(this, &TGameScreen::OnCursorChange);
  FScanner = new TScanner(this, this);
  FScanner->OnEvent = TScanner::TEvent(this, &TGameScreen::OnScannerEvent);
  FScanner->SetEnabled(true);
  FGameInterface = new TGameInterface(this, this, FScanner);
  FAvatarHelper = new TGameScreenAvatarHelper(this, this);
  FInventoryHelper = New<TGameScreenInventoryHelper>(this, this);
  FClickSequenceChecker = new TClickSequenceChecker(this);
  FSpeechDialog = New<TSpeechBubbleDialog>(this);
  Add(FSpeechDialog);
  FSpeechDialog->SetVisible(false);
  FSpeechDialog->OnClose = TGNotifyEvent(this, &TGameScreen::OnSpeechClose);
  FTips = New<TTipsWindow>(this);
  Add(FTips);
  FTips->SetVisible(false);
  FMusicManager = New<TMusicManager>(this, CurrentPlayer->PlayList());
  WireWidgets();
  FHintSelecting = false;
  RegisterOwnSpeechPositions();
  FHint = new TGameHint(this, this);
  CurrentPlayer->PushState(gsGame);
  if (Library) {
    Library->GetResourceEx("PDAScreen.win", false);
  }
  SetHintsCount(HintsCount());
  FTimeFromLastHintUsage = 10.0f;
  CurrentPlayer->SwitchToLocation(CurrentPlayer->LocationURL());
  BonusFactorValue = 1;
  FFirstUpdate = true;
  FEndingDemo = false;
  FIsGameOver = false;
  FAnimationsQueue = new TAnimationsQueue(this);
  FUpdateIdx = 0;
  if (App) {
    App->SetSystemCursorVisible(false);
  }
}

void TGameScreen::Initialize() {
  CurrentPlayer->Load([this] { ProgressProc(1, 0); });
}

void TGameScreen::ProgressProc(int Current, int Total) {
  if (FSyncProc) {
    FSyncProc(Current, Total);
  }
}

void TGameScreen::WireWidgets() {
  for (const char* Name : {"GameInterface\\Menu", "GameInterface\\FirstMenu"}) {
    if (auto* Menu = TryObjectCast<TGButton>(FindWidget(Name))) {
      Menu->OnClick = TGNotifyEvent(this, &TGameScreen::OnMenuClick);
    }
  }
  for (const char* Name : {"GameInterface\\AvatarVessa", "GameInterface\\AvatarButtler",
                           "GameInterface\\AvatarTobrel"}) {
    if (TGWidget* Avatar = FindWidget(Name)) {
      Avatar->SetAllowMouse(true);
    }
  }
  for (int32_t Slot = 0; Slot < CSlots; ++Slot) {
    auto* Tool = TryObjectCast<TGPicture>(
        FindWidget(Format("GameInterface\\BackPackTools\\Item%.2d", {int64_t{Slot + 1}})));
    if (!Tool) {
      continue;
    }
    Tool->SetProportionalScaling(true);
    Tool->SetHitTest(false);
    Tool->SetHitTestForCursor(false);
    Tool->OnMouseEnter = TGNotifyEvent(this, &TGameScreen::OnToolSlotEnter);
    Tool->OnMouseLeave = TGNotifyEvent(this, &TGameScreen::OnToolSlotLeave);
  }
}

TGWidget* TGameScreen::CachedWidget(std::string_view Path) {
  if (auto It = FWidgetCache.find(Path); It != FWidgetCache.end()) {
    if (SitsAt(this, It->second, Path)) {
      return It->second;
    }
    FWidgetCache.erase(It); // moved or renamed: looked up afresh
  }
  TGWidget* W = FindWidget(Path);
  if (!W) {
    return nullptr;
  }
  if (FWatchedWidgets.insert(W).second) {
    Subscribe(TGNotification(W, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TGameScreen::OnCachedWidgetDestroy));
  }
  FWidgetCache.emplace(std::string(Path), W);
  return W;
}

void TGameScreen::OnCachedWidgetDestroy(TGObject* Sender) {
  // Paths through the destroyed widget are gone, and another widget may come to its address.
  FWatchedWidgets.erase(Sender);
  FWidgetCache.clear();
}

void TGameScreen::RegisterOwnSpeechPositions() {
  TGWidget* Avatar = FindWidget("GameInterface\\AvatarVessa");
  const TGRectFloat R = Avatar ? Avatar->ScreenRect() : TGRectFloat{};
  for (const char* ID : {"Zari", "Tobrel"}) {
    FSpeechPositionRegistry->RegisterSpeechPosition(this, ID, {R.Left, R.Top}, dNW);
  }
}

void TGameScreen::InitGameScripts() {
  if (!ScriptProcessor) {
    return;
  }
  ScriptProcessor->AddObject("Tips", FTips, true, nullptr);
  ScriptProcessor->AddObject("GameScreen", this, true, nullptr);
}

void TGameScreen::Destroy() {
  SetUnloading(true);
  if (CurrentPlayer) {
    try {
      CurrentPlayer->Unload();
    } catch (const std::exception& E) {
      ODS("The profile was not unloaded cleanly: %s", E.what());
    }
    CurrentPlayer->PopState(gsGame);
  }
  if (Current == this) {
    Current = nullptr;
  }
  if (PlayScreen() == this) {
    SetPlayScreen(nullptr);
  }
  FreeGotoLocationWindow();
  if (App) {
    App->SetSystemCursorVisible(true);
  }
  inherited::Destroy();
}

void TGameScreen::Publish(TGClassBuilder<TGameScreen>& B) {
  B.Property("Hint", &TGameScreen::Hint)
      .Property("AvatarHelper", &TGameScreen::AvatarHelper)
      .Property("InventoryHelper", &TGameScreen::InventoryHelper)
      .Property("ClickSequenceChecker", &TGameScreen::ClickSequenceChecker)
      .Property("Scanner", &TGameScreen::Scanner)
      .Property("IsVisible", &TGameScreen::IsVisible)
      .Property("DrawingDisabled", &TGameScreen::DrawingDisabled, &TGameScreen::SetDrawingDisabled)
      .Property("HintsCount", &TGameScreen::HintsCount, &TGameScreen::SetHintsCount)
      .Property("MusicManager", &TGameScreen::OwnMusicManager)
      .Property("IsOnTop", &TGameScreen::IsOnTop)
      .Property("MenuButtonVisible", &TGameScreen::MenuButtonVisible,
                &TGameScreen::SetMenuButtonVisible)
      .Property("BonusFactor", &TGameScreen::BonusFactorValue)
      .Method("MoveToLocation", &TGameScreen::MoveToLocation, {"ALocation"})
      .Method("FadeToLocation", &TGameScreen::FadeToLocation, {"ALocation"})
      .Method("Say", &TGameScreen::Say, {"PositionID", "Text", "Script"})
      .Method("CloseSpeech", &TGameScreen::CloseSpeech)
      .Method("FlyAndMoveToInventory", &TGameScreen::FlyAndMoveToInventory, {"AObject"})
      .Method("SndMissObject", &TGameScreen::SndMissObject, {"ASpeechVisible"})
      .Method("SndMissObjectEx", &TGameScreen::SndMissObject, {"ASpeechVisible"})
      .Method("ResetCursor", &TGameScreen::ResetCursor, {"ReturnToInventory"})
      .Method("UpdateCursor", &TGameScreen::UpdateCursor)
      .Method("SetHintSelecting", &TGameScreen::SetHintSelecting, {"Value"})
      .Method("BreakScanner", &TGameScreen::BreakScanner)
      .Method("TurnOnScanner", &TGameScreen::TurnOnScanner)
      .Method("MuseumAction", &TGameScreen::MuseumAction, {"AObj"})
      .Method("LevelComplete", &TGameScreen::LevelComplete)
      .Method("OpenPDALog", &TGameScreen::OpenPDALog)
      .Method("ShowBrief", &TGameScreen::ShowBrief, {"Avatar", "Text", "ASendingPicture"})
      .Method("ShowPDAMovie", &TGameScreen::ShowPDAMovie, {"WidgetNames"})
      .Method("ShowTutorial", &TGameScreen::ShowTutorial, {"Text"})
      .Method("ShowBlackScreen", &TGameScreen::ShowBlackScreen, {"Text"})
      .Method("ShowComix", &TGameScreen::ShowComix, {"URL", "Fading", "Skipping"})
      .Method("ShowCliffhanger", &TGameScreen::ShowCliffhanger)
      .Method("RegisterSpeechPosition", &TGameScreen::RegisterSpeechPosition,
              {"ID", "X", "Y", "Orientation"})
      .Method("CorrectHints", &TGameScreen::CorrectHints)
      .Method("ClearPlayerInventory", &TGameScreen::ClearPlayerInventory)
      .Method("GameComplete", &TGameScreen::GameComplete)
      .Method("GameOver", &TGameScreen::GameOver)
      .Method("FadeOutFromScript", &TGameScreen::FadeOutFromScript)
      .Method("UpdateCurrentItemsPage", &TGameScreen::UpdateCurrentItemsPage,
              {"AutoIncPageIndex", "AWaitEffect"})
      .Method("MaintainActiveLocation", &TGameScreen::MaintainActiveLocation)
      .Method("InitGameScripts", &TGameScreen::InitGameScripts)
      .Method("FlyToInventoryEx", &TGameScreen::FlyAndMoveToInventory, {"AObject"})
      .Method("GetDispositionAt", &TGameScreen::DispositionAtMouse)
      .Method("ODS", &TGameScreen::WriteDebug, {"S"});
}

// --- Settings ------------------------------------------------------------------------------------

int32_t TGameScreen::HintsCount() const {
  return CurrentPlayer ? CurrentPlayer->BriefInfo()->HintsCount : 0;
}

void TGameScreen::SetHintsCount(int32_t Value) {
  if (!CurrentPlayer) {
    return;
  }
  const int32_t Count = std::clamp(Value, 0, CMaxHints);
  CurrentPlayer->BriefInfo()->HintsCount = Count;
  if (Count == 0 && FHint) {
    FHint->Recharge(true);
  }
  if (auto* Label = TryObjectCast<TGLabel>(FindWidget("GameInterface\\Hint\\Label"))) {
    Label->SetData(std::to_string(CurrentPlayer->BriefInfo()->HintsCount));
  }
}

void TGameScreen::CorrectHints() {
  SetHintsCount(HintsCount());
}

bool TGameScreen::IsOnTop() const {
  return WindowHost && WindowHost->GetTopWindow() == this;
}

bool TGameScreen::MenuButtonVisible() const {
  TGWidget* Menu = FindWidget("GameInterface\\Menu");
  return Menu && Menu->Visible();
}

void TGameScreen::SetMenuButtonVisible(bool Value) {
  if (TGWidget* Menu = FindWidget("GameInterface\\Menu")) {
    Menu->SetVisible(Value);
    Menu->SetEnabled(Value);
  }
}

void TGameScreen::SetInterfaceVisible(bool Value) {
  FGameInterface->SetVisible(Value);
  if (TGWidget* Goal = FindWidget("Goal")) {
    Goal->SetVisible(Value);
  }
}

void TGameScreen::SetHintSelecting(bool Value) {
  FHintSelecting = Value;
}

std::string TGameScreen::DispositionAtMouse() {
  static const char* const Names[] = {"pdtLocation", "pdtInterface", "pdtItems", "pdtTools"};
  return Names[GetDispositionAt(MousePosition())];
}

void TGameScreen::WriteDebug(const std::string& S) {
  ODS("%s", S);
}

// --- Locations -----------------------------------------------------------------------------------

void TGameScreen::StartSwitch() {
  FScanner->SetObject(nullptr);
  FAvatarHelper->SetAvatarTypeTimed(atNormal, 3);
}

void TGameScreen::FadeToLocation(const std::string& ALocation) {
  StartSwitch();
  if (ActiveLocation()) {
    StateQueue()->Clear();
    new TWaitFlyingObjectsState(StateQueue());
    new TFadeOutGameScreenState(StateQueue());
  }
  new TSwitchToLocationGameScreenState(StateQueue(), ALocation);
  new TFadeInGameScreenState(StateQueue());
}

void TGameScreen::MoveToLocation(const std::string& ALocation) {
  StartSwitch();
  new THideGameInterfaceState(StateQueue());
  if (ActiveLocation()) {
    StateQueue()->Clear();
    new TWaitFlyingObjectsState(StateQueue());
  }
  new TSwitchToLocationGameScreenState(StateQueue(), ALocation);
  new TShowGameInterfaceState(StateQueue());
  new TFadeInGameScreenState(StateQueue());
}

void TGameScreen::SetActiveLocation(TLocation* Value) {
  if (Value != ActiveLocation() && ActiveLocation()) {
    FSpeechPositionRegistry->UnregisterSpeechPositions(ActiveLocation());
  }
  inherited::SetActiveLocation(Value);
  // A crash report names the profile's location (or the one shown without a profile).
  if (CurrentPlayer) {
    TCrashReporter::SetLocation(CurrentPlayer->LocationURL());
  } else if (Value) {
    TCrashReporter::SetLocation(Value->URL());
  }
}

void TGameScreen::MaintainActiveLocation() {
  auto* Wanted =
      CurrentPlayer ? TryObjectCast<TLocation>(CurrentPlayer->CurrentLocation()) : nullptr;
  if (Wanted != ActiveLocation()) {
    SetActiveLocation(Wanted);
  }
}

void TGameScreen::FillStateQueue() {
  new TCommonGameScreenState(StateQueue());
}

void TGameScreen::UpdateCurrentItemsPage(bool AutoIncPageIndex, bool AWaitEffect) {
  MaintainActiveLocation();
  if (TLocation* L = ActiveLocation()) {
    TLocationItemsPage* Page = L->ItemsDistribution()->CurrentPage();
    if (Page && Page->Frozen) {
      AutoIncPageIndex = false;
    }
  }
  inherited::UpdateCurrentItemsPage(AutoIncPageIndex, AWaitEffect);
  FInventoryHelper->TurnPage();
}

void TGameScreen::BeforeLocationSwitch() {
  CloseSpeech();
  FHint->KillSparks();
}

void TGameScreen::AfterLocationSwitch(TBaseLocation* Location) {
  if (auto* L = TryObjectCast<TLocation>(Location); L && !L->GameAvatar.empty()) {
    FAvatarHelper->SetAvatarURL(L->GameAvatar);
  }
  CorrectHints();
}

// --- Where the mouse is --------------------------------------------------------------------------

TPointDispositionType TGameScreen::GetDispositionAt(const TGFlatVector& Point) {
  const TGPoint P{static_cast<int32_t>(Point.X), static_cast<int32_t>(Point.Y)};
  auto Hits = [this, &P](const char* Path) {
    TGWidget* W = CachedWidget(Path);
    return W && W->GlobalVisible() && W->Hit(W->ScreenToParent(P), true, false);
  };
  if (!Hits("GameInterface") && !Hits("GoalHidden") && !Hits("Goal")) {
    return pdtLocation;
  }
  auto Inside = [this, &P](const char* Path) {
    TGWidget* W = CachedWidget(Path);
    return W && W->ScreenRectContains(P);
  };
  if (Inside("GameInterface\\BackPackItems")) {
    return pdtItems;
  }
  if (Inside("GameInterface\\BackPackTools")) {
    return pdtTools;
  }
  return pdtInterface;
}

// The panel's entries are tested in screen coordinates (the panel need not sit at the origin).
void TGameScreen::GetObjectAt(const TGFlatVector& Point, TGameObject*& Obj,
                              TGameObjectDispositionType& Disposition) {
  Obj = nullptr;
  Disposition = godtNone;
  const TGPoint P{static_cast<int32_t>(Point.X), static_cast<int32_t>(Point.Y)};
  TGWidget* Panel = FindWidget("GameInterface");
  if (!Panel || !Panel->GlobalVisible() || !Panel->Hit(Panel->ScreenToParent(P), true, false)) {
    inherited::GetObjectAt(Point, Obj, Disposition);
    return;
  }
  if (!CurrentPlayer) {
    return;
  }
  auto SlotAt = [this, &P](const char* Format_) -> int32_t {
    for (int32_t Slot = 0; Slot < CSlots; ++Slot) {
      TGWidget* W = FindWidget(Format(Format_, {int64_t{Slot + 1}}));
      if (W && W->GlobalVisible() && W->ScreenRectContains(P)) {
        return Slot;
      }
    }
    return -1;
  };
  TGWidget* Items = FindWidget("GameInterface\\BackPackItems");
  if (Items && Items->GlobalVisible() && Items->ScreenRectContains(P)) {
    const int32_t Slot = SlotAt("GameInterface\\BackPackItems\\Item%.2d");
    TItemsCollection* List = CurrentPlayer->Inventory()->Items();
    if (Slot >= 0 && Slot < List->Count() && List->Group(Slot)->Count() > 0) {
      Obj = List->Group(Slot)->ItemByIndex(0);
      Disposition = godtItems;
    }
    return;
  }
  TGWidget* Tools = FindWidget("GameInterface\\BackPackTools");
  if (Tools && Tools->GlobalVisible() && Tools->ScreenRectContains(P)) {
    const int32_t Slot = SlotAt("GameInterface\\BackPackTools\\Item%.2d");
    TToolsCollection* List = CurrentPlayer->Inventory()->Tools();
    if (Slot >= 0 && Slot < List->Count() && List->Group(Slot)->Count() > 0) {
      Obj = List->Group(Slot)->ItemByIndex(0); // a group's first tool stands for it
      Disposition = godtTools;
    }
    return;
  }
  TGWidget* Secret = FindWidget("GameInterface\\SecretItem");
  if (Secret && Secret->GlobalVisible() && Secret->ScreenRectContains(P)) {
    std::vector<TGameObject*> Listed = CurrentPlayer->InventoryItemObjects();
    if (!Listed.empty()) {
      Obj = Listed.front();
      Disposition = godtItems;
    }
  }
}

bool TGameScreen::AcceptsClicks(TGameObject* Obj) const {
  if (!Obj || !Obj->AllowMouse()) {
    return false;
  }
  TLocationGameObjectBehavior* B = LocationBehaviorOf(Obj);
  TLocation* L = ActiveLocation();
  TLocationItemsPage* Page = L ? L->ItemsDistribution()->CurrentPage() : nullptr;
  if (TryObjectCast<TPickableZephrinLocationBehavior>(B)) {
    return true;
  }
  if (TryObjectCast<TBasePickableLocationBehavior>(B) && Page && Page->IndexOf(Obj->ID()) >= 0) {
    return true;
  }
  if (TryObjectCast<TBaseCustomLocationBehavior>(B) &&
      Obj->Attrs()->IsPropExists("OnLocationMouseDown")) {
    return true;
  }
  if (TryObjectCast<TPickableHintLocationBehavior>(B)) {
    return true;
  }
  return IsToolTarget(Obj);
}

// --- Picking -------------------------------------------------------------------------------------

bool TGameScreen::FlyToInventoryEx(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) {
  if (!inherited::FlyToInventoryEx(AObject, AOnFinish)) {
    return false;
  }
  const int32_t AddScore = AObject->Points() * BonusFactorValue;
  if (FScanner->Visible() && FScanner->Enabled() && FScanner->LastGameObject() == AObject) {
    FScanner->ResetSelectedObject();
  }
  CurrentPlayer->AddScore(AddScore);
  BonusFactorValue = std::min(BonusFactorValue + 1, 2);
  RemainingBonusTime = ComboTime();
  return true;
}

void TGameScreen::FlyAndMoveToInventory(TGameObject* AObject) {
  FlyToInventoryEx(AObject, TFlightFinishEvent(this, &TGameScreen::OnObjectFinishFlying));
}

void TGameScreen::OnObjectFinishFlying(TGameObject* Sender) {
  Sender->SetTakingCount(Sender->TakingCount() - 1);
  MoveToInventory(Sender);
}

bool TGameScreen::PushFlight(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) {
  return FlyingControl()->Push(AObject, AOnFinish);
}

bool TGameScreen::IsFlying(const TGameObject* AObject) const {
  return FlyingControl()->IsFlying(AObject);
}

void TGameScreen::LandFlyingObjects() {
  FlyingControl()->FinishAll();
}

void TGameScreen::ResetCursor(bool ReturnToInventory) {
  inherited::ResetCursor(ReturnToInventory);
  UpdateCursor();
}

void TGameScreen::ClearPlayerInventory() {
  TToolsCollection* Tools = CurrentPlayer->Inventory()->Tools();
  while (Tools->Count() > 0 && Tools->Group(0)->Count() > 0) {
    AssignToCursor(Tools->Group(0)->ItemByIndex(0));
    ResetCursor(false);
  }
}

void TGameScreen::SndMissObject(bool ASpeechVisible) {
  if (!ASpeechVisible && AD) {
    AD->PlaySfx(CFaultSound, false);
  }
}

void TGameScreen::MuseumAction(TGameObject* AObj) {
  if (!AObj) {
    return;
  }
  std::string Message;
  if (AObj->Attrs()->IsPropExists("PickMessage")) {
    Message = AObj->Attrs()->GetProp("PickMessage").ToString();
  } else if (auto* Museum = TryObjectCast<TMuseumLocationBehavior>(LocationBehaviorOf(AObj))) {
    Message = Museum->PickMessage();
  }
  CurrentPlayer->MuseumItems()->AddItem(AObj->ID());
  if (TLocation* L = ActiveLocation(); L && L->MC()) {
    L->MC()->AddSpeechCue("Zari", Message);
  }
}

void TGameScreen::LevelComplete() {
  FAvatarHelper->SetAvatarTypeTimed(atHappy, 3);
}

void TGameScreen::SetAvatarHappy(float Seconds) {
  FAvatarHelper->SetAvatarTypeTimed(atHappy, Seconds);
}

void TGameScreen::GameComplete() {
  CurrentPlayer->FinishGame();
}

void TGameScreen::FadeOutFromScript() {
  FadeOut(false, false, nullptr);
}

// --- Speech --------------------------------------------------------------------------------------

void TGameScreen::Say(const std::string& PositionID, const std::string& Text,
                      const std::string& Script) {
  CurrentPlayer->SpeechLog()->AddSpeech(Text);
  CurrentPlayer->SpeechQueue()->AddCue(PositionID, Text, Script);
}

void TGameScreen::CloseSpeech() {
  FSpeechDialog->HideAtOnce();
}

bool TGameScreen::SpeechPending() const {
  return FSpeechDialog->Visible() ||
         (CurrentPlayer && CurrentPlayer->SpeechQueue() && !CurrentPlayer->SpeechQueue()->Empty());
}

void TGameScreen::RegisterSpeechPosition(const std::string& ID, float X, float Y,
                                         int32_t Orientation) {
  // Positions a location registers go with it.
  TGObject* Owner = ActiveLocation() ? static_cast<TGObject*>(ActiveLocation()) : this;
  FSpeechPositionRegistry->RegisterSpeechPosition(
      Owner, ID, {X, Y}, static_cast<TGDirection>(std::clamp<int32_t>(Orientation, dN, dNW)));
}

// The next line shows in the bubble; a line whose position nobody registered waits at the head
// of the queue (and is reported once) while the rest of the frame runs on.
bool TGameScreen::ShowNextSpeech() {
  TSpeechQueue* Queue = CurrentPlayer->SpeechQueue();
  TSpeechCue Cue;
  if (!Queue || FSpeechDialog->Visible() || !Queue->Peek(Cue)) {
    return true;
  }
  const int32_t Index = FSpeechPositionRegistry->IndexOf(Cue.PositionID);
  if (Index < 0) {
    if (!FSpeechPositionMissingLogged) {
      ODS("Speech position \"%s\" is not registered: the line \"%s\" waits", Cue.PositionID,
          Cue.Text);
      FSpeechPositionMissingLogged = true;
    }
    return false;
  }
  FSpeechPositionMissingLogged = false;
  const TSpeechPositionDesc Position = FSpeechPositionRegistry->GetItem(Index);
  FSpeechDialog->SetOrientation(Position.Orientation);
  FSpeechDialog->SetRootPosition(Position.RootPosition);
  FSpeechDialog->SetText(Cue.Text);
  KeepSpeechOnScreen();
  FSpeechDialog->ShowSpeech();
  Queue->Pop();
  // Drawn over everything else of the screen.
  Move(IndexOf(FSpeechDialog), Count() - 1);
  return true;
}

// An anchor near the screen's edge would put the bubble partly off the screen: it turns to the
// other side of its anchor instead.
void TGameScreen::KeepSpeechOnScreen() {
  const TGRectFloat R = FSpeechDialog->ScreenRect();
  const float ScreenWidth = WindowHost ? static_cast<float>(WindowHost->ScreenSize().X) : Width();
  const TGDirection D = FSpeechDialog->Orientation();
  if (R.Left < 0 && (D == dNW || D == dW || D == dSW)) {
    FSpeechDialog->SetOrientation(D == dNW ? dNE : D == dW ? dE : dSE);
  } else if (R.Right > ScreenWidth && (D == dNE || D == dE || D == dSE)) {
    FSpeechDialog->SetOrientation(D == dNE ? dNW : D == dE ? dW : dSW);
  }
}

// The line just read runs its script. (Taking the next queued cue instead would drop that line
// unseen and run its script for the wrong line.)
void TGameScreen::OnSpeechClose(TGObject* Sender) {
  (void)Sender;
  TSpeechQueue* Queue = CurrentPlayer ? CurrentPlayer->SpeechQueue() : nullptr;
  if (!Queue) {
    return;
  }
  const std::string Script = Queue->LastSpeech().Script;
  if (!Script.empty() && ScriptProcessor) {
    TGVariant Ignored;
    ScriptProcessor->Eval(Script, Ignored);
  }
}

// The developers' key for a puzzle that would take long to play: a puzzle location's script
// says how it is solved in a function named after the location ("<ID>CheatSolve": the
// locations' scripts share one context). False when it has none: the key then goes on to the
// location as any other (the match-three game takes it itself).
bool TGameScreen::SolvePuzzleByCheat() {
  TLocation* L = ActiveLocation();
  const auto IsNameChar = [](char C) {
    return std::isalnum(static_cast<unsigned char>(C)) || C == '_';
  };
  if (!ScriptProcessor || !L || L->GetID().empty() ||
      !std::all_of(L->GetID().begin(), L->GetID().end(), IsNameChar)) {
    return false;
  }
  const std::string Function = L->GetID() + "CheatSolve";
  TGVariant Defined;
  ScriptProcessor->Eval("typeof " + Function + " === \"function\"", Defined);
  if (!Defined.ToBoolean()) {
    return false;
  }
  TGVariant Ignored;
  ScriptProcessor->Eval(Function + "()", Ignored);
  return true;
}

// --- Windows over the screen ---------------------------------------------------------------------

void TGameScreen::ShowTutorial(const std::string& Text) {
  ShowTutorialWindow(Text);
}

void TGameScreen::ShowBlackScreen(const std::string& Text) {
  ::ShowBlackScreen(Text);
}

bool TGameScreen::ShowComix(const std::string& URL, int32_t Fading, bool Skipping) {
  // Bit 0 fades in, bit 1 fades out; the player's comics take the same fading as a count.
  const int32_t Count = (Fading & 1) && (Fading & 2) ? 2 : (Fading & 1) ? -1 : (Fading & 2) ? 1 : 0;
  return CurrentPlayer->PlayComixEx2(URL, Count, Skipping);
}

void TGameScreen::ShowCliffhanger() {
  TBriefPlayerInfo* Brief = CurrentPlayer->BriefInfo();
  if (Brief->CliffhangerViewed) {
    return;
  }
  Brief->CliffhangerViewed = true;
  ShowComix("Comix\\Cliffhanger.ani", 0, true);
}

void TGameScreen::OpenInGameMenu() {
  TPDAMenuWindow::ShowMenu(false);
}

void TGameScreen::OpenPDALog() {
  if (CurrentPlayer->HoldsObject()) {
    return;
  }
  ResetCursor(true);
  TPDAMenuWindow::ShowMenu(true);
}

void TGameScreen::ShowBrief(const std::string& Avatar, const std::string& Text,
                            bool ASendingPicture) {
  TPDAMenuWindow::ShowBriefing(Text, Avatar, ASendingPicture);
}

void TGameScreen::ShowPDAMovie(const std::string& WidgetNames) {
  TPDAMenuWindow::ShowMovie(WidgetNames, false);
}

void TGameScreen::ExitGame() {
  if (App) {
    App->CloseWindows(this);
  }
  SetVisible(false);
  Hide(TGHideOptions{1u << hoDestroyAfterHide});
}

void TGameScreen::OnMenuClick(TGObject* Sender) {
  (void)Sender;
  if (!CurrentPlayer->HoldsObject()) {
    ResetCursor(true);
    OpenInGameMenu();
  }
}

void TGameScreen::OnToolSlotEnter(TGObject* Sender) {
  auto* Slot = TryObjectCast<TGWidget>(Sender);
  if (!Slot || Slot->Name().size() < 6) {
    return;
  }
  int32_t N = 0;
  if (!TryStrToInt(Slot->Name().substr(4, 2), N)) {
    return;
  }
  TToolsCollection* Tools = CurrentPlayer->Inventory()->Tools();
  if (N - 1 < 0 || N - 1 >= Tools->Count() || Tools->Group(N - 1)->Count() == 0) {
    return;
  }
  const TGRectFloat R = Slot->ScreenRect();
  FGameInterface->StartToolHint(
      Tools->Group(N - 1)->ItemByIndex(0)->Caption(),
      TGPoint{static_cast<int32_t>((R.Left + R.Right) / 2), static_cast<int32_t>(R.Top)});
}

void TGameScreen::OnToolSlotLeave(TGObject* Sender) {
  (void)Sender;
  FGameInterface->HideToolHint();
}

void TGameScreen::OnScannerEvent(TGObject* Sender, int Event) {
  (void)Sender;
  if (Event == setSelectionWhileBroken) {
    if (TLocation* L = ActiveLocation()) {
      L->Goal()->SetTimedGoal(0, CScannerBrokenGoal, CScannerBrokenGoalTime);
    }
  }
}

void TGameScreen::OnCursorChange(TGObject* Sender, TBaseCursorState* OldState,
                                 TBaseCursorState* NewState, TGameObject* OldObject,
                                 TGameObject* NewObject) {
  (void)Sender;
  if (TLocation* L = ActiveLocation()) {
    L->CursorChange(CursorStateIndex(OldState), CursorStateIndex(NewState), OldObject, NewObject);
  }
}

// --- Scanner and punishment ----------------------------------------------------------------------

void TGameScreen::TurnOnScanner() {
  FScanner->TurnOn();
}

void TGameScreen::ResetScanner() {
  FScanner->ResetUseCounter();
}

void TGameScreen::HintObject(TGameObject* AObject) {
  FHint->HintObjectManual(AObject);
}

void TGameScreen::BreakScanner() {
  const TGameDifficulty Difficulty = CurrentPlayer->GameDifficulty();
  TLocation* L = ActiveLocation();
  if (Difficulty == gdAdventurer || Difficulty == gdSuperSleuth) {
    if (!FHint->Recharging()) {
      if (CurrentPlayer->FirstTimeScannerBreak) {
        CurrentPlayer->FirstTimeScannerBreak = false;
        CurrentPlayer->Say("Zari", "$Warning! Rapid clicking will eliminate your hints.$");
      } else {
        SetHintsCount(HintsCount() - 1);
        if (HintsCount() > 0) {
          FHint->Recharge(false);
        }
      }
    }
    FClickSequenceChecker->Reset();
  } else {
    if (!FScanner->Visible() || !FScanner->Enabled()) {
      return;
    }
    if (FScanner->BrokenType() == sbtBreak) {
      FScanner->SetBrokenTime(30000);
    }
    if ((L && L->IsPuzzleLocation()) || FScanner->Broken()) {
      return;
    }
    FScanner->ResetSelectedObject();
    if (CurrentPlayer->FirstTimeScannerBreak) {
      CurrentPlayer->FirstTimeScannerBreak = false;
      CurrentPlayer->Say("Zari", "$DANGER! Rapid clicking will break the scanner.$");
      FScanner->Noise(600);
    } else {
      FScanner->BreakScanner();
    }
  }
  FMissCount = 0;
  FAvatarHelper->SetAvatarTypeTimed(atAngry, 10);
}

// --- The frame -----------------------------------------------------------------------------------

void TGameScreen::UpdateTree(float DeltaTime) {
  ++FUpdateIdx;
  if (ConfigurationFlag("FastUpdate")) {
    DeltaTime *= 3;
  }
  if (CurrentPlayer->Cheats() && App && App->GetKey(VK_CONTROL) && App->GetKey(VK_SHIFT)) {
    DeltaTime *= 5;
  }
  const TGameState State = PlayerState();
  inherited::UpdateTree(State == gsGame || State == gsTip ? DeltaTime : 0);
}

void TGameScreen::UpdateChapterTime(float Interval) {
  TLocation* L = ActiveLocation();
  if (!IsOnTop() || !L || !TryObjectCast<TCommonGameState>(MainFlowState(L))) {
    return;
  }
  TBriefPlayerInfo* Brief = CurrentPlayer->BriefInfo();
  Brief->ChapterTime += TryObjectCast<TUnlimLocation>(L) ? Interval : -Interval;
  Brief->ChapterTime = std::max(Brief->ChapterTime, 0.0f);
}

void TGameScreen::Update(float DeltaTime) {
  const auto IntInterval = static_cast<int32_t>(DeltaTime * 1000);
  if (!CurrentPlayer->CliffhangerPlayed) {
    CurrentPlayer->CliffhangerTime += IntInterval;
  }
  if (FTimeFromLastHintUsage < 1.0f) {
    FTimeFromLastHintUsage += DeltaTime;
  }
  if (PlayerState() != gsGame) {
    if (FFirstUpdate) {
      MaintainActiveLocation();
      if (FGameInterface->Visible()) {
        FInventoryHelper->Update(IntInterval);
      }
      UpdateCursor();
      FFirstUpdate = false;
    }
    return;
  }
  // A quit request is confirmed on the device; a confirmed quit leaves the game for the main
  // menu, which ends the program (the device leaves by itself; this covers a device that could
  // not be shown).
  if (TPDAMenuWindow::AnswerQuitRequest() && AppIsClosing && Visible() && State() == wsDefault) {
    ExitGame();
    return;
  }
  UpdateChapterTime(DeltaTime);
  CurrentPlayer->BriefInfo()->PlayTime += DeltaTime;
  if (FIsGameOver && IsOnTop() && !FEndingDemo) {
    SetEffect(weShow, nullptr);
    SetEffect(weHide, nullptr);
    SetVisible(false);
    FEndingDemo = true;
    Hide();
  }
  FAnimationsQueue->Update(DeltaTime);
  FMusicManager->Update(DeltaTime);
  if (PM) {
    PM->SetupParticleHeir(FParticleSystem);
  }
  FGameInterface->Update(static_cast<int32_t>(std::lround(DeltaTime * 1000)));
  if (TPlayList* List = CurrentPlayer->PlayList()) {
    List->Update(DeltaTime);
  }
  MaintainActiveLocation();
  UpdateCursor();
  FAvatarHelper->Update(IntInterval);
  if (FGameInterface->Visible()) {
    FInventoryHelper->Update(IntInterval);
  }
  if (RemainingBonusTime > 0) {
    RemainingBonusTime = std::max(0, RemainingBonusTime - IntInterval);
    if (RemainingBonusTime == 0) {
      BonusFactorValue = 1;
    }
  }
  UpdateUI();
  // A line whose position is unknown waits; everything else of the frame still runs.
  ShowNextSpeech();
  FClickSequenceChecker->SetTime(static_cast<int64_t>(CurrentPlayer->BriefInfo()->PlayTime * 1000),
                                 FUpdateIdx);
  inherited::Update(DeltaTime);
  TGameObject* Capture = MouseCaptureObject();
  FHintObject = FHintSelecting && MouseDisposition() == pdtItems && Capture && !Capture->IsTaken()
                    ? Capture
                    : nullptr;
  FScanner->Update(DeltaTime);
  if (FScanner->Recovered()) {
    FClickSequenceChecker->Reset();
  }
  FHint->Update(DeltaTime);
  FParticleSystem->Update(DeltaTime);
  if (PM) {
    PM->RestoreParticleHeir();
  }
}

void TGameScreen::UpdateCursor() {
  TGameCursor* C = FGameCursor;
  C->BeginUpdate();
  TGameObject* Capture = MouseCaptureObject();
  if (FHintSelecting) {
    C->SetCursor(THintCursorState::StaticClass(), nullptr, nullptr);
  } else if (CurrentPlayer->HoldsObject()) {
    TGameObject* Held = CurrentPlayer->Cursor();
    TLocation* L = ActiveLocation();
    if (Capture && Capture->HotSpot()) {
      TInventoryGameObjectBehavior* B = InventoryBehaviorOf(Held);
      const bool Usable = B && B->ConditionsMet(Held, Capture);
      C->SetCursor(Usable ? THotSpotCursorState::StaticClass()
                          : THotSpotWrongCursorState::StaticClass(),
                   Held, nullptr);
      if (L) {
        L->HotSpot(Capture->ID(), true);
      }
    } else if (!Capture || Capture->CursorURL() != CZoomCursor) {
      C->SetCursor(TGameObjectCursorState::StaticClass(), Held, nullptr);
    } else {
      C->SetCursor(TGreenGameObjectCursorState::StaticClass(), Held, nullptr);
    }
  } else if (MouseDisposition() == pdtLocation && Capture && Capture->AllowMouse() &&
             MouseCaptureObjectDisposition() == godtLocation) {
    if (TGGraphic* Own = Capture->Cursor()) {
      if (IsWalkCursor(Own)) {
        C->SetCursor(TWalkCursorState::StaticClass(), Capture, Own);
      } else {
        C->SetCursor(TGameCursorState::StaticClass(), Capture, nullptr);
      }
      SetCursor(Own);
    } else if (Capture->HotSpot()) {
      C->SetCursor(TActBlueCursorState::StaticClass(), Capture, nullptr);
      if (TLocation* L = ActiveLocation()) {
        L->HotSpot(Capture->ID(), false);
      }
    }
  }
  C->EndUpdate();
}

std::string TGameScreen::CursorGraphicURL() const {
  TGGraphic* G = Cursor();
  return G ? G->URL() : std::string();
}

// --- What the panel shows ------------------------------------------------------------------------

void TGameScreen::UpdateUI() {
  UpdateGoal();
  UpdateBirds();
  UpdateScore();
  UpdateTimer();
  UpdateItemLabels();
  TGWidget* Items = CachedWidget("GameInterface\\BackPackItems");
  TGWidget* Secret = CachedWidget("GameInterface\\SecretItem");
  if (Items && Secret && Items->State() == wsDefault && Secret->State() == wsDefault &&
      Items->Visible() && Secret->Visible()) {
    Secret->SetVisible(false); // the list wins over the secret-item line
  }
}

void TGameScreen::UpdateGoal() {
  TLocation* L = ActiveLocation();
  const std::string Goal = L ? L->Goal()->Text() : std::string();
  if (Goal == FCurrentGoal) {
    return;
  }
  FCurrentGoal = Goal;
  auto* Picture = TryObjectCast<TGPicture>(FindWidget("Goal\\GoalText"));
  auto* Animation = Picture && Picture->Picture()
                        ? TryObjectCast<TGAnimation>(Picture->Picture()->Instance())
                        : nullptr;
  if (!Animation || Animation->Count() == 0) {
    return;
  }
  if (auto* Text = TryObjectCast<TGLiveText>(Animation->Channels(0))) {
    Text->Data()->SetValue(0, TGVariant(Goal));
  }
  Animation->SetElapsedTime(0);
}

void TGameScreen::UpdateBirds() {
  TLocation* L = ActiveLocation();
  const int32_t Taken = L ? L->TakenZephrinCount : 0;
  for (int32_t Threshold = 1; Threshold <= 2; ++Threshold) {
    TGWidget* Bird =
        CachedWidget(Threshold == 1 ? "GameInterface\\Zephrin01" : "GameInterface\\Zephrin02");
    if (!Bird || Bird->State() != wsDefault) {
      continue;
    }
    if (Bird->Visible() && Taken < Threshold) {
      Bird->SetVisible(false);
    } else if (!Bird->Visible() && Taken >= Threshold) {
      Bird->Show();
    }
  }
}

void TGameScreen::UpdateScore() {
  if (auto* Score = TryObjectCast<TGLabel>(CachedWidget("GameInterface\\Score"))) {
    const int32_t S = CurrentPlayer->Score();
    Score->SetData(S == 0 ? std::string() : IntToStrSeparatedEx(S, "$,$"));
  }
}

void TGameScreen::UpdateTimer() {
  TLocation* L = ActiveLocation();
  const std::string URL = L ? L->URL() : std::string();
  const TGameDifficulty Difficulty = CurrentPlayer->GameDifficulty();
  const bool Shown = URL.starts_with("5") || Difficulty == gdAdventurer;
  for (const char* Name : {"GameInterface\\Time", "GameInterface\\TimeIco"}) {
    if (TGWidget* W = CachedWidget(Name)) {
      W->SetVisible(Shown);
    }
  }
  auto* Time = TryObjectCast<TGLabel>(CachedWidget("GameInterface\\Time"));
  if (!Time) {
    return;
  }
  std::string Text;
  const bool Tutorial = L && SameText(URL, "01_Alaska_01.loc") &&
                        !(L->DynProps()->IsPropExists("IsTutorialReallyShown") &&
                          L->DynProps()->GetProp("IsTutorialReallyShown").ToBoolean());
  if (Tutorial) {
    Text = "$TIME$";
  } else if (URL.starts_with("5") || Difficulty != gdApprentice) {
    const auto Seconds =
        static_cast<int64_t>(std::nearbyint(CurrentPlayer->BriefInfo()->ChapterTime));
    Text = std::to_string(Seconds / 60) + ":" + IdxToStr(static_cast<int>(Seconds % 60));
  }
  Time->SetData(Text);
}

void TGameScreen::UpdateItemLabels() {
  TGWidget* Over = OverWidget();
  for (int32_t Slot = 0; Slot < CSlots; ++Slot) {
    TGWidget* Label = CachedWidget(SlotChildPath(Slot, false));
    TGWidget* Check = CachedWidget(SlotChildPath(Slot, true));
    if (Label && Label == Over && Check && !Check->Visible() && FHintSelecting) {
      Label->SetColor(TGColor(static_cast<uint32_t>(-256))); // opaque yellow
    }
  }
}

// --- Drawing and input ---------------------------------------------------------------------------

void TGameScreen::DrawTree() {
  if (FDrawingDisabled) {
    return;
  }
  // One batch over the whole screen: pictures of one texture page drawn one after another go
  // out in one draw, whatever lies between them in the tree (the device draws the queued ones
  // before anything else is drawn or a state they depend on changes).
  TGSprite::BeginBatch();
  try {
    inherited::DrawTree();
    FParticleSystem->Draw();
    FHint->Draw();
    FScanner->Draw();
    FAnimationsQueue->Draw();
  } catch (...) {
    TGSprite::EndBatch();
    throw;
  }
  TGSprite::EndBatch();
}

void TGameScreen::QueueAnimation(const std::string& URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  if (auto* G = Library ? TryObjectCast<TGGraphic>(Library->GetResourceEx(URL, false)) : nullptr) {
    FAnimationsQueue->Add(G);
  }
}

void TGameScreen::ClearAnimationsQueue() {
  FAnimationsQueue->Clear();
}

void TGameScreen::ShowGameInterface() {
  SetInterfaceVisible(true);
}

void TGameScreen::MouseDown(int Button) {
  if (TLocation* L = ActiveLocation()) {
    L->MouseDown(Button);
  }
  if (FIsMouseDownBlockedForOneTime) {
    FIsMouseDownBlockedForOneTime = false;
    return;
  }
  TGWindow::MouseDown(Button);
  if (!StateQueue()->Empty()) {
    StateQueue()->Peek()->MouseDown(Button);
  }
}

void TGameScreen::KeyDown(uint16_t Key) {
  inherited::KeyDown(Key);
  TLocation* L = ActiveLocation();
  if (!L || !L->FC()) {
    return;
  }
  const bool Cheats = CurrentPlayer->Cheats();
  if (Key == VK_ESCAPE) {
    if (CurrentPlayer->HoldsObject()) {
      ResetCursor(true);
    } else {
      OpenInGameMenu();
    }
  } else if (Key == 'M' && Cheats) {
    CurrentPlayer->PlayMapScreen();
  } else if (Key == 'X' && Cheats) {
    ResetCursor(false);
  } else if (Key == VK_F5 && Cheats) {
    ShowGotoLocationWindow();
  } else if (Key == VK_F6 && Cheats && SolvePuzzleByCheat()) {
    // Solved by the location's own script; the key goes no further.
  } else if (Key == VK_F9) {
    ODS("The text-fit checks belong to the language tools");
  } else if (TBaseFlowState* Flow = MainFlowState(L)) {
    Flow->WindowKeyDown(Key);
  }
}

void TGameScreen::AfterFadeIn() {
  inherited::AfterFadeIn();
  if (TBaseLocation* L = CurrentPlayer ? CurrentPlayer->CurrentLocation() : nullptr) {
    L->AfterFadeIn();
  }
}

void TGameScreen::ApplicationDeactivate() {
  // The game pauses under the in-game menu; the flag keeps playing on.
  if (!ConfigurationFlag("NoPauseOnDeactivate") && IsOnTop()) {
    ResetCursor(true);
    OpenInGameMenu();
  }
  inherited::ApplicationDeactivate();
}

void TGameScreen::ApplicationActivate() {
  // The pause taken when the program lost the focus ends as the menu's Back button ends it.
  if (auto* Menu =
          TryObjectCast<TPDAMenuWindow>(WindowHost ? WindowHost->GetTopWindow() : nullptr)) {
    Menu->Back();
  }
  inherited::ApplicationActivate();
}
