#include "core/report/collection.h"

#include <algorithm>
#include <functional>
#include <set>
#include <string_view>

#include "core/app/paths.h"
#include "core/app/resultrecord.h"
#include "core/storage/compressstringlist.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::report {

using app::JoinPath;

namespace {

// Notes kept for a caller that never collects them (the window) stay few.
constexpr std::size_t kMaxKeptNotes = 10000;

std::string lowerAscii(const std::string& s) { return text::asciiLower(s); }

std::size_t hashOf(const std::string& bytes) { return std::hash<std::string_view>{}(bytes); }

std::vector<std::string> decode(const std::string& bytes) {
  storage::TCompressStringList list;
  if (bytes.empty() || !list.LoadFromCompressedStream(bytes)) return {};
  return std::move(list.Lines);
}

TakenResult describe(const std::string& path, const std::vector<std::string>& lines) {
  TakenResult t;
  t.path = path;
  if (lines.size() < 2) return t;
  const auto f = text::split(lines[1], '\t');
  if (f.size() > 0) t.title = f[0];
  if (f.size() > 1) t.name = f[1];
  if (f.size() > 2) t.date = f[2];
  return t;
}

std::size_t fieldCount(const std::string& line) {
  return static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
}

}  // namespace

ResultFileRead ReadResultThrough(delivery::FileSystem& fs, const std::string& path, bool keepBytes) {
  if (&fs == &delivery::RealFileSystem()) return ReadResultFile(path, keepBytes);
  ResultFileRead r;
  std::string bytes;
  if (!fs.readFile(path, bytes)) {
    delivery::FileEntry e;
    r.refusal =
        fs.stat(path, e) ? (e.folder ? ResultRefusal::NotAFile : ResultRefusal::Unreadable) : ResultRefusal::Vanished;
    r.why = r.refusal == ResultRefusal::NotAFile ? "a folder, not a file" : "cannot be read";
    return r;
  }
  r = DecodeResultBytes(bytes);
  if (keepBytes) r.bytes = std::move(bytes);
  return r;
}

std::vector<std::string> ReadResultLines(delivery::FileSystem& fs, const std::string& path) {
  ResultFileRead r = ReadResultThrough(fs, path);
  return r.ok() ? std::move(r.lines) : std::vector<std::string>{};
}

std::string ReportFolderOf(const std::string& reportRoot, const platform::DateTime& day) {
  return JoinPath(reportRoot, text::format("%D/%.2D/%.2D", {day.year, day.month, day.day}));
}

bool IsResultFileName(const std::string& name) {
  return name.size() > 6 && lowerAscii(name.substr(name.size() - 6)) == ".ruvot";
}

std::string ExistingResultsQuestion(const std::string& title, const std::string& date) {
  const std::string br = "\r\n";
  return "回収フォルダに すでに結果ファイルがあります。" + br + text::format("-- %S - %S --", {title, date}) + br +
         "これと同類の結果ファイルの集計を始めますか？" + br + br + "よければ [ はい ] を選ぶ。" + br + br +
         "これ以降に回収される結果ファイルの集計をするときは [ いいえ ] を" + br +
         "中止するときは [ キャンセル ] を選ぶ。" + br + br;
}

TResultCollection::TResultCollection(delivery::FileSystem& fs, ResultSink& sink, platform::Clock* clock,
                                     std::string reportRoot)
    : fs_(fs), sink_(sink), clock_(clock ? clock : &platform::defaultClock()), reportRoot_(std::move(reportRoot)) {}

std::vector<TResultCollection::Candidate> TResultCollection::resultFiles(bool changedOnly) {
  std::vector<delivery::FileEntry> entries;
  std::vector<Candidate> out;
  listFailed_ = !folder_.empty() && !fs_.list(folder_, entries);
  if (folder_.empty() || listFailed_) return out;
  for (auto& e : entries) {
    // Hidden names are other programs' side files (a share's "._" companions, a copy in
    // progress), never a result an examinee's program wrote.
    if (e.folder || !IsResultFileName(e.name) || e.name[0] == '.') continue;
    if (changedOnly) {
      auto it = seen_.find(e.name);
      if (it != seen_.end() && same(it->second.entry, e)) continue;
    }
    out.push_back({JoinPath(folder_, e.name), std::move(e)});
  }
  // Name order: the order of arrival for names that start with the time of the run.
  std::sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) { return a.path < b.path; });
  return out;
}

bool TResultCollection::refusedOnRead(const Candidate& c, const ResultFileRead& r) {
  switch (r.refusal) {
    case ResultRefusal::Unreadable:
    case ResultRefusal::NotAFile:
    case ResultRefusal::TooLarge: {
      // Read again only once it changes: a link to an endless device or a huge file is not
      // opened at every poll.
      seen_[c.entry.name] = Seen{c.entry, 0};
      refusedNow_[c.entry.name] = r.why;
      if (newlyRefused_.size() < kMaxKeptNotes) newlyRefused_.push_back({c.path, r.why});
      return true;
    }
    default:
      refusedNow_.erase(c.entry.name);
      return false;
  }
}

