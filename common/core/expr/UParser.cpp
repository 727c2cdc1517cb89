#include "expr/UParser.h"

#include "base/UGFormat.h"
#include "base/UGRandom.h"
#include "math/UGFastTrig.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <numbers>
#include <utility>

// The compiled form. A script is a list of internal scripts ("subs"): the compiled bracket groups
// and parameter lists in the order their compilation finished (inner ones first), the expression
// itself last. Evaluating the subs in order leaves every group's value and every list's
// parameters ready before the items that use them. The items are kept for OptimizeScript; what
// evaluation runs is the instruction stream made from them (TPCode).
struct TPOp {
  enum TKind : uint8_t { kNumber, kGroup, kList, kFunction, kString };
  TKind Kind = kNumber;
  bool Req1 = false, Req2 = false, Optimizable = false;
  TParserOp Op = ofNone;
  int32_t ParamCount = 0;
  int32_t Ident = -1; // function identifier
  int32_t Ref = -1;   // sub (group, list) or string index
  int32_t VarSlot = -1;
  double Num = 0;
};

struct TPTerm {
  uint32_t First = 0, Count = 0;
  bool Negative = false;
  int32_t TypeIndex = -1;
};

struct TPParam {
  enum TKind : uint8_t { kNumber, kSub, kString };
  TKind Kind = kNumber;
  bool Negative = false;
  int32_t TypeIndex = -1;
  double Value = 0;
  int32_t Ref = -1;
};

struct TPSub {
  bool IsList = false;
  bool Dynamic = false;          // a list with computed parameters (filled at each evaluation)
  uint32_t First = 0, Count = 0; // terms, or parameters of a list
  bool Constant = false;         // after optimisation: the value is ConstValue
  double ConstValue = 0;
};

// The instruction stream. Each instruction computes V := F(X, A) from two operands fetched by
// mode, then may add V to the sum of terms R (or subtract it), and store R as the value of a
// bracket group or return it.
struct TPCode {
  enum TCode : uint8_t {
    cLoad,        // V := X
    cSave,        // B := X (the operand before, kept while the operand after is computed)
    cMul,         // V := X * A
    cDiv,         // V := X / A
    cPow,         // V := X ^ A
    cSin,         // V := sin A
    cCos,         // V := cos A
    cBuiltin,     // V := DefaultFunction(Op, X, A)
    cBuiltinList, // V := DefaultFunction(Op, X, 0, list)
    cHook,        // V := the hook's answer for Ident with the list (or no parameters)
    cHookOps,     // V := the hook's answer for Ident with X and/or A as parameters
    cFill,        // copy the constant parameters of a list into the buffer
    cSetParam,    // Buf[Store].Value := A (negated when Negate)
    // cLoad, cMul, cDiv and cPow for the commonest operand modes, each its own case so that the
    // operands are fetched without looking at the modes (see Specialise).
    cSpecial,
  };
  enum TMode : uint8_t {
    mConst,  // Imm
    mSlot,   // Vals[Index]
    mVar,    // Vars[Index], or the hook when the caller gave fewer values
    mVarSum, // 0 + the variable: the value of a group holding only the variable
    mVarAdd, // 0 + the variable + Imm: a group holding the variable and a constant term
    mVarSub, // 0 + the variable - Imm
    mAcc,    // V
    mSaved,  // B
  };
  // After V: add it to R or subtract it, then add or subtract ThenImm (a constant term that
  // follows), then store R or return it.
  enum TThen : uint8_t { tAdd = 1, tSub = 2, tAddImm = 4, tSubImm = 8, tStore = 16, tReturn = 32 };
  struct TArg {
    double Imm = 0;
    int32_t Index = -1;
    int32_t Ident = -1; // a variable's identifier and term type, for the hook
    int32_t Type = -1;
  };
  TCode Code = cLoad;
  TMode XMode = mConst, AMode = mConst;
  uint8_t Then = 0;
  TParserOp Op = ofNone;
  bool Req1 = false, Req2 = false, Negate = false;
  int32_t Ident = -1; // the function's identifier (hook calls)
  int32_t Type = -1;  // the term's type
  int32_t List = -1;  // a parameter list (its internal script's number)
  int32_t Store = -1; // the group slot (tStore) or parameter (cSetParam) written
  double ThenImm = 0;
  TArg X, A;
};

namespace {
// The specialised codes: cSpecial + the operation's block + the operand modes' position in it.
namespace SpecialCodes {
constexpr TPCode::TMode CLoadModes[] = {TPCode::mConst,  TPCode::mVar,    TPCode::mSlot,
                                        TPCode::mVarSum, TPCode::mVarAdd, TPCode::mVarSub};
constexpr TPCode::TMode CXModes[] = {TPCode::mAcc,    TPCode::mVar,    TPCode::mSlot,
                                     TPCode::mVarSum, TPCode::mVarAdd, TPCode::mVarSub};
constexpr TPCode::TMode CAModes[] = {TPCode::mConst,  TPCode::mVar,    TPCode::mSlot,  TPCode::mAcc,
                                     TPCode::mVarSum, TPCode::mVarAdd, TPCode::mVarSub};
constexpr int CBinaryCount = std::size(CXModes) * std::size(CAModes);
constexpr int CLoadBase = TPCode::cSpecial;
constexpr int CMulBase = CLoadBase + std::size(CLoadModes);
constexpr int CDivBase = CMulBase + CBinaryCount;
constexpr int CPowBase = CDivBase + CBinaryCount;
constexpr int CEnd = CPowBase + CBinaryCount;
static_assert(CEnd <= 255);
} // namespace SpecialCodes
} // namespace

struct TParserScriptData : TParserScriptHead {
  std::vector<TPSub> Subs;
  std::vector<TPTerm> Terms;
  std::vector<TPOp> Ops;
  std::vector<TPParam> Params;
  std::vector<std::string> Strings;
  // What evaluation runs, made from the above by TCodeGen.
  std::vector<TPCode> Code;
  std::vector<TParameter> Template; // the lists' parameters, computed ones left 0
  uint32_t BufSize = 0;             // parameters to copy when a list has computed ones
  bool FitsStack = true;            // groups and parameters fit the evaluator's stack arrays
  // Single is set when the code is one specialised instruction (no group slot) whose value, plus
  // a constant, is the result.
};

// Groups and parameters of a script that the evaluator keeps on its stack.
constexpr size_t CSmallScript = 32;

static const TParserScriptData& DataOf(const TParserScriptHead& Script) {
  return static_cast<const TParserScriptData&>(Script);
}

namespace {

constexpr int CMaxNesting = 200;     // bracket groups within each other
constexpr int CMaxPrefixChain = 500; // prefix functions applying to each other ("sin sin ... 0")

bool IsBlank(char C) {
  return static_cast<unsigned char>(C) <= ' ';
}

std::string_view TrimView(std::string_view S) {
  while (!S.empty() && IsBlank(S.front()))
    S.remove_prefix(1);
  while (!S.empty() && IsBlank(S.back()))
    S.remove_suffix(1);
  return S;
}

char Lower(char C) {
  return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
}

std::string LowerCase(std::string_view S) {
  std::string R(S);
  for (char& C : R)
    C = Lower(C);
  return R;
}

// A number with '.' as decimal point and an optional exponent; nothing else (no "inf", no sign).
bool ParseNumber(std::string_view S, double& Value) {
  if (S.empty() || !((S[0] >= '0' && S[0] <= '9') || S[0] == '.'))
    return false;
  auto [Ptr, Ec] = std::from_chars(S.data(), S.data() + S.size(), Value);
  if (Ptr != S.data() + S.size())
    return false;
  if (Ec == std::errc::result_out_of_range) {
    // Overflow gives infinity, underflow zero: tell them apart by the decimal magnitude.
    const size_t E = S.find_first_of("eE");
    std::string_view Mantissa = S.substr(0, E);
    int64_t Exponent = 0;
    if (E != std::string_view::npos) {
      std::string_view X = S.substr(E + 1);
      if (!X.empty() && X[0] == '+')
        X.remove_prefix(1);
      int32_t Parsed = 0;
      if (std::from_chars(X.data(), X.data() + X.size(), Parsed).ec == std::errc())
        Exponent = Parsed;
      else
        Exponent = X.size() > 0 && X[0] == '-' ? -100000 : 100000;
    }
    int64_t IntDigits = 0;
    bool Leading = true;
    for (char C : Mantissa) {
      if (C == '.')
        break;
      if (Leading && C == '0')
        continue;
      Leading = false;
      ++IntDigits;
    }
    Value =
        (IntDigits > 0 && IntDigits + Exponent > 0) ? std::numeric_limits<double>::infinity() : 0.0;
    return true;
  }
  return Ec == std::errc();
}

bool IsQuoted(std::string_view S) {
  return S.size() >= 2 && S.front() == '\'' && S.back() == '\'' &&
         S.substr(1, S.size() - 2).find('\'') == std::string_view::npos;
}

[[noreturn]] void ParseError(std::string Msg) {
  throw EParseError(std::move(Msg));
}

const double CNaN = std::bit_cast<double>(uint64_t{0xFFF8000000000000ull});

} // namespace

// ---------------------------------------------------------------------------------------------
// TCustomParser

TCustomParser::TCustomParser() {
  FExceptionMask = static_cast<unsigned>(fegetexcept());
  if (FExceptionMask != 0)
    fedisableexcept(FE_ALL_EXCEPT);
}

TCustomParser::~TCustomParser() {
  if (FExceptionMask != 0)
    feenableexcept(static_cast<int>(FExceptionMask));
}

void TCustomParser::RegisterFunction(int32_t& Index, std::string_view AName, bool ARequireValue1,
                                     bool ARequireValue2, bool AOptimizable,
                                     int32_t AParameterCount, TParserOp AOp) {
  std::lock_guard Lock(FLock);
  std::string Name = LowerCase(TrimView(AName));
  if (Name.empty() || IndexOfFunction(Name) >= 0) {
    Index = -1;
    return;
  }
  TFunction F;
  F.Address = &Index;
  F.Name = std::move(Name);
  F.RequireValue1 = ARequireValue1;
  F.RequireValue2 = ARequireValue2;
  F.Optimizable = AOptimizable;
  F.ParameterCount = std::max(AParameterCount, 0);
  F.Op = AOp;
  FFunctions.push_back(std::move(F));
  Index = static_cast<int32_t>(FFunctions.size()) - 1;
  FSortData = false;
  FIndexValid = false;
}

void TCustomParser::RegisterVariable(int32_t& Index, std::string_view AName, int32_t Slot) {
  std::lock_guard Lock(FLock);
  RegisterFunction(Index, AName, false, false, false, 0);
  if (Index >= 0)
    FFunctions[Index].VariableSlot = std::max(Slot, -1);
}

bool TCustomParser::UnregisterFunction(int32_t Index) {
  std::lock_guard Lock(FLock);
  if (Index < 0 || Index >= static_cast<int32_t>(FFunctions.size()))
    return false;
  if (FFunctions[Index].Address)
    *FFunctions[Index].Address = -1;
  FFunctions.erase(FFunctions.begin() + Index);
  for (size_t I = Index; I < FFunctions.size(); ++I)
    if (FFunctions[I].Address)
      *FFunctions[I].Address = static_cast<int32_t>(I);
  FIndexValid = false;
  return true;
}

void TCustomParser::RegisterType(int32_t& Index, std::string_view AName) {
  std::lock_guard Lock(FLock);
  std::string Name = LowerCase(TrimView(AName));
  if (Name.empty() || IndexOfType(Name) >= 0) {
    Index = -1;
    return;
  }
  FTypes.push_back(TType{&Index, std::move(Name)});
  Index = static_cast<int32_t>(FTypes.size()) - 1;
  FSortData = false;
}

int32_t TCustomParser::IndexOfFunction(std::string_view AName) {
  std::lock_guard Lock(FLock);
  std::string Name = LowerCase(TrimView(AName));
  for (size_t I = 0; I < FFunctions.size(); ++I)
    if (FFunctions[I].Name == Name)
      return static_cast<int32_t>(I);
  return -1;
}

