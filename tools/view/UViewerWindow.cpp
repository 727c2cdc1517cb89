#include "UViewerWindow.h"

#include "UGClassBuilder.h"
#include "UGGraphicsDevice.h"
#include "UGSprite.h"
#include "UGSymbol.h"

G_IMPLEMENT_CLASS(TViewerWindow)

void TViewerWindow::SetResource(TGResource* Resource) {
  FreeAndNil(FSymbol);
  if (auto* Graphic = dynamic_cast<TGGraphic*>(Resource)) {
    FSymbol = new TGSymbol();
    FSymbol->SetGraphic(Graphic);
  }
}

void TViewerWindow::Destroy() {
  FreeAndNil(FSymbol);
  inherited::Destroy();
}

void TViewerWindow::UpdateTree(float Interval) {
  if (FSymbol) {
    FSymbol->Update(Interval);
  }
  inherited::UpdateTree(Interval);
}

void TViewerWindow::DrawTree() {
  if (!GD) {
    return;
  }
  GD->Erase(TGColor(0xFF000000));
  if (FSymbol) {
    TGSprite::BeginBatch();
    FSymbol->Draw();
    TGSprite::EndBatch();
  }
}
