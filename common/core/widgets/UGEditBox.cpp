#include "widgets/UGEditBox.h"

#include "base/UGStrUtils.h"
#include "drawables/UGGraphic.h"
#include "object/UGClassBuilder.h"
#include "text/UGFont.h"
#include "widgets/UGWindow.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <limits>

G_IMPLEMENT_CLASS(TGEditBox)

namespace {

constexpr char32_t CR = 13;

// Characters of a valid UTF-8 text.
int32_t CharCount(std::string_view S) {
  return static_cast<int32_t>(std::min<size_t>(UTF8Length(S), INT32_MAX));
}

// The byte where character N of a valid UTF-8 text begins; the text's size past its end.
size_t ByteOffset(std::string_view S, int32_t N) {
  if (N <= 0) {
    return 0;
  }
  int32_t Seen = 0;
  for (size_t I = 0; I < S.size(); ++I) {
    if ((static_cast<unsigned char>(S[I]) & 0xC0) != 0x80 && Seen++ == N) {
      return I;
    }
  }
  return S.size();
}

bool IsScalarValue(char32_t C) {
  return C <= 0x10FFFF && (C < 0xD800 || C > 0xDFFF);
}

void AppendUTF8(std::string& S, char32_t C) {
  if (C < 0x80) {
    S += static_cast<char>(C);
  } else if (C < 0x800) {
    S += static_cast<char>(0xC0 | (C >> 6));
    S += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    S += static_cast<char>(0xE0 | (C >> 12));
    S += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    S += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    S += static_cast<char>(0xF0 | (C >> 18));
    S += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    S += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    S += static_cast<char>(0x80 | (C & 0x3F));
  }
}

// The line without its closing carriage return.
std::string_view WithoutLineBreak(std::string_view Line) {
  if (!Line.empty() && Line.back() == '\r') {
    Line.remove_suffix(1);
  }
  return Line;
}

// XML readers hand line breaks over as CR LF (or LF); the edit box ends its lines with CR alone.
std::string LineBreaksToCR(std::string_view S) {
  std::string Out;
  Out.reserve(S.size());
  for (size_t I = 0; I < S.size(); ++I) {
    if (S[I] == '\r' && I + 1 < S.size() && S[I + 1] == '\n') {
      continue;
    }
    Out += S[I] == '\n' ? '\r' : S[I];
  }
  return Out;
}

} // namespace

void TGEditBox::Publish(TGClassBuilder<TGEditBox>& B) {
  B.Property("Data", &TGEditBox::Data, &TGEditBox::SetData)
      .Property("Font", &TGEditBox::Font, &TGEditBox::SetFont)
      .Property("TextCursor", &TGEditBox::TextCursor, &TGEditBox::SetTextCursor)
      .Property("MaxLength", &TGEditBox::MaxLength, &TGEditBox::SetMaxLength);
}

void TGEditBox::AfterConstruction() {
  inherited::AfterConstruction();
  FAllowFocus = true;
  FAllowMouse = true;
  FMaxLength = 2147483647;
}

// --- Text and lines ------------------------------------------------------------------------------

void TGEditBox::SetData(std::string_view Value) {
  // Cursor columns walk the text character by character: it is kept valid UTF-8, decoded the
  // same way as the font decodes it.
  std::string Valid = CodePointsToUTF8(UTF8ToCodePoints(Value));
  FData = Valid == Value ? std::string(Value) : std::move(Valid);
  FStrippedData.clear();
}

void TGEditBox::SetFont(TGFont* Value) {
  SetResource(FFont, Value);
  FStrippedData.clear();
}

void TGEditBox::SetTextCursor(TGGraphic* Value) {
  SetResource(FTextCursor, Value);
}

void TGEditBox::SetWidth(float Value) {
  inherited::SetWidth(Value);
  FStrippedData.clear();
}

