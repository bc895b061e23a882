#include "core/app/runexport.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "core/app/runjournal.h"
#include "core/document/qacontroler.h"
#include "core/storage/compressstringlist.h"
#include "core/storage/filenames.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::app {
namespace {

namespace fs = std::filesystem;

std::string kindName(int kind) {
  static const char* const names[] = {"page", "reading", "reading end", "timed questions", "questions end", "name"};
  return kind >= 0 && kind < 6 ? names[kind] : "page";
}

std::string wpmOf(int words, int seconds) { return text::format("%F", {words * 60.0 / std::max(1, seconds)}); }

std::string answerText(const JournalAnswer& a) {
  if (a.answer == doc::kTypedAnswer) return a.typed;
  return a.answer < 0 ? "-" : std::to_string(a.answer);
}

std::string lowerExt(const fs::path& p) { return text::asciiLower(p.extension().string()); }

void walk(const std::string& path, std::vector<std::string>& journals, std::vector<std::string>& results,
          std::string& error) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code ec2;
      if (!it->is_regular_file(ec2)) continue;
      const std::string ext = lowerExt(it->path());
      if (ext == kJournalExtension) journals.push_back(it->path().string());
      if (ext == ".ruvot") results.push_back(it->path().string());
    }
    if (ec) error = path + ": " + ec.message();
    return;
  }
  if (!fs::exists(path, ec)) {
    error = path + ": no such file or folder";
    return;
  }
  const std::string ext = lowerExt(path);
  if (ext == kJournalExtension)
    journals.push_back(path);
  else
    results.push_back(path);
}

}  // namespace

const std::vector<std::string>& ExportColumns() {
  static const std::vector<std::string> columns = {"test_title", "examinee", "date", "page",     "phrase", "kind",
                                                   "ms",         "words",    "wpm",  "question", "answer", "correct"};
  return columns;
}

platform::Status RowsFromJournal(const std::string& path, std::vector<ExportRow>& rows) {
  JournalContents c;
  if (auto s = ReadJournalFile(path, c); !s.ok()) return s;
  const std::string title = c.events.front().test.title;
  // The name is typed on the name page: every row of the run carries the last one given.
  std::string name;
  for (const auto& e : c.events)
    if (!e.name.empty()) name = e.name;
  for (const auto& e : c.events) {
    if (e.type != JournalEvent::Type::Page && e.type != JournalEvent::Type::Phrase &&
        e.type != JournalEvent::Type::BreakOff)
      continue;
    ExportRow r;
    r.title = title;
    r.name = name;
    r.date = e.date;
    r.page = std::to_string(e.page + 1);
    r.ms = std::to_string(e.ms);
    if (e.type == JournalEvent::Type::Phrase) {
      r.phrase = std::to_string(e.phrase + 1);
      r.kind = "phrase";
      rows.push_back(r);
      continue;
    }
    r.kind = e.type == JournalEvent::Type::BreakOff ? "break-off" : kindName(e.kind);
    if (e.words != 0 || e.seconds != 0) {
      r.words = std::to_string(e.words);
      r.wpm = wpmOf(e.words, e.seconds);
    }
    rows.push_back(r);
    for (const auto& a : e.answers) {
      ExportRow q;
      q.title = title;
      q.name = name;
      q.date = e.date;
      q.page = r.page;
      q.kind = "question";
      q.question = std::to_string(a.q);
      q.answer = answerText(a);
      q.correct = a.score;
      rows.push_back(std::move(q));
    }
  }
  return {};
}

