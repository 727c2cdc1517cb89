#include "base/UGError.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(std::initializer_list<int> L) {
  std::string S;
  for (int B : L) {
    S += static_cast<char>(B);
  }
  return S;
}

} // namespace

TEST(BinaryValues, IntegersTakeTheSmallestTag) {
  TGMemoryStream S;
  TGWriter W(S);
  W.WriteInteger(5);
  W.WriteInteger(300);
  W.WriteInteger(70000);
  W.WriteInteger(-129);
  W.WriteLongword(0xFFFFFFFFu);
  W.WriteInt64(int64_t{1} << 40);
  EXPECT_EQ(S.Data(), Bytes({2,    5, 3,    0x2C, 0x01, 4, 0x70, 0x11, 0x01, 0, 3, 0x7F,
                             0xFF, 2, 0xFF, 19,   0,    0, 0,    0,    0,    1, 0, 0}));
  S.SetPosition(0);
  TGReader R(S);
  EXPECT_EQ(R.ReadInteger(), 5);
  EXPECT_EQ(R.ReadInteger(), 300);
  EXPECT_EQ(R.ReadInteger(), 70000);
  EXPECT_EQ(R.ReadInteger(), -129);
  EXPECT_EQ(R.ReadLongword(), 0xFFFFFFFFu);
  EXPECT_EQ(R.ReadInt64(), int64_t{1} << 40);
  EXPECT_TRUE(R.EndOfStream());
}

TEST(BinaryValues, StringsFloatsAndBooleans) {
  TGMemoryStream S;
  TGWriter W(S);
  W.WriteString("abc");
  W.WriteSingle(1.5f);
  W.WriteBoolean(true);
  W.WriteBoolean(false);
  W.WriteInteger(7);
  EXPECT_EQ(S.Data().substr(0, 5), Bytes({10, 2, 3, 'a', 'b'}));
  S.SetPosition(0);
  TGReader R(S);
  EXPECT_EQ(R.ReadString(), "abc");
  EXPECT_EQ(R.NextValue(), vaSingle);
  EXPECT_FLOAT_EQ(R.ReadSingle(), 1.5f);
  EXPECT_TRUE(R.ReadBoolean());
  EXPECT_FALSE(R.ReadBoolean());
  EXPECT_FLOAT_EQ(R.ReadSingle(), 7.0f); // an integer value read as a float
}

TEST(BinaryValues, EveryStringFormReads) {
  TGMemoryStream S(Bytes({6, 2, 'h', 'i',  12,   3,  0, 0, 0, 'l', 'o',  'n', 20,   2,
                          0, 0, 0,   0xC3, 0xA9, 18, 2, 0, 0, 0,   0x41, 0,   0xAC, 0x20}));
  TGReader R(S);
  EXPECT_EQ(R.ReadString(), "hi");
  EXPECT_EQ(R.ReadString(), "lon");
  EXPECT_EQ(R.ReadString(), "\xC3\xA9");
  EXPECT_EQ(R.ReadString(), "A\xE2\x82\xAC");
}

TEST(BinaryValues, BadInputIsAReadError) {
  auto Fails = [](std::string Data, auto Read) {
    TGMemoryStream S(std::move(Data));
    TGReader R(S);
    EXPECT_THROW(Read(R), EReadError);
  };
  Fails(Bytes({15, 0, 0, 0x80, 0x3F}), [](TGReader& R) { R.ReadInteger(); });
  Fails(Bytes({3, 1}), [](TGReader& R) { R.ReadInteger(); });
  Fails("", [](TGReader& R) { R.ReadInteger(); });
  Fails(Bytes({2, 1}), [](TGReader& R) { R.ReadBoolean(); });
  Fails(Bytes({4, 1, 0, 0, 0}), [](TGReader& R) { R.ReadString(); });
  // Negative and oversized lengths fail without allocating what they claim.
  Fails(Bytes({10, 2, 0xFF}), [](TGReader& R) { R.ReadString(); });
  Fails(Bytes({12, 0xFF, 0xFF, 0xFF, 0x7F, 'x'}), [](TGReader& R) { R.ReadString(); });
  Fails(Bytes({18, 0xFF, 0xFF, 0xFF, 0x7F}), [](TGReader& R) { R.ReadString(); });
  Fails(Bytes({20, 0x00, 0x00, 0x00, 0x80}), [](TGReader& R) { R.ReadString(); });
  Fails(Bytes({10, 15, 0, 0, 0, 0}), [](TGReader& R) { R.ReadString(); });
}
