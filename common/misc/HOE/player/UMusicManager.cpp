#include "player/UMusicManager.h"

#include "player/UPlayList.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TMusicManager)

TMusicManager::TMusicManager(TGObject* AOwner)
    : TMusicManager(AOwner, nullptr) {}

TMusicManager::TMusicManager(TGObject* AOwner, TPlayList* APlayList)
    : TGObject(AOwner) {
  SetPlayList(APlayList);
}

void TMusicManager::Publish(TGClassBuilder<TMusicManager>& B) {
  B.Property("Count", &TMusicManager::Count)
      .Method("Update", &TMusicManager::Update, {"DeltaSeconds"})
      .Method("PlayTrack", &TMusicManager::PlayTrack, {"URL", "Fade"})
      .Method("BeginUpdate", &TMusicManager::BeginUpdate)
      .Method("EndUpdate", &TMusicManager::EndUpdate)
      .Method("PlayEventMusic", &TMusicManager::PlayEventMusic, {"URL", "Fade"})
      .Method("Play", &TMusicManager::Play)
      .Method("Stop", &TMusicManager::Stop)
      .Method("StopEx", &TMusicManager::StopEx, {"Fade"})
      .Method("Add", &TMusicManager::Add, {"URL"})
      .Method("Clear", &TMusicManager::Clear)
      .Method("KillMusic", &TMusicManager::KillMusic)
      .Method("KillMusicEx", &TMusicManager::KillMusicEx, {"Fade"});
}

void TMusicManager::SetPlayList(TPlayList* Value) {
  if (FPlayList) {
    UnSubscribe(FPlayList);
  }
  FPlayList = Value;
  if (FPlayList) {
    Subscribe(TGNotification(FPlayList, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TMusicManager::OnDestroyPlayList));
    FPlayList->SetAutoSwitching(false);
  }
}

void TMusicManager::OnDestroyPlayList(TGObject* Sender) {
  if (Sender == FPlayList) {
    FPlayList = nullptr;
  }
}

void TMusicManager::AfterConstruction() {
  FTracks.clear();
  FState = mmsStopped;
  if (FPlayList) {
    FPlayList->SetAutoSwitching(false);
  }
}

void TMusicManager::Add(const std::string& URL) {
  FTracks.push_back(URL);
}

void TMusicManager::Clear() {
  FTracks.clear();
}

void TMusicManager::PlayTrack(const std::string& URL, int32_t Fade) {
  if (!FPlayList) {
    return;
  }
  FPlayList->AddTrack(URL);
  FPlayList->DisallowAllTracks(URL);
  FPlayList->PlayEvent(URL, Fade);
}

void TMusicManager::PlayEventMusic(const std::string& URL, int32_t Fade) {
  FState = mmsPlayingEvent;
  PlayTrack(URL, Fade);
}

void TMusicManager::Play() {
  if (FTracks.empty()) {
    return;
  }
  if (FState == mmsPlayingTrack) {
    auto It = std::find(FTracks.begin(), FTracks.end(), FCurrTrackURL);
    if (It == FTracks.end()) {
      FCurrTrack = 0;
      FCurrTrackURL = FTracks[0];
      PlayTrack(FCurrTrackURL, 1500);
    } else {
      FCurrTrack = static_cast<int32_t>(It - FTracks.begin());
    }
  } else {
    FCurrTrack = 0;
    FCurrTrackURL = FTracks[0];
    PlayTrack(FCurrTrackURL, 1500);
  }
  FState = mmsPlayingTrack;
}

void TMusicManager::StopEx(int32_t Fade) {
  FState = mmsStopped;
  if (!FPlayList) {
    return;
  }
  FPlayList->ClearDisallowedList();
  FPlayList->DisallowAllTracks("");
  FPlayList->Stop(Fade);
}

void TMusicManager::Stop() {
  StopEx(1500);
}

void TMusicManager::KillMusic() {
  Clear();
  Stop();
}

void TMusicManager::KillMusicEx(int32_t Fade) {
  Clear();
  StopEx(Fade);
}

void TMusicManager::Advance() {
  FCurrTrack = (FCurrTrack + 1) % Count();
  FCurrTrackURL = FTracks[static_cast<size_t>(FCurrTrack)];
}

void TMusicManager::Update(float DeltaSeconds) {
  if (!FPlayList || !FPlayList->Stopped()) {
    return;
  }
  switch (FState) {
  case mmsStopped:
    Play();
    break;
  case mmsPlayingTrack:
    FCurrPause = FPauseBetweenTracks;
    if (FTracks.empty()) {
      FState = mmsStopped;
    } else {
      Advance();
      FState = mmsPauseBetweenTracks;
    }
    break;
  case mmsPlayingEvent:
    if (FTracks.empty()) {
      FState = mmsStopped;
    } else {
      Advance();
      PlayTrack(FCurrTrackURL, 1500);
      FState = mmsPlayingTrack;
    }
    break;
  case mmsPauseBetweenTracks:
    FCurrPause -= static_cast<int32_t>(DeltaSeconds * 1000);
    if (FCurrPause <= 0) {
      if (!FTracks.empty()) {
        PlayTrack(FCurrTrackURL, 1500);
      }
      FState = mmsPlayingTrack;
    }
    break;
  }
}
