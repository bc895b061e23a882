#pragma once
// Ports without a person or a display: a clock that moves only when told, dialogs answered by
// a script, a clipboard in memory. ruvo-tool simulate and the tests run whole tests on them.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/ports.h"

namespace ruvo::platform {

class FakeClock final : public Clock {
 public:
  std::int64_t tick = 1000;  // never 0: a start tick of 0 means "not timing"
  DateTime date{2000, 1, 1, 0, 0, 0};
  std::int64_t tickMs() override { return tick; }
  DateTime now() override { return date; }
  void advance(std::int64_t ms) { tick += ms; }
};

// Every question and message is recorded; answers come from the handlers (defaults: Yes, OK,
// and the default text for an input box).
class ScriptedDialogs final : public Dialogs {
 public:
  struct Asked {
    std::string kind;  // "message", "yesno", "yesnocancel", "nook", "input", "open", "save", "folder"
    std::string text;
  };
  std::vector<Asked> log;
  std::function<Answer(const std::string& text)> onYesNo;
  std::function<Answer(const std::string& text)> onYesNoCancel;
  std::function<Answer(const std::string& text)> onNoOk;
  std::function<std::optional<std::string>(const std::string& caption, const std::string& prompt,
                                           const std::string& def)>
      onInput;
  std::function<std::optional<std::string>(const std::string& title)> onFile;

  void message(const std::string& text) override { log.push_back({"message", text}); }
  Answer askYesNo(const std::string& text, const std::string&) override {
    log.push_back({"yesno", text});
    return onYesNo ? onYesNo(text) : Answer::Yes;
  }
  Answer askYesNoCancel(const std::string& text, const std::string&) override {
    log.push_back({"yesnocancel", text});
    return onYesNoCancel ? onYesNoCancel(text) : Answer::Yes;
  }
  Answer confirmNoOk(const std::string& text, const std::string&) override {
    log.push_back({"nook", text});
    return onNoOk ? onNoOk(text) : Answer::Ok;
  }
  std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                   const std::string& def) override {
    log.push_back({"input", caption + "|" + prompt + "|" + def});
    return onInput ? onInput(caption, prompt, def) : std::optional<std::string>(def);
  }
  std::optional<std::string> openFile(const std::string& title, const std::string&, const std::string&) override {
    log.push_back({"open", title});
    return onFile ? onFile(title) : std::nullopt;
  }
  std::optional<std::string> saveFile(const std::string& title, const std::string&, const std::string&,
                                      const std::string&, const std::string&) override {
    log.push_back({"save", title});
    return onFile ? onFile(title) : std::nullopt;
  }
  std::optional<std::string> chooseFolder(const std::string& title, const std::string&) override {
    log.push_back({"folder", title});
    return onFile ? onFile(title) : std::nullopt;
  }
  // Texts of the messages shown (message boxes only).
  std::vector<std::string> messages() const {
    std::vector<std::string> m;
    for (const auto& a : log)
      if (a.kind == "message") m.push_back(a.text);
    return m;
  }
};

class MemoryClipboard final : public Clipboard {
 public:
  std::optional<std::string> rtfData, textData, png;
  std::vector<std::string> files;
  void setRichText(const std::string& rtf, const std::string& plain) override {
    rtfData = rtf;
    textData = plain;
  }
  void setText(const std::string& plain) override {
    rtfData.reset();
    textData = plain;
  }
  void setImagePng(const std::string& p) override { png = p; }
  void setFiles(const std::vector<std::string>& paths) override { files = paths; }
  std::optional<std::string> rtf() override { return rtfData; }
  std::optional<std::string> text() override { return textData; }
};

class RecordingShell final : public Shell {
 public:
  std::vector<std::string> opened;
  std::string program = "/usr/bin/tovimeter";
  bool open(const std::string& p) override {
    opened.push_back(p);
    return true;
  }
  bool start(const std::string& prog, const std::vector<std::string>&) override {
    opened.push_back(prog);
    return true;
  }
  std::string programPath() override { return program; }
  std::string version() override { return RUVO_VERSION_TEXT; }
  std::string systemName() override { return "Linux"; }
  static constexpr const char* RUVO_VERSION_TEXT =
#ifdef RUVO_VERSION
      RUVO_VERSION;
#else
      "0.0.0";
#endif
};

class FixedScreen final : public Screen {
 public:
  std::vector<Rect> rects{{0, 0, 1920, 1080}};
  std::vector<Rect> monitors() override { return rects; }
};

// All of the above, wired.
struct HeadlessPorts {
  ScriptedDialogs dialogs;
  FakeClock clock;
  MemoryClipboard clipboard;
  RecordingShell shell;
  FixedScreen screen;
  Ports ports() { return {&dialogs, &clock, &clipboard, &shell, &screen}; }
};

}  // namespace ruvo::platform
