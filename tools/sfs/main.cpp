// sfs: packs folder trees into single-file archives (".sfs"), lists, extracts, edits and checks
// them.
#include "base/UGError.h"
#include "io/UGStream.h"
#include "sfs/USFSFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;
constexpr size_t CopyBlock = 1 << 20;

// A command line that cannot be run; exits with ExitUsage.
struct EUsage : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// An operation that failed; exits with ExitFailure.
struct EFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct TOptions {
  std::vector<std::string> Args;
  std::optional<int> Level;
  std::optional<int> PageSize;
  std::string Password;
  bool Help = false;
};

struct TCommand {
  const char* Name;
  const char* Synopsis;
  const char* Description;
  size_t ArgCount;
  bool TakesLevel;
  bool TakesPageSize;
  std::function<int(const TOptions&)> Run;
};

const char* const LevelHelp = "  --level N       compression of the stored files:\n"
                              "                  0 stored, 1 zlib fastest, 2 zlib normal, "
                              "5 zlib max,\n"
                              "                  6 PPMd fastest, 3 PPMd normal, 4 PPMd max,\n"
                              "                  7 bzip2 fastest, 8 bzip2 normal, 9 bzip2 max\n";

// Standard error is a terminal: long operations show what they are doing.
class TProgress {
public:
  TProgress(const char* AVerb, size_t ATotal)
      : FVerb(AVerb)
      , FTotal(ATotal)
      , FOn(::isatty(STDERR_FILENO) == 1) {}
  ~TProgress() { Done(); }
  TProgress(const TProgress&) = delete;
  TProgress& operator=(const TProgress&) = delete;

  void Step(const std::string& Name) {
    ++FCount;
    if (FOn) {
      std::fprintf(stderr, "\r%s %zu/%zu %s\x1b[K", FVerb, FCount, FTotal, Name.c_str());
      std::fflush(stderr);
      FShown = true;
    }
  }
  void Done() {
    if (FShown) {
      std::fputs("\r\x1b[K", stderr);
      std::fflush(stderr);
      FShown = false;
    }
  }

private:
  const char* FVerb;
  size_t FTotal;
  size_t FCount = 0;
  bool FOn;
  bool FShown = false;
};

// The message of an error without the engine's note of where it was raised.
std::string Describe(const std::exception& X) {
  if (const auto* G = dynamic_cast<const EGException*>(&X)) {
    return G->Text();
  }
  return X.what();
}

int ParseNumber(const std::string& Option, const std::string& Text) {
  int Value = 0;
  auto [End, Ec] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Ec != std::errc() || End != Text.data() + Text.size()) {
    throw EUsage(Option + " needs a number, not \"" + Text + "\"");
  }
  return Value;
}

// A path inside the archive: '/' becomes '\', and the path starts at the root.
std::string ArchivePath(std::string Path) {
  std::replace(Path.begin(), Path.end(), '/', '\\');
  if (Path.empty() || Path.front() != '\\') {
    Path.insert(Path.begin(), '\\');
  }
  return Path;
}

std::string JoinArchive(const std::string& Folder, const std::string& Name) {
  return Folder == "\\" ? "\\" + Name : Folder + "\\" + Name;
}

// Compared as the archive compares names: ASCII letters without regard to case.
bool NameLess(const std::string& A, const std::string& B) {
  return SFSUpperName(A) < SFSUpperName(B);
}

std::string FormatTime(int64_t FileTime) {
  std::time_t T = std::time_t(FileTimeToUnix(std::max<int64_t>(FileTime, 0)));
  std::tm Tm{};
  char Buf[32] = "?";
  if (::localtime_r(&T, &Tm) != nullptr) {
    std::strftime(Buf, sizeof(Buf), "%Y-%m-%d %H:%M:%S", &Tm);
  }
  return Buf;
}

std::unique_ptr<TSingleFileSystem> OpenArchive(const std::string& FileName, uint16_t Mode,
                                               const std::string& Password) {
  std::error_code Ec;
  if (!fs::is_regular_file(FileName, Ec)) {
    throw EFailure("archive \"" + FileName + "\" not found");
  }
  return std::make_unique<TSingleFileSystem>(FileName, Mode, Password);
}