void TGEditBox::Strip(std::string_view Text, std::vector<std::string>& Lines) const {
  Lines.clear();
  std::string Line;
  char32_t Last = 0; // the line's last character
  float LineWidth = 0;
  const std::u32string Chars = UTF8ToCodePoints(Text);
  for (char32_t C : Chars) {
    const float CharWidth = FFont ? FFont->StringWidth(std::u32string_view(&C, 1)) : 0.0f;
    // A character wider than the box stays alone on its line rather than leaving an empty one.
    if (C == CR || (!Line.empty() && CharWidth + LineWidth > FWidth)) {
      if (C == CR) {
        Line += '\r';
      }
      Lines.push_back(std::move(Line));
      Line.clear();
      LineWidth = 0;
    }
    if (C != CR) {
      // The line's StringWidth, grown by one character: the kerning after the previous
      // character (when the font has it), then the advance, summed in the same order.
      if (FFont && !Line.empty() && FFont->HaveChar(Last)) {
        LineWidth += FFont->GetKernAmount(Last, C);
      }
      LineWidth += CharWidth;
      AppendUTF8(Line, C);
      Last = C;
    }
  }
  if (!Line.empty() || (!Chars.empty() && Chars.back() == CR)) {
    Lines.push_back(std::move(Line));
  }
}

const std::vector<std::string>& TGEditBox::Lines() const {
  // A font freed while in use leaves the field empty: the lines are measured again.
  if (FStrippedData.empty() || FStrippedFont != FFont) {
    Strip(FData, FStrippedData);
    FStrippedFont = FFont;
  }
  return FStrippedData;
}

int32_t TGEditBox::GetLineCount() const {
  return static_cast<int32_t>(std::min<size_t>(Lines().size(), INT32_MAX));
}

int32_t TGEditBox::GetLineLength(int32_t Row) const {
  const std::vector<std::string>& L = Lines();
  if (Row < 0 || static_cast<size_t>(Row) >= L.size()) {
    return 0;
  }
  return CharCount(L[static_cast<size_t>(Row)]);
}

int32_t TGEditBox::GetCursorPos() const {
  int64_t Pos = FCursorCol;
  const int32_t Rows = std::min(FCursorRow, GetLineCount());
  for (int32_t R = 0; R < Rows; ++R) {
    Pos += GetLineLength(R);
  }
  return static_cast<int32_t>(std::clamp<int64_t>(Pos, 0, INT32_MAX));
}

int32_t TGEditBox::GetVisibleLineCount() const {
  const float FontHeight = FFont ? FFont->Height() : 0.0f;
  if (!(FontHeight > 0) || !std::isfinite(FontHeight)) {
    return 0;
  }
  const float Count = std::trunc(FHeight / FontHeight);
  if (!(Count > 0)) {
    return 0;
  }
  return Count >= 2147483647.0f ? INT32_MAX : static_cast<int32_t>(Count);
}

char32_t TGEditBox::CharAt(int32_t Row, int32_t Col) const {
  const std::vector<std::string>& L = Lines();
  if (Row < 0 || static_cast<size_t>(Row) >= L.size() || Col < 0) {
    return 0;
  }
  const std::string& Line = L[static_cast<size_t>(Row)];
  const size_t Begin = ByteOffset(Line, Col);
  if (Begin >= Line.size()) {
    return 0;
  }
  const size_t End = ByteOffset(Line, Col + 1);
  const std::u32string C = UTF8ToCodePoints(std::string_view(Line).substr(Begin, End - Begin));
  return C.empty() ? 0 : C.front();
}

// --- The cursor ----------------------------------------------------------------------------------

void TGEditBox::StepBackFromLineBreak() {
  if (FCursorCol > 0 && CharAt(FCursorRow, FCursorCol - 1) == CR) {
    --FCursorCol;
  }
}

void TGEditBox::CursorMoveUp() {
  FCursorRow = std::max(0, FCursorRow - 1);
  FCursorCol = std::min(FCursorCol, GetLineLength(FCursorRow));
  StepBackFromLineBreak();
}

void TGEditBox::CursorMoveDown() {
  const int32_t Count = GetLineCount();
  if (FCursorRow >= Count) {
    return;
  }
  FCursorRow = std::min(FCursorRow + 1, Count - 1);
  FCursorCol = std::min(FCursorCol, GetLineLength(FCursorRow));
  StepBackFromLineBreak();
}

void TGEditBox::CursorMoveLeft() {
  if (GetCursorPos() == 0) {
    FCursorCol = 0;
  } else if (FCursorCol > 0) {
    --FCursorCol;
  } else if (FCursorRow > 0) {
    --FCursorRow;
    FCursorCol = GetLineLength(FCursorRow);
  }
  StepBackFromLineBreak();
}

