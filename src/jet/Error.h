// The one failure type of the Jet engine: a kind that callers may branch on and a finished,
// user-readable message (Chinese, naming the file, table, column or page concerned) that no
// caller parses. A failure of a system call also keeps the call's errno, so that a caller can
// name the reason in its own words; damage found in the file keeps the page, and the row on it,
// that its message names, so that a caller can place it without reading the text. The failure
// types of the layers above take the same shape, KindedError, over kinds of their own.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace ipmdb::jet {

enum class ErrorKind {
  Io,           // a read, write, sync or lock call of the system failed
  DiskFull,     // a write failed for lack of room or a file-size limit
  Corrupt,      // the file's bytes contradict the format
  NotJet4,      // the file is not a Jet 4 database at all (Jet 3, ACE, garbage, truncated)
  Locked,       // another connection holds the database
  BadSql,       // the statement text cannot be parsed or is not supported
  BadValue,     // a value cannot be converted to its column's type or does not fit
  NotFound,     // an unknown table or column
  Misuse,       // the call is not allowed in the current state (no transaction, closed, ...)
  Unsupported,  // a valid file feature this engine does not handle
};

// Where in the file damage lies: a page, and a row of it when the damage is a row's.
struct ErrorPlace {
  uint32_t page;
  std::optional<uint32_t> row;
};

// A layer's failure type over the layer's own kinds (the Jet engine's, the conversion engine's,
// the command line's): a kind that callers may branch on and a finished message that no caller
// parses.
template <typename KindType>
class KindedError : public std::runtime_error {
 public:
  KindedError(KindType kind, const std::string& message) : std::runtime_error(message), FKind(kind) {}
  KindType Kind() const { return FKind; }

 private:
  KindType FKind;
};

class JetError : public KindedError<ErrorKind> {
 public:
  JetError(ErrorKind kind, const std::string& message, int systemError = 0)
      : KindedError(kind, message), FSystemError(systemError) {}
  JetError(ErrorKind kind, const std::string& message, std::optional<ErrorPlace> place)
      : KindedError(kind, message), FPlace(place) {}
  // The errno of the system call that failed; 0 when the failure is not a system call's.
  int SystemError() const { return FSystemError; }
  // The page and row the message names first; nothing when it names none.
  const std::optional<ErrorPlace>& Place() const { return FPlace; }

 private:
  int FSystemError = 0;
  std::optional<ErrorPlace> FPlace;
};

// Every message about a damaged file opens the same way and then names the page (and row) where
// the damage lies: "数据库文件已损坏：第 N 页…" or "数据库文件已损坏：第 N 页第 R 行…".
inline constexpr char kCorruptPrefix[] = "数据库文件已损坏：";
inline std::string PageText(uint32_t page) { return "第 " + std::to_string(page) + " 页"; }
inline std::string RowText(uint32_t page, uint32_t row) { return PageText(page) + "第 " + std::to_string(row) + " 行"; }
inline std::string PlaceText(const ErrorPlace& place) {
  return place.row ? RowText(place.page, *place.row) : PageText(place.page);
}
inline JetError CorruptPage(uint32_t page, const std::string& what) {
  return JetError(ErrorKind::Corrupt, kCorruptPrefix + PageText(page) + what, ErrorPlace{page, std::nullopt});
}
inline JetError CorruptRow(uint32_t page, uint32_t row, const std::string& what) {
  return JetError(ErrorKind::Corrupt, kCorruptPrefix + RowText(page, row) + what, ErrorPlace{page, row});
}

}  // namespace ipmdb::jet
