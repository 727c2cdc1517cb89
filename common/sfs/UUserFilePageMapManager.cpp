#include "sfs/UUserFilePageMapManager.h"

#include "base/UGError.h"
#include "sfs/UFreeSpaceManager.h"
#include "sfs/UPageFileManager.h"

#include <unordered_set>

TUserFilePageMapManager::TUserFilePageMapManager(TPageFileManager& PFM, TFreeSpaceManager& FSM)
    : FPFM(PFM)
    , FFSM(FSM) {
  FPagesPerMapPage = PFM.DataSize() / 4;
}

int64_t TUserFilePageMapManager::PagesFor(int64_t Size) const {
  const int64_t D = FPFM.DataSize();
  return Size <= 0 ? 0 : (Size + D - 1) / D;
}

int32_t TUserFilePageMapManager::LoadMap(const TDirectoryElement& FileRec, TUserFilePageMap& Map) {
  Map = TUserFilePageMap();
  const int64_t Need = PagesFor(FileRec.FileSize);
  if (FileRec.FirstMapPageNo == NoPage) {
    return Need == 0 ? erOk : erInvalidUFMap;
  }
  const int32_t Total = FPFM.TotalPageCount();
  std::vector<uint8_t> Buf(static_cast<size_t>(FPFM.DataSize()));
  std::unordered_set<int32_t> Seen;
  int32_t PageNo = FileRec.FirstMapPageNo;
  TPageHeader PH;
  do {
    if (PageNo < 1 || PageNo >= Total || FFSM.IsSystemPage(PageNo) || !Seen.insert(PageNo).second) {
      return erInvalidUFMap;
    }
    int32_t Rc = FPFM.ReadPage(PageNo, UFPMPage, PH, Buf.data(), FPFM.DataSize());
    if (Rc != erOk) {
      return Rc;
    }
    Map.MapPages.push_back(PageNo);
    for (int I = 0; I < FPagesPerMapPage && int64_t(Map.DataPages.size()) < Need; ++I) {
      int32_t P = GetI32(&Buf[size_t(I) * 4]);
      if (P < 1 || P >= Total || FFSM.IsSystemPage(P) || !Seen.insert(P).second) {
        return erInvalidUFMap;
      }
      Map.DataPages.push_back(P);
    }
    PageNo = PH.NextPageNo;
  } while (int64_t(Map.DataPages.size()) < Need && PageNo != NoPage);
  return int64_t(Map.DataPages.size()) == Need ? erOk : erInvalidUFMap;
}

int32_t TUserFilePageMapManager::GetMaps(const TDirectoryElement& FileRec,
                                         const TUserFilePageMap*& Map) {
  Map = nullptr;
  if (FileRec.FirstMapPageNo != NoPage) {
    auto It = FCache.find(FileRec.FirstMapPageNo);
    if (It != FCache.end()) {
      if (int64_t(It->second.DataPages.size()) == PagesFor(FileRec.FileSize)) {
        Map = &It->second;
        return erOk;
      }
      FCache.erase(It);
    }
  }
  TUserFilePageMap Loaded;
  int32_t Rc = LoadMap(FileRec, Loaded);
  if (Rc != erOk) {
    return Rc;
  }
  if (FileRec.FirstMapPageNo == NoPage) {
    static const TUserFilePageMap Empty;
    Map = &Empty;
    return erOk;
  }
  if (FCache.size() >= MaxCachedMaps) {
    FCache.clear();
  }
  Map = &(FCache[FileRec.FirstMapPageNo] = std::move(Loaded));
  return erOk;
}

void TUserFilePageMapManager::SaveMapPages(const TUserFilePageMap& Map, size_t FromMapPage) {
  std::vector<uint8_t> Buf(static_cast<size_t>(FPFM.DataSize()), 0);
  for (size_t M = FromMapPage; M < Map.MapPages.size(); ++M) {
    std::fill(Buf.begin(), Buf.end(), 0);
    const size_t First = M * size_t(FPagesPerMapPage);
    for (size_t I = First; I < First + size_t(FPagesPerMapPage) && I < Map.DataPages.size(); ++I) {
      PutI32(&Buf[(I - First) * 4], Map.DataPages[I]);
    }
    TPageHeader PH;
    PH.PageType = UFPMPage;
    PH.NextPageNo = M + 1 < Map.MapPages.size() ? Map.MapPages[M + 1] : NoPage;
    if (FPFM.WritePage(Map.MapPages[M], PH, Buf.data(), FPFM.DataSize()) != erOk) {
      throw Error("TUserFilePageMapManager.SaveMaps - can not save map page, pageNo = %d",
                  Map.MapPages[M]);
    }
  }
}

