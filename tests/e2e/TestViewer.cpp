// The resource viewer: every picture format shown the same from the content folder, from the
// packed archive and through the conversion cache.
#include "ProgramRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadFile(const std::string& Name) {
  std::ifstream In(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

// Shows the URL and returns the screenshot's bytes (empty when the run failed).
std::string Show(const std::string& URL, const std::string& Options, std::string& Output) {
  const std::string Picture = ::testing::TempDir() + "/hoe-view.png";
  std::remove(Picture.c_str());
  const std::string Data = ::testing::TempDir() + "/hoe-view-data";
  const int Code = RunProgram(HOE_VIEWER, "'" + URL + "' --screenshot " + Picture + " " + Options,
                              Output, "XDG_DATA_HOME=" + Data);
  return Code == 0 ? ReadFile(Picture) : std::string();
}

} // namespace

TEST(Viewer, ShowsEveryPictureFormatAlikeFromFolderArchiveAndCache) {
  std::filesystem::remove_all(::testing::TempDir() + "/hoe-view-data");
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
