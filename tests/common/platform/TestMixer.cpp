// The mixer rendered into buffers: levels, slides, polyphony, pause, streams, modules.
#include "AudioTestUtils.h"
#include "UXMWriter.h"
#include "platform/UAudioMixer.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>

using namespace AudioTest;

namespace {

class MixerTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(M.Init(TMixOutput::Buffer)); }

  TMixHandle Sample(const std::string& Wav, int Max = 4) {
    TMixHandle S = M.SampleLoad(Wav.data(), Wav.size(), Max);
    EXPECT_NE(S, 0u) << M.ErrorGetCode();
    return S;
  }
  TMixHandle PlayDC(float Level, double Seconds) {
    TMixHandle Ch = M.SampleGetChannel(Sample(MakeDC(Level, Seconds)));
    EXPECT_TRUE(M.ChannelPlay(Ch, true));
    return Ch;
  }

  TAudioMixer M;
};

// A module of one channel holding one looped note for Rows rows.
std::string HeldNoteModule(int Rows) {
  XMWriter::TModule Mod;
  Mod.Name = "test";
  Mod.Channels = 1;
  Mod.Orders = {0};
  XMWriter::TPattern P;
  P.Rows = Rows;
  P.Cells.resize(static_cast<size_t>(Rows));
  P.Cells[0].Note = 49;
  P.Cells[0].Instrument = 1;
  Mod.Patterns.push_back(P);
  XMWriter::TSample S;
  S.Data = XMWriter::Cycle(0);
  Mod.Instruments.push_back(S);
  return XMWriter::Write(Mod);
}

} // namespace

TEST_F(MixerTest, VolumeAndPanScaleTheSides) {
  TMixHandle Ch = PlayDC(0.5f, 1.0);
  ASSERT_TRUE(M.ChannelSetAttributes(Ch, CMixKeepFreq, 50, CMixKeepPan));
  TRendered R = Render(M, 0.1);
  EXPECT_NEAR(R.Level(100, 4000, 0), 0.25, 0.002);
  EXPECT_NEAR(R.Level(100, 4000, 1), 0.25, 0.002);
  ASSERT_TRUE(M.ChannelSetAttributes(Ch, CMixKeepFreq, CMixKeepVolume, -100));
  R = Render(M, 0.1);
  EXPECT_NEAR(R.Level(100, 4000, 0), 0.25, 0.002);
  EXPECT_NEAR(R.Level(100, 4000, 1), 0.0, 0.0001);
  ASSERT_TRUE(M.ChannelSetAttributes(Ch, CMixKeepFreq, CMixKeepVolume, 50));
  R = Render(M, 0.1);
  EXPECT_NEAR(R.Level(100, 4000, 0), 0.125, 0.002);
  EXPECT_NEAR(R.Level(100, 4000, 1), 0.25, 0.002);
  int F = 0, V = 0, P = 0;
  ASSERT_TRUE(M.ChannelGetAttributes(Ch, &F, &V, &P));
  EXPECT_EQ(F, 44100);
  EXPECT_EQ(V, 50);
  EXPECT_EQ(P, 50);
  // Out of range values are refused and change nothing.
  EXPECT_FALSE(M.ChannelSetAttributes(Ch, CMixKeepFreq, 101, CMixKeepPan));
  EXPECT_EQ(M.ErrorGetCode(), mxIllParam);
  M.SetVolume(50);
  R = Render(M, 0.05);
  EXPECT_NEAR(R.Level(100, 2000, 1), 0.125, 0.002);
}

TEST_F(MixerTest, VolumeSlideIsLinearAndFadeAndStopStops) {
  TMixHandle Ch = PlayDC(1.0f, 3.0);
  ASSERT_TRUE(M.ChannelSlideAttributes(Ch, CMixKeepFreq, 0, CMixKeepPan, 1000));
  EXPECT_EQ(M.ChannelIsSliding(Ch), CSlidingVolume);
  TRendered R = Render(M, 1.2);
  EXPECT_NEAR(R.LevelAt(0.25), 0.75, 0.01);
  EXPECT_NEAR(R.LevelAt(0.5), 0.5, 0.01);
  EXPECT_NEAR(R.LevelAt(0.9), 0.1, 0.01);
  EXPECT_LT(R.LevelAt(1.1), 0.001);
  EXPECT_EQ(M.ChannelIsSliding(Ch), 0u);
  // A slide to silence does not stop the channel; a fade-and-stop does.
  EXPECT_EQ(M.ChannelIsActive(Ch), maPlaying);
  ASSERT_TRUE(M.ChannelSetAttributes(Ch, CMixKeepFreq, 100, CMixKeepPan));
  ASSERT_TRUE(M.ChannelSlideAttributes(Ch, CMixKeepFreq, CMixFadeAndStop, CMixKeepPan, 500));
  R = Render(M, 0.45);
  EXPECT_EQ(M.ChannelIsActive(Ch), maPlaying);
  R = Render(M, 0.1);
  EXPECT_EQ(M.ChannelIsActive(Ch), maStopped);
  EXPECT_FALSE(M.ChannelSlideAttributes(Ch, CMixKeepFreq, 50, CMixKeepPan, -1));
}