bool TResultCollection::take(const std::string& path, const std::vector<std::string>& lines, TakenResult* out) {
  if (lines.size() < 2) return false;
  sink_.AddResult(lines);
  if (out) *out = describe(path, lines);
  return true;
}

void TResultCollection::retrieveInto(const std::string& reportFolder, const std::string& path) {
  // An existing copy is never replaced. Failures are kept for callers that can say so (the
  // window ignores them).
  if (!fs_.makeFolders(reportFolder)) {
    if (copyFailures_.size() < kMaxKeptNotes)
      copyFailures_.push_back({path, "cannot create the report folder " + reportFolder});
    return;
  }
  const std::string target = JoinPath(reportFolder, app::FileNameOf(path));
  if (!fs_.copyFile(path, target, false) && !fs_.isFile(target) && copyFailures_.size() < kMaxKeptNotes)
    copyFailures_.push_back({path, "cannot copy into " + reportFolder});
}

TResultCollection::Newest TResultCollection::BeginCollection(const std::string& folder) {
  sink_.Clear();
  seen_.clear();
  existing_.clear();
  folder_ = folder;
  pending_ = 0;
  Newest newest;
  std::int64_t newestStamp = 0;
  refusedNow_.clear();
  newlyRefused_.clear();
  for (auto& c : resultFiles(false)) {
    if (stopped()) break;
    ResultFileRead r = ReadResultThrough(fs_, c.path, true);
    if (!r.ok()) {
      if (!refusedOnRead(c, r) && r.refusal != ResultRefusal::Vanished) ++pending_;
      continue;
    }
    std::vector<std::string> lines = std::move(r.lines);
    const std::string bytes = std::move(r.bytes);
    // The question needs a title and a date: the newest file that has them. A file still being
    // written is no example of what is in the folder.
    if (fieldCount(lines[1]) >= 4 && (!newest.found || c.entry.mtimeNs > newestStamp)) {
      const auto f = text::split(lines[1], '\t');
      newest = {true, c.path, f[0], f[2]};
      newestStamp = c.entry.mtimeNs;
    }
    existing_.push_back({std::move(c), std::move(lines), hashOf(bytes)});
  }
  return newest;
}

std::vector<TakenResult> TResultCollection::TakeExisting(Existing which, const Newest& newest) {
  std::vector<TakenResult> taken;
  // What the start read is taken in even after a stop: the totals then hold what was read.
  for (const auto& l : existing_) {
    bool wanted = which == Existing::All;
    if (which == Existing::SameTitle && newest.found && fieldCount(l.lines[1]) >= 4)
      wanted = text::split(l.lines[1], '\t')[0] == newest.title;
    seen_[l.file.entry.name] = Seen{l.file.entry, l.hash};
    TakenResult t;
    if (!wanted || !take(l.file.path, l.lines, &t)) continue;
    if (retrieve_) {
      // Into the folder of the result's own date; a date that does not read gives today's.
      platform::DateTime d;
      if (!app::ParseResultDate(t.date, d)) d = clock_->now();
      retrieveInto(ReportFolderOf(reportRoot_, d), l.file.path);
    }
    taken.push_back(std::move(t));
  }
  existing_.clear();
  return taken;
}

bool TResultCollection::StartCollection(const std::string& folder, platform::Dialogs& dialogs) {
  const Newest newest = BeginCollection(folder);
  Existing which = Existing::None;
  if (newest.found) {
    switch (dialogs.askYesNoCancel(ExistingResultsQuestion(newest.title, newest.date))) {
      case platform::Answer::Cancel:
        existing_.clear();
        return false;
      case platform::Answer::Yes:
      case platform::Answer::Ok:
        which = Existing::SameTitle;
        break;
      default:
        break;
    }
  }
  TakeExisting(which, newest);
  return true;
}

std::vector<TakenResult> TResultCollection::CollectNewResults() {
  std::vector<TakenResult> taken;
  pending_ = 0;
  for (const auto& c : resultFiles(true)) {
    if (stopped()) break;
    auto it = seen_.find(c.entry.name);
    ResultFileRead r = ReadResultThrough(fs_, c.path, true);
    if (!r.ok() && r.refusal != ResultRefusal::Damaged && r.refusal != ResultRefusal::TooFewLines) {
      if (!refusedOnRead(c, r) && r.refusal != ResultRefusal::Vanished) ++pending_;
      continue;
    }
    refusedNow_.erase(c.entry.name);
    const std::string& bytes = r.bytes;
    const std::size_t h = hashOf(bytes);
    if (it != seen_.end() && it->second.contentHash == h) {
      // Touched or written again with the same result: nothing new.
      it->second.entry = c.entry;
      continue;
    }
    const std::vector<std::string> lines = r.ok() ? std::move(r.lines) : std::vector<std::string>{};
    TakenResult t;
    if (!take(c.path, lines, &t)) {
      ++pending_;  // still being written: tried again next time
      continue;
    }
    // The stamp of the listing, taken before the read: should the file change after it, the
    // next poll reads it again and its content decides.
    seen_[c.entry.name] = Seen{c.entry, h};
    taken.push_back(std::move(t));
  }
  if (retrieve_ && !taken.empty()) {
    const std::string today = ReportFolderOf(reportRoot_, clock_->now());
    for (const auto& t : taken) retrieveInto(today, t.path);
  }
  return taken;
}

