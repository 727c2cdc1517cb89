#include "platform/UAudioMixer.h"

#include "platform/UAudioDecoders.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

thread_local int LastError = mxOK;

bool Fail(int Code) {
  LastError = Code;
  return false;
}
bool Ok() {
  LastError = mxOK;
  return true;
}

// Handles: bit 31 marks a sample (else a channel), bits 16..30 the slot's generation, bits 0..15
// the slot index + 1.
constexpr uint32_t CSampleBit = 0x80000000u;
constexpr uint32_t CGenMask = 0x7FFF;
constexpr size_t CMaxSlots = 0xFFFE;

TMixHandle MakeHandle(bool Sample, uint16_t Gen, size_t Index) {
  return (Sample ? CSampleBit : 0u) | (uint32_t(Gen & CGenMask) << 16) |
         static_cast<uint32_t>(Index + 1);
}

uint16_t NextGen(uint16_t Gen) {
  Gen = static_cast<uint16_t>((Gen + 1) & CGenMask);
  return Gen == 0 ? 1 : Gen;
}

// A value that moves linearly towards a target over a number of frames.
struct TSlide {
  float Value = 0;
  float Target = 0;
  float Step = 0;
  int64_t Left = 0; // frames

  void Set(float V) {
    Value = Target = V;
    Left = 0;
  }
  void Start(float V, int64_t Frames) {
    if (Frames <= 0) {
      Set(V);
      return;
    }
    Target = V;
    Left = Frames;
    Step = (Target - Value) / static_cast<float>(Frames);
  }
  void Retarget(float V) {
    if (Left <= 0) {
      Set(V);
      return;
    }
    Start(V, Left);
  }
  void Advance(int64_t Frames) {
    if (Left <= 0) {
      return;
    }
    if (Frames >= Left) {
      Value = Target;
      Left = 0;
    } else {
      Value += Step * static_cast<float>(Frames);
      Left -= Frames;
    }
  }
  bool Sliding() const { return Left > 0; }
};

float DbToGain(float Db) {
  return std::pow(10.0f, Db / 20.0f);
}

// A small room reverb: four damped comb filters and two all-pass filters per side.
class TReverb {
public:
  TReverb() {
    static constexpr std::array<int, 4> Combs{1116, 1188, 1277, 1356};
    static constexpr std::array<int, 2> Passes{556, 441};
    for (int Side = 0; Side < 2; ++Side) {
      for (size_t I = 0; I < 4; ++I) {
        FComb[Side][I].Buf.assign(static_cast<size_t>(Combs[I] + 23 * Side), 0.0f);
      }
      for (size_t I = 0; I < 2; ++I) {
        FPass[Side][I].Buf.assign(static_cast<size_t>(Passes[I] + 23 * Side), 0.0f);
      }
    }
    SetParams(TMixReverbParams{});
  }

  void SetParams(const TMixReverbParams& P) {
    FInGain = DbToGain(std::clamp(P.InGain, -96.0f, 0.0f));
    float Mix = std::clamp(P.ReverbMix, -96.0f, 0.0f);
    FWet = Mix <= -96.0f ? 0.0f : DbToGain(Mix) * 0.25f;
    float Time = std::clamp(P.ReverbTime, 0.001f, 3000.0f) * 0.001f;
    for (auto& Side : FComb) {
      for (TComb& C : Side) {
        // Feedback for a decay of 60 dB over the reverb time.
        float Delay = static_cast<float>(C.Buf.size()) / CMixRate;
        C.Feedback = std::min(0.98f, std::pow(10.0f, -3.0f * Delay / Time));
      }
    }
    FDamp = std::clamp(1.0f - std::clamp(P.HighFreqRTRatio, 0.001f, 0.999f), 0.0f, 0.7f);
  }

  void Process(float* S, int Frames) {
    if (FWet <= 0) {
      return;
    }
    for (int I = 0; I < Frames; ++I) {
      float In = (S[2 * I] + S[2 * I + 1]) * 0.5f * FInGain;
      for (int Side = 0; Side < 2; ++Side) {
        float Out = 0;
        for (TComb& C : FComb[Side]) {
          float Y = C.Buf[C.Pos];
          C.Filter = Y * (1.0f - FDamp) + C.Filter * FDamp;
          C.Buf[C.Pos] = In + C.Filter * C.Feedback;
          if (++C.Pos == C.Buf.size()) {
            C.Pos = 0;
          }
          Out += Y;
        }
        for (TPass& P : FPass[Side]) {
          float B = P.Buf[P.Pos];
          P.Buf[P.Pos] = Out + B * 0.5f;
          Out = B - Out;
          if (++P.Pos == P.Buf.size()) {
            P.Pos = 0;
          }
        }
        S[2 * I + Side] += Out * FWet;
      }
    }
  }

private:
  struct TComb {
    std::vector<float> Buf;
    size_t Pos = 0;
    float Feedback = 0;
    float Filter = 0;
  };
  struct TPass {
    std::vector<float> Buf;
    size_t Pos = 0;
  };
  std::array<std::array<TComb, 4>, 2> FComb;
  std::array<std::array<TPass, 2>, 2> FPass;
  float FInGain = 1;
  float FWet = 0;
  float FDamp = 0;
};

