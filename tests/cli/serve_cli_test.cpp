// ruvo-tool serve as a class meets it: the address and the code on standard output, the
// server killed with SIGKILL while examinees are half-way, started again on the same
// folders, every examinee resumed and finished with one result file each.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "core/app/simulation.h"
#include "core/storage/compressstringlist.h"
#include "core/text/strings.h"
#include "support/tempdir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

struct Server {
  pid_t pid = -1;
  std::string address, code;
  int port = 0;

  void start(const std::vector<std::string>& args) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::vector<std::string> all{RUVO_TOOL, "serve"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    ASSERT_EQ(posix_spawn(&pid, RUVO_TOOL, &fa, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    // Two lines: the address, then the code.
    std::string out;
    char c;
    while (std::count(out.begin(), out.end(), '\n') < 2 && ::read(fds[0], &c, 1) == 1) out += c;
    ::close(fds[0]);
    const auto lines = ruvo::text::split(out, '\n');
    ASSERT_GE(lines.size(), 2u) << out;
    address = lines[0];
    code = lines[1];
    ASSERT_EQ(address.rfind("http://127.0.0.1:", 0), 0u) << address;
    port = std::stoi(address.substr(address.rfind(':') + 1));
  }
  int stop(int sig) {
    ::kill(pid, sig);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    return status;
  }
  ~Server() {
    if (pid > 0) stop(SIGKILL);
  }
};

json post(httplib::Client& c, const std::string& path, const json& body) {
  auto r = c.Post(path.c_str(), body.dump(), "application/json");
  EXPECT_TRUE(r);
  if (!r) return {};
  EXPECT_EQ(r->status, 200) << r->body;
  return json::parse(r->body, nullptr, false);
}

std::vector<std::string> fieldsOf(const std::string& file) {
  ruvo::storage::TCompressStringList list;
  EXPECT_TRUE(list.LoadFromFile(file)) << file;
  if (list.Count() != 2) return {};
  auto h = ruvo::text::split(list[0], '\t');
  auto v = ruvo::text::split(list[1], '\t');
  for (std::size_t i = 0; i < h.size() && i < v.size(); ++i)
    if (h[i] == "date" || h[i] == "time") v[i] = "*";
  h.insert(h.end(), v.begin(), v.end());
  return h;
}

TEST(ServeCli, KilledServerRestartsAndEveryExamineeFinishesOnce) {
  ruvo::testsupport::TempDir dir("serve");
  const std::string tests = dir / "tests", collection = dir / "collection";
  fs::create_directories(tests);
  const std::string test = "sample2-fables.ruvo";
  fs::copy_file(std::string(RUVO_DATA_DIR) + "/system/ruvof/sample/" + test, tests + "/" + test);
  const std::vector<std::string> args{tests, "--collection", collection, "--bind", "127.0.0.1", "--code", "K9"};
  const std::vector<double> seconds{5, 5, 40, 20, 30, 20};
  const std::vector<std::string> answers{"1", "2", "2", "1", "Work now, sing later"};

  struct Examinee {
    std::string name, token;
    json page;
    int questions = 0;
  };
  auto forward = [&](httplib::Client& c, Examinee& e) {
    const int index = e.page["index"];
    json b{{"page", index}, {"ms", seconds[static_cast<std::size_t>(index)] * 1000}};
    if (e.page["kind"] == "name") b["name"] = e.name;
    json a = json::array();
    for (const auto& q : e.page["questions"]) {
      const std::string ans = answers[static_cast<std::size_t>(e.questions++)];
      a.push_back(q["kind"] == "text" ? json(ans) : json(std::stoi(ans)));
    }
    b["answers"] = a;
    e.page = post(c, "/api/sessions/" + e.token + "/forward", b)["page"];
  };

  std::vector<Examinee> people;
  {
    Server s;
    s.start(args);
    EXPECT_EQ(s.code, "K9");
    httplib::Client c("127.0.0.1", s.port);
    for (int i = 0; i < 6; ++i) {
      Examinee e{"Examinee" + std::to_string(i), "", {}, 0};
      const json r = post(c, "/api/sessions", {{"code", "k9"}, {"test", test}});
      e.token = r["session"];
      e.page = r["page"];
      for (int k = 0; k < i; ++k) forward(c, e);
      people.push_back(e);
    }
    EXPECT_TRUE(WIFSIGNALED(s.stop(SIGKILL)));
  }
  Server s;
  s.start(args);
  httplib::Client c("127.0.0.1", s.port);
  for (auto& e : people) {
    auto r = c.Get(("/api/sessions/" + e.token).c_str());
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200) << r->body;
    EXPECT_EQ(json::parse(r->body)["page"]["index"], e.page["index"]) << e.name;
    for (int k = 0; k < 50 && e.page["kind"] != "result"; ++k) forward(c, e);
    EXPECT_EQ(e.page["kind"], "result");
  }
  // SIGTERM: a clean stop.
  const int status = s.stop(SIGTERM);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  std::vector<std::string> files;
  for (const auto& f : fs::directory_iterator(collection))
    if (f.path().extension() == ".ruvot") files.push_back(f.path().string());
  ASSERT_EQ(files.size(), people.size());
  for (const auto& e : people) {
    SCOPED_TRACE(e.name);
    ruvo::testsupport::TempDir sim("sim");
    ruvo::app::SimulationOptions o;
    o.document = tests + "/" + test;
    o.name = e.name;
    o.answers = answers;
    o.seconds = seconds;
    o.outFolder = sim.path();
    o.programFolder = sim.path();
    const auto r = ruvo::app::SimulateRun(o);
    ASSERT_TRUE(r.ok) << r.error;
    const auto want = fieldsOf(r.resultFile);
    int same = 0;
    for (const auto& f : files) same += fieldsOf(f) == want;
    EXPECT_EQ(same, 1);
  }
}

}  // namespace
