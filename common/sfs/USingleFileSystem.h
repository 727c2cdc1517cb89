// The single-file archive: a folder tree of files kept inside one paged file (".sfs").
#pragma once

#include "io/UGStream.h"
#include "sfs/UDIRManager.h"
#include "sfs/UFreeSpaceManager.h"
#include "sfs/UPageFileManager.h"
#include "sfs/USFSCipher.h"
#include "sfs/USFSCommon.h"
#include "sfs/UUserFilePageMapManager.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The platform find-data copy of a search result.
struct TSFSFindData {
  uint32_t FileAttributes = 0;
  int64_t CreationTime = 0;
  int64_t LastAccessTime = 0;
  int64_t LastWriteTime = 0;
  int64_t FileSize = 0;
  std::string FileName;
};

struct TSFSSearchRec {
  int32_t Time = 0;
  int64_t Size = 0;
  uint32_t Attr = 0;
  std::string Name;
  uint32_t ExcludeAttr = 0;
  TSFSFindData FindData;
  // The matches of FindFirst and the next one to report.
  std::vector<int32_t> FList;
  size_t FNext = 0;
};

// An open stored file.
struct TUserFileHandle {
  int32_t FileID = -1;
  int64_t Position = 0;
  uint16_t Mode = 0;
  std::string Key;
};

class TSingleFileSystem {
public:
  using TProgressEvent = std::function<void(int64_t Progress, int64_t ProgressMax)>;
  using TFileProgressEvent =
      std::function<void(const std::string& FileName, int64_t Done, int64_t Size)>;
  using TOverwritePromptEvent = std::function<bool(const std::string& FileName)>;
  using TDiskFullEvent = std::function<void()>;
  using TPasswordEvent = std::function<bool(const std::string& FileName, std::string& Password)>;

  // Opens or creates (Mode fmCreate) an archive. PartFileSize -1 chooses the partition size.
  TSingleFileSystem(const std::string& FileName, uint16_t Mode, bool InMemoryMode,
                    const std::string& Password, const std::string& Question,
                    const std::string& Answer, int DefaultCompressionLevel, int PageSize,
                    int ExtentPageCount, int64_t PartFileSize);
  TSingleFileSystem(const std::string& FileName, uint16_t Mode, const std::string& Password = "",
                    const std::string& Question = "", const std::string& Answer = "",
                    int DefaultCompressionLevel = sfsNone);
  // Opens an archive image held in memory (any stub before it); changes stay in memory.
  static std::unique_ptr<TSingleFileSystem> OpenImage(const std::string& Name, std::string Image,
                                                      uint16_t Mode = fmOpenRead,
                                                      const std::string& Password = "");
  ~TSingleFileSystem();
  TSingleFileSystem(const TSingleFileSystem&) = delete;
  TSingleFileSystem& operator=(const TSingleFileSystem&) = delete;

  // Handle operations: negative results are failures (code in LastError()).
  int32_t FileCreate(const std::string& FileName, const std::string& Password = "",
                     const std::string& Question = "", const std::string& Answer = "");
  int32_t FileOpen(const std::string& FileName, uint16_t Mode, const std::string& Password = "",
                   const std::string& Question = "", const std::string& Answer = "");
  bool FileClose(int32_t Handle);
  // Bytes read (short at the end), or a negative code when a page or the map fails.
  int64_t FileRead(int32_t Handle, void* Buffer, int64_t Count);
  // Bytes written, or a negative code.
  int64_t FileWrite(int32_t Handle, const void* Buffer, int64_t Count);
  // New position, or a negative code.
  int64_t FileSeek(int32_t Handle, int64_t Offset, int Origin);
  // erOk or a negative code.
  int32_t FileSetSize(int32_t Handle, int64_t Size);
  // Size of an open file, or a negative code.
  int64_t FileGetSize(int32_t Handle);
  void CloseAllFiles();

  // Name operations.
  bool FileExists(const std::string& FileName);
  bool DeleteFile(const std::string& FileName);
  // Attributes, or -1 for a missing name.
  int32_t FileGetAttr(const std::string& FileName);
  bool FileSetAttr(const std::string& FileName, uint32_t Attr);
  // Modification time in the packed date-time form, or -1.
  int32_t FileAge(const std::string& FileName);
  bool FileSetDate(const std::string& FileName, int32_t Age);
  bool DirectoryExists(const std::string& Name);
  bool ForceDirectories(const std::string& Path);
  bool RemoveDir(const std::string& Name);
  // Deletes the matching files (folders are kept); returns how many were deleted.
  int32_t DeleteFiles(const std::string& Pattern, uint32_t Attr, bool Recursive);
  // Deletes a folder with everything below it; returns the files deleted, -1 when it fails.
  int32_t DeleteFolder(const std::string& Folder);
  bool IsFolderEmpty(const std::string& Folder);
  std::string GetCurrentDir();
  bool SetCurrentDir(const std::string& Dir);
  // 0 when something was found, else a negative code.
  int32_t FindFirst(const std::string& Pattern, uint32_t Attr, TSFSSearchRec& F);
  int32_t FindNext(TSFSSearchRec& F);
  void FindClose(TSFSSearchRec& F);