platform::Status RowsFromResultFile(const std::string& path, std::vector<ExportRow>& rows) {
  storage::TCompressStringList list;
  // A file that is missing or cannot be read says why; one that does not decode, or holds
  // fewer than two lines, is no result file.
  if (platform::Status loaded = list.LoadFromFile(path); !loaded && loaded.error() != 0) return loaded;
  if (list.Count() < 2) return platform::Status::failure(path + ": not a result file");
  const std::vector<std::string> names = text::split(list[0], '\t');
  const std::vector<std::string> values = text::split(list[1], '\t');
  std::map<std::string, std::string> v;
  for (std::size_t i = 0; i < names.size(); ++i) v[names[i]] = i < values.size() ? values[i] : std::string();
  ExportRow base;
  base.title = v["title"];
  base.name = v["name"];
  base.date = v["date"];
  for (int i = 1; v.count(text::format("rt%D", {i})); ++i) {
    ExportRow r = base;
    r.kind = "reading";
    const auto seconds = text::parseInt(v[text::format("rt%D", {i})]);
    r.ms = seconds ? std::to_string(static_cast<long long>(*seconds) * 1000) : std::string();
    r.words = v[text::format("wrd%D", {i})];
    r.wpm = v[text::format("wpm%D", {i})];
    rows.push_back(std::move(r));
  }
  for (int i = 1; v.count(text::format("qt%D", {i})); ++i) {
    ExportRow r = base;
    r.kind = "timed questions";
    const auto seconds = text::parseInt(v[text::format("qt%D", {i})]);
    r.ms = seconds ? std::to_string(static_cast<long long>(*seconds) * 1000) : std::string();
    rows.push_back(std::move(r));
  }
  for (int k = 1; v.count(text::format("ans%D", {k})); ++k) {
    ExportRow r = base;
    r.kind = "question";
    r.question = std::to_string(k);
    r.answer = v[text::format("ans%D", {k})];
    const std::string scr = text::trim(v[text::format("scr%D", {k})]);
    r.correct = scr == "1" || scr == "0" ? scr : "";
    rows.push_back(std::move(r));
  }
  return {};
}

platform::Status CollectExportRows(const std::vector<std::string>& paths, std::vector<ExportRow>& rows) {
  std::vector<std::string> journals, results;
  for (const auto& p : paths) {
    std::string error;
    walk(p, journals, results, error);
    if (!error.empty()) return platform::Status::failure(error);
  }
  std::sort(journals.begin(), journals.end());
  journals.erase(std::unique(journals.begin(), journals.end()), journals.end());
  std::sort(results.begin(), results.end());
  results.erase(std::unique(results.begin(), results.end()), results.end());
  // A result file whose run was journaled beside it is already in the journal's rows.
  std::set<fs::path> covered;
  for (const auto& j : journals) {
    JournalContents c;
    if (!ReadJournalFile(j, c).ok()) continue;
    for (const auto& e : c.events)
      if (e.type == JournalEvent::Type::Finished && !e.resultFile.empty())
        covered.insert(fs::weakly_canonical(fs::path(j).parent_path() / e.resultFile));
  }
  for (const auto& j : journals)
    if (auto s = RowsFromJournal(j, rows); !s.ok()) return s;
  for (const auto& r : results) {
    std::error_code ec;
    if (covered.count(fs::weakly_canonical(r, ec))) continue;
    if (auto s = RowsFromResultFile(r, rows); !s.ok()) return s;
  }
  return {};
}

std::string WriteExportTable(const std::vector<ExportRow>& rows, char separator) {
  std::string out;
  auto field = [&](const std::string& f, bool first) {
    if (!first) out += separator;
    if (f.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) {
      out += f;
      return;
    }
    out += '"';
    for (char c : f) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  };
  bool first = true;
  for (const auto& c : ExportColumns()) {
    field(c, first);
    first = false;
  }
  out += '\n';
  for (const auto& r : rows) {
    const std::string* fields[] = {&r.title, &r.name,  &r.date, &r.page,     &r.phrase, &r.kind,
                                   &r.ms,    &r.words, &r.wpm,  &r.question, &r.answer, &r.correct};
    first = true;
    for (const std::string* f : fields) {
      field(*f, first);
      first = false;
    }
    out += '\n';
  }
  return out;
}

}  // namespace ruvo::app
