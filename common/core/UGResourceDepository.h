// A depository: a file system that resources are loaded from. This is the part the library
// needs (finding a URL's file and loading it); dictionaries, attribute tables, the conversion
// cache and hot reloading build on it.
#pragma once

#include "UGObject.h"

#include <string>

class TGFileSystem;
class TGResource;
class TGResourceLibrary;
class TGAbstractStartupLog;

enum TGResourceDepositoryType { rdtIntellectual = 0, rdtCommon = 1, rdtCurrent = 2 };

class TGResourceDepository : public TGObject {
  G_CLASS(TGResourceDepository, TGObject)
  // Takes over the file system (it becomes its owner).
  TGResourceDepository(TGResourceLibrary* ALibrary, TGFileSystem* AFileSystem,
                       TGAbstractStartupLog* ALog, bool ANoCache, int64_t ANeedsDiskSpace);
  explicit TGResourceDepository(TGObject* AOwner = nullptr);

  TGFileSystem* FileSystem() const { return FFileSystem; }
  TGResourceLibrary* Library() const;
  // Whether the depository's file system has the URL's file.
  bool IsFinded(const std::string& URL) const;
  // Creates the resource from its file; every failure is raised as TGResourceException with
  // the message of the error that caused it.
  virtual TGResource* LoadResource(const std::string& URL);

private:
  TGFileSystem* FFileSystem = nullptr;
  TGAbstractStartupLog* FLog = nullptr;
  bool FNoCache = true;
  int64_t FNeedsDiskSpace = 0;
};