int32_t TCustomParser::IndexOfType(std::string_view AName) {
  std::lock_guard Lock(FLock);
  std::string Name = LowerCase(TrimView(AName));
  for (size_t I = 0; I < FTypes.size(); ++I)
    if (FTypes[I].Name == Name)
      return static_cast<int32_t>(I);
  return -1;
}

int32_t TCustomParser::FunctionCount() {
  std::lock_guard Lock(FLock);
  return static_cast<int32_t>(FFunctions.size());
}

TFunction TCustomParser::Function(int32_t Index) {
  std::lock_guard Lock(FLock);
  if (Index < 0 || Index >= static_cast<int32_t>(FFunctions.size()))
    throw ERangeError(Format("Function index out of range (%d)", {Index}));
  return FFunctions[Index];
}

void TCustomParser::SortData() {
  if (!FSortData) {
    std::stable_sort(
        FFunctions.begin(), FFunctions.end(),
        [](const TFunction& A, const TFunction& B) { return A.Name.size() > B.Name.size(); });
    for (size_t I = 0; I < FFunctions.size(); ++I)
      if (FFunctions[I].Address)
        *FFunctions[I].Address = static_cast<int32_t>(I);
    std::stable_sort(FTypes.begin(), FTypes.end(),
                     [](const TType& A, const TType& B) { return A.Name.size() > B.Name.size(); });
    for (size_t I = 0; I < FTypes.size(); ++I)
      if (FTypes[I].Address)
        *FTypes[I].Address = static_cast<int32_t>(I);
    FSortData = true;
    FIndexValid = false;
  }
  if (!FIndexValid) {
    for (auto& L : FByFirstChar)
      L.clear();
    // The registry may be unsorted after an unregistration; keep longest first per letter.
    std::vector<int32_t> Order(FFunctions.size());
    for (size_t I = 0; I < Order.size(); ++I)
      Order[I] = static_cast<int32_t>(I);
    std::stable_sort(Order.begin(), Order.end(), [this](int32_t A, int32_t B) {
      return FFunctions[A].Name.size() > FFunctions[B].Name.size();
    });
    for (int32_t I : Order)
      FByFirstChar[static_cast<unsigned char>(FFunctions[I].Name[0])].push_back(I);
    FIndexValid = true;
  }
}

void TCustomParser::CheckParameters(std::span<const TParameter> Parameters, int32_t Count,
                                    int Mode) {
  const auto N = static_cast<int64_t>(Parameters.size());
  if ((Mode == 0 || Mode == 1) && N < Count)
    throw EGException("Not enough actual parameters");
  if ((Mode == 1 || Mode == 2) && N > Count)
    throw EGException("Too many actual parameters");
}

void TCustomParser::GetValueData(std::string_view Text, TValueData& ValueData) {
  ValueData = TValueData{};
  std::string_view S = TrimView(Text);
  if (S.size() >= 2 && ((S.front() == FBracket[0] && S.back() == FBracket[1]) ||
                        (S.front() == FParameterBracket[0] && S.back() == FParameterBracket[1]))) {
    ValueData.Kind = vdBracket;
    ValueData.S = std::string(S.substr(1, S.size() - 2));
  } else if (IsQuoted(S)) {
    ValueData.Kind = vdString;
    ValueData.S = std::string(S.substr(1, S.size() - 2));
  } else if (ParseNumber(S, ValueData.Value)) {
    ValueData.Kind = vdNumber;
  } else if (int32_t I = IndexOfFunction(S); I >= 0) {
    ValueData.Kind = vdName;
    ValueData.Index = I;
  }
}

// ---------------------------------------------------------------------------------------------
// Compilation

class TParserCompiler {
public:
  TParserCompiler(TParser& AParser, TParserScriptData& AData)
      : P(AParser)
      , D(AData) {}

  int32_t CompileExpression(std::string Text, int Depth);

private:
  struct TLocalTerm {
    bool Negative = false;
    int32_t TypeIndex = -1;
    std::vector<TPOp> Ops;
  };
  enum TState { sNone, sValue, sList, sFunction };
  struct TChecker {
    TState State = sNone;
    TPOp Prev;
    int Chain = 0;
  };

  std::string ReplaceGroups(std::string Text, int Depth);
  int32_t CompileList(std::string Text, int Depth);
  std::vector<std::string_view> Cut(std::string_view Text, bool List);
  std::string_view TakeSign(std::string_view Piece, bool& Negative, bool List);
  std::string_view TakeType(std::string_view Piece, int32_t& TypeIndex);
  void CompilePiece(std::string_view Piece, TLocalTerm& Term);
  int32_t MatchName(std::string_view S, size_t Pos);
  void Check(TChecker& C, const TPOp& Cur);
  void CheckEnd(TChecker& C);
  [[noreturn]] void DoesNotRequireExpression(const TPOp& F);

  TParser& P;
  TParserScriptData& D;
};

void TParserCompiler::DoesNotRequireExpression(const TPOp& F) {
  ParseError(Format("Function \"%s\" does not require expression before or after itself",
                    {P.FFunctions[F.Ident].Name}));
}

void TParserCompiler::Check(TChecker& C, const TPOp& Cur) {
  const TPOp& Prev = C.Prev;
  auto Name = [this](const TPOp& Op) -> const std::string& { return P.FFunctions[Op.Ident].Name; };
  switch (Cur.Kind) {
  case TPOp::kString:
    return; // strings are not checked and leave the state as it is
  case TPOp::kNumber:
  case TPOp::kGroup:
    if (C.State == sValue || C.State == sList)
      ParseError("Function or expression expected");
    if (C.State == sFunction) {
      if (Prev.ParamCount > 0)
        ParseError(Format("Function \"%s\" requires parameters", {Name(Prev)}));
      if (!Prev.Req2)
        DoesNotRequireExpression(Prev);
    }
    C.State = sValue;
    C.Chain = 0;
    break;
  case TPOp::kFunction:
    if (C.State == sNone) {
      if (Cur.Req1)
        ParseError("Function or expression expected");
    } else if (C.State == sValue || C.State == sList) {
      if (Cur.ParamCount > 0 || !Cur.Req1)
        DoesNotRequireExpression(Cur);
    } else {
      if (Prev.ParamCount > 0)
        ParseError(Format("Function \"%s\" requires parameters", {Name(Prev)}));
      if (Prev.Req2 && Cur.Req1)
        ParseError("Function or expression expected");
      if (!Prev.Req2 && !Cur.Req1)
        DoesNotRequireExpression(Prev);
    }
    C.Chain = Cur.Req2 ? C.Chain + 1 : 0;
    if (C.Chain > CMaxPrefixChain)
      ParseError("Expression too complex");
    C.State = sFunction;
    break;
  case TPOp::kList:
    if (C.State != sFunction)
      ParseError("Function or expression expected");
    if (Prev.ParamCount == 0)
      ParseError(Format("Function \"%s\" does not require parameters", {Name(Prev)}));
    C.State = sList;
    C.Chain = 0;
    break;
  }
  C.Prev = Cur;
}

void TParserCompiler::CheckEnd(TChecker& C) {
  if (C.State != sFunction)
    return;
  const std::string& Name = P.FFunctions[C.Prev.Ident].Name;
  if (C.Prev.ParamCount > 0)
    ParseError(Format("Function \"%s\" requires parameters", {Name}));
  if (C.Prev.Req2)
    ParseError(Format("Function \"%s\" requires expression before or after itself", {Name}));
}

std::string TParserCompiler::ReplaceGroups(std::string Text, int Depth) {
  for (int Pass = 0; Pass < 2; ++Pass) {
    const char Open = Pass == 0 ? TCustomParser::FBracket[0] : TCustomParser::FParameterBracket[0];
    const char Close = Pass == 0 ? TCustomParser::FBracket[1] : TCustomParser::FParameterBracket[1];
    size_t Pos = 0;
    for (;;) {
      bool Quote = false;
      size_t Start = std::string::npos;
      for (size_t I = Pos; I < Text.size(); ++I) {
        if (Text[I] == '\'')
          Quote = !Quote;
        else if (!Quote && Text[I] == Open) {
          Start = I;
          break;
        }
      }
      if (Start == std::string::npos)
        break;
      int Count = 0;
      size_t End = std::string::npos;
      Quote = false;
      for (size_t I = Start; I < Text.size(); ++I) {
        if (Text[I] == '\'')
          Quote = !Quote;
        else if (!Quote && Text[I] == Open)
          ++Count;
        else if (!Quote && Text[I] == Close && --Count == 0) {
          End = I;
          break;
        }
      }
      if (End == std::string::npos)
        ParseError("Bracket character expected");
      if (Depth >= CMaxNesting)
        ParseError("Expression too complex");
      std::string Inner = Text.substr(Start + 1, End - Start - 1);
      int32_t N = Pass == 0 ? CompileExpression(std::move(Inner), Depth + 1)
                            : CompileList(std::move(Inner), Depth + 1);
      std::string Ref = Pass == 0 ? "{" + std::to_string(N) + "}" : "{#" + std::to_string(N) + "}";
      Text.replace(Start, End - Start + 1, Ref);
      Pos = Start + Ref.size();
    }
  }
  return Text;
}

std::vector<std::string_view> TParserCompiler::Cut(std::string_view Text, bool List) {
  std::vector<std::string_view> Pieces;
  bool Quote = false;
  size_t Start = 0;
  for (size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C == '\'') {
      Quote = !Quote;
      continue;
    }
    if (Quote)
      continue;
    if (List ? (C == ',' || C == ';') : (C == '-' || C == '+')) {
      if (I > Start)
        Pieces.push_back(Text.substr(Start, I - Start));
      Start = I;
    }
  }
  if (Text.size() > Start)
    Pieces.push_back(Text.substr(Start));
  std::vector<std::string_view> Result;
  for (std::string_view S : Pieces) {
    if (List)
      while (!S.empty() && (S.front() == ',' || S.front() == ';'))
        S.remove_prefix(1);
    if (!TrimView(S).empty())
      Result.push_back(S);
  }
  return Result;
}

std::string_view TParserCompiler::TakeSign(std::string_view S, bool& Negative, bool List) {
  Negative = false;
  S = TrimView(S);
  while (!S.empty() && (S.front() == '-' || S.front() == '+')) {
    // Parameters may carry several signs: the "-" after the last "+" count.
    if (S.front() == '+')
      Negative = false;
    else
      Negative = List ? !Negative : true;
    S.remove_prefix(1);
    while (!S.empty() && IsBlank(S.front()))
      S.remove_prefix(1);
  }
  return S;
}

std::string_view TParserCompiler::TakeType(std::string_view S, int32_t& TypeIndex) {
  TypeIndex = -1;
  for (size_t I = 0; I < P.FTypes.size(); ++I)
    if (S.starts_with(P.FTypes[I].Name)) {
      TypeIndex = static_cast<int32_t>(I);
      return TrimView(S.substr(P.FTypes[I].Name.size()));
    }
  return S;
}

int32_t TParserCompiler::MatchName(std::string_view S, size_t Pos) {
  for (int32_t I : P.FByFirstChar[static_cast<unsigned char>(S[Pos])]) {
    const std::string& N = P.FFunctions[I].Name;
    if (S.compare(Pos, N.size(), N) == 0)
      return I;
  }
  return -1;
}

