// What the credits, help and high-score screens share: their window file copied in with the
// slower fade these screens use, the way they close (a fade-out that hides the window and so
// ends its modal run), and the fade-out when the program is asked to quit.
#pragma once

#include "app/UGApp.h"
#include "base/UGError.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UFadeWindow.h"

#include <string>

namespace InfoScreen {

constexpr int32_t CFadeSpeed = 700;

// The window file at URL copied into Screen; a clear error when there is no resource library, no
// such file or the file holds no window.
inline void LoadTemplate(TFadeWindow& Screen, const char* URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  if (!Library) {
    throw Error("The window file \"%s\" cannot be read: there is no resource library",
                std::string(URL));
  }
  auto* Template = TryObjectCast<TGWindow>(Library->GetResource(URL));
  if (!Template) {
    throw Error("The file \"%s\" does not hold a window", std::string(URL));
  }
  Screen.LoadFromTemplate(Template);
  Screen.FadeSpeed = CFadeSpeed;
}

// Fades to black, then hides: the modal run ends. A second call while fading does nothing.
inline void Close(TFadeWindow& Screen) {
  Screen.FadeOut(false, true, nullptr);
}

// Once the program is asked to quit, a shown screen closes by itself (only once: a hidden screen
// is left alone).
inline void CloseWhenQuitting(TFadeWindow& Screen) {
  if (AppIsClosing && Screen.Visible() && Screen.FadeState() != fwsFadeOut) {
    Close(Screen);
  }
}

} // namespace InfoScreen
