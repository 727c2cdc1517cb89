#include "locations/ULocation.h"

#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGRandom.h"
#include "base/UGStrUtils.h"
#include "flow/UBriefingStates.h"
#include "flow/UCommonGameState.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UPlayScreen.h"
#include "inventory/UInventory.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectBehavior.h"
#include "objects/UInventoryBehaviors.h"
#include "player/UCollections.h"
#include "player/UGameData.h"
#include "player/UMusicManager.h"
#include "player/UPlayList.h"
#include "player/UPlayer.h"
#include "player/UResourceLoader.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptLines.h"
#include "widgets/UFadeWindow.h"
#include "widgets/UGPicture.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <map>

G_IMPLEMENT_CLASS(TLocation)
G_IMPLEMENT_CLASS(TPuzzleLocation)

const char* const CGoalSearch = "$#GOAL#Search the area. Find all the objects in the list.$";
const char* const CGoalSecret = "$#GOAL#Find the secret object.$";
const char* const CGoalBlue = "$#GOAL#Use tools to uncover blue objects$";
const char* const CGoalNeedTool = "$#GOAL#A tool is needed for this area.$";
const char* const CGoalOtherTool = "$#GOAL#Try another tool here.$";
const char* const CGoalMagnify = "$Click to magnify.$";

namespace {

constexpr const char* DefaultAvatar = "UI\\GameWindow\\Avatars\\Zari\\Normal";
constexpr const char* DefaultBriefingAvatar = "Tobrel";
constexpr int32_t CPuzzleHintTime = 10000;
constexpr int32_t CScannerTipTime = 60000;
// The goal levels of the rules.
constexpr int32_t CLevelTool = 9;
constexpr int32_t CLevelPage = 40;
constexpr int32_t CLevelSearch = 60;

const TGXMLNode* FirstChild(const TGXMLNode* Node, std::string_view Name) {
  TGXMLCollection* C = Node->GetChilds(Name);
  return C->GetCount() > 0 ? C->GetItem(0) : nullptr;
}

IPlayScreen* Screen() {
  return PlayScreen();
}

} // namespace

TLocation::TLocation(TGObject* AOwner)
    : TBaseLocation(AOwner)
    , GameAvatar(DefaultAvatar)
    , PDABriefingAvatar(DefaultBriefingAvatar)
    , FGoal(new TGoalStack(this))
    , FArrangement(new TLocationArrangement(this))
    , FEvents(new TLocationEvents(this))
    , FActiveEvents(new TLocationEvents(this))
    , FPreloadResourceList(new TGStringList(this)) {
  FGoal->SetGoal(CLevelSearch, CGoalSearch);
  FPreloadResourceList->StringList().SetDuplicates(dupIgnore);
}

void TLocation::Publish(TGClassBuilder<TLocation>& B) {
  using T = TLocation;
  B.Property("MasterObjectName", &T::GetMasterObjectName, &T::SetMasterObjectName)
      .Property("Goal", &T::Goal)
      .Property("PuzzleHintShown", &T::PuzzleHintShown)
      .Property("ItemsLeft", &T::ItemsLeft)
      .Property("PageLeftItemsType", &T::PageLeftItemsType)
      .Property("PageLeftItemsCount", &T::PageLeftItemsCount)
      .Property("CurrentPageIndex", &T::CurrentPageIndex)
      .Property("PageCount", &T::PageCount)
      .Property("ActiveAnimationsCount", &T::ActiveAnimationsCount)
      .Property("CommonGoalMessage", &T::CommonGoalMessage)
      .Method("IsPuzzleLocation", &T::IsPuzzleLocation)
      .Method("GetZephrinsLeft", &T::GetZephrinsLeft)
      .Method("KeyDown_F6", &T::KeyDown_F6)
      .Method("BeforeObjectPick", &T::BeforeObjectPick, {"AObjID"})
      .Method("FillItemsDistribution", &T::FillItemsDistribution)
      .Method("IncrementUsedHintsCounter", &T::IncrementUsedHintsCounter)
      .Method("HotSpot", &T::HotSpot, {"AObjectName", "AWithTool"})
      .Method("ToolTaken", &T::ToolTaken, {"AToolID"})
      .Method("CustomHint", &T::CustomHint, {"AObject"})
      .Method("Solve", &T::Solve)
      .Method("StartPuzzleTimer", &T::StartPuzzleTimer, {"AHintObject"})
      .Method("ResetPuzzleTimer", &T::ResetPuzzleTimer)
      .Method("StopPuzzleTimer", &T::StopPuzzleTimer)
      .Method("RedistributeItems", &T::RedistributeItems)
      .Method("UpdateHotSpots", &T::UpdateHotSpots)
      .Method("StopLoopedSfx", &T::StopLoopedSfx)
      .Method("RestartLoopedSfx", &T::RestartLoopedSfx)
      .Method("StartLoopedSfx", &T::StartLoopedSfx)
      .Method("ClearTracks", &T::ClearTracks)
      .Method("AddTrack", &T::AddTrack, {"AURL"})
      .Method("FireEvent", &T::FireEvent, {"AEventName"})
      .Method("GetAnyToolTarget", &T::GetAnyToolTarget)
      .Method("Activate", &T::Activate)
      .Method("Deactivate", &T::Deactivate)
      .Method("Update", &T::Update, {"AInterval"});
}

