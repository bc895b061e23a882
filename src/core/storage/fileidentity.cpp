#include "core/storage/fileidentity.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace ruvo::storage {

namespace fs = std::filesystem;

namespace {

struct Identity {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  std::string resolved;
};

Identity identityOf(const std::string& path) {
  Identity id;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
  }
  // A dangling link resolves to the name it would create, so it meets that name.
  std::error_code ec;
  fs::path abs = fs::absolute(fs::path(path), ec);
  for (int hops = 0; !id.exists && !ec && hops < 40 && fs::is_symlink(abs, ec); ++hops) {
    const fs::path to = fs::read_symlink(abs, ec);
    if (!ec) abs = to.is_absolute() ? to : abs.parent_path() / to;
  }
  const fs::path canon = ec ? fs::path(path) : fs::weakly_canonical(abs, ec);
  id.resolved = (ec ? abs : canon).lexically_normal().string();
  while (id.resolved.size() > 1 && id.resolved.back() == '/') id.resolved.pop_back();
  return id;
}

bool same(const Identity& a, const Identity& b) {
  if (a.exists && b.exists) return a.dev == b.dev && a.ino == b.ino;
  return a.resolved == b.resolved;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  if (a == kStdStream || b == kStdStream) return a == b;
  return same(identityOf(a), identityOf(b));
}

platform::Status CheckOutputsApart(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs) {
  for (std::size_t i = 0; i < inputs.size(); ++i)
    for (std::size_t j = i + 1; j < inputs.size(); ++j)
      if (inputs[i] == kStdStream && inputs[j] == kStdStream)
        return platform::Status::failure("standard input (-) can be read only once");
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const std::string& out = outputs[i];
    if (out == kStdStream) {
      for (std::size_t j = i + 1; j < outputs.size(); ++j)
        if (outputs[j] == kStdStream)
          return platform::Status::failure("two outputs to standard output (-): give one of them a file");
      continue;
    }
    for (const std::string& in : inputs)
      if (in != kStdStream && SameFile(in, out))
        return platform::Status::failure("the output " + out + " is the input " + in + ": nothing was written");
    for (std::size_t j = i + 1; j < outputs.size(); ++j)
      if (outputs[j] != kStdStream && SameFile(out, outputs[j]))
        return platform::Status::failure("the outputs " + out + " and " + outputs[j] +
                                         " are one file: nothing was written");
  }
  return {};
}

}  // namespace ruvo::storage
