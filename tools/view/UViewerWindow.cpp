#include "UViewerWindow.h"

#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"
#include "text/UGFont.h"
#include "text/UGText.h"

G_IMPLEMENT_CLASS(TViewerWindow)

namespace {

// The viewer's sample: the demo dictionary's welcome line, then every kind of character ("$",
// "#" and "<" would start a key, a rule or a tag).
constexpr const char* CSampleText =
    "$Welcome$\r\n\r\n"
    "The quick brown fox jumps over the lazy dog. AVATAR Wavy Type, 1234567890.\r\n"
    "Voix ambiguë d'un cœur qui, au zéphyr, préfère les jattes de kiwis: «ça», 3,50 €.\r\n"
    "!\"%&'()*+,-./:;=?@[\\]^_`{|}~ \u00a1\u00bf\u00e0\u00e9\u00ee\u00f5\u00fc\u00df";

} // namespace

void TViewerWindow::SetResource(TGResource* Resource) {
  FreeAndNil(FSymbol);
  FreeAndNil(FText);
  if (auto* Font = dynamic_cast<TGFont*>(Resource)) {
    SetText(CSampleText, Font);
    return;
  }
  if (auto* Graphic = dynamic_cast<TGGraphic*>(Resource)) {
    FSymbol = new TGSymbol();
    FSymbol->SetGraphic(Graphic);
  }
}

void TViewerWindow::SetText(const std::string& Data, TGFont* Font) {
  FreeAndNil(FSymbol);
  FreeAndNil(FText);
  FText = new TGText();
  FText->SetFont(Font);
  FText->SetData(Data);
  FText->SetX(10);
  FText->SetY(10);
  FText->SetExtent(TGVector{GD ? GD->Width() - 20.0f : 780.0f, 10000, 0});
}

void TViewerWindow::Destroy() {
  FreeAndNil(FSymbol);
  FreeAndNil(FText);
  inherited::Destroy();
}

void TViewerWindow::UpdateTree(float Interval) {
  if (FSymbol) {
    FSymbol->Update(Interval);
  }
  if (FText) {
    FText->Update(Interval);
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
  if (FText) {
    GD->SetMatrixByType(mWorld, MatIdentity);
    FText->Draw();
  }
}
