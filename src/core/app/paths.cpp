#include "core/app/paths.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

#include "core/storage/atomicfile.h"
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

namespace {

std::string canonicalFolderOf(const std::string& executablePath) {
  std::error_code ec;
  std::string exe = executablePath;
  auto canon = fs::weakly_canonical(exe, ec);
  if (!ec) exe = canon.string();
  std::string dir = FolderOf(exe);
  if (dir.empty()) dir = fs::current_path(ec).string();
  return dir;
}

// FNV-1a: tells a user's edit from the shipped bytes; no adversary here.
std::string checksum(const std::string& bytes) {
  std::uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return std::string(buf) + "-" + std::to_string(bytes.size());
}

std::map<std::string, std::string> readShippedList(const std::string& path) {
  std::map<std::string, std::string> list;
  std::string text;
  if (!storage::readWholeFile(path, text)) return list;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    const auto tab = line.find('\t');
    if (tab != std::string::npos && tab + 1 < line.size()) list[line.substr(tab + 1)] = line.substr(0, tab);
  }
  return list;
}

bool ownerWritable(const fs::path& p) {
  std::error_code ec;
  return (fs::status(p, ec).permissions() & fs::perms::owner_write) != fs::perms::none;
}

}  // namespace

bool IsInstalledProgram(const std::string& executablePath) {
  const std::string dir = canonicalFolderOf(executablePath);
  return !FolderExists(JoinPath(dir, "system")) && FolderExists(JoinPath(dir, "../share/tovimeter/system"));
}

RefreshCounts RefreshShippedFiles(const std::string& shipped, const std::string& target) {
  RefreshCounts counts;
  const std::string listPath = JoinPath(target, kShippedList);
  const bool hadList = FileExists(listPath);
  std::map<std::string, std::string> list = readShippedList(listPath);
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(shipped, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_regular_file(ec2)) continue;
    const std::string rel = fs::relative(it->path(), shipped, ec2).generic_string();
    std::string bytes;
    if (ec2 || rel == kShippedList || !storage::readWholeFile(it->path().string(), bytes)) continue;
    const std::string now = checksum(bytes);
    const fs::path mine = fs::path(target) / rel;
    const auto before = list.find(rel);
    bool write = false;
    if (!fs::exists(mine, ec2)) {
      write = before == list.end();  // new here; one the user removed stays removed
    } else {
      std::string current;
      if (!storage::readWholeFile(mine.string(), current)) {
        ++counts.kept;
        continue;
      }
      const std::string have = checksum(current);
      if (have == now) {
        list[rel] = now;
        continue;
      }
      if (before != list.end())
        write = have == before->second;
      else
        write = !hadList && (rel.rfind("help/", 0) == 0 || !ownerWritable(mine));
      if (!write) ++counts.kept;
    }
    if (!write) continue;
    const bool existed = fs::exists(mine, ec2);
    if (!storage::ensureFolder(mine.parent_path().string())) continue;
    // A sample kept read-only is replaced all the same (the rename needs only the folder).
    if (existed && !ownerWritable(mine)) fs::permissions(mine, fs::perms::owner_write, fs::perm_options::add, ec2);
    if (!storage::writeFileAtomic(mine.string(), bytes)) continue;
    list[rel] = now;
    ++(existed ? counts.replaced : counts.copied);
  }
  std::string text;
  for (const auto& [rel, sum] : list) text += sum + "\t" + rel + "\n";
  if ((!FileExists(listPath) || readShippedList(listPath) != list) && storage::ensureFolder(target))
    (void)storage::writeFileAtomic(listPath, text);
  return counts;
}

std::string ProgramFolder(const std::string& executablePath) {
  if (const char* home = std::getenv("TOVIMETER_HOME"); home && *home) return home;
  std::error_code ec;
  const std::string dir = canonicalFolderOf(executablePath);
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
  // A per-user install starts with the shipped samples beside the executable, when present,
  // and follows the installation through upgrades.
  if (FolderExists(shipped)) RefreshShippedFiles(shipped, JoinPath(folder, "system"));
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
