#include "audio/UGAudioSound.h"

#include "platform/UAudioMixer.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TGSound)
G_IMPLEMENT_CLASS(TGModMusic)
G_IMPLEMENT_CLASS(TGSoundState)
G_IMPLEMENT_CLASS(TGModMusicState)

namespace {

int32_t ClampedAttr(const TGXMLNode* Node, std::string_view Name, int32_t Current, int32_t Max) {
  return std::clamp(Node->GetIntAttrDef(Name, Current), 0, Max);
}

} // namespace

// --- Handle --------------------------------------------------------------------------------------

TGSoundHandle::TGSoundHandle(std::weak_ptr<TAudioMixer> AMixer, uint32_t AHandle,
                             TGSoundHandleType AType, std::shared_ptr<const std::string> AData)
    : FMixer(std::move(AMixer))
    , FBassHandle(AHandle)
    , FSoundType(AType)
    , FDataStream(std::move(AData)) {}

TGSoundHandle::~TGSoundHandle() {
  std::shared_ptr<TAudioMixer> M = FMixer.lock();
  if (!M) {
    return;
  }
  switch (FSoundType) {
  case shtSample:
    M->SampleFree(FBassHandle);
    break;
  case shtStream:
    M->StreamFree(FBassHandle);
    break;
  case shtMusic:
    M->MusicFree(FBassHandle);
    break;
  }
}

// --- Sounds --------------------------------------------------------------------------------------

void TGSound::SetPolyphony(TGPolyphony Value) {
  if (Value < 0 || Value > 10) {
    throw ERangeError("Range check error");
  }
  FPolyphony = Value;
}

void TGSound::ImportAttributes(const TGXMLNode* Attributes) {
  if (!Attributes) {
    return;
  }
  FVolume = ClampedAttr(Attributes, "Volume", FVolume, 100);
  FPolyphony = ClampedAttr(Attributes, "Polyphony", FPolyphony, 10);
  FLoadAsSample = Attributes->GetBoolAttrDef("LoadAsSample", FLoadAsSample);
}

void TGSound::ExportAttributes(TGXMLNode* Attributes) const {
  if (!Attributes) {
    return;
  }
  Attributes->SetName("Audio");
  Attributes->SetIntAttr("Volume", FVolume);
  Attributes->SetIntAttr("Polyphony", FPolyphony);
  Attributes->SetBoolAttr("LoadAsSample", FLoadAsSample);
}

void TGSound::LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) {
  (void)Context;
  if (FHandle) {
    throw Error("Assertion failure");
  }
  auto Data = std::make_shared<const std::string>(Stream.ReadAll());
  if (!AD) {
    return; // no device: a silent sound
  }
  TAudioMixer& M = AD->Mixer();
  uint32_t H = 0;
  TGSoundHandleType Type = shtSample;
  if (!FLoadAsSample && static_cast<int64_t>(Data->size()) > CMaxSampleFileSize) {
    Type = shtStream;
    H = M.StreamCreate(Data);
  } else {
    // A polyphony of 0 would refuse every channel: one playback at least.
    H = M.SampleLoad(Data->data(), Data->size(), std::max(FPolyphony, 1));
    Data.reset();
  }
  if (H == 0) {
    int Code = M.ErrorGetCode();
    if (Code == mxNotAvail) {
      return;
    }
    throw BassError(Code);
  }
  FHandle = std::make_shared<TGSoundHandle>(AD->MixerRef(), H, Type, std::move(Data));
}

TGAudioState* TGSound::GetState(TGVolumeController* Controller) {
  TGAudioStateCollection* Owner = AD ? AD->AudioStates() : nullptr;
  if (FVolume > 0 && FHandle && AD) {
    TAudioMixer& M = AD->Mixer();
    uint32_t Channel = FHandle->BassHandle();
    if (FHandle->SoundType() == shtSample) {
      Channel = M.SampleGetChannel(Channel);
      if (Channel == 0) {
        int Code = M.ErrorGetCode();
        if (Code != mxNoChan && Code != mxHandle) {
          throw BassError(Code);
        }
      }
    }
    if (Channel != 0) {
      return new TGSoundState(Owner, Channel, FVolume, Controller);
    }
  }
  return new TGNullAudioState(Owner);
}

