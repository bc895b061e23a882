#include "core/authoring/project.h"
#include "core/storage/atomicfile.h"
#include "core/storage/filenames.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "authoring_helpers.h"
#include "core/document/documentfile.h"
#include "core/document/documentformat.h"
#include "core/document/wpmmeter.h"
#include "core/platform/headlessports.h"

namespace ruvo::authoring {
namespace {

namespace fs = std::filesystem;
using testing::describe;
using testing::lines;
using V = std::vector<std::string>;

class StartingShell final : public platform::Shell {
 public:
  std::vector<std::string> opened;
  std::vector<std::vector<std::string>> started;
  bool open(const std::string& p) override {
    opened.push_back(p);
    return true;
  }
  bool start(const std::string& prog, const std::vector<std::string>& args) override {
    std::vector<std::string> call{prog};
    call.insert(call.end(), args.begin(), args.end());
    started.push_back(call);
    return true;
  }
  std::string programPath() override { return program; }
  std::string program = "tovimeter";
  std::string version() override { return "0"; }
  std::string systemName() override { return "Linux"; }
};

// A program folder of its own and the window's side of the project actions, recorded.
class Project : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() / ("ruvo-project-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(home_);
    fs::create_directories(home_);
    doc_.SetListener([this](doc::TDocument::Change c) {
      if (c == doc::TDocument::Change::Parsed) calls_.push_back("parse");
    });
    clock_.date = {2026, 12, 10, 9, 30, 0};
    ProjectSession s;
    s.programFolder = home_.string();
    s.document = &doc_;
    s.dialogs = &dialogs_;
    s.shell = &shell_;
    s.clock = &clock_;
    s.rebuildEditor = [this] { calls_.push_back("rebuild"); };
    s.showSideTab = [this](SideTab t) { calls_.push_back("tab" + std::to_string(static_cast<int>(t))); };
    s.selectEditingView = [this] { calls_.push_back("editing"); };
    s.canLeaveView = [this] { return canLeave_; };
    s.resetDocument = [this] {
      calls_.push_back("reset");
      return reset_;
    };
    model_ = std::make_unique<TProjectModel>(s);
  }
  void TearDown() override { fs::remove_all(home_); }

  std::string file(const std::string& rel, const V& content) {
    const fs::path p = home_ / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << rt::writeRtf(lines(content));
    return p.string();
  }
  std::string at(const std::string& rel) const { return (home_ / rel).string(); }
  // An open document: two pages, saved under a name, unmodified.
  void openSomething() {
    doc_.Pages().AddPage()->SetKind(doc::PageKind::Name);
    doc_.Pages().AddPage()->SetRole(doc::PageRole::Last);
    doc_.SetPath(at("system/project/open.ruvp"));
    doc_.SetModified(false);
  }
  std::vector<std::string> savedPages(const std::string& ruvo) {
    rt::RichText t;
    EXPECT_EQ(doc::LoadDocumentFile(ruvo, t), "");
    TDocumentModel m;
    doc::TWPMMeter meter;
    doc::ParseDocument(t, m.pages, m.qa, meter);
    return describe(m.pages);
  }

