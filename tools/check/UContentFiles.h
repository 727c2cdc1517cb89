// The content being checked, a folder or an archive (".sfs"), seen through the engine's own
// file system and resource library: its files, their texts, and their XML trees with the line
// of every element, each read once.
#pragma once

#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLDoc.h"
#include "xml/UGXMLNode.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TGFileSystem;

// A file's XML tree, or why it could not be read.
struct TXMLFile {
  TGObjectPtr<TGXMLNode> Root;
  TGXMLLineTable Lines;
  std::string Error; // empty when the file parsed
  int32_t ErrorLine = 1;

  bool Parsed() const { return Error.empty(); }
  int32_t LineOf(const TGXMLNode* Node) const;
};

class TContentFiles {
public:
  // Opens the folder or the archive at Path; raises the engine's error when it cannot. The
  // library's load failures go to OnLoadError (URL and message).
  TContentFiles(const std::string& Path, TGResourceErrorCallback OnLoadError);
  ~TContentFiles();
  TContentFiles(const TContentFiles&) = delete;
  TContentFiles& operator=(const TContentFiles&) = delete;

  TGResourceLibrary& Library() const { return *FLibrary; }
  TGFileSystem& FileSystem() const;
  // Every file, as a path from the root with '\' between names, sorted without regard to case.
  const std::vector<std::string>& Files() const { return FFiles; }
  // The files below Folder ("loc") whose names end with Extension (".loc"), case ignored.
  std::vector<std::string> FilesOf(std::string_view Folder, std::string_view Extension) const;
  // Whether the file exists, its name found without regard to case as the engine finds it.
  bool Exists(const std::string& Path) const;
  // Whether the library would find a resource at the URL.
  bool HasResource(const std::string& URL) const;
  // The whole file; raises the engine's error when it cannot be read.
  std::string Read(const std::string& Path) const;
  // The file's XML tree, read once; a file that is missing or malformed gives the reason.
  const TXMLFile& XML(const std::string& Path);

private:
  TGObjectPtr<TGResourceLibrary> FLibrary;
  std::vector<std::string> FFiles;
  std::map<std::string, std::unique_ptr<TXMLFile>> FXML; // by path, upper case
};

// Whether Path names an archive rather than a folder.
bool IsArchivePath(const std::string& Path);
