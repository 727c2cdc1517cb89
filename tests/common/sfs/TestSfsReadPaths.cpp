// Reading stored files takes one of three ways to the page bytes: straight from the mapping of
// an archive open for reading (or from the image of an in-memory one), or by positioned reads
// when the archive is open for writing. Whatever the way, reads give the same bytes and the same
// errors: odd page sizes, pages whose headers ask for the other checksum kinds, damaged pages and
// files cut short.
#include "SfsTestSupport.h"
#include "base/UGError.h"
#include "io/UGFileUtils.h"
#include "sfs/USingleFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The data pages of the file Name, in file order (empty when the map cannot be read).
std::vector<int32_t> DataPagesOf(TSingleFileSystem& A, const std::string& Name) {
  const TUserFilePageMap* Map = nullptr;
  if (A.UFM().GetMaps(A.DM().Item(A.FindFileByName(Name)), Map) != erOk || !Map)
    return {};
  return Map->DataPages;
}

// Reads Name in chunks of Chunk bytes from Pos on; the bytes read, then the result of the call
// that stopped (0 at the end, or the error code).
std::pair<std::string, int64_t> ReadChunks(TSingleFileSystem& A, const std::string& Name,
                                           int64_t Chunk, int64_t Pos = 0) {
  const int32_t H = A.FileOpen(Name, fmOpenRead);
  EXPECT_GT(H, 0) << Name;
  std::string Got;
  int64_t N = A.FileSeek(H, Pos, 0);
  std::string Buf(size_t(Chunk), '\0');
  while ((N = A.FileRead(H, Buf.data(), Chunk)) > 0) {
    Got.append(Buf, 0, size_t(N));
  }
  A.FileClose(H);
  return {Got, N};
}

// The three ways in: mapped (open for reading), positioned reads (open for writing), image.
std::vector<std::unique_ptr<TSingleFileSystem>> EveryWayIn(const std::string& Name) {
  std::vector<std::unique_ptr<TSingleFileSystem>> Ways;
  Ways.push_back(std::make_unique<TSingleFileSystem>(Name, fmOpenRead));
  Ways.push_back(std::make_unique<TSingleFileSystem>(Name, fmOpenReadWrite));
  Ways.push_back(TSingleFileSystem::OpenImage(Name, ReadFile(Name), fmOpenRead));
  return Ways;
}

// Data sizes that leave 32-byte blocks, whole words and single bytes after the 128-byte blocks
// of the page copy.
TEST(SFSReadPaths, OddPageSizesReadTheSameEveryWay) {
  for (int PS : {545, 603, 1001}) {
    TTempDir T("sfs_read_paths");
    const std::string Name = T.File("odd.sfs");
    const int64_t D = PS - PageHeaderSize;
    const std::string Data = RandomBytes(size_t(D) * 90 + 7, unsigned(PS));
    {
      TSingleFileSystem A(Name, fmCreate, false, "", "", "", sfsNone, PS, 4, -1);
      PutFile(A, "f", Data);
    }
    for (auto& A : EveryWayIn(Name)) {
      for (int64_t Chunk : {int64_t(1), D - 1, D + 3, int64_t(65536), int64_t(Data.size())}) {
        const auto [Got, End] = ReadChunks(*A, "f", Chunk);
        EXPECT_EQ(End, 0) << PS << " " << Chunk;
        EXPECT_TRUE(Got == Data) << PS << " " << Chunk;
      }
      EXPECT_TRUE(ReadChunks(*A, "f", 1000, 5 * D + 11).first == Data.substr(size_t(5 * D + 11)));
    }
  }
}

