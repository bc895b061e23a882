#include "core/authoring/pageeditor.h"

#include <gtest/gtest.h>

#include "authoring_helpers.h"
#include "core/document/documentformat.h"
#include "core/platform/headlessports.h"
#include "core/text/strings.h"

namespace ruvo::authoring {
namespace {

using testing::describe;
using testing::lines;
using V = std::vector<std::string>;

class Editor : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_.date = {2026, 12, 10, 9, 0, 0};
    EditorSession s{&doc_,
                    &grids_,
                    &dialogs_,
                    &clock_,
                    [this](SideTab t) { tabs_.push_back(t); },
                    [this] { return scriptChosen_; }};
    editor_ = std::make_unique<TPageEditorModel>(s);
  }
  // Name page, reading page, a question page with two questions, the last page.
  void compiled() {
    CompileResult r =
        CompileScript(lines({"!", "Passage", "?", "First", "a", "*b", "c", "?", "Second"}),
                      lines({"[OPEN]", "Name", "[QUETOP]", "Top", "[QUEBOTTOM]", "Bottom"}), testing::plainInputs());
    ASSERT_TRUE(r.ok());
    CopyDocument(r.document->pages, doc_);
    editor_->Rebuild();
    doc_.SetModified(false);
  }
  doc::TQAItem& first() { return *doc_.Pages().Page(2)->Question(0); }
  V choices(const doc::TQAItem& q) {
    V out;
    for (int c = 0; c < q.ChoiceCount(); ++c) out.push_back((c == q.Correct() ? "*" : "") + q.ChoicePlain(c));
    return out;
  }

  doc::TDocument doc_;
  CompileInputs grids_;
  platform::ScriptedDialogs dialogs_;
  platform::FakeClock clock_;
  std::vector<SideTab> tabs_;
  bool scriptChosen_ = false;
  std::unique_ptr<TPageEditorModel> editor_;
};

TEST_F(Editor, TreeAndGridsFromTheDocument) {
  compiled();
  const TreeEntry& root = editor_->Tree();
  EXPECT_EQ(root.caption, "property");
  ASSERT_EQ(root.children.size(), 3u);  // the last page is not listed
  EXPECT_EQ(root.children[0].caption, "page 1");
  EXPECT_EQ(root.children[0].icon, EntryIcon::NamePage);
  EXPECT_EQ(root.children[1].icon, EntryIcon::TimedPage);
  const TreeEntry& qp = root.children[2];
  V captions;
  for (const TreeEntry& e : qp.children) captions.push_back(e.caption);
  EXPECT_EQ(captions, (V{"direction A", "First", "Second", "direction B"}));
  EXPECT_EQ(qp.children[1].children[1].icon, EntryIcon::CorrectChoice);
  EXPECT_EQ(qp.children[1].children[0].icon, EntryIcon::OtherChoice);
  EXPECT_EQ(qp.children[2].icon, EntryIcon::QuestionField);
  EXPECT_EQ(editor_->CorrectAnswerGrid(),
            (std::vector<std::array<std::string, 3>>{{" 1 ", " 2", "First"}, {" 2 ", " -", "Second"}}));
  EXPECT_EQ(grids_.properties[doc::prTitle], "T");
  EXPECT_EQ(grids_.settings[doc::stAutoQA], "On");

  editor_->Select({EntryKind::Question, 2, 0, -1});
  EXPECT_EQ(editor_->ChoicePanelTitle(), "Multiple Choices");
  EXPECT_EQ(editor_->ChoiceGrid().size(), 6u);
  EXPECT_EQ(editor_->ChoiceGrid()[3][1], "b");
  EXPECT_EQ(editor_->ChoiceGrid()[1][0], "Question");
  EXPECT_EQ(editor_->ChoiceGrid()[2][0], "Choice");
  editor_->Select({EntryKind::Question, 2, 1, -1});
  EXPECT_EQ(editor_->ChoicePanelTitle(), "Enter Field");
  EXPECT_EQ(editor_->ChoiceGrid()[2][0], "Field");
  EXPECT_TRUE(editor_->ChooserValues(3, 1).empty());
  EXPECT_EQ(editor_->ChooserValues(3, 0), (V{" 1", " 2", " 3"}));
  EXPECT_EQ(editor_->ChooserValues(2, 4).size(), 10u);
  EXPECT_EQ(editor_->ChooserValues(2, 5), (V{"Off", "On"}));
  editor_->Select({EntryKind::Choice, 2, 0, 1});
  EXPECT_TRUE(editor_->CorrectChecked());
  editor_->ToggleCorrect();
  EXPECT_EQ(first().Correct(), -1);
  editor_->Select({EntryKind::Question, 2, 0, -1});
  EXPECT_EQ(editor_->ChoicePanelTitle(), "Questionnaire");
  EXPECT_EQ(editor_->CorrectAnswerGrid()[0][1], " 0");
  EXPECT_TRUE(doc_.Modified());

  // No pages: the grids take their defaults and the document is unmodified.
  doc_.Pages().Clear();
  doc_.SetModified(true);
  editor_->Rebuild();
  EXPECT_EQ(grids_.properties, (std::array<std::string, 6>{"2026/12/10", "", "", "", "", "番号や名前を入力"}));
  EXPECT_FALSE(doc_.Modified());
  EXPECT_TRUE(editor_->Tree().children.empty());
  scriptChosen_ = true;
  EXPECT_FALSE(editor_->CanEditValues());
  EXPECT_EQ(dialogs_.messages(), (V{kMsgEditAfterCreate}));
}

