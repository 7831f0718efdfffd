// Throughput of the Jet engine on the statements of a full-size text database (530,000
// generated lines, turned into INSERT statements and UTF-16 the way the converter does): parsing
// and row encoding alone; executing them in 1000-statement transactions that are rolled back
// (adds page filling, no disk); and the same with durable commits.
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
#include "jet/DatabaseReader.h"
#include "jet/InsertParser.h"
#include "jet/PageSource.h"
#include "jet/RowCodec.h"
#include "jet/ValueConverter.h"

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

// Parse every statement, convert its six values to the columns of IP and encode the row.
void BM_ParseAndEncode(benchmark::State& state) {
  Statements();
  const auto bytes = *database::FindResource(database::kTemplateResourceType, database::kTemplateResourceName);
  jet::MemoryPageSource source(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  jet::DatabaseReader reader(source, "template");
  const jet::TableDefinition table = reader.ReadTableDefinition(reader.FindTable(u"IP")->DefinitionPage());
  const jet::RowLayout layout(table, "IP");
  std::vector<jet::ColumnTarget> targets;
  for (const auto& c : table.columns) targets.push_back({"IP", "column", c.type, c.length});
  jet::InsertParser parser;
  jet::ValueConverter converter;
  std::vector<jet::CellValue> values(layout.ColumnCount());
  std::vector<uint8_t> row;
  for (auto _ : state) {
    for (const auto& statement : Statements()) {
      const jet::InsertStatement& parsed = parser.Parse(statement);
      converter.Reset();
      for (size_t i = 0; i < parsed.values.size(); ++i) values[i] = converter.Convert(parsed.values[i], targets[i]);
      jet::EncodeRow(layout, values, row);
      benchmark::DoNotOptimize(row.data());
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations() * Statements().size()));
}
BENCHMARK(BM_ParseAndEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

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
