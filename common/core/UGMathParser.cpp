#include "UGMathParser.h"

#include "UGClassBuilder.h"

G_IMPLEMENT_CLASS(TGMathParser)
G_IMPLEMENT_CLASS(TGMathScript)

TGMathParser* MathParser = nullptr;

TGMathParser& GetMathParser() {
  static std::mutex Lock;
  static TGObjectPtr<TGMathParser> Own;
  std::lock_guard Guard(Lock);
  if (!MathParser)
    Own.reset(new TGMathParser());
  return *MathParser;
}

TGMathParser::TGMathParser(TGObject* AOwner)
    : TGObject(AOwner)
    , FParser(std::make_unique<TMathParser>()) {
  // The executor's own RandG replaces the parser's.
  FParser->UnregisterFunction(FParser->RandGIndex());
  FParser->RegisterFunction(FFuncTime, "T", false, false, false, 0);
  FParser->RegisterFunction(FFuncX, "X", false, false, false, 0);
  FParser->RegisterFunction(FFuncY, "Y", false, false, false, 0);
  FParser->RegisterFunction(FFuncMotionAngle, "MotionAngle", false, false, false, 0);
  FParser->RegisterFunction(FFuncP0, "P0", false, false, false, 0);
  FParser->RegisterFunction(FFuncP1, "P1", false, false, false, 0);
  FParser->RegisterFunction(FFuncEnv, "Env", false, false, false, 3);
  FParser->RegisterFunction(FFuncRandU, "RandU", false, false, false, 2);
  FParser->RegisterFunction(FFuncRandG, "RandG", false, false, false, 2);
  FParser->SetOnFunction(
      [this](int32_t Identifier, int32_t TypeIndex, std::span<const TParameter> Parameters,
             bool& Handled,
             double& Result) { OnFunction(Identifier, TypeIndex, Parameters, Handled, Result); });
  if (!MathParser)
    MathParser = this;
}

void TGMathParser::Destroy() {
  if (MathParser == this)
    MathParser = nullptr;
  inherited::Destroy();
}

void TGMathParser::OnFunction(int32_t Identifier, int32_t TypeIndex,
                              std::span<const TParameter> Parameters, bool& Handled,
                              double& Result) {
  (void)TypeIndex;
  if (!FExecutorIntf)
    throw Error("Unexpected script executor");
  Handled = FExecutorIntf->MathFunction(Identifier, Parameters, Result);
}

TParserScript TGMathParser::CompileScript(std::string_view Text) {
  std::lock_guard Guard(FLock);
  return FParser->Compile(Text);
}

double TGMathParser::Evaluate(const TParserScript& Script, TGObject* Executor) {
  std::lock_guard Guard(FLock);
  // Restored afterwards: an executor may evaluate another script while answering.
  struct TRestore {
    TGMathParser* P;
    TGObject* E;
    IGMathScriptExecutor* I;
    ~TRestore() {
      P->FExecutor = E;
      P->FExecutorIntf = I;
    }
  } Restore{this, FExecutor, FExecutorIntf};
  FExecutor = Executor;
  FExecutorIntf = dynamic_cast<IGMathScriptExecutor*>(Executor);
  // The script runs as the parser's current one without taking a counted reference per call.
  return FParser->ExecuteScript(Script);
}

TGMathScript::TGMathScript(TGObject* AOwner)
    : TGObject(AOwner) {}

void TGMathScript::SetAsString(const std::string& Text) {
  if (Text == FAsString && FScript)
    return;
  TGMathParser& P = GetMathParser();
  FScript = P.CompileScript(Text.empty() ? std::string_view("0") : std::string_view(Text));
  FAsString = Text;
}

float TGMathScript::Evaluate() {
  if (!FScript)
    return 0;
  return static_cast<float>(GetMathParser().Evaluate(FScript, Owner()));
}
