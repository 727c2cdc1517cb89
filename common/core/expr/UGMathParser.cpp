#include "expr/UGMathParser.h"

#include "object/UGClassBuilder.h"

#include <atomic>

G_IMPLEMENT_CLASS(TGMathParser)
G_IMPLEMENT_CLASS(TGMathScript)

TGMathParser* MathParser = nullptr;

namespace {

// MathParser as seen by other threads: scripts evaluate on every frame, so the common case
// reads it without taking the creation lock.
std::atomic<TGMathParser*> GMathParser{nullptr};

} // namespace

TGMathParser& GetMathParser() {
  if (TGMathParser* P = GMathParser.load(std::memory_order_acquire); P && P == MathParser)
    return *P;
  static std::mutex Lock;
  static TGObjectPtr<TGMathParser> Own;
  std::lock_guard Guard(Lock);
  if (!MathParser)
    Own.reset(new TGMathParser());
  GMathParser.store(MathParser, std::memory_order_release);
  return *MathParser;
}

TGMathParser::TGMathParser(TGObject* AOwner)
    : TGObject(AOwner)
    , FParser(std::make_unique<TMathParser>()) {
  // The executor's own RandG replaces the parser's.
  FParser->UnregisterFunction(FParser->RandGIndex());
  // The parameterless names are variables: an executor may hand their values over as an array.
  FParser->RegisterVariable(FFuncTime, "T", mvTime);
  FParser->RegisterVariable(FFuncX, "X", mvX);
  FParser->RegisterVariable(FFuncY, "Y", mvY);
  FParser->RegisterVariable(FFuncMotionAngle, "MotionAngle", mvMotionAngle);
  FParser->RegisterVariable(FFuncP0, "P0", mvP0);
  FParser->RegisterVariable(FFuncP1, "P1", mvP1);
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
  TGMathParser* Self = this;
  GMathParser.compare_exchange_strong(Self, nullptr);
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
  FExecutorIntf = ExecutorInterface(Executor);
  // The script runs as the parser's current one without taking a counted reference per call.
  return FParser->ExecuteScript(Script, FExecutorIntf ? FExecutorIntf->MathVariables()
                                                      : std::span<const double>());
}

IGMathScriptExecutor* TGMathParser::ExecutorInterface(TGObject* Executor) {
  if (!Executor)
    return nullptr;
  // A cross cast costs more than most evaluations; the interface sits at the same offset in
  // every object of one class.
  const std::type_info& Class = typeid(*Executor);
  if (&Class != FInterfaceClass) {
    auto* Intf = dynamic_cast<IGMathScriptExecutor*>(Executor);
    FInterfaceClass = &Class;
    FInterfaceOffset =
        Intf ? reinterpret_cast<char*>(Intf) - reinterpret_cast<char*>(Executor) : CNoInterface;
  }
  if (FInterfaceOffset == CNoInterface)
    return nullptr;
  return reinterpret_cast<IGMathScriptExecutor*>(reinterpret_cast<char*>(Executor) +
                                                 FInterfaceOffset);
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
