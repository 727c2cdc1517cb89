// The base of puzzle locations that take raw clicks (the match-three location): a simple
// location whose interactive state also hands every press and release to the location.
#pragma once

#include "flow/UCommonGameState.h"
#include "locations/USimpleLocation.h"

class TBaseLocation;

// The interactive state of such locations.
class TCommonPuzzleGameState : public TCommonGameState {
  G_CLASS(TCommonPuzzleGameState, TCommonGameState)
  explicit TCommonPuzzleGameState(TGObject* AOwnerChannel = nullptr);

  // The common handling, then the location's own.
  void WindowMouseDown(int Button) override;
  void WindowMouseUp(int Button) override;

protected:
  void Destroy() override;

private:
  void OnLocationDestroyed(TGObject* Sender);

  TBaseLocation* FLocation = nullptr;
};

// Named apart from the location module's puzzle location, which files name "TPuzzleLocation".
class TPuzzleGameLocation : public TSimpleLocation {
  G_CLASS(TPuzzleGameLocation, TSimpleLocation)
  explicit TPuzzleGameLocation(TGObject* AOwner = nullptr)
      : TSimpleLocation(AOwner) {}

  bool IsPuzzleLocation() const override { return true; }
  void FillMainChannel() override;
  // No hint of its own.
  virtual bool DoHint() { return false; }
  virtual void PuzzleSolved() {}

  static void Publish(TGClassBuilder<TPuzzleGameLocation>& B);
};
