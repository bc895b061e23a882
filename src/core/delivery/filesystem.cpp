#include "core/delivery/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "core/storage/atomicfile.h"

namespace ruvo::delivery {

namespace fs = std::filesystem;

bool FileSystem::isFolder(const std::string& path) {
  FileEntry e;
  return stat(path, e) && e.folder;
}

bool FileSystem::isFile(const std::string& path) {
  FileEntry e;
  return stat(path, e) && !e.folder;
}

namespace {

std::int64_t mtimeOf(const struct stat& st) {
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

FileEntry entryOf(std::string name, const struct stat& st) {
  FileEntry e;
  e.name = std::move(name);
  e.folder = S_ISDIR(st.st_mode);
  e.size = e.folder ? 0 : static_cast<std::uint64_t>(st.st_size);
  e.mtimeNs = mtimeOf(st);
  e.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
  e.inode = static_cast<std::uint64_t>(st.st_ino);
  return e;
}

bool writeAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string folderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

std::string tempBeside(const std::string& path) {
  static std::mt19937_64 rng{std::random_device{}()};
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(rng()));
  return (fs::path(folderOf(path)) / ("." + fs::path(path).filename().string() + suffix)).string();
}

// Writes bytes to a new file with the given mode (0: as the umask gives) and access and
// modification times (none: now); false (nothing left behind) on failure.
bool writeNew(const std::string& path, std::string_view bytes, mode_t mode, const struct timespec* times) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode ? mode | S_IWUSR : 0666);
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
  if (ok && times) ::futimens(fd, times);
  if (mode) ::fchmod(fd, mode | S_IWUSR);
  if (::close(fd) != 0) ok = false;
  if (!ok) ::unlink(path.c_str());
  return ok;
}

// A new file under a name nobody has: written aside in full and linked in under its name,
// which fails when the name is taken. mode and times as for writeNew.
FileSystem::NewFile createNew(const std::string& to, std::string_view bytes, mode_t mode,
                              const struct timespec* times) {
  const std::string tmp = tempBeside(to);
  if (writeNew(tmp, bytes, mode, times)) {
    const int linked = ::link(tmp.c_str(), to.c_str());
    const int err = errno;
    ::unlink(tmp.c_str());
    if (linked == 0) {
      if (mode) ::chmod(to.c_str(), mode);
      return FileSystem::NewFile::Written;
    }
    if (err == EEXIST) return FileSystem::NewFile::Taken;
  }
  // File systems without hard links: an exclusive create of the name itself.
  struct stat st {};
  if (writeNew(to, bytes, mode, times)) {
    if (mode) ::chmod(to.c_str(), mode);
    return FileSystem::NewFile::Written;
  }
  return ::lstat(to.c_str(), &st) == 0 ? FileSystem::NewFile::Taken : FileSystem::NewFile::Failed;
}

class DiskFileSystem final : public FileSystem {
 public:
  platform::Status list(const std::string& folder, std::vector<FileEntry>& out) override {
    out.clear();
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return platform::Status::fromErrno(errno, "cannot read the folder " + folder);
    const int dfd = ::dirfd(d);
    while (const dirent* de = ::readdir(d)) {
      const std::string name = de->d_name;
      if (name == "." || name == "..") continue;
      struct stat st {};
      if (::fstatat(dfd, de->d_name, &st, 0) != 0) continue;  // vanished, or a broken link
      out.push_back(entryOf(name, st));
    }
    ::closedir(d);
    return {};
  }

  bool stat(const std::string& path, FileEntry& out) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    out = entryOf(fs::path(path).filename().string(), st);
    return true;
  }

  bool readFile(const std::string& path, std::string& bytes) override {
    return storage::readWholeFile(path, bytes).ok();
  }

  bool writeFile(const std::string& path, std::string_view bytes) override {
    return storage::writeFileAtomic(path, bytes).ok();
  }

  bool copyFile(const std::string& from, const std::string& to, bool replace) override {
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    std::string bytes;
    if (!storage::readWholeFile(from, bytes)) return false;
    const mode_t mode = st.st_mode & 07777;
    if (replace) {
      if (!storage::writeFileAtomic(to, bytes)) return false;
      ::chmod(to.c_str(), mode);
      const struct timespec times[2] = {st.st_atim, st.st_mtim};
      ::utimensat(AT_FDCWD, to.c_str(), times, 0);
      return true;
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    return createNew(to, bytes, mode, times) == NewFile::Written;
  }

  platform::Status writeNewFile(const std::string& path, std::string_view bytes) override {
    return storage::createFileExclusive(path, bytes);
  }

  bool removeFile(const std::string& path) override {
    std::error_code ec;
    return fs::remove(path, ec) && !ec;
  }

  bool makeFolders(const std::string& path) override { return storage::ensureFolder(path); }

  std::string resolve(const std::string& path) override {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(fs::path(path), ec), ec);
    if (ec) return path;
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static DiskFileSystem disk;
  return disk;
}

// ---- in memory ----

namespace {

std::string parentOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string normal(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p == "/" ? std::string() : p;
}

}  // namespace

std::string MemoryFileSystem::follow(const std::string& pathIn) const {
  std::string path = normal(pathIn);
  for (int hops = 0; hops < 16; ++hops) {
    // A link anywhere along the path redirects the rest of it.
    bool redirected = false;
    for (const auto& [link, target] : links_) {
      if (path == link) {
        path = target;
        redirected = true;
        break;
      }
      if (path.size() > link.size() && path.compare(0, link.size(), link) == 0 && path[link.size()] == '/') {
        path = target + path.substr(link.size());
        redirected = true;
        break;
      }
    }
    if (!redirected) return path;
  }
  return path;
}

