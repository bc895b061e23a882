// Scripts and templates are written by teachers in any word processor and passed around.
// Any pair of texts must compile or stop with a message, never crash; a compiled document
// holds its name page and last page, and survives a save and an open unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/authoring/compiler.h"
#include "core/authoring/grade.h"
#include "core/authoring/scriptfile.h"
#include "core/document/documentfile.h"
#include "core/document/documentformat.h"
#include "core/document/wpmmeter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ruvo;
  static authoring::TReadingGrader grader;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The script, a NUL, the template (no NUL: the second half is the template).
  std::size_t cut = bytes.find('\0');
  const std::size_t skip = cut == std::string_view::npos ? 0 : 1;
  if (cut == std::string_view::npos) cut = size / 2;
  const rt::RichText script = doc::TextFromBytes(bytes.substr(0, cut));
  const rt::RichText templ = doc::TextFromBytes(bytes.substr(cut + skip));

  authoring::CompileInputs in = authoring::ReadScriptHeader(script);
  (void)authoring::CorrectAnswerOverview(script);
  in.autoNumbers = size % 2 == 0;
  in.autoIndent = size % 3 == 0;
  authoring::CompileHooks hooks;
  hooks.grader = &grader;
  hooks.askTitle = [](const std::string&, const std::string&, const std::string&) {
    return std::optional<std::string>("fuzz");
  };
  authoring::CompileResult r = authoring::CompileScript(script, templ, in, hooks);
  if (!r.ok()) {
    if (r.message.empty()) std::abort();
    return 0;
  }
  const doc::TPageControler& pages = r.document->pages;
  if (!pages.HasNamePage() || pages.PageCount() < 2) std::abort();
  if (pages.Page(pages.PageCount() - 1)->Role() != doc::PageRole::Last) std::abort();

  rt::RichText first;
  pages.WriteDocument(first);
  const std::string saved = doc::EncodeDocument(first);
  rt::RichText opened;
  if (!doc::DecodeDocument(saved, opened)) std::abort();
  authoring::TDocumentModel again;
  doc::TWPMMeter meter;
  doc::ParseDocument(opened, again.pages, again.qa, meter);
  rt::RichText second;
  again.pages.WriteDocument(second);
  if (doc::EncodeDocument(second) != saved) std::abort();
  return 0;
}
