// The web room over real HTTP on the loopback: whole runs give the result files `simulate`
// writes, a restarted room resumes every examinee and writes each result once, no response
// before the result page tells a correct choice, and hostile requests change nothing.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "core/app/simulation.h"
#include "core/document/documentfile.h"
#include "core/storage/compressstringlist.h"
#include "core/text/strings.h"
#include "core/web/roomcore.h"
#include "core/web/webroom.h"
#include "support/tempdir.h"

namespace ruvo::web {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

const std::string kSamples = std::string(RUVO_DATA_DIR) + "/system/ruvof/sample/";

// One examinee's inputs, as `simulate` takes them.
struct Inputs {
  std::string name;
  std::vector<std::string> answers;                  // per question of the test, in document order
  std::vector<double> seconds;                       // per page
  std::map<int, std::vector<double>> phraseSeconds;  // per phrase, by page index
};

struct Room {
  testsupport::TempDir dir{"webroom"};
  std::string tests = dir / "tests";
  std::string collection = dir / "collection";
  std::string report = dir / "report";
  std::unique_ptr<TWebRoom> room;
  int port = 0;

  explicit Room(const std::vector<std::string>& samples) {
    fs::create_directories(tests);
    for (const auto& s : samples) fs::copy_file(kSamples + s, tests + "/" + s);
  }
  void start() {
    RoomOptions o;
    o.folder = tests;
    o.collection = collection;
    o.report = report;
    o.bind = "127.0.0.1";
    o.code = "ABC123";
    platform::Status st;
    room = TWebRoom::Start(o, &st);
    ASSERT_TRUE(room) << st.message();
    const std::string a = room->Address();
    port = std::stoi(a.substr(a.rfind(':') + 1));
  }
  httplib::Client client() const {
    httplib::Client c("127.0.0.1", port);
    c.set_read_timeout(20, 0);
    return c;
  }
};

json post(httplib::Client& c, const std::string& path, const json& body, int expect = 200) {
  auto res = c.Post(path.c_str(), body.dump(), "application/json");
  EXPECT_TRUE(res);
  if (!res) return {};
  EXPECT_EQ(res->status, expect) << path << " " << res->body;
  return json::parse(res->body, nullptr, false);
}

std::vector<std::string> resultFields(const std::string& file) {
  storage::TCompressStringList list;
  EXPECT_TRUE(list.LoadFromFile(file)) << file;
  if (list.Count() != 2) return {};
  std::vector<std::string> out = text::split(list[0], '\t');
  for (const auto& v : text::split(list[1], '\t')) out.push_back(v);
  return out;
}

std::vector<std::string> resultFiles(const std::string& folder) {
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".ruvot") out.push_back(it->path().string());
  std::sort(out.begin(), out.end());
  return out;
}

// The header and values of the result file `simulate` writes, with the date and the test time
// blanked (the web room takes them from its own clock).
std::vector<std::string> simulated(const std::string& test, const Inputs& in, const std::string& out) {
  app::SimulationOptions o;
  o.document = test;
  o.name = in.name;
  o.answers = in.answers;
  o.seconds = in.seconds;
  o.phraseSeconds = in.phraseSeconds;
  o.date = {2026, 12, 10, 9, 0, 0};
  o.outFolder = out;
  o.programFolder = out;
  const app::SimulationResult r = app::SimulateRun(o);
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_FALSE(r.resultFile.empty()) << r.noResultFile;
  return resultFields(r.resultFile);
}

std::vector<std::string> withoutClock(std::vector<std::string> fields) {
  const std::size_t half = fields.size() / 2;
  for (std::size_t i = 0; i < half; ++i)
    if (fields[i] == "date" || fields[i] == "time") fields[half + i] = "*";
  return fields;
}

// A browser walking the pages it is handed. stopAfter: leave off after that many Forwards
// (-1: to the end). Every response body is kept.
struct Walker {
  explicit Walker(Inputs i) : in(std::move(i)) {}
  Inputs in;
  std::string token;
  json page;
  int questionsSeen = 0;
  int phraseTimesSent = 0;
  std::vector<std::string> bodies;

