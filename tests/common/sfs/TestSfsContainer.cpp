// The paged container: exact header bytes, geometry, raw round trips at several page sizes,
// stubs, part files, and read-only opens that leave the file untouched.
#include "SfsTestSupport.h"
#include "base/UGError.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"
#include "sfs/USFSFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string GetFile(TSingleFileSystem& A, const std::string& Name) {
  int32_t H = A.FileOpen(Name, fmOpenRead);
  EXPECT_GT(H, 0) << Name;
  if (H <= 0) {
    return {};
  }
  std::string S(size_t(A.FileGetSize(H)), '\0');
  EXPECT_EQ(A.FileRead(H, S.data(), int64_t(S.size())), int64_t(S.size()));
  A.FileClose(H);
  return S;
}

TEST(SFSContainer, NewArchiveHeaderBytes) {
  TTempDir T("sfs_container");
  const std::string Name = T.File("new.sfs");
  { TSingleFileSystem A(Name, fmCreate); }
  std::string Bytes = ReadFile(Name);
  ASSERT_EQ(Bytes.size(), size_t(HFPHeaderSize + DEFAULT_PAGE_SIZE));
  const uint8_t* P = reinterpret_cast<const uint8_t*>(Bytes.data());
  EXPECT_EQ(Bytes.substr(0, 8), "AAMVHFSS");
  EXPECT_GT(GetI64(P + 8), int64_t(380));
  for (int I = 16; I < HFPHeaderSize; ++I) {
    ASSERT_EQ(P[I], 0) << I;
  }
  const uint8_t* H = P + HFPHeaderSize;
  const uint8_t Expected[] = {
      'A',  'A',  'S',  'F',  'S', 'S', 'G', 'N',             // signature
      0x6E, 0x76, 0x26, 0x40,                                 // checksum
      0x66, 0x66, 0x26, 0x40,                                 // version 2.6
      0x00, 0x10, 0,    0,                                    // page size
      8,    0,    0,    0,                                    // pages per extent
      1,    0,    0,    0,                                    // header pages
      0,    0,    0,    0,    0,   0,   0,   0,   0, 0, 0, 0, // GAM, PFS, DIR page counts
      0,    0,    0,    0,                                    // first directory page
      0,    0,    0,    0,                                    // entries
      1,    0,    0,    0,                                    // total pages
  };
  for (size_t I = 0; I < sizeof(Expected); ++I) {
    ASSERT_EQ(H[I], Expected[I]) << "offset " << I;
  }
  for (int I = 52; I < SingleFileHeaderSize; ++I) {
    ASSERT_EQ(H[I], 0) << I;
  }
}

// The table-driven checksums against their definitions, at every alignment and tail length.
TEST(SFSChecksums, MatchTheirDefinitions) {
  auto Crc16 = [](const std::string& S, uint16_t C) {
    for (unsigned char Ch : S) {
      C ^= Ch;
      for (int B = 0; B < 8; ++B) {
        C = (C & 1) ? uint16_t((C >> 1) ^ 0xA001) : uint16_t(C >> 1);
      }
    }
    return C;
  };
  auto XorWords = [](const std::string& S) {
    uint32_t X = 0;
    for (size_t I = 0; I + 4 <= S.size(); I += 4) {
      X ^= GetU32(reinterpret_cast<const uint8_t*>(S.data()) + I);
    }
    return X;
  };
  const std::string Check = "123456789";
  EXPECT_EQ(CRC16ARC(reinterpret_cast<const uint8_t*>(Check.data()), Check.size()), 0xBB3D);
  const std::string Data = RandomBytes(5000, 11);
  for (size_t From : {size_t(0), size_t(1), size_t(3), size_t(7)}) {
    // Short runs, and runs of 64 bytes and more in every shape the wide loop leaves behind.
    for (size_t Len : {size_t(0), size_t(1), size_t(15), size_t(16), size_t(17), size_t(63),
                       size_t(64), size_t(67), size_t(80), size_t(127), size_t(128), size_t(129),
                       size_t(1000), size_t(4064), size_t(4990)}) {
      const std::string S = Data.substr(From, Len);
      const uint8_t* P = reinterpret_cast<const uint8_t*>(S.data());
      EXPECT_EQ(CRC16ARC(P, Len, 0x1234), Crc16(S, 0x1234)) << From << " " << Len;
      EXPECT_EQ(CountCRC(P, Len, crcFull), Crc16(S, 0)) << From << " " << Len;
      EXPECT_EQ(CountCRC(P, Len, crcFast), XorWords(S)) << From << " " << Len;
      EXPECT_TRUE(CheckCRC(P, Len, crcFast, XorWords(S)));
      // Copying while counting gives the same checksum and an exact copy.
      for (int Type : {int(crcFast), int(crcFull), 7}) {
        std::string Copy(Len + 1, '\x5A');
        EXPECT_EQ(CopyAndCountCRC(reinterpret_cast<uint8_t*>(Copy.data()), P, Len, Type),
                  CountCRC(P, Len, Type))
            << From << " " << Len << " " << Type;
        EXPECT_EQ(Copy.substr(0, Len), S);
        EXPECT_EQ(Copy[Len], '\x5A'); // nothing written past the end
      }
    }
  }
}

