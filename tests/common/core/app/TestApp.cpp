#include "TestProgram.h"
#include "app/UGApp.h"
#include "app/UGAppFramework.h"
#include "app/UGAppInput.h"
#include "app/UGApplication.h"
#include "app/UGClassTables.h"
#include "app/UGInputTimer.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGFileUtils.h"
#include "object/UGClassBuilder.h"
#include "platform/UHostWindow.h"
#include "resources/UGConfig.h"
#include "resources/UGResource.h"
#include "widgets/UGWindow.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// A clock that only moves when told to, so tests never sleep or spin.
class TFakeClock : public TGClock {
public:
  bool Counter(uint64_t& Value) override {
    if (FailCounter) {
      return false;
    }
    Value = Ticks;
    Ticks += SpinStep; // every read of the counter lets a little time pass
    return true;
  }
  uint64_t Frequency() override { return 1000000; }
  uint64_t Milliseconds() override { return Ticks / 1000; }
  void Sleep(uint32_t Ms) override {
    Sleeps.push_back(Ms);
    Ticks += Ms * 1000ull;
  }
  void SleepMicroseconds(uint32_t Us) override {
    ShortSleeps.push_back(Us);
    Ticks += Us;
  }
  void Pause() override { ++Pauses; }

  uint64_t Ticks = 1000000;
  uint64_t SpinStep = 0;
  bool FailCounter = false;
  std::vector<uint32_t> Sleeps;
  std::vector<uint32_t> ShortSleeps;
  int Pauses = 0;
};

std::vector<std::string> Events;

class TTestWindow : public TGWindow {
  G_CLASS(TTestWindow, TGWindow)
  explicit TTestWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  TTestWindow(std::string AName, bool ACovers)
      : TGWindow(nullptr)
      , Name(std::move(AName))
      , Covers(ACovers) {}
  // A window covering the screen is as large as it; the others cover a part of it.
  void AfterConstruction() override {
    inherited::AfterConstruction();
    SetWidth(Covers ? 800.0f : 400.0f);
    SetHeight(Covers ? 600.0f : 300.0f);
  }
  void UpdateTree(float Interval) override {
    inherited::UpdateTree(Interval);
    Intervals.push_back(Interval);
    ++Updates;
    if (OnUpdate) {
      OnUpdate(this);
    }
  }
  void Activate() override {
    Events.push_back("activate " + Name);
    inherited::Activate();
  }
  void Deactivate() override {
    Events.push_back("deactivate " + Name);
    inherited::Deactivate();
  }
  void KeyDown(uint16_t Key) override { Events.push_back(Name + " key " + std::to_string(Key)); }
  void MouseDown(int Button) override {
    Events.push_back(Name + " down " + std::to_string(Button));
  }
  void ApplicationActivate() override { Events.push_back("app-activate " + Name); }

  std::string Name;
  bool Covers = false;
  int Updates = 0;
  std::vector<float> Intervals;
  std::function<void(TTestWindow*)> OnUpdate;
};
G_IMPLEMENT_CLASS(TTestWindow)

class FrameTest : public ::testing::Test {
protected:
  void SetUp() override {
    Events.clear();
    ForceDirectories(Folder + "/Resources/cfg");
    WriteFile(Folder + "/Resources/cfg/Hello.cfg", "<Hello Who='world'/>");
    ForceDirectories(Folder + "/Resources/win");
    WriteFile(Folder + "/Resources/win/Dialog.win",
              "<Widget ClassName='TGWindow' Name='Dialog' Left='100' Top='50' Width='400' "
              "Height='300'><Widget ClassName='TGPicture' Name='Face' Left='10' Top='10' "
              "Width='20' Height='20'/></Widget>");
    RegisterEngineClasses();
    Params.Control = Window;
    Params.Width = 800;
    Params.Height = 600;
    Params.ResourcesLocation = "Resources.sfs";
    Params.StartupLog = &Log;
  }

  void StartRun() { Frame->InitRun(Params); }

