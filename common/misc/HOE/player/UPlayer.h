// A player profile: everything the game remembers about one player. Its brief information is
// what the menus list; loading it builds the whole game world (every location from the
// profile's saved copy or from the game data, the player's own objects, the inventory, the
// script engine filled with the common script, every location and object, and the player).
// It is saved at every location switch and on quit, into an archive guarded by a checksum that
// is written so that no crash or kill can leave it damaged (UProfileFiles).
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGClassBuilder.h"
#include "object/UGObject.h"
#include "object/UGVariant.h"
#include "player/UBriefPlayerInfo.h"
#include "player/UCollections.h"
#include "player/UProfileFiles.h"
#include "player/USpeech.h"
#include "player/USpeechLog.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TBaseLocation;
class TGameObject;
class TGAudioState;
class TGResourceLibrary;
class TGSingleFileSystem;
class TGXMLNode;
class TInventory;
class TPlayList;

enum TGameState {
  gsMainMenu = 0,
  gsLogo = 1,
  gsGame = 2,
  gsTip = 3,
  gsInGameMenu = 4,
  gsComix = 5,
  gsMapScreen = 6,
  gsMuseumScreen = 7,
};
constexpr TGameState CDefaultState = gsMainMenu;

G_DECLARE_ENUM(TGameState);

enum TChapterState { csNone = 0, csMovingTo = 1, csFinished = 2 };
G_DECLARE_ENUM(TChapterState);
constexpr int CChapterCount = 8;

// What the stage completion screen shows.
struct TSCSStats {
  std::string Title;
  std::string StageTitle;
  std::string AnimalGfxURL;
  int32_t EpisodeScore = 0;
  int32_t ZephrinsCollected = 0;
  int32_t ZephrinsTotal = 0;
  bool IsNoHintsUsed = false;
  int32_t TimeLeft = 0;
};

// The screens the player's operations open (comics, the map, the museum, credits, briefings,
// stage completion); the program provides them as they exist.
class IPlayerScreens {
public:
  virtual ~IPlayerScreens() = default;
  // Fading: 0 none, negative in only, 1 out only, 2 or more both. False when skipped.
  virtual bool PlayComix(const std::string& URL, int Fading, bool AnyTimeClicks, bool ShowSkip) = 0;
  virtual void PlayMapScreen() = 0;
  virtual void ShowMuseum() = 0;
  virtual void ShowCredits() = 0;
  // The high-score table, shown modally (the game's end shows it).
  virtual void ShowHighScores() = 0;
  virtual void PlayBriefing(const std::string& Text, const std::string& Avatar) = 0;
  virtual bool ShowStageCompletion(const std::string& ShowWidget, bool SkipAnim,
                                   const TSCSStats& Stats) = 0;
  virtual void ExitGame() = 0;
};
IPlayerScreens* PlayerScreens();
void SetPlayerScreens(IPlayerScreens* Screens);

class TBasePlayer : public TGObject {
  G_CLASS(TBasePlayer, TGObject)
  // A profile in memory only, without files (viewers, tests).
  explicit TBasePlayer(TGObject* AOwner = nullptr);

  // --- The profile ---------------------------------------------------------------------------
  virtual TBaseBriefPlayerInfo* GetBriefInfo() const = 0;
  virtual std::string GetStartLocationURL() const = 0;
  const std::string& ProfileFileName() const { return FProfileFileName; }
  TGSingleFileSystem* ProfileFileSystem() const { return FProfileFileSystem.get(); }
  bool IsBlank() const { return FIsBlank; }
  // The profile cannot be used: its checksum does not match, or its brief information cannot
  // be read.
  bool Corrupted() const { return FCorrupted; }
  // The archive does not match its checksum (it is damaged, not merely unreadable).
  bool ChecksumFailed() const { return FChecksumFailed; }
  bool Loaded() const { return FLoaded; }
  // True while the profile loads (listing objects then tells their behaviours nothing).
  bool IsLoading() const { return FIsLoading; }
  void SetIsLoading(bool Value) { FIsLoading = Value; }
  const std::string& FullScript() const { return FFullScript; }
  const std::string& LocationURL() const { return GetBriefInfo()->LocationURL; }
  const TGFastStringList& LocationsList() const { return FLocationsList; }

