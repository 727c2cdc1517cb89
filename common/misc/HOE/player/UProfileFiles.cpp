#include "player/UProfileFiles.h"

#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "io/UGCRC32.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"
#include "object/UGObject.h"
#include "sfs/UGSingleFileSystem.h"

#include <cstdio>
#include <dirent.h>
#include <unistd.h>

#include <map>

namespace {

// Deletes the file; a missing one is no error.
void RemoveFile(const std::string& Name) {
  std::remove(Name.c_str());
}

using TArchive = TProfileArchive;

std::string ReadEntry(TGSingleFileSystem& FS, const std::string& Path) {
  std::unique_ptr<TGStream> S = FS.CreateStream(Path, fmOpenRead);
  return S->ReadAll();
}

void WriteEntry(TGSingleFileSystem& FS, const std::string& Path, const std::string& Bytes) {
  const size_t Slash = Path.rfind('\\');
  if (Slash != std::string::npos && Slash > 0) {
    FS.ForceDirectories(Path.substr(0, Slash));
  }
  std::unique_ptr<TGStream> S = FS.CreateStream(Path, fmCreate);
  S->WriteString(Bytes);
}

std::string FoldedPath(const std::string& Path) {
  std::string P = FixURLSlashes(Path);
  if (!P.empty() && P.front() == '\\') {
    P.erase(0, 1);
  }
  return UpperCase(P);
}

void WriteChecksumFile(const std::string& Name, uint32_t Crc) {
  const char Bytes[4] = {static_cast<char>(Crc & 0xFF), static_cast<char>((Crc >> 8) & 0xFF),
                         static_cast<char>((Crc >> 16) & 0xFF),
                         static_cast<char>((Crc >> 24) & 0xFF)};
  WriteFile(Name, std::string_view(Bytes, 4));
  if (!SyncFile(Name)) {
    throw EWriteError(Format("Cannot flush %s to the disk", {Name}));
  }
  GrantAllPermissions(Name);
}

bool ChecksumMatches(const std::string& Plr, const std::string& Csm) {
  uint32_t Stored = 0;
  if (!::FileExists(Plr) || !ReadStoredChecksum(Csm, Stored)) {
    return false;
  }
  try {
    return CRC32File(Plr) == Stored;
  } catch (const std::exception&) {
    return false;
  }
}

bool EndsWith(const std::string& S, std::string_view Tail) {
  return S.size() >= Tail.size() &&
         SameText(std::string_view(S).substr(S.size() - Tail.size()), Tail);
}

} // namespace

void TArchiveCloser::operator()(TGSingleFileSystem* FS) const {
  if (FS) {
    FS->Free();
  }
}