TEST(SFSContainer, Geometry) {
  TSingleFileSystem Small("compact.sfs", fmCreate, true, "", "", "", sfsNone, 1024, 4, -1);
  EXPECT_EQ(Small.DM().ElementsPerPage(), 1);
  EXPECT_EQ(Small.FSM().PFSPageSize(), 992);
  EXPECT_EQ(Small.FSM().PFSExtentsPerPage(), 1984);
  EXPECT_EQ(Small.FSM().GAMPageSize(), 992);
  EXPECT_EQ(Small.FSM().GAMExtentsPerPage(), 7936);
  TSingleFileSystem Big("big.sfs", fmCreate, true, "", "", "", sfsNone, 4096, 8, -1);
  EXPECT_EQ(Big.DM().ElementsPerPage(), 7);
  EXPECT_EQ(Big.FSM().PFSPageSize(), 4064);
  EXPECT_EQ(Big.FSM().PFSExtentsPerPage(), 4064);
  EXPECT_EQ(Big.FSM().GAMExtentsPerPage(), 32512);
  EXPECT_THROW(TSingleFileSystem("x.sfs", fmCreate, true, "", "", "", sfsNone, 543, 8, -1),
               EGException);
  EXPECT_THROW(TSingleFileSystem("x.sfs", fmCreate, true, "", "", "", sfsNone, 1024, 0, -1),
               EGException);
}

TEST(SFSContainer, FirstExtentHoldsBitmapPages) {
  TSingleFileSystem A("a.sfs", fmCreate, true, "", "", "", sfsNone, 1024, 4, -1);
  PutFile(A, "one", "x");
  EXPECT_FALSE(A.FSM().IsPageFree(1)); // PFS
  EXPECT_FALSE(A.FSM().IsPageFree(2)); // GAM
  EXPECT_FALSE(A.FSM().IsPageFree(3)); // SGAM
  EXPECT_EQ(A.PFM().Header().PFSPageCount, 1);
  EXPECT_EQ(A.PFM().Header().GAMPageCount, 1);
}

TEST(SFSContainer, DataPagesPerFileSize) {
  TSingleFileSystem A("a.sfs", fmCreate, true, "", "", "", sfsNone, 1024, 4, -1);
  const int D = A.PFM().DataSize();
  PutFile(A, "exact", std::string(size_t(D), 'e'));
  PutFile(A, "more", std::string(size_t(D) + 1, 'm'));
  const TUserFilePageMap* Map = nullptr;
  ASSERT_EQ(A.UFM().GetMaps(A.DM().Item(A.FindFileByName("exact")), Map), erOk);
  EXPECT_EQ(Map->DataPages.size(), 1u);
  ASSERT_EQ(A.UFM().GetMaps(A.DM().Item(A.FindFileByName("more")), Map), erOk);
  EXPECT_EQ(Map->DataPages.size(), 2u);
}

struct TGeometry {
  int PageSize;
  int ExtentPages;
};

class SFSRoundTrip : public ::testing::TestWithParam<TGeometry> {};

