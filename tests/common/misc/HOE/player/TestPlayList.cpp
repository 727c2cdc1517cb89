// The playlist and the music manager over a folder of short tracks, with the mixer rendered as
// the frames go by.
#include "AudioTestUtils.h"
#include "TempDir.h"
#include "app/UGClassTables.h"
#include "audio/UGAudio.h"
#include "base/UGRandom.h"
#include "io/UGNativeFileSystem.h"
#include "player/UMusicManager.h"
#include "player/UPlayList.h"
#include "resources/UGResource.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace AudioTest;
namespace fs = std::filesystem;

namespace {

class PlayListTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterEngineClasses();
    fs::create_directories(Root / "sfx" / "Music");
    // Half-second tracks (WAV data: the decoder goes by the content, not the name).
    for (const char* Name : {"A", "B", "C", "D"}) {
      std::ofstream(Root / "sfx" / "Music" / (std::string(Name) + ".ogg"), std::ios::binary)
          << MakeDC(0.5f, 0.5);
    }
    std::ofstream(Root / "sfx" / "Music" / "notes.txt") << "not music";
    Device.reset(new TGAudioDevice(nullptr, TMixOutput::Buffer));
    AD->SetMusicVolume(100);
    Library.reset(new TGResourceLibrary(nullptr));
    Library->Load(new TGNativeFileSystem(nullptr, Root.string()), nullptr, rdtCommon, 0);
    List.reset(New<TPlayList>(nullptr, Library.get()));
  }
  void TearDown() override {
    Manager.reset();
    List.reset();
    Library.reset();
    Device.reset();
  }

  // Frames of 10 ms: the mixer plays, the playlist and the manager update, the device collects.
  void Run(double Seconds) {
    for (int I = 0; I < static_cast<int>(Seconds * 100 + 0.5); ++I) {
      Render(AD->Mixer(), 0.01);
      List->Update(0.01f);
      if (Manager) {
        Manager->Update(0.01f);
      }
      AD->OnTimer();
    }
  }
  std::string Current() const {
    return AD->CurrentMusic() && AD->CurrentMusicState() && !AD->CurrentMusicState()->IsStopped()
               ? AD->CurrentMusic()->URL()
               : std::string();
  }
  // The list in order 1, 2, 3, 4.
  void Unshuffle() { List->SetShuffled(false); }

  TTempDir Scratch{"hoe-playlist"};
  const fs::path Root = Scratch.Path();
  TGObjectPtr<TGAudioDevice> Device;
  TGObjectPtr<TGResourceLibrary> Library;
  TGObjectPtr<TPlayList> List;
  TGObjectPtr<TMusicManager> Manager;
};

} // namespace

TEST_F(PlayListTest, CreationListsShufflesAndLeavesTheProgramGeneratorAlone) {
  ASSERT_EQ(List->List().Count(), 4);
  EXPECT_TRUE(List->Stopped());
  EXPECT_TRUE(List->Shuffled());
  EXPECT_TRUE(List->Enabled());
  EXPECT_EQ(List->CurrentIdx(), 0);
  std::vector<int> Orders;
  for (int I = 0; I < 4; ++I) {
    EXPECT_EQ(List->List()[I].rfind("Music\\", 0), 0u);
    Orders.push_back(static_cast<int>(List->List().GetData(I)));
  }
  std::sort(Orders.begin(), Orders.end());
  EXPECT_EQ(Orders, (std::vector<int>{1, 2, 3, 4}));
  // Shuffling draws from the playlist's own generator.
  GlobalRandom().SetSeed(1234);
  List->SetShuffled(true);
  List->ShuffleList();
  EXPECT_EQ(GlobalRandom().Seed(), 1234u);
  // With a fixed seed two shuffles agree.
  List->SetFixedSeed(true);
  List->Random().SetSeed(7);
  List->ShuffleList();
  std::string First = List->TrackAtOrder(1);
  List->Random().SetSeed(7);
  List->ShuffleList();
  EXPECT_EQ(List->TrackAtOrder(1), First);
}

