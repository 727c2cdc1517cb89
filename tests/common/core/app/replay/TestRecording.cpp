// Recording input into a ".rec" file and playing it back: the file's lines, the replay of every
// call with its game time, the data folder carried along, the replay clock, the console's
// pausing, stepping and stopping, and bad recordings.
#include "TestProgram.h"
#include "app/UGAppFramework.h"
#include "app/UGAppInput.h"
#include "app/replay/UGAppPlayer.h"
#include "app/replay/UGAppRecorder.h"
#include "base/UGDateTime.h"
#include "base/UGError.h"
#include "base/UGGUID.h"
#include "base/UGRandom.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"
#include "object/UGClassBuilder.h"
#include "sfs/USFSFolderArchive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Runs inside the sink's frames: a window shown modally from a frame runs frames of its own.
std::function<void(int64_t)> NestedFrames;

// The end of the chain: writes down every call it gets.
class TSinkPlugin : public TGAppPlugin {
  G_CLASS(TSinkPlugin, TGAppPlugin)
  explicit TSinkPlugin(TGObject* AOwner = nullptr)
      : TGAppPlugin(AOwner) {}
  void Initialize() override { Calls.push_back("Initialize"); }
  void AppActivate() override { Calls.push_back("AppActivate"); }
  void KeyDown(uint16_t Key) override { Calls.push_back("KeyDown " + std::to_string(Key)); }
  void KeyPress(char32_t Key) override {
    Calls.push_back("KeyPress " + std::to_string(uint32_t(Key)));
  }
  void KeyUp(uint16_t Key) override { Calls.push_back("KeyUp " + std::to_string(Key)); }
  void MouseWheelDown() override { Calls.push_back("MouseWheelDown"); }
  void MouseMove(const TGPoint& P) override {
    Calls.push_back("MouseMove " + std::to_string(P.X) + " " + std::to_string(P.Y));
  }
  void MouseDown(int B) override { Calls.push_back("MouseDown " + std::to_string(B)); }
  void MouseUp(int B) override { Calls.push_back("MouseUp " + std::to_string(B)); }
  void DblClick() override { Calls.push_back("DblClick"); }
  void Draw(int64_t Tick, bool& Success) override {
    Success = Tick % 2 == 0; // odd times stand for frames that could not be drawn
    Calls.push_back("Draw " + std::to_string(Tick));
    // What the game would write into a save at this frame.
    Stamps.push_back(std::to_string(DateTimeAsInt64(PreciseNow())) + " " + NewGuid());
    if (NestedFrames) {
      NestedFrames(Tick);
    }
  }
  void Idle(int64_t Tick) override { Calls.push_back("Idle " + std::to_string(Tick)); }
  std::vector<std::string> Calls;
  std::vector<std::string> Stamps;
};
G_IMPLEMENT_CLASS(TSinkPlugin)

// A clock that moves only when slept on or read.
class TFakeClock : public TGClock {
public:
  bool Counter(uint64_t& Value) override {
    Value = Ticks;
    Ticks += 50; // 50 us per read while spinning
    return true;
  }
  uint64_t Frequency() override { return 1000000; }
  uint64_t Milliseconds() override { return Ticks / 1000; }
  void Sleep(uint32_t Ms) override { Ticks += Ms * 1000ull; }
  void SleepMicroseconds(uint32_t Us) override { Ticks += Us; }
  void Pause() override {}
  uint64_t Ticks = 5000000;
};

TFakeClock& TestClock() {
  static TFakeClock Clock;
  return Clock;
}

std::string ReadText(const std::string& Name) {
  TGFileStream In(Name, fmOpenRead);
  return In.ReadAll();
}

void WriteText(const std::string& Name, const std::string& Text) {
  TGFileStream Out(Name, fmCreate);
  Out.WriteBuffer(Text.data(), int64_t(Text.size()));
}

class RecordingTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterFolderArchiver(); }

  // A new frame (the old one goes first: one per process).
  TGAppFramework& NewFrame() { return Program.NewFrame(); }

  // Records the calls of Script into File, the random seed being 777; returns the sink's view
  // of them.
  template <class F>
  std::vector<std::string> Record(const std::string& File, F Script,
                                  std::vector<std::string>* Stamps = nullptr) {
    TGAppFramework& Fr = NewFrame(); // seeds the generator from the clock
    GlobalRandom().SetSeed(777);
    auto* Recorder = New<TGAppRecorder>(File);
    auto* Sink = New<TSinkPlugin>();
    Fr.AddPlugin(Recorder);
    Fr.AddPlugin(Sink);
    Fr.InitializePlugins();
    Script(*Recorder);
    Fr.FinalizePlugins();
    if (Stamps) {
      *Stamps = Sink->Stamps;
    }
    return Sink->Calls;
  }

  // A player of File in a new frame, with the live input after it.
  TGAppPlayer* NewPlayer(const std::string& File, TSinkPlugin*& Sink, TGAppInput*& Input) {
    TGAppFramework& Fr = NewFrame();
    Fr.AppInfo().SetPlaybackMode(true);
    auto* Player = new TGAppPlayer(File, TestClock());
    Input = New<TGAppInput>();
    Sink = New<TSinkPlugin>();
    Fr.AddPlugin(Player);
    Fr.AddPlugin(Input);
    Fr.AddPlugin(Sink);
    return Player;
  }

  TTestProgram Program{"Rec Test", "1.0.0"};
  const std::string Folder = Program.Folder();
};

} // namespace

TEST(PlaybackCommands, LinesTokensAndNumbers) {
  TGPlaybackFile File("RandSeed 42\r\n\r\n  \t\r\nMouseMove  -3\t700 9 junk\r\n"
                      "Data QUJD+/==\nKeyPress 1046\nDraw");
  TPlaybackCommand C;
  ASSERT_TRUE(ReadPlaybackCommand(File, C));
  EXPECT_EQ(C.Cmd, "RandSeed");
  EXPECT_EQ(C.P1, 42);
  // Blank lines are skipped; runs of blanks and tabs separate tokens; a fourth token is ignored.
  ASSERT_TRUE(ReadPlaybackCommand(File, C));
  EXPECT_EQ(C.Cmd, "MouseMove");
  EXPECT_EQ(C.P1, -3);
  EXPECT_EQ(C.P2, 700);
  ASSERT_TRUE(ReadPlaybackCommand(File, C));
  EXPECT_EQ(C.Cmd, "Data");
  EXPECT_EQ(C.StrPar, "QUJD+/==");
  EXPECT_EQ(C.P1, 0);
  ASSERT_TRUE(ReadPlaybackCommand(File, C));
  EXPECT_EQ(C.P1, 1046);
  ASSERT_TRUE(ReadPlaybackCommand(File, C)); // the last line needs no line end
  EXPECT_EQ(C.Cmd, "Draw");
  EXPECT_EQ(C.P1, 0);
  EXPECT_FALSE(ReadPlaybackCommand(File, C));
  EXPECT_FALSE(ReadPlaybackCommand(File, C));

  TGPlaybackFile Bad("Idle 12x\r\n");
  try {
    ReadPlaybackCommand(Bad, C);
    FAIL() << "a malformed number was read";
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "'12x' is not a valid integer value");
  }
}

TEST(PlayerTimer, WaitsForTheRecordedTimeAtTheReplaySpeed) {
  TFakeClock Clock;
  TGPlayerTimer Timer(Clock);
  uint64_t Start = Clock.Ticks;
  Timer.Wait(100, 1.0f);
  EXPECT_GE(Clock.Ticks - Start, 100000u);
  EXPECT_LT(Clock.Ticks - Start, 100300u);
  EXPECT_EQ(Timer.TickCount(), 100);
  // Twice as fast: 200 ms of game time in 100 ms.
  Start = Clock.Ticks;
  Timer.Wait(300, 2.0f);
  EXPECT_GE(Clock.Ticks - Start, 100000u);
  EXPECT_LT(Clock.Ticks - Start, 100300u);
  // A time already reached (several commands at one time) does not wait.
  Start = Clock.Ticks;
  Timer.Wait(300, 1.0f);
  Timer.Wait(250, 1.0f);
  EXPECT_EQ(Clock.Ticks, Start);
  EXPECT_EQ(Timer.TickCount(), 300);
}

