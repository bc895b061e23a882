#pragma once
// The folder menus of the project, template, script and test-document buttons: the files of
// a folder tree as a pop-up menu. Every entry keeps the real path it was found at, so a
// folder or file whose name holds a dot opens what the menu shows.
#include <string>
#include <vector>

namespace ruvo::authoring {

inline constexpr int kMenuColumnLength = 33;
inline constexpr int kIconFolder = 12;  // also the folder-dialog entry
inline constexpr int kIconNew = 11;
inline constexpr int kIconFile = 14;

struct FolderMenuEntry {
  enum class Kind { DialogAction, SecondAction, Separator, Folder, File };
  Kind kind = Kind::File;
  std::string caption;  // a folder's or file's name without its extension
  std::string path;     // the real path of a folder or file
  int icon = 0;
  bool newColumn = false;  // a file entry that starts a new menu column
  std::vector<FolderMenuEntry> children;
  bool operator==(const FolderMenuEntry&) const = default;
};

// The menu of a folder: the dialog entry when asked for and the second entry when it has a
// caption ("新規作成", the copy action), a separator
// after them, the subfolders (those named "sample" or "fixed form" at the very top), then
// the files whose extension is `extension` (letter case ignored). Folders whose menus stay
// empty are left out. A missing folder gives only the action entries.
std::vector<FolderMenuEntry> BuildFolderMenu(const std::string& folder, const std::string& extension, bool dialogAction,
                                             const std::string& secondAction = {});

}  // namespace ruvo::authoring
