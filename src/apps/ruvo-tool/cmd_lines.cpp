// ruvo-tool lines: the text lines of a compressed string list (result files,
// ruvo_envi.dat), as UTF-8.
#include <cstring>
#include <string>

#include "core/storage/compressstringlist.h"
#include "core/storage/deltacode.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

int runLines(const Args& args) {
  if (args.size() == 2 && args[0] == "--write") {
    std::string in;
    if (const auto read = readInput("-", in); !read) return refuse(read.message());
    if (in.rfind("\xEF\xBB\xBF", 0) == 0) in.erase(0, 3);
    storage::TCompressStringList list;
    list.Lines = text::splitLines(in);
    const int code = list.SaveToFile(args[1]);
    if (code != 0)
      return refuse("cannot write " + args[1] + (code == 1 ? std::string() : std::string(": ") + std::strerror(code)));
    return kOk;
  }
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') return usageError("lines");
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
                         "  lines --write FILE    store UTF-8 lines from stdin as a compressed string list\n",
                         runLines);

}  // namespace
}  // namespace ruvo::tool
