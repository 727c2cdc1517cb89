// Duktape reports errors by longjmp, and C++ exceptions must never pass through its frames. The
// rules that keep both apart here:
//  - A Duktape call that can raise an error (anything that allocates, coerces or runs script code)
//    runs inside a "job": a lambda run through duk_safe_call that makes only Duktape calls and owns
//    nothing with a destructor, so a longjmp out of it skips no cleanup.
//  - Outside jobs, C++ code only makes Duktape calls that cannot fail: reading values, popping, and
//    pushing primitives into the stack space Duktape reserves for every call.
//  - Every C function that Duktape calls hands its work to a C++ member inside try/catch, which
//    answers the number of results or -1 with an error value pushed; the C function then throws
//    that error with no C++ object left alive in its frame.
#include "platform/UScriptHost.h"

#include "platform/UScriptText.h"

#include <duktape.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <utility>

EScriptError::EScriptError(const std::string& Message, int Line, std::string SourceLine)
    : std::runtime_error(Message)
    , FLine(Line)
    , FSourceLine(std::move(SourceLine)) {}

// ---- TScriptValue -------------------------------------------------------------------------------

TScriptValue TScriptValue::Null() {
  TScriptValue Value;
  Value.FKind = TScriptValueKind::Null;
  return Value;
}

TScriptValue TScriptValue::Boolean(bool Value) {
  TScriptValue Result;
  Result.FKind = TScriptValueKind::Boolean;
  Result.FBoolean = Value;
  return Result;
}

TScriptValue TScriptValue::Number(double Value) {
  TScriptValue Result;
  Result.FKind = TScriptValueKind::Number;
  Result.FNumber = Value;
  return Result;
}

TScriptValue TScriptValue::String(std::string Value) {
  TScriptValue Result;
  Result.FKind = TScriptValueKind::String;
  Result.FString = std::move(Value);
  return Result;
}

TScriptValue TScriptValue::Object(IScriptDispatch* Value) {
  if (!Value)
    return Null();
  TScriptValue Result;
  Result.FKind = TScriptValueKind::HostObject;
  Result.FObject = Value;
  return Result;
}

// ---- Script objects held by the engine ----------------------------------------------------------

// Shared by a host and the script object references it gave out, which may be released on any
// thread and may outlive the host: releases are queued here and carried out on the host's thread.
struct TScriptLink {
  std::mutex Lock;
  bool Alive = true;
  std::vector<double> Released;
};

class TScriptObjectRef {
public:
  TScriptObjectRef(std::shared_ptr<TScriptLink> Link, double Id)
      : FLink(std::move(Link))
      , FId(Id) {}
  TScriptObjectRef(const TScriptObjectRef&) = delete;
  TScriptObjectRef& operator=(const TScriptObjectRef&) = delete;
  ~TScriptObjectRef() {
    std::lock_guard Guard(FLink->Lock);
    if (FLink->Alive) {
      try {
        FLink->Released.push_back(FId);
      } catch (...) {
        // Out of memory: the object stays in the heap until the host goes.
      }
    }
  }

  const std::shared_ptr<TScriptLink> FLink;
  const double FId;
};

// ---- The host -----------------------------------------------------------------------------------

namespace {

// Hidden keys: scripts cannot name them, and a proxy passes them to its target untrapped.
constexpr const char* KHandle = DUK_HIDDEN_SYMBOL("Handle");   // a proxy target's host handle
constexpr const char* KMethods = DUK_HIDDEN_SYMBOL("Methods"); // a proxy target's method cache
constexpr const char* KMethodHandle = DUK_HIDDEN_SYMBOL("MethodHandle");
constexpr const char* KMethodId = DUK_HIDDEN_SYMBOL("MethodId");
constexpr const char* KMethodName = DUK_HIDDEN_SYMBOL("MethodName");
// Entries of the heap stash, which every global environment shares.
constexpr const char* KRefs = "refs";       // id -> script object held by the engine
constexpr const char* KProxies = "proxies"; // host handle -> proxy
constexpr const char* KHandler = "handler"; // the traps of every proxy

constexpr duk_idx_t CStackReserve = 64;

// Runs Job as a protected call within the current stack frame (absolute indices stay valid). On
// success its NRets results are on the stack; on failure the error value is the first of NRets.
template <class TJob>
bool Protected(duk_context* Ctx, duk_idx_t NRets, TJob&& Job) {
  using TBody = std::remove_reference_t<TJob>;
  static_assert(std::is_trivially_destructible_v<TBody>, "a job must own nothing");
  const auto Thunk = [](duk_context* C, void* Data) -> duk_ret_t {
    return (*static_cast<TBody*>(Data))(C);
  };
  return duk_safe_call(Ctx, Thunk, &Job, 0, NRets) == DUK_EXEC_SUCCESS;
}

// Pushes the heap stash's table Key (a job step).
void PushStashTable(duk_context* C, const char* Key) {
  duk_push_heap_stash(C);
  duk_get_prop_string(C, -1, Key);
  duk_remove(C, -2);
}

// Trap arguments: target at 0, key at 1. Symbols are no member names; they go to the target.
bool IsNameKey(duk_context* C) {
  return duk_is_string(C, 1) && !duk_is_symbol(C, 1);
}

bool IsConversionMember(const std::string& Name) {
  return Name == "toString" || Name == "valueOf" || Name == "toLocaleString" || Name == "toJSON";
}

std::string StringAt(duk_context* C, duk_idx_t Index) {
  duk_size_t Length = 0;
  const char* Text = duk_get_lstring(C, Index, &Length);
  return Text ? Cesu8ToUtf8(std::string_view(Text, Length)) : std::string();
}

std::string LineOf(const std::string& Text, int Line) {
  std::size_t Start = 0;
  for (int K = 1; K < Line; ++K) {
    Start = Text.find('\n', Start);
    if (Start == std::string::npos)
      return {};
    ++Start;
  }
  std::size_t End = Text.find('\n', Start);
  if (End == std::string::npos)
    End = Text.size();
  if (End > Start && Text[End - 1] == '\r')
    --End;
  return Text.substr(Start, End - Start);
}

struct alignas(std::max_align_t) TBlock {
  std::size_t Size;
};

} // namespace

