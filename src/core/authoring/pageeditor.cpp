#include "core/authoring/pageeditor.h"

#include <algorithm>
#include <cstdio>

#include "core/document/documentformat.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::authoring {
namespace {

const std::vector<std::string> kNumberValues = {"0", "2", "4", "8", "12", "16", "24", "32", "48", "64"};
const std::vector<std::string> kSwitchValues = {"Off", "On"};

std::string settingText(int index, int value) {
  if (index < 5) return std::to_string(value);
  return value == 0 ? "Off" : "On";
}

rt::RichBuffer linesBuffer(const std::vector<std::string>& ls) {
  rt::RichText t;
  t.paragraphs().clear();
  for (const std::string& l : ls) t.paragraphs().push_back(rt::Paragraph{{}, {rt::Run{l, {}}}});
  return t;
}

// The first line of a text with `tabs` tab characters in front of it.
rt::RichBuffer firstLineWithTabs(const rt::RichText& text, int tabs) {
  rt::RichText line;
  line.paragraphs() = {text.paragraphs().front()};
  rt::Paragraph& p = line.paragraphs().front();
  if (p.runs.empty()) p.runs.push_back(rt::Run{});
  p.runs.front().text.insert(0, static_cast<std::size_t>(std::max(0, tabs)), '\t');
  return line;
}

rt::RichBuffer withTabs(const std::string& s, int tabs) {
  return linesBuffer({std::string(static_cast<std::size_t>(tabs), '\t') + s});
}

// The choices of an item rebuilt with one inserted at `at` (or removed there).
void respliceChoices(doc::TQAItem& q, int at, const rt::RichBuffer* inserted) {
  std::vector<rt::RichBuffer> cs;
  for (int c = 0; c < q.ChoiceCount(); ++c) cs.push_back(q.Choice(c));
  while (q.ChoiceCount() > 0) q.DeleteChoice(q.ChoiceCount() - 1);
  if (inserted)
    cs.insert(cs.begin() + at, *inserted);
  else
    cs.erase(cs.begin() + at);
  for (const auto& b : cs) q.AddChoice(b);
}

constexpr rt::Color kBlue = 0x0000FF;
constexpr rt::Color kRed = 0xFF0000;

}  // namespace

rt::RichText CorrectAnswerHelp() {
  const rt::Color n = rt::kAutoColor;
  return rt::colouredLines({{"正答一覧の見方", kBlue},
                            {"左から順に通し番号、正答番号、設問", n},
                            {"", n},
                            {"正答番号の見方", kBlue},
                            {"1,2,3,,, 正答番号", n},
                            {"0        アンケートなど正答のない選択式設問", n},
                            {"-        記述式設問", n},
                            {"", n},
                            {"正答番号の変更の仕方", kBlue},
                            {"目的の番号をクリックしてメニューから新しい番号を選択", n},
                            {"", n},
                            {"［推奨］", kRed},
                            {"正答番号が本来の正答となっているか念のため再確認する", n},
                            {"通し番号と設問番号が一致していると集計時の混乱が回避できる", n}});
}

rt::RichText PropertyHelp() {
  const rt::Color n = rt::kAutoColor;
  return rt::colouredLines({{"必須記入項目", kBlue},
                            {"Property のうち title は必須記入項目です。", n},
                            {"読解計測データを集計するときに テストを識別するために必要となります。", n},
                            {"「2014年 2回目」などとテストが特定できるようなタイトルを付けておきます。", n}});
}

TPageEditorModel::TPageEditorModel(EditorSession s) : s_(std::move(s)) {}

void TPageEditorModel::modified() {
  if (s_.document) s_.document->SetModified(true);
}

doc::TPage* TPageEditorModel::page() const { return s_.document ? pages().Page(selection_.page) : nullptr; }

doc::TQAItem* TPageEditorModel::item() const {
  doc::TPage* p = page();
  return p ? p->Question(selection_.question) : nullptr;
}

