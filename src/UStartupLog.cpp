#include "UStartupLog.h"

#include "app/UGApplication.h"
#include "base/UGDebug.h"
#include "graphics/UGGraphicsDevice.h"

#include <algorithm>
#include <cmath>

TStartupLog::TStartupLog(bool ANoPreload, bool ANoCache)
    : FNoPreload(ANoPreload)
    , FNoCache(ANoCache) {}

void TStartupLog::Info(const std::string& Text) {
  ODS(Text);
}

void TStartupLog::Error(const std::string& Text) {
  ++ResourceErrorCount;
  ODS("Error: " + Text);
}

void TStartupLog::SetCachingProgress(double Fraction) {
  FDoCaching = true;
  Show(static_cast<int>(std::lround(Fraction * (FNoPreload ? 100.0 : 75.0))));
}

void TStartupLog::SetProgress(int Percent) {
  Show(FDoCaching && !FNoCache ? Percent / 4 + 75 : Percent);
}

void TStartupLog::Show(int Percent) {
  auto Now = std::chrono::steady_clock::now();
  if (!FFirstReport) {
    FFirstReport = Now;
  }
  bool Visible = Now - *FFirstReport >= std::chrono::milliseconds(250);
  if (Percent != FShownPercent && Visible) {
    ODS("Loading: %d%%", Percent);
    DrawWindow(Percent);
    // The window stays responsive (and the desktop does not take it for hung) while loading;
    // the chain is not listening yet, so input goes nowhere.
    if (Application) {
      Application->ProcessMessages();
    }
  }
  FShownPercent = Percent;
}

TGRect TStartupLog::WindowRect(int Width, int Height) {
  const int W = std::min(Width, 320), H = std::min(Height, 64);
  const int Left = (Width - W) / 2, Top = (Height - H) / 2;
  return TGRect{Left, Top, Left + W, Top + H};
}

TGRect TStartupLog::BarRect(const TGRect& Window, int Percent) {
  const int Full = std::max(0, Window.Right - Window.Left - 32);
  const int Width = Full * std::clamp(Percent, 0, 100) / 100;
  const int Top = (Window.Top + Window.Bottom) / 2 - 6;
  return TGRect{Window.Left + 16, Top, Window.Left + 16 + Width, Top + 12};
}

void TStartupLog::DrawWindow(int Percent) {
  if (!GD || !GD->Initialized() || !GD->BeginScene()) {
    return;
  }
  try {
    GD->SetMatrixByType(mWorld, MatIdentity);
    GD->Erase(TGColor(0xFF000000));
    const TGRect W = WindowRect(GD->Width(), GD->Height());
    GD->DrawRect(TGColor(0xFF20242C), float(W.Left), float(W.Top), float(W.Right), float(W.Bottom));
    GD->DrawFrame(TGColor(0xFF8890A0), float(W.Left), float(W.Top), float(W.Right),
                  float(W.Bottom));
    const TGRect Empty = BarRect(W, 100), Bar = BarRect(W, Percent);
    GD->DrawRect(TGColor(0xFF383E4A), float(Empty.Left), float(Empty.Top), float(Empty.Right),
                 float(Empty.Bottom));
    if (Bar.Right > Bar.Left) {
      GD->DrawRect(TGColor(0xFF40A0E0), float(Bar.Left), float(Bar.Top), float(Bar.Right),
                   float(Bar.Bottom));
    }
  } catch (...) {
    GD->EndScene();
    throw;
  }
  GD->EndScene();
  GD->Present();
}
