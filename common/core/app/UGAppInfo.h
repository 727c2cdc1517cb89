// The product's identity (from "VersionInfo.xml" beside the program) and its data folders.
#pragma once

#include <string>

class TGAppInfo {
public:
  // Reads BaseFolder + "/VersionInfo.xml" ("File %s not found" when missing) and creates the
  // data folder: the per-user data folder / company / product / major version.
  explicit TGAppInfo(const std::string& ABaseFolder);

  const std::string& CompanyName() const { return FCompanyName; }
  const std::string& ProductName() const { return FProductName; }
  const std::string& ProductVersion() const { return FProductVersion; }
  // The first two numbers of the product version as "%d.%.2d" ("1.5.3" gives "1.05").
  std::string MajorVersion() const;
  const std::string& AppBaseFolder() const { return FAppBaseFolder; }
  const std::string& AppDataFolder() const { return FAppDataFolder; }
  bool PlaybackMode() const { return FPlaybackMode; }
  void SetPlaybackMode(bool Value) { FPlaybackMode = Value; }

  // Each folder is created when missing.
  std::string CacheFolder() const;
  std::string DataFolder() const; // "PlaybackData" in playback mode
  std::string RecordingsFolder() const;
  std::string TempFolder() const;

private:
  std::string Folder(const char* Name) const;

  std::string FCompanyName;
  std::string FProductName;
  std::string FProductVersion;
  std::string FAppBaseFolder;
  std::string FAppDataFolder;
  bool FPlaybackMode = false;
};

// The folder of the running program, without a trailing separator.
std::string ExecutableFolder();
// "major.minor" from a version text ("1.5.3" gives "1.05").
std::string MajorVersionOf(const std::string& Version);
