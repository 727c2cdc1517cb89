#include "Locations/Puzzles/URingsPuzzle.h"

#include "Locations/Puzzles/UPuzzleAngles.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGRandom.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "widgets/UGWindowHost.h"

#include <cmath>
#include <numbers>

G_IMPLEMENT_CLASS(TAlexandria_02_rings)

const std::array<const char*, TAlexandria_02_rings::CRingCount> TAlexandria_02_rings::CCircleIDs = {
    "Circle_04_06_gs", "Circle_03_06_gs", "Circle_02_06_gs", "Circle_01_06_gs"};

namespace {

const char* const CGrindSfx = "Game\\06_Alexandria\\StoneGrind2.ogg";
const char* const CFixSfx = "Game\\06_Alexandria\\Fix_wheel.ogg";
const char* const CCompleteScript = "Alexandria_02_puzzle_PuzzleComplete()";
constexpr float CSnapAngle = 5;        // degrees from upright within which a ring locks
constexpr float CStillAngle = 0.001f;  // radians: a drag that moved less stands still
constexpr float CGrindAfterStop = 0.5; // seconds the grinding goes on after the ring stops

TGFlatVector CentreOf(const TGameObject* Obj) {
  return {Obj->Left() + Obj->Width() / 2, Obj->Top() + Obj->Height() / 2};
}

TGFlatVector Mouse() {
  if (!WindowHost) {
    return {};
  }
  const TGPoint& P = WindowHost->MousePos();
  return {static_cast<float>(P.X), static_cast<float>(P.Y)};
}

} // namespace

void TAlexandria_02_rings::Publish(TGClassBuilder<TAlexandria_02_rings>& B) {
  using T = TAlexandria_02_rings;
  B.Property("IsRingRotating", &T::IsRingRotating, &T::SetIsRingRotating)
      .Property("IsCompleted", &T::IsCompleted)
      .Method("Init", &T::Init)
      .Method("ForceCompletion", &T::ForceCompletion)
      .Method("IsPuzzleLocation", &T::IsPuzzleLocation);
}

void TAlexandria_02_rings::Destroy() {
  ForgetSound();
  inherited::Destroy();
}

TGameObject* TAlexandria_02_rings::Circle(int32_t Index) const {
  return Index >= 0 && Index < CRingCount ? FCircles[static_cast<size_t>(Index)] : nullptr;
}

int32_t TAlexandria_02_rings::IndexOfCircle(const TBaseGameObject* Obj) const {
  for (int32_t I = 0; Obj && I < CRingCount; ++I) {
    if (FCircles[static_cast<size_t>(I)] == Obj) {
      return I;
    }
  }
  return -1;
}

void TAlexandria_02_rings::Init() {
  std::array<TGameObject*, CRingCount> Found{};
  bool Complete = true;
  for (size_t I = 0; I < Found.size(); ++I) {
    Found[I] = Objects()->GetByIDReadOnly(CCircleIDs[I]);
    if (!Found[I]) {
      ODS("Rings puzzle %s: the object \"%s\" is missing; the puzzle does not run", ID,
          CCircleIDs[I]);
      Complete = false;
    }
  }
  if (!Complete) {
    return;
  }
  FCircles = Found;
  for (TGameObject* Ring : FCircles) {
    // The pivot is where the ring turns; the picture stays where the scene put it, so Init can
    // run again over a saved location without moving the rings.
    Ring->SetPivotX(0.5f);
    Ring->SetPivotY(0.5f);
    Ring->SetAngle(static_cast<float>(Random() * 360));
    Ring->OnMouseDown = TGameObjectMouseEvent(this, &TAlexandria_02_rings::RingMouseDown);
    Ring->OnMouseUp = TGameObjectMouseEvent(this, &TAlexandria_02_rings::RingMouseUp);
    Ring->SetAllowMouse(true);
  }
  FRotatingRing = nullptr;
  ForgetSound();
  SetIsRingRotating(false);
  FIsCompleted = false;
}

void TAlexandria_02_rings::ForceCompletion() {
  SetIsRingRotating(false);
  for (TGameObject* Ring : FCircles) {
    if (Ring) {
      Ring->SetAllowMouse(false);
    }
  }
}

