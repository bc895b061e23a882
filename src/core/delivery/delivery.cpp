#include "core/delivery/delivery.h"

#include <algorithm>
#include <cerrno>

#include "core/app/paths.h"
#include "core/app/resultrecord.h"
#include "core/app/settings.h"
#include "core/delivery/packaging.h"
#include "core/storage/compressstringlist.h"
#include "core/text/cp932.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::delivery {

using app::FileNameOf;
using app::JoinPath;

namespace {

constexpr const char* kBr = "\r\n";
constexpr const char* kMissingFolder = "フォルダがないか 接続されていません。";
constexpr const char* kNoFolderSet = "フォルダが登録されてません。";
constexpr const char* kUnsupportedType = " このタイプのファイルには対応していません";
// The environment file is CP932: a folder name it cannot hold would send every result astray.
constexpr const char* kFolderNotStorable =
    "このフォルダ名は 結果ファイルの回収先自動設定ファイル（ruvo_envi.dat）に書けない文字を含みます。";

std::string lowerExtension(const std::string& path) { return text::asciiLower(app::ExtensionOf(FileNameOf(path))); }

}  // namespace

std::string EnviFileBytes(const std::string& collectionFolder) {
  storage::TCompressStringList list;
  list.Add(text::format("%S=%S", {"ToTeacher", collectionFolder}));
  return list.SaveToCompressedStream();
}

std::string EnviFileFolder(const std::string& bytes) {
  storage::TCompressStringList list;
  if (!list.LoadFromCompressedStream(bytes)) return {};
  return text::trim(list.Values("ToTeacher"));
}

std::string SendResultFile(FileSystem& fs, const std::string& folder, const std::string& fileName,
                           const std::vector<std::string>& lines, std::string* why) {
  if (!fs.isFolder(folder)) {
    if (why) *why = folder + ": no such folder";
    return {};
  }
  storage::TCompressStringList list;
  list.Lines = lines;
  const std::string bytes = list.SaveToCompressedStream();
  std::string path;
  int number = 1;
  const platform::Status s = app::ClaimResultFileName(fileName, number, [&](const std::string& name) {
    path = JoinPath(folder, name);
    return fs.writeNewFile(path, bytes);
  });
  if (s) return path;
  if (why) *why = s.message();
  return {};
}

std::string NetworkPlacePath(const std::string& fileName) {
  const auto dash = fileName.find('-');
  if (dash == std::string::npos) return {};
  const std::string share = text::trim(fileName.substr(0, dash));
  const std::string rest = text::trim(fileName.substr(dash + 1));
  const auto paren = rest.find('(');
  if (paren == std::string::npos || share.empty()) return {};
  const std::string host = text::trim(rest.substr(paren + 1, rest.size() - paren - 2));
  if (host.empty()) return {};
  return "//" + host + "/" + share;
}

TForm3Model::TForm3Model(FileSystem& fs, platform::Dialogs* dialogs, std::string programFolder,
                         std::string examineeProgram)
    : fs_(fs),
      dialogs_(dialogs ? dialogs : &platform::nullDialogs()),
      programFolder_(std::move(programFolder)),
      examineeProgram_(std::move(examineeProgram)) {}

std::string TForm3Model::EnviFilePath() const { return JoinPath(programFolder_, kEnviFileName); }

void TForm3Model::say(const std::string& text) {
  if (!text.empty()) dialogs_->message(text);
}

void TForm3Model::changed() {
  if (onChanged) onChanged();
}

void TForm3Model::Create(const app::TSettings& s) {
  cbSendRuvoExe = cbSendEnvi = cbSendRuvoFile = CheckBox{true, false};
  lbToLearners.enabled = lbToTeacher.enabled = false;
  lbRuvos.clear();
  if (s.fileExisted) {
    SetCollectionFolder(s.dirToTeacher);
    SetDistributionFolder(s.dirToLearner);
    cbRetrieve = s.retrieve;
  }
  changed();
}

void TForm3Model::SetDistributionFolder(const std::string& path) {
  if (path == distribution_ || path.empty() || !fs_.isFolder(path)) return;
  distribution_ = path;
  lbToLearners = {path, true};
  cbSendRuvoExe.enabled = true;
  cbSendEnvi.checked = !collection_.empty();
  cbSendEnvi.enabled = cbSendEnvi.checked && !collection_.empty();
  lbMsgToLearners.enabled = false;
  changed();
}

void TForm3Model::SetCollectionFolder(const std::string& path) {
  if (path == collection_) return;
  const std::string envi = EnviFilePath();
  if (path.empty() || !fs_.isFolder(path)) {
    if (fs_.isFile(envi)) fs_.removeFile(envi);
    changed();
    return;
  }
  collection_ = path;
  bool storable = false;
  text::utf8ToCp932(path, &storable);
  if (!storable) say(kFolderNotStorable);
  const bool written = storable && fs_.writeFile(envi, EnviFileBytes(path));
  // Better no environment file than one naming another folder.
  if (!written && fs_.isFile(envi)) fs_.removeFile(envi);
  lbToTeacher.caption = path;
  if (written) {
    lbToTeacher.enabled = true;
    cbSendEnvi.checked = true;
    cbSendEnvi.enabled = !distribution_.empty();
  } else {
    lbToTeacher.enabled = false;
    cbSendEnvi = CheckBox{true, true};
  }
  lbMsgToTeacher.enabled = collection_.empty();
  changed();
}

