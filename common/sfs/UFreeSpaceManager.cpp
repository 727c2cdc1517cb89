#include "sfs/UFreeSpaceManager.h"

#include "base/UGError.h"
#include "sfs/UPageFileManager.h"

#include <algorithm>

TFreeSpaceManager::TFreeSpaceManager(TPageFileManager& PFM, bool Load)
    : FPFM(PFM) {
  TSingleFileHeader& H = PFM.Header();
  const int64_t D = PFM.DataSize();
  const int64_t E = H.ExtentPageCount;
  FExtentPageCount = H.ExtentPageCount;
  const int64_t PFSBits = (8 * D / E) * E;
  FPFSPageSize = int(PFSBits / 8);
  FPFSExtentsPerPage = int((PFSBits / 8 * 8) / E);
  const int64_t GAMBits = (8 * D / FPFSExtentsPerPage) * FPFSExtentsPerPage;
  FGAMPageSize = int(GAMBits / 8);
  FGAMExtentsPerPage = int(GAMBits / 8 * 8);
  if (FPFSExtentsPerPage < 1 || FGAMExtentsPerPage < 1 || FPFSPageSize < 1 || FGAMPageSize < 1) {
    PFM.Corrupted("the extent page count leaves no room for the bitmaps");
  }
  FExtentCount = int32_t((int64_t(H.TOTALPageCount) - H.HDRPageCount) / E);
  if (!Load) {
    return;
  }
  if (int64_t(H.PFSPageCount) * FPFSExtentsPerPage < FExtentCount) {
    throw Error("TFreeSpaceManager.Create - PFSPageCount * FPageSize < FExtentCount!");
  }
  if (int64_t(H.GAMPageCount) * FGAMExtentsPerPage < FExtentCount) {
    throw Error("TFreeSpaceManager.Create - GAMPageCount * FPageSize < FExtentCount!");
  }
  TPageHeader PH;
  for (int32_t K = 0; K < H.PFSPageCount; ++K) {
    int64_t No = PFSPageNo(K);
    size_t At = FPFS.size();
    FPFS.resize(At + size_t(FPFSPageSize));
    if (No >= H.TOTALPageCount ||
        PFM.ReadPage(int32_t(No), PFSPage, PH, &FPFS[At], FPFSPageSize) != erOk) {
      throw Error("TFreeSpaceManager.LoadPFS - can not load page, pageNo = %d", No);
    }
  }
  for (int32_t K = 0; K < H.GAMPageCount; ++K) {
    int64_t No = GAMPageNo(K);
    size_t At = FGAM.size();
    FGAM.resize(At + size_t(FGAMPageSize));
    FSGAM.resize(At + size_t(FGAMPageSize));
    if (No >= H.TOTALPageCount ||
        PFM.ReadPage(int32_t(No), GAMPage, PH, &FGAM[At], FGAMPageSize) != erOk) {
      throw Error("TFreeSpaceManager.LoadGAM - can not load page, pageNo = %d", No);
    }
    if (No + 1 >= H.TOTALPageCount ||
        PFM.ReadPage(int32_t(No + 1), SGAMPage, PH, &FSGAM[At], FGAMPageSize) != erOk) {
      throw Error("TFreeSpaceManager.LoadGAM - can not load SGAM page, pageNo = %d", No + 1);
    }
  }
  // The bitmap pages themselves are never free, whatever the bits say.
  for (int32_t K = 0; K < H.PFSPageCount; ++K) {
    SetPFSBit(PFSPageNo(K) - 1, false);
  }
  for (int32_t K = 0; K < H.GAMPageCount; ++K) {
    if (GAMPageNo(K) - 1 < int64_t(FExtentCount) * E) {
      SetPFSBit(GAMPageNo(K) - 1, false);
    }
    if (GAMPageNo(K) < int64_t(FExtentCount) * E) {
      SetPFSBit(GAMPageNo(K), false);
    }
  }
  FDirtyPFS.clear();
  for (int32_t X = 0; X < FExtentCount; ++X) {
    FFreeExtentCount += GAMBit(X) ? 1 : 0;
    FMixedExtentCount += SGAMBit(X) ? 1 : 0;
  }
}

int64_t TFreeSpaceManager::PFSPageNo(int32_t K) const {
  return 1 + int64_t(K) * FPFSExtentsPerPage * FExtentPageCount;
}

