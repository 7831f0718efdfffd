// Helpers shared by the pager tests: a temporary folder, pages whose bytes check themselves, and
// a fixed sequence of transactions together with the file state each of them must leave.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "FaultVfs.h"
#include "jet/Pager.h"

namespace ipmdb::jet {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // With the system's own separator, so that the name is the one the Vfs resolves it to.
  std::string File(const std::string& name) const { return (std::filesystem::path(FPath) / name).string(); }

 private:
  std::string FPath;
};

// Whether the system's file system records when a file was created. Without it, a journal whose
// commit tore the database's pages cannot be shown to be that file's own, and the file is refused
// instead of played into (src/jet/Journal.cpp): the crash tests that expect playback need it.
// Wine reports none (src/jet/Win32Vfs.cpp).
bool SystemRecordsBirthTime();
inline constexpr char kNoBirthTime[] = "the file system records no birth time (Wine reports none)";

std::vector<uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);

// Every byte of such a page derives from its tag and its number, so a torn, scrambled or
// misplaced page does not pass for an intact one.
void FillPage(uint8_t* bytes, uint32_t tag, uint32_t page);
std::optional<uint32_t> TagOfPage(const uint8_t* bytes, uint32_t page);

// A file state: the tag of every page, in page order.
using Tags = std::vector<uint32_t>;

// The bytes of a file in that state.
std::vector<uint8_t> TagsImage(const Tags& tags);
// Writes the file directly, not through a pager, as a deployed template is written.
void WriteTagsFile(const std::string& path, const Tags& tags);
// Every page's tag, or nothing when a page is not intact.
std::optional<Tags> ReadTags(Pager& pager);
// Opens the file with the real file system (which recovers a hot journal) and reads its tags.
std::optional<Tags> ReopenAndReadTags(const std::string& path);

// The workload: transaction k (from 1) changes some existing pages in place and/or appends
// pages, writing tag k into all of them. Its three shapes repeat: change and append many, change
// only, append only.
inline const Tags kInitialTags(6, 0);
void RunTransaction(Pager& pager, uint32_t k);
Tags ApplyTransaction(Tags tags, uint32_t k);
// [0] is kInitialTags, [i] the state after transactions 1 to i.
std::vector<Tags> StatesUpTo(uint32_t commits);

// A way pending writes land at a crash, with the seed of its random draws.
struct Policy {
  CrashPolicy FPolicy;
  uint64_t FSeed;
};
// Every fixed policy, and the random ones under that many seeds. Some faults need a rare draw,
// such as the next commit's journal landing in the second sector of the file but not in the first.
std::vector<Policy> AllPolicies(uint64_t seeds);

}  // namespace ipmdb::jet
