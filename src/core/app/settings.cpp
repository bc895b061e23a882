#include "core/app/settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/storage/atomicfile.h"
#include "core/text/cp932.h"
#include "core/text/strings.h"
#include "core/text/utf8.h"

namespace ruvo::app {
namespace {

// Held while the settings file is read, changed and written: the teacher's program and an
// examinee program started from it may close at the same moment. The lock is a file of its
// own beside the settings, so that replacing the settings file never drops it.
class SettingsLock final {
 public:
  explicit SettingsLock(const std::string& settingsPath) {
    fd_ = ::open((settingsPath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~SettingsLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  SettingsLock(const SettingsLock&) = delete;
  SettingsLock& operator=(const SettingsLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {}

bool TIniFile::Load() {
  std::string bytes;
  if (!storage::readWholeFile(path_, bytes)) return false;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  SetText(text::isValidUtf8(bytes) ? bytes : text::cp932ToUtf8(bytes));
  return true;
}

void TIniFile::SetText(const std::string& t) {
  sections_.clear();
  Section* cur = nullptr;
  for (const auto& raw : text::splitLines(t)) {
    std::string line = text::trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      std::string name = line.substr(1, line.size() - 2);
      cur = find(name);
      if (!cur) {
        sections_.push_back({name, {}});
        cur = &sections_.back();
      }
      continue;
    }
    auto eq = line.find('=');
    if (!cur || eq == std::string::npos) continue;
    cur->entries.emplace_back(text::trim(line.substr(0, eq)), line.substr(eq + 1));
  }
}

std::string TIniFile::Text() const {
  std::string out;
  for (const auto& s : sections_) {
    out += "[" + s.name + "]\r\n";
    for (const auto& [k, v] : s.entries) out += k + "=" + v + "\r\n";
    out += "\r\n";
  }
  return out;
}

bool TIniFile::Save() const { return storage::writeFileAtomic(path_, Text()).ok(); }

TIniFile::Section* TIniFile::find(const std::string& section) {
  for (auto& s : sections_)
    if (text::equalsIgnoreCase(s.name, section)) return &s;
  return nullptr;
}

const TIniFile::Section* TIniFile::find(const std::string& section) const {
  for (const auto& s : sections_)
    if (text::equalsIgnoreCase(s.name, section)) return &s;
  return nullptr;
}

std::optional<std::string> TIniFile::Read(const std::string& section, const std::string& key) const {
  const Section* s = find(section);
  if (!s) return std::nullopt;
  for (const auto& [k, v] : s->entries)
    if (text::equalsIgnoreCase(k, key)) return v;
  return std::nullopt;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  auto v = Read(section, key);
  return v ? *v : def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  auto v = Read(section, key);
  return v ? text::parseIntDef(text::trim(*v), def) : def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  Section* s = find(section);
  if (!s) {
    sections_.push_back({section, {}});
    s = &sections_.back();
  }
  for (auto& [k, v] : s->entries)
    if (text::equalsIgnoreCase(k, key)) {
      v = value;
      return;
    }
  s->entries.emplace_back(key, value);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

TSettings LoadSettings(const std::string& path) {
  TSettings s;
  TIniFile ini(path);
  if (!ini.Load()) return s;
  s.fileExisted = true;
  auto opt = [&](const char* key) -> std::optional<int> {
    auto v = ini.Read(kSettingSection, key);
    if (!v) return std::nullopt;
    return text::parseInt(text::trim(*v));
  };
  s.left = opt("left");
  s.top = opt("top");
  s.width = opt("width");
  s.height = opt("height");
  s.interval = std::max(ini.ReadInteger(kSettingSection, "interval", 7000), 3000);
  s.animeDure = ini.ReadInteger(kSettingSection, "AnimeDure", 7000);
  s.dirToTeacher = ini.ReadString(kSettingSection, "dirtoteacher", "");
  s.dirToLearner = ini.ReadString(kSettingSection, "dirtolearner", "");
  s.spss = ini.ReadInteger(kSettingSection, "spss", 0) == 1;
  s.retrieve = ini.ReadInteger(kSettingSection, "Retrieve", 1) == 1;
  return s;
}

bool SaveSettings(const std::string& path, const TSettings& s, const platform::Rect& w) {
  SettingsLock lock(path);
  TIniFile ini(path);
  ini.Load();  // keep what other programs, windows or versions wrote
  ini.WriteInteger(kSettingSection, "left", w.left);
  ini.WriteInteger(kSettingSection, "top", w.top);
  ini.WriteInteger(kSettingSection, "width", w.width);
  ini.WriteInteger(kSettingSection, "height", w.height);
  ini.WriteInteger(kSettingSection, "interval", std::max(s.interval, 3000));
  ini.WriteInteger(kSettingSection, "AnimeDure", std::max(s.animeDure, 3000));
  ini.WriteString(kSettingSection, "dirtoteacher", s.dirToTeacher);
  ini.WriteString(kSettingSection, "dirtolearner", s.dirToLearner);
  ini.WriteInteger(kSettingSection, "spss", s.spss ? 1 : 0);
  ini.WriteInteger(kSettingSection, "Retrieve", s.retrieve ? 1 : 0);
  return ini.Save();
}

namespace {
long long overlap(const platform::Rect& a, const platform::Rect& b) {
  const long long w = std::min<long long>(a.left + a.width, b.left + b.width) - std::max(a.left, b.left);
  const long long h = std::min<long long>(a.top + a.height, b.top + b.height) - std::max(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}
}  // namespace

platform::Rect FitWindow(platform::Rect r, const std::vector<platform::Rect>& monitors, FrameSize frame) {
  if (monitors.empty()) return r;
  r.width = std::max(r.width, kWindowMinWidth);
  r.height = std::max(r.height, kWindowMinHeight);
  const platform::Rect outer{r.left, r.top, r.width + frame.width, r.height + frame.height};
  const platform::Rect* home = &monitors.front();
  long long best = 0;
  for (const auto& m : monitors) {
    const long long a = overlap(outer, m);
    if (a > best) {
      best = a;
      home = &m;
    }
  }
  // A window taller or wider than its monitor hides its edges whatever its position: it shrinks.
  r.width = std::max(kWindowMinWidth, std::min(r.width, home->width - frame.width));
  r.height = std::max(kWindowMinHeight, std::min(r.height, home->height - frame.height));
  // Then it moves inside; a monitor smaller than the minimum size keeps the title bar on screen.
  r.left = std::max(home->left, std::min(r.left, home->left + home->width - r.width - frame.width));
  r.top = std::max(home->top, std::min(r.top, home->top + home->height - r.height - frame.height));
  return r;
}

platform::Rect PlaceWindow(const TSettings& s, const std::vector<platform::Rect>& monitors, FrameSize frame) {
  const std::vector<platform::Rect> screens =
      monitors.empty() ? std::vector<platform::Rect>{{0, 0, 1920, 1080}} : monitors;
  const platform::Rect& primary = screens.front();
  const int screenW = primary.width, screenH = primary.height;
  platform::Rect r;
  // The window never gets smaller than its minimum size, so the edges are computed from the
  // size it really takes.
  auto clampSize = [&] {
    r.width = std::max(r.width, kWindowMinWidth);
    r.height = std::max(r.height, kWindowMinHeight);
  };
  if (!s.fileExisted) {
    r.width = 600;
    r.height = screenH * 4 / 5;
    clampSize();
    r.left = (screenW - r.width) / 2 - 16;
    r.top = r.height / 10 - 16;
    return FitWindow(r, screens, frame);
  }
  r.width = s.width.value_or(std::min(600, screenW));
  r.height = s.height.value_or(screenH * 4 / 5);
  clampSize();
  r.left = s.left.value_or((screenW - r.width) / 2);
  r.top = s.top.value_or(r.height / 10);
  return FitWindow(r, screens, frame);
}

}  // namespace ruvo::app
