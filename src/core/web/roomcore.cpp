#include "core/web/roomcore.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <shared_mutex>

#include "core/app/resultrecord.h"
#include "core/app/runjournal.h"
#include "core/app/standalonerun.h"
#include "core/document/documentfile.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/platform/systemclock.h"
#include "core/storage/atomicfile.h"
#include "core/storage/compressstringlist.h"
#include "core/storage/filenames.h"
#include "core/text/strings.h"
#include "core/web/richhtml.h"

namespace ruvo::web {

namespace fs = std::filesystem;
using json = nlohmann::json;
using platform::Status;

namespace {

constexpr const char* kSessionFile = "session.json";
constexpr const char* kResultPageFile = "result.json";
constexpr const char* kPendingResultFile = "result.pending";
constexpr const char* kNameRequired = "必須です";
constexpr const char* kDefaultPrompt = "番号か名前を入力";

std::string dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

Reply jsonReply(int status, const json& j) {
  Reply r;
  r.status = status;
  r.body = dump(j);
  return r;
}

Reply error(int status, const std::string& message) { return jsonReply(status, json{{"error", message}}); }

// The server's date: the "date" of a result and the name of its file.
platform::DateTime localNow() { return platform::SystemClock().now(); }

std::string randomHex(std::size_t bytes) {
  static thread_local std::random_device rd;
  static const char* const kHex = "0123456789abcdef";
  std::string out;
  out.reserve(bytes * 2);
  for (std::size_t i = 0; i < bytes; i += 4) {
    const std::uint32_t v = rd();
    for (std::size_t k = 0; k < 4 && i + k < bytes; ++k) {
      const unsigned b = (v >> (8 * k)) & 0xFFu;
      out += kHex[b >> 4];
      out += kHex[b & 0xFu];
    }
  }
  return out;
}

// Six characters without the look-alikes 0/O, 1/I/L: easy to read off a board and type.
std::string randomCode() {
  static const std::string kAlphabet = "ABCDEFGHJKMNPQRSTUVWXYZ23456789";
  std::random_device rd;
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::string code;
  for (int i = 0; i < 6; ++i) code += kAlphabet[pick(rd)];
  return code;
}

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool isToken(const std::string& s) {
  if (s.size() != kTokenBytes * 2) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool hasControl(const std::string& s) {
  return std::any_of(s.begin(), s.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return c < 0x20 || c == 0x7F;
  });
}

std::size_t codePoints(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// ---- the tests ----------------------------------------------------------------------------

struct PageInfo {
  std::string kind;                  // instruction, name, reading, question
  std::string html;                  // the page as the run shows it
  std::vector<std::string> phrases;  // the text on screen after each phrase (phrase-by-phrase pages)
  std::vector<int> questions;        // the question controller's indexes of the page's questions
  json questionsJson = json::array();
};

struct Test {
  std::string id, title, path;
  rt::RichText work;
  app::JournalTest journal;
  std::vector<PageInfo> pages;
  int glyphs = 0;      // pages before the last page (the status line's count)
  std::string prompt;  // the name box's prompt
  std::atomic<int> taking{0}, finished{0};
};

// Nobody looks at the scratch run that lays the pages out.
struct NoView final : app::TRunView {
  std::optional<std::string> AskName(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  bool AskYesNo(const std::string&) override { return false; }
};

struct NoClock final : platform::Clock {
  std::int64_t tickMs() override { return 0; }
  platform::DateTime now() override { return {}; }
};

std::shared_ptr<Test> loadTest(const std::string& path, std::string& error) {
  auto t = std::make_shared<Test>();
  t->path = path;
  t->id = storage::FileNameOf(path);
  error = doc::LoadDocumentFile(path, t->work);
  if (!error.empty()) return nullptr;
  t->journal = app::JournalTestOf(path);
  NoView view;
  NoClock clock;
  app::TStandaloneRun scratch(t->work, view, &clock);
  doc::TPageControler& pages = scratch.Pages();
  doc::TQAControler& qa = scratch.QA();
  t->title = text::trim(pages.Property(doc::prTitle));
  if (t->title.empty()) t->title = storage::BaseNameOf(path);
  t->prompt = pages.Property(doc::prNaming);
  if (t->prompt.empty()) t->prompt = kDefaultPrompt;
  const bool chunks = pages.Setting(doc::stChunks) != 0;
  // Without online answering there are no answer panels: the answers are given on paper.
  const bool online = pages.Setting(doc::stAutoQA) != 0;
  for (int i = 0; i < pages.PageCount(); ++i) {
    doc::TPage* page = pages.Page(i);
    PageInfo info;
    if (page->Role() == doc::PageRole::Last && t->glyphs == 0) t->glyphs = i;
    if (page->Kind() == doc::PageKind::Name)
      info.kind = "name";
    else if (page->Role() == doc::PageRole::Question)
      info.kind = "question";
    else if (page->Kind() == doc::PageKind::ReadingStart)
      info.kind = "reading";
    else
      info.kind = "instruction";
    rt::RichText shown;
    rt::Range sel{0, 0};
    page->Show(shown, sel);
    info.html = RichTextToHtml(shown);
    if (chunks && page->PhraseMarkCount() > 0) {
      page->StartChunks();
      rt::RichText display;
      for (int k = 0; k <= page->PhraseMarkCount() + 1; ++k) {
        std::size_t caret = 0;
        const bool complete = page->ShowNextChunk(display, caret);
        info.phrases.push_back(RichTextToHtml(display));
        if (complete) break;
      }
      page->StopChunks();
    }
    for (int k = 0; online && k < qa.Count(); ++k) {
      const doc::TQAItem* item = qa.Item(k);
      if (item->PageIndex() != i) continue;
      info.questions.push_back(k);
      json q;
      // A questionnaire has choices and no correct one; which choice is correct never leaves here.
      q["kind"] = item->ChoiceCount() == 0 ? "text" : item->Correct() < 0 ? "questionnaire" : "choice";
      q["text"] = item->QuestionPlain();
      json choices = json::array();
      for (int c = 0; c < item->ChoiceCount(); ++c) choices.push_back(item->ChoicePlain(c));
      q["choices"] = std::move(choices);
      info.questionsJson.push_back(std::move(q));
    }
    t->pages.push_back(std::move(info));
  }
  if (t->glyphs == 0) t->glyphs = pages.PageCount();
  return t;
}

// ---- one examinee's session --------------------------------------------------------------

// The run's clock: it moves only by the milliseconds the browser measured.
struct VirtualClock final : platform::Clock {
  std::int64_t tick = 0;
  std::int64_t tickMs() override { return tick; }
  platform::DateTime now() override { return localNow(); }
};

// What the run would show, kept for the page the browser asks for.
struct WebView final : app::TRunView {
  std::string name;  // the name the examinee typed, given to the name box
  bool ended = false;
  bool copyOffered = true;  // online answering: the examinee program offers Copy, which saves
  rt::RichText record;
  int phrase = -1;  // the phrase on screen of a page shown phrase by phrase
  std::string status;
  std::optional<std::string> AskName(const std::string&, const std::string&, const std::string&) override {
    if (name.empty()) return std::nullopt;
    return name;
  }
  // Unanswered questions do not hold the examinee back (the browser warns); readings start.
  bool AskYesNo(const std::string& q) override { return q.rfind("未解答", 0) != 0; }
  void ShowText(const rt::RichText&, std::size_t, app::ScrollRequest scroll) override {
    phrase = scroll == app::ScrollRequest::Top ? 0 : phrase + 1;
  }
  void ShowStatus(const std::string& counter, const std::string&) override { status = counter; }
  // Forward stays locked this long after the page appears (a reading just started).
  int lockMs = 0;
  void EndPress(int ms, bool) override { lockMs = ms; }
  void Ended(const rt::RichText& r, bool copy) override {
    ended = true;
    copyOffered = copy;
    record = r;
  }
};

struct Session {
  std::mutex mu;
  std::string token;
  std::shared_ptr<Test> test;
  std::string folder;  // the session's journal folder
  VirtualClock clock;
  WebView view;
  std::unique_ptr<app::TStandaloneRun> run;
  // The press that shows the name page waits for the name: it is made, at the tick the page
  // before was left, when the name arrives.
  bool pendingName = false;
  std::int64_t pendingTick = 0;
  int pendingFrom = -1;  // the page that press leaves (-1: none, the name page comes first)
  json pendingAnswers = json::array();
  bool done = false;
  std::string resultPage;  // the result page, once the run is over and its run let go
};

struct ForwardEvent {
  int page = -1;
  std::int64_t ms = 0;
  std::vector<std::int64_t> phraseMs;
  json answers = json::array();
  std::optional<std::string> name;
};

class Room final : public TRoomCore {
 public:
  explicit Room(RoomOptions o) : o_(std::move(o)) {}

  Status open();
  Reply Handle(const Request& request) override;
  std::string Code() const override { return code_; }
  std::vector<TestCount> Counts() const override;
  std::string JournalFolder() const override { return journal_; }
  int Restored() const override { return restored_; }

 private:
  Reply staticFile(const std::string& name) const;
  Reply listTests(const Request& r) const;
  Reply createSession(const Request& r);
  Reply showSession(const std::string& token);
  Reply forward(const std::string& token, const Request& r);

  std::shared_ptr<Session> find(const std::string& token) const;

  // Session steps; the session's lock is held.
  void startRun(Session& s);
  bool restoreSession(const std::string& folder, const std::string& token);
  json page(Session& s) const;
  std::string saveSession(const Session& s) const;
  void pressAt(Session& s, std::int64_t tick);
  bool nextPressShowsName(Session& s) const;
  std::string checkAnswers(const Session& s, int pageIndex, const json& answers) const;
  void applyAnswers(Session& s, int pageIndex, const json& answers);
  std::string walk(Session& s, const ForwardEvent& e);
  void finishRun(Session& s, bool restoring);
  std::string writeResults(const std::string& base, const std::string& bytes, bool restoring);

  RoomOptions o_;
  std::string code_;
  std::string journal_;
  std::vector<std::shared_ptr<Test>> tests_;
  mutable std::shared_mutex tableMu_;
  std::map<std::string, std::shared_ptr<Session>> sessions_;
  // Result files of one name take their numbers one at a time (the same number in the
  // collection and the report folder); results of other names are written meanwhile.
  std::array<std::mutex, 64> resultMu_;
  int restored_ = 0;
};

// ---- opening the room --------------------------------------------------------------------

Status Room::open() {
  if (o_.folder.empty()) return Status::failure("no folder of tests given");
  if (o_.collection.empty()) return Status::failure("no collection folder given");
  std::error_code ec;
  if (!fs::is_directory(o_.folder, ec)) return Status::failure(o_.folder + ": not a folder that can be read");
  std::vector<std::string> paths;
  for (fs::directory_iterator it(o_.folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_regular_file(ec2)) continue;
    std::string ext = it->path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".ruvo") paths.push_back(it->path().string());
  }
  if (ec) return Status::fromErrno(ec.value(), o_.folder);
  std::sort(paths.begin(), paths.end());
  for (const auto& p : paths) {
    std::string err;
    if (auto t = loadTest(p, err))
      tests_.push_back(std::move(t));
    else
      std::cerr << "ruvo-tool: " << p << " is not served: " << err << "\n";
  }
  if (!storage::ensureFolder(o_.collection)) return Status::failure(o_.collection + ": the folder cannot be made");
  if (!o_.report.empty() && !storage::ensureFolder(o_.report))
    return Status::failure(o_.report + ": the folder cannot be made");
  journal_ = o_.journal.empty() ? DefaultJournalFolder(o_) : o_.journal;
  if (!storage::ensureFolder(journal_)) return Status::failure(journal_ + ": the folder cannot be made");
  code_ = o_.code.empty() ? randomCode() : o_.code;

  // Every session left in the journal folder comes back where it stood.
  for (fs::directory_iterator it(journal_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string token = it->path().filename().string();
    std::error_code ec2;
    if (!isToken(token) || !it->is_directory(ec2)) continue;
    if (restoreSession(it->path().string(), token)) ++restored_;
  }
  return Status::success();
}

std::vector<TestCount> Room::Counts() const {
  std::vector<TestCount> out;
  for (const auto& t : tests_) out.push_back({t->id, t->title, t->taking.load(), t->finished.load()});
  return out;
}

std::shared_ptr<Session> Room::find(const std::string& token) const {
  std::shared_lock lock(tableMu_);
  auto it = sessions_.find(token);
  return it == sessions_.end() ? nullptr : it->second;
}

// ---- a run's steps -----------------------------------------------------------------------

void Room::pressAt(Session& s, std::int64_t tick) {
  // The run's clock is the session's clock moved by the run's own offset (after a resume).
  s.clock.tick += tick - s.run->Run().Clock().tickMs();
  s.run->Run().ForwardStep();
}

bool Room::nextPressShowsName(Session& s) const {
  if (s.view.ended) return false;
  const doc::TPage* p = s.run->Pages().Page(s.run->Run().CurrentPage());
  return p && p->Kind() == doc::PageKind::Name && p->ChunkIndex() < 0 && p->Role() != doc::PageRole::Last &&
         s.run->Run().PageOnScreen() != s.run->Run().CurrentPage();
}

void Room::startRun(Session& s) {
  s.run = std::make_unique<app::TStandaloneRun>(s.test->work, s.view, &s.clock);
  s.run->Run().SetJournal(s.folder, s.test->journal);
  s.run->Run().ResetTiming();
  s.run->Run().ResetRun();
  if (nextPressShowsName(s)) {
    s.pendingName = true;
    s.pendingTick = s.run->Run().Clock().tickMs();
    s.pendingFrom = -1;
    return;
  }
  s.run->Run().ForwardStep();
}

std::string Room::saveSession(const Session& s) const {
  json j{{"test", s.test->id}, {"crc", s.test->journal.crc}};
  if (s.pendingName)
    j["pending"] = json{{"tick", s.pendingTick}, {"page", s.pendingFrom}, {"answers", s.pendingAnswers}};
  const Status st = storage::writeFileAtomic(storage::JoinPath(s.folder, kSessionFile), dump(j));
  return st.ok() ? std::string() : st.message();
}

json Room::page(Session& s) const {
  if (s.done) return json::parse(s.resultPage, nullptr, false);
  const Test& t = *s.test;
  app::TTestRun& r = s.run->Run();
  json p;
  p["count"] = t.glyphs;
  p["status"] = s.view.status;
  if (s.view.ended) {
    p["index"] = r.PageOnScreen();
    p["kind"] = "result";
    p["html"] = RichTextToHtml(s.view.record);
    p["record"] = text::replaceAll(text::replaceAll(rt::plainText(s.view.record), "\r\n", "\n"), "\r", "\n");
    p["saved"] = false;  // until the result file is written
    return p;
  }
  const int index = s.pendingName ? r.CurrentPage() : r.PageOnScreen();
  p["index"] = index;
  if (index < 0 || index >= static_cast<int>(t.pages.size())) {
    p["kind"] = "instruction";
    p["html"] = "";
    return p;
  }
  const PageInfo& info = t.pages[static_cast<std::size_t>(index)];
  p["kind"] = info.kind;
  p["questions"] = info.questionsJson;
  if (info.kind == "name") p["prompt"] = t.prompt;
  if (s.view.lockMs > 0 && !s.pendingName) p["lockMs"] = s.view.lockMs;
  if (!info.phrases.empty() && !s.pendingName) {
    const int k = std::clamp(s.view.phrase, 0, static_cast<int>(info.phrases.size()) - 1);
    p["html"] = info.phrases[static_cast<std::size_t>(k)];
    p["phrases"] = info.phrases;
    p["phrase"] = k;
  } else {
    p["html"] = info.html;
  }
  return p;
}

std::string Room::checkAnswers(const Session& s, int pageIndex, const json& answers) const {
  if (!answers.is_array()) return "\"answers\" must be a list";
  if (answers.size() > kMaxAnswers) return "too many answers";
  const PageInfo& info = s.test->pages[static_cast<std::size_t>(pageIndex)];
  if (answers.size() > info.questions.size()) return "more answers than questions on the page";
  for (std::size_t i = 0; i < answers.size(); ++i) {
    const json& a = answers[i];
    if (a.is_null()) continue;
    const doc::TQAItem* item = s.run->QA().Item(info.questions[i]);
    if (item->ChoiceCount() > 0) {
      if (!a.is_number_integer() || a.get<long long>() < 1 || a.get<long long>() > item->ChoiceCount())
        return "answer " + std::to_string(i + 1) + " is not a choice 1.." + std::to_string(item->ChoiceCount());
    } else {
      if (!a.is_string()) return "answer " + std::to_string(i + 1) + " must be a text";
      const std::string& v = a.get_ref<const std::string&>();
      if (v.size() > kMaxAnswerBytes)
        return "answer " + std::to_string(i + 1) + " is longer than " + std::to_string(kMaxAnswerBytes) + " bytes";
    }
  }
  return {};
}

void Room::applyAnswers(Session& s, int pageIndex, const json& answers) {
  if (pageIndex < 0 || !answers.is_array()) return;
  const PageInfo& info = s.test->pages[static_cast<std::size_t>(pageIndex)];
  for (std::size_t i = 0; i < answers.size() && i < info.questions.size(); ++i) {
    const json& a = answers[i];
    const int q = info.questions[i] + 1;
    if (a.is_number_integer())
      s.run->QA().RadioClick(q, static_cast<int>(a.get<long long>()), nullptr);
    else if (a.is_string())
      s.run->QA().FieldChanged(q, a.get_ref<const std::string&>());
  }
}

// One Forward of the browser: the page on screen is left after the milliseconds measured
// (its phrases one by one), as `simulate` walks a page given its seconds.
std::string Room::walk(Session& s, const ForwardEvent& e) {
  app::TTestRun& r = s.run->Run();
  if (s.pendingName) {
    const std::string name = text::trim(*e.name);
    s.view.name = name;
    s.pendingName = false;
    pressAt(s, s.pendingTick);  // the name page appears and takes the name
    s.pendingAnswers = json::array();
    if (r.Abandoned()) return {};
  } else if (s.test->pages[static_cast<std::size_t>(e.page)].kind == "question") {
    applyAnswers(s, e.page, e.answers);
  }
  const int page = r.PageOnScreen();
  const std::int64_t entered = r.Clock().tickMs();
  const doc::TPage* p = s.run->Pages().Page(page);
  int inner = 0;
  if (p && p->ChunkIndex() >= 0) inner = p->PhraseMarkCount() - p->ChunkIndex();
  std::vector<std::int64_t> ends;
  if (!e.phraseMs.empty() && inner > 0) {
    const std::int64_t share = e.ms / (inner + 1);
    std::int64_t at = entered;
    // phraseMs[0] is the phrase on screen when the page was handed out.
    for (int j = 0; j <= inner; ++j) {
      const std::size_t k = static_cast<std::size_t>(j);
      at += k < e.phraseMs.size() ? e.phraseMs[k] : share;
      ends.push_back(at);
    }
  } else {
    for (int j = 1; j <= inner; ++j) ends.push_back(entered + e.ms * j / (inner + 1));
    ends.push_back(entered + e.ms);
  }
  for (std::size_t j = 0; j < ends.size() && !s.view.ended && !r.Abandoned(); ++j) {
    if (j + 1 == ends.size() && nextPressShowsName(s)) {
      // The name page is next: its press waits for the name.
      s.pendingName = true;
      s.pendingTick = ends[j];
      s.pendingFrom = page;
      s.pendingAnswers = e.answers.is_array() ? e.answers : json::array();
      return saveSession(s);
    }
    pressAt(s, ends[j]);
  }
  if (s.view.ended) finishRun(s, false);
  return {};
}

std::string Room::writeResults(const std::string& base, const std::string& bytes, bool restoring) {
  std::lock_guard lock(resultMu_[std::hash<std::string>{}(base) % resultMu_.size()]);
  std::vector<std::string> folders{o_.collection};
  if (!o_.report.empty()) folders.push_back(o_.report);
  // After a restart, a copy already in its folder is not written again.
  auto alreadyThere = [&](const std::string& folder) -> std::string {
    if (!restoring) return {};
    for (int n = 1; n < app::kMaxResultFileNumber; ++n) {
      const std::string name = app::NumberedFileName(base, n);
      std::string have;
      if (!storage::readRegularFile(storage::JoinPath(folder, name), have, bytes.size() + 1).ok()) {
        if (!storage::fileExists(storage::JoinPath(folder, name))) return {};
        continue;
      }
      if (have == bytes) return name;
    }
    return {};
  };
  int number = app::FreeResultFileNumber(base, folders);
  std::string written;
  for (const auto& folder : folders) {
    if (std::string have = alreadyThere(folder); !have.empty()) {
      if (written.empty()) written = have;
      continue;
    }
    int n = number;
    if (app::WriteNewResultFile(folder, base, bytes, n).ok()) {
      number = n;
      if (written.empty() || folder == o_.report) written = app::NumberedFileName(base, n);
    } else {
      std::cerr << "ruvo-tool: the result file " << base << " cannot be written into " << folder << "\n";
    }
  }
  return written;
}

void Room::finishRun(Session& s, bool restoring) {
  app::TTestRun& r = s.run->Run();
  if (!s.view.copyOffered) {
    // Without online answering the examinee program offers no Copy and writes no result
    // file (the answers are on paper): the record on screen is the result.
    json p = page(s);
    r.MarkFinished("");
    s.resultPage = dump(p);
    (void)storage::writeFileAtomic(storage::JoinPath(s.folder, kResultPageFile), s.resultPage);
    s.done = true;
    s.run.reset();
    s.test->taking--;
    s.test->finished++;
    return;
  }
  const auto lines = s.run->ResultLines();
  storage::TCompressStringList list;
  list.Add(lines[0]);
  list.Add(lines[1]);
  std::string bytes = list.SaveToCompressedStream();
  std::string base = app::ResultFileName(localNow(), r.ExamineeName());
  // The result's name and bytes are kept first: a server killed while writing them writes
  // the same bytes on restart, where they are missing, and nowhere twice.
  const std::string pendingPath = storage::JoinPath(s.folder, kPendingResultFile);
  std::string pending;
  if (restoring && storage::readRegularFile(pendingPath, pending, 1 << 20).ok()) {
    const std::size_t nl = pending.find('\n');
    if (nl != std::string::npos) {
      base = pending.substr(0, nl);
      bytes = pending.substr(nl + 1);
    }
  } else if (!storage::writeFileAtomic(pendingPath, base + "\n" + bytes).ok()) {
    std::cerr << "ruvo-tool: " << pendingPath << " cannot be written\n";
  }
  const std::string fileName = bytes.empty() ? std::string() : writeResults(base, bytes, restoring);
  json p = page(s);
  p["saved"] = !fileName.empty();
  if (fileName.empty()) return;  // kept pending: a restart tries again
  r.MarkFinished(fileName);
  s.resultPage = dump(p);
  (void)storage::writeFileAtomic(storage::JoinPath(s.folder, kResultPageFile), s.resultPage);
  std::error_code ec;
  fs::remove(pendingPath, ec);
  s.done = true;
  s.run.reset();
  s.test->taking--;
  s.test->finished++;
}

bool Room::restoreSession(const std::string& folder, const std::string& token) {
  std::string bytes;
  if (!storage::readRegularFile(storage::JoinPath(folder, kSessionFile), bytes, 1 << 20).ok()) return false;
  const json j = json::parse(bytes, nullptr, false);
  if (!j.is_object() || !j.contains("test") || !j["test"].is_string()) return false;
  std::shared_ptr<Test> test;
  for (const auto& t : tests_)
    if (t->id == j["test"].get<std::string>()) test = t;
  if (!test || !j.contains("crc") || !j["crc"].is_number_unsigned() ||
      j["crc"].get<std::uint64_t>() != test->journal.crc) {
    std::cerr << "ruvo-tool: session " << token.substr(0, 8) << "… is not restored: its test is gone or changed\n";
    return false;
  }
  auto s = std::make_shared<Session>();
  s->token = token;
  s->test = test;
  s->folder = folder;
  std::string resultPage;
  if (storage::readRegularFile(storage::JoinPath(folder, kResultPageFile), resultPage, 1 << 20).ok() &&
      json::parse(resultPage, nullptr, false).is_object()) {
    s->done = true;
    s->resultPage = resultPage;
    std::error_code ec;
    fs::remove(storage::JoinPath(folder, kPendingResultFile), ec);
    test->finished++;
  } else {
    test->taking++;
    const auto journals = app::JournalFilesIn(folder);
    app::JournalContents contents;
    bool finished = false;
    if (!journals.empty() && app::ReadJournalFile(journals.back(), contents).ok() && !contents.events.empty()) {
      for (const auto& e : contents.events)
        if (e.type == app::JournalEvent::Type::Finished) finished = true;
      s->run = std::make_unique<app::TStandaloneRun>(test->work, s->view, &s->clock);
      app::TTestRun& r = s->run->Run();
      r.SetJournal(folder, test->journal);
      r.PrepareResume(journals.back(), contents);
      r.ResetTiming();
      r.ResetRun();
      r.ForwardStep();
      r.FinishResume();
    } else {
      startRun(*s);
    }
    if (s->view.ended) {
      if (finished) {
        // The result files were written; only the page to show was lost.
        s->resultPage = dump(page(*s));
        (void)storage::writeFileAtomic(storage::JoinPath(folder, kResultPageFile), s->resultPage);
        s->done = true;
        s->run.reset();
        test->taking--;
        test->finished++;
      } else {
        finishRun(*s, true);
      }
    } else if (j.contains("pending") && j["pending"].is_object() && !s->pendingName) {
      const json& pend = j["pending"];
      const int from = pend.value("page", -2);
      if (pend.contains("tick") && pend["tick"].is_number_integer() && from == s->run->Run().PageOnScreen() &&
          nextPressShowsName(*s)) {
        const json answers = pend.contains("answers") ? pend["answers"] : json::array();
        if (from >= 0 && s->test->pages[static_cast<std::size_t>(from)].kind == "question" &&
            checkAnswers(*s, from, answers).empty())
          applyAnswers(*s, from, answers);
        s->pendingName = true;
        s->pendingFrom = from;
        s->pendingAnswers = answers;
        s->pendingTick = std::max(pend["tick"].get<std::int64_t>(), s->run->Run().Clock().tickMs());
      }
    }
  }
  std::unique_lock lock(tableMu_);
  sessions_[token] = std::move(s);
  return true;
}

// ---- requests -----------------------------------------------------------------------------

std::string contentTypeOf(const std::string& name) {
  const std::string ext = storage::ExtensionOf(name);
  if (ext == ".html") return "text/html; charset=utf-8";
  if (ext == ".js") return "text/javascript; charset=utf-8";
  if (ext == ".css") return "text/css; charset=utf-8";
  if (ext == ".svg") return "image/svg+xml";
  if (ext == ".png") return "image/png";
  if (ext == ".ico") return "image/x-icon";
  if (ext == ".woff2") return "font/woff2";
  if (ext == ".json") return "application/json; charset=utf-8";
  return "text/plain; charset=utf-8";
}

Reply Room::staticFile(const std::string& name) const {
  const auto& files = EmbeddedWebFiles();
  Reply r;
  r.contentType = contentTypeOf(name);
  if (!o_.webRoot.empty()) {
    // A development copy of the runner: the same names only, read from the folder given.
    if (files.count(name) == 0 && name != "index.html") return error(404, "not found");
    if (!storage::readRegularFile(storage::JoinPath(o_.webRoot, name), r.body, 16 << 20).ok())
      return error(404, "not found");
    return r;
  }
  auto it = files.find(name);
  if (it == files.end()) return error(404, "not found");
  r.body = it->second;
  return r;
}

Reply Room::listTests(const Request& r) const {
  auto it = r.query.find("code");
  if (it == r.query.end() || upper(text::trim(it->second)) != upper(code_)) return error(403, "wrong class code");
  json tests = json::array();
  for (const auto& t : tests_) tests.push_back({{"id", t->id}, {"title", t->title}});
  return jsonReply(200, json{{"tests", tests}});
}

json parseBody(const Request& r, std::string& err) {
  json j = json::parse(r.body, nullptr, false);
  if (j.is_discarded() || !j.is_object()) err = "the body is not a JSON object";
  return j;
}

Reply Room::createSession(const Request& r) {
  std::string err;
  const json j = parseBody(r, err);
  if (!err.empty()) return error(400, err);
  if (!j.contains("code") || !j["code"].is_string() || upper(text::trim(j["code"].get<std::string>())) != upper(code_))
    return error(403, "wrong class code");
  if (!j.contains("test") || !j["test"].is_string()) return error(400, "\"test\" must name a test");
  std::shared_ptr<Test> test;
  for (const auto& t : tests_)
    if (t->id == j["test"].get<std::string>()) test = t;
  if (!test) return error(404, "no such test");
  {
    std::shared_lock lock(tableMu_);
    if (sessions_.size() >= kMaxSessions) return error(503, "the room is full");
  }
  auto s = std::make_shared<Session>();
  s->test = test;
  do {
    s->token = randomHex(kTokenBytes);
  } while (find(s->token));
  s->folder = storage::JoinPath(journal_, s->token);
  std::error_code ec;
  if (!fs::create_directory(s->folder, ec)) return error(500, "the session cannot be journaled");
  json reply;
  {
    std::lock_guard lock(s->mu);
    startRun(*s);
    if (std::string e = saveSession(*s); !e.empty()) {
      fs::remove_all(s->folder, ec);
      return error(500, "the session cannot be journaled");
    }
    reply = json{{"session", s->token}, {"page", page(*s)}};
  }
  test->taking++;
  {
    std::unique_lock lock(tableMu_);
    sessions_[s->token] = s;
  }
  return jsonReply(200, reply);
}

Reply Room::showSession(const std::string& token) {
  auto s = find(token);
  if (!s) return error(404, "no such session");
  std::lock_guard lock(s->mu);
  return jsonReply(200, json{{"page", page(*s)}});
}

Reply Room::forward(const std::string& token, const Request& r) {
  auto s = find(token);
  if (!s) return error(404, "no such session");
  std::string err;
  const json j = parseBody(r, err);
  if (!err.empty()) return error(400, err);
  ForwardEvent e;
  if (!j.contains("page") || !j["page"].is_number_integer()) return error(400, "\"page\" must be a page index");
  const long long pageIndex = j["page"].get<long long>();
  if (!j.contains("ms") || !j["ms"].is_number() || !std::isfinite(j["ms"].get<double>()) || j["ms"].get<double>() < 0 ||
      j["ms"].get<double>() > static_cast<double>(kMaxPageMs))
    return error(400, "\"ms\" must be the milliseconds on screen (0 to a day)");
  e.ms = std::llround(j["ms"].get<double>());
  if (j.contains("phraseMs") && !j["phraseMs"].is_null()) {
    const json& ph = j["phraseMs"];
    if (!ph.is_array() || ph.size() > kMaxPhraseTimes) return error(400, "\"phraseMs\" must be a list of milliseconds");
    for (const json& v : ph) {
      if (!v.is_number() || !std::isfinite(v.get<double>()) || v.get<double>() < 0 ||
          v.get<double>() > static_cast<double>(kMaxPageMs))
        return error(400, "\"phraseMs\" must be a list of milliseconds");
      e.phraseMs.push_back(std::llround(v.get<double>()));
    }
  }
  if (j.contains("answers") && !j["answers"].is_null()) {
    if (!j["answers"].is_array()) return error(400, "\"answers\" must be a list");
    if (j["answers"].size() > kMaxAnswers) return error(400, "too many answers");
    e.answers = j["answers"];
  }
  if (j.contains("name") && !j["name"].is_null()) {
    if (!j["name"].is_string()) return error(400, "\"name\" must be a text");
    e.name = j["name"].get<std::string>();
    if (codePoints(*e.name) > kMaxNameChars || e.name->size() > kMaxNameChars * 4)
      return error(400, "the name is longer than " + std::to_string(kMaxNameChars) + " characters");
  }

  std::lock_guard lock(s->mu);
  // An event for another page than the one on screen (sent twice, or late) changes nothing.
  if (s->done || s->view.ended || s->run->Run().Abandoned()) return jsonReply(200, json{{"page", page(*s)}});
  const int onScreen = s->pendingName ? s->run->Run().CurrentPage() : s->run->Run().PageOnScreen();
  if (pageIndex != onScreen || onScreen < 0) return jsonReply(200, json{{"page", page(*s)}});
  e.page = onScreen;
  if (s->pendingName) {
    const std::string name = e.name ? text::trim(*e.name) : std::string();
    if (name.empty() || name == kNameRequired) return error(400, "a name is needed");
    if (hasControl(name)) return error(400, "the name holds characters a name cannot hold");
  } else if (s->test->pages[static_cast<std::size_t>(onScreen)].kind == "question") {
    if (std::string msg = checkAnswers(*s, onScreen, e.answers); !msg.empty()) return error(400, msg);
  } else {
    e.answers = json::array();
  }
  if (std::string msg = walk(*s, e); !msg.empty()) std::cerr << "ruvo-tool: " << msg << "\n";
  return jsonReply(200, json{{"page", page(*s)}});
}

Reply Room::Handle(const Request& r) {
  if (r.body.size() > kMaxBodyBytes) return error(413, "the request is too large");
  const std::string& path = r.path;
  if (path.empty() || path[0] != '/') return error(400, "bad path");
  const bool get = r.method == "GET" || r.method == "HEAD";
  const bool post = r.method == "POST";
  if (path == "/api/tests") return get ? listTests(r) : error(405, "GET only");
  if (path == "/api/sessions") return post ? createSession(r) : error(405, "POST only");
  static const std::string kSessions = "/api/sessions/";
  if (path.rfind(kSessions, 0) == 0) {
    std::string rest = path.substr(kSessions.size());
    const std::size_t slash = rest.find('/');
    const std::string token = rest.substr(0, slash);
    if (!isToken(token)) return error(404, "no such session");
    if (slash == std::string::npos) return get ? showSession(token) : error(405, "GET only");
    if (rest.substr(slash) == "/forward") return post ? forward(token, r) : error(405, "POST only");
    return error(404, "not found");
  }
  if (path.rfind("/api/", 0) == 0 || path == "/api") return error(404, "not found");
  if (!get) return error(405, "GET only");
  if (path == "/" || path == "/index.html") return staticFile("index.html");
  const std::string name = path.substr(1);
  // The runner's own files only: one name, no folder, nothing hidden.
  if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos || name[0] == '.')
    return error(404, "not found");
  return staticFile(name);
}

}  // namespace

std::string DefaultJournalFolder(const RoomOptions& o) { return storage::JoinPath(o.collection, "web-journal"); }

std::unique_ptr<TRoomCore> TRoomCore::Open(const RoomOptions& options, Status* status) {
  auto room = std::make_unique<Room>(options);
  Status s = room->open();
  if (status) *status = s;
  if (!s.ok()) return nullptr;
  return room;
}

}  // namespace ruvo::web
