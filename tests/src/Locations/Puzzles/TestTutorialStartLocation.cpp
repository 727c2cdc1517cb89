// The story's first scene over the demo's harbour station, in the play screen: the menu button
// and the scanner hidden until the PDA and the scanner are taken, picking up the PDA, the
// scanner's arrival at each difficulty, the difficulty boards and their explanations, and the
// tutorial pages (once per profile, never while the program quits).
#include "GameScreenTest.h"

#include "Locations/Puzzles/UTutorialStartLocation.h"
#include "Screens/UScanner.h"
#include "Screens/UTipsWindowEx.h"
#include "app/UGApp.h"
#include "flow/USpeechCueState.h"
#include "player/USpeechLog.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* CPDASpeech =
    "$There's my PDA! I need it to get special information about my contacts, travel log and the "
    "museum. I can customize my settings.$";
constexpr const char* CRelaxedSpeech =
    "$I can click any object in my list to see its shape in the scanner with unlimited use. "
    "Relaxed Mode.$";
constexpr const char* CTimedSpeech =
    "$I can click any object in my list to see its shape in the scanner only once per scene, but "
    "I will score more points per scene. Timed Mode.$";

class TutorialStartTest : public GameScreenTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    StartIn("Arrival.loc", "Arrival", "Zari");
    if (HasFatalFailure()) {
      return;
    }
    Scene = dynamic_cast<TAlaska_01*>(L);
    ASSERT_TRUE(Scene);
    PlayArrival();
  }
  TGameObject* Obj(const std::string& ID) { return World.Obj(ID); }
  TGWidget* Menu() const { return Screen->FindWidget("GameInterface\\Menu"); }
  TScanner* Scanner() const { return Screen->Scanner(); }
  void Land() {
    for (int T = 0; T < 5000 && Screen->FlyingControl()->Count() > 0; T += 20) {
      Play(20);
    }
  }
  std::string LastLine() const {
    TSpeechLog* Log = Player->SpeechLog();
    return Log->Count() > 0 ? Log->GetItem(Log->Count() - 1)->Text : "";
  }
  // The lines queued on the main channel, in order.
  std::vector<std::string> QueuedLines() const {
    std::vector<std::string> Lines;
    for (int I = 0; I < L->MC()->GetCount(); ++I) {
      if (auto* Cue = TryObjectCast<TSpeechCueState>(L->MC()->GetItem(I))) {
        Lines.push_back(Cue->Cue());
      }
    }
    return Lines;
  }

  // The open tips window's pages paged through and the window closed, as the player does.
  void CloseTips() {
    TTipsWindowEx* Tips = Scene->Tips();
    ASSERT_TRUE(Tips);
    // The window has come up before the player clicks.
    for (int I = 0; I < 50; ++I) {
      Tips->UpdateTree(0.02f);
    }
    for (int I = 1; I < Tips->Count(); ++I) {
      Tips->UpdateTree(0.02f);
      Tips->OnNextClick(nullptr);
    }
    Tips->OnCloseClick(nullptr);
    for (int I = 0; I < 200 && Tips->Visible(); ++I) {
      Tips->UpdateTree(0.02f);
    }
    Play(40);
    ASSERT_FALSE(Scene->Tips());
  }

  TAlaska_01* Scene = nullptr;
};

} // namespace

TEST_F(TutorialStartTest, BeforeThePDAIsTakenTheMenuAndTheScannerAreHidden) {
  ASSERT_TRUE(Scene->Menu());
  EXPECT_EQ(Scene->Menu(), Menu());
  EXPECT_FALSE(Menu()->Visible());
  EXPECT_FALSE(Menu()->Enabled());
  EXPECT_FALSE(Scanner()->Visible());
  EXPECT_FALSE(Scanner()->Enabled());
  EXPECT_EQ(Obj("PDA_01_01")->FlyingConfigName(), "PDAFlying");
  EXPECT_TRUE(Obj("PDA_01_01")->OnMouseDown);
}

