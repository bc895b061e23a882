#pragma once
// Scripted shell and dialogs for the shell and packaging tests: every call is recorded, answers
// and chosen files come from queues (an empty queue answers No / cancels).
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/ports.h"

namespace ruvo::testing {

class FakeShell final : public platform::Shell {
 public:
  std::vector<std::string> opened;
  std::vector<std::pair<std::string, std::vector<std::string>>> started;
  bool openSucceeds = true;
  bool startSucceeds = true;
  std::string program = "/opt/tovimeter/bin/tovimeter";
  std::string ver = "1.2.3";
  std::string system = "Debian GNU/Linux 12 (bookworm) 6.1.0";

  bool open(const std::string& p) override {
    opened.push_back(p);
    return openSucceeds;
  }
  bool start(const std::string& prog, const std::vector<std::string>& args) override {
    started.emplace_back(prog, args);
    return startSucceeds;
  }
  std::string programPath() override { return program; }
  std::string version() override { return ver; }
  std::string systemName() override { return system; }
};

class FakeDialogs final : public platform::Dialogs {
 public:
  struct Asked {
    std::string kind;  // "message", "yesno", "open", "openfiles", "save"
    std::string text;  // the text or the dialog's title
    std::string filter;
    std::string dir;
  };
  std::vector<Asked> log;
  std::deque<platform::Answer> answers;                           // for askYesNo
  std::deque<std::optional<std::string>> files;                   // for openFile / saveFile
  std::deque<std::optional<std::vector<std::string>>> fileLists;  // for openFiles

  void message(const std::string& t) override { log.push_back({"message", t, {}, {}}); }
  platform::Answer askYesNo(const std::string& t, const std::string&) override {
    log.push_back({"yesno", t, {}, {}});
    return pop(answers, platform::Answer::No);
  }
  platform::Answer askYesNoCancel(const std::string& t, const std::string&) override {
    log.push_back({"yesnocancel", t, {}, {}});
    return pop(answers, platform::Answer::Cancel);
  }
  platform::Answer confirmNoOk(const std::string& t, const std::string&) override {
    log.push_back({"nook", t, {}, {}});
    return pop(answers, platform::Answer::No);
  }
  std::optional<std::string> input(const std::string&, const std::string& prompt, const std::string&) override {
    log.push_back({"input", prompt, {}, {}});
    return std::nullopt;
  }
  std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                      const std::string& dir) override {
    log.push_back({"open", title, filter, dir});
    return pop(files, std::optional<std::string>());
  }
  std::optional<std::vector<std::string>> openFiles(const std::string& title, const std::string& filter,
                                                    const std::string& dir) override {
    log.push_back({"openfiles", title, filter, dir});
    return pop(fileLists, std::optional<std::vector<std::string>>());
  }
  std::optional<std::string> saveFile(const std::string& title, const std::string& filter, const std::string& dir,
                                      const std::string&, const std::string&) override {
    log.push_back({"save", title, filter, dir});
    return pop(files, std::optional<std::string>());
  }
  std::optional<std::string> chooseFolder(const std::string& title, const std::string& dir) override {
    log.push_back({"folder", title, {}, dir});
    return pop(files, std::optional<std::string>());
  }

  std::vector<std::string> texts(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& a : log)
      if (a.kind == kind) out.push_back(a.text);
    return out;
  }

 private:
  template <class Q, class T>
  static T pop(Q& q, T def) {
    if (q.empty()) return def;
    T v = q.front();
    q.pop_front();
    return v;
  }
};

}  // namespace ruvo::testing