// The live entries of a folder, sorted by name.
std::vector<int32_t> SortedChildren(TSingleFileSystem& A, int32_t Folder) {
  std::vector<int32_t> C = A.DM().Children(Folder);
  std::sort(C.begin(), C.end(), [&](int32_t X, int32_t Y) {
    return NameLess(A.DM().Item(X).FileName, A.DM().Item(Y).FileName);
  });
  return C;
}

// Every live entry below Folder, depth first, each folder before its contents.
void WalkArchive(TSingleFileSystem& A, int32_t Folder, const std::string& Path,
                 const std::function<void(int32_t, const std::string&)>& Visit) {
  for (int32_t Child : SortedChildren(A, Folder)) {
    const std::string ChildPath = JoinArchive(Path, A.DM().Item(Child).FileName);
    Visit(Child, ChildPath);
    if (A.DM().Item(Child).IsFolder != 0) {
      WalkArchive(A, Child, ChildPath, Visit);
    }
  }
}

size_t CountFiles(TSingleFileSystem& A) {
  size_t N = 0;
  WalkArchive(A, rootID, "\\", [&](int32_t Index, const std::string&) {
    N += A.DM().Item(Index).IsFolder == 0 ? 1 : 0;
  });
  return N;
}

// The password an entry needs: the archive's own, when the entry is encrypted by itself.
std::string EntryPassword(TSingleFileSystem& A, int32_t Index, const std::string& Password) {
  return A.DM().Item(Index).EncMethod != encNone ? Password : std::string();
}

// Opens the file entry Index at Path for reading. An archive written elsewhere may hold two
// names that differ only in case: the path then leads to the other one, which is refused rather
// than read in this entry's place.
std::unique_ptr<TSFSFileStream> OpenEntry(TSingleFileSystem& A, int32_t Index,
                                          const std::string& Path, const std::string& Password) {
  if (const int32_t Found = A.FindFileByName(Path); Found != Index) {
    throw EFailure("it cannot be reached by its path: names in an archive ignore case, and " +
                   (Found >= 0 ? "\"" + A.EntryPath(Found) + "\"" : std::string("another entry")) +
                   " takes its place");
  }
  return std::make_unique<TSFSFileStream>(&A, Path, fmOpenRead, EntryPassword(A, Index, Password));
}

// Copies a whole entry to Sink; fewer bytes than the entry's size is an error, never an end.
void CopyEntry(TSFSFileStream& In, const std::function<void(const char*, size_t)>& Sink) {
  const int64_t Size = In.GetSize();
  std::vector<char> Buf(CopyBlock);
  int64_t Total = 0;
  for (int64_t N; (N = In.Read(Buf.data(), int64_t(Buf.size()))) > 0;) {
    Sink(Buf.data(), size_t(N));
    Total += N;
  }
  if (Total != Size) {
    throw EFailure("only " + std::to_string(Total) + " of its " + std::to_string(Size) +
                   " bytes could be read");
  }
}

// Entries that fail one by one: each is reported with its path on standard error and the work
// goes on with the others; the command fails at the end.
class TEntryErrors {
public:
  TEntryErrors(const std::string& AArchive, TProgress* AProgress = nullptr)
      : FArchive(AArchive)
      , FProgress(AProgress) {}

  // Runs Work for the entry at Path, reporting its failure.
  void Run(const std::string& Path, const std::function<void()>& Work) {
    try {
      Work();
    } catch (const std::exception& X) {
      if (FProgress != nullptr) {
        FProgress->Done();
      }
      std::fprintf(stderr, "sfs: %s: %s: %s\n", FArchive.c_str(), Path.c_str(),
                   Describe(X).c_str());
      ++FCount;
    }
  }
  // Raises the failure of the command when an entry failed.
  void Finish(const char* What) const {
    if (FCount > 0) {
      throw EFailure(FArchive + ": " + std::to_string(FCount) +
                     (FCount == 1 ? " entry" : " entries") + " could not be " + What);
    }
  }

private:
  std::string FArchive;
  TProgress* FProgress;
  size_t FCount = 0;
};

