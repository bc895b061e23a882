// ruvo-tool rtf: the rich-text reader and writer from the command line.
#include <cstring>
#include <string>

#include "core/richtext/richtext.h"
#include "core/storage/atomicfile.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

int runRtf(const Args& args) {
  const bool text = args.size() == 2 && args[0] == "text";
  const bool roundtrip = args.size() == 3 && args[0] == "roundtrip";
  if (!text && !roundtrip) return usageError("rtf", args.empty() ? "" : "expected text FILE or roundtrip IN OUT");
  std::string in, error;
  if (!readFile(args[1], in, error)) return refuse(error);
  const rt::RichText t = rt::readRtf(in);
  if (text) {
    std::string out;
    for (const rt::Paragraph& p : t.paragraphs()) {
      out += p.text();
      out += '\n';
    }
    return writeFile("-", out, error) ? kOk : refuse(error);
  }
  const std::string out = rt::writeRtf(t);
  if (args[2] == "-") return writeFile("-", out, error) ? kOk : refuse(error);
  int err = 0;
  if (!storage::writeFileAtomic(args[2], out, &err)) return refuse("cannot write " + args[2] + ": " + std::strerror(err));
  return kOk;
}

const ToolCommand kRtf("rtf",
                       "  rtf text FILE         the plain text of an RTF file, UTF-8, one line per paragraph\n"
                       "  rtf roundtrip IN OUT  read an RTF file and write it again in the rich-edit shape\n",
                       runRtf);

}  // namespace
}  // namespace ruvo::tool
