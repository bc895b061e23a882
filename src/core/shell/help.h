#pragma once
// The manual: where it lives, which control opens it at which anchor, and opening it in the
// user's browser.
#include <string>
#include <vector>

#include "core/platform/ports.h"

namespace ruvo::shell {

inline constexpr const char* kManualHtml = "system/help/ruvo-help.html";
inline constexpr const char* kManualPdf = "system/help/ruvo-help.pdf";

// programFolder + "system/help/ruvo-help.html" (or .pdf).
std::string ManualPath(const std::string& programFolder, bool pdf = false);

// A help control and the anchor it opens. An empty anchor opens the manual at its top.
struct HelpLink {
  const char* control;
  const char* caption;  // the label's text; empty for buttons that show an icon
  const char* anchor;
};
// Every fixed help entry of the main window, help tab labels first (in the order they are shown).
const std::vector<HelpLink>& HelpLinks();
const HelpLink* FindHelpLink(const std::string& control);

// Captions of the controls whose right-button release opens the manual at their own caption.
// The manual carries a section for each.
const std::vector<std::string>& CaptionAnchors();

// file:// URL of an absolute path, with an optional fragment; every byte that is not unreserved
// or '/' is percent-encoded (UTF-8 names, blanks, '#').
std::string FileUrl(const std::string& absolutePath, const std::string& fragment = {});

// What the browser is handed for (path, anchor): the anchor is trimmed; a per-anchor file (the
// path without extension + "_" + anchor + ".html") is preferred when it exists; otherwise the
// manual's URL with the anchor as fragment. An empty anchor gives the manual itself.
std::string HelpTarget(const std::string& path, const std::string& anchor);

// Opens the manual at the anchor through the shell; failures are told in a message box.
//
// A browser window that already shows the manual is not closed first: there is no portable way
// to find a window by its title, and a tabbed browser's window holds the user's other pages too.
// The browser brings up the manual at the anchor in a new tab instead.
void OpenHelpAt(const platform::Ports& ports, const std::string& path, const std::string& anchor);

// "Manual(&M)": the relative "system/help/ruvo-help.html" (current folder, then the program
// folder) opened as a file, without an anchor.
void OpenManualFile(const platform::Ports& ports, const std::string& programFolder);

}  // namespace ruvo::shell
