#include "Locations/Puzzles/UGearGame.h"

#include "Locations/Puzzles/UPuzzleAngles.h"
#include "animation/UGAnimation.h"
#include "base/UGRandom.h"
#include "drawables/UGSymbol.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"

#include <cmath>
#include <numbers>

G_IMPLEMENT_CLASS(TPGear)
G_IMPLEMENT_CLASS(TPRing)
G_IMPLEMENT_CLASS(TPGearGame)

namespace {

constexpr float CTurnSpeed = 360;    // degrees a second
constexpr float CSnapAngle = 5;      // degrees within which a dragged ring lines up
constexpr float CInLineAngle = 0.1f; // degrees within which two gears pass a filling
constexpr float CAngleEpsilon = 0.001f;

int32_t Mod4(int32_t V) {
  return ((V % 4) + 4) % 4;
}

// A picture without an animation has nothing left to play.
bool AnimationDone(TGameObject* Obj) {
  if (!Obj || !Obj->Visible()) {
    return true;
  }
  auto* Ani = TryObjectCast<TGAnimation>(Obj->Symbol()->Instance());
  return !Ani || Ani->IsFinished();
}

void ShowFrom0(TGameObject* Obj, bool Show) {
  if (!Obj) {
    return;
  }
  Obj->SetVisible(Show);
  if (Show) {
    Obj->RestartAnimation();
  }
}

} // namespace

void StandAt(TBaseGameObject* Obj, float X, float Y) {
  Obj->SetLeft(X - Obj->Width() * Obj->PivotX());
  Obj->SetTop(Y - Obj->Height() * Obj->PivotY());
}

// --- Gear --------------------------------------------------------------------------------------

TPGear::TPGear(TGObject* AOwner)
    : TGObject(AOwner) {}

bool TPGear::Filled(int32_t Slot) const {
  return Slot >= 0 && Slot < CPSlotCount && FFilled[static_cast<size_t>(Slot)];
}

int32_t TPGear::FilledCount() const {
  int32_t N = 0;
  for (bool F : FFilled) {
    N += F ? 1 : 0;
  }
  return N;
}

void TPGear::AddFilling(TGameObject* Appear, TGameObject* Disappear) {
  FFillingsAppear.push_back(Appear);
  FFillingsDisappear.push_back(Disappear);
}

void TPGear::SetFilled(int32_t Slot, bool Value) {
  if (Slot < 0 || Slot >= CPSlotCount) {
    return;
  }
  FFilled[static_cast<size_t>(Slot)] = Value;
  const auto I = static_cast<size_t>(Slot);
  TGameObject* Appear = I < FFillingsAppear.size() ? FFillingsAppear[I] : nullptr;
  TGameObject* Disappear = I < FFillingsDisappear.size() ? FFillingsDisappear[I] : nullptr;
  ShowFrom0(Appear, Value);
  ShowFrom0(Disappear, !Value);
}

bool TPGear::GetIdle() const {
  if (std::fabs(FAngle - FAngleWanted) >= CAngleEpsilon) {
    return false;
  }
  for (TGameObject* Obj : FFillingsAppear) {
    if (!AnimationDone(Obj)) {
      return false;
    }
  }
  for (TGameObject* Obj : FFillingsDisappear) {
    if (!AnimationDone(Obj)) {
      return false;
    }
  }
  return true;
}

bool TPGear::TurnQuarter() {
  if (!GetIdle()) {
    return false;
  }
  FAngleWanted = FAngle + 90;
  Update(0);
  return true;
}

void TPGear::Update(float Seconds) {
  if (GetIdle()) {
    FAngle = std::fmod(FAngle, 360.0f);
    FAngleWanted = FAngle;
  } else {
    FAngle = std::min(FAngle + CTurnSpeed * Seconds, FAngleWanted);
  }
  const auto K = static_cast<int32_t>(std::nearbyint(FAngleWanted / 90));
  FFillingIdxTop = Mod4(7 - K);
  FFillingIdxBottom = Mod4(5 - K);
}

