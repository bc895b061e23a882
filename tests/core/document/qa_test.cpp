// Questions: answer texts and marks, the counts and the score, the answer report, and the
// answer panels with the link lines of the page display.
#include <gtest/gtest.h>

#include "helpers.h"

namespace ruvo::doc {
namespace {

using testing::Doc;
using testing::lineTexts;

// A question appended to the document's first page.
TQAItem* question(Doc& d, int choices, int correct) {
  if (d.pages.PageCount() == 0) d.pages.AddPage();
  TQAItem* q = d.page(0).NewQuestion();
  q->SetQuestion(rt::RichText("q"));
  for (int i = 0; i < choices; ++i) q->AddChoice(rt::RichText("  choice " + std::to_string(i + 1) + " "));
  q->SetCorrect(correct);
  return q;
}

TEST(QAItem, AnswerTextsAndMarks) {
  struct Case {
    int choices, correct, answer;
    const char* typed;
    bool answered, isCorrect;
    const char* mark;
    const char* answerText;
    const char* score;
  } cases[] = {
      {3, 1, 2, "", true, true, "○", "2", "1"},      // second of three, correct
      {3, 1, -1, "", false, false, "－", "-", " "},  // never answered
      {3, 1, 3, "", true, false, "×", "3", "0"},
      {3, -1, 1, "", true, false, "×", "1", "0"},                 // questionnaire
      {3, 1, 7, "", false, false, "－", "7", "0"},                // out of range counts as unanswered
      {0, -1, 99, "my text", true, false, "－", "my text", "0"},  // field
  };
  for (const Case& c : cases) {
    Doc d;
    TQAItem* q = question(d, c.choices, c.correct);
    if (*c.typed) q->SetTypedText(c.typed);
    if (c.answer != 99) q->SetAnswer(c.answer);
    EXPECT_EQ(q->IsAnswered(), c.answered) << c.answer;
    EXPECT_EQ(q->IsCorrect(), c.isCorrect) << c.answer;
    EXPECT_EQ(q->MarkText(), c.mark) << c.answer;
    EXPECT_EQ(q->AnswerText(), c.answerText) << c.answer;
    EXPECT_EQ(q->ScoreText(), c.score) << c.answer;
  }
}

TEST(QAItem, BlankTypedTextStaysUnanswered) {
  Doc d;
  TQAItem* q = question(d, 0, -1);
  q->SetTypedText("   \t ");
  EXPECT_FALSE(q->IsAnswered());
  EXPECT_EQ(q->Answer(), -1);
  q->SetTypedText("  Taro ");
  EXPECT_EQ(q->TypedText(), "Taro");
  EXPECT_EQ(q->Answer(), kTypedAnswer);
}

TEST(QAControler, CountsAndRate) {
  Doc d;
  question(d, 3, 1)->SetAnswer(2);        // correct
  question(d, 3, 0)->SetAnswer(3);        // wrong
  question(d, 2, -1)->SetAnswer(1);       // questionnaire: answered, never correct
  question(d, 3, 2);                      // unanswered
  question(d, 0, -1)->SetTypedText("x");  // fields never count
  EXPECT_EQ(d.qa.AnsweredCount(), 3);
  EXPECT_EQ(d.qa.ScorableCount(), 3);
  EXPECT_EQ(d.qa.CorrectCount(), 1);
  EXPECT_EQ(d.qa.Rate(), 33);
  Doc none;
  question(none, 3, -1);
  EXPECT_EQ(none.qa.Rate(), 0);
}

TEST(QAControler, AnswerReport) {
  Doc d;
  d.parse(
      {"<page>", "??a", "?1", "?*2", "?3", "??b", "?*1", "?2", "?3", "<page>", "text", "<page>", "??c", "?1", "?*2"});
  d.qa.Item(0)->SetAnswer(2);
  d.qa.Item(1)->SetAnswer(3);
  rt::RichText report;
  d.qa.WriteAnswerReport(report, 1, 1);
  EXPECT_EQ(lineTexts(report), (std::vector<std::string>{"your answers:", "\t(1) 2, 3", "\t(2) -", "score: 1 / 2;  50%",
                                                         "\t(1) ○,×", "\t(2) －"}));
  // The three characters before "%" in bold red.
  const rt::Paragraph& score = report.paragraphs()[3];
  ASSERT_EQ(score.runs.size(), 3u);
  EXPECT_EQ(score.runs[1].text, " 50");
  EXPECT_TRUE(score.runs[1].format.bold);
  EXPECT_EQ(score.runs[1].format.color, 0xFF0000);
  EXPECT_FALSE(score.runs[2].format.bold);

  rt::RichText brief;
  d.qa.WriteAnswerReport(brief, 1, 0);
  EXPECT_EQ(lineTexts(brief), (std::vector<std::string>{"your answers:", "score: 1 / 2;  50%"}));
  rt::RichText off;
  d.qa.WriteAnswerReport(off, 0, 1);
  EXPECT_TRUE(off.isEmpty());
  rt::RichText other;
  d.qa.WriteAnswerReport(other, 2, 1);  // answering on, but not scored by the program
  EXPECT_EQ(lineTexts(other), (std::vector<std::string>{"your answers:", "\t(1) 2, 3", "\t(2) -"}));
}

TEST(QAControler, NoScoreLineWithoutACorrectAnswer) {
  Doc d;
  d.parse({"<page>", "??a", "?1", "?2"});
  d.qa.Item(0)->SetAnswer(1);
  rt::RichText report;
  d.qa.WriteAnswerReport(report, 1, 1);
  EXPECT_EQ(lineTexts(report), (std::vector<std::string>{"your answers:", "\t(1) 1", "\t(1) ×"}));
}

TEST(AnswerPanels, PanelsOfThePageOnScreenAndTheirClicks) {
  Doc d;
  d.parse({"<page>", "??\t(1) first", "?\t\tred ", "?*\t\tblue", "?!\t(2) name it", "<page>", "??other", "?x", "<page>",
           "end"});
  rt::RichText shown;
  rt::Range sel;
  d.page(0).Show(shown, sel);
  d.qa.ShowPagePanels(0);
  EXPECT_TRUE(d.qa.HostVisible());
  std::vector<AnswerPanel> panels = d.qa.Panels();
  ASSERT_EQ(panels.size(), 2u);
  EXPECT_EQ(panels[0].number, 1);
  EXPECT_EQ(panels[0].questionText, "(1) first");
  EXPECT_EQ(panels[0].choiceCount, 2);
  EXPECT_EQ(panels[1].choiceCount, 0);  // a text field
  EXPECT_EQ(d.qa.UnansweredPanelCount(), 2);

  // A click on the second choice line in the page text: the link line above names it.
  int line = -1;
  for (int i = 0; i < shown.lineCount(); ++i)
    if (shown.lineText(i) == " * blue") line = i;
  ASSERT_GT(line, 0);
  EXPECT_TRUE(d.qa.SelectByLinkText(shown.lineText(line - 1), &shown));
  panels = d.qa.Panels();
  EXPECT_EQ(panels[0].answer, 2);
  EXPECT_EQ(panels[0].answerLabel, "blue");
  EXPECT_EQ(shown.paragraphs()[static_cast<std::size_t>(line)].runs.front().format.color, kChosenColor);
  EXPECT_EQ(shown.paragraphs()[static_cast<std::size_t>(line - 2)].runs.front().format.color, kWindowColor);

  // The radio button of the first choice moves the visible mark.
  EXPECT_TRUE(d.qa.RadioClick(1, 1, &shown));
  EXPECT_EQ(d.qa.Panels()[0].answerLabel, "red");
  EXPECT_EQ(shown.paragraphs()[static_cast<std::size_t>(line)].runs.front().format.color, kWindowColor);
  EXPECT_EQ(shown.paragraphs()[static_cast<std::size_t>(line - 2)].runs.front().format.color, kChosenColor);

  EXPECT_TRUE(d.qa.FieldChanged(2, " Hanako "));
  EXPECT_EQ(d.qa.Panels()[1].fieldText, "Hanako");
  EXPECT_EQ(d.qa.UnansweredPanelCount(), 0);

  // Links out of range, malformed, or of a question without a panel do nothing.
  for (const char* bad : {"1 3", "1 0", "9 1", "x 1", "1", "", "3 1"})
    EXPECT_FALSE(d.qa.SelectByLinkText(bad, &shown)) << bad;
  EXPECT_EQ(d.qa.Item(0)->Answer(), 1);
  EXPECT_EQ(d.qa.Item(2)->Answer(), -1);

  d.qa.RemovePanels();
  EXPECT_EQ(d.qa.PanelCount(), 0);
  d.qa.ShowPagePanels(1);
  ASSERT_EQ(d.qa.Panels().size(), 1u);
  EXPECT_EQ(d.qa.Panels()[0].number, 3);
  EXPECT_EQ(d.qa.Panels()[0].answerLabel, "");  // labels start empty on every build
}

TEST(QAControler, ClearLeavesNoPageHoldingFreedItems) {
  Doc d;
  d.parse({"<page>", "??a", "?1"});
  d.qa.Clear();
  EXPECT_EQ(d.page(0).QuestionCount(), 0);
  d.pages.Clear();  // must not touch the freed items
  EXPECT_EQ(d.pages.PageCount(), 0);
}

}  // namespace
}  // namespace ruvo::doc
