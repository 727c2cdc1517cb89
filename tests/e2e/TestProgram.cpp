// The program itself, run headless as a player would start it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

// Runs the program with the arguments; returns its exit code and fills Output with what it
// wrote to standard error.
int RunProgram(const std::string& Arguments, std::string& Output) {
  // Mesa keeps allocations it never frees: leak reports of a sanitizer build are not ours.
  std::string Command = "ASAN_OPTIONS=detect_leaks=0 " + std::string(HOE_PROGRAM) + " --headless " +
                        Arguments + " 2>&1";
  FILE* Pipe = ::popen(Command.c_str(), "r");
  if (!Pipe) {
    return -1;
  }
  std::array<char, 4096> Buffer;
  Output.clear();
  while (size_t N = std::fread(Buffer.data(), 1, Buffer.size(), Pipe)) {
    Output.append(Buffer.data(), N);
  }
  int Status = ::pclose(Pipe);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

} // namespace

TEST(Program, StartsOnThePackedContentAndOnTheContentFolder) {
  std::string Out;
  ASSERT_EQ(RunProgram("--frames 5", Out), 0) << Out;
  EXPECT_NE(Out.find("Resources.sfs"), std::string::npos) << Out;
  EXPECT_NE(Out.find("Welcome to Hidden Harbour"), std::string::npos) << Out;
  EXPECT_NE(Out.find("5 frames"), std::string::npos) << Out;

  ASSERT_EQ(RunProgram(std::string("--frames 5 --resources ") + HOE_CONTENT, Out), 0) << Out;
  EXPECT_NE(Out.find("Resources: " HOE_CONTENT), std::string::npos) << Out;
  EXPECT_NE(Out.find("Welcome to Hidden Harbour"), std::string::npos) << Out;
}

TEST(Program, DrawsFramesAndKeepsTheLastOne) {
  std::string Picture = ::testing::TempDir() + "/hoe-last-frame.png";
  std::remove(Picture.c_str());
  std::string Out;
  ASSERT_EQ(RunProgram("--frames 30 --screenshot " + Picture, Out), 0) << Out;
  FILE* File = std::fopen(Picture.c_str(), "rb");
  ASSERT_NE(File, nullptr) << Out;
  unsigned char Signature[8] = {};
  EXPECT_EQ(std::fread(Signature, 1, 8, File), 8u);
  std::fseek(File, 0, SEEK_END);
  EXPECT_GT(std::ftell(File), 2000); // a drawn scene, not an empty picture
  std::fclose(File);
  EXPECT_EQ(Signature[1], 'P');
  EXPECT_EQ(Signature[2], 'N');
  EXPECT_EQ(Signature[3], 'G');
}

TEST(Program, ReportsBadStarts) {
  std::string Out;
  EXPECT_EQ(RunProgram("--frames 5 --resources /nonexistent/place", Out), 1);
  EXPECT_NE(Out.find("Invalid ResourcesLocation"), std::string::npos) << Out;
  EXPECT_EQ(RunProgram("--frames", Out), 2);
  EXPECT_EQ(RunProgram("--help", Out), 0);
  EXPECT_NE(Out.find("Usage"), std::string::npos);
}
