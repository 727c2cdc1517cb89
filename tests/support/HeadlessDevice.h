// What drawing tests share: one headless window (SDL's offscreen driver) per test program, a
// fresh graphics device for each test, pixels read back from the back buffer, and the check of
// an error's text.
#pragma once

#include "drawables/UGSprite.h"
#include "graphics/UGGraphicsDevice.h"
#include "text/UGFont.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class THostWindow;

class THeadlessDeviceTest : public ::testing::Test {
protected:
  static constexpr int CWidth = 64;
  static constexpr int CHeight = 48;

  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // The back buffer, CWidth × CHeight, rows from the top.
  std::vector<TGColor> Screen();
  TGColor PixelAt(int X, int Y);
  // One letter per pixel of row Y from X0 on: '.' black, 'W' white, 'R' red, 'G' green,
  // 'U' blue, '?' anything else.
  std::string Row(int Y, int X0, int Count);

  static THostWindow* Window;
  TGObjectPtr<TGGraphicsDevice> Device;
};

// A device test drawing into an open scene, cleared to black first.
class THeadlessSceneTest : public THeadlessDeviceTest {
protected:
  void SetUp() override;
  void TearDown() override;
};

// A tiny font on a picture of white blocks, for exact pixel checks of drawn text: "a" is a 2 × 3
// block, "b" a 3 × 3 block after a one-pixel gap, " " one pixel wide; lines are 4 pixels high.
// Needs a graphics device.
struct TBlockFont {
  TBlockFont();
  TGObjectPtr<TGSprite> Picture;
  TGObjectPtr<TGFont> Font;
};

// The text an error was raised with (an engine error's own text, without its decoration).
std::string ErrorTextOf(const std::exception& E);

#define EXPECT_ERROR_TEXT(Statement, Expected)                                                     \
  do {                                                                                             \
    try {                                                                                          \
      Statement;                                                                                   \
      ADD_FAILURE() << "no error from " #Statement;                                                \
    } catch (const std::exception& E) {                                                            \
      EXPECT_EQ(ErrorTextOf(E), Expected);                                                         \
    }                                                                                              \
  } while (0)
