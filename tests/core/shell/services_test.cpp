// Support mail, web links, the version box and the help tab's snail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "core/shell/links.h"
#include "core/shell/snail.h"
#include "core/shell/version.h"
#include "shellfakes.h"

namespace ruvo::shell {
namespace {

TEST(SupportMail, SubjectPerKindAndEncodedBody) {
  // "ルーヴォ" + kind word, as UTF-8 percent escapes.
  EXPECT_EQ(SupportMailUrl(MailKind::acQue),
            std::string("mailto:") + kSupportAddress +
                "?subject=%E3%83%AB%E3%83%BC%E3%83%B4%E3%82%A9%E8%B3%AA%E5%95%8F"
                "&body=%E7%94%A8%E4%BB%B6%E3%82%92%E3%81%8A%E6%9B%B8%E3%81%8D%E3%81%8F%E3%81%A0%E3%81%95%E3%81%84");
  std::set<std::string> urls;
  for (const auto& k : MailKinds()) {
    const std::string u = SupportMailUrl(k.kind);
    EXPECT_EQ(u.find_first_of(" \r\n"), std::string::npos) << u;
    urls.insert(u);
  }
  EXPECT_EQ(urls.size(), 5u) << "each kind has its own subject";

  testing::FakeShell shell;
  testing::FakeDialogs dialogs;
  platform::Ports ports{&dialogs, nullptr, nullptr, &shell, nullptr};
  ComposeSupportMail(ports, MailKind::acError);
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], SupportMailUrl(MailKind::acError));
  shell.openSucceeds = false;
  ComposeSupportMail(ports, MailKind::acInf);
  EXPECT_EQ(dialogs.texts("message").size(), 1u) << "a mail program that cannot be started is told";
}

TEST(WebLinks, ThreePagesOpenedThroughTheShell) {
  ASSERT_EQ(WebLinks().size(), 3u);
  testing::FakeShell shell;
  platform::Ports ports{nullptr, nullptr, nullptr, &shell, nullptr};
  for (const auto& l : WebLinks()) {
    EXPECT_TRUE(std::regex_match(l.url, std::regex("https://[^ ]+"))) << l.url;
    OpenWebLink(ports, l);
  }
  EXPECT_EQ(shell.opened.size(), 3u);
}

TEST(VersionBox, ItemsInOrderWithTheFileDateOfTheProgram) {
  std::string t = (std::filesystem::temp_directory_path() / "versiontest-XXXXXX").string();
  const std::string dir = mkdtemp(t.data());
  const std::string exe = dir + "/tovimeter";
  std::ofstream(exe) << "x";
  // 2024-03-05 06:07 local time.
  std::tm tm{};
  tm.tm_year = 124, tm.tm_mon = 2, tm.tm_mday = 5, tm.tm_hour = 6, tm.tm_min = 7, tm.tm_isdst = -1;
  const auto sys = std::chrono::system_clock::from_time_t(std::mktime(&tm));
  std::filesystem::last_write_time(exe, std::chrono::file_clock::from_sys(sys));

  testing::FakeShell shell;
  shell.program = exe;
  testing::FakeDialogs dialogs;
  acShowVersion({&dialogs, nullptr, nullptr, &shell, nullptr});
  ASSERT_EQ(dialogs.texts("message").size(), 1u);
  EXPECT_EQ(dialogs.texts("message")[0],
            std::string("----- バージョン情報 -----\r\n\r\n名前： ") + kProductName + "\r\n\r\n製作・著作： " +
                kMakerName + "\r\n\r\nバージョン： 1.2.3\r\n\r\n作成日： 2024/03/05 06:07\r\n\r\n実行ファイル： " +
                exe + "\r\n\r\nDebian GNU/Linux 12 (bookworm) 6.1.0");
  std::filesystem::remove_all(dir);

  EXPECT_EQ(FileDateText(dir + "/gone"), "不明");
  shell.ver.clear();
  EXPECT_EQ(CurrentVersionInfo(shell).version, "不明");
}

TEST(Snail, FramesFollowTheSecondAndSecondZeroTakesTheFullGlyph) {
  EXPECT_EQ(TSnail::Glyph(0), "__＠ﾉ”");
  EXPECT_EQ(TSnail::Glyph(59), "__＠ﾉ”");
  EXPECT_EQ(TSnail::Glyph(10), TSnail::Glyph(20));
  EXPECT_EQ(TSnail::Glyph(8).rfind("___", 0), 0u) << "frame 8 has a leading extra underscore";
  EXPECT_EQ(TSnail::Glyph(9).rfind(".", 0), 0u) << "frame 9 has a leading full stop";
  std::set<std::string> frames;
  for (int s = 1; s <= 10; ++s) frames.insert(TSnail::Glyph(s));
  EXPECT_EQ(frames.size(), 10u);
}

TEST(Snail, BlanksGrowEveryElevenSecondsAndWrapAtTheLabelWidth) {
  const TSnail::Geometry g{40, 20, 100, 10};  // four blanks fill the label
  TSnail snail(g);
  EXPECT_EQ(snail.Top(), 100 - 20 - 8);
  EXPECT_EQ(snail.Blanks(), 1);
  snail.Tick(10, g, 2);
  EXPECT_EQ(snail.Blanks(), 1);
  snail.Tick(11, g, 2);
  EXPECT_EQ(snail.Blanks(), 2);
  snail.Tick(22, g, 2);
  EXPECT_EQ(snail.Blanks(), 3);
  snail.Tick(33, g, 2);
  EXPECT_EQ(snail.Blanks(), 1) << "four blanks reach the width: back to one";
  EXPECT_EQ(snail.Text(), " " + TSnail::Glyph(33));
}

TEST(Snail, SecondZeroGlyphBlankAndClimbTogetherThenRestartFromTheBottom) {
  const TSnail::Geometry g{1000, 20, 100, 10};
  TSnail snail(g);
  snail.Tick(0, g, 2);
  EXPECT_EQ(snail.Text(), "  __＠ﾉ”") << "the glyph of second 0 and one more blank";
  EXPECT_EQ(snail.Top(), 72 - 2);
  snail.Tick(47, g, 2);
  EXPECT_EQ(snail.Top(), 70) << "climbs only at multiples of 48";
  snail.Tick(48, g, 0);
  EXPECT_EQ(snail.Top(), 70) << "a climb of 0";
  // Climb until above 3 - height (-17): 70 -> ... -> -18 restarts at the bottom.
  for (int i = 0; i < 44; ++i) snail.Tick(48, g, 2);
  EXPECT_EQ(snail.Top(), 72);
}

}  // namespace
}  // namespace ruvo::shell
