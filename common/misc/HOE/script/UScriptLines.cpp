#include "script/UScriptLines.h"

#include "base/UGFormat.h"
#include "script/UScriptProcessor.h"

std::string ScriptString(std::string_view Text) {
  std::string Out = "\"";
  for (size_t I = 0; I < Text.size(); ++I) {
    unsigned char C = static_cast<unsigned char>(Text[I]);
    if (C == '"' || C == '\\') {
      Out += '\\';
      Out += static_cast<char>(C);
    } else if (C == '\n') {
      Out += "\\n";
    } else if (C == '\r') {
      Out += "\\r";
    } else if (C < 0x20) {
      Out += Format("\\u%.4x", {static_cast<int64_t>(C)});
    } else if (C == 0xE2 && I + 2 < Text.size() &&
               static_cast<unsigned char>(Text[I + 1]) == 0x80 &&
               (static_cast<unsigned char>(Text[I + 2]) & 0xFE) == 0xA8) {
      // The line and paragraph separators end a line in scripts.
      Out += static_cast<unsigned char>(Text[I + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
      I += 2;
    } else {
      Out += static_cast<char>(C);
    }
  }
  Out += '"';
  return Out;
}

std::string ObjectLine(std::string_view Name, std::string_view AID) {
  return std::string(Name) + " = O[" + ScriptString(AID) + "]";
}

std::string GlobalLine(std::string_view Name, std::string_view AGlobalName) {
  return std::string(Name) + " = this[" + ScriptString(AGlobalName) + "]";
}

TGVariant RunScript(const std::string& Code) {
  TGVariant Result;
  if (!Code.empty() && ScriptProcessor) {
    ScriptProcessor->Eval(Code, Result);
  }
  return Result;
}

bool ScriptIsTrue(const std::string& Code) {
  TGVariant V = RunScript(Code);
  return V.VType() == varBoolean && V.ToBoolean();
}

bool ScriptValueIsFalse(const TGVariant& Value) {
  if (Value.IsEmptyOrNull()) {
    return true;
  }
  try {
    return !Value.ToBoolean();
  } catch (const std::exception&) {
    return false; // a text that is no boolean is not false
  }
}
