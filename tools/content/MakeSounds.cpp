// hoe-mksounds: synthesises the demo game's sound effects and music into a content folder.
//
//   sfx/Click.wav            a short button click (16-bit PCM)
//   sfx/PickUp.ogg           the pick-up of a found object (Vorbis)
//   sfx/Chime.mp3            a bell chime (MPEG Layer III when libsndfile can write it, else .ogg)
//   sfx/Sea.ogg              the swell breaking on the quay, made to loop without a seam
//   sfx/Tavern.xm            a small looping tracker module, written by our own code
//   sfx/Music/Harbour.ogg    music tracks for the playlist (Vorbis)
//   sfx/Music/Lighthouse.ogg
//   sfx/Music/Arrival.ogg    a short tune for arriving somewhere (a location's first visit)
//   sfx/Music/Lumo2Title.ogg the main menu's title tune: a slow waltz that loops without a seam
//   sfx/UI/Beep.ogg          the tick of a chapter text typed letter by letter
//   sfx/UI/Button.ogg        a soft tap of the journal's buttons (two quick high blips)
//   sfx/UI/GameScreen/Fault.ogg        a click that found nothing (a dull knock)
//   sfx/UI/GameScreen/BPItemClick.ogg  a click on the list of things to find (a wooden tick)
//   sfx/UI/GameScreen/UseHint.ogg      the hint's lightning (a crackle and a rising shimmer)
//   sfx/UI/GameScreen/ScannerOut.ogg   the broken scanner asked to look (static falling away)
//   sfx/UI/GameScreen/PickupObj.ogg    a light pick-up pling (the menu plays it at a new volume)
//   sfx/UI/GameScreen/JingleEndLevel.ogg  the end of a chapter: a rising fanfare on a bright chord
//   sfx/UI/GameScreen/StatsTrack.ogg      the score sheet's and the museum's calm loop
//   sfx/Match/*.ogg          the match-three game: selecting, matching, falling, the stone
//                            heads, sockets, portals, the hint, the shuffle, the bonuses'
//                            appearing and exploding, and the level's win and loss
//
// Everything is computed from fixed seeds, so each run writes the same sounds.
#include "UXMWriter.h"

#include <sndfile.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr double CPi = 3.14159265358979323846;

// A small deterministic generator for melodies and noise.
class TLcg {
public:
  explicit TLcg(uint32_t Seed)
      : FState(Seed) {}
  uint32_t Next() {
    FState = FState * 1664525u + 1013904223u;
    return FState >> 8;
  }
  int Below(int N) { return static_cast<int>(Next() % static_cast<uint32_t>(N)); }
  double Unit() { return (Next() & 0xFFFF) / 65536.0; }

private:
  uint32_t FState;
};

double NoteHz(int Midi) {
  return 440.0 * std::pow(2.0, (Midi - 69) / 12.0);
}

// Adds a plucked or bell-like tone into a mono buffer.
void AddTone(std::vector<float>& Out, int Rate, double Start, double Seconds, double Hz,
             double Level, double Decay, double Brightness) {
  size_t From = static_cast<size_t>(Start * Rate);
  size_t Count = static_cast<size_t>(Seconds * Rate);
  for (size_t I = 0; I < Count && From + I < Out.size(); ++I) {
    double T = static_cast<double>(I) / Rate;
    double Attack = std::min(1.0, T / 0.005);
    double Env = Attack * std::exp(-T * Decay);
    double V = std::sin(2 * CPi * Hz * T) + Brightness * 0.5 * std::sin(4 * CPi * Hz * T) +
               Brightness * 0.25 * std::sin(6 * CPi * Hz * T + 0.3);
    Out[From + I] += static_cast<float>(Level * Env * V);
  }
}

void Normalise(std::vector<float>& S, float Peak) {
  float Max = 0;
  for (float V : S) {
    Max = std::max(Max, std::fabs(V));
  }
  if (Max > 0) {
    for (float& V : S) {
      V *= Peak / Max;
    }
  }
}

bool WriteSound(const std::string& Path, const std::vector<float>& Mono, int Rate, int Format,
                double Quality) {
  SF_INFO Info{};
  Info.samplerate = Rate;
  Info.channels = 1;
  Info.format = Format;
  if (!sf_format_check(&Info)) {
    return false;
  }
  SNDFILE* F = sf_open(Path.c_str(), SFM_WRITE, &Info);
  if (!F) {
    std::fprintf(stderr, "hoe-mksounds: cannot write %s: %s\n", Path.c_str(), sf_strerror(nullptr));
    return false;
  }
  if (Quality >= 0) {
    sf_command(F, SFC_SET_COMPRESSION_LEVEL, &Quality, sizeof(Quality));
  }
  sf_count_t N = sf_write_float(F, Mono.data(), static_cast<sf_count_t>(Mono.size()));
  sf_close(F);
  if (N != static_cast<sf_count_t>(Mono.size())) {
    std::fprintf(stderr, "hoe-mksounds: short write to %s\n", Path.c_str());
    return false;
  }
  std::printf("%s\n", Path.c_str());
  return true;
}

