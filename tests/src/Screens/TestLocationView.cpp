// The location view: the demo location loads whole (pictures, pages, targets, animations), its
// scripts run clean while it plays, and every listed object can be found through the view's
// mouse; picking without a play screen, the outline, broken files and closing, on small
// locations of the tests' own.
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Screens/ULocationView.h"
#include "base/UGStrUtils.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UFlowState.h"
#include "flow/USpeechCueState.h"
#include "objects/ULiveGameObject.h"
#include "platform/UKeyCodes.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace {

// A point of the screen where the location's hit test finds the object (it may be covered).
std::optional<TGFlatVector> PointOn(TBaseLocation* L, TGameObject* Obj) {
  const TGRectFloat R = Obj->BoundingRect();
  for (float Y = R.Top + 0.5f; Y < R.Bottom; Y += 1) {
    for (float X = R.Left + 0.5f; X < R.Right; X += 1) {
      if (L->ObjectAt({X, Y}) == Obj) {
        return TGFlatVector{X, Y};
      }
    }
  }
  return std::nullopt;
}

class LocationViewTest : public THeadlessSceneTest {
protected:
  void TearDown() override {
    View.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  // Frames of 20 ms for the given time.
  void Play(int Milliseconds) {
    for (int T = 0; T < Milliseconds; T += 20) {
      View->UpdateTree(0.02f);
    }
  }
  // A left click on the object where the mouse finds it, and the frame after it.
  void ClickOn(const std::string& ID) {
    TGameObject* Obj = World.Obj(ID);
    ASSERT_TRUE(Obj) << ID;
    std::optional<TGFlatVector> P = PointOn(View->Location(), Obj);
    ASSERT_TRUE(P) << ID << " cannot be reached with the mouse";
    View->ClickAt(*P, mbLeft);
    View->ReleaseAt(*P, mbLeft);
    Play(20);
  }
  bool InLocation(const std::string& ID) {
    return View->Location()->Objects()->IndexOf(World.Obj(ID)) >= 0;
  }
  std::string ErrorsSeen() const {
    return World.ScriptErrors.empty() ? std::string() : World.ScriptErrors.front();
  }

  TLocationWorld World;
  TGObjectPtr<TLocationView> View;
};

// --- The demo location ---------------------------------------------------------------------------

class DemoHarbour : public LocationViewTest {
protected:
  void SetUp() override {
    LocationViewTest::SetUp();
    World.Start(HOE_CONTENT);
    View.reset(New<TLocationView>());
    View->Open("Harbour.loc");
    L = View->Location();
    ASSERT_TRUE(L);
  }
  TBaseLocation* L = nullptr;
};

TEST_F(DemoHarbour, LoadsWithEveryPictureListedObjectAndTarget) {
  EXPECT_EQ(L->ID, "Harbour");
  EXPECT_EQ(L->ClassName(), "TLocation");
  TGameObjectCollection* Objects = L->Objects();
  for (int I = 0; I < Objects->Count(); ++I) {
    TGameObject* Obj = Objects->ItemsReadOnly(I);
    SCOPED_TRACE(Obj->ID());
    ASSERT_TRUE(Obj->Gfx()) << Obj->GfxURL();
    EXPECT_GT(Obj->Gfx()->Width(), 0);
    if (!Obj->IconURL().empty()) {
      EXPECT_TRUE(Obj->Icon()) << Obj->IconURL();
    }
    std::vector<std::string> Hiders;
    SplitString(Obj->HiddenBy(), ',', Hiders);
    for (const std::string& Hider : Hiders) {
      EXPECT_GE(Objects->IndexOf(Trim(Hider)), 0) << Hider;
    }
    // A tool names hot spots of this location as its targets.
    if (Obj->IsTool()) {
      EXPECT_EQ(Obj->InventoryBehaviorName(), "Actable");
      std::vector<std::string> Targets;
      SplitString(Obj->GetStrAttr("BackPackTargetObject"), ',', Targets);
      ASSERT_FALSE(Targets.empty());
      for (const std::string& Target : Targets) {
        TGameObject* T = Objects->GetByIDReadOnly(Trim(Target));
        ASSERT_TRUE(T) << Target;
        EXPECT_TRUE(T->HotSpot()) << Target;
        EXPECT_FALSE(T->GetStrAttr("OnLocationMouseDown").empty()) << Target;
      }
    }
  }
  // Three pages of named objects (nothing fills "Random" places yet), each listed once.
  TLocationItemsDistribution* Pages = L->ItemsDistribution();
  ASSERT_EQ(Pages->GetCount(), 3);
  std::set<std::string> Listed;
  for (int P = 0; P < Pages->GetCount(); ++P) {
    TBaseLocationItemsPage* Page = Pages->Items(P);
    EXPECT_EQ(Page->Capacity, Page->Count());
    for (int I = 0; I < Page->Count(); ++I) {
      const std::string& ID = Page->GetItem(I);
      SCOPED_TRACE(ID);
      TGameObject* Obj = Objects->GetByIDReadOnly(ID);
      ASSERT_TRUE(Obj);
      EXPECT_EQ(Obj->LocationBehaviorName(), "Pickable");
      EXPECT_FALSE(Obj->Caption().empty());
      EXPECT_TRUE(Listed.insert(ID).second) << "listed twice";
    }
  }
  EXPECT_EQ(Listed.size(), 13u);
  // The animations' object channels name objects of the location.
  for (const char* Name : {"Ambient", "GullFlight"}) {
    TLocationAnimation* A = L->Animations()->ByName(Name);
    ASSERT_TRUE(A) << Name;
    for (int32_t I = 0; I < A->GetCount(); ++I) {
      if (auto* Live = TryObjectCast<TLiveGameObject>(A->GetChannel(I))) {
        EXPECT_GE(Objects->IndexOf(Live->GameObjectId()), 0) << Live->GameObjectId();
      }
    }
  }
  // "Scoring.cfg": ordinary finds and those hidden by something else.
  EXPECT_EQ(World.Obj("Anchor")->Points(), 100);
  EXPECT_EQ(World.Obj("Pearl")->Points(), 150);
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

TEST_F(DemoHarbour, ScriptsRunCleanWhileItPlaysAndTheGullDropsItsFeather) {
  EXPECT_TRUE(L->ActiveAnimation("Ambient"));
  // The first sight: the first visit's briefing (then a line, said at once in the view) on the
  // main channel, the gull's flight on the parallel one.
  ASSERT_GE(L->MC()->GetCount(), 2);
  EXPECT_EQ(L->MC()->Peek()->ClassName(), "TBlackScreenBriefingState");
  EXPECT_FALSE(L->FC()->Channel("Parallel")->Empty());
  Play(2000);
  EXPECT_EQ(L->MC()->Peek()->ClassName(), "TCommonGameState");
  EXPECT_TRUE(L->ActiveAnimation("GullFlight"));
  TGameObject* Feather = World.Obj("Feather");
  EXPECT_TRUE(Feather->IsHidden());
  EXPECT_FALSE(Feather->Visible());
  TGameObject* Lantern = World.Obj("Lantern");
  const float Swing = Lantern->Angle();
  Play(4000);
  EXPECT_FALSE(L->ActiveAnimation("GullFlight"));
  EXPECT_TRUE(L->FC()->Channel("Parallel")->Empty());
  EXPECT_FALSE(World.Obj("Gull")->Visible());
  EXPECT_TRUE(Feather->Visible());
  EXPECT_FALSE(Feather->IsHidden());
  EXPECT_TRUE(L->ActiveAnimation("Ambient"));
  EXPECT_NE(Lantern->Angle(), Swing);
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

// The whole location through the mouse: the locked chest, the key found and used on it, the
// pages one after the other, and every object reachable where it lies.
TEST_F(DemoHarbour, EveryListedObjectIsFoundThroughTheView) {
  Play(6000);
  TGameObject* Lid = World.Obj("ChestLid");
  std::optional<TGFlatVector> OnLid = PointOn(L, Lid);
  ASSERT_TRUE(OnLid);
  View->ClickAt(*OnLid, mbLeft);
  EXPECT_EQ(L->MC()->GetCount(), 2); // the line about the lock waits behind the common state
  Play(40);
  EXPECT_TRUE(Lid->Visible());
  EXPECT_TRUE(World.Obj("Pearl")->IsHidden());

  for (const char* ID : {"Anchor", "RopeCoil", "Bottle", "Shell", "Key"}) {
    ClickOn(ID);
    EXPECT_FALSE(InLocation(ID)) << ID;
  }
  // The key went into the hand; on the chest it opens the lid.
  ASSERT_EQ(CurrentPlayer->Cursor(), World.Obj("Key"));
  EXPECT_EQ(L->ItemsDistribution()->CurrentPageIndex(), 1);
  ClickOn("ChestLid");
  EXPECT_FALSE(Lid->Visible());
  EXPECT_TRUE(World.Obj("ChestOpen")->Visible());
  EXPECT_FALSE(World.Obj("Pearl")->IsHidden());
  // Holding it, nothing else is picked; Esc puts it down and the view stays.
  ClickOn("Compass");
  EXPECT_TRUE(InLocation("Compass"));
  View->KeyDown(VK_ESCAPE);
  EXPECT_FALSE(CurrentPlayer->HoldsObject());
  EXPECT_TRUE(View->Visible());

  for (const char* ID :
       {"Fish", "Compass", "Bucket", "NetFloat", "Feather", "Map", "Lantern", "Pearl"}) {
    ClickOn(ID);
    EXPECT_FALSE(InLocation(ID)) << ID;
  }
  EXPECT_EQ(View->TakenIDs(), (std::vector<std::string>{
                                  "Anchor", "RopeCoil", "Bottle", "Shell", "Key", "Fish", "Compass",
                                  "Bucket", "NetFloat", "Feather", "Map", "Lantern", "Pearl"}));
  EXPECT_EQ(L->ItemsDistribution()->CurrentPageIndex(), 2);
  EXPECT_EQ(L->PageItemsLeft(), 0);
  EXPECT_EQ(L->GetAttr("Picked").ToInteger(), 13);
  EXPECT_TRUE(L->GetAttr("FishFound").ToBoolean());
  // The lantern's channel left the playing animation with it.
  int32_t Overall = 0;
  EXPECT_EQ(L->ActiveAnimation("Ambient")->IndexOf(World.Obj("Lantern"), Overall), -1);
  Play(1000);
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

// --- Small locations of the tests' own
// -------------------------------------------------------------

// A coin on the first page, a tool on the second.
const char* SmallXML = R"(<Location ID="Small">
  <ItemsDistribution>
    <Page Capacity="1" MasterObjectPage="False"><Item ID="Coin"/></Page>
    <Page Capacity="1" MasterObjectPage="False"><Item ID="Hook"/></Page>
  </ItemsDistribution>
  <Object ID="Coin" GfxURL="Red.png" LocationBehaviorName="Pickable" Left="10" Top="10" Width="10" Height="10" AllowMouse="True"/>
  <Object ID="Hook" GfxURL="Green.png" LocationBehaviorName="Pickable" InventoryBehaviorName="Actable" IsTool="True" Left="30" Top="10" Width="10" Height="10" AllowMouse="True"/>
</Location>)";

class SmallLocation : public LocationViewTest {
protected:
  void SetUp() override {
    LocationViewTest::SetUp();
    World.Picture("Red.png", 10, 10, 0xFFFF0000);
    World.Picture("Green.png", 10, 10, 0xFF00FF00);
    World.File("loc/Small.loc", SmallXML);
    World.File("loc/Cut.loc", R"(<Location ID="Cut"><Object ID="A" Left="1")");
    World.File("loc/Odd.loc", R"(<Location ID="Odd" Class="TNoSuchPlace"/>)");
    World.File("loc/Twice.loc", R"(<Location ID="Twice">
      <Object ID="A" GfxURL="Red.png" Left="0" Top="0" Width="10" Height="10"/>
      <Object ID="B" GfxURL="Red.png" Left="0" Top="0" Width="10" Height="10"/>
      <Object ID="a" GfxURL="Red.png" Left="0" Top="0" Width="10" Height="10"/>
      <Object ID="C" GfxURL="Red.png" Left="0" Top="0" Width="10" Height="10"/>
    </Location>)");
    World.Start();
    View.reset(New<TLocationView>());
  }
};

TEST_F(SmallLocation, APickTakesTheObjectOutAtOnceAndCountsItWhenItLands) {
  View->Open("Small.loc");
  EXPECT_EQ(PlayScreen()->HintCount(), 0);
  Play(20);
  TGameObject* Coin = World.Obj("Coin");
  View->ClickAt({15, 15}, mbLeft);
  EXPECT_FALSE(InLocation("Coin"));
  EXPECT_EQ(Coin->TakingCount(), 1);
  EXPECT_TRUE(PlayScreen()->IsFlying(Coin));
  EXPECT_TRUE(View->TakenIDs().empty());
  Play(20);
  EXPECT_FALSE(PlayScreen()->IsFlying(Coin));
  EXPECT_EQ(Coin->TakingCount(), 1);
  EXPECT_EQ(View->TakenIDs(), std::vector<std::string>{"Coin"});
  // The last of the page turns to the next.
  EXPECT_EQ(View->Location()->ItemsDistribution()->CurrentPageIndex(), 1);

  // A tool goes into the hand; a right click puts it down, T takes it again, Esc puts it down
  // and only a second Esc closes the view.
  View->ClickAt({35, 15}, mbLeft);
  Play(20);
  TGameObject* Hook = World.Obj("Hook");
  EXPECT_EQ(CurrentPlayer->Cursor(), Hook);
  View->ClickAt({50, 40}, mbRight);
  EXPECT_FALSE(CurrentPlayer->HoldsObject());
  View->KeyDown('T');
  EXPECT_EQ(CurrentPlayer->Cursor(), Hook);
  View->KeyDown(VK_ESCAPE);
  EXPECT_FALSE(CurrentPlayer->HoldsObject());
  EXPECT_TRUE(View->Visible());
  View->KeyDown(VK_ESCAPE);
  EXPECT_FALSE(View->Visible());
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

TEST_F(SmallLocation, TheObjectUnderTheMouseIsOutlined) {
  View->Open("Small.loc");
  Play(20);
  View->PointAt({15, 15});
  EXPECT_EQ(View->Highlighted(), World.Obj("Coin"));
  View->DrawTree();
  // The outline's gold runs along the coin's top edge; inside, the coin is red.
  auto GoldIn = [this](int Y) {
    for (int X = 11; X < 19; ++X) {
      const TGColor P = PixelAt(X, Y);
      if (P.R > 200 && P.G > 160 && P.B < 160 && P.B > 60) {
        return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(GoldIn(10) || GoldIn(9) || GoldIn(11));
  EXPECT_EQ(PixelAt(15, 15), TGColor(0xFFFF0000));
  // Elsewhere nothing is outlined.
  View->PointAt({50, 40});
  EXPECT_EQ(View->Highlighted(), nullptr);
  GD->Erase(TGColor(0xFF000000));
  View->DrawTree();
  EXPECT_FALSE(GoldIn(10) || GoldIn(9) || GoldIn(11));
}

TEST_F(SmallLocation, BrokenFilesAreReportedWithTheirNamesAndLeaveNothingOpen) {
  View->Open("Small.loc");
  auto Fails = [this](const std::string& URL, const std::string& Reason) {
    SCOPED_TRACE(URL);
    try {
      View->Open(URL);
      ADD_FAILURE() << "no error";
    } catch (const EGException& E) {
      EXPECT_EQ(E.Text().rfind("Cannot load the location " + URL + ": " + Reason, 0), 0u)
          << E.Text();
    }
    EXPECT_EQ(View->Location(), nullptr);
    EXPECT_EQ(PlayScreen(), &World.Screen);
    EXPECT_EQ(GameObjectCollector->Count(), 0);
  };
  Fails("Nowhere.loc", "Cannot open file");
  Fails("Cut.loc", "XML");
  Fails("Odd.loc", "Wrong location class name: TNoSuchPlace");
  Fails("Twice.loc", "Game object with ID \"a\" is already registered");
  // The view draws nothing but black then.
  View->DrawTree();
  EXPECT_EQ(PixelAt(15, 15), TGColor(0xFF000000));
}

TEST_F(SmallLocation, ClosingFreesTheLocationWithWhatWasTakenAndRestoresThePlayScreen) {
  View->Open("Small.loc");
  EXPECT_NE(PlayScreen(), &World.Screen);
  Play(20);
  View->ClickAt({15, 15}, mbLeft);
  Play(20);
  View->ClickAt({35, 15}, mbLeft);
  Play(20);
  ASSERT_EQ(View->TakenIDs().size(), 2u);
  // Opened again, the location is as in its file: nothing taken, nothing left over.
  View->Open("Small.loc");
  EXPECT_EQ(GameObjectCollector->Count(), 2);
  EXPECT_TRUE(InLocation("Coin"));
  EXPECT_EQ(World.Obj("Coin")->TakingCount(), 0);
  EXPECT_TRUE(View->TakenIDs().empty());
  EXPECT_FALSE(CurrentPlayer->HoldsObject());
  View.reset();
  EXPECT_EQ(PlayScreen(), &World.Screen);
  EXPECT_EQ(GameObjectCollector->Count(), 0);
  EXPECT_EQ(CurrentPlayer->CurrentLocation(), nullptr);
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

} // namespace
