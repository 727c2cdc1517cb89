// The locations (".loc" below "loc"): their IDs, the objects their elements name, the engine's
// loader making them into one world as a profile does, and their item pages dealt as entering a
// location deals them.
#pragma once

#include "UContentFiles.h"
#include "UFindings.h"

#include <map>
#include <string>
#include <vector>

class TBaseLocation;
class TGXMLNode;

class TLocationChecks {
public:
  // The game framework (its object table) must be started.
  TLocationChecks(TContentFiles& Files, TFindings& Findings);
  ~TLocationChecks();
  TLocationChecks(const TLocationChecks&) = delete;
  TLocationChecks& operator=(const TLocationChecks&) = delete;

  // Location IDs once among the locations, object IDs once in the whole game (a profile holds
  // every location's objects in one table), and the objects that items, hidden objects,
  // atmosphere lists, animation channels and tools' targets name are there.
  void CheckIDs(const std::vector<std::string>& LocationFiles);
  // Each location whose IDs are sound, made by the engine's loader into one world.
  void LoadWorld();
  // Each loaded location's item pages dealt Rounds times from different random seeds (the
  // deal shuffles): the dealer's failures, and "Random" places that no object fills.
  void CheckDistributions(int Rounds);
  // The locations as loaded (for other checks), by file.
  const std::map<std::string, TBaseLocation*>& Loaded() const { return FLoaded; }

private:
  struct TLocationFile {
    std::string File;
    std::string URL;
    const TXMLFile* XML = nullptr;
    bool Loadable = true;                   // no ID fault that the loader would refuse
    std::map<std::string, int32_t> Objects; // upper-case ID -> line
  };
  void CollectObjects(TLocationFile& L);
  void CheckNamedObjects(const TLocationFile& L);
  void CheckNamed(const TLocationFile& L, const TGXMLNode* Node, const std::string& ID,
                  const char* What, bool AnyLocation);
  bool HasObject(const std::string& ID) const;
  TBaseLocation* Load(const TLocationFile& L);
  // Where a location that the loader refused fails: the first object that cannot be read on
  // its own, else the root.
  int32_t FailingObjectLine(const TLocationFile& L) const;
  void DealOnce(TLocationFile& L, uint32_t Seed, bool& Reported);

  TContentFiles& FFiles;
  TFindings& FFindings;
  std::vector<TLocationFile> FLocations;
  std::map<std::string, std::string> FObjectHomes; // upper-case object ID -> file
  std::map<std::string, TBaseLocation*> FLoaded;
};
