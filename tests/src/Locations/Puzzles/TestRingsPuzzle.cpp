// The stone-rings puzzle over the demo's temple wall, in the play screen: Init's random turns,
// dragging a ring round its centre with the mouse, the release kept within one turn, the lock
// near upright, the completion once all four are locked, and the forced completion.
#include "GameScreenTest.h"

#include "Locations/Puzzles/URingsPuzzle.h"
#include "audio/UGAudio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr float Pi = std::numbers::pi_v<float>;

class RingsPuzzleTest : public GameScreenTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    StartIn("StoneRings.loc", "StoneRings");
    if (HasFatalFailure()) {
      return;
    }
    Puzzle = dynamic_cast<TAlexandria_02_rings*>(L);
    ASSERT_TRUE(Puzzle);
    // The first visit's opening passes as a player lets it.
    PlayArrival();
  }
  TGameObject* Ring(int I) const { return Puzzle->Circle(I); }
  static TGFlatVector Centre(const TGameObject* Obj) {
    return {Obj->Left() + Obj->Width() / 2, Obj->Top() + Obj->Height() / 2};
  }
  // A point of the ring at the distance from its centre, in a direction of the screen.
  static TGPoint On(const TGameObject* Obj, float Radius, float Deg) {
    const TGFlatVector C = Centre(Obj);
    return {static_cast<int>(std::lround(C.X + Radius * std::cos(Deg * Pi / 180))),
            static_cast<int>(std::lround(C.Y + Radius * std::sin(Deg * Pi / 180)))};
  }
  void MoveTo(TGPoint P) {
    Host.Mouse = P;
    Play(20);
  }
  void Press(TGPoint P) {
    MoveTo(P);
    Screen->MouseDown(mbLeft);
  }
  // Turns ring 0 (the outermost) so that a drag from the right of it by Turn degrees ends at
  // the angle wanted.
  void DragOuterTo(float Wanted) {
    TGameObject* R = Ring(0);
    const float Start = R->Angle();
    Press(On(R, 180, 0));
    ASSERT_EQ(Puzzle->RotatingRing(), R);
    MoveTo(On(R, 180, Wanted - Start));
  }
  bool Solved() const { return L->GetAttr("RingsSolved").ToBoolean(); }

  TAlexandria_02_rings* Puzzle = nullptr;
};

TEST_F(RingsPuzzleTest, InitTurnsEveryRingAtRandomAboutItsCentreWhereTheSceneHasIt) {
  EXPECT_EQ(Ring(0)->ID(), "Circle_04_06_gs");
  EXPECT_EQ(Ring(3)->ID(), "Circle_01_06_gs");
  for (int I = 0; I < 4; ++I) {
    EXPECT_TRUE(Ring(I)->AllowMouse());
    EXPECT_FLOAT_EQ(Ring(I)->PivotX(), 0.5f);
    EXPECT_GE(Ring(I)->Angle(), 0);
    EXPECT_LT(Ring(I)->Angle(), 360);
    EXPECT_NEAR(Centre(Ring(I)).X, 400, 0.01);
    EXPECT_NEAR(Centre(Ring(I)).Y, 240, 0.01);
  }
  // Again over the same objects (a later visit): the rings stay where they are.
  Puzzle->Init();
  EXPECT_NEAR(Centre(Ring(2)).X, 400, 0.01);
  EXPECT_FALSE(Puzzle->IsCompleted());
}

TEST_F(RingsPuzzleTest, ARingFollowsThePointerRoundItsCentreAndIsKeptInOneTurn) {
  TGameObject* R = Ring(0);
  R->SetAngle(100);
  Press(On(R, 180, 0));
  EXPECT_TRUE(Puzzle->IsRingRotating());
  MoveTo(On(R, 180, 90));
  EXPECT_NEAR(R->Angle(), 190, 0.5);
  // The pointer on the centre itself has no direction: the ring stays.
  const TGFlatVector C = Centre(R);
  MoveTo({static_cast<int>(C.X), static_cast<int>(C.Y)});
  EXPECT_NEAR(R->Angle(), 190, 0.5);
  EXPECT_FALSE(std::isnan(R->Angle()));
  Screen->MouseUp(mbLeft);
  EXPECT_FALSE(Puzzle->IsRingRotating());
  EXPECT_EQ(Puzzle->RotatingSound(), nullptr);
  // Released at 363 degrees, stored as 3.
  Puzzle->RingMouseDown(R, mbLeft);
  R->SetAngle(363);
  Puzzle->RingMouseUp(R, mbLeft);
  EXPECT_FLOAT_EQ(R->Angle(), 3);
  EXPECT_TRUE(R->AllowMouse());
}

