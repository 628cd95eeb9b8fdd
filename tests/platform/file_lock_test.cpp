#include "platform/file_lock.h"

#include "support/temp_dir.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace hm {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

constexpr std::chrono::milliseconds kShortWait{50};

TEST(FileLockTest, SecondHolderWaitsThenIsBusyUntilTheFirstLetsGo) {
  TempDir dir;
  const std::string path = dir.file("p.dif");
  test::writeFile(path, std::string("dif"));
  auto first = lockFile(path, kShortWait);
  ASSERT_TRUE(first);

  const auto start = std::chrono::steady_clock::now();
  auto second = lockFile(path, kShortWait);
  ASSERT_FALSE(second);
  EXPECT_GE(std::chrono::steady_clock::now() - start, kShortWait);
  EXPECT_EQ(second.error().code, ErrorCode::Busy);
  EXPECT_EQ(second.error().message, "Файл занят другой программой!");

  first.value().reset();
  EXPECT_TRUE(lockFile(path, kShortWait));
}

// The holder renames its new file over the one the waiter opened: the waiter must end up holding
// the new file, or the next run would read it while the waiter changes it.
TEST(FileLockTest, WaiterFollowsTheFileRenamedOverTheOneItWaitedFor) {
  TempDir dir;
  const std::string path = dir.file("p.dif");
  test::writeFile(path, std::string("old"));
  auto holder = lockFile(path, kShortWait);
  ASSERT_TRUE(holder);
  std::future<Result<std::unique_ptr<FileLock>>> waiter =
      std::async(std::launch::async, [&] { return lockFile(path, 5s); });
  ASSERT_EQ(waiter.wait_for(100ms), std::future_status::timeout);

  test::writeFile(dir.file("new"), std::string("new"));
  std::filesystem::rename(dir.file("new"), path);
  holder.value().reset();
  Result<std::unique_ptr<FileLock>> granted = waiter.get();
  ASSERT_TRUE(granted);

  auto third = lockFile(path, kShortWait);
  ASSERT_FALSE(third);
  EXPECT_EQ(third.error().code, ErrorCode::Busy);
}

TEST(FileLockTest, MissingFileFailsOrIsCreatedEmpty) {
  TempDir dir;
  auto refused = lockFile(dir.file("none.dif"), kShortWait);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().code, ErrorCode::OpenFailed);
  EXPECT_FALSE(test::fileExists(dir.file("none.dif")));

  EXPECT_TRUE(lockFile(dir.file("settings.reg"), kShortWait, MissingFile::Created));
  EXPECT_TRUE(test::fileExists(dir.file("settings.reg")));
  EXPECT_TRUE(test::readFile(dir.file("settings.reg")).empty());
}

// A FIFO in the file's place would block an open for reading until a writer came.
TEST(FileLockTest, FolderOrFifoIsNoFileToLock) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("folder.dif"));
  ASSERT_EQ(::mkfifo(dir.file("fifo.dif").c_str(), 0600), 0);
  for (const char* name : {"folder.dif", "fifo.dif"}) {
    auto refused = lockFile(dir.file(name), kShortWait);
    ASSERT_FALSE(refused) << name;
    EXPECT_EQ(refused.error().code, ErrorCode::OpenFailed) << name;
    EXPECT_EQ(refused.error().message, "Ошибка открытия файла!") << name;
  }
}

}  // namespace
}  // namespace hm
