#include "database/OutputDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ipmdb::database {
namespace {

TEST(OutputDatabase, LivesInTheFolderOfTheRunningExecutable) {
  const std::string folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "database_tests" IPMDB_EXECUTABLE_SUFFIX));
  EXPECT_EQ(OutputDatabasePath(), folder + "/MorvaneIP数据库.MDB");
}

}  // namespace
}  // namespace ipmdb::database
