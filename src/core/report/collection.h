#pragma once
// Result collection: result files dropped on the main window, the start of automatic
// collection from the collection folder, and the poll that takes in what arrives there.
//
// The poll remembers every file it has looked at by path, size, time stamps, identity and
// content, so a result is taken in once whatever its time stamp says (two examinees in the
// same second, a share with coarse stamps, a file copied with an old stamp), and a file
// caught half-written (the empty file that claims a name, a stream that does not decode yet)
// is tried again at every poll until it is complete.
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/delivery/delivery.h"
#include "core/delivery/filesystem.h"
#include "core/platform/ports.h"
#include "core/report/resultfile.h"

namespace ruvo::report {

// Where taken-in results go: the main window's sum-up list.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  virtual void Clear() = 0;
  // The lines of one result file (at least two).
  virtual void AddResult(const std::vector<std::string>& lines) = 0;
};

// The lines of a result file; empty when it cannot be read or does not decode.
std::vector<std::string> ReadResultLines(delivery::FileSystem& fs, const std::string& path);
// One result file through fs: on the disk never blocking, regular files only, within the size
// limits (resultfile.h); through another file system (tests) as that one reads it.
ResultFileRead ReadResultThrough(delivery::FileSystem& fs, const std::string& path, bool keepBytes = false);

// A file under a result file's name that is not taken in, and why.
struct SkippedFile {
  std::string path;
  std::string why;
  bool operator==(const SkippedFile&) const = default;
};
// The report folder of a day: reportRoot/yyyy/mm/dd (the root is the program folder's "report").
std::string ReportFolderOf(const std::string& reportRoot, const platform::DateTime& day);
// True for a name ending in ".ruvot" (any case).
bool IsResultFileName(const std::string& name);

// One result taken in.
struct TakenResult {
  std::string path;
  std::string title, name, date;  // fields 0, 1 and 2 of its value line ("" when missing)
};

// The question asked when automatic collection starts on a folder that already holds results.
std::string ExistingResultsQuestion(const std::string& title, const std::string& date);

// What a drop on the main window brought.
struct DropOutcome {
  bool cleared = false;               // the sum-up list was cleared: something could be taken in
  std::vector<TakenResult> taken;     // results passed to AddResult
  std::vector<std::string> oldLines;  // first lines of old-edition results, sorted, each once
  bool hadOldResults = false;         // an old-edition result was dropped
  std::vector<std::string> refused;   // items of a type that is not taken in
  std::string message;                // the message for the refused items ("" when none)
  std::vector<SkippedFile> skipped;   // result files that could not be taken in, and why
};

class TResultCollection final {
 public:
  // reportRoot: where the dated report folders go (the program folder's "report"); clock: the
  // day of collection (the system's clock when null).
  TResultCollection(delivery::FileSystem& fs, ResultSink& sink, platform::Clock* clock, std::string reportRoot);

  // --- automatic collection ---
  enum class Existing { SameTitle, None, All };
  struct Newest {
    bool found = false;  // a complete result file is there
    std::string path, title, date;
  };
  // Clears the sink and forgets every file seen before; the newest complete result file of
  // folder (the one the start question names).
  Newest BeginCollection(const std::string& folder);
  // Takes in the results already in the folder: those of the newest one's title (SameTitle),
  // none (None), or all (All). Every complete file not taken is remembered as seen, so the
  // poll takes only what arrives or changes later; incomplete files wait for the poll. With
  // retrieve, each taken file is copied into the report folder of its own date.
  std::vector<TakenResult> TakeExisting(Existing which, const Newest& newest);
  // The start as the menu item runs it after the delivery window closed with OK: the
  // question with Yes (same title), No (none) or Cancel. False when cancelled.
  bool StartCollection(const std::string& folder, platform::Dialogs& dialogs);

  // The poll: every result file of the folder not taken yet, or changed in content since it
  // was taken, goes to the sink. With retrieve, the taken files are copied into today's
  // report folder. The results taken, in the order of their file names.
  std::vector<TakenResult> CollectNewResults();

