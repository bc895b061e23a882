#pragma once
// Reading one result file from an untrusted folder. A result file is a few hundred bytes; what
// sits under a result file's name may be anything: a FIFO that never answers, a link to an
// endless device, a sparse file of gigabytes, a stream that claims to expand a thousandfold.
// None of them may block, take the memory of the machine, or be taken for a result.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo::report {

// Larger result texts are refused: a run of the longest test writes a few kilobytes.
inline constexpr std::size_t kMaxResultTextBytes = std::size_t{4} << 20;
inline constexpr const char* kMaxResultText = "4 MiB";

enum class ResultRefusal {
  None,
  Vanished,     // nothing under that name any more
  Unreadable,   // cannot be opened or read (permissions, an I/O error)
  NotAFile,     // a folder, FIFO, device or socket
  TooLarge,     // beyond the input limit, or expanding beyond kMaxResultTextBytes
  Damaged,      // not a complete compressed list (perhaps still being written)
  TooFewLines,  // fewer than two lines (perhaps still being written)
};

struct ResultFileRead {
  ResultRefusal refusal = ResultRefusal::None;
  std::string why;                 // for the user when refused, e.g. "not a regular file"
  std::vector<std::string> lines;  // the header and the values (further lines are dropped)
  std::string bytes;               // the stored bytes (when asked for)
  bool ok() const { return refusal == ResultRefusal::None; }
};

// Opens without blocking, takes only regular files, and reads no more than a result file can
// be: over the input limit, or a stream whose recorded expanded size is over
// kMaxResultTextBytes, is refused before it is read. keepBytes: also return the stored bytes.
ResultFileRead ReadResultFile(const std::string& path, bool keepBytes = false);
// The raw read alone (no decoding): true with the stored bytes, or false with the refusal.
bool ReadResultBytes(const std::string& path, std::string& bytes, ResultRefusal& refusal, std::string& why);
// Decodes stored bytes into the two lines the totals use; checks the recorded size first.
ResultFileRead DecodeResultBytes(std::string_view bytes);

}  // namespace ruvo::report
