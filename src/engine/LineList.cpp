// Loading a text database (counting its lines, spooling what cannot be read twice) and reading its
// lines back a chunk at a time.
#include "engine/LineList.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "engine/EngineError.h"
#include "platform/Path.h"

namespace ipmdb::engine {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// The line-break rules, for loading and reading alike: a line ends at CR, at LF or at the pair
// CR LF, which is one break.
struct LineBreak {
  const char* at;    // the break's first byte; the end of the bytes when they hold no break
  const char* next;  // where the line after it starts
  bool open;         // a CR that ends the bytes: an LF that comes next belongs to it
};

LineBreak BreakAt(const char* at, const char* end) {
  if (at == end) return {end, end, false};
  if (*at == kLf) return {at, at + 1, false};
  if (at + 1 == end) return {at, end, true};
  return {at, at[1] == kLf ? at + 2 : at + 1, false};
}

// Marks every byte of the word that lies below 14 (CR and LF among them) with its top bit: the
// classic test for a byte below n (n <= 128). Bytes of 0x80 and above are never marked. A borrow
// can mark a byte just above a marked one too, so a mark says only where to look.
constexpr uint64_t MarkBytesBelow14(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  return (word - kOnes * 14) & ~word & kOnes * 0x80;
}

// The first break in [from, end). Sixteen bytes at a time are passed over while none of them is
// marked; the marked bytes of the rest are looked at in the order they lie in, the lowest mark
// being the first byte on the little-endian machines this is built for.
LineBreak NextBreak(const char* from, const char* end) {
  static_assert(std::endian::native == std::endian::little);
  const char* at = from;
  for (; end - at >= 16; at += 16) {
    uint64_t words[2];
    std::memcpy(words, at, sizeof words);
    const uint64_t marks[2] = {MarkBytesBelow14(words[0]), MarkBytesBelow14(words[1])};
    if ((marks[0] | marks[1]) == 0) continue;
    for (size_t half = 0; half < 2; ++half) {
      for (uint64_t m = marks[half]; m != 0; m &= m - 1) {
        const char* byte = at + 8 * half + std::countr_zero(m) / 8;
        if (*byte == kCr || *byte == kLf) return BreakAt(byte, end);
      }
    }
  }
  while (at < end && *at != kCr && *at != kLf) ++at;
  return BreakAt(at, end);
}

[[noreturn]] void ThrowCannotOpen(const std::string& path, const platform::SystemFailure& failure) {
  throw EngineError(EngineErrorKind::CannotOpenFile,
                    "Cannot open file \"" + platform::AbsolutePath(path) + "\". " + failure.Text());
}

[[noreturn]] void ThrowStopped(const std::string& path) {
  throw EngineError(EngineErrorKind::Stopped, "读取文本IP数据库“" + platform::AbsolutePath(path) + "”时收到了停止请求。");
}

bool StopRequested(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(); }

// Where a text that can be read only once is kept for the readers: a file without a name in the
// temporary folder, so that nothing is left behind whatever ends the process.
platform::InputFile CreateSpool(const std::string& path) {
  platform::InputFile spool;
  std::string folder;
  if (const auto failure = spool.CreateTemporary(folder)) {
    throw EngineError(EngineErrorKind::CannotOpenFile, "无法读取“" + platform::AbsolutePath(path) + "”：无法在文件夹“" + folder +
                                                           "”中建立暂存它的临时文件。" + failure.Text());
  }
  return spool;
}

void WriteSpool(platform::InputFile& spool, const char* data, size_t size, const std::string& path) {
  if (const auto failure = spool.Write(data, size)) {
    throw EngineError(EngineErrorKind::CannotOpenFile,
                      "无法读取“" + platform::AbsolutePath(path) + "”：暂存它的临时文件无法写入。" + failure.Text());
  }
}

// A text read where it lies can be rewritten while it is converted, and a reader must notice
// before the rows made of a changed block are kept. The file's size, modification and change times
// taken before and after each read cannot prove that: a rewrite of the same size within the times'
// granularity (a second on some file systems, a clock tick on others) leaves them all as they were.
// So loading keeps a digest of each block's bytes, and a reader compares the bytes it read with it.
// It costs one multiplication per eight bytes on either side, next to the line breaks' search
// that already passes over every byte.
//
// Each step is a bijection of the state for a given word and of the word for a given state, so a
// change confined to one word always changes the digest; any other change goes unnoticed with a
// chance of about 2^-64.
uint64_t Mix(uint64_t state, uint64_t word) {
  state = (state ^ word) * 0x9E3779B97F4A7C15ULL;
  return state ^ (state >> 29);
}

// Counts the lines of a text fed to it in consecutive pieces, notes where every kIndexStride-th
// line starts and takes the digest of each block. A CR that ends one piece is a break whose
// length the next piece decides, and so is the end of a block that ends with that line.
class LineCounter {
 public:
  LineCounter(std::vector<uint64_t>& index, std::vector<uint64_t>& digests) : FIndex(index), FDigests(digests) {
    FIndex.assign(1, 0);
    FDigests.clear();
  }