enum class TVoiceKind { SampleChannel, Stream, Music };

constexpr int CCacheFrames = 512;
constexpr int CChunk = 64; // frames between updates of slides and gains

struct TVoice {
  uint16_t Gen = 1;
  bool Used = false;
  TVoiceKind Kind = TVoiceKind::Stream;
  size_t SampleSlot = 0;
  std::unique_ptr<TAudioSource> Source;
  TModuleSource* Module = nullptr; // Source, when it is a module
  TMixActive State = maStopped;
  bool SourceEnded = false;
  uint32_t Flags = 0;
  int DefaultFreq = CMixRate;
  TSlide Volume, Pan, Freq;
  bool StopAtEnd = false;
  // Source frames at the source's rate; CachePos is the fractional read position.
  std::vector<float> Cache;
  int CacheFrames = 0;
  double CachePos = 0;
  uint64_t StartSerial = 0;
  uint32_t SeekSerial = 0;
  bool InSync = false;
  std::vector<std::pair<uint32_t, TMixSyncProc>> Syncs;
  std::unique_ptr<TReverb> Reverb;
  uint32_t FX = 0;

  void Reset() {
    Source.reset();
    Module = nullptr;
    State = maStopped;
    SourceEnded = false;
    Flags = 0;
    Volume.Set(100);
    Pan.Set(0);
    Freq.Set(static_cast<float>(DefaultFreq));
    StopAtEnd = false;
    Cache.assign(static_cast<size_t>(CCacheFrames) * 2, 0.0f);
    CacheFrames = 0;
    CachePos = 0;
    SeekSerial = 0;
    InSync = false;
    Syncs.clear();
    Reverb.reset();
    FX = 0;
  }
  void ClearCache() {
    CacheFrames = 0;
    CachePos = 0;
  }
};

struct TSample {
  uint16_t Gen = 1;
  bool Used = false;
  std::shared_ptr<const TDecodedSound> Sound;
  int MaxPlaybacks = 1;
  std::vector<size_t> Voices; // slots of its channels
};

} // namespace

struct TAudioMixer::TImpl {
  mutable std::recursive_mutex Lock;
  bool Initialized = false;
  TMixOutput Output = TMixOutput::None;
  SDL_AudioDeviceID Device = 0;
  // SDL's audio subsystem is up for this mixer (from the first device attempt until Free).
  bool AudioSubsystem = false;
  bool Paused = false;
  int Volume = 100;
  std::vector<std::unique_ptr<TVoice>> Voices; // stable addresses: callbacks may add voices
  std::vector<TSample> Samples;
  uint64_t Serial = 0;
  uint32_t NextSync = 1;
  uint32_t NextFX = 1;
  std::vector<float> Temp = std::vector<float>(CChunk * 2);

  static void SDLCALL DeviceCallback(void* User, Uint8* Stream, int Len) {
    static_cast<TImpl*>(User)->Render(reinterpret_cast<float*>(Stream),
                                      Len / static_cast<int>(2 * sizeof(float)));
  }

  TVoice* FindVoice(TMixHandle H) {
    if (H == 0 || (H & CSampleBit)) {
      return nullptr;
    }
    size_t Index = (H & 0xFFFF) - 1;
    if (Index >= Voices.size()) {
      return nullptr;
    }
    TVoice& V = *Voices[Index];
    return V.Used && V.Gen == ((H >> 16) & CGenMask) ? &V : nullptr;
  }
  const TVoice* FindVoice(TMixHandle H) const { return const_cast<TImpl*>(this)->FindVoice(H); }
  // The voice a query reads, with the outcome recorded (mxHandle for a stale handle).
  const TVoice* QueriedVoice(TMixHandle H) const {
    const TVoice* V = FindVoice(H);
    if (V) {
      Ok();
    } else {
      Fail(mxHandle);
    }
    return V;
  }

