#include "core/authoring/compiler.h"

#include <gtest/gtest.h>

#include <random>

#include "authoring_helpers.h"
#include "core/authoring/grade.h"
#include "core/document/documentfile.h"
#include "core/document/documentformat.h"
#include "core/document/wpmmeter.h"

namespace ruvo::authoring {
namespace {

using testing::describe;
using testing::lines;
using testing::plainInputs;
using V = std::vector<std::string>;

CompileResult compile(const V& script, const rt::RichText& templ, const CompileInputs& in = plainInputs()) {
  return CompileScript(lines(script), templ, in);
}

TEST(Compiler, SmallestTestWithNumbersAndTabs) {
  CompileInputs in = plainInputs(true, true);
  CompileResult r = CompileScript(lines({"author's note", "!", "The passage.", "?", "Which?", "a", "*b", "c"}),
                                  lines({"[OPEN]", "Your name"}), in);
  ASSERT_TRUE(r.ok()) << r.message;
  const doc::TPageControler& pages = r.document->pages;
  EXPECT_EQ(describe(pages),
            (V{"5/0 Your name", "1/0 The passage.", "3/1  |  {\t(1) Which?: \t\t1. a *\t\t2. b \t\t3. c}", "0/2 "}));
  const doc::TQAItem* q = pages.Page(2)->Question(0);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->QuestionPlain(), "\t(1) Which?");
  ASSERT_EQ(q->ChoiceCount(), 3);
  EXPECT_EQ(q->ChoicePlain(0), "\t\t1. a");
  EXPECT_EQ(q->ChoicePlain(1), "\t\t2. b");
  EXPECT_EQ(q->Correct(), 1);
  EXPECT_FALSE(pages.Page(2)->MainText().has_value() && !pages.Page(2)->MainText()->isEmpty());
  EXPECT_EQ(r.totalText, 1);
  EXPECT_EQ(r.totalQue, 1);
}

// Scripts against the full template: the pages they give, told one line per page.
TEST(Compiler, ScriptsAndTheirPages) {
  struct Case {
    const char* name;
    V script;
    V pages;
  };
  const std::vector<Case> cases = {
      {"two blocks: numbering runs on, choices restart, CONTINUE counts",
       {"!", "P1", "?", "Q1", "a", "*b", "?", "Q2", "*c", "!", "P2", "?", "Q3", "d", "e"},
       {"0/0 Head", "0/0 Note", "5/0 Name", "0/0 Start", "1/0 P1", "2/0p ToQue",
        "3/1 Top | Bottom {(1) Q1: 1. a *2. b} {(2) Q2: *1. c}", "4/0 Next 1 of 2, then 2", "1/0 P2", "2/0p ToQue",
        "3/1 Top | Bottom {(3) Q3: 1. d 2. e}", "4/0 Finish", "0/0 Foot", "0/2 "}},
      {"free text before and after the questions; a second upper one is dropped",
       {"!", "P", "\\", "Upper", "?", "Q", "a", "\\", "Again", "?", "R", "\\", "Lower"},
       {"0/0 Head", "0/0 Note", "5/0 Name", "0/0 Start", "1/0 P", "2/0p ToQue",
        "3/1 Upper | Lower {(1) Q: 1. a} {(2) R:}", "4/0 Finish", "0/0 Foot", "0/2 "}},
      {"only an upper free text: the lower text comes from QUEBOTTOM",
       {"!", "P", "\\", "Upper", "?", "Q", "a"},
       {"0/0 Head", "0/0 Note", "5/0 Name", "0/0 Start", "1/0 P", "2/0p ToQue", "3/1 Upper | Bottom {(1) Q: 1. a}",
        "4/0 Finish", "0/0 Foot", "0/2 "}},
      {"a free-text marker right before a question gives an empty upper text, not QUETOP",
       {"!", "P", "\\", "?", "Q", "a"},
       {"0/0 Head", "0/0 Note", "5/0 Name", "0/0 Start", "1/0 P", "2/0p ToQue", "3/1  | Bottom {(1) Q: 1. a}",
        "4/0 Finish", "0/0 Foot", "0/2 "}},
      {"an empty passage gives no reading page; two markers in a row an empty question",
       {"!", "?", "?", "Q", "a"},
       {"0/0 Head", "0/0 Note", "5/0 Name", "0/0 Start", "0/0 ToQue", "3/1 Top | Bottom {:} {(2) Q: 1. a}",
        "4/0 Finish", "0/0 Foot", "0/2 "}},
      {"a blank line between choices is a blank choice; trailing blank lines are not",
       {"!", "P", "?", "Q", "a", "", "*b", "", "  "},
       {"0/0 Head", "0/0 Note", "5/0 Name", "0/0 Start", "1/0 P", "2/0p ToQue",
        "3/1 Top | Bottom {(1) Q: 1. a 2.  *3. b}", "4/0 Finish", "0/0 Foot", "0/2 "}},
      {"marker lines keep nothing of their rest; a star on the question text means nothing",
       {"!ignored", "P", "?ignored too", "*Q", "*a", "*b"},
       {"0/0 Head", "0/0 Note", "5/0 Name", "0/0 Start", "1/0 P", "2/0p ToQue", "3/1 Top | Bottom {(1) Q: 1. a *2. b}",
        "4/0 Finish", "0/0 Foot", "0/2 "}},
      {"full-width markers are content",
       {"!", "P", "？", "?", "Q", "＊a"},
       {"0/0 Head", "0/0 Note", "5/0 Name", "0/0 Start", "1/0 P", "2/0p ToQue", "3/1 Top | Bottom {(1) Q: 1. ＊a}",
        "4/0 Finish", "0/0 Foot", "0/2 "}},
  };
  for (const Case& c : cases) {
    CompileInputs in = plainInputs(true, false);
    CompileResult r = CompileScript(lines(c.script), testing::fullTemplate(), in);
    ASSERT_TRUE(r.ok()) << c.name << ": " << r.message;
    EXPECT_EQ(describe(r.document->pages), c.pages) << c.name;
  }
}

TEST(Compiler, StopsWithTheirMessages) {
  struct Case {
    V script;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"note", "!", "P", "!", "Q"}, std::string(kMsgConsecutivePassages) + "\r\n\r\n4 行目の !\r\n"},
      {{"!", "P", "?", "Q", "!", "P2", "", "!"}, std::string(kMsgConsecutivePassages) + "\r\n\r\n8 行目の !\r\n"},
      {{"!", "P", "more"}, kMsgNoQuestionBlock},
      {{"no marker at all"}, kMsgNoPassageBlock},
      {{"note", "!", "", " "}, kMsgNoPassageBlock},
      {{"!", "P", "\\", "free text only"}, kMsgNoQuestion},
      {{"!", "P", "?", "Q", "!", "P2"}, kMsgLastPassage},
      {{"!", "P", "?", "Q", "a", "!", "", ""}, kMsgLastPassage},
      // The passage after the final "!" is closed as the last block's question.
      {{"!", "P", "\\", "free text only", "!", "P2"}, kMsgLastPassage},
      {{"!", "P", "?", "Q", "!", "P2", "\\", "free", "!", "P3", "more"}, kMsgLastPassage},
  };
  for (const Case& c : cases) {
    CompileResult r = compile(c.script, testing::fullTemplate());
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, c.message) << c.script[1];
  }
  CompileResult noOpen = compile({"!", "P", "?", "Q"}, lines({"[HEAD]", "h", "[OPEN] ", "x", "[NAME]"}));
  EXPECT_EQ(noOpen.message, kMsgNoOpenBlock);
  EXPECT_FALSE(noOpen.ok());
}

