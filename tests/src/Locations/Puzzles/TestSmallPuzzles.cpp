// The colour path by the totem, in the play screen over the demo's scene: the marble rows, which
// cells a chain takes, the steps back and the clearing, the frozen chain while its completion
// waits, the six rows played through by mouse, and the forced completion.
#include "GameScreenTest.h"

#include "Locations/Puzzles/UColourPathPuzzle.h"
#include "flow/UBasicFlowStates.h"
#include "flow/UCommonGameState.h"
#include "flow/ULocAnimationState.h"
#include "objects/UGameObjectCollection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The demo's grid, rows top down: the colour numbers of the cells.
const char* const CGrid[TCongo_05_Puzzle::CRows] = {"4465412", "3352623", "4563264", "2635136",
                                                    "2363465"};

// Each row of marbles traced on the demo's grid: (row, column) of the cells in order.
const std::vector<std::vector<std::pair<int, int>>> CSolutions = {
    {{5, 1}, {5, 2}, {5, 3}},
    {{5, 4}, {5, 5}, {5, 6}},
    {{4, 1}, {4, 2}, {4, 3}, {4, 4}},
    {{3, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5}},
    {{2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}, {2, 6}},
    {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}},
};

class ColourPathTest : public GameScreenTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    StartIn("Totem.loc", "Totem");
    if (HasFatalFailure()) {
      return;
    }
    Puzzle = dynamic_cast<TCongo_05_Puzzle*>(L);
    ASSERT_TRUE(Puzzle);
    PlayArrival();
    Settle();
  }
  TGameObject* Cell(int Row, int Column) const {
    return L->Objects()->GetByIDReadOnly(TCongo_05_Puzzle::CellID(Row, Column));
  }
  void Click(int Row, int Column) { ClickOn(TCongo_05_Puzzle::CellID(Row, Column)); }
  void RightClick() {
    Host.Mouse = {760, 40};
    Play(20);
    Screen->MouseDown(mbRight);
    Screen->MouseUp(mbRight);
    Play(20);
  }
  size_t Chain() const { return Puzzle->CellSequence().size(); }
  // The loc animations and scripts waiting on the main channel, front first.
  std::vector<std::string> Queued() const {
    std::vector<std::string> Names;
    for (int I = 0; I < L->MC()->GetCount(); ++I) {
      if (auto* A = TryObjectCast<TBaseLocAnimationState>(L->MC()->GetItem(I))) {
        Names.push_back(A->AniName());
      } else if (auto* S = TryObjectCast<TBaseScriptState>(L->MC()->GetItem(I))) {
        Names.push_back(S->Script());
      }
    }
    return Names;
  }
  bool Idle() const {
    return L->MC()->GetCount() == 1 && TryObjectCast<TCommonGameState>(L->MC()->Peek());
  }
  // Plays, lines read as they come, until only the interactive state is left on the main
  // channel.
  void Settle() {
    for (int T = 0; T < 10000 && !Idle(); T += 20) {
      Play(20);
      if (Screen->SpeechDialog()->Visible()) {
        ReadAllLines();
      }
    }
    ASSERT_TRUE(Idle());
  }
  void Trace(const std::vector<std::pair<int, int>>& Cells) {
    for (auto [Row, Column] : Cells) {
      Click(Row, Column);
    }
  }
  bool Solved() const { return L->GetAttr("TotemSolved").ToBoolean(); }

  TCongo_05_Puzzle* Puzzle = nullptr;
};

TEST_F(ColourPathTest, TheDemoGridNamesItsColoursInTheCellPictures) {
  for (int Row = 1; Row <= TCongo_05_Puzzle::CRows; ++Row) {
    for (int Column = 1; Column <= TCongo_05_Puzzle::CColumns; ++Column) {
      TGameObject* C = Cell(Row, Column);
      ASSERT_TRUE(C) << Row << " " << Column;
      EXPECT_EQ(Puzzle->GetCellColor(C), CGrid[Row - 1][Column - 1] - '0');
      EXPECT_EQ(TCongo_05_Puzzle::GetCellXY(C), (TGPoint{Column, Row}));
      EXPECT_TRUE(C->AllowMouse());
    }
  }
}

TEST_F(ColourPathTest, InitShowsTheFirstRowAndPlaysTheTotemAtOnce) {
  EXPECT_TRUE(Puzzle->Inited());
  EXPECT_TRUE(Puzzle->IsPuzzleLocation());
  EXPECT_EQ(Puzzle->SequenceId(), 1);
  EXPECT_EQ(Puzzle->Sequence(), (std::vector<int32_t>{2, 3, 6}));
  // The first appearance was played directly, never queued.
  Puzzle->Init();
  EXPECT_TRUE(L->ActiveAnimation("Totem_Appearing"));
  EXPECT_EQ(Queued(), std::vector<std::string>{});
}

