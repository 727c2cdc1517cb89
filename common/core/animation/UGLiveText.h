// The text channel: a laid-out text (TGText) placed, turned, scaled and tinted like any movie.
// The text, its font, alignment, box and line spacing follow their keys; with the typing effect
// on, the translated text appears one character (code point) per 100 ms from the time the
// effect was switched on.
#pragma once

#include "animation/UGChannel.h"
#include "text/UGText.h"

#include <cstdint>

class TGLiveText : public TGMovie {
  G_CLASS(TGLiveText, TGMovie)
public:
  explicit TGLiveText(TGObject* AOwner = nullptr);

  // (Width, Height, 0) at Time when a font is keyed there, otherwise nothing.
  void GetExtent(int32_t Time, TGVector& Extent) override;
  // The text in the channel's placement and tint (not while only editor overlays are drawn),
  // then the overlays.
  void Draw() override;
  // Brings the text, its look and its layout to the channel's time.
  void Update() override;

  // Time per typed character, milliseconds.
  static constexpr int32_t CTypingInterval = 100;

  TGText* Text() const { return FText; }
  TGBoolSeq* TypingEffectOn() const { return FTypingEffectOn; }
  TGResourceSeq* Font() const { return FFont; }
  TGTextAlignSeq* Align() const { return FAlign; }
  TGTextVAlignSeq* VAlign() const { return FVAlign; }
  TGRealSeq* LineSpacing() const { return FLineSpacing; }
  TGWideStringSeq* Data() const { return FData; }
  TGRealSeq* Width() const { return FWidth; }
  TGRealSeq* Height() const { return FHeight; }

  static void Publish(TGClassBuilder<TGLiveText>& B);

private:
  // The text shown at Time: Data, or with the typing effect the part of its translation typed
  // so far.
  std::string ShownText(int32_t Time) const;

  TGText* FText = nullptr; // owned
  int32_t FOldElapsedTime = 0;
  TGBoolSeq* FTypingEffectOn = nullptr;
  TGResourceSeq* FFont = nullptr;
  TGTextAlignSeq* FAlign = nullptr;
  TGTextVAlignSeq* FVAlign = nullptr;
  TGRealSeq* FLineSpacing = nullptr;
  TGWideStringSeq* FData = nullptr;
  TGRealSeq* FWidth = nullptr;
  TGRealSeq* FHeight = nullptr;
};
