#include "Screens/ULocationView.h"

#include "base/UGDebug.h"
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowState.h"
#include "flow/UPlayScreen.h"
#include "graphics/UGGraphicsDevice.h"
#include "inventory/UInventory.h"
#include "locations/UBaseLocation.h"
#include "locations/ULocation.h"
#include "locations/ULocationLoader.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectBehavior.h"
#include "objects/UGameObjectCollection.h"
#include "player/UMusicManager.h"
#include "player/UPlayList.h"
#include "player/UPlayer.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptLines.h"
#include "script/UScriptProcessor.h"
#include "text/UGFont.h"
#include "text/UGText.h"
#include "widgets/UGWindowHost.h"

#include <algorithm>
#include <utility>

G_IMPLEMENT_CLASS(TLocationView)

namespace {

constexpr const char* CStatusFontURL = "Text.fnt";
constexpr float CStatusHeight = 26;
// The held object is drawn at most this large beside the mouse.
constexpr float CHeldSize = 64;
constexpr uint16_t CKeyNextTool = 'T';

// The front state of the location's main channel, or none while the channel is empty.
TBaseFlowState* FrontState(const TBaseLocation* L) {
  TFlowChannel* Main = L ? L->MC() : nullptr;
  return Main && !Main->Empty() ? Main->Peek() : nullptr;
}

TGameObject* HeldObject() {
  return CurrentPlayer && CurrentPlayer->HoldsObject() ? CurrentPlayer->Cursor() : nullptr;
}

constexpr TInventoryFlags CAllLists{(1u << ifItems) | (1u << ifTools)};

// A line of the list of things to find, as the panel words it: the clue of the group's first
// object, else its caption, with the count of those still to find when more than one is left.
std::string GroupText(const TBaseItemArray* Group, bool ShowCount) {
  const TGameObject* First = Group->ItemByIndex(0);
  const std::string& Key = !First->Clue().empty() ? First->Clue() : First->Caption();
  std::string Text = Key.empty() ? First->ID() : LangDictionary().GetString(Key);
  if (ShowCount && Group->Count() > 1 && Group->NotTakenCount() > 1) {
    Text = Format("%s (%d)", {Text, int64_t{Group->NotTakenCount()}});
  }
  return Text;
}

} // namespace

// What scripts reach as "GameScreen" while the view is open.
class TLocationViewScripting : public TGObject {
  G_CLASS(TLocationViewScripting, TGObject)
  explicit TLocationViewScripting(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  IPlayScreen* Screen = nullptr;

  void FadeToLocation(const std::string& URL) {
    if (Screen) {
      Screen->FadeToLocation(URL);
    }
  }
  void ResetCursor(bool ReturnToInventory) {
    if (Screen) {
      Screen->ResetCursor(ReturnToInventory);
    }
  }
  void GameOver() { ODS("The game is over"); }
  // The view shows no speech bubbles: an anchor is only noted.
  void RegisterSpeechPosition(const std::string& ID, float X, float Y, int32_t Orientation) {
    ODS("Speech position %s at (%g, %g), orientation %d", ID, X, Y, Orientation);
  }

  static void Publish(TGClassBuilder<TLocationViewScripting>& B) {
    B.Method("FadeToLocation", &TLocationViewScripting::FadeToLocation, {"URL"})
        .Method("ResetCursor", &TLocationViewScripting::ResetCursor, {"ReturnToInventory"})
        .Method("GameOver", &TLocationViewScripting::GameOver)
        .Method("RegisterSpeechPosition", &TLocationViewScripting::RegisterSpeechPosition,
                {"ID", "X", "Y", "Orientation"});
  }
};

G_IMPLEMENT_CLASS(TLocationViewScripting)

// What scripts reach as "Tips" while the view is open: the tips queued are counted and noted,
// none is shown.
class TLocationViewTips : public TGObject {
  G_CLASS(TLocationViewTips, TGObject)
  explicit TLocationViewTips(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  int32_t Queued = 0;
  bool Shown = false;

  void Push(const std::string& AText, int32_t AUserData) {
    ODS("Tip %s (%d)", AText, AUserData);
    ++Queued;
  }
  void Replace(const std::string& AText, int32_t AUserData) {
    Clear();
    Push(AText, AUserData);
  }
  void Clear() { Queued = 0; }
  void Close() { Shown = false; }
  int32_t Count() const { return Queued; }
  bool Visible() const { return Shown; }
  void SetVisible(bool Value) { Shown = Value; }

  static void Publish(TGClassBuilder<TLocationViewTips>& B) {
    B.Method("Push", &TLocationViewTips::Push, {"AText", "AUserData"})
        .Method("Replace", &TLocationViewTips::Replace, {"AText", "AUserData"})
        .Method("Clear", &TLocationViewTips::Clear)
        .Method("Close", &TLocationViewTips::Close)
        .Property("Count", &TLocationViewTips::Count)
        .Property("Visible", &TLocationViewTips::Visible, &TLocationViewTips::SetVisible);
  }
};

G_IMPLEMENT_CLASS(TLocationViewTips)

// The play screen's part for the view alone: no panel, no flights, no score. Flights land in
// the next frame, as a flight of no length would.
class TLocationViewScreen : public IPlayScreen {
public:
  explicit TLocationViewScreen(TLocationView& AView)
      : FView(AView) {}

