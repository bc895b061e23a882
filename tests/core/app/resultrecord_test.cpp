#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

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
  // A control character would split a listing of result files into two lines.
  EXPECT_EQ(SanitizeFileName("Ito\tKen\r\nA\x01\x7f"), "Ito Ken  A  ");
  EXPECT_EQ(ResultFileName({2004, 5, 6, 10, 11, 12}, "Ito\nKen"), "20040506101112Ito Ken.ruvot");
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
  fs::remove_all(a);
  fs::remove_all(b);
}

TEST(ResultRecord, LongNamesAreShortenedAtACharacterBoundary) {
  const platform::DateTime t{2004, 5, 6, 10, 11, 12};
  const std::string stamp = "20040506101112";
  struct Case {
    std::string name;
    int number;
    std::size_t bytes;  // of the whole file name
  } cases[] = {
      {"Ito", 1, stamp.size() + 3 + 6},
      {std::string(235, 'a'), 1, 255},   // exactly at the limit: kept whole
      {std::string(236, 'a'), 1, 255},   // one byte over: cut
      {std::string(300, 'a'), 12, 255},  // the counter keeps its place
      {"あ" + std::string(300, 'a'), 7, 255},
      {[] {
         std::string s;
         for (int i = 0; i < 90; ++i) s += "山";
         return s;
       }(),
       1, 254},  // 3-byte characters
      {[] {
         std::string s;
         for (int i = 0; i < 90; ++i) s += "山";
         return s;
       }(),
       3, 253},
  };
  for (const Case& c : cases) {
    const std::string n = NumberedFileName(ResultFileName(t, c.name), c.number);
    SCOPED_TRACE(n);
    EXPECT_EQ(n.size(), c.bytes);
    EXPECT_TRUE(n.starts_with(stamp));
    EXPECT_TRUE(n.ends_with(c.number == 1 ? std::string(".ruvot") : "_" + std::to_string(c.number) + ".ruvot"));
    // Whole characters only: the name stays valid UTF-8.
    const std::string stem = n.substr(0, n.rfind(c.number == 1 ? "." : "_"));
    std::size_t i = stamp.size();
    while (i < stem.size()) {
      const unsigned char b = static_cast<unsigned char>(stem[i]);
      const std::size_t len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
      ASSERT_LE(i + len, stem.size());
      i += len;
    }
  }
}

TEST(ResultRecord, OneClaimOfAFreeNameForEveryCopy) {
  std::string name;
  for (int i = 0; i < 100; ++i) name += "山";
  const std::string base = ResultFileName({2004, 5, 6, 10, 11, 12}, name);
  // Names 1 to 11 are taken; the twelfth is claimed, whole characters, counter and extension
  // kept, within the limit.
  std::vector<std::string> tried;
  int number = 1;
  const platform::Status s = ClaimResultFileName(base, number, [&](const std::string& n) {
    tried.push_back(n);
    return tried.size() < 12 ? platform::Status::fromErrno(EEXIST, "taken") : platform::Status{};
  });
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(number, 12);
  ASSERT_EQ(tried.size(), 12u);
  EXPECT_EQ(tried[0], base);
  for (std::size_t i = 1; i < tried.size(); ++i) {
    SCOPED_TRACE(tried[i]);
    EXPECT_LE(tried[i].size(), kMaxFileNameBytes);
    EXPECT_TRUE(tried[i].ends_with("_" + std::to_string(i + 1) + ".ruvot"));
    EXPECT_TRUE(tried[i].starts_with("20040506101112山"));
  }
  // Another failure ends the claim with its reason.
  number = 1;
  const platform::Status denied = ClaimResultFileName(
      base, number, [](const std::string&) { return platform::Status::fromErrno(EACCES, "cannot write"); });
  EXPECT_EQ(denied.error(), EACCES);
  // A name given too long is cut as well before the first try.
  tried.clear();
  number = 1;
  ASSERT_TRUE(ClaimResultFileName(std::string(300, 'x') + ".ruvot", number, [&](const std::string& n) {
                tried.push_back(n);
                return platform::Status{};
              }).ok());
  EXPECT_EQ(tried.at(0).size(), kMaxFileNameBytes);
  EXPECT_TRUE(tried.at(0).ends_with(".ruvot"));
}

TEST(ResultRecord, NewResultFilesTakeTheNextFreeNameAndNeverReplaceOne) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("ruvo-newresult-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto slurp = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::string longName = ResultFileName({2004, 5, 6, 10, 11, 12}, std::string(240, 'l'));
  for (const std::string& base : {std::string("20040506101112Ito.ruvot"), longName}) {
    int number = 1;
    ASSERT_TRUE(WriteNewResultFile(dir.string(), base, "first", number).ok());
    EXPECT_EQ(number, 1);
    number = 1;
    ASSERT_TRUE(WriteNewResultFile(dir.string(), base, "second", number).ok());
    EXPECT_EQ(number, 2);
    EXPECT_EQ(slurp(dir / base), "first");
    EXPECT_EQ(slurp(dir / NumberedFileName(base, 2)), "second");
    EXPECT_EQ(FreeResultFileNumber(base, {dir.string()}), 3);
  }
  // Runs of one class finishing at the same second: every result lands, each in its own file.
  std::vector<std::thread> runs;
  for (int i = 0; i < 24; ++i)
    runs.emplace_back([&, i] {
      int number = 1;
      EXPECT_TRUE(WriteNewResultFile(dir.string(), "same.ruvot", "run " + std::to_string(i), number).ok());
    });
  for (auto& r : runs) r.join();
  std::set<std::string> bodies;
  for (int n = 1; n <= 24; ++n) bodies.insert(slurp(dir / NumberedFileName("same.ruvot", n)));
  EXPECT_EQ(bodies.size(), 24u);
  EXPECT_FALSE(fs::exists(dir / "same_25.ruvot"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace ruvo::app
