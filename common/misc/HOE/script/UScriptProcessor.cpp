#include "script/UScriptProcessor.h"

#include "app/UGApplication.h"
#include "base/UGDebug.h"
#include "base/UGRandom.h"
#include "base/UGThread.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "script/UDynProperties.h"
#include "script/UObjectWrapper.h"
#include "script/UScriptObjects.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <thread>

TScriptProcessor* ScriptProcessor = nullptr;

G_IMPLEMENT_CLASS(TScriptProcessorCommand)
G_IMPLEMENT_CLASS(TAddCodeCommand)
G_IMPLEMENT_CLASS(TAddObjectCommand)
G_IMPLEMENT_CLASS(TEvalCommand)
G_IMPLEMENT_CLASS(TScriptProcessor)

namespace {

TScriptProcessor::TErrorReporter& Reporter() {
  static TScriptProcessor::TErrorReporter R =
      [](const std::string& Caption, const std::string& Text) { ODS(Caption + "\r\n" + Text); };
  return R;
}

// Wakes threads that wait for a handed-over command.
std::condition_variable& HandOver() {
  static std::condition_variable CV;
  return CV;
}

std::string QuoteLiteral(const std::string& S) {
  std::string Out = "\"";
  for (char C : S) {
    switch (C) {
    case '"':
      Out += "\\\"";
      break;
    case '\\':
      Out += "\\\\";
      break;
    case '\n':
      Out += "\\n";
      break;
    case '\r':
      Out += "\\r";
      break;
    case '\t':
      Out += "\\t";
      break;
    default:
      if (static_cast<unsigned char>(C) < 0x20) {
        Out += Format("\\u%.4x", {static_cast<unsigned>(C)});
      } else {
        Out += C;
      }
    }
  }
  return Out + "\"";
}

std::string Literal(TScriptHost& Host, const TScriptValue& V, int Depth) {
  switch (V.Kind()) {
  case TScriptValueKind::Number:
  case TScriptValueKind::Boolean:
    return Host.ToText(V);
  case TScriptValueKind::String:
    return QuoteLiteral(V.AsString());
  case TScriptValueKind::ScriptObject:
    if (Depth < 32 && Host.HasLength(V)) {
      std::string Out = "[";
      int N = Host.Length(V);
      for (int I = 0; I < N; ++I) {
        Out += (I ? "," : "") + Literal(Host, Host.Element(V, I), Depth + 1);
      }
      return Out + "]";
    }
    return "null";
  default:
    return "null";
  }
}

} // namespace

// --- Commands ------------------------------------------------------------------------------------

TGVariant TAddCodeCommand::Execute() {
  ScriptProcessor->DoAddCode(FCode);
  return TGVariant(int32_t{0});
}

TGVariant TAddObjectCommand::Execute() {
  ScriptProcessor->DoAddObject(FName, FObject);
  return TGVariant(int32_t{0});
}

TGVariant TEvalCommand::Execute() {
  return ScriptProcessor->DoEval(FExpression);
}

// --- Script arrays held by the engine ------------------------------------------------------------

std::string TScriptArrayValue::ToText() const {
  if (!ScriptProcessor) {
    return {};
  }
  TScriptHost& Host = ScriptProcessor->ScriptControl();
  if (!Host.HasLength(FValue)) {
    return Host.ToText(FValue);
  }
  std::string Out;
  int N = Host.Length(FValue);
  for (int I = 0; I < N; ++I) {
    Out += (I ? "," : "") + Literal(Host, Host.Element(FValue, I), 1);
  }
  return Out;
}

int TJSArrayWrapper::GetLength() const {
  auto* Array = dynamic_cast<TScriptArrayValue*>(FObject.Dispatch().get());
  if (!Array || !ScriptProcessor) {
    return 0;
  }
  return ScriptProcessor->ScriptControl().Length(Array->Value());
}

TGVariant TJSArrayWrapper::Item(int Index) const {
  auto* Array = dynamic_cast<TScriptArrayValue*>(FObject.Dispatch().get());
  if (!Array || !ScriptProcessor) {
    return TGVariant();
  }
  return ScriptProcessor->ToVariant(
      ScriptProcessor->ScriptControl().Element(Array->Value(), Index));
}

// --- The processor -------------------------------------------------------------------------------

TScriptProcessor::TScriptProcessor(TGObject* AOwner)
    : TGObject(AOwner) {
  if (!ScriptProcessor) {
    ScriptProcessor = this;
  }
}

void TScriptProcessor::AfterConstruction() {
  FMainThreadID = GetCurrentThreadID();
  FScriptControl = std::make_unique<TScriptHost>();
  FScriptControl->SetRandomSource([] { return Random(); });
  FScriptObjects = std::make_unique<TScriptObjects>(this);
  FWrappers = new TGCollection(this);
  FPendingCommandResultObtained = true;
  Clear();
  // Calls handed over by other threads are served every turn of the message loop, also while
  // the main thread waits in a modal window or makes no script calls of its own.
  if (Application) {
    FLoopHook = Application->AddLoopHook([this] { ProcessPendingCommand(); });
  }
}

