#include "sfs/UPPMd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

// Small deterministic generator for test data (SplitMix64).
class TRng {
public:
  explicit TRng(uint64_t Seed)
      : FState(Seed) {}
  uint32_t Next() {
    uint64_t Z = (FState += 0x9E3779B97F4A7C15u);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9u;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBu;
    return uint32_t((Z ^ (Z >> 31)) >> 32);
  }
  uint32_t Below(uint32_t N) { return Next() % N; }

private:
  uint64_t FState;
};

// English-like text: sentences of words from a small vocabulary, with punctuation and lines.
TBytes TextLike(size_t N, uint32_t Seed) {
  static const char* const Words[] = {
      "the",     "quick",   "brown", "fox",    "jumps", "over",        "lazy",    "dog",
      "archive", "stores",  "every", "file",   "in",    "blocks",      "of",      "data",
      "while",   "reading", "a",     "player", "finds", "hidden",      "objects", "scene",
      "and",     "then",    "moves", "to",     "next",  "location",    "where",   "new",
      "puzzles", "wait",    "for",   "clever", "minds", "compression", "model",   "context"};
  constexpr size_t NumWords = sizeof(Words) / sizeof(Words[0]);
  TRng R(Seed);
  TBytes Out;
  Out.reserve(N + 16);
  bool Capital = true;
  while (Out.size() < N) {
    std::string W = Words[R.Below(NumWords)];
    if (Capital)
      W[0] = char(W[0] - 'a' + 'A');
    Capital = false;
    Out.insert(Out.end(), W.begin(), W.end());
    uint32_t P = R.Below(100);
    if (P < 8) {
      Out.push_back('.');
      Capital = true;
    } else if (P < 12)
      Out.push_back(',');
    Out.push_back(P < 3 ? '\n' : ' ');
  }
  Out.resize(N);
  return Out;
}

TBytes RandomBytes(size_t N, uint32_t Seed) {
  TRng R(Seed);
  TBytes Out(N);
  for (auto& B : Out)
    B = uint8_t(R.Next());
  return Out;
}

// Runs of one byte value, from 1 to 400 long.
TBytes Runs(size_t N, uint32_t Seed) {
  TRng R(Seed);
  TBytes Out;
  Out.reserve(N + 400);
  while (Out.size() < N)
    Out.insert(Out.end(), 1 + R.Below(400), uint8_t(R.Next()));
  Out.resize(N);
  return Out;
}

// Every byte value, counting up, then in shuffled rounds.
TBytes AllByteValues(size_t N, uint32_t Seed) {
  TRng R(Seed);
  TBytes Out;
  Out.reserve(N + 256);
  for (int I = 0; I < 256; I++)
    Out.push_back(uint8_t(I));
  uint8_t Perm[256];
  for (int I = 0; I < 256; I++)
    Perm[I] = uint8_t(I);
  while (Out.size() < N) {
    for (int I = 255; I > 0; I--)
      std::swap(Perm[I], Perm[R.Below(I + 1)]);
    Out.insert(Out.end(), Perm, Perm + 256);
  }
  Out.resize(N);
  return Out;
}

// Table-like binary data: fixed-size records with counters, small numbers and a name.
TBytes Records(size_t N, uint32_t Seed) {
  TRng R(Seed);
  TBytes Out;
  Out.reserve(N + 32);
  for (uint32_t Id = 0; Out.size() < N; Id++) {
    uint32_t Fields[4] = {Id, 1000 + R.Below(50), R.Below(4), 0xDEADBEEF};
    const uint8_t* F = reinterpret_cast<const uint8_t*>(Fields);
    Out.insert(Out.end(), F, F + sizeof(Fields));
    char Name[12] = {};
    std::snprintf(Name, sizeof(Name), "item%05u", unsigned(Id % 5000));
    Out.insert(Out.end(), Name, Name + sizeof(Name));
  }
  Out.resize(N);
  return Out;
}

TBytes Encode(TPPMdCoder& Coder, const TBytes& In, int Order, int MemoryMB) {
  TBytes Out;
  EXPECT_TRUE(Coder.EncodeBlock(In.data(), In.size(), Order, MemoryMB, Out));
  return Out;
}