TEST_F(ColourPathTest, AChainTakesNeighboursOfTheRightColourOnly) {
  Click(4, 1); // 2
  ASSERT_EQ(Chain(), 1u);
  Click(2, 1); // a 3 two rows up
  Click(4, 3); // a 3 two columns on
  Click(4, 2); // a 6 beside it: not the colour due
  EXPECT_EQ(Chain(), 1u);
  Click(5, 2); // a 3 across the corner
  ASSERT_EQ(Chain(), 2u);
  Click(4, 2); // the 6 straight up from it
  ASSERT_EQ(Chain(), 3u);
  EXPECT_EQ(Puzzle->CellSequence().back(), Cell(4, 2));
}

TEST_F(ColourPathTest, TheLastCellStepsBackAndTheRightButtonClears) {
  Click(4, 1);
  Click(5, 2);
  ASSERT_EQ(Chain(), 2u);
  Click(4, 1); // an earlier cell: nothing
  EXPECT_EQ(Chain(), 2u);
  Click(5, 2); // the last one: one step back
  EXPECT_EQ(Chain(), 1u);
  Click(5, 2);
  EXPECT_EQ(Chain(), 2u);
  // The right button on a cell does not take it; anywhere it clears the chain.
  Puzzle->CellMouseDown(Cell(5, 3), mbRight);
  EXPECT_EQ(Chain(), 2u);
  Host.Mouse = {static_cast<int>(Cell(5, 3)->Left()) + 20,
                static_cast<int>(Cell(5, 3)->Top()) + 20};
  Play(20);
  Screen->MouseDown(mbRight);
  Screen->MouseUp(mbRight);
  EXPECT_EQ(Chain(), 0u);
  Click(5, 1);
  RightClick();
  EXPECT_EQ(Chain(), 0u);
}

TEST_F(ColourPathTest, AFullChainFreezesUntilItsCompletionHasRun) {
  Click(5, 1);
  Click(5, 2);
  Click(5, 3);
  ASSERT_EQ(Chain(), 3u);
  EXPECT_TRUE(Puzzle->CompletionQueued());
  const std::vector<std::string> Waiting = Queued();
  ASSERT_GE(Waiting.size(), 2u);
  EXPECT_EQ(Waiting[0], "Totem_Disappearing");
  EXPECT_EQ(Waiting[1], "Congo_05.SequenceComplete()");
  // Taking the last cell back and again, or clearing, would queue a second completion.
  Puzzle->CellMouseDown(Cell(5, 3), mbLeft);
  Puzzle->CellMouseDown(Cell(5, 3), mbLeft);
  Puzzle->MouseDown(mbRight);
  Puzzle->CellMouseDown(Cell(4, 3), mbLeft);
  EXPECT_EQ(Chain(), 3u);
  EXPECT_EQ(Queued(), Waiting);
  // The totem sinks, the script moves on to the second row: the totem comes back with it.
  for (int T = 0; T < 5000 && Puzzle->SequenceId() == 1; T += 20) {
    Play(20);
  }
  EXPECT_EQ(Puzzle->SequenceId(), 2);
  EXPECT_EQ(Chain(), 0u);
  EXPECT_FALSE(Puzzle->CompletionQueued());
  EXPECT_EQ(Puzzle->Sequence(), (std::vector<int32_t>{3, 4, 6}));
  EXPECT_TRUE(L->Objects()->GetByIDReadOnly("Puhh_07_05")->Visible());
  Settle();
  EXPECT_FALSE(L->Objects()->GetByIDReadOnly("Puhh_07_05")->Visible());
}

TEST_F(ColourPathTest, SixRowsTracedByMouseCompleteThePuzzle) {
  for (size_t Row = 0; Row < CSolutions.size(); ++Row) {
    ASSERT_EQ(Puzzle->SequenceId(), static_cast<int32_t>(Row + 1));
    Trace(CSolutions[Row]);
    ASSERT_EQ(Chain(), CSolutions[Row].size()) << "row " << Row + 1;
    EXPECT_FALSE(Solved());
    if (Row + 1 < CSolutions.size()) {
      Settle();
    }
  }
  for (int T = 0; T < 10000 && Puzzle->SequenceId() != 7; T += 20) {
    Play(20);
  }
  EXPECT_EQ(Puzzle->SequenceId(), 7);
  EXPECT_TRUE(Puzzle->Sequence().empty());
  EXPECT_TRUE(Solved());
  // Nothing more to trace: clicks on cells do nothing.
  Click(5, 1);
  EXPECT_EQ(Chain(), 0u);
  // The solved totem leads back to the harbour once its line is read.
  for (int T = 0; T < 20000 && Screen->ActiveLocation()->ID != "Harbour"; T += 20) {
    Play(20);
    if (Screen->SpeechDialog()->Visible()) {
      ReadAllLines();
    }
  }
  EXPECT_EQ(Screen->ActiveLocation()->ID, "Harbour");
}

