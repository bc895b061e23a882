#pragma once
// Lists of text lines stored as one BDC stream: result files, the environment file, the
// word data. In memory the lines are UTF-8; stored they are CP932, each line followed by
// CRLF ("?" stands for a character CP932 cannot hold).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ruvo::platform {
class Dialogs;
}

namespace ruvo::storage {

// "<FileName> がありません" is shown when a file to load does not exist.
inline constexpr const char* kMsgFileMissingSuffix = " がありません";
// Shown when saving fails outside the file write itself.
inline constexpr const char* kMsgSaveFailed = "TCompressStringList.SaveToFile 2003.02.10";

class TCompressStringList {
 public:
  explicit TCompressStringList(platform::Dialogs* dialogs = nullptr);
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

  // Missing file: shows FileName + " がありません" and keeps the lines. A file that does
  // not decode keeps the lines silently. True when the lines were replaced.
  bool LoadFromFile(const std::string& fileName);
  // The same from the bytes of a BDC stream. True when the lines were replaced.
  bool LoadFromCompressedStream(std::string_view coded);
  // The BDC stream of the list.
  std::string SaveToCompressedStream() const;
  // 0 on success; 1 for an empty name, a folder that cannot be created or another failure
  // (which shows kMsgSaveFailed); otherwise the errno of the failed write. Missing folders
  // are created; the file is replaced atomically and keeps its permission bits.
  int SaveToFile(const std::string& fileName);

 protected:
  platform::Dialogs* dialogs_ = nullptr;
};

// A compressed list bound to a file name; reads sections and keyed values.
class TDataFile final : public TCompressStringList {
 public:
  // Loads fileName when a file of that name exists.
  explicit TDataFile(std::string fileName = {}, bool readOnly = false, platform::Dialogs* dialogs = nullptr);

  std::string FileName;
  bool ReadOnly = false;

  // Clears target, then appends the non-empty lines after the first line equal to
  // "[" + name + "]" (case ignored) up to a line starting with "[" or the end.
  void ReadSection(std::string_view name, std::vector<std::string>& target) const;
  // The value of key in that section, or def.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Unless ReadOnly: writes the list to FileName when the name is not empty and its file
  // system is writable. Returns SaveToFile's code, or -1 when nothing was written on
  // purpose. The lines are released afterwards.
  int SaveAndFree();
};

// Loads the embedded resource `name` (a BDC stream, see resources.h) into list.
// False when there is no such resource or it does not decode.
bool LoadResourceData(TCompressStringList& list, std::string_view name);

}  // namespace ruvo::storage
