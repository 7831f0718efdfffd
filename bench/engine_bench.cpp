// Throughput of the conversion engine's text side on a full-size text database (530,000
// generated lines): loading, parsing and statement building together and apart, and the GBK
// decoding of the finished statements that the batch executor and the CLI do.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/Gbk.h"
#include "engine/InsertStatement.h"
#include "engine/LineList.h"
#include "engine/ParseLine.h"
#include "gen-textdb/TextDbGenerator.h"

namespace {

using namespace ipmdb;

// The generated input file, written once per run of the program and removed at its end.
class BenchInput {
 public:
  BenchInput()
      : FPath((std::filesystem::temp_directory_path() / ("ipmdb-engine-bench-" + std::to_string(::getpid()) + ".txt"))
                  .string()) {
    tools::WriteTextDatabase({tools::kDefaultLines, 1}, FPath);
  }
  ~BenchInput() { std::filesystem::remove(FPath); }
  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};

const BenchInput& Input() {
  static const BenchInput input;
  return input;
}

const engine::LineList& Lines() {
  static const engine::LineList lines = engine::LineList::LoadFile(Input().Path());
  return lines;
}

const std::vector<std::string>& Statements() {
  static const std::vector<std::string> statements = [] {
    std::vector<std::string> built;
    Lines().ForEachLine([&built](std::string_view line) {
      engine::BuildInsertStatement(engine::ParseLine(line), built.emplace_back());
    });
    return built;
  }();
  return statements;
}

void ConvertLines(const engine::LineList& lines, std::string& statement) {
  lines.ForEachLine([&statement](std::string_view line) {
    statement.clear();
    engine::BuildInsertStatement(engine::ParseLine(line), statement);
    benchmark::DoNotOptimize(statement.data());
    benchmark::ClobberMemory();
  });
}

void LoadParseAndBuild(benchmark::State& state) {
  std::string statement;
  int64_t lines = 0;
  for (auto _ : state) {
    const engine::LineList list = engine::LineList::LoadFile(Input().Path());
    ConvertLines(list, statement);
    lines += int64_t(list.Count());
  }
  state.SetItemsProcessed(lines);
}

void Load(benchmark::State& state) {
  int64_t lines = 0;
  for (auto _ : state) {
    const engine::LineList list = engine::LineList::LoadFile(Input().Path());
    benchmark::DoNotOptimize(list.Count());
    lines += int64_t(list.Count());
  }
  state.SetItemsProcessed(lines);
}

void ParseAndBuild(benchmark::State& state) {
  const engine::LineList& lines = Lines();
  std::string statement;
  for (auto _ : state) ConvertLines(lines, statement);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(lines.Count()));
}

template <typename Text, void (*Decode)(std::string_view, Text&)>
void DecodeStatements(benchmark::State& state) {
  const std::vector<std::string>& statements = Statements();
  int64_t bytes = 0;
  for (const std::string& statement : statements) bytes += int64_t(statement.size());
  Text text;
  for (auto _ : state) {
    for (const std::string& statement : statements) {
      text.clear();
      Decode(statement, text);
      benchmark::DoNotOptimize(text.data());
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(statements.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
}

void GbkToUtf16(benchmark::State& state) { DecodeStatements<std::u16string, engine::GbkToUtf16>(state); }
void GbkToUtf8(benchmark::State& state) { DecodeStatements<std::string, engine::GbkToUtf8>(state); }

BENCHMARK(LoadParseAndBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(Load)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseAndBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(GbkToUtf16)->Unit(benchmark::kMillisecond);
BENCHMARK(GbkToUtf8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