  TSample* FindSample(TMixHandle H) {
    if (!(H & CSampleBit)) {
      return nullptr;
    }
    size_t Index = (H & 0xFFFF) - 1;
    if (Index >= Samples.size()) {
      return nullptr;
    }
    TSample& S = Samples[Index];
    return S.Used && S.Gen == ((H >> 16) & CGenMask) ? &S : nullptr;
  }

  // A free voice slot (its generation already moved on from its last use), or none.
  TVoice* NewVoice(size_t& Index) {
    for (Index = 0; Index < Voices.size(); ++Index) {
      if (!Voices[Index]->Used) {
        break;
      }
    }
    if (Index == Voices.size()) {
      if (Voices.size() >= CMaxSlots) {
        return nullptr;
      }
      Voices.push_back(std::make_unique<TVoice>());
    }
    TVoice& V = *Voices[Index];
    V.Used = true;
    return &V;
  }

  void ReleaseVoice(TVoice& V) {
    V.Reset();
    V.Used = false;
    V.Gen = NextGen(V.Gen);
  }

  // Streams and modules need a started mixer with an output.
  bool ReadyForSources() {
    std::lock_guard<std::recursive_mutex> G(Lock);
    if (!Initialized) {
      return Fail(mxInit);
    }
    if (Output == TMixOutput::None) {
      return Fail(mxNotAvail);
    }
    return true;
  }

  // A voice of its own for a stream or a module; 0 when no voice is free.
  TMixHandle AddSourceVoice(TVoiceKind Kind, int DefaultFreq, std::unique_ptr<TAudioSource> Source,
                            TModuleSource* Module) {
    std::lock_guard<std::recursive_mutex> G(Lock);
    size_t Slot = 0;
    TVoice* V = NewVoice(Slot);
    if (!V) {
      Fail(mxNoChan);
      return 0;
    }
    V->Kind = Kind;
    V->DefaultFreq = DefaultFreq;
    V->Reset();
    V->Module = Module;
    V->Source = std::move(Source);
    Ok();
    return MakeHandle(false, V->Gen, Slot);
  }

  bool FreeSourceVoice(TMixHandle H, TVoiceKind Kind) {
    std::lock_guard<std::recursive_mutex> G(Lock);
    TVoice* V = Channel(H);
    if (!V) {
      return false;
    }
    if (V->Kind != Kind) {
      return Fail(mxHandle);
    }
    ReleaseVoice(*V);
    return Ok();
  }

  size_t IndexOf(const TVoice& V) const {
    for (size_t I = 0; I < Voices.size(); ++I) {
      if (Voices[I].get() == &V) {
        return I;
      }
    }
    return 0;
  }

  void Restart(TVoice& V) {
    V.Source->Seek(0);
    ++V.SeekSerial;
    V.SourceEnded = false;
    V.ClearCache();
  }

  // Reads source frames, firing the end callbacks at the end of the data and going on when one
  // of them (or the loop flag) moved the source back.
  int ReadSource(TVoice& V, float* Dst, int Space) {
    int Total = 0;
    bool EmptyEnd = false;
    while (Total < Space && !V.SourceEnded) {
      int Want = Space - Total;
      int Got = V.Source->Read(Dst + 2 * Total, Want);
      Total += Got;
      if (Got >= Want) {
        break;
      }
      // The end of the data. A rewind that yields nothing twice running ends the channel.
      if (Got == 0 && EmptyEnd) {
        V.SourceEnded = true;
        break;
      }
      EmptyEnd = Got == 0;
      uint32_t Before = V.SeekSerial;
      if (!V.Syncs.empty()) {
        V.InSync = true;
        auto Syncs = V.Syncs; // a callback may remove itself
        TMixHandle H = MakeHandle(false, V.Gen, IndexOf(V));
        for (auto& S : Syncs) {
          S.second(H);
        }
        V.InSync = false;
      }
      if (V.SeekSerial != Before) {
        continue;
      }
      if (V.Flags & CMixLoop) {
        V.Source->Seek(0);
        ++V.SeekSerial;
        continue;
      }
      V.SourceEnded = true;
    }
    return Total;
  }

  // Drops consumed frames and reads more; false when nothing could be added.
  bool Refill(TVoice& V) {
    int Keep = static_cast<int>(V.CachePos);
    Keep = std::min(Keep, V.CacheFrames);
    if (Keep > 0) {
      std::memmove(V.Cache.data(), V.Cache.data() + 2 * Keep,
                   static_cast<size_t>(V.CacheFrames - Keep) * 2 * sizeof(float));
      V.CacheFrames -= Keep;
      V.CachePos -= Keep;
    }
    if (V.SourceEnded || V.CacheFrames >= CCacheFrames) {
      return false;
    }
    int Got = ReadSource(V, V.Cache.data() + 2 * V.CacheFrames, CCacheFrames - V.CacheFrames);
    V.CacheFrames += Got;
    return Got > 0;
  }

