// A Vfs over the real files that can hold a sync of the output database: the chosen sync waits
// until the test lets it go, so that a test can act while a commit is in flight.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "jet/File.h"

namespace ipmdb::engine {

class SyncGateVfs final : public jet::Vfs {
 public:
  // The nth sync of a file whose name ends in ".mdb", counted from the first, waits in Sync
  // until Release().
  void Hold(int n) {
    std::lock_guard lock(FMutex);
    FHeld = n;
  }
  // Whether the held sync has begun and waits.
  bool Held() {
    std::lock_guard lock(FMutex);
    return FWaiting;
  }
  void Release() {
    {
      std::lock_guard lock(FMutex);
      FHeld = 0;
    }
    FChanged.notify_all();
  }
  int Syncs() {
    std::lock_guard lock(FMutex);
    return FSyncs;
  }

  std::unique_ptr<jet::File> Open(const std::string& path, OpenMode mode) override {
    auto file = jet::Vfs::Posix().Open(path, mode);
    if (!path.ends_with(".mdb")) return file;
    return std::make_unique<GatedFile>(*this, std::move(file));
  }
  bool Exists(const std::string& path) override { return jet::Vfs::Posix().Exists(path); }
  void Remove(const std::string& path) override { jet::Vfs::Posix().Remove(path); }
  void Rename(const std::string& from, const std::string& to) override { jet::Vfs::Posix().Rename(from, to); }
  void SyncDirectoryOf(const std::string& path) override { jet::Vfs::Posix().SyncDirectoryOf(path); }
  std::string ResolvePath(const std::string& path) override { return jet::Vfs::Posix().ResolvePath(path); }

 private:
  class GatedFile final : public jet::File {
   public:
    GatedFile(SyncGateVfs& vfs, std::unique_ptr<jet::File> inner) : FVfs(vfs), FInner(std::move(inner)) {}
    size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override { return FInner->ReadAt(offset, out); }
    void WriteAt(uint64_t offset, std::span<const uint8_t> data) override { FInner->WriteAt(offset, data); }
    void Sync() override {
      FVfs.Pass();
      FInner->Sync();
    }
    uint64_t Size() override { return FInner->Size(); }
    void Truncate(uint64_t size) override { FInner->Truncate(size); }
    bool TryLockExclusive() override { return FInner->TryLockExclusive(); }
    jet::FileIdentity Identity() override { return FInner->Identity(); }
    uint32_t LinkCount() override { return FInner->LinkCount(); }
    jet::FileAttributes Attributes() override { return FInner->Attributes(); }
    void SetAttributes(const jet::FileAttributes& attributes) override { FInner->SetAttributes(attributes); }

   private:
    SyncGateVfs& FVfs;
    std::unique_ptr<jet::File> FInner;
  };

  void Pass() {
    std::unique_lock lock(FMutex);
    if (++FSyncs != FHeld) return;
    FWaiting = true;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return FHeld == 0; });
    FWaiting = false;
  }

  std::mutex FMutex;
  std::condition_variable FChanged;
  int FHeld = 0;
  int FSyncs = 0;
  bool FWaiting = false;
};

}  // namespace ipmdb::engine
