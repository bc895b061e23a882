#pragma once
// The web room without its sockets: the tests, the sessions and their runs, and one call that
// answers a request. The HTTP server (webroom.cpp) hands every request to Handle; tests and
// the fuzz target call it directly.
//
// Handle may be called from many threads at once. Each session has a lock of its own, held
// while its run steps; the table of sessions is locked only to look a session up or add one.
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/platform/status.h"
#include "core/web/webroom.h"

namespace ruvo::web {

// What a request may carry.
inline constexpr std::size_t kMaxBodyBytes = 64 * 1024;
inline constexpr std::size_t kMaxNameChars = 64;             // code points
inline constexpr std::size_t kMaxAnswerBytes = 4000;         // one typed answer, UTF-8
inline constexpr std::size_t kMaxAnswers = 200;              // answers of one page
inline constexpr std::size_t kMaxPhraseTimes = 10000;        // per-phrase times of one page
inline constexpr long long kMaxPageMs = 24LL * 3600 * 1000;  // a page on screen for a day at most
inline constexpr std::size_t kMaxSessions = 20000;
// The bytes of a session token (hex in the URL: twice as many characters).
inline constexpr std::size_t kTokenBytes = 32;

struct Request {
  std::string method;  // "GET", "POST", ...
  std::string path;    // decoded, without the query
  std::map<std::string, std::string> query;
  std::string body;
};

struct Reply {
  int status = 200;
  std::string contentType = "application/json; charset=utf-8";
  std::string body;
};

// The runner's files built into the program: file name -> bytes.
const std::map<std::string, std::string>& EmbeddedWebFiles();

class TRoomCore {
 public:
  // Reads the tests of the folder, makes the folders results and journals go to, and
  // restores the sessions whose journals are unfinished. nullptr with a failed status when the
  // folder cannot be read or a folder cannot be made.
  static std::unique_ptr<TRoomCore> Open(const RoomOptions& options, platform::Status* status);
  virtual ~TRoomCore() = default;

  virtual Reply Handle(const Request& request) = 0;
  virtual std::string Code() const = 0;
  virtual std::vector<TestCount> Counts() const = 0;
  // The journal folder in use (the default when the options gave none).
  virtual std::string JournalFolder() const = 0;
  // Sessions restored from their journals when the room opened.
  virtual int Restored() const = 0;
};

// The journal folder when the options name none: "web-journal" inside the collection folder.
std::string DefaultJournalFolder(const RoomOptions& options);

}  // namespace ruvo::web
