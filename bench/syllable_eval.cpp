// Agreement of CountSyllables with reference syllable counts: exact (share of words whose
// count is one of the allowed counts) and weighted by the words' corpus frequency, with the
// embedded word data and with every section empty.
//
//   bench_syllable_eval [TSV...]   (default: the project's top-5000 evaluation file)
// TSV lines: word, allowed counts separated by commas, rank, count; a header line is skipped.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/authoring/tovgine.h"
#include "core/authoring/worddata.h"
#include "core/text/strings.h"

using namespace ruvo;

namespace {

struct Item {
  std::string word;
  std::vector<int> allowed;
  double count = 0;
};

bool readTsv(const std::string& path, std::vector<Item>& items) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = text::split(text::trimRight(line), '\t');
    if (f.size() < 2) continue;
    Item it;
    it.word = f[0];
    for (const std::string& a : text::split(f[1], ',')) {
      const auto n = text::parseInt(text::trim(a));
      if (n) it.allowed.push_back(*n);
    }
    if (it.allowed.empty()) continue;  // the header
    it.count = f.size() >= 4 ? std::atof(f[3].c_str()) : 1.0;
    items.push_back(std::move(it));
  }
  return true;
}

void measure(const char* label, const std::vector<Item>& items, const authoring::TWordLists& data) {
  authoring::TTovgine e;
  e.Init();
  e.WordData = &data;
  std::size_t ok = 0;
  double wsum = 0, wok = 0;
  for (const Item& it : items) {
    const int n = e.CountSyllables(it.word);
    bool good = false;
    for (int a : it.allowed) good = good || a == n;
    ok += good;
    wsum += it.count;
    if (good) wok += it.count;
  }
  std::printf("  %-18s exact %6.2f%%  weighted %6.2f%%  (%zu words)\n", label,
              items.empty() ? 0.0 : 100.0 * static_cast<double>(ok) / static_cast<double>(items.size()),
              wsum > 0 ? 100.0 * wok / wsum : 0.0, items.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
  if (files.empty()) files.push_back(std::string(RUVO_EVAL_DIR) + "/syllables-top5000.tsv");

  authoring::TWordLists embedded;
  const char* source = "embedded word data";
  if (!authoring::LoadEmbeddedWordData(embedded)) {
    std::string error;
    const std::string plain = std::string(RUVO_FIXTURES_DIR) + "/../../data/worddata.txt";
    if (!authoring::LoadWordDataFile(plain, embedded, error)) {
      std::fprintf(stderr, "no word data: %s\n", error.c_str());
      return 1;
    }
    source = "data/worddata.txt (not embedded in this build)";
  }
  const authoring::TWordLists empty;
  for (const std::string& f : files) {
    std::vector<Item> items;
    if (!readTsv(f, items)) {
      std::fprintf(stderr, "cannot read %s\n", f.c_str());
      return 1;
    }
    std::printf("%s\n", f.c_str());
    measure(source, items, embedded);
    measure("empty word data", items, empty);
  }
  return 0;
}
