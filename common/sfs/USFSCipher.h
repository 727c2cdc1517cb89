// The page cipher of encrypted archives and the password header that guards the archive key.
//
// Rijndael with a 128-bit block and a 256-bit key, the key being the RIPEMD-256 digest of a key
// text. Blocks are chained through a feedback block F that starts as the encryption of 16 bytes
// of 0xFF: a block P encrypts to C = E(P xor F), then F := C xor F; a final partial block is
// combined with E(F). Buffers keep their size.
#pragma once

#include "sfs/USFSCommon.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

inline constexpr int MAX_PASSWORD_LENGTH = 32;
inline constexpr int MAX_QUESTION_LENGTH = 100;
inline constexpr int ArchiveKeySize = 32;

// Field offsets of the 172-byte password header.
inline constexpr int PHKeyOffset = 0;
inline constexpr int PHPassOffset = 32;
inline constexpr int PHKeyCRCOffset = 64;
inline constexpr int PHPassCRCOffset = 68;
inline constexpr int PHQuestionOffset = 72;

using TPasswordHeader = std::array<uint8_t, PasswordHeaderSize>;

class TSFSCipher {
public:
  explicit TSFSCipher(const std::string& KeyText);
  ~TSFSCipher();
  TSFSCipher(const TSFSCipher&) = delete;
  TSFSCipher& operator=(const TSFSCipher&) = delete;

  const std::string& KeyText() const { return FKeyText; }
  // Each call starts a fresh chain, as a new cipher instance would.
  void Encrypt(uint8_t* Data, size_t Size) const;
  void Decrypt(uint8_t* Data, size_t Size) const;

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
  std::string FKeyText;
};

// Fills a new password header: a random archive key encrypted with the password, and, when both
// a question and an answer are given, the question and the password recoverable by the answer.
// Returns the archive key text (32 key bytes and a zero byte).
std::string CreatePasswordHeader(TPasswordHeader& PasswordHeader, const std::string& Password,
                                 const std::string& Question, const std::string& Answer);
// True when Password opens the header; Key then receives the archive key text.
bool CheckPassword(const TPasswordHeader& PasswordHeader, const std::string& Password,
                   std::string& Key);
// The hint text of a header ("" when there is none).
std::string PasswordQuestion(const TPasswordHeader& PasswordHeader);
// The password recovered with the answer to the question ("" when it does not check).
std::string RecoverPassword(const TPasswordHeader& PasswordHeader, const std::string& Answer);
