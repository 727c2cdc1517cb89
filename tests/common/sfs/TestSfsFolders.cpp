// Names, folders and handles of the archive: path resolution, patterns, folder operations,
// deleting open files, reuse of freed pages and the page-map cache.
#include "SfsTestSupport.h"
#include "base/UGError.h"
#include "io/UGFileUtils.h"
#include "sfs/USFSFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace {

std::unique_ptr<TSingleFileSystem> NewArchive(int PageSize = 1024, int Extent = 4) {
  return std::make_unique<TSingleFileSystem>("mem.sfs", fmCreate, true, "", "", "", sfsNone,
                                             PageSize, Extent, -1);
}

std::string GetFile(TSingleFileSystem& A, const std::string& Name) {
  int32_t H = A.FileOpen(Name, fmOpenRead);
  if (H <= 0) {
    return "<missing>";
  }
  std::string S(size_t(A.FileGetSize(H)), '\0');
  EXPECT_EQ(A.FileRead(H, S.data(), int64_t(S.size())), int64_t(S.size()));
  A.FileClose(H);
  return S;
}

std::set<std::string> List(TSingleFileSystem& A, const std::string& Pattern,
                           uint32_t Attr = faAnyFile) {
  std::set<std::string> Names;
  TSFSSearchRec F;
  for (int32_t Rc = A.FindFirst(Pattern, Attr, F); Rc == erOk; Rc = A.FindNext(F)) {
    Names.insert(F.Name);
  }
  A.FindClose(F);
  return Names;
}

// Reopens the archive image, which runs every check of the directory.
std::unique_ptr<TSingleFileSystem> Reopen(TSingleFileSystem& A) {
  return TSingleFileSystem::OpenImage("image", *A.PFM().File().MemoryImage());
}

TEST(SFSPaths, Resolution) {
  auto A = NewArchive();
  ASSERT_TRUE(A->ForceDirectories("\\Data\\Sub"));
  PutFile(*A, "\\Data\\Sub\\File.txt", "x");
  PutFile(*A, "\\Other.txt", "y");
  EXPECT_EQ(A->FindFileByName("\\"), rootID);
  EXPECT_EQ(A->FindFileByName("/"), rootID);
  EXPECT_GE(A->FindFileByName("\\data\\SUB\\file.TXT"), 0);
  EXPECT_GE(A->FindFileByName("data/sub/file.txt"), 0);
  EXPECT_GE(A->FindFileByName("data\\sub\\"), 0);
  EXPECT_EQ(A->FindFileByName("data\\\\sub"), erInvalidPath);
  EXPECT_EQ(A->FindFileByName(""), erInvalidPath);
  EXPECT_EQ(A->FindFileByName("nowhere.txt"), erInvalidPath);
  // A name that exists, but in another folder.
  EXPECT_EQ(A->FindFileByName("\\Data\\Other.txt"), erInvalidCurrentDir);
  EXPECT_EQ(A->FindFileByName("\\..\\..\\Other.txt"), A->FindFileByName("Other.txt"));
  ASSERT_TRUE(A->SetCurrentDir("data\\sub"));
  EXPECT_EQ(A->GetCurrentDir(), "\\Data\\Sub");
  EXPECT_TRUE(A->FileExists("file.txt"));
  EXPECT_TRUE(A->FileExists("..\\..\\other.txt"));
  EXPECT_TRUE(A->FileExists("\\other.txt"));
  EXPECT_FALSE(A->SetCurrentDir("file.txt"));
  EXPECT_TRUE(A->DirectoryExists(".."));
  EXPECT_FALSE(A->DirectoryExists("file.txt"));
  EXPECT_LT(A->FileCreate("bad\\\\name"), 0);
  EXPECT_LT(A->FileCreate(std::string(260, 'n')), 0);
}

