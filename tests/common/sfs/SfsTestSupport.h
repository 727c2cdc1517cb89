// What the archive tests share: scratch folders, random contents and writing a whole file.
#pragma once

#include "TempDir.h"
#include "sfs/USingleFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

inline std::string RandomBytes(size_t N, unsigned Seed) {
  std::mt19937 R(Seed);
  std::string S(N, '\0');
  for (char& C : S) {
    C = static_cast<char>(R());
  }
  return S;
}

// Creates the file Name in the archive with the contents Data.
inline void PutFile(TSingleFileSystem& A, const std::string& Name, const std::string& Data) {
  int32_t H = A.FileCreate(Name);
  ASSERT_GT(H, 0) << Name;
  ASSERT_EQ(A.FileWrite(H, Data.data(), int64_t(Data.size())), int64_t(Data.size()));
  A.FileClose(H);
}
