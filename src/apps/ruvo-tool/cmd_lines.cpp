// ruvo-tool lines: the text lines of a compressed string list (result files,
// ruvo_envi.dat), as UTF-8.
#include <string>

#include "core/storage/compressstringlist.h"
#include "core/storage/deltacode.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

int runLines(const Args& words) {
  ParsedArgs parsed;
  if (int rc = parseArgs("lines", words, {{"--write"}, {}}, parsed); rc != kOk) return rc;
  const Args& args = parsed.operands;
  if (args.size() != 1 || parsed.options.size() > 1) return usageError("lines");
  if (!parsed.options.empty()) {
    if (int rc = checkOutputsApart({"-"}, {args[0]}); rc != kOk) return rc;
    std::string in;
    if (const auto read = readInput("-", in); !read) return refuse(read.message());
    if (in.rfind("\xEF\xBB\xBF", 0) == 0) in.erase(0, 3);
    storage::TCompressStringList list;
    list.Lines = text::splitLines(in);
    if (args[0] == "-") {
      const std::string coded = list.SaveToCompressedStream();
      if (coded.empty()) return refuse("cannot write standard output: the lines are too large to encode");
      return emit(args[0], coded);
    }
    if (const auto saved = list.SaveToFile(args[0]); !saved) return refuse(saved.message());
    return kOk;
  }
  std::string coded;
  if (const auto read = readInput(args[0], coded); !read) return refuse(read.message());
  // The list itself keeps its lines silently on a damaged file; here the reason is wanted.
  storage::TDeltaCode codec;
  codec.CodedStream = std::move(coded);
  if (!codec.Decode()) return refuse(args[0] + ": " + codec.Msg);
  storage::TCompressStringList list;
  list.SetText(codec.PlainStream);
  std::string out;
  for (const auto& l : list.Lines) {
    out += l;
    out += '\n';
  }
  return emit("-", out);
}

const ToolCommand kLines("lines",
                         "  lines FILE            print the lines of a compressed string list as UTF-8\n"
                         "  lines --write FILE    store UTF-8 lines from stdin as a compressed string list\n"
                         "      (FILE \"-\": standard input, or with --write standard output)\n",
                         runLines);

}  // namespace
}  // namespace ruvo::tool
