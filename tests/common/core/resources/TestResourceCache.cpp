// The depository's conversion cache: pictures converted once into ".spr" inside an archive in
// the cache folder, dated like their sources, refreshed, pruned and rebuilt.
#include "TempDir.h"
#include "app/UGAppParams.h"
#include "app/UGClassTables.h"
#include "drawables/UGSprite.h"
#include "graphics/UGBitmap.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "resources/UGResource.h"
#include "resources/UGResourceDepository.h"
#include "resources/UGResourceLibrary.h"
#include "sfs/UGCacheFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace fs = std::filesystem;

namespace {

struct TLog : TGAbstractStartupLog {
  std::vector<std::string> Infos;
  std::vector<std::string> Errors;
  double Progress = 0;
  void Info(const std::string& Text) override { Infos.push_back(Text); }
  void Error(const std::string& Text) override { Errors.push_back(Text); }
  void SetCachingProgress(double Fraction) override { Progress = Fraction; }
};

class ResourceCache : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(Root / "Game" / "gfx" / "Sub");
    fs::create_directories(Root / "Game" / "cfg");
    fs::create_directories(Root / "Cache");
    OldFolder = fs::current_path();
    fs::current_path(Root); // BadGraphics.txt goes to the current folder
    UnregisterAllResources();
    RegisterEngineClasses();
    TGCacheFileSystem::Register();
    TGResourceDepository::SetCacheFolder((Root / "Cache").string());
    WritePicture("gfx/A.png", 0xFF102030);
    WritePicture("gfx/Sub/B.png", 0x80FFFFFF);
    WriteFile("cfg/X.cfg", "<Config/>");
  }
  void TearDown() override {
    Library.reset();
    TGResourceDepository::SetCacheFolder("");
    SetCacheFileSystemFactory(nullptr);
    fs::current_path(OldFolder);
  }

  void WriteFile(const std::string& Name, const std::string& Bytes) {
    std::ofstream(Root / "Game" / Name, std::ios::binary) << Bytes;
  }
  void WritePicture(const std::string& Name, TGColor Color) {
    TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
    Bitmap->SetSize(70, 70);
    for (int Y = 0; Y < 70; ++Y) {
      for (int X = 0; X < 70; ++X) {
        Bitmap->SetPixel(X, Y, Color);
      }
    }
    Bitmap->SaveToFile((Root / "Game" / Name).string());
  }
  // Moves a file's modification time (seconds from now).
  void Age(const std::string& Name, int Seconds) {
    const std::string Path = (Root / "Game" / Name).string();
    struct stat Info;
    ASSERT_EQ(::stat(Path.c_str(), &Info), 0);
    struct utimbuf Times {
      Info.st_atime, Info.st_mtime + Seconds
    };
    ASSERT_EQ(::utime(Path.c_str(), &Times), 0);
  }

  TGResourceDepository* Open(bool NoCache = false) {
    Library.reset();
    Library.reset(new TGResourceLibrary(nullptr, true, NoCache));
    Library->Load(new TGNativeFileSystem(nullptr, (Root / "Game").string()), &Log, rdtCommon, 0);
    return Library->CommonDepository();
  }
  std::string CacheFile() const { return (Root / "Cache" / "Game.sfs").string(); }

  TTempDir Scratch{"hoe-cache"};
  const fs::path Root = Scratch.Path();
  fs::path OldFolder;
  TLog Log;
  TGObjectPtr<TGResourceLibrary> Library;
};

std::string Head(TGStream& S, size_t N) {
  std::string Bytes(N, '\0');
  S.ReadBuffer(Bytes.data(), static_cast<int64_t>(N));
  return Bytes;
}

} // namespace

TEST_F(ResourceCache, ConvertsPicturesOnceAndReadsThemFromTheCache) {
  TGResourceDepository* D = Open();
  EXPECT_EQ(D->GetCacheFileName(), CacheFile());
  TGFileSystem* Cache = D->CacheFileSystem();
  ASSERT_NE(Cache, nullptr);
  EXPECT_EQ(Cache->CreateStream("Manifest", fmOpenRead)->ReadAll(), D->FileSystem()->Location());
  EXPECT_TRUE(Cache->FileExists("gfx\\A.png"));
  EXPECT_TRUE(Cache->FileExists("gfx\\Sub\\B.png"));
  EXPECT_FALSE(Cache->FileExists("cfg\\X.cfg"));
  EXPECT_EQ(Cache->FileAge("gfx\\A.png"), D->FileSystem()->FileAge("gfx\\A.png"));
  EXPECT_EQ(Log.Infos.size(), 2u);
  EXPECT_DOUBLE_EQ(Log.Progress, 1.0);

  // Pictures come converted; other resources from the folder.
  EXPECT_EQ(Head(*D->OpenResourceFile("A.png", fmOpenRead), 4), ".SPR");
  EXPECT_EQ(Head(*D->OpenResourceFile("X.cfg", fmOpenRead), 4), "<Con");
  auto* Sprite = ObjectCast<TGSprite>(Library->GetResource("Sub\\B.png"));
  EXPECT_EQ(Sprite->Width(), 70);

  // A second start converts nothing.
  Log.Infos.clear();
  Open();
  EXPECT_TRUE(Log.Infos.empty());
}

