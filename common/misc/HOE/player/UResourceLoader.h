// The game's resource library: shared by the user-interface thread and a loader worker that
// loads queued resources in the background. The URL list is locked only for list operations,
// never while a file is read; a URL being loaded is marked, and other threads that need it wait
// until it is in.
#pragma once

#include "resources/UGResourceDepository.h"
#include "resources/UGResourceLibrary.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

class TResourceLoader;

class TResourceLibrary : public TGResourceLibrary {
  G_CLASS(TResourceLibrary, TGResourceLibrary)
  TResourceLibrary(TGObject* AOwner, bool ANoPreload, bool ANoCache);
  explicit TResourceLibrary(TGObject* AOwner = nullptr)
      : TResourceLibrary(AOwner, true, true) {}
  void AfterConstruction() override;

  TResourceLoader* ResourceLoader() const { return FResourceLoader; }

  int GetCount() const override;
  TGResource* GetItem(int Index) const override;
  bool IsLoaded(const std::string& URL) const override;
  int IndexOf(const std::string& URL) override;
  TGResource* GetResourceEx(const std::string& URL, bool RaiseIfMissing) override;
  void Add(TGResource* Resource) override;
  void Extract(TGResource* Resource) override;
  void Clear() override;

  // The URLs being loaded right now, with the thread that loads each.
  bool StartLoadingResource(const std::string& URL);
  void StopLoadingResource(const std::string& URL);
  bool IsLoadingResource(const std::string& URL) const;

protected:
  void Destroy() override;

private:
  // The resource of the URL, loading it (or waiting for another thread that loads it).
  TGResource* InternalGet(const std::string& URL);

  TResourceLoader* FResourceLoader = nullptr;
  mutable std::recursive_mutex FItemsCS;
  mutable std::mutex FLoadingItemsCS;
  std::map<std::string, std::thread::id> FLoadingItems; // upper-cased URL to its loader
};

// Loads a queued URL on a worker, one per resumption, when the frame leaves time for it.
class TResourceLoader : public TGObject {
  G_CLASS(TResourceLoader, TGObject)
  explicit TResourceLoader(TGObject* AOwner = nullptr);

  TResourceLibrary* ResourceLibrary() const;
  void Add(const std::string& URL);
  void Clear();
  int GetCount() const;
  // Takes the first URL off the queue and loads it (unless someone loads it already).
  void Next();

  // Starts one worker (waiting until it is resumed).
  void AddThread();
  // Lets every worker load one URL.
  void Resume();
  // Called once per frame with the frame interval in seconds: resumes the workers when their
  // share of the accumulated time is below AverageThreadsTime (0.01 in the game).
  void Execute(float Interval, float AverageThreadsTime);
  uint32_t MainThreadTime() const { return FMainThreadTime; }
  uint32_t AuxiliaryThreadsTime() const { return FAuxiliaryThreadsTime; }

protected:
  void Destroy() override;

private:
  void WorkerLoop();

  mutable std::mutex FItemsCS;
  std::deque<std::string> FItems;
  std::mutex FWakeLock;
  std::condition_variable FWake;
  int FResumes = 0;
  bool FStopping = false;
  std::vector<std::thread> FThreads;
  uint32_t FMainThreadTime = 0;
  uint32_t FAuxiliaryThreadsTime = 0;
};
