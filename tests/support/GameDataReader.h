// What a run of the program left in its data folder and its program folder, read without the
// game: the profile list ("Profiles/ProfileNN.plr" with their checksums), each profile's
// entries ("Brief.cfg", "Player.cfg", "loc\\<file>" as XML, inflated where they are kept as
// zlib streams), "HighScores.xml" and "Alerts.txt". Reading never changes a file.
#pragma once

#include "object/UGObject.h"
#include "player/UBriefPlayerInfo.h"
#include "xml/UGXMLNode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One profile's files.
class TProfileReader {
public:
  explicit TProfileReader(std::string APlrFileName);

  const std::string& FileName() const { return FFileName; }
  // The archive and its checksum file as they are on the disk (empty when missing).
  std::string Bytes() const;
  std::string ChecksumBytes() const;
  // The archive exists and matches its checksum, as the game tests it at start.
  bool Sound() const;
  // The paths inside the archive ("Brief.cfg", "Player.cfg", "loc\\Harbour.loc"), sorted.
  std::vector<std::string> Entries() const;
  // The bytes of an entry as stored; raises when the profile or the entry is missing.
  std::string Entry(const std::string& Path) const;
  // An entry's XML, inflated first when it is kept compressed.
  TGObjectPtr<TGXMLNode> XML(const std::string& Path) const;
  // "Brief.cfg" read as the game reads it (name, location, score, GUID, dates...).
  TGObjectPtr<TBriefPlayerInfo> Brief() const;

private:
  std::string FFileName;
};

// A line of "HighScores.xml".
struct THighScoreLine {
  std::string GUID;
  std::string Player;
  int32_t Scores = 0;
  int32_t Time = 0;
  int32_t Ankhs = 0;
};

class TGameDataReader {
public:
  // DataFolder holds "Profiles" and "HighScores.xml" (a replay's is "PlaybackData");
  // ProgramFolder is the program's working folder, where "Alerts.txt" goes.
  explicit TGameDataReader(std::string ADataFolder, std::string AProgramFolder = {});

  const std::string& DataFolder() const { return FDataFolder; }
  std::string ProfilesFolder() const { return FDataFolder + "/Profiles"; }
  bool HasProfileList() const;
  // The profile archives the game would find, as paths below "Profiles" ("Profile01.plr"),
  // sorted.
  std::vector<std::string> ProfileFiles() const;
  std::vector<TProfileReader> Profiles() const;
  // The profile of that file below "Profiles".
  TProfileReader Profile(const std::string& RelativeName) const;
  // The first profile whose brief information names the player, if any.
  std::optional<TProfileReader> ProfileOf(const std::string& PlayerName) const;

  bool HasHighScores() const;
  // The table's lines in file order; none without the file. A damaged file raises.
  std::vector<THighScoreLine> HighScores() const;

  // "Alerts.txt" of the program's folder, when the run wrote one.
  std::optional<std::string> Alerts() const;

private:
  std::string FDataFolder;
  std::string FProgramFolder;
};