TEST_F(PlayListTest, NextAndPrevWalkTheOrderSkippingDisallowedTracks) {
  Unshuffle();
  std::string T1 = List->TrackAtOrder(1), T2 = List->TrackAtOrder(2), T3 = List->TrackAtOrder(3),
              T4 = List->TrackAtOrder(4);
  List->Play();
  EXPECT_FALSE(List->Stopped());
  EXPECT_EQ(List->CurrentIdx(), 1);
  EXPECT_EQ(Current(), T1);
  List->DisallowTrack(T2);
  List->Next();
  EXPECT_EQ(List->CurrentIdx(), 3);
  EXPECT_EQ(AD->CurrentMusic()->URL(), T3);
  List->Next();
  List->Next();
  EXPECT_EQ(List->CurrentIdx(), 1); // wraps
  List->Prev();
  EXPECT_EQ(List->CurrentIdx(), 4);
  EXPECT_EQ(AD->CurrentMusic()->URL(), T4);
  // Disallowing the current track moves on.
  List->DisallowTrack(T4);
  EXPECT_EQ(List->CurrentIdx(), 1);
  // With every track disallowed nothing plays and the search stops where it ended.
  List->DisallowAllTracks("");
  EXPECT_EQ(List->IgnoreList().Count(), 4);
  List->Next();
  EXPECT_EQ(AD->CurrentMusic()->URL(), T1);
  EXPECT_EQ(List->CurrentIdx(), 2);
  List->ClearDisallowedList();
  List->SetEnabled(false);
  List->Next();
  EXPECT_EQ(List->CurrentIdx(), 2);
  List->SetEnabled(true);
  List->Stop(100);
  EXPECT_TRUE(List->Stopped());
  Run(0.2);
  EXPECT_EQ(Current(), "");
}

TEST_F(PlayListTest, AddTrackTakesTheCurrentPlace) {
  Unshuffle();
  List->Play();
  List->Next();
  List->Next();
  ASSERT_EQ(List->CurrentIdx(), 3);
  std::string Old3 = List->TrackAtOrder(3), Old4 = List->TrackAtOrder(4);
  int Index = List->AddTrack("Music\\New.ogg");
  EXPECT_EQ(List->List().GetData(Index), 3);
  EXPECT_EQ(List->TrackAtOrder(4), Old3);
  EXPECT_EQ(List->TrackAtOrder(5), Old4);
  EXPECT_EQ(List->AddTrack("music\\NEW.ogg"), Index);
  // An empty playlist gives its first track order 1, where Play finds it.
  TGObjectPtr<TPlayList> Empty(New<TPlayList>(nullptr, Library.get()));
  Empty->LoadFromXML(TGObjectPtr<TGXMLNode>(new TGXMLNode("PlayList")).get());
  ASSERT_EQ(Empty->List().Count(), 0);
  Empty->AddTrack(List->TrackAtOrder(1));
  EXPECT_EQ(Empty->CurrentIdx(), 1);
  EXPECT_EQ(Empty->TrackAtOrder(1), List->TrackAtOrder(1));
}

