#include "widgets/UGCheckBox.h"

#include "drawables/UGSymbol.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TGCheckBox)

namespace {

// The file attributes of the eight looks, in the order they are read and written.
struct TLookAttr {
  bool Checked;
  TGButtonState State;
  const char* Name;
};
constexpr TLookAttr CLookAttrs[] = {
    {true, bsUp, "CheckedUpGfxURL"},        {true, bsDown, "CheckedDownGfxURL"},
    {true, bsOver, "CheckedOverGfxURL"},    {true, bsDisabled, "CheckedDisabledGfxURL"},
    {false, bsUp, "UncheckedUpGfxURL"},     {false, bsDown, "UncheckedDownGfxURL"},
    {false, bsOver, "UncheckedOverGfxURL"}, {false, bsDisabled, "UncheckedDisabledGfxURL"},
};

} // namespace

void TGCheckBox::AfterConstruction() {
  inherited::AfterConstruction();
  FFace = New<TGSymbol>(this);
  FAllowMouse = true;
}

void TGCheckBox::Publish(TGClassBuilder<TGCheckBox>& B) {
  B.Property("Checked", &TGCheckBox::Checked, &TGCheckBox::SetChecked)
      .Property("Face", &TGCheckBox::Face);
}

void TGCheckBox::SetCheckedGfx(TGButtonState AState, TGGraphic* Value) {
  SetResource(FCheckedGfx[AState], Value);
}

void TGCheckBox::SetUncheckedGfx(TGButtonState AState, TGGraphic* Value) {
  SetResource(FUncheckedGfx[AState], Value);
}

void TGCheckBox::SetEnabled(bool Value) {
  inherited::SetEnabled(Value);
  FLook.SetEnabled(Value);
}

void TGCheckBox::MouseEnter() {
  inherited::MouseEnter();
  if (GlobalEnabled()) {
    FLook.Enter();
  }
}

void TGCheckBox::MouseLeave() {
  inherited::MouseLeave();
  if (GlobalEnabled()) {
    FLook.Leave();
  }
}

void TGCheckBox::MouseDown(int Button) {
  inherited::MouseDown(Button);
  if (GlobalEnabled()) {
    FLook.Press();
  }
}

void TGCheckBox::MouseUp(int Button) {
  inherited::MouseUp(Button);
  if (GlobalEnabled()) {
    FLook.Release();
  }
}

void TGCheckBox::Click() {
  if (!GlobalEnabled()) {
    return;
  }
  // The handler sees the new value.
  FChecked = !FChecked;
  inherited::Click();
}

void TGCheckBox::Update(float DeltaTime) {
  FFace->SetGraphic(FChecked ? FCheckedGfx[FLook.State] : FUncheckedGfx[FLook.State]);
  FFace->Update(DeltaTime);
}

void TGCheckBox::Draw() {
  if (TGGraphic* G = FFace->Graphic(); G && G->Width() > 0 && G->Height() > 0) {
    FFace->Draw(0, 0, 0, 0, 0, FWidth / G->Width(), FHeight / G->Height());
  }
}

void TGCheckBox::GetDefaultExtent(float& AWidth, float& AHeight) {
  if (TGGraphic* G = FUncheckedGfx[bsUp]) {
    AWidth = G->Width();
    AHeight = G->Height();
  } else {
    AWidth = 100;
    AHeight = 100;
  }
}

void TGCheckBox::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  auto* D = dynamic_cast<TGCheckBox*>(Dest);
  if (!D) {
    return;
  }
  for (int S = bsUp; S <= bsDisabled; ++S) {
    D->SetCheckedGfx(static_cast<TGButtonState>(S), FCheckedGfx[S]);
    D->SetUncheckedGfx(static_cast<TGButtonState>(S), FUncheckedGfx[S]);
  }
  D->FChecked = FChecked;
}

void TGCheckBox::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  for (const TLookAttr& A : CLookAttrs) {
    auto* G = dynamic_cast<TGGraphic*>(TGResource::XMLResource(Context, Node, A.Name));
    if (A.Checked) {
      SetCheckedGfx(A.State, G);
    } else {
      SetUncheckedGfx(A.State, G);
    }
  }
  FChecked = Node->GetBoolAttrDef("Checked", false);
}

TGXMLNode* TGCheckBox::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Root(inherited::SaveToXML());
  for (const TLookAttr& A : CLookAttrs) {
    Root->SetStrAttr(A.Name, SafeGetURL(A.Checked ? FCheckedGfx[A.State] : FUncheckedGfx[A.State]));
  }
  Root->SetBoolAttr("Checked", FChecked);
  return Root.release();
}
