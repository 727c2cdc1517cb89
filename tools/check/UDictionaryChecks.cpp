#include "UDictionaryChecks.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "resources/UGLangDictionary.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsConversion(char C) {
  return std::string_view("diuxXsfFeEgGcp").find(C) != std::string_view::npos;
}

std::string Quoted(std::string_view Text) {
  return "\"" + std::string(Text) + "\"";
}

std::string Listed(const std::string& Conversions) {
  if (Conversions.empty()) {
    return "none";
  }
  std::string Out;
  for (char C : Conversions) {
    Out += (Out.empty() ? "%" : " %") + std::string(1, C);
  }
  return Out;
}

} // namespace

std::vector<std::string> DictionaryKeysIn(std::string_view Text) {
  std::vector<std::string> Keys;
  size_t I = 0;
  while (I < Text.size()) {
    if (Text[I] != LDKeySeparator) {
      ++I;
      continue;
    }
    if (I + 1 < Text.size() && Text[I + 1] == LDKeySeparator) {
      I += 2; // "$$" outside a key
      continue;
    }
    std::string Key;
    size_t J = I + 1;
    bool Closed = false;
    while (J < Text.size()) {
      if (Text[J] == LDKeySeparator) {
        if (J + 1 < Text.size() && Text[J + 1] == LDKeySeparator) {
          Key += LDKeySeparator;
          J += 2;
          continue;
        }
        Closed = true;
        break;
      }
      Key += Text[J++];
    }
    if (!Closed) {
      break; // an open key is shown as it stands
    }
    // A "key" across a line break is text between two dollar signs that happens to be read as
    // one: it shows as it stands.
    if (!Key.empty() && Key.find_first_of("\r\n") == std::string::npos) {
      Keys.push_back(Key);
    }
    I = J + 1;
  }
  return Keys;
}

std::string FormatConversions(std::string_view Text) {
  std::string Out;
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] != '%') {
      continue;
    }
    size_t J = I + 1;
    if (J < Text.size() && Text[J] == '%') {
      I = J;
      continue;
    }
    // The engine's formats: a '-' flag, a width and a precision, then the conversion.
    while (J < Text.size() && Text[J] == '-') {
      ++J;
    }
    while (J < Text.size() &&
           (std::isdigit(static_cast<unsigned char>(Text[J])) || Text[J] == '.')) {
      ++J;
    }
    if (J < Text.size() && IsConversion(Text[J])) {
      Out += Text[J];
      I = J;
    }
  }
  return Out;
}

TDictionaryChecks::TDictionaryChecks(TContentFiles& Files, TFindings& Findings)
    : FFiles(Files)
    , FFindings(Findings) {}

bool TDictionaryChecks::Load() {
  if (!FFiles.Exists(CDictionaryFile)) {
    FFindings.Error(CDictionaryFile, 1,
                    "the dictionary is missing: every key would show as its "
                    "own name");
    return false;
  }
  TGObjectPtr<TGCSV> CSV(new TGCSV());
  try {
    CSV->LoadFromText(FFiles.Read(CDictionaryFile));
  } catch (const EGException& E) {
    FFindings.Error(CDictionaryFile, 1,
                    "the dictionary cannot be read: " +
                        (E.Text().empty() ? std::string("it is empty") : E.Text()));
    return false;
  }
  for (int Col = 1; Col < CSV->ColCount(); ++Col) {
    FLanguages.push_back(CSV->Cells(0, Col));
  }
  if (FLanguages.empty()) {
    FFindings.Error(CDictionaryFile, 1, "the dictionary's first row names no language");
  }
  for (int Row = 1; Row < CSV->RowCount(); ++Row) {
    const std::string& Key = CSV->Cells(Row, 0);
    const int32_t Line = CSV->RowLine(Row);
    FRows.emplace_back(Key, Line);
    if (Has(Key)) {
      FFindings.Warning(CDictionaryFile, Line,
                        "the key " + Quoted(Key) + " is written twice (first on line " +
                            std::to_string(FKeys[Key].Line) + "), and only its first row counts");
      continue;
    }
    TEntry& E = FKeys[Key];
    E.Line = Line;
    for (int Col = 1; Col < CSV->ColCount(); ++Col) {
      E.Texts.push_back(CSV->Cells(Row, Col));
    }
  }
  FLoaded = true;
  CheckRows();
  return true;
}

