// The expression parser behind math scripts: a registry of names (functions and types), a
// compiler from text to a compiled script with constant folding, and the evaluator.
//
// The grammar is deliberately not the usual one: "+" and "-" separate the terms of an expression,
// and every other operator shares one precedence and applies from left to right ("2*3^2" is 36,
// "2^3^2" is 64). Names are found anywhere in the text, without regard to word boundaries, the
// longest name first. Round brackets group, square brackets enclose parameter lists.
//
// A compiled script is a flat instruction stream over an accumulator: the running value of the
// current term, the sum of the terms, and one slot per bracket group. Constants are folded, the
// operand of an operator is fetched by the operator itself (a constant, a group's slot or a
// variable), and names registered as variables are read from the caller's array of values by
// index, so evaluation looks up no name and allocates nothing for ordinary expressions.
//
// Compiled scripts are immutable and shared; evaluating one touches no state of the parser but
// the executor hook, so scripts may be evaluated while another thread compiles (compilation and
// registry changes are serialised by the parser's lock).
#pragma once

#include "base/UGError.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A compilation error.
G_EXCEPTION_CLASS(EParseError, EGException);

// One actual parameter handed to a function.
struct TParameter {
  int32_t TypeIndex = 0;
  std::string_view S; // the text of a string parameter (valid while its script lives)
  double Value = 0;
};

// The built-in operations; every registered name carries one (ofNone for names answered only by
// the executor hook).
enum TParserOp : uint16_t {
  ofNone,
  ofBraces,
  ofMultiply,
  ofDivide,
  ofNot,
  ofAnd,
  ofOr,
  ofXor,
  ofShl,
  ofShr,
  ofDiv,
  ofMod,
  ofPower,
  ofFactorial,
  ofSqrt,
  ofLog,
  ofInt,
  ofRound,
  ofTrunc,
  ofAbs,
  ofFrac,
  ofLn,
  ofLg,
  ofExp,
  ofPi,
  ofRandom,
  ofSin,
  ofCos,
  ofTan,
  ofCotan,
  ofSec,
  ofCsc,
  ofSinh,
  ofCosh,
  ofTanh,
  ofCotanh,
  ofSech,
  ofCsch,
  ofArcSin,
  ofArcCos,
  ofArcTan,
  ofArcCotan,
  ofArcSec,
  ofArcCsc,
  ofArcSinh,
  ofArcCosh,
  ofArcTanh,
  ofArcCotanh,
  ofArcSech,
  ofArcCsch,
  ofRadToDeg,
  ofRadToGrad,
  ofRadToCycle,
  ofDegToRad,
  ofDegToGrad,
  ofDegToCycle,
  ofGradToRad,
  ofGradToDeg,
  ofGradToCycle,
  ofCycleToRad,
  ofCycleToDeg,
  ofCycleToGrad,
  ofLnXP1,
  ofLog10,
  ofLog2,
  ofCeil,
  ofFloor,
  ofArcTan2,
  ofHypot,
  ofIntPower,
  ofPowerList,
  ofPoly,
  ofMin,
  ofMax,
  ofRandG,
  ofRandomRange,
  ofMean,
  ofSum,
  ofSumInt,
  ofSumOfSquares,
  ofMinValue,
  ofMinIntValue,
  ofMaxValue,
  ofMaxIntValue,
  ofStdDev,
  ofPopnStdDev,
  ofVariance,
  ofPopnVariance,
  ofTotalVariance,
  ofNorm,
  ofRandomFrom,
  ofEnsureRange,
  ofCmpGreater,
  ofCmpLess,
};

// One registered name.
struct TFunction {
  int32_t* Address = nullptr; // the registrant's variable holding the current identifier
  std::string Name;           // lower case
  bool RequireValue1 = false; // takes an expression before itself
  bool RequireValue2 = false; // takes an expression after itself
  bool Optimizable = false;   // may be computed at compile time from constant operands
  int32_t ParameterCount = 0; // minimum number of bracketed parameters; 0: no list
  TParserOp Op = ofNone;
  // For a name registered with RegisterVariable: its index in the values handed to
  // ExecuteScript; -1 for every other name.
  int32_t VariableSlot = -1;
};

// One registered type name.
struct TType {
  int32_t* Address = nullptr;
  std::string Name;
};

class TParser;
struct TParserScriptHead;
using TParserSingleRun = double (*)(const TParser& P, const TParserScriptHead& Script,
                                    const double* Vars);
// The compiled form of an expression (the rest is opaque; see UParser.cpp). A script that is one
// instruction has a function computing just that, which callers run inline.
struct TParserScriptHead {
  TParserSingleRun Single = nullptr;
  uint32_t VarCount = 0; // 1 + the highest variable slot read
  // A script that is a variable, or a variable times a constant, plus or minus a constant ("x-1",
  // "x*3+4") has the variable's slot here and is (0 + Variables[Slot] * Factor) + Offset, as
  // the instruction itself computes it (the sum of terms starts from +0).
  int32_t AffineSlot = -1;
  double Factor = 1, Offset = 0;
};
using TParserScript = std::shared_ptr<const TParserScriptHead>;

// The executor hook: receives calls of names; sets Handled when it answers.
using TParserFunctionEvent =
    std::function<void(int32_t Identifier, int32_t TypeIndex,
                       std::span<const TParameter> Parameters, bool& Handled, double& Result)>;

// What GetValueData found in a text.
enum TValueDataKind { vdNone, vdBracket, vdString, vdNumber, vdName };
struct TValueData {
  TValueDataKind Kind = vdNone;
  std::string S;      // a string's text without the quotes; a bracket group's inner text
  double Value = 0;   // a number
  int32_t Index = -1; // a name's identifier
};

