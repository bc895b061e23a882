#include "core/authoring/foldermenu.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/text/strings.h"

namespace ruvo::authoring {
namespace {

namespace fs = std::filesystem;

std::string withoutExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

struct Found {
  std::vector<fs::path> folders, files;
};

Found list(const fs::path& folder, const std::string& extension) {
  Found f;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    if (it->is_directory(ec))
      f.folders.push_back(p);
    else if (text::equalsIgnoreCase(p.extension().string(), extension))
      f.files.push_back(p);
  }
  std::sort(f.folders.begin(), f.folders.end());
  std::sort(f.files.begin(), f.files.end());
  return f;
}

void addFiles(std::vector<FolderMenuEntry>& menu, const std::vector<fs::path>& files) {
  for (const fs::path& p : files) {
    FolderMenuEntry e;
    e.kind = FolderMenuEntry::Kind::File;
    e.caption = withoutExtension(p.filename().string());
    e.path = p.string();
    e.icon = kIconFile;
    const int position = static_cast<int>(menu.size());
    e.newColumn = position > 0 && position % kMenuColumnLength == 0;
    menu.push_back(std::move(e));
  }
}

std::vector<FolderMenuEntry> subMenu(const fs::path& folder, const std::string& extension, int depth);

// A submenu entry for a folder, or nothing when it would stay empty.
bool folderEntry(const fs::path& p, const std::string& extension, int depth, FolderMenuEntry& e) {
  e = FolderMenuEntry{};
  e.kind = FolderMenuEntry::Kind::Folder;
  e.caption = withoutExtension(p.filename().string());
  e.path = p.string();
  e.icon = kIconFolder;
  // Links may loop; a menu deeper than this is no menu anyone reads.
  if (depth < 32) e.children = subMenu(p, extension, depth + 1);
  return !e.children.empty();
}

std::vector<FolderMenuEntry> subMenu(const fs::path& folder, const std::string& extension, int depth) {
  const Found f = list(folder, extension);
  std::vector<FolderMenuEntry> menu;
  for (const fs::path& p : f.folders) {
    FolderMenuEntry e;
    if (folderEntry(p, extension, depth, e)) menu.push_back(std::move(e));
  }
  addFiles(menu, f.files);
  return menu;
}

}  // namespace

std::vector<FolderMenuEntry> BuildFolderMenu(const std::string& folder, const std::string& extension, bool dialogAction,
                                             const std::string& secondAction) {
  std::vector<FolderMenuEntry> menu;
  if (dialogAction)
    menu.push_back({FolderMenuEntry::Kind::DialogAction, "フォルダ窓を開く", {}, kIconFolder, false, {}});
  if (!secondAction.empty())
    menu.push_back({FolderMenuEntry::Kind::SecondAction, secondAction, {}, kIconNew, false, {}});
  if (dialogAction || !secondAction.empty()) menu.push_back({FolderMenuEntry::Kind::Separator, "-", {}, 0, false, {}});
  const Found f = list(folder, extension);
  for (const fs::path& p : f.folders) {
    FolderMenuEntry e;
    if (!folderEntry(p, extension, 0, e)) continue;
    const std::string name = p.filename().string();
    if (name == "sample" || name == "fixed form")
      menu.insert(menu.begin(), std::move(e));
    else
      menu.push_back(std::move(e));
  }
  addFiles(menu, f.files);
  return menu;
}

}  // namespace ruvo::authoring
