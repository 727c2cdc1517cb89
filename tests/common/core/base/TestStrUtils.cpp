#include "base/UGError.h"
#include "base/UGStrUtils.h"

#include <gtest/gtest.h>

TEST(StrUtils, SplitStringDropsEmptyPiecesAndBlankRemainder) {
  std::vector<std::string> Parts{"stale"};
  SplitString("a,,b,", ',', Parts);
  EXPECT_EQ(Parts, (std::vector<std::string>{"a", "b"}));
  SplitString("a, ", ',', Parts);
  EXPECT_EQ(Parts, (std::vector<std::string>{"a"}));
  SplitString(" a , b", ',', Parts);
  EXPECT_EQ(Parts, (std::vector<std::string>{" a ", " b"}));
  SplitString("", ',', Parts);
  EXPECT_TRUE(Parts.empty());
}

TEST(StrUtils, SmallTextHelpers) {
  EXPECT_EQ(IdxToStr(7), "07");
  EXPECT_EQ(IdxToStr(12), "12");
  EXPECT_EQ(FixURLSlashes("a//b\\\\c"), "a\\b\\c");
  EXPECT_EQ(FixURLSlashes("plain"), "plain");
  EXPECT_TRUE(SameURL("Images\\A.png", "images\\a.PNG"));
  EXPECT_EQ(ResourceFolder("Images\\Sub/a.png"), "Images\\Sub/");
  EXPECT_EQ(ResourceFolder("\\a.png"), "");
  EXPECT_EQ(ResourceFolder("a.png"), "");
  EXPECT_EQ(FileNameToURL("Images\\a\\b.png"), "a\\b.png");
  EXPECT_EQ(FileNameToURL("\\Images\\b.png"), "b.png");
  EXPECT_EQ(FileNameToURL("b.png"), "b.png");
  EXPECT_EQ(ExtractFileExt("a\\b.c\\d.PNG"), ".PNG");
  EXPECT_EQ(ExtractFileExt("a.b\\noext"), "");
  EXPECT_EQ(ChangeFileExt("x\\y.png", ".spr"), "x\\y.spr");
}

TEST(StrUtils, EncodeTextRoundTrips) {
  std::string Text = "a & b\r\nc\nd&lf;";
  std::string Encoded = EncodeText(Text);
  EXPECT_EQ(Encoded, "a &amp; b&cr;&lf;c&lf;d&amp;lf;");
  EXPECT_EQ(DecodeText(Encoded), Text);
  EXPECT_EQ(TransformForXML("<\"a'&\x01\tb>"), "&lt;&quot;a'&amp;\tb&gt;");
}

TEST(StrUtils, IntegerParsing) {
  int32_t V = 0;
  EXPECT_TRUE(TryStrToInt("  -42", V));
  EXPECT_EQ(V, -42);
  EXPECT_TRUE(TryStrToInt("$FF", V));
  EXPECT_EQ(V, 255);
  EXPECT_TRUE(TryStrToInt("0x10", V));
  EXPECT_EQ(V, 16);
  EXPECT_TRUE(TryStrToInt("x1F", V));
  EXPECT_EQ(V, 31);
  EXPECT_TRUE(TryStrToInt("$FFFFFFFF", V));
  EXPECT_EQ(V, -1);
  EXPECT_TRUE(TryStrToInt("-2147483648", V));
  EXPECT_EQ(V, INT32_MIN);
  EXPECT_FALSE(TryStrToInt("2147483648", V));
  EXPECT_FALSE(TryStrToInt("12 ", V));
  EXPECT_FALSE(TryStrToInt("", V));
  EXPECT_FALSE(TryStrToInt("$", V));
  EXPECT_FALSE(TryStrToInt("$123456789", V));
  int64_t W = 0;
  EXPECT_TRUE(TryStrToInt64("4294967295", W));
  EXPECT_EQ(W, 4294967295);
  EXPECT_THROW(StrToInt("nope"), EConvertError);
  EXPECT_EQ(StrToIntDef("nope", 9), 9);
}

