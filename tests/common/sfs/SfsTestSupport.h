// What the archive tests share: scratch folders, random contents and writing a whole file.
#pragma once

#include "sfs/USingleFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include <unistd.h>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempDir {
public:
  explicit TTempDir(const std::string& Prefix) {
    FPath = std::filesystem::temp_directory_path() /
            (Prefix + "_" + std::to_string(::getpid()) + "_" + std::to_string(Counter++));
    std::filesystem::create_directories(FPath);
  }
  ~TTempDir() {
    std::error_code Ec;
    std::filesystem::remove_all(FPath, Ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  std::string File(const std::string& Name) const { return (FPath / Name).string(); }

private:
  static inline int Counter = 0;
  std::filesystem::path FPath;
};

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
