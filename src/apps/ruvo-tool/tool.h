#pragma once
// ruvo-tool's command registry. Each cmd_*.cpp registers its commands with a static
// ToolCommand object; main() dispatches on the first argument.
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/platform/status.h"

namespace ruvo::report {
class TSumUpList;
}

namespace ruvo::tool {

enum Exit : int { kOk = 0, kRefused = 1, kUsage = 2 };

using Args = std::vector<std::string>;

struct ToolCommand {
  // name: the first word ("bdc", "lines", ...); usage: the lines shown by --help.
  ToolCommand(std::string name, std::string usage, std::function<int(const Args&)> run);
};

// Prints "ruvo-tool: <message>" to stderr and returns kRefused.
int refuse(const std::string& message);
// Prints the usage of one command to stderr and returns kUsage.
int usageError(const std::string& command, const std::string& message = {});

// The words after the command: options in the order given (each with its value when it takes
// one) and operands. "--" ends the options; "-" alone is an operand (standard input or output).
struct ParsedArgs {
  std::vector<std::pair<std::string, std::string>> options;
  Args operands;
};
struct OptionSpec {
  std::vector<std::string> flags;   // options without a value
  std::vector<std::string> valued;  // options taking the next word as their value
  bool unknownAreOperands = false;  // words like "-ing" are operands, not unknown options
};
// kOk, or the usage error of an unknown option or a missing value.
int parseArgs(const std::string& command, const Args& args, const OptionSpec& spec, ParsedArgs& out);

// The tool's one way in and out; "-" means standard input or output. Inputs over
// storage::kMaxReadBytes are refused, and so are inputs that are not regular files (a FIFO
// or device would be waited on for ever). Files are written through the storage writer
// (atomic for regular files, in place for FIFOs and devices); standard output is checked, so
// a full disk or a closed pipe is a failure and not a silent success.
platform::Status readInput(const std::string& path, std::string& out);
// For inputs another layer reads by name: success when path is "-" or a regular file.
platform::Status checkInput(const std::string& path);
platform::Status writeOutput(const std::string& path, std::string_view data);
// writeOutput, giving kOk or the refusal with its message.
int emit(const std::string& path, std::string_view data);
// Several outputs as one: every file is staged first and put in place only when all of them
// (and standard output) were written, so a failure leaves every earlier file as it was.
struct Output {
  std::string path;
  std::string bytes;
};
int emitAll(const std::vector<Output>& outputs);
// kOk, or the usage error (exit 2, nothing written) of an output that is one of the inputs or
// another output.
int checkOutputsApart(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

// Takes in result files as a drop does: a folder gives every .ruvot below it, a .ruvot file
// itself; files with fewer than two lines are skipped and other types named on stderr.
// False (with error) when a path does not exist or a folder cannot be read.
bool LoadResults(const Args& paths, report::TSumUpList& list, std::string& error);

}  // namespace ruvo::tool
