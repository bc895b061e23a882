#include "core/web/webroom.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <httplib.h>
#include <atomic>
#include <mutex>
#include <thread>

#include "core/web/roomcore.h"

namespace ruvo::web {

namespace {

// Slow or stalled clients give their thread back after these.
constexpr int kReadTimeoutSec = 5;
constexpr int kWriteTimeoutSec = 5;
constexpr int kKeepAliveSec = 2;
constexpr int kKeepAliveRequests = 100;
constexpr std::size_t kThreads = 48;
constexpr int kBacklog = 1024;

bool wildcard(const std::string& bind) { return bind.empty() || bind == "0.0.0.0" || bind == "::"; }

// The machine's first IPv4 address on a network that is up (not the loopback).
std::string lanAddress() {
  struct ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return "127.0.0.1";
  std::string found;
  for (struct ifaddrs* a = list; a && found.empty(); a = a->ifa_next) {
    if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
    if (!(a->ifa_flags & IFF_UP) || (a->ifa_flags & IFF_LOOPBACK)) continue;
    char buf[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const struct sockaddr_in*>(a->ifa_addr);
    if (::inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf)) found = buf;
  }
  ::freeifaddrs(list);
  return found.empty() ? "127.0.0.1" : found;
}

class HttpRoom final : public TWebRoom {
 public:
  HttpRoom(std::unique_ptr<TRoomCore> core, const RoomOptions& o) : core_(std::move(core)), options_(o) {}
  ~HttpRoom() override { Stop(); }

  platform::Status listen();
  std::string Address() const override { return address_; }
  std::string Code() const override { return core_->Code(); }
  std::vector<TestCount> Counts() const override { return core_->Counts(); }
  void Stop() override;

 private:
  void serve(const httplib::Request& req, httplib::Response& res);

  std::unique_ptr<TRoomCore> core_;
  RoomOptions options_;
  httplib::Server server_;
  std::thread thread_;
  std::string address_;
  std::once_flag stopped_;
  int listenSocket_ = -1;
};

void HttpRoom::serve(const httplib::Request& req, httplib::Response& res) {
  Request r;
  r.method = req.method;
  r.path = req.path;
  for (const auto& [k, v] : req.params) r.query.emplace(k, v);
  r.body = req.body;
  Reply reply = core_->Handle(r);
  res.status = reply.status;
  res.set_header("X-Content-Type-Options", "nosniff");
  res.set_header("Referrer-Policy", "no-referrer");
  res.set_header("Cache-Control", reply.contentType.rfind("application/json", 0) == 0 ? "no-store" : "no-cache");
  res.set_content(std::move(reply.body), reply.contentType.c_str());
}

platform::Status HttpRoom::listen() {
  server_.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  server_.set_read_timeout(kReadTimeoutSec, 0);
  server_.set_write_timeout(kWriteTimeoutSec, 0);
  server_.set_keep_alive_timeout(kKeepAliveSec);
  server_.set_keep_alive_max_count(kKeepAliveRequests);
  server_.set_payload_max_length(kMaxBodyBytes);
  auto handler = [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); };
  server_.Get(".*", handler);
  server_.Post(".*", handler);
  server_.Put(".*", handler);
  server_.Delete(".*", handler);
  server_.Patch(".*", handler);
  server_.Options(".*", handler);
  // httplib's own refusals (a body over the limit, a request it cannot read) say why in JSON too.
  server_.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    const char* why = res.status == 413   ? "the request is too large"
                      : res.status == 414 ? "the address is too long"
                      : res.status == 404 ? "not found"
                                          : "bad request";
    res.set_content(std::string("{\"error\":\"") + why + "\"}", "application/json; charset=utf-8");
  });
  server_.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    res.status = 500;
    res.set_content("{\"error\":\"internal error\"}", "application/json; charset=utf-8");
  });
  // The library listens with a backlog of a few connections: a class joining at once would
  // have its connections refused. The socket is kept to listen again with a long backlog.
  server_.set_socket_options([this](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listenSocket_ = sock;
  });
  const std::string host = options_.bind.empty() ? "0.0.0.0" : options_.bind;
  int port = options_.port;
  if (port < 0 || port > 65535) return platform::Status::failure("not a port: " + std::to_string(port));
  if (port == 0) {
    port = server_.bind_to_any_port(host);
    if (port <= 0) return platform::Status::failure("cannot listen on " + host);
  } else if (!server_.bind_to_port(host, port)) {
    return platform::Status::failure("cannot listen on " + host + ":" + std::to_string(port) +
                                     " (the port is taken or the address is not this machine's)");
  }
  if (listenSocket_ >= 0) ::listen(listenSocket_, kBacklog);
  const std::string shown = wildcard(host) ? lanAddress() : host;
  address_ =
      "http://" + (shown.find(':') != std::string::npos ? "[" + shown + "]" : shown) + ":" + std::to_string(port) + "/";
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // Listening when Start returns (and a Stop right after it is not lost).
  for (int i = 0; i < 2000 && !server_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return platform::Status::success();
}

void HttpRoom::Stop() {
  std::call_once(stopped_, [this] {
    // The listening socket closes; requests being answered are finished first.
    server_.stop();
    if (thread_.joinable()) thread_.join();
  });
}

}  // namespace

std::unique_ptr<TWebRoom> TWebRoom::Start(const RoomOptions& options, platform::Status* status) {
  platform::Status st;
  auto core = TRoomCore::Open(options, &st);
  if (!core) {
    if (status) *status = st;
    return nullptr;
  }
  auto room = std::make_unique<HttpRoom>(std::move(core), options);
  st = room->listen();
  if (status) *status = st;
  if (!st.ok()) return nullptr;
  return room;
}

}  // namespace ruvo::web
