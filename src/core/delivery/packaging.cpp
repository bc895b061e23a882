#include "core/delivery/packaging.h"

#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include "core/app/paths.h"
#include "core/delivery/delivery.h"
#include "core/shell/help.h"
#include "core/storage/atomicfile.h"
#include "core/text/cp932.h"
#include "core/text/format.h"
#include "core/text/strings.h"

namespace ruvo::delivery {

namespace fs = std::filesystem;
using app::FileExists;
using app::FolderExists;
using app::JoinPath;

namespace {
constexpr const char* kBreak2 = "\r\n\r\n";

void tell(const platform::Ports& ports, const std::string& text) { ports.dialogs->message(text); }

bool yes(const platform::Ports& ports, const std::string& text) {
  return ports.dialogs->askYesNo(text) == platform::Answer::Yes;
}

std::string withoutTrailingSlash(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::string sendRoot(const PackagingPlace& place) { return JoinPath(place.programFolder, "send"); }

std::string where(const PackagingPlace& place) {
  return withoutTrailingSlash(place.executableFolder.empty() ? place.programFolder : place.executableFolder);
}

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
}  // namespace

std::string ExamineeProgramPath(const PackagingPlace& place) {
  for (const auto& folder : {place.executableFolder, place.programFolder}) {
    if (folder.empty()) continue;
    const std::string p = JoinPath(folder, kExamineeProgram);
    if (FileExists(p)) return p;
  }
  return {};
}

std::string ExamineePackageFor(FileSystem& files, const std::string& program) {
  if (program.empty()) return {};
  const std::string folder = app::FolderOf(program);
  for (const auto& bundle : {JoinPath(folder, kExamineeBundle), JoinPath(folder, "../lib/tovimeter/ruvo-examinee")}) {
    const std::string launcher = JoinPath(bundle, kExamineeProgram);
    if (files.isFile(launcher) && files.isFolder(JoinPath(bundle, kExamineeRuntime))) return files.resolve(launcher);
  }
  return files.isFile(program) ? program : std::string();
}

namespace {
// Copies the tree below from into to, replacing what is there.
bool copyTree(FileSystem& files, const std::string& from, const std::string& to) {
  std::vector<FileEntry> entries;
  if (!files.list(from, entries) || !files.makeFolders(to)) return false;
  bool ok = true;
  for (const auto& e : entries) {
    const std::string src = JoinPath(from, e.name), dst = JoinPath(to, e.name);
    ok = (e.folder ? copyTree(files, src, dst) : files.copyFile(src, dst, true)) && ok;
  }
  return ok;
}
}  // namespace

bool CopyExamineeProgram(FileSystem& files, const std::string& source, const std::string& folder, bool replace) {
  if (!files.copyFile(source, JoinPath(folder, app::FileNameOf(source)), replace)) return false;
  const std::string runtime = JoinPath(app::FolderOf(source), kExamineeRuntime);
  return !files.isFolder(runtime) || copyTree(files, runtime, JoinPath(folder, kExamineeRuntime));
}

std::string PackageFolderProblem(FileSystem& files, const std::string& folderIn, const std::string& sendRootIn) {
  const std::string folder = files.resolve(folderIn);
  const std::string refused = std::string("このフォルダには 配布するファイルを格納できません") + kBreak2 + folder +
                              kBreak2 + "新しいフォルダの名前を入力するか、作成済みの配布フォルダを選んでください";
  if (!sendRootIn.empty()) {
    const std::string root = files.resolve(sendRootIn);
    if (root == folder || root.rfind(folder == "/" ? folder : folder + "/", 0) == 0) return refused;
  }
  std::vector<FileEntry> entries;
  if (!files.list(folder, entries)) return {};  // new: nothing in it yet
  for (const auto& e : entries) {
    if (e.folder && e.name != kExamineeRuntime && e.name != "report" && e.name != "tmp") return refused;
    if (!e.folder && text::asciiLower(app::ExtensionOf(e.name)) == ".zip") return refused;
  }
  return {};
}

bool ExamineeProgramPresent(const platform::Ports& ports, const PackagingPlace& place) {
  if (!ExamineeProgramPath(place).empty()) return true;
  tell(ports,
       std::string("受験者用ルーヴォが 見つかりません") + kBreak2 +
           text::format("%S ファイルを %S フォルダに置いてからやり直してください", {kExamineeProgram, where(place)}));
  return false;
}

void LaunchExaminee(const platform::Ports& ports, const PackagingPlace& place, const std::string& documentPath) {
  if (!ExamineeProgramPresent(ports, place)) return;
  if (!FileExists(documentPath)) {
    tell(ports, std::string("ルーヴォファイルが 見つかりません") + kBreak2 + "一時ファイルの作成に失敗しました");
    return;
  }
  const std::string program = ExamineeProgramPath(place);
  if (!ports.shell->start(program, {documentPath})) tell(ports, text::format("%S を起動できませんでした", {program}));
}

void acCopyRuvo(const platform::Ports& ports, const PackagingPlace& place) {
  const std::string program = ExamineeProgramPath(place);
  if (program.empty()) {
    tell(ports, text::format("%S ファイルが所定の場所 %S にありません", {kExamineeProgram, where(place)}));
    return;
  }
  // The launcher travels with its runtime folder.
  const std::string copied = ExamineePackageFor(RealFileSystem(), program);
  std::vector<std::string> files{copied};
  const std::string runtime = JoinPath(app::FolderOf(copied), kExamineeRuntime);
  if (copied != program && FolderExists(runtime)) files.push_back(runtime);
  ports.clipboard->setFiles(files);
  tell(ports, text::format("受験者用ルーヴォ %S をコピーしました", {kExamineeProgram}) + kBreak2 +
                  "目的のフォルダに貼り付けて利用できます" + kBreak2);
}

void acOpenZip(const platform::Ports& ports, const PackagingPlace& place) {
  const std::string root = sendRoot(place);
  storage::ensureFolder(root);
  auto chosen = ports.dialogs->openFile("圧縮ファイル一覧", text::format("%S files|*%S;", {"zip", ".zip"}), root);
  if (!chosen) return;
  if (!ports.shell->open(*chosen))
    tell(ports, app::FileNameOf(*chosen) + kBreak2 + "このファイルを開けるアプリケーションがありません");
}

bool ZipFolder(const std::string& folder, std::string* zipPath, std::string* error) {
  const std::string dir = withoutTrailingSlash(folder);
  const std::string name = app::FileNameOf(dir);
  const std::string out = JoinPath(app::FolderOf(dir), name + ".zip");
  if (zipPath) *zipPath = out;
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (!FolderExists(dir) || name.empty()) return fail(dir);

  int code = 0;
  std::unique_ptr<zip_t, ZipCloser> za(zip_open(out.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code));
  if (!za) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    std::string why = out + ": " + zip_error_strerror(&e);
    zip_error_fini(&e);
    return fail(why);
  }
  auto zipError = [&](const std::string& what) { return fail(what + ": " + zip_strerror(za.get())); };

