#pragma once
// A whole test taken without a window: the same model and forward steps, a clock that moves
// by the seconds given per page, and the examinee's answers given in document order.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/app/runjournal.h"
#include "core/platform/ports.h"

namespace ruvo::app {

struct SimulationOptions {
  std::string document;  // the .ruvo file
  std::string name;      // typed into the name box
  // One per question of the whole test, in document order: a choice number, "-" for none,
  // or the text typed into a field. Missing entries mean "-".
  std::vector<std::string> answers;
  // Seconds spent on each page in page order, from the press that shows it to the press that
  // leaves it; phrase presses fall evenly inside. Missing entries mean 10.
  std::vector<double> seconds;
  // Seconds of each phrase of a page shown phrase by phrase, by page index; a page given them
  // takes their sum, and phrases beyond the list share the page's seconds evenly.
  std::map<int, std::vector<double>> phraseSeconds;
  platform::DateTime date{};  // the end of the run: the "date" column and the file name
  std::string outFolder;      // where the result file goes ("" = the report folder)
  std::string programFolder;  // the program folder (report folder, settings)
  // Refuse answers that do not fit the questions (a teacher's typo); off, they are skipped.
  bool strictAnswers = true;
  // The run is journaled into this folder ("" = no journal).
  std::string journalFolder;
  // Go on with the unfinished run of the test journaled in journalFolder.
  bool resume = false;
  // Called after each event is journaled; false stops the walk right there (no Copy).
  std::function<bool(const JournalEvent&)> afterJournal;
};

struct SimulationResult {
  bool ok = false;
  std::string error;                  // why the run could not be taken
  std::string record;                 // the readable record under the last page (UTF-8, LF)
  std::string clipboard;              // the record Copy put on the clipboard
  std::string resultFile;             // path of the result file written ("" when none)
  std::string noResultFile;           // why no result file was written ("" when one was)
  std::string header, values;         // the two lines of the result file
  std::vector<std::string> messages;  // message boxes shown
  std::string journal;                // the run's journal file ("" when none)
  bool stopped = false;               // afterJournal stopped the walk
};

// Parses "1,-,text" and "10,12.5" lists. False with an error text for a malformed list.
std::vector<std::string> SplitList(const std::string& list);
// The most seconds a page can be given: a reading keeps its time as a whole number of seconds
// in 32 bits.
inline constexpr double kMaxPageSeconds = 2147483647.0;
// Seconds from 0 to kMaxPageSeconds each; anything else is an error.
bool ParseSeconds(const std::string& list, std::vector<double>& out, std::string& error);
// "PAGE:S/S/S,PAGE:S/S": the seconds of each phrase of the pages named (counted from 1).
bool ParsePhraseSeconds(const std::string& list, std::map<int, std::vector<double>>& out, std::string& error);
// A name the name box takes: not blank and not its own prompt "必須です" (the box would ask
// forever). False with an error text.
bool CheckExamineeName(const std::string& name, std::string& error);

SimulationResult SimulateRun(const SimulationOptions& o);

}  // namespace ruvo::app