TEST_F(ResourceCache, RefreshesNewerSourcesAndDropsRemovedOnes) {
  Open();
  Age("gfx/A.png", 10);
  fs::remove(Root / "Game" / "gfx" / "Sub" / "B.png");
  Log.Infos.clear();
  TGResourceDepository* D = Open();
  ASSERT_EQ(Log.Infos.size(), 1u);
  EXPECT_EQ(Log.Infos[0], "Caching gfx\\A.png");
  EXPECT_FALSE(D->CacheFileSystem()->FileExists("gfx\\Sub\\B.png"));
  EXPECT_TRUE(D->CacheFileSystem()->FileExists("Manifest"));
}

TEST_F(ResourceCache, ManifestOfAnotherPlaceEmptiesTheCache) {
  TGResourceDepository* D = Open();
  {
    auto S = D->CacheFileSystem()->CreateStream("Manifest", fmCreate);
    S->WriteString("/somewhere/else");
    auto Stale = D->CacheFileSystem()->CreateStream("gfx\\Stale.png", fmCreate);
  }
  Log.Infos.clear();
  D = Open();
  EXPECT_EQ(Log.Infos.size(), 2u); // everything again
  EXPECT_FALSE(D->CacheFileSystem()->FileExists("gfx\\Stale.png"));

  // A manifest longer than 1,024 bytes never matches.
  {
    auto S = D->CacheFileSystem()->CreateStream("Manifest", fmCreate);
    S->WriteString(D->FileSystem()->Location() + std::string(1100, ' '));
  }
  Log.Infos.clear();
  Open();
  EXPECT_EQ(Log.Infos.size(), 2u);
}

TEST_F(ResourceCache, BrokenPictureIsReportedAndLeavesNoEntry) {
  WriteFile("gfx/Broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "not really");
  TGResourceDepository* D = Open();
  EXPECT_FALSE(D->CacheFileSystem()->FileExists("gfx\\Broken.png"));
  EXPECT_TRUE(D->CacheFileSystem()->FileExists("gfx\\Sub\\B.png")); // the build went on
  ASSERT_EQ(Log.Errors.size(), 1u);
  EXPECT_EQ(Log.Errors[0].rfind("Error loading \"gfx\\Broken.png\": ", 0), 0u) << Log.Errors[0];
  std::ifstream Bad(Root / "BadGraphics.txt");
  std::string Line;
  std::getline(Bad, Line);
  EXPECT_EQ(Line.rfind("gfx\\Broken.png: ", 0), 0u) << Line;

  // It is tried again at the next start, and a stub stands in for it.
  Log.Errors.clear();
  Open();
  EXPECT_EQ(Log.Errors.size(), 1u);
  EXPECT_NE(Library->GetResource("Broken.png"), nullptr);
}

TEST_F(ResourceCache, DamagedCacheIsRebuilt) {
  std::ofstream(CacheFile(), std::ios::binary) << std::string(5000, 'x');
  TGResourceDepository* D = Open();
  ASSERT_NE(D->CacheFileSystem(), nullptr);
  EXPECT_TRUE(D->CacheFileSystem()->FileExists("gfx\\A.png"));
  EXPECT_EQ(Log.Errors.size(), 1u);
}

TEST_F(ResourceCache, CachedMarkerOrNoCacheMeansNoCache) {
  TGResourceDepository* D = Open(true);
  EXPECT_EQ(D->CacheFileSystem(), nullptr);
  EXPECT_FALSE(fs::exists(CacheFile()));
  WriteFile("Cached", "");
  D = Open(false);
  EXPECT_EQ(D->CacheFileSystem(), nullptr);
  EXPECT_FALSE(fs::exists(CacheFile()));
  EXPECT_EQ(Head(*D->OpenResourceFile("A.png", fmOpenRead), 4), "\x89PNG");
}
