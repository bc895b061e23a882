// ruvo-tool package: the folder the teacher's Send makes for examinees (the tests, the examinee
// program with everything it needs to run, the environment file) and its zip archive.
#include <unistd.h>

#include <iostream>
#include <string>

#include "core/app/paths.h"
#include "core/delivery/filesystem.h"
#include "core/delivery/packaging.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

std::string ownFolder() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? app::FolderOf(std::string(buf, static_cast<std::size_t>(n))) : std::string();
}

int runPackage(const Args& args) {
  delivery::PackageRequest request;
  bool noProgram = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--collection") {
      if (i + 1 >= args.size()) return usageError("package", a + " needs a folder");
      (a == "-o" ? request.folder : request.collection) = args[++i];
    } else if (a == "--no-program") {
      noProgram = true;
    } else if (!a.empty() && a[0] == '-') {
      return usageError("package", "unknown option " + a);
    } else {
      request.tests.push_back(a);
    }
  }
  if (request.tests.empty() || request.folder.empty())
    return usageError("package", "TEST.ruvo... and -o FOLDER are required");
  delivery::FileSystem& files = delivery::RealFileSystem();
  if (!noProgram) {
    // The examinee program built or installed with this tool.
    request.examinee = delivery::ExamineePackageFor(files, app::JoinPath(ownFolder(), delivery::kExamineeProgram));
    if (request.examinee.empty()) return refuse("no examinee program beside ruvo-tool (build it, or use --no-program)");
  }
  std::string zip, error;
  if (!delivery::MakeExamineePackage(files, request, &zip, &error)) return refuse(error);
  std::cout << zip << "\n";
  return kOk;
}

const ToolCommand kPackage(
    "package",
    "  package TEST.ruvo... -o FOLDER [--collection DIR] [--no-program]\n"
    "      the folder for examinees (the tests, the examinee program with its libraries, and with\n"
    "      --collection the environment file naming DIR) and FOLDER.zip beside it; prints the zip.\n",
    runPackage);

}  // namespace
}  // namespace ruvo::tool
