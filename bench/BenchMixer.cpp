// The mixer's cost as a share of one core: 64 playing voices rendered in device-sized blocks.
#include "AudioTestUtils.h"
#include "platform/UAudioMixer.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr int CBlock = 1024;

double ThreadSeconds() {
  timespec T{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &T);
  return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) * 1e-9;
}

// Renders blocks and reports the core share: the thread's CPU time per second of sound, in per
// cent (CPU time, so that other programs on a shared machine do not count).
void RenderBlocks(benchmark::State& State, TAudioMixer& M) {
  std::vector<float> Out(CBlock * 2);
  double Seconds = 0;
  int64_t Blocks = 0;
  for (auto _ : State) {
    double T0 = ThreadSeconds();
    M.Render(Out.data(), CBlock);
    Seconds += ThreadSeconds() - T0;
    benchmark::DoNotOptimize(Out.data());
    ++Blocks;
  }
  double Audio = static_cast<double>(Blocks) * CBlock / CMixRate;
  State.counters["core_pct"] = 100.0 * Seconds / Audio;
  State.counters["voices"] = M.PlayingChannels();
}

// 64 looping sample channels at their own rate, or resampled with slides running.
void BM_Mix64Samples(benchmark::State& State) {
  bool Busy = State.range(0) != 0;
  TAudioMixer M;
  M.Init(TMixOutput::Buffer);
  std::string Wav = AudioTest::MakeSine(330, 2.0);
  TMixHandle S = M.SampleLoad(Wav.data(), Wav.size(), 64);
  for (int I = 0; I < 64; ++I) {
    TMixHandle Ch = M.SampleGetChannel(S);
    M.ChannelSetFlags(Ch, CMixLoop);
    M.ChannelSetAttributes(Ch, Busy ? 30000 + I * 500 : 0, 50, (I % 21) * 10 - 100);
    if (Busy) {
      // Slides long enough to run through the whole benchmark.
      M.ChannelSlideAttributes(Ch, 60000, 10, -((I % 21) * 10 - 100), 600000);
    }
    M.ChannelPlay(Ch, true);
  }
  RenderBlocks(State, M);
}
BENCHMARK(BM_Mix64Samples)->Arg(0)->Arg(1)->ArgNames({"slides"});

// A game-like load: one module with reverb, two Vorbis streams and 61 samples.
void BM_Mix64Mixed(benchmark::State& State) {
  TAudioMixer M;
  M.Init(TMixOutput::Buffer);
  std::ifstream In(HOE_CONTENT "/sfx/Music/Harbour.ogg", std::ios::binary);
  auto Ogg = std::make_shared<const std::string>(std::istreambuf_iterator<char>(In),
                                                 std::istreambuf_iterator<char>());
  std::ifstream ModIn(HOE_CONTENT "/sfx/Tavern.xm", std::ios::binary);
  std::string Mod((std::istreambuf_iterator<char>(ModIn)), std::istreambuf_iterator<char>());
  TMixHandle Mu = M.MusicLoad(Mod.data(), Mod.size());
  M.ChannelSetReverb(Mu);
  M.ChannelSetFlags(Mu, CMixLoop);
  M.ChannelPlay(Mu, true);
  for (int I = 0; I < 2; ++I) {
    TMixHandle St = M.StreamCreate(Ogg);
    M.ChannelSetFlags(St, CMixLoop);
    M.ChannelPlay(St, true);
  }
  std::string Wav = AudioTest::MakeSine(440, 1.0, 0.5f, 22050);
  TMixHandle S = M.SampleLoad(Wav.data(), Wav.size(), 61);
  for (int I = 0; I < 61; ++I) {
    TMixHandle Ch = M.SampleGetChannel(S);
    M.ChannelSetFlags(Ch, CMixLoop);
    M.ChannelPlay(Ch, true);
  }
  RenderBlocks(State, M);
}
BENCHMARK(BM_Mix64Mixed);

} // namespace

BENCHMARK_MAIN();
