#include "core/report/resultfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "core/storage/atomicfile.h"
#include "core/storage/compressstringlist.h"
#include "core/storage/deltacode.h"

namespace ruvo::report {

namespace {

constexpr std::size_t kOffPlainSize = 8;

std::uint32_t u32At(std::string_view s, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

// The most a stream of plain bytes can take: every code at most 33 bits, the header, the table.
std::uint64_t codedBound(std::uint64_t plain) { return storage::kBdcHeaderSize + 256 + (plain * 33 + 15) / 16 * 2 + 2; }

bool refuse(ResultRefusal r, std::string why, ResultRefusal& refusal, std::string& out) {
  refusal = r;
  out = std::move(why);
  return false;
}

std::string tooLargeText() {
  return std::string("expands to more than ") + kMaxResultText + ", more than a result file holds";
}

// Reads up to max bytes from fd; false on a read error.
bool readUpTo(int fd, std::string& out, std::size_t max) {
  out.clear();
  char buf[65536];
  while (out.size() < max) {
    const ssize_t n = ::read(fd, buf, std::min(sizeof buf, max - out.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

bool ReadResultBytes(const std::string& path, std::string& bytes, ResultRefusal& refusal, std::string& why) {
  bytes.clear();
  refusal = ResultRefusal::None;
  why.clear();
  // Non-blocking: opening a FIFO for reading would otherwise wait for a writer forever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int err = errno;
    return refuse(err == ENOENT ? ResultRefusal::Vanished : ResultRefusal::Unreadable, std::strerror(err), refusal,
                  why);
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return refuse(ResultRefusal::Unreadable, std::strerror(errno), refusal, why);
  if (S_ISDIR(st.st_mode)) return refuse(ResultRefusal::NotAFile, "a folder, not a file", refusal, why);
  if (!S_ISREG(st.st_mode)) return refuse(ResultRefusal::NotAFile, "not a regular file", refusal, why);
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > storage::kMaxReadBytes)
    return refuse(ResultRefusal::TooLarge, std::string("larger than ") + storage::kMaxReadText, refusal, why);
  // The recorded expanded size decides before the rest is read.
  std::string head;
  if (!readUpTo(fd, head, storage::kBdcHeaderSize))
    return refuse(ResultRefusal::Unreadable, std::strerror(errno), refusal, why);
  if (head.size() >= kOffPlainSize + 4 && head.compare(0, 4, "BDC1") == 0) {
    const std::uint32_t plain = u32At(head, kOffPlainSize);
    if (plain > kMaxResultTextBytes) return refuse(ResultRefusal::TooLarge, tooLargeText(), refusal, why);
    if (size > codedBound(plain))
      return refuse(ResultRefusal::TooLarge, "larger than its recorded content can be", refusal, why);
  } else if (size > codedBound(kMaxResultTextBytes)) {
    return refuse(ResultRefusal::TooLarge, "larger than a result file can be", refusal, why);
  }
  // A file still growing is read no further than its size when it was opened, and a little.
  std::string rest;
  const std::size_t left = size > head.size() ? static_cast<std::size_t>(size) - head.size() : 0;
  if (!readUpTo(fd, rest, left + 1)) return refuse(ResultRefusal::Unreadable, std::strerror(errno), refusal, why);
  bytes = std::move(head);
  bytes += rest;
  return true;
}

ResultFileRead DecodeResultBytes(std::string_view bytes) {
  ResultFileRead r;
  if (bytes.size() >= kOffPlainSize + 4 && bytes.substr(0, 4) == "BDC1" &&
      u32At(bytes, kOffPlainSize) > kMaxResultTextBytes) {
    r.refusal = ResultRefusal::TooLarge;
    r.why = tooLargeText();
    return r;
  }
  storage::TCompressStringList list;
  if (bytes.empty()) {
    r.refusal = ResultRefusal::Damaged;
    r.why = "empty";
    return r;
  }
  if (!list.LoadFromCompressedStream(bytes)) {
    r.refusal = ResultRefusal::Damaged;
    r.why = "not a complete result file";
    return r;
  }
  if (list.Lines.size() < 2) {
    r.refusal = ResultRefusal::TooFewLines;
    r.why = list.Lines.empty() ? "no lines" : "one line only";
    r.lines = std::move(list.Lines);
    return r;
  }
  list.Lines.resize(2);  // the totals use the header and the values alone
  r.lines = std::move(list.Lines);
  return r;
}

ResultFileRead ReadResultFile(const std::string& path, bool keepBytes) {
  ResultFileRead r;
  std::string bytes;
  if (!ReadResultBytes(path, bytes, r.refusal, r.why)) return r;
  r = DecodeResultBytes(bytes);
  if (keepBytes) r.bytes = std::move(bytes);
  return r;
}

}  // namespace ruvo::report