  fs::path home_;
  doc::TDocument doc_;
  platform::ScriptedDialogs dialogs_;
  platform::FakeClock clock_;
  StartingShell shell_;
  bool canLeave_ = true, reset_ = true;
  std::vector<std::string> calls_;
  std::unique_ptr<TProjectModel> model_;
};

const V kTemplate = {"[HEAD]", "Welcome", "[OPEN]", "Name", "[FINISH]", "Done"};

TEST_F(Project, CreateAdoptsTheCompiledDocument) {
  model_->SetTemplateFile(file("system/template/t.rtf", kTemplate));
  model_->SetScriptFile(
      file("system/script/unit 1.rtf", {"title=Unit", "score=1", "!", "P", "?", "Q", "a", "*b", "?", "R", "*c"}));
  EXPECT_EQ(model_->Grids().properties[doc::prTitle], "Unit");
  EXPECT_EQ(model_->Grids().settings[doc::stScore], "On");
  EXPECT_EQ(model_->CorrectAnswers(), (std::vector<CorrectAnswerRow>{{1, 2, "Q"}, {2, 1, "R"}}));
  EXPECT_EQ(model_->ScriptLabel(), "unit 1");
  EXPECT_TRUE(model_->CheckBoxesEnabled());
  model_->Grids().autoIndent = false;
  openSomething();
  calls_.clear();
  ASSERT_TRUE(model_->acCreateFromTemplate());
  EXPECT_EQ(describe(doc_.Pages()),
            (V{"0/0 Welcome", "5/0 Name", "1/0 P", "3/1  |  {(1) Q: 1. a *2. b} {(2) R: *1. c}", "4/0 Done", "0/2 "}));
  EXPECT_EQ(doc_.QA().Count(), 2);
  EXPECT_EQ(doc_.Pages().Setting(doc::stScore), 1);
  EXPECT_EQ(doc_.Path(), at("system/project/unit 1.ruvp"));
  EXPECT_TRUE(doc_.Modified());
  EXPECT_EQ(calls_, (V{"rebuild", "tab2"}));
  EXPECT_EQ(dialogs_.messages(), (V{kMsgCreated}));
}

// Every stop of Create leaves the open document, its name and its modified state alone.
TEST_F(Project, StoppedCreateKeepsTheOpenDocument) {
  struct Case {
    V script, templ;
    std::optional<std::string> title;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"!", "P", "!", "Q"}, kTemplate, "x", std::string(kMsgConsecutivePassages) + "\r\n\r\n3 行目の !\r\n"},
      {{"!", "P", "?", "Q"}, kTemplate, std::nullopt, kMsgNoTitle},
      {{"!", "P", "?", "Q"}, kTemplate, "title", kMsgNoTitle},
      {{"!", "P", "?", "Q"}, {"[HEAD]", "h", "[NOTE]", "n"}, "Named", kMsgNoOpenBlock},
  };
  for (const Case& c : cases) {
    openSomething();
    const V before = describe(doc_.Pages());
    model_->SetTemplateFile(file("system/template/t.rtf", c.templ));
    model_->SetScriptFile(file("system/script/s.rtf", c.script));
    dialogs_.log.clear();
    calls_.clear();
    dialogs_.onInput = [&](const std::string&, const std::string&, const std::string&) { return c.title; };
    EXPECT_FALSE(model_->acCreateFromTemplate());
    EXPECT_EQ(dialogs_.messages(), (V{c.message}));
    EXPECT_EQ(describe(doc_.Pages()), before);
    EXPECT_EQ(doc_.Path(), at("system/project/open.ruvp"));
    EXPECT_FALSE(doc_.Modified());
    EXPECT_TRUE(calls_.empty());
    EXPECT_EQ(model_->Grids().properties[doc::prTitle], "");
    doc_.Pages().Clear();
  }
}

TEST_F(Project, AnsweredTitleGoesIntoTheGrid) {
  model_->SetTemplateFile(file("t.rtf", kTemplate));
  model_->SetScriptFile(file("s.rtf", {"!", "P", "?", "Q"}));
  dialogs_.onInput = [](const std::string&, const std::string& prompt, const std::string&) {
    EXPECT_EQ(prompt, "【例】　2026 第１回目");
    return std::optional<std::string>(" 第２回 ");
  };
  ASSERT_TRUE(model_->acCreateFromTemplate());
  EXPECT_EQ(model_->Grids().properties[doc::prTitle], "第２回");
  EXPECT_EQ(doc_.Pages().Property(doc::prTitle), "第２回");
}