class TScriptHost::TImpl {
public:
  explicit TImpl(std::size_t MemoryLimit);
  ~TImpl();

  // Brackets a public operation: right thread, stack space, pending releases done, and the stack
  // top restored afterwards.
  class TCall {
  public:
    explicit TCall(TImpl& Impl);
    ~TCall();
    TCall(const TCall&) = delete;
    TCall& operator=(const TCall&) = delete;

  private:
    TImpl& FImpl;
    duk_context* FCtx;
    duk_idx_t FTop;
  };

  void CheckThread() const;
  void Drain();
  void PrepareGlobals();
  void SwitchGlobals();
  TScriptValue Run(const std::string& Code, bool IsEval);
  void CompileOnly(const std::string& Code, bool IsEval);
  void AddGlobal(const std::string& Name, IScriptDispatch* Object);
  void Forget(IScriptDispatch* Object);
  bool HasLength(const TScriptValue& Value);
  int Length(const TScriptValue& Value);
  TScriptValue Element(const TScriptValue& Value, int Index);
  std::string ToText(const TScriptValue& Value);

  // Value conversion. False: an error value is on the stack top.
  bool ReadValue(duk_context* C, duk_idx_t Index, TScriptValue& Out);
  bool PushValue(duk_context* C, const TScriptValue& Value);
  bool PushScriptObject(const TScriptValue& Value); // on Ctx; throws EScriptError

  // Raises the error on Ctx's stack top as EScriptError. Code and Chunk name the text that ran.
  [[noreturn]] void Raise(const std::string& Code = {}, const std::string& Chunk = {});

  duk_context* Heap = nullptr; // the heap's first thread; its stack holds the current global thread
  duk_context* Ctx = nullptr;  // the thread of the current global environment
  int Depth = 0;               // public operations in progress

  std::function<double()> Random;

private:
  static TImpl* Of(duk_context* C);
  static void* Allocate(void* Data, duk_size_t Size);
  static void* Reallocate(void* Data, void* Pointer, duk_size_t Size);
  static void Release(void* Data, void* Pointer);
  static void Fatal(void* Data, const char* Message);
  static duk_ret_t GetEntry(duk_context* C);
  static duk_ret_t SetEntry(duk_context* C);
  static duk_ret_t HasEntry(duk_context* C);
  static duk_ret_t MethodEntry(duk_context* C);
  static duk_ret_t RandomEntry(duk_context* C);

  template <class TFn>
  duk_ret_t Guarded(duk_context* C, TFn&& Fn) noexcept;
  duk_ret_t Fail(duk_context* C, duk_errcode_t Code, const std::string& Message) noexcept;

  duk_ret_t OnGet(duk_context* C);
  duk_ret_t OnSet(duk_context* C);
  duk_ret_t OnHas(duk_context* C);
  duk_ret_t OnCall(duk_context* C);
  bool ResolveTarget(duk_context* C, const std::string& Name, double& Handle,
                     IScriptDispatch*& Object);
  bool PushTargetMember(duk_context* C);
  bool PushMethod(duk_context* C, double Handle, int Id, const std::string& Name);
  bool PushHostObject(duk_context* C, IScriptDispatch* Object);

  std::size_t FLimit;
  std::size_t FUsed = 0;
  std::thread::id FOwner;
  std::shared_ptr<TScriptLink> FLink;
  std::mt19937_64 FFallback;
  std::uniform_real_distribution<double> FUniform;

  double FNextHandle = 1;
  double FNextRef = 1;
  std::size_t FHeld = 0;
  unsigned long FChunks = 0;
  std::unordered_map<IScriptDispatch*, double> FHandleOf;
  std::unordered_map<double, IScriptDispatch*> FObjectOf;
  std::unordered_map<void*, double> FHandleOfProxy; // live proxies, by heap pointer
  std::unordered_map<double, void*> FProxyOf;
  std::map<std::string, std::string> FSources; // code chunk name -> text, for error lines