void TLocation::Destroy() {
  if (FLoopedSfx) {
    UnSubscribe(FLoopedSfx);
    FLoopedSfx = nullptr;
  }
  inherited::Destroy();
}

std::string TLocation::EncodeText(std::string_view Text) {
  return ::EncodeText(Text);
}

std::string TLocation::DecodeText(std::string_view Text) {
  return ::DecodeText(Text);
}

TGameObject* TLocation::MasterObject() const {
  return MasterObjectName.empty() ? nullptr : Objects()->GetByIDReadOnly(MasterObjectName);
}

// --- Counting ----------------------------------------------------------------------------------

int32_t TLocation::ItemsLeft() const {
  if (!GameObjectCollector) {
    return 0;
  }
  int32_t Left = 0;
  TLocationItemsDistribution* D = ItemsDistribution();
  for (int P = 0; P < D->GetCount(); ++P) {
    TBaseLocationItemsPage* Page = D->Items(P);
    for (int I = 0; I < Page->Count(); ++I) {
      TGameObject* Obj = GameObjectCollector->GetByIDReadOnly(Page->GetItem(I));
      if (Obj && Obj->TakingCount() <= 0 && Obj->PageMax() > 0) {
        ++Left;
      }
    }
  }
  return Left;
}

int32_t TLocation::PageLeftItemsCount() const {
  TLocationItemsPage* Page = ItemsDistribution()->CurrentPage();
  if (!Page || !GameObjectCollector) {
    return 0;
  }
  int32_t Left = 0;
  for (int I = 0; I < Page->Count(); ++I) {
    TGameObject* Obj = GameObjectCollector->GetByIDReadOnly(Page->GetItem(I));
    Left += Obj && Obj->TakingCount() == 0 ? 1 : 0;
  }
  return Left;
}

int32_t TLocation::PageLeftItemsType() const {
  TLocationItemsPage* Page = ItemsDistribution()->CurrentPage();
  if (!Page || !GameObjectCollector) {
    return 0;
  }
  IPlayScreen* S = Screen();
  int32_t Type = 0;
  for (int I = 0; I < Page->Count(); ++I) {
    TGameObject* Obj = GameObjectCollector->GetByIDReadOnly(Page->GetItem(I));
    if (!Obj || !(Obj->TakingCount() == 0 || (S && S->IsFlying(Obj)))) {
      continue;
    }
    if (Page->MasterObjectPage) {
      Type |= pifMaster;
    } else {
      Type |= Obj->IsTool() ? pifTool : pifItem;
    }
    Type |= Obj->IsHidden() ? pifHidden : pifVisible;
  }
  return Type;
}

int32_t TLocation::CurrentPageIndex() const {
  return ItemsDistribution()->CurrentPageIndex();
}

int32_t TLocation::PageCount() const {
  return ItemsDistribution()->GetCount();
}

int32_t TLocation::GetZephrinsLeft() const {
  int32_t Left = 0;
  for (int I = 0; I < Objects()->Count(); ++I) {
    Left += Objects()->ItemsReadOnly(I)->LocationBehaviorName() == "Pickable Zephrin" ? 1 : 0;
  }
  return Left;
}

std::string TLocation::CommonGoalMessage() const {
  return FGoal->GetGoal(CLevelSearch);
}

// --- Dealing the objects to find ---------------------------------------------------------------

namespace {

// The deal of one location's objects into its pages.
class TDealer {
public:
  TDealer(TLocation& ALocation, TLocationItemsDistribution& APages)
      : L(ALocation)
      , Pages(APages)
      , P(APages.GetCount())
      , Blue(static_cast<size_t>(P), false)
      , Buckets(static_cast<size_t>(P) + 1) {}

