#pragma once
// The file-system services that collection and delivery need, behind one interface: the real
// disk for the programs, a folder tree in memory for tests that must control time stamps,
// half-written files and the order of writes.
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/status.h"

namespace ruvo::delivery {

struct FileEntry {
  std::string name;          // file name without folder
  bool folder = false;       // a folder (symbolic links followed)
  std::uint64_t size = 0;    // bytes (0 for folders)
  std::int64_t mtimeNs = 0;  // modification time, nanoseconds since the epoch
  // Change of status and file identity: a file replaced or written again within the same
  // time stamp and at the same size still shows as changed by these.
  std::int64_t ctimeNs = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileEntry&) const = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The entries of a folder ("." and ".." left out), in no particular order. A failure names
  // the folder and the system's reason.
  virtual platform::Status list(const std::string& folder, std::vector<FileEntry>& out) = 0;
  // False when nothing exists at path.
  virtual bool stat(const std::string& path, FileEntry& out) = 0;
  virtual bool readFile(const std::string& path, std::string& bytes) = 0;
  // Creates or replaces path; a reader sees the old bytes or the new ones, never a mix.
  virtual bool writeFile(const std::string& path, std::string_view bytes) = 0;
  enum class NewFile { Written, Taken, Failed };
  // Creates path with bytes unless something already has that name (a failure with EEXIST),
  // atomically: two writers racing for one name never both succeed, and a reader never sees
  // a half-written file. A failure names the file and the system's reason.
  virtual platform::Status writeNewFile(const std::string& path, std::string_view bytes) = 0;
  // Copies a file with its access and modification times and permission bits. With replace
  // false an existing target is never touched (the copy fails); with replace true it is
  // replaced.
  virtual bool copyFile(const std::string& from, const std::string& to, bool replace) = 0;
  virtual bool removeFile(const std::string& path) = 0;
  // Creates a folder with all missing parents; true when it exists afterwards.
  virtual bool makeFolders(const std::string& path) = 0;
  // What a symbolic link points to, made absolute and canonical; other paths come back
  // canonical when they exist, unchanged otherwise.
  virtual std::string resolve(const std::string& path) = 0;

  bool isFolder(const std::string& path);
  bool isFile(const std::string& path);
};

// The disk.
FileSystem& RealFileSystem();

// A folder tree in memory. Paths are '/'-separated and compared as given (no "." or ".."
// handling); "" and "/" are the root. Time stamps are whatever the test sets.
class MemoryFileSystem final : public FileSystem {
 public:
  // Puts a file, creating its folders. mtimeNs < 0 keeps the file's current stamp (0 for a
  // new file).
  void put(const std::string& path, std::string bytes, std::int64_t mtimeNs = -1);
  void setTime(const std::string& path, std::int64_t mtimeNs);
  void makeLink(const std::string& link, const std::string& target);
  std::string bytes(const std::string& path) const;
  bool has(const std::string& path) const { return files_.count(path) > 0; }
  std::vector<std::string> filesUnder(const std::string& folder) const;  // every file path below

  // Called at the start of every readFile (a writer acting between a listing and a read).
  std::function<void(const std::string& path)> beforeRead;
  // Paths whose writes fail (a full disk, a read-only folder).
  std::set<std::string> failWrites;
  // The stamp given to files written or copied without one of their own.
  std::int64_t now = 1'000'000'000;

  platform::Status list(const std::string& folder, std::vector<FileEntry>& out) override;
  bool stat(const std::string& path, FileEntry& out) override;
  bool readFile(const std::string& path, std::string& bytes) override;
  bool writeFile(const std::string& path, std::string_view bytes) override;
  platform::Status writeNewFile(const std::string& path, std::string_view bytes) override;
  bool copyFile(const std::string& from, const std::string& to, bool replace) override;
  bool removeFile(const std::string& path) override;
  bool makeFolders(const std::string& path) override;
  std::string resolve(const std::string& path) override;

 private:
  struct File {
    std::string bytes;
    std::int64_t mtimeNs = 0;
    std::uint64_t version = 0;  // stands for the inode and status-change time
  };
  FileEntry entry(const std::string& name, const File& f) const;
  std::uint64_t versions_ = 0;
  std::string follow(const std::string& path) const;
  bool parentExists(const std::string& path) const;
  std::map<std::string, File> files_;
  std::set<std::string> folders_;
  std::map<std::string, std::string> links_;
};

}  // namespace ruvo::delivery
