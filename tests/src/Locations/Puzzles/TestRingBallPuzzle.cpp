// The ring-and-ball puzzle on the demo's old sundial, in the play screen: the fresh dial, balls
// rolling into grooves and sockets, the wrong socket, the score, turning a ring with the mouse,
// the saved state and damaged saves, the completion, and a whole game played by ring turns.
#include "GameScreenTest.h"

#include "Locations/Puzzles/URingBallPuzzle.h"
#include "audio/UGAudio.h"
#include "flow/UCommonGameState.h"
#include "objects/UGameObjectCollection.h"
#include "platform/UAudioMixer.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace RingBall;

namespace {

constexpr float CRad = static_cast<float>(std::numbers::pi / 180);

// The direction of a point from the centre as the puzzle's sockets measure it: degrees
// counter-clockwise on the screen, 0 to the right.
float Ccw(const TGFlatVector& Center, const TGFlatVector& P) {
  const float A = std::atan2(Center.Y - P.Y, P.X - Center.X) / CRad;
  return A < 0 ? A + 360 : A;
}

// The signed smallest turn from one direction to another, in degrees.
float TurnBetween(float From, float To) {
  float D = std::fmod(To - From, 360.0f);
  if (D > 180) {
    D -= 360;
  }
  if (D < -180) {
    D += 360;
  }
  return D;
}

class RingBallTest : public GameScreenTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    StartIn("Sundial.loc", "Sundial");
    if (HasFatalFailure()) {
      return;
    }
    Puzzle = dynamic_cast<TAlaska_07_puzzle*>(L);
    ASSERT_TRUE(Puzzle);
    ASSERT_TRUE(Puzzle->Initialized());
    ASSERT_EQ(Puzzle->Rings().size(), 5u);
    // The chapter's opening on black and the welcome line pass first.
    PlayArrival();
    KeepColumnsClear();
  }

  TGFlatVector BallCenter(int B) const {
    return RectCenter(Puzzle->Balls()[B].Obj->BoundingRect());
  }
  float GrooveCcw(int R, int G) const {
    return Ccw(Puzzle->Center(), Puzzle->Rings()[R].Grooves[G].Center);
  }
  // Turns a ring so that the groove points at the direction (counter-clockwise degrees); a turn
  // counter-clockwise on the screen is a negative turn of the puzzle's rotation.
  void PointGroove(int R, int G, float Direction) {
    Puzzle->RotateRing(Puzzle->Ring(R), Puzzle->Center(), -TurnBetween(GrooveCcw(R, G), Direction));
  }
  // A landing light plays on the main channel; the rings take the mouse again after it.
  void WaitForPlay() {
    auto Playing = [&] {
      return L->MC()->GetCount() == 1 && TryObjectCast<TCommonGameState>(L->MC()->Peek());
    };
    for (int T = 0; T < 5000 && !Playing(); T += 20) {
      Play(20);
    }
    ASSERT_TRUE(Playing());
  }
  // The outer ring turned so that no groove faces a column: no ball falls in by chance.
  void KeepColumnsClear() {
    for (int Step = 0; Step < 360; ++Step) {
      bool Clear = true;
      for (int G = 0; G < CGrooveCount[4]; ++G) {
        for (int B = 0; B < CBallCount; ++B) {
          Clear = Clear &&
                  std::fabs(TurnBetween(GrooveCcw(4, G), Ccw(Puzzle->Center(), BallCenter(B)))) > 6;
        }
      }
      if (Clear) {
        return;
      }
      Puzzle->RotateRing(Puzzle->Ring(4), Puzzle->Center(), 1);
    }
    FAIL() << "the outer ring always faces a column";
  }
  void SettleBalls() {
    for (int T = 0; T < 3000 && Puzzle->AnyBallMoving(); T += 20) {
      Play(20);
    }
    ASSERT_FALSE(Puzzle->AnyBallMoving());
  }
  // Puts the column's ball into a groove and lets it roll there.
  void BallIntoGroove(int Column, int R, int G) {
    Puzzle->MoveBallFromColumnToRing(Column, R, G);
    SettleBalls();
  }
  // Every groove of the ring pointing well away from the direction.
  void TurnAwayFrom(int R, float Direction) {
    for (int Step = 0; Step < 60; ++Step) {
      bool Clear = true;
      for (int G = 0; G < static_cast<int>(Puzzle->Rings()[R].Grooves.size()); ++G) {
        Clear = Clear && std::fabs(TurnBetween(GrooveCcw(R, G), Direction)) > 12;
      }
      if (Clear) {
        return;
      }
      Puzzle->RotateRing(Puzzle->Ring(R), Puzzle->Center(), 7);
    }
    FAIL() << "ring " << R << " cannot be turned away";
  }

  // A point of the ring's stone where the location finds the ring under the mouse.
  TGFlatVector PointOnRing(int R, float& Direction) {
    TGameObject* Obj = Puzzle->Rings()[R].Obj;
    const TGFlatVector C = Puzzle->Center();
    const float Radius = std::hypot(Puzzle->Rings()[R].Grooves[0].Center.X - C.X,
                                    Puzzle->Rings()[R].Grooves[0].Center.Y - C.Y);
    for (int K = 0; K < 72; ++K) {
      Direction = static_cast<float>(K * 5 + 2);
      TGFlatVector P{std::round(C.X + Radius * std::cos(Direction * CRad)),
                     std::round(C.Y - Radius * std::sin(Direction * CRad))};
      if (L->ObjectAt(P) == Obj && Screen->GetDispositionAt(P) == pdtLocation) {
        return P;
      }
    }
    ADD_FAILURE() << "ring " << R << " cannot be reached with the mouse";
    return C;
  }
  void MouseTo(const TGFlatVector& P) {
    Host.Mouse = {static_cast<int>(std::lround(P.X)), static_cast<int>(std::lround(P.Y))};
  }
  // A player's drag: press on the ring, carry the pointer round the centre by the turn
  // (counter-clockwise degrees) in small steps, let go.
  void DragRing(int R, float Turn) {
    WaitForPlay();
    float Direction = 0;
    const TGFlatVector Start = PointOnRing(R, Direction);
    const TGFlatVector C = Puzzle->Center();
    const float Radius = 200;
    MouseTo(Start);
    Play(20);
    Screen->MouseDown(mbLeft);
    ASSERT_EQ(Puzzle->State(), psRotating) << "ring " << R;
    const int Steps = std::max(1, static_cast<int>(std::ceil(std::fabs(Turn) / 10)));
    for (int S = 1; S <= Steps; ++S) {
      const float A = (Direction + Turn * S / Steps) * CRad;
      MouseTo({C.X + Radius * std::cos(A), C.Y - Radius * std::sin(A)});
      Play(20);
    }
    Screen->MouseUp(mbLeft);
    Play(20);
  }

  TAlaska_07_puzzle* Puzzle = nullptr;
};

} // namespace

