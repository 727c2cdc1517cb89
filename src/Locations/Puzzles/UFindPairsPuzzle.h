// The find-pairs puzzle: a location whose objects to find come in twins sharing a group ID. Its
// main channel runs the pairing state instead of the common one; it is finished once everything
// is collected. The list shows no counts of a group's objects, and a hint points at both twins.
#pragma once

#include "locations/USimpleLocation.h"

class TFindPairsPuzzle : public TLocationWithGoalAllItemsCollected {
  G_CLASS(TFindPairsPuzzle, TLocationWithGoalAllItemsCollected)
  explicit TFindPairsPuzzle(TGObject* AOwner = nullptr)
      : TLocationWithGoalAllItemsCollected(AOwner) {}

  void Activate() override;
  void Deactivate() override;
  void AfterObjectPick(const std::string& AObjID, int32_t AItemsLeft) override;
  void FillMainChannel() override;
  bool IsShowObjectCountInGroupAllowed() const override { return false; }
  // The hint's bolt and spark on every object of the location in the object's group (on the
  // object alone when it has no group).
  void HintByGroupID(TGameObject* AObject);

  static void Publish(TGClassBuilder<TFindPairsPuzzle>& B);
};
