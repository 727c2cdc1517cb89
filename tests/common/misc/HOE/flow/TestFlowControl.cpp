#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "flow/UBasicFlowStates.h"
#include "flow/UCommonGameState.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UShakeLocationState.h"
#include "flow/USpeechCueState.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

namespace {

const char* PierXML = R"(<Location ID="Pier">
  <Object ID="Buoy" Left="10" Top="20" Width="4" Height="4" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"/>
  <Object ID="Rope" Left="30" Top="5" Width="4" Height="4" Angle="0" TakingCount="0" Visible="True" ExtentHit="True" AllowMouse="True" AppearedInItems="False" PivotX="0" PivotY="0"/>
</Location>)";

class FlowTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    // The shake moves 3 right and 2 down, and ends off its start.
    World.File("gfx/Shake.ani", R"(<Animation OriginX="0" OriginY="0" Width="1" Height="1">
      <Channel ClassId="LivePicture" Caption="path" Visible="True">
        <X><Term T="0" Value="0"/><Term T="100" Value="3"/><Term T="200" Value="1"/></X>
        <Y><Term T="0" Value="0"/><Term T="100" Value="2"/><Term T="200" Value="1"/></Y>
      </Channel></Animation>)");
    World.Start();
    L = World.Load(PierXML);
    World.Enter(L);
    World.Screen.Calls.clear();
  }
  void TearDown() override {
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  TFlowChannel* Main() { return L->FC()->MainChannel(); }
  std::string SavedFlow() {
    TGObjectPtr<TGXMLNode> N(L->FC()->SaveToXML());
    return N->SaveToString(0);
  }

  TLocationWorld World;
  TBaseLocation* L = nullptr;
};

TEST_F(FlowTest, APauseOf250With100msUpdatesEndsOnTheThird) {
  auto* Pause = new TPauseState(Main(), 250);
  L->FC()->Update(100);
  EXPECT_EQ(Pause->Interval(), 150);
  L->FC()->Update(100);
  EXPECT_FALSE(Main()->Empty());
  L->FC()->Update(100);
  EXPECT_TRUE(Main()->Empty());
  // A pause of 0 finishes at once.
  new TPauseState(Main(), 0);
  L->FC()->Update(0);
  EXPECT_TRUE(Main()->Empty());
}

TEST_F(FlowTest, AQueuedSequenceTakesOverFromTheCommonStateInTheSameUpdate) {
  L->Update(10); // the first visit's briefing (no screen to show it on) goes first
  L->Update(10);
  ASSERT_EQ(Main()->GetCount(), 1);
  EXPECT_EQ(World.Screen.Calls, std::vector<std::string>{"ShowGameInterface"});
  Main()->AddPause(100);
  Main()->AddScript("Done = 1");
  L->Update(40);
  // The common state stepped aside and the pause ran its first 40 ms.
  ASSERT_EQ(Main()->GetCount(), 2);
  EXPECT_EQ(static_cast<TPauseState*>(Main()->Peek())->Interval(), 60);
  L->Update(60);
  EXPECT_EQ(World.Eval("Done").ToInteger(), 1);
  // Run empty, the channel gets a new common state.
  EXPECT_EQ(Main()->Peek()->ClassName(), "TCommonGameState");
}

TEST_F(FlowTest, ChannelsComeAndGoWhileTheyRun) {
  // A state that registers a channel, and one that unregisters its own channel mid-round.
  L->FC()->RegisterChannel("Side");
  L->FC()->Channel("Side")->AddScript("CurrentLocation.FC.RegisterChannel('Late')");
  L->FC()->Channel("Side")->AddScript("CurrentLocation.FC.UnregisterChannel('side')");
  L->FC()->Channel("Side")->AddScript("NeverRun = 1");
  L->FC()->Update(10);
  EXPECT_EQ(L->FC()->Channels().IndexOf("Side"), -1);
  EXPECT_GE(L->FC()->Channels().IndexOf("Late"), 0);
  EXPECT_TRUE(World.Eval("typeof NeverRun").ToString() == "undefined");
  EXPECT_ERROR_TEXT(L->FC()->Channel("Side"), "List index out of bounds (-1)");
  // Names ignore case.
  EXPECT_EQ(L->FC()->Channel("main"), Main());
  L->FC()->RegisterChannel("MAIN");
  EXPECT_EQ(L->FC()->Count(), 3);
  EXPECT_TRUE(World.ScriptErrors.empty()) << World.ScriptErrors.front();
}

