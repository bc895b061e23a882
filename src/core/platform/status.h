#pragma once
// The outcome of an operation of our own APIs: success, or the operating system's error
// number (0 when the failure has none) with a message that can be shown as it is.
#include <string>
#include <utility>

namespace ruvo::platform {

class [[nodiscard]] Status final {
 public:
  Status() = default;  // success

  static Status success() { return {}; }
  // A failure with its own message; err is the system error behind it, if any.
  static Status failure(std::string message, int err = 0);
  // A failure caused by errno err: the message is what + ": " + the system's text of err.
  static Status fromErrno(int err, const std::string& what);

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  int error() const { return error_; }  // errno, 0 for success or a failure without one
  const std::string& message() const { return message_; }

 private:
  Status(bool failed, int error, std::string message) : failed_(failed), error_(error), message_(std::move(message)) {}
  bool failed_ = false;
  int error_ = 0;
  std::string message_;
};

}  // namespace ruvo::platform
