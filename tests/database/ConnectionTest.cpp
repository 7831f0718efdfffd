#include "database/Connection.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "database/Resources.h"
#include "database/TableIP.h"
#include "jet/DatabaseReader.h"
#include "jet/PageSource.h"

namespace ipmdb::database {
namespace {

namespace fs = std::filesystem;

// Paths are UTF-8 here, as everywhere in the program; std::filesystem reads a narrow string in the
// ANSI code page on Windows, so the conversions go through char8_t.
fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8Of(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class ConnectionTest : public ::testing::Test {
 protected:
  ConnectionTest() : FDir(fs::temp_directory_path() / ("ipmdb-conn-" + std::to_string(::getpid()))) {
    fs::create_directories(FDir);
    FPath = Utf8Of(FDir / u8"数据 库.mdb");  // the path goes in verbatim, blanks and all
    EXPECT_TRUE(ExtractResourceToFile(kTemplateResourceType, kTemplateResourceName, FPath));
  }
  ~ConnectionTest() override { fs::remove_all(FDir); }

  void ExpectOpenFails(const std::string& connectionString, jet::ErrorKind kind, const char* fragment) {
    Connection c;
    c.SetLoginPrompt(false);
    c.SetConnectionString(connectionString);
    try {
      c.Open();
      ADD_FAILURE() << "opened: " << connectionString;
    } catch (const ConnectionError& e) {
      EXPECT_EQ(e.Kind(), kind) << e.what();
      EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
    EXPECT_FALSE(c.IsOpen());
  }

  fs::path FDir;
  std::string FPath;
};

TEST_F(ConnectionTest, OpensWithTheProvidersConnectionStringAndInsertsInTransactions) {
  Connection c;
  EXPECT_FALSE(c.IsOpen());
  c.SetLoginPrompt(false);
  EXPECT_FALSE(c.LoginPrompt());
  c.SetConnectionString(FormatConnectionString(FPath));
  EXPECT_EQ(c.ConnectionString(), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + FPath + ";Persist Security Info=False");
  c.Open();
  c.BeginTrans();
  c.Execute(u"insert into IP values('1.0.1.0','1.0.3.255',16777472,16778239,'中国','福建省')", adCmdText);
  c.CommitTrans();
  c.BeginTrans();
  c.Execute(u"insert into IP values('9','9',9,9,'x','y')");
  c.RollbackTrans();
  c.Close();
  jet::MappedFilePageSource source(FPath);
  jet::DatabaseReader reader(source, FPath);
  const auto rows = reader.ReadRows(reader.FindTable(kTableIP)->DefinitionPage());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][5].text, u"福建省");
}

TEST_F(ConnectionTest, KeysAreCaseInsensitive) {
  Connection c;
  c.SetConnectionString("provider=microsoft.jet.oledb.4.0; DATA SOURCE=" + FPath + "; persist security info=false");
  c.Open();
  EXPECT_TRUE(c.IsOpen());
}

TEST_F(ConnectionTest, BadConnectionStringsAndFilesAreRefusedAndLeftUntouched) {
  const auto before = ReadFile(PathOf(FPath));
  ExpectOpenFails("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + FPath, jet::ErrorKind::Unsupported,
                  "Microsoft.ACE.OLEDB.12.0");
  ExpectOpenFails("Data Source=" + FPath, jet::ErrorKind::Unsupported, "Provider");
  ExpectOpenFails("Provider=Microsoft.Jet.OLEDB.4.0", jet::ErrorKind::Misuse, "Data Source");
  ExpectOpenFails("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=", jet::ErrorKind::Misuse, "Data Source");
  ExpectOpenFails("Provider=Microsoft.Jet.OLEDB.4.0;nonsense", jet::ErrorKind::Misuse, "nonsense");
  ExpectOpenFails(FormatConnectionString((FDir / "missing.mdb").string()), jet::ErrorKind::Io, "missing.mdb");
  EXPECT_FALSE(fs::exists(FDir / "missing.mdb"));
  EXPECT_EQ(ReadFile(PathOf(FPath)), before);

  struct Bad {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<uint8_t> jet3 = before, ace = before;
  jet3[0x14] = 0;
  ace[0x14] = 3;
  const std::vector<Bad> files = {{"jet3.mdb", jet3},
                                  {"ace.accdb", ace},
                                  {"garbage.mdb", std::vector<uint8_t>(3 * 4096, 0x77)},
                                  {"truncated.mdb", std::vector<uint8_t>(before.begin(), before.begin() + 6000)}};
  for (const auto& bad : files) {
    const fs::path path = FDir / bad.name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bad.bytes.data()), std::streamsize(bad.bytes.size()));
    ExpectOpenFails(FormatConnectionString(path.string()), jet::ErrorKind::NotJet4, bad.name);
    EXPECT_EQ(ReadFile(path), bad.bytes) << bad.name;
  }
}

TEST(ConnectionString, EveryPathComesBackFromTheStringThatNamesIt) {
  // Ordinary paths go in as they are; the others are quoted, double quotes first.
  const struct {
    std::string path;
    std::string dataSource;  // as written into the string
  } cases[] = {
      {"/tmp/out.mdb", "/tmp/out.mdb"},
      {"/tmp/数据 库/输出.mdb", "/tmp/数据 库/输出.mdb"},
      {"a=b==c.mdb", "a=b==c.mdb"},
      {"x.mdb;Data Source=other.mdb", "\"x.mdb;Data Source=other.mdb\""},
      {"a;b.mdb", "\"a;b.mdb\""},
      {"O'Hare.mdb", "\"O'Hare.mdb\""},
      {"say \"hi\".mdb", "'say \"hi\".mdb'"},
      {"it's \"x\";'.mdb", "'it''s \"x\";''.mdb'"},
      {" lead and trail\t", "\" lead and trail\t\""},
      {"'", "\"'\""},
      {"\"", "'\"'"},
      {"中文；分号;=\"'.mdb", "'中文；分号;=\"''.mdb'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string text = FormatConnectionString(c.path);
    EXPECT_EQ(text, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + c.dataSource + ";Persist Security Info=False");
    const ConnectionSettings settings = ParseConnectionString(text);
    EXPECT_EQ(settings.provider, kJetProvider);
    EXPECT_TRUE(settings.hasDataSource);
    EXPECT_EQ(settings.dataSource, c.path);
  }
}

TEST(ConnectionString, HandWrittenFormsReadAsAdoReadsThem) {
  const struct {
    std::string text;
    std::string dataSource;
  } cases[] = {
      {"Data Source=  a b.mdb  ;", "a b.mdb"},
      {"data source = ' a;b ' ; provider=x", " a;b "},
      {"Data Source=\"a\"\"b\"", "a\"b"},
      {";;Data Source=first;Data Source=last;;", "last"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseConnectionString(c.text).dataSource, c.dataSource);
  }
  const struct {
    std::string text;
    std::string message;
  } bad[] = {
      {"Provider=x;nonsense", "连接字符串中的“nonsense”缺少“=”。"},
      {"Data Source=\"a.mdb", "连接字符串中“Data Source”的值缺少结束引号。"},
      {"Data Source='a''", "连接字符串中“Data Source”的值缺少结束引号。"},
      {"Data Source=\"a\"b;", "连接字符串中“Data Source”的值在结束引号之后还有其他字符。"},
  };
  for (const auto& c : bad) {
    SCOPED_TRACE(c.text);
    try {
      ParseConnectionString(c.text);
      ADD_FAILURE() << "no exception";
    } catch (const ConnectionError& e) {
      EXPECT_EQ(e.Kind(), jet::ErrorKind::Misuse);
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST_F(ConnectionTest, AnOpenConnectionHoldsTheFileAgainstOthersAndTheTemplateWriter) {
  Connection first;
  first.SetConnectionString(FormatConnectionString(FPath));
  first.Open();
  ExpectOpenFails(FormatConnectionString(FPath), jet::ErrorKind::Locked, "正被另一个连接使用");
  const auto before = ReadFile(PathOf(FPath));
  EXPECT_FALSE(ExtractResourceToFile(kTemplateResourceType, kTemplateResourceName, FPath));
  EXPECT_EQ(ReadFile(PathOf(FPath)), before);
  first.Close();
  EXPECT_TRUE(ExtractResourceToFile(kTemplateResourceType, kTemplateResourceName, FPath));
  Connection second;
  second.SetConnectionString(FormatConnectionString(FPath));
  second.Open();
}

TEST_F(ConnectionTest, CallsOnAClosedConnectionOrOutOfOrderFailWithAReason) {
  Connection c;
  EXPECT_THROW(c.BeginTrans(), ConnectionError);
  EXPECT_THROW(c.Execute(u"insert into IP values(1)"), ConnectionError);
  EXPECT_THROW(c.CommitTrans(), ConnectionError);
  c.SetConnectionString(FormatConnectionString(FPath));
  c.Open();
  EXPECT_THROW(c.SetConnectionString("x"), ConnectionError);
  EXPECT_THROW(c.Open(), ConnectionError);
  EXPECT_THROW(c.CommitTrans(), ConnectionError);
  EXPECT_THROW(c.Execute(u"insert into IP values('a','b',1,2,'c','d')", 4), ConnectionError);
}

}  // namespace
}  // namespace ipmdb::database
