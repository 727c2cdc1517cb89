#include "UGMathParser.h"
#include "UGRandom.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <numbers>
#include <thread>

namespace {

// A parser with a variable "x" answered by the hook.
class ParserTest : public ::testing::Test {
protected:
  void SetUp() override {
    P.RegisterFunction(FX, "x", false, false, false, 0);
    P.SetOnFunction(
        [this](int32_t Id, int32_t, std::span<const TParameter>, bool& Handled, double& Result) {
          if (Id == FX) {
            Handled = true;
            Result = X;
          }
        });
  }
  double Eval(const std::string& Text) { return P.ExecuteScript(P.Compile(Text)); }
  double EvalRaw(const std::string& Text) {
    TParserScript S;
    P.StringToScript(Text, S);
    return P.ExecuteScript(S);
  }
  std::string ErrorOf(const std::string& Text) {
    try {
      Eval(Text);
    } catch (const EGException& E) {
      return E.Message();
    }
    return "no error";
  }

  TMathParser P;
  int32_t FX = -1;
  double X = 0;
};

bool IsNaNPattern(double V) {
  return std::bit_cast<uint64_t>(V) == 0xFFF8000000000000ull;
}

} // namespace

TEST_F(ParserTest, FlatPrecedenceFromLeftToRight) {
  for (bool Optimized : {true, false}) {
    auto E = [&](const char* T) { return Optimized ? Eval(T) : EvalRaw(T); };
    EXPECT_EQ(E("2^3^2"), 64);
    EXPECT_EQ(E("2*3^2"), 36);
    EXPECT_EQ(E("2+3*4"), 14);
    EXPECT_EQ(E("-2^2"), -4);
    EXPECT_EQ(E("2*(1+2)"), 6);
    EXPECT_EQ(E("2*3!"), 720);
    EXPECT_EQ(E("2^(-1)"), 0.5);
    EXPECT_EQ(E("1e3"), 1000);
    EXPECT_EQ(E("10-2-3"), 5);
    EXPECT_EQ(E("1-(2-3)"), 2);
    EXPECT_DOUBLE_EQ(E("sin cos 0"), std::sin(1.0));
    EXPECT_DOUBLE_EQ(E("sin 2*3"), std::sin(2.0) * 3);
    EXPECT_DOUBLE_EQ(E("pi"), std::numbers::pi);
    EXPECT_EQ(E("  ((4))  "), 4);
    EXPECT_EQ(E("2+'note'"), 2); // strings are skipped
  }
  EXPECT_EQ(Eval("1/0"), INFINITY);
}

TEST_F(ParserTest, NamesInsideWordsAndCase) {
  EXPECT_EQ(Eval("2mod3"), 2);
  EXPECT_EQ(Eval("7DIV2"), 3);
  EXPECT_EQ(Eval("6and3"), 2);
  EXPECT_EQ(Eval("1shl4"), 16);
  EXPECT_DOUBLE_EQ(Eval("arcsec 2"), std::acos(0.5)); // not "arc" + "sec"
  EXPECT_DOUBLE_EQ(Eval("Cotanh 1"), 1 / std::tanh(1.0));
  EXPECT_DOUBLE_EQ(Eval("log10 100"), 2);
  EXPECT_EQ(Eval("2 log 8"), 3);
  EXPECT_EQ(Eval("3 sqrt 27"), 3);
  X = 5;
  EXPECT_EQ(Eval("x*x"), 25);
  EXPECT_EQ(Eval("exp 0 + x"), 6); // the "x" inside "exp" is not the variable
  EXPECT_EQ(Eval("integer 3"), 3); // a type name at the start of a term
}

