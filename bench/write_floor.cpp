// The floor a conversion cannot beat on this machine: read the whole text database and count its
// lines, then write as many bytes as the converter's output file holds, in one chunk per 1000
// lines, each chunk followed by fdatasync, as one durable commit per batch needs at the least.
// Used by convert_bench.sh, which times it.
//
// With --journal, each chunk is preceded by what a commit through a rollback journal adds: about
// a journal's worth of bytes written in place at the start of TARGET-journal, then fdatasync of
// that file; the two syncs follow each other, as the journal's rules require. With
// --journal-alongside the same two syncs run at once, on two threads: what a commit would cost if
// its syncs did not have to be ordered.
//
// usage: write_floor INPUT OUTPUT_BYTES TARGET [--journal | --journal-alongside]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include "engine/LineList.h"

namespace {

constexpr size_t kLinesPerChunk = 1000;
// A commit's journal for a batch of the generated database: the original bytes of four pages
// changed in place, plus header and checksums.
constexpr size_t kJournalBytes = 16896;

int Fail(const char* what) {
  std::fprintf(stderr, "write_floor: %s: %s\n", what, std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 5 ? argv[4] : "";
  if (argc < 4 || argc > 5 || (argc == 5 && mode != "--journal" && mode != "--journal-alongside")) {
    std::fprintf(stderr, "usage: write_floor INPUT OUTPUT_BYTES TARGET [--journal | --journal-alongside]\n");
    return 2;
  }
  const ipmdb::engine::LineList lines = ipmdb::engine::LineList::LoadFile(argv[1]);
  const size_t total = std::strtoull(argv[2], nullptr, 10);
  const size_t chunks = std::max<size_t>(1, (lines.Count() + kLinesPerChunk - 1) / kLinesPerChunk);
  const std::vector<char> chunk(total / chunks + 1, 'x');

  const int fd = ::open(argv[3], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return Fail("open");
  const std::string journalPath = std::string(argv[3]) + "-journal";
  const int journal = mode.empty() ? -1 : ::open(journalPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (!mode.empty() && journal < 0) return Fail("open journal");
  const std::vector<char> journalBytes(kJournalBytes, 'j');

  // --journal-alongside: a second thread syncs the journal while the main thread syncs the chunk.
  std::binary_semaphore syncJournal(0);
  std::binary_semaphore journalSynced(0);
  std::atomic<bool> done{false};
  std::atomic<bool> failed{false};
  std::thread syncer;
  if (mode == "--journal-alongside") {
    syncer = std::thread([&] {
      for (syncJournal.acquire(); !done; syncJournal.acquire()) {
        if (::fdatasync(journal) != 0) failed = true;
        journalSynced.release();
      }
    });
  }

  size_t written = 0;
  for (size_t i = 0; i < chunks && !failed; ++i) {
    const size_t size = i + 1 == chunks ? total - written : std::min(chunk.size(), total - written);
    if (journal >= 0) {
      if (::pwrite(journal, journalBytes.data(), journalBytes.size(), 0) != ssize_t(journalBytes.size()))
        return Fail("write journal");
      if (mode == "--journal" && ::fdatasync(journal) != 0) return Fail("fdatasync journal");
    }
    if (::write(fd, chunk.data(), size) != ssize_t(size)) return Fail("write");
    if (mode == "--journal-alongside") syncJournal.release();
    if (::fdatasync(fd) != 0) return Fail("fdatasync");
    if (mode == "--journal-alongside") journalSynced.acquire();
    written += size;
  }
  if (syncer.joinable()) {
    done = true;
    syncJournal.release();
    syncer.join();
  }
  if (failed) return Fail("fdatasync journal");
  if (journal >= 0 && (::close(journal) != 0 || ::unlink(journalPath.c_str()) != 0)) return Fail("close journal");
  if (::close(fd) != 0) return Fail("close");
  return 0;
}
