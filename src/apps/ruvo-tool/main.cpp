#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>
#include <new>

#include <algorithm>

#include "core/storage/atomicfile.h"
#include "core/storage/fileidentity.h"
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
         "\"--\" ends the options (a file named -x is given as -- -x); \"-\" is standard input or\n"
         "output where a command reads or writes a file. Inputs must be regular files or \"-\"; an\n"
         "output that is one of the inputs or another output is refused.\n"
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

int parseArgs(const std::string& command, const Args& args, const OptionSpec& spec, ParsedArgs& out) {
  auto has = [](const std::vector<std::string>& names, const std::string& a) {
    return std::find(names.begin(), names.end(), a) != names.end();
  };
  out = {};
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      out.operands.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (has(spec.flags, a)) {
      out.options.emplace_back(a, std::string());
    } else if (has(spec.valued, a)) {
      if (i + 1 >= args.size()) return usageError(command, a + " needs a value");
      out.options.emplace_back(a, args[++i]);
    } else if (spec.unknownAreOperands) {
      out.operands.push_back(a);
    } else {
      return usageError(command, "unknown option " + a + " (a file name starting with - goes after --)");
    }
  }
  return kOk;
}

platform::Status readInput(const std::string& path, std::string& out) {
  if (path == storage::kStdStream) return storage::readWholeStream(STDIN_FILENO, "standard input", out);
  return storage::readRegularFile(path, out);
}

platform::Status checkInput(const std::string& path) {
  if (path == storage::kStdStream) return {};
  return storage::checkRegularFile(path);
}

int checkOutputsApart(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs) {
  const platform::Status s = storage::CheckOutputsApart(inputs, outputs);
  if (s) return kOk;
  std::cerr << "ruvo-tool: " << s.message() << "\n";
  return kUsage;
}

namespace {

platform::Status writeStandardOutput(std::string_view data) {
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

}  // namespace

platform::Status writeOutput(const std::string& path, std::string_view data) {
  if (path == storage::kStdStream) return writeStandardOutput(data);
  return storage::writeFileAtomic(path, data);
}

int emit(const std::string& path, std::string_view data) {
  const platform::Status s = writeOutput(path, data);
  return s ? kOk : refuse(s.message());
}

int emitAll(const std::vector<Output>& outputs) {
  storage::FileBatch batch;
  for (const Output& o : outputs)
    if (o.path != storage::kStdStream)
      if (const platform::Status s = batch.Add(o.path, o.bytes); !s) return refuse(s.message());
  // Standard output cannot be taken back: it goes before any file is put in place.
  for (const Output& o : outputs)
    if (o.path == storage::kStdStream)
      if (const platform::Status s = writeStandardOutput(o.bytes); !s) return refuse(s.message());
  const platform::Status s = batch.Commit();
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
