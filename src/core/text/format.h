#pragma once
// The printf-like formats of the system's texts: "%D" and "%d" (integer), "%S" and "%s"
// (text), "%.2D" (integer, at least two digits), "%F" (two decimals), "%.0F" (no
// decimals), "%%". Width and precision work as in the toolkit's Format: "%5D", "%-8S",
// "%.3F". A missing or mismatched argument formats as nothing rather than failing.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace ruvo::text {

class FormatArg {
 public:
  FormatArg(int v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(long v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(long long v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned long v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned long long v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(double v) : v_(v) {}
  FormatArg(const char* v) : v_(std::string_view(v)) {}
  FormatArg(std::string_view v) : v_(v) {}
  FormatArg(const std::string& v) : v_(std::string_view(v)) {}
  const std::variant<std::int64_t, double, std::string_view>& value() const { return v_; }

 private:
  std::variant<std::int64_t, double, std::string_view> v_;
};

std::string format(std::string_view fmt, std::initializer_list<FormatArg> args);

// Rounds halves to the even neighbour (the toolkit's Round): 0.5 -> 0, 1.5 -> 2, -2.5 -> -2.
std::int64_t roundHalfEven(double v);

// Whole seconds from milliseconds, halves to even: 1500 ms -> 2, 2500 ms -> 2.
std::int64_t secondsFromMs(std::int64_t ms);

// "%F"-style fixed formatting with the given decimals, halves to even on the printed digit.
std::string formatFixed(double v, int decimals);

}  // namespace ruvo::text
