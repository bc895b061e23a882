#include "core/app/simulation.h"

#include <cmath>

#include "core/app/form1model.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/platform/headlessports.h"
#include "core/text/strings.h"

namespace ruvo::app {

std::vector<std::string> SplitList(const std::string& list) {
  // Comma-separated; an item in double quotes may hold commas, and "" inside it is one quote.
  std::vector<std::string> out;
  if (list.empty()) return out;
  std::string cur;
  bool quoted = false, wasQuoted = false;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const char c = list[i];
    if (quoted) {
      if (c == '"' && i + 1 < list.size() && list[i + 1] == '"') {
        cur += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cur += c;
      }
    } else if (c == '"' && text::trim(cur).empty() && !wasQuoted) {
      cur.clear();
      quoted = wasQuoted = true;
    } else if (c == ',') {
      out.push_back(cur);
      cur.clear();
      wasQuoted = false;
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

bool ParseSeconds(const std::string& list, std::vector<double>& out, std::string& error) {
  out.clear();
  for (const auto& item : SplitList(list)) {
    std::string t = text::trim(item);
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (t.empty() || *end != '\0' || !std::isfinite(v) || v < 0) {
      error = "not a number of seconds: \"" + item + "\"";
      return false;
    }
    if (v > kMaxPageSeconds) {
      error = "more seconds than a reading can hold (at most 2147483647): \"" + item + "\"";
      return false;
    }
    out.push_back(v);
  }
  return true;
}

bool ParsePhraseSeconds(const std::string& list, std::map<int, std::vector<double>>& out, std::string& error) {
  out.clear();
  for (const auto& item : SplitList(list)) {
    const std::string t = text::trim(item);
    const std::size_t colon = t.find(':');
    const auto page = colon == std::string::npos ? std::nullopt : text::parseInt(t.substr(0, colon));
    if (!page || *page < 1) {
      error = "not PAGE:SECONDS/SECONDS/...: \"" + item + "\"";
      return false;
    }
    std::vector<double> phrases;
    if (!ParseSeconds(text::replaceAll(t.substr(colon + 1), "/", ","), phrases, error)) return false;
    out[*page - 1] = std::move(phrases);
  }
  return true;
}

bool CheckExamineeName(const std::string& name, std::string& error) {
  const std::string t = text::trim(name);
  if (t.empty() || t == "必須です") {
    error = "the name box takes no blank name and not \"必須です\": \"" + name + "\"";
    return false;
  }
  return true;
}

namespace {

int pageOnScreen(TForm1Model& m) { return m.PageOnScreen(); }

bool runEnded(TForm1Model& m) {
  const TestViewState& t = m.TestView();
  return t.speedButton1Action == ForwardBinding::acCopyRec || !t.speedButton1Visible;
}

}  // namespace

SimulationResult SimulateRun(const SimulationOptions& o) {
  SimulationResult r;
  platform::HeadlessPorts hp;
  hp.clock.date = o.date;
  hp.dialogs.onYesNo = [](const std::string& text) {
    // Go on past unanswered questions; start every reading.
    return text.rfind("未解答", 0) == 0 ? platform::Answer::No : platform::Answer::Yes;
  };
  hp.dialogs.onInput = [&](const std::string&, const std::string&, const std::string&) {
    return std::optional<std::string>(o.name);
  };
  TForm1Model m(hp.ports(), o.programFolder);
  m.SetCollectionEnabled(false);
  m.SetOpenFolderSuppressed(true);
  if (!o.outFolder.empty()) m.SetReportFolderOverride(o.outFolder);
  m.SetJournaling(!o.journalFolder.empty());
  m.SetJournalFolder(o.journalFolder);
  m.SetResumeOffered(o.resume);
  if (o.resume && FindUnfinishedJournals(o.journalFolder, JournalTestOf(o.document)).empty()) {
    r.error = "no unfinished run of " + o.document + " is journaled in " + o.journalFolder;
    return r;
  }
  bool stopped = false;
  m.Run().SetJournalListener([&](const JournalEvent& e) {
    if (o.afterJournal && !o.afterJournal(e)) stopped = true;
  });

  if (!m.OpenTestDocument(o.document)) {
    auto msgs = hp.dialogs.messages();
    r.error = msgs.empty() ? "cannot open " + o.document : msgs.back();
    return r;
  }
  doc::TQAControler& qa = m.FQAControler();
  doc::TPageControler& pages = m.FPageControler();
  // Answers must fit the questions they are given for.
  for (std::size_t k = 0; o.strictAnswers && k < o.answers.size(); ++k) {
    const doc::TQAItem* item = qa.Item(static_cast<int>(k));
    if (!item) {
      r.error =
          "more answers (" + std::to_string(o.answers.size()) + ") than questions (" + std::to_string(qa.Count()) + ")";
      return r;
    }
    const std::string a = text::trim(o.answers[k]);
    if (item->ChoiceCount() > 0 && a != "-" && !a.empty()) {
      auto n = text::parseInt(a);
      if (!n || *n < 1 || *n > item->ChoiceCount()) {
        r.error = "answer " + std::to_string(k + 1) + " (\"" + a + "\") is not a choice 1.." +
                  std::to_string(item->ChoiceCount());
        return r;
      }
    }
  }

  auto secondsOf = [&](int page) {
    return page >= 0 && page < static_cast<int>(o.seconds.size()) ? o.seconds[page] : 10.0;
  };
  auto press = [&] {
    if (m.Timer2().enabled) m.Timer2Timer();  // the lock after a reading start has run out
    m.acForward();
  };

  // The examinee answers the questions of the page on screen on its panels.
  auto answerPage = [&](int page) {
    doc::TPage* p = pages.Page(page);
    if (!p || p->Role() != doc::PageRole::Question) return;
    for (int k = 0; k < qa.Count(); ++k) {
      const doc::TQAItem* item = qa.Item(k);
      if (item->PageIndex() != page || k >= static_cast<int>(o.answers.size())) continue;
      const std::string a = text::trim(o.answers[k]);
      if (a == "-" || a.empty()) continue;
      if (item->ChoiceCount() > 0)
        m.SelectChoice(k + 1, text::parseIntDef(a, 0));
      else
        m.SetFieldText(k + 1, o.answers[k]);
    }
  };

  // The parser has shown the first page. Walk until the end of the test.
  int guard = 0;
  while (!stopped && !runEnded(m) && m.FCurrentPage() <= pages.PageCount() && ++guard < 100000) {
    const int page = pageOnScreen(m);
    const std::int64_t entered = hp.clock.tick;
    doc::TPage* p = pages.Page(page);
    answerPage(page);
    int inner = 0;
    if (p && p->ChunkIndex() >= 0) inner = p->PhraseMarkCount() - p->ChunkIndex();
    // The end of each part on screen: the phrases, then the whole page. Phrases without
    // seconds of their own fall evenly inside the page's time.
    std::vector<std::int64_t> ends;
    const auto given = o.phraseSeconds.find(page);
    if (given != o.phraseSeconds.end() && inner > 0) {
      const std::int64_t share = std::llround(secondsOf(page) * 1000.0) / (inner + 1);
      std::int64_t at = entered;
      // A page resumed between its phrases goes on with the phrase on screen.
      const std::size_t first = static_cast<std::size_t>(p->PhraseMarkCount() - 1 - inner);
      for (int j = 0; j <= inner; ++j) {
        const std::size_t k = first + static_cast<std::size_t>(j);
        at += k < given->second.size() ? std::llround(given->second[k] * 1000.0) : share;
        ends.push_back(at);
      }
    } else {
      const std::int64_t total = std::llround(secondsOf(page) * 1000.0);
      for (int j = 1; j <= inner; ++j) ends.push_back(entered + total * j / (inner + 1));
      ends.push_back(entered + total);
    }
    for (std::size_t j = 0; j < ends.size() && !stopped; ++j) {
      hp.clock.tick = ends[j];
      press();
    }
    if (stopped) break;
    if (m.PageOnScreen() == page && !runEnded(m)) break;  // nothing more to show
  }
  r.journal = m.Run().JournalPath();
  if (stopped) {
    r.stopped = true;
    r.error = "stopped after a journaled event";
    return r;
  }
  // A question page the results appeared under is still answered before Copy.
  if (runEnded(m)) answerPage(pageOnScreen(m));
  r.record = text::replaceAll(m.LastRecordText(), "\r\n", "\n");
  if (m.RunAbandoned()) {
    r.error = "the name box got no name: \"" + o.name + "\" is refused";
    return r;
  }
  if (!runEnded(m)) {
    r.error = "the test gives no result: it has no timed reading and no timed question section";
    return r;
  }
  if (m.TestView().speedButton1Visible && m.TestView().speedButton1Action == ForwardBinding::acCopyRec) {
    m.SpeedButton1Click();  // Copy
    r.clipboard = text::replaceAll(m.LastClipboardRecord(), "\r\n", "\n");
    r.resultFile = m.LastResultFile();
  }
  r.header = m.FResultHeader();
  r.values = m.FResultValues();
  r.messages = hp.dialogs.messages();
  if (r.resultFile.empty()) {
    if (pages.Setting(doc::stAutoQA) == 0)
      r.noResultFile = "online answering is off, so the test view offers no Copy";
    else
      r.noResultFile = "it could not be saved" + (r.messages.empty() ? std::string() : ": " + r.messages.back());
  }
  r.ok = true;
  return r;
}

}  // namespace ruvo::app