void TScriptProcessor::Destroy() {
  if (Application && FLoopHook) {
    Application->RemoveLoopHook(FLoopHook);
  }
  ForgetWrappers(FWrappers);
  FreeAndNil(FWrappers);
  FScriptObjects.reset();
  FScriptControl.reset();
  if (ScriptProcessor == this) {
    ScriptProcessor = nullptr;
  }
  inherited::Destroy();
}

void TScriptProcessor::SetErrorReporter(TErrorReporter R) {
  Reporter() = std::move(R);
}

bool TScriptProcessor::IsMainThread() const {
  return GetCurrentThreadID() == FMainThreadID;
}

TGameObject* TScriptProcessor::GetUndefinedObject() const {
  return FScriptObjects->UndefinedGameObject();
}

void TScriptProcessor::ForgetWrappers(TGCollection* List) {
  if (!List || !FScriptControl) {
    return;
  }
  for (TGObject* W : *List) {
    FScriptControl->ForgetObject(static_cast<TObjectWrapper*>(W)->Dispatch());
  }
}

void TScriptProcessor::Clear() {
  if (!IsMainThread()) {
    throw Error();
  }
  FScriptControl->Reset();
  FScriptObjects->Clear();
  FWrappers->Clear();
  FScriptControl->AddObject("O", FScriptObjects.get());
}

void TScriptProcessor::AddCode(const std::string& Code) {
  SafeAddCode(Code);
}

TObjectWrapper* TScriptProcessor::AddObject(const std::string& Name, TGObject* Obj, bool Global,
                                            TDynProperties* APropList) {
  TObjectWrapper* W = nullptr;
  if (!Global) {
    W = FScriptObjects->Add(Name, Obj);
  } else {
    // Only named wrappers are shared: an anonymous one always stands for its own object.
    if (!Name.empty()) {
      for (TGObject* Item : *FWrappers) {
        if (static_cast<TObjectWrapper*>(Item)->Name() == Name) {
          W = static_cast<TObjectWrapper*>(Item);
          break;
        }
      }
    }
    if (W) {
      W->SetRefObject(Obj);
    } else {
      W = new TObjectWrapper(FWrappers, this, Name);
      FWrappers->Add(W);
      W->SetRefObject(Obj);
      if (!Name.empty()) {
        SafeAddObject(Name, W);
      }
    }
  }
  W->SetMetaPropList(APropList);
  return W;
}

void TScriptProcessor::Eval(const std::string& Expression, TGVariant& Result) {
  Result = TGVariant();
  if (Expression.empty()) {
    return;
  }
  Result = SafeEval(Expression);
}

TObjectWrapper*
TScriptProcessor::FirstWrapper(const std::function<bool(TObjectWrapper*)>& Matches) const {
  // The global and anonymous wrappers first, then the entries of "O".
  for (TGObject* Item : *FWrappers) {
    if (Matches(static_cast<TObjectWrapper*>(Item))) {
      return static_cast<TObjectWrapper*>(Item);
    }
  }
  for (const TGFastStringList::TItem& Item : FScriptObjects->Wrappers()) {
    if (Matches(static_cast<TObjectWrapper*>(Item.Object))) {
      return static_cast<TObjectWrapper*>(Item.Object);
    }
  }
  return nullptr;
}

TObjectWrapper* TScriptProcessor::FindWrapper(TGObject* Obj) {
  if (TObjectWrapper* W =
          FirstWrapper([Obj](TObjectWrapper* W) { return W->RefObject() == Obj; })) {
    return W;
  }
  return AddObject("", Obj, true, nullptr);
}

TObjectWrapper* TScriptProcessor::GetWrapper(const TScriptValue& Value) const {
  IScriptDispatch* D = Value.AsObject();
  if (!D) {
    return nullptr;
  }
  return FirstWrapper([D](TObjectWrapper* W) { return W->Dispatch() == D; });
}

TGVariant TScriptProcessor::ToVariant(const TScriptValue& Value) const {
  switch (Value.Kind()) {
  case TScriptValueKind::Undefined:
    return TGVariant();
  case TScriptValueKind::Null:
    return TGVariant::Null();
  case TScriptValueKind::Boolean:
    return TGVariant(Value.AsBoolean());
  case TScriptValueKind::Number: {
    // Whole numbers that fit 32 bits are integers (type code 3), everything else doubles (5).
    double D = Value.AsNumber();
    if (D == std::trunc(D) && D >= std::numeric_limits<int32_t>::min() &&
        D <= std::numeric_limits<int32_t>::max() && !(D == 0 && std::signbit(D))) {
      return TGVariant(static_cast<int32_t>(D));
    }
    return TGVariant(D);
  }
  case TScriptValueKind::String:
    return TGVariant(Value.AsString());
  case TScriptValueKind::HostObject: {
    TObjectWrapper* W = GetWrapper(Value);
    return TGVariant(W ? W->RefObject() : static_cast<TGObject*>(nullptr));
  }
  case TScriptValueKind::ScriptObject:
    return TGVariant(std::shared_ptr<IGDispatchValue>(std::make_shared<TScriptArrayValue>(Value)));
  }
  return TGVariant();
}