  bool Unloading = false;
  // Picked objects in the order they landed; they stay in the game-object collector.
  std::vector<TGameObject*> Taken;

  void LandFlights() {
    std::vector<TFlight> Landing = std::move(FFlights);
    FFlights.clear();
    for (TFlight& F : Landing) {
      if (F.OnFinish) {
        F.OnFinish(F.Object);
      } else {
        MoveToInventory(F.Object);
      }
    }
  }
  // The scripts of lines said since the last frame: every line is over as soon as it is said.
  void RunSaidScripts() {
    std::vector<std::string> Scripts = std::move(FSaidScripts);
    FSaidScripts.clear();
    for (const std::string& S : Scripts) {
      RunScript(S);
    }
  }
  // Every object taken out goes back into the location, so that freeing it frees them too.
  void ReturnTakenObjects() {
    TBaseLocation* L = Location();
    for (TGameObject* Obj : FOut) {
      if (L && L->Objects()->IndexOf(Obj) < 0) {
        L->AddGameObject(Obj);
      }
    }
    FOut.clear();
    FFlights.clear();
    FSaidScripts.clear();
    Taken.clear();
    FHints = 0;
  }
  // A click on the next picked tool, as on the tools drawer: its inventory behaviour takes it.
  void HoldNextTool() {
    std::vector<TGameObject*> Tools;
    for (TGameObject* Obj : Taken) {
      if (Obj->IsTool()) {
        Tools.push_back(Obj);
      }
    }
    TBaseFlowState* Front = FrontState(Location());
    if (Tools.empty() || !Front) {
      return;
    }
    auto Held = std::find(Tools.begin(), Tools.end(), HeldObject());
    TGameObject* Next = Held == Tools.end() || Held + 1 == Tools.end() ? Tools.front() : Held[1];
    if (Next != HeldObject()) {
      Front->GameObjectInventoryMouseDown(Next, mbLeft);
    }
  }