TEST_F(RecordingTest, RecordsEveryCallAndReplaysItTheSame) {
  const std::string File = Folder + "/run.rec";
  // The player data at the start of the recording travels with it.
  TGAppInfo Info(Folder);
  WriteText(Info.DataFolder() + "/Players.xml", "<Players Current='Ann'/>");
  ForceDirectories(Info.DataFolder() + "/Ann");
  WriteText(Info.DataFolder() + "/Ann/Profile.xml", "<Profile Score='120'/>");
  const std::vector<std::string> Live = Record(File, [](TGAppRecorder& R) {
    R.AppActivate();
    R.MouseMove(TGPoint{120, -5});
    R.MouseDown(0);
    R.MouseUp(0);
    R.DblClick();
    R.KeyDown(0x41);
    R.KeyPress(U'\u0416'); // beyond one byte
    R.KeyUp(0x41);
    R.MouseWheelDown();
    bool Drawn = false;
    R.Draw(22, Drawn);
    R.Draw(33, Drawn); // not drawn: no line
    R.Idle(33);
    R.Draw(44, Drawn);
  });
  const std::string Text = ReadText(File);
  EXPECT_TRUE(Text.starts_with("RandSeed 777\r\nData ")) << Text.substr(0, 40);
  const size_t Commands = Text.find("\r\nAppActivate");
  ASSERT_NE(Commands, std::string::npos);
  EXPECT_EQ(Text.substr(Commands + 2),
            "AppActivate\r\nMouseMove 120 -5\r\nMouseDown 0\r\nMouseUp 0\r\nDblClick\r\n"
            "KeyDown 65\r\nKeyPress 1046\r\nKeyUp 65\r\nMouseWheelDown\r\nDraw 22\r\nIdle 33\r\n"
            "Draw 44\r\n");

  // Playback: a stale file in the playback data folder goes, the recorded data comes.
  Info.SetPlaybackMode(true);
  WriteText(Info.DataFolder() + "/Stale.xml", "<Stale/>");
  GlobalRandom().SetSeed(1);
  TSinkPlugin* Sink = nullptr;
  TGAppInput* Input = nullptr;
  TGAppPlayer* Player = NewPlayer(File, Sink, Input);
  Program.Frame().InitializePlugins();
  EXPECT_EQ(GlobalRandom().Seed(), 777u);
  EXPECT_EQ(ReadText(Info.DataFolder() + "/Ann/Profile.xml"), "<Profile Score='120'/>");
  EXPECT_EQ(ReadText(Info.DataFolder() + "/Players.xml"), "<Players Current='Ann'/>");
  EXPECT_FALSE(FileExists(Info.DataFolder() + "/Stale.xml"));
  EXPECT_FALSE(Input->Enabled()); // the live input waits while the file plays
  EXPECT_EQ(Player->EndTime(), 44);
  EXPECT_TRUE(Player->Paused()); // someone has to press Play
  Player->ProcessCommand();
  EXPECT_EQ(Sink->Calls, std::vector<std::string>{"Initialize"});
  Player->SetPaused(false);
  while (!Player->Terminated()) {
    Player->ProcessCommand();
  }
  std::vector<std::string> Replayed(Sink->Calls.begin() + 1, Sink->Calls.end());
  std::vector<std::string> Expected(Live.begin() + 1, Live.end());
  Expected.erase(std::find(Expected.begin(), Expected.end(), "Draw 33")); // never recorded
  EXPECT_EQ(Replayed, Expected);
  EXPECT_EQ(Player->CurTime(), 44);
  // At the end the game goes on live.
  EXPECT_TRUE(Input->Enabled());
  EXPECT_EQ(Input->Timer().TickCount(), 44);
}