  void Deal();

private:
  TLocationItemsPage* Page(int Index) const {
    return static_cast<TLocationItemsPage*>(Pages.Items(Index));
  }
  void ReadPages();
  bool AddObjectToGroup(TGameObject* Obj);
  void AddHiddenObject(TGameObject* Obj);
  void AddSimpleObject(TGameObject* Obj);
  void RegisterSimpleObject(TGameObject* Obj);
  void PlaceOn(int Index, TGameObject* Obj);
  [[noreturn]] void NoRoom(const TGameObject* Obj) const {
    throw Error("Failed to add game object %s - no spare page space found.", Obj->ID());
  }

  TLocation& L;
  TLocationItemsDistribution& Pages;
  const int P;
  std::vector<bool> Blue;
  std::vector<std::vector<TGameObject*>> Buckets;
  TGFastStringList Fixed;
  std::map<std::string, int, bool (*)(const std::string&, const std::string&)> GroupPage{
      [](const std::string& A, const std::string& B) { return StrIComp(A, B) < 0; }};
};

// Every object leaves its place: a cyclic shuffle from the program's generator.
void Shuffle(std::vector<TGameObject*>& Objects) {
  const int N = static_cast<int>(Objects.size());
  for (int I = 0; I + 1 < N; ++I) {
    int J = I + 1 + Random(N - I - 1);
    std::swap(Objects[static_cast<size_t>(I)], Objects[static_cast<size_t>(J)]);
  }
}

void TDealer::ReadPages() {
  Fixed.SetDuplicates(dupAccept);
  for (int I = 0; I < P; ++I) {
    TLocationItemsPage* Pg = Page(I);
    Pg->Capacity = Pg->Count();
    for (int E = 0; E < Pg->Count();) {
      const std::string ID = Pg->GetItem(E);
      if (SameText(ID, "Random")) {
        Pg->Remove(E);
        continue;
      }
      Fixed.Add(ID);
      TGameObject* Obj = GameObjectCollector ? GameObjectCollector->GetByID(ID) : nullptr;
      if (!Obj) {
        throw Error("%s not present.", ID);
      }
      if (!Obj->HiddenBy().empty()) {
        Blue[static_cast<size_t>(I)] = true;
      }
      ++E;
    }
  }
  Fixed.Sort();
}

void TDealer::PlaceOn(int Index, TGameObject* Obj) {
  Page(Index)->Add(Obj->ID());
  if (!Obj->GroupID().empty()) {
    GroupPage[Obj->GroupID()] = Index;
  }
}

bool TDealer::AddObjectToGroup(TGameObject* Obj) {
  auto It = Obj->GroupID().empty() ? GroupPage.end() : GroupPage.find(Obj->GroupID());
  if (It == GroupPage.end()) {
    return false;
  }
  TLocationItemsPage* Pg = Page(It->second);
  ++Pg->Capacity;
  Pg->Add(Obj->ID());
  return true;
}

void TDealer::AddHiddenObject(TGameObject* Obj) {
  if (AddObjectToGroup(Obj)) {
    return;
  }
  const int First = std::max(Obj->PageMin(), 1);
  const int Last = std::min(P, Obj->PageMax());
  for (int Number = Last; Number >= First; --Number) {
    if (Page(Number - 1)->SpaceLeft() > 0) {
      PlaceOn(Number - 1, Obj);
      Blue[static_cast<size_t>(Number - 1)] = true;
      return;
    }
  }
  NoRoom(Obj);
}

void TDealer::AddSimpleObject(TGameObject* Obj) {
  if (AddObjectToGroup(Obj)) {
    return;
  }
  const int First = std::max(Obj->PageMin(), 1);
  const int Last = std::min(P, Obj->PageMax());
  for (int Number = First; Number <= Last; ++Number) {
    if (!Blue[static_cast<size_t>(Number - 1)] && Page(Number - 1)->SpaceLeft() > 0) {
      PlaceOn(Number - 1, Obj);
      return;
    }
  }
  if (Obj->PageMin() > 0) {
    NoRoom(Obj);
  }
  // An object without a lower bound that finds no room is left out for good.
  Obj->SetPageMax(0);
}

void TDealer::RegisterSimpleObject(TGameObject* Obj) {
  if (Obj->PageMin() == 0) {
    Buckets[static_cast<size_t>(P)].push_back(Obj);
    return;
  }
  const int Bucket = std::min(P, Obj->PageMax()) - Obj->PageMin();
  if (Bucket < 0 || Bucket > P) {
    throw ERangeError(
        Format("Object %s of location %s may appear on pages %d to %d, but the "
               "location has %d pages",
               {Obj->ID(), L.ID, int64_t{Obj->PageMin()}, int64_t{Obj->PageMax()}, int64_t{P}}));
  }
  Buckets[static_cast<size_t>(Bucket)].push_back(Obj);
}

void TDealer::Deal() {
  TGameObjectCollection* Objects = L.Objects();
  const bool CheckClues = ConfigurationFlag("CheckCluesMode");
  for (int I = 0; I < Objects->Count(); ++I) {
    TGameObject* Obj = Objects->ItemsReadOnly(I);
    if (CheckClues && !Obj->Clue().empty()) {
      Obj->SetPageMin(1);
    }
    if (Obj->LocationBehaviorName() == "Museum") {
      Obj->SetPageMin(1);
    }
  }
  ReadPages();
  for (int I = 0; I < Objects->Count(); ++I) {
    TGameObject* Obj = Objects->ItemsReadOnly(I);
    int Index = 0;
    if (Obj->PageMax() == 0 || Fixed.Find(Obj->ID(), Index)) {
      continue;
    }
    if (Obj->IconURL().empty()) {
      Obj->SetIconURL(Obj->GfxURL());
    }
    if (!Obj->HiddenBy().empty()) {
      AddHiddenObject(Obj);
    } else {
      RegisterSimpleObject(Obj);
    }
  }
  for (std::vector<TGameObject*>& Bucket : Buckets) {
    Shuffle(Bucket);
    for (TGameObject* Obj : Bucket) {
      AddSimpleObject(Obj);
    }
  }
}

} // namespace

