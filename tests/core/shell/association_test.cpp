// Per-user file association: the files written, their quoting, idempotence, and the installed
// types taking precedence.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/shell/association.h"
#include "core/storage/atomicfile.h"
#include "shellfakes.h"

namespace ruvo::shell {
namespace {
namespace fs = std::filesystem;

// Which programs count as installed, decided by the test.
bool anyInstalled(const std::string&) { return true; }

struct AssociationTest : ::testing::Test {
  fs::path root;
  XdgDirs dirs;
  testing::FakeShell shell;
  void SetUp() override {
    std::string t = (fs::temp_directory_path() / "assoctest-XXXXXX").string();
    root = mkdtemp(t.data());
    dirs.dataHome = (root / "home/.local/share").string();
    dirs.dataDirs = {(root / "usr/local/share").string(), (root / "usr/share").string()};
  }
  void TearDown() override { fs::remove_all(root); }
  std::string read(const fs::path& p) {
    std::string s;
    (void)storage::readWholeFile(p.string(), s);
    return s;
  }
};

TEST_F(AssociationTest, WritesTheUsersTypeAndEntryOnceAndRefreshesTheCaches) {
  const std::string exe = "/home/t/My Programs/ruvo";
  ASSERT_TRUE(RegisterFileAssociation(&shell, exe, ".RUVO", dirs, anyInstalled));
  const fs::path home = dirs.dataHome;
  const std::string xml = read(home / "mime/packages/tovimeter-ruvo.xml");
  EXPECT_NE(xml.find("<mime-type type=\"application/x-ruvo-test\">"), std::string::npos);
  EXPECT_NE(xml.find("<glob pattern=\"*.ruvo\"/>"), std::string::npos);
  const std::string entry = read(home / "applications/tovimeter-open-ruvo.desktop");
  EXPECT_NE(entry.find("Exec=\"/home/t/My Programs/ruvo\" %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("MimeType=application/x-ruvo-test;\n"), std::string::npos);
  ASSERT_EQ(shell.started.size(), 2u);
  EXPECT_EQ(shell.started[0].first, "update-mime-database");
  EXPECT_EQ(shell.started[0].second, std::vector<std::string>{(home / "mime").string()});
  EXPECT_EQ(shell.started[1].first, "update-desktop-database");

  // Again, with the cache in place: nothing to write, nothing to refresh.
  std::ofstream(home / "mime/mime.cache") << "cache";
  shell.started.clear();
  ASSERT_TRUE(RegisterFileAssociation(&shell, exe, ".ruvo", dirs, anyInstalled));
  EXPECT_TRUE(shell.started.empty());
  // A moved program rewrites its entry only.
  ASSERT_TRUE(RegisterFileAssociation(&shell, "/opt/ruvo", ".ruvo", dirs, anyInstalled));
  ASSERT_EQ(shell.started.size(), 1u);
  EXPECT_EQ(shell.started[0].first, "update-desktop-database");
}

TEST_F(AssociationTest, InstalledTypesNeedNoUserFiles) {
  fs::create_directories(root / "usr/share/mime/packages");
  std::ofstream(root / "usr/share/mime/packages/tovimeter.xml") << MimePackageXml(FileTypes());
  EXPECT_TRUE(RegisterFileAssociation(&shell, "/usr/bin/ruvo", ".ruvo", dirs, anyInstalled));
  EXPECT_FALSE(fs::exists(fs::path(dirs.dataHome) / "mime"));
  EXPECT_TRUE(shell.started.empty());
}

TEST_F(AssociationTest, OnlyAnInstalledProgramBecomesTheDefaultAndItRepairsACopysEntry) {
  const fs::path home = dirs.dataHome;
  const std::string copy = "/home/t/Downloads/class 1/ruvo-runtime/ruvo", build = "/home/t/src/build/bin/ruvo";
  const std::string installed = "/usr/bin/ruvo", otherInstall = "/home/t/.local/bin/ruvo";
  auto isInstalled = [&](const std::string& p) { return p == installed || p == otherInstall; };
  const fs::path entry = home / "applications/tovimeter-open-ruvo.desktop";
  const fs::path userMime = home / "mime/packages/tovimeter-ruvo.xml";

  // A mailed copy or a build tree registers nothing.
  for (const auto& p : {copy, build}) EXPECT_FALSE(RegisterFileAssociation(&shell, p, ".ruvo", dirs, isInstalled));
  EXPECT_FALSE(fs::exists(home));
  EXPECT_TRUE(shell.started.empty());

  struct Case {
    const char* what;
    std::string entryFor;  // whose entry the user has
    bool provided;         // the installation's types are in the data dirs
    std::string after;     // whom the entry opens afterwards ("" for no entry)
  } cases[] = {
      {"a copy's entry, types installed: removed", copy, true, ""},
      {"a build tree's entry, types not in the data dirs: replaced", build, false, installed},
      {"a vanished program's entry: removed", "/tmp/gone/ruvo", true, ""},
      {"another installation's entry: kept", otherInstall, true, otherInstall},
      {"its own entry: kept", installed, false, installed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(root / "usr");
    fs::remove_all(home);
    if (c.provided) {
      fs::create_directories(root / "usr/share/mime/packages");
      std::ofstream(root / "usr/share/mime/packages/tovimeter.xml") << MimePackageXml(FileTypes());
    }
    fs::create_directories(entry.parent_path());
    fs::create_directories(userMime.parent_path());
    std::ofstream(entry) << UserDesktopEntry(*FindFileType(".ruvo"), c.entryFor);
    std::ofstream(userMime) << MimePackageXml({*FindFileType(".ruvo")});
    EXPECT_TRUE(RegisterFileAssociation(&shell, installed, ".ruvo", dirs, isInstalled));
    EXPECT_EQ(DesktopEntryProgram(read(entry)), c.after);
    if (c.after.empty()) {
      EXPECT_FALSE(fs::exists(userMime)) << "the installation's types serve";
    }
  }
}

TEST(DesktopExec, TheProgramIsReadBackFromTheEntry) {
  const FileType& t = *FindFileType(".ruvo");
  for (const char* p : {"/usr/bin/ruvo", "/a b/ruvo", "/a\"b/$x`y", "/a\\b", "/100%/ruvo"})
    EXPECT_EQ(DesktopEntryProgram(UserDesktopEntry(t, p)), p);
  EXPECT_EQ(DesktopEntryProgram("[Desktop Entry]\nExec=/usr/bin/ruvo %f\n"), "/usr/bin/ruvo");
  EXPECT_EQ(DesktopEntryProgram("[Desktop Entry]\nName=x\n"), "");
}

TEST_F(AssociationTest, FailuresAreReportedByTheResultOnly) {
  EXPECT_FALSE(RegisterFileAssociation(&shell, "/usr/bin/ruvo", ".txt", dirs, anyInstalled)) << "not one of our types";
  EXPECT_FALSE(RegisterFileAssociation(&shell, "/a\nb/ruvo", ".ruvo", dirs, anyInstalled)) << "unwritable Exec line";
  // The data home is a file: nothing can be written below it.
  fs::create_directories(fs::path(dirs.dataHome).parent_path());
  std::ofstream(dirs.dataHome) << "not a folder";
  EXPECT_FALSE(RegisterFileAssociation(&shell, "/usr/bin/ruvo", ".ruvp", dirs, anyInstalled));
  shell.startSucceeds = false;
  dirs.dataHome = (root / "other").string();
  EXPECT_FALSE(RegisterFileAssociation(&shell, "/usr/bin/ruvo", ".ruvp", dirs, anyInstalled))
      << "the MIME cache cannot be built";
}

TEST_F(AssociationTest, TheTeachersProgramTakesAProjectFromTheCommandLine) {
  const std::string project = (root / "my class/unit 1.RUVP").string();
  const std::string test = (root / "unit 1.ruvo").string();
  fs::create_directories(root / "my class");
  std::ofstream(project) << "{\\rtf1}";
  const std::string missing = (root / "gone.ruvp").string();
  const struct {
    std::vector<std::string> args;
    std::string expected;
  } cases[] = {
      {{project}, project},  {{"--flag", missing, project}, project},  // a missing project is passed over
      {{project, test}, ""},                                           // the test document opens instead
      {{missing}, ""},       {{}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandLineProject(c.args), c.expected) << ::testing::PrintToString(c.args);
}

TEST(DesktopExec, ArgumentsKeepEveryCharacter) {
  // The file holds the key's string escapes over the quoting rule's backslashes.
  struct Case {
    const char* arg;
    const char* written;
  } cases[] = {
      {"/usr/bin/ruvo", R"("/usr/bin/ruvo")"}, {"/a b/ruvo", R"("/a b/ruvo")"},
      {"/a\"b/$x`y", R"("/a\\"b/\\$x\\`y")"},  {"/a\\b", R"("/a\\\\b")"},
      {"/100%/ruvo", R"("/100%%/ruvo")"},      {"/a\nb", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DesktopExecArgument(c.arg), c.written) << c.arg;
}

}  // namespace
}  // namespace ruvo::shell

namespace ruvo::shell {
namespace {

TEST(InstalledTypes, PackageAndEntriesAgreeWithTheTypeTable) {
  std::string xml;
  ASSERT_TRUE(storage::readWholeFile(std::string(RUVO_DATA_DIR) + "/desktop/tovimeter.xml", xml));
  EXPECT_EQ(xml, MimePackageXml(FileTypes())) << "the per-user types are the installed ones";
  for (const auto& t : FileTypes()) {
    std::string entry;
    ASSERT_TRUE(storage::readWholeFile(std::string(RUVO_DATA_DIR) + "/desktop/" + t.program + ".desktop", entry));
    EXPECT_NE(entry.find(std::string(t.mimeType) + ";"), std::string::npos) << t.program << " opens " << t.extension;
  }
}

}  // namespace
}  // namespace ruvo::shell