// The dates and identifiers a recorded run reads are those its replay reads: the recording's
// start plus the game time, and GUIDs from the seeded generator.
// A frame that shows a window modally is written before the modal window's frames, in the order
// a replay reads them; a frame not drawn around them keeps its line, one alone takes it back.
TEST_F(RecordingTest, AFrameComesBeforeTheFramesOfAWindowItShowsModally) {
  const std::string File = Folder + "/modal.rec";
  Record(File, [](TGAppRecorder& R) {
    NestedFrames = [&R](int64_t Tick) {
      bool Drawn = false;
      if (Tick == 10 || Tick == 51) {
        R.Draw(Tick / 10 * 10 + 10, Drawn);
        R.Draw(Tick / 10 * 10 + 20, Drawn);
      }
    };
    bool Drawn = false;
    R.Draw(10, Drawn);
    R.Draw(41, Drawn); // not drawn, nothing nested: no line
    R.Draw(51, Drawn); // not drawn, but frames ran inside it
    R.Draw(80, Drawn);
  });
  NestedFrames = nullptr;
  const std::string Text = ReadText(File);
  const size_t Frames = Text.find("Draw ");
  ASSERT_NE(Frames, std::string::npos) << Text;
  EXPECT_EQ(Text.substr(Frames),
            "Draw 10\r\nDraw 20\r\nDraw 30\r\nDraw 51\r\nDraw 60\r\nDraw 70\r\nDraw 80\r\n");
}

TEST_F(RecordingTest, AReplayReadsTheDatesAndGuidsOfTheRecordedRun) {
  const std::string File = Folder + "/dates.rec";
  std::vector<std::string> Live;
  Record(
      File,
      [](TGAppRecorder& R) {
        bool Drawn = false;
        R.Draw(1000, Drawn);
        R.Draw(61000, Drawn);
      },
      &Live);
  ASSERT_EQ(Live.size(), 2u);
  EXPECT_NE(Live[0], Live[1]);
  EXPECT_NE(ReadText(File).find("\r\nStartTime "), std::string::npos);
  // Outside the run the system's clock and random source are back.
  EXPECT_FALSE(GuidsFromProgramGenerator());
  TSinkPlugin* Sink = nullptr;
  TGAppInput* Input = nullptr;
  TGAppPlayer* Player = NewPlayer(File, Sink, Input);
  Program.Frame().InitializePlugins();
  Player->SetPaused(false);
  while (!Player->Terminated()) {
    Player->ProcessCommand();
  }
  EXPECT_EQ(Sink->Stamps, Live);
  // A minute of game time between the frames is a minute of date.
  const double Minute = Int64AsDateTime(std::stoll(Live[1])) - Int64AsDateTime(std::stoll(Live[0]));
  EXPECT_NEAR(Minute * 24 * 60, 1.0, 1e-6);
  Program.Frame().FinalizePlugins();
  EXPECT_FALSE(GuidsFromProgramGenerator());
}

