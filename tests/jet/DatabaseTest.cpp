#include "jet/Database.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "database/TableIP.h"
#include "jet/DatabaseBuilder.h"
#include "jet/DatabaseReader.h"
#include "jet/Error.h"
#include "jet/PageSource.h"
#include "jet/UsageMap.h"

namespace ipmdb::jet {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

NewDatabase TypesDatabase() {
  NewDatabase db;
  db.creationDate = 45000.5;
  db.tables = {{u"Types",
                {{u"b", ColumnType::Byte, 0, 0, false, {}},
                 {u"i", ColumnType::Integer, 0, 0, false, {}},
                 {u"l", ColumnType::Long, 0, 0, false, {}},
                 {u"c", ColumnType::Currency, 0, 0, false, {}},
                 {u"s", ColumnType::Single, 0, 0, false, {}},
                 {u"d", ColumnType::Double, 0, 0, false, {}},
                 {u"t", ColumnType::DateTime, 0, 0, false, {}},
                 {u"y", ColumnType::Boolean, 0, 0, false, {}},
                 {u"txt", ColumnType::Text, 20, 0, false, {}},
                 {u"m", ColumnType::Memo, 0, 0, true, {}},
                 {u"bin", ColumnType::Binary, 8, 0, false, {}}}}};
  return db;
}

class DatabaseFile : public ::testing::Test {
 protected:
  DatabaseFile() : FDir(fs::temp_directory_path() / ("ipmdb-db-" + std::to_string(::getpid()))) {
    fs::create_directories(FDir);
  }
  ~DatabaseFile() override { fs::remove_all(FDir); }

  std::string Make(const NewDatabase& description, const char* name = "t.mdb") {
    const fs::path path = FDir / name;
    WriteFile(path, BuildDatabase(description));
    return path.string();
  }
  std::string MakeTemplate() { return Make(database::TemplateDatabase()); }

  static std::vector<std::vector<StoredValue>> Rows(const std::string& path, std::u16string_view table) {
    MappedFilePageSource source(path);
    DatabaseReader reader(source, path);
    const CatalogEntry* entry = reader.FindTable(table);
    EXPECT_NE(entry, nullptr);
    return entry ? reader.ReadRows(entry->DefinitionPage()) : std::vector<std::vector<StoredValue>>{};
  }
  static uint32_t StoredRowCount(const std::string& path, std::u16string_view table) {
    MappedFilePageSource source(path);
    DatabaseReader reader(source, path);
    return reader.ReadTableDefinition(reader.FindTable(table)->DefinitionPage()).rowCount;
  }

  fs::path FDir;
};

std::u16string IpStatement(int i) {
  const std::u16string n = [&] {
    std::string s = std::to_string(i);
    return std::u16string(s.begin(), s.end());
  }();
  return u"insert into IP values('1.0." + n + u".0','1.0.3.255'," + n + u",4294967295,'中国','地区" + n + u"')";
}

TEST_F(DatabaseFile, ValuesOfTableIPReadBackExactly) {
  const std::string path = MakeTemplate();
  const std::u16string area(255, u'区');
  {
    Database db(path);
    db.Begin();
    db.Execute(u"insert into IP values('255.255.255.255','255.255.255.255',4294967295,4294967295,'中国','" + area + u"')");
    db.Execute(u"insert into IP values('','',0,0,'','')");
    db.Execute(u"INSERT INTO [IP] ([startip], endip, country) VALUES ('1.2.3.4', 'a''b', 'O''Hare')");
    db.Commit();
  }
  const auto rows = Rows(path, u"IP");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0].text, u"255.255.255.255");
  EXPECT_EQ(rows[0][2].real, 4294967295.0);
  EXPECT_EQ(rows[0][5].text, area);
  EXPECT_EQ(rows[1][0].kind, CellValue::Kind::Text);  // empty, not NULL
  EXPECT_TRUE(rows[1][0].text.empty());
  EXPECT_EQ(rows[1][2].real, 0.0);
  EXPECT_EQ(rows[2][1].text, u"a'b");
  EXPECT_EQ(rows[2][4].text, u"O'Hare");
  EXPECT_EQ(rows[2][2].kind, CellValue::Kind::Null);  // not named: NULL
  EXPECT_EQ(rows[2][5].kind, CellValue::Kind::Null);
  EXPECT_EQ(StoredRowCount(path, u"IP"), 3u);
}