TEST(Compiler, MissingTitleIsAskedFor) {
  CompileInputs in = plainInputs();
  in.properties[doc::prTitle] = "";
  const rt::RichText templ = lines({"[open]", "n"});
  const V script = {"!", "P", "?", "Q"};
  struct Case {
    std::optional<std::string> answer;
    bool ok;
  };
  for (const Case& c : std::vector<Case>{
           {std::nullopt, false}, {"title", false}, {" title ", false}, {"   ", false}, {"  2026 第１回目 ", true}}) {
    CompileHooks h;
    std::string prompt;
    h.year = 2031;
    h.askTitle = [&](const std::string& caption, const std::string& p, const std::string& def) {
      EXPECT_EQ(caption, kTitleCaption);
      EXPECT_EQ(def, "title");
      prompt = p;
      return c.answer;
    };
    CompileResult r = CompileScript(lines(script), templ, in, h);
    EXPECT_EQ(prompt, "【例】　2031 第１回目");
    ASSERT_EQ(r.ok(), c.ok) << c.answer.value_or("(cancel)");
    if (r.ok()) {
      EXPECT_EQ(r.document->pages.Property(doc::prTitle), "2026 第１回目");
      EXPECT_EQ(r.answeredTitle, "2026 第１回目");
    } else {
      EXPECT_EQ(r.message, kMsgNoTitle);
    }
  }
  // No input box at all: the same stop. A title of blanks is a title.
  EXPECT_EQ(CompileScript(lines(script), templ, in).message, kMsgNoTitle);
  in.properties[doc::prTitle] = " ";
  EXPECT_TRUE(CompileScript(lines(script), templ, in).ok());
}

