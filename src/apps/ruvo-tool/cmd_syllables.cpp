// ruvo-tool syllables: the engine's syllable and consonant counts of single words.
#include <optional>

#include "core/authoring/tovgine.h"
#include "core/authoring/worddata.h"
#include "core/text/cp932.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {

int parseWordDataOption(const std::string& command, const Args& words, bool unknownAreOperands, ParsedArgs& parsed,
                        std::optional<std::string>& path);
int loadWordDataOption(const std::optional<std::string>& path, authoring::TWordLists& data);

namespace {

int runSyllables(const Args& args) {
  // A word may start with a hyphen ("-ing"): only --word-data and "--" are options.
  ParsedArgs parsed;
  std::optional<std::string> dataPath;
  if (int rc = parseWordDataOption("syllables", args, true, parsed, dataPath); rc != kOk) return rc;
  authoring::TWordLists data;
  if (int rc = loadWordDataOption(dataPath, data); rc != kOk) return rc;
  std::vector<std::string> words = parsed.operands;
  if (words.empty()) {
    std::string input;
    if (const auto read = readInput("-", input); !read) return refuse(read.message());
    words = text::splitLines(input);
  }
  authoring::TTovgine engine;
  engine.Init();
  engine.WordData = &data;
  std::string out;
  for (const std::string& w : words) {
    const std::string bytes = text::utf8ToCp932(w);
    out += w;
    out += '\t';
    out += std::to_string(engine.CountSyllables(bytes));
    out += '\t';
    out += std::to_string(engine.CountConsonants(bytes));
    out += '\n';
  }
  return emit("-", out);
}

const ToolCommand kSyllables{"syllables",
                             "  syllables [--word-data FILE] [WORD...]\n"
                             "      Prints for each word (one per line on standard input without WORD) the word, a\n"
                             "      tab, its syllables, a tab and its consonant sounds.\n",
                             runSyllables};

}  // namespace
}  // namespace ruvo::tool