bool ReadStoredChecksum(const std::string& CsmFileName, uint32_t& Crc) {
  try {
    if (!::FileExists(CsmFileName)) {
      return false;
    }
    const std::string Bytes = ReadFile(CsmFileName);
    if (Bytes.size() < 4) {
      return false;
    }
    Crc = 0;
    for (int I = 3; I >= 0; --I) {
      Crc = (Crc << 8) | static_cast<unsigned char>(Bytes[static_cast<size_t>(I)]);
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

TProfileFiles::TProfileFiles(std::string APlrFileName)
    : FPlrFileName(std::move(APlrFileName)) {}

std::string TProfileFiles::ChecksumFileNameOf(const std::string& PlrFileName) {
  // Beside its archive, found whatever the case of its name ("PROFILE07.CSM" too).
  std::string Name = ChangeFileExt(PlrFileName, ".csm");
  if (::FileExists(Name)) {
    return Name;
  }
  const std::string Folder = FolderOf(Name);
  const std::string Wanted = ExtractFileName(Name);
  if (DIR* D = ::opendir(Folder.c_str())) {
    while (dirent* E = ::readdir(D)) {
      if (SameText(E->d_name, Wanted)) {
        Name = IncludeTrailingSlash(Folder) + E->d_name;
        break;
      }
    }
    ::closedir(D);
  }
  return Name;
}

std::string TProfileFiles::TemporaryName(const std::string& FileName) {
  return FileName + "." + std::to_string(::getpid()) + ".new";
}

bool TProfileFiles::Exists() const {
  return ::FileExists(FPlrFileName);
}

bool TProfileFiles::Corrupted() const {
  return !ChecksumMatches(FPlrFileName, ChecksumFileName());
}

TProfileArchive TProfileFiles::OpenForReading() const {
  if (!Exists()) {
    return nullptr;
  }
  return TProfileArchive(
      new TGSingleFileSystem(nullptr, FPlrFileName, fmOpenRead | fmShareDenyNone, true));
}

void TProfileFiles::Write(const TEntries& Entries,
                          const std::function<bool(const std::string& Path)>& Keep) {
  const std::string Temporary = TemporaryName(FPlrFileName);
  const std::string TemporaryChecksum = TemporaryName(ChecksumFileName());
  RemoveFile(Temporary);
  RemoveFile(TemporaryChecksum);
  try {
    {
      // The entries that stay, read from the current version before anything is written.
      std::map<std::string, std::pair<std::string, std::string>> Kept;
      if (Exists()) {
        TArchive Old(
            new TGSingleFileSystem(nullptr, FPlrFileName, fmOpenRead | fmShareDenyNone, true));
        TGFastStringList Paths;
        Old->MakeFileList(Paths, "", true);
        for (const auto& Item : Paths) {
          if (Keep && Keep(Item.String)) {
            Kept[FoldedPath(Item.String)] = {Item.String, ReadEntry(*Old, Item.String)};
          }
        }
      }
      for (const auto& [Path, Bytes] : Entries) {
        Kept.erase(FoldedPath(Path));
      }
      TArchive New(new TGSingleFileSystem(nullptr, Temporary, fmCreate, true));
      for (const auto& [Key, Entry] : Kept) {
        WriteEntry(*New, Entry.first, Entry.second);
      }
      for (const auto& [Path, Bytes] : Entries) {
        WriteEntry(*New, Path, Bytes);
      }
    } // the new archive is closed here, with everything written
    if (!SyncFile(Temporary)) {
      throw EWriteError(Format("Cannot flush %s to the disk", {Temporary}));
    }
    WriteChecksumFile(TemporaryChecksum, CRC32File(Temporary));
    RenameFile(Temporary, FPlrFileName);
  } catch (...) {
    // The old version stays as it was.
    RemoveFile(Temporary);
    RemoveFile(TemporaryChecksum);
    throw;
  }
  // From here the new archive is in place; a kill before the next rename leaves a complete
  // temporary checksum that the next start adopts.
  RenameFile(TemporaryChecksum, ChecksumFileName());
  SyncFolder(FolderOf(FPlrFileName));
  GrantAllPermissions(FPlrFileName);
}

void TProfileFiles::UpdateChecksum() {
  if (!Exists()) {
    return;
  }
  const std::string TemporaryChecksum = TemporaryName(ChecksumFileName());
  WriteChecksumFile(TemporaryChecksum, CRC32File(FPlrFileName));
  RenameFile(TemporaryChecksum, ChecksumFileName());
  SyncFolder(FolderOf(FPlrFileName));
}

void TProfileFiles::Delete() {
  RemoveFile(FPlrFileName);
  RemoveFile(ChecksumFileName());
  RemoveFile(TemporaryName(FPlrFileName));
  RemoveFile(TemporaryName(ChecksumFileName()));
}

void TProfileFiles::RecoverFolder(const std::string& Folder) {
  std::vector<std::string> Names;
  if (DIR* D = ::opendir(Folder.c_str())) {
    while (dirent* E = ::readdir(D)) {
      Names.emplace_back(E->d_name);
    }
    ::closedir(D);
  }
  const std::string Base = IncludeTrailingSlash(Folder);
  for (const std::string& Name : Names) {
    if (!EndsWith(Name, ".plr")) {
      continue;
    }
    const std::string Plr = Base + Name;
    const std::string Csm = ChecksumFileNameOf(Plr);
    if (ChecksumMatches(Plr, Csm)) {
      continue;
    }
    // The checksum an interrupted save wrote (by whichever process) for the archive it put in
    // place.
    const std::string Prefix = ExtractFileName(Csm) + ".";
    for (const std::string& Other : Names) {
      const std::string Pending = Base + Other;
      if (Other.size() > Prefix.size() && SameText(Other.substr(0, Prefix.size()), Prefix) &&
          EndsWith(Other, ".new") && ChecksumMatches(Plr, Pending)) {
        ODS("Profile %s: the checksum of an interrupted save is adopted", Name);
        RenameFile(Pending, Csm);
        break;
      }
    }
  }
  for (const std::string& Name : Names) {
    if (EndsWith(Name, ".new") && ::FileExists(Base + Name)) {
      RemoveFile(Base + Name);
    }
  }
  SyncFolder(Folder);
}
