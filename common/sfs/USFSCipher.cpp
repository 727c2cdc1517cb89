#include "sfs/USFSCipher.h"

#include "base/UGError.h"

#include <crypto++/aes.h>
#include <crypto++/ripemd.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace {

// Protects the question text of password headers.
constexpr char QuestionPassphrase[] = "SFS-Question-Key1";

} // namespace

struct TSFSCipher::TImpl {
  CryptoPP::AES::Encryption Enc;
  CryptoPP::AES::Decryption Dec;
  uint8_t Start[16];
};

TSFSCipher::TSFSCipher(const std::string& KeyText)
    : FImpl(std::make_unique<TImpl>())
    , FKeyText(KeyText) {
  uint8_t Key[32];
  CryptoPP::RIPEMD256().CalculateDigest(Key, reinterpret_cast<const uint8_t*>(KeyText.data()),
                                        KeyText.size());
  FImpl->Enc.SetKey(Key, sizeof(Key));
  FImpl->Dec.SetKey(Key, sizeof(Key));
  uint8_t Ones[16];
  std::memset(Ones, 0xFF, sizeof(Ones));
  FImpl->Enc.ProcessBlock(Ones, FImpl->Start);
}

TSFSCipher::~TSFSCipher() = default;

void TSFSCipher::Encrypt(uint8_t* Data, size_t Size) const {
  uint8_t F[16], T[16];
  std::memcpy(F, FImpl->Start, 16);
  size_t I = 0;
  for (; I + 16 <= Size; I += 16) {
    for (int K = 0; K < 16; ++K) {
      T[K] = uint8_t(Data[I + size_t(K)] ^ F[K]);
    }
    FImpl->Enc.ProcessBlock(T, Data + I);
    for (int K = 0; K < 16; ++K) {
      F[K] = uint8_t(F[K] ^ Data[I + size_t(K)]);
    }
  }
  if (I < Size) {
    FImpl->Enc.ProcessBlock(F, T);
    for (size_t K = 0; I + K < Size; ++K) {
      Data[I + K] ^= T[K];
    }
  }
}

void TSFSCipher::Decrypt(uint8_t* Data, size_t Size) const {
  uint8_t F[16], C[16];
  std::memcpy(F, FImpl->Start, 16);
  size_t I = 0;
  for (; I + 16 <= Size; I += 16) {
    std::memcpy(C, Data + I, 16);
    FImpl->Dec.ProcessBlock(C, Data + I);
    for (int K = 0; K < 16; ++K) {
      Data[I + size_t(K)] ^= F[K];
      F[K] = uint8_t(F[K] ^ C[K]);
    }
  }
  if (I < Size) {
    FImpl->Enc.ProcessBlock(F, C);
    for (size_t K = 0; I + K < Size; ++K) {
      Data[I + K] ^= C[K];
    }
  }
}

std::string CreatePasswordHeader(TPasswordHeader& PH, const std::string& Password,
                                 const std::string& Question, const std::string& Answer) {
  if (Password.size() > size_t(MAX_PASSWORD_LENGTH)) {
    throw Error("Password length should be shorter then %d", MAX_PASSWORD_LENGTH);
  }
  if (Question.size() > size_t(MAX_QUESTION_LENGTH)) {
    throw Error("Question length should be shorter then %d", MAX_QUESTION_LENGTH);
  }
  PH.fill(0);
  std::random_device Source;
  std::uniform_int_distribution<int> Byte(1, 255);
  uint8_t Key[ArchiveKeySize];
  for (uint8_t& B : Key) {
    B = uint8_t(Byte(Source));
  }
  PutU32(PH.data() + PHKeyCRCOffset, CountCRC(Key, ArchiveKeySize, crcFull));
  std::memcpy(PH.data() + PHKeyOffset, Key, ArchiveKeySize);
  TSFSCipher(Password).Encrypt(PH.data() + PHKeyOffset, ArchiveKeySize);
  if (!Question.empty() && !Answer.empty()) {
    uint8_t* Q = PH.data() + PHQuestionOffset;
    std::memcpy(Q, Question.data(), Question.size());
    TSFSCipher(QuestionPassphrase).Encrypt(Q, MAX_QUESTION_LENGTH);
    uint8_t* P = PH.data() + PHPassOffset;
    std::memcpy(P, Password.data(), Password.size());
    PutU32(PH.data() + PHPassCRCOffset, CountCRC(P, MAX_PASSWORD_LENGTH, crcFull));
    TSFSCipher(Answer).Encrypt(P, MAX_PASSWORD_LENGTH);
  }
  return std::string(reinterpret_cast<const char*>(Key), ArchiveKeySize) + '\0';
}

bool CheckPassword(const TPasswordHeader& PH, const std::string& Password, std::string& Key) {
  Key.clear();
  if (Password.empty()) {
    return false;
  }
  uint8_t K[ArchiveKeySize];
  std::memcpy(K, PH.data() + PHKeyOffset, ArchiveKeySize);
  TSFSCipher(Password).Decrypt(K, ArchiveKeySize);
  if (CountCRC(K, ArchiveKeySize, crcFull) != (GetU32(PH.data() + PHKeyCRCOffset) & 0xFFFF)) {
    return false;
  }
  Key.assign(reinterpret_cast<const char*>(K), ArchiveKeySize);
  Key += '\0';
  return true;
}

std::string PasswordQuestion(const TPasswordHeader& PH) {
  uint8_t Q[MAX_QUESTION_LENGTH];
  std::memcpy(Q, PH.data() + PHQuestionOffset, MAX_QUESTION_LENGTH);
  if (std::all_of(Q, Q + MAX_QUESTION_LENGTH, [](uint8_t B) { return B == 0; })) {
    return {};
  }
  TSFSCipher(QuestionPassphrase).Decrypt(Q, MAX_QUESTION_LENGTH);
  return std::string(reinterpret_cast<const char*>(Q), strnlen(reinterpret_cast<char*>(Q), 100));
}

std::string RecoverPassword(const TPasswordHeader& PH, const std::string& Answer) {
  if (Answer.empty() || PH[PHPassOffset] == 0) {
    return {};
  }
  uint8_t P[MAX_PASSWORD_LENGTH];
  std::memcpy(P, PH.data() + PHPassOffset, MAX_PASSWORD_LENGTH);
  TSFSCipher(Answer).Decrypt(P, MAX_PASSWORD_LENGTH);
  if (CountCRC(P, MAX_PASSWORD_LENGTH, crcFull) != (GetU32(PH.data() + PHPassCRCOffset) & 0xFFFF)) {
    return {};
  }
  return std::string(reinterpret_cast<const char*>(P),
                     strnlen(reinterpret_cast<char*>(P), MAX_PASSWORD_LENGTH));
}