  // Resampled frames into Out; fewer than Frames only when the source has ended.
  int Produce(TVoice& V, float* Out, int Frames, double Step) {
    int I = 0;
    while (I < Frames) {
      int Idx = static_cast<int>(V.CachePos);
      if (Idx + 1 >= V.CacheFrames) {
        if (Refill(V)) {
          continue;
        }
        Idx = static_cast<int>(V.CachePos);
        if (Idx < V.CacheFrames) {
          // The last frame of the data: nothing to interpolate towards.
          const float* A = V.Cache.data() + 2 * Idx;
          Out[2 * I] = A[0];
          Out[2 * I + 1] = A[1];
          ++I;
          V.CachePos += Step;
          continue;
        }
        break;
      }
      // As many frames as the cache allows without another check.
      while (I < Frames) {
        Idx = static_cast<int>(V.CachePos);
        if (Idx + 1 >= V.CacheFrames) {
          break;
        }
        float Frac = static_cast<float>(V.CachePos - Idx);
        const float* A = V.Cache.data() + 2 * Idx;
        Out[2 * I] = A[0] + (A[2] - A[0]) * Frac;
        Out[2 * I + 1] = A[1] + (A[3] - A[1]) * Frac;
        ++I;
        V.CachePos += Step;
      }
    }
    return I;
  }

  static void Gains(float Vol, float Pan, float& L, float& R) {
    float G = Vol * 0.01f;
    L = G * std::min(1.0f, 1.0f - Pan * 0.01f);
    R = G * std::min(1.0f, 1.0f + Pan * 0.01f);
  }

  void MixVoice(TVoice& V, float* Out, int Frames) {
    for (int Off = 0; Off < Frames && V.State == maPlaying; Off += CChunk) {
      int N = std::min(CChunk, Frames - Off);
      float L0, R0, L1, R1;
      Gains(V.Volume.Value, V.Pan.Value, L0, R0);
      double Step = static_cast<double>(V.Freq.Value) / CMixRate;
      V.Volume.Advance(N);
      V.Pan.Advance(N);
      V.Freq.Advance(N);
      Gains(V.Volume.Value, V.Pan.Value, L1, R1);
      float* T = Temp.data();
      int Got = Produce(V, T, N, Step);
      if (V.Reverb) {
        V.Reverb->Process(T, Got);
      }
      float DL = (L1 - L0) / static_cast<float>(N);
      float DR = (R1 - R0) / static_cast<float>(N);
      float* O = Out + 2 * Off;
      for (int I = 0; I < Got; ++I) {
        float GL = L0 + DL * static_cast<float>(I + 1);
        float GR = R0 + DR * static_cast<float>(I + 1);
        O[2 * I] += T[2 * I] * GL;
        O[2 * I + 1] += T[2 * I + 1] * GR;
      }
      if (Got < N) {
        V.State = maStopped;
        V.StopAtEnd = false;
      } else if (V.StopAtEnd && !V.Volume.Sliding()) {
        V.State = maStopped;
        V.StopAtEnd = false;
      }
    }
  }

  void Render(float* Out, int Frames) {
    std::lock_guard<std::recursive_mutex> G(Lock);
    std::fill(Out, Out + 2 * static_cast<size_t>(std::max(Frames, 0)), 0.0f);
    if (!Initialized || Paused || Output == TMixOutput::None || Frames <= 0) {
      return;
    }
    // By index: an end callback may add voices.
    for (size_t I = 0; I < Voices.size(); ++I) {
      TVoice& V = *Voices[I];
      if (V.Used && V.State == maPlaying) {
        MixVoice(V, Out, Frames);
      }
    }
    if (Volume != 100) {
      float G = static_cast<float>(Volume) * 0.01f;
      for (int I = 0; I < 2 * Frames; ++I) {
        Out[I] *= G;
      }
    }
  }

  void FreeAll() {
    for (auto& V : Voices) {
      if (V->Used) {
        ReleaseVoice(*V);
      }
    }
    for (TSample& S : Samples) {
      if (S.Used) {
        S.Used = false;
        S.Sound.reset();
        S.Voices.clear();
        S.Gen = NextGen(S.Gen);
      }
    }
  }

