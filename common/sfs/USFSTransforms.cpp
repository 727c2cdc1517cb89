#include "sfs/USFSTransforms.h"

#include "sfs/UPPMd.h"

#include <bzlib.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

struct TPPMdParams {
  int Order;
  int MemoryMB;
};

bool IsZlib(int Level) {
  return Level == zlibFastest || Level == zlibNormal || Level == zlibMax;
}
bool IsBzip(int Level) {
  return Level >= bzipFastest && Level <= bzipMax;
}
bool IsPPMd(int Level) {
  return Level == ppmNormal || Level == ppmMax || Level == ppmFastest;
}

int ZlibLevel(int Level) {
  return Level == zlibFastest ? 1 : Level == zlibNormal ? 5 : 9;
}
int BzipBlock(int Level) {
  return Level == bzipFastest ? 2 : Level == bzipNormal ? 6 : 9;
}
TPPMdParams PPMdParams(int Level) {
  if (Level == ppmFastest) {
    return {3, 10};
  }
  if (Level == ppmNormal) {
    return {5, 25};
  }
  return {13, 50};
}

// One coder per thread: the model memory is kept between blocks of the same size.
TPPMdCoder& ThreadCoder() {
  thread_local TPPMdCoder Coder;
  return Coder;
}

size_t StartSize(size_t InSize) {
  return ((InSize + InSize / 10 + 267) / 256) * 256;
}

bool ZlibCompress(const uint8_t* In, size_t Size, int Level, std::vector<uint8_t>& Out) {
  if (Size > UINT_MAX) {
    return false;
  }
  z_stream Z{};
  if (deflateInit2(&Z, Level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    return false;
  }
  Out.resize(StartSize(Size));
  Z.next_in = const_cast<Bytef*>(In);
  Z.avail_in = static_cast<uInt>(Size);
  int Rc;
  for (;;) {
    Z.next_out = Out.data() + Z.total_out;
    Z.avail_out = static_cast<uInt>(Out.size() - Z.total_out);
    Rc = deflate(&Z, Z_FINISH);
    if (Rc != Z_OK && Rc != Z_BUF_ERROR) {
      break;
    }
    Out.resize(Out.size() + 256);
  }
  size_t Produced = Z.total_out;
  deflateEnd(&Z);
  if (Rc != Z_STREAM_END) {
    return false;
  }
  Out.resize(Produced);
  return true;
}

bool ZlibDecompress(const uint8_t* In, size_t Size, uint8_t* Out, size_t Expected,
                    size_t& Produced) {
  if (Size > UINT_MAX || Expected > UINT_MAX) {
    return false;
  }
  z_stream Z{};
  if (inflateInit2(&Z, 15) != Z_OK) {
    return false;
  }
  Z.next_in = const_cast<Bytef*>(In);
  Z.avail_in = static_cast<uInt>(Size);
  Z.next_out = Out;
  Z.avail_out = static_cast<uInt>(Expected);
  int Rc = inflate(&Z, Z_FINISH);
  Produced = Z.total_out;
  inflateEnd(&Z);
  // Anything but a finished stream within the expected size is damage.
  return Rc == Z_STREAM_END;
}

bool BzipCompress(const uint8_t* In, size_t Size, int Block, std::vector<uint8_t>& Out) {
  if (Size > UINT_MAX) {
    return false;
  }
  bz_stream B{};
  if (BZ2_bzCompressInit(&B, Block, 0, 0) != BZ_OK) {
    return false;
  }
  Out.resize(StartSize(Size));
  B.next_in = const_cast<char*>(reinterpret_cast<const char*>(In));
  B.avail_in = static_cast<unsigned>(Size);
  size_t Produced = 0;
  int Rc;
  for (;;) {
    B.next_out = reinterpret_cast<char*>(Out.data() + Produced);
    B.avail_out = static_cast<unsigned>(Out.size() - Produced);
    Rc = BZ2_bzCompress(&B, BZ_FINISH);
    Produced = Out.size() - B.avail_out;
    if (Rc != BZ_FINISH_OK) {
      break;
    }
    Out.resize(Out.size() + 256);
  }
  BZ2_bzCompressEnd(&B);
  if (Rc != BZ_STREAM_END) {
    return false;
  }
  Out.resize(Produced);
  return true;
}

bool BzipDecompress(const uint8_t* In, size_t Size, uint8_t* Out, size_t Expected,
                    size_t& Produced) {
  if (Size > UINT_MAX || Expected > UINT_MAX) {
    return false;
  }
  bz_stream B{};
  if (BZ2_bzDecompressInit(&B, 0, 0) != BZ_OK) {
    return false;
  }
  B.next_in = const_cast<char*>(reinterpret_cast<const char*>(In));
  B.avail_in = static_cast<unsigned>(Size);
  B.next_out = reinterpret_cast<char*>(Out);
  B.avail_out = static_cast<unsigned>(Expected);
  int Rc;
  do {
    Rc = BZ2_bzDecompress(&B);
    // Stop as soon as the output is full or the input is used up without an end.
  } while (Rc == BZ_OK && B.avail_out > 0 && B.avail_in > 0);
  Produced = Expected - B.avail_out;
  BZ2_bzDecompressEnd(&B);
  return Rc == BZ_STREAM_END;
}

} // namespace

