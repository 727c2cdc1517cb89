// Page maps of stored files: the numbers of a file's data pages, listed in a chain of map pages.
#pragma once

#include "sfs/USFSCommon.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class TPageFileManager;
class TFreeSpaceManager;

struct TUserFilePageMap {
  std::vector<int32_t> MapPages;
  std::vector<int32_t> DataPages;
};

class TUserFilePageMapManager {
public:
  static constexpr size_t MaxCachedMaps = 100;

  TUserFilePageMapManager(TPageFileManager& PFM, TFreeSpaceManager& FSM);

  int PagesPerMapPage() const { return FPagesPerMapPage; }
  // The map of a file (cached by first map page). Returns erOk, erInvalidUFMap for a map that
  // points outside the file, loops or is too short for the file size, or a page read code.
  int32_t GetMaps(const TDirectoryElement& FileRec, const TUserFilePageMap*& Map);
  // Grows or shrinks the map of FileRec to cover NewSize bytes; new data pages are written
  // empty (with encryption EncType and the file's key text Key) unless they lie in
  // [SkipFrom, SkipTo) (bytes), which the caller writes itself. Updates FileRec.FirstMapPageNo.
  // Returns erOk, erDiskFull or a map error.
  int32_t Resize(TDirectoryElement& FileRec, int64_t NewSize, uint8_t EncType,
                 const std::string& Key, int64_t SkipFrom = 0, int64_t SkipTo = 0);
  // Releases every page of the file and forgets its map.
  void Release(TDirectoryElement& FileRec);
  void Drop(int32_t FirstMapPageNo) { FCache.erase(FirstMapPageNo); }

private:
  int32_t LoadMap(const TDirectoryElement& FileRec, TUserFilePageMap& Map);
  void SaveMapPages(const TUserFilePageMap& Map, size_t FromMapPage);
  int64_t PagesFor(int64_t Size) const;

  TPageFileManager& FPFM;
  TFreeSpaceManager& FFSM;
  int FPagesPerMapPage = 1;
  std::unordered_map<int32_t, TUserFilePageMap> FCache;
};