TEST_F(Editor, PageOperations) {
  compiled();
  // With the root selected the new page goes in front of the last page, where it is shown.
  editor_->Select({EntryKind::Root});
  EXPECT_EQ(editor_->acPageAdd(), 3);
  EXPECT_EQ(doc_.Pages().PageCount(), 5);
  EXPECT_EQ(doc_.Pages().Page(4)->Role(), doc::PageRole::Last);
  EXPECT_EQ(editor_->Tree().children.size(), 4u);
  EXPECT_TRUE(doc_.Modified());
  // With a page selected it goes in front of it.
  editor_->Select({EntryKind::Page, 1});
  EXPECT_EQ(editor_->acPsgeReading(), 1);
  EXPECT_EQ(doc_.Pages().Page(1)->Kind(), doc::PageKind::ReadingStart);
  EXPECT_EQ(editor_->Selection(), (EditorSelection{EntryKind::Page, 1}));

  const int qp = editor_->acPageQA();
  const doc::TPage& q = *doc_.Pages().Page(qp);
  EXPECT_EQ(q.Kind(), doc::PageKind::QuestionTimer);
  EXPECT_EQ(q.Role(), doc::PageRole::Question);
  EXPECT_EQ(testing::lineTexts(q.MainText()),
            (V{"次の設問に答えなさい。", "答えは下段パネルの選択肢ボックスをチェックして行います。", ""}));
  EXPECT_EQ(testing::lineTexts(q.LowerText()).size(), 3u);
  EXPECT_EQ(q.QuestionCount(), 1);
  EXPECT_EQ(editor_->Selection(), (EditorSelection{EntryKind::Question, qp, 0}));
  EXPECT_EQ(editor_->PendingEditRow(), 1);

  // Moving the first page up or the last listed page down changes nothing.
  const V before = describe(doc_.Pages());
  editor_->Select({EntryKind::Page, 0});
  editor_->acPageMoveUP();
  editor_->Select({EntryKind::Page, editor_->ListedPageCount() - 1});
  editor_->acPageMoveDown();
  EXPECT_EQ(describe(doc_.Pages()), before);
  editor_->Select({EntryKind::Page, 0});
  editor_->acPageMoveDown();
  EXPECT_EQ(doc_.Pages().Page(1)->Kind(), doc::PageKind::Name);
  EXPECT_EQ(editor_->Selection().page, 1);

  // The new question page went down to the first place with the swap.
  const int items = doc_.QA().Count();
  ASSERT_EQ(doc_.Pages().Page(0)->Role(), doc::PageRole::Question);
  editor_->Select({EntryKind::Page, 0});
  editor_->acPageDelete();
  EXPECT_EQ(doc_.QA().Count(), items - 1);
  EXPECT_EQ(editor_->Selection().kind, EntryKind::Root);
}

