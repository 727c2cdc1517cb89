// The ore detector: while the scene's script lets it tick, an indicator beside the pointer ticks
// the faster the nearer the pointer comes to a hidden ore, a far and a near indicator taking
// turns; pointing at the find spot reports the ore to the scene's script.
#pragma once

#include "locations/USimpleLocation.h"

class TAlaska_06 : public TLocationWithGoalAllItemsCollected {
  G_CLASS(TAlaska_06, TLocationWithGoalAllItemsCollected)
  explicit TAlaska_06(TGObject* AOwner = nullptr)
      : TLocationWithGoalAllItemsCollected(AOwner) {}

  // From this distance on the far indicator ticks.
  static constexpr float CNearDistance = 80;

  bool OreFoundFlag() const { return FOreFound; }
  bool Ticking() const { return FTicking; }

  // Ticking starts (not again once the ore is found); TickStop ends it with both indicators
  // hidden and their animations at their end.
  void Tick();
  void TickStop();
  // The pointer's distance from the ore's centre, never below 0.001.
  float Closeness() const;
  // The indicator for the pointer's distance; the other one is hidden. None without either.
  TGameObject* Indicator();
  // How many times its normal speed the indicator ticks at that distance.
  static float TickRate(float Closeness);
  void OreFound();

  void AfterConstruction() override;
  void Update(int32_t AInterval) override;

  static void Publish(TGClassBuilder<TAlaska_06>& B);

private:
  bool FOreFound = false;
  bool FTicking = false;
  bool FTickingOldValue = false;
};