class TCustomParser {
public:
  TCustomParser();
  virtual ~TCustomParser();
  TCustomParser(const TCustomParser&) = delete;
  TCustomParser& operator=(const TCustomParser&) = delete;

  // Appends a name; Index := its identifier, or -1 when the name is registered already.
  void RegisterFunction(int32_t& Index, std::string_view AName, bool ARequireValue1,
                        bool ARequireValue2, bool AOptimizable, int32_t AParameterCount,
                        TParserOp AOp = ofNone);
  // Removes a name; the names behind it are renumbered. False when Index is out of range.
  bool UnregisterFunction(int32_t Index);
  // Appends a variable: a name that takes no operands and is never folded, whose value is
  // Variables[Slot] of the values handed to ExecuteScript. When the values are fewer than
  // Slot + 1 it is asked through the executor hook like any other name. A variable in a bracket
  // group of its own ("sin(x)") is read where the group is used.
  void RegisterVariable(int32_t& Index, std::string_view AName, int32_t Slot);
  void RegisterType(int32_t& Index, std::string_view AName);
  int32_t IndexOfFunction(std::string_view AName);
  int32_t IndexOfType(std::string_view AName);
  int32_t FunctionCount();
  TFunction Function(int32_t Index);

  // Mode 0: at least Count, 1: exactly Count, 2: at most Count.
  static void CheckParameters(std::span<const TParameter> Parameters, int32_t Count, int Mode);
  void GetValueData(std::string_view Text, TValueData& ValueData);

  const TParserFunctionEvent& OnFunction() const { return FOnFunction; }
  void SetOnFunction(TParserFunctionEvent Event) { FOnFunction = std::move(Event); }

  static constexpr char FBracket[2] = {'(', ')'};
  static constexpr char FParameterBracket[2] = {'[', ']'};

protected:
  // Sorts unsorted registries (longest names first) and renumbers; caller holds FLock.
  void SortData();

  std::recursive_mutex FLock; // compilation and registry changes
  unsigned FExceptionMask = 0;
  TParserFunctionEvent FOnFunction;
  std::vector<TFunction> FFunctions;
  bool FSortData = true;
  std::vector<TType> FTypes;
  // For each first character, the functions starting with it, longest first.
  std::vector<int32_t> FByFirstChar[256];
  bool FIndexValid = false;

  friend class TParserCompiler;
};

class TParser : public TCustomParser {
public:
  TParser();

  // Compiles Text; raises EParseError.
  void StringToScript(std::string_view Text, TParserScript& Script);
  // Folds constants (done once after each compilation).
  void OptimizeScript(TParserScript& Script);
  // Compiles and optimises in one step.
  TParserScript Compile(std::string_view Text);
  // Evaluates a compiled script. Safe to call from several threads at once.
  double ExecuteScript(const TParserScript& Script) const { return ExecuteScript(Script, {}); }
  // The same, with the values of the registered variables (indexed by their slots).
  double ExecuteScript(const TParserScript& Script, std::span<const double> Variables) const {
    const TParserScriptHead* H = Script.get();
    if (H && H->VarCount <= Variables.size()) [[likely]] {
      if (H->AffineSlot >= 0)
        return (0.0 + Variables[static_cast<size_t>(H->AffineSlot)] * H->Factor) + H->Offset;
      if (H->Single)
        return H->Single(*this, *H, Variables.data());
    }
    return ExecuteStream(H, Variables);
  }

  // Computes a built-in operation (B: the operand before, A: the operand after).
  double DefaultFunction(TParserOp Op, double B, double A,
                         std::span<const TParameter> Parameters) const;

protected:
  // Runs the script's instruction stream (every script but the single-instruction ones).
  double ExecuteStream(const TParserScriptHead* Script, std::span<const double> Variables) const;

  int32_t FBracesIndex = -1, FMultiplyIndex = -1, FDivideIndex = -1, FNotIndex = -1, FAndIndex = -1,
          FOrIndex = -1, FXorIndex = -1, FShlIndex = -1, FShrIndex = -1;
  unsigned FExceptionTypes = 1u; // bit set of TMathParserExceptionType
  int32_t FShortintIndex = -1, FByteIndex = -1, FSmallintIndex = -1, FWordIndex = -1,
          FIntegerIndex = -1, FLongwordIndex = -1, FInt64Index = -1, FSingleIndex = -1,
          FDoubleIndex = -1;

  friend class TParserEvaluator;
};

// Options of TMathParser::ExceptionTypes.
enum TMathParserExceptionType { etNaNResults = 0 };

class TMathParser : public TParser {
public:
  TMathParser();

  // The current script, run by ExecuteScript without arguments.
  const TParserScript& Script() const { return FScript; }
  void SetScript(TParserScript AScript) { FScript = std::move(AScript); }
  using TParser::ExecuteScript;
  double ExecuteScript() const { return ExecuteScript(FScript); }

  // Bit set of TMathParserExceptionType; etNaNResults is included from creation.
  unsigned ExceptionTypes() const { return FExceptionTypes; }
  void SetExceptionTypes(unsigned Value) { FExceptionTypes = Value; }

  int32_t RandGIndex() const { return FRandGIndex; }

protected:
  TParserScript FScript;
  int32_t FDivIndex = -1, FModIndex = -1, FPowerIndex = -1, FFactorialIndex = -1, FSqrtIndex = -1,
          FLogIndex = -1, FCosIndex = -1, FPiIndex = -1, FRandomIndex = -1, FRandGIndex = -1;
  // Identifiers of the rest of the table (kept in one block; the registry renumbers them).
  int32_t FTableIndex[128] = {};
};
