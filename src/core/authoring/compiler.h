#pragma once
// The script compiler: a script (passages after "!", questions after "?", free text after
// "\") poured into a template of named blocks gives a new test document. The compile never
// touches an open document: it builds a model of its own, which the caller adopts on
// success; on a stop it returns the message and nothing else changed.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/document/document.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/richtext/richtext.h"

namespace ruvo::authoring {

class TReadingGrader;

inline constexpr int kTemplateBlockCount = 12;
inline constexpr std::array<const char*, kTemplateBlockCount> kTemplateBlockNames = {
    "HEAD", "NOTE", "OPEN", "START", "END", "BEGIN", "FINISH", "FOOT", "TOQUE", "CONTINUE", "QUETOP", "QUEBOTTOM"};
enum TemplateBlock : int {
  tbHead = 0,
  tbNote = 1,
  tbOpen = 2,
  tbStart = 3,
  tbEnd = 4,
  tbBegin = 5,
  tbFinish = 6,
  tbFoot = 7,
  tbToQue = 8,
  tbContinue = 9,
  tbQueTop = 10,
  tbQueBottom = 11,
};

// ---- the stops ----
inline constexpr const char* kMsgConsecutivePassages = "エラー： 課題文が連続しています";
inline constexpr const char* kMsgNoQuestionBlock = "エラー： ? で始まる設問ブロックがありません\r\n\r\n";
inline constexpr const char* kMsgNoPassageBlock = "エラー： ! で始まる課題文ブロックがありません\r\n\r\n";
inline constexpr const char* kMsgNoQuestion = "エラー： 課題文も設問もありません";
inline constexpr const char* kMsgLastPassage = "エラー： 最後の設問文に 課題文がありません";
inline constexpr const char* kMsgNoTitle = "Create を中止しました\r\n\r\nタイトルは Property タブの title へ書き込む";
inline constexpr const char* kMsgNoOpenBlock =
    "雛形に [OPEN] ページがありません。\r\n\r\n[OPEN] ページは受験者の名前を要求するために必須です。\r\n\r\n"
    "Template ファイルを修正してください。";
inline constexpr const char* kMsgCreated = "作成しました";
inline constexpr const char* kTitleCaption = "タイトルが必要です";
inline constexpr const char* kTitleDefault = "title";

// The "<page" a script or template line must never open a page with, and its harmless form.
inline constexpr const char* kPageTagWord = "<page";
inline constexpr const char* kNeutralPageTagWord = "<ｐａｇｅ";

// One block of the script: line ranges of the scanned script (first > last: empty).
struct TTempPage {
  int passageFirst = 0;
  int passageLast = -1;
  std::vector<int> questionFirst;
  std::vector<int> questionLast;
  int upperFirst = -1, upperLast = -1;  // -1, -1: none recorded
  int lowerFirst = -1, lowerLast = -1;
  bool HasUpper() const { return upperFirst != -1 || upperLast != -1; }
  bool HasLower() const { return lowerFirst != -1 || lowerLast != -1; }
  int QuestionCount() const { return static_cast<int>(questionFirst.size()); }
};

// The template cut into its twelve blocks.
class TFixedForm final {
 public:
  // Neutralises page tags, replaces "%TotalText%" and "%TotalQue%", cuts out the blocks.
  void Load(rt::RichText templ, int totalText, int totalQue);
  bool Present(int block) const;
  // The block's lines (an empty buffer for an absent block or a block without lines).
  const rt::RichBuffer& Block(int block) const;
  const rt::RichText& Area() const { return area_; }

 private:
  rt::RichText area_;
  std::array<rt::RichBuffer, kTemplateBlockCount> blocks_;
  std::array<bool, kTemplateBlockCount> present_{};
};

// What the compile reads from the editor: the property grid's six values, the setting
// grid's nine values as text, and the two check boxes.
struct CompileInputs {
  std::array<std::string, doc::kPropertyCount> properties;
  std::array<std::string, doc::kSettingCount> settings = {"16", "16", "16", "32", "8", "On", "Off", "Off", "Off"};
  bool autoNumbers = true;  // CheckBox2 "自動通し番号"
  bool autoIndent = true;   // CheckBox1 "自動段下げ"
};

struct CompileHooks {
  // The title input box (caption, prompt, initial text); nullopt when cancelled. Without
  // it a missing title stops the compile.
  std::function<std::optional<std::string>(const std::string&, const std::string&, const std::string&)> askTitle;
  int year = 2026;  // shown in the title prompt
  // ProgressBar2: a new maximum (position back to 0), and one step.
  std::function<void(int)> progressMax;
  std::function<void()> progressStep;
  // The grader to use; the embedded word data is read once per compile when null.
  TReadingGrader* grader = nullptr;
};

// A document of its own: pages and the question items they hold.
class TDocumentModel final {
 public:
  TDocumentModel();
  TDocumentModel(const TDocumentModel&) = delete;
  TDocumentModel& operator=(const TDocumentModel&) = delete;
  doc::TPageControler pages;
  doc::TQAControler qa;
};

struct CompileResult {
  std::unique_ptr<TDocumentModel> document;  // null when the compile stopped
  std::string message;                       // the stop's message (CRLF line breaks)
  // Set when the title came from the input box: the grid's title row takes it.
  std::optional<std::string> answeredTitle;
  int totalText = 0;
  int totalQue = 0;
  bool ok() const { return document != nullptr; }
};

// Lines beginning (after blanks) with "<page" get the full-width "<ｐａｇｅ".
void NeutralisePageTags(rt::RichText& t);
// Lines first..last that begin (after blanks) with "?" get the full-width "？" there: in a
// page's text such a line would be read back as a question or choice of the document.
void NeutraliseQuestionMarkers(rt::RichText& t, int first, int last);
// Replaces every occurrence of an ASCII placeholder, letter case ignored, keeping formats.
void ReplacePlaceholder(rt::RichText& t, std::string_view placeholder, std::string_view value);

// The scan of a script already tidied (page tags neutralised, trailing blank lines gone):
// its blocks, or the stop's message.
struct ScanResult {
  std::vector<TTempPage> blocks;
  int totalQue = 0;
  std::string message;
};
ScanResult ScanScript(const rt::RichText& script, const CompileHooks& hooks = {});

// The whole compile. The result's document is as a save writes it and an open reads it back.
CompileResult CompileScript(rt::RichText script, rt::RichText templ, const CompileInputs& inputs,
                            const CompileHooks& hooks = {});

// Replaces the open document's pages, questions, properties and settings by copies of
// `from`'s (the adoption of a compiled document). Its text, path and flag stay.
void CopyDocument(const doc::TPageControler& from, doc::TDocument& to);

}  // namespace ruvo::authoring
