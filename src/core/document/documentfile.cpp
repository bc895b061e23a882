#include "core/document/documentfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "core/document/document.h"
#include "core/document/documentformat.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/platform/ports.h"
#include "core/storage/atomicfile.h"
#include "core/storage/deltacode.h"
#include "core/storage/filenames.h"
#include "core/text/cp932.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

namespace ruvo::doc {

namespace fs = std::filesystem;

namespace {

bool isRtf(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) <= 0x20) ++i;
  return bytes.substr(i, 5) == "{\\rtf";
}

}  // namespace

// ---- bytes ----

rt::RichText TextFromBytes(std::string_view bytes, const rt::CharFormat& font) {
  // Rich-edit streams often end in a NUL; it is no part of the text.
  while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
  if (isRtf(bytes)) return rt::readRtf(bytes);
  std::string plain;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    plain = text::sanitizeUtf8(bytes.substr(3));
  } else {
    plain = text::cp932ToUtf8(bytes);
  }
  return rt::RichText(plain, font);
}

std::string EncodeDocument(const rt::RichText& work) { return storage::TDeltaCode::encode(rt::writeRtf(work)); }

bool DecodeDocument(std::string_view bytes, rt::RichText& out, std::string* reason) {
  if (bytes.empty()) {
    out = rt::RichText();
    return true;
  }
  std::string plain;
  std::string msg;
  if (!storage::TDeltaCode::decode(bytes, plain, &msg)) {
    if (reason) *reason = msg;
    return false;
  }
  out = TextFromBytes(plain);
  return true;
}

// ---- load and save ----

std::string LoadDocumentFile(const std::string& fileName, rt::RichText& target) {
  if (!storage::fileExists(fileName)) return fileName + kLineBreak2 + kMsgNoFile;
  if (text::asciiLower(storage::ExtensionOf(fileName)) != ".ruvo") return fileName + kLineBreak2 + kMsgNotRuvo;
  std::string bytes;
  if (const storage::Status read = storage::readWholeFile(fileName, bytes); !read)
    return kMsgReadFailed + std::string(kLineBreak2) + read.message();
  rt::RichText loaded;
  std::string reason;
  // A damaged stream is refused: opening it as an empty document would silently drop the
  // open one for nothing.
  if (!DecodeDocument(bytes, loaded, &reason)) {
    std::string msg = kMsgReadFailed;
    if (!reason.empty()) msg += kLineBreak2 + reason;
    return msg;
  }
  target = std::move(loaded);
  return {};
}

std::string LoadDocumentText(const std::string& fileName, rt::RichText& target) {
  if (!storage::fileExists(fileName)) return fileName + kLineBreak2 + kMsgNoFile;
  if (text::asciiLower(storage::ExtensionOf(fileName)) == ".ruvo") return LoadDocumentFile(fileName, target);
  std::string bytes;
  if (const storage::Status read = storage::readWholeFile(fileName, bytes); !read)
    return kMsgReadFailed + std::string(kLineBreak2) + read.message();
  target = TextFromBytes(bytes);
  return {};
}

bool SaveDocumentFile(const std::string& fileName, const rt::RichText& work, platform::Dialogs* dialogs) {
  const std::string folder = storage::FolderOf(fileName);
  bool ok = folder.empty() || storage::ensureFolder(folder);
  if (ok) {
    const std::string rtf = rt::writeRtf(work);
    storage::TStreamDeltaCode codec;
    const storage::Status saved = codec.SaveStreamToFile(rtf, fileName);
    // An encoder left by an error says so before the save's own message.
    if (!saved && saved.message() == storage::kMsgEncodeFailed && dialogs) dialogs->message(saved.message());
    ok = saved.ok();
  }
  if (!ok && dialogs) dialogs->message(kMsgSaveFailed);
  return ok;
}

bool SaveProjectText(const std::string& fileName, const rt::RichText& work, platform::Dialogs* dialogs) {
  const std::string folder = storage::FolderOf(fileName);
  const bool ok =
      (folder.empty() || storage::ensureFolder(folder)) && storage::writeFileAtomic(fileName, rt::writeRtf(work));
  if (!ok && dialogs) dialogs->message(kMsgSaveFailed);
  return ok;
}

