// File-system helpers for content written on Windows: backslash paths, names matched without
// regard to case when the exact name is missing, DOS-packed file times and directory listings.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// Turns '\' into '/' and finds each component of Path without regard to ASCII case when the
// exact name does not exist. Components that exist in no case are kept as given, so the result
// names the file to create.
std::string ResolvePathNoCase(const std::string& Path);

// A file time as the DOS layout packs it: the date in the high 16 bits
// ((year - 1980) << 9 | month << 5 | day), the time in the low 16 bits
// (hour << 11 | minute << 5 | second / 2), from local time.
int32_t DateTimeToFileDate(std::time_t Time);
std::time_t FileDateToDateTime(int32_t FileDate);

struct THostDirEntry {
  std::string Name;
  bool IsDirectory = false; // a folder, or a link to one
  bool IsSymlink = false;
  bool Hidden = false;   // a name starting with '.'
  bool ReadOnly = false; // not writable by the owner
  int64_t Size = 0;
  std::time_t Modified = 0;
};

// The entries of a folder, "." and ".." included, in the order the system gives them.
std::vector<THostDirEntry> ListDirectory(const std::string& Folder);
// A DOS wildcard ("*", "?"; "*.*" matches every name) compared without regard to ASCII case.
bool MatchesMask(const std::string& Name, const std::string& Mask);