std::vector<float> Click(int Rate) {
  std::vector<float> S(static_cast<size_t>(Rate * 0.04));
  TLcg R(11);
  for (size_t I = 0; I < S.size(); ++I) {
    double T = static_cast<double>(I) / Rate;
    double Noise = R.Unit() * 2 - 1;
    S[I] = static_cast<float>(std::exp(-T * 180) * (0.6 * Noise + std::sin(2 * CPi * 1800 * T)));
  }
  Normalise(S, 0.8f);
  return S;
}

std::vector<float> PickUp(int Rate) {
  std::vector<float> S(static_cast<size_t>(Rate * 0.45));
  int Notes[] = {72, 76, 79, 84};
  for (int I = 0; I < 4; ++I) {
    AddTone(S, Rate, I * 0.06, 0.3, NoteHz(Notes[I]), 0.5, 9, 0.6);
  }
  Normalise(S, 0.8f);
  return S;
}

std::vector<float> Chime(int Rate) {
  std::vector<float> S(static_cast<size_t>(Rate * 1.4));
  // Inharmonic partials of a small bell.
  double Base = NoteHz(81);
  double Ratios[] = {1.0, 2.76, 5.40, 8.93};
  double Levels[] = {0.6, 0.3, 0.15, 0.08};
  for (int I = 0; I < 4; ++I) {
    AddTone(S, Rate, 0, 1.4, Base * Ratios[I], Levels[I], 2.5 + I * 1.5, 0);
  }
  Normalise(S, 0.8f);
  return S;
}

// Surf: noise filtered down to a rumble and a hiss, rising and falling with two swells whose
// periods divide the length. The tail is faded into the head, so that the sound loops seamlessly.
std::vector<float> Sea(int Rate) {
  const double Seconds = 8;
  const size_t Length = static_cast<size_t>(Seconds * Rate), Fade = static_cast<size_t>(Rate / 2);
  std::vector<float> S(Length + Fade);
  TLcg R(23);
  double Low = 0, High = 0, Previous = 0;
  for (size_t I = 0; I < S.size(); ++I) {
    const double T = static_cast<double>(I) / Rate;
    const double Noise = R.Unit() * 2 - 1;
    Low += (Noise - Low) * 0.02;                   // the deep rumble of the water
    High += (Noise - Previous - High * 0.6) * 0.3; // the hiss of the foam
    Previous = Noise;
    const double Swell = std::pow(std::sin(CPi * T / 4), 2),
                 Ripple = std::pow(std::sin(CPi * T / (8.0 / 3)), 2);
    const double Wave = 0.25 + 0.55 * Swell + 0.2 * Ripple;
    S[I] = static_cast<float>(Wave * (2.5 * Low + 0.35 * High * Swell));
  }
  for (size_t I = 0; I < Fade; ++I) {
    const double In = static_cast<double>(I) / Fade;
    S[I] = static_cast<float>(S[I] * In + S[Length + I] * (1 - In));
  }
  S.resize(Length);
  Normalise(S, 0.6f);
  return S;
}

// A short soft tick at 1.3 kHz, quiet enough to repeat ten times a second.
std::vector<float> Beep(int Rate) {
  std::vector<float> S(static_cast<size_t>(Rate * 0.05));
  for (size_t I = 0; I < S.size(); ++I) {
    const double T = static_cast<double>(I) / Rate;
    const double Env = std::min(1.0, T / 0.002) * std::exp(-T * 90);
    S[I] = static_cast<float>(Env * std::sin(2 * CPi * 1320 * T));
  }
  Normalise(S, 0.45f);
  return S;
}

// The journal's buttons: two short blips a fifth apart, like a hand-held device's keys.
std::vector<float> Button(int Rate) {
  std::vector<float> S(static_cast<size_t>(Rate * 0.09));
  AddTone(S, Rate, 0.0, 0.035, NoteHz(88), 0.5, 60, 0.0);
  AddTone(S, Rate, 0.04, 0.045, NoteHz(95), 0.5, 50, 0.0);
  Normalise(S, 0.5f);
  return S;
}