int TPageEditorModel::ListedPageCount() const {
  if (!s_.document) return 0;
  for (int i = 0; i < pages().PageCount(); ++i)
    if (pages().Page(i)->Role() == doc::PageRole::Last) return i;
  return pages().PageCount();
}

// ---- rebuilding ------------------------------------------------------------------------------

void TPageEditorModel::Rebuild() {
  CompileInputs* g = s_.grids;
  if (!s_.document || pages().PageCount() == 0) {
    buildTree();
    if (g) {
      const platform::DateTime d = s_.clock ? s_.clock->now() : platform::DateTime{};
      char date[32];
      std::snprintf(date, sizeof date, "%04d/%02d/%02d", d.year, d.month, d.day);
      g->properties = {date, "", "", "", "", kDefaultNaming};
      for (int i = 0; i < doc::kSettingCount; ++i)
        g->settings[static_cast<std::size_t>(i)] = settingText(i, doc::kSettingDefaults[static_cast<std::size_t>(i)]);
    }
    correctGrid_ = {{"", "", ""}};
    if (s_.document) s_.document->SetModified(false);
    if (s_.showSideTab) s_.showSideTab(SideTab::Property);
    return;
  }
  if (g) {
    for (int i = 0; i < doc::kPropertyCount; ++i) g->properties[static_cast<std::size_t>(i)] = pages().Property(i);
    for (int i = 0; i < doc::kSettingCount; ++i)
      g->settings[static_cast<std::size_t>(i)] = settingText(i, pages().Setting(i));
  }
  refillCorrectGrid();
  buildTree();
  if (s_.showSideTab) s_.showSideTab(SideTab::Property);
}

std::string TPageEditorModel::textCaption(const doc::TPage& p, EntryKind kind) const {
  const char* fixed = kind == EntryKind::UpperText ? "direction A" : "direction B";
  if (!editedTexts_.contains({&p, kind})) return fixed;
  const std::string c = rt::caption(kind == EntryKind::UpperText ? p.MainText() : p.LowerText());
  // A text left blank keeps an entry that can still be found and clicked.
  return c.empty() ? fixed : c;
}

void TPageEditorModel::buildTree() {
  if (!s_.document || pages().Generation() != editedGeneration_) {
    editedTexts_.clear();
    editedGeneration_ = s_.document ? pages().Generation() : 0;
  }
  std::erase_if(editedTexts_, [this](const auto& e) { return pages().IndexOf(e.first) < 0; });
  tree_ = TreeEntry{EntryKind::Root, "property", EntryIcon::Property, -1, -1, -1, {}};
  const int listed = ListedPageCount();
  for (int i = 0; i < listed; ++i) {
    const doc::TPage& p = *pages().Page(i);
    TreeEntry e{EntryKind::Page, text::format("page %D", {i + 1}), EntryIcon::PlainPage, i, -1, -1, {}};
    if (p.Kind() == doc::PageKind::Name)
      e.icon = EntryIcon::NamePage;
    else if (p.Kind() == doc::PageKind::ReadingStart || p.Kind() == doc::PageKind::QuestionTimer)
      e.icon = EntryIcon::TimedPage;
    else if (p.Role() == doc::PageRole::Question)
      e.icon = EntryIcon::QuestionPage;
    if (p.Role() == doc::PageRole::Question) {
      e.children.push_back(
          {EntryKind::UpperText, textCaption(p, EntryKind::UpperText), EntryIcon::Text, i, -1, -1, {}});
      for (int q = 0; q < p.QuestionCount(); ++q) {
        const doc::TQAItem& item = *p.Question(q);
        TreeEntry qe{EntryKind::Question,
                     rt::caption(item.Question()),
                     item.ChoiceCount() > 0 ? EntryIcon::QuestionWithChoices : EntryIcon::QuestionField,
                     i,
                     q,
                     -1,
                     {}};
        for (int c = 0; c < item.ChoiceCount(); ++c)
          qe.children.push_back({EntryKind::Choice,
                                 rt::caption(item.Choice(c)),
                                 c == item.Correct() ? EntryIcon::CorrectChoice : EntryIcon::OtherChoice,
                                 i,
                                 q,
                                 c,
                                 {}});
        e.children.push_back(std::move(qe));
      }
      e.children.push_back(
          {EntryKind::LowerText, textCaption(p, EntryKind::LowerText), EntryIcon::Text, i, -1, -1, {}});
    }
    tree_.children.push_back(std::move(e));
  }
}