TEST_F(Project, ReadinessAndReview) {
  const std::string templ = "Template ファイルを\r\n\r\n [ Template ] アイコンから設定してください。";
  const std::string script = "Script ファイルを\r\n\r\n [ Script ] アイコンから設定してください。";
  EXPECT_FALSE(model_->BothReady(true));
  EXPECT_FALSE(model_->acCreateFromTemplate());
  model_->SetTemplateFile(file("t.rtf", kTemplate));
  EXPECT_FALSE(model_->ProjectReady(true));
  model_->SetScriptFile(file("s.rtf", {"title=x", "!", "P", "?", "Q"}));
  EXPECT_FALSE(model_->ProjectReady(true));
  EXPECT_FALSE(model_->ProjectReady(false));
  EXPECT_EQ(dialogs_.messages(), (V{templ, templ, script, kMsgNoProject}));
  EXPECT_TRUE(model_->IsProject());

  // While the script is open outside, Create asks first; Cancel stops, Yes reloads it.
  model_->acEditScript();
  EXPECT_EQ(shell_.opened, (V{at("s.rtf")}));
  EXPECT_EQ(model_->ScriptButton(), EditButton::Review);
  EXPECT_EQ(model_->ScriptPreview().lineText(3), "注意！");
  dialogs_.log.clear();
  dialogs_.onYesNoCancel = [](const std::string&) { return platform::Answer::Cancel; };
  EXPECT_FALSE(model_->acCreateFromTemplate());
  ASSERT_EQ(dialogs_.log.size(), 1u);
  EXPECT_TRUE(dialogs_.log[0].text.starts_with("Script が更新中です。"));
  dialogs_.onYesNoCancel = [](const std::string&) { return platform::Answer::Yes; };
  file("s.rtf", {"title=edited", "!", "P", "?", "Q"});
  EXPECT_TRUE(model_->acCreateFromTemplate());
  EXPECT_EQ(model_->ScriptButton(), EditButton::Edit);
  EXPECT_EQ(doc_.Pages().Property(doc::prTitle), "edited");
}

TEST_F(Project, TemplatePreviewMarksItsHeaders) {
  model_->SetTemplateFile(file("system/template/t.rtf", {"[HEAD]", "text", " [x] "}));
  const rt::RichText& p = model_->TemplatePreview();
  const int big = rt::CharFormat{}.sizeHalfPoints * 14 / 10;
  EXPECT_TRUE(p.paragraphs()[0].runs[0].format.bold && p.paragraphs()[0].runs[0].format.underline);
  EXPECT_EQ(p.paragraphs()[0].runs[0].format.sizeHalfPoints, big);
  EXPECT_FALSE(p.paragraphs()[1].runs[0].format.bold);
  EXPECT_TRUE(p.paragraphs()[2].runs[0].format.underline);
  EXPECT_EQ(model_->TemplateLabel(), "t");
  EXPECT_FALSE(model_->CheckBoxesEnabled());
  model_->SetTemplateFile("");
  EXPECT_TRUE(model_->TemplatePreview().isEmpty());
  EXPECT_EQ(model_->TemplateLabel(), "");
}

TEST_F(Project, SaveWritesTheModelAsItIsNow) {
  model_->SetTemplateFile(file("t.rtf", kTemplate));
  model_->SetScriptFile(file("s.rtf", {"title=x", "!", "P", "?", "Q", "*a"}));
  ASSERT_TRUE(model_->acCreateFromTemplate());
  // An edit after Create: the save must carry it.
  doc_.Pages().Page(0)->SetMainTextFromStream(lines({"Edited welcome"}));
  ASSERT_TRUE(model_->acPageSave());
  EXPECT_FALSE(doc_.Modified());
  EXPECT_EQ(doc_.Path(), at("system/project/s.ruvp"));
  EXPECT_EQ(savedPages(at("system/ruvof/s.ruvo")), describe(doc_.Pages()));
  EXPECT_EQ(describe(doc_.Pages())[0], "0/0 Edited welcome");

  // A project in a subfolder: the project file into the project folder, the test document
  // into the same subfolder of the test folder. Outside the project folder: the test
  // document beside the path.
  EXPECT_EQ(model_->ProjectFileFor(at("system/project/unit/a.ruvp")), at("system/project/a.ruvp"));
  EXPECT_EQ(model_->TestDocumentFor(at("system/project/unit/a.ruvp")), at("system/ruvof/unit/a.ruvo"));
  EXPECT_EQ(model_->TestDocumentFor(at("elsewhere/b.ruvo")), at("elsewhere/b.ruvo"));
  ASSERT_TRUE(model_->Save(at("system/project/unit/a.ruvp")));
  EXPECT_TRUE(fs::exists(at("system/ruvof/unit/a.ruvo")));
  EXPECT_EQ(doc_.Path(), at("system/project/a.ruvp"));
}

