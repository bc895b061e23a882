#include "core/shell/version.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace ruvo::shell {

std::string FileDateText(const std::string& path) {
  std::error_code ec;
  const auto t = std::filesystem::last_write_time(path, ec);
  if (ec) return "不明";
  const std::time_t tt = std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(t));
  std::tm tm{};
  if (!localtime_r(&tt, &tm)) return "不明";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                tm.tm_min);
  return buf;
}

VersionInfo CurrentVersionInfo(platform::Shell& shell) {
  VersionInfo v;
  v.version = shell.version();
  if (v.version.empty()) v.version = "不明";
  v.executable = shell.programPath();
  v.fileDate = FileDateText(v.executable);
  v.system = shell.systemName();
  return v;
}

std::string VersionBoxText(const VersionInfo& info) {
  const char* sep = "\r\n\r\n";
  return std::string("----- バージョン情報 -----") + sep + "名前： " + info.product + sep + "製作・著作： " +
         info.maker + sep + "バージョン： " + info.version + sep + "作成日： " + info.fileDate + sep +
         "実行ファイル： " + info.executable + sep + info.system;
}

void acShowVersion(const platform::Ports& ports) {
  ports.dialogs->message(VersionBoxText(CurrentVersionInfo(*ports.shell)));
}

}  // namespace ruvo::shell
