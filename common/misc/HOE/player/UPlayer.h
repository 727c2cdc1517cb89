// The player's profile as play sees it: who plays, on which difficulty, with which cheats,
// where (the current location), what is held on the mouse cursor, and the collections that
// picking fills (the museum and the collected birds). Saving, loading and switching profiles
// are built on this.
#pragma once

#include "object/UGObject.h"
#include "player/UCollections.h"

#include <string>
#include <string_view>
#include <vector>

class TBaseLocation;
class TGameObject;

enum TGameDifficulty { gdApprentice = 0, gdAdventurer = 1, gdSuperSleuth = 2 };

class TBasePlayer : public TGObject {
  G_CLASS(TBasePlayer, TGObject)
  explicit TBasePlayer(TGObject* AOwner = nullptr);

  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  TGameDifficulty GameDifficulty() const { return FGameDifficulty; }
  void SetGameDifficulty(TGameDifficulty Value) { FGameDifficulty = Value; }
  // The developer keys: the configuration flag "Cheats", or the developers' own profile name.
  bool Cheats() const;

  // The location the player is in; none before the game starts.
  TBaseLocation* CurrentLocation() const { return FCurrentLocation; }
  void SetCurrentLocation(TBaseLocation* Value);

  // The object that serves as mouse cursor: the plain pointer (ID "Pointer", owned by the
  // player) or an object taken in hand. Setting none gives the pointer.
  TGameObject* PointerCursor() const { return FPointerCursor; }
  TGameObject* Cursor() const { return FCursor; }
  void SetCursor(TGameObject* Value);
  bool HoldsObject() const { return FCursor != FPointerCursor; }
  // The objects of every item group the player carries, in the inventory's order; none until
  // the profile has an inventory.
  virtual std::vector<TGameObject*> InventoryItemObjects() const { return {}; }

  static void Publish(TGClassBuilder<TBasePlayer>& B);

protected:
  void Destroy() override;

private:
  void OnLinkedDestroyed(TGObject* Sender);

  std::string FName;
  TGameDifficulty FGameDifficulty = gdApprentice;
  TBaseLocation* FCurrentLocation = nullptr;
  TGameObject* FPointerCursor; // owned
  TGameObject* FCursor;
};

class TPlayer : public TBasePlayer {
  G_CLASS(TPlayer, TBasePlayer)
  explicit TPlayer(TGObject* AOwner = nullptr);

  TMuseumItems* MuseumItems() const { return FMuseumItems; }
  TCollectedZephrinsManager* CollectedZephrins() const { return FCollectedZephrins; }
  int32_t TakenZephrinCount() const { return FTakenZephrinCount; }
  void SetTakenZephrinCount(int32_t Value) { FTakenZephrinCount = Value; }
  bool ZephrinModeUnlocked() const { return FZephrinModeUnlocked; }
  void SetZephrinModeUnlocked(bool Value) { FZephrinModeUnlocked = Value; }

  static void Publish(TGClassBuilder<TPlayer>& B);

protected:
  void Destroy() override;

private:
  TMuseumItems* FMuseumItems;                    // owned
  TCollectedZephrinsManager* FCollectedZephrins; // owned
  int32_t FTakenZephrinCount = 0;
  bool FZephrinModeUnlocked = false;
};

// The profile being played, or none.
extern TPlayer* CurrentPlayer;
