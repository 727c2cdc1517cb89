// Compressed streams and block transforms: round trips at every level, stream and block header
// bytes, random access, rewriting blocks, and the bounds of the decompressors.
#include "base/UGError.h"
#include "sfs/USFSAdvancedFileStream.h"
#include "sfs/USFSFileStream.h"
#include "sfs/USFSTransforms.h"
#include "sfs/USFSUserFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <string>

namespace {

std::unique_ptr<TSingleFileSystem> NewArchive(int Level = sfsNone) {
  return std::make_unique<TSingleFileSystem>("mem.sfs", fmCreate, true, "", "", "", Level, 4096, 8,
                                             -1);
}

// Compressible but not trivial data.
std::string TextLike(size_t N, unsigned Seed) {
  static const char* Words[] = {"archive ", "block ",  "page ",   "stream ", "folder ",
                                "hidden ",  "object ", "scene\n", "level ",  "player "};
  std::mt19937 R(Seed);
  std::string S;
  while (S.size() < N) {
    S += Words[R() % 10];
  }
  S.resize(N);
  return S;
}

std::string Stored(TSingleFileSystem& A, const std::string& Name) {
  TSFSUserFileStream S(&A, Name, fmOpenRead);
  return S.ReadAll();
}

struct TLevelCase {
  int Level;
  size_t Size;
};

class SFSLevels : public ::testing::TestWithParam<TLevelCase> {};

TEST_P(SFSLevels, RoundTrip) {
  const auto [Level, Size] = GetParam();
  auto A = NewArchive();
  const std::string Data = TextLike(Size, unsigned(Level));
  {
    TSFSFileStream S(A.get(), "f", fmCreate, "", "", "", Level);
    // Uneven chunks cross block boundaries.
    for (size_t Off = 0; Off < Data.size(); Off += 100003) {
      S.WriteBuffer(Data.data() + Off, int64_t(std::min<size_t>(100003, Data.size() - Off)));
    }
    EXPECT_EQ(S.GetSize(), int64_t(Size));
  }
  auto B = TSingleFileSystem::OpenImage("image", *A->PFM().File().MemoryImage());
  TSFSFileStream S(B.get(), "f", fmOpenRead);
  EXPECT_EQ(S.CompressionLevel(), Level);
  EXPECT_EQ(S.GetSize(), int64_t(Size));
  EXPECT_EQ(S.ReadAll(), Data);
  if (Level != sfsNone) {
    const std::string Raw = Stored(*B, "f");
    ASSERT_GE(Raw.size(), 128u);
    const uint8_t* H = reinterpret_cast<const uint8_t*>(Raw.data());
    EXPECT_EQ(Raw.substr(0, 4), "AACS");
    EXPECT_EQ(GetU32(H + 4), uint32_t(SFSInternalGetBlockSize(Level)));
    EXPECT_EQ(GetU32(H + 12), (Size + GetU32(H + 4) - 1) / GetU32(H + 4));
    EXPECT_EQ(GetF32(H + 16), 2.0f);
    EXPECT_EQ(H[20], Level);
    EXPECT_LT(S.PackedSize(), int64_t(Size));
    // Random access from the middle of the last block backwards.
    for (int64_t Pos : {int64_t(Size) - 10, int64_t(Size) / 2, int64_t(1)}) {
      std::string Part(10, '\0');
      S.Seek(Pos, soBeginning);
      ASSERT_EQ(S.Read(Part.data(), 10), 10);
      EXPECT_EQ(Part, Data.substr(size_t(Pos), 10));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllLevels, SFSLevels,
    ::testing::Values(TLevelCase{sfsNone, 700000}, TLevelCase{zlibFastest, 1300000},
                      TLevelCase{zlibNormal, 1300000}, TLevelCase{zlibMax, 1700000},
                      TLevelCase{bzipFastest, 1100000}, TLevelCase{bzipNormal, 1100000},
                      TLevelCase{bzipMax, 1600000}, TLevelCase{ppmFastest, 600000},
                      TLevelCase{ppmNormal, 300000}, TLevelCase{ppmMax, 200000}),
    [](const ::testing::TestParamInfo<TLevelCase>& I) {
      return "Level" + std::to_string(I.param.Level);
    });

TEST(SFSStreams, DefaultLevelComesFromTheArchive) {
  auto A = NewArchive(zlibNormal);
  {
    TSFSFileStream S(A.get(), "f", fmCreate);
    S.WriteString(TextLike(1000, 1));
  }
  EXPECT_EQ(Stored(*A, "f").substr(0, 4), "AACS");
  A->SetCompressionLevel(sfsNone);
  EXPECT_EQ(A->PFM().Header().CompressionLevel, sfsNone);
  {
    TSFSFileStream S(A.get(), "g", fmCreate);
    S.WriteString("plain");
  }
  EXPECT_EQ(Stored(*A, "g"), "plain");
}

TEST(SFSStreams, RawContentReadsByteForByte) {
  auto A = NewArchive();
  // Long enough to look like a stream header, but without the signature.
  std::string Data = "AACT" + std::string(300, 'x');
  {
    TSFSUserFileStream S(A.get(), "raw", fmCreate);
    S.WriteString(Data);
  }
  TSFSFileStream S(A.get(), "raw", fmOpenRead);
  EXPECT_FALSE(S.DataStream().Compressed());
  EXPECT_EQ(S.ReadAll(), Data);
}

// Content stored at level 0 that begins with the stream signature and is as long as a stream
// header would read back as a stream: it is kept in a stream of stored blocks instead, however
// it came to begin that way.
TEST(SFSStreams, StoredContentThatBeginsLikeAStreamHeader) {
  auto A = NewArchive();
  const std::string Small = "AACS" + TextLike(300, 1);
  const std::string Big = "AACS" + TextLike(2500000, 2); // three stored blocks
  const std::string Body = TextLike(1200000, 3);
  std::map<std::string, std::string> Want;
  auto Create = [&](const std::string& Name, const std::function<void(TSFSFileStream&)>& Fill) {
    TSFSFileStream S(A.get(), Name, fmCreate, "", "", "", sfsNone);
    Fill(S);
  };
  Create("bytes", [&](TSFSFileStream& S) {
    for (char C : Small) {
      S.WriteBuffer(&C, 1);
    }
  });
  Want["bytes"] = Small;
  Create("chunks", [&](TSFSFileStream& S) {
    for (size_t Off = 0; Off < Big.size(); Off += 100003) {
      S.WriteBuffer(Big.data() + Off, int64_t(std::min<size_t>(100003, Big.size() - Off)));
    }
  });
  Want["chunks"] = Big;
  Create("grown", [&](TSFSFileStream& S) {
    S.WriteString("AACS");
    S.SetSize(200);
  });
  Want["grown"] = "AACS" + std::string(196, '\0');
  // Short content keeps the signature raw: it cannot be taken for a stream.
  Create("short", [&](TSFSFileStream& S) { S.WriteString("AACS" + std::string(123, 'x')); });
  Want["short"] = "AACS" + std::string(123, 'x');
  // Raw content of two blocks whose first bytes become the signature later, in place.
  Create("later", [&](TSFSFileStream& S) { S.WriteString("ZZZZ" + Body); });
  {
    TSFSFileStream S(A.get(), "later", fmOpenReadWrite);
    S.WriteString("AACS");
    S.Seek(0, soEnd);
    S.WriteString("tail");
  }
  Want["later"] = "AACS" + Body + "tail";

  auto B = TSingleFileSystem::OpenImage("image", *A->PFM().File().MemoryImage());
  for (const auto& [Name, Data] : Want) {
    SCOPED_TRACE(Name);
    TSFSFileStream S(B.get(), Name, fmOpenRead);
    EXPECT_EQ(S.CompressionLevel(), sfsNone);
    EXPECT_EQ(S.GetSize(), int64_t(Data.size()));
    EXPECT_TRUE(S.ReadAll() == Data);
    const std::string Raw = Stored(*B, Name);
    if (Name == "short") {
      EXPECT_EQ(Raw, Data);
    } else {
      ASSERT_GE(Raw.size(), 128u);
      EXPECT_EQ(Raw.substr(0, 4), "AACS");
      EXPECT_EQ(Raw[20], char(sfsNone)) << "a stream of stored blocks";
      EXPECT_GT(Raw.size(), Data.size());
    }
  }
}

TEST(SFSStreams, EmptyCompressedStream) {
  auto A = NewArchive();
  std::string Header(128, '\0');
  Header.replace(0, 4, "AACS");
  PutU32(reinterpret_cast<uint8_t*>(Header.data()) + 4, 1048576);
  Header[20] = zlibFastest;
  {
    TSFSUserFileStream S(A.get(), "empty", fmCreate);
    S.WriteString(Header);
  }
  TSFSFileStream S(A.get(), "empty", fmOpenRead);
  EXPECT_TRUE(S.DataStream().Compressed());
  EXPECT_EQ(S.GetSize(), 0);
  EXPECT_EQ(S.ReadAll(), "");
}

TEST(SFSStreams, RewritingBlocksKeepsTheChain) {
  auto A = NewArchive();
  const std::string Text = TextLike(1200000, 5); // three 512 KiB blocks
  {
    TSFSFileStream S(A.get(), "f", fmCreate, "", "", "", zlibFastest);
    S.WriteString(Text);
  }
  std::mt19937 R(9);
  std::string Noise(200000, '\0');
  for (char& C : Noise) {
    C = char(R());
  }
  std::string Expect = Text;
  {
    // Incompressible bytes make the first and second blocks grow in place.
    TSFSFileStream S(A.get(), "f", fmOpenReadWrite);
    S.Seek(1000, soBeginning);
    S.WriteString(Noise);
    S.Seek(600000, soBeginning);
    S.WriteString(Noise);
  }
  Expect.replace(1000, Noise.size(), Noise);
  Expect.replace(600000, Noise.size(), Noise);
  auto B = TSingleFileSystem::OpenImage("image", *A->PFM().File().MemoryImage());
  TSFSFileStream S(B.get(), "f", fmOpenRead);
  EXPECT_EQ(S.DataStream().NumBlocks(), 3);
  EXPECT_EQ(S.ReadAll(), Expect);
}

TEST(SFSStreams, SetSizeOfCompressedStream) {
  auto A = NewArchive();
  const std::string Text = TextLike(1100000, 6);
  {
    TSFSFileStream S(A.get(), "f", fmCreate, "", "", "", bzipFastest);
    S.WriteString(Text);
    S.SetSize(600000);
    EXPECT_EQ(S.GetSize(), 600000);
    S.SetSize(700000);
  }
  TSFSFileStream S(A.get(), "f", fmOpenReadWrite);
  EXPECT_EQ(S.DataStream().NumBlocks(), 2);
  EXPECT_EQ(S.ReadAll(), Text.substr(0, 600000) + std::string(100000, '\0'));
  S.SetSize(0);
  EXPECT_EQ(S.GetSize(), 0);
  EXPECT_EQ(S.PackedSize(), 128);
}

TEST(SFSStreams, ReadOnlyStreamRefusesWrites) {
  auto A = NewArchive();
  {
    TSFSFileStream S(A.get(), "f", fmCreate);
    S.WriteString("abc");
  }
  TSFSFileStream S(A.get(), "f", fmOpenRead);
  try {
    S.WriteBuffer("x", 1);
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "TSFSFileStream.Write - file is in read only mode.");
  }
  try {
    S.SetSize(0);
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "TSFSFileStream.SetSize - file is in read only mode.");
  }
  EXPECT_THROW(TSFSFileStream(A.get(), "missing", fmOpenRead), EGException);
  EXPECT_THROW(TSFSFileStream(nullptr, "f", fmOpenRead), EGException);
}

TEST(SFSTransforms, EdgeCases) {
  std::vector<uint8_t> Out;
  const uint8_t In[4] = {1, 2, 3, 4};
  EXPECT_FALSE(SFSInternalCompressBuffer(In, 0, Out, zlibFastest));
  EXPECT_FALSE(SFSInternalCompressBuffer(In, 4, Out, 10));
  EXPECT_EQ(SFSInternalGetBlockSize(10), 1048576);
  EXPECT_EQ(SFSInternalGetBlockSize(ppmMax), 1572864);
  EXPECT_EQ(SFSInternalGetBlockSize(bzipFastest), 524288);
  size_t Size = 0;
  EXPECT_FALSE(SFSInternalDecompressBuffer(In, 4, Out, Size, sfsNone));
  Size = 4;
  EXPECT_FALSE(SFSInternalDecompressBuffer(In, 4, Out, Size, 10));
  ASSERT_TRUE(SFSInternalCompressBuffer(In, 4, Out, sfsNone));
  EXPECT_EQ(Out, std::vector<uint8_t>(In, In + 4));
}

TEST(SFSTransforms, DecompressionIsBoundedByTheTrueSize) {
  const std::string Text = TextLike(100000, 3);
  const uint8_t* In = reinterpret_cast<const uint8_t*>(Text.data());
  for (int Level : {zlibFastest, zlibMax, bzipFastest, bzipMax}) {
    std::vector<uint8_t> Packed, Out;
    ASSERT_TRUE(SFSInternalCompressBuffer(In, Text.size(), Packed, Level)) << Level;
    size_t Size = Text.size();
    ASSERT_TRUE(SFSInternalDecompressBuffer(Packed.data(), Packed.size(), Out, Size, Level));
    EXPECT_EQ(std::string(Out.begin(), Out.end()), Text);
    // A header that claims less than the data holds fails instead of overrunning.
    Size = Text.size() - 1;
    EXPECT_FALSE(SFSInternalDecompressBuffer(Packed.data(), Packed.size(), Out, Size, Level));
    EXPECT_LE(Out.size(), Text.size() - 1);
    // Damaged data fails.
    Packed[Packed.size() / 2] ^= 0x55;
    Size = Text.size();
    bool Ok = SFSInternalDecompressBuffer(Packed.data(), Packed.size(), Out, Size, Level);
    EXPECT_TRUE(!Ok || Out.size() <= Text.size());
    Size = Text.size();
    EXPECT_FALSE(SFSInternalDecompressBuffer(Packed.data(), Packed.size() / 3, Out, Size, Level));
  }
}

TEST(SFSTransforms, PPMdHeaderWords) {
  const std::string Text = TextLike(5000, 4);
  const uint8_t* In = reinterpret_cast<const uint8_t*>(Text.data());
  struct {
    int Level;
    uint8_t Bytes[4];
  } Cases[] = {{ppmMax, {0x1C, 0x63, 0, 0}},
               {ppmFastest, {0x92, 0x60, 0, 0}},
               {ppmNormal, {0x84, 0x61, 0, 0}}};
  for (const auto& C : Cases) {
    std::vector<uint8_t> Out;
    ASSERT_TRUE(SFSInternalCompressBuffer(In, Text.size(), Out, C.Level));
    ASSERT_GE(Out.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(Out.begin(), Out.begin() + 4),
              std::vector<uint8_t>(C.Bytes, C.Bytes + 4));
    // The decoder takes its parameters from the word, whatever the level says.
    std::vector<uint8_t> Back;
    size_t Size = Text.size();
    ASSERT_TRUE(SFSInternalDecompressBuffer(Out.data(), Out.size(), Back, Size, ppmMax));
    EXPECT_EQ(std::string(Back.begin(), Back.end()), Text);
  }
}

} // namespace
