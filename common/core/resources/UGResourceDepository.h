// A depository: a file system that resources are loaded from. This is the part the library
// needs (finding a URL's file and loading it); dictionaries, attribute tables, the conversion
// cache and hot reloading build on it.
#pragma once

#include "base/UGFastStringList.h"
#include "io/UGStream.h"
#include "object/UGObject.h"
#include "resources/UGResource.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class TGFileSystem;
class TGResource;
class TGResourceLibrary;
class TGAbstractStartupLog;
class TGAttributeTable;
class TDirectoryWatcher;

// Makes the writable archive a depository keeps its converted pictures in (the archive unit
// registers it; without one, depositories do not cache).
using TGCacheFileSystemFactory = TGFileSystem* (*)(TGObject* Owner, const std::string& FileName,
                                                   uint16_t Mode);
void SetCacheFileSystemFactory(TGCacheFileSystemFactory Factory);

enum TGResourceDepositoryType { rdtIntellectual = 0, rdtCommon = 1, rdtCurrent = 2 };

class TGResourceDepository : public TGObject {
  G_CLASS(TGResourceDepository, TGObject)
  // Takes over the file system (it becomes its owner).
  TGResourceDepository(TGResourceLibrary* ALibrary, TGFileSystem* AFileSystem,
                       TGAbstractStartupLog* ALog, bool ANoCache, int64_t ANeedsDiskSpace);
  explicit TGResourceDepository(TGObject* AOwner = nullptr);

  TGFileSystem* FileSystem() const { return FFileSystem; }
  // The conversion cache, none when caching is off.
  TGFileSystem* CacheFileSystem() const { return FCacheDetached ? nullptr : FCacheFileSystem; }
  // The cache folder + the file name of the depository's location with the extension ".sfs".
  std::string GetCacheFileName() const;
  // Where caches go: the folder set here (tools and tests) wins over the application's cache
  // folder, which the application names when it starts (asked only when a cache is used); with
  // neither, the current folder.
  static void SetCacheFolder(const std::string& Folder);
  static void SetAppCacheFolder(std::function<std::string()> Folder);
  // Converts every picture whose cached copy is missing or older than its source, drops cached
  // files whose source is gone, and rebuilds a cache of another location or a damaged one.
  void PrepareCache(TGAbstractStartupLog* Log);
  TGAttributeTable* AttributeTable() const { return FAttributeTable; }
  bool NoCache() const { return FNoCache; }
  TGResourceLibrary* Library() const;
  // Whether the depository's file system has the URL's file.
  bool IsFinded(const std::string& URL) const;
  // Creates the resource from its file; every failure is raised as TGResourceException with
  // the message of the error that caused it.
  virtual TGResource* LoadResource(const std::string& URL);
  // The URL's file, from the depository's file system; a writing mode creates its folder.
  std::unique_ptr<TGStream> OpenResourceFile(const std::string& URL, uint16_t Mode);

  // Hot reload of a folder depository: files a writer closes are reloaded every 500 ms on the
  // main thread (archives never reload).
  bool AllowHotLoad() const { return FWatcher != nullptr; }
  void SetAllowHotLoad(bool Value);
  void FileChangedEvent(const std::string& FileName);
  // Hands the watcher's changes over and reloads the changed resources that are loaded; runs
  // from the message loop every 500 ms.
  void UpdateChangedFiles();
  const TGFastStringList& ChangedFilesList() const { return FChangedFilesList; }

protected:
  void Destroy() override;

private:
  void CheckTimer();
  // Builds or refreshes the cache at creation, unless caching is off.
  void StartCache();
  void CheckDiskSpace();
  void OpenCache(TGAbstractStartupLog* Log);
  void CreateCache();
  bool CheckCacheManifest();
  void UpdateCacheManifest();
  void ClearCache();
  // True when the picture was converted; a failed conversion leaves no entry behind.
  bool UpdateFile(const std::string& FileName, TGCacheConverter Convert, int32_t SourceDate,
                  TGAbstractStartupLog* Log);

  TGFileSystem* FFileSystem = nullptr;
  TGAbstractStartupLog* FLog = nullptr;
  bool FNoCache = true;
  int64_t FNeedsDiskSpace = 0;
  TGAttributeTable* FAttributeTable = nullptr; // owned
  TGFileSystem* FCacheFileSystem = nullptr;    // owned
  bool FCacheDetached = false;
  std::unique_ptr<TDirectoryWatcher> FWatcher;
  int FTimerHook = 0;
  std::chrono::steady_clock::time_point FLastCheck;
  TGFastStringList FChangedFilesList;
};
