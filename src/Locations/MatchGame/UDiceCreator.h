// The dice bonus's shower: 1.6 seconds after the dice explodes, twenty small explosions fly in
// arcs from its cell to gems across the board within half a second, each exploding the gem it
// lands on. The creator picks the targets and starts one flight task per explosion.
#pragma once

#include "Locations/MatchGame/URowCol.h"
#include "Locations/MatchGame/UTask.h"

#include <string>

class TGAnimation;
class TGGraphic;

// The explosions of one shower, and the seconds before and during it.
constexpr int32_t CDiceExplosions = 20;
constexpr float CDiceDelay = 1.6f;
constexpr float CDiceShowerTime = 0.5f;

class TExplosionDiceCreator : public TBoardTask {
  G_CLASS(TExplosionDiceCreator, TBoardTask)
  // A shower from Origin whose explosions show the graphic at EffectURL.
  TExplosionDiceCreator(TTaskProcessor* AProcessor, TRowCol AOrigin, const std::string& EffectURL);

  TRowCol Origin() const { return FOrigin; }
  int32_t ExplosionCreates() const { return FExplosionCreates; }
  float Delay() const { return FDelay; }

  void Update(float Seconds) override;

private:
  // Starts up to Count explosions; the first goes below a block, the second to a covered cell
  // when there are such, the others anywhere. A target must hold a gem on a free cell.
  void CreateExplosions(int32_t Count);
  bool IsTarget(const TCell* Cell) const;

  TRowCol FOrigin;
  std::string FEffect;
  int32_t FExplosionNumber = CDiceExplosions;
  int32_t FExplosionCreates = 0;
  float FTimer = 0;
  float FDelay = CDiceDelay;
};

// One explosion of the shower: it locks its target, flies there from the dice's cell and
// explodes the target's item when it lands.
class TExplosionDice : public TBoardTask {
  G_CLASS(TExplosionDice, TBoardTask)
  TExplosionDice(TTaskProcessor* AProcessor, TRowCol AOrigin, TRowCol ATarget,
                 const std::string& EffectURL);

  TRowCol Target() const { return FTarget; }
  TRowCol Origin() const { return FOrigin; }
  TGAnimation* Ani() const { return FAni; }

  void Update(float Seconds) override;

protected:
  void Destroy() override;

private:
  TGAnimation* FAni = nullptr; // owned
  TRowCol FTarget;
  TRowCol FOrigin;
  // No board panel draws (and so updates) the flight: the task advances it itself.
  bool FUpdatesAni = false;
};

// The flight of one explosion from Start to End: the horizontal way runs ahead of the vertical
// (x by the square root of the time, y by its square), so the piece flies in an arc; 1000 ms of
// animation time at speed 1.5.
TGAnimation* CreateDiceAnimation(TGObject* AOwner, TGGraphic* Effect, TGFlatVector Start,
                                 TGFlatVector End);
// The point a fraction T of the flight from Start to End.
TGFlatVector Interpolation(TGFlatVector Start, TGFlatVector End, float T);
