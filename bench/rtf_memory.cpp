// Peak heap of the RTF reader per input byte: bare paragraph breaks (one paragraph per four
// bytes), text in the rich-edit shape, and groups nested as deep as the input goes. Prints one line per input:
//   bench/bench_rtf_memory [MB]   (default 20)
// The input itself is not counted; only what readRtf allocates while it reads and keeps.
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "core/richtext/richtext.h"

namespace {
std::atomic<std::size_t> gLive{0}, gPeak{0};
bool gCounting = false;

void* counted(std::size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  if (gCounting) {
    const std::size_t live = gLive += malloc_usable_size(p);
    std::size_t peak = gPeak.load();
    while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
    }
  }
  return p;
}

void uncounted(void* p) noexcept {
  if (!p) return;
  if (gCounting) gLive -= malloc_usable_size(p);
  std::free(p);
}

struct Figure {
  double peakPerByte, heldPerByte;
};

Figure measure(const std::string& rtf) {
  gLive = 0;
  gPeak = 0;
  gCounting = true;
  std::size_t held = 0;
  {
    const ruvo::rt::RichText t = ruvo::rt::readRtf(rtf);
    held = gLive.load();
  }
  gCounting = false;
  return {static_cast<double>(gPeak.load()) / static_cast<double>(rtf.size()),
          static_cast<double>(held) / static_cast<double>(rtf.size())};
}

std::string bareBreaks(std::size_t bytes) {
  std::string s = "{\\rtf1\\ansi ";
  while (s.size() < bytes) s += "\\par";
  return s + "}";
}

std::string richEditText(std::size_t bytes) {
  std::string s =
      "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'82\\'6f\\'83\\'53"
      "\\'83\\'56\\'83\\'62\\'83\\'4e;}{\\f1\\froman\\fcharset0 Times New Roman;}}\n"
      "{\\colortbl ;\\red255\\green0\\blue0;}\n\\viewkind4\\uc1\\pard\\lang1041\\f0\\fs22 ";
  static const char* const kLines[] = {
      "\\'93\\'c7\\'89\\'f0\\'8c\\'76\\'91\\'aa\\'82\\'f0\\'8e\\'6e\\'82\\'df\\'82\\'dc\\'82\\'b7\\'81\\'42",
      "\\f1 Faster reading makes better comprehension, and {\\b comprehension} makes reading worth it.\\f0 ",
      "\\tab ?? {\\cf1\\ul Which sentence} agrees with the passage?",
      "\\tab\\tab ?* The passage says that practice improves both speed and accuracy.",
  };
  for (std::size_t i = 0; s.size() < bytes; ++i) {
    s += kLines[i % std::size(kLines)];
    s += "\\par\n";
  }
  return s + "}";
}

// Groups nested as deep as the input allows, around one word: bare braces (which change
// nothing) or a format change in every group (the most a group can cost).
std::string nested(std::size_t bytes, std::string_view open) {
  const std::size_t depth = (bytes - 16) / (open.size() + 1);
  std::string s = "{\\rtf1 ";
  s.reserve(bytes + 16);
  for (std::size_t i = 0; i < depth; ++i) s += open;
  s += "deep";
  s.append(depth, '}');
  return s + "\\par}";
}

}  // namespace

void* operator new(std::size_t n) { return counted(n); }
void* operator new[](std::size_t n) { return counted(n); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { uncounted(p); }

int main(int argc, char** argv) {
  const std::size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 20;
  const std::size_t bytes = mb << 20;
  for (const auto& [name, text] :
       {std::pair{"bare \\par breaks", bareBreaks(bytes)}, std::pair{"rich-edit text", richEditText(bytes)},
        std::pair{"nested braces", nested(bytes, "{")}, std::pair{"nested \\b groups", nested(bytes, "{\\b ")}}) {
    const Figure f = measure(text);
    std::printf("%-18s %4zu MB: peak %.2f bytes per input byte, held %.2f\n", name, mb, f.peakPerByte, f.heldPerByte);
  }
  return 0;
}