TEST_F(Editor, NamePageAndTimerSwitches) {
  compiled();
  editor_->Select({EntryKind::Root});
  editor_->acPageAdd();  // page 4
  editor_->Select({EntryKind::Page, 3});
  dialogs_.onYesNo = [](const std::string&) { return platform::Answer::No; };
  editor_->acActName();
  EXPECT_EQ(dialogs_.log.back().text,
            "すでに 1 ページに設定されています。\r\n\r\nそれを解除して 設定しなおします。いいですか？");
  EXPECT_EQ(doc_.Pages().Page(3)->Kind(), doc::PageKind::Plain);
  dialogs_.onYesNo = [](const std::string&) { return platform::Answer::Yes; };
  editor_->acActName();
  EXPECT_EQ(doc_.Pages().Page(0)->Kind(), doc::PageKind::Plain);
  EXPECT_EQ(doc_.Pages().Page(3)->Kind(), doc::PageKind::Name);
  EXPECT_EQ(editor_->PopupMenu1()[15].caption, "名前入力(&N) / 解除");
  editor_->acActName();
  EXPECT_EQ(doc_.Pages().Page(3)->Kind(), doc::PageKind::Plain);
  editor_->acActTimer();
  EXPECT_EQ(doc_.Pages().Page(3)->Kind(), doc::PageKind::QuestionTimer);
  editor_->acActName();  // a timed page cannot be the name page
  EXPECT_EQ(doc_.Pages().Page(3)->Kind(), doc::PageKind::QuestionTimer);
}

TEST_F(Editor, PopupMenuShowsWhatFits) {
  compiled();
  auto visible = [&] {
    V out;
    for (const MenuItem& m : editor_->PopupMenu1())
      if (m.visible) out.push_back(m.action.empty() ? m.caption : m.action);
    return out;
  };
  editor_->Select({EntryKind::Root});
  EXPECT_EQ(visible(), (V{"ページ追加(&A)", "acPageAdd", "acPsgeReading", "acPageQA"}));
  editor_->Select({EntryKind::Page, 2});
  EXPECT_EQ(visible(), (V{"ページ追加(&A)", "acPageAdd", "acPsgeReading", "acPageQA", "acPageDelete", "ページ移動(&M)",
                          "acPageMoveUP", "acPageMoveDown", "-", "acQueAdd", "-", "acActTimer"}));
  editor_->Select({EntryKind::Choice, 2, 0, 0});
  EXPECT_EQ(visible(), (V{"acChoiceAdd", "acChoiceDel"}));
}

TEST_F(Editor, ChoicesKeepTheirCorrectMark) {
  compiled();
  // Inserting in front of the correct choice, or deleting before it, keeps the same choice correct.
  editor_->Select({EntryKind::Choice, 2, 0, 0});
  editor_->acChoiceAdd();
  EXPECT_EQ(choices(first()), (V{"-", "a", "*b", "c"}));
  EXPECT_EQ(editor_->PendingEditRow(), 2);
  auto cell = editor_->BeginCellEdit(2);
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->tabs, 2);
  cell->text = lines({"new"});
  editor_->CommitCellEdit(2, *cell, true);
  EXPECT_EQ(choices(first()), (V{"\t\tnew", "a", "*b", "c"}));
  editor_->Select({EntryKind::Choice, 2, 0, 1});
  editor_->acChoiceDel();
  EXPECT_EQ(choices(first()), (V{"\t\tnew", "*b", "c"}));
  editor_->Select({EntryKind::Choice, 2, 0, 1});
  editor_->acChoiceDel();
  EXPECT_EQ(choices(first()), (V{"\t\tnew", "c"}));
  editor_->Select({EntryKind::Question, 2, 0});
  editor_->acChoiceAdd();
  EXPECT_EQ(choices(first()).back(), "-");

  // The grid's editor takes leading tabs off and puts them back; an empty last row appends.
  first().SetQuestion(lines({"\t\tQ"}));
  editor_->Select({EntryKind::Question, 2, 0});
  cell = editor_->BeginCellEdit(1);
  EXPECT_EQ(cell->tabs, 2);
  EXPECT_EQ(rt::plainText(cell->text), "Q");
  cell->text = lines({"Q2", "second line dropped"});
  editor_->CommitCellEdit(1, *cell, true);
  EXPECT_EQ(first().QuestionPlain(), "\t\tQ2");
  const int last = static_cast<int>(editor_->ChoiceGrid().size()) - 1;
  editor_->CommitCellEdit(last, {lines({"appended"}), 0}, true);
  EXPECT_EQ(choices(first()).back(), "appended");
  editor_->CommitCellEdit(1, {lines({"unchanged"}), 0}, false);
  EXPECT_EQ(first().QuestionPlain(), "\t\tQ2");
}