  friend class TScriptHost;
};

// ---- Heap and memory ----------------------------------------------------------------------------

TScriptHost::TImpl* TScriptHost::TImpl::Of(duk_context* C) {
  duk_memory_functions Functions;
  duk_get_memory_functions(C, &Functions);
  return static_cast<TImpl*>(Functions.udata);
}

void* TScriptHost::TImpl::Allocate(void* Data, duk_size_t Size) {
  auto* Impl = static_cast<TImpl*>(Data);
  if (Size > SIZE_MAX - sizeof(TBlock) || (Impl->FLimit && Size > Impl->FLimit - Impl->FUsed))
    return nullptr;
  auto* Block = static_cast<TBlock*>(std::malloc(sizeof(TBlock) + Size));
  if (!Block)
    return nullptr;
  Block->Size = Size;
  Impl->FUsed += Size;
  return Block + 1;
}

void* TScriptHost::TImpl::Reallocate(void* Data, void* Pointer, duk_size_t Size) {
  if (!Pointer)
    return Allocate(Data, Size);
  auto* Impl = static_cast<TImpl*>(Data);
  TBlock* Block = static_cast<TBlock*>(Pointer) - 1;
  const std::size_t Old = Block->Size;
  if (Size > SIZE_MAX - sizeof(TBlock) ||
      (Impl->FLimit && Size > Old && Size - Old > Impl->FLimit - Impl->FUsed))
    return nullptr;
  auto* Grown = static_cast<TBlock*>(std::realloc(Block, sizeof(TBlock) + Size));
  if (!Grown)
    return nullptr;
  Grown->Size = Size;
  Impl->FUsed = Impl->FUsed - Old + Size;
  return Grown + 1;
}

void TScriptHost::TImpl::Release(void* Data, void* Pointer) {
  if (!Pointer)
    return;
  TBlock* Block = static_cast<TBlock*>(Pointer) - 1;
  static_cast<TImpl*>(Data)->FUsed -= Block->Size;
  std::free(Block);
}

void TScriptHost::TImpl::Fatal(void*, const char* Message) {
  std::fprintf(stderr, "Script engine failure: %s\n", Message ? Message : "unknown");
  std::abort();
}

TScriptHost::TImpl::TImpl(std::size_t MemoryLimit)
    : FLimit(MemoryLimit)
    , FOwner(std::this_thread::get_id())
    , FLink(std::make_shared<TScriptLink>())
    , FFallback(std::random_device{}()) {
  Heap = duk_create_heap(Allocate, Reallocate, Release, this, Fatal);
  if (!Heap)
    throw EScriptError("Cannot create the script engine");
  const bool Ready = Protected(Heap, 1, [](duk_context* C) -> duk_ret_t {
    duk_push_heap_stash(C);
    duk_push_object(C);
    duk_put_prop_string(C, -2, KRefs);
    duk_push_object(C);
    duk_put_prop_string(C, -2, KProxies);
    duk_push_object(C);
    duk_push_c_function(C, GetEntry, 3);
    duk_put_prop_string(C, -2, "get");
    duk_push_c_function(C, SetEntry, 4);
    duk_put_prop_string(C, -2, "set");
    duk_push_c_function(C, HasEntry, 2);
    duk_put_prop_string(C, -2, "has");
    duk_put_prop_string(C, -2, KHandler);
    duk_push_thread_new_globalenv(C);
    return 1;
  });
  try {
    if (!Ready)
      throw EScriptError("Cannot create the script engine");
    Ctx = duk_get_context(Heap, 0);
    PrepareGlobals();
  } catch (...) {
    duk_destroy_heap(Heap);
    throw;
  }
}

TScriptHost::TImpl::~TImpl() {
  {
    std::lock_guard Guard(FLink->Lock);
    FLink->Alive = false;
    FLink->Released.clear();
  }
  duk_destroy_heap(Heap);
}

// The global environment as scripts expect it: no Duktape-specific object (which would also offer
// coroutines, running scripts on other threads than Ctx), and Math.random from the engine.
void TScriptHost::TImpl::PrepareGlobals() {
  const bool Done = Protected(Ctx, 1, [](duk_context* C) -> duk_ret_t {
    duk_push_global_object(C);
    duk_del_prop_string(C, -1, "Duktape");
    duk_get_prop_string(C, -1, "Math");
    duk_push_c_function(C, RandomEntry, 0);
    duk_put_prop_string(C, -2, "random");
    return 0;
  });
  if (!Done)
    Raise();
  duk_pop(Ctx);
}

void TScriptHost::TImpl::SwitchGlobals() {
  if (!Protected(Heap, 1, [](duk_context* C) -> duk_ret_t {
        duk_push_thread_new_globalenv(C);
        return 1;
      })) {
    duk_set_top(Heap, 1);
    throw EScriptError("Cannot reset the script engine: out of memory");
  }
  duk_remove(Heap, 0); // the old environment goes with its thread
  Ctx = duk_get_context(Heap, 0);
  FSources.clear();
  PrepareGlobals();
}

