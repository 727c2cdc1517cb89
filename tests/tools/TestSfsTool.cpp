// The sfs tool end to end: it is run as a program on a temporary folder, and its archives, its
// output and its exit codes are checked.
#include "TempDir.h"
#include "io/UGFileUtils.h"
#include "sfs/USFSUserFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct TRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// Bytes that do not compress, and text that does.
std::string Noise(size_t Size, uint32_t Seed) {
  std::string S(Size, '\0');
  for (char& C : S) {
    Seed = Seed * 1664525u + 1013904223u;
    C = char(Seed >> 24);
  }
  return S;
}

std::string Text(size_t Lines) {
  std::string S;
  for (size_t I = 0; I < Lines; ++I) {
    S += "line " + std::to_string(I) + " of the story\n";
  }
  return S;
}

class SfsToolTest : public ::testing::Test {
protected:
  void SetUp() override {
    Source = Root + "/content";
    Archive = Root + "/Resources.sfs";
    Files = {
        {"readme.txt", "Read me.\n"},
        {"Images/Hero/Idle.png", Noise(70000, 1)},
        {"Images/map with space.jpg", Noise(5000, 2)},
        {"Scripts/story.txt", Text(60000)}, // over 1 MiB: several compressed blocks
        {"Sounds/.hidden", "h"},
        {"Sounds/empty.wav", ""},
    };
    for (const auto& [Path, Data] : Files) {
      fs::create_directories(fs::path(Source + "/" + Path).parent_path());
      WriteFile(Source + "/" + Path, Data);
    }
    fs::create_directories(Source + "/Empty/Folder");
  }
  TRun Sfs(const std::vector<std::string>& Args) {
    const std::string OutName = Root + "/stdout", ErrName = Root + "/stderr";
    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    posix_spawn_file_actions_addopen(&Actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&Actions, 1, OutName.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&Actions, 2, ErrName.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> All{SFS_TOOL};
    All.insert(All.end(), Args.begin(), Args.end());
    std::vector<char*> Argv;
    for (std::string& A : All) {
      Argv.push_back(A.data());
    }
    Argv.push_back(nullptr);
    TRun R;
    pid_t Pid;
    int Rc = posix_spawn(&Pid, SFS_TOOL, &Actions, nullptr, Argv.data(), environ);
    posix_spawn_file_actions_destroy(&Actions);
    if (Rc != 0) {
      ADD_FAILURE() << "cannot run " << SFS_TOOL;
      return R;
    }
    int WaitStatus = 0;
    ::waitpid(Pid, &WaitStatus, 0);
    R.Status = WIFEXITED(WaitStatus) ? WEXITSTATUS(WaitStatus) : 128 + WTERMSIG(WaitStatus);
    R.Out = ReadFile(OutName);
    R.Err = ReadFile(ErrName);
    // Under the sanitizers a fault inside the tool must not pass for an ordinary failure.
    EXPECT_EQ(R.Err.find("Sanitizer"), std::string::npos) << R.Err;
    EXPECT_EQ(R.Err.find("runtime error"), std::string::npos) << R.Err;
    return R;
  }

  // The files below a disk folder, by path with '/', and their contents.
  static std::map<std::string, std::string> Tree(const std::string& Folder) {
    std::map<std::string, std::string> T;
    for (const auto& E : fs::recursive_directory_iterator(Folder)) {
      if (E.is_regular_file()) {
        T[fs::relative(E.path(), Folder).string()] = ReadFile(E.path().string());
      }
    }
    return T;
  }

  // Path and size of every line of 'sfs list'.
  std::map<std::string, std::string> Listing(const std::vector<std::string>& Extra = {}) {
    std::vector<std::string> Args{"list", Archive};
    Args.insert(Args.end(), Extra.begin(), Extra.end());
    TRun R = Sfs(Args);
    EXPECT_EQ(R.Status, 0) << R.Err;
    std::map<std::string, std::string> L;
    std::istringstream In(R.Out);
    for (std::string Line; std::getline(In, Line);) {
      size_t Tab1 = Line.find('\t'), Tab2 = Line.rfind('\t');
      EXPECT_NE(Tab1, Tab2) << Line;
      L[Line.substr(0, Tab1)] = Line.substr(Tab1 + 1, Tab2 - Tab1 - 1);
    }
    return L;
  }

  TTempDir Scratch{"hoe-sfstool"};
  const std::string Root = Scratch.Str();
  std::string Source, Archive;
  std::map<std::string, std::string> Files;
};

} // namespace

