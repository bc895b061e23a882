#include "core/storage/compressstringlist.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "core/storage/atomicfile.h"
#include "core/storage/deltacode.h"
#include "core/storage/resources.h"
#include "support/tempdir.h"

namespace fs = std::filesystem;
using namespace ruvo::storage;

namespace {

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_ = std::make_unique<ruvo::testsupport::TempDir>(
        std::string("storage-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    dir_ = tmp_->path();
  }
  void TearDown() override { tmp_.reset(); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string slurp(const std::string& p) {
    std::string s;
    EXPECT_TRUE(readWholeFile(p, s));
    return s;
  }
  std::size_t entries() const {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++n;
    return n;
  }
  std::unique_ptr<ruvo::testsupport::TempDir> tmp_;
  fs::path dir_;
};

using StringList = TempDir;

TEST_F(StringList, StoredFormIsCp932WithCrlfInOneBdcStream) {
  TCompressStringList list;
  list.Lines = {"ToTeacher=/srv/集計", "名前=山田", ""};
  ASSERT_TRUE(list.SaveToFile(path("ruvo_envi.dat")));
  std::string plain;
  ASSERT_TRUE(TDeltaCode::decode(slurp(path("ruvo_envi.dat")), plain));
  EXPECT_EQ(plain, "ToTeacher=/srv/\x8f\x57\x8c\x76\r\n\x96\xbc\x91\x4f=\x8e\x52\x93\x63\r\n\r\n");

  TCompressStringList back;
  EXPECT_TRUE(back.LoadFromFile(path("ruvo_envi.dat")));
  EXPECT_EQ(back.Lines, list.Lines);
  EXPECT_EQ(back.Values("toteacher"), "/srv/集計");
}

TEST_F(StringList, CharactersCp932CannotHoldBecomeQuestionMarks) {
  TCompressStringList list;
  list.Lines = {"emoji=\xF0\x9F\x98\x80!"};
  ASSERT_TRUE(list.SaveToFile(path("x.ruvot")));
  TCompressStringList back;
  ASSERT_TRUE(back.LoadFromFile(path("x.ruvot")));
  EXPECT_EQ(back.Lines, std::vector<std::string>{"emoji=?!"});
}

TEST_F(StringList, EmptyListIsA33ByteFile) {
  TCompressStringList list;
  ASSERT_TRUE(list.SaveToFile(path("empty.dat")));
  EXPECT_EQ(slurp(path("empty.dat")).size(), 33u);
  TCompressStringList back;
  back.Lines = {"old"};
  EXPECT_TRUE(back.LoadFromFile(path("empty.dat")));
  EXPECT_TRUE(back.Lines.empty());
}

TEST(StringListValues, FirstLineWhoseNameMatchesIgnoringCase) {
  TCompressStringList list;
  list.Lines = {"noequals", "Key=first", "KEY=second", "=anon", "a=b=c", "Kéy=accent"};
  EXPECT_EQ(list.IndexOfName("key"), 1);
  EXPECT_EQ(list.Values("kEy"), "first");
  EXPECT_EQ(list.Values("a"), "b=c");
  EXPECT_EQ(list.Values(""), "anon");
  EXPECT_EQ(list.Values("noequals"), "");
  EXPECT_EQ(list.IndexOfName("KÉY"), -1);  // only ASCII letters fold
  list.SetValue("KEY", "third");
  EXPECT_EQ(list.Lines[1], "KEY=third");
  list.SetValue("new", "1");
  EXPECT_EQ(list.Lines.back(), "new=1");
}

TEST_F(StringList, MissingAndDamagedFilesKeepTheLinesAndSayWhy) {
  TCompressStringList list;
  list.Lines = {"keep=me"};
  const ruvo::platform::Status missing = list.LoadFromFile(path("nope.dat"));
  EXPECT_FALSE(missing);
  EXPECT_EQ(missing.message(), path("nope.dat") + " がありません");
  EXPECT_EQ(missing.error(), ENOENT);
  EXPECT_EQ(list.Lines, std::vector<std::string>{"keep=me"});

  // A folder under the name: the file and the system's reason.
  fs::create_directories(path("folder.dat"));
  const ruvo::platform::Status folder = list.LoadFromFile(path("folder.dat"));
  EXPECT_EQ(folder.error(), EISDIR);
  EXPECT_NE(folder.message().find(path("folder.dat")), std::string::npos) << folder.message();
  EXPECT_NE(folder.message().find(std::strerror(EISDIR)), std::string::npos) << folder.message();

  // Damaged streams: the file and the codec's status text.
  std::string good = TDeltaCode::encode("a=1\r\nb=2\r\n");
  const std::pair<std::string, const char*> damaged[] = {
      {"not a stream", kMsgBadFormat},
      {good.substr(0, good.size() - 2), kMsgBadRecordedSize},
      {std::string("BDC1") + good.substr(4, 4) + std::string(good.size() - 8, '\0'), kMsgBadFormat}};
  for (const auto& [bad, why] : damaged) {
    std::ofstream(path("bad.dat"), std::ios::binary) << bad;
    const ruvo::platform::Status s = list.LoadFromFile(path("bad.dat"));
    EXPECT_EQ(s.message(), path("bad.dat") + ": " + why);
    EXPECT_EQ(list.Lines, std::vector<std::string>{"keep=me"});
  }
}

TEST_F(StringList, SaveCreatesFoldersAndReportsFailures) {
  TCompressStringList list;
  list.Lines = {"x=1"};
  EXPECT_FALSE(list.SaveToFile(""));
  EXPECT_TRUE(list.SaveToFile(path("a/b/c/result.ruvot")));
  EXPECT_TRUE(fs::exists(path("a/b/c/result.ruvot")));

  // A folder that cannot be made (a file stands in its way): the folder and the reason.
  std::ofstream(path("plainfile")) << "x";
  const ruvo::platform::Status noFolder = list.SaveToFile(path("plainfile/sub/r.ruvot"));
  EXPECT_FALSE(noFolder);
  EXPECT_NE(noFolder.error(), 0);
  EXPECT_NE(noFolder.message().find(path("plainfile/sub")), std::string::npos) << noFolder.message();
  // A failed write gives the system's error and names the file.
  fs::create_directories(path("taken.dat"));
  const ruvo::platform::Status taken = list.SaveToFile(path("taken.dat"));
  EXPECT_EQ(taken.error(), EISDIR);
  EXPECT_EQ(taken.message(), "cannot write " + path("taken.dat") + ": " + std::strerror(EISDIR));
}

TEST_F(StringList, ReadOnlyFileIsReplacedAndStaysReadOnly) {
  TCompressStringList list;
  list.Lines = {"v=1"};
  ASSERT_TRUE(list.SaveToFile(path("r.ruvot")));
  fs::permissions(path("r.ruvot"), fs::perms::owner_read | fs::perms::group_read);
  list.Lines = {"v=2"};
  ASSERT_TRUE(list.SaveToFile(path("r.ruvot")));
  EXPECT_EQ(fs::status(path("r.ruvot")).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::group_read);
  TCompressStringList back;
  ASSERT_TRUE(back.LoadFromFile(path("r.ruvot")));
  EXPECT_EQ(back.Values("v"), "2");
  EXPECT_EQ(entries(), 1u);  // no temporary file left behind
}

using AtomicFile = TempDir;

TEST_F(AtomicFile, FailedWriteLeavesTheOldFileWhole) {
  ASSERT_TRUE(writeFileAtomic(path("doc.ruvo"), "the old content"));
  // A file size limit makes the write fail halfway, as a full disk would.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const Status s = writeFileAtomic(path("doc.ruvo"), std::string(100000, 'n'));
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.error(), EFBIG);
  EXPECT_EQ(slurp(path("doc.ruvo")), "the old content");
  EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFile, NewFilesAndReplacements) {
  EXPECT_TRUE(writeFileAtomic(path("n.txt"), ""));
  EXPECT_EQ(slurp(path("n.txt")), "");
  EXPECT_TRUE(writeFileAtomic(path("n.txt"), std::string("a\0b", 3)));
  EXPECT_EQ(slurp(path("n.txt")), std::string("a\0b", 3));
  EXPECT_EQ(writeFileAtomic(path("missing/n.txt"), "x").error(), ENOENT);
  // A link is written through and stays a link.
  ASSERT_TRUE(writeFileAtomic(path("real.txt"), "old"));
  fs::create_symlink(path("real.txt"), path("link.txt"));
  EXPECT_TRUE(writeFileAtomic(path("link.txt"), "new"));
  EXPECT_TRUE(fs::is_symlink(path("link.txt")));
  EXPECT_EQ(slurp(path("real.txt")), "new");
  std::string out = "stale";
  EXPECT_FALSE(readWholeFile(path("missing.txt"), out));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(ensureFolder(path("p/q")));
  EXPECT_FALSE(isReadOnlyFileSystem(path("p/q/not/yet/there.dat")));
}

TEST_F(AtomicFile, FifoIsWrittenThroughAndOtherSpecialFilesAreRefused) {
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    std::ifstream in(path("pipe"), std::ios::binary);
    received.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  });
  const Status s = writeFileAtomic(path("pipe"), "through the pipe");
  reader.join();
  EXPECT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_TRUE(fs::is_fifo(path("pipe")));
  // Through a link too, as "/dev/stdout" leads to a pipe: both stay what they are.
  fs::create_symlink(path("pipe"), path("pipelink"));
  std::thread again([&] {
    std::ifstream in(path("pipe"), std::ios::binary);
    received.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  });
  const Status viaLink = writeFileAtomic(path("pipelink"), "via the link");
  again.join();
  EXPECT_TRUE(viaLink.ok()) << viaLink.message();
  EXPECT_EQ(received, "via the link");
  EXPECT_TRUE(fs::is_symlink(path("pipelink")));
  EXPECT_TRUE(fs::is_fifo(path("pipe")));

  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sp = path("sock");
  ASSERT_LT(sp.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, sp.c_str(), sp.size() + 1);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  const Status refused = writeFileAtomic(sp, "x");
  ::close(sock);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("not a regular file"), std::string::npos) << refused.message();
  EXPECT_TRUE(fs::is_socket(sp));
  EXPECT_EQ(entries(), 3u);  // no temporary file left
}