void TScriptHost::TImpl::CheckThread() const {
  if (std::this_thread::get_id() != FOwner)
    throw EScriptError("The script host was used from a thread other than its own");
}

TScriptHost::TImpl::TCall::TCall(TImpl& Impl)
    : FImpl(Impl)
    , FCtx(Impl.Ctx) {
  Impl.CheckThread();
  if (!duk_check_stack(FCtx, CStackReserve))
    throw EScriptError("The script engine's stack is exhausted");
  Impl.Drain();
  FTop = duk_get_top(FCtx);
  ++Impl.Depth;
}

TScriptHost::TImpl::TCall::~TCall() {
  duk_set_top(FCtx, FTop);
  --FImpl.Depth;
}

void TScriptHost::TImpl::Drain() {
  std::vector<double> Ids;
  {
    std::lock_guard Guard(FLink->Lock);
    Ids.swap(FLink->Released);
  }
  for (const double Id : Ids) {
    const bool Done = Protected(Ctx, 1, [Id](duk_context* C) -> duk_ret_t {
      PushStashTable(C, KRefs);
      duk_push_number(C, Id);
      duk_del_prop(C, -2);
      return 0;
    });
    duk_pop(Ctx);
    if (Done)
      --FHeld;
  }
}

// ---- Errors -------------------------------------------------------------------------------------

void TScriptHost::TImpl::Raise(const std::string& Code, const std::string& Chunk) {
  const duk_idx_t Error = duk_get_top(Ctx) - 1;
  std::string Message = "Script error";
  std::string File;
  int Line = 0;
  if (Protected(Ctx, 3, [Error](duk_context* C) -> duk_ret_t {
        duk_dup(C, Error);
        duk_safe_to_string(C, -1);
        if (duk_is_error(C, Error)) {
          duk_get_prop_string(C, Error, "lineNumber");
          duk_get_prop_string(C, Error, "fileName");
        } else {
          duk_push_undefined(C);
          duk_push_undefined(C);
        }
        return 3;
      })) {
    Message = StringAt(Ctx, Error + 1);
    if (duk_is_number(Ctx, Error + 2))
      Line = static_cast<int>(duk_get_number(Ctx, Error + 2));
    File = StringAt(Ctx, Error + 3);
  }
  duk_set_top(Ctx, Error);
  const std::string* Text = nullptr;
  if (!Chunk.empty() && File == Chunk) {
    Text = &Code;
  } else if (const auto It = FSources.find(File); It != FSources.end()) {
    Text = &It->second;
  }
  if (!Text || Line <= 0)
    throw EScriptError(Message);
  throw EScriptError(Message, Line, LineOf(*Text, Line));
}

duk_ret_t TScriptHost::TImpl::Fail(duk_context* C, duk_errcode_t Code,
                                   const std::string& Message) noexcept {
  std::string Text;
  try {
    Text = Utf8ToCesu8(Message);
  } catch (...) {
  }
  const char* Shown = Text.empty() ? Message.c_str() : Text.c_str();
  // If even this fails, the failure's own error is on the stack top instead.
  Protected(C, 1, [Code, Shown](duk_context* J) -> duk_ret_t {
    duk_push_error_object_raw(J, Code, nullptr, 0, "%s", Shown);
    return 1;
  });
  return -1;
}

template <class TFn>
duk_ret_t TScriptHost::TImpl::Guarded(duk_context* C, TFn&& Fn) noexcept {
  try {
    return Fn();
  } catch (const std::exception& E) {
    return Fail(C, DUK_ERR_ERROR, E.what());
  } catch (...) {
    return Fail(C, DUK_ERR_ERROR, "Unknown error in a host object");
  }
}

// ---- Values -------------------------------------------------------------------------------------