// A dull knock: a low tone sliding down under a thud of filtered noise.
std::vector<float> Fault(int Rate) {
  std::vector<float> S(static_cast<size_t>(Rate * 0.28));
  TLcg R(31);
  double Phase = 0, Low = 0;
  for (size_t I = 0; I < S.size(); ++I) {
    const double T = static_cast<double>(I) / Rate;
    Phase += 2 * CPi * (170 - 60 * T / 0.28) / Rate;
    Low += (R.Unit() * 2 - 1 - Low) * 0.08;
    const double Tone = std::sin(Phase) + 0.3 * std::sin(3 * Phase);
    S[I] = static_cast<float>(std::min(1.0, T / 0.004) *
                              (std::exp(-T * 14) * Tone + std::exp(-T * 40) * 3 * Low));
  }
  Normalise(S, 0.7f);
  return S;
}

// A wooden tick: a burst of bright noise and two short pings a fifth apart.
std::vector<float> ItemClick(int Rate) {
  std::vector<float> S(static_cast<size_t>(Rate * 0.12));
  TLcg R(41);
  double Previous = 0;
  for (size_t I = 0; I < S.size(); ++I) {
    const double T = static_cast<double>(I) / Rate;
    const double Noise = R.Unit() * 2 - 1;
    const double High = Noise - Previous;
    Previous = Noise;
    S[I] = static_cast<float>(std::exp(-T * 260) * 0.5 * High);
  }
  AddTone(S, Rate, 0.0, 0.1, 1760, 0.5, 70, 0.2);
  AddTone(S, Rate, 0.025, 0.09, 2640, 0.3, 80, 0.1);
  Normalise(S, 0.7f);
  return S;
}

// The lightning: a crackle of noise in uneven bursts, then a shimmer gliding up an octave and a
// half with a small bell at its top.
std::vector<float> UseHint(int Rate) {
  const double Seconds = 0.8;
  std::vector<float> S(static_cast<size_t>(Rate * Seconds));
  TLcg R(53);
  double Gate = 0, Phase = 0;
  for (size_t I = 0; I < S.size(); ++I) {
    const double T = static_cast<double>(I) / Rate;
    if (I % static_cast<size_t>(Rate / 180) == 0) {
      Gate = R.Unit() < 0.55 ? R.Unit() : 0.0; // the crackle's bursts
    }
    const double Crackle = (R.Unit() * 2 - 1) * Gate * std::exp(-T * 7);
    const double Hz = 520 * std::pow(2.0, 1.5 * std::min(1.0, T / 0.5));
    Phase += 2 * CPi * Hz * (1 + 0.01 * std::sin(2 * CPi * 9 * T)) / Rate;
    const double Glide = std::sin(CPi * std::min(1.0, T / Seconds)) * 0.35 *
                         (std::sin(Phase) + 0.3 * std::sin(2 * Phase));
    S[I] = static_cast<float>(0.6 * Crackle + Glide);
  }
  AddTone(S, Rate, 0.45, 0.35, NoteHz(91), 0.35, 8, 0.4);
  Normalise(S, 0.75f);
  return S;
}

// The scanner out of order: a blip falling from 1.2 kHz to 300 Hz, chopped by static.
std::vector<float> ScannerOut(int Rate) {
  const double Seconds = 0.36;
  std::vector<float> S(static_cast<size_t>(Rate * Seconds));
  TLcg R(67);
  double Phase = 0, Gate = 1;
  for (size_t I = 0; I < S.size(); ++I) {
    const double T = static_cast<double>(I) / Rate;
    if (I % static_cast<size_t>(Rate / 60) == 0) {
      Gate = R.Below(3) == 0 ? 0.2 : 1.0;
    }
    Phase += 2 * CPi * (1200 * std::pow(0.25, T / Seconds)) / Rate;
    const double Env = std::min(1.0, T / 0.005) * (1 - T / Seconds);
    const double Static = (R.Unit() * 2 - 1) * 0.35;
    S[I] = static_cast<float>(Env * (Gate * std::sin(Phase) + Static * (1.2 - Gate)));
  }
  Normalise(S, 0.6f);
  return S;
}

// A calm loop: a bass line and a pentatonic melody over four chords.
std::vector<float> Track(int Rate, uint32_t Seed, int Root, double Beat, int Bars) {
  const int Chords[4] = {0, 5, 7, 3};
  const int Scale[5] = {0, 2, 4, 7, 9};
  double Seconds = Bars * 4 * Beat;
  std::vector<float> S(static_cast<size_t>(Seconds * Rate));
  TLcg R(Seed);
  for (int Bar = 0; Bar < Bars; ++Bar) {
    int Chord = Root + Chords[Bar % 4];
    double BarStart = Bar * 4 * Beat;
    AddTone(S, Rate, BarStart, 4 * Beat, NoteHz(Chord - 12), 0.45, 1.2, 0.3);
    AddTone(S, Rate, BarStart + 2 * Beat, 2 * Beat, NoteHz(Chord - 5), 0.25, 1.5, 0.3);
    for (int Step = 0; Step < 8; ++Step) {
      if (R.Below(4) == 0) {
        continue; // a rest
      }
      int Note = Root + 12 + Scale[R.Below(5)] + (R.Below(3) == 0 ? 12 : 0);
      AddTone(S, Rate, BarStart + Step * Beat / 2, Beat, NoteHz(Note), 0.22, 4, 0.5);
    }
  }
  Normalise(S, 0.7f);
  return S;
}

