// Cost of the pager's commit on the real disk, against the floor of one write and one fdatasync
// per commit of the same bytes. The workload is that of a bulk load in batches: 530 commits, each
// appending 27 pages and changing 4 in place (the table's last data page, its definition page,
// its usage-map page and page 1). Reports the time per commit and the syncs per commit.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "jet/Checksum.h"
#include "jet/File.h"
#include "jet/Format.h"
#include "jet/Pager.h"

namespace ipmdb::jet {
namespace {

constexpr int kCommits = 530;
constexpr uint32_t kAppendedPerCommit = 27;
constexpr uint32_t kInitialPages = 64;
constexpr uint32_t kDefinitionPage = 2;
constexpr uint32_t kUsageMapPage = 3;
constexpr uint32_t kFirstPage = 1;

// Forwards to the real file system, counting durability barriers; optionally skips them, to
// show what the pager costs apart from the disk.
class CountingVfs final : public Vfs {
 public:
  explicit CountingVfs(bool sync) : FSync(sync) {}
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    return std::make_unique<CountingFile>(*this, Vfs::System().Open(path, mode));
  }
  bool Exists(const std::string& path) override { return Vfs::System().Exists(path); }
  void Remove(const std::string& path) override { Vfs::System().Remove(path); }
  void Rename(const std::string& from, const std::string& to) override { Vfs::System().Rename(from, to); }
  void SyncDirectoryOf(const std::string& path) override {
    ++FSyncs;
    if (FSync) Vfs::System().SyncDirectoryOf(path);
  }
  std::string ResolvePath(const std::string& path) override { return Vfs::System().ResolvePath(path); }
  uint64_t Syncs() const { return FSyncs; }

 private:
  class CountingFile final : public File {
   public:
    CountingFile(CountingVfs& vfs, std::unique_ptr<File> inner) : FVfs(vfs), FInner(std::move(inner)) {}
    size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override { return FInner->ReadAt(offset, out); }
    void WriteAt(uint64_t offset, std::span<const uint8_t> data) override { FInner->WriteAt(offset, data); }
    void Sync() override {
      ++FVfs.FSyncs;
      if (FVfs.FSync) FInner->Sync();
    }
    uint64_t Size() override { return FInner->Size(); }
    void Truncate(uint64_t size) override { FInner->Truncate(size); }
    bool TryLockExclusive() override { return FInner->TryLockExclusive(); }
    FileIdentity Identity() override { return FInner->Identity(); }
    uint32_t Permissions() override { return FInner->Permissions(); }
    void SetPermissions(uint32_t permissions) override { FInner->SetPermissions(permissions); }

   private:
    CountingVfs& FVfs;
    std::unique_ptr<File> FInner;
  };

  bool FSync;
  uint64_t FSyncs = 0;
};

class ScratchFile {
 public:
  ScratchFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ipmdb-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    FFolder = pattern;
    FPath = FFolder + "/bench.mdb";
  }
  ~ScratchFile() { std::filesystem::remove_all(FFolder); }
  const std::string& Path() const { return FPath; }

  void Reset() {
    std::filesystem::remove(FPath + "-journal");
    auto file = Vfs::System().Open(FPath, Vfs::OpenMode::CreateReadWrite);
    file->Truncate(0);
    std::vector<uint8_t> pages(size_t(kInitialPages) * kPageSize, 0x5A);
    file->WriteAt(0, pages);
    file->Sync();
  }

 private:
  std::string FFolder;
  std::string FPath;
};

void FillPage(uint8_t* page, uint32_t stamp) {
  for (uint32_t i = 0; i < kPageSize; i += 4) page[i] = uint8_t(stamp + i);
}

// Shown in seconds with an SI prefix ("712.3us").
benchmark::Counter TimePerCommit() {
  return benchmark::Counter(kCommits, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void RunCommits(benchmark::State& state, bool sync) {
  ScratchFile scratch;
  uint64_t syncs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    scratch.Reset();
    CountingVfs vfs(sync);
    state.ResumeTiming();
    {
      Pager pager(vfs, scratch.Path());
      for (int commit = 0; commit < kCommits; ++commit) {
        pager.Begin();
        for (uint32_t page : {kFirstPage, kDefinitionPage, kUsageMapPage, pager.PageCount() - 1}) {
          FillPage(pager.Modify(page), uint32_t(commit));
        }
        for (uint32_t i = 0; i < kAppendedPerCommit; ++i) FillPage(pager.Modify(pager.Append()), uint32_t(commit));
        pager.Commit();
      }
    }
    syncs += vfs.Syncs();
  }
  const double commits = double(state.iterations()) * kCommits;
  state.counters["syncs_per_commit"] = double(syncs) / commits;
  state.counters["time_per_commit"] = TimePerCommit();
}

void BM_PagerCommits(benchmark::State& state) { RunCommits(state, true); }
void BM_PagerCommitsWithoutSyncs(benchmark::State& state) { RunCommits(state, false); }

// The floor: the same 31 pages of every commit written at once at the end of the file, then
// one fdatasync.
void BM_FloorOneWriteAndSyncPerCommit(benchmark::State& state) {
  ScratchFile scratch;
  std::vector<uint8_t> bytes(size_t(kAppendedPerCommit + 4) * kPageSize, 0x3C);
  for (auto _ : state) {
    state.PauseTiming();
    scratch.Reset();
    auto file = Vfs::System().Open(scratch.Path(), Vfs::OpenMode::ExistingReadWrite);
    state.ResumeTiming();
    for (int commit = 0; commit < kCommits; ++commit) {
      file->WriteAt(uint64_t(kInitialPages + commit * bytes.size() / kPageSize) * kPageSize, bytes);
      file->Sync();
    }
  }
  state.counters["syncs_per_commit"] = 1;
  state.counters["time_per_commit"] = TimePerCommit();
}

void BM_Checksum64OfAPage(benchmark::State& state) {
  std::vector<uint8_t> page(kPageSize, 0xA5);
  uint64_t seed = 1;
  for (auto _ : state) {
    seed = Checksum64(page, seed);
    benchmark::DoNotOptimize(seed);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kPageSize);
}

BENCHMARK(BM_PagerCommits)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_PagerCommitsWithoutSyncs)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_FloorOneWriteAndSyncPerCommit)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Checksum64OfAPage);

}  // namespace
}  // namespace ipmdb::jet
