// The harbour's first visit on the play screen: the chapter's text typed on black before the
// harbour takes clicks, the tip shown once whatever visits and saves follow, the fisherman's two
// lines said once in bubbles at his own anchor and kept in the speech log, and the lightning bolt
// on the post earning a hint.
#include "GameScreenTest.h"
#include "player/USpeechLog.h"
#include "widgets/UFadeWindow.h"

#include <algorithm>

namespace {

const char* const CChapterText = "Chapter one: dusk over the old harbour";

// The harbour as the first frame has it: the opening is the test's to look at.
class HarbourArrival : public GameScreenTest {
protected:
  HarbourArrival() { KeepArrival = true; }

  TGLabel* ChapterText() const { return TryObjectCast<TGLabel>(Screen->FindWidget("ChapterText")); }
  bool TipShown() { return Tips()->Visible(); }
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> Texts;
    for (int32_t I = 0; I < Player->SpeechLog()->Count(); ++I) {
      Texts.push_back(Player->SpeechLog()->GetItem(I)->Text);
    }
    return Texts;
  }
  int Said(const std::string& Text) const {
    const std::vector<std::string> Texts = LogTexts();
    return static_cast<int>(std::count(Texts.begin(), Texts.end(), Text));
  }
  // The game saved, the screen and the player gone, and both made again from the profile on the
  // disk, as a player quitting and coming back has them.
  void ComeBackLater() {
    Player->Save();
    const std::string File = Player->ProfileFileName();
    Screen.reset();
    Player.reset();
    Player.reset(TPlayer::CreateFromProfile(nullptr, File));
    ASSERT_EQ(CurrentPlayer, Player.get());
    OpenScreen();
  }
  // Pixels of the top left corner of the device, where the sky of the harbour is drawn (the
  // chapter's text lies far below it).
  TGColor SkyPixel() {
    Screen->DrawTree();
    return PixelAt(10, 10);
  }
};

bool IsBlack(TGColor C) {
  return C.R < 8 && C.G < 8 && C.B < 8;
}

} // namespace

TEST_F(HarbourArrival, TheChapterTextIsTypedOnBlackBeforeTheHarbourTakesClicks) {
  ASSERT_TRUE(InBriefing());
  TGLabel* Text = ChapterText();
  ASSERT_TRUE(Text);
  EXPECT_TRUE(Text->Visible());
  // The black layer lies over everything drawn before the label, and under the label.
  ASSERT_TRUE(Screen->FadeWidget());
  EXPECT_EQ(Screen->FadeState(), fwsCustom);
  EXPECT_TRUE(IsBlack(SkyPixel()));
  EXPECT_EQ(Screen->IndexOf(Screen->FadeWidget()) + 1, Screen->IndexOf(Text));
  EXPECT_EQ(Screen->FadeWidget()->AlphaVal(), 0);

  // Typed a letter at a time, in the player's language; a click on a listed thing meanwhile
  // picks nothing.
  Play(1300);
  const std::string Part = Text->Data();
  EXPECT_GE(Part.size(), 5u);
  EXPECT_LT(Part.size(), std::string(CChapterText).size());
  EXPECT_EQ(std::string(CChapterText).substr(0, Part.size()), Part);
  const std::string First = Listed().at(0);
  ClickOn(First);
  EXPECT_TRUE(InLocation(First));
  EXPECT_EQ(Player->Score(), 0);
  EXPECT_FALSE(Tips()->Visible()) << "the tip waits for the harbour to be seen";

  // The whole text, then the harbour fades in while the text stays a second more and fades.
  for (int T = 0; T < 10000 && InBriefing(); T += 20) {
    Play(20);
  }
  EXPECT_FALSE(InBriefing());
  EXPECT_EQ(Text->Data(), CChapterText);
  Play(600);
  EXPECT_EQ(Screen->FadeState(), fwsNone);
  EXPECT_FALSE(IsBlack(SkyPixel()));
  EXPECT_EQ(Text->Color().A, 255);
  Play(2000);
  EXPECT_LT(Text->Color().A, 8);
  // Now a click picks.
  Tips()->Close();
  ReadAllLines();
  ClickOn(First);
  EXPECT_FALSE(InLocation(First));
  EXPECT_EQ(Player->Score(), 100);
}

TEST_F(HarbourArrival, TheTipShowsOnTheFirstVisitOnlyAcrossVisitsAndSaves) {
  PlayArrival();
  // PlayArrival put the tip away with its button: it was shown, and the harbour remembers it.
  EXPECT_FALSE(TipShown());
  EXPECT_TRUE(L->GetAttr("TipShown").ToBoolean());
  EXPECT_EQ(Tips()->Count(), 1);
  EXPECT_EQ(Tips()->TipURL(0), "UI\\Tips\\Harbour.ani");
  auto* Picture = TryObjectCast<TGPicture>(Tips()->FindWidget(Tips()->TextURL()));
  ASSERT_TRUE(Picture);
  EXPECT_TRUE(Picture->Gfx());

  // To the lighthouse and back: every visit asks for the tip, none shows it again.
  Screen->FadeToLocation("Lighthouse.loc");
  Play(4000);
  ASSERT_EQ(Screen->ActiveLocation()->ID, "Lighthouse");
  Screen->FadeToLocation("Harbour.loc");
  Play(4000);
  ASSERT_EQ(Screen->ActiveLocation()->ID, "Harbour");
  EXPECT_FALSE(InBriefing()) << "the chapter's text belongs to the first visit";
  EXPECT_FALSE(TipShown());

  // Nor after the game is saved and played again.
  ComeBackLater();
  Play(3000);
  EXPECT_FALSE(InBriefing());
  EXPECT_FALSE(TipShown());
  EXPECT_TRUE(L->GetAttr("TipShown").ToBoolean());
}

