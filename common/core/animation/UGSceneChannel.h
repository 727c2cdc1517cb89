// The scene channel: shows a 3D scene resource through one of its cameras in a rectangle of
// Width × Height. Until scenes can be drawn it shows only its editor overlays and is hit as
// the rectangle of a placed channel.
#pragma once

#include "animation/UGChannel.h"

class TGSceneChannel : public TGMovie {
  G_CLASS(TGSceneChannel, TGMovie)
public:
  explicit TGSceneChannel(TGObject* AOwner = nullptr);

  // (Width(T), Height(T), 0).
  void GetExtent(int32_t Time, TGVector& Extent) override;
  // The placed rectangle at the current time.
  bool Hit(const TGVector& Point) override;

  TGResourceSeq* SceneURL() const { return FSceneURL; }
  TGStringSeq* CameraName() const { return FCameraName; }
  TGRealEnv* Width() const { return FWidth; }
  TGRealEnv* Height() const { return FHeight; }
  TGBoolSeq* PreciseHit() const { return FPreciseHit; }

  static void Publish(TGClassBuilder<TGSceneChannel>& B);

protected:
  TGResourceSeq* FSceneURL = nullptr;
  TGStringSeq* FCameraName = nullptr;
  TGRealEnv* FWidth = nullptr;
  TGRealEnv* FHeight = nullptr;
  TGBoolSeq* FPreciseHit = nullptr;
};
