// A Vfs for tests that simulates what a power loss does to files. It wraps the real file system:
// every write reaches the real file at once (so reads see it, as they see the page cache), and
// is also remembered as pending until the file's next Sync. Created, renamed and removed names
// stay pending until a folder sync. At a scheduled crash each pending write is applied, dropped,
// torn (only a prefix lands) or scrambled (noise of the same length lands), and each pending name
// either keeps its new file or gets its former one back, by a seeded policy; the real files are
// rewritten to that crash image, the Vfs goes dead, and SimulatedCrash is thrown. A dead Vfs and
// its files fail every later call with SimulatedCrash, so nothing the unwinding code tries can
// change the crash image. It also injects plain failures (ENOSPC, EROFS, EIO, ...).
//
// The Vfs must outlive every file it opened. Durability is simulated: the real files are never
// synced, which keeps the crash tests fast. A name given back its former file gets that file's
// bytes, but in the real file the name holds now, so its identity (FileIdentity) is not the
// former one: recovery then meets it as it would meet a copy of the former file.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "jet/File.h"

namespace ipmdb::jet {

class SimulatedCrash : public std::runtime_error {
 public:
  SimulatedCrash() : std::runtime_error("simulated crash") {}
};

// What becomes of each pending write at a crash: it lands, is lost, lands only in part (a
// prefix; or some of its 512-byte sectors, in any order, as a disk that reorders them), or
// leaves noise. Mixed draws one of these for every write.
enum class CrashPolicy { ApplyAll, DropAll, TearAll, ScrambleAll, SomeSectors, Mixed };

// Writes are WriteAt, Truncate, the creation of a name by Open, Rename and Remove; syncs are Sync
// and SyncDirectoryOf.
enum class FaultOp { Write, Sync };

// Names the operation in test parameters and failure messages.
inline void PrintTo(FaultOp op, std::ostream* out) { *out << (op == FaultOp::Write ? "write" : "sync"); }

class FaultVfs final : public Vfs {
 public:
  explicit FaultVfs(uint64_t seed = 1, Vfs& inner = Vfs::System());

  // The crash happens at the nth (1-based) operation of that kind from now on, counting only
  // files whose path ends with pathSuffix (all files when it is empty; a folder sync counts as
  // an operation on the folder's path with a trailing "/", a rename as one on its target). A
  // crashing write is pending at the crash; a crashing sync does not take place.
  void CrashAt(FaultOp op, uint64_t n, CrashPolicy policy, std::string pathSuffix = "");
  // The nth matching operation and the times - 1 after it fail as the system would with error,
  // without taking place.
  void FailAt(FaultOp op, uint64_t n, int error, uint64_t times = 1, std::string pathSuffix = "");

  bool Crashed() const { return FDead; }
  // Operations of that kind seen so far, failed and crashing ones included.
  uint64_t Count(FaultOp op) const { return op == FaultOp::Write ? FWrites : FSyncs; }

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  bool Exists(const std::string& path) override;
  void Remove(const std::string& path) override;
  void Rename(const std::string& from, const std::string& to) override;
  void SyncDirectoryOf(const std::string& path) override;
  std::string ResolvePath(const std::string& path) override;

 private:
  friend class FaultFile;

  struct Pending {
    bool FTruncate = false;
    uint64_t FOffset = 0;  // the new size for a truncation
    std::vector<uint8_t> FData;
  };
  // The bytes of one file, whatever names it has.
  struct Inode {
    std::vector<uint8_t> FDurable;
    std::vector<Pending> FPending;
  };
  struct Name {
    std::shared_ptr<Inode> FCurrent;  // null: nothing under this name
    bool FDurable = true;             // the name's present binding survives a crash
    std::shared_ptr<Inode> FFormer;   // the binding a crash may give back, while not FDurable
  };
  struct Plan {
    FaultOp FOp;
    uint64_t FFirst;
    uint64_t FLast;
    std::string FSuffix;
    bool FCrash;
    CrashPolicy FPolicy;
    int FError;
    uint64_t FSeen = 0;
  };
  struct Decision {
    bool FCrash = false;
    CrashPolicy FPolicy = CrashPolicy::ApplyAll;
    int FError = 0;
  };

  void CheckAlive() const;
  Decision Decide(FaultOp op, const std::string& path);
  void FailIfPlanned(const Decision& decision, const std::string& action, const std::string& path) const;
  Name& NameFor(const std::string& path);
  void Bind(Name& name, std::shared_ptr<Inode> inode);
  static void MakeDurable(Inode& inode);
  [[noreturn]] void Crash(CrashPolicy policy);
  void ApplyAtCrash(std::vector<uint8_t>& image, const Pending& pending, CrashPolicy policy);
  bool Coin(CrashPolicy policy);

  Vfs& FInner;
  std::mt19937_64 FRandom;
  std::map<std::string, Name> FNames;
  std::vector<Plan> FPlans;
  uint64_t FWrites = 0;
  uint64_t FSyncs = 0;
  bool FDead = false;
};

}  // namespace ipmdb::jet
