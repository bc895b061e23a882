#pragma once
// The main window's aggregation concern as the main-window model sees it: the sum-up list, the
// result drops, automatic collection with its delivery window, and the copy of the tables.
// The report layer implements it (report/totalsmodel.h); the main-window model owns it and
// renders what it returns into RichEdit1 and Label2.
#include <string>
#include <vector>

#include "core/app/settings.h"

namespace ruvo::app {

// What the aggregation mode shows.
struct TotalsDisplay {
  std::vector<std::string> lines;  // RichEdit1, one line per line
  std::string label2;              // the count ("" leaves Label2 empty)
  bool graphAvailable = false;     // acGraph is offered
};

class TTotals {
 public:
  virtual ~TTotals() = default;
  // The keys of the delivery and feedback windows, read at start-up.
  virtual void Create(const TSettings& settings) = 0;
  // Those keys as closing writes them.
  virtual void WriteSettings(TSettings& settings) const = 0;
  // Whether a drop of these items holds anything to total (folders, result files, old results).
  virtual bool WouldTake(const std::vector<std::string>& items) = 0;
  // Files and folders dropped on the main window. Refused types are reported through the
  // dialogs. True when the aggregation mode is to show display.
  virtual bool Drop(const std::vector<std::string>& items, TotalsDisplay& display) = 0;
  // The start of automatic collection once the delivery window closed with OK. False when it
  // was cancelled; otherwise the tables of the results already taken in.
  virtual bool StartCollection(TotalsDisplay& display) = 0;
  // One tick of the collection timer. True when results were taken in (display then holds the
  // tables as they are now).
  virtual bool CollectNewResults(TotalsDisplay& display) = 0;
  // Copy in the aggregation mode: the wide table for statistics software with spss, otherwise
  // the tables as shown.
  virtual void Copy(bool spss) = 0;
};

}  // namespace ruvo::app
