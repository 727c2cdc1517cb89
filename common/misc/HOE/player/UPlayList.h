// The player's playlist: every music track of the game ("sfx\Music\*.ogg") in a play order
// (normally shuffled), the tracks that may not play at the moment, and the current position.
// Tracks play one at a time through the audio device's music channel, never looped, with
// crossfades; sequences switch to a next track at a given position.
#pragma once

#include "base/UGFastStringList.h"
#include "base/UGRandom.h"
#include "object/UGClassBuilder.h"
#include "object/UGObject.h"
#include "player/UConfigManager.h"

#include <string>

class TGAudio;
class TGAudioState;
class TGResourceLibrary;
class TGXMLNode;

class TPlayList : public TGObject {
  G_CLASS(TPlayList, TGObject)
  explicit TPlayList(TGObject* AOwner = nullptr);
  // A playlist over another resource library than the application's (tests, tools); set
  // before AfterConstruction.
  TPlayList(TGObject* AOwner, TGResourceLibrary* ALibrary);
  static void Publish(TGClassBuilder<TPlayList>& B);

  // Reads the "NoMusic" flag, lists the music files, shuffles and preloads them.
  void AfterConstruction() override;
  // Stops with 1500 ms.
  void BeforeDestruction();
  void LoadFromXML(const TGXMLNode* Node);
  // A new "PlayList" node.
  TGXMLNode* SaveToXML() const;

  void Update(float DeltaSeconds);
  void Next();
  void Prev();
  void Play();
  void Stop(int32_t Fade);
  int32_t AddTrack(const std::string& URL);
  void AllowTrack(const std::string& URL);
  void DisallowTrack(const std::string& URL);
  void DisallowAllTracks(const std::string& URL);
  void ClearDisallowedList();
  void PlayTrack(const std::string& URL);
  void PlayTrackEx(const std::string& URL, int32_t Fade, float StartPos, bool AllowRestart);
  void PlayExclusively(const std::string& URL, float StartPos);
  void PlayEvent(const std::string& URL, int32_t Fade);
  void PlaySequence(const std::string& URL, float StartPos, float StopPos, int32_t Fade,
                    const std::string& NextURL, float NextStartPos, int32_t NextFade);
  void ForceSequence(int32_t Fade);
  void SetVolume(int32_t Volume, int32_t Fade);
  void SetShuffled(bool Flag);

  bool AutoSwitching() const { return FAutoSwitching; }
  void SetAutoSwitching(bool Value) { FAutoSwitching = Value; }
  int32_t Volume() const { return FVolume; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  bool Stopped() const { return FStopped; }
  bool Shuffled() const { return FShuffled; }
  bool DisabledByFCM() const { return FDisabledByFCM; }
  void SetDisabledByFCM(bool Value) { FDisabledByFCM = Value; }
  int32_t CurrentIdx() const { return FCurrentIdx; }

  // The tracks: URL with its play order as the entry's data.
  const TGFastStringList& List() const { return FList; }
  const TGFastStringList& IgnoreList() const { return FIgnoreList; }
  // The URL of the entry with that play order, or "".
  std::string TrackAtOrder(int32_t Order) const;
  int32_t OrderOf(const std::string& URL) const;
  // The generator the shuffles draw from: the playlist's own, so that shuffling never disturbs
  // the program's generator that input recordings replay.
  TGRandom& Random() { return FRandom; }
  // Shuffles draw from Random as it stands instead of reseeding it from the clock.
  void SetFixedSeed(bool Value) { FFixedSeed = Value; }

  void GetFileList();
  void NormalizeList();
  void ShuffleList();
  void PreloadTracks(int Index);
  void StartFaded(const std::string& URL, float StartPos);
  bool IsTrackInIgnoreList(const std::string& URL) const;

protected:
  void Destroy() override;

private:
  TGResourceLibrary* Library() const;
  TGAudio* Track(const std::string& URL) const;
  TGAudioState* MusicState() const;
  bool PlayMusic(const std::string& URL, int32_t Fade, float Pos);
  // Starts a track: at once when stopped, else with the fade.
  void Start(const std::string& URL, int32_t Fade, float Pos);
  int IndexOfOrder(int32_t Order) const;
  void RestartAfterFade(float Pos);

  TGResourceLibrary* FLibrary = nullptr;
  bool FDisabledByFCM = false;
  TGFastStringList FList;
  int32_t FCurrentIdx = 0;
  bool FShuffled = false;
  bool FStopped = true;
  bool FEnabled = true;
  int32_t FVolume = 100;
  TGFastStringList FIgnoreList;
  float FStopPos = 0;
  std::string FNextTrackURL;
  float FNTrackStartPos = 0;
  int32_t FNTrackFadeTime = 0;
  float FAreToRestart = 0;
  float FRestartPos = 0;
  bool FAutoSwitching = true;
  TGRandom FRandom;
  bool FFixedSeed = false;
};
