#pragma once
// ruvo-tool's command registry. Each cmd_*.cpp registers its commands with a static
// ToolCommand object; main() dispatches on the first argument.
#include <functional>
#include <string>
#include <string_view>
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

// The tool's one way in and out; "-" means standard input or output. Inputs over
// storage::kMaxReadBytes are refused. Files are written through the storage writer (atomic
// for regular files, in place for FIFOs and devices); standard output is checked, so a full
// disk or a closed pipe is a failure and not a silent success.
platform::Status readInput(const std::string& path, std::string& out);
platform::Status writeOutput(const std::string& path, std::string_view data);
// writeOutput, giving kOk or the refusal with its message.
int emit(const std::string& path, std::string_view data);

// Takes in result files as a drop does: a folder gives every .ruvot below it, a .ruvot file
// itself; files with fewer than two lines are skipped and other types named on stderr.
// False (with error) when a path does not exist or a folder cannot be read.
bool LoadResults(const Args& paths, report::TSumUpList& list, std::string& error);

}  // namespace ruvo::tool
