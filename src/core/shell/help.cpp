#include "core/shell/help.h"

#include <filesystem>
#include <system_error>

#include "core/app/paths.h"
#include "core/text/strings.h"

namespace ruvo::shell {

namespace {
constexpr const char* kTwoBreaks = "\r\n\r\n";

void tell(const platform::Ports& ports, const std::string& text) { ports.dialogs->message(text); }

std::string absolute(const std::string& path) {
  std::error_code ec;
  auto p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}
}  // namespace

std::string ManualPath(const std::string& programFolder, bool pdf) {
  return app::JoinPath(programFolder, pdf ? kManualPdf : kManualHtml);
}

const std::vector<HelpLink>& HelpLinks() {
  static const std::vector<HelpLink> links = {
      {"Label17", "はじめてのルーヴォ", "StartRuvoPro"},
      {"Label18", "試験の実施から集計まで", "4STEPS"},
      {"Label19", "記述式設問を作りたい", "WRITINGQUE"},
      {"Label20", "設問にコメントを入れたい", "QUEHEADER"},
      {"Label21", "速読トレーニングをしたい", "PHRASING"},
      {"Label22", "名前の由来", "NAMING"},
      {"Label23", "関連研究論文・参考資料など", "PAPERS"},
      {"Label24", "入力する名前の書式を指示したい", "INPUTNAME"},
      {"Label25", "索引", "INDEX"},
      {"Label11", "はじめての読解テスト", "BeginReading"},
      {"Label12", "はじめてのアンケート", "BeginEnque"},
      {"Label13", "はじめてのチャンク読みテスト", "BeginChunk"},
      {"N8", "はじめての読解テスト(&R)", "BeginReading"},
      {"N9", "はじめてのアンケート(&E)", "BeginEnque"},
      {"N10", "はじめてのチャンク読みテスト(&C)", "BeginChunk"},
      {"SpeedButton19", "", "New"},
      {"SpeedButton21", "", "Script"},
      {"SpeedButton20", "", "Template"},
      {"SpeedButton14", "", "Property"},
      {"SpeedButton22", "", "CorrectAnswer"},
      {"SpeedButton23", "", "Setting"},
      {"acSend", "", "CreateZip"},
      {"ManualM2", "HTML(&H)", ""},
  };
  return links;
}

const HelpLink* FindHelpLink(const std::string& control) {
  for (const auto& l : HelpLinks())
    if (control == l.control) return &l;
  return nullptr;
}

const std::vector<std::string>& CaptionAnchors() {
  // The editing tabs' tool buttons and the two check boxes of the compile.
  static const std::vector<std::string> captions = {"Project", "Template", "Script",       "Edit",      "Review",
                                                    "Create",  "Property", "自動通し番号", "自動段下げ"};
  return captions;
}

std::string FileUrl(const std::string& absolutePath, const std::string& fragment) {
  auto encode = [](const std::string& s, bool keepSlash) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
      const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                              c == '.' || c == '_' || c == '~' || (keepSlash && c == '/');
      if (unreserved) {
        out += static_cast<char>(c);
      } else {
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 15];
      }
    }
    return out;
  };
  std::string url = "file://" + encode(absolutePath, true);
  if (!fragment.empty()) url += "#" + encode(fragment, false);
  return url;
}

std::string HelpTarget(const std::string& path, const std::string& anchor) {
  const std::string a = text::trim(anchor);
  if (a.empty()) return path;
  const std::string candidate = app::JoinPath(app::FolderOf(path), app::BaseNameOf(path) + "_" + a + ".html");
  if (app::FileExists(candidate)) return candidate;
  return FileUrl(absolute(path), a);
}

void OpenHelpAt(const platform::Ports& ports, const std::string& path, const std::string& anchor) {
  if (!app::FileExists(path)) {
    tell(ports, std::string("ファイルがありません") + kTwoBreaks + path);
    return;
  }
  if (!ports.shell->open(HelpTarget(path, anchor)))
    tell(ports, app::FileNameOf(path) + kTwoBreaks + "このファイルを開けるアプリケーションがありません");
}

void OpenManualFile(const platform::Ports& ports, const std::string& programFolder) {
  const std::string found = app::FindRelativeFile(kManualHtml, programFolder);
  if (found.empty()) {
    tell(ports, std::string(kManualHtml) + " ファイルが見つかりません");
    return;
  }
  if (!ports.shell->open(found))
    tell(ports, app::FileNameOf(found) + kTwoBreaks + "このファイルを開けるアプリケーションがありません");
}

}  // namespace ruvo::shell
