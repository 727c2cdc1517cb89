#include "audio/UGAudio.h"

#include "base/UGDebug.h"
#include "platform/UAudioMixer.h"
#include "resources/UGResourceLibrary.h"

#include <algorithm>

TGAudioDevice* AD = nullptr;

G_IMPLEMENT_CLASS(TGVolumeController)
G_IMPLEMENT_CLASS(TGAudioState)
G_IMPLEMENT_CLASS(TGNullAudioState)
G_IMPLEMENT_CLASS(TGAudio)
G_IMPLEMENT_CLASS(TGAudioStateCollection)
G_IMPLEMENT_CLASS(TGAudioDevice)

// --- Errors --------------------------------------------------------------------------------------

namespace {

struct TErrorName {
  int Code;
  const char* Name;
};

constexpr TErrorName BassErrorStrings[] = {
    {1, "MEM"},       {2, "FILEOPEN"},  {3, "DRIVER"},   {4, "BUFLOST"},   {5, "HANDLE"},
    {6, "FORMAT"},    {7, "POSITION"},  {8, "INIT"},     {9, "START"},     {14, "ALREADY"},
    {16, "NOPAUSE"},  {18, "NOCHAN"},   {19, "ILLTYPE"}, {20, "ILLPARAM"}, {21, "NO3D"},
    {22, "NOEAX"},    {23, "DEVICE"},   {24, "NOPLAY"},  {25, "FREQ"},     {27, "NOTFILE"},
    {29, "NOHW"},     {31, "EMPTY"},    {32, "NONET"},   {33, "CREATE"},   {34, "NOFX"},
    {35, "PLAYING"},  {37, "NOTAVAIL"}, {38, "DECODE"},  {39, "DX"},       {40, "TIMEOUT"},
    {41, "FILEFORM"}, {42, "SPEAKER"},  {43, "VERSION"}, {44, "CODEC"},
};

} // namespace

std::string BASS_DecodeError(int Code) {
  if (Code == 0) {
    return "BASS_OK";
  }
  for (const TErrorName& E : BassErrorStrings) {
    if (E.Code == Code) {
      return std::string("BASS_ERROR_") + E.Name;
    }
  }
  return "BASS_ERROR_UNKNOWN";
}

EBassError BassError(int Code, TGSourceLocation Loc) {
  EGException E = ErrorAt(Format("Bass error #%d: %s", {Code, BASS_DecodeError(Code)}), Loc);
  return EBassError(E.Message(), E.Text());
}

TGVolume CheckVolume(int64_t Value) {
  if (Value < 0 || Value > 100) {
    throw ERangeError("Range check error");
  }
  return static_cast<TGVolume>(Value);
}

// --- Volume controller, null state ---------------------------------------------------------------

void TGVolumeController::SetVolumeValue(TGVolume Value) {
  Value = CheckVolume(Value);
  if (Value != FVolumeValue) {
    FVolumeValue = Value;
    NotifyVolumeChanged();
  }
}

void TGVolumeController::NotifyVolumeChanged() {
  Notify(TGNotification(this, &TGVolumeController::NotifyVolumeChanged));
}

TGNullAudioState::TGNullAudioState(TGObject* AOwner)
    : TGAudioState(AOwner) {
  if (TGCollection* C = dynamic_cast<TGCollection*>(AOwner)) {
    C->Add(this);
  }
}

// --- Device --------------------------------------------------------------------------------------

TGAudioDevice::TGAudioDevice(TGObject* AOwner)
    : TGAudioDevice(AOwner, TMixOutput::Device) {}

TGAudioDevice::TGAudioDevice(TGObject* AOwner, TMixOutput Output)
    : TGObject(AOwner) {
  if (AD) {
    throw Error();
  }
  FMixer = std::make_shared<TAudioMixer>();
  if (!FMixer->Init(Output)) {
    ODS("Audio output unavailable (Bass error #%d), running without sound", FMixer->ErrorGetCode());
    if (!FMixer->Init(TMixOutput::None)) {
      throw BassError(FMixer->ErrorGetCode());
    }
  }
  AD = this;
  FAudioStates = new TGAudioStateCollection(this);
  FSoundVolume = new TGVolumeController(this, 100);
  FMusicVolume = new TGVolumeController(this, 65);
  int OutputVolume = FMixer->GetVolume();
  if (OutputVolume != -1 && OutputVolume < 10) {
    FMixer->SetVolume(10);
  }
}

void TGAudioDevice::Destroy() {
  if (FMusicState) {
    UnSubscribe(FMusicState);
    FMusicState = nullptr;
  }
  if (FMusic) {
    UnSubscribe(FMusic);
    FMusic = nullptr;
  }
  FreeAndNil(FAudioStates);
  FreeAndNil(FSoundVolume);
  FreeAndNil(FMusicVolume);
  if (FMixer) {
    FMixer->Free();
    FMixer.reset();
  }
  if (AD == this) {
    AD = nullptr;
  }
  inherited::Destroy();
}

void TGAudioDevice::SetMasterVolume(TGVolume Value) {
  Value = CheckVolume(Value);
  if (Value == FMasterVol) {
    return;
  }
  FMasterVol = Value;
  FMusicVolume->SetVolumeValue(FMasterVol * FMusicVol / 100);
  FSoundVolume->SetVolumeValue(FMasterVol * FSoundVol / 100);
}

