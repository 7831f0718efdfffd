// The fault-injecting Vfs of the crash tests (see FaultVfs.h).
#include "FaultVfs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "jet/Error.h"

namespace ipmdb::jet {

class FaultFile final : public File {
 public:
  FaultFile(FaultVfs& vfs, std::string path, std::shared_ptr<FaultVfs::Inode> inode, std::unique_ptr<File> inner)
      : FVfs(vfs), FPath(std::move(path)), FInode(std::move(inode)), FInner(std::move(inner)) {}

  size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override {
    FVfs.CheckAlive();
    return FInner->ReadAt(offset, out);
  }

  void WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    const FaultVfs::Decision decision = FVfs.Decide(FaultOp::Write, FPath);
    FVfs.FailIfPlanned(decision, "写入文件", FPath);
    FInner->WriteAt(offset, data);
    FInode->FPending.push_back({false, offset, {data.begin(), data.end()}});
    if (decision.FCrash) FVfs.Crash(decision.FPolicy);
  }

  void Sync() override {
    const FaultVfs::Decision decision = FVfs.Decide(FaultOp::Sync, FPath);
    FVfs.FailIfPlanned(decision, "将文件写入磁盘", FPath);
    if (decision.FCrash) FVfs.Crash(decision.FPolicy);
    FaultVfs::MakeDurable(*FInode);
  }

  uint64_t Size() override {
    FVfs.CheckAlive();
    return FInner->Size();
  }

  void Truncate(uint64_t size) override {
    const FaultVfs::Decision decision = FVfs.Decide(FaultOp::Write, FPath);
    FVfs.FailIfPlanned(decision, "截断文件", FPath);
    FInner->Truncate(size);
    FInode->FPending.push_back({true, size, {}});
    if (decision.FCrash) FVfs.Crash(decision.FPolicy);
  }

  bool TryLockExclusive() override {
    FVfs.CheckAlive();
    return FInner->TryLockExclusive();
  }

  FileIdentity Identity() override {
    FVfs.CheckAlive();
    return FInner->Identity();
  }

  uint32_t LinkCount() override {
    FVfs.CheckAlive();
    return FInner->LinkCount();
  }

  // Attributes are metadata that no crash test looks at: they pass straight through.
  FileAttributes Attributes() override {
    FVfs.CheckAlive();
    return FInner->Attributes();
  }

  void SetAttributes(const FileAttributes& attributes) override {
    FVfs.CheckAlive();
    FInner->SetAttributes(attributes);
  }

 private:
  FaultVfs& FVfs;
  std::string FPath;
  std::shared_ptr<FaultVfs::Inode> FInode;
  std::unique_ptr<File> FInner;
};

namespace {

constexpr uint64_t kSectorSize = 512;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void Apply(std::vector<uint8_t>& image, uint64_t offset, const uint8_t* data, size_t size) {
  if (image.size() < offset + size) image.resize(offset + size);
  std::memcpy(image.data() + offset, data, size);
}

}  // namespace

FaultVfs::FaultVfs(uint64_t seed, Vfs& inner) : FInner(inner), FRandom(seed) {}

void FaultVfs::CrashAt(FaultOp op, uint64_t n, CrashPolicy policy, std::string pathSuffix) {
  FPlans.push_back({op, n, n, std::move(pathSuffix), true, policy, 0});
}

void FaultVfs::FailAt(FaultOp op, uint64_t n, int error, uint64_t times, std::string pathSuffix) {
  FPlans.push_back({op, n, n + times - 1, std::move(pathSuffix), false, CrashPolicy::ApplyAll, error});
}

void FaultVfs::CheckAlive() const {
  if (FDead) throw SimulatedCrash();
}

FaultVfs::Decision FaultVfs::Decide(FaultOp op, const std::string& path) {
  CheckAlive();
  ++(op == FaultOp::Write ? FWrites : FSyncs);
  Decision decision;
  for (Plan& plan : FPlans) {
    if (plan.FOp != op || !EndsWith(path, plan.FSuffix)) continue;
    ++plan.FSeen;
    if (plan.FSeen < plan.FFirst || plan.FSeen > plan.FLast) continue;
    if (plan.FCrash) {
      decision.FCrash = true;
      decision.FPolicy = plan.FPolicy;
    } else {
      decision.FError = plan.FError;
    }
  }
  return decision;
}

void FaultVfs::FailIfPlanned(const Decision& decision, const std::string& action, const std::string& path) const {
  if (decision.FError == 0) return;
  const bool full = decision.FError == ENOSPC || decision.FError == EFBIG || decision.FError == EDQUOT;
  throw JetError(full ? ErrorKind::DiskFull : ErrorKind::Io,
                 action + "“" + path + "”失败：" + std::strerror(decision.FError), decision.FError);
}

FaultVfs::Name& FaultVfs::NameFor(const std::string& path) {
  auto found = FNames.find(path);
  if (found != FNames.end()) return found->second;
  Name name;
  if (FInner.Exists(path)) {
    auto file = FInner.Open(path, OpenMode::ExistingReadWrite);
    name.FCurrent = std::make_shared<Inode>();
    name.FCurrent->FDurable.resize(file->Size());
    file->ReadAt(0, name.FCurrent->FDurable);
  }
  return FNames.emplace(path, std::move(name)).first->second;
}

void FaultVfs::Bind(Name& name, std::shared_ptr<Inode> inode) {
  if (name.FDurable) name.FFormer = name.FCurrent;
  name.FDurable = false;
  name.FCurrent = std::move(inode);
}

