// The script host: one ECMAScript engine (Duktape) behind the few operations the script processor
// needs: named global objects reached through a dispatch interface, adding code, evaluating an
// expression to a value, resetting, and error information.
//
// Threading: a host is used only on the thread that created it; calls from any other thread throw
// EScriptError. Script values (TScriptValue) may be copied and destroyed on any thread. Host
// objects may call back into the host (Eval, ToText, ForgetObject...) while a script runs, but
// must not Reset or destroy it then.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A script failure: a syntax error, a runtime error, or an error raised by a host object.
// what() is the script's error text ("TypeError: ..."); Line is 1-based within the code or
// expression that holds the failing statement, 0 when unknown; SourceLine is that line's text.
class EScriptError : public std::runtime_error {
public:
  explicit EScriptError(const std::string& Message, int Line = 0, std::string SourceLine = {});
  int Line() const noexcept { return FLine; }
  const std::string& SourceLine() const noexcept { return FSourceLine; }

private:
  int FLine;
  std::string FSourceLine;
};

class IScriptDispatch;
class TScriptObjectRef; // a script object kept alive for the engine; private to the host

enum class TScriptValueKind { Undefined, Null, Boolean, Number, String, HostObject, ScriptObject };

// A value crossing between scripts and the engine. Strings are UTF-8. A HostObject value names an
// engine object by its dispatch interface (not owned). A ScriptObject value (an array, a function,
// any other script object) keeps that object alive in the engine's heap for as long as any copy of
// the value exists, across TScriptHost::Reset as well; read it through the host that made it.
// Accessors of another kind answer a neutral value (false, 0, "", nullptr).
class TScriptValue {
public:
  TScriptValue() = default; // undefined

  static TScriptValue Undefined() { return {}; }
  static TScriptValue Null();
  static TScriptValue Boolean(bool Value);
  static TScriptValue Number(double Value);
  static TScriptValue String(std::string Value);
  static TScriptValue Object(IScriptDispatch* Value); // nullptr gives Null

  TScriptValueKind Kind() const noexcept { return FKind; }
  bool AsBoolean() const noexcept { return FKind == TScriptValueKind::Boolean && FBoolean; }
  double AsNumber() const noexcept { return FKind == TScriptValueKind::Number ? FNumber : 0.0; }
  const std::string& AsString() const noexcept { return FString; }
  IScriptDispatch* AsObject() const noexcept { return FObject; }

private:
  friend class TScriptHost;
  TScriptValueKind FKind = TScriptValueKind::Undefined;
  bool FBoolean = false;
  double FNumber = 0.0;
  std::string FString;
  IScriptDispatch* FObject = nullptr;
  std::shared_ptr<const TScriptObjectRef> FRef;
};

// An engine object as scripts see it. Every member access asks FindMember; the host object decides
// how names match (case and all). Each call may throw any std::exception: scripts receive it as an
// Error carrying the exception's message. A host object that the engine frees must first be
// passed to TScriptHost::ForgetObject.
class IScriptDispatch {
public:
  enum class TMemberKind { None, Property, Method };

  virtual ~IScriptDispatch() = default;
  virtual int FindMember(const std::string& Name) = 0; // id >= 0, or -1 when unknown
  virtual TMemberKind MemberKind(int Id) = 0;
  virtual TScriptValue GetProperty(int Id) = 0;
  virtual void SetProperty(int Id, const TScriptValue& Value) = 0;
  virtual TScriptValue CallMethod(int Id, const std::vector<TScriptValue>& Args) = 0;
};

// The engine. Code always runs at global scope, never in strict mode unless the code itself asks.
// Scripts see each host object through one proxy object, so two routes to one host object compare
// equal. Reading a property member calls GetProperty; reading a method member gives a function
// (the same function on every read) that calls CallMethod; writing a property calls SetProperty.
// Unknown names, writes to methods and any access to a forgotten object are script errors.
// toString, valueOf, toLocaleString and toJSON fall back to the plain object defaults when the host
// object does not know them, so converting a host object to text never fails.
class TScriptHost {
public:
  // MemoryLimit caps the engine's heap in bytes (0: no cap); an allocation beyond it is a script
  // error ("alloc failed"), not a failure of the program.
  explicit TScriptHost(std::size_t MemoryLimit = 0);
  ~TScriptHost();
  TScriptHost(const TScriptHost&) = delete;
  TScriptHost& operator=(const TScriptHost&) = delete;

  // Makes Object a global variable Name (nullptr: null).
  void AddObject(const std::string& Name, IScriptDispatch* Object);
  // Runs Code as a global program: its variables and functions become globals.
  void AddCode(const std::string& Code);
  // Runs Expression as global eval code and answers its completion value ("var x=1; x+1" is 2).
  TScriptValue Eval(const std::string& Expression);
  // Compiles Code as AddCode (a program) or Eval (AsExpression) would, without running it: a
  // syntax error raises EScriptError with its line; the engine's globals stay as they were.
  void Compile(const std::string& Code, bool AsExpression);
  // Drops all code and globals: later calls run in a fresh global environment. Script objects held
  // by the engine stay valid. Not allowed while a script is running.
  void Reset();
  // The engine is about to free Object: any later access to it from scripts is a script error.
  void ForgetObject(IScriptDispatch* Object);
  // Math.random draws from Random (results in [0, 1)); without one, from a generator of the host's.
  void SetRandomSource(std::function<double()> Random);

  // Script objects held by the engine. HasLength is false for values that are not script objects;
  // Length and Element need a script object; ToText converts any value as String(value) does.
  bool HasLength(const TScriptValue& Value);
  int Length(const TScriptValue& Value); // ToInteger of "length", clamped to 0..INT_MAX
  TScriptValue Element(const TScriptValue& Value, int Index);
  std::string ToText(const TScriptValue& Value);
  std::size_t HeldObjectCount(); // script objects the engine still holds

private:
  class TImpl;
  std::unique_ptr<TImpl> FImpl;
};
