// Result files and the environment file are compressed string lists that arrive from other
// machines. Loading one and reading sections and values from it must never crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/storage/compressstringlist.h"
#include "core/storage/deltacode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ruvo::storage;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TDataFile list;
  // Inputs that are not BDC streams are taken as the text inside one, so the list layer
  // is reached even where the fuzzer has not found a valid stream.
  if (bytes.substr(0, 4) == "BDC1") {
    (void)list.LoadFromCompressedStream(bytes);
  } else {
    (void)list.LoadFromCompressedStream(TDeltaCode::encode(bytes));
  }
  std::vector<std::string> section;
  for (const auto& line : list.Lines) {
    if (!line.empty() && line[0] == '[' && line.size() >= 2) {
      list.ReadSection(line.substr(1, line.size() - 2), section);
      for (const auto& e : section) (void)list.ReadString(line.substr(1, line.size() - 2), TDataFile::NameOf(e), "d");
    }
  }
  (void)list.Values("ToTeacher");
  // Stored again, the lines come back unchanged (they are valid UTF-8 from CP932 now,
  // except characters CP932 cannot hold, which the list never produced on load).
  TCompressStringList back;
  (void)back.LoadFromCompressedStream(list.SaveToCompressedStream());
  (void)back.Count();
  return 0;
}
