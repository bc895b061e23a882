// The guided packaging for examinees through scripted dialogs: the folder under send/, the
// archive beside it (read back with libzip), and starting or copying the examinee program.
#include "core/delivery/packaging.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "../shell/shellfakes.h"
#include "core/delivery/delivery.h"
#include "core/platform/headlessports.h"
#include "core/storage/atomicfile.h"

namespace ruvo::delivery {
namespace {
namespace fs = std::filesystem;
using platform::Answer;

std::string slurp(const fs::path& p) {
  std::string s;
  (void)storage::readWholeFile(p.string(), s);
  return s;
}

void put(const fs::path& p, const std::string& content) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
}

// name -> (content, unix mode) of every entry; directories end in '/'.
std::map<std::string, std::pair<std::string, unsigned>> readZip(const std::string& path) {
  std::map<std::string, std::pair<std::string, unsigned>> out;
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
  if (!z) return out;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(z, i, 0, &st);
    std::string data(st.size, '\0');
    if (zip_file_t* f = zip_fopen_index(z, i, 0)) {
      zip_fread(f, data.data(), st.size);
      zip_fclose(f);
    }
    zip_uint8_t os = 0;
    zip_uint32_t attr = 0;
    zip_file_get_external_attributes(z, i, 0, &os, &attr);
    out[st.name] = {data, os == ZIP_OPSYS_UNIX ? (attr >> 16) & 07777 : 0};
  }
  zip_close(z);
  return out;
}

struct Packaging : ::testing::Test {
  fs::path root;
  PackagingPlace place;
  testing::FakeDialogs dialogs;
  testing::FakeShell shell;
  platform::MemoryClipboard clipboard;
  TPackaging packaging;
  fs::path tests;

  platform::Ports ports() { return {&dialogs, nullptr, &clipboard, &shell, nullptr}; }

  void SetUp() override {
    std::string t = (fs::temp_directory_path() / "packtest-XXXXXX").string();
    root = mkdtemp(t.data());
    // Blanks in every folder of the install, as under "My Documents".
    place.programFolder = (root / "my data").string();
    place.executableFolder = (root / "my programs").string();
    tests = root / "my tests";
    put(tests / "unit 1.ruvo", "first");
    put(tests / "unit2.ruvo", "second");
  }
  void TearDown() override { fs::remove_all(root); }

  void installExaminee() {
    put(fs::path(place.executableFolder) / "ruvo", "#!/bin/sh\n");
    fs::permissions(fs::path(place.executableFolder) / "ruvo", fs::perms(0755));
  }
  fs::path send() const { return fs::path(place.programFolder) / "send"; }
  // One run: the chosen tests, then the destination name; the answers for the questions.
  void run(std::vector<std::string> chosen, std::optional<std::string> destination, std::vector<Answer> answers) {
    dialogs.fileLists.push_back(chosen);
    dialogs.files.push_back(destination);
    dialogs.answers.assign(answers.begin(), answers.end());
    packaging.acSend(ports(), place);
  }
};

TEST_F(Packaging, NewFolderWithTheExamineeProgramAndItsArchive) {
  installExaminee();
  run({(tests / "unit 1.ruvo").string(), (tests / "unit2.ruvo").string()}, (send() / "class A").string(),
      {Answer::Yes, Answer::Yes});

  // The dialogs as the teacher saw them.
  ASSERT_GE(dialogs.log.size(), 5u);
  EXPECT_EQ(dialogs.log[0].kind, "openfiles");
  EXPECT_EQ(dialogs.log[0].text, "配布するファイルを選ぶ");
  EXPECT_EQ(dialogs.log[0].filter, "ruvo files|*.ruvo;");
  EXPECT_EQ(dialogs.log[0].dir, place.programFolder + "/system/ruvof");
  EXPECT_TRUE(fs::is_directory(dialogs.log[0].dir)) << "the start folder is created";
  EXPECT_EQ(dialogs.log[1].text, "続いて 配布するファイルの格納先フォルダを選びます");
  EXPECT_EQ(dialogs.log[2].kind, "save");
  EXPECT_EQ(dialogs.log[2].filter, "project folder|*;");
  EXPECT_EQ(dialogs.log[2].dir, send().string());
  EXPECT_EQ(dialogs.log[3].text, "圧縮ファイルに 受験者用ルーヴォを加えますか？");
  EXPECT_EQ(
      dialogs.log[4].text.rfind("配布する圧縮ファイルを作成しました\r\n\r\n" + (send() / "class A.zip").string(), 0),
      0u);
  EXPECT_EQ(dialogs.log.size(), 5u);

  const fs::path dest = send() / "class A";
  EXPECT_EQ(slurp(dest / "unit 1.ruvo"), "first");
  EXPECT_EQ(slurp(dest / "unit2.ruvo"), "second");
  EXPECT_EQ(fs::status(dest / "ruvo").permissions() & fs::perms::owner_exec, fs::perms::owner_exec);

  const auto entries = readZip((send() / "class A.zip").string());
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_TRUE(entries.count("class A/"));
  EXPECT_EQ(entries.at("class A/unit 1.ruvo").first, "first");
  EXPECT_EQ(entries.at("class A/unit2.ruvo").first, "second");
  EXPECT_EQ(entries.at("class A/ruvo").second, 0755u) << "the examinee program stays executable";

  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], send().string()) << "the closing question opens the send folder";
  EXPECT_EQ(packaging.RememberedSourceFolder(), tests.string());
}

