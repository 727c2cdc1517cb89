// The three bonuses of the match-three board: the line bonus (made by a match of four), the
// cross bonus (five to ten) and the dice bonus (made when all the blocks are down, and after
// three line or cross bonuses). Each scores its own points from "MatchGame\Scores.cfg" when it
// explodes.
#pragma once

#include "Locations/MatchGame/UItem.h"

class TLineBonus : public TBonusItem {
  G_CLASS(TLineBonus, TBonusItem)
  explicit TLineBonus(TGObject* AOwner = nullptr)
      : TBonusItem(AOwner) {}

  std::string GetGfxPrefix() const override { return "Game/Match/GameItems/Bonuses/Line/"; }
  int32_t GetExplosionPoints() const override;
};

class TCrossBonus : public TBonusItem {
  G_CLASS(TCrossBonus, TBonusItem)
  explicit TCrossBonus(TGObject* AOwner = nullptr)
      : TBonusItem(AOwner) {}

  std::string GetGfxPrefix() const override { return "Game/Match/GameItems/Bonuses/Cross/"; }
  int32_t GetExplosionPoints() const override;
};

class TDiceBonus : public TBonusItem {
  G_CLASS(TDiceBonus, TBonusItem)
  explicit TDiceBonus(TGObject* AOwner = nullptr)
      : TBonusItem(AOwner) {}

  std::string GetGfxPrefix() const override { return "Game/Match/GameItems/Bonuses/Dice/"; }
  // The picture shown over the whole screen when it explodes.
  std::string GetGlobalExplosionGfx() const { return GetGfxPrefix() + "Global.ani"; }
  int32_t GetExplosionPoints() const override;
};
