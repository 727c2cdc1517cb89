// The program itself, run headless as a player would start it.
#include "PlayScript.h"
#include "ProgramRunner.h"
#include "graphics/UGBitmap.h"
#include "io/UGStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

namespace {

// The part of a screenshot right of FirstColumn (beside the debug overlay and the playback
// console; the turning compass is there).
std::vector<uint8_t> RightPart(const std::string& Picture, int FirstColumn) {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  TGFileStream In(Picture, fmOpenRead);
  Bitmap->LoadFromStream(In);
  std::vector<uint8_t> Pixels;
  for (int Y = 0; Y < Bitmap->Height(); ++Y) {
    const auto* Row = reinterpret_cast<const uint8_t*>(Bitmap->ScanLine(Y));
    Pixels.insert(Pixels.end(), Row + size_t(FirstColumn) * 4, Row + size_t(Bitmap->Width()) * 4);
  }
  return Pixels;
}

} // namespace

// A run recorded with -r and played back with -p ends on the same picture: the replay hands the
// game the recorded frame times.
TEST(Program, ReplaysARecordedRunFrameForFrame) {
  const std::string Data = ::testing::TempDir() + "/hoe-recording-data";
  std::filesystem::remove_all(Data);
  const std::string Env = "XDG_DATA_HOME=" + Data;
  const std::string Recorded = ::testing::TempDir() + "/hoe-recorded.png";
  const std::string Replayed = ::testing::TempDir() + "/hoe-replayed.png";
  std::string Out;
  ASSERT_EQ(RunProgram(HOE_PROGRAM, "--frames 40 --screenshot " + Recorded + " -r -file e2e.rec",
                       Out, Env),
            0)
      << Out;
  ASSERT_EQ(RunProgram(HOE_PROGRAM, "--frames 40 --screenshot " + Replayed + " -p -file e2e.rec",
                       Out, Env),
            0)
      << Out;
  const std::vector<uint8_t> A = RightPart(Recorded, 300), B = RightPart(Replayed, 300);
  ASSERT_FALSE(A.empty());
  EXPECT_TRUE(A == B) << "the replay ended on another picture";
  // Without a recording, playback says so.
  EXPECT_EQ(RunProgram(HOE_PROGRAM, "--frames 5 -p -file none.rec", Out, Env), 1) << Out;
  EXPECT_NE(Out.find("none.rec\" doesn't exists"), std::string::npos) << Out;
}

// A headless replay may run faster than it was recorded and still draw the same frames; pictures
// of chosen frames are taken on the way (the last one is the frame --screenshot keeps), without
// the console and figures over them when asked.
TEST(Program, ReplaysFasterAndTakesPicturesOfChosenFrames) {
  const std::string Data = ::testing::TempDir() + "/hoe-fast-replay-data";
  std::filesystem::remove_all(Data);
  const std::string Env = "XDG_DATA_HOME=" + Data;
  const std::string Dir = ::testing::TempDir();
  std::string Out;
  ASSERT_EQ(RunProgram(HOE_PROGRAM, "--frames 40 -r -file fast.rec", Out, Env), 0) << Out;
  ASSERT_EQ(RunProgram(HOE_PROGRAM,
                       "--frames 40 --screenshot " + Dir + "/hoe-paced.png -p -file fast.rec", Out,
                       Env),
            0)
      << Out;
  ASSERT_EQ(RunProgram(HOE_PROGRAM,
                       "--frames 40 --replay-speed 8 --hide-overlays --screenshot " + Dir +
                           "/hoe-fast.png --screenshot-at 20:" + Dir +
                           "/hoe-frame20.png --screenshot-at 40:" + Dir +
                           "/hoe-frame40.png -p -file fast.rec",
                       Out, Env),
            0)
      << Out;
  EXPECT_TRUE(std::filesystem::exists(Dir + "/hoe-frame20.png")) << Out;
  const std::vector<uint8_t> Paced = RightPart(Dir + "/hoe-paced.png", 300);
  ASSERT_FALSE(Paced.empty());
  EXPECT_TRUE(RightPart(Dir + "/hoe-fast.png", 300) == Paced)
      << "the fast replay drew other frames";
  EXPECT_TRUE(RightPart(Dir + "/hoe-frame40.png", 300) == Paced);
  for (const char* Bad : {"--replay-speed 0", "--replay-speed fast", "--screenshot-at 0:a.png",
                          "--screenshot-at 12", "--screenshot-at 5:"}) {
    EXPECT_EQ(RunProgram(HOE_PROGRAM, std::string(Bad) + " --frames 1", Out, Env), 2) << Bad;
  }
}

namespace {

// The number that follows Label in Output, or -1 when Label is missing.
double NumberAfter(const std::string& Output, const std::string& Label) {
  const size_t At = Output.find(Label);
  return At == std::string::npos ? -1 : std::strtod(Output.c_str() + At + Label.size(), nullptr);
}

int FramesRun(const std::string& Output) {
  TPlayResult Run;
  Run.Output = Output;
  return Run.FramesRun();
}

} // namespace

// --quit-at-menu ends the run at the first main menu a player sees: not the one behind the game
// a new profile plays at once, but the one the next start shows over that profile.
// --report-memory prints the peak resident memory at exit, which is no less than the peak the
// menu's line gave.
TEST(Program, QuitsAtTheFirstMainMenuShownAndReportsThePeakMemory) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("NoSplash");
  const std::string Env = "XDG_DATA_HOME=" + Play.XdgDataHome();
  std::string Out;
  ASSERT_EQ(RunProgram(Play.Program(), "--frames 30 --quit-at-menu", Out, Env), 0) << Out;
  EXPECT_EQ(Out.find("main menu shown"), std::string::npos) << Out;
  EXPECT_EQ(FramesRun(Out), 30) << Out;
  EXPECT_EQ(Out.find("peak resident memory"), std::string::npos) << "reported unasked";

  ASSERT_EQ(RunProgram(Play.Program(), "--frames 900 --quit-at-menu --report-memory", Out, Env), 0)
      << Out;
  EXPECT_GE(NumberAfter(Out, "main menu shown after "), 0) << Out;
  const double MenuPeak = NumberAfter(Out, "(peak ");
  EXPECT_GT(MenuPeak, 0) << Out;
  EXPECT_GE(NumberAfter(Out, "peak resident memory "), MenuPeak) << Out;
  // The run ended at the menu's first frames, long before its frame limit.
  EXPECT_GT(FramesRun(Out), 0) << Out;
  EXPECT_LT(FramesRun(Out), 10) << Out;
}
