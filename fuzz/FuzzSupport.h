// What the fuzz harnesses share: the way a harness reports a broken property, and a file system
// held in memory, so that a run touches no disk and numbers its files the same way every time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "jet/File.h"

namespace ipmdb::fuzz {

// Reports what does not hold and aborts, so that libFuzzer (or the replay of a corpus) keeps the
// input as a crash.
[[noreturn]] void Fail(const std::string& what);
inline void Require(bool holds, const char* what) {
  if (!holds) Fail(what);
}

// Files in memory. Inode numbers are given by whoever puts a file, or counted from 1000 for files
// the engine creates. Each file also keeps its bytes as of its last Sync: what a power loss would
// leave of it. Creating, renaming and removing names is durable at once.
class MemoryVfs final : public jet::Vfs {
 public:
  struct Node {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> synced;
    uint64_t inode = 0;
    uint32_t permissions = 0644;
    bool locked = false;
  };

  // Puts a file under the name, replacing whatever it named.
  void Put(const std::string& path, std::vector<uint8_t> bytes, uint64_t inode);
  // The file under the name, or nullptr.
  const Node* Find(const std::string& path) const;

  std::unique_ptr<jet::File> Open(const std::string& path, OpenMode mode) override;
  bool Exists(const std::string& path) override { return FFiles.count(path) != 0; }
  void Remove(const std::string& path) override { FFiles.erase(path); }
  void Rename(const std::string& from, const std::string& to) override;
  void SyncDirectoryOf(const std::string&) override {}
  std::string ResolvePath(const std::string& path) override { return path; }

 private:
  std::map<std::string, std::shared_ptr<Node>> FFiles;
  uint64_t FNextInode = 1000;
};

}  // namespace ipmdb::fuzz
