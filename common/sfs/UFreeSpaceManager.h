// Free-space bookkeeping of the page file: the PFS bitmap (one bit per page, 1 = free) and the
// GAM/SGAM bitmaps (one bit per extent: entirely free / shared with free pages).
#pragma once

#include <cstdint>
#include <set>
#include <vector>

class TPageFileManager;

class TFreeSpaceManager {
public:
  // Loads the bitmaps of an existing archive (Load true) or starts empty ones.
  TFreeSpaceManager(TPageFileManager& PFM, bool Load);

  // Takes Count pages, starting near NearPageNo; Uniform asks for unshared extents. Appends the
  // page numbers to Pages. False when the file cannot grow (disk full).
  bool GetPages(int32_t Count, int32_t NearPageNo, bool Uniform, std::vector<int32_t>& Pages);
  // Releases pages and cuts a free run at the end of the file.
  void FreePages(std::vector<int32_t> Pages);

  bool IsPageFree(int32_t PageNo) const;
  bool IsSystemPage(int32_t PageNo) const;
  // The highest page in use (0 when none).
  int32_t GetLastUsedPageNo() const;

  int32_t ExtentCount() const { return FExtentCount; }
  int32_t FreeExtentCount() const { return FFreeExtentCount; }
  int32_t MixedExtentCount() const { return FMixedExtentCount; }
  int PFSPageSize() const { return FPFSPageSize; }
  int PFSExtentsPerPage() const { return FPFSExtentsPerPage; }
  int GAMPageSize() const { return FGAMPageSize; }
  int GAMExtentsPerPage() const { return FGAMExtentsPerPage; }
  bool GAMBit(int32_t Extent) const;
  bool SGAMBit(int32_t Extent) const;

private:
  int64_t PFSPageNo(int32_t K) const;
  int64_t GAMPageNo(int32_t K) const;
  bool PFSBit(int64_t RelPage) const;
  void SetPFSBit(int64_t RelPage, bool V);
  void SetGAMBit(int32_t Extent, bool V);
  void SetSGAMBit(int32_t Extent, bool V);
  void UseExtent(int32_t Extent, int32_t& Need, bool Uniform, std::vector<int32_t>& Pages);
  bool AddExtents(int32_t Need, std::vector<int32_t>& NewExtents);
  void Save();

  TPageFileManager& FPFM;
  int FPFSPageSize = 0;
  int FPFSExtentsPerPage = 0;
  int FGAMPageSize = 0;
  int FGAMExtentsPerPage = 0;
  int32_t FExtentPageCount = 1;
  int32_t FExtentCount = 0;
  int32_t FFreeExtentCount = 0;
  int32_t FMixedExtentCount = 0;
  std::vector<uint8_t> FPFS, FGAM, FSGAM;
  std::set<int32_t> FDirtyPFS, FDirtyGAM;
  // System pages of bitmap pages added but not yet inside an extent.
  std::set<int64_t> FPendingSystem;
};