TEST_P(SFSRoundTrip, RawFilesSurviveReopen) {
  TTempDir T("sfs_container");
  const std::string Name = T.File("rt.sfs");
  const TGeometry G = GetParam();
  const int D = G.PageSize - PageHeaderSize;
  const std::vector<size_t> Sizes = {
      0, 1, size_t(D) - 1, size_t(D), size_t(D) + 1, size_t(3 * D + 17), 100000};
  {
    TSingleFileSystem A(Name, fmCreate, false, "", "", "", sfsNone, G.PageSize, G.ExtentPages, -1);
    ASSERT_TRUE(A.ForceDirectories("\\dir\\sub"));
    for (size_t I = 0; I < Sizes.size(); ++I) {
      PutFile(A, "\\dir\\sub\\f" + std::to_string(I), RandomBytes(Sizes[I], unsigned(I)));
    }
    // Interleaved writes through two handles.
    int32_t H1 = A.FileCreate("a");
    int32_t H2 = A.FileCreate("b");
    std::string Da = RandomBytes(50000, 100), Db = RandomBytes(50000, 101);
    for (size_t Off = 0; Off < Da.size(); Off += 777) {
      size_t N = std::min<size_t>(777, Da.size() - Off);
      ASSERT_EQ(A.FileWrite(H1, Da.data() + Off, int64_t(N)), int64_t(N));
      ASSERT_EQ(A.FileWrite(H2, Db.data() + Off, int64_t(N)), int64_t(N));
    }
    A.FileClose(H1);
    A.FileClose(H2);
  }
  TSingleFileSystem A(Name, fmOpenRead);
  for (size_t I = 0; I < Sizes.size(); ++I) {
    EXPECT_EQ(GetFile(A, "\\DIR\\Sub\\F" + std::to_string(I)), RandomBytes(Sizes[I], unsigned(I)))
        << "size " << Sizes[I];
  }
  EXPECT_EQ(GetFile(A, "a"), RandomBytes(50000, 100));
  EXPECT_EQ(GetFile(A, "b"), RandomBytes(50000, 101));
  // Random access inside a file.
  int32_t H = A.FileOpen("\\dir\\sub\\f6", fmOpenRead);
  std::string Part(1000, '\0');
  ASSERT_EQ(A.FileSeek(H, 12345, 0), 12345);
  ASSERT_EQ(A.FileRead(H, Part.data(), 1000), 1000);
  EXPECT_EQ(Part, RandomBytes(100000, 6).substr(12345, 1000));
  A.FileClose(H);
}

INSTANTIATE_TEST_SUITE_P(PageSizes, SFSRoundTrip,
                         ::testing::Values(TGeometry{544, 1}, TGeometry{544, 2}, TGeometry{1024, 4},
                                           TGeometry{4096, 8}, TGeometry{8192, 3},
                                           TGeometry{65536, 16}),
                         [](const ::testing::TestParamInfo<TGeometry>& I) {
                           return std::to_string(I.param.PageSize) + "x" +
                                  std::to_string(I.param.ExtentPages);
                         });

TEST(SFSContainer, StubBeforeTheArchive) {
  TTempDir T("sfs_container");
  const std::string Plain = T.File("plain.sfs");
  {
    TSingleFileSystem A(Plain, fmCreate);
    PutFile(A, "hello.txt", "hello, world");
  }
  // A stub longer than one scan chunk, with decoy "AAMV" bytes in it.
  std::string Stub = RandomBytes(70000, 7);
  Stub.replace(100, 8, "AAMVHFSS");
  Stub.replace(65533, 4, "AAMV");
  const std::string Stubbed = T.File("stubbed.bin");
  WriteFile(Stubbed, Stub + ReadFile(Plain));
  TSingleFileSystem A(Stubbed, fmOpenReadWrite);
  EXPECT_EQ(A.PFM().File().StubSize(), int64_t(Stub.size()));
  EXPECT_EQ(GetFile(A, "hello.txt"), "hello, world");
  PutFile(A, "more.bin", RandomBytes(20000, 8));
  EXPECT_EQ(ReadFile(Stubbed).substr(0, Stub.size()), Stub);
  TSingleFileSystem B(Stubbed, fmOpenRead);
  EXPECT_EQ(GetFile(B, "more.bin"), RandomBytes(20000, 8));
}

