#include "text/UGFont.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <cmath>

G_IMPLEMENT_CLASS(TGFont)

std::u32string UTF8ToCodePoints(std::string_view S) {
  std::u16string W = UTF8ToUTF16(S);
  std::u32string Out;
  Out.reserve(W.size());
  for (size_t I = 0; I < W.size(); ++I) {
    char32_t C = W[I];
    // UTF8ToUTF16 only makes well-formed pairs.
    if (C >= 0xD800 && C <= 0xDBFF && I + 1 < W.size()) {
      C = 0x10000 + ((C - 0xD800) << 10) + (W[I + 1] - 0xDC00);
      ++I;
    }
    Out += C;
  }
  return Out;
}

std::string CodePointsToUTF8(std::u32string_view S) {
  std::u16string W;
  W.reserve(S.size());
  for (char32_t C : S) {
    if (C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF)) {
      C = 0xFFFD;
    }
    if (C >= 0x10000) {
      C -= 0x10000;
      W += static_cast<char16_t>(0xD800 + (C >> 10));
      W += static_cast<char16_t>(0xDC00 + (C & 0x3FF));
    } else {
      W += static_cast<char16_t>(C);
    }
  }
  return UTF16ToUTF8(W);
}

void TGFont::Destroy() {
  ClearGlyphSprites();
  SetResource(FSprite, static_cast<TGSprite*>(nullptr));
  inherited::Destroy();
}

void TGFont::SetSprite(TGSprite* Value) {
  if (Value == FSprite) {
    return;
  }
  ClearGlyphSprites();
  SetResource(FSprite, Value);
}

void TGFont::ClearGlyphSprites() {
  for (TEntry& E : FCharacters) {
    FreeAndNil(E.Sprite);
  }
}

void TGFont::ClearCharacters() {
  ClearGlyphSprites();
  FCharacters.clear();
  FCharIndex.clear();
}

int TGFont::FindCharacter(char32_t C) const {
  auto It = FCharIndex.find(C);
  return It == FCharIndex.end() ? -1 : It->second;
}

const TGCharacter& TGFont::GetCharacter(int I) const {
  if (I < 0 || I >= GetCount()) {
    throw Error("List index out of bounds (%d)", I);
  }
  return FCharacters[static_cast<size_t>(I)].Character;
}

void TGFont::AddCharacter(const TGCharacter& Character) {
  FCharIndex.try_emplace(Character.Code, GetCount());
  FCharacters.push_back(TEntry{Character, nullptr});
}

TGSprite* TGFont::GetCharSprite(int I) {
  GetCharacter(I); // range check
  if (!FSprite) {
    throw Error();
  }
  TEntry& E = FCharacters[static_cast<size_t>(I)];
  if (!E.Sprite) {
    E.Sprite = ObjectCast<TGSprite>(FSprite->Clone(this));
    E.Sprite->SetRect(E.Character.Rect);
  }
  return E.Sprite;
}

float TGFont::GetKernAmount(char32_t A, char32_t B) const {
  if (FPairIndex.empty()) {
    return 0;
  }
  auto It = FPairIndex.find(PairKey(A, B));
  return It == FPairIndex.end() ? 0.0f : It->second;
}

void TGFont::SetKernAmount(char32_t A, char32_t B, float Amount) {
  auto Same = [&](const TGKerningPair& P) { return P.CharA == A && P.CharB == B; };
  auto It = std::find_if(FPairs.begin(), FPairs.end(), Same);
  if (std::fabs(Amount) < 0.001f) {
    if (It != FPairs.end()) {
      FPairs.erase(It);
    }
  } else if (It != FPairs.end()) {
    It->KernAmount = Amount;
  } else {
    FPairs.push_back(TGKerningPair{A, B, Amount});
  }
  // The first pair of each couple counts.
  FPairIndex.clear();
  for (const TGKerningPair& P : FPairs) {
    FPairIndex.try_emplace(PairKey(P.CharA, P.CharB), P.KernAmount);
  }
}

float TGFont::StringWidth(std::u32string_view S) const {
  float W = 0;
  for (size_t I = 0; I < S.size(); ++I) {
    int Index = FindCharacter(S[I]);
    if (Index < 0) {
      continue;
    }
    const TGCharacter& C = FCharacters[static_cast<size_t>(Index)].Character;
    W += C.Rect.Right - C.Rect.Left - C.Padding.Left - C.Padding.Right;
    if (I + 1 < S.size()) {
      W += GetKernAmount(S[I], S[I + 1]);
    }
  }
  return W;
}

void TGFont::DrawString(std::u32string_view Str, TGColor Color, float X, float Y, float PivotX,
                        float PivotY) {
  if (FSelfColor != 0xFFFFFFFFu) {
    Color = Color * FSelfColor;
  }
  TGSprite::BeginBatch();
  struct TBatchEnd {
    ~TBatchEnd() { TGSprite::EndBatch(); }
  } End;
  float XPos = PivotX == 0 ? X : X - std::trunc(StringWidth(Str) * PivotX);
  float YPos = Y - std::trunc(FHeight * PivotY);
  for (size_t I = 0; I < Str.size(); ++I) {
    int Index = FindCharacter(Str[I]);
    if (Index >= 0) {
      const TGCharacter& C = FCharacters[static_cast<size_t>(Index)].Character;
      GetCharSprite(Index)->Draw(Color, bParent, XPos - C.Padding.Left, YPos, 0, 0, 0, 1, 1,
                                 tfParent);
      XPos += -C.Padding.Left + (C.Rect.Right - C.Rect.Left) - C.Padding.Right;
    }
    if (I + 1 < Str.size()) {
      XPos += GetKernAmount(Str[I], Str[I + 1]);
    }
  }
}