TEST_F(Packaging, SecondRunKeepsTheFirstFilesAndStartsInTheLastSourceFolder) {
  installExaminee();
  run({(tests / "unit 1.ruvo").string()}, (send() / "class A").string(), {Answer::Yes, Answer::No});
  put(tests / "unit 1.ruvo", "changed");
  dialogs.log.clear();
  run({(tests / "unit 1.ruvo").string(), (tests / "unit2.ruvo").string()}, (send() / "class A").string(), {Answer::No});

  EXPECT_EQ(dialogs.log[0].dir, tests.string());
  // The folder holds the examinee program already: no question about it.
  for (const auto& q : dialogs.texts("yesno")) EXPECT_EQ(q.find("受験者用ルーヴォを加えますか"), std::string::npos);
  EXPECT_EQ(slurp(send() / "class A/unit 1.ruvo"), "first");
  const auto entries = readZip((send() / "class A.zip").string());
  EXPECT_EQ(entries.at("class A/unit 1.ruvo").first, "first");
  EXPECT_EQ(entries.at("class A/unit2.ruvo").first, "second") << "the archive follows the folder";
  EXPECT_TRUE(shell.opened.empty());
}

TEST_F(Packaging, AnExistingFileStandsForItsFolder) {
  put(send() / "class B/notes.txt", "n");
  run({(tests / "unit2.ruvo").string()}, (send() / "class B/notes.txt").string(), {Answer::No, Answer::No});
  EXPECT_EQ(slurp(send() / "class B/unit2.ruvo"), "second");
  EXPECT_FALSE(fs::exists(send() / "class B/notes.txt/unit2.ruvo"));
  const auto entries = readZip((send() / "class B.zip").string());
  EXPECT_TRUE(entries.count("class B/notes.txt"));
  EXPECT_TRUE(entries.count("class B/unit2.ruvo"));
}

TEST_F(Packaging, ExamineeProgramDeclinedOrMissing) {
  // Declined: no further question about it, the package is made without it.
  installExaminee();
  run({(tests / "unit2.ruvo").string()}, (send() / "c1").string(), {Answer::No, Answer::No});
  EXPECT_EQ(dialogs.texts("yesno").size(), 2u);
  EXPECT_FALSE(fs::exists(send() / "c1/ruvo"));
  EXPECT_TRUE(fs::exists(send() / "c1.zip"));

  // Missing and wanted: the warning; going on makes the package without it.
  fs::remove(fs::path(place.executableFolder) / "ruvo");
  dialogs.log.clear();
  run({(tests / "unit2.ruvo").string()}, (send() / "c2").string(), {Answer::Yes, Answer::Yes, Answer::No});
  ASSERT_EQ(dialogs.texts("yesno").size(), 3u);
  EXPECT_EQ(dialogs.texts("yesno")[1],
            "受験者用ルーヴォが 見つかりません\r\n\r\nかまわず続けますか？\r\n\r\n------------------------\r\n\r\n"
            "ruvo ファイルを " +
                place.executableFolder + " フォルダに置いてからやり直すことをお勧めします");
  EXPECT_TRUE(fs::exists(send() / "c2/unit2.ruvo"));

  // Missing, and the teacher stops: nothing is copied.
  run({(tests / "unit2.ruvo").string()}, (send() / "c3").string(), {Answer::Yes, Answer::No});
  EXPECT_TRUE(fs::is_directory(send() / "c3"));
  EXPECT_FALSE(fs::exists(send() / "c3/unit2.ruvo"));
  EXPECT_FALSE(fs::exists(send() / "c3.zip"));
}

