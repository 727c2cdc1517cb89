#include "player/UPlayer.h"

#include "locations/UBaseLocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "player/UPlayList.h"

G_IMPLEMENT_CLASS(TBasePlayer)
G_IMPLEMENT_CLASS(TPlayer)

TPlayer* CurrentPlayer = nullptr;

namespace {

// The name under which the developers test with every cheat switched on.
constexpr std::string_view DeveloperName = "KESTREL_OPS";

} // namespace

TBasePlayer::TBasePlayer(TGObject* AOwner)
    : TGObject(AOwner)
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

void TPlayer::Publish(TGClassBuilder<TPlayer>& B) {
  B.Property("TakenZephrinCount", &TPlayer::TakenZephrinCount, &TPlayer::SetTakenZephrinCount)
      .Property("ZephrinModeUnlocked", &TPlayer::ZephrinModeUnlocked,
                &TPlayer::SetZephrinModeUnlocked);
}

void TPlayer::Destroy() {
  if (CurrentPlayer == this) {
    CurrentPlayer = nullptr;
  }
  inherited::Destroy();
}