TBytes Encode(const TBytes& In, int Order, int MemoryMB) {
  TPPMdCoder Coder;
  return Encode(Coder, In, Order, MemoryMB);
}

// Decodes expecting success.
TBytes Decode(TPPMdCoder& Coder, const TBytes& Block, size_t ExpectedSize) {
  TBytes Out;
  EXPECT_TRUE(Coder.DecodeBlock(Block.data(), Block.size(), ExpectedSize, Out));
  return Out;
}

TBytes Decode(const TBytes& Block, size_t ExpectedSize) {
  TPPMdCoder Coder;
  return Decode(Coder, Block, ExpectedSize);
}

uint32_t ReadWord(const TBytes& B) {
  return B[0] | uint32_t(B[1]) << 8 | uint32_t(B[2]) << 16 | uint32_t(B[3]) << 24;
}

void WriteWord(TBytes& B, uint32_t W) {
  for (int I = 0; I < 4; I++)
    B[I] = uint8_t(W >> (8 * I));
}

// The three parameter sets of the archive's compression levels.
struct TLevel {
  int Order;
  int MemoryMB;
  uint8_t Header[4];
};
constexpr TLevel Levels[] = {
    {3, 10, {0x92, 0x60, 0x00, 0x00}},
    {5, 25, {0x84, 0x61, 0x00, 0x00}},
    {13, 50, {0x1C, 0x63, 0x00, 0x00}},
};

constexpr size_t MiB = size_t(1) << 20;

} // namespace

TEST(PPMdHeader, WordsOfTheArchiveLevels) {
  const TBytes In = TextLike(1000, 1);
  for (const TLevel& L : Levels) {
    SCOPED_TRACE(L.Order);
    const uint32_t W = TPPMdCoder::MakeHeaderWord(L.Order, L.MemoryMB);
    EXPECT_EQ(W, L.Header[0] | uint32_t(L.Header[1]) << 8);
    const TBytes Block = Encode(In, L.Order, L.MemoryMB);
    ASSERT_GE(Block.size(), 4u);
    EXPECT_EQ(0, std::memcmp(Block.data(), L.Header, 4));
  }
  EXPECT_EQ(TPPMdCoder::MakeHeaderWord(16, 256), 0x6FFFu);
  EXPECT_EQ(TPPMdCoder::MakeHeaderWord(2, 1), 0x6001u);
}

TEST(PPMdHeader, BadHeadersAndParametersFail) {
  TPPMdCoder Coder;
  const TBytes In = TextLike(5000, 2);
  TBytes Out;
  EXPECT_FALSE(Coder.EncodeBlock(In.data(), In.size(), 1, 10, Out));
  EXPECT_FALSE(Coder.EncodeBlock(In.data(), In.size(), 17, 10, Out));
  EXPECT_FALSE(Coder.EncodeBlock(In.data(), In.size(), 5, 0, Out));
  EXPECT_FALSE(Coder.EncodeBlock(In.data(), In.size(), 5, 257, Out));
  EXPECT_TRUE(Out.empty());

  const TBytes Good = Encode(In, 5, 4);
  TBytes Block = Good;
  for (uint32_t Variant : {0u, 5u, 7u, 8u, 15u}) {
    WriteWord(Block, (ReadWord(Good) & ~0xF000u) | Variant << 12);
    EXPECT_FALSE(Coder.DecodeBlock(Block.data(), Block.size(), In.size(), Out)) << Variant;
    EXPECT_TRUE(Out.empty());
  }
  // Order 1 is below what any compressor writes.
  WriteWord(Block, ReadWord(Good) & ~0xFu);
  EXPECT_FALSE(Coder.DecodeBlock(Block.data(), Block.size(), In.size(), Out));
  // Shorter than the header word.
  EXPECT_FALSE(Coder.DecodeBlock(Good.data(), 3, In.size(), Out));
  EXPECT_FALSE(Coder.DecodeBlock(Good.data(), 0, In.size(), Out));
}

