#include "sfs/UDIRManager.h"

#include "base/UGError.h"
#include "sfs/UFreeSpaceManager.h"
#include "sfs/UPageFileManager.h"

#include <algorithm>

TDIRManager::TDIRManager(TPageFileManager& PFM, TFreeSpaceManager& FSM, bool Load)
    : FPFM(PFM)
    , FFSM(FSM) {
  FDIRElementsPerPage = PFM.DataSize() / DirElementSize;
  if (!Load) {
    return;
  }
  const TSingleFileHeader& H = PFM.Header();
  const int AreaSize = FDIRElementsPerPage * DirElementSize;
  std::vector<uint8_t> Buf(static_cast<size_t>(AreaSize));
  std::set<int32_t> Visited;
  int32_t PageNo = H.DIRFirstPageNo;
  TPageHeader PH;
  for (int32_t I = 0; I < H.DIRPageCount; ++I) {
    if (PageNo < 1 || PageNo >= H.TOTALPageCount) {
      PFM.Corrupted(Format("directory page chain leaves the file at page %d", {PageNo}));
    }
    if (!Visited.insert(PageNo).second) {
      PFM.Corrupted(Format("directory page chain loops at page %d", {PageNo}));
    }
    if (PFM.ReadPage(PageNo, DIRPage, PH, Buf.data(), AreaSize) != erOk) {
      throw Error("TDIRManager.Load - can not load page, pageNo = %d", PageNo);
    }
    FPages.push_back(PageNo);
    for (int E = 0; E < FDIRElementsPerPage && int32_t(FItems.size()) < H.DIRElementsCount; ++E) {
      TDirectoryElement El;
      bool NameOk = El.Load(&Buf[size_t(E) * DirElementSize]);
      if (!NameOk && El.IsDeleted == 0) {
        PFM.Corrupted(
            Format("the name of directory entry %d has no terminating zero", {int(FItems.size())}));
      }
      FItems.push_back(std::move(El));
    }
    PageNo = PH.NextPageNo;
  }
  FOpenedFiles.assign(FItems.size(), 0);
  Validate();
  for (int32_t I = 0; I < Count(); ++I) {
    if (FItems[size_t(I)].IsDeleted != 0) {
      FDeleted.insert(I);
    } else {
      IndexAdd(I);
    }
  }
}

// Checks every live entry: sizes, map pages, and parents that are live folders without cycles.
void TDIRManager::Validate() {
  const TSingleFileHeader& H = FPFM.Header();
  const int64_t MaxSize = int64_t(H.TOTALPageCount) * FPFM.DataSize();
  const int32_t N = Count();
  for (int32_t I = 0; I < N; ++I) {
    const TDirectoryElement& E = FItems[size_t(I)];
    if (E.IsDeleted != 0) {
      continue;
    }
    if (E.FileSize < 0 || E.FileSize > MaxSize) {
      FPFM.Corrupted(Format("directory entry %d has an invalid size", {I}));
    }
    if (E.FirstMapPageNo != NoPage &&
        (E.FirstMapPageNo < 1 || E.FirstMapPageNo >= H.TOTALPageCount)) {
      FPFM.Corrupted(Format("directory entry %d has an invalid first map page", {I}));
    }
    if (E.ParentID != rootID &&
        (E.ParentID < 0 || E.ParentID >= N || FItems[size_t(E.ParentID)].IsDeleted != 0 ||
         FItems[size_t(E.ParentID)].IsFolder != 1)) {
      FPFM.Corrupted(Format("directory entry %d has an invalid parent", {I}));
    }
  }
  // 0 unvisited, 1 on the current path, 2 known to reach the root.
  std::vector<uint8_t> State(size_t(N), 0);
  std::vector<int32_t> Path;
  for (int32_t I = 0; I < N; ++I) {
    Path.clear();
    int32_t Cur = I;
    while (Cur != rootID && FItems[size_t(Cur)].IsDeleted == 0 && State[size_t(Cur)] != 2) {
      if (State[size_t(Cur)] == 1) {
        FPFM.Corrupted(Format("directory entry %d is its own ancestor", {Cur}));
      }
      State[size_t(Cur)] = 1;
      Path.push_back(Cur);
      Cur = FItems[size_t(Cur)].ParentID;
    }
    for (int32_t P : Path) {
      State[size_t(P)] = 2;
    }
  }
}

void TDIRManager::IndexAdd(int32_t Index) {
  const TDirectoryElement& E = FItems[size_t(Index)];
  std::string Upper = SFSUpperName(E.FileName);
  FByName[{E.ParentID, Upper}].insert(Index);
  FByParent[E.ParentID].insert(Index);
  ++FNameCount[Upper];
}

