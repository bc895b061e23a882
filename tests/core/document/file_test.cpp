// Documents on disk and the window's document operations over scripted ports.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "core/document/documentfile.h"
#include "core/platform/ports.h"
#include "core/storage/atomicfile.h"
#include "core/storage/deltacode.h"
#include "core/storage/filenames.h"
#include "helpers.h"

namespace ruvo::doc {
namespace {

namespace fs = std::filesystem;
using testing::linesText;
using testing::lineTexts;

class FakeDialogs final : public platform::Dialogs {
 public:
  std::vector<std::string> messages;
  std::optional<std::string> saveAnswer;
  std::string saveDir, saveFilter, saveExt;
  void message(const std::string& t) override { messages.push_back(t); }
  platform::Answer askYesNo(const std::string&, const std::string&) override { return platform::Answer::Yes; }
  platform::Answer askYesNoCancel(const std::string&, const std::string&) override { return platform::Answer::Yes; }
  platform::Answer confirmNoOk(const std::string&, const std::string&) override { return platform::Answer::Ok; }
  std::optional<std::string> input(const std::string&, const std::string&, const std::string& d) override { return d; }
  std::optional<std::string> openFile(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> saveFile(const std::string&, const std::string& filter, const std::string& dir,
                                      const std::string&, const std::string& ext) override {
    saveFilter = filter;
    saveDir = dir;
    saveExt = ext;
    return saveAnswer;
  }
  std::optional<std::string> chooseFolder(const std::string&, const std::string&) override { return std::nullopt; }
};

class FakeClipboard final : public platform::Clipboard {
 public:
  std::optional<std::string> rtfData, textData;
  std::string copiedRtf, copiedPlain;
  void setRichText(const std::string& rtf, const std::string& plain) override {
    copiedRtf = rtf;
    copiedPlain = plain;
  }
  void setText(const std::string& p) override { copiedPlain = p; }
  void setImagePng(const std::string&) override {}
  void setFiles(const std::vector<std::string>&) override {}
  std::optional<std::string> rtf() override { return rtfData; }
  std::optional<std::string> text() override { return textData; }
};

class DocumentFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ruvo-docfile-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    s.dialogs = &dialogs;
    s.clipboard = &clip;
    s.programFolder = (dir / "prog").string();
    s.workingCopy = (dir / "tmp" / "ruvo$$$.ruvo").string();
    d.document.SetListener([this](TDocument::Change c) {
      if (c == TDocument::Change::Path) named.push_back(d.document.Path());
    });
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string file(const std::string& name) const { return (dir / name).string(); }
  void put(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir / name, std::ios::binary) << bytes;
  }
  std::string get(const std::string& name) const {
    std::string out;
    EXPECT_TRUE(storage::readWholeFile(file(name), out).ok()) << name;
    return out;
  }

  fs::path dir;
  testing::Doc d;
  FakeDialogs dialogs;
  FakeClipboard clip;
  DocumentPorts s;
  std::vector<std::string> named;
};

TEST_F(DocumentFiles, LoadRefusesMissingFilesAndOtherExtensions) {
  rt::RichText target("kept");
  EXPECT_EQ(LoadDocumentFile(file("none.ruvo"), target), file("none.ruvo") + "\r\n\r\nファイルがありません");
  put("old.ruvt", storage::TDeltaCode::encode("x"));
  EXPECT_EQ(LoadDocumentFile(file("old.ruvt"), target), file("old.ruvt") + "\r\n\r\nルーヴォファイルではありません");
  EXPECT_EQ(lineTexts(target), (std::vector<std::string>{"kept"}));
}

TEST_F(DocumentFiles, SaveAndLoadKeepTextAndFormatting) {
  rt::RichText doc = rt::readRtf(testing::readFixture("documents/richedit-sample.rtf"));
  ASSERT_TRUE(SaveDocumentFile(file("sub/dir/Test.RUVO"), doc, &dialogs));  // folders are made
  rt::RichText back;
  EXPECT_EQ(LoadDocumentFile(file("sub/dir/Test.RUVO"), back), "");  // the extension test ignores case
  EXPECT_EQ(back, doc);
  EXPECT_TRUE(dialogs.messages.empty());
  // The project form: the same RTF, uncompressed.
  ASSERT_TRUE(SaveProjectText(file("p.ruvp"), doc, &dialogs));
  EXPECT_EQ(get("p.ruvp").rfind("{\\rtf1", 0), 0u);
  rt::RichText project;
  EXPECT_EQ(LoadDocumentText(file("p.ruvp"), project), "");
  EXPECT_EQ(project, doc);
}

TEST_F(DocumentFiles, DamagedStreamIsReportedAndEmptyFileOpensEmpty) {
  put("bad.ruvo", "XYZ1 this is no stream at all, and long enough to have a header");
  std::string good = storage::TDeltaCode::encode(rt::writeRtf(linesText({"<page>", "text"})));
  put("short.ruvo", good.substr(0, good.size() - 3));
  put("empty.ruvo", "");
  for (const char* name : {"bad.ruvo", "short.ruvo"}) {
    rt::RichText target("open document");
    const std::string err = LoadDocumentFile(file(name), target);
    EXPECT_EQ(err.rfind("読み込み失敗\r\n\r\n", 0), 0u) << name << ": " << err;
    EXPECT_GT(err.size(), std::string("読み込み失敗\r\n\r\n").size()) << name;
    EXPECT_EQ(lineTexts(target), (std::vector<std::string>{"open document"})) << name;
  }
  rt::RichText target("open document");
  EXPECT_EQ(LoadDocumentFile(file("empty.ruvo"), target), "");
  EXPECT_TRUE(target.isEmpty());

  // Through the window: the message is shown and the open document stays.
  d.parse({"<page>", "open"});
  d.document.SetPath(file("current.ruvo"));
  named.clear();
  EXPECT_FALSE(OpenTestDocument(d.document, s, file("bad.ruvo")));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].rfind("読み込み失敗", 0), 0u);
  EXPECT_EQ(d.pages.PageCount(), 1);
  EXPECT_EQ(lineTexts(d.work), (std::vector<std::string>{"<page>", "open"}));
  EXPECT_TRUE(named.empty());
}

