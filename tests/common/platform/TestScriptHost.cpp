#include "platform/UScriptHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using TKind = TScriptValueKind;

// A host object whose members are set up per test.
class TFakeObject : public IScriptDispatch {
public:
  using TMethod = std::function<TScriptValue(const std::vector<TScriptValue>&)>;

  bool CaseInsensitive = false;
  bool FailLookups = false;
  std::vector<TScriptValue> LastArgs;

  int AddProperty(const std::string& Name, TScriptValue Value = {}) {
    FMembers.push_back({Name, TMemberKind::Property, std::move(Value), {}});
    return static_cast<int>(FMembers.size()) - 1;
  }
  void AddMethod(const std::string& Name, TMethod Method) {
    FMembers.push_back({Name, TMemberKind::Method, {}, std::move(Method)});
  }
  TScriptValue& Value(const std::string& Name) { return FMembers.at(FindMember(Name)).Value; }

  int FindMember(const std::string& Name) override {
    if (FailLookups)
      throw std::runtime_error("lookup failed");
    for (std::size_t K = 0; K < FMembers.size(); ++K)
      if (Same(FMembers[K].Name, Name))
        return static_cast<int>(K);
    return -1;
  }
  TMemberKind MemberKind(int Id) override { return FMembers.at(Id).Kind; }
  TScriptValue GetProperty(int Id) override { return FMembers.at(Id).Value; }
  void SetProperty(int Id, const TScriptValue& Value) override { FMembers.at(Id).Value = Value; }
  TScriptValue CallMethod(int Id, const std::vector<TScriptValue>& Args) override {
    LastArgs = Args;
    return FMembers.at(Id).Method(Args);
  }

private:
  struct TMember {
    std::string Name;
    TMemberKind Kind;
    TScriptValue Value;
    TMethod Method;
  };
  std::vector<TMember> FMembers;

  bool Same(const std::string& A, const std::string& B) const {
    if (!CaseInsensitive)
      return A == B;
    return std::equal(A.begin(), A.end(), B.begin(), B.end(),
                      [](char X, char Y) { return std::tolower(X) == std::tolower(Y); });
  }
};

class ScriptHostTest : public ::testing::Test {
protected:
  TScriptHost Host;
  TFakeObject X;

  void SetUp() override {
    X.AddProperty("Value", TScriptValue::Number(1));
    X.AddProperty("Name", TScriptValue::String("x"));
    X.AddProperty("Self", TScriptValue::Object(&X));
    X.AddMethod("Echo", [](const std::vector<TScriptValue>& Args) {
      return Args.empty() ? TScriptValue() : Args[0];
    });
    X.AddMethod("Fail", [](const std::vector<TScriptValue>&) -> TScriptValue {
      throw std::runtime_error("boom");
    });
    Host.AddObject("A", &X);
  }

  double Number(const std::string& Expression) {
    const TScriptValue Value = Host.Eval(Expression);
    EXPECT_EQ(Value.Kind(), TKind::Number) << Expression;
    return Value.AsNumber();
  }
  std::string Text(const std::string& Expression) {
    const TScriptValue Value = Host.Eval(Expression);
    EXPECT_EQ(Value.Kind(), TKind::String) << Expression;
    return Value.AsString();
  }
  bool Truth(const std::string& Expression) {
    const TScriptValue Value = Host.Eval(Expression);
    EXPECT_EQ(Value.Kind(), TKind::Boolean) << Expression;
    return Value.AsBoolean();
  }
  EScriptError ErrorOf(const std::string& Expression) {
    try {
      Host.Eval(Expression);
    } catch (const EScriptError& E) {
      return E;
    }
    ADD_FAILURE() << "no error from " << Expression;
    return EScriptError("");
  }
};

} // namespace

TEST_F(ScriptHostTest, CodeRunsAtGlobalScopeAndEvalAnswersTheCompletionValue) {
  EXPECT_EQ(Number("1+2"), 3);
  EXPECT_EQ(Number("var x=1; x+1"), 2);
  EXPECT_EQ(Number("x"), 1);
  EXPECT_EQ(Number("if (x) { 3 } else { 4 }"), 3);
  Host.AddCode("var a = 5;\nfunction f(n) { return n * a; }");
  EXPECT_EQ(Number("f(2)"), 10);
  EXPECT_EQ(Number("undeclared = 4; undeclared"), 4); // not strict
  EXPECT_EQ(Host.Eval("null").Kind(), TKind::Null);
  EXPECT_EQ(Host.Eval("").Kind(), TKind::Undefined);
  EXPECT_EQ(Text("'a' + 'b'"), "ab");
  EXPECT_TRUE(Truth("typeof Duktape == 'undefined'"));
}

