// ruvo-tool export: the runs in long form, one row per examinee and event, for R or pandas.
#include <string>

#include "core/app/runexport.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

int runExport(const Args& args) {
  Args paths;
  std::string out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o") {
      if (i + 1 >= args.size()) return usageError("export", "-o needs a file name");
      out = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      return usageError("export", "unknown option " + a);
    } else {
      paths.push_back(a);
    }
  }
  if (paths.empty() || out.empty()) return usageError("export", "PATH... and -o FILE are required");
  const std::string lower = text::asciiLower(out);
  char separator = ',';
  if (text::endsWith(lower, ".tsv"))
    separator = '\t';
  else if (!text::endsWith(lower, ".csv") && out != "-")
    return usageError("export", "the table is written as FILE.csv or FILE.tsv");
  std::vector<app::ExportRow> rows;
  if (auto s = app::CollectExportRows(paths, rows); !s.ok()) return refuse(s.message());
  return emit(out, app::WriteExportTable(rows, separator));
}

const ToolCommand kExport(
    "export",
    "  export PATH... -o FILE.csv|FILE.tsv\n"
    "      the runs in long form (PATHs as for totals): one row per examinee and page, phrase,\n"
    "      reading and question, from the run journals (.ruvoj) where there are any, else from the\n"
    "      result files; columns test_title, examinee, date, page, phrase, kind, ms, words, wpm,\n"
    "      question, answer, correct (1/0/empty). UTF-8 with a header row; -o - writes CSV to stdout.\n",
    runExport);

}  // namespace
}  // namespace ruvo::tool
