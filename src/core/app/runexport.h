#pragma once
// Runs in long form for statistics software: one row per examinee and event (a page, a
// phrase, a reading, a question), from the run journals where they exist and from the
// result files of runs that have none.
#include <string>
#include <vector>

#include "core/platform/status.h"

namespace ruvo::app {

struct ExportRow {
  std::string title, name, date;
  std::string page;      // 1-based page number ("" when a result file does not say)
  std::string phrase;    // 1-based phrase number of a page shown phrase by phrase
  std::string kind;      // "page", "reading", "reading end", "timed questions", "questions end", "name", "phrase",
                         // "question", "break-off"
  std::string ms;        // milliseconds on screen
  std::string words;     // words of a timed reading
  std::string wpm;       // its words per minute as the result file gives them
  std::string question;  // question number over the whole test
  std::string answer;    // choice number, typed text or "-"
  std::string correct;   // "1", "0" or "" (unanswered or without a correct choice)
};

// The header row's names, in the order of ExportRow's fields.
const std::vector<std::string>& ExportColumns();

// Rows of one journal file / one result file (false with an error when it cannot be read).
platform::Status RowsFromJournal(const std::string& path, std::vector<ExportRow>& rows);
platform::Status RowsFromResultFile(const std::string& path, std::vector<ExportRow>& rows);

// Rows of files and folders (folders are searched below for .ruvoj and .ruvot files): each
// journal's rows, and the rows of every result file no journal beside it finished with.
platform::Status CollectExportRows(const std::vector<std::string>& paths, std::vector<ExportRow>& rows);

// The table as text: a header row, then the rows; separator ',' or '\t'. Fields that hold
// the separator, a double quote or a line break are quoted, quotes doubled. UTF-8, LF.
std::string WriteExportTable(const std::vector<ExportRow>& rows, char separator);

}  // namespace ruvo::app
