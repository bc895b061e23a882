// Untrusted test documents driving a whole run to its result file, and untrusted result files
// read back. A run must never crash, and the file it writes must read back as the two lines
// the run made, with as many values as column names.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/app/resultrecord.h"
#include "core/app/simulation.h"
#include "core/document/documentfile.h"
#include "core/report/resultfile.h"
#include "core/storage/compressstringlist.h"
#include "core/text/strings.h"

namespace {

const std::string& workDir() {
  static const std::string dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("ruvo-fuzz-resultfile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d.string();
  }();
  return dir;
}

void readResultFile(std::string_view bytes) {
  // The guarded decoding keeps the two lines the totals use, and says why when it refuses.
  const ruvo::report::ResultFileRead r = ruvo::report::DecodeResultBytes(bytes);
  if (r.ok() != r.why.empty() || (r.ok() && r.lines.size() != 2)) std::abort();
  ruvo::storage::TCompressStringList list;
  if (!list.LoadFromCompressedStream(bytes) || list.Count() < 2) return;
  auto header = ruvo::text::split(list[0], '\t');
  auto values = ruvo::text::split(list[1], '\t');
  for (std::size_t i = 0; i < header.size() && i < values.size(); ++i) {
    ruvo::platform::DateTime t;
    if (header[i] == "date") ruvo::app::ParseResultDate(values[i], t);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 4 == 0) {
    readResultFile(in);
    return 0;
  }
  // The rest of the first byte picks the examinee's answers; the document follows.
  const std::string doc = workDir() + "/t.ruvo";
  {
    std::ofstream f(doc, std::ios::binary | std::ios::trunc);
    if (data[0] % 4 == 1) {
      f.write(in.data(), static_cast<std::streamsize>(in.size()));  // a .ruvo as it is
    } else {
      // Plain or RTF text packed as a document, which reaches the parser and driver more often.
      f << ruvo::doc::EncodeDocument(ruvo::doc::TextFromBytes(in));
    }
  }
  ruvo::app::SimulationOptions o;
  o.document = doc;
  o.name = "Fuzz";
  o.date = {2004, 5, 6, 10, 11, 12};
  o.outFolder = workDir() + "/out";
  o.programFolder = workDir();
  for (int k = 0; k < 8; ++k) o.answers.push_back(((data[0] >> k) & 1) ? "1" : "-");
  o.seconds = {1, 2, 0.4, 3};
  o.strictAnswers = false;
  ruvo::app::SimulationResult r = ruvo::app::SimulateRun(o);
  if (r.ok && !r.resultFile.empty()) {
    ruvo::storage::TCompressStringList back;
    if (!back.LoadFromFile(r.resultFile) || back.Count() != 2) std::abort();
    if (ruvo::text::split(back[0], '\t').size() != ruvo::text::split(back[1], '\t').size()) std::abort();
    std::filesystem::remove(r.resultFile);
  }
  return 0;
}
