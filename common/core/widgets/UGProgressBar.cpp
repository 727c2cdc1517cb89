#include "widgets/UGProgressBar.h"

#include "animation/UGAnimation.h"
#include "drawables/UGSymbol.h"
#include "xml/UGXMLNode.h"

#include <cmath>

G_IMPLEMENT_CLASS(TGProgressBar)

void TGProgressBar::AfterConstruction() {
  inherited::AfterConstruction();
  FPicture = New<TGSymbol>(this);
}

void TGProgressBar::Publish(TGClassBuilder<TGProgressBar>& B) {
  B.Property("Animation", &TGProgressBar::Animation, &TGProgressBar::SetAnimation)
      .Property("Position", &TGProgressBar::Position, &TGProgressBar::SetPosition)
      .Property("Min", &TGProgressBar::Min, &TGProgressBar::SetMin)
      .Property("Max", &TGProgressBar::Max, &TGProgressBar::SetMax);
}

void TGProgressBar::SetAnimation(TGAnimation* Value) {
  SetResource(FAnimation, Value);
  FPicture->SetGraphic(Value);
}

int32_t TGProgressBar::SeekTime() const {
  if (!FAnimation) {
    return 0;
  }
  const int32_t Total = FAnimation->TotalTime();
  const double Range = double{FMax} - FMin;
  const double F = Range <= 0.001 ? 0.0 : (double{FPosition} - FMin) / Range;
  const double T = std::nearbyint(Total * F);
  // Clamped before the conversion: a far (or not-a-number) position must not overflow it.
  if (!(T > 0)) {
    return 0;
  }
  return T >= Total ? Total : static_cast<int32_t>(T);
}

void TGProgressBar::Draw() {
  if (!FAnimation) {
    return;
  }
  if (auto* A = dynamic_cast<TGAnimation*>(FPicture->Instance())) {
    A->SetElapsedTime(SeekTime());
  }
  // An animation without area cannot be stretched over the bar.
  const float W = FAnimation->Width();
  const float H = FAnimation->Height();
  if (W > 0 && H > 0) {
    FPicture->Draw(0, 0, 0, 0, 0, FWidth / W, FHeight / H);
  }
}

void TGProgressBar::GetDefaultExtent(float& AWidth, float& AHeight) {
  if (FAnimation) {
    AWidth = FAnimation->Width();
    AHeight = FAnimation->Height();
  } else {
    AWidth = 100;
    AHeight = 100;
  }
}

void TGProgressBar::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGProgressBar*>(Dest)) {
    D->SetAnimation(FAnimation);
    D->FPosition = FPosition;
    D->FMin = FMin;
    D->FMax = FMax;
  }
}

void TGProgressBar::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  // Anything but an animation leaves the bar without one: it draws nothing.
  SetAnimation(dynamic_cast<TGAnimation*>(TGResource::XMLResource(Context, Node, "AnimationURL")));
  FMin = Node->GetFloatAttrDef("Min", 0);
  FMax = Node->GetFloatAttrDef("Max", 100);
  FPosition = Node->GetFloatAttrDef("Position", 0);
}

TGXMLNode* TGProgressBar::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Root(inherited::SaveToXML());
  Root->SetStrAttr("AnimationURL", SafeGetURL(FAnimation));
  Root->SetFloatAttr("Min", FMin);
  Root->SetFloatAttr("Max", FMax);
  Root->SetFloatAttr("Position", FPosition);
  return Root.release();
}
