// Flights of picked objects: the catalogue, the animation adapted to where and how the object
// stood (turned, scaled, mirrored), the points it shows, the tools drawer's capacity, landing in
// order, flights that cannot be made leaving their object where it was, the tool put back from
// the mouse, and the demo's catalogue holding every flight the game asks for.
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Screens/UFlyingConfigurations.h"
#include "Screens/UFlyingControl.h"
#include "Screens/UFlyingObject.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "animation/UGLiveText.h"
#include "inventory/UInventory.h"
#include "objects/UGameObjectCollection.h"
#include "resources/UGResource.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A second of flight from wherever the object is to (50, 40): its picture shrinks and turns a
// quarter; a locked frame stays where it was drawn.
std::string FlightXML(const char* Speed) {
  return std::string(R"(<Animation Looped="False" Speed=")") + Speed +
         R"(" OriginX="0" OriginY="0" Width="64" Height="48">
  <Channel ClassId="LivePicture" Caption="GameObject" Visible="True">
    <GfxURL><Term T="0" Value="Blue.png"/></GfxURL>
    <PivotX><Term T="0" Value="0.5"/></PivotX>
    <PivotY><Term T="0" Value="0.5"/></PivotY>
    <X><Term T="0" Value="0"/><Term T="1000" Value="50"/></X>
    <Y><Term T="0" Value="0"/><Term T="1000" Value="40"/></Y>
    <ScaleX><Term T="0" Value="1"/><Term T="500" Value="0.8"/><Term T="1000" Value="0.5"/></ScaleX>
    <ScaleY><Term T="0" Value="1"/><Term T="500" Value="0.8"/><Term T="1000" Value="0.5"/></ScaleY>
    <Angle><Term T="0" Value="0"/><Term T="1000" Value="90"/></Angle>
  </Channel>
  <Channel ClassId="LivePicture" Caption="Frame" Visible="True" Locked="True">
    <GfxURL><Term T="0" Value="Blue.png"/></GfxURL>
    <X><Term T="0" Value="3"/></X>
    <Y><Term T="0" Value="4"/></Y>
  </Channel>
</Animation>)";
}

const char* CatalogueXML = R"(<FlyingAnimations>
  <Fly Name="Default" URL="Fly.ani"/>
  <Fly Name="tool" URL="Fly.ani" SoundURL="Pick.wav"/>
  <Fly Name="ResetCursor" URL="Fly.ani"/>
  <Fly Name="AsStored" URL="Fly.ani" CorrectPosition="False"/>
  <Fly Name="Stalled" URL="Stalled.ani"/>
  <Fly Name="Lost" URL="Nowhere.ani"/>
  <Fly Name="DEFAULT" URL="Stalled.ani"/>
</FlyingAnimations>)";

std::string ObjectXML(const std::string& ID, const std::string& Extra, int Left = 10, int Top = 10,
                      int Width = 10, int Height = 10) {
  return "<Object ID=\"" + ID + "\" GfxURL=\"Red.png\" Left=\"" + std::to_string(Left) +
         "\" Top=\"" + std::to_string(Top) + "\" Width=\"" + std::to_string(Width) +
         "\" Height=\"" + std::to_string(Height) + "\" " + Extra + "/>";
}

// The play screen of the tests, with the score multiplier of the next pick.
class TComboScreen : public TRecordingPlayScreen {
public:
  int Factor = 1;
  int BonusFactor() const override { return Factor; }
};

// A finish procedure's object: what landed, and whether the control still listed a flight of it
// when its finish ran.
class TLandingLog : public TGObject {
public:
  TBaseFlyingControl* Control = nullptr;
  std::vector<std::string> Landed;
  void Land(TGameObject* Sender) {
    Landed.push_back(Sender->ID() + (Control->IsFlying(Sender) ? " (still listed)" : ""));
  }
};

class FlyingTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Picture("Red.png", 20, 10, 0xFFFF0000);
    World.Picture("Blue.png", 10, 10, 0xFF0000FF);
    World.File("gfx/Fly.ani", FlightXML("1"));
    World.File("gfx/Stalled.ani", FlightXML("0"));
    World.File("gfx/FlightAnimations/Points.ani",
               R"(<Animation OriginX="0" OriginY="0" Width="40" Height="20">
  <Channel ClassId="LiveText" Caption="Number" Visible="True"><Data><Term T="0" Value="?"/></Data></Channel>
  <Channel ClassId="LivePicture" Caption="Shine" Visible="True"/>
</Animation>)");
    World.File("gfx/FlightAnimations/ZephrinPoints.ani",
               R"(<Animation OriginX="0" OriginY="0" Width="40" Height="40">
  <Channel ClassId="LivePicture" Caption="Glow" Visible="True"/>
  <Channel ClassId="LiveText" Caption="Combo" Visible="True"/>
  <Channel ClassId="LiveText" Caption="Extra" Visible="True"/>
</Animation>)");
    World.File("cfg/Scoring.cfg",
               R"(<Scoring ComboTime="3000"><Regular Nominal="50" WithHint="25"/></Scoring>)");
    World.File("cfg/FlyingAni.cfg", CatalogueXML);
    World.Start();
    World.Player->Inventory()->SetToolsCapacity(12);
    L = World.Load("<Location ID=\"Pier\">" +
                       ObjectXML("Crate", "LocationBehaviorName=\"Pickable\"") +
                       ObjectXML("Plank", "Angle=\"90\"", 0, 0, 100, 50) +
                       ObjectXML("Flag", "", 30, 5, -40, 10) + ObjectXML("Still", "", 40, 30) +
                       ObjectXML("Odd", "") + ObjectXML("Slow", "") +
                       ObjectXML("Hook", "IsTool=\"True\" GroupID=\"Hooks\"") +
                       ObjectXML("Hook2", "IsTool=\"True\" GroupID=\"Hooks\"") +
                       ObjectXML("Saw", "IsTool=\"True\"") + ObjectXML("Oar", "IsTool=\"True\"") +
                       ObjectXML("Bust", "LocationBehaviorName=\"Museum\"") + "</Location>",
                   "Pier.loc");
    World.Enter(L);
    // Scripts choose these flights.
    Obj("Still")->SetFlyingConfigName("AsStored");
    Obj("Odd")->SetFlyingConfigName("Lost");
    Obj("Slow")->SetFlyingConfigName("Stalled");
    SetPlayScreen(&Screen);
    Control.reset(new TFlyingControl(nullptr, &Screen));
    Receiver.reset(new TLandingLog);
    Receiver->Control = Control.get();
  }
  void TearDown() override {
    Control.reset();
    Receiver.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }

  TGameObject* Obj(const std::string& ID) { return World.Obj(ID); }
  bool InLocation(const std::string& ID) { return L->Objects()->IndexOf(Obj(ID)) >= 0; }
  // The flight carrying the object.
  TBaseFlyingObject* FlightOf(const std::string& ID) {
    for (TBaseFlyingObject* F : Control->Items()) {
      if (F->GameObject() == Obj(ID)) {
        return F;
      }
    }
    return nullptr;
  }
  static TGLivePicture* Channel(TBaseFlyingObject* F, const char* Caption) {
    return TryObjectCast<TGLivePicture>(ChannelByName(F->FlyAnimation(), Caption));
  }
  // The value of the envelope's key at Index.
  static float Key(TGRealEnv* Env, int Index) { return Env->Terms(Index).Value.ToSingle(); }

  TFlightFinishEvent OnLanding() { return TFlightFinishEvent(Receiver.get(), &TLandingLog::Land); }

  TLocationWorld World;
  TComboScreen Screen;
  TBaseLocation* L = nullptr;
  TGObjectPtr<TLandingLog> Receiver;
  TGObjectPtr<TFlyingControl> Control;
};

// --- The catalogue -------------------------------------------------------------------------------