  // Frames driven by hand: every idle turn draws one frame 11 ms after the previous one.
  void DriveFramesByHand() {
    Loop->OnIdle = [this](bool& Done) {
      Done = false;
      bool Drawn = false;
      Tick += 11;
      App->Draw(Tick, Drawn);
      if (Loop->Terminated()) {
        return;
      }
    };
  }

  TTestProgram Program{"Frame Test", "1.5.3.7"};
  const std::string Folder = Program.Folder();
  THostWindow* Window = &Program.Window();
  TGApplication* Loop = &Program.Loop();
  TGAppFramework* Frame = &Program.Frame();
  TGAbstractStartupLog Log;
  TGAppParams Params;
  int64_t Tick = 0;
};

} // namespace

TEST(InputTimer, SleepsUntilNearTheBoundaryThenSpins) {
  TFakeClock Clock;
  TGInputTimer Timer(Clock);
  // 1/90 s is 11111 us: far from it the timer sleeps 1 ms and reports no frame.
  EXPECT_FALSE(Timer.Wait(false));
  EXPECT_EQ(Clock.Sleeps, (std::vector<uint32_t>{1}));
  Clock.Ticks += 9000; // 10 ms in: 1.1 ms remain, below the sleep gain
  Clock.SpinStep = 100;
  EXPECT_TRUE(Timer.Wait(false));
  EXPECT_EQ(Clock.Sleeps.size(), 1u);
  // A short sleep to 0.3 ms before the boundary (the read of the counter took 0.1 ms), then a
  // spin in steps of 96 pauses over the rest.
  EXPECT_EQ(Clock.ShortSleeps, (std::vector<uint32_t>{811}));
  EXPECT_GT(Clock.Pauses, 0);
  EXPECT_LE(Clock.Pauses, 3 * 96);
  EXPECT_EQ(Clock.Pauses % 96, 0);
  EXPECT_EQ(Timer.TickCount(), 11);
  // Minimised: 20 ms sleeps and no spinning.
  Clock.Pauses = 0;
  EXPECT_FALSE(Timer.Wait(true));
  EXPECT_EQ(Clock.Sleeps.back(), 20u);
  EXPECT_TRUE(Timer.Wait(true));
  EXPECT_EQ(Clock.Pauses, 0);
  EXPECT_EQ(Clock.ShortSleeps.size(), 1u);
}

TEST(InputTimer, LateFramesDoNotPushLaterOnesBack) {
  TFakeClock Clock;
  TGInputTimer Timer(Clock);
  uint64_t Start = Clock.Ticks;
  Clock.Ticks = Start + 11611; // the first frame begins 0.5 ms late
  EXPECT_TRUE(Timer.Wait(false));
  Clock.Ticks = Start + 2 * 11111 - 1000; // 1 ms before the second boundary
  Clock.SpinStep = 10;
  EXPECT_TRUE(Timer.Wait(false));
  // The second frame begins at its own boundary, not a period after the late first one.
  EXPECT_GE(Clock.Ticks, Start + 2 * 11111);
  EXPECT_LT(Clock.Ticks, Start + 2 * 11111 + 100);
  EXPECT_EQ(Timer.TickCount(), 22); // game time is the time that passed
  // A frame more than a whole period late starts the grid anew.
  Clock.Ticks += 50000;
  EXPECT_TRUE(Timer.Wait(false));
  EXPECT_EQ(Timer.TickCount(), 72);
}

TEST(InputTimer, AccumulatesFrameTimeAndFallsBackToTheMillisecondTimer) {
  TFakeClock Clock;
  TGInputTimer Timer(Clock);
  Clock.Ticks += 40000;
  EXPECT_TRUE(Timer.Wait(false));
  EXPECT_EQ(Timer.TickCount(), 40);
  Clock.FailCounter = true;
  EXPECT_FALSE(Timer.Wait(false)); // restarts the interval on the millisecond timer
  EXPECT_FALSE(Timer.UsesPerformanceCounter());
  Clock.Ticks += 20000;
  EXPECT_TRUE(Timer.Wait(false));
  EXPECT_GE(Timer.TickCount(), 60);
  Timer.Reset();
  EXPECT_FALSE(Timer.Wait(false));
}

