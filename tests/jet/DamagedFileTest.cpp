// A converted database, with a second table "Keyed" whose primary key another engine wrote, with
// a few bytes changed, one kind of damage at a time. The integrity
// check must report a problem on a line that begins with the damaged page. Where the engine needs
// the damaged structure it must refuse the file with a corruption error naming that page: on
// open when the writer depends on it (and the file then stays exactly as it was), on reading
// the rows otherwise. Under the sanitizers any read or write outside a page ends the test.
#include <gtest/gtest.h>

#include <algorithm>
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
#include "jet/IndexPage.h"
#include "jet/IntegrityCheck.h"
#include "jet/PageLayout.h"
#include "jet/PageSource.h"
#include "jet/SystemCatalog.h"
#include "jet/TableDefinition.h"
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
  uint32_t idIndexPage = 0;     // the one leaf of MSysObjects' Id index
  uint32_t keyedDefinition = 0;
  uint32_t keyedIndexPage = 0;  // the one leaf of Keyed's primary key
  double creationDate = 0;
};

// An entry of MSysObjects' Id index, or of Keyed's primary key: the flag, the four bytes of a
// Long key, the row pointer.
constexpr size_t kIdEntrySize = 1 + 4 + indexpage::kRowPointerSize;
constexpr size_t kLongKeySize = 1 + 4;
constexpr int kKeyedRows = 50;

uint8_t* PageOf(Bytes& file, uint32_t page) { return file.data() + size_t(page) * kPageSize; }

// The bytes of a live row, inside the file.
uint8_t* RowOf(Bytes& file, uint32_t page, uint16_t row) {
  return PageOf(file, page) + DataPageSlot(PageOf(file, page), row).offset;
}

// What the engine does with the damaged file.
enum class Engine {
  RefusesOpen,  // the writer depends on the damaged structure
  RefusesRead,  // only reading the rows meets it; the writer goes on
  Ignores,      // the engine does not look there (counts, index order) or refuses otherwise
};

