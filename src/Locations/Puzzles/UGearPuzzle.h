// The gear puzzle location: three concentric rings of small gears round a centre. The player
// drags whole rings round and turns single gears a quarter turn with a click; fillings pass
// inwards between gears standing in line, and the puzzle is solved when all sixteen fillings sit
// in the innermost ring. The scene's script starts it with Init; the gears and fillings are
// clones of the scene's templates, placed from the model every frame.
#pragma once

#include "locations/ULocation.h"
#include "math/UGMathTypes.h"

#include <string>

class TBaseGameObject;
class TPGearGame;
class TPRing;

class TGreenland_04_Puzzle : public TPuzzleLocation {
  G_CLASS(TGreenland_04_Puzzle, TPuzzleLocation)
  explicit TGreenland_04_Puzzle(TGObject* AOwner = nullptr)
      : TPuzzleLocation(AOwner) {}

  TPGearGame* GearGame() const { return FGearGame; }
  bool Completed() const { return FCompleted; }
  bool IsRingRotating() const { return FIsRingRotating; }
  TPRing* RotatingRing() const { return FRotatingRing; }

  // Builds the game and its objects afresh (clones of an earlier Init or of a saved profile are
  // replaced). A missing ring or template leaves the puzzle unbuilt, with a message.
  void Init();
  // The completion effect, once; nothing before Init.
  void PuzzleComplete();

  void RingMouseDown(TBaseGameObject* Sender, int Button);
  void RingMouseUp(TBaseGameObject* Sender, int Button);
  void GearClick(TBaseGameObject* Sender, int Button);

  void Update(int32_t AInterval) override;
  void Draw() override;

  static void Publish(TGClassBuilder<TGreenland_04_Puzzle>& B);

  // Object IDs of the scene.
  static std::string RingID(int32_t Ring);
  static std::string GearID(int32_t Ring, int32_t Gear);
  static std::string FillingID(const char* Kind, int32_t Ring, int32_t Gear, int32_t Slot);

protected:
  void Destroy() override;

private:
  bool HasSceneObjects() const;
  void FreeGame();
  // Takes an object of the location out of the location, the script table and the collector,
  // and frees it.
  void DiscardObject(TGameObject* Obj);
  // A clone of the template under the new ID, added to the location (replacing an object of
  // that ID left from before).
  TGameObject* CloneTemplate(TGameObject* Template, const std::string& NewID);
  void BuildRings();
  void BuildGears();
  void BuildFillings();
  void DragRing();
  static TGFlatVector MousePosition();

  bool FCompleted = false;
  TPGearGame* FGearGame = nullptr; // owned
  bool FIsRingRotating = false;
  TGPoint FSavedMousePos{};
  float FSavedAngle = 0;
  TPRing* FRotatingRing = nullptr; // of the game
};