TEST_F(TutorialStartTest, PickingThePDAScoresAndShowsTheMenuWhenItLands) {
  TGameObject* PDA = Obj("PDA_01_01");
  const int32_t Score = Player->Score();
  // A right click does nothing, nor does a click with something in hand.
  Scene->PDAMouseDown(PDA, mbRight);
  Screen->AssignToCursor(Obj("ArrivalTicket"));
  ASSERT_TRUE(Player->HoldsObject());
  Scene->PDAMouseDown(PDA, mbLeft);
  EXPECT_EQ(Player->Score(), Score);
  EXPECT_FALSE(PDA->IsTaken());
  Screen->ResetCursor(false);
  ASSERT_FALSE(Player->HoldsObject());

  const int32_t Misses = Screen->MissCount();
  ClickOn("PDA_01_01");
  EXPECT_EQ(Screen->MissCount(), Misses) << "a click on the PDA is no miss";
  EXPECT_EQ(Player->Score(), Score + TAlaska_01::CPDAPoints);
  EXPECT_TRUE(PDA->IsTaken());
  // A second click while it flies scores nothing more.
  Scene->PDAMouseDown(PDA, mbLeft);
  EXPECT_EQ(Player->Score(), Score + TAlaska_01::CPDAPoints);
  EXPECT_FALSE(Menu()->Visible());
  // The menu shows when the flight lands; the line comes 2.5 s after the click.
  int Elapsed = 20;
  bool MenuBeforeLanding = false;
  while (Elapsed < 5000 && LastLine() != CPDASpeech) {
    MenuBeforeLanding |= Menu()->Visible() && PDA->IsTaken() && Screen->IsFlying(PDA);
    Play(20);
    Elapsed += 20;
  }
  EXPECT_FALSE(MenuBeforeLanding);
  EXPECT_GE(Elapsed, TAlaska_01::CPDASpeechPause);
  EXPECT_LE(Elapsed, TAlaska_01::CPDASpeechPause + 100);
  EXPECT_TRUE(Menu()->Visible());
  EXPECT_TRUE(Menu()->Enabled());
  EXPECT_EQ(PDA->TakingCount(), 1);
  EXPECT_FALSE(InLocation("PDA_01_01"));
}

TEST_F(TutorialStartTest, TheScannerArrivesWithTheLinesOfTheDifficulty) {
  Scene->SetDifficulty(gdAdventurer);
  EXPECT_EQ(Player->GameDifficulty(), gdAdventurer);
  Scene->TakeScanner();
  EXPECT_EQ(QueuedLines(),
            (std::vector<std::string>{"$My scanner from Tobrel arrived! Click any object in the "
                                      "list to see its shape in the scanner.$",
                                      "$The scanner can be used once per scene.$"}));
  EXPECT_FALSE(Scanner()->Visible());
  Land();
  EXPECT_TRUE(Scanner()->Visible());
  EXPECT_TRUE(Scanner()->Enabled());
  EXPECT_EQ(Obj("Scaner_01_01")->TakingCount(), 1);
  // It arrives once.
  Scene->TakeScanner();
  EXPECT_EQ(QueuedLines().size(), 2u);
  // An unknown difficulty is refused.
  Scene->SetDifficulty(7);
  EXPECT_EQ(Player->GameDifficulty(), gdAdventurer);
}

TEST_F(TutorialStartTest, AtTheOtherDifficultiesTheScannerBringsOneLine) {
  Scene->SetDifficulty(gdSuperSleuth);
  Scene->TakeScanner();
  EXPECT_EQ(QueuedLines(),
            (std::vector<std::string>{"$My scanner from Tobrel arrived! Scanner is turned off.$"}));
}

TEST_F(TutorialStartTest, AnEntryAfterThePDAAndTheScannerShowsBothAtOnce) {
  ClickOn("PDA_01_01");
  Scene->TakeScanner();
  Land();
  Menu()->SetVisible(false);
  Scanner()->SetVisible(false);
  Scene->Activate();
  EXPECT_TRUE(Menu()->Visible());
  EXPECT_TRUE(Scanner()->Visible());
  EXPECT_TRUE(Scanner()->Enabled());
}

TEST_F(TutorialStartTest, ABoardUnderTheMouseExplainsItsModeAtOnce) {
  // The mouse comes over the first board: its line is said.
  const TGRectFloat R = Obj("DifficultyRelaxed")->BoundingRect();
  Host.Mouse = {static_cast<int>(R.Left + R.Right) / 2, static_cast<int>(R.Top + R.Bottom) / 2};
  Play(200);
  EXPECT_EQ(LastLine(), CRelaxedSpeech);
  ASSERT_TRUE(Screen->SpeechPending());
  // Another mode replaces it at once.
  Scene->DifficultyHover(1);
  EXPECT_TRUE(Player->SpeechQueue()->Empty());
  Play(400);
  EXPECT_EQ(LastLine(), CTimedSpeech);
  // No such mode: the bubble goes and nothing is said.
  Scene->DifficultyHover(3);
  Play(600);
  EXPECT_TRUE(QueuedLines().empty());
  EXPECT_FALSE(Screen->SpeechPending());
}

