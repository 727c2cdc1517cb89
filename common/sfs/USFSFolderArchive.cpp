#include "sfs/USFSFolderArchive.h"

#include "app/replay/UGAppRecorder.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"
#include "sfs/USingleFileSystem.h"

void PackFolderToArchive(const std::string& Folder, const std::string& ArchiveFile) {
  TSingleFileSystem Archive(ArchiveFile, fmCreate);
  if (DirectoryExists(Folder)) {
    Archive.ImportFiles(Folder, "\\", faAnyFile, true, omAlways);
  }
}

void UnpackArchiveToFolder(const std::string& ArchiveFile, const std::string& Folder) {
  TSingleFileSystem Archive(ArchiveFile, fmOpenRead);
  ForceDirectories(Folder);
  Archive.ExportFiles("\\", Folder, faAnyFile, true, omAlways);
}

void RegisterFolderArchiver() {
  SetFolderArchiver(&PackFolderToArchive, &UnpackArchiveToFolder);
}
