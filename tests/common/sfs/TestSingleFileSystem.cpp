// The archive file system: paths, listing against the same tree on disk, folder deletion,
// read-only archives, the locking variant under two threads, and usage statistics.
#include "TempDir.h"
#include "io/UGFSUsageStatistics.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "sfs/UGSingleFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> FileList(TGFileSystem& FS, const std::string& Folder, bool Hidden) {
  TGFastStringList List;
  FS.MakeFileList(List, Folder, Hidden);
  std::vector<std::string> Out;
  for (int I = 0; I < List.Count(); ++I) {
    Out.push_back(List[I]);
  }
  return Out;
}

std::vector<std::string> Sorted(std::vector<std::string> V) {
  std::sort(V.begin(), V.end());
  return V;
}

void Put(TGFileSystem& FS, const std::string& Path, const std::string& Data) {
  auto S = FS.CreateStream(Path, fmCreate);
  S->WriteString(Data);
}

std::string Get(TGFileSystem& FS, const std::string& Path) {
  return FS.CreateStream(Path, fmOpenRead)->ReadAll();
}

// Bytes that differ from page to page, so that a page read from the wrong place shows.
std::string Pattern(size_t Size, uint32_t Seed) {
  std::string S(Size, '\0');
  uint32_t X = Seed * 2654435761u + 1;
  for (char& C : S) {
    X = X * 1664525u + 1013904223u;
    C = char(X >> 24);
  }
  return S;
}

class SingleFileSystemTest : public ::testing::Test {
protected:
  void SetUp() override { Archive = Scratch.File("Resources.sfs"); }

  TGObjectPtr<TGSingleFileSystem> Open(uint16_t Mode, bool Compact = false) {
    return TGObjectPtr<TGSingleFileSystem>(
        New<TGSingleFileSystem>(nullptr, Archive, Mode, Compact));
  }

  TTempDir Scratch{"hoe-gsfs"};
  std::string Archive;
};

} // namespace

TEST_F(SingleFileSystemTest, RelativePathsStartAtTheArchiveRoot) {
  EXPECT_EQ(TGSingleFileSystem::AdjustPath("Images\\a.png"), "\\Images\\a.png");
  EXPECT_EQ(TGSingleFileSystem::AdjustPath("\\Images\\a.png"), "\\Images\\a.png");
  EXPECT_EQ(TGSingleFileSystem::AdjustPath("/Images/a.png"), "/Images/a.png");
  EXPECT_EQ(TGSingleFileSystem::AdjustPath(""), "");

  auto FS = Open(fmCreate);
  EXPECT_EQ(FS->Location(), Archive);
  ASSERT_TRUE(FS->ForceDirectories("Images\\Hero"));
  Put(*FS, "Images\\Hero\\Idle.png", "idle");
  EXPECT_TRUE(FS->FileExists("Images\\Hero\\Idle.png"));
  EXPECT_TRUE(FS->FileExists("\\images\\hero\\IDLE.PNG"));
  EXPECT_TRUE(FS->FileExists("/Images/Hero/Idle.png"));
  EXPECT_FALSE(FS->FileExists("Images\\Hero"));
  EXPECT_TRUE(FS->DirectoryExists("images\\hero"));
  EXPECT_EQ(Get(*FS, "IMAGES\\Hero\\idle.png"), "idle");
  EXPECT_NE(FS->FileAge("Images\\Hero\\Idle.png"), -1);
  EXPECT_EQ(FS->FileAge("Images\\Hero\\Missing.png"), -1);
  EXPECT_THROW(FS->CreateStream("Images\\Missing.png", fmOpenRead), EGException);

  EXPECT_EQ(FS->SetFileAttributes("Images\\Hero\\Idle.png", faHidden | faArchive), 0);
  EXPECT_NE(FS->SetFileAttributes("Images\\Missing.png", faHidden), 0);
  TGSearchRec F;
  ASSERT_EQ(FS->FindFirst("Images\\Hero\\*.png", faAnyFile, F), 0);
  EXPECT_EQ(F.Name, "Idle.png");
  EXPECT_EQ(F.Size, 4);
  EXPECT_EQ(F.Attr, faHidden | faArchive);
  EXPECT_EQ(F.Time, FS->FileAge("Images\\Hero\\Idle.png"));
  EXPECT_NE(FS->FindNext(F), 0);
  FS->FindClose(F);
  // Hidden entries are found only when the mask asks for them.
  EXPECT_NE(FS->FindFirst("Images\\Hero\\*.*", faArchive, F), 0);
  FS->FindClose(F);
}

TEST_F(SingleFileSystemTest, GeometryFollowsCompactMode) {
  // The page size and the pages per extent follow the archive's signature at offsets 16 and 20.
  auto Geometry = [&](bool Compact) {
    Open(fmCreate, Compact).reset();
    std::string File = ReadFile(Archive);
    size_t At = File.find("AASFSSGN");
    std::pair<int32_t, int32_t> G{0, 0};
    if (At != std::string::npos && At + 24 <= File.size()) {
      std::memcpy(&G.first, File.data() + At + 16, 4);
      std::memcpy(&G.second, File.data() + At + 20, 4);
    }
    return G;
  };
  EXPECT_EQ(Geometry(false), std::make_pair(4096, 8));
  EXPECT_EQ(Geometry(true), std::make_pair(1024, 4));
}

