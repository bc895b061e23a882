// ruvo-tool simulate killed after a page and resumed from its journal, and ruvo-tool export.
#include <map>
#include <vector>

#include "core/app/runjournal.h"
#include "support/clitest.h"

namespace ruvo::clitest {
namespace {

constexpr int kRefused = 1, kUsage = 2;
const std::string kMarket = std::string(RUVO_DATA_DIR) + "/system/ruvof/sample/sample4-market.ruvo";
const std::string kSpeech = std::string(RUVO_DATA_DIR) + "/system/ruvof/sample/sample1-gettysburg.ruvo";
// A phrase page (page 5) with times of its own for three phrases, timed questions, a name
// with a comma.
const std::string kRun = "'" + kMarket +
                         "' --name 'Ito, Ken' --answers 1,2,3,1 --seconds 4,5,6,7,20,8,30,9,21,4,25,3 "
                         "--phrase-seconds 5:1.5/2/0.25 --date '2004/05/06 10:11:12'";

class JournalCli : public CliTest {
 protected:
  std::string simulate(const std::string& folder, const std::string& extra = {}) {
    fs::create_directories(p(folder));
    return "simulate " + kRun + " --out " + q(folder) + " --journal " + q(folder) + " " + extra;
  }
  std::vector<fs::path> filesIn(const std::string& folder, const std::string& ext) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(p(folder)))
      if (e.path().extension() == ext) out.push_back(e.path());
    return out;
  }
};

TEST_F(JournalCli, KilledAfterAnyPageAndResumedGivesTheSameResultFile) {
  ToolRun whole = runTool(simulate("whole"));
  ASSERT_EQ(whole.exit, 0) << whole.err;
  const auto wholeFiles = filesIn("whole", ".ruvot");
  ASSERT_EQ(wholeFiles.size(), 1u);
  const std::string expected = slurp(wholeFiles[0]);
  const auto journals = filesIn("whole", app::kJournalExtension);
  ASSERT_EQ(journals.size(), 1u);
  app::JournalContents c;
  ASSERT_TRUE(app::ReadJournalFile(journals[0], c).ok());
  int pages = 0;
  for (const auto& e : c.events)
    if (e.type == app::JournalEvent::Type::Page) ++pages;
  ASSERT_GE(pages, 10);

  for (int k = 1; k <= pages; ++k) {
    SCOPED_TRACE("killed after page " + std::to_string(k));
    const std::string folder = "k" + std::to_string(k);
    ToolRun killed = runTool(simulate(folder, "--crash-after-page " + std::to_string(k)));
    EXPECT_NE(killed.exit, 0);
    EXPECT_TRUE(killed.out.empty());  // killed before the record was printed
    ASSERT_TRUE(filesIn(folder, ".ruvot").empty());
    ASSERT_EQ(filesIn(folder, app::kJournalExtension).size(), 1u);

    ToolRun resumed = runTool(simulate(folder, "--resume"));
    ASSERT_EQ(resumed.exit, 0) << resumed.err;
    EXPECT_EQ(resumed.out, whole.out);
    const auto files = filesIn(folder, ".ruvot");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename(), wholeFiles[0].filename());
    EXPECT_EQ(slurp(files[0]), expected);
    EXPECT_EQ(filesIn(folder, app::kJournalExtension).size(), 1u);  // the same journal goes on
  }
}

TEST_F(JournalCli, OptionsThatCannotWorkAreRefused) {
  fs::create_directories(p("j"));
  const struct {
    std::string args;
    int exit;
  } cases[] = {
      {"simulate '" + kMarket + "' --name A --resume", kUsage},
      {"simulate '" + kMarket + "' --name A --crash-after-page 2", kUsage},
      {"simulate '" + kMarket + "' --name A --journal " + q("j") + " --crash-after-page 0", kUsage},
      {"simulate '" + kMarket + "' --name A --journal " + q("j") + " --crash-after-page 2 --resume", kUsage},
      {"simulate '" + kMarket + "' --name A --phrase-seconds 5:x", kUsage},
      {"simulate '" + kMarket + "' --name A --phrase-seconds 0:1", kUsage},
      // Nothing unfinished to go on with.
      {"simulate '" + kMarket + "' --name A --journal " + q("j") + " --resume", kRefused},
      {"export " + q("j") + " -o " + q("x.xlsx"), kUsage},
      {"export -o " + q("x.csv"), kUsage},
      {"export " + q("missing") + " -o " + q("x.csv"), kRefused},
  };
  for (const auto& c : cases) {
    ToolRun r = runTool(c.args);
    EXPECT_EQ(r.exit, c.exit) << c.args << "\n" << r.err;
  }
}

