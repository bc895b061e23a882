#pragma once
// The open test document in memory: pages with their rich texts, questions and phrase
// marks, the six properties and nine settings, the test clock, and the phrase-by-phrase
// presentation of a reading page.
//
// Displays are modelled as a rich text plus a selection (what a rich-edit control holds);
// the window renders them. Nothing here touches a widget.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/richtext/richtext.h"

namespace ruvo::platform {
class Clock;
}

namespace ruvo::doc {

class TPageControler;
class TQAControler;
class TQAItem;

inline constexpr int kPropertyCount = 6;
inline constexpr int kSettingCount = 9;
// Header keys, in the order of the property and setting indexes.
inline constexpr std::array<const char*, kPropertyCount> kPropertyKeys = {"date",   "category", "title",
                                                                          "writer", "comment",  "naming"};
inline constexpr std::array<const char*, kSettingCount> kSettingKeys = {
    "leftindent", "rightindent", "textindent", "tabindent", "tabsink", "autoqa", "score", "fadein", "overflow"};
inline constexpr std::array<int, kSettingCount> kSettingDefaults = {16, 16, 16, 32, 8, 1, 0, 0, 0};

// Setting indexes.
enum SettingIndex : int {
  stLeftIndent = 0,
  stRightIndent = 1,
  stTextIndent = 2,
  stTabIndent = 3,
  stTabSink = 4,
  stAutoQA = 5,    // online answering
  stScore = 6,     // detailed scoring on the last page
  stChunks = 7,    // "fadein": phrase-by-phrase presentation ("チャンク提示")
  stFadeNext = 8,  // "overflow": the next phrase shown faintly ("フェードイン")
};

// Property indexes.
enum PropertyIndex : int { prDate = 0, prCategory = 1, prTitle = 2, prWriter = 3, prComment = 4, prNaming = 5 };

// Page kinds, as the tag words give them; the numbers are the document's own.
enum class PageKind : std::uint8_t {
  Plain = 0,
  ReadingStart = 1,   // " start": a timed reading
  ReadingEnd = 2,     // " end"
  QuestionTimer = 3,  // "timerOn": a timed question section
  QuestionEnd = 4,    // "timerOff"
  Name = 5,           // " name": the name entry
};
// Page roles.
enum class PageRole : std::uint8_t { Ordinary = 0, Question = 1, Last = 2 };

constexpr int KindNumber(PageKind k) { return static_cast<int>(k); }
constexpr int RoleNumber(PageRole r) { return static_cast<int>(r); }

// The window colour (clWindow): the invisible prefixes and the faded shadow's lightest step.
inline constexpr rt::Color kWindowColor = 0xFFFFFF;
// The fading shadow of the next phrase, darkest last.
inline constexpr rt::Color kShadowLight = 0xE0E0E0;   // RGB 224, 224, 224
inline constexpr rt::Color kShadowMiddle = 0xC0C0C0;  // RGB 192, 192, 192
inline constexpr rt::Color kShadowDark = 0xA0A0A0;    // RGB 160, 160, 160

// ProgressBar1: the phrase progress of a page presented phrase by phrase.
struct PhraseProgress {
  int maximum = 100;
  int position = 0;
  bool visible = false;
  bool operator==(const PhraseProgress&) const = default;
};

class TPage final {
 public:
  explicit TPage(TPageControler* owner);
  // The page's questions go with it (their answer panels too).
  ~TPage();
  TPage(const TPage&) = delete;
  TPage& operator=(const TPage&) = delete;

  TPageControler* Owner() const { return owner_; }
  void SetOwner(TPageControler* owner) { owner_ = owner; }
  int Index() const;            // -1 when the owner does not hold it
  TPage* PreviousPage() const;  // nullptr for the first page

  bool PassFlag() const { return pass_; }
  PageKind Kind() const { return kind_; }
  PageRole Role() const { return role_; }
  std::int32_t Grade() const { return grade_; }
  void SetPassFlag(bool f) { pass_ = f; }
  void SetKind(PageKind k) { kind_ = k; }
  void SetRole(PageRole r) { role_ = r; }
  void SetGrade(std::int32_t g) { grade_ = g; }

  // ---- texts ----
  const rt::RichBuffer& MainText() const { return main_; }
  const rt::RichBuffer& LowerText() const { return lower_; }
  // Lines first..last of a text, indents reset (last < first gives an empty text).
  void SetMainTextFromLines(const rt::RichText& src, int first, int last);
  void SetLowerTextFromLines(const rt::RichText& src, int first, int last);
  void SetMainTextFromStream(const rt::RichBuffer& b) { main_ = b; }
  void SetLowerTextFromStream(const rt::RichBuffer& b) { lower_ = b; }
  std::string MainTextPlain() const;
  std::string LowerTextPlain() const;
  std::string MainTextCaption() const;
  std::string LowerTextCaption() const;

