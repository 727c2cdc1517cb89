// What a profile has collected beyond the current location: the objects placed in the museum
// and the collectible birds taken in each location. Both are saved with the profile's brief
// information.
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