TEST(PPMdHeader, ModelMemoryIsBoundedByTheDecodeLimit) {
  const TBytes In = TextLike(20000, 3);
  const TBytes Good = Encode(In, 4, 2);
  EXPECT_EQ(TPPMdCoder::BlockMemoryMB(Good.data(), Good.size()), 2);
  EXPECT_EQ(TPPMdCoder::BlockMemoryMB(Good.data(), 3), 0);
  TPPMdCoder Coder;
  EXPECT_EQ(Coder.DecodeMemoryLimitMB(), TPPMdCoder::DefaultDecodeMemoryLimitMB);
  // A crafted word naming the largest memory of the format fails without allocating it.
  TBytes Block = Good;
  WriteWord(Block, TPPMdCoder::MakeHeaderWord(4, 256));
  EXPECT_EQ(TPPMdCoder::BlockMemoryMB(Block.data(), Block.size()), 256);
  TBytes Out;
  EXPECT_FALSE(Coder.DecodeBlock(Block.data(), Block.size(), In.size(), Out));
  EXPECT_TRUE(Out.empty());
  EXPECT_EQ(Coder.ModelMemorySize(), 0u);
  // The limit can be lowered (and is kept within the format's range).
  Coder.SetDecodeMemoryLimitMB(1);
  EXPECT_FALSE(Coder.DecodeBlock(Good.data(), Good.size(), In.size(), Out));
  EXPECT_EQ(Coder.ModelMemorySize(), 0u);
  Coder.SetDecodeMemoryLimitMB(2);
  EXPECT_TRUE(Decode(Coder, Good, In.size()) == In);
  EXPECT_EQ(Coder.ModelMemorySize(), 2 * MiB);
  Coder.SetDecodeMemoryLimitMB(100000);
  EXPECT_EQ(Coder.DecodeMemoryLimitMB(), TPPMdCoder::MaxModelMemoryMB);
}

TEST(PPMdRoundTrip, OneMiBAtEachArchiveLevel) {
  for (const TLevel& L : Levels) {
    TPPMdCoder Encoder, Decoder;
    // Data without structure codes slowly (every byte escapes down to order 0), so less of it.
    const TBytes Inputs[] = {TextLike(MiB, 3), Runs(MiB, 4), Records(MiB, 6),
                             AllByteValues(MiB / 16, 5), RandomBytes(MiB / 16, 7)};
    for (const TBytes& In : Inputs) {
      SCOPED_TRACE(testing::Message() << "order " << L.Order << ", size " << In.size());
      const TBytes Block = Encode(Encoder, In, L.Order, L.MemoryMB);
      // The archive gives the coder a buffer of size + size / 20 + 50 bytes.
      EXPECT_LE(Block.size(), In.size() + In.size() / 20 + 50);
      EXPECT_TRUE(Decode(Decoder, Block, In.size()) == In);
    }
  }
}

TEST(PPMdRoundTrip, TinyInputs) {
  TPPMdCoder Encoder, Decoder;
  const TBytes Empty;
  TBytes Block = Encode(Encoder, Empty, 5, 1);
  EXPECT_TRUE(Decode(Decoder, Block, 100).empty());
  for (int B = 0; B < 256; B++) {
    const TBytes One(1, uint8_t(B));
    Block = Encode(Encoder, One, 2 + B % 15, 1);
    ASSERT_EQ(Decode(Decoder, Block, 10), One) << B;
  }
  for (size_t N : {2, 3, 7, 64, 255, 256, 257, 1000}) {
    const TBytes In = AllByteValues(N, uint32_t(N));
    ASSERT_EQ(Decode(Decoder, Encode(Encoder, In, 16, 1), N + 5), In) << N;
  }
}

// Small models with long contexts run out of memory over and over; each time the model restarts
// and the free blocks are glued, on both sides alike.
TEST(PPMdRoundTrip, ModelRestartsWhenMemoryRunsOut) {
  TBytes In = TextLike(MiB / 2, 8);
  const TBytes Rnd = RandomBytes(MiB / 8, 9);
  In.insert(In.end(), Rnd.begin(), Rnd.end());
  for (int Order : {2, 8, 16}) {
    const TBytes Block = Encode(In, Order, 1);
    EXPECT_TRUE(Decode(Block, In.size()) == In) << Order;
  }
}

