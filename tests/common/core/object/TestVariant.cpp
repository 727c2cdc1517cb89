#include "base/UGError.h"
#include "object/UGVariant.h"

#include <gtest/gtest.h>

TEST(Variant, NumbersFromTextTryDotThenComma) {
  EXPECT_DOUBLE_EQ(TGVariant("1.5").ToDouble(), 1.5);
  EXPECT_DOUBLE_EQ(TGVariant("1,5").ToDouble(), 1.5);
  EXPECT_EQ(TGVariant(" 12 ").ToInteger(), 12);
  EXPECT_EQ(TGVariant("2.5").ToInteger(), 2);
  EXPECT_EQ(TGVariant("3.5").ToInteger(), 4);
  EXPECT_EQ(TGVariant("$10").ToInteger(), 16);
  EXPECT_THROW(TGVariant("abc").ToInteger(), EConvertError);
  EXPECT_THROW(TGVariant("1.5.5").ToDouble(), EConvertError);
}

TEST(Variant, BooleansAreMinusOneAndWordsAsText) {
  EXPECT_EQ(TGVariant(true).ToInteger(), -1);
  EXPECT_EQ(TGVariant(true).ToString(), "True");
  EXPECT_EQ(TGVariant(false).ToString(), "False");
  EXPECT_TRUE(TGVariant("TRUE").ToBoolean());
  EXPECT_TRUE(TGVariant("7").ToBoolean());
  EXPECT_FALSE(TGVariant("0").ToBoolean());
  EXPECT_TRUE(TGVariant(0.25).ToBoolean());
  EXPECT_THROW(TGVariant("maybe").ToBoolean(), EConvertError);
}

TEST(Variant, EmptyAndNull) {
  TGVariant Empty;
  EXPECT_EQ(Empty.ToInteger(), 0);
  EXPECT_EQ(Empty.ToString(), "");
  EXPECT_FALSE(Empty.ToBoolean());
  EXPECT_EQ(Empty.ToObject(), nullptr);
  EXPECT_EQ(TGVariant::Null().ToString(), "");
  try {
    TGVariant::Null().ToInteger();
    FAIL();
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.Text(), "Could not convert variant of type (Null) into type (Integer)");
  }
}

TEST(Variant, TextOfNumbers) {
  EXPECT_EQ(TGVariant(0.1).ToString(), "0.1");
  EXPECT_EQ(TGVariant(0.1f).ToString(), "0.1");
  EXPECT_EQ(TGVariant(1e20).ToString(), "1E20");
  EXPECT_EQ(TGVariant(-2.5e-7).ToString(), "-2.5E-7");
  EXPECT_EQ(TGVariant(123456.0).ToString(), "123456");
  EXPECT_EQ(TGVariant(int64_t{-9000000000}).ToString(), "-9000000000");
  EXPECT_EQ(TGVariant::Currency(12.345).ToString(), "12.345");
  EXPECT_EQ(TGVariant::Date(45000.5).ToString(), "2023-03-15 12:00:00");
}

TEST(Variant, TypeCodesAndConversionToTypes) {
  EXPECT_EQ(TGVariant(int32_t{5}).VType(), varInteger);
  EXPECT_EQ(TGVariant(5.0).VType(), varDouble);
  EXPECT_EQ(TGVariant("x").VType(), varOleStr);
  EXPECT_EQ(TGVariant(true).VType(), varBoolean);
  TGVariant Small = TGVariant("300").AsType(varSmallint);
  EXPECT_EQ(Small.VType(), varSmallint);
  EXPECT_EQ(Small.ToInteger(), 300);
  EXPECT_THROW(TGVariant(70000).AsType(varSmallint), EConvertError);
  EXPECT_THROW(TGVariant(int64_t{5000000000}).ToInteger(), EConvertError);
  EXPECT_EQ(TGVariant(uint32_t{4294967295u}).ToInt64(), 4294967295);
  EXPECT_EQ(VarTypeAsText(varLongWord), "LongWord");
  EXPECT_TRUE(TGVariant(3) == TGVariant(3.0));
  EXPECT_TRUE(TGVariant("a") == TGVariant("a"));
  EXPECT_FALSE(TGVariant() == TGVariant(0));
}
