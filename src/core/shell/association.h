#pragma once
// The file types of the system and their place in the desktop: shared-mime-info types, the
// desktop entries that open them, and the per-user registration at start-up.
#include <functional>
#include <string>
#include <vector>

#include "core/app/paths.h"
#include "core/platform/ports.h"

namespace ruvo::shell {

struct FileType {
  const char* extension;  // ".ruvo"
  const char* mimeType;   // "application/x-ruvo-test"
  const char* comment;    // the type's name in the file manager
  const char* icon;       // icon name in the hicolor theme
  const char* program;    // the program that opens it ("ruvo", "tovimeter")
};

// Test documents (opened by the examinee program), projects and result files (the teacher's).
const std::vector<FileType>& FileTypes();
// By extension, letter case ignored; nullptr when the extension is not one of ours.
const FileType* FindFileType(const std::string& extension);

// The shared-mime-info package text for the given types.
std::string MimePackageXml(const std::vector<FileType>& types);

// One argument of a desktop entry's Exec key, quoted and escaped so that blanks, quotes,
// backslashes, '$' and '%' reach the program unchanged. Empty for a text that cannot be
// written on one line.
std::string DesktopExecArgument(const std::string& arg);

// A desktop entry that opens the type with the program at exePath. Hidden from menus: the
// installed entries are the ones people start the programs from.
std::string UserDesktopEntry(const FileType& type, const std::string& exePath);

struct XdgDirs {
  std::string dataHome;               // $XDG_DATA_HOME or ~/.local/share
  std::vector<std::string> dataDirs;  // $XDG_DATA_DIRS or /usr/local/share:/usr/share
};
XdgDirs XdgDirsFromEnvironment();

// Name of the MIME package the installation puts under share/mime/packages.
inline constexpr const char* kInstalledMimePackage = "tovimeter.xml";

// The program a desktop entry's Exec key starts (its first argument, unquoted); "" when there
// is none.
std::string DesktopEntryProgram(const std::string& entry);

using InstalledTest = std::function<bool(const std::string& executablePath)>;

// Makes files of the extension open with exePath for this user. Only an installed program
// (isInstalled) does so: a build tree or a copy carried about would otherwise stay the
// default after the real installation. An installed program first removes the user's entry
// when it opens the type with a program that is not installed; then, unless an installation
// provides the types (its MIME package lies in one of the data dirs), writes the user's MIME
// package and desktop entry (unchanged files are not rewritten). It asks the desktop's tools
// to refresh their caches. True when the types are known or were registered; false
// otherwise, silently (start-up goes on either way).
bool RegisterFileAssociation(platform::Shell* shell, const std::string& exePath, const std::string& extension,
                             const XdgDirs& dirs = XdgDirsFromEnvironment(),
                             const InstalledTest& isInstalled = app::IsInstalledProgram);

// A project the file manager hands the teacher's program: the first argument with the extension
// ".ruvp" (letter case ignored) that names an existing file, unless a test document came along
// (that one opens instead); "" otherwise.
std::string CommandLineProject(const std::vector<std::string>& args);

}  // namespace ruvo::shell
