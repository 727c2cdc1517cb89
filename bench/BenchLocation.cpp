// A large location, headless: 500 objects with pictures and 20 animated live-object channels.
// Loading it (the XML read and the location built, its objects registered; the pictures are
// shared resources, read once), and one 90 fps frame of it: update and draw. The frame is
// measured in the main thread's CPU time, which leaves out the rasteriser's own threads.
#include "HeadlessScreen.h"
#include "TempDir.h"
#include "app/UGClassTables.h"
#include "drawables/UGSprite.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGNativeFileSystem.h"
#include "locations/UBaseLocation.h"
#include "locations/UGameFramework.h"
#include "locations/ULocation.h"
#include "locations/ULocationLoader.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptProcessor.h"
#include "xml/UGXMLNode.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int CObjects = 500;
constexpr int CAnimated = 20;
constexpr int CPictures = 8;

std::string ObjectXML(int I) {
  const int X = I * 53 % 760, Y = I * 29 % 560;
  const int W = 24 + I % 5 * 8, H = 24 + I % 3 * 8;
  return "<Object ID=\"Obj" + std::to_string(I) +
         "\" LocationBehaviorName=\"Pickable\" GfxURL=\"P" + std::to_string(I % CPictures) +
         ".png\" Left=\"" + std::to_string(X) + "\" Top=\"" + std::to_string(Y) + "\" Width=\"" +
         std::to_string(W) + "\" Height=\"" + std::to_string(H) + "\" Angle=\"" +
         std::to_string(I % 7 * 5) +
         "\" TakingCount=\"0\" Visible=\"True\" ExtentHit=\"False\" AllowMouse=\"True\" "
         "AppearedInItems=\"False\" PivotX=\"0\" PivotY=\"0\"><DynProperties><DynProperty "
         "Name=\"OnPick\" Type=\"8\" Value=\"Score += 1\"/></DynProperties></Object>\r\n";
}

// Twenty objects swaying on a looped animation, playing from the start.
std::string AnimationXML() {
  std::string S = "<ActiveAnimations><Animation ID=\"Sway\" Looped=\"True\" OriginX=\"0\" "
                  "OriginY=\"0\" Width=\"800\" Height=\"600\">\r\n";
  for (int I = 0; I < CAnimated; ++I) {
    const int Obj = I * (CObjects / CAnimated);
    const int X = Obj * 53 % 760, Y = Obj * 29 % 560;
    S += "<Channel ClassId=\"LiveGameObject\" Caption=\"c\" Visible=\"True\" GameObjectId=\"Obj" +
         std::to_string(Obj) + "\" XDefValue=\"0\" YDefValue=\"" + std::to_string(Y) +
         "\" WidthDefValue=\"32\" HeightDefValue=\"32\" AngleDefValue=\"0\"><X><Term T=\"0\" "
         "Value=\"" +
         std::to_string(X) + "\"/><Term T=\"1000\" Value=\"" + std::to_string(X + 20) +
         "\"/><Term T=\"2000\" Value=\"" + std::to_string(X) +
         "\"/></X><Angle><Term T=\"0\" Value=\"0\"/><Term T=\"2000\" Value=\"360\"/></Angle>"
         "</Channel>\r\n";
  }
  return S + "</Animation></ActiveAnimations>\r\n";
}

struct TWorld {
  TWorld() {
    std::filesystem::create_directories(Folder.Path() / "gfx");
    for (int P = 0; P < CPictures; ++P) {
      // Pictures of every size, as objects have them (none a power of two, which would take a
      // texture page of its own).
      const int W = 30 + P * 7, H = 26 + P * 5;
      TGObjectPtr<TGBitmap> B(new TGBitmap());
      B->SetSize(W, H);
      for (int Y = 0; Y < H; ++Y) {
        for (int X = 0; X < W; ++X) {
          bool Inside = (X - W / 2) * (X - W / 2) + (Y - H / 2) * (Y - H / 2) < W * H / 4;
          B->SetPixel(X, Y, Inside ? TGColor::Create(255, 30 * P, 8 * X, 8 * Y) : TGColor(0));
        }
      }
      B->SaveToFile(Folder.File("gfx/P" + std::to_string(P) + ".png"));
    }
    Text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Location ID=\"Big\">\r\n" + AnimationXML();
    for (int I = 0; I < CObjects; ++I) {
      Text += ObjectXML(I);
    }
    Text += "</Location>\r\n";
    RegisterEngineClasses();
    Scripts.reset(New<TScriptProcessor>(nullptr));
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, Folder.Str()), nullptr, rdtCommon, 0);
    SetMainResourceLibrary(Library.get());
    Framework = std::make_unique<TGameFrameworkScope>();
    Player.reset(new TPlayer(nullptr));
  }
  ~TWorld() {
    Player.reset();
    Framework.reset();
    SetMainResourceLibrary(nullptr);
    Library.reset();
    Scripts.reset();
  }

  TBaseLocation* Load() {
    TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Location"));
    Root->LoadFromString(Text);
    return LoadLocationFromXML(Library.get(), Root.get(), "Big.loc", nullptr, false);
  }

  THeadlessScreen Screen{CScreenWidth, CScreenHeight}; // first: the device outlives the rest
  TTempDir Folder{"bench-location"};
  std::string Text;
  TGObjectPtr<TScriptProcessor> Scripts;
  TGObjectPtr<TGResourceLibrary> Library;
  std::unique_ptr<TGameFrameworkScope> Framework;
  TGObjectPtr<TPlayer> Player;
};