void TLocation::FillItemsDistribution() {
  TDealer(*this, *ItemsDistribution()).Deal();
  UpdateHotSpots();
  // Birds already collected here go straight back into the inventory.
  if (!CurrentPlayer) {
    return;
  }
  std::vector<TGameObject*> Collected;
  for (int I = 0; I < Objects()->Count(); ++I) {
    TGameObject* Obj = Objects()->ItemsReadOnly(I);
    if (Obj->LocationBehaviorName() == "Pickable Zephrin" &&
        CurrentPlayer->CollectedZephrins()->IsCollected(URL(), Obj->ID())) {
      Collected.push_back(Obj);
    }
  }
  for (TGameObject* Bird : Collected) {
    if (IPlayScreen* S = Screen()) {
      S->MoveToInventory(Bird);
    }
    RemoveGameObject(Bird);
    ++TakenZephrinCount;
  }
}

// --- Clicks and hot spots ----------------------------------------------------------------------

TGameObject* TLocation::HitObject(const std::vector<std::string>& AllowObjects) {
  IPlayScreen* S = Screen();
  const TGFlatVector Mouse = S ? S->CursorPosition() : TGFlatVector{-1e9f, -1e9f};
  for (int I = Objects()->Count(); I-- > 0;) {
    TGameObject* Obj = Objects()->ItemsReadOnly(I);
    if (Obj->AllowMouse() && Obj->Hit(Mouse)) {
      return Obj;
    }
  }
  for (int I = Objects()->Count(); I-- > 0;) {
    TGameObject* Obj = Objects()->ItemsReadOnly(I);
    bool Allowed = std::any_of(AllowObjects.begin(), AllowObjects.end(),
                               [Obj](const std::string& ID) { return SameText(ID, Obj->ID()); });
    if (Allowed && Obj->Hit(Mouse)) {
      return Obj;
    }
  }
  return nullptr;
}

void TLocation::HotSpot(const std::string& AObjectName, bool AWithTool) {
  if (!AWithTool) {
    RunScript(ObjectLine("HotSpotObject", AObjectName));
    if (HotSpotScript.empty() || !ScriptIsTrue(HotSpotScript)) {
      FGoal->SetGoal(CLevelTool, CGoalNeedTool);
    }
    return;
  }
  if (AObjectName.empty()) {
    return;
  }
  TGameObject* Held = CurrentPlayer ? CurrentPlayer->Cursor() : nullptr;
  std::string Targets = Held ? Held->GetStrAttr("BackPackTargetObject") : std::string();
  if (Targets.empty() || !IDListHas(Targets, AObjectName)) {
    FGoal->SetGoal(CLevelTool, CGoalOtherTool);
  }
}

