#include "sfs/UPPMd.h"

#include "sfs/UPPMdModel.h"

#include <algorithm>
#include <new>

namespace {

constexpr size_t HeaderSize = 4;
// Output reserved up front while decoding; a larger block grows the buffer as it goes.
constexpr size_t MaxInitialReserve = size_t(2) << 20;

} // namespace

TPPMdCoder::TPPMdCoder() = default;
TPPMdCoder::~TPPMdCoder() = default;

uint32_t TPPMdCoder::MakeHeaderWord(int ModelOrder, int ModelMemoryMB) {
  return uint32_t(ModelOrder - 1) + (uint32_t(ModelMemoryMB - 1) << 4) + (VariantG << 12);
}

int TPPMdCoder::BlockMemoryMB(const uint8_t* In, size_t Size) {
  if (!In || Size < HeaderSize)
    return 0;
  const uint32_t W = In[0] | uint32_t(In[1]) << 8 | uint32_t(In[2]) << 16 | uint32_t(In[3]) << 24;
  if (((W >> 12) & 15) != VariantG)
    return 0;
  return int((W >> 4) & 255) + 1;
}

void TPPMdCoder::SetDecodeMemoryLimitMB(int MB) {
  FDecodeLimitMB = std::clamp(MB, MinModelMemoryMB, MaxModelMemoryMB);
}

size_t TPPMdCoder::ModelMemorySize() const {
  return FModel ? FModel->MemorySize() : 0;
}

void TPPMdCoder::ReleaseModelMemory() {
  FModel.reset();
}

bool TPPMdCoder::PrepareModel(int ModelMemoryMB) {
  if (!FModel)
    FModel = std::make_unique<TPPMdModel>();
  return FModel->Reserve(uint32_t(ModelMemoryMB) << 20);
}

bool TPPMdCoder::EncodeBlock(const uint8_t* In, size_t Size, int ModelOrder, int ModelMemoryMB,
                             std::vector<uint8_t>& Out) {
  Out.clear();
  if (ModelOrder < MinModelOrder || ModelOrder > MaxModelOrder ||
      ModelMemoryMB < MinModelMemoryMB || ModelMemoryMB > MaxModelMemoryMB || (Size && !In))
    return false;
  try {
    if (!PrepareModel(ModelMemoryMB))
      return false;
    Out.reserve(HeaderSize + Size + Size / 20 + 50);
    const uint32_t W = MakeHeaderWord(ModelOrder, ModelMemoryMB);
    for (int I = 0; I < 4; I++)
      Out.push_back(uint8_t(W >> (8 * I)));
    TPPMdRangeEncoder Rc(Out);
    if (FModel->Encode(In, Size, ModelOrder, Rc))
      return true;
  } catch (const std::bad_alloc&) {
  }
  Out.clear();
  return false;
}

bool TPPMdCoder::DecodeBlock(const uint8_t* In, size_t Size, size_t ExpectedSize,
                             std::vector<uint8_t>& Out) {
  Out.clear();
  if (!In || Size < HeaderSize)
    return false;
  const uint32_t W = In[0] | uint32_t(In[1]) << 8 | uint32_t(In[2]) << 16 | uint32_t(In[3]) << 24;
  if (((W >> 12) & 15) != VariantG)
    return false;
  const int ModelOrder = int(W & 15) + 1;
  const int ModelMemoryMB = int((W >> 4) & 255) + 1;
  if (ModelOrder < MinModelOrder || ModelMemoryMB > FDecodeLimitMB)
    return false;
  try {
    if (!PrepareModel(ModelMemoryMB))
      return false;
    Out.reserve(std::min(ExpectedSize, MaxInitialReserve));
    TPPMdRangeDecoder Rc(In + HeaderSize, Size - HeaderSize);
    if (FModel->Decode(Rc, ModelOrder, ExpectedSize, Out) != TPPMdModel::TDecodeResult::Corrupt)
      return true;
  } catch (const std::bad_alloc&) {
  }
  Out.clear();
  return false;
}
