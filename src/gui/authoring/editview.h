#pragma once
// The editing view (tsEdit): the editing toolbar (Template, Script, Create, the two check boxes,
// Property), the page tree TreeView1 with PopupMenu1, the text pane RichEdit2, the
// multiple-choice grid StringGrid4 with its in-place editor, the correct-answer panel Panel13,
// and the side tabs PageControl2. It renders the authoring model of the main-window model and
// routes every control to it; the main window's toolbar actions land here too.
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "core/authoring/foldermenu.h"
#include "core/authoring/pageeditor.h"
#include "core/platform/ports.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class QTextEdit;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ruvo::app {
class TForm1Model;
}
namespace ruvo::authoring {
class TAuthoringModel;
}

namespace ruvo::gui {

class TGridRichText;
class TPhraseSeparators;

class TEditView final : public QWidget {
  Q_OBJECT
 public:
  TEditView(app::TForm1Model& model, platform::Ports ports, QWidget* parent = nullptr);

  // Re-reads the model; cheap when nothing the view shows changed.
  void render();

  // The main window's toolbar actions.
  void acOpenProject();
  void acOpenReading();
  void acCreate();
  void acPageSave();
  void acPageSaveAs();
  void acPageReading();

  // The last folder menu or tree menu shown (tests trigger their entries).
  QMenu* lastMenu() const { return lastMenu_; }
  // Replaces the placeholder of the help tab (tab 5).
  void setHelpTab(QWidget* tab);

  QTreeWidget* tree() const { return tree_; }
  QTextEdit* richEdit2() const { return richEdit2_; }
  QTableWidget* stringGrid(int n) const;  // 1..4
  TGridRichText* choiceEditor() const { return choiceEditor_; }
  int choiceEditorRow() const { return editRow_; }
  QComboBox* comboBox1() const { return comboBox1_; }
  QTabWidget* sideTabs() const { return pageControl2_; }
  QRadioButton* radioYes() const { return radioYes_; }
  QPushButton* button6() const { return button6_; }
  QPushButton* button7() const { return button7_; }
  QLabel* panel15() const { return panel15_; }
  QTextEdit* templatePreview() const { return richEdit8_; }
  QTextEdit* scriptPreview() const { return richEdit9_; }
  QToolButton* toolButton(const char* name) const;

 private:
  authoring::TAuthoringModel& authoring() const;
  authoring::TPageEditorModel& editor() const;
  void buildToolbar(QWidget* bar);
  void buildSideTabs();
  QMenu* folderMenu(const std::vector<authoring::FolderMenuEntry>& entries,
                    const std::function<void(const std::string&)>& onFile, const std::function<void()>& onDialog,
                    const std::function<void()>& onSecond);
  void popup(QMenu* m, QWidget* anchor);
  void keepMenu(QMenu* m);
  void after();  // an action ran: show what it left
  void syncTree();
  void selectTreeItem();
  void showSelection();
  void fillChoiceGrid();
  void fillSideGrids();
  void syncSideTab();
  void treeSelected(QTreeWidgetItem* item);
  void treeMenu(const QPoint& pos);
  void runMenuAction(const std::string& action);
  void openCellEditor(int row);
  void closeCellEditor(bool commit);
  void moveCellEditor(int delta);
  void openChooser(int grid, int row, int column);
  void userSwitchedTab(int index);

  app::TForm1Model& model_;
  platform::Ports ports_;
  bool syncing_ = false;
  std::string shownShape_;
  authoring::EditorSelection shownSelection_;
  bool selectionShown_ = false;
  int shownTab_ = -1;
  int editRow_ = 0;
  int editTabs_ = 0;
  int chooserGrid_ = 0, chooserRow_ = -1;

  QPointer<QMenu> lastMenu_;
  QTreeWidget* tree_ = nullptr;
  QTextEdit* richEdit2_ = nullptr;
  TPhraseSeparators* phraseSeparators_ = nullptr;
  // RichEdit2's text as last shown or sent to the model: only a change of it is an edit.
  rt::RichText paneSeen_;
  QWidget* choicePanel_ = nullptr;
  QLabel* panel15_ = nullptr;
  QTableWidget* stringGrid4_ = nullptr;
  QPushButton* button7_ = nullptr;
  TGridRichText* choiceEditor_ = nullptr;
  QGroupBox* panel13_ = nullptr;
  QRadioButton* radioYes_ = nullptr;
  QPushButton* button6_ = nullptr;
  QTabWidget* pageControl2_ = nullptr;
  QTableWidget* stringGrid1_ = nullptr;
  QTableWidget* stringGrid2_ = nullptr;
  QTableWidget* stringGrid3_ = nullptr;
  QComboBox* comboBox1_ = nullptr;
  QTextEdit* richEdit5_ = nullptr;
  QTextEdit* richEdit6_ = nullptr;
  QTextEdit* richEdit8_ = nullptr;
  QTextEdit* richEdit9_ = nullptr;
  QToolButton* speedButton10_ = nullptr;
  QToolButton* speedButton17_ = nullptr;
  QLabel* label9_ = nullptr;
  QLabel* label10_ = nullptr;
  QCheckBox* checkBox1_ = nullptr;
  QCheckBox* checkBox2_ = nullptr;
  QWidget* toolbar_ = nullptr;
  rt::RichText shownTemplate_, shownScript_;
  bool previewsShown_ = false;
};

}  // namespace ruvo::gui
