#include "database/Connection.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "jet/Database.h"

namespace ipmdb::database {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

bool NeedsQuotes(std::string_view value) {
  if (value.find_first_of(";\"'") != std::string_view::npos) return true;
  return !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
}

std::string Quoted(std::string_view value) {
  const char quote = value.find('"') == std::string_view::npos ? '"' : '\'';
  std::string quoted(1, quote);
  for (const char c : value) {
    if (c == quote) quoted += quote;
    quoted += c;
  }
  quoted += quote;
  return quoted;
}

// The value that starts at `at`, just after its key's '='. Leaves `at` on the ';' that ends the
// pair, or at the end of the text.
std::string ReadValue(const std::string& text, size_t& at, const std::string& key) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  if (at == text.size() || (text[at] != '"' && text[at] != '\'')) {
    const size_t end = std::min(text.find(';', at), text.size());
    std::string value = Trim(std::string_view(text).substr(at, end - at));
    at = end;
    return value;
  }
  const char quote = text[at++];
  std::string value;
  for (;; ++at) {
    if (at == text.size())
      throw ConnectionError(jet::ErrorKind::Misuse, "连接字符串中“" + key + "”的值缺少结束引号。");
    if (text[at] == quote) {
      if (at + 1 == text.size() || text[at + 1] != quote) break;
      ++at;  // a doubled quote stands for one
    }
    value += text[at];
  }
  for (++at; at < text.size() && IsBlank(text[at]);) ++at;
  if (at < text.size() && text[at] != ';')
    throw ConnectionError(jet::ErrorKind::Misuse, "连接字符串中“" + key + "”的值在结束引号之后还有其他字符。");
  return value;
}

}  // namespace

std::string FormatConnectionString(const std::string& path) {
  return std::string("Provider=") + kJetProvider + ";Data Source=" + (NeedsQuotes(path) ? Quoted(path) : path) +
         ";Persist Security Info=False";
}

ConnectionSettings ParseConnectionString(const std::string& text) {
  ConnectionSettings settings;
  size_t at = 0;
  while (at < text.size()) {
    const size_t equals = text.find('=', at);
    const size_t semicolon = std::min(text.find(';', at), text.size());
    if (equals == std::string::npos || semicolon < equals) {
      const std::string part = text.substr(at, semicolon - at);
      if (!Trim(part).empty())
        throw ConnectionError(jet::ErrorKind::Misuse, "连接字符串中的“" + part + "”缺少“=”。");
      at = semicolon + 1;
      continue;
    }
    const std::string key = Trim(std::string_view(text).substr(at, equals - at));
    at = equals + 1;
    std::string value = ReadValue(text, at, key);
    ++at;  // past the ';'
    const std::string lowerKey = Lower(key);
    if (lowerKey == "provider") {
      settings.provider = std::move(value);
    } else if (lowerKey == "data source") {
      settings.dataSource = std::move(value);
      settings.hasDataSource = true;
    }
  }
  return settings;
}

Connection::Connection(const jet::DatabaseOptions& options, jet::Vfs& vfs) : FOptions(options), FVfs(vfs) {}

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
  FDatabase = std::make_unique<jet::Database>(settings.dataSource, FVfs, FOptions);
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

jet::StatementPreparer Connection::MakePreparer() { return jet::StatementPreparer(Require("准备语句")); }

void Connection::Insert(const jet::TableSchema& table, std::span<const uint8_t> row) {
  Require("插入行").Insert(table, row);
}

}  // namespace ipmdb::database