TEST_F(FlyingTest, TheCatalogueIsReadInOrderAndLooksNamesUpWhateverTheirCase) {
  TFlyingConfigurations* Configs = Control->Configs();
  // Entries without a name or an animation are left out, and said so.
  TGObjectPtr<TGXMLNode> More(new TGXMLNode("FlyingAnimations"));
  More->LoadFromString(R"(<FlyingAnimations><Fly URL="Fly.ani"/><Other Name="X" URL="Fly.ani"/>
    <Fly Name="NoAnimation"/><Fly Name="Last" URL="Fly.ani"/></FlyingAnimations>)");
  testing::internal::CaptureStderr();
  Configs->LoadFromXML(More.get());
  const std::string Log = testing::internal::GetCapturedStderr();
  EXPECT_NE(Log.find("flight 1 left out: A flight configuration has no \"Name\""),
            std::string::npos)
      << Log;
  EXPECT_NE(Log.find("flight 2 left out: A flight configuration has no \"URL\""), std::string::npos)
      << Log;
  ASSERT_EQ(Configs->Count(), 8);
  EXPECT_EQ(Configs->Config(7)->Name(), "Last");
  Configs->Load(); // the file's alone again
  ASSERT_EQ(Configs->Count(), 7);
  EXPECT_EQ(Configs->Config(0)->Name(), "Default");
  EXPECT_EQ(Configs->Config(6)->Name(), "DEFAULT");
  EXPECT_EQ(Configs->Config(7), nullptr);
  EXPECT_EQ(Configs->GetConfigByName("TOOL")->SoundURL(), "Pick.wav");
  EXPECT_EQ(Configs->GetConfigByName("default")->AniURL(), "Fly.ani"); // the first of the two
  EXPECT_TRUE(Configs->GetConfigByName("Default")->CorrectPosition());
  EXPECT_TRUE(Configs->GetConfigByName("Default")->SoundURL().empty());
  EXPECT_FALSE(Configs->GetConfigByName("AsStored")->CorrectPosition());
  EXPECT_ERROR_TEXT(Configs->GetConfigByName("Nope"), "Unknown flying configuration: Nope");
}

TEST_F(FlyingTest, WithoutTheCatalogueNothingFlies) {
  Control.reset();
  World.Stop();
  std::filesystem::remove(World.Folder().Path() / "cfg" / "FlyingAni.cfg");
  World.Start();
  SetPlayScreen(&Screen);
  L = World.Load("<Location ID=\"Bare\">" + ObjectXML("Crate", "") + "</Location>", "Bare.loc");
  World.Enter(L);
  Control.reset(new TFlyingControl(nullptr, &Screen));
  EXPECT_EQ(Control->Configs()->Count(), 0);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Control->Push(Obj("Crate"), {}));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Unknown flying configuration: Default"),
            std::string::npos);
  EXPECT_TRUE(InLocation("Crate"));
}

TEST_F(FlyingTest, TheConfigurationIsAskedForOrTheObjectsOrItsBehavioursChoice) {
  auto Name = [this](const std::string& ID, const std::string& Asked) {
    TGObjectPtr<TBaseFlyingObject> F(new TBaseFlyingObject(nullptr));
    F->Create(Control.get(), Obj(ID), {}, Asked);
    return F->GetFlyingConfigName();
  };
  EXPECT_EQ(Name("Crate", "ResetCursor"), "ResetCursor");
  EXPECT_EQ(Name("Still", ""), "AsStored");
  EXPECT_EQ(Name("Crate", ""), "Default");
  EXPECT_EQ(Name("Hook", ""), "Tool");
  // The museum's own flight is not in this catalogue: that flight cannot be made.
  TGObjectPtr<TBaseFlyingObject> F(new TBaseFlyingObject(nullptr));
  EXPECT_ERROR_TEXT(F->Create(Control.get(), Obj("Bust"), {}, ""),
                    "Unknown flying configuration: Museum");
  EXPECT_TRUE(InLocation("Bust"));
}

// --- The animation fitted to the object ----------------------------------------------------------