int SFSInternalGetBlockSize(int Level) {
  switch (Level) {
  case zlibFastest:
  case ppmFastest:
  case bzipFastest:
    return BlockSizeForFastest;
  case ppmMax:
  case zlibMax:
  case bzipMax:
    return BlockSizeForMax;
  default:
    return BlockSizeForNormal;
  }
}

bool SFSInternalCompressBuffer(const uint8_t* InBuf, size_t InSize, std::vector<uint8_t>& OutBuf,
                               int CompressionLevel) {
  OutBuf.clear();
  if (InSize == 0 || InBuf == nullptr) {
    return false;
  }
  try {
    if (CompressionLevel == sfsNone) {
      OutBuf.assign(InBuf, InBuf + InSize);
      return true;
    }
    if (IsZlib(CompressionLevel)) {
      return ZlibCompress(InBuf, InSize, ZlibLevel(CompressionLevel), OutBuf) && !OutBuf.empty();
    }
    if (IsBzip(CompressionLevel)) {
      return BzipCompress(InBuf, InSize, BzipBlock(CompressionLevel), OutBuf) && !OutBuf.empty();
    }
    if (IsPPMd(CompressionLevel)) {
      TPPMdParams P = PPMdParams(CompressionLevel);
      return ThreadCoder().EncodeBlock(InBuf, InSize, P.Order, P.MemoryMB, OutBuf) &&
             !OutBuf.empty();
    }
  } catch (const std::exception&) {
    OutBuf.clear();
  }
  return false;
}

bool SFSInternalDecompressInto(const uint8_t* InBuf, size_t InSize, uint8_t* OutBuf,
                               size_t Expected, size_t& Produced, int CompressionLevel) {
  Produced = 0;
  if (Expected < 1 || OutBuf == nullptr || CompressionLevel < 0 || CompressionLevel > bzipMax ||
      (InBuf == nullptr && InSize > 0)) {
    return false;
  }
  try {
    bool Ok = false;
    size_t N = 0;
    if (CompressionLevel == sfsNone) {
      N = std::min(InSize, Expected);
      if (N > 0) {
        std::memcpy(OutBuf, InBuf, N);
      }
      Ok = InSize > 0;
    } else if (IsZlib(CompressionLevel)) {
      Ok = ZlibDecompress(InBuf, InSize, OutBuf, Expected, N);
    } else if (IsBzip(CompressionLevel)) {
      Ok = BzipDecompress(InBuf, InSize, OutBuf, Expected, N);
    } else {
      thread_local std::vector<uint8_t> Decoded;
      Ok = ThreadCoder().DecodeBlock(InBuf, InSize, Expected, Decoded);
      N = Decoded.size();
      if (Ok && N > 0 && N <= Expected) {
        std::memcpy(OutBuf, Decoded.data(), N);
      }
      if (Decoded.capacity() > size_t(BlockSizeForMax)) {
        std::vector<uint8_t>().swap(Decoded);
      }
    }
    if (!Ok || N == 0 || N > Expected) {
      return false;
    }
    Produced = N;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool SFSInternalDecompressBuffer(const uint8_t* InBuf, size_t InSize, std::vector<uint8_t>& OutBuf,
                                 size_t& OutSize, int CompressionLevel) {
  const size_t Expected = OutSize;
  OutSize = 0;
  if (Expected < 1 || Expected > MaxStreamBlockSize) {
    OutBuf.clear();
    return false;
  }
  try {
    // Keeps the buffer's memory: only newly grown room is cleared.
    OutBuf.resize(Expected);
  } catch (const std::exception&) {
    OutBuf.clear();
    return false;
  }
  size_t Produced = 0;
  if (!SFSInternalDecompressInto(InBuf, InSize, OutBuf.data(), Expected, Produced,
                                 CompressionLevel)) {
    OutBuf.clear();
    return false;
  }
  OutBuf.resize(Produced);
  OutSize = Produced;
  return true;
}
