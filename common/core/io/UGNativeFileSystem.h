// A file system over a disk folder. Paths written on Windows load unchanged: '\' separates and
// every name is found without regard to case when the exact one is missing.
#pragma once

#include "io/UGFileSystem.h"

class TGNativeFileSystem : public TGFileSystem {
  G_CLASS(TGNativeFileSystem, TGFileSystem)
  TGNativeFileSystem(TGObject* AOwner, const std::string& ARoot);
  explicit TGNativeFileSystem(TGObject* AOwner = nullptr)
      : TGNativeFileSystem(AOwner, ".") {}

  const std::string& RootDir() const { return FRootDir; }
  // The disk path of a path inside the file system.
  std::string AdjustPath(const std::string& Path) const;

  std::string Location() const override { return FRootDir; }
  int SetFileAttributes(const std::string& Path, int32_t Attributes) override;
  int FindFirst(const std::string& Path, int32_t Attr, TGSearchRec& F) override;
  int FindNext(TGSearchRec& F) override;
  void FindClose(TGSearchRec& F) override;
  int32_t FileAge(const std::string& Path) override;
  bool FileExists(const std::string& Path) override;
  bool DirectoryExists(const std::string& Path) override;
  bool DeleteFile(const std::string& Path) override;
  bool RemoveDirectory(const std::string& Path) override;
  // Not offered for disk folders: raises "Not implemented".
  bool DeleteFolder(const std::string& Path) override;
  bool ForceDirectories(const std::string& Path) override;
  std::unique_ptr<TGStream> CreateStream(const std::string& Path, uint16_t Mode) override;

private:
  std::string FRootDir;
};