TEST_F(FlyingTest, AFlightStartsAtTheTurnedObjectsCentreInItsScaleAndAngle) {
  ASSERT_TRUE(Control->Push(Obj("Plank"), {}));
  TBaseFlyingObject* F = FlightOf("Plank");
  ASSERT_TRUE(F);
  TGLivePicture* Picture = Channel(F, "GameObject");
  ASSERT_TRUE(Picture);
  // 100 × 50 at (0, 0), turned by 90 degrees about its corner: its centre is at (-25, 50).
  EXPECT_NEAR(Key(Picture->X(), 0), -25, 1e-4);
  EXPECT_NEAR(Key(Picture->Y(), 0), 50, 1e-4);
  EXPECT_FLOAT_EQ(Key(Picture->X(), 1), 50); // and it still goes where it went
  // The picture is 20 × 10: the object shows it five times as large.
  EXPECT_FLOAT_EQ(Key(Picture->ScaleX(), 0), 5);
  EXPECT_FLOAT_EQ(Key(Picture->ScaleY(), 0), 5);
  EXPECT_FLOAT_EQ(Key(Picture->ScaleX(), 2), 0.5f);
  // Every angle key is turned with the object.
  EXPECT_FLOAT_EQ(Key(Picture->Angle(), 0), 90);
  EXPECT_FLOAT_EQ(Key(Picture->Angle(), 1), 180);
  EXPECT_EQ(Picture->Gfx()->GetResValue(0), Obj("Plank")->Gfx());
  // A locked channel is left as it was.
  TGLivePicture* Frame = Channel(F, "Frame");
  EXPECT_FLOAT_EQ(Key(Frame->X(), 0), 3);
  EXPECT_EQ(Frame->Angle()->Count(), 0);
  EXPECT_NE(Frame->Gfx()->GetResValue(0), Obj("Plank")->Gfx());
}

TEST_F(FlyingTest, AMirroredObjectFliesMirroredAllTheWay) {
  ASSERT_TRUE(Control->Push(Obj("Flag"), {}));
  TGLivePicture* Picture = Channel(FlightOf("Flag"), "GameObject");
  EXPECT_FLOAT_EQ(Key(Picture->ScaleX(), 0), -2);
  EXPECT_FLOAT_EQ(Key(Picture->ScaleX(), 1), -0.8f);
  EXPECT_FLOAT_EQ(Key(Picture->ScaleX(), 2), -0.5f);
  EXPECT_FLOAT_EQ(Key(Picture->ScaleY(), 2), 0.5f); // not mirrored upside down
  EXPECT_LT(Picture->ScaleX()->GetRealValue(750), 0);
}

TEST_F(FlyingTest, WithoutCorrectionTheAnimationPlaysAsStored) {
  ASSERT_TRUE(Control->Push(Obj("Still"), {}));
  TGLivePicture* Picture = Channel(FlightOf("Still"), "GameObject");
  EXPECT_FLOAT_EQ(Key(Picture->X(), 0), 0);
  EXPECT_FLOAT_EQ(Key(Picture->ScaleX(), 0), 1);
  EXPECT_FLOAT_EQ(Key(Picture->Angle(), 1), 90);
  EXPECT_NE(Picture->Gfx()->GetResValue(0), Obj("Still")->Gfx()); // its own picture
  EXPECT_FALSE(InLocation("Still"));                              // but the object flies
}

TEST_F(FlyingTest, TheFlightIsDrawnFromWhereTheObjectStood) {
  ASSERT_TRUE(Control->Push(Obj("Crate"), {}));
  Control->Draw();
  // A 10 × 10 red object at (10, 10) is drawn there at the first moment; the locked frame stays
  // blue at (3, 4).
  EXPECT_EQ(Row(15, 8, 14), "..RRRRRRRRRR..");
  EXPECT_EQ(Row(5, 2, 3), ".UU");
}

// --- Points --------------------------------------------------------------------------------------

TEST_F(FlyingTest, APickInAComboShowsItsPointsAndTheExtra) {
  Screen.Factor = 2;
  ASSERT_TRUE(Control->Push(Obj("Crate"), {}));
  TBaseFlyingObject* F = FlightOf("Crate");
  TGLivePicture* Points = Channel(F, "Points");
  ASSERT_TRUE(Points);
  auto* Shown = TryObjectCast<TGAnimation>(Points->Gfx()->GetResValue(0));
  ASSERT_TRUE(Shown);
  EXPECT_EQ(TryObjectCast<TGLiveText>(Shown->Channels(0))->Data()->GetStringValue(0), "50");
  EXPECT_FALSE(Shown->Channels(1)->Visible());
  // Centred on the object's bounds, from the start.
  EXPECT_FLOAT_EQ(Key(Points->X(), 0), 15);
  EXPECT_FLOAT_EQ(Key(Points->Y(), 0), 15);
  EXPECT_FLOAT_EQ(Key(Points->PivotX(), 0), 0.5f);
  TGLivePicture* Bonus = Channel(F, "BonusPoints");
  ASSERT_TRUE(Bonus);
  auto* Extra = TryObjectCast<TGAnimation>(Bonus->Gfx()->GetResValue(0));
  EXPECT_EQ(TryObjectCast<TGLiveText>(Extra->Channels(2))->Data()->GetStringValue(0), "50");
  // Kept in place to the flight's end.
  ASSERT_EQ(Bonus->X()->Count(), 2);
  EXPECT_EQ(Bonus->X()->Terms(1).Time, 1000);
  EXPECT_FLOAT_EQ(Key(Bonus->Y(), 1), 15);
  // The picture channels run the points with the flight.
  EXPECT_TRUE(Points->Instance());
  EXPECT_EQ(F->TotalTime(), 1000);
}

