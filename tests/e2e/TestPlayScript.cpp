// The scripted-play library: a script's recording reads back, line for line, as the program's
// player reads it (seed, start data, start time, frames at the program's pace, the input), and
// the points it clicks are the centres of the widgets and objects the files describe.
#include "PlayScript.h"
#include "TempDir.h"
#include "app/replay/UGAppPlayer.h"
#include "app/replay/UGAppRecorder.h"
#include "base/UGStrUtils.h"
#include "platform/UKeyCodes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::vector<TPlaybackCommand> ReadAll(const std::string& Text) {
  TGPlaybackFile File(Text);
  std::vector<TPlaybackCommand> Commands;
  for (TPlaybackCommand C; ReadPlaybackCommand(File, C);) {
    Commands.push_back(C);
  }
  return Commands;
}

void WriteFile(const fs::path& Name, const std::string& Text) {
  fs::create_directories(Name.parent_path());
  std::ofstream(Name, std::ios::binary) << Text;
}

std::string ReadFile(const fs::path& Name) {
  std::ifstream In(Name, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

} // namespace

TEST(PlayScript, RecordingReadsAsTheProgramReadsIt) {
  TTempDir Start("hoe-start-data");
  WriteFile(Start.Path() / "Profiles" / "Note.txt", "kept");
  const TGDateTime When = EncodeDateTime(2023, 3, 4, 5, 6, 7);
  TPlayScript Script(HOE_CONTENT);
  Script.StartFrom(Start.Str()).Seed(77).StartTime(When);
  Script.Wait(1).Click({10, 20}).Type("J\xC3\xA9\xF0\x9F\x98\x80").Key(VK_ESCAPE);
  Script.Click({5, 6}, 1).Command("MouseWheelUp");
  const std::string Text = Script.Text();

  // Every line ends in CR LF.
  for (size_t I = Text.find('\n'); I != std::string::npos; I = Text.find('\n', I + 1)) {
    ASSERT_TRUE(I > 0 && Text[I - 1] == '\r') << "a bare line feed at " << I;
  }
  const std::vector<TPlaybackCommand> C = ReadAll(Text);
  ASSERT_GE(C.size(), 4u);
  EXPECT_EQ(C[0].Cmd, "RandSeed");
  EXPECT_EQ(C[0].P1, 77);
  // The start data unpacks into the folder it was packed from.
  ASSERT_EQ(C[1].Cmd, "Data");
  TTempDir Unpacked("hoe-unpacked");
  DecompressFolder(C[1].StrPar, Unpacked.File("Data"), Unpacked.Str());
  EXPECT_EQ(ReadFile(Unpacked.Path() / "Data" / "Profiles" / "Note.txt"), "kept");
  ASSERT_EQ(C[2].Cmd, "StartTime");
  int64_t Stamp = 0;
  ASSERT_TRUE(TryStrToInt64(C[2].StrPar, Stamp));
  EXPECT_EQ(Stamp, DateTimeAsInt64(When));
  EXPECT_EQ(C[3].Cmd, "AppActivate");

  // A second of frames at the program's 90 a second: game times rising by 11 or 12 ms to 1000.
  size_t I = 4;
  int32_t Last = 0;
  for (; I < 4 + 90; ++I) {
    ASSERT_EQ(C[I].Cmd, "Draw") << I;
    const int32_t Step = C[I].P1 - Last;
    EXPECT_TRUE(Step == 11 || Step == 12) << C[I].P1;
    Last = C[I].P1;
  }
  EXPECT_EQ(Last, 1000);
  // Then the input, a frame after each step.
  std::vector<std::string> Rest;
  for (; I < C.size(); ++I) {
    if (C[I].Cmd == "Draw") {
      Rest.back() += " +";
      continue;
    }
    Rest.push_back(C[I].Cmd + " " + std::to_string(C[I].P1) + " " + std::to_string(C[I].P2));
  }
  EXPECT_EQ(Rest, (std::vector<std::string>{
                      "MouseMove 10 20 +", "MouseDown 0 0 +", "MouseUp 0 0 +",
                      // Whole code points, as the host hands characters to the game.
                      "KeyPress 74 0 +", "KeyPress 233 0 +", "KeyPress 128512 0 +",
                      "KeyDown 27 0 +", "KeyUp 27 0 +", "MouseMove 5 6 +", "MouseDown 1 0 +",
                      "MouseUp 1 0 +", "MouseWheelUp 0 0"}));
  EXPECT_EQ(Script.FrameCount(), 90 + 3 + 3 + 2 + 3);
  EXPECT_EQ(Script.Milliseconds(), 1122); // 101 frames of 1/90 s
}

TEST(PlayScript, AFirstStartPacksAnEmptyDataFolder) {
  TPlayScript Script(HOE_CONTENT);
  Script.Frames(1);
  const std::vector<TPlaybackCommand> C = ReadAll(Script.Text());
  ASSERT_EQ(C.size(), 5u);
  ASSERT_EQ(C[1].Cmd, "Data");
  TTempDir Unpacked("hoe-unpacked");
  const fs::path Folder = Unpacked.Path() / "Data";
  WriteFile(Folder / "Stale.txt", "from before");
  // Playback empties the folder it unpacks into.
  DecompressFolder(C[1].StrPar, Folder.string(), Unpacked.Str());
  EXPECT_TRUE(fs::is_directory(Folder));
  EXPECT_TRUE(fs::is_empty(Folder));
  EXPECT_EQ(C[4].Cmd, "Draw");
  EXPECT_EQ(C[4].P1, 11);
}

TEST(PlayScript, RefusesStepsARecordingCannotCarry) {
  TPlayScript Script(HOE_CONTENT);
  EXPECT_THROW(Script.Wait(-1), std::invalid_argument);
  EXPECT_THROW(Script.Key(0x100), std::invalid_argument);
  EXPECT_THROW(Script.Click({1, 1}, 3), std::invalid_argument);
  EXPECT_THROW(Script.Command("KeyDown 1\r\nKeyUp 1"), std::invalid_argument);
  EXPECT_EQ(Script.FrameCount(), 0);
  Script.StartFrom("/nonexistent/data");
  EXPECT_THROW(Script.Text(), std::runtime_error);
}

// The demo's start window: the points agree with the buttons the start-screen tests click.
TEST(PlayScript, WidgetCentresAddTheEnclosingOffsets) {
  EXPECT_EQ(WidgetCentre(HOE_CONTENT, "Demo\\Start.win", "RightPanel\\OpenHarbour"),
            (TScreenPoint{502, 458}));
  EXPECT_EQ(WidgetCentre(HOE_CONTENT, "Demo\\Start.win", "RightPanel\\Quit"),
            (TScreenPoint{678, 528}));
  // Two levels down, named in any case, from the category folder too.
  EXPECT_EQ(WidgetCentre(HOE_CONTENT, "win\\Demo\\Start.win", "rightpanel\\NAMEFIELD\\Name"),
            (TScreenPoint{590, 387}));
  EXPECT_EQ(WidgetCentre(HOE_CONTENT, "Demo\\Start.win", "LeftPanel\\Harbour\\HarbourLife"),
            (TScreenPoint{24 + 16 + 170, 86 + 16 + 127}));

  // A window placed away from the corner, and a centre between pixels.
  TTempDir Content("hoe-content");
  WriteFile(Content.Path() / "win" / "Offset.win",
            "<Widget ClassName=\"TGWindow\" Name=\"W\" Left=\"100\" Top=\"50\" Width=\"300\" "
            "Height=\"200\"><Widget ClassName=\"TGButton\" Name=\"B\" Left=\"10\" Top=\"10\" "
            "Width=\"21\" Height=\"11\"/></Widget>");
  EXPECT_EQ(WidgetCentre(Content.Str(), "Offset.win", "B"), (TScreenPoint{120, 65}));
  EXPECT_EQ(WidgetCentre(Content.Str(), "Offset.win", ""), (TScreenPoint{250, 150}));

  try {
    WidgetCentre(HOE_CONTENT, "Demo\\Start.win", "RightPanel\\Nothing");
    ADD_FAILURE() << "no error for a missing widget";
  } catch (const std::runtime_error& E) {
    EXPECT_NE(std::string(E.what()).find("RightPanel\\Nothing"), std::string::npos) << E.what();
  }
  EXPECT_THROW(WidgetCentre(HOE_CONTENT, "Demo\\Start.win", "OpenHarbour"), std::runtime_error);
  EXPECT_THROW(WidgetCentre(HOE_CONTENT, "Demo\\Nowhere.win", "A"), std::runtime_error);
  WriteFile(Content.Path() / "win" / "Broken.win", "<Widget Name=\"W\"");
  EXPECT_THROW(WidgetCentre(Content.Str(), "Broken.win", "A"), std::runtime_error);
}

TEST(PlayScript, ObjectCentresTurnAboutThePivot) {
  // The shell lies straight; the anchor is turned 8 degrees back about its top-left corner.
  EXPECT_EQ(ObjectCentre(HOE_CONTENT, "Harbour.loc", "Shell"), (TScreenPoint{303, 457}));
  EXPECT_EQ(ObjectCentre(HOE_CONTENT, "loc\\Harbour.loc", "anchor"), (TScreenPoint{248, 438}));

  TTempDir Content("hoe-content");
  WriteFile(Content.Path() / "loc" / "Turns.loc",
            "<Location ID=\"Turns\" Class=\"TLocation\">"
            "<Object ID=\"Quarter\" Left=\"100\" Top=\"100\" Width=\"40\" Height=\"20\" "
            "Angle=\"90\"/>"
            "<Object ID=\"Half\" Left=\"100\" Top=\"100\" Width=\"40\" Height=\"20\" "
            "Angle=\"180\"/>"
            "<Object ID=\"OnItsCentre\" Left=\"100\" Top=\"100\" Width=\"40\" Height=\"20\" "
            "Angle=\"90\" PivotX=\"0.5\" PivotY=\"0.5\"/>"
            "<Object ID=\"NoSize\" Left=\"1\" Top=\"1\"/>"
            "</Location>");
  // Clockwise on the screen: a quarter turn takes the centre (120, 110) to (90, 120).
  EXPECT_EQ(ObjectCentre(Content.Str(), "Turns.loc", "Quarter"), (TScreenPoint{90, 120}));
  EXPECT_EQ(ObjectCentre(Content.Str(), "Turns.loc", "Half"), (TScreenPoint{80, 90}));
  EXPECT_EQ(ObjectCentre(Content.Str(), "Turns.loc", "OnItsCentre"), (TScreenPoint{120, 110}));
  EXPECT_THROW(ObjectCentre(Content.Str(), "Turns.loc", "NoSize"), std::runtime_error);
  try {
    ObjectCentre(HOE_CONTENT, "Harbour.loc", "Kraken");
    ADD_FAILURE() << "no error for a missing object";
  } catch (const std::runtime_error& E) {
    EXPECT_NE(std::string(E.what()).find("Kraken"), std::string::npos) << E.what();
  }
  EXPECT_THROW(ObjectCentre(HOE_CONTENT, "Atlantis.loc", "Anchor"), std::runtime_error);
}