struct DamageCase {
  const char* name;
  std::function<uint32_t(Bytes&, const Landmarks&)> damage;  // returns the page to be named
  Engine engine;
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
       Engine::RefusesOpen},
      {"FreeSpaceOfTheLastDataPageTooLarge",
       [](Bytes& f, const Landmarks& l) {
         PutU16(PageOf(f, l.lastDataPage) + datapage::kFreeSpaceOffset, uint16_t(datapage::kEmptyFreeSpace));
         return l.lastDataPage;
       },
       Engine::RefusesOpen},
      {"RowOffsetOfTheLastDataPageBelowTheOffsetTable",
       [](Bytes& f, const Landmarks& l) {
         uint8_t* page = PageOf(f, l.lastDataPage);
         PutU16(page + RowSlotOffset(DataPageRowCount(page) - 1), 0x0010);
         return l.lastDataPage;
       },
       Engine::RefusesOpen},
      {"RowOffsetOutsideTheFirstDataPage",
       [](Bytes& f, const Landmarks& l) {
         PutU16(PageOf(f, l.firstDataPage) + RowSlotOffset(0), datapage::kRowOffsetMask);
         return l.firstDataPage;
       },
       Engine::RefusesRead},
      {"RowCountOffByOne",
       [](Bytes& f, const Landmarks& l) {
         uint8_t* count = PageOf(f, l.definition) + tdef::kRowCountOffset;
         PutU32(count, GetU32(count) + 1);
         return l.definition;
       },
       Engine::Ignores},
      {"FileCutShortInsideItsLastPage",
       [](Bytes& f, const Landmarks&) {
         f.resize(f.size() - kPageSize / 2);
         return uint32_t(f.size() / kPageSize);
       },
       Engine::Ignores},
      {"DataPageZeroed",
       [](Bytes& f, const Landmarks& l) {
         std::fill_n(PageOf(f, l.firstDataPage + 1), kPageSize, 0);
         return l.firstDataPage + 1;
       },
       Engine::RefusesRead},
      {"ColumnCountOfARowChanged",
       [](Bytes& f, const Landmarks& l) {
         uint8_t* row = RowOf(f, l.firstDataPage, 3);
         PutU16(row, uint16_t(GetU16(row) + 1));
         return l.firstDataPage;
       },
       Engine::RefusesRead},
      {"OwnedMapBitForATableDefinition",
       [](Bytes& f, const Landmarks& l) {
         uint8_t* map = RowOf(f, RowPointerPage(l.ownedMap), uint16_t(RowPointerRow(l.ownedMap)));
         const uint32_t page = catalog::kMSysACEsPage;
         map[usagemap::kBitmapOffset + page / 8] |= uint8_t(1u << (page % 8));
         return RowPointerPage(l.ownedMap);
       },
       Engine::RefusesRead},
      {"CatalogIndexEntriesSwapped",
       [](Bytes& f, const Landmarks& l) {
         // The Id index of MSysObjects: one leaf of equally long entries; the first two change places.
         uint8_t* entries = PageOf(f, l.idIndexPage) + indexpage::kEntriesOffset;
         std::swap_ranges(entries, entries + kIdEntrySize, entries + kIdEntrySize);
         return l.idIndexPage;
       },
       Engine::Ignores},
      {"CreationDateOutOfRange",
       [](Bytes& f, const Landmarks& l) {
         // The date lies in the masked part of the header: change it through the mask.
         uint8_t clear[8], wanted[8];
         PutDouble(clear, l.creationDate);
         PutDouble(wanted, 1e300);
         for (size_t i = 0; i < 8; ++i) f[header::kCreationDateOffset + i] ^= uint8_t(clear[i] ^ wanted[i]);
         return 0u;
       },
       Engine::RefusesOpen},
      {"DefinitionContinuesOnItself",
       [](Bytes& f, const Landmarks& l) {
         PutU32(PageOf(f, l.definition) + tdef::kNextPageOffset, l.definition);
         return l.definition;
       },
       Engine::RefusesOpen},
      {"OwnedMapListsAPagePastTheEnd",
       [](Bytes& f, const Landmarks& l) {
         const uint32_t page = 400;  // inside the inline map's 512 pages, outside the file
         uint8_t* map = RowOf(f, RowPointerPage(l.ownedMap), uint16_t(RowPointerRow(l.ownedMap)));
         map[usagemap::kBitmapOffset + page / 8] |= uint8_t(1u << (page % 8));
         return RowPointerPage(l.ownedMap);
       },
       Engine::RefusesOpen},
      {"OwnedMapNamesATableDefinitionAsBitmapPage",
       [](Bytes& f, const Landmarks& l) {
         uint8_t* map = RowOf(f, RowPointerPage(l.ownedMap), uint16_t(RowPointerRow(l.ownedMap)));
         map[usagemap::kTypeOffset] = usagemap::kReference;
         PutU32(map + usagemap::kReferencePagesOffset, l.definition);
         return RowPointerPage(l.ownedMap);
       },
       Engine::RefusesOpen},
      {"OwnedMapPointerNamesATableRow",
       [](Bytes& f, const Landmarks& l) {
         PutU32(PageOf(f, l.definition) + tdef::kOwnedMapOffset, MakeRowPointer(l.firstDataPage, 0));
         return l.firstDataPage;
       },
       Engine::RefusesOpen},
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
       Engine::RefusesOpen},
      {"RowCountOfTheCatalogPageBeyondItsOffsetTable",
       [](Bytes& f, const Landmarks& l) {
         PutU16(PageOf(f, l.catalogPage) + datapage::kRowCountOffset, 4000);
         return l.catalogPage;
       },
       Engine::RefusesOpen},
      {"OverflowRowPointsAtItself",
       [](Bytes& f, const Landmarks& l) {
         uint8_t* entry = PageOf(f, l.firstDataPage) + RowSlotOffset(0);
         PutU16(entry, uint16_t(GetU16(entry) | datapage::kRowOverflowFlag));
         PutU32(RowOf(f, l.firstDataPage, 0), MakeRowPointer(l.firstDataPage, 0));
         return l.firstDataPage;
       },
       Engine::RefusesRead},
      {"DataPageOfAnotherTableInTheOwnedMap",
       [](Bytes& f, const Landmarks& l) {
         PutU32(PageOf(f, l.firstDataPage) + datapage::kOwnerOffset, catalog::kMSysACEsPage);
         return l.firstDataPage;
       },
       Engine::RefusesRead},
      {"IndexEntryOfAUserTableMissing",
       [](Bytes& f, const Landmarks& l) {
         // The last entry of Keyed's primary key is cut off the entry area.
         uint8_t* page = PageOf(f, l.keyedIndexPage);
         const size_t end = kKeyedRows * kIdEntrySize;
         page[indexpage::kEntryEndBitmapOffset + end / 8] &= uint8_t(~(1u << (end % 8)));
         PutU16(page + indexpage::kFreeSpaceOffset, uint16_t(GetU16(page + indexpage::kFreeSpaceOffset) + kIdEntrySize));
         return l.keyedIndexPage;
       },
       Engine::Ignores},
      {"IndexEntriesOfAUserTableSwapped",
       [](Bytes& f, const Landmarks& l) {
         uint8_t* entries = PageOf(f, l.keyedIndexPage) + indexpage::kEntriesOffset + 5 * kIdEntrySize;
         std::swap_ranges(entries, entries + kIdEntrySize, entries + kIdEntrySize);
         return l.keyedIndexPage;
       },
       Engine::Ignores},
      {"PrimaryKeyTwice",
       [](Bytes& f, const Landmarks& l) {
         // The seventh row's key becomes the sixth's; the entries stay in order by row pointer.
         uint8_t* entries = PageOf(f, l.keyedIndexPage) + indexpage::kEntriesOffset + 5 * kIdEntrySize;
         std::copy_n(entries, kLongKeySize, entries + kIdEntrySize);
         return l.keyedIndexPage;
       },
       Engine::Ignores},
  };
  return cases;
}

