#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "animation/UGAnimation.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UFlowState.h"
#include "locations/ULocation.h"
#include "objects/UGameObjectBehavior.h"
#include "objects/UInventoryBehaviors.h"
#include "objects/ULocationBehaviors.h"
#include "player/UGameData.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

namespace {

// A page of two listed objects (one hidden by a shell), a tool, a hot spot and a bird.
const char* CoveXML = R"XML(<Location ID="Cove" MasterObject="Pearl">
  <ItemsDistribution><Page Capacity="3" MasterObjectPage="False"><Item ID="Pearl"/><Item ID="Star"/><Item ID="Coin"/></Page></ItemsDistribution>
  <Object ID="Shell" GfxURL="Red.png" Left="0" Top="0" Width="10" Height="10" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"/>
  <Object ID="Pearl" LocationBehaviorName="Pickable" HiddenBy="Shell" Left="2" Top="2" Width="4" Height="4" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"/>
  <Object ID="Star" LocationBehaviorName="Pickable" TakenURL="Green.png" GfxURL="Red.png" Left="20" Top="0" Width="10" Height="10" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0">
    <DynProperties>
      <DynProperty Name="PickCondition" Type="8" Value="AllowStar"/>
      <DynProperty Name="OnPick" Type="8" Value="Log.push('pick ' + Sender.ID)"/>
      <DynProperty Name="OnFirstTimePick" Type="8" Value="Log.push('first ' + Sender.ID)"/>
    </DynProperties>
  </Object>
  <Object ID="Hook" IsTool="True" InventoryBehaviorName="Actable" GfxURL="Green.png" Left="40" Top="0" Width="5" Height="5" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0">
    <DynProperties>
      <DynProperty Name="BackPackTargetObject" Type="8" Value="Wreck, Net"/>
      <DynProperty Name="BackPackAction" Type="8" Value="Log.push('hooked ' + Target.ID)"/>
    </DynProperties>
  </Object>
  <Object ID="Wreck" HotSpot="True" Left="50" Top="0" Width="10" Height="10" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"/>
  <Object ID="Gull" LocationBehaviorName="Pickable Zephrin" Left="0" Top="30" Width="5" Height="5" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"/>
</Location>)XML";

class GameObjectTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Picture("Red.png", 10, 10, 0xFFFF0000, true);
    World.Picture("Green.png", 10, 10, 0xFF00FF00);
    World.File("gfx/Blink.ani",
               R"(<Animation OriginX="0" OriginY="0" Width="10" Height="10" Looped="True">
      <Channel ClassId="LivePicture" Caption="p" Visible="True">
        <GfxURL><Term T="0" Value="Red.png"/></GfxURL><X><Term T="0" Value="0"/><Term T="1000" Value="1"/></X>
      </Channel></Animation>)");
    World.File("cfg/Scoring.cfg", R"(<Scoring ComboTime="3000">
      <Regular Nominal="100" WithHint="50"/><Blue Nominal="200" WithHint="80"/>
      <Clue Nominal="300" WithHint="90"/><MasterBlue Nominal="1000" WithHint="400"/></Scoring>)");
    World.Start();
    L = World.Load(CoveXML);
    World.Enter(L);
    World.Eval("var Log = []; var AllowStar = true;");
    L->Update(0);
  }
  void TearDown() override {
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  void Click(const std::string& ID) { L->MC()->Peek()->GameObjectMouseDown(World.Obj(ID), mbLeft); }
  std::string Log() { return World.Eval("Log.join(', ')").ToString(); }

  TLocationWorld World;
  TBaseLocation* L = nullptr;
};

