// Location classes that files name: a location with a welcome line and a finish report
// (bonuses, the win animation and line, then the next location), one that finishes by itself
// when everything is found, and the location of the unlimited hidden-object mode.
#pragma once

#include "locations/ULocation.h"

class TSimpleLocation : public TLocation {
  G_CLASS(TSimpleLocation, TLocation)
  explicit TSimpleLocation(TGObject* AOwner = nullptr)
      : TLocation(AOwner) {}

  // Set by the location's scripts; not saved.
  std::string WinAni;
  std::string WinSpeech = "$#SPEECH#Perfect! All done here.$";
  std::string NextLoc;
  std::string WelcomeSpeech;

  bool FinishReported() const { return FFinishReported; }
  // The welcome line, after the activation.
  void Activate() override;
  // Once: the avatar's joy, the bonuses for a location done without scanner or hints, then on
  // the main channel the win animation, the win line and the way to the next location.
  void FinishReport();

  static void Publish(TGClassBuilder<TSimpleLocation>& B);

private:
  bool FFinishReported = false;
};

class TLocationWithGoalAllItemsCollected : public TSimpleLocation {
  G_CLASS(TLocationWithGoalAllItemsCollected, TSimpleLocation)
  explicit TLocationWithGoalAllItemsCollected(TGObject* AOwner = nullptr)
      : TSimpleLocation(AOwner) {}

  // The finish report once nothing is left to find.
  void AfterObjectPick(const std::string& AObjID, int32_t AItemsLeft) override;
};

class TUnlimLocation : public TSimpleLocation {
  G_CLASS(TUnlimLocation, TSimpleLocation)
  explicit TUnlimLocation(TGObject* AOwner = nullptr);

  void Activate() override;
  // Everything found: the location is complete and the run ends.
  void AfterObjectPick(const std::string& AObjID, int32_t AItemsLeft) override;
};