  // The checksum test: true when the archive does not match (or cannot be read).
  virtual bool CheckIsCorrupted();
  // Builds the game world; ACallback runs once per location loaded.
  virtual void Load(const std::function<void()>& ACallback);
  // Fills the script engine: every location, the profile's script, "Player".
  virtual void InitGameScripts();
  // "There is no location with URL "%s"" for an unknown URL.
  TBaseLocation* GetLocReadOnly(std::string_view URL) const;
  // The same, marked changed.
  TBaseLocation* GetLoc(std::string_view URL) const;
  virtual void SwitchToLocation(const std::string& ALocationURL);
  virtual void Save();
  virtual void SaveBriefInfo();
  virtual void UpdateCheckSum();
  virtual void Unload();
  // "Player must be unloaded before deletion" while loaded.
  virtual void DeleteProfileFile();
  // To the game-object collector (once) and the script table.
  void AddGameObject(TGameObject* Obj);
  // Where the game data is read from: the program's resource library unless one is set.
  TGResourceLibrary* Library() const;
  void SetLibrary(TGResourceLibrary* Value) { FLibrary = Value; }

  // --- Play ----------------------------------------------------------------------------------
  const std::string& Name() const { return GetBriefInfo()->PlayerName; }
  // The developer keys: the configuration flag "Cheats", or the developers' own profile name.
  bool Cheats() const;
  // The location at LocationURL (marked changed), or one made current directly outside a
  // loaded profile (viewers, tests).
  TBaseLocation* CurrentLocation() const;
  void SetCurrentLocation(TBaseLocation* Value);

  // The object that serves as mouse cursor: the plain pointer (ID "Pointer") or an object
  // taken in hand. Setting none gives the pointer.
  TGameObject* PointerCursor() const { return FPointerCursor; }
  TGameObject* Cursor() const { return FCursor; }
  void SetCursor(TGameObject* Value);
  bool HoldsObject() const { return FCursor != FPointerCursor; }
  TInventory* Inventory() const { return FInventory; }
  // Number of tool groups carried.
  int ToolsCount() const;
  // The objects of every items group of the inventory, in its order.
  std::vector<TGameObject*> InventoryItemObjects() const;

  static void Publish(TGClassBuilder<TBasePlayer>& B);

protected:
  void Destroy() override;
  // The Player element and its reading.
  virtual TGXMLNode* SaveToXML();
  virtual void LoadFromXML(const TGXMLNode* Node);
  virtual void LoadInventory(const TGXMLNode* Node);
  void LoadLocations(const std::function<void()>& ACallback);
  // The entries a save writes, and which entries of the old archive stay.
  virtual void CollectEntries(TProfileFiles::TEntries& Entries);
  virtual bool KeepEntry(const std::string& Path) const;
  // A new version of the archive with these entries; the open archive follows it.
  void WriteProfile(const TProfileFiles::TEntries& Entries);
  // Frees the world a load built (locations, objects, the open archive), without saving.
  void UnloadWorld();
  TBaseLocation* FindLocation(std::string_view URL) const;
  void ReadBriefInfo();
  void SetProfileFileName(std::string Name) { FProfileFileName = std::move(Name); }
  void SetIsBlank(bool Value) { FIsBlank = Value; }
  void SetCorrupted(bool Value) { FCorrupted = Value; }
  void SetChecksumFailed(bool Value) { FChecksumFailed = Value; }
  // The next free "ProfileNN.plr" of the profiles folder.
  static std::string NextProfileFileName(const std::string& Folder);

private:
  void OnLinkedDestroyed(TGObject* Sender);
  static void AddToScripts(TGameObject* Obj);
  TBaseLocation* LoadLocation(const std::string& Path);
  void ClearChangedMarks();

  bool FIsLoading = false;
  bool FLoaded = false;
  std::string FFullScript;
  TGameObject* FCursor = nullptr;
  bool FIsBlank = false;
  TGameObject* FPointerCursor = nullptr; // owned
  bool FCorrupted = false;
  bool FChecksumFailed = false;
  TInventory* FInventory;             // owned
  TGFastStringList FLocationsList;    // URL to location, sorted; owns them
  TProfileArchive FProfileFileSystem; // read-only: the live file is never changed in place
  std::string FProfileFileName;
  TBaseLocation* FDirectLocation = nullptr; // made current outside the list
  TGResourceLibrary* FLibrary = nullptr;
  // The objects and locations whose changes the save in progress writes; their marks are
  // cleared only when it has succeeded.
  std::vector<TGameObject*> FSavedObjects;
  std::vector<TBaseLocation*> FSavedLocations;
};

