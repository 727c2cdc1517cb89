// The demo's two locations played through their rules in the location view: the harbour's deal,
// its first visit (music, then the ship's bell), the looped sea, the goal line, the locked chest
// with and without its key, the starfish found as one line, the compass listed by its clue, the
// finish with its bonuses and the way up to the lighthouse; then the lighthouse completed.
#include "LocationViewTest.h"
#include "audio/UGAudio.h"
#include "base/UGRandom.h"
#include "flow/UFlowChannel.h"
#include "inventory/UInventory.h"
#include "locations/ULocation.h"
#include "locations/ULocationEvents.h"
#include "locations/USimpleLocation.h"
#include "platform/UAudioMixer.h"
#include "platform/UKeyCodes.h"
#include "player/UMusicManager.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>

namespace {

std::vector<std::string> PageIDs(TBaseLocation* L, int Page) {
  std::vector<std::string> IDs;
  TBaseLocationItemsPage* P = L->ItemsDistribution()->Items(Page);
  for (int I = 0; I < P->Count(); ++I) {
    IDs.push_back(P->GetItem(I));
  }
  return IDs;
}

bool Has(const std::vector<std::string>& IDs, const std::string& ID) {
  return std::find(IDs.begin(), IDs.end(), ID) != IDs.end();
}

// The demo's locations with an audio device that plays only when asked to mix, so that what
// starts playing stays to be looked at.
class DemoLocations : public LocationViewTest {
protected:
  void SetUp() override {
    LocationViewTest::SetUp();
    Audio.reset(new TGAudioDevice(nullptr, TMixOutput::Buffer));
    World.Start(HOE_CONTENT);
    View.reset(New<TLocationView>());
  }
  void TearDown() override {
    LocationViewTest::TearDown();
    Audio.reset();
  }
  TLocation* Open(const std::string& URL) {
    View->Open(URL);
    return ObjectCast<TLocation>(View->Location());
  }
  // The sounds playing now, other than the music.
  std::vector<TGAudioState*> Sounds() const {
    std::vector<TGAudioState*> Playing;
    for (int I = 0; I < AD->AudioStates()->GetCount(); ++I) {
      TGAudioState* S = AD->AudioStates()->GetItem(I);
      if (S != AD->CurrentMusicState() && !S->IsStopped()) {
        Playing.push_back(S);
      }
    }
    return Playing;
  }
  std::string Music() const { return AD->CurrentMusic() ? AD->CurrentMusic()->URL() : ""; }
  std::string Flow(TBaseLocation* L) const {
    TGObjectPtr<TGXMLNode> Node(L->MC()->SaveToXML());
    return Node->SaveToString(0);
  }
  // Every listed object of the current page but those given, picked through the mouse.
  void PickPageBut(const std::set<std::string>& Except) {
    TBaseLocation* L = View->Location();
    for (const std::string& ID : PageIDs(L, L->ItemsDistribution()->CurrentPageIndex())) {
      if (!Except.contains(ID) && World.Obj(ID)->TakingCount() == 0) {
        ClickOn(ID);
        EXPECT_EQ(World.Obj(ID)->TakingCount(), 1) << ID;
      }
    }
  }