// The title tune: a waltz in D over sixteen bars of three beats, melody, bass and chord tones
// written out by hand. Tones that ring past the end are folded back onto the start, so the
// loop has no seam.
std::vector<float> TitleTune(int Rate) {
  constexpr double Beat = 0.42;
  constexpr int Bars = 16;
  // One melody note per beat (0: a rest), MIDI numbers.
  const int Melody[Bars][3] = {{74, 0, 76},  {78, 0, 0},  {76, 74, 73}, {74, 0, 0},
                               {71, 0, 73},  {74, 0, 78}, {76, 0, 0},   {0, 0, 69},
                               {74, 0, 76},  {78, 0, 81}, {83, 81, 78}, {76, 0, 0},
                               {79, 78, 76}, {74, 0, 73}, {74, 0, 0},   {0, 0, 0}};
  // The root of each bar's chord.
  const int Roots[Bars] = {50, 50, 45, 50, 47, 47, 43, 45, 50, 50, 47, 45, 43, 45, 50, 45};
  const auto Length = static_cast<size_t>(Bars * 3 * Beat * Rate);
  std::vector<float> Ring(Length + static_cast<size_t>(4 * Rate));
  for (int Bar = 0; Bar < Bars; ++Bar) {
    const double Start = Bar * 3 * Beat;
    const int Root = Roots[Bar];
    const int Third = Root == 47 ? 3 : 4; // B minor; the others are major
    AddTone(Ring, Rate, Start, 3 * Beat, NoteHz(Root - 12), 0.42, 1.4, 0.25);
    for (int B = 1; B < 3; ++B) {
      AddTone(Ring, Rate, Start + B * Beat, Beat, NoteHz(Root + Third), 0.12, 3.5, 0.3);
      AddTone(Ring, Rate, Start + B * Beat, Beat, NoteHz(Root + 7), 0.12, 3.5, 0.3);
    }
    for (int B = 0; B < 3; ++B) {
      if (Melody[Bar][B] != 0) {
        AddTone(Ring, Rate, Start + B * Beat, 2.5 * Beat, NoteHz(Melody[Bar][B]), 0.3, 2.2, 0.55);
      }
    }
  }
  std::vector<float> S(Ring.begin(), Ring.begin() + static_cast<std::ptrdiff_t>(Length));
  for (size_t I = Length; I < Ring.size(); ++I) {
    S[(I - Length) % Length] += Ring[I];
  }
  Normalise(S, 0.7f);
  return S;
}

// A light pling, two bright notes a fifth apart.
std::vector<float> PickupObj(int Rate) {
  std::vector<float> S(static_cast<size_t>(Rate * 0.35));
  AddTone(S, Rate, 0, 0.3, NoteHz(88), 0.5, 12, 0.4);
  AddTone(S, Rate, 0.05, 0.3, NoteHz(95), 0.4, 14, 0.3);
  Normalise(S, 0.7f);
  return S;
}

// The end of a chapter: an arpeggio climbs to a held major chord that rings out.
std::vector<float> JingleEndLevel(int Rate) {
  std::vector<float> S(static_cast<size_t>(Rate * 3.2));
  const int Rising[] = {60, 64, 67, 72, 76};
  for (int I = 0; I < 5; ++I) {
    AddTone(S, Rate, I * 0.13, 0.6, NoteHz(Rising[I]), 0.3, 5, 0.6);
  }
  for (int Note : {72, 76, 79, 84}) {
    AddTone(S, Rate, 0.7, 2.5, NoteHz(Note), 0.22, 1.6, 0.5);
  }
  AddTone(S, Rate, 0.7, 2.5, NoteHz(48), 0.35, 1.2, 0.3);
  Normalise(S, 0.7f);
  return S;
}

// The score sheet's track: a slower and lower variation of the playlist's calm loops.
std::vector<float> StatsTrack(int Rate) {
  std::vector<float> S = Track(Rate, 4, 53, 0.55, 8);
  Normalise(S, 0.6f);
  return S;
}

// --- The match-three game ----------------------------------------------------------------------

