// Math scripts: small arithmetic expressions carried by animations and scripted particle
// emitters, compiled once by the process's one expression parser and evaluated many times. The
// free names of an expression ("T", "Env", "X", "RandG", ...) are answered by the script's owner,
// its executor.
#pragma once

#include "expr/UParser.h"
#include "object/UGObject.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <typeinfo>

// The bridge's names that take no parameters, in the order of their values in
// IGMathScriptExecutor::MathVariables.
enum TGMathVariable { mvTime, mvX, mvY, mvMotionAngle, mvP0, mvP1, mvCount };

// An object that answers the bridge's names while one of its scripts is evaluated (animations,
// scripted particle emitters). Returns false for identifiers it does not know.
class IGMathScriptExecutor {
public:
  virtual ~IGMathScriptExecutor() = default;
  virtual bool MathFunction(int32_t Identifier, std::span<const TParameter> Parameters,
                            double& Result) = 0;
  // Optionally, the current values of the parameterless names, indexed by TGMathVariable and
  // read directly during an evaluation (no call per use). Names past the end of the span are
  // asked through MathFunction; an empty span (the default) asks for every name.
  virtual std::span<const double> MathVariables() { return {}; }
};

class TGMathScript;

class TGMathParser : public TGObject {
  G_CLASS(TGMathParser, TGObject)
public:
  explicit TGMathParser(TGObject* AOwner = nullptr);

  TMathParser& Parser() { return *FParser; }

  // Compiles and optimises Text (serialised with evaluations on other threads).
  TParserScript CompileScript(std::string_view Text);
  // Evaluates Script with Executor answering the bridge's names.
  double Evaluate(const TParserScript& Script, TGObject* Executor);

  TGObject* Executor() const { return FExecutor; }

  int32_t FuncTime() const { return FFuncTime; }
  int32_t FuncX() const { return FFuncX; }
  int32_t FuncY() const { return FFuncY; }
  int32_t FuncEnv() const { return FFuncEnv; }
  int32_t FuncP0() const { return FFuncP0; }
  int32_t FuncP1() const { return FFuncP1; }
  int32_t FuncRandU() const { return FFuncRandU; }
  int32_t FuncRandG() const { return FFuncRandG; }
  int32_t FuncMotionAngle() const { return FFuncMotionAngle; }

protected:
  void Destroy() override;
  void OnFunction(int32_t Identifier, int32_t TypeIndex, std::span<const TParameter> Parameters,
                  bool& Handled, double& Result);

private:
  std::unique_ptr<TMathParser> FParser;
  std::recursive_mutex FLock; // loader threads compile while the main thread evaluates
  int32_t FFuncTime = -1, FFuncX = -1, FFuncY = -1, FFuncEnv = -1, FFuncP0 = -1, FFuncP1 = -1,
          FFuncRandU = -1, FFuncRandG = -1, FFuncMotionAngle = -1;
  TGObject* FExecutor = nullptr;
  IGMathScriptExecutor* FExecutorIntf = nullptr;
  // The executor interface of the last executor's class, found once per class: its offset from
  // the TGObject, or CNoInterface.
  IGMathScriptExecutor* ExecutorInterface(TGObject* Executor);
  static constexpr std::ptrdiff_t CNoInterface = PTRDIFF_MIN;
  const std::type_info* FInterfaceClass = nullptr;
  std::ptrdiff_t FInterfaceOffset = CNoInterface;
};

// The process's parser; set by the first TGMathParser created.
extern TGMathParser* MathParser;
// The process's parser, created on first use when start-up has not made one.
TGMathParser& GetMathParser();

class TGMathScript : public TGObject {
  G_CLASS(TGMathScript, TGObject)
public:
  explicit TGMathScript(TGObject* AOwner = nullptr);

  const std::string& AsString() const { return FAsString; }
  // Compiles Text; raises EParseError (the previous script stays) when it does not compile.
  void SetAsString(const std::string& Text);
  const TParserScript& Script() const { return FScript; }

  // The value with the owner as executor; 0 when nothing is compiled.
  float Evaluate();

private:
  std::string FAsString;
  TParserScript FScript;
};
