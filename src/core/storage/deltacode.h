#pragma once
// The BDC stream: the program's own compressed container ("BDC1"). A static order-0 prefix
// code: byte values ranked by frequency, each byte written as a 2-bit class selector and
// its offset inside the class. The streams are plain byte buffers.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/platform/status.h"

namespace ruvo::storage {

// Status texts of Decode (Msg names the last check passed through).
inline constexpr const char* kMsgBadFormat = "データの形式が違います";
inline constexpr const char* kMsgBadRecordedSize = "記録データのサイズが違います";
inline constexpr const char* kMsgBadReadSize = "読み出しデータのサイズが違います";
// The message of Encode's status when it is left by an error (memory shortage).
inline constexpr const char* kMsgEncodeFailed = "読み込みに失敗しました";

inline constexpr std::size_t kBdcHeaderSize = 32;

struct TCharEntry {
  std::uint8_t symbol = 0;
  std::int32_t count = 0;
  // Addressed by byte value: entry c's rank is the rank of byte value c (it does not move
  // with symbol and count when the table is sorted).
  std::uint8_t rank = 0;
};

class TDeltaCode {
 public:
  TDeltaCode();
  virtual ~TDeltaCode();
  TDeltaCode(const TDeltaCode&) = delete;
  TDeltaCode& operator=(const TDeltaCode&) = delete;

  // PlainStream -> CodedStream (cleared first). Fails only when it runs out of memory or the
  // text is too large to record (message kMsgEncodeFailed, for the caller to show).
  platform::Status Encode();
  // CodedStream -> PlainStream (cleared first). Succeeds only when every check passed and
  // exactly the recorded number of bytes came out; a failure's message is Msg, the last
  // check reached. A stream that cannot be trusted is refused before anything is allocated
  // for it.
  platform::Status Decode();

  std::string PlainStream;
  std::string CodedStream;
  std::string Msg;

  // Header state of the last Encode / Decode (for inspection and tests).
  std::array<TCharEntry, 256> CharTable{};
  std::uint16_t MaxRank = 0;
  std::uint8_t SelectorBits = 2;
  std::array<std::uint8_t, 4> ClassBits{1, 3, 5, 6};

  // One-call helpers over the same code. encode gives an empty string (never a stream: a
  // stream has at least its header) when the text is too large to record or memory runs out.
  static std::string encode(std::string_view plain);
  // Returns Decode's status; plain receives what Decode produced, msg its status text.
  static platform::Status decode(std::string_view coded, std::string& plain, std::string* msg = nullptr);

 protected:
  void ResetCharTable();

 private:
  bool DecodeChecked();
};

// Connects a caller's buffer with a file.
class TStreamDeltaCode final : public TDeltaCode {
 public:
  // Encodes source and writes it to fileName (atomically). The status tells why it failed:
  // Encode's message, or the file and the system's reason.
  platform::Status SaveStreamToFile(const std::string& source, const std::string& fileName);
  // Reads fileName, decodes it and appends what Decode produced to dest (callers pass an
  // empty buffer). The result of Decode is not consulted: a damaged stream still succeeds
  // with whatever came out (Msg tells what went wrong). Fails, naming the file and the
  // system's reason, when the file cannot be read.
  platform::Status LoadStreamFromFile(const std::string& fileName, std::string& dest);
};

}  // namespace ruvo::storage