TEST_F(AtomicFile, NamesAtTheFileSystemLimitCanBeWrittenAndReplaced) {
  const std::string longest(255, 'n');
  ASSERT_TRUE(writeFileAtomic(path(longest), "first").ok());
  const Status again = writeFileAtomic(path(longest), "second");
  EXPECT_TRUE(again.ok()) << again.message();
  EXPECT_EQ(slurp(path(longest)), "second");
  EXPECT_TRUE(createFileExclusive(path(std::string(255, 'x')), "new").ok());
  EXPECT_EQ(entries(), 2u);
}

TEST_F(AtomicFile, ExclusiveCreateNeverReplacesAnything) {
  ASSERT_TRUE(createFileExclusive(path("r.ruvot"), "mine").ok());
  EXPECT_EQ(createFileExclusive(path("r.ruvot"), "theirs").error(), EEXIST);
  EXPECT_EQ(slurp(path("r.ruvot")), "mine");
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  EXPECT_EQ(createFileExclusive(path("pipe"), "x").error(), EEXIST);
  EXPECT_TRUE(fs::is_fifo(path("pipe")));
  fs::create_symlink(path("nowhere"), path("dangling"));
  EXPECT_EQ(createFileExclusive(path("dangling"), "x").error(), EEXIST);
  EXPECT_FALSE(fs::exists(path("nowhere")));
  EXPECT_EQ(createFileExclusive(path("missing/r.ruvot"), "x").error(), ENOENT);
  EXPECT_EQ(entries(), 3u);

  // Many writers after one name: exactly one has it, whole.
  std::vector<std::thread> writers;
  std::atomic<int> won{0};
  for (int i = 0; i < 16; ++i)
    writers.emplace_back([&, i] {
      if (createFileExclusive(path("race"), std::string(4096, static_cast<char>('a' + i))).ok()) ++won;
    });
  for (auto& t : writers) t.join();
  EXPECT_EQ(won.load(), 1);
  const std::string body = slurp(path("race"));
  EXPECT_EQ(body, std::string(4096, body.at(0)));
  EXPECT_EQ(entries(), 4u);
}

