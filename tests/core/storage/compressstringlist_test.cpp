#include "core/storage/compressstringlist.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/platform/ports.h"
#include "core/storage/atomicfile.h"
#include "core/storage/deltacode.h"
#include "core/storage/resources.h"
#include "support/tempdir.h"

namespace fs = std::filesystem;
using namespace ruvo::storage;

namespace {

class RecordingDialogs final : public ruvo::platform::Dialogs {
 public:
  std::vector<std::string> messages;
  void message(const std::string& text) override { messages.push_back(text); }
  ruvo::platform::Answer askYesNo(const std::string&, const std::string&) override { return ruvo::platform::Answer::No; }
  ruvo::platform::Answer askYesNoCancel(const std::string&, const std::string&) override {
    return ruvo::platform::Answer::Cancel;
  }
  ruvo::platform::Answer confirmNoOk(const std::string&, const std::string&) override {
    return ruvo::platform::Answer::No;
  }
  std::optional<std::string> input(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> openFile(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> saveFile(const std::string&, const std::string&, const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> chooseFolder(const std::string&, const std::string&) override { return std::nullopt; }
};

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
  ASSERT_EQ(list.SaveToFile(path("ruvo_envi.dat")), 0);
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
  ASSERT_EQ(list.SaveToFile(path("x.ruvot")), 0);
  TCompressStringList back;
  back.LoadFromFile(path("x.ruvot"));
  EXPECT_EQ(back.Lines, std::vector<std::string>{"emoji=?!"});
}

TEST_F(StringList, EmptyListIsA33ByteFile) {
  TCompressStringList list;
  ASSERT_EQ(list.SaveToFile(path("empty.dat")), 0);
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

TEST_F(StringList, MissingAndDamagedFilesKeepTheLines) {
  RecordingDialogs dialogs;
  TCompressStringList list(&dialogs);
  list.Lines = {"keep=me"};
  EXPECT_FALSE(list.LoadFromFile(path("nope.dat")));
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{path("nope.dat") + " がありません"});
  EXPECT_EQ(list.Lines, std::vector<std::string>{"keep=me"});

  std::string good = TDeltaCode::encode("a=1\r\nb=2\r\n");
  for (const std::string& bad : {std::string("not a stream"), good.substr(0, good.size() - 2),
                                 std::string("BDC1") + good.substr(4, 4) + std::string(good.size() - 8, '\0')}) {
    std::ofstream(path("bad.dat"), std::ios::binary) << bad;
    EXPECT_FALSE(list.LoadFromFile(path("bad.dat")));
    EXPECT_EQ(list.Lines, std::vector<std::string>{"keep=me"});
  }
  EXPECT_EQ(dialogs.messages.size(), 1u);  // damaged files are not reported
}

TEST_F(StringList, SaveCreatesFoldersAndReportsFailures) {
  TCompressStringList list;
  list.Lines = {"x=1"};
  EXPECT_EQ(list.SaveToFile(""), 1);
  EXPECT_EQ(list.SaveToFile(path("a/b/c/result.ruvot")), 0);
  EXPECT_TRUE(fs::exists(path("a/b/c/result.ruvot")));

  // A folder that cannot be made (a file stands in its way) gives 1.
  std::ofstream(path("plainfile")) << "x";
  EXPECT_EQ(list.SaveToFile(path("plainfile/sub/r.ruvot")), 1);
  // A failed write gives the system's error code.
  fs::create_directories(path("taken.dat"));
  EXPECT_EQ(list.SaveToFile(path("taken.dat")), EISDIR);
}

TEST_F(StringList, ReadOnlyFileIsReplacedAndStaysReadOnly) {
  TCompressStringList list;
  list.Lines = {"v=1"};
  ASSERT_EQ(list.SaveToFile(path("r.ruvot")), 0);
  fs::permissions(path("r.ruvot"), fs::perms::owner_read | fs::perms::group_read);
  list.Lines = {"v=2"};
  ASSERT_EQ(list.SaveToFile(path("r.ruvot")), 0);
  EXPECT_EQ(fs::status(path("r.ruvot")).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::group_read);
  TCompressStringList back;
  back.LoadFromFile(path("r.ruvot"));
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
  int err = 0;
  const bool ok = writeFileAtomic(path("doc.ruvo"), std::string(100000, 'n'), &err);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(ok);
  EXPECT_EQ(err, EFBIG);
  EXPECT_EQ(slurp(path("doc.ruvo")), "the old content");
  EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFile, NewFilesAndReplacements) {
  EXPECT_TRUE(writeFileAtomic(path("n.txt"), ""));
  EXPECT_EQ(slurp(path("n.txt")), "");
  EXPECT_TRUE(writeFileAtomic(path("n.txt"), std::string("a\0b", 3)));
  EXPECT_EQ(slurp(path("n.txt")), std::string("a\0b", 3));
  int err = 0;
  EXPECT_FALSE(writeFileAtomic(path("missing/n.txt"), "x", &err));
  EXPECT_EQ(err, ENOENT);
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
    EXPECT_EQ(f.SaveAndFree(), 0);
    EXPECT_TRUE(f.Lines.empty());
  }
  TDataFile g(path("d/env.dat"), true);
  EXPECT_EQ(g.Values("ToTeacher"), "/tmp/x");
  g.Add("more=1");
  EXPECT_EQ(g.SaveAndFree(), -1);  // read-only data files are never written
  TDataFile back(path("d/env.dat"));
  EXPECT_EQ(back.Count(), 1);

  TDataFile unnamed;
  unnamed.Add("a=1");
  EXPECT_EQ(unnamed.SaveAndFree(), -1);
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
  EXPECT_EQ(f.SaveAndFree(), -1);
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
