// The floor a conversion cannot beat on this machine: read the whole text database and count its
// lines, then write as many bytes as the converter's output file holds, in one chunk per 1000
// lines, each chunk followed by fdatasync, as one durable commit per batch needs at the least.
// Used by convert_bench.sh, which times it.
//
// usage: write_floor INPUT OUTPUT_BYTES TARGET
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/LineList.h"

namespace {

constexpr size_t kLinesPerChunk = 1000;

int Fail(const char* what) {
  std::fprintf(stderr, "write_floor: %s: %s\n", what, std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: write_floor INPUT OUTPUT_BYTES TARGET\n");
    return 2;
  }
  const ipmdb::engine::LineList lines = ipmdb::engine::LineList::LoadFile(argv[1]);
  const size_t total = std::strtoull(argv[2], nullptr, 10);
  const size_t chunks = std::max<size_t>(1, (lines.Count() + kLinesPerChunk - 1) / kLinesPerChunk);
  const std::vector<char> chunk(total / chunks + 1, 'x');

  const int fd = ::open(argv[3], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return Fail("open");
  size_t written = 0;
  for (size_t i = 0; i < chunks; ++i) {
    const size_t size = i + 1 == chunks ? total - written : std::min(chunk.size(), total - written);
    if (::write(fd, chunk.data(), size) != ssize_t(size)) return Fail("write");
    if (::fdatasync(fd) != 0) return Fail("fdatasync");
    written += size;
  }
  if (::close(fd) != 0) return Fail("close");
  return 0;
}