TEST_F(MixerTest, RetargetKeepsTheRemainingTimeAndTheStopMark) {
  TMixHandle Ch = PlayDC(1.0f, 3.0);
  ASSERT_TRUE(M.ChannelSlideAttributes(Ch, CMixKeepFreq, 0, CMixKeepPan, 1000));
  Render(M, 0.5);
  // Half way (level 50), aim at 100 over the 500 ms left: the level rises again.
  ASSERT_TRUE(M.ChannelRetargetSlides(Ch, CMixKeepFreq, 100, CMixKeepPan));
  TRendered R = Render(M, 0.6);
  EXPECT_NEAR(R.LevelAt(0.25), 0.75, 0.01);
  EXPECT_NEAR(R.LevelAt(0.55), 1.0, 0.01);
  // During a fade-and-stop a new volume does not cancel the stop.
  ASSERT_TRUE(M.ChannelSlideAttributes(Ch, CMixKeepFreq, CMixFadeAndStop, CMixKeepPan, 300));
  Render(M, 0.1);
  ASSERT_TRUE(M.ChannelRetargetSlides(Ch, CMixKeepFreq, 80, CMixKeepPan));
  Render(M, 0.25);
  EXPECT_EQ(M.ChannelIsActive(Ch), maStopped);
}

TEST_F(MixerTest, FrequencyResamplesAndSlides) {
  std::string Wav = MakeSine(441, 2.0);
  TMixHandle Ch = M.SampleGetChannel(Sample(Wav));
  M.ChannelPlay(Ch, true);
  TRendered R = Render(M, 0.5);
  EXPECT_NEAR(R.Frequency(0, R.Frames()), 441, 5);
  ASSERT_TRUE(M.ChannelSetAttributes(Ch, 88200, CMixKeepVolume, CMixKeepPan));
  R = Render(M, 0.5);
  EXPECT_NEAR(R.Frequency(0, R.Frames()), 882, 8);
  ASSERT_TRUE(M.ChannelSlideAttributes(Ch, 22050, CMixKeepVolume, CMixKeepPan, 200));
  EXPECT_EQ(M.ChannelIsSliding(Ch), CSlidingFreq);
  R = Render(M, 0.7);
  EXPECT_NEAR(R.Frequency(11025, R.Frames()), 220.5, 5);
  // 22,050 Hz sources play at their own rate by default.
  std::string Slow = MakeSine(441, 1.0, 0.5f, 22050);
  TMixHandle Ch2 = M.SampleGetChannel(Sample(Slow));
  M.ChannelStop(Ch);
  M.ChannelPlay(Ch2, true);
  R = Render(M, 0.5);
  EXPECT_NEAR(R.Frequency(0, R.Frames()), 441, 5);
  EXPECT_NEAR(M.ChannelGetLength(Ch2), 1.0, 0.001);
}

