// Loading arbitrary bytes as the binary form of value sequences must fail with a read error or
// give sequences whose terms are sorted and that save and load again.
#include "animation/UGVarSeq.h"
#include "io/UGReader.h"
#include "io/UGStream.h"
#include "io/UGWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void CheckSorted(const TGVarSeq& Seq) {
  for (int I = 1; I < Seq.Count(); ++I)
    if (Seq.Terms(I - 1).Time >= Seq.Terms(I).Time)
      std::abort();
}

template <class T>
void Load(T& Seq, const std::string& Data) {
  TGMemoryStream S(Data);
  TGReader R(S);
  try {
    Seq.LoadFromBinary(nullptr, R);
  } catch (const EGException&) {
    return;
  }
  CheckSorted(Seq);
  for (int32_t Time : {-1, 0, 1, 500, 100000, CVarSeqEndOfTime})
    (void)Seq.Value(Time);
  TGMemoryStream Out;
  TGWriter W(Out);
  Seq.SaveToBinary(W);
  Seq.Clear();
  TGMemoryStream In(Out.Data());
  TGReader R2(In);
  Seq.LoadFromBinary(nullptr, R2); // what was saved must load
  CheckSorted(Seq);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0)
    return 0;
  const std::string Bytes(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  switch (Data[0] % 4) {
  case 0: {
    TGObjectPtr<TGRealEnv> Seq(new TGRealEnv("E", 0, nullptr, (Data[0] & 4) != 0));
    Load(*Seq, Bytes);
    break;
  }
  case 1: {
    TGObjectPtr<TGIntegerEnv> Seq(new TGIntegerEnv("I", TGVariant(int32_t{0})));
    Seq->SetRounding((Data[0] & 4) != 0);
    Load(*Seq, Bytes);
    break;
  }
  case 2: {
    TGObjectPtr<TGColorEnv> Seq(new TGColorEnv("C"));
    Load(*Seq, Bytes);
    break;
  }
  default: {
    TGObjectPtr<TGStringSeq> Seq(new TGStringSeq("S", TGVariant("")));
    Load(*Seq, Bytes);
    break;
  }
  }
  return 0;
}