void TPageEditorModel::refillCorrectGrid() {
  correctGrid_.clear();
  int n = 0;
  for (int i = 0; s_.document && i < pages().PageCount(); ++i)
    for (const doc::TQAItem* q : pages().Page(i)->Questions())
      correctGrid_.push_back({text::format(" %D ", {++n}),
                              q->ChoiceCount() > 0 ? text::format(" %D", {q->Correct() + 1}) : std::string(" -"),
                              rt::caption(q->Question())});
}

void TPageEditorModel::FillCorrectAnswersFromScript(const std::vector<CorrectAnswerRow>& rows) {
  correctGrid_.clear();
  for (const CorrectAnswerRow& r : rows)
    correctGrid_.push_back({std::to_string(r.number), std::to_string(r.choice), r.question});
}

void TPageEditorModel::fillChoiceGrid() {
  choiceGrid_.clear();
  const doc::TQAItem* q = item();
  if (!q) return;
  choiceGrid_.push_back({"", ""});
  choiceGrid_.push_back({"Question", rt::caption(q->Question())});
  for (int c = 0; c < q->ChoiceCount(); ++c) choiceGrid_.push_back({"", rt::caption(q->Choice(c))});
  choiceGrid_.push_back({"", ""});
  if (choiceGrid_.size() > 2) choiceGrid_[2][0] = q->ChoiceCount() > 0 ? "Choice" : "Field";
  choicePanelTitle_ = q->ChoiceCount() == 0 ? "Enter Field" : q->Correct() >= 0 ? "Multiple Choices" : "Questionnaire";
}

// ---- selection and texts ------------------------------------------------------------------------

void TPageEditorModel::Select(const EditorSelection& s) {
  selection_ = s;
  pane_ = rt::RichText();
  paneEditable_ = false;
  paneHasPhrases_ = false;
  pendingEditRow_ = 0;
  newChoiceRow_ = 0;
  choiceGrid_.clear();
  correctChecked_ = false;
  doc::TPage* p = page();
  switch (s.kind) {
    case EntryKind::Root:
      refillCorrectGrid();
      if (s_.showSideTab) s_.showSideTab(SideTab::Property);
      break;
    case EntryKind::Page:
      if (!p) break;
      if (p->MainText()) pane_ = *p->MainText();
      paneEditable_ = p->Role() == doc::PageRole::Ordinary;
      paneHasPhrases_ = paneEditable_;
      if (paneHasPhrases_) doc::InsertPhraseSeparators(pane_, p->PhraseMarks());
      break;
    case EntryKind::UpperText:
    case EntryKind::LowerText: {
      if (!p) break;
      const rt::RichBuffer& b = s.kind == EntryKind::UpperText ? p->MainText() : p->LowerText();
      if (b) pane_ = *b;
      paneEditable_ = true;
      break;
    }
    case EntryKind::Question:
      fillChoiceGrid();
      break;
    case EntryKind::Choice:
      if (const doc::TQAItem* q = item()) correctChecked_ = q->Correct() == s.choice && s.choice >= 0;
      break;
    case EntryKind::None:
      break;
  }
}

void TPageEditorModel::EditPaneText(const rt::RichText& text) {
  doc::TPage* p = page();
  if (!p || !paneEditable_) return;
  if (selection_.kind == EntryKind::LowerText) {
    p->SetLowerTextFromStream(text);
  } else if (paneHasPhrases_) {
    // The marks are positions in the text without its separators: read both from the text
    // as edited, as opening the saved document will.
    rt::RichText plain = text;
    p->SetPhraseMarks(doc::ExtractPhraseMarks(plain));
    p->SetMainTextFromStream(plain);
  } else {
    p->SetMainTextFromStream(text);
  }
  if (selection_.kind == EntryKind::UpperText || selection_.kind == EntryKind::LowerText)
    editedTexts_.insert({p, selection_.kind});
  pane_ = text;
  buildTree();
  modified();
}

