// The script processor: one script engine for the whole game, in which content scripts run and
// reach engine objects by name. Calls from other threads are handed over to the main thread.
#pragma once

#include "object/UGCollection.h"
#include "object/UGObject.h"
#include "object/UGVariant.h"
#include "platform/UScriptHost.h"

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class TDynProperties;
class TGameObject;
class TObjectWrapper;
class TScriptObjects;

// A script call queued by another thread.
class TScriptProcessorCommand : public TGObject {
  G_CLASS(TScriptProcessorCommand, TGObject)
  explicit TScriptProcessorCommand(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}
  virtual TGVariant Execute() = 0;
};

class TAddCodeCommand : public TScriptProcessorCommand {
  G_CLASS(TAddCodeCommand, TScriptProcessorCommand)
  explicit TAddCodeCommand(std::string ACode)
      : FCode(std::move(ACode)) {}
  TGVariant Execute() override;

private:
  std::string FCode;
};

class TAddObjectCommand : public TScriptProcessorCommand {
  G_CLASS(TAddObjectCommand, TScriptProcessorCommand)
  TAddObjectCommand(std::string AName, TObjectWrapper* AObject)
      : FName(std::move(AName))
      , FObject(AObject) {}
  TGVariant Execute() override;

private:
  std::string FName;
  TObjectWrapper* FObject;
};

class TEvalCommand : public TScriptProcessorCommand {
  G_CLASS(TEvalCommand, TScriptProcessorCommand)
  explicit TEvalCommand(std::string AExpression)
      : FExpression(std::move(AExpression)) {}
  TGVariant Execute() override;

private:
  std::string FExpression;
};

// A script array held by the engine (a variant of type varDispatch). Its text is the elements
// as script literals joined by commas, which evaluates back into an equal array when wrapped in
// brackets: numbers as numbers, strings quoted.
class TScriptArrayValue : public IGDispatchValue {
public:
  explicit TScriptArrayValue(TScriptValue AValue)
      : FValue(std::move(AValue)) {}
  const TScriptValue& Value() const { return FValue; }
  std::string ToText() const override;

private:
  TScriptValue FValue;
};

// A view of a script array.
class TJSArrayWrapper {
public:
  explicit TJSArrayWrapper(const TGVariant& AObject)
      : FObject(AObject) {}
  const TGVariant& AsVariant() const { return FObject; }
  int GetLength() const;
  TGVariant Item(int Index) const;

private:
  TGVariant FObject;
};

class TScriptProcessor : public TGObject {
  G_CLASS(TScriptProcessor, TGObject)
  explicit TScriptProcessor(TGObject* AOwner = nullptr);
  void AfterConstruction() override;

  TScriptHost& ScriptControl() { return *FScriptControl; }
  TScriptObjects& ScriptObjects() { return *FScriptObjects; }
  TGCollection* Wrappers() const { return FWrappers; }
  TGameObject* GetUndefinedObject() const;

  void AddCode(const std::string& Code);
  // Global: one engine-wide name, re-pointed when it exists already. Otherwise an entry of "O".
  TObjectWrapper* AddObject(const std::string& Name, TGObject* Obj, bool Global,
                            TDynProperties* APropList);
  // Drops all code, objects and wrappers and defines "O" again; only on the creating thread.
  void Clear();
  // Evaluates Expression; nothing for an empty one. Script errors are reported, never raised,
  // and leave Result empty.
  void Eval(const std::string& Expression, TGVariant& Result);
  template <class... A>
  void EvalFmt(TGVariant& Result, std::string_view Fmt, const A&... Args) {
    Eval(Format(Fmt, {TGFormatArg(Args)...}), Result);
  }

  // The wrapper to hand to scripts for an engine object (an anonymous one is made if needed).
  TObjectWrapper* FindWrapper(TGObject* Obj);
  // The wrapper behind a script value, or none.
  TObjectWrapper* GetWrapper(const TScriptValue& Value) const;

  // Conversions between script values and variants.
  TGVariant ToVariant(const TScriptValue& Value) const;
  TScriptValue ToScriptValue(const TGVariant& Value);

  // Runs a call handed over by another thread; does nothing elsewhere. The main loop calls it
  // every frame and in every nested loop, so a waiting thread is served even when the main
  // thread itself makes no script calls.
  void ProcessPendingCommand();
  // Hands a command over to the main thread and waits for its result; an error raised on the
  // main thread is raised again here.
  TGVariant ExecuteCommand(TScriptProcessorCommand* ACommand);
  bool IsMainThread() const;

  // How script errors are shown ("Script error ..." and its text). The default writes them to
  // the diagnostic output; the program shows a message box.
  using TErrorReporter = std::function<void(const std::string& Caption, const std::string& Text)>;
  static void SetErrorReporter(TErrorReporter Reporter);
  const std::string& LastScriptError() const { return FLastScriptError; }

  // Direct engine calls for the main thread (used by the commands).
  void DoAddCode(const std::string& Code);
  void DoAddObject(const std::string& Name, TObjectWrapper* Wrapper);
  TGVariant DoEval(const std::string& Expression);

protected:
  void Destroy() override;

private:
  void SafeAddCode(const std::string& Code);
  void SafeAddObject(const std::string& Name, TObjectWrapper* Wrapper);
  TGVariant SafeEval(const std::string& Expression);
  void ForgetWrappers(TGCollection* List);
  TObjectWrapper* FirstWrapper(const std::function<bool(TObjectWrapper*)>& Matches) const;

  std::unique_ptr<TScriptHost> FScriptControl;
  std::unique_ptr<TScriptObjects> FScriptObjects;
  TGCollection* FWrappers = nullptr; // owns the global and anonymous wrappers
  uint32_t FMainThreadID = 0;
  std::mutex FCriticalSection;
  TScriptProcessorCommand* FPendingCommand = nullptr;
  TGVariant FPendingCommandResult;
  std::exception_ptr FPendingCommandError;
  bool FPendingCommandResultObtained = true;
  std::string FLastScriptError;
  int FLoopHook = 0;
};

// The program's one processor.
extern TScriptProcessor* ScriptProcessor;
