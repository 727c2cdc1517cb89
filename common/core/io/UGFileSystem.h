// One file-system interface over disk folders and single-file archives. Paths inside a file
// system are relative, with '\' as separator; the file system joins them to its root.
#pragma once

#include "base/UGFastStringList.h"
#include "io/UGStream.h"
#include "object/UGObject.h"

#include <cstdint>
#include <memory>
#include <string>

// Attribute bits of files and folders.
enum : int32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faAnyFile = 0x3F,
};

// One entry found by FindFirst/FindNext; Handle keeps the implementation's search state.
struct TGSearchRec {
  std::string Name; // without folder
  int32_t Attr = 0;
  int64_t Size = 0;
  int32_t Time = 0; // packed as FileAge gives it
  std::shared_ptr<void> Handle;
};

class TGFSUsageStatistics;

class TGFileSystem : public TGObject {
  G_CLASS(TGFileSystem, TGObject)
  explicit TGFileSystem(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // The root: the folder path, or the archive's file name.
  virtual std::string Location() const = 0;
  // 0 on success, an error code otherwise.
  virtual int SetFileAttributes(const std::string& Path, int32_t Attributes) = 0;
  // 0 when a first entry matching the pattern and the attribute mask was found. An entry with
  // the hidden, system or directory bit is found only when the mask has that bit.
  virtual int FindFirst(const std::string& Path, int32_t Attr, TGSearchRec& F) = 0;
  virtual int FindNext(TGSearchRec& F) = 0;
  virtual void FindClose(TGSearchRec& F) = 0;
  // The modification time packed as a DOS date-time, -1 when the file does not exist.
  virtual int32_t FileAge(const std::string& Path) = 0;
  virtual bool FileExists(const std::string& Path) = 0;
  virtual bool DirectoryExists(const std::string& Path) = 0;
  virtual bool DeleteFile(const std::string& Path) = 0;
  // The folder must be empty.
  virtual bool RemoveDirectory(const std::string& Path) = 0;
  virtual bool DeleteFolder(const std::string& Path) = 0;
  virtual bool ForceDirectories(const std::string& Path) = 0;
  // A new stream on the file, owned by the caller and positioned at 0; failures raise.
  virtual std::unique_ptr<TGStream> CreateStream(const std::string& Path, uint16_t Mode) = 0;
  // Sets the modification time (packed as FileAge gives it); false when that is not possible.
  virtual bool FileSetDate(const std::string& Path, int32_t Age) {
    (void)Path;
    (void)Age;
    return false;
  }

  TGFSUsageStatistics* UsageStatistics() const { return FUsageStatistics; }
  void EnableUsageStatistics();
  void GenerateUsageReport(const std::string& FileName);
  // Appends the path of every file below Folder, breadth first ("Images\a.png").
  void MakeFileList(TGFastStringList& List, std::string Folder, bool IncludeHidden);

protected:
  // Counts a use of the file when statistics are on.
  void CountUse(const std::string& Path);

private:
  TGFSUsageStatistics* FUsageStatistics = nullptr; // owned
};

// Whether an entry with these attributes passes a FindFirst mask.
bool AttributesMatch(int32_t EntryAttr, int32_t Mask);
