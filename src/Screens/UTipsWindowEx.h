// Tutorial tips a location opens on its own: the tips window over a see-through screen, with a
// close button beside the last tip. While it is open the player is in the tip state, so the game
// waits; closing it puts that state away and destroys the window.
#pragma once

#include "Screens/UTipsWindow.h"

class TTipsWindowEx : public TTipsWindow {
  G_CLASS(TTipsWindowEx, TTipsWindow)
  explicit TTipsWindowEx(TGObject* AOwner = nullptr)
      : TTipsWindow(AOwner) {}
  void AfterConstruction() override;

  void LoadWindow() override;
  std::string NextURL() const override { return "Background\\Next"; }
  std::string TextURL() const override { return "Background\\Text"; }
  std::string CloseURL() const override { return "Background\\Close"; }
  // "Close" shows together with the last tip, where "Next" does not.
  void UpdateNextState() override;
  void OnCloseClick(TGObject* Sender) override;
  bool CoversEntireScreen() const override { return false; }

  void Update(float DeltaTime) override;

  static void Publish(TGClassBuilder<TTipsWindowEx>& B);

protected:
  void Destroy() override;

private:
  // Puts the tip state away once, whether the window was closed or destroyed with its owner.
  void LeaveTipState();
  class TPlayer* FPlayer = nullptr; // whose game state holds the tip state
  bool FClosing = false;
};