  TVoice* Channel(TMixHandle H) {
    if (!Initialized) {
      Fail(mxInit);
      return nullptr;
    }
    TVoice* V = FindVoice(H);
    if (!V) {
      Fail(mxHandle);
    }
    return V;
  }

  void StartPlaying(TVoice& V) {
    if (V.State != maPaused) {
      V.StartSerial = ++Serial;
    }
    V.State = maPlaying;
  }
};

TAudioMixer::TAudioMixer()
    : FImpl(std::make_unique<TImpl>()) {}

TAudioMixer::~TAudioMixer() {
  Free();
}

bool TAudioMixer::Init(TMixOutput Output) {
  {
    std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
    if (FImpl->Initialized) {
      return Fail(mxAlready);
    }
  }
  SDL_AudioDeviceID Device = 0;
  if (Output == TMixOutput::Device) {
    if (!FImpl->AudioSubsystem) {
      if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return Fail(mxDriver);
      }
      FImpl->AudioSubsystem = true;
    }
    SDL_AudioSpec Want{};
    Want.freq = CMixRate;
    Want.format = AUDIO_F32SYS;
    Want.channels = 2;
    Want.samples = 1024;
    Want.callback = &TImpl::DeviceCallback;
    Want.userdata = FImpl.get();
    SDL_AudioSpec Have{};
    Device = SDL_OpenAudioDevice(nullptr, 0, &Want, &Have, 0);
    if (Device == 0) {
      // The subsystem stays up until Free: quitting it waits for SDL's ALSA device watch (up to
      // a tenth of a second), which a start without a sound device would pay before anything
      // is shown.
      return Fail(mxDevice);
    }
  }
  {
    std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
    FImpl->Initialized = true;
    FImpl->Output = Output;
    FImpl->Device = Device;
    FImpl->Paused = false;
    FImpl->Volume = 100;
  }
  if (Device) {
    SDL_PauseAudioDevice(Device, 0);
  }
  return Ok();
}

void TAudioMixer::Free() {
  SDL_AudioDeviceID Device = 0;
  bool Initialized = false;
  {
    std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
    Initialized = FImpl->Initialized;
    Device = FImpl->Device;
  }
  if (Device) {
    // Closing waits for the callback to return; it must not hold the lock meanwhile.
    SDL_CloseAudioDevice(Device);
  }
  if (FImpl->AudioSubsystem) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    FImpl->AudioSubsystem = false;
  }
  if (!Initialized) {
    return;
  }
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  FImpl->FreeAll();
  FImpl->Initialized = false;
  FImpl->Device = 0;
  FImpl->Output = TMixOutput::None;
}

bool TAudioMixer::Initialized() const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  return FImpl->Initialized;
}

TMixOutput TAudioMixer::Output() const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  return FImpl->Output;
}

std::string TAudioMixer::DriverName() const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  const char* Name = FImpl->Device ? SDL_GetCurrentAudioDriver() : nullptr;
  return Name ? Name : "";
}

bool TAudioMixer::Pause() {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  if (!FImpl->Initialized) {
    return Fail(mxInit);
  }
  FImpl->Paused = true;
  return Ok();
}

bool TAudioMixer::Start() {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  if (!FImpl->Initialized) {
    return Fail(mxInit);
  }
  FImpl->Paused = false;
  return Ok();
}

bool TAudioMixer::Paused() const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  return FImpl->Paused;
}

int TAudioMixer::GetVolume() const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  if (!FImpl->Initialized) {
    Fail(mxInit);
    return -1;
  }
  Ok();
  return FImpl->Volume;
}

bool TAudioMixer::SetVolume(int Volume) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  if (!FImpl->Initialized) {
    return Fail(mxInit);
  }
  if (Volume < 0 || Volume > 100) {
    return Fail(mxIllParam);
  }
  FImpl->Volume = Volume;
  return Ok();
}

// --- Samples, streams, modules -------------------------------------------------------------------

TMixHandle TAudioMixer::SampleLoad(const void* Data, size_t Size, int MaxPlaybacks) {
  {
    std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
    if (!FImpl->Initialized) {
      Fail(mxInit);
      return 0;
    }
    if (FImpl->Output == TMixOutput::None) {
      Fail(mxNotAvail);
      return 0;
    }
  }
  if (!Data || Size == 0 || MaxPlaybacks < 1 || MaxPlaybacks > 65535) {
    Fail(mxIllParam);
    return 0;
  }
  // Decoding may take a while: the mixing thread goes on meanwhile.
  auto Sound = std::make_shared<TDecodedSound>();
  TDecodeResult R = DecodeSound(Data, Size, *Sound);
  if (R != drOK) {
    Fail(R);
    return 0;
  }
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  size_t Index = 0;
  while (Index < FImpl->Samples.size() && FImpl->Samples[Index].Used) {
    ++Index;
  }
  if (Index == FImpl->Samples.size()) {
    if (Index >= CMaxSlots) {
      Fail(mxMem);
      return 0;
    }
    FImpl->Samples.emplace_back();
  }
  TSample& S = FImpl->Samples[Index];
  S.Used = true;
  S.Sound = std::move(Sound);
  S.MaxPlaybacks = MaxPlaybacks;
  S.Voices.clear();
  Ok();
  return MakeHandle(true, S.Gen, Index);
}

