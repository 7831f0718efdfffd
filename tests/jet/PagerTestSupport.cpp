// Helpers shared by the pager tests (see PagerTestSupport.h).
#include "PagerTestSupport.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "../support/TempDir.h"
#include "jet/Bytes.h"

namespace ipmdb::jet {
namespace {

constexpr size_t kTagOffset = 0;
constexpr size_t kNumberOffset = 4;
constexpr size_t kPatternOffset = 8;

uint64_t PatternWord(uint64_t seed, uint64_t index) {
  uint64_t x = seed * 0x9e3779b97f4a7c15ULL + index;
  x ^= x >> 31;
  x *= 0xbf58476d1ce4e5b9ULL;
  return x ^ (x >> 29);
}

// Enough appended pages that the journal's page list spills over its first 512-byte sector, as a
// real load's larger commits do.
constexpr uint32_t kManyPages = 36;

struct Shape {
  std::vector<uint32_t> FModified;
  uint32_t FAppended = 0;
};

Shape ShapeOf(uint32_t k, uint32_t pageCount) {
  switch (k % 3) {
    case 1:
      return {{0, 2, pageCount - 1}, kManyPages};
    case 2:
      return {{1, 3}, 0};
    default:
      return {{}, 3};
  }
}

}  // namespace

TempDir::TempDir() : FPath(testing_support::MakeTempFolder("ipmdb-pager-").string()) {
  if (FPath.empty()) throw std::runtime_error("no new temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(FPath, ignored);
}

bool SystemRecordsBirthTime() {
  static const bool recorded = [] {
    TempDir dir;
    return Vfs::System().Open(dir.File("birth"), Vfs::OpenMode::CreateReadWrite)->Identity().FBirthTime.has_value();
  }();
  return recorded;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

void FillPage(uint8_t* bytes, uint32_t tag, uint32_t page) {
  PutU32(bytes + kTagOffset, tag);
  PutU32(bytes + kNumberOffset, page);
  const uint64_t seed = (uint64_t(tag) << 32) | page;
  for (size_t i = kPatternOffset; i < kPageSize; i += 8) PutU64(bytes + i, PatternWord(seed, i));
}

std::optional<uint32_t> TagOfPage(const uint8_t* bytes, uint32_t page) {
  const uint32_t tag = GetU32(bytes + kTagOffset);
  if (GetU32(bytes + kNumberOffset) != page) return std::nullopt;
  const uint64_t seed = (uint64_t(tag) << 32) | page;
  for (size_t i = kPatternOffset; i < kPageSize; i += 8) {
    if (GetU64(bytes + i) != PatternWord(seed, i)) return std::nullopt;
  }
  return tag;
}

std::vector<uint8_t> TagsImage(const Tags& tags) {
  std::vector<uint8_t> bytes(tags.size() * kPageSize);
  for (uint32_t page = 0; page < tags.size(); ++page) FillPage(bytes.data() + page * kPageSize, tags[page], page);
  return bytes;
}

void WriteTagsFile(const std::string& path, const Tags& tags) { WriteWholeFile(path, TagsImage(tags)); }

std::optional<Tags> ReadTags(Pager& pager) {
  Tags tags;
  for (uint32_t page = 0; page < pager.PageCount(); ++page) {
    const std::optional<uint32_t> tag = TagOfPage(pager.Read(page), page);
    if (!tag) return std::nullopt;
    tags.push_back(*tag);
  }
  return tags;
}

std::optional<Tags> ReopenAndReadTags(const std::string& path) {
  Pager pager(Vfs::System(), path);
  return ReadTags(pager);
}

void RunTransaction(Pager& pager, uint32_t k) {
  pager.Begin();
  const Shape shape = ShapeOf(k, pager.PageCount());
  for (uint32_t page : shape.FModified) FillPage(pager.Modify(page), k, page);
  for (uint32_t i = 0; i < shape.FAppended; ++i) {
    const uint32_t page = pager.Append();
    FillPage(pager.Modify(page), k, page);
  }
  pager.Commit();
}

Tags ApplyTransaction(Tags tags, uint32_t k) {
  const Shape shape = ShapeOf(k, uint32_t(tags.size()));
  for (uint32_t page : shape.FModified) tags[page] = k;
  tags.insert(tags.end(), shape.FAppended, k);
  return tags;
}

std::vector<Tags> StatesUpTo(uint32_t commits) {
  std::vector<Tags> states{kInitialTags};
  for (uint32_t k = 1; k <= commits; ++k) states.push_back(ApplyTransaction(states.back(), k));
  return states;
}

std::vector<Policy> AllPolicies(uint64_t seeds) {
  std::vector<Policy> all{{CrashPolicy::ApplyAll, 1}, {CrashPolicy::DropAll, 1}};
  for (uint64_t seed = 1; seed <= seeds; ++seed) {
    for (CrashPolicy p :
         {CrashPolicy::TearAll, CrashPolicy::ScrambleAll, CrashPolicy::SomeSectors, CrashPolicy::Mixed}) {
      all.push_back({p, seed});
    }
  }
  return all;
}

}  // namespace ipmdb::jet