  TGObjectPtr<TGAudioDevice> Audio;
};

TEST_F(DemoLocations, TheHarbourPlaysThroughItsRulesAndLeadsToTheLighthouse) {
  GlobalRandom().SetSeed(5);
  TLocation* L = Open("Harbour.loc");
  auto* Harbour = ObjectCast<TLocationWithGoalAllItemsCollected>(L);
  TInventory* Inventory = CurrentPlayer->Inventory();

  // The deal: the key and six of the quay's things on the first page, the three starfish
  // together (the page grew for the two that joined the first); the second page keeps what it
  // names, and its free place went to the one hidden thing that may take it, the feather.
  const std::vector<std::string> First = PageIDs(L, 0), Second = PageIDs(L, 1);
  EXPECT_EQ(First.size(), 9u);
  EXPECT_EQ(First.front(), "Key");
  for (const char* ID : {"Starfish1", "Starfish2", "Starfish3", "Anchor", "RopeCoil", "Bottle",
                         "Shell", "NetFloat"}) {
    EXPECT_TRUE(Has(First, ID)) << ID;
  }
  EXPECT_EQ(Second, (std::vector<std::string>{"Pearl", "Compass", "Map", "Lantern", "Fish",
                                              "Bucket", "Feather"}));
  EXPECT_EQ(L->ItemsLeft(), 16);
  EXPECT_EQ(L->PageCount(), 2);

  // The first visit: its event runs, the sea loops, the harbour's own goal line shows, and the
  // list has one line for the three starfish.
  ASSERT_EQ(L->ActiveEvents()->GetCount(), 1);
  EXPECT_EQ(L->ActiveEvents()->Event(0)->Name(), "FirstActivate");
  ASSERT_TRUE(L->LoopedSfx());
  EXPECT_TRUE(L->LoopedSfx()->Looped());
  EXPECT_FALSE(L->LoopedSfx()->Paused());
  EXPECT_EQ(L->Goal()->Text(), "$HarbourGoal$");
  EXPECT_EQ(Inventory->Items()->Count(), 7);
  EXPECT_NE(View->StatusText().find("Starfish (3)"), std::string::npos) << View->StatusText();
  Play(20);
  EXPECT_EQ(Music(), "Music\\Arrival.ogg");
  EXPECT_EQ(View->MusicManager()->State(), mmsPlayingEvent);
  // The tune starts at once, the bell after a pause; the bell's state never finishes, so the
  // event stays with it.
  EXPECT_EQ(Sounds().size(), 1u);
  Play(2600);
  ASSERT_EQ(L->ActiveEvents()->GetCount(), 1);
  EXPECT_EQ(L->ActiveEvents()->Event(0)->Peek()->ClassName(), "TLocationSoundEventState");
  ASSERT_EQ(Sounds().size(), 2u);
  EXPECT_NEAR(Sounds()[1]->GetLength(), 1.4f, 0.1f);
  EXPECT_FALSE(Sounds()[1]->Looped());
  Play(3400); // the gull has flown: its feather lies on the quay

  // The first page, the key last: the starfish count down on their one line.
  PickPageBut({"Key", "Starfish2", "Starfish3"});
  EXPECT_NE(View->StatusText().find("Starfish (2)"), std::string::npos) << View->StatusText();
  ClickOn("Starfish2");
  ClickOn("Starfish3");
  EXPECT_EQ(View->StatusText().find("Starfish"), std::string::npos) << View->StatusText();
  ClickOn("Key");
  EXPECT_EQ(L->CurrentPageIndex(), 1);
  // A picked tool goes into the hand, and back to the tools when put down.
  TGameObject* Key = World.Obj("Key");
  EXPECT_EQ(CurrentPlayer->Cursor(), Key);
  EXPECT_FALSE(Inventory->Contains(Key, TInventoryFlags{1u << ifTools}));
  View->KeyDown(VK_ESCAPE);
  EXPECT_TRUE(Inventory->Contains(Key, TInventoryFlags{1u << ifTools}));
  // The second page lists the compass by its clue.
  EXPECT_NE(View->StatusText().find("It always points north"), std::string::npos)
      << View->StatusText();
  EXPECT_EQ(View->StatusText().find("Compass"), std::string::npos) << View->StatusText();

  // Everything but the pearl: only a hidden thing is left, and the goal line says to uncover it.
  PickPageBut({"Pearl"});
  EXPECT_TRUE(World.Obj("Pearl")->IsHidden());
  EXPECT_EQ(L->PageLeftItemsType(), pifItem | pifHidden);
  EXPECT_EQ(L->Goal()->Text(), CGoalBlue);
  // The chest without a tool: locked (the line waits behind the common state), a tool is
  // needed. With the key it opens.
  std::optional<TGFlatVector> OnLid = PointOn(L, World.Obj("ChestLid"));
  ASSERT_TRUE(OnLid);
  View->ClickAt(*OnLid, mbLeft);
  EXPECT_EQ(L->Goal()->Text(), CGoalNeedTool);
  EXPECT_NE(Flow(L).find("$HarbourChestLocked$"), std::string::npos) << Flow(L);
  Play(40);
  View->KeyDown('T');
  ASSERT_EQ(CurrentPlayer->Cursor(), Key);
  ClickOn("ChestLid");
  EXPECT_FALSE(World.Obj("ChestLid")->Visible());
  EXPECT_FALSE(World.Obj("Pearl")->IsHidden());
  EXPECT_EQ(L->Goal()->Text(), "$HarbourGoal$");

  // The last find finishes the harbour when it lands: both bonuses, the line and the way on,
  // which the view takes at once.
  View->KeyDown(VK_ESCAPE);
  EXPECT_EQ(L->ItemsLeft(), 1);
  EXPECT_EQ(L->GetAttr("Picked").ToInteger(), 15);
  EXPECT_FALSE(Harbour->FinishReported());
  ASSERT_TRUE(PointOn(L, World.Obj("Pearl")));
  View->ClickAt(*PointOn(L, World.Obj("Pearl")), mbLeft);
  EXPECT_EQ(L->ItemsLeft(), 0);
  EXPECT_EQ(CurrentPlayer->Score(), 0);
  Play(200);
  EXPECT_EQ(CurrentPlayer->Score(), 10000);
  EXPECT_EQ(View->NextURL(), "Lighthouse.loc");
  ASSERT_TRUE(View->Location());
  EXPECT_EQ(View->Location()->ID, "Lighthouse");
  EXPECT_EQ(View->Location()->ClassName(), "TSimpleLocation");
  EXPECT_EQ(World.Obj("Pearl"), nullptr);    // the harbour's objects went with it
  EXPECT_EQ(Inventory->Tools()->Count(), 0); // nor the tools, which were its objects
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

TEST_F(DemoLocations, TheLighthouseIsCompletedThroughItsRules) {
  GlobalRandom().SetSeed(9);
  auto* L = ObjectCast<TSimpleLocation>(Open("Lighthouse.loc"));
  const std::vector<std::string> Page = PageIDs(L, 0);
  ASSERT_EQ(Page.size(), 5u);
  EXPECT_EQ(Page.front(), "Logbook");
  for (const char* ID : {"Spyglass", "Candle", "OilCan", "KeeperBell"}) {
    EXPECT_TRUE(Has(Page, ID)) << ID;
  }
  EXPECT_EQ(L->WelcomeSpeech, "$LighthouseWelcome$");
  EXPECT_NE(Flow(L).find("$LighthouseWelcome$"), std::string::npos);
  Play(20);
  EXPECT_EQ(View->MusicManager()->Count(), 1);
  PickPageBut({});
  EXPECT_TRUE(L->FinishReported());
  EXPECT_EQ(CurrentPlayer->Score(), 10000);
  // The lamp flares, then the line, and no location follows: the view stays.
  Play(200);
  EXPECT_TRUE(L->ActiveAnimation("LampFlare"));
  Play(3000);
  EXPECT_FALSE(L->ActiveAnimation("LampFlare"));
  EXPECT_EQ(View->Location(), L);
  EXPECT_TRUE(View->NextURL().empty());
  EXPECT_TRUE(World.ScriptErrors.empty()) << ErrorsSeen();
}

} // namespace
