// ruvo-tool compile: a script and a template compiled into a test document, as Create and
// Save do it in the window, with the script header filling the property and setting grids.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <iostream>

#include "core/authoring/compiler.h"
#include "core/authoring/scriptfile.h"
#include "core/document/documentfile.h"
#include "core/richtext/richtext.h"
#include "core/storage/atomicfile.h"
#include "core/storage/deltacode.h"
#include "core/text/strings.h"
#include "tool.h"

namespace ruvo::tool {
namespace {

int currentYear() {
  const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm.tm_year + 1900;
}

// A stop: the system's message alone, with LF line ends.
int stop(const std::string& message) {
  std::string m = text::replaceAll(message, "\r\n", "\n");
  if (m.empty() || m.back() != '\n') m += '\n';
  std::cerr << m;
  return kRefused;
}

bool readText(const std::string& path, rt::RichText& out, std::string& error) {
  std::string bytes;
  if (!storage::readWholeFile(path, bytes)) {
    error = path + ": " + (errno ? std::strerror(errno) : "cannot be read");
    return false;
  }
  out = doc::TextFromBytes(bytes);
  return true;
}

int runCompile(const Args& args) {
  std::vector<std::string> files;
  std::string out, project;
  std::optional<std::string> title;
  authoring::CompileInputs in;
  bool numbers = true, indent = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    if (a == "-o") {
      if (!value(out)) return usageError("compile", "-o needs a file");
    } else if (a == "--project") {
      if (!value(project)) return usageError("compile", "--project needs a file");
    } else if (a == "--title") {
      std::string t;
      if (!value(t)) return usageError("compile", "--title needs a text");
      title = t;
    } else if (a == "--no-numbers") {
      numbers = false;
    } else if (a == "--no-indent") {
      indent = false;
    } else if (a.size() > 1 && a[0] == '-') {
      return usageError("compile", "unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return usageError("compile", "a script and a template");
  if (out.empty()) return usageError("compile", "-o OUT.ruvo is required");

  rt::RichText script, templ;
  std::string error;
  if (!readText(files[0], script, error) || !readText(files[1], templ, error)) return stop(error);

  in = authoring::ReadScriptHeader(script);
  in.autoNumbers = numbers;
  in.autoIndent = indent;
  authoring::CompileHooks hooks;
  hooks.year = currentYear();
  hooks.askTitle = [&](const std::string&, const std::string&, const std::string&) { return title; };
  authoring::CompileResult r = authoring::CompileScript(std::move(script), std::move(templ), in, hooks);
  if (!r.ok()) return stop(r.message);

  // What Save writes: the document into the work area, then the stored test document and
  // the uncompressed project. Both are made before either is written.
  rt::RichText work;
  r.document->pages.WriteDocument(work);
  const std::string ruvo = doc::EncodeDocument(work);
  const std::string rtf = project.empty() ? std::string() : rt::writeRtf(work);
  if (ruvo.empty()) return refuse("cannot encode the document for " + out + ": " + storage::kMsgEncodeFailed);
  if (int rc = emit(out, ruvo); rc != kOk) return rc;
  if (!project.empty()) {
    if (int rc = emit(project, rtf); rc != kOk) {
      if (out != "-") std::remove(out.c_str());
      return rc;
    }
  }
  return kOk;
}

const ToolCommand kCompile{
    "compile",
    "  compile SCRIPT.rtf TEMPLATE.rtf -o OUT.ruvo [--project OUT.ruvp] [--title TEXT]\n"
    "          [--no-numbers] [--no-indent]\n"
    "      Compiles a script into a template as Create does: the script's header lines give the\n"
    "      properties and settings; --title answers the title question when the header has no\n"
    "      title; --no-numbers and --no-indent uncheck the automatic numbers and indents.\n"
    "      Writes the test document (and the project). A stop prints the message and writes\n"
    "      nothing.\n",
    runCompile};

}  // namespace
}  // namespace ruvo::tool
