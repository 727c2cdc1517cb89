// PPMd variant G block codec of the archive's compressed streams.
//
// Block format: a 32-bit little-endian word W = (order - 1) + ((memory in MB - 1) << 4) +
// (6 << 12), the variant field 6 standing for "G", followed by the range coder's output. The
// coder codes every byte of the block and then an end-of-stream escape, so a decoder stops by
// itself; the model order and memory of a decoder come from W.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TPPMdModel;

// One PPMd (variant G) coder with its own model memory, reused across calls of the same size.
// A coder is used by one thread at a time; separate coders run in parallel freely.
class TPPMdCoder {
public:
  static constexpr int MinModelOrder = 2;
  static constexpr int MaxModelOrder = 16;
  static constexpr int MinModelMemoryMB = 1;
  static constexpr int MaxModelMemoryMB = 256;
  static constexpr uint32_t VariantG = 'G' - 'A';
  // The most model memory a decoder accepts from a block header unless told otherwise. The
  // format can name up to 256 MB; the archive's own levels use at most 50 MB, so a larger value
  // only comes from a damaged or crafted block.
  static constexpr int DefaultDecodeMemoryLimitMB = 64;

  TPPMdCoder();
  ~TPPMdCoder();
  TPPMdCoder(const TPPMdCoder&) = delete;
  TPPMdCoder& operator=(const TPPMdCoder&) = delete;

  // Header word for the block format.
  static uint32_t MakeHeaderWord(int ModelOrder, int ModelMemoryMB);
  // The model memory in MB a block's header word names; 0 when In holds no variant G word.
  static int BlockMemoryMB(const uint8_t* In, size_t Size);
  // Compresses Size bytes into Out (header word first, then the coded bytes). False when the
  // model memory cannot be allocated or the parameters are out of range (order 2..16, memory
  // 1..256 MB).
  bool EncodeBlock(const uint8_t* In, size_t Size, int ModelOrder, int ModelMemoryMB,
                   std::vector<uint8_t>& Out);
  // Decodes a block made by EncodeBlock: reads the header word (variant must be 6, memory at most
  // DecodeMemoryLimitMB()), decodes until
  // the end-of-stream escape or until ExpectedSize bytes were produced, whichever comes first;
  // never reads past In+Size (missing input reads as zero bytes) and never writes more than
  // ExpectedSize bytes. False on a bad header, allocation failure, or a corrupt stream detected
  // by the model (a count outside the coded total, or input needed well past its end).
  bool DecodeBlock(const uint8_t* In, size_t Size, size_t ExpectedSize, std::vector<uint8_t>& Out);

  // The largest model memory a block header may ask DecodeBlock for (1..256 MB).
  int DecodeMemoryLimitMB() const { return FDecodeLimitMB; }
  void SetDecodeMemoryLimitMB(int MB);

  // Bytes of model memory held for the next call (0 before the first). The memory is reserved
  // address space: only the parts the model touches take up memory.
  size_t ModelMemorySize() const;
  // Frees the model memory; the next call allocates it again.
  void ReleaseModelMemory();

private:
  bool PrepareModel(int ModelMemoryMB);

  std::unique_ptr<TPPMdModel> FModel;
  int FDecodeLimitMB = DefaultDecodeMemoryLimitMB;
};
