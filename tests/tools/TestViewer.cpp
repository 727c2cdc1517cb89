// The resource viewer: every picture format shown the same from the content folder, from the
// packed archive and through the conversion cache.
#include "ProgramRunner.h"
#include "graphics/UGBitmap.h"
#include "io/UGStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& Name) {
  std::ifstream In(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

// A scratch path of the running test's own: tests run in parallel processes.
std::string Scratch(const std::string& What) {
  return ::testing::TempDir() + "/hoe-view-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + What;
}

// Shows the URL and returns the screenshot's bytes (empty when the run failed).
std::string Show(const std::string& URL, const std::string& Options, std::string& Output) {
  const std::string Picture = Scratch("shot.png");
  std::remove(Picture.c_str());
  const std::string Data = Scratch("data");
  const int Code = RunProgram(HOE_VIEWER, "'" + URL + "' --screenshot " + Picture + " " + Options,
                              Output, "XDG_DATA_HOME=" + Data);
  return Code == 0 ? ReadFile(Picture) : std::string();
}

} // namespace

TEST(Viewer, ShowsEveryPictureFormatAlikeFromFolderArchiveAndCache) {
  std::filesystem::remove_all(Scratch("data"));
  for (const char* URL : {"Demo\\Harbour.jpg", "Demo\\Lantern.png", "Demo\\Crate.png",
                          "Demo\\Compass.jp2", "Demo\\Gem.spr"}) {
    SCOPED_TRACE(URL);
    std::string Out;
    const std::string FromArchive = Show(URL, "", Out);
    ASSERT_GT(FromArchive.size(), 1500u) << Out; // a picture, not a black screen
    EXPECT_NE(Out.find("(TGSprite)"), std::string::npos) << Out;
    EXPECT_EQ(Show(URL, std::string("--resources ") + HOE_CONTENT, Out), FromArchive) << Out;
    if (std::string(URL).ends_with(".spr")) {
      continue; // converted pictures are not cached again
    }
    // Twice through the cache: once converting, once reading the converted copy.
    EXPECT_EQ(Show(URL, "--cache", Out), FromArchive) << Out;
    EXPECT_EQ(Show(URL, "--cache", Out), FromArchive) << Out;
    EXPECT_EQ(Out.find("Caching gfx"), std::string::npos) << Out;
  }
}

TEST(Viewer, ReportsMissingResourcesAndBadCommandLines) {
  std::string Out;
  EXPECT_EQ(RunProgram(HOE_VIEWER, "'Demo\\Nothing.png'", Out), 1);
  EXPECT_NE(Out.find("Resource \"Demo\\Nothing.png\" not found"), std::string::npos) << Out;
  EXPECT_EQ(RunProgram(HOE_VIEWER, "", Out), 2);
  EXPECT_NE(Out.find("Usage: hoe-view"), std::string::npos) << Out;
}

// A text file is laid out in the content's text font: Unix and Windows line ends look the same,
// and the line breaks are honoured (the same words on one line look different).
TEST(Viewer, ShowsTextFilesWithEitherLineEnd) {

  const fs::path Content = fs::path(Scratch("texts"));
  fs::remove_all(Content);
  fs::create_directories(Content / "texts");
  fs::copy(fs::path(HOE_CONTENT) / "fnt", Content / "fnt", fs::copy_options::recursive);
  fs::create_directories(Content / "gfx");
  fs::copy(fs::path(HOE_CONTENT) / "gfx" / "Fonts", Content / "gfx" / "Fonts",
           fs::copy_options::recursive);
  auto Write = [&](const char* Name, const std::string& Text) {
    std::ofstream(Content / "texts" / Name, std::ios::binary) << Text;
  };
  Write("Unix.txt", "First line\nSecond line\n\nFourth line");
  Write("Windows.txt", "\xEF\xBB\xBF"
                       "First line\r\nSecond line\r\n\r\nFourth line");
  Write("OneLine.txt", "First line Second line Fourth line");
  const std::string Options = "--resources " + Content.string();
  std::string Out;
  const std::string Unix = Show("texts\\Unix.txt", Options, Out);
  ASSERT_GT(Unix.size(), 1000u) << Out;
  EXPECT_NE(Out.find("text in Text.fnt"), std::string::npos) << Out;
  EXPECT_EQ(Show("texts\\Windows.txt", Options, Out), Unix) << Out;
  const std::string OneLine = Show("texts\\OneLine.txt", Options, Out);
  ASSERT_FALSE(OneLine.empty()) << Out;
  EXPECT_NE(OneLine, Unix);
  EXPECT_EQ(RunProgram(HOE_VIEWER, "'texts\\Missing.txt' " + Options, Out), 1);
  EXPECT_NE(Out.find("Missing.txt"), std::string::npos) << Out;
}

