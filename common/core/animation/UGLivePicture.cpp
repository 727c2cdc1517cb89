#include "animation/UGLivePicture.h"

#include "drawables/UGSprite.h"

#include <cmath>

G_IMPLEMENT_CLASS(TGLivePicture)

TGLivePicture::TGLivePicture(TGObject* AOwner)
    : TGMovie(AOwner) {
  FSymbol = new TGSymbol(this);
  SetVar(FGfx, new TGResourceSeq("GfxURL", TGVariant::Null()));
  SetVar(FSpriteClipping, new TGBoolSeq("SpriteClipping", TGVariant(false)));
  SetVar(FSpriteLeft, new TGRealEnv("SpriteLeft", 0, nullptr, false));
  SetVar(FSpriteTop, new TGRealEnv("SpriteTop", 0, nullptr, false));
  SetVar(FSpriteRight, new TGRealEnv("SpriteRight", 0, nullptr, false));
  SetVar(FSpriteBottom, new TGRealEnv("SpriteBottom", 0, nullptr, false));
  SetVar(FGrayscale, new TGBoolSeq("Grayscale", TGVariant(false)));
}

void TGLivePicture::Publish(TGClassBuilder<TGLivePicture>& B) {
  B.Property("Gfx", &TGLivePicture::Gfx)
      .Property("SpriteClipping", &TGLivePicture::SpriteClipping)
      .Property("SpriteLeft", &TGLivePicture::SpriteLeft)
      .Property("SpriteTop", &TGLivePicture::SpriteTop)
      .Property("SpriteRight", &TGLivePicture::SpriteRight)
      .Property("SpriteBottom", &TGLivePicture::SpriteBottom)
      .Property("Grayscale", &TGLivePicture::Grayscale)
      .Property("Instance", &TGLivePicture::GetInstance);
}

TGGraphic* TGLivePicture::GraphicAt(int32_t Time, int32_t* KeyTime) const {
  if (KeyTime) {
    const int I = FGfx->FindActiveTerm(Time);
    *KeyTime = I < 0 ? 0 : FGfx->Terms(I).Time;
  }
  // A key holding another kind of resource (a font, a sound) shows nothing.
  return dynamic_cast<TGGraphic*>(FGfx->GetResValue(Time));
}

TGRectFloat TGLivePicture::ClipRectAt(int32_t Time) const {
  return TGRectFloat{std::nearbyint(FSpriteLeft->GetRealValue(Time)),
                     std::nearbyint(FSpriteTop->GetRealValue(Time)),
                     std::nearbyint(FSpriteRight->GetRealValue(Time)),
                     std::nearbyint(FSpriteBottom->GetRealValue(Time))};
}

void TGLivePicture::GetExtent(int32_t Time, TGVector& Extent) {
  Extent = TGVector{0, 0, 0};
  TGGraphic* G = GraphicAt(Time);
  if (!G) {
    return;
  }
  if (dynamic_cast<TGSprite*>(G) && FSpriteClipping->GetBoolValue(Time)) {
    const TGRectFloat R = ClipRectAt(Time);
    Extent = TGVector{R.Right - R.Left, R.Bottom - R.Top, 0};
  } else {
    Extent = TGVector{G->Extent().X, G->Extent().Y, 0};
  }
}

bool TGLivePicture::Hit(const TGVector& Point) {
  return FSymbol->Hit(Point);
}

void TGLivePicture::Draw() {
  if (MaskRenderingStep != 2) {
    FSymbol->Draw();
  }
  TGMovie::Draw();
}

void TGLivePicture::Update() {
  const int32_t T = FElapsedTime;
  int32_t S = 0;
  TGGraphic* G = GraphicAt(T, &S);
  // Going backwards restarts the graphic: its clone cannot run back in time.
  if (T < FOldElapsedTime) {
    FSymbol->SetGraphic(nullptr);
  }
  if (FSymbol->Graphic() == G && FGraphicStartTime == S) {
    FSymbol->Update(static_cast<float>(T - FOldElapsedTime) / 1000.0f);
  } else {
    FGraphicStartTime = S;
    // A new key showing the same graphic restarts it as well; the symbol keeps its clone when
    // given the graphic it already has.
    if (FSymbol->Graphic() == G) {
      FSymbol->SetGraphic(nullptr);
    }
    FSymbol->SetGraphic(G);
    FSymbol->Update(static_cast<float>(T - S) / 1000.0f);
  }

  if (auto* Sprite = dynamic_cast<TGSprite*>(FSymbol->Instance())) {
    if (FSpriteClipping->GetBoolValue(T)) {
      const TGRectFloat R = ClipRectAt(T);
      Sprite->SetRect(R);
      FSymbol->SetExtent(TGVector{R.Right - R.Left, R.Bottom - R.Top, 0});
    } else if (auto* Source = dynamic_cast<TGSprite*>(FSymbol->Graphic());
               Source && Sprite->Rect() != Source->Rect()) {
      // Clipping switched off again: the whole picture shows.
      Sprite->SetRect(Source->Rect());
      FSymbol->SetExtent(Source->Extent());
    }
  }

  FSymbol->SetColor(ContentColor(T));
  FSymbol->SetTextureFilter(FTextureFilter->GetTextureFilterValue(T));
  FSymbol->SetBlending(FBlending->GetBlendingValue(T));
  FSymbol->SetGrayscale(FGrayscale->GetBoolValue(T) ? grayOn : grayParent);
  FSymbol->SetTransform(FX->GetRealValue(T), FY->GetRealValue(T), FPivotX->GetRealValue(T),
                        FPivotY->GetRealValue(T), FAngle->GetRealValue(T), FScaleX->GetRealValue(T),
                        FScaleY->GetRealValue(T));
  FOldElapsedTime = T;
}
