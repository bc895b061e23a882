#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/app/resultrecord.h"

namespace ruvo::app {
namespace {

TEST(ResultRecord, DateIsAlwaysYearFirstWithTwoDigitFields) {
  EXPECT_EQ(FormatResultDate({2004, 5, 6, 9, 1, 2}), "2004/05/06 09:01:02");
  platform::DateTime t;
  ASSERT_TRUE(ParseResultDate("2004/5/6 9:01:02", t));
  EXPECT_EQ(t, (platform::DateTime{2004, 5, 6, 9, 1, 2}));
  EXPECT_FALSE(ParseResultDate("2004-05-06 09:01:02", t));
  EXPECT_FALSE(ParseResultDate("2004/13/06 09:01:02", t));
}

TEST(ResultRecord, FileNameRemovesTheCharactersFilesCannotHold) {
  EXPECT_EQ(ResultFileName({2004, 5, 6, 10, 11, 12}, "Ito"), "20040506101112Ito.ruvot");
  EXPECT_EQ(SanitizeFileName("A.B/C"), "ABC");
  EXPECT_EQ(SanitizeFileName("\"*?\\/:<>|.x山田"), "x山田");
}

TEST(ResultRecord, ValuesWithTabsOrBreaksKeepTheColumnsInStep) {
  TResultColumns c;
  c.Add("title", "Unit\t3");
  c.Add("name", "Ito\r\nKen");
  c.Add("ans1", "a\tb");
  EXPECT_EQ(c.ValueLine(), "Unit 3\tIto  Ken\ta b");
  EXPECT_EQ(c.HeaderLine(), "title\tname\tans1");
}

TEST(ResultRecord, AnExistingResultFileIsNeverReplaced) {
  namespace fs = std::filesystem;
  auto a = fs::temp_directory_path() / ("ruvo-uniq-a" + std::to_string(::getpid()));
  auto b = fs::temp_directory_path() / ("ruvo-uniq-b" + std::to_string(::getpid()));
  fs::create_directories(a);
  fs::create_directories(b);
  std::vector<std::string> folders{a.string(), b.string()};
  EXPECT_EQ(UniqueResultFileName("20040506101112Ito.ruvot", folders), "20040506101112Ito.ruvot");
  std::ofstream(a / "20040506101112Ito.ruvot") << "x";
  EXPECT_EQ(UniqueResultFileName("20040506101112Ito.ruvot", folders), "20040506101112Ito_2.ruvot");
  std::ofstream(b / "20040506101112Ito_2.ruvot") << "x";  // taken in the other folder counts too
  EXPECT_EQ(UniqueResultFileName("20040506101112Ito.ruvot", folders), "20040506101112Ito_3.ruvot");
  // Claiming in the shared folder: the name is taken at once, so the next caller gets another.
  EXPECT_EQ(UniqueResultFileName("x.ruvot", folders, b.string()), "x.ruvot");
  EXPECT_TRUE(fs::exists(b / "x.ruvot"));
  EXPECT_EQ(UniqueResultFileName("x.ruvot", {a.string()}, b.string()), "x_2.ruvot");
  fs::remove_all(a);
  fs::remove_all(b);
}

}  // namespace
}  // namespace ruvo::app
