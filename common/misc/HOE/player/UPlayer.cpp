#include "player/UPlayer.h"

#include "inventory/UInventory.h"
#include "locations/UBaseLocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "player/UPlayList.h"

#include <algorithm>
#include <climits>

G_IMPLEMENT_CLASS(TBasePlayer)
G_IMPLEMENT_CLASS(TPlayer)

TPlayer* CurrentPlayer = nullptr;

namespace {

// The name under which the developers test with every cheat switched on.
constexpr std::string_view DeveloperName = "KESTREL_OPS";

} // namespace

TBasePlayer::TBasePlayer(TGObject* AOwner)
    : TGObject(AOwner)
    , FInventory(new TInventory(this))
    , FPointerCursor(new TGameObject(this, "Pointer"))
    , FCursor(FPointerCursor) {}

void TBasePlayer::Publish(TGClassBuilder<TBasePlayer>& B) {
  B.Property("Name", &TBasePlayer::Name, &TBasePlayer::SetName)
      .Property("Cheats", &TBasePlayer::Cheats)
      .Property("CurrentLocation", &TBasePlayer::CurrentLocation)
      .Property("Cursor", &TBasePlayer::Cursor, &TBasePlayer::SetCursor)
      .Property("PointerCursor", &TBasePlayer::PointerCursor);
}

void TBasePlayer::Destroy() {
  FCurrentLocation = nullptr;
  FCursor = nullptr;
  inherited::Destroy();
}

std::vector<TGameObject*> TBasePlayer::InventoryItemObjects() const {
  std::vector<TGameObject*> Objects;
  TItemsCollection* Items = FInventory->Items();
  for (int G = 0; G < Items->Count(); ++G) {
    for (int I = 0; I < Items->Group(G)->Count(); ++I) {
      Objects.push_back(Items->Group(G)->ItemByIndex(I));
    }
  }
  return Objects;
}

int TBasePlayer::ToolsCount() const {
  return FInventory->Tools()->Count();
}

bool TBasePlayer::Cheats() const {
  return ConfigurationFlag("Cheats") || FName == DeveloperName;
}

void TBasePlayer::SetCurrentLocation(TBaseLocation* Value) {
  if (FCurrentLocation) {
    UnSubscribe(FCurrentLocation);
  }
  FCurrentLocation = Value;
  if (Value) {
    Subscribe(TGNotification(Value, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TBasePlayer::OnLinkedDestroyed));
  }
}

void TBasePlayer::SetCursor(TGameObject* Value) {
  if (FCursor && FCursor != FPointerCursor) {
    UnSubscribe(FCursor);
  }
  FCursor = Value ? Value : FPointerCursor;
  if (FCursor != FPointerCursor) {
    Subscribe(TGNotification(FCursor, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TBasePlayer::OnLinkedDestroyed));
  }
}

void TBasePlayer::OnLinkedDestroyed(TGObject* Sender) {
  if (Sender == FCurrentLocation) {
    FCurrentLocation = nullptr;
  }
  if (Sender == FCursor) {
    FCursor = FPointerCursor;
  }
}

TPlayer::TPlayer(TGObject* AOwner)
    : TBasePlayer(AOwner)
    , FMuseumItems(new TMuseumItems(this))
    , FCollectedZephrins(new TCollectedZephrinsManager(this)) {
  if (!CurrentPlayer) {
    CurrentPlayer = this;
  }
}

void TPlayer::AddScore(int32_t Points) {
  // The score stays within its 32 bits.
  int64_t Sum = int64_t{FScore} + Points;
  FScore = static_cast<int32_t>(std::clamp<int64_t>(Sum, INT32_MIN, INT32_MAX));
}

void TPlayer::Publish(TGClassBuilder<TPlayer>& B) {
  B.Property("TakenZephrinCount", &TPlayer::TakenZephrinCount, &TPlayer::SetTakenZephrinCount)
      .Property("ZephrinModeUnlocked", &TPlayer::ZephrinModeUnlocked,
                &TPlayer::SetZephrinModeUnlocked)
      .Property("Score", &TPlayer::Score, &TPlayer::SetScore)
      .Method("AddScore", &TPlayer::AddScore, {"Points"});
}

void TPlayer::Destroy() {
  if (CurrentPlayer == this) {
    CurrentPlayer = nullptr;
  }
  inherited::Destroy();
}
