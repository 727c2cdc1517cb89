// The demo's own sounds and music load and play through the engine.
#include "AudioTestUtils.h"
#include "app/UGClassTables.h"
#include "audio/UGAudio.h"
#include "audio/UGAudioSound.h"
#include "io/UGNativeFileSystem.h"
#include "player/UPlayList.h"
#include "resources/UGResource.h"
#include "resources/UGResourceLibrary.h"

#include <gtest/gtest.h>

using namespace AudioTest;

TEST(DemoSounds, EveryFileLoadsAndSounds) {
  RegisterEngineClasses();
  TGObjectPtr<TGAudioDevice> Device(new TGAudioDevice(nullptr, TMixOutput::Buffer));
  AD->SetMusicVolume(100);
  TGObjectPtr<TGResourceLibrary> Library(new TGResourceLibrary(nullptr));
  Library->SetErrorCallback(
      [](const std::string& URL, const std::string& Msg) { ADD_FAILURE() << URL << ": " << Msg; });
  Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
  for (const char* URL : {"Click.wav", "PickUp.ogg", "Chime.mp3", "Sea.ogg", "Tavern.xm",
                          "Music\\Harbour.ogg", "Music\\Lighthouse.ogg", "Music\\Arrival.ogg",
                          "Music\\Lumo2Title.ogg", "UI\\GameScreen\\PickupObj.ogg"}) {
    SCOPED_TRACE(URL);
    auto* Sound = dynamic_cast<TGAudio*>(Library->GetResourceEx(URL, false));
    ASSERT_NE(Sound, nullptr);
    TGAudioState* S = AD->PlayMusicEx(Sound, false, 0, 100, 0) ? AD->CurrentMusicState() : nullptr;
    ASSERT_NE(S, nullptr);
    EXPECT_GT(S->GetLength(), 0.02f);
    TRendered R = Render(AD->Mixer(), 0.03);
    EXPECT_GT(R.Level(0, R.Frames()), 0.005);
    AD->StopMusic();
  }
  // The playlist finds the music tracks, the menu's title tune among them.
  TGObjectPtr<TPlayList> List(New<TPlayList>(nullptr, Library.get()));
  EXPECT_EQ(List->List().Count(), 4);
  EXPECT_GE(List->List().IndexOf("Music\\Harbour.ogg"), 0);
  EXPECT_GE(List->List().IndexOf("Music\\Lumo2Title.ogg"), 0);
}
