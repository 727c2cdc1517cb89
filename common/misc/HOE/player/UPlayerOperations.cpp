// The operations game scripts and screens call on the profile being played ("Player").
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "flow/UPlayScreen.h"
#include "inventory/UInventory.h"
#include "io/UGFileUtils.h"
#include "locations/ULocation.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "platform/UHostServices.h"
#include "player/UGameData.h"
#include "player/UHighScores.h"
#include "player/UPlayList.h"
#include "player/UPlayer.h"
#include "xml/UGXMLNode.h"

#include <cmath>

namespace {

IPlayerScreens* Screens = nullptr;

struct TStageRow {
  const char* Name;
  const char* Title;
  const char* StageTitle;
  const char* Prefix;
  const char* AnimalGfxURL;
};

// The stages of the game, by the widget that shows their completion.
constexpr TStageRow CStages[] = {
    {"Stage01", "$Totem of Lights$", "$Alaska$", "Alaska",
     "Game\\01_Alaska\\Location_07b\\HeadGold_Blink.ani"},
    {"Stage02", "$Rainbow Serpent$\r\n$Sense of Taste$", "$Australia$", "Australia",
     "Game\\01_Alaska\\Location_03P\\animals\\snake.ani"},
    {"Stage03", "$Bear$\r\n$Sense of Smell$", "$Greenland$", "Greenland",
     "Game\\01_Alaska\\Location_03P\\animals\\bear.ani"},
    {"Stage04", "$Bat$\r\n$Sense of Hearing$", "$New York$", "NewYork",
     "Game\\01_Alaska\\Location_03P\\animals\\bat.ani"},
    {"Stage05", "$Dolphin$\r\n$Sense of Thought$", "$Atlantic Ocean$", "Morocco",
     "Game\\01_Alaska\\Location_03P\\animals\\dolphin.ani"},
    {"Stage06", "$Owl$\r\n$Sense of Sight$", "$Egypt$", "Alexandria",
     "Game\\01_Alaska\\Location_03P\\animals\\eagle.ani"},
    {"Stage07", "$Monkey$\r\n$Sense of Touch$", "$Congo$", "Congo",
     "Game\\01_Alaska\\Location_03P\\animals\\monkey.ani"},
};

// Seconds rounded to the nearest whole one, a half to the even neighbour.
int32_t RoundedSeconds(double Seconds) {
  const double R = std::nearbyint(Seconds);
  if (!(R > INT32_MIN)) {
    return INT32_MIN;
  }
  return R >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(R);
}

} // namespace

IPlayerScreens* PlayerScreens() {
  return Screens;
}

void SetPlayerScreens(IPlayerScreens* Value) {
  Screens = Value;
}

