#include "core/storage/compressstringlist.h"

#include <cerrno>
#include <filesystem>
#include <new>
#include <system_error>

#include "core/storage/atomicfile.h"
#include "core/storage/deltacode.h"
#include "core/storage/resources.h"
#include "core/text/cp932.h"
#include "core/text/strings.h"

namespace ruvo::storage {

namespace fs = std::filesystem;

TCompressStringList::TCompressStringList() = default;

TCompressStringList::~TCompressStringList() = default;

std::string TCompressStringList::NameOf(std::string_view line) {
  const auto eq = line.find('=');
  return eq == std::string_view::npos ? std::string() : std::string(line.substr(0, eq));
}

std::string TCompressStringList::ValueOf(std::string_view line) {
  const auto eq = line.find('=');
  return eq == std::string_view::npos ? std::string() : std::string(line.substr(eq + 1));
}

int TCompressStringList::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < Lines.size(); ++i) {
    const std::string_view line = Lines[i];
    const auto eq = line.find('=');
    if (eq != std::string_view::npos && text::equalsIgnoreCase(line.substr(0, eq), name)) return static_cast<int>(i);
  }
  return -1;
}

std::string TCompressStringList::Values(std::string_view name) const {
  const int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueOf(Lines[static_cast<std::size_t>(i)]);
}

void TCompressStringList::SetValue(std::string_view name, std::string_view value) {
  std::string line(name);
  line += '=';
  line += value;
  const int i = IndexOfName(name);
  if (i < 0)
    Lines.push_back(std::move(line));
  else
    Lines[static_cast<std::size_t>(i)] = std::move(line);
}

std::string TCompressStringList::Text() const {
  std::string out;
  for (const auto& l : Lines) {
    out += text::utf8ToCp932(l);
    out += "\r\n";
  }
  return out;
}

void TCompressStringList::SetText(std::string_view cp932) {
  // The toolkit's text reader ends a text at a NUL byte; stored lists never hold one.
  const auto nul = cp932.find('\0');
  if (nul != std::string_view::npos) cp932 = cp932.substr(0, nul);
  std::vector<std::string> lines = text::splitLines(cp932);
  for (auto& l : lines) l = text::cp932ToUtf8(l);
  Lines = std::move(lines);
}

Status TCompressStringList::LoadFromCompressedStream(std::string_view coded) {
  TDeltaCode codec;
  codec.CodedStream.assign(coded);
  if (Status decoded = codec.Decode(); !decoded) return decoded;
  SetText(codec.PlainStream);
  return Status::success();
}

Status TCompressStringList::LoadFromFile(const std::string& fileName) {
  if (!fileExists(fileName)) return Status::failure(fileName + kMsgFileMissingSuffix, ENOENT);
  std::string coded;
  if (Status read = readWholeFile(fileName, coded); !read) return read;
  if (Status decoded = LoadFromCompressedStream(coded); !decoded)
    return Status::failure(fileName + ": " + decoded.message());
  return Status::success();
}

std::string TCompressStringList::SaveToCompressedStream() const { return TDeltaCode::encode(Text()); }

Status TCompressStringList::SaveToFile(const std::string& fileName) {
  if (fileName.empty()) return Status::fromErrno(ENOENT, "cannot write a file without a name");
  try {
    std::error_code ec;
    const fs::path full = fs::absolute(fs::path(fileName), ec);
    if (ec) return Status::fromErrno(ec.value(), "cannot write " + fileName);
    if (Status folder = createFolder(full.parent_path().string()); !folder) return folder;

    TDeltaCode codec;
    codec.PlainStream = Text();
    if (!codec.Encode()) throw std::bad_alloc();

    // Written beside the target and renamed over it: a crash mid-write leaves the old
    // file whole. The old file's permission bits carry over, so a read-only one stays so.
    return writeFileAtomic(fileName, codec.CodedStream);
  } catch (const std::exception&) {
    return Status::failure(kMsgSaveFailed);
  }
}

TDataFile::TDataFile(std::string fileName, bool readOnly) : FileName(std::move(fileName)), ReadOnly(readOnly) {
  if (!FileName.empty() && fileExists(FileName)) Loaded = LoadFromFile(FileName);
}

void TDataFile::ReadSection(std::string_view name, std::vector<std::string>& target) const {
  target.clear();
  std::string header = "[";
  header += name;
  header += ']';
  std::size_t i = 0;
  while (i < Lines.size() && !text::equalsIgnoreCase(Lines[i], header)) ++i;
  if (i == Lines.size()) return;
  for (++i; i < Lines.size(); ++i) {
    const std::string& line = Lines[i];
    if (!line.empty() && line[0] == '[') break;
    if (!line.empty()) target.push_back(line);
  }
}

std::string TDataFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  TCompressStringList entries;
  ReadSection(section, entries.Lines);
  const int i = entries.IndexOfName(key);
  return i < 0 ? std::string(def) : ValueOf(entries[i]);
}

Status TDataFile::SaveAndFree(bool* written) {
  Status result;
  // Read-only media stand in for the drive kinds that are never written (optical discs,
  // missing drives); a list without a name is never written.
  const bool write = !ReadOnly && !FileName.empty() && !isReadOnlyFileSystem(FileName);
  if (write) result = SaveToFile(FileName);
  if (written) *written = write;
  Lines.clear();
  Lines.shrink_to_fit();
  return result;
}

Status LoadResourceData(TCompressStringList& list, std::string_view name) {
  const auto bytes = findResource(name);
  if (!bytes) return Status::failure("the embedded data " + std::string(name) + " is missing");
  if (Status decoded = list.LoadFromCompressedStream(*bytes); !decoded)
    return Status::failure("the embedded data " + std::string(name) + ": " + decoded.message());
  return Status::success();
}

}  // namespace ruvo::storage
