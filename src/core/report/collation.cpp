#include "core/report/collation.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace ruvo::report {

namespace {
unsigned char fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }
}  // namespace

int CompareFolded(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  // Records of one table share long beginnings (title, often the name): skip equal bytes
  // eight at a time, since bytes equal as they are are equal folded.
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) break;
  }
  for (; i < n; ++i) {
    const unsigned char x = fold(static_cast<unsigned char>(a[i]));
    const unsigned char y = fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool CollatesBefore(std::string_view a, std::string_view b) {
  const int c = CompareFolded(a, b);
  return c != 0 ? c < 0 : a < b;
}

}  // namespace ruvo::report