void TGSound::StopAllInstances() {
  if (!FHandle || !AD) {
    return;
  }
  if (FHandle->SoundType() == shtSample) {
    AD->Mixer().SampleStop(FHandle->BassHandle());
  } else {
    AD->Mixer().ChannelStop(FHandle->BassHandle());
  }
}

void TGSound::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (TGSound* Target = ObjectCast<TGSound>(Dest); Target && Target != this) {
    Target->FVolume = FVolume;
    Target->FPolyphony = FPolyphony;
    Target->FReverb = FReverb;
    Target->FLoadAsSample = FLoadAsSample;
    Target->FHandle = FHandle;
  }
}

// --- Module music --------------------------------------------------------------------------------

void TGModMusic::ImportAttributes(const TGXMLNode* Attributes) {
  if (!Attributes) {
    return;
  }
  FVolume = ClampedAttr(Attributes, "Volume", FVolume, 100);
  FReverb.Time = static_cast<uint8_t>(ClampedAttr(Attributes, "ReverbTime", FReverb.Time, 100));
  FReverb.Mix = static_cast<uint8_t>(ClampedAttr(Attributes, "ReverbMix", FReverb.Mix, 100));
}

void TGModMusic::ExportAttributes(TGXMLNode* Attributes) const {
  if (!Attributes) {
    return;
  }
  Attributes->SetName("Audio");
  Attributes->SetIntAttr("Volume", FVolume);
  Attributes->SetIntAttr("ReverbTime", FReverb.Time);
  Attributes->SetIntAttr("ReverbMix", FReverb.Mix);
}

void TGModMusic::LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) {
  (void)Context;
  if (FHandle) {
    throw Error("Assertion failure");
  }
  std::string Data = Stream.ReadAll();
  if (!AD) {
    return;
  }
  TAudioMixer& M = AD->Mixer();
  uint32_t H = M.MusicLoad(Data.data(), Data.size());
  if (H == 0) {
    int Code = M.ErrorGetCode();
    if (Code == mxNotAvail) {
      return; // no output: silent, as sounds are
    }
    throw BassError(Code);
  }
  FHandle = std::make_shared<TGSoundHandle>(AD->MixerRef(), H, shtMusic);
  if (!FReverb.IsZero()) {
    FReverbFX = M.ChannelSetReverb(H);
  }
}

TGAudioState* TGModMusic::GetState(TGVolumeController* Controller) {
  TGAudioStateCollection* Owner = AD ? AD->AudioStates() : nullptr;
  if (FVolume > 0 && FHandle && AD) {
    AD->Mixer().MusicSetPosition(FHandle->BassHandle(), 0, 0);
    auto* State = new TGModMusicState(Owner, FHandle->BassHandle(), FReverbFX, FVolume, Controller);
    if (int Code = State->SyncError()) {
      State->Free();
      throw BassError(Code);
    }
    State->SetReverb(FReverb);
    return State;
  }
  return new TGNullAudioState(Owner);
}

void TGModMusic::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (TGModMusic* Target = dynamic_cast<TGModMusic*>(Dest); Target && Target != this) {
    Target->FReverbFX = FReverbFX;
  }
}

// --- Sound states --------------------------------------------------------------------------------

TGSoundState::TGSoundState(TGObject* AOwner, uint32_t AHandle, TGVolume ABaseVolume,
                           TGVolumeController* AMasterVolume)
    : TGAudioState(AOwner)
    , FBassHandle(AHandle)
    , FBaseVolume(ABaseVolume)
    , FMasterVolume(AMasterVolume) {
  SetVolume(100);
  if (FMasterVolume) {
    Subscribe(TGNotification(FMasterVolume, &TGVolumeController::NotifyVolumeChanged),
              TGNotifyEvent(this, &TGSoundState::MasterVolumeChanged));
  }
  if (TGCollection* C = dynamic_cast<TGCollection*>(AOwner)) {
    C->Add(this);
  }
}

TAudioMixer& TGSoundState::Mixer() const {
  if (!AD) {
    throw Error("No audio device");
  }
  return AD->Mixer();
}