bool TAudioMixer::SampleFree(TMixHandle Sample) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TSample* S = FImpl->FindSample(Sample);
  if (!S) {
    return Fail(FImpl->Initialized ? mxHandle : mxInit);
  }
  for (size_t Slot : S->Voices) {
    FImpl->ReleaseVoice(*FImpl->Voices[Slot]);
  }
  S->Voices.clear();
  S->Sound.reset();
  S->Used = false;
  S->Gen = NextGen(S->Gen);
  return Ok();
}

TMixHandle TAudioMixer::SampleGetChannel(TMixHandle Sample) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TSample* S = FImpl->FindSample(Sample);
  if (!S) {
    Fail(FImpl->Initialized ? mxHandle : mxInit);
    return 0;
  }
  size_t SampleSlot = static_cast<size_t>(S - FImpl->Samples.data());
  size_t Slot = 0;
  TVoice* V = nullptr;
  if (static_cast<int>(S->Voices.size()) < S->MaxPlaybacks) {
    V = FImpl->NewVoice(Slot);
    if (!V) {
      Fail(mxNoChan);
      return 0;
    }
    S->Voices.push_back(Slot);
  } else {
    // Reuse: a stopped channel first, else the one that has played longest.
    auto Score = [&](size_t I) {
      const TVoice& C = *FImpl->Voices[I];
      return std::pair<int, uint64_t>(C.State == maStopped ? 0 : 1, C.StartSerial);
    };
    Slot = *std::min_element(S->Voices.begin(), S->Voices.end(),
                             [&](size_t A, size_t B) { return Score(A) < Score(B); });
    V = FImpl->Voices[Slot].get();
    V->Gen = NextGen(V->Gen);
  }
  V->Kind = TVoiceKind::SampleChannel;
  V->SampleSlot = SampleSlot;
  V->DefaultFreq = S->Sound->Rate;
  V->Reset();
  V->Source = OpenDecodedSound(S->Sound);
  Ok();
  return MakeHandle(false, V->Gen, Slot);
}

bool TAudioMixer::SampleStop(TMixHandle Sample) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TSample* S = FImpl->FindSample(Sample);
  if (!S) {
    return Fail(FImpl->Initialized ? mxHandle : mxInit);
  }
  for (size_t Slot : S->Voices) {
    FImpl->Voices[Slot]->State = maStopped;
    FImpl->Voices[Slot]->StopAtEnd = false;
  }
  return Ok();
}

TMixHandle TAudioMixer::StreamCreate(std::shared_ptr<const std::string> Data) {
  if (!FImpl->ReadyForSources()) {
    return 0;
  }
  if (!Data || Data->empty()) {
    Fail(mxIllParam);
    return 0;
  }
  TDecodeResult R = drOK;
  std::unique_ptr<TAudioSource> Source = OpenSoundStream(std::move(Data), R);
  if (!Source) {
    Fail(R);
    return 0;
  }
  const int Rate = Source->Rate();
  return FImpl->AddSourceVoice(TVoiceKind::Stream, Rate, std::move(Source), nullptr);
}

bool TAudioMixer::StreamFree(TMixHandle Stream) {
  return FImpl->FreeSourceVoice(Stream, TVoiceKind::Stream);
}

TMixHandle TAudioMixer::MusicLoad(const void* Data, size_t Size) {
  if (!FImpl->ReadyForSources()) {
    return 0;
  }
  TDecodeResult R = drOK;
  std::unique_ptr<TModuleSource> Module = OpenModule(Data, Size, CMixRate, R);
  if (!Module) {
    Fail(R);
    return 0;
  }
  TModuleSource* Raw = Module.get();
  return FImpl->AddSourceVoice(TVoiceKind::Music, CMixRate, std::move(Module), Raw);
}

bool TAudioMixer::MusicFree(TMixHandle Music) {
  return FImpl->FreeSourceVoice(Music, TVoiceKind::Music);
}

// --- Channels ------------------------------------------------------------------------------------