TEST_F(Packaging, CancelledDialogsEndSilently) {
  run({}, std::nullopt, {});
  dialogs.fileLists.clear();
  dialogs.files.clear();
  EXPECT_EQ(dialogs.log.size(), 1u);
  run({(tests / "unit2.ruvo").string()}, std::nullopt, {});
  EXPECT_EQ(dialogs.texts("message").size(), 1u) << "only the note before the folder dialog";
  EXPECT_FALSE(fs::exists(send() / "unit2.ruvo"));
  EXPECT_TRUE(shell.opened.empty());
}

TEST_F(Packaging, FailuresAreToldAndNothingIsArchivedAsIfComplete) {
  // A chosen test that vanished before the copy: named, and no archive.
  run({(tests / "gone.ruvo").string(), (tests / "unit2.ruvo").string()}, (send() / "c4").string(), {Answer::No});
  ASSERT_FALSE(dialogs.texts("message").empty());
  EXPECT_EQ(dialogs.texts("message").back(), "次のファイルをコピーできませんでした\r\n\r\ngone.ruvo");
  EXPECT_FALSE(fs::exists(send() / "c4.zip"));

  // The archive cannot be written (a folder holds its name): the help at CreateZip is offered.
  put(place.programFolder + "/system/help/ruvo-help.html", "<html></html>");
  fs::create_directories(send() / "c5.zip");
  run({(tests / "unit2.ruvo").string()}, (send() / "c5").string(), {Answer::No, Answer::Yes});
  EXPECT_EQ(dialogs.texts("yesno").back().rfind("圧縮ファイルが作成できませんでした", 0), 0u);
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_NE(shell.opened[0].find("ruvo-help.html#CreateZip"), std::string::npos) << shell.opened[0];

  // A destination that cannot be a folder.
  put(send() / "plain", "x");
  run({(tests / "unit2.ruvo").string()}, (send() / "plain/sub").string(), {});
  EXPECT_EQ(dialogs.texts("message").back(), "フォルダが作成できませんでした");
}