void TPlayer::Publish(TGClassBuilder<TPlayer>& B) {
  B.Property("PlayerName", &TPlayer::Name, &TPlayer::SetPlayerName)
      .Property("Name", &TPlayer::Name, &TPlayer::SetPlayerName)
      .Property("DefaultProfile", &TPlayer::DefaultProfile, &TPlayer::SetDefaultProfile)
      .Property("ProfilePlayed", &TPlayer::ProfilePlayed, &TPlayer::SetProfilePlayed)
      .Property("GameState", &TPlayer::GameState)
      .Property("MusicVolume", &TPlayer::MusicVolume, &TPlayer::SetMusicVolume)
      .Property("SoundVolume", &TPlayer::SoundVolume, &TPlayer::SetSoundVolume)
      .Property("FullScreen", &TPlayer::FullScreen, &TPlayer::SetFullScreen)
      .Property("WideScreen", &TPlayer::WideScreen, &TPlayer::SetWideScreen)
      .Property("GameDifficulty", &TPlayer::GameDifficulty, &TPlayer::SetGameDifficulty)
      .Property("Score", &TPlayer::Score, &TPlayer::SetScore)
      .Property("CliffhangerTime", &TPlayer::CliffhangerTime, &TPlayer::CliffhangerTime)
      .Property("CliffhangerPlayed", &TPlayer::CliffhangerPlayed, &TPlayer::CliffhangerPlayed)
      .Property("PDAColor", &TPlayer::PDAColor, &TPlayer::PDAColor)
      .Property("PDASkin", &TPlayer::PDASkin, &TPlayer::PDASkin)
      .Property("RorvikAvail", &TPlayer::RorvikAvail, &TPlayer::RorvikAvail)
      .Property("TovanAvail", &TPlayer::TovanAvail, &TPlayer::TovanAvail)
      .Property("OskelinAvail", &TPlayer::OskelinAvail, &TPlayer::OskelinAvail)
      .Property("MirelAvail", &TPlayer::MirelAvail, &TPlayer::MirelAvail)
      .Property("ScannerTipShown", &TPlayer::ScannerTipShown, &TPlayer::ScannerTipShown)
      .Property("SpeechQueue", &TPlayer::SpeechQueue)
      .Property("PlayList", &TPlayer::PlayList)
      .Property("MuseumItems", &TPlayer::MuseumItems)
      .Property("SpeechLog", &TPlayer::SpeechLog)
      .Property("TakenZephrinCount", &TPlayer::TakenZephrinCount, &TPlayer::SetTakenZephrinCount)
      .Property("ZephrinModeUnlocked", &TPlayer::ZephrinModeUnlocked,
                &TPlayer::SetZephrinModeUnlocked)
      .Method("AddScore", &TPlayer::AddScore, {"Points"})
      .Method("Activate", &TPlayer::Activate)
      .Method("PushState", &TPlayer::PushState, {"AState"})
      .Method("PopState", &TPlayer::PopState, {"AState"})
      .Method("IncrementSessionPlaytime", &TPlayer::IncrementSessionPlaytime, {"Time"})
      .Method("SaveProfileStatistics", &TPlayer::SaveProfileStatistics)
      .Method("ResetCursorToMuseum", &TPlayer::ResetCursorToMuseum)
      .Method("AddToHighScores", &TPlayer::AddToHighScores)
      .Method("Alert", &TPlayer::Alert, {"V"})
      .Method("FileAlert", &TPlayer::FileAlert, {"V"})
      .Method("ExitGame", &TPlayer::ExitGame)
      .Method("FinishGame", &TPlayer::FinishGame)
      .Method("IsEverythingCollected", &TPlayer::IsEverythingCollected)
      .Method("InBackPack", &TPlayer::InBackPack, {"GameObject"})
      .Method("InLocation", &TPlayer::InLocation, {"GameObject"})
      .Method("InDisposal", &TPlayer::InDisposal, {"GameObject"})
      .Method("RemoveFromBackPack", &TPlayer::RemoveFromBackPack, {"GameObject"})
      .Method("OnlyHiddenObjectsLeft", &TPlayer::OnlyHiddenObjectsLeft)
      .Method("GoToLocation", &TPlayer::GoToLocation, {"LocationURL"})
      .Method("GoToLocationEx", &TPlayer::GoToLocationEx, {"LocationURL", "ClearBackPack"})
      .Method("Say", &TPlayer::Say, {"PositionID", "Text"})
      .Method("PlayComix", &TPlayer::PlayComix, {"URL", "Fading"})
      .Method("PlayComix2", &TPlayer::PlayComix2, {"URL", "Fading"})
      .Method("PlayComixEx", &TPlayer::PlayComixEx, {"URL", "Fading", "Skipping"})
      .Method("PlayComixEx2", &TPlayer::PlayComixEx2, {"URL", "Fading", "Skipping"})
      .Method("PlayComixExEx", &TPlayer::PlayComixExEx, {"URL", "Fading", "Skipping"})
      .Method("MoveToLevel", &TPlayer::MoveToLevel, {"AIndex"})
      .Method("PlayMapScreen", &TPlayer::PlayMapScreen)
      .Method("ClearSpeechLog", &TPlayer::ClearSpeechLog)
      .Method("PlaySfx", &TPlayer::PlaySfx, {"URL"})
      .Method("StartLoopedSfx", &TPlayer::StartLoopedSfx, {"URL"})
      .Method("StopLoopedSfx", &TPlayer::StopLoopedSfx)
      .Method("PlayBriefing", &TPlayer::PlayBriefing, {"ABriefText", "AAvatar"})
      .Method("TakeIntoMuseum", &TPlayer::TakeIntoMuseum, {"ID"})
      .Method("ShowStageCompletionScreen", &TPlayer::ShowStageCompletionScreen, {"ShowWidget"})
      .Method("ShowMuseum", &TPlayer::ShowMuseum)
      .Method("ShowCredits", &TPlayer::ShowCredits)
      .Method("ShowHighScores", &TPlayer::ShowHighScores)
      .Method("ResetChapterTime", &TPlayer::ResetChapterTime)
      .Method("ResetChapterStates", &TPlayer::ResetChapterStates)
      .Method("GenerateObjectList", &TPlayer::GenerateObjectList);
}

// --- The game-state stack ----------------------------------------------------------------------

