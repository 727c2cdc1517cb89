#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "base/UGRandom.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UFlowState.h"
#include "inventory/UInventory.h"
#include "locations/ULocation.h"
#include "locations/ULocationEvents.h"
#include "locations/USimpleLocation.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

std::string Obj(const std::string& ID, const std::string& Extra) {
  return "<Object ID=\"" + ID + "\" " + Extra +
         " Left=\"0\" Top=\"0\" Width=\"4\" Height=\"4\" Angle=\"0\" TakingCount=\"0\" "
         "Visible=\"True\" ExtentHit=\"True\" AllowMouse=\"True\" AppearedInItems=\"False\" "
         "PivotX=\"0\" PivotY=\"0\"/>";
}

// Three pages: one object named, the rest "Random" places; a group of three coins, two blue
// objects behind a sail, a clue, and objects of every page range.
std::string DockXML() {
  std::string S = R"(<Location ID="Dock" Class="TLocationWithGoalAllItemsCollected">
    <ItemsDistribution>
      <Page Capacity="3" MasterObjectPage="False"><Item ID="Anchor"/><Item ID="Random"/><Item ID="Random"/></Page>
      <Page Capacity="3" MasterObjectPage="False"><Item ID="Random"/><Item ID="Random"/><Item ID="Random"/></Page>
      <Page Capacity="2" MasterObjectPage="False"><Item ID="Random"/><Item ID="Random"/></Page>
    </ItemsDistribution>)";
  S += Obj("Anchor", "LocationBehaviorName=\"Pickable\" PageMin=\"1\" PageMax=\"3\"");
  S += Obj("Sail", "");
  for (const char* C : {"Coin1", "Coin2", "Coin3"}) {
    S += Obj(C, "LocationBehaviorName=\"Pickable\" GroupID=\"Coins\" PageMin=\"1\" PageMax=\"3\"");
  }
  S += Obj("Pearl",
           "LocationBehaviorName=\"Pickable\" HiddenBy=\"Sail\" PageMin=\"1\" PageMax=\"3\"");
  S += Obj("Ring",
           "LocationBehaviorName=\"Pickable\" HiddenBy=\"Sail\" PageMin=\"2\" PageMax=\"2\"");
  S += Obj("Map", "LocationBehaviorName=\"Pickable\" Clue=\"$Old map$\" PageMax=\"3\"");
  S += Obj("Cup", "LocationBehaviorName=\"Pickable\" PageMax=\"3\"");
  S += Obj("Rope", "LocationBehaviorName=\"Pickable\" PageMin=\"1\" PageMax=\"2\"");
  S += Obj("Key", "LocationBehaviorName=\"Pickable\" PageMax=\"3\"");
  S += Obj("Never", "LocationBehaviorName=\"Pickable\" PageMax=\"0\"");
  S += "</Location>";
  return S;
}

class LocationRules : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Start();
  }
  void TearDown() override {
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  std::vector<std::vector<std::string>> Pages(TLocation* L) {
    std::vector<std::vector<std::string>> Out;
    for (int P = 0; P < L->ItemsDistribution()->GetCount(); ++P) {
      std::vector<std::string> IDs;
      for (int I = 0; I < L->ItemsDistribution()->Items(P)->Count(); ++I) {
        IDs.push_back(L->ItemsDistribution()->Items(P)->GetItem(I));
      }
      Out.push_back(IDs);
    }
    return Out;
  }
  // The page of an object (1-based), 0 when it is on none.
  int PageOf(TLocation* L, const std::string& ID) {
    auto P = Pages(L);
    for (size_t I = 0; I < P.size(); ++I) {
      if (std::find(P[I].begin(), P[I].end(), ID) != P[I].end()) {
        return static_cast<int>(I) + 1;
      }
    }
    return 0;
  }
  TLocationWorld World;
};

