// The dictionary (Dictionary.csv, read with the engine's reader) against its users: every key
// that content ("$Key$" in XML, in scripts' string literals, in texts) or the code names is
// there with a text in every language; every translated format has the conversions of its
// original (the key, or the first language's text when the key has none), since the engine
// shows a text whose conversions do not match unformatted; no key is written twice.
#pragma once

#include "UCodeDictionaryKeys.h"
#include "UContentFiles.h"
#include "UFindings.h"
#include "UScriptChecks.h"

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

constexpr const char* CDictionaryFile = "Dictionary.csv";

// The keys of a text as the dictionary looks them up: between two single '$' ("$$" is a dollar
// sign), never across a line break.
std::vector<std::string> DictionaryKeysIn(std::string_view Text);
// The conversions of a format as the engine's Format reads them, one letter each ("%d of %.2d:
// %s" gives "dds"); "%%" and a '%' that starts no conversion give none.
std::string FormatConversions(std::string_view Text);

class TDictionaryChecks {
public:
  TDictionaryChecks(TContentFiles& Files, TFindings& Findings);

  // Reads the dictionary and checks its rows; false when it is missing or cannot be read
  // (reported), and keys are then not checked one by one.
  bool Load();
  // The keys of an XML file: in attribute values and texts, and in its scripts' string literals
  // (never in their code or comments).
  void CheckXMLFile(const std::string& File, const TXMLFile& XML,
                    const std::vector<TScriptSite>& Scripts);
  // The texts of File pass through Filter before their keys are looked up (files of a form of
  // their own, such as the museum's pieces, whose "$ENTER$" breaks lines).
  void SetTextFilter(const std::string& File,
                     std::function<std::string(const std::string&)> Filter);
  // The keys of a text at File:Line.
  void CheckText(const std::string& File, int32_t Line, std::string_view Text);
  // The keys the code names: each missing one is reported once, on the dictionary.
  void CheckCodeKeys(std::span<const TCodeDictionaryKey> Keys);

private:
  struct TEntry {
    std::vector<std::string> Texts;
    int32_t Line = 1;
  };
  void CheckRows();
  void CheckElement(const std::string& File, const TXMLFile& XML, const TGXMLNode* Node);
  bool Has(const std::string& Key) const { return FKeys.count(Key) > 0; }

  TContentFiles& FFiles;
  TFindings& FFindings;
  bool FLoaded = false;
  std::vector<std::string> FLanguages;
  std::map<std::string, TEntry> FKeys;                // exact case, as the engine compares keys
  std::vector<std::pair<std::string, int32_t>> FRows; // every row's key and line, in order
  std::map<std::string, std::function<std::string(const std::string&)>> FFilters; // upper-case file
};
