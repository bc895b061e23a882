// The editing side as the main-window model owns it: the show step's new project, and closing
// an edited project, where the save the teacher asks for goes through the project's Save as.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/app/form1model.h"
#include "core/authoring/authoringmodel.h"
#include "core/document/pagecontroler.h"
#include "core/platform/headlessports.h"
#include "testdocs.h"

namespace ruvo::app {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

const std::vector<std::string> kProject = {"title=Unit 4", "<page name>", "Your name", "<page>",
                                           "Read this.",   "<page last>", "bye"};

struct Editing {
  platform::HeadlessPorts hp;
  TempDir dir{"editing"};
  std::unique_ptr<TForm1Model> m;
  std::string project;
  Editing() {
    hp.shell.program = dir / "bin/tovimeter";
    m = std::make_unique<TForm1Model>(hp.ports(), dir.path());
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

}  // namespace
}  // namespace ruvo::app
