#pragma once
// Packaging tests for examinees: the guided "Send" sequence that gathers test documents and the
// examinee program into a folder under send/ and writes FOLDER.zip beside it, the list of those
// archives, the examinee program on the clipboard, and starting the examinee program on a test.
#include <string>
#include <vector>

#include "core/delivery/filesystem.h"
#include "core/platform/ports.h"

namespace ruvo::delivery {

// The examinee program's file name.
inline constexpr const char* kExamineeProgram = "ruvo";

// The examinee program as it is handed out: a folder holding the launcher "ruvo" and the
// runtime folder with the program, its libraries, plugins and fonts, so that it runs where the
// window libraries are not installed. Built beside the programs; installed below lib/tovimeter.
inline constexpr const char* kExamineeBundle = "ruvo-examinee";
inline constexpr const char* kExamineeRuntime = "ruvo-runtime";

struct PackagingPlace {
  std::string programFolder;     // holds system/ and send/
  std::string executableFolder;  // holds the programs; the examinee program is looked for here first
};

// The examinee program: beside the running program, else in the program folder; "" when neither.
std::string ExamineeProgramPath(const PackagingPlace& place);

// What is handed out for the examinee program `program`: the launcher of the bundle beside it
// (folder/ruvo-examinee, or folder/../lib/tovimeter/ruvo-examinee of an installation), else the
// program itself; "" when neither exists.
std::string ExamineePackageFor(FileSystem& fs, const std::string& program);

// Copies what ExamineePackageFor gave into folder: the launcher or program under its name and,
// beside a launcher, its runtime folder (always refreshed, so that the launcher never meets the
// libraries of another build). replace: whether an existing launcher is replaced.
bool CopyExamineeProgram(FileSystem& fs, const std::string& source, const std::string& folder, bool replace);

// Why folder cannot take a package, as the message to show; "" when it can. A package folder
// is new or holds files of its own only: never the send folder or a folder above it, nor a
// folder holding other folders or archives (earlier packages, somebody's home), which would
// all go into the archive.
std::string PackageFolderProblem(FileSystem& fs, const std::string& folder, const std::string& sendRoot);

// True when the examinee program exists; otherwise tells where to put it and returns false.
bool ExamineeProgramPresent(const platform::Ports& ports, const PackagingPlace& place);

// Starts the examinee program on the document, the path handed over as one argument.
void LaunchExaminee(const platform::Ports& ports, const PackagingPlace& place, const std::string& documentPath);

// "受験者用のルーヴォをコピー(&C)": the examinee program on the clipboard as a file.
void acCopyRuvo(const platform::Ports& ports, const PackagingPlace& place);

// "Zip": picks one of the archives under send/ and opens it.
void acOpenZip(const platform::Ports& ports, const PackagingPlace& place);

// Writes FOLDER.zip beside the folder, holding the folder itself with everything below it.
// Programs are stored 0755, other files 0644 and folders 0755, whatever the umask of the
// machine that packed them: an unpacked package is never writable by others. An archive of that name is
// replaced only once the new one is complete. On failure *error holds the reason.
bool ZipFolder(const std::string& folder, std::string* zipPath, std::string* error);

// The package "ruvo-tool package" makes: the tests, the examinee program and, with a
// collection folder, the environment file naming it, in folder, and folder.zip beside it.
// Files already in folder are replaced.
struct PackageRequest {
  std::vector<std::string> tests;
  std::string folder;
  std::string collection;  // "" for none
  std::string examinee;    // from ExamineePackageFor; "" packs none
};
bool MakeExamineePackage(FileSystem& fs, const PackageRequest& request, std::string* zipPath, std::string* error);

// The "Send" action with its state: the folder of the last files chosen, for this run only.
class TPackaging final {
 public:
  void acSend(const platform::Ports& ports, const PackagingPlace& place);
  const std::string& RememberedSourceFolder() const { return rememberedSource_; }

 private:
  std::string rememberedSource_;
};

}  // namespace ruvo::delivery
