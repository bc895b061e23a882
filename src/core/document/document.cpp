#include "core/document/document.h"

#include "core/document/documentformat.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/storage/filenames.h"

namespace ruvo::doc {

TDocument::TDocument()
    : pages_(std::make_unique<TPageControler>()),
      qa_(std::make_unique<TQAControler>(pages_.get())),
      meter_(std::make_unique<TWPMMeter>()) {
  pages_->SetQAControler(qa_.get());
}

TDocument::~TDocument() = default;

bool TDocument::SetPath(const std::string& path) {
  if (!path.empty() && storage::IsWorkingCopyPath(path)) return false;
  path_ = path;
  modified_ = false;
  tell(Change::Path);
  return true;
}

void TDocument::SetModified(bool flag) {
  if (flag == modified_) return;
  modified_ = flag;
  tell(Change::Modified);
}

void TDocument::Parse() {
  ParseDocument(work_, *pages_, *qa_, *meter_);
  tell(Change::Parsed);
}

void TDocument::Open(rt::RichText text) {
  work_ = std::move(text);
  Parse();
}

void TDocument::ClearModels() {
  qa_->Clear();
  pages_->Clear();
}

}  // namespace ruvo::doc
