// The game data: the one object that holds the list of player profiles, the high scores and
// the start-up log. At start it finds the profiles in the profiles folder (deleting the
// corrupted ones, with one message), creates the default profile when there is none and makes
// the most recently saved one current. The menus create, select and delete profiles through it.
#pragma once

#include "object/UGCollection.h"
#include "object/UGObject.h"

#include <string>

class TBasePlayer;
class TGAbstractStartupLog;
class THighScores;
class TPlayer;

class TBasePlayerCollection : public TGCollection {
  G_CLASS(TBasePlayerCollection, TGCollection)
  explicit TBasePlayerCollection(TGObject* AOwner = nullptr)
      : TGCollection(AOwner) {}

  TBasePlayer* GetItem(int Index) const;
  // Earliest created first.
  void SortByCreationTime();
  // The profile saved last (the first of equal ones), or -1 for an empty list.
  int LatestProfileIndex() const;
};

class TPlayerCollection : public TBasePlayerCollection {
  G_CLASS(TPlayerCollection, TBasePlayerCollection)
  explicit TPlayerCollection(TGObject* AOwner = nullptr)
      : TBasePlayerCollection(AOwner) {}

  TPlayer* Items(int Index) const;
};

class TBaseGameData : public TGObject {
  G_CLASS(TBaseGameData, TGObject)
  // The profiles live in DataFolder + "/Profiles"; an empty folder is the program's data folder.
  explicit TBaseGameData(TGObject* AOwner = nullptr, std::string ADataFolder = {});

  // Set only by the in-game editor: saving is skipped, unloading keeps the inventory.
  bool InGameEditor = false;

  TPlayerCollection* Players() const { return FPlayers; }
  int CurrentPlayerIndex() const { return FCurrentPlayerIndex; }
  // The player at the current index, or none when it is out of range.
  TPlayer* GetCurrentPlayer() const;
  const std::string& DataFolder() const { return FDataFolder; }
  // Created when missing.
  virtual std::string GetProfilesFolder() const;

  virtual void SetCurrentPlayerIndex(int Index);
  virtual void Initialize() {}
  // "Index out of bounds" outside the list.
  virtual void SelectPlayer(int Index);
  // "Player must have a name" for an empty one; the new profile's files are written at once.
  virtual TPlayer* CreateNewPlayer(const std::string& Name);
  // Deletes the profile's files and the profile; a current profile deleted leaves none current.
  virtual void DeletePlayer(int Index);

protected:
  void Destroy() override;

private:
  TPlayerCollection* FPlayers; // owned
  int FCurrentPlayerIndex = -1;
  std::string FDataFolder;
};

class TGameData : public TBaseGameData {
  G_CLASS(TGameData, TBaseGameData)
  explicit TGameData(TGObject* AOwner = nullptr, std::string ADataFolder = {});

  TGAbstractStartupLog* StartupLog() const { return FStartupLog; }
  void SetStartupLog(TGAbstractStartupLog* Value) { FStartupLog = Value; }
  bool PortalLogoMissing() const { return FPortalLogoMissing; }
  // Made on first use from "HighScores.xml" of the data folder.
  THighScores* HighScores();
  // How many corrupted profiles the last start-up deleted.
  int DeletedProfiles() const { return FDeletedProfiles; }

  // "GameScreen object must be freed" while a play screen exists.
  void SetCurrentPlayerIndex(int Index) override;
  void Initialize() override;
  void SelectPlayer(int Index) override;

private:
  void LoadPortalLogo();
  void ReadProfiles();

  TGAbstractStartupLog* FStartupLog = nullptr;
  uint32_t FStartTime = 0;
  bool FPortalLogoMissing = false;
  THighScores* FHighScores = nullptr; // owned
  int FDeletedProfiles = 0;
};

// The program's game data, or none before it is made.
extern TBaseGameData* GameData;

// Whether the in-game editor is running (never in the game itself).
inline bool InGameEditor() {
  return GameData && GameData->InGameEditor;
}
