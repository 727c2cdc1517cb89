#include "Locations/Puzzles/URingBallPuzzle.h"

#include "Locations/Puzzles/UPuzzleClasses.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGFormat.h"
#include "base/UGRandom.h"
#include "flow/UFlowChannel.h"
#include "locations/ULocationClassRegistry.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "widgets/UGWindowHost.h"
#include "xml/UGXMLNode.h"

#include <cmath>
#include <numbers>

G_IMPLEMENT_CLASS(TAlaska_07_puzzle)

using namespace RingBall;

namespace RingBall {

const int CGrooveCount[CRingCount] = {6, 7, 5, 3, 3};

const TGPoint CGroovePosition[CRingCount][CMaxGrooves] = {
    {{26, 52}, {164, 50}, {182, 99}, {160, 154}, {30, 155}, {10, 100}, {0, 0}},
    {{32, 60}, {118, 15}, {206, 60}, {220, 148}, {164, 215}, {74, 216}, {19, 154}},
    {{22, 98}, {109, 17}, {268, 144}, {223, 238}, {119, 267}, {0, 0}, {0, 0}},
    {{90, 32}, {309, 145}, {150, 310}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
    {{72, 55}, {344, 126}, {210, 351}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
};

const float CTargetAngles[CBallCount][2] = {{17, 40},   {142, 157}, {310, 332},
                                            {207, 227}, {346, 360}, {177, 192}};

int TotalGrooveCount() {
  int N = 0;
  for (int Count : CGrooveCount) {
    N += Count;
  }
  return N;
}

float TLine::DotProduct(const TLine& Other) const {
  const TGFlatVector A = P2 - P1;
  const TGFlatVector B = Other.P2 - Other.P1;
  return A.X * B.X + A.Y * B.Y;
}

float TLine::Length() const {
  const TGFlatVector A = P2 - P1;
  return std::sqrt(A.X * A.X + A.Y * A.Y);
}

float TLine::CalcAngle(const TLine& Other) const {
  const float Lengths = Length() * Other.Length();
  if (Lengths <= 0) {
    return 0;
  }
  // Rounding may carry the cosine a hair past 1.
  const float Cos = std::clamp(DotProduct(Other) / Lengths, -1.0f, 1.0f);
  return static_cast<float>(std::acos(Cos) * 180 / std::numbers::pi);
}

float TBall::CalcAnglePos(const TGFlatVector& Center) const {
  const TGFlatVector Pos = RectCenter(Obj->BoundingRect());
  const float A =
      TLine::Create(Center, Center + TGFlatVector{1, 0}).CalcAngle(TLine::Create(Center, Pos));
  return Pos.Y > Center.Y ? 360 - A : A;
}

void TBall::MoveTo(const TGFlatVector& Dest, int32_t Time) {
  MoveFromLT = {Obj->Left(), Obj->Top()};
  MoveToLT = Dest;
  TotalTime = Time;
  ElapsedTime = 0;
  Delta = (Dest - MoveFromLT) * (1.0f / static_cast<float>(Time));
}

TGFlatVector TBall::LeftTopFor(const TGFlatVector& Center) const {
  return {Center.X - Obj->Width() / 2, Center.Y - Obj->Height() / 2};
}

} // namespace RingBall

namespace {

constexpr int32_t CMoveTime = 300;
// Four degrees, with room for the rounding of turned positions.
constexpr float CGrooveTolerance = 4.001f;
constexpr float CTargetTolerance = 5;
constexpr int32_t CGoalLevel = 100;
const char* const CGoalText = "$#GOAL#Remove the balls and retrieve the Seal Plate.$";
const char* const CRotatingSfxURL = "Game\\01_Alaska\\StoneGrind.ogg";
const char* const CRewardID = "Circle_01_07_p";

std::string RingID(int I) {
  return Format("Ring_0%d_01_07_p", {I + 1});
}
std::string BallID(int I) {
  return Format("Ball_0%d_01_07_p", {I + 1});
}
std::string TargetID(int I) {
  return Format("PlaceForBall_0%d_01_07_p", {I + 1});
}

TGFlatVector RotatePoint(const TGFlatVector& P, const TGFlatVector& Center, float Degrees) {
  const double A = Degrees * std::numbers::pi / 180;
  const double Cos = std::cos(A);
  const double Sin = std::sin(A);
  const double DX = P.X - Center.X;
  const double DY = P.Y - Center.Y;
  return {static_cast<float>(Center.X + DX * Cos - DY * Sin),
          static_cast<float>(Center.Y + DX * Sin + DY * Cos)};
}

void PlaceObj(TGameObject* Obj, const TGFlatVector& LeftTop) {
  Obj->SetLeft(LeftTop.X);
  Obj->SetTop(LeftTop.Y);
}

// The middle of a ring's picture as it stands: the picture turns about its top-left corner, so
// this is the point the ring turns about when it turns about the common centre.
TGFlatVector RingMiddle(const TGameObject* Obj) {
  const TGFlatVector LT{Obj->Left(), Obj->Top()};
  return RotatePoint(LT + TGFlatVector{Obj->Width() / 2, Obj->Height() / 2}, LT, Obj->Angle());
}

// Reading a saved attribute that must be there and be a finite number.
bool ReadInt(const TGXMLNode* Node, const char* Name, int32_t& Value) {
  if (!Node->HasAttr(Name)) {
    return false;
  }
  try {
    Value = Node->GetIntAttr(Name);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool ReadFloat(const TGXMLNode* Node, const char* Name, float& Value) {
  if (!Node->HasAttr(Name)) {
    return false;
  }
  try {
    Value = Node->GetFloatAttr(Name);
  } catch (const std::exception&) {
    return false;
  }
  return std::isfinite(Value);
}

} // namespace

void RegisterRingBallClasses() {
  LocationClassRegistry().Add(TAlaska_07_puzzle::StaticClass());
}

void TAlaska_07_puzzle::Publish(TGClassBuilder<TAlaska_07_puzzle>& B) {
  using T = TAlaska_07_puzzle;
  B.Property("State", &T::StateOrdinal)
      .Property("PuzzleComplete", &T::GetPuzzleComplete)
      .Method("Initialize", &T::Initialize)
      .Method("OnRingDown", &T::OnRingDown, {"Obj", "Button"})
      .Method("OnRingUp", &T::OnRingUp, {"Obj", "Button"})
      .Method("ProcessBalls", &T::ProcessBalls)
      .Method("UpdateBallsAni", &T::UpdateBallsAni, {"AInterval"})
      .Method("ObjToRingIdx", &T::ObjToRingIdx, {"Obj"})
      .Method("MoveBallFromColumnToRing", &T::MoveBallFromColumnToRing,
              {"Column", "Ring", "Groove"})
      .Method("MoveBallFromRingRoRing", &T::MoveBallFromRingRoRing,
              {"Ring", "Groove", "Ring2", "Groove2"})
      .Method("MoveBallFromRingToTarget", &T::MoveBallFromRingToTarget,
              {"Ring", "Groove", "Target"})
      .Method("MoveBallFromRingToColumn", &T::MoveBallFromRingToColumn,
              {"Ring", "Groove", "Target"})
      .Method("LockRings", &T::LockRings)
      .Method("SetState", &T::SetStateOrdinal, {"State"})
      .Method("GetPuzzleComplete", &T::GetPuzzleComplete)
      .Method("SolvePuzzle", &T::SolvePuzzle);
}

void TAlaska_07_puzzle::AfterConstruction() {
  inherited::AfterConstruction();
  FInitialized = false;
  FForcedComplete = false;
}

void TAlaska_07_puzzle::Destroy() {
  ForgetRotatingSfx();
  if (TGXMLNode* Node = FProfileNode) {
    FProfileNode = nullptr;
    Node->Free();
  }
  inherited::Destroy();
}

void TAlaska_07_puzzle::Activate() {
  inherited::Activate();
  if (!FInitialized) {
    Initialize();
    FInitialized = true;
  }
}

// A drag cannot outlive the visit: the ring would follow the pointer with no button held when
// the player comes back, and the grinding would go on.
void TAlaska_07_puzzle::Deactivate() {
  if (FState == psRotating) {
    SetState(psNone);
  }
  inherited::Deactivate();
}

// --- Initialisation ----------------------------------------------------------------------------

bool TAlaska_07_puzzle::FindObjects() {
  FRings.assign(CRingCount, {});
  FBalls.assign(CBallCount, {});
  FTargets.assign(CBallCount, {});
  bool Found = true;
  auto Find = [&](const std::string& ID) {
    TGameObject* Obj = Objects()->GetByID(ID);
    if (!Obj) {
      ODS("Ring-and-ball puzzle %s: the object \"%s\" is missing; the puzzle does not run",
          this->ID, ID);
      Found = false;
    }
    return Obj;
  };
  for (int I = 0; I < CRingCount; ++I) {
    FRings[I].Obj = Find(RingID(I));
  }
  for (int I = 0; I < CBallCount; ++I) {
    FBalls[I].Obj = Find(BallID(I));
    FTargets[I].Obj = Find(TargetID(I));
  }
  return Found;
}

void TAlaska_07_puzzle::CenterRings() {
  FCenter = RingMiddle(FRings[0].Obj);
  for (TRing& Ring : FRings) {
    Ring.Obj->SetAngle(0);
    PlaceObj(Ring.Obj, {FCenter.X - Ring.Obj->Width() / 2, FCenter.Y - Ring.Obj->Height() / 2});
  }
}

void TAlaska_07_puzzle::BuildRings() {
  for (int I = 0; I < CRingCount; ++I) {
    TRing& Ring = FRings[I];
    Ring.Obj->OnMouseDown = TGameObjectMouseEvent(this, &TAlaska_07_puzzle::OnRingDown);
    Ring.Obj->OnMouseUp = TGameObjectMouseEvent(this, &TAlaska_07_puzzle::OnRingUp);
    Ring.Grooves.assign(CGrooveCount[I], {});
    for (int G = 0; G < CGrooveCount[I]; ++G) {
      Ring.Grooves[G].Center =
          TGFlatVector{Ring.Obj->Left(), Ring.Obj->Top()} + FlatVec(CGroovePosition[I][G]);
    }
  }
}

void TAlaska_07_puzzle::BuildBalls(bool KeepHomes) {
  for (int I = 0; I < CBallCount; ++I) {
    TBall& Ball = FBalls[I];
    if (!KeepHomes) {
      Ball.InitPos = {Ball.Obj->Left(), Ball.Obj->Top()};
    }
    Ball.MoveToLT = {Ball.Obj->Left(), Ball.Obj->Top()};
    Ball.ElapsedTime = Ball.TotalTime = 0;
    Ball.InTarget = Ball.BackToColumn = false;
    Ball.WrongTargetIdx = -1;
    FTargets[I].BallIdx = -1;
    FTargets[I].AngleFrom = CTargetAngles[I][0];
    FTargets[I].AngleTo = CTargetAngles[I][1];
  }
  FColumns.assign(CBallCount, {});
  for (int I = 0; I < CBallCount; ++I) {
    FColumns[I].BallIdx = I;
  }
}

void TAlaska_07_puzzle::Initialize() {
  ForgetRotatingSfx();
  Goal()->SetGoal(CGoalLevel, CGoalText);
  Eval("Alaska_07_OnInitialize()");
  SetState(psNone);
  FObjectsFound = FindObjects();
  if (!FObjectsFound) {
    FRings.clear();
    FBalls.clear();
    FTargets.clear();
    FColumns.clear();
    return;
  }
  bool Restored = false;
  if (FProfileNode) {
    // The rings stand as saved: their grooves are built where they are, then the saved centres
    // replace them.
    BuildRings();
    BuildBalls(false);
    Restored = RestoreFromProfile(FProfileNode);
    if (!Restored) {
      ODS("Ring-and-ball puzzle %s: the saved state is damaged; the puzzle starts afresh", ID);
    }
  }
  if (!Restored) {
    CenterRings();
    BuildRings();
    // After a damaged save the balls keep the homes it still told (their pictures may not be
    // in their columns).
    BuildBalls(FProfileNode != nullptr);
    for (TRing& Ring : FRings) {
      Ring.Obj->SetAllowMouse(true);
    }
  }
  FCurrentRingIdx = 0;
  if (!Restored) {
    for (TRing& Ring : FRings) {
      RotateRing(Ring, FCenter, static_cast<float>(Random(360)));
    }
    for (TBall& Ball : FBalls) {
      PlaceObj(Ball.Obj, Ball.InitPos);
    }
  }
  FLast.Pos = MousePosition();
  FLast.ATan = MouseATan();
}

bool TAlaska_07_puzzle::RestoreFromProfile(const TGXMLNode* Data) {
  TGXMLCollection* ColumnNodes = Data->GetChilds("ColumnBalls");
  TGXMLCollection* GrooveNodes = Data->GetChilds("GrooveBalls");
  TGXMLCollection* TargetNodes = Data->GetChilds("TargetBalls");
  // Each ball's homes, read before any check so that a fresh start still finds the columns.
  for (int I = 0; I < CBallCount && I < ColumnNodes->GetCount(); ++I) {
    TGFlatVector Home;
    if (ReadFloat(ColumnNodes->GetItem(I), "HomeX", Home.X) &&
        ReadFloat(ColumnNodes->GetItem(I), "HomeY", Home.Y)) {
      FBalls[I].InitPos = FBalls[I].MoveToLT = Home;
    }
  }
  if (ColumnNodes->GetCount() != CBallCount || TargetNodes->GetCount() != CBallCount ||
      GrooveNodes->GetCount() != TotalGrooveCount()) {
    ODS("Ring-and-ball puzzle %s: the saved state has %d columns, %d grooves and %d targets", ID,
        ColumnNodes->GetCount(), GrooveNodes->GetCount(), TargetNodes->GetCount());
    return false;
  }
  TGFlatVector Center;
  int32_t State = 0;
  if (!ReadFloat(Data, "CenterX", Center.X) || !ReadFloat(Data, "CenterY", Center.Y) ||
      !ReadInt(Data, "State", State) || State < psNone || State > psComplete) {
    ODS("Ring-and-ball puzzle %s: the saved centre or state is missing or wrong", ID);
    return false;
  }
  // Where each ball is held: 0 nowhere yet, then one count per place.
  std::vector<int> Places(CBallCount, 0);
  auto ReadBall = [&](const TGXMLNode* Node, int32_t& BallIdx) {
    if (!ReadInt(Node, "BallIdx", BallIdx) || BallIdx < -1 || BallIdx >= CBallCount) {
      return false;
    }
    if (BallIdx >= 0) {
      ++Places[BallIdx];
    }
    return true;
  };
  std::vector<TColumn> Columns(CBallCount);
  std::vector<int32_t> Targets(CBallCount, -1);
  std::vector<TRing> Rings = FRings;
  bool Valid = true;
  for (int I = 0; I < CBallCount && Valid; ++I) {
    // A column only ever holds its own ball.
    Valid = ReadBall(ColumnNodes->GetItem(I), Columns[I].BallIdx) &&
            (Columns[I].BallIdx == -1 || Columns[I].BallIdx == I);
    Valid = Valid && ReadBall(TargetNodes->GetItem(I), Targets[I]);
  }
  int Index = 0;
  for (TRing& Ring : Rings) {
    for (TGroove& Groove : Ring.Grooves) {
      const TGXMLNode* Node = GrooveNodes->GetItem(Index++);
      Valid = Valid && ReadBall(Node, Groove.BallIdx) &&
              ReadFloat(Node, "CenterX", Groove.Center.X) &&
              ReadFloat(Node, "CenterY", Groove.Center.Y);
    }
  }
  for (int Count : Places) {
    // Every ball is in exactly one place: a ball nowhere could never fill its target.
    Valid = Valid && Count == 1;
  }
  if (!Valid) {
    ODS("Ring-and-ball puzzle %s: the saved balls are missing, out of range or in two places", ID);
    return false;
  }
  FCenter = Center;
  FColumns = Columns;
  FRings = Rings;
  for (int I = 0; I < CBallCount; ++I) {
    const int32_t B = Targets[I];
    if (B >= 0 && B != I) {
      // Caught rolling out of another ball's target: it was on its way home.
      FColumns[B].BallIdx = B;
    } else {
      FTargets[I].BallIdx = B;
    }
  }
  PlaceBallsFromModel();
  SetState(State == psComplete ? psComplete : psNone);
  return true;
}

void TAlaska_07_puzzle::PlaceBallsFromModel() {
  for (int I = 0; I < CBallCount; ++I) {
    if (FColumns[I].BallIdx == I) {
      PlaceObj(FBalls[I].Obj, FBalls[I].InitPos);
    }
    if (FTargets[I].BallIdx == I) {
      FBalls[I].InTarget = true;
      PlaceObj(FBalls[I].Obj, FBalls[I].LeftTopFor(RectCenter(FTargets[I].Obj->BoundingRect())));
    }
  }
  for (TRing& Ring : FRings) {
    for (TGroove& Groove : Ring.Grooves) {
      if (TBall* Ball = GetBall(Groove)) {
        PlaceObj(Ball->Obj, Ball->LeftTopFor(Groove.Center));
      }
    }
  }
  for (TBall& Ball : FBalls) {
    Ball.MoveToLT = {Ball.Obj->Left(), Ball.Obj->Top()};
  }
}

// --- Frames ------------------------------------------------------------------------------------

void TAlaska_07_puzzle::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  if (!FInitialized || !FObjectsFound) {
    return;
  }
  if (!UpdateBallsAni(AInterval)) {
    if (FState == psRotating) {
      RotationStep(AInterval);
    } else if (FState == psNone) {
      CheckCompletion();
    }
  }
  FLast.Pos = MousePosition();
}

bool TAlaska_07_puzzle::AnyBallMoving() const {
  for (const TBall& Ball : FBalls) {
    if (Ball.Moving()) {
      return true;
    }
  }
  return false;
}

bool TAlaska_07_puzzle::UpdateBallsAni(int32_t AInterval) {
  const bool Moved = AnyBallMoving();
  for (int I = 0; I < static_cast<int>(FBalls.size()); ++I) {
    TBall& Ball = FBalls[I];
    if (!Ball.Moving()) {
      continue;
    }
    Ball.ElapsedTime += AInterval;
    if (Ball.ElapsedTime < Ball.TotalTime) {
      PlaceObj(Ball.Obj, Ball.MoveFromLT + Ball.Delta * static_cast<float>(Ball.ElapsedTime));
      continue;
    }
    PlaceObj(Ball.Obj, Ball.MoveToLT);
    if (Ball.InTarget && MC()) {
      MC()->AddLocAnimation(Format("Ball0%d", {I + 1}));
    }
    if (Ball.BackToColumn) {
      Ball.BackToColumn = false;
      Ball.ElapsedTime = Ball.TotalTime = 0;
      if (Ball.WrongTargetIdx >= 0) {
        FTargets[Ball.WrongTargetIdx].BallIdx = -1;
      }
      Ball.WrongTargetIdx = -1;
      FColumns[I].BallIdx = I;
      Ball.MoveTo(Ball.InitPos, CMoveTime);
    }
  }
  return Moved;
}

TGFlatVector TAlaska_07_puzzle::MousePosition() const {
  return WindowHost ? FlatVec(WindowHost->MousePos()) : TGFlatVector{};
}

float TAlaska_07_puzzle::MouseATan() const {
  const TGFlatVector D = MousePosition() - FCenter;
  return std::atan2(D.Y, D.X);
}

void TAlaska_07_puzzle::RotationStep(int32_t AInterval) {
  const float A = MouseATan();
  FRotatingSfxTimer -= static_cast<float>(AInterval) / 1000;
  const bool Still = std::fabs(A - FLast.ATan) < 0.001f;
  if (!Still) {
    FRotatingSfxTimer = 0.5f;
  }
  if (TGAudioState* Sfx = EnsuredRotatingSfx()) {
    Sfx->SetPaused(Still && FRotatingSfxTimer < 0);
  }
  if (FCurrentRingIdx >= 0 && FCurrentRingIdx < static_cast<int32_t>(FRings.size())) {
    RotateRing(CurrentRing(), FCenter,
               static_cast<float>((A - FLast.ATan) * 180 / std::numbers::pi));
  }
  FLast.ATan = A;
}

void TAlaska_07_puzzle::CheckCompletion() {
  if (!GetPuzzleComplete()) {
    return;
  }
  SetState(psComplete);
  if (TGameObject* Reward =
          GameObjectCollector ? GameObjectCollector->GetByID(CRewardID) : nullptr) {
    Reward->SetHiddenBy("");
  } else {
    ODS("Ring-and-ball puzzle %s: the reward \"%s\" is missing", ID, CRewardID);
  }
  Goal()->SetGoal(CGoalLevel, CGoalText);
  if (MC()) {
    MC()->AddLocAnimation("fin");
  }
  LockRings();
}

bool TAlaska_07_puzzle::GetPuzzleComplete() const {
  if (FForcedComplete) {
    return true;
  }
  if (FTargets.empty()) {
    return false; // not set up: nothing to complete
  }
  for (const TTarget& Target : FTargets) {
    if (Target.Empty()) {
      return false;
    }
  }
  return true;
}

void TAlaska_07_puzzle::SolvePuzzle() {
  FForcedComplete = true;
}

void TAlaska_07_puzzle::LockRings() {
  for (TRing& Ring : FRings) {
    Ring.Obj->SetAllowMouse(false);
  }
}

// --- Turning the rings -------------------------------------------------------------------------

int32_t TAlaska_07_puzzle::ObjToRingIdx(TBaseGameObject* Obj) const {
  for (int I = 0; I < static_cast<int>(FRings.size()); ++I) {
    if (FRings[I].Obj == Obj) {
      return I;
    }
  }
  return -1;
}

void TAlaska_07_puzzle::OnRingDown(TBaseGameObject* Sender, int Button) {
  (void)Button;
  const int32_t Index = ObjToRingIdx(Sender);
  if (Index < 0) {
    ODS("Ring-and-ball puzzle %s: a press on an object that is not a ring", ID);
    return;
  }
  if (FState == psComplete) {
    return;
  }
  SetState(psRotating);
  FLast.Pos = MousePosition();
  FLast.ATan = MouseATan();
  FCurrentRingIdx = Index;
}

void TAlaska_07_puzzle::OnRingUp(TBaseGameObject* Sender, int Button) {
  (void)Sender;
  (void)Button;
  if (FState == psRotating) {
    EndDrag();
  }
}

// Every release reaches the location, also one the main channel does not pass to the ring (a
// landing light playing there): the drag ends whichever hears it first.
void TAlaska_07_puzzle::MouseUp(int Button) {
  inherited::MouseUp(Button);
  if (FState == psRotating) {
    EndDrag();
  }
}

void TAlaska_07_puzzle::EndDrag() {
  SetState(psNone);
  ProcessBalls();
}

void TAlaska_07_puzzle::RotateObj(TGameObject* Obj, const TGFlatVector& Center, float Degrees) {
  PlaceObj(Obj, RotatePoint({Obj->Left(), Obj->Top()}, Center, Degrees));
  Obj->SetAngle(Obj->Angle() + Degrees);
}

void TAlaska_07_puzzle::RotateRing(TRing& Ring, const TGFlatVector& Center, float Degrees) {
  RotateObj(Ring.Obj, Center, Degrees);
  for (TGroove& Groove : Ring.Grooves) {
    Groove.Center = RotatePoint(Groove.Center, Center, Degrees);
    if (TBall* Ball = GetBall(Groove)) {
      PlaceObj(Ball->Obj, Ball->LeftTopFor(Groove.Center));
      Ball->MoveToLT = {Ball->Obj->Left(), Ball->Obj->Top()};
    }
  }
}

float TAlaska_07_puzzle::CalcAngle(const TBall& Ball, const TGroove& Groove) const {
  return TLine::Create(FCenter, Groove.Center)
      .CalcAngle(TLine::Create(FCenter, RectCenter(Ball.Obj->BoundingRect())));
}

// --- The balls ---------------------------------------------------------------------------------

TBall* TAlaska_07_puzzle::GetBall(const TGroove& Groove) {
  return Groove.BallIdx < 0 ? nullptr : &FBalls[Groove.BallIdx];
}

TBall* TAlaska_07_puzzle::GetBall(const TColumn& Column) {
  return Column.BallIdx < 0 ? nullptr : &FBalls[Column.BallIdx];
}

TBall* TAlaska_07_puzzle::GetBall(const TTarget& Target) {
  return Target.BallIdx < 0 ? nullptr : &FBalls[Target.BallIdx];
}

void TAlaska_07_puzzle::MoveBallFromColumnToRing(int Column, int Ring, int Groove) {
  TGroove& G = FRings[Ring].Grooves[Groove];
  G.BallIdx = FColumns[Column].BallIdx;
  FColumns[Column].BallIdx = -1;
  if (TBall* Ball = GetBall(G)) {
    Ball->MoveTo(Ball->LeftTopFor(G.Center), CMoveTime);
  }
}

void TAlaska_07_puzzle::MoveBallFromRingRoRing(int Ring, int Groove, int Ring2, int Groove2) {
  TGroove& From = FRings[Ring].Grooves[Groove];
  TGroove& To = FRings[Ring2].Grooves[Groove2];
  To.BallIdx = From.BallIdx;
  From.BallIdx = -1;
  if (TBall* Ball = GetBall(To)) {
    Ball->MoveTo(Ball->LeftTopFor(To.Center), CMoveTime);
  }
}

void TAlaska_07_puzzle::MoveBallFromRingToTarget(int Ring, int Groove, int Target) {
  TGroove& From = FRings[Ring].Grooves[Groove];
  TTarget& To = FTargets[Target];
  To.BallIdx = From.BallIdx;
  From.BallIdx = -1;
  if (TBall* Ball = GetBall(To)) {
    Ball->InTarget = true;
    Ball->MoveTo(Ball->LeftTopFor(RectCenter(To.Obj->BoundingRect())), CMoveTime);
  }
}

void TAlaska_07_puzzle::MoveBallFromRingToColumn(int Ring, int Groove, int Target) {
  TGroove& From = FRings[Ring].Grooves[Groove];
  TTarget& To = FTargets[Target];
  To.BallIdx = From.BallIdx;
  From.BallIdx = -1;
  if (TBall* Ball = GetBall(To)) {
    Ball->WrongTargetIdx = Target;
    Ball->BackToColumn = true;
    Ball->MoveTo(Ball->LeftTopFor(RectCenter(To.Obj->BoundingRect())), CMoveTime);
  }
}

void TAlaska_07_puzzle::ProcessBalls() {
  if (FRings.size() != CRingCount) {
    return;
  }
  // The columns into the outer ring.
  for (int C = 0; C < static_cast<int>(FColumns.size()); ++C) {
    for (int G = 0; G < CGrooveCount[4]; ++G) {
      const TBall* Ball = GetBall(FColumns[C]);
      if (Ball && FRings[4].Grooves[G].Empty() &&
          CalcAngle(*Ball, FRings[4].Grooves[G]) <= CGrooveTolerance) {
        MoveBallFromColumnToRing(C, 4, G);
      }
    }
  }
  // Ring to ring, from the outside in; the model moves at once, so a ball may pass several.
  for (int R = CRingCount - 1; R >= 1; --R) {
    for (int G = 0; G < CGrooveCount[R]; ++G) {
      for (int G2 = 0; G2 < CGrooveCount[R - 1]; ++G2) {
        const TBall* Ball = GetBall(FRings[R].Grooves[G]);
        if (Ball && FRings[R - 1].Grooves[G2].Empty() &&
            CalcAngle(*Ball, FRings[R - 1].Grooves[G2]) <= CGrooveTolerance) {
          MoveBallFromRingRoRing(R, G, R - 1, G2);
        }
      }
    }
  }
  // The innermost ring into the targets.
  int32_t Home = 0;
  for (int S = 0; S < CGrooveCount[0]; ++S) {
    const int32_t B = FRings[0].Grooves[S].BallIdx;
    if (B < 0) {
      continue;
    }
    const float P = FBalls[B].CalcAnglePos(FCenter);
    for (int T = 0; T < static_cast<int>(FTargets.size()); ++T) {
      const TTarget& Target = FTargets[T];
      if (Target.AngleFrom - CTargetTolerance <= P && P <= Target.AngleTo + CTargetTolerance) {
        if (Target.Empty() && T == B) {
          ++Home;
          MoveBallFromRingToTarget(0, S, T);
        } else if (Target.Empty()) {
          MoveBallFromRingToColumn(0, S, T);
        }
        break;
      }
    }
  }
  if (Home > 0 && CurrentPlayer) {
    CurrentPlayer->SetScore(CurrentPlayer->Score() + Home * Home * 1000);
  }
}

// --- The grinding sound ------------------------------------------------------------------------

void TAlaska_07_puzzle::SetStateOrdinal(int32_t Value) {
  if (Value >= psNone && Value <= psComplete) {
    SetState(static_cast<TPuzzleState>(Value));
  }
}

void TAlaska_07_puzzle::SetState(TPuzzleState Value) {
  FState = Value;
  if (Value == psRotating) {
    StartRotatingSfx();
  } else {
    ForgetRotatingSfx();
  }
}

TGAudioState* TAlaska_07_puzzle::StartRotatingSfx() {
  ForgetRotatingSfx();
  FRotatingSfxTimer = 0;
  if (!AD) {
    return nullptr;
  }
  TGAudioState* Sfx = AD->PlaySfx(CRotatingSfxURL);
  if (!Sfx) {
    return nullptr;
  }
  Sfx->SetPaused(true);
  FRotatingSfx = Sfx;
  Subscribe(TGNotification(Sfx, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TAlaska_07_puzzle::OnRotatingSfxDestroyed));
  return Sfx;
}

// The kept sound, or a new one when the device has let it go (it played to its end).
TGAudioState* TAlaska_07_puzzle::EnsuredRotatingSfx() {
  if (!FRotatingSfx) {
    return StartRotatingSfx();
  }
  return FRotatingSfx;
}

void TAlaska_07_puzzle::ForgetRotatingSfx() {
  if (TGAudioState* Sfx = FRotatingSfx) {
    UnSubscribe(Sfx);
    FRotatingSfx = nullptr;
    Sfx->Stop();
  }
}

void TAlaska_07_puzzle::OnRotatingSfxDestroyed(TGObject* Sender) {
  if (Sender == FRotatingSfx) {
    FRotatingSfx = nullptr;
  }
}

// --- Saving ------------------------------------------------------------------------------------

void TAlaska_07_puzzle::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  if (TGXMLNode* Old = FProfileNode) {
    FProfileNode = nullptr;
    Old->Free();
  }
  TGXMLCollection* Data = Node->GetChilds("ProfileData");
  if (Data->GetCount() == 1) {
    FProfileNode = static_cast<TGXMLNode*>(Data->GetItem(0)->Clone(nullptr));
  }
}

TGXMLNode* TAlaska_07_puzzle::SaveToXML() const {
  TGXMLNode* XML = inherited::SaveToXML();
  if (FInitialized && FObjectsFound) {
    SavePuzzleToXML(XML->AddChild("ProfileData"));
  }
  return XML;
}

// The idle state is what is saved: a drag in progress counts as ended, and a ball rolling back
// out of another ball's target counts as home in its column (where it is about to be).
void TAlaska_07_puzzle::SavePuzzleToXML(TGXMLNode* Node) const {
  Node->SetFloatAttr("CenterX", FCenter.X);
  Node->SetFloatAttr("CenterY", FCenter.Y);
  for (int I = 0; I < static_cast<int>(FColumns.size()); ++I) {
    TGXMLNode* Child = Node->AddChild("ColumnBalls");
    Child->SetIntAttr("BallIdx", FBalls[I].BackToColumn ? I : FColumns[I].BallIdx);
    // The column's place: the ball's picture may stand elsewhere when it is saved.
    Child->SetFloatAttr("HomeX", FBalls[I].InitPos.X);
    Child->SetFloatAttr("HomeY", FBalls[I].InitPos.Y);
  }
  for (const TRing& Ring : FRings) {
    for (const TGroove& Groove : Ring.Grooves) {
      TGXMLNode* Child = Node->AddChild("GrooveBalls");
      Child->SetIntAttr("BallIdx", Groove.BallIdx);
      Child->SetFloatAttr("CenterX", Groove.Center.X);
      Child->SetFloatAttr("CenterY", Groove.Center.Y);
    }
  }
  for (const TTarget& Target : FTargets) {
    const bool Leaving = Target.BallIdx >= 0 && FBalls[Target.BallIdx].BackToColumn;
    Node->AddChild("TargetBalls")->SetIntAttr("BallIdx", Leaving ? -1 : Target.BallIdx);
  }
  Node->SetIntAttr("State", FState == psRotating ? psNone : FState);
}
