// A location whose scripts can make the heroine's avatar angry for the rest of the visit.
#pragma once

#include "locations/ULocation.h"

class TAlaska_03a : public TLocation {
  G_CLASS(TAlaska_03a, TLocation)
  explicit TAlaska_03a(TGObject* AOwner = nullptr)
      : TLocation(AOwner) {}

  // Long enough to outlast any visit: another mood replaces it.
  static constexpr float CAngrySeconds = 100000;

  void SetAngryAvatar();

  static void Publish(TGClassBuilder<TAlaska_03a>& B);
};
