// Pages and the page controller: list operations, question placement, the test clock,
// page display with its indents and question lines, and the phrase-by-phrase presentation.
#include <gtest/gtest.h>

#include "core/platform/headlessports.h"
#include "helpers.h"

namespace ruvo::doc {
namespace {

using testing::Doc;
using testing::linesText;
using testing::lineTexts;

using platform::FakeClock;

std::vector<int> kindsOf(const TPageControler& c) {
  std::vector<int> out;
  for (int i = 0; i < c.PageCount(); ++i) out.push_back(KindNumber(c.Page(i)->Kind()));
  return out;
}

TEST(PageControler, ListOperationsIgnoreIndexesOutOfRange) {
  TPageControler c;
  for (int k = 0; k < 3; ++k) c.AddPage()->SetKind(static_cast<PageKind>(k + 1));
  EXPECT_EQ(c.Page(3), nullptr);
  EXPECT_EQ(c.Page(-1), nullptr);
  EXPECT_EQ(c.InsertPage(3), nullptr);
  c.MovePageDown(2);  // the last page stays
  c.MovePageUp(0);    // the first page stays
  EXPECT_EQ(kindsOf(c), (std::vector<int>{1, 2, 3}));
  c.MovePageDown(0);
  EXPECT_EQ(kindsOf(c), (std::vector<int>{2, 1, 3}));
  c.MovePageUp(2);
  EXPECT_EQ(kindsOf(c), (std::vector<int>{2, 3, 1}));
  TPage* inserted = c.InsertPage(1);
  ASSERT_NE(inserted, nullptr);
  EXPECT_EQ(inserted->Index(), 1);
  EXPECT_EQ(inserted->PreviousPage(), c.Page(0));
  EXPECT_EQ(c.Page(0)->PreviousPage(), nullptr);
  c.DeletePage(7);
  c.DeletePage(1);
  EXPECT_EQ(kindsOf(c), (std::vector<int>{2, 3, 1}));
  EXPECT_FALSE(c.HasNamePage());
  c.Page(1)->SetKind(PageKind::Name);
  EXPECT_TRUE(c.HasNamePage());
  EXPECT_EQ(c.Setting(9), 0);
  EXPECT_EQ(c.Property(6), "");
}

TEST(PageControler, TestClockRecordsTicksOnChangesOnly) {
  FakeClock clock;
  TPageControler c;
  c.SetClock(&clock);
  clock.tick = 1000;
  c.SetTimerRunning(true);
  clock.tick = 5000;
  c.SetTimerRunning(true);  // already running: the start stays
  EXPECT_EQ(c.StartTick(), 1000);
  clock.tick = 9000;
  c.SetTimerRunning(false);
  EXPECT_EQ(c.StopTick(), 9000);
  // Clear while running takes no tick, and the next document starts without the old clock.
  clock.tick = 10000;
  c.SetTimerRunning(true);
  c.Clear();
  EXPECT_FALSE(c.TimerRunning());
  EXPECT_EQ(c.StartTick(), 0);
  EXPECT_EQ(c.StopTick(), 0);
}

TEST(PageQuestions, InsertClampsAndDeleteFreesTheItem) {
  Doc d;
  TPage* p = d.pages.AddPage();
  TQAItem* a = p->InsertQuestion(5, std::make_unique<TQAItem>());  // an empty list: appended
  TQAItem* b = p->NewQuestion();
  TQAItem* c = p->InsertQuestion(9, std::make_unique<TQAItem>());  // beyond the end: before the last
  EXPECT_EQ(p->Questions(), (std::vector<TQAItem*>{a, c, b}));
  TQAItem* e = p->InsertQuestion(-1, std::make_unique<TQAItem>());
  EXPECT_EQ(p->Questions(), (std::vector<TQAItem*>{a, c, b, e}));
  EXPECT_EQ(c->Page(), p);
  p->DeleteQuestion(1);
  EXPECT_EQ(p->Questions(), (std::vector<TQAItem*>{a, b, e}));
  EXPECT_EQ(d.qa.Count(), 3);
  // A deleted page takes its questions out of the controller.
  d.pages.DeletePage(0);
  EXPECT_EQ(d.qa.Count(), 0);
}

// The controller numbers the questions in page order, whatever order they were made in, so
// the numbers on screen are those the saved document gets when it is opened again.
TEST(PageQuestions, NumbersFollowThePages) {
  Doc d;
  d.parse({"<page>", "??one", "?a", "<page>", "??two", "?b"});
  TQAItem* inserted = d.page(0).InsertQuestion(0, std::make_unique<TQAItem>());
  EXPECT_EQ(inserted->Number(), 1);
  EXPECT_EQ(d.page(1).Question(0)->Number(), 3);
  EXPECT_EQ(d.qa.Item(1), d.page(0).Question(1));
  EXPECT_EQ(d.qa.IndexOf(d.page(1).Question(0)), 2);
  EXPECT_EQ(d.qa.Item(3), nullptr);
}

// Pages own their questions; the answer panels only point at them. Deleting a shown question
// takes its panel away, and the page and question controllers may go in either order.
TEST(PageQuestions, PanelsNeverOutliveTheirQuestions) {
  Doc d;
  d.parse({"<page>", "??one", "?a", "?b", "??two"});
  d.qa.ShowPagePanels(0);
  ASSERT_EQ(d.qa.PanelCount(), 2);
  d.page(0).DeleteQuestion(0);
  ASSERT_EQ(d.qa.PanelCount(), 1);
  EXPECT_EQ(d.qa.Panels()[0].questionText, "two");
  d.pages.DeletePage(0);
  EXPECT_EQ(d.qa.PanelCount(), 0);

  for (const bool questionsFirst : {true, false}) {
    auto pages = std::make_unique<TPageControler>();
    auto qa = std::make_unique<TQAControler>(pages.get());
    pages->SetQAControler(qa.get());
    pages->AddPage()->NewQuestion()->AddChoice(rt::RichText("a"));
    qa->ShowPagePanels(0);
    if (questionsFirst) {
      qa.reset();
      EXPECT_EQ(pages->Page(0)->Question(0)->Number(), 0);  // nobody numbers it now
      pages.reset();
    } else {
      pages.reset();
      EXPECT_EQ(qa->Count(), 0);
      EXPECT_EQ(qa->PanelCount(), 0);
      qa.reset();
    }
  }
}

TEST(PageDisplay, MainTextLaidOutWithTheIndentSettings) {
  Doc d;
  d.parse({"leftindent=10", "textindent=5", "tabindent=20", "tabsink=3", "rightindent=7", "<page>", "plain",
           "\t\t\tdeep", "<page>", "x"});
  rt::RichText shown;
  rt::Range sel;
  d.page(0).ShowMainText(shown, sel);
  ASSERT_EQ(lineTexts(shown), (std::vector<std::string>{"plain", "deep"}));  // the empty end line dropped
  const auto& p = shown.paragraphs();
  EXPECT_EQ(p[0].format.firstLinePoints(), 15);
  EXPECT_EQ(p[0].format.followingOffsetPoints(), -5);
  EXPECT_EQ(p[1].format.firstLinePoints(), 70);
  EXPECT_EQ(p[1].format.followingOffsetPoints(), 3);
  EXPECT_EQ(p[1].format.rightPoints(), 7);
  EXPECT_EQ(sel, (rt::Range{shown.length(), 0}));
}

TEST(PageDisplay, QuestionPageShowsLinkLinesAndInvisiblePrefixes) {
  Doc d;
  d.parse({"<page>", "intro", "??\tfirst", "?\t\tone", "?*\t\ttwo", "?!second", "", "below", "<page>", "x"});
  rt::RichText shown;
  rt::Range sel;
  d.page(0).Show(shown, sel);
  EXPECT_EQ(lineTexts(shown), (std::vector<std::string>{"intro", "first", "1 1", " * one", "1 2", " * two", "",
                                                        "second", "", "", "below"}));
  const auto& p = shown.paragraphs();
  const rt::Run& link = p[2].runs.front();
  EXPECT_EQ(link.format.color, kWindowColor);
  EXPECT_EQ(link.format.sizeHalfPoints, 8);
  const rt::Run& star = p[3].runs.front();
  EXPECT_EQ(star.text, " * ");
  EXPECT_EQ(star.format.color, kWindowColor);
  EXPECT_EQ(star.format.sizeHalfPoints, p[3].runs.back().format.sizeHalfPoints * 3 / 2);
  // Choices are laid out from their own tabs, before the prefix goes in.
  EXPECT_EQ(p[3].format.firstLinePoints(), 16 + 2 * 32);
  EXPECT_EQ(p[1].format.firstLinePoints(), 16 + 32);
  EXPECT_EQ(sel.start, shown.length());
}

// Runs of one display as (text, underline, colour) for comparison.
struct Look {
  std::string text;
  bool underline;
  rt::Color color;
  bool operator==(const Look&) const = default;
};
std::vector<Look> looks(const rt::RichText& t) {
  std::vector<Look> out;
  for (const auto& p : t.paragraphs())
    for (const auto& r : p.runs)
      if (!r.text.empty()) out.push_back({r.text, r.format.underline, r.format.color});
  return out;
}
void PrintTo(const Look& l, std::ostream* os) { *os << "{" << l.text << "," << l.underline << "," << l.color << "}"; }

TEST(PhrasePresentation, BuildsUpPhraseByPhrase) {
  Doc d;
  d.parse({"<page start>", "one/ two/ three"});
  TPage& p = d.page(0);
  ASSERT_EQ(p.PhraseMarks(), (std::vector<std::int32_t>{0, 3, 6, 11}));
  p.StartChunks();
  EXPECT_EQ(d.pages.ProgressBar1(), (PhraseProgress{4, 1, true}));
  rt::RichText shown("old");
  std::size_t caret = 0;
  const rt::Color a = rt::kAutoColor;
  EXPECT_FALSE(p.ShowNextChunk(shown, caret));
  EXPECT_EQ(looks(shown), (std::vector<Look>{{"one", true, a}}));  // text after it is not shown
  EXPECT_EQ(caret, 3u);
  EXPECT_FALSE(p.ShowNextChunk(shown, caret));
  EXPECT_EQ(looks(shown), (std::vector<Look>{{"one", false, a}, {"two", true, a}}));
  EXPECT_FALSE(p.ShowNextChunk(shown, caret));
  EXPECT_EQ(looks(shown), (std::vector<Look>{{"onetwo", false, a}, {"three", true, a}}));
  EXPECT_EQ(p.ChunkIndex(), 3);
  EXPECT_TRUE(p.ShowNextChunk(shown, caret));  // the press after the last phrase completes
  EXPECT_EQ(looks(shown), (std::vector<Look>{{"onetwothree", false, a}}));
  EXPECT_EQ(caret, shown.length());
  EXPECT_EQ(p.ChunkIndex(), -1);
  p.StopChunks();
  EXPECT_FALSE(d.pages.ProgressBar1().visible);
}

TEST(PhrasePresentation, OneMarkCompletesAtOnce) {
  Doc d;
  d.parse({"<page start>", "x"});
  TPage& p = d.page(0);
  p.SetPhraseMarks({0});
  p.StartChunks();
  rt::RichText shown("shown");
  std::size_t caret = 0;
  EXPECT_TRUE(p.ShowNextChunk(shown, caret));
}

TEST(PhrasePresentation, FadingShadowOfTheNextPhrase) {
  Doc d;
  d.parse({"fadein=1", "overflow=1", "<page start>", "ab/ cde/ fghijkl/ zz"});
  TPage& p = d.page(0);
  ASSERT_EQ(p.PhraseMarks(), (std::vector<std::int32_t>{0, 2, 5, 12, 14}));
  p.StartChunks();
  rt::RichText shown;
  std::size_t caret = 0;
  p.ShowNextChunk(shown, caret);
  // Next phrase of 3: the darkest covers 0 characters, the middle 1, the lightest 2, the
  // third is in the window colour; nothing after it.
  EXPECT_EQ(looks(shown), (std::vector<Look>{{"ab", true, rt::kAutoColor},
                                             {"c", false, kShadowMiddle},
                                             {"d", false, kShadowLight},
                                             {"e", false, kWindowColor}}));
  p.ShowNextChunk(shown, caret);
  // Next phrase of 7: 1 darkest, 3 - 1 middle, 5 - 3 light, 2 in the window colour.
  EXPECT_EQ(looks(shown), (std::vector<Look>{{"ab", false, rt::kAutoColor},
                                             {"cde", true, rt::kAutoColor},
                                             {"f", false, kShadowDark},
                                             {"gh", false, kShadowMiddle},
                                             {"ij", false, kShadowLight},
                                             {"kl", false, kWindowColor}}));
  p.ShowNextChunk(shown, caret);
  p.ShowNextChunk(shown, caret);  // the last phrase: no next phrase to fade
  EXPECT_EQ(looks(shown).back(), (Look{"zz", true, rt::kAutoColor}));
}

TEST(PhrasePresentation, NoFadeUnlessBothSwitchesAreOn) {
  Doc d;
  d.parse({"fadein=0", "overflow=1", "<page start>", "ab/ cde"});
  TPage& p = d.page(0);
  p.StartChunks();
  rt::RichText shown;
  std::size_t caret = 0;
  p.ShowNextChunk(shown, caret);
  EXPECT_EQ(looks(shown), (std::vector<Look>{{"ab", true, rt::kAutoColor}}));
}

}  // namespace
}  // namespace ruvo::doc