TEST(SFSContainer, PartFiles) {
  TTempDir T("sfs_container");
  const std::string Name = T.File("parts.sfs");
  {
    TSingleFileSystem A(Name, fmCreate, false, "", "", "", sfsNone, 1024, 4, 5000);
    for (int I = 0; I < 10; ++I) {
      PutFile(A, "f" + std::to_string(I), RandomBytes(3000 + size_t(I) * 500, unsigned(I)));
    }
    EXPECT_GT(A.PFM().File().PartCount(), 5);
  }
  EXPECT_TRUE(fs::exists(T.File("parts.sfs.001")));
  for (const auto& E : fs::directory_iterator(T.File(""))) {
    EXPECT_LE(fs::file_size(E.path()), 5000u) << E.path();
  }
  {
    TSingleFileSystem A(Name, fmOpenReadWrite);
    for (int I = 0; I < 10; ++I) {
      EXPECT_EQ(GetFile(A, "f" + std::to_string(I)),
                RandomBytes(3000 + size_t(I) * 500, unsigned(I)));
    }
    const int Before = A.PFM().File().PartCount();
    // Releasing the pages at the end cuts the part files away.
    for (int I = 9; I >= 5; --I) {
      EXPECT_TRUE(A.DeleteFile("f" + std::to_string(I)));
    }
    EXPECT_LT(A.PFM().File().PartCount(), Before);
  }
  TSingleFileSystem A(Name, fmOpenRead);
  EXPECT_EQ(GetFile(A, "f3"), RandomBytes(4500, 3));
  EXPECT_FALSE(A.FileExists("f7"));
  EXPECT_THROW(
      TSingleFileSystem(T.File("tiny.sfs"), fmCreate, false, "", "", "", sfsNone, 1024, 4, 379),
      EGException);
}

// Whole pages are read in runs straight into the caller's buffer; any split of a read must give
// the same bytes, and a damaged page inside a run stops the read exactly before it.
TEST(SFSContainer, ReadsOfPageRuns) {
  TTempDir T("sfs_container");
  const std::string Name = T.File("runs.sfs");
  const int PS = 1024, D = PS - PageHeaderSize;
  const std::string Data = RandomBytes(size_t(D) * 300 + 77, 5);
  {
    // Small part files put part boundaries inside runs of consecutive pages.
    TSingleFileSystem A(Name, fmCreate, false, "", "", "", sfsNone, PS, 8, 40000);
    PutFile(A, "gap", RandomBytes(1500, 1));
    PutFile(A, "big", Data);
    EXPECT_TRUE(A.DeleteFile("gap"));
    PutFile(A, "later", RandomBytes(size_t(D) * 20, 2)); // takes the freed pages first
  }
  int32_t Damaged = 0;
  {
    TSingleFileSystem A(Name, fmOpenRead);
    EXPECT_EQ(GetFile(A, "big"), Data);
    for (int64_t Chunk :
         {int64_t(1), int64_t(D - 1), int64_t(D), int64_t(3 * D + 5), int64_t(65536)}) {
      int32_t H = A.FileOpen("big", fmOpenRead);
      std::string Got(Data.size(), '\0');
      int64_t Done = 0;
      for (int64_t N;
           (N = A.FileRead(H, Got.data() + Done,
                           std::min<int64_t>(Chunk, int64_t(Data.size()) - Done))) > 0;) {
        Done += N;
      }
      A.FileClose(H);
      EXPECT_EQ(Done, int64_t(Data.size())) << Chunk;
      EXPECT_TRUE(Got == Data) << Chunk;
    }
    const TUserFilePageMap* Map = nullptr;
    ASSERT_EQ(A.UFM().GetMaps(A.DM().Item(A.FindFileByName("big")), Map), erOk);
    Damaged = Map->DataPages[150];
  }
  // One flipped bit in the data of page 150 of the file.
  {
    TSingleFileSystem A(Name, fmOpenReadWrite);
    TPageHeader PH;
    std::vector<uint8_t> Page(static_cast<size_t>(D));
    ASSERT_EQ(A.PFM().ReadPage(Damaged, UFPage, PH, Page.data(), D), erOk);
    Page[100] ^= 4;
    const uint32_t Crc = PH.CRC;
    ASSERT_EQ(A.PFM().WritePage(Damaged, PH, Page.data(), D), erOk);
    // Put back the old checksum: the page now fails its check.
    PH.CRC = Crc;
    uint8_t Raw[PageHeaderSize];
    PH.Save(Raw);
    A.PFM().File().WriteBuffer(int64_t(Damaged) * PS, Raw, PageHeaderSize);
  }
  TSingleFileSystem A(Name, fmOpenRead);
  int32_t H = A.FileOpen("big", fmOpenRead);
  std::string Got(Data.size(), '\0');
  EXPECT_EQ(A.FileRead(H, Got.data(), int64_t(Got.size())), erCRCError);
  EXPECT_EQ(A.FileSeek(H, 0, 1), int64_t(150) * D);
  EXPECT_EQ(Got.substr(0, size_t(150) * D), Data.substr(0, size_t(150) * D));
  // Reads before the damage still succeed, and the damaged page fails however it is reached.
  EXPECT_EQ(A.FileSeek(H, 0, 0), 0);
  EXPECT_EQ(A.FileRead(H, Got.data(), int64_t(150) * D), int64_t(150) * D);
  EXPECT_EQ(A.FileRead(H, Got.data(), 10), erCRCError);
  A.FileClose(H);
}