TEST_F(FlowTest, ASavedFlowCarriesOnWhereItStood) {
  Main()->Clear();
  new TPauseState(Main(), 1000);
  L->FC()->Update(600);
  Main()->AddSpeechCue("Zari", "$Hello$");
  L->FC()->Channel("Parallel")->AddGameObject(World.Obj("Buoy"), true, false);
  const std::string Text = SavedFlow();
  EXPECT_NE(Text.find("Interval=\"400\""), std::string::npos);
  EXPECT_NE(Text.find("MakeVisible=\"True\""), std::string::npos);

  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("FlowControl"));
  Node->LoadFromString(Text);
  L->FC()->LoadFromXML(Node.get());
  EXPECT_EQ(SavedFlow(), Text);
  auto* Pause = static_cast<TPauseState*>(Main()->Peek());
  EXPECT_EQ(Pause->Interval(), 400);
  EXPECT_EQ(Pause->Status, ssCurrent); // no new start: it does not pause 1000 again
  L->FC()->Update(400);
  // The speech cue started in that update and said its line.
  EXPECT_EQ(World.Screen.Calls.back(), "Say Zari: $Hello$");
}

TEST_F(FlowTest, LoadingAdoptsMainInAnyCaseAndDropsWhatItCannotRestore) {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("FlowControl"));
  Node->LoadFromString(R"(<FlowControl>
    <FlowChannel Name="main">
      <FlowState ClassName="TNoSuchState" Status="1"/>
      <FlowState ClassName="TGameObjectState" Status="0" OID="Gone"/>
      <FlowState ClassName="TPauseState" Status="1" Interval="50"/>
    </FlowChannel>
  </FlowControl>)");
  L->FC()->LoadFromXML(Node.get());
  ASSERT_TRUE(Main());
  EXPECT_EQ(Main(), L->FC()->Channel("Main"));
  EXPECT_EQ(Main()->GetCount(), 1);
  EXPECT_EQ(Main()->Peek()->ClassName(), "TPauseState");

  // Without any main channel one is made; clearing without one leaves none behind.
  Node->LoadFromString(R"(<FlowControl><FlowChannel Name="Other"/></FlowControl>)");
  L->FC()->LoadFromXML(Node.get());
  ASSERT_TRUE(Main());
  EXPECT_EQ(L->FC()->Count(), 2);
  L->FC()->Clear(false);
  EXPECT_EQ(Main(), nullptr);
  L->Update(10); // no main channel: nothing to fill, nothing crashes

  // A damaged save leaves the control as it was.
  L->FC()->Clear(true);
  Node->LoadFromString(
      R"(<FlowControl><FlowChannel Name="A"/><FlowChannel Name="a"/></FlowControl>)");
  EXPECT_THROW(L->FC()->LoadFromXML(Node.get()), std::exception);
  EXPECT_EQ(L->FC()->Count(), 1);
  EXPECT_TRUE(Main());
}