TEST(PPMdDecode, ParametersComeFromTheHeader) {
  const TBytes In = TextLike(200000, 10);
  TPPMdCoder Coder;
  // A coder set up for the largest level decodes a block written with order 4 and 16 MB.
  const TBytes Big = Encode(Coder, In, 13, 50);
  EXPECT_EQ(Coder.ModelMemorySize(), 50 * MiB);
  const TBytes Block = Encode(In, 4, 16);
  EXPECT_EQ(ReadWord(Block), 0x60F3u);
  EXPECT_TRUE(Decode(Coder, Block, In.size()) == In);
  EXPECT_EQ(Coder.ModelMemorySize(), 16 * MiB);

  // Another order in the header decodes to something else.
  TBytes Patched = Block;
  WriteWord(Patched, TPPMdCoder::MakeHeaderWord(6, 16));
  TBytes Out;
  Coder.DecodeBlock(Patched.data(), Patched.size(), In.size(), Out);
  EXPECT_FALSE(Out == In);

  // With a model that runs out of memory, the memory size matters too.
  const TBytes Small = Encode(In, 16, 1);
  Patched = Small;
  WriteWord(Patched, TPPMdCoder::MakeHeaderWord(16, 2));
  Coder.DecodeBlock(Patched.data(), Patched.size(), In.size(), Out);
  EXPECT_FALSE(Out == In);
  EXPECT_TRUE(Decode(Coder, Small, In.size()) == In);
}

TEST(PPMdDecode, StopsAtTheExpectedSize) {
  const TBytes In = TextLike(100000, 11);
  const TBytes Block = Encode(In, 5, 8);
  TPPMdCoder Coder;
  for (size_t Limit : {size_t(0), size_t(1), size_t(4096), In.size() - 1, In.size()}) {
    const TBytes Out = Decode(Coder, Block, Limit);
    ASSERT_EQ(Out.size(), Limit);
    EXPECT_TRUE(std::equal(Out.begin(), Out.end(), In.begin()));
  }
  // The end-of-stream escape ends a block that is shorter than expected.
  EXPECT_TRUE(Decode(Coder, Block, In.size() * 3) == In);
}

TEST(PPMdDecode, TruncatedStreamsFailOrStopAtTheBound) {
  const TBytes In = TextLike(60000, 12);
  const TBytes Block = Encode(In, 6, 4);
  TPPMdCoder Coder;
  TBytes Out;
  for (size_t Cut = 4; Cut < Block.size(); Cut += 1 + Cut / 3) {
    const bool Ok = Coder.DecodeBlock(Block.data(), Cut, In.size(), Out);
    EXPECT_LE(Out.size(), In.size());
    // Half a block needs far more input than the zero bytes the coder tolerates past the end.
    if (Cut <= Block.size() / 2) {
      EXPECT_FALSE(Ok) << Cut;
    }
  }
  // Only the final flush bytes missing: still complete.
  EXPECT_TRUE(Coder.DecodeBlock(Block.data(), Block.size() - 1, In.size(), Out));
  EXPECT_TRUE(Out == In);
}

TEST(PPMdDecode, CorruptStreamsFailOrStopAtTheBound) {
  const TBytes In = Records(80000, 13);
  const TBytes Block = Encode(In, 8, 2);
  TPPMdCoder Coder;
  TBytes Out;
  TRng R(14);
  int Failed = 0;
  for (int Trial = 0; Trial < 60; Trial++) {
    TBytes Bad = Block;
    const size_t Pos = 4 + R.Below(uint32_t(Bad.size() - 4));
    Bad[Pos] ^= uint8_t(1 + R.Below(255));
    if (!Coder.DecodeBlock(Bad.data(), Bad.size(), In.size(), Out))
      Failed++;
    EXPECT_LE(Out.size(), In.size());
  }
  EXPECT_GT(Failed, 0);
  // Pure garbage after a valid header, with every order.
  for (int Trial = 0; Trial < 45; Trial++) {
    TBytes Garbage = RandomBytes(2000, 100 + Trial);
    WriteWord(Garbage, TPPMdCoder::MakeHeaderWord(2 + Trial % 15, 1 + Trial % 3));
    Coder.DecodeBlock(Garbage.data(), Garbage.size(), 50000, Out);
    EXPECT_LE(Out.size(), 50000u);
  }
}