TEST_F(Project, SaveFailures) {
  openSomething();
  doc_.Pages().Page(0)->SetKind(doc::PageKind::Plain);
  doc_.SetModified(true);
  EXPECT_FALSE(model_->Save(at("x.ruvo")));
  EXPECT_EQ(dialogs_.messages(), (V{kMsgNoNamePage}));
  EXPECT_EQ(model_->acPageSaveAs(), 2);
  EXPECT_FALSE(fs::exists(at("system/project/x.ruvp")));

  // Something already standing where the project file goes is no saved project.
  doc_.Pages().Page(0)->SetKind(doc::PageKind::Name);
  fs::create_directories(at("system/project/x.ruvp/in the way"));
  dialogs_.log.clear();
  EXPECT_FALSE(model_->Save(at("x.ruvo")));
  EXPECT_EQ(dialogs_.messages(), (V{at("x.ruvo") + "\r\n\r\n" + kMsgProjectNotSaved}));
  EXPECT_TRUE(doc_.Modified());
  EXPECT_EQ(doc_.Path(), at("system/project/open.ruvp"));

  // Project written, test document not: the name moves to the project, the flag stays clear.
  fs::create_directories(at("y.ruvo/in the way"));
  dialogs_.log.clear();
  EXPECT_FALSE(model_->Save(at("y.ruvo")));
  EXPECT_EQ(dialogs_.messages(), (V{at("y.ruvo") + "\r\n\r\n" + kMsgRuvoNotSaved}));
  EXPECT_EQ(doc_.Path(), at("system/project/y.ruvp"));

  // Save as: a dialog in the project's folder; cancelled gives 2, confirmed 1.
  dialogs_.onFile = [](const std::string&) { return std::nullopt; };
  EXPECT_EQ(model_->acPageSaveAs(), 2);
  dialogs_.onFile = [this](const std::string&) { return std::optional<std::string>(at("system/ruvof/z.ruvo")); };
  EXPECT_EQ(model_->acPageSaveAs(), 1);
  EXPECT_TRUE(fs::exists(at("system/ruvof/z.ruvo")));
  EXPECT_EQ(doc_.Path(), at("system/project/z.ruvp"));
}

