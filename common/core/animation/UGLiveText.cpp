#include "animation/UGLiveText.h"

#include "resources/UGLangDictionary.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TGLiveText)

namespace {

// Values from 0.001 apart count as a change (the text lays itself out again on each change).
bool Differs(float A, float B) {
  return std::fabs(A - B) > 0.001f;
}

// Ordinals outside the enumeration (damaged files) fall back to the first value.
TGAlign AlignOf(int32_t Ordinal) {
  return Ordinal >= aLeft && Ordinal <= aJustify ? static_cast<TGAlign>(Ordinal) : aLeft;
}

TGVAlign VAlignOf(int32_t Ordinal) {
  return Ordinal >= vaTop && Ordinal <= vaBottom ? static_cast<TGVAlign>(Ordinal) : vaTop;
}

} // namespace

TGLiveText::TGLiveText(TGObject* AOwner)
    : TGMovie(AOwner) {
  FText = new TGText(this);
  SetVar(FTypingEffectOn, new TGBoolSeq("TypingEffectOn", TGVariant(false)));
  SetVar(FFont, new TGResourceSeq("FontURL", TGVariant::Null()));
  SetVar(FAlign, new TGTextAlignSeq("Align", TGVariant(int32_t{aLeft})));
  SetVar(FVAlign, new TGTextVAlignSeq("VAlign", TGVariant(int32_t{vaTop})));
  SetVar(FLineSpacing, new TGRealSeq("LineSpacing", TGVariant(1.0f)));
  SetVar(FData, new TGWideStringSeq("Data", TGVariant(std::string())));
  SetVar(FWidth, new TGRealSeq("Width", TGVariant(100.0f)));
  SetVar(FHeight, new TGRealSeq("Height", TGVariant(100.0f)));
}

void TGLiveText::Publish(TGClassBuilder<TGLiveText>& B) {
  B.Property("Text", &TGLiveText::Text)
      .Property("TypingEffectOn", &TGLiveText::TypingEffectOn)
      .Property("FontURL", &TGLiveText::Font)
      .Property("Align", &TGLiveText::Align)
      .Property("VAlign", &TGLiveText::VAlign)
      .Property("LineSpacing", &TGLiveText::LineSpacing)
      .Property("Data", &TGLiveText::Data)
      .Property("Width", &TGLiveText::Width)
      .Property("Height", &TGLiveText::Height);
}

void TGLiveText::GetExtent(int32_t Time, TGVector& Extent) {
  if (FFont->GetResValue(Time)) {
    Extent = TGVector{FWidth->GetRealValue(Time), FHeight->GetRealValue(Time), 0};
  } else {
    Extent = TGVector{0, 0, 0};
  }
}

std::string TGLiveText::ShownText(int32_t Time) const {
  std::string Data = FData->GetWideStringValue(Time);
  if (!FTypingEffectOn->GetBoolValue(Time)) {
    return Data;
  }
  const int I = FTypingEffectOn->FindActiveTerm(Time);
  const int64_t Since = int64_t{Time} - (I < 0 ? 0 : FTypingEffectOn->Terms(I).Time);
  const std::u32string Chars = UTF8ToCodePoints(LangDictionary().GetString(Data));
  const int64_t Typed =
      std::clamp<int64_t>(Since / CTypingInterval, 0, static_cast<int64_t>(Chars.size()));
  return CodePointsToUTF8(std::u32string_view(Chars).substr(0, static_cast<size_t>(Typed)));
}

void TGLiveText::Update() {
  const int32_t T = FElapsedTime;
  FText->Update(static_cast<float>(T - FOldElapsedTime) / 1000.0f);
  FOldElapsedTime = T;

  auto* Font = dynamic_cast<TGFont*>(FFont->GetResValue(T));
  if (!Font) {
    if (!FText->Data().empty()) {
      FText->SetData("");
    }
    return;
  }
  // The text changes only when what it shows changes, so that its layout is kept meanwhile.
  const std::string Shown = ShownText(T);
  if (FText->Data() != Shown) {
    FText->SetData(Shown);
  }

  const TGAlign Align = AlignOf(FAlign->GetAlignValue(T));
  if (FText->Align() != Align) {
    FText->SetAlign(Align);
  }
  const TGVAlign VAlign = VAlignOf(FVAlign->GetVAlignValue(T));
  if (FText->VAlign() != VAlign) {
    FText->SetVAlign(VAlign);
  }
  if (FText->Font() != Font) {
    FText->SetFont(Font);
  }
  const float W = FWidth->GetRealValue(T);
  const float H = FHeight->GetRealValue(T);
  if (Differs(FText->Width(), W) || Differs(FText->Height(), H)) {
    FText->SetExtent(TGVector{W, H, FText->Depth()});
  }
  const float Spacing = FLineSpacing->GetRealValue(T);
  if (Differs(FText->LineSpacing(), Spacing)) {
    FText->SetLineSpacing(Spacing);
  }
  FText->GetFormattedText();
}

void TGLiveText::Draw() {
  if (MaskRenderingStep != 2) {
    const int32_t T = FElapsedTime;
    // The tint is built as for pictures: alpha from Alpha, red, green and blue from Color.
    FText->Draw(ContentColor(T), FBlending->GetBlendingValue(T), FX->GetRealValue(T),
                FY->GetRealValue(T), FPivotX->GetRealValue(T), FPivotY->GetRealValue(T),
                FAngle->GetRealValue(T), FScaleX->GetRealValue(T), FScaleY->GetRealValue(T),
                FTextureFilter->GetTextureFilterValue(T));
  }
  TGMovie::Draw();
}
