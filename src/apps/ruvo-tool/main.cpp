#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>

#include "core/storage/atomicfile.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

struct Entry {
  std::string usage;
  std::function<int(const Args&)> run;
};

std::map<std::string, Entry>& registry() {
  static std::map<std::string, Entry> r;
  return r;
}

void printHelp(std::ostream& out) {
  out << "Usage: ruvo-tool COMMAND [ARGS...]\n\n"
         "Commands:\n";
  for (const auto& [name, e] : registry()) out << e.usage;
  out << "\nExit status: 0 success, 1 input refused (reason on stderr), 2 usage error.\n";
}

}  // namespace

ToolCommand::ToolCommand(std::string name, std::string usage, std::function<int(const Args&)> run) {
  registry()[std::move(name)] = Entry{std::move(usage), std::move(run)};
}

int refuse(const std::string& message) {
  std::cerr << "ruvo-tool: " << message << "\n";
  return kRefused;
}

int usageError(const std::string& command, const std::string& message) {
  if (!message.empty()) std::cerr << "ruvo-tool: " << message << "\n";
  auto it = registry().find(command);
  if (it != registry().end()) std::cerr << "Usage:\n" << it->second.usage;
  else printHelp(std::cerr);
  return kUsage;
}

bool readFile(const std::string& path, std::string& out, std::string& error) {
  if (path == "-") {
    out.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  if (!ruvo::storage::readWholeFile(path, out)) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

bool writeFile(const std::string& path, const std::string& data, std::string& error) {
  if (path == "-") {
    std::cout.write(data.data(), static_cast<std::streamsize>(data.size()));
    std::cout.flush();
    return true;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out || !out.write(data.data(), static_cast<std::streamsize>(data.size())) || !out.flush()) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace ruvo::tool

int main(int argc, char** argv) {
  using namespace ruvo::tool;
  std::ios::sync_with_stdio(false);
  if (argc < 2) {
    printHelp(std::cerr);
    return kUsage;
  }
  std::string cmd = argv[1];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    printHelp(std::cout);
    return kOk;
  }
  auto it = registry().find(cmd);
  if (it == registry().end()) {
    std::cerr << "ruvo-tool: unknown command '" << cmd << "'\n";
    printHelp(std::cerr);
    return kUsage;
  }
  Args args(argv + 2, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << it->second.usage;
    return kOk;
  }
  return it->second.run(args);
}