// File times count 100 ns steps.
int64_t FileTimeOf(const struct timespec& T) {
  return UnixToFileTime(T.tv_sec) + T.tv_nsec / 100;
}

struct timespec TimespecOf(int64_t FileTime) {
  if (FileTime < 0) {
    return {0, 0};
  }
  const int64_t Seconds = FileTimeToUnix(FileTime);
  return {std::time_t(Seconds), long((FileTime - UnixToFileTime(Seconds)) * 100)};
}

void SetEntryTime(TSingleFileSystem& A, const std::string& Path, int64_t FileTime) {
  int32_t Index = A.FindFileByName(Path);
  if (Index >= 0) {
    TDirectoryElement E = A.DM().Item(Index);
    E.LastModifiedTime = FileTime;
    A.DM().WriteItem(Index, E);
  }
}

// Stores a disk file under Path with the given level (0 stores it raw).
void StoreFile(TSingleFileSystem& A, const std::string& DiskFile, const std::string& Path,
               int Level) {
  struct stat Info;
  if (::stat(DiskFile.c_str(), &Info) != 0) {
    throw EFailure("cannot read \"" + DiskFile + "\": " + std::strerror(errno));
  }
  // A new stream of level 0 takes the archive's level: store raw by lowering that for a while.
  const int Saved = A.GetCompressionLevel();
  const bool Lowered = Level == sfsNone && Saved != sfsNone;
  if (Lowered) {
    A.SetCompressionLevel(sfsNone);
  }
  // Only an entry made here is removed again when the copy fails, not one that was never
  // replaced.
  bool Created = false;
  try {
    TGFileStream In(DiskFile, fmOpenRead | fmShareDenyNone);
    TSFSFileStream Out(&A, Path, fmCreate, "", "", "", Level);
    Created = true;
    std::vector<char> Buf(CopyBlock);
    for (int64_t N; (N = In.Read(Buf.data(), int64_t(Buf.size()))) > 0;) {
      Out.WriteBuffer(Buf.data(), N);
    }
    Out.Flush();
  } catch (...) {
    if (Lowered) {
      A.SetCompressionLevel(Saved);
    }
    if (Created) {
      A.DeleteFile(Path);
    }
    throw;
  }
  if (Lowered) {
    A.SetCompressionLevel(Saved);
  }
  SetEntryTime(A, Path, FileTimeOf(Info.st_mtim));
}

void CheckLevel(const TOptions& O) {
  if (O.Level && (*O.Level < sfsNone || *O.Level > bzipMax)) {
    throw EUsage("--level must be between 0 and 9");
  }
}

// ---- create

struct TDiskEntry {
  fs::path Path;
  std::string ArchivePath;
  bool Folder;
};

// The files and folders below Folder in the order they are stored. Names that would be one name
// in the archive, which ignores case, are added to Clashes instead of being stored.
void CollectDisk(const fs::path& Folder, const std::string& Into, std::vector<TDiskEntry>& Out,
                 std::vector<std::string>& Clashes) {
  std::vector<fs::directory_entry> Entries;
  for (const fs::directory_entry& E : fs::directory_iterator(Folder)) {
    Entries.push_back(E);
  }
  std::sort(Entries.begin(), Entries.end(), [](const auto& X, const auto& Y) {
    return X.path().filename().string() < Y.path().filename().string();
  });
  std::map<std::string, fs::path> Stored;
  for (const fs::directory_entry& E : Entries) {
    const std::string Name = E.path().filename().string();
    if (Name.size() > size_t(MaxFileNameLength) || Name.find('\\') != std::string::npos) {
      throw EFailure("\"" + E.path().string() + "\" cannot be stored: names hold at most " +
                     std::to_string(MaxFileNameLength) + " bytes and no '\\'");
    }
    const bool IsFolder = E.is_directory() && !E.is_symlink();
    if (!IsFolder && !E.is_regular_file()) {
      std::fprintf(stderr, "sfs: skipping \"%s\": not a regular file or folder\n",
                   E.path().c_str());
      continue;
    }
    auto [Other, New] = Stored.emplace(SFSUpperName(Name), E.path());
    if (!New) {
      Clashes.push_back("\"" + Other->second.string() + "\" and \"" + E.path().string() +
                        "\" differ only in case, and names in an archive ignore case");
      continue;
    }
    const std::string Path = JoinArchive(Into, Name);
    Out.push_back({E.path(), Path, IsFolder});
    if (IsFolder) {
      CollectDisk(E.path(), Path, Out, Clashes);
    }
  }
}

