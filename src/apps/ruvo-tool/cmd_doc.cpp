// ruvo-tool doc: test documents from the command line (what the parser makes of a file,
// its source lines, packing to and from the stored form, normalising through the writer).
#include <cerrno>
#include <string>

#include <nlohmann/json.hpp>

#include "core/document/documentfile.h"
#include "core/document/documentformat.h"
#include "core/document/pagecontroler.h"
#include "core/document/qacontroler.h"
#include "core/document/wpmmeter.h"
#include "core/richtext/richtext.h"
#include "core/storage/deltacode.h"
#include "core/storage/filenames.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

// Keys in the order a reader expects them, not sorted.
using json = nlohmann::ordered_json;

// Reads a document in any of its forms; false (with the reason) when it cannot be read.
bool loadText(const std::string& path, rt::RichText& out, std::string& error) {
  if (path == "-") {
    std::string bytes;
    if (const auto read = readInput(path, bytes); !read) {
      error = read.message();
      return false;
    }
    out = doc::TextFromBytes(bytes);
    return true;
  }
  // A FIFO or device is refused here; a missing or unreadable file gets the loader's own message.
  if (const auto regular = checkInput(path); !regular && regular.error() == EINVAL) {
    error = regular.message();
    return false;
  }
  error = doc::LoadDocumentText(path, out);
  if (!error.empty()) {
    error = text::replaceAll(error, "\r\n", " ");
    return false;
  }
  return true;
}

// Writes a document's stored form; an empty one means the encoder could not take the text,
// and then nothing is written.
int store(const std::string& path, const std::string& bytes) {
  if (bytes.empty()) return refuse("cannot encode the document for " + path + ": " + storage::kMsgEncodeFailed);
  return emit(path, bytes);
}

struct Models {
  doc::TPageControler pages;
  doc::TQAControler qa{&pages};
  doc::TWPMMeter meter;
  Models() { pages.SetQAControler(&qa); }
};

json info(const doc::TPageControler& pages) {
  json props = json::object();
  for (int i = 0; i < doc::kPropertyCount; ++i)
    props[doc::kPropertyKeys[static_cast<std::size_t>(i)]] = pages.Property(i);
  json settings = json::object();
  for (int i = 0; i < doc::kSettingCount; ++i)
    settings[doc::kSettingKeys[static_cast<std::size_t>(i)]] = pages.Setting(i);
  json list = json::array();
  for (int i = 0; i < pages.PageCount(); ++i) {
    const doc::TPage& p = *pages.Page(i);
    json questions = json::array();
    for (const doc::TQAItem* q : p.Questions()) {
      json choices = json::array();
      for (int c = 0; c < q->ChoiceCount(); ++c) choices.push_back(q->ChoicePlain(c));
      questions.push_back({{"text", q->QuestionPlain()}, {"choices", choices}, {"correct", q->Correct()}});
    }
    list.push_back({{"kind", doc::KindNumber(p.Kind())},
                    {"role", doc::RoleNumber(p.Role())},
                    {"pass", p.PassFlag()},
                    {"grade", p.Grade()},
                    {"phraseMarks", p.PhraseMarks()},
                    {"caption", p.MainTextCaption()},
                    {"lowerCaption", p.LowerTextCaption()},
                    {"questions", questions}});
  }
  return json{{"properties", props}, {"settings", settings}, {"pages", list}};
}

int runDoc(const Args& words) {
  ParsedArgs parsed;
  if (int rc = parseArgs("doc", words, {}, parsed); rc != kOk) return rc;
  const Args& args = parsed.operands;
  const std::string sub = args.empty() ? std::string() : args[0];
  if (args.size() == 3)
    if (int rc = checkOutputsApart({args[1]}, {args[2]}); rc != kOk) return rc;
  std::string error;
  if ((sub == "info" || sub == "source") && args.size() == 2) {
    rt::RichText work;
    if (!loadText(args[1], work, error)) return refuse(error);
    if (sub == "source") {
      std::string out;
      for (const rt::Paragraph& p : work.paragraphs()) out += p.text() + "\n";
      return emit("-", out);
    }
    Models m;
    doc::ParseDocument(work, m.pages, m.qa, m.meter);
    return emit("-", info(m.pages).dump(2, ' ', false, json::error_handler_t::replace) + "\n");
  }
  if (sub == "pack" && args.size() == 3) {
    std::string rtf;
    if (const auto read = readInput(args[1], rtf); !read) return refuse(read.message());
    return store(args[2], storage::TDeltaCode::encode(rtf));
  }
  if (sub == "unpack" && args.size() == 3) {
    std::string coded, plain, msg;
    if (const auto read = readInput(args[1], coded); !read) return refuse(read.message());
    if (!coded.empty() && !storage::TDeltaCode::decode(coded, plain, &msg))
      return refuse(args[1] + ": " + doc::kMsgReadFailed + " (" + msg + ")");
    return emit(args[2], plain);
  }
  if (sub == "normalize" && args.size() == 3) {
    rt::RichText work;
    if (!loadText(args[1], work, error)) return refuse(error);
    Models m;
    doc::ParseDocument(work, m.pages, m.qa, m.meter);
    rt::RichText written;
    m.pages.WriteDocument(written);
    const bool ruvo = text::asciiLower(storage::ExtensionOf(args[2])) == ".ruvo";
    return ruvo ? store(args[2], doc::EncodeDocument(written)) : emit(args[2], rt::writeRtf(written));
  }
  return usageError("doc", sub.empty() ? "" : "unknown or incomplete doc command: " + sub);
}

const ToolCommand kDoc(
    "doc",
    "  doc info FILE            pages, questions and settings of a test document (.ruvo, .ruvp, .rtf) as JSON\n"
    "  doc source FILE          the document's text lines, UTF-8\n"
    "  doc pack IN.rtf OUT.ruvo store an RTF document as a test document\n"
    "  doc unpack IN.ruvo OUT   the RTF inside a test document\n"
    "  doc normalize IN OUT     parse and write back (OUT .ruvo: stored form; otherwise RTF)\n"
    "      FILE, IN \"-\": standard input; OUT \"-\": standard output; OUT must not be IN.\n",
    runDoc);

}  // namespace
}  // namespace ruvo::tool
