#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "flow/UBasicFlowStates.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UFlowState.h"
#include "flow/ULocAnimationState.h"
#include "locations/ULocation.h"
#include "locations/ULocationClassRegistry.h"
#include "objects/ULiveGameObject.h"
#include "player/UGameData.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

namespace {

// A lamp, a crate in front of it and a coin; one animation that slides the lamp, one playing.
const char* QuayXML =
    R"(<Location ID="Quay" Name="The quay" OnUpdate="LastInterval = UpdateInterval" OnAfterObjectPick="Picked = Sender.ID">
  <Script>var A = 1;</Script>
  <Script>var B = 2;</Script>
  <DynProperty Name="Mood" Type="8" Value="calm"/>
  <Animations>
    <Animation ID="Slide" OriginX="0" OriginY="0" Width="64" Height="48">
      <Channel ClassId="LiveGameObject" Caption="lamp" Visible="True" GameObjectId="Lamp" XDefValue="0" YDefValue="0" WidthDefValue="10" HeightDefValue="10" AngleDefValue="0">
        <X><Term T="0" Value="15"/><Term T="500" Value="35"/></X>
      </Channel>
    </Animation>
  </Animations>
  <ActiveAnimations>
    <Animation ID="Idle" ElapsedTime="100" OriginX="0" OriginY="0" Width="64" Height="48">
      <Channel ClassId="LiveGameObject" Caption="coin" Visible="True" GameObjectId="Coin" XDefValue="0" YDefValue="0" WidthDefValue="6" HeightDefValue="6" AngleDefValue="0"/>
    </Animation>
  </ActiveAnimations>
  <ItemsDistribution>
    <Page Capacity="2" MasterObjectPage="False"><Item ID="Coin"/><Item ID="Crate"/></Page>
    <Page Capacity="1" MasterObjectPage="False"><Item ID="Lamp"/></Page>
  </ItemsDistribution>
  <Object ID="Lamp" GfxURL="Red.png" Left="10" Top="10" Width="10" Height="10" Angle="0" TakingCount="0" Visible="True" ExtentHit="False" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"/>
  <Object ID="Crate" GfxURL="Green.png" Left="15" Top="10" Width="10" Height="10" Angle="0" TakingCount="0" Visible="True" ExtentHit="False" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"/>
  <Object ID="Coin" GfxURL="Red.png" Left="40" Top="30" Width="6" Height="6" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"/>
</Location>)";

class LocationTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Picture("Red.png", 10, 10, 0xFFFF0000);
    World.Picture("Green.png", 10, 10, 0xFF00FF00);
    World.Start();
  }
  void TearDown() override {
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  TLocationWorld World;
};

std::string Saved(const TBaseLocation* L) {
  TGObjectPtr<TGXMLNode> N(L->SaveToXML());
  return N->SaveToString();
}

TEST_F(LocationTest, ASavedLocationReadsBackToTheSameBytes) {
  TBaseLocation* L = World.Load(QuayXML);
  EXPECT_EQ(L->ID, "Quay");
  EXPECT_EQ(L->Script, "var A = 1;var B = 2;");
  EXPECT_EQ(L->Objects()->Count(), 3);
  EXPECT_EQ(L->GetAttr("Mood").ToString(), "calm");
  // Never activated: the animations are kept as they were read.
  EXPECT_FALSE(L->AnimationsLoaded());
  const std::string First = Saved(L);
  EXPECT_NE(First.find("ElapsedTime=\"100\""), std::string::npos);
  World.Stop();
  World.Start();
  TBaseLocation* Again = World.Load(First);
  EXPECT_EQ(Saved(Again), First);

  // Activated, with its animations built and one more playing, it still reads back the same.
  World.Enter(Again);
  Again->PlayAnimation("Slide");
  const std::string Played = Saved(Again);
  EXPECT_NE(Played.find("ID=\"Slide\""), std::string::npos);
  World.Stop();
  World.Start();
  EXPECT_EQ(Saved(World.Load(Played)), Played);
}

TEST_F(LocationTest, IDsComeFromTheFileNameAndScriptsJoinInOrder) {
  TBaseLocation* L = World.Load(R"(<Location><Script>x = 1;</Script><Script>
y = 2;</Script></Location>)",
                                "Port.loc");
  EXPECT_EQ(L->ID, "Port");
  EXPECT_EQ(L->Script, "x = 1;\r\ny = 2;");
  auto* Loc = ObjectCast<TLocation>(L);
  ASSERT_TRUE(Loc);
  EXPECT_EQ(Loc->GameAvatar, "UI\\GameWindow\\Avatars\\Zari\\Normal");
  EXPECT_ERROR_TEXT(World.Load(R"(<Location ID="X" Class="TNoSuchPlace"/>)"),
                    "Wrong location class name: TNoSuchPlace");
}

