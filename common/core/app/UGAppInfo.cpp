#include "app/UGAppInfo.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "io/UGFileUtils.h"
#include "xml/UGXMLNode.h"

#include <climits>
#include <unistd.h>
#include <vector>

std::string ExecutableFolder() {
  char Buf[PATH_MAX];
  ssize_t N = ::readlink("/proc/self/exe", Buf, sizeof(Buf) - 1);
  if (N <= 0) {
    return ".";
  }
  std::string Path(Buf, static_cast<size_t>(N));
  size_t Slash = Path.rfind('/');
  return Slash == std::string::npos || Slash == 0 ? std::string("/") : Path.substr(0, Slash);
}

std::string MajorVersionOf(const std::string& Version) {
  std::vector<std::string> Parts;
  SplitString(Version, '.', Parts);
  int Major = Parts.size() > 0 ? StrToIntDef(Parts[0], 0) : 0;
  int Minor = Parts.size() > 1 ? StrToIntDef(Parts[1], 0) : 0;
  return Format("%d.%.2d", {Major, Minor});
}

TGAppInfo::TGAppInfo(const std::string& ABaseFolder)
    : FAppBaseFolder(ABaseFolder) {
  while (FAppBaseFolder.size() > 1 && FAppBaseFolder.back() == '/') {
    FAppBaseFolder.pop_back();
  }
  std::string FileName = FAppBaseFolder + "/VersionInfo.xml";
  if (!FileExists(FileName)) {
    throw Error("File %s not found", FileName);
  }
  TGObjectPtr<TGXMLNode> Info(new TGXMLNode("VersionInfo"));
  Info->LoadFromFile(FileName);
  FCompanyName = Info->GetStrAttr("CompanyName");
  FProductName = Info->GetStrAttr("ProductName");
  FProductVersion = Info->GetStrAttr("ProductVersion");
  FAppDataFolder =
      GetCommonAppDataFolder() + "/" + FCompanyName + "/" + FProductName + "/" + MajorVersion();
  ForceDirectories(FAppDataFolder);
}

std::string TGAppInfo::MajorVersion() const {
  return MajorVersionOf(FProductVersion);
}

std::string TGAppInfo::Folder(const char* Name) const {
  std::string Path = FAppDataFolder + "/" + Name;
  if (!DirectoryExists(Path)) {
    ForceDirectories(Path);
  }
  return Path;
}

std::string TGAppInfo::CacheFolder() const {
  return Folder("Cache");
}
std::string TGAppInfo::DataFolder() const {
  return Folder(FPlaybackMode ? "PlaybackData" : "Data");
}
std::string TGAppInfo::RecordingsFolder() const {
  return Folder("Recordings");
}
std::string TGAppInfo::TempFolder() const {
  return Folder("Temp");
}
