#include "core/authoring/foldermenu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace ruvo::authoring {
namespace {

namespace fs = std::filesystem;
using Kind = FolderMenuEntry::Kind;

class FolderMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("ruvo-menu-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  void touch(const std::string& rel) {
    fs::create_directories((root_ / rel).parent_path());
    std::ofstream(root_ / rel) << "x";
  }
  fs::path root_;
};

std::vector<std::string> captions(const std::vector<FolderMenuEntry>& m) {
  std::vector<std::string> out;
  for (const auto& e : m) out.push_back(e.caption);
  return out;
}

TEST_F(FolderMenu, EntryOrderAndRealPaths) {
  touch("b.ruvp");
  touch("a.RUVP");
  touch("notes.txt");
  touch("sample/s.ruvp");
  touch("fixed form/f.ruvp");
  touch("2026.1/unit.1.ruvp");
  touch("empty/only.txt");
  fs::create_directories(root_ / "empty/deeper");
  touch("other/sub/deep.ruvp");
  const auto menu = BuildFolderMenu(root_.string(), ".ruvp", true, "新規作成");
  // The later of the two favoured folders is put in front last, so it stands first.
  EXPECT_EQ(captions(menu), (std::vector<std::string>{"sample", "fixed form", "フォルダ窓を開く", "新規作成", "-",
                                                      "2026", "other", "a", "b"}));
  EXPECT_EQ(menu[2].kind, Kind::DialogAction);
  EXPECT_EQ(menu[3].kind, Kind::SecondAction);
  EXPECT_EQ(menu[4].kind, Kind::Separator);
  // The folder "2026.1" shows as "2026" yet its entries lead to the real files.
  const FolderMenuEntry& dotted = menu[5];
  EXPECT_EQ(dotted.kind, Kind::Folder);
  ASSERT_EQ(dotted.children.size(), 1u);
  EXPECT_EQ(dotted.children[0].caption, "unit.1");
  EXPECT_EQ(dotted.children[0].path, (root_ / "2026.1/unit.1.ruvp").string());
  EXPECT_TRUE(fs::exists(dotted.children[0].path));
  EXPECT_EQ(menu[6].children[0].caption, "sub");
  EXPECT_EQ(menu[6].children[0].children[0].path, (root_ / "other/sub/deep.ruvp").string());
  EXPECT_EQ(menu[7].icon, kIconFile);

  // Without action entries there is no separator; a missing folder gives an empty menu.
  EXPECT_EQ(captions(BuildFolderMenu((root_ / "other").string(), ".ruvp", false)), (std::vector<std::string>{"sub"}));
  EXPECT_TRUE(BuildFolderMenu((root_ / "nowhere").string(), ".ruvp", false).empty());
}

TEST_F(FolderMenu, ColumnBreakEveryThirtyThreeEntries) {
  for (int i = 0; i < 70; ++i) touch("many/" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".rtf");
  const auto menu = BuildFolderMenu(root_.string(), ".rtf", true);
  ASSERT_EQ(menu.size(), 3u);  // dialog entry, separator, the folder
  const auto& files = menu[2].children;
  ASSERT_EQ(files.size(), 70u);
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(files[i].newColumn, i == 33 || i == 66) << i;
  // At the top level the entries above the files count too.
  touch("top/x.rtf");
  for (int i = 0; i < 35; ++i) touch(std::to_string(100 + i) + ".rtf");
  const auto top = BuildFolderMenu(root_.string(), ".rtf", true);
  ASSERT_EQ(top.size(), 4u + 35u);
  for (std::size_t i = 0; i < top.size(); ++i) EXPECT_EQ(top[i].newColumn, i == 33) << i;
}

}  // namespace
}  // namespace ruvo::authoring
