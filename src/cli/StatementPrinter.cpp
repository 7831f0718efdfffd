// The --sql mode: statements built line by line, collected into one large buffer and written
// with few calls.
#include "cli/StatementPrinter.h"

#include <cerrno>
#include <string>

#include "cli/CliError.h"
#include "cli/Texts.h"
#include "engine/Gbk.h"
#include "engine/InsertStatement.h"
#include "engine/ParseLine.h"
#include "engine/SystemError.h"

namespace ipmdb::cli {
namespace {

// Output is handed to the system in chunks of about this size.
constexpr size_t kChunkBytes = 1 << 20;

[[noreturn]] void ThrowWriteFailed(int error) {
  throw CliError(CliErrorKind::Output, Arg(Tr("无法写入标准输出：%1"), {engine::SystemErrorText(error)}));
}

void Write(const std::string& bytes, std::FILE* out) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) ThrowWriteFailed(errno);
}

}  // namespace

void PrintStatements(const engine::LineList& lines, std::FILE* out) {
  std::string statement;
  std::string chunk;
  chunk.reserve(kChunkBytes * 2);
  lines.ForEachLine([&](std::string_view line) {
    statement.clear();
    engine::BuildInsertStatement(engine::ParseLine(line), statement);
    engine::GbkToUtf8(statement, chunk);
    chunk.push_back('\n');
    if (chunk.size() >= kChunkBytes) {
      Write(chunk, out);
      chunk.clear();
    }
  });
  Write(chunk, out);
  if (std::fflush(out) != 0) ThrowWriteFailed(errno);
}

}  // namespace ipmdb::cli
