#pragma once
// File helpers every writer of the program goes through, so that a crash or a full disk
// in the middle of a save never leaves a half-written file in place of a good one.
#include <string>
#include <string_view>

namespace ruvo::storage {

// Writes bytes to path through a temporary file in the same folder: write, fsync, rename
// over the target, fsync the folder. When the target existed its permission bits are kept
// (a read-only file stays read-only after being replaced). On failure the old file is
// untouched, the temporary file is removed and *osError (when given) holds the errno.
bool writeFileAtomic(const std::string& path, std::string_view bytes, int* osError = nullptr);

// Reads a whole regular file; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& out);

// True when the nearest existing folder of path (path itself when it is a folder) lies
// on a file system mounted read-only. This stands in for the drive-kind test of removable
// and optical media: such a target can never be written.
bool isReadOnlyFileSystem(const std::string& path);

// Creates a folder with all missing parents; true when it exists afterwards.
bool ensureFolder(const std::string& path);

// True when a file (of any kind) exists at path.
bool fileExists(const std::string& path);

}  // namespace ruvo::storage
