#pragma once
// The shell side of the main window in one place: the help tab of the side area, the shell
// entries of the Information menu, the Send and Zip toolbar buttons, the help buttons with
// their anchors, the right-click help on captions, and the Open menu of test documents that
// starts the examinee program. The window only calls the hooks below where it builds itself.
#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "core/delivery/packaging.h"
#include "core/platform/ports.h"

class QAbstractButton;
class QMenu;
class QTabWidget;
class QToolButton;
class QWidget;

namespace ruvo::gui {

class TCaptionHelp;
class THelpTab;
class TShellActions;

class TWindowShell final : public QObject {
  Q_OBJECT
 public:
  TWindowShell(platform::Ports ports, delivery::PackagingPlace place, QWidget* window);
  ~TWindowShell() override;

  TShellActions& actions() { return *actions_; }
  TCaptionHelp& captionHelp() { return *captionHelp_; }
  THelpTab* helpTab() const { return helpTab_; }
  const delivery::PackagingPlace& place() const { return place_; }

  // The page of the side area's Help tab.
  QWidget* buildHelpTab(QWidget* parent);
  // One second of the help tab's snail, while the tab is on screen.
  void tick();

  // The manual, first-steps, web, mail and version entries of the Information menu.
  void populateInformation(QMenu* menu);
  // Send and Zip on the toolbar run the packaging actions.
  void bindToolbar(QToolButton* send, QToolButton* zip);
  // A help button ("?") that opens the manual at the control's anchor (SpeedButton19 ...).
  QToolButton* helpButton(const char* control, QWidget* parent);
  // Wires a button that already exists to the control's anchor.
  void bindHelpButton(QAbstractButton* button, const char* control);
  // The help buttons of the side tabs Correct Answer .. Script (a button of that name already on
  // the tab page is wired, otherwise one is put in the page's top right corner), and the
  // right-click help on every tool button and check box of those pages.
  void attachSideTabHelp(QTabWidget* tabs);

  // The Open menu: the test documents under system/ruvof start the examinee program; the
  // dialog entry loads a document into the window through `openDocument`.
  void bindOpenMenu(QToolButton* open, std::function<bool(const std::string&)> openDocument);
  // Fills the menu from the folder as it is now (also done each time it opens).
  void fillOpenMenu(QMenu* menu);

  // A project given on the command line (a double click in the file manager) opens through the
  // project opener (the editing view's "open project"); without one nothing opens.
  void setProjectOpener(std::function<bool(const std::string&)> open) { openProject_ = std::move(open); }
  void openCommandLineProject(const std::vector<std::string>& args);

  // Starts the examinee program on the test document.
  void launchExaminee(const std::string& documentPath);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  platform::Ports ports_;
  delivery::PackagingPlace place_;
  TShellActions* actions_ = nullptr;
  TCaptionHelp* captionHelp_ = nullptr;
  THelpTab* helpTab_ = nullptr;
  std::function<bool(const std::string&)> openDocument_;
  std::function<bool(const std::string&)> openProject_;
};

}  // namespace ruvo::gui
