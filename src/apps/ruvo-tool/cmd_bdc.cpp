// ruvo-tool bdc: the program's compressed container, from and to plain bytes.
#include <string>

#include "core/storage/deltacode.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

int runBdc(const Args& words) {
  ParsedArgs parsed;
  if (int rc = parseArgs("bdc", words, {}, parsed); rc != kOk) return rc;
  const Args& args = parsed.operands;
  if (args.size() != 3 || (args[0] != "encode" && args[0] != "decode"))
    return usageError("bdc", args.empty() ? "" : "expected encode|decode IN OUT");
  if (int rc = checkOutputsApart({args[1]}, {args[2]}); rc != kOk) return rc;
  std::string in;
  if (const auto read = readInput(args[1], in); !read) return refuse(read.message());
  storage::TDeltaCode codec;
  if (args[0] == "encode") {
    codec.PlainStream = std::move(in);
    if (!codec.Encode()) return refuse("the input is too large to encode");
    return emit(args[2], codec.CodedStream);
  }
  codec.CodedStream = std::move(in);
  if (!codec.Decode()) return refuse(codec.Msg);
  return emit(args[2], codec.PlainStream);
}

const ToolCommand kBdc("bdc",
                       "  bdc encode IN OUT     compress a file into a BDC stream (\"-\" = stdin/stdout)\n"
                       "  bdc decode IN OUT     expand a BDC stream; a stream failing a check is refused\n",
                       runBdc);

}  // namespace
}  // namespace ruvo::tool