TEST_F(FlyingTest, PointsShowOnlyForAFirstPickOutsideACombo) {
  ASSERT_TRUE(Control->Push(Obj("Crate"), {}));
  EXPECT_TRUE(Channel(FlightOf("Crate"), "Points"));
  EXPECT_FALSE(Channel(FlightOf("Crate"), "BonusPoints"));
  Obj("Plank")->SetTakingCount(1);
  ASSERT_TRUE(Control->Push(Obj("Plank"), {}));
  EXPECT_FALSE(Channel(FlightOf("Plank"), "Points"));
  // A flight of the base kind shows none.
  TGObjectPtr<TBaseFlyingObject> Plain(new TBaseFlyingObject(nullptr));
  Plain->Create(Control.get(), Obj("Still"), {}, "Default");
  EXPECT_FALSE(Channel(Plain.get(), "Points"));
}

TEST_F(FlyingTest, AMissingPointsAnimationLeavesThePointsOutNotTheFlight) {
  std::filesystem::remove(World.Folder().Path() / "gfx" / "FlightAnimations" / "Points.ani");
  testing::internal::CaptureStderr();
  EXPECT_TRUE(Control->Push(Obj("Crate"), {}));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("No points shown"), std::string::npos);
  EXPECT_FALSE(Channel(FlightOf("Crate"), "Points"));
  EXPECT_FALSE(InLocation("Crate"));
}

// --- Starting, refusing, landing -----------------------------------------------------------------

TEST_F(FlyingTest, AFlightThatCannotBeMadeLeavesTheObjectWhereItWas) {
  for (const char* ID : {"Odd", "Bust"}) { // a missing animation; a configuration not listed
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Control->Push(Obj(ID), OnLanding())) << ID;
    const std::string Log = testing::internal::GetCapturedStderr();
    EXPECT_NE(Log.find(std::string("The flight of ") + ID + " cannot start"), std::string::npos)
        << Log;
    EXPECT_TRUE(InLocation(ID)) << ID;
    EXPECT_FALSE(Control->IsFlying(Obj(ID)));
  }
  EXPECT_EQ(Control->Count(), 0);
  // Nothing landed, and nothing is left half made.
  Control->Update(5);
  EXPECT_TRUE(Receiver->Landed.empty());
  // An object already in flight is not flown twice.
  ASSERT_TRUE(Control->Push(Obj("Crate"), OnLanding()));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Control->Push(Obj("Crate"), OnLanding()));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(Control->Count(), 1);
}

TEST_F(FlyingTest, AFlightLandsWhenItsTimeIsUsedUpAndLeavesTheListFirst) {
  ASSERT_TRUE(Control->Push(Obj("Crate"), OnLanding()));
  EXPECT_FALSE(InLocation("Crate"));
  EXPECT_TRUE(Control->IsFlying(Obj("Crate")));
  Control->Update(0.4999f);
  EXPECT_EQ(FlightOf("Crate")->ElapsedTime(), 499); // whole milliseconds, truncated
  Control->Update(0.5f);
  EXPECT_EQ(Control->Count(), 1);
  EXPECT_TRUE(Receiver->Landed.empty());
  Control->Update(0.002f);
  EXPECT_EQ(Control->Count(), 0);
  EXPECT_EQ(Receiver->Landed, std::vector<std::string>{"Crate"});
  // An animation of speed 0 would never end: its flight runs at normal speed.
  ASSERT_TRUE(Control->Push(Obj("Slow"), OnLanding()));
  Control->Update(1.0f);
  EXPECT_EQ(Receiver->Landed.back(), "Slow");
}

