#include "database/Resources.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "database/TableIP.h"
#include "jet/DatabaseBuilder.h"
#include "jet/File.h"
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

#ifndef _WIN32  // Wine cannot make symbolic links, and Windows only for administrators or in developer mode
// A link stays a link: the file it leads to is replaced, or created where a dangling one points.
TEST_F(ExtractResource, FollowsSymbolicLinksToTheFileTheyName) {
  const auto embedded = *FindResource("MYDB", "DB");
  const std::vector<uint8_t> resource(embedded.begin(), embedded.end());
  for (const bool dangling : {false, true}) {
    SCOPED_TRACE(dangling ? "dangling link" : "link to a file");
    const fs::path real = FDir / "real.mdb";
    const fs::path link = FDir / "link.mdb";
    fs::remove(real);
    fs::remove(link);
    if (!dangling) WriteFile(real, "earlier output");
    fs::create_symlink(real, link);
    ASSERT_TRUE(ExtractResourceToFile("MYDB", "DB", link.string()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), resource);
  }
}
#endif

TEST_F(ExtractResource, FailsWithoutThrowingLeavesTheFileAloneAndSaysWhy) {
  const fs::path held = FDir / "held.mdb";
  WriteFile(held, "held by a connection");
  std::unique_ptr<jet::File> holder = jet::Vfs::System().Open(held.string(), jet::Vfs::OpenMode::ExistingReadWrite);
  ASSERT_TRUE(holder->TryLockExclusive());
  const struct {
    fs::path FPath;
    std::string FName;
    int FError;
  } cases[] = {
      {held, "DB", EWOULDBLOCK},
      {FDir / "missing" / "a.mdb", "DB", ENOENT},
      {FDir, "DB", EISDIR},
      {FDir / "a.mdb", "NOPE", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FPath);
    ExtractFailure failure;
    EXPECT_FALSE(ExtractResourceToFile("MYDB", c.FName, c.FPath.string(), &failure));
    EXPECT_EQ(failure.FSystemError, c.FError);
    EXPECT_FALSE(failure.FMessage.empty());
  }
  EXPECT_EQ(ReadFile(held).size(), std::string("held by a connection").size());
  EXPECT_FALSE(fs::exists(FDir / "a.mdb"));
  holder.reset();
  EXPECT_TRUE(ExtractResourceToFile("MYDB", "DB", held.string()));
}

}  // namespace
}  // namespace ipmdb::database