  void ShowGameInterface() override {}
  // The tool in hand goes back to the tools (it stays among the picked ones either way).
  void ResetCursor(bool ReturnToInventory) override {
    TGameObject* Held = HeldObject();
    if (CurrentPlayer) {
      CurrentPlayer->SetCursor(nullptr);
      if (Held && ReturnToInventory) {
        CurrentPlayer->Inventory()->Add(Held, true);
      }
    }
  }
  void AssignToCursor(TGameObject* AObject) override {
    ResetCursor(true);
    TakeOut(AObject);
    if (CurrentPlayer) {
      CurrentPlayer->Inventory()->Remove(AObject);
      CurrentPlayer->SetCursor(AObject);
    }
  }
  bool FlyToInventoryEx(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) override {
    TBaseLocation* L = Location();
    if (!AObject || !L) {
      return false;
    }
    L->BeforeObjectPick(AObject->ID());
    FFlights.push_back({AObject, AOnFinish});
    AObject->SetTakingCount(AObject->TakingCount() + 1);
    TakeOut(AObject);
    return true;
  }
  void MoveToInventory(TGameObject* AObject) override {
    TBaseLocation* L = Location();
    AObject->SetTakingCount(AObject->TakingCount() + 1);
    if (L) {
      L->BeforeObjectPick(AObject->ID());
    }
    TakeOut(AObject);
    if (std::find(Taken.begin(), Taken.end(), AObject) == Taken.end()) {
      Taken.push_back(AObject);
    }
    if (CurrentPlayer) {
      CurrentPlayer->Inventory()->Add(AObject, true);
    }
    ODS("Found %s (%d found)", AObject->ID(), static_cast<int>(Taken.size()));
    if (L) {
      L->AfterObjectPick(AObject->ID(), L->PageItemsLeft());
    }
    // No tools drawer to click: a picked tool goes straight into the hand.
    TBaseFlowState* Front = FrontState(Location());
    if (AObject->IsTool() && !HeldObject() && Front && !Unloading) {
      Front->GameObjectInventoryMouseDown(AObject, mbLeft);
    }
  }
  bool PushFlight(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) override {
    if (!AObject) {
      return false;
    }
    TakeOut(AObject);
    FFlights.push_back({AObject, AOnFinish});
    return true;
  }
  bool IsFlying(const TGameObject* AObject) const override {
    return std::any_of(FFlights.begin(), FFlights.end(),
                       [AObject](const TFlight& F) { return F.Object == AObject; });
  }
  void GameObjectMouseDown(TGameObject* AObject, int Button) override {
    if (TBaseFlowState* Front = FrontState(Location()); Front && AObject) {
      Front->GameObjectMouseDown(AObject, Button);
    }
  }
  int HintCount() const override { return FHints; }
  void SetHintCount(int Value) override { FHints = std::clamp(Value, 0, 99); }
  void Say(const std::string& Position, const std::string& Text,
           const std::string& Script) override {
    ODS("%s: %s", Position, LangDictionary().GetString(Text));
    if (!Script.empty()) {
      FSaidScripts.push_back(Script);
    }
  }
  bool SpeechPending() const override { return false; }
  void UpdateCurrentItemsPage(bool AutoIncPageIndex, bool AWaitEffect) override {
    (void)AWaitEffect;
    TBaseLocation* L = Location();
    if (!L) {
      return;
    }
    TLocationItemsDistribution* Pages = L->ItemsDistribution();
    TLocationItemsPage* Page = Pages->CurrentPage();
    if (AutoIncPageIndex && !(Page && Page->Frozen)) {
      Pages->SetCurrentPageIndex(Pages->CurrentPageIndex() + 1);
    }
    Page = Pages->CurrentPage();
    if (!Page) {
      return;
    }
    // The objects listed now take the mouse, unless something hides them, and make the
    // inventory's list of things to find.
    TInventory* Inventory = CurrentPlayer ? CurrentPlayer->Inventory() : nullptr;
    if (Inventory) {
      Inventory->Clear(TInventoryFlags{1u << ifItems});
    }
    for (int I = 0; I < Page->Count(); ++I) {
      TGameObject* Obj = L->Objects()->GetByIDReadOnly(Page->GetItem(I));
      if (Obj && !Obj->IsHidden()) {
        Obj->SetAllowMouse(true);
      }
      if (Obj && Inventory) {
        Inventory->Add(Obj, false);
      }
    }
    ODS("Items page %d of %d", Pages->CurrentPageIndex() + 1, Pages->GetCount());
  }
  bool IsUnloading() const override { return Unloading; }
  void QueueAnimation(const std::string& URL) override {
    ODS("The location view plays no screen effects: %s", URL);
  }
  TFadeWindow* Window() override { return nullptr; }
  TMusicManager* MusicManager() override { return FView.FMusic; }
  void ResetScanner() override {}
  void ClearAnimationsQueue() override {}
  void HintObject(TGameObject* AObject) override { (void)AObject; }
  void SetAvatarHappy(float Seconds) override { (void)Seconds; }
  std::string CursorGraphicURL() const override {
    TGameObject* Held = HeldObject();
    return Held ? Held->GfxURL() : std::string();
  }
  TGFlatVector CursorPosition() const override { return FView.MousePoint(); }
  void LandFlyingObjects() override { LandFlights(); }
  void FadeToLocation(const std::string& URL) override {
    if (URL.empty()) {
      ODS("%s leads nowhere further", Location() ? Location()->ID : std::string("The location"));
      return;
    }
    FView.FNextURL = URL;
    FView.FNextPending = true;
  }

private:
  struct TFlight {
    TGameObject* Object;
    TFlightFinishEvent OnFinish;
  };