bool TScriptHost::TImpl::ReadValue(duk_context* C, duk_idx_t Index, TScriptValue& Out) {
  switch (duk_get_type(C, Index)) {
  case DUK_TYPE_NONE:
  case DUK_TYPE_UNDEFINED:
  case DUK_TYPE_POINTER:
    Out = TScriptValue();
    return true;
  case DUK_TYPE_NULL:
    Out = TScriptValue::Null();
    return true;
  case DUK_TYPE_BOOLEAN:
    Out = TScriptValue::Boolean(duk_get_boolean(C, Index));
    return true;
  case DUK_TYPE_NUMBER:
    Out = TScriptValue::Number(duk_get_number(C, Index));
    return true;
  case DUK_TYPE_STRING:
    Out = duk_is_symbol(C, Index) ? TScriptValue() : TScriptValue::String(StringAt(C, Index));
    return true;
  default:
    break;
  }
  if (const auto It = FHandleOfProxy.find(duk_get_heapptr(C, Index)); It != FHandleOfProxy.end()) {
    Out = TScriptValue::Object(FObjectOf.at(It->second));
    return true;
  }
  // Not a live proxy: a proxy of a forgotten object still carries its handle.
  double Handle = -1;
  if (!Protected(C, 1, [Index, &Handle](duk_context* J) -> duk_ret_t {
        if (duk_is_object(J, Index) && duk_get_prop_string(J, Index, KHandle))
          Handle = duk_get_number_default(J, -1, -1);
        return 0;
      }))
    return false;
  duk_pop(C);
  if (Handle >= 0 && !FObjectOf.count(Handle)) {
    Fail(C, DUK_ERR_TYPE_ERROR, "Object no longer exists");
    return false;
  }
  const double Id = FNextRef;
  if (!Protected(C, 1, [Index, Id](duk_context* J) -> duk_ret_t {
        PushStashTable(J, KRefs);
        duk_push_number(J, Id);
        duk_dup(J, Index);
        duk_put_prop(J, -3);
        return 0;
      }))
    return false;
  duk_pop(C);
  ++FNextRef;
  ++FHeld;
  Out = TScriptValue();
  Out.FKind = TScriptValueKind::ScriptObject;
  Out.FRef = std::make_shared<const TScriptObjectRef>(FLink, Id);
  return true;
}

bool TScriptHost::TImpl::PushValue(duk_context* C, const TScriptValue& Value) {
  switch (Value.FKind) {
  case TScriptValueKind::Undefined:
    duk_push_undefined(C);
    return true;
  case TScriptValueKind::Null:
    duk_push_null(C);
    return true;
  case TScriptValueKind::Boolean:
    duk_push_boolean(C, Value.FBoolean);
    return true;
  case TScriptValueKind::Number:
    duk_push_number(C, Value.FNumber);
    return true;
  case TScriptValueKind::String: {
    const std::string Text = Utf8ToCesu8(Value.FString);
    return Protected(C, 1, [&Text](duk_context* J) -> duk_ret_t {
      duk_push_lstring(J, Text.data(), Text.size());
      return 1;
    });
  }
  case TScriptValueKind::HostObject:
    return PushHostObject(C, Value.FObject);
  case TScriptValueKind::ScriptObject:
    break;
  }
  if (!Value.FRef || Value.FRef->FLink != FLink) {
    Fail(C, DUK_ERR_TYPE_ERROR, "A script object from another script host");
    return false;
  }
  const double Id = Value.FRef->FId;
  return Protected(C, 1, [Id](duk_context* J) -> duk_ret_t {
    PushStashTable(J, KRefs);
    duk_push_number(J, Id);
    duk_get_prop(J, -2);
    return 1;
  });
}

bool TScriptHost::TImpl::PushHostObject(duk_context* C, IScriptDispatch* Object) {
  auto [It, Added] = FHandleOf.try_emplace(Object, FNextHandle);
  if (Added) {
    FObjectOf.emplace(FNextHandle, Object);
    ++FNextHandle;
  }
  const double Handle = It->second;
  if (const auto Proxy = FProxyOf.find(Handle); Proxy != FProxyOf.end()) {
    duk_push_heapptr(C, Proxy->second); // kept alive by the stash
    return true;
  }
  if (!Protected(C, 1, [Handle](duk_context* J) -> duk_ret_t {
        duk_push_object(J);
        duk_push_number(J, Handle);
        duk_put_prop_string(J, -2, KHandle);
        PushStashTable(J, KHandler);
        duk_push_proxy(J, 0);
        PushStashTable(J, KProxies);
        duk_push_number(J, Handle);
        duk_dup(J, -3);
        duk_put_prop(J, -3);
        duk_pop(J);
        return 1;
      }))
    return false;
  void* Proxy = duk_get_heapptr(C, -1);
  FProxyOf.emplace(Handle, Proxy);
  FHandleOfProxy.emplace(Proxy, Handle);
  return true;
}

bool TScriptHost::TImpl::PushScriptObject(const TScriptValue& Value) {
  if (Value.FKind != TScriptValueKind::ScriptObject)
    throw EScriptError("Not a script object");
  if (!PushValue(Ctx, Value))
    Raise();
  return true;
}

// ---- Proxy traps and method calls ---------------------------------------------------------------

duk_ret_t TScriptHost::TImpl::GetEntry(duk_context* C) {
  TImpl* Impl = Of(C);
  const duk_ret_t Result = Impl->Guarded(C, [Impl, C] { return Impl->OnGet(C); });
  return Result < 0 ? duk_throw(C) : Result;
}

duk_ret_t TScriptHost::TImpl::SetEntry(duk_context* C) {
  TImpl* Impl = Of(C);
  const duk_ret_t Result = Impl->Guarded(C, [Impl, C] { return Impl->OnSet(C); });
  return Result < 0 ? duk_throw(C) : Result;
}

