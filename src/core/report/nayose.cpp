#include "core/report/nayose.h"

#include "core/text/strings.h"

namespace ruvo::report {

std::string NormalizeName(std::string_view name) {
  static constexpr std::string_view kWideSpace = "\xE3\x80\x80";  // U+3000
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    if (name[i] == ' ') {
      ++i;
    } else if (name.compare(i, kWideSpace.size(), kWideSpace) == 0) {
      i += kWideSpace.size();
    } else {
      out += name[i++];
    }
  }
  return text::asciiUpper(out);
}

int TNayoMember::RecordIndex(int position) const {
  if (position < 0 || position >= Count()) return -1;
  return indices_[static_cast<std::size_t>(position)];
}

const TNayoMember* TNayose::Member(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return members_[static_cast<std::size_t>(index)].get();
}

int TNayose::IndexOfName(std::string_view name) const {
  const auto it = byName_.find(NormalizeName(name));
  return it == byName_.end() ? -1 : it->second;
}

void TNayose::AddName(std::string_view name, int recordIndex) {
  const int at = IndexOfName(name);
  if (at >= 0) {
    members_[static_cast<std::size_t>(at)]->AddRecordIndex(recordIndex);
    return;
  }
  auto m = std::make_unique<TNayoMember>();
  m->SetName(NormalizeName(name));
  m->AddRecordIndex(recordIndex);
  byName_.emplace(m->Name(), Count());
  members_.push_back(std::move(m));
}

}  // namespace ruvo::report