TEST_F(HarbourArrival, ATipNotYetSeenWhenTheGameWasSavedShowsWhenItIsPlayedAgain) {
  Play(1000); // still typing the chapter's text
  ASSERT_TRUE(InBriefing());
  ComeBackLater();
  // The briefing was kept with the harbour's flow and types its text from the start again; the
  // tip follows it.
  EXPECT_TRUE(InBriefing());
  for (int T = 0; T < 10000 && InBriefing(); T += 20) {
    Play(20);
  }
  Play(200);
  EXPECT_TRUE(TipShown());
  // A click on its button puts it away, and the click reaches nothing below it.
  const int Misses = Screen->MissCount();
  ClickWidget(Tips()->FindWidget(Tips()->CloseURL()));
  EXPECT_FALSE(TipShown());
  EXPECT_EQ(Screen->MissCount(), Misses);
}

TEST_F(HarbourArrival, TheFishermanSaysHisTwoLinesOnceAtHisAnchorAndTheyAreLogged) {
  PlayArrival();
  // His anchor is the harbour's: over his hat, the bubble above it.
  TSpeechPositionRegistry* Positions = Screen->SpeechPositions();
  const int32_t Index = Positions->IndexOf("Fisherman");
  ASSERT_GE(Index, 0);
  const TSpeechPositionDesc Anchor = Positions->GetItem(Index);
  EXPECT_EQ(Anchor.Owner, L);
  EXPECT_EQ(Anchor.Orientation, dN);
  const TGRectFloat Him = World.Obj("Fisherman")->BoundingRect();
  EXPECT_GT(Anchor.RootPosition.X, Him.Left);
  EXPECT_LT(Anchor.RootPosition.X, Him.Right);
  EXPECT_LT(Anchor.RootPosition.Y, Him.Top + 30);

  const int Misses = Screen->MissCount();
  ClickOn("Fisherman");
  EXPECT_EQ(Screen->MissCount(), Misses) << "he takes the click";
  Play(400);
  TSpeechBubbleDialog* Bubble = Screen->SpeechDialog();
  const char* const Lines[] = {"$HarbourFishermanEvening$", "$HarbourFishermanChest$"};
  for (const char* Line : Lines) {
    SCOPED_TRACE(Line);
    ASSERT_TRUE(Bubble->Visible());
    EXPECT_EQ(Bubble->Text(), Line);
    EXPECT_EQ(Bubble->Orientation(), dN);
    const TGRectFloat R = Bubble->ScreenRect();
    EXPECT_LE(R.Bottom, Anchor.RootPosition.Y + 1);
    EXPECT_NEAR((R.Left + R.Right) / 2, Anchor.RootPosition.X, 1);
    // Logged when said, in the harbour.
    ASSERT_GT(Player->SpeechLog()->Count(), 0);
    TSpeechLogItem* Last = Player->SpeechLog()->GetItem(Player->SpeechLog()->Count() - 1);
    EXPECT_EQ(Last->Text, Line);
    EXPECT_EQ(Last->LocationName, "Harbour");
    // Read with a click on the bubble, the button held for a few frames as a player holds it:
    // it closes, and the next line follows (the release does not close it unread).
    Host.Mouse = {static_cast<int>((R.Left + R.Right) / 2),
                  static_cast<int>((R.Top + R.Bottom) / 2)};
    Play(20);
    Screen->MouseDown(mbLeft);
    Play(100);
    Screen->MouseUp(mbLeft);
    Play(400);
  }
  EXPECT_FALSE(Bubble->Visible());
  EXPECT_FALSE(Screen->SpeechPending());

  // Clicked again, he has nothing more to say.
  ClickOn("Fisherman");
  Play(400);
  EXPECT_FALSE(Screen->SpeechPending());
  for (const char* Line : Lines) {
    EXPECT_EQ(Said(Line), 1) << Line;
  }
  EXPECT_EQ(Said("$HarbourArrival$"), 1);
}

TEST_F(HarbourArrival, TheBoltOnThePostEarnsAHint) {
  PlayArrival();
  const int Hints = Screen->HintsCount();
  ClickOn("HintBolt");
  EXPECT_FALSE(InLocation("HintBolt"));
  Play(3000);
  EXPECT_EQ(Screen->FlyingControl()->Count(), 0);
  EXPECT_EQ(Screen->HintsCount(), Hints + 1);
  EXPECT_EQ(Player->Score(), 0) << "a hint found scores nothing";
}