TEST_F(LocationTest, ScriptsWithCDataEndsAndBriefingsSurviveSaving) {
  auto* L = ObjectCast<TLocation>(World.Load(R"(<Location ID="Q"/>)"));
  L->Script = "var s = \"a]]>b\"; // ]]>";
  L->BlackScreenBriefingText = "Dawn & mist\r\nover the quay";
  const std::string Text = Saved(L);
  EXPECT_NE(Text.find("Dawn &amp;amp; mist&amp;cr;&amp;lf;over"), std::string::npos);
  World.Stop();
  World.Start();
  auto* Back = ObjectCast<TLocation>(World.Load(Text));
  EXPECT_EQ(Back->Script, "var s = \"a]]>b\"; // ]]>");
  EXPECT_EQ(Back->BlackScreenBriefingText, "Dawn & mist\r\nover the quay");
}

TEST_F(LocationTest, IDsThatAreNoScriptIdentifiersStillReachScripts) {
  TBaseLocation* L = World.Load(R"(<Location ID="01-Quay" OnAfterObjectPick="Picked = Sender.ID">
    <Object ID="00_Intro 00" Left="0" Top="0" Width="5" Height="5" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"/>
  </Location>)");
  World.Enter(L);
  EXPECT_EQ(World.Eval("CurrentLocation.ID").ToString(), "01-Quay");
  L->AfterObjectPick("00_Intro 00", 3);
  EXPECT_EQ(World.Eval("Picked").ToString(), "00_Intro 00");
  EXPECT_TRUE(World.ScriptErrors.empty()) << World.ScriptErrors.front();
}

TEST_F(LocationTest, AnimationsPlayOnceFinishAndReleaseTheirWaitingState) {
  TBaseLocation* L = World.Load(QuayXML);
  World.Enter(L);
  EXPECT_TRUE(L->AnimationsLoaded());
  EXPECT_EQ(L->ActiveAnimations().Count(), 1); // "Idle" was saved playing
  L->PlayAnimation("Slide");
  L->PlayAnimation("Slide");
  EXPECT_EQ(L->ActiveAnimations().Count(), 2);
  EXPECT_ERROR_TEXT(L->PlayAnimation("Nope"), "Animation doesn't found: Nope");

  // A state waiting on the animation finishes in the update in which it is dropped.
  L->StopAnimation("Slide");
  auto* Wait = new TLocAnimationState(L->FC()->Channel("Parallel"), "Slide");
  L->Update(0);
  EXPECT_EQ(Wait->Status, ssCurrent);
  TGameObject* Lamp = World.Obj("Lamp");
  L->Update(250);
  EXPECT_FLOAT_EQ(Lamp->Left(), 20); // the channel moved it halfway: the pivot is its centre
  L->Update(300);
  EXPECT_FALSE(L->ActiveAnimation("Slide"));
  EXPECT_TRUE(L->FC()->Channel("Parallel")->Empty());

  // A missing animation finishes the state at once instead of blocking its channel.
  new TLocAnimationState(L->FC()->Channel("Parallel"), "Nope");
  L->Update(10);
  EXPECT_TRUE(L->FC()->Channel("Parallel")->Empty());
}

TEST_F(LocationTest, UpdateRunsObjectsFlowAndItsScript) {
  TBaseLocation* L = World.Load(QuayXML);
  World.Enter(L);
  L->Update(40);
  EXPECT_EQ(World.Eval("LastInterval").ToInteger(), 40);
  // The main channel is refilled with the interactive state.
  ASSERT_FALSE(L->MC()->Empty());
  EXPECT_EQ(L->MC()->Peek()->ClassName(), "TCommonGameState");

  // The editor runs animations and objects but not the flow.
  TGObjectPtr<TBaseGameData> Data(new TBaseGameData(nullptr));
  Data->InGameEditor = true;
  L->MC()->Clear();
  L->Update(40);
  EXPECT_TRUE(L->MC()->Empty());
}

TEST_F(LocationTest, HitsFindTheFrontmostObjectThatTakesTheMouse) {
  TBaseLocation* L = World.Load(QuayXML);
  World.Enter(L);
  EXPECT_EQ(L->ObjectAt({17, 12})->ID(), "Crate");
  EXPECT_EQ(L->ObjectAt({12, 12})->ID(), "Lamp");
  World.Obj("Crate")->SetAllowMouse(false);
  EXPECT_EQ(L->ObjectAt({17, 12})->ID(), "Lamp");
  EXPECT_EQ(L->ObjectAt({30, 40}), nullptr);
  // The coin is hit on its rectangle, turned with it about its corner.
  TGameObject* Coin = World.Obj("Coin");
  EXPECT_TRUE(Coin->Hit({45, 35}));
  Coin->SetAngle(90); // now it covers 34..40 across, 30..36 down
  EXPECT_FALSE(Coin->Hit({45, 35}));
  EXPECT_TRUE(Coin->Hit({36, 33}));
}

