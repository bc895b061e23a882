// ruvo-tool chart: the speed/accuracy chart of result files as SVG (written from the drawing
// commands) or PNG (painted as the feedback window paints them, in builds with the window library).
#include <cstdint>
#include <string>

#include "core/report/chart.h"
#include "core/report/sumup.h"
#include "core/storage/atomicfile.h"
#include "core/text/strings.h"
#include "tool.h"

#include <dlfcn.h>
#include <unistd.h>

namespace ruvo::tool {
namespace {

// The PNG painter lives in a module beside the program, built with the window library.
using ChartPng = bool (*)(const report::TChart*, std::string*);

ChartPng pngPainter(std::string& error) {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string dir = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  dir = dir.substr(0, dir.find_last_of('/') + 1);
  const std::string module = dir + "libruvo_chartpng.so";
  void* lib = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    error = "PNG needs the window library's painter (" + module + "), which this build lacks; write .svg";
    return nullptr;
  }
  auto f = reinterpret_cast<ChartPng>(::dlsym(lib, "ruvo_chart_png"));
  if (!f) error = "PNG painter not found in " + module;
  return f;
}

int runChart(const Args& args) {
  Args paths;
  std::string out, until, operatorName;
  bool haveUntil = false, haveSeed = false;
  std::uint32_t seed = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    std::string v;
    if (a == "-o") {
      if (!value(out)) return usageError("chart", "-o needs a file name");
    } else if (a == "--until") {
      if (!value(until)) return usageError("chart", "--until needs a date");
      haveUntil = true;
    } else if (a == "--operator") {
      if (!value(operatorName)) return usageError("chart", "--operator needs a name");
    } else if (a == "--seed") {
      if (!value(v)) return usageError("chart", "--seed needs a number");
      const auto n = text::parseInt(v);
      if (!n || *n < 0) return usageError("chart", "--seed needs a whole number from 0: " + v);
      seed = static_cast<std::uint32_t>(*n);
      haveSeed = true;
    } else if (!a.empty() && a[0] == '-') {
      return usageError("chart", "unknown option " + a);
    } else {
      paths.push_back(a);
    }
  }
  if (paths.empty() || out.empty()) return usageError("chart", "PATH... and -o FILE are required");
  const std::string ext = text::asciiLower(out.size() >= 4 ? out.substr(out.size() - 4) : out);
  const bool png = ext == ".png";
  if (out != "-" && ext != ".svg" && !png) return usageError("chart", "the chart is written as FILE.svg or FILE.png");
  ChartPng painter = nullptr;
  if (png) {
    std::string why;
    painter = pngPainter(why);
    if (!painter) return refuse(why);
  }
  double untilDate = 0;
  if (haveUntil && !report::DecodeCalendarDate(until, untilDate))
    return usageError("chart", "not a date \"yyyy/mm/dd hh:nn:ss\": " + until);

  report::TSumUpList list;
  std::string error;
  if (!LoadResults(paths, list, error)) return refuse(error);
  report::TWpmScores& scores = list.Scores();
  scores.OperatorName = operatorName;
  if (haveSeed) scores.SetSeed(seed);
  if (haveUntil)
    scores.DrawGraphUntil(untilDate);
  else
    scores.DrawGraph();
  std::string bytes;
  if (png && !painter(&scores.GraphChart(), &bytes)) return refuse("cannot paint the chart");
  if (!png) bytes = report::ChartToSvg(scores.GraphChart());
  return emit(out, bytes);
}

const ToolCommand kChart(
    "chart",
    "  chart PATH... -o FILE.svg|FILE.png [--until \"yyyy/mm/dd hh:nn:ss\"] [--operator NAME] [--seed N]\n"
    "      the speed/accuracy chart of the results (PATHs as for totals), up to a date with --until;\n"
    "      --seed fixes the jitter of the points; -o - writes to stdout.\n",
    runChart);

}  // namespace
}  // namespace ruvo::tool