  json forwardBody() {
    json b;
    b["page"] = page["index"];
    const int index = page["index"].get<int>();
    const double s = index < static_cast<int>(in.seconds.size()) ? in.seconds[static_cast<std::size_t>(index)] : 10;
    b["ms"] = s * 1000;
    json answers = json::array();
    if (page["kind"] == "question") {
      for (std::size_t k = 0; k < page["questions"].size(); ++k) {
        const std::size_t q = static_cast<std::size_t>(questionsSeen) + k;
        const std::string a = q < in.answers.size() ? in.answers[q] : "-";
        if (a == "-")
          answers.push_back(nullptr);
        else if (page["questions"][k]["kind"] == "text")
          answers.push_back(a);
        else
          answers.push_back(std::stoi(a));
      }
    }
    b["answers"] = answers;
    if (page["kind"] == "name") b["name"] = in.name;
    if (auto it = in.phraseSeconds.find(index); it != in.phraseSeconds.end() && page.contains("phrases")) {
      json ms = json::array();
      for (double p : it->second) ms.push_back(p * 1000);
      b["phraseMs"] = ms;
      ++phraseTimesSent;
    }
    return b;
  }
  void start(httplib::Client& c, const std::string& test) {
    const json r = post(c, "/api/sessions", {{"code", "abc123"}, {"test", test}});
    token = r["session"];
    page = r["page"];
    bodies.push_back(r.dump());
  }
  bool step(httplib::Client& c) {
    if (page["kind"] == "result") return false;
    const json b = forwardBody();
    const json r = post(c, "/api/sessions/" + token + "/forward", b);
    if (!r.contains("page")) return false;
    if (page["kind"] == "question" && r["page"]["index"] != page["index"])
      questionsSeen += static_cast<int>(page["questions"].size());
    page = r["page"];
    bodies.push_back(r.dump());
    return true;
  }
  void walk(httplib::Client& c, int stopAfter = -1) {
    for (int n = 0; n < 500 && stopAfter != 0 && step(c); ++n)
      if (stopAfter > 0) --stopAfter;
  }
};

const Inputs kFables{"Sato", {"1", "2", "2", "1", "Work now, sing later"}, {5, 5, 40, 20, 30, 20}, {}};
const Inputs kMarket{"鈴木 花子", {"2", "1", "3", "-", "1"}, {4, 7, 33, 12, 25, 9, 14, 8}, {}};

TEST(WebRoom, WholeRunsWriteTheResultSimulateWrites) {
  struct Case {
    std::string test;
    Inputs in;
  };
  Inputs phrased = kFables;
  phrased.phraseSeconds = {{2, {1.5, 2.25, 0.75, 3}}};
  for (const Case& c : {Case{"sample2-fables.ruvo", kFables}, Case{"sample2-fables.ruvo", phrased},
                        Case{"sample4-market.ruvo", kMarket}}) {
    SCOPED_TRACE(c.test);
    Room r({c.test});
    r.start();
    auto cli = r.client();
    Walker w{c.in};
    w.start(cli, c.test);
    w.walk(cli);
    ASSERT_EQ(w.page["kind"], "result");
    EXPECT_EQ(w.phraseTimesSent, static_cast<int>(c.in.phraseSeconds.size()));
    EXPECT_FALSE(w.page["record"].get<std::string>().empty());
    const auto files = resultFiles(r.collection);
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(resultFiles(r.report).size(), 1u);
    testsupport::TempDir sim("sim");
    const auto want = simulated(r.tests + "/" + c.test, c.in, sim.path());
    EXPECT_EQ(withoutClock(resultFields(files[0])), withoutClock(want));
    EXPECT_EQ(fs::path(files[0]).filename(), fs::path(resultFiles(r.report)[0]).filename());
    // A reload after the end shows the result page again and writes nothing more.
    auto res = cli.Get(("/api/sessions/" + w.token).c_str());
    ASSERT_TRUE(res);
    EXPECT_EQ(json::parse(res->body)["page"]["kind"], "result");
    EXPECT_EQ(r.room->Counts()[0].finished, 1);
    EXPECT_EQ(r.room->Counts()[0].taking, 0);
  }
}

