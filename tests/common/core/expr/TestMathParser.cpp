#include "base/UGRandom.h"
#include "expr/UGMathParser.h"
#include "math/UGFastTrig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdio>
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

namespace {

// Two variables "qa" and "qb" (slots 0 and 1) whose values come either from the caller's array
// or, when the array is short, from the hook; and hook functions of every shape.
class EvaluatorTest : public ::testing::Test {
protected:
  void SetUp() override {
    P.RegisterVariable(FA, "qa", 0);
    P.RegisterVariable(FB, "qb", 1);
    P.RegisterFunction(FInfix, "hin", true, true, false, 0);
    P.RegisterFunction(FPrefix, "hpre", false, true, true, 0);
    P.RegisterFunction(FPostfix, "hpost", true, false, false, 0);
    P.RegisterFunction(FList, "hlist", false, false, false, 1);
    P.SetOnFunction([this](int32_t Id, int32_t Type, std::span<const TParameter> Ps, bool& Handled,
                           double& Result) {
      ++HookCalls;
      Handled = true;
      if (Id == FA || Id == FB) {
        ++VariableCalls;
        LastType = Type;
        Result = Vars[Id == FA ? 0 : 1];
      } else if (Id == FInfix || Id == FPrefix || Id == FPostfix || Id == FList) {
        // Records what arrived: which name, its operands or parameters.
        Seen = P.Function(Id).Name + "(";
        for (const TParameter& Prm : Ps)
          Seen += std::to_string(Prm.Value) + (Prm.S.empty() ? "" : "'" + std::string(Prm.S)) +
                  (Prm.TypeIndex > 0 ? "#" : "") + ";";
        Seen += ")";
        Result = 100 + static_cast<double>(Ps.size());
      } else {
        Handled = false;
      }
    });
  }

  // The value three ways: constants folded (Constant, with the operands written in), and
  // Text evaluated at run time with the variables from the array and from the hook. All must
  // agree bit for bit.
  double Agree(const std::string& Constant, const std::string& Text) {
    const double Folded = P.ExecuteScript(P.Compile(Constant));
    TParserScript Raw;
    P.StringToScript(Constant, Raw);
    const TParserScript S = P.Compile(Text);
    const double FromArray = P.ExecuteScript(S, Vars);
    const double FromHook = P.ExecuteScript(S);
    EXPECT_EQ(std::bit_cast<uint64_t>(Folded), std::bit_cast<uint64_t>(P.ExecuteScript(Raw)))
        << Constant;
    EXPECT_EQ(std::bit_cast<uint64_t>(Folded), std::bit_cast<uint64_t>(FromArray)) << Text;
    EXPECT_EQ(std::bit_cast<uint64_t>(Folded), std::bit_cast<uint64_t>(FromHook)) << Text;
    return Folded;
  }

  static std::string Num(double V) {
    char Buf[64];
    std::snprintf(Buf, sizeof(Buf), "%.17g", std::fabs(V));
    return V < 0 ? std::string("(0-") + Buf + ")" : Buf;
  }

  TMathParser P;
  int32_t FA = -1, FB = -1, FInfix = -1, FPrefix = -1, FPostfix = -1, FList = -1;
  double Vars[2] = {0, 0};
  int HookCalls = 0, VariableCalls = 0, LastType = -2;
  std::string Seen;
};

bool SameValue(double A, double B) {
  return std::bit_cast<uint64_t>(A) == std::bit_cast<uint64_t>(B);
}

} // namespace