TEST_F(RingBallTest, AFreshDialHasEveryBallInItsColumnAndTheRingsCentredAndTurned) {
  EXPECT_TRUE(Puzzle->IsPuzzleLocation());
  EXPECT_EQ(Puzzle->State(), psNone);
  EXPECT_EQ(Puzzle->Goal()->GetGoal(100), "$#GOAL#Remove the balls and retrieve the Seal Plate.$");
  // The centre of the inner ring as the file places it.
  EXPECT_FLOAT_EQ(Puzzle->Center().X, 400);
  EXPECT_FLOAT_EQ(Puzzle->Center().Y, 250);
  for (int I = 0; I < CBallCount; ++I) {
    EXPECT_EQ(Puzzle->Columns()[I].BallIdx, I);
    EXPECT_TRUE(Puzzle->Targets()[I].Empty());
    EXPECT_FALSE(Puzzle->Balls()[I].Moving());
    EXPECT_FLOAT_EQ(Puzzle->Targets()[I].AngleFrom, CTargetAngles[I][0]);
  }
  for (int R = 0; R < CRingCount; ++R) {
    const TRing& Ring = Puzzle->Rings()[R];
    ASSERT_EQ(static_cast<int>(Ring.Grooves.size()), CGrooveCount[R]);
    // Turned by a whole number of degrees about the common centre: the picture's middle stays
    // on it and each groove keeps its distance.
    const float Angle = Ring.Obj->Angle();
    EXPECT_GE(Angle, 0);
    EXPECT_LT(Angle, 360);
    EXPECT_NEAR(Angle, std::round(Angle), 1e-3);
    const TGFlatVector Middle{Ring.Obj->Left() + Ring.Obj->Width() / 2 * std::cos(Angle * CRad) -
                                  Ring.Obj->Height() / 2 * std::sin(Angle * CRad),
                              Ring.Obj->Top() + Ring.Obj->Width() / 2 * std::sin(Angle * CRad) +
                                  Ring.Obj->Height() / 2 * std::cos(Angle * CRad)};
    EXPECT_NEAR(Middle.X, 400, 0.01) << R;
    EXPECT_NEAR(Middle.Y, 250, 0.01) << R;
    for (int G = 0; G < CGrooveCount[R]; ++G) {
      EXPECT_TRUE(Ring.Grooves[G].Empty());
      const TGFlatVector Unturned{400 - Ring.Obj->Width() / 2 + CGroovePosition[R][G].X,
                                  250 - Ring.Obj->Height() / 2 + CGroovePosition[R][G].Y};
      EXPECT_NEAR(std::hypot(Ring.Grooves[G].Center.X - 400, Ring.Grooves[G].Center.Y - 250),
                  std::hypot(Unturned.X - 400, Unturned.Y - 250), 0.01);
    }
  }
}

