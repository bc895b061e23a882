#pragma once
// The delivery window's state without widgets: the distribution folder (where tests and the
// examinee program go), the collection folder (where results come back) with the environment
// file that names it, the test documents dropped for sending, and Send.
//
// The environment file is written into the program folder and sent from there, so Send never
// picks up a stale file from whatever folder the program happened to be started in.
#include <functional>
#include <string>
#include <vector>

#include "core/delivery/filesystem.h"
#include "core/platform/ports.h"

namespace ruvo::app {
struct TSettings;
}

namespace ruvo::delivery {

inline constexpr const char* kEnviFileName = "ruvo_envi.dat";
inline constexpr const char* kNoFolderYet = "登録は ありません";

// The environment file's bytes: the compressed list holding "ToTeacher=<folder>".
std::string EnviFileBytes(const std::string& collectionFolder);
// The collection folder an environment file names ("" when it names none or does not decode).
std::string EnviFileFolder(const std::string& bytes);

// Sends a result file into a collection folder as the examinee program does: under its own
// name or, when another examinee's result has that, "stem_2.ruvot", "stem_3.ruvot", ...; the
// name is taken atomically, so no result is ever replaced; a long name is shortened as the
// report copy's is. The path written, or "" when the folder is not there or cannot be
// written (why, when given, receives the reason with the system's message).
std::string SendResultFile(FileSystem& fs, const std::string& folder, const std::string& fileName,
                           const std::vector<std::string>& lines, std::string* why = nullptr);

// A folder name of a network place ("share - description (host)") as the path it stands
// for ("//host/share"); "" when the name is not of that form.
std::string NetworkPlacePath(const std::string& fileName);

struct CheckBox {
  bool checked = true;
  bool enabled = false;
  bool on() const { return checked && enabled; }
};

struct Label {
  std::string caption;
  bool enabled = true;
};

enum class DropBox { ToLearners, ToTeacher, SendRuvo };

class TForm3Model final {
 public:
  // programFolder: where the environment file is written and sent from; examineeProgram: the
  // examinee program file Send copies.
  TForm3Model(FileSystem& fs, platform::Dialogs* dialogs, std::string programFolder, std::string examineeProgram);

  // The create step: every send box checked and disabled, then the folders and the retrieve
  // option from the settings file when it exists.
  void Create(const app::TSettings& settings);

  void SetDistributionFolder(const std::string& path);
  void SetCollectionFolder(const std::string& path);
  // True when path is an existing folder; otherwise label + the reason, in a message box
  // when show is set.
  bool CheckFolder(const std::string& path, const std::string& label, bool show);

  // Files or folders dropped on one of the group boxes.
  void Drop(DropBox box, const std::vector<std::string>& items);

  // "送る": copies the checked files into the distribution folder. Returns the message shown
  // ("" when a folder check stopped it; its own message was shown then).
  std::string Send();
  // "開始": true when the window closes with OK (a collection folder is set and there).
  bool Start();

  const std::string& FDistributionFolder() const { return distribution_; }
  const std::string& FCollectionFolder() const { return collection_; }
  const std::vector<std::string>& FDroppedDocs() const { return droppedDocs_; }
  std::string EnviFilePath() const;
  const std::string& ProgramFolder() const { return programFolder_; }
  // A message in the window's message box (the web room's failures).
  void Message(const std::string& text) { say(text); }

  // The controls' states, read by the window.
  CheckBox cbSendRuvoExe, cbSendEnvi, cbSendRuvoFile;
  bool cbRetrieve = true;
  Label lbToLearners{kNoFolderYet, false};
  Label lbToTeacher{kNoFolderYet, false};
  Label lbMsgToLearners{"note: ルーヴォ関連ファイルの配布先のフォルダアイコン（ショートカット）を、ここにＤ＆Ｄする.",
                        true};
  Label lbMsgToTeacher{"note: 結果ファイルの回収先のフォルダアイコン（ショートカット）を、ここにＤ＆Ｄする.", true};
  Label lbMsgSendRuvoFile{"note:ルーヴォファイルを、ここにＤ＆Ｄする.", true};
  std::string lbRuvos;

  // Called after every change of state, so a window can refresh.
  std::function<void()> onChanged;

 private:
  void say(const std::string& text);
  void changed();
  void dropFolder(DropBox box, const std::vector<std::string>& items);
  void dropDocuments(const std::vector<std::string>& items);
  enum class CopyKind { Document, Program, Envi };
  std::string copyLine(const std::string& from, CopyKind kind = CopyKind::Document);

  FileSystem& fs_;
  platform::Dialogs* dialogs_;
  std::string programFolder_, examineeProgram_;
  std::string distribution_, collection_;
  std::vector<std::string> droppedDocs_;
};

}  // namespace ruvo::delivery
