// Crafted damaged archives: every check made when opening an archive, reading a file and
// opening a compressed stream must fail with a clear error, never crash or hang.
#include "TempDir.h"
#include "base/UGError.h"
#include "io/UGFileUtils.h"
#include "sfs/UPPMd.h"
#include "sfs/USFSFileStream.h"
#include "sfs/USFSUserFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>

namespace {

constexpr int PS = 4096;
constexpr int D = PS - PageHeaderSize;

std::string Image(TSingleFileSystem& A) {
  return *A.PFM().File().MemoryImage();
}

uint8_t* At(std::string& Img, int64_t LogicalOffset) {
  return reinterpret_cast<uint8_t*>(Img.data()) + HFPHeaderSize + LogicalOffset;
}

uint8_t* Page(std::string& Img, int32_t No) {
  return At(Img, int64_t(No) * PS);
}

void FixPageCRC(std::string& Img, int32_t No, int Len) {
  uint8_t* P = Page(Img, No);
  PutU32(P + 4, CountCRC(P + PageHeaderSize, size_t(Len), crcFast));
}

void PatchHeader(std::string& Img, const std::function<void(TSingleFileHeader&)>& Change) {
  TSingleFileHeader H;
  ASSERT_TRUE(H.Load(At(Img, 0)));
  Change(H);
  H.Save(At(Img, 0));
}

// A small archive: a folder with two files (one compressed) and a root file.
std::string Sample() {
  TSingleFileSystem A("sample.sfs", fmCreate, true, "", "", "", sfsNone, PS, 8, -1);
  A.ForceDirectories("dir");
  int32_t H = A.FileCreate("dir\\raw.bin");
  std::string Data(3 * D + 100, 'r');
  A.FileWrite(H, Data.data(), int64_t(Data.size()));
  A.FileClose(H);
  {
    TSFSFileStream S(&A, "dir\\packed.txt", fmCreate, "", "", "", zlibFastest);
    std::string Text;
    while (Text.size() < 700000) {
      Text += "some text that packs well " + std::to_string(Text.size()) + "\n";
    }
    S.WriteString(Text);
  }
  H = A.FileCreate("root.txt");
  A.FileWrite(H, "root", 4);
  A.FileClose(H);
  return Image(A);
}

// Opens, lists and reads everything; damaged parts raise EGException, nothing else.
void ReadEverything(TSingleFileSystem& A) {
  for (int32_t I = 0; I < A.DM().Count(); ++I) {
    const TDirectoryElement& E = A.DM().Item(I);
    if (E.IsDeleted != 0 || E.IsFolder != 0) {
      continue;
    }
    try {
      TSFSFileStream S(&A, A.EntryPath(I), fmOpenRead);
      std::vector<char> Buf(65536);
      while (S.Read(Buf.data(), int64_t(Buf.size())) > 0) {
      }
    } catch (const EGException&) {
    }
  }
  TSFSSearchRec F;
  for (int32_t Rc = A.FindFirst("\\*.*", faAnyFile, F); Rc == erOk; Rc = A.FindNext(F)) {
  }
}

std::string OpenError(const std::string& Img) {
  try {
    auto A = TSingleFileSystem::OpenImage("bad.sfs", Img);
    return "";
  } catch (const EGException& E) {
    return E.Text();
  }
}

#define EXPECT_OPEN_FAILS(Img, Text)                                                               \
  do {                                                                                             \
    std::string Msg = OpenError(Img);                                                              \
    EXPECT_NE(Msg.find(Text), std::string::npos) << "got: \"" << Msg << "\"";                      \
  } while (0)

TEST(SFSCorrupt, SampleIsSound) {
  std::string Img = Sample();
  auto A = TSingleFileSystem::OpenImage("sample", Img);
  EXPECT_TRUE(A->FileExists("dir\\raw.bin"));
  ReadEverything(*A);
}

TEST(SFSCorrupt, ArchiveHeader) {
  const std::string Good = Sample();
  std::string Img = Good;
  At(Img, 0)[0] = 'X';
  EXPECT_OPEN_FAILS(Img, "File bad.sfs has corrupted header.");
  Img = Good;
  At(Img, 0)[100] ^= 1; // checksum no longer matches
  EXPECT_OPEN_FAILS(Img, "TSingleFileSystem.LoadHeader - Invalid SFS file, header is corrupted.");
  Img = Good;
  Img.resize(HFPHeaderSize + 100);
  EXPECT_OPEN_FAILS(Img, "corrupted");

  auto Expect = [&](const std::function<void(TSingleFileHeader&)>& Change, const char* Text) {
    std::string Bad = Good;
    PatchHeader(Bad, Change);
    EXPECT_OPEN_FAILS(Bad, Text);
  };
  Expect([](TSingleFileHeader& H) { H.PageSize = 543; }, "\"bad.sfs\": page size 543");
  Expect([](TSingleFileHeader& H) { H.PageSize = 1 << 30; }, "page size");
  Expect([](TSingleFileHeader& H) { H.PageSize = -4096; }, "page size");
  Expect([](TSingleFileHeader& H) { H.ExtentPageCount = 0; }, "extent page count 0");
  Expect([](TSingleFileHeader& H) { H.ExtentPageCount = 1 << 30; }, "extent page count");
  Expect([](TSingleFileHeader& H) { H.HDRPageCount = 2; }, "header page count 2");
  Expect([](TSingleFileHeader& H) { H.DIRPageCount = -1; }, "negative");
  Expect([](TSingleFileHeader& H) { H.TOTALPageCount = 0; }, "negative");
  Expect([](TSingleFileHeader& H) { H.DIRElementsCount = H.DIRPageCount * 7 + 1; }, "do not fit");
  Expect([](TSingleFileHeader& H) { H.PFSPageCount = 0; },
         "TFreeSpaceManager.Create - PFSPageCount * FPageSize < FExtentCount!");
  Expect([](TSingleFileHeader& H) { H.GAMPageCount = 0; },
         "TFreeSpaceManager.Create - GAMPageCount * FPageSize < FExtentCount!");
  Expect([](TSingleFileHeader& H) { H.TOTALPageCount = INT32_MAX; }, "FExtentCount!");
  Expect([](TSingleFileHeader& H) { H.PFSPageCount = 100000; }, "exceed");
  Expect([](TSingleFileHeader& H) { H.PFSPageCount = 2; },
         "TFreeSpaceManager.LoadPFS - can not load page, pageNo = ");
  Expect([](TSingleFileHeader& H) { H.DIRFirstPageNo = 0; }, "first directory page 0");
  Expect([](TSingleFileHeader& H) { H.DIRFirstPageNo = 1; },
         "TDIRManager.Load - can not load page, pageNo = 1");
  Expect([](TSingleFileHeader& H) { H.EncMethod = encRijndael; },
         "TSingleFileSystem.Create - invalid password specified, file name = \"bad.sfs\"");
  Expect([](TSingleFileHeader& H) { H.EncMethod = 7; }, "unknown encryption method 7");
}

TEST(SFSCorrupt, DirectoryChain) {
  const std::string Good = Sample();
  TSingleFileHeader H;
  ASSERT_TRUE(H.Load(At(const_cast<std::string&>(Good), 0)));
  ASSERT_EQ(H.DIRPageCount, 1);
  std::string Img = Good;
  PutI32(Page(Img, H.DIRFirstPageNo), H.DIRFirstPageNo); // points at itself
  PatchHeader(Img, [](TSingleFileHeader& X) { X.DIRPageCount = 2; });
  EXPECT_OPEN_FAILS(Img, "directory page chain loops");
  Img = Good;
  PutI32(Page(Img, H.DIRFirstPageNo), 77777);
  PatchHeader(Img, [](TSingleFileHeader& X) { X.DIRPageCount = 2; });
  EXPECT_OPEN_FAILS(Img, "directory page chain leaves the file at page 77777");
  Img = Good;
  Page(Img, H.DIRFirstPageNo)[PageHeaderSize + 5] ^= 0x40; // checksum mismatch
  EXPECT_OPEN_FAILS(Img, "TDIRManager.Load - can not load page, pageNo = ");
}

class SFSCorruptEntries : public ::testing::Test {
protected:
  void SetUp() override {
    Good = Sample();
    ASSERT_TRUE(Header.Load(At(Good, 0)));
    auto A = TSingleFileSystem::OpenImage("s", Good);
    Dir = A->FindFileByName("dir");
    Raw = A->FindFileByName("dir\\raw.bin");
    Root = A->FindFileByName("root.txt");
    RawMap = A->DM().Item(Raw).FirstMapPageNo;
    ASSERT_GE(Dir, 0);
    ASSERT_GE(Raw, 0);
  }
  // Changes entry I in a copy and fixes the directory page's checksum.
  std::string WithEntry(int32_t I, const std::function<void(uint8_t*)>& Change) {
    std::string Img = Good;
    Change(Page(Img, Header.DIRFirstPageNo) + PageHeaderSize + I * DirElementSize);
    FixPageCRC(Img, Header.DIRFirstPageNo, 7 * DirElementSize);
    return Img;
  }
  std::string Good;
  TSingleFileHeader Header;
  int32_t Dir = -1, Raw = -1, Root = -1, RawMap = -1;
};

TEST_F(SFSCorruptEntries, Fields) {
  EXPECT_OPEN_FAILS(WithEntry(Raw, [](uint8_t* E) { std::memset(E + 224, 'A', 260); }),
                    "has no terminating zero");
  EXPECT_OPEN_FAILS(WithEntry(Raw, [](uint8_t* E) { PutI64(E + 4, -5); }), "invalid size");
  EXPECT_OPEN_FAILS(WithEntry(Raw, [](uint8_t* E) { PutI64(E + 4, int64_t(1) << 60); }),
                    "invalid size");
  EXPECT_OPEN_FAILS(WithEntry(Raw, [](uint8_t* E) { PutI32(E, 1 << 30); }),
                    "invalid first map page");
  EXPECT_OPEN_FAILS(WithEntry(Raw, [](uint8_t* E) { PutI32(E + 40, 55); }), "invalid parent");
  EXPECT_OPEN_FAILS(WithEntry(Raw, [&](uint8_t* E) { PutI32(E + 40, Root); }), "invalid parent");
  EXPECT_OPEN_FAILS(WithEntry(Raw, [&](uint8_t* E) { PutI32(E + 40, Raw); }), "invalid parent");
  // The folder made its own parent: a cycle.
  EXPECT_OPEN_FAILS(WithEntry(Dir, [&](uint8_t* E) { PutI32(E + 40, Dir); }), "own ancestor");
  // A deleted parent.
  EXPECT_OPEN_FAILS(WithEntry(Dir, [](uint8_t* E) { E[221] = 1; }), "invalid parent");
}

TEST_F(SFSCorruptEntries, TwoFoldersInACycle) {
  std::string Img = Good;
  // Turn root.txt into a folder under dir, and dir into a child of it.
  uint8_t* Entries = Page(Img, Header.DIRFirstPageNo) + PageHeaderSize;
  Entries[Root * DirElementSize + 220] = 1;
  PutI32(Entries + Root * DirElementSize + 40, Dir);
  PutI32(Entries + Dir * DirElementSize + 40, Root);
  FixPageCRC(Img, Header.DIRFirstPageNo, 7 * DirElementSize);
  EXPECT_OPEN_FAILS(Img, "own ancestor");
}

TEST_F(SFSCorruptEntries, PageMaps) {
  auto ReadRaw = [](const std::string& Img) -> int64_t {
    auto A = TSingleFileSystem::OpenImage("bad.sfs", Img);
    // A damaged map is found when the file is opened.
    int32_t H = A->FileOpen("dir\\raw.bin", fmOpenRead);
    if (H < 0) {
      return A->LastError();
    }
    std::string Buf(4 * D, '\0');
    return A->FileRead(H, Buf.data(), int64_t(Buf.size()));
  };
  std::string Img = Good;
  PutI32(Page(Img, RawMap) + PageHeaderSize, 999999);
  FixPageCRC(Img, RawMap, D);
  EXPECT_EQ(ReadRaw(Img), erInvalidUFMap);
  Img = Good;
  PutI32(Page(Img, RawMap) + PageHeaderSize, 1); // a bitmap page
  FixPageCRC(Img, RawMap, D);
  EXPECT_EQ(ReadRaw(Img), erInvalidUFMap);
  Img = Good;
  PutI32(Page(Img, RawMap) + PageHeaderSize + 4, GetI32(Page(Img, RawMap) + PageHeaderSize));
  FixPageCRC(Img, RawMap, D);
  EXPECT_EQ(ReadRaw(Img), erInvalidUFMap);
  // A map chain that loops: the file claims more pages than its map lists.
  Img = WithEntry(Raw, [](uint8_t* E) { PutI64(E + 4, int64_t(D) * 8); });
  PutI32(Page(Img, RawMap), RawMap);
  EXPECT_EQ(ReadRaw(Img), erInvalidUFMap);
  // Through a stream, the failure is an error, not a short file.
  auto A = TSingleFileSystem::OpenImage("bad.sfs", Img);
  try {
    TSFSFileStream S(A.get(), "dir\\raw.bin", fmOpenRead);
    FAIL() << "opened a file with a damaged map";
  } catch (const EGException& E) {
    EXPECT_NE(E.Text().find("archive \"bad.sfs\", error -18"), std::string::npos) << E.Text();
  }
}

TEST_F(SFSCorruptEntries, DataPageChecksumIsAReadError) {
  std::string Img = Good;
  auto A0 = TSingleFileSystem::OpenImage("s", Good);
  const TUserFilePageMap* Map = nullptr;
  ASSERT_EQ(A0->UFM().GetMaps(A0->DM().Item(Raw), Map), erOk);
  Page(Img, Map->DataPages[1])[PageHeaderSize + 10] ^= 0x20;
  auto A = TSingleFileSystem::OpenImage("bad.sfs", Img);
  int32_t H = A->FileOpen("dir\\raw.bin", fmOpenRead);
  std::string Buf(size_t(D), '\0');
  EXPECT_EQ(A->FileRead(H, Buf.data(), D), D); // the first page is sound
  EXPECT_EQ(A->FileRead(H, Buf.data(), D), erCRCError);
  A->FileClose(H);
  TSFSFileStream S(A.get(), "dir\\raw.bin", fmOpenRead);
  try {
    S.ReadAll();
    FAIL() << "a damaged page read as data";
  } catch (const EReadError& E) {
    EXPECT_NE(E.Text().find("bad.sfs"), std::string::npos) << E.Text();
  }
  // A page of the wrong type is refused too.
  Img = Good;
  Page(Img, Map->DataPages[0])[8] = UFPMPage;
  auto B = TSingleFileSystem::OpenImage("bad.sfs", Img);
  H = B->FileOpen("dir\\raw.bin", fmOpenRead);
  EXPECT_EQ(B->FileRead(H, Buf.data(), D), erReadPageHeaderError);
}

// Compressed streams damaged through their stored bytes.
class SFSCorruptStreams : public ::testing::Test {
protected:
  void SetUp() override {
    A = std::make_unique<TSingleFileSystem>("s.sfs", fmCreate, true, "", "", "", sfsNone, PS, 8,
                                            -1);
    std::string Text;
    while (Text.size() < 1100000) {
      Text += "compressible line " + std::to_string(Text.size() % 1000) + "\n";
    }
    TSFSFileStream S(A.get(), "c", fmCreate, "", "", "", zlibFastest);
    S.WriteString(Text);
  }
  void Patch(int64_t Offset, const std::string& Bytes) {
    TSFSUserFileStream S(A.get(), "c", fmOpenReadWrite);
    S.Seek(Offset, soBeginning);
    S.WriteString(Bytes);
  }
  static std::string U32(uint32_t V) {
    std::string S(4, '\0');
    PutU32(reinterpret_cast<uint8_t*>(S.data()), V);
    return S;
  }
  std::string Error() {
    try {
      TSFSFileStream S(A.get(), "c", fmOpenRead);
      S.ReadAll();
      return "";
    } catch (const EGException& E) {
      return E.Text();
    }
  }
  std::unique_ptr<TSingleFileSystem> A;
};

TEST_F(SFSCorruptStreams, Sound) {
  EXPECT_EQ(Error(), "");
  TSFSFileStream S(A.get(), "c", fmOpenRead);
  EXPECT_EQ(S.DataStream().NumBlocks(), 3);
}

TEST_F(SFSCorruptStreams, BlockSizeZero) {
  Patch(4, U32(0));
  EXPECT_NE(Error().find("block size 0"), std::string::npos) << Error();
}

TEST_F(SFSCorruptStreams, AbsurdBlockCount) {
  Patch(12, U32(0x7FFFFFFF));
  EXPECT_NE(Error().find("block count"), std::string::npos) << Error();
}

TEST_F(SFSCorruptStreams, TrueSizeAboveBlockSize) {
  Patch(128 + 4, U32(524289));
  EXPECT_NE(Error().find("invalid size"), std::string::npos) << Error();
}

TEST_F(SFSCorruptStreams, MiddleBlockNotFull) {
  Patch(128 + 4, U32(1000));
  EXPECT_NE(Error().find("block 0 is not full"), std::string::npos) << Error();
}

TEST_F(SFSCorruptStreams, NextHeaderBeyondTheFile) {
  Patch(128 + 12, U32(0x7FFFFFF0));
  EXPECT_NE(Error().find("lies outside the file"), std::string::npos) << Error();
}

TEST_F(SFSCorruptStreams, PackedSizeBeyondTheFile) {
  Patch(128, U32(0x10000000));
  EXPECT_NE(Error().find("runs past the end"), std::string::npos) << Error();
}

TEST_F(SFSCorruptStreams, OverlappingBlocks) {
  Patch(128 + 12, U32(128)); // the second block header is the first one again
  EXPECT_NE(Error().find("overlap"), std::string::npos) << Error();
}

TEST_F(SFSCorruptStreams, DamagedBlockData) {
  Patch(128 + 16 + 40, "garbage!");
  EXPECT_NE(Error().find("TSFSAdvancedFileStream.LoadBlock - decompression"), std::string::npos)
      << Error();
}

TEST_F(SFSCorruptStreams, PPMdHeaderAskingForHugeModelMemory) {
  {
    TSFSFileStream S(A.get(), "p", fmCreate, "", "", "", ppmFastest);
    S.WriteString(std::string(200000, 'p'));
  }
  auto Read = [&] {
    try {
      TSFSFileStream S(A.get(), "p", fmOpenRead);
      return S.ReadAll() == std::string(200000, 'p') ? std::string() : std::string("wrong data");
    } catch (const EGException& E) {
      return E.Text();
    }
  };
  ASSERT_EQ(Read(), "");
  auto Word = [&](int MB) {
    TSFSUserFileStream S(A.get(), "p", fmOpenReadWrite);
    S.Seek(128 + 16, soBeginning);
    S.WriteString(U32(TPPMdCoder::MakeHeaderWord(3, MB)));
  };
  // The largest memory the format can name is refused before anything is allocated.
  Word(256);
  const std::string Msg = Read();
  EXPECT_NE(Msg.find("asks for 256 MB of PPMd model memory"), std::string::npos) << Msg;
  EXPECT_NE(Msg.find("\"p\""), std::string::npos) << Msg;
  Word(TPPMdCoder::DefaultDecodeMemoryLimitMB + 1);
  EXPECT_NE(Read().find("PPMd model memory"), std::string::npos);
  // The word the writer wrote decodes again.
  Word(10);
  EXPECT_EQ(Read(), "");
}

TEST_F(SFSCorruptStreams, ChecksumOfBlock) {
  Patch(128 + 8, U32(0x1234));
  EXPECT_EQ(Error(), "TSFSAdvancedFileStream.LoadBlock - decompression crc error.");
}

// The stored file cut after its first block: the chain ends at the end of the file while the
// header still gives three blocks. Reading must not pass the first block off as the whole file.
TEST_F(SFSCorruptStreams, ChainEndsBeforeTheBlockCount) {
  {
    TSFSUserFileStream S(A.get(), "c", fmOpenReadWrite);
    std::string Block(16, '\0');
    S.Seek(128, soBeginning);
    S.ReadBuffer(Block.data(), 16);
    S.SetSize(128 + 16 + GetU32(reinterpret_cast<const uint8_t*>(Block.data())));
  }
  const std::string Msg = Error();
  EXPECT_NE(Msg.find("\"c\""), std::string::npos) << Msg;
  EXPECT_NE(Msg.find("header gives 3 blocks, but the chain of blocks ends after 1"),
            std::string::npos)
      << Msg;
}

TEST_F(SFSCorruptStreams, TornTailIsCutOnlyWhenWritable) {
  int64_t Size;
  {
    TSFSUserFileStream S(A.get(), "c", fmOpenRead);
    Size = S.GetSize();
  }
  Patch(12, U32(4));
  Patch(Size, "0123456789"); // a block header cut short
  const std::string Before = Image(*A);
  {
    // Reading only, the missing block is an error, and nothing is written.
    auto B = TSingleFileSystem::OpenImage("ro", Before);
    EXPECT_THROW(TSFSFileStream(B.get(), "c", fmOpenRead), EGException);
    EXPECT_EQ(Image(*B), Before);
  }
  {
    TSFSFileStream S(A.get(), "c", fmOpenReadWrite);
    EXPECT_EQ(S.DataStream().NumBlocks(), 3);
  }
  TSFSUserFileStream S(A.get(), "c", fmOpenRead);
  EXPECT_EQ(S.GetSize(), Size);
  std::string Head(16, '\0');
  S.ReadBuffer(Head.data(), 16);
  EXPECT_EQ(GetU32(reinterpret_cast<const uint8_t*>(Head.data()) + 12), 3u);
}

TEST(SFSCorruptParts, NextNamesAreCheckedAndRepeatsStop) {
  namespace fs = std::filesystem;
  TTempDir Scratch("sfs_parts");
  const fs::path Dir = Scratch.Path();
  fs::create_directories(Dir / "sub");
  const std::string Name = (Dir / "sub" / "p.sfs").string();
  std::string Data(20000, 'p');
  {
    TSingleFileSystem A(Name, fmCreate, false, "", "", "", sfsNone, 1024, 4, 4000);
    int32_t H = A.FileCreate("f");
    A.FileWrite(H, Data.data(), int64_t(Data.size()));
    A.FileClose(H);
  }
  auto ReadF = [&]() -> std::string {
    try {
      TSingleFileSystem A(Name, fmOpenRead);
      TSFSFileStream S(&A, "f", fmOpenRead);
      return S.ReadAll();
    } catch (const EGException& E) {
      return "error: " + E.Text();
    }
  };
  ASSERT_EQ(ReadF().size(), Data.size());
  // The last part naming the first again: the chain stops there.
  int Last = 1;
  while (fs::exists(Name + "." + std::string(Last < 10 ? "00" : "0") + std::to_string(Last + 1))) {
    ++Last;
  }
  const std::string LastName =
      Name + "." + std::string(Last < 10 ? "00" : "0") + std::to_string(Last);
  std::string Part = ReadFile(LastName);
  Part.replace(16, 5, std::string("p.sfs", 5));
  WriteFile(LastName, Part);
  const std::string Got = ReadF();
  EXPECT_EQ(Got, Data) << Got.substr(0, 200);
  // A name that leaves the folder is not followed: the archive is then short.
  std::string First = ReadFile(Name);
  WriteFile((Dir / "evil").string(), First);
  First.replace(16, 8, std::string("../evil\0", 8));
  WriteFile(Name, First);
  EXPECT_EQ(ReadF().substr(0, 6), "error:");
}

TEST(SFSCorruptFuzz, RandomDamageNeverCrashes) {
  const std::string Good = Sample();
  std::mt19937 R(1234);
  for (int Round = 0; Round < 300; ++Round) {
    std::string Img = Good;
    const int Flips = 1 + int(R() % 8);
    for (int I = 0; I < Flips; ++I) {
      // Mostly the structures at the start: headers, bitmaps and the directory.
      size_t Pos = (R() % 4 != 0) ? R() % std::min<size_t>(Img.size(), 6 * PS + HFPHeaderSize)
                                  : R() % Img.size();
      Img[Pos] = char(R());
    }
    if (R() % 4 == 0) {
      // Keep the header consistent so that deeper checks are reached.
      TSingleFileHeader H;
      uint8_t* P = At(Img, 0);
      std::memcpy(P, "AASFSSGN", 8);
      H.Load(P);
      H.Save(P);
    }
    try {
      auto A = TSingleFileSystem::OpenImage("fuzz.sfs", Img);
      ReadEverything(*A);
    } catch (const EGException&) {
    }
  }
  for (size_t Len = 0; Len < Good.size(); Len += 997) {
    try {
      auto A = TSingleFileSystem::OpenImage("cut.sfs", Good.substr(0, Len));
      ReadEverything(*A);
    } catch (const EGException&) {
    }
  }
}

} // namespace
