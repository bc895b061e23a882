// The ports nobody gave (see ports.h for what they answer).
#include "core/platform/systemclock.h"

namespace ruvo::platform {
namespace {

class NullDialogs final : public Dialogs {
 public:
  void message(const std::string&) override {}
  Answer askYesNo(const std::string&, const std::string&) override { return Answer::No; }
  Answer askYesNoCancel(const std::string&, const std::string&) override { return Answer::Cancel; }
  Answer confirmNoOk(const std::string&, const std::string&) override { return Answer::No; }
  std::optional<std::string> input(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> openFile(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> saveFile(const std::string&, const std::string&, const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> chooseFolder(const std::string&, const std::string&) override { return std::nullopt; }
  std::optional<std::vector<std::string>> openFiles(const std::string&, const std::string&,
                                                    const std::string&) override {
    return std::nullopt;
  }
};

class NullClipboard final : public Clipboard {
 public:
  void setRichText(const std::string&, const std::string&) override {}
  void setText(const std::string&) override {}
  void setImagePng(const std::string&) override {}
  void setFiles(const std::vector<std::string>&) override {}
  std::optional<std::string> rtf() override { return std::nullopt; }
  std::optional<std::string> text() override { return std::nullopt; }
};

class NullShell final : public Shell {
 public:
  bool open(const std::string&) override { return false; }
  bool start(const std::string&, const std::vector<std::string>&) override { return false; }
  std::string programPath() override { return {}; }
  std::string version() override { return {}; }
  std::string systemName() override { return {}; }
};

class NullScreen final : public Screen {
 public:
  std::vector<Rect> monitors() override { return {}; }
};

}  // namespace

// Function-local statics: ready before any Ports is made, even one made during static
// initialisation, and never destroyed before their users.
Dialogs& nullDialogs() {
  static NullDialogs d;
  return d;
}
Clock& defaultClock() {
  static SystemClock c;
  return c;
}
Clipboard& nullClipboard() {
  static NullClipboard c;
  return c;
}
Shell& nullShell() {
  static NullShell s;
  return s;
}
Screen& nullScreen() {
  static NullScreen s;
  return s;
}

Ports Ports::filled() const {
  Ports p = *this;
  if (!p.dialogs) p.dialogs = &nullDialogs();
  if (!p.clock) p.clock = &defaultClock();
  if (!p.clipboard) p.clipboard = &nullClipboard();
  if (!p.shell) p.shell = &nullShell();
  if (!p.screen) p.screen = &nullScreen();
  return p;
}

Ports Ports::overriddenBy(const Ports& over) const {
  Ports p = filled();
  if (over.dialogs && over.dialogs != &nullDialogs()) p.dialogs = over.dialogs;
  if (over.clock && over.clock != &defaultClock()) p.clock = over.clock;
  if (over.clipboard && over.clipboard != &nullClipboard()) p.clipboard = over.clipboard;
  if (over.shell && over.shell != &nullShell()) p.shell = over.shell;
  if (over.screen && over.screen != &nullScreen()) p.screen = over.screen;
  return p;
}

}  // namespace ruvo::platform