void TGEditBox::CursorMoveRight() {
  if (GetCursorPos() >= CharCount(FData)) {
    return;
  }
  const int32_t LastRow = std::max(0, GetLineCount() - 1);
  if (FCursorCol >= GetLineLength(FCursorRow)) {
    FCursorRow = std::min(FCursorRow + 1, LastRow);
    FCursorCol = 0;
  } else {
    ++FCursorCol;
    if (CharAt(FCursorRow, FCursorCol - 1) == CR) {
      FCursorRow = std::min(FCursorRow + 1, LastRow);
      FCursorCol = 0;
    }
  }
  StepBackFromLineBreak();
}

void TGEditBox::ClampCursor() {
  const int32_t Count = GetLineCount();
  if (Count == 0) {
    FCursorRow = 0;
    FCursorCol = 0;
    return;
  }
  FCursorRow = std::max(FCursorRow, 0);
  FCursorCol = std::max(FCursorCol, 0);
  if (FCursorRow >= Count) {
    // The cursor's line went away with the end of the text: the cursor stays at the end.
    FCursorRow = Count - 1;
    FCursorCol = GetLineLength(FCursorRow);
  } else {
    FCursorCol = std::min(FCursorCol, GetLineLength(FCursorRow));
  }
  StepBackFromLineBreak();
}

void TGEditBox::PlaceCursor(int32_t Pos, int32_t PreferredRow) {
  const int32_t Count = GetLineCount();
  Pos = std::clamp(Pos, 0, CharCount(FData));
  // Where a wrapped line ends, the same text position is also the start of the next line: the
  // cursor keeps to its own row when it can, and otherwise takes the first row that holds it.
  int32_t Found = -1;
  int32_t FoundCol = 0;
  int32_t Start = 0;
  for (int32_t R = 0; R < Count; ++R) {
    const int32_t Length = GetLineLength(R);
    const int32_t Last = Start + Length - (CharAt(R, Length - 1) == CR ? 1 : 0);
    if (Pos >= Start && Pos <= Last) {
      if (Found < 0 || R == PreferredRow) {
        Found = R;
        FoundCol = Pos - Start;
      }
      if (R >= PreferredRow) {
        break;
      }
    } else if (Pos < Start) {
      break;
    }
    Start += Length;
  }
  FCursorRow = Found < 0 ? 0 : Found;
  FCursorCol = Found < 0 ? 0 : FoundCol;
}

void TGEditBox::DeleteCharAt(int32_t Pos) {
  const size_t Begin = ByteOffset(FData, Pos);
  if (Pos < 0 || Begin >= FData.size()) {
    return;
  }
  std::string Text = FData;
  Text.erase(Begin, ByteOffset(FData, Pos + 1) - Begin);
  SetData(Text);
}

// --- Input ---------------------------------------------------------------------------------------

void TGEditBox::KeyDown(uint16_t Key) {
  if (!GlobalEnabled()) {
    return;
  }
  // A text set since the last update may have left the cursor outside it.
  ClampCursor();
  switch (Key) {
  case VK_BACK: {
    const int32_t Pos = GetCursorPos();
    if (Pos == 0) {
      break;
    }
    // The cursor goes where the deleted character was; at the start of a later line that is
    // the end of the line above.
    const int32_t Row = FCursorCol != 0 ? FCursorRow : FCursorRow - 1;
    DeleteCharAt(Pos - 1);
    PlaceCursor(Pos - 1, Row);
    break;
  }
  case VK_END: {
    // Moving right until the end of the line or its line break: a line break only ever ends
    // a line.
    const int32_t Length = GetLineLength(FCursorRow);
    if (Length > 0) {
      FCursorCol = Length - (CharAt(FCursorRow, Length - 1) == CR ? 1 : 0);
    }
    break;
  }
  case VK_HOME:
    // Moving left until column 0 never leaves the line.
    FCursorCol = 0;
    break;
  case VK_LEFT:
    CursorMoveLeft();
    break;
  case VK_UP:
    CursorMoveUp();
    break;
  case VK_RIGHT:
    CursorMoveRight();
    break;
  case VK_DOWN:
    CursorMoveDown();
    break;
  case VK_DELETE: {
    const int32_t Pos = GetCursorPos();
    DeleteCharAt(Pos);
    PlaceCursor(Pos, FCursorRow);
    break;
  }
  default:
    break;
  }
}