TEST_F(RingBallTest, ABallFourDegreesOffAGrooveRollsInAndFourAndAHalfStays) {
  const float Column = Ccw(Puzzle->Center(), BallCenter(2));
  for (int R = 3; R >= 0; --R) {
    TurnAwayFrom(R, Column);
  }
  PointGroove(4, 0, Column + 4.5f);
  ASSERT_NEAR(Puzzle->CalcAngle(Puzzle->Balls()[2], Puzzle->Rings()[4].Grooves[0]), 4.5f, 0.01);
  Puzzle->ProcessBalls();
  EXPECT_EQ(Puzzle->Columns()[2].BallIdx, 2);
  EXPECT_TRUE(Puzzle->Rings()[4].Grooves[0].Empty());

  PointGroove(4, 0, Column + 4);
  Puzzle->ProcessBalls();
  EXPECT_EQ(Puzzle->Columns()[2].BallIdx, -1);
  EXPECT_EQ(Puzzle->Rings()[4].Grooves[0].BallIdx, 2);
  SettleBalls();
  EXPECT_NEAR(BallCenter(2).X, Puzzle->Rings()[4].Grooves[0].Center.X, 0.01);
  EXPECT_NEAR(BallCenter(2).Y, Puzzle->Rings()[4].Grooves[0].Center.Y, 0.01);
  // A turn carries the ball in its groove.
  Puzzle->RotateRing(Puzzle->Ring(4), Puzzle->Center(), 30);
  EXPECT_NEAR(BallCenter(2).X, Puzzle->Rings()[4].Grooves[0].Center.X, 0.01);
}

