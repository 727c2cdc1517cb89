#include "Screens/UGameScreenInventoryHelper.h"

#include "Screens/UBaseGameScreen.h"
#include "Screens/UGameInterface.h"
#include "Screens/UGameScreen.h"
#include "Screens/UGameScreenStates.h"
#include "Screens/UScanner.h"
#include "base/UGError.h"
#include "base/UGFormat.h"
#include "drawables/UGGraphic.h"
#include "flow/UFlowState.h"
#include "inventory/UInventory.h"
#include "locations/ULocation.h"
#include "locations/ULocationItemsDistribution.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "platform/UKeyCodes.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"

G_IMPLEMENT_CLASS(TItemsState)
G_IMPLEMENT_CLASS(TStaticItemsState)
G_IMPLEMENT_CLASS(TRegularStaticItemsState)
G_IMPLEMENT_CLASS(TMasterStaticItemsState)
G_IMPLEMENT_CLASS(TRegularUpdateUIItemsState)
G_IMPLEMENT_CLASS(TMasterUpdateUIItemsState)
G_IMPLEMENT_CLASS(THideWidgetItemsState)
G_IMPLEMENT_CLASS(TShowWidgetItemsState)
G_IMPLEMENT_CLASS(TToolsState)
G_IMPLEMENT_CLASS(TWaitForWidgetToolsState)
G_IMPLEMENT_CLASS(TOpeningToolsState)
G_IMPLEMENT_CLASS(TClosingToolsState)
G_IMPLEMENT_CLASS(TOpenedToolsState)
G_IMPLEMENT_CLASS(TClosedToolsState)
G_IMPLEMENT_CLASS(TGameScreenInventoryHelper)

namespace {

constexpr int32_t CSlots = 8;
constexpr const char* CItemsPanel = "GameInterface\\BackPackItems";
constexpr const char* CSecretItem = "GameInterface\\SecretItem";
constexpr const char* CToolsOpen = "GameInterface\\BackPackTools";
constexpr const char* CToolsClosed = "GameInterface\\BackPackToolsClosed";
// Fewer objects left than this and the drawer also opens for objects hidden behind others.
constexpr int32_t CFewItemsLeft = 16;

// The screen keeps what it found: these are looked up every frame.
TGWidget* ScreenWidget(std::string_view Path) {
  TGameScreen* S = CurrentGameScreen();
  return S ? S->CachedWidget(Path) : nullptr;
}

// The paths of a slot of the objects list (its child Label or Check, or the slot itself) and of
// the drawer, made once.
const std::string& SlotPath(int32_t Slot, const char* Child) {
  static const std::vector<std::string> Paths = [] {
    std::vector<std::string> P;
    for (int32_t I = 0; I < CSlots; ++I) {
      const std::string Item = Format("GameInterface\\BackPackItems\\Item%.2d", {int64_t{I + 1}});
      P.push_back(Item);
      P.push_back(Item + "\\Label");
      P.push_back(Item + "\\Check");
    }
    return P;
  }();
  const size_t Kind = !Child ? 0 : std::string_view(Child) == "Label" ? 1 : 2;
  return Paths[static_cast<size_t>(Slot) * 3 + Kind];
}

const std::string& ToolPath(int32_t Slot) {
  static const std::vector<std::string> Paths = [] {
    std::vector<std::string> P;
    for (int32_t I = 0; I < CSlots; ++I) {
      P.push_back(Format("GameInterface\\BackPackTools\\Item%.2d", {int64_t{I + 1}}));
    }
    return P;
  }();
  return Paths[static_cast<size_t>(Slot)];
}

constexpr const char* CSecretItemLabel = "GameInterface\\SecretItem\\Label";

TItemsCollection* ItemsList() {
  return CurrentPlayer ? CurrentPlayer->Inventory()->Items() : nullptr;
}

TLocation* ActiveLocation() {
  TGameScreen* S = CurrentGameScreen();
  return S ? S->ActiveLocation() : nullptr;
}

void SetVisible(std::string_view Path, bool Value) {
  if (TGWidget* W = ScreenWidget(Path)) {
    W->SetVisible(Value);
  }
}

uint32_t KindColor(int32_t Kind) {
  switch (Kind) {
  case TGameScreenInventoryHelper::ikClue:
    return 0xFFFFFF00;
  case TGameScreenInventoryHelper::ikHidden:
    return 0xFF34DBFF;
  case TGameScreenInventoryHelper::ikFound:
    return 0xFF808080;
  default:
    return 0xFFFFFFFF;
  }
}

void TweakItemLabel(TGWidget* Label, int32_t Kind, const std::string& Text) {
  if (!Label) {
    return;
  }
  Label->SetVisible(Kind != TGameScreenInventoryHelper::ikNone);
  if (auto* L = TryObjectCast<TGLabel>(Label)) {
    L->SetData(Text);
  }
  Label->SetColor(TGColor(KindColor(Kind)));
}

void TweakRegularItem(int32_t Slot, int32_t Kind, const std::string& Text) {
  const bool Shown = Kind != TGameScreenInventoryHelper::ikNone;
  SetVisible(SlotPath(Slot, nullptr), Shown);
  TweakItemLabel(ScreenWidget(SlotPath(Slot, "Label")), Kind, Text);
  SetVisible(SlotPath(Slot, "Check"), Kind == TGameScreenInventoryHelper::ikFound);
}

int32_t KindOf(const TBaseItemArray* Group) {
  if (!Group) {
    return TGameScreenInventoryHelper::ikNone;
  }
  if (Group->NotTakenCount() == 0) {
    return TGameScreenInventoryHelper::ikFound;
  }
  if (Group->ContainsHidden()) {
    return TGameScreenInventoryHelper::ikHidden;
  }
  TGameObject* First = Group->ItemByIndex(0);
  if (First && !First->Clue().empty()) {
    return TGameScreenInventoryHelper::ikClue;
  }
  return TGameScreenInventoryHelper::ikOrdinary;
}

} // namespace