// Gives the table a primary key over its first column (a Long), as another engine writes one:
// a leaf root page with an entry for each row, added at the end of the file, and the index's map
// as a new row of the holder page of the table's own maps; the global map no longer lists the
// new page as free.
void AddPrimaryKey(Bytes& file, uint32_t definition) {
  MemoryPageSource source(file);
  DatabaseReader reader(source, "keyed.mdb");
  const uint32_t globalMap = reader.Header().freeMapPointer;
  uint8_t* globalRow = RowOf(file, RowPointerPage(globalMap), uint16_t(RowPointerRow(globalMap)));
  UsageMap free = UsageMap::Decode({globalRow, usagemap::kRowSize}, globalMap);
  free.Set(uint32_t(file.size() / kPageSize), false);
  const Bytes freeRow = free.Encode();
  std::copy(freeRow.begin(), freeRow.end(), globalRow);
  TableDefinition table = reader.ReadTableDefinition(definition);
  const auto values = reader.ReadRows(definition);
  std::vector<IndexEntry> entries;
  for (uint32_t page : reader.DataPages(definition, table)) {
    for (uint16_t r = 0; r < DataPageRowCount(PageOf(file, page)); ++r) {
      IndexEntry entry;
      AppendLongKey(int32_t(values[entries.size()][0].integer), entry);
      AppendEntryRowPointer(page, uint8_t(r), entry);
      entries.push_back(std::move(entry));
    }
  }
  RealIndexDefinition key;
  key.columns = {{0, tdef::kIndexColumnAscending}};
  key.rootPage = uint32_t(file.size() / kPageSize);
  key.flags = tdef::kIndexUnique | tdef::kIndexRequired | tdef::kIndexAlwaysSet;
  key.uniqueCount = uint32_t(entries.size());
  const Bytes leaf = EncodeLeafPage(definition, std::move(entries));
  file.insert(file.end(), leaf.begin(), leaf.end());
  UsageMap pages = UsageMap::MakeInline(0);
  pages.Set(key.rootPage, true);
  const uint32_t holder = RowPointerPage(table.ownedMap);
  key.usageMap = MakeRowPointer(holder, AppendDataPageRow(PageOf(file, holder), pages.Encode()));
  table.realIndexes.push_back(key);
  table.logicalIndexes.push_back({u"PrimaryKey", 0, 0, tdef::kIndexKindPrimaryKey});
  const uint32_t definitionPages[] = {definition};
  const auto images = LayOutTableDefinitionPages(EncodeTableDefinition(table), definitionPages);
  std::copy(images.front().begin(), images.front().end(), PageOf(file, definition));
}

class DamagedFile : public ::testing::TestWithParam<DamageCase> {
 protected:
  static void SetUpTestSuite() {
    testing_support::TempDir dir;
    const std::string path = (dir.Path() / "sound.mdb").string();
    NewDatabase layout = database::TemplateDatabase();
    NewTable keyed{u"Keyed", {NewColumn{}, NewColumn{}}};
    keyed.columns[0].name = u"Id";
    keyed.columns[1].name = u"Name";
    keyed.columns[1].type = ColumnType::Text;
    keyed.columns[1].length = 40;
    layout.tables.push_back(keyed);
    const Bytes empty = BuildDatabase(layout);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(empty.data()), std::streamsize(empty.size()));
    {
      Database db(path);
      db.Begin();
      for (int i = 0; i < 1000; ++i) {
        const std::string n = std::to_string(i);
        db.Execute(u"insert into IP values('1.0.0.0','1.0.0.255'," + std::u16string(n.begin(), n.end()) +
                   u",2,'中国','地区')");
      }
      for (int i = 0; i < kKeyedRows; ++i) {
        const std::string n = std::to_string(i * 10);
        db.Execute(u"insert into Keyed values(" + std::u16string(n.begin(), n.end()) + u",'x')");
      }
      db.Commit();
    }
    std::ifstream in(path, std::ios::binary);
    FSound = Bytes(std::istreambuf_iterator<char>(in), {});

