#pragma once
// The help tab tsHelp of the editing view's side area: blue underlined links into the manual
// (purple and bold under the mouse), a "more" label that opens the second link panel, and the
// snail crawling along the bottom.
#include <QLabel>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "core/platform/ports.h"
#include "core/shell/snail.h"

namespace ruvo::gui {

class THelpTab final : public QWidget {
  Q_OBJECT
 public:
  THelpTab(platform::Ports ports, std::string programFolder, QWidget* parent = nullptr);

  // One second of the snail; the window's one-second timer calls it while the tab is shown.
  void tick(int second);
  void tick();  // at the current second of the clock

  QLabel* link(const char* control) const;  // Label11..Label25 by name
  QLabel* more() const { return more_; }
  QWidget* panel24() const { return panel24_; }
  QLabel* snail() const { return snail_; }
  QWidget* illustration() const { return illustration_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  QLabel* addLink(QWidget* panel, const char* control);
  void setHot(QLabel* l, bool hot);
  shell::TSnail::Geometry geometry() const;

  platform::Ports ports_;
  std::string programFolder_;
  QWidget* panel23_ = nullptr;  // the links
  QWidget* panel24_ = nullptr;  // the links behind "more"
  QLabel* more_ = nullptr;
  QLabel* snail_ = nullptr;
  QWidget* illustration_ = nullptr;  // behind the links, in the bottom right corner
  std::vector<QLabel*> links_;
  std::unique_ptr<shell::TSnail> snailModel_;
};

}  // namespace ruvo::gui