TEST_F(ColourPathTest, ForceCompletionCompletesAtOnce) {
  Click(5, 1);
  Puzzle->ForceCompletion();
  EXPECT_TRUE(Solved());
  EXPECT_TRUE(Puzzle->Sequence().empty());
  EXPECT_EQ(Puzzle->SequenceId(), 7);
  // No totem comes back after the last row.
  for (const std::string& Name : Queued()) {
    EXPECT_NE(Name, "Totem_Appearing");
  }
}

TEST_F(ColourPathTest, ACellWithoutAColourIsRefusedWithAMessage) {
  TGameObject* C = Cell(5, 1);
  C->SetGfxURL("Game\\07_Congo\\Location_05\\Back.png");
  EXPECT_THROW(Puzzle->GetCellColor(C), std::exception);
  Click(5, 1);
  EXPECT_EQ(Chain(), 0u);
  // Refused again further on in a chain.
  Click(4, 1);
  ASSERT_EQ(Chain(), 1u);
  Puzzle->CellMouseDown(C, mbLeft);
  EXPECT_EQ(Chain(), 1u);
}

TEST_F(ColourPathTest, TheChainAndMarblesAreDrawnOverTheScene) {
  Click(5, 1);
  Click(5, 2);
  ASSERT_EQ(Chain(), 2u);
  Screen->DrawTree();
  EXPECT_TRUE(Puzzle->CellSelectionGfx());
  EXPECT_TRUE(Puzzle->ArrowGfx());
}

} // namespace

// The differences with the mirrored cursor, in the play screen over the demo's village: the
// cursor's place, the goal, and a press carried out in both halves through the program's
// plug-in chain (a sink at its end stands for the application and moves the test's mouse).
#include "Locations/Puzzles/UMirroredDifferencesLocation.h"
#include "Screens/UClickSequenceChecker.h"
#include "app/UGAppFramework.h"
#include "app/UGAppInput.h"

namespace {

class TPointerSink : public TGAppPlugin {
  G_CLASS(TPointerSink, TGAppPlugin)
  explicit TPointerSink(TGObject* AOwner = nullptr)
      : TGAppPlugin(AOwner) {}
  void MouseMove(const TGPoint& P) override {
    Moves.push_back(P);
    if (Host) {
      Host->Mouse = P;
    }
  }
  std::vector<TGPoint> Moves;
  TTestWindowHost* Host = nullptr;
};
G_IMPLEMENT_CLASS(TPointerSink)

class MirroredDifferencesTest : public GameScreenTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    WriteFile(ProgramFolder.File("VersionInfo.xml"),
              "<VersionInfo CompanyName='Test Works' ProductName='hoe' ProductVersion='1.0.0.1'/>");
    Frame = std::make_unique<TGAppFramework>(ProgramFolder.Str());
    Frame->AddPlugin(New<TGAppInput>(static_cast<THostWindow*>(nullptr)));
    Sink = New<TPointerSink>(nullptr);
    Sink->Host = &Host;
    Frame->AddPlugin(Sink);
    StartIn("Differences.loc", "Differences");
    if (HasFatalFailure()) {
      return;
    }
    Location = dynamic_cast<TAlaska_06c*>(L);
    ASSERT_TRUE(Location);
    PlayArrival();
  }
  void TearDown() override {
    GameScreenTest::TearDown();
    Frame.reset();
  }
  TGameObject* Mirror() const { return Location->FakeCursor(); }
  void MoveTo(TGPoint P) {
    Host.Mouse = P;
    Play(20);
  }
  bool Taken(const char* AID) { return World.Obj(AID) && World.Obj(AID)->IsTaken(); }

  TTempDir ProgramFolder{"hoe-differences"};
  std::unique_ptr<TGAppFramework> Frame;
  TPointerSink* Sink = nullptr; // the frame owns it
  TAlaska_06c* Location = nullptr;
};