TEST(Compiler, PropertiesAndSettingsComeFromTheGrids) {
  CompileInputs in = plainInputs();
  in.properties = {"2026/12/10", "cat", "My test", "me", "c", "番号"};
  in.settings = {"10", "12", "14", "30", "6", "Off", "On", "x", "Off"};
  CompileResult r = compile({"!", "P", "?", "Q"}, lines({"[OPEN]"}), in);
  ASSERT_TRUE(r.ok()) << r.message;
  for (int i = 0; i < doc::kPropertyCount; ++i)
    EXPECT_EQ(r.document->pages.Property(i), in.properties[static_cast<std::size_t>(i)]);
  EXPECT_EQ(r.document->pages.Settings(), (std::array<int, 9>{10, 12, 14, 30, 6, 0, 1, 1, 0}));
  in.settings[3] = "wide";
  EXPECT_EQ(compile({"!", "P", "?", "Q"}, lines({"[OPEN]"}), in).message, "'wide' is not a valid integer value");
}

TEST(Compiler, TemplateBlocks) {
  // A header in other letter case counts, one with a trailing blank does not and ends the
  // block before it; a header followed by another gives an empty page; the placeholders
  // are replaced wherever they stand.
  const rt::RichText templ = lines({"[head]", "%TOTALTEXT% texts, %TotalQue% questions", "[Note]", "[OPEN]", "n",
                                    "[FOOT] ", "not a block", "[CONTINUE]", "%TextNow%/%TextNext%", "[FINISH]"});
  CompileResult r = compile({"!", "A", "?", "Q", "?", "R", "!", "B", "?", "S"}, templ);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(describe(r.document->pages), (V{"0/0 2 texts, 3 questions", "0/0 ", "5/0 n", "1/0 A", "3/1  |  {Q:} {R:}",
                                            "4/0 1/2", "1/0 B", "3/1  |  {S:}", "4/0 ", "0/2 "}));
  EXPECT_FALSE(r.document->pages.Page(1)->MainText().has_value());
}

TEST(Compiler, PageTagsInScriptAndTemplateNeverOpenPages) {
  const rt::RichText templ = lines({"[OPEN]", "<page start>", "[FINISH]", "  <page last>", std::string("<p\0age", 6)});
  CompileResult r = compile({"!", "<page>", "\t<page name>", "?", "Q", "<page end>"}, templ);
  ASSERT_TRUE(r.ok()) << r.message;
  const doc::TPageControler& pages = r.document->pages;
  ASSERT_EQ(pages.PageCount(), 5);
  EXPECT_EQ(testing::lineTexts(pages.Page(0)->MainText())[0], "<ｐａｇｅ start>");
  EXPECT_EQ(testing::lineTexts(pages.Page(1)->MainText()), (V{"<ｐａｇｅ>", "\t<ｐａｇｅ name>", ""}));
  EXPECT_EQ(pages.Page(2)->Question(0)->ChoicePlain(0), "<ｐａｇｅ end>");
  // A NUL inside the word is no way round: a stored document would lose it.
  EXPECT_EQ(testing::lineTexts(pages.Page(3)->MainText()), (V{"  <ｐａｇｅ last>", "<ｐａｇｅ", ""}));
}

// Page text lines that the document would read back as questions or choices.
TEST(Compiler, QuestionMarkersInPageTextsStayText) {
  const rt::RichText templ = lines({"[OPEN]", "?? not a question", "[QUETOP]", "?* not a choice", "[FINISH]", "\t?"});
  CompileResult r = compile({"!", "  ?! in a passage", "\\", " ?upper", "?", "Q", " ?x", "*a"}, templ);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(describe(r.document->pages),
            (V{"5/0 ？? not a question", "1/0 ？! in a passage", "3/1 ？upper |  {Q:  ?x *a}", "4/0 ？", "0/2 "}));
  EXPECT_EQ(r.document->qa.Count(), 1);
}