// A tone gliding from one pitch to another with a plucked envelope, added into the buffer.
void AddGlide(std::vector<float>& Out, int Rate, double Start, double Seconds, double FromHz,
              double ToHz, double Level, double Decay) {
  const size_t From = static_cast<size_t>(Start * Rate);
  const size_t Count = static_cast<size_t>(Seconds * Rate);
  double Phase = 0;
  for (size_t I = 0; I < Count && From + I < Out.size(); ++I) {
    const double T = static_cast<double>(I) / Rate;
    const double Hz = FromHz * std::pow(ToHz / FromHz, T / Seconds);
    Phase += 2 * CPi * Hz / Rate;
    const double Env = std::min(1.0, T / 0.004) * std::exp(-T * Decay) * (1 - T / Seconds);
    Out[From + I] +=
        static_cast<float>(Level * Env * (std::sin(Phase) + 0.2 * std::sin(3 * Phase)));
  }
}

// Noise through a one-pole low-pass (Smooth near 0: darker), shaped by a decaying envelope.
void AddNoise(std::vector<float>& Out, int Rate, double Start, double Seconds, double Smooth,
              double Level, double Decay, uint32_t Seed) {
  TLcg R(Seed);
  const size_t From = static_cast<size_t>(Start * Rate);
  const size_t Count = static_cast<size_t>(Seconds * Rate);
  double Low = 0;
  for (size_t I = 0; I < Count && From + I < Out.size(); ++I) {
    const double T = static_cast<double>(I) / Rate;
    Low += (R.Unit() * 2 - 1 - Low) * Smooth;
    const double Env = std::min(1.0, T / 0.003) * std::exp(-T * Decay) * (1 - T / Seconds);
    Out[From + I] += static_cast<float>(Level * Env * Low);
  }
}

std::vector<float> Buffer(int Rate, double Seconds) {
  return std::vector<float>(static_cast<size_t>(Rate * Seconds));
}

std::vector<float> Finished(std::vector<float> S, float Peak) {
  Normalise(S, Peak);
  return S;
}

// A glass tap as a gem is picked up or put down.
std::vector<float> GemSelect(int Rate) {
  auto S = Buffer(Rate, 0.15);
  AddTone(S, Rate, 0, 0.15, NoteHz(91), 0.5, 40, 0.5);
  AddNoise(S, Rate, 0, 0.02, 0.6, 0.3, 200, 71);
  return Finished(S, 0.6f);
}

// Three gems in a row: a bright three-note chime.
std::vector<float> MatchChime(int Rate) {
  auto S = Buffer(Rate, 0.5);
  const int Notes[] = {79, 83, 86};
  for (int I = 0; I < 3; ++I) {
    AddTone(S, Rate, I * 0.045, 0.4, NoteHz(Notes[I]), 0.4, 9, 0.5);
  }
  return Finished(S, 0.7f);
}

// A gem landing in the net: a soft wooden knock.
std::vector<float> GemFall(int Rate) {
  auto S = Buffer(Rate, 0.12);
  AddGlide(S, Rate, 0, 0.12, 420, 260, 0.6, 30);
  AddNoise(S, Rate, 0, 0.05, 0.15, 0.5, 90, 73);
  return Finished(S, 0.45f);
}

// A stone head settling in its socket: a heavy thud and the ring of brass.
std::vector<float> StoneOnTarget(int Rate) {
  auto S = Buffer(Rate, 0.9);
  AddGlide(S, Rate, 0, 0.35, 110, 55, 0.8, 9);
  AddNoise(S, Rate, 0, 0.2, 0.05, 1.2, 25, 79);
  AddTone(S, Rate, 0.02, 0.85, NoteHz(69) * 2.76, 0.15, 4, 0.2);
  AddTone(S, Rate, 0.02, 0.85, NoteHz(69), 0.2, 3.5, 0.3);
  return Finished(S, 0.8f);
}

// A cover torn off a cell: a rustle of sailcloth.
std::vector<float> HiddenCellAppear(int Rate) {
  auto S = Buffer(Rate, 0.3);
  AddNoise(S, Rate, 0, 0.3, 0.5, 0.7, 12, 83);
  AddGlide(S, Rate, 0.05, 0.2, 900, 1500, 0.15, 8);
  return Finished(S, 0.55f);
}

// A stone head pulled through a whirlpool: a falling swirl and a rising one.
std::vector<float> Teleport(int Rate) {
  auto S = Buffer(Rate, 1.0);
  AddGlide(S, Rate, 0, 0.5, 900, 200, 0.5, 1);
  AddGlide(S, Rate, 0.5, 0.5, 200, 900, 0.5, 1);
  AddNoise(S, Rate, 0, 1.0, 0.08, 0.6, 2, 89);
  return Finished(S, 0.6f);
}