TEST(SFSPaths, Patterns) {
  EXPECT_TRUE(IsStrMatchPattern("anything", "*.*", true));
  EXPECT_TRUE(IsStrMatchPattern("abc.txt", "*.TXT", true));
  EXPECT_FALSE(IsStrMatchPattern("abc.txt", "*.TXT", false));
  EXPECT_TRUE(IsStrMatchPattern("abc", "a?c", true));
  EXPECT_FALSE(IsStrMatchPattern("ac", "a?c", true));
  EXPECT_TRUE(IsStrMatchPattern("abc", "abc*", true));
  // A '*' that is not last needs a character after it.
  EXPECT_FALSE(IsStrMatchPattern("ab", "ab*c", true));
  EXPECT_TRUE(IsStrMatchPattern("[x]", "{X}", true));
  EXPECT_FALSE(IsStrMatchPattern("abc", "ab", true));
  // Many stars stay fast.
  EXPECT_FALSE(IsStrMatchPattern(std::string(250, 'a'), std::string(40, '*') + "b", true));
}

TEST(SFSFolders, FindFirstFiltersByAttributeAndName) {
  auto A = NewArchive();
  ASSERT_TRUE(A->ForceDirectories("dir\\inner"));
  PutFile(*A, "dir\\a.txt", "1");
  PutFile(*A, "dir\\b.bin", "22");
  PutFile(*A, "dir\\hidden.txt", "333");
  ASSERT_TRUE(A->FileSetAttr("dir\\hidden.txt", faHidden));
  EXPECT_EQ(List(*A, "dir\\*.*"), (std::set<std::string>{"a.txt", "b.bin", "hidden.txt", "inner"}));
  EXPECT_EQ(List(*A, "dir\\*.txt", 0), (std::set<std::string>{"a.txt"}));
  EXPECT_EQ(List(*A, "dir\\*", faDirectory), (std::set<std::string>{"a.txt", "b.bin", "inner"}));
  TSFSSearchRec F;
  ASSERT_EQ(A->FindFirst("\\dir\\b.bin", 0, F), erOk);
  EXPECT_EQ(F.Size, 2);
  EXPECT_EQ(A->FindNext(F), erFileNotFound);
  EXPECT_NE(A->FindFirst("\\nowhere\\*.*", faAnyFile, F), erOk);
  EXPECT_GT(A->FileAge("dir\\a.txt"), 0);
  EXPECT_TRUE(A->FileSetDate("dir\\a.txt", int32_t((44u << 25) | (3u << 21) | (4u << 16))));
  EXPECT_EQ(uint32_t(A->FileAge("dir\\a.txt")) >> 16, (44u << 9) | (3u << 5) | 4u);
}

TEST(SFSFolders, RemoveDirOnlyWhenEmpty) {
  auto A = NewArchive();
  ASSERT_TRUE(A->ForceDirectories("a\\b"));
  EXPECT_FALSE(A->RemoveDir("a"));
  EXPECT_FALSE(A->IsFolderEmpty("a"));
  EXPECT_TRUE(A->RemoveDir("a\\b"));
  EXPECT_TRUE(A->IsFolderEmpty("a"));
  EXPECT_TRUE(A->RemoveDir("a"));
  EXPECT_FALSE(A->DirectoryExists("a"));
  PutFile(*A, "file", "x");
  EXPECT_FALSE(A->ForceDirectories("file\\sub"));
}

TEST(SFSFolders, DeleteFolderRemovesTheWholeSubtree) {
  auto A = NewArchive();
  ASSERT_TRUE(A->ForceDirectories("top\\mid\\deep"));
  PutFile(*A, "top\\1", "1");
  PutFile(*A, "top\\mid\\2", "2");
  PutFile(*A, "top\\mid\\deep\\3", std::string(5000, '3'));
  PutFile(*A, "keep", "k");
  ASSERT_TRUE(A->SetCurrentDir("top\\mid"));
  EXPECT_EQ(A->DeleteFolder("\\top"), 3);
  EXPECT_EQ(A->GetCurrentDir(), "\\");
  EXPECT_FALSE(A->DirectoryExists("\\top"));
  EXPECT_FALSE(A->DirectoryExists("\\top\\mid"));
  // New entries take the freed slots; none of the old children may come back under them.
  ASSERT_TRUE(A->ForceDirectories("n1\\n2\\n3\\n4\\n5"));
  for (std::string F : {"n1", "n1\\n2", "n1\\n2\\n3", "n1\\n2\\n3\\n4"}) {
    EXPECT_EQ(List(*A, F + "\\*.*").size(), 1u) << F;
  }
  EXPECT_EQ(GetFile(*A, "keep"), "k");
  auto B = Reopen(*A);
  EXPECT_TRUE(B->DirectoryExists("n1\\n2\\n3\\n4\\n5"));
  EXPECT_EQ(List(*B, "\\*.*"), (std::set<std::string>{"keep", "n1"}));
}