int RunCreate(const TOptions& O) {
  CheckLevel(O);
  const std::string& Archive = O.Args[0];
  const fs::path Folder = O.Args[1];
  const int Level = O.Level.value_or(DefaultCompressionLevel);
  const int PageSize = O.PageSize.value_or(DEFAULT_PAGE_SIZE);
  if (PageSize < MIN_PAGE_SIZE || PageSize > MAX_PAGE_SIZE) {
    throw EUsage("--page-size must be between " + std::to_string(MIN_PAGE_SIZE) + " and " +
                 std::to_string(MAX_PAGE_SIZE));
  }
  std::error_code Ec;
  if (!fs::is_directory(Folder, Ec)) {
    throw EFailure("folder \"" + Folder.string() + "\" not found");
  }
  std::vector<TDiskEntry> Entries;
  std::vector<std::string> Clashes;
  CollectDisk(Folder, "\\", Entries, Clashes);
  if (!Clashes.empty()) {
    for (const std::string& C : Clashes) {
      std::fprintf(stderr, "sfs: %s\n", C.c_str());
    }
    throw EFailure("nothing packed: " + std::to_string(Clashes.size()) +
                   (Clashes.size() == 1 ? " name" : " names") +
                   " would replace another in the archive");
  }
  const size_t Files =
      size_t(std::count_if(Entries.begin(), Entries.end(), [](auto& E) { return !E.Folder; }));
  try {
    TSingleFileSystem A(Archive, fmCreate, false, O.Password, "", "", Level, PageSize,
                        DEFAULT_EXTENT_PAGE_COUNT, -1);
    TProgress Progress("packing", Files);
    for (const TDiskEntry& E : Entries) {
      if (E.Folder) {
        if (!A.ForceDirectories(E.ArchivePath)) {
          throw EFailure("cannot create folder \"" + E.ArchivePath + "\" (error " +
                         std::to_string(A.LastError()) + ")");
        }
      } else {
        Progress.Step(E.ArchivePath);
        StoreFile(A, E.Path.string(), E.ArchivePath, Level);
      }
    }
  } catch (...) {
    fs::remove(Archive, Ec);
    throw;
  }
  std::printf("packed %zu files into %s\n", Files, Archive.c_str());
  return 0;
}

// ---- list

int RunList(const TOptions& O) {
  auto A = OpenArchive(O.Args[0], fmOpenRead | fmShareDenyWrite, O.Password);
  TEntryErrors Errors(O.Args[0]);
  WalkArchive(*A, rootID, "\\", [&](int32_t Index, const std::string& Path) {
    const TDirectoryElement E = A->DM().Item(Index);
    if (E.IsFolder == 0) {
      Errors.Run(Path, [&] {
        // A compressed file's content size is known from its stream only.
        const int64_t Size = OpenEntry(*A, Index, Path, O.Password)->GetSize();
        std::printf("%s\t%lld\t%s\n", Path.c_str(), static_cast<long long>(Size),
                    FormatTime(E.LastModifiedTime).c_str());
      });
    }
  });
  Errors.Finish("listed");
  return 0;
}

// ---- extract

bool SafeDiskName(const std::string& Name) {
  return !Name.empty() && Name != "." && Name != ".." && Name.find('/') == std::string::npos &&
         Name.find('\0') == std::string::npos;
}

// Writes one file; a file that cannot be read whole is not left behind as if it were complete.
void ExtractEntry(TSingleFileSystem& A, int32_t Index, const std::string& Path,
                  const fs::path& Target, const std::string& Password) {
  std::unique_ptr<TSFSFileStream> In = OpenEntry(A, Index, Path, Password);
  TGFileStream Out(Target.string(), fmCreate);
  try {
    CopyEntry(*In, [&](const char* Data, size_t N) { Out.WriteBuffer(Data, int64_t(N)); });
  } catch (...) {
    std::error_code Ec;
    fs::remove(Target, Ec);
    throw;
  }
}