std::optional<TPageEditorModel::CellText> TPageEditorModel::BeginCellEdit(int row) {
  const doc::TQAItem* q = item();
  if (!q || row < 1 || row > q->ChoiceCount() + 2) return std::nullopt;
  CellText c;
  const rt::RichBuffer& b = row == 1 ? q->Question() : q->Choice(row - 2);
  if (b) {
    c.text.paragraphs() = {b->paragraphs().front()};
    rt::Paragraph& p = c.text.paragraphs().front();
    while (!p.runs.empty() && !p.runs.front().text.empty() && p.runs.front().text.front() == '\t') {
      p.runs.front().text.erase(0, 1);
      ++c.tabs;
      if (p.runs.front().text.empty() && p.runs.size() > 1) {
        rt::RunList rest;
        for (std::size_t i = 1; i < p.runs.size(); ++i) rest.push_back(p.runs[i]);
        p.runs = rest;
      }
    }
  }
  // A choice just added is written with the two tabs every choice of a compiled test has.
  if (row == newChoiceRow_ && c.tabs == 0) c.tabs = 2;
  return c;
}

void TPageEditorModel::CommitCellEdit(int row, const CellText& edited, bool changed) {
  doc::TQAItem* q = item();
  if (!changed || !q || row < 1 || row > q->ChoiceCount() + 2) return;
  const rt::RichBuffer line = firstLineWithTabs(edited.text, edited.tabs);
  if (row == 1)
    q->SetQuestion(line);
  else if (row - 2 < q->ChoiceCount())
    q->SetChoice(row - 2, line);
  else
    q->AddChoice(line);
  if (row == newChoiceRow_) newChoiceRow_ = 0;
  buildTree();
  fillChoiceGrid();
  refillCorrectGrid();
  modified();
}

bool TPageEditorModel::BatchEntry(const rt::RichText& pasted) {
  doc::TQAItem* q = item();
  if (!q || selection_.kind != EntryKind::Question) return false;
  std::vector<std::string> ls;
  for (const rt::Paragraph& p : pasted.paragraphs())
    if (!text::trim(p.text()).empty()) ls.push_back(p.text());
  if (ls.empty()) return false;
  const int tabs = autoIndent() ? 1 : 0;
  while (q->ChoiceCount() > 0) q->DeleteChoice(q->ChoiceCount() - 1);
  q->SetCorrect(-1);
  q->SetQuestion(withTabs(ls.front(), tabs));
  for (std::size_t i = 1; i < ls.size(); ++i) {
    std::string l = ls[i];
    if (text::startsWith(l, "*")) {
      l.erase(0, 1);
      q->SetCorrect(q->ChoiceCount());
    }
    q->AddChoice(withTabs(l, 2 * tabs));
  }
  fillChoiceGrid();
  buildTree();
  refillCorrectGrid();
  modified();
  return true;
}

bool TPageEditorModel::BatchEntry(platform::Clipboard& clipboard) {
  if (const std::optional<std::string> rtf = clipboard.rtf()) return BatchEntry(rt::readRtf(*rtf));
  if (const std::optional<std::string> plain = clipboard.text()) return BatchEntry(rt::RichText(*plain));
  return false;
}

void TPageEditorModel::ToggleCorrect() {
  doc::TQAItem* q = item();
  if (!q || selection_.kind != EntryKind::Choice || selection_.choice < 0 || selection_.choice >= q->ChoiceCount())
    return;
  q->SetCorrect(q->Correct() == selection_.choice ? -1 : selection_.choice);
  correctChecked_ = q->Correct() == selection_.choice;
  buildTree();
  refillCorrectGrid();
  modified();
}