// The hint's comet arriving: a shimmer of four quick high notes.
std::vector<float> HintTwinkle(int Rate) {
  auto S = Buffer(Rate, 0.6);
  const int Notes[] = {96, 91, 98, 103};
  for (int I = 0; I < 4; ++I) {
    AddTone(S, Rate, I * 0.07, 0.35, NoteHz(Notes[I]), 0.3, 10, 0.3);
  }
  return Finished(S, 0.55f);
}

// The stone head's comet: a rushing whoosh rising to its cell.
std::vector<float> CubeFlyIn(int Rate) {
  auto S = Buffer(Rate, 0.8);
  TLcg R(97);
  double Low = 0;
  for (size_t I = 0; I < S.size(); ++I) {
    const double T = static_cast<double>(I) / Rate;
    const double Smooth = 0.02 + 0.25 * T / 0.8;
    Low += (R.Unit() * 2 - 1 - Low) * Smooth;
    S[I] = static_cast<float>(std::sin(CPi * T / 0.8) * Low);
  }
  return Finished(S, 0.6f);
}

// The stone head set on the board: a low knock and a small bell.
std::vector<float> CubeAppear(int Rate) {
  auto S = Buffer(Rate, 0.6);
  AddGlide(S, Rate, 0, 0.25, 180, 90, 0.7, 14);
  AddTone(S, Rate, 0.03, 0.55, NoteHz(84), 0.25, 6, 0.4);
  return Finished(S, 0.7f);
}

// The gems tossed about: a rattle of many small taps.
std::vector<float> ShuffleRattle(int Rate) {
  auto S = Buffer(Rate, 1.0);
  TLcg R(101);
  for (int I = 0; I < 28; ++I) {
    const double At = R.Unit() * 0.9;
    AddTone(S, Rate, At, 0.08, NoteHz(84 + R.Below(14)), 0.2 + 0.2 * R.Unit(), 50, 0.6);
  }
  return Finished(S, 0.6f);
}

// A socket opened: a key turning in a lock, then a clear note.
std::vector<float> Unlock(int Rate) {
  auto S = Buffer(Rate, 0.7);
  AddNoise(S, Rate, 0, 0.04, 0.7, 0.6, 80, 103);
  AddNoise(S, Rate, 0.12, 0.05, 0.7, 0.7, 80, 107);
  AddTone(S, Rate, 0.2, 0.5, NoteHz(86), 0.45, 6, 0.4);
  return Finished(S, 0.65f);
}

// A bonus appearing: an upward arpeggio, higher and longer for the rarer bonuses.
std::vector<float> BonusAppear(int Rate, int Root, int Notes) {
  auto S = Buffer(Rate, 0.25 + Notes * 0.08);
  const int Steps[] = {0, 4, 7, 12, 16, 19};
  for (int I = 0; I < Notes; ++I) {
    AddTone(S, Rate, I * 0.06, 0.3, NoteHz(Root + Steps[I]), 0.35, 8, 0.6);
  }
  return Finished(S, 0.7f);
}

// A chain loosed along the row: a harpoon's hiss and a crack.
std::vector<float> LineExplode(int Rate) {
  auto S = Buffer(Rate, 0.7);
  AddNoise(S, Rate, 0, 0.6, 0.4, 0.8, 6, 109);
  AddGlide(S, Rate, 0, 0.5, 1400, 300, 0.4, 3);
  return Finished(S, 0.75f);
}

// The cross chains: a boom under the hiss, four ways at once.
std::vector<float> CrossExplode(int Rate) {
  auto S = Buffer(Rate, 0.9);
  AddNoise(S, Rate, 0, 0.8, 0.06, 1.5, 5, 113);
  AddNoise(S, Rate, 0, 0.6, 0.4, 0.5, 7, 127);
  AddGlide(S, Rate, 0, 0.7, 1600, 250, 0.35, 2.5);
  return Finished(S, 0.8f);
}

// The dice shower: a roll of the die, then a long glittering fall.
std::vector<float> DiceExplode(int Rate) {
  auto S = Buffer(Rate, 2.2);
  TLcg R(131);
  for (int I = 0; I < 6; ++I) {
    AddNoise(S, Rate, I * 0.07, 0.04, 0.5, 0.7 - I * 0.08, 90, 137 + I);
  }
  for (int I = 0; I < 24; ++I) {
    AddTone(S, Rate, 1.5 + R.Unit() * 0.6, 0.3, NoteHz(88 + R.Below(16)), 0.25, 12, 0.4);
  }
  return Finished(S, 0.75f);
}

