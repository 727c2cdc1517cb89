// The content's scripts: where they are (a location's "Script", the common script, the hooks of
// locations and the scripts objects carry in their dynamic properties), their string literals,
// and a compilation by the script engine that runs nothing, so that a syntax error is found
// with its line before a player meets it.
#pragma once

#include "UContentFiles.h"
#include "UFindings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TScriptHost;

// The configuration file whose root element's text is the script every location shares.
constexpr const char* CCommonScriptFile = "cfg\\CommonScript.cfg";

struct TScriptSite {
  std::string File;
  int32_t Line = 1; // the file's line of the script's first line
  std::string Code;
  bool IsProgram = false; // run as a program (functions, statements); else as an expression
  std::string What;       // "the script", "OnActivate", "OnPick of Bottle"...
};

// Whether an attribute or dynamic property of that name holds a script the framework runs: the
// hooks ("On" and a capital letter: OnActivate, OnPick...) and the conditions and actions of
// pickable objects and tools.
bool IsScriptProperty(std::string_view Name);

// Every script the file holds: the common script's text, and in a location its "Script", the
// script attributes of every element and the script dynamic properties.
std::vector<TScriptSite> ScriptSitesOf(const std::string& File, const TXMLFile& XML);

// A string literal of a script, its escapes resolved, with the script's line it starts on.
struct TScriptLiteral {
  std::string Text;
  int32_t Line = 1;
};
// The script's string literals, outside its comments.
std::vector<TScriptLiteral> ScriptStringLiterals(std::string_view Code);

class TScriptChecks {
public:
  explicit TScriptChecks(TFindings& Findings);
  ~TScriptChecks();
  TScriptChecks(const TScriptChecks&) = delete;
  TScriptChecks& operator=(const TScriptChecks&) = delete;

  // Compiles the script as the framework runs it, without running it: a syntax error is an
  // error at the script's line in the file.
  void Check(const TScriptSite& Site);

private:
  TFindings& FFindings;
  std::unique_ptr<TScriptHost> FHost;
};