TEST_F(EvaluatorTest, PrefixFunctionsFoldedAndAtRunTimeAgree) {
  const std::pair<const char*, double (*)(double)> Table[] = {
      {"sin", [](double A) { return FastSin(A); }},
      {"cos", [](double A) { return FastCos(A); }},
      {"tan", [](double A) { return std::tan(A); }},
      {"cotan", [](double A) { return 1 / std::tan(A); }},
      {"sec", [](double A) { return 1 / std::cos(A); }},
      {"csc", [](double A) { return 1 / std::sin(A); }},
      {"sinh", [](double A) { return std::sinh(A); }},
      {"cosh", [](double A) { return std::cosh(A); }},
      {"tanh", [](double A) { return std::tanh(A); }},
      {"cotanh", [](double A) { return 1 / std::tanh(A); }},
      {"sech", [](double A) { return 1 / std::cosh(A); }},
      {"csch", [](double A) { return 1 / std::sinh(A); }},
      {"arcsin", [](double A) { return std::asin(A); }},
      {"arccos", [](double A) { return std::acos(A); }},
      {"arctan", [](double A) { return std::atan(A); }},
      {"arccotan", [](double A) { return std::atan(1 / A); }},
      {"arcsinh", [](double A) { return std::asinh(A); }},
      {"arctanh", [](double A) { return std::atanh(A); }},
      {"int", [](double A) { return std::trunc(A); }},
      {"round", [](double A) { return std::nearbyint(A); }},
      {"trunc", [](double A) { return std::trunc(A); }},
      {"abs", [](double A) { return std::fabs(A); }},
      {"frac", [](double A) { return A - std::trunc(A); }},
      {"exp", [](double A) { return std::exp(A); }},
      {"lnxp1", [](double A) { return std::log1p(A); }},
      {"ceil", [](double A) { return std::ceil(A); }},
      {"floor", [](double A) { return std::floor(A); }},
      {"not",
       [](double A) { return static_cast<double>(~static_cast<int64_t>(std::nearbyint(A))); }},
      {"radtodeg", [](double A) { return A * 180.0 / std::numbers::pi; }},
      {"degtorad", [](double A) { return A * std::numbers::pi / 180.0; }},
      {"gradtodeg", [](double A) { return A * 360.0 / 400.0; }},
      {"cycletorad", [](double A) { return A * 2.0 * std::numbers::pi; }},
  };
  for (double A : {0.3, -0.7, 2.5}) {
    Vars[0] = A;
    for (const auto& [Name, F] : Table) {
      const double Expected = 0.0 + F(A); // the sum of the terms starts from +0
      const double Got = Agree(std::string(Name) + " " + Num(A), std::string(Name) + " qa");
      EXPECT_TRUE(SameValue(Got, Expected) || (std::isnan(Expected) && std::isnan(Got)))
          << Name << " " << A << ": " << Got << " vs " << Expected;
    }
  }
  // Positive-only arguments.
  Vars[0] = 3.5;
  EXPECT_DOUBLE_EQ(Agree("ln 3.5", "ln qa"), std::log(3.5));
  EXPECT_DOUBLE_EQ(Agree("lg 3.5", "lg(qa)"), std::log10(3.5));
  EXPECT_DOUBLE_EQ(Agree("log2 3.5", "log2 qa"), std::log2(3.5));
  EXPECT_DOUBLE_EQ(Agree("arccosh 3.5", "arccosh qa"), std::acosh(3.5));
  EXPECT_DOUBLE_EQ(Agree("arcsec 3.5", "arcsec qa"), std::acos(1 / 3.5));
  // The NaN results of the table keep their exact pattern at run time.
  Vars[0] = 2;
  EXPECT_TRUE(IsNaNPattern(Agree("arcsin 2", "arcsin qa")));
  EXPECT_TRUE(IsNaNPattern(Agree("arctanh 2", "arctanh(qa)")));
  Vars[0] = 0;
  EXPECT_TRUE(IsNaNPattern(Agree("csc 0", "csc qa")));
  EXPECT_TRUE(IsNaNPattern(Agree("cotan 0", "cotan qa")));
}