TEST_F(LocationRules, TheDealFillsThePagesKeepsGroupsAndSeparatesBlueObjects) {
  GlobalRandom().SetSeed(7);
  auto* L = ObjectCast<TLocation>(World.Load(DockXML()));
  L->FillItemsDistribution();
  auto P = Pages(L);
  ASSERT_EQ(P.size(), 3u);
  EXPECT_EQ(P[0].front(), "Anchor"); // named places stay first
  // A group lands on one page, which grows for it.
  int Coins = PageOf(L, "Coin1");
  EXPECT_NE(Coins, 0);
  EXPECT_EQ(PageOf(L, "Coin2"), Coins);
  EXPECT_EQ(PageOf(L, "Coin3"), Coins);
  // Blue objects are placed from the last page of their range backwards; their pages take no
  // ordinary random objects.
  EXPECT_EQ(PageOf(L, "Pearl"), 3);
  EXPECT_EQ(PageOf(L, "Ring"), 2);
  for (const std::string& ID : P[1]) {
    EXPECT_TRUE(ID == "Ring" || World.Obj(ID)->GroupID() == "Coins") << ID;
  }
  EXPECT_EQ(PageOf(L, "Rope"), 1); // page 2 holds a blue object
  EXPECT_EQ(PageOf(L, "Never"), 0);
  // The page without blue objects is full; the objects that found no room are left out for
  // good.
  EXPECT_EQ(L->ItemsDistribution()->Items(0)->SpaceLeft(), 0);
  int Placed = 0;
  for (auto& Page : P) {
    Placed += static_cast<int>(Page.size());
  }
  for (const char* ID : {"Map", "Cup", "Key"}) {
    if (PageOf(L, ID) == 0) {
      EXPECT_EQ(World.Obj(ID)->PageMax(), 0) << ID;
    }
  }
  EXPECT_EQ(L->ItemsLeft(), Placed);
  // A second deal finds everything placed and places nothing new.
  L->FillItemsDistribution();
  EXPECT_EQ(Pages(L), P);
}

TEST_F(LocationRules, TheSameSeedGivesTheSameDeal) {
  auto Deal = [this](uint32_t Seed) {
    World.Stop();
    World.Start();
    GlobalRandom().SetSeed(Seed);
    auto* L = ObjectCast<TLocation>(World.Load(DockXML()));
    L->FillItemsDistribution();
    return Pages(L);
  };
  auto A = Deal(11);
  EXPECT_EQ(Deal(11), A);
  bool Differs = false;
  for (uint32_t Seed = 12; Seed < 30 && !Differs; ++Seed) {
    Differs = Deal(Seed) != A;
  }
  EXPECT_TRUE(Differs);
}

