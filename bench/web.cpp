// The web room under a class: EXAMINEES simulated examinees (500 unless given as the first
// argument) take one test at once against one server on the loopback, each from a thread of
// its own with a new connection per request, as browsers on a school network would. Prints
// the time from Start to the first answered request, the Forward round trip (p50, p99, max),
// the results lost (sessions that ended without a result file), and the memory each
// examinee holds on the server (the growth of the process's resident set while the sessions
// are made, divided by their number).
//
//   bench_web [EXAMINEES] [THINK_MS]   THINK_MS: the longest pause on a page (default 400)
#include <unistd.h>

#include <httplib.h>
#include <algorithm>
#include <atomic>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/web/webroom.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

const std::string kTest = "sample4-market.ruvo";
const std::string kSample = std::string(RUVO_FIXTURES_DIR) + "/../../data/system/ruvof/sample/" + kTest;

long rssKb() {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
  const int examinees = argc > 1 ? std::atoi(argv[1]) : 500;
  const int thinkMs = argc > 2 ? std::atoi(argv[2]) : 400;
  const fs::path dir = fs::temp_directory_path() / ("ruvo-bench-web-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "tests");
  fs::copy_file(kSample, dir / "tests" / kTest);

  ruvo::web::RoomOptions o;
  o.folder = (dir / "tests").string();
  o.collection = (dir / "collection").string();
  o.report = (dir / "report").string();
  o.bind = "127.0.0.1";
  o.code = "BENCH";
  const auto t0 = Clock::now();
  ruvo::platform::Status st;
  auto room = ruvo::web::TWebRoom::Start(o, &st);
  if (!room) {
    std::cerr << "cannot start: " << st.message() << "\n";
    return 1;
  }
  const std::string address = room->Address();
  const int port = std::stoi(address.substr(address.rfind(':') + 1));
  {
    httplib::Client c("127.0.0.1", port);
    auto r = c.Get("/api/tests?code=BENCH");
    if (!r || r->status != 200) {
      std::cerr << "the room does not answer\n";
      return 1;
    }
  }
  const double startMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();

  std::mutex mu;
  std::vector<double> forwardMs;
  std::atomic<int> finished{0}, failures{0};
  std::barrier ready(examinees + 1), made(examinees + 1);
  std::vector<std::thread> threads;
  for (int i = 0; i < examinees; ++i) {
    threads.emplace_back([&, i] {
      std::mt19937 rng(static_cast<unsigned>(i));
      std::uniform_int_distribution<int> think(thinkMs / 2, std::max(thinkMs, 1));
      httplib::Client c("127.0.0.1", port);
      c.set_read_timeout(60, 0);
      c.set_connection_timeout(60, 0);
      ready.arrive_and_wait();
      auto r = c.Post("/api/sessions", json{{"code", "BENCH"}, {"test", kTest}}.dump(), "application/json");
      json page;
      std::string token;
      if (r && r->status == 200) {
        const json j = json::parse(r->body);
        token = j["session"];
        page = j["page"];
      } else {
        ++failures;
        std::lock_guard lock(mu);
        std::cerr << "joining failed: " << (r ? std::to_string(r->status) : httplib::to_string(r.error())) << "\n";
      }
      made.arrive_and_wait();
      if (token.empty()) return;
      std::vector<double> mine;
      for (int n = 0; n < 200 && page["kind"] != "result"; ++n) {
        std::this_thread::sleep_for(std::chrono::milliseconds(think(rng)));
        json b{{"page", page["index"]}, {"ms", 1000 + 37 * i + n}};
        if (page["kind"] == "name") b["name"] = "examinee " + std::to_string(i);
        if (page["kind"] == "question") {
          json a = json::array();
          for (const auto& q : page["questions"]) a.push_back(q["kind"] == "text" ? json("answer") : json(1 + i % 2));
          b["answers"] = a;
        }
        const auto s = Clock::now();
        auto f = c.Post(("/api/sessions/" + token + "/forward").c_str(), b.dump(), "application/json");
        mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - s).count());
        if (!f || f->status != 200) {
          ++failures;
          std::lock_guard lock(mu);
          std::cerr << "forward failed: " << (f ? std::to_string(f->status) : httplib::to_string(f.error())) << "\n";
          continue;
        }
        page = json::parse(f->body)["page"];
      }
      if (page["kind"] == "result") ++finished;
      std::lock_guard lock(mu);
      forwardMs.insert(forwardMs.end(), mine.begin(), mine.end());
    });
  }
  ready.arrive_and_wait();
  const long before = rssKb();
  made.arrive_and_wait();
  const long after = rssKb();
  const auto walkStart = Clock::now();
  for (auto& t : threads) t.join();
  const double walkS = std::chrono::duration<double>(Clock::now() - walkStart).count();
  room->Stop();

  int files = 0;
  for (const auto& e : fs::directory_iterator(dir / "collection"))
    if (e.path().extension() == ".ruvot") ++files;
  std::printf("examinees                 %d (think time %d-%d ms per page)\n", examinees, thinkMs / 2, thinkMs);
  std::printf("start to listening        %.1f ms\n", startMs);
  std::printf("forward round trips       %zu in %.1f s\n", forwardMs.size(), walkS);
  std::printf("forward p50 / p99 / max   %.2f / %.2f / %.2f ms\n", percentile(forwardMs, 0.5),
              percentile(forwardMs, 0.99), percentile(forwardMs, 1.0));
  std::printf("finished / result files   %d / %d\n", finished.load(), files);
  std::printf("results lost              %d (result pages without a result file)\n", finished.load() - files);
  std::printf("did not finish            %d\n", examinees - finished.load());
  std::printf("failed requests           %d\n", failures.load());
  std::printf("memory per examinee       %.1f KB (resident set %ld -> %ld KB)\n",
              static_cast<double>(after - before) / examinees, before, after);
  fs::remove_all(dir);
  return finished.load() == examinees && files == examinees ? 0 : 1;
}
