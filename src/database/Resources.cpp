#include "database/Resources.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

#include "jet/JournalPath.h"

extern const unsigned char kTemplateDatabase[];
extern const std::size_t kTemplateDatabaseSize;

namespace ipmdb::database {
namespace {

struct Resource {
  std::string_view type;
  std::string_view name;
  const unsigned char* bytes;
  const std::size_t* size;
};

const Resource kResources[] = {
    {kTemplateResourceType, kTemplateResourceName, kTemplateDatabase, &kTemplateDatabaseSize},
};

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += size_t(n);
  }
  return true;
}

}  // namespace

std::optional<std::span<const uint8_t>> FindResource(std::string_view type, std::string_view name) {
  for (const auto& r : kResources)
    if (r.type == type && r.name == name) return std::span<const uint8_t>(r.bytes, *r.size);
  return std::nullopt;
}

bool ExtractResourceToFile(const std::string& type, const std::string& name, const std::string& path) {
  const auto bytes = FindResource(type, name);
  if (!bytes) return false;
  // The file is opened without truncation so that a file held by a connection is left untouched
  // when its lock cannot be had.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (ok) {
    // A journal of the old content must never be played back onto the new one.
    const std::string journal = jet::JournalPathFor(path);
    ok = ::unlink(journal.c_str()) == 0 || errno == ENOENT;
  }
  ok = ok && ::ftruncate(fd, 0) == 0 && WriteAll(fd, *bytes) && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

}  // namespace ipmdb::database
