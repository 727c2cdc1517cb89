// The edit box: a widget for typing text (the player's name). It keeps a UTF-8 text in which a
// carriage return (13) ends a line, wraps it into lines by the width of its bitmap font, edits it
// with typed characters and the navigation keys, and shows a blinking text cursor while it has
// the keyboard focus of its window.
//
// Columns, lengths and the longest accepted text count code points: a character is one code
// point, so the cursor never stands inside a multi-byte sequence and deleting removes a whole
// character.
#pragma once

#include "widgets/UGWidget.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TGFont;
class TGGraphic;

// Asked before a typed character is inserted: the handler may change the character or refuse it.
using TGEditBoxKeyDownEvent = TGMethod<void(char32_t&, bool&)>;

class TGEditBox : public TGWidget {
  G_CLASS(TGEditBox, TGWidget)
  explicit TGEditBox(TGObject* AOwner = nullptr)
      : TGWidget(AOwner) {}
  // Takes the focus and the mouse; no length limit.
  void AfterConstruction() override;

  const std::string& Data() const { return FData; }
  // Text that is not valid UTF-8 has its bad bytes replaced by U+FFFD.
  void SetData(std::string_view Value);
  TGFont* Font() const { return FFont; }
  void SetFont(TGFont* Value);
  TGGraphic* TextCursor() const { return FTextCursor; }
  void SetTextCursor(TGGraphic* Value);
  int32_t MaxLength() const { return FMaxLength; }
  void SetMaxLength(int32_t Value) { FMaxLength = Value; }
  int32_t CursorCol() const { return FCursorCol; }
  int32_t CursorRow() const { return FCursorRow; }
  float CursorClock() const { return FCursorClock; }

  // Breaks Text into lines as wide as the box: a typed carriage return ends its line and stays
  // at the line's end; a character that does not fit starts the next line, which adds no
  // character, so the lines always add up to the text.
  void Strip(std::string_view Text, std::vector<std::string>& Lines) const;
  // The lines of the current text (computed once per text, font or width).
  const std::vector<std::string>& Lines() const;
  int32_t GetLineCount() const;
  // Characters of the line, its closing carriage return included; 0 for a row that is not there.
  int32_t GetLineLength(int32_t Row) const;
  // Characters before the cursor in the whole text.
  int32_t GetCursorPos() const;
  // The most lines the box shows: its height over the font's; 0 without a font height.
  int32_t GetVisibleLineCount() const;

  void CursorMoveLeft();
  void CursorMoveRight();
  void CursorMoveUp();
  void CursorMoveDown();

  void SetWidth(float Value) override;
  void Draw() override;
  void Update(float DeltaTime) override;
  void KeyDown(uint16_t Key) override;
  void KeyPress(char32_t Key) override;

  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  // Replaces the widget's key-press handler: the edit box asks this one with the character.
  TGEditBoxKeyDownEvent OnKeyPress;

  static void Publish(TGClassBuilder<TGEditBox>& B);

private:
  // The character at a column of a row (0 outside the text).
  char32_t CharAt(int32_t Row, int32_t Col) const;
  // The cursor never stands after a line break: it steps back before it.
  void StepBackFromLineBreak();
  // Removes the character at a text position (counted in characters).
  void DeleteCharAt(int32_t Pos);
  // Brings the cursor back into the text: a row past the last line means the end of the text.
  void ClampCursor();
  // Puts the cursor at a text position (in characters), on PreferredRow when that row holds it.
  void PlaceCursor(int32_t Pos, int32_t PreferredRow);
  // Whether the blinking cursor is shown now.
  bool CursorVisible();

  int32_t FCursorCol = 0;
  int32_t FCursorRow = 0;
  std::string FData;
  mutable std::vector<std::string> FStrippedData; // empty: not computed yet
  mutable const TGFont* FStrippedFont = nullptr;  // the font the lines were measured with
  TGGraphic* FTextCursor = nullptr;               // resource reference
  TGFont* FFont = nullptr;                        // resource reference
  float FCursorClock = 0;
  int32_t FMaxLength = 2147483647;
};