TEST(SFSContainer, MissingPartFileIsReported) {
  TTempDir T("sfs_container");
  const std::string Name = T.File("parts.sfs");
  {
    TSingleFileSystem A(Name, fmCreate, false, "", "", "", sfsNone, 1024, 4, 3000);
    PutFile(A, "f", RandomBytes(20000, 1));
  }
  fs::remove(T.File("parts.sfs.002"));
  try {
    TSingleFileSystem A(Name, fmOpenRead);
    FAIL() << "opened without its part file";
  } catch (const EGException& E) {
    EXPECT_NE(E.Text().find("parts.sfs.002' not found"), std::string::npos) << E.Text();
  }
  try {
    TSingleFileSystem A(T.File("none.sfs"), fmOpenRead);
    FAIL();
  } catch (const EGException& E) {
    EXPECT_NE(E.Text().find("not found"), std::string::npos) << E.Text();
  }
}

TEST(SFSContainer, ReadOnlyOpenNeverWrites) {
  TTempDir T("sfs_container");
  const std::string Name = T.File("ro.sfs");
  {
    TSingleFileSystem A(Name, fmCreate, "", "", "", zlibFastest);
    PutFile(A, "raw", RandomBytes(5000, 1));
    TSFSFileStream S(&A, "packed", fmCreate);
    std::string Data(300000, 'z');
    S.WriteBuffer(Data.data(), int64_t(Data.size()));
  }
  const std::string Before = ReadFile(Name);
  {
    TSingleFileSystem A(Name, fmOpenRead);
    EXPECT_TRUE(A.ReadOnly());
    EXPECT_EQ(GetFile(A, "raw"), RandomBytes(5000, 1));
    TSFSFileStream S(&A, "packed", fmOpenRead);
    EXPECT_EQ(S.ReadAll(), std::string(300000, 'z'));
    EXPECT_LT(A.FileCreate("new"), 0);
    EXPECT_LT(A.FileOpen("raw", fmOpenReadWrite), 0);
    EXPECT_FALSE(A.DeleteFile("raw"));
    EXPECT_FALSE(A.ForceDirectories("x"));
    EXPECT_THROW(S.WriteBuffer("a", 1), EGException);
  }
  EXPECT_EQ(ReadFile(Name), Before);
}

TEST(SFSContainer, InMemoryArchive) {
  TSingleFileSystem A("mem.sfs", fmCreate, true, "", "", "", sfsNone, 4096, 8, -1);
  PutFile(A, "x", "content");
  EXPECT_FALSE(fs::exists("mem.sfs"));
  const std::string* Image = A.PFM().File().MemoryImage();
  ASSERT_NE(Image, nullptr);
  auto B = TSingleFileSystem::OpenImage("copy", *Image);
  EXPECT_EQ(GetFile(*B, "x"), "content");
}

} // namespace

// An archive open for reading is read through a mapping of its file. When the file shrinks
// under it (another program rewrites it), a read past the new end is an error, not a crash, and
// what is still there reads as before.
TEST(SFSContainer, ArchiveThatShrinksWhileOpenGivesReadErrors) {
  TTempDir T("sfs_container");
  const std::string Name = T.File("shrinks.sfs");
  const std::string Data = RandomBytes(300000, 9);
  {
    TSingleFileSystem A(Name, fmCreate);
    PutFile(A, "big", Data);
  }
  TSingleFileSystem A(Name, fmOpenRead);
  const int64_t FullSize = int64_t(fs::file_size(Name));
  const int64_t Kept = FullSize - 150000;
  fs::resize_file(Name, uint64_t(Kept));
  int32_t H = A.FileOpen("big", fmOpenRead);
  ASSERT_GT(H, 0);
  std::string Got(Data.size(), '\0');
  const int64_t Result = A.FileRead(H, Got.data(), int64_t(Got.size()));
  EXPECT_LT(Result, 0) << "a truncated archive read as whole";
  A.FileClose(H);
  // The first pages are intact and still read.
  H = A.FileOpen("big", fmOpenRead);
  ASSERT_GT(H, 0);
  EXPECT_EQ(A.FileRead(H, Got.data(), 4000), 4000);
  EXPECT_EQ(Got.substr(0, 4000), Data.substr(0, 4000));
  A.FileClose(H);
}
