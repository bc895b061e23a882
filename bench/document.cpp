// Parsing and writing a large test document: 1,000 pages of instructions, phrase-marked
// reading passages and question pages, as the text of the work area.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "core/document/documentfile.h"
#include "core/document/documentformat.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/richtext/richtext.h"

namespace {

using namespace ruvo;

constexpr int kPages = 1000;

rt::Paragraph line(const std::string& text, bool emphasis = false) {
  rt::CharFormat f;
  f.sizeHalfPoints = 22;
  rt::Paragraph p{{}, {rt::Run{text, f}}};
  if (emphasis) {
    f.bold = true;
    f.color = 0xFF0000;
    p.runs.push_back(rt::Run{" 重要", f});
  }
  return p;
}

const rt::RichText& document() {
  static const rt::RichText doc = [] {
    std::mt19937 rng(7);
    static const char* words[] = {"the",       "reading", "passage", "of",   "a",       "student", "who",
                                  "was",       "asked",   "to",      "read", "quickly", "and",     "answer",
                                  "questions", "about",   "it",      "読解", "計測"};
    auto sentence = [&](int n, bool phrases) {
      std::string s;
      for (int i = 0; i < n; ++i) {
        if (i > 0) s += phrases && rng() % 5 == 0 ? "/ " : " ";
        s += words[rng() % std::size(words)];
      }
      return s;
    };
    rt::RichText t;
    auto& p = t.paragraphs();
    p.clear();
    for (const char* h : {"date=2024/04/01", "category=", "title=Benchmark",
                          "writer=", "comment=", "naming=", "leftindent=16", "rightindent=16", "textindent=16",
                          "tabindent=32", "tabsink=8", "autoqa=1", "score=1", "fadein=1", "overflow=0"})
      p.push_back(line(h));
    std::string grades = "gradelist=";
    for (int i = 0; i < kPages / 3; ++i) grades += std::to_string(30 + i % 90) + ",";
    p.push_back(line(grades));
    p.push_back(line("<page name>"));
    p.push_back(line("受験者の名前"));
    for (int i = 1; i + 1 < kPages; ++i) {
      switch (i % 3) {
        case 0:
          p.push_back(line("<page>"));
          p.push_back(line("次の文章を読んでください。", true));
          break;
        case 1:
          p.push_back(line("<page start phrasing>"));
          for (int k = 0; k < 6; ++k) p.push_back(line("\t" + sentence(18, true) + "./ "));
          break;
        default:
          p.push_back(line("<page end pass>"));
          p.push_back(line("Answer the questions."));
          for (int q = 0; q < 3; ++q) {
            p.push_back(line("??\t(" + std::to_string(q + 1) + ") " + sentence(8, false) + "?"));
            for (int c = 0; c < 4; ++c)
              p.push_back(
                  line(std::string(c == 1 ? "?*" : "?") + "\t\t" + std::to_string(c + 1) + ". " + sentence(4, false)));
            p.push_back(line(""));
          }
          p.push_back(line("下の注意"));
          break;
      }
    }
    p.push_back(line("<page last>"));
    p.push_back(line("お疲れさまでした。"));
    return t;
  }();
  return doc;
}

struct Models {
  doc::TPageControler pages;
  doc::TQAControler qa{&pages};
  doc::TWPMMeter meter;
  Models() { pages.SetQAControler(&qa); }
};

void BM_ParseDocument(benchmark::State& state) {
  Models m;
  for (auto _ : state) {
    rt::RichText work = document();
    doc::ParseDocument(work, m.pages, m.qa, m.meter);
    benchmark::DoNotOptimize(m.pages.PageCount());
  }
  state.counters["pages"] = m.pages.PageCount();
  state.counters["questions"] = m.qa.Count();
}
BENCHMARK(BM_ParseDocument)->Unit(benchmark::kMillisecond);

void BM_WriteDocument(benchmark::State& state) {
  Models m;
  rt::RichText work = document();
  doc::ParseDocument(work, m.pages, m.qa, m.meter);
  std::size_t lines = 0;
  for (auto _ : state) {
    rt::RichText out;
    m.pages.WriteDocument(out);
    lines = static_cast<std::size_t>(out.lineCount());
    benchmark::DoNotOptimize(out);
  }
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond);

// The copy of the document text that every parse above starts with, for subtraction.
void BM_CopyText(benchmark::State& state) {
  for (auto _ : state) {
    rt::RichText work = document();
    benchmark::DoNotOptimize(work);
  }
}
BENCHMARK(BM_CopyText)->Unit(benchmark::kMillisecond);

// The whole save and open road: write, RTF, codec, and back, then parse.
void BM_SaveAndOpen(benchmark::State& state) {
  Models m;
  rt::RichText work = document();
  doc::ParseDocument(work, m.pages, m.qa, m.meter);
  std::size_t bytes = 0;
  for (auto _ : state) {
    rt::RichText out;
    m.pages.WriteDocument(out);
    const std::string stored = doc::EncodeDocument(out);
    bytes = stored.size();
    rt::RichText back;
    doc::DecodeDocument(stored, back);
    Models again;
    doc::ParseDocument(back, again.pages, again.qa, again.meter);
    benchmark::DoNotOptimize(again.pages.PageCount());
  }
  state.counters["ruvo_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SaveAndOpen)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
