// The archive that keeps a depository's pictures converted to ".spr", in the cache folder. The
// resource loader's threads read it, so it serialises its operations and reads through copies;
// it is written only while the depository builds it, before any loader runs, through streams
// on the archive itself.
#pragma once

#include "sfs/UGSingleFileSystem.h"

class TGCacheFileSystem : public TGLockedSingleFileSystem {
  G_CLASS(TGCacheFileSystem, TGLockedSingleFileSystem)
  TGCacheFileSystem(TGObject* AOwner, const std::string& FileName, uint16_t Mode)
      : TGLockedSingleFileSystem(AOwner, FileName, Mode) {}

  // Writing modes give a stream on the archive; reading gives a copy of the entry.
  std::unique_ptr<TGStream> CreateStream(const std::string& Path, uint16_t Mode) override;
  // Lets depositories make their caches as archives.
  static void Register();

protected:
  // Closes the archive, then opens the file's access to every account (no-op on POSIX).
  void Destroy() override;
};
