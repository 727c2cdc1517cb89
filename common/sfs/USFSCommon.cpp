#include "sfs/USFSCommon.h"

#include "base/UGDateTime.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <wmmintrin.h>
#endif

namespace {

// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t FileTimeUnixOffset = 116444736000000000LL;

} // namespace

namespace {

// Slicing-by-16 tables of CRC-16/ARC (reflected polynomial 0xA001): T[0] is the classic byte
// table, T[K][I] the effect of byte I followed by K zero bytes.
struct TCrc16Tables {
  uint16_t T[16][256];
  TCrc16Tables() {
    for (unsigned I = 0; I < 256; ++I) {
      uint16_t C = static_cast<uint16_t>(I);
      for (int B = 0; B < 8; ++B) {
        C = (C & 1) ? static_cast<uint16_t>((C >> 1) ^ 0xA001) : static_cast<uint16_t>(C >> 1);
      }
      T[0][I] = C;
    }
    for (int K = 1; K < 16; ++K) {
      for (unsigned I = 0; I < 256; ++I) {
        const uint16_t P = T[K - 1][I];
        T[K][I] = static_cast<uint16_t>((P >> 8) ^ T[0][P & 0xFF]);
      }
    }
  }
};

uint16_t CRC16ARCTables(const uint8_t* Data, size_t Size, uint16_t Crc) {
  static const TCrc16Tables Tables;
  const auto& T = Tables.T;
  uint32_t C = Crc;
  // Sixteen bytes per step: the running value is folded into the first two.
  for (; Size >= 16; Size -= 16, Data += 16) {
    const uint32_t B0 = (C ^ Data[0]) & 0xFF;
    const uint32_t B1 = ((C >> 8) ^ Data[1]) & 0xFF;
    C = (uint32_t(T[15][B0]) ^ T[14][B1] ^ T[13][Data[2]] ^ T[12][Data[3]]) ^
        (uint32_t(T[11][Data[4]]) ^ T[10][Data[5]] ^ T[9][Data[6]] ^ T[8][Data[7]]) ^
        (uint32_t(T[7][Data[8]]) ^ T[6][Data[9]] ^ T[5][Data[10]] ^ T[4][Data[11]]) ^
        (uint32_t(T[3][Data[12]]) ^ T[2][Data[13]] ^ T[1][Data[14]] ^ T[0][Data[15]]);
  }
  for (; Size > 0; --Size, ++Data) {
    C = (C >> 8) ^ T[0][(C ^ *Data) & 0xFF];
  }
  return static_cast<uint16_t>(C);
}

#if defined(__x86_64__) || defined(__i386__)
#define G_CRC16_FOLDING 1

// x^N mod P for the CRC's polynomial P = x^16 + x^15 + x^2 + 1, bit-reversed into a 64-bit
// value (the coefficient of x^K in bit 63 - K), the order of the reflected CRC.
uint64_t ReflectedXPowerModP(int N) {
  uint32_t R = 1;
  for (int I = 0; I < N; ++I) {
    R <<= 1;
    if (R & 0x10000)
      R ^= 0x18005;
  }
  uint64_t Reflected = 0;
  for (int K = 0; K < 16; ++K) {
    if (R >> K & 1)
      Reflected |= uint64_t(1) << (63 - K);
  }
  return Reflected;
}

// The constants that move 128 bits of the message T bits further on, in the bit order of the
// reflected CRC: the upper half of a 128-bit block (its first 8 bytes) is multiplied by
// x^(T+63) mod P and the lower by x^(T-1) mod P. One less than the shift, because a carry-less
// product of two bit-reversed 64-bit values comes out one bit short of its place.
struct TFoldConstant {
  uint64_t High, Low;
  explicit TFoldConstant(int T)
      : High(ReflectedXPowerModP(T + 63))
      , Low(ReflectedXPowerModP(T - 1)) {}
};

__attribute__((target("pclmul"))) inline __m128i FoldInto(__m128i S, __m128i K, __m128i D) {
  return _mm_xor_si128(
      _mm_xor_si128(_mm_clmulepi64_si128(S, K, 0x00), _mm_clmulepi64_si128(S, K, 0x11)), D);
}

__attribute__((target("pclmul"))) inline __m128i Constant(const TFoldConstant& C) {
  return _mm_set_epi64x(static_cast<long long>(C.Low), static_cast<long long>(C.High));
}

// The CRC of at least 64 bytes by carry-less multiplication: four 16-byte lanes are each folded
// 512 bits on per step, joined into one, and what is left (16 bytes that stand for everything
// before them, and the tail) goes through the tables.
__attribute__((target("pclmul"))) uint16_t CRC16ARCFolded(const uint8_t* Data, size_t Size,
                                                          uint16_t Crc) {
  static const TFoldConstant C128(128), C256(256), C384(384), C512(512);
  const __m128i K128 = Constant(C128), K512 = Constant(C512);
  auto Load = [](const uint8_t* P) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(P)); };
  // A running CRC is the same as that value added to the first two bytes.
  __m128i S0 = _mm_xor_si128(Load(Data), _mm_cvtsi32_si128(Crc));
  __m128i S1 = Load(Data + 16), S2 = Load(Data + 32), S3 = Load(Data + 48);
  Data += 64;
  Size -= 64;
  for (; Size >= 64; Size -= 64, Data += 64) {
    S0 = FoldInto(S0, K512, Load(Data));
    S1 = FoldInto(S1, K512, Load(Data + 16));
    S2 = FoldInto(S2, K512, Load(Data + 32));
    S3 = FoldInto(S3, K512, Load(Data + 48));
  }
  __m128i S = FoldInto(S0, Constant(C384), FoldInto(S1, Constant(C256), FoldInto(S2, K128, S3)));
  for (; Size >= 16; Size -= 16, Data += 16)
    S = FoldInto(S, K128, Load(Data));
  alignas(16) uint8_t Rest[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(Rest), S);
  return CRC16ARCTables(Data, Size, CRC16ARCTables(Rest, 16, 0));
}
#endif

} // namespace

