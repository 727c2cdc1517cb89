#include "animation/UGLiveAudio.h"

G_IMPLEMENT_CLASS(TGLiveAudio)

TGLiveAudio::TGLiveAudio(TGObject* AOwner)
    : TGChannel(AOwner) {
  SetVar(FAudioURL, new TGResourceSeq("AudioURL", TGVariant::Null()));
  SetVar(FVolume, new TGIntegerEnv("Volume", TGVariant(int32_t{100})));
  SetVar(FPan, new TGIntegerEnv("Pan", TGVariant(int32_t{0})));
  SetVar(FIsMusic, new TGBoolSeq("IsMusic", TGVariant(false)));
  SetVar(FIsLooped, new TGBoolSeq("IsLooped", TGVariant(false)));
  SetVar(FCrossFadeTime, new TGIntegerEnv("CrossFadeTime", TGVariant(int32_t{50})));
  SetVar(FUnbindSound, new TGBoolSeq("UnbindSound", TGVariant(false)));
}

void TGLiveAudio::Publish(TGClassBuilder<TGLiveAudio>& B) {
  B.Property("AudioURL", &TGLiveAudio::AudioURL)
      .Property("Volume", &TGLiveAudio::Volume)
      .Property("Pan", &TGLiveAudio::Pan)
      .Property("IsMusic", &TGLiveAudio::IsMusic)
      .Property("IsLooped", &TGLiveAudio::IsLooped)
      .Property("CrossFadeTime", &TGLiveAudio::CrossFadeTime)
      .Property("UnbindSound", &TGLiveAudio::UnbindSound);
}

void TGLiveAudio::Destroy() {
  if (TGAudioState* State = FCurrentSoundState) {
    SetState(nullptr);
    if (!FUnbindSound->GetBoolValue(FElapsedTime)) {
      // The channel keeps fading once its state is gone.
      State->SlideVolumeAndStop(100);
      FreeState(State);
    }
  }
  SetSound(nullptr);
  inherited::Destroy();
}

void TGLiveAudio::AdjustBoundingBox(int32_t Time, TGVector& Min, TGVector& Max) {
  (void)Time;
  (void)Min;
  (void)Max;
}

TGVolume TGLiveAudio::VolumeAt(int32_t T) const {
  return CheckVolume(FVolume->Value(T).ToInt64());
}

TGPan TGLiveAudio::PanAt(int32_t T) const {
  const int64_t Pan = FPan->Value(T).ToInt64();
  if (Pan < -100 || Pan > 100) {
    throw ERangeError("Range check error");
  }
  return static_cast<TGPan>(Pan);
}

void TGLiveAudio::SetSound(TGAudio* Sound) {
  if (FCurrentSound == Sound) {
    return;
  }
  if (FCurrentSound) {
    UnSubscribe(FCurrentSound);
  }
  FCurrentSound = Sound;
  if (Sound) {
    Subscribe(TGNotification(Sound, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TGLiveAudio::OnDestroySound));
  }
}

void TGLiveAudio::SetState(TGAudioState* State) {
  if (FCurrentSoundState == State) {
    return;
  }
  if (FCurrentSoundState) {
    UnSubscribe(FCurrentSoundState);
  }
  FCurrentSoundState = State;
  if (State) {
    Subscribe(TGNotification(State, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TGLiveAudio::OnDestroySoundState));
  }
}

void TGLiveAudio::OnDestroySoundState(TGObject* Sender) {
  if (Sender == FCurrentSoundState) {
    FCurrentSoundState = nullptr;
  }
}

void TGLiveAudio::OnDestroySound(TGObject* Sender) {
  if (Sender == FCurrentSound) {
    FCurrentSound = nullptr;
  }
}

void TGLiveAudio::FreeState(TGAudioState* State) {
  const bool WasMusic = AD && State == AD->CurrentMusicState();
  State->Free();
  // The device would otherwise keep the music as its current one without a state, and refuse
  // to play it again.
  if (WasMusic && !AD->CurrentMusicState() && AD->CurrentMusic() == FCurrentSound) {
    AD->StopMusic();
  }
}

void TGLiveAudio::Stop() {
  if (TGAudioState* State = FCurrentSoundState) {
    SetState(nullptr);
    State->Stop();
    FreeState(State);
  }
  SetSound(nullptr);
}

void TGLiveAudio::Update() {
  const int32_t T = FElapsedTime;
  struct TRemember {
    TGLiveAudio* Self;
    int32_t T;
    ~TRemember() { Self->FOldElapsedTime = T; }
  } Remember{this, T};

  if (FFlags.Contains(mfDisableSounds) || !FVisible || !AD) {
    Stop();
    return;
  }
  // A key holding another kind of resource plays nothing.
  auto* R = dynamic_cast<TGAudio*>(FAudioURL->GetResValue(T));
  if (FIsMusic->GetBoolValue(T)) {
    UpdateMusic(T, R);
  } else {
    UpdateSfx(T, R);
  }
}

void TGLiveAudio::UpdateMusic(int32_t T, TGAudio* R) {
  if (R == FCurrentSound) {
    if (FCurrentSoundState) {
      // A running slide (the fade-in) is left to finish.
      const TGSlideTypes Slides = FCurrentSoundState->GetSlideType();
      if (!Slides.Contains(stVolume)) {
        FCurrentSoundState->SetVolume(VolumeAt(T));
      }
      if (!Slides.Contains(stPan)) {
        FCurrentSoundState->SetPan(PanAt(T));
      }
    }
    return;
  }
  if (!R) {
    Stop();
    return;
  }
  const TGVolume Volume = VolumeAt(T);
  const TGPan Pan = PanAt(T);
  // A sound effect of this channel stops; music of this channel is crossfaded by the device.
  if (FCurrentSoundState && FCurrentSoundState != AD->CurrentMusicState()) {
    Stop();
  }
  SetState(nullptr);
  SetSound(R);
  AD->PlayMusicEx(R, FIsLooped->GetBoolValue(T), FCrossFadeTime->GetIntValue(T), Volume, 0);
  SetState(AD->CurrentMusicState());
  if (FCurrentSoundState) {
    FCurrentSoundState->SetPan(Pan);
  }
}

void TGLiveAudio::UpdateSfx(int32_t T, TGAudio* R) {
  const int Key = FAudioURL->FindActiveTerm(T);
  const int32_t KeyTime = Key < 0 ? 0 : FAudioURL->Terms(Key).Time;
  // Another key of the same sound, and passing a key again after the clock went back (a looped
  // animation), start the sound again.
  const bool Restart =
      R != FCurrentSound || (R && (KeyTime != FSoundKeyTime || T < FOldElapsedTime));
  if (Restart) {
    Stop();
    if (R && int64_t{T} - KeyTime < CSfxStartWindow) {
      const TGVolume Volume = VolumeAt(T);
      const TGPan Pan = PanAt(T);
      SetSound(R);
      FSoundKeyTime = KeyTime;
      TGAudioState* State = AD->PlaySfx(R, true);
      SetState(State);
      State->SetVolume(Volume);
      State->SetPan(Pan);
      State->Restart(0);
    }
  } else if (R && FCurrentSoundState) {
    FCurrentSoundState->SetVolume(VolumeAt(T));
    FCurrentSoundState->SetPan(PanAt(T));
  }
}
