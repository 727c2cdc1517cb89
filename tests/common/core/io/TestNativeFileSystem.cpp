#include "TempDir.h"
#include "io/UGFSUsageStatistics.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "platform/UFileHelpers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class NativeFileSystemTest : public ::testing::Test {
protected:
  void SetUp() override {
    ForceDirectories(Root + "/Images/Hero");
    ForceDirectories(Root + "/Sounds");
    WriteFile(Root + "/Images/Hero/Idle.PNG", "png-bytes");
    WriteFile(Root + "/Images/map.jpg", "jpg");
    WriteFile(Root + "/Sounds/.hidden", "h");
    WriteFile(Root + "/readme.txt", "text");
  }
  TTempDir Scratch{"hoe-nfs"};
  const std::string Root = Scratch.Str();
};

} // namespace

TEST_F(NativeFileSystemTest, PathsJoinTheRootAndIgnoreCase) {
  TGObjectPtr<TGNativeFileSystem> FS(new TGNativeFileSystem(nullptr, Root));
  EXPECT_EQ(FS->AdjustPath("Images\\map.jpg"), Root + "/Images/map.jpg");
  EXPECT_EQ(FS->AdjustPath("\\Images\\map.jpg"), Root + "/Images/map.jpg");
  EXPECT_EQ(FS->AdjustPath("IMAGES\\HERO\\idle.png"), Root + "/Images/Hero/Idle.PNG");
  EXPECT_EQ(FS->AdjustPath("images\\new\\file.txt"), Root + "/Images/new/file.txt");
  EXPECT_EQ(FS->AdjustPath(""), Root);
  TGObjectPtr<TGNativeFileSystem> AtRoot(new TGNativeFileSystem(nullptr, "/"));
  EXPECT_EQ(AtRoot->AdjustPath("\\tmp"), "/tmp");
  EXPECT_EQ(AtRoot->AdjustPath("tmp"), "/tmp");

  EXPECT_TRUE(FS->FileExists("images\\hero\\IDLE.png"));
  EXPECT_FALSE(FS->FileExists("Images"));
  EXPECT_TRUE(FS->DirectoryExists("images/HERO"));
  auto Stream = FS->CreateStream("Images\\Hero\\idle.png", fmOpenRead);
  EXPECT_EQ(Stream->ReadAll(), "png-bytes");
  EXPECT_THROW(FS->CreateStream("Images\\missing.png", fmOpenRead), EFOpenError);
  EXPECT_TRUE(FS->ForceDirectories("Cache\\Deep\\Er"));
  EXPECT_TRUE(FS->DirectoryExists("cache\\deep\\er"));
  EXPECT_TRUE(FS->RemoveDirectory("Cache\\Deep\\Er"));
  EXPECT_TRUE(FS->DeleteFile("README.TXT"));
  EXPECT_FALSE(FS->DeleteFile("readme.txt"));
  try {
    FS->DeleteFolder("Images");
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Message(), "Not implemented");
  }
}

TEST_F(NativeFileSystemTest, SearchesHonourTheAttributeMask) {
  TGObjectPtr<TGNativeFileSystem> FS(new TGNativeFileSystem(nullptr, Root));
  auto Names = [&](const std::string& Pattern, int32_t Mask) {
    std::vector<std::string> Out;
    TGSearchRec F;
    if (FS->FindFirst(Pattern, Mask, F) == 0) {
      do {
        Out.push_back(F.Name);
      } while (FS->FindNext(F) == 0);
      FS->FindClose(F);
    }
    std::sort(Out.begin(), Out.end());
    return Out;
  };
  EXPECT_EQ(Names("Sounds\\*.*", faArchive), std::vector<std::string>{});
  EXPECT_EQ(Names("Sounds\\*", faHidden), (std::vector<std::string>{".hidden"}));
  EXPECT_EQ(Names("images\\*.*", 0), (std::vector<std::string>{"map.jpg"}));
  EXPECT_EQ(Names("Images\\*.*", faDirectory),
            (std::vector<std::string>{".", "..", "Hero", "map.jpg"}));
  EXPECT_EQ(Names("Images\\*.JPG", faAnyFile), (std::vector<std::string>{"map.jpg"}));
  TGSearchRec F;
  ASSERT_EQ(FS->FindFirst("Images\\Hero\\*.png", faAnyFile, F), 0);
  EXPECT_EQ(F.Size, 9);
  EXPECT_EQ(F.Time, FS->FileAge("Images\\Hero\\Idle.png"));
  FS->FindClose(F);
  EXPECT_NE(FS->FindFirst("Nowhere\\*.*", faAnyFile, F), 0);
}

