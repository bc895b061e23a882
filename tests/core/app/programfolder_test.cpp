// The program folder of an installed program is the user's own, seeded from the installation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/app/paths.h"

namespace ruvo::app {
namespace {
namespace fs = std::filesystem;

TEST(ProgramFolderInstalled, WritableBinBesideShareStillUsesTheUsersFolder) {
  std::string t = (fs::temp_directory_path() / "pfinst-XXXXXX").string();
  const fs::path root = mkdtemp(t.data());
  fs::create_directories(root / "prefix/bin");
  fs::create_directories(root / "prefix/share/tovimeter/system/ruvof/sample");
  std::ofstream(root / "prefix/share/tovimeter/system/ruvof/sample/a.ruvo") << "x";
  const char* oldHome = std::getenv("TOVIMETER_HOME");
  const std::string saved = oldHome ? oldHome : "";
  ::unsetenv("TOVIMETER_HOME");
  ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);

  // The bin folder is writable here (as /usr/bin is for root): the user's folder wins anyway.
  const std::string folder = ProgramFolder((root / "prefix/bin/tovimeter").string());
  EXPECT_EQ(folder, (root / "data/tovimeter").string());
  EXPECT_TRUE(fs::exists(root / "data/tovimeter/system/ruvof/sample/a.ruvo")) << "seeded from the installation";
  EXPECT_FALSE(fs::exists(root / "prefix/bin/system"));

  // A portable folder (system/ beside the program) stays where it is.
  fs::create_directories(root / "portable/system");
  EXPECT_EQ(ProgramFolder((root / "portable/tovimeter").string()), fs::weakly_canonical(root / "portable").string());

  ::unsetenv("XDG_DATA_HOME");
  if (!saved.empty()) ::setenv("TOVIMETER_HOME", saved.c_str(), 1);
  fs::remove_all(root);
}

struct Refresh : ::testing::Test {
  fs::path root, shipped, mine;
  void SetUp() override {
    std::string t = (fs::temp_directory_path() / "pfrefresh-XXXXXX").string();
    root = mkdtemp(t.data());
    shipped = root / "share/tovimeter/system";
    mine = root / "data/tovimeter/system";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  static void put(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(Refresh, AnUpgradeReplacesWhatTheUserLeftAsShippedAndKeepsTheirOwn) {
  put(shipped / "help/ruvo-help.html", "manual 1");
  put(shipped / "ruvof/sample/a.ruvo", "sample a 1");
  put(shipped / "template/fixed form/t.rtf", "template 1");
  put(shipped / "script/fixed form/s.rtf", "script 1");
  put(shipped / "ruvof/sample/gone.ruvo", "will be removed by the user");
  RefreshCounts first = RefreshShippedFiles(shipped.string(), mine.string());
  EXPECT_EQ(first.copied, 5);
  put(mine / "template/fixed form/t.rtf", "the teacher's template");
  fs::remove(mine / "ruvof/sample/gone.ruvo");
  fs::permissions(mine / "ruvof/sample/a.ruvo", fs::perms::owner_read, fs::perm_options::replace);

  // The upgrade.
  put(shipped / "help/ruvo-help.html", "manual 2");
  put(shipped / "help/ruvo-help_Editor.html", "new section page");
  put(shipped / "ruvof/sample/a.ruvo", "sample a 2");
  put(shipped / "template/fixed form/t.rtf", "template 2");
  put(shipped / "ruvof/sample/gone.ruvo", "sample gone 2");
  const RefreshCounts second = RefreshShippedFiles(shipped.string(), mine.string());

  struct Case {
    const char* file;
    const char* expected;
  } cases[] = {
      {"help/ruvo-help.html", "manual 2"},
      {"help/ruvo-help_Editor.html", "new section page"},
      {"ruvof/sample/a.ruvo", "sample a 2"},  // read-only as the program keeps samples
      {"template/fixed form/t.rtf", "the teacher's template"},
      {"script/fixed form/s.rtf", "script 1"},
  };
  for (const auto& c : cases) EXPECT_EQ(read(mine / c.file), c.expected) << c.file;
  EXPECT_FALSE(fs::exists(mine / "ruvof/sample/gone.ruvo")) << "what the user removed stays removed";
  EXPECT_EQ(second.copied, 1);
  EXPECT_EQ(second.replaced, 2);
  EXPECT_EQ(second.kept, 1);

  // Nothing new: nothing is written.
  const auto stamp = fs::last_write_time(mine / kShippedList);
  const RefreshCounts third = RefreshShippedFiles(shipped.string(), mine.string());
  EXPECT_EQ(third.copied + third.replaced, 0);
  EXPECT_EQ(fs::last_write_time(mine / kShippedList), stamp);
}

TEST_F(Refresh, ACopyFromBeforeTheListKeepsEditableFilesButNotTheManual) {
  // Copied once by an earlier version, which kept no list.
  put(mine / "help/ruvo-help.html", "old manual");
  put(mine / "ruvof/sample/a.ruvo", "old sample");
  fs::permissions(mine / "ruvof/sample/a.ruvo", fs::perms::owner_read, fs::perm_options::replace);
  put(mine / "template/fixed form/t.rtf", "maybe the teacher's");
  put(shipped / "help/ruvo-help.html", "manual 2");
  put(shipped / "ruvof/sample/a.ruvo", "sample 2");
  put(shipped / "template/fixed form/t.rtf", "template 2");
  RefreshShippedFiles(shipped.string(), mine.string());
  EXPECT_EQ(read(mine / "help/ruvo-help.html"), "manual 2");
  EXPECT_EQ(read(mine / "ruvof/sample/a.ruvo"), "sample 2");
  EXPECT_EQ(read(mine / "template/fixed form/t.rtf"), "maybe the teacher's");
  // From now on the list decides: the unknown template is never taken for a shipped one.
  put(shipped / "template/fixed form/t.rtf", "template 3");
  RefreshShippedFiles(shipped.string(), mine.string());
  EXPECT_EQ(read(mine / "template/fixed form/t.rtf"), "maybe the teacher's");
}

TEST_F(Refresh, AnInstalledProgramsFolderFollowsTheInstallation) {
  fs::create_directories(root / "prefix/bin");
  put(root / "prefix/share/tovimeter/system/help/ruvo-help.html", "manual 1");
  const char* oldHome = std::getenv("TOVIMETER_HOME");
  const std::string saved = oldHome ? oldHome : "";
  ::unsetenv("TOVIMETER_HOME");
  ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
  const std::string exe = (root / "prefix/bin/tovimeter").string();
  EXPECT_TRUE(IsInstalledProgram(exe));
  ProgramFolder(exe);
  put(root / "prefix/share/tovimeter/system/help/ruvo-help.html", "manual 2");
  ProgramFolder(exe);
  EXPECT_EQ(read(root / "data/tovimeter/system/help/ruvo-help.html"), "manual 2");
  fs::create_directories(root / "portable/system");
  EXPECT_FALSE(IsInstalledProgram((root / "portable/ruvo").string()));
  ::unsetenv("XDG_DATA_HOME");
  if (!saved.empty()) ::setenv("TOVIMETER_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace ruvo::app
