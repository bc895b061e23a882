#pragma once
// The ports: everything the core asks a person or the operating system goes through these.
// The GUI implements them with Qt; tests implement them with scripted fakes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ruvo::platform {

enum class Answer { Yes, No, Cancel, Ok };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A message with an OK button.
  virtual void message(const std::string& text) = 0;
  // Yes / No.
  virtual Answer askYesNo(const std::string& text, const std::string& caption = {}) = 0;
  // Yes / No / Cancel.
  virtual Answer askYesNoCancel(const std::string& text, const std::string& caption = {}) = 0;
  // No / OK: the questions that let the user abandon work (OK means go ahead).
  virtual Answer confirmNoOk(const std::string& text, const std::string& caption = {}) = 0;
  // Input box; nullopt when cancelled.
  virtual std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                           const std::string& defaultText) = 0;
  // filter: "Label (*.ext)|*.ext" pairs joined by '|' as the toolkit writes them.
  virtual std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                              const std::string& initialDir) = 0;
  virtual std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                              const std::string& initialDir, const std::string& fileName,
                                              const std::string& defaultExt) = 0;
  virtual std::optional<std::string> chooseFolder(const std::string& title, const std::string& initialDir) = 0;
  // Several files at once (packaging); nullopt when cancelled. Without its own dialog a port
  // offers the single-file one.
  virtual std::optional<std::vector<std::string>> openFiles(const std::string& title, const std::string& filter,
                                                            const std::string& initialDir) {
    auto one = openFile(title, filter, initialDir);
    if (!one) return std::nullopt;
    return std::vector<std::string>{*one};
  }
};

struct DateTime {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  bool operator==(const DateTime&) const = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic milliseconds, 64 bits: never wraps.
  virtual std::int64_t tickMs() = 0;
  virtual DateTime now() = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Rich text: RTF bytes plus the plain text for programs that take only text.
  virtual void setRichText(const std::string& rtf, const std::string& plain) = 0;
  virtual void setText(const std::string& plain) = 0;
  // An image as PNG bytes.
  virtual void setImagePng(const std::string& png) = 0;
  virtual void setFiles(const std::vector<std::string>& paths) = 0;
  // What is on the clipboard now.
  virtual std::optional<std::string> rtf() = 0;
  virtual std::optional<std::string> text() = 0;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a file, folder or URL with its associated program.
  virtual bool open(const std::string& pathOrUrl) = 0;
  // Starts a program detached.
  virtual bool start(const std::string& program, const std::vector<std::string>& args) = 0;
  virtual std::string programPath() = 0;
  virtual std::string version() = 0;
  virtual std::string systemName() = 0;  // the OS name and release
};

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

class Screen {
 public:
  virtual ~Screen() = default;
  virtual std::vector<Rect> monitors() = 0;
};

// The ports nobody gave: each answers as a machine with no person at it and no desktop
// around it. They are shared, hold no state and live as long as the program.
//  - Dialogs: shows nothing; every question is answered with the answer that lets nothing go
//    ahead (No, Cancel, No for No/OK, no text, no file).
//  - Clock: the system's (SystemClock).
//  - Clipboard: takes everything and holds nothing.
//  - Shell: opens and starts nothing (false); no program path, version or system name.
//  - Screen: no monitor known.
Dialogs& nullDialogs();
Clock& defaultClock();
Clipboard& nullClipboard();
Shell& nullShell();
Screen& nullScreen();

// The ports a window or a story needs, gathered. Never null: a port nobody gives is the one
// above (a caller that sets a member to nullptr gets it back through filled()).
struct Ports {
  Dialogs* dialogs = &nullDialogs();
  Clock* clock = &defaultClock();
  Clipboard* clipboard = &nullClipboard();
  Shell* shell = &nullShell();
  Screen* screen = &nullScreen();

  // These ports with every nullptr replaced by the port nobody gave.
  Ports filled() const;
  // These ports, with each port of `over` taken in its place unless `over` has none there
  // (nullptr or the port nobody gave).
  Ports overriddenBy(const Ports& over) const;
};

}  // namespace ruvo::platform
