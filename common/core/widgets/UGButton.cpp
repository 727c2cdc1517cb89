#include "widgets/UGButton.h"

#include "drawables/UGSymbol.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "text/UGText.h"
#include "xml/UGXMLNode.h"

#include <cmath>

G_ENUM_INFO(TGButtonState, "bsUp", "bsOver", "bsDown", "bsDisabled")

G_IMPLEMENT_CLASS(TGButton)

namespace {

// The file attributes of the per-state graphics and fonts, in the order they are read and written.
struct TStateAttrs {
  TGButtonState State;
  const char* Gfx;
  const char* Font;
};
constexpr TStateAttrs CStateAttrs[] = {
    {bsUp, "UpGfxURL", "UpFontURL"},
    {bsDown, "DownGfxURL", "DownFontURL"},
    {bsOver, "OverGfxURL", "OverFontURL"},
    {bsDisabled, "DisabledGfxURL", "DisabledFontURL"},
};

} // namespace

void TGButton::AfterConstruction() {
  inherited::AfterConstruction();
  FFace = New<TGSymbol>(this);
  FText = New<TGText>(this);
  FText->SetAlign(aCenter);
  FText->SetVAlign(vaMiddle);
  FAllowMouse = true;
}

void TGButton::Publish(TGClassBuilder<TGButton>& B) {
  B.Property("Caption", &TGButton::GetCaption, &TGButton::SetCaption)
      .Property("HitMask", &TGButton::HitMask, &TGButton::SetHitMask)
      .Property("Face", &TGButton::Face)
      .Property("Text", &TGButton::Text);
}

std::string TGButton::GetCaption() const {
  return FText ? FText->Data() : std::string();
}

void TGButton::SetCaption(std::string_view Value) {
  FText->SetData(Value);
}

void TGButton::SetGfx(TGButtonState AState, TGGraphic* Value) {
  SetResource(FGfx[AState], Value);
}

void TGButton::SetFont(TGButtonState AState, TGFont* Value) {
  SetResource(FFont[AState], Value);
}

void TGButton::SetFontURL(TGButtonState AState, std::string_view Value) {
  FFontURL[AState] = Value;
  // The dictionary may name another font for the current language.
  const std::string URL = LangDictionary().GetString(Value);
  TGResourceLibrary* Lib = FText ? FText->Library() : nullptr;
  if (URL.empty() || !Lib || !ValidateURL(URL) || Lib->IndexOf(URL) < 0) {
    return;
  }
  if (auto* F = dynamic_cast<TGFont*>(Lib->GetResourceEx(URL, false))) {
    SetFont(AState, F);
  }
}

void TGButton::SetHitMask(TGGraphic* Value) {
  SetResource(FHitMask, Value);
}

void TGButton::SetEnabled(bool Value) {
  inherited::SetEnabled(Value);
  FLook.SetEnabled(Value);
}

void TGButton::MouseEnter() {
  inherited::MouseEnter();
  if (GlobalEnabled()) {
    FLook.Enter();
  }
}

void TGButton::MouseLeave() {
  inherited::MouseLeave();
  if (GlobalEnabled()) {
    FLook.Leave();
  }
}

void TGButton::MouseDown(int Button) {
  inherited::MouseDown(Button);
  if (Button == mbLeft && GlobalEnabled()) {
    FLook.Press();
  }
}

void TGButton::MouseUp(int Button) {
  inherited::MouseUp(Button);
  if (Button == mbLeft && GlobalEnabled()) {
    FLook.Release();
  }
}

void TGButton::Update(float DeltaTime) {
  // Each state shows exactly its own look: no graphic, no face; no font, no caption.
  FFace->SetGraphic(FGfx[FLook.State]);
  FFace->Update(DeltaTime);
  if (FFont[FLook.State] != FText->Font()) {
    FText->SetFont(FFont[FLook.State]);
  }
  if (std::fabs(FText->Width() - FWidth) > 0.001f) {
    FText->SetWidth(FWidth);
  }
  if (std::fabs(FText->Height() - FHeight) > 0.001f) {
    FText->SetHeight(FHeight);
  }
  FText->Update(DeltaTime);
}