void TLocation::UpdateHotSpots() {
  auto MarkTargets = [this](const TGameObject* Tool) {
    if (!Tool || (!MasterObjectName.empty() && SameText(Tool->ID(), MasterObjectName))) {
      return;
    }
    std::vector<std::string> Parts;
    SplitString(Tool->GetStrAttr("BackPackTargetObject"), ',', Parts);
    for (const std::string& P : Parts) {
      if (TGameObject* Target = Objects()->GetByIDReadOnly(Trim(P))) {
        Target->SetHotSpot(true);
      }
    }
  };
  for (int I = 0; I < Objects()->Count(); ++I) {
    if (Objects()->ItemsReadOnly(I)->IsTool()) {
      MarkTargets(Objects()->ItemsReadOnly(I));
    }
  }
  if (CurrentPlayer) {
    TToolsCollection* Tools = CurrentPlayer->Inventory()->Tools();
    for (int G = 0; G < Tools->Count(); ++G) {
      for (int I = 0; I < Tools->Group(G)->Count(); ++I) {
        MarkTargets(Tools->Group(G)->ItemByIndex(I));
      }
    }
  }
}

TGameObject* TLocation::GetAnyToolTarget() const {
  if (!CurrentPlayer || CurrentPlayer->Inventory()->Tools()->Count() == 0 || !GameObjectCollector) {
    return nullptr;
  }
  TGameObject* Tool = CurrentPlayer->Inventory()->Tools()->Items(0);
  std::vector<std::string> Parts;
  SplitString(Tool->GetStrAttr("BackPackTargetObject"), ',', Parts);
  return Parts.empty() ? nullptr : GameObjectCollector->GetByIDReadOnly(Trim(Parts.front()));
}

void TLocation::CursorChange(int AOldState, int ANewState, TGameObject* AOldObject,
                             TGameObject* ANewObject) {
  (void)AOldState;
  (void)AOldObject;
  (void)ANewObject;
  FGoal->SetGoal(CLevelTool, "");
  // The cursor state of a game object under the mouse that shows the object's own cursor, as the
  // play screen numbers its states (pointer 0 ... walk 10).
  constexpr int CGameObjectCursorState = 9;
  IPlayScreen* S = Screen();
  if (ANewState == CGameObjectCursorState && S &&
      SameText(S->CursorGraphicURL(), "Cursors\\Zoom.ani") &&
      !DynProps()->IsPropExists("ManualMagnifyHint")) {
    FGoal->SetGoal(CLevelTool, CGoalMagnify);
  }
}

bool TLocation::CustomHint(TGameObject* AObject) {
  (void)AObject;
  SolveVisible = IsPuzzleLocation();
  return false;
}

void TLocation::Solve() {
  RunScript(OnSolveScript);
}

void TLocation::BeforeObjectPick(const std::string& AObjID) {
  if (!MasterObjectName.empty() && SameText(AObjID, MasterObjectName)) {
    if (IPlayScreen* S = Screen()) {
      S->SetAvatarHappy(3.0f);
    }
  }
}

// --- Timers, events and sounds -----------------------------------------------------------------

void TLocation::StartPuzzleTimer(const std::string& AHintObject) {
  FPuzzleTimeLeft = CPuzzleHintTime;
  FPuzzleTimerStarted = true;
  FPuzzleHintShown = false;
  FPuzzleHintObjectId = AHintObject;
}

void TLocation::ResetPuzzleTimer() {
  FPuzzleTimeLeft = CPuzzleHintTime;
}

void TLocation::StopPuzzleTimer() {
  FPuzzleTimerStarted = false;
  FPuzzleHintShown = true;
  FPuzzleHintObjectId.clear();
}

void TLocation::FireEvent(const std::string& AEventName) {
  if (TLocationEvent* E = FEvents->FindEvent(AEventName)) {
    FActiveEvents->AddCopy(E);
  }
}

void TLocation::OnLoopedSfxDestroyed(TGObject* Sender) {
  if (Sender == FLoopedSfx) {
    FLoopedSfx = nullptr;
  }
}

void TLocation::StartLoopedSfx() {
  if (FLoopedSfx || LoopedSfxURL.empty() || !AD) {
    return;
  }
  TGAudioState* State = AD->PlaySfx(LoopedSfxURL, true);
  if (!State) {
    return;
  }
  FLoopedSfx = State;
  Subscribe(TGNotification(State, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TLocation::OnLoopedSfxDestroyed));
  State->SetVolume(AD->SoundVolume());
  State->SetLooped(true);
  State->SetPaused(false);
}

