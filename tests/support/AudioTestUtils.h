// Helpers of the audio tests: sounds built in memory and measurements of rendered output.
#pragma once

#include "platform/UAudioMixer.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace AudioTest {

// A 16-bit PCM WAV file of the given frames (interleaved when Channels is 2).
inline std::string MakeWav(const std::vector<float>& Samples, int Rate, int Channels) {
  std::string W;
  auto U32 = [&W](uint32_t V) {
    for (int I = 0; I < 4; ++I) {
      W.push_back(static_cast<char>((V >> (8 * I)) & 0xFF));
    }
  };
  auto U16 = [&W](uint16_t V) {
    W.push_back(static_cast<char>(V & 0xFF));
    W.push_back(static_cast<char>(V >> 8));
  };
  uint32_t DataSize = static_cast<uint32_t>(Samples.size() * 2);
  W += "RIFF";
  U32(36 + DataSize);
  W += "WAVEfmt ";
  U32(16);
  U16(1);
  U16(static_cast<uint16_t>(Channels));
  U32(static_cast<uint32_t>(Rate));
  U32(static_cast<uint32_t>(Rate * Channels * 2));
  U16(static_cast<uint16_t>(Channels * 2));
  U16(16);
  W += "data";
  U32(DataSize);
  for (float S : Samples) {
    long V = std::lround(std::fmax(-1.0f, std::fmin(1.0f, S)) * 32767.0f);
    U16(static_cast<uint16_t>(static_cast<int16_t>(V)));
  }
  return W;
}

// Mono constant level, for volume measurements.
inline std::string MakeDC(float Level, double Seconds, int Rate = 44100) {
  return MakeWav(std::vector<float>(static_cast<size_t>(Seconds * Rate), Level), Rate, 1);
}

// Mono sine.
inline std::string MakeSine(double Hz, double Seconds, float Level = 0.5f, int Rate = 44100) {
  std::vector<float> S(static_cast<size_t>(Seconds * Rate));
  for (size_t I = 0; I < S.size(); ++I) {
    S[I] = Level * static_cast<float>(std::sin(2 * M_PI * Hz * static_cast<double>(I) / Rate));
  }
  return MakeWav(S, Rate, 1);
}

// Rendered stereo output.
struct TRendered {
  std::vector<float> Data; // interleaved
  size_t Frames() const { return Data.size() / 2; }
  float L(size_t I) const { return Data[2 * I]; }
  float R(size_t I) const { return Data[2 * I + 1]; }
  // Mean absolute level of one side (0 left, 1 right) over frames [From, To).
  double Level(size_t From, size_t To, int Side = 0) const {
    double Sum = 0;
    To = std::min(To, Frames());
    if (To <= From) {
      return 0;
    }
    for (size_t I = From; I < To; ++I) {
      Sum += std::fabs(Data[2 * I + static_cast<size_t>(Side)]);
    }
    return Sum / static_cast<double>(To - From);
  }
  // Level around a time in seconds (10 ms window).
  double LevelAt(double Seconds, int Side = 0) const {
    size_t C = static_cast<size_t>(Seconds * 44100);
    return Level(C > 220 ? C - 220 : 0, C + 221, Side);
  }
  // Upward zero crossings of the left side per second over [From, To).
  double Frequency(size_t From, size_t To) const {
    int Count = 0;
    To = std::min(To, Frames());
    for (size_t I = From + 1; I < To; ++I) {
      if (L(I - 1) < 0 && L(I) >= 0) {
        ++Count;
      }
    }
    return Count * 44100.0 / static_cast<double>(To - From);
  }
};

inline TRendered Render(TAudioMixer& M, double Seconds) {
  TRendered R;
  size_t Frames = static_cast<size_t>(Seconds * 44100);
  R.Data.resize(Frames * 2);
  // Device-sized blocks, as the output thread asks for them.
  for (size_t Off = 0; Off < Frames; Off += 1024) {
    int N = static_cast<int>(std::min<size_t>(1024, Frames - Off));
    M.Render(R.Data.data() + Off * 2, N);
  }
  return R;
}

} // namespace AudioTest
