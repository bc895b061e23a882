#include "core/report/sumup.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "core/report/collation.h"
#include "core/text/strings.h"

namespace ruvo::report {

namespace {

// The line up to and including its first tab; empty without a tab.
std::string keyOf(std::string_view line) {
  const std::size_t tab = line.find('\t');
  return tab == std::string_view::npos ? std::string() : std::string(line.substr(0, tab + 1));
}

// Field 2 of a record, or empty when it has fewer than three fields.
std::string dateField(std::string_view line) {
  const std::size_t a = line.find('\t');
  if (a == std::string_view::npos) return {};
  const std::size_t b = line.find('\t', a + 1);
  if (b == std::string_view::npos) return {};
  const std::size_t c = line.find('\t', b + 1);
  return std::string(line.substr(b + 1, c == std::string_view::npos ? std::string_view::npos : c - b - 1));
}

bool parseReal(std::string_view s, double& out) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty() || s.front() == '+') return false;
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool isNumberedColumn(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || !text::startsWithIgnoreCase(name, prefix)) return false;
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// Averages the run of columns from `first` on whose names begin with prefix.
float averageFrom(const std::vector<std::string>& header, const std::vector<std::string>& values, std::size_t first,
                  std::string_view prefix, bool wholeNumbers) {
  float sum = 0;
  int count = 0;
  for (std::size_t i = first; i < header.size() && text::startsWithIgnoreCase(header[i], prefix); ++i) {
    if (i >= values.size()) break;
    const std::string_view v = text::trimView(values[i]);
    if (v.empty()) continue;
    double x = 0;
    if (wholeNumbers) {
      const auto n = text::parseInt(v);
      if (!n) continue;
      x = *n;
    } else if (!parseReal(v, x) || std::fabs(x) > std::numeric_limits<float>::max()) {
      continue;  // a speed no reading gives, beyond what the average can hold
    }
    sum = static_cast<float>(static_cast<double>(sum) + x);
    ++count;
  }
  return count == 0 ? 0.0f : static_cast<float>(static_cast<double>(sum) / count);
}

}  // namespace

float WpmAverage(const std::vector<std::string>& header, const std::vector<std::string>& values) {
  for (std::size_t i = 0; i < header.size(); ++i)
    if (text::equalsIgnoreCase(header[i], "wpm1")) return i == 0 ? 0.0f : averageFrom(header, values, i, "wpm", false);
  return 0;
}

float ScoreAverage(const std::vector<std::string>& header, const std::vector<std::string>& values) {
  for (std::size_t i = 1; i < header.size(); ++i)
    if (isNumberedColumn(header[i], "scr")) return averageFrom(header, values, i, "scr", true);
  return 0;
}

// --- TSumUp ---

bool TSumUp::AddRecord(const std::string& line) {
  const bool added = seen_.insert(line).second;
  if (added) {
    records_.push_back(line);
    sorted_ = records_.size() < 2;
  }
  const std::string date = dateField(line);
  if (date < FirstDate) FirstDate = date;
  Key = keyOf(line);
  return added;
}

const std::vector<std::string>& TSumUp::Records() const {
  if (!sorted_) {
    std::sort(records_.begin(), records_.end(),
              [](const std::string& a, const std::string& b) { return CollatesBefore(a, b); });
    sorted_ = true;
  }
  return records_;
}

int TSumUp::HeaderFieldCount() const {
  return Header.empty() ? 0 : static_cast<int>(std::count(Header.begin(), Header.end(), '\t')) + 1;
}

void TSumUp::Collate() {
  collation_.Clear();
  const auto& records = Records();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const auto fields = text::split(records[i], '\t');
    collation_.AddName(fields.size() >= 2 ? fields[1] : std::string(), static_cast<int>(i));
  }
}

void TSumUp::WriteTo(std::vector<std::string>& lines) const {
  lines.push_back(Header.empty() ? std::string(kUnknownHeader) : Header);
  const auto& records = Records();
  lines.insert(lines.end(), records.begin(), records.end());
  lines.emplace_back();
}

// --- TSumUpList ---

TSumUpList::TSumUpList(platform::Clock* clock) : clock_(clock) {}
TSumUpList::~TSumUpList() = default;

void TSumUpList::Clear() {
  items_.clear();
  scores_.Clear();
}

TSumUp* TSumUpList::Item(int index) {
  return index < 0 || index >= Count() ? nullptr : items_[static_cast<std::size_t>(index)].get();
}

const TSumUp* TSumUpList::Item(int index) const {
  return index < 0 || index >= Count() ? nullptr : items_[static_cast<std::size_t>(index)].get();
}

