// ruvo-tool serve: the web test room on the command line, until SIGTERM or Ctrl+C.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "core/text/strings.h"
#include "core/web/roomcore.h"
#include "core/web/webroom.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

int runServe(const Args& args) {
  ParsedArgs parsed;
  if (int rc = parseArgs("serve", args,
                         {{}, {"--collection", "--report", "--bind", "--port", "--code", "--journal", "--web-root"}},
                         parsed);
      rc != kOk)
    return rc;
  if (parsed.operands.size() != 1) return usageError("serve", "one folder of tests is needed");
  web::RoomOptions o;
  o.folder = parsed.operands[0];
  for (const auto& [a, v] : parsed.options) {
    if (a == "--collection") {
      o.collection = v;
    } else if (a == "--report") {
      o.report = v;
    } else if (a == "--bind") {
      o.bind = v;
    } else if (a == "--port") {
      const auto n = text::parseInt(v);
      if (!n || *n < 0 || *n > 65535) return usageError("serve", "not a port: " + v);
      o.port = *n;
    } else if (a == "--code") {
      if (text::trim(v).empty()) return usageError("serve", "the class code cannot be blank");
      o.code = text::trim(v);
    } else if (a == "--journal") {
      o.journal = v;
    } else if (a == "--web-root") {
      o.webRoot = v;
    }
  }
  if (o.collection.empty()) return usageError("serve", "--collection DIR is needed");

  // The signals are taken by this thread alone: the server's threads are made with them blocked.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  platform::Status st;
  auto room = web::TWebRoom::Start(o, &st);
  if (!room) return refuse(st.message());
  std::cout << room->Address() << "\n" << room->Code() << std::endl;
  std::fflush(stdout);
  int sig = 0;
  sigwait(&stop, &sig);
  room->Stop();
  return kOk;
}

const ToolCommand serveCommand{
    "serve",
    "  serve FOLDER --collection DIR [--report DIR] [--bind ADDR] [--port N] [--code CODE] [--journal DIR]\n"
    "      serves the tests (.ruvo) of FOLDER to browsers on the network: the web test room. Prints\n"
    "      its address (http://ADDR:PORT/) as the first line once it listens, then the class code\n"
    "      (--code, else a short random one). Results are written into --collection (and --report)\n"
    "      as the examinee program writes them; runs are journaled in --journal (default\n"
    "      DIR/web-journal of the collection) and resumed when the room starts again on it.\n"
    "      --bind defaults to 0.0.0.0 (every network of the machine), --port to any free port.\n"
    "      --web-root DIR serves the runner's files from DIR instead of the copy built in (development).\n"
    "      Stops after the responses in flight on SIGTERM or Ctrl+C.\n",
    runServe};

}  // namespace
}  // namespace ruvo::tool