void TGAudioDevice::SetMusicVolume(TGVolume Value) {
  FMusicVol = CheckVolume(Value);
  FMusicVolume->SetVolumeValue(FMasterVol * FMusicVol / 100);
}

void TGAudioDevice::SetSoundVolume(TGVolume Value) {
  FSoundVol = CheckVolume(Value);
  FSoundVolume->SetVolumeValue(FMasterVol * FSoundVol / 100);
}

void TGAudioDevice::SetPaused(bool Value) {
  if (Value == FPaused) {
    return;
  }
  if (Value) {
    FMixer->Pause();
  } else {
    FMixer->Start();
  }
  FPaused = Value;
}

TGAudioState* TGAudioDevice::PlaySfx(TGAudio* Sfx, bool Suspended) {
  if (!Sfx) {
    return new TGNullAudioState(FAudioStates);
  }
  TGAudioState* State = Sfx->GetState(FSoundVolume);
  if (!Suspended) {
    State->Restart(0);
  }
  return State;
}

namespace {

// The sound of the program's library (an invalid-cast error for another class); none without a
// library.
TGAudio* AudioOf(const std::string& URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  return Library ? ObjectCast<TGAudio>(Library->GetResource(URL)) : nullptr;
}

} // namespace

TGAudioState* TGAudioDevice::PlaySfx(const std::string& URL, bool Suspended) {
  return PlaySfx(AudioOf(URL), Suspended);
}

bool TGAudioDevice::PlayMusicEx(TGAudio* Music, bool PlayLooped, int32_t FadeTime, TGVolume Volume,
                                float Pos) {
  Volume = CheckVolume(Volume);
  if (FadeTime < 0) {
    FadeTime = FCrossfadeTime;
  }
  if (!Music) {
    StopMusic();
    return false;
  }
  if (Music == FMusic) {
    if (!FMusicState) {
      return false;
    }
    if (FMusicState->IsStopped()) {
      FMusicState->Restart(0);
    }
    FMusicState->SlideVolume(Volume, FadeTime);
    return false;
  }
  if (FMusic) {
    UnSubscribe(FMusic);
  }
  FMusic = Music;
  // The resource's own notification: its record is never shared with the destroy links, so
  // this handler always runs before the links are cut.
  Subscribe(TGNotification(Music, &TGResource::NotifyResourceDestroy),
            TGNotifyEvent(this, &TGAudioDevice::OnDestroyMusic));
  bool Crossfade = FMusicState != nullptr;
  if (Crossfade) {
    // The old channel keeps fading and stops by itself once its state is gone.
    TGAudioState* Old = FMusicState;
    FMusicState = nullptr;
    UnSubscribe(Old);
    Old->SlideVolumeAndStop(FadeTime);
    Old->Free();
  }
  TGAudioState* State = Music->GetState(FMusicVolume);
  FMusicState = State;
  Subscribe(TGNotification(State, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TGAudioDevice::OnDestroyMusicState));
  State->SetLooped(PlayLooped);
  bool Fade = Crossfade || FadeTime > 0;
  State->SetVolume(Fade ? 0 : Volume);
  State->Restart(Pos);
  if (Fade) {
    State->SlideVolume(Volume, FadeTime);
  }
  return true;
}

bool TGAudioDevice::PlayMusicEx(const std::string& URL, bool PlayLooped, int32_t FadeTime,
                                TGVolume Volume, float Pos) {
  return PlayMusicEx(AudioOf(URL), PlayLooped, FadeTime, Volume, Pos);
}

void TGAudioDevice::StopMusic() {
  if (FMusicState) {
    TGAudioState* State = FMusicState;
    FMusicState = nullptr;
    UnSubscribe(State);
    if (State->IsStopped()) {
      State->Stop();
    } else {
      State->SlideVolumeAndStop(FCrossfadeTime);
    }
    State->Free();
  }
  if (FMusic) {
    UnSubscribe(FMusic);
    FMusic = nullptr;
  }
}

void TGAudioDevice::OnTimer() {
  if (FPaused || !FAudioStates) {
    return;
  }
  for (int I = FAudioStates->GetCount() - 1; I >= 0; --I) {
    if (I >= FAudioStates->GetCount()) {
      continue; // a destroy handler freed others
    }
    TGAudioState* S = FAudioStates->GetItem(I);
    if (S != FMusicState && S->IsStopped()) {
      FAudioStates->Remove(S);
    }
  }
}

void TGAudioDevice::Update(uint64_t TickCount) {
  if (!FTimerStarted || TickCount < FLastTimer || TickCount - FLastTimer >= 10) {
    FTimerStarted = true;
    FLastTimer = TickCount;
    OnTimer();
  }
}

void TGAudioDevice::OnDestroyMusicState(TGObject* Sender) {
  if (Sender == FMusicState) {
    FMusicState = nullptr;
  }
}

void TGAudioDevice::OnDestroyMusic(TGObject* Sender) {
  if (Sender == FMusic) {
    FMusic = nullptr;
  }
}