TScriptValue TScriptProcessor::ToScriptValue(const TGVariant& Value) {
  switch (Value.VType()) {
  case varEmpty:
    return TScriptValue::Undefined();
  case varNull:
    return TScriptValue::Null();
  case varBoolean:
    return TScriptValue::Boolean(Value.ToBoolean());
  case varGObject: {
    TGObject* Obj = Value.ToObject();
    return Obj ? TScriptValue::Object(FindWrapper(Obj)->Dispatch()) : TScriptValue::Null();
  }
  case varDispatch:
    if (auto* Array = dynamic_cast<TScriptArrayValue*>(Value.Dispatch().get())) {
      return Array->Value();
    }
    return TScriptValue::String(Value.ToString());
  default:
    break;
  }
  if (Value.IsNumeric()) {
    return TScriptValue::Number(Value.ToDouble());
  }
  return TScriptValue::String(Value.ToString());
}

// --- Calls into the engine -----------------------------------------------------------------------

void TScriptProcessor::DoAddCode(const std::string& Code) {
  try {
    FScriptControl->AddCode(Code);
  } catch (const EScriptError& E) {
    throw Error("%s (line %d)", E.what(), E.Line());
  }
}

void TScriptProcessor::DoAddObject(const std::string& Name, TObjectWrapper* Wrapper) {
  FScriptControl->AddObject(Name, Wrapper->Dispatch());
}

TGVariant TScriptProcessor::DoEval(const std::string& Expression) {
  std::string ClassName;
  std::string Message;
  try {
    return ToVariant(FScriptControl->Eval(Expression));
  } catch (const EScriptError& E) {
    ClassName = "EScriptError";
    Message = E.what();
  } catch (const EGException& E) {
    ClassName = E.ClassName();
    Message = E.Message();
  }
  FLastScriptError =
      "Expression: " + Expression + "\r\nException class: " + ClassName + "\r\nMessage: " + Message;
  Reporter()("Script error ...", FLastScriptError);
  return TGVariant();
}

void TScriptProcessor::SafeAddCode(const std::string& Code) {
  ProcessPendingCommand();
  if (IsMainThread()) {
    DoAddCode(Code);
  } else {
    ExecuteCommand(new TAddCodeCommand(Code));
  }
}

void TScriptProcessor::SafeAddObject(const std::string& Name, TObjectWrapper* Wrapper) {
  ProcessPendingCommand();
  if (IsMainThread()) {
    DoAddObject(Name, Wrapper);
  } else {
    ExecuteCommand(new TAddObjectCommand(Name, Wrapper));
  }
}

TGVariant TScriptProcessor::SafeEval(const std::string& Expression) {
  ProcessPendingCommand();
  if (IsMainThread()) {
    return DoEval(Expression);
  }
  return ExecuteCommand(new TEvalCommand(Expression));
}

// --- Hand-over between threads -------------------------------------------------------------------

namespace {
bool ExecutingCommand = false; // guarded by the processor's lock
}

TGVariant TScriptProcessor::ExecuteCommand(TScriptProcessorCommand* ACommand) {
  constexpr auto Step = std::chrono::milliseconds(20);
  std::unique_lock<std::mutex> Lock(FCriticalSection);
  while (FPendingCommand || !FPendingCommandResultObtained) {
    HandOver().wait_for(Lock, Step);
  }
  FPendingCommand = ACommand;
  FPendingCommandResultObtained = false;
  while (FPendingCommand) {
    HandOver().wait_for(Lock, Step);
  }
  TGVariant Result = FPendingCommandResult;
  std::exception_ptr Failure = FPendingCommandError;
  FPendingCommandResult = TGVariant();
  FPendingCommandError = nullptr;
  FPendingCommandResultObtained = true;
  Lock.unlock();
  HandOver().notify_all();
  if (Failure) {
    std::rethrow_exception(Failure);
  }
  return Result;
}

void TScriptProcessor::ProcessPendingCommand() {
  if (!IsMainThread()) {
    return;
  }
  TScriptProcessorCommand* Command = nullptr;
  {
    std::lock_guard<std::mutex> Lock(FCriticalSection);
    if (!FPendingCommand || ExecutingCommand) {
      return;
    }
    Command = FPendingCommand;
    ExecutingCommand = true;
  }
  // The command runs without the lock, so that scripts it starts may use the processor again.
  TGVariant Result;
  std::exception_ptr Failure;
  try {
    Result = Command->Execute();
  } catch (...) {
    Failure = std::current_exception();
  }
  Command->Free();
  {
    std::lock_guard<std::mutex> Lock(FCriticalSection);
    FPendingCommandResult = Result;
    FPendingCommandError = Failure;
    FPendingCommand = nullptr;
    ExecutingCommand = false;
  }
  HandOver().notify_all();
}
