#include "core/authoring/worddata.h"

#include <algorithm>

#include "core/text/strings.h"

namespace ruvo::authoring {

TWordSection::TWordSection(std::vector<std::string> entries) : entries_(std::move(entries)) {
  sorted_ = std::is_sorted(entries_.begin(), entries_.end());
  for (std::size_t i = entries_.size(); i-- > 0;) {
    const std::string& e = entries_[i];
    if (e.empty()) continue;
    byLast_[static_cast<unsigned char>(e.back())].push_back(static_cast<std::uint32_t>(i));
    byFirst_[static_cast<unsigned char>(e.front())].push_back(static_cast<std::uint32_t>(i));
  }
}

bool TWordSection::Contains(std::string_view key) const {
  if (sorted_)
    return std::binary_search(entries_.begin(), entries_.end(), key,
                              [](std::string_view a, std::string_view b) { return a < b; });
  // A section out of order (a hand-made data file): the walk stops at the first entry
  // that sorts after the key, exactly as on sorted data.
  for (const std::string& e : entries_) {
    if (e == key) return true;
    if (std::string_view(e) > key) return false;
  }
  return false;
}

int WordSectionIndex(std::string_view name) {
  for (std::size_t i = 0; i < kWordSectionNames.size(); ++i)
    if (text::equalsIgnoreCase(kWordSectionNames[i], name)) return static_cast<int>(i);
  return -1;
}

TWordLists TWordLists::FromLines(const std::vector<std::string>& lines) {
  return FromSectionReader([&lines](const std::string& name) {
    std::vector<std::string> out;
    const std::string header = "[" + name + "]";
    std::size_t i = 0;
    while (i < lines.size() && !text::equalsIgnoreCase(lines[i], header)) ++i;
    if (i == lines.size()) return out;
    for (++i; i < lines.size(); ++i) {
      if (!lines[i].empty() && lines[i][0] == '[') break;
      if (!lines[i].empty()) out.push_back(lines[i]);
    }
    return out;
  });
}

}  // namespace ruvo::authoring
