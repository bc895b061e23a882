// A teacher's whole story through the editing side: choose the shipped script and template,
// Create, edit in the page editor, save, open the project again and save it again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "authoring_helpers.h"
#include "core/authoring/authoringmodel.h"
#include "core/document/documentfile.h"
#include "core/document/documentformat.h"
#include "core/document/wpmmeter.h"
#include "core/platform/headlessports.h"
#include "core/storage/atomicfile.h"
#include "core/storage/filenames.h"

namespace ruvo::authoring {
namespace {

namespace fs = std::filesystem;
using testing::lines;

std::string bytesOf(const fs::path& p) {
  std::string s;
  EXPECT_TRUE(storage::readWholeFile(p.string(), s)) << p;
  return s;
}

TEST(Story, CreateEditSaveOpenSave) {
  const fs::path home = fs::temp_directory_path() / ("ruvo-story-" + std::to_string(::getpid()));
  fs::remove_all(home);
  fs::create_directories(home);
  const fs::path data = fs::path(RUVO_DATA_DIR) / "system";

  doc::TDocument doc;
  platform::ScriptedDialogs dialogs;
  platform::FakeClock clock;
  platform::RecordingShell shell;
  ProjectSession s;
  s.programFolder = home.string();
  s.document = &doc;
  s.dialogs = &dialogs;
  s.shell = &shell;
  s.clock = &clock;
  TAuthoringModel m(s);
  TProjectModel& project = m.Project();
  TPageEditorModel& editor = m.Editor();

  project.SetTemplateFile((data / "template/fixed form/standard.rtf").string());
  m.SetScriptFile((data / "script/fixed form/sample4-market.rtf").string());
  EXPECT_EQ(editor.CorrectAnswerGrid().size(), 3u);
  ASSERT_TRUE(project.acCreateFromTemplate()) << (dialogs.messages().empty() ? "" : dialogs.messages().back());
  EXPECT_TRUE(doc.Modified());
  const int questionPage = 6;
  ASSERT_EQ(doc.Pages().Page(questionPage)->Role(), doc::PageRole::Question);
  EXPECT_EQ(editor.CorrectAnswerGrid().size(), 5u);

  // Edit a page text, a question, a choice, the correct mark; batch entry; page operations.
  editor.Select({EntryKind::Page, 0});
  editor.EditPaneText(lines({"改訂版のテスト"}));
  editor.Select({EntryKind::Question, questionPage, 0});
  auto cell = editor.BeginCellEdit(1);
  ASSERT_TRUE(cell);
  cell->text = lines({"Where is the Saturday market held?"});
  editor.CommitCellEdit(1, *cell, true);
  cell = editor.BeginCellEdit(4);
  cell->text = lines({"3. Behind the farm"});
  editor.CommitCellEdit(4, *cell, true);
  editor.Select({EntryKind::Choice, questionPage, 0, 0});
  editor.ToggleCorrect();
  editor.Select({EntryKind::Question, questionPage, 1});
  project.Grids().autoIndent = true;
  ASSERT_TRUE(editor.BatchEntry(lines({"What did Ken like best?", "The flowers", "*The cheese stall"})));
  editor.Select({EntryKind::Root});
  editor.acPageAdd();
  editor.Select({EntryKind::Page, 1});
  editor.acPageMoveDown();
  editor.Select({EntryKind::Page, 3});
  editor.acPageDelete();
  const std::vector<std::string> edited = testing::describe(doc.Pages());

  ASSERT_TRUE(project.acPageSave());
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(doc.Path(), (home / "system/project/sample4-market.ruvp").string());
  const std::string ruvo = bytesOf(home / "system/ruvof/sample4-market.ruvo");
  const std::string ruvp = bytesOf(home / "system/project/sample4-market.ruvp");
  // What ruvo-tool compile writes for the same document.
  EXPECT_EQ(ruvo, doc::EncodeDocument(doc.Work()));
  EXPECT_EQ(ruvp, rt::writeRtf(doc.Work()));

  // Open the project again: the same pages, and saving it again gives the same files.
  doc.Pages().Clear();
  const std::string saved = doc.Path();
  ASSERT_TRUE(project.OpenProjectEntry(saved));
  EXPECT_EQ(testing::describe(doc.Pages()), edited);
  // One page in front of it was deleted.
  const doc::TPage& qp = *doc.Pages().Page(questionPage - 1);
  ASSERT_EQ(qp.QuestionCount(), 2);
  EXPECT_EQ(qp.Question(1)->QuestionPlain(), "\tWhat did Ken like best?");
  EXPECT_EQ(qp.Question(1)->Correct(), 1);
  EXPECT_EQ(qp.Question(0)->QuestionPlain(), "\tWhere is the Saturday market held?");
  EXPECT_EQ(qp.Question(0)->ChoicePlain(2), "\t\t3. Behind the farm");
  EXPECT_EQ(qp.Question(0)->Correct(), -1);
  ASSERT_TRUE(project.acPageSave());
  EXPECT_EQ(bytesOf(home / "system/ruvof/sample4-market.ruvo"), ruvo);
  EXPECT_EQ(bytesOf(home / "system/project/sample4-market.ruvp"), ruvp);
  EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{kMsgCreated}));
  fs::remove_all(home);
}

}  // namespace
}  // namespace ruvo::authoring
