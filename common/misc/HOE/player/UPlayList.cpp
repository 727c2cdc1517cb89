#include "player/UPlayList.h"

#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "io/UGFileSystem.h"
#include "io/UGFileUtils.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <chrono>
#include <utility>
#include <vector>

G_IMPLEMENT_CLASS(TPlayList)

TPlayList::TPlayList(TGObject* AOwner)
    : TPlayList(AOwner, nullptr) {}

TPlayList::TPlayList(TGObject* AOwner, TGResourceLibrary* ALibrary)
    : TGObject(AOwner)
    , FLibrary(ALibrary) {
  FIgnoreList.SetSorted(true);
  FIgnoreList.SetDuplicates(dupIgnore);
}

void TPlayList::Publish(TGClassBuilder<TPlayList>& B) {
  B.Property("AutoSwitching", &TPlayList::AutoSwitching, &TPlayList::SetAutoSwitching)
      .Property("Volume", &TPlayList::Volume)
      .Property("Enabled", &TPlayList::Enabled, &TPlayList::SetEnabled)
      .Property("Stopped", &TPlayList::Stopped)
      .Property("Shuffled", &TPlayList::Shuffled)
      .Method("DisallowAllTracks", &TPlayList::DisallowAllTracks, {"URL"})
      .Method("Update", &TPlayList::Update, {"DeltaSeconds"})
      .Method("Next", &TPlayList::Next)
      .Method("Prev", &TPlayList::Prev)
      .Method("Play", &TPlayList::Play)
      .Method("Stop", &TPlayList::Stop, {"Fade"})
      .Method("AddTrack", &TPlayList::AddTrack, {"URL"})
      .Method("AllowTrack", &TPlayList::AllowTrack, {"URL"})
      .Method("DisallowTrack", &TPlayList::DisallowTrack, {"URL"})
      .Method("ClearDisallowedList", &TPlayList::ClearDisallowedList)
      .Method("PlayTrack", &TPlayList::PlayTrack, {"URL"})
      .Method("PlayTrackEx", &TPlayList::PlayTrackEx, {"URL", "Fade", "StartPos", "AllowRestart"})
      .Method("PlayEvent", &TPlayList::PlayEvent, {"URL", "Fade"})
      .Method("PlaySequence", &TPlayList::PlaySequence,
              {"URL", "StartPos", "StopPos", "Fade", "NextURL", "NextStartPos", "NextFade"})
      .Method("PlayExclusively", &TPlayList::PlayExclusively, {"URL", "StartPos"})
      .Method("ForceSequence", &TPlayList::ForceSequence, {"Fade"})
      .Method("SetVolume", &TPlayList::SetVolume, {"Volume", "Fade"})
      .Method("SetShuffled", &TPlayList::SetShuffled, {"Flag"});
}

// --- Life ----------------------------------------------------------------------------------------

void TPlayList::AfterConstruction() {
  FDisabledByFCM = ConfigurationFlag("NoMusic");
  FEnabled = true;
  FStopped = true;
  FAutoSwitching = true;
  GetFileList();
  SetShuffled(true);
  FCurrentIdx = 0;
  FVolume = 100;
  PreloadTracks(-1);
}

void TPlayList::BeforeDestruction() {
  Stop(1500);
  FList.Clear();
  FIgnoreList.Clear();
}

void TPlayList::Destroy() {
  BeforeDestruction();
  inherited::Destroy();
}

TGResourceLibrary* TPlayList::Library() const {
  return FLibrary ? FLibrary : (App ? App->ResourceLib() : nullptr);
}

TGAudio* TPlayList::Track(const std::string& URL) const {
  TGResourceLibrary* Lib = Library();
  return Lib ? dynamic_cast<TGAudio*>(Lib->GetResourceEx(URL, false)) : nullptr;
}

TGAudioState* TPlayList::MusicState() const {
  return AD ? AD->CurrentMusicState() : nullptr;
}

bool TPlayList::PlayMusic(const std::string& URL, int32_t Fade, float Pos) {
  if (!AD) {
    return false;
  }
  return AD->PlayMusicEx(Track(URL), false, Fade, FVolume, Pos);
}

void TPlayList::Start(const std::string& URL, int32_t Fade, float Pos) {
  PlayMusic(URL, FStopped ? 0 : Fade, Pos);
  FStopped = false;
}

void TPlayList::StartFaded(const std::string& URL, float StartPos) {
  TGAudioState* S = MusicState();
  PlayMusic(URL, !S || S->IsStopped() ? 150 : 1000, StartPos / 1000);
  FStopped = false;
}