TEST_F(AtomicFile, ReadsTellWhyAndStopAtTheLimit) {
  std::string out = "stale";
  Status s = readWholeFile(path("missing.txt"), out);
  EXPECT_EQ(s.error(), ENOENT);
  EXPECT_NE(s.message().find(path("missing.txt")), std::string::npos);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(readWholeFile(dir_.string(), out).error(), EISDIR);
  ASSERT_TRUE(writeFileAtomic(path("eleven"), "eleven byte").ok());
  EXPECT_TRUE(readWholeFile(path("eleven"), out, 11).ok());
  EXPECT_EQ(readWholeFile(path("eleven"), out, 10).error(), EFBIG);
  EXPECT_TRUE(out.empty());
  // A stream has no size to look at: it is cut off once it passes the limit.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], "0123456789ABCDEF", 16), 16);
  ::close(fds[1]);
  s = readWholeStream(fds[0], "standard input", out, 10);
  ::close(fds[0]);
  EXPECT_EQ(s.error(), EFBIG);
  EXPECT_EQ(s.message(), "cannot read standard input: larger than 10 bytes");
}

using DataFile = TempDir;

TEST_F(DataFile, SectionsAndKeyedValues) {
  TDataFile f;
  f.Lines = {"[a]", "x=1", "", "y=2", "[b]", "z=3"};
  std::vector<std::string> section = {"stale"};
  f.ReadSection("A", section);
  EXPECT_EQ(section, (std::vector<std::string>{"x=1", "y=2"}));
  EXPECT_EQ(f.ReadString("b", "z", "0"), "3");
  EXPECT_EQ(f.ReadString("b", "Z", "0"), "3");
  EXPECT_EQ(f.ReadString("c", "z", "0"), "0");
  EXPECT_EQ(f.ReadString("a", "z", "0"), "0");  // a section ends at the next "["
  f.ReadSection("c", section);
  EXPECT_TRUE(section.empty());
}

