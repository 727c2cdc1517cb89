// The audio device, sound resources and states, driven through a mixer that renders into
// buffers.
#include "AudioTestUtils.h"
#include "TestProgram.h"
#include "UXMWriter.h"
#include "app/UGApp.h"
#include "app/UGAppFramework.h"
#include "audio/UGAudio.h"
#include "audio/UGAudioSound.h"
#include "io/UGStream.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace AudioTest;

namespace {

template <class T = TGSound>
TGObjectPtr<T> LoadSound(const std::string& Data, int Volume = 100, bool AsSample = true) {
  TGObjectPtr<T> S(new T());
  S->SetVolume(Volume);
  S->SetLoadAsSample(AsSample);
  TGMemoryStream Stream(Data);
  S->LoadFromStream(Stream, nullptr);
  return S;
}

std::string LoopModule() {
  XMWriter::TModule Mod;
  Mod.Channels = 1;
  Mod.Orders = {0};
  XMWriter::TPattern P;
  P.Rows = 4;
  P.Cells.resize(4);
  P.Cells[0].Note = 49;
  P.Cells[0].Instrument = 1;
  Mod.Patterns.push_back(P);
  XMWriter::TSample S;
  S.Data = XMWriter::Cycle(0);
  Mod.Instruments.push_back(S);
  return XMWriter::Write(Mod);
}

class AudioDeviceTest : public ::testing::Test {
protected:
  void SetUp() override { Device.reset(new TGAudioDevice(nullptr, TMixOutput::Buffer)); }
  void TearDown() override {
    Sounds.clear();
    Device.reset();
  }
  TRendered Play(double Seconds) { return Render(AD->Mixer(), Seconds); }
  TGSound* Keep(TGObjectPtr<TGSound> S) {
    Sounds.push_back(std::move(S));
    return Sounds.back().get();
  }

  TGObjectPtr<TGAudioDevice> Device;
  std::vector<TGObjectPtr<TGSound>> Sounds;
};

} // namespace

TEST(AudioErrors, NamesFollowTheTable) {
  EXPECT_EQ(BASS_DecodeError(0), "BASS_OK");
  EXPECT_EQ(BASS_DecodeError(37), "BASS_ERROR_NOTAVAIL");
  EXPECT_EQ(BASS_DecodeError(44), "BASS_ERROR_CODEC");
  EXPECT_EQ(BASS_DecodeError(18), "BASS_ERROR_NOCHAN");
  for (int Code : {10, 11, 12, 13, 15, 17, 26, 28, 30, 36, 45, -1}) {
    EXPECT_EQ(BASS_DecodeError(Code), "BASS_ERROR_UNKNOWN") << Code;
  }
  EXPECT_EQ(BassError(41).Text(), "Bass error #41: BASS_ERROR_FILEFORM");
}

TEST_F(AudioDeviceTest, TheVolumeModelCombinesThreeLevels) {
  EXPECT_EQ(AD->MusicVolumeController()->Value(), 65);
  EXPECT_EQ(AD->SoundVolumeController()->Value(), 100);
  TGSound* Music = Keep(LoadSound(MakeDC(1.0f, 2.0), 80));
  AD->SetMasterVolume(50);
  EXPECT_EQ(AD->MusicVolumeController()->Value(), 32);
  EXPECT_EQ(AD->SoundVolumeController()->Value(), 50);
  ASSERT_TRUE(AD->PlayMusicEx(Music, false, 0, 100, 0));
  auto* State = dynamic_cast<TGSoundState*>(AD->CurrentMusicState());
  ASSERT_NE(State, nullptr);
  EXPECT_EQ(State->GetRealVolume(), 25);
  EXPECT_NEAR(Play(0.05).Level(0, 2000), 0.25, 0.002);
  // Controller changes reach playing states at once.
  AD->SetMusicVolume(100);
  EXPECT_EQ(State->GetRealVolume(), 40);
  EXPECT_NEAR(Play(0.05).Level(0, 2000), 0.40, 0.002);
  AD->SetMasterVolume(100);
  State->SetVolume(50);
  EXPECT_NEAR(Play(0.05).Level(0, 2000), 0.40, 0.002);
  EXPECT_THROW(AD->SetMasterVolume(101), ERangeError);
  EXPECT_THROW(State->SetVolume(-1), ERangeError);
}