  TBaseLocation* Location() const { return FView.FLocation; }
  void TakeOut(TGameObject* Obj) {
    TBaseLocation* L = Location();
    if (L && L->Objects()->IndexOf(Obj) >= 0) {
      L->RemoveGameObject(Obj);
    }
    if (std::find(FOut.begin(), FOut.end(), Obj) == FOut.end()) {
      FOut.push_back(Obj);
    }
  }

  TLocationView& FView;
  std::vector<TFlight> FFlights;
  std::vector<std::string> FSaidScripts;
  // Every object taken out of the location, picked or held.
  std::vector<TGameObject*> FOut;
  int FHints = 0;
};

// --- The view ------------------------------------------------------------------------------------

TLocationView::TLocationView(TGObject* AOwner)
    : TFramedWindow(AOwner)
    , FScreen(std::make_unique<TLocationViewScreen>(*this))
    , FHeldSymbol(new TGSymbol()) {
  auto* Scripting = new TLocationViewScripting();
  Scripting->Screen = FScreen.get();
  FScripting = Scripting;
  FTipsScripting = new TLocationViewTips();
}

TLocationView::~TLocationView() = default;

void TLocationView::Destroy() {
  Close();
  FreeAndNil(FHeldSymbol);
  FreeAndNil(FStatus);
  FreeAndNil(FMusic);
  FreeAndNil(FPlayList);
  FreeAndNil(FScripting);
  FreeAndNil(FTipsScripting);
  inherited::Destroy();
}

void TLocationView::Open(const std::string& URL) {
  if (!GameObjectCollector || !LocationBehaviors) {
    throw Error("The location view needs the game framework to be started");
  }
  TGResourceLibrary* Library = MainResourceLibrary();
  if (!Library) {
    throw Error("The location view needs the program's resource library");
  }
  Close();
  FNextPending = false;
  auto Failed = [&URL](const std::string& Reason) {
    return Error("Cannot load the location %s: %s", URL, Reason);
  };
  try {
    FLocation = LoadLocationFile(Library, URL, nullptr, true);
  } catch (const EGException& E) {
    throw Failed(E.Text());
  } catch (const std::exception& E) {
    throw Failed(E.what());
  }
  if (!CurrentPlayer) {
    FOwnPlayer = new TPlayer(this);
  }
  FPreviousScreen = PlayScreen();
  SetPlayScreen(FScreen.get());
  if (!FPlayList) {
    FPlayList = New<TPlayList>(nullptr, Library);
    FMusic = New<TMusicManager>(nullptr, FPlayList);
  }
  // The location's own script is added to the engine as a profile adds it when it loads.
  if (ScriptProcessor) {
    if (!IsBlank(FLocation->Script)) {
      ScriptProcessor->AddCode(FLocation->Script);
    }
    ScriptProcessor->AddObject("GameScreen", FScripting, true, nullptr);
    ScriptProcessor->AddObject("Tips", FTipsScripting, true, nullptr);
  }
  CurrentPlayer->SetCurrentLocation(FLocation);
  // As a switch to it does: the objects to find are dealt into the pages.
  if (auto* Hidden = TryObjectCast<TLocation>(FLocation)) {
    try {
      Hidden->FillItemsDistribution();
    } catch (const EGException& E) {
      Close();
      throw Failed(E.Text());
    }
  }
  FLocation->Activate();
  FPendingMilliseconds = 0;
  if (!FStatus) {
    if (auto* Font = TryObjectCast<TGFont>(Library->GetResourceEx(CStatusFontURL, false))) {
      FStatus = new TGText();
      FStatus->SetFont(Font);
      FStatus->SetColor(TGColor(0xFFF2E6C8));
    }
  }
}

void TLocationView::OpenNext() {
  if (!FNextPending) {
    return;
  }
  FNextPending = false;
  try {
    Open(FNextURL);
  } catch (const EGException& E) {
    ODS("%s", E.Text());
  }
}

void TLocationView::Close() {
  if (!FLocation) {
    return;
  }
  FHighlighted = nullptr;
  FScreen->Unloading = true;
  if (CurrentPlayer) {
    CurrentPlayer->SetCursor(nullptr);
    // The lists name the location's objects, which go with it.
    CurrentPlayer->Inventory()->Clear(CAllLists);
    if (CurrentPlayer->CurrentLocation() == FLocation) {
      CurrentPlayer->SetCurrentLocation(nullptr);
    }
  }
  FLocation->Deactivate();
  FScreen->ReturnTakenObjects();
  FreeLoadedLocation(std::exchange(FLocation, nullptr));
  FScreen->Unloading = false;
  if (PlayScreen() == FScreen.get()) {
    SetPlayScreen(FPreviousScreen);
  }
  FPreviousScreen = nullptr;
  FreeAndNil(FOwnPlayer);
}

std::vector<std::string> TLocationView::TakenIDs() const {
  std::vector<std::string> IDs;
  for (const TGameObject* Obj : FScreen->Taken) {
    IDs.push_back(Obj->ID());
  }
  return IDs;
}

// --- Input ---------------------------------------------------------------------------------------

TGFlatVector TLocationView::MousePoint() const {
  if (!WindowHost) {
    return FMouse;
  }
  const TGPoint& P = WindowHost->MousePos();
  return TGFlatVector{static_cast<float>(P.X), static_cast<float>(P.Y)};
}

void TLocationView::SetHighlighted(TGameObject* Obj) {
  if (Obj == FHighlighted) {
    return;
  }
  TGameObject* Left = std::exchange(FHighlighted, Obj);
  if (Left && FLocation && FLocation->Objects()->IndexOf(Left) >= 0) {
    if (TLocationGameObjectBehavior* B = LocationBehaviorOf(Left)) {
      B->MouseLeave(Left);
    }
  }
  if (Obj) {
    if (TLocationGameObjectBehavior* B = LocationBehaviorOf(Obj)) {
      B->MouseEnter(Obj);
    }
  }
}

void TLocationView::PointAt(const TGFlatVector& Point) {
  FMouse = Point;
  SetHighlighted(FLocation ? FLocation->ObjectAt(Point) : nullptr);
}

// As the play screen does: the front state hears of the click first, then of the object under
// the mouse.
void TLocationView::ClickAt(const TGFlatVector& Point, int Button) {
  PointAt(Point);
  TGameObject* Obj = FHighlighted;
  if (TBaseFlowState* Front = FrontState(FLocation)) {
    Front->WindowMouseDown(Button);
  }
  if (TBaseFlowState* Front = FrontState(FLocation); Front && Obj) {
    Front->GameObjectMouseDown(Obj, Button);
  }
  // A picked object has left: the outline goes to what lies beneath.
  PointAt(Point);
}

void TLocationView::ReleaseAt(const TGFlatVector& Point, int Button) {
  PointAt(Point);
  TGameObject* Obj = FHighlighted;
  if (TBaseFlowState* Front = FrontState(FLocation)) {
    Front->WindowMouseUp(Button);
  }
  if (TBaseFlowState* Front = FrontState(FLocation); Front && Obj) {
    Front->GameObjectMouseUp(Obj, Button);
  }
}

void TLocationView::MouseMove() {
  PointAt(MousePoint());
  inherited::MouseMove();
}

void TLocationView::MouseDown(int Button) {
  ClickAt(MousePoint(), Button);
  inherited::MouseDown(Button);
}

void TLocationView::MouseUp(int Button) {
  ReleaseAt(MousePoint(), Button);
  inherited::MouseUp(Button);
}

void TLocationView::KeyDown(uint16_t Key) {
  if (Key == VK_ESCAPE) {
    // A held tool is put down first; with empty hands Esc closes the view.
    if (HeldObject()) {
      FScreen->ResetCursor(true);
    } else {
      inherited::KeyDown(Key);
    }
    return;
  }
  if (Key == CKeyNextTool) {
    FScreen->HoldNextTool();
    return;
  }
  if (TBaseFlowState* Front = FrontState(FLocation)) {
    Front->WindowKeyDown(Key);
  }
  inherited::KeyDown(Key);
}

// --- Frames --------------------------------------------------------------------------------------

void TLocationView::UpdateTree(float Interval) {
  if (FLocation) {
    FPendingMilliseconds += static_cast<double>(Interval) * 1000.0;
    const auto Milliseconds = static_cast<int32_t>(FPendingMilliseconds);
    FPendingMilliseconds -= Milliseconds;
    FScreen->LandFlights();
    FScreen->RunSaidScripts();
    FLocation->Update(Milliseconds);
    // Objects move under a resting mouse too.
    PointAt(FMouse);
  }
  if (FMusic) {
    FPlayList->Update(Interval);
    FMusic->Update(Interval);
  }
  OpenNext();
  if (FStatus) {
    const std::string Text = StatusText();
    if (Text != FStatus->Data()) {
      FStatus->SetData(Text);
    }
    FStatus->Update(Interval);
  }
  inherited::UpdateTree(Interval);
}

void TLocationView::DrawTree() {
  if (!GD) {
    return;
  }
  GD->Erase(TGColor(0xFF000000));
  if (!FLocation) {
    return;
  }
  TGSprite::BeginBatch();
  FLocation->Draw();
  FLocation->AfterDraw();
  TGSprite::EndBatch();
  if (TBaseFlowState* Front = FrontState(FLocation)) {
    Front->AfterDrawLocation();
  }
  GD->SetMatrixByType(mWorld, MatIdentity);
  if (FHighlighted && FHighlighted->Visible()) {
    const TGRectFloat& R = FHighlighted->BoundingRect();
    GD->DrawFrame(TGColor(0xC0201008), R.Left - 1, R.Top - 1, R.Right + 1, R.Bottom + 1);
    GD->DrawFrame(TGColor(0xFFFFD27A), R.Left, R.Top, R.Right, R.Bottom);
  }
  DrawHeldObject();
  DrawStatus();
}

void TLocationView::DrawHeldObject() {
  TGameObject* Held = HeldObject();
  TGGraphic* Picture = Held ? (Held->Icon() ? Held->Icon() : Held->Gfx()) : nullptr;
  if (!Picture || Picture->Width() <= 0 || Picture->Height() <= 0) {
    return;
  }
  if (FHeldSymbol->Graphic() != Picture) {
    FHeldSymbol->SetGraphic(Picture);
  }
  const float Scale =
      std::min(1.0f, CHeldSize / static_cast<float>(std::max(Picture->Width(), Picture->Height())));
  FHeldSymbol->SetTransform(FMouse.X, FMouse.Y, 0.15f, 0.15f, 0, Scale, Scale);
  TGSprite::BeginBatch();
  FHeldSymbol->Draw();
  TGSprite::EndBatch();
}

void TLocationView::DrawStatus() {
  if (!FStatus || FStatus->Data().empty()) {
    return;
  }
  const float W = Width(), H = Height();
  GD->DrawRect(TGColor(0xB0100C14), 0, H - CStatusHeight, W, H);
  FStatus->SetX(10);
  FStatus->SetY(H - CStatusHeight + 4);
  FStatus->SetExtent(TGVector{W - 20, CStatusHeight, 0});
  FStatus->Draw();
}

// The objects still to find on the page and how many were found: the view has no panel. The
// stand-in lists the page's objects in the player's inventory, which groups them as the panel does.
std::string TLocationView::StatusText() const {
  TLocationItemsDistribution* Pages = FLocation ? FLocation->ItemsDistribution() : nullptr;
  TLocationItemsPage* Page = Pages ? Pages->CurrentPage() : nullptr;
  if (!Page || !CurrentPlayer) {
    return {};
  }
  auto* Hidden = TryObjectCast<TLocation>(FLocation);
  const bool ShowCount = !Hidden || Hidden->IsShowObjectCountInGroupAllowed();
  std::string Names;
  TItemsCollection* Items = CurrentPlayer->Inventory()->Items();
  for (int G = 0; G < Items->Count(); ++G) {
    if (Items->Group(G)->NotTakenCount() > 0) {
      Names += Names.empty() ? "" : ", ";
      Names += GroupText(Items->Group(G), ShowCount);
    }
  }
  return Format("Page %d of %d: %s    Found: %d",
                {Pages->CurrentPageIndex() + 1, Pages->GetCount(), Names.empty() ? "-" : Names,
                 static_cast<int>(FScreen->Taken.size())});
}
