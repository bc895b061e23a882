// ruvo-tool rtf: the rich-text reader and writer from the command line.
#include <string>

#include "core/richtext/richtext.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

int runRtf(const Args& words) {
  ParsedArgs parsed;
  if (int rc = parseArgs("rtf", words, {}, parsed); rc != kOk) return rc;
  const Args& args = parsed.operands;
  const bool text = args.size() == 2 && args[0] == "text";
  const bool roundtrip = args.size() == 3 && args[0] == "roundtrip";
  if (!text && !roundtrip) return usageError("rtf", args.empty() ? "" : "expected text FILE or roundtrip IN OUT");
  if (roundtrip)
    if (int rc = checkOutputsApart({args[1]}, {args[2]}); rc != kOk) return rc;
  std::string in;
  if (const auto read = readInput(args[1], in); !read) return refuse(read.message());
  const rt::RichText t = rt::readRtf(in);
  if (text) {
    std::string out;
    for (const rt::Paragraph& p : t.paragraphs()) {
      out += p.text();
      out += '\n';
    }
    return emit("-", out);
  }
  return emit(args[2], rt::writeRtf(t));
}

const ToolCommand kRtf("rtf",
                       "  rtf text FILE         the plain text of an RTF file, UTF-8, one line per paragraph\n"
                       "  rtf roundtrip IN OUT  read an RTF file and write it again in the rich-edit shape\n"
                       "      (\"-\" = stdin/stdout; OUT must not be IN)\n",
                       runRtf);

}  // namespace
}  // namespace ruvo::tool