TEST_F(NativeFileSystemTest, FileListIsBreadthFirstWithoutHiddenFiles) {
  TGObjectPtr<TGNativeFileSystem> FS(new TGNativeFileSystem(nullptr, Root));
  TGFastStringList List;
  FS->MakeFileList(List, "", false);
  ASSERT_EQ(List.Count(), 3);
  EXPECT_EQ(List[0], "readme.txt");
  EXPECT_TRUE((List[1] == "Images\\map.jpg"));
  EXPECT_EQ(List[2], "Images\\Hero\\Idle.PNG");
  TGFastStringList All;
  FS->MakeFileList(All, "Sounds", true);
  ASSERT_EQ(All.Count(), 1);
  EXPECT_EQ(All[0], "Sounds\\.hidden");
}

TEST_F(NativeFileSystemTest, FileAgeIsAPackedLocalTime) {
  TGObjectPtr<TGNativeFileSystem> FS(new TGNativeFileSystem(nullptr, Root));
  std::tm T{};
  T.tm_year = 2024 - 1900;
  T.tm_mon = 6;
  T.tm_mday = 15;
  T.tm_hour = 13;
  T.tm_min = 45;
  T.tm_sec = 31;
  T.tm_isdst = -1;
  std::time_t When = std::mktime(&T);
  int32_t Packed = DateTimeToFileDate(When);
  EXPECT_EQ(static_cast<uint32_t>(Packed) >> 16, (44u << 9) | (7u << 5) | 15u);
  EXPECT_EQ(static_cast<uint32_t>(Packed) & 0xFFFF, (13u << 11) | (45u << 5) | 15u);
  EXPECT_EQ(FileDateToDateTime(Packed), When - 1); // two-second steps
  EXPECT_EQ(FS->FileAge("missing.txt"), -1);
  EXPECT_EQ(FS->FileAge("Images"), -1);
}

TEST_F(NativeFileSystemTest, UsageStatisticsSurviveRunsAndReportUnusedFiles) {
  {
    TGObjectPtr<TGNativeFileSystem> FS(new TGNativeFileSystem(nullptr, Root));
    FS->EnableUsageStatistics();
    FS->CreateStream("Images\\map.jpg", fmOpenRead);
    FS->CreateStream("Images\\map.jpg", fmOpenRead);
    EXPECT_EQ(FS->UsageStatistics()->UsageCount("images\\MAP.jpg"), 2);
  }
  std::string DB = Root + ".statdb";
  ASSERT_TRUE(FileExists(DB));
  struct stat Info;
  ASSERT_EQ(::stat(DB.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0002, 0u); // never world-writable
  {
    TGObjectPtr<TGNativeFileSystem> FS(new TGNativeFileSystem(nullptr, Root));
    FS->EnableUsageStatistics();
    FS->CreateStream("readme.txt", fmOpenRead);
    EXPECT_EQ(FS->UsageStatistics()->UsageCount("Images\\map.jpg"), 2);
    FS->GenerateUsageReport(Root + "/report.txt");
  }
  EXPECT_EQ(ReadFile(Root + "/report.txt"), "Files that are not used:\r\n"
                                            "------------------------\r\n"
                                            "Images\\Hero\\Idle.PNG\r\n"
                                            "Total 1 of 3 files are not used");
  // A damaged database is an error when the statistics start, not a crash.
  WriteFile(DB, "not zlib");
  TGObjectPtr<TGNativeFileSystem> FS(new TGNativeFileSystem(nullptr, Root));
  EXPECT_THROW(FS->EnableUsageStatistics(), EGException);
  EXPECT_EQ(ReadFile(DB), "not zlib"); // left for a person to look at, not overwritten
  ::unlink(DB.c_str());
}
