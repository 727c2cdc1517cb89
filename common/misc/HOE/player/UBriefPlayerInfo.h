// A profile's brief information ("Brief.cfg"): what the menus show without loading the game
// (name, dates, location, volumes, difficulty, scores) and the collections kept beside it.
#pragma once

#include "base/UGDateTime.h"
#include "io/UGStream.h"
#include "object/UGClassBuilder.h"
#include "object/UGObject.h"
#include "player/UCollections.h"

#include <cstdint>
#include <string>

class TGXMLNode;

enum TGameDifficulty { gdApprentice = 0, gdAdventurer = 1, gdSuperSleuth = 2 };
G_DECLARE_ENUM(TGameDifficulty);

class TBaseBriefPlayerInfo : public TGObject {
  G_CLASS(TBaseBriefPlayerInfo, TGObject)
  explicit TBaseBriefPlayerInfo(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  std::string PlayerName;
  TGDateTime CreationTime = 0;
  TGDateTime SavingTime = 0;
  // The game was started under this profile object (never read from the file).
  bool ProfilePlayed = false;
  std::string LocationURL;
  uint8_t MusicVolume = 0;
  uint8_t SoundVolume = 0;
  bool FullScreenMode = false;

  // Reading fails (a range error for a volume above 100) when something required is missing.
  virtual void LoadFromXML(const TGXMLNode* Node);
  // A new "BriefPlayerInfo" element; "SavingTime" is the moment of writing.
  virtual TGXMLNode* SaveToXML();
  void LoadFromStream(TGStream& AStream);
  void SaveToStream(TGStream& AStream);

  // Whether the display is in full screen now (written instead of the field).
  static bool DisplayFullScreen();
};

class TBriefPlayerInfo : public TBaseBriefPlayerInfo {
  G_CLASS(TBriefPlayerInfo, TBaseBriefPlayerInfo)
  explicit TBriefPlayerInfo(TGObject* AOwner = nullptr);

  TMuseumItems* MuseumItems() const { return FMuseumItems; }
  TPlayerStatistics* PlayerStatistics() const { return FPlayerStatistics; }
  TCollectedZephrinsManager* CollectedZephrins() const { return FCollectedZephrins; }

  bool ScannerVisible = false;
  bool GameFinished = false;
  bool WideScreen = false;
  float PlayTime = 0;
  float ChapterTime = 2400;
  int32_t ChapterScore = 0;
  bool CliffhangerViewed = false;
  std::string GUID;
  TGameDifficulty GameDifficulty = gdApprentice;
  int32_t TakenZephrinCount = 0;
  bool ZephrinModeUnlocked = false;
  int32_t Score = 0;
  bool UnlimLocationComplete = false;
  int32_t HintsCount = 1;

  void LoadFromXML(const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() override;

private:
  TMuseumItems* FMuseumItems;                    // owned
  TPlayerStatistics* FPlayerStatistics;          // owned
  TCollectedZephrinsManager* FCollectedZephrins; // owned
};