int32_t TUserFilePageMapManager::Resize(TDirectoryElement& FileRec, int64_t NewSize,
                                        uint8_t EncType, const std::string& Key, int64_t SkipFrom,
                                        int64_t SkipTo) {
  const TUserFilePageMap* Cur = nullptr;
  int32_t Rc = GetMaps(FileRec, Cur);
  if (Rc != erOk) {
    return Rc;
  }
  TUserFilePageMap Map = *Cur;
  const int64_t D = FPFM.DataSize();
  const int64_t Old = int64_t(Map.DataPages.size());
  const int64_t Need = PagesFor(NewSize);
  if (Need > INT32_MAX) {
    return erDiskFull;
  }
  if (Need == Old) {
    return erOk;
  }
  const int64_t MapNeed = std::max<int64_t>(1, (Need + FPagesPerMapPage - 1) / FPagesPerMapPage);
  const int32_t E = FPFM.Header().ExtentPageCount;
  std::vector<int32_t> Released;
  size_t FirstDirtyMap = Map.MapPages.size();
  if (Need > Old) {
    if (int64_t(Map.MapPages.size()) < MapNeed) {
      std::vector<int32_t> New;
      const int32_t Near = Map.MapPages.empty() ? 1 : Map.MapPages.back();
      if (!FFSM.GetPages(int32_t(MapNeed - int64_t(Map.MapPages.size())), Near, false, New)) {
        return erDiskFull;
      }
      FirstDirtyMap = Map.MapPages.empty() ? 0 : Map.MapPages.size() - 1;
      Map.MapPages.insert(Map.MapPages.end(), New.begin(), New.end());
    }
    {
      std::vector<int32_t> New;
      const int32_t Near = Map.DataPages.empty() ? Map.MapPages.back() : Map.DataPages.back();
      if (!FFSM.GetPages(int32_t(Need - Old), Near, Need > E, New)) {
        if (FirstDirtyMap < Map.MapPages.size()) {
          // Give back the map pages taken for this request.
          size_t Keep = Cur->MapPages.size();
          FFSM.FreePages({Map.MapPages.begin() + long(Keep), Map.MapPages.end()});
        }
        return erDiskFull;
      }
      std::vector<uint8_t> Zero(static_cast<size_t>(D), 0);
      for (size_t I = 0; I < New.size(); ++I) {
        const int64_t Start = (Old + int64_t(I)) * D;
        if (Start >= SkipFrom && Start + D <= SkipTo) {
          continue;
        }
        TPageHeader PH;
        PH.PageType = UFPage;
        PH.EncType = EncType;
        if (FPFM.WritePage(New[I], PH, Zero.data(), int(D), Key) != erOk) {
          return erWritePageError;
        }
      }
      FirstDirtyMap = std::min<size_t>(FirstDirtyMap, size_t(Old / FPagesPerMapPage));
      Map.DataPages.insert(Map.DataPages.end(), New.begin(), New.end());
    }
  } else if (Need < Old) {
    Released.assign(Map.DataPages.begin() + Need, Map.DataPages.end());
    Map.DataPages.resize(size_t(Need));
    if (int64_t(Map.MapPages.size()) > MapNeed) {
      Released.insert(Released.end(), Map.MapPages.begin() + MapNeed, Map.MapPages.end());
      Map.MapPages.resize(size_t(MapNeed));
    }
    FirstDirtyMap = size_t(MapNeed - 1);
  }
  if (FirstDirtyMap < Map.MapPages.size()) {
    SaveMapPages(Map, FirstDirtyMap);
  }
  if (FileRec.FirstMapPageNo != NoPage) {
    FCache.erase(FileRec.FirstMapPageNo);
  }
  FileRec.FirstMapPageNo = Map.MapPages.front();
  if (FCache.size() >= MaxCachedMaps) {
    FCache.clear();
  }
  FCache[FileRec.FirstMapPageNo] = std::move(Map);
  if (!Released.empty()) {
    FFSM.FreePages(Released);
  }
  return erOk;
}

void TUserFilePageMapManager::Release(TDirectoryElement& FileRec) {
  TUserFilePageMap Map;
  // A damaged map frees what could be read of it.
  LoadMap(FileRec, Map);
  if (FileRec.FirstMapPageNo != NoPage) {
    FCache.erase(FileRec.FirstMapPageNo);
  }
  std::vector<int32_t> Pages = Map.MapPages;
  Pages.insert(Pages.end(), Map.DataPages.begin(), Map.DataPages.end());
  FileRec.FirstMapPageNo = NoPage;
  FileRec.FileSize = 0;
  if (!Pages.empty()) {
    FFSM.FreePages(Pages);
  }
}
