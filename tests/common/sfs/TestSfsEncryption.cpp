// Encrypted archives and files: the page cipher, the password header, and archives that keep
// their content unreadable without the password.
#include "base/UGError.h"
#include "sfs/USFSCipher.h"
#include "sfs/USFSFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(size_t N) {
  std::vector<uint8_t> V(N);
  for (size_t I = 0; I < N; ++I) {
    V[I] = uint8_t(I * 7 + 3);
  }
  return V;
}

TEST(SFSCipher, RoundTripsKeepTheSize) {
  TSFSCipher C("secret");
  for (size_t N : {size_t(0), size_t(5), size_t(16), size_t(37), size_t(100), size_t(4064)}) {
    std::vector<uint8_t> Plain = Bytes(N), Data = Plain;
    C.Encrypt(Data.data(), N);
    if (N > 0) {
      EXPECT_NE(Data, Plain) << N;
    }
    // Each buffer starts a fresh chain: the same input encrypts the same way again.
    std::vector<uint8_t> Again = Plain;
    C.Encrypt(Again.data(), N);
    EXPECT_EQ(Again, Data);
    C.Decrypt(Data.data(), N);
    EXPECT_EQ(Data, Plain) << N;
  }
}

TEST(SFSCipher, BlocksAreChained) {
  TSFSCipher C("k");
  std::vector<uint8_t> Data(32, 0x41);
  C.Encrypt(Data.data(), Data.size());
  EXPECT_NE(std::vector<uint8_t>(Data.begin(), Data.begin() + 16),
            std::vector<uint8_t>(Data.begin() + 16, Data.end()));
  std::vector<uint8_t> Other(32, 0x41);
  TSFSCipher("K").Encrypt(Other.data(), Other.size());
  EXPECT_NE(Other, Data);
}

TEST(SFSPasswordHeader, WithoutQuestion) {
  TPasswordHeader PH;
  const std::string Key = CreatePasswordHeader(PH, "pass", "", "");
  ASSERT_EQ(Key.size(), 33u);
  EXPECT_EQ(Key.back(), '\0');
  EXPECT_EQ(GetU32(PH.data() + PHPassCRCOffset), 0u);
  EXPECT_EQ(PH[PHPassOffset], 0);
  std::string Got;
  EXPECT_TRUE(CheckPassword(PH, "pass", Got));
  EXPECT_EQ(Got, Key);
  EXPECT_FALSE(CheckPassword(PH, "Pass", Got));
  EXPECT_FALSE(CheckPassword(PH, "", Got));
  EXPECT_EQ(PasswordQuestion(PH), "");
}

TEST(SFSPasswordHeader, QuestionRecoversThePassword) {
  TPasswordHeader PH;
  CreatePasswordHeader(PH, "open sesame", "What opens the cave?", "magic");
  EXPECT_EQ(PasswordQuestion(PH), "What opens the cave?");
  EXPECT_EQ(RecoverPassword(PH, "magic"), "open sesame");
  EXPECT_EQ(RecoverPassword(PH, "wrong"), "");
}

TEST(SFSPasswordHeader, Limits) {
  TPasswordHeader PH;
  try {
    CreatePasswordHeader(PH, std::string(33, 'p'), "", "");
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Password length should be shorter then 32");
  }
  try {
    CreatePasswordHeader(PH, "p", std::string(101, 'q'), "a");
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Question length should be shorter then 100");
  }
}

const std::string Marker = "PLAINTEXT-MARKER-THAT-MUST-NOT-SHOW";

TEST(SFSEncryptedArchive, RoundTripAndWrongPasswords) {
  TSingleFileSystem A("enc.sfs", fmCreate, true, "pw", "hint?", "answer", sfsNone, 1024, 4, -1);
  EXPECT_TRUE(A.Encrypted());
  ASSERT_TRUE(A.ForceDirectories("secret-folder"));
  std::string Data;
  for (int I = 0; I < 200; ++I) {
    Data += Marker;
  }
  {
    TSFSFileStream S(&A, "secret-folder\\a.txt", fmCreate);
    EXPECT_TRUE(S.Encrypted());
    S.WriteString(Data);
  }
  {
    TSFSFileStream S(&A, "packed.txt", fmCreate, "", "", "", zlibFastest);
    S.WriteString(Data);
  }
  const std::string Image = *A.PFM().File().MemoryImage();
  EXPECT_EQ(Image.find(Marker), std::string::npos);
  EXPECT_EQ(Image.find("secret-folder"), std::string::npos);
  EXPECT_EQ(PasswordQuestion(A.PFM().Header().PasswordHeader), "hint?");

  auto B = TSingleFileSystem::OpenImage("enc.sfs", Image, fmOpenRead, "pw");
  TSFSFileStream S(B.get(), "secret-folder\\A.TXT", fmOpenRead);
  EXPECT_EQ(S.ReadAll(), Data);
  TSFSFileStream P(B.get(), "packed.txt", fmOpenRead);
  EXPECT_EQ(P.ReadAll(), Data);
  for (const char* Wrong : {"", "PW", "pw "}) {
    try {
      TSingleFileSystem::OpenImage("enc.sfs", Image, fmOpenRead, Wrong);
      FAIL() << Wrong;
    } catch (const EGException& E) {
      EXPECT_EQ(E.Text(),
                "TSingleFileSystem.Create - invalid password specified, file name = \"enc.sfs\"");
    }
  }
}

TEST(SFSEncryptedArchive, FileEncryptedOnItsOwn) {
  TSingleFileSystem A("plain.sfs", fmCreate, true, "", "", "", sfsNone, 4096, 8, -1);
  EXPECT_FALSE(A.Encrypted());
  {
    TSFSFileStream S(&A, "own.txt", fmCreate, "filepw");
    EXPECT_TRUE(S.Encrypted());
    S.WriteString(Marker);
  }
  {
    TSFSFileStream S(&A, "open.txt", fmCreate);
    S.WriteString("visible");
  }
  const std::string Image = *A.PFM().File().MemoryImage();
  EXPECT_EQ(Image.find(Marker), std::string::npos);
  EXPECT_NE(Image.find("visible"), std::string::npos);
  auto B = TSingleFileSystem::OpenImage("plain.sfs", Image);
  EXPECT_LT(B->FileOpen("own.txt", fmOpenRead), 0);
  EXPECT_EQ(B->LastError(), erDecodeError);
  EXPECT_LT(B->FileOpen("own.txt", fmOpenRead, "bad"), 0);
  TSFSFileStream S(B.get(), "own.txt", fmOpenRead, "filepw");
  EXPECT_EQ(S.ReadAll(), Marker);
}

} // namespace
