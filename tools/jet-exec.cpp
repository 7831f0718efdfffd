// Developer tool: executes INSERT statements on a database through the engine's connection, the
// way the converter does, for interop tests and benchmarks.
//
//   jet-exec [--batch N] [--stats] DATABASE [STATEMENTS]
//       STATEMENTS: UTF-8 text, one statement per line (blank lines are skipped), executed in
//       transactions of N statements (default 1000; 0: each statement on its own). Without
//       STATEMENTS the database is only opened and closed, which rolls back a journal left by a
//       crash. Exit status: 0 done; 1 a statement or the database failed; 2 wrong arguments, an
//       unreadable statement file, or a database that is damaged or not Jet 4.
//   jet-exec --new-test-database PATH
//       Writes a new database holding table IP and table Types, a column of every supported type.
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "database/TableIP.h"
#include "jet/DatabaseBuilder.h"
#include "jet/Error.h"
#include "jet/Utf8.h"
#include "platform/Console.h"
#include "platform/Process.h"

namespace {

using ipmdb::jet::ColumnType;

ipmdb::jet::NewDatabase TestDatabase() {
  ipmdb::jet::NewDatabase db = ipmdb::database::TemplateDatabase();
  db.tables.push_back({u"Types",
                       {{u"b", ColumnType::Byte, 0, 0, false, {}},
                        {u"i", ColumnType::Integer, 0, 0, false, {}},
                        {u"l", ColumnType::Long, 0, 0, false, {}},
                        {u"c", ColumnType::Currency, 0, 0, false, {}},
                        {u"s", ColumnType::Single, 0, 0, false, {}},
                        {u"d", ColumnType::Double, 0, 0, false, {}},
                        {u"t", ColumnType::DateTime, 0, 0, false, {}},
                        {u"y", ColumnType::Boolean, 0, 0, false, {}},
                        {u"plain", ColumnType::Text, 40, 0, false, {}},
                        {u"packed", ColumnType::Text, 40, 0, true, {}},
                        {u"m", ColumnType::Memo, 0, 0, true, {}},
                        {u"bin", ColumnType::Binary, 16, 0, false, {}}}});
  return db;
}

int Usage() {
  ipmdb::platform::ConsoleErr() << "用法：jet-exec [--batch N] [--stats] 数据库 [语句文件]\n"
               "      jet-exec --new-test-database 输出文件\n";
  return 2;
}

int WriteTestDatabase(const std::string& path) {
  const auto bytes = ipmdb::jet::BuildDatabase(TestDatabase());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) {
    ipmdb::platform::ConsoleErr() << "无法写入文件“" << path << "”。\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  ipmdb::platform::PrepareProcess();
  std::vector<std::string> args = ipmdb::platform::Utf8Arguments(argc, argv);
  args.erase(args.begin());
  if (args.size() == 2 && args[0] == "--new-test-database") return WriteTestDatabase(args[1]);
  size_t batch = 1000;
  bool stats = false;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--batch" && i + 1 < args.size()) {
      const std::string& value = args[++i];
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), batch);
      if (value.empty() || error != std::errc() || end != value.data() + value.size()) {
        ipmdb::platform::ConsoleErr() << "jet-exec: --batch 的值“" << value << "”不是非负整数。\n";
        return Usage();
      }
    } else if (args[i] == "--stats") {
      stats = true;
    } else if (!args[i].empty() && args[i][0] == '-') {
      return Usage();
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.empty() || files.size() > 2) return Usage();

  std::vector<std::u16string> statements;
  if (files.size() == 2) {
    std::ifstream in(files[1], std::ios::binary);
    if (!in) {
      ipmdb::platform::ConsoleErr() << "无法打开语句文件“" << files[1] << "”。\n";
      return 2;
    }
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find_first_not_of(" \t") == std::string::npos) continue;
      statements.emplace_back();
      ipmdb::jet::AppendUtf16(statements.back(), line);
    }
  }

  try {
    ipmdb::database::Connection connection;
    connection.SetLoginPrompt(false);
    connection.SetConnectionString(ipmdb::database::FormatConnectionString(files[0]));
    const auto start = std::chrono::steady_clock::now();
    connection.Open();
    for (size_t i = 0; i < statements.size(); ++i) {
      if (batch && i % batch == 0) connection.BeginTrans();
      connection.Execute(statements[i]);
      if (batch && (i % batch == batch - 1 || i + 1 == statements.size())) connection.CommitTrans();
    }
    connection.Close();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (stats) {
      char figures[128];
      std::snprintf(figures, sizeof figures, "%zu 条语句，%.3f 秒，每秒 %.0f 条\n", statements.size(), seconds,
                    seconds > 0 ? double(statements.size()) / seconds : 0.0);
      ipmdb::platform::ConsoleErr() << figures;
    }
  } catch (const ipmdb::jet::JetError& e) {
    ipmdb::platform::ConsoleErr() << e.what() << "\n";
    // A damaged file, or one that is no Jet 4 database, is refused like unreadable input.
    const auto kind = e.Kind();
    return kind == ipmdb::jet::ErrorKind::Corrupt || kind == ipmdb::jet::ErrorKind::NotJet4 ? 2 : 1;
  } catch (const std::exception& e) {
    ipmdb::platform::ConsoleErr() << e.what() << "\n";
    return 1;
  }
  return 0;
}