  // Bulk copies; return the number of files copied. Importing two disk names that differ only
  // in case fails before anything is copied, since the archive would keep only one of them.
  int32_t ImportFiles(const std::string& SourcePath, const std::string& DestPath, uint32_t Attr,
                      bool bRecursive, TSFSOverwriteMode OverwriteMode, bool EncryptFiles = false);
  int32_t ExportFiles(const std::string& SourcePath, const std::string& DestPath, uint32_t Attr,
                      bool bRecursive, TSFSOverwriteMode OverwriteMode);

  int GetCompressionLevel() const;
  void SetCompressionLevel(int Level);

  // Resolves a path against the current folder: an entry index, rootID, or erInvalidPath /
  // erInvalidCurrentDir.
  int32_t FindFileByName(const std::string& Path);
  // The full path ("\a\b") of an entry.
  std::string EntryPath(int32_t Index) const;

  int32_t LastError() const { return FLastError; }
  bool ReadOnly() const { return FReadOnly; }
  bool Exclusive() const { return FExclusive; }
  bool InMemory() const { return FInMemory; }
  // True when the archive's pages are encrypted.
  bool Encrypted() const { return PFMHandle->EncMethod() != encNone; }
  const std::string& FileName() const { return FFileName; }
  int32_t OpenHandleCount() const { return int32_t(FFileHandles.size()); }
  // The entry of an open handle (nullptr for a bad handle).
  const TDirectoryElement* HandleEntry(int32_t Handle) const;

  TPageFileManager& PFM() { return *PFMHandle; }
  TFreeSpaceManager& FSM() { return *FSMHandle; }
  TDIRManager& DM() { return *DMHandle; }
  TUserFilePageMapManager& UFM() { return *UFMHandle; }

  TProgressEvent OnProgress;
  TFileProgressEvent OnFileProgress;
  TOverwritePromptEvent OnOverwritePrompt;
  TDiskFullEvent OnDiskFull;
  TPasswordEvent OnPassword;

private:
  TSingleFileSystem() = default;
  void OpenManagers(bool Load);
  TUserFileHandle* FindHandle(int32_t Handle);
  // Splits a path into its folder (resolved) and last name; false when the folder is invalid.
  bool SplitPath(const std::string& Path, int32_t& Folder, std::string& Name);
  // Where a walk along Parts begins; First is the index of the first part to follow.
  int32_t WalkStart(const std::vector<std::string>& Parts, size_t& First);
  int32_t Fail(int32_t Code) { return FLastError = Code; }
  // Encryption of a file's data pages: its own, else the archive's.
  uint8_t DataEncType(const TDirectoryElement& E) const {
    return E.EncMethod != encNone ? E.EncMethod : PFMHandle->EncMethod();
  }
  int32_t DeleteFilesIn(int32_t Folder, const std::string& Pattern, uint32_t Attr, bool Recursive);
  bool DeleteEntry(int32_t Index);
  void RemoveFolderEntry(int32_t Index);
  bool IsInside(int32_t Index, int32_t Folder) const;
  int32_t ImportFolder(const std::string& SourcePath, const std::string& DestPath, uint32_t Attr,
                       bool bRecursive, TSFSOverwriteMode OverwriteMode, bool EncryptFiles);
  bool ExportFolder(int32_t Folder, const std::string& Pattern, const std::string& DestPath,
                    uint32_t Attr, bool bRecursive, TSFSOverwriteMode OverwriteMode,
                    int32_t& Count);

  std::unique_ptr<TPageFileManager> PFMHandle;
  std::unique_ptr<TFreeSpaceManager> FSMHandle;
  std::unique_ptr<TDIRManager> DMHandle;
  std::unique_ptr<TUserFilePageMapManager> UFMHandle;
  std::map<int32_t, TUserFileHandle> FFileHandles;
  // Scratch for reads of part of a page.
  std::vector<uint8_t> FPageBuffer;
  bool FReadOnly = false;
  bool FExclusive = false;
  bool FCancel = false;
  std::string FPassword;
  std::string FFileName;
  uint16_t FOpenMode = 0;
  int64_t FProgress = 0;
  int64_t FProgressMax = 0;
  bool FInMemory = false;
  std::string FCurrentFileName;
  int32_t FLastError = erOk;
  int32_t FCurrentDir = rootID;
};
