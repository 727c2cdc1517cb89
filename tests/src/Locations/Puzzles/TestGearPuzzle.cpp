// The gear puzzle: the angle helpers, the model on its own (fillings dealt, gears turning, rings
// lining up, fillings passing inwards), and the demo's gear works in the play screen (the clones
// Init makes, again after a second Init and after a saved profile, dragging a ring with the
// mouse, a transfer, and the completion reported once).
#include "GameScreenTest.h"

#include "Locations/Puzzles/UGearGame.h"
#include "Locations/Puzzles/UGearPuzzle.h"
#include "Locations/Puzzles/UPuzzleAngles.h"
#include "base/UGRandom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

namespace {

constexpr float Pi = std::numbers::pi_v<float>;

TEST(PuzzleAngles, DeltaAngleDegComesBackIntoAHalfTurnEitherWay) {
  EXPECT_FLOAT_EQ(DeltaAngleDeg(370, 0), 10);
  EXPECT_FLOAT_EQ(DeltaAngleDeg(10, 350), 20);
  EXPECT_FLOAT_EQ(DeltaAngleDeg(-190, 0), 170);
  EXPECT_FLOAT_EQ(DeltaAngleDeg(180, 0), 180);
  EXPECT_FLOAT_EQ(DeltaAngleDeg(0, 4.9f), -4.9f);
  EXPECT_NEAR(DeltaAngleDeg(3600 + 45, 0), 45, 1e-3);
}

TEST(PuzzleAngles, DXDY2AngleGivesTheDirectionAndNothingForAZeroVector) {
  EXPECT_FLOAT_EQ(DXDY2Angle(1, 0), 0);
  EXPECT_FLOAT_EQ(DXDY2Angle(1, 1), Pi / 4);
  EXPECT_FLOAT_EQ(DXDY2Angle(-1, 0), Pi);
  EXPECT_FLOAT_EQ(DXDY2Angle(-1, -1), Pi * 5 / 4);
  EXPECT_FLOAT_EQ(DXDY2Angle(0, 3), Pi / 2);
  EXPECT_FLOAT_EQ(DXDY2Angle(TGFlatVector{0, -3}), -Pi / 2);
  EXPECT_EQ(DXDY2Angle(0, 0), 0);
  EXPECT_FALSE(std::isnan(DXDY2Angle(TGFlatVector{0, 0})));
}

// The model alone, without pictures.
class GearModel : public ::testing::Test {
protected:
  void SetUp() override { Game.reset(new TPGearGame(nullptr)); }
  TPGear* Gear(int R, int G) const { return Game->GetRings(R)->Gears(G); }
  void SetRings(float A1, float A2, float A3) {
    Game->GetRings(1)->SetAngle(A1);
    Game->GetRings(2)->SetAngle(A2);
    Game->GetRings(3)->SetAngle(A3);
    Game->PlaceGameObjects();
  }
  void EmptyAll() {
    for (int R = 1; R < CPRingCount; ++R) {
      for (int G = 0; G < Game->GetRings(R)->Capacity(); ++G) {
        for (int S = 0; S < CPSlotCount; ++S) {
          Gear(R, G)->SetFilled(S, false);
        }
      }
    }
  }
  int FilledIn(int R) const {
    int N = 0;
    for (int G = 0; G < Game->GetRings(R)->Capacity(); ++G) {
      N += Gear(R, G)->FilledCount();
    }
    return N;
  }
  TGObjectPtr<TPGearGame> Game;
};

TEST_F(GearModel, TheRingsHoldTheirGearsAndTheDealFillsSixteenSlotsOutsideTheCentre) {
  EXPECT_EQ(Game->GetRings(0)->Capacity(), 0);
  EXPECT_EQ(Game->GetRings(3)->Capacity(), 12);
  EXPECT_EQ(Game->GetRings(4), nullptr);
  for (uint32_t Seed : {1u, 7u, 12345u}) {
    GlobalRandom().SetSeed(Seed);
    Game->InitFillings();
    EXPECT_EQ(FilledIn(1) + FilledIn(2) + FilledIn(3), 16) << Seed;
  }
  // A second deal empties the first one's slots before it fills.
  Gear(1, 0)->SetFilled(0, true);
  Game->InitFillings();
  EXPECT_EQ(FilledIn(1) + FilledIn(2) + FilledIn(3), 16);
}

TEST_F(GearModel, AGearTurnsAQuarterOnlyWhenIdleAndItsSlotsFollow) {
  TPGear* G = Gear(2, 3);
  EXPECT_EQ(G->FillingIdxTop(), 3);
  EXPECT_EQ(G->FillingIdxBottom(), 1);
  Game->GearClick(G);
  EXPECT_FALSE(G->Idle());
  EXPECT_EQ(G->FillingIdxTop(), 2);
  EXPECT_EQ(G->FillingIdxBottom(), 0);
  // A click while it turns is lost.
  G->Update(0.1f);
  Game->GearClick(G);
  EXPECT_FLOAT_EQ(G->AngleWanted(), 90);
  G->Update(0.2f);
  EXPECT_FLOAT_EQ(G->Angle(), 90);
  EXPECT_TRUE(G->Idle());
  for (int I = 0; I < 2; ++I) {
    Game->GearClick(G);
    for (int F = 0; F < 20; ++F) {
      G->Update(0.02f);
    }
  }
  EXPECT_FLOAT_EQ(G->Angle(), 270);
  EXPECT_EQ(G->FillingIdxTop(), 0);
  EXPECT_EQ(G->FillingIdxBottom(), 2);
  // A full turn comes back below 360 with the slots of no turn.
  Game->GearClick(G);
  for (int F = 0; F < 20; ++F) {
    G->Update(0.02f);
  }
  EXPECT_FLOAT_EQ(G->Angle(), 0);
  EXPECT_EQ(G->FillingIdxTop(), 3);
}

TEST_F(GearModel, ARingWithinFiveDegreesOfAnAlignmentLinesUpAndOneFurtherOffDoesNot) {
  // Ring 1 at 45 has a gear at 45; ring 2 at 45 + 4 would have one at 49.
  SetRings(45, 49, 45);
  Game->FixRing(Game->GetRings(2));
  Game->PlaceGameObjects();
  const float Snapped = Game->GetRings(2)->Angle();
  EXPECT_NEAR(DeltaAngleDeg(Snapped, 45), 0, 1e-3) << Snapped;
  // Ring 1 against rings 0 (no gears) and 2 only: 6 degrees off every gear of ring 2.
  SetRings(51, 45, 45);
  Game->FixRing(Game->GetRings(1));
  EXPECT_FLOAT_EQ(Game->GetRings(1)->Angle(), 51);
}

TEST_F(GearModel, FillingsPassInwardsBetweenIdleGearsInLineAndNeverOntoAFilledSlot) {
  EmptyAll();
  SetRings(45, 45, 45); // gear 0 of every ring stands at 45 degrees
  Gear(2, 0)->SetFilled(Gear(2, 0)->FillingIdxBottom(), true);
  Gear(3, 0)->SetFilled(Gear(3, 0)->FillingIdxBottom(), true);
  Gear(1, 0)->SetFilled(Gear(1, 0)->FillingIdxTop(), true);
  Game->CheckMoves();
  // Ring 1's receiving slot is taken: ring 2 keeps its filling; ring 3 passes to ring 2 (whose
  // receiving slot was free).
  EXPECT_TRUE(Gear(2, 0)->Filled(Gear(2, 0)->FillingIdxBottom()));
  EXPECT_TRUE(Gear(2, 0)->Filled(Gear(2, 0)->FillingIdxTop()));
  EXPECT_EQ(Gear(3, 0)->FilledCount(), 0);
  EXPECT_EQ(FilledIn(1), 1);
  // Outwards is refused, whatever the slots.
  Game->Move(1, 2, Gear(1, 0), Gear(2, 1), -1, -1);
  Game->Move(2, 2, Gear(2, 0), Gear(2, 1), -1, -1);
  EXPECT_EQ(FilledIn(1), 1);
  EXPECT_EQ(Gear(2, 1)->FilledCount(), 0);
  // A turning gear passes nothing.
  Gear(1, 0)->SetFilled(Gear(1, 0)->FillingIdxTop(), false);
  Game->GearClick(Gear(2, 0));
  Game->GearClick(Gear(2, 0)); // lost: still turning
  Game->CheckMoves();
  EXPECT_EQ(FilledIn(1), 0);
}

TEST_F(GearModel, TheGameIsCompleteWhenTheInnerRingIsFull) {
  EmptyAll();
  for (int G = 0; G < 4; ++G) {
    for (int S = 0; S < 4; ++S) {
      Gear(1, G)->SetFilled(S, !(G == 3 && S == 3));
    }
  }
  Game->Update(0.02f);
  EXPECT_FALSE(Game->Completed());
  Gear(1, 3)->SetFilled(3, true);
  Game->Update(0.02f);
  EXPECT_TRUE(Game->Completed());
}

// The demo's gear works in the play screen.
class GearPuzzleTest : public GameScreenTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    StartIn("Gears.loc", "Gears");
    if (HasFatalFailure()) {
      return;
    }
    FindPuzzle();
  }
  void Open() {
    OpenScreen("Gears");
    if (HasFatalFailure()) {
      return;
    }
    FindPuzzle();
  }
  void FindPuzzle() {
    Puzzle = dynamic_cast<TGreenland_04_Puzzle*>(L);
    ASSERT_TRUE(Puzzle);
    ASSERT_TRUE(Puzzle->GearGame()) << "the scene's script calls Init";
    // The first visit's opening passes as a player lets it.
    PlayArrival();
  }
  TPGearGame* Game() const { return Puzzle->GearGame(); }
  TPGear* Gear(int R, int G) const { return Game()->GetRings(R)->Gears(G); }
  int Visible(const char* Kind) {
    int N = 0;
    for (int R = 1; R < CPRingCount; ++R) {
      for (int G = 0; G < CPRingsCapacity[static_cast<size_t>(R)]; ++G) {
        for (int S = 0; S < CPSlotCount; ++S) {
          TGameObject* Obj = World.Obj(TGreenland_04_Puzzle::FillingID(Kind, R, G, S));
          N += Obj && Obj->Visible() ? 1 : 0;
        }
      }
    }
    return N;
  }
  void Press(float X, float Y) {
    Host.Mouse = {static_cast<int>(X), static_cast<int>(Y)};
    Play(20);
    Screen->MouseDown(mbLeft);
  }
  void MoveTo(float X, float Y) {
    Host.Mouse = {static_cast<int>(X), static_cast<int>(Y)};
    Play(20);
  }
  void Release() { Screen->MouseUp(mbLeft); }
  bool Solved() const { return L->GetAttr("GearsSolved").ToBoolean(); }

  TGreenland_04_Puzzle* Puzzle = nullptr;
};

