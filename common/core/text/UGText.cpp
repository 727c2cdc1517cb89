#include "text/UGText.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "object/UGClassBuilder.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fstream>

G_IMPLEMENT_CLASS(TGTextTag)
G_IMPLEMENT_CLASS(TGText)

bool IsSpaceChar(char32_t C) {
  return C <= 0x0D || C == U' ' || C == U',' || C == U'.' || C == U';' || C == U':' ||
         C == 0x3002 || C == 0x30FB || C == 0x3001 || C == 0xFF1A;
}

// --- Tags ----------------------------------------------------------------------------------------

TGTextTag::TGTextTag(TGText* AText, std::string_view AData)
    : TGObject(AText)
    , FText(AText)
    , FData(AData) {
  ParseData();
}

void TGTextTag::Destroy() {
  FreeAndNil(FGfx);
  FreeAndNil(FFont);
  inherited::Destroy();
}

std::string TGTextTag::Param(std::string_view Name) const {
  for (const auto& [N, V] : FParams) {
    if (N == Name) {
      return V;
    }
  }
  return {};
}

void TGTextTag::ParseData() {
  FParams.clear();
  size_t Blank = FData.find(' ');
  FName = LowerCase(FData.substr(0, Blank));
  std::string_view Rest;
  if (Blank != std::string::npos) {
    Rest = std::string_view(FData).substr(Blank + 1);
  }
  for (;;) {
    size_t Eq = Rest.find('=');
    if (Eq == std::string_view::npos) {
      break;
    }
    size_t Open = Rest.find('"', Eq + 1);
    size_t Close = Open == std::string_view::npos ? Open : Rest.find('"', Open + 1);
    if (Close == std::string_view::npos) {
      break;
    }
    std::string Name;
    for (char C : Rest.substr(0, Eq)) {
      if (C != ' ') {
        Name += C;
      }
    }
    FParams.emplace_back(LowerCase(Name), std::string(Rest.substr(Open + 1, Close - Open - 1)));
    Rest = Rest.substr(Close + 1);
  }

  FreeAndNil(FGfx);
  FreeAndNil(FFont);
  FWidth = 0;
  FHeight = 0;
  TGResourceLibrary* Lib = FText ? FText->Library() : nullptr;
  auto Known = [Lib](const std::string& URL) {
    return Lib && !URL.empty() && ValidateURL(URL) && Lib->IndexOf(URL) >= 0;
  };
  if (FName == "img") {
    std::string Src = Param("src");
    if (Known(Src)) {
      if (auto* G = dynamic_cast<TGGraphic*>(Lib->GetResource(Src))) {
        FGfx = ObjectCast<TGGraphic>(G->Clone(this));
        FWidth = FGfx->Width();
        FHeight = FGfx->Height();
      }
    }
  } else if (FName == "font") {
    std::string Src = Param("src");
    if (Known(Src)) {
      if (auto* F = dynamic_cast<TGFont*>(Lib->GetResource(Src))) {
        FFont = ObjectCast<TGFont>(F->Clone(this));
        int32_t Color = 0;
        if (TryStrToInt(Param("color"), Color)) {
          FFont->SetSelfColor(static_cast<uint32_t>(Color));
        }
      }
    }
  }
}

void TGTextTag::Apply() {
  if (!FText) {
    return;
  }
  if (FName == "font") {
    if (FFont) {
      FText->PushFont(FFont);
    }
  } else if (FName == "/font") {
    FText->PopFont();
  }
}

void TGTextTag::Draw(float X, float Y) {
  if (FGfx) {
    FGfx->Draw(X, Y, 0, 0, 0, 1, 1);
  }
}

void TGTextTag::Update(float DeltaTime) {
  if (FGfx) {
    FGfx->Update(DeltaTime);
  }
}

// --- Text ----------------------------------------------------------------------------------------

void TGText::Destroy() {
  Invalidate();
  SetResource(FFont, static_cast<TGFont*>(nullptr));
  inherited::Destroy();
}

TGResourceLibrary* TGText::Library() const {
  return FLibrary ? FLibrary : MainResourceLibrary();
}

void TGText::SetData(std::string_view Value) {
  FData = Value;
  FFormattedData = LangDictionary().GetString(FData);
  Invalidate();
}

void TGText::SetFont(TGFont* Value) {
  if (Value != FFont) {
    SetResource(FFont, Value);
  }
  Invalidate();
}

void TGText::SetFontURL(std::string_view Value) {
  FFontURL = Value;
  std::string URL = LangDictionary().GetString(FFontURL);
  TGResourceLibrary* Lib = Library();
  if (URL.empty() || !Lib || !ValidateURL(URL) || Lib->IndexOf(URL) < 0) {
    return;
  }
  if (auto* F = dynamic_cast<TGFont*>(Lib->GetResourceEx(URL, false))) {
    SetFont(F);
  }
}