TEST_F(Editor, BatchEntryAndTexts) {
  compiled();
  grids_.autoIndent = true;
  editor_->Select({EntryKind::Question, 2, 1});
  EXPECT_FALSE(editor_->BatchEntry(lines({"  ", ""})));
  EXPECT_TRUE(editor_->BatchEntry(lines({"Which?", "", "one", "*two", "three"})));
  const doc::TQAItem& q = *doc_.Pages().Page(2)->Question(1);
  EXPECT_EQ(q.QuestionPlain(), "\tWhich?");
  EXPECT_EQ(choices(q), (V{"\t\tone", "*\t\ttwo", "\t\tthree"}));
  EXPECT_EQ(editor_->Tree().children[2].children[2].caption, "Which?");
  // From the clipboard: plain text with CRLF line ends as another program puts it there.
  platform::MemoryClipboard clip;
  clip.setText("Pasted?\r\n*yes\r\nno\r\n");
  EXPECT_TRUE(editor_->BatchEntry(clip));
  EXPECT_EQ(choices(q), (V{"*\t\tyes", "\t\tno"}));

  editor_->Select({EntryKind::LowerText, 2});
  EXPECT_TRUE(editor_->PaneEditable());
  editor_->EditPaneText(lines({"New bottom"}));
  EXPECT_EQ(doc_.Pages().Page(2)->LowerTextCaption(), "New bottom");
  editor_->Select({EntryKind::Page, 2});
  EXPECT_FALSE(editor_->PaneEditable());
  editor_->EditPaneText(lines({"ignored"}));
  EXPECT_EQ(doc_.Pages().Page(2)->MainTextCaption(), "Top");
  editor_->Select({EntryKind::Page, 1});
  editor_->EditPaneText(lines({"Edited passage"}));
  EXPECT_EQ(doc_.Pages().Page(1)->MainTextCaption(), "Edited passage");

  editor_->ChooseSetting(0, "24");
  editor_->ChooseSetting(7, "On");
  EXPECT_EQ(doc_.Pages().Setting(0), 24);
  EXPECT_EQ(doc_.Pages().Setting(7), 1);
  EXPECT_EQ(grids_.settings[7], "On");
  editor_->EditProperty(doc::prTitle, "Renamed");
  EXPECT_EQ(doc_.Pages().Property(doc::prTitle), "Renamed");
  editor_->ChooseCorrectAnswer(0, " 2");
  EXPECT_EQ(first().Correct(), 1);
  EXPECT_EQ(editor_->CorrectAnswerGrid()[0][1], " 2");
}

// The phrases of a page: its text (lines joined by one break, as the marks count them)
// between consecutive marks, trimmed.
V phrases(const doc::TPage& p) {
  std::string all;
  if (p.MainText())
    for (const rt::Paragraph& para : p.MainText()->paragraphs()) all += (all.empty() ? "" : "\n") + para.text();
  const auto& m = p.PhraseMarks();
  V out;
  for (std::size_t i = 0; i + 1 < m.size(); ++i)
    out.push_back(text::trim(all.substr(static_cast<std::size_t>(m[i]), static_cast<std::size_t>(m[i + 1] - m[i]))));
  return out;
}

std::string paneText(const rt::RichText& t) {
  std::string all;
  for (const rt::Paragraph& para : t.paragraphs()) all += (all.empty() ? "" : "\n") + para.text();
  return all;
}

rt::RichText textOf(const std::string& s) { return lines(text::split(s, '\n')); }