  // Whether taken files are copied into report folders (the delivery window's check box).
  void SetRetrieve(bool on) { retrieve_ = on; }
  bool Retrieve() const { return retrieve_; }
  const std::string& Folder() const { return folder_; }
  // Result files seen in the folder that are still incomplete (fewer than two lines).
  int PendingCount() const { return pending_; }
  // Files under result names that are refused as they are now (not a regular file, unreadable,
  // too large); each is looked at again only once it changes.
  int RefusedCount() const { return static_cast<int>(refusedNow_.size()); }
  // The files refused since the last call, each once per change.
  std::vector<SkippedFile> TakeRefused() { return std::exchange(newlyRefused_, {}); }
  // Copies into report folders that failed since the last call (an existing copy is no failure).
  std::vector<SkippedFile> TakeCopyFailures() { return std::exchange(copyFailures_, {}); }
  // The last listing of the collection folder failed.
  bool ListFailed() const { return listFailed_; }
  // When set and true, reading stops after the file at hand (at the start and in the poll);
  // what was read is still taken in.
  void SetStop(const std::atomic<bool>* stop) { stop_ = stop; }

  // --- drops ---
  // Clears the sink when the drop holds anything to take in, then takes in every dropped
  // folder (its result files, all subfolders included), every dropped result file, and the
  // first lines of old-edition results. Items of other types are listed in the message
  // "<ext> このタイプのファイルには対応していません", one line per type.
  DropOutcome DropResults(const std::vector<std::string>& items);

 private:
  struct Seen {
    delivery::FileEntry entry;  // as listed when last read
    std::size_t contentHash = 0;
  };
  static bool same(const delivery::FileEntry& a, const delivery::FileEntry& b) {
    return a.size == b.size && a.mtimeNs == b.mtimeNs && a.ctimeNs == b.ctimeNs && a.inode == b.inode;
  }
  struct Candidate {
    std::string path;
    delivery::FileEntry entry;
  };
  // The result files of the folder; with changedOnly those not seen as they are now.
  std::vector<Candidate> resultFiles(bool changedOnly);
  bool take(const std::string& path, const std::vector<std::string>& lines, TakenResult* out);
  // A read that failed: true when the file is refused (remembered until it changes), false
  // when it is incomplete or gone.
  bool refusedOnRead(const Candidate& c, const ResultFileRead& r);
  bool stopped() const { return stop_ && stop_->load(); }
  void retrieveInto(const std::string& reportFolder, const std::string& path);
  std::vector<SkippedFile> copyFailures_;
  bool listFailed_ = false;
  void walk(const std::string& folder, std::vector<std::string>& files, std::vector<std::string>& visited);

  delivery::FileSystem& fs_;
  ResultSink& sink_;
  platform::Clock* clock_;
  std::string reportRoot_;
  std::string folder_;
  bool retrieve_ = false;
  int pending_ = 0;
  std::unordered_map<std::string, Seen> seen_;     // by file name in the folder
  std::map<std::string, std::string> refusedNow_;  // by file name: why
  std::vector<SkippedFile> newlyRefused_;
  const std::atomic<bool>* stop_ = nullptr;
  // Filled by BeginCollection for TakeExisting: the complete files with their lines.
  struct Loaded {
    Candidate file;
    std::vector<std::string> lines;
    std::size_t hash = 0;
  };
  std::vector<Loaded> existing_;
};

// The feedback window's collection timer and its rotating animation, as automatic collection
// switches them.
struct CollectionTimer {
  bool enabled = false;
  bool animating = false;
};

// The menu item's steps once the delivery window closed with OK (the caller shows that window
// and stops the forward-delay timer): the start on the delivery window's collection folder
// with its retrieve option, then the timer and the animation run. False when cancelled; the
// caller shows the graph otherwise.
bool H1Click(TResultCollection& collection, const delivery::TForm3Model& delivery, platform::Dialogs& dialogs,
             CollectionTimer& timer);
// One tick of the collection timer: timer and animation are off while the poll works, so a
// slow poll never overlaps the next tick, and on again afterwards; the retrieve option is
// read from the delivery window as it is now. True when results were taken in (the caller
// redraws the graph).
bool CollectionTick(TResultCollection& collection, const delivery::TForm3Model& delivery, CollectionTimer& timer);

}  // namespace ruvo::report
