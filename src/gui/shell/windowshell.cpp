#include "gui/shell/windowshell.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>

#include "core/app/paths.h"
#include "core/authoring/foldermenu.h"
#include "core/shell/association.h"
#include "core/shell/help.h"
#include "core/text/format.h"
#include "gui/platform/qtports.h"
#include "gui/shell/captionhelp.h"
#include "gui/shell/helptab.h"
#include "gui/shell/shellactions.h"

namespace ruvo::gui {

namespace {
// The help button of each side tab, in tab order: Correct Answer, Setting, Property, Template, Script.
constexpr const char* kSideTabHelp[] = {"SpeedButton22", "SpeedButton23", "SpeedButton14", "SpeedButton20",
                                        "SpeedButton21"};
constexpr const char* kRuvofFolder = "system/ruvof";
constexpr const char* kHelpButtonProperty = "ruvoHelpButton";

void placeTopRight(QWidget* page, QWidget* button) {
  button->move(std::max(0, page->width() - button->width() - 4), 4);
  button->raise();
}
}  // namespace

TWindowShell::TWindowShell(platform::Ports ports, delivery::PackagingPlace place, QWidget* window)
    : QObject(window), ports_(ports.filled()), place_(std::move(place)) {
  actions_ = new TShellActions(ports_, place_, window);
  captionHelp_ = new TCaptionHelp(ports_, place_.programFolder, this);
}

TWindowShell::~TWindowShell() = default;

QWidget* TWindowShell::buildHelpTab(QWidget* parent) {
  helpTab_ = new THelpTab(ports_, place_.programFolder, parent);
  return helpTab_;
}

void TWindowShell::tick() {
  if (helpTab_ && helpTab_->isVisible()) helpTab_->tick();
}

void TWindowShell::populateInformation(QMenu* menu) { actions_->populate(menu); }

void TWindowShell::bindToolbar(QToolButton* send, QToolButton* zip) {
  // The button takes the action's text, hint and enabled state.
  send->setDefaultAction(actions_->acSend);
  zip->setDefaultAction(actions_->acOpenZip);
}

void TWindowShell::bindHelpButton(QAbstractButton* button, const char* control) {
  const shell::HelpLink* link = shell::FindHelpLink(control);
  if (!link) return;
  button->setProperty(kHelpButtonProperty, true);
  const std::string anchor = link->anchor;
  connect(button, &QAbstractButton::clicked, this,
          [this, anchor] { shell::OpenHelpAt(ports_, shell::ManualPath(place_.programFolder), anchor); });
}

QToolButton* TWindowShell::helpButton(const char* control, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(control));
  b->setText(QStringLiteral("?"));
  b->setToolTip(QStringLiteral("Help"));
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  bindHelpButton(b, control);
  return b;
}

void TWindowShell::attachSideTabHelp(QTabWidget* tabs) {
  const int n = std::min<int>(tabs->count(), std::size(kSideTabHelp));
  for (int i = 0; i < n; ++i) {
    QWidget* page = tabs->widget(i);
    const QString name = QString::fromLatin1(kSideTabHelp[i]);
    if (auto* own = page->findChild<QAbstractButton*>(name)) {
      bindHelpButton(own, kSideTabHelp[i]);
    } else {
      QToolButton* b = helpButton(kSideTabHelp[i], page);
      b->adjustSize();
      placeTopRight(page, b);
      page->installEventFilter(this);
    }
    for (QAbstractButton* b : page->findChildren<QAbstractButton*>())
      if (!b->property(kHelpButtonProperty).toBool()) captionHelp_->watch(b);
  }
}

bool TWindowShell::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::Resize || e->type() == QEvent::LayoutRequest) {
    // The corner button stays over whatever layout the page carries.
    auto* page = static_cast<QWidget*>(watched);
    for (QObject* c : page->children()) {
      auto* b = qobject_cast<QToolButton*>(c);
      if (b && b->property(kHelpButtonProperty).toBool()) placeTopRight(page, b);
    }
  }
  return QObject::eventFilter(watched, e);
}

void TWindowShell::openCommandLineProject(const std::vector<std::string>& args) {
  const std::string project = shell::CommandLineProject(args);
  if (!project.empty() && openProject_) openProject_(project);
}

void TWindowShell::launchExaminee(const std::string& documentPath) {
  delivery::LaunchExaminee(ports_, place_, documentPath);
}

void TWindowShell::bindOpenMenu(QToolButton* open, std::function<bool(const std::string&)> openDocument) {
  openDocument_ = std::move(openDocument);
  auto* menu = new QMenu(open);
  menu->setObjectName(QStringLiteral("OpenReadingMenu"));
  connect(menu, &QMenu::aboutToShow, this, [this, menu] { fillOpenMenu(menu); });
  open->setMenu(menu);
  open->setPopupMode(QToolButton::InstantPopup);
  open->setEnabled(true);
  fillOpenMenu(menu);
}

void TWindowShell::fillOpenMenu(QMenu* menu) {
  // The folder's submenus of the last filling go with their entries.
  for (QMenu* sub : menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) sub->deleteLater();
  menu->clear();
  const std::string folder = app::JoinPath(place_.programFolder, kRuvofFolder);
  const auto entries = authoring::BuildFolderMenu(folder, ".ruvo", true, us(actions_->acCopyRuvo->text()));
  std::function<void(QMenu*, const std::vector<authoring::FolderMenuEntry>&)> add =
      [&](QMenu* m, const std::vector<authoring::FolderMenuEntry>& list) {
        for (const auto& entry : list) {
          using Kind = authoring::FolderMenuEntry::Kind;
          switch (entry.kind) {
            case Kind::DialogAction: {
              QAction* a = m->addAction(qs(entry.caption));
              a->setObjectName(QStringLiteral("acDialogReading"));
              connect(a, &QAction::triggered, this, [this, folder] {
                const auto path =
                    ports_.dialogs->openFile("Open", text::format("%S files|*%S;", {"ruvo", ".ruvo"}), folder);
                if (!path || !openDocument_) return;
                if (!openDocument_(*path)) ports_.dialogs->message(text::format("ファイル %S が開けません", {*path}));
              });
              break;
            }
            case Kind::SecondAction:
              m->addAction(actions_->acCopyRuvo);
              break;
            case Kind::Separator:
              m->addSeparator();
              break;
            case Kind::Folder:
              add(m->addMenu(qs(entry.caption)), entry.children);
              break;
            case Kind::File: {
              QAction* a = m->addAction(qs(entry.caption));
              a->setToolTip(qs(entry.path));
              const std::string path = entry.path;
              connect(a, &QAction::triggered, this, [this, path] { launchExaminee(path); });
              break;
            }
          }
        }
      };
  add(menu, entries);
}

}  // namespace ruvo::gui