TEST_F(TutorialStartTest, ABoardClickedSetsTheDifficultyAndOpensTheTutorialOnce) {
  ClickOn("DifficultyTimed");
  EXPECT_EQ(Player->GameDifficulty(), gdAdventurer);
  EXPECT_FALSE(Obj("DifficultyRelaxed")->Visible());
  // The board's own line first (the mouse came over it), then the pages.
  ReadAllLines();
  TTipsWindowEx* Tips = Scene->Tips();
  ASSERT_TRUE(Tips);
  EXPECT_TRUE(L->GetAttr("IsTutorialShown").ToBoolean());
  ASSERT_EQ(Tips->Count(), 5);
  EXPECT_EQ(Tips->TipURL(0), "Game\\Tutorial\\Ani_Find_Everything.ani");
  EXPECT_EQ(Tips->TipURL(1), "Game\\Tutorial\\Ani_Blue_Items.ani");
  EXPECT_TRUE(Tips->Item(1)->ActivateProc);
  EXPECT_TRUE(Tips->Item(1)->DeactivateProc);
  EXPECT_EQ(Tips->TipURL(4), "Game\\Tutorial\\Ani_Clues.ani");
  EXPECT_EQ(Player->GameState(), gsTip);
  // Every page; the tools drawer blinks while the one on blue objects is shown.
  TGWidget* Blink = Screen->FindWidget("GameInterface\\ToolsBlink");
  ASSERT_TRUE(Blink);
  for (int I = 0; I < 4; ++I) {
    Tips->UpdateTree(0.02f);
    EXPECT_EQ(Blink->Visible(), I == 1) << "page " << I;
    Tips->OnNextClick(nullptr);
  }
  EXPECT_FALSE(Blink->Visible());
  Tips->OnCloseClick(nullptr);
  for (int I = 0; I < 200 && Tips->Visible(); ++I) {
    Tips->UpdateTree(0.02f);
  }
  Play(40);
  EXPECT_FALSE(Scene->Tips());
  EXPECT_NE(Player->GameState(), gsTip);
  // The same profile sees them once.
  Scene->ShowStartTutorial();
  EXPECT_FALSE(Scene->Tips());
}

TEST_F(TutorialStartTest, TheBirdsPageRunsModallyAndGoesWhenClosed) {
  TModalWindowHost Modal;
  Modal.OnFrame = [](TGWindow* W, int Frame) {
    if (Frame == 5) {
      static_cast<TTipsWindowEx*>(W)->OnCloseClick(nullptr);
    }
  };
  Scene->ShowTutorialZephrin();
  EXPECT_EQ(Modal.Shown, 1);
  EXPECT_TRUE(Modal.Ended);
  EXPECT_FALSE(Scene->Tips());
  EXPECT_NE(Player->GameState(), gsTip);
  // Not while the program is quitting for good.
  AppIsClosing = true;
  AppCanUnclose = false;
  Scene->ShowTutorialZephrin();
  AppIsClosing = false;
  AppCanUnclose = true;
  EXPECT_EQ(Modal.Shown, 1);
}

TEST_F(TutorialStartTest, TheSceneIsPlayedThroughToTheHarbour) {
  ClickOn("DifficultyRelaxed");
  ReadAllLines();
  CloseTips();
  EXPECT_EQ(Player->GameDifficulty(), gdApprentice);
  ClickOn("PDA_01_01");
  Land();
  Play(3000);
  ReadAllLines();
  // The first thing found brings the scanner.
  ClickOn("ArrivalSuitcase");
  Land();
  Play(1200);
  Land();
  EXPECT_TRUE(Scanner()->Visible());
  EXPECT_TRUE(Obj("Scaner_01_01")->IsTaken());
  for (const char* ID : {"ArrivalTicket", "ArrivalMittens", "ArrivalThermos"}) {
    ClickOn(ID);
    Land();
  }
  EXPECT_EQ(Scene->ItemsLeft(), 0);
  // The page on the birds, then the last line and the way to the harbour.
  Play(100);
  ASSERT_TRUE(Scene->Tips());
  ASSERT_EQ(Scene->Tips()->Count(), 1);
  EXPECT_EQ(Scene->Tips()->TipURL(0), "Game\\Tutorial\\Ani_Zephrin_Bird.ani");
  CloseTips();
  EXPECT_TRUE(Scene->FinishReported());
  for (int T = 0; T < 10000 && Screen->ActiveLocation()->ID != "Harbour"; T += 200) {
    ReadAllLines();
    Play(200);
  }
  EXPECT_EQ(Screen->ActiveLocation()->ID, "Harbour");
}
