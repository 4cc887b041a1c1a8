// The live host's state file: what a run finds there and what a save leaves behind.
#include "tools/host/StateFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct StateFileTest : ::testing::Test
{
  void SetUp() override
  {
    dir = fs::temp_directory_path() /
          ("quellor-state-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    path = (dir / "live.state").string();
  }
  void TearDown() override { fs::remove_all(dir); }

  static std::vector<char> Contents(const std::string& p)
  {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  }
  static void Put(const std::string& p, const std::string& text)
  {
    std::ofstream(p, std::ios::binary) << text;
  }

  fs::path dir;
  std::string path;
  std::string error;
};

TEST_F(StateFileTest, MissingThenWrittenThenReplacedKeepsTheOldOneAsBackup)
{
  std::vector<char> bytes;
  EXPECT_EQ(qhost::ReadStateFile(path, bytes, error), qhost::StateRead::kMissing);

  const std::vector<char> first{'a', 'b', 'c', '\0', 'd'};
  ASSERT_TRUE(qhost::WriteStateFile(path, first, error)) << error;
  ASSERT_EQ(qhost::ReadStateFile(path, bytes, error), qhost::StateRead::kRead);
  EXPECT_EQ(bytes, first);
  EXPECT_FALSE(fs::exists(path + ".bak")); // nothing was replaced

  const std::vector<char> second{'x', 'y'};
  ASSERT_TRUE(qhost::WriteStateFile(path, second, error)) << error;
  EXPECT_EQ(Contents(path), second);
  EXPECT_EQ(Contents(path + ".bak"), first);
  EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST_F(StateFileTest, AnEmptyStateIsNeverWrittenOverAFile)
{
  Put(path, "held");
  EXPECT_FALSE(qhost::WriteStateFile(path, {}, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Contents(path), std::vector<char>({'h', 'e', 'l', 'd'}));
}

TEST_F(StateFileTest, EmptyFilesAndFoldersAreUnreadableAndCanBeSetAside)
{
  std::vector<char> bytes;
  Put(path, "");
  EXPECT_EQ(qhost::ReadStateFile(path, bytes, error), qhost::StateRead::kFailed);
  const std::string folder = (dir / "folder").string();
  fs::create_directories(folder);
  EXPECT_EQ(qhost::ReadStateFile(folder, bytes, error), qhost::StateRead::kFailed);

  Put(path, "garbage");
  std::string movedTo;
  ASSERT_TRUE(qhost::SetAside(path, movedTo, error)) << error;
  EXPECT_EQ(movedTo, path + ".bad");
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(Contents(movedTo).size(), 7u);
}

TEST_F(StateFileTest, AnUnwritableFolderLeavesTheOldFileAlone)
{
  const std::string nowhere = (dir / "no-such-folder" / "live.state").string();
  EXPECT_FALSE(qhost::WriteStateFile(nowhere, {'z'}, error));
  EXPECT_NE(error.find("no-such-folder"), std::string::npos);
}

} // namespace
