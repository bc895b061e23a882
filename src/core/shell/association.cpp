#include "core/shell/association.h"

#include <cstdio>
#include <cstdlib>

#include "core/app/paths.h"
#include "core/storage/atomicfile.h"
#include "core/text/strings.h"

namespace ruvo::shell {

const std::vector<FileType>& FileTypes() {
  static const std::vector<FileType> types = {
      {".ruvo", "application/x-ruvo-test", "ルーヴォ テスト", "application-x-ruvo-test", "ruvo"},
      {".ruvp", "application/x-ruvo-project", "ルーヴォ プロジェクト", "application-x-ruvo-project", "tovimeter"},
      {".ruvot", "application/x-ruvo-result", "ルーヴォ 結果ファイル", "application-x-ruvo-result", "tovimeter"},
  };
  return types;
}

const FileType* FindFileType(const std::string& extension) {
  for (const auto& t : FileTypes())
    if (text::equalsIgnoreCase(extension, t.extension)) return &t;
  return nullptr;
}

namespace {

// Writes only when the content differs; true when the file holds the text afterwards.
bool writeIfChanged(const std::string& path, const std::string& content, bool& changed) {
  std::string old;
  if (storage::readWholeFile(path, old) && old == content) return true;
  if (!storage::ensureFolder(app::FolderOf(path))) return false;
  if (!storage::writeFileAtomic(path, content)) return false;
  changed = true;
  return true;
}
}  // namespace

std::string MimePackageXml(const std::vector<FileType>& types) {
  std::string x =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  for (const auto& t : types) {
    x += "  <mime-type type=\"" + text::xmlEscape(t.mimeType) + "\">\n";
    x += "    <comment>" + text::xmlEscape(t.comment) + "</comment>\n";
    x += "    <icon name=\"" + text::xmlEscape(t.icon) + "\"/>\n";
    x += "    <glob pattern=\"*" + text::xmlEscape(t.extension) + "\"/>\n";
    x += "  </mime-type>\n";
  }
  x += "</mime-info>\n";
  return x;
}

std::string DesktopExecArgument(const std::string& arg) {
  std::string out = "\"";
  for (char c : arg) {
    switch (c) {
      case '\n':
      case '\r':
      case '\0':
        return {};
      // Inside quotes these take a backslash, which the key's own string escaping doubles.
      case '\\':
        out += "\\\\\\\\";
        break;
      case '"':
      case '`':
      case '$':
        out += "\\\\";
        out += c;
        break;
      case '%':
        out += "%%";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}

std::string UserDesktopEntry(const FileType& type, const std::string& exePath) {
  const std::string exec = DesktopExecArgument(exePath);
  if (exec.empty()) return {};
  return std::string("[Desktop Entry]\n") + "Type=Application\n" + "Name=" + type.program + "\n" +
         "Comment=" + type.comment + "\n" + "Exec=" + exec + " %f\n" + "Icon=" + type.program + "\n" +
         "MimeType=" + type.mimeType + ";\n" + "NoDisplay=true\n" + "Terminal=false\n";
}

XdgDirs XdgDirsFromEnvironment() {
  XdgDirs d;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
    d.dataHome = x;
  else if (const char* h = std::getenv("HOME"); h && *h)
    d.dataHome = app::JoinPath(h, ".local/share");
  std::string dirs = "/usr/local/share:/usr/share";
  if (const char* x = std::getenv("XDG_DATA_DIRS"); x && *x) dirs = x;
  for (auto& s : text::split(dirs, ':'))
    if (!s.empty()) d.dataDirs.push_back(s);
  return d;
}

std::string DesktopEntryProgram(const std::string& entry) {
  const auto key = entry.find("\nExec=");
  if (key == std::string::npos) return {};
  std::size_t i = key + 6;
  std::string out;
  if (i >= entry.size() || entry[i] != '"') {
    while (i < entry.size() && entry[i] != ' ' && entry[i] != '\n') out += entry[i++];
    return out;
  }
  // The reverse of DesktopExecArgument.
  for (++i; i < entry.size() && entry[i] != '\n'; ++i) {
    const char c = entry[i];
    if (c == '"') return out;
    if (c == '%' && i + 1 < entry.size() && entry[i + 1] == '%') {
      out += '%';
      ++i;
    } else if (c == '\\' && entry.compare(i, 4, "\\\\\\\\") == 0) {
      out += '\\';
      i += 3;
    } else if (c == '\\' && entry.compare(i, 2, "\\\\") == 0 && i + 2 < entry.size()) {
      out += entry[i + 2];
      i += 2;
    } else {
      out += c;
    }
  }
  return {};
}

bool RegisterFileAssociation(platform::Shell* shell, const std::string& exePath, const std::string& extension,
                             const XdgDirs& dirs, const InstalledTest& isInstalled) {
  const FileType* type = FindFileType(extension);
  if (!type || exePath.empty()) return false;
  bool provided = false;
  for (const auto& d : dirs.dataDirs)
    if (app::FileExists(app::JoinPath(d, std::string("mime/packages/") + kInstalledMimePackage))) provided = true;
  if (!isInstalled || !isInstalled(exePath)) return provided;
  platform::Shell& sh = shell ? *shell : platform::nullShell();
  if (dirs.dataHome.empty()) return provided;

  const std::string tag = std::string(type->extension + 1);
  const std::string mimeDir = app::JoinPath(dirs.dataHome, "mime");
  const std::string appsDir = app::JoinPath(dirs.dataHome, "applications");
  const std::string userEntry = app::JoinPath(appsDir, "tovimeter-open-" + tag + ".desktop");
  const std::string userMime = app::JoinPath(mimeDir, "packages/tovimeter-" + tag + ".xml");
  // A user's entry for a build tree or a mailed copy gives way to the installed program.
  std::string old;
  if (storage::readWholeFile(userEntry, old)) {
    const std::string program = DesktopEntryProgram(old);
    if (program != exePath && (program.empty() || !isInstalled(program))) {
      const bool ok = std::remove(userEntry.c_str()) == 0;
      if (provided) {
        std::remove(userMime.c_str());
        sh.start("update-mime-database", {mimeDir});
      }
      sh.start("update-desktop-database", {appsDir});
      if (!ok) return false;
    }
  }
  if (provided) return true;

  const std::string entry = UserDesktopEntry(*type, exePath);
  if (entry.empty()) return false;
  bool mimeChanged = false, entryChanged = false;
  if (!writeIfChanged(userMime, MimePackageXml({*type}), mimeChanged)) return false;
  if (!writeIfChanged(userEntry, entry, entryChanged)) return false;
  // The desktop reads the types from the caches these tools build.
  bool ok = true;
  if (mimeChanged || !app::FileExists(app::JoinPath(mimeDir, "mime.cache")))
    ok = sh.start("update-mime-database", {mimeDir});
  if (entryChanged) sh.start("update-desktop-database", {appsDir});
  return ok;
}

std::string CommandLineProject(const std::vector<std::string>& args) {
  if (!app::CommandLineDocument(args).empty()) return {};
  for (const auto& a : args)
    if (text::asciiLower(app::ExtensionOf(a)) == ".ruvp" && app::FileExists(a)) return a;
  return {};
}

}  // namespace ruvo::shell
