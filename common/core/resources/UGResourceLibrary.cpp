#include "resources/UGResourceLibrary.h"

#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "io/UGFileSystem.h"
#include "object/UGClassBuilder.h"
#include "resources/UGAbstractStartupLog.h"
#include "resources/UGResource.h"

#include <chrono>
#include <cmath>

G_IMPLEMENT_CLASS(TGResourceLibrary)

TGResourceLibrary::TGResourceLibrary(TGObject* AOwner, bool ANoPreload, bool ANoCache)
    : TGObject(AOwner)
    , FNoPreload(ANoPreload)
    , FNoCache(ANoCache) {
  FItems.SetSorted(true);
  FItems.SetDuplicates(dupError);
}

void TGResourceLibrary::SetAllowHotLoad(bool Value) {
  for (TGResourceDepository* D : {FCommonDepository, FCurrentDepository}) {
    if (D) {
      D->SetAllowHotLoad(Value);
    }
  }
}

namespace {
TGResourceLibrary* MainLibrary = nullptr;
} // namespace

TGResourceLibrary* MainResourceLibrary() {
  return MainLibrary;
}

void SetMainResourceLibrary(TGResourceLibrary* Library) {
  MainLibrary = Library;
}

void TGResourceLibrary::Destroy() {
  if (MainLibrary == this) {
    MainLibrary = nullptr;
  }
  SetAllowHotLoad(false);
  Clear();
  inherited::Destroy();
}

void TGResourceLibrary::OwnedObjectDestroying(TGObject* Obj) {
  int Index = FItems.IndexOfObject(Obj);
  if (Index >= 0) {
    FItems.Delete(Index);
  }
  inherited::OwnedObjectDestroying(Obj);
}

TGFileSystem* TGResourceLibrary::FileSystem() const {
  return FCommonDepository ? FCommonDepository->FileSystem() : nullptr;
}

void TGResourceLibrary::Load(TGFileSystem* FileSystem, TGAbstractStartupLog* StartupLog,
                             TGResourceDepositoryType Depo, int64_t NeedsDiskSpace) {
  // The library takes the file system over, also when it refuses it.
  if ((Depo == rdtCommon && FCommonDepository) || (Depo == rdtCurrent && FCurrentDepository)) {
    if (FileSystem) {
      FileSystem->Free();
    }
    throw Error(Depo == rdtCommon ? "Common resources was loaded" : "Current resources was loaded");
  }
  auto* Depository =
      new TGResourceDepository(this, FileSystem, StartupLog, FNoCache, NeedsDiskSpace);
  (Depo == rdtCurrent ? FCurrentDepository : FCommonDepository) = Depository;
  if (!FNoPreload) {
    auto Start = std::chrono::steady_clock::now();
    LoadHelper(Depository, StartupLog);
    auto Ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - Start)
                  .count();
    ODS("Preloading time: %d", static_cast<int64_t>(Ms));
  }
}

void TGResourceLibrary::LoadHelper(TGResourceDepository* Depository, TGAbstractStartupLog* Log) {
  TGResourceErrorCallback Saved = FErrorCallback;
  if (!FErrorCallback && Log) {
    FErrorCallback = [Log](const std::string&, const std::string&) {
      ++Log->ResourceErrorCount;
      Log->OnResourceError();
    };
  }
  if (!FNoCache && Log) {
    Log->Info("Preloading resources. Wait, please...");
  }
  TGFastStringList Files;
  Depository->FileSystem()->MakeFileList(Files, "", false);
  std::vector<std::string> Wanted;
  for (const auto& F : Files) {
    if (ResourceClass(F.String)) {
      Wanted.push_back(F.String);
    }
  }
  for (size_t I = 0; I < Wanted.size(); ++I) {
    const std::string& Name = Wanted[I];
    std::string Base = ChangeFileExt(ExtractFileName(Name), "");
    int32_t Number = 0;
    bool NumberedFrame = TryStrToInt(Base, Number) && Number != 1;
    if (FNoCache && Log && !NumberedFrame) {
      Log->Info("Preloading " + Name);
    }
    IndexOf(FileNameToURL(Name));
    if (Log) {
      int Percent =
          Wanted.size() == 1
              ? 100
              : static_cast<int>(std::lround(static_cast<double>(I) /
                                             static_cast<double>(Wanted.size() - 1) * 100.0));
      Log->SetProgress(Percent);
    }
  }
  FErrorCallback = Saved;
  if (Log && Log->ResourceErrorCount > 0) {
    Log->Info(Format("Done with %d error(s).", {Log->ResourceErrorCount}));
  }
}

TGResource* TGResourceLibrary::GetItem(int Index) const {
  return FItems.ObjectAs<TGResource>(Index);
}