TEST_F(AudioDeviceTest, SlidesFollowTheControllerAndKeepTheirTime) {
  TGSound* Sound = Keep(LoadSound(MakeDC(1.0f, 3.0)));
  TGAudioState* S = AD->PlaySfx(Sound);
  S->SlideVolume(0, 1000);
  EXPECT_TRUE(S->GetSlideType().Contains(stVolume));
  Play(0.5);
  // Halving the sound volume half way re-aims the slide instead of cutting it.
  AD->SetSoundVolume(50);
  TRendered R = Play(0.3);
  EXPECT_GT(R.LevelAt(0.05), 0.2);
  EXPECT_TRUE(S->GetSlideType().Contains(stVolume));
  // A caller's volume during a slide also slides, over the time left: from 20 to 50 in 200 ms.
  S->SetVolume(100);
  R = Play(0.3);
  EXPECT_NEAR(R.LevelAt(0.1), 0.35, 0.01);
  EXPECT_NEAR(R.LevelAt(0.25), 0.5, 0.01);
  EXPECT_EQ(S->Volume(), 100);
}

TEST_F(AudioDeviceTest, ALoopedFadeAndStopStopsEvenWhenTheVolumeChanges) {
  TGSound* Sound = Keep(LoadSound(MakeDC(1.0f, 0.2)));
  TGAudioState* S = AD->PlaySfx(Sound);
  S->SetLooped(true);
  EXPECT_TRUE(S->Looped());
  S->SlideVolumeAndStop(400);
  Play(0.2);
  S->SetVolume(100);
  AD->SetSoundVolume(80);
  TRendered R = Play(0.15);
  EXPECT_LT(R.LevelAt(0.14), 0.2);
  Play(0.1);
  EXPECT_TRUE(S->IsStopped());
  // Stopped states are collected by the timer.
  int Before = AD->AudioStates()->GetCount();
  AD->OnTimer();
  EXPECT_EQ(AD->AudioStates()->GetCount(), Before - 1);
  // A fade-and-stop of 0 ms stops at once.
  TGAudioState* T = AD->PlaySfx(Sound);
  T->SlideVolumeAndStop(0);
  EXPECT_TRUE(T->IsStopped());
  EXPECT_THROW(AD->PlaySfx(Sound)->SlideVolume(50, -1), ERangeError);
}

TEST_F(AudioDeviceTest, CrossfadeFadesTheOldMusicOutAndTheNewIn) {
  TGSound* A = Keep(LoadSound(MakeDC(1.0f, 5.0)));
  TGSound* B = Keep(LoadSound(MakeDC(1.0f, 5.0)));
  AD->SetMusicVolume(100);
  ASSERT_TRUE(AD->PlayMusicEx(A, false, 0, 100, 0));
  AD->CurrentMusicState()->SetPan(-100);
  EXPECT_NEAR(Play(0.1).LevelAt(0.05), 1.0, 0.01);
  // The same music again only re-slides the volume.
  EXPECT_FALSE(AD->PlayMusicEx(A, false, 0, 50, 0));
  EXPECT_NEAR(Play(0.1).LevelAt(0.05), 0.5, 0.01);
  AD->CurrentMusicState()->SetVolume(100);
  ASSERT_TRUE(AD->PlayMusicEx(B, false, -1, 100, 0));
  AD->CurrentMusicState()->SetPan(100);
  TRendered R = Play(3.2);
  EXPECT_NEAR(R.LevelAt(1.5, 0), 0.5, 0.02); // A, on the left
  EXPECT_NEAR(R.LevelAt(1.5, 1), 0.5, 0.02); // B, on the right
  EXPECT_NEAR(R.LevelAt(0.75, 1), 0.25, 0.02);
  EXPECT_LT(R.LevelAt(3.1, 0), 0.001);
  EXPECT_NEAR(R.LevelAt(3.1, 1), 1.0, 0.01);
  // The old channel has stopped and its state is gone; the music state stays.
  AD->OnTimer();
  EXPECT_EQ(AD->AudioStates()->GetCount(), 1);
  AD->StopMusic();
  EXPECT_EQ(AD->CurrentMusicState(), nullptr);
  Play(3.1);
  EXPECT_EQ(AD->Mixer().PlayingChannels(), 0);
  // A music that ended starts again when asked for once more.
  ASSERT_TRUE(AD->PlayMusicEx(A, false, 0, 100, 4.9f));
  Play(0.2);
  EXPECT_TRUE(AD->CurrentMusicState()->IsStopped());
  EXPECT_FALSE(AD->PlayMusicEx(A, false, 0, 100, 0));
  EXPECT_FALSE(AD->CurrentMusicState()->IsStopped());
}