TEST_F(FlyingTest, FinishAllLandsEveryFlightLastFirst) {
  for (const char* ID : {"Crate", "Plank", "Flag"}) {
    ASSERT_TRUE(Control->Push(Obj(ID), OnLanding()));
  }
  Control->FinishAll();
  EXPECT_EQ(Receiver->Landed, (std::vector<std::string>{"Flag", "Plank", "Crate"}));
  EXPECT_EQ(Control->Count(), 0);
  // A flight without a finish procedure simply ends.
  ASSERT_TRUE(Control->Push(Obj("Still"), {}));
  Control->GetByIndex(0)->Stop();
  EXPECT_EQ(Control->Count(), 0);
}

TEST_F(FlyingTest, AnObjectDestroyedInFlightLandsNowhere) {
  auto* Loose = new TGameObject(nullptr, "Loose");
  Loose->SetGfxURL("Red.png");
  Loose->SetWidth(10);
  Loose->SetHeight(10);
  ASSERT_TRUE(Control->Push(Loose, OnLanding()));
  Loose->Free();
  EXPECT_FALSE(Control->GetByIndex(0)->GameObject());
  testing::internal::CaptureStderr();
  Control->Update(0.01f);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("without its object"), std::string::npos);
  EXPECT_EQ(Control->Count(), 0);
  EXPECT_TRUE(Receiver->Landed.empty());
}

TEST_F(FlyingTest, ANewToolGroupFliesOnlyWhileTheDrawerHasRoom) {
  TInventory* Inventory = World.Player->Inventory();
  Inventory->SetToolsCapacity(2);
  Obj("Hook")->SetTakingCount(1);
  Inventory->Add(Obj("Hook"), true); // one group carried
  ASSERT_EQ(Inventory->Tools()->Count(), 1);
  EXPECT_TRUE(Control->Push(Obj("Saw"), {}));  // 0 in flight + 1 carried < 2
  EXPECT_FALSE(Control->Push(Obj("Oar"), {})); // 1 in flight + 1 carried
  EXPECT_TRUE(InLocation("Oar"));
  EXPECT_TRUE(Control->Push(Obj("Hook2"), {})); // its group is carried already
  EXPECT_TRUE(Control->Push(Obj("Crate"), {})); // no tool
  // The saw lands and joins the tools: two groups fill a drawer of two.
  Control->FinishAll();
  Inventory->Add(Obj("Saw"), true);
  EXPECT_FALSE(Control->Push(Obj("Oar"), {})); // two groups carried
  Inventory->SetToolsCapacity(3);
  EXPECT_TRUE(Control->Push(Obj("Oar"), {}));
}

TEST_F(FlyingTest, TheToolOnTheCursorFliesBackFromTheMouse) {
  Screen.Mouse = {20, 30};
  TGameObject* Hook = Obj("Hook");
  L->RemoveGameObject(Hook);
  Hook->SetTakingCount(1);
  World.Player->SetCursor(Hook);
  ASSERT_TRUE(Control->PushCursor());
  TBaseFlyingObject* F = FlightOf("Hook");
  ASSERT_TRUE(F);
  EXPECT_EQ(F->ConfigName(), "ResetCursor");
  // The tool's top-left corner is at the mouse.
  EXPECT_FLOAT_EQ(Key(Channel(F, "GameObject")->X(), 0), 25);
  EXPECT_FLOAT_EQ(Key(Channel(F, "GameObject")->Y(), 0), 35);
  EXPECT_FALSE(Channel(F, "Points"));
  Control->Update(1);
  // Landed: the taking given back, then moved into the inventory by the screen (which counts
  // it again).
  EXPECT_EQ(Screen.Calls.back(), "MoveToInventory Hook");
  EXPECT_EQ(Hook->TakingCount(), 1);

  // Holding nothing, nothing flies.
  World.Player->SetCursor(nullptr);
  EXPECT_FALSE(Control->PushCursor());
}