FileEntry MemoryFileSystem::entry(const std::string& name, const File& f) const {
  FileEntry e;
  e.name = name;
  e.size = f.bytes.size();
  e.mtimeNs = f.mtimeNs;
  e.ctimeNs = static_cast<std::int64_t>(f.version);
  e.inode = f.version;
  return e;
}

bool MemoryFileSystem::parentExists(const std::string& path) const {
  const std::string parent = parentOf(path);
  return parent.empty() || folders_.count(parent) > 0;
}

void MemoryFileSystem::put(const std::string& pathIn, std::string bytes, std::int64_t mtimeNs) {
  const std::string path = follow(pathIn);
  makeFolders(parentOf(path));
  folders_.erase(path);  // a file put where a folder was replaces it
  File& f = files_[path];
  f.bytes = std::move(bytes);
  if (mtimeNs >= 0) f.mtimeNs = mtimeNs;
  f.version = ++versions_;
}

void MemoryFileSystem::setTime(const std::string& path, std::int64_t mtimeNs) {
  auto it = files_.find(follow(path));
  if (it != files_.end()) {
    it->second.mtimeNs = mtimeNs;
    it->second.version = ++versions_;
  }
}

void MemoryFileSystem::makeLink(const std::string& link, const std::string& target) {
  links_[normal(link)] = normal(target);
}

std::string MemoryFileSystem::bytes(const std::string& path) const {
  auto it = files_.find(follow(path));
  return it == files_.end() ? std::string() : it->second.bytes;
}

std::vector<std::string> MemoryFileSystem::filesUnder(const std::string& folderIn) const {
  const std::string folder = normal(folderIn);
  std::vector<std::string> out;
  for (const auto& [p, f] : files_)
    if (folder.empty() ||
        (p.size() > folder.size() && p.compare(0, folder.size(), folder) == 0 && p[folder.size()] == '/'))
      out.push_back(p);
  return out;
}

platform::Status MemoryFileSystem::list(const std::string& folderIn, std::vector<FileEntry>& out) {
  out.clear();
  const std::string folder = follow(folderIn);
  if (!folder.empty() && !folders_.count(folder))
    return platform::Status::fromErrno(files_.count(folder) ? ENOTDIR : ENOENT, "cannot read the folder " + folderIn);
  const std::string prefix = folder.empty() ? std::string() : folder + "/";
  auto direct = [&](const std::string& p) {
    return p.size() > prefix.size() && p.compare(0, prefix.size(), prefix) == 0 &&
           p.find('/', prefix.size()) == std::string::npos;
  };
  for (const auto& [p, f] : files_)
    if (direct(p)) out.push_back(entry(nameOf(p), f));
  for (const auto& p : folders_)
    if (direct(p)) out.push_back({nameOf(p), true});
  for (const auto& [link, target] : links_) {
    if (!direct(link)) continue;
    FileEntry e;
    if (stat(link, e)) out.push_back(e);
  }
  return {};
}

bool MemoryFileSystem::stat(const std::string& pathIn, FileEntry& out) {
  const std::string path = follow(pathIn);
  if (path.empty() || folders_.count(path)) {
    out = {nameOf(normal(pathIn)), true};
    return true;
  }
  auto it = files_.find(path);
  if (it == files_.end()) return false;
  out = entry(nameOf(normal(pathIn)), it->second);
  return true;
}

bool MemoryFileSystem::readFile(const std::string& path, std::string& bytes) {
  if (beforeRead) beforeRead(path);
  auto it = files_.find(follow(path));
  if (it == files_.end()) return false;
  bytes = it->second.bytes;
  return true;
}

bool MemoryFileSystem::writeFile(const std::string& pathIn, std::string_view bytes) {
  const std::string path = follow(pathIn);
  if (failWrites.count(path) || !parentExists(path) || folders_.count(path)) return false;
  files_[path] = File{std::string(bytes), now, ++versions_};
  return true;
}

platform::Status MemoryFileSystem::writeNewFile(const std::string& pathIn, std::string_view bytes) {
  const std::string path = follow(pathIn);
  if (files_.count(path) || folders_.count(path)) return platform::Status::fromErrno(EEXIST, "cannot write " + pathIn);
  if (writeFile(path, bytes)) return {};
  return platform::Status::failure("cannot write " + pathIn);
}

bool MemoryFileSystem::copyFile(const std::string& fromIn, const std::string& toIn, bool replace) {
  const std::string from = follow(fromIn), to = follow(toIn);
  auto src = files_.find(from);
  if (src == files_.end() || failWrites.count(to) || !parentExists(to) || folders_.count(to)) return false;
  if (!replace && files_.count(to)) return false;
  File copy = src->second;  // the source may be the map's own node
  copy.version = ++versions_;
  files_[to] = copy;
  return true;
}

bool MemoryFileSystem::removeFile(const std::string& path) {
  if (links_.erase(normal(path))) return true;
  return files_.erase(follow(path)) > 0;
}

bool MemoryFileSystem::makeFolders(const std::string& pathIn) {
  std::string path = follow(pathIn);
  if (path.empty()) return true;
  if (files_.count(path)) return false;
  for (std::size_t pos = 0;;) {
    pos = path.find('/', pos + 1);
    const std::string part = path.substr(0, pos);
    if (!part.empty()) {
      if (files_.count(part)) return false;
      folders_.insert(part);
    }
    if (pos == std::string::npos) break;
  }
  return true;
}

std::string MemoryFileSystem::resolve(const std::string& path) { return follow(path); }

}  // namespace ruvo::delivery
