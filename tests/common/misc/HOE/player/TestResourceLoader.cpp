#include "TempDir.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "object/UGClassBuilder.h"
#include "player/UResourceLoader.h"
#include "resources/UGConfig.h"
#include "resources/UGResource.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::atomic<int> SlowLoads{0};

// Takes a while to load, so that a second request arrives while the first is under way.
class TSlowConfig : public TGConfig {
  G_CLASS(TSlowConfig, TGConfig)
  explicit TSlowConfig(TGObject* AOwner = nullptr)
      : TGConfig(AOwner) {}
  void LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) override {
    ++SlowLoads;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    inherited::LoadFromStream(Stream, Context);
  }
};
G_IMPLEMENT_CLASS(TSlowConfig)

// Asks for its own URL while loading.
class TSelfConfig : public TGConfig {
  G_CLASS(TSelfConfig, TGConfig)
  explicit TSelfConfig(TGObject* AOwner = nullptr)
      : TGConfig(AOwner) {}
  void LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) override {
    inherited::LoadFromStream(Stream, Context);
    Itself = Context->GetResourceEx(URL(), false);
  }
  TGResource* Itself = reinterpret_cast<TGResource*>(1);
};
G_IMPLEMENT_CLASS(TSelfConfig)

class ResourceLoaderTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    RegisterResource(TGConfig::StaticClass(), "cfg", {".cfg"}, 3);
    RegisterResource(TSlowConfig::StaticClass(), "cfg", {".slow"});
    RegisterResource(TSelfConfig::StaticClass(), "cfg", {".self"});
  }
  void SetUp() override {
    ForceDirectories(Root + "/cfg");
    WriteFile(Root + "/cfg/Big.slow", "<Slow/>");
    WriteFile(Root + "/cfg/Me.self", "<Self/>");
    for (int I = 0; I < 20; ++I) {
      WriteFile(Root + "/cfg/Item" + std::to_string(I) + ".cfg",
                "<Item N='" + std::to_string(I) + "'/>");
    }
    Library.reset(New<TResourceLibrary>(nullptr, true, true));
    Library->SetErrorCallback(
        [this](const std::string& URL, const std::string&) { Errors.push_back(URL); });
    Library->Load(new TGNativeFileSystem(nullptr, Root), nullptr, rdtCommon, 0);
  }
  void TearDown() override { Library.reset(); }

  TTempDir Scratch{"hoe-loader"};
  const std::string Root = Scratch.Str();
  TGObjectPtr<TResourceLibrary> Library;
  std::vector<std::string> Errors;
};

} // namespace

TEST_F(ResourceLoaderTest, TwoThreadsAskingForOneURLLoadItOnce) {
  SlowLoads = 0;
  TGResource* A = nullptr;
  TGResource* B = nullptr;
  std::thread First([&] { A = Library->GetResource("Big.slow"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  B = Library->GetResource("big.SLOW");
  First.join();
  EXPECT_EQ(A, B);
  EXPECT_EQ(SlowLoads, 1);
  EXPECT_EQ(A->Owner(), Library.get());
}

TEST_F(ResourceLoaderTest, AResourceAskingForItselfGetsNone) {
  auto* Self = static_cast<TSelfConfig*>(Library->GetResource("Me.self"));
  EXPECT_EQ(Self->Itself, nullptr);
  EXPECT_EQ(Errors, (std::vector<std::string>{"Me.self"}));
  EXPECT_FALSE(Library->IsLoadingResource("Me.self"));
  // The single-threaded library breaks the cycle the same way.
  TGObjectPtr<TGResourceLibrary> Plain(new TGResourceLibrary(nullptr, true, true));
  Plain->Load(new TGNativeFileSystem(nullptr, Root), nullptr, rdtCommon, 0);
  EXPECT_EQ(static_cast<TSelfConfig*>(Plain->GetResource("Me.self"))->Itself, nullptr);
}

TEST_F(ResourceLoaderTest, TheWorkerLoadsQueuedURLsInItsShareOfTheFrames) {
  TResourceLoader* Loader = Library->ResourceLoader();
  for (int I = 0; I < 20; ++I) {
    Loader->Add("Item" + std::to_string(I) + ".cfg");
  }
  Loader->AddThread();
  // The last URL may still be loading after the queue has emptied: allow it a few seconds.
  for (int Frame = 0; Frame < 5000 && !Library->IsLoaded("Item19.cfg"); ++Frame) {
    Loader->Execute(0.011f, 0.5f);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  for (int I = 0; I < 20; ++I) {
    EXPECT_TRUE(Library->IsLoaded("Item" + std::to_string(I) + ".cfg")) << I;
  }
  EXPECT_GT(Loader->AuxiliaryThreadsTime(), 0u);
  // With a tiny share the worker is not resumed again once it has had its time.
  Loader->Add("Item0.cfg");
  uint32_t Before = Loader->AuxiliaryThreadsTime();
  Loader->Execute(0.0f, 0.0001f);
  EXPECT_EQ(Loader->AuxiliaryThreadsTime(), Before);
}