// Pages whose headers carry the full checksum or an unchecked kind read as data; a full checksum
// that holds the fast one, a page of another type and an encrypted page in a plain archive are
// errors, found the same way whichever way in.
TEST(SFSReadPaths, ChecksumKindsAndPageTypes) {
  TTempDir T("sfs_read_paths");
  const std::string Name = T.File("kinds.sfs");
  const int PS = 1024, D = PS - PageHeaderSize;
  const std::string Data = RandomBytes(size_t(D) * 14, 3);
  std::vector<int32_t> Pages;
  {
    TSingleFileSystem A(Name, fmCreate, false, "", "", "", sfsNone, PS, 4, -1);
    PutFile(A, "f", Data);
    Pages = DataPagesOf(A, "f");
    ASSERT_EQ(Pages.size(), 14u);
    auto Rewrite = [&](size_t Index, auto Change) {
      TPageHeader PH;
      std::vector<uint8_t> Page(static_cast<size_t>(D));
      ASSERT_EQ(A.PFM().ReadPage(Pages[Index], UFPage, PH, Page.data(), D), erOk);
      Change(PH, Page.data());
      uint8_t Raw[PageHeaderSize];
      PH.Save(Raw);
      A.PFM().File().WriteBuffer(int64_t(Pages[Index]) * PS, Raw, PageHeaderSize);
    };
    Rewrite(2, [&](TPageHeader& H, const uint8_t* P) {
      H.CrcType = crcFull;
      H.CRC = CountCRC(P, size_t(D), crcFull) | 0xABCD0000u; // the high half is not compared
    });
    Rewrite(4, [](TPageHeader& H, const uint8_t*) {
      H.CrcType = 7;
      H.CRC = 0x12345678;
    });
    Rewrite(7, [&](TPageHeader& H, const uint8_t* P) {
      H.CrcType = crcFull;
      H.CRC = CountCRC(P, size_t(D), crcFast);
      ASSERT_NE(H.CRC & 0xFFFF, CountCRC(P, size_t(D), crcFull));
    });
    Rewrite(10, [](TPageHeader& H, const uint8_t*) { H.PageType = UFPMPage; });
    Rewrite(12, [](TPageHeader& H, const uint8_t*) { H.EncType = encRijndael; });
  }
  for (auto& A : EveryWayIn(Name)) {
    for (int64_t Chunk : {int64_t(100), int64_t(D), int64_t(Data.size())}) {
      const auto [Got, End] = ReadChunks(*A, "f", Chunk);
      EXPECT_EQ(End, erCRCError) << Chunk;
      EXPECT_TRUE(Got == Data.substr(0, Got.size())) << Chunk;
      // Every chunk before the one that reaches the bad page.
      EXPECT_EQ(Got.size(), size_t(7 * D) / size_t(Chunk) * size_t(Chunk)) << Chunk;
    }
    const auto [After, End] = ReadChunks(*A, "f", 300, 8 * D);
    EXPECT_EQ(End, erReadPageHeaderError);
    EXPECT_TRUE(After == Data.substr(size_t(8 * D), After.size()));
    EXPECT_EQ(ReadChunks(*A, "f", 2 * D, 8 * D).second, erReadPageHeaderError);
    const auto [Before, Undecodable] = ReadChunks(*A, "f", 50, 11 * D);
    EXPECT_EQ(Undecodable, erDecodeError);
    EXPECT_TRUE(Before == Data.substr(size_t(11 * D), size_t(D) / 50 * 50));
    EXPECT_TRUE(ReadChunks(*A, "f", 50, 13 * D).first == Data.substr(size_t(13 * D)));
  }
}

// A file cut inside a page and the mapping of a file that shrank after it was opened: reads up
// to the cut succeed, reads of the missing pages fail, the partial ones included.
TEST(SFSReadPaths, PagesCutOffAreReadErrors) {
  TTempDir T("sfs_read_paths");
  const std::string Name = T.File("cut.sfs");
  const int PS = 1024, D = PS - PageHeaderSize;
  const std::string Data = RandomBytes(size_t(D) * 40, 4);
  std::vector<int32_t> Pages;
  {
    TSingleFileSystem A(Name, fmCreate, false, "", "", "", sfsNone, PS, 4, -1);
    PutFile(A, "f", Data);
    Pages = DataPagesOf(A, "f");
  }
  ASSERT_EQ(Pages.size(), 40u);
  ASSERT_GT(Pages[39], Pages[38]);
  // Inside the data of the file's page 38.
  const int64_t Cut = HFPHeaderSize + int64_t(Pages[38]) * PS + PageHeaderSize + 500;
  TSingleFileSystem Early(Name, fmOpenRead); // mapped at full length
  fs::resize_file(Name, uint64_t(Cut));
  TSingleFileSystem Late(Name, fmOpenRead); // mapped at the new length
  for (TSingleFileSystem* A : {&Early, &Late}) {
    for (int64_t Chunk : {int64_t(10), int64_t(D), int64_t(Data.size())}) {
      const auto [Got, End] = ReadChunks(*A, "f", Chunk);
      EXPECT_LT(End, 0) << Chunk;
      EXPECT_TRUE(Got == Data.substr(0, Got.size())) << Chunk;
      EXPECT_LE(Got.size(), size_t(38) * D) << Chunk;
    }
    EXPECT_LT(ReadChunks(*A, "f", 10, int64_t(39) * D + 5).second, 0);
    TPageHeader PH;
    std::vector<uint8_t> Page(static_cast<size_t>(D));
    EXPECT_EQ(A->PFM().ReadPage(Pages[38], UFPage, PH, Page.data(), D), erReadPageError);
    EXPECT_EQ(A->PFM().ReadPage(Pages[39], UFPage, PH, Page.data(), D), erReadPageHeaderError);
  }
}

} // namespace
