#include "support/tempdir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ruvo::testsupport {

namespace fs = std::filesystem;

TempDir::TempDir(std::string_view tag) {
  std::string name = (fs::temp_directory_path() / ("ruvo-" + std::string(tag) + "-XXXXXX")).string();
  if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("no temporary folder: " + name);
  path_ = name;
}

TempDir::~TempDir() {
  // Tests make files and folders read-only; give the owner write access back first, or
  // their contents would stay behind.
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

ProgramFolder::ProgramFolder(std::string_view tag) : dir_(tag) {
  fs::create_directories(dir_ / "system/ruvof/sample");
  if (const char* old = std::getenv("TOVIMETER_HOME")) {
    hadHome_ = true;
    oldHome_ = old;
  }
  ::setenv("TOVIMETER_HOME", dir_.path().c_str(), 1);
}

ProgramFolder::~ProgramFolder() {
  if (hadHome_) {
    ::setenv("TOVIMETER_HOME", oldHome_.c_str(), 1);
  } else {
    ::unsetenv("TOVIMETER_HOME");
  }
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void spit(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace ruvo::testsupport