bool TAudioMixer::ChannelPlay(TMixHandle Channel, bool Restart) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return false;
  }
  if (Restart || V->SourceEnded) {
    FImpl->Restart(*V);
  }
  FImpl->StartPlaying(*V);
  return Ok();
}

bool TAudioMixer::ChannelStop(TMixHandle Channel) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return false;
  }
  V->State = maStopped;
  V->StopAtEnd = false;
  return Ok();
}

bool TAudioMixer::ChannelPause(TMixHandle Channel) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return false;
  }
  if (V->State != maPlaying) {
    return Fail(mxNoPlay); // nothing to pause
  }
  V->State = maPaused;
  return Ok();
}

TMixActive TAudioMixer::ChannelIsActive(TMixHandle Channel) const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  const TVoice* V = FImpl->QueriedVoice(Channel);
  return V ? V->State : maStopped;
}

bool TAudioMixer::ChannelSetFlags(TMixHandle Channel, uint32_t Flags) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return false;
  }
  V->Flags = Flags;
  return Ok();
}

uint32_t TAudioMixer::ChannelGetFlags(TMixHandle Channel) const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  const TVoice* V = FImpl->QueriedVoice(Channel);
  return V ? V->Flags : 0;
}

namespace {

bool ValidAttributes(int Freq, int Volume, int Pan, bool AllowFade) {
  bool FreqOk = Freq == CMixKeepFreq || Freq == 0 || (Freq >= 100 && Freq <= 200000);
  bool VolOk = Volume == CMixKeepVolume || (AllowFade && Volume == CMixFadeAndStop) ||
               (Volume >= 0 && Volume <= 100);
  bool PanOk = Pan == CMixKeepPan || (Pan >= -100 && Pan <= 100);
  return FreqOk && VolOk && PanOk;
}

} // namespace

bool TAudioMixer::ChannelSetAttributes(TMixHandle Channel, int Freq, int Volume, int Pan) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return false;
  }
  if (!ValidAttributes(Freq, Volume, Pan, false)) {
    return Fail(mxIllParam);
  }
  if (Freq != CMixKeepFreq) {
    V->Freq.Set(static_cast<float>(Freq == 0 ? V->DefaultFreq : Freq));
  }
  if (Volume != CMixKeepVolume) {
    V->Volume.Set(static_cast<float>(Volume));
    V->StopAtEnd = false;
  }
  if (Pan != CMixKeepPan) {
    V->Pan.Set(static_cast<float>(Pan));
  }
  return Ok();
}

bool TAudioMixer::ChannelGetAttributes(TMixHandle Channel, int* Freq, int* Volume, int* Pan) const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  const TVoice* V = FImpl->QueriedVoice(Channel);
  if (!V) {
    return false;
  }
  if (Freq) {
    *Freq = static_cast<int>(std::lround(V->Freq.Value));
  }
  if (Volume) {
    *Volume = static_cast<int>(std::lround(V->Volume.Value));
  }
  if (Pan) {
    *Pan = static_cast<int>(std::lround(V->Pan.Value));
  }
  return Ok();
}

bool TAudioMixer::ChannelSlideAttributes(TMixHandle Channel, int Freq, int Volume, int Pan,
                                         int Ms) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return false;
  }
  if (!ValidAttributes(Freq, Volume, Pan, true) || Ms < 0) {
    return Fail(mxIllParam);
  }
  int64_t Frames = static_cast<int64_t>(Ms) * CMixRate / 1000;
  if (Freq != CMixKeepFreq) {
    V->Freq.Start(static_cast<float>(Freq == 0 ? V->DefaultFreq : Freq), Frames);
  }
  if (Volume == CMixFadeAndStop) {
    V->Volume.Start(0, Frames);
    V->StopAtEnd = true;
    if (Frames <= 0) {
      V->State = maStopped;
      V->StopAtEnd = false;
    }
  } else if (Volume != CMixKeepVolume) {
    V->Volume.Start(static_cast<float>(Volume), Frames);
    V->StopAtEnd = false;
  }
  if (Pan != CMixKeepPan) {
    V->Pan.Start(static_cast<float>(Pan), Frames);
  }
  return Ok();
}

