// ruvo-tool chart: the speed/accuracy chart of result files as SVG (written from the drawing
// commands) or PNG (painted as the feedback window paints them, in builds with the window library).
#include <cstdint>
#include <string>

#include "core/report/chart.h"
#include "core/report/sumup.h"
#include "core/storage/atomicfile.h"
#include "core/text/strings.h"
#include "tool.h"

#ifdef RUVO_TOOL_PNG
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>

#include "gui/report/chartpainter.h"
#endif

namespace ruvo::tool {
namespace {

#ifdef RUVO_TOOL_PNG
// The chart painted as the feedback window paints it. Fonts need a GUI application object,
// but no display: without one the offscreen platform serves.
bool renderPng(const report::TChart& chart, std::string& png) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "ruvo-tool";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  if (!gui::RenderChart(chart).save(&buf, "PNG")) return false;
  png = bytes.toStdString();
  return true;
}
#endif

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
#ifndef RUVO_TOOL_PNG
  if (png) return refuse("PNG needs the window library, which this build of ruvo-tool lacks; write .svg");
#endif
  double untilDate = 0;
  if (haveUntil && !report::DecodeResultDate(until, untilDate))
    return usageError("chart", "not a date \"yyyy/mm/dd hh:nn:ss\": " + until);

  report::TSumUpList list;
  std::string error;
  if (!LoadResults(paths, list, error)) return refuse(error);
  report::TWpmScores& scores = list.Scores();
  scores.OperatorName = operatorName;
  if (haveSeed) scores.SetSeed(seed);
  if (haveUntil) scores.DrawGraphUntil(untilDate);
  else scores.DrawGraph();
  std::string bytes;
#ifdef RUVO_TOOL_PNG
  if (png && !renderPng(scores.GraphChart(), bytes)) return refuse("cannot paint the chart");
#endif
  if (!png) bytes = report::ChartToSvg(scores.GraphChart());
  if (out == "-") return writeFile("-", bytes, error) ? kOk : refuse(error);
  if (!storage::writeFileAtomic(out, bytes)) return refuse("cannot write " + out);
  return kOk;
}

const ToolCommand kChart(
    "chart",
    "  chart PATH... -o FILE.svg|FILE.png [--until \"yyyy/mm/dd hh:nn:ss\"] [--operator NAME] [--seed N]\n"
    "      the speed/accuracy chart of the results (PATHs as for totals), up to a date with --until;\n"
    "      --seed fixes the jitter of the points; -o - writes to stdout.\n",
    runChart);

}  // namespace
}  // namespace ruvo::tool