  // ---- questions: the page owns them; the question controller numbers them in page order ----
  // A new empty question, appended.
  TQAItem* NewQuestion();
  TQAItem* AddQuestion(std::unique_ptr<TQAItem> item);
  // index >= 0: at min(QuestionCount() - 1, index); negative: appended.
  TQAItem* InsertQuestion(int index, std::unique_ptr<TQAItem> item);
  // Frees the question (its answer panel goes with it).
  void DeleteQuestion(int index);
  int QuestionCount() const { return static_cast<int>(questions_.size()); }
  TQAItem* Question(int index) const;  // nullptr outside the range
  std::vector<TQAItem*> Questions() const;

  // ---- phrase marks ----
  void AddPhraseMark(std::int32_t position) { marks_.push_back(position); }
  int PhraseMarkCount() const { return static_cast<int>(marks_.size()); }
  const std::vector<std::int32_t>& PhraseMarks() const { return marks_; }
  void SetPhraseMarks(std::vector<std::int32_t> m) { marks_ = std::move(m); }
  void ClearPhraseMarks() { marks_.clear(); }

  // ---- display: the target's selection is replaced; afterwards it is the caret after
  // what was put in ----
  void ShowMainText(rt::RichText& target, rt::Range& selection) const;
  void AppendLowerText(rt::RichText& target, rt::Range& selection) const;
  // Role 0 and 2: the main text. Role 1: main text, each question with its choice lines
  // and link lines (an empty line between two questions and after the last), lower text.
  void Show(rt::RichText& target, rt::Range& selection) const;

  // ---- phrase-by-phrase presentation ----
  int ChunkIndex() const { return chunk_; }
  // Chunk index 0; ProgressBar1: maximum = mark count, position 1, shown.
  void StartChunks();
  // Shows the text up to the next phrase (underlined) with the following phrase faded in
  // when settings 7 and 8 are on; true when the presentation is complete (the underline is
  // then removed from the whole target and the caret goes to the end).
  bool ShowNextChunk(rt::RichText& target, std::size_t& caret);
  // Chunk index -1; ProgressBar1 hidden.
  void StopChunks();

 private:
  friend class TPageControler;
  friend class TQAControler;
  TPageControler* owner_ = nullptr;
  bool pass_ = false;
  PageKind kind_ = PageKind::Plain;
  PageRole role_ = PageRole::Ordinary;
  std::int32_t grade_ = 0;
  rt::RichBuffer main_;
  rt::RichBuffer lower_;
  std::vector<std::unique_ptr<TQAItem>> questions_;
  std::vector<std::int32_t> marks_;
  int chunk_ = -1;
};

class TPageControler final {
 public:
  TPageControler();
  ~TPageControler();
  TPageControler(const TPageControler&) = delete;
  TPageControler& operator=(const TPageControler&) = delete;

  // The question controller that numbers the pages' questions and shows their answer panels
  // (set by the owner of both; either may go first).
  void SetQAControler(TQAControler* qa) { qa_ = qa; }
  TQAControler* QAControler() const { return qa_; }
  // The tick source of SetTimerRunning.
  void SetClock(platform::Clock* clock) { clock_ = clock; }

  // The test clock stopped (no tick taken), every page freed from the last to the first.
  void Clear();
  // Counts the Clear calls: a view that remembers something of pages by their address
  // forgets it when the generation moves on (new pages may reuse the old addresses).
  std::uint64_t Generation() const { return generation_; }
  TPage* AddPage();
  TPage* InsertPage(int index);  // nullptr outside 0..PageCount() - 1
  void DeletePage(int index);
  void MovePageDown(int index);
  void MovePageUp(int index);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TPage* Page(int index) const;
  int IndexOf(const TPage* page) const;
  bool HasNamePage() const;

  int Setting(int index) const;  // 0 outside 0..8
  void SetSetting(int index, int value);
  const std::array<int, kSettingCount>& Settings() const { return settings_; }
  std::string Property(int index) const;  // "" outside 0..5
  void SetProperty(int index, const std::string& text);
  rt::IndentSettings Indents() const;
  std::string GradeList() const;

  bool TimerRunning() const { return timerRunning_; }
  // On a change records the clock's tick as start tick (set) or stop tick (cleared).
  void SetTimerRunning(bool flag);
  double StartTick() const { return startTick_; }
  double StopTick() const { return stopTick_; }

  // The document writer: header lines, then every page's tag line and body.
  void WriteDocument(rt::RichText& target) const;

  // ProgressBar1 as the phrase presentation leaves it.
  const PhraseProgress& ProgressBar1() const { return progress_; }
  PhraseProgress& ProgressBar1() { return progress_; }

 private:
  std::vector<std::unique_ptr<TPage>> pages_;
  std::uint64_t generation_ = 0;
  bool timerRunning_ = false;
  std::array<int, kSettingCount> settings_ = kSettingDefaults;
  std::array<std::string, kPropertyCount> properties_;
  double startTick_ = 0;
  double stopTick_ = 0;
  TQAControler* qa_ = nullptr;
  platform::Clock* clock_ = nullptr;
  PhraseProgress progress_;
};

}  // namespace ruvo::doc
