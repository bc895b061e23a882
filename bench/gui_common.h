#pragma once
// Test documents for the window benchmarks, written as a rich-edit control writes RTF and packed
// as the program stores them.
#include <fstream>
#include <string>

#include "core/storage/deltacode.h"

namespace ruvo::benchgui {

// A document of `pages` reading pages (timed without the start question) of about `words` words
// each, in paragraphs of 100 words, then the last page. With phraseWords, the pages are shown
// phrase by phrase (a phrase mark after every phraseWords words) with the faint next phrase.
inline std::string makeLongDocumentRtf(int pages, int words, int phraseWords = 0) {
  static const char* vocab[] = {"the",    "reader", "moved", "slowly", "through", "a",   "quiet",
                                "forest", "where",  "light", "fell",   "on",      "old", "stones",
                                "and",    "birds",  "sang",  "about",  "summer",  "rain"};
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}"
      "{\\f1\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'82\\'6f\\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}}\n"
      "\\viewkind4\\uc1\\pard\\f0\\fs24 ";
  auto line = [&](const std::string& s) { rtf += s + "\\par\n"; };
  line("title=Long pages");
  line("autoqa=1");
  line("score=1");
  if (phraseWords > 0) {
    line("fadein=1");
    line("overflow=1");
  }
  int w = 0;
  for (int p = 0; p < pages; ++p) {
    line("<page start pass>");
    std::string para;
    for (int i = 0; i < words; ++i) {
      para += vocab[(w++ * 7 + i) % 20];
      para += (i % 100 == 99) ? "." : "";
      if (phraseWords > 0 && i % phraseWords == phraseWords - 1) para += "/";
      para += " ";
      if (i % 100 == 99 || i == words - 1) {
        line(para);
        para.clear();
      }
    }
  }
  line("<page last>");
  line("The end.");
  rtf += "}";
  return rtf;
}

inline bool writePacked(const std::string& path, const std::string& rtf) {
  const std::string coded = storage::TDeltaCode::encode(rtf);
  std::ofstream out(path, std::ios::binary);
  out.write(coded.data(), static_cast<std::streamsize>(coded.size()));
  return static_cast<bool>(out);
}

}  // namespace ruvo::benchgui
