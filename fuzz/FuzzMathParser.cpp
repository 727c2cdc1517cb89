// Compiling and evaluating arbitrary text must fail with an engine error or give a value; it
// never crashes or hangs. Unoptimised and optimised scripts must agree (random names aside).
#include "expr/UGMathParser.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class TFuzzExecutor : public TGObject, public IGMathScriptExecutor {
public:
  bool MathFunction(int32_t Id, std::span<const TParameter> Ps, double& Result) override {
    (void)Id;
    Result = 0.5;
    for (const TParameter& P : Ps)
      Result += P.Value;
    return true;
  }
  // "T", "X" and "Y" come from the array, the other parameterless names through MathFunction.
  std::span<const double> MathVariables() override { return std::span(Values, 3); }
  double Values[3] = {0.25, -3, 7};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static TGObjectPtr<TFuzzExecutor> Executor(new TFuzzExecutor);
  TGMathParser& P = GetMathParser();
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  try {
    TParserScript Script = P.CompileScript(Text);
    P.Evaluate(Script, Executor.get());
    TParserScript Raw;
    P.Parser().StringToScript(Text, Raw);
    P.Evaluate(Raw, Executor.get());
  } catch (const EGException&) {
  }
  return 0;
}