TEST_F(ScriptHostTest, ErrorsCarryMessageLineAndSourceLine) {
  try {
    Host.AddCode("var ok = 1;\nvar fine = 2;\nvar = broken;\n");
    FAIL();
  } catch (const EScriptError& E) {
    EXPECT_NE(std::string(E.what()).find("SyntaxError"), std::string::npos) << E.what();
    EXPECT_EQ(E.Line(), 3);
    EXPECT_EQ(E.SourceLine(), "var = broken;");
  }
  EScriptError Runtime = ErrorOf("1;\r\n\r\nmissing.member");
  EXPECT_NE(std::string(Runtime.what()).find("ReferenceError"), std::string::npos);
  EXPECT_EQ(Runtime.Line(), 3);
  EXPECT_EQ(Runtime.SourceLine(), "missing.member");

  // A failure inside a function blames the line of the code that defined it.
  Host.AddCode("function outer() {\n  return inner();\n}\nfunction inner() {\n  return nope.x;\n}");
  EScriptError Nested = ErrorOf("outer()");
  EXPECT_EQ(Nested.Line(), 5);
  EXPECT_EQ(Nested.SourceLine(), "  return nope.x;");

  EScriptError Thrown = ErrorOf("throw 'plain text'");
  EXPECT_STREQ(Thrown.what(), "plain text");
  EXPECT_EQ(Thrown.Line(), 0);
  EXPECT_EQ(Number("typeof ok == 'undefined' ? 3 : 0"), 3); // the broken code did not run
}

// A compile-only check finds syntax errors with their lines and runs nothing: neither the
// code's statements nor its declarations reach the globals, and runtime faults pass unseen.
TEST_F(ScriptHostTest, CompileFindsSyntaxErrorsWithoutRunningTheCode) {
  Host.Compile("var compiled = 1;\nfunction Declared() { return nope.x; }\nA.Fail();", false);
  EXPECT_TRUE(Truth("typeof compiled == 'undefined' && typeof Declared == 'undefined'"));
  Host.Compile("missing.member + 1", true);
  try {
    Host.Compile("function f() {\n  return 1;\n}\nfunction g( {\n}", false);
    FAIL();
  } catch (const EScriptError& E) {
    EXPECT_NE(std::string(E.what()).find("SyntaxError"), std::string::npos) << E.what();
    EXPECT_EQ(E.Line(), 4);
    EXPECT_EQ(E.SourceLine(), "function g( {");
  }
  // As an expression a bare statement list compiles; an unclosed call does not.
  Host.Compile("var t = 1; t + 1", true);
  EXPECT_THROW(Host.Compile("Open(\"x\"", true), EScriptError);
  EXPECT_EQ(Number("1+2"), 3) << "the engine goes on as before";
}

TEST_F(ScriptHostTest, OneProxyPerHostObject) {
  EXPECT_TRUE(Truth("A === A.Self"));
  Host.AddObject("B", &X);
  EXPECT_TRUE(Truth("A === B"));
  EXPECT_TRUE(Truth("A.Echo(B) === A"));
  EXPECT_TRUE(Truth("A.Echo === B.Echo"));
  const TScriptValue Back = Host.Eval("A.Self");
  EXPECT_EQ(Back.Kind(), TKind::HostObject);
  EXPECT_EQ(Back.AsObject(), &X);
  EXPECT_EQ(Text("'' + A"), "[object Object]"); // conversions fall back to the defaults
}

TEST_F(ScriptHostTest, HostObjectDecidesHowNamesMatch) {
  EXPECT_THROW(Host.Eval("A.value"), EScriptError);
  EXPECT_TRUE(Truth("'Value' in A"));
  EXPECT_FALSE(Truth("'value' in A"));
  X.CaseInsensitive = true;
  EXPECT_EQ(Number("A.value"), 1);
  EXPECT_TRUE(Truth("A.echo === A.Echo"));
  EScriptError Unknown = ErrorOf("A.Nothing");
  EXPECT_STREQ(Unknown.what(),
               "TypeError: Object doesn't support this property or method: Nothing");
}