int RunExtract(const TOptions& O) {
  auto A = OpenArchive(O.Args[0], fmOpenRead | fmShareDenyWrite, O.Password);
  const fs::path Root = O.Args[1];
  std::error_code Ec;
  fs::create_directories(Root, Ec);
  if (!fs::is_directory(Root, Ec)) {
    throw EFailure("cannot create folder \"" + Root.string() + "\"");
  }
  TProgress Progress("extracting", CountFiles(*A));
  TEntryErrors Errors(O.Args[0], &Progress);
  std::vector<std::pair<fs::path, struct timespec>> Times;
  std::map<int32_t, fs::path> Folders{{rootID, Root}};
  size_t Files = 0;
  WalkArchive(*A, rootID, "\\", [&](int32_t Index, const std::string& Path) {
    const TDirectoryElement& E = A->DM().Item(Index);
    if (E.IsFolder == 0) {
      Progress.Step(Path);
    }
    Errors.Run(Path, [&] {
      if (!SafeDiskName(E.FileName)) {
        throw EFailure("its name cannot be written to disk");
      }
      auto Parent = Folders.find(E.ParentID);
      if (Parent == Folders.end()) {
        throw EFailure("its folder was not extracted");
      }
      const fs::path Target = Parent->second / E.FileName;
      if (E.IsFolder != 0) {
        std::error_code Err;
        fs::create_directories(Target, Err);
        if (Err) {
          throw EFailure("cannot create folder \"" + Target.string() + "\": " + Err.message());
        }
        Folders[Index] = Target;
        return;
      }
      ExtractEntry(*A, Index, Path, Target, O.Password);
      Times.emplace_back(Target, TimespecOf(E.LastModifiedTime));
      ++Files;
    });
  });
  for (const auto& [Target, Time] : Times) {
    const struct timespec T[2] = {Time, Time};
    ::utimensat(AT_FDCWD, Target.c_str(), T, 0);
  }
  Progress.Done();
  std::printf("extracted %zu files into %s\n", Files, Root.c_str());
  Errors.Finish("extracted");
  return 0;
}

// ---- cat

int RunCat(const TOptions& O) {
  auto A = OpenArchive(O.Args[0], fmOpenRead | fmShareDenyWrite, O.Password);
  const std::string Path = ArchivePath(O.Args[1]);
  const int32_t Index = A->FindFileByName(Path);
  if (Index < 0 || A->DM().Item(Index).IsFolder != 0) {
    throw EFailure("\"" + Path + "\" is not a file of " + O.Args[0]);
  }
  std::string OutputError;
  try {
    CopyEntry(*OpenEntry(*A, Index, Path, O.Password), [&](const char* Data, size_t N) {
      if (std::fwrite(Data, 1, N, stdout) != N) {
        OutputError = std::string("cannot write to standard output: ") + std::strerror(errno);
        throw EFailure(OutputError);
      }
    });
  } catch (const std::exception& X) {
    if (!OutputError.empty()) {
      throw;
    }
    throw EFailure(Path + ": " + Describe(X));
  }
  if (std::fflush(stdout) != 0) {
    throw EFailure(std::string("cannot write to standard output: ") + std::strerror(errno));
  }
  return 0;
}

// ---- add