// A chunked passage is shown with its separators; whatever the teacher does to the text, the
// chunks stay where the separators are, in the open document and after saving and opening.
TEST_F(Editor, ChunkedPassageKeepsItsChunksThroughEdits) {
  const std::string passage = "Every Saturday / the square turns into a market. / Before noon / it is full.";
  const V original = {"Every Saturday", "the square turns into a market.", "Before noon", "it is full."};
  struct Case {
    const char* what;
    std::string from, to;
    V expected;
  };
  const std::vector<Case> cases = {
      {"replace before the first mark",
       "Every Saturday",
       "On Saturdays",
       {"On Saturdays", "the square turns into a market.", "Before noon", "it is full."}},
      {"insert between marks",
       "the square",
       "the old square",
       {"Every Saturday", "the old square turns into a market.", "Before noon", "it is full."}},
      {"insert after the last mark",
       "full.",
       "full of people.",
       {"Every Saturday", "the square turns into a market.", "Before noon", "it is full of people."}},
      {"delete inside a phrase",
       " turns into a market",
       "",
       {"Every Saturday", "the square.", "Before noon", "it is full."}},
      {"delete a separator",
       "market. / Before",
       "market. Before",
       {"Every Saturday", "the square turns into a market. Before noon", "it is full."}},
      {"add a separator",
       "into a market",
       "into / a market",
       {"Every Saturday", "the square turns into", "a market.", "Before noon", "it is full."}},
      {"delete across a separator",
       "Saturday / the square",
       "Saturday square",
       {"Every Saturday square turns into a market.", "Before noon", "it is full."}},
      {"break the line",
       "market. / Before",
       "market.\nBefore",
       {"Every Saturday", "the square turns into a market.", "Before noon", "it is full."}},
      {"remove every separator", passage, "Every Saturday the square turns into a market.", {}},
  };
  for (const Case& c : cases) {
    doc::TWPMMeter meter;
    rt::RichText work =
        lines({"title=T", "<page name>", "Name", "<page start phrasing>", passage, "<page end pass>", "<page last>"});
    doc::ParseDocument(work, doc_.Pages(), doc_.QA(), meter);
    editor_->Rebuild();
    ASSERT_EQ(phrases(*doc_.Pages().Page(1)), original);

    editor_->Select({EntryKind::Page, 1});
    ASSERT_TRUE(editor_->PaneEditable());
    EXPECT_TRUE(editor_->PaneHasPhrases());
    std::string edited = paneText(editor_->Pane());
    ASSERT_EQ(text::trim(edited), passage) << "the teacher sees the chunks";
    const std::size_t at = edited.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.what;
    edited.replace(at, c.from.size(), c.to);
    editor_->EditPaneText(textOf(edited));
    EXPECT_EQ(phrases(*doc_.Pages().Page(1)), c.expected) << c.what << " (open document)";
    // Shown again as typed.
    editor_->Select({EntryKind::Page, 1});
    EXPECT_EQ(paneText(editor_->Pane()), edited) << c.what;

    rt::RichText saved;
    doc_.Pages().WriteDocument(saved);
    TDocumentModel reopened;
    doc::ParseDocument(saved, reopened.pages, reopened.qa, meter);
    EXPECT_EQ(phrases(*reopened.pages.Page(1)), c.expected) << c.what << " (saved and opened)";
    EXPECT_EQ(reopened.pages.Page(1)->PhraseMarks(), doc_.Pages().Page(1)->PhraseMarks()) << c.what;
    EXPECT_EQ(doc::WritePageTag(*reopened.pages.Page(1)).find("phrasing") != std::string::npos, !c.expected.empty())
        << c.what;
  }
}

// Texts of a question page never hold phrases: their "/ " stays text.
TEST_F(Editor, QuestionPageTextsHaveNoPhrases) {
  compiled();
  editor_->Select({EntryKind::UpperText, 2});
  EXPECT_FALSE(editor_->PaneHasPhrases());
  editor_->EditPaneText(lines({"and/ or"}));
  EXPECT_EQ(doc_.Pages().Page(2)->MainTextPlain(), "and/ or");
  EXPECT_EQ(doc_.Pages().Page(2)->PhraseMarkCount(), 0);
}

// The upper and lower texts' entries take the caption of their text once it is edited, and
// keep it through rebuilds of the same document.
TEST_F(Editor, EditedDirectionEntriesTakeTheirTextsCaption) {
  compiled();
  auto captions = [this] {
    const TreeEntry& qp = editor_->Tree().children[2];
    return V{qp.children.front().caption, qp.children.back().caption};
  };
  EXPECT_EQ(captions(), (V{"direction A", "direction B"}));
  editor_->Select({EntryKind::UpperText, 2});
  editor_->EditPaneText(lines({"", "  Answer every question. ", "More"}));
  EXPECT_EQ(captions(), (V{"Answer every question.", "direction B"}));
  editor_->Select({EntryKind::LowerText, 2});
  editor_->EditPaneText(lines({"Then go on."}));
  EXPECT_EQ(captions(), (V{"Answer every question.", "Then go on."}));
  // A structural change rebuilds the tree: the edited captions stay.
  editor_->Select({EntryKind::Page, 2});
  editor_->acQueAdd();
  EXPECT_EQ(captions(), (V{"Answer every question.", "Then go on."}));
  // A text emptied shows its fixed caption again.
  editor_->Select({EntryKind::LowerText, 2});
  editor_->EditPaneText(lines({"  "}));
  EXPECT_EQ(captions(), (V{"Answer every question.", "direction B"}));
  // Another document starts with the fixed captions.
  compiled();
  EXPECT_EQ(captions(), (V{"direction A", "direction B"}));
}

}  // namespace
}  // namespace ruvo::authoring
