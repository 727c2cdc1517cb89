// The game's application object: the engine's, with the game's resource library (shared with
// a loader worker).
#pragma once

#include "app/UGApp.h"

class TApp : public TGApp {
  G_CLASS(TApp, TGApp)
  explicit TApp(const TGAppParams& AParameters)
      : TGApp(AParameters) {}
  explicit TApp(TGObject* AOwner = nullptr)
      : TGApp(AOwner) {}

  // Makes the game's application object (the parameters' AppClass).
  static TGApp* Make(const TGAppParams& Params);

protected:
  TGResourceLibrary* CreateResourceLibrary() override;
  // Archives are read through the locked archive file system, which the loader worker shares.
  TGFileSystem* CreateArchiveFileSystem(const std::string& FileName) override;
};
