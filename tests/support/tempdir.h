#pragma once
// Temporary folders for tests: each test gets a folder of its own under the system's
// temporary folder, and everything in it goes when the object does.
#include <string>
#include <string_view>

namespace ruvo::testsupport {

class TempDir {
 public:
  // The tag shows in the folder's name, to tell whose folder a leftover is.
  explicit TempDir(std::string_view tag = "test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// A program folder for one test: a fresh folder holding system/ruvof/sample, with
// TOVIMETER_HOME pointing at it while the object lives (the earlier value comes back).
class ProgramFolder {
 public:
  explicit ProgramFolder(std::string_view tag = "home");
  ~ProgramFolder();
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  const std::string& path() const { return dir_.path(); }
  std::string operator/(std::string_view name) const { return dir_ / name; }

 private:
  TempDir dir_;
  bool hadHome_ = false;
  std::string oldHome_;
};

// Whole files in and out, bytes unchanged; a missing file reads as "".
std::string slurp(const std::string& path);
void spit(const std::string& path, std::string_view bytes);

}  // namespace ruvo::testsupport
