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
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// 0 or the errno of the failed write.
int writeAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

void syncFolder(const std::string& path) {
  const int dfd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

// A temporary file beside path, holding bytes and flushed to disk. The name is short and
// fixed in length, so a target whose own name is at the file system's limit still works.
// mode: the permission bits the file gets (under the umask when fresh is true).
Status writeTemporary(const std::string& path, std::string_view bytes, mode_t mode, bool fresh, std::string& tmp) {
  static std::mt19937_64 rng{std::random_device{}()};
  const std::string what = "cannot write " + path;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".ruvo-%012llx.tmp", static_cast<unsigned long long>(rng() & 0xffffffffffffULL));
    tmp = (fs::path(folderOf(path)) / name).string();
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, fresh ? mode : 0600);
    if (fd < 0 && errno != EEXIST) return Status::fromErrno(errno, what);
  }
  if (fd < 0) return Status::fromErrno(EEXIST, what);
  int err = writeAll(fd, bytes);
  if (!err && ::fsync(fd) != 0) err = errno;
  // Set after writing, so that a read-only target's replacement can be written.
  if (!err && !fresh && ::fchmod(fd, mode) != 0) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (err) {
    ::unlink(tmp.c_str());
    return Status::fromErrno(err, what);
  }
  return {};
}

// Writes into an existing FIFO or character device, which must keep being what it is.
Status writeInPlace(const std::string& path, std::string_view bytes) {
  const std::string what = "cannot write " + path;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Status::fromErrno(errno, what);
  int err = writeAll(fd, bytes);
  if (::close(fd) != 0 && !err) err = errno;
  return err ? Status::fromErrno(err, what) : Status{};
}

// Exclusive create and write, for file systems without hard links or a non-replacing rename.
Status createAndWrite(const std::string& path, std::string_view bytes) {
  const std::string what = "cannot write " + path;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return Status::fromErrno(errno, what);
  int err = writeAll(fd, bytes);
  if (!err && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (err) {
    ::unlink(path.c_str());
    return Status::fromErrno(err, what);
  }
  return {};
}

Status tooLarge(const std::string& name, std::size_t maxBytes) {
  const std::string limit = maxBytes == kMaxReadBytes ? std::string(kMaxReadText) : std::to_string(maxBytes) + " bytes";
  return Status::failure("cannot read " + name + ": larger than " + limit, EFBIG);
}

}  // namespace

Status FileBatch::Add(const std::string& pathIn, std::string_view bytes) {
  if (pathIn.empty()) return Status::fromErrno(ENOENT, "cannot write a file without a name");
  Entry e;
  e.shown = pathIn;
  // Decided by what the name leads to, links followed: "/dev/stdout" is a link to a pipe, a
  // terminal or a file.
  struct stat st {};
  if (::stat(pathIn.c_str(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
    e.target = pathIn;
    e.bytes = std::string(bytes);
    e.inPlace = true;
    entries_.push_back(std::move(e));
    return {};
  }
  // A link is written through, as an in-place write would: the rename replaces the file
  // it points to, not the link.
  e.target = pathIn;
  {
    std::error_code ec;
    if (fs::is_symlink(fs::path(e.target), ec)) {
      const fs::path target = fs::weakly_canonical(fs::path(e.target), ec);
      if (!ec) e.target = target.string();
    }
  }
  // Replacing a file must not loosen or tighten its permissions: a read-only result file
  // stays read-only. New files get the usual mode under the umask.
  mode_t mode = 0666;
  if (::stat(e.target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Status::fromErrno(EISDIR, "cannot write " + pathIn);
    if (!S_ISREG(st.st_mode))
      return Status::failure("cannot write " + pathIn + ": not a regular file, a FIFO or a character device", EINVAL);
    mode = st.st_mode & 07777;
    e.existed = true;
  }
  if (Status s = writeTemporary(e.target, bytes, mode, !e.existed, e.tmp); !s) return s;
  entries_.push_back(std::move(e));
  return {};
}

Status FileBatch::Commit() {
  // What cannot be taken back goes first: a failure there leaves every file untouched.
  for (Entry& e : entries_) {
    if (!e.inPlace) continue;
    if (Status s = writeInPlace(e.target, e.bytes); !s) {
      discard();
      return s;
    }
    e.placed = true;
  }
  std::size_t last = entries_.size();
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (!entries_[i].inPlace) last = i;
  Status failed;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    Entry& e = entries_[i];
    if (e.inPlace) continue;
    // The old file stays reachable until the whole batch is in place. The last rename needs
    // no way back: nothing after it can fail.
    if (e.existed && i != last) {
      static std::mt19937_64 rng{std::random_device{}()};
      char name[32];
      std::snprintf(name, sizeof name, ".ruvo-%012llx.old", static_cast<unsigned long long>(rng() & 0xffffffffffffULL));
      const std::string backup = (fs::path(folderOf(e.target)) / name).string();
      if (::link(e.target.c_str(), backup.c_str()) == 0) e.backup = backup;
    }
    if (::rename(e.tmp.c_str(), e.target.c_str()) != 0) {
      failed = Status::fromErrno(errno, "cannot write " + e.shown);
      break;
    }
    e.tmp.clear();
    e.placed = true;
  }
  if (!failed.ok()) {
    // Put back what this batch replaced, newest first.
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      Entry& e = *it;
      if (!e.placed || e.inPlace) continue;
      if (!e.backup.empty()) {
        if (::rename(e.backup.c_str(), e.target.c_str()) == 0) e.backup.clear();
      } else if (!e.existed) {
        ::unlink(e.target.c_str());
      }
    }
    discard();
    return failed;
  }
  for (Entry& e : entries_) {
    if (e.inPlace) continue;
    if (!e.backup.empty()) ::unlink(e.backup.c_str());
    e.backup.clear();
    syncFolder(e.target);
  }
  entries_.clear();
  return {};
}

void FileBatch::discard() {
  for (Entry& e : entries_) {
    if (!e.tmp.empty()) ::unlink(e.tmp.c_str());
    if (!e.backup.empty()) ::unlink(e.backup.c_str());
  }
  entries_.clear();
}

FileBatch::~FileBatch() { discard(); }

Status writeFileAtomic(const std::string& path, std::string_view bytes) {
  FileBatch batch;
  if (Status s = batch.Add(path, bytes); !s) return s;
  return batch.Commit();
}

Status createFileExclusive(const std::string& path, std::string_view bytes) {
  const std::string what = "cannot write " + path;
  if (path.empty()) return Status::fromErrno(ENOENT, "cannot write a file without a name");
  std::string tmp;
  if (Status s = writeTemporary(path, bytes, 0666, true, tmp); !s) return s;
  int err = 0;
  bool placed = false;
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
    syncFolder(path);
    return {};
  }
  err = errno;
  if (err == EEXIST) {
    ::unlink(tmp.c_str());
    return Status::fromErrno(EEXIST, what);
  }
#endif
  // No non-replacing rename here: a hard link fails just the same when the name is taken.
  if (::link(tmp.c_str(), path.c_str()) == 0) {
    placed = true;
    err = 0;
  } else {
    err = errno;
  }
  ::unlink(tmp.c_str());
  if (placed) {
    syncFolder(path);
    return {};
  }
  if (err == EEXIST) return Status::fromErrno(EEXIST, what);
  if (err == EPERM || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL || err == EMLINK)
    return createAndWrite(path, bytes);
  return Status::fromErrno(err, what);
}

