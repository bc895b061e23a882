#pragma once
// Grouping the records of one table by examinee: names typed with different spacing and
// letter case ("Yamada Taro", "YAMADA　TARO") belong to one person.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ruvo::report {

// Half-width and full-width (U+3000) spaces removed, then ASCII a-z upper-cased; nothing
// else changes (full-width letters stay apart from half-width ones).
std::string NormalizeName(std::string_view name);

class TNayoMember final {
 public:
  int Count() const { return static_cast<int>(indices_.size()); }
  // -1 for a position out of range.
  int RecordIndex(int position) const;
  void AddRecordIndex(int recordIndex) { indices_.push_back(recordIndex); }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

 private:
  std::vector<int> indices_;  // in the order added
  std::string name_;          // normalized
};

class TNayose final {
 public:
  void Clear() {
    members_.clear();
    byName_.clear();
  }
  int Count() const { return static_cast<int>(members_.size()); }
  // nullptr for an index out of range.
  const TNayoMember* Member(int index) const;
  // Index of the first member whose name equals the normalized name, or -1.
  int IndexOfName(std::string_view name) const;
  // Appends recordIndex to the member of that name, creating the member when there is none.
  void AddName(std::string_view name, int recordIndex);

 private:
  std::vector<std::unique_ptr<TNayoMember>> members_;  // in order of first appearance
  std::unordered_map<std::string, int> byName_;
};

}  // namespace ruvo::report