// The level won: a bright fanfare; lost: a falling minor line.
std::vector<float> LevelComplete(int Rate) {
  auto S = Buffer(Rate, 2.0);
  const int Notes[] = {67, 72, 76, 79};
  for (int I = 0; I < 4; ++I) {
    AddTone(S, Rate, I * 0.12, 0.5, NoteHz(Notes[I]), 0.3, 5, 0.6);
  }
  for (int Note : {72, 76, 79, 84}) {
    AddTone(S, Rate, 0.5, 1.5, NoteHz(Note), 0.2, 2, 0.5);
  }
  return Finished(S, 0.7f);
}

std::vector<float> LevelFailed(int Rate) {
  auto S = Buffer(Rate, 1.8);
  const int Notes[] = {69, 67, 64, 63};
  for (int I = 0; I < 4; ++I) {
    AddTone(S, Rate, I * 0.25, 0.8, NoteHz(Notes[I]), 0.35, 3, 0.3);
  }
  AddTone(S, Rate, 1.0, 0.8, NoteHz(39), 0.4, 2, 0.2);
  return Finished(S, 0.65f);
}

// Writes the match-three game's sounds into Folder.
bool WriteMatchSounds(const std::filesystem::path& Folder, int Format) {
  const int Rate = 22050;
  struct TEntry {
    const char* Name;
    std::vector<float> Samples;
  };
  const TEntry Entries[] = {
      {"GemSelect.ogg", GemSelect(Rate)},
      {"Match.ogg", MatchChime(Rate)},
      {"GemFall01.ogg", GemFall(Rate)},
      {"StoneOnTarget.ogg", StoneOnTarget(Rate)},
      {"HiddenCellAppear.ogg", HiddenCellAppear(Rate)},
      {"Teleport.ogg", Teleport(Rate)},
      {"Hint.ogg", HintTwinkle(Rate)},
      {"CubeFlyIn.ogg", CubeFlyIn(Rate)},
      {"CubeAppear.ogg", CubeAppear(Rate)},
      {"Shuffle.ogg", ShuffleRattle(Rate)},
      {"Unlock02.ogg", Unlock(Rate)},
      {"LineBonusAppear.ogg", BonusAppear(Rate, 76, 3)},
      {"CrossBonusAppear.ogg", BonusAppear(Rate, 74, 4)},
      {"DiceBonusAppear.ogg", BonusAppear(Rate, 72, 6)},
      {"LineBonusExplode.ogg", LineExplode(Rate)},
      {"CrossBonusExplode.ogg", CrossExplode(Rate)},
      {"DiceBonusExplode.ogg", DiceExplode(Rate)},
      {"LevelComplete.ogg", LevelComplete(Rate)},
      {"LevelFailed.ogg", LevelFailed(Rate)},
  };
  bool Ok = true;
  for (const TEntry& E : Entries) {
    Ok &= WriteSound((Folder / E.Name).string(), E.Samples, Rate, Format, 0.6);
  }
  return Ok;
}

std::string TavernModule() {
  XMWriter::TModule M;
  M.Name = "Tavern";
  M.Channels = 3;
  M.Speed = 6;
  M.BPM = 110;
  M.Orders = {0, 1, 0, 1};
  XMWriter::TSample Lead;
  Lead.Data = XMWriter::Cycle(0, 60);
  Lead.Volume = 40;
  XMWriter::TSample Bass;
  Bass.Data = XMWriter::Cycle(1, 110);
  Bass.RelativeNote = -12;
  XMWriter::TSample Pad;
  Pad.Data = XMWriter::Cycle(2, 50);
  Pad.Volume = 24;
  M.Instruments = {Lead, Bass, Pad};
  // Two patterns of 32 rows; C-4 is note 49.
  const int Melody[2][16] = {{49, 0, 53, 0, 56, 0, 53, 0, 54, 0, 58, 0, 61, 0, 58, 0},
                             {56, 0, 54, 0, 53, 0, 51, 0, 49, 0, 51, 0, 53, 0, 0, 97}};
  const int BassLine[2][4] = {{37, 42, 44, 37}, {44, 42, 41, 37}};
  for (int P = 0; P < 2; ++P) {
    XMWriter::TPattern Pat;
    Pat.Rows = 32;
    Pat.Cells.resize(32 * 3);
    for (int Row = 0; Row < 32; ++Row) {
      XMWriter::TCell* Cells = &Pat.Cells[static_cast<size_t>(Row * 3)];
      if (Row % 2 == 0 && Melody[P][Row / 2] != 0) {
        Cells[0].Note = static_cast<uint8_t>(Melody[P][Row / 2]);
        Cells[0].Instrument = Melody[P][Row / 2] == 97 ? 0 : 1;
      }
      if (Row % 8 == 0) {
        Cells[1].Note = static_cast<uint8_t>(BassLine[P][Row / 8]);
        Cells[1].Instrument = 2;
      }
      if (Row == 0) {
        Cells[2].Note = static_cast<uint8_t>(P == 0 ? 61 : 56);
        Cells[2].Instrument = 3;
      }
    }
    M.Patterns.push_back(Pat);
  }
  return XMWriter::Write(M);
}

} // namespace