TEST_F(MirroredDifferencesTest, TheMirroredCursorStandsInTheOtherHalfAboveThePanel) {
  ASSERT_TRUE(Mirror());
  EXPECT_EQ(Mirror()->ID(), "MirrorCursor");
  MoveTo({100, 200});
  EXPECT_TRUE(Mirror()->Visible());
  EXPECT_FLOAT_EQ(Mirror()->Left(), 500);
  EXPECT_FLOAT_EQ(Mirror()->Top(), 200);
  MoveTo({500, 459});
  EXPECT_TRUE(Mirror()->Visible());
  EXPECT_FLOAT_EQ(Mirror()->Left(), 100);
  MoveTo({399, 10});
  EXPECT_FLOAT_EQ(Mirror()->Left(), 799);
  MoveTo({500, 460});
  EXPECT_FALSE(Mirror()->Visible());
  Location->UnregisterFakeCursor();
  EXPECT_EQ(Mirror(), nullptr);
  MoveTo({100, 200});
  EXPECT_FALSE(World.Obj("MirrorCursor")->Visible());
}

TEST_F(MirroredDifferencesTest, TheGoalAsksForTheDifferences) {
  EXPECT_EQ(Location->Goal()->GetGoal(60), "$#GOAL#Someone's been here. Find the differences.$");
}

TEST_F(MirroredDifferencesTest, APressInOneHalfFindsTheChangeInBoth) {
  TClickSequenceChecker* Checker = Screen->ClickSequenceChecker();
  Checker->RegisterCheck(TGObject::StaticClass());
  // The flag of the right half, pressed at its middle.
  const TGPoint Press{400 + 302 + 30, 150 + 19};
  MoveTo(Press);
  Sink->Moves.clear();
  Screen->MouseDown(mbLeft);
  Screen->MouseUp(mbLeft);
  // First to the mirrored point, then back where the player pressed.
  ASSERT_EQ(Sink->Moves.size(), 2u);
  EXPECT_EQ(Sink->Moves[0], (TGPoint{Press.X - 400, Press.Y}));
  EXPECT_EQ(Sink->Moves[1], Press);
  EXPECT_EQ(Host.Mouse, Press);
  EXPECT_FALSE(Location->InMouseDown());
  Play(3000);
  EXPECT_TRUE(Taken("DiffFlagL"));
  EXPECT_TRUE(Taken("DiffFlagR"));
  EXPECT_FALSE(Checker->Changed(TGObject::StaticClass())) << "a find is no miss";
}

TEST_F(MirroredDifferencesTest, APressThatFindsNothingInEitherHalfIsOneMiss) {
  TClickSequenceChecker* Checker = Screen->ClickSequenceChecker();
  Checker->RegisterCheck(TGObject::StaticClass());
  MoveTo({20, 100}); // sky in both halves
  const int32_t Misses = Screen->MissCount();
  Screen->MouseDown(mbLeft);
  EXPECT_EQ(Screen->MissCount(), Misses + 2);
  Screen->MouseUp(mbLeft);
  EXPECT_FALSE(Checker->IsCounting());
  EXPECT_TRUE(Checker->Changed(TGObject::StaticClass()));
  EXPECT_EQ(Sink->Moves.back(), (TGPoint{20, 100}));
}

TEST_F(MirroredDifferencesTest, WithoutAVisibleMirroredCursorAPressIsAnOrdinaryOne) {
  MoveTo({100, 500}); // over the panel: the mirrored cursor hides
  Sink->Moves.clear();
  Screen->MouseDown(mbLeft);
  Screen->MouseUp(mbLeft);
  EXPECT_TRUE(Sink->Moves.empty());
  // The right button is not carried over to the other half.
  MoveTo({100, 200});
  Sink->Moves.clear();
  Screen->MouseDown(mbRight);
  Screen->MouseUp(mbRight);
  EXPECT_TRUE(Sink->Moves.empty());
  EXPECT_FALSE(Location->InMouseDown());
}

} // namespace

// The ore detector and the x-ray lens over bare locations holding only the objects they use,
// the mouse where the test puts it.
#include "Locations/Puzzles/UAngryAvatarLocation.h"
#include "Locations/Puzzles/UOreDetectorLocation.h"
#include "Locations/Puzzles/UXRayLensLocation.h"
#include "Screens/UGameScreenAvatarHelper.h"

