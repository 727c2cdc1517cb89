#include "base/UGError.h"
#include "base/UGFormat.h"

#include <gtest/gtest.h>

TEST(Format, ConversionsWidthsAndPrecisions) {
  EXPECT_EQ(Format("Profile%.2d.plr", {7}), "Profile07.plr");
  EXPECT_EQ(Format("%s has %d items", {"box", 3}), "box has 3 items");
  EXPECT_EQ(Format("%5d|%-5d|", {42, 42}), "   42|42   |");
  EXPECT_EQ(Format("%x %X %.4X", {255, 255, 10}), "ff FF 000A");
  EXPECT_EQ(Format("%0.6g", {0.1}), "0.1");
  EXPECT_EQ(Format("%0.6g", {1234567.0}), "1.23457e+06");
  EXPECT_EQ(Format("%.2f", {2.345}), "2.35");
  EXPECT_EQ(Format("%f", {1.0}), "1.00");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%.3s", {"abcdef"}), "abc");
  EXPECT_EQ(Format("%d", {-5}), "-5");
  EXPECT_EQ(Format("%u", {4294967295u}), "4294967295");
}

TEST(Format, BadFormatsRaise) {
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s", {1}), EConvertError);
  EXPECT_THROW(Format("%d %d", {1}), EConvertError);
  EXPECT_THROW(Format("%", {}), EConvertError);
  EXPECT_THROW(Format("%q", {1}), EConvertError);
}

TEST(Format, FloatText) {
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(-0.001), "-0.001");
  EXPECT_EQ(FloatToStr(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(0.00001), "0.00001");
  EXPECT_EQ(FloatToStr(0.000001), "1E-6");
  EXPECT_EQ(FloatToStrG(2.5, 6), "2.5");
}

// Texts from outside the program never reach the formatter unless they take exactly the
// arguments given; otherwise they show as they stand.
TEST(Format, CheckedFormatsShowMismatchedTextsAsTheyStand) {
  EXPECT_EQ(FormatChecked("%d of %d", {2, 5}), "2 of 5");
  EXPECT_EQ(FormatChecked("%-4s|%.3d|100%%", {"ab", 7}), "ab  |007|100%");
  EXPECT_EQ(FormatChecked("%s of %d", {2, 5}), "%s of %d");       // wrong kind
  EXPECT_EQ(FormatChecked("%d of %d %d", {2, 5}), "%d of %d %d"); // too few arguments
  EXPECT_EQ(FormatChecked("of %d", {2, 5}), "of %d");          // one dropped: not silently shifted
  EXPECT_EQ(FormatChecked("%n%p", {1, 2}), "%n%p");            // printf's dangerous ones
  EXPECT_EQ(FormatChecked("%999999999d", {1}), "%999999999d"); // no giant padding
  EXPECT_EQ(FormatChecked("%.65f", {1.0}), "%.65f");
  EXPECT_EQ(FormatChecked("ends in %", {}), "ends in %");
  EXPECT_EQ(FormatChecked("%64d", {1}).size(), 64u);
  EXPECT_TRUE(FormatMatches("%0.6g %x", {1.5, 3u}));
  EXPECT_FALSE(FormatMatches("%d", {1.5}));
}