  void Feed(const char* data, size_t size) {
    if (size == 0) return;
    const char* const end = data + size;
    const char* p = data;
    const char* digested = data;  // the bytes before it are in FDigest
    if (FCrPending) {
      FCrPending = false;
      if (*p == kLf) {
        ++p;
        ++FLineStart;
        if (FCount % LineList::kIndexStride == 0) ++FIndex.back();
      }
      if (FBlockEndPending) EndBlock(digested, p);
    }
    for (LineBreak found = NextBreak(p, end); found.at != end; found = NextBreak(found.next, end)) {
      FCrPending = found.open;
      EndLine(FOffset + uint64_t(found.next - data));
      if (FCount % LineList::kIndexStride == 0) {
        if (FCrPending) {
          FBlockEndPending = true;
        } else {
          EndBlock(digested, found.next);
        }
      }
    }
    FDigest.Feed(digested, size_t(end - digested));
    FOffset += size;
  }

  // The text has ended: a last line without a break counts too, a break at the very end adds no
  // line, and the last block ends. Returns the count.
  size_t Finish() {
    if (FBlockEndPending) CloseBlock();
    if (FLineStart < FOffset) ++FCount;
    FIndex.resize((FCount + LineList::kIndexStride - 1) / LineList::kIndexStride);
    if (FDigests.size() < FIndex.size()) FDigests.push_back(FDigest.Value());
    return FCount;
  }

 private:
  void EndLine(uint64_t nextStart) {
    ++FCount;
    FLineStart = nextStart;
    if (FCount % LineList::kIndexStride == 0) FIndex.push_back(nextStart);
  }

  // The block ends before `upTo`; the bytes from `digested` on are its last.
  void EndBlock(const char*& digested, const char* upTo) {
    FDigest.Feed(digested, size_t(upTo - digested));
    digested = upTo;
    CloseBlock();
  }

  void CloseBlock() {
    FDigests.push_back(FDigest.Value());
    FDigest = {};
    FBlockEndPending = false;
  }

  std::vector<uint64_t>& FIndex;
  std::vector<uint64_t>& FDigests;
  LineList::Digest FDigest;  // of the block being counted
  uint64_t FOffset = 0;      // of the next byte fed
  uint64_t FLineStart = 0;   // of the line being counted
  size_t FCount = 0;         // lines ended so far
  bool FCrPending = false;
  bool FBlockEndPending = false;  // the block's last line ends in the CR that ended the last piece
};

}  // namespace

void LineList::Digest::Feed(const char* data, size_t size) {
  size_t held = size_t(FSize % 8);
  FSize += size;
  if (held > 0) {
    const size_t take = std::min(size, 8 - held);
    std::memcpy(FTail + held, data, take);
    data += take;
    size -= take;
    held += take;
    if (held < 8) return;
    uint64_t word;
    std::memcpy(&word, FTail, 8);
    FState = Mix(FState, word);
  }
  for (; size >= 8; data += 8, size -= 8) {
    uint64_t word;
    std::memcpy(&word, data, 8);
    FState = Mix(FState, word);
  }
  std::memcpy(FTail, data, size);
}

// The bytes of a last word that is not complete, with zeros after them, then the length, so that
// trailing zeros count.
uint64_t LineList::Digest::Value() const {
  char last[8] = {};
  std::memcpy(last, FTail, size_t(FSize % 8));
  uint64_t word;
  std::memcpy(&word, last, 8);
  return Mix(Mix(FState, word), FSize);
}

LineList LineList::FromBytes(std::string_view bytes, size_t chunkSize) {
  platform::InputFile file = CreateSpool("");
  WriteSpool(file, bytes.data(), bytes.size(), "");
  if (const auto failure = file.Rewind()) ThrowCannotOpen("", failure);
  return Load(std::move(file), "", false, nullptr, chunkSize);
}