int RunAdd(const TOptions& O) {
  CheckLevel(O);
  const std::string& File = O.Args[1];
  std::error_code Ec;
  if (!fs::is_regular_file(File, Ec)) {
    throw EFailure("file \"" + File + "\" not found");
  }
  auto A = OpenArchive(O.Args[0], fmOpenReadWrite | fmShareExclusive, O.Password);
  std::string Path = ArchivePath(O.Args[2]);
  if (Path.back() == '\\' || A->DirectoryExists(Path)) {
    // Into a folder, under the file's own name.
    while (Path.size() > 1 && Path.back() == '\\') {
      Path.pop_back();
    }
    Path = JoinArchive(Path, fs::path(File).filename().string());
  }
  const std::string Folder = Path.substr(0, Path.rfind('\\'));
  if (!Folder.empty() && !A->ForceDirectories(Folder)) {
    throw EFailure("cannot create folder \"" + Folder + "\" in " + O.Args[0]);
  }
  const int Level = O.Level.value_or(A->GetCompressionLevel());
  // The file stored under that name, perhaps in another case, is replaced: say which it was.
  const int32_t Old = A->FindFileByName(Path);
  const std::string Replaced = Old >= 0 ? A->EntryPath(Old) : std::string();
  StoreFile(*A, File, Path, Level);
  if (Replaced.empty()) {
    std::printf("added %s\n", Path.c_str());
  } else {
    std::printf("added %s in place of %s\n", Path.c_str(), Replaced.c_str());
  }
  return 0;
}

// ---- delete

int RunDelete(const TOptions& O) {
  auto A = OpenArchive(O.Args[0], fmOpenReadWrite | fmShareExclusive, O.Password);
  const std::string Path = ArchivePath(O.Args[1]);
  if (A->FileExists(Path)) {
    if (!A->DeleteFile(Path)) {
      throw EFailure("cannot delete \"" + Path + "\" (error " + std::to_string(A->LastError()) +
                     ")");
    }
    std::printf("deleted %s\n", Path.c_str());
    return 0;
  }
  if (Path == "\\") {
    throw EFailure("the root folder cannot be deleted");
  }
  if (!A->DirectoryExists(Path)) {
    throw EFailure("\"" + Path + "\" not found in " + O.Args[0]);
  }
  const int32_t Count = A->DeleteFolder(Path);
  if (Count < 0 || A->DirectoryExists(Path)) {
    throw EFailure("cannot delete folder \"" + Path + "\"");
  }
  std::printf("deleted %s with %d files\n", Path.c_str(), Count);
  return 0;
}

// ---- check

class TChecker {
public:
  TChecker(TSingleFileSystem& A, const std::string& Password)
      : FA(A)
      , FPassword(Password)
      , FOwner(size_t(std::max(A.PFM().TotalPageCount(), 1))) {}

  // Every problem found, one sentence each.
  std::vector<std::string> Run() {
    for (int32_t Page : FA.DM().Pages()) {
      Claim(Page, "the directory");
    }
    TProgress Progress("checking", CountFiles(FA));
    WalkArchive(FA, rootID, "\\", [&](int32_t Index, const std::string& Path) {
      if (FA.DM().Item(Index).IsFolder == 0) {
        Progress.Step(Path);
        CheckFile(Index, Path);
      }
    });
    FindOrphans();
    return FProblems;
  }

private:
  void Claim(int32_t Page, const std::string& Who) {
    if (Page <= 0 || Page >= FA.PFM().TotalPageCount()) {
      FProblems.push_back(Who + " uses page " + std::to_string(Page) +
                          ", which lies outside the archive");
      return;
    }
    if (FA.FSM().IsSystemPage(Page)) {
      FProblems.push_back(Who + " uses page " + std::to_string(Page) + ", a free-space page");
    } else if (FA.FSM().IsPageFree(Page)) {
      FProblems.push_back(Who + " uses page " + std::to_string(Page) + ", which is marked free");
    }
    std::string& Owner = FOwner[size_t(Page)];
    if (!Owner.empty()) {
      FProblems.push_back("page " + std::to_string(Page) + " is used by both " + Owner + " and " +
                          Who);
    } else {
      Owner = Who;
    }
  }

