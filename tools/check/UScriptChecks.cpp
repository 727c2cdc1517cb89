#include "UScriptChecks.h"

#include "base/UGStrUtils.h"
#include "platform/UScriptHost.h"

#include <algorithm>
#include <iterator>

namespace {

// The conditions and actions the behaviours run besides the "On..." hooks.
constexpr std::string_view COtherScriptProperties[] = {
    "PickCondition", "BackPackCondition",     "BackPackAction",
    "BackPackClick", "BackPackManualHandler", "ManualRefuseHandler"};

std::string Describe(const std::string& Name, const std::string& Owner) {
  return Owner.empty() ? Name : Name + " of " + Owner;
}

// The scripts of Node and its descendants; Owner is the ID of the nearest element with one
// around them (the object a dynamic property belongs to).
void AddScripts(const std::string& File, const TXMLFile& XML, const TGXMLNode* Node,
                const std::string& Owner, std::vector<TScriptSite>& Sites) {
  const int32_t Line = XML.LineOf(Node);
  const std::string Self = Node->GetStrAttrDef("ID", Owner);
  for (int I = 0; I < Node->AttributeCount(); ++I) {
    const TGXMLAttribute A = Node->GetAttribute(I);
    if (IsScriptProperty(A.Name()) && !IsBlank(A.AsString())) {
      Sites.push_back(TScriptSite{File, Line, A.AsString(), false, Describe(A.Name(), Self)});
    }
  }
  if (Node->Name() == "DynProperty") {
    const std::string Name = Node->GetStrAttrDef("Name", "");
    const std::string Value = Node->GetStrAttrDef("Value", "");
    if (IsScriptProperty(Name) && !IsBlank(Value)) {
      Sites.push_back(TScriptSite{File, Line, Value, false, Describe(Name, Owner)});
    }
  }
  for (int C = 0; C < Node->GetChildsCount(); ++C) {
    for (const TGXMLNode* Child : *Node->GetIndexedChilds(C)) {
      if (Child->Name() == "Script") {
        if (!IsBlank(Child->Text())) {
          Sites.push_back(
              TScriptSite{File, XML.LineOf(Child), Child->Text(), true, Describe("Script", Self)});
        }
      } else {
        AddScripts(File, XML, Child, Self, Sites);
      }
    }
  }
}

// The engine's message without the line it names within the script ("parse error (line 4)"):
// the finding names the file's line.
std::string WithoutScriptLine(const std::string& Message) {
  const size_t At = Message.rfind(" (line ");
  if (At == std::string::npos || Message.back() != ')') {
    return Message;
  }
  const bool AtEnd = Message.find("end of input", At) != std::string::npos;
  return Message.substr(0, At) + (AtEnd ? " at the end of the script" : "");
}

} // namespace

bool IsScriptProperty(std::string_view Name) {
  if (Name.size() > 2 && Name.substr(0, 2) == "On" && Name[2] >= 'A' && Name[2] <= 'Z') {
    return true;
  }
  return std::find(std::begin(COtherScriptProperties), std::end(COtherScriptProperties), Name) !=
         std::end(COtherScriptProperties);
}

std::vector<TScriptSite> ScriptSitesOf(const std::string& File, const TXMLFile& XML) {
  std::vector<TScriptSite> Sites;
  if (!XML.Parsed()) {
    return Sites;
  }
  if (SameText(File, CCommonScriptFile)) {
    if (!IsBlank(XML.Root->Text())) {
      Sites.push_back(TScriptSite{File, XML.LineOf(XML.Root.get()), XML.Root->Text(), true,
                                  "the common script"});
    }
    return Sites;
  }
  if (SameText(ExtractFileExt(File), ".loc")) {
    AddScripts(File, XML, XML.Root.get(), "", Sites);
  }
  return Sites;
}

std::vector<TScriptLiteral> ScriptStringLiterals(std::string_view Code) {
  std::vector<TScriptLiteral> Literals;
  int32_t Line = 1;
  size_t I = 0;
  while (I < Code.size()) {
    const char C = Code[I];
    if (C == '\n') {
      ++Line;
      ++I;
    } else if (Code.substr(I, 2) == "//") {
      I = std::min(Code.find('\n', I), Code.size());
    } else if (Code.substr(I, 2) == "/*") {
      const size_t End = std::min(Code.find("*/", I + 2), Code.size());
      Line +=
          static_cast<int32_t>(std::count(Code.begin() + static_cast<std::ptrdiff_t>(I),
                                          Code.begin() + static_cast<std::ptrdiff_t>(End), '\n'));
      I = std::min(End + 2, Code.size());
    } else if (C == '"' || C == '\'') {
      TScriptLiteral Literal{"", Line};
      size_t J = I + 1;
      while (J < Code.size() && Code[J] != C && Code[J] != '\n') {
        if (Code[J] == '\\' && J + 1 < Code.size()) {
          const char E = Code[J + 1];
          Literal.Text += E == 'n' ? '\n' : E == 'r' ? '\r' : E == 't' ? '\t' : E;
          J += 2;
        } else {
          Literal.Text += Code[J++];
        }
      }
      Literals.push_back(std::move(Literal));
      I = J < Code.size() && Code[J] == C ? J + 1 : J;
    } else {
      ++I;
    }
  }
  return Literals;
}

TScriptChecks::TScriptChecks(TFindings& Findings)
    : FFindings(Findings)
    , FHost(std::make_unique<TScriptHost>()) {}

TScriptChecks::~TScriptChecks() = default;

void TScriptChecks::Check(const TScriptSite& Site) {
  try {
    FHost->Compile(Site.Code, !Site.IsProgram);
  } catch (const EScriptError& E) {
    // The engine counts lines from the script's start and may name the line after its end.
    const int32_t Lines =
        1 + static_cast<int32_t>(std::count(Site.Code.begin(), Site.Code.end(), '\n'));
    const int32_t Line = Site.Line + std::clamp(E.Line(), 1, Lines) - 1;
    FFindings.Error(Site.File, Line,
                    Site.What + " does not compile: " + WithoutScriptLine(E.what()) +
                        (E.SourceLine().empty() ? "" : ": " + Trim(E.SourceLine())));
  }
}
