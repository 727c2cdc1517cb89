// The resource library: every resource under its URL, loaded on first request from the
// current-language depository or else the common one, shared by everyone who asks. A file that
// fails to load is replaced by an empty resource of its class, so it is reported once.
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGObject.h"
#include "resources/UGResourceDepository.h"

#include <functional>
#include <string>
#include <vector>

class TGFileSystem;
class TGResource;
class TGAbstractStartupLog;

using TGResourceErrorCallback = std::function<void(const std::string& URL, const std::string& Msg)>;

class TGResourceLibrary : public TGObject {
  G_CLASS(TGResourceLibrary, TGObject)
  TGResourceLibrary(TGObject* AOwner, bool ANoPreload, bool ANoCache);
  explicit TGResourceLibrary(TGObject* AOwner = nullptr)
      : TGResourceLibrary(AOwner, true, true) {}

  // A depository over the file system (which it takes over), as the common or the
  // current-language one; preloads from it unless preloading is off.
  void Load(TGFileSystem* FileSystem, TGAbstractStartupLog* StartupLog,
            TGResourceDepositoryType Depo, int64_t NeedsDiskSpace);

  virtual int GetCount() const { return FItems.Count(); }
  virtual TGResource* GetItem(int Index) const;
  // The index of the URL, loading it when it is not loaded yet; -1 when no depository has it.
  virtual int IndexOf(const std::string& URL);
  virtual bool IsLoaded(const std::string& URL) const;
  // The resource, loading it on first request; none or "Resource \"%s\" not found".
  virtual TGResource* GetResourceEx(const std::string& URL, bool RaiseIfMissing);
  TGResource* GetResource(const std::string& URL) { return GetResourceEx(URL, true); }
  // An empty resource of the URL's class, owned by the library.
  TGResource* CreateResource(const std::string& URL, bool AddIt);
  virtual void Add(TGResource* Resource);
  virtual void Extract(TGResource* Resource);
  virtual void Clear();
  void OnRenameResource(TGObject* Sender);

  TGResourceDepository* CommonDepository() const { return FCommonDepository; }
  TGResourceDepository* CurrentDepository() const { return FCurrentDepository; }
  TGFileSystem* FileSystem() const;
  const TGResourceErrorCallback& ErrorCallback() const { return FErrorCallback; }
  void SetErrorCallback(TGResourceErrorCallback Value) { FErrorCallback = std::move(Value); }
  bool NoPreload() const { return FNoPreload; }
  // Hot reload of both depositories (folders only).
  void SetAllowHotLoad(bool Value);
  bool NoCache() const { return FNoCache; }

protected:
  void Destroy() override;
  // A resource freed by anyone leaves the list.
  void OwnedObjectDestroying(TGObject* Obj) override;
  // Loads the URL from a depository that has it; a failure gives a stub and the callback.
  TGResource* LoadFromDepositories(const std::string& URL);
  // The depository that has the URL's file (the current-language one first), or none.
  TGResourceDepository* FindDepository(const std::string& URL) const;
  // The index of a loaded URL (normalised), without loading; -1 when absent.
  int FindIndex(const std::string& URL) const;
  void LoadHelper(TGResourceDepository* Depository, TGAbstractStartupLog* Log);

private:
  bool FNoPreload;
  bool FNoCache;
  TGFastStringList FItems; // URL to resource, sorted, case ignored, duplicates rejected
  TGResourceDepository* FCommonDepository = nullptr;
  TGResourceDepository* FCurrentDepository = nullptr;
  TGResourceErrorCallback FErrorCallback;
  std::vector<std::string> FLoading; // URLs whose loading is under way (a resource asking for
                                     // itself must not recurse)
};

// The program's resource library, for code that is given none (texts, sounds played by URL):
// the application sets it when it makes its library; none before that, and again once the
// library is freed.
TGResourceLibrary* MainResourceLibrary();
void SetMainResourceLibrary(TGResourceLibrary* Library);
