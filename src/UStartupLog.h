// Start-up progress and errors. The progress shows once 250 ms have passed since the first
// report: as a small progress window in the middle of the main window, drawn by the graphics
// device (which exists before resources load), and on standard error.
#pragma once

#include "app/UGAppParams.h"
#include "base/UGTypes.h"

#include <chrono>
#include <optional>

class TStartupLog : public TGAbstractStartupLog {
public:
  TStartupLog(bool ANoPreload, bool ANoCache);

  void Info(const std::string& Text) override;
  void Error(const std::string& Text) override;
  void SetProgress(int Percent) override;
  void SetCachingProgress(double Fraction) override;

  // The percent last shown, for tests.
  int ShownPercent() const { return FShownPercent; }
  // The progress window's frame and its bar at Percent, in the device's pixels.
  static TGRect WindowRect(int Width, int Height);
  static TGRect BarRect(const TGRect& Window, int Percent);

private:
  void Show(int Percent);
  void DrawWindow(int Percent);

  bool FNoPreload;
  bool FNoCache;
  bool FDoCaching = false;
  int FShownPercent = -1;
  std::optional<std::chrono::steady_clock::time_point> FFirstReport;
};