class TPlayer : public TBasePlayer {
  G_CLASS(TPlayer, TBasePlayer)
  explicit TPlayer(TGObject* AOwner = nullptr);

  // A new profile named AName: its files are written at once in the profiles folder.
  static TPlayer* CreateBlank(TGObject* AOwner, const std::string& AName,
                              const std::string& ProfilesFolder);
  // A profile known from its file; only the brief information is read (a profile that cannot
  // be read is Corrupted).
  static TPlayer* CreateFromProfile(TGObject* AOwner, const std::string& AFileName);

  TBriefPlayerInfo* BriefInfo() const { return FBriefInfo; }
  TBaseBriefPlayerInfo* GetBriefInfo() const override { return FBriefInfo; }
  std::string GetStartLocationURL() const override;

  // --- Settings ------------------------------------------------------------------------------
  // A new name (or any name on the default profile) clears the default mark and writes the
  // brief information.
  void SetPlayerName(const std::string& Value);
  bool DefaultProfile() const { return FDefaultProfile; }
  void SetDefaultProfile(bool Value) { FDefaultProfile = Value; }
  bool ProfilePlayed() const { return FBriefInfo->ProfilePlayed; }
  void SetProfilePlayed(bool Value) { FBriefInfo->ProfilePlayed = Value; }
  int32_t MusicVolume() const { return FBriefInfo->MusicVolume; }
  void SetMusicVolume(int32_t Value);
  int32_t SoundVolume() const { return FBriefInfo->SoundVolume; }
  void SetSoundVolume(int32_t Value);
  bool FullScreen() const { return FBriefInfo->FullScreenMode; }
  void SetFullScreen(bool Value);
  bool WideScreen() const { return FBriefInfo->WideScreen; }
  void SetWideScreen(bool Value);
  TGameDifficulty GameDifficulty() const { return FBriefInfo->GameDifficulty; }
  void SetGameDifficulty(TGameDifficulty Value) { FBriefInfo->GameDifficulty = Value; }
  // A rise also counts for the chapter.
  int32_t Score() const { return FBriefInfo->Score; }
  void SetScore(int32_t Value);
  void AddScore(int32_t Points);
  TGameState GameState() const;
  int32_t CliffhangerTime = 0;
  bool CliffhangerPlayed = false;
  int32_t PDAColor = 1;
  int32_t PDASkin = 1;
  bool RorvikAvail = false;
  bool TovanAvail = false;
  bool OskelinAvail = false;
  bool MirelAvail = true;
  bool FirstTimeScannerBreak = true;
  bool ScannerTipShown = false;
  TChapterState ChapterStates[CChapterCount] = {};

  TMuseumItems* MuseumItems() const { return FBriefInfo->MuseumItems(); }
  TCollectedZephrinsManager* CollectedZephrins() const { return FBriefInfo->CollectedZephrins(); }
  TPlayList* PlayList() const { return FPlayList; }
  // The lines waiting to be said (while the profile is loaded; none otherwise), and every line
  // said so far.
  TSpeechQueue* SpeechQueue() const { return FSpeechQueue; }
  TSpeechLog* SpeechLog() const { return FSpeechLog; }
  int32_t TakenZephrinCount() const { return FBriefInfo->TakenZephrinCount; }
  void SetTakenZephrinCount(int32_t Value) { FBriefInfo->TakenZephrinCount = Value; }
  bool ZephrinModeUnlocked() const { return FBriefInfo->ZephrinModeUnlocked; }
  void SetZephrinModeUnlocked(bool Value) { FBriefInfo->ZephrinModeUnlocked = Value; }
  bool UnlimLocationComplete() const { return FBriefInfo->UnlimLocationComplete; }
  void SetUnlimLocationComplete(bool Value) { FBriefInfo->UnlimLocationComplete = Value; }
  // Milliseconds played under this profile object.
  double SessionPlaytime() const { return FSessionPlayTime; }

