#pragma once
// The page editor: the page tree with its questions and choices, the text pane, the
// multiple-choice grid, the correct-answer panel and the side grids, over the open document.
// The document is the state; the tree and grids are rebuilt from it after every structural
// change. Every change marks the document modified.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/authoring/compiler.h"
#include "core/authoring/project.h"
#include "core/platform/ports.h"
#include "core/richtext/richtext.h"

namespace ruvo::authoring {

inline constexpr const char* kMsgEditAfterCreate = "Create すると編集可能になります";
inline constexpr const char* kMsgNamePageTaken = "すでに %D ページに設定されています。";
inline constexpr const char* kMsgNamePageReset = "それを解除して 設定しなおします。いいですか？";
inline constexpr const char* kDefaultNaming = "番号や名前を入力";

enum class EntryKind { None, Root, Page, UpperText, Question, LowerText, Choice };
enum class EntryIcon {
  Property,
  PlainPage,
  TimedPage,
  QuestionPage,
  NamePage,
  Text,
  QuestionWithChoices,
  QuestionField,
  CorrectChoice,
  OtherChoice
};

struct TreeEntry {
  EntryKind kind = EntryKind::None;
  std::string caption;
  EntryIcon icon = EntryIcon::Property;
  int page = -1, question = -1, choice = -1;
  std::vector<TreeEntry> children;
};

struct EditorSelection {
  EntryKind kind = EntryKind::None;
  int page = -1, question = -1, choice = -1;
  bool operator==(const EditorSelection&) const = default;
};

// One entry of PopupMenu1 as the selection shows it.
struct MenuItem {
  std::string action;  // "acPageAdd", ... ; "-" for a separator; "" for a submenu's title
  std::string caption;
  bool visible = false;
};

struct EditorSession {
  doc::TDocument* document = nullptr;  // the open document the editor works on
  CompileInputs* grids = nullptr;      // StringGrid1, StringGrid2 and the check boxes (shared with Create)
  platform::Dialogs* dialogs = nullptr;
  platform::Clock* clock = nullptr;
  std::function<void(SideTab)> showSideTab;
  std::function<bool()> scriptChosen;  // a script is set (values are edited only after Create)
};

// The help texts under the correct-answer grid (RichEdit5) and the property grid (RichEdit6):
// headings in blue, the fourth heading of the correct-answer help in red.
rt::RichText CorrectAnswerHelp();
rt::RichText PropertyHelp();

class TPageEditorModel final {
 public:
  explicit TPageEditorModel(EditorSession s);

  // ---- the view ----
  void Rebuild();
  const TreeEntry& Tree() const { return tree_; }
  const EditorSelection& Selection() const { return selection_; }
  // StringGrid3: " n ", " c" or " -", the question's caption.
  const std::vector<std::array<std::string, 3>>& CorrectAnswerGrid() const { return correctGrid_; }
  void FillCorrectAnswersFromScript(const std::vector<CorrectAnswerRow>& rows);
  // RichEdit2. An ordinary page is shown with its phrase separators "/ " in place, so the
  // teacher sees and edits the chunks with the text; the marks are read again from every edit.
  const rt::RichText& Pane() const { return pane_; }
  bool PaneEditable() const { return paneEditable_; }
  // The pane holds an ordinary page's text, where "/ " separates phrases.
  bool PaneHasPhrases() const { return paneHasPhrases_; }
  // StringGrid4 (rows = choices + 3; row 0 is the title row) and Panel15's title.
  const std::vector<std::array<std::string, 2>>& ChoiceGrid() const { return choiceGrid_; }
  const std::string& ChoicePanelTitle() const { return choicePanelTitle_; }
  // Panel13: RadioGroup1 checked, Button6 shown.
  bool CorrectChecked() const { return correctChecked_; }
  // The row the in-place editor should open on after an operation (0: none).
  int PendingEditRow() const { return pendingEditRow_; }

  // ---- selecting and editing ----
  void Select(const EditorSelection& s);
  void EditPaneText(const rt::RichText& text);
  struct CellText {
    rt::RichText text;  // without its leading tabs
    int tabs = 0;
  };
  // The in-place editor on StringGrid4 row `row` (1: question, k >= 2: choice k - 2).
  std::optional<CellText> BeginCellEdit(int row);
  // Commits the editor's first line with the removed tabs put back; nothing without a change.
  void CommitCellEdit(int row, const CellText& edited, bool changed);
  // Batch entry from pasted text (Button7 "一括").
  bool BatchEntry(const rt::RichText& pasted);
  // The same from the clipboard: its rich text, else its plain text.
  bool BatchEntry(platform::Clipboard& clipboard);
  // A double click on a choice, RadioGroup1 or Button6.
  void ToggleCorrect();
  // The value chooser (ComboBox1) lists; grid 2 = settings (row 0..8), grid 3 = correct answers.
  std::vector<std::string> ChooserValues(int grid, int row) const;
  // False (with the message) while the document has no pages and a script is chosen.
  bool CanEditValues();
  void ChooseSetting(int row, const std::string& value);
  void ChooseCorrectAnswer(int row, const std::string& value);  // row 0 = the first question
  void EditProperty(int row, const std::string& value);

  // ---- the pop-up menu and its actions ----
  std::vector<MenuItem> PopupMenu1() const;
  int acPageAdd();
  int acPsgeReading();
  int acPageQA();
  void acPageDelete();
  void acPageMoveUP();
  void acPageMoveDown();
  void acQueAdd();
  void acQueDel();
  void acChoiceAdd();
  void acChoiceDel();
  void acActName();
  void acActTimer();

  // Pages the tree lists: those before the first last page.
  int ListedPageCount() const;

 private:
  int addPage(doc::PageKind kind, doc::PageRole role);
  void buildTree();
  std::string textCaption(const doc::TPage& p, EntryKind kind) const;
  void refillCorrectGrid();
  void fillChoiceGrid();
  void modified();
  doc::TPage* page() const;
  // The open document's models (only while s_.document is set).
  doc::TPageControler& pages() const { return s_.document->Pages(); }
  doc::TQAControler& qa() const { return s_.document->QA(); }
  doc::TQAItem* item() const;
  bool autoIndent() const { return s_.grids && s_.grids->autoIndent; }

  EditorSession s_;
  TreeEntry tree_;
  EditorSelection selection_;
  std::vector<std::array<std::string, 3>> correctGrid_;
  rt::RichText pane_;
  bool paneEditable_ = false;
  bool paneHasPhrases_ = false;
  // The upper (UpperText) and lower (LowerText) texts edited in the pane: their entries show
  // the text's caption from then on. Pages are known by address within one generation of
  // the page controller.
  std::set<std::pair<const doc::TPage*, EntryKind>> editedTexts_;
  std::uint64_t editedGeneration_ = 0;
  std::vector<std::array<std::string, 2>> choiceGrid_;
  std::string choicePanelTitle_;
  bool correctChecked_ = false;
  int pendingEditRow_ = 0;
  int newChoiceRow_ = 0;
};

}  // namespace ruvo::authoring
