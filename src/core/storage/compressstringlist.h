#pragma once
// Lists of text lines stored as one BDC stream: result files, the environment file, the
// word data. In memory the lines are UTF-8; stored they are CP932, each line followed by
// CRLF ("?" stands for a character CP932 cannot hold).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/platform/status.h"

namespace ruvo::storage {

// The message of a load whose file does not exist is "<FileName> がありません".
inline constexpr const char* kMsgFileMissingSuffix = " がありません";
// The message of a save that fails outside the file write itself.
inline constexpr const char* kMsgSaveFailed = "TCompressStringList.SaveToFile 2003.02.10";

class TCompressStringList {
 public:
  TCompressStringList();
  virtual ~TCompressStringList();

  // The lines, UTF-8. Unsorted, duplicates allowed.
  std::vector<std::string> Lines;

  int Count() const { return static_cast<int>(Lines.size()); }
  void Add(std::string line) { Lines.push_back(std::move(line)); }
  void Clear() { Lines.clear(); }
  const std::string& operator[](int i) const { return Lines[static_cast<std::size_t>(i)]; }

  // Name/value view: the name of a line is everything before its first "=" (lines without
  // "=" have none). Lookups take the first line whose name equals the asked one, ASCII
  // letter case ignored.
  int IndexOfName(std::string_view name) const;
  std::string Values(std::string_view name) const;  // "" when there is no such line
  // Replaces the value of the first line named so, or appends "name=value".
  void SetValue(std::string_view name, std::string_view value);
  static std::string NameOf(std::string_view line);
  static std::string ValueOf(std::string_view line);

  // The stored text: CP932, every line followed by CRLF.
  std::string Text() const;
  // Replaces the lines with those of a CP932 text (CRLF, LF or CR breaks).
  void SetText(std::string_view cp932);

  // Replaces the lines with those of the file; on failure the lines stay as they were and
  // the status says why: FileName + " がありません" (ENOENT) for a missing file, the file and
  // the system's reason when it cannot be read, the file and the codec's status text when it
  // does not decode. Nothing is shown: the caller decides.
  platform::Status LoadFromFile(const std::string& fileName);
  // The same from the bytes of a BDC stream (a failure's message is the codec's status text).
  platform::Status LoadFromCompressedStream(std::string_view coded);
  // The BDC stream of the list.
  std::string SaveToCompressedStream() const;
  // Writes the list to fileName. Missing folders are created; the file is replaced atomically
  // and keeps its permission bits. A failure of the write itself carries the system's error
  // and its reason; a failure outside it (memory) carries kMsgSaveFailed.
  platform::Status SaveToFile(const std::string& fileName);
};

// A compressed list bound to a file name; reads sections and keyed values.
class TDataFile final : public TCompressStringList {
 public:
  // Loads fileName when a file of that name exists.
  explicit TDataFile(std::string fileName = {}, bool readOnly = false);

  std::string FileName;
  bool ReadOnly = false;
  // What loading the file at creation gave (success when no file of that name existed).
  platform::Status Loaded;

  // Clears target, then appends the non-empty lines after the first line equal to
  // "[" + name + "]" (case ignored) up to a line starting with "[" or the end.
  void ReadSection(std::string_view name, std::vector<std::string>& target) const;
  // The value of key in that section, or def.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Unless ReadOnly: writes the list to FileName when the name is not empty and its file
  // system is writable. Returns SaveToFile's status, or success when nothing was to be
  // written (*written, when given, tells which). The lines are released afterwards.
  platform::Status SaveAndFree(bool* written = nullptr);
};

// Loads the embedded resource `name` (a BDC stream, see resources.h) into list.
// Fails when there is no such resource or it does not decode.
platform::Status LoadResourceData(TCompressStringList& list, std::string_view name);

}  // namespace ruvo::storage