TEST_F(GameObjectTest, AnObjectReadsBackAsItWasSaved) {
  TGameObject* Star = World.Obj("Star");
  Star->Positions()->Add(TGameObjectPosition{1, 2, 3, 4, 5, 0x80FFFFFF});
  Star->SetClue("$A star$");
  Star->SetHiddenBy("Shell");
  Star->SetColor(0x80FF00FF);
  TGObjectPtr<TGXMLNode> Saved(Star->SaveToXML());
  TGObjectPtr<TGameObject> Copy(new TGameObject(nullptr));
  Copy->LoadFromXML(Saved.get());
  TGObjectPtr<TGXMLNode> Again(Copy->SaveToXML());
  EXPECT_EQ(Again->SaveToString(), Saved->SaveToString());
  EXPECT_TRUE(Copy->WasEverHidden());
  EXPECT_EQ(Copy->Positions()->Count(), 1);
  EXPECT_EQ(Copy->GetStrAttr("OnPick"), "Log.push('pick ' + Sender.ID)");
  EXPECT_FALSE(Copy->Changed());
  // A tool without an icon shows its picture in the inventory.
  TGObjectPtr<TGXMLNode> Tool(World.Obj("Hook")->SaveToXML());
  EXPECT_EQ(Tool->GetStrAttr("IconURL"), "Green.png");
  EXPECT_ERROR_TEXT(Copy->Positions()->Position(3), "Wrong position index");
}

TEST_F(GameObjectTest, MovingKeepsTheSizeAndPicturesFollowTheRectangle) {
  TGameObject* Star = World.Obj("Star");
  Star->SetLeft(50);
  EXPECT_FLOAT_EQ(Star->Width(), 10);
  EXPECT_FLOAT_EQ(Star->Rect().Right, 60);
  // The picture has a clear top-left quarter: hits follow its pixels, scaled to the object.
  TGameObject* Shell = World.Obj("Shell");
  Shell->SetExtentHit(false);
  EXPECT_FALSE(Shell->Hit({2, 2}));
  EXPECT_TRUE(Shell->Hit({7, 7}));
  Shell->SetWidth(20);
  Shell->SetHeight(20);
  EXPECT_FALSE(Shell->Hit({8, 8}));
  EXPECT_TRUE(Shell->Hit({15, 15}));
  EXPECT_FLOAT_EQ(Shell->BoundingRect().Right, 20);
  // Turned a quarter about its corner, it lies left of it.
  Shell->SetAngle(90);
  EXPECT_FLOAT_EQ(Shell->BoundingRect().Left, -20);
  EXPECT_TRUE(Shell->Hit({-15, 15}));
}

TEST_F(GameObjectTest, CollectionsFindByIDIgnoringCaseAndMarkWhatTheyHandOut) {
  TGameObject* Star = World.Obj("Star");
  Star->SetChanged(false);
  EXPECT_EQ(GameObjectCollector->GetByIDReadOnly("STAR"), Star);
  EXPECT_FALSE(Star->Changed());
  EXPECT_EQ(GameObjectCollector->GetByID("star"), Star);
  EXPECT_TRUE(Star->Changed());
  EXPECT_EQ(GameObjectCollector->GetByID("Nope"), nullptr);
  TGObjectPtr<TGameObject> Twin(new TGameObject(nullptr, "STAR"));
  EXPECT_THROW(GameObjectCollector->Add(Twin.get()), std::exception);
  // Outside an editor an object in the collector keeps its ID.
  EXPECT_THROW(Star->SetID("Comet"), std::exception);
  TGObjectPtr<TBaseGameData> Data(new TBaseGameData(nullptr));
  Data->InGameEditor = true;
  Star->SetID("Comet");
  EXPECT_EQ(GameObjectCollector->GetByIDReadOnly("Comet"), Star);
  EXPECT_THROW(Star->SetID("Shell"), std::exception);
  Data->InGameEditor = false;
  // A freed object leaves the lists that only refer to it.
  int Before = L->Objects()->Count();
  GameObjectCollector->Remove(World.Obj("Gull"));
  EXPECT_EQ(L->Objects()->Count(), Before - 1);
  EXPECT_EQ(L->Objects()->IndexOf("Gull"), -1);
}

