#pragma once
// The totals: one table per kind of test (a distinct pair of header line and title), the
// wide per-examinee table for statistics software, and the score list of the chart.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/platform/ports.h"
#include "core/report/nayose.h"
#include "core/report/wpmscores.h"

namespace ruvo::report {

// Later than any real date: FirstDate of a table before its first record.
inline constexpr const char* kSumUpFirstDateSentinel = "3456/04/25 13:52:41";
// Written in place of an empty header (results whose file had a single line).
inline constexpr const char* kUnknownHeader = "unknown";

class TSumUp final {
 public:
  std::string Header;                               // tab-separated column names; empty for single-line results
  std::string Key;                                  // the title field of the records with its tab
  std::string FirstDate = kSumUpFirstDateSentinel;  // smallest record date, byte order

  // Adds a record (a value line); an identical line already present is not added again.
  // Returns whether the line was new.
  bool AddRecord(const std::string& line);
  int RecordCount() const { return static_cast<int>(records_.size()); }
  // Sorted: ASCII case folded, then code points (collation.h).
  const std::vector<std::string>& Records() const;
  // Fields of the header (0 when it is empty).
  int HeaderFieldCount() const;
  // Rebuilds Collation from the records.
  void Collate();
  const TNayose& Collation() const { return collation_; }
  // The header (or "unknown"), the records, one empty line.
  void WriteTo(std::vector<std::string>& lines) const;

 private:
  // Sorted on demand: taking in thousands of results stays linear.
  mutable std::vector<std::string> records_;
  mutable bool sorted_ = true;
  std::unordered_set<std::string> seen_;
  TNayose collation_;
};

// Averages over a result's value fields, blanks and values that do not parse left out, 0 when
// nothing counts. Reading speeds: the real numbers of the run of "wpm" columns that starts at
// "wpm1". Scores: the whole numbers of the run of "scr" columns that starts at the first one,
// whatever its number (a test may open with an unscored question).
float WpmAverage(const std::vector<std::string>& header, const std::vector<std::string>& values);
float ScoreAverage(const std::vector<std::string>& header, const std::vector<std::string>& values);

class TSumUpList final {
 public:
  // The clock dates a score point whose result carries no date; without one such a point is
  // dated at day 0.
  explicit TSumUpList(platform::Clock* clock = nullptr);
  ~TSumUpList();

  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  // nullptr for an index out of range.
  TSumUp* Item(int index);
  const TSumUp* Item(int index) const;

  // Takes in one result file given as its lines (line 0 header, line 1 values; a single line
  // is a record without header). Adds a record to the table of its kind and a score point.
  void AddResult(const std::vector<std::string>& lines);
  // Sorts the tables by their first date and appends them to lines.
  void WriteTables(std::vector<std::string>& lines);
  // Replaces dest with the wide table: a row per normalized examinee name, every record of
  // every table side by side; each cell followed by a tab. Tables in their current order.
  void BuildMergedTable(std::vector<std::string>& dest);
  // The same table line by line, built in memory proportional to the cells that hold something.
  void WriteMergedTable(const std::function<void(std::string&&)>& emitLine);
  int TotalRecords() const;

  TWpmScores& Scores() { return scores_; }
  const TWpmScores& Scores() const { return scores_; }

 private:
  platform::Clock* clock_;
  std::vector<std::unique_ptr<TSumUp>> items_;
  TWpmScores scores_;
};

}  // namespace ruvo::report