TEST_F(EvaluatorTest, InfixAndPostfixOperatorsFoldedAndAtRunTimeAgree) {
  const char* Ops[] = {"*",  "/",   "^",   "div", "mod", "and",
                       "or", "xor", "shl", "shr", "log", "sqrt"};
  const double Pairs[][2] = {{7.6, 2}, {-7, 2}, {3, 0.5}, {2.5, 1}, {6, 3}, {-8, 2}, {9, 0}};
  for (const auto& [B, A] : Pairs) {
    Vars[0] = B;
    Vars[1] = A;
    for (const char* Op : Ops) {
      const std::string C = Num(B) + " " + Op + " " + Num(A);
      // The operand after as a variable, as a group holding a variable, and both at once.
      Agree(C, "qa " + std::string(Op) + " qb");
      Agree(C, "(qa) " + std::string(Op) + " (qb)");
      Agree(C, Num(B) + " " + Op + " qb");
      Agree(C, "qa " + std::string(Op) + " " + Num(A));
    }
    Agree(Num(B) + "!", "qa!");
    Agree(Num(B) + " * " + Num(A) + "!", "qa * qb!");
  }
  Vars[0] = 5;
  Vars[1] = 0;
  EXPECT_TRUE(IsNaNPattern(Agree("5 div 0", "qa div qb")));
  EXPECT_TRUE(IsNaNPattern(Agree("5 mod 0", "qa mod qb")));
  EXPECT_TRUE(IsNaNPattern(Agree("0 sqrt 5", "qb sqrt qa")));
  EXPECT_EQ(Agree("5 ^ 2", "qa ^ 2"), 25);
  // Left to right, one precedence; a prefix function takes only the operand after it.
  Vars[0] = 2;
  Vars[1] = 3;
  EXPECT_EQ(Agree("2^3^2", "qa^qb^2"), 64);
  EXPECT_EQ(Agree("2*3!", "qa*qb!"), 720);
  EXPECT_DOUBLE_EQ(Agree("sin 2*3", "sin qa*qb"), std::sin(2.0) * 3);
  EXPECT_DOUBLE_EQ(Agree("2 * sin cos 3", "qa * sin cos qb"), 2 * std::sin(std::cos(3.0)));
  EXPECT_DOUBLE_EQ(Agree("-2^2+3", "-qa^2+qb"), -1);
}

TEST_F(EvaluatorTest, ListFunctionsFoldedAndAtRunTimeAgree) {
  Vars[0] = 2.5;
  Vars[1] = -1.5;
  const char* Lists[] = {"min",           "max",      "hypot",       "arctan2", "power",
                         "intpower",      "poly",     "mean",        "sum",     "sumint",
                         "sumofsquares",  "minvalue", "maxintvalue", "stddev",  "popnvariance",
                         "totalvariance", "norm"};
  for (const char* L : Lists) {
    const std::string Name = L;
    Agree(Name + "[2.5, -1.5]", Name + "[qa, qb]");
    if (Name != "hypot" && Name != "arctan2" && Name != "power" && Name != "intpower")
      Agree(Name + "[2.5, -(-1.5), 4]", Name + "[qa, -qb, 4]");
  }
  Agree("ensurerange[7, -1.5, 2.5]", "ensurerange[7, qb, qa]");
  Agree("cmpgreater[2.5, -1.5, 1, 2]", "cmpgreater[qa, qb, 1, 2]");
  Agree("cmpless[2.5, -1.5, 1, 2]", "cmpless[qa, qb, 1, 2]");
  EXPECT_EQ(Agree("max[min[2.5, 0], -1.5] * 2", "max[min[qa, 0], qb] * 2"), 0);
  EXPECT_EQ(Agree("poly[2, 1, -1.5, 2.5]", "poly[2, 1, qb, (qa)]"), 1 - 3 + 10);
}

TEST_F(EvaluatorTest, ConstantTermsAndSignsOfUnoptimisedScripts) {
  // Several constant terms in a row, each with its own sign, in raw and optimised scripts.
  Vars[0] = 1.5;
  EXPECT_EQ(Agree("2+0.5+4", "qa+0.5+4-1.5+2"), 6.5);
  EXPECT_EQ(Agree("1.5-4-0.5", "qa-4-0.5"), -3);
  EXPECT_EQ(Agree("-2-4-0", "-2-4-qa+1.5"), -6);
  EXPECT_EQ(Agree("1-(2-3)", "1-(2-qa-1.5)"), 2);
  EXPECT_EQ(Agree("'a' + 2", "'a'+qa+0.5"), 2);
  EXPECT_EQ(Agree("(1.5+0.5)*(1.5-0.5)", "(qa+0.5)*(qa-0.5)"), 2);
  EXPECT_EQ(Agree("(1.5+0.5)*(0.5-1.5)+1", "(qa+0.5)*(0.5-qa)+1"), -1);
  // A group holding only a variable has the value of a sum: +0 for a variable that is -0.
  Vars[0] = -0.0;
  EXPECT_EQ(Agree("1/(0-0)", "1/(qa)"), INFINITY);
  EXPECT_EQ(Agree("1/(0-0)", "1/(qa-0)"), INFINITY);
  EXPECT_EQ(P.ExecuteScript(P.Compile("1/qa"), Vars), -INFINITY);
  EXPECT_EQ(P.ExecuteScript(P.Compile("1/qa")), -INFINITY);
}