TEST(WebRoom, RestartedRoomResumesEveryExamineeAndWritesEachResultOnce) {
  Room r({"sample2-fables.ruvo", "sample4-market.ruvo"});
  r.start();
  std::vector<Walker> walkers;
  std::vector<std::string> tests;
  {
    auto cli = r.client();
    // Stopped after each number of Forwards in turn, on both tests.
    for (int stop = 0; stop < 7; ++stop)
      for (const std::string t : {"sample2-fables.ruvo", "sample4-market.ruvo"}) {
        Walker w{t == "sample2-fables.ruvo" ? kFables : kMarket};
        w.in.name += std::to_string(stop);
        w.start(cli, t);
        w.walk(cli, stop);
        walkers.push_back(w);
        tests.push_back(t);
      }
  }
  r.room.reset();  // the server goes away mid-run
  r.start();
  auto cli = r.client();
  for (std::size_t i = 0; i < walkers.size(); ++i) {
    SCOPED_TRACE(i);
    Walker& w = walkers[i];
    auto res = cli.Get(("/api/sessions/" + w.token).c_str());
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200) << res->body;
    const json p = json::parse(res->body)["page"];
    EXPECT_EQ(p["index"], w.page["index"]);
    EXPECT_EQ(p["kind"], w.page["kind"]);
    w.walk(cli);
    ASSERT_EQ(w.page["kind"], "result");
  }
  const auto files = resultFiles(r.collection);
  ASSERT_EQ(files.size(), walkers.size());
  EXPECT_EQ(resultFiles(r.report).size(), walkers.size());
  for (std::size_t i = 0; i < walkers.size(); ++i) {
    SCOPED_TRACE(i);
    testsupport::TempDir sim("sim");
    const auto want = withoutClock(simulated(r.tests + "/" + tests[i], walkers[i].in, sim.path()));
    bool found = false;
    for (const auto& f : files) found = found || withoutClock(resultFields(f)) == want;
    EXPECT_TRUE(found);
  }
  // A third start finds every run finished: nothing is written again.
  r.room.reset();
  r.start();
  EXPECT_EQ(resultFiles(r.collection).size(), walkers.size());
}

// Two tests that differ only in which choice is correct: every response before the result
// page is the same for both.
TEST(WebRoom, NoResponseBeforeTheResultPageTellsTheCorrectChoice) {
  auto make = [](const std::string& folder, const std::string& a, const std::string& b) {
    fs::create_directories(folder);
    const std::string src =
        "title=Choice\r\nautoqa=1\r\nscore=1\r\n<page name>\r\nname\r\n<page start>\r\nRead this.\r\n"
        "<page timerOn>\r\n??Which?\r\n" +
        a + "left\r\n" + b + "right\r\n?!Why?\r\n<page last>\r\n";
    ASSERT_TRUE(doc::SaveDocumentFile(folder + "/choice.ruvo", doc::TextFromBytes(src), nullptr));
  };
  std::vector<std::vector<std::string>> bodies;
  for (const auto& [a, b] : {std::pair<std::string, std::string>{"?*", "?"}, {"?", "?*"}}) {
    Room r({});
    make(r.tests, a, b);
    r.start();
    auto cli = r.client();
    Walker w(Inputs{"Ito", {"2", "because"}, {3, 4, 5}, {}});
    w.start(cli, "choice.ruvo");
    w.walk(cli);
    ASSERT_EQ(w.page["kind"], "result");
    std::vector<std::string> before;
    for (std::size_t i = 0; i + 1 < w.bodies.size(); ++i)
      before.push_back(text::replaceAll(w.bodies[i], w.token, "TOKEN"));
    for (const auto& s : before) EXPECT_EQ(s.find("correct"), std::string::npos) << s;
    bodies.push_back(before);
  }
  EXPECT_EQ(bodies[0], bodies[1]);
}