bool IsProtectedFile(const std::string& path) {
  if (!storage::fileExists(path)) return false;
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (ec) return false;
  constexpr fs::perms kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  // The bits, not access(): the superuser may write anything, yet a read-only sample stays one.
  if (fs::is_regular_file(st) && (st.permissions() & kWrite) == fs::perms::none) return true;
  if (::access(path.c_str(), W_OK) != 0) return true;
  return storage::isReadOnlyFileSystem(path);
}

// ---- the window's operations ----

namespace {

void message(const DocumentPorts& p, const std::string& text) {
  if (p.dialogs) p.dialogs->message(text);
}

// Puts the working copy in place of the chosen file in one step: the old file stays whole
// until the new one is complete.
bool replaceWithWorkingCopy(const std::string& workingCopy, const std::string& target) {
  std::error_code ec;
  fs::rename(workingCopy, target, ec);
  if (!ec) return true;
  // Another file system: copy through a temporary file, then drop the working copy.
  std::string bytes;
  if (!storage::readWholeFile(workingCopy, bytes)) return false;
  if (!storage::writeFileAtomic(target, bytes)) return false;
  fs::remove(workingCopy, ec);
  return true;
}

}  // namespace

bool OpenTestDocument(TDocument& d, const DocumentPorts& p, const std::string& path) {
  rt::RichText loaded;
  const std::string error = LoadDocumentFile(path, loaded);
  if (!error.empty()) {
    message(p, error);
    return false;
  }
  d.Work() = std::move(loaded);
  d.SetPath(path);
  d.Parse();
  return true;
}

void acPaste(TDocument& d, const DocumentPorts& p) {
  rt::RichText pasted;
  if (p.clipboard) {
    if (auto rtf = p.clipboard->rtf(); rtf && !rtf->empty()) {
      pasted = rt::readRtf(*rtf);
    } else if (auto plain = p.clipboard->text(); plain && !plain->empty()) {
      pasted = rt::RichText(*plain, p.baseFont);
    }
  }
  if (pasted.isEmpty()) pasted.paragraphs().front().runs.assign(1, rt::Run{{}, p.baseFont});
  d.Work() = std::move(pasted);
  // SaveDocumentFile creates the working copy's folder and reports a failure itself.
  SaveDocumentFile(p.workingCopy, d.Work(), p.dialogs);
  // The working copy never names the document: its name stays as it was.
  d.SetPath(p.workingCopy);
  d.Parse();
}

void acSrcCopy(const TDocument& d, const DocumentPorts& p) {
  rt::RichText source;
  const std::string error = LoadDocumentFile(d.Path(), source);
  if (!error.empty()) {
    message(p, error);
    return;
  }
  if (p.clipboard) p.clipboard->setRichText(rt::writeRtf(source), rt::plainText(source));
}

bool SaveDocumentAs(TDocument& d, const DocumentPorts& p) {
  if (!p.dialogs) return false;
  std::string folder = p.programFolder;
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  if (!folder.empty()) storage::ensureFolder(folder);
  const auto chosen = p.dialogs->saveFile("", kSaveFilter, folder, "", "ruvo");
  if (!chosen || chosen->empty()) return false;
  const std::string name = storage::ChangeExtension(*chosen, ".ruvo");
  if (IsProtectedFile(name)) {
    message(p, kMsgSaveFailed);
    return false;
  }
  bool ok = false;
  if (d.Modified() && storage::fileExists(p.workingCopy)) {
    ok = replaceWithWorkingCopy(p.workingCopy, name);
    if (!ok) message(p, kMsgSaveFailed);
  } else {
    // Nothing pasted to move into place: the document in the work area is what is saved.
    ok = SaveDocumentFile(name, d.Work(), p.dialogs);
  }
  if (!ok) return false;
  d.SetPath(name);
  return true;
}

bool acSave(TDocument& d, const DocumentPorts& p) {
  rt::RichText written;
  d.Pages().WriteDocument(written);
  d.Work() = std::move(written);
  const bool saved = SaveDocumentAs(d, p);
  d.SetModified(!saved);
  return saved;
}

}  // namespace ruvo::doc