  // --- Operations scripts call ---------------------------------------------------------------
  // Applies the volumes, full screen and wide screen.
  void Activate();
  void PushState(TGameState AState);
  void PopState(TGameState AState);
  void IncrementSessionPlaytime(float Time) { FSessionPlayTime += Time; }
  void SaveProfileStatistics() {}
  void ResetCursorToMuseum() {}
  void AddToHighScores();
  void Alert(const TGVariant& V);
  void FileAlert(const TGVariant& V);
  void ExitGame();
  void FinishGame() { FBriefInfo->GameFinished = true; }
  bool IsEverythingCollected() const;
  bool InBackPack(TGameObject* GameObject) const;
  bool InLocation(TGameObject* GameObject) const;
  bool InDisposal(TGameObject* GameObject) const;
  void RemoveFromBackPack(TGameObject* GameObject);
  bool OnlyHiddenObjectsLeft() const;
  // Leaves only when the master object is taken and every listed item found.
  void GoToLocation(const std::string& LocationURL);
  void GoToLocationEx(const std::string& LocationURL, bool ClearBackPack);
  void Say(const std::string& PositionID, const std::string& Text);
  bool PlayComix(const std::string& URL, int32_t Fading);
  bool PlayComix2(const std::string& URL, int32_t Fading);
  bool PlayComixEx(const std::string& URL, int32_t Fading, bool Skipping);
  bool PlayComixEx2(const std::string& URL, int32_t Fading, bool Skipping);
  bool PlayComixExEx(const std::string& URL, int32_t Fading, bool Skipping);
  // Chapters before AIndex finished, AIndex moving to; then the map. A range error outside 0
  // to 7.
  void MoveToLevel(int32_t AIndex);
  void PlayMapScreen();
  void ClearSpeechLog();
  void PlaySfx(const std::string& URL);
  void StartLoopedSfx(const std::string& URL);
  void StopLoopedSfx();
  void PlayBriefing(const std::string& ABriefText, const std::string& AAvatar);
  void TakeIntoMuseum(const std::string& ID);
  bool ShowStageCompletionScreen(const std::string& ShowWidget);
  // What the stage completion screen of that widget shows.
  TSCSStats StageCompletionStats(const std::string& ShowWidget);
  void ShowMuseum();
  void ShowCredits();
  void ShowHighScores();
  void ResetChapterTime();
  void ResetChapterStates();
  // A new blank profile of the same name and owner (a new file).
  TPlayer* CreateCloneForNewGame();
  // The developer's report of every collectable object ("ObjectList.htm").
  void GenerateObjectList();

  void SwitchToLocation(const std::string& ALocationURL) override;
  void Load(const std::function<void()>& ACallback) override;
  void Save() override;
  void Unload() override;

  static void Publish(TGClassBuilder<TPlayer>& B);

protected:
  void Destroy() override;
  TGXMLNode* SaveToXML() override;
  void LoadFromXML(const TGXMLNode* Node) override;
  bool KeepEntry(const std::string& Path) const override;

private:
  static std::string Title();
  bool PlayComixWith(const std::string& URL, int32_t Fading, bool AnyTimeClicks, bool ShowSkip);
  void OnLoopedSfxDestroyed(TGObject* Sender);
  void FreeLoadedParts();
  // Resetting a finished game: the brief information starts over, the locations and windows
  // go, and "Player.cfg" keeps the player's own objects with an empty inventory.
  void ResetFinishedGame();
  std::string ResetPlayerConfig() const;

  bool FDefaultProfile = false;
  TBriefPlayerInfo* FBriefInfo;   // owned
  TPlayList* FPlayList = nullptr; // owned, while loaded
  std::vector<TGameState> FGameState;
  double FSessionPlayTime = 0;
  TGAudioState* FLoopedSfxState = nullptr;
  TSpeechLog* FSpeechLog = nullptr;     // owned
  TSpeechQueue* FSpeechQueue = nullptr; // owned, while loaded
  // Resetting a finished game: the next save starts the game anew.
  bool FResetting = false;
  // Reset while loaded: until the next load only the brief information is saved.
  bool FWorldReset = false;
};

// The profile being played, or none.
extern TPlayer* CurrentPlayer;

// The location files of the game data ("loc\\*.loc", file names only), in the order the file
// system gives them; none without game data.
std::vector<std::string> FindLocationFiles(TGResourceLibrary* Library);

// The program's command line ("-startloc" is read from it).
void SetProgramArguments(std::vector<std::string> Args);
const std::vector<std::string>& ProgramArguments();