// Without online answering the examinee program offers no Copy and writes no result file:
// neither does the room, and the browser is given no answer fields.
TEST(WebRoom, WithoutOnlineAnsweringNoResultFileIsWritten) {
  Room r({});
  fs::create_directories(r.tests);
  const std::string src =
      "title=Paper\r\nautoqa=0\r\n<page name>\r\nname\r\n<page start>\r\nRead this now.\r\n"
      "<page>\r\n??Which?\r\n?*left\r\n?right\r\n<page last>\r\n";
  ASSERT_TRUE(doc::SaveDocumentFile(r.tests + "/paper.ruvo", doc::TextFromBytes(src), nullptr));
  r.start();
  auto cli = r.client();
  Walker w(Inputs{"Abe", {}, {2, 3, 4}, {}});
  w.start(cli, "paper.ruvo");
  w.walk(cli);
  ASSERT_EQ(w.page["kind"], "result");
  EXPECT_EQ(w.page["saved"], false);
  for (const auto& b : w.bodies) EXPECT_EQ(b.find("\"choices\""), std::string::npos) << b;
  EXPECT_TRUE(resultFiles(r.collection).empty());
  testsupport::TempDir sim("sim");
  app::SimulationOptions o;
  o.document = r.tests + "/paper.ruvo";
  o.name = "Abe";
  o.seconds = {2, 3, 4};
  o.outFolder = o.programFolder = sim.path();
  const auto s = app::SimulateRun(o);
  ASSERT_TRUE(s.ok) << s.error;
  EXPECT_TRUE(s.resultFile.empty());
  // Started again, the room does not take the finished run up again.
  r.room.reset();
  r.start();
  EXPECT_EQ(r.room->Counts()[0].finished, 1);
  EXPECT_TRUE(resultFiles(r.collection).empty());
}

int rawStatus(int port, const std::string& request) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  (void)!::write(fd, request.data(), request.size());
  std::string got;
  char buf[4096];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) got.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  if (got.size() < 12) return -1;
  EXPECT_EQ(got.find("root:"), std::string::npos);
  return std::stoi(got.substr(9, 3));
}