void EnsuredShow(TGWidget* W) {
  if (!W) {
    return;
  }
  while (W->State() != wsDefault) {
    W->UpdateTree(1.0f);
  }
  W->Show();
}

void EnsuredHide(TGWidget* W) {
  if (!W) {
    return;
  }
  while (W->State() != wsDefault) {
    W->UpdateTree(1.0f);
  }
  W->Hide();
}

// --- The objects list ----------------------------------------------------------------------------

TGameObject* TGameScreenInventoryHelper::GetNotTakenItemByIndex(int32_t Index) {
  TItemsCollection* Items = ItemsList();
  if (!Items || Index < 0 || Index >= Items->Count()) {
    return nullptr;
  }
  return Items->Group(Index)->FirstFiltered(false);
}

std::string TGameScreenInventoryHelper::GetNotTakenItemsText(const TBaseItemArray* Group) {
  TGameObject* First = Group && Group->Count() > 0 ? Group->ItemByIndex(0) : nullptr;
  if (!First) {
    return {};
  }
  std::string Text = First->Clue().empty() ? First->Caption() : First->Clue();
  TLocation* L = ActiveLocation();
  const int32_t NotTaken = Group->NotTakenCount();
  if ((!L || L->IsShowObjectCountInGroupAllowed()) && Group->Count() > 1 && NotTaken > 1) {
    Text = Format("%s (%d)", {Text, int64_t{NotTaken}});
  }
  return Text;
}

bool TGameScreenInventoryHelper::GetIsMasterObjectPage() {
  TLocation* L = ActiveLocation();
  TLocationItemsPage* Page = L ? L->ItemsDistribution()->CurrentPage() : nullptr;
  return Page && Page->MasterObjectPage;
}

void TGameScreenInventoryHelper::RegularUpdateUI() {
  TItemsCollection* Items = ItemsList();
  for (int32_t Slot = 0; Slot < CSlots; ++Slot) {
    const TBaseItemArray* Group = Items && Slot < Items->Count() ? Items->Group(Slot) : nullptr;
    TweakRegularItem(Slot, KindOf(Group), Group ? GetNotTakenItemsText(Group) : std::string());
  }
}

void TGameScreenInventoryHelper::MasterUpdateUI() {
  TItemsCollection* Items = ItemsList();
  if (!Items || Items->Count() != 1) {
    throw Error();
  }
  const TBaseItemArray* Group = Items->Group(0);
  int32_t Kind = KindOf(Group);
  if (Kind == ikClue) {
    Kind = ikOrdinary;
  }
  TweakItemLabel(ScreenWidget(CSecretItemLabel), Kind, GetNotTakenItemsText(Group));
}

void TStaticItemsState::ItemMouseDown(int32_t Index) {
  TGameScreen* S = CurrentGameScreen();
  if (TGameObject* Obj = TGameScreenInventoryHelper::GetNotTakenItemByIndex(Index); Obj && S) {
    S->Scanner()->PerformItemClickSound();
    S->Scanner()->SetObject(Obj);
  }
}

