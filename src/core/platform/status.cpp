#include "core/platform/status.h"

#include <cstring>

namespace ruvo::platform {

Status Status::failure(std::string message, int err) { return Status(true, err, std::move(message)); }

Status Status::fromErrno(int err, const std::string& what) {
  std::string m = what;
  if (err != 0) {
    m += ": ";
    m += std::strerror(err);
  }
  return Status(true, err, std::move(m));
}

}  // namespace ruvo::platform
