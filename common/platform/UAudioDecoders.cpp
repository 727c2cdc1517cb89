#include "platform/UAudioDecoders.h"

#include <libopenmpt/libopenmpt.hpp>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <ostream>
#include <streambuf>

namespace {

// libsndfile reads through these callbacks from a block of memory.
struct TMemoryFile {
  const unsigned char* Data = nullptr;
  sf_count_t Size = 0;
  sf_count_t Pos = 0;
};

sf_count_t MemLength(void* User) {
  return static_cast<TMemoryFile*>(User)->Size;
}

sf_count_t MemSeek(sf_count_t Offset, int Whence, void* User) {
  TMemoryFile* F = static_cast<TMemoryFile*>(User);
  sf_count_t Base = Whence == SEEK_CUR ? F->Pos : Whence == SEEK_END ? F->Size : 0;
  sf_count_t Target = Base + Offset;
  if (Target < 0 || Target > F->Size) {
    return -1;
  }
  F->Pos = Target;
  return F->Pos;
}

sf_count_t MemRead(void* Ptr, sf_count_t Count, void* User) {
  TMemoryFile* F = static_cast<TMemoryFile*>(User);
  sf_count_t N = std::clamp<sf_count_t>(F->Size - F->Pos, 0, std::max<sf_count_t>(Count, 0));
  std::memcpy(Ptr, F->Data + F->Pos, static_cast<size_t>(N));
  F->Pos += N;
  return N;
}

sf_count_t MemWrite(const void*, sf_count_t, void*) {
  return 0;
}

sf_count_t MemTell(void* User) {
  return static_cast<TMemoryFile*>(User)->Pos;
}

SF_VIRTUAL_IO MemoryIO = {MemLength, MemSeek, MemRead, MemWrite, MemTell};

constexpr int CMaxChannels = 16;
constexpr int CMinRate = 1000;
constexpr int CMaxRate = 384000;

// An open sound file over memory, converting any channel count to stereo.
class TSndFile {
public:
  TSndFile(const void* Data, size_t Size) {
    FFile.Data = static_cast<const unsigned char*>(Data);
    FFile.Size = static_cast<sf_count_t>(Size);
    FHandle = sf_open_virtual(&MemoryIO, SFM_READ, &FInfo, &FFile);
    if (FHandle && (FInfo.channels < 1 || FInfo.channels > CMaxChannels ||
                    FInfo.samplerate < CMinRate || FInfo.samplerate > CMaxRate)) {
      sf_close(FHandle);
      FHandle = nullptr;
    }
    if (FHandle) {
      // Vorbis and MP3 decode to floats in -1..1 already; integer formats are scaled.
      sf_command(FHandle, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    }
  }
  ~TSndFile() {
    if (FHandle) {
      sf_close(FHandle);
    }
  }
  TSndFile(const TSndFile&) = delete;
  TSndFile& operator=(const TSndFile&) = delete;

  bool Valid() const { return FHandle != nullptr; }
  int Rate() const { return FInfo.samplerate; }
  sf_count_t Frames() const { return FInfo.frames; }

  // Up to Frames stereo frames; 0 at the end or on a decoding fault.
  int Read(float* Out, int Frames) {
    if (!FHandle || Frames <= 0) {
      return 0;
    }
    int Channels = FInfo.channels;
    if (Channels == 2) {
      sf_count_t N = sf_readf_float(FHandle, Out, Frames);
      return N > 0 ? static_cast<int>(N) : 0;
    }
    FScratch.resize(static_cast<size_t>(Frames) * static_cast<size_t>(Channels));
    sf_count_t N = sf_readf_float(FHandle, FScratch.data(), Frames);
    if (N <= 0) {
      return 0;
    }
    for (sf_count_t I = 0; I < N; ++I) {
      const float* In = FScratch.data() + I * Channels;
      Out[2 * I] = In[0];
      Out[2 * I + 1] = Channels == 1 ? In[0] : In[1];
    }
    return static_cast<int>(N);
  }

  bool Seek(sf_count_t Frame) { return FHandle && sf_seek(FHandle, Frame, SEEK_SET) >= 0; }

private:
  TMemoryFile FFile;
  SF_INFO FInfo{};
  SNDFILE* FHandle = nullptr;
  std::vector<float> FScratch;
};

class TSoundStreamSource : public TAudioSource {
public:
  explicit TSoundStreamSource(std::shared_ptr<const std::string> Data)
      : FData(std::move(Data))
      , FFile(FData->data(), FData->size()) {}

  bool Valid() const { return FFile.Valid(); }
  int Read(float* Out, int Frames) override {
    int N = FFile.Read(Out, Frames);
    FPos += N;
    return N;
  }
  bool Seek(double Seconds) override {
    sf_count_t Frame = static_cast<sf_count_t>(std::llround(Seconds * FFile.Rate()));
    if (Seconds < 0 || (FFile.Frames() > 0 && Frame > FFile.Frames()) || !FFile.Seek(Frame)) {
      return false;
    }
    FPos = Frame;
    return true;
  }
  double LengthSeconds() const override {
    return static_cast<double>(std::max<sf_count_t>(FFile.Frames(), 0)) / FFile.Rate();
  }
  double PositionSeconds() const override { return static_cast<double>(FPos) / FFile.Rate(); }
  int Rate() const override { return FFile.Rate(); }

private:
  std::shared_ptr<const std::string> FData; // before FFile: it reads from these bytes
  TSndFile FFile;
  sf_count_t FPos = 0;
};

class TDecodedSource : public TAudioSource {
public:
  explicit TDecodedSource(std::shared_ptr<const TDecodedSound> Sound)
      : FSound(std::move(Sound)) {}

