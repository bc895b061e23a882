#pragma once
// Qt implementations of the ports the core talks through.
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include "core/platform/ports.h"

namespace ruvo::gui {

// Message boxes with the system's button sets, the input box (its line edit keeps paste out, so a
// name must be typed) and the file dialogs. Texts are UTF-8 on the core side.
class QtDialogs final : public platform::Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void message(const std::string& text) override;
  platform::Answer askYesNo(const std::string& text, const std::string& caption) override;
  platform::Answer askYesNoCancel(const std::string& text, const std::string& caption) override;
  platform::Answer confirmNoOk(const std::string& text, const std::string& caption) override;
  std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                   const std::string& defaultText) override;
  std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                      const std::string& initialDir) override;
  std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                      const std::string& initialDir, const std::string& fileName,
                                      const std::string& defaultExt) override;
  std::optional<std::string> chooseFolder(const std::string& title, const std::string& initialDir) override;
  std::optional<std::vector<std::string>> openFiles(const std::string& title, const std::string& filter,
                                                    const std::string& initialDir) override;

  // "Label (*.ext)|*.ext|..." as the core writes filters -> Qt's ";;"-joined name filters.
  static QString qtFilter(const std::string& filter);

 private:
  QPointer<QWidget> parent_;
};

// A monotonic 64-bit millisecond clock: it neither wraps nor follows changes of the wall clock.
class QtClock final : public platform::Clock {
 public:
  QtClock();
  std::int64_t tickMs() override;
  platform::DateTime now() override;

 private:
  QElapsedTimer timer_;
};

// The system clipboard: RTF under "text/rtf" (and "application/rtf") beside plain text, images as
// PNG, files as text/uri-list plus the desktop's x-special/gnome-copied-files.
class QtClipboard final : public platform::Clipboard {
 public:
  void setRichText(const std::string& rtf, const std::string& plain) override;
  void setText(const std::string& plain) override;
  void setImagePng(const std::string& png) override;
  void setFiles(const std::vector<std::string>& paths) override;
  std::optional<std::string> rtf() override;
  std::optional<std::string> text() override;
};

// Files and addresses open through the desktop's opener (xdg-open); a failure of the opener is
// a failure to open.
class QtShell final : public platform::Shell {
 public:
  bool open(const std::string& pathOrUrl) override;
  // How long open() waits for the opener's answer before it counts the file as opened.
  void setOpenerWaitMs(int ms) { waitMs_ = ms; }
  bool start(const std::string& program, const std::vector<std::string>& args) override;
  std::string programPath() override;
  std::string version() override;
  std::string systemName() override;

 private:
  int waitMs_ = 5000;
};

// The monitors as the areas windows may cover (without the desktop's panels).
class QtScreen final : public platform::Screen {
 public:
  std::vector<platform::Rect> monitors() override;
};

// All Qt ports in one object, owned by a window.
struct QtPorts final {
  QtDialogs dialogs;
  QtClock clock;
  QtClipboard clipboard;
  QtShell shell;
  QtScreen screen;
  platform::Ports ports() { return platform::Ports{&dialogs, &clock, &clipboard, &shell, &screen}; }
};

inline QString qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string us(const QString& s) { return s.toUtf8().toStdString(); }

}  // namespace ruvo::gui
