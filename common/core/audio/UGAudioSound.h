// Sound resources (".ogg", ".wav", ".mp3") and module music (".xm", ".it", ".mo3"), and the
// states through which their playing channels are controlled.
#pragma once

#include "audio/UGAudio.h"

#include <atomic>
#include <memory>
#include <string>

class TAudioMixer;

// The mixer object behind a sound, shared by the sound and its clones; freed with the last.
class TGSoundHandle {
public:
  TGSoundHandle(std::weak_ptr<TAudioMixer> AMixer, uint32_t AHandle, TGSoundHandleType AType,
                std::shared_ptr<const std::string> AData = nullptr);
  ~TGSoundHandle();
  TGSoundHandle(const TGSoundHandle&) = delete;
  TGSoundHandle& operator=(const TGSoundHandle&) = delete;

  uint32_t BassHandle() const { return FBassHandle; }
  TGSoundHandleType SoundType() const { return FSoundType; }

private:
  std::weak_ptr<TAudioMixer> FMixer; // a handle outliving the device frees nothing
  uint32_t FBassHandle;
  TGSoundHandleType FSoundType;
  std::shared_ptr<const std::string> FDataStream; // the encoded file a stream plays from
};
using IGSoundHandle = std::shared_ptr<TGSoundHandle>;

class TGSound : public TGAudio {
  G_CLASS(TGSound, TGAudio)
  explicit TGSound(TGObject* AOwner = nullptr)
      : TGAudio(AOwner) {}

  TGVolume GetVolume() const override { return FVolume; }
  TGReverb GetReverb() const override { return FReverb; }
  TGPolyphony GetPolyphony() const override { return FPolyphony; }
  bool GetLoadAsSample() const override { return FLoadAsSample; }
  void SetVolume(TGVolume Value) override { FVolume = CheckVolume(Value); }
  void SetReverb(const TGReverb& Value) override { FReverb = Value; }
  void SetPolyphony(TGPolyphony Value) override;
  void SetLoadAsSample(bool Value) override { FLoadAsSample = Value; }
  TGAudioState* GetState(TGVolumeController* Controller) override;
  void StopAllInstances() override;

  // The "Audio" record: "Volume", "Polyphony", "LoadAsSample".
  void ImportAttributes(const TGXMLNode* Attributes) override;
  void ExportAttributes(TGXMLNode* Attributes) const override;
  // Keeps the file in memory: long files stream from it, short ones (or LoadAsSample) are
  // decoded into a sample. Without an output the sound stays silent (no handle).
  void LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) override;
  void AssignTo(TGObject* Dest) const override;

  const IGSoundHandle& Handle() const { return FHandle; }
  // Files longer than this stream unless loaded as samples.
  static constexpr int64_t CMaxSampleFileSize = 32767;

protected:
  TGVolume FVolume = 100;
  TGPolyphony FPolyphony = 10;
  TGReverb FReverb;
  IGSoundHandle FHandle;
  bool FLoadAsSample = false;
};

class TGModMusic : public TGSound {
  G_CLASS(TGModMusic, TGSound)
  explicit TGModMusic(TGObject* AOwner = nullptr)
      : TGSound(AOwner) {
    FPolyphony = 1;
  }

  // Modules have one instance.
  void SetPolyphony(TGPolyphony) override {}
  TGAudioState* GetState(TGVolumeController* Controller) override;
  // The "Audio" record: "Volume", "ReverbTime", "ReverbMix".
  void ImportAttributes(const TGXMLNode* Attributes) override;
  void ExportAttributes(TGXMLNode* Attributes) const override;
  void LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) override;
  void AssignTo(TGObject* Dest) const override;

  uint32_t ReverbFX() const { return FReverbFX; }

private:
  uint32_t FReverbFX = 0;
};

// The state of one playing channel of a sound.
class TGSoundState : public TGAudioState {
  G_CLASS(TGSoundState, TGAudioState)
  // Owned by (and listed in) the device's state collection.
  TGSoundState(TGObject* AOwner, uint32_t AHandle, TGVolume ABaseVolume,
               TGVolumeController* AMasterVolume);

  bool GetPaused() const override;
  void SetPaused(bool Value) override;
  bool GetIsStopped() const override;
  TGVolume GetVolume() const override { return FClientVolume; }
  // During a slide the slide is re-aimed at the new volume over the time it has left; a fade
  // that ends in a stop goes on to its stop.
  void SetVolume(TGVolume Value) override;
  TGPan GetPan() const override;
  void SetPan(TGPan Value) override;
  TGFreq GetFreq() const override;
  void SetFreq(TGFreq Value) override;
  bool GetLooped() const override;
  void SetLooped(bool Value) override;
  TGReverb GetReverb() const override { return FReverb; }
  void SetReverb(const TGReverb& Value) override { FReverb = Value; }
  void Stop() override;
  void Restart(float Seconds) override;
  void SlideVolume(TGVolume Value, int32_t Ms) override;
  void SlideVolumeAndStop(int32_t Ms) override;
  void SlidePan(TGPan Value, int32_t Ms) override;
  void SlideFreq(TGFreq Value, int32_t Ms) override;
  TGSlideTypes GetSlideType() const override;
  float GetLength() const override;
  float GetPlayingPosition() const override;

  // Base volume × controller × client volume / 10000.
  TGVolume GetRealVolume() const;
  void MasterVolumeChanged(TGObject* Sender);
  uint32_t BassHandle() const { return FBassHandle; }
  bool SlidingVolumeToStop() const { return FSlidingVolumeToStop; }

protected:
  void Destroy() override;
  TAudioMixer& Mixer() const;
  void SetChannelVolume();

  uint32_t FBassHandle;
  TGVolume FBaseVolume;
  TGVolume FClientVolume = 100;
  TGVolumeController* FMasterVolume;
  bool FSlidingVolumeToStop = false;
  TGReverb FReverb;
};

class TGModMusicState : public TGSoundState {
  G_CLASS(TGModMusicState, TGSoundState)
  TGModMusicState(TGObject* AOwner, uint32_t AMusic, uint32_t AReverbFX, TGVolume ABaseVolume,
                  TGVolumeController* AMasterVolume);

  bool GetLooped() const override { return FLooped; }
  void SetLooped(bool Value) override { FLooped = Value; }
  // Rewinds to the start (or to Seconds when above 0) and plays.
  void Restart(float Seconds) override;
  void SetReverb(const TGReverb& Value) override;
  // The mixer's error when the end callback could not be set (0: set).
  int SyncError() const { return FSyncError; }

protected:
  void Destroy() override;

private:
  // At the end of the module, on the mixing thread: rewinds when looping.
  void SyncProc(uint32_t Channel);

  uint32_t FReverbFX;
  uint32_t FLoopSync = 0;
  int FSyncError = 0;
  std::atomic<bool> FLooped{false}; // read by the mixing thread
};
