#pragma once
// The main window's aggregation side: the sum-up list and collection behind it, result files
// and folders dropped on the window, the delivery window opened from "配布回収(&D)", and the
// feedback graph window opened by acGraph, whose collection timer drives the poll.
#include <QList>
#include <QObject>
#include <QTextOption>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "core/app/form1model.h"
#include "core/platform/ports.h"

class QAction;
class QMainWindow;
class QTextEdit;
class QToolButton;
class QWidget;

namespace ruvo::report {
class TTotalsModel;
}

namespace ruvo::gui {

class TForm3;
class TForm4;

class TTotalsView final : public QObject {
 public:
  // Gives the main window's model its totals; to be made before the model's create step.
  TTotalsView(QMainWindow* window, app::TForm1Model& model, platform::Ports ports, const std::string& executable);
  ~TTotalsView() override;

  // After the model's create step: the delivery and feedback windows are made (reading their
  // settings), the menu item and the toolbar get their actions, and the window takes drops.
  // dropTargets: widgets of the window that may receive the drop themselves.
  void Attach(QAction* h1, QWidget* toolbar, QTextEdit* richEdit1, std::initializer_list<QWidget*> dropTargets);
  // The model changed: the graph action follows its state.
  void Render();
  // Before the settings are written: the feedback window's choices.
  void BeforeClose();

  void H1Click();
  void acGraph();

  report::TTotalsModel& totals() { return *totals_; }
  TForm3* form3() const { return form3_.get(); }
  TForm4* form4() const { return form4_.get(); }
  QToolButton* graphButton() const { return graphButton_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void poll();
  void alignColumns();

  QMainWindow* window_;
  app::TForm1Model& model_;
  platform::Ports ports_;
  report::TTotalsModel* totals_ = nullptr;  // owned by the model
  std::unique_ptr<TForm3> form3_;
  std::unique_ptr<TForm4> form4_;
  QToolButton* graphButton_ = nullptr;
  QTextEdit* richEdit1_ = nullptr;
  std::uint64_t alignedGeneration_ = 0;
  bool aligned_ = false;
  QList<QTextOption::Tab> tabs_;
};

}  // namespace ruvo::gui
