// The play screen over the demo harbour, in the test process: a blank profile starting in the
// harbour, frames of 20 ms, and the mouse of a host of the test's own. Clicks pick listed
// objects, which fly to the panel and score; a pick soon after another doubles; misses and
// objects of later pages score nothing; a line at an unknown anchor waits without stopping the
// frame; a flight that cannot start leaves its object where it was; a location switch fades
// out, saves and fades in.
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Screens/UBlackScreen.h"
#include "Screens/UFlyingControl.h"
#include "Screens/UGameHint.h"
#include "Screens/UGameScreen.h"
#include "Screens/UGameScreenStates.h"
#include "Screens/USpeechBubbleDialog.h"
#include "TempDir.h"
#include "TestWindowHost.h"
#include "inventory/UInventory.h"
#include "io/UGFileUtils.h"
#include "locations/UBaseLocation.h"
#include "locations/ULocation.h"
#include "locations/ULocationItemsDistribution.h"
#include "objects/UGameObject.h"
#include "player/UPlayer.h"
#include "player/USpeech.h"
#include "widgets/UGLabel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

class GameScreenTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Start(HOE_CONTENT, false);
    Player.reset(TPlayer::CreateBlank(nullptr, "Ada", Profiles.Str()));
    Player->BriefInfo()->LocationURL = "Harbour.loc";
    ASSERT_EQ(CurrentPlayer, Player.get());
    Screen.reset(New<TGameScreen>(nullptr));
    Host.Top = Screen.get();
    Screen->InitGameScripts();
    Player->InitGameScripts();
    Player->Inventory()->InitGameScripts();
    // The fade-in, the first visit's tune and lines: then the harbour takes clicks.
    Play(6000);
    ReadAllLines();
    L = Screen->ActiveLocation();
    ASSERT_TRUE(L);
    ASSERT_EQ(L->ID, "Harbour");
  }
  void TearDown() override {
    Screen.reset();
    Player.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  void Play(int Milliseconds) {
    for (int T = 0; T < Milliseconds; T += 20) {
      Screen->UpdateTree(0.02f);
    }
  }
  // Closes the bubble of every line said so far, as a reader would.
  void ReadAllLines() {
    for (int I = 0; I < 20 && (Screen->SpeechDialog()->Visible() || Screen->SpeechPending()); ++I) {
      Screen->SpeechDialog()->Close();
      Play(400);
    }
  }
  void ClickAt(const TGFlatVector& P) {
    Host.Mouse = {static_cast<int>(P.X), static_cast<int>(P.Y)};
    Play(20);
    Screen->MouseDown(mbLeft);
    Screen->MouseUp(mbLeft);
    Play(20);
  }
  // A click on the object once the lines said so far are read (a click on a line only closes it).
  void ClickOn(const std::string& ID) {
    ReadAllLines();
    TGameObject* Obj = World.Obj(ID);
    ASSERT_TRUE(Obj) << ID;
    // A point where the location finds the object and no part of the interface lies over it.
    const TGRectFloat R = Obj->BoundingRect();
    // The mouse is at whole pixels.
    for (float Y = std::ceil(R.Top); Y < R.Bottom; Y += 1) {
      for (float X = std::ceil(R.Left); X < R.Right; X += 1) {
        if (L->ObjectAt({X, Y}) == Obj && Screen->GetDispositionAt({X, Y}) == pdtLocation) {
          ClickAt({X, Y});
          return;
        }
      }
    }
    FAIL() << ID << " cannot be reached with the mouse";
  }
  // The ordinary things listed on the page shown (the page's random places are dealt by the
  // program's generator; the key, a tool, and groups are left out).
  std::vector<std::string> Listed() {
    std::vector<std::string> IDs;
    TBaseLocationItemsPage* Page = TryObjectCast<TLocation>(L)->ItemsDistribution()->CurrentPage();
    for (int I = 0; Page && I < Page->Count(); ++I) {
      TGameObject* Obj = World.Obj(Page->GetItem(I));
      if (Obj && Obj->GroupID().empty() && Page->GetItem(I) != "Key") {
        IDs.push_back(Page->GetItem(I));
      }
    }
    return IDs;
  }
  bool InLocation(const std::string& ID) { return L->Objects()->IndexOf(World.Obj(ID)) >= 0; }
  std::string ListEntry(int Index) {
    auto* Label = TryObjectCast<TGLabel>(Screen->FindWidget("GameInterface\\BackPackItems\\Item0" +
                                                            std::to_string(Index) + "\\Label"));
    return Label ? Label->Data() : "(none)";
  }

  TLocationWorld World;
  TTempDir Profiles{"hoe-game-screen"};
  TGObjectPtr<TPlayer> Player;
  TTestWindowHost Host;
  TGObjectPtr<TGameScreen> Screen;
  TBaseLocation* L = nullptr;
};

} // namespace

