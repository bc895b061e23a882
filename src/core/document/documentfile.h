#pragma once
// Test documents on disk: a ".ruvo" file is the document's RTF as one BDC stream; a project
// ".ruvp" is the same RTF uncompressed. Opening, pasting, copying the source and "save as"
// over the ports. Messages are the system's own texts; nothing here throws.
#include <string>
#include <string_view>

#include "core/richtext/richtext.h"

namespace ruvo::platform {
class Dialogs;
class Clipboard;
}  // namespace ruvo::platform

namespace ruvo::doc {

class TDocument;

inline constexpr const char* kMsgNoFile = "ファイルがありません";
inline constexpr const char* kMsgNotRuvo = "ルーヴォファイルではありません";
inline constexpr const char* kMsgReadFailed = "読み込み失敗";
inline constexpr const char* kMsgSaveFailed = "保存できませんでした";
inline constexpr const char* kLineBreak2 = "\r\n\r\n";
// The working copy of a pasted document, relative to the current folder.
inline constexpr const char* kWorkingCopyPath = "tmp/ruvo$$$.ruvo";
inline constexpr const char* kWorkingBaseName = "ruvo$$$";
inline constexpr const char* kSaveFilter = "tovimeter files|*.ruvo;";

// ---- load and save ----
// Loads a ".ruvo" file (extension compared in lower case) into target. Empty result means
// success; otherwise the message to show, and target is untouched. A file that cannot be
// read gives "読み込み失敗" with the file and the system's reason, a stream the codec
// refuses gives it with the codec's reason; a zero-length file loads as an empty document.
std::string LoadDocumentFile(const std::string& fileName, rt::RichText& target);
// Writes the text as a ".ruvo" file (atomically; missing folders are created). On failure
// shows "保存できませんでした" through dialogs (when given) and returns false.
bool SaveDocumentFile(const std::string& fileName, const rt::RichText& work, platform::Dialogs* dialogs);
// The bytes of a ".ruvo" file for a text, and back (false with the codec's reason).
std::string EncodeDocument(const rt::RichText& work);
bool DecodeDocument(std::string_view bytes, rt::RichText& out, std::string* reason = nullptr);
// Reads the text of a document given in any of its forms: ".ruvo" (BDC), or RTF / plain
// text (".ruvp", ".rtf", anything else). Empty result means success.
std::string LoadDocumentText(const std::string& fileName, rt::RichText& target);
// Text bytes as the rich-edit control takes them: RTF when they start as RTF, otherwise
// plain text (CP932, or UTF-8 after a byte-order mark).
rt::RichText TextFromBytes(std::string_view bytes, const rt::CharFormat& font = {});
// The project form: the RTF uncompressed.
bool SaveProjectText(const std::string& fileName, const rt::RichText& work, platform::Dialogs* dialogs);
// True when a file exists at path that a save must leave alone: one without any write
// permission (the shipped samples are kept so), one this user may not write, or one on a
// read-only file system. The atomic writer could still rename a new file over it.
bool IsProtectedFile(const std::string& path);

// ---- the window's document operations ----
// What the operations need besides the document: the ports and where their files go.
struct DocumentPorts {
  platform::Dialogs* dialogs = nullptr;
  platform::Clipboard* clipboard = nullptr;
  std::string programFolder;                   // the save dialog's initial folder
  std::string workingCopy = kWorkingCopyPath;  // where a pasted document is kept
  rt::CharFormat baseFont;                     // FBaseFont
};

// Loads the file (the open document stays as it was on an error, which is shown), names
// the document and parses it. True when opened.
bool OpenTestDocument(TDocument& d, const DocumentPorts& p, const std::string& path);
// Pastes the clipboard as a new document: kept in the working copy, parsed and shown; the
// document's name stays as it was.
void acPaste(TDocument& d, const DocumentPorts& p);
// Copies the source of the document file last named (as rich text) to the clipboard.
void acSrcCopy(const TDocument& d, const DocumentPorts& p);
// The save dialog; writes the document (from the working copy while it is modified) and
// names it. True when the document was saved under the chosen name; false when cancelled or
// when the file could not be written (reported, and the old file left in place). A protected
// file (IsProtectedFile) is never replaced.
bool SaveDocumentAs(TDocument& d, const DocumentPorts& p);
// "Save as": the pages written back into the work area (replacing its text), then the save
// dialog; the document is left unmodified exactly when it was saved.
bool acSave(TDocument& d, const DocumentPorts& p);

}  // namespace ruvo::doc