TEST_F(SingleFileSystemTest, ListingMatchesTheSameTreeOnDisk) {
  const std::string Disk = Scratch.File("tree");
  const std::map<std::string, std::string> Files = {
      {"readme.txt", "r"},
      {"Images/Hero/Idle.png", "idle"},
      {"Images/Hero/Walk.png", "walk"},
      {"Images/map.jpg", "map"},
      {"Sounds/.hidden", "h"},
      {"Sounds/Music/theme.ogg", "ogg"},
      {"Empty/Deeper/Inside.bin", "x"},
  };
  for (const auto& [Path, Data] : Files) {
    ForceDirectories(Disk + "/" + Path.substr(0, Path.rfind('/') + 1));
    WriteFile(Disk + "/" + Path, Data);
  }
  ForceDirectories(Disk + "/Nothing/Here");
  TGObjectPtr<TGNativeFileSystem> Native(new TGNativeFileSystem(nullptr, Disk));
  {
    auto FS = Open(fmCreate);
    ASSERT_TRUE(FS->ForceDirectories("Nothing\\Here"));
    for (const std::string& Path : FileList(*Native, "", true)) {
      if (size_t Sep = Path.rfind('\\'); Sep != std::string::npos) {
        ASSERT_TRUE(FS->ForceDirectories(Path.substr(0, Sep)));
      }
      Put(*FS, Path, Get(*Native, Path));
    }
    // A name starting with '.' is what the disk calls hidden.
    ASSERT_EQ(FS->SetFileAttributes("Sounds\\.hidden", faHidden | faArchive), 0);
  }
  auto FS = Open(fmOpenRead);
  for (bool Hidden : {false, true}) {
    SCOPED_TRACE(Hidden);
    EXPECT_EQ(Sorted(FileList(*FS, "", Hidden)), Sorted(FileList(*Native, "", Hidden)));
    EXPECT_EQ(Sorted(FileList(*FS, "Sounds", Hidden)), Sorted(FileList(*Native, "Sounds", Hidden)));
  }
  std::vector<std::string> All = FileList(*FS, "", true);
  EXPECT_EQ(All.size(), Files.size());
  EXPECT_NE(std::find(All.begin(), All.end(), "Images\\Hero\\Walk.png"), All.end());
  // Breadth first: the root's file comes before anything in a folder.
  EXPECT_EQ(All.front(), "readme.txt");
  EXPECT_EQ(FileList(*FS, "Images\\", false), FileList(*FS, "Images", false));
  EXPECT_TRUE(FileList(*FS, "Nothing", true).empty());
  EXPECT_TRUE(FileList(*FS, "Missing", true).empty());
}

TEST_F(SingleFileSystemTest, FolderDeletionReportsDeletedFiles) {
  auto FS = Open(fmCreate);
  ASSERT_TRUE(FS->ForceDirectories("Empty\\Sub"));
  ASSERT_TRUE(FS->ForceDirectories("Full\\Sub"));
  Put(*FS, "Full\\a.txt", "a");
  Put(*FS, "Full\\Sub\\b.txt", "b");

  EXPECT_FALSE(FS->DeleteFolder("Empty"));
  EXPECT_FALSE(FS->DirectoryExists("Empty"));
  EXPECT_FALSE(FS->DirectoryExists("Empty\\Sub"));
  EXPECT_FALSE(FS->DeleteFolder("Missing"));

  EXPECT_FALSE(FS->RemoveDirectory("Full"));
  EXPECT_TRUE(FS->DeleteFolder("Full"));
  EXPECT_FALSE(FS->DirectoryExists("Full"));
  EXPECT_FALSE(FS->FileExists("Full\\Sub\\b.txt"));

  ASSERT_TRUE(FS->ForceDirectories("Again"));
  EXPECT_TRUE(FS->RemoveDirectory("Again"));
  EXPECT_FALSE(FS->RemoveDirectory("Again"));
  Put(*FS, "one.txt", "1");
  EXPECT_TRUE(FS->DeleteFile("one.txt"));
  EXPECT_FALSE(FS->DeleteFile("one.txt"));
}

TEST_F(SingleFileSystemTest, ReadOnlyArchiveRefusesChanges) {
  {
    auto FS = Open(fmCreate);
    Put(*FS, "kept.txt", "kept");
  }
  auto FS = Open(fmOpenRead);
  EXPECT_FALSE(FS->DeleteFile("kept.txt"));
  EXPECT_FALSE(FS->ForceDirectories("New"));
  EXPECT_NE(FS->SetFileAttributes("kept.txt", faHidden), 0);
  EXPECT_THROW(FS->CreateStream("new.txt", fmCreate), EGException);
  auto S = FS->CreateStream("kept.txt", fmOpenRead);
  EXPECT_THROW(S->WriteString("x"), EGException);
  EXPECT_EQ(S->ReadAll(), "kept");
  // A second reader may open it at the same time.
  EXPECT_NO_THROW(Open(fmOpenRead).reset());
}

