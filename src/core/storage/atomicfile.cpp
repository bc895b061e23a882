#include "core/storage/atomicfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace ruvo::storage {

namespace fs = std::filesystem;

namespace {

std::string folderOf(const std::string& path) {
  const fs::path p(path);
  const fs::path parent = p.parent_path();
  return parent.empty() ? std::string(".") : parent.string();
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

std::string tempName(const std::string& path) {
  static std::mt19937_64 rng{std::random_device{}()};
  const fs::path p(path);
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(rng()));
  const fs::path name = fs::path("." + p.filename().string() + suffix);
  return (fs::path(folderOf(path)) / name).string();
}

}  // namespace

bool writeFileAtomic(const std::string& pathIn, std::string_view bytes, int* osError) {
  auto fail = [&](int err) {
    if (osError) *osError = err;
    return false;
  };
  if (pathIn.empty()) return fail(ENOENT);
  // A link is written through, as an in-place write would: the rename replaces the file
  // it points to, not the link.
  std::string path = pathIn;
  {
    std::error_code ec;
    if (fs::is_symlink(fs::path(path), ec)) {
      const fs::path target = fs::weakly_canonical(fs::path(path), ec);
      if (!ec) path = target.string();
    }
  }

  // Replacing a file must not loosen or tighten its permissions: a read-only result file
  // stays read-only. New files get the usual mode under the umask.
  mode_t mode = 0666;
  bool existed = false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return fail(EISDIR);
    mode = st.st_mode & 07777;
    existed = true;
  }

  const std::string tmp = tempName(path);
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, existed ? 0600 : mode);
  if (fd < 0) return fail(errno);
  int err = 0;
  if (!writeAll(fd, bytes)) err = errno;
  if (!err && ::fsync(fd) != 0) err = errno;
  // The mode is set after writing so that a read-only target's replacement can be written.
  if (!err && existed && ::fchmod(fd, mode) != 0) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (!err && ::rename(tmp.c_str(), path.c_str()) != 0) err = errno;
  if (err) {
    ::unlink(tmp.c_str());
    return fail(err);
  }
  // Make the rename itself durable.
  const int dfd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  if (osError) *osError = 0;
  return true;
}

bool readWholeFile(const std::string& path, std::string& out) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      out.clear();
      return false;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

bool isReadOnlyFileSystem(const std::string& path) {
  std::error_code ec;
  fs::path p = path.empty() ? fs::current_path(ec) : fs::absolute(fs::path(path), ec);
  if (ec) return false;
  // The nearest folder that exists decides: the target and its folders may not exist yet.
  if (!fs::is_directory(p, ec)) p = p.parent_path();
  while (!p.empty() && !fs::exists(p, ec)) {
    const fs::path up = p.parent_path();
    if (up == p) break;
    p = up;
  }
  struct statvfs sv {};
  if (::statvfs(p.c_str(), &sv) != 0) return false;
  return (sv.f_flag & ST_RDONLY) != 0;
}

bool ensureFolder(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(fs::path(path), ec);
  return fs::is_directory(fs::path(path), ec);
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace ruvo::storage
