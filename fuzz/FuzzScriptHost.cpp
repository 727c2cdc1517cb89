// Runs arbitrary script text against two small host objects. Every outcome but a crash, a leak or
// a hang is acceptable: broken scripts must end in EScriptError.
//
// Duktape as shipped has no execution time-out, so the target keeps scripts from running away on
// their own: inputs that could loop (loop keywords, function definitions, accessors, regular
// expressions, escaped identifiers) are skipped, and a sandbox script removes what could still
// build code or run long loops from data (eval, Function, RegExp, the array iteration methods and
// the string methods that repeat or search with patterns). Memory is capped, which bounds every
// builtin that makes something large.
#include "platform/UScriptHost.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char* const CSandbox = R"(
(function (G) {
  Object.defineProperty(G.Function.prototype, 'constructor', { value: undefined });
  delete G.eval;
  delete G.Function;
  delete G.RegExp;
  var Keep = { length: true, constructor: true, push: true, pop: true };
  var Names = Object.getOwnPropertyNames(G.Array.prototype);
  for (var K = 0; K < Names.length; ++K)
    if (!Keep[Names[K]])
      delete G.Array.prototype[Names[K]];
  var Slow = ['repeat', 'padStart', 'padEnd', 'replace', 'match', 'search', 'split'];
  for (K = 0; K < Slow.length; ++K)
    delete G.String.prototype[Slow[K]];
})(this);
)";

bool IsWordChar(char C) {
  return std::isalnum(static_cast<unsigned char>(C)) || C == '_' || C == '$' ||
         static_cast<unsigned char>(C) >= 0x80;
}

bool MayRunAway(std::string_view Text) {
  if (Text.find('/') != std::string_view::npos || Text.find("\\u") != std::string_view::npos)
    return true;
  for (std::size_t Pos = 0; Pos < Text.size();) {
    if (!IsWordChar(Text[Pos])) {
      ++Pos;
      continue;
    }
    std::size_t End = Pos;
    while (End < Text.size() && IsWordChar(Text[End]))
      ++End;
    const std::string_view Word = Text.substr(Pos, End - Pos);
    for (const char* Banned : {"for", "while", "do", "function", "get", "set"})
      if (Word == Banned)
        return true;
    Pos = End;
  }
  return false;
}

// Properties Number, Text, Any, Peer; methods Call (answers its last argument), Fail (throws),
// Forget (forgets the peer), Inspect (reads script objects back through the host).
class TFuzzObject : public IScriptDispatch {
public:
  TFuzzObject(TScriptHost& Host, bool CaseInsensitive)
      : FHost(Host)
      , FCaseInsensitive(CaseInsensitive) {}
  TFuzzObject* Peer = nullptr;

  int FindMember(const std::string& Name) override {
    static const char* const Names[] = {"Number", "Text", "Any",    "Peer",
                                        "Call",   "Fail", "Forget", "Inspect"};
    for (int Id = 0; Id < 8; ++Id)
      if (Matches(Names[Id], Name))
        return Id;
    return -1;
  }
  TMemberKind MemberKind(int Id) override {
    return Id < 4 ? TMemberKind::Property : TMemberKind::Method;
  }
  TScriptValue GetProperty(int Id) override {
    switch (Id) {
    case 0:
      return TScriptValue::Number(FNumber);
    case 1:
      return TScriptValue::String(FText);
    case 2:
      return FAny;
    default:
      return TScriptValue::Object(Peer);
    }
  }
  void SetProperty(int Id, const TScriptValue& Value) override {
    switch (Id) {
    case 0:
      if (Value.Kind() != TScriptValueKind::Number)
        throw std::runtime_error("Type mismatch");
      FNumber = Value.AsNumber();
      break;
    case 1:
      FText = FHost.ToText(Value);
      break;
    case 2:
      FAny = Value;
      break;
    default:
      throw std::runtime_error("Read-only property");
    }
  }
  TScriptValue CallMethod(int Id, const std::vector<TScriptValue>& Args) override {
    switch (Id) {
    case 4:
      return Args.empty() ? TScriptValue() : Args.back();
    case 5:
      throw std::runtime_error("Failure on request");
    case 6:
      FHost.ForgetObject(Peer);
      return {};
    default:
      double Seen = 0;
      for (const TScriptValue& Arg : Args)
        Seen += Inspect(FHost, Arg);
      return TScriptValue::Number(Seen);
    }
  }

  static double Inspect(TScriptHost& Host, const TScriptValue& Value) {
    double Seen = static_cast<double>(Host.ToText(Value).size());
    if (Host.HasLength(Value)) {
      const int Length = Host.Length(Value);
      for (int K = 0; K < Length && K < 4; ++K)
        Seen += static_cast<double>(Host.ToText(Host.Element(Value, K)).size());
    }
    return Seen;
  }

private:
  TScriptHost& FHost;
  bool FCaseInsensitive;
  double FNumber = 0;
  std::string FText;
  TScriptValue FAny;

  bool Matches(std::string_view Member, std::string_view Name) const {
    if (Member.size() != Name.size())
      return false;
    for (std::size_t K = 0; K < Name.size(); ++K) {
      const auto A = static_cast<unsigned char>(Member[K]), B = static_cast<unsigned char>(Name[K]);
      if (A != B && !(FCaseInsensitive && std::tolower(A) == std::tolower(B)))
        return false;
    }
    return true;
  }
};

} // namespace

// The first byte chooses: bit 0 add the text as code rather than evaluate it; bit 1 reset and run
// the text a second time; bit 2 forget object B in between.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0 || Size > 4096)
    return 0;
  const unsigned Mode = Data[0];
  const std::string Text(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  if (MayRunAway(Text))
    return 0;

  TScriptHost Host(32u << 20);
  TFuzzObject A(Host, false), B(Host, true);
  A.Peer = &B;
  B.Peer = &A;
  const auto Prepare = [&] {
    Host.AddCode(CSandbox);
    Host.AddObject("A", &A);
    Host.AddObject("B", &B);
  };
  const auto Run = [&]() -> TScriptValue {
    try {
      if (Mode & 1)
        Host.AddCode(Text);
      else
        return Host.Eval(Text);
    } catch (const EScriptError&) {
    }
    return {};
  };

  Prepare();
  const TScriptValue First = Run();
  if (Mode & 4)
    Host.ForgetObject(&B);
  if (Mode & 2) {
    Host.Reset();
    Prepare();
    Run();
  }
  try {
    TFuzzObject::Inspect(Host, First);
  } catch (const EScriptError&) {
  }
  return 0;
}