TEST_F(DocumentFiles, OpenNamesAndParses) {
  ASSERT_TRUE(SaveDocumentFile(file("t.ruvo"), linesText({"title=T", "<page start>", "a/ b", "<page last>"}), nullptr));
  EXPECT_TRUE(OpenTestDocument(d.document, s, file("t.ruvo")));
  EXPECT_EQ(named, (std::vector<std::string>{file("t.ruvo")}));
  ASSERT_EQ(d.pages.PageCount(), 2);
  EXPECT_EQ(d.pages.Property(prTitle), "T");
  EXPECT_EQ(d.page(0).PhraseMarkCount(), 3);
}

TEST_F(DocumentFiles, SaveFailureIsReported) {
  put("afile", "x");
  EXPECT_FALSE(SaveDocumentFile(file("afile/sub.ruvo"), linesText({"a"}), &dialogs));
  EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"保存できませんでした"}));
}

TEST_F(DocumentFiles, PasteKeepsAWorkingCopyAndSourceCopyTakesTheNamedFile) {
  const rt::RichText named0 = linesText({"title=saved", "<page>", "saved text"});
  ASSERT_TRUE(SaveDocumentFile(file("saved.ruvo"), named0, nullptr));
  d.document.SetPath(file("saved.ruvo"));
  named.clear();
  clip.rtfData = rt::writeRtf(linesText({"title=pasted", "<page>", "pasted text", "<page>", "two"}));
  acPaste(d.document, s);
  EXPECT_EQ(d.pages.PageCount(), 2);
  EXPECT_EQ(d.pages.Property(prTitle), "pasted");
  EXPECT_TRUE(fs::exists(s.workingCopy));
  EXPECT_TRUE(named.empty());
  EXPECT_EQ(d.document.Path(), file("saved.ruvo"));  // the working copy never names the document
  acSrcCopy(d.document, s);
  EXPECT_EQ(rt::readRtf(clip.copiedRtf), named0);
  EXPECT_NE(clip.copiedPlain.find("saved text"), std::string::npos);

  // Plain text on the clipboard takes the base font.
  clip.rtfData.reset();
  clip.textData = "<page>\nplain";
  s.baseFont.sizeHalfPoints = 22;
  acPaste(d.document, s);
  EXPECT_EQ(d.pages.PageCount(), 1);
  EXPECT_EQ(d.work.formatAt(0).sizeHalfPoints, 22);

  d.document.SetPath(file("gone.ruvo"));
  acSrcCopy(d.document, s);
  EXPECT_EQ(dialogs.messages.back(), file("gone.ruvo") + "\r\n\r\nファイルがありません");
}

TEST_F(DocumentFiles, SaveAsDialogAndExtension) {
  d.parse({"<page>", "x"});
  dialogs.saveAnswer.reset();
  EXPECT_FALSE(SaveDocumentAs(d.document, s));
  EXPECT_EQ(dialogs.saveFilter, "tovimeter files|*.ruvo;");
  EXPECT_EQ(dialogs.saveExt, "ruvo");
  EXPECT_EQ(dialogs.saveDir, s.programFolder);
  EXPECT_TRUE(fs::is_directory(s.programFolder));  // made for the dialog
  dialogs.saveAnswer = file("answer.txt");
  EXPECT_TRUE(SaveDocumentAs(d.document, s));
  EXPECT_TRUE(fs::exists(file("answer.ruvo")));
  EXPECT_FALSE(fs::exists(file("answer.txt")));
  EXPECT_EQ(d.document.Path(), file("answer.ruvo"));
}

