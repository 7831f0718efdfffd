// The lines of one text database, held as the file's bytes in a single buffer plus the offset
// where each line starts. The bytes are not decoded: lines are GBK byte strings.
//
// Line rules: a line ends at CR, at LF or at the pair CR LF (one break); LF followed by CR is two
// breaks with an empty line between them. The text ends at the end of the file or at its first
// NUL byte, whichever comes first. A break at the very end of the text adds no empty last line;
// empty lines elsewhere stay. Lines never hold CR or LF.
//
// Memory: the file's bytes (up to the first NUL) plus 8 bytes a line, plus one offset. Nothing
// after the first NUL is read, so a file of endless zeros is an empty text.
// A LineList is not changed after it is built, so any number of threads may read it at once. The
// views it hands out point into its buffer: they stay valid while the list exists and is neither
// assigned to nor moved from.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ipmdb::engine {

class LineList {
 public:
  LineList() = default;

  // Cuts the bytes of a whole file into lines.
  static LineList FromBytes(std::string bytes);

  // Reads the file up to its first NUL (or its end) and cuts that into lines. Anything a path can
  // name is read: a FIFO, whose open never waits for a writer, or a device (/dev/zero gives no
  // lines). Throws EngineError (CannotOpenFile) with the message:
  //   Cannot open file "<absolute path>". <the system's error text>
  // stop, when given, is a stop request that any thread may set: it is looked at before every
  // read, at least every 100 ms while the file has nothing to give, and once the lines are cut;
  // once seen, EngineError (Stopped) ends the load.
  static LineList LoadFile(const std::string& path, const std::atomic<bool>* stop = nullptr);

  size_t Count() const { return FStarts.empty() ? 0 : FStarts.size() - 1; }
  bool Empty() const { return Count() == 0; }

  // Line `index` without its break. Requires index < Count().
  std::string_view operator[](size_t index) const;

 private:
  std::string FText;
  // FStarts[i] is the offset of the first byte of line i; the extra last entry is the offset just
  // past the final line and its break. A line ends where the next one starts, less its break
  // bytes, which can be told from the bytes themselves because a line holds no CR or LF.
  std::vector<size_t> FStarts;
};

}  // namespace ipmdb::engine
