// The audio device and what every sound shares: the three-level volume model (master, music and
// sound volume, combined into two controllers), audio states (the handles through which a
// playing sound is changed or stopped), the abstract sound resource, music with crossfades, and
// the audio error. The mixing itself is done by the platform's mixer.
#pragma once

#include "object/UGClassBuilder.h"
#include "object/UGCollection.h"
#include "resources/UGResource.h"

#include <cstdint>
#include <memory>
#include <string>

class TAudioMixer;
enum class TMixOutput;

using TGVolume = int32_t;    // 0..100
using TGPan = int32_t;       // -100..100
using TGFreq = int32_t;      // Hz
using TGPolyphony = int32_t; // 0..10

struct TGReverb {
  uint8_t Mix = 0;  // 0..100
  uint8_t Time = 0; // 0..100
  bool IsZero() const { return Mix == 0 && Time == 0; }
  friend bool operator==(const TGReverb&, const TGReverb&) = default;
};

enum TGSlideType { stFreq = 0, stVolume = 1, stPan = 2 };
using TGSlideTypes = TGSet<TGSlideType>;

enum TGSoundHandleType { shtSample = 0, shtStream = 1, shtMusic = 2 };

// The audio error: "Bass error #%d: %s".
G_EXCEPTION_CLASS(EBassError, EGException);
// "BASS_OK" for 0, else "BASS_ERROR_" and the code's name ("UNKNOWN" for unnamed codes).
std::string BASS_DecodeError(int Code);
EBassError BassError(int Code, TGSourceLocation Loc = TGSourceLocation::current());

// One of the device's two effective volumes; states bound to it follow its changes.
class TGVolumeController : public TGObject {
  G_CLASS(TGVolumeController, TGObject)
  explicit TGVolumeController(TGObject* AOwner = nullptr, TGVolume AValue = 100)
      : TGObject(AOwner)
      , FVolumeValue(AValue) {}

  TGVolume Value() const { return FVolumeValue; }
  // Stores a changed value and fires NotifyVolumeChanged.
  void SetVolumeValue(TGVolume Value);
  void NotifyVolumeChanged();

private:
  TGVolume FVolumeValue;
};

// The handle of one playing sound.
class TGAudioState : public TGObject {
  G_CLASS(TGAudioState, TGObject)
  explicit TGAudioState(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  virtual bool GetPaused() const = 0;
  virtual void SetPaused(bool Value) = 0;
  virtual bool GetIsStopped() const = 0;
  virtual TGVolume GetVolume() const = 0;
  virtual void SetVolume(TGVolume Value) = 0;
  virtual TGPan GetPan() const = 0;
  virtual void SetPan(TGPan Value) = 0;
  virtual TGFreq GetFreq() const = 0;
  virtual void SetFreq(TGFreq Value) = 0;
  virtual bool GetLooped() const = 0;
  virtual void SetLooped(bool Value) = 0;
  virtual TGReverb GetReverb() const = 0;
  virtual void SetReverb(const TGReverb& Value) = 0;
  virtual void Stop() = 0;
  virtual void Restart(float Seconds) = 0;
  virtual void SlideVolume(TGVolume Value, int32_t Ms) = 0;
  virtual void SlideVolumeAndStop(int32_t Ms) = 0;
  virtual void SlidePan(TGPan Value, int32_t Ms) = 0;
  virtual void SlideFreq(TGFreq Value, int32_t Ms) = 0;
  virtual TGSlideTypes GetSlideType() const = 0;
  virtual float GetLength() const = 0;
  virtual float GetPlayingPosition() const = 0;

  bool Paused() const { return GetPaused(); }
  bool IsStopped() const { return GetIsStopped(); }
  TGVolume Volume() const { return GetVolume(); }
  TGPan Pan() const { return GetPan(); }
  TGFreq Freq() const { return GetFreq(); }
  bool Looped() const { return GetLooped(); }
  TGReverb Reverb() const { return GetReverb(); }
};

// The state handed out when nothing can play: it ignores every change and reports a stopped
// sound at full volume.
class TGNullAudioState : public TGAudioState {
  G_CLASS(TGNullAudioState, TGAudioState)
  explicit TGNullAudioState(TGObject* AOwner = nullptr);

  bool GetPaused() const override { return false; }
  void SetPaused(bool) override {}
  bool GetIsStopped() const override { return true; }
  TGVolume GetVolume() const override { return 100; }
  void SetVolume(TGVolume) override {}
  TGPan GetPan() const override { return 0; }
  void SetPan(TGPan) override {}
  TGFreq GetFreq() const override { return 44100; }
  void SetFreq(TGFreq) override {}
  bool GetLooped() const override { return false; }
  void SetLooped(bool) override {}
  TGReverb GetReverb() const override { return {}; }
  void SetReverb(const TGReverb&) override {}
  void Stop() override {}
  void Restart(float) override {}
  void SlideVolume(TGVolume, int32_t) override {}
  void SlideVolumeAndStop(int32_t) override {}
  void SlidePan(TGPan, int32_t) override {}
  void SlideFreq(TGFreq, int32_t) override {}
  TGSlideTypes GetSlideType() const override { return {}; }
  float GetLength() const override { return 0; }
  float GetPlayingPosition() const override { return 0; }
};

// The abstract sound resource.
class TGAudio : public TGResource {
  G_CLASS(TGAudio, TGResource)
  explicit TGAudio(TGObject* AOwner = nullptr)
      : TGResource(AOwner) {}

