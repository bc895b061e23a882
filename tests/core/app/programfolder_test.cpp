// The program folder of an installed program is the user's own, seeded from the installation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/app/paths.h"

namespace ruvo::app {
namespace {
namespace fs = std::filesystem;

TEST(ProgramFolderInstalled, WritableBinBesideShareStillUsesTheUsersFolder) {
  std::string t = (fs::temp_directory_path() / "pfinst-XXXXXX").string();
  const fs::path root = mkdtemp(t.data());
  fs::create_directories(root / "prefix/bin");
  fs::create_directories(root / "prefix/share/tovimeter/system/ruvof/sample");
  std::ofstream(root / "prefix/share/tovimeter/system/ruvof/sample/a.ruvo") << "x";
  const char* oldHome = std::getenv("TOVIMETER_HOME");
  const std::string saved = oldHome ? oldHome : "";
  ::unsetenv("TOVIMETER_HOME");
  ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);

  // The bin folder is writable here (as /usr/bin is for root): the user's folder wins anyway.
  const std::string folder = ProgramFolder((root / "prefix/bin/tovimeter").string());
  EXPECT_EQ(folder, (root / "data/tovimeter").string());
  EXPECT_TRUE(fs::exists(root / "data/tovimeter/system/ruvof/sample/a.ruvo")) << "seeded from the installation";
  EXPECT_FALSE(fs::exists(root / "prefix/bin/system"));

  // A portable folder (system/ beside the program) stays where it is.
  fs::create_directories(root / "portable/system");
  EXPECT_EQ(ProgramFolder((root / "portable/tovimeter").string()), fs::weakly_canonical(root / "portable").string());

  ::unsetenv("XDG_DATA_HOME");
  if (!saved.empty()) ::setenv("TOVIMETER_HOME", saved.c_str(), 1);
  fs::remove_all(root);
}

}  // namespace
}  // namespace ruvo::app