void TLocation::StopLoopedSfx() {
  if (FLoopedSfx) {
    TGAudioState* State = FLoopedSfx;
    UnSubscribe(State);
    FLoopedSfx = nullptr;
    State->SlideVolumeAndStop(500);
  }
}

void TLocation::RestartLoopedSfx() {
  StopLoopedSfx();
  StartLoopedSfx();
}

// --- Running -----------------------------------------------------------------------------------

void TLocation::FillMainChannel() {
  new TCommonGameState(FC()->MainChannel());
}

void TLocation::Activate() {
  IPlayScreen* S = Screen();
  if (S) {
    S->ResetScanner();
    S->ClearAnimationsQueue();
  }
  if (auto* Library = TryObjectCast<TResourceLibrary>(MainResourceLibrary())) {
    if (TResourceLoader* Loader = Library->ResourceLoader()) {
      Loader->Clear();
      for (const auto& Item : *FPreloadResourceList) {
        Loader->Add(Item.String);
      }
    }
  }
  RunScript(MusicHandlerScript);
  if (TMusicManager* Music = S ? S->MusicManager() : nullptr) {
    Music->Clear();
    for (const std::string& Track : FArrangement->Tracks()) {
      Music->Add(Track);
    }
    Music->SetPauseBetweenTracks(FArrangement->PauseBetweenTracks());
  }
  if (VisitCount() == 0 && FC()->MainChannel()) {
    new TBlackScreenBriefingState(FC()->MainChannel());
  }
  if (S) {
    S->UpdateCurrentItemsPage(false, false);
  }
  TBaseLocation::Activate();
  if (VisitCount() == 1) {
    FireEvent("FirstActivate");
    RunScript(OnFirstActivateScript);
  }
  StartLoopedSfx();
  FGamePlayTime = 0;
  FUsedHintsCounter = 0;
  FScannerTipTimer = 0;
}

void TLocation::Deactivate() {
  if (CurrentPlayer) {
    CurrentPlayer->IncrementSessionPlaytime(FGamePlayTime);
  }
  StopLoopedSfx();
  TBaseLocation::Deactivate();
}

std::string TLocation::ItemsPageGoal() const {
  const int32_t T = PageLeftItemsType();
  if (T > 0 && (T & pifMaster)) {
    return CGoalSecret;
  }
  if (T > 0 && !(T & pifMaster) && !(T & pifVisible)) {
    return CGoalBlue;
  }
  return {};
}

void TLocation::UpdateAtmosphere(int32_t AInterval) {
  if (FAtmosphereObjects.empty()) {
    return;
  }
  FCurrentTimeChangeAtmosphere -= AInterval;
  if (FCurrentTimeChangeAtmosphere >= 0) {
    return;
  }
  FCurrentTimeChangeAtmosphere = FTimeChangeAtmosphere;
  const int Pick = Random(static_cast<int32_t>(FAtmosphereObjects.size()));
  FCurrentAtmosphereObject = FAtmosphereObjects[static_cast<size_t>(Pick)];
  TGameObject* Obj = Objects()->GetByIDReadOnly(FCurrentAtmosphereObject);
  if (!Obj) {
    FAtmosphereObjects.erase(FAtmosphereObjects.begin() + Pick);
    return;
  }
  if (Obj->Symbol()->IsFinished()) {
    Obj->RestartAnimation();
  } else {
    FCurrentTimeChangeAtmosphere = 0; // busy: another pick on the next update
  }
}

void TLocation::UpdateScannerTip(int32_t AInterval) {
  if (!CurrentPlayer || CurrentPlayer->ScannerTipShown) {
    return;
  }
  FScannerTipTimer += AInterval;
  if (FScannerTipTimer <= CScannerTipTime || ID.compare(0, 6, "Athens") != 0) {
    return;
  }
  CurrentPlayer->ScannerTipShown = true;
  IPlayScreen* S = Screen();
  TFadeWindow* Window = S ? S->Window() : nullptr;
  if (auto* Blink =
          Window ? TryObjectCast<TGPicture>(Window->FindWidget("GameInterface\\ScannerBlink"))
                 : nullptr) {
    // The blink plays from its start on the picture, which then shows it by itself.
    if (auto* A = TryObjectCast<TGAnimation>(Blink->Picture()->Instance())) {
      A->SetElapsedTime(0);
    }
    Blink->SetVisible(true);
  }
}