// ---- side grids ------------------------------------------------------------------------------------

std::vector<std::string> TPageEditorModel::ChooserValues(int grid, int row) const {
  if (grid == 2) {
    if (row < 0 || row >= doc::kSettingCount) return {};
    return row < 5 ? kNumberValues : kSwitchValues;
  }
  int n = 0;
  for (int i = 0; s_.document && i < pages().PageCount(); ++i)
    for (const doc::TQAItem* q : pages().Page(i)->Questions())
      if (n++ == row) {
        std::vector<std::string> out;
        for (int c = 1; c <= q->ChoiceCount(); ++c) out.push_back(" " + std::to_string(c));
        return out;
      }
  return {};
}

bool TPageEditorModel::CanEditValues() {
  if (s_.document && pages().PageCount() == 0 && s_.scriptChosen && s_.scriptChosen()) {
    if (s_.dialogs) s_.dialogs->message(kMsgEditAfterCreate);
    return false;
  }
  return true;
}

void TPageEditorModel::ChooseSetting(int row, const std::string& value) {
  if (!s_.document || row < 0 || row >= doc::kSettingCount) return;
  int v = 0;
  if (row < 5) {
    const std::optional<int> n = text::parseInt(text::trim(value));
    if (!n) return;
    v = *n;
  } else {
    v = value == "Off" ? 0 : 1;
  }
  pages().SetSetting(row, v);
  qa().Settings() = pages().Settings();
  if (s_.grids) s_.grids->settings[static_cast<std::size_t>(row)] = settingText(row, v);
  modified();
}

void TPageEditorModel::ChooseCorrectAnswer(int row, const std::string& value) {
  int n = 0;
  for (int i = 0; s_.document && i < pages().PageCount(); ++i)
    for (doc::TQAItem* q : pages().Page(i)->Questions())
      if (n++ == row) {
        const std::optional<int> c = text::parseInt(text::trim(value));
        if (!c || *c < 1 || *c > q->ChoiceCount()) return;
        q->SetCorrect(*c - 1);
        refillCorrectGrid();
        buildTree();
        modified();
        return;
      }
}

void TPageEditorModel::EditProperty(int row, const std::string& value) {
  if (!s_.document || row < 0 || row >= doc::kPropertyCount) return;
  if (s_.grids) s_.grids->properties[static_cast<std::size_t>(row)] = value;
  if (pages().Property(row) == value) return;
  pages().SetProperty(row, value);
  modified();
}

// ---- the pop-up menu ---------------------------------------------------------------------------------

std::vector<MenuItem> TPageEditorModel::PopupMenu1() const {
  const EntryKind k = selection_.kind;
  const doc::TPage* p = page();
  const bool rootOrPage = k == EntryKind::Root || k == EntryKind::Page;
  const bool isPage = k == EntryKind::Page && p;
  const bool questionPage = isPage && p->Role() == doc::PageRole::Question;
  // -1 when no page is selected.
  const int kind = isPage ? doc::KindNumber(p->Kind()) : -1;
  const auto is = [kind](doc::PageKind k) { return kind == doc::KindNumber(k); };
  std::vector<MenuItem> m = {
      {"", "ページ追加(&A)", rootOrPage},
      {"acPageAdd", "指示ページ(&I)", rootOrPage},
      {"acPsgeReading", "計測ページ(&R)", rootOrPage},
      {"acPageQA", "設問ページ(&Q)", rootOrPage},
      {"acPageDelete", "ページ削除(&X)", isPage},
      {"", "ページ移動(&M)", isPage},
      {"acPageMoveUP", "上に(&U)", isPage},
      {"acPageMoveDown", "下に(&D)", isPage},
      {"-", "-", false},
      {"acQueAdd", "設問追加(&A)", questionPage || k == EntryKind::Question},
      {"acQueDel", "設問削除(&X)", k == EntryKind::Question},
      {"-", "-", false},
      {"acChoiceAdd", "選択肢追加(&A)", k == EntryKind::Question || k == EntryKind::Choice},
      {"acChoiceDel", "選択肢削除(&X)", k == EntryKind::Choice},
      {"-", "-", false},
      {"acActName", text::format("%S / %S", {"名前入力(&N)", is(doc::PageKind::Name) ? "解除" : "設定"}),
       is(doc::PageKind::Plain) || is(doc::PageKind::Name)},
      {"acActTimer", text::format("%S / %S", {"時間計測(&T)", is(doc::PageKind::QuestionTimer) ? "解除" : "設定"}),
       is(doc::PageKind::Plain) || is(doc::PageKind::QuestionTimer)},
  };
  // A separator shows only between visible entries: one since the previous separator, one after it.
  bool seen = false;
  for (std::size_t i = 0; i < m.size(); ++i) {
    if (m[i].action != "-") {
      seen = seen || m[i].visible;
      continue;
    }
    bool after = false;
    for (std::size_t j = i + 1; j < m.size() && !after; ++j) after = m[j].action != "-" && m[j].visible;
    m[i].visible = seen && after;
    if (m[i].visible) seen = false;
  }
  return m;
}

