// The archive's directory: 512-byte entries in a chain of directory pages, held whole in memory
// with an index by parent and name.
#pragma once

#include "sfs/USFSCommon.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class TPageFileManager;
class TFreeSpaceManager;

using TDIRArray = std::vector<TDirectoryElement>;

class TDIRManager {
public:
  // Loads the directory of an existing archive (Load true) or starts an empty one.
  TDIRManager(TPageFileManager& PFM, TFreeSpaceManager& FSM, bool Load);

  int32_t Count() const { return int32_t(FItems.size()); }
  const TDirectoryElement& Item(int32_t Index) const { return FItems[size_t(Index)]; }
  int ElementsPerPage() const { return FDIRElementsPerPage; }
  const std::vector<int32_t>& Pages() const { return FPages; }

  // Adds an entry (reusing the first deleted slot); returns its index, or erDiskFull.
  int32_t AddItem(const TDirectoryElement& Element);
  // Replaces entry Index and rewrites its directory page.
  void WriteItem(int32_t Index, const TDirectoryElement& Element);

  // The live entry named Name (any case) in folder Parent, or -1.
  int32_t FindChild(int32_t Parent, const std::string& Name) const;
  // True when a live entry of that name exists anywhere.
  bool NameExists(const std::string& Name) const;
  // Live entries in folder Parent, by index.
  std::vector<int32_t> Children(int32_t Parent) const;
  bool IsLiveFolder(int32_t Index) const;

  // Open handles per entry.
  int32_t OpenedFiles(int32_t Index) const { return FOpenedFiles[size_t(Index)]; }
  void AddOpened(int32_t Index, int32_t Delta) { FOpenedFiles[size_t(Index)] += Delta; }

private:
  void Validate();
  void IndexAdd(int32_t Index);
  void IndexRemove(int32_t Index);
  void SavePage(size_t PageIndex, const char* Where);

  TPageFileManager& FPFM;
  TFreeSpaceManager& FFSM;
  int FDIRElementsPerPage = 1;
  TDIRArray FItems;
  std::vector<int32_t> FOpenedFiles;
  std::vector<int32_t> FPages;
  std::set<int32_t> FDeleted;
  std::map<std::pair<int32_t, std::string>, std::set<int32_t>> FByName;
  std::map<int32_t, std::set<int32_t>> FByParent;
  std::unordered_map<std::string, int32_t> FNameCount;
};