TEST_F(FlyingTest, ACursorFlightThatCannotBeMadeLandsAtOnce) {
  TGObjectPtr<TFlyingControl> Short(new TFlyingControl(nullptr, &Screen));
  TGObjectPtr<TGXMLNode> Catalogue(new TGXMLNode("FlyingAnimations"));
  Catalogue->LoadFromString(
      R"(<FlyingAnimations><Fly Name="Default" URL="Fly.ani"/></FlyingAnimations>)");
  Short->Configs()->Clear();
  Short->Configs()->LoadFromXML(Catalogue.get());
  ASSERT_EQ(Short->Configs()->Count(), 1);
  TGameObject* Hook = Obj("Hook");
  L->RemoveGameObject(Hook);
  World.Player->SetCursor(Hook);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Short->PushCursor());
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(Short->Count(), 0);
  EXPECT_EQ(Screen.Calls.back(), "MoveToInventory Hook"); // not lost
}

TEST_F(FlyingTest, TheControlReachesTheScreenItBelongsTo) {
  TGObjectPtr<TFlyingControl> Registered(new TFlyingControl(nullptr));
  EXPECT_EQ(Registered->Screen(), &Screen);
  SetPlayScreen(nullptr);
  EXPECT_EQ(Registered->Screen(), nullptr);
  Screen.Factor = 2;
  EXPECT_TRUE(Registered->Push(Obj("Crate"), {})); // no screen: no combo shown
  EXPECT_FALSE(Channel(Registered->GetByIndex(0), "BonusPoints"));
}

// --- The demo's flights --------------------------------------------------------------------------

class DemoFlights : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Start(HOE_CONTENT);
  }
  void TearDown() override {
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  TLocationWorld World;
};

TEST_F(DemoFlights, EveryFlightTheGameAsksForIsThereAndFliesAnObject) {
  TGObjectPtr<TFlyingControl> Control(new TFlyingControl(nullptr, &World.Screen));
  TFlyingConfigurations* Configs = Control->Configs();
  TGResourceLibrary* Library = World.Library.get();
  // The behaviours' flights, the cursor's, the first location's PDA and the hint's.
  for (const char* Name : {"Default", "Tool", "ResetCursor", "Zephrin01", "Zephrin02", "Museum",
                           "PDAFlying", "Hint"}) {
    SCOPED_TRACE(Name);
    TFlyingConfig* Config = Configs->FindConfig(Name);
    ASSERT_TRUE(Config);
    EXPECT_TRUE(Config->CorrectPosition());
    auto* Ani = TryObjectCast<TGAnimation>(Library->GetResourceEx(Config->AniURL(), false));
    ASSERT_TRUE(Ani) << Config->AniURL();
    EXPECT_TRUE(TryObjectCast<TGLivePicture>(ChannelByName(Ani, "GameObject")));
    EXPECT_GT(Ani->TotalTime(), 0);
    EXPECT_FALSE(Ani->Looped());
    if (!Config->SoundURL().empty()) {
      std::string File = URLToFileName(Config->SoundURL());
      std::replace(File.begin(), File.end(), '\\', '/');
      EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(HOE_CONTENT) / File)) << File;
    }
  }
  auto* Points =
      TryObjectCast<TGAnimation>(Library->GetResourceEx(TFlyingObject::CPointsURL, false));
  ASSERT_TRUE(Points);
  ASSERT_GE(Points->Count(), 2);
  EXPECT_TRUE(TryObjectCast<TGLiveText>(Points->Channels(0)));
  auto* Bonus =
      TryObjectCast<TGAnimation>(Library->GetResourceEx(TFlyingObject::CBonusPointsURL, false));
  ASSERT_TRUE(Bonus);
  ASSERT_GE(Bonus->Count(), 3);
  EXPECT_TRUE(TryObjectCast<TGLiveText>(Bonus->Channels(2)));

  // A key picked up flies from where it lay and shows its points on the way.
  auto* Key = new TGameObject(GameObjectCollector, "FlyingKey");
  GameObjectCollector->Add(Key);
  Key->SetGfxURL("Demo\\Objects\\Key.png");
  Key->SetLeft(300);
  Key->SetTop(200);
  Key->SetWidth(56);
  Key->SetHeight(24);
  ASSERT_TRUE(Control->Push(Key, {}));
  TBaseFlyingObject* F = Control->GetByIndex(0);
  EXPECT_TRUE(ChannelByName(F->FlyAnimation(), "Points"));
  for (int Frame = 0; Frame < 200 && Control->Count() > 0; ++Frame) {
    Control->Update(0.011f);
    Control->Draw();
  }
  EXPECT_EQ(Control->Count(), 0);
}

} // namespace