void TParserCompiler::CompilePiece(std::string_view S, TLocalTerm& Term) {
  TChecker C;
  // Tokens: a name (or none for the first) and the literal text after it.
  struct TToken {
    int32_t Name;
    size_t Start, End;
  };
  std::vector<TToken> Tokens;
  bool Quote = false;
  TToken Cur{-1, 0, 0};
  for (size_t I = 0; I < S.size();) {
    if (S[I] == '\'') {
      Quote = !Quote;
      ++I;
      continue;
    }
    int32_t M = Quote ? -1 : MatchName(S, I);
    if (M < 0) {
      ++I;
      continue;
    }
    Cur.End = I;
    Tokens.push_back(Cur);
    I += P.FFunctions[M].Name.size();
    Cur = TToken{M, I, 0};
  }
  Cur.End = S.size();
  Tokens.push_back(Cur);

  for (const TToken& T : Tokens) {
    std::string_view Rest = S.substr(T.Start, T.End - T.Start);
    if (T.Name >= 0 && P.FFunctions[T.Name].Op == ofBraces) {
      // A reference made by the compiler: "{n}" to a group or "{#n}" to a list.
      TPOp Op;
      Op.Kind = TPOp::kGroup;
      if (!Rest.empty() && Rest.front() == '#') {
        Op.Kind = TPOp::kList;
        Rest.remove_prefix(1);
      }
      size_t Close = Rest.find('}');
      int32_t N = -1;
      if (Close == std::string_view::npos ||
          std::from_chars(Rest.data(), Rest.data() + Close, N).ptr != Rest.data() + Close ||
          N < 0 || N >= static_cast<int32_t>(D.Subs.size()) ||
          D.Subs[N].IsList != (Op.Kind == TPOp::kList))
        ParseError("Invalid script");
      Op.Ref = N;
      Check(C, Op);
      Term.Ops.push_back(Op);
      Rest.remove_prefix(Close + 1);
    } else if (T.Name >= 0) {
      const TFunction& F = P.FFunctions[T.Name];
      TPOp Op;
      Op.Kind = TPOp::kFunction;
      Op.Req1 = F.RequireValue1;
      Op.Req2 = F.RequireValue2;
      Op.Optimizable = F.Optimizable;
      Op.ParamCount = F.ParameterCount;
      Op.Op = F.Op;
      Op.Ident = T.Name;
      Op.VarSlot = F.VariableSlot;
      Check(C, Op);
      Term.Ops.push_back(Op);
    }
    Rest = TrimView(Rest);
    if (Rest.empty())
      continue;
    TPOp Op;
    if (ParseNumber(Rest, Op.Num)) {
      Op.Kind = TPOp::kNumber;
    } else if (IsQuoted(Rest)) {
      Op.Kind = TPOp::kString;
      Op.Ref = static_cast<int32_t>(D.Strings.size());
      D.Strings.emplace_back(Rest.substr(1, Rest.size() - 2));
    } else {
      ParseError(Format("Unknown identifier: \"%s\"", {std::string(Rest)}));
    }
    Check(C, Op);
    Term.Ops.push_back(Op);
  }
  CheckEnd(C);
}

int32_t TParserCompiler::CompileExpression(std::string Text, int Depth) {
  std::string_view Trimmed = TrimView(Text);
  if (Trimmed.empty())
    ParseError("Expression contains no data");
  Text = ReplaceGroups(std::string(Trimmed), Depth);
  std::vector<TLocalTerm> Terms;
  for (std::string_view Piece : Cut(Text, false)) {
    TLocalTerm Term;
    std::string_view S = TakeSign(Piece, Term.Negative, false);
    S = TakeType(S, Term.TypeIndex);
    if (S.empty())
      ParseError("Function or expression expected");
    CompilePiece(S, Term);
    Terms.push_back(std::move(Term));
  }
  TPSub Sub;
  Sub.First = static_cast<uint32_t>(D.Terms.size());
  Sub.Count = static_cast<uint32_t>(Terms.size());
  for (TLocalTerm& T : Terms) {
    TPTerm PT;
    PT.First = static_cast<uint32_t>(D.Ops.size());
    PT.Count = static_cast<uint32_t>(T.Ops.size());
    PT.Negative = T.Negative;
    PT.TypeIndex = T.TypeIndex;
    D.Ops.insert(D.Ops.end(), T.Ops.begin(), T.Ops.end());
    D.Terms.push_back(PT);
  }
  D.Subs.push_back(Sub);
  return static_cast<int32_t>(D.Subs.size()) - 1;
}

int32_t TParserCompiler::CompileList(std::string Text, int Depth) {
  Text = ReplaceGroups(std::move(Text), Depth);
  std::vector<TPParam> Params;
  for (std::string_view Piece : Cut(Text, true)) {
    TPParam Prm;
    std::string_view S = TakeSign(Piece, Prm.Negative, true);
    S = TakeType(S, Prm.TypeIndex);
    S = TrimView(S);
    if (S.empty())
      ParseError("Function or expression expected");
    if (ParseNumber(S, Prm.Value)) {
      Prm.Kind = TPParam::kNumber;
    } else if (IsQuoted(S)) {
      Prm.Kind = TPParam::kString;
      Prm.Ref = static_cast<int32_t>(D.Strings.size());
      D.Strings.emplace_back(S.substr(1, S.size() - 2));
    } else {
      Prm.Kind = TPParam::kSub;
      Prm.Ref = CompileExpression(std::string(S), Depth + 1);
    }
    Params.push_back(Prm);
  }
  TPSub Sub;
  Sub.IsList = true;
  Sub.First = static_cast<uint32_t>(D.Params.size());
  Sub.Count = static_cast<uint32_t>(Params.size());
  D.Params.insert(D.Params.end(), Params.begin(), Params.end());
  D.Subs.push_back(Sub);
  return static_cast<int32_t>(D.Subs.size()) - 1;
}

// ---------------------------------------------------------------------------------------------
// Built-in operations

namespace {

double NaNResult(bool NaNResults) {
  if (!NaNResults)
    throw EGException("Invalid floating point operation");
  return CNaN;
}

// round() of the integer operations: half to even, and only for values that fit 64 bits.
bool RoundInt(double X, int64_t& R) {
  const double V = std::nearbyint(X);
  if (!(V >= -9223372036854775808.0 && V < 9223372036854775808.0))
    return false;
  R = static_cast<int64_t>(V);
  return true;
}

int32_t ClampInt32(double V) {
  if (!(V > -2147483648.0))
    return std::numeric_limits<int32_t>::min();
  if (V >= 2147483647.0)
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(V);
}

double RandomNormal(double Mean, double StdDev) {
  const double U1 = 1.0 - Random(); // (0, 1]
  const double U2 = Random();
  return Mean + StdDev * std::sqrt(-2.0 * std::log(U1)) * std::cos(2.0 * std::numbers::pi * U2);
}

double Factorial(double B, bool NaNResults) {
  int64_t N;
  if (!RoundInt(B, N))
    return NaNResult(NaNResults);
  if (N < -32768 || N > 32767 || N > 20) // 21! does not fit 64 bits
    throw EIntOverflow("Integer overflow");
  if (N < 1)
    return 1;
  int64_t R = 1;
  for (int64_t I = 2; I <= N; ++I)
    R *= I;
  return static_cast<double>(R);
}

void Moments(std::span<const TParameter> Ps, double& Mean, double& SumSq) {
  double Sum = 0;
  for (const TParameter& X : Ps)
    Sum += X.Value;
  Mean = Sum / static_cast<double>(Ps.size());
  SumSq = 0;
  for (const TParameter& X : Ps)
    SumSq += (X.Value - Mean) * (X.Value - Mean);
}

} // namespace

