// The conversion cache of a depository: every picture converted once into ".spr" with
// compressed pixels, kept in an archive in the cache folder and dated like its source.
#include "resources/UGResourceDepository.h"

#include "base/UGDebug.h"
#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "io/UGFileSystem.h"
#include "io/UGFileUtils.h"
#include "resources/UGAbstractStartupLog.h"
#include "resources/UGResource.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace {
TGCacheFileSystemFactory CacheFactory = nullptr;
std::string CacheFolderOverride;
std::function<std::string()> AppCacheFolder;
constexpr const char* CManifest = "Manifest";
constexpr size_t CMaxManifestSize = 1024;

std::string ReadAll(TGStream& Stream) {
  std::string Bytes(static_cast<size_t>(Stream.GetSize()), '\0');
  if (!Bytes.empty()) {
    Stream.ReadBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  }
  return Bytes;
}

// Numbered frames ("0007.png") are reported once, by the first of them.
bool ShowsProgress(const std::string& FileName) {
  std::string Base = ChangeFileExt(ExtractFileName(FileName), "");
  if (Base.empty() || Base.find_first_not_of("0123456789") != std::string::npos) {
    return true;
  }
  return std::stoll(Base.substr(0, 18)) == 1;
}

void AppendBadLog(const std::string& Line) {
  std::ofstream Out("BadGraphics.txt", std::ios::app | std::ios::binary);
  Out << Line << "\r\n";
}
} // namespace

void SetCacheFileSystemFactory(TGCacheFileSystemFactory Factory) {
  CacheFactory = Factory;
}

void TGResourceDepository::SetCacheFolder(const std::string& Folder) {
  CacheFolderOverride = Folder;
}

void TGResourceDepository::SetAppCacheFolder(std::function<std::string()> Folder) {
  AppCacheFolder = std::move(Folder);
}

std::string TGResourceDepository::GetCacheFileName() const {
  if (!FFileSystem) {
    throw Error("FileSystem not assigned");
  }
  const std::string Folder = !CacheFolderOverride.empty() ? CacheFolderOverride
                             : AppCacheFolder             ? AppCacheFolder()
                                                          : std::string();
  std::string Location = FFileSystem->Location();
  while (!Location.empty() && (Location.back() == '/' || Location.back() == '\\')) {
    Location.pop_back();
  }
  std::string Name = ChangeFileExt(ExtractFileName(Location), ".sfs");
  return Folder.empty() ? Name : IncludeTrailingSlash(Folder) + Name;
}

void TGResourceDepository::CheckDiskSpace() {
  if (FNoCache || FNeedsDiskSpace <= 0 || FileExists(GetCacheFileName())) {
    return;
  }
  std::string Folder = std::filesystem::path(GetCacheFileName()).parent_path().string();
  if (DiskFreeSpace(Folder.empty() ? std::string(".") : Folder) < FNeedsDiskSpace) {
    throw Error("Application requires at least %d Mb of free disk space",
                static_cast<int64_t>(std::llround(FNeedsDiskSpace / 1048576.0)));
  }
}

void TGResourceDepository::CreateCache() {
  FCacheFileSystem = CacheFactory(this, GetCacheFileName(), fmCreate);
  UpdateCacheManifest();
}

void TGResourceDepository::OpenCache(TGAbstractStartupLog* Log) {
  const std::string Name = GetCacheFileName();
  if (!FileExists(Name)) {
    CreateCache();
    return;
  }
  try {
    FCacheFileSystem = CacheFactory(this, Name, fmOpenReadWrite);
  } catch (const EGException& E) {
    // A damaged cache is only a cache: start a new one rather than refuse to start.
    if (Log) {
      Log->Error(Format("Cache \"%s\" is damaged and is rebuilt: %s", {Name, E.Text()}));
    }
    std::error_code Ignored;
    std::filesystem::remove(Name, Ignored);
    CreateCache();
    return;
  }
  if (!CheckCacheManifest()) {
    ClearCache();
  }
}