TEST_F(DataFile, LoadsOnCreateAndWritesOnRelease) {
  {
    TDataFile f(path("d/env.dat"));
    EXPECT_TRUE(f.Lines.empty());
    f.Add("ToTeacher=/tmp/x");
    bool written = false;
    EXPECT_TRUE(f.SaveAndFree(&written));
    EXPECT_TRUE(written);
    EXPECT_TRUE(f.Lines.empty());
  }
  TDataFile g(path("d/env.dat"), true);
  EXPECT_EQ(g.Values("ToTeacher"), "/tmp/x");
  g.Add("more=1");
  bool written = true;
  EXPECT_TRUE(g.SaveAndFree(&written));
  EXPECT_FALSE(written);  // read-only data files are never written
  TDataFile back(path("d/env.dat"));
  EXPECT_EQ(back.Count(), 1);

  TDataFile unnamed;
  unnamed.Add("a=1");
  written = true;
  EXPECT_TRUE(unnamed.SaveAndFree(&written));
  EXPECT_FALSE(written);
}

TEST_F(DataFile, ReadOnlyMediaAreNotWritten) {
  // Any read-only mount of the machine serves; containers do not always have one.
  std::ifstream mounts("/proc/mounts");
  std::string dev, mnt, type, opts;
  std::string roDir;
  while (mounts >> dev >> mnt >> type >> opts) {
    mounts.ignore(1 << 20, '\n');
    if ((opts == "ro" || opts.rfind("ro,", 0) == 0) && mnt.rfind("/mnt/", 0) != 0 && fs::is_directory(mnt)) {
      roDir = mnt;
      break;
    }
  }
  if (roDir.empty()) GTEST_SKIP() << "no read-only file system mounted";
  EXPECT_TRUE(isReadOnlyFileSystem(roDir + "/not/there.dat"));
  TDataFile f(roDir + "/ruvo-never-written.dat");
  f.Add("a=1");
  bool written = true;
  EXPECT_TRUE(f.SaveAndFree(&written));
  EXPECT_FALSE(written);
}

TEST(Resources, EmbeddedAtBuildTimeAndFoundByName) {
  // tests/core/storage/data/resource.txt is embedded into this program by the build.
  TDataFile data;
  ASSERT_TRUE(LoadResourceData(data, "RUVOTEST"));
  std::vector<std::string> words;
  data.ReadSection("words", words);
  EXPECT_EQ(words, (std::vector<std::string>{"apple=1", "日本語=2"}));
  EXPECT_EQ(data.ReadString("other", "key", "-"), "value");
  const auto raw = findResource("ruvotest");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->substr(0, 4), "BDC1");
  std::string plain;
  ASSERT_TRUE(TDeltaCode::decode(*raw, plain));
  EXPECT_NE(plain.find("\x93\xfa\x96\x7b\x8c\xea=2\r\n"), std::string::npos);  // CP932 with CRLF

  TCompressStringList none;
  EXPECT_FALSE(LoadResourceData(none, "NO_SUCH_RESOURCE"));
}

TEST(Resources, ExplicitRegistration) {
  static const std::string coded = TDeltaCode::encode("[s]\r\nk=v\r\n");
  registerResource("Mine", coded);
  TDataFile f;
  ASSERT_TRUE(LoadResourceData(f, "MINE"));
  EXPECT_EQ(f.ReadString("s", "k", ""), "v");
}

}  // namespace
