#include "core/storage/filenames.h"

#include "core/text/strings.h"

namespace ruvo::storage {

namespace {

std::size_t nameStart(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

// Where the extension starts in the path, or npos.
std::size_t extensionStart(std::string_view path) {
  const std::size_t start = nameStart(path);
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot <= start) return std::string_view::npos;
  return dot;
}

}  // namespace

std::string JoinPath(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  if (b.empty()) return std::string(a);
  std::string out(a);
  if (out.back() != '/') out += '/';
  out += b;
  return out;
}

std::string FileNameOf(std::string_view path) { return std::string(path.substr(nameStart(path))); }

std::string FolderOf(std::string_view path) {
  const std::size_t start = nameStart(path);
  if (start == 0) return {};
  if (start == 1) return "/";
  return std::string(path.substr(0, start - 1));
}

std::string BaseNameOf(std::string_view path) {
  const std::size_t start = nameStart(path);
  const std::size_t ext = extensionStart(path);
  return std::string(path.substr(start, ext == std::string_view::npos ? std::string_view::npos : ext - start));
}

std::string ExtensionOf(std::string_view path) {
  const std::size_t ext = extensionStart(path);
  return ext == std::string_view::npos ? std::string() : std::string(path.substr(ext));
}

std::string ChangeExtension(std::string_view path, std::string_view ext) {
  const std::size_t at = extensionStart(path);
  return std::string(path.substr(0, at)) + std::string(ext);
}

bool IsWorkingCopyPath(std::string_view path) { return text::equalsIgnoreCase(BaseNameOf(path), "ruvo$$$"); }

bool IsProjectPath(std::string_view path) { return text::equalsIgnoreCase(ExtensionOf(path), ".ruvp"); }

bool IsProjectDocumentPath(std::string_view path) { return ExtensionOf(path) == ".ruvp"; }

}  // namespace ruvo::storage