TEST_F(SingleFileSystemTest, LockedArchiveServesTwoThreads) {
  std::vector<std::string> Data;
  {
    auto FS = Open(fmCreate);
    ASSERT_TRUE(FS->ForceDirectories("Data"));
    for (uint32_t I = 0; I < 8; ++I) {
      Data.push_back(Pattern(20000 + 37000 * I, I));
      Put(*FS, "Data\\" + std::to_string(I) + ".bin", Data.back());
    }
  }
  TGObjectPtr<TGLockedSingleFileSystem> FS(
      New<TGLockedSingleFileSystem>(nullptr, Archive, fmOpenRead));
  ASSERT_TRUE(FS->InheritsFrom(TGSingleFileSystem::StaticClass()));
  std::atomic<int> Failures{0};
  auto Reader = [&](int First) {
    for (int Round = 0; Round < 40; ++Round) {
      size_t I = size_t(First + Round) % Data.size();
      std::unique_ptr<TGStream> S = FS->CreateStream("Data\\" + std::to_string(I) + ".bin", 0);
      if (dynamic_cast<TGMemoryStream*>(S.get()) == nullptr || S->Position() != 0 ||
          S->ReadAll() != Data[I] || !FS->FileExists("Data\\" + std::to_string(I) + ".bin")) {
        ++Failures;
      }
      // The copy is the caller's own.
      S->SetPosition(0);
      S->WriteString("changed");
    }
  };
  std::thread A(Reader, 0);
  std::thread B(Reader, 3);
  A.join();
  B.join();
  EXPECT_EQ(Failures, 0);
  for (size_t I = 0; I < Data.size(); ++I) {
    EXPECT_EQ(Get(*FS, "Data\\" + std::to_string(I) + ".bin"), Data[I]);
  }
  EXPECT_THROW(FS->CreateStream("Data\\missing.bin", fmOpenRead), EGException);
  // The lock is released after a failure.
  EXPECT_TRUE(FS->FileExists("Data\\0.bin"));
}

TEST_F(SingleFileSystemTest, StatisticsCountOpensAcrossRuns) {
  {
    auto FS = Open(fmCreate);
    ASSERT_TRUE(FS->ForceDirectories("Images"));
    Put(*FS, "Images\\a.png", "a");
    Put(*FS, "b.txt", "b");
    Put(*FS, "c.txt", "c");
    Put(*FS, "secret.txt", "s");
    ASSERT_EQ(FS->SetFileAttributes("secret.txt", faHidden), 0);
  }
  const std::string Report = Scratch.File("report.txt");
  {
    auto FS = Open(fmOpenRead);
    FS->EnableUsageStatistics();
    TGFSUsageStatistics* Stats = FS->UsageStatistics();
    ASSERT_NE(Stats, nullptr);
    EXPECT_EQ(Stats->List().Count(), 3);
    EXPECT_EQ(Stats->GetDBFileName(), Archive + ".statdb");
    Get(*FS, "Images\\a.png");
    Get(*FS, "images\\A.PNG");
    EXPECT_EQ(Stats->UsageCount("Images\\a.png"), 2);
    EXPECT_THROW(FS->CreateStream("missing.txt", fmOpenRead), EGException);
    EXPECT_EQ(Stats->UsageCount("missing.txt"), 0);
  }
  EXPECT_TRUE(FileExists(Archive + ".statdb"));
  {
    TGObjectPtr<TGLockedSingleFileSystem> FS(
        New<TGLockedSingleFileSystem>(nullptr, Archive, fmOpenRead));
    FS->EnableUsageStatistics();
    EXPECT_EQ(FS->UsageStatistics()->UsageCount("Images\\a.png"), 2);
    Get(*FS, "b.txt");
    EXPECT_EQ(FS->UsageStatistics()->UsageCount("b.txt"), 1);
    FS->GenerateUsageReport(Report);
  }
  EXPECT_EQ(ReadFile(Report), "Files that are not used:\r\n------------------------\r\n"
                              "c.txt\r\nTotal 1 of 3 files are not used");
}

TEST(SingleFileSystemClass, FoundByName) {
  RegisterClasses({TGSingleFileSystem::StaticClass(), TGLockedSingleFileSystem::StaticClass()});
  TGClass C = FindClass("TGSingleFileSystem");
  ASSERT_NE(C, nullptr);
  EXPECT_EQ(C, TGSingleFileSystem::StaticClass());
  EXPECT_TRUE(C->InheritsFrom(TGFileSystem::StaticClass()));
  EXPECT_TRUE(FindClass("TGLockedSingleFileSystem")->InheritsFrom(C));
}