TEST_F(JournalCli, ExportGivesOneRowPerEventThatCsvReadersTake) {
  ASSERT_EQ(runTool(simulate("runs")).exit, 0) << err_;
  // A result file without a journal: its readings and answers.
  ASSERT_EQ(runTool("simulate '" + kSpeech +
                    "' --name Old --answers 2,2,3,2,Liberty --date '2004/05/06 10:11:13' --out " + q("runs/old"))
                .exit,
            0)
      << err_;
  for (const char* out : {"long.csv", "long.tsv"}) {
    SCOPED_TRACE(out);
    ToolRun r = runTool("export " + q("runs") + " -o " + q(out));
    ASSERT_EQ(r.exit, 0) << r.err;
    // Python's csv module reads it with the header's columns; the script prints what the
    // checks below need.
    spit(p("check.py"), R"(import csv, sys
path = sys.argv[1]
rows = list(csv.DictReader(open(path, encoding='utf-8', newline=''), delimiter='\t' if path.endswith('.tsv') else ','))
print(','.join(rows[0].keys()))
pages, phrases = {}, {}
for r in rows:
    key = (r['examinee'], r['page'])
    if r['kind'] == 'phrase': phrases[key] = phrases.get(key, 0) + int(r['ms'])
    elif r['ms'] and r['page']: pages[key] = int(r['ms'])
for key in sorted(phrases): print('phrases', key[0], key[1], phrases[key], pages[key])
print('names', sorted(set(r['examinee'] for r in rows)))
print('questions', [(r['examinee'], r['question'], r['answer'], r['correct']) for r in rows if r['kind'] == 'question'])
print('readings', [(r['examinee'], r['words'], r['wpm'], r['ms']) for r in rows if r['kind'] == 'reading'])
)");
    const std::string cmd = "python3 " + q("check.py") + " " + q(out) + " >" + q("py.out") + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << slurp(p("py.out"));
    const std::string py = slurp(p("py.out"));
    EXPECT_EQ(py.substr(0, py.find('\n')),
              "test_title,examinee,date,page,phrase,kind,ms,words,wpm,question,answer,correct");
    // The phrase page's phrases add up to its time: 1.5 + 2 + 0.25 s and the rest sharing 20 s.
    EXPECT_NE(py.find("phrases Ito, Ken 5 "), std::string::npos) << py;
    const std::size_t at = py.find("phrases Ito, Ken 5 ");
    const std::string line = py.substr(at, py.find('\n', at) - at);
    const std::string numbers = line.substr(std::string("phrases Ito, Ken 5 ").size());
    const std::string sum = numbers.substr(0, numbers.find(' ')), page = numbers.substr(numbers.find(' ') + 1);
    EXPECT_EQ(sum, page) << line;
    EXPECT_NE(py.find("names ['Ito, Ken', 'Old']"), std::string::npos) << py;
    EXPECT_NE(py.find("('Ito, Ken', '1', '1', '1'), ('Ito, Ken', '2', '2', '1'), ('Ito, Ken', '3', '3', '0')"),
              std::string::npos)
        << py;
    // The result file of the journaled run is not counted twice; the other one gives its rows.
    EXPECT_NE(py.find("('Old', '5', 'Liberty', '')"), std::string::npos) << py;
    EXPECT_NE(py.find("('Old', '280', '1680.00', '10000')"), std::string::npos) << py;
  }
}

}  // namespace
}  // namespace ruvo::clitest
