#include "database/Connection.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "jet/Database.h"

namespace ipmdb::database {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

struct ConnectionSettings {
  std::string provider;
  std::string dataSource;
  bool hasDataSource = false;
};

// Splits "key=value;key=value"; keys are compared without case, values are kept as written
// (a path may hold blanks, but not a semicolon, as in ADO's unquoted form).
ConnectionSettings ParseConnectionString(const std::string& text) {
  ConnectionSettings settings;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(start, end - start);
    start = end + 1;
    if (Trim(part).empty()) continue;
    const auto equals = part.find('=');
    if (equals == std::string::npos)
      throw ConnectionError(jet::ErrorKind::Misuse, "连接字符串中的“" + part + "”缺少“=”。");
    const std::string key = Lower(Trim(part.substr(0, equals)));
    const std::string value = part.substr(equals + 1);
    if (key == "provider") {
      settings.provider = Trim(value);
    } else if (key == "data source") {
      settings.dataSource = value;
      settings.hasDataSource = true;
    }
  }
  return settings;
}

}  // namespace

std::string FormatConnectionString(const std::string& path) {
  return std::string("Provider=") + kJetProvider + ";Data Source=" + path + ";Persist Security Info=False";
}

Connection::Connection(const jet::DatabaseOptions& options) : FOptions(options) {}

Connection::~Connection() { Close(); }

void Connection::SetConnectionString(const std::string& text) {
  if (IsOpen()) throw ConnectionError(jet::ErrorKind::Misuse, "连接已打开，不能再修改连接字符串。");
  FConnectionString = text;
}

bool Connection::IsOpen() const { return FDatabase != nullptr; }

void Connection::Open() {
  if (IsOpen()) throw ConnectionError(jet::ErrorKind::Misuse, "连接已经打开。");
  const ConnectionSettings settings = ParseConnectionString(FConnectionString);
  if (Lower(settings.provider) != Lower(kJetProvider))
    throw ConnectionError(jet::ErrorKind::Unsupported,
                          settings.provider.empty() ? std::string("连接字符串未指定数据提供程序（Provider）。")
                                                    : "不支持数据提供程序“" + settings.provider + "”，只支持 " +
                                                          kJetProvider + "。");
  if (!settings.hasDataSource || settings.dataSource.empty())
    throw ConnectionError(jet::ErrorKind::Misuse, "连接字符串未指定数据库文件（Data Source）。");
  FDatabase = std::make_unique<jet::Database>(settings.dataSource, jet::Vfs::Posix(), FOptions);
}

void Connection::Close() { FDatabase.reset(); }

jet::Database& Connection::Require(const char* action) {
  if (!FDatabase) throw ConnectionError(jet::ErrorKind::Misuse, std::string("连接尚未打开，无法") + action + "。");
  return *FDatabase;
}

bool Connection::InTransaction() const { return FDatabase && FDatabase->InTransaction(); }

void Connection::BeginTrans() {
  Require("开始事务").Begin();
}

void Connection::Execute(std::u16string_view statement, int options) {
  auto& db = Require("执行语句");
  if (options != adCmdText)
    throw ConnectionError(jet::ErrorKind::Unsupported, "只支持以文本形式（adCmdText）执行的命令。");
  db.Execute(statement);
}

void Connection::CommitTrans() {
  Require("提交事务").Commit();
}

void Connection::RollbackTrans() {
  Require("回滚事务").Rollback();
}

}  // namespace ipmdb::database