TEST_F(ScriptHostTest, PropertiesReadAndWriteThroughTheHost) {
  Host.Eval("A.Value = A.Value + 41; A.Name = 'new'");
  EXPECT_EQ(X.Value("Value").AsNumber(), 42);
  EXPECT_EQ(X.Value("Name").AsString(), "new");
  X.Value("Value") = TScriptValue::Boolean(true);
  EXPECT_TRUE(Truth("A.Value"));

  // A script array stored in a property comes back as the same array.
  EXPECT_TRUE(Truth("var list = [1, 2]; A.Value = list; A.Value === list"));
  EXPECT_EQ(X.Value("Value").Kind(), TKind::ScriptObject);
  EXPECT_EQ(Host.Length(X.Value("Value")), 2);

  EXPECT_NE(std::string(ErrorOf("A.Echo = 1").what()).find("Cannot assign to a method: Echo"),
            std::string::npos);
  EXPECT_THROW(Host.Eval("A.Unknown = 1"), EScriptError);
}

TEST_F(ScriptHostTest, MethodsReceiveEveryKindOfArgument) {
  EXPECT_EQ(Host.Eval("A.Echo()").Kind(), TKind::Undefined);
  EXPECT_TRUE(X.LastArgs.empty());
  Host.Eval("A.Echo(1.5, 'two', true, null, undefined, [3], A, function () {})");
  const std::vector<TKind> Kinds{TKind::Number,     TKind::String,      TKind::Boolean,
                                 TKind::Null,       TKind::Undefined,   TKind::ScriptObject,
                                 TKind::HostObject, TKind::ScriptObject};
  ASSERT_EQ(X.LastArgs.size(), Kinds.size());
  for (std::size_t K = 0; K < Kinds.size(); ++K)
    EXPECT_EQ(X.LastArgs[K].Kind(), Kinds[K]) << K;
  EXPECT_EQ(X.LastArgs[0].AsNumber(), 1.5);
  EXPECT_EQ(X.LastArgs[1].AsString(), "two");
  EXPECT_TRUE(X.LastArgs[2].AsBoolean());
  EXPECT_EQ(X.LastArgs[6].AsObject(), &X);
  EXPECT_EQ(Host.ToText(X.LastArgs[5]), "3");
  EXPECT_TRUE(Truth("var f = A.Echo; f(7) === 7"));
}

TEST_F(ScriptHostTest, ForgottenObjectsFailEveryAccess) {
  Host.Eval("var kept = A; var method = A.Echo;");
  Host.ForgetObject(&X);
  for (const char* Access :
       {"kept.Value", "kept.Value = 1", "'Value' in kept", "method(1)", "kept.Echo(1)", "kept"}) {
    EScriptError E = ErrorOf(Access);
    EXPECT_NE(std::string(E.what()).find("no longer exists"), std::string::npos) << Access;
  }
  // The same address may hold a new object: it gets a new proxy.
  Host.AddObject("Again", &X);
  EXPECT_FALSE(Truth("Again === kept"));
  EXPECT_EQ(Number("Again.Value"), 1);
}

TEST_F(ScriptHostTest, HostExceptionsBecomeScriptErrors) {
  EScriptError E = ErrorOf("1;\nA.Fail()");
  EXPECT_STREQ(E.what(), "Error: boom");
  EXPECT_EQ(E.Line(), 2);
  EXPECT_EQ(E.SourceLine(), "A.Fail()");
  EXPECT_EQ(Text("try { A.Fail(); } catch (e) { e.message }"), "boom");
  X.FailLookups = true;
  EXPECT_STREQ(ErrorOf("A.Value").what(), "Error: lookup failed");
  X.FailLookups = false;
  EXPECT_EQ(Number("A.Value"), 1);
}

TEST_F(ScriptHostTest, ResetDropsGlobalsButKeepsHeldObjects) {
  Host.AddCode("var g = 1; function f() { return g; }");
  const TScriptValue List = Host.Eval("[1, 'two', [3, 4], {length: '5'}]");
  Host.Reset();
  EXPECT_EQ(Text("typeof g + typeof f + typeof A"), "undefinedundefinedundefined");
  ASSERT_TRUE(Host.HasLength(List));
  EXPECT_EQ(Host.Length(List), 4);
  EXPECT_EQ(Host.Element(List, 1).AsString(), "two");
  EXPECT_EQ(Host.ToText(List), "1,two,3,4,[object Object]");
  const TScriptValue Inner = Host.Element(List, 2);
  EXPECT_EQ(Host.Length(Inner), 2);
  EXPECT_EQ(Host.Length(Host.Element(List, 3)), 5);
  EXPECT_EQ(Host.Element(List, 9).Kind(), TKind::Undefined);
  EXPECT_FALSE(Host.HasLength(Host.Eval("({})")));
  EXPECT_FALSE(Host.HasLength(TScriptValue::String("abc")));
  EXPECT_THROW(Host.Length(TScriptValue::Number(1)), EScriptError);

  // Not from inside a running script.
  X.AddMethod("Reset", [this](const std::vector<TScriptValue>&) {
    Host.Reset();
    return TScriptValue();
  });
  Host.AddObject("A", &X);
  EXPECT_THROW(Host.Eval("A.Reset()"), EScriptError);
}

