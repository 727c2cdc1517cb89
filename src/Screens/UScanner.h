// The scanner on the panel: it shows the picture of the object the player last chose in the
// objects list, tinted by how close the mouse is to it. At the middle difficulty it may be used
// once per scene, at the hardest not at all; rapid clicking disturbs it or breaks it down.
#pragma once

#include "math/UGColor.h"
#include "math/UGMathTypes.h"
#include "object/UGObject.h"

#include <cstdint>

class TGAnimation;
class TGGraphic;
class TGameObject;
class TGWindow;

enum TScannerBreakType : uint8_t { sbtNone = 0, sbtNoise = 1, sbtBreak = 2, sbtTurningOn = 3 };
enum TScannerEventType : uint8_t { setSelectionWhileBroken = 0 };

class TScanner : public TGObject {
  G_CLASS(TScanner, TGObject)
  explicit TScanner(TGObject* AOwner = nullptr)
      : TScanner(AOwner, nullptr) {}
  TScanner(TGObject* AOwner, TGWindow* AGameScreen);

  using TEvent = TGMethod<void(TGObject*, int)>;
  TEvent OnEvent;

  TGameObject* SelectedObject() const { return FObject; }
  TGameObject* LastGameObject() const { return FLastGameObject; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  bool Broken() const { return FBroken; }
  TScannerBreakType BrokenType() const { return FBrokenType; }
  int32_t BrokenTime() const { return FBrokenTime; }
  void SetBrokenTime(int32_t Value) { FBrokenTime = Value; }
  bool Closed() const { return FClosed; }
  TGColor CurrColor() const { return FCurrColor; }
  int32_t UseCounter() const { return FUseCounter; }
  bool GetVisible() const;
  bool Visible() const { return GetVisible(); }
  void SetVisible(bool Value);

  void SetObject(TGameObject* Obj);
  void ResetSelectedObject();
  void PerformItemClickSound();
  void ResetUseCounter();
  void SetClosed(bool Value);
  void TurnOn();
  void BreakScanner();
  void Noise(int32_t Milliseconds);
  // Seconds. Whole again after a breakdown, the checker of rapid clicks starts over: Recovered
  // says so.
  void Update(float Interval);
  void Draw();
  // Set by the last Update when the scanner came back from a breakdown.
  bool Recovered() const { return FRecovered; }

  static void Publish(TGClassBuilder<TScanner>& B);

protected:
  void Destroy() override;

private:
  void OnLinkedDestroyed(TGObject* Sender);
  void ShowOnBroken(const char* AnimationURL);
  void SetWidgetVisible(const char* Path, bool Value);
  void ComputeCentre();
  void FreeGfx();

  TGWindow* FGameScreen = nullptr;
  bool FScannerColorEnabled = false;
  TGAnimation* FScannerBehavior = nullptr; // owned
  TGameObject* FObject = nullptr;
  TGFlatVector FObjCenter{};
  TGGraphic* FGfx = nullptr; // owned
  float FMaxDistance = 1;
  TGColor FCurrColor = TGColor(0xFFFFFFFF);
  bool FVisible = false;
  bool FEnabled = false;
  bool FBroken = false;
  int32_t FBrokenTime = 0;
  TScannerBreakType FBrokenType = sbtNone;
  int32_t FUseCounter = 0;
  bool FClosed = false;
  TGameObject* FLastGameObject = nullptr;
  bool FIsResetingSelectingObject = false;
  bool FRecovered = false;
};
