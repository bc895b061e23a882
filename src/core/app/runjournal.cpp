#include "core/app/runjournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>

#include "core/storage/filenames.h"

namespace ruvo::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTypeNames[] = {"start", "page", "phrase", "breakoff", "finished", "setaside"};

// Values stay on one line: backslash, line breaks and tabs are escaped.
std::string escape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char n = s[++i];
    out += n == 'n' ? '\n' : n == 'r' ? '\r' : n == 't' ? '\t' : n;
  }
  return out;
}

template <typename T>
bool number(std::string_view s, T& out) {
  const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::uint32_t crc(std::string_view bytes) {
  uLong c = crc32(0L, Z_NULL, 0);
  // zlib takes lengths as uInt: feed large inputs in pieces.
  while (!bytes.empty()) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 1u << 30);
    c = crc32(c, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(n));
    bytes.remove_prefix(n);
  }
  return static_cast<std::uint32_t>(c);
}

void put32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t get32(std::string_view s) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
  return v;
}

bool syncFolder(const std::string& folder) {
  const int d = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (d < 0) return false;
  const bool ok = ::fsync(d) == 0;
  ::close(d);
  return ok;
}

}  // namespace

std::string EncodeJournalEvent(const JournalEvent& e) {
  std::string s;
  auto line = [&](std::string_view key, const std::string& value) {
    s += key;
    s += '=';
    s += escape(value);
    s += '\n';
  };
  line("type", kTypeNames[static_cast<int>(e.type)]);
  switch (e.type) {
    case JournalEvent::Type::Start:
      line("test", e.test.file);
      line("crc", std::to_string(e.test.crc));
      line("title", e.test.title);
      line("tick", std::to_string(e.tick));
      line("date", e.date);
      return s;
    case JournalEvent::Type::Finished:
      line("result", e.resultFile);
      line("date", e.date);
      return s;
    case JournalEvent::Type::SetAside:
      line("date", e.date);
      return s;
    default:
      break;
  }
  line("page", std::to_string(e.page));
  line("kind", std::to_string(e.kind));
  line("phrase", std::to_string(e.phrase));
  line("ms", std::to_string(e.ms));
  line("tick", std::to_string(e.tick));
  line("press", e.press ? "1" : "0");
  if (e.words != 0 || e.seconds != 0) {
    line("words", std::to_string(e.words));
    line("seconds", std::to_string(e.seconds));
  }
  line("name", e.name);
  line("date", e.date);
  for (const auto& a : e.answers)
    line("answer", std::to_string(a.q) + "\t" + std::to_string(a.answer) + "\t" + a.score + "\t" + escape(a.typed));
  return s;
}

bool DecodeJournalEvent(std::string_view payload, JournalEvent& e) {
  e = JournalEvent{};
  bool typed = false;
  while (!payload.empty()) {
    const std::size_t nl = payload.find('\n');
    if (nl == std::string_view::npos) return false;
    const std::string_view ln = payload.substr(0, nl);
    payload.remove_prefix(nl + 1);
    const std::size_t eq = ln.find('=');
    if (eq == std::string_view::npos) return false;
    const std::string_view key = ln.substr(0, eq);
    const std::string_view raw = ln.substr(eq + 1);
    if (key == "type") {
      const auto* it = std::find(std::begin(kTypeNames), std::end(kTypeNames), raw);
      if (it == std::end(kTypeNames)) return false;
      e.type = static_cast<JournalEvent::Type>(it - std::begin(kTypeNames));
      typed = true;
      continue;
    }
    bool ok = true;
    if (key == "answer") {
      // q, answer and score, then the typed text escaped a second time (it may hold tabs).
      JournalAnswer a;
      const std::string value = unescape(raw);
      std::string_view rest = value;
      std::string_view parts[3];
      for (auto& part : parts) {
        const std::size_t tab = rest.find('\t');
        if (tab == std::string_view::npos) return false;
        part = rest.substr(0, tab);
        rest.remove_prefix(tab + 1);
      }
      ok = number(parts[0], a.q) && number(parts[1], a.answer);
      a.score = std::string(parts[2]);
      a.typed = unescape(rest);
      e.answers.push_back(std::move(a));
    } else if (key == "page") {
      ok = number(raw, e.page);
    } else if (key == "kind") {
      ok = number(raw, e.kind);
    } else if (key == "phrase") {
      ok = number(raw, e.phrase);
    } else if (key == "ms") {
      ok = number(raw, e.ms);
    } else if (key == "tick") {
      ok = number(raw, e.tick);
    } else if (key == "press") {
      e.press = raw == "1";
    } else if (key == "words") {
      ok = number(raw, e.words);
    } else if (key == "seconds") {
      ok = number(raw, e.seconds);
    } else if (key == "crc") {
      ok = number(raw, e.test.crc);
    } else if (key == "name") {
      e.name = unescape(raw);
    } else if (key == "date") {
      e.date = unescape(raw);
    } else if (key == "test") {
      e.test.file = unescape(raw);
    } else if (key == "title") {
      e.test.title = unescape(raw);
    } else if (key == "result") {
      e.resultFile = unescape(raw);
    }
    // Keys of later versions are skipped.
    if (!ok) return false;
  }
  return typed;
}

