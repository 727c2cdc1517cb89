// The ring-and-ball puzzle: five concentric rings turned by dragging, six balls standing in six
// columns outside them and six target places at the centre. Releasing a ring lets every ball
// that lines up with an empty groove one ring further in roll into it, ring by ring, and a ball
// in the innermost ring that faces a target drops into it: its own target keeps it, another
// ball's target sends it back to its column. All six targets filled complete the puzzle: the
// rings lock, the reward can be taken and "fin" plays. Rings, balls and targets are objects of
// the location file that the class moves; the logical state is saved with the profile.
#pragma once

#include "locations/USimpleLocation.h"
#include "math/UGMathTypes.h"

#include <cstdint>
#include <vector>

class TGAudioState;
class TGXMLNode;

namespace RingBall {

enum TPuzzleState : uint8_t {
  psNone = 0,
  psRotating = 1,
  psComplete = 2,
};

struct TLine {
  TGFlatVector P1{};
  TGFlatVector P2{};

  static TLine Create(const TGFlatVector& AP1, const TGFlatVector& AP2) { return {AP1, AP2}; }
  float DotProduct(const TLine& Other) const;
  float Length() const;
  // The unsigned angle between the lines, 0 to 180 degrees (0 when either has no length).
  float CalcAngle(const TLine& Other) const;
};

struct TGroove {
  TGFlatVector Center{};
  int32_t BallIdx = -1;
  bool Empty() const { return BallIdx == -1; }
};

struct TRing {
  TGameObject* Obj = nullptr;
  std::vector<TGroove> Grooves;
};

struct TBall {
  TGameObject* Obj = nullptr;
  TGFlatVector MoveFromLT{};
  TGFlatVector MoveToLT{};
  int32_t TotalTime = 0;
  int32_t ElapsedTime = 0;
  TGFlatVector Delta{};
  bool InTarget = false;
  bool BackToColumn = false;
  int32_t WrongTargetIdx = -1;
  TGFlatVector InitPos{};

  // The direction of the ball's centre from the centre, counter-clockwise on the screen from
  // 0 to 360 degrees, 90 straight above.
  float CalcAnglePos(const TGFlatVector& Center) const;
  void MoveTo(const TGFlatVector& Dest, int32_t Time);
  bool Moving() const { return ElapsedTime < TotalTime; }
  // The top-left that puts the ball's centre on the point.
  TGFlatVector LeftTopFor(const TGFlatVector& Center) const;
};

struct TTarget {
  TGameObject* Obj = nullptr;
  int32_t BallIdx = -1;
  float AngleFrom = 0;
  float AngleTo = 0;
  bool Empty() const { return BallIdx == -1; }
};

struct TColumn {
  int32_t BallIdx = -1;
};

struct TLast {
  TGFlatVector Pos{};
  float ATan = 0;
};

constexpr int CRingCount = 5;
constexpr int CBallCount = 6;
constexpr int CMaxGrooves = 7;
extern const int CGrooveCount[CRingCount];
extern const TGPoint CGroovePosition[CRingCount][CMaxGrooves];
extern const float CTargetAngles[CBallCount][2];
// Grooves over all rings (24).
int TotalGrooveCount();

} // namespace RingBall

class TAlaska_07_puzzle : public TLocationWithGoalAllItemsCollected {
  G_CLASS(TAlaska_07_puzzle, TLocationWithGoalAllItemsCollected)
  explicit TAlaska_07_puzzle(TGObject* AOwner = nullptr)
      : TLocationWithGoalAllItemsCollected(AOwner) {}

