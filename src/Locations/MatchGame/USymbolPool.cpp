#include "Locations/MatchGame/USymbolPool.h"

#include "animation/UGAnimation.h"
#include "base/UGDebug.h"
#include "drawables/UGSymbol.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGWidget.h"

#include <algorithm>
#include <exception>

G_IMPLEMENT_CLASS(TExplosionChainSymbolManager)

TExplosionChainSymbolManager* ExplosionChainSymbolManager = nullptr;

namespace {

constexpr int32_t CCrossSymbols = 17;
constexpr int32_t CLineSymbols = 11;
constexpr const char* CLineTrailGfx = "Game\\Match\\GameItems\\Bonuses\\Line\\Explosion.ani";
constexpr const char* CCrossTrailGfx = "Game\\Match\\GameItems\\Bonuses\\Cross\\Explosion.ani";

} // namespace

TGGraphic* FindBonusGraphic(const std::string& URL) {
  if (URL.empty()) {
    return nullptr;
  }
  TGGraphic* G = nullptr;
  if (TGResourceLibrary* Library = MainResourceLibrary()) {
    try {
      G = TryObjectCast<TGGraphic>(Library->GetResourceEx(URL, false));
    } catch (const std::exception& E) {
      ODS("Match bonus graphic %s failed to load: %s", URL, std::string(E.what()));
    }
  }
  if (!G) {
    ODS("Not found Gfx: %s", URL);
  }
  return G;
}

TExplosionChainSymbolManager::TExplosionChainSymbolManager(TGObject* AOwner)
    : TGObject(AOwner) {
  for (int32_t I = 0; I < CCrossSymbols; ++I) {
    AddCross();
  }
  for (int32_t I = 0; I < CLineSymbols; ++I) {
    AddLine();
  }
  ExplosionChainSymbolManager = this;
}

void TExplosionChainSymbolManager::Destroy() {
  if (ExplosionChainSymbolManager == this) {
    ExplosionChainSymbolManager = nullptr;
  }
  // The symbols are owned, so they go with the manager; chains that still hold one hear of it
  // through its destroy notification.
  FLineSymbols.clear();
  FCrossSymbols.clear();
  inherited::Destroy();
}

TGSymbol* TExplosionChainSymbolManager::MakeSymbol(const std::string& URL) {
  auto* S = New<TGSymbol>(this);
  S->SetInheritParticles(false);
  S->SetGraphic(FindBonusGraphic(URL));
  return S;
}

void TExplosionChainSymbolManager::AddLine() {
  FLineSymbols.push_back(MakeSymbol(CLineTrailGfx));
  FLineUsage.push_back(false);
}

void TExplosionChainSymbolManager::AddCross() {
  FCrossSymbols.push_back(MakeSymbol(CCrossTrailGfx));
  FCrossUsage.push_back(false);
}

bool TExplosionChainSymbolManager::Take(std::vector<TGSymbol*>& Symbols, std::vector<bool>& Usage,
                                        TGSymbol*& Symbol) {
  for (size_t I = 0; I < Symbols.size(); ++I) {
    if (!Usage[I]) {
      Usage[I] = true;
      Symbol = Symbols[I];
      return true;
    }
  }
  return false;
}

bool TExplosionChainSymbolManager::Untake(std::vector<TGSymbol*>& Symbols, std::vector<bool>& Usage,
                                          TGSymbol* Symbol) {
  auto It = std::find(Symbols.begin(), Symbols.end(), Symbol);
  if (It == Symbols.end()) {
    return false;
  }
  Usage[static_cast<size_t>(It - Symbols.begin())] = false;
  return true;
}

bool TExplosionChainSymbolManager::GetLine(TGSymbol*& Symbol) {
  return Take(FLineSymbols, FLineUsage, Symbol);
}

bool TExplosionChainSymbolManager::GetCross(TGSymbol*& Symbol) {
  return Take(FCrossSymbols, FCrossUsage, Symbol);
}

void TExplosionChainSymbolManager::ReleaseSymbol(TGSymbol* Symbol) {
  if (!Symbol) {
    return;
  }
  if (!Untake(FLineSymbols, FLineUsage, Symbol) && !Untake(FCrossSymbols, FCrossUsage, Symbol)) {
    return;
  }
  // The next chain that borrows it starts without the sparks of the last one.
  if (auto* Ani = TryObjectCast<TGAnimation>(Symbol->Instance())) {
    Ani->ClearParticles();
  }
}

int32_t TExplosionChainSymbolManager::FreeLineCount() const {
  return static_cast<int32_t>(std::count(FLineUsage.begin(), FLineUsage.end(), false));
}

int32_t TExplosionChainSymbolManager::FreeCrossCount() const {
  return static_cast<int32_t>(std::count(FCrossUsage.begin(), FCrossUsage.end(), false));
}

TGWidget* TExplosionChainSymbolManager::Screen() const {
  return TryObjectCast<TGWidget>(Owner());
}

TGWidget* TExplosionChainSymbolManager::BoardPanel() const {
  TGWidget* S = Screen();
  return S ? S->FindWidget("Board") : nullptr;
}

TGGraphicCollection* TExplosionChainSymbolManager::BoardGraphics() const {
  TGWidget* Panel = BoardPanel();
  return Panel ? Panel->Graphics() : nullptr;
}