TWorld& World() {
  static TWorld W;
  return W;
}

void BM_LocationLoad(benchmark::State& State) {
  TWorld& W = World();
  FreeLoadedLocation(W.Load()); // the pictures come in once
  for (auto _ : State) {
    TBaseLocation* L = W.Load();
    State.PauseTiming();
    FreeLoadedLocation(L);
    State.ResumeTiming();
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * W.Text.size()));
}
BENCHMARK(BM_LocationLoad)->Unit(benchmark::kMillisecond);

void BM_LocationFrame(benchmark::State& State) {
  TWorld& W = World();
  TBaseLocation* L = W.Load();
  W.Player->SetCurrentLocation(L);
  L->Activate();
  for (auto _ : State) {
    GD->BeginScene();
    GD->Erase(0);
    L->Update(11);
    TGSprite::BeginBatch();
    L->Draw();
    TGSprite::EndBatch();
    GD->EndScene();
    GD->Present();
  }
  State.counters["objects"] = CObjects;
  State.counters["draw_calls"] = GD->DIPCalls();
  W.Player->SetCurrentLocation(nullptr);
  FreeLoadedLocation(L);
}
BENCHMARK(BM_LocationFrame)->Unit(benchmark::kMicrosecond);

// The update alone (objects, animations, flow), without drawing.
void BM_LocationUpdate(benchmark::State& State) {
  TWorld& W = World();
  TBaseLocation* L = W.Load();
  W.Player->SetCurrentLocation(L);
  L->Activate();
  for (auto _ : State) {
    L->Update(11);
  }
  W.Player->SetCurrentLocation(nullptr);
  FreeLoadedLocation(L);
}
BENCHMARK(BM_LocationUpdate)->Unit(benchmark::kMicrosecond);

// The deal at a switch to a location: 1,000 objects (groups of five among them, and a blue
// object in every twentieth place) into 50 pages of "Random" places.
std::string DealXML() {
  std::string S = "<Location ID=\"Deal\"><ItemsDistribution>";
  for (int P = 0; P < 50; ++P) {
    S += "<Page Capacity=\"20\" MasterObjectPage=\"False\">";
    for (int I = 0; I < 20; ++I) {
      S += "<Item ID=\"Random\"/>";
    }
    S += "</Page>";
  }
  S += "</ItemsDistribution>";
  for (int I = 0; I < 1000; ++I) {
    std::string Extra = I % 20 == 7 ? " HiddenBy=\"D0\"" : "";
    if (I % 10 < 5 && I % 20 != 7) {
      Extra += " GroupID=\"G" + std::to_string(I / 10) + "\"";
    }
    S += "<Object ID=\"D" + std::to_string(I) + "\" LocationBehaviorName=\"Pickable\"" + Extra +
         " PageMin=\"" + std::to_string(I % 3 == 0 ? 0 : 1) + "\" PageMax=\"50\" Left=\"0\" " +
         "Top=\"0\" Width=\"8\" Height=\"8\" Angle=\"0\" TakingCount=\"0\" Visible=\"True\" " +
         "ExtentHit=\"True\" AllowMouse=\"True\" AppearedInItems=\"False\" PivotX=\"0\" " +
         "PivotY=\"0\"/>";
  }
  return S + "</Location>";
}

void BM_LocationDeal(benchmark::State& State) {
  TWorld& W = World();
  const std::string Text = DealXML();
  for (auto _ : State) {
    State.PauseTiming();
    TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Location"));
    Root->LoadFromString(Text);
    auto* L = static_cast<TLocation*>(
        LoadLocationFromXML(W.Library.get(), Root.get(), "Deal.loc", nullptr, false));
    State.ResumeTiming();
    L->FillItemsDistribution();
    State.PauseTiming();
    FreeLoadedLocation(L);
    State.ResumeTiming();
  }
}
BENCHMARK(BM_LocationDeal)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