TEST_F(MixerTest, PolyphonyReusesTheOldestChannelUnderANewHandle) {
  TMixHandle S = Sample(MakeDC(0.1f, 1.0), 2);
  TMixHandle A = M.SampleGetChannel(S);
  M.ChannelPlay(A, true);
  Render(M, 0.01);
  TMixHandle B = M.SampleGetChannel(S);
  M.ChannelPlay(B, true);
  Render(M, 0.01);
  EXPECT_EQ(M.PlayingChannels(), 2);
  TRendered R = Render(M, 0.01);
  EXPECT_NEAR(R.Level(0, 400), 0.2, 0.002);
  // A third takes A's place: A's handle no longer reaches anything.
  TMixHandle C = M.SampleGetChannel(S);
  EXPECT_NE(C, A);
  EXPECT_EQ(M.ChannelIsActive(A), maStopped);
  EXPECT_FALSE(M.ChannelSetAttributes(A, CMixKeepFreq, 0, CMixKeepPan));
  EXPECT_EQ(M.ErrorGetCode(), mxHandle);
  EXPECT_FALSE(M.ChannelStop(A));
  M.ChannelPlay(C, true);
  EXPECT_EQ(M.PlayingChannels(), 2);
  EXPECT_EQ(M.ChannelIsActive(B), maPlaying);
  // A stopped channel is taken before a playing one.
  M.ChannelStop(C);
  TMixHandle D = M.SampleGetChannel(S);
  EXPECT_EQ(M.ChannelIsActive(B), maPlaying);
  EXPECT_EQ(M.ChannelIsActive(C), maStopped);
  EXPECT_FALSE(M.ChannelPlay(C, true));
  EXPECT_TRUE(M.ChannelPlay(D, true));
  // Stopping the sample stops every channel; freeing it invalidates them.
  EXPECT_TRUE(M.SampleStop(S));
  EXPECT_EQ(M.PlayingChannels(), 0);
  EXPECT_TRUE(M.SampleFree(S));
  EXPECT_FALSE(M.ChannelPlay(D, true));
  EXPECT_EQ(M.SampleGetChannel(S), 0u);
}

TEST_F(MixerTest, OneShotsEndLoopsGoOnAndPausesHold) {
  TMixHandle Ch = PlayDC(0.5f, 0.1);
  Render(M, 0.2);
  EXPECT_EQ(M.ChannelIsActive(Ch), maStopped);
  // Playing an ended channel starts it over.
  ASSERT_TRUE(M.ChannelPlay(Ch, false));
  EXPECT_NEAR(Render(M, 0.05).Level(0, 2000), 0.5, 0.002);
  ASSERT_TRUE(M.ChannelSetFlags(Ch, CMixLoop));
  TRendered R = Render(M, 0.5);
  EXPECT_EQ(M.ChannelIsActive(Ch), maPlaying);
  EXPECT_NEAR(R.Level(0, R.Frames()), 0.5, 0.002);
  // Channel pause keeps the position; whole-output pause renders silence.
  double Pos = M.ChannelGetPosition(Ch);
  ASSERT_TRUE(M.ChannelPause(Ch));
  EXPECT_EQ(M.ChannelIsActive(Ch), maPaused);
  EXPECT_EQ(Render(M, 0.05).Level(0, 2000), 0.0);
  EXPECT_DOUBLE_EQ(M.ChannelGetPosition(Ch), Pos);
  ASSERT_TRUE(M.ChannelPlay(Ch, false));
  M.Pause();
  EXPECT_EQ(Render(M, 0.05).Level(0, 2000), 0.0);
  EXPECT_DOUBLE_EQ(M.ChannelGetPosition(Ch), Pos);
  M.Start();
  EXPECT_NEAR(Render(M, 0.05).Level(0, 2000), 0.5, 0.002);
}

TEST_F(MixerTest, StreamsDecodeAsTheyPlayAndSeek) {
  auto Data = std::make_shared<const std::string>(MakeSine(441, 2.0));
  TMixHandle St = M.StreamCreate(Data);
  ASSERT_NE(St, 0u);
  EXPECT_NEAR(M.ChannelGetLength(St), 2.0, 0.001);
  ASSERT_TRUE(M.ChannelSetPosition(St, 1.5));
  M.ChannelPlay(St, false);
  TRendered R = Render(M, 0.3);
  EXPECT_NEAR(M.ChannelGetPosition(St), 1.8, 0.02);
  EXPECT_NEAR(R.Frequency(0, R.Frames()), 441, 5);
  Render(M, 0.3);
  EXPECT_EQ(M.ChannelIsActive(St), maStopped);
  EXPECT_FALSE(M.ChannelSetPosition(St, 5.0));
  EXPECT_EQ(M.ErrorGetCode(), mxPosition);
  EXPECT_TRUE(M.StreamFree(St));
  EXPECT_EQ(M.ChannelIsActive(St), maStopped);
  EXPECT_FALSE(M.StreamFree(St));
}