TEST(PPMdCoder, ReuseGivesTheSameResultsAsFreshCoders) {
  const TBytes A = TextLike(300000, 15), B = Records(200000, 16);
  const TBytes FreshA = Encode(A, 5, 10), FreshB = Encode(B, 3, 12);
  TPPMdCoder Coder;
  EXPECT_EQ(Coder.ModelMemorySize(), 0u);
  EXPECT_TRUE(Encode(Coder, A, 5, 10) == FreshA);
  EXPECT_TRUE(Encode(Coder, B, 5, 10) == Encode(B, 5, 10));
  EXPECT_TRUE(Encode(Coder, A, 5, 10) == FreshA);
  EXPECT_EQ(Coder.ModelMemorySize(), 10 * MiB);
  EXPECT_TRUE(Decode(Coder, FreshA, A.size()) == A);
  EXPECT_TRUE(Encode(Coder, B, 3, 12) == FreshB);
  EXPECT_EQ(Coder.ModelMemorySize(), 12 * MiB);
  EXPECT_TRUE(Decode(Coder, FreshA, A.size()) == A);
  EXPECT_EQ(Coder.ModelMemorySize(), 10 * MiB);
  EXPECT_TRUE(Decode(Coder, FreshB, B.size()) == B);
  Coder.ReleaseModelMemory();
  EXPECT_EQ(Coder.ModelMemorySize(), 0u);
  EXPECT_TRUE(Decode(Coder, FreshB, B.size()) == B);
}

TEST(PPMdCoder, TwoCodersOnTwoThreads) {
  const TBytes A = TextLike(200000, 17), B = AllByteValues(50000, 18);
  const TBytes BlockA = Encode(A, 13, 20), BlockB = Encode(B, 4, 6);
  bool OkA = true, OkB = true;
  auto Work = [](const TBytes& In, const TBytes& Expected, int Order, int Mem, bool& Ok) {
    TPPMdCoder Coder;
    for (int I = 0; I < 2; I++) {
      TBytes Block, Out;
      Ok = Ok && Coder.EncodeBlock(In.data(), In.size(), Order, Mem, Block) && Block == Expected;
      Ok = Ok && Coder.DecodeBlock(Block.data(), Block.size(), In.size(), Out) && Out == In;
    }
  };
  std::thread T1(Work, std::cref(A), std::cref(BlockA), 13, 20, std::ref(OkA));
  std::thread T2(Work, std::cref(B), std::cref(BlockB), 4, 6, std::ref(OkB));
  T1.join();
  T2.join();
  EXPECT_TRUE(OkA);
  EXPECT_TRUE(OkB);
}

TEST(PPMdCompression, TextCompressesWell) {
  // Real English prose, repeated with small changes: a PPM model should predict most of it.
  const std::string Prose =
      "It was the best of times, it was the worst of times, it was the age of wisdom, it was the "
      "age of foolishness, it was the epoch of belief, it was the epoch of incredulity, it was the "
      "season of Light, it was the season of Darkness, it was the spring of hope, it was the "
      "winter of despair, we had everything before us, we had nothing before us.\n";
  TBytes In;
  for (int I = 0; In.size() < MiB; I++) {
    In.insert(In.end(), Prose.begin(), Prose.end());
    const std::string Line = "Chapter " + std::to_string(I) + "\n";
    In.insert(In.end(), Line.begin(), Line.end());
  }
  for (const TLevel& L : Levels) {
    const TBytes Block = Encode(In, L.Order, L.MemoryMB);
    EXPECT_LT(Block.size() * 100, In.size() * 5) << L.Order;
  }
  // Less repetitive text still goes well under 40 %.
  const TBytes Text = TextLike(MiB, 19);
  EXPECT_LT(Encode(Text, 5, 25).size() * 100, Text.size() * 40);
}

// Pins the bit stream: archives written by earlier builds must keep decoding.
TEST(PPMdCompression, BitStreamIsStable) {
  const TBytes In = TextLike(20000, 20);
  const TBytes Block = Encode(In, 5, 25);
  uint32_t Hash = 2166136261u;
  for (uint8_t B : Block)
    Hash = (Hash ^ B) * 16777619u;
  EXPECT_EQ(Block.size(), 3226u);
  EXPECT_EQ(Hash, 0x856955B8u);
}