int64_t TFreeSpaceManager::GAMPageNo(int32_t K) const {
  return 2 + int64_t(K) * FGAMExtentsPerPage * FExtentPageCount;
}

bool TFreeSpaceManager::PFSBit(int64_t R) const {
  const int64_t PerPage = int64_t(FPFSExtentsPerPage) * FExtentPageCount;
  const int64_t K = R / PerPage, Off = R % PerPage;
  const size_t Byte = size_t(K * FPFSPageSize + Off / 8);
  return R >= 0 && Byte < FPFS.size() && (FPFS[Byte] >> (Off % 8) & 1) != 0;
}

void TFreeSpaceManager::SetPFSBit(int64_t R, bool V) {
  const int64_t PerPage = int64_t(FPFSExtentsPerPage) * FExtentPageCount;
  const int64_t K = R / PerPage, Off = R % PerPage;
  const size_t Byte = size_t(K * FPFSPageSize + Off / 8);
  if (R < 0 || Byte >= FPFS.size()) {
    return;
  }
  const uint8_t Mask = uint8_t(1u << (Off % 8));
  FPFS[Byte] = V ? uint8_t(FPFS[Byte] | Mask) : uint8_t(FPFS[Byte] & ~Mask);
  FDirtyPFS.insert(int32_t(K));
}

bool TFreeSpaceManager::GAMBit(int32_t X) const {
  const size_t Byte =
      size_t(X / FGAMExtentsPerPage) * size_t(FGAMPageSize) + size_t(X % FGAMExtentsPerPage) / 8;
  return X >= 0 && Byte < FGAM.size() && (FGAM[Byte] >> (X % FGAMExtentsPerPage % 8) & 1) != 0;
}

bool TFreeSpaceManager::SGAMBit(int32_t X) const {
  const size_t Byte =
      size_t(X / FGAMExtentsPerPage) * size_t(FGAMPageSize) + size_t(X % FGAMExtentsPerPage) / 8;
  return X >= 0 && Byte < FSGAM.size() && (FSGAM[Byte] >> (X % FGAMExtentsPerPage % 8) & 1) != 0;
}

void TFreeSpaceManager::SetGAMBit(int32_t X, bool V) {
  const size_t Byte =
      size_t(X / FGAMExtentsPerPage) * size_t(FGAMPageSize) + size_t(X % FGAMExtentsPerPage) / 8;
  if (X < 0 || Byte >= FGAM.size()) {
    return;
  }
  const uint8_t Mask = uint8_t(1u << (X % FGAMExtentsPerPage % 8));
  FGAM[Byte] = V ? uint8_t(FGAM[Byte] | Mask) : uint8_t(FGAM[Byte] & ~Mask);
  FDirtyGAM.insert(X / FGAMExtentsPerPage);
}

void TFreeSpaceManager::SetSGAMBit(int32_t X, bool V) {
  const size_t Byte =
      size_t(X / FGAMExtentsPerPage) * size_t(FGAMPageSize) + size_t(X % FGAMExtentsPerPage) / 8;
  if (X < 0 || Byte >= FSGAM.size()) {
    return;
  }
  const uint8_t Mask = uint8_t(1u << (X % FGAMExtentsPerPage % 8));
  FSGAM[Byte] = V ? uint8_t(FSGAM[Byte] | Mask) : uint8_t(FSGAM[Byte] & ~Mask);
  FDirtyGAM.insert(X / FGAMExtentsPerPage);
}

bool TFreeSpaceManager::IsPageFree(int32_t PageNo) const {
  if (PageNo < 1 || int64_t(PageNo) - 1 >= int64_t(FExtentCount) * FExtentPageCount) {
    return false;
  }
  return PFSBit(int64_t(PageNo) - 1);
}

bool TFreeSpaceManager::IsSystemPage(int32_t PageNo) const {
  if (PageNo < 1) {
    return true;
  }
  const TSingleFileHeader& H = FPFM.Header();
  const int64_t PFSStep = int64_t(FPFSExtentsPerPage) * FExtentPageCount;
  const int64_t GAMStep = int64_t(FGAMExtentsPerPage) * FExtentPageCount;
  const int64_t P = PageNo;
  if ((P - 1) % PFSStep == 0 && (P - 1) / PFSStep < H.PFSPageCount) {
    return true;
  }
  for (int64_t Base : {P - 2, P - 3}) {
    if (Base >= 0 && Base % GAMStep == 0 && Base / GAMStep < H.GAMPageCount) {
      return true;
    }
  }
  return FPendingSystem.count(P) != 0;
}