duk_ret_t TScriptHost::TImpl::HasEntry(duk_context* C) {
  TImpl* Impl = Of(C);
  const duk_ret_t Result = Impl->Guarded(C, [Impl, C] { return Impl->OnHas(C); });
  return Result < 0 ? duk_throw(C) : Result;
}

duk_ret_t TScriptHost::TImpl::MethodEntry(duk_context* C) {
  TImpl* Impl = Of(C);
  const duk_ret_t Result = Impl->Guarded(C, [Impl, C] { return Impl->OnCall(C); });
  return Result < 0 ? duk_throw(C) : Result;
}

duk_ret_t TScriptHost::TImpl::RandomEntry(duk_context* C) {
  TImpl* Impl = Of(C);
  double Value = 0;
  const duk_ret_t Result = Impl->Guarded(C, [Impl, &Value] {
    Value = Impl->Random ? Impl->Random() : Impl->FUniform(Impl->FFallback);
    return 1;
  });
  if (Result < 0)
    return duk_throw(C);
  duk_push_number(C, Value);
  return 1;
}

bool TScriptHost::TImpl::ResolveTarget(duk_context* C, const std::string& Name, double& Handle,
                                       IScriptDispatch*& Object) {
  Handle = -1;
  if (!Protected(C, 1, [&Handle](duk_context* J) -> duk_ret_t {
        if (duk_get_prop_string(J, 0, KHandle))
          Handle = duk_get_number_default(J, -1, -1);
        return 0;
      }))
    return false;
  duk_pop(C);
  const auto It = FObjectOf.find(Handle);
  if (It == FObjectOf.end()) {
    Fail(C, DUK_ERR_TYPE_ERROR, "Object no longer exists: " + Name);
    return false;
  }
  Object = It->second;
  return true;
}

bool TScriptHost::TImpl::PushTargetMember(duk_context* C) {
  return Protected(C, 1, [](duk_context* J) -> duk_ret_t {
    duk_dup(J, 1);
    duk_get_prop(J, 0);
    return 1;
  });
}

bool TScriptHost::TImpl::PushMethod(duk_context* C, double Handle, int Id,
                                    const std::string& Name) {
  const std::string Text = Utf8ToCesu8(Name);
  return Protected(C, 1, [Handle, Id, &Text](duk_context* J) -> duk_ret_t {
    if (!duk_get_prop_string(J, 0, KMethods)) {
      duk_pop(J);
      duk_push_object(J);
      duk_dup_top(J);
      duk_put_prop_string(J, 0, KMethods);
    }
    duk_push_int(J, Id);
    if (duk_get_prop(J, -2))
      return 1;
    duk_pop(J);
    duk_push_c_function(J, MethodEntry, DUK_VARARGS);
    duk_push_number(J, Handle);
    duk_put_prop_string(J, -2, KMethodHandle);
    duk_push_int(J, Id);
    duk_put_prop_string(J, -2, KMethodId);
    duk_push_lstring(J, Text.data(), Text.size());
    duk_put_prop_string(J, -2, KMethodName);
    duk_push_int(J, Id);
    duk_dup(J, -2);
    duk_put_prop(J, -4);
    return 1;
  });
}

duk_ret_t TScriptHost::TImpl::OnGet(duk_context* C) {
  if (!IsNameKey(C))
    return PushTargetMember(C) ? 1 : -1;
  const std::string Name = StringAt(C, 1);
  double Handle;
  IScriptDispatch* Object;
  if (!ResolveTarget(C, Name, Handle, Object))
    return -1;
  const int Id = Object->FindMember(Name);
  const auto Kind = Id >= 0 ? Object->MemberKind(Id) : IScriptDispatch::TMemberKind::None;
  if (Kind == IScriptDispatch::TMemberKind::Property)
    return PushValue(C, Object->GetProperty(Id)) ? 1 : -1;
  if (Kind == IScriptDispatch::TMemberKind::Method)
    return PushMethod(C, Handle, Id, Name) ? 1 : -1;
  if (IsConversionMember(Name))
    return PushTargetMember(C) ? 1 : -1;
  return Fail(C, DUK_ERR_TYPE_ERROR, "Object doesn't support this property or method: " + Name);
}

duk_ret_t TScriptHost::TImpl::OnSet(duk_context* C) {
  if (!IsNameKey(C)) {
    if (!Protected(C, 1, [](duk_context* J) -> duk_ret_t {
          duk_dup(J, 1);
          duk_dup(J, 2);
          duk_put_prop(J, 0);
          return 0;
        }))
      return -1;
    duk_push_true(C);
    return 1;
  }
  const std::string Name = StringAt(C, 1);
  double Handle;
  IScriptDispatch* Object;
  if (!ResolveTarget(C, Name, Handle, Object))
    return -1;
  const int Id = Object->FindMember(Name);
  const auto Kind = Id >= 0 ? Object->MemberKind(Id) : IScriptDispatch::TMemberKind::None;
  if (Kind == IScriptDispatch::TMemberKind::Method)
    return Fail(C, DUK_ERR_TYPE_ERROR, "Cannot assign to a method: " + Name);
  if (Kind != IScriptDispatch::TMemberKind::Property)
    return Fail(C, DUK_ERR_TYPE_ERROR, "Object doesn't support this property or method: " + Name);
  TScriptValue Value;
  if (!ReadValue(C, 2, Value))
    return -1;
  Object->SetProperty(Id, Value);
  duk_push_true(C);
  return 1;
}