// The objects of the location file itself: the back wall, three rings, four templates and the
// way back.
constexpr int CSceneObjects = 9;

TEST_F(GearPuzzleTest, InitClonesTheGearsAndFillingsAndDealsSixteen) {
  const int Objects = L->Objects()->Count();
  // 24 gears, and per slot a pair of fillings.
  EXPECT_EQ(Objects, CSceneObjects + 24 + 24 * 4 * 2);
  TGameObject* First = World.Obj("Gear0300_03_le");
  ASSERT_TRUE(First);
  EXPECT_EQ(Gear(3, 0)->GameObject(), First);
  EXPECT_TRUE(First->Visible());
  EXPECT_TRUE(First->AllowMouse());
  EXPECT_TRUE(World.Obj("FillingAppear010203_03_le"));
  EXPECT_FALSE(World.Obj("Gear_03_le")->Visible());
  EXPECT_EQ(Visible("FillingAppear"), 16);
  EXPECT_EQ(Visible("FillingDisappear"), 0);
  for (int R = 0; R < CPRingCount; ++R) {
    EXPECT_FLOAT_EQ(Game()->GetRings(R)->Angle(), 45);
  }
  // The rings stand round the centre, their gears on them.
  TGameObject* Ring2 = World.Obj("Circle_02_03_le");
  EXPECT_FLOAT_EQ(Ring2->Left() + Ring2->Width() / 2, 400);
  EXPECT_FLOAT_EQ(Ring2->Top() + Ring2->Height() / 2, 250);
  TGameObject* G = Gear(2, 0)->GameObject();
  EXPECT_NEAR(G->Left() + G->Width() / 2, 400 + 106 * std::cos(Pi / 4), 1e-3);
  EXPECT_NEAR(G->Top() + G->Height() / 2, 250 + 106 * std::sin(Pi / 4), 1e-3);
  EXPECT_NEAR(G->Angle(), 45, 1e-3);
}

