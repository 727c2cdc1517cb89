#include "animation/UGSceneChannel.h"

G_IMPLEMENT_CLASS(TGSceneChannel)

TGSceneChannel::TGSceneChannel(TGObject* AOwner)
    : TGMovie(AOwner) {
  SetVar(FSceneURL, new TGResourceSeq("SceneURL", TGVariant::Null()));
  SetVar(FCameraName, new TGStringSeq("CameraName", TGVariant(std::string())));
  SetVar(FWidth, new TGRealEnv("Width", 256, nullptr, false));
  SetVar(FHeight, new TGRealEnv("Height", 192, nullptr, false));
  SetVar(FPreciseHit, new TGBoolSeq("PreciseHit", TGVariant(false)));
}

void TGSceneChannel::Publish(TGClassBuilder<TGSceneChannel>& B) {
  B.Property("SceneURL", &TGSceneChannel::SceneURL)
      .Property("CameraName", &TGSceneChannel::CameraName)
      .Property("Width", &TGSceneChannel::Width)
      .Property("Height", &TGSceneChannel::Height)
      .Property("PreciseHit", &TGSceneChannel::PreciseHit);
}

void TGSceneChannel::GetExtent(int32_t Time, TGVector& Extent) {
  Extent = TGVector{FWidth->GetRealValue(Time), FHeight->GetRealValue(Time), 0};
}

bool TGSceneChannel::Hit(const TGVector& Point) {
  return HitTest(FElapsedTime, Point.X, Point.Y);
}
