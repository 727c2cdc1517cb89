// What a profile has collected beyond the current location: the objects placed in the museum,
// the collectible birds taken in each location and the best results in the unlimited mode. All
// are saved with the profile's brief information.
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>
#include <vector>

class TGXMLNode;

// Museum exhibits by ID: sorted, case ignored, each once.
class TMuseumItems : public TGObject {
  G_CLASS(TMuseumItems, TGObject)
  explicit TMuseumItems(TGObject* AOwner = nullptr);

  int Count() const { return FItems.Count(); }
  const std::string& Item(int Index) const { return FItems.Get(Index); }
  // An ID present already is dropped.
  void AddItem(std::string_view Id);
  bool DoesInMuseum(std::string_view Id) const { return FItems.IndexOf(Id) >= 0; }

  // "MuseumItems" with one "Item" per ID ("Name"); loading empties the list first.
  void LoadFromXML(const TGXMLNode* XML);
  TGXMLNode* SaveToXML() const;

private:
  TGFastStringList FItems;
};

struct TCSMRec {
  std::string LocationURL;
  std::vector<std::string> ZephrinIDsCollected; // in the order taken
};

// The collectible birds taken in each location.
class TCollectedZephrinsManager : public TGObject {
  G_CLASS(TCollectedZephrinsManager, TGObject)
  explicit TCollectedZephrinsManager(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  const std::vector<TCSMRec>& Records() const { return FRecords; }
  // The last record of the URL (case ignored), or -1.
  int GetIdx(std::string_view LocationURL) const;
  void AddRecord(std::string_view LocationURL);
  // Appends the bird to the location's record, making the record when missing.
  void RegisterZephrin(std::string_view LocationURL, std::string_view ZephrinID);
  bool IsCollected(std::string_view LocationURL, std::string_view ZephrinID) const;

  // "CollectedZephrins": a "Record" per location ("LocationURL") holding a "ZephrinID" ("ID")
  // per bird. Loading replaces every record, and changes nothing when the element is faulty.
  void LoadFromXML(const TGXMLNode* XML);
  TGXMLNode* SaveToXML() const;

private:
  std::vector<TCSMRec> FRecords;
};

struct TStatsUnlimRec {
  std::string LocationURL;
  float BestTime = 100000; // seconds; lower is better
  int32_t BestScore = 0;   // higher is better
};

// The best results of the unlimited hidden-object locations, in the order first reached.
class TPlayerStatistics : public TGObject {
  G_CLASS(TPlayerStatistics, TGObject)
  explicit TPlayerStatistics(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  const std::vector<TStatsUnlimRec>& Records() const { return FStatsUnlim; }
  // The last record of exactly that URL, or -1.
  int GetIdx(std::string_view LocationURL) const;
  // Keeps the better time and the better score of the URL.
  void AddUnlimited(std::string_view LocationURL, float Time, int32_t Score);
  float GetUnlimBestTimeInSec(std::string_view LocationURL) const;
  // "2:05", or "-" without a record.
  std::string GetUnlimBestTime(std::string_view LocationURL) const;
  // With the localisation key "$,$" before the last three digits; "-" without a record.
  std::string GetUnlimBestScore(std::string_view LocationURL) const;

  // "PlayerStatistics" with a "StatsUnlim" per record; loading replaces every record.
  void LoadFromXML(const TGXMLNode* XML);
  TGXMLNode* SaveToXML() const;

private:
  std::vector<TStatsUnlimRec> FStatsUnlim;
};
