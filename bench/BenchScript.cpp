// Calls from script into engine objects through the wrapper: a published property read and a
// published method call, per second.
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "script/UScriptProcessor.h"

#include <benchmark/benchmark.h>

namespace {

class TCounter : public TGameObject {
  G_CLASS(TCounter, TGameObject)
  explicit TCounter(TGObject* AOwner = nullptr)
      : TGameObject(AOwner) {}
  int32_t Value() const { return FValue; }
  int32_t Add(int32_t Amount) { return FValue += Amount; }
  static void Publish(TGClassBuilder<TCounter>& B) {
    B.Property("Value", &TCounter::Value).Method("Add", &TCounter::Add);
  }
  int32_t FValue = 0;
};
G_IMPLEMENT_CLASS(TCounter)

constexpr int CallsPerEval = 100000;

void Run(benchmark::State& State, const char* Loop) {
  TGObjectPtr<TScriptProcessor> Processor(New<TScriptProcessor>(nullptr));
  TGObjectPtr<TCounter> Counter(new TCounter());
  Processor->AddObject("Counter", Counter.get(), true, nullptr);
  Processor->AddCode(Loop);
  for (auto _ : State) {
    TGVariant R;
    Processor->Eval("run()", R);
    benchmark::DoNotOptimize(R);
  }
  State.SetItemsProcessed(State.iterations() * CallsPerEval);
}

void PropertyRead(benchmark::State& State) {
  Run(State, "function run() { var s = 0; for (var i = 0; i < 100000; i++) s += Counter.Value;"
             " return s; }");
}
BENCHMARK(PropertyRead)->Unit(benchmark::kMillisecond);

void MethodCall(benchmark::State& State) {
  Run(State, "function run() { for (var i = 0; i < 100000; i++) Counter.Add(1); return 0; }");
}
BENCHMARK(MethodCall)->Unit(benchmark::kMillisecond);

void ScriptLoopOnly(benchmark::State& State) {
  Run(State, "function run() { var s = 0; for (var i = 0; i < 100000; i++) s += i; return s; }");
}
BENCHMARK(ScriptLoopOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
