// The sound channel: plays a sound effect when the animation passes its key, or music on the
// audio device's music channel, and keeps their volume and pan on the channel's keys. A sound
// effect plays only when the clock reaches it within 250 ms of its key, so seeking over a key
// stays silent.
#pragma once

#include "animation/UGChannel.h"
#include "audio/UGAudio.h"

#include <cstdint>

class TGLiveAudio : public TGChannel {
  G_CLASS(TGLiveAudio, TGChannel)
public:
  explicit TGLiveAudio(TGObject* AOwner = nullptr);

  // How late after its key a sound effect may still start, milliseconds.
  static constexpr int32_t CSfxStartWindow = 250;

  void Update() override;
  // A sound has no extent.
  void AdjustBoundingBox(int32_t Time, TGVector& Min, TGVector& Max) override;
  // Forgets the state when the device frees it (a sound that ended, music replaced).
  void OnDestroySoundState(TGObject* Sender);

  TGAudioState* CurrentSoundState() const { return FCurrentSoundState; }
  TGAudio* CurrentSound() const { return FCurrentSound; }

  TGResourceSeq* AudioURL() const { return FAudioURL; }
  TGIntegerEnv* Volume() const { return FVolume; }
  TGIntegerEnv* Pan() const { return FPan; }
  TGBoolSeq* IsMusic() const { return FIsMusic; }
  TGBoolSeq* IsLooped() const { return FIsLooped; }
  TGIntegerEnv* CrossFadeTime() const { return FCrossFadeTime; }
  TGBoolSeq* UnbindSound() const { return FUnbindSound; }

  static void Publish(TGClassBuilder<TGLiveAudio>& B);

protected:
  // Leaves the sound playing when UnbindSound is keyed on at the channel's time; otherwise
  // fades it out over 100 ms.
  void Destroy() override;

private:
  void UpdateMusic(int32_t T, TGAudio* R);
  void UpdateSfx(int32_t T, TGAudio* R);
  // Stops and frees the state and forgets the sound.
  void Stop();
  // Frees a state of this channel; music freed this way is also forgotten by the device, so
  // that it can be started again.
  void FreeState(TGAudioState* State);
  void SetSound(TGAudio* Sound);
  void SetState(TGAudioState* State);
  void OnDestroySound(TGObject* Sender);
  // Volume and pan at T, checked against their ranges.
  TGVolume VolumeAt(int32_t T) const;
  TGPan PanAt(int32_t T) const;

  TGAudioState* FCurrentSoundState = nullptr;
  TGAudio* FCurrentSound = nullptr;
  // The time of the key that started the current sound effect.
  int32_t FSoundKeyTime = 0;
  int32_t FOldElapsedTime = 0;
  TGResourceSeq* FAudioURL = nullptr;
  TGIntegerEnv* FVolume = nullptr;
  TGIntegerEnv* FPan = nullptr;
  TGBoolSeq* FIsMusic = nullptr;
  TGBoolSeq* FIsLooped = nullptr;
  TGIntegerEnv* FCrossFadeTime = nullptr;
  TGBoolSeq* FUnbindSound = nullptr;
};