// Animations play: their pictures change from frame to frame (the showcase holds a mask, a
// nested animation, a sound and a text).
TEST(Viewer, PlaysAnimations) {
  for (const char* URL : {"Demo\\Harbour.ani", "Demo\\Showcase.ani"}) {
    SCOPED_TRACE(URL);
    std::string Out;
    const std::string Early = Show(URL, "--frames 10", Out);
    ASSERT_FALSE(Early.empty()) << Out;
    EXPECT_NE(Out.find("(TGAnimation)"), std::string::npos) << Out;
    const std::string Later = Show(URL, "--frames 90", Out);
    ASSERT_FALSE(Later.empty()) << Out;
    EXPECT_NE(Early, Later);
  }
}

// A scene is shown through its first camera and runs: the lighthouse lamp turns, the crane
// waves. The demo animation shows it through a scene channel.
TEST(Viewer, ShowsScenesAndTheirAnimation) {
  std::string Out;
  const std::string Early = Show("Models\\Harbour.sce", "--frames 10", Out);
  ASSERT_GT(Early.size(), 20000u) << Out; // a picture, not a black screen
  EXPECT_NE(Out.find("(TGSceneRoot)"), std::string::npos) << Out;
  const std::string Later = Show("Models\\Harbour.sce", "--frames 90", Out);
  ASSERT_FALSE(Later.empty()) << Out;
  EXPECT_TRUE(Early != Later);
  EXPECT_GT(Show("Models\\Harbour.sce", std::string("--resources ") + HOE_CONTENT, Out).size(),
            20000u)
      << Out;
  const std::string Animated = Show("Demo\\Harbour3D.ani", "--frames 30", Out);
  ASSERT_GT(Animated.size(), 20000u) << Out;
}

namespace {

TGColor PixelOf(TGBitmap& Bitmap, int X, int Y) {
  return Bitmap.ScanLine(Y)[X];
}

// Shows the URL in the viewer with a screenshot; the exit code, the output in Out.
int View(const std::string& URL, const std::string& Options, const std::string& Picture,
         std::string& Out) {
  std::remove(Picture.c_str());
  return RunProgram(HOE_VIEWER, "'" + URL + "' --screenshot " + Picture + " " + Options, Out,
                    "XDG_DATA_HOME=" + Scratch("data"));
}

} // namespace

// The viewer shows a window file as the top window, from the archive and from the folder alike;
// broken window files are reported with their names.
TEST(ViewerWindows, ShowsWindowFilesAndReportsBrokenOnes) {
  std::string Out;
  for (const std::string& Options : {std::string(), std::string("--resources ") + HOE_CONTENT}) {
    SCOPED_TRACE(Options);
    const std::string Picture = Scratch("shot.png");
    ASSERT_EQ(View("Demo\\Start.win", Options, Picture, Out), 0) << Out;
    EXPECT_NE(Out.find("Showing Demo\\Start.win (TGWindow)"), std::string::npos) << Out;
    TGObjectPtr<TGBitmap> Shot(new TGBitmap());
    TGFileStream In(Picture, fmOpenRead);
    Shot->LoadFromStream(In);
    ASSERT_EQ(Shot->Width(), 800);
    // The Quit button's blue face and the brass rim of the left panel.
    const TGColor Quit = PixelOf(*Shot, 640, 540), Rim = PixelOf(*Shot, 25, 300);
    EXPECT_GT(Quit.B, Quit.R + 30) << std::hex << uint32_t(Quit);
    EXPECT_GT(Rim.R, Rim.B + 40) << std::hex << uint32_t(Rim);
  }

  const fs::path Content = Scratch("content");
  fs::remove_all(Content);
  fs::create_directories(Content / "win");
  std::ofstream(Content / "win" / "Unknown.win")
      << "<Widget ClassName='TNoSuchWidget' Name='W' Left='0' Top='0' Width='8' Height='8'/>";
  std::ofstream(Content / "win" / "Cut.win") << "<Widget ClassName='TGWindow' Name='W' Le";
  const std::string Folder = "--resources " + Content.string();
  // Each becomes an empty stand-in, reported with the file's name and the reason.
  EXPECT_EQ(View("Unknown.win", Folder, Scratch("bad.png"), Out), 0) << Out;
  EXPECT_NE(Out.find("Creating stub for \"Unknown.win\" due to error \"Unknown widget class: "
                     "TNoSuchWidget\""),
            std::string::npos)
      << Out;
  EXPECT_EQ(View("Cut.win", Folder, Scratch("bad.png"), Out), 0) << Out;
  EXPECT_NE(Out.find("Creating stub for \"Cut.win\" due to error \"XML parse error"),
            std::string::npos)
      << Out;
}