bool TForm3Model::CheckFolder(const std::string& path, const std::string& label, bool show) {
  std::string msg;
  bool exists = false;
  if (path.empty())
    msg = label + kNoFolderSet;
  else if (!(exists = fs_.isFolder(path)))
    msg = label + kMissingFolder;
  if (show) say(msg);
  return exists;
}

void TForm3Model::Drop(DropBox box, const std::vector<std::string>& items) {
  if (items.empty()) return;
  if (box == DropBox::SendRuvo)
    dropDocuments(items);
  else
    dropFolder(box, items);
}

void TForm3Model::dropFolder(DropBox box, const std::vector<std::string>& items) {
  if (items.size() > 1) {
    say("フォルダは１つだけ指定してください。");
    return;
  }
  std::string path = fs_.resolve(items[0]);
  // A folder is taken whatever its name ("class 3.a" has an extension but is a folder).
  if (!fs_.isFolder(path)) {
    if (fs_.isFile(path)) {
      say("フォルダをＤ＆Ｄしてください。");
      return;
    }
    const std::string place = NetworkPlacePath(FileNameOf(path));
    if (!place.empty()) path = place;
    if (!fs_.isFolder(path)) {
      say(path + " " + kMissingFolder);
      return;
    }
  }
  if (box == DropBox::ToTeacher)
    SetCollectionFolder(path);
  else
    SetDistributionFolder(path);
}

void TForm3Model::dropDocuments(const std::vector<std::string>& items) {
  droppedDocs_.clear();
  lbRuvos.clear();
  std::vector<std::string> refusedTypes;
  for (const auto& item : items) {
    const std::string path = fs_.resolve(item);
    const std::string ext = lowerExtension(path);
    if (ext == ".ruvo" && !fs_.isFolder(path)) {
      if (std::find(droppedDocs_.begin(), droppedDocs_.end(), path) == droppedDocs_.end()) droppedDocs_.push_back(path);
    } else if (ext == ".ruvt" || ext == ".ruvot" || ext.empty() || fs_.isFolder(path)) {
      continue;  // results and folders are not sent, and need no word
    } else if (std::find(refusedTypes.begin(), refusedTypes.end(), ext) == refusedTypes.end()) {
      refusedTypes.push_back(ext);
    }
  }
  std::string msg;
  for (const auto& t : refusedTypes) msg += (msg.empty() ? "" : kBr) + t + kUnsupportedType;
  say(msg);
  if (!droppedDocs_.empty()) {
    std::string names;
    for (const auto& d : droppedDocs_) names += (names.empty() ? "" : ",") + app::BaseNameOf(d);
    lbRuvos = text::format("#%D / %S", {static_cast<int>(droppedDocs_.size()), names});
    cbSendRuvoFile = CheckBox{true, true};
    lbMsgSendRuvoFile.enabled = false;
  } else {
    cbSendRuvoFile = CheckBox{false, false};
    lbMsgSendRuvoFile.enabled = true;
  }
  changed();
}

std::string TForm3Model::copyLine(const std::string& from, CopyKind kind) {
  const std::string name = FileNameOf(from);
  if (!fs_.isFile(from)) return kBr + name + " がありません。";
  if (kind == CopyKind::Program) {
    // The examinee program goes with the libraries it needs, where a bundle of them was built.
    const bool ok =
        fs_.makeFolders(distribution_) && CopyExamineeProgram(fs_, ExamineePackageFor(fs_, from), distribution_, true);
    return kBr + name + text::format(" コピー%Sしました", {ok ? "" : "に失敗"});
  }
  bool ok = true;
  if (kind == CopyKind::Envi) {
    // An environment file naming another folder than the one set (left by an older setting,
    // or changed behind the window's back) would send every result astray.
    std::string bytes;
    ok = fs_.readFile(from, bytes) && EnviFileFolder(bytes) == collection_;
  }
  ok = ok && fs_.makeFolders(distribution_) && fs_.copyFile(from, JoinPath(distribution_, name), true);
  return kBr + name + text::format(" コピー%Sしました", {ok ? "" : "に失敗"});
}

std::string TForm3Model::Send() {
  if (!CheckFolder(distribution_, "配布先", true)) return {};
  if (cbSendEnvi.on() && !CheckFolder(collection_, "回収先", true)) return {};
  std::string program, envi, docs;
  if (cbSendRuvoExe.on()) program = copyLine(examineeProgram_, CopyKind::Program);
  if (cbSendEnvi.on()) envi = copyLine(EnviFilePath(), CopyKind::Envi);
  // Every document gets its own line.
  if (cbSendRuvoFile.on())
    for (const auto& d : droppedDocs_) docs += copyLine(d);
  std::string msg;
  for (const auto* group : {&program, &envi, &docs})
    if (!group->empty()) msg += std::string(kBr) + "▼" + *group;
  if (!cbSendRuvoExe.on() && !cbSendEnvi.on() && !cbSendRuvoFile.on()) msg = "送るファイルにチェックを入れてください。";
  say(msg);
  return msg;
}

bool TForm3Model::Start() { return CheckFolder(collection_, "回収先", true); }

}  // namespace ruvo::delivery