TGVolume TGSoundState::GetRealVolume() const {
  int64_t Controller = FMasterVolume ? FMasterVolume->Value() : 100;
  return CheckVolume(static_cast<int64_t>(FBaseVolume) * Controller * FClientVolume / 10000);
}

void TGSoundState::SetChannelVolume() {
  Mixer().ChannelSetAttributes(FBassHandle, CMixKeepFreq, GetRealVolume(), CMixKeepPan);
}

void TGSoundState::SetVolume(TGVolume Value) {
  Value = CheckVolume(Value);
  if (Mixer().ChannelIsSliding(FBassHandle) & CSlidingVolume) {
    if (FSlidingVolumeToStop) {
      return; // the fade goes on to its stop
    }
    FClientVolume = Value;
    Mixer().ChannelRetargetSlides(FBassHandle, CMixKeepFreq, GetRealVolume(), CMixKeepPan);
    return;
  }
  FClientVolume = Value;
  SetChannelVolume();
}

void TGSoundState::MasterVolumeChanged(TGObject* Sender) {
  (void)Sender;
  if (Mixer().ChannelIsSliding(FBassHandle) & CSlidingVolume) {
    // Re-aimed over the time the slide has left; a fade-and-stop keeps aiming at silence.
    Mixer().ChannelRetargetSlides(FBassHandle, CMixKeepFreq, GetRealVolume(), CMixKeepPan);
  } else {
    SetChannelVolume();
  }
}

void TGSoundState::SlideVolume(TGVolume Value, int32_t Ms) {
  Value = CheckVolume(Value);
  if (Ms < 0) {
    throw ERangeError("Range check error");
  }
  FClientVolume = Value;
  Mixer().ChannelSlideAttributes(FBassHandle, CMixKeepFreq, GetRealVolume(), CMixKeepPan, Ms);
  FSlidingVolumeToStop = false;
}

void TGSoundState::SlideVolumeAndStop(int32_t Ms) {
  FClientVolume = 0;
  if (GetIsStopped()) {
    return;
  }
  if (Ms <= 0) {
    Mixer().ChannelStop(FBassHandle);
  } else {
    Mixer().ChannelSlideAttributes(FBassHandle, CMixKeepFreq, CMixFadeAndStop, CMixKeepPan, Ms);
  }
  FSlidingVolumeToStop = true;
}

TGPan TGSoundState::GetPan() const {
  int Pan = 0;
  Mixer().ChannelGetAttributes(FBassHandle, nullptr, nullptr, &Pan);
  return Pan;
}

void TGSoundState::SetPan(TGPan Value) {
  if (Value < -100 || Value > 100) {
    throw ERangeError("Range check error");
  }
  Mixer().ChannelSetAttributes(FBassHandle, CMixKeepFreq, CMixKeepVolume, Value);
}

void TGSoundState::SlidePan(TGPan Value, int32_t Ms) {
  if (Value < -100 || Value > 100 || Ms < 0) {
    throw ERangeError("Range check error");
  }
  Mixer().ChannelSlideAttributes(FBassHandle, CMixKeepFreq, CMixKeepVolume, Value, Ms);
}

TGFreq TGSoundState::GetFreq() const {
  int Freq = 0;
  Mixer().ChannelGetAttributes(FBassHandle, &Freq, nullptr, nullptr);
  return Freq;
}

void TGSoundState::SetFreq(TGFreq Value) {
  Mixer().ChannelSetAttributes(FBassHandle, Value, CMixKeepVolume, CMixKeepPan);
}

void TGSoundState::SlideFreq(TGFreq Value, int32_t Ms) {
  if (Ms < 0) {
    throw ERangeError("Range check error");
  }
  Mixer().ChannelSlideAttributes(FBassHandle, Value, CMixKeepVolume, CMixKeepPan, Ms);
}

bool TGSoundState::GetPaused() const {
  return Mixer().ChannelIsActive(FBassHandle) == maPaused;
}

void TGSoundState::SetPaused(bool Value) {
  if (Value) {
    Mixer().ChannelPause(FBassHandle);
  } else {
    Mixer().ChannelPlay(FBassHandle, false);
  }
}

bool TGSoundState::GetIsStopped() const {
  return Mixer().ChannelIsActive(FBassHandle) == maStopped;
}

