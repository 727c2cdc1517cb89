// The x-ray lens: a lens object follows the pointer and shows, inside it, the hidden view behind
// the scene, moved against the pointer so the part under the lens is the part behind it. The
// hidden view shows each of the location's objects until it is taken.
#pragma once

#include "locations/USimpleLocation.h"

class TGLivePicture;

class TNewYork_06 : public TLocationWithGoalAllItemsCollected {
  G_CLASS(TNewYork_06, TLocationWithGoalAllItemsCollected)
  explicit TNewYork_06(TGObject* AOwner = nullptr)
      : TLocationWithGoalAllItemsCollected(AOwner) {}

  // The point of the hidden view that stands under the lens's centre at the pointer (0, 0).
  static constexpr float CViewX = 400;
  static constexpr float CViewY = 271;

  void StartScanner();
  void StopScanner();
  // The lens, or none.
  TGameObject* ScannerObj() const;
  // The picture channel of the lens's animation, or none.
  TGLivePicture* LensPicture() const;
  void UpdateScanner();

  void Update(int32_t AInterval) override;

  static void Publish(TGClassBuilder<TNewYork_06>& B);
};