void TGText::SetAlign(TGAlign Value) {
  FAlign = Value;
  Invalidate();
}

void TGText::SetVAlign(TGVAlign Value) {
  FVAlign = Value;
  Invalidate();
}

void TGText::SetLineSpacing(float Value) {
  FLineSpacing = Value;
  Invalidate();
}

void TGText::SetExtent(const TGVector& Value) {
  inherited::SetExtent(Value);
  Invalidate();
}

void TGText::Invalidate() {
  // The tags own the pushed fonts: the stack must not outlive them.
  FFontStack.clear();
  for (TGLineOfWords& Line : FFormattedText) {
    for (TGWord& W : Line) {
      FreeAndNil(W.TagObj);
    }
  }
  FFormattedText.clear();
  FLaidOut = false;
}

void TGText::PushFont(TGFont* Value) {
  FFontStack.push_back(Value);
}

void TGText::PopFont() {
  if (!FFontStack.empty()) {
    FFontStack.pop_back();
  }
}

TGFont* TGText::TopFont() const {
  return FFontStack.empty() || !FFontStack.back() ? FFont : FFontStack.back();
}

std::vector<std::u32string> TGText::SplitWords(std::u32string_view Text) {
  std::vector<std::u32string> Words;
  std::vector<bool> IsTag;
  bool InTag = false;
  bool AfterSeparator = false;
  bool AfterTag = false;
  for (size_t I = 0; I < Text.size(); ++I) {
    char32_t C = Text[I];
    if (InTag) {
      Words.back() += C;
      if (C == U'>') {
        InTag = false;
        AfterTag = true;
        AfterSeparator = false;
      }
      continue;
    }
    bool Separator = IsSpaceChar(C);
    // A closed tag is a word of its own: the next non-separator starts a new word even
    // without a separator in between.
    if (I == 0 || C == U'\r' || C == U'<' || (!Separator && (AfterSeparator || AfterTag))) {
      Words.emplace_back();
      IsTag.push_back(C == U'<');
      AfterTag = false;
    }
    Words.back() += C;
    InTag = C == U'<';
    AfterSeparator = Separator;
  }
  // A tag's trailing separators belong to the word before it.
  for (size_t K = Words.size(); K-- > 1;) {
    if (!IsTag[K]) {
      continue;
    }
    std::u32string& W = Words[K];
    size_t Close = W.find(U'>');
    if (Close == std::u32string::npos || Close + 1 == W.size()) {
      continue;
    }
    Words[K - 1] += W.substr(Close + 1);
    W.erase(Close + 1);
  }
  return Words;
}

void TGText::MakeLayout() {
  Invalidate();
  FLaidOut = true;
  ++FLayoutCount;
  TGFormattedText& Lines = FFormattedText;
  if (!FFont || FFormattedData.empty()) {
    return;
  }
  bool Boxed = FExtent.X >= 1 && FExtent.Y >= 1;
  float BoxW = Boxed ? FExtent.X : 10000;
  float BoxH = Boxed ? FExtent.Y : 10000;
  TGAlign HAlign = Boxed ? FAlign : aLeft;
  TGVAlign VAlign = Boxed ? FVAlign : vaTop;

  // Measure every word; font tags change the font of the words after them.
  std::vector<TGWord> Words;
  for (std::u32string& S : SplitWords(UTF8ToCodePoints(FFormattedData))) {
    TGWord W;
    W.S = CodePointsToUTF8(S);
    W.IsTag = S.front() == U'<';
    if (W.IsTag) {
      size_t Close = S.find(U'>');
      std::u32string Inner = S.substr(1, Close == std::u32string::npos ? S.npos : Close - 1);
      W.TagObj = new TGTextTag(this, CodePointsToUTF8(Inner));
      W.Width = W.TagObj->Width();
      W.Height = W.TagObj->Height();
      W.TagObj->Apply();
      W.Font = TopFont();
    } else {
      W.Font = TopFont();
      W.Width = W.Font->StringWidth(S);
      W.Height = W.Font->Height();
    }
    W.Chars = std::move(S);
    Words.push_back(std::move(W));
  }
  FFontStack.clear();

  // Break into lines against the extent's width.
  float Base = FFont->Height();
  float X = 0;
  float Y = 0;
  float L = Base;
  Lines.emplace_back();
  for (size_t K = 0; K < Words.size(); ++K) {
    TGWord& W = Words[K];
    if ((K > 0 && X + W.Width >= FExtent.X) || W.Chars.front() == U'\r') {
      Lines.emplace_back();
      X = 0;
      Y += L * FLineSpacing;
      L = Base;
    }
    W.X = X;
    W.Y = Y;
    L = std::max(L, W.Height);
    X += W.Width;
    Lines.back().push_back(std::move(W));
  }

  // Horizontal alignment.
  for (TGLineOfWords& Line : Lines) {
    float Sum = 0;
    int Positive = 0;
    for (const TGWord& W : Line) {
      Sum += W.Width;
      Positive += W.Width > 0 ? 1 : 0;
    }
    switch (HAlign) {
    case aLeft:
      break;
    case aRight: {
      float Pos = BoxW;
      for (size_t K = Line.size(); K-- > 0;) {
        Pos -= Line[K].Width;
        Line[K].X = Pos;
      }
      break;
    }
    case aCenter: {
      float Pos = (BoxW - Sum) / 2;
      for (TGWord& W : Line) {
        W.X = Pos;
        Pos += W.Width;
      }
      break;
    }
    case aJustify: {
      float Extra = 0;
      if (Positive >= 2 && Sum >= 0.7f * BoxW && Sum < BoxW + 1) {
        Extra = std::max(0.0f, (BoxW - Sum) / static_cast<float>(Positive - 1));
      }
      float Pos = std::min(0.0f, (BoxW - Sum) / 2);
      for (TGWord& W : Line) {
        W.X = Pos;
        if (W.Width > 0) {
          Pos += W.Width + Extra;
        }
      }
      break;
    }
    }
  }

  // Vertical alignment.
  if (VAlign != vaTop) {
    float Bottom = 0;
    for (const TGWord& W : Lines.back()) {
      Bottom = std::max(Bottom, W.Y + W.Height);
    }
    if (Lines.back().empty()) {
      Bottom = std::max(Bottom, Y + Base);
    }
    float Top = Lines.front().empty() ? 0 : Lines.front().front().Y;
    float Shift = BoxH - (Bottom - Top);
    if (VAlign == vaMiddle) {
      Shift /= 2;
    }
    for (TGLineOfWords& Line : Lines) {
      for (TGWord& W : Line) {
        W.Y += Shift;
      }
    }
  }
}

