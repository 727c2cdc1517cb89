#include "base/UGBase64.h"
#include "base/UGError.h"

#include <gtest/gtest.h>

TEST(Base64, RoundTripsEveryLength) {
  std::string Data;
  for (int I = 0; I < 300; ++I) {
    std::string Encoded = StrToBase64(Data);
    EXPECT_EQ(Encoded.size() % 4, 0u);
    if (!Data.empty()) {
      EXPECT_EQ(Base64ToStr(Encoded), Data);
    }
    Data += static_cast<char>(I * 37);
  }
  EXPECT_EQ(StrToBase64("Man"), "TWFu");
  EXPECT_EQ(StrToBase64("M"), "TQ==");
  EXPECT_EQ(Base64ToStr("TQ=="), "M");
  EXPECT_EQ(Base64ToStr("TWE="), "Ma");
}

TEST(Base64, RejectsMalformedText) {
  auto Message = [](std::string_view Text) {
    try {
      Base64ToStr(Text);
    } catch (const EConvertError& E) {
      return E.Text();
    }
    return std::string("accepted");
  };
  EXPECT_EQ(Message("TWFuTQ"), "Illegal input length");
  EXPECT_EQ(Message("TWF"), "Illegal input length");
  EXPECT_EQ(Message(""), "Illegal input length");
  EXPECT_EQ(Message("===="), "Illegal character in Base64 input");
  EXPECT_EQ(Message("T==="), "Illegal character in Base64 input");
  EXPECT_EQ(Message("T=Fu"), "Illegal character in Base64 input");
  EXPECT_EQ(Message("TW u"), "Illegal character in Base64 input");
  EXPECT_EQ(Message("TW\r\nTQ=="), "Illegal character in Base64 input");
}
