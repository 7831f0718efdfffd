#include "FuzzSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "jet/Error.h"

namespace ipmdb::fuzz {
namespace {

class MemoryFile final : public jet::File {
 public:
  explicit MemoryFile(std::shared_ptr<MemoryVfs::Node> node) : FNode(std::move(node)) {}
  ~MemoryFile() override {
    if (FLocked) FNode->locked = false;
  }

  size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override {
    const auto& bytes = FNode->bytes;
    if (offset >= bytes.size()) return 0;
    const size_t n = std::min<uint64_t>(out.size(), bytes.size() - offset);
    std::memcpy(out.data(), bytes.data() + offset, n);
    return n;
  }
  void WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    auto& bytes = FNode->bytes;
    if (bytes.size() < offset + data.size()) bytes.resize(offset + data.size());
    std::copy(data.begin(), data.end(), bytes.begin() + ptrdiff_t(offset));
  }
  void Sync() override { FNode->synced = FNode->bytes; }
  uint64_t Size() override { return FNode->bytes.size(); }
  void Truncate(uint64_t size) override { FNode->bytes.resize(size); }
  bool TryLockExclusive() override {
    if (FNode->locked) return FLocked;
    return FNode->locked = FLocked = true;
  }
  // No birth time, as on a file system that records none.
  jet::FileIdentity Identity() override { return {0, FNode->inode, std::nullopt}; }
  uint32_t LinkCount() override { return 1; }
  jet::FileAttributes Attributes() override { return {FNode->permissions, 0, 0, {}}; }
  void SetAttributes(const jet::FileAttributes& attributes) override { FNode->permissions = attributes.FPermissions; }

 private:
  std::shared_ptr<MemoryVfs::Node> FNode;
  bool FLocked = false;
};

}  // namespace

void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz property broken: %s\n", what.c_str());
  std::abort();
}

void MemoryVfs::Put(const std::string& path, std::vector<uint8_t> bytes, uint64_t inode) {
  auto node = std::make_shared<Node>();
  node->synced = bytes;
  node->bytes = std::move(bytes);
  node->inode = inode;
  FFiles[path] = std::move(node);
}

const MemoryVfs::Node* MemoryVfs::Find(const std::string& path) const {
  const auto found = FFiles.find(path);
  return found == FFiles.end() ? nullptr : found->second.get();
}

std::unique_ptr<jet::File> MemoryVfs::Open(const std::string& path, OpenMode mode) {
  auto found = FFiles.find(path);
  if (found != FFiles.end() && mode == OpenMode::CreateNew) {
    throw jet::JetError(jet::ErrorKind::Io, "“" + path + "”已存在。", EEXIST);
  }
  if (found == FFiles.end()) {
    if (mode == OpenMode::ExistingReadWrite || mode == OpenMode::ExistingReadOnly)
      throw jet::JetError(jet::ErrorKind::Io, "没有“" + path + "”。", ENOENT);
    Put(path, {}, FNextInode++);
    found = FFiles.find(path);
  }
  return std::make_unique<MemoryFile>(found->second);
}

void MemoryVfs::Rename(const std::string& from, const std::string& to) {
  auto node = FFiles.at(from);
  FFiles.erase(from);
  FFiles[to] = std::move(node);
}

}  // namespace ipmdb::fuzz
