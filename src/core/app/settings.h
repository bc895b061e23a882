#pragma once
// The settings file tovimeter.ini (section "setting") and the window placement it gives.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/ports.h"

namespace ruvo::app {

// A small .ini reader/writer: sections of key=value lines. Keys compare ignoring ASCII case,
// as the toolkit's ini files do. The file is read as UTF-8 (or CP932 when it is not valid
// UTF-8, as files from earlier installations are) and written as UTF-8 with CRLF.
class TIniFile final {
 public:
  TIniFile() = default;
  explicit TIniFile(std::string path);
  bool Load();        // false when the file does not exist or cannot be read
  bool Save() const;  // atomic replace through the storage writer (links and modes kept)
  const std::string& Path() const { return path_; }

  std::optional<std::string> Read(const std::string& section, const std::string& key) const;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // A value that is not a number gives the default.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);

  std::string Text() const;  // the file's text (UTF-8, CRLF)
  void SetText(const std::string& text);

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
  };
  Section* find(const std::string& section);
  const Section* find(const std::string& section) const;
  std::string path_;
  std::vector<Section> sections_;
};

// Every key of section "setting", with the built-in values standing when the file is absent.
struct TSettings {
  bool fileExisted = false;
  std::optional<int> left, top, width, height;  // absent keys: placement defaults
  int interval = 7000;                          // feedback graph collection timer, at least 3000 when read
  int animeDure = 7000;                         // replay animation duration
  std::string dirToTeacher;                     // collection folder (delivery window)
  std::string dirToLearner;                     // distribution folder (delivery window)
  bool spss = false;                            // CheckBox3 "SPSS対応"
  bool retrieve = true;                         // cbRetrieve of the delivery window
};

inline constexpr const char* kSettingSection = "setting";

// Reads the settings file; a missing file gives fileExisted = false and the defaults.
TSettings LoadSettings(const std::string& path);
// Writes every key in the order left, top, width, height, interval, AnimeDure, dirtoteacher,
// dirtolearner, spss, Retrieve, keeping other sections and keys of the file. The file is read,
// changed and written under a lock (a file beside it, path + ".lock"); a link stays a link and
// the file keeps its permission bits. These keys are the teacher's program's own: the examinee
// program never calls this (see TForm1Model::SetExamineeProgram).
bool SaveSettings(const std::string& path, const TSettings& s, const platform::Rect& window);

// What the window manager's frame (title bar, borders) adds to the window's own width and height.
struct FrameSize {
  int width = 0, height = 0;
};

// The smallest size the main window takes; it never gets smaller, even on a smaller screen.
inline constexpr int kWindowMinWidth = 570, kWindowMinHeight = 500;

// Window placement from the settings. The monitors are the areas windows may cover (without the
// desktop's panels); the first is the primary screen, whose size gives the defaults. The saved
// window is then fitted as FitWindow does.
platform::Rect PlaceWindow(const TSettings& s, const std::vector<platform::Rect>& monitors, FrameSize frame = {});

// Pulls a window (left/top: the outer corner; width/height: without the frame) onto the monitor
// that holds most of it, or the primary one when none does: a window larger than that monitor
// shrinks to it (not below the minimum size), then moves inside it, so that no edge, and no
// button of the bottom bar, lies off the screen.
platform::Rect FitWindow(platform::Rect window, const std::vector<platform::Rect>& monitors, FrameSize frame = {});

}  // namespace ruvo::app