TEST_F(FrameTest, AppInfoAndCommandLines) {
  EXPECT_EQ(Frame->AppInfo().MajorVersion(), "1.05");
  EXPECT_EQ(MajorVersionOf("2"), "2.00");
  EXPECT_EQ(MajorVersionOf(""), "0.00");
  EXPECT_EQ(Frame->AppInfo().AppDataFolder(), Folder + "/data/Test Works/Frame Test/1.05");
  EXPECT_TRUE(DirectoryExists(Frame->AppInfo().CacheFolder()));
  EXPECT_THROW(TGAppFramework Second(Folder), EGException);
  EXPECT_THROW(TGAppInfo(Folder + "/nowhere"), EGException);

  TGCommandLine L = TGAppFramework::ParseCommandLine(Params, {"-R", "-file"});
  EXPECT_EQ(L.Mode, mRecord);
  EXPECT_EQ(L.FileName, ""); // "-file" without a name is ignored
  L = TGAppFramework::ParseCommandLine(
      Params, {"-t", "-url", "Scripts\\x.js", "-P", "-nosound", "--frames", "3", "-file", "a.rec"});
  EXPECT_EQ(L.Mode, mPlayBack); // the last mode wins
  EXPECT_EQ(L.Params.PlaytestScriptURL, "Scripts\\x.js");
  EXPECT_TRUE(L.Params.NoSound);
  EXPECT_EQ(L.FileName, "a.rec");

  TGAppParams Missing;
  try {
    TGAppFramework::CheckAppParams(Missing);
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "AppParams.Control must be specified");
  }
  Missing.Control = Window;
  try {
    TGAppFramework::CheckAppParams(Missing);
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "AppParams.ResourcesLocation must be specified");
  }
}

TEST_F(FrameTest, ChainOrderAndIntervals) {
  StartRun();
  ASSERT_EQ(Frame->Plugins().size(), 2u);
  EXPECT_TRUE(Frame->Plugins()[0]->InheritsFrom(TGAppInput::StaticClass()));
  EXPECT_EQ(Frame->Plugins()[1], App);
  EXPECT_EQ(Frame->Plugins()[0]->GetNextPlugin(), App);
  EXPECT_EQ(App->GetNextPlugin(), nullptr);
  EXPECT_EQ(Frame->FindPlugin(TGAppPlugin::StaticClass()), Frame->Plugins()[0]);
  EXPECT_EQ(App->ExeVersion(), "3.5 (build 7)");
  EXPECT_THROW(New<TGApp>(Params), EGException); // one application object

  App->UpdateInterval(0); // going backwards counts as 1 ms
  EXPECT_FLOAT_EQ(App->Interval(), 0.001f);
  App->UpdateInterval(1000);
  EXPECT_FLOAT_EQ(App->Interval(), 0.05f);
  App->UpdateInterval(1011);
  EXPECT_FLOAT_EQ(App->Interval(), 0.011f);
  App->SetSpeedIndex(10);
  App->UpdateInterval(2000);
  EXPECT_FLOAT_EQ(App->Interval(), 0.5f);
  App->SetSpeedIndex(-6);
  App->UpdateInterval(2010);
  EXPECT_FLOAT_EQ(App->Interval(), 0.0005f);
  EXPECT_FLOAT_EQ(SpeedAdjustment(0), 1.0f);
}

TEST_F(FrameTest, ResourcesComeFromTheDepository) {
  StartRun();
  EXPECT_EQ(App->GetCfg("hello.cfg")->XML()->GetStrAttr("Who"), "world");
  // Window files: typed access, and the invalid cast for another kind of resource.
  TGWindow* Dialog = App->GetWin("dialog.win");
  EXPECT_EQ(Dialog->Name(), "Dialog");
  EXPECT_FLOAT_EQ(Dialog->Width(), 400);
  EXPECT_NE(Dialog->GetPicture("Face"), nullptr);
  EXPECT_THROW(App->GetWin("hello.cfg"), EInvalidCast);
  EXPECT_EQ(App->Language(), "ENG");
  EXPECT_THROW(App->GetResource("Missing.cfg"), EGException);
  TGObjectPtr<TGObject> Stranger(new TGObject());
  EXPECT_THROW(App->LoadDepository("Nowhere", 1), EGException);
}

