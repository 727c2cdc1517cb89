// A writer of small FastTracker 2 modules (.xm): one 8-bit sample per instrument, unpacked
// patterns. Used by the sound generator and by the audio tests, which need modules of their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace XMWriter {

struct TSample {
  std::vector<int8_t> Data;
  bool Loop = true; // forward loop over the whole sample
  uint8_t Volume = 64;
  int8_t RelativeNote = 0; // semitones relative to C-4 at 8363 Hz
  int8_t FineTune = 0;
  uint8_t Panning = 128;
};

struct TCell {
  uint8_t Note = 0; // 1..96 (C-0 = 1, C-4 = 49), 97 key off, 0 none
  uint8_t Instrument = 0;
  uint8_t Volume = 0; // volume column: 0x10..0x50 sets 0..64
  uint8_t Effect = 0;
  uint8_t Param = 0;
};

struct TPattern {
  int Rows = 16;
  std::vector<TCell> Cells; // Rows × channels, row by row
};

struct TModule {
  std::string Name;
  int Channels = 4;
  int Speed = 6; // ticks per row
  int BPM = 125;
  std::vector<uint8_t> Orders;
  std::vector<TPattern> Patterns;
  std::vector<TSample> Instruments;
};

inline std::string Write(const TModule& M) {
  std::string W;
  auto U8 = [&W](unsigned V) { W.push_back(static_cast<char>(V & 0xFF)); };
  auto U16 = [&](unsigned V) {
    U8(V);
    U8(V >> 8);
  };
  auto U32 = [&](uint32_t V) {
    U16(V & 0xFFFF);
    U16(V >> 16);
  };
  auto Text = [&W](const std::string& S, size_t Size) {
    std::string T = S.substr(0, Size);
    T.resize(Size, '\0');
    W += T;
  };
  W += "Extended Module: ";
  Text(M.Name, 20);
  U8(0x1A);
  Text("hoe-mksounds", 20);
  U16(0x0104);
  U32(276);
  U16(static_cast<unsigned>(M.Orders.size()));
  U16(0); // restart position
  U16(static_cast<unsigned>(M.Channels));
  U16(static_cast<unsigned>(M.Patterns.size()));
  U16(static_cast<unsigned>(M.Instruments.size()));
  U16(1); // linear frequency table
  U16(static_cast<unsigned>(M.Speed));
  U16(static_cast<unsigned>(M.BPM));
  for (size_t I = 0; I < 256; ++I) {
    U8(I < M.Orders.size() ? M.Orders[I] : 0);
  }
  for (const TPattern& P : M.Patterns) {
    U32(9);
    U8(0);
    U16(static_cast<unsigned>(P.Rows));
    U16(static_cast<unsigned>(P.Rows * M.Channels * 5));
    for (int I = 0; I < P.Rows * M.Channels; ++I) {
      TCell C = static_cast<size_t>(I) < P.Cells.size() ? P.Cells[static_cast<size_t>(I)] : TCell{};
      U8(C.Note);
      U8(C.Instrument);
      U8(C.Volume);
      U8(C.Effect);
      U8(C.Param);
    }
  }
  for (size_t N = 0; N < M.Instruments.size(); ++N) {
    const TSample& S = M.Instruments[N];
    U32(263);
    Text("Instrument " + std::to_string(N + 1), 22);
    U8(0);
    U16(1);             // one sample
    U32(40);            // sample header size
    W.append(96, '\0'); // every note plays sample 0
    W.append(96, '\0'); // no envelopes
    W.append(8, '\0');  // envelope counts, sustain and loop points
    U8(0);
    U8(0);             // envelope types
    W.append(4, '\0'); // no vibrato
    U16(0);            // no fade-out
    W.append(22, '\0');
    U32(static_cast<uint32_t>(S.Data.size()));
    U32(0);
    U32(S.Loop ? static_cast<uint32_t>(S.Data.size()) : 0);
    U8(S.Volume);
    U8(static_cast<uint8_t>(S.FineTune));
    U8(S.Loop ? 1 : 0);
    U8(S.Panning);
    U8(static_cast<uint8_t>(S.RelativeNote));
    U8(0);
    Text("", 22);
    int8_t Prev = 0;
    for (int8_t V : S.Data) {
      U8(static_cast<uint8_t>(static_cast<int8_t>(V - Prev)));
      Prev = V;
    }
  }
  return W;
}

// One cycle of a waveform, 32 samples long: at 8363 Hz it sounds at about C-4 for note C-4.
inline std::vector<int8_t> Cycle(int Kind, int Amplitude = 100) {
  std::vector<int8_t> D(32);
  for (int I = 0; I < 32; ++I) {
    double Phase = I / 32.0;
    double V = Kind == 0   ? (Phase < 0.5 ? 1.0 : -1.0)                             // square
               : Kind == 1 ? (Phase < 0.5 ? -1.0 + 4.0 * Phase : 3.0 - 4.0 * Phase) // triangle
                           : 2.0 * Phase - 1.0;                                     // saw
    D[static_cast<size_t>(I)] = static_cast<int8_t>(V * Amplitude);
  }
  return D;
}

} // namespace XMWriter
