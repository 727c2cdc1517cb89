#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "inventory/UInventory.h"
#include "locations/ULocation.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

namespace {

// A location that records the groups it is told are complete.
class TGroupWatch : public TLocation {
  G_CLASS(TGroupWatch, TLocation)
  explicit TGroupWatch(TGObject* AOwner = nullptr)
      : TLocation(AOwner) {}
  void GroupCollected(const std::string& AGroupID) override { Collected.push_back(AGroupID); }
  std::vector<std::string> Collected;
};

} // namespace

G_IMPLEMENT_CLASS(TGroupWatch)

namespace {

class InventoryTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Start();
    for (const char* ID : {"Coin1", "Coin2", "Coin3"}) {
      Add(ID, "Coins", false);
    }
    Add("Lamp", "", false);
    Add("Lamp2", "", false);
    Add("Hook", "", true);
    Add("Saw", "Saws", true);
    Add("Saw2", "Saws", true);
    Watch.reset(new TGroupWatch(nullptr));
    World.Player->SetCurrentLocation(Watch.get());
  }
  void TearDown() override {
    Watch.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  TGameObject* Add(const std::string& ID, const std::string& Group, bool Tool) {
    auto* O = new TGameObject(GameObjectCollector, ID);
    O->SetGroupID(Group);
    O->SetIsTool(Tool);
    GameObjectCollector->Add(O);
    return O;
  }
  TInventory* Inv() { return World.Player->Inventory(); }

  TLocationWorld World;
  TGObjectPtr<TGroupWatch> Watch;
};

TEST_F(InventoryTest, ObjectsOfOneGroupMakeOneLine) {
  for (const char* ID : {"Coin1", "Coin2", "Coin3", "Lamp", "Lamp2"}) {
    Inv()->Add(World.Obj(ID), false);
  }
  TItemsCollection* Items = Inv()->Items();
  ASSERT_EQ(Items->Count(), 3); // the coins, and one line each for the lamps without a group
  EXPECT_EQ(Items->Group(0)->InListCount(), 3);
  EXPECT_EQ(Items->Items(1)->ID(), "Lamp");
  EXPECT_FALSE(Inv()->AreAllItemsCollected());
  // Picking the last coin of the three completes the group; a single object never does.
  World.Obj("Coin1")->SetTakingCount(1);
  World.Obj("Coin2")->SetTakingCount(1);
  Inv()->Add(World.Obj("Coin1"), true);
  EXPECT_TRUE(Watch->Collected.empty());
  World.Obj("Coin3")->SetTakingCount(1);
  Inv()->Add(World.Obj("Coin3"), true);
  EXPECT_EQ(Watch->Collected, std::vector<std::string>{"Coins"});
  // Found items stay on their line; being found shows in their taking count.
  EXPECT_EQ(Items->Group(0)->NotTakenCount(), 0);
  World.Obj("Lamp")->SetTakingCount(1);
  Inv()->Add(World.Obj("Lamp"), true);
  EXPECT_EQ(Watch->Collected.size(), 1u);
  World.Obj("Lamp2")->SetTakingCount(1);
  EXPECT_TRUE(Inv()->AreAllItemsCollected());
  EXPECT_TRUE(TInventory(nullptr).AreAllItemsCollected());
}

TEST_F(InventoryTest, ToolsJoinTheToolsListAndLeaveIt) {
  Inv()->Add(World.Obj("Hook"), true);
  Inv()->Add(World.Obj("Saw"), true);
  Inv()->Add(World.Obj("Saw2"), true);
  EXPECT_EQ(World.Player->ToolsCount(), 2);
  EXPECT_TRUE(Inv()->Contains(World.Obj("Saw2"), TInventoryFlags{1u << ifTools}));
  EXPECT_FALSE(Inv()->Contains(World.Obj("Saw2"), TInventoryFlags{1u << ifItems}));
  Inv()->Remove(World.Obj("Hook"));
  EXPECT_EQ(World.Player->ToolsCount(), 1);
  EXPECT_FALSE(Inv()->Contains(World.Obj("Hook"), TInventoryFlags{1u << ifTools}));
}

TEST_F(InventoryTest, SavingPutsTheHeldToolBackAndLoadingRebuildsBothLists) {
  for (const char* ID : {"Coin1", "Coin2", "Lamp"}) {
    Inv()->Add(World.Obj(ID), false);
  }
  World.Obj("Coin2")->SetTakingCount(1);
  Inv()->Add(World.Obj("Coin2"), true);
  Inv()->Add(World.Obj("Saw"), true);
  World.Player->SetCursor(World.Obj("Hook")); // held in hand
  TGObjectPtr<TGXMLNode> Saved(Inv()->SaveToXML());
  EXPECT_FALSE(World.Player->HoldsObject());
  const std::string Text = Saved->SaveToString(0);
  EXPECT_EQ(Text, "<Inventory>\r\n  <Item OID=\"Coin1\"/>\r\n  <Item OID=\"Lamp\"/>\r\n  <Tool "
                  "OID=\"Saw\"/>\r\n  <Tool OID=\"Hook\"/>\r\n</Inventory>\r\n");

  // The profile loads: every line back, the found coin found again.
  World.Player->SetIsLoading(true);
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Inventory"));
  Node->LoadFromString(Text);
  TInventory Fresh(nullptr);
  Fresh.LoadFromXML(Node.get());
  World.Player->SetIsLoading(false);
  EXPECT_EQ(Fresh.Items()->Count(), 2);
  EXPECT_EQ(Fresh.Items()->Group(0)->Count(), 1); // only the group's first object is saved
  EXPECT_EQ(Fresh.Tools()->Count(), 2);
  TGObjectPtr<TGXMLNode> Again(Fresh.SaveToXML());
  EXPECT_EQ(Again->SaveToString(0), Text);

  // An object that no longer exists is left out; the rest loads.
  Node->LoadFromString(
      R"(<Inventory><Item OID="Gone"/><Item OID="Lamp"/><Tool OID="Nope"/></Inventory>)");
  Fresh.LoadFromXML(Node.get());
  EXPECT_EQ(Fresh.Items()->Count(), 1);
  EXPECT_EQ(Fresh.Tools()->Count(), 0);
}

TEST_F(InventoryTest, ListedObjectsAppearOnceUnlessTheProfileLoads) {
  TGameObject* Lamp = World.Obj("Lamp");
  Lamp->SetLocationBehaviorName("Pickable");
  Lamp->SetStrAttr("OnAppearInItems",
                   "Appeared = (typeof Appeared == 'undefined' ? 0 : Appeared) + 1");
  World.Player->SetIsLoading(true);
  Inv()->Add(Lamp, false);
  EXPECT_EQ(World.Eval("typeof Appeared").ToString(), "undefined");
  World.Player->SetIsLoading(false);
  Inv()->InitGameScripts();
  Inv()->InitGameScripts();
  EXPECT_EQ(World.Eval("Appeared").ToInteger(), 1);
  EXPECT_TRUE(Lamp->AppearedInItems());
}

} // namespace