TEST(SFSFolders, DeleteFolderKeepsFoldersWithOpenFiles) {
  auto A = NewArchive();
  ASSERT_TRUE(A->ForceDirectories("top\\busy"));
  PutFile(*A, "top\\busy\\open", "o");
  PutFile(*A, "top\\free", "f");
  int32_t H = A->FileOpen("top\\busy\\open", fmOpenRead);
  ASSERT_GT(H, 0);
  EXPECT_EQ(A->DeleteFolder("top"), 1);
  EXPECT_TRUE(A->FileExists("top\\busy\\open"));
  EXPECT_FALSE(A->FileExists("top\\free"));
  A->FileClose(H);
  EXPECT_EQ(A->DeleteFolder("top"), 1);
  EXPECT_FALSE(A->DirectoryExists("top"));
}

TEST(SFSFolders, DeleteFilesByPattern) {
  auto A = NewArchive();
  ASSERT_TRUE(A->ForceDirectories("d\\e"));
  PutFile(*A, "d\\a.txt", "1");
  PutFile(*A, "d\\b.dat", "2");
  PutFile(*A, "d\\e\\c.txt", "3");
  EXPECT_EQ(A->DeleteFiles("d\\*.txt", faAnyFile, false), 1);
  EXPECT_TRUE(A->FileExists("d\\e\\c.txt"));
  EXPECT_EQ(A->DeleteFiles("d\\*.txt", faAnyFile, true), 1);
  EXPECT_TRUE(A->FileExists("d\\b.dat"));
  EXPECT_TRUE(A->DirectoryExists("d\\e"));
}

// Disk names that differ only in case would be one name in the archive: importing them would
// keep one file and drop the other.
TEST(SFSFolders, ImportRefusesNamesThatDifferOnlyInCase) {
  TTempDir Dir("sfs_import");
  std::filesystem::create_directories(Dir.File("src/Sub"));
  WriteFile(Dir.File("src/keep.txt"), "keep");
  WriteFile(Dir.File("src/Sub/Read.me"), "1");
  WriteFile(Dir.File("src/Sub/read.ME"), "2");
  auto A = NewArchive();
  try {
    A->ImportFiles(Dir.File("src"), "\\", faAnyFile, true, omAlways);
    FAIL() << "two files imported under one name";
  } catch (const EGException& E) {
    EXPECT_NE(E.Text().find("src/Sub/Read.me\""), std::string::npos) << E.Text();
    EXPECT_NE(E.Text().find("src/Sub/read.ME\""), std::string::npos) << E.Text();
  }
  // Found before anything was stored.
  EXPECT_TRUE(List(*A, "\\*.*").empty());
  // A folder and a file clash the same way.
  std::filesystem::remove(Dir.File("src/Sub/read.ME"));
  WriteFile(Dir.File("src/SUB"), "file");
  EXPECT_THROW(A->ImportFiles(Dir.File("src"), "\\", faAnyFile, true, omAlways), EGException);
  std::filesystem::remove(Dir.File("src/SUB"));
  EXPECT_EQ(A->ImportFiles(Dir.File("src"), "\\", faAnyFile, true, omAlways), 2);
  EXPECT_EQ(GetFile(*A, "\\Sub\\read.me"), "1");
}