double TParser::DefaultFunction(TParserOp Op, double B, double A,
                                std::span<const TParameter> Ps) const {
  const bool NaNs = (FExceptionTypes & (1u << etNaNResults)) != 0;
  constexpr double Pi = std::numbers::pi;
  int64_t IA = 0, IB = 0;
  auto Ints = [&](bool NeedB) { return RoundInt(A, IA) && (!NeedB || RoundInt(B, IB)); };
  auto Need = [&](int32_t Count, int Mode) { CheckParameters(Ps, Count, Mode); };
  switch (Op) {
  case ofMultiply:
    return B * A;
  case ofDivide:
    return B / A;
  case ofNot:
    return Ints(false) ? static_cast<double>(~IA) : NaNResult(NaNs);
  case ofAnd:
    return Ints(true) ? static_cast<double>(IB & IA) : NaNResult(NaNs);
  case ofOr:
    return Ints(true) ? static_cast<double>(IB | IA) : NaNResult(NaNs);
  case ofXor:
    return Ints(true) ? static_cast<double>(IB ^ IA) : NaNResult(NaNs);
  case ofShl:
    return Ints(true)
               ? static_cast<double>(static_cast<int64_t>(static_cast<uint64_t>(IB) << (IA & 63)))
               : NaNResult(NaNs);
  case ofShr:
    return Ints(true)
               ? static_cast<double>(static_cast<int64_t>(static_cast<uint64_t>(IB) >> (IA & 63)))
               : NaNResult(NaNs);
  case ofDiv:
  case ofMod:
    if (!Ints(true) || IA == 0 || (IA == -1 && IB == std::numeric_limits<int64_t>::min()))
      return NaNResult(NaNs);
    return static_cast<double>(Op == ofDiv ? IB / IA : IB % IA);
  case ofPower:
    return A == 2.0 ? B * B : std::pow(B, A);
  case ofFactorial:
    return Factorial(B, NaNs);
  case ofSqrt:
    return B == 0 ? NaNResult(NaNs) : std::pow(A, 1.0 / B);
  case ofLog:
    return std::log(A) / std::log(B);
  case ofInt:
  case ofTrunc:
    return std::trunc(A);
  case ofRound:
    return std::nearbyint(A);
  case ofAbs:
    return std::fabs(A);
  case ofFrac:
    return A - std::trunc(A);
  case ofLn:
    return std::log(A);
  case ofLg:
  case ofLog10:
    return std::log10(A);
  case ofExp:
    return std::exp(A);
  case ofPi:
    return Pi;
  case ofRandom:
    return RoundInt(A, IA) ? static_cast<double>(Random(ClampInt32(static_cast<double>(IA))))
                           : NaNResult(NaNs);
  case ofSin:
    return FastSin(A);
  case ofCos:
    return FastCos(A);
  case ofTan:
    return std::cos(A) == 0 ? NaNResult(NaNs) : std::tan(A);
  case ofCotan:
    return std::sin(A) == 0 ? NaNResult(NaNs) : 1.0 / std::tan(A);
  case ofSec:
    return std::cos(A) == 0 ? NaNResult(NaNs) : 1.0 / std::cos(A);
  case ofCsc:
    return std::sin(A) == 0 ? NaNResult(NaNs) : 1.0 / std::sin(A);
  case ofSinh:
    return std::sinh(A);
  case ofCosh:
    return std::cosh(A);
  case ofTanh:
    return std::tanh(A);
  case ofCotanh:
    return 1.0 / std::tanh(A);
  case ofSech:
    return 1.0 / std::cosh(A);
  case ofCsch:
    return 1.0 / std::sinh(A);
  case ofArcSin:
    return (A < -1 || A > 1) ? NaNResult(NaNs) : std::asin(A);
  case ofArcCos:
    return (A < -1 || A > 1) ? NaNResult(NaNs) : std::acos(A);
  case ofArcTan:
    return std::atan(A);
  case ofArcCotan:
    return std::atan(1.0 / A);
  case ofArcSec:
    return std::acos(1.0 / A);
  case ofArcCsc:
    return std::asin(1.0 / A);
  case ofArcSinh:
    return std::asinh(A);
  case ofArcCosh:
    return A < 1 ? NaNResult(NaNs) : std::acosh(A);
  case ofArcTanh:
    return (A < -1 || A > 1) ? NaNResult(NaNs) : std::atanh(A);
  case ofArcCotanh:
    return std::atanh(1.0 / A);
  case ofArcSech:
    return std::acosh(1.0 / A);
  case ofArcCsch:
    return std::asinh(1.0 / A);
  case ofRadToDeg:
    return A * 180.0 / Pi;
  case ofRadToGrad:
    return A * 200.0 / Pi;
  case ofRadToCycle:
    return A / (2.0 * Pi);
  case ofDegToRad:
    return A * Pi / 180.0;
  case ofDegToGrad:
    return A * 400.0 / 360.0;
  case ofDegToCycle:
    return A / 360.0;
  case ofGradToRad:
    return A * Pi / 200.0;
  case ofGradToDeg:
    return A * 360.0 / 400.0;
  case ofGradToCycle:
    return A / 400.0;
  case ofCycleToRad:
    return A * 2.0 * Pi;
  case ofCycleToDeg:
    return A * 360.0;
  case ofCycleToGrad:
    return A * 400.0;
  case ofLnXP1:
    return std::log1p(A);
  case ofLog2:
    return std::log2(A);
  case ofCeil:
    return std::ceil(A);
  case ofFloor:
    return std::floor(A);
  case ofArcTan2:
    Need(2, 1);
    return std::atan2(Ps[0].Value, Ps[1].Value);
  case ofHypot:
    Need(2, 1);
    return std::hypot(Ps[0].Value, Ps[1].Value);
  case ofIntPower:
    Need(2, 1);
    return std::pow(Ps[0].Value, std::nearbyint(Ps[1].Value));
  case ofPowerList:
    Need(2, 1);
    return std::pow(Ps[0].Value, Ps[1].Value);
  case ofPoly: {
    Need(2, 0);
    double R = 0;
    for (size_t I = Ps.size() - 1; I >= 1; --I)
      R = R * Ps[0].Value + Ps[I].Value;
    return R;
  }
  case ofMin:
    Need(2, 0);
    return Ps[0].Value >= Ps[1].Value ? Ps[1].Value : Ps[0].Value;
  case ofMax:
    Need(2, 0);
    return Ps[0].Value > Ps[1].Value ? Ps[0].Value : Ps[1].Value;
  case ofRandG:
    Need(2, 0);
    return RandomNormal(Ps[0].Value, Ps[1].Value);
  case ofRandomRange: {
    Need(2, 1);
    int64_t From, To;
    if (!RoundInt(Ps[0].Value, From) || !RoundInt(Ps[1].Value, To))
      return NaNResult(NaNs);
    const int32_t F = ClampInt32(static_cast<double>(From)),
                  T = ClampInt32(static_cast<double>(To));
    const int64_t Range = std::abs(static_cast<int64_t>(F) - T);
    return static_cast<double>(std::min(F, T)) +
           Random(static_cast<int32_t>(std::min<int64_t>(Range, 0x7FFFFFFF)));
  }
  case ofMean:
  case ofSum:
  case ofSumInt:
  case ofSumOfSquares:
  case ofMinValue:
  case ofMinIntValue:
  case ofMaxValue:
  case ofMaxIntValue:
  case ofStdDev:
  case ofPopnStdDev:
  case ofVariance:
  case ofPopnVariance:
  case ofTotalVariance:
  case ofNorm:
  case ofRandomFrom: {
    Need(1, 0);
    const double N = static_cast<double>(Ps.size());
    double R = 0, Mean, SumSq;
    switch (Op) {
    case ofMean:
    case ofSum:
      for (const TParameter& X : Ps)
        R += X.Value;
      return Op == ofMean ? R / N : R;
    case ofSumInt:
      for (const TParameter& X : Ps)
        R += std::nearbyint(X.Value);
      return R;
    case ofSumOfSquares:
    case ofNorm:
      for (const TParameter& X : Ps)
        R += X.Value * X.Value;
      return Op == ofNorm ? std::sqrt(R) : R;
    case ofMinValue:
    case ofMinIntValue:
    case ofMaxValue:
    case ofMaxIntValue: {
      const bool Min = Op == ofMinValue || Op == ofMinIntValue;
      R = Ps[0].Value;
      for (const TParameter& X : Ps)
        if (Min ? X.Value < R : X.Value > R)
          R = X.Value;
      return (Op == ofMinIntValue || Op == ofMaxIntValue) ? std::nearbyint(R) : R;
    }
    case ofRandomFrom:
      return Ps[static_cast<size_t>(
                    Random(static_cast<int32_t>(std::min<size_t>(Ps.size(), 0x7FFFFFFF))))]
          .Value;
    default:
      Moments(Ps, Mean, SumSq);
      switch (Op) {
      case ofStdDev:
        return Ps.size() < 2 ? 0 : std::sqrt(SumSq / (N - 1));
      case ofPopnStdDev:
        return std::sqrt(SumSq / N);
      case ofVariance:
        return Ps.size() < 2 ? 0 : SumSq / (N - 1);
      case ofPopnVariance:
        return SumSq / N;
      default:
        return SumSq;
      }
    }
  }
  case ofEnsureRange: {
    Need(3, 1);
    const double Low = std::nearbyint(Ps[1].Value), High = std::nearbyint(Ps[2].Value);
    double V = Ps[0].Value;
    if (V > High)
      V = High;
    if (V < Low)
      V = Low;
    return V;
  }
  case ofCmpGreater:
    Need(4, 1);
    return Ps[0].Value > Ps[1].Value ? Ps[2].Value : Ps[3].Value;
  case ofCmpLess:
    Need(4, 1);
    return Ps[0].Value < Ps[1].Value ? Ps[2].Value : Ps[3].Value;
  case ofNone:
  case ofBraces:
    break;
  }
  throw EGException(Format("Unknown function: %d", {static_cast<int32_t>(Op)}));
}

// ---------------------------------------------------------------------------------------------
// Evaluation

// Calls of functions, shared by the instruction stream and by constant folding. Built-in
// operations are computed at once; every other name goes to the executor hook, its operands
// travelling as parameters (the one before, then the one after) when it has no parameter list.
class TParserEvaluator {
public:
  static double CallHook(const TParser& P, int32_t Ident, int32_t Type,
                         std::span<const TParameter> Ps) {
    if (P.FOnFunction) {
      bool Handled = false;
      double Result = 0;
      P.FOnFunction(Ident, Type, Ps, Handled, Result);
      if (Handled)
        return Result;
    }
    throw EGException(Format("Unknown function: %d", {Ident}));
  }

  static double CallHookOperands(const TParser& P, int32_t Ident, int32_t Type, bool Req1,
                                 bool Req2, double B, double A) {
    TParameter Ops[2];
    size_t N = 0;
    if (Req1)
      Ops[N++].Value = B;
    if (Req2)
      Ops[N++].Value = A;
    return CallHook(P, Ident, Type, std::span<const TParameter>(Ops, N));
  }

  static double Apply(const TParser& P, const TPOp& F, double B, double A,
                      std::span<const TParameter> Ps, int32_t Type) {
    if (F.Op != ofNone)
      return P.DefaultFunction(F.Op, B, A, Ps);
    if ((!F.Req1 && !F.Req2) || !Ps.empty())
      return CallHook(P, F.Ident, Type, Ps);
    return CallHookOperands(P, F.Ident, Type, F.Req1, F.Req2, B, A);
  }

  // Computes the function at Ops[I] and the operand after it (advancing I past both) for
  // the optimiser, which has checked that everything involved is constant. Params holds the
  // values of the script's parameter lists.
  static double Fold(const TParser& P, const TParserScriptData& D, const TParameter* Params,
                     const std::vector<TPOp>& Ops, size_t& I, double B, int32_t Type) {
    const TPOp& F = Ops[I++];
    double A = 0;
    std::span<const TParameter> Ps;
    if (F.ParamCount > 0) {
      if (I < Ops.size() && Ops[I].Kind == TPOp::kList) {
        const TPSub& L = D.Subs[Ops[I].Ref];
        Ps = std::span<const TParameter>(Params + L.First, L.Count);
        ++I;
      }
    } else if (F.Req2) {
      while (I < Ops.size() && Ops[I].Kind == TPOp::kString)
        ++I;
      if (I < Ops.size()) {
        if (Ops[I].Kind == TPOp::kFunction)
          A = Fold(P, D, Params, Ops, I, 0, Type);
        else if (Ops[I++].Kind == TPOp::kNumber)
          A = Ops[I - 1].Num;
      }
    }
    return Apply(P, F, B, A, Ps, Type);
  }

  // Runs the instruction stream with the caller's values of the variables (NVars of them).
  // Full: they cover every variable of the script, so that no variable is asked through the
  // hook. Vals (one slot per internal script) and Buf (room for the parameters of the lists
  // that hold computed values) are on Run's stack unless the script is too large for that, when
  // RunLarge makes them and passes them in.
  template <bool Full>
  static double Run(const TParser& P, const TParserScriptData& D, const double* Vars,
                    uint32_t NVars, double* Vals = nullptr, TParameter* Buf = nullptr);
  template <bool Full>
  [[gnu::noinline]] static double RunLarge(const TParser& P, const TParserScriptData& D,
                                           const double* Vars, uint32_t NVars);
};

namespace {

// The function that runs the one instruction C of a script (see TParserScriptData::Single).
TParserSingleRun SingleFunction(const TPCode& C);

// Builds the instruction stream of a script from its items.
class TCodeGen {
public:
  explicit TCodeGen(TParserScriptData& AData)
      : D(AData) {}

  void Generate() {
    D.Code.clear();
    D.Template.clear();
    D.BufSize = 0;
    const size_t N = D.Subs.size();
    if (N == 0)
      return;
    // A group holding nothing but a variable, or a variable and then a constant term, is
    // computed where it is used.
    InlineVar.assign(N, nullptr);
    InlineType.assign(N, -1);
    InlineMode.assign(N, TPCode::mVarSum);
    InlineImm.assign(N, 0);
    for (size_t K = 0; K + 1 < N; ++K) {
      const TPSub& S = D.Subs[K];
      if (S.IsList || S.Count < 1 || S.Count > 2)
        continue;
      const TPTerm& T = D.Terms[S.First];
      if (T.Negative || T.Count != 1 || !IsVariable(D.Ops[T.First]))
        continue;
      if (S.Count == 2) {
        const TPTerm& C = D.Terms[S.First + 1];
        if (C.Count != 1 || D.Ops[C.First].Kind != TPOp::kNumber)
          continue;
        InlineMode[K] = C.Negative ? TPCode::mVarSub : TPCode::mVarAdd;
        InlineImm[K] = D.Ops[C.First].Num;
      }
      InlineVar[K] = &D.Ops[T.First];
      InlineType[K] = T.TypeIndex;
    }
    D.Template.resize(D.Params.size());
    for (size_t Q = 0; Q < D.Params.size(); ++Q) {
      const TPParam& Prm = D.Params[Q];
      TParameter& T = D.Template[Q];
      T.TypeIndex = Prm.TypeIndex;
      if (Prm.Kind == TPParam::kString)
        T.S = D.Strings[Prm.Ref];
      else if (Prm.Kind == TPParam::kNumber)
        T.Value = Prm.Negative ? -Prm.Value : Prm.Value;
    }
    for (size_t K = 0; K < N; ++K) {
      const TPSub& S = D.Subs[K];
      if (S.IsList) {
        List(S, static_cast<int32_t>(K));
        continue;
      }
      if (InlineVar[K])
        continue;
      const uint8_t End = K + 1 == N ? TPCode::tReturn : TPCode::tStore;
      if (S.Count == 0) {
        TPCode C;
        C.Then = End;
        C.Store = static_cast<int32_t>(K);
        D.Code.push_back(C);
        continue;
      }
      for (uint32_t T = S.First; T < S.First + S.Count; ++T) {
        const size_t Start = D.Code.size();
        Term(D.Terms[T]);
        const TPCode& Load = D.Code.back();
        if (T > S.First && D.Code.size() == Start + 1 && Load.Code == TPCode::cLoad &&
            Load.XMode == TPCode::mConst &&
            !(D.Code[Start - 1].Then & (TPCode::tAddImm | TPCode::tSubImm))) {
          // A constant term (the optimiser puts their sum last) joins the term before.
          const double Imm = Load.X.Imm;
          D.Code.pop_back();
          D.Code.back().Then |= D.Terms[T].Negative ? TPCode::tSubImm : TPCode::tAddImm;
          D.Code.back().ThenImm = Imm;
        } else {
          D.Code.back().Then = D.Terms[T].Negative ? TPCode::tSub : TPCode::tAdd;
        }
        if (T + 1 == S.First + S.Count) {
          D.Code.back().Then |= End;
          D.Code.back().Store = static_cast<int32_t>(K);
        }
      }
    }
    D.VarCount = 0;
    for (TPCode& C : D.Code) {
      for (auto [Mode, Arg] : {std::pair{C.XMode, &C.X}, std::pair{C.AMode, &C.A}})
        if (Mode == TPCode::mVar || Mode == TPCode::mVarSum || Mode == TPCode::mVarAdd ||
            Mode == TPCode::mVarSub)
          D.VarCount = std::max(D.VarCount, static_cast<uint32_t>(Arg->Index) + 1);
      Specialise(C);
    }
    D.FitsStack = D.Subs.size() <= CSmallScript && D.BufSize <= CSmallScript;
    D.Single = nullptr;
    D.AffineSlot = -1;
    if (D.Code.size() == 1) {
      const TPCode& C = D.Code[0];
      constexpr uint8_t CEnd = TPCode::tAdd | TPCode::tReturn;
      if (C.Code >= TPCode::cSpecial && (C.Then & CEnd) == CEnd && !(C.Then & TPCode::tSub) &&
          C.XMode != TPCode::mSlot && C.AMode != TPCode::mSlot) {
        D.Single = SingleFunction(C);
        SetAffine(C);
      }
    }
  }

private:
  // A single instruction that reads a variable, or multiplies one by a constant, before its
  // constant term: the script is evaluated inline by its callers.
  void SetAffine(const TPCode& C) {
    using namespace SpecialCodes;
    if (C.XMode != TPCode::mVar)
      return;
    const int LoadVar = CLoadBase + IndexOf(CLoadModes, TPCode::mVar);
    const int MulVarConst = CMulBase + IndexOf(CXModes, TPCode::mVar) * std::size(CAModes) +
                            IndexOf(CAModes, TPCode::mConst);
    if (C.Code == LoadVar)
      D.Factor = 1;
    else if (C.Code == MulVarConst)
      D.Factor = C.A.Imm;
    else
      return;
    D.AffineSlot = C.X.Index;
    D.Offset = (C.Then & TPCode::tAddImm)   ? C.ThenImm
               : (C.Then & TPCode::tSubImm) ? -C.ThenImm
                                            : 0.0;
  }