TEST_F(LocationTest, ObjectsDrawBackToFrontWithTheirChannels) {
  TBaseLocation* L = World.Load(QuayXML);
  World.Enter(L);
  L->Update(0);
  L->Draw();
  EXPECT_EQ(Row(12, 10, 15), "RRRRRGGGGGGGGGG");
  L->BringToFront(World.Obj("Lamp"));
  GD->Erase(TGColor(0xFF000000));
  L->Draw();
  EXPECT_EQ(Row(12, 10, 15), "RRRRRRRRRRGGGGG");
  // A playing channel draws the lamp where it puts it.
  L->PlayAnimation("Slide");
  L->Update(500);
  GD->Erase(TGColor(0xFF000000));
  L->Draw();
  EXPECT_EQ(Row(12, 28, 13), "..RRRRRRRRRR.");
  EXPECT_EQ(PixelAt(35, 12), TGColor(0xFFFF0000));
  EXPECT_EQ(PixelAt(12, 12), TGColor(0xFF000000));
}

TEST_F(LocationTest, PageItemsLeftCountsObjectsNotTakenOrStillFlying) {
  TBaseLocation* L = World.Load(QuayXML);
  World.Enter(L);
  EXPECT_EQ(L->PageItemsLeft(), 2);
  World.Obj("Coin")->SetTakingCount(1);
  EXPECT_EQ(L->PageItemsLeft(), 1);
  World.Screen.Flights.emplace_back(World.Obj("Coin"), TFlightFinishEvent());
  EXPECT_EQ(L->PageItemsLeft(), 2);
  // The last one of a page turns to the next.
  L->AfterObjectPick("Crate", 0);
  EXPECT_EQ(World.Screen.Calls.back(), "NextPage 11");
  EXPECT_EQ(World.Eval("Picked").ToString(), "Crate");
}

TEST_F(LocationTest, RemovingAnObjectTakesItsChannelsAlong) {
  TBaseLocation* L = World.Load(QuayXML);
  World.Enter(L);
  L->PlayAnimation("Slide");
  TGameObject* Lamp = World.Obj("Lamp");
  L->RemoveGameObject(Lamp);
  EXPECT_EQ(L->Objects()->IndexOf(Lamp), -1);
  EXPECT_EQ(L->ActiveAnimation("Slide")->GetCount(), 0);
  EXPECT_EQ(L->Animations()->ByName("Slide")->GetCount(), 0);
  EXPECT_EQ(L->DrawHelper()->Count(), 2);
  L->Update(100);
  L->Draw();
}

TEST_F(LocationTest, AFreedLocationCanBeLoadedAgain) {
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Location"));
  Root->LoadFromString(QuayXML);
  for (int Round = 0; Round < 2; ++Round) {
    SCOPED_TRACE(Round);
    TBaseLocation* L =
        LoadLocationFromXML(World.Library.get(), Root.get(), "Quay.loc", nullptr, true);
    World.Enter(L);
    // The scripts reach the objects of this load, not those of the one before.
    EXPECT_EQ(World.Eval("O.Lamp.Left").ToInteger(), 10);
    World.Eval("O.Lamp.Left = 12");
    EXPECT_FLOAT_EQ(World.Obj("Lamp")->Left(), 12);
    World.Player->SetCurrentLocation(nullptr);
    FreeLoadedLocation(L);
    EXPECT_EQ(GameObjectCollector->Count(), 0);
  }
  EXPECT_TRUE(World.ScriptErrors.empty()) << World.ScriptErrors.front();
}

} // namespace

// The game registers its classes whenever it starts them: a class already known keeps its one
// entry, so the class tables do not grow with every start.
TEST(ClassRegistries, AClassRegisteredAgainKeepsItsOneEntry) {
  TLocationClassRegistry Locations;
  Locations.Add(TLocation::StaticClass());
  Locations.Add(TPuzzleLocation::StaticClass());
  Locations.Add(TLocation::StaticClass());
  ASSERT_EQ(Locations.Items().size(), 2u);
  EXPECT_EQ(Locations.GetItem("TPuzzleLocation"), TPuzzleLocation::StaticClass());
  TFlowStateClassRegistry States;
  States.Add(TPauseState::StaticClass());
  States.Add(TPauseState::StaticClass());
  EXPECT_EQ(States.Items().size(), 1u);
}
