// The stone-rings puzzle: four concentric stone rings start turned at random; the player drags
// each one round its centre until it stands upright, where it locks with a click and takes the
// mouse no more. When all four are locked the scene's completion script runs. Nothing of the
// puzzle is saved: the scene's script calls Init whenever the puzzle starts.
#pragma once

#include "locations/ULocation.h"
#include "math/UGMathTypes.h"

#include <array>

class TBaseGameObject;
class TGAudioState;

class TAlexandria_02_rings : public TPuzzleLocation {
  G_CLASS(TAlexandria_02_rings, TPuzzleLocation)
  explicit TAlexandria_02_rings(TGObject* AOwner = nullptr)
      : TPuzzleLocation(AOwner) {}

  static constexpr int32_t CRingCount = 4;

  bool IsCompleted() const { return FIsCompleted; }
  bool IsRingRotating() const { return FIsRingRotating; }
  void SetIsRingRotating(bool Value);
  TGameObject* RotatingRing() const { return FRotatingRing; }
  TGameObject* Circle(int32_t Index) const;
  TGAudioState* RotatingSound() const { return FRotatingSound; }

  // Every ring turns about its centre at a random angle and takes the mouse. With a ring
  // missing, the puzzle does not start (a message says which).
  void Init();
  // Every ring stops taking the mouse, where it stands; the next update completes the puzzle.
  void ForceCompletion();
  bool IsPuzzleLocation() const override { return true; }

  void RingMouseDown(TBaseGameObject* Sender, int Button);
  void RingMouseUp(TBaseGameObject* Sender, int Button);

  void Update(int32_t AInterval) override;

  static void Publish(TGClassBuilder<TAlexandria_02_rings>& B);

  // The rings in the order the puzzle keeps them, outermost first.
  static const std::array<const char*, CRingCount> CCircleIDs;

protected:
  void Destroy() override;

private:
  bool Inited() const { return FCircles[0] != nullptr; }
  int32_t IndexOfCircle(const TBaseGameObject* Obj) const;
  void DragRing(int32_t AInterval);
  void CheckCompletion();
  void ForgetSound();
  void OnSoundDestroyed(TGObject* Sender);

  TGAudioState* FRotatingSound = nullptr; // the device owns it
  bool FIsCompleted = false;
  bool FIsRingRotating = false;
  TGPoint FSavedMousePos{};
  float FSavedAngle = 0;
  TGameObject* FRotatingRing = nullptr;
  std::array<TGameObject*, CRingCount> FCircles{};
  float FOldDAngle = 0;   // radians
  float FDangleTimer = 0; // seconds
};
