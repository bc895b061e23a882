#pragma once
// The web test room: the tests (.ruvo) of one folder served to browsers on the local
// network. Each examinee's run lives on the server (one TTestRun per session, journaled);
// the browser only shows the pages the room hands it and measures the time on screen.
// Results are written into the collection folder (and the report folder) exactly as the
// examinee program writes them.
//
// The room is safe to query from another thread while it serves (Counts, Address, Code).
#include <memory>
#include <string>
#include <vector>

#include "core/platform/status.h"

namespace ruvo::web {

struct RoomOptions {
  std::string folder;      // the tests served: the .ruvo files directly in it
  std::string collection;  // result files are written here
  std::string report;      // and here too, as the examinee program does ("" none)
  std::string journal;     // run journals ("" the room's default, see Start)
  std::string bind = "0.0.0.0";
  int port = 0;            // 0: any free port
  std::string code;        // the class code ("" a short random one)
  std::string webRoot;     // the runner's files ("" the installed data/web)
};

// How many examinees are taking and have finished one test.
struct TestCount {
  std::string id;
  std::string title;
  int taking = 0;
  int finished = 0;
};

class TWebRoom {
 public:
  virtual ~TWebRoom() = default;
  // Listening when it returns; nullptr and a failed status (the message says why, e.g. the
  // port is taken or the folder cannot be read) otherwise.
  static std::unique_ptr<TWebRoom> Start(const RoomOptions& options, platform::Status* status);

  // "http://ADDR:PORT/": with a wildcard bind, the machine's address on the local network.
  virtual std::string Address() const = 0;
  virtual std::string Code() const = 0;
  virtual std::vector<TestCount> Counts() const = 0;
  // Stops after the responses in flight; the destructor stops too.
  virtual void Stop() = 0;
};

}  // namespace ruvo::web