uint16_t CRC16ARC(const uint8_t* Data, size_t Size, uint16_t Crc) {
#ifdef G_CRC16_FOLDING
  static const bool Folding = __builtin_cpu_supports("pclmul");
  if (Size >= 64 && Folding)
    return CRC16ARCFolded(Data, Size, Crc);
#endif
  return CRC16ARCTables(Data, Size, Crc);
}

namespace {

// XOR of the little-endian 32-bit words of Size bytes (Size a multiple of 8), in 64-bit lanes: the
// two halves of the result are the sums of the even and odd words.
uint64_t XorWords64(const uint8_t* Data, size_t Size) {
  uint64_t X = 0;
  size_t I = 0;
#if defined(__SSE2__)
  if constexpr (std::endian::native == std::endian::little) {
    __m128i A = _mm_setzero_si128(), B = A, C = A, D = A;
    for (; I + 64 <= Size; I += 64) {
      A = _mm_xor_si128(A, _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I)));
      B = _mm_xor_si128(B, _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 16)));
      C = _mm_xor_si128(C, _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 32)));
      D = _mm_xor_si128(D, _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 48)));
    }
    alignas(16) uint64_t Lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(Lanes),
                    _mm_xor_si128(_mm_xor_si128(A, B), _mm_xor_si128(C, D)));
    X = Lanes[0] ^ Lanes[1];
  }
#endif
  for (; I < Size; I += 8) {
    X ^= uint64_t(GetU32(Data + I)) | uint64_t(GetU32(Data + I + 4)) << 32;
  }
  return X;
}

} // namespace

uint32_t CountCRC(const uint8_t* Data, size_t Size, int CrcType) {
  if (CrcType == crcFast) {
    const size_t Whole = Size / 8 * 8;
    const uint64_t X = XorWords64(Data, Whole);
    uint32_t R = uint32_t(X) ^ uint32_t(X >> 32);
    if (Whole + 4 <= Size) {
      R ^= GetU32(Data + Whole);
    }
    return R;
  }
  if (CrcType == crcFull) {
    return CRC16ARC(Data, Size);
  }
  return 0;
}

bool SameCRC(uint32_t Counted, int CrcType, uint32_t Crc) {
  if (CrcType == crcFast) {
    return Counted == Crc;
  }
  if (CrcType == crcFull) {
    return Counted == (Crc & 0xFFFF);
  }
  return true;
}