TEST_F(RingBallTest, AnInnerBallDropsIntoTheSocketWhoseWidenedWindowItFaces) {
  BallIntoGroove(0, 0, 0);
  PointGroove(0, 0, 11);
  Puzzle->ProcessBalls();
  EXPECT_EQ(Puzzle->Rings()[0].Grooves[0].BallIdx, 0); // in no window
  EXPECT_TRUE(Puzzle->Targets()[0].Empty());

  const int32_t Score = Player->Score();
  PointGroove(0, 0, 13); // the window 17-40 widened to 12-45
  EXPECT_NEAR(Puzzle->Balls()[0].CalcAnglePos(Puzzle->Center()), 13, 0.01);
  Puzzle->ProcessBalls();
  EXPECT_TRUE(Puzzle->Rings()[0].Grooves[0].Empty());
  EXPECT_EQ(Puzzle->Targets()[0].BallIdx, 0);
  EXPECT_TRUE(Puzzle->Balls()[0].InTarget);
  EXPECT_EQ(Player->Score(), Score + 1000);
  SettleBalls();
  const TGFlatVector Socket = RectCenter(Puzzle->Targets()[0].Obj->BoundingRect());
  EXPECT_NEAR(BallCenter(0).X, Socket.X, 0.01);
  EXPECT_NEAR(BallCenter(0).Y, Socket.Y, 0.01);
  // Its landing light plays.
  Play(60);
  EXPECT_TRUE(L->ActiveAnimation("Ball01"));
}

TEST_F(RingBallTest, ABallInAnotherBallsSocketRollsBackToItsOwnColumnWithoutScore) {
  const TGFlatVector Home{Puzzle->Balls()[2].Obj->Left(), Puzzle->Balls()[2].Obj->Top()};
  BallIntoGroove(2, 0, 1);
  PointGroove(0, 1, 28);
  const int32_t Score = Player->Score();
  Puzzle->ProcessBalls();
  EXPECT_EQ(Puzzle->Targets()[0].BallIdx, 2); // held while it rolls in
  EXPECT_TRUE(Puzzle->Balls()[2].BackToColumn);
  EXPECT_FALSE(Puzzle->GetPuzzleComplete());
  Play(320);
  EXPECT_TRUE(Puzzle->Targets()[0].Empty());
  EXPECT_EQ(Puzzle->Columns()[2].BallIdx, 2);
  EXPECT_FALSE(Puzzle->Balls()[2].BackToColumn);
  SettleBalls();
  EXPECT_FLOAT_EQ(Puzzle->Balls()[2].Obj->Left(), Home.X);
  EXPECT_FLOAT_EQ(Puzzle->Balls()[2].Obj->Top(), Home.Y);
  EXPECT_EQ(Player->Score(), Score);
}

TEST_F(RingBallTest, TwoBallsHomeInOneReleaseScoreFourThousand) {
  // Grooves 1 and 0 of the inner ring lie 109 degrees apart: with groove 1 at 30 degrees,
  // groove 0 faces the second socket (142-157 widened).
  BallIntoGroove(0, 0, 1);
  BallIntoGroove(1, 0, 0);
  PointGroove(0, 1, 30);
  const int32_t Score = Player->Score();
  Puzzle->ProcessBalls();
  EXPECT_EQ(Puzzle->Targets()[0].BallIdx, 0);
  EXPECT_EQ(Puzzle->Targets()[1].BallIdx, 1);
  EXPECT_EQ(Player->Score(), Score + 4000);
}

TEST_F(RingBallTest, TheRingFollowsThePointerOnlyWhileNoBallRolls) {
  for (int R = 0; R < CRingCount; ++R) {
    TurnAwayFrom(R, Ccw(Puzzle->Center(), BallCenter(0)));
  }
  float Direction = 0;
  const TGFlatVector Start = PointOnRing(2, Direction);
  MouseTo(Start);
  Play(20);
  Screen->MouseDown(mbLeft);
  ASSERT_EQ(Puzzle->State(), psRotating);
  const float Before = Puzzle->Rings()[2].Obj->Angle();
  // A ball on its way: the ring stands still whatever the pointer does.
  Puzzle->MoveBallFromColumnToRing(0, 4, 0);
  const float A = (Direction + 40) * CRad;
  MouseTo({400 + 150 * std::cos(A), 250 - 150 * std::sin(A)});
  Play(100);
  EXPECT_FLOAT_EQ(Puzzle->Rings()[2].Obj->Angle(), Before);
  // Once it has stopped, the ring catches up with the pointer.
  SettleBalls();
  Play(20);
  const float Pointer = Ccw(Puzzle->Center(), FlatVec(TGPoint{Host.Mouse.X, Host.Mouse.Y}));
  EXPECT_NEAR(
      TurnBetween(Before - Puzzle->Rings()[2].Obj->Angle(), TurnBetween(Direction, Pointer)), 0,
      1.0);
  Screen->MouseUp(mbLeft);
  EXPECT_EQ(Puzzle->State(), psNone);
}

