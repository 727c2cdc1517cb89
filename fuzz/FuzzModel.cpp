// Loading arbitrary bytes as a 3D model must either fail with an engine error or give a model
// that saves in both of its own forms to data that load again unchanged, and that plays its
// animation, skins, measures itself and is hit by rays. One source, four readers: 1 the ".x" text
// form, 2 the ".x" binary form (the input follows the 16-byte header), 3 ".xmdl", 4 ".bx" (after
// its signature).
#include "io/UGStream.h"
#include "io/UGWriter.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGModelAnimation.h"
#include "xml/UGXMLNode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#ifndef HOE_FUZZ_FORMAT
#define HOE_FUZZ_FORMAT 1
#endif

namespace {

std::string Prefix() {
  switch (HOE_FUZZ_FORMAT) {
  case 1:
    return "xof 0303txt 0032";
  case 2:
    return "xof 0303bin 0032";
  case 4:
    return std::string("\x0A\x02\x01"
                       "b",
                       4);
  default:
    return "";
  }
}

std::string XML(const TGModel& M) {
  TGObjectPtr<TGXMLNode> Node(M.SaveToXML());
  return Node->SaveToString();
}

TGObjectPtr<TGModel> Load(const std::string& Data) {
  TGObjectPtr<TGModel> M(new TGModel());
  TGMemoryStream In(Data);
  M->LoadFromStream(In, nullptr);
  return M;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Input = Prefix() + std::string(reinterpret_cast<const char*>(Data), Size);
  TGObjectPtr<TGModel> M;
  try {
    M = Load(Input);
  } catch (const EGException&) {
    return 0;
  }
  // What was loaded saves in both forms, and each loads again and says the same.
  const std::string First = XML(*M);
  if (XML(*Load(First)) != First)
    std::abort();
  TGMemoryStream Binary;
  TGWriter Writer(Binary);
  M->SaveToBinary(Writer);
  if (XML(*Load(Binary.Data())) != First)
    std::abort();
  // Playing, skinning, measuring and ray tests; extreme keys may give any numbers, not a crash.
  if (M->Animations()->GetCount() > 0)
    M->SetCurrentAnimation(M->Animations()->GetItem(0));
  M->Update(0.016f);
  M->Update(1e30f);
  TGVector Min;
  TGVector Max;
  (void)M->CalcBBox(Min, Max);
  std::string Mesh;
  float Distance = 0;
  (void)M->Intersects(TGVector{0, 0, -10}, TGVector{0, 0.1f, 1}, Mesh, Distance);
  return 0;
}