void TAlexandria_02_rings::SetIsRingRotating(bool Value) {
  FIsRingRotating = Value;
  if (!Value) {
    ForgetSound();
  }
}

void TAlexandria_02_rings::ForgetSound() {
  if (TGAudioState* Sound = FRotatingSound) {
    UnSubscribe(Sound);
    FRotatingSound = nullptr;
    Sound->Stop();
  }
}

void TAlexandria_02_rings::OnSoundDestroyed(TGObject* Sender) {
  if (Sender == FRotatingSound) {
    FRotatingSound = nullptr;
  }
}

void TAlexandria_02_rings::RingMouseDown(TBaseGameObject* Sender, int Button) {
  (void)Button;
  const int32_t Index = IndexOfCircle(Sender);
  if (Index < 0 || !Sender->AllowMouse()) {
    return;
  }
  SetIsRingRotating(true);
  FSavedMousePos = WindowHost ? WindowHost->MousePos() : TGPoint{};
  FRotatingRing = FCircles[static_cast<size_t>(Index)];
  FSavedAngle = FRotatingRing->Angle();
  ForgetSound();
  if (AD) {
    if (TGAudioState* Sound = AD->PlaySfx(CGrindSfx, true)) {
      FRotatingSound = Sound;
      Subscribe(TGNotification(Sound, &TGObject::NotifyDestroy),
                TGNotifyEvent(this, &TAlexandria_02_rings::OnSoundDestroyed));
      Sound->SetVolume(AD->SoundVolume());
      Sound->SetLooped(true);
      Sound->SetPaused(true);
    }
  }
  FOldDAngle = 0;
  FDangleTimer = 0;
}

void TAlexandria_02_rings::RingMouseUp(TBaseGameObject* Sender, int Button) {
  (void)Sender;
  (void)Button;
  if (FRotatingRing) {
    float A = std::fmod(FRotatingRing->Angle(), 360.0f);
    FRotatingRing->SetAngle(A < 0 ? A + 360 : A);
  }
  SetIsRingRotating(false);
}

void TAlexandria_02_rings::DragRing(int32_t AInterval) {
  const TGFlatVector C = CentreOf(FRotatingRing);
  const TGFlatVector M = Mouse();
  const TGFlatVector Now{M.X - C.X, M.Y - C.Y};
  const TGFlatVector Then{static_cast<float>(FSavedMousePos.X) - C.X,
                          static_cast<float>(FSavedMousePos.Y) - C.Y};
  // On the centre itself the pointer has no direction: the ring stays as it is.
  if ((Now.X == 0 && Now.Y == 0) || (Then.X == 0 && Then.Y == 0)) {
    return;
  }
  const float D = DXDY2Angle(Now) - DXDY2Angle(Then);
  FDangleTimer -= static_cast<float>(AInterval) / 1000;
  const bool Still = std::fabs(D - FOldDAngle) < CStillAngle;
  if (!Still) {
    FDangleTimer = CGrindAfterStop;
  }
  if (FRotatingSound) {
    FRotatingSound->SetPaused(Still && FDangleTimer < 0);
  }
  FOldDAngle = D;
  FRotatingRing->SetAngle(D * 180 / std::numbers::pi_v<float> + FSavedAngle);
  if (std::fabs(DeltaAngleDeg(0, FRotatingRing->Angle())) < CSnapAngle) {
    FRotatingRing->SetAngle(0);
    FRotatingRing->SetAllowMouse(false);
    SetIsRingRotating(false);
    if (CurrentPlayer) {
      CurrentPlayer->PlaySfx(CFixSfx);
    }
  }
}

void TAlexandria_02_rings::CheckCompletion() {
  for (TGameObject* Ring : FCircles) {
    if (Ring->AllowMouse()) {
      return;
    }
  }
  FIsCompleted = true;
  // The rings keep their centred pivot: Init never moved them, so there is nothing to turn back
  // and a ring left at an angle by ForceCompletion is drawn where it stood.
  Eval(CCompleteScript);
}

void TAlexandria_02_rings::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  // Before Init the scene's rings are only pictures.
  if (!Inited()) {
    return;
  }
  if (FIsRingRotating && FRotatingRing) {
    DragRing(AInterval);
  }
  if (!FIsCompleted) {
    CheckCompletion();
  }
}