void TGEditBox::KeyPress(char32_t Key) {
  if (!GlobalEnabled()) {
    return;
  }
  ClampCursor();
  char32_t C = Key;
  bool Accept = true;
  if (OnKeyPress) {
    OnKeyPress(C, Accept);
  }
  if (!Accept || !IsScalarValue(C) || (C != CR && !(FFont && FFont->HaveChar(C)))) {
    return;
  }
  if (CharCount(FData) >= FMaxLength) {
    return;
  }
  const std::string Old = FData;
  const int32_t Pos = GetCursorPos();
  std::string Text = FData;
  std::string Inserted;
  AppendUTF8(Inserted, C);
  Text.insert(ByteOffset(Text, Pos), Inserted);
  SetData(Text);
  if (GetLineCount() > GetVisibleLineCount()) {
    // The box would overflow: the character is refused.
    SetData(Old);
    return;
  }
  // The cursor goes after the new character: on its own line, or at the start of the line a
  // typed line break opened.
  PlaceCursor(Pos + 1, FCursorRow);
}

// --- Time and drawing ----------------------------------------------------------------------------

void TGEditBox::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  FCursorClock += DeltaTime;
  ClampCursor();
}

bool TGEditBox::CursorVisible() {
  if (!FTextCursor || !GlobalEnabled()) {
    return false;
  }
  const TGWindow* Window = dynamic_cast<const TGWindow*>(GetTopWidget());
  if (!Window || Window->FocusedWidget() != this) {
    return false;
  }
  // Shown in every other quarter second: a period of half a second.
  return std::fmod(std::nearbyint(FCursorClock * 4), 2.0f) != 0;
}

void TGEditBox::Draw() {
  if (!FFont) {
    return;
  }
  const float LineHeight = FFont->Height();
  // Without a line height nothing fits the box.
  if (!(LineHeight > 0) || !std::isfinite(LineHeight)) {
    return;
  }
  const std::vector<std::string>& L = Lines();
  float Y = 0;
  for (const std::string& Line : L) {
    if (Y + LineHeight > FHeight) {
      break;
    }
    FFont->DrawString(WithoutLineBreak(Line), 0, Y, 0, 0);
    Y += LineHeight;
  }
  if (!CursorVisible()) {
    return;
  }
  const float CursorY = static_cast<float>(FCursorRow) * LineHeight;
  if (CursorY + LineHeight > FHeight) {
    return;
  }
  float CursorX = 0;
  if (FCursorRow >= 0 && static_cast<size_t>(FCursorRow) < L.size()) {
    const std::string& Line = L[static_cast<size_t>(FCursorRow)];
    CursorX = FFont->StringWidth(std::string_view(Line).substr(0, ByteOffset(Line, FCursorCol)));
  } else if (FCursorCol != 0) {
    return;
  }
  // Once, even where the column is 0 on a line that is not there yet (an empty last line).
  FTextCursor->Draw(CursorX, CursorY, 0, 0, 0, 1, 1);
}

// --- Files ---------------------------------------------------------------------------------------

void TGEditBox::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGEditBox*>(Dest)) {
    D->SetTextCursor(FTextCursor);
    D->SetFont(FFont);
    D->SetData(FData);
  }
}

void TGEditBox::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  SetTextCursor(ObjectCast<TGGraphic>(XMLResource(Context, Node, "TextCursorURL")));
  SetFont(ObjectCast<TGFont>(XMLResource(Context, Node, "FontURL")));
  // The text is the element's content, or a "Text" child's when the element also holds child
  // elements (an element cannot mix text and elements).
  TGXMLCollection* Texts = Node->GetChilds("Text");
  SetData(LineBreaksToCR(Texts->GetCount() > 0 ? Texts->GetItem(0)->Text() : Node->Text()));
}

TGXMLNode* TGEditBox::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(inherited::SaveToXML());
  Node->SetStrAttr("TextCursorURL", SafeGetURL(FTextCursor));
  Node->SetStrAttr("FontURL", SafeGetURL(FFont));
  if (Node->GetChildsCount() > 0) {
    // Effects or children were written: the text goes into a child of its own, or the file
    // could not be read back.
    if (!FData.empty()) {
      Node->AddChild("Text")->SetText(FData);
    }
  } else {
    Node->SetText(FData);
  }
  return Node.release();
}