// Save on an opened sample, or on a file nobody may write, asks for a new name instead of
// renaming a new file over the old one; Save as never picks such a file either.
TEST_F(Project, SaveGoesToSaveAsInsteadOfReplacingASample) {
  const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  const fs::perms writable = readOnly | fs::perms::owner_write;
  struct Case {
    std::string opened;            // the document's path
    std::vector<std::string> old;  // files standing there, with the mode below
    fs::perms mode;
  };
  const std::vector<Case> cases = {
      {"system/ruvof/sample/s1.ruvo", {"system/ruvof/sample/s1.ruvo"}, readOnly},
      // The shipped samples are samples even where the permission bits were never taken away.
      {"system/ruvof/sample/s2.ruvo", {"system/ruvof/sample/s2.ruvo"}, writable},
      // A sample project: its test document lies in the samples of the test folder.
      {"system/project/sample/p.ruvp", {"system/project/sample/p.ruvp", "system/ruvof/sample/p.ruvo"}, readOnly},
      {"elsewhere/ro.ruvo", {"elsewhere/ro.ruvo"}, readOnly},
      // A read-only project file in the project folder.
      {"system/project/q.ruvp", {"system/project/q.ruvp"}, readOnly},
  };
  for (const Case& c : cases) {
    for (const std::string& f : c.old) {
      fs::create_directories(fs::path(at(f)).parent_path());
      std::ofstream(at(f), std::ios::binary) << "shipped";
      fs::permissions(at(f), c.mode);
    }
    openSomething();
    doc_.SetPath(at(c.opened));
    doc_.SetModified(true);
    EXPECT_TRUE(model_->SaveReplacesProtected(doc_.Path())) << c.opened;
    // Cancelled: nothing written, nothing renamed, still modified.
    dialogs_.log.clear();
    dialogs_.onFile = [](const std::string&) { return std::nullopt; };
    EXPECT_FALSE(model_->acPageSave()) << c.opened;
    ASSERT_EQ(dialogs_.log.size(), 1u) << c.opened;
    EXPECT_EQ(dialogs_.log[0].kind, "save");
    EXPECT_EQ(doc_.Path(), at(c.opened));
    EXPECT_TRUE(doc_.Modified());
    // A new name: saved there, the old files untouched.
    const std::string stem = fs::path(c.opened).stem().string();
    dialogs_.onFile = [&](const std::string&) {
      return std::optional<std::string>(at("system/ruvof/" + stem + "-mine.ruvo"));
    };
    EXPECT_TRUE(model_->acPageSave()) << c.opened;
    EXPECT_TRUE(fs::exists(at("system/ruvof/" + stem + "-mine.ruvo")));
    EXPECT_EQ(doc_.Path(), at("system/project/" + stem + "-mine.ruvp"));
    EXPECT_FALSE(doc_.Modified());
    for (const std::string& f : c.old) {
      std::string bytes;
      ASSERT_TRUE(storage::readWholeFile(at(f), bytes).ok());
      EXPECT_EQ(bytes, "shipped") << f;
    }
    // Save as onto the sample itself: told, and nothing written.
    dialogs_.log.clear();
    dialogs_.onFile = [&](const std::string&) { return std::optional<std::string>(at(c.opened)); };
    doc_.SetModified(true);
    EXPECT_EQ(model_->acPageSaveAs(), 1);
    ASSERT_EQ(dialogs_.messages().size(), 1u) << c.opened;
    EXPECT_NE(dialogs_.messages()[0].find("の保存ができませんでした"), std::string::npos);
    EXPECT_TRUE(doc_.Modified());
    doc_.Pages().Clear();
  }
  // A new file in a sample folder replaces nothing; a writable file elsewhere is saved over.
  EXPECT_FALSE(model_->SaveReplacesProtected(at("system/ruvof/sample/new.ruvo")));
  std::ofstream(at("mine.ruvo")) << "x";
  EXPECT_FALSE(model_->SaveReplacesProtected(at("mine.ruvo")));
}

TEST_F(Project, ReadingPreviewOnlyAfterASuccessfulSave) {
  openSomething();
  doc_.SetModified(true);
  EXPECT_FALSE(model_->acPageReading());
  EXPECT_EQ(dialogs_.messages(), (V{std::string(kMsgNoExaminee) + "\r\n\r\nruvo ファイルを " + home_.string() +
                                    " フォルダに置いてからやり直してください"}));
  std::ofstream(home_ / "ruvo") << "#!/bin/sh\n";

  // A stale preview file from an earlier run, and a document that cannot be saved.
  file("system/ruvof/ruvo$$$.ruvo", {"old"});
  doc_.Pages().Page(0)->SetKind(doc::PageKind::Plain);
  EXPECT_FALSE(model_->acPageReading());
  EXPECT_TRUE(shell_.started.empty());

  doc_.Pages().Page(0)->SetKind(doc::PageKind::Name);
  ASSERT_TRUE(model_->acPageReading());
  ASSERT_EQ(shell_.started.size(), 1u);
  EXPECT_EQ(shell_.started[0], (V{at("ruvo"), at("system/ruvof/ruvo$$$.ruvo")}));
  EXPECT_EQ(savedPages(at("system/ruvof/ruvo$$$.ruvo")), describe(doc_.Pages()));
  EXPECT_EQ(doc_.Path(), at("system/project/open.ruvp"));
  EXPECT_TRUE(doc_.Modified());

  dialogs_.log.clear();
  EXPECT_FALSE(model_->StartExaminee(at("missing.ruvo")));
  EXPECT_EQ(dialogs_.messages(), (V{kMsgNoPreviewFile}));

  // Installed: the examinee program beside the running one, none in the program folder.
  fs::remove(home_ / "ruvo");
  fs::create_directories(home_ / "bin dir");
  std::ofstream(home_ / "bin dir/ruvo") << "#!/bin/sh\n";
  shell_.program = at("bin dir/tovimeter");
  ASSERT_TRUE(model_->acPageReading());
  EXPECT_EQ(shell_.started.back(), (V{at("bin dir/ruvo"), at("system/ruvof/ruvo$$$.ruvo")}));
}