bool TGResourceLibrary::IsLoaded(const std::string& URL) const {
  return FItems.IndexOf(FixURLSlashes(URL)) >= 0;
}

TGResourceDepository* TGResourceLibrary::FindDepository(const std::string& URL) const {
  for (TGResourceDepository* D : {FCurrentDepository, FCommonDepository}) {
    if (D && D->IsFinded(URL)) {
      return D;
    }
  }
  return nullptr;
}

int TGResourceLibrary::FindIndex(const std::string& URL) const {
  return FItems.IndexOf(FixURLSlashes(URL));
}

TGResource* TGResourceLibrary::LoadFromDepositories(const std::string& URL) {
  if (TGResourceDepository* D = FindDepository(URL)) {
    try {
      return D->LoadResource(URL);
    } catch (const EGException& E) {
      ODS("Creating stub for \"%s\" due to error \"%s\"", URL, E.Text());
      TGResource* Stub = CreateResource(URL, false);
      if (FErrorCallback) {
        FErrorCallback(URL, E.Text());
      }
      return Stub;
    }
  }
  return nullptr;
}

int TGResourceLibrary::IndexOf(const std::string& URL) {
  std::string U = FixURLSlashes(URL);
  int Index = FItems.IndexOf(U);
  if (Index >= 0 || !ValidateURL(U)) {
    return Index;
  }
  for (const std::string& L : FLoading) {
    if (SameURL(L, U)) {
      ODS("Resource \"%s\" refers to itself while loading", U);
      if (FErrorCallback) {
        FErrorCallback(U, "The resource refers to itself while loading");
      }
      return -1;
    }
  }
  FLoading.push_back(U);
  TGResource* R = nullptr;
  try {
    R = LoadFromDepositories(U);
  } catch (...) {
    FLoading.pop_back();
    throw;
  }
  FLoading.pop_back();
  if (R) {
    Add(R);
  }
  return FItems.IndexOf(U);
}

TGResource* TGResourceLibrary::GetResourceEx(const std::string& URL, bool RaiseIfMissing) {
  int Index = IndexOf(URL);
  if (Index >= 0) {
    return GetItem(Index);
  }
  if (RaiseIfMissing) {
    throw Error("Resource \"%s\" not found", FixURLSlashes(URL));
  }
  return nullptr;
}

TGResource* TGResourceLibrary::CreateResource(const std::string& URL, bool AddIt) {
  std::string U = FixURLSlashes(URL);
  TGClass Class = ResourceClass(U);
  if (!Class) {
    throw Error("Cannot determine resource class by its URL");
  }
  if (AddIt && FItems.IndexOf(U) >= 0) {
    throw Error("Resource \"%s\" is duplicated", U);
  }
  // Resources made on a loader thread join the library (and its ownership) only when added.
  TGResource* R = ObjectCast<TGResource>(Class->CreateInstance(nullptr));
  R->SetURL(U);
  if (AddIt) {
    Add(R);
  }
  return R;
}

void TGResourceLibrary::Add(TGResource* Resource) {
  if (!Resource || Resource->URL().empty()) {
    throw Error("Invalid resource");
  }
  if (FItems.IndexOf(Resource->URL()) >= 0) {
    throw Error("Resource \"%s\" is duplicated", Resource->URL());
  }
  if (Resource->Owner() != this) {
    Resource->SetOwner(this);
  }
  FItems.AddObject(Resource->URL(), Resource);
  Subscribe(TGNotification(Resource, &TGResource::NotifyRename),
            TGNotifyEvent(this, &TGResourceLibrary::OnRenameResource));
}

void TGResourceLibrary::Extract(TGResource* Resource) {
  if (!Resource || Resource->URL().empty()) {
    throw Error("Invalid resource");
  }
  UnSubscribe(Resource);
  int Index = FItems.IndexOfObject(Resource);
  if (Index >= 0) {
    FItems.Delete(Index);
  }
}

void TGResourceLibrary::OnRenameResource(TGObject* Sender) {
  TGResource* R = static_cast<TGResource*>(Sender);
  int Existing = FItems.IndexOf(R->URL());
  if (Existing >= 0 && FItems.GetObject(Existing) != R) {
    throw Error("Renaming resource caused duplication. URL: \"%s\"", R->URL());
  }
  int Old = FItems.IndexOfObject(R);
  if (Old >= 0) {
    FItems.Delete(Old);
  }
  FItems.AddObject(R->URL(), R);
}

void TGResourceLibrary::Clear() {
  while (FItems.Count() > 0) {
    TGResource* R = FItems.ObjectAs<TGResource>(FItems.Count() - 1);
    FItems.Delete(FItems.Count() - 1);
    UnSubscribe(R);
    R->Free();
  }
}
