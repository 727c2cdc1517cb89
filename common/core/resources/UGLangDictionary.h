// The language dictionary: every text shown passes through it. Keys between dollar signs
// ("$Score:$") are replaced by their translation into the current language; rules between '#'
// signs inside a key ("#GOAL#") tell otherwise equal keys apart and never show. It is filled
// from the "Dictionary.csv" of each depository, later files merged into earlier ones.
#pragma once

#include "base/UGFormat.h"
#include "io/UGStream.h"
#include "object/UGObject.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

constexpr char CCsvFieldSeparator = ';';
constexpr char CCsvTextSeparator = '"';
constexpr char LDKeySeparator = '$';
constexpr char LDRuleSeparator = '#';

// Rows of ';'-separated cells, the header row first; every row has as many cells as the header.
class TGCSV : public TGObject {
  G_CLASS(TGCSV, TGObject)
  explicit TGCSV(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // Parses the whole stream (UTF-8; invalid bytes become U+FFFD). An empty text is the generic
  // error.
  void LoadFromStream(TGStream& Stream);
  void LoadFromText(std::string_view Text);
  void Clear() {
    FRows.clear();
    FRowLines.clear();
  }

  const std::string& Cells(int Row, int Col) const;
  int RowCount() const { return static_cast<int>(FRows.size()); }
  int ColCount() const { return FRows.empty() ? 0 : static_cast<int>(FRows[0].size()); }
  // The line of the text the row starts on (1 for the header), for tools that report on rows.
  int32_t RowLine(int Row) const { return FRowLines.at(static_cast<size_t>(Row)); }

private:
  std::vector<std::vector<std::string>> FRows;
  std::vector<int32_t> FRowLines;
};

class TGLangDictionary : public TGObject {
  G_CLASS(TGLangDictionary, TGObject)
  explicit TGLangDictionary(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  using TKeys = std::vector<std::pair<std::string, std::vector<std::string>>>;

  // Merges one dictionary file; on failure the dictionary keeps its previous content.
  void Load(TGStream& Stream);
  static void LoadDic(TGStream& Stream, TKeys& Keys, std::vector<std::string>& Languages);
  // Text with every key replaced by its translation (or its name without rules).
  std::string GetString(std::string_view Text) const;
  static bool IsReservedKey(char32_t Ch) { return Ch == '$' || Ch == '#'; }
  static std::string ClearRules(std::string_view Name);

  const std::string& CurrentLanguage() const { return FCurrentLanguage; }
  void SetCurrentLanguage(std::string_view Lang) { FCurrentLanguage = Lang; }
  const std::vector<std::string>& Languages() const { return FLanguages; }
  int GetCount() const { return static_cast<int>(FList.size()); }
  const std::string& GetKey(int Index) const { return FList.at(static_cast<size_t>(Index)).first; }
  void Clear();

private:
  int LanguageIndex(std::string_view Lang) const;
  // The entry of a key (sorted, exact case), created when asked.
  std::vector<std::string>* Find(std::string_view Key);
  const std::vector<std::string>* Find(std::string_view Key) const;

  TKeys FList; // sorted by key, exact case
  std::vector<std::string> FLanguages;
  std::string FCurrentLanguage = "ENG";
};

// The program's dictionary, made on first use.
TGLangDictionary& LangDictionary();

// Key translated, then used as the format of Args: a translation whose conversions do not match
// the arguments is shown without substitution (and logged), never formatted.
std::string TranslateFormat(std::string_view Key, std::initializer_list<TGFormatArg> Args);