TEST_F(RingBallTest, AReleaseWithoutMovingStillLetsTheBallsFall) {
  const float Column = Ccw(Puzzle->Center(), BallCenter(3));
  TurnAwayFrom(3, Column);
  PointGroove(4, 1, Column);
  float Direction = 0;
  MouseTo(PointOnRing(1, Direction));
  Play(20);
  Screen->MouseDown(mbLeft);
  Play(60);
  Screen->MouseUp(mbLeft);
  EXPECT_EQ(Puzzle->Rings()[4].Grooves[1].BallIdx, 3);
}

TEST_F(RingBallTest, TheGrindingSoundRunsOnlyWhileARingIsHeld) {
  TGObjectPtr<TGAudioDevice> Device(new TGAudioDevice(nullptr, TMixOutput::Buffer));
  float Direction = 0;
  MouseTo(PointOnRing(3, Direction));
  Play(20);
  Screen->MouseDown(mbLeft);
  ASSERT_TRUE(Puzzle->RotatingSfx());
  EXPECT_TRUE(Puzzle->RotatingSfx()->Paused());
  const float A = (Direction + 20) * CRad;
  MouseTo({400 + 150 * std::cos(A), 250 - 150 * std::sin(A)});
  Play(20);
  ASSERT_TRUE(Puzzle->RotatingSfx());
  EXPECT_FALSE(Puzzle->RotatingSfx()->Paused());
  // Half a second of grace once the pointer stands still, then the stone falls silent.
  Play(700);
  ASSERT_TRUE(Puzzle->RotatingSfx());
  EXPECT_TRUE(Puzzle->RotatingSfx()->Paused());
  Screen->MouseUp(mbLeft);
  EXPECT_EQ(Puzzle->RotatingSfx(), nullptr);
  // The screen and its sounds go before the device.
  Screen.reset();
}

// A release the main channel keeps from the ring (a landing light plays there) still ends the
// drag, and so does leaving the location: no ring follows a pointer with no button held.
TEST_F(RingBallTest, EveryReleaseAndLeavingTheDialEndTheDrag) {
  float Direction = 0;
  MouseTo(PointOnRing(2, Direction));
  Play(20);
  Screen->MouseDown(mbLeft);
  ASSERT_EQ(Puzzle->State(), psRotating);
  L->MC()->AddLocAnimation("Ball03");
  Play(40);
  ASSERT_FALSE(TryObjectCast<TCommonGameState>(L->MC()->Peek()));
  Screen->MouseUp(mbLeft);
  EXPECT_EQ(Puzzle->State(), psNone);

  WaitForPlay();
  Screen->MouseDown(mbLeft);
  ASSERT_EQ(Puzzle->State(), psRotating);
  Puzzle->Deactivate();
  EXPECT_EQ(Puzzle->State(), psNone);
  EXPECT_EQ(Puzzle->RotatingSfx(), nullptr);
}

// --- Saving ------------------------------------------------------------------------------------

