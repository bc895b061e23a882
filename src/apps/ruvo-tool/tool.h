#pragma once
// ruvo-tool's command registry. Each cmd_*.cpp registers its commands with a static
// ToolCommand object; main() dispatches on the first argument.
#include <functional>
#include <string>
#include <vector>

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

// Whole-file helpers; "-" means standard input/output.
bool readFile(const std::string& path, std::string& out, std::string& error);
bool writeFile(const std::string& path, const std::string& data, std::string& error);

// Takes in result files as a drop does: a folder gives every .ruvot below it, a .ruvot file
// itself; files with fewer than two lines are skipped and other types named on stderr.
// False (with error) when a path does not exist or a folder cannot be read.
bool LoadResults(const Args& paths, report::TSumUpList& list, std::string& error);

}  // namespace ruvo::tool
