#pragma once
// The journal of a run: one append-only file per run beside the result files, one record
// per press that ended a page or a phrase. A record is its length and CRC-32 (both 32-bit
// little-endian) and then its payload of "key=value" lines; each is written whole and synced
// before the run goes on, so a crash at any instant leaves every complete record readable
// and at most one torn record at the end, which the reader drops.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/status.h"

namespace ruvo::app {

// The file's first bytes.
inline constexpr std::string_view kJournalMagic = "RUVOJOURNAL1\n";
inline constexpr const char* kJournalExtension = ".ruvoj";
// No record of ours comes near this: a larger length is a torn or foreign file.
inline constexpr std::uint32_t kMaxJournalRecord = 1u << 20;

// Which test a journal belongs to: its file name and a checksum of its bytes, so that an
// edited test of the same name is never resumed.
struct JournalTest {
  std::string file;  // the test document's file name
  std::uint32_t crc = 0;
  std::string title;
  bool operator==(const JournalTest&) const = default;
};

// The file name and checksum of the test document at path (a checksum of 0 when it cannot
// be read).
JournalTest JournalTestOf(const std::string& path);

struct JournalAnswer {
  int q = 0;          // 1-based over the whole test
  int answer = -1;    // choice number, 99 for a typed text, -1 for none
  std::string typed;  // the typed text of a field question
  std::string score;  // "1", "0" or "" (unanswered or no correct choice)
  bool operator==(const JournalAnswer&) const = default;
};

struct JournalEvent {
  enum class Type : std::uint8_t {
    Start,     // the run's header: the test, the tick the first page appeared
    Page,      // a page ended
    Phrase,    // a phrase of a page shown phrase by phrase ended
    BreakOff,  // the examinee broke off the test
    Finished,  // the result file was written
    SetAside,  // the examinee chose to start afresh instead of resuming this run
  };
  Type type = Type::Page;
  int page = -1;                       // page index (0-based)
  int kind = 0;                        // the page's kind number
  int phrase = -1;                     // the phrase index, -1 for a whole page
  std::int64_t ms = 0;                 // milliseconds the page or phrase was on screen
  std::int64_t tick = 0;               // the run's monotonic tick at the press
  bool press = true;                   // a press of Forward (a page's last phrase shares the press that ends the page)
  int words = 0;                       // words of a timed reading that ended with this page
  int seconds = 0;                     // its whole seconds
  std::string name;                    // the examinee's name so far
  std::string date;                    // the wall-clock date "yyyy/mm/dd hh:nn:ss"
  std::vector<JournalAnswer> answers;  // the answers of the questions on the page
  JournalTest test;                    // Start only
  std::string resultFile;              // Finished only
  bool operator==(const JournalEvent&) const = default;
};

std::string EncodeJournalEvent(const JournalEvent& e);
// False for a payload that is not an event of ours.
bool DecodeJournalEvent(std::string_view payload, JournalEvent& e);
// Length, checksum and payload.
std::string FrameJournalRecord(std::string_view payload);

struct JournalContents {
  std::vector<JournalEvent> events;  // the Start event first
  std::size_t validBytes = 0;        // the end of the last whole record
  bool torn = false;                 // bytes after it were dropped
  bool Unfinished() const;           // a run that neither finished nor was set aside
  // Page and phrase events (the presses to replay).
  int PageEvents() const;
  const JournalTest* Test() const;
};

// Reads whole records up to the first that is short, too long or fails its checksum. False
// when the bytes are not a journal at all (no magic, no Start record first).
bool ParseJournal(std::string_view bytes, JournalContents& out);
platform::Status ReadJournalFile(const std::string& path, JournalContents& out);

// The unfinished journals of a test in a folder, the one written last at the end.
std::vector<std::string> FindUnfinishedJournals(const std::string& folder, const JournalTest& test);
// All journals in a folder (or the file itself), sorted by name.
std::vector<std::string> JournalFilesIn(const std::string& path);

// Appends records to one journal file, each synced to the disk before Append returns.
class TRunJournalWriter final {
 public:
  TRunJournalWriter() = default;
  ~TRunJournalWriter();
  TRunJournalWriter(const TRunJournalWriter&) = delete;
  TRunJournalWriter& operator=(const TRunJournalWriter&) = delete;

  // A new journal in folder, named after the test and the date with a counter that makes
  // it unique: the name is claimed by an exclusive create, so runs never share a file.
  platform::Status Create(const std::string& folder, const std::string& stem);
  // An existing journal, cut back to its last whole record, appended from there.
  platform::Status Reopen(const std::string& path, std::size_t validBytes);
  platform::Status Append(const JournalEvent& e);
  const std::string& Path() const { return path_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Syncing each record can be left out where the caller measures its cost.
  void SetSync(bool on) { sync_ = on; }

 private:
  platform::Status writeAll(std::string_view bytes);
  int fd_ = -1;
  std::string path_;
  bool sync_ = true;
};

}  // namespace ruvo::app
