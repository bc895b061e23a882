// Opening the manual: the per-anchor file rule, the fragment form, trimming, and the messages
// for a missing manual or a missing browser.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/shell/help.h"
#include "shellfakes.h"

namespace ruvo::shell {
namespace {
namespace fs = std::filesystem;

struct TempDir {
  fs::path path;
  TempDir() {
    std::string t = (fs::temp_directory_path() / "shelltest-XXXXXX").string();
    path = mkdtemp(t.data());
  }
  ~TempDir() { fs::remove_all(path); }
  std::string file(const std::string& rel, const std::string& content = "x") const {
    fs::path p = path / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << content;
    return p.string();
  }
};

struct HelpFixture : ::testing::Test {
  TempDir dir;
  testing::FakeShell shell;
  testing::FakeDialogs dialogs;
  platform::Ports ports() { return {&dialogs, nullptr, nullptr, &shell, nullptr}; }
};

TEST_F(HelpFixture, AnchorFormsAsTheBrowserReceivesThem) {
  // The folder has a blank and a Japanese name, as a teacher's folders do.
  const std::string manual = dir.file("プログラム 1/system/help/ruvo-help.html");
  const std::string perAnchor = dir.file("プログラム 1/system/help/ruvo-help_CreateZip.html");
  const std::string folderUrl = FileUrl(fs::path(manual).parent_path().string());
  struct Case {
    const char* anchor;
    std::string expected;
  } cases[] = {
      {"", manual},                                  // no anchor: the bare file
      {"   ", manual},                               // blanks only: the bare file
      {"CreateZip", perAnchor},                      // per-anchor file first
      {"  CreateZip \t", perAnchor},                 // trimmed before the file is looked for
      {" New ", folderUrl + "/ruvo-help.html#New"},  // no file: fragment, trimmed
      {"自動段下げ", folderUrl + "/ruvo-help.html#%E8%87%AA%E5%8B%95%E6%AE%B5%E4%B8%8B%E3%81%92"},
  };
  for (const auto& c : cases) {
    shell.opened.clear();
    OpenHelpAt(ports(), manual, c.anchor);
    ASSERT_EQ(shell.opened.size(), 1u) << c.anchor;
    EXPECT_EQ(shell.opened[0], c.expected) << "anchor [" << c.anchor << "]";
  }
  EXPECT_TRUE(dialogs.log.empty());
  EXPECT_NE(folderUrl.find("%20"), std::string::npos) << "blanks in the folder are encoded";
}

TEST_F(HelpFixture, MissingManualAndMissingBrowserAreTold) {
  const std::string missing = (dir.path / "system/help/ruvo-help.pdf").string();
  OpenHelpAt(ports(), missing, "");
  EXPECT_TRUE(shell.opened.empty());
  ASSERT_EQ(dialogs.texts("message").size(), 1u);
  EXPECT_EQ(dialogs.texts("message")[0], "ファイルがありません\r\n\r\n" + missing);

  const std::string manual = dir.file("system/help/ruvo-help.html");
  shell.openSucceeds = false;
  OpenHelpAt(ports(), manual, "New");
  ASSERT_EQ(dialogs.texts("message").size(), 2u);
  EXPECT_EQ(dialogs.texts("message")[1], "ruvo-help.html\r\n\r\nこのファイルを開けるアプリケーションがありません");
}

TEST_F(HelpFixture, ManualMenuOpensTheFileOfTheProgramFolder) {
  OpenManualFile(ports(), dir.path.string());
  ASSERT_EQ(dialogs.texts("message").size(), 1u);
  EXPECT_EQ(dialogs.texts("message")[0], "system/help/ruvo-help.html ファイルが見つかりません");
  const std::string manual = dir.file("system/help/ruvo-help.html");
  OpenManualFile(ports(), dir.path.string());
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], manual);
}

TEST(HelpLinks, EveryControlHasItsAnchorAndTheManualPathsAreFixed) {
  EXPECT_STREQ(FindHelpLink("Label18")->anchor, "4STEPS");
  EXPECT_STREQ(FindHelpLink("SpeedButton22")->anchor, "CorrectAnswer");
  EXPECT_STREQ(FindHelpLink("N10")->anchor, "BeginChunk");
  EXPECT_STREQ(FindHelpLink("ManualM2")->anchor, "");
  EXPECT_EQ(FindHelpLink("Label99"), nullptr);
  EXPECT_EQ(ManualPath("/p"), "/p/system/help/ruvo-help.html");
  EXPECT_EQ(ManualPath("/p", true), "/p/system/help/ruvo-help.pdf");
}

}  // namespace
}  // namespace ruvo::shell
