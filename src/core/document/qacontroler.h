#pragma once
// Questions of a test: each TQAItem is a question line with its choice lines, the correct
// choice and the examinee's answer, owned by the page it stands on. The controller numbers
// the document's questions in page order, scores them, writes the answer report and keeps
// the answer panels of the page on screen as a model the window renders.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/pagecontroler.h"
#include "core/richtext/richtext.h"

namespace ruvo::doc {

// The answer of a question without choices once a text was typed.
inline constexpr int kTypedAnswer = 99;
// The colour of the chosen choice's " * " in the page text.
inline constexpr rt::Color kChosenColor = 0x0000FF;

class TQAItem final {
 public:
  TQAItem() = default;

  // The page that holds the question (set when a page takes it).
  TPage* Page() const { return page_; }
  void SetPage(TPage* page) { page_ = page; }

  // ---- editing ----
  // Question and choice texts are single lines of rich text.
  void SetQuestion(const rt::RichBuffer& text) { question_ = text; }
  void SetQuestionFromLine(const rt::RichText& src, int line);
  // A choice line that stands before the first question of a page joins the latest question
  // as well; the page shows it without its marker, so the writer writes it with that
  // question like any other choice.
  void AddChoice(const rt::RichBuffer& text) { choices_.push_back(text); }
  void AddChoiceFromLine(const rt::RichText& src, int line);
  void DeleteChoice(int index);
  void SetChoice(int index, const rt::RichBuffer& text);
  int ChoiceCount() const { return static_cast<int>(choices_.size()); }
  const rt::RichBuffer& Question() const { return question_; }
  const rt::RichBuffer& Choice(int index) const;  // an empty buffer outside the range
  std::string QuestionPlain() const;
  std::string ChoicePlain(int index) const;
  int Correct() const { return correct_; }
  void SetCorrect(int index) { correct_ = index; }

  // ---- answering ----
  int Answer() const { return answer_; }
  // answer = n; for 1 <= n <= choices the answer label shows choice n's trimmed text.
  void SetAnswer(int n);
  const std::string& TypedText() const { return typed_; }
  // The field of a question without choices changed: the trimmed text is kept, and a
  // non-empty one makes the answer 99.
  void SetTypedText(std::string_view text);
  // The answer label of the built panel (empty while none shows a choice).
  const std::string& AnswerLabel() const { return label_; }
  void ClearAnswerLabel() { label_.clear(); }

  bool IsAnswered() const;
  bool IsCorrect() const;
  std::string MarkText() const;    // "○", "×" or "－"
  std::string AnswerText() const;  // the typed text for 99, "-" when negative, else the number
  std::string ScoreText() const;   // " " unanswered, "1" correct, "0" wrong

  // Index of the page whose list holds the item, -1 when none.
  int PageIndex() const;
  // 1-based number over the whole document (q of the panels and link lines), 0 when no
  // controller numbers it.
  int Number() const;

  // Appends the question as the page display shows it, at the end of target: the question
  // line, then per choice an invisible "%D %D" link line (size 4) and the choice line led by
  // an invisible " * " at one and a half times its size. Tabs are laid out with the indents.
  void Show(rt::RichText& target, const rt::IndentSettings& indents) const;
  // Appends the question as document source: "??" or "?!" + question, then "?*" / "?" +
  // each choice, one line each.
  void WriteSource(rt::RichText& target) const;
  // The same lines as a text of their own.
  rt::RichText SourceLines() const;

 private:
  // The controller of the page's document, if any.
  const TQAControler* controler() const;

  int answer_ = -1;
  int correct_ = -1;
  TPage* page_ = nullptr;
  std::string label_;
  std::string typed_;
  rt::RichBuffer question_;
  std::vector<rt::RichBuffer> choices_;
};

// One answer panel of the page on screen, as the window draws it ("MainPanel"q, "SelBox"q_c,
// ...): numbered radio buttons "1".."n" with the blue answer label, or a text field.
struct AnswerPanel {
  int number = 0;            // q, 1-based over the whole test
  std::string questionText;  // the question's plain text (label, size 11)
  int choiceCount = 0;       // 0: a text field instead of radio buttons
  int answer = -1;           // the checked choice 1..n, -1 when none
  std::string answerLabel;   // blue label right of the buttons
  std::string fieldText;     // the typed text of a field question
  bool operator==(const AnswerPanel&) const = default;
};

class TQAControler final {
 public:
  explicit TQAControler(TPageControler* pages = nullptr);
  ~TQAControler();
  TQAControler(const TQAControler&) = delete;
  TQAControler& operator=(const TQAControler&) = delete;

  TPageControler* Pages() const { return pages_; }
  void SetPages(TPageControler* p) { pages_ = p; }
  // The copy of the document's nine settings.
  std::array<int, kSettingCount>& Settings() { return settings_; }
  const std::array<int, kSettingCount>& Settings() const { return settings_; }

  // Removes the panels and frees every page's questions.
  void Clear();
  // The questions of all pages, in page order.
  std::vector<TQAItem*> Items() const;
  TQAItem* Item(int index) const;  // nullptr outside the range
  int Count() const;
  int IndexOf(const TQAItem* item) const;

  int AnsweredCount() const;  // choice questions answered 1..n
  int ScorableCount() const;  // choice questions with a correct choice
  int CorrectCount() const;
  // correct * 100 / answered, 0 when nothing was answered.
  int Rate() const;

  // ---- answer panels of the page on screen ----
  // Builds the panels of the questions of one page, in question order; the host shows.
  void ShowPagePanels(int pageIndex);
  void RemovePanels();
  bool HostVisible() const { return hostVisible_; }
  void SetHostVisible(bool v) { hostVisible_ = v; }
  // The panels now built, read fresh from the items.
  std::vector<AnswerPanel> Panels() const;
  int PanelCount() const { return static_cast<int>(panelItems_.size()); }
  bool HasPanel(const TQAItem* item) const;
  // Questions on the panels that are not answered.
  int UnansweredPanelCount() const;
  // A radio button of panel q checked with choice c: SetAnswer(c) and, when display is
  // given, the " * " prefixes of that question's choice lines recoloured (blue for the
  // chosen line, invisible for the others). False when q or c is out of range or q has no
  // panel.
  bool RadioClick(int q, int c, rt::RichText* display);
  // The field of panel q changed.
  bool FieldChanged(int q, std::string_view text);
  // A click on an answer link: the text of the "%D %D" line above it.
  bool SelectByLinkText(std::string_view linkText, rt::RichText* display);

  // The answer report under the result record (autoqa = setting 5, score = setting 6).
  void WriteAnswerReport(rt::RichText& target, int autoqa, int score) const;

 private:
  friend class TPage;
  // A question is going: its panel goes first.
  void forget(const TQAItem* item);

  TPageControler* pages_ = nullptr;
  // The questions of the panels shown: they belong to a page of pages_.
  std::vector<TQAItem*> panelItems_;
  std::array<int, kSettingCount> settings_ = kSettingDefaults;
  bool hostVisible_ = false;
};

// Recolours the " * " prefixes of question q's choice lines in a page display.
void MarkChosenChoice(rt::RichText& display, int q, int choiceCount, int chosen);

}  // namespace ruvo::doc
