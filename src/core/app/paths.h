#pragma once
// Where the program's files live.
#include <string>
#include <vector>

#include "core/storage/filenames.h"

namespace ruvo::app {

// The program folder: $TOVIMETER_HOME when set; else the executable's folder when it holds a
// "system" folder or is writable; else $XDG_DATA_HOME/tovimeter (~/.local/share/tovimeter).
std::string ProgramFolder(const std::string& executablePath);

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
