// The lines of one text database, as a view of its file: loading reads the file once to find
// where its text ends and how many lines it holds, and the lines themselves are read again, a
// chunk at a time, when a Reader hands them out. So memory does not grow with the file: a list
// holds a descriptor, the line count and the start of every kIndexStride-th line; a reader holds
// one chunk. The bytes are not decoded: lines are GBK byte strings.
//
// Line rules: a line ends at CR, at LF or at the pair CR LF (one break); LF followed by CR is two
// breaks with an empty line between them. The text ends at the end of the file or at its first
// NUL byte, whichever comes first. A break at the very end of the text adds no empty last line;
// empty lines elsewhere stay. Lines never hold CR or LF.
//
// A file that is not a regular file (a FIFO, a device, a socket) can be read only once: loading
// copies its text into an unlinked temporary file, which goes with the list. A regular file is
// read where it lies. Should it change after loading, readers notice it before they hand out the
// last line of the block of kIndexStride lines that holds the change: loading keeps a digest of
// every block, and a reader compares the bytes it read with it (see LineList.cpp for why a digest
// and not the file's size and times). A file cut shorter or a NUL inside the text is noticed
// where it is read. Each is EngineError InputChanged naming the file and the line. Bytes added at
// the end are ignored.
//
// Threads: a LineList does not change after loading; any number of threads may each use their
// own Reader on it at once. The list must outlive its readers.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/InputFile.h"

namespace ipmdb::engine {

class LineList {
 public:
  // Bytes read at once, by the loading and by every reader.
  static constexpr size_t kChunkSize = size_t(1) << 20;
  // Every kIndexStride-th line's start is kept, so that readers can check where they are, and the
  // digest of the block of kIndexStride lines that starts there.
  static constexpr size_t kIndexStride = 1000;

  LineList() = default;
  LineList(LineList&& other) noexcept = default;
  LineList& operator=(LineList&& other) noexcept = default;
  LineList(const LineList&) = delete;
  LineList& operator=(const LineList&) = delete;

  // The lines of the bytes, held in an anonymous temporary file. chunkSize (at least 2, so that a
  // chunk holds a CR and what follows it): for tests that put breaks across chunk boundaries.
  static LineList FromBytes(std::string_view bytes, size_t chunkSize = kChunkSize);

  // Reads the file up to its first NUL (or its end) and counts its lines. Anything a path can
  // name is read: a FIFO, whose open never waits for a writer, or a device (/dev/zero gives no
  // lines). Throws EngineError (CannotOpenFile) with the message:
  //   Cannot open file "<absolute path>". <the system's error text>
  // stop, when given, is a stop request that any thread may set: it is looked at before every
  // read, at least every 100 ms while the file has nothing to give, and once the text is read;
  // once seen, EngineError (Stopped) ends the load.
  static LineList LoadFile(const std::string& path, const std::atomic<bool>* stop = nullptr,
                           size_t chunkSize = kChunkSize);

  size_t Count() const { return FCount; }
  bool Empty() const { return FCount == 0; }

  // Calls fn(std::string_view line) for every line in order, each line whole: a line longer
  // than a chunk is read into memory for its call. For tools and tests; the worker uses a
  // Reader, which hands out long lines by their place.
  template <typename LineFn>
  void ForEachLine(LineFn&& fn) const;

  // One line as a Reader hands it out: where it lies in the text and how long it is, without its
  // break. A line that fits in one chunk comes whole in `bytes`, valid until the reader's next
  // call; a longer one has empty `bytes` and is read in pieces with Reader::ReadPieces.
  struct Line {
    uint64_t offset = 0;
    uint64_t length = 0;
    std::string_view bytes;
    bool Whole() const { return bytes.size() == length; }
  };

  // A 64-bit digest of bytes fed in pieces: the same bytes give the same digest however they are
  // cut into pieces, so that loading and reading, whose chunks fall differently, agree.
  class Digest {
   public:
    void Feed(const char* data, size_t size);
    uint64_t Value() const;

   private:
    uint64_t FState = 0;
    uint64_t FSize = 0;
    char FTail[8] = {};  // the first FSize % 8 bytes of a word not yet complete
  };