  void AfterConstruction() override;
  void Activate() override;
  void Deactivate() override;
  void Update(int32_t AInterval) override;
  void MouseUp(int Button) override;
  bool IsPuzzleLocation() const override { return true; }
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  void Initialize();
  void OnRingDown(TBaseGameObject* Sender, int Button);
  void OnRingUp(TBaseGameObject* Sender, int Button);
  void ProcessBalls();
  // True when some ball was moving at the start of the frame.
  bool UpdateBallsAni(int32_t AInterval);
  void RotateObj(TGameObject* Obj, const TGFlatVector& Center, float Degrees);
  void RotateRing(RingBall::TRing& Ring, const TGFlatVector& Center, float Degrees);
  float CalcAngle(const RingBall::TBall& Ball, const RingBall::TGroove& Groove) const;
  // The index in the rings, -1 for an object that is not a ring.
  int32_t ObjToRingIdx(TBaseGameObject* Obj) const;
  RingBall::TRing& CurrentRing() { return FRings[FCurrentRingIdx]; }
  RingBall::TBall* GetBall(const RingBall::TGroove& Groove);
  RingBall::TBall* GetBall(const RingBall::TColumn& Column);
  RingBall::TBall* GetBall(const RingBall::TTarget& Target);
  void MoveBallFromColumnToRing(int Column, int Ring, int Groove);
  void MoveBallFromRingRoRing(int Ring, int Groove, int Ring2, int Groove2);
  void MoveBallFromRingToTarget(int Ring, int Groove, int Target);
  void MoveBallFromRingToColumn(int Ring, int Groove, int Target);
  void LockRings();
  void SetState(RingBall::TPuzzleState Value);
  TGAudioState* EnsuredRotatingSfx();
  void SavePuzzleToXML(TGXMLNode* Node) const;
  bool GetPuzzleComplete() const;
  void SolvePuzzle();

  RingBall::TPuzzleState State() const { return FState; }
  bool Initialized() const { return FInitialized; }
  const TGFlatVector& Center() const { return FCenter; }
  const std::vector<RingBall::TRing>& Rings() const { return FRings; }
  RingBall::TRing& Ring(int Index) { return FRings.at(Index); }
  const std::vector<RingBall::TBall>& Balls() const { return FBalls; }
  const std::vector<RingBall::TTarget>& Targets() const { return FTargets; }
  const std::vector<RingBall::TColumn>& Columns() const { return FColumns; }
  TGAudioState* RotatingSfx() const { return FRotatingSfx; }
  bool AnyBallMoving() const;

  static void Publish(TGClassBuilder<TAlaska_07_puzzle>& B);

protected:
  void Destroy() override;

private:
  bool FindObjects();
  void CenterRings();
  void BuildRings();
  // The model of a fresh puzzle; the balls' homes are where they stand unless kept.
  void BuildBalls(bool KeepHomes);
  // The saved model, when it is whole and consistent; false (and nothing changed) otherwise.
  bool RestoreFromProfile(const TGXMLNode* Data);
  // Every ball's picture where the model holds it (a save may have caught it rolling).
  void PlaceBallsFromModel();
  void RotationStep(int32_t AInterval);
  // The ring let go: the balls fall.
  void EndDrag();
  void CheckCompletion();
  float MouseATan() const;
  TGFlatVector MousePosition() const;
  void ForgetRotatingSfx();
  void OnRotatingSfxDestroyed(TGObject* Sender);
  TGAudioState* StartRotatingSfx();
  int32_t StateOrdinal() const { return FState; }
  void SetStateOrdinal(int32_t Value);

  TGAudioState* FRotatingSfx = nullptr; // the device owns it
  float FRotatingSfxTimer = 0;
  bool FForcedComplete = false;
  TGXMLNode* FProfileNode = nullptr; // owned
  RingBall::TPuzzleState FState = RingBall::psNone;
  std::vector<RingBall::TRing> FRings;
  int32_t FCurrentRingIdx = 0;
  TGFlatVector FCenter{};
  std::vector<RingBall::TBall> FBalls;
  std::vector<RingBall::TTarget> FTargets;
  std::vector<RingBall::TColumn> FColumns;
  RingBall::TLast FLast;
  bool FInitialized = false;
  // The objects the puzzle found at its initialisation (all of them: it runs).
  bool FObjectsFound = false;
};