TEST_F(FlowTest, TheInteractionScriptMayRefuseAClick) {
  TGameObject* Buoy = World.Obj("Buoy");
  Buoy->SetLocationBehaviorName("");
  Buoy->SetStrAttr("OnLocationMouseDown", "Clicked = Sender.ID");
  L->Update(0);
  L->OnInteractionScript = "Target.ID == 'Rope'";
  Main()->Peek()->GameObjectMouseDown(Buoy, mbLeft);
  EXPECT_EQ(World.Eval("typeof Clicked").ToString(), "undefined");
  // A script that gives nothing refuses as false does.
  L->OnInteractionScript = "var Nothing;";
  Main()->Peek()->GameObjectMouseDown(Buoy, mbLeft);
  EXPECT_EQ(World.Eval("typeof Clicked").ToString(), "undefined");
  L->OnInteractionScript = "Target.ID == 'Buoy'";
  Main()->Peek()->GameObjectMouseDown(Buoy, mbLeft);
  EXPECT_EQ(World.Eval("Clicked").ToString(), "Buoy");
  // The right button puts the held object back.
  Main()->Peek()->WindowMouseDown(mbRight);
  EXPECT_EQ(World.Screen.Calls.back(), "ResetCursor true");
}

TEST_F(FlowTest, TheDeveloperKeysNeedCheats) {
  L->Update(0);
  Main()->Peek()->WindowKeyDown(VK_F8);
  EXPECT_EQ(World.Screen.Hints, 0);
  World.Player->BriefInfo()->PlayerName = "KESTREL_OPS";
  Main()->Peek()->WindowKeyDown(VK_F8);
  EXPECT_EQ(World.Screen.Hints, 1);
  World.Screen.Hints = 99;
  Main()->Peek()->WindowKeyDown(VK_F8);
  EXPECT_EQ(World.Screen.Hints, 99);
  // Page Up clicks every bird still in the location.
  World.Obj("Rope")->SetLocationBehaviorName("Pickable Zephrin");
  Main()->Peek()->WindowKeyDown(VK_PRIOR);
  EXPECT_EQ(World.Screen.Calls.back(), "Click Rope 0");
}

TEST_F(FlowTest, AShakePutsEveryObjectBackExactly) {
  Main()->Clear();
  Main()->AddShake("Shake.ani", "Rope");
  L->FC()->Update(0);
  L->FC()->Update(100);
  EXPECT_FLOAT_EQ(World.Obj("Buoy")->Left(), 13);
  EXPECT_FLOAT_EQ(World.Obj("Buoy")->Top(), 22);
  EXPECT_FLOAT_EQ(World.Obj("Rope")->Left(), 30); // excepted
  // Saved mid-shake, with the objects' places.
  const std::string Text = SavedFlow();
  EXPECT_NE(Text.find("InitObjectState ID=\"Buoy\" Left=\"10\" Top=\"20\""), std::string::npos);
  L->FC()->Update(100); // the path ends at (1, 1), yet the objects stand where they stood
  EXPECT_TRUE(Main()->Empty());
  EXPECT_FLOAT_EQ(World.Obj("Buoy")->Left(), 10);
  EXPECT_FLOAT_EQ(World.Obj("Buoy")->Top(), 20);
}

TEST_F(FlowTest, SpeechCuesWaitForTheBubbleAndLetPlayGoOn) {
  Main()->Clear();
  World.Screen.Speaking = true;
  Main()->AddSpeechCue("Zari", "$Look$");
  L->FC()->Update(10);
  L->FC()->Update(10);
  EXPECT_FALSE(Main()->Empty());
  // Clicks still reach the objects.
  TGameObject* Buoy = World.Obj("Buoy");
  Buoy->SetStrAttr("OnLocationMouseDown", "Clicked = 'yes'");
  Main()->Peek()->GameObjectMouseDown(Buoy, mbLeft);
  EXPECT_EQ(World.Eval("Clicked").ToString(), "yes");
  World.Screen.Speaking = false;
  L->FC()->Update(10);
  EXPECT_TRUE(Main()->Empty());
}

TEST_F(FlowTest, AFailingScriptStateNamesItsScript) {
  Main()->Clear();
  Main()->AddScript("var x = 1;");
  L->FC()->Update(0);
  EXPECT_TRUE(Main()->Empty());
  // Script errors are reported, not raised; the flow goes on.
  Main()->AddScript("this is no script");
  Main()->AddPause(10);
  L->FC()->Update(0);
  EXPECT_EQ(Main()->GetCount(), 1);
  EXPECT_FALSE(World.ScriptErrors.empty());
}

} // namespace
