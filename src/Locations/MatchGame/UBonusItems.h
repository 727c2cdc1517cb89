// The three bonuses of the match-three board: the line bonus (made by a match of four), the
// cross bonus (five to ten) and the dice bonus (made when all the blocks are down, and after
// three line or cross bonuses). Each scores its own points from "MatchGame\Scores.cfg" when it
// explodes. On the animated board an exploding line bonus sends explosion chains both ways along
// its row, a cross bonus also up and down its column, and a dice bonus starts a shower of twenty
// explosions on gems; on a board whose changes are made at once only the bonus itself explodes.
#pragma once

#include "Locations/MatchGame/UItem.h"

class TLineBonus : public TBonusItem {
  G_CLASS(TLineBonus, TBonusItem)
  explicit TLineBonus(TGObject* AOwner = nullptr)
      : TBonusItem(AOwner) {}

  std::string GetGfxPrefix() const override { return "Game/Match/GameItems/Bonuses/Line/"; }
  int32_t GetExplosionPoints() const override;
  // Chains in place, left and right.
  void Explode(TItem* Replacement) override;
};

class TCrossBonus : public TBonusItem {
  G_CLASS(TCrossBonus, TBonusItem)
  explicit TCrossBonus(TGObject* AOwner = nullptr)
      : TBonusItem(AOwner) {}

  std::string GetGfxPrefix() const override { return "Game/Match/GameItems/Bonuses/Cross/"; }
  int32_t GetExplosionPoints() const override;
  // Chains in place, left, right, up and down.
  void Explode(TItem* Replacement) override;
};

class TDiceBonus : public TBonusItem {
  G_CLASS(TDiceBonus, TBonusItem)
  explicit TDiceBonus(TGObject* AOwner = nullptr)
      : TBonusItem(AOwner) {}

  std::string GetGfxPrefix() const override { return "Game/Match/GameItems/Bonuses/Dice/"; }
  // The picture shown over the whole screen when it explodes, by a picture widget of this name
  // that the match screen takes away when its animation has played.
  std::string GetGlobalExplosionGfx() const { return GetGfxPrefix() + "Global.ani"; }
  static constexpr const char* CGlobalExplosionName = "GlobalExplosion";
  int32_t GetExplosionPoints() const override;
  // Shows the global explosion over the match screen and starts the shower from its cell.
  void Explode(TItem* Replacement) override;

private:
  void ShowGlobalExplosion() const;
};
