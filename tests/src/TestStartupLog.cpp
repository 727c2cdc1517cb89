// The start-up progress: the percentages shown for caching and loading, and the progress
// window's bar.
#include "UStartupLog.h"

#include <gtest/gtest.h>

TEST(StartupLog, CachingTakesTheFirstThreeQuartersUnlessNothingIsPreloaded) {
  TStartupLog Preloading(false, false);
  Preloading.SetProgress(40);
  EXPECT_EQ(Preloading.ShownPercent(), 40); // no caching: loading is the whole bar
  Preloading.SetCachingProgress(0.5);
  EXPECT_EQ(Preloading.ShownPercent(), 38); // 37.5 rounded
  Preloading.SetCachingProgress(1.0);
  EXPECT_EQ(Preloading.ShownPercent(), 75);
  Preloading.SetProgress(40);
  EXPECT_EQ(Preloading.ShownPercent(), 85); // the last quarter
  Preloading.SetProgress(100);
  EXPECT_EQ(Preloading.ShownPercent(), 100);

  TStartupLog NoPreload(true, false);
  NoPreload.SetCachingProgress(0.5);
  EXPECT_EQ(NoPreload.ShownPercent(), 50);

  TStartupLog NoCache(false, true);
  NoCache.SetCachingProgress(0.2);
  NoCache.SetProgress(40);
  EXPECT_EQ(NoCache.ShownPercent(), 40);

  TStartupLog Errors(true, true);
  Errors.Error("Picture \"X.png\" is damaged");
  Errors.Error("Font \"Y.fnt\" is missing");
  EXPECT_EQ(Errors.ResourceErrorCount, 2);
}

TEST(StartupLog, ProgressWindowInTheMiddleWithItsBar) {
  const TGRect W = TStartupLog::WindowRect(800, 600);
  EXPECT_EQ(W, (TGRect{240, 268, 560, 332}));
  EXPECT_EQ(TStartupLog::BarRect(W, 0).Right, 256);         // empty
  EXPECT_EQ(TStartupLog::BarRect(W, 50).Right, 256 + 144);  // half of 288
  EXPECT_EQ(TStartupLog::BarRect(W, 150).Right, 256 + 288); // never past the end
  // A window smaller than the progress window gets it whole.
  EXPECT_EQ(TStartupLog::WindowRect(200, 40), (TGRect{0, 0, 200, 40}));
}
