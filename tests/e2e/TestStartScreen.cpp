// The widgets' demo screen, as authors reach it through the viewer ("hoe-view TStartWindow"),
// driven by input: a playback file written here (frames of 17 ms with mouse and key commands
// between them) is replayed headless, and the last frame and the run's length show what the
// widgets did.
#include "ProgramRunner.h"
#include "graphics/UGBitmap.h"
#include "io/UGStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Scratch(const std::string& What) {
  return ::testing::TempDir() + "/hoe-start-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + What;
}

// Writes playback files: the header of a real recording (random seed and packed data folder),
// then frames and input. Each script outlasts its run's frame limit: the run ends inside the
// recording, never after it has gone on live.
class TScript {
public:
  explicit TScript(std::string AHeader)
      : FText(std::move(AHeader)) {}
  TScript& Frames(int Count) {
    for (int I = 0; I < Count; ++I) {
      FTick += 17;
      FText += "Draw " + std::to_string(FTick) + "\r\n";
    }
    return *this;
  }
  TScript& Command(const std::string& Line) {
    FText += Line + "\r\n";
    return *this;
  }
  // Moves there, presses and releases the left button, a frame after each step.
  TScript& Click(int X, int Y) {
    Command("MouseMove " + std::to_string(X) + " " + std::to_string(Y)).Frames(1);
    Command("MouseDown 0").Frames(1);
    return Command("MouseUp 0").Frames(1);
  }
  // Characters typed, a frame after each.
  TScript& Type(const std::string& Text) {
    for (const char C : Text) {
      Command("KeyPress " + std::to_string(int(C))).Frames(1);
    }
    return *this;
  }
  TScript& Key(int Code) {
    Command("KeyDown " + std::to_string(Code)).Frames(1);
    return Command("KeyUp " + std::to_string(Code)).Frames(1);
  }
  const std::string& Text() const { return FText; }
  int FrameCount() const { return FTick / 17; }

private:
  std::string FText;
  int FTick = 0;
};

class StartScreen : public ::testing::Test {
protected:
  void SetUp() override {
    Data = Scratch("data");
    fs::remove_all(Data);
    // One recorded frame gives the header and the folder playback files are read from.
    std::string Out;
    ASSERT_EQ(RunProgram(HOE_VIEWER, "TStartWindow --frames 1 -r -file header.rec", Out, Env()), 0)
        << Out;
    for (const auto& Entry : fs::recursive_directory_iterator(Data)) {
      if (Entry.path().filename() == "header.rec") {
        Folder = Entry.path().parent_path();
      }
    }
    ASSERT_FALSE(Folder.empty()) << Out;
    std::ifstream In(Folder / "header.rec", std::ios::binary);
    std::string Line;
    for (int I = 0; I < 2 && std::getline(In, Line); ++I) {
      Header += Line + "\n"; // the line keeps its CR
    }
    Header += "AppActivate\r\n";
  }
  std::string Env() const { return "XDG_DATA_HOME=" + Data; }
  // Plays the script; the exit code, with the output in Out.
  int Play(const TScript& Script, const std::string& Options, std::string& Out) {
    std::ofstream(Folder / "script.rec", std::ios::binary) << Script.Text();
    return RunProgram(HOE_VIEWER, "TStartWindow " + Options + " -p -file script.rec", Out, Env());
  }
  // The frames the run lasted, from its closing report.
  static int FramesRun(const std::string& Out) {
    const size_t End = Out.find(" frames in ");
    const size_t At = End == std::string::npos ? End : Out.rfind("hoe-view: ", End);
    return At == std::string::npos ? -1 : std::atoi(Out.c_str() + At + 10);
  }

  std::string Data;
  fs::path Folder;
  std::string Header;
};

TGColor PixelOf(TGBitmap& Bitmap, int X, int Y) {
  return Bitmap.ScanLine(Y)[X];
}

} // namespace