std::string FrameJournalRecord(std::string_view payload) {
  std::string r;
  r.reserve(payload.size() + 8);
  put32(r, static_cast<std::uint32_t>(payload.size()));
  put32(r, crc(payload));
  r += payload;
  return r;
}

bool ParseJournal(std::string_view bytes, JournalContents& out) {
  out = JournalContents{};
  if (bytes.substr(0, kJournalMagic.size()) != kJournalMagic) return false;
  std::size_t at = kJournalMagic.size();
  out.validBytes = at;
  while (at < bytes.size()) {
    if (bytes.size() - at < 8) break;
    const std::uint32_t len = get32(bytes.substr(at, 4));
    const std::uint32_t sum = get32(bytes.substr(at + 4, 4));
    if (len > kMaxJournalRecord || bytes.size() - at - 8 < len) break;
    const std::string_view payload = bytes.substr(at + 8, len);
    if (crc(payload) != sum) break;
    JournalEvent e;
    if (!DecodeJournalEvent(payload, e)) break;
    // The Start record comes first and only there.
    if ((out.events.empty()) != (e.type == JournalEvent::Type::Start)) break;
    out.events.push_back(std::move(e));
    at += 8 + len;
    out.validBytes = at;
  }
  out.torn = out.validBytes < bytes.size();
  return !out.events.empty();
}

bool JournalContents::Unfinished() const {
  if (events.empty()) return false;
  for (const auto& e : events)
    if (e.type == JournalEvent::Type::Finished || e.type == JournalEvent::Type::SetAside) return false;
  return PageEvents() > 0;
}

int JournalContents::PageEvents() const {
  return static_cast<int>(std::count_if(events.begin(), events.end(), [](const JournalEvent& e) {
    return e.type == JournalEvent::Type::Page || e.type == JournalEvent::Type::Phrase;
  }));
}

const JournalTest* JournalContents::Test() const { return events.empty() ? nullptr : &events.front().test; }

JournalTest JournalTestOf(const std::string& path) {
  JournalTest t;
  t.file = storage::FileNameOf(path);
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  t.crc = crc(bytes);
  return t;
}

platform::Status ReadJournalFile(const std::string& path, JournalContents& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return platform::Status::fromErrno(errno, path);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!ParseJournal(bytes, out)) return platform::Status::failure(path + ": not a run journal");
  return {};
}

std::vector<std::string> JournalFilesIn(const std::string& path) {
  std::vector<std::string> out;
  std::error_code ec;
  if (fs::is_regular_file(path, ec)) return {path};
  for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ec2;
    if (it->path().extension() == kJournalExtension && it->is_regular_file(ec2)) out.push_back(it->path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> FindUnfinishedJournals(const std::string& folder, const JournalTest& test) {
  std::vector<std::pair<fs::file_time_type, std::string>> found;
  for (const auto& p : JournalFilesIn(folder)) {
    JournalContents c;
    if (!ReadJournalFile(p, c).ok() || !c.Unfinished()) continue;
    const JournalTest* t = c.Test();
    std::error_code ec;
    if (t->file == test.file && t->crc == test.crc) found.emplace_back(fs::last_write_time(p, ec), p);
  }
  // The one written last is the run most recently under way.
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (auto& f : found) out.push_back(std::move(f.second));
  return out;
}

// ---- writer -------------------------------------------------------------------------------

TRunJournalWriter::~TRunJournalWriter() {
  if (fd_ >= 0) ::close(fd_);
}

platform::Status TRunJournalWriter::writeAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return platform::Status::fromErrno(errno, path_);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  if (sync_ && ::fdatasync(fd_) != 0) return platform::Status::fromErrno(errno, path_);
  return {};
}

platform::Status TRunJournalWriter::Create(const std::string& folder, const std::string& stem) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  for (int n = 1; n < 100000; ++n) {
    const std::string name = stem + (n == 1 ? "" : "_" + std::to_string(n)) + kJournalExtension;
    const std::string path = storage::JoinPath(folder, name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return platform::Status::fromErrno(errno, path);
    }
    fd_ = fd;
    path_ = path;
    if (auto s = writeAll(kJournalMagic); !s.ok()) return s;
    // The new name itself must survive a power loss too.
    if (sync_) syncFolder(folder);
    return {};
  }
  return platform::Status::failure(storage::JoinPath(folder, stem) + ": no free journal name");
}

platform::Status TRunJournalWriter::Reopen(const std::string& path, std::size_t validBytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return platform::Status::fromErrno(errno, path);
  fd_ = fd;
  path_ = path;
  // A torn record at the end is cut off, so the next one follows the last whole record.
  if (::ftruncate(fd_, static_cast<off_t>(validBytes)) != 0 || ::lseek(fd_, 0, SEEK_END) < 0)
    return platform::Status::fromErrno(errno, path);
  return {};
}

platform::Status TRunJournalWriter::Append(const JournalEvent& e) {
  if (fd_ < 0) return platform::Status::failure("no journal open");
  return writeAll(FrameJournalRecord(EncodeJournalEvent(e)));
}

}  // namespace ruvo::app