TEST_F(RecordingTest, StepByStepAndPlayUntilPause) {
  const std::string File = Folder + "/steps.rec";
  Record(File, [](TGAppRecorder& R) {
    bool Drawn = false;
    for (int T = 10; T <= 100; T += 10) {
      R.MouseMove(TGPoint{T, T});
      R.Draw(T, Drawn);
    }
  });
  TSinkPlugin* Sink = nullptr;
  TGAppInput* Input = nullptr;
  TGAppPlayer* Player = NewPlayer(File, Sink, Input);
  Program.Frame().InitializePlugins();
  TGPlaybackConsole& Console = *Player->Console();
  Console.ToggleStepByStep();
  EXPECT_EQ(Console.PlayCaption(), "Step (Space)");
  // Each press of the button plays up to and including the next frame.
  for (int Step = 1; Step <= 2; ++Step) {
    Console.PlayClick();
    for (int I = 0; I < 5; ++I) {
      Player->ProcessCommand();
    }
    EXPECT_TRUE(Player->Paused());
    EXPECT_EQ(Player->CurTime(), 10 * Step);
    EXPECT_EQ(Sink->Calls.back(), "Draw " + std::to_string(10 * Step));
  }
  Console.ToggleStepByStep();
  // Play until the time marker 00:00:00 is no break; a marker before the end pauses there.
  Console.SetTimeMarker("0:0");
  Console.SetPlayUntil(1);
  EXPECT_EQ(Player->BreakTime(), 0);
  Player->SetBreakTime(55);
  Console.PlayClick();
  EXPECT_FALSE(Player->Paused());
  while (!Player->Paused()) {
    Player->ProcessCommand();
  }
  EXPECT_EQ(Player->CurTime(), 60);
  EXPECT_EQ(Player->BreakTime(), 0);
  EXPECT_EQ(Console.PlayUntil(), 0); // back to "The end"
  EXPECT_EQ(Console.PlayCaption(), "Play (Space)");
  // Speed from the slider.
  Console.SpeedUp();
  Console.SpeedUp();
  EXPECT_FLOAT_EQ(Player->Speed(), 4.0f);
  for (int I = 0; I < 10; ++I) {
    Console.SpeedUp();
  }
  EXPECT_FLOAT_EQ(Player->Speed(), 100.0f);
  // Leaving playback hands over to the live input at once.
  Player->Terminate();
  EXPECT_TRUE(Input->Enabled());
  EXPECT_EQ(Input->Timer().TickCount(), 60);
}

TEST_F(RecordingTest, BadRecordingsAreReported) {
  auto Fails = [&](const std::string& Text, const std::string& Message) {
    SCOPED_TRACE(Text.substr(0, 30));
    const std::string File = Folder + "/bad.rec";
    WriteText(File, Text);
    TSinkPlugin* Sink = nullptr;
    TGAppInput* Input = nullptr;
    TGAppPlayer* Player = NewPlayer(File, Sink, Input);
    try {
      Program.Frame().InitializePlugins();
      Player->SetPaused(false);
      while (!Player->Terminated()) {
        Player->ProcessCommand();
      }
      FAIL() << "played";
    } catch (const EGException& E) {
      EXPECT_EQ(E.Text(), Message);
    }
  };
  const std::string Data = "Data " + CompressFolder(Folder + "/nothing", Folder) + "\r\n";
  Fails("RandSeed 1\r\n" + Data + "MouseDown 0\r\n", "An error occured"); // no frame at all
  Fails(Data + "RandSeed 1\r\nDraw 10\r\n", "An error occured"); // the seed must come first
  Fails("RandSeed 1\r\nDraw 10\r\n", "An error occured");        // no data folder
  Fails("RandSeed 1\r\nData !!!!\r\nDraw 10\r\n", "Illegal character in Base64 input");
  Fails("RandSeed 1\r\nData QUJD\r\nDraw 10\r\n", "The recording's data folder is damaged");
  Fails("RandSeed 1\r\n" + Data + "Jump 3\r\nDraw 10\r\n", "Unknown command: Jump");
  Fails("RandSeed 1\r\n" + Data + "Draw 1O\r\n", "'1O' is not a valid integer value");

  TSinkPlugin* Sink = nullptr;
  TGAppInput* Input = nullptr;
  NewPlayer(Folder + "/missing.rec", Sink, Input);
  try {
    Program.Frame().InitializePlugins();
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "File \"" + Folder + "/missing.rec\" doesn't exists");
  }
  // A recording that cannot be created.
  try {
    Record(Folder + "/no/such/folder/x.rec", [](TGAppRecorder&) {});
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Cannot create file " + Folder + "/no/such/folder/x.rec");
  }
}

TEST(PlaybackConsole, TimesAsHoursMinutesSecondsAndTenths) {
  EXPECT_EQ(TicksToHHMMSSm(0), "00:00:00.0");
  EXPECT_EQ(TicksToHHMMSSm(3723456), "01:02:03.4");
  EXPECT_EQ(TicksToHHMMSSm(-5), "00:00:00.0");
}