TEST_F(StartScreen, WidgetsAnswerTheMouseAndTheKeyboard) {
  // Fade in; load cargo three times; turn the lights off; next page with the mouse, the last
  // page with Page Down; End and a surname in the name field, which has the focus.
  TScript Script(Header);
  Script.Frames(30).Click(333, 502).Click(333, 502).Click(333, 502);
  Script.Click(56, 394).Click(722, 300).Key(0x22).Key(35).Type(" Jones").Frames(5);
  const int Played = Script.FrameCount();
  Script.Frames(100);
  const std::string Picture = Scratch("shot.png");
  std::string Out;
  ASSERT_EQ(Play(Script, "--frames " + std::to_string(Played) + " --screenshot " + Picture, Out), 0)
      << Out;
  TGObjectPtr<TGBitmap> Shot(new TGBitmap());
  TGFileStream In(Picture, fmOpenRead);
  Shot->LoadFromStream(In);
  ASSERT_EQ(Shot->Width(), 800);

  // The bar is filled to 60 %: gold at its left, the dark trough at its right.
  const TGColor Filled = PixelOf(*Shot, 60, 502), Empty = PixelOf(*Shot, 250, 502);
  EXPECT_GT(Filled.R, 150) << std::hex << uint32_t(Filled);
  EXPECT_LT(Filled.B, 120) << std::hex << uint32_t(Filled);
  EXPECT_LT(Empty.R, 60) << std::hex << uint32_t(Empty);
  // The check box lost its gold mark.
  const TGColor Mark = PixelOf(*Shot, 54, 400);
  EXPECT_LT(Mark.R, 120) << std::hex << uint32_t(Mark);
  // The surname stands right of "Keeper" in white letters.
  int Letters = 0;
  for (int Y = 372; Y < 400; ++Y) {
    for (int X = 500; X < 560; ++X) {
      const TGColor P = PixelOf(*Shot, X, Y);
      Letters += P.R > 180 && P.G > 180 && P.B > 180;
    }
  }
  EXPECT_GT(Letters, 20);
  // On the last page "Back" is enabled (blue) and "Next" disabled (grey).
  const TGColor Back = PixelOf(*Shot, 430, 300), Next = PixelOf(*Shot, 700, 300);
  EXPECT_GT(Back.B, Back.R + 40) << std::hex << uint32_t(Back);
  EXPECT_LT(std::abs(Next.B - Next.R), 30) << std::hex << uint32_t(Next);
}

TEST_F(StartScreen, EscAndTheQuitButtonFadeOutAndEndTheProgram) {
  std::string Out;
  TScript ByKey(Header);
  ByKey.Frames(20).Key(27).Frames(100);
  ASSERT_EQ(Play(ByKey, "--frames 300", Out), 0) << Out;
  // Two frames for the key, the fade (255 / 1200 s at 17 ms a frame), the black frame.
  const int Frames = FramesRun(Out);
  EXPECT_GT(Frames, 30) << Out;
  EXPECT_LT(Frames, 45) << Out;

  TScript ByButton(Header);
  ByButton.Frames(20).Click(678, 528).Frames(100);
  ASSERT_EQ(Play(ByButton, "--frames 300", Out), 0) << Out;
  EXPECT_GT(FramesRun(Out), 30) << Out;
  EXPECT_LT(FramesRun(Out), 45) << Out;
}

// "To the harbour" fades out into the profile's game, built behind the loading screen: the play
// screen shows a new game's first scene, the harbour station, with its panel. Esc there
// opens the journal, whose "Main menu" leaves the game (saving it), and the start screen fades
// in again.
TEST_F(StartScreen, HarbourGameOpensModallyAndComesBack) {
  TScript Script(Header);
  constexpr int CJournalMainMenuX = 400, CJournalMainMenuY = 394;
  Script.Frames(30).Click(500, 458).Frames(420).Key(27).Frames(120);
  Script.Click(CJournalMainMenuX, CJournalMainMenuY).Frames(320);
  for (const int Frames : {450, 860}) {
    const std::string Picture = Scratch("shot.png");
    std::string Out;
    ASSERT_EQ(Play(Script, "--frames " + std::to_string(Frames) + " --screenshot " + Picture, Out),
              0)
        << Out;
    EXPECT_EQ(FramesRun(Out), Frames) << Out;
    TGObjectPtr<TGBitmap> Shot(new TGBitmap());
    TGFileStream In(Picture, fmOpenRead);
    Shot->LoadFromStream(In);
    const TGColor Quit = Shot->ScanLine(540)[640];
    if (Frames == 450) {
      // The panel: its dark tools drawer where the start screen has its Quit button, and at
      // the right the dark recess of the menu button, which a new game's first scene (the
      // tutorial) hides until the PDA is picked up.
      const TGColor Menu = Shot->ScanLine(577)[740];
      EXPECT_LT(Menu.B, 80) << std::hex << uint32_t(Menu);
      EXPECT_LT(Quit.B, 80) << std::hex << uint32_t(Quit);
    } else {
      EXPECT_GT(Quit.B, Quit.R + 30) << std::hex << uint32_t(Quit);
    }
  }
}
