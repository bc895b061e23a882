// ruvo-tool grade: measures an English passage as the compiler measures a reading page.
#include <cerrno>
#include <cmath>
#include <optional>

#include <nlohmann/json.hpp>

#include "core/authoring/grade.h"
#include "core/authoring/tovgine.h"
#include "core/authoring/worddata.h"
#include "tool.h"

namespace ruvo::tool {

int parseWordDataOption(const std::string& command, const Args& words, bool unknownAreOperands, ParsedArgs& parsed,
                        std::optional<std::string>& path);

namespace {

// Loads the named word data, or the embedded data when none is named.
int loadWordData(const std::optional<std::string>& path, authoring::TWordLists& data) {
  if (path) {
    // A FIFO or device is refused; other failures keep the loader's own message.
    if (const auto regular = checkInput(*path); !regular && regular.error() == EINVAL) return refuse(regular.message());
    std::string error;
    if (!authoring::LoadWordDataFile(*path, data, error)) return refuse(error);
    return kOk;
  }
  if (const platform::Status loaded = authoring::LoadEmbeddedWordData(data); !loaded) return refuse(loaded.message());
  return kOk;
}

int runGrade(const Args& words) {
  ParsedArgs parsed;
  std::optional<std::string> dataPath;
  if (int rc = parseWordDataOption("grade", words, false, parsed, dataPath); rc != kOk) return rc;
  const Args& args = parsed.operands;
  if (args.size() > 1) return usageError("grade", "at most one text file");
  authoring::TWordLists data;
  if (int rc = loadWordData(dataPath, data); rc != kOk) return rc;
  std::string passage;
  if (const auto read = readInput(args.empty() ? "-" : args[0], passage); !read) return refuse(read.message());
  if (passage.starts_with("\xEF\xBB\xBF")) passage.erase(0, 3);

  authoring::TTovgine engine;
  const int grade = authoring::GradePassage(passage, &data, engine);
  const std::optional<double> tvjp = authoring::TVJP(engine);
  nlohmann::ordered_json out;
  out["sentences"] = engine.SentenceCount;
  out["clauses"] = engine.ClauseCount;
  out["phrases"] = engine.PhraseCount;
  out["words"] = engine.WordCount;
  out["letters"] = engine.LetterCount;
  out["syllables"] = engine.SyllableCount;
  out["consonants"] = engine.ConsonantCount;
  out["oneSyllableWords"] = engine.OneSyllableWords;
  out["longWords"] = engine.LongWords;
  out["sentenceOpen"] = engine.SentenceOpen;
  out["clauseOpen"] = engine.ClauseOpen;
  out["phraseOpen"] = engine.PhraseOpen;
  out["tvjp"] = tvjp ? *tvjp : 0.0;
  out["grade"] = grade;
  return emit("-", out.dump(2) + "\n");
}

const ToolCommand kGrade{"grade",
                         "  grade [--word-data FILE] [TEXTFILE]\n"
                         "      Measures an English passage (UTF-8; standard input without TEXTFILE or when it is\n"
                         "      \"-\") as a reading page is graded and prints the counts, TVJP and the grade (ten\n"
                         "      times TVJP) as JSON.\n"
                         "      tvjp and grade are 0 when no clause (or no phrase) was closed.\n"
                         "      --word-data FILE: word data in place of the embedded data, a compressed string\n"
                         "      list or plain \"[section]\" lines; an empty file means every section empty.\n",
                         runGrade};

}  // namespace

// Shared with cmd_syllables.cpp: the words of a command that takes "--word-data FILE".
int parseWordDataOption(const std::string& command, const Args& words, bool unknownAreOperands, ParsedArgs& parsed,
                        std::optional<std::string>& path) {
  OptionSpec spec{{}, {"--word-data"}, unknownAreOperands};
  if (int rc = parseArgs(command, words, spec, parsed); rc != kOk) return rc;
  for (const auto& [name, value] : parsed.options) path = value;
  return kOk;
}
int loadWordDataOption(const std::optional<std::string>& path, authoring::TWordLists& data) {
  return loadWordData(path, data);
}

}  // namespace ruvo::tool