LineList LineList::LoadFile(const std::string& path, const std::atomic<bool>* stop, size_t chunkSize) {
  platform::InputFile file;
  if (const auto failure = file.Open(path)) ThrowCannotOpen(path, failure);
  bool regular = false;
  if (const auto failure = file.IsRegular(regular)) ThrowCannotOpen(path, failure);
  return Load(std::move(file), path, !regular, stop, chunkSize);
}

// Reads the text once, from the file's start to its first NUL or its end, counting its lines
// and, for a file that cannot be read again, copying it into the spool. Every read waits for at
// most InputFile::kWaitMilliseconds, so that neither a FIFO without a writer nor a slow writer
// can keep a stop request waiting. A regular file is always ready.
LineList LineList::Load(platform::InputFile input, const std::string& path, bool spool,
                        const std::atomic<bool>* stop, size_t chunkSize) {
  platform::InputFile copy = spool ? CreateSpool(path) : platform::InputFile();
  LineList list;
  list.FPath = path;
  list.FChunkSize = chunkSize;
  LineCounter counter(list.FIndex, list.FDigests);
  std::vector<char> chunk(chunkSize);
  for (;;) {
    if (StopRequested(stop)) ThrowStopped(path);
    size_t n = 0;
    bool ended = false;
    if (const auto failure = input.ReadWaiting(chunk.data(), chunk.size(), n, ended)) ThrowCannotOpen(path, failure);
    if (ended) break;
    if (n == 0) continue;
    const void* nul = std::memchr(chunk.data(), '\0', n);
    const size_t text = nul ? size_t(static_cast<const char*>(nul) - chunk.data()) : n;
    counter.Feed(chunk.data(), text);
    if (spool) WriteSpool(copy, chunk.data(), text, path);
    list.FTextSize += text;
    if (nul) break;
  }
  list.FCount = counter.Finish();
  // Counting a large text takes a while; a request that came meanwhile still stops the load.
  if (StopRequested(stop)) ThrowStopped(path);
  list.FFile = spool ? std::move(copy) : std::move(input);
  return list;
}

void LineList::ThrowChanged(size_t line, bool shorter) const {
  const std::string where = "文本IP数据库“" + platform::AbsolutePath(FPath) + "”在读取过程中";
  const std::string number = std::to_string(line + 1);
  throw EngineError(EngineErrorKind::InputChanged,
                    shorter ? where + "被截短了：第 " + number + " 行起的内容已经不在文件里。"
                            : where + "被改动了：从第 " + number + " 行起，内容与开始读取时不同。");
}

LineList::Reader::Reader(const LineList& list) : FList(list), FChunk(list.FChunkSize) {}

bool LineList::Reader::Next(Line& line) {
  if (FNextLine == FList.FCount) return false;
  ConfirmBlocks();
  const uint64_t start = FChunkOffset + FPos;
  if (FNextLine % kIndexStride == 0 && FList.FIndex[FNextLine / kIndexStride] != start)
    FList.ThrowChanged(FNextLine, false);
  for (;;) {
    const LineEnd found = FindLineEnd(FPos);
    if (!found.needMore) {
      // A line never starts at the end of the text: a break there adds none.
      if (start == FList.FTextSize) FList.ThrowChanged(FNextLine, false);
      line = {start, found.at - FPos, std::string_view(FChunk.data() + FPos, found.at - FPos)};
      FPos = found.next;
      break;
    }
    if (FPos > 0) {
      // The line runs on past the chunk: it moves to the front, and more is read behind it.
      DigestUpTo(FPos);
      FDigested = 0;
      std::memmove(FChunk.data(), FChunk.data() + FPos, FChunkUsed - FPos);
      FChunkOffset += FPos;
      FChunkUsed -= FPos;
      FPos = 0;
    } else if (FChunkUsed == FChunk.size()) {
      SkipLongLine(line);
      break;
    }
    Fill();
  }
  ++FNextLine;
  // The last line must end where the text does.
  if (FNextLine == FList.FCount && FChunkOffset + FPos != FList.FTextSize) FList.ThrowChanged(FNextLine, false);
  if (FNextLine % kIndexStride == 0 || FNextLine == FList.FCount) EndBlock();
  return true;
}

void LineList::Reader::DigestUpTo(size_t end) {
  FDigest.Feed(FChunk.data() + FDigested, end - FDigested);
  FDigested = end;
}

// The line handed out last ends its block: the bytes up to the next line's start are the block's.
void LineList::Reader::EndBlock() {
  const size_t block = (FNextLine - 1) / kIndexStride;
  DigestUpTo(FPos);
  const uint64_t digest = FDigest.Value();
  FDigest = {};
  if (std::exchange(FLongLineInBlock, false)) {
    FUnconfirmed = block;
  } else if (digest != FList.FDigests[block]) {
    FList.ThrowChanged(block * kIndexStride, false);
  }
}