void TLocation::Update(int32_t AInterval) {
  TBaseLocation::Update(AInterval);
  if (InGameEditor()) {
    return;
  }
  TimeOnLocation += static_cast<float>(AInterval) / 1000.0f;
  FGoal->SetGoal(CLevelPage, ItemsPageGoal());
  FGoal->Update(AInterval);
  FGamePlayTime += static_cast<float>(AInterval);
  if (FPuzzleTimerStarted) {
    FPuzzleTimeLeft -= AInterval;
    if (FPuzzleTimeLeft <= 0 && !AppIsClosing && !FPuzzleHintObjectId.empty()) {
      TGameObject* Obj = Objects()->GetByIDReadOnly(FPuzzleHintObjectId);
      if (IPlayScreen* S = Screen(); S && Obj) {
        S->HintObject(Obj);
      }
      StopPuzzleTimer();
    }
  }
  FActiveEvents->Update(AInterval);
  UpdateAtmosphere(AInterval);
  UpdateScannerTip(AInterval);
}

// --- Files -------------------------------------------------------------------------------------

void TLocation::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  TBaseLocation::LoadFromXML(Context, Node);
  OnHintScript = Node->GetStrAttrDef("OnHint", "");
  OnSolveScript = Node->GetStrAttrDef("OnSolve", "");
  OnFirstActivateScript = Node->GetStrAttrDef("OnFirstActivateScript", "");
  MusicHandlerScript = Node->GetStrAttrDef("OnMusicHandler", "");
  HotSpotScript = Node->GetStrAttrDef("OnHotSpot", "");
  SolveVisible = Node->GetBoolAttrDef("SolveVisible", false);
  KeepToolsOpened = Node->GetBoolAttrDef("KeepToolsOpened", false);
  KeepToolsClosed = Node->GetBoolAttrDef("KeepToolsClosed", false);
  CannotCarryMsg = Node->GetStrAttrDef("CannotCarryMsg", "");
  LoopedSfxURL = Node->GetStrAttrDef("LoopedSfx", "");
  GameAvatar = Node->GetStrAttrDef("GameAvatar", DefaultAvatar);
  BlackScreenBriefingText = DecodeText(Node->GetStrAttrDef("BlackScreenBriefingText", ""));
  PDABriefingText = DecodeText(Node->GetStrAttrDef("PDABriefingText", ""));
  PDABriefingAvatar = Node->GetStrAttrDef("PDABriefingAvatar", DefaultBriefingAvatar);
  FPuzzleHintShown = Node->GetBoolAttrDef("PuzzleHintShown", false);
  ScannerUsed = Node->GetBoolAttrDef("ScannerUsed", false);
  HintUsed = Node->GetBoolAttrDef("HintUsed", false);
  TakenZephrinCount = Node->GetIntAttrDef("TakenZephrinCount", 0);
  TimeOnLocation = Node->GetFloatAttrDef("TimeOnLocation", 0);
  MasterObjectName = Node->GetStrAttrDef("MasterObject", "");

  FGoal->Clear();
  const TGXMLNode* Goal = FirstChild(Node, "Goal");
  if (Goal && Goal->GetChilds("Item")->GetCount() > 0) {
    FGoal->LoadFromXML(Goal);
  } else {
    FGoal->SetGoal(CLevelSearch, CGoalSearch);
  }
  FAtmosphereObjects.clear();
  if (const TGXMLNode* Atmosphere = FirstChild(Node, "AtmosphereObjects")) {
    FTimeChangeAtmosphere = Atmosphere->GetIntAttrDef("TimeChangeAtmosphere", 1000);
    for (const TGXMLNode* O : *Atmosphere->GetChilds("Object")) {
      FAtmosphereObjects.push_back(O->GetStrAttr("ID"));
    }
  }
  FCurrentTimeChangeAtmosphere = FTimeChangeAtmosphere;
  if (const TGXMLNode* Tracks = FirstChild(Node, "Tracks")) {
    FArrangement->LoadFromXML(Tracks);
  }
  FPreloadResourceList->LoadFromXML(Node, "PreloadResource");
  FEvents->Clear();
  FEvents->LoadFromXML(FirstChild(Node, "Events"));
  FActiveEvents->Clear();
  if (const TGXMLNode* Active = FirstChild(Node, "ActiveEvents")) {
    FActiveEvents->LoadFromXML(FirstChild(Active, "Events"));
  }
}