TEST_F(GameScreenTest, ThePanelListsTheFirstPage) {
  EXPECT_FALSE(ListEntry(1).empty());
  EXPECT_EQ(Screen->StateQueue()->GetCount(), 1);
  EXPECT_TRUE(TryObjectCast<TCommonGameScreenState>(Screen->StateQueue()->Peek()));
}

TEST_F(GameScreenTest, PicksFlyToThePanelAndScoreWithTheComboBonus) {
  const std::vector<std::string> IDs = Listed();
  ASSERT_GE(IDs.size(), 3u);
  ClickOn(IDs[0]);
  EXPECT_FALSE(InLocation(IDs[0]));
  EXPECT_EQ(Screen->FlyingControl()->Count(), 1);
  EXPECT_EQ(Player->Score(), 100);
  // Within the combo time the next pick scores double; the flights land meanwhile.
  ClickOn(IDs[1]);
  EXPECT_EQ(Player->Score(), 100 + 200);
  Play(4000);
  EXPECT_EQ(Screen->FlyingControl()->Count(), 0);
  EXPECT_GE(Player->Inventory()->Items()->Count(), 0);
  // Long after, a pick scores its own points again.
  ClickOn(IDs[2]);
  EXPECT_EQ(Player->Score(), 300 + 100);
}

TEST_F(GameScreenTest, MissesAndObjectsOfLaterPagesScoreNothing) {
  ClickAt({400, 60}); // the sky
  EXPECT_EQ(Player->Score(), 0);
  // The fish is listed on the second page only: a click on it picks nothing yet.
  ClickOn("Fish");
  EXPECT_TRUE(InLocation("Fish"));
  EXPECT_EQ(Player->Score(), 0);
}

TEST_F(GameScreenTest, ALineAtAnUnknownAnchorWaitsWhileTheFrameRunsOn) {
  Screen->Say("Nobody", "Where am I?", "");
  ClickOn(Listed().at(0));
  Play(4000);
  // The flight landed though the line could not be shown; the line still waits.
  EXPECT_EQ(Screen->FlyingControl()->Count(), 0);
  TSpeechCue Cue;
  ASSERT_TRUE(Player->SpeechQueue()->Peek(Cue));
  EXPECT_EQ(Cue.PositionID, "Nobody");
  EXPECT_FALSE(Screen->SpeechDialog()->Visible());
}

TEST_F(GameScreenTest, ALineReadRunsItsOwnScriptAndTheNextLineFollows) {
  Screen->Say("Zari", "First line", "GameScreen.HintsCount = 7");
  Screen->Say("Zari", "Second line", "");
  Play(400);
  ASSERT_TRUE(Screen->SpeechDialog()->Visible());
  EXPECT_EQ(Screen->SpeechDialog()->Text(), "First line");
  Screen->SpeechDialog()->Close();
  EXPECT_EQ(Screen->HintsCount(), 7);
  Play(400);
  ASSERT_TRUE(Screen->SpeechDialog()->Visible());
  EXPECT_EQ(Screen->SpeechDialog()->Text(), "Second line");
  // The bubble stays on the screen though its anchor is at the screen's left edge.
  EXPECT_GE(Screen->SpeechDialog()->ScreenRect().Left, 0);
}

