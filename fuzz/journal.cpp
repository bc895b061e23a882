// Untrusted run journals: read back (every whole record decodes and encodes to itself), and
// replayed into a run of a small test, which must never crash and must end with a result
// file or stop where the journal does.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/app/runexport.h"
#include "core/app/runjournal.h"
#include "core/app/simulation.h"
#include "core/document/documentfile.h"

namespace {

namespace fs = std::filesystem;

const std::string& workDir() {
  static const std::string dir = [] {
    auto d = fs::temp_directory_path() / ("ruvo-fuzz-journal-" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d.string();
  }();
  return dir;
}

const std::string& testDocument() {
  static const std::string path = [] {
    const std::string p = workDir() + "/t.ruvo";
    const std::string text =
        "title=T\r\nautoqa=1\r\nfadein=1\r\n<page name>\r\nname\r\n<page start>\r\none / two / three\r\n"
        "<page timerOn>\r\n??Q\r\n?a\r\n?*b\r\n??Say\r\n<page timerOff>\r\n<page>\r\nend\r\n<page last>\r\n";
    std::ofstream(p, std::ios::binary) << ruvo::doc::EncodeDocument(ruvo::doc::TextFromBytes(text));
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ruvo::app;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  JournalContents c;
  if (!ParseJournal(bytes, c)) return 0;
  if (c.validBytes > size) std::abort();
  for (const auto& e : c.events) {
    JournalEvent back;
    if (!DecodeJournalEvent(EncodeJournalEvent(e), back) || !(back == e)) std::abort();
  }
  // The journal as one of the small test's runs: rewritten to name it, then resumed.
  const std::string folder = workDir() + "/runs";
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::string file(kJournalMagic);
  c.events.front().test = JournalTestOf(testDocument());
  for (const auto& e : c.events) file += FrameJournalRecord(EncodeJournalEvent(e));
  std::ofstream(folder + "/t_1.ruvoj", std::ios::binary) << file;
  std::vector<ExportRow> rows;
  (void)RowsFromJournal(folder + "/t_1.ruvoj", rows);
  (void)WriteExportTable(rows, ',');
  SimulationOptions o;
  o.document = testDocument();
  o.name = "Fuzz";
  o.date = {2004, 5, 6, 10, 11, 12};
  o.outFolder = folder;
  o.programFolder = workDir();
  o.journalFolder = folder;
  o.resume = true;
  o.answers = {"2", "text"};
  o.strictAnswers = false;
  (void)SimulateRun(o);
  return 0;
}