TEST_F(SfsToolTest, PacksEditsAndExtractsAFolderTree) {
  TRun R = Sfs({"create", Archive, Source, "--level", "2"});
  ASSERT_EQ(R.Status, 0) << R.Err;
  EXPECT_TRUE(R.Err.empty()) << "no progress without a terminal: " << R.Err;

  std::map<std::string, std::string> Expected;
  for (const auto& [Path, Data] : Files) {
    std::string P = "\\" + Path;
    std::replace(P.begin(), P.end(), '/', '\\');
    Expected[P] = std::to_string(Data.size());
  }
  EXPECT_EQ(Listing(), Expected);

  R = Sfs({"cat", Archive, "Scripts/story.txt"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_TRUE(R.Out == Files["Scripts/story.txt"]);
  R = Sfs({"cat", Archive, "\\IMAGES\\hero\\idle.png"});
  EXPECT_TRUE(R.Out == Files["Images/Hero/Idle.png"]);
  R = Sfs({"cat", Archive, "Images\\missing.png"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("missing.png"), std::string::npos) << R.Err;
  EXPECT_EQ(Sfs({"cat", Archive, "Images"}).Status, 1);

  const std::string Extra = Root + "/extra.bin";
  WriteFile(Extra, Noise(300000, 3));
  R = Sfs({"add", Archive, Extra, "New/Deep/extra.bin", "--level", "0"});
  ASSERT_EQ(R.Status, 0) << R.Err;
  WriteFile(Extra, "replaced\n");
  ASSERT_EQ(Sfs({"add", Archive, Extra, "readme.txt"}).Status, 0);
  // A folder path keeps the file's own name.
  ASSERT_EQ(Sfs({"add", Archive, Extra, "Images\\"}).Status, 0);
  EXPECT_EQ(Sfs({"add", Archive, Root + "/none.bin", "x.bin"}).Status, 1);
  EXPECT_EQ(Sfs({"cat", Archive, "readme.txt"}).Out, "replaced\n");

  R = Sfs({"delete", Archive, "Sounds/empty.wav"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  R = Sfs({"delete", Archive, "Scripts"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  R = Sfs({"delete", Archive, "Scripts"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("not found"), std::string::npos) << R.Err;
  EXPECT_EQ(Sfs({"delete", Archive, "\\"}).Status, 1);

  Expected.erase("\\Sounds\\empty.wav");
  Expected.erase("\\Scripts\\story.txt");
  Expected["\\readme.txt"] = "9";
  Expected["\\Images\\extra.bin"] = "9";
  Expected["\\New\\Deep\\extra.bin"] = "300000";
  EXPECT_EQ(Listing(), Expected);

  R = Sfs({"extract", Archive, Root + "/out"});
  ASSERT_EQ(R.Status, 0) << R.Err;
  std::map<std::string, std::string> Want = Files;
  Want.erase("Sounds/empty.wav");
  Want.erase("Scripts/story.txt");
  Want["readme.txt"] = "replaced\n";
  Want["Images/extra.bin"] = "replaced\n";
  Want["New/Deep/extra.bin"] = Noise(300000, 3);
  EXPECT_TRUE(Tree(Root + "/out") == Want);
  EXPECT_TRUE(fs::is_directory(Root + "/out/Empty/Folder"));
  // Modification times come from the archive, which keeps them to 100 ns.
  auto Drift = fs::last_write_time(Root + "/out/Images/Hero/Idle.png") -
               fs::last_write_time(Source + "/Images/Hero/Idle.png");
  EXPECT_LT(std::chrono::abs(Drift), std::chrono::microseconds(1));

  R = Sfs({"check", Archive});
  EXPECT_EQ(R.Status, 0) << R.Err;
}

TEST_F(SfsToolTest, CheckFindsDamage) {
  ASSERT_EQ(Sfs({"create", Archive, Source, "--level", "0", "--page-size", "1024"}).Status, 0);
  ASSERT_EQ(Sfs({"check", Archive}).Status, 0);
  const std::string Sound = ReadFile(Archive);

  // One changed byte in the middle of a stored file breaks its page's checksum.
  const std::string& Idle = Files["Images/Hero/Idle.png"];
  std::string Damaged = Sound;
  size_t At = std::string::npos;
  for (size_t From = 30000; At == std::string::npos && From < 40000; From += 97) {
    At = Damaged.find(Idle.substr(From, 64));
  }
  ASSERT_NE(At, std::string::npos);
  Damaged[At + 32] ^= 0x10;
  WriteFile(Archive, Damaged);
  TRun R = Sfs({"check", Archive});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("Idle.png"), std::string::npos) << R.Err;
  // Reading it in full fails the same way.
  EXPECT_EQ(Sfs({"cat", Archive, "Images\\Hero\\Idle.png"}).Status, 1);
  EXPECT_EQ(Sfs({"extract", Archive, Root + "/out"}).Status, 1);

  // A damaged header.
  Damaged = Sound;
  At = Damaged.find("AASFSSGN");
  ASSERT_NE(At, std::string::npos);
  Damaged[At + 16] ^= 0x01;
  WriteFile(Archive, Damaged);
  R = Sfs({"check", Archive});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("damaged"), std::string::npos) << R.Err;

  // A file cut short.
  WriteFile(Archive, Sound.substr(0, Sound.size() / 2));
  EXPECT_EQ(Sfs({"check", Archive}).Status, 1);
  EXPECT_EQ(Sfs({"check", Root + "/missing.sfs"}).Status, 1);
}

TEST_F(SfsToolTest, CheckFindsOrphanPages) {
  ASSERT_EQ(Sfs({"create", Archive, Source, "--level", "1"}).Status, 0);
  // Deleting and adding files reuses pages without leaving any behind.
  ASSERT_EQ(Sfs({"delete", Archive, "Images\\Hero\\Idle.png"}).Status, 0);
  ASSERT_EQ(Sfs({"add", Archive, Source + "/Scripts/story.txt", "Copy\\story.txt"}).Status, 0);
  ASSERT_EQ(Sfs({"check", Archive}).Status, 0);
  {
    // Pages taken from the free space that nothing refers to: what a crash between taking
    // pages and recording them in a map leaves.
    TSingleFileSystem A(Archive, fmOpenReadWrite);
    std::vector<int32_t> Pages;
    ASSERT_TRUE(A.FSM().GetPages(3, 1, false, Pages));
    ASSERT_EQ(Pages.size(), 3u);
  }
  TRun R = Sfs({"check", Archive});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("3 used pages belong to no file, folder or map (orphans)"),
            std::string::npos)
      << R.Err;
  // The files themselves still read.
  EXPECT_EQ(Sfs({"cat", Archive, "Scripts\\story.txt"}).Out, Files["Scripts/story.txt"]);
}

TEST_F(SfsToolTest, EncryptedArchiveNeedsItsPassword) {
  ASSERT_EQ(Sfs({"create", Archive, Source, "--password", "secret", "--level=8"}).Status, 0);
  // Nothing of the content is readable in the file.
  EXPECT_EQ(ReadFile(Archive).find("of the story"), std::string::npos);
  TRun R = Sfs({"list", Archive});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("password"), std::string::npos) << R.Err;
  EXPECT_EQ(Sfs({"list", Archive, "--password", "wrong"}).Status, 1);
  EXPECT_EQ(Listing({"--password", "secret"}).size(), Files.size());
  R = Sfs({"cat", Archive, "Scripts/story.txt", "--password", "secret"});
  EXPECT_TRUE(R.Out == Files["Scripts/story.txt"]);
  EXPECT_EQ(Sfs({"check", Archive, "--password", "secret"}).Status, 0);
}

TEST_F(SfsToolTest, CommandLineErrors) {
  TRun R = Sfs({});
  EXPECT_EQ(R.Status, 2);
  EXPECT_NE(R.Err.find("usage"), std::string::npos);
  R = Sfs({"--help"});
  EXPECT_EQ(R.Status, 0);
  for (const char* Command : {"create", "list", "extract", "cat", "add", "delete", "check"}) {
    EXPECT_NE(R.Out.find(std::string("sfs ") + Command + " "), std::string::npos) << Command;
    TRun Help = Sfs({Command, "--help"});
    EXPECT_EQ(Help.Status, 0) << Command;
    EXPECT_EQ(Help.Out.rfind(std::string("usage: sfs ") + Command, 0), 0u) << Help.Out;
  }
  EXPECT_EQ(Sfs({"pack", Archive}).Status, 2);
  EXPECT_EQ(Sfs({"list"}).Status, 2);
  EXPECT_EQ(Sfs({"list", Archive, "extra"}).Status, 2);
  EXPECT_EQ(Sfs({"create", Archive, Source, "--level", "10"}).Status, 2);
  EXPECT_EQ(Sfs({"create", Archive, Source, "--level", "fast"}).Status, 2);
  EXPECT_EQ(Sfs({"create", Archive, Source, "--page-size", "100"}).Status, 2);
  EXPECT_EQ(Sfs({"create", Archive, Source, "--level"}).Status, 2);
  EXPECT_EQ(Sfs({"list", Archive, "--level", "1"}).Status, 2);
  EXPECT_FALSE(fs::exists(Archive));
  R = Sfs({"create", Archive, Root + "/nowhere"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("nowhere"), std::string::npos);
  EXPECT_FALSE(fs::exists(Archive));
  EXPECT_EQ(Sfs({"list", Archive}).Status, 1);
  WriteFile(Archive, "not an archive at all");
  EXPECT_EQ(Sfs({"list", Archive}).Status, 1);
}

// Names in an archive ignore case: disk names that differ only in case cannot both be stored,
// and nothing may take another file's place without a word.
TEST_F(SfsToolTest, NamesThatDifferOnlyInCase) {
  WriteFile(Source + "/README.TXT", "shouting\n");
  fs::create_directories(Source + "/Images/hero");
  WriteFile(Source + "/Images/hero/Walk.png", Noise(100, 4));
  TRun R = Sfs({"create", Archive, Source});
  EXPECT_EQ(R.Status, 1);
  EXPECT_EQ(R.Out.find("packed"), std::string::npos) << R.Out;
  EXPECT_NE(R.Err.find("\"" + Source + "/README.TXT\" and \"" + Source + "/readme.txt\""),
            std::string::npos)
      << R.Err;
  EXPECT_NE(R.Err.find("\"" + Source + "/Images/Hero\" and \"" + Source + "/Images/hero\""),
            std::string::npos)
      << R.Err;
  EXPECT_FALSE(fs::exists(Archive));

  fs::remove_all(Source + "/Images/hero");
  fs::rename(Source + "/README.TXT", Root + "/README.TXT");
  ASSERT_EQ(Sfs({"create", Archive, Source}).Status, 0);
  // Replacing a file of another case says so.
  R = Sfs({"add", Archive, Root + "/README.TXT", "README.TXT"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_NE(R.Out.find("in place of \\readme.txt"), std::string::npos) << R.Out;
  EXPECT_EQ(Listing().count("\\README.TXT"), 1u);
  EXPECT_EQ(Listing().count("\\readme.txt"), 0u);

  // An archive written elsewhere may hold both: the one its path does not lead to is reported,
  // not read or written out in the other's place.
  {
    TSingleFileSystem A(Archive, fmOpenReadWrite);
    const int32_t Index = A.FindFileByName("\\Images\\map with space.jpg");
    ASSERT_GE(Index, 0);
    TDirectoryElement E = A.DM().Item(Index);
    E.ParentID = A.FindFileByName("\\Images\\Hero");
    E.FileName = "IDLE.PNG";
    A.DM().WriteItem(Index, E);
  }
  R = Sfs({"extract", Archive, Root + "/out"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("IDLE.PNG"), std::string::npos) << R.Err;
  EXPECT_TRUE(ReadFile(Root + "/out/Images/Hero/Idle.png") == Files["Images/Hero/Idle.png"]);
  EXPECT_FALSE(fs::exists(Root + "/out/Images/Hero/IDLE.PNG"));
  R = Sfs({"check", Archive});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("IDLE.PNG"), std::string::npos) << R.Err;
}

// A file stored as it is whose bytes begin like a compressed stream's header reads back as
// stored. Written raw by another tool, such a file cannot be read: it is reported by name, and
// the other files are still listed, extracted and checked.
TEST_F(SfsToolTest, StoredFileThatBeginsLikeAStream) {
  const std::string Data = "AACS" + Noise(5000, 5);
  WriteFile(Source + "/Images/header.bin", Data);
  Files["Images/header.bin"] = Data;
  ASSERT_EQ(Sfs({"create", Archive, Source, "--level", "0"}).Status, 0);
  EXPECT_EQ(Sfs({"cat", Archive, "Images/header.bin"}).Out, Data);
  EXPECT_EQ(Sfs({"check", Archive}).Status, 0);
  {
    TSingleFileSystem A(Archive, fmOpenReadWrite);
    TSFSUserFileStream S(&A, "\\Images\\map with space.jpg", fmOpenReadWrite);
    S.WriteString("AACS");
  }
  TRun R = Sfs({"list", Archive});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("map with space.jpg"), std::string::npos) << R.Err;
  EXPECT_EQ(R.Out.find("map with space.jpg"), std::string::npos) << R.Out;
  for (const char* Other : {"\\readme.txt\t", "\\Images\\header.bin\t5004\t",
                            "\\Scripts\\story.txt\t", "\\Sounds\\empty.wav\t"}) {
    EXPECT_NE(R.Out.find(Other), std::string::npos) << Other;
  }

  R = Sfs({"extract", Archive, Root + "/out"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("map with space.jpg"), std::string::npos) << R.Err;
  std::map<std::string, std::string> Want = Files;
  Want.erase("Images/map with space.jpg");
  EXPECT_TRUE(Tree(Root + "/out") == Want);

  R = Sfs({"check", Archive});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("map with space.jpg"), std::string::npos) << R.Err;
  EXPECT_NE(R.Err.find("1 problem"), std::string::npos) << R.Err;
}

// A compressed file whose chain of blocks ends after the first of its three blocks.
TEST_F(SfsToolTest, CompressedFileMissingBlocks) {
  ASSERT_EQ(Sfs({"create", Archive, Source, "--level", "1"}).Status, 0);
  {
    TSingleFileSystem A(Archive, fmOpenReadWrite);
    TSFSUserFileStream S(&A, "\\Scripts\\story.txt", fmOpenReadWrite);
    std::string Head(128 + 16, '\0');
    S.ReadBuffer(Head.data(), int64_t(Head.size()));
    const uint8_t* H = reinterpret_cast<const uint8_t*>(Head.data());
    ASSERT_EQ(GetU32(H + 12), 3u);
    S.SetSize(128 + 16 + GetU32(H + 128));
  }
  TRun R = Sfs({"check", Archive});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("story.txt"), std::string::npos) << R.Err;
  EXPECT_NE(R.Err.find("3 blocks"), std::string::npos) << R.Err;
  R = Sfs({"cat", Archive, "Scripts/story.txt"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("story.txt"), std::string::npos) << R.Err;
  R = Sfs({"list", Archive});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Out.find("\\readme.txt\t"), std::string::npos) << R.Out;
}
