#include "player/UResourceLoader.h"

#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "base/UGThread.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResource.h"
#include "xml/UGXMLDoc.h"

#include <chrono>

G_IMPLEMENT_CLASS(TResourceLibrary)
G_IMPLEMENT_CLASS(TResourceLoader)

namespace {

std::string LoadingKey(const std::string& URL) {
  return UpperCase(FixURLSlashes(URL));
}

} // namespace

TResourceLibrary::TResourceLibrary(TGObject* AOwner, bool ANoPreload, bool ANoCache)
    : TGResourceLibrary(AOwner, ANoPreload, ANoCache) {}

void TResourceLibrary::AfterConstruction() {
  inherited::AfterConstruction();
  FResourceLoader = new TResourceLoader(this);
}

void TResourceLibrary::Destroy() {
  // The worker goes first: it must not load into a library that is being emptied.
  FreeAndNil(FResourceLoader);
  inherited::Destroy();
}

int TResourceLibrary::GetCount() const {
  std::lock_guard<std::recursive_mutex> Lock(FItemsCS);
  return inherited::GetCount();
}

TGResource* TResourceLibrary::GetItem(int Index) const {
  std::lock_guard<std::recursive_mutex> Lock(FItemsCS);
  return inherited::GetItem(Index);
}

bool TResourceLibrary::IsLoaded(const std::string& URL) const {
  std::lock_guard<std::recursive_mutex> Lock(FItemsCS);
  return inherited::IsLoaded(URL);
}

void TResourceLibrary::Add(TGResource* Resource) {
  std::lock_guard<std::recursive_mutex> Lock(FItemsCS);
  inherited::Add(Resource);
}

void TResourceLibrary::Extract(TGResource* Resource) {
  std::lock_guard<std::recursive_mutex> Lock(FItemsCS);
  inherited::Extract(Resource);
}

void TResourceLibrary::Clear() {
  std::lock_guard<std::recursive_mutex> Lock(FItemsCS);
  inherited::Clear();
}

bool TResourceLibrary::StartLoadingResource(const std::string& URL) {
  std::lock_guard<std::mutex> Lock(FLoadingItemsCS);
  return FLoadingItems.emplace(LoadingKey(URL), std::this_thread::get_id()).second;
}

void TResourceLibrary::StopLoadingResource(const std::string& URL) {
  std::lock_guard<std::mutex> Lock(FLoadingItemsCS);
  FLoadingItems.erase(LoadingKey(URL));
}

bool TResourceLibrary::IsLoadingResource(const std::string& URL) const {
  std::lock_guard<std::mutex> Lock(FLoadingItemsCS);
  return FLoadingItems.count(LoadingKey(URL)) > 0;
}

TGResource* TResourceLibrary::InternalGet(const std::string& URL) {
  std::string U = FixURLSlashes(URL);
  std::unique_lock<std::recursive_mutex> Lock(FItemsCS);
  while (true) {
    int Index = FindIndex(U);
    if (Index >= 0) {
      return inherited::GetItem(Index);
    }
    if (!ValidateURL(U)) {
      return nullptr;
    }
    std::thread::id Loader;
    bool Loading = false;
    {
      std::lock_guard<std::mutex> L(FLoadingItemsCS);
      auto It = FLoadingItems.find(LoadingKey(U));
      if (It != FLoadingItems.end()) {
        Loading = true;
        Loader = It->second;
      }
    }
    if (Loading && Loader == std::this_thread::get_id()) {
      // The resource asks for itself while it loads (directly or through others): waiting would
      // never end.
      Lock.unlock();
      ODS("Resource \"%s\" refers to itself while loading", U);
      if (ErrorCallback()) {
        ErrorCallback()(U, "The resource refers to itself while loading");
      }
      return nullptr;
    }
    if (Loading) {
      Lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      Lock.lock();
      continue;
    }
    if (!FindDepository(U)) {
      return nullptr;
    }
    StartLoadingResource(U);
    // Unmarked however the load ends.
    struct TMark {
      TResourceLibrary* Library;
      std::string URL;
      ~TMark() { Library->StopLoadingResource(URL); }
    };
    TGResource* Loaded = nullptr;
    {
      TMark Mark{this, U};
      Lock.unlock();
      Loaded = LoadFromDepositories(U);
      Lock.lock();
    }
    if (Loaded && FindIndex(U) < 0) {
      inherited::Add(Loaded);
    } else if (Loaded) {
      Loaded->Free();
    }
    if (!Loaded) {
      return nullptr;
    }
  }
}

