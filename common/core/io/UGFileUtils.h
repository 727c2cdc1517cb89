// Whole files, folders and free space on the disk file system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Creates every missing folder along Path ('/' or '\' separated); true when the whole path
// exists afterwards.
bool ForceDirectories(std::string_view Path);
// Deletes every file in Folder whose name matches Mask ("*" and "?"; "*.*" is every file).
void DeleteFiles(const std::string& Folder, const std::string& Mask);
// Deletes the files, then every subfolder recursively, then the folder itself.
void DeleteTree(const std::string& Folder);
bool FileExists(const std::string& Name);
bool DirectoryExists(const std::string& Name);

// The whole file as bytes; EFOpenError when it cannot be opened.
std::string ReadFile(const std::string& Name);
// The bytes into a newly created (or truncated) file; EFCreateError when it cannot be made.
void WriteFile(const std::string& Name, std::string_view Data);

// Durable writing, so that a crash or a kill at any moment leaves either the old file or the
// new one. Flushing a file's data, and a folder's names, to the disk: false when it fails.
bool SyncFile(const std::string& Name);
bool SyncFolder(const std::string& Folder);
// Renames From over To in one step (both on one file system); EWriteError when it fails.
void RenameFile(const std::string& From, const std::string& To);
// The bytes into a temporary file beside Name, flushed, renamed over Name, the folder flushed.
void WriteFileDurably(const std::string& Name, std::string_view Data);
// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& Name);

// Free bytes available to the caller on the volume of Path; -1 when unknown.
int64_t DiskFreeSpace(const std::string& Path);
// The per-user data folder ($XDG_DATA_HOME, else ~/.local/share), or the current folder.
std::string GetCommonAppDataFolder();
// Profile, score and cache files are the user's own here: makes sure the owner can read and
// write the file and never widens access beyond that.
void GrantAllPermissions(const std::string& FileName);

// Joins two path pieces with one '/'.
std::string IncludeTrailingSlash(std::string_view Path);