const TGFormattedText& TGText::GetFormattedText() {
  if (!FLaidOut) {
    MakeLayout();
  }
  return FFormattedText;
}

void TGText::GetDefaultExtent(float& W, float& H, float MaxWidth) {
  if (!FFont || FFormattedData.empty()) {
    W = 100;
    H = 100;
    return;
  }
  float OldWidth = Width();
  SetWidth(MaxWidth);
  const TGFormattedText& Lines = GetFormattedText();
  W = 0;
  for (const TGLineOfWords& Line : Lines) {
    if (!Line.empty()) {
      W = std::max(W, Line.back().X + Line.back().Width - Line.front().X + 1);
    }
  }
  H = static_cast<float>(Lines.size()) * FFont->Height() * FLineSpacing;
  SetWidth(OldWidth);
}

void TGText::Draw() {
  if (!FFont) {
    return;
  }
  const TGFormattedText& Lines = GetFormattedText();
  TGSprite::BeginBatch();
  struct TEnd {
    TGText* Text;
    ~TEnd() {
      Text->FFontStack.clear();
      TGSprite::EndBatch();
    }
  } End{this};
  FFontStack.clear();
  for (const TGLineOfWords& Line : Lines) {
    for (const TGWord& W : Line) {
      float X = std::trunc(W.X) + FX;
      float Y = std::trunc(W.Y) + FY;
      if (W.IsTag) {
        W.TagObj->Draw(X, Y);
        W.TagObj->Apply();
      } else {
        TopFont()->DrawString(W.Chars, FColor, X, Y, 0, 0);
      }
    }
  }
}

void TGText::Update(float DeltaTime) {
  for (const TGLineOfWords& Line : GetFormattedText()) {
    for (const TGWord& W : Line) {
      if (W.TagObj) {
        W.TagObj->Update(DeltaTime);
      }
    }
  }
}

void TGText::AssignTo(TGObject* Dest) const {
  TGText* D = dynamic_cast<TGText*>(Dest);
  inherited::AssignTo(Dest);
  if (!D) {
    return;
  }
  D->SetLibrary(FLibrary);
  D->SetFont(FFont);
  D->SetFontURL(FFontURL);
  D->SetData(FData);
  D->SetAlign(FAlign);
  D->SetVAlign(FVAlign);
  D->SetLineSpacing(FLineSpacing);
  D->FX = FX;
  D->FY = FY;
  D->FColor = FColor;
}

namespace {

constexpr const char* CAlignNames[] = {"Left", "Right", "Center", "Justify"};
constexpr const char* CVAlignNames[] = {"Top", "Middle", "Bottom"};

template <size_t N>
int WordIndex(const char* const (&Names)[N], const std::string& Word) {
  for (size_t I = 0; I < N; ++I) {
    if (Word == Names[I]) {
      return static_cast<int>(I);
    }
  }
  throw Error();
}

} // namespace

