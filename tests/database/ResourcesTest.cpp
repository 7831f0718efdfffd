#include "database/Resources.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "database/TableIP.h"
#include "jet/DatabaseBuilder.h"
#include "jet/JournalPath.h"

namespace ipmdb::database {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class ExtractResource : public ::testing::Test {
 protected:
  ExtractResource() : FDir(fs::temp_directory_path() / ("ipmdb-res-" + std::to_string(::getpid()))) {
    fs::create_directories(FDir);
  }
  ~ExtractResource() override { fs::remove_all(FDir); }
  fs::path FDir;
};

// The committed template must be exactly what the builder makes today: nobody edits it by hand.
TEST(TemplateResource, EqualsAFreshBuildOfTheTemplate) {
  const auto embedded = FindResource(kTemplateResourceType, kTemplateResourceName);
  ASSERT_TRUE(embedded.has_value());
  const auto built = jet::BuildDatabase(TemplateDatabase());
  EXPECT_TRUE(std::equal(embedded->begin(), embedded->end(), built.begin(), built.end()));
  EXPECT_EQ(ReadFile(fs::path(IPMDB_SOURCE_DIR) / "resources" / "template.mdb"), built);
}

TEST(TemplateResource, LookupIsByTypeAndName) {
  EXPECT_FALSE(FindResource("MYDB", "XX").has_value());
  EXPECT_FALSE(FindResource("mydb", "DB").has_value());
}

TEST_F(ExtractResource, ReplacesAnyExistingFileAndItsJournal) {
  const fs::path target = FDir / "out.mdb";
  WriteFile(target, std::string(300000, 'x'));
  WriteFile(jet::JournalPathFor(target.string()), "stale journal");
  ASSERT_TRUE(ExtractResourceToFile("MYDB", "DB", target.string()));
  const auto embedded = *FindResource("MYDB", "DB");
  EXPECT_EQ(ReadFile(target), std::vector<uint8_t>(embedded.begin(), embedded.end()));
  EXPECT_FALSE(fs::exists(jet::JournalPathFor(target.string())));
}

TEST_F(ExtractResource, FailsWithoutThrowingAndLeavesLockedFilesAlone) {
  const fs::path target = FDir / "held.mdb";
  WriteFile(target, "held by a connection");
  const int fd = ::open(target.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  EXPECT_FALSE(ExtractResourceToFile("MYDB", "DB", target.string()));
  EXPECT_EQ(ReadFile(target).size(), std::string("held by a connection").size());
  ::close(fd);
  EXPECT_TRUE(ExtractResourceToFile("MYDB", "DB", target.string()));

  EXPECT_FALSE(ExtractResourceToFile("MYDB", "NOPE", (FDir / "a.mdb").string()));
  EXPECT_FALSE(fs::exists(FDir / "a.mdb"));
  EXPECT_FALSE(ExtractResourceToFile("MYDB", "DB", (FDir / "missing" / "a.mdb").string()));
  EXPECT_FALSE(ExtractResourceToFile("MYDB", "DB", FDir.string()));  // a folder
}

}  // namespace
}  // namespace ipmdb::database
