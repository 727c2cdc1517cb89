// The base of play screens: a fading window that shows the player's current location, feeds it
// the mouse and keys through a queue of screen states, keeps track of what lies under the mouse
// and flies picked objects to the panel.
#pragma once

#include "flow/UPlayScreen.h"
#include "locations/UBaseLocation.h"
#include "math/UGMathTypes.h"
#include "widgets/UFadeWindow.h"

#include <cstdint>

class TBaseGameScreenStateQueue;
class TFlyingControl;
class TGameObject;
class TLocation;

// Which part of the screen a point lies on.
enum TPointDispositionType : uint8_t {
  pdtLocation = 0,
  pdtInterface = 1,
  pdtItems = 2,
  pdtTools = 3,
};

class TBaseGameScreen : public TFadeWindow {
  G_CLASS(TBaseGameScreen, TFadeWindow)
  explicit TBaseGameScreen(TGObject* AOwner = nullptr)
      : TFadeWindow(AOwner) {}
  void AfterConstruction() override;

  TBaseGameScreenStateQueue* StateQueue() const { return FStateQueue; }
  TLocation* ActiveLocation() const { return FActiveLocation; }
  bool IsUnloadingScreen() const { return FIsUnloading; }
  TPointDispositionType MouseDisposition() const { return FMouseDisposition; }
  TGameObject* MouseCaptureObject() const { return FMouseCaptureObject; }
  TGameObjectDispositionType MouseCaptureObjectDisposition() const {
    return FMouseCaptureObjectDisposition;
  }
  TFlyingControl* FlyingControl() const { return FFlyingControl; }
  // The mouse in screen pixels.
  TGFlatVector MousePosition() const;
  float CursorX() const { return MousePosition().X; }
  float CursorY() const { return MousePosition().Y; }

  virtual void SetActiveLocation(TLocation* Value);
  virtual void FillStateQueue() {}
  // Loads the player's world (the base: nothing).
  virtual void Initialize() {}
  virtual void UpdateCurrentItemsPage(bool AutoIncPageIndex, bool AWaitEffect);
  virtual TPointDispositionType GetDispositionAt(const TGFlatVector& Point);
  virtual void GetObjectAt(const TGFlatVector& Point, TGameObject*& Obj,
                           TGameObjectDispositionType& Disposition);
  virtual void GameObjectMouseDown(TGameObject* Obj, int Button);
  virtual void GameObjectMouseUp(int Button);
  virtual bool FlyToInventoryEx(TGameObject* AObject, const TFlightFinishEvent& AOnFinish);
  bool FlyToInventory(TGameObject* AObject) { return FlyToInventoryEx(AObject, {}); }
  virtual void MoveToInventory(TGameObject* AObject);
  virtual void AssignToCursor(TGameObject* AObject);
  virtual void ResetCursor(bool ReturnToInventory);

  void Update(float DeltaTime) override;
  void MouseDown(int Button) override;
  void MouseUp(int Button) override;
  void KeyDown(uint16_t Key) override;
  void DrawTree() override;

  static void Publish(TGClassBuilder<TBaseGameScreen>& B);

protected:
  void Destroy() override;
  void SetUnloading(bool Value) { FIsUnloading = Value; }
  // The capture object and its disposition anew; the behaviours hear of the change.
  void RefreshMouseCapture();

private:
  void OnLinkedDestroyed(TGObject* Sender);
  void Relink(TGameObject*& Field, TGameObject* Value);

  bool FIsUnloading = false;
  TBaseGameScreenStateQueue* FStateQueue = nullptr; // owned
  TLocation* FActiveLocation = nullptr;             // the player's
  TPointDispositionType FMouseDisposition = pdtLocation;
  TGameObject* FMouseCaptureObject = nullptr;
  TGameObjectDispositionType FMouseCaptureObjectDisposition = godtNone;
  TGameObject* FMouseDownObject = nullptr;
  TFlyingControl* FFlyingControl = nullptr; // owned
};

// The location's main flow state, or none.
class TBaseFlowState* MainFlowState(const TBaseLocation* Location);