  // Hands out the lines from the first on, in order. One thread at a time.
  //
  // Each block of kIndexStride lines is checked against loading's digest once its last line has
  // been handed out, before Next returns that line: a block of whole lines by the bytes Next read,
  // the very bytes its lines' views show. A line longer than a chunk is read again by ReadPieces
  // after Next, so a block that holds one is checked by ConfirmBlocks, which reads the whole block
  // once more, after those reads. So what was made of a block's lines is known to come from the
  // loaded text once its last line was handed out and ConfirmBlocks has returned.
  class Reader {
   public:
    explicit Reader(const LineList& list);
    // The next line; false after the last. Throws EngineError InputChanged (see above), also for
    // a block with a long line that was left unconfirmed.
    bool Next(Line& line);
    // Checks the block with a long line whose last line was handed out, if any (see above).
    // Throws EngineError InputChanged.
    void ConfirmBlocks();
    // Index of the line Next handed out last.
    size_t LineIndex() const { return FNextLine - 1; }
    // The line's bytes: its view when it came whole, else read into `storage`.
    std::string_view Bytes(const Line& line, std::string& storage) {
      if (line.Whole()) return line.bytes;
      storage.clear();
      ReadPieces(line.offset, line.length, [&storage](std::string_view piece) { storage += piece; });
      return storage;
    }
    // Calls piece(bytes) for consecutive pieces of the text's bytes [offset, offset + length),
    // which must lie within a line handed out; each piece is valid during its call only.
    template <typename PieceFn>
    void ReadPieces(uint64_t offset, uint64_t length, PieceFn&& piece) {
      while (length > 0) {
        const std::string_view bytes = ReadPiece(offset, length);
        piece(bytes);
        offset += bytes.size();
        length -= bytes.size();
      }
    }

   private:
    static constexpr size_t kNone = ~size_t(0);

    void Fill();
    void DigestUpTo(size_t end);
    void EndBlock();
    void ConfirmBlock(size_t block);
    // Where a line ends in the chunk: its break (or the chunk's end), where the next line starts,
    // and whether more must be read before either is known.
    struct LineEnd {
      size_t at;
      size_t next;
      bool needMore;
    };
    LineEnd FindLineEnd(size_t from) const;
    void SkipLongLine(Line& line);
    std::string_view ReadPiece(uint64_t offset, uint64_t length);
    size_t ReadSome(uint64_t offset, char* to, size_t size, size_t line);

    const LineList& FList;
    std::vector<char> FChunk;  // the bytes [FChunkOffset, FChunkOffset + FChunkUsed) of the text
    uint64_t FChunkOffset = 0;
    size_t FChunkUsed = 0;
    size_t FPos = 0;  // in FChunk: where the next line starts
    size_t FNextLine = 0;
    std::vector<char> FPiece;
    Digest FDigest;                 // of the block's bytes before FChunk[FDigested]
    size_t FDigested = 0;
    bool FLongLineInBlock = false;
    size_t FUnconfirmed = kNone;    // the block ConfirmBlocks is to check
  };

 private:
  friend class Reader;

  static LineList Load(platform::InputFile input, const std::string& path, bool spool,
                       const std::atomic<bool>* stop, size_t chunkSize);
  [[noreturn]] void ThrowChanged(size_t line, bool shorter) const;
  uint64_t BlockEnd(size_t block) const;

  platform::InputFile FFile;  // the text, read at offsets
  std::string FPath;
  size_t FChunkSize = kChunkSize;
  uint64_t FTextSize = 0;  // bytes of the text: up to the first NUL or the end of the file
  size_t FCount = 0;
  std::vector<uint64_t> FIndex;    // FIndex[k] is where line k * kIndexStride starts
  std::vector<uint64_t> FDigests;  // FDigests[k]: of the bytes from FIndex[k] to the next block
};

template <typename LineFn>
void LineList::ForEachLine(LineFn&& fn) const {
  Reader reader(*this);
  Line line;
  std::string storage;
  while (reader.Next(line)) {
    fn(reader.Bytes(line, storage));
    reader.ConfirmBlocks();
  }
}

}  // namespace ipmdb::engine