  static int IndexOf(std::span<const TPCode::TMode> Modes, TPCode::TMode Mode) {
    for (size_t I = 0; I < Modes.size(); ++I)
      if (Modes[I] == Mode)
        return static_cast<int>(I);
    return -1;
  }

  static void Specialise(TPCode& C) {
    using namespace SpecialCodes;
    if (C.Code == TPCode::cLoad) {
      if (const int X = IndexOf(CLoadModes, C.XMode); X >= 0)
        C.Code = static_cast<TPCode::TCode>(CLoadBase + X);
      return;
    }
    int Base;
    switch (C.Code) {
    case TPCode::cMul:
      Base = CMulBase;
      break;
    case TPCode::cDiv:
      Base = CDivBase;
      break;
    case TPCode::cPow:
      Base = CPowBase;
      break;
    default:
      return;
    }
    const int X = IndexOf(CXModes, C.XMode), A = IndexOf(CAModes, C.AMode);
    if (X >= 0 && A >= 0)
      C.Code = static_cast<TPCode::TCode>(Base + X * static_cast<int>(std::size(CAModes)) + A);
  }

  static bool IsVariable(const TPOp& Op) {
    return Op.Kind == TPOp::kFunction && Op.VarSlot >= 0 && Op.Op == ofNone && !Op.Req1 &&
           !Op.Req2 && Op.ParamCount == 0;
  }

  // The operand of a group reference: its slot, or the variable it holds.
  void GroupArg(int32_t Ref, TPCode::TMode& Mode, TPCode::TArg& Arg) {
    if (const TPOp* V = InlineVar[Ref]) {
      Mode = InlineMode[Ref];
      Arg.Imm = InlineImm[Ref];
      Arg.Index = V->VarSlot;
      Arg.Ident = V->Ident;
      Arg.Type = InlineType[Ref];
    } else {
      Mode = TPCode::mSlot;
      Arg.Index = Ref;
    }
  }

  void List(const TPSub& S, int32_t K) {
    bool Dynamic = false;
    for (uint32_t Q = S.First; Q < S.First + S.Count; ++Q)
      Dynamic |= D.Params[Q].Kind == TPParam::kSub;
    D.Subs[K].Dynamic = Dynamic;
    if (!Dynamic)
      return;
    D.BufSize = static_cast<uint32_t>(D.Params.size());
    TPCode Fill;
    Fill.Code = TPCode::cFill;
    Fill.List = K;
    D.Code.push_back(Fill);
    for (uint32_t Q = S.First; Q < S.First + S.Count; ++Q) {
      const TPParam& Prm = D.Params[Q];
      if (Prm.Kind != TPParam::kSub)
        continue;
      TPCode C;
      C.Code = TPCode::cSetParam;
      C.Store = static_cast<int32_t>(Q);
      C.Negate = Prm.Negative;
      C.Type = Prm.TypeIndex;
      GroupArg(Prm.Ref, C.AMode, C.A);
      D.Code.push_back(C);
    }
  }

  // A term: the running value starts at 0; numbers and groups set it, functions replace it by
  // their result.
  void Term(const TPTerm& T) {
    TermStart = D.Code.size();
    Type = T.TypeIndex;
    uint32_t I = T.First;
    const uint32_t End = T.First + T.Count;
    uint32_t First = I;
    while (First < End && D.Ops[First].Kind == TPOp::kString)
      ++First;
    if (First == End || D.Ops[First].Kind == TPOp::kList ||
        (D.Ops[First].Kind == TPOp::kFunction && D.Ops[First].Req1))
      Load(TPCode::mConst, TPCode::TArg{});
    while (I < End) {
      const TPOp& Op = D.Ops[I];
      switch (Op.Kind) {
      case TPOp::kNumber: {
        TPCode::TArg Arg;
        Arg.Imm = Op.Num;
        Load(TPCode::mConst, Arg);
        ++I;
        break;
      }
      case TPOp::kGroup: {
        TPCode::TMode Mode;
        TPCode::TArg Arg;
        GroupArg(Op.Ref, Mode, Arg);
        Load(Mode, Arg);
        ++I;
        break;
      }
      case TPOp::kString:
      case TPOp::kList:
        ++I;
        break;
      case TPOp::kFunction:
        Call(I, End, true);
        break;
      }
    }
  }

  void Load(TPCode::TMode Mode, const TPCode::TArg& Arg) {
    TPCode C;
    C.Code = TPCode::cLoad;
    C.XMode = Mode;
    C.X = Arg;
    C.Type = Type;
    D.Code.push_back(C);
  }

  // Whether the last instruction only loads a value that the next one may fetch itself.
  bool PendingLoad() const {
    return D.Code.size() > TermStart && D.Code.back().Code == TPCode::cLoad &&
           D.Code.back().Then == 0;
  }

  // The function at Ops[I] and its operand after it; its result is left in V. In a term the
  // operand before is the running value; as the operand of another function it is 0.
  void Call(uint32_t& I, uint32_t End, bool InTerm) {
    const TPOp& F = D.Ops[I++];
    TPCode C;
    C.Op = F.Op;
    C.Ident = F.Ident;
    C.Type = Type;
    C.Req1 = F.Req1;
    C.Req2 = F.Req2;
    C.XMode = F.Req1 && InTerm ? TPCode::mAcc : TPCode::mConst;
    if (F.ParamCount > 0) {
      if (I < End && D.Ops[I].Kind == TPOp::kList)
        C.List = D.Ops[I++].Ref;
    } else if (F.Req2) {
      while (I < End && D.Ops[I].Kind == TPOp::kString)
        ++I;
      if (I < End) {
        const TPOp& Op = D.Ops[I];
        if (Op.Kind == TPOp::kNumber) {
          C.A.Imm = Op.Num;
          ++I;
        } else if (Op.Kind == TPOp::kGroup) {
          GroupArg(Op.Ref, C.AMode, C.A);
          ++I;
        } else if (IsVariable(Op)) {
          C.AMode = TPCode::mVar;
          C.A.Index = Op.VarSlot;
          C.A.Ident = Op.Ident;
          C.A.Type = Type;
          ++I;
        } else if (Op.Kind == TPOp::kFunction) {
          if (C.XMode == TPCode::mAcc) {
            // Keep the running value while the operand after is computed.
            TPCode Save;
            Save.Code = TPCode::cSave;
            Save.XMode = TPCode::mAcc;
            Save.Type = Type;
            if (PendingLoad()) {
              Save.XMode = D.Code.back().XMode;
              Save.X = D.Code.back().X;
              D.Code.pop_back();
            }
            D.Code.push_back(Save);
            C.XMode = TPCode::mSaved;
          }
          Call(I, End, false);
          C.AMode = TPCode::mAcc;
        } else {
          ++I;
        }
      }
    }
    if (F.Op != ofNone) {
      if (F.ParamCount > 0) {
        C.Code = TPCode::cBuiltinList;
      } else {
        switch (F.Op) {
        case ofMultiply:
          C.Code = TPCode::cMul;
          break;
        case ofDivide:
          C.Code = TPCode::cDiv;
          break;
        case ofPower:
          C.Code = TPCode::cPow;
          break;
        case ofSin:
          C.Code = TPCode::cSin;
          break;
        case ofCos:
          C.Code = TPCode::cCos;
          break;
        default:
          C.Code = TPCode::cBuiltin;
          break;
        }
      }
    } else if (IsVariable(F)) {
      C.Code = TPCode::cLoad;
      C.XMode = TPCode::mVar;
      C.X.Index = F.VarSlot;
      C.X.Ident = F.Ident;
      C.X.Type = Type;
    } else if ((!F.Req1 && !F.Req2) || (C.List >= 0 && D.Subs[C.List].Count > 0)) {
      C.Code = TPCode::cHook;
    } else {
      C.Code = TPCode::cHookOps;
    }
    // The value just loaded becomes the operand fetched directly.
    if (C.Code != TPCode::cLoad && PendingLoad()) {
      if (C.XMode == TPCode::mAcc) {
        C.XMode = D.Code.back().XMode;
        C.X = D.Code.back().X;
        D.Code.pop_back();
      } else if (C.AMode == TPCode::mAcc) {
        C.AMode = D.Code.back().XMode;
        C.A = D.Code.back().X;
        D.Code.pop_back();
      }
    }
    D.Code.push_back(C);
  }

  TParserScriptData& D;
  std::vector<const TPOp*> InlineVar;
  std::vector<int32_t> InlineType;
  std::vector<TPCode::TMode> InlineMode;
  std::vector<double> InlineImm;
  size_t TermStart = 0;
  int32_t Type = -1;
};

} // namespace