TEST_F(ScriptHostTest, HeldObjectsAreReleasedWithTheirLastValue) {
  EXPECT_EQ(Host.HeldObjectCount(), 0u);
  TScriptValue First = Host.Eval("[1]");
  TScriptValue Copy = First;
  EXPECT_EQ(Host.HeldObjectCount(), 1u);
  First = TScriptValue();
  EXPECT_EQ(Host.HeldObjectCount(), 1u);
  std::thread([Released = std::move(Copy)]() mutable { Released = TScriptValue(); }).join();
  EXPECT_EQ(Host.HeldObjectCount(), 0u);

  // A value may outlive its host.
  TScriptValue Orphan;
  {
    TScriptHost Other;
    Orphan = Other.Eval("[2]");
    EXPECT_THROW(Host.ToText(Orphan), EScriptError); // not this host's
  }
}

TEST_F(ScriptHostTest, MathRandomDrawsFromTheInstalledSource) {
  const double R = Number("Math.random()");
  EXPECT_TRUE(R >= 0 && R < 1);
  double Next = 0;
  Host.SetRandomSource([&Next] { return Next += 0.125; });
  EXPECT_EQ(Number("Math.random() + Math.random()"), 0.375);
  Host.Reset();
  EXPECT_EQ(Number("Math.random()"), 0.375);
  Host.SetRandomSource([]() -> double { throw std::runtime_error("no numbers"); });
  EXPECT_STREQ(ErrorOf("Math.random()").what(), "Error: no numbers");
}

TEST_F(ScriptHostTest, TextOutsideTheBasicPlaneRoundTrips) {
  const std::string Smile = "\xF0\x9F\x98\x80"; // U+1F600
  X.Value("Name") = TScriptValue::String("a" + Smile);
  EXPECT_EQ(Number("A.Name.length"), 3);
  EXPECT_EQ(Number("A.Name.charCodeAt(1)"), 0xD83D);
  EXPECT_TRUE(Truth("A.Name === 'a\\uD83D\\uDE00'"));
  EXPECT_EQ(Text("'\\uD83D\\uDE00'"), Smile);
  EXPECT_EQ(Number("'" + Smile + "'.length"), 2);
  Host.Eval("A.Name = A.Name.substring(1) + '\\u00e9'");
  EXPECT_EQ(X.Value("Name").AsString(), Smile + "\xC3\xA9");
  EXPECT_EQ(Text("'\\uD800x'"), "\xEF\xBF\xBDx"); // a lone surrogate
  X.Value("Name") = TScriptValue::String("\xFF"); // malformed
  EXPECT_EQ(Number("A.Name.charCodeAt(0)"), 0xFFFD);
  Host.AddObject(Smile, &X);
  EXPECT_TRUE(Truth("this['\\uD83D\\uDE00'] === A"));
}

TEST_F(ScriptHostTest, BrokenScriptsFailCleanly) {
  EXPECT_THROW(Host.Eval("function r() { r(); } r()"), EScriptError);
  EXPECT_THROW(Host.Eval("throw A"), EScriptError);
  EXPECT_EQ(Host.Eval("Object.create(A)").Kind(), TKind::ScriptObject); // inherits, is not A
  EXPECT_EQ(Text("JSON.stringify({a: A.Value})"), "{\"a\":1}");
  std::string Result;
  std::thread([&] {
    try {
      Host.Eval("1");
    } catch (const EScriptError& E) {
      Result = E.what();
    }
  }).join();
  EXPECT_NE(Result.find("thread"), std::string::npos);

  TScriptHost Small(4 << 20);
  EXPECT_THROW(Small.Eval("var s = 'xxxxxxxx'; s += s; s += s; s += s; s += s; s += s; s += s; "
                          "s += s; s += s; s += s; s += s; s += s; s += s; s += s; s += s; "
                          "s += s; s += s; s += s; s += s; s += s; s += s; s.length"),
               EScriptError);
  EXPECT_EQ(Small.Eval("1 + 1").AsNumber(), 2);
}
