#pragma once
// Packaging tests for examinees: the guided "Send" sequence that gathers test documents and the
// examinee program into a folder under send/ and writes FOLDER.zip beside it, the list of those
// archives, the examinee program on the clipboard, and starting the examinee program on a test.
#include <string>
#include <vector>

#include "core/platform/ports.h"

namespace ruvo::delivery {

// The examinee program's file name.
inline constexpr const char* kExamineeProgram = "ruvo";

struct PackagingPlace {
  std::string programFolder;     // holds system/ and send/
  std::string executableFolder;  // holds the programs; the examinee program is looked for here first
};

// The examinee program: beside the running program, else in the program folder; "" when neither.
std::string ExamineeProgramPath(const PackagingPlace& place);

// True when the examinee program exists; otherwise tells where to put it and returns false.
bool ExamineeProgramPresent(const platform::Ports& ports, const PackagingPlace& place);

// Starts the examinee program on the document, the path handed over as one argument.
void LaunchExaminee(const platform::Ports& ports, const PackagingPlace& place, const std::string& documentPath);

// "受験者用のルーヴォをコピー(&C)": the examinee program on the clipboard as a file.
void acCopyRuvo(const platform::Ports& ports, const PackagingPlace& place);

// "Zip": picks one of the archives under send/ and opens it.
void acOpenZip(const platform::Ports& ports, const PackagingPlace& place);

// Writes FOLDER.zip beside the folder, holding the folder itself with everything below it
// (file modes kept, so the examinee program stays executable). An archive of that name is
// replaced only once the new one is complete. On failure *error holds the reason.
bool ZipFolder(const std::string& folder, std::string* zipPath, std::string* error);

// The "Send" action with its state: the folder of the last files chosen, for this run only.
class TPackaging final {
 public:
  void acSend(const platform::Ports& ports, const PackagingPlace& place);
  const std::string& RememberedSourceFolder() const { return rememberedSource_; }

 private:
  std::string rememberedSource_;
};

}  // namespace ruvo::delivery
