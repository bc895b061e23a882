// Reading and writing a 1 MB RTF document of the rich-edit shape: Japanese and English
// text, bold, underline, colour, size changes, indents and tabs, as a long test or script.
#include <benchmark/benchmark.h>

#include <string>

#include "core/richtext/richtext.h"

namespace {

using namespace ruvo::rt;

RichText makeModel(std::size_t rtfBytes) {
  static const char* const kLines[] = {
      "読解計測を始めます。画面の文章を読み終えたら次へ進んでください。",
      "Faster reading makes better comprehension, and comprehension makes reading worth the time.",
      "\t?? 次の文のうち、本文の内容と合っているものはどれですか。",
      "\t\t?* The passage says that practice improves both speed and accuracy.",
      "\t\t? 速く読むと理解が浅くなると本文は述べている。",
      "日本語と English が混ざった行: 漢字、ひらがな、カタカナ、ｶﾀｶﾅ and ASCII 123.",
  };
  CharFormat plain;
  plain.sizeHalfPoints = 22;
  CharFormat bold = plain;
  bold.bold = true;
  CharFormat red = plain;
  red.color = 0xFF0000;
  red.underline = true;
  CharFormat big = plain;
  big.sizeHalfPoints = 28;
  big.fontName = "Times New Roman";
  big.charset = 0;
  RichText t;
  std::size_t i = 0;
  while (writeRtf(t).size() < rtfBytes) {
    // Grow in chunks, measuring now and then: the writer is what sizes the document.
    for (int k = 0; k < 500; ++k, ++i) {
      const std::string line = kLines[i % std::size(kLines)];
      const std::size_t cut = line.size() / 3;
      t.append(line.substr(0, cut), plain);
      t.append("[" + std::to_string(i) + "]", (i % 3 == 0) ? bold : (i % 3 == 1) ? red : big);
      t.append(line.substr(cut), plain);
      t.paragraphs().back().format.setPoints(static_cast<int>(16 + (i % 4) * 32), i % 2 ? 8 : -16, 16);
      t.append("\n", plain);
    }
  }
  return t;
}

const RichText& model() {
  static const RichText m = makeModel(1 << 20);
  return m;
}

const std::string& document() {
  static const std::string d = writeRtf(model());
  return d;
}

void BM_ReadRtf(benchmark::State& state) {
  const std::string& rtf = document();
  for (auto _ : state) {
    RichText t = readRtf(rtf);
    benchmark::DoNotOptimize(t);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
  state.counters["bytes"] = static_cast<double>(rtf.size());
  state.counters["lines"] = model().lineCount();
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond);

void BM_WriteRtf(benchmark::State& state) {
  const RichText& t = model();
  for (auto _ : state) {
    std::string rtf = writeRtf(t);
    benchmark::DoNotOptimize(rtf);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document().size()));
}
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