TEST_F(EvaluatorTest, WhatStaysAfterFoldingReadsItsOwnGroupsAndLists) {
  // Groups and lists that fold away come before, between and inside the ones that stay; those
  // are renumbered and must still read their own values.
  Vars[0] = 1.25;
  Vars[1] = -0.5;
  EXPECT_EQ(Agree("(2*3) + (1.25+1) * (4-1) - max[(1), 2] * (-0.5)",
                  "(2*3) + (qa+1) * (4-1) - max[(1), 2] * (qb)"),
            13.75);
  EXPECT_EQ(Agree("poly[(1+1), 1.25, (2*3), min[1, -0.5]] + (5)",
                  "poly[(1+1), qa, (2*3), min[1, qb]] + (5)"),
            1.25 + 6 * 2 - 0.5 * 2 * 2 + 5); // X = 2, then the coefficients
  EXPECT_EQ(Agree("sum[(1), (1.25*2), max[(3), -0.5], (4)] * (2)",
                  "sum[(1), (qa*2), max[(3), qb], (4)] * (2)"),
            21);
}

TEST_F(EvaluatorTest, VariablesComeFromTheArrayOrTheHook) {
  const TParserScript S = P.Compile("qa*3 + qb");
  const double Two[2] = {2, 10};
  EXPECT_EQ(P.ExecuteScript(S, Two), 16);
  EXPECT_EQ(VariableCalls, 0);
  Vars[1] = 20;
  const double One[1] = {2};
  EXPECT_EQ(P.ExecuteScript(S, One), 26); // qb past the end: asked
  EXPECT_EQ(VariableCalls, 1);
  Vars[0] = 1;
  EXPECT_EQ(P.ExecuteScript(S), 23);
  EXPECT_EQ(VariableCalls, 3);
  // The term's type reaches the hook with the variable.
  P.ExecuteScript(P.Compile("integer qa"));
  EXPECT_EQ(LastType, P.IndexOfType("integer"));
  P.ExecuteScript(P.Compile("2 + (double qa)"));
  EXPECT_EQ(LastType, P.IndexOfType("double"));
  // Never folded, so a compiled script follows the values.
  const TParserScript T = P.Compile("(qa + 1) * (qa - 1) / 2");
  for (double X : {0.0, 3.0, -5.0}) {
    const double V[1] = {X};
    EXPECT_EQ(P.ExecuteScript(T, V), (X + 1) * (X - 1) / 2);
  }
  // More groups and parameters than the evaluator keeps on its stack.
  std::string Long = "sum[";
  for (int I = 0; I < 40; ++I)
    Long += (I ? ", " : "") + std::string("(qa + ") + std::to_string(I) + ")";
  Long += "] + qb";
  const double V[2] = {0.5, 1000};
  EXPECT_EQ(P.ExecuteScript(P.Compile(Long), V), 40 * 0.5 + 780 + 1000);
  // Scripts that are a variable times a constant plus a constant are computed by the caller;
  // asked through the hook, the same scripts run as instructions. Both give the same bits.
  for (const char* Text : {"qa", "qa*3", "qa*3+4", "qa*3-4", "qa+4", "qa-4", "qb*0.5+2"}) {
    const TParserScript A = P.Compile(Text);
    for (double X : {-0.0, 2.5, -1e308, double(INFINITY), double(NAN)}) {
      Vars[0] = Vars[1] = X;
      const double Both[2] = {X, X};
      EXPECT_TRUE(SameValue(P.ExecuteScript(A, Both), P.ExecuteScript(A))) << Text << " " << X;
    }
  }
  // A slot nobody fills is asked through the hook, which does not know it.
  int32_t Far = -1;
  P.RegisterVariable(Far, "qfar", 7);
  EXPECT_THROW(P.ExecuteScript(P.Compile("qfar + 1"), V), EGException);
}