TEST(StrUtils, FloatAndBooleanParsing) {
  double D = 0;
  EXPECT_TRUE(SafeTryStrToFloat(" 1.25 ", D));
  EXPECT_DOUBLE_EQ(D, 1.25);
  EXPECT_TRUE(SafeTryStrToFloat("-1,25", D));
  EXPECT_DOUBLE_EQ(D, -1.25);
  EXPECT_TRUE(SafeTryStrToFloat("+3e2", D));
  EXPECT_DOUBLE_EQ(D, 300);
  EXPECT_TRUE(SafeTryStrToFloat("1E20", D));
  EXPECT_FALSE(SafeTryStrToFloat("1.2,5", D));
  EXPECT_FALSE(SafeTryStrToFloat("1,2,5", D));
  EXPECT_FALSE(SafeTryStrToFloat("", D));
  EXPECT_FALSE(SafeTryStrToFloat("--1", D));
  EXPECT_THROW(SafeStrToFloat("x"), EConvertError);
  EXPECT_TRUE(StrToBoolDef("TRUE", false));
  EXPECT_TRUE(StrToBoolDef("7", false));
  EXPECT_FALSE(StrToBoolDef("0", true));
  EXPECT_FALSE(StrToBoolDef("false", true));
  EXPECT_TRUE(StrToBoolDef("yes", true));
  EXPECT_FALSE(StrToBoolDef("yes", false));
}

TEST(StrUtils, Vectors) {
  TGVector V;
  EXPECT_TRUE(TryStrToVec("1 2 3", V));
  EXPECT_EQ(V, (TGVector{1, 2, 3}));
  EXPECT_TRUE(TryStrToVec("1.5 -2,5 3e1", V));
  EXPECT_EQ(V, (TGVector{1.5f, -2.5f, 30}));
  EXPECT_FALSE(TryStrToVec(" 1 2 3", V));
  EXPECT_FALSE(TryStrToVec("1  2 3", V));
  EXPECT_FALSE(TryStrToVec("1 2", V));
  EXPECT_FALSE(TryStrToVec("1 2 3 4", V));
  EXPECT_FALSE(TryStrToVec("1 a 3", V));
  EXPECT_EQ(VecToStr(TGVector{0.1f, -2, 1e20f}), "0.1 -2 1e+20");
  TGVector Back;
  ASSERT_TRUE(TryStrToVec(VecToStr(TGVector{0.1f, 1.0f / 3, 7}), Back));
  EXPECT_EQ(Back, (TGVector{0.1f, 1.0f / 3, 7}));
}

TEST(StrUtils, CaseFoldingIsAsciiOnly) {
  EXPECT_EQ(StrIComp("abc", "ABC"), 0);
  EXPECT_LT(StrIComp("abc", "abd"), 0);
  EXPECT_GT(StrIComp("abcd", "ABC"), 0);
  EXPECT_NE(StrIComp("\xC3\xA9", "\xC3\x89"), 0); // é and É are different bytes
  EXPECT_EQ(UpperCase("a\xC3\xA9z"), "A\xC3\xA9Z");
}

TEST(StrUtils, NumberTexts) {
  EXPECT_EQ(IntToStrSeparatedEx(999, ","), "999");
  EXPECT_EQ(IntToStrSeparatedEx(12345, " "), "12 345");
  EXPECT_EQ(IntToStrSeparatedEx(1234567, ","), "1234,567");
  EXPECT_EQ(IntToStrSeparatedEx(-1234, ","), "-1,234");
  EXPECT_EQ(IntToStrSeparatedEx(-123, ","), "-123");
  EXPECT_EQ(SecondsToStr(3725), "01:02:05");
  EXPECT_EQ(SecondsToStr(360000), "100:00:00");
  EXPECT_EQ(SecondsToStr(0), "00:00:00");
}

TEST(StrUtils, UnicodeConversions) {
  std::string Text = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  std::u16string Wide = UTF8ToUTF16(Text);
  EXPECT_EQ(Wide.size(), 5u);
  EXPECT_EQ(UTF16Length(Text), 5u);
  EXPECT_EQ(UTF8Length(Text), 4u);
  EXPECT_EQ(UTF16ToUTF8(Wide), Text);
  EXPECT_EQ(UTF8ToUTF16("\xFF"), u"\uFFFD");
  EXPECT_EQ(UTF16ToUTF8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(StrUtils, TextAnXMLDocumentCanHold) {
  EXPECT_TRUE(IsXMLText(""));
  EXPECT_TRUE(IsXMLText("Crate\\Lid 2\t\r\n"));
  EXPECT_TRUE(IsXMLText("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsXMLText("Cr\xFF\xFFox"));     // no UTF-8
  EXPECT_FALSE(IsXMLText("a\x01"));            // a control character
  EXPECT_FALSE(IsXMLText("\xC3"));             // cut short
  EXPECT_FALSE(IsXMLText("\xC0\xAF"));         // overlong
  EXPECT_FALSE(IsXMLText("\xED\xA0\x80"));     // a surrogate
  EXPECT_FALSE(IsXMLText("\xEF\xBF\xBF"));     // U+FFFF
  EXPECT_FALSE(IsXMLText("\xF4\x90\x80\x80")); // beyond U+10FFFF
}
