#pragma once
// Shared pieces of the window tests: the application object, waiting on the event loop, and a
// robot that answers the modal boxes the run puts up, as an examinee would.
#include <QApplication>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/platform/ports.h"

namespace ruvo::guitest {

QApplication& app();

// Runs the event loop until the condition holds or the time is up; returns the condition.
bool waitUntil(const std::function<bool()>& cond, int timeoutMs = 5000);

// Saves a picture of the widget into the screenshot folder.
QString saveScreenshot(QWidget* w, const QString& name);

// What to do with the next modal box.
struct BoxAction {
  enum Kind { PressYes, PressNo, PressOk, TypeAndOk } kind = PressOk;
  QString typed;  // for TypeAndOk: the keys typed into the box's line edit
};

// Watches for modal boxes and answers them in order; records every box's text.
class DialogRobot final : public QObject {
 public:
  DialogRobot();
  void expect(BoxAction a) { actions_.push_back(std::move(a)); }
  // Answers boxes that come with nothing queued (walking a test whose pages are not known).
  // Saves a screenshot of every box as PREFIX-N before answering it.
  void setScreenshotPrefix(const QString& prefix) { shotPrefix_ = prefix; }
  void setFallback(std::function<BoxAction(const QString& text)> f) { fallback_ = std::move(f); }
  const std::vector<QString>& seen() const { return seen_; }
  bool idle() const { return actions_.empty(); }
  // Boxes that appeared with no action queued are closed with Escape and counted here.
  int unexpected() const { return unexpected_; }

 private:
  void poll();
  QTimer timer_;
  std::deque<BoxAction> actions_;
  std::function<BoxAction(const QString&)> fallback_;
  QString shotPrefix_;
  std::vector<QString> seen_;
  int unexpected_ = 0;
};

// A shell that opens nothing and remembers what it was asked to open.
class RecordingShell final : public platform::Shell {
 public:
  bool open(const std::string& p) override {
    opened.push_back(p);
    return true;
  }
  bool start(const std::string& program, const std::vector<std::string>&) override {
    started.push_back(program);
    return true;
  }
  std::string programPath() override;
  std::string version() override { return "0.1.0"; }
  std::string systemName() override { return "Linux test"; }
  std::vector<std::string> opened, started;
};

// Drags the files onto target as the file manager would and drops them there; a refused
// drag is a test failure. True when the drop itself was accepted.
bool dropFiles(QWidget* target, const QStringList& paths);

// A fresh program folder for one test (TOVIMETER_HOME points at it).
QString freshProgramFolder(const QString& name);

}  // namespace ruvo::guitest