void FaultVfs::MakeDurable(Inode& inode) {
  for (const Pending& p : inode.FPending) {
    if (p.FTruncate) {
      inode.FDurable.resize(p.FOffset);
    } else {
      Apply(inode.FDurable, p.FOffset, p.FData.data(), p.FData.size());
    }
  }
  inode.FPending.clear();
}

std::unique_ptr<File> FaultVfs::Open(const std::string& path, OpenMode mode) {
  CheckAlive();
  Name& name = NameFor(path);
  const bool creates =
      mode != OpenMode::ExistingReadWrite && mode != OpenMode::ExistingReadOnly && !name.FCurrent;
  Decision decision;
  if (creates) {
    decision = Decide(FaultOp::Write, path);
    FailIfPlanned(decision, "打开文件", path);
  }
  auto inner = FInner.Open(path, mode);
  if (creates) Bind(name, std::make_shared<Inode>());
  auto file = std::make_unique<FaultFile>(*this, path, name.FCurrent, std::move(inner));
  if (decision.FCrash) Crash(decision.FPolicy);
  return file;
}

bool FaultVfs::Exists(const std::string& path) {
  CheckAlive();
  return NameFor(path).FCurrent != nullptr;
}

void FaultVfs::Remove(const std::string& path) {
  const Decision decision = Decide(FaultOp::Write, path);
  FailIfPlanned(decision, "删除文件", path);
  Name& name = NameFor(path);
  FInner.Remove(path);
  if (name.FCurrent) Bind(name, nullptr);
  if (decision.FCrash) Crash(decision.FPolicy);
}

void FaultVfs::Rename(const std::string& from, const std::string& to) {
  const Decision decision = Decide(FaultOp::Write, to);
  FailIfPlanned(decision, "将文件改名", from);
  Name& source = NameFor(from);
  Name& target = NameFor(to);
  FInner.Rename(from, to);
  Bind(target, source.FCurrent);
  Bind(source, nullptr);
  if (decision.FCrash) Crash(decision.FPolicy);
}

void FaultVfs::SyncDirectoryOf(const std::string& path) {
  // Plans name files by suffix; a folder sync matches the folder's own path.
  const Decision decision = Decide(FaultOp::Sync, FolderOf(path) + "/");
  FailIfPlanned(decision, "将文件夹写入磁盘", FolderOf(path));
  if (decision.FCrash) Crash(decision.FPolicy);
  for (auto& [named, name] : FNames) {
    if (FolderOf(named) != FolderOf(path)) continue;
    name.FDurable = true;
    name.FFormer.reset();
  }
}

std::string FaultVfs::ResolvePath(const std::string& path) {
  CheckAlive();
  return FInner.ResolvePath(path);
}

bool FaultVfs::Coin(CrashPolicy policy) {
  switch (policy) {
    case CrashPolicy::ApplyAll:
      return true;
    case CrashPolicy::DropAll:
      return false;
    default:
      return FRandom() % 2 == 0;
  }
}

void FaultVfs::ApplyAtCrash(std::vector<uint8_t>& image, const Pending& pending, CrashPolicy policy) {
  CrashPolicy fate = policy;
  if (fate == CrashPolicy::Mixed) fate = CrashPolicy(FRandom() % 5);
  if (pending.FTruncate) {
    // A size change either happened or did not.
    if (fate == CrashPolicy::ApplyAll || (fate != CrashPolicy::DropAll && Coin(CrashPolicy::Mixed))) {
      image.resize(pending.FOffset);
    }
    return;
  }
  const std::vector<uint8_t>& data = pending.FData;
  switch (fate) {
    case CrashPolicy::ApplyAll:
      Apply(image, pending.FOffset, data.data(), data.size());
      break;
    case CrashPolicy::DropAll:
      break;
    case CrashPolicy::TearAll:
      Apply(image, pending.FOffset, data.data(), data.empty() ? 0 : FRandom() % data.size());
      break;
    case CrashPolicy::SomeSectors:
      for (uint64_t at = pending.FOffset; at < pending.FOffset + data.size();) {
        const uint64_t end = std::min(pending.FOffset + data.size(), (at / kSectorSize + 1) * kSectorSize);
        if (Coin(CrashPolicy::Mixed)) Apply(image, at, data.data() + (at - pending.FOffset), end - at);
        at = end;
      }
      break;
    default: {
      std::vector<uint8_t> noise(data.size());
      for (uint8_t& b : noise) b = uint8_t(FRandom());
      Apply(image, pending.FOffset, noise.data(), noise.size());
    }
  }
}

void FaultVfs::Crash(CrashPolicy policy) {
  FDead = true;
  // A file with two names at the crash (a rename half landed) gets one image under both.
  std::map<const Inode*, std::vector<uint8_t>> images;
  for (auto& [path, name] : FNames) {
    const std::shared_ptr<Inode>& lands = name.FDurable || Coin(policy) ? name.FCurrent : name.FFormer;
    if (!lands) {
      FInner.Remove(path);
      continue;
    }
    auto [image, fresh] = images.try_emplace(lands.get(), lands->FDurable);
    if (fresh) {
      for (const Pending& p : lands->FPending) ApplyAtCrash(image->second, p, policy);
    }
    auto file = FInner.Open(path, OpenMode::CreateReadWrite);
    file->WriteAt(0, image->second);
    file->Truncate(image->second.size());
  }
  throw SimulatedCrash();
}

}  // namespace ipmdb::jet