namespace {

// What the instructions read besides their own operands.
struct TRunContext {
  const TParser& P;
  const double* Vals;
  const double* Vars;
  uint32_t NVars;
};

// The parameters of the list with that number (none for -1): computed ones from Buf, the
// others straight from the script's template.
std::span<const TParameter> ListParameters(const TParserScriptData& D, const TParameter* Buf,
                                           int32_t List) {
  if (List < 0)
    return {};
  const TPSub& L = D.Subs[List];
  return std::span<const TParameter>((L.Dynamic ? Buf : D.Template.data()) + L.First, L.Count);
}

// A variable the caller gave no value for: asked through the hook.
[[gnu::noinline, gnu::cold]] double HookVariable(const TRunContext& Ctx, const TPCode::TArg& Arg) {
  return TParserEvaluator::CallHook(Ctx.P, Arg.Ident, Arg.Type, {});
}

template <bool Full>
[[gnu::always_inline]] inline double Fetch(const TRunContext& Ctx, TPCode::TMode Mode,
                                           const TPCode::TArg& Arg, double V, double B) {
  if constexpr (Full) {
    // No call on this path, so that the running value can stay in a register.
    if (Mode == TPCode::mVar)
      return Ctx.Vars[Arg.Index];
    if (Mode == TPCode::mVarSum)
      return 0.0 + Ctx.Vars[Arg.Index];
    if (Mode == TPCode::mVarAdd)
      return (0.0 + Ctx.Vars[Arg.Index]) + Arg.Imm;
    if (Mode == TPCode::mVarSub)
      return (0.0 + Ctx.Vars[Arg.Index]) - Arg.Imm;
  }
  switch (Mode) {
  case TPCode::mConst:
    return Arg.Imm;
  case TPCode::mSlot:
    return Ctx.Vals[Arg.Index];
  case TPCode::mVar:
    return static_cast<uint32_t>(Arg.Index) < Ctx.NVars ? Ctx.Vars[Arg.Index]
                                                        : HookVariable(Ctx, Arg);
  case TPCode::mVarSum:
  case TPCode::mVarAdd:
  case TPCode::mVarSub: {
    const double S = 0.0 + (static_cast<uint32_t>(Arg.Index) < Ctx.NVars ? Ctx.Vars[Arg.Index]
                                                                         : HookVariable(Ctx, Arg));
    return Mode == TPCode::mVarSum ? S : Mode == TPCode::mVarAdd ? S + Arg.Imm : S - Arg.Imm;
  }
  case TPCode::mAcc:
    return V;
  case TPCode::mSaved:
    return B;
  }
  return 0;
}

template <bool Full, TPCode::TMode XM, TPCode::TMode AM>
[[gnu::always_inline]] inline void Binary(const TRunContext& Ctx, const TPCode& C, double& V,
                                          double B, int Op) {
  const double X = Fetch<Full>(Ctx, XM, C.X, V, B);
  const double A = Fetch<Full>(Ctx, AM, C.A, V, B);
  switch (Op) {
  case 0:
    V = X * A;
    break;
  case 1:
    V = X / A;
    break;
  default:
    V = A == 2.0 ? X * X : std::pow(X, A);
    break;
  }
}

// The blocks of the specialised instructions, each ending with the jump to what follows V, for
// the evaluator's threaded code with C, V, B, Ctx and Full in scope.
#define G_LOAD(C, I)                                                                               \
  LLoad##I : V = Fetch<Full>(Ctx, SpecialCodes::CLoadModes[I], (C).X, V, B);                       \
  G_NEXT_THEN;
#define G_BIN(C, I, J)                                                                             \
  LMul##I##_##J                                                                                    \
      : Binary<Full, SpecialCodes::CXModes[I], SpecialCodes::CAModes[J]>(Ctx, C, V, B, 0);         \
  G_NEXT_THEN;                                                                                     \
  LDiv##I##_##J                                                                                    \
      : Binary<Full, SpecialCodes::CXModes[I], SpecialCodes::CAModes[J]>(Ctx, C, V, B, 1);         \
  G_NEXT_THEN;                                                                                     \
  LPow##I##_##J                                                                                    \
      : Binary<Full, SpecialCodes::CXModes[I], SpecialCodes::CAModes[J]>(Ctx, C, V, B, 2);         \
  G_NEXT_THEN;
// clang-format off
#define G_BIN_ROW(C, I)                                                                            \
  G_BIN(C, I, 0) G_BIN(C, I, 1) G_BIN(C, I, 2) G_BIN(C, I, 3) G_BIN(C, I, 4) G_BIN(C, I, 5)        \
  G_BIN(C, I, 6)
#define G_SPECIAL_CASES(C)                                                                         \
  G_LOAD(C, 0) G_LOAD(C, 1) G_LOAD(C, 2) G_LOAD(C, 3) G_LOAD(C, 4) G_LOAD(C, 5)                    \
  G_BIN_ROW(C, 0) G_BIN_ROW(C, 1) G_BIN_ROW(C, 2) G_BIN_ROW(C, 3) G_BIN_ROW(C, 4) G_BIN_ROW(C, 5)
// The addresses of the specialised instructions' code, in the order of their codes.
#define G_OP_ROW(Op, I)                                                                            \
  &&L##Op##I##_0, &&L##Op##I##_1, &&L##Op##I##_2, &&L##Op##I##_3, &&L##Op##I##_4, &&L##Op##I##_5,  \
  &&L##Op##I##_6
#define G_OP_LABELS(Op)                                                                            \
  G_OP_ROW(Op, 0), G_OP_ROW(Op, 1), G_OP_ROW(Op, 2), G_OP_ROW(Op, 3), G_OP_ROW(Op, 4),             \
  G_OP_ROW(Op, 5)
#define G_SPECIAL_LABELS                                                                           \
  &&LLoad0, &&LLoad1, &&LLoad2, &&LLoad3, &&LLoad4, &&LLoad5, G_OP_LABELS(Mul), G_OP_LABELS(Div),  \
  G_OP_LABELS(Pow)
// clang-format on
static_assert(std::size(SpecialCodes::CLoadModes) == 6 && std::size(SpecialCodes::CXModes) == 6 &&
              std::size(SpecialCodes::CAModes) == 7);

// The end of an instruction: R := R ± V ± ThenImm, then store R in a group's slot (and start the
// next sum) or leave it as the result (true).
template <uint8_t T>
[[gnu::always_inline]] inline bool ApplyThen(const TPCode& C, double V, double& R, double* Vals) {
  double S = R;
  if constexpr ((T & TPCode::tAdd) != 0)
    S += V;
  else if constexpr ((T & TPCode::tSub) != 0)
    S -= V;
  if constexpr ((T & TPCode::tAddImm) != 0)
    S += C.ThenImm;
  else if constexpr ((T & TPCode::tSubImm) != 0)
    S -= C.ThenImm;
  if constexpr ((T & TPCode::tStore) != 0) {
    Vals[C.Store] = S;
    S = 0;
  }
  R = S;
  return (T & TPCode::tReturn) != 0;
}

// A script of one specialised instruction (its code and whether a constant is added to or
// subtracted from its value) whose variables all come from the caller.
template <int Code, int Imm>
double RunSingle(const TParser& P, const TParserScriptHead& Script, const double* Vars) {
  using namespace SpecialCodes;
  const TPCode& C = DataOf(Script).Code[0];
  const TRunContext Ctx{P, nullptr, Vars, UINT32_MAX};
  double V = 0;
  if constexpr (Code < CMulBase) {
    V = Fetch<true>(Ctx, CLoadModes[Code - CLoadBase], C.X, V, 0);
  } else {
    constexpr int K = (Code - CMulBase) % CBinaryCount;
    constexpr int NA = std::size(CAModes);
    Binary<true, CXModes[K / NA], CAModes[K % NA]>(Ctx, C, V, 0, (Code - CMulBase) / CBinaryCount);
  }
  double S = 0.0 + V; // the sum of the terms starts from +0
  if constexpr (Imm == 1)
    S += C.ThenImm;
  else if constexpr (Imm == 2)
    S -= C.ThenImm;
  return S;
}

template <size_t... I>
constexpr auto MakeSingleTable(std::index_sequence<I...>) {
  return std::array<TParserSingleRun, sizeof...(I)>{
      {&RunSingle<SpecialCodes::CLoadBase + static_cast<int>(I / 3), static_cast<int>(I % 3)>...}};
}

TParserSingleRun SingleFunction(const TPCode& C) {
  static constexpr auto CTable = MakeSingleTable(
      std::make_index_sequence<(SpecialCodes::CEnd - SpecialCodes::CLoadBase) * 3>());
  const int Imm = (C.Then & TPCode::tAddImm) ? 1 : (C.Then & TPCode::tSubImm) ? 2 : 0;
  return CTable[(C.Code - SpecialCodes::CLoadBase) * 3 + Imm];
}

} // namespace

template <bool Full>
double TParserEvaluator::Run(const TParser& P, const TParserScriptData& D, const double* Vars,
                             uint32_t NVars, double* Vals, TParameter* Buf) {
  // Left uninitialised: every slot is written before it is read.
  double SmallVals[CSmallScript];
  alignas(TParameter) unsigned char SmallBuf[CSmallScript * sizeof(TParameter)];
  if (!Vals) {
    if (!D.FitsStack) [[unlikely]]
      return RunLarge<Full>(P, D, Vars, NVars);
    Vals = SmallVals;
    Buf = reinterpret_cast<TParameter*>(SmallBuf);
  }
  const TRunContext Ctx{P, Vals, Vars, NVars};
  const TParameter* Template = D.Template.data();
  double V = 0, B = 0, R = 0;
  // Threaded code: every instruction ends with its own jump to what follows, so that each jump
  // is predicted from the instruction it leaves rather than all from one place.
  static const void* const CCodes[] = {&&LcLoad,        &&LcSave,        &&LcMul,     &&LcDiv,
                                       &&LcPow,         &&LcSin,         &&LcCos,     &&LcBuiltin,
                                       &&LcBuiltinList, &&LcHook,        &&LcHookOps, &&LcFill,
                                       &&LcSetParam,    G_SPECIAL_LABELS};
  static_assert(std::size(CCodes) == SpecialCodes::CEnd);
  // What follows V by the flags of TPCode::Then; TCodeGen makes no other combination.
  static const void* const CThens[] = {
#define G_T(T) &&LThen##T
      G_T(0),  G_T(1),  G_T(2),  &&LBad,  G_T(4),  G_T(5),  G_T(6),  &&LBad,  G_T(8),  G_T(9),
      G_T(10), &&LBad,  &&LBad,  &&LBad,  &&LBad,  &&LBad,  G_T(16), G_T(17), G_T(18), &&LBad,
      G_T(20), G_T(21), G_T(22), &&LBad,  G_T(24), G_T(25), G_T(26), &&LBad,  &&LBad,  &&LBad,
      &&LBad,  &&LBad,  G_T(32), G_T(33), G_T(34), &&LBad,  G_T(36), G_T(37), G_T(38), &&LBad,
      G_T(40), G_T(41), G_T(42), &&LBad,  &&LBad,  &&LBad,  &&LBad,  &&LBad};
#undef G_T
  static_assert(std::size(CThens) == TPCode::tReturn * 2 - 16);
  const TPCode* C = D.Code.data();
#define G_NEXT_CODE goto* CCodes[C->Code]
#define G_NEXT_THEN goto* CThens[C->Then]
#define G_X Fetch<Full>(Ctx, C->XMode, C->X, V, B)
#define G_A Fetch<Full>(Ctx, C->AMode, C->A, V, B)
  G_NEXT_CODE;
LcLoad:
  V = G_X;
  G_NEXT_THEN;
LcSave:
  // The operand after never reads V: forgetting it keeps V out of memory across calls.
  B = G_X;
  V = 0;
  ++C;
  G_NEXT_CODE;
LcMul : {
  const double X = G_X;
  V = X * G_A;
  G_NEXT_THEN;
}
LcDiv : {
  const double X = G_X;
  V = X / G_A;
  G_NEXT_THEN;
}
LcPow : {
  const double X = G_X;
  const double A = G_A;
  V = A == 2.0 ? X * X : std::pow(X, A);
  G_NEXT_THEN;
}
LcSin:
  V = FastSin(G_A);
  G_NEXT_THEN;
LcCos:
  V = FastCos(G_A);
  G_NEXT_THEN;
LcBuiltin : {
  const double X = G_X;
  V = P.DefaultFunction(C->Op, X, G_A, {});
  G_NEXT_THEN;
}
LcBuiltinList:
  V = P.DefaultFunction(C->Op, G_X, 0, ListParameters(D, Buf, C->List));
  G_NEXT_THEN;
LcHook:
  V = CallHook(P, C->Ident, C->Type, ListParameters(D, Buf, C->List));
  G_NEXT_THEN;
LcHookOps : {
  const double X = G_X;
  V = CallHookOperands(P, C->Ident, C->Type, C->Req1, C->Req2, X, G_A);
  G_NEXT_THEN;
}
LcFill : {
  const TPSub& L = D.Subs[C->List];
  std::uninitialized_copy_n(Template + L.First, L.Count, Buf + L.First);
  V = 0; // lists come between terms, where V is dead
  ++C;
  G_NEXT_CODE;
}
LcSetParam : {
  const double A = G_A;
  Buf[C->Store].Value = C->Negate ? -A : A;
  V = 0;
  ++C;
  G_NEXT_CODE;
}
  // The specialised instructions: one block per operation and operand modes.
  G_SPECIAL_CASES(*C)
#undef G_X
#undef G_A
  // What follows: one straight block per combination of the flags.
LThen0:
  ++C;
  G_NEXT_CODE;
#define G_THEN(T)                                                                                  \
  LThen##T : if (ApplyThen<T>(*C, V, R, Vals)) return R;                                           \
  ++C;                                                                                             \
  G_NEXT_CODE;
  G_THEN(1)
  G_THEN(2)
  G_THEN(4)
  G_THEN(5)
  G_THEN(6)
  G_THEN(8)
  G_THEN(9)
  G_THEN(10)
  G_THEN(16)
  G_THEN(17)
  G_THEN(18)
  G_THEN(20)
  G_THEN(21)
  G_THEN(22)
  G_THEN(24)
  G_THEN(25)
  G_THEN(26)
  G_THEN(32)
  G_THEN(33)
  G_THEN(34)
  G_THEN(36)
  G_THEN(37)
  G_THEN(38)
  G_THEN(40)
  G_THEN(41)
  G_THEN(42)
#undef G_THEN
#undef G_NEXT_CODE
#undef G_NEXT_THEN
LBad:
  __builtin_unreachable();
}