TEST_F(AudioDeviceTest, PolyphonyReusesChannelsAndOldStatesLoseControl) {
  TGObjectPtr<TGSound> Two(new TGSound());
  Two->SetPolyphony(2);
  Two->SetLoadAsSample(true);
  TGMemoryStream Data(MakeDC(0.1f, 2.0));
  Two->LoadFromStream(Data, nullptr);
  TGAudioState* S1 = AD->PlaySfx(Two.get());
  Play(0.01);
  TGAudioState* S2 = AD->PlaySfx(Two.get());
  Play(0.01);
  TGAudioState* S3 = AD->PlaySfx(Two.get());
  EXPECT_TRUE(S1->IsStopped());
  EXPECT_FALSE(S2->IsStopped());
  EXPECT_FALSE(S3->IsStopped());
  // The first state's channel now plays the third sound: changing it does nothing.
  S1->SetVolume(0);
  S1->Stop();
  EXPECT_NEAR(Play(0.05).Level(0, 2000), 0.2, 0.003);
  AD->OnTimer();
  EXPECT_EQ(AD->AudioStates()->IndexOf(S1), -1);
  Two->StopAllInstances();
  EXPECT_TRUE(S2->IsStopped());
  EXPECT_TRUE(S3->IsStopped());
  // Loading twice into one resource is refused.
  TGMemoryStream Again(MakeDC(0.1f, 0.1));
  EXPECT_THROW(Two->LoadFromStream(Again, nullptr), EGException);
}

TEST_F(AudioDeviceTest, FreeingAStateStopsLoopsButLetsOneShotsFinish) {
  TGSound* Sound = Keep(LoadSound(MakeDC(0.5f, 0.3)));
  TGAudioState* Loop = AD->PlaySfx(Sound);
  Loop->SetLooped(true);
  TGAudioState* Once = AD->PlaySfx(Sound);
  Loop->SetPan(-100);
  Once->SetPan(100);
  Loop->Free();
  Once->Free();
  TRendered R = Play(0.1);
  EXPECT_EQ(R.Level(0, 4000, 0), 0.0);
  EXPECT_NEAR(R.Level(0, 4000, 1), 0.5, 0.002);
}

TEST_F(AudioDeviceTest, NullStatesForSilentSoundsAndPausedOutput) {
  TGSound* Mute = Keep(LoadSound(MakeDC(0.5f, 0.3), 0));
  TGAudioState* S = AD->PlaySfx(Mute);
  EXPECT_NE(dynamic_cast<TGNullAudioState*>(S), nullptr);
  EXPECT_TRUE(S->IsStopped());
  S->SetVolume(50);
  S->SetLooped(true);
  EXPECT_EQ(S->Volume(), 100);
  EXPECT_FALSE(S->Looped());
  EXPECT_EQ(S->Freq(), 44100);
  EXPECT_NE(dynamic_cast<TGNullAudioState*>(AD->PlaySfx(static_cast<TGAudio*>(nullptr))), nullptr);
  // Pausing the device silences the output and keeps stopped states.
  TGSound* Sound = Keep(LoadSound(MakeDC(0.5f, 0.3)));
  TGAudioState* P = AD->PlaySfx(Sound);
  AD->SetPaused(true);
  EXPECT_TRUE(AD->Paused());
  EXPECT_EQ(Play(0.05).Level(0, 2000), 0.0);
  int Count = AD->AudioStates()->GetCount();
  AD->OnTimer();
  EXPECT_EQ(AD->AudioStates()->GetCount(), Count);
  AD->SetPaused(false);
  EXPECT_NEAR(Play(0.05).Level(0, 2000), 0.5, 0.002);
  P->SetPaused(true);
  EXPECT_TRUE(P->Paused());
  EXPECT_EQ(Play(0.05).Level(0, 2000), 0.0);
  P->SetPaused(false);
  EXPECT_NEAR(Play(0.05).Level(0, 2000), 0.5, 0.002);
  P->SetFreq(22050);
  EXPECT_EQ(P->Freq(), 22050);
  EXPECT_NEAR(P->GetLength(), 0.3, 0.001);
}

