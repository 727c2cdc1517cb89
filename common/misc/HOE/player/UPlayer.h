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
class TInventory;

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
  // The objects of every items group of the inventory, in its order.
  std::vector<TGameObject*> InventoryItemObjects() const;
  TInventory* Inventory() const { return FInventory; }
  // Number of tool groups carried.
  int ToolsCount() const;
  // True while the profile loads (listing objects then tells their behaviours nothing).
  bool IsLoading() const { return FIsLoading; }
  void SetIsLoading(bool Value) { FIsLoading = Value; }

  static void Publish(TGClassBuilder<TBasePlayer>& B);

protected:
  void Destroy() override;

private:
  void OnLinkedDestroyed(TGObject* Sender);

  std::string FName;
  bool FIsLoading = false;
  TInventory* FInventory; // owned
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
  int32_t Score() const { return FScore; }
  void SetScore(int32_t Value) { FScore = Value; }
  void AddScore(int32_t Points);
  // Seconds played in this run of the program.
  float SessionPlaytime() const { return FSessionPlaytime; }
  void IncrementSessionPlaytime(float Milliseconds) { FSessionPlaytime += Milliseconds / 1000; }
  bool ScannerTipShown = false;
  bool UnlimLocationComplete = false;

  static void Publish(TGClassBuilder<TPlayer>& B);

protected:
  void Destroy() override;

private:
  TMuseumItems* FMuseumItems;                    // owned
  TCollectedZephrinsManager* FCollectedZephrins; // owned
  int32_t FTakenZephrinCount = 0;
  bool FZephrinModeUnlocked = false;
  int32_t FScore = 0;
  float FSessionPlaytime = 0;
};

// The profile being played, or none.
extern TPlayer* CurrentPlayer;