TEST_F(FrameTest, SpeedKeysDebugToggleAndScreenshots) {
  StartRun();
  App->KeyDown(17); // Ctrl
  for (int I = 0; I < 11; ++I) {
    App->KeyDown(0x6B);
    App->KeyUp(0x6B);
  }
  EXPECT_EQ(App->SpeedIndex(), 10);
  App->KeyDown(0x6D);
  App->KeyDown(0x6D); // held: auto-repeat does not count
  App->KeyDown(0x6D);
  EXPECT_EQ(App->SpeedIndex(), 9);
  App->KeyUp(0x6D);
  App->KeyDown(0x6A);
  EXPECT_EQ(App->SpeedIndex(), 0);
  bool Debug = App->ShowDebugInfo();
  App->KeyDown(0x6F);
  EXPECT_NE(App->ShowDebugInfo(), Debug);
  App->KeyDown(0x74);
  EXPECT_TRUE(App->ScreenShotPending());
  App->KeyUp(17);
  EXPECT_TRUE(App->GetKey(0x6F));
  EXPECT_FALSE(App->GetKey(17));
}

TEST_F(FrameTest, AltEnterTogglesOncePerPress) {
  StartRun();
  TTestWindow* W = New<TTestWindow>("w", true);
  App->Show(W);
  EXPECT_FALSE(App->FullScreen());
  App->KeyDown(18);
  App->KeyDown(13);
  EXPECT_TRUE(App->FullScreen());
  App->KeyDown(13); // held Enter repeats without toggling again
  EXPECT_TRUE(App->FullScreen());
  App->KeyUp(13);
  App->KeyDown(13);
  EXPECT_FALSE(App->FullScreen());
  App->KeyUp(13);
  App->KeyUp(18);
  App->KeyDown(13); // Enter alone reaches the window
  EXPECT_EQ(Events.back(), "w key 13");
  App->SetAllowAltEnter(false);
  App->KeyUp(13);
  App->KeyDown(18);
  App->KeyDown(13);
  EXPECT_FALSE(App->FullScreen());
}

TEST_F(FrameTest, InputGoesToTheTopWindow) {
  StartRun();
  TTestWindow* Bottom = New<TTestWindow>("bottom", true);
  App->Show(Bottom);
  App->AppActivate();
  App->KeyDown(65);
  App->MouseDown(1);
  EXPECT_TRUE(App->ButtonHeld(1));
  App->MouseMove(TGPoint{10, 20});
  EXPECT_EQ(App->MousePos(), (TGPoint{10, 20}));
  EXPECT_EQ(Events,
            (std::vector<std::string>{"app-activate bottom", "bottom key 65", "bottom down 1"}));
}

TEST_F(FrameTest, NestedModalWindowsReturnInOrder) {
  StartRun();
  DriveFramesByHand();
  TTestWindow* Bottom = New<TTestWindow>("bottom", true);
  TTestWindow* First = New<TTestWindow>("first", false);
  TTestWindow* Second = New<TTestWindow>("second", false);
  App->Show(Bottom);
  Second->OnUpdate = [](TTestWindow* Self) {
    if (Self->Updates == 3) {
      Self->SetVisible(false);
    }
  };
  First->OnUpdate = [&](TTestWindow* Self) {
    if (Self->Updates == 2) {
      App->Show(Second);
      Events.push_back("second closed");
    } else if (Self->Updates == 4) {
      Self->SetVisible(false);
    }
  };
  App->Show(First);
  std::erase_if(Events, [](const std::string& E) { return E.rfind("app-", 0) == 0; });
  EXPECT_EQ(Events,
            (std::vector<std::string>{"deactivate bottom", "deactivate first", "activate first",
                                      "second closed", "activate bottom"}));
  EXPECT_EQ(App->WindowStack(), (std::vector<TGWindow*>{Bottom}));
  // Nothing covers the screen above the bottom window, so it was updated with the others.
  EXPECT_GT(Bottom->Updates, 0);
  First->Free();
  Second->Free();
}

