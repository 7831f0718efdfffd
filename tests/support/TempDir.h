// A fresh directory under the system's temporary folder for one test, removed with everything in
// it when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace ipmdb::testing_support {

// A new folder under the temporary folder, named prefix and a random number, as mkdtemp makes
// one, by means that Windows has too. Empty when none could be made.
inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto path = std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(path, error)) return path;
  }
  return {};
}

class TempDir {
 public:
  TempDir() : FPath(MakeTempFolder("ipmdb-test-")) {
    if (FPath.empty()) ADD_FAILURE() << "no new folder under " << std::filesystem::temp_directory_path();
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

  // Writes the bytes to a file of that name in the directory; returns its full path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string path = (FPath / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::string Read(const std::string& name) const {
    std::ifstream in(FPath / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

 private:
  std::filesystem::path FPath;
};

}  // namespace ipmdb::testing_support
