#pragma once
// The one file writer and reader of the program. A crash or a full disk in the middle of a
// save never leaves a half-written file in place of a good one, and a result file is never
// replaced by another.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/status.h"

namespace ruvo::storage {

using platform::Status;

// Inputs larger than this are refused rather than read: every file the program reads is far
// smaller, and an endless stream must not take all memory.
inline constexpr std::size_t kMaxReadBytes = std::size_t{256} << 20;
inline constexpr const char* kMaxReadText = "256 MiB";

// Writes bytes to path. A regular file (or a new one) is replaced atomically through a
// temporary file in the same folder: write, fsync, rename, fsync the folder; its permission
// bits are kept and a symbolic link is written through. A FIFO or a character device is
// written directly, as a shell redirection would; any other kind of target is refused. On
// failure the old file is untouched and no temporary file is left.
Status writeFileAtomic(const std::string& path, std::string_view bytes);

// Several files written as one save: each is written to a temporary beside its target first,
// and only when all of them are complete are they renamed into place. A failure while
// staging leaves every target as it was; a rename failing part way puts the files renamed
// before it back (an existing target is kept under a hard link until the end; where the
// file system has none, only the last target can be put back). Targets follow the rules of
// writeFileAtomic; FIFOs and character devices are written in place, first, at Commit.
class FileBatch final {
 public:
  FileBatch() = default;
  ~FileBatch();  // an uncommitted batch leaves no temporary file behind
  FileBatch(const FileBatch&) = delete;
  FileBatch& operator=(const FileBatch&) = delete;

  // Stages bytes for path; nothing visible changes yet.
  Status Add(const std::string& path, std::string_view bytes);
  // Puts every staged file in place. Call once.
  Status Commit();

 private:
  struct Entry {
    std::string shown;     // the name given, for messages
    std::string target;    // what is replaced (a link's target)
    std::string tmp;       // the staged temporary, until it is renamed
    std::string backup;    // a hard link to the old target while the batch commits
    std::string bytes;     // for an in-place target
    bool inPlace = false;  // a FIFO or character device
    bool existed = false;
    bool placed = false;
  };
  void discard();
  std::vector<Entry> entries_;
};

// Creates path holding bytes, never replacing anything: when a file of any kind has that
// name the status carries EEXIST and nothing is changed. The name appears with its whole
// content at once (link or rename without replacing); only on a file system that has
// neither is the file created exclusively and then written.
Status createFileExclusive(const std::string& path, std::string_view bytes);

// Reads a whole file (not a folder). A file or stream over maxBytes is refused with EFBIG.
Status readWholeFile(const std::string& path, std::string& out, std::size_t maxBytes = kMaxReadBytes);
// The same for a regular file only: a FIFO, device or socket is refused at once (EINVAL)
// instead of being waited on, so that a command run unattended never hangs on its input.
Status readRegularFile(const std::string& path, std::string& out, std::size_t maxBytes = kMaxReadBytes);
// Success when path opens as a regular file for reading (without waiting on a FIFO).
Status checkRegularFile(const std::string& path);
// The same from an open descriptor (standard input); name goes into the messages.
Status readWholeStream(int fd, const std::string& name, std::string& out, std::size_t maxBytes = kMaxReadBytes);

// True when the nearest existing folder of path (path itself when it is a folder) lies
// on a file system mounted read-only. This stands in for the drive-kind test of removable
// and optical media: such a target can never be written.
bool isReadOnlyFileSystem(const std::string& path);

// Creates a folder with all missing parents; true when it exists afterwards.
bool ensureFolder(const std::string& path);
// The same, saying why the folder is not there afterwards (the folder and the system's reason).
Status createFolder(const std::string& path);

// True when a file (of any kind) exists at path.
bool fileExists(const std::string& path);

}  // namespace ruvo::storage
