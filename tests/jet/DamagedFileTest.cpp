// A converted database with a few bytes changed, one kind of damage at a time: the engine must
// refuse it with a corruption error naming the damaged page, the reader must stop there too, and
// a refused file must stay exactly as it was. Under the sanitizers any read or write outside a
// page ends the test with a report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "database/TableIP.h"
#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/Database.h"
#include "jet/DatabaseBuilder.h"
#include "jet/DatabaseReader.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/PageSource.h"
#include "jet/SystemCatalog.h"
#include "jet/UsageMap.h"
#include "../support/TempDir.h"

namespace ipmdb::jet {
namespace {

using Bytes = std::vector<uint8_t>;

// Where things are in the sound file, found by reading it.
struct Landmarks {
  uint32_t definition = 0;  // table IP
  uint32_t ownedMap = 0;    // row pointer of IP's owned-pages map
  uint32_t firstDataPage = 0, lastDataPage = 0;
  uint32_t catalogPage = 0;  // the MSysObjects data page
  uint32_t propertiesPage = 0;  // the LVAL page holding the catalog's property blobs
  double creationDate = 0;
};

uint8_t* PageOf(Bytes& file, uint32_t page) { return file.data() + size_t(page) * kPageSize; }

// The bytes of a live row, inside the file.
uint8_t* RowOf(Bytes& file, uint32_t page, uint16_t row) {
  const uint16_t entry = GetU16(PageOf(file, page) + datapage::kRowTableOffset + 2 * row);
  return PageOf(file, page) + (entry & datapage::kRowOffsetMask);
}

struct DamageCase {
  const char* name;
  std::function<uint32_t(Bytes&, const Landmarks&)> damage;  // returns the page the error must name
  bool refusedOnOpen;  // the writer needs the damaged structure; otherwise only reading finds it
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

const std::vector<DamageCase>& Cases() {
  static const std::vector<DamageCase> cases = {
      {"ColumnIdOfMSysObjectsIs0xFFFF",
       [](Bytes& f, const Landmarks&) {
         // The first column descriptor, after the two real-index statistics blocks.
         const size_t descriptor = tdef::kBodyOffset + 2 * tdef::kIndexStatisticsSize;
         PutU16(PageOf(f, catalog::kMSysObjectsPage) + descriptor + tdef::kColumnIdOffset, 0xFFFF);
         return catalog::kMSysObjectsPage;
       },
       true},
      {"FreeSpaceOfTheLastDataPageTooLarge",
       [](Bytes& f, const Landmarks& l) {
         PutU16(PageOf(f, l.lastDataPage) + datapage::kFreeSpaceOffset, uint16_t(datapage::kEmptyFreeSpace));
         return l.lastDataPage;
       },
       true},
      {"RowOffsetOfTheLastDataPageBelowTheOffsetTable",
       [](Bytes& f, const Landmarks& l) {
         uint8_t* page = PageOf(f, l.lastDataPage);
         PutU16(page + datapage::kRowTableOffset + 2 * (DataPageRowCount(page) - 1), 0x0010);
         return l.lastDataPage;
       },
       true},
      {"CreationDateOutOfRange",
       [](Bytes& f, const Landmarks& l) {
         // The date lies in the masked part of the header: change it through the mask.
         uint8_t clear[8], wanted[8];
         PutDouble(clear, l.creationDate);
         PutDouble(wanted, 1e300);
         for (size_t i = 0; i < 8; ++i) f[header::kCreationDateOffset + i] ^= uint8_t(clear[i] ^ wanted[i]);
         return 0u;
       },
       true},
      {"DefinitionContinuesOnItself",
       [](Bytes& f, const Landmarks& l) {
         PutU32(PageOf(f, l.definition) + tdef::kNextPageOffset, l.definition);
         return l.definition;
       },
       true},
      {"OwnedMapListsAPagePastTheEnd",
       [](Bytes& f, const Landmarks& l) {
         const uint32_t page = 400;  // inside the inline map's 512 pages, outside the file
         uint8_t* map = RowOf(f, RowPointerPage(l.ownedMap), uint16_t(RowPointerRow(l.ownedMap)));
         map[usagemap::kBitmapOffset + page / 8] |= uint8_t(1u << (page % 8));
         return RowPointerPage(l.ownedMap);
       },
       true},
      {"OwnedMapNamesATableDefinitionAsBitmapPage",
       [](Bytes& f, const Landmarks& l) {
         uint8_t* map = RowOf(f, RowPointerPage(l.ownedMap), uint16_t(RowPointerRow(l.ownedMap)));
         map[usagemap::kTypeOffset] = usagemap::kReference;
         PutU32(map + usagemap::kReferencePagesOffset, l.definition);
         return RowPointerPage(l.ownedMap);
       },
       true},
      {"OwnedMapPointerNamesATableRow",
       [](Bytes& f, const Landmarks& l) {
         PutU32(PageOf(f, l.definition) + tdef::kOwnedMapOffset, MakeRowPointer(l.firstDataPage, 0));
         return l.firstDataPage;
       },
       true},
      {"LongValueChainLoopsOnItself",
       [](Bytes& f, const Landmarks& l) {
         // A property blob stored as one LVAL row becomes a chain whose only chunk points at itself.
         const uint32_t target = MakeRowPointer(l.propertiesPage, 0);
         uint8_t* page = PageOf(f, l.catalogPage);
         for (size_t at = longvalue::kRowPointerOffset; at + 4 <= kPageSize; ++at) {
           if (GetU32(page + at) != target || (page[at - 1] & 0xC0) != 0x40) continue;
           page[at - 1] &= 0x3F;  // storage kind: chained
           PutU32(RowOf(f, l.propertiesPage, 0), target);
           break;
         }
         return l.catalogPage;
       },
       true},
      {"RowCountOfTheCatalogPageBeyondItsOffsetTable",
       [](Bytes& f, const Landmarks& l) {
         PutU16(PageOf(f, l.catalogPage) + datapage::kRowCountOffset, 4000);
         return l.catalogPage;
       },
       true},
      {"OverflowRowPointsAtItself",
       [](Bytes& f, const Landmarks& l) {
         uint8_t* entry = PageOf(f, l.firstDataPage) + datapage::kRowTableOffset;
         PutU16(entry, uint16_t(GetU16(entry) | datapage::kRowOverflowFlag));
         PutU32(RowOf(f, l.firstDataPage, 0), MakeRowPointer(l.firstDataPage, 0));
         return l.firstDataPage;
       },
       false},
      {"DataPageOfAnotherTableInTheOwnedMap",
       [](Bytes& f, const Landmarks& l) {
         PutU32(PageOf(f, l.firstDataPage) + datapage::kOwnerOffset, 3);
         return l.firstDataPage;
       },
       false},
  };
  return cases;
}

class DamagedFile : public ::testing::TestWithParam<DamageCase> {
 protected:
  static void SetUpTestSuite() {
    testing_support::TempDir dir;
    const std::string path = (dir.Path() / "sound.mdb").string();
    const Bytes empty = BuildDatabase(database::TemplateDatabase());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(empty.data()), std::streamsize(empty.size()));
    {
      Database db(path);
      db.Begin();
      for (int i = 0; i < 1000; ++i) {
        const std::string n = std::to_string(i);
        db.Execute(u"insert into IP values('1.0.0.0','1.0.0.255'," + std::u16string(n.begin(), n.end()) +
                   u",2,'中国','地区')");
      }
      db.Commit();
    }
    std::ifstream in(path, std::ios::binary);
    FSound = Bytes(std::istreambuf_iterator<char>(in), {});