void TResultCollection::walk(const std::string& folder, std::vector<std::string>& files,
                             std::vector<std::string>& visited) {
  // A link back up the tree must not walk forever.
  const std::string real = fs_.resolve(folder);
  if (std::find(visited.begin(), visited.end(), real) != visited.end()) return;
  visited.push_back(real);
  std::vector<delivery::FileEntry> entries;
  if (!fs_.list(folder, entries)) return;
  std::sort(entries.begin(), entries.end(),
            [](const delivery::FileEntry& a, const delivery::FileEntry& b) { return a.name < b.name; });
  for (const auto& e : entries) {
    const std::string p = JoinPath(folder, e.name);
    if (e.folder)
      walk(p, files, visited);
    else if (IsResultFileName(e.name))
      files.push_back(p);
  }
}

DropOutcome TResultCollection::DropResults(const std::vector<std::string>& items) {
  DropOutcome out;
  std::vector<std::string> folders, results, old;
  std::vector<std::string> refusedTypes;
  for (const auto& item : items) {
    const std::string path = fs_.resolve(item);
    const std::string ext = lowerAscii(app::ExtensionOf(app::FileNameOf(path)));
    if (fs_.isFolder(path))
      folders.push_back(path);  // whatever its name: "class 3.a" is a folder
    else if (ext == ".ruvot")
      results.push_back(path);
    else if (ext == ".ruvt")
      old.push_back(path);
    else if (!ext.empty() || fs_.isFile(path)) {
      out.refused.push_back(item);
      const std::string type = ext.empty() ? app::FileNameOf(path) : ext;
      if (std::find(refusedTypes.begin(), refusedTypes.end(), type) == refusedTypes.end()) refusedTypes.push_back(type);
    }
  }
  for (const auto& t : refusedTypes) {
    if (!out.message.empty()) out.message += "\r\n";
    out.message += t + " このタイプのファイルには対応していません";
  }
  if (folders.empty() && results.empty() && old.empty()) return out;

  sink_.Clear();
  out.cleared = true;
  std::vector<std::string> visited;
  for (const auto& f : folders) walk(f, results, visited);
  std::set<std::string> once;  // a file dropped itself and inside a dropped folder counts once
  for (const auto& r : results) {
    if (!once.insert(r).second) continue;
    ResultFileRead read = ReadResultThrough(fs_, r);
    TakenResult t;
    if (read.ok() && take(r, read.lines, &t))
      out.taken.push_back(std::move(t));
    else if (read.refusal != ResultRefusal::Vanished)
      out.skipped.push_back({r, read.why});
  }
  // Sorted ignoring ASCII case; lines equal but for case count once.
  auto folded = [](const std::string& a, const std::string& b) { return lowerAscii(a) < lowerAscii(b); };
  std::set<std::string, decltype(folded)> firstLines(folded);
  for (const auto& o : old) {
    out.hadOldResults = true;
    std::string bytes;
    ResultRefusal refusal = ResultRefusal::None;
    std::string why;
    // The old edition's files are as small; the same guards hold.
    if (&fs_ == &delivery::RealFileSystem() ? !ReadResultBytes(o, bytes, refusal, why) : !fs_.readFile(o, bytes)) {
      if (refusal != ResultRefusal::Vanished) out.skipped.push_back({o, why.empty() ? "cannot be read" : why});
      continue;
    }
    std::vector<std::string> lines = decode(bytes);
    if (lines.empty() && !bytes.empty()) {
      // Not a compressed list: the old edition's plain text.
      storage::TCompressStringList plain;
      plain.SetText(bytes);
      lines = std::move(plain.Lines);
    }
    if (!lines.empty()) firstLines.insert(lines[0]);
  }
  out.oldLines.assign(firstLines.begin(), firstLines.end());
  return out;
}

bool H1Click(TResultCollection& collection, const delivery::TForm3Model& delivery, platform::Dialogs& dialogs,
             CollectionTimer& timer) {
  collection.SetRetrieve(delivery.cbRetrieve);
  if (!collection.StartCollection(delivery.FCollectionFolder(), dialogs)) return false;
  timer = {true, true};
  return true;
}

bool CollectionTick(TResultCollection& collection, const delivery::TForm3Model& delivery, CollectionTimer& timer) {
  timer = {false, false};
  collection.SetRetrieve(delivery.cbRetrieve);
  const bool arrived = !collection.CollectNewResults().empty();
  timer = {true, true};
  return arrived;
}

}  // namespace ruvo::report
