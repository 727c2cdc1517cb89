// The decoders behind the mixer: sound files (WAV, OGG Vorbis, MP3 and whatever else libsndfile
// reads) and tracker modules (through libopenmpt), both read from bytes kept in memory. Every
// decoder hands out stereo float frames at its own rate; none of them throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A source of stereo frames (interleaved left, right) at a fixed rate.
class TAudioSource {
public:
  virtual ~TAudioSource() = default;
  // Up to Frames frames into Out (2 × Frames floats); fewer only at the end of the data.
  virtual int Read(float* Out, int Frames) = 0;
  // Moves to a time; false when the position is outside the data or cannot be reached.
  virtual bool Seek(double Seconds) = 0;
  virtual double LengthSeconds() const = 0;
  // Where the next Read starts.
  virtual double PositionSeconds() const = 0;
  virtual int Rate() const = 0;
};

// A whole sound decoded at once, for samples.
struct TDecodedSound {
  std::vector<float> Frames; // stereo interleaved
  int Rate = 0;
  int64_t FrameCount() const { return static_cast<int64_t>(Frames.size() / 2); }
};

// The results of opening and decoding; the numbers are the mixer's error codes.
enum TDecodeResult { drOK = 0, drMem = 1, drFormat = 41, drDecode = 38 };

// The longest sound decoded whole: longer ones are refused (they should stream).
constexpr int64_t CMaxDecodedFrames = int64_t(44100) * 60 * 20;

// Decodes a whole sound file held in memory.
TDecodeResult DecodeSound(const void* Data, size_t Size, TDecodedSound& Out);

// A sound file played from the encoded bytes, decoded as it goes. Data stays shared with the
// caller for the lifetime of the source.
std::unique_ptr<TAudioSource> OpenSoundStream(std::shared_ptr<const std::string> Data,
                                              TDecodeResult& Result);

// A tracker module (.xm, .it, .mod, .s3m, .mo3 ...) loaded whole from memory and rendered at Rate.
// It stops at its end (no repeat of its own); looping is the caller's business.
class TModuleSource : public TAudioSource {
public:
  virtual bool SetOrderRow(int Order, int Row) = 0;
};
std::unique_ptr<TModuleSource> OpenModule(const void* Data, size_t Size, int Rate,
                                          TDecodeResult& Result);

// A source over a decoded sound, sharing it (the channels of one sample).
std::unique_ptr<TAudioSource> OpenDecodedSound(std::shared_ptr<const TDecodedSound> Sound);