    MemoryPageSource source(FSound);
    DatabaseReader reader(source, path);
    FMarks.definition = reader.FindTable(u"IP")->DefinitionPage();
    FMarks.ownedMap = reader.ReadTableDefinition(FMarks.definition).ownedMap;
    const auto pages = reader.DataPages(FMarks.definition, reader.ReadTableDefinition(FMarks.definition));
    FMarks.firstDataPage = pages.front();
    FMarks.lastDataPage = pages.back();
    FMarks.catalogPage = RowPointerPage(reader.Catalog().front().rowPointer);
    for (const auto& maps : reader.ReadTableDefinition(catalog::kMSysObjectsPage).longValueMaps)
      if (maps.columnId == catalog::objects::kLvProp)
        FMarks.propertiesPage = ListUsageMapPages(reader.RowBytes(maps.ownedMap), maps.ownedMap, source).front();
    FMarks.creationDate = reader.Header().creationDate;
  }

  static Bytes FSound;
  static Landmarks FMarks;
};

Bytes DamagedFile::FSound;
Landmarks DamagedFile::FMarks;

void ExpectCorruptAt(const std::function<void()>& action, uint32_t page, const char* what) {
  const std::string prefix = "数据库文件已损坏：第 " + std::to_string(page) + " 页";
  try {
    action();
    ADD_FAILURE() << what << " accepted the damaged file";
  } catch (const JetError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::Corrupt) << what << ": " << e.what();
    EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << what << ": " << e.what();
  }
}

TEST_P(DamagedFile, IsRefusedNamingThePageAndLeftUntouched) {
  Bytes damaged = FSound;
  const uint32_t page = GetParam().damage(damaged, FMarks);
  ASSERT_NE(damaged, FSound);
  testing_support::TempDir dir;
  const std::string path = (dir.Path() / "damaged.mdb").string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(damaged.data()), std::streamsize(damaged.size()));

  // Reading every row of every table meets the damage.
  ExpectCorruptAt(
      [&] {
        MappedFilePageSource source(path);
        DatabaseReader reader(source, path);
        for (const auto& entry : reader.Catalog())
          if (entry.IsTable()) reader.ReadRows(entry.DefinitionPage());
      },
      page, "the reader");

  if (GetParam().refusedOnOpen) {
    ExpectCorruptAt([&] { Database db(path); }, page, "opening");
  } else {
    // The writer does not depend on the damaged page: rows still go onto the last page.
    Database db(path);
    db.Execute(u"insert into IP values('2.0.0.0','2.0.0.255',1,2,'中国','地区')");
  }
  if (GetParam().refusedOnOpen) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), damaged);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedFile, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ipmdb::jet
