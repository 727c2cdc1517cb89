// Bitmap fonts (".fnt"): one picture holding every glyph, a table telling for each character
// which rectangle of the picture shows it and how far that rectangle reaches beyond the advance
// box on each side (the padding), and a table of kerning pairs. Strings are UTF-8 and are walked
// code point by code point.
#pragma once

#include "base/UGTypes.h"
#include "math/UGColor.h"
#include "resources/UGResource.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TGSprite;

struct TGCharacter {
  char32_t Code = 0;
  // The glyph's rectangle in the font picture, pixels.
  TGRectFloat Rect{};
  // How far the glyph picture extends beyond the advance box: Left, Top, Right, Bottom.
  TGRectFloat Padding{};
};

struct TGKerningPair {
  char32_t CharA = 0;
  char32_t CharB = 0;
  float KernAmount = 0;
};

// The code points of a UTF-8 text (invalid bytes become U+FFFD).
std::u32string UTF8ToCodePoints(std::string_view S);
std::string CodePointsToUTF8(std::u32string_view S);

class TGFont : public TGResource {
  G_CLASS(TGFont, TGResource)
  explicit TGFont(TGObject* AOwner = nullptr)
      : TGResource(AOwner) {}

  float Height() const { return FHeight; }
  void SetHeight(float Value) { FHeight = Value; }
  TGSprite* Sprite() const { return FSprite; }
  // Takes a reference on the new picture and releases the old one; the glyph sprites go.
  void SetSprite(TGSprite* Value);
  TGColor SelfColor() const { return FSelfColor; }
  void SetSelfColor(TGColor Value) { FSelfColor = Value; }
  const std::string& SystemFontSettings() const { return FSystemFontSettings; }
  void SetSystemFontSettings(std::string_view Value) { FSystemFontSettings = Value; }

  // Index of the first entry for C, or -1.
  int FindCharacter(char32_t C) const;
  bool HaveChar(char32_t C) const { return FindCharacter(C) >= 0; }
  const TGCharacter& GetCharacter(int I) const;
  const TGCharacter& Characters(int I) const { return GetCharacter(I); }
  // Appends; its glyph sprite is made when first asked for.
  void AddCharacter(const TGCharacter& Character);
  int GetCount() const { return static_cast<int>(FCharacters.size()); }
  int Count() const { return GetCount(); }
  // A clone of Sprite showing the character's rectangle, owned by the font and cached; fails
  // without Sprite.
  TGSprite* GetCharSprite(int I);
  TGSprite* CharSprite(int I) { return GetCharSprite(I); }

  float GetKernAmount(char32_t A, char32_t B) const;
  float KernAmount(char32_t A, char32_t B) const { return GetKernAmount(A, B); }
  // An amount below 0.001 in size removes the pair.
  void SetKernAmount(char32_t A, char32_t B, float Amount);
  const std::vector<TGKerningPair>& Pairs() const { return FPairs; }

  // The advance of the characters the font has plus the kerning between neighbours.
  float StringWidth(std::u32string_view S) const;
  float StringWidth(std::string_view S) const { return StringWidth(UTF8ToCodePoints(S)); }
  // Draws through the sprite batch with the pivot (fractions of width and line height) at
  // (X, Y), in the device's current transform.
  void DrawString(std::u32string_view Str, TGColor Color, float X, float Y, float PivotX,
                  float PivotY);
  void DrawString(std::string_view Str, TGColor Color, float X, float Y, float PivotX,
                  float PivotY) {
    DrawString(UTF8ToCodePoints(Str), Color, X, Y, PivotX, PivotY);
  }
  void DrawString(std::string_view Str, float X, float Y, float PivotX, float PivotY) {
    DrawString(Str, TGColor(0xFFFFFFFF), X, Y, PivotX, PivotY);
  }

  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

protected:
  void Destroy() override;

private:
  struct TEntry {
    TGCharacter Character;
    TGSprite* Sprite = nullptr; // owned, made on demand
  };
  void ClearGlyphSprites();
  void ClearCharacters();
  static uint64_t PairKey(char32_t A, char32_t B) { return (uint64_t{A} << 32) | B; }

  float FHeight = 0;
  TGSprite* FSprite = nullptr; // one reference held
  std::vector<TGKerningPair> FPairs;
  std::vector<TEntry> FCharacters;
  TGColor FSelfColor = 0xFFFFFFFF;
  std::string FSystemFontSettings;
  // Lookups: the first entry of each code point, and the amount of the first pair.
  std::unordered_map<char32_t, int> FCharIndex;
  std::unordered_map<uint64_t, float> FPairIndex;
};
