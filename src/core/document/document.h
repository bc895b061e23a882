#pragma once
// The open test document in one object: its text (the work area the parser tidies and the
// writer fills), the pages and questions parsed from it, the meter of a run over it, its path
// and whether it was changed since it was opened or saved. The main window, the page editor,
// the project actions and the file operations all work on one of these; whoever shows it
// listens for changes through the one listener.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/richtext/richtext.h"

namespace ruvo::doc {

class TPageControler;
class TQAControler;
class TWPMMeter;

class TDocument final {
 public:
  // What changed, as told to the listener.
  enum class Change : std::uint8_t {
    Path,      // the document was named (and is unmodified from then on)
    Modified,  // the modified flag went on or off
    Parsed,    // the text was parsed into the models: a new document stands
  };

  TDocument();
  ~TDocument();
  TDocument(const TDocument&) = delete;
  TDocument& operator=(const TDocument&) = delete;

  // The text the models were parsed from, or are written back into before a save.
  rt::RichText& Work() { return work_; }
  const rt::RichText& Work() const { return work_; }
  TPageControler& Pages() { return *pages_; }
  const TPageControler& Pages() const { return *pages_; }
  TQAControler& QA() { return *qa_; }
  const TQAControler& QA() const { return *qa_; }
  TWPMMeter& Meter() { return *meter_; }
  const TWPMMeter& Meter() const { return *meter_; }

  const std::string& Path() const { return path_; }
  // Names the document and clears the modified flag. A working copy (a pasted document's
  // scratch file) never names it: false, and nothing changes.
  bool SetPath(const std::string& path);
  bool Modified() const { return modified_; }
  void SetModified(bool flag);

  // Parses Work() into the models (see ParseDocument) and tells the listener.
  void Parse();
  // Takes `text` as the document's text and parses it.
  void Open(rt::RichText text);
  // No pages and no questions; the path and the text stay.
  void ClearModels();

  // The one listener (replaces any earlier one; empty to stop listening).
  void SetListener(std::function<void(Change)> listener) { listener_ = std::move(listener); }

 private:
  void tell(Change c) {
    if (listener_) listener_(c);
  }

  rt::RichText work_;
  std::unique_ptr<TPageControler> pages_;
  std::unique_ptr<TQAControler> qa_;
  std::unique_ptr<TWPMMeter> meter_;
  std::string path_;
  bool modified_ = false;
  std::function<void(Change)> listener_;
};

}  // namespace ruvo::doc