void TPlayer::PushState(TGameState AState) {
  FGameState.push_back(AState);
}

void TPlayer::PopState(TGameState AState) {
  if (FGameState.empty()) {
    ODS("Game state stack is empty");
    return;
  }
  if (FGameState.back() != AState) {
    ODS("Poped state is not equal to the last pushed state");
  }
  FGameState.pop_back();
}

// --- Results and messages ----------------------------------------------------------------------

void TPlayer::AddToHighScores() {
  auto* Data = TryObjectCast<TGameData>(GameData);
  if (!Data) {
    return;
  }
  Data->HighScores()->Add(FBriefInfo->GUID, Name(), Score(), RoundedSeconds(FBriefInfo->PlayTime),
                          TakenZephrinCount());
}

void TPlayer::Alert(const TGVariant& V) {
  const std::string Text = V.ToString();
  ODS("Alert: %s", Text);
  // A headless run writes the message to standard error and goes on.
  ShowMessageBox(Title(), Text, TMessageBoxKind::Information);
}

void TPlayer::FileAlert(const TGVariant& V) {
  WriteFile("Alerts.txt", V.ToString());
}

std::string TPlayer::Title() {
  return "Alert";
}

void TPlayer::ExitGame() {
  if (PlayScreen()) {
    PlayScreen()->ExitGame();
  }
}

// --- The inventory and the location ------------------------------------------------------------

bool TPlayer::IsEverythingCollected() const {
  return Inventory()->AreAllItemsCollected();
}

bool TPlayer::InBackPack(TGameObject* GameObject) const {
  return GameObject && Inventory()->Contains(GameObject, TInventoryFlags{1u << ifTools});
}

bool TPlayer::InLocation(TGameObject* GameObject) const {
  TBaseLocation* Location = CurrentLocation();
  return GameObject && Location && Location->Objects()->IndexOf(GameObject) >= 0;
}

bool TPlayer::InDisposal(TGameObject* GameObject) const {
  return GameObject && (InBackPack(GameObject) || GameObject == Cursor());
}

void TPlayer::RemoveFromBackPack(TGameObject* GameObject) {
  if (GameObject) {
    Inventory()->Remove(GameObject);
  }
}

bool TPlayer::OnlyHiddenObjectsLeft() const {
  for (TGameObject* Obj : InventoryItemObjects()) {
    if (Obj->TakingCount() == 0 && !Obj->IsHidden()) {
      return false;
    }
  }
  return true;
}

void TPlayer::GoToLocation(const std::string& LocationURL) {
  auto* Location = TryObjectCast<TLocation>(CurrentLocation());
  TGameObject* Master = Location ? Location->MasterObject() : nullptr;
  if ((Master && !Master->IsTaken()) || !Inventory()->AreAllItemsCollected()) {
    Say("Zari", "We can't leave this location until we find all the items");
    return;
  }
  GoToLocationEx(LocationURL, true);
}

void TPlayer::GoToLocationEx(const std::string& LocationURL, bool ClearBackPack) {
  (void)ClearBackPack;
  if (PlayScreen()) {
    PlayScreen()->FadeToLocation(LocationURL);
  }
}

void TPlayer::Say(const std::string& PositionID, const std::string& Text) {
  if (PlayScreen()) {
    PlayScreen()->Say(PositionID, Text, "");
  }
}

// --- Screens -----------------------------------------------------------------------------------

bool TPlayer::PlayComixWith(const std::string& URL, int32_t Fading, bool AnyTimeClicks,
                            bool ShowSkip) {
  if (!Screens) {
    ODS("No screen plays the comic %s", URL);
    return true;
  }
  return Screens->PlayComix(URL, Fading, AnyTimeClicks, ShowSkip);
}

bool TPlayer::PlayComix(const std::string& URL, int32_t Fading) {
  return PlayComixWith(URL, Fading, true, true);
}

bool TPlayer::PlayComix2(const std::string& URL, int32_t Fading) {
  return PlayComixWith(URL, Fading, false, true);
}

bool TPlayer::PlayComixEx(const std::string& URL, int32_t Fading, bool Skipping) {
  return PlayComixWith(URL, Fading, true, Skipping);
}

bool TPlayer::PlayComixEx2(const std::string& URL, int32_t Fading, bool Skipping) {
  return PlayComixWith(URL, Fading, false, Skipping);
}

bool TPlayer::PlayComixExEx(const std::string& URL, int32_t Fading, bool Skipping) {
  return PlayComixEx(URL, Fading, Skipping);
}