TEST_F(EvaluatorTest, HookFunctionsReceiveOperandsParametersAndErrors) {
  Vars[0] = 4;
  EXPECT_EQ(P.ExecuteScript(P.Compile("2 hin qa"), Vars), 102);
  EXPECT_EQ(Seen, "hin(2.000000;4.000000;)");
  EXPECT_EQ(P.ExecuteScript(P.Compile("3 * hpre qa")), 3 * 101);
  EXPECT_EQ(Seen, "hpre(4.000000;)");
  EXPECT_EQ(P.ExecuteScript(P.Compile("hpre hpre 5")), 101); // folded by the hook
  EXPECT_EQ(P.ExecuteScript(P.Compile("qa hpost")), 101);
  EXPECT_EQ(Seen, "hpost(4.000000;)");
  EXPECT_EQ(P.ExecuteScript(P.Compile("hlist['txt', -qa, integer 2]"), Vars), 103);
  EXPECT_EQ(Seen, "hlist(0.000000'txt;-4.000000;2.000000#;)");
  EXPECT_EQ(P.ExecuteScript(P.Compile("hlist[]")), 100);
  EXPECT_EQ(Seen, "hlist()");
  // Errors raised while evaluating, whichever path the value takes.
  Vars[0] = 21;
  EXPECT_THROW(P.ExecuteScript(P.Compile("qa!"), Vars), EIntOverflow);
  EXPECT_THROW(P.ExecuteScript(P.Compile("qa!")), EIntOverflow);
  try {
    P.ExecuteScript(P.Compile("min[qa]"), Vars);
    ADD_FAILURE();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Message(), "Not enough actual parameters");
  }
  try {
    P.ExecuteScript(P.Compile("cmpless[qa, 1, 2, 3, 4]"), Vars);
    ADD_FAILURE();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Message(), "Too many actual parameters");
  }
  int32_t Nobody = -1;
  P.RegisterFunction(Nobody, "nobody", false, true, false, 0);
  const TParserScript S = P.Compile("2 * nobody qa");
  try {
    P.ExecuteScript(S, Vars);
    ADD_FAILURE();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Message(), "Unknown function: " + std::to_string(P.IndexOfFunction("nobody")));
  }
  EXPECT_THROW(P.ExecuteScript(TParserScript(), Vars), EGException);
}

namespace {

// An emitter-like executor handing over its values; an animation-like one with only "T" in its
// array and "Env" answered by call.
class TArrayExecutor : public TGObject, public IGMathScriptExecutor {
public:
  bool MathFunction(int32_t Id, std::span<const TParameter> Ps, double& Result) override {
    ++Calls;
    if (Id == GetMathParser().FuncEnv()) {
      Result = Ps[0].Value * 10;
      return true;
    }
    if (Id == GetMathParser().FuncY()) {
      Result = -1;
      return true;
    }
    return false;
  }
  std::span<const double> MathVariables() override { return std::span(Values, Count); }
  double Values[mvCount] = {0.5, 2, 3, 45, 7, 11};
  size_t Count = mvCount;
  int Calls = 0;
};

} // namespace

TEST(MathScript, ExecutorsHandOverTheirValues) {
  TGObjectPtr<TArrayExecutor> Exec(new TArrayExecutor);
  TGMathScript* S = new TGMathScript(Exec.get());
  S->SetAsString("T*100 + X + Y*10 + MotionAngle + P0*1000 + p1*10000");
  EXPECT_EQ(S->Evaluate(), 50 + 2 + 30 + 45 + 7000 + 110000);
  EXPECT_EQ(Exec->Calls, 0);
  Exec->Values[mvX] = 4;
  EXPECT_EQ(S->Evaluate(), 50 + 4 + 30 + 45 + 7000 + 110000);
  S->SetAsString("Env[T*2, 0, 1] + Y");
  Exec->Count = 1; // only "T": "Y" is asked
  EXPECT_EQ(S->Evaluate(), 10 - 1);
  EXPECT_EQ(Exec->Calls, 2);
  S->SetAsString("X");
  try {
    S->Evaluate();
    ADD_FAILURE();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Message(), "Unknown function: " + std::to_string(GetMathParser().FuncX()));
  }
  // Executors of different classes in turn, and an owner that is none.
  TGObjectPtr<TTestExecutor> Other(new TTestExecutor);
  TGObjectPtr<TGObject> Plain(new TGObject);
  const TParserScript T = GetMathParser().CompileScript("T + 1");
  Other->T = 5;
  for (int I = 0; I < 3; ++I) {
    EXPECT_EQ(GetMathParser().Evaluate(T, Exec.get()), 1.5);
    EXPECT_EQ(GetMathParser().Evaluate(T, Other.get()), 6);
    EXPECT_THROW(GetMathParser().Evaluate(T, Plain.get()), EGException);
    EXPECT_THROW(GetMathParser().Evaluate(T, nullptr), EGException);
  }
}