  // Pages marked used that neither the directory, a file nor its map refers to: space lost for
  // good, since nothing would ever free them.
  void FindOrphans() {
    constexpr size_t Shown = 10;
    const int64_t InExtents = int64_t(FA.FSM().ExtentCount()) * FA.PFM().Header().ExtentPageCount;
    const int64_t Last = std::min<int64_t>(InExtents, FA.PFM().TotalPageCount() - 1);
    std::vector<int32_t> Orphans;
    for (int32_t Page = 1; Page <= Last; ++Page) {
      if (FOwner[size_t(Page)].empty() && !FA.FSM().IsSystemPage(Page) &&
          !FA.FSM().IsPageFree(Page)) {
        Orphans.push_back(Page);
      }
    }
    if (Orphans.empty()) {
      return;
    }
    std::string List;
    for (size_t I = 0; I < Orphans.size() && I < Shown; ++I) {
      List += (I == 0 ? "" : ", ") + std::to_string(Orphans[I]);
    }
    if (Orphans.size() > Shown) {
      List += ", ...";
    }
    FProblems.push_back(std::to_string(Orphans.size()) + " used page" +
                        (Orphans.size() == 1 ? " belongs" : "s belong") +
                        " to no file, folder or map (orphan" + (Orphans.size() == 1 ? "" : "s") +
                        "): " + List);
  }

  void CheckFile(int32_t Index, const std::string& Path) {
    const TDirectoryElement E = FA.DM().Item(Index);
    const TUserFilePageMap* Map = nullptr;
    if (int32_t Rc = FA.UFM().GetMaps(E, Map); Rc != erOk) {
      FProblems.push_back("the page map of " + Path + " is damaged (error " + std::to_string(Rc) +
                          ")");
      return;
    }
    for (int32_t Page : Map->MapPages) {
      Claim(Page, Path);
    }
    for (int32_t Page : Map->DataPages) {
      Claim(Page, Path);
    }
    try {
      CopyEntry(*OpenEntry(FA, Index, Path, FPassword), [](const char*, size_t) {});
    } catch (const std::exception& X) {
      FProblems.push_back(Path + ": " + Describe(X));
    }
  }

  TSingleFileSystem& FA;
  std::string FPassword;
  std::vector<std::string> FOwner;
  std::vector<std::string> FProblems;
};

int RunCheck(const TOptions& O) {
  std::unique_ptr<TSingleFileSystem> A;
  try {
    A = OpenArchive(O.Args[0], fmOpenRead | fmShareDenyWrite, O.Password);
  } catch (const EFailure&) {
    throw;
  } catch (const std::exception& X) {
    throw EFailure(O.Args[0] + " is damaged: " + Describe(X));
  }
  TChecker Checker(*A, O.Password);
  std::vector<std::string> Problems = Checker.Run();
  for (const std::string& P : Problems) {
    std::fprintf(stderr, "sfs: %s: %s\n", O.Args[0].c_str(), P.c_str());
  }
  if (!Problems.empty()) {
    std::fprintf(stderr, "sfs: %s is damaged: %zu problem%s\n", O.Args[0].c_str(), Problems.size(),
                 Problems.size() == 1 ? "" : "s");
    return ExitFailure;
  }
  std::printf("%s is sound: %zu files, %d pages of %d bytes\n", O.Args[0].c_str(), CountFiles(*A),
              A->PFM().TotalPageCount(), A->PFM().PageSize());
  return 0;
}

// ---- command line

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> List = {
      {"create", "create ARCHIVE FOLDER [--level N] [--page-size N] [--password P]",
       "Packs the folder tree FOLDER into a new archive ARCHIVE (replacing it).", 2, true, true,
       RunCreate},
      {"list", "list ARCHIVE [--password P]",
       "Lists every file: its path, its size in bytes and its modification time, separated by "
       "tabs.",
       1, false, false, RunList},
      {"extract", "extract ARCHIVE FOLDER [--password P]",
       "Writes every file and folder of the archive below FOLDER.", 2, false, false, RunExtract},
      {"cat", "cat ARCHIVE PATH [--password P]", "Writes one file to standard output.", 2, false,
       false, RunCat},
      {"add", "add ARCHIVE FILE PATH [--level N] [--password P]",
       "Stores FILE as PATH (a folder path keeps FILE's name), replacing what was there.\n"
       "Without --level the archive's own level is used.",
       3, true, false, RunAdd},
      {"delete", "delete ARCHIVE PATH [--password P]",
       "Deletes a file, or a folder with everything in it.", 2, false, false, RunDelete},
      {"check", "check ARCHIVE [--password P]",
       "Reads every structure, page map and file of the archive and verifies every checksum.\n"
       "Exits with 0 only when the archive is sound.",
       1, false, false, RunCheck},
  };
  return List;
}

