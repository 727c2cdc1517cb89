// Start-up progress and errors. The progress shows once 250 ms have passed since the first
// report; until the graphics device draws a progress window it goes to standard error.
#pragma once

#include "UGAppParams.h"

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

private:
  void Show(int Percent);

  bool FNoPreload;
  bool FNoCache;
  bool FDoCaching = false;
  int FShownPercent = -1;
  std::optional<std::chrono::steady_clock::time_point> FFirstReport;
};
