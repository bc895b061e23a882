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
  ASSERT_TRUE(RegisterFileAssociation(&shell, exe, ".RUVO", dirs));
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
  ASSERT_TRUE(RegisterFileAssociation(&shell, exe, ".ruvo", dirs));
  EXPECT_TRUE(shell.started.empty());
  // A moved program rewrites its entry only.
  ASSERT_TRUE(RegisterFileAssociation(&shell, "/opt/ruvo", ".ruvo", dirs));
  ASSERT_EQ(shell.started.size(), 1u);
  EXPECT_EQ(shell.started[0].first, "update-desktop-database");
}

TEST_F(AssociationTest, InstalledTypesNeedNoUserFiles) {
  fs::create_directories(root / "usr/share/mime/packages");
  std::ofstream(root / "usr/share/mime/packages/tovimeter.xml") << MimePackageXml(FileTypes());
  EXPECT_TRUE(RegisterFileAssociation(&shell, "/usr/bin/ruvo", ".ruvo", dirs));
  EXPECT_FALSE(fs::exists(fs::path(dirs.dataHome) / "mime"));
  EXPECT_TRUE(shell.started.empty());
}

TEST_F(AssociationTest, FailuresAreReportedByTheResultOnly) {
  EXPECT_FALSE(RegisterFileAssociation(&shell, "/usr/bin/ruvo", ".txt", dirs)) << "not one of our types";
  EXPECT_FALSE(RegisterFileAssociation(&shell, "/a\nb/ruvo", ".ruvo", dirs)) << "unwritable Exec line";
  // The data home is a file: nothing can be written below it.
  fs::create_directories(fs::path(dirs.dataHome).parent_path());
  std::ofstream(dirs.dataHome) << "not a folder";
  EXPECT_FALSE(RegisterFileAssociation(&shell, "/usr/bin/ruvo", ".ruvp", dirs));
  shell.startSucceeds = false;
  dirs.dataHome = (root / "other").string();
  EXPECT_FALSE(RegisterFileAssociation(&shell, "/usr/bin/ruvo", ".ruvp", dirs)) << "the MIME cache cannot be built";
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