TGXMLNode* TLocation::SaveToXML() const {
  TGObjectPtr<TGXMLNode> XML(TBaseLocation::SaveToXML());
  XML->SetStrAttrDef("OnHint", "", OnHintScript);
  XML->SetStrAttrDef("OnSolve", "", OnSolveScript);
  XML->SetStrAttrDef("OnFirstActivateScript", "", OnFirstActivateScript);
  XML->SetStrAttrDef("OnMusicHandler", "", MusicHandlerScript);
  XML->SetStrAttrDef("OnHotSpot", "", HotSpotScript);
  XML->SetBoolAttrDef("SolveVisible", false, SolveVisible);
  XML->SetBoolAttrDef("KeepToolsOpened", false, KeepToolsOpened);
  XML->SetBoolAttrDef("KeepToolsClosed", false, KeepToolsClosed);
  XML->SetStrAttrDef("CannotCarryMsg", "", CannotCarryMsg);
  XML->SetStrAttrDef("LoopedSfx", "", LoopedSfxURL);
  XML->SetStrAttr("GameAvatar", GameAvatar);
  XML->SetStrAttrDef("BlackScreenBriefingText", "", EncodeText(BlackScreenBriefingText));
  XML->SetStrAttrDef("PDABriefingText", "", EncodeText(PDABriefingText));
  XML->SetStrAttrDef("PDABriefingAvatar", DefaultBriefingAvatar, PDABriefingAvatar);
  XML->SetBoolAttr("PuzzleHintShown", FPuzzleHintShown);
  XML->SetBoolAttr("ScannerUsed", ScannerUsed);
  XML->SetBoolAttr("HintUsed", HintUsed);
  XML->SetIntAttrDef("TakenZephrinCount", 0, TakenZephrinCount);
  XML->SetFloatAttr("TimeOnLocation", TimeOnLocation);
  XML->SetStrAttrDef("MasterObject", "", MasterObjectName);
  XML->AddNode(FGoal->SaveToXML());
  TGXMLNode* Atmosphere = XML->AddChild("AtmosphereObjects");
  Atmosphere->SetIntAttrDef("TimeChangeAtmosphere", 1000, FTimeChangeAtmosphere);
  for (const std::string& ID : FAtmosphereObjects) {
    Atmosphere->AddChild("Object")->SetStrAttr("ID", ID);
  }
  XML->AddNode(FArrangement->SaveToXML());
  FPreloadResourceList->SaveToXML(XML.get(), "", "PreloadResource");
  if (FEvents->GetCount() > 0) {
    XML->AddNode(FEvents->SaveToXML());
  }
  if (FActiveEvents->GetCount() > 0) {
    XML->AddChild("ActiveEvents")->AddNode(FActiveEvents->SaveToXML());
  }
  return XML.release();
}

void TLocation::AssignTo(TGObject* Dest) const {
  TBaseLocation::AssignTo(Dest);
  auto* Target = TryObjectCast<TLocation>(Dest);
  if (!Target) {
    return;
  }
  Target->OnHintScript = OnHintScript;
  Target->OnSolveScript = OnSolveScript;
  Target->OnFirstActivateScript = OnFirstActivateScript;
  Target->MusicHandlerScript = MusicHandlerScript;
  Target->HotSpotScript = HotSpotScript;
  Target->SolveVisible = SolveVisible;
  Target->KeepToolsOpened = KeepToolsOpened;
  Target->KeepToolsClosed = KeepToolsClosed;
  Target->CannotCarryMsg = CannotCarryMsg;
  Target->LoopedSfxURL = LoopedSfxURL;
  Target->GameAvatar = GameAvatar;
  Target->BlackScreenBriefingText = BlackScreenBriefingText;
  Target->PDABriefingText = PDABriefingText;
  Target->PDABriefingAvatar = PDABriefingAvatar;
  Target->ScannerUsed = ScannerUsed;
  Target->HintUsed = HintUsed;
  Target->TakenZephrinCount = TakenZephrinCount;
  Target->TimeOnLocation = TimeOnLocation;
  Target->MasterObjectName = MasterObjectName;
  Target->ItemDistributionPageCount = ItemDistributionPageCount;
  Target->FGoal->Assign(FGoal);
  Target->FEvents->Assign(FEvents);
  Target->FArrangement->Assign(FArrangement);
  Target->FAtmosphereObjects = FAtmosphereObjects;
  Target->FTimeChangeAtmosphere = FTimeChangeAtmosphere;
  Target->FPreloadResourceList->Assign(FPreloadResourceList);
}
