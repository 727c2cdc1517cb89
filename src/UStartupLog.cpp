#include "UStartupLog.h"

#include "UGDebug.h"

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
  }
  FShownPercent = Percent;
}
