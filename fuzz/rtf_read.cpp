// Scripts, templates, projects and documents arrive as RTF from other programs and other
// machines. Reading any bytes must not crash, and whatever the reader makes of them must
// survive our writer: written and read again it is the same model.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/richtext/richtext.h"
#include "core/text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ruvo::rt;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const RichText once = readRtf(bytes);
  if (once.paragraphs().empty()) std::abort();
  for (const Paragraph& p : once.paragraphs()) {
    if (p.runs.empty()) std::abort();
    for (const Run& r : p.runs) {
      if (!ruvo::text::isValidUtf8(r.text)) std::abort();
      if (r.text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) std::abort();
    }
  }
  const std::string rtf = writeRtf(once);
  const RichText twice = readRtf(rtf);
  if (!(twice == once)) {
    std::fprintf(stderr, "round trip changed the model; written:\n%s\n", rtf.c_str());
    std::abort();
  }
  if (writeRtf(twice) != rtf) std::abort();

  // The line operations the document code runs on every text it reads.
  const int n = once.lineCount();
  (void)caption(plainText(once));
  RichBuffer lines = copyLinesToBuffer(once, n / 3, n - 1);
  RichBuffer one = copyLinesToBuffer(once, n / 2, std::nullopt);
  const RichBuffer all = copyLinesToBuffer(once, -1, n + 1);
  if (!all || plainText(*all) != plainText(once)) std::abort();
  if (one->lineCount() != 1 || copyLinesToBuffer(once, n, n + 2)) std::abort();
  RichText target = once;
  (void)showPageText(lines, target, Range{once.length() / 2, 3}, IndentSettings{});
  (void)showPageText(one, target, Range{0, 0}, IndentSettings{});
  return 0;
}
