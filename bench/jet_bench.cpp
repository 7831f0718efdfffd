// Throughput of the Jet engine on the statements of a full-size text database (530,000
// generated lines, turned into INSERT statements and UTF-16 the way the converter does):
// executing them in 1000-statement transactions that are rolled back (statement parsing, value
// conversion, row encoding and page filling, no disk), and the same with durable commits.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "database/Resources.h"
#include "engine/Gbk.h"
#include "engine/InsertStatement.h"
#include "engine/ParseLine.h"
#include "gen-textdb/TextDbGenerator.h"
#include "jet/Database.h"

namespace {

using namespace ipmdb;
namespace fs = std::filesystem;

const std::vector<std::u16string>& Statements() {
  static const std::vector<std::u16string> statements = [] {
    std::string text;
    tools::GenerateTextDatabase({tools::kDefaultLines, 1}, text);
    std::vector<std::u16string> out;
    std::string statement;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      statement.clear();
      engine::BuildInsertStatement(engine::ParseLine(std::string_view(text).substr(start, end - start)), statement);
      out.emplace_back();
      engine::GbkToUtf16(statement, out.back());
      start = end + 2;
    }
    return out;
  }();
  return statements;
}

// A fresh copy of the template database in the temporary folder.
std::string FreshDatabase() {
  const std::string path = (fs::temp_directory_path() / ("ipmdb-jet-bench-" + std::to_string(::getpid()) + ".mdb")).string();
  fs::remove(path + "-journal");
  if (!database::ExtractResourceToFile(database::kTemplateResourceType, database::kTemplateResourceName, path))
    throw std::runtime_error("cannot write " + path);
  return path;
}

void ExecuteAll(jet::Database& db, bool commit) {
  const auto& statements = Statements();
  for (size_t i = 0; i < statements.size(); i += 1000) {
    db.Begin();
    for (size_t k = i; k < i + 1000 && k < statements.size(); ++k) db.Execute(statements[k]);
    if (commit)
      db.Commit();
    else
      db.Rollback();
  }
}

void BM_ExecuteWithoutDisk(benchmark::State& state) {
  Statements();
  const std::string path = FreshDatabase();
  jet::Database db(path);
  for (auto _ : state) ExecuteAll(db, false);
  state.SetItemsProcessed(int64_t(state.iterations() * Statements().size()));
}
BENCHMARK(BM_ExecuteWithoutDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExecuteWithDurableCommits(benchmark::State& state) {
  Statements();
  for (auto _ : state) {
    state.PauseTiming();
    const std::string path = FreshDatabase();
    state.ResumeTiming();
    {
      jet::Database db(path);
      ExecuteAll(db, true);
    }
    state.PauseTiming();
    fs::remove(path);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(int64_t(state.iterations() * Statements().size()));
}
BENCHMARK(BM_ExecuteWithDurableCommits)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
