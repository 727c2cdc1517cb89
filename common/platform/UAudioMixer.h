// The game's software mixer: float stereo at 44,100 Hz over SDL audio, or into a buffer on
// demand, or silent when there is no output at all.
//
// Samples are decoded once and played on up to a given number of channels at a time; streams
// decode as they play from encoded bytes kept in memory; modules are rendered by libopenmpt.
// Each channel has a volume (0..100), a pan (-100..100) and a frequency in Hz, each with a timed
// linear slide; a fade to silence can stop the channel at its end. Channels fire end-of-channel
// callbacks on the mixing thread, where a looping module rewinds without a gap.
//
// Handles carry a generation: once a channel is reused for another playback, or freed, every
// older handle of it fails with mxHandle instead of reaching the new sound.
//
// Every call may come from any thread; one lock guards the mixer's state against the mixing
// thread. End callbacks run under that lock on the mixing thread and may call the mixer again
// (the lock is recursive), but must not wait for another thread that uses the mixer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using TMixHandle = uint32_t; // 0: none

// The error codes of the last call on the calling thread.
enum TMixError : int {
  mxOK = 0,
  mxMem = 1,
  mxDriver = 3,
  mxHandle = 5,
  mxFormat = 6,
  mxPosition = 7,
  mxInit = 8,
  mxAlready = 14,
  mxNoChan = 18,
  mxIllType = 19,
  mxIllParam = 20,
  mxDevice = 23,
  mxNoPlay = 24,
  mxNotAvail = 37,
  mxDecode = 38,
  mxFileForm = 41,
};

// Channel states as ChannelIsActive reports them.
enum TMixActive : int { maStopped = 0, maPlaying = 1, maStalled = 2, maPaused = 3 };

// How the mixer gives out its sound.
enum class TMixOutput {
  Device, // SDL's default output device (fails when there is none)
  Buffer, // no device: the owner calls Render for as many frames as it wants
  None,   // no output at all: nothing loads (mxNotAvail) and nothing plays
};

constexpr int CMixRate = 44100;
// The channel flag that makes a sample or stream start over at its end.
constexpr uint32_t CMixLoop = 4;
// ChannelIsSliding bits.
constexpr uint32_t CSlidingFreq = 1;
constexpr uint32_t CSlidingVolume = 2;
constexpr uint32_t CSlidingPan = 4;
// Attribute values that leave the attribute as it is, and the volume that fades out and stops.
constexpr int CMixKeepFreq = -1;
constexpr int CMixKeepVolume = -1;
constexpr int CMixFadeAndStop = -2;
constexpr int CMixKeepPan = -101;

// The reverb's parameters, as a room reverb takes them.
struct TMixReverbParams {
  float InGain = 0;               // dB, -96..0
  float ReverbMix = -10;          // dB, -96..0: the level of the reverberated sound
  float ReverbTime = 1000;        // ms, 0.001..3000
  float HighFreqRTRatio = 0.001f; // 0.001..0.999: high frequencies decay this much faster
};

using TMixSyncProc = std::function<void(TMixHandle Channel)>;

class TAudioMixer {
public:
  TAudioMixer();
  ~TAudioMixer();
  TAudioMixer(const TAudioMixer&) = delete;
  TAudioMixer& operator=(const TAudioMixer&) = delete;

  // Starts the output; false (with mxAlready, mxDriver or mxDevice) when that output cannot be
  // had. A mixer that is running must be freed first. After a device that cannot be opened,
  // SDL's audio stays up (for another try or the silent output) until Free.
  bool Init(TMixOutput Output);
  // Stops the output, lets SDL's audio go and frees every sample, stream and module.
  void Free();
  bool Initialized() const;
  TMixOutput Output() const;
  // The SDL driver in use ("dummy", "pulseaudio" ...), empty without a device.
  std::string DriverName() const;

  // The whole output: paused output renders silence and no channel advances.
  bool Pause();
  bool Start();
  bool Paused() const;
  // Output volume 0..100 (-1 when not initialised).
  int GetVolume() const;
  bool SetVolume(int Volume);

  // Samples: decoded whole; MaxPlaybacks (1..65535) channels may play at once.
  TMixHandle SampleLoad(const void* Data, size_t Size, int MaxPlaybacks);
  bool SampleFree(TMixHandle Sample);
  // A channel for the sample: a new one while fewer than MaxPlaybacks exist, else the oldest
  // one (preferring one that has stopped), under a new handle.
  TMixHandle SampleGetChannel(TMixHandle Sample);
  bool SampleStop(TMixHandle Sample);
  // Streams: the channel is the stream; Data stays referenced until the stream is freed.
  TMixHandle StreamCreate(std::shared_ptr<const std::string> Data);
  bool StreamFree(TMixHandle Stream);
  // Modules: loaded whole from memory (the bytes may be dropped afterwards).
  TMixHandle MusicLoad(const void* Data, size_t Size);
  bool MusicFree(TMixHandle Music);

  // Plays from where the channel is (from the start when it has reached its end), or from the
  // start with Restart; resumes a paused channel.
  bool ChannelPlay(TMixHandle Channel, bool Restart);
  bool ChannelStop(TMixHandle Channel);
  bool ChannelPause(TMixHandle Channel);
  // maStopped for handles that are no longer valid.
  TMixActive ChannelIsActive(TMixHandle Channel) const;
  bool ChannelSetFlags(TMixHandle Channel, uint32_t Flags);
  uint32_t ChannelGetFlags(TMixHandle Channel) const;
  // Frequency in Hz (0: the source's own rate; CMixKeepFreq), volume 0..100 (CMixKeepVolume),
  // pan -100..100 (CMixKeepPan). Setting an attribute ends its slide.
  bool ChannelSetAttributes(TMixHandle Channel, int Freq, int Volume, int Pan);
  bool ChannelGetAttributes(TMixHandle Channel, int* Freq, int* Volume, int* Pan) const;
  // Linear slides over Ms milliseconds; CMixFadeAndStop slides the volume to 0 and then stops.
  bool ChannelSlideAttributes(TMixHandle Channel, int Freq, int Volume, int Pan, int Ms);
  // Points running slides at new values over the time they have left; a fade-and-stop stays one.
  // Attributes that are not sliding are set at once.
  bool ChannelRetargetSlides(TMixHandle Channel, int Freq, int Volume, int Pan);
  uint32_t ChannelIsSliding(TMixHandle Channel) const;
  // Seconds; -1 on error.
  double ChannelGetLength(TMixHandle Channel) const;
  double ChannelGetPosition(TMixHandle Channel) const;
  bool ChannelSetPosition(TMixHandle Channel, double Seconds);
  bool MusicSetPosition(TMixHandle Music, int Order, int Row);
  // A callback at the end of the channel's data, at mix time; 0 on error.
  uint32_t ChannelSetSync(TMixHandle Channel, TMixSyncProc Proc);
  bool ChannelRemoveSync(TMixHandle Channel, uint32_t Sync);
  // A reverb on the channel (one per channel); the effect handle, 0 on error.
  uint32_t ChannelSetReverb(TMixHandle Channel);
  bool ChannelRemoveFX(TMixHandle Channel, uint32_t FX);
  bool FXSetParameters(uint32_t FX, const TMixReverbParams& Params);

  // The error of the calling thread's last call.
  int ErrorGetCode() const;

  // Mixes Frames stereo frames into Out (2 × Frames floats, overwritten). The device calls this
  // from its thread; with TMixOutput::Buffer the owner does.
  void Render(float* Out, int Frames);
  // Channels playing now (for tests and statistics).
  int PlayingChannels() const;

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};