void TPlayList::RestartAfterFade(float Pos) {
  if (TGAudioState* S = MusicState()) {
    S->SlideVolume(0, 200);
  }
  FRestartPos = Pos;
  FAreToRestart = 0.2f;
}

// --- The list ------------------------------------------------------------------------------------

void TPlayList::GetFileList() {
  FList.Clear();
  TGResourceLibrary* Lib = Library();
  TGFileSystem* FS = Lib ? Lib->FileSystem() : nullptr;
  if (!FS) {
    return;
  }
  TGSearchRec F;
  if (FS->FindFirst("sfx\\Music\\*.ogg", faAnyFile & ~faDirectory, F) == 0) {
    do {
      FList.AddData("Music\\" + F.Name, 0);
    } while (FS->FindNext(F) == 0);
  }
  FS->FindClose(F);
}

void TPlayList::NormalizeList() {
  for (int I = 0; I < FList.Count(); ++I) {
    FList.PutData(I, I + 1);
  }
}

void TPlayList::ShuffleList() {
  if (!FFixedSeed) {
    FRandom.Randomize();
  }
  NormalizeList();
  int Count = FList.Count();
  for (int N = 0; N < Count; ++N) {
    int A = FRandom.Random(Count);
    int B = FRandom.Random(Count);
    intptr_t Order = FList.GetData(A);
    FList.PutData(A, FList.GetData(B));
    FList.PutData(B, Order);
  }
}

void TPlayList::SetShuffled(bool Flag) {
  FShuffled = Flag;
  if (Flag) {
    ShuffleList();
  } else {
    NormalizeList();
  }
}

void TPlayList::PreloadTracks(int Index) {
  TGResourceLibrary* Lib = Library();
  if (!Lib) {
    return;
  }
  auto Started = std::chrono::steady_clock::now();
  for (int I = 0; I < FList.Count(); ++I) {
    if (Index < 0 || I == Index) {
      Lib->IndexOf(FList[I]);
    }
  }
  auto Ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  Started)
                .count();
  ODS("Preloading music: done in %d ms", static_cast<int>(Ms));
}

int TPlayList::IndexOfOrder(int32_t Order) const {
  for (int I = 0; I < FList.Count(); ++I) {
    if (FList.GetData(I) == Order) {
      return I;
    }
  }
  return -1;
}

std::string TPlayList::TrackAtOrder(int32_t Order) const {
  int I = IndexOfOrder(Order);
  return I < 0 ? std::string() : FList[I];
}

int32_t TPlayList::OrderOf(const std::string& URL) const {
  int I = FList.IndexOf(URL);
  return I < 0 ? 0 : static_cast<int32_t>(FList.GetData(I));
}

bool TPlayList::IsTrackInIgnoreList(const std::string& URL) const {
  int Index = 0;
  return FIgnoreList.Find(URL, Index);
}

int32_t TPlayList::AddTrack(const std::string& URL) {
  int I = FList.IndexOf(URL);
  if (I >= 0) {
    return I;
  }
  // The new track takes the current place of the play order (order 1 in an empty list).
  if (FCurrentIdx <= 0) {
    FCurrentIdx = std::max(FList.Count(), 1);
  }
  for (int J = 0; J < FList.Count(); ++J) {
    if (FList.GetData(J) >= FCurrentIdx) {
      FList.PutData(J, FList.GetData(J) + 1);
    }
  }
  return FList.AddData(URL, FCurrentIdx);
}

void TPlayList::AllowTrack(const std::string& URL) {
  int Index = 0;
  if (FIgnoreList.Find(URL, Index)) {
    FIgnoreList.Delete(Index);
  }
}

void TPlayList::DisallowTrack(const std::string& URL) {
  FIgnoreList.Add(URL);
  std::string Current = TrackAtOrder(FCurrentIdx);
  if (!Current.empty() && IsTrackInIgnoreList(Current)) {
    Next();
  }
}

void TPlayList::DisallowAllTracks(const std::string& URL) {
  FIgnoreList.Clear();
  for (int I = 0; I < FList.Count(); ++I) {
    FIgnoreList.Add(FList[I]);
  }
  if (!URL.empty()) {
    AllowTrack(URL);
  }
}

void TPlayList::ClearDisallowedList() {
  FIgnoreList.Clear();
}

// --- Navigation ----------------------------------------------------------------------------------

