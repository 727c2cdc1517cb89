#include "math/UGColor.h"

#include <gtest/gtest.h>

TEST(Color, LayoutIsBgraInMemory) {
  const TGColor C(0x11223344u);
  const auto* Bytes = reinterpret_cast<const uint8_t*>(&C);
  EXPECT_EQ(Bytes[0], 0x44); // B
  EXPECT_EQ(Bytes[1], 0x33); // G
  EXPECT_EQ(Bytes[2], 0x22); // R
  EXPECT_EQ(Bytes[3], 0x11); // A
  EXPECT_EQ(uint32_t(C), 0x11223344u);
}

TEST(Color, ConstructorsClampAndTruncate) {
  EXPECT_EQ(uint32_t(TGColor::Create(300, -5, 128, 255)), 0xFF0080FFu);
  EXPECT_EQ(uint32_t(TGColor::Create(1.0, 0.5, 2.0, -0.5)), 0xFF7FFF00u); // 0.5 * 255 = 127.5
  EXPECT_EQ(uint32_t(TGColor::Create(0.999, 0.0039, 0.0, 0.0)), 0xFE000000u);
  EXPECT_EQ(uint32_t(TGColor::Create(0x80)), 0x80FFFFFFu);
  EXPECT_EQ(uint32_t(TGColor::Create(0.5)), 0x7FFFFFFFu);
  EXPECT_EQ(uint32_t(TGColor::Create(-3)), 0x00FFFFFFu);
  // A 0x00BBGGRR value: red in the low byte.
  EXPECT_EQ(uint32_t(TGColor::Create(0x00332211u, 0x44)), 0x44112233u);
}

TEST(Color, ArithmeticSaturatesAndScales) {
  EXPECT_EQ(uint32_t(TGColor(0x80FF8000u) * TGColor(0x80FFFFFFu)), 0x40FF8000u);
  EXPECT_EQ(uint32_t(TGColor(0xC0808080u) + TGColor(0x80808080u)), 0xFFFFFFFFu);
  EXPECT_EQ(uint32_t(TGColor(0x01020304u) + TGColor(0x10203040u)), 0x11223344u);
  const TGColor C(0x12345678u);
  EXPECT_EQ(uint32_t(C * TGColor(0xFFFFFFFFu)), 0x12345678u); // white is neutral
  EXPECT_EQ(uint32_t(C * TGColor(0u)), 0u);
  EXPECT_TRUE(TGColor(5u) == TGColor(5u));
  EXPECT_TRUE(TGColor(5u) != TGColor(6u));
  float F[4];
  TGColor(0x80FF0033u).ToFloats(F);
  EXPECT_FLOAT_EQ(F[0], 1.0f);
  EXPECT_FLOAT_EQ(F[1], 0.0f);
  EXPECT_FLOAT_EQ(F[2], 0x33 / 255.0f);
  EXPECT_FLOAT_EQ(F[3], 0x80 / 255.0f);
}