int main(int Argc, char** Argv) {
  if (Argc != 2 || std::strcmp(Argv[1], "--help") == 0 || std::strcmp(Argv[1], "-h") == 0) {
    std::fprintf(Argc == 2 ? stdout : stderr,
                 "Usage: hoe-mksounds CONTENT_FOLDER\n"
                 "Writes the demo's sounds into CONTENT_FOLDER/sfx (those of the play screen\n"
                 "into CONTENT_FOLDER/sfx/UI) and its music into CONTENT_FOLDER/sfx/Music.\n");
    return Argc == 2 ? 0 : 2;
  }
  namespace fs = std::filesystem;
  fs::path Root = fs::path(Argv[1]) / "sfx";
  std::error_code Ec;
  for (const fs::path& Folder : {Root / "Music", Root / "UI" / "GameScreen", Root / "Match"}) {
    fs::create_directories(Folder, Ec);
    if (Ec) {
      std::fprintf(stderr, "hoe-mksounds: cannot create %s: %s\n", Folder.c_str(),
                   Ec.message().c_str());
      return 1;
    }
  }
  const int Vorbis = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  bool Ok = true;
  Ok &= WriteSound((Root / "Click.wav").string(), Click(22050), 22050,
                   SF_FORMAT_WAV | SF_FORMAT_PCM_16, -1);
  Ok &= WriteSound((Root / "PickUp.ogg").string(), PickUp(22050), 22050, Vorbis, 0.6);
  const int Mp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  if (!WriteSound((Root / "Chime.mp3").string(), Chime(22050), 22050, Mp3, 0.7)) {
    std::fprintf(stderr, "hoe-mksounds: this libsndfile cannot write MP3; Chime.ogg instead\n");
    Ok &= WriteSound((Root / "Chime.ogg").string(), Chime(22050), 22050, Vorbis, 0.6);
  }
  Ok &= WriteSound((Root / "Sea.ogg").string(), Sea(22050), 22050, Vorbis, 0.4);
  Ok &= WriteSound((Root / "Music" / "Harbour.ogg").string(), Track(22050, 1, 57, 0.5, 8), 22050,
                   Vorbis, 0.9);
  Ok &= WriteSound((Root / "Music" / "Lighthouse.ogg").string(), Track(22050, 2, 50, 0.6, 8), 22050,
                   Vorbis, 0.9);
  Ok &= WriteSound((Root / "Music" / "Arrival.ogg").string(), Track(22050, 3, 62, 0.3, 4), 22050,
                   Vorbis, 0.8);
  Ok &= WriteSound((Root / "Music" / "Lumo2Title.ogg").string(), TitleTune(22050), 22050, Vorbis,
                   0.9);
  const fs::path Screen = Root / "UI" / "GameScreen";
  Ok &= WriteSound((Root / "UI" / "Beep.ogg").string(), Beep(22050), 22050, Vorbis, 0.6);
  Ok &= WriteSound((Root / "UI" / "Button.ogg").string(), Button(22050), 22050, Vorbis, 0.6);
  Ok &= WriteSound((Screen / "Fault.ogg").string(), Fault(22050), 22050, Vorbis, 0.6);
  Ok &= WriteSound((Screen / "BPItemClick.ogg").string(), ItemClick(22050), 22050, Vorbis, 0.6);
  Ok &= WriteSound((Screen / "UseHint.ogg").string(), UseHint(22050), 22050, Vorbis, 0.6);
  Ok &= WriteSound((Screen / "ScannerOut.ogg").string(), ScannerOut(22050), 22050, Vorbis, 0.6);
  Ok &= WriteSound((Screen / "PickupObj.ogg").string(), PickupObj(22050), 22050, Vorbis, 0.6);
  Ok &= WriteSound((Screen / "JingleEndLevel.ogg").string(), JingleEndLevel(22050), 22050, Vorbis,
                   0.6);
  Ok &= WriteMatchSounds(Root / "Match", Vorbis);
  Ok &= WriteSound((Screen / "StatsTrack.ogg").string(), StatsTrack(22050), 22050, Vorbis, 0.6);
  std::ofstream Xm(Root / "Tavern.xm", std::ios::binary);
  Xm << TavernModule();
  Xm.close();
  if (!Xm) {
    std::fprintf(stderr, "hoe-mksounds: cannot write %s\n", (Root / "Tavern.xm").c_str());
    return 1;
  }
  std::printf("%s\n", (Root / "Tavern.xm").c_str());
  return Ok ? 0 : 1;
}