  auto setMode = [&](zip_int64_t idx, unsigned mode) {
    return zip_file_set_external_attributes(za.get(), static_cast<zip_uint64_t>(idx), 0, ZIP_OPSYS_UNIX,
                                            static_cast<zip_uint32_t>(mode) << 16) == 0;
  };
  constexpr unsigned kFolderMode = S_IFDIR | 0755, kProgramMode = S_IFREG | 0755, kFileMode = S_IFREG | 0644;
  if (const zip_int64_t idx = zip_dir_add(za.get(), name.c_str(), ZIP_FL_ENC_UTF_8);
      idx < 0 || !setMode(idx, kFolderMode))
    return zipError(name);
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const fs::path& p = it->path();
    const std::string entry = name + "/" + fs::relative(p, dir, ec).generic_string();
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return fail(p.string());
    if (S_ISDIR(st.st_mode)) {
      const zip_int64_t idx = zip_dir_add(za.get(), entry.c_str(), ZIP_FL_ENC_UTF_8);
      if (idx < 0 || !setMode(idx, kFolderMode)) return zipError(entry);
      continue;
    }
    if (!S_ISREG(st.st_mode)) continue;
    zip_source_t* src = zip_source_file(za.get(), p.c_str(), 0, -1);
    if (!src) return zipError(p.string());
    const zip_int64_t idx = zip_file_add(za.get(), entry.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (idx < 0) {
      zip_source_free(src);
      return zipError(entry);
    }
    if (!setMode(idx, (st.st_mode & 0111) ? kProgramMode : kFileMode)) return zipError(entry);
    // libzip's default is the slowest level: three times the time for 0.4 % of the size.
    if (zip_set_file_compression(za.get(), static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE, 6) != 0)
      return zipError(entry);
  }
  if (ec) return fail(dir + ": " + ec.message());
  // The archive is written to a temporary file and renamed into place here.
  if (zip_close(za.get()) != 0) return zipError(out);
  za.release();
  return true;
}

bool MakeExamineePackage(FileSystem& files, const PackageRequest& request, std::string* zipPath, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  const std::string folder = withoutTrailingSlash(request.folder);
  if (folder.empty() || request.tests.empty()) return fail("no tests or no folder");
  std::vector<std::string> names;
  for (const auto& t : request.tests) {
    if (!files.isFile(t) || text::asciiLower(app::ExtensionOf(t)) != ".ruvo") return fail(t + ": not a test (.ruvo)");
    const std::string n = app::FileNameOf(t);
    if (std::find(names.begin(), names.end(), n) != names.end()) return fail(n + ": two tests of that name");
    names.push_back(n);
  }
  std::string enviBytes;
  if (!request.collection.empty()) {
    bool storable = false;
    text::utf8ToCp932(request.collection, &storable);
    if (!storable) return fail(request.collection + ": the environment file cannot hold this folder name");
    enviBytes = EnviFileBytes(request.collection);
  }
  if (files.isFile(folder)) return fail(folder + ": not a folder");
  if (const std::string problem = PackageFolderProblem(files, folder, ""); !problem.empty())
    return fail(folder + ": holds folders or archives of its own, not a package folder");
  if (!files.makeFolders(folder)) return fail(folder + ": cannot create the folder");
  for (const auto& t : request.tests)
    if (!files.copyFile(t, JoinPath(folder, app::FileNameOf(t)), true)) return fail(t + ": cannot copy");
  if (!request.examinee.empty() && !CopyExamineeProgram(files, request.examinee, folder, true))
    return fail(request.examinee + ": cannot copy the examinee program");
  if (!enviBytes.empty() && !files.writeFile(JoinPath(folder, kEnviFileName), enviBytes))
    return fail(JoinPath(folder, kEnviFileName) + ": cannot write");
  return ZipFolder(folder, zipPath, error);
}

void TPackaging::acSend(const platform::Ports& ports, const PackagingPlace& place) {
  platform::Dialogs& dlg = *ports.dialogs;

  // 1. The tests to hand out.
  std::string start = rememberedSource_;
  if (start.empty()) {
    start = JoinPath(place.programFolder, "system/ruvof");
    storage::ensureFolder(start);
  }
  auto files = dlg.openFiles("配布するファイルを選ぶ", text::format("%S files|*%S;", {"ruvo", ".ruvo"}), start);
  if (!files || files->empty()) return;
  std::vector<std::string> list = *files;
  rememberedSource_ = app::FolderOf(list.front());

  // 2.-4. The destination folder: a new name is created, an existing file stands for its folder.
  dlg.message("続いて 配布するファイルの格納先フォルダを選びます");
  const std::string root = sendRoot(place);
  storage::ensureFolder(root);
  auto chosen = dlg.saveFile("配布するファイルの格納先フォルダを選ぶか作成する",
                             text::format("%S folder|*;", {"project"}), root, "", "");
  if (!chosen || chosen->empty()) return;
  std::string name = *chosen;
  if (name.front() != '/') name = JoinPath(root, name);
  std::string dest = FileExists(name) ? app::FolderOf(name) : withoutTrailingSlash(name);
  // Only a package folder: an existing file of send/ itself stands for send/, whose archive
  // would take in every earlier package.
  if (const std::string problem = PackageFolderProblem(RealFileSystem(), dest, root); !problem.empty()) {
    tell(ports, problem);
    return;
  }
  if (!FolderExists(dest)) {
    std::error_code ec;
    fs::create_directories(dest, ec);
  }
  if (!FolderExists(dest)) {
    tell(ports, "フォルダが作成できませんでした");
    return;
  }

  // 5. The examinee program, unless the folder has it already; it is copied with its runtime.
  std::string examinee;
  if (!FileExists(JoinPath(dest, kExamineeProgram)) && yes(ports, "圧縮ファイルに 受験者用ルーヴォを加えますか？")) {
    examinee = ExamineePackageFor(RealFileSystem(), ExamineeProgramPath(place));
    if (examinee.empty() &&
        !yes(ports, std::string("受験者用ルーヴォが 見つかりません") + kBreak2 + "かまわず続けますか？" + kBreak2 +
                        "------------------------" + kBreak2 +
                        text::format("%S ファイルを %S フォルダに置いてからやり直すことをお勧めします",
                                     {kExamineeProgram, where(place)}))) {
      return;
    }
  }

  // 6. Copy; a file already there is kept as it is.
  std::vector<std::string> failed;
  for (const auto& f : list) {
    const std::string target = JoinPath(dest, app::FileNameOf(f));
    std::error_code ec;
    if (fs::exists(target, ec)) continue;
    if (!fs::copy_file(f, target, fs::copy_options::skip_existing, ec) || ec) failed.push_back(app::FileNameOf(f));
  }
  if (!examinee.empty() && !CopyExamineeProgram(RealFileSystem(), examinee, dest, false))
    failed.push_back(kExamineeProgram);
  // An archive without some of the tests would go out looking complete: stop and say which.
  if (!failed.empty()) {
    std::string names;
    for (const auto& n : failed) names += "\r\n" + n;
    tell(ports, std::string("次のファイルをコピーできませんでした") + "\r\n" + names);
    return;
  }

  // 7. The archive beside the folder, then the folder that holds it.
  std::string zipPath, error;
  const std::string rule = "━━━━━━━━━━━━━━━━━━━━━━━━━━━━━";
  if (ZipFolder(dest, &zipPath, &error)) {
    if (yes(ports, std::string("配布する圧縮ファイルを作成しました") + kBreak2 + zipPath + kBreak2 +
                       "この圧縮ファイル（.zip）を目的のフォルダにコピーしたり、メールに添付します" + kBreak2 + rule +
                       kBreak2 + "圧縮ファイルのあるフォルダを開きますか？")) {
      ports.shell->open(app::FolderOf(dest));
    }
    return;
  }
  if (yes(ports, std::string("圧縮ファイルが作成できませんでした") + kBreak2 + error + kBreak2 +
                     "配布するフォルダを選び、右クリックから圧縮してください" + kBreak2 + rule + kBreak2 +
                     "ヘルプファイルを 開いておきますか？"))
    shell::OpenHelpAt(ports, shell::ManualPath(place.programFolder), "CreateZip");
}

}  // namespace ruvo::delivery
