#pragma once
// The main window TForm1: renders the widget-free main-window model and routes the controls, keys
// and timers to it. The test view (tsMain) is the page text RichEdit1, the "▽" more-text panel,
// the answer panels with their hint, and the bottom bar; the toolbar Panel14 and its pop-up menu
// carry the teacher's commands (absent in the examinee program).
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "core/app/form1model.h"
#include "gui/platform/qtports.h"

class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class QFrame;

namespace ruvo::gui {

class TRichView;
class TEditView;
class TDragButton;
class TTotalsView;
class AnswerPanels;
class TWindowShell;

struct TForm1Options {
  std::vector<std::string> args;  // command-line arguments without the program name
  bool examineeOnly = false;      // the examinee program: the test view alone, no toolbar
  // Ports that replace the Qt ones (tests script the shell so that no file browser opens).
  platform::Ports overrides;
  // Where the programs lie (the examinee program is looked for here first); empty: beside this one.
  std::string executableFolder;
  // Register the file types for this user during the create step (the installed programs do).
  bool registerFileTypes = false;
};

class TForm1 final : public QMainWindow, private app::TForm1View {
  Q_OBJECT
 public:
  explicit TForm1(TForm1Options options = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  app::TForm1Model& model() { return *model_; }
  TRichView* richEdit1() const { return richEdit1_; }
  TEditView* editView() const { return editView_; }
  QPushButton* speedButton1() const { return speedButton1_; }
  // The aggregation side (absent in the examinee program).
  TTotalsView* totalsView() const { return totals_.get(); }
  TWindowShell& windowShell() { return *shell_; }

  // How many times RichEdit1 painted; benchmarks wait on it.
  int richEdit1Paints() const;
  // The show step has run (the command-line test, if any, is open).
  bool showStepDone() const { return showStepRan_; }

 signals:
  // RichEdit1 painted for the first time after the show step.
  void firstPagePainted();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // TForm1View
  void ModelChanged() override;
  void SetRepaintSuspended(bool suspended) override;
  void ProgressChanged() override;

  void buildTestView(QWidget* sheet);
  void buildToolbar(QWidget* bar);
  void buildEditView(QWidget* sheet);
  void render();
  void renderTimers();
  void renderAnswerPanels();
  void renderMoreIndicator(bool more);
  void renderProgressBar2();
  void applyTimer(QTimer& t, const app::TimerState& s, app::TimerState& last);
  void rememberPlacement();
  void dragResultFile();
  void dropQueuedInput();
  bool ownsWidget(QObject* o) const;

  TForm1Options options_;
  QtPorts qt_;
  platform::Ports ports_;
  std::unique_ptr<app::TForm1Model> model_;
  TWindowShell* shell_ = nullptr;  // help, Information menu, packaging, Open menu
  bool showStepDone_ = false;
  bool showStepRan_ = false;
  bool firstPaintSignalled_ = false;
  bool closeApproved_ = false;
  bool discardInput_ = false;
  bool rendering_ = false;
  bool renderAgain_ = false;
  std::uint64_t shownScrollGeneration_ = 0;
  std::size_t shownCaret_ = 0;
  rt::RichText shownText_;
  bool shownTextValid_ = false;
  std::string shownPanelsKey_;

  QStackedWidget* pageControl1_ = nullptr;
  QWidget* tsMain_ = nullptr;
  QWidget* tsEdit_ = nullptr;
  QWidget* panel14_ = nullptr;  // toolbar
  TRichView* richEdit1_ = nullptr;
  QLabel* panel6_ = nullptr;   // "▽"
  QWidget* panel7_ = nullptr;  // bottom area: hint, answer panels, bottom bar
  QLabel* panel11_ = nullptr;  // hint above the answer panels
  QWidget* panel5_ = nullptr;  // host of the answer panels
  QVBoxLayout* panel5Layout_ = nullptr;
  AnswerPanels* answerPanels_ = nullptr;
  QWidget* panel1_ = nullptr;             // bottom bar
  QPushButton* speedButton1_ = nullptr;   // Forward / Copy
  QPushButton* speedButton27_ = nullptr;  // Quit
  QPushButton* speedButton2_ = nullptr;   // ＋
  QPushButton* speedButton3_ = nullptr;   // －
  QProgressBar* fontGauge_ = nullptr;
  TDragButton* speedButton4_ = nullptr;  // result folder
  QCheckBox* checkBox3_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QLabel* label3_ = nullptr;
  QLabel* label26_ = nullptr;
  QProgressBar* progressBar1_ = nullptr;
  QMenu* popupMenu2_ = nullptr;
  QToolButton* tbPageEditing_ = nullptr;
  QToolButton* tbPageReading_ = nullptr;
  QToolButton* tbOpenProject_ = nullptr;
  QToolButton* tbPageSave_ = nullptr;
  QToolButton* tbPageSaveAs_ = nullptr;
  QAction* acPropertyAction_ = nullptr;
  TEditView* editView_ = nullptr;
  QToolButton* tbCreate_ = nullptr;
  QToolButton* createButton_ = nullptr;   // Create of the editing view
  QProgressBar* progressBar2_ = nullptr;  // the compile's progress, over createButton_
  QToolButton* tbOpenReading_ = nullptr;
  QAction* h1_ = nullptr;  // "配布回収(&D)"
  std::unique_ptr<TTotalsView> totals_;

  QTimer timer1_, timer2_, tmSnaile_;
  app::TimerState lastTimer1_, lastTimer2_, lastSnaile_;
};

}  // namespace ruvo::gui
