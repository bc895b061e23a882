#pragma once
// Names of files and folders, the one set of helpers every layer uses. Folders are separated
// by '/'. The extension is the last dot and what follows it in the file name; a name whose
// only dot is its first character (".ruvo", a hidden file) has none.
#include <string>
#include <string_view>

namespace ruvo::storage {

std::string JoinPath(std::string_view a, std::string_view b);  // "a" + "/" + "b" (no doubled '/')
std::string FileNameOf(std::string_view path);                 // "a/b/c.ruvo" -> "c.ruvo"
std::string FolderOf(std::string_view path);                   // "a/b/c.ruvo" -> "a/b"; "" for a bare name
std::string BaseNameOf(std::string_view path);                 // "a/b/c.ruvo" -> "c"
std::string ExtensionOf(std::string_view path);                // "a/b/c.ruvo" -> ".ruvo" (case kept)
// The extension replaced, or added when there is none.
std::string ChangeExtension(std::string_view path, std::string_view ext);

// The working copy of the teacher's preview and of a pasted document: its name without
// extension is "ruvo$$$" in any letter case. It never becomes the document's name.
bool IsWorkingCopyPath(std::string_view path);
// A project in the sense of the main window's "is a project or no document": the extension is
// ".ruvp" in any letter case.
bool IsProjectPath(std::string_view path);
// The document path rule: preview and editing of a named document are offered when its
// extension is exactly ".ruvp" (letter case counts).
bool IsProjectDocumentPath(std::string_view path);

}  // namespace ruvo::storage
