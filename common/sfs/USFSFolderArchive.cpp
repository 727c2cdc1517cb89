#include "USFSFolderArchive.h"

#include "UGAppRecorder.h"
#include "UGFileUtils.h"
#include "UGStream.h"
#include "USingleFileSystem.h"

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
