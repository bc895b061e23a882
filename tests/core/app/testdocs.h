#pragma once
// Test documents written on the fly: plain UTF-8 lines become a .ruvo file in a temporary
// folder, as the document layer would save it.
#include <fstream>
#include <string>
#include <vector>

#include "core/document/documentfile.h"
#include "core/storage/compressstringlist.h"
#include "core/text/strings.h"
#include "support/tempdir.h"

namespace ruvo::app::testing {

using testsupport::TempDir;

inline std::string WriteTestDocument(const std::string& path, const std::vector<std::string>& lines) {
  std::string text = "\xEF\xBB\xBF";
  for (const auto& l : lines) text += l + "\r\n";
  rt::RichText work = doc::TextFromBytes(text);
  std::ofstream(path, std::ios::binary) << doc::EncodeDocument(work);
  return path;
}

// The two lines of a result file, decoded.
inline std::vector<std::string> ReadResultFile(const std::string& path) {
  storage::TCompressStringList list;
  if (!list.LoadFromFile(path)) return {};
  return list.Lines;
}

inline std::vector<std::string> Fields(const std::string& line) { return text::split(line, '\t'); }

}  // namespace ruvo::app::testing