bool TAudioMixer::ChannelRetargetSlides(TMixHandle Channel, int Freq, int Volume, int Pan) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return false;
  }
  if (!ValidAttributes(Freq, Volume, Pan, false)) {
    return Fail(mxIllParam);
  }
  if (Freq != CMixKeepFreq) {
    V->Freq.Retarget(static_cast<float>(Freq == 0 ? V->DefaultFreq : Freq));
  }
  // A fade that ends in a stop keeps its target of silence.
  if (Volume != CMixKeepVolume && !(V->StopAtEnd && V->Volume.Sliding())) {
    V->Volume.Retarget(static_cast<float>(Volume));
  }
  if (Pan != CMixKeepPan) {
    V->Pan.Retarget(static_cast<float>(Pan));
  }
  return Ok();
}

uint32_t TAudioMixer::ChannelIsSliding(TMixHandle Channel) const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  const TVoice* V = FImpl->QueriedVoice(Channel);
  if (!V) {
    return 0;
  }
  return (V->Freq.Sliding() ? CSlidingFreq : 0) | (V->Volume.Sliding() ? CSlidingVolume : 0) |
         (V->Pan.Sliding() ? CSlidingPan : 0);
}

double TAudioMixer::ChannelGetLength(TMixHandle Channel) const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  const TVoice* V = FImpl->QueriedVoice(Channel);
  return V ? V->Source->LengthSeconds() : -1;
}

double TAudioMixer::ChannelGetPosition(TMixHandle Channel) const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  const TVoice* V = FImpl->QueriedVoice(Channel);
  if (!V) {
    return -1;
  }
  double Ahead = (V->CacheFrames - V->CachePos) / V->Source->Rate();
  return std::max(0.0, V->Source->PositionSeconds() - std::max(0.0, Ahead));
}

bool TAudioMixer::ChannelSetPosition(TMixHandle Channel, double Seconds) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return false;
  }
  if (!V->Source->Seek(Seconds)) {
    return Fail(mxPosition);
  }
  ++V->SeekSerial;
  if (!V->InSync) {
    // From an end callback the frames already read still play: the loop has no gap.
    V->ClearCache();
    V->SourceEnded = false;
  }
  return Ok();
}

bool TAudioMixer::MusicSetPosition(TMixHandle Music, int Order, int Row) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Music);
  if (!V) {
    return false;
  }
  if (!V->Module) {
    return Fail(mxIllType);
  }
  if (!V->Module->SetOrderRow(Order, Row)) {
    return Fail(mxPosition);
  }
  ++V->SeekSerial;
  if (!V->InSync) {
    V->ClearCache();
    V->SourceEnded = false;
  }
  return Ok();
}

uint32_t TAudioMixer::ChannelSetSync(TMixHandle Channel, TMixSyncProc Proc) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return 0;
  }
  if (!Proc) {
    Fail(mxIllParam);
    return 0;
  }
  uint32_t Id = FImpl->NextSync++;
  V->Syncs.emplace_back(Id, std::move(Proc));
  Ok();
  return Id;
}

bool TAudioMixer::ChannelRemoveSync(TMixHandle Channel, uint32_t Sync) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return false;
  }
  auto It = std::find_if(V->Syncs.begin(), V->Syncs.end(),
                         [Sync](const auto& S) { return S.first == Sync; });
  if (It == V->Syncs.end()) {
    return Fail(mxHandle);
  }
  V->Syncs.erase(It);
  return Ok();
}

uint32_t TAudioMixer::ChannelSetReverb(TMixHandle Channel) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return 0;
  }
  if (!V->Reverb) {
    V->Reverb = std::make_unique<TReverb>();
    V->FX = FImpl->NextFX++;
  }
  Ok();
  return V->FX;
}

bool TAudioMixer::ChannelRemoveFX(TMixHandle Channel, uint32_t FX) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  TVoice* V = FImpl->Channel(Channel);
  if (!V) {
    return false;
  }
  if (!V->Reverb || V->FX != FX) {
    return Fail(mxHandle);
  }
  V->Reverb.reset();
  V->FX = 0;
  return Ok();
}

bool TAudioMixer::FXSetParameters(uint32_t FX, const TMixReverbParams& Params) {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  if (FX != 0) {
    for (auto& V : FImpl->Voices) {
      if (V->Used && V->Reverb && V->FX == FX) {
        V->Reverb->SetParams(Params);
        return Ok();
      }
    }
  }
  return Fail(mxHandle);
}

int TAudioMixer::ErrorGetCode() const {
  return LastError;
}

void TAudioMixer::Render(float* Out, int Frames) {
  FImpl->Render(Out, Frames);
}

int TAudioMixer::PlayingChannels() const {
  std::lock_guard<std::recursive_mutex> G(FImpl->Lock);
  return static_cast<int>(
      std::count_if(FImpl->Voices.begin(), FImpl->Voices.end(),
                    [](const auto& V) { return V->Used && V->State == maPlaying; }));
}
