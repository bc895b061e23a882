#include "core/authoring/scriptfile.h"

#include <gtest/gtest.h>

#include "authoring_helpers.h"

namespace ruvo::authoring {
namespace {

using testing::lines;
using V = std::vector<std::string>;

TEST(ScriptHeader, FillsTheGridsAsTheyShowIt) {
  const CompileInputs in =
      ReadScriptHeader(lines({"Date=2026/12/10", "TITLE = ignored: the key has a blank", "title= 第１回  ",
                              "title=second wins nothing", "writer=a=b", "autoqa=5", "score=-1", "leftindent=wide",
                              "tabsink=4", "fadein=1", "!", "comment=in a passage", "?", "overflow=1"}));
  EXPECT_EQ(in.properties, (std::array<std::string, 6>{"2026/12/10", "", "第１回", "a=b", "", ""}));
  EXPECT_EQ(in.settings, (std::array<std::string, 9>{"16", "16", "16", "32", "4", "On", "Off", "On", "Off"}));
  EXPECT_TRUE(in.autoNumbers);
  EXPECT_TRUE(in.autoIndent);
  EXPECT_EQ(ReadScriptHeader(lines({})).settings,
            (std::array<std::string, 9>{"16", "16", "16", "32", "8", "On", "Off", "Off", "Off"}));
}

TEST(CorrectAnswerOverview, RowsOfTheMarkedChoices) {
  const auto rows =
      CorrectAnswerOverview(lines({"*before any question", "!", "P", "*in a passage", "?", "First?", "a", "b", "*c",
                                   "?", "*Second?", "*x", "y", "*z", "!", "Q", "?", "日本語の設問", "*は"}));
  EXPECT_EQ(rows, (std::vector<CorrectAnswerRow>{
                      {1, 3, "First?"}, {2, 1, "Second?"}, {3, 3, "Second?"}, {4, 1, "日本語の設問"}}));
  const std::string longText(150, 'w');
  EXPECT_EQ(CorrectAnswerOverview(lines({"!", "?", longText, "*a"}))[0].question, std::string(100, 'w'));
}

TEST(Skeletons, NewScriptAndTemplate) {
  const rt::RichText s = NewScriptSkeleton(platform::DateTime{2026, 3, 4, 9, 5, 0});
  V texts;
  for (const auto& p : s.paragraphs()) texts.push_back(p.text());
  EXPECT_EQ(texts, (V{"date=2026年03月04日 09時", "category=", " ↓ title は必須です",
                      "title=", "writer=", "comment=", "naming=", "!", ""}));
  EXPECT_EQ(s.paragraphs()[1].runs[0].format.color, rt::kAutoColor);
  for (std::size_t i = 2; i < s.paragraphs().size(); ++i) EXPECT_EQ(s.paragraphs()[i].runs[0].format.color, 0xFF0000);
  // The skeleton is a script the header reader and the compiler understand.
  EXPECT_EQ(ReadScriptHeader(s).properties[0], "2026年03月04日 09時");

  const rt::RichText t = NewTemplateSkeleton();
  ASSERT_EQ(t.lineCount(), 36);
  for (int b = 0; b < kTemplateBlockCount; ++b) {
    EXPECT_EQ(t.lineText(3 * b), std::string("[") + kTemplateBlockNames[static_cast<std::size_t>(b)] + "]");
    EXPECT_EQ(t.lineText(3 * b + 1) + t.lineText(3 * b + 2), "");
  }
  TFixedForm form;
  form.Load(rt::readRtf(rt::writeRtf(t)), 1, 1);
  for (int b = 0; b < kTemplateBlockCount; ++b) EXPECT_TRUE(form.Present(b)) << b;
}

}  // namespace
}  // namespace ruvo::authoring