TEST_F(LocationRules, DealingFailuresNameWhatWentWrong) {
  auto* L = ObjectCast<TLocation>(World.Load(R"(<Location ID="Bad">
    <ItemsDistribution><Page Capacity="1" MasterObjectPage="False"><Item ID="Ghost"/></Page></ItemsDistribution>
  </Location>)"));
  EXPECT_ERROR_TEXT(L->FillItemsDistribution(), "Ghost not present.");
  // A page range beyond the pages names the object and the location.
  auto* M = ObjectCast<TLocation>(World.Load(
      R"(<Location ID="Far"><ItemsDistribution><Page Capacity="1" MasterObjectPage="False"><Item ID="Random"/></Page></ItemsDistribution>)" +
      Obj("Kite", "PageMin=\"4\" PageMax=\"5\"") + "</Location>"));
  EXPECT_ERROR_TEXT(M->FillItemsDistribution(),
                    "Object Kite of location Far may appear on pages 4 to 5, but the location has "
                    "1 pages");
  // A page that is full raises for a blue object with no room.
  auto* N = ObjectCast<TLocation>(World.Load(
      R"(<Location ID="Full"><ItemsDistribution><Page Capacity="0" MasterObjectPage="False"/></ItemsDistribution>)" +
      Obj("Lid", "") + Obj("Gem", "HiddenBy=\"Lid\" PageMin=\"1\" PageMax=\"1\"") + "</Location>"));
  EXPECT_ERROR_TEXT(N->FillItemsDistribution(),
                    "Failed to add game object Gem - no spare page space found.");
}

TEST_F(LocationRules, EventsRunTheirStepsAndResumeWhereTheyStood) {
  auto* L = ObjectCast<TLocation>(World.Load(R"(<Location ID="Harbour">
    <Events>
      <LocationEvent Name="FirstActivate">
        <EventState ClassName="TLocationPauseEventState" Status="0" Interval="500"/>
        <EventState ClassName="TLocationMusicEventState" Status="0" MusicURL="Theme.ogg" FadeTime="200"/>
      </LocationEvent>
      <LocationEvent Name="Bell">
        <EventState ClassName="TLocationSoundEventState" Status="0" SfxURL="Bell.wav"/>
        <EventState ClassName="TLocationPauseEventState" Status="0" Interval="10"/>
      </LocationEvent>
      <LocationEvent Name="Odd"><EventState ClassName="TNoSuchState" Status="0"/></LocationEvent>
    </Events>
  </Location>)"));
  World.Enter(L); // the first visit fires "FirstActivate"
  ASSERT_EQ(L->ActiveEvents()->GetCount(), 1);
  L->Update(200);
  L->Update(200);
  EXPECT_EQ(L->ActiveEvents()->GetCount(), 1);
  // Saved mid-way: the pause has 100 left.
  TGObjectPtr<TGXMLNode> Saved(L->SaveToXML());
  const std::string Text = Saved->SaveToString();
  EXPECT_NE(Text.find("Status=\"1\" Interval=\"100\""), std::string::npos);
  L->Update(200); // the pause ends, the music starts and finishes, the event goes
  EXPECT_EQ(L->ActiveEvents()->GetCount(), 0);

  // The saved one resumes with its 100 ms.
  World.Stop();
  World.Start();
  auto* Back = ObjectCast<TLocation>(World.Load(Text));
  ASSERT_EQ(Back->ActiveEvents()->GetCount(), 1);
  auto* Pause = static_cast<TLocationPauseEventState*>(Back->ActiveEvents()->Event(0)->Peek());
  EXPECT_EQ(Pause->Interval, 100);
  EXPECT_EQ(Pause->Status, ssCurrent);
  // A sound never finishes: what follows it never runs. Names ignore case.
  Back->FireEvent("bell");
  Back->Update(100);
  Back->Update(100);
  EXPECT_EQ(Back->ActiveEvents()->GetCount(), 1);
  EXPECT_EQ(Back->ActiveEvents()->Event(0)->Name(), "Bell");
  // An unknown state class in a file is left out; the event stays.
  ASSERT_TRUE(Back->Events()->FindEvent("Odd"));
  EXPECT_EQ(Back->Events()->FindEvent("Odd")->GetCount(), 0);
}

TEST_F(LocationRules, TheGoalLineShowsTheFirstTextInKeyOrder) {
  auto* L = ObjectCast<TLocation>(World.Load(R"(<Location ID="G"/>)"));
  TGoalStack* G = L->Goal();
  EXPECT_EQ(G->Text(), CGoalSearch);
  G->SetGoal(40, "forty");
  G->SetGoal(100, "hundred");
  EXPECT_EQ(G->Text(), "hundred"); // "100" sorts before "40"
  G->SetGoal(9, "nine");
  EXPECT_EQ(G->Text(), "nine");
  G->SetGoal(9, "");
  EXPECT_EQ(G->Text(), "hundred");
  G->SetTimedGoal(0, "briefly", 250);
  EXPECT_EQ(G->Text(), "briefly");
  G->Update(100);
  EXPECT_EQ(G->Text(), "briefly");
  G->Update(50); // down to 100: gone
  EXPECT_EQ(G->Text(), "hundred");
  // A hand-written level is the level the code makes: "9" and "09" are one.
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Goal"));
  Node->LoadFromString(R"(<Goal><Item Level="9" Text="a"/><Item Level="0" Text="b"/></Goal>)");
  G->LoadFromXML(Node.get());
  G->SetGoal(9, "c");
  EXPECT_EQ(G->Count(), 2);
  EXPECT_EQ(G->Text(), "b");
  EXPECT_EQ(G->GetGoal(9), "c");
}

TEST_F(LocationRules, HotSpotsAnswerToolsRightAndWrong) {
  auto* L = ObjectCast<TLocation>(World.Load(
      R"(<Location ID="Wharf" OnHotSpot="HotSpotObject.ID == 'Chest' &amp;&amp; Opened">)" +
      Obj("Chest", "HotSpot=\"True\"") + Obj("Crate", "HotSpot=\"True\"") +
      R"(<Object ID="Crowbar" IsTool="True" Left="0" Top="0" Width="4" Height="4" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"><DynProperties><DynProperty Name="BackPackTargetObject" Type="8" Value="Crate"/></DynProperties></Object>
  </Location>)"));
  World.Enter(L);
  World.Eval("var Opened = false;");
  L->HotSpot("Chest", false);
  EXPECT_EQ(L->Goal()->Text(), CGoalNeedTool);
  L->Goal()->SetGoal(9, "");
  World.Eval("Opened = true;");
  L->HotSpot("Chest", false);
  EXPECT_EQ(L->Goal()->Text(), CGoalSearch);
  // With a tool: the right target says nothing, another says to try another tool.
  World.Player->SetCursor(World.Obj("Crowbar"));
  L->HotSpot("Crate", true);
  EXPECT_EQ(L->Goal()->Text(), CGoalSearch);
  L->HotSpot("Chest", true);
  EXPECT_EQ(L->Goal()->Text(), CGoalOtherTool);
  // The hot spots follow the tools of the location.
  World.Obj("Crate")->SetHotSpot(false);
  L->UpdateHotSpots();
  EXPECT_TRUE(World.Obj("Crate")->HotSpot());
}

TEST_F(LocationRules, ALocationFinishesWhenTheLastObjectIsFound) {
  GlobalRandom().SetSeed(3);
  auto* L = ObjectCast<TLocationWithGoalAllItemsCollected>(World.Load(DockXML()));
  L->FillItemsDistribution();
  World.Enter(L);
  L->NextLoc = "Pier.loc";
  L->ScannerUsed = true;
  std::set<std::string> Listed;
  for (auto& Page : Pages(L)) {
    Listed.insert(Page.begin(), Page.end());
  }
  int Left = L->ItemsLeft();
  for (const std::string& ID : Listed) {
    World.Obj(ID)->SetTakingCount(1);
    L->AfterObjectPick(ID, 0);
    EXPECT_EQ(L->FinishReported(), --Left == 0) << ID;
  }
  // The bonus for not using hints, once.
  EXPECT_EQ(World.Player->Score(), 5000);
  L->FinishReport();
  EXPECT_EQ(World.Player->Score(), 5000);
  EXPECT_EQ(std::count(World.Screen.Calls.begin(), World.Screen.Calls.end(),
                       "Queue Game\\FX\\NoHintsUsedBonus.ani"),
            1);
  // The way on is queued last on the main channel.
  TFlowChannel* Main = L->MC();
  TGObjectPtr<TGXMLNode> Flow(Main->SaveToXML());
  EXPECT_NE(Flow->SaveToString(0).find("GameScreen.FadeToLocation(&quot;Pier.loc&quot;);"),
            std::string::npos);
}

// A last location (no next one) finishes where it is: no fade to an empty location is queued,
// which would fail when it ran.
TEST_F(LocationRules, ALastLocationFinishesWithoutAFade) {
  auto* L = ObjectCast<TLocationWithGoalAllItemsCollected>(World.Load(DockXML()));
  World.Enter(L);
  L->NextLoc.clear();
  L->FinishReport();
  ASSERT_TRUE(L->FinishReported());
  TGObjectPtr<TGXMLNode> Flow(L->MC()->SaveToXML());
  EXPECT_EQ(Flow->SaveToString(0).find("FadeToLocation"), std::string::npos);
}

TEST_F(LocationRules, AtmosphereObjectsMoveAtRandomAndMissingOnesAreDropped) {
  World.File("gfx/Flap.ani", R"(<Animation OriginX="0" OriginY="0" Width="4" Height="4">
    <Channel ClassId="LivePicture" Caption="p" Visible="True"><X><Term T="0" Value="0"/><Term T="300" Value="1"/></X></Channel></Animation>)");
  World.Stop();
  World.Start();
  auto* L = ObjectCast<TLocation>(World.Load(
      R"(<Location ID="Sky"><AtmosphereObjects TimeChangeAtmosphere="100"><Object ID="Gull"/><Object ID="Ghost"/></AtmosphereObjects>)" +
      Obj("Gull", "GfxURL=\"Flap.ani\"") + "</Location>"));
  World.Enter(L);
  for (int I = 0; I < 40; ++I) {
    L->Update(60);
  }
  ASSERT_EQ(L->AtmosphereObjects().size(), 1u);
  EXPECT_EQ(L->AtmosphereObjects().front(), "Gull");
}

} // namespace

namespace {

// A simple location's welcome, win line and way on are set by its own scripts.
TEST_F(LocationRules, ASimpleLocationsScriptsSetItsLinesAndTheWayOn) {
  auto* L = ObjectCast<TSimpleLocation>(World.Load(
      R"(<Location ID="Cove" Class="TSimpleLocation" OnActivate="CurrentLocation.WelcomeSpeech = 'Hello'; CurrentLocation.WinSpeech = 'Done'; CurrentLocation.NextLoc = 'Pier.loc'"/>)"));
  World.Enter(L);
  EXPECT_TRUE(World.ScriptErrors.empty()) << World.ScriptErrors.front();
  EXPECT_EQ(L->WelcomeSpeech, "Hello");
  EXPECT_EQ(L->NextLoc, "Pier.loc");
  EXPECT_EQ(World.Eval("CurrentLocation.WinSpeech").ToString(), "Done");
  World.Eval("CurrentLocation.FinishReport()");
  EXPECT_TRUE(L->FinishReported());
  TGObjectPtr<TGXMLNode> Flow(L->MC()->SaveToXML());
  const std::string Text = Flow->SaveToString(0);
  EXPECT_NE(Text.find("Hello"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Done"), std::string::npos) << Text;
  EXPECT_NE(Text.find("GameScreen.FadeToLocation(&quot;Pier.loc&quot;);"), std::string::npos)
      << Text;
}

} // namespace
