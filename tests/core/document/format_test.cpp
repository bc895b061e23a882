// The document text form: the parse of the example document, tag words, the walk's edge
// cases, the writer's tag lines, and write-then-parse over random documents.
#include <gtest/gtest.h>

#include <random>

#include "core/text/strings.h"
#include "helpers.h"

namespace ruvo::doc {
namespace {

using testing::Doc;
using testing::linesText;
using testing::lineTexts;

std::vector<std::string> plainLines(const rt::RichBuffer& b) {
  if (!b) return {};
  std::vector<std::string> out = lineTexts(*b);
  // The empty line after a final break is no line of the text.
  if (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

TEST(DocumentFormat, ExampleDocumentGivesItsFivePages) {
  Doc d;
  d.parse(rt::readRtf(testing::readFixture("documents/richedit-sample.rtf")));
  ASSERT_EQ(d.pages.PageCount(), 5);
  EXPECT_EQ(d.pages.Property(prDate), "2014/05/09");
  EXPECT_EQ(d.pages.Property(prTitle), "2014年 2回目");
  EXPECT_EQ(d.pages.Settings(), kSettingDefaults);

  const std::vector<int> kinds = {5, 0, 1, 2, 0}, roles = {0, 0, 0, 1, 2};
  const std::vector<bool> pass = {false, false, false, true, false};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(KindNumber(d.page(i).Kind()), kinds[i]) << i;
    EXPECT_EQ(RoleNumber(d.page(i).Role()), roles[i]) << i;
    EXPECT_EQ(d.page(i).PassFlag(), pass[i]) << i;
  }
  EXPECT_EQ(d.page(0).MainTextCaption(), "受験者の名前");
  EXPECT_EQ(d.page(1).MainTextCaption(), "読解計測を始めます。");
  // The reading page: two phrases, separators gone, the underline of "better" kept.
  EXPECT_EQ(d.page(2).PhraseMarks(), (std::vector<std::int32_t>{0, 14, 41}));
  EXPECT_EQ(plainLines(d.page(2).MainText()), (std::vector<std::string>{"Faster Readingmakes better comprehension."}));
  const rt::RichText& reading = *d.page(2).MainText();
  EXPECT_TRUE(reading.formatAt(20).underline);
  EXPECT_FALSE(reading.formatAt(19).underline);

  TPage& q = d.page(3);
  ASSERT_EQ(q.QuestionCount(), 2);
  EXPECT_EQ(q.Question(0)->QuestionPlain(), " followed by a question");
  ASSERT_EQ(q.Question(0)->ChoiceCount(), 2);
  EXPECT_EQ(q.Question(0)->ChoicePlain(0), " followed by a choice");
  EXPECT_EQ(q.Question(0)->ChoicePlain(1), " followed by the correct choice");
  EXPECT_EQ(q.Question(0)->Correct(), 1);
  // The red "correct" survives the marker removal.
  EXPECT_EQ(q.Question(0)->Choice(1)->formatAt(17).color, 0xFF0000);
  EXPECT_EQ(q.Question(1)->ChoiceCount(), 0);
  EXPECT_EQ(q.Question(1)->QuestionPlain(), " followed by a question answered in a field");
  EXPECT_FALSE(q.MainText());
  EXPECT_FALSE(q.LowerText());
  EXPECT_EQ(d.qa.Count(), 2);
  EXPECT_EQ(d.qa.Item(0)->PageIndex(), 3);
}

TEST(DocumentFormat, TagWordsGiveKindRoleAndPass) {
  struct Case {
    const char* tag;
    int kind, role;
    bool pass;
  } cases[] = {
      {"<page>", 0, 0, false},
      {"<page start>", 1, 0, false},
      {"<page end pass>", 2, 0, true},
      {"<page end  pass end pass>", 2, 0, true},
      {"<page timerOn>", 3, 0, false},
      {"<page timerOff>", 4, 0, false},
      {"<page name>", 5, 0, false},
      {"<page last>", 0, 2, false},
      {"<page last pass>", 0, 2, false},  // the last page takes no other word
      {"<page start last>", 1, 0, false},
      {"<page start  pass phrasing>", 1, 0, true},
      {"<page phrasing>", 0, 0, false},
      {"<page whatever>", 0, 0, false},
      {"<pagestart>", 0, 0, false},  // the words carry their blank
      // As earlier installations wrote pages after a reading or a timed question page:
      // the page's own word comes first and decides.
      {"<page timerOn end pass>", 3, 0, true},
      {"<page name end pass>", 5, 0, true},
      {"<page nametimerOff>", 5, 0, false},
      {"<page starttimerOff>", 1, 0, false},
      {"<page last end pass>", 0, 2, false},
      {"<page lasttimerOff>", 0, 2, false},
      {"<page timerOff end pass>", 4, 0, true},
      {"<page passtimerOff>", 4, 0, true},
      // Any other tag with two kind words: the format's order of priority decides.
      {"<page last start>", 1, 0, false},
      {"<page end start>", 1, 0, false},
      {"<page name timerOn>", 3, 0, false},
      {"<page timerOff start>", 1, 0, false},
      {"<page name timerOff>", 4, 0, false},  // not glued: no earlier writer wrote it
      {"<page end pass name>", 2, 0, true},
  };
  for (const Case& c : cases) {
    Doc d;
    d.parse({"title=x", c.tag, "text", "<page>", "after"});
    ASSERT_GE(d.pages.PageCount(), 1) << c.tag;
    EXPECT_EQ(KindNumber(d.page(0).Kind()), c.kind) << c.tag;
    EXPECT_EQ(RoleNumber(d.page(0).Role()), c.role) << c.tag;
    EXPECT_EQ(d.page(0).PassFlag(), c.pass) << c.tag;
    // A last page swallows the rest, page tags included.
    EXPECT_EQ(d.pages.PageCount(), c.role == 2 ? 1 : 2) << c.tag;
  }
}

TEST(DocumentFormat, HeaderLookups) {
  const rt::RichText t = linesText({"  title=My test  ", "leftindent=abc", "tabsink= 4", "score=2", "title=second",
                                    "<page>", "date=inside", "autoqa=0"});
  EXPECT_EQ(ReadHeaderString(t, "title", "d"), "My test");
  EXPECT_EQ(ReadHeaderString(t, "date", "d"), "d");   // stops at the first page tag
  EXPECT_EQ(ReadHeaderString(t, "Title", "d"), "d");  // keys are case-sensitive
  EXPECT_EQ(ReadHeaderInt(t, "leftindent", 16), 16);
  EXPECT_EQ(ReadHeaderInt(t, "score", 0), 2);
  EXPECT_EQ(ReadHeaderInt(t, "autoqa", 1), 1);
  Doc d;
  d.parse(t);
  EXPECT_EQ(d.pages.Property(prTitle), "My test");
  EXPECT_EQ(d.pages.Setting(stLeftIndent), 16);
  EXPECT_EQ(d.pages.Setting(stScore), 2);
  EXPECT_EQ(d.pages.Setting(stAutoQA), 1);
}

TEST(DocumentFormat, WalkEdgeCases) {
  {  // trailing blank lines and "<page>" lines go before parsing
    Doc d;
    d.parse({"<page>", "a", "<page>", " ", "<page>", ""});
    EXPECT_EQ(d.pages.PageCount(), 1);
    EXPECT_EQ(d.work.lineCount(), 2);
  }
  {  // a question right after its tag: empty main text; text after the last choice is the
     // lower text; a question page at the end keeps no lower text
    Doc d;
    d.parse({"<page>", "??q1", "?a", "?*b", "", "lower", "<page>", "intro", "?!q2", "tail"});
    ASSERT_EQ(d.pages.PageCount(), 2);
    EXPECT_FALSE(d.page(0).MainText());
    EXPECT_EQ(plainLines(d.page(0).LowerText()), (std::vector<std::string>{"", "lower"}));
    EXPECT_EQ(plainLines(d.page(1).MainText()), (std::vector<std::string>{"intro"}));
    EXPECT_FALSE(d.page(1).LowerText());
  }
  {  // a choice before the page's first question joins the latest question; "?*" twice: the
     // later one is correct; a choice with no question at all loses only its marker
    Doc d;
    d.parse({"?x", "<page>", "?orphan", "??q", "?*a", "?*b", "<page>", "?c", "text"});
    ASSERT_EQ(d.qa.Count(), 1);
    const TQAItem& q = *d.qa.Item(0);
    EXPECT_EQ(q.ChoiceCount(), 3);
    EXPECT_EQ(q.ChoicePlain(2), "c");
    EXPECT_EQ(q.Correct(), 1);
    EXPECT_EQ(d.page(1).Role(), PageRole::Ordinary);
    EXPECT_EQ(d.page(0).MainTextPlain(), "orphan\r\n");
  }
  {  // no page tag at all: "<page>" goes on top, no pages
    Doc d;
    d.parse({"title=t", "just text"});
    EXPECT_EQ(d.pages.PageCount(), 0);
    EXPECT_EQ(lineTexts(d.work), (std::vector<std::string>{"<page>", "title=t", "just text"}));
  }
  {  // grades go to the reading pages of role 0, in order, until they run out
    Doc d;
    d.parse({"gradelist=35,x,72", "<page start>", "a", "<page>", "b", "<page start>", "??q", "<page start>", "c",
             "<page start>", "d", "<page start>", "e"});
    std::vector<int> grades;
    for (int i = 0; i < d.pages.PageCount(); ++i) grades.push_back(d.page(i).Grade());
    EXPECT_EQ(grades, (std::vector<int>{35, 0, 0, 0, 72, 0}));
    EXPECT_EQ(d.pages.GradeList(), "35,72");
  }
  {  // a reading page with a leading separator, as earlier writers saved it: the marks the
     // parser defines (an empty first phrase)
    Doc d;
    d.parse({"<page start>", "/ one/ two/ "});
    EXPECT_EQ(d.page(0).PhraseMarks(), (std::vector<std::int32_t>{0, 0, 3, 6}));
    EXPECT_EQ(plainLines(d.page(0).MainText()), (std::vector<std::string>{"onetwo"}));
  }
  {  // separators only at the very first character do not count
    Doc d;
    d.parse({"<page>", "/ only", "<page>", "x"});
    EXPECT_EQ(d.page(0).PhraseMarkCount(), 0);
    EXPECT_EQ(plainLines(d.page(0).MainText()), (std::vector<std::string>{"/ only"}));
  }
}

TEST(DocumentFormat, PhraseMarksOverSeveralLines) {
  // Every line with text after its last separator ends a phrase at its end.
  Doc d;
  d.parse({"<page start>", "ab/ cd", "", "ef", "gh/ ", "<page>"});
  // "abcd" (0..4) break "" (5) break "ef" (6..8) break "gh" (9..11)
  EXPECT_EQ(d.page(0).PhraseMarks(), (std::vector<std::int32_t>{0, 2, 4, 8, 11}));
}

TEST(DocumentFormat, SeparatorsAcrossRunsKeepTheLookOfTheText) {
  rt::CharFormat bold;
  bold.bold = true;
  rt::RichText t;
  t.paragraphs().front().runs = {rt::Run{"ab/", bold}, rt::Run{" cd", {}}, rt::Run{"/ ", bold}, rt::Run{"ef", {}}};
  const std::vector<std::int32_t> marks = ExtractPhraseMarks(t);
  EXPECT_EQ(marks, (std::vector<std::int32_t>{0, 2, 4, 6}));
  ASSERT_EQ(t.lineText(0), "abcdef");
  EXPECT_TRUE(t.formatAt(1).bold);
  EXPECT_FALSE(t.formatAt(2).bold);
  InsertPhraseSeparators(t, marks);
  EXPECT_EQ(t.lineText(0), "ab/ cd/ ef");
  // A separator takes the look of the character before it.
  EXPECT_TRUE(t.formatAt(2).bold);
  EXPECT_FALSE(t.formatAt(6).bold);
  EXPECT_EQ(ExtractPhraseMarks(t), marks);
}

TEST(DocumentFormat, WriterTagLines) {
  Doc d;
  auto add = [&](int kind, int role, bool pass, bool marks) {
    TPage* p = d.pages.AddPage();
    p->SetKind(static_cast<PageKind>(kind));
    p->SetRole(static_cast<PageRole>(role));
    p->SetPassFlag(pass);
    if (marks) p->SetPhraseMarks({0, 3});
    return p;
  };
  std::vector<std::string> want;
  add(0, 0, false, false), want.push_back("<page>");
  add(1, 0, false, false), want.push_back("<page start>");
  add(0, 0, false, false), want.push_back("<page end pass>");
  add(5, 0, false, false), want.push_back("<page name>");
  add(3, 1, false, false), want.push_back("<page timerOn>");
  add(0, 1, false, false), want.push_back("<page timerOff>");
  add(1, 0, true, true), want.push_back("<page start  pass phrasing>");
  // After a reading page only a page without a kind of its own takes the end words.
  add(3, 1, false, false), want.push_back("<page timerOn>");
  add(1, 0, false, false), want.push_back("<page start>");
  add(5, 0, false, false), want.push_back("<page name>");
  add(1, 0, false, false), want.push_back("<page start>");
  add(0, 2, false, false), want.push_back("<page last>");
  for (int i = 0; i < d.pages.PageCount(); ++i)
    EXPECT_EQ(WritePageTag(d.page(i)), want[static_cast<std::size_t>(i)]) << i;
}

TEST(DocumentFormat, WriterHeaderAndExampleRoundTrip) {
  Doc d;
  d.parse(rt::readRtf(testing::readFixture("documents/richedit-sample.rtf")));
  const rt::RichText written = d.write();
  const std::vector<std::string> lines = lineTexts(written);
  const std::vector<std::string> head(lines.begin(), lines.begin() + 16);
  EXPECT_EQ(head, (std::vector<std::string>{"date=2014/05/09", "category=", "title=2014年 2回目",
                                            "writer=", "comment=", "naming=", "leftindent=16", "rightindent=16",
                                            "textindent=16", "tabindent=32", "tabsink=8", "autoqa=1", "score=0",
                                            "fadein=0", "overflow=0", "gradelist="}));
  const std::vector<std::string> body(lines.begin() + 16, lines.end());
  EXPECT_EQ(body, (std::vector<std::string>{"<page name>", "受験者の名前", "<page>", "読解計測を始めます。",
                                            "<page start phrasing>", "Faster Reading/ makes better comprehension.",
                                            "<page end  pass>", "?? followed by a question", "? followed by a choice",
                                            "?* followed by the correct choice", "",
                                            "?! followed by a question answered in a field", "<page last>", ""}));
  // Through RTF and back: the same pages, formatting included.
  Doc again;
  again.parse(rt::readRtf(rt::writeRtf(written)));
  ASSERT_EQ(again.pages.PageCount(), 5);
  EXPECT_EQ(again.page(2).PhraseMarks(), d.page(2).PhraseMarks());
  EXPECT_EQ(*again.page(2).MainText(), *d.page(2).MainText());
  EXPECT_EQ(*again.page(3).Question(0)->Choice(1), *d.page(3).Question(0)->Choice(1));
  EXPECT_EQ(lineTexts(again.write()), lines);
}

TEST(DocumentFormat, StrayChoiceLinesShowNoMarkerAndDoNotPileUpOnSaving) {
  // A choice line before a page's first question joins the latest question and stays in its
  // page's text without its marker; the first save writes it with its question, and from
  // there a save gives back the same text.
  Doc d;
  d.parse({"<page>", "??q", "?a", "<page>", "?*stray", "text", "<page>", "  ?again", "??q2", "?b"});
  ASSERT_EQ(d.qa.Item(0)->ChoiceCount(), 3);
  EXPECT_EQ(d.qa.Item(0)->Correct(), 1);
  EXPECT_EQ(plainLines(d.page(1).MainText()), (std::vector<std::string>{"stray", "text"}));
  EXPECT_EQ(plainLines(d.page(2).MainText()), (std::vector<std::string>{"  again"}));
  rt::RichText text = d.write();
  for (int save = 0; save < 3; ++save) {
    Doc again;
    again.parse(text);
    EXPECT_EQ(again.qa.Item(0)->ChoiceCount(), 3) << save;
    EXPECT_EQ(again.qa.Item(0)->Correct(), 1) << save;
    EXPECT_EQ(again.qa.Item(1)->ChoiceCount(), 1) << save;
    EXPECT_EQ(plainLines(again.page(1).MainText()), (std::vector<std::string>{"stray", "text"})) << save;
    const rt::RichText next = again.write();
    EXPECT_EQ(lineTexts(next), lineTexts(text)) << save;
    text = next;
  }
}

TEST(DocumentFormat, StrayChoiceLinesThatWouldReadAsTagsOrQuestionsStayWithTheirChoiceOnly) {
  // Without its marker such a line would come back from a save as a page tag or a question
  // line; it stays a choice of the latest question and leaves the page's text.
  for (const char* stray : {"?<page>x", "? <page start>", "?*?y", "?*??z"}) {
    Doc d;
    d.parse({"<page>", "??q", "?a", "<page>", stray, "text", "<page>", "end"});
    EXPECT_EQ(plainLines(d.page(1).MainText()), (std::vector<std::string>{"text"})) << stray;
    rt::RichText text = d.write();
    for (int save = 0; save < 2; ++save) {
      Doc again;
      again.parse(text);
      ASSERT_EQ(again.pages.PageCount(), 3) << stray << save;
      EXPECT_EQ(again.qa.Item(0)->ChoiceCount(), 2) << stray << save;
      EXPECT_EQ(plainLines(again.page(1).MainText()), (std::vector<std::string>{"text"})) << stray << save;
      const rt::RichText next = again.write();
      EXPECT_EQ(lineTexts(next), lineTexts(text)) << stray << save;
      text = next;
    }
  }
}

TEST(DocumentFormat, MarkersGoAloneAndPhraseMarksCountWithoutThem) {
  Doc d;
  d.parse({"<page timerOn>", "\t??q", "\t?*c1", " ?c2", "<page start>", "?*x/ y/ "});
  const TQAItem& q = *d.qa.Item(0);
  EXPECT_EQ(q.QuestionPlain(), "\tq");
  EXPECT_EQ(q.ChoicePlain(0), "\tc1");  // the indent before the marker stays
  EXPECT_EQ(q.ChoicePlain(1), " c2");
  EXPECT_EQ(q.ChoiceCount(), 3);
  // The reading page shows "xy": its phrases are "x" and "y", not shifted by "?*".
  EXPECT_EQ(plainLines(d.page(1).MainText()), (std::vector<std::string>{"xy"}));
  EXPECT_EQ(d.page(1).PhraseMarks(), (std::vector<std::int32_t>{0, 1, 2}));
  // The indents survive a save.
  Doc again;
  again.parse(d.write());
  EXPECT_EQ(again.qa.Item(0)->ChoicePlain(0), "\tc1");
  EXPECT_EQ(again.qa.Item(0)->QuestionPlain(), "\tq");
}

// ---- write-then-parse over random documents ----

struct GenQuestion {
  std::string text;
  std::vector<std::string> choices;
  int correct = -1;
};
struct GenPage {
  int kind = 0, role = 0;
  bool pass = false;
  int grade = 0;
  std::vector<std::string> main;  // with "/ " separators for phrase pages
  std::vector<GenQuestion> questions;
  std::vector<std::string> lower;
};

class Gen {
 public:
  explicit Gen(unsigned seed) : rng_(seed) {}
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool chance(int percent) { return pick(100) < percent; }
  std::string words(bool phrases) {
    static const char* pool[] = {"reading", "speed", "語",  "テスト", "a",          "end", "start",  "pass", "timerOn",
                                 "name",    "last",  "x-y", "it's",   "\tindented", "(1)", "「文」", "/",    "//"};
    std::string s;
    const int n = 1 + pick(6);
    for (int i = 0; i < n; ++i) {
      if (i > 0) s += phrases && chance(35) ? "/ " : " ";
      s += pool[pick(static_cast<int>(std::size(pool)))];
    }
    if (phrases && chance(40)) s += "/ ";
    if (phrases && chance(10)) s = "/ " + s;  // as earlier writers left it
    return s;
  }
  // A line that the walk takes as page text.
  std::string textLine(bool phrases) {
    if (chance(15)) return chance(50) ? "" : "  ";
    std::string s = words(phrases);
    if (chance(20)) s = " " + s;
    return s;
  }
  std::string itemText() {
    std::string s = words(false);
    if (chance(30)) s = "\t(1) " + s;
    if (chance(20)) s = " " + s;
    return s;
  }
  std::vector<GenPage> document() {
    std::vector<GenPage> pages(static_cast<std::size_t>(1 + pick(9)));
    for (std::size_t i = 0; i < pages.size(); ++i) {
      GenPage& p = pages[i];
      const bool lastOne = i + 1 == pages.size();
      p.role = lastOne && chance(40) ? 2 : (chance(35) ? 1 : 0);
      if (p.role != 2) {
        p.kind = pick(6);
        p.pass = chance(30);
      }
      if (p.kind == 1 && p.role == 0 && chance(60)) p.grade = 1 + pick(130);
      const bool phrases = p.role == 0 && chance(50);
      const int lines = pick(4);
      for (int k = 0; k < lines; ++k) p.main.push_back(textLine(phrases));
      if (p.role == 1) {
        const int nq = 1 + pick(3);
        for (int k = 0; k < nq; ++k) {
          GenQuestion q;
          q.text = itemText();
          const int nc = pick(5);
          for (int c = 0; c < nc; ++c) q.choices.push_back(chance(10) ? "" : itemText());
          q.correct = nc > 0 && chance(70) ? pick(nc) : -1;
          p.questions.push_back(q);
        }
        // Text under the questions survives only where another page follows.
        if (!lastOne && chance(50)) {
          const int nl = 1 + pick(3);
          for (int k = 0; k < nl; ++k) p.lower.push_back(textLine(false));
        }
      }
    }
    // The end of a document is never blank: trailing blank lines are dropped on reading.
    GenPage& last = pages.back();
    auto& tail = last.role == 1 ? last.lower : last.main;
    while (!tail.empty() && text::trim(tail.back()).empty()) tail.pop_back();
    // Nor does it end in an empty "<page>": that line is dropped on reading as well.
    if (last.role == 0 && last.main.empty()) last.main.push_back("the end");
    return pages;
  }

 private:
  std::mt19937 rng_;
};

// The models of a generated document, built as the parser would build them.
void build(Doc& d, const std::vector<GenPage>& gen) {
  d.pages.Clear();
  d.qa.Clear();
  for (const GenPage& g : gen) {
    TPage* p = d.pages.AddPage();
    p->SetKind(static_cast<PageKind>(g.kind));
    p->SetRole(static_cast<PageRole>(g.role));
    p->SetPassFlag(g.pass);
    p->SetGrade(g.grade);
    if (!g.main.empty()) {
      rt::RichText t = linesText(g.main);
      if (g.role == 0) p->SetPhraseMarks(ExtractPhraseMarks(t));
      p->SetMainTextFromStream(t);
    }
    if (!g.lower.empty()) p->SetLowerTextFromStream(linesText(g.lower));
    for (const GenQuestion& gq : g.questions) {
      TQAItem* q = p->NewQuestion();
      q->SetQuestion(rt::RichText(gq.text));
      for (const std::string& c : gq.choices) q->AddChoice(rt::RichText(c));
      q->SetCorrect(gq.correct);
    }
  }
}

void expectSameDocument(Doc& want, Doc& got, const std::string& where) {
  ASSERT_EQ(got.pages.PageCount(), want.pages.PageCount()) << where;
  for (int i = 0; i < want.pages.PageCount(); ++i) {
    const TPage& w = want.page(i);
    const TPage& g = got.page(i);
    const std::string at = where + " page " + std::to_string(i);
    // A page of no kind after a reading page ends its timing (kind 2, pass); after a timed
    // question page it ends the question time (kind 4). Everything else comes back as it was.
    PageKind kind = w.Kind();
    bool pass = w.PassFlag();
    if (const TPage* prev = w.PreviousPage(); prev && w.Kind() == PageKind::Plain && w.Role() != PageRole::Last) {
      if (prev->Kind() == PageKind::ReadingStart) kind = PageKind::ReadingEnd, pass = true;
      if (prev->Kind() == PageKind::QuestionTimer) kind = PageKind::QuestionEnd;
    }
    EXPECT_EQ(g.Kind(), kind) << at;
    EXPECT_EQ(g.Role(), w.Role()) << at;
    EXPECT_EQ(g.PassFlag(), pass) << at;
    EXPECT_EQ(g.Grade(), w.Grade()) << at;
    EXPECT_EQ(g.PhraseMarks(), w.PhraseMarks()) << at;
    EXPECT_EQ(plainLines(g.MainText()), plainLines(w.MainText())) << at;
    EXPECT_EQ(plainLines(g.LowerText()), plainLines(w.LowerText())) << at;
    ASSERT_EQ(g.QuestionCount(), w.QuestionCount()) << at;
    for (int q = 0; q < w.QuestionCount(); ++q) {
      EXPECT_EQ(g.Question(q)->QuestionPlain(), w.Question(q)->QuestionPlain()) << at;
      ASSERT_EQ(g.Question(q)->ChoiceCount(), w.Question(q)->ChoiceCount()) << at;
      for (int c = 0; c < w.Question(q)->ChoiceCount(); ++c)
        EXPECT_EQ(g.Question(q)->ChoicePlain(c), w.Question(q)->ChoicePlain(c)) << at;
      EXPECT_EQ(g.Question(q)->Correct(), w.Question(q)->Correct()) << at;
    }
  }
}

TEST(DocumentFormat, WriteThenParseKeepsEveryPage) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    Gen gen(seed);
    Doc want;
    build(want, gen.document());
    want.pages.SetProperty(prTitle, std::string("t").append(std::to_string(seed)));
    want.pages.SetSetting(stChunks, 1);
    const rt::RichText written = want.write();
    Doc got;
    got.parse(written);
    expectSameDocument(want, got, "seed " + std::to_string(seed));
    EXPECT_EQ(got.pages.Property(prTitle), want.pages.Property(prTitle));
    EXPECT_EQ(got.pages.Settings(), want.pages.Settings());
    // Saving again changes nothing: no separator, mark or word piles up.
    const rt::RichText second = got.write();
    Doc third;
    third.parse(second);
    EXPECT_EQ(lineTexts(third.write()), lineTexts(second)) << "seed " << seed;
    // The whole road through the stored form.
    Doc viaRtf;
    viaRtf.parse(rt::readRtf(rt::writeRtf(written)));
    expectSameDocument(want, viaRtf, "rtf seed " + std::to_string(seed));
    if (::testing::Test::HasFailure()) break;
  }
}

}  // namespace
}  // namespace ruvo::doc