void LineList::Reader::ConfirmBlocks() {
  if (FUnconfirmed != kNone) ConfirmBlock(std::exchange(FUnconfirmed, kNone));
}

// Reads the block's bytes once more, with the piece buffer, which holds nothing between calls.
void LineList::Reader::ConfirmBlock(size_t block) {
  if (FPiece.empty()) FPiece.resize(FList.FChunkSize);
  const size_t first = block * kIndexStride;
  Digest digest;
  for (uint64_t offset = FList.FIndex[block], end = FList.BlockEnd(block); offset < end;) {
    const size_t n = ReadSome(offset, FPiece.data(), size_t(std::min<uint64_t>(FPiece.size(), end - offset)), first);
    digest.Feed(FPiece.data(), n);
    offset += n;
  }
  if (digest.Value() != FList.FDigests[block]) FList.ThrowChanged(first, false);
}

uint64_t LineList::BlockEnd(size_t block) const {
  return block + 1 < FIndex.size() ? FIndex[block + 1] : FTextSize;
}

// Reads on behind the bytes in the chunk, up to the chunk's size or the end of the text.
void LineList::Reader::Fill() {
  const uint64_t from = FChunkOffset + FChunkUsed;
  const size_t size = size_t(std::min<uint64_t>(FChunk.size() - FChunkUsed, FList.FTextSize - from));
  FChunkUsed += ReadSome(from, FChunk.data() + FChunkUsed, size, FNextLine);
}

// The end of the line that starts at `from` in the chunk. needMore: the chunk ends before the
// text does and either holds no break or ends in a CR, which may be the first half of CR LF.
LineList::Reader::LineEnd LineList::Reader::FindLineEnd(size_t from) const {
  const char* chunk = FChunk.data();
  const char* end = chunk + FChunkUsed;
  const LineBreak found = NextBreak(chunk + from, end);
  const bool textEnds = FChunkOffset + FChunkUsed == FList.FTextSize;
  return {size_t(found.at - chunk), size_t(found.next - chunk), !textEnds && (found.at == end || found.open)};
}

// A line that fills the whole chunk: its bytes are passed over, chunk by chunk, to its break,
// and only its place is handed out. Its block is left to ConfirmBlocks.
void LineList::Reader::SkipLongLine(Line& line) {
  const uint64_t start = FChunkOffset;
  FLongLineInBlock = true;
  for (;;) {
    const LineEnd found = FindLineEnd(0);
    if (!found.needMore) {
      line = {start, FChunkOffset + found.at - start, {}};
      FPos = found.next;
      return;
    }
    // Keeps a final CR, whose partner may come next; drops everything else.
    const size_t keep = found.at < FChunkUsed ? 1 : 0;
    DigestUpTo(FChunkUsed - keep);
    FDigested = 0;
    if (keep) FChunk[0] = FChunk[found.at];
    FChunkOffset += FChunkUsed - keep;
    FChunkUsed = keep;
    Fill();
  }
}

std::string_view LineList::Reader::ReadPiece(uint64_t offset, uint64_t length) {
  if (FPiece.empty()) FPiece.resize(FList.FChunkSize);
  const size_t size = size_t(std::min<uint64_t>(length, FPiece.size()));
  return {FPiece.data(), ReadSome(offset, FPiece.data(), size, LineIndex())};
}

// Up to `size` (> 0) of the text's bytes from `offset`, as many as the file still holds before
// its end or a NUL: neither lies inside the text as loading found it, so either is a change made
// meanwhile, reported once the line being read (`line`) needs bytes beyond it. Returns how many
// bytes it read, at least one.
size_t LineList::Reader::ReadSome(uint64_t offset, char* to, size_t size, size_t line) {
  size_t done = 0;
  while (done < size) {
    size_t n = 0;
    if (const auto failure = FList.FFile.ReadAt(offset + done, to + done, size - done, n)) {
      throw EngineError(EngineErrorKind::CannotOpenFile, "读取文本IP数据库“" + platform::AbsolutePath(FList.FPath) +
                                                             "”失败：" + failure.Text());
    }
    if (n == 0) break;
    done += n;
  }
  if (const void* nul = std::memchr(to, '\0', done)) {
    done = size_t(static_cast<const char*>(nul) - to);
    if (done == 0) FList.ThrowChanged(line, false);
  }
  if (done == 0) FList.ThrowChanged(line, true);
  return done;
}

}  // namespace ipmdb::engine
