// A database file of any bytes (seeded with the template and small outputs) is checked, read
// table by table, opened, and given two rows in one transaction. Whatever the bytes, nothing
// crashes, overflows or loops. A file the engine refuses keeps every byte; a file it writes to
// opens again afterwards; and a file the integrity check found sound is still sound after the
// insert, having been accepted by the engine without a word about damage.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "jet/Database.h"
#include "jet/DatabaseReader.h"
#include "jet/Error.h"
#include "jet/IntegrityCheck.h"
#include "jet/PageSource.h"

using namespace ipmdb::jet;
using ipmdb::fuzz::Fail;
using ipmdb::fuzz::Require;

namespace {

constexpr char kPath[] = "/fuzz/db.mdb";

// True when the check finds no problem; false when it finds one or cannot check the file at all.
bool Sound(const std::vector<uint8_t>& bytes) {
  MemoryPageSource source(bytes);
  try {
    return CheckDatabase(source, bytes.size(), kPath, [](const std::string&) {}).problems == 0;
  } catch (const JetError&) {
    return false;
  }
}

void ReadEveryTable(const std::vector<uint8_t>& bytes) {
  MemoryPageSource source(bytes);
  try {
    DatabaseReader reader(source, kPath);
    for (const CatalogEntry& entry : reader.Catalog()) {
      if (!entry.IsTable()) continue;
      try {
        reader.ForEachRow(entry.DefinitionPage(), [](const std::vector<StoredValue>&) {});
      } catch (const JetError&) {
      }
    }
  } catch (const JetError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> original(data, data + size);
  const bool soundBefore = Sound(original);
  ReadEveryTable(original);

  ipmdb::fuzz::MemoryVfs vfs;
  vfs.Put(kPath, original, 1);
  try {
    Database db(kPath, vfs);
    db.Begin();
    db.Execute(u"insert into IP values('1.0.0.0','1.0.0.255',16777216,16777471,'中国','广东省')");
    db.Execute(u"INSERT INTO IP (startip, local) VALUES ('2.0.0.0', '" + std::u16string(255, u'区') + u"')");
    db.Commit();
  } catch (const JetError& e) {
    Require(!soundBefore || e.Kind() != ErrorKind::Corrupt,
            (std::string("the engine calls a file damaged that the check found sound: ") + e.what()).c_str());
    Require(vfs.Find(kPath)->bytes == original, "a file the engine refused was changed");
    return 0;
  }
  try {
    Database again(kPath, vfs);
  } catch (const JetError& e) {
    Fail(std::string("a file the engine wrote to cannot be opened again: ") + e.what());
  }
  Require(!soundBefore || Sound(vfs.Find(kPath)->bytes), "a sound file is no longer sound after an insert");
  return 0;
}
