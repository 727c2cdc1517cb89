#include "TempDir.h"
#include "base/UGError.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

TEST(FileUtils, FoldersFilesAndTrees) {
  TTempDir Scratch("hoe-files"), OutsideScratch("hoe-outside");
  const std::string Root = Scratch.Str();
  EXPECT_TRUE(ForceDirectories(Root + "\\a\\b/c"));
  EXPECT_TRUE(DirectoryExists(Root + "/a/b/c"));
  WriteFile(Root + "/a/one.txt", "first");
  WriteFile(Root + "/a/two.dat", std::string("\0\1\2", 3));
  WriteFile(Root + "/a/b/c/three.txt", "third");
  EXPECT_EQ(ReadFile(Root + "/a/one.txt"), "first");
  EXPECT_EQ(ReadFile(Root + "/a/two.dat").size(), 3u);
  DeleteFiles(Root + "/a", "*.txt");
  EXPECT_FALSE(FileExists(Root + "/a/one.txt"));
  EXPECT_TRUE(FileExists(Root + "/a/two.dat"));
  EXPECT_THROW(ReadFile(Root + "/missing"), EFOpenError);
  EXPECT_GT(DiskFreeSpace(Root), 0);
  // A link to a folder outside is removed as a link; the folder it names is left alone.
  const std::string Outside = OutsideScratch.Str();
  WriteFile(Outside + "/keep.txt", "kept");
  ASSERT_EQ(::symlink(Outside.c_str(), (Root + "/a/link").c_str()), 0);
  DeleteTree(Root);
  EXPECT_FALSE(DirectoryExists(Root));
  EXPECT_EQ(ReadFile(Outside + "/keep.txt"), "kept");
}

TEST(FileUtils, GrantAllPermissionsNeverWidensAccess) {
  TTempDir Scratch("hoe-files");
  const std::string Root = Scratch.Str();
  std::string Name = Root + "/profile.plr";
  WriteFile(Name, "x");
  ::chmod(Name.c_str(), 0402 | 0020);
  GrantAllPermissions(Name);
  struct stat Info;
  ASSERT_EQ(::stat(Name.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0777, 0620u);
  GrantAllPermissions(Root + "/missing"); // only a diagnostic
}

TEST(FileUtils, DataFolderFollowsXdg) {
  const char* Old = std::getenv("XDG_DATA_HOME");
  std::string Saved = Old ? Old : "";
  ::setenv("XDG_DATA_HOME", "/tmp/xdg-here", 1);
  EXPECT_EQ(GetCommonAppDataFolder(), "/tmp/xdg-here");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_NE(GetCommonAppDataFolder().find(".local/share"), std::string::npos);
  if (Old) {
    ::setenv("XDG_DATA_HOME", Saved.c_str(), 1);
  }
}

TEST(FileUtils, StreamsAndShareModes) {
  TTempDir Scratch("hoe-files");
  const std::string Root = Scratch.Str();
  std::string Name = Root + "/locked.bin";
  {
    TGFileStream W(Name, fmCreate);
    W.WriteString("0123456789");
    EXPECT_EQ(W.GetSize(), 10);
    // An exclusive holder keeps others out.
    EXPECT_THROW(TGFileStream(Name, fmOpenRead | fmShareDenyWrite), EFOpenError);
  }
  TGFileStream A(Name, fmOpenRead | fmShareDenyWrite);
  TGFileStream B(Name, fmOpenRead | fmShareDenyWrite); // readers share
  EXPECT_THROW(TGFileStream(Name, fmOpenReadWrite | fmShareExclusive), EFOpenError);
  char Buf[4];
  A.Seek(-4, soEnd);
  A.ReadBuffer(Buf, 4);
  EXPECT_EQ(std::string(Buf, 4), "6789");
  EXPECT_THROW(A.ReadBuffer(Buf, 1), EReadError);
  EXPECT_THROW(TGFileStream(Root + "/nope", fmOpenRead), EFOpenError);
  EXPECT_THROW(TGFileStream(Root, fmOpenRead), EFOpenError);

  TGMemoryStream M;
  M.WriteString("hello");
  M.SetPosition(1);
  EXPECT_EQ(M.ReadAll(), "ello");
  M.SetSize(2);
  EXPECT_EQ(M.Data(), "he");
  TGMemoryStream Copy;
  Copy.CopyFrom(M, 0);
  EXPECT_EQ(Copy.Data(), "he");
}
