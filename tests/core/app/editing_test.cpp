// The editing side as the main-window model owns it: the show step's new project, closing an
// edited project, where the save the teacher asks for goes through the project's Save as, New
// after a question was open, Create's progress, and what automatic collection and result files
// on the command line leave of the open project.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/app/form1model.h"
#include "core/authoring/authoringmodel.h"
#include "core/authoring/pageeditor.h"
#include "core/authoring/project.h"
#include "core/document/pagecontroler.h"
#include "core/platform/headlessports.h"
#include "testdocs.h"

namespace ruvo::app {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

const std::vector<std::string> kProject = {"title=Unit 4", "<page name>", "Your name", "<page>",
                                           "Read this.",   "<page last>", "bye"};

// The report layer's side as the window sees it: every collection starts with one table, every
// drop is taken.
class FakeTotals final : public TTotals {
 public:
  void Create(const TSettings&) override {}
  void WriteSettings(TSettings&) const override {}
  bool WouldTake(const std::vector<std::string>& items) override { return !items.empty(); }
  bool Drop(const std::vector<std::string>& items, TotalsDisplay& d) override {
    dropped.push_back(items);
    d = display;
    return true;
  }
  bool StartCollection(TotalsDisplay& d) override {
    ++started;
    d = display;
    return true;
  }
  bool CollectNewResults(TotalsDisplay&) override { return false; }
  void Copy(bool) override {}
  TotalsDisplay display{{"title\tname", "Unit 4\tAoki", ""}, "1 種類、のべ 1 人分", true};
  std::vector<std::vector<std::string>> dropped;
  int started = 0;
};

// Records what the window would paint of ProgressBar2.
class ProgressView final : public TForm1View {
 public:
  explicit ProgressView(const TForm1Model& m) : m_(m) {}
  void ProgressChanged() override { seen.push_back(m_.ProgressBar2()); }
  std::vector<ProgressState> seen;