int TPageEditorModel::addPage(doc::PageKind kind, doc::PageRole role) {
  if (!s_.document) return -1;
  int at = -1;
  if (selection_.kind == EntryKind::Root) {
    // In front of the last page: a page behind it is never shown, in the tree or in a test.
    at = ListedPageCount();
  } else if (selection_.kind == EntryKind::Page && page()) {
    at = selection_.page;
  } else {
    return -1;
  }
  doc::TPage* p = at < pages().PageCount() ? pages().InsertPage(at) : pages().AddPage();
  p->SetKind(kind);
  p->SetRole(role);
  modified();
  Rebuild();
  Select({EntryKind::Page, at, -1, -1});
  return at;
}

int TPageEditorModel::acPageAdd() { return addPage(doc::PageKind::Plain, doc::PageRole::Ordinary); }
int TPageEditorModel::acPsgeReading() { return addPage(doc::PageKind::ReadingStart, doc::PageRole::Ordinary); }

int TPageEditorModel::acPageQA() {
  const int at = addPage(doc::PageKind::QuestionTimer, doc::PageRole::Question);
  if (at < 0) return at;
  doc::TPage* p = pages().Page(at);
  p->SetMainTextFromStream(
      linesBuffer({"次の設問に答えなさい。", "答えは下段パネルの選択肢ボックスをチェックして行います。", ""}));
  p->SetLowerTextFromStream(linesBuffer(
      {"", "すべて回答し終えたら次に進みなさい。", "次に進むには右下の「Forward」アイコンをクリックします。"}));
  Rebuild();
  Select({EntryKind::Page, at, -1, -1});
  acQueAdd();
  return at;
}

void TPageEditorModel::acPageDelete() {
  if (selection_.kind != EntryKind::Page || !page()) return;
  pages().DeletePage(selection_.page);
  modified();
  Rebuild();
  Select({EntryKind::Root, -1, -1, -1});
}

void TPageEditorModel::acPageMoveUP() {
  if (selection_.kind != EntryKind::Page || selection_.page <= 0 || selection_.page >= ListedPageCount()) return;
  const int at = selection_.page;
  pages().MovePageUp(at);
  modified();
  Rebuild();
  Select({EntryKind::Page, at - 1, -1, -1});
}

void TPageEditorModel::acPageMoveDown() {
  // Never below the last page of the list: that would put it behind the last page.
  if (selection_.kind != EntryKind::Page || selection_.page < 0 || selection_.page + 1 >= ListedPageCount()) return;
  const int at = selection_.page;
  pages().MovePageDown(at);
  modified();
  Rebuild();
  Select({EntryKind::Page, at + 1, -1, -1});
}