TEST_F(MixerTest, BadDataIsRefusedWithACode) {
  std::string Junk = "RIFF\x10\0\0\0WAVEjunkjunkjunkjunk";
  EXPECT_EQ(M.SampleLoad(Junk.data(), Junk.size(), 1), 0u);
  EXPECT_EQ(M.ErrorGetCode(), mxFileForm);
  EXPECT_EQ(M.StreamCreate(std::make_shared<const std::string>(Junk)), 0u);
  EXPECT_EQ(M.ErrorGetCode(), mxFileForm);
  EXPECT_EQ(M.MusicLoad(Junk.data(), Junk.size()), 0u);
  EXPECT_EQ(M.ErrorGetCode(), mxFileForm);
  // A header that claims far more data than there is decodes what is there.
  std::string Wav = MakeDC(0.5f, 0.1);
  Wav[40] = '\xFF';
  Wav[41] = '\xFF';
  Wav[42] = '\xFF';
  Wav[43] = '\x7F';
  TMixHandle S = M.SampleLoad(Wav.data(), Wav.size(), 1);
  ASSERT_NE(S, 0u);
  EXPECT_NEAR(M.ChannelGetLength(M.SampleGetChannel(S)), 0.1, 0.01);
  // A file without frames loads and plays nothing.
  std::string Empty = MakeWav({}, 44100, 1);
  TMixHandle E = M.SampleLoad(Empty.data(), Empty.size(), 1);
  ASSERT_NE(E, 0u);
  TMixHandle EC = M.SampleGetChannel(E);
  M.ChannelSetFlags(EC, CMixLoop);
  M.ChannelPlay(EC, true);
  EXPECT_EQ(Render(M, 0.01).Level(0, 441), 0.0);
  EXPECT_EQ(M.ChannelIsActive(EC), maStopped);
  EXPECT_EQ(M.SampleLoad(Wav.data(), Wav.size(), 0), 0u);
  EXPECT_EQ(M.ErrorGetCode(), mxIllParam);
  EXPECT_EQ(M.ChannelIsActive(0x1234), maStopped);
  EXPECT_EQ(M.ErrorGetCode(), mxHandle);
}

TEST(MixerOutput, WithoutOutputNothingLoadsAndNothingFails) {
  TAudioMixer M;
  std::string Wav = MakeDC(0.5f, 0.1);
  EXPECT_EQ(M.SampleLoad(Wav.data(), Wav.size(), 1), 0u);
  EXPECT_EQ(M.ErrorGetCode(), mxInit);
  ASSERT_TRUE(M.Init(TMixOutput::None));
  EXPECT_FALSE(M.Init(TMixOutput::None));
  EXPECT_EQ(M.ErrorGetCode(), mxAlready);
  EXPECT_EQ(M.SampleLoad(Wav.data(), Wav.size(), 1), 0u);
  EXPECT_EQ(M.ErrorGetCode(), mxNotAvail);
  EXPECT_EQ(M.StreamCreate(std::make_shared<const std::string>(Wav)), 0u);
  EXPECT_EQ(M.ErrorGetCode(), mxNotAvail);
  std::vector<float> Out(200, 1.0f);
  M.Render(Out.data(), 100);
  EXPECT_EQ(Out[0], 0.0f);
  M.Free();
  EXPECT_FALSE(M.Initialized());
}

TEST(MixerOutput, TheDummyDeviceOpensAndCloses) {
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  TAudioMixer M;
  if (!M.Init(TMixOutput::Device)) {
    GTEST_SKIP() << "no SDL audio driver: " << M.ErrorGetCode();
  }
  EXPECT_EQ(M.DriverName(), "dummy");
  std::string Wav = MakeDC(0.5f, 0.1);
  TMixHandle S = M.SampleLoad(Wav.data(), Wav.size(), 1);
  ASSERT_NE(S, 0u);
  EXPECT_TRUE(M.ChannelPlay(M.SampleGetChannel(S), true));
  M.Free();
}