void TDIRManager::IndexRemove(int32_t Index) {
  const TDirectoryElement& E = FItems[size_t(Index)];
  std::string Upper = SFSUpperName(E.FileName);
  auto It = FByName.find({E.ParentID, Upper});
  if (It != FByName.end()) {
    It->second.erase(Index);
    if (It->second.empty()) {
      FByName.erase(It);
    }
  }
  auto P = FByParent.find(E.ParentID);
  if (P != FByParent.end()) {
    P->second.erase(Index);
    if (P->second.empty()) {
      FByParent.erase(P);
    }
  }
  auto C = FNameCount.find(Upper);
  if (C != FNameCount.end() && --C->second <= 0) {
    FNameCount.erase(C);
  }
}

int32_t TDIRManager::FindChild(int32_t Parent, const std::string& Name) const {
  auto It = FByName.find({Parent, SFSUpperName(Name)});
  if (It == FByName.end() || It->second.empty()) {
    return -1;
  }
  return *It->second.begin();
}

bool TDIRManager::NameExists(const std::string& Name) const {
  return FNameCount.count(SFSUpperName(Name)) != 0;
}

std::vector<int32_t> TDIRManager::Children(int32_t Parent) const {
  auto It = FByParent.find(Parent);
  if (It == FByParent.end()) {
    return {};
  }
  return {It->second.begin(), It->second.end()};
}

bool TDIRManager::IsLiveFolder(int32_t Index) const {
  return Index >= 0 && Index < Count() && FItems[size_t(Index)].IsDeleted == 0 &&
         FItems[size_t(Index)].IsFolder == 1;
}

// Writes directory page PageIndex of the chain from the entries in memory.
void TDIRManager::SavePage(size_t PageIndex, const char* Where) {
  const int AreaSize = FDIRElementsPerPage * DirElementSize;
  std::vector<uint8_t> Buf(static_cast<size_t>(AreaSize), 0);
  const size_t First = PageIndex * size_t(FDIRElementsPerPage);
  for (size_t I = First; I < First + size_t(FDIRElementsPerPage) && I < FItems.size(); ++I) {
    FItems[I].Save(&Buf[(I - First) * DirElementSize]);
  }
  TPageHeader PH;
  PH.PageType = DIRPage;
  PH.EncType = FPFM.EncMethod();
  PH.NextPageNo = PageIndex + 1 < FPages.size() ? FPages[PageIndex + 1] : NoPage;
  if (FPFM.WritePage(FPages[PageIndex], PH, Buf.data(), AreaSize) != erOk) {
    throw Error("%s - can not save page, pageNo = %d", Where, FPages[PageIndex]);
  }
}

int32_t TDIRManager::AddItem(const TDirectoryElement& Element) {
  if (!FDeleted.empty()) {
    int32_t Index = *FDeleted.begin();
    FDeleted.erase(FDeleted.begin());
    FItems[size_t(Index)] = Element;
    FItems[size_t(Index)].IsDeleted = 0;
    FOpenedFiles[size_t(Index)] = 0;
    IndexAdd(Index);
    SavePage(size_t(Index / FDIRElementsPerPage), "TDIRManager.AddItem");
    return Index;
  }
  TSingleFileHeader& H = FPFM.Header();
  if (FItems.size() == FPages.size() * size_t(FDIRElementsPerPage)) {
    std::vector<int32_t> New;
    int32_t Near = FPages.empty() ? H.HDRPageCount : FPages.back();
    if (!FFSM.GetPages(1, Near, H.DIRPageCount > UNIFORM_MIN_PAGE_COUNT, New)) {
      return erDiskFull;
    }
    FPages.push_back(New[0]);
    if (FPages.size() == 1) {
      H.DIRFirstPageNo = New[0];
    } else {
      SavePage(FPages.size() - 2, "TDIRManager.AddItem");
    }
    H.DIRPageCount = int32_t(FPages.size());
  }
  FItems.push_back(Element);
  FItems.back().IsDeleted = 0;
  FOpenedFiles.push_back(0);
  const int32_t Index = Count() - 1;
  IndexAdd(Index);
  SavePage(FPages.size() - 1, "TDIRManager.AddItem");
  H.DIRElementsCount = Count();
  FPFM.SaveSFHeader();
  return Index;
}

void TDIRManager::WriteItem(int32_t Index, const TDirectoryElement& Element) {
  if (Index < 0 || Index >= Count()) {
    return;
  }
  TDirectoryElement& Cur = FItems[size_t(Index)];
  if (Cur.IsDeleted == 0) {
    IndexRemove(Index);
  } else {
    FDeleted.erase(Index);
  }
  Cur = Element;
  if (Cur.IsDeleted == 0) {
    IndexAdd(Index);
  } else {
    FDeleted.insert(Index);
  }
  SavePage(size_t(Index / FDIRElementsPerPage), "TDIRManager.WriteItem");
}