void TGButton::Draw() {
  // A graphic without area cannot be stretched to the button.
  if (TGGraphic* G = FFace->Graphic(); G && G->Width() > 0 && G->Height() > 0) {
    FFace->Draw(0, 0, 0, 0, 0, FWidth / G->Width(), FHeight / G->Height());
  }
  FText->Draw(TGColor(0xFFFFFFFF), bParent, 0, 0, 0, 0, 0, 1, 1, tfLinear);
}

bool TGButton::MaskHit(float X, float Y) const {
  // A button or a mask without area has no pixel to hit.
  if (!(FWidth > 0) || !(FHeight > 0) || !(FHitMask->Width() > 0) || !(FHitMask->Height() > 0)) {
    return false;
  }
  return FHitMask->Hit(
      TGFlatVector{X * FHitMask->Width() / FWidth, Y * FHitMask->Height() / FHeight});
}

bool TGButton::InternalHit(const TGFlatVector& Point) {
  if (FHitMask) {
    return MaskHit(Point.X, Point.Y);
  }
  return Point.X >= 0 && Point.X <= FWidth && Point.Y >= 0 && Point.Y <= FHeight;
}

TGWidget* TGButton::GetWidgetAt(const TGPoint& P) {
  if (!GlobalVisible()) {
    return nullptr;
  }
  if (TGWidget* W = GetChildWidgetAt(P)) {
    return W;
  }
  if (!FAllowMouse) {
    return nullptr;
  }
  if (!ScreenRectContains(P)) {
    return nullptr;
  }
  const TGRectFloat R = GetScreenRect();
  if (FHitMask && !MaskHit(static_cast<float>(P.X) - R.Left, static_cast<float>(P.Y) - R.Top)) {
    return nullptr;
  }
  return this;
}

void TGButton::GetDefaultExtent(float& AWidth, float& AHeight) {
  GraphicExtent(FGfx[bsUp], AWidth, AHeight);
}

void TGButton::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  auto* D = dynamic_cast<TGButton*>(Dest);
  if (!D) {
    return;
  }
  D->FText->Assign(FText);
  for (int S = bsUp; S <= bsDisabled; ++S) {
    D->SetGfx(static_cast<TGButtonState>(S), FGfx[S]);
  }
  for (int S = bsUp; S <= bsDisabled; ++S) {
    D->SetFont(static_cast<TGButtonState>(S), FFont[S]);
  }
  for (int S = bsUp; S <= bsDisabled; ++S) {
    D->SetFontURL(static_cast<TGButtonState>(S), FFontURL[S]);
  }
  D->SetHitMask(FHitMask);
}

void TGButton::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  TGXMLCollection* Texts = Node->GetChilds("Text");
  if (Texts->GetCount() == 0) {
    if (Context) {
      FText->SetLibrary(Context);
    }
    FText->SetAlign(aCenter);
    FText->SetVAlign(vaMiddle);
    FText->SetX(0);
    FText->SetY(0);
    FText->SetData(Node->GetStrAttrDef("Caption", ""));
  } else {
    FText->LoadFromXML(Context, Texts->GetItem(0));
  }
  for (const TStateAttrs& A : CStateAttrs) {
    SetGfx(A.State, dynamic_cast<TGGraphic*>(TGResource::XMLResource(Context, Node, A.Gfx)));
  }
  for (const TStateAttrs& A : CStateAttrs) {
    SetFontURL(A.State, Node->GetStrAttrDef(A.Font, ""));
  }
  SetHitMask(dynamic_cast<TGGraphic*>(TGResource::XMLResource(Context, Node, "HitMaskGfxURL")));
}

TGXMLNode* TGButton::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Root(inherited::SaveToXML());
  Root->SetStrAttr("Caption", GetCaption());
  // The caption alone describes a centred text at the origin; anything else needs the element.
  if (FText->Align() != aCenter || FText->VAlign() != vaMiddle || std::nearbyint(FText->X()) != 0 ||
      std::nearbyint(FText->Y()) != 0) {
    Root->AddNode(FText->SaveToXML());
  }
  for (const TStateAttrs& A : CStateAttrs) {
    Root->SetStrAttr(A.Gfx, SafeGetURL(FGfx[A.State]));
  }
  for (const TStateAttrs& A : CStateAttrs) {
    Root->SetStrAttr(A.Font, FFontURL[A.State]);
  }
  Root->SetStrAttr("HitMaskGfxURL", SafeGetURL(FHitMask));
  return Root.release();
}