void TRegularStaticItemsState::Update(int32_t AInterval) {
  (void)AInterval;
  TGameScreenInventoryHelper::RegularUpdateUI();
}

void TMasterStaticItemsState::Update(int32_t AInterval) {
  (void)AInterval;
  TGameScreenInventoryHelper::MasterUpdateUI();
}

void TRegularUpdateUIItemsState::Initialize() {
  inherited::Initialize();
  TGameScreenInventoryHelper::RegularUpdateUI();
  Status = ssFinished;
}

void TMasterUpdateUIItemsState::Initialize() {
  inherited::Initialize();
  TGameScreenInventoryHelper::MasterUpdateUI();
  Status = ssFinished;
}

void THideWidgetItemsState::Initialize() {
  inherited::Initialize();
  if (FWidget) {
    FWidget->Hide();
  }
}

void THideWidgetItemsState::Update(int32_t AInterval) {
  (void)AInterval;
  if (!FWidget || FWidget->State() != wsHiding) {
    Status = ssFinished;
  }
}

void TShowWidgetItemsState::Initialize() {
  inherited::Initialize();
  if (FWidget) {
    FWidget->Show();
  }
}

void TShowWidgetItemsState::Update(int32_t AInterval) {
  (void)AInterval;
  if (!FWidget || FWidget->State() != wsShowing) {
    Status = ssFinished;
  }
}

// --- The tools drawer ----------------------------------------------------------------------------

void TWaitForWidgetToolsState::Initialize() {
  inherited::Initialize();
  Update(0);
}

void TWaitForWidgetToolsState::Update(int32_t AInterval) {
  (void)AInterval;
  TGWidget* Drawer = ScreenWidget(CToolsOpen);
  if (!Drawer || Drawer->State() == wsDefault) {
    Status = ssFinished;
  }
}

void TOpeningToolsState::Initialize() {
  TOpenedToolsState::UpdateUI();
  SetVisible(CToolsClosed, false);
  EnsuredShow(ScreenWidget(CToolsOpen));
  inherited::Initialize();
}

void TClosingToolsState::Initialize() {
  if (TGameScreen* S = CurrentGameScreen()) {
    S->GameInterface()->HideToolHint();
  }
  EnsuredHide(ScreenWidget(CToolsOpen));
  inherited::Initialize();
}

void TClosingToolsState::Finalize() {
  SetVisible(CToolsClosed, true);
}

void TOpenedToolsState::Initialize() {
  inherited::Initialize();
  SetVisible(CToolsClosed, false);
  SetVisible(CToolsOpen, true);
}

void TOpenedToolsState::Update(int32_t AInterval) {
  (void)AInterval;
  UpdateUI();
}

void TOpenedToolsState::ToolMouseDown(int32_t Index) {
  TBaseFlowState* Flow = MainFlowState(ActiveLocation());
  if (!Flow || !CurrentPlayer) {
    return;
  }
  TToolsCollection* Tools = CurrentPlayer->Inventory()->Tools();
  if (Index >= 0 && Index < Tools->Count() && Tools->Group(Index)->Count() > 0) {
    // The group's first tool stands for the group.
    Flow->GameObjectInventoryMouseDown(Tools->Group(Index)->ItemByIndex(0), mbLeft);
  }
}

void TOpenedToolsState::UpdateUI() {
  TGWidget* Drawer = ScreenWidget(CToolsOpen);
  if (Drawer && !Drawer->Visible()) {
    Drawer->SetVisible(true);
  }
  for (int32_t Slot = 0; Slot < CSlots; ++Slot) {
    SetVisible(ToolPath(Slot), false);
  }
  if (!CurrentPlayer) {
    return;
  }
  TToolsCollection* Tools = CurrentPlayer->Inventory()->Tools();
  TGResourceLibrary* Library = MainResourceLibrary();
  for (int32_t Slot = 0; Slot < std::min(Tools->Count(), CSlots); ++Slot) {
    auto* Icon = TryObjectCast<TGPicture>(ScreenWidget(ToolPath(Slot)));
    if (!Icon) {
      continue;
    }
    const std::string URL = Tools->Group(Slot)->IconURL();
    if (auto* G = Library && !URL.empty()
                      ? TryObjectCast<TGGraphic>(Library->GetResourceEx(URL, false))
                      : nullptr) {
      Icon->SetGfx(G);
    }
    Icon->SetVisible(true);
  }
}

