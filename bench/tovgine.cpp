// Analyse throughput on a long passage, in words per second (items_per_second).
#include <benchmark/benchmark.h>

#include <string>

#include "core/authoring/tovgine.h"
#include "core/authoring/worddata.h"

using namespace ruvo;

namespace {

const char* const kSentences[] = {
    "The children walked slowly along the river, watching the boats drift past the old stone bridge. ",
    "Mr. Smith, who had taught mathematics for thirty years, explained the problem again; nobody understood it. ",
    "In 1990 the population of the city was about 3.14 million, and it has grown every year since. ",
    "Scientists believe that the unexpected discoveries will eventually transform our understanding of the universe! ",
    "\"Why don't you come with us?\" she asked, smiling at her brother's surprised expression. ",
    "Beautiful gardens, quiet libraries and friendly neighbours made the little town a wonderful place to live. ",
};

std::string passage(std::size_t words) {
  std::string s;
  std::size_t n = 0;
  for (std::size_t i = 0; n < words; ++i) {
    const std::string part = kSentences[i % std::size(kSentences)];
    s += part;
    for (char c : part) n += c == ' ';
  }
  return s;
}

const authoring::TWordLists& wordData() {
  static const authoring::TWordLists data = [] {
    authoring::TWordLists d;
    if (!authoring::LoadEmbeddedWordData(d)) {
      std::string error;
      authoring::LoadWordDataFile(std::string(RUVO_FIXTURES_DIR) + "/../../data/worddata.txt", d, error);
    }
    return d;
  }();
  return data;
}

void BM_Analyse(benchmark::State& state) {
  const std::string text = passage(static_cast<std::size_t>(state.range(0)));
  authoring::TTovgine e;
  e.WordData = &wordData();
  std::int64_t words = 0;
  for (auto _ : state) {
    e.Init();
    e.Text = text;
    e.Analyse();
    words += e.WordCount;
    benchmark::DoNotOptimize(e.SyllableCount);
  }
  state.SetItemsProcessed(words);
}
BENCHMARK(BM_Analyse)->Arg(100000);

void BM_CountSyllables(benchmark::State& state) {
  authoring::TTovgine e;
  e.Init();
  e.WordData = &wordData();
  const char* words[] = {"understanding", "beautiful", "mathematics", "the", "eventually", "neighbours"};
  std::int64_t n = 0;
  for (auto _ : state) {
    for (const char* w : words) benchmark::DoNotOptimize(e.CountSyllables(w));
    n += std::size(words);
  }
  state.SetItemsProcessed(n);
}
BENCHMARK(BM_CountSyllables);

}  // namespace

BENCHMARK_MAIN();
