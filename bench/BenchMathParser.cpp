// The expression parser against muparser on expressions that mean the same in both grammars:
// evaluation of a compiled expression with a changing variable, compilation of many short
// strings, and a particle-emitter-like workload (a thousand particles, a hundred steps, ten
// expressions each). Variables reach our parser as an array of values (as muparser's are bound
// by address); the _Hook runs answer them through the executor hook instead, and the
// _HoeMathScript runs go through the engine's bridge with an executor handing over its values.
// Each result is kept by Sink rather than summed: a running sum would go through memory around
// every call and put the same floor under both parsers' times, and DoNotOptimize's memory
// clobber would make the loops reload everything after every evaluation.
#include "expr/UGMathParser.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <string>
#include <vector>

namespace {

// The value counts as used; nothing else is assumed to change.
inline void Sink(double V) {
  asm volatile("" : : "g"(V));
}

const char* const CExpressions[] = {"sin(x)*2+x^2", "(x+1)*(x-1)/2", "x*3+4"};

// Our parser with the particle variables in an array (slots 0..4), also answered by its hook.
struct THoe {
  TMathParser P;
  int32_t FX = -1, FY = -1, FT = -1, FP0 = -1, FP1 = -1;
  double Vars[5] = {};
  double &X = Vars[0], &Y = Vars[1], &T = Vars[2], &P0 = Vars[3], &P1 = Vars[4];
  THoe() {
    P.RegisterVariable(FX, "x", 0);
    P.RegisterVariable(FY, "y", 1);
    P.RegisterVariable(FT, "t", 2);
    P.RegisterVariable(FP0, "p0", 3);
    P.RegisterVariable(FP1, "p1", 4);
    P.SetOnFunction(
        [this](int32_t Id, int32_t, std::span<const TParameter>, bool& Handled, double& Result) {
          Handled = true;
          if (Id == FX)
            Result = X;
          else if (Id == FY)
            Result = Y;
          else if (Id == FT)
            Result = T;
          else if (Id == FP0)
            Result = P0;
          else if (Id == FP1)
            Result = P1;
          else
            Handled = false;
        });
  }
};

struct TMu {
  mu::Parser P;
  double X = 0, Y = 0, T = 0, P0 = 0, P1 = 0;
  TMu() {
    P.DefineVar("x", &X);
    P.DefineVar("y", &Y);
    P.DefineVar("t", &T);
    P.DefineVar("p0", &P0);
    P.DefineVar("p1", &P1);
  }
};

constexpr int CEvaluations = 1000000;

void BM_Evaluate_Hoe(benchmark::State& State) {
  THoe H;
  TParserScript S = H.P.Compile(CExpressions[State.range(0)]);
  for (auto _ : State) {
    for (int I = 0; I < CEvaluations; ++I) {
      H.X = I * 0.001;
      Sink(H.P.ExecuteScript(S, H.Vars));
    }
  }
  State.SetItemsProcessed(State.iterations() * CEvaluations);
  State.SetLabel(CExpressions[State.range(0)]);
}

void BM_Evaluate_HoeHook(benchmark::State& State) {
  THoe H;
  TParserScript S = H.P.Compile(CExpressions[State.range(0)]);
  for (auto _ : State) {
    for (int I = 0; I < CEvaluations; ++I) {
      H.X = I * 0.001;
      Sink(H.P.ExecuteScript(S));
    }
  }
  State.SetItemsProcessed(State.iterations() * CEvaluations);
  State.SetLabel(CExpressions[State.range(0)]);
}

void BM_Evaluate_MuParser(benchmark::State& State) {
  TMu M;
  M.P.SetExpr(CExpressions[State.range(0)]);
  for (auto _ : State) {
    for (int I = 0; I < CEvaluations; ++I) {
      M.X = I * 0.001;
      Sink(M.P.Eval());
    }
  }
  State.SetItemsProcessed(State.iterations() * CEvaluations);
  State.SetLabel(CExpressions[State.range(0)]);
}

// Through the engine's bridge: the shared parser's lock and the executor lookup included.
class TBenchExecutor : public TGObject, public IGMathScriptExecutor {
public:
  bool MathFunction(int32_t, std::span<const TParameter>, double&) override { return false; }
  std::span<const double> MathVariables() override { return Vars; }
  double Vars[mvCount] = {};
  double& X = Vars[mvX];
};

void BM_Evaluate_HoeMathScript(benchmark::State& State) {
  TGObjectPtr<TBenchExecutor> E(new TBenchExecutor);
  TGMathScript* S = new TGMathScript(E.get());
  S->SetAsString(CExpressions[State.range(0)]);
  for (auto _ : State) {
    for (int I = 0; I < CEvaluations; ++I) {
      E->X = I * 0.001;
      Sink(S->Evaluate());
    }
  }
  State.SetItemsProcessed(State.iterations() * CEvaluations);
  State.SetLabel(CExpressions[State.range(0)]);
}

std::vector<std::string> ShortStrings() {
  std::vector<std::string> R;
  for (int I = 0; I < 10000; ++I)
    R.push_back("x*" + std::to_string(I % 97) + "+sin(" + std::to_string(I) + ")-y/" +
                std::to_string(I % 13 + 1));
  return R;
}

void BM_Compile_Hoe(benchmark::State& State) {
  THoe H;
  const auto Strings = ShortStrings();
  for (auto _ : State) {
    for (const std::string& S : Strings)
      Sink(H.P.ExecuteScript(H.P.Compile(S)));
  }
  State.SetItemsProcessed(State.iterations() * static_cast<int64_t>(Strings.size()));
}

void BM_Compile_MuParser(benchmark::State& State) {
  TMu M;
  const auto Strings = ShortStrings();
  for (auto _ : State) {
    for (const std::string& S : Strings) {
      M.P.SetExpr(S);
      Sink(M.P.Eval()); // muparser compiles on the first evaluation
    }
  }
  State.SetItemsProcessed(State.iterations() * static_cast<int64_t>(Strings.size()));
}

const char* const CEmitter[] = {"x+1",     "y*0.5+t", "p0*sin(t)", "p1+x*y", "cos(t)*p0",
                                "x/(1+t)", "y-p1",    "(x+y)*0.5", "t*t*p0", "abs(x-y)"};
constexpr int CParticles = 1000, CSteps = 100;

void BM_Emitter_Hoe(benchmark::State& State) {
  THoe H;
  std::vector<TParserScript> Scripts;
  for (const char* E : CEmitter)
    Scripts.push_back(H.P.Compile(E));
  for (auto _ : State) {
    for (int Step = 0; Step < CSteps; ++Step)
      for (int I = 0; I < CParticles; ++I) {
        H.X = I;
        H.Y = Step;
        H.T = Step * 0.01;
        H.P0 = I * 0.5;
        H.P1 = 1;
        for (const TParserScript& S : Scripts)
          Sink(H.P.ExecuteScript(S, H.Vars));
      }
  }
  State.SetItemsProcessed(State.iterations() * CSteps * CParticles * 10);
}

void BM_Emitter_MuParser(benchmark::State& State) {
  std::vector<std::unique_ptr<TMu>> Parsers;
  for (const char* E : CEmitter) {
    Parsers.push_back(std::make_unique<TMu>());
    Parsers.back()->P.SetExpr(E);
  }
  for (auto _ : State) {
    for (int Step = 0; Step < CSteps; ++Step)
      for (int I = 0; I < CParticles; ++I)
        for (auto& M : Parsers) {
          M->X = I;
          M->Y = Step;
          M->T = Step * 0.01;
          M->P0 = I * 0.5;
          M->P1 = 1;
          Sink(M->P.Eval());
        }
  }
  State.SetItemsProcessed(State.iterations() * CSteps * CParticles * 10);
}

} // namespace

BENCHMARK(BM_Evaluate_Hoe)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Evaluate_MuParser)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Evaluate_HoeHook)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Evaluate_HoeMathScript)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compile_Hoe)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compile_MuParser)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Emitter_Hoe)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Emitter_MuParser)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