TEST_F(PlayListTest, TheSavedFormRoundTripsAndBadValuesFail) {
  Unshuffle();
  List->DisallowTrack(List->TrackAtOrder(4));
  List->DisallowTrack(List->TrackAtOrder(2));
  List->SetVolume(70, 0);
  TGObjectPtr<TGXMLNode> Saved(List->SaveToXML());
  EXPECT_EQ(Saved->Name(), "PlayList");
  EXPECT_EQ(Saved->GetIntAttr("CurrentItem"), 0);
  EXPECT_FALSE(Saved->GetBoolAttr("Shuffled"));
  EXPECT_TRUE(Saved->GetBoolAttr("Stopped"));
  EXPECT_TRUE(Saved->GetBoolAttr("Enabled"));
  EXPECT_EQ(Saved->GetIntAttr("Volume"), 70);
  EXPECT_EQ(Saved->GetChilds("Track")->GetCount(), 4);
  ASSERT_EQ(Saved->GetChilds("DisallowedTrack")->GetCount(), 2);
  EXPECT_LT(Saved->GetChilds("DisallowedTrack")->GetItem(0)->GetStrAttr("URL"),
            Saved->GetChilds("DisallowedTrack")->GetItem(1)->GetStrAttr("URL"));

  TGObjectPtr<TPlayList> Copy(New<TPlayList>(nullptr, Library.get()));
  ASSERT_TRUE(Copy->Shuffled());
  Saved->SetIntAttr("CurrentItem", 3);
  Saved->SetBoolAttr("Stopped", false);
  Copy->LoadFromXML(Saved.get());
  EXPECT_FALSE(Copy->Shuffled());
  EXPECT_EQ(Copy->Volume(), 70);
  EXPECT_EQ(Copy->TrackAtOrder(3), List->TrackAtOrder(3));
  EXPECT_EQ(Copy->IgnoreList().Count(), 2);
  // Not stopped: the current track starts after loading.
  EXPECT_EQ(Current(), List->TrackAtOrder(3));
  TGObjectPtr<TGXMLNode> Again(Copy->SaveToXML());
  EXPECT_EQ(Again->SaveToString(), [&] {
    Saved->SetIntAttr("CurrentItem", 3);
    return Saved->SaveToString();
  }());

  // A missing "Shuffled" keeps the setting; bad values fail the load and leave the playlist
  // as it was, tracks, current item and settings alike.
  Copy->LoadFromXML(Again.get());
  Copy->SetShuffled(true);
  TGObjectPtr<TGXMLNode> Partial(new TGXMLNode("PlayList"));
  Partial->SetBoolAttr("Stopped", true);
  Copy->LoadFromXML(Partial.get());
  EXPECT_TRUE(Copy->Shuffled());
  Copy->LoadFromXML(Again.get());
  TGObjectPtr<TGXMLNode> Before(Copy->SaveToXML());
  TGObjectPtr<TGXMLNode> BadVolume(new TGXMLNode("PlayList"));
  BadVolume->SetIntAttr("CurrentItem", 1);
  BadVolume->SetBoolAttr("Shuffled", true);
  BadVolume->SetIntAttr("Volume", 101);
  EXPECT_THROW(Copy->LoadFromXML(BadVolume.get()), ERangeError);
  EXPECT_EQ(TGObjectPtr<TGXMLNode>(Copy->SaveToXML())->SaveToString(), Before->SaveToString());
  TGObjectPtr<TGXMLNode> NoOrder(new TGXMLNode("PlayList"));
  NoOrder->SetIntAttr("CurrentItem", 2);
  NoOrder->SetIntAttr("Volume", 10);
  NoOrder->AddChild("Track")->SetStrAttr("URL", "Music\\A.ogg");
  NoOrder->AddChild("DisallowedTrack")->SetStrAttr("URL", "Music\\B.ogg");
  try {
    Copy->LoadFromXML(NoOrder.get());
    FAIL() << "a track without an order loaded";
  } catch (const EGException& E) {
    EXPECT_NE(E.Text().find("Attribute \"Order\" not found"), std::string::npos) << E.Text();
  }
  EXPECT_EQ(TGObjectPtr<TGXMLNode>(Copy->SaveToXML())->SaveToString(), Before->SaveToString());
  EXPECT_EQ(Current(), List->TrackAtOrder(3));
}

TEST_F(PlayListTest, EndedTracksSwitchOrStop) {
  Unshuffle();
  List->Play();
  Run(0.7);
  EXPECT_EQ(List->CurrentIdx(), 2);
  EXPECT_EQ(Current(), List->TrackAtOrder(2));
  List->SetAutoSwitching(false);
  Run(0.7);
  EXPECT_TRUE(List->Stopped());
  EXPECT_EQ(Current(), "");
}

TEST_F(PlayListTest, PlayTrackIgnoresTheCurrentTrackAndPlayExclusivelyRestartsIt) {
  Unshuffle();
  List->Play();
  std::string T1 = List->TrackAtOrder(1);
  Run(0.3);
  float Pos = AD->CurrentMusicState()->GetPlayingPosition();
  List->PlayTrack(T1);
  EXPECT_NEAR(AD->CurrentMusicState()->GetPlayingPosition(), Pos, 0.001);
  List->PlayExclusively(T1, 50);
  EXPECT_EQ(List->IgnoreList().Count(), 3);
  Run(0.1);
  EXPECT_GT(AD->CurrentMusicState()->GetPlayingPosition(), 0.35);
  Run(0.15); // the 200 ms fade-out has ended: back to 50 ms and up again
  EXPECT_LT(AD->CurrentMusicState()->GetPlayingPosition(), 0.15);
  EXPECT_EQ(Current(), T1);
}