TEST_F(DatabaseFile, EverySupportedTypeRoundTrips) {
  const std::string path = Make(TypesDatabase());
  {
    Database db(path);
    db.Execute(u"insert into Types values (255, -32768, 2147483647, 922337203685477.5807, 1.5, -1e300, "
               u"#1899-12-29 06:00:00#, true, 'abc', 'a memo', 0x00FF10)");
    db.Execute(u"insert into Types values (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  }
  const auto rows = Rows(path, u"Types");
  ASSERT_EQ(rows.size(), 2u);
  const auto& r = rows[0];
  EXPECT_EQ(r[0].integer, 255);
  EXPECT_EQ(r[1].integer, -32768);
  EXPECT_EQ(r[2].integer, 2147483647);
  EXPECT_EQ(r[3].integer, 9223372036854775807);
  EXPECT_EQ(r[4].real, 1.5);
  EXPECT_EQ(r[5].real, -1e300);
  EXPECT_EQ(r[6].real, -1.25);
  EXPECT_TRUE(r[7].boolean);
  EXPECT_EQ(r[8].text, u"abc");
  EXPECT_EQ(r[9].text, u"a memo");
  EXPECT_EQ(r[10].binary, (std::vector<uint8_t>{0x00, 0xFF, 0x10}));
  for (size_t c = 0; c < rows[1].size(); ++c)
    if (c != 7) {
      EXPECT_EQ(rows[1][c].kind, CellValue::Kind::Null) << c;
    }
  EXPECT_FALSE(rows[1][7].boolean);
}

// Past 512 pages the inline owned map cannot reach the new pages and turns into the reference
// form; every row stays readable in insertion order, and the global map follows the file.
TEST_F(DatabaseFile, ManyRowsStayInInsertionOrderAcrossTheReferenceMapSwitch) {
  const std::string path = MakeTemplate();
  constexpr int kRows = 30000;
  {
    Database db(path);
    for (int b = 0; b < kRows; b += 1000) {
      db.Begin();
      for (int i = b; i < b + 1000; ++i) db.Execute(IpStatement(i));
      db.Commit();
    }
  }
  const auto rows = Rows(path, u"IP");
  ASSERT_EQ(rows.size(), size_t(kRows));
  for (int i = 0; i < kRows; ++i) ASSERT_EQ(rows[i][2].real, double(i));
  EXPECT_EQ(StoredRowCount(path, u"IP"), uint32_t(kRows));

  MappedFilePageSource source(path);
  DatabaseReader reader(source, path);
  const auto table = reader.ReadTableDefinition(reader.FindTable(u"IP")->DefinitionPage());
  EXPECT_EQ(UsageMap::Decode(reader.RowBytes(table.ownedMap), table.ownedMap).GetForm(), UsageMap::Form::Reference);
  const auto freePages = ListUsageMapPages(reader.RowBytes(reader.Header().freeMapPointer), reader.Header().freeMapPointer, source);
  ASSERT_FALSE(freePages.empty());
  EXPECT_EQ(freePages.front(), source.PageCount());
}

TEST_F(DatabaseFile, RollbackRestoresTheFileAndTheNextCommitWorks) {
  const std::string path = MakeTemplate();
  Database db(path);
  db.Begin();
  for (int i = 0; i < 1000; ++i) db.Execute(IpStatement(i));
  db.Commit();
  const auto committed = ReadFile(path);
  db.Begin();
  for (int i = 1000; i < 3000; ++i) db.Execute(IpStatement(i));
  db.Rollback();
  EXPECT_EQ(ReadFile(path), committed);
  db.Begin();
  db.Execute(IpStatement(5000));
  db.Commit();
  const auto rows = Rows(path, u"IP");
  ASSERT_EQ(rows.size(), 1001u);
  EXPECT_EQ(rows[1000][2].real, 5000.0);
}

TEST_F(DatabaseFile, RefusedStatementsLeaveNoTraceAndTheTransactionGoesOn) {
  const std::string path = MakeTemplate();
  Database db(path);
  const auto before = ReadFile(path);
  struct Case {
    std::u16string sql;
    ErrorKind kind;
    const char* fragment;
  } cases[] = {
      {u"insert into Nope values (1)", ErrorKind::NotFound, "Nope"},
      {u"insert into IP (startip, nope) values ('a', 'b')", ErrorKind::NotFound, "nope"},
      {u"insert into IP values ('a')", ErrorKind::BadSql, "6"},
      {u"insert into IP (startip, STARTIP) values ('a', 'b')", ErrorKind::BadSql, "STARTIP"},
      {u"insert into IP values ('12345678901234567','b',1,2,'c','d')", ErrorKind::BadValue, "startip"},
      {u"insert into IP values ('a','b','x',2,'c','d')", ErrorKind::BadValue, "startid"},
      {u"delete from IP", ErrorKind::BadSql, ""},
      {u"insert into MSysObjects values (1)", ErrorKind::NotFound, "MSysObjects"},
  };
  for (const auto& c : cases) {
    try {
      db.Execute(c.sql);
      ADD_FAILURE() << "accepted";
    } catch (const JetError& e) {
      EXPECT_EQ(e.Kind(), c.kind) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.fragment), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(ReadFile(path), before);
  db.Begin();
  db.Execute(IpStatement(1));
  EXPECT_THROW(db.Execute(u"insert into IP values (1)"), JetError);
  db.Execute(IpStatement(2));
  db.Commit();
  EXPECT_EQ(Rows(path, u"IP").size(), 2u);
}

TEST_F(DatabaseFile, TransactionCallsOutOfOrderAreRefused) {
  Database db(MakeTemplate());
  EXPECT_THROW(db.Commit(), JetError);
  EXPECT_THROW(db.Rollback(), JetError);
  db.Begin();
  EXPECT_THROW(db.Begin(), JetError);
  db.Rollback();
}

TEST_F(DatabaseFile, SecondConnectionToTheSameFileIsRefused) {
  const std::string path = MakeTemplate();
  {
    Database first(path);
    try {
      Database second(path);
      FAIL();
    } catch (const JetError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::Locked);
    }
  }
  Database again(path);
}

TEST_F(DatabaseFile, FilesThatAreNotJet4AreRefusedAndLeftUntouched) {
  const auto good = BuildDatabase(database::TemplateDatabase());
  std::vector<uint8_t> jet3 = good;
  jet3[0x14] = 0x00;
  std::vector<uint8_t> garbage(8192, 0x42);
  std::vector<uint8_t> truncated(good.begin(), good.begin() + 4 * 4096);
  std::vector<uint8_t> odd(good.begin(), good.begin() + 5000);
  for (const auto& bytes : {jet3, garbage, truncated, odd, std::vector<uint8_t>{}}) {
    const fs::path path = FDir / "bad.mdb";
    WriteFile(path, bytes);
    EXPECT_THROW(Database db(path.string()), JetError);
    EXPECT_EQ(ReadFile(path), bytes);
  }
  EXPECT_THROW(Database db((FDir / "missing.mdb").string()), JetError);
  EXPECT_FALSE(fs::exists(FDir / "missing.mdb"));
}

}  // namespace
}  // namespace ipmdb::jet