TEST_F(GearPuzzleTest, ASecondInitReplacesTheClonesInsteadOfFailingOnTheirIDs) {
  const int Objects = L->Objects()->Count();
  const int Collected = GameObjectCollector->Count();
  Puzzle->Init();
  ASSERT_TRUE(Game());
  EXPECT_EQ(L->Objects()->Count(), Objects);
  EXPECT_EQ(GameObjectCollector->Count(), Collected);
  // The template is hidden by now; the new gears show all the same.
  EXPECT_TRUE(World.Obj("Gear0107_03_le") == nullptr);
  EXPECT_TRUE(World.Obj("Gear0103_03_le")->Visible());
  EXPECT_EQ(Gear(1, 3)->GameObject(), World.Obj("Gear0103_03_le"));
  EXPECT_EQ(Visible("FillingAppear"), 16);
  Play(100);
}

TEST_F(GearPuzzleTest, AProfileSavedWithTheClonesStartsThePuzzleAfresh) {
  Play(200);
  Player->Save();
  const std::string File = Player->ProfileFileName();
  Screen.reset();
  Player.reset();
  Player.reset(TPlayer::CreateFromProfile(nullptr, File));
  ASSERT_EQ(CurrentPlayer, Player.get());
  Open();
  if (HasFatalFailure()) {
    return;
  }
  EXPECT_EQ(L->Objects()->Count(), CSceneObjects + 24 + 24 * 4 * 2);
  EXPECT_EQ(Visible("FillingAppear"), 16);
  ASSERT_TRUE(World.Obj("Gear0311_03_le"));
  EXPECT_TRUE(World.Obj("Gear0311_03_le")->Visible());
}

