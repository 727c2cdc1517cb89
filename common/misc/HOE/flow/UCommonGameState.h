// The interactive state: while it leads the main channel, clicks reach the objects' behaviours
// and keys the location. It steps aside as soon as anything is queued behind it.
#pragma once

#include "flow/UFlowState.h"

class TBaseLocation;

// The common state shows the play screen's panel when it starts.
extern bool AffectGameInterface;

class TBaseCommonGameState : public TFlowState {
  G_CLASS(TBaseCommonGameState, TFlowState)
  explicit TBaseCommonGameState(TGObject* AOwnerChannel = nullptr)
      : TFlowState(AOwnerChannel) {}

  // Finishes once anything waits behind it.
  void Update(int32_t AInterval) override;
  // The object's own handler, then for the left button: the location's interaction script
  // (which may refuse the click), the held object used on it, and its location behaviour.
  void GameObjectMouseDown(TGameObject* Sender, int Button) override;
  void GameObjectMouseUp(TGameObject* Sender, int Button) override;
  void GameObjectInventoryMouseDown(TGameObject* Sender, int Button) override;
  // The right button puts the held object back.
  void WindowMouseDown(int Button) override;
  void WindowKeyDown(int Key) override;

  // The held object used on the clicked one, then its own behaviour; the location's
  // interaction script first when asked.
  static void ClickObject(TBaseLocation* ALocation, TGameObject* Sender, bool AskInteraction);
  // The location play is in: the player's, or the one of the state's channel.
  static TBaseLocation* LocationOf(const TBaseFlowState* State);

protected:
  TBaseLocation* Location() const { return LocationOf(this); }
};

class TCommonGameState : public TBaseCommonGameState {
  G_CLASS(TCommonGameState, TBaseCommonGameState)
  explicit TCommonGameState(TGObject* AOwnerChannel = nullptr)
      : TBaseCommonGameState(AOwnerChannel) {}

  void Initialize() override;
  // The developer keys, with cheats on: F6 (the location's own), F7 (click every inventory
  // item), F8 (one more hint), Page Up (click every bird still in the location).
  void WindowKeyDown(int Key) override;
};
