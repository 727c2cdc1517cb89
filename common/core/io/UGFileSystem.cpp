#include "io/UGFileSystem.h"

#include "io/UGFSUsageStatistics.h"
#include "object/UGClassBuilder.h"

#include <deque>

G_IMPLEMENT_CLASS(TGFileSystem)

bool AttributesMatch(int32_t EntryAttr, int32_t Mask) {
  int32_t Excluded = ~Mask & (faHidden | faSysFile | faVolumeID | faDirectory);
  return (EntryAttr & Excluded) == 0;
}

void TGFileSystem::EnableUsageStatistics() {
  if (!FUsageStatistics) {
    FUsageStatistics = New<TGFSUsageStatistics>(this);
  }
}

void TGFileSystem::GenerateUsageReport(const std::string& FileName) {
  if (FUsageStatistics) {
    FUsageStatistics->GenerateReport(FileName);
  }
}

void TGFileSystem::CountUse(const std::string& Path) {
  if (FUsageStatistics) {
    FUsageStatistics->IncrementUsageCounter(Path);
  }
}

void TGFileSystem::MakeFileList(TGFastStringList& List, std::string Folder, bool IncludeHidden) {
  if (!Folder.empty() && Folder.back() != '\\') {
    Folder += '\\';
  }
  int32_t Mask = IncludeHidden ? 0x37 : 0x31;
  std::deque<std::string> Folders{Folder};
  while (!Folders.empty()) {
    std::string Current = Folders.front();
    Folders.pop_front();
    TGSearchRec F;
    if (FindFirst(Current + "*.*", Mask, F) == 0) {
      do {
        if (F.Attr & faDirectory) {
          if (F.Name != "." && F.Name != "..") {
            Folders.push_back(Current + F.Name + "\\");
          }
        } else {
          List.Add(Current + F.Name);
        }
      } while (FindNext(F) == 0);
      FindClose(F);
    }
  }
}
