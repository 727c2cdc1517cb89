#include "Locations/Puzzles/UGearPuzzle.h"

#include "Locations/Puzzles/UGearGame.h"
#include "Locations/Puzzles/UPuzzleAngles.h"
#include "Locations/Puzzles/UPuzzleClasses.h"
#include "Locations/Puzzles/URingsPuzzle.h"
#include "base/UGDebug.h"
#include "base/UGFormat.h"
#include "locations/ULocationClassRegistry.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "script/UScriptObjects.h"
#include "script/UScriptProcessor.h"
#include "widgets/UGWindowHost.h"

#include <algorithm>
#include <cmath>
#include <numbers>

G_IMPLEMENT_CLASS(TGreenland_04_Puzzle)

namespace {

const char* const CGearTemplate = "Gear_03_le";
const char* const CFillingAppearTemplate = "FillingAppear_03_le";
const char* const CFillingDisappearTemplate = "FillingDisappear_03_le";
const char* const CHotGearTemplate = "GearHot_03_le";
const char* const CGearTurnSfx = "Game\\03_Greenland\\smallWheelTurn.ogg";
const char* const CCompleteScript = "Greenland_04_puzzle_PuzzleComplete()";
constexpr float CStartRingAngle = 45;

std::string TwoDigits(int32_t V) {
  return Format("%s%d", {V < 10 ? "0" : "", V});
}

float Wrap360(float A) {
  A = std::fmod(A, 360.0f);
  return A < 0 ? A + 360 : A;
}

} // namespace

void RegisterGearClasses() {
  LocationClassRegistry().Add(TGreenland_04_Puzzle::StaticClass());
  LocationClassRegistry().Add(TAlexandria_02_rings::StaticClass());
}

void TGreenland_04_Puzzle::Publish(TGClassBuilder<TGreenland_04_Puzzle>& B) {
  using T = TGreenland_04_Puzzle;
  B.Property("Completed", &T::Completed)
      .Property("IsRingRotating", &T::IsRingRotating)
      .Method("Init", &T::Init)
      .Method("PuzzleComplete", &T::PuzzleComplete);
}

std::string TGreenland_04_Puzzle::RingID(int32_t Ring) {
  return "Circle_" + TwoDigits(Ring) + "_03_le";
}

std::string TGreenland_04_Puzzle::GearID(int32_t Ring, int32_t Gear) {
  return "Gear" + TwoDigits(Ring) + TwoDigits(Gear) + "_03_le";
}

std::string TGreenland_04_Puzzle::FillingID(const char* Kind, int32_t Ring, int32_t Gear,
                                            int32_t Slot) {
  return std::string(Kind) + TwoDigits(Ring) + TwoDigits(Gear) + TwoDigits(Slot) + "_03_le";
}

void TGreenland_04_Puzzle::Destroy() {
  FreeGame();
  inherited::Destroy();
}

void TGreenland_04_Puzzle::FreeGame() {
  FRotatingRing = nullptr;
  FIsRingRotating = false;
  if (FGearGame) {
    TPGearGame* Game = FGearGame;
    FGearGame = nullptr;
    Game->Free();
  }
}

bool TGreenland_04_Puzzle::HasSceneObjects() const {
  bool Complete = true;
  auto Need = [&](const std::string& ID) {
    if (!Objects()->GetByIDReadOnly(ID)) {
      ODS("Gear puzzle %s: the object \"%s\" is missing; the puzzle does not run", this->ID, ID);
      Complete = false;
    }
  };
  for (int32_t R = 1; R < CPRingCount; ++R) {
    Need(RingID(R));
  }
  for (const char* T :
       {CGearTemplate, CFillingAppearTemplate, CFillingDisappearTemplate, CHotGearTemplate}) {
    Need(T);
  }
  return Complete;
}

void TGreenland_04_Puzzle::Init() {
  FreeGame();
  FCompleted = false;
  if (!HasSceneObjects()) {
    return;
  }
  FGearGame = new TPGearGame(this);
  BuildRings();
  BuildGears();
  BuildFillings();
  for (int32_t R = 0; R < CPRingCount; ++R) {
    FGearGame->GetRings(R)->SetAngle(CStartRingAngle);
  }
  // One draw slot per object, the clones included.
  RefreshAnimations();
  FGearGame->InitFillings();
  FGearGame->PlaceGameObjects();
}