TEST_F(Project, OpenProjectAndMenuEntries) {
  openSomething();
  ASSERT_TRUE(model_->Save(at("system/project/2026.1/kept.ruvp")));
  doc_.Pages().Clear();
  doc_.SetPath("");
  calls_.clear();
  const auto menu = model_->ProjectMenu();
  ASSERT_EQ(menu.size(), 3u);  // the dialog entry, the separator, the saved project
  ASSERT_EQ(menu[2].caption, "kept");
  ASSERT_TRUE(model_->OpenProjectEntry(menu[2].path));
  EXPECT_EQ(doc_.Path(), at("system/project/kept.ruvp"));
  EXPECT_EQ(doc_.Pages().PageCount(), 2);
  EXPECT_TRUE(fs::exists(at("tmp/kept.ruvp")));
  EXPECT_EQ(calls_, (V{"parse", "editing"}));

  EXPECT_FALSE(model_->ChooseScriptEntry(at("system/script/gone.rtf")));
  EXPECT_EQ(dialogs_.messages().back(), at("system/script/gone.rtf") + kMsgFileNotFound);
  // A subfolder with a dot keeps its real path.
  file("system/script/2026.1/s.rtf", {"!"});
  const auto scripts = model_->ScriptMenu();
  ASSERT_EQ(scripts.size(), 4u);
  EXPECT_EQ(scripts[1].caption, "新規作成");
  EXPECT_EQ(scripts[3].caption, "2026");
  EXPECT_TRUE(model_->ChooseScriptEntry(scripts[3].children[0].path));
  EXPECT_EQ(model_->ScriptPath(), at("system/script/2026.1/s.rtf"));
}

TEST_F(Project, NewDocumentAndSkeletons) {
  canLeave_ = false;
  EXPECT_FALSE(model_->acCreate());
  EXPECT_TRUE(calls_.empty());
  canLeave_ = true;
  reset_ = false;
  EXPECT_FALSE(model_->acCreate());
  EXPECT_EQ(calls_, (V{"tab5", "reset"}));
  reset_ = true;
  calls_.clear();
  EXPECT_TRUE(model_->acCreate());
  EXPECT_EQ(calls_, (V{"tab5", "reset", "editing", "rebuild", "tab5"}));

  dialogs_.onFile = [this](const std::string&) { return std::optional<std::string>(at("system/script/new.rtf")); };
  ASSERT_TRUE(model_->acCreateScript());
  EXPECT_EQ(model_->ScriptPath(), at("system/script/new.rtf"));
  EXPECT_EQ(model_->ScriptButton(), EditButton::Review);
  EXPECT_EQ(shell_.opened, (V{at("system/script/new.rtf")}));
  rt::RichText written;
  ASSERT_EQ(doc::LoadDocumentText(at("system/script/new.rtf"), written), "");
  EXPECT_EQ(written.lineText(0), "date=2026年12月10日 09時");

  dialogs_.onFile = [this](const std::string&) { return std::optional<std::string>(at("mine/new.rtf")); };
  ASSERT_TRUE(model_->acCreateTemplate());
  EXPECT_EQ(model_->TemplatePath(), at("mine/new.rtf"));
  EXPECT_EQ(model_->TemplateButton(), EditButton::Review);
  EXPECT_EQ(model_->TemplatePreview().lineText(0), kMsgReviewNote);
}

}  // namespace
}  // namespace ruvo::authoring
