#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>
#include <new>

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
  out << "\nInputs (files or standard input) over " << storage::kMaxReadText
      << " are refused.\n"
         "Exit status: 0 success, 1 input refused or output not written (reason on stderr), 2 usage error.\n";
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
  if (it != registry().end())
    std::cerr << "Usage:\n" << it->second.usage;
  else
    printHelp(std::cerr);
  return kUsage;
}

platform::Status readInput(const std::string& path, std::string& out) {
  if (path == "-") return storage::readWholeStream(STDIN_FILENO, "standard input", out);
  return storage::readWholeFile(path, out);
}

platform::Status writeOutput(const std::string& path, std::string_view data) {
  if (path != "-") return storage::writeFileAtomic(path, data);
  // Whatever went through std::cout before stays in front of this.
  std::cout.flush();
  if (!std::cout) return platform::Status::failure("cannot write standard output");
  while (!data.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return platform::Status::fromErrno(errno, "cannot write standard output");
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

int emit(const std::string& path, std::string_view data) {
  const platform::Status s = writeOutput(path, data);
  return s ? kOk : refuse(s.message());
}

namespace {

int dispatch(int argc, char** argv) {
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

}  // namespace

}  // namespace ruvo::tool

int main(int argc, char** argv) {
  using namespace ruvo::tool;
  std::ios::sync_with_stdio(false);
  // A reader that went away is a write error to report, not a signal that ends us silently.
  std::signal(SIGPIPE, SIG_IGN);
  int rc = kRefused;
  try {
    rc = dispatch(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "ruvo-tool: out of memory\n";
    return kRefused;
  } catch (const std::exception& e) {
    std::cerr << "ruvo-tool: " << e.what() << "\n";
    return kRefused;
  }
  // What the commands printed through std::cout is still checked.
  if (!std::cout.flush()) {
    std::cerr << "ruvo-tool: cannot write standard output\n";
    return kRefused;
  }
  return rc;
}