namespace {

// A location made again from a saved element, with its objects its own (the game's collector
// already lists the playing location's objects under the same names).
TGObjectPtr<TAlaska_07_puzzle> Reloaded(const TGXMLNode* Saved) {
  TGObjectPtr<TAlaska_07_puzzle> Copy(New<TAlaska_07_puzzle>(nullptr));
  TGameObjectCollection* Collector = GameObjectCollector;
  GameObjectCollector = nullptr;
  Copy->LoadFromXML(nullptr, Saved);
  GameObjectCollector = Collector;
  Copy->Initialize();
  return Copy;
}

TGXMLNode* ProfileData(TGXMLNode* Saved) {
  return Saved->GetChilds("ProfileData")->GetItem(0);
}

} // namespace

TEST_F(RingBallTest, ASavedDialComesBackWithTheSameBallsAndGroovesAndNoTurning) {
  BallIntoGroove(0, 0, 0);
  PointGroove(0, 0, 28);
  Puzzle->ProcessBalls();
  BallIntoGroove(3, 2, 4);
  BallIntoGroove(5, 4, 1);
  SettleBalls();
  TGObjectPtr<TGXMLNode> Saved(Puzzle->SaveToXML());
  ASSERT_EQ(Saved->GetChilds("ProfileData")->GetCount(), 1);
  TGXMLNode* Data = ProfileData(Saved.get());
  EXPECT_EQ(Data->GetChilds("ColumnBalls")->GetCount(), 6);
  EXPECT_EQ(Data->GetChilds("GrooveBalls")->GetCount(), 24);
  EXPECT_EQ(Data->GetChilds("TargetBalls")->GetCount(), 6);
  // The state is the last attribute written.
  EXPECT_EQ(Data->GetAttribute(Data->AttributeCount() - 1).Name(), "State");

  TGObjectPtr<TAlaska_07_puzzle> Copy = Reloaded(Saved.get());
  ASSERT_EQ(Copy->Rings().size(), 5u);
  EXPECT_EQ(Copy->Center(), Puzzle->Center());
  for (int I = 0; I < CBallCount; ++I) {
    EXPECT_EQ(Copy->Columns()[I].BallIdx, Puzzle->Columns()[I].BallIdx) << I;
    EXPECT_EQ(Copy->Targets()[I].BallIdx, Puzzle->Targets()[I].BallIdx) << I;
    EXPECT_EQ(Copy->Balls()[I].InitPos, Puzzle->Balls()[I].InitPos) << I;
  }
  for (int R = 0; R < CRingCount; ++R) {
    EXPECT_FLOAT_EQ(Copy->Rings()[R].Obj->Angle(), Puzzle->Rings()[R].Obj->Angle());
    for (int G = 0; G < CGrooveCount[R]; ++G) {
      EXPECT_EQ(Copy->Rings()[R].Grooves[G].BallIdx, Puzzle->Rings()[R].Grooves[G].BallIdx);
      EXPECT_NEAR(Copy->Rings()[R].Grooves[G].Center.X, Puzzle->Rings()[R].Grooves[G].Center.X,
                  1e-3);
      EXPECT_NEAR(Copy->Rings()[R].Grooves[G].Center.Y, Puzzle->Rings()[R].Grooves[G].Center.Y,
                  1e-3);
    }
  }
}

