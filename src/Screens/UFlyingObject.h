// One flight: a game object carried by an animation of the flight catalogue from where it stood
// (or from the mouse, for a tool put back) to the panel. The animation is adapted to the object
// when the flight is made; the flight ends when the animation's time is used up, and its
// control then runs the finish procedure with the object. TFlyingObject, the play screen's
// kind, also shows the points a picked object is worth flying up from where it was.
#pragma once

#include "flow/UPlayScreen.h"
#include "math/UGMathTypes.h"
#include "object/UGObject.h"

#include <cstdint>
#include <string>

class TBaseFlyingControl;
class TGAnimation;
class TGameObject;

class TBaseFlyingObject : public TGObject {
  G_CLASS(TBaseFlyingObject, TGObject)
  explicit TBaseFlyingObject(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // The configuration named by AConfigName (when empty, the object's own choice) is found and
  // its animation adapted to the object standing where it is; only then does the object leave
  // the player's current location. Whatever fails raises its error before the object is
  // moved, so a flight that cannot be made leaves the object where it was.
  virtual void Create(TBaseFlyingControl* AControl, TGameObject* AObject,
                      const TFlightFinishEvent& AFinishProc, const std::string& AConfigName);
  // As above, the object's top-left corner taken to be at AStartPos (the mouse, for the tool
  // held on the cursor).
  virtual void Create(TBaseFlyingControl* AControl, TGameObject* AObject,
                      const TGFlatVector& AStartPos, const TFlightFinishEvent& AFinishProc,
                      const std::string& AConfigName);

  // The configuration asked for; else the object's FlyingConfigName; else its location
  // behaviour's choice ("Tool" or "Default" when it names no behaviour there is).
  virtual std::string GetFlyingConfigName() const;
  // Adapts the configuration's animation to the object: it starts at the object's rotated
  // centre, in its scale and at its angle. Plays the configuration's sound.
  virtual void InitAnimation(bool AUseStartPos, const TGFlatVector& AStartPos);
  virtual void Draw();
  // Advances the animation by Interval seconds; true when the flight has ended (its time is
  // used up, drawing it failed, or its object went).
  virtual bool Update(float Interval);
  // Ends the flight now, as if it had landed.
  void Stop();

  TBaseFlyingControl* FlyingControl() const { return FFlyingControl; }
  // None once the object has been destroyed in flight.
  TGameObject* GameObject() const { return FGameObject; }
  TGAnimation* FlyAnimation() const { return FFlyAnimation; }
  const std::string& ConfigName() const { return FConfigName; }
  const TFlightFinishEvent& FinishProc() const { return FFinishProc; }
  // Milliseconds of animation time played, and the animation's length.
  int32_t ElapsedTime() const { return FElapsedTime; }
  int32_t TotalTime() const { return FTotalTime; }

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;
  // After channels were added to the animation: they take its first moment, and the length
  // is measured again.
  void AnimationChanged();

private:
  void Setup(TBaseFlyingControl* AControl, TGameObject* AObject,
             const TFlightFinishEvent& AFinishProc, const std::string& AConfigName);
  void LeaveLocation();
  void OnGameObjectDestroyed(TGObject* Sender);

  std::string FConfigName;
  TBaseFlyingControl* FFlyingControl = nullptr;
  TGameObject* FGameObject = nullptr;   // watched: cleared when it is destroyed
  TGAnimation* FFlyAnimation = nullptr; // owned
  int32_t FElapsedTime = 0;
  TFlightFinishEvent FFinishProc;
  // The animation's total time, measured once: the channels do not change in flight.
  int32_t FTotalTime = 0;
  bool FFailed = false;
};

class TFlyingObject : public TBaseFlyingObject {
  G_CLASS(TFlyingObject, TBaseFlyingObject)
  explicit TFlyingObject(TGObject* AOwner = nullptr)
      : TBaseFlyingObject(AOwner) {}

  static constexpr const char* CPointsURL = "FlightAnimations\\Points.ani";
  static constexpr const char* CBonusPointsURL = "FlightAnimations\\ZephrinPoints.ani";

  // An object worth points and not taken before shows them at its centre ("Points.ani", the
  // text in its channel 0, its channel 1 hidden); in a combo, the extra points too
  // ("ZephrinPoints.ani", the text in its channel 2). A points animation that is missing or
  // unlike that is reported and left out; the flight goes on without it.
  void InitAnimation(bool AUseStartPos, const TGFlatVector& AStartPos) override;

private:
  // A clone of the points animation with Text in its channel TextChannel, or none (reported).
  TGAnimation* PointsAnimation(const char* URL, int32_t TextChannel, int32_t Points);
  // A picture channel of the flight showing Points at Centre (pivot in the middle), keyed
  // again at the flight's end when KeepInPlace.
  void AddPointsChannel(TGAnimation* Points, const TGFlatVector& Centre, bool KeepInPlace);
};