void TPlayList::Next() {
  if (FDisabledByFCM) {
    return;
  }
  int A = -1;
  if (!FNextTrackURL.empty()) {
    A = FList.IndexOf(FNextTrackURL);
    FNextTrackURL.clear();
  }
  if (!FEnabled && A < 0) {
    return;
  }
  if (A >= 0) {
    // The sequence goes on with its next track.
    std::string URL = FList[A];
    FCurrentIdx = static_cast<int32_t>(FList.GetData(A));
    if (FStopped) {
      PlayMusic(URL, 0, FNTrackStartPos);
    } else if (!PlayMusic(URL, FNTrackFadeTime, FNTrackStartPos)) {
      // The same file: fade it out, and start it afresh once the fade has ended.
      if (TGAudioState* S = MusicState()) {
        S->SlideVolumeAndStop(FNTrackFadeTime);
      }
      FNextTrackURL = URL;
    }
    FStopped = false;
    return;
  }
  int Count = FList.Count();
  ++FCurrentIdx;
  for (int N = 0; N < Count; ++N) {
    if (FCurrentIdx > Count) {
      FCurrentIdx = 1;
    }
    int I = IndexOfOrder(FCurrentIdx);
    if (I < 0) {
      return;
    }
    if (!IsTrackInIgnoreList(FList[I])) {
      Start(FList[I], 2000, 0);
      return;
    }
    ++FCurrentIdx;
  }
}

void TPlayList::Prev() {
  if (FDisabledByFCM || !FEnabled) {
    return;
  }
  int Count = FList.Count();
  --FCurrentIdx;
  for (int N = 0; N < Count; ++N) {
    if (FCurrentIdx < 1) {
      FCurrentIdx = Count;
    }
    int I = IndexOfOrder(FCurrentIdx);
    if (I < 0) {
      return;
    }
    if (!IsTrackInIgnoreList(FList[I])) {
      Start(FList[I], 2000, 0);
      return;
    }
    --FCurrentIdx;
  }
}

void TPlayList::Play() {
  if (FDisabledByFCM || !FStopped) {
    return;
  }
  if (FCurrentIdx < 1 && FList.Count() > 0) {
    FCurrentIdx = 1;
  }
  std::string URL = TrackAtOrder(FCurrentIdx);
  if (!URL.empty()) {
    StartFaded(URL, 0);
  }
}

void TPlayList::Stop(int32_t Fade) {
  if (FDisabledByFCM || FStopped) {
    return;
  }
  TGAudioState* S = MusicState();
  if (S && !S->IsStopped()) {
    S->SlideVolumeAndStop(Fade);
  }
  FStopped = true;
}

void TPlayList::PlayEvent(const std::string& URL, int32_t Fade) {
  int I = FList.IndexOf(URL);
  TGResourceLibrary* Lib = Library();
  if (I < 0 || !Lib || Lib->IndexOf(URL) < 0) {
    return;
  }
  FNextTrackURL.clear();
  FCurrentIdx = static_cast<int32_t>(FList.GetData(I));
  if (FStopped) {
    StartFaded(URL, 0);
  } else {
    PlayMusic(URL, Fade, 0);
  }
  FStopped = false;
}

void TPlayList::PlayTrackEx(const std::string& URL, int32_t Fade, float StartPos,
                            bool AllowRestart) {
  int I = FList.IndexOf(URL);
  if (I < 0 || IsTrackInIgnoreList(URL)) {
    return;
  }
  if (!AllowRestart && FList.GetData(I) == FCurrentIdx && !FStopped) {
    return;
  }
  if (FShuffled) {
    ShuffleList();
  }
  FStopPos = 0;
  FNextTrackURL.clear();
  FCurrentIdx = static_cast<int32_t>(FList.GetData(I));
  if (FStopped) {
    StartFaded(URL, StartPos);
  } else if (!PlayMusic(URL, Fade, StartPos / 1000) && AllowRestart) {
    RestartAfterFade(StartPos / 1000);
  }
  FStopped = false;
}

void TPlayList::PlayTrack(const std::string& URL) {
  PlayTrackEx(URL, 1500, 0, false);
}

void TPlayList::PlayExclusively(const std::string& URL, float StartPos) {
  DisallowAllTracks(URL);
  PlayTrackEx(URL, 1500, StartPos, true);
}

void TPlayList::PlaySequence(const std::string& URL, float StartPos, float StopPos, int32_t Fade,
                             const std::string& NextURL, float NextStartPos, int32_t NextFade) {
  int I = FList.IndexOf(URL);
  if (FDisabledByFCM || I < 0) {
    return;
  }
  if (FShuffled) {
    ShuffleList();
  }
  FCurrentIdx = static_cast<int32_t>(FList.GetData(I));
  if (FStopped) {
    PlayMusic(URL, 0, StartPos / 1000);
  } else if (!PlayMusic(URL, Fade, StartPos / 1000)) {
    RestartAfterFade(StartPos / 1000);
  }
  FStopped = false;
  FStopPos = StopPos / 1000;
  FNextTrackURL = NextURL;
  FNTrackStartPos = NextStartPos / 1000;
  FNTrackFadeTime = NextFade;
}