int32_t TFreeSpaceManager::GetLastUsedPageNo() const {
  const int64_t PerPage = int64_t(FPFSExtentsPerPage) * FExtentPageCount;
  int64_t R = int64_t(FExtentCount) * FExtentPageCount - 1;
  while (R >= 0) {
    const int64_t K = R / PerPage, Off = R % PerPage;
    if (Off % 8 == 7) {
      const size_t Byte = size_t(K * FPFSPageSize + Off / 8);
      if (Byte < FPFS.size() && FPFS[Byte] == 0xFF) {
        R -= 8;
        continue;
      }
    }
    if (!PFSBit(R)) {
      return int32_t(R + 1);
    }
    --R;
  }
  return 0;
}

void TFreeSpaceManager::UseExtent(int32_t X, int32_t& Need, bool Uniform,
                                  std::vector<int32_t>& Pages) {
  const int64_t First = int64_t(X) * FExtentPageCount;
  for (int32_t I = 0; I < FExtentPageCount && Need > 0; ++I) {
    if (!PFSBit(First + I)) {
      continue;
    }
    SetPFSBit(First + I, false);
    Pages.push_back(int32_t(First + I + 1));
    --Need;
    if (I == 0) {
      if (GAMBit(X) && !SGAMBit(X)) {
        --FFreeExtentCount;
      }
      SetGAMBit(X, false);
      if (!Uniform && !SGAMBit(X)) {
        SetSGAMBit(X, true);
        ++FMixedExtentCount;
      }
    }
    if (I == FExtentPageCount - 1) {
      if (SGAMBit(X)) {
        --FMixedExtentCount;
      }
      SetGAMBit(X, false);
      SetSGAMBit(X, false);
    }
  }
}

bool TFreeSpaceManager::AddExtents(int32_t Need, std::vector<int32_t>& NewExtents) {
  TSingleFileHeader& H = FPFM.Header();
  const int64_t E = FExtentPageCount;
  int64_t Gained = 0;
  while (Gained < Need || !FPendingSystem.empty()) {
    const int32_t X = FExtentCount;
    const int64_t First = 1 + int64_t(X) * E;
    if (First + E > INT32_MAX) {
      return false;
    }
    if (First + E > H.TOTALPageCount && !FPFM.AppendPages(int32_t(First + E - H.TOTALPageCount))) {
      return false;
    }
    if (X / FPFSExtentsPerPage >= H.PFSPageCount) {
      FPendingSystem.insert(First);
      ++H.PFSPageCount;
      FPFS.resize(FPFS.size() + size_t(FPFSPageSize), 0);
      FDirtyPFS.insert(H.PFSPageCount - 1);
    }
    if (X / FGAMExtentsPerPage >= H.GAMPageCount) {
      FPendingSystem.insert(First + 1);
      FPendingSystem.insert(First + 2);
      ++H.GAMPageCount;
      FGAM.resize(FGAM.size() + size_t(FGAMPageSize), 0);
      FSGAM.resize(FSGAM.size() + size_t(FGAMPageSize), 0);
      FDirtyGAM.insert(H.GAMPageCount - 1);
    }
    int32_t Free = 0;
    for (int64_t I = 0; I < E; ++I) {
      // Bitmap pages placed here earlier (a damaged archive may list more than it needs) stay used.
      bool System = FPendingSystem.erase(First + I) != 0 || IsSystemPage(int32_t(First + I));
      SetPFSBit(First + I - 1, !System);
      Free += System ? 0 : 1;
    }
    if (Free == E) {
      SetGAMBit(X, true);
      SetSGAMBit(X, false);
      ++FFreeExtentCount;
    } else if (Free > 0) {
      SetGAMBit(X, false);
      SetSGAMBit(X, true);
      ++FMixedExtentCount;
    } else {
      SetGAMBit(X, false);
      SetSGAMBit(X, false);
    }
    ++FExtentCount;
    Gained += Free;
    NewExtents.push_back(X);
  }
  FPFM.SaveSFHeader();
  return true;
}

