#include "resources/UGLangDictionary.h"

#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TGCSV)
G_IMPLEMENT_CLASS(TGLangDictionary)

namespace {

// One cell at Pos; Pos ends on the ';', line break or end that follows it.
std::string ReadCell(std::string_view T, size_t& Pos) {
  std::string Cell;
  if (Pos < T.size() && T[Pos] == CCsvTextSeparator) {
    ++Pos;
    while (Pos < T.size()) {
      if (T[Pos] == CCsvTextSeparator) {
        if (Pos + 1 < T.size() && T[Pos + 1] == CCsvTextSeparator) {
          Cell += CCsvTextSeparator;
          Pos += 2;
          continue;
        }
        ++Pos;
        break;
      }
      Cell += T[Pos++];
    }
  } else {
    while (Pos < T.size() && T[Pos] != CCsvFieldSeparator && T[Pos] != '\r' && T[Pos] != '\n') {
      Cell += T[Pos++];
    }
  }
  while (Pos < T.size() && T[Pos] != CCsvFieldSeparator && T[Pos] != '\r' && T[Pos] != '\n') {
    ++Pos; // whatever follows a closing quote is dropped
  }
  return Cell;
}

} // namespace

void TGCSV::LoadFromStream(TGStream& Stream) {
  LoadFromText(Stream.ReadAll());
}

void TGCSV::LoadFromText(std::string_view Raw) {
  Clear();
  // Broken UTF-8 becomes U+FFFD instead of failing the whole file.
  std::string Text = UTF16ToUTF8(UTF8ToUTF16(Raw));
  if (Text.empty()) {
    throw Error();
  }
  std::string_view T = Text;
  size_t Pos = 0;
  size_t Columns = 0;
  while (Pos < T.size() && T[Pos] != '\r' && T[Pos] != '\n') {
    ReadCell(T, Pos);
    ++Columns;
    if (Pos < T.size() && T[Pos] == CCsvFieldSeparator) {
      ++Pos;
    }
  }
  Columns = std::max<size_t>(Columns, 1);
  Pos = 0;
  size_t K = 0;
  size_t Counted = 0; // the text before this has its line feeds counted in Line
  int32_t Line = 1;
  while (Pos < T.size()) {
    if (K == 0) {
      Line += static_cast<int32_t>(std::count(T.begin() + static_cast<ptrdiff_t>(Counted),
                                              T.begin() + static_cast<ptrdiff_t>(Pos), '\n'));
      Counted = Pos;
      FRowLines.push_back(Line);
    }
    std::string Cell = ReadCell(T, Pos);
    if (Pos < T.size() && T[Pos] == CCsvFieldSeparator) {
      ++Pos;
    }
    if (K == 0) {
      FRows.emplace_back();
    }
    FRows.back().push_back(std::move(Cell));
    K = (K + 1) % Columns;
    if (K == 0) {
      while (Pos < T.size() && (T[Pos] == '\r' || T[Pos] == '\n')) {
        ++Pos;
      }
    }
  }
  if (!FRows.empty()) {
    FRows.back().resize(Columns);
  }
}

const std::string& TGCSV::Cells(int Row, int Col) const {
  static const std::string Empty;
  if (Row < 0 || Row >= RowCount() || Col < 0 ||
      Col >= static_cast<int>(FRows[static_cast<size_t>(Row)].size())) {
    return Empty;
  }
  return FRows[static_cast<size_t>(Row)][static_cast<size_t>(Col)];
}

// --- The dictionary ------------------------------------------------------------------------------

TGLangDictionary& LangDictionary() {
  static TGLangDictionary* Dictionary = new TGLangDictionary(); // lives for the whole run
  return *Dictionary;
}

void TGLangDictionary::Clear() {
  FLanguages.clear();
  FList.clear();
}

