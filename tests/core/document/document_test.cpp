// The document object: its name and modified flag with the one listener, and parsing into
// the models it owns.
#include <gtest/gtest.h>

#include "core/document/documentfile.h"
#include "helpers.h"

namespace ruvo::doc {
namespace {

using testing::linesText;
using Change = TDocument::Change;

TEST(Document, ListenerHearsOnlyRealChangesAndAWorkingCopyNeverNamesIt) {
  TDocument d;
  std::vector<Change> told;
  d.SetListener([&](Change c) { told.push_back(c); });
  d.SetModified(false);
  d.SetModified(true);
  d.SetModified(true);
  EXPECT_EQ(told, (std::vector<Change>{Change::Modified}));

  // Naming clears the flag; the working copy of a pasted document changes nothing.
  told.clear();
  EXPECT_TRUE(d.SetPath("tests/a.ruvo"));
  EXPECT_FALSE(d.Modified());
  d.SetModified(true);
  EXPECT_FALSE(d.SetPath(kWorkingCopyPath));
  EXPECT_EQ(d.Path(), "tests/a.ruvo");
  EXPECT_TRUE(d.Modified());
  EXPECT_EQ(told, (std::vector<Change>{Change::Path, Change::Modified}));
}

TEST(Document, ParseFillsTheModelsBeforeTheListenerHears) {
  TDocument d;
  d.Meter().AddReading(10, 5);  // a previous run's reading
  int pagesWhenTold = -1, questionsWhenTold = -1;
  d.SetListener([&](Change c) {
    if (c != Change::Parsed) return;
    pagesWhenTold = d.Pages().PageCount();
    questionsWhenTold = d.QA().Count();
  });
  d.Open(linesText({"title=T", "<page name>", "<page>", "??q", "?a", "?*b", "<page last>", "", ""}));
  EXPECT_EQ(pagesWhenTold, 3);
  EXPECT_EQ(questionsWhenTold, 1);
  EXPECT_EQ(d.Meter().ReadingCount(), 0);
  EXPECT_EQ(d.Pages().Property(prTitle), "T");
  EXPECT_EQ(d.Work().lineCount(), 7);  // tidied: the trailing blank lines are gone
  EXPECT_FALSE(d.Modified());

  // Emptying the models keeps the name and the text.
  d.SetPath("t.ruvo");
  d.ClearModels();
  EXPECT_EQ(d.Pages().PageCount(), 0);
  EXPECT_EQ(d.QA().Count(), 0);
  EXPECT_EQ(d.Path(), "t.ruvo");
  EXPECT_EQ(d.Work().lineCount(), 7);
}

}  // namespace
}  // namespace ruvo::doc