TEST_F(ParserTest, IntegerOperationsRoundAndGiveNaN) {
  EXPECT_EQ(Eval("7.6 div 2"), 4); // round(7.6) = 8
  EXPECT_EQ(Eval("2.5 div 1"), 2); // halves to even
  EXPECT_EQ(Eval("-7 div 2"), -3); // truncating
  EXPECT_EQ(Eval("-7 mod 3"), -1); // sign of the dividend
  EXPECT_EQ(Eval("3.5 mod 2"), 0); // round(3.5) = 4
  EXPECT_EQ(Eval("not 0"), -1);
  EXPECT_EQ(Eval("1 shl 65"), 2); // shift counts are masked
  EXPECT_EQ(Eval("(0 - 8) shr 62"), 3);
  EXPECT_EQ(Eval("5 xor 1"), 4);
  EXPECT_TRUE(IsNaNPattern(Eval("5 div 0")));
  EXPECT_TRUE(IsNaNPattern(Eval("5 mod 0.4")));
  EXPECT_TRUE(IsNaNPattern(Eval("(0-2^63) div (0-1)")));
  EXPECT_TRUE(IsNaNPattern(Eval("1e300 and 1")));
  EXPECT_TRUE(IsNaNPattern(Eval("not (1/0)")));
  EXPECT_TRUE(IsNaNPattern(Eval("0 sqrt 4")));
  EXPECT_TRUE(IsNaNPattern(Eval("arcsin 2")));
  EXPECT_TRUE(IsNaNPattern(Eval("arccosh 0.5")));
  EXPECT_TRUE(IsNaNPattern(Eval("cotan 0")));
  EXPECT_EQ(Eval("0!"), 1);
  EXPECT_EQ(Eval("20!"), 2432902008176640000.0);
  EXPECT_THROW(Eval("21!"), EGException);
  P.SetExceptionTypes(0);
  EXPECT_THROW(Eval("5 div 0"), EGException);
}

TEST_F(ParserTest, ParameterLists) {
  EXPECT_EQ(Eval("min[3, 2]"), 2);
  EXPECT_EQ(Eval("max[3; 2] * 2"), 6);
  EXPECT_EQ(Eval("hypot[3, 4]"), 5);
  EXPECT_EQ(Eval("poly[2, 1, 1, 1]"), 7);
  EXPECT_EQ(Eval("sum[1, 2, 3, 4]"), 10);
  EXPECT_EQ(Eval("sumint[1.5, 2.5]"), 4);
  EXPECT_EQ(Eval("mean[1, 2, 3]"), 2);
  EXPECT_EQ(Eval("variance[1, 2, 3]"), 1);
  EXPECT_EQ(Eval("popnvariance[1, 3]"), 1);
  EXPECT_EQ(Eval("ensurerange[7, 1, 5.4]"), 5);
  EXPECT_EQ(Eval("cmpgreater[2, 1, 10, 20]"), 10);
  EXPECT_EQ(Eval("cmpless[2, 1, 10, 20]"), 20);
  EXPECT_EQ(Eval("min[-3, 2]"), -3);
  EXPECT_EQ(Eval("min[--3, 2]"), 2);
  EXPECT_EQ(Eval("max[min[1, 2], 0]"), 1); // nested lists
  EXPECT_EQ(Eval("intpower[2, 3+1]"), 16); // a parameter expression
  X = 3;
  EXPECT_EQ(Eval("max[x, 1] + min[(x), 10]"), 6);
  for (int I = 0; I < 50; ++I) {
    double R = Eval("randomrange[5, 8]");
    EXPECT_TRUE(R >= 5 && R < 8 && R == std::floor(R));
    double F = Eval("randomfrom[4, 9]");
    EXPECT_TRUE(F == 4 || F == 9);
  }
  EXPECT_EQ(ErrorOf("min[1]"), "Not enough actual parameters");
  EXPECT_EQ(ErrorOf("hypot[1, 2, 3]"), "Too many actual parameters");
}

