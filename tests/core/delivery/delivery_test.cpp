// The delivery window's state: folders, the environment file, drops and Send.
#include "core/delivery/delivery.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/app/settings.h"
#include "core/platform/headlessports.h"
#include "core/storage/compressstringlist.h"

namespace {

using namespace ruvo;
using delivery::DropBox;
using delivery::MemoryFileSystem;
using delivery::TForm3Model;

struct DeliveryTest : ::testing::Test {
  MemoryFileSystem fs;
  platform::ScriptedDialogs dialogs;
  TForm3Model m{fs, &dialogs, "/prog", "/prog/ruvo"};
  const std::string envi = "/prog/ruvo_envi.dat";

  void SetUp() override {
    fs.makeFolders("/prog");
    fs.makeFolders("/dist");
    fs.makeFolders("/collect");
    fs.put("/prog/ruvo", "program");
    m.Create(app::TSettings{});
  }
  std::vector<std::string> messages() const { return dialogs.messages(); }
};

TEST_F(DeliveryTest, CreateReadsTheFoldersAndWritesTheEnvironmentFileIntoTheProgramFolder) {
  app::TSettings s;
  s.fileExisted = true;
  s.dirToTeacher = "/collect";
  s.dirToLearner = "/dist";
  s.retrieve = false;
  TForm3Model w{fs, &dialogs, "/prog", "/prog/ruvo"};
  w.Create(s);
  EXPECT_EQ(w.FCollectionFolder(), "/collect");
  EXPECT_EQ(w.FDistributionFolder(), "/dist");
  EXPECT_FALSE(w.cbRetrieve);
  EXPECT_EQ(delivery::EnviFileFolder(fs.bytes(envi)), "/collect");
  EXPECT_TRUE(w.cbSendRuvoExe.on());
  EXPECT_TRUE(w.cbSendEnvi.on());
  EXPECT_FALSE(w.cbSendRuvoFile.on());  // checked, but nothing dropped yet
  EXPECT_EQ(w.lbToTeacher.caption, "/collect");
  EXPECT_TRUE(w.lbToTeacher.enabled);
  EXPECT_FALSE(w.lbMsgToTeacher.enabled);
  EXPECT_FALSE(w.lbMsgToLearners.enabled);
}

TEST_F(DeliveryTest, TheSendEnvironmentBoxFollowsBothFolders) {
  // Distribution first: no collection folder yet, so nothing to send about it.
  m.SetDistributionFolder("/dist");
  EXPECT_FALSE(m.cbSendEnvi.checked);
  EXPECT_FALSE(m.cbSendEnvi.enabled);
  EXPECT_TRUE(m.cbSendRuvoExe.enabled);
  m.SetCollectionFolder("/collect");
  EXPECT_TRUE(m.cbSendEnvi.on());
  // A collection folder without a distribution folder: checked but not enabled.
  TForm3Model w{fs, &dialogs, "/prog", "/prog/ruvo"};
  w.Create(app::TSettings{});
  w.SetCollectionFolder("/collect");
  EXPECT_TRUE(w.cbSendEnvi.checked);
  EXPECT_FALSE(w.cbSendEnvi.enabled);
  // A folder that is not there changes nothing.
  m.SetDistributionFolder("/gone");
  EXPECT_EQ(m.FDistributionFolder(), "/dist");
}

TEST_F(DeliveryTest, TheEnvironmentFileIsRewrittenOnlyForANewFolderAndRemovedForAMissingOne) {
  m.SetCollectionFolder("/collect");
  fs.put(envi, "marker");
  m.SetCollectionFolder("/collect");  // the same folder again
  EXPECT_EQ(fs.bytes(envi), "marker");
  fs.makeFolders("/collect2");
  m.SetCollectionFolder("/collect2");
  EXPECT_EQ(delivery::EnviFileFolder(fs.bytes(envi)), "/collect2");
  m.SetCollectionFolder("/not/there");
  EXPECT_FALSE(fs.has(envi));
  EXPECT_EQ(m.FCollectionFolder(), "/collect2");
}

TEST_F(DeliveryTest, AFailedEnvironmentWriteLeavesNoStaleFileToSend) {
  fs.put(envi, delivery::EnviFileBytes("/old/folder"));  // from an earlier setting
  fs.failWrites.insert(envi);
  m.SetDistributionFolder("/dist");
  m.SetCollectionFolder("/collect");
  EXPECT_FALSE(m.lbToTeacher.enabled);
  EXPECT_TRUE(m.cbSendEnvi.on());
  // Send then says the file is missing rather than sending one that names the old folder.
  EXPECT_EQ(m.Send(), "\r\n▼\r\nruvo コピーしました\r\n▼\r\nruvo_envi.dat がありません。");
  // Changed behind the window's back: not sent either.
  fs.put(envi, delivery::EnviFileBytes("/elsewhere"));
  m.cbSendRuvoExe.checked = false;
  EXPECT_EQ(m.Send(), "\r\n▼\r\nruvo_envi.dat コピーに失敗しました");
  EXPECT_FALSE(fs.has("/dist/ruvo_envi.dat"));
}

TEST_F(DeliveryTest, SendCopiesTheExamineeProgramWithItsLibraries) {
  // The bundle built beside the program: the launcher, and the runtime it starts.
  fs.put("/prog/ruvo-examinee/ruvo", "launcher");
  fs.put("/prog/ruvo-examinee/ruvo-runtime/ruvo", "program");
  fs.put("/prog/ruvo-examinee/ruvo-runtime/lib/libQt6Core.so.6", "qt");
  fs.put("/prog/ruvo-examinee/ruvo-runtime/plugins/platforms/libqxcb.so", "xcb");
  fs.put("/dist/ruvo-runtime/lib/libQt6Core.so.6", "an older build's");
  m.SetDistributionFolder("/dist");
  m.cbSendEnvi.checked = false;
  EXPECT_EQ(m.Send(), "\r\n▼\r\nruvo コピーしました");
  EXPECT_EQ(fs.bytes("/dist/ruvo"), "launcher");
  EXPECT_EQ(fs.bytes("/dist/ruvo-runtime/ruvo"), "program");
  EXPECT_EQ(fs.bytes("/dist/ruvo-runtime/lib/libQt6Core.so.6"), "qt");
  EXPECT_EQ(fs.bytes("/dist/ruvo-runtime/plugins/platforms/libqxcb.so"), "xcb");

  // A runtime file that cannot be written fails the program's line.
  fs.failWrites.insert("/dist/ruvo-runtime/lib/libQt6Core.so.6");
  EXPECT_EQ(m.Send(), "\r\n▼\r\nruvo コピーに失敗しました");
}

TEST_F(DeliveryTest, AFolderNameTheEnvironmentFileCannotHoldIsRefused) {
  fs.makeFolders("/collect/клас😀");
  m.SetCollectionFolder("/collect");
  m.SetCollectionFolder("/collect/клас😀");
  EXPECT_FALSE(fs.has(envi));  // no file naming the wrong folder
  EXPECT_FALSE(m.lbToTeacher.enabled);
  ASSERT_EQ(messages().size(), 1u);
}

TEST_F(DeliveryTest, CheckFolderMessages) {
  struct Case {
    std::string path;
    bool ok;
    std::string message;
  };
  for (const Case& c :
       {Case{"", false, "回収先フォルダが登録されてません。"},
        Case{"/nope", false, "回収先フォルダがないか 接続されていません。"}, Case{"/collect", true, ""}}) {
    dialogs.log.clear();
    EXPECT_EQ(m.CheckFolder(c.path, "回収先", true), c.ok) << c.path;
    EXPECT_EQ(messages(), c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    dialogs.log.clear();
    m.CheckFolder(c.path, "回収先", false);
    EXPECT_TRUE(messages().empty());
  }
  EXPECT_FALSE(m.Start());
  m.SetCollectionFolder("/collect");
  EXPECT_TRUE(m.Start());
}

TEST_F(DeliveryTest, FolderDrops) {
  fs.makeFolders("/shares/class 3.b");
  fs.put("/shares/test.ruvo", "doc");
  fs.makeLink("/desk/link-to-collect", "/collect");
  fs.makeFolders("//server/results");
  struct Case {
    std::vector<std::string> items;
    std::string message;     // "" when none
    std::string collection;  // the folder afterwards
  };
  const std::vector<Case> cases = {
      {{"/collect", "/dist"}, "フォルダは１つだけ指定してください。", ""},
      {{"/shares/test.ruvo"}, "フォルダをＤ＆Ｄしてください。", ""},
      {{"/shares/gone"}, "/shares/gone フォルダがないか 接続されていません。", ""},
      {{"/shares/class 3.b"}, "", "/shares/class 3.b"},  // a dot in a folder's name
      {{"/desk/link-to-collect"}, "", "/collect"},       // a link gives its target
      {{"/net/results - shared (server)"}, "", "//server/results"},
  };
  for (const auto& c : cases) {
    TForm3Model w{fs, &dialogs, "/prog", "/prog/ruvo"};
    w.Create(app::TSettings{});
    dialogs.log.clear();
    w.Drop(DropBox::ToTeacher, c.items);
    EXPECT_EQ(messages(), c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message})
        << c.items[0];
    EXPECT_EQ(w.FCollectionFolder(), c.collection) << c.items[0];
  }
  m.Drop(DropBox::ToLearners, {"/dist"});
  EXPECT_EQ(m.FDistributionFolder(), "/dist");
}

TEST_F(DeliveryTest, DocumentDrops) {
  fs.put("/docs/Unit 1.ruvo", "d1");
  fs.put("/docs/Unit 2.RUVO", "d2");
  fs.put("/docs/notes.txt", "t");
  fs.put("/docs/a.ruvot", "r");
  fs.put("/docs/b.ruvt", "r");
  fs.makeFolders("/docs/sub.d");
  m.Drop(DropBox::SendRuvo,
         {"/docs/Unit 1.ruvo", "/docs/notes.txt", "/docs/a.ruvot", "/docs/b.ruvt", "/docs/sub.d", "/docs/Unit 2.RUVO"});
  EXPECT_EQ(messages(), (std::vector<std::string>{".txt このタイプのファイルには対応していません"}));
  EXPECT_EQ(m.FDroppedDocs(), (std::vector<std::string>{"/docs/Unit 1.ruvo", "/docs/Unit 2.RUVO"}));
  EXPECT_EQ(m.lbRuvos, "#2 / Unit 1,Unit 2");
  EXPECT_TRUE(m.cbSendRuvoFile.on());
  EXPECT_FALSE(m.lbMsgSendRuvoFile.enabled);
  // A drop with no document empties the list.
  dialogs.log.clear();
  m.Drop(DropBox::SendRuvo, {"/docs/a.ruvot"});
  EXPECT_TRUE(messages().empty());
  EXPECT_TRUE(m.FDroppedDocs().empty());
  EXPECT_EQ(m.lbRuvos, "");
  EXPECT_FALSE(m.cbSendRuvoFile.checked);
  EXPECT_FALSE(m.cbSendRuvoFile.enabled);
  EXPECT_TRUE(m.lbMsgSendRuvoFile.enabled);
}

TEST_F(DeliveryTest, SendCopiesAndReportsEveryFile) {
  // Without a distribution folder nothing is copied.
  EXPECT_EQ(m.Send(), "");
  EXPECT_EQ(messages(), (std::vector<std::string>{"配布先フォルダが登録されてません。"}));
  EXPECT_TRUE(fs.filesUnder("/dist").empty());

  m.SetDistributionFolder("/dist");
  m.SetCollectionFolder("/collect");
  fs.put("/docs/Unit 1.ruvo", "d1", 42);
  fs.put("/docs/Unit 2.ruvo", "d2");
  fs.put("/dist/Unit 1.ruvo", "old copy");
  fs.put("/dist/ruvo", "old program");
  m.Drop(DropBox::SendRuvo, {"/docs/Unit 1.ruvo", "/docs/Unit 2.ruvo", "/docs/gone.ruvo"});
  fs.failWrites.insert("/dist/Unit 2.ruvo");
  EXPECT_EQ(m.Send(),
            "\r\n▼\r\nruvo コピーしました"
            "\r\n▼\r\nruvo_envi.dat コピーしました"
            "\r\n▼\r\nUnit 1.ruvo コピーしました\r\nUnit 2.ruvo コピーに失敗しました\r\ngone.ruvo がありません。");
  EXPECT_EQ(fs.bytes("/dist/ruvo"), "program");
  EXPECT_EQ(fs.bytes("/dist/Unit 1.ruvo"), "d1");  // replaced
  delivery::FileEntry e;
  ASSERT_TRUE(fs.stat("/dist/Unit 1.ruvo", e));
  EXPECT_EQ(e.mtimeNs, 42);  // with the source's time
  EXPECT_EQ(delivery::EnviFileFolder(fs.bytes("/dist/ruvo_envi.dat")), "/collect");

  // A missing examinee program, and a collection folder gone meanwhile.
  fs.removeFile("/prog/ruvo");
  m.cbSendRuvoFile.checked = false;
  dialogs.log.clear();
  m.cbSendEnvi.checked = false;
  EXPECT_EQ(m.Send(), "\r\n▼\r\nruvo がありません。");
  m.cbSendEnvi.checked = true;
  fs.put("/collect", "now a file");
  EXPECT_EQ(m.Send(), "");
  EXPECT_EQ(messages().back(), "回収先フォルダがないか 接続されていません。");
  // Nothing checked.
  m.cbSendEnvi.checked = m.cbSendRuvoExe.checked = false;
  EXPECT_EQ(m.Send(), "送るファイルにチェックを入れてください。");
}

TEST(NetworkPlace, NamesOfNetworkPlaces) {
  EXPECT_EQ(delivery::NetworkPlacePath("results - shared (server)"), "//server/results");
  EXPECT_EQ(delivery::NetworkPlacePath(" results-(host1) "), "//host1/results");
  EXPECT_EQ(delivery::NetworkPlacePath("2014-05 class"), "");
  EXPECT_EQ(delivery::NetworkPlacePath("plain"), "");
}

}  // namespace

namespace {

TEST(SendResultFile, ClaimsAFreeNameAndNeverReplacesAnotherResult) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("ruvo-send-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto send = [](const fs::path& folder, const std::vector<std::string>& lines) {
    return ruvo::delivery::SendResultFile(ruvo::delivery::RealFileSystem(), folder.string(), "20140509100000Same.ruvot",
                                          lines);
  };
  const std::string first = send(dir, {"h", "one"});
  const std::string second = send(dir, {"h", "two"});
  EXPECT_EQ(fs::path(first).filename(), "20140509100000Same.ruvot");
  EXPECT_EQ(fs::path(second).filename(), "20140509100000Same_2.ruvot");
  ruvo::storage::TCompressStringList a, b;
  ASSERT_TRUE(a.LoadFromFile(first));
  ASSERT_TRUE(b.LoadFromFile(second));
  EXPECT_EQ(a.Lines, (std::vector<std::string>{"h", "one"}));
  EXPECT_EQ(b.Lines, (std::vector<std::string>{"h", "two"}));
  EXPECT_EQ(send(dir / "missing", {"h", "v"}), "");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
  fs::remove_all(dir);
}

}  // namespace
