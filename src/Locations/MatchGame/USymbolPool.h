// The trail symbols the bonuses' explosion chains share. Every moving chain leaves a trail of
// sparks behind its head; making and loading a fresh animation for each of them would stall the
// frame a bonus explodes in, so the match screen keeps a pool of ready symbols (line trails and
// cross trails) that chains borrow and give back. A chain that finds none free makes its own.
//
// The pool belongs to the match screen and is reachable process-wide while it exists; through
// its owner the chains and the dice shower also find where to draw: the screen and its board
// panel "Board".
#pragma once

#include "object/UGObject.h"

#include <string>
#include <vector>

class TGGraphic;
class TGGraphicCollection;
class TGSymbol;
class TGWidget;

// The graphic at URL from the program's resource library, or none (written to the debug output)
// when the library does not have it or there is no library.
TGGraphic* FindBonusGraphic(const std::string& URL);

class TExplosionChainSymbolManager : public TGObject {
  G_CLASS(TExplosionChainSymbolManager, TGObject)
  // Fills both pools, every symbol free. Owned by the match screen.
  explicit TExplosionChainSymbolManager(TGObject* AOwner = nullptr);

  // A free symbol of the kind, marked used; false when every one is used.
  bool GetLine(TGSymbol*& Symbol);
  bool GetCross(TGSymbol*& Symbol);
  // Marks the symbol free again and clears the particles its animation left; a symbol of no
  // pool is left alone (its owner frees it).
  void ReleaseSymbol(TGSymbol* Symbol);
  // One more pooled symbol of the kind; the pools never grow by themselves.
  void AddLine();
  void AddCross();

  int32_t LineCount() const { return static_cast<int32_t>(FLineSymbols.size()); }
  int32_t CrossCount() const { return static_cast<int32_t>(FCrossSymbols.size()); }
  int32_t FreeLineCount() const;
  int32_t FreeCrossCount() const;

  // The widget that owns the pool (the match screen), its board panel "Board" and that panel's
  // graphics; none when the owner is no widget or has no such panel.
  TGWidget* Screen() const;
  TGWidget* BoardPanel() const;
  TGGraphicCollection* BoardGraphics() const;

protected:
  void Destroy() override;

private:
  TGSymbol* MakeSymbol(const std::string& URL);
  static bool Take(std::vector<TGSymbol*>& Symbols, std::vector<bool>& Usage, TGSymbol*& Symbol);
  static bool Untake(std::vector<TGSymbol*>& Symbols, std::vector<bool>& Usage, TGSymbol* Symbol);

  std::vector<TGSymbol*> FLineSymbols;  // owned
  std::vector<TGSymbol*> FCrossSymbols; // owned
  std::vector<bool> FLineUsage;
  std::vector<bool> FCrossUsage;
};

// The pool of the match screen that is up, or none.
extern TExplosionChainSymbolManager* ExplosionChainSymbolManager;