 private:
  const TForm1Model& m_;
};

struct Editing {
  platform::HeadlessPorts hp;
  TempDir dir{"editing"};
  std::unique_ptr<TForm1Model> m;
  FakeTotals* totals = nullptr;
  std::string project;
  Editing() {
    hp.shell.program = dir / "bin/tovimeter";
    m = std::make_unique<TForm1Model>(hp.ports(), dir.path());
    auto t = std::make_unique<FakeTotals>();
    totals = t.get();
    m->SetTotals(std::move(t));
    m->Create({});
    m->Show();
    fs::create_directories(dir / "system/project");
    project = dir / "system/project/unit4.ruvp";
    std::string text = "\xEF\xBB\xBF";
    for (const auto& l : kProject) text += l + "\r\n";
    std::ofstream(project, std::ios::binary) << rt::writeRtf(doc::TextFromBytes(text));
  }
  authoring::TAuthoringModel& a() { return m->Authoring(); }
  void openAndEdit() {
    ASSERT_TRUE(a().Project().OpenProjectEntry(project));
    ASSERT_EQ(m->FViewMode(), vmEditing);
    a().Editor().Select({authoring::EntryKind::Page, 1});
    rt::RichText t("Read this again.");
    a().Editor().EditPaneText(t);
    ASSERT_TRUE(m->FModified());
  }
};

TEST(EditingModel, ShowStepStartsANewProjectInTheEditingView) {
  Editing e;
  EXPECT_EQ(e.m->FViewMode(), vmEditing);
  EXPECT_EQ(e.m->FSideTab(), 5);
  EXPECT_EQ(e.a().Project().Grids().properties[doc::prNaming], authoring::kDefaultNaming);
  EXPECT_EQ(e.a().Editor().Tree().caption, "property");
  EXPECT_FALSE(e.m->FModified());
}

TEST(EditingModel, ClosingAnEditedProjectSavesThroughSaveAsOrStaysOpen) {
  {
    // Yes, then the save dialog cancelled: nothing is closed.
    Editing e;
    e.openAndEdit();
    e.hp.dialogs.onYesNo = [](const std::string&) { return platform::Answer::Yes; };
    e.hp.dialogs.onFile = [](const std::string&) { return std::optional<std::string>(); };
    EXPECT_FALSE(e.m->CloseDocument());
    EXPECT_EQ(e.m->FPageControler().PageCount(), 3);
    EXPECT_EQ(e.m->FDocumentPath(), e.project);
    EXPECT_TRUE(e.m->FModified());
  }
  {
    // Yes, then a name: the project and its test document are written, then the document goes.
    Editing e;
    e.openAndEdit();
    const std::string target = e.dir / "system/project/unit4b.ruvp";
    e.hp.dialogs.onYesNo = [](const std::string&) { return platform::Answer::Yes; };
    e.hp.dialogs.onFile = [&](const std::string&) { return std::optional<std::string>(target); };
    EXPECT_TRUE(e.m->CloseDocument());
    EXPECT_TRUE(fs::exists(target));
    EXPECT_TRUE(fs::exists(e.dir / "system/ruvof/unit4b.ruvo"));
    EXPECT_EQ(e.m->FPageControler().PageCount(), 0);
    EXPECT_EQ(e.m->FDocumentPath(), "");
    EXPECT_TRUE(e.a().Project().ScriptPath().empty());
  }
}

TEST(EditingModel, PreviewStartsTheExamineeProgramBesideTheRunningOneFirst) {
  Editing e;
  ASSERT_TRUE(e.a().Project().OpenProjectEntry(e.project));
  const std::string preview = e.dir / "system/ruvof/ruvo$$$.ruvo";
  for (const std::string& examinee : {e.dir / "ruvo", e.dir / "bin/ruvo"}) {
    fs::create_directories(fs::path(examinee).parent_path());
    std::ofstream(examinee) << "#!/bin/sh\n";
    e.hp.shell.opened.clear();
    ASSERT_TRUE(e.a().Project().acPageReading());
    EXPECT_EQ(e.hp.shell.opened, std::vector<std::string>{examinee});
    EXPECT_TRUE(fs::exists(preview));
  }
  EXPECT_EQ(e.m->FDocumentPath(), e.project);
}

TEST(EditingModel, AutomaticCollectionClosesNothing) {
  Editing e;
  e.openAndEdit();
  e.hp.dialogs.log.clear();
  ASSERT_TRUE(e.m->H1Click());
  EXPECT_EQ(e.totals->started, 1);
  EXPECT_TRUE(e.hp.dialogs.log.empty()) << e.hp.dialogs.log.front().text;
  EXPECT_EQ(e.m->FViewMode(), vmEditing);
  EXPECT_TRUE(e.m->FModified());
  EXPECT_EQ(e.m->FDocumentPath(), e.project);
  EXPECT_EQ(e.m->FPageControler().PageCount(), 3);

  // With the totals on screen, a new start shows its tables there.
  e.m->SetModified(false);
  e.m->DropFiles({e.dir / "a.ruvot"});
  ASSERT_EQ(e.m->FViewMode(), vmTotals);
  e.totals->display.label2 = "2 種類、のべ 5 人分";
  ASSERT_TRUE(e.m->H1Click());
  EXPECT_EQ(e.m->FViewMode(), vmTotals);
  EXPECT_EQ(e.m->TestView().label2.text, "2 種類、のべ 5 人分");
}

TEST(EditingModel, ResultFilesOnTheCommandLineAreTotalledAsADrop) {
  TempDir dir{"results-args"};
  for (const char* f : {"a.ruvot", "B.RUVOT", "old.ruvt"}) std::ofstream(dir / f) << "x";
  testing::WriteTestDocument(dir / "t.ruvo", {"title=T", "<page>", "Hello", "<page last>", "bye"});
  const struct {
    std::vector<std::string> args;
    bool examineeOnly;
    std::vector<std::string> dropped;  // empty: no drop, the view stays
  } cases[] = {
      {{dir / "a.ruvot"}, false, {dir / "a.ruvot"}},
      {{"--x", dir / "B.RUVOT", dir / "notes.txt", dir / "old.ruvt"}, false, {dir / "B.RUVOT", dir / "old.ruvt"}},
      {{dir / "gone.ruvot"}, false, {}},
      {{dir / "a.ruvot", dir / "gone.ruvot"}, false, {dir / "a.ruvot"}},
      {{dir / "t.ruvo", dir / "a.ruvot"}, false, {}},  // a test named beside it opens instead
      {{dir / "a.ruvot"}, true, {}},                   // the examinee program totals nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    platform::HeadlessPorts hp;
    TForm1Model m(hp.ports(), dir.path());
    auto t = std::make_unique<FakeTotals>();
    FakeTotals* totals = t.get();
    m.SetTotals(std::move(t));
    m.Create(c.args);
    m.Show(c.examineeOnly);
    if (c.dropped.empty()) {
      EXPECT_TRUE(totals->dropped.empty());
      EXPECT_NE(m.FViewMode(), vmTotals);
    } else {
      EXPECT_EQ(totals->dropped, std::vector<std::vector<std::string>>{c.dropped});
      EXPECT_EQ(m.FViewMode(), vmTotals);
      EXPECT_EQ(m.TestView().label2.text, "1 種類、のべ 1 人分");
    }
  }
}

TEST(EditingModel, CreateShowsItsProgressUntilItIsOver) {
  Editing e;
  ProgressView view(*e.m);
  e.m->SetView(&view);
  auto& p = e.a().Project();
  ASSERT_TRUE(p.ChooseTemplateEntry(RUVO_DATA_DIR "/system/template/fixed form/standard.rtf"));
  ASSERT_TRUE(p.ChooseScriptEntry(RUVO_DATA_DIR "/system/script/fixed form/sample3-lighthouse.rtf"));
  ASSERT_TRUE(p.acCreateFromTemplate());
  ASSERT_GT(view.seen.size(), 3u);
  // Each stage sets its maximum and steps up to it.
  bool full = false;
  for (std::size_t i = 0; i < view.seen.size(); ++i) {
    const ProgressState& s = view.seen[i];
    EXPECT_TRUE(s.visible);
    EXPECT_LE(s.position, s.maximum);
    if (i > 0 && s.maximum == view.seen[i - 1].maximum && s.position != 0) {
      EXPECT_EQ(s.position, view.seen[i - 1].position + 1);
    }
    full |= s.maximum > 0 && s.position == s.maximum;
  }
  EXPECT_TRUE(full);
  EXPECT_TRUE(e.m->ProgressBar2().visible);  // through the message "作成しました"
  e.m->CreateFinished();
  EXPECT_EQ(e.m->ProgressBar2(), ProgressState{});
  e.m->SetView(nullptr);
}

TEST(EditingModel, NewForgetsTheQuestionThatWasOpen) {
  Editing e;
  const std::string withQuestion = e.dir / "system/project/q.ruvp";
  {
    std::string text = "\xEF\xBB\xBF";
    for (const char* l :
         {"title=Q", "autoqa=1", "<page name>", "name", "<page>", "??Which?", "?a", "?*b", "<page last>"})
      text += std::string(l) + "\r\n";
    std::ofstream(withQuestion, std::ios::binary) << rt::writeRtf(doc::TextFromBytes(text));
  }
  ASSERT_TRUE(e.a().Project().OpenProjectEntry(withQuestion));
  e.a().Editor().Select({authoring::EntryKind::Question, 1, 0});
  ASSERT_FALSE(e.a().Editor().ChoiceGrid().empty());
  ASSERT_TRUE(e.a().Project().acCreate());
  EXPECT_EQ(e.m->FPageControler().PageCount(), 0);
  EXPECT_EQ(e.a().Editor().Selection().kind, authoring::EntryKind::None);
  EXPECT_TRUE(e.a().Editor().ChoiceGrid().empty());
}

}  // namespace
}  // namespace ruvo::app