TEST_F(PlayListTest, SequencesContinueWithTheirNextTrack) {
  Unshuffle();
  std::string T1 = List->TrackAtOrder(1), T2 = List->TrackAtOrder(2);
  List->PlaySequence(T1, 0, 200, 0, T2, 100, 0);
  EXPECT_EQ(Current(), T1);
  Run(0.25);
  EXPECT_EQ(Current(), T2);
  EXPECT_GT(AD->CurrentMusicState()->GetPlayingPosition(), 0.1);
  EXPECT_LT(AD->CurrentMusicState()->GetPlayingPosition(), 0.2);
  // The same file as next track: faded out, then started afresh at the next start position.
  std::string T3 = List->TrackAtOrder(3);
  List->PlaySequence(T3, 0, 100, 0, T3, 300, 100);
  Run(0.15);
  ASSERT_NE(AD->CurrentMusicState(), nullptr);
  EXPECT_TRUE(AD->CurrentMusicState()->GetSlideType().Contains(stVolume));
  Run(0.15);
  EXPECT_EQ(Current(), T3);
  EXPECT_GE(AD->CurrentMusicState()->GetPlayingPosition(), 0.3);
}

TEST_F(PlayListTest, TheNoMusicFlagStopsNavigationButNotEvents) {
  Unshuffle();
  std::string T2 = List->TrackAtOrder(2);
  List->SetDisabledByFCM(true);
  List->Play();
  EXPECT_TRUE(List->Stopped());
  List->Next();
  EXPECT_EQ(List->CurrentIdx(), 0);
  List->PlayEvent(T2, 0);
  EXPECT_EQ(Current(), T2);
  // Events of tracks that cannot be loaded are skipped.
  List->AddTrack("Music\\Missing.ogg");
  List->PlayEvent("Music\\Missing.ogg", 0);
  EXPECT_EQ(Current(), T2);
}

TEST_F(PlayListTest, TheManagerPausesBetweenTracksButNotAfterEvents) {
  Unshuffle();
  Manager.reset(New<TMusicManager>(nullptr, List.get()));
  EXPECT_FALSE(List->AutoSwitching());
  std::string T1 = List->TrackAtOrder(1), T2 = List->TrackAtOrder(2), T3 = List->TrackAtOrder(3);
  Manager->Add(T1);
  Manager->Add(T2);
  Manager->SetPauseBetweenTracks(1000);
  EXPECT_EQ(Manager->Count(), 2);
  Run(0.05);
  EXPECT_EQ(Manager->State(), mmsPlayingTrack);
  EXPECT_EQ(Current(), T1);
  EXPECT_EQ(List->IgnoreList().Count(), 3); // only the location track may play
  Run(0.7);                                 // the track ended at about 0.51 s
  EXPECT_EQ(Manager->State(), mmsPauseBetweenTracks);
  EXPECT_EQ(Current(), "");
  Run(0.6);
  EXPECT_EQ(Current(), "");
  Run(0.3);
  EXPECT_EQ(Manager->State(), mmsPlayingTrack);
  EXPECT_EQ(Current(), T2);
  // Event music interrupts; the next location track follows it at once.
  Manager->PlayEventMusic(T3, 0);
  EXPECT_EQ(Manager->State(), mmsPlayingEvent);
  Run(0.1);
  EXPECT_EQ(Current(), T3);
  Run(0.6);
  EXPECT_EQ(Manager->State(), mmsPlayingTrack);
  EXPECT_EQ(Current(), T1);
  // Stop alone fades out and starts the first track again; KillMusic leaves silence.
  Manager->Stop();
  Run(0.1);
  EXPECT_EQ(Manager->State(), mmsPlayingTrack);
  EXPECT_EQ(Current(), T1);
  Manager->KillMusic();
  Run(2.0);
  EXPECT_EQ(Manager->State(), mmsStopped);
  EXPECT_EQ(Current(), "");
  EXPECT_EQ(Manager->Count(), 0);
  // The manager forgets a playlist that is destroyed.
  List.reset();
  EXPECT_EQ(Manager->PlayList(), nullptr);
  Manager->Update(0.01f);
}