// --- Ring --------------------------------------------------------------------------------------

TPRing::TPRing(TGObject* AOwner, int32_t ACapacity)
    : TGObject(AOwner) {
  for (int32_t I = 0; I < ACapacity; ++I) {
    FGears.push_back(new TPGear(this));
  }
}

TPGear* TPRing::Gears(int32_t Index) const {
  return Index >= 0 && Index < Capacity() ? FGears[static_cast<size_t>(Index)] : nullptr;
}

void TPRing::Update(float Seconds) {
  for (TPGear* G : FGears) {
    G->Update(Seconds);
  }
}

// --- Game --------------------------------------------------------------------------------------

TPGearGame::TPGearGame(TGObject* AOwner)
    : TGObject(AOwner) {
  for (size_t I = 0; I < FRings.size(); ++I) {
    FRings[I] = new TPRing(this, CPRingsCapacity[I]);
  }
}

TPRing* TPGearGame::GetRings(int32_t Index) const {
  return Index >= 0 && Index < CPRingCount ? FRings[static_cast<size_t>(Index)] : nullptr;
}

int32_t TPGearGame::RingIndex(const TPRing* Ring) const {
  for (int32_t I = 0; I < CPRingCount; ++I) {
    if (FRings[static_cast<size_t>(I)] == Ring) {
      return I;
    }
  }
  return -1;
}

void TPGearGame::GearClick(TPGear* Gear) {
  if (Gear) {
    Gear->TurnQuarter();
  }
}

void TPGearGame::FixRing(TPRing* Ring) {
  const int32_t Index = RingIndex(Ring);
  if (Index < 0) {
    return;
  }
  float Best = 360;
  for (int32_t N : {Index - 1, Index + 1}) {
    const TPRing* Other = GetRings(N);
    if (!Other) {
      continue;
    }
    for (int32_t G = 0; G < Ring->Capacity(); ++G) {
      for (int32_t H = 0; H < Other->Capacity(); ++H) {
        const float E =
            DeltaAngleDeg(Other->Gears(H)->AngleGlobal(), Ring->Gears(G)->AngleGlobal());
        if (std::fabs(E) < std::fabs(Best)) {
          Best = E;
        }
      }
    }
  }
  if (std::fabs(Best) < CSnapAngle) {
    Ring->SetAngle(Ring->Angle() + Best);
  }
}

void TPGearGame::CheckMoves() {
  for (int32_t I = 2; I <= 3; ++I) {
    TPRing* Outer = GetRings(I);
    TPRing* Inner = GetRings(I - 1);
    for (int32_t K = 0; K < Outer->Capacity(); ++K) {
      for (int32_t L = 0; L < Inner->Capacity(); ++L) {
        TPGear* A = Outer->Gears(K);
        TPGear* B = Inner->Gears(L);
        if (A->GetIdle() && B->GetIdle() &&
            std::fabs(DeltaAngleDeg(A->AngleGlobal(), B->AngleGlobal())) < CInLineAngle) {
          Move(I, I - 1, A, B, -1, -1);
        }
      }
    }
  }
}

bool TPGearGame::CheckIsComplete() const {
  const TPRing* Inner = GetRings(1);
  for (int32_t G = 0; G < Inner->Capacity(); ++G) {
    if (Inner->Gears(G)->FilledCount() < CPSlotCount) {
      return false;
    }
  }
  return true;
}

void TPGearGame::Move(int32_t RingIdxA, int32_t RingIdxB, TPGear* GearA, TPGear* GearB,
                      int32_t ForcedIdxA, int32_t ForcedIdxB) {
  // Fillings only ever move inwards.
  if (RingIdxB >= RingIdxA || !GearA || !GearB) {
    return;
  }
  const int32_t From = ForcedIdxA >= 0 ? ForcedIdxA : GearA->FillingIdxBottom();
  const int32_t To = ForcedIdxB >= 0 ? ForcedIdxB : GearB->FillingIdxTop();
  if (GearA->Filled(From) && !GearB->Filled(To)) {
    GearA->SetFilled(From, false);
    GearB->SetFilled(To, true);
  }
}