bool TGResourceDepository::CheckCacheManifest() {
  std::string Text;
  if (FCacheFileSystem->FileExists(CManifest)) {
    std::unique_ptr<TGStream> S = FCacheFileSystem->CreateStream(CManifest, fmOpenRead);
    if (S->GetSize() <= static_cast<int64_t>(CMaxManifestSize)) {
      Text = ReadAll(*S);
    }
  }
  return !Text.empty() && SameText(Text, FFileSystem->Location());
}

void TGResourceDepository::UpdateCacheManifest() {
  std::unique_ptr<TGStream> S = FCacheFileSystem->CreateStream(CManifest, fmCreate);
  const std::string Location = FFileSystem->Location();
  S->WriteBuffer(Location.data(), static_cast<int64_t>(Location.size()));
}

void TGResourceDepository::ClearCache() {
  const std::string Name = FCacheFileSystem->Location();
  FreeAndNil(FCacheFileSystem);
  std::error_code Ignored;
  std::filesystem::remove(Name, Ignored);
  CreateCache();
}

bool TGResourceDepository::UpdateFile(const std::string& FileName, TGCacheConverter Convert,
                                      int32_t SourceDate, TGAbstractStartupLog* Log) {
  if (SourceDate >= 0 && FCacheFileSystem->FileAge(FileName) >= SourceDate) {
    return false;
  }
  if (Log && ShowsProgress(FileName)) {
    Log->Info("Caching " + FileName);
  }
  try {
    {
      std::unique_ptr<TGStream> Source = FFileSystem->CreateStream(FileName, fmOpenRead);
      FCacheFileSystem->ForceDirectories(ResourceFolder(FileName));
      std::unique_ptr<TGStream> Target = FCacheFileSystem->CreateStream(FileName, fmCreate);
      Convert(*Source, *Target);
    }
    FCacheFileSystem->FileSetDate(FileName, SourceDate);
  } catch (...) {
    // A half-written entry would otherwise count as up to date from now on.
    FCacheFileSystem->DeleteFile(FileName);
    throw;
  }
  FCacheFileSystem->SetFileAttributes(FileName, faArchive);
  return true;
}

void TGResourceDepository::PrepareCache(TGAbstractStartupLog* Log) {
  if (!CacheFactory) {
    return;
  }
  if (!FCacheFileSystem) {
    OpenCache(Log);
  }
  TGFastStringList Sources;
  Sources.SetSorted(true);
  FFileSystem->MakeFileList(Sources, "", false);
  TGFastStringList Cached;
  FCacheFileSystem->MakeFileList(Cached, "", true);
  for (const auto& Item : Cached) {
    if (Item.String != CManifest && Sources.IndexOf(Item.String) < 0) {
      FCacheFileSystem->DeleteFile(Item.String);
    }
  }
  const int32_t Count = Sources.Count();
  for (int32_t I = 0; I < Count; ++I) {
    const std::string& FileName = Sources[I];
    const TGCacheConverter Convert = CacheConverter(FileName);
    if (!Convert) {
      continue;
    }
    try {
      if (UpdateFile(FileName, Convert, FFileSystem->FileAge(FileName), Log) && Log) {
        Log->SetCachingProgress(static_cast<double>(I + 1) / Count);
      }
    } catch (const std::exception& E) {
      const std::string Message = dynamic_cast<const EGException*>(&E)
                                      ? static_cast<const EGException&>(E).Text()
                                      : std::string(E.what());
      AppendBadLog(FileName + ": " + Message);
      if (Log) {
        Log->Error(Format("Error loading \"%s\": %s", {FileName, Message}));
      }
    }
  }
}

void TGResourceDepository::StartCache() {
  if (FNoCache || !CacheFactory) {
    return;
  }
  CheckDiskSpace();
  const auto Start = std::chrono::steady_clock::now();
  PrepareCache(FLog);
  ODS("Caching time: %d",
      static_cast<int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - Start)
                               .count()));
}