  int Read(float* Out, int Frames) override {
    int64_t N = std::clamp<int64_t>(FSound->FrameCount() - FPos, 0, Frames);
    if (N <= 0) {
      return 0; // also for a sound without frames, whose buffer is empty
    }
    std::memcpy(Out, FSound->Frames.data() + FPos * 2, static_cast<size_t>(N) * 2 * sizeof(float));
    FPos += N;
    return static_cast<int>(N);
  }
  bool Seek(double Seconds) override {
    int64_t Frame = std::llround(Seconds * FSound->Rate);
    if (Seconds < 0 || Frame > FSound->FrameCount()) {
      return false;
    }
    FPos = Frame;
    return true;
  }
  double LengthSeconds() const override {
    return static_cast<double>(FSound->FrameCount()) / FSound->Rate;
  }
  double PositionSeconds() const override { return static_cast<double>(FPos) / FSound->Rate; }
  int Rate() const override { return FSound->Rate; }

private:
  std::shared_ptr<const TDecodedSound> FSound;
  int64_t FPos = 0;
};

// libopenmpt reports what it skips while loading; the game has no use for that text.
class TNullBuffer : public std::streambuf {
protected:
  int overflow(int C) override { return C; }
};

class TOpenMptSource : public TModuleSource {
public:
  TOpenMptSource(const void* Data, size_t Size, int ARate)
      : FLog(&FNull)
      , FModule(Data, Size, FLog)
      , FRate(ARate) {
    FModule.set_repeat_count(0);
    // At its end the module stops at once rather than fading out, so a rewind joins seamlessly.
    FModule.ctl_set_text("play.at_end", "stop");
    FLength = FModule.get_duration_seconds();
  }

  int Read(float* Out, int Frames) override {
    try {
      return static_cast<int>(
          FModule.read_interleaved_stereo(FRate, static_cast<size_t>(Frames), Out));
    } catch (...) {
      return 0;
    }
  }
  bool Seek(double Seconds) override {
    if (Seconds < 0 || Seconds > FLength) {
      return false;
    }
    FModule.set_position_seconds(Seconds);
    return true;
  }
  bool SetOrderRow(int Order, int Row) override {
    if (Order < 0 || Order >= FModule.get_num_orders()) {
      return false;
    }
    FModule.set_position_order_row(Order, Row);
    return true;
  }
  double LengthSeconds() const override { return FLength; }
  double PositionSeconds() const override {
    return const_cast<openmpt::module&>(FModule).get_position_seconds();
  }
  int Rate() const override { return FRate; }

private:
  TNullBuffer FNull;
  std::ostream FLog;
  openmpt::module FModule;
  int FRate;
  double FLength = 0;
};

} // namespace

TDecodeResult DecodeSound(const void* Data, size_t Size, TDecodedSound& Out) {
  try {
    TSndFile File(Data, Size);
    if (!File.Valid()) {
      return drFormat;
    }
    Out.Rate = File.Rate();
    Out.Frames.clear();
    // The header's frame count is only a hint: corrupt files may claim anything.
    constexpr int CChunk = 4096;
    std::vector<float> Chunk(CChunk * 2);
    for (;;) {
      int N = File.Read(Chunk.data(), CChunk);
      if (N <= 0) {
        break;
      }
      if (Out.FrameCount() + N > CMaxDecodedFrames) {
        Out.Frames.clear();
        return drMem;
      }
      Out.Frames.insert(Out.Frames.end(), Chunk.begin(), Chunk.begin() + 2 * N);
    }
    Out.Frames.shrink_to_fit();
    return drOK;
  } catch (const std::bad_alloc&) {
    Out.Frames.clear();
    return drMem;
  }
}

std::unique_ptr<TAudioSource> OpenSoundStream(std::shared_ptr<const std::string> Data,
                                              TDecodeResult& Result) {
  Result = drFormat;
  if (!Data) {
    return nullptr;
  }
  auto Source = std::make_unique<TSoundStreamSource>(std::move(Data));
  if (!Source->Valid()) {
    return nullptr;
  }
  Result = drOK;
  return Source;
}

std::unique_ptr<TModuleSource> OpenModule(const void* Data, size_t Size, int Rate,
                                          TDecodeResult& Result) {
  Result = drFormat;
  if (!Data || Size == 0) {
    return nullptr;
  }
  try {
    auto Source = std::make_unique<TOpenMptSource>(Data, Size, Rate);
    Result = drOK;
    return Source;
  } catch (const std::bad_alloc&) {
    Result = drMem;
  } catch (...) {
    Result = drFormat;
  }
  return nullptr;
}

std::unique_ptr<TAudioSource> OpenDecodedSound(std::shared_ptr<const TDecodedSound> Sound) {
  return std::make_unique<TDecodedSource>(std::move(Sound));
}