void TPGearGame::InitFillings() {
  std::vector<std::pair<TPGear*, int32_t>> Slots;
  for (int32_t R = 1; R < CPRingCount; ++R) {
    TPRing* Ring = GetRings(R);
    for (int32_t G = 0; G < Ring->Capacity(); ++G) {
      for (int32_t S = 0; S < CPSlotCount; ++S) {
        Ring->Gears(G)->SetFilled(S, false);
        Slots.emplace_back(Ring->Gears(G), S);
      }
    }
  }
  const auto Count = static_cast<int32_t>(Slots.size());
  for (int32_t Filled = 0; Filled < CFillingCount && Filled < Count;) {
    auto& [Gear, Slot] = Slots[static_cast<size_t>(Random(Count))];
    if (!Gear->Filled(Slot)) {
      Gear->SetFilled(Slot, true);
      ++Filled;
    }
  }
  for (TPRing* Ring : FRings) {
    for (int32_t G = 0; G < Ring->Capacity(); ++G) {
      for (TGameObject* Obj : Ring->Gears(G)->FillingsDisappear()) {
        if (Obj) {
          Obj->SetVisible(false);
        }
      }
    }
  }
}

TPGear* TPGearGame::GearByGameObject(const TBaseGameObject* Obj) const {
  for (TPRing* Ring : FRings) {
    for (int32_t G = 0; Obj && G < Ring->Capacity(); ++G) {
      if (Ring->Gears(G)->GameObject() == Obj) {
        return Ring->Gears(G);
      }
    }
  }
  return nullptr;
}

TPRing* TPGearGame::RingByGameObject(const TBaseGameObject* Obj) const {
  for (TPRing* Ring : FRings) {
    if (Obj && Ring->GameObject() == Obj) {
      return Ring;
    }
  }
  return nullptr;
}

void TPGearGame::PlaceGameObjects() {
  constexpr float Pi = std::numbers::pi_v<float>;
  for (int32_t I = 0; I < CPRingCount; ++I) {
    TPRing* Ring = GetRings(I);
    if (Ring->GameObject()) {
      Ring->GameObject()->SetAngle(Ring->Angle());
    }
    const int32_t N = Ring->Capacity();
    for (int32_t J = 0; J < N; ++J) {
      TPGear* Gear = Ring->Gears(J);
      const float D =
          static_cast<float>(J) * 2 * Pi / static_cast<float>(N) + Ring->Angle() * Pi / 180;
      const float DDeg = D * 180 / Pi;
      Gear->SetAngleGlobal(DDeg);
      TGameObject* Obj = Gear->GameObject();
      if (!Obj) {
        continue;
      }
      const float X = CCenterX + CRingStep * static_cast<float>(I) * std::cos(D);
      const float Y = CCenterY + CRingStep * static_cast<float>(I) * std::sin(D);
      Obj->SetAngle(Gear->Angle() + DDeg);
      StandAt(Obj, X, Y);
      auto PlaceSlots = [&](const std::vector<TGameObject*>& Fillings) {
        for (size_t S = 0; S < Fillings.size(); ++S) {
          if (Fillings[S]) {
            Fillings[S]->SetAngle(static_cast<float>(S) * 90 + Obj->Angle());
            StandAt(Fillings[S], X, Y);
          }
        }
      };
      PlaceSlots(Gear->FillingsAppear());
      PlaceSlots(Gear->FillingsDisappear());
    }
  }
}

void TPGearGame::Update(float Seconds) {
  for (TPRing* Ring : FRings) {
    Ring->Update(Seconds);
  }
  if (!FCompleted) {
    FCompleted = CheckIsComplete();
  }
}

void TPGearGame::Draw() {
  for (TPRing* Ring : FRings) {
    Ring->Draw();
  }
}