int TGLangDictionary::LanguageIndex(std::string_view Lang) const {
  for (size_t I = 0; I < FLanguages.size(); ++I) {
    if (SameText(FLanguages[I], Lang)) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

const std::vector<std::string>* TGLangDictionary::Find(std::string_view Key) const {
  auto It = std::lower_bound(FList.begin(), FList.end(), Key,
                             [](const auto& E, std::string_view K) { return E.first < K; });
  return It != FList.end() && It->first == Key ? &It->second : nullptr;
}

std::vector<std::string>* TGLangDictionary::Find(std::string_view Key) {
  auto It = std::lower_bound(FList.begin(), FList.end(), Key,
                             [](const auto& E, std::string_view K) { return E.first < K; });
  if (It == FList.end() || It->first != Key) {
    It = FList.insert(It, {std::string(Key), {}});
  }
  return &It->second;
}

void TGLangDictionary::LoadDic(TGStream& Stream, TKeys& Keys, std::vector<std::string>& Languages) {
  TGObjectPtr<TGCSV> CSV(new TGCSV());
  CSV->LoadFromStream(Stream);
  Languages.clear();
  for (int Col = 1; Col < CSV->ColCount(); ++Col) {
    Languages.push_back(CSV->Cells(0, Col));
  }
  Keys.clear();
  for (int Row = 1; Row < CSV->RowCount(); ++Row) {
    std::vector<std::string> Texts;
    for (int Col = 1; Col < CSV->ColCount(); ++Col) {
      Texts.push_back(CSV->Cells(Row, Col));
    }
    Keys.emplace_back(CSV->Cells(Row, 0), std::move(Texts));
  }
}

void TGLangDictionary::Load(TGStream& Stream) {
  TKeys N;
  std::vector<std::string> M;
  LoadDic(Stream, N, M); // fails before anything changes
  if (FList.empty()) {
    FLanguages = M;
    for (auto& [Key, Texts] : N) {
      auto It = std::lower_bound(FList.begin(), FList.end(), Key,
                                 [](const auto& E, const std::string& K) { return E.first < K; });
      if (It == FList.end() || It->first != Key) {
        FList.insert(It, {Key, std::move(Texts)}); // a repeated key keeps its first row
      }
    }
    return;
  }
  for (const std::string& Lang : M) {
    if (LanguageIndex(Lang) < 0) {
      FLanguages.push_back(Lang);
    }
  }
  for (const auto& [Key, Texts] : N) {
    std::vector<std::string>* Entry = Find(Key);
    for (size_t J = 0; J < Texts.size() && J < M.size(); ++J) {
      size_t L = static_cast<size_t>(LanguageIndex(M[J]));
      if (Entry->size() <= L) {
        Entry->resize(L + 1);
      }
      (*Entry)[L] = Texts[J];
    }
  }
  for (auto& Entry : FList) {
    if (Entry.second.size() < FLanguages.size()) {
      Entry.second.resize(FLanguages.size());
    }
  }
}

std::string TGLangDictionary::ClearRules(std::string_view Name) {
  std::string S(Name);
  size_t First;
  while ((First = S.find(LDRuleSeparator)) != std::string::npos) {
    S.erase(First, 1);
    size_t Next = S.find(LDRuleSeparator, First);
    if (Next != std::string::npos) {
      S.erase(First, Next - First + 1);
    }
  }
  return S;
}

std::string TGLangDictionary::GetString(std::string_view Text) const {
  if (Text.find(LDKeySeparator) == std::string_view::npos) {
    return std::string(Text);
  }
  int L = LanguageIndex(FCurrentLanguage);
  std::string Out;
  size_t I = 0;
  while (I < Text.size()) {
    char C = Text[I];
    if (C != LDKeySeparator) {
      Out += C;
      ++I;
      continue;
    }
    if (I + 1 < Text.size() && Text[I + 1] == LDKeySeparator) {
      Out += LDKeySeparator; // "$$" outside a key
      I += 2;
      continue;
    }
    if (I + 1 >= Text.size()) {
      break; // a lone "$" at the very end is dropped
    }
    // A key: up to the next single "$"; "$$" inside stands for "$".
    std::string Name;
    size_t J = I + 1;
    bool Closed = false;
    while (J < Text.size()) {
      if (Text[J] == LDKeySeparator) {
        if (J + 1 < Text.size() && Text[J + 1] == LDKeySeparator) {
          Name += LDKeySeparator;
          J += 2;
          continue;
        }
        Closed = true;
        break;
      }
      Name += Text[J++];
    }
    if (!Closed) {
      Out += Name; // an open key is copied as it stands
      break;
    }
    const std::vector<std::string>* Texts = L >= 0 ? Find(Name) : nullptr;
    if (Texts && static_cast<size_t>(L) < Texts->size() &&
        !(*Texts)[static_cast<size_t>(L)].empty()) {
      Out += (*Texts)[static_cast<size_t>(L)];
    } else {
      Out += ClearRules(Name);
    }
    I = J + 1;
  }
  return Out;
}

std::string TranslateFormat(std::string_view Key, std::initializer_list<TGFormatArg> Args) {
  return FormatChecked(LangDictionary().GetString(Key), Args);
}