TEST_F(RingsPuzzleTest, ARingDraggedNearUprightLocksAndTakesTheMouseNoMore) {
  TGameObject* R = Ring(0);
  R->SetAngle(40);
  DragOuterTo(10);
  EXPECT_TRUE(R->AllowMouse());
  EXPECT_TRUE(Puzzle->IsRingRotating());
  MoveTo(On(R, 180, 4.5f - 40));
  EXPECT_FLOAT_EQ(R->Angle(), 0);
  EXPECT_FALSE(R->AllowMouse());
  EXPECT_FALSE(Puzzle->IsRingRotating());
  EXPECT_EQ(Puzzle->RotatingSound(), nullptr);
  // Moving on no longer turns it; a press on it is refused.
  MoveTo(On(R, 180, 90));
  EXPECT_FLOAT_EQ(R->Angle(), 0);
  Screen->MouseUp(mbLeft);
  Puzzle->RingMouseDown(R, mbLeft);
  EXPECT_FALSE(Puzzle->IsRingRotating());
  EXPECT_FALSE(Solved());
}

TEST_F(RingsPuzzleTest, AllFourLockedCompleteThePuzzleOnce) {
  for (int I = 0; I < 4; ++I) {
    Ring(I)->SetAngle(30);
  }
  // The outer ring by the mouse, the others as if they had been locked.
  DragOuterTo(2);
  EXPECT_FALSE(Ring(0)->AllowMouse());
  Screen->MouseUp(mbLeft);
  for (int I = 1; I < 3; ++I) {
    Ring(I)->SetAngle(0);
    Ring(I)->SetAllowMouse(false);
  }
  Play(40);
  EXPECT_FALSE(Solved());
  Ring(3)->SetAngle(0);
  Ring(3)->SetAllowMouse(false);
  Play(20);
  EXPECT_TRUE(Puzzle->IsCompleted());
  EXPECT_TRUE(Solved());
  L->SetAttr("RingsSolved", false);
  Play(200);
  EXPECT_FALSE(Solved());
}

TEST_F(RingsPuzzleTest, ForceCompletionKeepsTheRingsAsTheyStand) {
  Ring(1)->SetAngle(123);
  const float Left = Ring(1)->Left();
  const TGRectFloat Bounds = Ring(1)->BoundingRect();
  Press(On(Ring(0), 180, 0));
  Puzzle->ForceCompletion();
  EXPECT_FALSE(Puzzle->IsRingRotating());
  Play(20);
  EXPECT_TRUE(Solved());
  EXPECT_FLOAT_EQ(Ring(1)->Angle(), 123);
  EXPECT_FLOAT_EQ(Ring(1)->Left(), Left);
  EXPECT_FLOAT_EQ(Ring(1)->PivotX(), 0.5f);
  EXPECT_FLOAT_EQ(Ring(1)->BoundingRect().Left, Bounds.Left);
  EXPECT_FLOAT_EQ(Ring(1)->BoundingRect().Top, Bounds.Top);
}

TEST_F(RingsPuzzleTest, BeforeInitTheSceneIsOnlyPictures) {
  TGObjectPtr<TAlexandria_02_rings> Bare(New<TAlexandria_02_rings>(nullptr));
  Bare->Update(20);
  EXPECT_FALSE(Bare->IsCompleted());
  Bare->Init(); // no rings: a message, nothing built
  Bare->Update(20);
  EXPECT_FALSE(Bare->IsCompleted());
  EXPECT_EQ(Bare->Circle(0), nullptr);
}

} // namespace
