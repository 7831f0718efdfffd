#include "jet/PageSource.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "jet/Win32Vfs.h"
#include "platform/SystemError.h"
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include "jet/Error.h"
#include "jet/Format.h"

namespace ipmdb::jet {
namespace {

[[noreturn]] void PastEnd(uint32_t page, uint32_t count) {
  throw CorruptPage(page, "被引用，而文件只有 " + std::to_string(count) + " 页。");
}

[[noreturn]] void NotWholePages(const std::string& path, uint64_t size) {
  throw JetError(ErrorKind::NotJet4, "文件“" + path + "”不是 Jet 4.0（Access 2000 格式）数据库：其长度 " +
                                         std::to_string(size) + " 字节" +
                                         (size < kPageSize ? "不足一页（4096 字节）。" : "不是 4096 的整数倍。"));
}

}  // namespace

MemoryPageSource::MemoryPageSource(std::vector<uint8_t> bytes) : FBytes(std::move(bytes)) {}

uint32_t MemoryPageSource::PageCount() { return uint32_t(FBytes.size() / kPageSize); }

const uint8_t* MemoryPageSource::Page(uint32_t page) {
  if (page >= PageCount()) PastEnd(page, PageCount());
  return FBytes.data() + size_t(page) * kPageSize;
}

#ifdef _WIN32

// The file is opened sharing reading, writing and deletion, as Win32Vfs opens files, so that a
// reader never stands in the way of a writer or a reset.
MappedFilePageSource::MappedFilePageSource(const std::string& path, PartialPage partialLastPage) : FPath(path) {
  const HANDLE file = CreateFileW(Win32Path(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    throw JetError(ErrorKind::Io, "无法打开数据库文件“" + path + "”：" + platform::SystemFailure{int(GetLastError())}.Text());
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) {
    const DWORD error = GetLastError();
    CloseHandle(file);
    throw JetError(ErrorKind::Io, "无法读取数据库文件“" + path + "”：" + platform::SystemFailure{int(error)}.Text());
  }
  FFileSize = uint64_t(size.QuadPart);
  FSize = size_t(FFileSize - FFileSize % kPageSize);
  if (FSize == 0 || (FSize != FFileSize && partialLastPage == PartialPage::Refuse)) {
    CloseHandle(file);
    NotWholePages(path, FFileSize);
  }
  // The mapping object and the file handle may close once the view exists; the view keeps both.
  const HANDLE mapping =
      CreateFileMappingW(file, nullptr, PAGE_READONLY, DWORD(uint64_t(FSize) >> 32), DWORD(FSize), nullptr);
  const void* data = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, FSize) : nullptr;
  const DWORD error = GetLastError();
  if (mapping) CloseHandle(mapping);
  CloseHandle(file);
  if (data == nullptr) throw JetError(ErrorKind::Io, "无法读取数据库文件“" + path + "”：" + platform::SystemFailure{int(error)}.Text());
  FData = static_cast<const uint8_t*>(data);
}

MappedFilePageSource::~MappedFilePageSource() {
  if (FData) UnmapViewOfFile(FData);
}

void MappedFilePageSource::ReleaseMemory() {
  // Unlocking pages that were never locked takes them out of the process's working set; they come
  // back from the file on use.
  VirtualUnlock(const_cast<uint8_t*>(FData), FSize);
}

#else

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
    NotWholePages(path, FFileSize);
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

void MappedFilePageSource::ReleaseMemory() {
  // The mapping is read-only and backed by the file: dropped pages come back from it on use.
  ::madvise(const_cast<uint8_t*>(FData), FSize, MADV_DONTNEED);
}

#endif

uint32_t MappedFilePageSource::PageCount() { return uint32_t(FSize / kPageSize); }

const uint8_t* MappedFilePageSource::Page(uint32_t page) {
  if (page >= PageCount()) PastEnd(page, PageCount());
  return FData + size_t(page) * kPageSize;
}

}  // namespace ipmdb::jet
