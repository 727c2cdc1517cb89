// The location view: the demo location loads whole (pictures, dealt pages, targets, animations)
// and its scripts run clean while it plays (TestDemoLocations.cpp plays it through); picking
// without a play screen, the outline, broken files and closing, on small locations of the tests'
// own.
#include "LocationViewTest.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSymbol.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UFlowState.h"
#include "locations/ULocation.h"
#include "objects/ULiveGameObject.h"
#include "platform/UKeyCodes.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// --- The demo location ---------------------------------------------------------------------------

TEST_F(DemoHarbour, LoadsWithEveryPictureListedObjectAndTarget) {
  EXPECT_EQ(L->ID, "Harbour");
  EXPECT_EQ(L->ClassName(), "TLocationWithGoalAllItemsCollected");
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
  // Two pages, their "Random" places dealt when the view opened it, each object listed once.
  TLocationItemsDistribution* Pages = L->ItemsDistribution();
  ASSERT_EQ(Pages->GetCount(), 2);
  std::set<std::string> Listed;
  for (int P = 0; P < Pages->GetCount(); ++P) {
    TBaseLocationItemsPage* Page = Pages->Items(P);
    EXPECT_EQ(Page->Capacity, Page->Count());
    for (int I = 0; I < Page->Count(); ++I) {
      const std::string& ID = Page->GetItem(I);
      SCOPED_TRACE(ID);
      TGameObject* Obj = Objects->GetByIDReadOnly(ID);
      ASSERT_TRUE(Obj);
      // Listed things are picked; the harbour's museum pieces are picked for the museum.
      EXPECT_TRUE(Obj->LocationBehaviorName() == "Pickable" ||
                  Obj->LocationBehaviorName() == "Museum")
          << Obj->LocationBehaviorName();
      EXPECT_FALSE(Obj->Caption().empty());
      EXPECT_TRUE(Listed.insert(ID).second) << "listed twice";
    }
  }
  EXPECT_EQ(Listed.size(), 16u);
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
  // "Scoring.cfg": ordinary finds, those hidden by something else and those listed by a clue.
  EXPECT_EQ(World.Obj("Anchor")->Points(), 100);
  EXPECT_EQ(World.Obj("Pearl")->Points(), 150);
  EXPECT_EQ(World.Obj("Compass")->Points(), 200);
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

TEST_F(DemoHarbour, ScriptsRunCleanWhileItPlaysAndTheGullDropsItsFeather) {
  EXPECT_TRUE(L->ActiveAnimation("Ambient"));
  // The first sight: the first visit's briefing (the view has no black screen to type it on,
  // so it ends at once), then the tip, the gull's take-off and a line (said at once in the view)
  // on the main channel; the gull flies on the parallel one, once the briefing is over.
  ASSERT_GE(L->MC()->GetCount(), 4);
  EXPECT_EQ(L->MC()->Peek()->ClassName(), "TBlackScreenBriefingState");
  EXPECT_TRUE(L->FC()->Channel("Parallel")->Empty());
  Play(100);
  EXPECT_FALSE(L->FC()->Channel("Parallel")->Empty());
  Play(1900);
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
  // The pennant and the perched gull stir again, one at a time, when the rules pick them: each
  // restart brings a finished animation back to its start.
  auto* Harbour = ObjectCast<TLocation>(L);
  EXPECT_EQ(Harbour->AtmosphereObjects(), (std::vector<std::string>{"Flag", "GullOnBarrel"}));
  int Restarts = 0;
  for (int T = 0; T < 8000; T += 20) {
    const bool Resting = World.Obj("Flag")->Symbol()->IsFinished() &&
                         World.Obj("GullOnBarrel")->Symbol()->IsFinished();
    View->UpdateTree(0.02f);
    Restarts += Resting && !(World.Obj("Flag")->Symbol()->IsFinished() &&
                             World.Obj("GullOnBarrel")->Symbol()->IsFinished());
  }
  EXPECT_GE(Restarts, 2);
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

// --- Small locations of the tests' own ----------------------------------------------------------

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
    World.File("loc/Unlisted.loc", R"(<Location ID="Unlisted"><ItemsDistribution>
      <Page Capacity="1" MasterObjectPage="False"><Item ID="Nobody"/></Page>
    </ItemsDistribution></Location>)");
    World.File("loc/Shelf.loc", R"(<Location ID="Shelf">
      <ItemsDistribution><Page Capacity="3" MasterObjectPage="False">
        <Item ID="Cup1"/><Item ID="Note"/><Item ID="Random"/>
      </Page></ItemsDistribution>
      <Object ID="Cup1" GroupID="Cups" Caption="Cup" GfxURL="Red.png" LocationBehaviorName="Pickable" Left="10" Top="10" Width="10" Height="10" AllowMouse="True"/>
      <Object ID="Cup2" GroupID="Cups" Caption="Cup" GfxURL="Red.png" LocationBehaviorName="Pickable" PageMin="1" PageMax="1" Left="30" Top="10" Width="10" Height="10" AllowMouse="True"/>
      <Object ID="Note" Caption="Note" Clue="Read me" GfxURL="Green.png" LocationBehaviorName="Pickable" Left="50" Top="10" Width="10" Height="10" AllowMouse="True"/>
    </Location>)");
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
  Fails("Unlisted.loc", "Nobody not present."); // the deal fails when the view opens it
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

// The pages are dealt when the view opens a location; the status line lists a group once, with
// the count of those left, and a clue in place of a caption.
TEST_F(SmallLocation, TheStatusLineListsGroupsOnceAndCluesForCaptions) {
  View->Open("Shelf.loc");
  Play(20); // the first visit's briefing
  EXPECT_EQ(View->StatusText(), "Page 1 of 1: Cup (2), Read me    Found: 0");
  View->ClickAt({35, 15}, mbLeft);
  Play(20);
  EXPECT_EQ(View->StatusText(), "Page 1 of 1: Cup, Read me    Found: 1");
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

// A script's way on ("GameScreen.FadeToLocation") opens the location at the next frame; one that
// cannot be read leaves the view empty, and an empty name stays where it is.
TEST_F(SmallLocation, AScriptsWayOnOpensTheLocationAtTheNextFrame) {
  View->Open("Small.loc");
  World.Eval("GameScreen.FadeToLocation('')");
  Play(20);
  EXPECT_EQ(View->Location()->ID, "Small");
  World.Eval("GameScreen.FadeToLocation('Shelf.loc')");
  EXPECT_EQ(View->Location()->ID, "Small");
  EXPECT_EQ(View->NextURL(), "Shelf.loc");
  Play(20);
  ASSERT_TRUE(View->Location());
  EXPECT_EQ(View->Location()->ID, "Shelf");
  EXPECT_EQ(World.Obj("Coin"), nullptr);
  World.Eval("GameScreen.FadeToLocation('Nowhere.loc')");
  Play(20);
  EXPECT_EQ(View->Location(), nullptr);
  EXPECT_EQ(GameObjectCollector->Count(), 0);
  Play(20);
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

} // namespace
