// ruvo-tool compile: a script and a template compiled into a test document, as Create and
// Save do it in the window, with the script header filling the property and setting grids.
#include <iostream>
#include <optional>

#include "core/authoring/compiler.h"
#include "core/authoring/scriptfile.h"
#include "core/document/documentfile.h"
#include "core/platform/systemclock.h"
#include "core/richtext/richtext.h"
#include "core/storage/atomicfile.h"
#include "core/storage/deltacode.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

// A stop: the system's message alone, with LF line ends.
int stop(const std::string& message) {
  std::string m = text::replaceAll(message, "\r\n", "\n");
  if (m.empty() || m.back() != '\n') m += '\n';
  std::cerr << m;
  return kRefused;
}

bool readText(const std::string& path, rt::RichText& out, std::string& error) {
  std::string bytes;
  if (const platform::Status read = readInput(path, bytes); !read) {
    error = read.message();
    return false;
  }
  out = doc::TextFromBytes(bytes);
  return true;
}

int runCompile(const Args& args) {
  ParsedArgs parsed;
  if (int rc = parseArgs("compile", args, {{"--no-numbers", "--no-indent"}, {"-o", "--project", "--title"}}, parsed);
      rc != kOk)
    return rc;
  std::string out, project;
  std::optional<std::string> title;
  authoring::CompileInputs in;
  bool numbers = true, indent = true;
  for (const auto& [name, value] : parsed.options) {
    if (name == "-o")
      out = value;
    else if (name == "--project")
      project = value;
    else if (name == "--title")
      title = value;
    else if (name == "--no-numbers")
      numbers = false;
    else if (name == "--no-indent")
      indent = false;
  }
  const std::vector<std::string>& files = parsed.operands;
  if (files.size() != 2) return usageError("compile", "a script and a template");
  if (out.empty()) return usageError("compile", "-o OUT.ruvo is required");
  std::vector<std::string> outputs{out};
  if (!project.empty()) outputs.push_back(project);
  if (int rc = checkOutputsApart(files, outputs); rc != kOk) return rc;

  rt::RichText script, templ;
  std::string error;
  if (!readText(files[0], script, error) || !readText(files[1], templ, error)) return stop(error);

  in = authoring::ReadScriptHeader(script);
  in.autoNumbers = numbers;
  in.autoIndent = indent;
  authoring::CompileHooks hooks;
  hooks.year = platform::SystemClock().now().year;
  hooks.askTitle = [&](const std::string&, const std::string&, const std::string&) { return title; };
  authoring::CompileResult r = authoring::CompileScript(std::move(script), std::move(templ), in, hooks);
  if (!r.ok()) return stop(r.message);

  // What Save writes: the document into the work area, then the stored test document and
  // the uncompressed project, put in place together or not at all.
  rt::RichText work;
  r.document->pages.WriteDocument(work);
  const std::string ruvo = doc::EncodeDocument(work);
  if (ruvo.empty()) return refuse("cannot encode the document for " + out + ": " + storage::kMsgEncodeFailed);
  std::vector<Output> written{{out, ruvo}};
  if (!project.empty()) written.push_back({project, rt::writeRtf(work)});
  return emitAll(written);
}

const ToolCommand kCompile{
    "compile",
    "  compile SCRIPT.rtf TEMPLATE.rtf -o OUT.ruvo [--project OUT.ruvp] [--title TEXT]\n"
    "          [--no-numbers] [--no-indent]\n"
    "      Compiles a script into a template as Create does: the script's header lines give the\n"
    "      properties and settings; --title answers the title question when the header has no\n"
    "      title; --no-numbers and --no-indent uncheck the automatic numbers and indents.\n"
    "      Writes the test document (and the project). A stop prints the message and writes\n"
    "      nothing; so does a failure to write either file. SCRIPT or TEMPLATE \"-\" is standard\n"
    "      input, OUT \"-\" standard output; an output that is an input or the other output is\n"
    "      refused (exit 2).\n",
    runCompile};

}  // namespace
}  // namespace ruvo::tool
