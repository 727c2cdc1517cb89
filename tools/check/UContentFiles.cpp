#include "UContentFiles.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "io/UGFileSystem.h"
#include "io/UGNativeFileSystem.h"
#include "sfs/UGSingleFileSystem.h"

#include <algorithm>
#include <filesystem>

namespace {

bool EndsWithText(std::string_view Text, std::string_view Tail) {
  return Text.size() >= Tail.size() && SameText(Text.substr(Text.size() - Tail.size()), Tail);
}

} // namespace

int32_t TXMLFile::LineOf(const TGXMLNode* Node) const {
  return std::max<int32_t>(Lines.LineOf(Node), 1);
}

bool IsArchivePath(const std::string& Path) {
  return std::filesystem::is_regular_file(Path);
}

TContentFiles::TContentFiles(const std::string& Path, TGResourceErrorCallback OnLoadError) {
  TGFileSystem* FS = nullptr;
  if (IsArchivePath(Path)) {
    FS = new TGSingleFileSystem(nullptr, Path, fmOpenRead);
  } else if (std::filesystem::is_directory(Path)) {
    FS = new TGNativeFileSystem(nullptr, Path);
  } else {
    throw Error("%s is neither a folder nor an archive", Path);
  }
  // Nothing preloaded or cached: every resource is read from the content when it is asked for.
  FLibrary.reset(new TGResourceLibrary(nullptr, true, true));
  FLibrary->SetErrorCallback(std::move(OnLoadError));
  FLibrary->Load(FS, nullptr, rdtCommon, 0);
  TGFastStringList List;
  FS->MakeFileList(List, "", false);
  for (int I = 0; I < List.Count(); ++I) {
    std::string Name = List[I];
    if (!Name.empty() && Name.front() == '\\') {
      Name.erase(0, 1); // archives list their paths from the root
    }
    FFiles.push_back(Name);
  }
  std::sort(FFiles.begin(), FFiles.end(),
            [](const std::string& A, const std::string& B) { return StrIComp(A, B) < 0; });
}

TContentFiles::~TContentFiles() = default;

TGFileSystem& TContentFiles::FileSystem() const {
  return *FLibrary->FileSystem();
}

std::vector<std::string> TContentFiles::FilesOf(std::string_view Folder,
                                                std::string_view Extension) const {
  const std::string Prefix = std::string(Folder) + "\\";
  std::vector<std::string> Result;
  for (const std::string& F : FFiles) {
    if ((Folder.empty() ||
         (F.size() > Prefix.size() && SameText(F.substr(0, Prefix.size()), Prefix))) &&
        EndsWithText(F, Extension)) {
      Result.push_back(F);
    }
  }
  return Result;
}

bool TContentFiles::Exists(const std::string& Path) const {
  return FileSystem().FileExists(FixURLSlashes(Path));
}

bool TContentFiles::HasResource(const std::string& URL) const {
  TGResourceDepository* Depository = FLibrary->CommonDepository();
  return Depository && Depository->IsFinded(FixURLSlashes(URL));
}

std::string TContentFiles::Read(const std::string& Path) const {
  std::unique_ptr<TGStream> Stream = FileSystem().CreateStream(FixURLSlashes(Path), fmOpenRead);
  if (!Stream) {
    throw Error("%s cannot be read", Path);
  }
  return Stream->ReadAll();
}

const TXMLFile& TContentFiles::XML(const std::string& Path) {
  std::unique_ptr<TXMLFile>& Slot = FXML[UpperCase(Path)];
  if (Slot) {
    return *Slot;
  }
  Slot = std::make_unique<TXMLFile>();
  TXMLFile& File = *Slot;
  File.Root.reset(new TGXMLNode());
  try {
    const std::string Text = Read(Path);
    LoadXMLDocumentWithLines(*File.Root, Text, File.Lines);
  } catch (const EGException& E) {
    File.Error = E.Text().empty() ? "an element mixes text and child elements" : E.Text();
    File.ErrorLine = std::max<int32_t>(File.Lines.ErrorLine(), 1);
  }
  return File;
}
