#include "jet/PageSource.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/Error.h"
#include "jet/Format.h"

namespace ipmdb::jet {
namespace {

[[noreturn]] void PastEnd(uint32_t page, uint32_t count) {
  throw CorruptPage(page, "被引用，而文件只有 " + std::to_string(count) + " 页。");
}

}  // namespace

MemoryPageSource::MemoryPageSource(std::vector<uint8_t> bytes) : FBytes(std::move(bytes)) {}

uint32_t MemoryPageSource::PageCount() { return uint32_t(FBytes.size() / kPageSize); }

const uint8_t* MemoryPageSource::Page(uint32_t page) {
  if (page >= PageCount()) PastEnd(page, PageCount());
  return FBytes.data() + size_t(page) * kPageSize;
}

MappedFilePageSource::MappedFilePageSource(const std::string& path, PartialPage partialLastPage) : FPath(path) {
  // Without waiting for a writer when the path is a FIFO, which is then refused below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw JetError(ErrorKind::Io, "无法打开数据库文件“" + path + "”：" + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    throw JetError(ErrorKind::Io, "无法读取数据库文件“" + path + "”：" + std::strerror(err));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    throw JetError(ErrorKind::Io, "无法读取数据库文件“" + path + "”：" +
                                      (S_ISDIR(st.st_mode) ? "它是一个文件夹。" : "它不是普通文件。"));
  }
  FFileSize = uint64_t(st.st_size);
  FSize = size_t(FFileSize - FFileSize % kPageSize);
  if (FSize == 0 || (FSize != FFileSize && partialLastPage == PartialPage::Refuse)) {
    ::close(fd);
    throw JetError(ErrorKind::NotJet4, "文件“" + path + "”不是 Jet 4.0（Access 2000 格式）数据库：其长度 " +
                                           std::to_string(FFileSize) + " 字节" +
                                           (FSize == 0 ? "不足一页（4096 字节）。" : "不是 4096 的整数倍。"));
  }
  void* data = ::mmap(nullptr, FSize, PROT_READ, MAP_SHARED, fd, 0);
  const int err = errno;
  ::close(fd);
  if (data == MAP_FAILED) throw JetError(ErrorKind::Io, "无法读取数据库文件“" + path + "”：" + std::strerror(err));
  FData = static_cast<const uint8_t*>(data);
}

MappedFilePageSource::~MappedFilePageSource() {
  if (FData) ::munmap(const_cast<uint8_t*>(FData), FSize);
}

uint32_t MappedFilePageSource::PageCount() { return uint32_t(FSize / kPageSize); }

void MappedFilePageSource::ReleaseMemory() {
  // The mapping is read-only and backed by the file: dropped pages come back from it on use.
  ::madvise(const_cast<uint8_t*>(FData), FSize, MADV_DONTNEED);
}

const uint8_t* MappedFilePageSource::Page(uint32_t page) {
  if (page >= PageCount()) PastEnd(page, PageCount());
  return FData + size_t(page) * kPageSize;
}

}  // namespace ipmdb::jet