// The evaluator's entry, where every multi-instruction script runs: kept hot and on a cache
// line of its own, so that its speed does not follow where the linker happens to put it.
[[gnu::hot, gnu::aligned(64)]] double
TParser::ExecuteStream(const TParserScriptHead* Script, std::span<const double> Variables) const {
  if (!Script || DataOf(*Script).Code.empty())
    throw EGException("Invalid script");
  const TParserScriptData& D = DataOf(*Script);
  const auto NVars = static_cast<uint32_t>(std::min<size_t>(Variables.size(), UINT32_MAX));
  return D.VarCount <= NVars ? TParserEvaluator::Run<true>(*this, D, Variables.data(), NVars)
                             : TParserEvaluator::Run<false>(*this, D, Variables.data(), NVars);
}

template <bool Full>
double TParserEvaluator::RunLarge(const TParser& P, const TParserScriptData& D, const double* Vars,
                                  uint32_t NVars) {
  auto Vals = std::make_unique_for_overwrite<double[]>(D.Subs.size());
  auto Buf = std::make_unique_for_overwrite<TParameter[]>(std::max<size_t>(D.BufSize, 1));
  return Run<Full>(P, D, Vars, NVars, Vals.get(), Buf.get());
}

// ---------------------------------------------------------------------------------------------
// Optimisation

namespace {

// Folds the constants of a compiled script: whatever does not depend on a variable or on the
// executor hook is computed once, here, with the evaluator's own functions, so that it gives
// the very value evaluation would. Bracket groups and parameter lists whose value is known
// become numbers where they are used, runs of operations within a term become one number, and
// the terms that are numbers become one constant term. Internal scripts that nothing reads any
// more are dropped. Works on the items; the caller makes the instruction stream of the result.
class TScriptOptimizer {
public:
  TScriptOptimizer(const TParser& AParser, const TParserScriptData& ASource)
      : P(AParser)
      , Src(ASource)
      , Folded(ASource.Subs.size())
      , ListValues(ASource.Params.size()) {}

  std::shared_ptr<TParserScriptData> Optimize() {
    // Inner groups and lists come first, so each one is folded before the ones that use it.
    for (size_t K = 0; K < Src.Subs.size(); ++K) {
      const TPSub& S = Src.Subs[K];
      Folded[K].IsList = S.IsList;
      if (S.IsList)
        FoldList(S, Folded[K]);
      else
        FoldExpression(S, Folded[K]);
    }
    return Rebuild(LiveSubs());
  }

private:
  // What folding left of one internal script, in the source's numbering.
  struct TFoldedSub {
    bool IsList = false;
    bool Constant = false; // its value is known: ConstValue
    double ConstValue = 0;
    std::vector<TPParam> Params;            // a list's parameters
    std::vector<TPTerm> Terms;              // an expression's terms
    std::vector<std::vector<TPOp>> TermOps; // the operations of each term
  };

  static TPOp NumberOp(double Value) {
    TPOp Op;
    Op.Kind = TPOp::kNumber;
    Op.Num = Value;
    return Op;
  }

  // A list: parameters that are groups of known value become numbers. The values of all its
  // parameters are noted for folding the function that takes the list, which only happens
  // when every one of them is known.
  void FoldList(const TPSub& S, TFoldedSub& Out) {
    bool AllConstant = true;
    for (uint32_t Q = S.First; Q < S.First + S.Count; ++Q) {
      TPParam Prm = Src.Params[Q];
      if (Prm.Kind == TPParam::kSub && Folded[Prm.Ref].Constant) {
        Prm.Kind = TPParam::kNumber;
        Prm.Value = Folded[Prm.Ref].ConstValue;
        Prm.Ref = -1;
      }
      if (Prm.Kind == TPParam::kSub)
        AllConstant = false;
      TParameter& Value = ListValues[Q];
      Value.TypeIndex = Prm.TypeIndex;
      Value.Value = Prm.Negative ? -Prm.Value : Prm.Value;
      if (Prm.Kind == TPParam::kString)
        Value.S = Src.Strings[Prm.Ref];
      Out.Params.push_back(Prm);
    }
    Out.Constant = AllConstant;
  }

  // An expression: each term is folded on its own. The terms that came out as one number are
  // summed, in their order and with their signs, into one constant term put last, where the
  // code generator joins it to the instruction before. An expression of nothing but such terms
  // is constant.
  void FoldExpression(const TPSub& S, TFoldedSub& Out) {
    bool HaveConstant = false;
    double ConstantSum = 0;
    for (uint32_t T = S.First; T < S.First + S.Count; ++T) {
      const TPTerm& Term = Src.Terms[T];
      std::vector<TPOp> Ops = FoldTerm(Term);
      if (Ops.size() == 1 && Ops[0].Kind == TPOp::kNumber) {
        ConstantSum = Term.Negative ? ConstantSum - Ops[0].Num : ConstantSum + Ops[0].Num;
        HaveConstant = true;
      } else {
        Out.Terms.push_back(Term);
        Out.TermOps.push_back(std::move(Ops));
      }
    }
    if (Out.Terms.empty()) {
      Out.Constant = true;
      Out.ConstValue = ConstantSum;
    }
    if (HaveConstant) {
      Out.Terms.push_back(TPTerm{});
      Out.TermOps.push_back({NumberOp(ConstantSum)});
    }
  }

  // One term, from left to right. The term's running value is followed while it is known;
  // it is written out as a number where an operation that stays needs it.
  std::vector<TPOp> FoldTerm(const TPTerm& Term) const {
    const std::vector<TPOp> Ops = WithConstantGroups(Term);
    std::vector<TPOp> Result;
    bool Known = false;
    double Value = 0;
    auto WriteValue = [&] {
      if (Known) {
        Result.push_back(NumberOp(Value));
        Known = false;
      }
    };
    size_t I = 0;
    while (I < Ops.size()) {
      const TPOp& Op = Ops[I];
      size_t Next;
      if (Op.Kind == TPOp::kNumber) {
        // A number starts a new running value; the one before stays as it was written.
        WriteValue();
        Known = true;
        Value = Op.Num;
        ++I;
      } else if (Op.Kind == TPOp::kFunction && Computable(Ops, I, Known, Next)) {
        Value = FoldCall(Ops, I, Known ? Value : 0, Term.TypeIndex);
        Known = true;
        I = Next;
      } else {
        WriteValue();
        Result.push_back(Op);
        ++I;
        if (Op.Kind == TPOp::kFunction)
          KeepOperandAfter(Op, Ops, I, Term.TypeIndex, Result);
      }
    }
    WriteValue();
    return Result;
  }

  // The operations of a term, each group whose value is known replaced by that number.
  std::vector<TPOp> WithConstantGroups(const TPTerm& Term) const {
    std::vector<TPOp> Ops(Src.Ops.begin() + Term.First, Src.Ops.begin() + Term.First + Term.Count);
    for (TPOp& Op : Ops)
      if (Op.Kind == TPOp::kGroup && Folded[Op.Ref].Constant) {
        Op.Kind = TPOp::kNumber;
        Op.Num = Folded[Op.Ref].ConstValue;
        Op.Ref = -1;
      }
    return Ops;
  }

  // After a function F that stays, at Ops[I]: its operand after is what F fetches at run time,
  // so it is kept with F (a constant one folded to a number) and never starts a running value.
  void KeepOperandAfter(const TPOp& F, const std::vector<TPOp>& Ops, size_t& I, int32_t Type,
                        std::vector<TPOp>& Result) const {
    if (F.ParamCount > 0) {
      if (I < Ops.size() && Ops[I].Kind == TPOp::kList)
        Result.push_back(Ops[I++]);
      return;
    }
    if (!F.Req2)
      return;
    while (I < Ops.size() && Ops[I].Kind == TPOp::kString)
      Result.push_back(Ops[I++]);
    if (I >= Ops.size())
      return;
    size_t Next;
    if (Ops[I].Kind == TPOp::kNumber) {
      Result.push_back(Ops[I++]);
    } else if (Ops[I].Kind == TPOp::kFunction && Computable(Ops, I, false, Next)) {
      Result.push_back(NumberOp(FoldCall(Ops, I, 0, Type)));
      I = Next;
    }
    // Anything else (a group, a variable, a call that stays) is taken by FoldTerm as it comes.
  }

  // Whether the function at Ops[I] and its operands can be computed now, and where they end
  // (Next). HasValue: a known running value comes before it. Only a function that the registry
  // allows to be folded qualifies, and only when it takes an operand before exactly when there
  // is a known one: a function that needs the running value cannot use an unknown one, and a
  // known value followed by a function that takes none is left as it was written.
  bool Computable(const std::vector<TPOp>& Ops, size_t I, bool HasValue, size_t& Next) const {
    const TPOp& F = Ops[I];
    if (!F.Optimizable || F.Req1 != HasValue)
      return false;
    Next = I + 1;
    if (F.ParamCount > 0) {
      if (Next >= Ops.size() || Ops[Next].Kind != TPOp::kList || !Folded[Ops[Next].Ref].Constant)
        return false;
      ++Next;
      return true;
    }
    if (F.Req2)
      return ConstantOperand(Ops, Next, Next);
    return true;
  }

  // Whether the operand at Ops[I] is known now: a number, a group of known value, or a call
  // that is computable on its own; Next: where it ends.
  bool ConstantOperand(const std::vector<TPOp>& Ops, size_t I, size_t& Next) const {
    if (I >= Ops.size())
      return false;
    const TPOp& Op = Ops[I];
    if (Op.Kind == TPOp::kNumber || (Op.Kind == TPOp::kGroup && Folded[Op.Ref].Constant)) {
      Next = I + 1;
      return true;
    }
    if (Op.Kind == TPOp::kFunction)
      return Computable(Ops, I, false, Next);
    return false;
  }

  // The value of the computable function at Ops[I] with Before as its operand before.
  double FoldCall(const std::vector<TPOp>& Ops, size_t I, double Before, int32_t Type) const {
    return TParserEvaluator::Fold(P, Src, ListValues.data(), Ops, I, Before, Type);
  }

  // The internal scripts that the expression (the last one) still reads, directly or through
  // others. Each is read only by ones after it, so one pass from the end finds them all.
  std::vector<bool> LiveSubs() const {
    const size_t N = Folded.size();
    std::vector<bool> Live(N, false);
    Live[N - 1] = true;
    for (size_t K = N; K-- > 0;) {
      if (!Live[K])
        continue;
      for (const std::vector<TPOp>& Ops : Folded[K].TermOps)
        for (const TPOp& Op : Ops)
          if (Op.Kind == TPOp::kGroup || Op.Kind == TPOp::kList)
            Live[Op.Ref] = true;
      for (const TPParam& Prm : Folded[K].Params)
        if (Prm.Kind == TPParam::kSub)
          Live[Prm.Ref] = true;
    }
    return Live;
  }

