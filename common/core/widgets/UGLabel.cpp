#include "widgets/UGLabel.h"

#include "drawables/UGSprite.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

G_IMPLEMENT_CLASS(TGLabel)

void TGLabel::AfterConstruction() {
  // The size is settled before the text exists: a new label is 100 x 100.
  inherited::AfterConstruction();
  FText = New<TGText>(this);
  FText->SetExtent(TGVector{FWidth, FHeight, 0});
}

void TGLabel::Publish(TGClassBuilder<TGLabel>& B) {
  B.Property("Text", &TGLabel::Text)
      .Property("Font", &TGLabel::GetFont, &TGLabel::SetFont)
      .Property("FontURL", &TGLabel::FontURL, &TGLabel::SetFontURL)
      .Property("Data", &TGLabel::GetData, &TGLabel::SetData)
      .Property("LineSpacing", &TGLabel::LineSpacing, &TGLabel::SetLineSpacing)
      .Property("Clipping", &TGLabel::Clipping, &TGLabel::SetClipping)
      .Property("DrawingPage", &TGLabel::DrawingPage, &TGLabel::SetDrawingPage);
}

TGFont* TGLabel::GetFont() const {
  return FText->Font();
}

void TGLabel::SetFont(TGFont* Value) {
  FText->SetFont(Value);
}

const std::string& TGLabel::FontURL() const {
  return FText->FontURL();
}

void TGLabel::SetFontURL(std::string_view Value) {
  FText->SetFontURL(Value);
}

const std::string& TGLabel::GetData() const {
  return FText->Data();
}

void TGLabel::SetData(std::string_view Value) {
  FText->SetData(Value);
}

TGAlign TGLabel::Align() const {
  return FText->Align();
}

void TGLabel::SetAlign(TGAlign Value) {
  FText->SetAlign(Value);
}

TGVAlign TGLabel::VAlign() const {
  return FText->VAlign();
}

void TGLabel::SetVAlign(TGVAlign Value) {
  FText->SetVAlign(Value);
}

float TGLabel::LineSpacing() const {
  return FText->LineSpacing();
}

void TGLabel::SetLineSpacing(float Value) {
  FText->SetLineSpacing(Value);
}

void TGLabel::SetWidth(float Value) {
  inherited::SetWidth(Value);
  if (FText) {
    FText->SetWidth(Value);
  }
}

void TGLabel::SetHeight(float Value) {
  inherited::SetHeight(Value);
  if (FText) {
    FText->SetHeight(Value);
  }
}

int32_t TGLabel::LinesPerPage() const {
  TGFont* F = FText->Font();
  // A font without line height would make the page count infinite.
  if (!F || !(F->Height() > 0)) {
    return 0;
  }
  const double Lines = std::nearbyint(double{FHeight} / F->Height());
  if (!(Lines > 0)) {
    return 0;
  }
  return static_cast<int32_t>(std::min(Lines, double{std::numeric_limits<int32_t>::max()}));
}

int32_t TGLabel::PageCount() const {
  const int32_t L = LinesPerPage();
  if (L <= 0) {
    return 0;
  }
  const auto Lines = static_cast<int64_t>(FText->GetFormattedText().size());
  return static_cast<int32_t>((Lines + L - 1) / L);
}

void TGLabel::Update(float DeltaTime) {
  FText->Update(DeltaTime);
}

void TGLabel::Draw() {
  if (FClipping && FText->Font()) {
    DrawPage();
  } else {
    FText->Draw(TGColor(0xFFFFFFFF), bParent, 0, 0, 0, 0, 0, 1, 1, tfLinear);
  }
}

void TGLabel::DrawPage() {
  const int32_t L = LinesPerPage();
  if (L <= 0) {
    return;
  }
  const TGFormattedText& Lines = FText->GetFormattedText();
  const auto Count = static_cast<int64_t>(Lines.size());
  // 64-bit, so that a far page number cannot overflow into a valid line.
  const int64_t First = int64_t{FDrawingPage} * L;
  const int64_t Begin = std::max<int64_t>(First, 0);
  const int64_t End = std::min<int64_t>(First + L, Count);
  // The page moves up by the top of its first line that holds words: a page may begin with
  // empty lines (a text starting with a line break), and one without words draws nothing.
  int64_t Top = Begin;
  while (Top < End && Lines[static_cast<size_t>(Top)].empty()) {
    ++Top;
  }
  if (Top >= End) {
    return;
  }
  const float Y0 = std::trunc(Lines[static_cast<size_t>(Top)].front().Y);
  TGFont* F = FText->Font();
  TGSprite::BeginBatch();
  struct TEnd {
    ~TEnd() { TGSprite::EndBatch(); }
  } End_;
  for (int64_t I = Top; I < End; ++I) {
    // Tags are not interpreted here: every word is drawn as characters with the text's font.
    for (const TGWord& W : Lines[static_cast<size_t>(I)]) {
      F->DrawString(W.Chars, FColor, std::trunc(W.X) + FText->X(),
                    std::trunc(W.Y) + FText->Y() - Y0, 0, 0);
    }
  }
}

bool TGLabel::InternalHit(const TGFlatVector& Point) {
  return Point.X >= 0 && Point.X <= FWidth && Point.Y >= 0 && Point.Y <= FHeight;
}

void TGLabel::GetDefaultExtent(float& AWidth, float& AHeight) {
  AWidth = 100;
  AHeight = 100;
  if (FText) {
    FText->GetDefaultExtent(AWidth, AHeight, 800);
  }
}

bool TGLabel::HasReferenceTo(const TGResource* Resource) const {
  return (Resource && FText->Font() == Resource) || inherited::HasReferenceTo(Resource);
}

void TGLabel::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGLabel*>(Dest)) {
    D->FText->Assign(FText);
  }
}

void TGLabel::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  TGXMLCollection* Texts = Node->GetChilds("Text");
  FText->LoadFromXML(Context, Texts->GetCount() > 0 ? Texts->GetItem(0) : Node);
}

TGXMLNode* TGLabel::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Root(inherited::SaveToXML());
  Root->AddNode(FText->SaveToXML());
  return Root.release();
}