void TGreenland_04_Puzzle::BuildRings() {
  for (int32_t R = 1; R < CPRingCount; ++R) {
    TGameObject* Obj = Objects()->GetByIDReadOnly(RingID(R));
    FGearGame->GetRings(R)->SetGameObject(Obj);
    Obj->OnMouseDown = TGameObjectMouseEvent(this, &TGreenland_04_Puzzle::RingMouseDown);
    Obj->OnMouseUp = TGameObjectMouseEvent(this, &TGreenland_04_Puzzle::RingMouseUp);
    Obj->SetAllowMouse(true);
    Obj->SetPivotX(0.5f);
    Obj->SetPivotY(0.5f);
    StandAt(Obj, CCenterX, CCenterY);
  }
}

void TGreenland_04_Puzzle::BuildGears() {
  TGameObject* Template = Objects()->GetByIDReadOnly(CGearTemplate);
  for (int32_t R = CPRingCount - 1; R >= 0; --R) {
    TPRing* Ring = FGearGame->GetRings(R);
    for (int32_t Q = 0; Q < Ring->Capacity(); ++Q) {
      TGameObject* Gear = CloneTemplate(Template, GearID(R, Q));
      Gear->SetPivotY(0.5f);
      Gear->SetAllowMouse(true);
      // The template is hidden after the first Init: its clones are shown all the same.
      Gear->SetVisible(true);
      Gear->OnMouseDown = TGameObjectMouseEvent(this, &TGreenland_04_Puzzle::GearClick);
      Ring->Gears(Q)->SetGameObject(Gear);
    }
  }
  Template->SetVisible(false);
}

void TGreenland_04_Puzzle::BuildFillings() {
  TGameObject* Appear = Objects()->GetByIDReadOnly(CFillingAppearTemplate);
  TGameObject* Disappear = Objects()->GetByIDReadOnly(CFillingDisappearTemplate);
  for (int32_t R = 0; R < CPRingCount; ++R) {
    TPRing* Ring = FGearGame->GetRings(R);
    for (int32_t Q = 0; Q < Ring->Capacity(); ++Q) {
      for (int32_t S = 0; S < CPSlotCount; ++S) {
        TGameObject* A = CloneTemplate(Appear, FillingID("FillingAppear", R, Q, S));
        A->SetPivotY(0);
        TGameObject* D = CloneTemplate(Disappear, FillingID("FillingDisappear", R, Q, S));
        D->SetPivotY(0);
        Ring->Gears(Q)->AddFilling(A, D);
      }
    }
  }
}

void TGreenland_04_Puzzle::DiscardObject(TGameObject* Obj) {
  RemoveGameObject(Obj);
  if (ScriptProcessor) {
    ScriptProcessor->ScriptObjects().Remove(Obj->ID(), Obj);
  }
  const bool CollectorOwns = GameObjectCollector && Obj->Owner() == GameObjectCollector &&
                             GameObjectCollector->IndexOf(Obj) >= 0;
  if (CollectorOwns) {
    GameObjectCollector->Remove(Obj); // frees it
    return;
  }
  if (GameObjectCollector) {
    GameObjectCollector->Remove(Obj);
  }
  Obj->Free();
}

TGameObject* TGreenland_04_Puzzle::CloneTemplate(TGameObject* Template, const std::string& NewID) {
  // An object of that ID from an earlier Init, or from the saved location, gives way.
  while (TGameObject* Old = Objects()->GetByIDReadOnly(NewID)) {
    DiscardObject(Old);
  }
  const bool Registered = GameObjectCollector && GameObjectCollector->IndexOf(NewID) < 0;
  if (GameObjectCollector && !Registered) {
    ODS("Gear puzzle %s: another location has an object \"%s\"; the clone stays unregistered", ID,
        NewID);
  }
  TGObject* Owner = Registered ? Template->Owner() : static_cast<TGObject*>(this);
  auto* Clone = static_cast<TGameObject*>(Template->Clone(Owner));
  Clone->SetID(NewID);
  if (Registered) {
    GameObjectCollector->Add(Clone);
  }
  AddGameObject(Clone);
  if (ScriptProcessor) {
    ScriptProcessor->AddObject(Clone->ID(), Clone, false, Clone->Attrs());
  }
  return Clone;
}

