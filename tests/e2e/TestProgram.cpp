// The program itself, run headless as a player would start it.
#include "ProgramRunner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

int RunGame(const std::string& Arguments, std::string& Output) {
  return RunProgram(HOE_PROGRAM, Arguments, Output);
}

} // namespace

TEST(Program, StartsOnThePackedContentAndOnTheContentFolder) {
  std::string Out;
  ASSERT_EQ(RunGame("--frames 5", Out), 0) << Out;
  EXPECT_NE(Out.find("Resources.sfs"), std::string::npos) << Out;
  EXPECT_NE(Out.find("Welcome to Hidden Harbour"), std::string::npos) << Out;
  EXPECT_NE(Out.find("5 frames"), std::string::npos) << Out;

  ASSERT_EQ(RunGame(std::string("--frames 5 --resources ") + HOE_CONTENT, Out), 0) << Out;
  EXPECT_NE(Out.find("Resources: " HOE_CONTENT), std::string::npos) << Out;
  EXPECT_NE(Out.find("Welcome to Hidden Harbour"), std::string::npos) << Out;
}

TEST(Program, DrawsFramesAndKeepsTheLastOne) {
  std::string Picture = ::testing::TempDir() + "/hoe-last-frame.png";
  std::remove(Picture.c_str());
  std::string Out;
  ASSERT_EQ(RunGame("--frames 30 --screenshot " + Picture, Out), 0) << Out;
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
  EXPECT_EQ(RunGame("--frames 5 --resources /nonexistent/place", Out), 1);
  EXPECT_NE(Out.find("Invalid ResourcesLocation"), std::string::npos) << Out;
  EXPECT_EQ(RunGame("--frames", Out), 2);
  EXPECT_EQ(RunGame("--help", Out), 0);
  EXPECT_NE(Out.find("Usage"), std::string::npos);
}
