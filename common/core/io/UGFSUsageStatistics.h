// How often each file of a file system is opened, kept across runs in a database beside it
// (Location + ".statdb"), and a report of the files never used.
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGObject.h"

class TGFileSystem;

class TGFSUsageStatistics : public TGObject {
  G_CLASS(TGFSUsageStatistics, TGObject)
  // Owned by the file system it observes.
  explicit TGFSUsageStatistics(TGObject* AOwner = nullptr);
  // Lists every non-hidden file with a count of 0, then adds the counts of earlier runs.
  void AfterConstruction() override;

  void IncrementUsageCounter(const std::string& Path);
  int32_t UsageCount(const std::string& Path) const;
  std::string GetDBFileName() const;
  void LoadFromFile();
  void SaveToFile();
  void GenerateReport(const std::string& FileName) const;
  const TGFastStringList& List() const { return FList; }

protected:
  // Writes the database.
  void Destroy() override;

private:
  TGFileSystem* FileSystem() const;

  TGFastStringList FList;   // path to counter, sorted, case ignored
  bool FLoadFailed = false; // a database that could not be read is left as it is
};
