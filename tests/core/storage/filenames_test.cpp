// One answer per path from the file-name helpers every layer uses.
#include <gtest/gtest.h>

#include "core/storage/filenames.h"

namespace ruvo::storage {
namespace {

TEST(FileNames, OneAnswerForEveryPath) {
  struct Case {
    const char* path;
    const char* fileName;
    const char* folder;
    const char* base;
    const char* ext;
    const char* changed;  // ChangeExtension(path, ".ruvp")
  } cases[] = {
      {"a/b/c.ruvo", "c.ruvo", "a/b", "c", ".ruvo", "a/b/c.ruvp"},
      {"c.RUVO", "c.RUVO", "", "c", ".RUVO", "c.ruvp"},
      {"/c.ruvo", "c.ruvo", "/", "c", ".ruvo", "/c.ruvp"},
      {"a.b/c", "c", "a.b", "c", "", "a.b/c.ruvp"},  // a dot in a folder is no extension
      {"a/c.tar.gz", "c.tar.gz", "a", "c.tar", ".gz", "a/c.tar.ruvp"},
      {".ruvo", ".ruvo", "", ".ruvo", "", ".ruvo.ruvp"},  // a hidden file has no extension
      {"dir/.ruvp", ".ruvp", "dir", ".ruvp", "", "dir/.ruvp.ruvp"},
      {"dir/x.", "x.", "dir", "x", ".", "dir/x.ruvp"},
      {"dir/", "", "dir", "", "", "dir/.ruvp"},
      {"", "", "", "", "", ".ruvp"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileNameOf(c.path), c.fileName) << c.path;
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(BaseNameOf(c.path), c.base) << c.path;
    EXPECT_EQ(ExtensionOf(c.path), c.ext) << c.path;
    EXPECT_EQ(ChangeExtension(c.path, ".ruvp"), c.changed) << c.path;
  }
  EXPECT_EQ(JoinPath("a", "b"), "a/b");
  EXPECT_EQ(JoinPath("a/", "b"), "a/b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(JoinPath("a", ""), "a");
}

TEST(FileNames, ProjectAndWorkingCopyRules) {
  struct Case {
    const char* path;
    bool project;          // "is a project": any letter case
    bool projectDocument;  // preview and editing offered: exactly ".ruvp"
    bool workingCopy;
  } cases[] = {
      {"p/x.ruvp", true, true, false},
      {"p/x.RUVP", true, false, false},
      {"p/x.ruvo", false, false, false},
      {"dir/.ruvp", false, false, false},
      {"system/ruvof/ruvo$$$.ruvo", false, false, true},
      {"system/project/RUVO$$$.ruvp", true, true, true},
      {"ruvo$$$", false, false, true},
      {"xruvo$$$.ruvo", false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsProjectPath(c.path), c.project) << c.path;
    EXPECT_EQ(IsProjectDocumentPath(c.path), c.projectDocument) << c.path;
    EXPECT_EQ(IsWorkingCopyPath(c.path), c.workingCopy) << c.path;
  }
}

}  // namespace
}  // namespace ruvo::storage
