#pragma once
// Where the program's files live.
#include <string>
#include <vector>

#include "core/storage/filenames.h"

namespace ruvo::app {

// The program folder: $TOVIMETER_HOME when set; else the executable's folder when it holds a
// "system" folder or is writable; else $XDG_DATA_HOME/tovimeter (~/.local/share/tovimeter),
// whose system folder follows the installation's (RefreshShippedFiles).
std::string ProgramFolder(const std::string& executablePath);

// True for a program installed under a prefix (bin/ beside share/tovimeter/system, no system
// folder of its own): not a build tree, nor a copy mailed or carried about.
bool IsInstalledProgram(const std::string& executablePath);

// Brings the user's copy of the shipped files (target, the program folder's "system") up to
// the installation's (shipped). A file is copied when it is new in the installation, and
// replaced when the user's copy still is what was shipped before; a file the user changed or
// removed is left as it is. What was shipped is kept with checksums in target/.shipped-files.
// Copies that predate that list are replaced only where nobody edits them: the manual's
// files, and samples the program still keeps read-only.
struct RefreshCounts {
  int copied = 0, replaced = 0, kept = 0;
};
RefreshCounts RefreshShippedFiles(const std::string& shipped, const std::string& target);
inline constexpr const char* kShippedList = ".shipped-files";

// The file-name helpers are the storage layer's.
using storage::BaseNameOf;
using storage::ChangeExtension;
using storage::ExtensionOf;
using storage::FileNameOf;
using storage::FolderOf;
using storage::JoinPath;
bool FileExists(const std::string& path);  // a regular file
bool FolderExists(const std::string& path);

// A relative name of the system ("ruvo_envi.dat", "HowToEdit.ruvo"): the current folder first,
// then the program folder, then the extra folders given (an examinee's program adds the test
// document's folder). Returns the first existing path, or nullopt-like "" when none exists.
std::string FindRelativeFile(const std::string& name, const std::string& programFolder,
                             const std::vector<std::string>& extraFolders = {});

// The first argument whose extension is ".ruvo" (any case); "" when none.
std::string CommandLineDocument(const std::vector<std::string>& args);

}  // namespace ruvo::app