TEST_F(GameScreenTest, AFlightThatCannotStartLeavesTheObjectAndScoresNothing) {
  const std::string ID = Listed().at(0);
  World.Obj(ID)->SetFlyingConfigName("NoSuchFlight");
  ClickOn(ID);
  EXPECT_TRUE(InLocation(ID));
  EXPECT_EQ(Screen->FlyingControl()->Count(), 0);
  EXPECT_EQ(Player->Score(), 0);
}

TEST_F(GameScreenTest, ASwitchFadesOutSavesAndFadesIn) {
  ClickOn(Listed().at(0));
  EXPECT_EQ(Player->Score(), 100);
  Screen->FadeToLocation("Lighthouse.loc");
  // Flights land first, then the fade out, the switch and the fade in.
  Play(6000);
  ASSERT_TRUE(Screen->ActiveLocation());
  EXPECT_EQ(Screen->ActiveLocation()->ID, "Lighthouse");
  EXPECT_EQ(Player->LocationURL(), "Lighthouse.loc");
  EXPECT_EQ(Screen->StateQueue()->GetCount(), 1);
  // The profile on disk is already in the lighthouse, with the anchor found.
  TGObjectPtr<TPlayer> Saved(TPlayer::CreateFromProfile(nullptr, Player->ProfileFileName()));
  EXPECT_EQ(Saved->LocationURL(), "Lighthouse.loc");
  EXPECT_EQ(Saved->Score(), 100);
  // Reading another profile object and letting it go leaves the world being played alone.
  Saved.reset();
  EXPECT_TRUE(World.Obj("Bottle"));
  EXPECT_EQ(Screen->ActiveLocation()->ID, "Lighthouse");
}

TEST_F(GameScreenTest, AClueHintShinesOnTheEntryOfItsGroupTheFirstOneToo) {
  TItemsCollection* Items = Player->Inventory()->Items();
  ASSERT_GT(Items->Count(), 1);
  TGameObject* First = Items->Group(0)->ItemByIndex(0);
  First->SetClue("$Something to guess$");
  TGWidget* Entry = Screen->FindWidget("GameInterface\\BackPackItems\\Item01");
  ASSERT_TRUE(Entry);
  const int Before = Entry->Graphics()->Count();
  Screen->Hint()->HintObjectManual(First);
  EXPECT_TRUE(First->Clue().empty());
  EXPECT_EQ(Entry->Graphics()->Count(), Before + 1);
  EXPECT_EQ(Screen->FindWidget("GameInterface\\BackPackItems\\Item02")->Graphics()->Count(),
            Before);
}

TEST_F(GameScreenTest, TheBlackScreenTypesWholeLettersAndClosesWhenDone) {
  TGObjectPtr<TBlackScreen> Black(New<TBlackScreen>());
  Black->SetText("\xC3\x89t\xC3\xA9"); // "Été": three letters in five bytes
  Black->SetVisible(true);
  TGLabel* Label = Black->GetLabel("Label");
  Black->UpdateTree(0.1f);
  EXPECT_EQ(Label->Data(), "\xC3\x89");
  Black->UpdateTree(0.1f);
  EXPECT_EQ(Label->Data(), "\xC3\x89t");
  Black->UpdateTree(0.1f);
  EXPECT_EQ(Label->Data(), "\xC3\x89t\xC3\xA9");
  EXPECT_TRUE(Black->Visible());
  for (int Frame = 0; Frame < 30 && Black->Visible(); ++Frame) {
    Black->UpdateTree(0.1f);
  }
  EXPECT_FALSE(Black->Visible());
  EXPECT_EQ(Label->Data(), "\xC3\x89t\xC3\xA9");
}
