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
// ErrorKind::Io when it cannot be opened or mapped, ErrorKind::NotJet4 when its size is not a
// positive multiple of the page size.
class MappedFilePageSource : public PageSource {
 public:
  explicit MappedFilePageSource(const std::string& path);
  ~MappedFilePageSource() override;
  MappedFilePageSource(const MappedFilePageSource&) = delete;
  MappedFilePageSource& operator=(const MappedFilePageSource&) = delete;
  uint32_t PageCount() override;
  const uint8_t* Page(uint32_t page) override;

 private:
  std::string FPath;
  const uint8_t* FData = nullptr;
  size_t FSize = 0;
};

}  // namespace ipmdb::jet
