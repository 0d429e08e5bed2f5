#include "send/AttachmentRegistry.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "tests/store/TempFolder.h"

namespace send {
namespace {

TEST(AttachmentRegistry, RegistersReadableFilesOnceWithoutRegardToCase) {
  store_test::TempFolder folder;
  const std::string path = folder.File("Report.TXT");
  store_test::WriteFileBytes(path, std::string(3000, 'x'));
  AttachmentRegistry registry;
  std::string message = "stale";
  EXPECT_EQ(registry.Register("  " + path + " ", &message), RegisterResult::Added);
  EXPECT_EQ(message, "");
  EXPECT_EQ(registry.Register(folder.File("report.txt"), &message), RegisterResult::Duplicate);
  EXPECT_EQ(message, kDuplicateAttachment);

  const std::vector<TMySendFile> entries = registry.Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].path, path);
  EXPECT_EQ(entries[0].size, 3000);
  EXPECT_FALSE(entries[0].identifier.empty());
  EXPECT_EQ(entries[0].identifier.find_first_not_of("0123456789"), std::string::npos);

  EXPECT_EQ(registry.Take().size(), 1u);
  EXPECT_TRUE(registry.Entries().empty());
  // Once taken the same file may be registered again.
  EXPECT_EQ(registry.Register(path, nullptr), RegisterResult::Added);
  registry.Clear();
  EXPECT_TRUE(registry.Take().empty());
}

TEST(AttachmentRegistry, MissingFoldersAndUnreadableFilesAreRefusedWithTheirPath) {
  store_test::TempFolder folder;
  AttachmentRegistry registry;
  std::string message;
  const std::string missing = folder.File("gone.doc");
  EXPECT_EQ(registry.Register(missing, &message), RegisterResult::Missing);
  EXPECT_EQ(message, missing + kFileMissing);
  EXPECT_EQ(registry.Register(folder.Path(), &message), RegisterResult::Missing);
  const std::string locked = folder.File("locked.txt");
  store_test::WriteFileBytes(locked, "secret");
  ::chmod(locked.c_str(), 0);
  // root reads every file: the check is only meaningful for other users.
  const bool root = ::geteuid() == 0;
  if (!root) {
    EXPECT_EQ(registry.Register(locked, nullptr), RegisterResult::Missing);
  }
  EXPECT_EQ(registry.Register("   ", nullptr), RegisterResult::Missing);
  if (!root) {
    EXPECT_TRUE(registry.Entries().empty());
  }
}

// Registrations from several threads at once keep one entry per path.
TEST(AttachmentRegistry, ConcurrentRegistrationsOfOnePathAddItOnce) {
  store_test::TempFolder folder;
  const std::string path = folder.File("a.bin");
  store_test::WriteFileBytes(path, "abc");
  AttachmentRegistry registry;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i)
        registry.Register(i % 2 == 0 ? path : folder.File("A.BIN"), nullptr);
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(registry.Entries().size(), 1u);
}

}  // namespace
}  // namespace send