TEST_F(AudioDeviceTest, LongFilesStreamAndBadFilesNameTheError) {
  // Over 32767 bytes and not marked as a sample: a stream.
  TGSound* Long = Keep(LoadSound(MakeSine(441, 1.0), 100, false));
  ASSERT_TRUE(Long->Handle());
  EXPECT_EQ(Long->Handle()->SoundType(), shtStream);
  TGSound* Short = Keep(LoadSound(MakeSine(441, 0.1), 100, false));
  EXPECT_EQ(Short->Handle()->SoundType(), shtSample);
  TGAudioState* S = AD->PlaySfx(Long);
  S->Restart(0.5f);
  Play(0.1);
  EXPECT_NEAR(S->GetPlayingPosition(), 0.6, 0.02);
  try {
    LoadSound(std::string(40000, 'x'), 100, false);
    FAIL() << "junk loaded";
  } catch (const EBassError& E) {
    EXPECT_EQ(E.Text(), "Bass error #41: BASS_ERROR_FILEFORM");
  }
  EXPECT_THROW(LoadSound<TGModMusic>("Extended Module: broken"), EBassError);
}

TEST_F(AudioDeviceTest, AttributesAreReadLimitedAndWritten) {
  TGObjectPtr<TGXMLNode> A(new TGXMLNode("Audio"));
  A->SetIntAttr("Volume", 150);
  A->SetIntAttr("Polyphony", 3);
  A->SetBoolAttr("LoadAsSample", true);
  TGObjectPtr<TGSound> S(new TGSound());
  S->ImportAttributes(A.get());
  EXPECT_EQ(S->Volume(), 100);
  EXPECT_EQ(S->Polyphony(), 3);
  EXPECT_TRUE(S->LoadAsSample());
  TGObjectPtr<TGXMLNode> Partial(new TGXMLNode("Audio"));
  Partial->SetIntAttr("Volume", 40);
  S->ImportAttributes(Partial.get());
  EXPECT_EQ(S->Polyphony(), 3);
  TGObjectPtr<TGModMusic> M(new TGModMusic());
  EXPECT_EQ(M->Polyphony(), 1);
  M->SetPolyphony(5);
  EXPECT_EQ(M->Polyphony(), 1);
  A->SetIntAttr("ReverbTime", 50);
  A->SetIntAttr("ReverbMix", -5);
  M->ImportAttributes(A.get());
  EXPECT_EQ(M->GetReverb().Time, 50);
  EXPECT_EQ(M->GetReverb().Mix, 0);
  TGObjectPtr<TGXMLNode> Out(new TGXMLNode("x"));
  M->ExportAttributes(Out.get());
  EXPECT_EQ(Out->Name(), "Audio");
  EXPECT_EQ(Out->GetIntAttr("ReverbTime"), 50);
}