TEST_F(ParserTest, ErrorMessages) {
  EXPECT_EQ(ErrorOf(""), "Expression contains no data");
  EXPECT_EQ(ErrorOf("()"), "Expression contains no data");
  EXPECT_EQ(ErrorOf("(1+2"), "Bracket character expected");
  EXPECT_EQ(ErrorOf("min[1,2"), "Bracket character expected");
  EXPECT_EQ(ErrorOf("2^-1"), "Function \"^\" requires expression before or after itself");
  EXPECT_EQ(ErrorOf("1e-3"), "Unknown identifier: \"1e\"");
  EXPECT_EQ(ErrorOf("2+Foo"), "Unknown identifier: \"foo\"");
  EXPECT_EQ(ErrorOf("2--3"), "Function or expression expected");
  EXPECT_EQ(ErrorOf("2 3"), "Unknown identifier: \"2 3\"");
  EXPECT_EQ(ErrorOf("2(3)"), "Function or expression expected");
  EXPECT_EQ(ErrorOf("(1)(2)"), "Function or expression expected");
  EXPECT_EQ(ErrorOf("*3"), "Function or expression expected");
  EXPECT_EQ(ErrorOf("2 * * 3"), "Function or expression expected");
  EXPECT_EQ(ErrorOf("min"), "Function \"min\" requires parameters");
  EXPECT_EQ(ErrorOf("min 3"), "Function \"min\" requires parameters");
  EXPECT_EQ(ErrorOf("sin[1]"), "Function \"sin\" does not require parameters");
  EXPECT_EQ(ErrorOf("2 sin 1"),
            "Function \"sin\" does not require expression before or after itself");
  EXPECT_EQ(ErrorOf("pi 2"), "Function \"pi\" does not require expression before or after itself");
  EXPECT_EQ(ErrorOf("x pi"), "Function \"x\" does not require expression before or after itself");
  EXPECT_EQ(ErrorOf("2 {0}"), "Unknown identifier: \"{\"");
  EXPECT_EQ(ErrorOf("inf"), "Unknown identifier: \"inf\"");
  EXPECT_EQ(ErrorOf(std::string(300, '(') + "1" + std::string(300, ')')), "Expression too complex");
  // Evaluation of a name nobody answers.
  int32_t Id;
  P.RegisterFunction(Id, "nobody", false, false, false, 0);
  const std::string Message = ErrorOf("nobody");
  EXPECT_EQ(Message, "Unknown function: " + std::to_string(P.IndexOfFunction("nobody")));
  EXPECT_THROW(P.ExecuteScript(nullptr), EGException);
}

TEST_F(ParserTest, RegistryIsSortedLongestFirstAndRenumbered) {
  int32_t A = -1, B = -1, Dup = 0;
  P.RegisterFunction(A, "ab", false, false, false, 0);
  P.RegisterFunction(B, "abcdefghijklmnop", false, false, false, 0);
  P.RegisterFunction(Dup, "AB", false, false, false, 0);
  EXPECT_EQ(Dup, -1);
  P.Compile("1"); // sorts
  EXPECT_EQ(B, 0);
  EXPECT_EQ(P.Function(B).Name, "abcdefghijklmnop");
  EXPECT_EQ(P.Function(A).Name, "ab");
  EXPECT_EQ(P.Function(FX).Name, "x");
  const int32_t Before = FX;
  EXPECT_TRUE(P.UnregisterFunction(0));
  EXPECT_EQ(B, -1);
  EXPECT_EQ(FX, Before - 1);
  EXPECT_FALSE(P.UnregisterFunction(10000));
  TValueData V;
  P.GetValueData(" 'hi' ", V);
  EXPECT_EQ(V.Kind, vdString);
  EXPECT_EQ(V.S, "hi");
  P.GetValueData("2.5", V);
  EXPECT_EQ(V.Kind, vdNumber);
  EXPECT_EQ(V.Value, 2.5);
  P.GetValueData("SIN", V);
  EXPECT_EQ(V.Kind, vdName);
  P.GetValueData("(1)", V);
  EXPECT_EQ(V.Kind, vdBracket);
}