namespace {

TGameObject* AddBox(TBaseLocation* L, const char* AID, float Left, float Top, float Size) {
  TGameObject* Obj = New<TGameObject>(nullptr, AID);
  Obj->SetLeft(Left);
  Obj->SetTop(Top);
  Obj->SetWidth(Size);
  Obj->SetHeight(Size);
  L->AddGameObject(Obj);
  return Obj;
}

class OreDetectorTest : public ::testing::Test {
protected:
  void SetUp() override {
    L.reset(New<TAlaska_06>(nullptr));
    AddBox(L.get(), "UraniumOre_01_06", 390, 290, 20); // centred on (400, 300)
    Far = AddBox(L.get(), "Indicator_01_06", 0, 0, 10);
    Near = AddBox(L.get(), "IndicatorCloser_01_06", 0, 0, 10);
    AddBox(L.get(), "Item_01_06", 600, 100, 20);
  }
  TTestWindowHost Host;
  TGObjectPtr<TAlaska_06> L;
  TGameObject* Far = nullptr;
  TGameObject* Near = nullptr;
};

TEST_F(OreDetectorTest, TheIndicatorTicksFasterNearTheOreUpToTwentyTimes) {
  EXPECT_FLOAT_EQ(TAlaska_06::TickRate(25), 20);
  EXPECT_FLOAT_EQ(TAlaska_06::TickRate(250), 1);
  EXPECT_NEAR(TAlaska_06::TickRate(100), 6.25, 1e-4);
  EXPECT_FLOAT_EQ(TAlaska_06::TickRate(0), 20);
  Host.Mouse = {400, 300};
  EXPECT_FLOAT_EQ(L->Closeness(), 0.001f);
  Host.Mouse = {430, 340};
  EXPECT_FLOAT_EQ(L->Closeness(), 50);
}

TEST_F(OreDetectorTest, TheFarIndicatorFromEightyPixelsOnTheNearOneCloser) {
  Host.Mouse = {480, 300};
  EXPECT_EQ(L->Indicator(), Far);
  EXPECT_FALSE(Near->Visible());
  Host.Mouse = {479, 300};
  Far->SetVisible(true);
  EXPECT_EQ(L->Indicator(), Near);
  EXPECT_FALSE(Far->Visible());
}

TEST_F(OreDetectorTest, TickingShowsTheIndicatorAndTheFindSpotReportsTheOre) {
  Host.Mouse = {100, 500};
  L->Update(20);
  EXPECT_FALSE(Far->Visible());
  L->Tick();
  L->Update(20);
  EXPECT_TRUE(Far->Visible());
  EXPECT_FALSE(L->OreFoundFlag());
  // Five pixels round the spot still count.
  Host.Mouse = {595, 95};
  L->Update(20);
  EXPECT_TRUE(L->OreFoundFlag());
  L->TickStop();
  EXPECT_FALSE(L->Ticking());
  EXPECT_FALSE(Far->Visible());
  EXPECT_FALSE(Near->Visible());
  // Found once, the detector does not start again.
  L->Tick();
  EXPECT_FALSE(L->Ticking());
}

TEST(XRayLensTest, TheLensFollowsThePointerAndIsShownOnlyWhileScanning) {
  TTestWindowHost Host;
  TGObjectPtr<TNewYork_06> L(New<TNewYork_06>(nullptr));
  L->Update(20); // no lens: nothing to do
  TGameObject* Lens = AddBox(L.get(), "Radar2_04_03", 0, 0, 100);
  Lens->SetVisible(false);
  L->StartScanner();
  EXPECT_TRUE(Lens->Visible());
  Host.Mouse = {300, 200};
  L->Update(20);
  EXPECT_FLOAT_EQ(Lens->Left(), 250);
  EXPECT_FLOAT_EQ(Lens->Top(), 150);
  EXPECT_EQ(L->LensPicture(), nullptr); // a plain picture has no hidden view
  L->StopScanner();
  EXPECT_FALSE(Lens->Visible());
}

TEST(AngryAvatarTest, WithoutAPlayScreenTheAvatarIsLeftAlone) {
  TGObjectPtr<TAlaska_03a> L(New<TAlaska_03a>(nullptr));
  L->SetAngryAvatar(); // a message, no fault
  EXPECT_FALSE(L->IsPuzzleLocation());
}

} // namespace

namespace {

TEST_F(MirroredDifferencesTest, TheAngryAvatarLastsTheVisit) {
  TGObjectPtr<TAlaska_03a> Angry(New<TAlaska_03a>(nullptr));
  Angry->SetAngryAvatar();
  EXPECT_EQ(Screen->AvatarHelper()->AvatarType(), atAngry);
  Play(2000);
  EXPECT_EQ(Screen->AvatarHelper()->AvatarType(), atAngry);
}

} // namespace