TEST(SFSHandles, OpenFilesCannotBeDeleted) {
  auto A = NewArchive();
  PutFile(*A, "f", std::string(3000, 'f'));
  int32_t H = A->FileOpen("f", fmOpenRead);
  ASSERT_GT(H, 0);
  EXPECT_FALSE(A->DeleteFile("f"));
  EXPECT_EQ(A->LastError(), erFileNotDeleted);
  EXPECT_EQ(GetFile(*A, "f"), std::string(3000, 'f'));
  // Creating over an open file fails as well.
  EXPECT_EQ(A->FileCreate("f"), erFileNotDeleted);
  EXPECT_TRUE(A->FileClose(H));
  EXPECT_FALSE(A->FileClose(H));
  EXPECT_EQ(A->FileRead(H, nullptr, 1), erInvalidHandle);
  EXPECT_TRUE(A->DeleteFile("f"));
  EXPECT_FALSE(A->FileExists("f"));
  EXPECT_FALSE(A->DeleteFile("f"));
}

TEST(SFSHandles, HandlesAreSmallAndReused) {
  auto A = NewArchive();
  PutFile(*A, "f", "x");
  int32_t H1 = A->FileOpen("f", fmOpenRead);
  int32_t H2 = A->FileOpen("f", fmOpenRead);
  EXPECT_EQ(H1, 1);
  EXPECT_EQ(H2, 2);
  A->FileClose(H1);
  EXPECT_EQ(A->FileOpen("f", fmOpenRead), 1);
  EXPECT_EQ(A->FileOpen("missing", fmOpenRead), -1);
  EXPECT_EQ(A->FileOpen("\\", fmOpenRead), -1);
  A->CloseAllFiles();
  EXPECT_EQ(A->OpenHandleCount(), 0);
}

TEST(SFSHandles, FreedPagesAreReusedAndTheMapCacheFollows) {
  auto A = NewArchive();
  const int D = A->PFM().DataSize();
  const int E = A->PFM().Header().ExtentPageCount;
  PutFile(*A, "keep", "k");
  // More than one extent of data: taken from unshared extents.
  PutFile(*A, "old", std::string(size_t(D) * 11, 'o'));
  PutFile(*A, "tail", "t");
  // Cache the map of "old", then free its pages.
  EXPECT_EQ(GetFile(*A, "old"), std::string(size_t(D) * 11, 'o'));
  const TUserFilePageMap* Map = nullptr;
  ASSERT_EQ(A->UFM().GetMaps(A->DM().Item(A->FindFileByName("old")), Map), erOk);
  std::set<int32_t> OldExtents;
  for (int32_t P : Map->DataPages) {
    OldExtents.insert((P - 1) / E);
  }
  const std::vector<int32_t> OldPages = Map->DataPages;
  const int32_t Total = A->PFM().TotalPageCount();
  ASSERT_TRUE(A->DeleteFile("old"));
  for (int32_t P : OldPages) {
    EXPECT_TRUE(A->FSM().IsPageFree(P));
  }
  // A new file of another size takes its pages from the freed extents.
  const std::string New = std::string(size_t(D) * 10, 'n') + "xyz";
  PutFile(*A, "new", New);
  EXPECT_EQ(A->PFM().TotalPageCount(), Total);
  const TDirectoryElement& NewRec = A->DM().Item(A->FindFileByName("new"));
  ASSERT_EQ(A->UFM().GetMaps(NewRec, Map), erOk);
  EXPECT_TRUE(OldExtents.count((NewRec.FirstMapPageNo - 1) / E));
  for (int32_t P : Map->DataPages) {
    EXPECT_TRUE(OldExtents.count((P - 1) / E)) << P;
  }
  EXPECT_EQ(GetFile(*A, "new"), New);
  auto B = Reopen(*A);
  EXPECT_EQ(GetFile(*B, "new"), New);
  EXPECT_EQ(GetFile(*B, "keep"), "k");
  EXPECT_EQ(GetFile(*B, "tail"), "t");
}