duk_ret_t TScriptHost::TImpl::OnHas(duk_context* C) {
  if (!IsNameKey(C)) {
    bool Found = false;
    if (!Protected(C, 1, [&Found](duk_context* J) -> duk_ret_t {
          duk_dup(J, 1);
          Found = duk_has_prop(J, 0);
          return 0;
        }))
      return -1;
    duk_push_boolean(C, Found);
    return 1;
  }
  const std::string Name = StringAt(C, 1);
  double Handle;
  IScriptDispatch* Object;
  if (!ResolveTarget(C, Name, Handle, Object))
    return -1;
  duk_push_boolean(C, Object->FindMember(Name) >= 0);
  return 1;
}

duk_ret_t TScriptHost::TImpl::OnCall(duk_context* C) {
  const duk_idx_t Count = duk_get_top(C);
  if (!Protected(C, 3, [](duk_context* J) -> duk_ret_t {
        duk_push_current_function(J);
        duk_get_prop_string(J, -1, KMethodHandle);
        duk_get_prop_string(J, -2, KMethodId);
        duk_get_prop_string(J, -3, KMethodName);
        return 3;
      }))
    return -1;
  const double Handle = duk_get_number_default(C, Count, -1);
  const int Id = duk_get_int(C, Count + 1);
  const std::string Name = StringAt(C, Count + 2);
  duk_set_top(C, Count);
  const auto It = FObjectOf.find(Handle);
  if (It == FObjectOf.end())
    return Fail(C, DUK_ERR_TYPE_ERROR, "Object no longer exists: " + Name);
  IScriptDispatch* Object = It->second;
  std::vector<TScriptValue> Args(static_cast<std::size_t>(Count));
  for (duk_idx_t K = 0; K < Count; ++K)
    if (!ReadValue(C, K, Args[static_cast<std::size_t>(K)]))
      return -1;
  return PushValue(C, Object->CallMethod(Id, Args)) ? 1 : -1;
}

// ---- Operations ---------------------------------------------------------------------------------

TScriptValue TScriptHost::TImpl::Run(const std::string& Code, bool IsEval) {
  const std::string Chunk = (IsEval ? "eval#" : "code#") + std::to_string(++FChunks);
  const std::string Text = Utf8ToCesu8(Code);
  if (!IsEval)
    FSources.emplace(Chunk, Code);
  const duk_uint_t Flags = 1 /* file name on the stack */ | DUK_COMPILE_NOSOURCE |
                           (IsEval ? DUK_COMPILE_EVAL : DUK_COMPILE_NORESULT);
  if (!Protected(Ctx, 1, [&Chunk, &Text, Flags](duk_context* J) -> duk_ret_t {
        duk_push_lstring(J, Chunk.data(), Chunk.size());
        duk_eval_raw(J, Text.data(), Text.size(), Flags);
        return (Flags & DUK_COMPILE_EVAL) ? 1 : 0;
      }))
    Raise(Code, Chunk);
  TScriptValue Result;
  if (IsEval && !ReadValue(Ctx, duk_get_top(Ctx) - 1, Result))
    Raise(Code, Chunk);
  return Result;
}

void TScriptHost::TImpl::CompileOnly(const std::string& Code, bool IsEval) {
  const std::string Chunk = std::string(IsEval ? "eval#" : "code#") + "check";
  const std::string Text = Utf8ToCesu8(Code);
  const duk_uint_t Flags =
      1 /* file name on the stack */ | DUK_COMPILE_NOSOURCE | (IsEval ? DUK_COMPILE_EVAL : 0);
  if (!Protected(Ctx, 1, [&Chunk, &Text, Flags](duk_context* J) -> duk_ret_t {
        duk_push_lstring(J, Chunk.data(), Chunk.size());
        duk_compile_raw(J, Text.data(), Text.size(), Flags);
        return 0; // the compiled function is dropped unrun
      }))
    Raise(Code, Chunk);
  duk_pop(Ctx);
}

void TScriptHost::TImpl::AddGlobal(const std::string& Name, IScriptDispatch* Object) {
  if (!PushValue(Ctx, TScriptValue::Object(Object)))
    Raise();
  const duk_idx_t Value = duk_get_top(Ctx) - 1;
  const std::string Key = Utf8ToCesu8(Name);
  if (!Protected(Ctx, 1, [Value, &Key](duk_context* J) -> duk_ret_t {
        duk_dup(J, Value);
        duk_put_global_lstring(J, Key.data(), Key.size());
        return 0;
      }))
    Raise();
}