void TGFont::AssignTo(TGObject* Dest) const {
  TGFont* D = dynamic_cast<TGFont*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  inherited::AssignTo(Dest);
  D->FHeight = FHeight;
  D->SetSprite(FSprite);
  D->FSelfColor = FSelfColor;
  D->FPairs = FPairs;
  D->FPairIndex = FPairIndex;
  D->ClearCharacters();
  for (const TEntry& E : FCharacters) {
    D->AddCharacter(E.Character);
  }
  D->FSystemFontSettings = FSystemFontSettings;
}

namespace {

// The first character of a text, or none.
bool FirstChar(std::string_view Text, char32_t& C) {
  std::u32string S = UTF8ToCodePoints(Text);
  if (S.empty()) {
    return false;
  }
  C = S.front();
  return true;
}

} // namespace

void TGFont::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  float NewHeight = Node->GetFloatAttr("Height");
  TGSprite* NewSprite = nullptr;
  if (!Node->GetStrAttrDef("SpriteURL", "").empty()) {
    NewSprite = dynamic_cast<TGSprite*>(XMLResource(Context, Node, "SpriteURL"));
  }
  TGColor NewColor = Node->GetLongwordAttrDef("Color", 0xFFFFFFFF);
  std::string NewSettings = Node->GetStrAttrDef("SystemFontSettings", "");

  std::vector<TGKerningPair> NewPairs;
  if (TGXMLCollection* Pairs = Node->GetChilds("Pair")) {
    for (int I = 0; I < Pairs->GetCount(); ++I) {
      const TGXMLNode* P = Pairs->GetItem(I);
      TGKerningPair Pair;
      if (!FirstChar(P->GetStrAttr("CharA"), Pair.CharA) ||
          !FirstChar(P->GetStrAttr("CharB"), Pair.CharB)) {
        throw Error("Empty kerning character in pair %d", I);
      }
      Pair.KernAmount = P->GetFloatAttr("KernAmount");
      NewPairs.push_back(Pair);
    }
  }
  std::vector<TGCharacter> NewChars;
  if (TGXMLCollection* Chars = Node->GetChilds("Char")) {
    for (int I = 0; I < Chars->GetCount(); ++I) {
      const TGXMLNode* N = Chars->GetItem(I);
      TGCharacter C;
      if (!FirstChar(N->Text(), C.Code)) {
        C.Code = U' ';
      }
      float X = N->GetFloatAttr("X");
      float Y = N->GetFloatAttr("Y");
      C.Rect = TGRectFloat{X, Y, X + N->GetFloatAttr("W"), Y + N->GetFloatAttr("H")};
      C.Padding = TGRectFloat{N->GetFloatAttr("L"), N->GetFloatAttr("T"), N->GetFloatAttr("R"),
                              N->GetFloatAttr("B")};
      NewChars.push_back(C);
    }
  }
  // Everything was read: the font changes only now, so a bad file leaves it as it was.
  FHeight = NewHeight;
  SetSprite(NewSprite);
  FSelfColor = NewColor;
  FSystemFontSettings = NewSettings;
  FPairs.clear();
  FPairIndex.clear();
  for (const TGKerningPair& P : NewPairs) {
    SetKernAmount(P.CharA, P.CharB, P.KernAmount);
  }
  ClearCharacters();
  for (const TGCharacter& C : NewChars) {
    AddCharacter(C);
  }
}

TGXMLNode* TGFont::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Font"));
  Root->SetFloatAttr("Height", FHeight);
  Root->SetStrAttr("SpriteURL", SafeGetURL(FSprite));
  Root->SetLongwordAttr("Color", FSelfColor);
  if (!FSystemFontSettings.empty()) {
    Root->SetStrAttr("SystemFontSettings", FSystemFontSettings);
  }
  for (const TEntry& E : FCharacters) {
    const TGCharacter& C = E.Character;
    TGXMLNode* N = Root->AddChild("Char");
    N->SetText(C.Code == U' ' ? std::string() : CodePointsToUTF8(std::u32string(1, C.Code)));
    N->SetFloatAttr("X", C.Rect.Left);
    N->SetFloatAttr("Y", C.Rect.Top);
    N->SetFloatAttr("W", C.Rect.Right - C.Rect.Left);
    N->SetFloatAttr("H", C.Rect.Bottom - C.Rect.Top);
    N->SetFloatAttr("L", C.Padding.Left);
    N->SetFloatAttr("T", C.Padding.Top);
    N->SetFloatAttr("R", C.Padding.Right);
    N->SetFloatAttr("B", C.Padding.Bottom);
  }
  for (const TGKerningPair& P : FPairs) {
    TGXMLNode* N = Root->AddChild("Pair");
    N->SetStrAttr("CharA", CodePointsToUTF8(std::u32string(1, P.CharA)));
    N->SetStrAttr("CharB", CodePointsToUTF8(std::u32string(1, P.CharB)));
    N->SetFloatAttr("KernAmount", P.KernAmount);
  }
  return Root.release();
}
