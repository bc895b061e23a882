#pragma once
// The one file writer and reader of the program. A crash or a full disk in the middle of a
// save never leaves a half-written file in place of a good one, and a result file is never
// replaced by another.
#include <cstddef>
#include <string>
#include <string_view>

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

// Creates path holding bytes, never replacing anything: when a file of any kind has that
// name the status carries EEXIST and nothing is changed. The name appears with its whole
// content at once (link or rename without replacing); only on a file system that has
// neither is the file created exclusively and then written.
Status createFileExclusive(const std::string& path, std::string_view bytes);

// Reads a whole file (not a folder). A file or stream over maxBytes is refused with EFBIG.
Status readWholeFile(const std::string& path, std::string& out, std::size_t maxBytes = kMaxReadBytes);
// The same from an open descriptor (standard input); name goes into the messages.
Status readWholeStream(int fd, const std::string& name, std::string& out, std::size_t maxBytes = kMaxReadBytes);

// True when the nearest existing folder of path (path itself when it is a folder) lies
// on a file system mounted read-only. This stands in for the drive-kind test of removable
// and optical media: such a target can never be written.
bool isReadOnlyFileSystem(const std::string& path);

// Creates a folder with all missing parents; true when it exists afterwards.
bool ensureFolder(const std::string& path);

// True when a file (of any kind) exists at path.
bool fileExists(const std::string& path);

}  // namespace ruvo::storage