TEST(SFSHandles, MapCacheFollowsGrowthAndShrinking) {
  auto A = NewArchive();
  const int D = A->PFM().DataSize();
  PutFile(*A, "f", std::string(size_t(D) * 2, 'a'));
  EXPECT_EQ(GetFile(*A, "f").size(), size_t(2 * D)); // map cached with two pages
  int32_t H = A->FileOpen("f", fmOpenReadWrite);
  ASSERT_EQ(A->FileSeek(H, 0, 2), 2 * D);
  const std::string More(size_t(D) * 300, 'b'); // needs a second map page
  ASSERT_EQ(A->FileWrite(H, More.data(), int64_t(More.size())), int64_t(More.size()));
  A->FileClose(H);
  EXPECT_EQ(GetFile(*A, "f"), std::string(size_t(D) * 2, 'a') + More);
  H = A->FileOpen("f", fmOpenReadWrite);
  ASSERT_EQ(A->FileSetSize(H, D + 1), erOk);
  A->FileClose(H);
  EXPECT_EQ(GetFile(*A, "f"), std::string(size_t(D) + 1, 'a'));
  auto B = Reopen(*A);
  EXPECT_EQ(GetFile(*B, "f"), std::string(size_t(D) + 1, 'a'));
}

TEST(SFSHandles, SetSizeShrinksAndGrowsWithZeros) {
  auto A = NewArchive();
  const int D = A->PFM().DataSize();
  const std::string Data(size_t(D) * 4, 'q');
  PutFile(*A, "f", Data);
  int32_t H = A->FileOpen("f", fmOpenReadWrite);
  ASSERT_EQ(A->FileSetSize(H, 10), erOk);
  ASSERT_EQ(A->FileSetSize(H, D + 5), erOk);
  A->FileClose(H);
  EXPECT_EQ(GetFile(*A, "f"), std::string(10, 'q') + std::string(size_t(D) - 5, '\0'));
  // Writing past the end fills the gap with zeros.
  H = A->FileOpen("f", fmOpenReadWrite);
  ASSERT_EQ(A->FileSeek(H, 3 * D, 0), 3 * D);
  ASSERT_EQ(A->FileWrite(H, "end", 3), 3);
  EXPECT_EQ(A->FileSeek(H, 0, 2), 3 * D + 3);
  EXPECT_LT(A->FileSeek(H, -1, 0), 0);
  A->FileClose(H);
  std::string Got = GetFile(*A, "f");
  ASSERT_EQ(Got.size(), size_t(3 * D + 3));
  EXPECT_EQ(Got.substr(size_t(D) + 5, size_t(2 * D) - 5), std::string(size_t(2 * D) - 5, '\0'));
  EXPECT_EQ(Got.substr(size_t(3 * D)), "end");
}

TEST(SFSHandles, ReleasedRunAtTheEndCutsTheFile) {
  auto A = NewArchive();
  const int D = A->PFM().DataSize();
  PutFile(*A, "first", "1");
  const int64_t Small = A->PFM().File().Size();
  PutFile(*A, "big", std::string(size_t(D) * 40, 'b'));
  EXPECT_GT(A->PFM().File().Size(), Small);
  ASSERT_TRUE(A->DeleteFile("big"));
  EXPECT_LE(A->PFM().File().Size(), int64_t(A->FSM().GetLastUsedPageNo() + 1) * 1024);
  PutFile(*A, "again", std::string(size_t(D) * 40, 'a'));
  auto B = Reopen(*A);
  EXPECT_EQ(GetFile(*B, "again"), std::string(size_t(D) * 40, 'a'));
}

TEST(SFSHandles, ManyFilesGrowTheDirectory) {
  auto A = NewArchive(1024, 4);
  for (int I = 0; I < 300; ++I) {
    PutFile(*A, "f" + std::to_string(I), std::to_string(I));
  }
  EXPECT_EQ(A->PFM().Header().DIRPageCount, 300);
  auto B = Reopen(*A);
  for (int I = 0; I < 300; I += 37) {
    EXPECT_EQ(GetFile(*B, "F" + std::to_string(I)), std::to_string(I));
  }
}

} // namespace
