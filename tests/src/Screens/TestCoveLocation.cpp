// The demo's last location, Fishers' Cove, played through its rules in the location view: both
// pages dealt in full with every thing above the play screen's panel, the marked sand that only
// the shovel digs open, and the last find that ends the game once.
#include "LocationViewTest.h"
#include "audio/UGAudio.h"
#include "base/UGRandom.h"
#include "flow/UFlowChannel.h"
#include "inventory/UInventory.h"
#include "locations/ULocation.h"
#include "locations/USimpleLocation.h"
#include "platform/UAudioMixer.h"
#include "platform/UKeyCodes.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> PageIDs(TBaseLocation* L, int Page) {
  std::vector<std::string> IDs;
  TBaseLocationItemsPage* P = L->ItemsDistribution()->Items(Page);
  for (int I = 0; I < P->Count(); ++I) {
    IDs.push_back(P->GetItem(I));
  }
  return IDs;
}

class CoveLocation : public LocationViewTest {
protected:
  void SetUp() override {
    LocationViewTest::SetUp();
    Audio.reset(new TGAudioDevice(nullptr, TMixOutput::Buffer));
    World.Start(HOE_CONTENT);
    // The game's end is the common script's; here it only counts its calls.
    World.Eval("var CoveGameEnds = 0; function DemoGameEnd() { CoveGameEnds++; }");
    GlobalRandom().SetSeed(11);
    View.reset(New<TLocationView>());
    View->Open("Cove.loc");
    L = ObjectCast<TLocationWithGoalAllItemsCollected>(View->Location());
  }
  void TearDown() override {
    LocationViewTest::TearDown();
    Audio.reset();
  }
  std::string Flow() const {
    TGObjectPtr<TGXMLNode> Node(L->MC()->SaveToXML());
    return Node->SaveToString(0);
  }
  // Every listed thing of the current page but those given, picked through the mouse.
  void PickPageBut(const std::set<std::string>& Except) {
    for (const std::string& ID : PageIDs(L, L->CurrentPageIndex())) {
      if (!Except.contains(ID) && World.Obj(ID)->TakingCount() == 0) {
        ClickOn(ID);
        EXPECT_EQ(World.Obj(ID)->TakingCount(), 1) << ID;
      }
    }
  }
  int GameEnds() { return static_cast<int>(World.Eval("CoveGameEnds").ToInteger()); }

  TGObjectPtr<TGAudioDevice> Audio;
  TLocationWithGoalAllItemsCollected* L = nullptr;
};

TEST_F(CoveLocation, DealsBothPagesInFullWithEverythingAboveThePanel) {
  ASSERT_TRUE(L);
  // The first page: the shovel and its seven free places, one taken by the three crabs
  // together (the page grew for the other two); the second keeps what it names.
  const std::vector<std::string> First = PageIDs(L, 0);
  EXPECT_EQ(First.front(), "CoveShovel");
  EXPECT_EQ(
      std::set<std::string>(First.begin(), First.end()),
      (std::set<std::string>{"CoveShovel", "CoveCrab1", "CoveCrab2", "CoveCrab3", "CoveOar",
                             "CoveLobsterPot", "CoveHook", "CoveBoot", "CoveConch", "CoveHat"}));
  EXPECT_EQ(First.size(), 10u);
  EXPECT_EQ(PageIDs(L, 1), (std::vector<std::string>{"CoveLostPages", "CoveKettle", "CoveWhistle",
                                                     "CoveBell", "CoveBottle", "CoveChartScrap"}));
  EXPECT_EQ(L->ItemsLeft(), 16);
  EXPECT_NE(View->StatusText().find("Crab (3)"), std::string::npos) << View->StatusText();

  // Nothing but the picture itself reaches under the panel, and every thing to find, the
  // ferryman and the bolt can be reached with the mouse (the buried pages once dug up).
  TGameObjectCollection* Objects = L->Objects();
  for (int I = 0; I < Objects->Count(); ++I) {
    TGameObject* Obj = Objects->ItemsReadOnly(I);
    if (Obj->ID() == "CoveBackground") {
      continue;
    }
    const TGRectFloat R = Obj->BoundingRect();
    EXPECT_LE(R.Bottom, 480.0f) << Obj->ID();
    EXPECT_GE(R.Top, 0.0f) << Obj->ID();
    EXPECT_GE(R.Left, 0.0f) << Obj->ID();
    EXPECT_LE(R.Right, 800.0f) << Obj->ID();
    if (Obj->AllowMouse() && Obj->ID() != "CoveLostPages") {
      EXPECT_TRUE(PointOn(L, Obj)) << Obj->ID() << " is covered";
    }
  }
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

TEST_F(CoveLocation, TheShovelDigsUpThePagesAndTheLastFindEndsTheGameOnce) {
  ASSERT_TRUE(L);
  Play(200);
  // The ferryman can be spoken to (his lines are said once).
  ClickOn("CoveOskelin");
  EXPECT_TRUE(L->GetAttr("OskelinSpoke").ToBoolean());

  // The first page, the shovel last; it goes into the hand, and Esc puts it with the tools.
  PickPageBut({"CoveShovel"});
  ClickOn("CoveShovel");
  EXPECT_EQ(L->CurrentPageIndex(), 1);
  TGameObject* Shovel = World.Obj("CoveShovel");
  EXPECT_EQ(CurrentPlayer->Cursor(), Shovel);
  View->KeyDown(VK_ESCAPE);
  EXPECT_TRUE(CurrentPlayer->Inventory()->Contains(Shovel, TInventoryFlags{1u << ifTools}));

  // Everything but the buried pages: only a hidden thing is left. The sand without a tool is
  // too hard, and a tool is needed; the shovel digs it open.
  PickPageBut({"CoveLostPages"});
  TGameObject* Pages = World.Obj("CoveLostPages");
  EXPECT_TRUE(Pages->IsHidden());
  EXPECT_FALSE(PointOn(L, Pages));
  EXPECT_EQ(L->Goal()->Text(), CGoalBlue);
  std::optional<TGFlatVector> OnPatch = PointOn(L, World.Obj("CoveSandPatch"));
  ASSERT_TRUE(OnPatch);
  View->ClickAt(*OnPatch, mbLeft);
  EXPECT_EQ(L->Goal()->Text(), CGoalNeedTool);
  EXPECT_NE(Flow().find("$CoveSandHard$"), std::string::npos) << Flow();
  Play(40);
  View->KeyDown('T');
  ASSERT_EQ(CurrentPlayer->Cursor(), Shovel);
  ClickOn("CoveSandPatch");
  EXPECT_FALSE(World.Obj("CoveSandPatch")->Visible());
  EXPECT_TRUE(World.Obj("CoveDugHole")->Visible());
  EXPECT_FALSE(Pages->IsHidden());
  EXPECT_EQ(L->Goal()->Text(), "$CoveGoal$");

  // The last find: the finish is reported (both bonuses, once), the ferryman answers and the
  // game ends once; no location follows.
  EXPECT_EQ(L->ItemsLeft(), 1);
  ClickOn("CoveLostPages");
  EXPECT_EQ(L->ItemsLeft(), 0);
  EXPECT_TRUE(L->FinishReported());
  EXPECT_TRUE(L->GetAttr("GameEnded").ToBoolean());
  Play(6000);
  EXPECT_EQ(CurrentPlayer->Score(), 10000);
  EXPECT_EQ(GameEnds(), 1);
  Play(2000);
  EXPECT_EQ(GameEnds(), 1);
  EXPECT_EQ(View->Location(), L);
  EXPECT_TRUE(View->NextURL().empty());
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

} // namespace
