// The flights of the play screen: picked objects flying to the panel and the tool on the cursor
// flying back to the tools drawer. The control owns the flight catalogue and the flights under
// way, advances and draws them every frame, and runs each flight's finish procedure when it
// lands (its animation's time used up, or every flight at once when the screen asks).
#pragma once

#include "flow/UPlayScreen.h"
#include "math/UGMathTypes.h"
#include "object/UGObject.h"

#include <string>
#include <vector>

class TBaseFlyingObject;
class TFlyingConfigurations;
class TGameObject;
class TInventory;

class TBaseFlyingControl : public TGObject {
  G_CLASS(TBaseFlyingControl, TGObject)
  // The catalogue ("FlyingAni.cfg") is read from the program's resource library at once. The
  // play screen the flights report to is AScreen; without one, the owner when it is a play
  // screen, else the one registered with the framework.
  explicit TBaseFlyingControl(TGObject* AOwner = nullptr, IPlayScreen* AScreen = nullptr);

  TFlyingConfigurations* Configs() const { return FConfigs; }
  IPlayScreen* Screen() const;
  const std::vector<TBaseFlyingObject*>& Items() const { return FItems; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // None outside the list.
  TBaseFlyingObject* GetByIndex(int Index) const;

  // The cursor's flight has landed: the tool goes back into the tools.
  virtual void OnCursorFinishFlying(TGameObject* Sender);
  // Every flight advances by Interval seconds, in list order; those that end land.
  virtual void Update(float Interval);
  virtual bool IsFlying(const TGameObject* AObj) const;
  // A flight of TFlyingObject.
  virtual bool Push(TGameObject* AObj, const TFlightFinishEvent& AFinishProc);
  // Starts a flight of the object with a flight of AObjClass (TBaseFlyingObject or a class
  // built on it). Refused when the object is a tool of a group the player does not carry yet
  // and its group would not fit the tools drawer with the other such flights under way. A
  // flight that cannot be made (unknown configuration, missing animation), or a second flight
  // of an object in flight, is reported on the diagnostic output and refused too; a refused
  // object stays where it is.
  virtual bool Push(TGameObject* AObj, TGClass AObjClass, const TFlightFinishEvent& AFinishProc);
  // The tool on the player's cursor flies from the mouse back to the tools ("ResetCursor"); a
  // flight that cannot be made lands at once, so that the tool is never lost. False when the
  // player holds nothing or the flight could not be made.
  bool PushCursor();
  // Every flight's animation, in list order.
  void Draw();
  // Every flight lands now, the last first.
  void FinishAll();
  // The flight leaves the list and is freed; then its finish procedure runs with its object.
  void Pop(TBaseFlyingObject* AFlight);

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  // Whether a flight of the object may start now (the tools drawer's capacity).
  bool CanStart(const TGameObject* AObj) const;
  // Takes a made flight (owned by nobody) into the list, or frees it and reports the error
  // when making it failed.
  template <class F>
  bool Start(TGClass AClass, TGameObject* AObj, F&& Make);

  TFlyingConfigurations* FConfigs = nullptr; // owned
  std::vector<TBaseFlyingObject*> FItems;    // owned
  IPlayScreen* FScreen = nullptr;
};

// The play screen's control.
class TFlyingControl : public TBaseFlyingControl {
  G_CLASS(TFlyingControl, TBaseFlyingControl)
  explicit TFlyingControl(TGObject* AOwner = nullptr, IPlayScreen* AScreen = nullptr)
      : TBaseFlyingControl(AOwner, AScreen) {}
};
