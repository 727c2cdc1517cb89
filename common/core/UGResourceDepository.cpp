#include "UGResourceDepository.h"

#include "UGClassBuilder.h"
#include "UGFileSystem.h"
#include "UGResource.h"
#include "UGResourceLibrary.h"
#include "UGStrUtils.h"

G_IMPLEMENT_CLASS(TGResourceDepository)

TGResourceDepository::TGResourceDepository(TGResourceLibrary* ALibrary, TGFileSystem* AFileSystem,
                                           TGAbstractStartupLog* ALog, bool ANoCache,
                                           int64_t ANeedsDiskSpace)
    : TGObject(ALibrary)
    , FFileSystem(AFileSystem)
    , FLog(ALog)
    , FNoCache(ANoCache)
    , FNeedsDiskSpace(ANeedsDiskSpace) {
  if (FFileSystem) {
    FFileSystem->SetOwner(this);
  }
}

TGResourceDepository::TGResourceDepository(TGObject* AOwner)
    : TGObject(AOwner) {}

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
    std::unique_ptr<TGStream> Stream = FFileSystem->CreateStream(URLToFileName(U), fmOpenRead);
    return TGResource::CreateFromStream(Class, Library(), U, nullptr, *Stream);
  } catch (const TGResourceException&) {
    throw;
  } catch (const EGException& E) {
    throw TGResourceException(E.Message(), E.Text());
  } catch (const std::exception& E) {
    throw TGResourceException(E.what());
  }
}
