// ruvo-tool simulate: takes a test headless, as an examinee would, and writes its result file.
#include <cerrno>
#include <iostream>
#include <string>

#include <csignal>

#include <unistd.h>

#include "core/app/paths.h"
#include "core/app/resultrecord.h"
#include "core/app/simulation.h"
#include "core/delivery/delivery.h"
#include "core/platform/systemclock.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

std::string selfPath() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("ruvo-tool");
}

// A control character (tab, line break) in a name would reach the result file's name and
// split its lines; the name box takes one line of text.
bool hasControlCharacter(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

int runSimulate(const Args& args) {
  ParsedArgs parsed;
  if (int rc = parseArgs("simulate", args,
                         {{"--resume"},
                          {"--name", "--answers", "--seconds", "--date", "--out", "--collection", "--phrase-seconds",
                           "--journal", "--crash-after-page"}}, parsed);
      rc != kOk)
    return rc;
  app::SimulationOptions o;
  o.date = platform::SystemClock().now();
  bool haveName = false;
  int crashAfter = 0;
  std::string collection;
  for (const auto& [a, v] : parsed.options) {
    if (a == "--name") {
      o.name = v;
      haveName = true;
    } else if (a == "--answers") {
      o.answers = app::SplitList(v);
    } else if (a == "--seconds") {
      std::string error;
      if (!app::ParseSeconds(v, o.seconds, error)) return usageError("simulate", error);
    } else if (a == "--date") {
      if (!app::ParseResultDate(v, o.date)) return usageError("simulate", "not a date \"yyyy/mm/dd hh:nn:ss\": " + v);
    } else if (a == "--out") {
      o.outFolder = v;
    } else if (a == "--phrase-seconds") {
      std::string error;
      if (!app::ParsePhraseSeconds(v, o.phraseSeconds, error)) return usageError("simulate", error);
    } else if (a == "--journal") {
      if (v.empty()) return usageError("simulate", "--journal needs a folder");
      o.journalFolder = v;
    } else if (a == "--resume") {
      o.resume = true;
    } else if (a == "--crash-after-page") {
      if (!text::parseInt(v) || *text::parseInt(v) < 1)
        return usageError("simulate", "--crash-after-page needs a page number from 1");
      crashAfter = *text::parseInt(v);
    } else if (a == "--collection") {
      collection = v;
    }
  }
  if (parsed.operands.size() > 1) return usageError("simulate", "one test document only");
  if (!parsed.operands.empty()) o.document = parsed.operands[0];
  if (o.document.empty() || !haveName) return usageError("simulate", "FILE.ruvo and --name are required");
  if (o.document == "-") return usageError("simulate", "the test document is read from a file, not standard input");
  if (hasControlCharacter(o.name))
    return usageError("simulate", "the name holds a tab, a line break or another control character");
  if (std::string error; !app::CheckExamineeName(o.name, error)) return usageError("simulate", error);
  if (const auto regular = checkInput(o.document); !regular && regular.error() == EINVAL)
    return refuse(regular.message());
  if ((o.resume || crashAfter > 0) && o.journalFolder.empty())
    return usageError("simulate", "--resume and --crash-after-page need --journal DIR");
  if (o.resume && crashAfter > 0) return usageError("simulate", "--resume and --crash-after-page exclude each other");
  if (crashAfter > 0)
    o.afterJournal = [crashAfter](const app::JournalEvent& e) {
      // A power cut right after the page's event is on the disk: nothing more runs.
      if (e.type == app::JournalEvent::Type::Page && e.page == crashAfter - 1) ::kill(::getpid(), SIGKILL);
      return true;
    };
  o.programFolder = app::ProgramFolder(selfPath());
  app::SimulationResult r = app::SimulateRun(o);
  if (!r.ok) {
    if (!r.record.empty()) (void)writeOutput("-", r.record + "\n");
    return refuse(r.error);
  }
  if (int rc = emit("-", r.record + "\n"); rc != kOk) return rc;
  if (!r.resultFile.empty())
    std::cerr << "result file: " << r.resultFile << "\n";
  else
    std::cerr << "no result file: " << r.noResultFile << "\n";
  if (!r.resultFile.empty() && !collection.empty()) {
    std::string why;
    const std::string sent = delivery::SendResultFile(delivery::RealFileSystem(), collection,
                                                      app::ResultFileName(o.date, o.name), {r.header, r.values}, &why);
    if (sent.empty()) return refuse("cannot send the result file into " + collection + ": " + why);
    std::cerr << "sent: " << sent << "\n";
  }
  for (const auto& m : r.messages) std::cerr << "message: " << m << "\n";
  return r.resultFile.empty() && !r.messages.empty() ? kRefused : kOk;
}

const ToolCommand simulateCommand{
    "simulate",
    "  simulate FILE.ruvo --name NAME [--answers LIST] [--seconds LIST] [--date \"yyyy/mm/dd hh:nn:ss\"] [--out DIR]\n"
    "           [--collection DIR] [--phrase-seconds LIST] [--journal DIR [--crash-after-page K | --resume]]\n"
    "      takes the test headless with a fake clock and prints the readable record; Copy writes the\n"
    "      result file into DIR (default: the report folder). LIST is comma-separated: --answers one\n"
    "      per question in document order (choice number, \"-\" for none, or the text of a field);\n"
    "      --seconds the time on each page in page order (default 10). --collection also sends the\n"
    "      result into DIR as the examinee program sends it to its collection folder.\n"
    "      --phrase-seconds gives the phrases of pages shown phrase by phrase their own times:\n"
    "      \"PAGE:S/S/S,...\" (pages counted from 1; phrases not given share the page's seconds).\n"
    "      --journal journals the run into DIR, one file per run; --crash-after-page K kills the\n"
    "      process (SIGKILL) right after page K has ended and is journaled; --resume goes on with\n"
    "      the unfinished run of the test in DIR and finishes it.\n",
    runSimulate};

}  // namespace
}  // namespace ruvo::tool
