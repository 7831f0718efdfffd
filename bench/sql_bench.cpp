// Cost of the statement side of an insert: parsing the INSERT text and converting its literals
// to the column types, over a run-sized set of 530,000 varied statements of the shape a
// converter executes: insert into IP values('a.b.c.d','a.b.c.d',n,n,'country','area').
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "jet/InsertParser.h"
#include "jet/ValueConverter.h"

namespace ipmdb::jet {
namespace {

constexpr size_t kStatementCount = 530000;

// Invented place and network names of the lengths real range databases carry.
constexpr std::array<std::u16string_view, 12> kCountries{u"中国",   u"美国",   u"日本",   u"福建省", u"广东省",
                                                         u"浙江省", u"北京市", u"上海市", u"德国",   u"澳大利亚",
                                                         u"湖南省长沙市", u"四川省成都市"};
constexpr std::array<std::u16string_view, 10> kAreas{u"",
                                                     u"电信",
                                                     u"联通",
                                                     u"厦门市 电信ADSL",
                                                     u"星河大学 图书馆",
                                                     u"蓝湾网络科技有限公司 数据中心",
                                                     u"O''Leary 咖啡网吧",
                                                     u"移动 (全省通用)",
                                                     u"青石路 光明小区 宽带",
                                                     u"云帆信息 IDC 机房"};

std::u16string DottedAddress(uint32_t address) {
  std::string text = std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
                     std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
  return std::u16string(text.begin(), text.end());
}

std::u16string Decimal(uint32_t value) {
  std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

// Sorted, non-overlapping ranges of varied widths, as in a range database.
std::vector<std::u16string> MakeStatements() {
  std::mt19937 random(20240131);
  std::vector<std::u16string> statements;
  statements.reserve(kStatementCount);
  uint32_t start = 16777216;
  for (size_t i = 0; i < kStatementCount; ++i) {
    uint32_t width = 1u << (random() % 13);
    uint32_t end = start + width - 1;
    std::u16string sql = u"insert into IP values('" + DottedAddress(start) + u"','" + DottedAddress(end) + u"'," +
                         Decimal(start) + u"," + Decimal(end) + u",'" +
                         std::u16string(kCountries[random() % kCountries.size()]) + u"','" +
                         std::u16string(kAreas[random() % kAreas.size()]) + u"')";
    statements.push_back(std::move(sql));
    start = end + 1 + random() % 64;
  }
  return statements;
}

const std::vector<std::u16string>& Statements() {
  static const std::vector<std::u16string> statements = MakeStatements();
  return statements;
}

// The six columns of table IP in their order.
const std::array<ColumnTarget, 6> kColumns{{{"IP", "startip", ColumnType::Text, 32},
                                            {"IP", "endip", ColumnType::Text, 32},
                                            {"IP", "startid", ColumnType::Double, 8},
                                            {"IP", "endid", ColumnType::Double, 8},
                                            {"IP", "country", ColumnType::Text, 256},
                                            {"IP", "local", ColumnType::Text, 510}}};

void BM_Parse(benchmark::State& state) {
  const std::vector<std::u16string>& statements = Statements();
  InsertParser parser;
  for (auto _ : state) {
    for (const std::u16string& sql : statements) benchmark::DoNotOptimize(parser.Parse(sql).values.data());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(statements.size()));
}
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond);

// One statement over and over: the parser's own cost, with the text always in cache.
void BM_ParseOneStatement(benchmark::State& state) {
  const std::u16string sql = u"insert into IP values('1.0.1.0','1.0.3.255',16777472,16778239,'中国','福建省')";
  InsertParser parser;
  for (auto _ : state) benchmark::DoNotOptimize(parser.Parse(sql).values.data());
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_ParseOneStatement);

void BM_ParseAndConvert(benchmark::State& state) {
  const std::vector<std::u16string>& statements = Statements();
  InsertParser parser;
  ValueConverter converter;
  for (auto _ : state) {
    for (const std::u16string& sql : statements) {
      const InsertStatement& statement = parser.Parse(sql);
      converter.Reset();
      for (size_t i = 0; i < statement.values.size(); ++i) {
        CellValue value = converter.Convert(statement.values[i], kColumns[i]);
        benchmark::DoNotOptimize(value);
      }
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(statements.size()));
}
BENCHMARK(BM_ParseAndConvert)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ipmdb::jet

BENCHMARK_MAIN();