TEST(Compiler, CopiedLinesKeepTheirFormats) {
  rt::RichText script = lines({"!", "plain ", "?", "Q", "*right"});
  rt::CharFormat bold;
  bold.bold = true;
  script.paragraphs()[1].runs.push_back(rt::Run{"bold", bold});
  script.paragraphs()[4].runs[0].format.color = 0x0000FF;
  CompileResult r = CompileScript(script, lines({"[OPEN]"}), plainInputs(true, true));
  ASSERT_TRUE(r.ok()) << r.message;
  const rt::RichText& passage = *r.document->pages.Page(1)->MainText();
  ASSERT_EQ(passage.paragraphs()[0].runs.size(), 2u);
  EXPECT_TRUE(passage.paragraphs()[0].runs[1].format.bold);
  // The number and tabs put in front of a choice take the colour of its first character.
  const rt::RichText& choice = *r.document->pages.Page(2)->Question(0)->Choice(0);
  ASSERT_EQ(choice.paragraphs()[0].runs.size(), 1u);
  EXPECT_EQ(choice.paragraphs()[0].runs[0].text, "\t\t1. right");
  EXPECT_EQ(choice.paragraphs()[0].runs[0].format.color, 0x0000FF);
}

TEST(Compiler, PassagesAreGradedAndChunked) {
  const std::string english =
      "The North Wind and the Sun / disputed as to which / was the most powerful. / They agreed / that he should "
      "win / who could first strip a traveller / of his clothes.";
  CompileResult r = compile({"!", english, "?", "Q", "!", "ひらがなだけ", "?", "R"}, lines({"[OPEN]"}));
  ASSERT_TRUE(r.ok()) << r.message;
  const doc::TPage& p = *r.document->pages.Page(1);
  TReadingGrader grader;
  EXPECT_GT(p.Grade(), 0);
  EXPECT_EQ(p.Grade(), grader.Grade(english));
  EXPECT_EQ(p.PhraseMarkCount(), 8);
  EXPECT_EQ(r.document->pages.Page(3)->Grade(), 0);
}

// Random scripts: the compiled document written, read back and written again gives the
// same file as its first save.
TEST(Compiler, SavedOpenedSavedAgainIsTheSameFile) {
  std::mt19937 rng(20261210);
  const V words = {"the", "Sun", "wind", "/",  "ran.", "fast,", "and",      "山",
                   "*",   "?",   "!",    "\\", "",     "<page", "%TextNow%"};
  auto line = [&] {
    std::string s;
    const int n = static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) s += (i ? " " : "") + words[rng() % words.size()];
    return s;
  };
  int compiled = 0;
  for (int round = 0; round < 200; ++round) {
    V script = {"!"};
    const int blocks = 1 + static_cast<int>(rng() % 4);
    for (int b = 0; b < blocks; ++b) {
      if (b) script.push_back("!");
      for (int i = static_cast<int>(rng() % 3); i > 0; --i) script.push_back(line());
      if (rng() % 3 == 0) script.insert(script.end(), {"\\", line()});
      for (int q = 1 + static_cast<int>(rng() % 3); q > 0; --q) {
        script.push_back("?");
        for (int i = static_cast<int>(rng() % 5); i > 0; --i) script.push_back(line());
      }
      if (rng() % 3 == 0) script.insert(script.end(), {"\\", line()});
    }
    CompileInputs in = plainInputs(rng() % 2 == 0, rng() % 2 == 0);
    CompileResult r = CompileScript(lines(script), testing::fullTemplate(), in);
    if (!r.ok()) continue;
    ++compiled;
    rt::RichText first;
    r.document->pages.WriteDocument(first);
    const std::string bytes = doc::EncodeDocument(first);
    rt::RichText opened;
    ASSERT_TRUE(doc::DecodeDocument(bytes, opened));
    TDocumentModel again;
    doc::TWPMMeter meter;
    doc::ParseDocument(opened, again.pages, again.qa, meter);
    rt::RichText second;
    again.pages.WriteDocument(second);
    ASSERT_EQ(doc::EncodeDocument(second), bytes) << "round " << round;
  }
  EXPECT_GT(compiled, 100);
}

TEST(Compiler, CopyDocumentReplacesTheTarget) {
  CompileResult r = compile({"!", "P", "?", "Q", "a", "*b"}, testing::fullTemplate());
  ASSERT_TRUE(r.ok());
  doc::TDocument open;
  open.SetPath("open.ruvp");
  open.Pages().AddPage();
  open.Pages().Page(0)->NewQuestion();
  CopyDocument(r.document->pages, open);
  EXPECT_EQ(describe(open.Pages()), describe(r.document->pages));
  EXPECT_EQ(open.QA().Count(), 1);
  EXPECT_EQ(open.Pages().Property(doc::prTitle), "T");
  EXPECT_EQ(open.Path(), "open.ruvp");
  rt::RichText a, b;
  r.document->pages.WriteDocument(a);
  open.Pages().WriteDocument(b);
  EXPECT_EQ(rt::writeRtf(a), rt::writeRtf(b));
}

}  // namespace
}  // namespace ruvo::authoring
