// The play screen over the demo harbour, in the test process: a blank profile starting in the
// harbour, frames of 20 ms, and the mouse of a host of the test's own. Clicks pick listed
// objects, which fly to the panel and score; a pick soon after another doubles; misses and
// objects of later pages score nothing; a line at an unknown anchor waits without stopping the
// frame; a flight that cannot start leaves its object where it was; a location switch fades
// out, saves and fades in.
#include "GameScreenTest.h"

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

// The panel widgets the screen remembers stay those the tree holds: a renamed widget is no
// longer found under its old path, a destroyed one is never handed out, and the frame goes on
// drawing and updating the panel without it.
TEST_F(GameScreenTest, RememberedPanelWidgetsFollowTheTree) {
  TGWidget* Score = Screen->FindWidget("GameInterface\\Score");
  ASSERT_TRUE(Score);
  EXPECT_EQ(Screen->CachedWidget("GameInterface\\Score"), Score);
  EXPECT_EQ(Screen->CachedWidget("gameinterface\\SCORE"), Score); // as FindWidget compares
  Score->SetName("Points");
  EXPECT_EQ(Screen->CachedWidget("GameInterface\\Score"), nullptr);
  EXPECT_EQ(Screen->CachedWidget("GameInterface\\Points"), Score);
  Score->SetName("Score");
  EXPECT_EQ(Screen->CachedWidget("GameInterface\\Score"), Score);
  EXPECT_EQ(Screen->CachedWidget("GameInterface\\NoSuchWidget"), nullptr);

  TGWidget* Bird = Screen->CachedWidget("GameInterface\\Zephrin01");
  TGWidget* Label = Screen->CachedWidget("GameInterface\\BackPackItems\\Item01\\Label");
  ASSERT_TRUE(Bird);
  ASSERT_TRUE(Label);
  Bird->Free();
  EXPECT_EQ(Screen->CachedWidget("GameInterface\\Zephrin01"), nullptr);
  EXPECT_EQ(Screen->CachedWidget("GameInterface\\BackPackItems\\Item01\\Label"), Label);
  Play(200);
  EXPECT_EQ(Screen->CachedWidget("GameInterface\\Score"), Score);
}