void PrintUsage(std::FILE* To) {
  std::fputs("usage: sfs COMMAND ARGUMENTS...\n\n"
             "Single-file archives (.sfs). Paths inside an archive use '\\' or '/'.\n\n"
             "commands:\n",
             To);
  for (const TCommand& C : Commands()) {
    std::fprintf(To, "  sfs %s\n", C.Synopsis);
  }
  std::fputs("\n'sfs COMMAND --help' describes one command. Exit status: 0 on success, 1 when "
             "the operation failed\nor the archive is damaged, 2 for a wrong command line.\n",
             To);
}

void PrintCommandHelp(const TCommand& C) {
  std::printf("usage: sfs %s\n\n%s\n\noptions:\n", C.Synopsis, C.Description);
  if (C.TakesLevel) {
    std::fputs(LevelHelp, stdout);
  }
  if (C.TakesPageSize) {
    std::printf("  --page-size N   bytes per page, %d to %d (default %d)\n", MIN_PAGE_SIZE,
                MAX_PAGE_SIZE, DEFAULT_PAGE_SIZE);
  }
  std::fputs("  --password P    the archive's password (a new archive is encrypted with it)\n"
             "  --help          this text\n",
             stdout);
}

TOptions ParseOptions(const TCommand& C, int Argc, char** Argv) {
  TOptions O;
  bool OptionsEnd = false;
  for (int I = 2; I < Argc; ++I) {
    std::string A = Argv[I];
    if (OptionsEnd || A.size() < 2 || A[0] != '-') {
      O.Args.push_back(A);
      continue;
    }
    if (A == "--") {
      OptionsEnd = true;
      continue;
    }
    if (A == "--help" || A == "-h") {
      O.Help = true;
      continue;
    }
    std::string Value;
    bool HasValue = false;
    if (size_t Eq = A.find('='); Eq != std::string::npos) {
      Value = A.substr(Eq + 1);
      A.resize(Eq);
      HasValue = true;
    }
    const bool Known = A == "--password" || (A == "--level" && C.TakesLevel) ||
                       (A == "--page-size" && C.TakesPageSize);
    if (!Known) {
      throw EUsage("unknown option " + A + " for '" + C.Name + "'");
    }
    if (!HasValue) {
      if (I + 1 >= Argc) {
        throw EUsage(A + " needs a value");
      }
      Value = Argv[++I];
    }
    if (A == "--password") {
      O.Password = Value;
    } else if (A == "--level") {
      O.Level = ParseNumber(A, Value);
    } else {
      O.PageSize = ParseNumber(A, Value);
    }
  }
  if (!O.Help && O.Args.size() != C.ArgCount) {
    throw EUsage(std::string("'") + C.Name + "' takes " + std::to_string(C.ArgCount) +
                 (C.ArgCount == 1 ? " argument" : " arguments") + "; usage: sfs " + C.Synopsis);
  }
  return O;
}

int Main(int Argc, char** Argv) {
  if (Argc < 2) {
    PrintUsage(stderr);
    return ExitUsage;
  }
  const std::string Name = Argv[1];
  if (Name == "--help" || Name == "-h" || Name == "help") {
    PrintUsage(stdout);
    return 0;
  }
  const auto& List = Commands();
  auto C =
      std::find_if(List.begin(), List.end(), [&](const TCommand& X) { return Name == X.Name; });
  try {
    if (C == List.end()) {
      throw EUsage("unknown command '" + Name + "' (see sfs --help)");
    }
    TOptions O = ParseOptions(*C, Argc, Argv);
    if (O.Help) {
      PrintCommandHelp(*C);
      return 0;
    }
    return C->Run(O);
  } catch (const EUsage& X) {
    std::fprintf(stderr, "sfs: %s\n", X.what());
    return ExitUsage;
  } catch (const std::exception& X) {
    std::fprintf(stderr, "sfs: %s\n", Describe(X).c_str());
    return ExitFailure;
  }
}

} // namespace

int main(int Argc, char** Argv) {
  return Main(Argc, Argv);
}