void TPlayer::MoveToLevel(int32_t AIndex) {
  if (AIndex < 0 || AIndex >= CChapterCount) {
    throw ERangeError(Format("Chapter %d is outside 0 to 7", {int64_t{AIndex}}));
  }
  for (int I = 0; I < AIndex; ++I) {
    ChapterStates[I] = csFinished;
  }
  ChapterStates[AIndex] = csMovingTo;
  PlayMapScreen();
}

void TPlayer::PlayMapScreen() {
  if (Screens) {
    Screens->PlayMapScreen();
  }
}

void TPlayer::ShowMuseum() {
  if (Screens) {
    Screens->ShowMuseum();
  }
}

void TPlayer::ShowCredits() {
  if (Screens) {
    Screens->ShowCredits();
  }
}

void TPlayer::ShowHighScores() {
  if (Screens) {
    Screens->ShowHighScores();
  }
}

void TPlayer::PlayBriefing(const std::string& ABriefText, const std::string& AAvatar) {
  if (Screens) {
    Screens->PlayBriefing(ABriefText, AAvatar);
  }
}

TSCSStats TPlayer::StageCompletionStats(const std::string& ShowWidget) {
  TSCSStats Stats;
  Stats.Title = "<not defined>";
  std::string Prefix = "00_";
  for (const TStageRow& Row : CStages) {
    if (ShowWidget == Row.Name) {
      Stats.Title = Row.Title;
      Stats.StageTitle = Row.StageTitle;
      Prefix = Row.Prefix;
      Stats.AnimalGfxURL = Row.AnimalGfxURL;
    }
  }
  Stats.TimeLeft = std::max(0, RoundedSeconds(FBriefInfo->ChapterTime));
  if (PlayScreen()) {
    FBriefInfo->HintsCount = PlayScreen()->HintCount();
  }
  Stats.IsNoHintsUsed = true;
  for (int I = 0; I < LocationsList().Count(); ++I) {
    auto* Location = TryObjectCast<TLocation>(LocationsList().GetObject(I));
    if (Location && Location->ID.starts_with(Prefix)) {
      Stats.IsNoHintsUsed = Stats.IsNoHintsUsed && !Location->HintUsed;
      Stats.ZephrinsCollected += Location->TakenZephrinCount;
      Stats.ZephrinsTotal += Location->GetZephrinsLeft();
    }
  }
  Stats.EpisodeScore = FBriefInfo->ChapterScore;
  return Stats;
}

bool TPlayer::ShowStageCompletionScreen(const std::string& ShowWidget) {
  const TSCSStats Stats = StageCompletionStats(ShowWidget);
  TBaseLocation* Location = CurrentLocation();
  const bool SkipAnim = Location && Location->VisitCount() > 1;
  return Screens ? Screens->ShowStageCompletion(ShowWidget, SkipAnim, Stats) : false;
}

// --- Speech, sounds and collections ------------------------------------------------------------

void TPlayer::ClearSpeechLog() {
  if (FSpeechLog) {
    FSpeechLog->Clear();
  }
}

void TPlayer::PlaySfx(const std::string& URL) {
  if (AD) {
    AD->PlaySfx(URL, false);
  }
}

void TPlayer::StartLoopedSfx(const std::string& URL) {
  StopLoopedSfx();
  TGAudioState* State = AD ? AD->PlaySfx(URL, false) : nullptr;
  if (!State) {
    return;
  }
  FLoopedSfxState = State;
  Subscribe(TGNotification(State, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TPlayer::OnLoopedSfxDestroyed));
  State->SetLooped(true);
}

void TPlayer::StopLoopedSfx() {
  if (TGAudioState* State = FLoopedSfxState) {
    UnSubscribe(State);
    FLoopedSfxState = nullptr;
    State->Stop();
    State->Free();
  }
}

void TPlayer::OnLoopedSfxDestroyed(TGObject* Sender) {
  if (Sender == FLoopedSfxState) {
    FLoopedSfxState = nullptr;
  }
}

void TPlayer::TakeIntoMuseum(const std::string& ID) {
  MuseumItems()->AddItem(ID);
}

void TPlayer::ResetChapterTime() {
  FBriefInfo->ChapterTime = 2400;
  FBriefInfo->ChapterScore = 0;
}

void TPlayer::ResetChapterStates() {
  std::fill(std::begin(ChapterStates), std::end(ChapterStates), csNone);
}

TPlayer* TPlayer::CreateCloneForNewGame() {
  return CreateBlank(Owner(), Name(), FolderOf(ProfileFileName()));
}