TEST_F(GameObjectTest, HiddenObjectsWaitUntilWhatHidesThemIsTaken) {
  TGameObject* Pearl = World.Obj("Pearl");
  EXPECT_TRUE(Pearl->IsHidden());
  Click("Pearl");
  EXPECT_TRUE(World.Screen.Flights.empty());
  World.Obj("Shell")->SetTakingCount(1);
  EXPECT_FALSE(Pearl->IsHidden());
  Click("Pearl");
  EXPECT_EQ(World.Screen.Flights.size(), 1u);
}

TEST_F(GameObjectTest, ThePickGoesThroughItsStepsInOrder) {
  TGameObject* Star = World.Obj("Star");
  // Not allowed by its condition: nothing happens.
  World.Eval("AllowStar = false");
  Click("Star");
  EXPECT_TRUE(World.Screen.Flights.empty());
  EXPECT_EQ(Log(), "");
  // Allowed: the taken picture, the flight, then the first-pick script and the pick script.
  World.Eval("AllowStar = true");
  Click("Star");
  EXPECT_EQ(Star->GfxURL(), "Green.png");
  EXPECT_EQ(World.Screen.Calls.back(), "Fly Star");
  EXPECT_EQ(Log(), "first Star, pick Star");
  EXPECT_TRUE(Star->IsTaken());
  // Landing puts it into the inventory, counted once.
  World.Screen.LandAll();
  EXPECT_EQ(World.Screen.Calls.back(), "MoveToInventory Star");
  EXPECT_EQ(Star->TakingCount(), 1);

  // A refused flight runs the location's overflow handler and no pick script.
  World.Screen.RefuseFlights = true;
  L->SetAttr("ToolsOverflowHandler", TGVariant(std::string("Log.push('full')")));
  Star->SetTakingCount(0);
  Click("Star");
  EXPECT_EQ(Log(), "first Star, pick Star, full");
}

TEST_F(GameObjectTest, UnlistedObjectsAndHeldToolsStopThePickButBirdsFlyAnyway) {
  // Not on the page.
  World.Obj("Hook")->SetLocationBehaviorName("Pickable");
  Click("Hook");
  EXPECT_TRUE(World.Screen.Flights.empty());
  // A bird is always pickable, and is recorded when it lands.
  Click("Gull");
  ASSERT_EQ(World.Screen.Flights.size(), 1u);
  World.Screen.LandAll();
  EXPECT_TRUE(World.Player->CollectedZephrins()->IsCollected("Test.loc", "gull"));
  EXPECT_EQ(ObjectCast<TLocation>(L)->TakenZephrinCount, 1);
  // While a tool is held the pick stops and the tool is used instead.
  World.Player->SetCursor(World.Obj("Hook"));
  Click("Star");
  EXPECT_TRUE(World.Screen.Flights.empty());
}

TEST_F(GameObjectTest, ToolsActOnTheirTargetsAndRefuseTheRest) {
  World.Player->SetCursor(World.Obj("Hook"));
  Click("Wreck");
  EXPECT_EQ(Log(), "hooked Wreck");
  // A hot spot that is not its target: the player says why.
  World.Obj("Hook")->SetStrAttr("BackPackTargetObject", "Net");
  Click("Wreck");
  EXPECT_EQ(World.Screen.Calls.back(), "Say Zari: $Try another tool here.$");
  Click("Star");
  EXPECT_EQ(World.Screen.Calls.back(), "Say Zari: $Tool cannot be used here.$");
  // An empty target list matches anything.
  World.Obj("Hook")->SetStrAttr("BackPackTargetObject", "");
  Click("Star");
  EXPECT_EQ(Log(), "hooked Wreck, hooked Star");
  // Walking cursors end the click silently.
  World.Obj("Wreck")->SetCursorURL("Cursors\\Walk.ani");
  World.Obj("Wreck")->SetStrAttr("OnLocationMouseDown", "Log.push('walked')");
  Click("Wreck");
  EXPECT_EQ(Log(), "hooked Wreck, hooked Star");
  // In the inventory, the left button takes a tool in hand.
  World.Player->SetCursor(nullptr);
  L->MC()->Peek()->GameObjectInventoryMouseDown(World.Obj("Hook"), mbLeft);
  EXPECT_EQ(World.Screen.Calls.back(), "AssignToCursor Hook");
}