// A save taken mid-drag holds the idle state; a ball rolling back from a wrong socket is saved
// home in its column (with its column's place), and a ball caught mid-roll stands where the
// model holds it.
TEST_F(RingBallTest, ASaveTakenWhileThingsMoveHoldsTheStateTheyComeToRest) {
  BallIntoGroove(2, 0, 1);
  PointGroove(0, 1, 28);
  Puzzle->ProcessBalls(); // ball 2 rolls into socket 0, on its way home
  BallIntoGroove(4, 3, 0);
  Puzzle->MoveBallFromColumnToRing(5, 4, 2);
  Play(100); // ball 5 is half-way
  float Direction = 0;
  MouseTo(PointOnRing(1, Direction));
  Play(20);
  Screen->MouseDown(mbLeft);
  ASSERT_EQ(Puzzle->State(), psRotating);
  TGObjectPtr<TGXMLNode> Saved(Puzzle->SaveToXML());
  Screen->MouseUp(mbLeft);
  TGXMLNode* Data = ProfileData(Saved.get());
  EXPECT_EQ(Data->GetIntAttr("State"), psNone);
  EXPECT_EQ(Data->GetChilds("TargetBalls")->GetItem(0)->GetIntAttr("BallIdx"), -1);
  EXPECT_EQ(Data->GetChilds("ColumnBalls")->GetItem(2)->GetIntAttr("BallIdx"), 2);

  TGObjectPtr<TAlaska_07_puzzle> Copy = Reloaded(Saved.get());
  EXPECT_EQ(Copy->State(), psNone);
  EXPECT_EQ(Copy->Columns()[2].BallIdx, 2);
  EXPECT_TRUE(Copy->Targets()[0].Empty());
  const TBall& Home = Copy->Balls()[2];
  EXPECT_EQ(Home.InitPos, Puzzle->Balls()[2].InitPos);
  EXPECT_FLOAT_EQ(Home.Obj->Left(), Home.InitPos.X);
  const TBall& Rolling = Copy->Balls()[5];
  EXPECT_EQ(Copy->Rings()[4].Grooves[2].BallIdx, 5);
  EXPECT_NEAR(RectCenter(Rolling.Obj->BoundingRect()).X, Copy->Rings()[4].Grooves[2].Center.X,
              0.01);
}

TEST_F(RingBallTest, ADamagedSaveStartsTheDialAfresh) {
  BallIntoGroove(1, 2, 0);
  auto Damaged = [&](auto Damage) {
    TGObjectPtr<TGXMLNode> Saved(Puzzle->SaveToXML());
    Damage(ProfileData(Saved.get()));
    TGObjectPtr<TAlaska_07_puzzle> Copy = Reloaded(Saved.get());
    EXPECT_EQ(Copy->State(), psNone);
    for (int I = 0; I < CBallCount; ++I) {
      EXPECT_EQ(Copy->Columns()[I].BallIdx, I);
      EXPECT_TRUE(Copy->Targets()[I].Empty());
      // Back in its column, the one the damaged save still told.
      EXPECT_EQ(Copy->Balls()[I].InitPos, Puzzle->Balls()[I].InitPos);
      EXPECT_FLOAT_EQ(Copy->Balls()[I].Obj->Left(), Puzzle->Balls()[I].InitPos.X);
    }
    for (const TRing& Ring : Copy->Rings()) {
      for (const TGroove& Groove : Ring.Grooves) {
        EXPECT_TRUE(Groove.Empty());
      }
    }
  };
  // A groove too few.
  Damaged([](TGXMLNode* D) {
    TGXMLCollection* G = D->GetChilds("GrooveBalls");
    G->GetItem(G->GetCount() - 1)->Free();
  });
  // A ball index out of range.
  Damaged([](TGXMLNode* D) { D->GetChilds("TargetBalls")->GetItem(3)->SetIntAttr("BallIdx", 6); });
  // A ball in two places.
  Damaged([](TGXMLNode* D) { D->GetChilds("TargetBalls")->GetItem(5)->SetIntAttr("BallIdx", 1); });
  // A ball nowhere (ball 1 is in the first groove of the third ring, the fourteenth).
  Damaged(
      [](TGXMLNode* D) { D->GetChilds("GrooveBalls")->GetItem(13)->SetIntAttr("BallIdx", -1); });
  // A column holding another ball.
  Damaged([](TGXMLNode* D) { D->GetChilds("ColumnBalls")->GetItem(0)->SetIntAttr("BallIdx", 3); });
  // A missing attribute, a state out of range.
  Damaged([](TGXMLNode* D) { D->GetChilds("GrooveBalls")->GetItem(0)->Clear(); });
  Damaged([](TGXMLNode* D) { D->SetIntAttr("State", 7); });
}

// --- Completion --------------------------------------------------------------------------------

