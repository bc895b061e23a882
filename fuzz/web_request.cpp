// Hostile requests to the web room, without sockets: any method, path, query and body reach
// the room's request handler, for a session that exists and for tokens that do not. The room
// must answer each with a status and a JSON error or a page, and never crash or hang.
//
// Input: the first byte picks the method, then the path up to the first NUL (where "{T}" is
// replaced by a real session's token), then the body. A byte 0x01 inside the path starts
// the query's "code" value.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "core/document/documentfile.h"
#include "core/text/strings.h"
#include "core/web/roomcore.h"

namespace {

namespace fs = std::filesystem;
using ruvo::web::Reply;
using ruvo::web::Request;
using ruvo::web::TRoomCore;

struct Fixture {
  std::unique_ptr<TRoomCore> room;
  std::string token;
};

Fixture& fixture() {
  static Fixture f = [] {
    Fixture x;
    const auto dir = fs::temp_directory_path() / ("ruvo-fuzz-web-" + std::to_string(::getpid()));
    fs::create_directories(dir / "tests");
    const std::string text =
        "title=T\r\nautoqa=1\r\nfadein=1\r\n<page name>\r\nname\r\n<page start>\r\none / two / three\r\n"
        "<page timerOn>\r\n??Q\r\n?a\r\n?*b\r\n?!Say\r\n<page timerOff>\r\n<page>\r\nend\r\n<page last>\r\n";
    std::ofstream((dir / "tests" / "t.ruvo").string(), std::ios::binary)
        << ruvo::doc::EncodeDocument(ruvo::doc::TextFromBytes(text));
    ruvo::web::RoomOptions o;
    o.folder = (dir / "tests").string();
    o.collection = (dir / "collection").string();
    o.code = "FUZZ";
    x.room = TRoomCore::Open(o, nullptr);
    if (!x.room) std::abort();
    const Reply r = x.room->Handle({"POST", "/api/sessions", {}, R"({"code":"FUZZ","test":"t.ruvo"})"});
    x.token = nlohmann::json::parse(r.body)["session"];
    return x;
  }();
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fixture& f = fixture();
  if (size == 0) return 0;
  static const char* const kMethods[] = {"GET", "POST", "HEAD", "PUT", "DELETE"};
  Request r;
  r.method = kMethods[data[0] % 5];
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t nul = rest.find('\0');
  std::string path = rest.substr(0, nul);
  r.body = nul == std::string::npos ? std::string() : rest.substr(nul + 1);
  if (const std::size_t q = path.find('\x01'); q != std::string::npos) {
    r.query["code"] = path.substr(q + 1);
    path.resize(q);
  }
  r.path = ruvo::text::replaceAll(path, "{T}", f.token);
  const Reply reply = f.room->Handle(r);
  if (reply.status < 200 || reply.status > 599) std::abort();
  // Every answer of the API is JSON.
  if (reply.contentType.rfind("application/json", 0) == 0 &&
      nlohmann::json::parse(reply.body, nullptr, false).is_discarded())
    std::abort();
  return 0;
}
