// The tips windows and the black screen over the play screen: "Next" only while more than one
// tip waits, a tip's procedures run once when it shows and when the player moves on, nothing runs
// while the game is in a menu; the location's own tips hold the tip state while open and put it
// away however they go; the black screen types one letter per tenth of a second and closes after
// its last.
#include "GameScreenTest.h"
#include "Screens/UTipsWindowEx.h"

namespace {

// Counts the calls of a tip's procedures.
class TTipCalls : public TGObject {
public:
  int Activated = 0;
  int Deactivated = 0;
  void Activate(TGObject*) { ++Activated; }
  void Deactivate(TGObject*) { ++Deactivated; }
};

class TipsTest : public GameScreenTest {
protected:
  void Push(TTipsWindow* W, const std::string& URL) {
    W->Push(URL, 0, TGNotifyEvent(CallsPtr.get(), &TTipCalls::Activate),
            TGNotifyEvent(CallsPtr.get(), &TTipCalls::Deactivate));
  }
  TGObjectPtr<TTipCalls> CallsPtr{new TTipCalls()};
  TTipCalls& Calls = *CallsPtr;
};

// Hidden, or fading out to be.
bool Closing(TGWidget* W) {
  return !W->Visible() || W->State() == wsHiding;
}

} // namespace

TEST_F(TipsTest, NextShowsWhileMoreThanOneTipWaitsAndProceduresRunOnce) {
  TGObjectPtr<TTipsWindow> W(New<TTipsWindow>());
  TGWidget* Next = W->FindWidget(W->NextURL());
  ASSERT_TRUE(Next);
  Push(W.get(), "UI\\Dialogs\\Tip1.png");
  EXPECT_FALSE(Next->Visible());
  Push(W.get(), "UI\\Dialogs\\Tip2.png");
  EXPECT_TRUE(Next->Visible());
  // Nothing runs while the game is in its menu.
  Player->PushState(gsInGameMenu);
  W->Update(0.02f);
  EXPECT_EQ(Calls.Activated, 0);
  Player->PopState(gsInGameMenu);
  W->Update(0.02f);
  W->Update(0.02f);
  EXPECT_EQ(Calls.Activated, 1);
  W->OnNextClick(nullptr);
  EXPECT_EQ(Calls.Deactivated, 1);
  EXPECT_EQ(W->Count(), 1);
  EXPECT_EQ(W->TipURL(0), "UI\\Dialogs\\Tip2.png");
  EXPECT_FALSE(Next->Visible());
  W->Update(0.02f);
  EXPECT_EQ(Calls.Activated, 2);
  W->Replace("UI\\Dialogs\\Tip3.png", 7);
  EXPECT_EQ(W->Count(), 1);
  EXPECT_EQ(W->Item(0)->Data, 7);
  W->Clear();
  EXPECT_EQ(W->Count(), 0);
  W->Update(0.02f); // an empty queue shows nothing and calls nothing
  EXPECT_EQ(Calls.Activated, 2);
}

TEST_F(TipsTest, TheLocationsTipsHoldTheTipStateUntilClosed) {
  const TGameState Before = Player->GameState();
  TGObjectPtr<TTipsWindowEx> Owned(New<TTipsWindowEx>());
  TTipsWindowEx* W = Owned.get();
  EXPECT_EQ(Player->GameState(), gsTip);
  EXPECT_FALSE(W->CoversEntireScreen());
  TGWidget* Next = W->FindWidget(W->NextURL());
  TGWidget* CloseButton = W->FindWidget(W->CloseURL());
  ASSERT_TRUE(Next && CloseButton);
  Push(W, "UI\\Dialogs\\Tip1.png");
  Push(W, "UI\\Dialogs\\Tip2.png");
  EXPECT_TRUE(Next->Visible());
  EXPECT_FALSE(CloseButton->Visible());
  W->Update(0.02f); // the tip state lets tips run
  EXPECT_EQ(Calls.Activated, 1);
  W->OnNextClick(nullptr);
  EXPECT_FALSE(Next->Visible());
  EXPECT_TRUE(CloseButton->Visible());
  W->SetVisible(true);
  W->OnCloseClick(nullptr);
  W->OnCloseClick(nullptr); // a second click while it fades changes nothing
  EXPECT_EQ(Calls.Deactivated, 2);
  EXPECT_EQ(Player->GameState(), Before);
  Owned.reset(); // its state is away already: nothing more is popped
  EXPECT_EQ(Player->GameState(), Before);
  // A window its owner destroys while open puts the tip state away too.
  TGObjectPtr<TTipsWindowEx> Dropped(New<TTipsWindowEx>());
  EXPECT_EQ(Player->GameState(), gsTip);
  Dropped.reset();
  EXPECT_EQ(Player->GameState(), Before);
}

// A close while the window still appears is ignored rather than half done: the window stays
// open, keeps the tip state and closes at the next click once it is up.
TEST_F(TipsTest, ACloseWhileTheTipsAppearWaitsForTheNextClick) {
  const TGameState Before = Player->GameState();
  TGObjectPtr<TTipsWindowEx> Owned(New<TTipsWindowEx>());
  TTipsWindowEx* W = Owned.get();
  Push(W, "UI\\Dialogs\\Tip1.png");
  W->Show();
  ASSERT_EQ(W->State(), wsShowing);
  W->OnCloseClick(nullptr);
  EXPECT_EQ(Player->GameState(), gsTip);
  for (int I = 0; I < 200 && W->State() != wsDefault; ++I) {
    W->UpdateTree(0.02f);
  }
  ASSERT_EQ(W->State(), wsDefault);
  W->OnCloseClick(nullptr);
  EXPECT_EQ(W->State(), wsHiding);
  EXPECT_EQ(Player->GameState(), Before);
}

TEST_F(TipsTest, TheBlackScreenTypesTenLettersASecondAndClosesAfterTheLast) {
  // Frames of 1/16 s, which add up exactly.
  constexpr float Frame = 0.0625f;
  TGObjectPtr<TBlackScreen> Black(New<TBlackScreen>());
  Black->SetText("Twenty letters long.");
  Black->SetVisible(true);
  TGLabel* Label = Black->GetLabel("Label");
  for (int I = 0; I < 16; ++I) {
    Black->UpdateTree(Frame);
  }
  EXPECT_EQ(Label->Data(), "Twenty let");
  for (int I = 16; I < 33; ++I) { // 2.0625 s
    Black->UpdateTree(Frame);
  }
  EXPECT_EQ(Label->Data(), "Twenty letters long.");
  EXPECT_FALSE(Closing(Black.get()));
  Black->UpdateTree(Frame); // 2.125 s: the letter count passes the text
  EXPECT_TRUE(Closing(Black.get()));

  TGObjectPtr<TBlackScreen> Empty(New<TBlackScreen>());
  Empty->SetText("");
  Empty->SetVisible(true);
  Empty->UpdateTree(Frame);
  EXPECT_FALSE(Closing(Empty.get()));
  Empty->UpdateTree(Frame);
  EXPECT_TRUE(Closing(Empty.get()));
  EXPECT_EQ(Empty->GetLabel("Label")->Data(), "");
}