int TResourceLibrary::IndexOf(const std::string& URL) {
  std::lock_guard<std::recursive_mutex> Lock(FItemsCS);
  InternalGet(URL);
  return FindIndex(URL);
}

TGResource* TResourceLibrary::GetResourceEx(const std::string& URL, bool RaiseIfMissing) {
  TGResource* R = InternalGet(URL);
  if (!R && RaiseIfMissing) {
    throw Error("Resource \"%s\" not found", FixURLSlashes(URL));
  }
  return R;
}

// --- The loader ----------------------------------------------------------------------------------

TResourceLoader::TResourceLoader(TGObject* AOwner)
    : TGObject(AOwner) {}

TResourceLibrary* TResourceLoader::ResourceLibrary() const {
  return ObjectCast<TResourceLibrary>(Owner());
}

void TResourceLoader::Add(const std::string& URL) {
  std::lock_guard<std::mutex> Lock(FItemsCS);
  FItems.push_back(URL);
}

void TResourceLoader::Clear() {
  std::lock_guard<std::mutex> Lock(FItemsCS);
  FItems.clear();
}

int TResourceLoader::GetCount() const {
  std::lock_guard<std::mutex> Lock(FItemsCS);
  return static_cast<int>(FItems.size());
}

void TResourceLoader::Next() {
  std::string URL;
  {
    std::lock_guard<std::mutex> Lock(FItemsCS);
    if (FItems.empty()) {
      return;
    }
    URL = FItems.front();
    FItems.pop_front();
  }
  TResourceLibrary* Library = ResourceLibrary();
  if (!Library || Library->IsLoadingResource(URL)) {
    return;
  }
  try {
    Library->GetResourceEx(URL, false);
  } catch (const std::exception& E) {
    ODS("Background loading of \"%s\" failed: %s", URL, E.what());
  }
}

void TResourceLoader::AddThread() {
  FThreads.emplace_back(&TResourceLoader::WorkerLoop, this);
}

void TResourceLoader::WorkerLoop() {
  uint32_t Id = GetCurrentThreadID();
  AddThreadXMLDoc(Id);
  while (true) {
    {
      std::unique_lock<std::mutex> Lock(FWakeLock);
      FWake.wait(Lock, [this] { return FStopping || FResumes > 0; });
      if (FStopping) {
        break;
      }
      --FResumes;
    }
    Next();
  }
  RemoveThreadXMLDoc(Id);
}

void TResourceLoader::Resume() {
  {
    std::lock_guard<std::mutex> Lock(FWakeLock);
    FResumes += static_cast<int>(FThreads.size());
  }
  FWake.notify_all();
}

void TResourceLoader::Execute(float Interval, float AverageThreadsTime) {
  if (GetCount() == 0) {
    return;
  }
  FMainThreadTime += static_cast<uint32_t>(Interval * 1000.0f);
  uint32_t Sum = FMainThreadTime + FAuxiliaryThreadsTime;
  if (Sum > 0 &&
      static_cast<float>(FAuxiliaryThreadsTime) / static_cast<float>(Sum) >= AverageThreadsTime) {
    return;
  }
  auto Start = std::chrono::steady_clock::now();
  Resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  uint32_t Elapsed = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - Start)
                                               .count());
  FAuxiliaryThreadsTime += Elapsed;
  if (FMainThreadTime > Elapsed) {
    FMainThreadTime -= Elapsed;
  }
}

void TResourceLoader::Destroy() {
  {
    std::lock_guard<std::mutex> Lock(FWakeLock);
    FStopping = true;
  }
  FWake.notify_all();
  for (std::thread& T : FThreads) {
    T.join();
  }
  FThreads.clear();
  inherited::Destroy();
}