TEST_F(GameObjectTest, BehavioursAreFoundByTheirExactName) {
  EXPECT_EQ(LocationBehaviors->ByName("Pickable")->ClassName(), "TPickableLocationBehavior");
  EXPECT_EQ(LocationBehaviors->ByName("")->ClassName(), "TCustomLocationBehavior");
  EXPECT_EQ(LocationBehaviors->ByName("pickable"), nullptr);
  EXPECT_EQ(LocationBehaviors->ByName("Museum Midas")->ClassName(), "TMuseumMidasLocationBehavior");
  EXPECT_EQ(InventoryBehaviors->ByName("Actable")->ClassName(), "TActableBackPackBehavior");
  auto* Museum = static_cast<TMuseumLocationBehavior*>(LocationBehaviors->ByName("Museum"));
  EXPECT_EQ(Museum->FlyingConfigName(World.Obj("Star")), "Museum");
  EXPECT_EQ(LocationBehaviors->ByName("Pickable Zephrin")->Attrs(),
            "PickCondition,OnPick,OnFirstTimePick,OnLocationMouseEnter,OnLocationMouseLeave,"
            "OnAppearInItems");
  // An unknown name gives no behaviour: the click does nothing.
  World.Obj("Star")->SetLocationBehaviorName("Pickable!");
  Click("Star");
  EXPECT_TRUE(World.Screen.Flights.empty());
}

TEST_F(GameObjectTest, PointsFollowTheCategoryTheHintAndTheDifficulty) {
  TGameObject* Star = World.Obj("Star");
  EXPECT_EQ(Star->Points(), 100);
  Star->SetHintUsed(true);
  EXPECT_EQ(Star->Points(), 50);
  Star->SetClue("$Clue$");
  EXPECT_EQ(Star->Points(), 90);
  World.Player->SetGameDifficulty(gdAdventurer);
  EXPECT_EQ(Star->Points(), 590);
  World.Player->SetGameDifficulty(gdApprentice);
  // The master object of the location, hidden: its own row.
  TGameObject* Pearl = World.Obj("Pearl");
  EXPECT_EQ(Pearl->Points(), 1000);
  // A category the table lacks gives nothing.
  World.Obj("Wreck")->SetLocationBehaviorName("Pickable Hint");
  EXPECT_EQ(World.Obj("Wreck")->Points(), 0);
}

TEST_F(GameObjectTest, HintsInTheSceneFlyToTheButton) {
  TGameObject* Shell = World.Obj("Shell");
  Shell->SetLocationBehaviorName("Pickable Hint");
  World.Screen.Hints = 98;
  Click("Shell");
  World.Screen.LandAll();
  Click("Shell");
  World.Screen.LandAll();
  EXPECT_EQ(World.Screen.Hints, 99);
  EXPECT_EQ(Shell->TakingCount(), 0);
}

TEST_F(GameObjectTest, AnAnimatedPictureKeepsItsTimeThroughSaving) {
  TGameObject* Shell = World.Obj("Shell");
  Shell->SetGfxURL("Blink.ani");
  Shell->Update(700);
  TGObjectPtr<TGXMLNode> Saved(Shell->SaveToXML());
  EXPECT_EQ(Saved->GetIntAttr("SavedElapsedTime"), 700);
  // Without a picture instance the time waits, and the instance starts from it.
  TGObjectPtr<TGameObject> Copy(new TGameObject(nullptr));
  Copy->LoadFromXML(Saved.get());
  EXPECT_EQ(Copy->GfxElapsedTime(), 700);
  Copy->CreateGfxInstance();
  auto* Instance = ObjectCast<TGAnimation>(Copy->Symbol()->Instance());
  ASSERT_TRUE(Instance);
  EXPECT_EQ(Instance->ElapsedTime(), 700);
  Copy->ReleaseGfxInstance();
  EXPECT_EQ(Copy->GfxElapsedTime(), 700);
}

} // namespace
