// Untrusted result files in a collection folder: the start, polls and a drop over them must
// never crash, and a poll never takes in a file twice or leaves a complete one behind.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/delivery/delivery.h"
#include "core/delivery/filesystem.h"
#include "core/platform/headlessports.h"
#include "core/report/collection.h"
#include "core/storage/compressstringlist.h"
#include "core/text/strings.h"

namespace {

using namespace ruvo;

struct CountingSink final : report::ResultSink {
  std::size_t n = 0;
  void Clear() override { n = 0; }
  void AddResult(const std::vector<std::string>& lines) override {
    if (lines.size() < 2) std::abort();
    ++n;
  }
};

// The input is split at 0xFF bytes into files; a file whose first byte is even is stored as it
// is, otherwise its text is packed as a line list (reaching the fields more often).
std::vector<std::string> filesOf(std::string_view in) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= in.size(); ++i) {
    if (i < in.size() && static_cast<unsigned char>(in[i]) != 0xFF) continue;
    std::string part(in.substr(start, i - start));
    start = i + 1;
    if (!part.empty() && (static_cast<unsigned char>(part[0]) & 1)) {
      storage::TCompressStringList l;
      for (auto& line : text::split(part.substr(1), '\n')) l.Add(line);
      part = l.SaveToCompressedStream();
    }
    out.push_back(std::move(part));
    if (out.size() >= 16) break;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
  const auto files = filesOf(in);
  delivery::MemoryFileSystem fs;
  CountingSink sink;
  platform::FakeClock clock;
  platform::ScriptedDialogs dialogs;
  report::TResultCollection c(fs, sink, &clock, "/report");
  c.SetRetrieve(data[0] & 1);
  fs.makeFolders("/in");
  // Half of the files are there at the start, the others arrive before the poll.
  const std::size_t half = files.size() / 2;
  for (std::size_t i = 0; i < half; ++i) fs.put("/in/" + std::to_string(i) + ".ruvot", files[i], data[0] & 2 ? 1 : i);
  dialogs.onYesNoCancel = [&](const std::string&) {
    return data[0] & 4 ? platform::Answer::Yes : platform::Answer::No;
  };
  c.StartCollection("/in", dialogs);
  const std::size_t atStart = sink.n;
  auto complete = [&](std::size_t i) {
    return report::ReadResultLines(fs, "/in/" + std::to_string(i) + ".ruvot").size() >= 2;
  };
  std::size_t arrived = 0;
  for (std::size_t i = half; i < files.size(); ++i) {
    fs.put("/in/" + std::to_string(i) + ".ruvot", files[i], 1);
    arrived += complete(i);
  }
  // Every complete file that arrived is taken by the next poll, and only once.
  if (c.CollectNewResults().size() != arrived || sink.n != atStart + arrived) std::abort();
  if (!c.CollectNewResults().empty()) std::abort();
  // A drop of the folder (and of a file in it) takes every complete file once.
  std::size_t expected = 0;
  for (std::size_t i = 0; i < files.size(); ++i) expected += complete(i);
  const auto drop = c.DropResults({"/in", "/in/0.ruvot"});
  if (drop.taken.size() != expected || sink.n != expected) std::abort();
  for (const auto& f : files) delivery::NetworkPlacePath(f);
  return 0;
}