bool TFreeSpaceManager::GetPages(int32_t Count, int32_t NearPageNo, bool Uniform,
                                 std::vector<int32_t>& Pages) {
  if (Count <= 0) {
    return true;
  }
  int32_t Need = Count;
  if (NearPageNo >= 1) {
    const int64_t X = (int64_t(NearPageNo) - 1) / FExtentPageCount;
    if (X < FExtentCount) {
      UseExtent(int32_t(X), Need, Uniform, Pages);
    }
  }
  if (Need > 0 && (FFreeExtentCount > 0 || (!Uniform && FMixedExtentCount > 0))) {
    for (int32_t X = 0; X < FExtentCount && Need > 0; ++X) {
      if (GAMBit(X) || (!Uniform && SGAMBit(X))) {
        UseExtent(X, Need, Uniform, Pages);
      }
    }
  }
  bool Ok = true;
  if (Need > 0) {
    std::vector<int32_t> NewExtents;
    Ok = AddExtents(Need, NewExtents);
    if (!Ok && NewExtents.empty()) {
      Save();
      return false;
    }
    for (int32_t X : NewExtents) {
      if (Need == 0) {
        break;
      }
      UseExtent(X, Need, Uniform, Pages);
    }
    if (Ok && Need > 0) {
      throw Error("TFreeSpaceManager.GetPages - AddExtents appends too small pages.");
    }
  }
  Save();
  if (!Ok || Need > 0) {
    // Give back what was taken: the request as a whole failed.
    std::vector<int32_t> Taken(Pages.end() - (Count - Need), Pages.end());
    Pages.resize(Pages.size() - Taken.size());
    FreePages(Taken);
    return false;
  }
  return true;
}

void TFreeSpaceManager::FreePages(std::vector<int32_t> Pages) {
  const int32_t Last = GetLastUsedPageNo();
  std::sort(Pages.begin(), Pages.end(), std::greater<int32_t>());
  Pages.erase(std::unique(Pages.begin(), Pages.end()), Pages.end());
  std::set<int32_t> Extents;
  for (int32_t P : Pages) {
    if (P < 1 || P >= FPFM.TotalPageCount() || IsSystemPage(P)) {
      continue;
    }
    const int64_t X = (int64_t(P) - 1) / FExtentPageCount;
    if (X >= FExtentCount) {
      continue;
    }
    SetPFSBit(int64_t(P) - 1, true);
    Extents.insert(int32_t(X));
  }
  for (int32_t X : Extents) {
    bool AllFree = true;
    for (int32_t I = 0; I < FExtentPageCount && AllFree; ++I) {
      AllFree = PFSBit(int64_t(X) * FExtentPageCount + I);
    }
    if (AllFree) {
      if (SGAMBit(X)) {
        --FMixedExtentCount;
      }
      if (!GAMBit(X)) {
        ++FFreeExtentCount;
      }
      SetGAMBit(X, true);
      SetSGAMBit(X, false);
    }
  }
  Save();
  int32_t B = Last;
  for (int32_t P : Pages) {
    if (P >= B) {
      B = P - 1;
    }
  }
  if (B < Last) {
    FPFM.CutTo(B + 1);
  }
}

void TFreeSpaceManager::Save() {
  TPageHeader PH;
  for (int32_t K : FDirtyPFS) {
    PH = TPageHeader();
    PH.PageType = PFSPage;
    const int64_t No = PFSPageNo(K);
    if (FPFM.WritePage(int32_t(No), PH, &FPFS[size_t(K) * size_t(FPFSPageSize)], FPFSPageSize) !=
        erOk) {
      throw Error("TFreeSpaceManager.SavePFS - can not save page, pageNo = %d", No);
    }
  }
  FDirtyPFS.clear();
  for (int32_t K : FDirtyGAM) {
    const int64_t No = GAMPageNo(K);
    PH = TPageHeader();
    PH.PageType = GAMPage;
    if (FPFM.WritePage(int32_t(No), PH, &FGAM[size_t(K) * size_t(FGAMPageSize)], FGAMPageSize) !=
        erOk) {
      throw Error("TFreeSpaceManager.SaveGAM - can not save page, pageNo = %d", No);
    }
    PH = TPageHeader();
    PH.PageType = SGAMPage;
    if (FPFM.WritePage(int32_t(No + 1), PH, &FSGAM[size_t(K) * size_t(FGAMPageSize)],
                       FGAMPageSize) != erOk) {
      throw Error("TFreeSpaceManager.SaveGAM - can not save SGAM page, pageNo = %d", No + 1);
    }
  }
  FDirtyGAM.clear();
}