TEST_F(ParserTest, FoldingKeepsVariablesLive) {
  TParserScript S = P.Compile("x*2^3 + 2*3 + x");
  X = 1;
  EXPECT_EQ(P.ExecuteScript(S), (1 * 2) * (1 * 2) * 2 + 6 + 1); // (x*2)^3 + 6 + x = 15
  X = 2;
  EXPECT_EQ(P.ExecuteScript(S), 64 + 6 + 2);
  EXPECT_EQ(Eval("sin 0 * 3 + (2 * 4)"), 8);
}

namespace {

// An executor answering "T" and "Env" as an animation does.
class TTestExecutor : public TGObject, public IGMathScriptExecutor {
public:
  bool MathFunction(int32_t Id, std::span<const TParameter> Ps, double& Result) override {
    TGMathParser& M = GetMathParser();
    if (Id == M.FuncTime()) {
      Result = T;
      return true;
    }
    if (Id == M.FuncEnv()) {
      const double X = std::clamp(Ps[0].Value, 0.0, 1.0) * static_cast<double>(Ps.size() - 2);
      const size_t I = std::min(static_cast<size_t>(X), Ps.size() - 3);
      Result = Ps[1 + I].Value + (Ps[2 + I].Value - Ps[1 + I].Value) * (X - static_cast<double>(I));
      return true;
    }
    return false;
  }
  double T = 0;
};

} // namespace

TEST(MathScript, BridgeNamesAndExecutors) {
  TGObjectPtr<TTestExecutor> Exec(new TTestExecutor);
  TGMathScript* S = new TGMathScript(Exec.get());
  EXPECT_EQ(S->Evaluate(), 0); // nothing compiled
  S->SetAsString("Env[T, 0, 1, 1]");
  Exec->T = 0.25;
  EXPECT_FLOAT_EQ(S->Evaluate(), 0.5f);
  Exec->T = 0.75;
  EXPECT_FLOAT_EQ(S->Evaluate(), 1.0f);
  S->SetAsString("env[t*2, 0, 10]"); // any letter case; evaluated anew at each call
  Exec->T = 0.25;
  EXPECT_FLOAT_EQ(S->Evaluate(), 5.0f);
  S->SetAsString("");
  EXPECT_EQ(S->AsString(), "");
  EXPECT_EQ(S->Evaluate(), 0);
  EXPECT_THROW(S->SetAsString("2+"), EParseError);

  // "RandG" is the executor's: an owner that is no executor cannot answer it.
  TGObjectPtr<TGObject> Plain(new TGObject);
  TGMathScript* R = new TGMathScript(Plain.get());
  R->SetAsString("RandG[0, 20]-180");
  try {
    R->Evaluate();
    ADD_FAILURE();
  } catch (const EGException& E) {
    EXPECT_NE(E.Message().find("Unexpected script executor"), std::string::npos);
  }
  R->SetAsString("2+3");
  EXPECT_EQ(R->Evaluate(), 5);
}

TEST(MathScript, CompilesOnOneThreadWhileAnotherEvaluates) {
  TGObjectPtr<TTestExecutor> Exec(new TTestExecutor);
  TGMathScript* S = new TGMathScript(Exec.get());
  S->SetAsString("T*2+1");
  std::atomic<bool> Done{false};
  std::atomic<int> Compiled{0};
  std::thread Loader([&] {
    TGObjectPtr<TGObject> Owner(new TGObject);
    for (int I = 0; I < 300; ++I) {
      TGMathScript* L = new TGMathScript(Owner.get());
      L->SetAsString("sin(" + std::to_string(I) + ")*2^3+min[T, " + std::to_string(I) + "]");
      Compiled.fetch_add(1);
      L->Free();
    }
    Done = true;
  });
  int Wrong = 0;
  for (int I = 0; I < 3000 || !Done; ++I) {
    Exec->T = I % 1000;
    if (S->Evaluate() != static_cast<float>(I % 1000 * 2 + 1))
      ++Wrong;
  }
  Loader.join();
  EXPECT_EQ(Wrong, 0);
  EXPECT_EQ(Compiled.load(), 300);
}
