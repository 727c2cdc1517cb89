// Laid-out text: a drawable that translates its text through the language dictionary, cuts it
// into words, breaks the words into lines within its width, aligns the lines and draws them
// glyph by glyph with bitmap fonts. Tags inside the text place pictures (<img src="...">) and
// switch fonts and colours (<font src="..." color="0x...">, </font>).
#pragma once

#include "drawables/UGGraphic.h"
#include "text/UGFont.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TGResourceLibrary;
class TGText;

enum TGAlign { aLeft = 0, aRight = 1, aCenter = 2, aJustify = 3 };
enum TGVAlign { vaTop = 0, vaMiddle = 1, vaBottom = 2 };

// The separators: space, U+0000..U+000D, ",", ".", ";", ":" and the CJK full stop, middle dot,
// comma and full-width colon.
bool IsSpaceChar(char32_t C);

// One tag of a text, made from the text between "<" and ">".
class TGTextTag : public TGObject {
  G_CLASS(TGTextTag, TGObject)
  explicit TGTextTag(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}
  TGTextTag(TGText* AText, std::string_view AData);

  // Name (lower case) and attributes (names lower case, without blanks) from the data.
  void ParseData();
  // A font tag pushes its font on the text, "/font" pops it; other tags do nothing.
  void Apply();
  void Draw(float X, float Y);
  void Update(float DeltaTime);

  float Width() const { return FWidth; }
  float Height() const { return FHeight; }
  const std::string& Name() const { return FName; }
  const std::string& Data() const { return FData; }
  const std::vector<std::pair<std::string, std::string>>& Params() const { return FParams; }
  // The attribute's value, or empty.
  std::string Param(std::string_view Name) const;
  TGGraphic* Gfx() const { return FGfx; }
  TGFont* Font() const { return FFont; }

protected:
  void Destroy() override;

private:
  TGText* FText = nullptr;
  std::vector<std::pair<std::string, std::string>> FParams;
  std::string FData;
  std::string FName;
  float FWidth = 0;
  float FHeight = 0;
  TGGraphic* FGfx = nullptr; // owned clone of an "img" picture
  TGFont* FFont = nullptr;   // owned clone of a "font" font
};

struct TGWord {
  // The word with its trailing separators, or the whole tag text from "<" to ">" (UTF-8).
  std::string S;
  float X = 0;
  float Y = 0;
  float Width = 0;
  float Height = 0;
  bool IsTag = false;
  TGTextTag* TagObj = nullptr; // owned by the text
  TGFont* Font = nullptr;      // the font the word was measured with
  std::u32string Chars;        // S as code points, for measuring and drawing
};
using TGLineOfWords = std::vector<TGWord>;
using TGFormattedText = std::vector<TGLineOfWords>;

class TGText : public TGGraphic {
  G_CLASS(TGText, TGGraphic)
  explicit TGText(TGObject* AOwner = nullptr)
      : TGGraphic(AOwner) {}

  const std::string& Data() const { return FData; }
  // Stores the text and its translation, and lays it out again when next needed.
  void SetData(std::string_view Value);
  const std::string& FormattedData() const { return FFormattedData; }
  TGFont* Font() const { return FFont; }
  void SetFont(TGFont* Value);
  const std::string& FontURL() const { return FFontURL; }
  // Translates the URL and takes the font when the library has one there.
  void SetFontURL(std::string_view Value);
  TGAlign Align() const { return FAlign; }
  void SetAlign(TGAlign Value);
  TGVAlign VAlign() const { return FVAlign; }
  void SetVAlign(TGVAlign Value);
  float LineSpacing() const { return FLineSpacing; }
  void SetLineSpacing(float Value);
  float X() const { return FX; }
  void SetX(float Value) { FX = Value; }
  float Y() const { return FY; }
  void SetY(float Value) { FY = Value; }
  TGColor Color() const { return FColor; }
  void SetColor(TGColor Value) { FColor = Value; }
  void SetExtent(const TGVector& Value) override;

  // Where fonts and pictures named by the text come from (the application's library when none
  // was set).
  TGResourceLibrary* Library() const;
  void SetLibrary(TGResourceLibrary* Value) { FLibrary = Value; }

  // Drops the cached layout and its tags.
  void Invalidate();
  // The layout, made on demand and kept until the next change.
  const TGFormattedText& GetFormattedText();
  const TGFormattedText& FormattedText() { return GetFormattedText(); }
  // How many times a layout was made (for checking the cache).
  int LayoutCount() const { return FLayoutCount; }
  // The natural size of the text within MaxWidth.
  void GetDefaultExtent(float& W, float& H, float MaxWidth);

  void PushFont(TGFont* Value);
  void PopFont();
  TGFont* TopFont() const;

  void Draw() override;
  using TGGraphic::Draw;
  void Update(float DeltaTime) override;
  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  // The words of a text: a word carries its trailing separators; a tag is a word of its own.
  static std::vector<std::u32string> SplitWords(std::u32string_view Text);

protected:
  void Destroy() override;

private:
  void MakeLayout();

  std::string FData;
  std::string FFormattedData;
  TGFormattedText FFormattedText;
  bool FLaidOut = false;
  TGFont* FFont = nullptr; // one reference held
  std::string FFontURL;
  TGAlign FAlign = aLeft;
  TGVAlign FVAlign = vaTop;
  float FX = 0;
  float FY = 0;
  TGColor FColor = 0xFFFFFFFF;
  float FLineSpacing = 1.0f;
  // Fonts pushed by font tags; the tags own them. Emptied before every pass over the words.
  std::vector<TGFont*> FFontStack;
  TGResourceLibrary* FLibrary = nullptr;
  int FLayoutCount = 0;
};

// The language tools: translated texts that do not fit their label, shown with "@NEW_LINE@"
// where the label would break them.
std::string ShowLineFeeds(const TGFormattedText& Lines);
std::string CheckForLineFeeds(std::string_view Text, TGText* TextObject);
// Each writes "<name> (yyyy.mm.dd hh.nn.ss).log" in the current folder and returns its name.
std::string CheckMasterObjectCaptions(TGText* TextObject);
std::string CheckGameObjectCaptions(TGText* TextObject);
std::string CheckGoalAreaMessages(TGText* TextObject);
