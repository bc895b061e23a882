// Loading the word data through the storage layer, kept apart from the lookups so that
// the engine itself does not depend on how the data travels.

#include "core/authoring/worddata.h"
#include "core/storage/atomicfile.h"
#include "core/storage/compressstringlist.h"
#include "core/text/cp932.h"
#include "core/text/strings.h"

namespace ruvo::authoring {
namespace {

// The engine compares CP932 bytes; the storage layer hands out UTF-8 lines.
std::vector<std::string> toCp932(std::vector<std::string> lines) {
  for (std::string& l : lines) l = text::utf8ToCp932(l);
  return lines;
}

}  // namespace

TWordLists WordListsFromDataFile(const storage::TDataFile& file) {
  return TWordLists::FromSectionReader([&file](const std::string& name) {
    std::vector<std::string> entries;
    file.ReadSection(name, entries);
    return toCp932(std::move(entries));
  });
}

platform::Status LoadEmbeddedWordData(TWordLists& out) {
  storage::TDataFile file;  // no name: never written back
  if (platform::Status loaded = storage::LoadResourceData(file, kWordDataResource); !loaded) {
    out = TWordLists();
    return loaded;
  }
  out = WordListsFromDataFile(file);
  return {};
}

bool LoadWordDataFile(const std::string& path, TWordLists& out, std::string& error) {
  std::string bytes;
  if (const storage::Status read = storage::readWholeFile(path, bytes); !read) {
    error = read.message();
    return false;
  }
  storage::TDataFile file;
  if (text::startsWith(bytes, "BDC")) {
    if (const platform::Status decoded = file.LoadFromCompressedStream(bytes); !decoded) {
      error = path + " is not a readable compressed word data file: " + decoded.message();
      return false;
    }
  } else {
    std::string_view plain = bytes;
    if (text::startsWith(plain, "\xEF\xBB\xBF")) plain.remove_prefix(3);
    file.Lines = text::splitLines(plain);
  }
  out = WordListsFromDataFile(file);
  return true;
}

}  // namespace ruvo::authoring