TEST_F(FrameTest, CloseWindowsEndsEveryModalLoopAbove) {
  StartRun();
  DriveFramesByHand();
  TTestWindow* Bottom = New<TTestWindow>("bottom", true);
  TTestWindow* First = New<TTestWindow>("first", true);
  TTestWindow* Second = New<TTestWindow>("second", true);
  App->Show(Bottom);
  First->OnUpdate = [&](TTestWindow* Self) {
    if (Self->Updates == 1) {
      App->Show(Second);
    }
  };
  Second->OnUpdate = [&](TTestWindow* Self) {
    if (Self->Updates == 2) {
      App->CloseWindows(Bottom);
    }
  };
  App->Show(First);
  EXPECT_FALSE(First->Visible());
  EXPECT_FALSE(Second->Visible());
  EXPECT_TRUE(Bottom->Visible());
  EXPECT_EQ(App->WindowStack().size(), 1u);
  EXPECT_EQ(First->Updates, 1);  // its loop ended without another frame
  EXPECT_EQ(Bottom->Updates, 0); // covered all along
  First->Free();
  Second->Free();
}

TEST_F(FrameTest, HidingTheOnlyWindowEndsTheProgram) {
  StartRun();
  DriveFramesByHand();
  TTestWindow* Only = New<TTestWindow>("only", true);
  App->Show(Only);
  Only->OnUpdate = [](TTestWindow* Self) {
    if (Self->Updates == 5) {
      Self->SetVisible(false);
    }
  };
  Loop->Run();
  EXPECT_TRUE(Loop->Terminated());
  EXPECT_EQ(Only->Updates, 5);
  // A window freed while shown leaves the stack.
  Only->Free();
  EXPECT_TRUE(App->WindowStack().empty());
}

TEST_F(FrameTest, IdleTurnsRunFramesThroughTheInputPlugin) {
  StartRun();
  TTestWindow* Only = New<TTestWindow>("only", true);
  App->Show(Only);
  Only->OnUpdate = [](TTestWindow* Self) {
    if (Self->Updates == 3) {
      Self->SetVisible(false);
    }
  };
  Loop->Run(); // real pacing: three frames take about 33 ms
  EXPECT_EQ(Only->Updates, 3);
  for (float I : Only->Intervals) {
    EXPECT_GE(I, 0.001f);
    EXPECT_LE(I, 0.05f);
  }
}

TEST_F(FrameTest, WideScreenBands) {
  StartRun();
  App->InitWideScreen(false, false); // the offscreen desktop is 4:3
  EXPECT_FALSE(App->IsWideScreen());
  EXPECT_FLOAT_EQ(App->WideScreenFieldKX(), 0);
  App->InitWideScreen(true, true);
  EXPECT_TRUE(App->IsWideScreen());
  EXPECT_FLOAT_EQ(App->WideScreenFieldKY(), 0);
}

// A window that paints the whole screen one colour.
class TFillWindow : public TGWindow {
public:
  void AfterConstruction() override {
    TGWindow::AfterConstruction();
    SetWidth(800);
    SetHeight(600);
  }
  void DrawTree() override { GD->DrawRect(TGColor(0xFFFF0000), 0, 0, 800, 600); }
};

