// The model of the gear puzzle, apart from drawing: three rings of small gears round an empty
// centre ring. Each gear has four slots for fillings; a filling passes from an outer gear's slot
// that faces inwards to the slot facing outwards of an inner gear standing exactly in line with
// it. The puzzle is solved when every slot of the innermost ring of gears is filled. The game
// objects that show rings, gears and fillings are optional: without them the model still runs
// (a solver or a test can play it alone).
#pragma once

#include "object/UGObject.h"

#include <array>
#include <cstdint>
#include <vector>

class TGameObject;
class TBaseGameObject;

constexpr int32_t CPRingCount = 4;
constexpr int32_t CPSlotCount = 4;
// Gears per ring; ring 0 is the empty centre.
constexpr std::array<int32_t, CPRingCount> CPRingsCapacity = {0, 4, 8, 12};
// The centre of every ring on the screen and the distance between rings, in pixels.
constexpr float CCenterX = 400;
constexpr float CCenterY = 250;
constexpr float CRingStep = 53;

// Places an object so that its pivot stands at the point.
void StandAt(TBaseGameObject* Obj, float X, float Y);

class TPGear : public TGObject {
  G_CLASS(TPGear, TGObject)
  explicit TPGear(TGObject* AOwner = nullptr);

  TGameObject* GameObject() const { return FGameObject; }
  void SetGameObject(TGameObject* Value) { FGameObject = Value; }
  float Angle() const { return FAngle; }
  void SetAngle(float Value) { FAngle = Value; }
  float AngleWanted() const { return FAngleWanted; }
  void SetAngleWanted(float Value) { FAngleWanted = Value; }
  float AngleGlobal() const { return FAngleGlobal; }
  void SetAngleGlobal(float Value) { FAngleGlobal = Value; }
  bool Idle() const { return GetIdle(); }
  const std::vector<TGameObject*>& FillingsAppear() const { return FFillingsAppear; }
  const std::vector<TGameObject*>& FillingsDisappear() const { return FFillingsDisappear; }
  bool Filled(int32_t Slot) const;
  int32_t FillingIdxTop() const { return FFillingIdxTop; }
  int32_t FillingIdxBottom() const { return FFillingIdxBottom; }
  int32_t FilledCount() const;

  // Appends the next slot's pair of objects.
  void AddFilling(TGameObject* Appear, TGameObject* Disappear);
  // Shows the slot's appear (filled) or disappear (emptied) object from the start of its
  // animation; a slot out of 0..3 is ignored.
  void SetFilled(int32_t Slot, bool Value);
  // Not turning, and no filling animation of it still running.
  bool GetIdle() const;
  // Starts a quarter turn when idle; true when it started.
  bool TurnQuarter();
  // Turns towards the wanted angle at 360 degrees a second, then works out the slots that face
  // outwards and inwards.
  void Update(float Seconds);

private:
  TGameObject* FGameObject = nullptr;
  float FAngle = 0;
  float FAngleWanted = 0;
  float FAngleGlobal = 0;
  std::vector<TGameObject*> FFillingsAppear;
  std::vector<TGameObject*> FFillingsDisappear;
  std::array<bool, CPSlotCount> FFilled{};
  int32_t FFillingIdxTop = 3;
  int32_t FFillingIdxBottom = 1;
};

class TPRing : public TGObject {
  G_CLASS(TPRing, TGObject)
  // The ring makes its gears.
  TPRing(TGObject* AOwner = nullptr, int32_t ACapacity = 0);

  TPGear* Gears(int32_t Index) const;
  TGameObject* GameObject() const { return FGameObject; }
  void SetGameObject(TGameObject* Value) { FGameObject = Value; }
  int32_t Capacity() const { return static_cast<int32_t>(FGears.size()); }
  float Angle() const { return FAngle; }
  void SetAngle(float Value) { FAngle = Value; }

  void Update(float Seconds);
  // The gears draw through the location's objects: nothing here.
  void Draw() {}

private:
  TGameObject* FGameObject = nullptr;
  std::vector<TPGear*> FGears; // owned
  float FAngle = 0;
};

class TPGearGame : public TGObject {
  G_CLASS(TPGearGame, TGObject)
  explicit TPGearGame(TGObject* AOwner = nullptr);

  TPRing* GetRings(int32_t Index) const;
  bool Completed() const { return FCompleted; }
  // The ring's index, or -1 for one not of this game.
  int32_t RingIndex(const TPRing* Ring) const;

  // A quarter turn of the gear, when it is idle.
  void GearClick(TPGear* Gear);
  // Lines the ring up with a gear of a neighbouring ring standing within 5 degrees.
  void FixRing(TPRing* Ring);
  // Passes fillings inwards between idle gears standing in line.
  void CheckMoves();
  bool CheckIsComplete() const;
  void Move(int32_t RingIdxA, int32_t RingIdxB, TPGear* GearA, TPGear* GearB, int32_t ForcedIdxA,
            int32_t ForcedIdxB);
  // Empties every slot, then fills 16 distinct slots of rings 1 to 3 at random.
  void InitFillings();
  TPGear* GearByGameObject(const TBaseGameObject* Obj) const;
  TPRing* RingByGameObject(const TBaseGameObject* Obj) const;
  // Positions of the gears on their rings (AngleGlobal), and the objects placed from them.
  void PlaceGameObjects();
  void Update(float Seconds);
  void Draw();

  static constexpr int32_t CFillingCount = 16;

private:
  std::array<TPRing*, CPRingCount> FRings{}; // owned
  bool FCompleted = false;
};
