#include "resources/UGResourceDepository.h"

#include "base/UGDebug.h"
#include "base/UGMessageLoop.h"
#include "base/UGStrUtils.h"
#include "io/UGFileSystem.h"
#include "io/UGNativeFileSystem.h"
#include "object/UGClassBuilder.h"
#include "platform/UDirectoryWatcher.h"
#include "resources/UGAttributeTable.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResource.h"
#include "resources/UGResourceLibrary.h"

G_IMPLEMENT_CLASS(TGResourceDepository)

TGResourceDepository::TGResourceDepository(TGResourceLibrary* ALibrary, TGFileSystem* AFileSystem,
                                           TGAbstractStartupLog* ALog, bool ANoCache,
                                           int64_t ANeedsDiskSpace)
    : TGObject(ALibrary)
    , FFileSystem(AFileSystem)
    , FLog(ALog)
    , FNoCache(ANoCache)
    , FNeedsDiskSpace(ANeedsDiskSpace) {
  FChangedFilesList.SetSorted(true);
  if (FFileSystem) {
    FFileSystem->SetOwner(this);
    // A depository that says it is "Cached" holds no pictures to convert.
    if (FFileSystem->FileExists("Cached")) {
      FNoCache = true;
    }
    StartCache();
    // The depository's translations join the language dictionary.
    if (FFileSystem->FileExists("Dictionary.csv")) {
      std::unique_ptr<TGStream> Dictionary =
          FFileSystem->CreateStream("Dictionary.csv", fmOpenRead);
      LangDictionary().Load(*Dictionary);
    }
  }
  FAttributeTable = new TGAttributeTable(this, FFileSystem, "Attributes.xml");
}

TGResourceDepository::TGResourceDepository(TGObject* AOwner)
    : TGObject(AOwner) {
  FChangedFilesList.SetSorted(true);
  FAttributeTable = new TGAttributeTable(this, nullptr, "");
}

void TGResourceDepository::Destroy() {
  SetAllowHotLoad(false);
  inherited::Destroy();
}

std::unique_ptr<TGStream> TGResourceDepository::OpenResourceFile(const std::string& URL,
                                                                 uint16_t Mode) {
  std::string FileName = URLToFileName(FixURLSlashes(URL));
  if ((Mode & 1) != 0) { // every writing mode, creation included
    FFileSystem->ForceDirectories(ResourceFolder(FileName));
  } else if (TGFileSystem* Cache = CacheFileSystem();
             Cache && CacheConverter(FileName) && Cache->FileExists(FileName)) {
    // Pictures come converted from the cache; everything else from the depository itself.
    return Cache->CreateStream(FileName, Mode);
  }
  return FFileSystem->CreateStream(FileName, Mode);
}

void TGResourceDepository::SetAllowHotLoad(bool Value) {
  if (!Value) {
    if (FTimerHook && MessageLoop) {
      MessageLoop->RemoveLoopHook(FTimerHook);
    }
    FTimerHook = 0;
    FWatcher.reset();
    FChangedFilesList.Clear();
    return;
  }
  if (FWatcher || !FFileSystem || !FFileSystem->InheritsFrom(TGNativeFileSystem::StaticClass())) {
    return;
  }
  FChangedFilesList.Clear();
  try {
    FWatcher = std::make_unique<TDirectoryWatcher>(FFileSystem->Location());
  } catch (const EWatchError& E) {
    throw Error("%s", E.what());
  }
  FLastCheck = std::chrono::steady_clock::now();
  if (MessageLoop) {
    FTimerHook = MessageLoop->AddLoopHook([this] { CheckTimer(); });
  }
}

void TGResourceDepository::CheckTimer() {
  auto Now = std::chrono::steady_clock::now();
  if (Now - FLastCheck >= std::chrono::milliseconds(500)) {
    FLastCheck = Now;
    UpdateChangedFiles();
  }
}

void TGResourceDepository::FileChangedEvent(const std::string& FileName) {
  std::string URL = FileNameToURL(FixURLSlashes(FileName));
  TGResourceLibrary* Lib = Library();
  if (Lib && Lib->IsLoaded(URL)) {
    FChangedFilesList.Add(URL);
  }
}

void TGResourceDepository::UpdateChangedFiles() {
  if (FWatcher) {
    for (const TWatchEvent& E : FWatcher->TakeChanges()) {
      if (E.Kind == TWatchEvent::wkModified) {
        FileChangedEvent(E.Name);
      }
    }
  }
  TGResourceLibrary* Lib = Library();
  if (FChangedFilesList.Count() == 0 || !Lib) {
    return;
  }
  TGFastStringList Next;
  Next.SetSorted(true);
  // Changed files are read from the depository itself, not from the (older) cache.
  FCacheDetached = true;
  struct TReattach {
    bool& Flag;
    ~TReattach() { Flag = false; }
  } Reattach{FCacheDetached};
  for (const auto& Item : FChangedFilesList) {
    const std::string& URL = Item.String;
    if (!Lib->IsLoaded(URL)) {
      continue;
    }
    if (!FFileSystem->FileExists(URLToFileName(URL))) {
      Next.Add(URL);
      continue;
    }
    TGResource* R = Lib->GetResource(URL);
    if (R->IgnoreNextChangeNotify) {
      R->IgnoreNextChangeNotify = false;
      ODS(URL + " skipped");
      continue;
    }
    std::unique_ptr<TGStream> Stream;
    try {
      Stream = OpenResourceFile(URL, fmOpenRead);
    } catch (const EFOpenError&) {
      Next.Add(URL);
      ODS(URL + " skipped for next time");
      continue;
    }
    try {
      R->LoadFromStream(*Stream, Lib);
      R->NotifyChange();
      ODS(URL + " reloaded");
    } catch (const EGException& E) {
      ODS("Reloading %s failed: %s", URL, E.Text());
    }
  }
  FChangedFilesList.Clear();
  for (const auto& Item : Next) {
    FChangedFilesList.Add(Item.String);
  }
}

TGResourceLibrary* TGResourceDepository::Library() const {
  return ObjectCast<TGResourceLibrary>(Owner());
}

bool TGResourceDepository::IsFinded(const std::string& URL) const {
  if (!FFileSystem || !ValidateURL(URL)) {
    return false;
  }
  return FFileSystem->FileExists(URLToFileName(URL));
}

TGResource* TGResourceDepository::LoadResource(const std::string& URL) {
  std::string U = FixURLSlashes(URL);
  try {
    TGClass Class = ResourceClass(U);
    if (!Class) {
      throw TGResourceException("Cannot determine resource class by its URL");
    }
    std::unique_ptr<TGStream> Stream = OpenResourceFile(U, fmOpenRead);
    return TGResource::CreateFromStream(Class, Library(), U, FAttributeTable->Retrieve(U), *Stream);
  } catch (const TGResourceException&) {
    throw;
  } catch (const EGException& E) {
    throw TGResourceException(E.Message(), E.Text());
  } catch (const std::exception& E) {
    throw TGResourceException(E.what());
  }
}