bool CheckCRC(const uint8_t* Data, size_t Size, int CrcType, uint32_t Crc) {
  return SameCRC(CountCRC(Data, Size, CrcType), CrcType, Crc);
}

#if defined(__SSE2__)
namespace {

bool HaveAVX2() {
  static const bool Have = __builtin_cpu_supports("avx2");
  return Have;
}

// The fast checksum while copying, in one pass: 128 bytes per turn in the wide registers, then
// 32 bytes per turn, then the last words and bytes. Every step stays inline: a data page costs a
// few hundred nanoseconds, so a call or two per page for its tail already shows.
__attribute__((target("avx2"))) uint32_t CopyAndXorAVX2(uint8_t* Dst, const uint8_t* Src,
                                                        size_t Size) {
  __m256i A = _mm256_setzero_si256(), B = A, C = A, D = A;
  size_t I = 0;
  for (; I + 128 <= Size; I += 128) {
    const __m256i* In = reinterpret_cast<const __m256i*>(Src + I);
    __m256i* Out = reinterpret_cast<__m256i*>(Dst + I);
    const __m256i V0 = _mm256_loadu_si256(In), V1 = _mm256_loadu_si256(In + 1),
                  V2 = _mm256_loadu_si256(In + 2), V3 = _mm256_loadu_si256(In + 3);
    _mm256_storeu_si256(Out, V0);
    _mm256_storeu_si256(Out + 1, V1);
    _mm256_storeu_si256(Out + 2, V2);
    _mm256_storeu_si256(Out + 3, V3);
    A = _mm256_xor_si256(A, V0);
    B = _mm256_xor_si256(B, V1);
    C = _mm256_xor_si256(C, V2);
    D = _mm256_xor_si256(D, V3);
  }
  for (; I + 32 <= Size; I += 32) {
    const __m256i V = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Src + I));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + I), V);
    A = _mm256_xor_si256(A, V);
  }
  // Every 32-bit lane holds words at the same offset modulo 4 from the start of the data.
  const __m256i X8 = _mm256_xor_si256(_mm256_xor_si256(A, B), _mm256_xor_si256(C, D));
  const __m128i X4 = _mm_xor_si128(_mm256_castsi256_si128(X8), _mm256_extracti128_si256(X8, 1));
  const __m128i X2 = _mm_xor_si128(X4, _mm_unpackhi_epi64(X4, X4));
  uint32_t R =
      uint32_t(_mm_cvtsi128_si32(X2)) ^ uint32_t(_mm_cvtsi128_si32(_mm_srli_epi64(X2, 32)));
  // Fewer than 32 bytes left: the complete words count, the bytes after them are only copied.
  for (; I + 4 <= Size; I += 4) {
    uint32_t W;
    std::memcpy(&W, Src + I, 4);
    std::memcpy(Dst + I, &W, 4);
    R ^= W;
  }
  for (; I < Size; ++I) {
    Dst[I] = Src[I];
  }
  return R;
}

} // namespace
#endif

uint32_t CopyAndCountCRC(uint8_t* Dst, const uint8_t* Src, size_t Size, int CrcType) {
#if defined(__SSE2__)
  if (CrcType == crcFast && std::endian::native == std::endian::little && HaveAVX2()) {
    return CopyAndXorAVX2(Dst, Src, Size);
  }
#endif
  // Otherwise the copy, then the checksum of the copy while it is still in the cache.
  std::memcpy(Dst, Src, Size);
  return CountCRC(Dst, Size, CrcType);
}

void TSingleFileHeader::Save(uint8_t* Out) {
  std::memset(Out, 0, SingleFileHeaderSize);
  std::memcpy(Out, SingleFileSystemSignature, SignatureSize);
  PutF32(Out + 12, Version);
  PutI32(Out + 16, PageSize);
  PutI32(Out + 20, ExtentPageCount);
  PutI32(Out + 24, HDRPageCount);
  PutI32(Out + 28, GAMPageCount);
  PutI32(Out + 32, PFSPageCount);
  PutI32(Out + 36, DIRPageCount);
  PutI32(Out + 40, DIRFirstPageNo);
  PutI32(Out + 44, DIRElementsCount);
  PutI32(Out + 48, TOTALPageCount);
  std::memcpy(Out + 52, PasswordHeader.data(), PasswordHeaderSize);
  Out[224] = EncMethod;
  Out[225] = CompressionLevel;
  CRC = CountCRC(Out + 12, SingleFileHeaderSize - 12, crcFast);
  PutU32(Out + 8, CRC);
}