void TPageEditorModel::acQueAdd() {
  doc::TPage* p = page();
  if (!p || !s_.document || p->Role() != doc::PageRole::Question) return;
  int at = -1;
  if (selection_.kind == EntryKind::Page) {
    p->NewQuestion();
    at = p->QuestionCount() - 1;
  } else if (selection_.kind == EntryKind::Question && item()) {
    at = selection_.question;
    p->InsertQuestion(at, std::make_unique<doc::TQAItem>());
  } else {
    return;
  }
  const int pageIndex = selection_.page;
  modified();
  Rebuild();
  Select({EntryKind::Question, pageIndex, at, -1});
  pendingEditRow_ = 1;
}

void TPageEditorModel::acQueDel() {
  doc::TPage* p = page();
  if (!p || selection_.kind != EntryKind::Question || !item()) return;
  const int pageIndex = selection_.page;
  p->DeleteQuestion(selection_.question);
  modified();
  Rebuild();
  Select({EntryKind::Page, pageIndex, -1, -1});
}

void TPageEditorModel::acChoiceAdd() {
  doc::TQAItem* q = item();
  if (!q) return;
  const rt::RichBuffer dash = linesBuffer({"-"});
  int at = -1;
  if (selection_.kind == EntryKind::Question) {
    q->AddChoice(dash);
    at = q->ChoiceCount() - 1;
  } else if (selection_.kind == EntryKind::Choice && selection_.choice >= 0 && selection_.choice < q->ChoiceCount()) {
    at = selection_.choice;
    respliceChoices(*q, at, &dash);
    // The correct choice moves down with the others, so the same choice stays correct.
    if (q->Correct() >= at) q->SetCorrect(q->Correct() + 1);
  } else {
    return;
  }
  const EditorSelection question{EntryKind::Question, selection_.page, selection_.question, -1};
  modified();
  buildTree();
  refillCorrectGrid();
  Select(question);
  pendingEditRow_ = newChoiceRow_ = at + 2;
}

void TPageEditorModel::acChoiceDel() {
  doc::TQAItem* q = item();
  if (!q || selection_.kind != EntryKind::Choice || selection_.choice < 0 || selection_.choice >= q->ChoiceCount())
    return;
  const int at = selection_.choice;
  respliceChoices(*q, at, nullptr);
  if (q->Correct() == at)
    q->SetCorrect(-1);
  else if (q->Correct() > at)
    q->SetCorrect(q->Correct() - 1);
  const EditorSelection question{EntryKind::Question, selection_.page, selection_.question, -1};
  modified();
  buildTree();
  refillCorrectGrid();
  Select(question);
}

void TPageEditorModel::acActName() {
  doc::TPage* p = page();
  if (!p || selection_.kind != EntryKind::Page ||
      (p->Kind() != doc::PageKind::Plain && p->Kind() != doc::PageKind::Name))
    return;
  if (p->Kind() == doc::PageKind::Name) {
    p->SetKind(doc::PageKind::Plain);
  } else {
    for (int i = 0; i < pages().PageCount(); ++i) {
      doc::TPage* other = pages().Page(i);
      if (other == p || other->Kind() != doc::PageKind::Name) continue;
      const std::string ask = text::format(kMsgNamePageTaken, {i + 1}) + "\r\n\r\n" + kMsgNamePageReset;
      if (s_.dialogs && s_.dialogs->askYesNo(ask) != platform::Answer::Yes) return;
      other->SetKind(doc::PageKind::Plain);
    }
    p->SetKind(doc::PageKind::Name);
  }
  const EditorSelection keep = selection_;
  modified();
  buildTree();
  Select(keep);
}

void TPageEditorModel::acActTimer() {
  doc::TPage* p = page();
  if (!p || selection_.kind != EntryKind::Page ||
      (p->Kind() != doc::PageKind::Plain && p->Kind() != doc::PageKind::QuestionTimer))
    return;
  p->SetKind(p->Kind() == doc::PageKind::QuestionTimer ? doc::PageKind::Plain : doc::PageKind::QuestionTimer);
  const EditorSelection keep = selection_;
  modified();
  buildTree();
  Select(keep);
}

}  // namespace ruvo::authoring