  virtual TGVolume GetVolume() const = 0;
  virtual TGReverb GetReverb() const = 0;
  virtual TGPolyphony GetPolyphony() const = 0;
  virtual bool GetLoadAsSample() const = 0;
  virtual void SetVolume(TGVolume Value) = 0;
  virtual void SetReverb(const TGReverb& Value) = 0;
  virtual void SetPolyphony(TGPolyphony Value) = 0;
  virtual void SetLoadAsSample(bool Value) = 0;
  // A new state bound to the controller, owned by the device's state collection.
  virtual TGAudioState* GetState(TGVolumeController* Controller) = 0;
  virtual void StopAllInstances() {}

  TGVolume Volume() const { return GetVolume(); }
  TGPolyphony Polyphony() const { return GetPolyphony(); }
  bool LoadAsSample() const { return GetLoadAsSample(); }
};

class TGAudioStateCollection : public TGCollection {
  G_CLASS(TGAudioStateCollection, TGCollection)
  explicit TGAudioStateCollection(TGObject* AOwner = nullptr)
      : TGCollection(AOwner) {}
  TGAudioState* GetItem(int Index) const {
    return static_cast<TGAudioState*>(TGCollection::GetItem(Index));
  }
};

class TGAudioDevice : public TGObject {
  G_CLASS(TGAudioDevice, TGObject)
  // Opens the output: SDL's default device, else no output at all (sounds then load without
  // data and play as null states); the audio error when even that fails. A second device raises
  // the generic error. Output Buffer makes a device that plays only when its mixer is rendered.
  explicit TGAudioDevice(TGObject* AOwner = nullptr);
  TGAudioDevice(TGObject* AOwner, TMixOutput Output);

  TAudioMixer& Mixer() const { return *FMixer; }
  std::weak_ptr<TAudioMixer> MixerRef() const { return FMixer; }

  TGVolumeController* SoundVolumeController() const { return FSoundVolume; }
  TGVolumeController* MusicVolumeController() const { return FMusicVolume; }
  TGVolume MasterVolume() const { return FMasterVol; }
  void SetMasterVolume(TGVolume Value);
  TGVolume MusicVolume() const { return FMusicVol; }
  void SetMusicVolume(TGVolume Value);
  TGVolume GetSoundVolume() const { return FSoundVol; }
  TGVolume SoundVolume() const { return GetSoundVolume(); }
  void SetSoundVolume(TGVolume Value);
  bool Paused() const { return FPaused; }
  void SetPaused(bool Value);
  int32_t CrossfadeTime() const { return FCrossfadeTime; }
  void SetCrossfadeTime(int32_t Value) { FCrossfadeTime = Value; }
  TGAudioStateCollection* AudioStates() const { return FAudioStates; }
  TGAudioState* CurrentMusicState() const { return FMusicState; }
  TGAudio* CurrentMusic() const { return FMusic; }

  TGAudioState* PlaySfx(TGAudio* Sfx, bool Suspended = false);
  TGAudioState* PlaySfx(const std::string& URL, bool Suspended = false);
  // Plays music on the one music channel, crossfading from the music before; false when that
  // music was already the current one. A negative fade time means the crossfade time.
  bool PlayMusicEx(TGAudio* Music, bool PlayLooped, int32_t FadeTime, TGVolume Volume, float Pos);
  bool PlayMusicEx(const std::string& URL, bool PlayLooped, int32_t FadeTime, TGVolume Volume,
                   float Pos);
  void StopMusic();

  // The 10 ms housekeeping: collects stopped states (not the music's) while not paused.
  void OnTimer();
  // Runs OnTimer when 10 ms or more have passed since it last ran; the frame loop calls this.
  void Update(uint64_t TickCount);
  void OnDestroyMusicState(TGObject* Sender);

protected:
  void Destroy() override;

private:
  void OnDestroyMusic(TGObject* Sender);

  std::shared_ptr<TAudioMixer> FMixer;
  uint64_t FLastTimer = 0;
  bool FTimerStarted = false;
  TGAudio* FMusic = nullptr;
  TGAudioState* FMusicState = nullptr;
  int32_t FCrossfadeTime = 3000;
  bool FPaused = false;
  TGVolume FMasterVol = 100;
  TGVolume FSoundVol = 100;
  TGVolume FMusicVol = 65;
  TGVolumeController* FSoundVolume = nullptr;
  TGVolumeController* FMusicVolume = nullptr;
  TGAudioStateCollection* FAudioStates = nullptr;
};

// The process's audio device; set by its constructor.
extern TGAudioDevice* AD;

// A volume in 0..100, else ERangeError.
TGVolume CheckVolume(int64_t Value);
