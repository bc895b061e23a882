#pragma once
// The order of records and names in the totals: ASCII letters compared without case, every
// other character by its code point (UTF-8 bytes compare in code-point order). Texts equal
// that way fall back to plain byte order, so the result never depends on arrival order or
// on the machine's locale.
#include <string_view>

namespace ruvo::report {

// < 0, 0 or > 0 as a sorts before, equal to or after b, ASCII case folded to lower case.
int CompareFolded(std::string_view a, std::string_view b);

// Strict weak order for sorting: folded comparison, then bytes.
bool CollatesBefore(std::string_view a, std::string_view b);

}  // namespace ruvo::report
