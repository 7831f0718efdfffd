// Read access to the pages of a Jet file, for code that only reads: the reader, the dump tool,
// and the catalog loader of the engine (over its pager). Pointers returned by Page() stay valid
// as long as the source lives and no write happens through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ipmdb::jet {

class PageSource {
 public:
  virtual ~PageSource() = default;
  virtual uint32_t PageCount() = 0;
  // Throws ErrorKind::Corrupt for a page past the end of the file.
  virtual const uint8_t* Page(uint32_t page) = 0;
  // The pages read so far need not stay in memory: a reader that walks a whole large file calls
  // this now and then so that its memory does not grow with the file. Pointers handed out stay
  // valid; their bytes are read again when used.
  virtual void ReleaseMemory() {}
};

// A whole file held in memory (tests, generated templates).
class MemoryPageSource : public PageSource {
 public:
  explicit MemoryPageSource(std::vector<uint8_t> bytes);
  uint32_t PageCount() override;
  const uint8_t* Page(uint32_t page) override;

 private:
  std::vector<uint8_t> FBytes;
};

// A file mapped read-only; the file may be of any size the address space allows. Throws
// ErrorKind::Io when it cannot be opened or mapped or is no regular file (a FIFO is refused
// without waiting for a writer), ErrorKind::NotJet4 when it is shorter than a
// page or, unless `partialLastPage` is Ignore, when its size is not a multiple of the page size
// (Ignore maps the whole pages only; FileSize() still tells the true size).
class MappedFilePageSource : public PageSource {
 public:
  enum class PartialPage { Refuse, Ignore };
  explicit MappedFilePageSource(const std::string& path, PartialPage partialLastPage = PartialPage::Refuse);
  ~MappedFilePageSource() override;
  MappedFilePageSource(const MappedFilePageSource&) = delete;
  MappedFilePageSource& operator=(const MappedFilePageSource&) = delete;
  uint32_t PageCount() override;
  const uint8_t* Page(uint32_t page) override;
  void ReleaseMemory() override;
  uint64_t FileSize() const { return FFileSize; }

 private:
  std::string FPath;
  const uint8_t* FData = nullptr;
  size_t FSize = 0;  // mapped: whole pages
  uint64_t FFileSize = 0;
};

}  // namespace ipmdb::jet