void TDictionaryChecks::CheckRows() {
  for (const auto& [Key, Line] : FRows) {
    const TEntry& E = FKeys[Key];
    if (E.Line != Line) {
      continue; // a repeated row
    }
    if (Key.empty()) {
      FFindings.Error(CDictionaryFile, Line, "a row without a key");
      continue;
    }
    if (E.Texts.empty()) {
      continue; // a dictionary of no language: reported with its first row
    }
    const bool KeyIsFormat = !FormatConversions(Key).empty();
    const std::string Original =
        KeyIsFormat ? FormatConversions(Key) : FormatConversions(E.Texts.front());
    for (size_t L = 0; L < E.Texts.size(); ++L) {
      if (E.Texts[L].empty()) {
        FFindings.Error(CDictionaryFile, Line,
                        "the key " + Quoted(Key) + " has no " + FLanguages[L] + " text");
        continue;
      }
      if (L == 0 && !KeyIsFormat) {
        continue; // the first language is the original
      }
      const std::string Conversions = FormatConversions(E.Texts[L]);
      if (Conversions != Original) {
        FFindings.Error(CDictionaryFile, Line,
                        "the " + FLanguages[L] + " text of " + Quoted(Key) +
                            " has the conversions " + Listed(Conversions) + ", the " +
                            (KeyIsFormat ? "key" : FLanguages[0] + " text") + " " +
                            Listed(Original) + ": the game would show it unformatted");
      }
    }
  }
}

void TDictionaryChecks::CheckText(const std::string& File, int32_t Line, std::string_view Text) {
  if (!FLoaded) {
    return;
  }
  for (const std::string& Key : DictionaryKeysIn(Text)) {
    if (!Has(Key)) {
      FFindings.Error(File, Line,
                      "the dictionary key " + Quoted(Key) + " is missing from " + CDictionaryFile);
    }
  }
}

void TDictionaryChecks::SetTextFilter(const std::string& File,
                                      std::function<std::string(const std::string&)> Filter) {
  FFilters[UpperCase(File)] = std::move(Filter);
}

void TDictionaryChecks::CheckElement(const std::string& File, const TXMLFile& XML,
                                     const TGXMLNode* Node) {
  const int32_t Line = XML.LineOf(Node);
  const auto Filter = FFilters.find(UpperCase(File));
  const auto Text = [&Filter, this](const std::string& T) {
    return Filter == FFilters.end() ? T : Filter->second(T);
  };
  const bool IsScriptProperty_ =
      Node->Name() == "DynProperty" && IsScriptProperty(Node->GetStrAttrDef("Name", ""));
  for (int I = 0; I < Node->AttributeCount(); ++I) {
    const TGXMLAttribute A = Node->GetAttribute(I);
    const bool Script = IsScriptProperty(A.Name()) || (IsScriptProperty_ && A.Name() == "Value");
    if (!Script) {
      CheckText(File, Line, Text(A.AsString()));
    }
  }
  const bool ScriptText =
      Node->Name() == "Script" || (Node == XML.Root.get() && SameText(File, CCommonScriptFile));
  if (!ScriptText && !Node->Text().empty()) {
    CheckText(File, Line, Text(Node->Text()));
  }
  for (int C = 0; C < Node->GetChildsCount(); ++C) {
    for (const TGXMLNode* Child : *Node->GetIndexedChilds(C)) {
      CheckElement(File, XML, Child);
    }
  }
}

void TDictionaryChecks::CheckXMLFile(const std::string& File, const TXMLFile& XML,
                                     const std::vector<TScriptSite>& Scripts) {
  if (!XML.Parsed()) {
    return;
  }
  CheckElement(File, XML, XML.Root.get());
  for (const TScriptSite& Site : Scripts) {
    for (const TScriptLiteral& L : ScriptStringLiterals(Site.Code)) {
      CheckText(File, Site.Line + L.Line - 1, L.Text);
    }
  }
}

void TDictionaryChecks::CheckCodeKeys(std::span<const TCodeDictionaryKey> Keys) {
  if (!FLoaded) {
    return;
  }
  std::map<std::string, std::vector<const TCodeDictionaryKey*>> Missing;
  for (const TCodeDictionaryKey& K : Keys) {
    if (!Has(K.Key)) {
      Missing[K.Key].push_back(&K);
    }
  }
  for (const auto& [Key, Uses] : Missing) {
    const std::string Place =
        std::string(Uses.front()->File) + ":" + std::to_string(Uses.front()->Line);
    const std::string More = Uses.size() > 1 ? " and " + std::to_string(Uses.size() - 1) +
                                                   " more place" + (Uses.size() > 2 ? "s" : "")
                                             : "";
    FFindings.Error(CDictionaryFile, 1,
                    "the key " + Quoted(Key) + " that the code names (" + Place + More +
                        ") is missing: it shows untranslated");
  }
}
