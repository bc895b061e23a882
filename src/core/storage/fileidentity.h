#pragma once
// Whether names lead to one file: a command must never write its output over one of its own
// inputs or write two outputs into one file. "./a", "dir/../a", a symbolic or a hard link to
// a all are a.
#include <string>
#include <vector>

#include "core/platform/status.h"

namespace ruvo::storage {

// Standard input or output on the command line.
inline constexpr const char* kStdStream = "-";

// True when a and b name one file: an existing file by its device and inode, a name that
// does not exist yet by its resolved folder and name.
bool SameFile(const std::string& a, const std::string& b);

// Success when no output is one of the inputs or another output; otherwise a failure saying
// which. "-" (standard input or output) is compared by name only: two outputs "-" clash, and
// so do two inputs "-" (standard input can be read once).
platform::Status CheckOutputsApart(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

}  // namespace ruvo::storage