    MemoryPageSource source(FSound);
    DatabaseReader reader(source, path);
    FMarks.keyedDefinition = reader.FindTable(u"Keyed")->DefinitionPage();
    FMarks.keyedIndexPage = uint32_t(FSound.size() / kPageSize);
    AddPrimaryKey(FSound, FMarks.keyedDefinition);
    FMarks.definition = reader.FindTable(u"IP")->DefinitionPage();
    FMarks.ownedMap = reader.ReadTableDefinition(FMarks.definition).ownedMap;
    const auto pages = reader.DataPages(FMarks.definition, reader.ReadTableDefinition(FMarks.definition));
    FMarks.firstDataPage = pages.front();
    FMarks.lastDataPage = pages.back();
    FMarks.catalogPage = RowPointerPage(reader.Catalog().front().rowPointer);
    const TableDefinition objects = reader.ReadTableDefinition(catalog::kMSysObjectsPage);
    for (const auto& maps : objects.longValueMaps)
      if (maps.columnId == catalog::objects::kLvProp)
        FMarks.propertiesPage = ListUsageMapPages(reader.RowBytes(maps.ownedMap), maps.ownedMap, source).front();
    for (const auto& index : objects.logicalIndexes)
      if (index.name == u"Id") FMarks.idIndexPage = objects.realIndexes[index.realIndex].rootPage;
    FMarks.creationDate = reader.Header().creationDate;
  }

  static Bytes FSound;
  static Landmarks FMarks;
};

Bytes DamagedFile::FSound;
Landmarks DamagedFile::FMarks;

// The engine's refusal: a corruption error that opens with a page and names the damaged one.
void ExpectCorruptNaming(const std::function<void()>& action, uint32_t page, const char* what) {
  try {
    action();
    ADD_FAILURE() << what << " accepted the damaged file";
  } catch (const JetError& e) {
    const std::string message = e.what();
    EXPECT_EQ(e.Kind(), ErrorKind::Corrupt) << what << ": " << message;
    EXPECT_EQ(message.rfind(std::string(kCorruptPrefix) + "第 ", 0), 0u) << what << ": " << message;
    EXPECT_NE(message.find(PageText(page)), std::string::npos) << what << ": " << message;
    ASSERT_TRUE(e.Place()) << what << ": " << message;
    EXPECT_EQ(message.rfind(kCorruptPrefix + PlaceText(*e.Place()), 0), 0u) << what << ": " << message;
  }
}

TEST_P(DamagedFile, IsReportedAndRefusedNamingThePage) {
  Bytes damaged = FSound;
  const uint32_t page = GetParam().damage(damaged, FMarks);
  ASSERT_NE(damaged, FSound);
  testing_support::TempDir dir;
  const std::string path = (dir.Path() / "damaged.mdb").string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(damaged.data()), std::streamsize(damaged.size()));

  std::vector<std::string> problems;
  CheckDatabaseFile(path, [&](const std::string& line) { problems.push_back(line); });
  EXPECT_TRUE(std::any_of(problems.begin(), problems.end(),
                          [&](const std::string& line) { return line.rfind(PageText(page), 0) == 0; }))
      << "no problem reported on " << PageText(page) << "; reported: " << ::testing::PrintToString(problems);

  if (GetParam().engine == Engine::Ignores) return;
  ExpectCorruptNaming(
      [&] {
        MappedFilePageSource source(path);
        DatabaseReader reader(source, path);
        for (const auto& entry : reader.Catalog())
          if (entry.IsTable()) reader.ReadRows(entry.DefinitionPage());
      },
      page, "the reader");
  if (GetParam().engine == Engine::RefusesOpen) {
    ExpectCorruptNaming([&] { Database db(path); }, page, "opening");
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), damaged);
  } else {
    Database db(path);
    db.Execute(u"insert into IP values('2.0.0.0','2.0.0.255',1,2,'中国','地区')");
  }
}

// The engine does not maintain indexes, so it refuses a table that has one, whatever the row,
// before anything changes; the check finds the table's index sound.
TEST_F(DamagedFile, IndexedTableIsRefused) {
  testing_support::TempDir dir;
  const std::string path = (dir.Path() / "keyed.mdb").string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(FSound.data()), std::streamsize(FSound.size()));
  std::vector<std::string> problems;
  CheckDatabaseFile(path, [&](const std::string& line) { problems.push_back(line); });
  EXPECT_EQ(problems, std::vector<std::string>{});
  {
    Database db(path);
    try {
      db.Execute(u"insert into Keyed values(10,'the key of the second row')");
      ADD_FAILURE() << "a row was inserted into a table with a primary key";
    } catch (const JetError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::Unsupported);
      EXPECT_NE(std::string(e.what()).find("表“Keyed”"), std::string::npos) << e.what();
    }
  }
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), FSound);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedFile, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ipmdb::jet
