// The hint: a lightning bolt from the hint button to an object still to find and a spark on the
// object. Hints are counted (the profile keeps the count); at zero the button recharges for a
// minute. Location scripts may take the hint over ("OnHintScript").
#pragma once

#include "math/UGMathTypes.h"
#include "object/UGObject.h"

#include <cstdint>
#include <vector>

class TGGraphic;
class TGameObject;
class TGameScreen;
class TScaledGraphicCollection;

class TGameHint : public TGObject {
  G_CLASS(TGameHint, TGObject)
  explicit TGameHint(TGObject* AOwner = nullptr)
      : TGameHint(AOwner, nullptr) {}
  TGameHint(TGObject* AOwner, TGameScreen* AGameScreen);

  static constexpr int32_t CRechargeTime = 60000;

  bool Recharging() const { return FRecharging; }
  int32_t RechargeElapsedTime() const { return FRechargeElapsedTime; }
  int SparkCount() const { return static_cast<int>(FSparkList.size()); }
  int BoltCount() const;

  // Seconds.
  void Update(float AInterval);
  void Draw();
  // Starts the minute of recharge; with AffectCount the count shows 1 meanwhile.
  void Recharge(bool AffectCount);
  // Sparks end after their current pass; KillSparks removes them at once.
  void HideSparks();
  void KillSparks();
  void ShowSpark(const TGFlatVector& Point);
  void ShowSparkAt(TGameObject* AObject);
  void ShowLightningBolt(const TGFlatVector& Source, const TGFlatVector& Destination);
  void ShowLightningBoltTo(const TGFlatVector& Destination);
  void ShowLightningBoltAt(TGameObject* AObject);
  void Spark(TGameObject* AObj);
  void LightningBolt(TGameObject* AObj);
  // The hint itself: a clue becomes an ordinary object, bolt and spark, picking it then scores
  // the points "with hint".
  void HintObjectManual(TGameObject* AObject);
  // The location's hint script first, then the hiders still in the way, else the object.
  void HintObjectScript(TGameObject* AObject);
  void HighlightPuzzle(TGameObject* AObj);
  void Sound();
  void OnHintClick(TGObject* Sender);
  void OnSolveClick(TGObject* Sender);
  void DisabledHintClick(TGObject* Sender);

  static void Publish(TGClassBuilder<TGameHint>& B);

protected:
  void Destroy() override;

private:
  TGGraphic* CloneAnimation(const char* URL);
  void UpdateButtons();

  bool FRechargingBecauseOfZero = false;
  TGameScreen* FGameScreen = nullptr;
  TScaledGraphicCollection* FScaledGraphics = nullptr; // owned
  std::vector<TGGraphic*> FSparkList;                  // owned
  bool FRecharging = false;
  int32_t FRechargeElapsedTime = 0;
};