bool TGSoundState::GetLooped() const {
  return (Mixer().ChannelGetFlags(FBassHandle) & CMixLoop) != 0;
}

void TGSoundState::SetLooped(bool Value) {
  TAudioMixer& M = Mixer();
  uint32_t Flags = M.ChannelGetFlags(FBassHandle);
  M.ChannelSetFlags(FBassHandle, Value ? Flags | CMixLoop : Flags & ~CMixLoop);
}

void TGSoundState::Stop() {
  Mixer().ChannelStop(FBassHandle);
}

void TGSoundState::Restart(float Seconds) {
  TAudioMixer& M = Mixer();
  if (Seconds > 0) {
    M.ChannelSetPosition(FBassHandle, Seconds);
    if (M.ChannelIsActive(FBassHandle) == maStopped) {
      M.ChannelPlay(FBassHandle, false);
    }
  } else {
    M.ChannelPlay(FBassHandle, true);
  }
}

TGSlideTypes TGSoundState::GetSlideType() const {
  uint32_t Bits = Mixer().ChannelIsSliding(FBassHandle);
  TGSlideTypes T;
  if (Bits & CSlidingFreq) {
    T.Include(stFreq);
  }
  if (Bits & CSlidingVolume) {
    T.Include(stVolume);
  }
  if (Bits & CSlidingPan) {
    T.Include(stPan);
  }
  return T;
}

float TGSoundState::GetLength() const {
  return static_cast<float>(std::max(0.0, Mixer().ChannelGetLength(FBassHandle)));
}

float TGSoundState::GetPlayingPosition() const {
  return static_cast<float>(std::max(0.0, Mixer().ChannelGetPosition(FBassHandle)));
}

void TGSoundState::Destroy() {
  if (AD) {
    TAudioMixer& M = AD->Mixer();
    // A looped sound would play for ever without its state; a one-shot plays to its end and a
    // fade-out goes on to its stop.
    if (M.ChannelIsActive(FBassHandle) == maPlaying && GetLooped() && !FSlidingVolumeToStop) {
      M.ChannelStop(FBassHandle);
    }
  }
  inherited::Destroy();
}

// --- Module music states -------------------------------------------------------------------------

TGModMusicState::TGModMusicState(TGObject* AOwner, uint32_t AMusic, uint32_t AReverbFX,
                                 TGVolume ABaseVolume, TGVolumeController* AMasterVolume)
    : TGSoundState(AOwner, AMusic, ABaseVolume, AMasterVolume)
    , FReverbFX(AReverbFX) {
  FLoopSync = Mixer().ChannelSetSync(AMusic, [this](uint32_t Channel) { SyncProc(Channel); });
  if (FLoopSync == 0) {
    FSyncError = Mixer().ErrorGetCode();
  }
}

void TGModMusicState::SyncProc(uint32_t Channel) {
  if (FLooped && AD) {
    AD->Mixer().MusicSetPosition(Channel, 0, 0);
  }
}

void TGModMusicState::Restart(float Seconds) {
  // Rewinding alone would leave a new music silent: it is played as well.
  TAudioMixer& M = Mixer();
  if (Seconds > 0) {
    M.ChannelSetPosition(FBassHandle, Seconds);
  } else {
    M.MusicSetPosition(FBassHandle, 0, 0);
  }
  M.ChannelPlay(FBassHandle, false);
}

void TGModMusicState::SetReverb(const TGReverb& Value) {
  FReverb = Value;
  if (FReverbFX != 0 && AD) {
    TMixReverbParams P;
    P.InGain = 0;
    P.ReverbMix = std::clamp((Value.Mix * 0.01f - 1.0f) * 96.0f, -96.0f, 0.0f);
    P.ReverbTime = std::clamp(Value.Time * 0.01f * 1200.0f, 0.001f, 1200.0f);
    P.HighFreqRTRatio = 0.001f;
    AD->Mixer().FXSetParameters(FReverbFX, P);
  }
}

void TGModMusicState::Destroy() {
  if (AD && FLoopSync != 0) {
    AD->Mixer().ChannelRemoveSync(FBassHandle, FLoopSync);
    FLoopSync = 0;
  }
  inherited::Destroy();
}
