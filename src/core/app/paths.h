#pragma once
// Where the program's files live.
#include <string>
#include <vector>

namespace ruvo::app {

// The program folder: $TOVIMETER_HOME when set; else the executable's folder when it holds a
// "system" folder or is writable; else $XDG_DATA_HOME/tovimeter (~/.local/share/tovimeter).
std::string ProgramFolder(const std::string& executablePath);

// Joins path parts with '/'.
std::string JoinPath(const std::string& a, const std::string& b);
std::string FileNameOf(const std::string& path);         // "a/b/c.ruvo" -> "c.ruvo"
std::string FolderOf(const std::string& path);           // "a/b/c.ruvo" -> "a/b" ("" for a bare name)
std::string BaseNameOf(const std::string& path);         // "a/b/c.ruvo" -> "c"
std::string ExtensionOf(const std::string& path);        // "a/b/c.ruvo" -> ".ruvo" (case kept)
std::string ChangeExtension(const std::string& path, const std::string& ext);
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