// A device that cannot be opened leaves SDL's audio up until Free (quitting it waits for SDL's
// device watch); tries again take no second reference, and Free, running or not, lets it go.
TEST(MixerOutput, AFailedOpenKeepsSDLAudioUntilFree) {
  // The variables as they were come back however the test ends.
  struct TSavedEnv {
    std::string Name, Value;
    bool Had;
    explicit TSavedEnv(const char* AName, const char* New)
        : Name(AName) {
      const char* V = std::getenv(AName);
      Had = V != nullptr;
      Value = V ? V : "";
      ::setenv(AName, New, 1);
    }
    ~TSavedEnv() { Had ? ::setenv(Name.c_str(), Value.c_str(), 1) : ::unsetenv(Name.c_str()); }
  };
  const TSavedEnv Driver("SDL_AUDIODRIVER", "alsa");
  const TSavedEnv Device("AUDIODEV", "hoe-no-such-device"); // what SDL's ALSA driver opens
  TAudioMixer M;
  if (!M.Init(TMixOutput::Device) && M.ErrorGetCode() == mxDriver) {
    GTEST_SKIP() << "SDL has no ALSA driver here";
  }
  EXPECT_EQ(M.ErrorGetCode(), mxDevice);
  EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  EXPECT_FALSE(M.Init(TMixOutput::Device));
  M.Free();
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "one Free gives the subsystem back";

  // Silent after the failure, as the game goes on; Free ends it all.
  EXPECT_FALSE(M.Init(TMixOutput::Device));
  ASSERT_TRUE(M.Init(TMixOutput::None));
  EXPECT_EQ(M.DriverName(), "");
  M.Free();
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

TEST_F(MixerTest, ModulesLoopWithoutAGapThroughTheEndCallback) {
  std::string Mod = HeldNoteModule(4); // 4 rows at speed 6, 125 BPM: 0.48 s
  TMixHandle Mu = M.MusicLoad(Mod.data(), Mod.size());
  ASSERT_NE(Mu, 0u) << M.ErrorGetCode();
  EXPECT_NEAR(M.ChannelGetLength(Mu), 0.48, 0.01);
  std::atomic<int> Ends{0};
  uint32_t Sync = M.ChannelSetSync(Mu, [&](TMixHandle H) {
    ++Ends;
    M.MusicSetPosition(H, 0, 0);
  });
  ASSERT_NE(Sync, 0u);
  M.ChannelPlay(Mu, true);
  TRendered R = Render(M, 2.0);
  EXPECT_GE(Ends.load(), 3);
  EXPECT_EQ(M.ChannelIsActive(Mu), maPlaying);
  // No 5 ms window anywhere is silent.
  for (size_t From = 0; From + 220 < R.Frames(); From += 220) {
    ASSERT_GT(R.Level(From, From + 220), 0.01) << "silence at frame " << From;
  }
  // Without the callback the module ends.
  ASSERT_TRUE(M.ChannelRemoveSync(Mu, Sync));
  Render(M, 0.6);
  EXPECT_EQ(M.ChannelIsActive(Mu), maStopped);
  ASSERT_TRUE(M.ChannelPlay(Mu, true));
  ASSERT_TRUE(M.MusicSetPosition(Mu, 0, 2));
  EXPECT_NEAR(M.ChannelGetPosition(Mu), 0.24, 0.01);
  EXPECT_FALSE(M.MusicSetPosition(Mu, 5, 0));
  EXPECT_TRUE(M.MusicFree(Mu));
}

TEST_F(MixerTest, ReverbAddsATailThatFollowsItsParameters) {
  // A 50 ms burst, then silence in which only the reverb's tail can sound.
  std::vector<float> Burst(22050, 0.0f);
  for (size_t I = 0; I < 2205; ++I) {
    Burst[I] =
        0.5f * static_cast<float>(std::sin(2 * M_PI * 300.0 * static_cast<double>(I) / 44100));
  }
  auto Data = std::make_shared<const std::string>(MakeWav(Burst, 44100, 1));
  auto Tail = [&](float Mix, float Time) {
    TMixHandle St = M.StreamCreate(Data);
    uint32_t FX = M.ChannelSetReverb(St);
    EXPECT_NE(FX, 0u);
    EXPECT_TRUE(M.FXSetParameters(FX, TMixReverbParams{0, Mix, Time, 0.001f}));
    M.ChannelPlay(St, true);
    TRendered R = Render(M, 0.45);
    M.StreamFree(St);
    return R.Level(static_cast<size_t>(0.2 * 44100), static_cast<size_t>(0.4 * 44100));
  };
  double None = Tail(-96, 1000);
  double Short = Tail(0, 100);
  double Long = Tail(0, 1200);
  EXPECT_NEAR(None, 0.0, 0.01);
  EXPECT_GT(Long, Short);
  EXPECT_FALSE(M.FXSetParameters(9999, TMixReverbParams{}));
}