bool TSingleFileHeader::Load(const uint8_t* In) {
  if (std::memcmp(In, SingleFileSystemSignature, SignatureSize) != 0) {
    return false;
  }
  CRC = GetU32(In + 8);
  if (CountCRC(In + 12, SingleFileHeaderSize - 12, crcFast) != CRC) {
    return false;
  }
  Version = GetF32(In + 12);
  PageSize = GetI32(In + 16);
  ExtentPageCount = GetI32(In + 20);
  HDRPageCount = GetI32(In + 24);
  GAMPageCount = GetI32(In + 28);
  PFSPageCount = GetI32(In + 32);
  DIRPageCount = GetI32(In + 36);
  DIRFirstPageNo = GetI32(In + 40);
  DIRElementsCount = GetI32(In + 44);
  TOTALPageCount = GetI32(In + 48);
  std::memcpy(PasswordHeader.data(), In + 52, PasswordHeaderSize);
  EncMethod = In[224];
  CompressionLevel = In[225];
  return true;
}

void TPageHeader::Save(uint8_t* Out) const {
  std::memset(Out, 0, PageHeaderSize);
  PutI32(Out, NextPageNo);
  PutU32(Out + CRCOffset, CRC);
  Out[PageTypeOffset] = PageType;
  Out[EncTypeOffset] = EncType;
  Out[CrcTypeOffset] = CrcType;
}

void TPageHeader::Load(const uint8_t* In) {
  NextPageNo = GetI32(In);
  CRC = GetU32(In + CRCOffset);
  PageType = In[PageTypeOffset];
  EncType = In[EncTypeOffset];
  CrcType = In[CrcTypeOffset];
}

void TDirectoryElement::Save(uint8_t* Out) const {
  std::memset(Out, 0, DirElementSize);
  PutI32(Out, FirstMapPageNo);
  PutI64(Out + 4, FileSize);
  PutI64(Out + 12, CreationTime);
  PutI64(Out + 20, LastModifiedTime);
  PutI64(Out + 28, LastAccessTime);
  PutU32(Out + 36, Attributes);
  PutI32(Out + 40, ParentID);
  PutU32(Out + 44, FileCRC);
  std::memcpy(Out + 48, PasswordHeader.data(), PasswordHeaderSize);
  Out[220] = IsFolder;
  Out[221] = IsDeleted;
  Out[222] = EncMethod;
  size_t N = std::min<size_t>(FileName.size(), MaxFileNameLength);
  std::memcpy(Out + 224, FileName.data(), N);
}

bool TDirectoryElement::Load(const uint8_t* In) {
  FirstMapPageNo = GetI32(In);
  FileSize = GetI64(In + 4);
  CreationTime = GetI64(In + 12);
  LastModifiedTime = GetI64(In + 20);
  LastAccessTime = GetI64(In + 28);
  Attributes = GetU32(In + 36);
  ParentID = GetI32(In + 40);
  FileCRC = GetU32(In + 44);
  std::memcpy(PasswordHeader.data(), In + 48, PasswordHeaderSize);
  IsFolder = In[220];
  IsDeleted = In[221];
  EncMethod = In[222];
  const uint8_t* Name = In + 224;
  const void* End = std::memchr(Name, 0, FileNameFieldSize);
  if (End == nullptr) {
    FileName.clear();
    return false;
  }
  FileName.assign(reinterpret_cast<const char*>(Name), static_cast<const uint8_t*>(End) - Name);
  return true;
}

int64_t UnixToFileTime(int64_t Seconds) {
  return Seconds * 10000000LL + FileTimeUnixOffset;
}

int64_t FileTimeToUnix(int64_t FileTime) {
  return (FileTime - FileTimeUnixOffset) / 10000000LL;
}