TEST_F(GearPuzzleTest, PuzzleCompleteBeforeInitDoesNothing) {
  TGObjectPtr<TGreenland_04_Puzzle> Bare(New<TGreenland_04_Puzzle>(nullptr));
  Bare->PuzzleComplete();
  Bare->Update(20);
  EXPECT_FALSE(Bare->Completed());
  EXPECT_FALSE(Bare->GearGame());
  // Without its objects Init builds nothing either.
  Bare->Init();
  EXPECT_FALSE(Bare->GearGame());
}

TEST_F(GearPuzzleTest, DraggingARingTurnsItWithThePointerAndAReleaseKeepsItInOneTurn) {
  // A point of ring 3 between two of its gears (its gears stand at 45 + 30 k degrees).
  const float R = 159;
  auto At = [&](float Deg) {
    return TGFlatVector{400 + R * std::cos(Deg * Pi / 180), 250 + R * std::sin(Deg * Pi / 180)};
  };
  TGFlatVector P = At(60);
  ASSERT_EQ(L->ObjectAt(P), World.Obj("Circle_03_03_le"));
  Press(P.X, P.Y);
  ASSERT_TRUE(Puzzle->IsRingRotating());
  ASSERT_EQ(Puzzle->RotatingRing(), Game()->GetRings(3));
  // Turned by 30 degrees: in line with ring 2 already, so no snapping moves it.
  P = At(90);
  MoveTo(std::round(P.X), std::round(P.Y));
  EXPECT_NEAR(Game()->GetRings(3)->Angle(), 75, 0.2);
  // Over the centre the pointer has no direction: the ring stays.
  MoveTo(400, 250);
  EXPECT_NEAR(Game()->GetRings(3)->Angle(), 75, 0.2);
  EXPECT_FALSE(std::isnan(Gear(3, 0)->GameObject()->Left()));
  Release();
  EXPECT_FALSE(Puzzle->IsRingRotating());
  // A release past a full turn is kept within one turn.
  Puzzle->RingMouseDown(World.Obj("Circle_01_03_le"), mbLeft);
  Game()->GetRings(1)->SetAngle(370);
  Puzzle->RingMouseUp(World.Obj("Circle_01_03_le"), mbLeft);
  EXPECT_FLOAT_EQ(Game()->GetRings(1)->Angle(), 10);
}

TEST_F(GearPuzzleTest, AClickedGearTurnsAndPassesItsFillingInwardsWhenInLine) {
  for (int R = 1; R < CPRingCount; ++R) {
    for (int G = 0; G < CPRingsCapacity[static_cast<size_t>(R)]; ++G) {
      for (int S = 0; S < CPSlotCount; ++S) {
        Gear(R, G)->SetFilled(S, false);
      }
    }
  }
  // Gear 0 of ring 2 stands in line with gear 0 of ring 1; its filling is a turn away from
  // facing inwards.
  TPGear* Outer = Gear(2, 0);
  Outer->SetFilled(0, true);
  Play(400);
  EXPECT_TRUE(Outer->Filled(0));
  ClickOn("Gear0200_03_le");
  EXPECT_FALSE(Outer->Idle());
  Play(400);
  EXPECT_FLOAT_EQ(Outer->Angle(), 90);
  EXPECT_FALSE(Outer->Filled(0));
  EXPECT_TRUE(Gear(1, 0)->Filled(Gear(1, 0)->FillingIdxTop()));
  // The emptied slot shows the filling fading out.
  EXPECT_TRUE(Outer->FillingsDisappear()[0]->Visible());
  EXPECT_FALSE(Outer->FillingsAppear()[0]->Visible());
}

TEST_F(GearPuzzleTest, TheFullInnerRingCompletesThePuzzleOnce) {
  for (int G = 0; G < 4; ++G) {
    for (int S = 0; S < 4; ++S) {
      Gear(1, G)->SetFilled(S, true);
    }
  }
  Play(20);
  EXPECT_TRUE(Puzzle->Completed());
  EXPECT_TRUE(Solved());
  TGameObject* Hot = World.Obj("GearHot_03_le");
  EXPECT_EQ(Gear(1, 2)->GameObject()->GfxURL(), Hot->GfxURL());
  EXPECT_FLOAT_EQ(Gear(1, 2)->Angle(), 0);
  // Not reported again.
  L->SetAttr("GearsSolved", false);
  Play(200);
  Puzzle->PuzzleComplete();
  EXPECT_FALSE(Solved());
}

} // namespace