void TGText::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  // Everything is read before anything changes, so that a bad element leaves the text alone.
  auto NewAlign =
      static_cast<TGAlign>(WordIndex(CAlignNames, Node->GetStrAttrDef("Align", "Left")));
  auto NewVAlign =
      static_cast<TGVAlign>(WordIndex(CVAlignNames, Node->GetStrAttrDef("VAlign", "Top")));
  float NewLineSpacing = Node->GetFloatAttrDef("LineSpacing", 1);
  float NewX = Node->GetFloatAttrDef("X", 0);
  float NewY = Node->GetFloatAttrDef("Y", 0);
  std::string NewFontURL = Node->GetStrAttrDef("FontURL", "");
  if (Context) {
    FLibrary = Context;
  }
  SetFontURL(NewFontURL);
  SetLineSpacing(NewLineSpacing);
  FX = NewX;
  FY = NewY;
  SetAlign(NewAlign);
  SetVAlign(NewVAlign);
  SetData(DecodeText(Node->Text()));
}

TGXMLNode* TGText::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Text"));
  Root->SetStrAttr("FontURL", FFontURL.empty() ? SafeGetURL(FFont) : FFontURL);
  Root->SetText(EncodeText(FData));
  Root->SetStrAttr("Align", CAlignNames[FAlign]);
  Root->SetStrAttr("VAlign", CVAlignNames[FVAlign]);
  Root->SetFloatAttr("LineSpacing", FLineSpacing);
  if (std::nearbyint(FX) != 0) {
    Root->SetFloatAttr("X", FX);
  }
  if (std::nearbyint(FY) != 0) {
    Root->SetFloatAttr("Y", FY);
  }
  return Root.release();
}

// --- Language tools ------------------------------------------------------------------------------

std::string ShowLineFeeds(const TGFormattedText& Lines) {
  std::string Out;
  for (size_t I = 0; I < Lines.size(); ++I) {
    if (I > 0) {
      Out += "@NEW_LINE@";
    }
    for (const TGWord& W : Lines[I]) {
      Out += W.S;
    }
  }
  return Out;
}

std::string CheckForLineFeeds(std::string_view Text, TGText* TextObject) {
  std::string Saved = TextObject->Data();
  struct TRestore {
    TGText* Object;
    const std::string& Data;
    ~TRestore() { Object->SetData(Data); }
  } Restore{TextObject, Saved};
  TextObject->SetData(Text);
  const TGFormattedText& Lines = TextObject->GetFormattedText();
  if (Lines.size() < 2) {
    TGFont* F = TextObject->Font();
    return F && F->StringWidth(Text) > TextObject->Width() ? std::string(Text) : std::string();
  }
  return ShowLineFeeds(Lines);
}

namespace {

std::string RunCheck(TGText* TextObject, std::string_view Rule, std::string_view Report) {
  std::vector<std::string> Lines;
  TGLangDictionary& Dic = LangDictionary();
  for (int I = 0; I < Dic.GetCount(); ++I) {
    std::string Key = "$" + Dic.GetKey(I) + "$";
    if (Key.find(Rule) == std::string::npos) {
      continue;
    }
    std::string R = CheckForLineFeeds(Dic.GetString(Key), TextObject);
    if (!R.empty()) {
      Lines.push_back(Key + " => " + R);
    }
  }
  std::time_t Now = std::time(nullptr);
  std::tm Local{};
  localtime_r(&Now, &Local);
  char Stamp[32];
  std::strftime(Stamp, sizeof Stamp, "%Y.%m.%d %H.%M.%S", &Local);
  std::string FileName = std::string(Report) + " (" + Stamp + ").log";
  std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
  if (!Out) {
    throw Error("Cannot create file \"%s\"", FileName);
  }
  for (const std::string& Line : Lines) {
    for (char16_t C : UTF8ToUTF16(Line + "\r\n")) {
      const char Bytes[2] = {static_cast<char>(C & 0xFF), static_cast<char>(C >> 8)};
      Out.write(Bytes, 2);
    }
  }
  if (!Out) {
    throw Error("Cannot write file \"%s\"", FileName);
  }
  return FileName;
}

} // namespace

std::string CheckMasterObjectCaptions(TGText* TextObject) {
  return RunCheck(TextObject, "#MGO#", "MasterObjectCheck");
}

std::string CheckGameObjectCaptions(TGText* TextObject) {
  return RunCheck(TextObject, "#GO#", "GameObjectCheck");
}

std::string CheckGoalAreaMessages(TGText* TextObject) {
  return RunCheck(TextObject, "#GOAL#", "GoalAreaCheck");
}
