#include "widgets/UGPicture.h"

#include "animation/UGAnimation.h"
#include "drawables/UGGraphic.h"
#include "drawables/UGSymbol.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TGPicture)

void TGPicture::Publish(TGClassBuilder<TGPicture>& B) {
  B.Property("Gfx", &TGPicture::Gfx, &TGPicture::SetGfx)
      .Property("Picture", &TGPicture::Picture)
      .Property("ProportionalScaling", &TGPicture::ProportionalScaling,
                &TGPicture::SetProportionalScaling)
      .Property("HitTest", &TGPicture::HitTest, &TGPicture::SetHitTest);
}

void TGPicture::AfterConstruction() {
  // The symbol comes first: the default extent asks for the graphic.
  FPicture = new TGSymbol(this);
  inherited::AfterConstruction();
}

void TGPicture::SetGfx(TGGraphic* Value) {
  SetResource(FGfx, Value);
  if (FPicture->Graphic() != Value) {
    FUpdated = false;
  }
  FPicture->SetGraphic(Value);
}

void TGPicture::SetProportionalScaling(bool Value) {
  if (FProportionalScaling != Value) {
    FProportionalScaling = Value;
    FUpdated = false;
  }
}

void TGPicture::UpdateMatrix() {
  const TGGraphic* G = FPicture->Graphic();
  if (!G) {
    return;
  }
  const float GW = G->Width();
  const float GH = G->Height();
  // A graphic without area has nothing to fit: it keeps its own scale instead of an infinite one.
  const bool Empty = !(GW > 0) || !(GH > 0);
  TGFlatVector Scale{1, 1};
  TGFlatVector Offset{0, 0};
  if (FProportionalScaling || Empty) {
    float S = 1;
    if (!Empty) {
      const float ExcessX = std::max(0.0f, GW - FWidth);
      const float ExcessY = std::max(0.0f, GH - FHeight);
      if (ExcessX != 0 || ExcessY != 0) {
        S = ExcessX > ExcessY ? FWidth / GW : FHeight / GH;
      }
    }
    Scale = {S, S};
    Offset = {(FWidth - S * GW) / 2, (FHeight - S * GH) / 2};
  } else {
    Scale = {FWidth / GW, FHeight / GH};
  }
  const TGVector& O = G->Origin();
  FPicture->SetMatrix(MatAffineTransform2D(TGFlatVector{O.X, O.Y}, Scale,
                                           TGFlatVector{Offset.X - O.X, Offset.Y - O.Y}, 0));
}

void TGPicture::Draw() {
  if (!FGfx) {
    return;
  }
  if (!FUpdated) {
    UpdateMatrix();
    FPicture->Update(0);
    FUpdated = true;
  }
  FPicture->Draw();
}

void TGPicture::Update(float DeltaTime) {
  UpdateMatrix();
  FPicture->Update(DeltaTime);
  FUpdated = true;
}

bool TGPicture::InternalHit(const TGFlatVector& Point) {
  // The size may have changed since the last update.
  UpdateMatrix();
  return FPicture->Hit(TGVector{Point.X, Point.Y, 0});
}

TGWidget* TGPicture::GetWidgetAt(const TGPoint& P) {
  if (!GlobalVisible()) {
    return nullptr;
  }
  if (TGWidget* W = GetChildWidgetAt(P)) {
    return W;
  }
  if (!FAllowMouse) {
    return nullptr;
  }
  if (!FHitTest) {
    return ScreenRectContains(P) ? this : nullptr;
  }
  return Hit(ScreenToParent(P), true, false) ? this : nullptr;
}

void TGPicture::GetDefaultExtent(float& AWidth, float& AHeight) {
  GraphicExtent(FGfx, AWidth, AHeight);
}

void TGPicture::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (TGPicture* D = dynamic_cast<TGPicture*>(Dest)) {
    D->SetGfx(FGfx);
    D->SetProportionalScaling(FProportionalScaling);
    D->FHitTest = FHitTest;
  }
}

void TGPicture::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  SetGfx(ObjectCast<TGGraphic>(XMLResource(Context, Node, "GfxURL")));
}

TGXMLNode* TGPicture::SaveToXML() const {
  TGXMLNode* Node = inherited::SaveToXML();
  Node->SetStrAttr("GfxURL", SafeGetURL(FGfx));
  return Node;
}

namespace {

TGAnimation* ShownAnimation(TGPicture* Picture) {
  return Picture ? dynamic_cast<TGAnimation*>(Picture->Picture()->Instance()) : nullptr;
}

} // namespace

void PicAniRestart(TGPicture* Picture) {
  if (TGAnimation* A = ShownAnimation(Picture))
    A->SetElapsedTime(0);
}

void PicAniFinish(TGPicture* Picture) {
  if (TGAnimation* A = ShownAnimation(Picture))
    A->SetElapsedTime(A->GetTotalTime());
}
