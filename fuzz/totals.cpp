// Untrusted result files totalled: the bytes are cut at 0x01 into several files, each read as
// a BDC stream or, when it is none, as plain lines. Totalling, the wide table, the figures and
// the chart must never crash, and the tables must keep their shape.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/report/chart.h"
#include "core/report/sumup.h"
#include "core/storage/compressstringlist.h"
#include "core/text/cp932.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  ruvo::report::TSumUpList list;
  int taken = 0;
  for (std::size_t start = 0; start <= in.size();) {
    std::size_t end = in.find('\x01', start);
    if (end == std::string_view::npos) end = in.size();
    const std::string_view chunk = in.substr(start, end - start);
    ruvo::storage::TCompressStringList lines;
    if (!lines.LoadFromCompressedStream(chunk)) lines.SetText(chunk);
    if (!lines.Lines.empty()) ++taken;
    list.AddResult(lines.Lines);
    start = end + 1;
  }
  if (list.Scores().Count() != taken || list.TotalRecords() > taken) std::abort();

  std::vector<std::string> tables, merged;
  list.WriteTables(tables);
  for (int i = 1; i < list.Count(); ++i)
    if (list.Item(i - 1)->FirstDate > list.Item(i)->FirstDate) std::abort();
  list.BuildMergedTable(merged);
  if (merged.empty() || merged[0].rfind("name\t", 0) != 0) std::abort();
  const auto tabs = [](const std::string& s) { return std::count(s.begin(), s.end(), '\t'); };
  for (const auto& line : merged)
    if (line.empty() || line.back() != '\t' || tabs(line) != tabs(merged[0])) std::abort();

  auto& scores = list.Scores();
  scores.SetSeed(1);
  const auto st = scores.Stats();
  if (st.AxisSteps < 2 || st.ValidCount > st.Count) std::abort();
  scores.OperatorName = std::string(in.substr(0, 16));
  scores.DrawGraph();
  // Whatever the speeds, a chart is an ordinary one: a few hundred commands at most.
  if (scores.GraphChart().size() > 250 + static_cast<std::size_t>(st.ValidCount)) std::abort();
  const std::string svg = ruvo::report::ChartToSvg(scores.GraphChart());
  if (svg.find("</svg>") == std::string::npos || !ruvo::text::isValidUtf8(svg)) std::abort();
  return 0;
}