TEST(WebRoom, HostileRequestsChangeNoResult) {
  Room r({"sample2-fables.ruvo"});
  fs::create_directories(r.dir / "secret");
  std::ofstream(r.dir / "secret/passwd") << "root:x:0:0";
  r.start();
  auto cli = r.client();

  // A slow client holds a connection open with half a request the whole time.
  const int slow = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(r.port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(slow, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  const std::string half = "POST /api/sessions HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\n{";
  (void)!::write(slow, half.data(), half.size());

  Walker w{kFables};
  w.start(cli, "sample2-fables.ruvo");
  w.walk(cli, 3);
  const std::string tok = w.token;
  const json here = w.page;
  const std::string fwd = "/api/sessions/" + tok + "/forward";
  std::string forged = tok;
  forged[0] = forged[0] == 'a' ? 'b' : 'a';
  struct Hostile {
    const char* what;
    std::string method, path, body;
    int status;
  };
  const std::vector<Hostile> table{
      {"wrong code on the list", "GET", "/api/tests?code=WRONG", "", 403},
      {"no code", "GET", "/api/tests", "", 403},
      {"wrong code on joining", "POST", "/api/sessions", R"({"code":"nope","test":"sample2-fables.ruvo"})", 403},
      {"unknown test", "POST", "/api/sessions", R"({"code":"ABC123","test":"../secret/passwd"})", 404},
      {"forged token", "POST", "/api/sessions/" + forged + "/forward", R"({"page":0,"ms":1})", 404},
      {"forged token read", "GET", "/api/sessions/" + forged, "", 404},
      {"token too short", "GET", "/api/sessions/abc", "", 404},
      {"bad JSON", "POST", fwd, "{\"page\": 3,", 400},
      {"not an object", "POST", fwd, "[1,2,3]", 400},
      {"negative ms", "POST", fwd, R"({"page":3,"ms":-5})", 400},
      {"ms as text", "POST", fwd, R"({"page":3,"ms":"5"})", 400},
      {"huge ms", "POST", fwd, R"({"page":3,"ms":1e300})", 400},
      {"answers not a list", "POST", fwd, R"({"page":3,"ms":5,"answers":{}})", 400},
      {"name too long", "POST", fwd, R"({"page":3,"ms":5,"name":")" + std::string(300, 'x') + "\"}", 400},
      {"huge body", "POST", fwd, std::string(200000, ' '), 413},
      {"path traversal", "GET", "/../secret/passwd", "", 404},
      {"encoded traversal", "GET", "/%2e%2e/secret/passwd", "", 404},
      {"runner traversal", "GET", "/runner.js/../../secret/passwd", "", 404},
      {"absolute path", "GET", "//etc/passwd", "", 404},
      {"hidden file", "GET", "/.git", "", 404},
      {"unknown file", "GET", "/index.htm", "", 404},
      {"wrong method", "DELETE", "/api/sessions/" + tok, "", 405},
  };
  for (const auto& h : table) {
    SCOPED_TRACE(h.what);
    const std::string req =
        h.method + " " + h.path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n" +
        (h.body.empty()
             ? ""
             : "Content-Type: application/json\r\nContent-Length: " + std::to_string(h.body.size()) + "\r\n") +
        "\r\n" + h.body;
    EXPECT_EQ(rawStatus(r.port, req), h.status);
  }
  // Error bodies say why, in JSON.
  auto res = cli.Get("/api/tests?code=WRONG");
  ASSERT_TRUE(res);
  EXPECT_TRUE(json::parse(res->body).contains("error"));
  // Events for other pages than the one on screen: sent twice, late, or ahead.
  const int index = here["index"].get<int>();
  for (int other : {index - 1, index + 1, index + 5, -1, 1 << 30}) {
    const json p = post(cli, fwd, {{"page", other}, {"ms", 999999}, {"answers", json::array()}})["page"];
    EXPECT_EQ(p, here) << other;
  }
  // Answers that do not fit the page are refused whole.
  auto bad = cli.Post(
      fwd.c_str(), json{{"page", index}, {"ms", 1}, {"answers", json::array({99, 99, 99, 99, 99, 99, 99, 99})}}.dump(),
      "application/json");
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->status, 400);
  auto again = cli.Get(("/api/sessions/" + tok).c_str());
  ASSERT_TRUE(again);
  EXPECT_EQ(json::parse(again->body)["page"], here);

  // The examinee goes on and finishes as if none of that happened.
  w.walk(cli);
  ASSERT_EQ(w.page["kind"], "result");
  ::close(slow);
  const auto files = resultFiles(r.collection);
  ASSERT_EQ(files.size(), 1u);
  testsupport::TempDir sim("sim");
  EXPECT_EQ(withoutClock(resultFields(files[0])),
            withoutClock(simulated(r.tests + "/sample2-fables.ruvo", kFables, sim.path())));
  // Nothing was written outside the collection, report and journal folders.
  for (const auto& e : fs::directory_iterator(r.dir.path()))
    EXPECT_TRUE(e.path().filename() == "tests" || e.path().filename() == "collection" ||
                e.path().filename() == "report" || e.path().filename() == "secret")
        << e.path();
}

TEST(WebRoom, ServesTheRunnerPageAndListsTheTests) {
  Room r({"sample2-fables.ruvo", "sample4-market.ruvo"});
  r.start();
  auto cli = r.client();
  auto index = cli.Get("/");
  ASSERT_TRUE(index);
  EXPECT_EQ(index->status, 200);
  EXPECT_NE(index->body.find("<html"), std::string::npos);
  EXPECT_EQ(index->get_header_value("Content-Type"), "text/html; charset=utf-8");
  auto list = cli.Get("/api/tests?code=abc123");
  ASSERT_TRUE(list);
  ASSERT_EQ(list->status, 200);
  const json tests = json::parse(list->body)["tests"];
  ASSERT_EQ(tests.size(), 2u);
  EXPECT_EQ(tests[0]["id"], "sample2-fables.ruvo");
  EXPECT_EQ(tests[0]["title"], "Sample 2 Two Fables");
}

}  // namespace
}  // namespace ruvo::web