TEST_F(Packaging, OnlyANewOrPackageFolderTakesThePackage) {
  // An earlier package and its archive in send/.
  installExaminee();
  run({(tests / "unit 1.ruvo").string()}, (send() / "class A").string(), {Answer::Yes, Answer::No});
  ASSERT_TRUE(fs::exists(send() / "class A.zip"));
  fs::create_directories(root / "home/Documents");
  put(root / "home/notes.txt", "n");

  const std::string refused = "このフォルダには 配布するファイルを格納できません";
  struct Case {
    const char* what;
    fs::path chosen;
    bool taken;
  } cases[] = {
      {"an existing file of send/ stands for send/ itself", send() / "class A.zip", false},
      {"send/ itself", send(), false},
      {"a folder above send/", fs::path(place.programFolder), false},
      {"a folder holding other folders", root / "home", false},
      {"a file of a folder holding other folders", root / "home/notes.txt", false},
      {"the earlier package again", send() / "class A", true},
      {"a file of the earlier package", send() / "class A/unit 1.ruvo", true},
      {"a new folder", send() / "class B", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dialogs.log.clear();
    fs::remove(send().parent_path() / "send.zip");
    run({(tests / "unit2.ruvo").string()}, c.chosen.string(), {Answer::No, Answer::No});
    const auto msgs = dialogs.texts("message");
    const bool wasRefused = !msgs.empty() && msgs.back().rfind(refused, 0) == 0;
    EXPECT_EQ(wasRefused, !c.taken);
    if (!c.taken) {
      EXPECT_TRUE(dialogs.texts("yesno").empty()) << "nothing asked after the refusal";
      EXPECT_FALSE(fs::exists(send() / "unit2.ruvo"));
      EXPECT_FALSE(fs::exists(root / "home/unit2.ruvo"));
    }
  }
  EXPECT_FALSE(fs::exists(send().parent_path() / "send.zip")) << "send/ was never archived";
  EXPECT_FALSE(fs::exists(root / "home.zip"));
  EXPECT_TRUE(readZip((send() / "class A.zip").string()).count("class A/unit2.ruvo"));
  EXPECT_TRUE(fs::exists(send() / "class B.zip"));
}

TEST_F(Packaging, ArchiveModesAreNeverWritableByOthers) {
  const fs::path pkg = root / "pkg";
  put(pkg / "unit.ruvo", "t");
  put(pkg / "ruvo", "#!/bin/sh\n");
  put(pkg / "ruvo-runtime/lib/libx.so", "lib");
  put(pkg / "ruvo-runtime/ruvo", "elf");
  // As a lax umask leaves them.
  for (const auto& [p, mode] : std::vector<std::pair<fs::path, unsigned>>{{pkg, 0777},
                                                                          {pkg / "ruvo-runtime", 0777},
                                                                          {pkg / "ruvo-runtime/lib", 0775},
                                                                          {pkg / "unit.ruvo", 0666},
                                                                          {pkg / "ruvo", 0777},
                                                                          {pkg / "ruvo-runtime/lib/libx.so", 0664},
                                                                          {pkg / "ruvo-runtime/ruvo", 0700}})
    ::chmod(p.c_str(), mode);
  std::string zip, error;
  ASSERT_TRUE(ZipFolder(pkg.string(), &zip, &error)) << error;
  const auto entries = readZip(zip);
  const std::map<std::string, unsigned> expected = {{"pkg/", 0755u},
                                                    {"pkg/ruvo-runtime/", 0755u},
                                                    {"pkg/ruvo-runtime/lib/", 0755u},
                                                    {"pkg/unit.ruvo", 0644u},
                                                    {"pkg/ruvo", 0755u},
                                                    {"pkg/ruvo-runtime/lib/libx.so", 0644u},
                                                    {"pkg/ruvo-runtime/ruvo", 0755u}};
  ASSERT_EQ(entries.size(), expected.size());
  for (const auto& [name, mode] : expected) {
    ASSERT_TRUE(entries.count(name)) << name;
    EXPECT_EQ(entries.at(name).second, mode) << name;
  }
}

// The examinee program with its libraries, where the build or the installation put them.
TEST_F(Packaging, TheExamineeProgramTravelsWithItsRuntime) {
  struct Case {
    const char* what;
    fs::path programs;  // the running programs' folder
    fs::path bundle;
  } cases[] = {
      {"build tree", root / "build/bin", root / "build/bin/ruvo-examinee"},
      {"installation", root / "usr/bin", root / "usr/lib/tovimeter/ruvo-examinee"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    place.executableFolder = c.programs.string();
    put(c.programs / "ruvo", "plain program");
    put(c.bundle / "ruvo", "launcher");
    put(c.bundle / "ruvo-runtime/ruvo", "program");
    put(c.bundle / "ruvo-runtime/lib/libQt6Core.so.6", "qt");
    const std::string folder = "c" + std::to_string(++n);
    run({(tests / "unit2.ruvo").string()}, (send() / folder).string(), {Answer::Yes, Answer::No});
    EXPECT_EQ(slurp(send() / folder / "ruvo"), "launcher");
    EXPECT_EQ(slurp(send() / folder / "ruvo-runtime/lib/libQt6Core.so.6"), "qt");
    const auto entries = readZip((send() / (folder + ".zip")).string());
    EXPECT_TRUE(entries.count(folder + "/ruvo-runtime/ruvo"));
    // The preview still starts the plain program.
    EXPECT_EQ(ExamineeProgramPath(place), (c.programs / "ruvo").string());
  }
}

TEST_F(Packaging, ToolPackageMakesTheFolderTheEnvironmentFileAndTheArchive) {
  put(root / "bundle/ruvo", "launcher");
  put(root / "bundle/ruvo-runtime/ruvo", "program");
  auto& disk = RealFileSystem();
  PackageRequest r;
  r.tests = {(tests / "unit 1.ruvo").string(), (tests / "unit2.ruvo").string()};
  r.folder = (root / "out/class 1").string();
  r.collection = "/srv/collect";
  r.examinee = (root / "bundle/ruvo").string();
  std::string zip, error;
  ASSERT_TRUE(MakeExamineePackage(disk, r, &zip, &error)) << error;
  EXPECT_EQ(zip, (root / "out/class 1.zip").string());
  const auto entries = readZip(zip);
  EXPECT_EQ(entries.at("class 1/unit 1.ruvo").first, "first");
  EXPECT_EQ(entries.at("class 1/ruvo").first, "launcher");
  EXPECT_EQ(entries.at("class 1/ruvo-runtime/ruvo").first, "program");
  EXPECT_EQ(EnviFileFolder(entries.at("class 1/ruvo_envi.dat").first), "/srv/collect");

  // Made again: the tests are the new ones.
  put(tests / "unit2.ruvo", "second, corrected");
  ASSERT_TRUE(MakeExamineePackage(disk, r, &zip, &error)) << error;
  EXPECT_EQ(readZip(zip).at("class 1/unit2.ruvo").first, "second, corrected");

  struct Refusal {
    const char* what;
    std::vector<std::string> tests;
    fs::path folder;
  } refusals[] = {
      {"not a test", {(root / "bundle/ruvo").string()}, root / "out/x"},
      {"a missing test", {(tests / "gone.ruvo").string()}, root / "out/x"},
      {"two tests of one name", {(tests / "unit2.ruvo").string(), (tests / "unit2.ruvo").string()}, root / "out/x"},
      {"a folder holding folders", {(tests / "unit2.ruvo").string()}, root},
  };
  for (const auto& c : refusals) {
    SCOPED_TRACE(c.what);
    PackageRequest bad = r;
    bad.tests = c.tests;
    bad.folder = c.folder.string();
    error.clear();
    EXPECT_FALSE(MakeExamineePackage(disk, bad, &zip, &error));
    EXPECT_FALSE(error.empty());
  }
  EXPECT_FALSE(fs::exists(root / "out/x.zip"));
  EXPECT_FALSE(fs::exists(root.parent_path() / (root.filename().string() + ".zip")));
}

TEST_F(Packaging, ExamineeProgramStartedOnADocumentWithBlanksInItsPath) {
  const std::string doc = (tests / "unit 1.ruvo").string();
  LaunchExaminee(ports(), place, doc);
  ASSERT_EQ(dialogs.texts("message").size(), 1u);
  EXPECT_EQ(dialogs.texts("message")[0], "受験者用ルーヴォが 見つかりません\r\n\r\nruvo ファイルを " +
                                             place.executableFolder + " フォルダに置いてからやり直してください");
  EXPECT_TRUE(shell.started.empty());

  installExaminee();
  LaunchExaminee(ports(), place, doc);
  ASSERT_EQ(shell.started.size(), 1u);
  EXPECT_EQ(shell.started[0].first, place.executableFolder + "/ruvo");
  EXPECT_EQ(shell.started[0].second, std::vector<std::string>{doc}) << "one argument, blanks and all";

  LaunchExaminee(ports(), place, (tests / "ruvo$$$.ruvo").string());
  EXPECT_EQ(dialogs.texts("message").back(),
            "ルーヴォファイルが 見つかりません\r\n\r\n一時ファイルの作成に失敗しました");
  shell.startSucceeds = false;
  LaunchExaminee(ports(), place, doc);
  EXPECT_EQ(dialogs.texts("message").back(), place.executableFolder + "/ruvo を起動できませんでした");
}

TEST_F(Packaging, ExamineeProgramInThePortableProgramFolder) {
  place.executableFolder = (root / "elsewhere").string();
  put(fs::path(place.programFolder) / "ruvo", "x");
  EXPECT_EQ(ExamineeProgramPath(place), place.programFolder + "/ruvo");
}

TEST_F(Packaging, CopyRuvoPutsTheProgramOnTheClipboard) {
  acCopyRuvo(ports(), place);
  EXPECT_TRUE(clipboard.files.empty());
  EXPECT_EQ(dialogs.texts("message")[0], "ruvo ファイルが所定の場所 " + place.executableFolder + " にありません");
  installExaminee();
  acCopyRuvo(ports(), place);
  EXPECT_EQ(clipboard.files, std::vector<std::string>{place.executableFolder + "/ruvo"});
  EXPECT_EQ(dialogs.texts("message")[1],
            "受験者用ルーヴォ ruvo をコピーしました\r\n\r\n目的のフォルダに貼り付けて利用できます\r\n\r\n");
}

TEST_F(Packaging, OpenZipListsTheSendFolder) {
  dialogs.files.push_back((send() / "class A.zip").string());
  acOpenZip(ports(), place);
  ASSERT_EQ(dialogs.log.size(), 1u);
  EXPECT_EQ(dialogs.log[0].text, "圧縮ファイル一覧");
  EXPECT_EQ(dialogs.log[0].filter, "zip files|*.zip;");
  EXPECT_EQ(dialogs.log[0].dir, send().string());
  EXPECT_TRUE(fs::is_directory(send()));
  EXPECT_EQ(shell.opened, std::vector<std::string>{(send() / "class A.zip").string()});
}

}  // namespace
}  // namespace ruvo::delivery
