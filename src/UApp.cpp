#include "UApp.h"

#include "object/UGClassBuilder.h"
#include "player/UResourceLoader.h"
#include "sfs/UGSingleFileSystem.h"

G_IMPLEMENT_CLASS(TApp)

TGApp* TApp::Make(const TGAppParams& Params) {
  return New<TApp>(Params);
}

TGResourceLibrary* TApp::CreateResourceLibrary() {
  return New<TResourceLibrary>(this, Parameters().NoPreload, Parameters().NoCache);
}

TGFileSystem* TApp::CreateArchiveFileSystem(const std::string& FileName) {
  return new TGLockedSingleFileSystem(nullptr, FileName, fmOpenRead);
}
