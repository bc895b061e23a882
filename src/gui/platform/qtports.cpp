#include "gui/platform/qtports.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/form1model.h"
#include "gui/app/editruvo.h"

namespace ruvo::gui {

namespace {

QString captionOr(const std::string& caption) {
  return caption.empty() ? QString::fromUtf8(app::TForm1Model::kApplicationTitle) : qs(caption);
}

// The core writes CRLF; a message box shows either.
QString messageText(const std::string& text) { return qs(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// A message box is as wide as its text, and the window manager cuts a title that does not fit
// the frame: the box is made wide enough for the whole title, beside the frame's icon and buttons.
int titleWidth(const QWidget* box, const QString& title) {
  constexpr int kFrameButtons = 140;  // icon, minimise / maximise / close, the frame's margins
  QFont f = box->font();
  f.setBold(true);  // most frames set the title in bold
  return QFontMetrics(f).horizontalAdvance(title) + kFrameButtons;
}

void fitTitle(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  // The box sizes itself from its layout on every show; a spacer across it sets the lower bound.
  grid->addItem(new QSpacerItem(titleWidth(&box, box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                grid->rowCount(), 0, 1, grid->columnCount());
}

platform::Answer ask(QWidget* parent, const std::string& text, const std::string& caption,
                     QMessageBox::StandardButtons buttons, QMessageBox::StandardButton def,
                     QMessageBox::StandardButton esc) {
  QMessageBox box(QMessageBox::Question, captionOr(caption), messageText(text), buttons, parent);
  fitTitle(box);
  box.setDefaultButton(def);
  box.setEscapeButton(esc);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return platform::Answer::Yes;
    case QMessageBox::Ok:
      return platform::Answer::Ok;
    case QMessageBox::Cancel:
      return platform::Answer::Cancel;
    default:
      return platform::Answer::No;
  }
}

}  // namespace

void QtDialogs::message(const std::string& text) {
  QMessageBox box(QMessageBox::Information, captionOr({}), messageText(text), QMessageBox::Ok, parent_);
  fitTitle(box);
  box.exec();
}

platform::Answer QtDialogs::askYesNo(const std::string& text, const std::string& caption) {
  return ask(parent_, text, caption, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No);
}

platform::Answer QtDialogs::askYesNoCancel(const std::string& text, const std::string& caption) {
  return ask(parent_, text, caption, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
             QMessageBox::Cancel);
}

platform::Answer QtDialogs::confirmNoOk(const std::string& text, const std::string& caption) {
  // These questions abandon work: the safe answer is the default.
  return ask(parent_, text, caption, QMessageBox::No | QMessageBox::Ok, QMessageBox::No, QMessageBox::No);
}

std::optional<std::string> QtDialogs::input(const std::string& caption, const std::string& prompt,
                                            const std::string& defaultText) {
  QDialog dlg(parent_);
  dlg.setObjectName(QStringLiteral("InputBox"));
  dlg.setWindowTitle(qs(caption));
  auto* lay = new QVBoxLayout(&dlg);
  auto* label = new QLabel(qs(prompt), &dlg);
  auto* edit = new TEditRuvo(&dlg);
  edit->setObjectName(QStringLiteral("InputEdit"));
  edit->setText(qs(defaultText));
  edit->selectAll();
  label->setBuddy(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
  lay->addWidget(label);
  lay->addWidget(edit);
  lay->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  dlg.setMinimumWidth(std::max(320, titleWidth(&dlg, dlg.windowTitle())));
  edit->setFocus();
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return us(edit->text());
}

QString QtDialogs::qtFilter(const std::string& filter) {
  // Pairs of label and pattern list; Qt wants "Label (patterns)", and reads the patterns from
  // the parentheses, so the label gets them when it lacks them.
  const QStringList parts = qs(filter).split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString label = parts[i].trimmed();
    QString patterns = parts[i + 1].trimmed();
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    if (label.contains(QLatin1Char('('))) label = label.left(label.indexOf(QLatin1Char('('))).trimmed();
    out << QStringLiteral("%1 (%2)").arg(label, patterns);
  }
  if (parts.size() == 1 && !parts[0].isEmpty()) out << parts[0];
  return out.join(QStringLiteral(";;"));
}

std::optional<std::string> QtDialogs::openFile(const std::string& title, const std::string& filter,
                                               const std::string& initialDir) {
  const QString f = QFileDialog::getOpenFileName(parent_, qs(title), qs(initialDir), qtFilter(filter));
  if (f.isEmpty()) return std::nullopt;
  return us(f);
}

std::optional<std::string> QtDialogs::saveFile(const std::string& title, const std::string& filter,
                                               const std::string& initialDir, const std::string& fileName,
                                               const std::string& defaultExt) {
  QFileDialog dlg(parent_, qs(title), qs(initialDir), qtFilter(filter));
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  QString ext = qs(defaultExt);
  if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  if (!ext.isEmpty()) dlg.setDefaultSuffix(ext);
  if (!fileName.empty()) dlg.selectFile(qs(fileName));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return us(dlg.selectedFiles().first());
}

std::optional<std::string> QtDialogs::chooseFolder(const std::string& title, const std::string& initialDir) {
  const QString d = QFileDialog::getExistingDirectory(parent_, qs(title), qs(initialDir));
  if (d.isEmpty()) return std::nullopt;
  return us(d);
}

std::optional<std::vector<std::string>> QtDialogs::openFiles(const std::string& title, const std::string& filter,
                                                             const std::string& initialDir) {
  const QStringList files = QFileDialog::getOpenFileNames(parent_, qs(title), qs(initialDir), qtFilter(filter));
  if (files.isEmpty()) return std::nullopt;
  std::vector<std::string> out;
  for (const QString& f : files) out.push_back(us(f));
  return out;
}

QtClock::QtClock() { timer_.start(); }

std::int64_t QtClock::tickMs() {
  // Offset by one second so that a tick of 0 ("nothing is being timed") never occurs.
  return timer_.elapsed() + 1000;
}

platform::DateTime QtClock::now() {
  const QDateTime t = QDateTime::currentDateTime();
  const QDate d = t.date();
  const QTime h = t.time();
  return platform::DateTime{d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second()};
}

void QtClipboard::setRichText(const std::string& rtf, const std::string& plain) {
  auto* mime = new QMimeData;
  const QByteArray bytes(rtf.data(), static_cast<qsizetype>(rtf.size()));
  mime->setData(QStringLiteral("text/rtf"), bytes);
  mime->setData(QStringLiteral("application/rtf"), bytes);
  mime->setText(qs(plain));
  QGuiApplication::clipboard()->setMimeData(mime);
}

void QtClipboard::setText(const std::string& plain) { QGuiApplication::clipboard()->setText(qs(plain)); }

void QtClipboard::setImagePng(const std::string& png) {
  QImage img;
  img.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG");
  auto* mime = new QMimeData;
  mime->setImageData(img);
  mime->setData(QStringLiteral("image/png"), QByteArray(png.data(), static_cast<qsizetype>(png.size())));
  QGuiApplication::clipboard()->setMimeData(mime);
}

void QtClipboard::setFiles(const std::vector<std::string>& paths) {
  QList<QUrl> urls;
  QByteArray gnome("copy");
  for (const auto& p : paths) {
    const QUrl u = QUrl::fromLocalFile(QFileInfo(qs(p)).absoluteFilePath());
    urls << u;
    gnome += '\n';
    gnome += u.toEncoded();
  }
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  mime->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
  QGuiApplication::clipboard()->setMimeData(mime);
}

std::optional<std::string> QtClipboard::rtf() {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  if (!m) return std::nullopt;
  for (const char* type : {"text/rtf", "application/rtf", "text/richtext"}) {
    const QString t = QString::fromLatin1(type);
    if (m->hasFormat(t)) {
      const QByteArray b = m->data(t);
      return std::string(b.constData(), static_cast<std::size_t>(b.size()));
    }
  }
  return std::nullopt;
}

std::optional<std::string> QtClipboard::text() {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  if (!m || !m->hasText()) return std::nullopt;
  return us(m->text());
}

bool QtShell::open(const std::string& pathOrUrl) {
  const QString s = qs(pathOrUrl);
  QUrl url(s);
  if (url.scheme().size() <= 1 || QFileInfo::exists(s)) url = QUrl::fromLocalFile(QFileInfo(s).absoluteFilePath());
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) return QDesktopServices::openUrl(url);

  // Only the opener's exit status tells whether some program took the file: starting it always
  // succeeds. It usually ends at once; one that is still running after a while has handed the
  // file to a program that keeps it (a browser started in the foreground), which counts as opened.
  auto* p = new QProcess;
  p->setProcessChannelMode(QProcess::ForwardedChannels);
  p->setStandardInputFile(QProcess::nullDevice());
  QEventLoop loop;
  QObject::connect(p, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(p, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) loop.quit();
  });
  QTimer::singleShot(waitMs_, &loop, &QEventLoop::quit);
  p->start(opener, {QString::fromLatin1(url.toEncoded())});
  // The window keeps painting meanwhile; what the person does waits until the answer is in.
  if (p->state() != QProcess::NotRunning) loop.exec(QEventLoop::ExcludeUserInputEvents);
  if (p->state() != QProcess::NotRunning) {
    QObject::disconnect(p, nullptr, &loop, nullptr);
    QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
    return true;
  }
  const bool ok =
      p->error() != QProcess::FailedToStart && p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
  delete p;
  return ok;
}

bool QtShell::start(const std::string& program, const std::vector<std::string>& args) {
  QStringList a;
  for (const auto& s : args) a << qs(s);
  return QProcess::startDetached(qs(program), a);
}

std::string QtShell::programPath() { return us(QCoreApplication::applicationFilePath()); }

std::string QtShell::version() {
#ifdef RUVO_VERSION
  return RUVO_VERSION;
#else
  return us(QCoreApplication::applicationVersion());
#endif
}

std::string QtShell::systemName() {
  return us(QSysInfo::prettyProductName() + QLatin1Char(' ') + QSysInfo::kernelVersion());
}

std::vector<platform::Rect> QtScreen::monitors() {
  std::vector<platform::Rect> out;
  for (QScreen* s : QGuiApplication::screens()) {
    // The area windows may cover: the desktop's panels are no place for the bottom bar.
    const QRect g = s->availableGeometry();
    out.push_back(platform::Rect{g.left(), g.top(), g.width(), g.height()});
  }
  return out;
}

}  // namespace ruvo::gui
