#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/app/paths.h"
#include "core/app/settings.h"

namespace ruvo::app {
namespace {
namespace fs = std::filesystem;

std::string tempDir(const std::string& name) {
  auto d = fs::temp_directory_path() / ("ruvo-app-" + name + "-" + std::to_string(::getpid()));
  fs::remove_all(d);
  fs::create_directories(d);
  return d.string();
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(Placement, WithoutSettingsFileUsesTheBuiltInPlacement) {
  TSettings s;  // file absent
  auto r = PlaceWindow(s, {{0, 0, 1920, 1080}});
  EXPECT_EQ(r, (platform::Rect{(1920 - 600) / 2 - 16, 864 / 10 - 16, 600, 864}));
}

TEST(Placement, SavedPositionsArePulledInsideTheUnionOfMonitors) {
  struct Case {
    std::optional<int> left, top, width, height;
    std::vector<platform::Rect> monitors;
    platform::Rect expected;
  } cases[] = {
      // left -3000 on one 1920 monitor comes back to 0
      {-3000, 100, 800, 600, {{0, 0, 1920, 1080}}, {0, 100, 800, 600}},
      // far right and below: pulled back so the whole window is inside
      {5000, 5000, 800, 600, {{0, 0, 1920, 1080}}, {1120, 480, 800, 600}},
      // a second monitor on the left makes negative positions valid
      {-1500, 10, 800, 600, {{0, 0, 1920, 1080}, {-1920, 0, 1920, 1080}}, {-1500, 10, 800, 600}},
      // absent keys take the defaults of the primary screen
      {std::nullopt, std::nullopt, std::nullopt, std::nullopt, {{0, 0, 1920, 1080}}, {660, 86, 600, 864}},
      // the window keeps its minimum size
      {10, 10, 100, 100, {{0, 0, 1920, 1080}}, {10, 10, 570, 500}},
  };
  for (const auto& c : cases) {
    TSettings s;
    s.fileExisted = true;
    s.left = c.left;
    s.top = c.top;
    s.width = c.width;
    s.height = c.height;
    EXPECT_EQ(PlaceWindow(s, c.monitors), c.expected) << c.left.value_or(-1);
  }
}

TEST(Placement, ASavedWindowLargerThanItsMonitorShrinksOntoIt) {
  // Monitors are the areas windows may cover: a panel along the top leaves 1024 x 741 at y 27.
  const platform::Rect small{0, 0, 1024, 768}, paneled{0, 27, 1024, 741};
  const platform::Rect big{0, 0, 1920, 1080}, right{1920, 0, 1024, 768};
  struct Case {
    const char* what;
    platform::Rect saved;
    std::vector<platform::Rect> monitors;
    FrameSize frame;
    platform::Rect expected;
  } cases[] = {
      {"saved on a taller screen", {100, 50, 600, 800}, {small}, {}, {100, 0, 600, 768}},
      {"a panel takes the top", {100, 50, 600, 800}, {paneled}, {}, {100, 27, 600, 741}},
      {"the title bar counts", {100, 50, 600, 800}, {paneled}, {8, 30}, {100, 27, 600, 711}},
      {"wider than the screen", {300, 10, 1600, 600}, {small}, {}, {0, 10, 1024, 600}},
      {"fits: left alone", {100, 50, 600, 700}, {small}, {}, {100, 50, 600, 700}},
      {"on the smaller of two monitors", {2000, 100, 800, 900}, {big, right}, {}, {2000, 0, 800, 768}},
      {"mostly on the larger monitor", {1500, 100, 800, 900}, {big, right}, {}, {1120, 100, 800, 900}},
      {"on no monitor: the primary", {5000, 5000, 800, 900}, {small, right}, {}, {224, 0, 800, 768}},
      {"a screen below the minimum size", {50, 50, 600, 600}, {{0, 0, 800, 480}}, {}, {50, 0, 600, 500}},
  };
  for (const auto& c : cases) {
    TSettings s;
    s.fileExisted = true;
    s.left = c.saved.left;
    s.top = c.saved.top;
    s.width = c.saved.width;
    s.height = c.saved.height;
    EXPECT_EQ(PlaceWindow(s, c.monitors, c.frame), c.expected) << c.what;
    EXPECT_EQ(FitWindow(c.saved, c.monitors, c.frame), c.expected) << c.what;
  }
  // Without a settings file the built-in size is fitted the same way.
  EXPECT_EQ(PlaceWindow(TSettings{}, {{0, 0, 800, 480}}), (platform::Rect{84, 0, 600, 500}));
}

TEST(SettingsFile, ReadsEveryKeyRaisesIntervalAndWritesAllKeysInOrder) {
  std::string dir = tempDir("settings");
  std::string path = dir + "/tovimeter.ini";
  writeText(path,
            "[other]\r\nx=1\r\n[setting]\r\nleft=10\r\ntop=20\r\nwidth=700\r\nheight=650\r\n"
            "interval=1000\r\nAnimeDure=5000\r\ndirtoteacher=/srv/collect\r\ndirtolearner=/srv/dist\r\n"
            "spss=1\r\nRetrieve=0\r\n");
  TSettings s = LoadSettings(path);
  ASSERT_TRUE(s.fileExisted);
  EXPECT_EQ(s.left, 10);
  EXPECT_EQ(s.top, 20);
  EXPECT_EQ(s.width, 700);
  EXPECT_EQ(s.height, 650);
  EXPECT_EQ(s.interval, 3000);
  EXPECT_EQ(s.animeDure, 5000);
  EXPECT_EQ(s.dirToTeacher, "/srv/collect");
  EXPECT_EQ(s.dirToLearner, "/srv/dist");
  EXPECT_TRUE(s.spss);
  EXPECT_FALSE(s.retrieve);

  s.animeDure = 100;
  ASSERT_TRUE(SaveSettings(path, s, {1, 2, 640, 560}));
  TIniFile ini(path);
  ASSERT_TRUE(ini.Load());
  EXPECT_EQ(ini.ReadString("other", "x", ""), "1");  // other sections survive
  std::string text = ini.Text();
  auto at = [&](const char* k) { return text.find(std::string("\r\n") + k + "="); };
  const char* order[] = {"left",      "top",          "width",        "height", "interval",
                         "AnimeDure", "dirtoteacher", "dirtolearner", "spss",   "Retrieve"};
  for (size_t i = 1; i < std::size(order); ++i) EXPECT_LT(at(order[i - 1]), at(order[i])) << order[i];
  EXPECT_EQ(ini.ReadInteger("setting", "interval", 0), 3000);
  EXPECT_EQ(ini.ReadInteger("setting", "AnimeDure", 0), 3000);
  EXPECT_EQ(ini.ReadInteger("setting", "left", 0), 1);
  EXPECT_EQ(ini.ReadInteger("setting", "Retrieve", 9), 0);
  fs::remove_all(dir);
}

TEST(SettingsFile, MissingFileGivesDefaultsAndBadNumbersFallBack) {
  std::string dir = tempDir("settings2");
  TSettings none = LoadSettings(dir + "/absent.ini");
  EXPECT_FALSE(none.fileExisted);
  EXPECT_EQ(none.interval, 7000);
  EXPECT_TRUE(none.retrieve);
  writeText(dir + "/t.ini", "[setting]\nleft=abc\ninterval=x\nspss=2\n");
  TSettings bad = LoadSettings(dir + "/t.ini");
  EXPECT_FALSE(bad.left.has_value());
  EXPECT_EQ(bad.interval, 7000);
  EXPECT_FALSE(bad.spss);
  fs::remove_all(dir);
}

TEST(SettingsFile, SavingKeepsALinkAndTheFileMode) {
  std::string dir = tempDir("settings-link");
  writeText(dir + "/real.ini", "[setting]\r\nleft=1\r\n");
  ::chmod((dir + "/real.ini").c_str(), 0444);
  fs::create_symlink("real.ini", dir + "/tovimeter.ini");
  ASSERT_TRUE(SaveSettings(dir + "/tovimeter.ini", TSettings{}, {7, 8, 640, 560}));
  EXPECT_TRUE(fs::is_symlink(dir + "/tovimeter.ini"));
  EXPECT_EQ(LoadSettings(dir + "/real.ini").left, 7);
  struct stat st {};
  ASSERT_EQ(::stat((dir + "/real.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  fs::remove_all(dir);
}

TEST(SettingsFile, SavingWaitsForTheLockHeldByAnotherProgram) {
  std::string dir = tempDir("settings-lock");
  const std::string path = dir + "/tovimeter.ini";
  writeText(path, "[setting]\r\nleft=1\r\n");
  const int fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    SaveSettings(path, TSettings{}, {5, 5, 640, 560});
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  // The other program is between its read and its write: nothing may land meanwhile.
  EXPECT_FALSE(done);
  EXPECT_EQ(LoadSettings(path).left, 1);
  ::flock(fd, LOCK_UN);
  ::close(fd);
  writer.join();
  EXPECT_EQ(LoadSettings(path).left, 5);
  fs::remove_all(dir);
}

TEST(Paths, CommandLineTakesTheFirstRuvoArgumentInAnyCase) {
  EXPECT_EQ(CommandLineDocument({"a.ruvp", "-x", "B.RUVO", "c.ruvo"}), "B.RUVO");
  EXPECT_EQ(CommandLineDocument({"a.ruvp", "b.txt"}), "");
  EXPECT_EQ(BaseNameOf("/x/y/ruvo$$$.ruvo"), "ruvo$$$");
  EXPECT_EQ(ExtensionOf("/x.y/z"), "");
  EXPECT_EQ(ChangeExtension("/a/b/c.ruvo", ".ruvp"), "/a/b/c.ruvp");
}

TEST(Paths, HomeVariableOverridesTheProgramFolder) {
  ::setenv("TOVIMETER_HOME", "/tmp/somewhere", 1);
  EXPECT_EQ(ProgramFolder("/usr/bin/tovimeter"), "/tmp/somewhere");
  ::unsetenv("TOVIMETER_HOME");
  std::string dir = tempDir("pf");
  fs::create_directories(dir + "/system");
  EXPECT_EQ(ProgramFolder(dir + "/tovimeter"), fs::weakly_canonical(dir).string());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace ruvo::app