void TClosedToolsState::Initialize() {
  inherited::Initialize();
  if (TGameScreen* S = CurrentGameScreen()) {
    S->GameInterface()->HideToolHint();
  }
  SetVisible(CToolsClosed, true);
  SetVisible(CToolsOpen, false);
}

// --- The helper ----------------------------------------------------------------------------------

TGameScreenInventoryHelper::TGameScreenInventoryHelper(TGObject* AOwner, TGameScreen* AScreen)
    : TGObject(AOwner)
    , FScreen(AScreen) {}

void TGameScreenInventoryHelper::AfterConstruction() {
  inherited::AfterConstruction();
  FItemsStateQueue = new TStateQueue(this);
  FToolsStateQueue = new TStateQueue(this);
  Setup();
}

void TGameScreenInventoryHelper::Setup() {
  if (!FScreen) {
    return;
  }
  for (int32_t Slot = 0; Slot < CSlots; ++Slot) {
    TGWidget* Label = FScreen->FindWidget(SlotPath(Slot, "Label"));
    FItemLabels.push_back(Label);
    if (Label) {
      Label->SetAllowMouse(true);
      Label->OnMouseDownSigned =
          TGSignedMouseEvent(this, &TGameScreenInventoryHelper::OnItemMouseDownSigned);
    }
    auto* Icon = TryObjectCast<TGPicture>(FScreen->FindWidget(ToolPath(Slot)));
    FToolIcons.push_back(Icon);
    if (Icon) {
      Icon->SetAllowMouse(true);
      Icon->SetProportionalScaling(true);
      Icon->SetHitTest(false);
      Icon->SetHitTestForCursor(false);
      Icon->OnMouseDownSigned =
          TGSignedMouseEvent(this, &TGameScreenInventoryHelper::OnToolMouseDownSigned);
    }
  }
  if (TGWidget* Secret = FScreen->FindWidget(std::string(CSecretItem) + "\\Label")) {
    Secret->SetAllowMouse(true);
    Secret->OnMouseDownSigned =
        TGSignedMouseEvent(this, &TGameScreenInventoryHelper::OnItemMouseDownSigned);
  }
  FScreen->GameInterface()->HideToolHint();
  SetVisible(CToolsOpen, false);
  SetVisible(CToolsClosed, true);
}

void TGameScreenInventoryHelper::OnItemMouseDownSigned(TGObject* Sender, int Button) {
  if (Button != mbLeft) {
    return;
  }
  int32_t Index = 0; // the secret-item line is entry 0
  for (int32_t I = 0; I < static_cast<int32_t>(FItemLabels.size()); ++I) {
    if (FItemLabels[static_cast<size_t>(I)] == Sender) {
      Index = I;
    }
  }
  if (FScreen && !FScreen->StateQueue()->Empty()) {
    if (auto* Front = TryObjectCast<TGameScreenState>(FScreen->StateQueue()->Peek())) {
      Front->ItemWidgetMouseDown(Index);
    }
  }
}

void TGameScreenInventoryHelper::OnToolMouseDownSigned(TGObject* Sender, int Button) {
  (void)Button;
  int32_t Index = -1;
  for (int32_t I = 0; I < static_cast<int32_t>(FToolIcons.size()); ++I) {
    if (FToolIcons[static_cast<size_t>(I)] == Sender) {
      Index = I;
    }
  }
  if (Index < 0) {
    throw Error();
  }
  if (FScreen && !FScreen->StateQueue()->Empty()) {
    if (auto* Front = TryObjectCast<TGameScreenState>(FScreen->StateQueue()->Peek())) {
      Front->ToolWidgetMouseDown(Index);
    }
  }
}

void TGameScreenInventoryHelper::ItemMouseDown(int32_t Index) {
  if (!FItemsStateQueue->Empty()) {
    if (auto* Front = TryObjectCast<TItemsState>(FItemsStateQueue->Peek())) {
      Front->ItemMouseDown(Index);
    }
  }
}

void TGameScreenInventoryHelper::ToolMouseDown(int32_t Index) {
  if (!CurrentPlayer) {
    return;
  }
  TToolsCollection* Tools = CurrentPlayer->Inventory()->Tools();
  if (Index < 0 || Index >= Tools->Count() || Tools->Group(Index)->Count() == 0 ||
      FToolsStateQueue->Empty()) {
    return;
  }
  if (auto* Front = TryObjectCast<TToolsState>(FToolsStateQueue->Peek())) {
    Front->ToolMouseDown(Index);
  }
}

