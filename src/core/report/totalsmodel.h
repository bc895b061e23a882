#pragma once
// The main window's totals: the sum-up list FSumUpList, the result collection that fills it
// (drops and automatic collection), the delivery window's state that collection starts from,
// the feedback window's settings, and the copy of the tables.
#include <cstdint>
#include <string>
#include <vector>

#include "core/app/totalsport.h"
#include "core/delivery/delivery.h"
#include "core/delivery/filesystem.h"
#include "core/platform/ports.h"
#include "core/report/collection.h"
#include "core/report/feedback.h"
#include "core/report/sumup.h"

namespace ruvo::report {

// "%D 種類、のべ %D 人分": the number of tables and of records in all of them.
std::string TotalsCount(int tables, int records);

class TTotalsModel final : public app::TTotals, private ResultSink {
 public:
  // programFolder: holds "report" and the environment file; examineeProgram: the file Send
  // copies as the examinee program.
  TTotalsModel(platform::Ports ports, delivery::FileSystem& fs, const std::string& programFolder,
               const std::string& examineeProgram);

  TSumUpList& FSumUpList() { return list_; }
  delivery::TForm3Model& Delivery() { return delivery_; }
  TResultCollection& Collection() { return collection_; }
  // The feedback window's timer and animation as collection switches them.
  const CollectionTimer& Timer() const { return timer_; }

  // The feedback window's interval and replay length as they stand (written at close).
  void SetGraphSettings(int intervalMs, int animeDureMs) {
    interval_ = intervalMs;
    animeDure_ = animeDureMs;
  }
  int GraphInterval() const { return interval_; }
  int AnimeDure() const { return animeDure_; }
  // The lines last handed to the main window, and a count bumped whenever they change.
  const std::vector<std::string>& ShownLines() const { return shown_; }
  std::uint64_t ShownGeneration() const { return shownGeneration_; }

  // app::TTotals
  void Create(const app::TSettings& settings) override;
  void WriteSettings(app::TSettings& settings) const override;
  bool WouldTake(const std::vector<std::string>& items) override;
  bool Drop(const std::vector<std::string>& items, app::TotalsDisplay& display) override;
  bool StartCollection(app::TotalsDisplay& display) override;
  bool CollectNewResults(app::TotalsDisplay& display) override;
  void Copy(bool spss) override;

 private:
  // ResultSink
  void Clear() override { list_.Clear(); }
  void AddResult(const std::vector<std::string>& lines) override { list_.AddResult(lines); }

  void tables(app::TotalsDisplay& display);

  platform::Ports ports_;
  delivery::FileSystem& fs_;
  TSumUpList list_;
  delivery::TForm3Model delivery_;
  TResultCollection collection_;
  CollectionTimer timer_;
  int interval_ = 7000;
  int animeDure_ = kDefaultAnimeDure;
  void show(const app::TotalsDisplay& display);

  std::vector<std::string> shown_;  // RichEdit1's lines, what Copy copies without spss
  std::uint64_t shownGeneration_ = 0;
};

}  // namespace ruvo::report