  // The optimised script: the live internal scripts in their order, renumbered, with their
  // items laid out one after another as the compiler lays them out.
  std::shared_ptr<TParserScriptData> Rebuild(const std::vector<bool>& Live) const {
    auto Out = std::make_shared<TParserScriptData>();
    Out->Strings = Src.Strings;
    std::vector<int32_t> NewIndex(Folded.size(), -1);
    for (size_t K = 0; K < Folded.size(); ++K) {
      if (!Live[K])
        continue;
      NewIndex[K] = static_cast<int32_t>(Out->Subs.size());
      const TFoldedSub& F = Folded[K];
      TPSub Sub;
      Sub.IsList = F.IsList;
      if (F.IsList)
        AppendParams(F, NewIndex, *Out, Sub);
      else
        AppendTerms(F, NewIndex, *Out, Sub);
      Out->Subs.push_back(Sub);
    }
    return Out;
  }

  static void AppendParams(const TFoldedSub& F, const std::vector<int32_t>& NewIndex,
                           TParserScriptData& Out, TPSub& Sub) {
    Sub.First = static_cast<uint32_t>(Out.Params.size());
    Sub.Count = static_cast<uint32_t>(F.Params.size());
    for (TPParam Prm : F.Params) {
      if (Prm.Kind == TPParam::kSub)
        Prm.Ref = NewIndex[Prm.Ref];
      Out.Params.push_back(Prm);
    }
  }

  static void AppendTerms(const TFoldedSub& F, const std::vector<int32_t>& NewIndex,
                          TParserScriptData& Out, TPSub& Sub) {
    Sub.First = static_cast<uint32_t>(Out.Terms.size());
    Sub.Count = static_cast<uint32_t>(F.Terms.size());
    for (size_t T = 0; T < F.Terms.size(); ++T) {
      TPTerm Term = F.Terms[T];
      Term.First = static_cast<uint32_t>(Out.Ops.size());
      Term.Count = static_cast<uint32_t>(F.TermOps[T].size());
      for (TPOp Op : F.TermOps[T]) {
        if (Op.Kind == TPOp::kGroup || Op.Kind == TPOp::kList)
          Op.Ref = NewIndex[Op.Ref];
        Out.Ops.push_back(Op);
      }
      Out.Terms.push_back(Term);
    }
  }

  const TParser& P;
  const TParserScriptData& Src;
  std::vector<TFoldedSub> Folded;
  // The values of the lists' parameters, in the source's numbering, for folding list functions.
  std::vector<TParameter> ListValues;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// TParser

TParser::TParser() {
  RegisterFunction(FBracesIndex, "{", false, false, false, 0, ofBraces);
  RegisterFunction(FMultiplyIndex, "*", true, true, true, 0, ofMultiply);
  RegisterFunction(FDivideIndex, "/", true, true, true, 0, ofDivide);
  RegisterFunction(FNotIndex, "not", false, true, true, 0, ofNot);
  RegisterFunction(FAndIndex, "and", true, true, true, 0, ofAnd);
  RegisterFunction(FOrIndex, "or", true, true, true, 0, ofOr);
  RegisterFunction(FXorIndex, "xor", true, true, true, 0, ofXor);
  RegisterFunction(FShlIndex, "shl", true, true, true, 0, ofShl);
  RegisterFunction(FShrIndex, "shr", true, true, true, 0, ofShr);
  RegisterType(FShortintIndex, "shortint");
  RegisterType(FByteIndex, "byte");
  RegisterType(FSmallintIndex, "smallint");
  RegisterType(FWordIndex, "word");
  RegisterType(FIntegerIndex, "integer");
  RegisterType(FLongwordIndex, "longword");
  RegisterType(FInt64Index, "int64");
  RegisterType(FSingleIndex, "single");
  RegisterType(FDoubleIndex, "double");
}

void TParser::StringToScript(std::string_view Text, TParserScript& Script) {
  std::lock_guard Lock(FLock);
  SortData();
  std::string Lowered = LowerCase(TrimView(Text));
  if (Lowered.empty())
    ParseError("Expression contains no data");
  // "{", "}" and "#" are the compiler's own reference marks.
  bool Quote = false;
  for (char C : Lowered) {
    if (C == '\'')
      Quote = !Quote;
    else if (!Quote && (C == '{' || C == '}' || C == '#'))
      ParseError(Format("Unknown identifier: \"%s\"", {std::string(1, C)}));
  }
  auto Data = std::make_shared<TParserScriptData>();
  TParserCompiler(*this, *Data).CompileExpression(std::move(Lowered), 0);
  TCodeGen(*Data).Generate();
  Script = std::move(Data);
}

void TParser::OptimizeScript(TParserScript& Script) {
  if (!Script)
    return;
  std::lock_guard Lock(FLock);
  std::shared_ptr<TParserScriptData> Out = TScriptOptimizer(*this, DataOf(*Script)).Optimize();
  TCodeGen(*Out).Generate();
  Script = std::move(Out);
}

TParserScript TParser::Compile(std::string_view Text) {
  TParserScript Script;
  StringToScript(Text, Script);
  OptimizeScript(Script);
  return Script;
}

// ---------------------------------------------------------------------------------------------
// TMathParser

namespace {

struct TTableEntry {
  const char* Name;
  bool Req1, Req2, Optimizable;
  int32_t ParameterCount;
  TParserOp Op;
};

// The mathematical table, in registration order. Random values are never folded at compile time.
const TTableEntry CMathTable[] = {
    {"div", true, true, true, 0, ofDiv},
    {"mod", true, true, true, 0, ofMod},
    {"^", true, true, true, 0, ofPower},
    {"!", true, false, true, 0, ofFactorial},
    {"sqrt", true, true, true, 0, ofSqrt},
    {"log", true, true, true, 0, ofLog},
    {"int", false, true, true, 0, ofInt},
    {"round", false, true, true, 0, ofRound},
    {"trunc", false, true, true, 0, ofTrunc},
    {"abs", false, true, true, 0, ofAbs},
    {"frac", false, true, true, 0, ofFrac},
    {"ln", false, true, true, 0, ofLn},
    {"lg", false, true, true, 0, ofLg},
    {"exp", false, true, true, 0, ofExp},
    {"pi", false, false, true, 0, ofPi},
    {"random", false, true, false, 0, ofRandom},
    {"sin", false, true, true, 0, ofSin},
    {"cos", false, true, true, 0, ofCos},
    {"tan", false, true, true, 0, ofTan},
    {"cotan", false, true, true, 0, ofCotan},
    {"sec", false, true, true, 0, ofSec},
    {"csc", false, true, true, 0, ofCsc},
    {"sinh", false, true, true, 0, ofSinh},
    {"cosh", false, true, true, 0, ofCosh},
    {"tanh", false, true, true, 0, ofTanh},
    {"cotanh", false, true, true, 0, ofCotanh},
    {"sech", false, true, true, 0, ofSech},
    {"csch", false, true, true, 0, ofCsch},
    {"arcsin", false, true, true, 0, ofArcSin},
    {"arccos", false, true, true, 0, ofArcCos},
    {"arctan", false, true, true, 0, ofArcTan},
    {"arccotan", false, true, true, 0, ofArcCotan},
    {"arcsec", false, true, true, 0, ofArcSec},
    {"arccsc", false, true, true, 0, ofArcCsc},
    {"arcsinh", false, true, true, 0, ofArcSinh},
    {"arccosh", false, true, true, 0, ofArcCosh},
    {"arctanh", false, true, true, 0, ofArcTanh},
    {"arccotanh", false, true, true, 0, ofArcCotanh},
    {"arcsech", false, true, true, 0, ofArcSech},
    {"arccsch", false, true, true, 0, ofArcCsch},
    {"radtodeg", false, true, true, 0, ofRadToDeg},
    {"radtograd", false, true, true, 0, ofRadToGrad},
    {"radtocycle", false, true, true, 0, ofRadToCycle},
    {"degtorad", false, true, true, 0, ofDegToRad},
    {"degtograd", false, true, true, 0, ofDegToGrad},
    {"degtocycle", false, true, true, 0, ofDegToCycle},
    {"gradtorad", false, true, true, 0, ofGradToRad},
    {"gradtodeg", false, true, true, 0, ofGradToDeg},
    {"gradtocycle", false, true, true, 0, ofGradToCycle},
    {"cycletorad", false, true, true, 0, ofCycleToRad},
    {"cycletodeg", false, true, true, 0, ofCycleToDeg},
    {"cycletograd", false, true, true, 0, ofCycleToGrad},
    {"lnxp1", false, true, true, 0, ofLnXP1},
    {"log10", false, true, true, 0, ofLog10},
    {"log2", false, true, true, 0, ofLog2},
    {"ceil", false, true, true, 0, ofCeil},
    {"floor", false, true, true, 0, ofFloor},
    {"arctan2", false, false, true, 2, ofArcTan2},
    {"hypot", false, false, true, 2, ofHypot},
    {"intpower", false, false, true, 2, ofIntPower},
    {"power", false, false, true, 2, ofPowerList},
    {"poly", false, false, true, 2, ofPoly},
    {"min", false, false, true, 2, ofMin},
    {"max", false, false, true, 2, ofMax},
    {"randg", false, false, false, 2, ofRandG},
    {"randomrange", false, false, false, 2, ofRandomRange},
    {"mean", false, false, true, 1, ofMean},
    {"sum", false, false, true, 1, ofSum},
    {"sumint", false, false, true, 1, ofSumInt},
    {"sumofsquares", false, false, true, 1, ofSumOfSquares},
    {"minvalue", false, false, true, 1, ofMinValue},
    {"minintvalue", false, false, true, 1, ofMinIntValue},
    {"maxvalue", false, false, true, 1, ofMaxValue},
    {"maxintvalue", false, false, true, 1, ofMaxIntValue},
    {"stddev", false, false, true, 1, ofStdDev},
    {"popnstddev", false, false, true, 1, ofPopnStdDev},
    {"variance", false, false, true, 1, ofVariance},
    {"popnvariance", false, false, true, 1, ofPopnVariance},
    {"totalvariance", false, false, true, 1, ofTotalVariance},
    {"norm", false, false, true, 1, ofNorm},
    {"randomfrom", false, false, false, 1, ofRandomFrom},
    {"ensurerange", false, false, true, 3, ofEnsureRange},
    {"cmpgreater", false, false, true, 4, ofCmpGreater},
    {"cmpless", false, false, true, 4, ofCmpLess},
};

} // namespace

TMathParser::TMathParser() {
  static_assert(std::size(CMathTable) <= sizeof(FTableIndex) / sizeof(FTableIndex[0]));
  size_t K = 0;
  for (const TTableEntry& E : CMathTable) {
    int32_t* Slot = &FTableIndex[K++];
    switch (E.Op) {
    case ofDiv:
      Slot = &FDivIndex;
      break;
    case ofMod:
      Slot = &FModIndex;
      break;
    case ofPower:
      Slot = &FPowerIndex;
      break;
    case ofFactorial:
      Slot = &FFactorialIndex;
      break;
    case ofSqrt:
      Slot = &FSqrtIndex;
      break;
    case ofLog:
      Slot = &FLogIndex;
      break;
    case ofCos:
      Slot = &FCosIndex;
      break;
    case ofPi:
      Slot = &FPiIndex;
      break;
    case ofRandom:
      Slot = &FRandomIndex;
      break;
    case ofRandG:
      Slot = &FRandGIndex;
      break;
    default:
      break;
    }
    RegisterFunction(*Slot, E.Name, E.Req1, E.Req2, E.Optimizable, E.ParameterCount, E.Op);
  }
}