TEST_F(DocumentFiles, SaveWritesThePagesBackAndClearsModifiedWhenSaved) {
  d.parse({"title=T", "<page start>", "a/ b", "<page>", "??q", "?*x", "<page last>"});
  d.work = linesText({"stale"});
  d.document.SetModified(true);
  dialogs.saveAnswer = file("saved.ruvo");
  EXPECT_TRUE(acSave(d.document, s));
  EXPECT_FALSE(d.document.Modified());
  rt::RichText back;
  ASSERT_EQ(LoadDocumentFile(file("saved.ruvo"), back), "");
  testing::Doc reopened;
  reopened.parse(back);
  EXPECT_EQ(reopened.pages.PageCount(), 3);
  EXPECT_EQ(reopened.page(0).PhraseMarks(), d.page(0).PhraseMarks());
  dialogs.saveAnswer.reset();
  EXPECT_FALSE(acSave(d.document, s));
  EXPECT_TRUE(d.document.Modified());
}

TEST_F(DocumentFiles, SaveAsMovesTheModifiedWorkingCopyOverTheOldFile) {
  put("old.ruvo", "old bytes");
  clip.rtfData = rt::writeRtf(linesText({"<page>", "pasted"}));
  acPaste(d.document, s);
  d.document.SetModified(true);
  const std::string copy = get("tmp/ruvo$$$.ruvo");
  dialogs.saveAnswer = file("old.ruvo");
  EXPECT_TRUE(SaveDocumentAs(d.document, s));
  EXPECT_EQ(get("old.ruvo"), copy);
  EXPECT_FALSE(fs::exists(s.workingCopy));
  EXPECT_EQ(d.document.Path(), file("old.ruvo"));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DocumentFiles, SaveAsFailureKeepsTheOldFileAndSaysSo) {
  clip.rtfData = rt::writeRtf(linesText({"<page>", "pasted"}));
  acPaste(d.document, s);
  d.document.SetPath(file("before.ruvo"));
  d.document.SetModified(true);
  // The chosen name cannot take a file: nothing is lost and nothing is named.
  fs::create_directories(dir / "taken.ruvo" / "inside");
  dialogs.saveAnswer = file("taken.ruvo");
  EXPECT_FALSE(SaveDocumentAs(d.document, s));
  EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"保存できませんでした"}));
  EXPECT_TRUE(fs::exists(dir / "taken.ruvo" / "inside"));
  EXPECT_TRUE(fs::exists(s.workingCopy));
  EXPECT_EQ(d.document.Path(), file("before.ruvo"));
}

// A file without write permission (a shipped sample) is never replaced, whether the document
// comes from the working copy or from the work area; a writable one is.
TEST_F(DocumentFiles, SaveAsLeavesAReadOnlyFileAlone) {
  struct Case {
    const char* name;
    fs::perms mode;
    bool pasted;
    bool replaced;
  };
  const Case cases[] = {
      {"sample.ruvo", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, true, false},
      {"sample2.ruvo", fs::perms::owner_read, false, false},
      {"mine.ruvo", fs::perms::owner_read | fs::perms::owner_write, true, true},
  };
  for (const Case& c : cases) {
    put(c.name, "shipped bytes");
    fs::permissions(file(c.name), c.mode);
    d.parse({"<page>", "x"});
    if (c.pasted) {
      clip.rtfData = rt::writeRtf(linesText({"<page>", "pasted"}));
      acPaste(d.document, s);
    }
    d.document.SetPath(file("before.ruvo"));
    d.document.SetModified(c.pasted);
    dialogs.messages.clear();
    dialogs.saveAnswer = file(c.name);
    EXPECT_EQ(SaveDocumentAs(d.document, s), c.replaced) << c.name;
    EXPECT_EQ(get(c.name) != "shipped bytes", c.replaced) << c.name;
    EXPECT_EQ(d.document.Path(), c.replaced ? file(c.name) : file("before.ruvo")) << c.name;
    EXPECT_EQ(dialogs.messages, c.replaced ? std::vector<std::string>{} : std::vector<std::string>{kMsgSaveFailed})
        << c.name;
    EXPECT_EQ(IsProtectedFile(file(c.name)), !c.replaced) << c.name;
  }
  EXPECT_FALSE(IsProtectedFile(file("absent.ruvo")));
}

}  // namespace
}  // namespace ruvo::doc
