// Recovery on mutated journals. Once, a real commit (two rows into the template's table IP) is
// made in memory, keeping the database before it, the database after it and the journal as it
// was synced. Each input then sets up a file that holds one whole commit, either one, and beside
// it that journal with the input's changes, and runs recovery. A journal can undo only what it
// covers: whatever its bytes, recovery must leave a file that holds a whole commit exactly as it
// is, and remove the journal.
//
// Input: one byte of choices, then the changes, XORed onto the journal from its first byte on
// (bytes past its end lengthen it), so that an input of zeros is the real journal. Inputs do not
// depend on the journal's random seed or on the pages' exact bytes, and stay valid when either
// changes. Choices:
//   bit 0  the file holds the commit (else the state before it)
//   bit 1  the file is a copy, with another inode than the journal names
//   bit 2  the journal ends where the changes end (a journal cut short, or lengthened)
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "database/Resources.h"
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/JournalPath.h"
#include "jet/Pager.h"

using namespace ipmdb;
using ipmdb::fuzz::Fail;
using ipmdb::fuzz::Require;

namespace {

constexpr char kPath[] = "/fuzz/db.mdb";
constexpr uint64_t kInode = 1;
constexpr uint64_t kCopyInode = 2;

struct Commit {
  std::vector<uint8_t> before;
  std::vector<uint8_t> after;
  std::vector<uint8_t> journal;
};

Commit MakeCommit() {
  const auto bytes = database::FindResource(database::kTemplateResourceType, database::kTemplateResourceName);
  Require(bytes.has_value(), "the program holds no template");
  fuzz::MemoryVfs vfs;
  Commit commit;
  commit.before.assign(bytes->begin(), bytes->end());
  vfs.Put(kPath, commit.before, kInode);
  jet::Database db(kPath, vfs);
  db.Begin();
  db.Execute(u"insert into IP values('1.0.0.0','1.0.0.255',16777216,16777471,'中国','广东省')");
  db.Execute(u"insert into IP values('2.0.0.0','2.0.0.255',33554432,33554687,'美国','加利福尼亚州')");
  db.Commit();
  commit.after = vfs.Find(kPath)->bytes;
  commit.journal = vfs.Find(jet::JournalPathFor(kPath))->synced;
  Require(commit.after != commit.before && !commit.journal.empty(), "the commit wrote nothing");
  return commit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Commit commit = MakeCommit();
  if (size == 0) return 0;
  const uint8_t choices = data[0];
  const std::vector<uint8_t> changes(data + 1, data + size);
  const std::vector<uint8_t>& state = (choices & 1) ? commit.after : commit.before;

  std::vector<uint8_t> journal = commit.journal;
  journal.resize((choices & 4) ? changes.size() : std::max(journal.size(), changes.size()));
  for (size_t i = 0; i < changes.size(); ++i) journal[i] ^= changes[i];

  fuzz::MemoryVfs vfs;
  vfs.Put(kPath, state, (choices & 2) ? kCopyInode : kInode);
  vfs.Put(jet::JournalPathFor(kPath), journal, 3);
  try {
    jet::Pager pager(vfs, kPath);
  } catch (const jet::JetError& e) {
    Fail(std::string("recovery failed: ") + e.what());
  }
  Require(vfs.Find(kPath)->bytes == state, "recovery changed a file that held a whole commit");
  Require(!vfs.Exists(jet::JournalPathFor(kPath)), "recovery left the journal");
  return 0;
}