TGFlatVector TGreenland_04_Puzzle::MousePosition() {
  if (!WindowHost) {
    return {};
  }
  const TGPoint& P = WindowHost->MousePos();
  return {static_cast<float>(P.X), static_cast<float>(P.Y)};
}

void TGreenland_04_Puzzle::RingMouseDown(TBaseGameObject* Sender, int Button) {
  (void)Button;
  TPRing* Ring = FGearGame ? FGearGame->RingByGameObject(Sender) : nullptr;
  if (!Ring) {
    return;
  }
  FIsRingRotating = true;
  FSavedMousePos = WindowHost ? WindowHost->MousePos() : TGPoint{};
  FRotatingRing = Ring;
  FSavedAngle = Ring->Angle();
}

void TGreenland_04_Puzzle::RingMouseUp(TBaseGameObject* Sender, int Button) {
  (void)Sender;
  (void)Button;
  if (FRotatingRing) {
    FRotatingRing->SetAngle(Wrap360(FRotatingRing->Angle()));
  }
  FRotatingRing = nullptr;
  FIsRingRotating = false;
}

void TGreenland_04_Puzzle::GearClick(TBaseGameObject* Sender, int Button) {
  (void)Button;
  if (CurrentPlayer) {
    CurrentPlayer->PlaySfx(CGearTurnSfx);
  }
  if (FGearGame) {
    FGearGame->GearClick(FGearGame->GearByGameObject(Sender));
  }
}

void TGreenland_04_Puzzle::DragRing() {
  const TGFlatVector Mouse = MousePosition();
  const TGFlatVector Saved{static_cast<float>(FSavedMousePos.X),
                           static_cast<float>(FSavedMousePos.Y)};
  const TGFlatVector Now{Mouse.X - CCenterX, Mouse.Y - CCenterY};
  const TGFlatVector Then{Saved.X - CCenterX, Saved.Y - CCenterY};
  // On the centre itself the pointer has no direction: the ring stays as it is.
  if ((Now.X == 0 && Now.Y == 0) || (Then.X == 0 && Then.Y == 0)) {
    return;
  }
  const float Turn = (DXDY2Angle(Now) - DXDY2Angle(Then)) * 180 / std::numbers::pi_v<float>;
  FRotatingRing->SetAngle(FSavedAngle + Turn);
  // The gears' places follow the new angle before the ring lines up with a neighbour.
  FGearGame->PlaceGameObjects();
  for (int I = 0; I < 2; ++I) {
    FGearGame->FixRing(FRotatingRing);
    FGearGame->PlaceGameObjects();
  }
}

void TGreenland_04_Puzzle::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  if (!FGearGame) {
    return;
  }
  if (FIsRingRotating && FRotatingRing) {
    DragRing();
  }
  FGearGame->Update(static_cast<float>(AInterval) / 1000);
  FGearGame->PlaceGameObjects();
  if (!FIsRingRotating) {
    FGearGame->CheckMoves();
  }
  if (FGearGame->Completed()) {
    PuzzleComplete();
  }
}

void TGreenland_04_Puzzle::Draw() {
  inherited::Draw();
  if (FGearGame) {
    FGearGame->Draw();
  }
}

void TGreenland_04_Puzzle::PuzzleComplete() {
  if (!FGearGame || FCompleted) {
    return;
  }
  TGameObject* Hot = Objects()->GetByIDReadOnly(CHotGearTemplate);
  TPRing* Inner = FGearGame->GetRings(1);
  for (int32_t G = 0; G < Inner->Capacity(); ++G) {
    TPGear* Gear = Inner->Gears(G);
    Gear->SetAngle(0);
    Gear->SetAngleWanted(0);
    Gear->SetAngleGlobal(0);
    if (TGameObject* Obj = Gear->GameObject()) {
      Obj->SetAngle(0);
      if (Hot) {
        Obj->SetGfxURL(Hot->GfxURL());
        Obj->SetWidth(Hot->Width());
        Obj->SetHeight(Hot->Height());
      }
    }
  }
  FCompleted = true;
  Eval(CCompleteScript);
}
