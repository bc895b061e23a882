#pragma once
// The version box ("Version(&V)").
#include <string>

#include "core/platform/ports.h"

namespace ruvo::shell {

inline constexpr const char* kProductName = "tovimeter （Ruvo ルーヴォ）";
inline constexpr const char* kMakerName = "Toviworks";

struct VersionInfo {
  std::string product = kProductName;
  std::string maker = kMakerName;
  std::string version;     // from the build
  std::string fileDate;    // "yyyy/mm/dd hh:nn"
  std::string executable;  // the running program's path
  std::string system;      // the operating system's name and release
};

// The modification time of a file in local time as "yyyy/mm/dd hh:nn"; "不明" when unreadable.
std::string FileDateText(const std::string& path);

// The facts of the running program, asked of the shell port.
VersionInfo CurrentVersionInfo(platform::Shell& shell);

// The box's text: its heading and one item per paragraph, separated by blank lines.
std::string VersionBoxText(const VersionInfo& info);

// acShowVersion.
void acShowVersion(const platform::Ports& ports);

}  // namespace ruvo::shell
