// A fresh scratch folder of the running process under the system's temporary folder, removed
// with everything in it when the object goes. Test programs run in parallel processes, so the
// name is made unique by mkdtemp.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

class TTempDir {
public:
  explicit TTempDir(const std::string& Prefix = "hoe") {
    std::string Pattern = (std::filesystem::temp_directory_path() / (Prefix + "-XXXXXX")).string();
    if (!::mkdtemp(Pattern.data())) {
      throw std::runtime_error("cannot make a scratch folder from " + Pattern);
    }
    FPath = Pattern;
  }
  ~TTempDir() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::string Str() const { return FPath.string(); }
  // The path of Name inside the folder (nothing is created).
  std::string File(const std::string& Name) const { return (FPath / Name).string(); }

private:
  std::filesystem::path FPath;
};
