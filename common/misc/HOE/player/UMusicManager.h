// The play screen's music manager: plays the active location's tracks one after another through
// the player's playlist, with a pause between them, and lets location events interrupt them with
// event music.
#pragma once

#include "object/UGClassBuilder.h"
#include "object/UGObject.h"
#include "xml/UGStringList.h"

#include <string>
#include <vector>

class TPlayList;

enum TMusicManagerState {
  mmsStopped = 0,
  mmsPlayingTrack = 1,
  mmsPlayingEvent = 2,
  mmsPauseBetweenTracks = 3
};

class TMusicManager : public TGObject {
  G_CLASS(TMusicManager, TGObject)
  explicit TMusicManager(TGObject* AOwner = nullptr);
  // A manager driving that playlist (not owned; forgotten when it is destroyed).
  TMusicManager(TGObject* AOwner, TPlayList* APlayList);
  static void Publish(TGClassBuilder<TMusicManager>& B);

  // Switches the playlist's automatic switching off: the manager decides what follows a track.
  void AfterConstruction() override;
  void BeforeDestruction() {}
  void BeginUpdate() {}
  void EndUpdate() {}

  void Update(float DeltaSeconds);
  void PlayTrack(const std::string& URL, int32_t Fade);
  void PlayEventMusic(const std::string& URL, int32_t Fade);
  void Play();
  void Stop();
  void StopEx(int32_t Fade);
  void Add(const std::string& URL);
  void Clear();
  void KillMusic();
  void KillMusicEx(int32_t Fade);

  TMusicManagerState State() const { return FState; }
  int32_t Count() const { return static_cast<int32_t>(FTracks.size()); }
  int32_t PauseBetweenTracks() const { return FPauseBetweenTracks; }
  void SetPauseBetweenTracks(int32_t Value) { FPauseBetweenTracks = Value; }
  int32_t CurrentPause() const { return FCurrPause; }
  const std::string& CurrentTrackURL() const { return FCurrTrackURL; }
  TPlayList* PlayList() const { return FPlayList; }
  void SetPlayList(TPlayList* Value);

private:
  void OnDestroyPlayList(TGObject* Sender);
  void Advance();

  TPlayList* FPlayList = nullptr;
  TMusicManagerState FState = mmsStopped;
  std::vector<std::string> FTracks;
  int32_t FCurrTrack = 0;
  std::string FCurrTrackURL;
  int32_t FPauseBetweenTracks = 0;
  int32_t FCurrPause = 0;
};