Status readWholeStream(int fd, const std::string& name, std::string& out, std::size_t maxBytes) {
  out.clear();
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      out.clear();
      return Status::fromErrno(err, "cannot read " + name);
    }
    if (n == 0) break;
    if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
      out.clear();
      out.shrink_to_fit();
      return tooLarge(name, maxBytes);
    }
    out.append(buf, static_cast<std::size_t>(n));
  }
  return {};
}

namespace {

// Opens path for reading; with regularOnly, anything but a regular file is refused before a
// single byte is waited for (a FIFO opens at once without a writer when not blocking).
Status openForReading(const std::string& path, bool regularOnly, int& fd, struct stat& st) {
  const std::string what = "cannot read " + path;
  fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | (regularOnly ? O_NONBLOCK : 0));
  if (fd < 0) return Status::fromErrno(errno, what);
  Status s;
  if (::fstat(fd, &st) != 0)
    s = Status::fromErrno(errno, what);
  else if (S_ISDIR(st.st_mode))
    s = Status::fromErrno(EISDIR, what);
  else if (regularOnly && !S_ISREG(st.st_mode))
    s = Status::failure(what + ": not a regular file (a FIFO, device or socket is not read; use - for standard input)",
                        EINVAL);
  else if (regularOnly && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
    s = Status::fromErrno(errno, what);
  if (!s) {
    ::close(fd);
    fd = -1;
  }
  return s;
}

Status readOpened(const std::string& path, std::string& out, std::size_t maxBytes, bool regularOnly) {
  out.clear();
  int fd = -1;
  struct stat st {};
  if (Status s = openForReading(path, regularOnly, fd, st); !s) return s;
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    if (static_cast<std::size_t>(st.st_size) > maxBytes) {
      ::close(fd);
      return tooLarge(path, maxBytes);
    }
    out.reserve(static_cast<std::size_t>(st.st_size));
  }
  Status s = readWholeStream(fd, path, out, maxBytes);
  ::close(fd);
  return s;
}

}  // namespace

Status readWholeFile(const std::string& path, std::string& out, std::size_t maxBytes) {
  return readOpened(path, out, maxBytes, false);
}

Status readRegularFile(const std::string& path, std::string& out, std::size_t maxBytes) {
  return readOpened(path, out, maxBytes, true);
}

Status checkRegularFile(const std::string& path) {
  int fd = -1;
  struct stat st {};
  Status s = openForReading(path, true, fd, st);
  if (fd >= 0) ::close(fd);
  return s;
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

bool ensureFolder(const std::string& path) { return createFolder(path).ok(); }

Status createFolder(const std::string& path) {
  if (path.empty()) return Status::fromErrno(ENOENT, "cannot create a folder without a name");
  std::error_code ec;
  fs::create_directories(fs::path(path), ec);
  std::error_code isDir;
  if (fs::is_directory(fs::path(path), isDir)) return Status::success();
  // A file in the way of a folder on the path reads as "Not a directory" or "File exists".
  return Status::fromErrno(ec ? ec.value() : ENOTDIR, "cannot create the folder " + path);
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace ruvo::storage
