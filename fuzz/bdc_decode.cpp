// BDC streams come from files anyone can hand the program (tests, result files). Decoding
// must never crash, never read or write out of bounds, never allocate beyond what the code
// bits can yield; and whatever decodes must encode back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/storage/deltacode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ruvo::storage::TDeltaCode;
  TDeltaCode c;
  c.CodedStream.assign(reinterpret_cast<const char*>(data), size);
  const bool ok = c.Decode().ok();
  // Each symbol costs at least one bit of the code section, so a bounded output.
  if (c.PlainStream.size() > size * 16 + 64) std::abort();
  if (ok) {
    std::string again;
    if (!TDeltaCode::decode(TDeltaCode::encode(c.PlainStream), again) || again != c.PlainStream) std::abort();
  }
  // The same bytes as plain input: encode then decode must give them back.
  if (size <= 4096) {
    std::string plain(reinterpret_cast<const char*>(data), size), back;
    if (!TDeltaCode::decode(TDeltaCode::encode(plain), back) || back != plain) std::abort();
  }
  // Large streams take the multi-lane reader: build one from the input, damage it where
  // the input says, and read it (one input in thirty-two, to keep the runs fast).
  if (size >= 8 && (data[0] & 31) == 0) {
    std::string big;
    while (big.size() < 100000) big.append(reinterpret_cast<const char*>(data) + 4, size - 4);
    std::string coded = TDeltaCode::encode(big);
    std::string back;
    if (!TDeltaCode::decode(coded, back) || back != big) std::abort();
    const std::size_t at =
        33 + (static_cast<std::size_t>(data[1]) << 16 | data[2] << 8 | data[3]) % (coded.size() - 33);
    for (std::size_t i = 4; i < size && i < 12 && at + i < coded.size(); ++i)
      coded[at + i] ^= static_cast<char>(data[i]);
    (void)TDeltaCode::decode(coded, back);
    if (back.size() > big.size()) std::abort();
  }
  return 0;
}
