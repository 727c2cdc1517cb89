#include "sfs/UGCacheFileSystem.h"

#include "io/UGFileUtils.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceDepository.h"

G_IMPLEMENT_CLASS(TGCacheFileSystem)

namespace {
TGFileSystem* MakeCache(TGObject* Owner, const std::string& FileName, uint16_t Mode) {
  return new TGCacheFileSystem(Owner, FileName, Mode);
}
} // namespace

void TGCacheFileSystem::Register() {
  SetCacheFileSystemFactory(&MakeCache);
}

std::unique_ptr<TGStream> TGCacheFileSystem::CreateStream(const std::string& Path, uint16_t Mode) {
  if ((Mode & 3) != 0 || Mode == fmCreate) {
    return TGSingleFileSystem::CreateStream(Path, Mode);
  }
  return inherited::CreateStream(Path, Mode);
}

void TGCacheFileSystem::Destroy() {
  const std::string FileName = Location();
  inherited::Destroy();
  GrantAllPermissions(FileName);
}
