// Loading arbitrary bytes as an ".ani" animation must either fail with an engine error or give
// an animation that seeks, updates, hit-tests, saves and loads again to the same text.
#include "animation/UGAnimation.h"
#include "app/UGClassTables.h"
#include "io/UGStream.h"
#include "xml/UGXMLNode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string Save(const TGAnimation& A) {
  TGObjectPtr<TGXMLNode> Node(A.SaveToXML());
  return Node->SaveToString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Registered = (RegisterEngineClasses(), true);
  (void)Registered;
  TGObjectPtr<TGAnimation> A(new TGAnimation());
  TGMemoryStream In(std::string(reinterpret_cast<const char*>(Data), Size));
  try {
    A->LoadFromStream(In, nullptr);
  } catch (const EGException&) {
    return 0;
  }
  // Values of the wrong kind (a text in a boolean sequence) load, and fail with an engine error
  // when they are used: that is allowed, a crash is not.
  try {
    for (int32_t T : {0, 1, 499, 500, 100000, -7, 2147483647, -2147483647 - 1})
      A->SetElapsedTime(T);
    A->Update(0.016f);
    A->Update(1e30f);
  } catch (const EGException&) {
  }
  try {
    (void)A->IsFinished();
    (void)A->Hit(TGVector{1, 1, 0});
    if (A->TotalTime() <= 2000)
      A->RefreshBoundingBox();
  } catch (const EGException&) {
  }
  const std::string First = Save(*A);
  TGObjectPtr<TGAnimation> B(new TGAnimation());
  TGMemoryStream Again(First);
  B->LoadFromStream(Again, nullptr); // what was saved must load, unchanged
  if (Save(*B) != First)
    std::abort();
  return 0;
}