// Full screen on a 16:9 desktop: the frame keeps to the 4:3 field in the middle (bands of 12.5 %
// of the width at both sides), and the adjustment picture shows only in two corner squares.
TEST_F(FrameTest, WideScreenFieldAndAdjustmentPicture) {
  TGObjectPtr<TGBitmap> Green(new TGBitmap());
  Green->SetSize(8, 8);
  for (int Y = 0; Y < 8; ++Y) {
    for (int X = 0; X < 8; ++X) {
      Green->SetPixel(X, Y, 0xFF00FF00);
    }
  }
  ForceDirectories(Folder + "/Resources/gfx");
  Green->SaveToFile(Folder + "/Resources/gfx/Adjust.png");
  StartRun();
  ASSERT_NE(GD, nullptr);
  GD->SetDefaultClearColor(TGColor(0xFF000000));
  App->SetDesktopSize(1600, 900);
  App->InitWideScreen(false, false);
  EXPECT_FLOAT_EQ(App->WideScreenFieldKX(), 0.125f);
  App->SetAdjustmentSymbolGfxURL("Adjust.png");
  auto* W = New<TFillWindow>();
  App->Show(W);
  auto PixelAt = [](int X, int Y) {
    std::vector<TGColor> P;
    EXPECT_TRUE(GD->CreateScreenshotPixels(P));
    return uint32_t(P[static_cast<size_t>(Y) * GD->Width() + X]);
  };
  bool Drawn = false;
  App->Draw(11, Drawn); // a new window is drawn from its first update on
  EXPECT_TRUE(W->ReadyToDraw());
  App->Draw(12, Drawn);
  EXPECT_EQ(PixelAt(50, 300), 0xFFFF0000u); // windowed: the whole screen
  App->SetFullScreen(true);
  if (!App->FullScreen()) {
    W->Free();
    GTEST_SKIP() << "no full screen here";
  }
  EXPECT_TRUE(App->WideScreenFieldActive());
  EXPECT_EQ(App->WideScreenField(), (TGRect{100, 0, 700, 600}));
  App->Draw(22, Drawn);
  EXPECT_EQ(PixelAt(99, 300), 0xFF000000u);
  EXPECT_EQ(PixelAt(100, 300), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(699, 300), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(700, 300), 0xFF000000u);
  EXPECT_EQ(PixelAt(0, 0), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(1, 1), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(2, 2), 0xFF000000u);
  EXPECT_EQ(PixelAt(799, 599), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(797, 597), 0xFF000000u);
  // A missing picture is reported once and the field is still kept.
  App->SetAdjustmentSymbolGfxURL("Missing.png");
  App->Draw(33, Drawn);
  App->Draw(44, Drawn);
  EXPECT_EQ(PixelAt(0, 0), 0xFF000000u);
  EXPECT_EQ(PixelAt(400, 300), 0xFFFF0000u);
  App->SetFullScreen(false);
  W->Free();
}

TEST_F(FrameTest, CursorComesFromTheWindowUnderTheMouse) {
  StartRun();
  ASSERT_NE(GD, nullptr);
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->SetSize(4, 4);
  for (int Y = 0; Y < 4; ++Y) {
    for (int X = 0; X < 4; ++X) {
      Bitmap->SetPixel(X, Y, 0xFFFF00FF);
    }
  }
  TGObjectPtr<TGSprite> Arrow(new TGSprite());
  Arrow->LoadFromBitmap(*Bitmap);
  TTestWindow* Only = New<TTestWindow>("only", true);
  // The cursor over the left half of the screen.
  TGWidget* Left = New<TGWidget>(Only);
  Left->SetWidth(400);
  Left->SetHeight(600);
  Left->SetCursor(Arrow.get());
  Only->Add(Left);
  App->Show(Only);
  auto PixelAt = [](int X, int Y) {
    std::vector<TGColor> P;
    EXPECT_TRUE(GD->CreateScreenshotPixels(P));
    return uint32_t(P[static_cast<size_t>(Y) * GD->Width() + X]);
  };
  bool Drawn = false;
  App->Draw(5, Drawn); // the window's first update
  App->MouseMove(TGPoint{100, 50});
  App->Draw(11, Drawn);
  EXPECT_EQ(App->Cursor()->Graphic(), Arrow.get());
  EXPECT_EQ(PixelAt(101, 51), 0xFFFF00FFu);
  // Where the window offers no cursor, none is drawn.
  App->MouseMove(TGPoint{500, 50});
  App->Draw(22, Drawn);
  EXPECT_EQ(App->Cursor()->Graphic(), nullptr);
  EXPECT_NE(PixelAt(501, 51), 0xFFFF00FFu);
  Only->Free();
}

TEST(DebugOverlay, HeapFigure) {
  EXPECT_EQ(HeapText(500000), "488,288");
  EXPECT_EQ(HeapText(5000000), "4 882,832");
  EXPECT_EQ(HeapText(0), "0,000");
}