TEST(Viewer, ShowsModelsInEachOfTheirForms) {
  for (const char* URL : {"Models\\Tower.x", "Models\\Tower.xmdl", "Models\\Tower.bx",
                          "Models\\Crate.x", "Models\\Arm.bx"}) {
    SCOPED_TRACE(URL);
    std::string Out;
    const std::string Shot = Show(URL, "--frames 20", Out);
    ASSERT_FALSE(Shot.empty()) << Out;
    EXPECT_NE(Out.find("(TGModel)"), std::string::npos) << Out;
    // The model fills a good part of the black screen.
    TGObjectPtr<TGBitmap> Picture(new TGBitmap());
    TGMemoryStream In(Shot);
    Picture->LoadFromStream(In);
    int Lit = 0;
    for (int32_t Y = 0; Y < Picture->Height(); Y += 4)
      for (int32_t X = 0; X < Picture->Width(); X += 4)
        Lit += (uint32_t(Picture->GetPixel(X, Y)) & 0xFFFFFF) != 0;
    EXPECT_GT(Lit, Picture->Width() * Picture->Height() / 16 / 20) << Out;
  }
}

// A location plays in the location view, by its name from the archive or by its path below
// "loc\" from a folder; a file that cannot be made into a location ends the viewer with the
// file's name and the reason.
TEST(ViewerLocations, PlaysLocationsAndReportsBrokenOnes) {
  std::string Out;
  const std::string Picture = Scratch("harbour.png");
  for (const auto& [URL, Options] :
       {std::pair<std::string, std::string>{"Harbour.loc", ""},
        {"loc\\Harbour.loc", std::string("--resources ") + HOE_CONTENT}}) {
    SCOPED_TRACE(URL);
    ASSERT_EQ(View(URL, "--frames 30 " + Options, Picture, Out), 0) << Out;
    EXPECT_NE(Out.find("Showing Harbour.loc (TLocationWithGoalAllItemsCollected, 32 objects)"),
              std::string::npos)
        << Out;
    TGObjectPtr<TGBitmap> Shot(new TGBitmap());
    TGFileStream In(Picture, fmOpenRead);
    Shot->LoadFromStream(In);
    ASSERT_EQ(Shot->Width(), 800);
    // The sea chest's brass lock, and the line of objects to find along the bottom.
    const TGColor Lock = PixelOf(*Shot, 381, 434), Status = PixelOf(*Shot, 4, 596);
    EXPECT_GT(Lock.R, 150) << std::hex << uint32_t(Lock);
    EXPECT_LT(Lock.B, Lock.R - 60) << std::hex << uint32_t(Lock);
    EXPECT_LT(Status.R + Status.G + Status.B, 120) << std::hex << uint32_t(Status);
  }

  const fs::path Content = Scratch("locations");
  fs::remove_all(Content);
  fs::create_directories(Content / "loc");
  std::ofstream(Content / "loc" / "Cut.loc") << "<Location ID='Cut'><Object ID='A' Le";
  std::ofstream(Content / "loc" / "Odd.loc") << "<Location ID='Odd' Class='TNoSuchPlace'/>";
  const std::string Folder = "--resources " + Content.string();
  for (const auto& [URL, Reason] :
       {std::pair<std::string, std::string>{"Cut.loc", "XML parse error"},
        {"Odd.loc", "Wrong location class name: TNoSuchPlace"},
        {"loc\\Nowhere.loc", "Cannot open file"}}) {
    SCOPED_TRACE(URL);
    EXPECT_EQ(View(URL, Folder, Scratch("bad.png"), Out), 1) << Out;
    const std::string Name = URL.starts_with("loc\\") ? URL.substr(4) : URL;
    EXPECT_NE(Out.find("Cannot load the location " + Name + ": " + Reason), std::string::npos)
        << Out;
    EXPECT_FALSE(fs::exists(Scratch("bad.png")));
  }
}
