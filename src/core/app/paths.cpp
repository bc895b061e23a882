#include "core/app/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/text/strings.h"

namespace ruvo::app {
namespace fs = std::filesystem;

std::string JoinPath(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  if (a.back() == '/') return a + b;
  return a + "/" + b;
}

std::string FileNameOf(const std::string& path) {
  auto p = path.find_last_of('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string FolderOf(const std::string& path) {
  auto p = path.find_last_of('/');
  if (p == std::string::npos) return {};
  if (p == 0) return "/";
  return path.substr(0, p);
}

std::string ExtensionOf(const std::string& path) {
  std::string name = FileNameOf(path);
  auto p = name.find_last_of('.');
  return p == std::string::npos ? std::string() : name.substr(p);
}

std::string BaseNameOf(const std::string& path) {
  std::string name = FileNameOf(path);
  auto p = name.find_last_of('.');
  return p == std::string::npos ? name : name.substr(0, p);
}

std::string ChangeExtension(const std::string& path, const std::string& ext) {
  std::string folder = FolderOf(path);
  std::string base = BaseNameOf(path) + ext;
  return folder.empty() ? base : JoinPath(folder, base);
}

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
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) data = x;
  else if (const char* h = std::getenv("HOME"); h && *h) data = JoinPath(h, ".local/share");
  else data = "/tmp";
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