void TScriptHost::TImpl::Forget(IScriptDispatch* Object) {
  const auto It = FHandleOf.find(Object);
  if (It == FHandleOf.end())
    return;
  const double Handle = It->second;
  FHandleOf.erase(It);
  FObjectOf.erase(Handle);
  if (const auto Proxy = FProxyOf.find(Handle); Proxy != FProxyOf.end()) {
    FHandleOfProxy.erase(Proxy->second);
    FProxyOf.erase(Proxy);
  }
  // The proxy itself lives on while scripts hold it; it now fails every access.
  Protected(Ctx, 1, [Handle](duk_context* J) -> duk_ret_t {
    PushStashTable(J, KProxies);
    duk_push_number(J, Handle);
    duk_del_prop(J, -2);
    return 0;
  });
  duk_pop(Ctx);
}

bool TScriptHost::TImpl::HasLength(const TScriptValue& Value) {
  if (Value.FKind != TScriptValueKind::ScriptObject)
    return false;
  PushScriptObject(Value);
  const duk_idx_t Object = duk_get_top(Ctx) - 1;
  bool Found = false;
  if (!Protected(Ctx, 1, [Object, &Found](duk_context* J) -> duk_ret_t {
        Found = duk_has_prop_string(J, Object, "length");
        return 0;
      }))
    Raise();
  return Found;
}

int TScriptHost::TImpl::Length(const TScriptValue& Value) {
  PushScriptObject(Value);
  const duk_idx_t Object = duk_get_top(Ctx) - 1;
  double Length = 0;
  if (!Protected(Ctx, 1, [Object, &Length](duk_context* J) -> duk_ret_t {
        duk_get_prop_string(J, Object, "length");
        Length = duk_to_number(J, -1);
        return 0;
      }))
    Raise();
  if (!(Length > 0))
    return 0;
  return Length >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(Length);
}

TScriptValue TScriptHost::TImpl::Element(const TScriptValue& Value, int Index) {
  PushScriptObject(Value);
  const duk_idx_t Object = duk_get_top(Ctx) - 1;
  if (!Protected(Ctx, 1, [Object, Index](duk_context* J) -> duk_ret_t {
        duk_push_int(J, Index);
        duk_get_prop(J, Object);
        return 1;
      }))
    Raise();
  TScriptValue Result;
  if (!ReadValue(Ctx, duk_get_top(Ctx) - 1, Result))
    Raise();
  return Result;
}

std::string TScriptHost::TImpl::ToText(const TScriptValue& Value) {
  if (!PushValue(Ctx, Value))
    Raise();
  if (!Protected(Ctx, 1, [](duk_context* J) -> duk_ret_t {
        duk_dup_top(J);
        duk_to_string(J, -1);
        return 1;
      }))
    Raise();
  return StringAt(Ctx, -1);
}

// ---- Public interface ---------------------------------------------------------------------------

TScriptHost::TScriptHost(std::size_t MemoryLimit)
    : FImpl(std::make_unique<TImpl>(MemoryLimit)) {}

TScriptHost::~TScriptHost() = default;

void TScriptHost::AddObject(const std::string& Name, IScriptDispatch* Object) {
  TImpl::TCall Call(*FImpl);
  FImpl->AddGlobal(Name, Object);
}

void TScriptHost::AddCode(const std::string& Code) {
  TImpl::TCall Call(*FImpl);
  FImpl->Run(Code, false);
}

TScriptValue TScriptHost::Eval(const std::string& Expression) {
  TImpl::TCall Call(*FImpl);
  return FImpl->Run(Expression, true);
}

void TScriptHost::Compile(const std::string& Code, bool AsExpression) {
  TImpl::TCall Call(*FImpl);
  FImpl->CompileOnly(Code, AsExpression);
}

void TScriptHost::Reset() {
  FImpl->CheckThread();
  if (FImpl->Depth > 0)
    throw EScriptError("The script engine cannot be reset while a script is running");
  FImpl->Drain();
  FImpl->SwitchGlobals();
}

void TScriptHost::ForgetObject(IScriptDispatch* Object) {
  TImpl::TCall Call(*FImpl);
  FImpl->Forget(Object);
}

void TScriptHost::SetRandomSource(std::function<double()> Random) {
  FImpl->CheckThread();
  FImpl->Random = std::move(Random);
}

bool TScriptHost::HasLength(const TScriptValue& Value) {
  TImpl::TCall Call(*FImpl);
  return FImpl->HasLength(Value);
}

int TScriptHost::Length(const TScriptValue& Value) {
  TImpl::TCall Call(*FImpl);
  return FImpl->Length(Value);
}

TScriptValue TScriptHost::Element(const TScriptValue& Value, int Index) {
  TImpl::TCall Call(*FImpl);
  return FImpl->Element(Value, Index);
}

std::string TScriptHost::ToText(const TScriptValue& Value) {
  TImpl::TCall Call(*FImpl);
  return FImpl->ToText(Value);
}

std::size_t TScriptHost::HeldObjectCount() {
  TImpl::TCall Call(*FImpl);
  return FImpl->FHeld;
}