int64_t NowFileTime() {
  // A recorded or replayed run dates its entries by its own clock (the recording's start plus
  // the game time), so that the replay writes the archives the recorded run wrote.
  if (DateTimeSourceReplaced()) {
    const double Local = (PreciseNow() - 25569.0) * 86400.0; // local time, seconds from 1970
    const double Whole = std::floor(Local);
    const time_t T = static_cast<time_t>(Whole);
    struct tm Tm {};
    gmtime_r(&T, &Tm);
    Tm.tm_isdst = -1;
    return UnixToFileTime(static_cast<int64_t>(mktime(&Tm))) + std::llround((Local - Whole) * 1e7);
  }
  using namespace std::chrono;
  int64_t Us = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  return Us * 10 + FileTimeUnixOffset;
}

int32_t FileTimeToDosDateTime(int64_t FileTime) {
  // Outside the DOS range (1980..2107) the time is clamped to its ends.
  int64_t Secs = FileTimeToUnix(FileTime);
  Secs = std::max<int64_t>(Secs, 315532800LL);
  Secs = std::min<int64_t>(Secs, 4354819199LL);
  time_t T = static_cast<time_t>(Secs);
  struct tm Tm {};
  if (localtime_r(&T, &Tm) == nullptr) {
    return 0;
  }
  int Year = std::clamp(Tm.tm_year + 1900 - 1980, 0, 127);
  uint32_t Date = uint32_t(Year) << 9 | uint32_t(Tm.tm_mon + 1) << 5 | uint32_t(Tm.tm_mday);
  uint32_t Time = uint32_t(Tm.tm_hour) << 11 | uint32_t(Tm.tm_min) << 5 | uint32_t(Tm.tm_sec / 2);
  return static_cast<int32_t>(Date << 16 | Time);
}

int64_t DosDateTimeToFileTime(int32_t DosTime) {
  uint32_t D = static_cast<uint32_t>(DosTime);
  struct tm Tm {};
  Tm.tm_year = int((D >> 25) & 127) + 80;
  Tm.tm_mon = int((D >> 21) & 15) - 1;
  Tm.tm_mday = int((D >> 16) & 31);
  Tm.tm_hour = int((D >> 11) & 31);
  Tm.tm_min = int((D >> 5) & 63);
  Tm.tm_sec = int(D & 31) * 2;
  Tm.tm_isdst = -1;
  time_t T = mktime(&Tm);
  return UnixToFileTime(static_cast<int64_t>(T));
}

std::string SFSUpperName(const std::string& Name) {
  std::string R = Name;
  for (char& C : R) {
    if (C >= 'a' && C <= 'z') {
      C = static_cast<char>(C - 32);
    }
  }
  return R;
}

namespace {

bool SameChar(uint8_t A, uint8_t B, bool IgnoreCase) {
  if (A == B) {
    return true;
  }
  return IgnoreCase && (A ^ B) == 32 && (A & B) >= 65;
}

} // namespace

bool IsStrMatchPattern(const std::string& Name, const std::string& Pattern, bool IgnoreCase) {
  if (Pattern == "*.*") {
    return true;
  }
  const size_t N = Name.size();
  const size_t M = Pattern.size();
  // Memo of (name position, pattern position): 0 unknown, 1 no, 2 yes. Keeps '*' linear.
  std::vector<uint8_t> Memo((N + 1) * (M + 1), 0);
  auto Match = [&](auto&& Self, size_t NI, size_t PI) -> bool {
    uint8_t& Slot = Memo[NI * (M + 1) + PI];
    if (Slot != 0) {
      return Slot == 2;
    }
    bool R;
    if (PI + 1 == M && Pattern[PI] == '*') {
      R = true;
    } else if (NI == N) {
      R = PI == M;
    } else if (PI == M) {
      R = false;
    } else if (Pattern[PI] == '?') {
      R = Self(Self, NI + 1, PI + 1);
    } else if (Pattern[PI] == '*') {
      R = false;
      for (size_t K = NI; K < N && !R; ++K) {
        R = Self(Self, K, PI + 1);
      }
    } else {
      R = SameChar(uint8_t(Name[NI]), uint8_t(Pattern[PI]), IgnoreCase) &&
          Self(Self, NI + 1, PI + 1);
    }
    Slot = R ? 2 : 1;
    return R;
  };
  return Match(Match, 0, 0);
}