TEST_F(RingBallTest, SolvingLocksTheRingsFreesTheSealPlateAndPlaysTheFinishOnce) {
  TGameObject* Plate = GameObjectCollector->GetByIDReadOnly("Circle_01_07_p");
  ASSERT_TRUE(Plate);
  EXPECT_TRUE(Plate->IsHidden());
  Puzzle->SolvePuzzle();
  Play(20);
  EXPECT_EQ(Puzzle->State(), psComplete);
  EXPECT_FALSE(Plate->IsHidden());
  for (const TRing& Ring : Puzzle->Rings()) {
    EXPECT_FALSE(Ring.Obj->AllowMouse());
  }
  int Finishes = L->ActiveAnimation("fin") ? 1 : 0;
  for (int T = 0; T < 3000; T += 20) {
    Play(20);
    if (!L->MC()->Empty() && L->ActiveAnimation("fin")) {
      Finishes = 1;
    }
  }
  EXPECT_EQ(Finishes, 1);
  EXPECT_EQ(L->ActiveAnimation("fin"), nullptr); // played and gone, not queued again
  // The rings no longer take the mouse: nothing turns.
  const float Angle = Puzzle->Rings()[2].Obj->Angle();
  Puzzle->OnRingDown(Puzzle->Rings()[2].Obj, mbLeft);
  EXPECT_EQ(Puzzle->State(), psComplete);
  Play(100);
  EXPECT_FLOAT_EQ(Puzzle->Rings()[2].Obj->Angle(), Angle);
  // The plate can be taken now.
  ClickOn("Circle_01_07_p");
  Play(2000);
  EXPECT_FALSE(InLocation("Circle_01_07_p"));
}

// A player's game: for each ball, the inner rings turned so that empty grooves face its socket,
// the outer ring turned to pick the ball from its column, then turned to carry it over them.
TEST_F(RingBallTest, TurningTheRingsBringsEveryBallHome) {
  auto EmptyGrooveOf = [&](int R) {
    for (int G = 0; G < CGrooveCount[R]; ++G) {
      if (Puzzle->Rings()[R].Grooves[G].Empty()) {
        return G;
      }
    }
    return -1;
  };
  auto HeldIn = [&](int R, int B) {
    for (int G = 0; G < CGrooveCount[R]; ++G) {
      if (Puzzle->Rings()[R].Grooves[G].BallIdx == B) {
        return G;
      }
    }
    return -1;
  };
  int32_t Score = Player->Score();
  for (int B = 0; B < CBallCount; ++B) {
    const float Socket = (CTargetAngles[B][0] + CTargetAngles[B][1]) / 2;
    // A ball may have rolled in along with an earlier one: it is carried on from where it is.
    for (int Round = 0; Round < 3 && Puzzle->Targets()[B].Empty(); ++Round) {
      int K = CRingCount;
      while (K > 0 && HeldIn(K - 1, B) < 0) {
        --K;
      }
      K = K == 0 ? CRingCount : K - 1; // the ring holding the ball, or 5 in its column
      for (int R = 0; R < std::min(K, CRingCount - 1); ++R) {
        const int G = EmptyGrooveOf(R);
        ASSERT_GE(G, 0);
        DragRing(R, TurnBetween(GrooveCcw(R, G), Socket));
        SettleBalls();
      }
      if (K == CRingCount) {
        ASSERT_EQ(Puzzle->Columns()[B].BallIdx, B);
        const int G = EmptyGrooveOf(4);
        DragRing(4, TurnBetween(GrooveCcw(4, G), Ccw(Puzzle->Center(), BallCenter(B))));
        SettleBalls();
        continue;
      }
      DragRing(K, TurnBetween(GrooveCcw(K, HeldIn(K, B)), Socket));
      SettleBalls();
    }
    ASSERT_EQ(Puzzle->Targets()[B].BallIdx, B) << "ball " << B;
  }
  EXPECT_GE(Player->Score(), Score + 6000);
  Play(40);
  EXPECT_EQ(Puzzle->State(), psComplete);
}
