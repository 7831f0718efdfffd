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

// Paths from and to UTF-8, the encoding of every path in the programs: on Windows a narrow string
// in std::filesystem is in the ANSI code page, which a Chinese name need not fit.
inline std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

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

  // The full path of the file `name` in the directory; both UTF-8.
  std::string PathOf(const std::string& name) const { return Utf8Of(FPath / PathFromUtf8(name)); }

  // Writes the bytes to a file of that name in the directory; returns its full path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(FPath / PathFromUtf8(name), std::ios::binary) << bytes;
    return PathOf(name);
  }

  std::string Read(const std::string& name) const {
    std::ifstream in(FPath / PathFromUtf8(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

 private:
  std::filesystem::path FPath;
};

}  // namespace ipmdb::testing_support