void TPlayList::ForceSequence(int32_t Fade) {
  if (FDisabledByFCM || FNextTrackURL.empty()) {
    return;
  }
  FStopPos = 0;
  FNTrackFadeTime = Fade;
  Next();
}

void TPlayList::SetVolume(int32_t Volume, int32_t Fade) {
  FVolume = CheckVolume(Volume);
  if (TGAudioState* S = MusicState()) {
    S->SlideVolume(FVolume, std::max(Fade, 0));
  }
}

void TPlayList::Update(float DeltaSeconds) {
  TGAudioState* S = MusicState();
  if (FDisabledByFCM || FStopped || !S) {
    return;
  }
  if (S->IsStopped()) {
    AD->StopMusic();
    if (FAutoSwitching) {
      Next();
    } else {
      FStopped = true;
    }
    return;
  }
  if (FAreToRestart > 0.001f) {
    FAreToRestart -= DeltaSeconds;
    if (FAreToRestart <= 0.001f) {
      S->Restart(FRestartPos);
      S->SlideVolume(FVolume, 50);
    }
  }
  if (FStopPos > 0 && S->GetPlayingPosition() >= FStopPos) {
    ForceSequence(FNTrackFadeTime);
  }
}

// --- Saved form ----------------------------------------------------------------------------------

void TPlayList::LoadFromXML(const TGXMLNode* Node) {
  // Everything is read and checked before the playlist changes: a saved form that fails to load
  // leaves it as it was.
  const int32_t CurrentIdx = Node->GetIntAttrDef("CurrentItem", FCurrentIdx);
  const bool Shuffled = Node->GetBoolAttrDef("Shuffled", FShuffled);
  const bool Stopped = Node->GetBoolAttrDef("Stopped", FStopped);
  const bool Enabled = Node->GetBoolAttrDef("Enabled", FEnabled);
  const int32_t Volume = Node->GetIntAttrDef("Volume", FVolume);
  if (Volume < 0 || Volume > 100) {
    throw ERangeError("Range check error");
  }
  std::vector<std::pair<std::string, int32_t>> Tracks;
  for (const TGXMLNode* T : *Node->GetChilds("Track")) {
    std::string URL = T->GetStrAttrDef("URL", "");
    const int32_t Order = T->GetIntAttr("Order");
    Tracks.emplace_back(std::move(URL), Order);
  }
  std::vector<std::string> Disallowed;
  for (const TGXMLNode* T : *Node->GetChilds("DisallowedTrack")) {
    Disallowed.push_back(T->GetStrAttrDef("URL", ""));
  }

  FCurrentIdx = CurrentIdx;
  FShuffled = Shuffled;
  FStopped = Stopped;
  FEnabled = Enabled;
  FVolume = Volume;
  FList.Clear();
  for (const auto& [URL, Order] : Tracks) {
    if (!URL.empty() && FList.IndexOf(URL) < 0) {
      FList.AddData(URL, Order);
    }
  }
  FIgnoreList.Clear();
  for (const std::string& URL : Disallowed) {
    FIgnoreList.Add(URL);
  }
  PreloadTracks(-1);
  if (!FStopped) {
    std::string URL = TrackAtOrder(FCurrentIdx);
    if (!URL.empty()) {
      StartFaded(URL, 0);
    }
  }
}

TGXMLNode* TPlayList::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("PlayList"));
  Node->SetIntAttr("CurrentItem", FCurrentIdx);
  Node->SetBoolAttr("Shuffled", FShuffled);
  Node->SetBoolAttr("Stopped", FStopped);
  Node->SetBoolAttr("Enabled", FEnabled);
  Node->SetIntAttr("Volume", FVolume);
  for (int I = 0; I < FList.Count(); ++I) {
    TGXMLNode* T = Node->AddChild("Track");
    T->SetStrAttr("URL", FList[I]);
    T->SetIntAttr("Order", static_cast<int32_t>(FList.GetData(I)));
  }
  for (int I = 0; I < FIgnoreList.Count(); ++I) {
    Node->AddChild("DisallowedTrack")->SetStrAttr("URL", FIgnoreList[I]);
  }
  return Node.release();
}
