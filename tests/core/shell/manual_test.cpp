// The shipped manual carries a section for every anchor the program opens.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "core/shell/help.h"
#include "core/storage/atomicfile.h"

namespace ruvo::shell {
namespace {

std::set<std::string> manualIds() {
  std::string html;
  EXPECT_TRUE(storage::readWholeFile(std::string(RUVO_DATA_DIR) + "/system/help/ruvo-help.html", html));
  std::set<std::string> ids;
  const std::regex id(R"re(\sid="([^"]+)")re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), id); it != std::sregex_iterator(); ++it)
    EXPECT_TRUE(ids.insert((*it)[1].str()).second) << "id used twice: " << (*it)[1].str();
  return ids;
}

TEST(Manual, HasEverySectionTheProgramOpens) {
  const std::set<std::string> ids = manualIds();
  for (const auto& l : HelpLinks()) {
    if (*l.anchor) {
      EXPECT_TRUE(ids.count(l.anchor)) << l.control << " opens #" << l.anchor;
    }
  }
  for (const auto& c : CaptionAnchors()) EXPECT_TRUE(ids.count(c)) << "right-click on " << c;
}

TEST(Manual, InternalLinksLeadToSections) {
  std::string html;
  ASSERT_TRUE(storage::readWholeFile(std::string(RUVO_DATA_DIR) + "/system/help/ruvo-help.html", html));
  const std::set<std::string> ids = manualIds();
  const std::regex href(R"re(href="#([^"]+)")re");
  int links = 0;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), href); it != std::sregex_iterator(); ++it, ++links)
    EXPECT_TRUE(ids.count((*it)[1].str())) << "dangling link #" << (*it)[1].str();
  EXPECT_GT(links, 0);
}

// The text of the section that starts at id, up to the next section.
std::string section(const std::string& html, const std::string& id) {
  const auto start = html.find("<h2 id=\"" + id + "\"");
  if (start == std::string::npos) return {};
  const auto end = html.find("<h2 ", start + 1);
  return html.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST(Manual, SaysWhatTheProgramsDo) {
  std::string html;
  ASSERT_TRUE(storage::readWholeFile(std::string(RUVO_DATA_DIR) + "/system/help/ruvo-help.html", html));
  // The page editor, with every control a teacher meets there.
  const std::string editor = section(html, "PageEditor");
  for (const char* word : {"ツリー", "選択肢グリッド", "一括", "YES", "Clear Answer", "direction A", "Questionnaire"})
    EXPECT_NE(editor.find(word), std::string::npos) << word;
  EXPECT_NE(html.find("href=\"#PageEditor\""), std::string::npos) << "in the index";
  // The examinee program takes no drops, and its package needs no Qt on the examinee's machine.
  const std::string taking = section(html, "TakeTest");
  EXPECT_EQ(taking.find("ドロップして開きます"), std::string::npos);
  EXPECT_NE(taking.find("ドロップしても開けません"), std::string::npos);
  EXPECT_EQ(section(html, "CreateZip").find("Qt 6 のライブラリが必要"), std::string::npos);
}

}  // namespace
}  // namespace ruvo::shell
