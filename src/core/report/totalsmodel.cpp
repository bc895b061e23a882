#include "core/report/totalsmodel.h"

#include <algorithm>

#include "core/app/paths.h"
#include "core/report/feedback.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::report {

std::string TotalsCount(int tables, int records) { return text::format("%D 種類、のべ %D 人分", {tables, records}); }

TTotalsModel::TTotalsModel(platform::Ports ports, delivery::FileSystem& fs, const std::string& programFolder,
                           const std::string& examineeProgram)
    : ports_(ports.filled()),
      fs_(fs),
      list_(ports.clock),
      delivery_(fs, ports.dialogs, programFolder, examineeProgram),
      collection_(fs, *this, ports.clock, app::JoinPath(programFolder, "report")) {}

void TTotalsModel::Create(const app::TSettings& settings) {
  delivery_.Create(settings);
  if (settings.fileExisted) {
    interval_ = std::max(kMinCollectionInterval, settings.interval);
    animeDure_ = settings.animeDure;
  }
}

void TTotalsModel::WriteSettings(app::TSettings& s) const {
  s.interval = std::max(interval_, kMinCollectionInterval);
  s.animeDure = std::max(kMinCollectionInterval, animeDure_);
  s.dirToTeacher = delivery_.FCollectionFolder();
  s.dirToLearner = delivery_.FDistributionFolder();
  s.retrieve = delivery_.cbRetrieve;
}

bool TTotalsModel::WouldTake(const std::vector<std::string>& items) {
  return std::any_of(items.begin(), items.end(), [&](const std::string& item) {
    const std::string path = fs_.resolve(item);
    const std::string ext = text::asciiLower(app::ExtensionOf(app::FileNameOf(path)));
    return fs_.isFolder(path) || ext == ".ruvot" || ext == ".ruvt";
  });
}

void TTotalsModel::tables(app::TotalsDisplay& d) {
  d.lines.clear();
  list_.WriteTables(d.lines);
  d.label2 = TotalsCount(list_.Count(), list_.TotalRecords());
  d.graphAvailable = true;
}

bool TTotalsModel::Drop(const std::vector<std::string>& items, app::TotalsDisplay& d) {
  const DropOutcome o = collection_.DropResults(items);
  if (!o.message.empty()) ports_.dialogs->message(o.message);
  if (!o.cleared) return false;
  d = {};
  // A drop that found no results shows its count of none rather than the tables it cleared.
  if (list_.Count() > 0 || !o.hadOldResults) tables(d);
  if (list_.Count() == 0) d.graphAvailable = false;
  // Old-edition results have no tables: their first lines follow whatever was totalled.
  d.lines.insert(d.lines.end(), o.oldLines.begin(), o.oldLines.end());
  show(d);
  return true;
}

bool TTotalsModel::StartCollection(app::TotalsDisplay& d) {
  if (!H1Click(collection_, delivery_, *ports_.dialogs, timer_)) return false;
  tables(d);
  show(d);
  return true;
}

bool TTotalsModel::CollectNewResults(app::TotalsDisplay& d) {
  if (!CollectionTick(collection_, delivery_, timer_)) return false;
  tables(d);
  show(d);
  return true;
}

void TTotalsModel::show(const app::TotalsDisplay& d) {
  shown_ = d.lines;
  ++shownGeneration_;
}

void TTotalsModel::Copy(bool spss) {
  if (spss) {
    std::vector<std::string> merged;
    list_.BuildMergedTable(merged);
    ports_.clipboard->setText(text::joinLinesCrlf(merged));
  } else {
    ports_.clipboard->setText(text::joinLinesCrlf(shown_));
  }
}

}  // namespace ruvo::report