void TGameScreenInventoryHelper::TurnPage() {
  FItemsStateQueue->Clear();
  const bool Master = GetIsMasterObjectPage();
  new THideWidgetItemsState(FItemsStateQueue, ScreenWidget(CSecretItem));
  new THideWidgetItemsState(FItemsStateQueue, ScreenWidget(CItemsPanel));
  if (Master) {
    new TMasterUpdateUIItemsState(FItemsStateQueue);
  } else {
    new TRegularUpdateUIItemsState(FItemsStateQueue);
  }
  new TShowWidgetItemsState(FItemsStateQueue, ScreenWidget(Master ? CSecretItem : CItemsPanel));
  PushStaticItemsState(true);
}

void TGameScreenInventoryHelper::PushStaticItemsState(bool Force) {
  if (!FItemsStateQueue->Empty() && !Force) {
    return;
  }
  if (GetIsMasterObjectPage()) {
    new TMasterStaticItemsState(FItemsStateQueue);
  } else {
    new TRegularStaticItemsState(FItemsStateQueue);
  }
}

void TGameScreenInventoryHelper::Update(int32_t IntInterval) {
  PushStaticItemsState(false);
  FItemsStateQueue->Update(IntInterval);
  PushStaticItemsState(false);
  FToolsStateQueue->Update(IntInterval);
  UpdateTools();
}

void TGameScreenInventoryHelper::UpdateTools() {
  TLocation* L = ActiveLocation();
  if (!L || !CurrentPlayer) {
    return;
  }
  bool Need = false;
  TItemsCollection* Items = CurrentPlayer->Inventory()->Items();
  for (int G = 0; G < Items->Count(); ++G) {
    for (int I = 0; I < Items->Group(G)->Count(); ++I) {
      TGameObject* Obj = Items->Group(G)->ItemByIndex(I);
      Need = Need || (!Obj->HiddenBy().empty() && Obj->TakingCount() == 0);
    }
  }
  TGameObjectCollection* Objects = L->Objects();
  for (int I = 0; I < Objects->Count(); ++I) {
    TGameObject* Obj = Objects->ItemsReadOnly(I);
    Need = Need || (Obj->HotSpot() && Obj->AllowMouse());
  }
  TGWidget* Drawer = ScreenWidget(CToolsOpen);
  if (Drawer && Drawer->Visible() && L->ItemsLeft() < CFewItemsLeft) {
    for (int I = 0; I < Objects->Count(); ++I) {
      TGameObject* Obj = Objects->ItemsReadOnly(I);
      Need = Need || (!Obj->HiddenBy().empty() && Obj->PageMax() > 0);
    }
  }
  if (L->KeepToolsClosed) {
    CloseTools();
  } else if (L->KeepToolsOpened || Need) {
    OpenTools();
  } else {
    CloseTools();
  }
}

bool TGameScreenInventoryHelper::FrontIs(const TStateQueue* Queue,
                                         std::initializer_list<TGClass> Classes) const {
  if (Queue->Empty()) {
    return false;
  }
  for (TGClass C : Classes) {
    if (Queue->Peek()->InheritsFrom(C)) {
      return true;
    }
  }
  return false;
}

void TGameScreenInventoryHelper::OpenTools() {
  if (FrontIs(FToolsStateQueue,
              {TOpenedToolsState::StaticClass(), TOpeningToolsState::StaticClass()})) {
    return;
  }
  FToolsStateQueue->Clear();
  TGWidget* Drawer = ScreenWidget(CToolsOpen);
  if (Drawer && Drawer->Visible()) {
    new TOpenedToolsState(FToolsStateQueue);
  } else {
    new TOpeningToolsState(FToolsStateQueue);
    new TOpenedToolsState(FToolsStateQueue);
  }
}

void TGameScreenInventoryHelper::CloseTools() {
  if (FrontIs(FToolsStateQueue,
              {TClosedToolsState::StaticClass(), TClosingToolsState::StaticClass()})) {
    return;
  }
  FToolsStateQueue->Clear();
  TGWidget* Closed = ScreenWidget(CToolsClosed);
  if (Closed && Closed->Visible()) {
    new TClosedToolsState(FToolsStateQueue);
  } else {
    new TClosingToolsState(FToolsStateQueue);
    new TClosedToolsState(FToolsStateQueue);
  }
}
