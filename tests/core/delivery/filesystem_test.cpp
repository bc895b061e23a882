// The disk behind the file-system seam: listings, copies that never replace, copies that keep
// time and permissions, and a rewrite that keeps size and time stamp still showing as changed.
#include "core/delivery/filesystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using namespace ruvo;
namespace fs = std::filesystem;

struct DiskTest : ::testing::Test {
  fs::path dir;
  delivery::FileSystem& disk = delivery::RealFileSystem();
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ruvo-fs-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string p(const std::string& n) const { return (dir / n).string(); }
  void write(const std::string& n, const std::string& bytes) { std::ofstream(p(n), std::ios::binary) << bytes; }
  void stampTo(const std::string& n, std::int64_t sec) {
    struct timespec t[2] = {{sec, 0}, {sec, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, p(n).c_str(), t, 0), 0);
  }
};

TEST_F(DiskTest, ListingGivesSizesStampsAndFollowsLinks) {
  write("a.ruvot", "12345");
  stampTo("a.ruvot", 1'400'000'000);
  fs::create_directory(dir / "sub.d");
  fs::create_directory_symlink(dir / "sub.d", dir / "link");
  fs::create_symlink(dir / "missing", dir / "broken");
  std::vector<delivery::FileEntry> entries;
  ASSERT_TRUE(disk.list(dir.string(), entries));
  std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 3u);  // the broken link is left out
  EXPECT_EQ(entries[0].name, "a.ruvot");
  EXPECT_EQ(entries[0].size, 5u);
  EXPECT_EQ(entries[0].mtimeNs, 1'400'000'000LL * 1'000'000'000);
  EXPECT_TRUE(entries[1].folder);  // link
  EXPECT_TRUE(entries[2].folder);  // sub.d
  const platform::Status missing = disk.list(p("nope"), entries);
  EXPECT_EQ(missing.error(), ENOENT);
  EXPECT_EQ(missing.message(), "cannot read the folder " + p("nope") + ": " + std::strerror(ENOENT));
  EXPECT_EQ(disk.resolve(p("link")), fs::canonical(dir / "sub.d").string());
}

TEST_F(DiskTest, CopiesKeepTimeAndModeAndNeverReplaceUnlessAsked) {
  write("prog", "binary");
  fs::permissions(p("prog"), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  stampTo("prog", 1'300'000'000);
  ASSERT_TRUE(disk.copyFile(p("prog"), p("copy"), false));
  delivery::FileEntry e;
  ASSERT_TRUE(disk.stat(p("copy"), e));
  EXPECT_EQ(e.mtimeNs, 1'300'000'000LL * 1'000'000'000);
  EXPECT_EQ(fs::status(p("copy")).permissions(), fs::status(p("prog")).permissions());

  write("kept", "mine");
  EXPECT_FALSE(disk.copyFile(p("prog"), p("kept"), false));
  std::string bytes;
  ASSERT_TRUE(disk.readFile(p("kept"), bytes));
  EXPECT_EQ(bytes, "mine");

  fs::permissions(p("kept"), fs::perms::owner_read);  // read-only: still replaced by Send
  EXPECT_TRUE(disk.copyFile(p("prog"), p("kept"), true));
  ASSERT_TRUE(disk.readFile(p("kept"), bytes));
  EXPECT_EQ(bytes, "binary");
  EXPECT_EQ(fs::status(p("kept")).permissions(), fs::status(p("prog")).permissions());
  // Nothing left aside.
  for (const auto& de : fs::directory_iterator(dir)) EXPECT_EQ(de.path().extension(), "") << de.path();
}

TEST_F(DiskTest, ARewriteAtTheSameSizeAndStampIsStillAChange) {
  write("r.ruvot", "first");
  stampTo("r.ruvot", 1'500'000'000);
  delivery::FileEntry before, after;
  ASSERT_TRUE(disk.stat(p("r.ruvot"), before));
  ASSERT_TRUE(disk.writeFile(p("r.ruvot"), "other"));  // replaced as writers do: a new file
  stampTo("r.ruvot", 1'500'000'000);
  ASSERT_TRUE(disk.stat(p("r.ruvot"), after));
  EXPECT_EQ(before.size, after.size);
  EXPECT_EQ(before.mtimeNs, after.mtimeNs);
  EXPECT_FALSE(before.inode == after.inode && before.ctimeNs == after.ctimeNs);
}

}  // namespace
