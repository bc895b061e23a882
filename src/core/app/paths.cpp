#include "core/app/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/text/strings.h"

namespace ruvo::app {
namespace fs = std::filesystem;

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool FolderExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

std::string ProgramFolder(const std::string& executablePath) {
  if (const char* home = std::getenv("TOVIMETER_HOME"); home && *home) return home;
  std::error_code ec;
  std::string exe = executablePath;
  auto canon = fs::weakly_canonical(exe, ec);
  if (!ec) exe = canon.string();
  std::string dir = FolderOf(exe);
  if (dir.empty()) dir = fs::current_path(ec).string();
  // An installed program (bin/ beside share/tovimeter/system) keeps its files per user, even when
  // its folder happens to be writable (root, or a prefix in the user's home).
  std::string shipped = JoinPath(dir, "../share/tovimeter/system");
  const bool installed = !FolderExists(JoinPath(dir, "system")) && FolderExists(shipped);
  if (!installed && (FolderExists(JoinPath(dir, "system")) || ::access(dir.c_str(), W_OK) == 0)) return dir;
  std::string data;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
    data = x;
  else if (const char* h = std::getenv("HOME"); h && *h)
    data = JoinPath(h, ".local/share");
  else
    data = "/tmp";
  std::string folder = JoinPath(data, "tovimeter");
  fs::create_directories(folder, ec);
  // A per-user install starts with the shipped samples beside the executable, when present.
  if (!FolderExists(JoinPath(folder, "system")) && FolderExists(shipped))
    fs::copy(shipped, JoinPath(folder, "system"), fs::copy_options::recursive, ec);
  return folder;
}

std::string FindRelativeFile(const std::string& name, const std::string& programFolder,
                             const std::vector<std::string>& extraFolders) {
  if (FileExists(name)) return name;
  if (!name.empty() && name[0] == '/') return {};
  std::string p = JoinPath(programFolder, name);
  if (FileExists(p)) return p;
  for (const auto& f : extraFolders) {
    p = JoinPath(f, name);
    if (FileExists(p)) return p;
  }
  return {};
}

std::string CommandLineDocument(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (text::asciiLower(ExtensionOf(a)) == ".ruvo") return a;
  return {};
}

}  // namespace ruvo::app