TEST_F(AudioDeviceTest, ModuleMusicStartsAndLoopsSeamlessly) {
  auto Mod = LoadSound<TGModMusic>(LoopModule());
  AD->SetMusicVolume(100);
  // A new module music sounds at once.
  ASSERT_TRUE(AD->PlayMusicEx(Mod.get(), true, 0, 100, 0));
  TRendered R = Play(1.6);
  for (size_t From = 0; From + 220 < R.Frames(); From += 220) {
    ASSERT_GT(R.Level(From, From + 220), 0.01) << "silence at frame " << From;
  }
  EXPECT_FALSE(AD->CurrentMusicState()->IsStopped());
  // Not looped, it ends.
  AD->CurrentMusicState()->SetLooped(false);
  Play(0.6);
  EXPECT_TRUE(AD->CurrentMusicState()->IsStopped());
  AD->StopMusic();
  // A module with reverb keeps its effect across states.
  TGObjectPtr<TGModMusic> Wet(new TGModMusic());
  TGObjectPtr<TGXMLNode> A(new TGXMLNode("Audio"));
  A->SetIntAttr("ReverbMix", 80);
  A->SetIntAttr("ReverbTime", 50);
  Wet->ImportAttributes(A.get());
  TGMemoryStream Data(LoopModule());
  Wet->LoadFromStream(Data, nullptr);
  EXPECT_NE(Wet->ReverbFX(), 0u);
  TGAudioState* S = AD->PlaySfx(Wet.get());
  EXPECT_EQ(S->Reverb().Mix, 80);
  EXPECT_GT(Play(0.2).Level(0, 8000), 0.01);
  S->Free();
  Wet.reset();
}

TEST(AudioDeviceLifetime, WithoutOutputSoundsAreSilentAndMusicCallsReturn) {
  TGObjectPtr<TGAudioDevice> Device(new TGAudioDevice(nullptr, TMixOutput::None));
  EXPECT_THROW(new TGAudioDevice(nullptr, TMixOutput::None), EGException);
  TGObjectPtr<TGSound> S = LoadSound(MakeDC(0.5f, 0.1));
  EXPECT_FALSE(S->Handle());
  EXPECT_TRUE(AD->PlaySfx(S.get())->IsStopped());
  TGObjectPtr<TGModMusic> M = LoadSound<TGModMusic>(LoopModule());
  EXPECT_TRUE(AD->PlayMusicEx(M.get(), true, -1, 100, 0));
  EXPECT_TRUE(AD->CurrentMusicState()->IsStopped());
  AD->StopMusic();
  // A sound that outlives the device frees nothing.
  Device.reset();
  EXPECT_EQ(AD, nullptr);
}

TEST_F(AudioDeviceTest, TheDeviceForgetsAMusicThatIsFreed) {
  TGSound* A = new TGSound();
  TGMemoryStream Data(MakeDC(0.5f, 0.2));
  A->LoadFromStream(Data, nullptr);
  TGSound* B = Keep(LoadSound(MakeDC(0.5f, 0.2)));
  // Another watcher of A keeps its destroy record alive while the device switches away from A
  // and back, so the device's handlers land in reused slots.
  TGObjectPtr<TGObject> Watcher(new TGObject());
  TGObject::Subscribe(TGNotification(A, &TGObject::NotifyDestroy),
                      TGNotifyEvent(Watcher.get(), &TGObject::OnDestroySubscribedObject));
  AD->PlayMusicEx(A, false, 0, 100, 0);
  AD->PlayMusicEx(B, false, 0, 100, 0);
  AD->PlayMusicEx(A, false, 0, 100, 0);
  EXPECT_EQ(AD->CurrentMusic(), A);
  A->Free();
  EXPECT_EQ(AD->CurrentMusic(), nullptr);
  AD->StopMusic();
}

TEST_F(AudioDeviceTest, TheApplicationPausesAudioWhileInactiveAndCollectsInItsFrames) {
  // The frame and the application object read the product's identity from their folder.
  TTestProgram Program("Audio Test");
  Program.Frame();
  TGObjectPtr<TGApp> Application(new TGApp(TGAppParams{}));
  Application->AppActivate();
  EXPECT_FALSE(AD->Paused());
  TGSound* Sound = Keep(LoadSound(MakeDC(0.5f, 0.05)));
  AD->PlaySfx(Sound);
  Application->AppDeactivate();
  EXPECT_TRUE(AD->Paused());
  EXPECT_EQ(Play(0.1).Level(0, 4000), 0.0);
  Application->AppActivate();
  EXPECT_FALSE(AD->Paused());
  Play(0.1);
  // The frame's idle turn runs the collector.
  EXPECT_EQ(AD->AudioStates()->GetCount(), 1);
  Application->Idle(0);
  EXPECT_EQ(AD->AudioStates()->GetCount(), 0);
  Application.reset();
}