void TSumUpList::AddResult(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  static const std::string kNoHeader;
  const std::string& header = lines.size() == 1 ? kNoHeader : lines[0];
  const std::string& record = lines.size() == 1 ? lines[0] : lines[1];

  const std::string key = keyOf(record);
  TSumUp* table = nullptr;
  for (auto it = items_.rbegin(); it != items_.rend(); ++it)
    if ((*it)->Header == header && (*it)->Key == key) {
      table = it->get();
      break;
    }
  if (!table) {
    items_.push_back(std::make_unique<TSumUp>());
    table = items_.back().get();
    table->Header = header;
  }
  table->AddRecord(record);

  const auto headerFields = text::split(header, '\t');
  const auto values = text::split(record, '\t');
  const float wpm = WpmAverage(headerFields, values);
  const float scr = ScoreAverage(headerFields, values);
  double date = 0;
  bool dated = false;
  if (values.size() > 2) {
    dated = DecodeResultDate(values[2], date);
    scores_.WidenDates(values[2]);
  }
  if (!dated) date = clock_ ? EncodeDateTime(clock_->now()) : 0.0;
  scores_.AddPoint(date, wpm, scr, dated);
}

void TSumUpList::WriteTables(std::vector<std::string>& lines) {
  if (items_.size() >= 2)
    std::stable_sort(items_.begin(), items_.end(),
                     [](const auto& a, const auto& b) { return a->FirstDate < b->FirstDate; });
  for (const auto& t : items_) t->WriteTo(lines);
}

void TSumUpList::BuildMergedTable(std::vector<std::string>& dest) {
  dest.clear();
  WriteMergedTable([&](std::string&& line) { dest.push_back(std::move(line)); });
}

void TSumUpList::WriteMergedTable(const std::function<void(std::string&&)>& emitLine) {
  std::vector<std::string> names;
  for (const auto& t : items_) {
    t->Collate();
    for (int m = 0; m < t->Collation().Count(); ++m) names.push_back(t->Collation().Member(m)->Name());
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CollatesBefore(a, b); });
  names.erase(std::unique(names.begin(), names.end()), names.end());
  std::unordered_map<std::string, std::size_t> rowOf;
  for (std::size_t i = 0; i < names.size(); ++i) rowOf.emplace(names[i], i + 1);

  // The table is mostly empty (each person sits in a few tests, one person's many runs widen
  // every row): only the cells that hold something are kept, by row in column order, and the
  // empty ones are written as the bare tabs they are.
  struct Cell {
    std::size_t col;
    std::string_view text;
  };
  std::vector<std::vector<Cell>> rows(names.size() + 1);
  std::size_t columns = 1;
  auto put = [&](std::size_t row, std::size_t col, std::string_view cell) {
    if (!cell.empty()) rows[row].push_back({col, cell});
  };

  std::vector<std::string> headers;  // the header fields the cells of row 0 point into
  headers.reserve(items_.size());
  for (const auto& t : items_) {
    const std::size_t col = columns;
    const auto& records = t->Records();
    // A block is as wide as the header, or as the widest record when a record has more
    // fields (or there is no header): records must never spill into the next block.
    std::size_t w = static_cast<std::size_t>(t->HeaderFieldCount());
    for (const auto& r : records) w = std::max(w, static_cast<std::size_t>(std::count(r.begin(), r.end(), '\t')) + 1);
    std::size_t reps = 0;
    const TNayose& c = t->Collation();
    for (int m = 0; m < c.Count(); ++m) {
      const TNayoMember* member = c.Member(m);
      const std::size_t row = rowOf.at(member->Name());
      for (int k = 0; k < member->Count(); ++k) {
        const std::string_view record = records[static_cast<std::size_t>(member->RecordIndex(k))];
        const std::size_t base = col + static_cast<std::size_t>(k) * w;
        std::size_t f = 0, from = 0;
        for (;; ++f) {
          const std::size_t tab = record.find('\t', from);
          put(row, base + f, record.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
          if (tab == std::string_view::npos) break;
          from = tab + 1;
        }
        columns = std::max(columns, base + w);
        reps = std::max(reps, static_cast<std::size_t>(k) + 1);
      }
    }
    const std::string_view header = t->Header;
    for (std::size_t k = 0; k < reps && !header.empty(); ++k) {
      std::size_t from = 0;
      for (std::size_t f = 0;; ++f) {
        const std::size_t tab = header.find('\t', from);
        put(0, col + k * w + f,
            header.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
        if (tab == std::string_view::npos) break;
        from = tab + 1;
      }
    }
  }

  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::string line = r == 0 ? std::string("name") : names[r - 1];
    std::size_t at = 1;  // cells written so far, column 0 included
    std::size_t size = line.size() + columns;
    for (const Cell& c : rows[r]) size += c.text.size();
    line.reserve(size);
    line += '\t';
    for (const Cell& c : rows[r]) {
      if (c.col < at) continue;  // a place already filled keeps its first cell
      line.append(c.col - at, '\t');
      line += c.text;
      line += '\t';
      at = c.col + 1;
    }
    line.append(columns - at, '\t');
    rows[r] = {};
    emitLine(std::move(line));
  }
}

int TSumUpList::TotalRecords() const {
  int n = 0;
  for (const auto& t : items_) n += t->RecordCount();
  return n;
}

}  // namespace ruvo::report
