// Build-time tool: turns the HTML manual into its PDF with Qt's own PDF writer, and writes one
// small page per section ("ruvo-help_ANCHOR.html") that forwards to the manual at that section.
// Browsers opened through the desktop's URL handler are often handed the file without its
// "#anchor"; a page per section reaches the section without one.
//
//   helpdoc MANUAL.html OUT.pdf OUTDIR
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

namespace {

QString htmlEscape(const QString& s) { return s.toHtmlEscaped(); }

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: helpdoc MANUAL.html OUT.pdf OUTDIR\n");
    return 2;
  }
  const QString input = QString::fromLocal8Bit(argv[1]);
  const QString pdf = QString::fromLocal8Bit(argv[2]);
  const QString outDir = QString::fromLocal8Bit(argv[3]);

  QFile in(input);
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "helpdoc: cannot read %s\n", argv[1]);
    return 1;
  }
  const QString html = QString::fromUtf8(in.readAll());

  QTextDocument doc;
  doc.setDefaultFont(QFont(QStringLiteral("IPAPGothic"), 10));
  doc.setHtml(html);
  QPdfWriter writer(pdf);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  writer.setResolution(300);
  writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle).simplified());
  writer.setCreator(QStringLiteral("tovimeter"));
  doc.print(&writer);
  if (!QFileInfo(pdf).exists() || QFileInfo(pdf).size() == 0) {
    std::fprintf(stderr, "helpdoc: no PDF written to %s\n", argv[2]);
    return 1;
  }

  const QString base = QFileInfo(input).completeBaseName();
  const QString manualName = QFileInfo(input).fileName();
  static const QRegularExpression idRe(QStringLiteral("\\sid=\"([^\"]+)\""));
  int pages = 0;
  for (auto it = idRe.globalMatch(html); it.hasNext();) {
    const QString id = it.next().captured(1);
    const QString target = manualName + QLatin1Char('#') + QString::fromLatin1(QUrl::toPercentEncoding(id));
    const QString page = QStringLiteral(
                             "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"UTF-8\">\n"
                             "<meta http-equiv=\"refresh\" content=\"0; url=%1\">\n<title>%2</title></head>\n"
                             "<body><script>location.replace(\"%1\");</script>\n"
                             "<p><a href=\"%1\">%2</a></p></body></html>\n")
                             .arg(target, htmlEscape(id));
    if (!writeFile(outDir + QLatin1Char('/') + base + QLatin1Char('_') + id + QStringLiteral(".html"), page.toUtf8())) {
      std::fprintf(stderr, "helpdoc: cannot write into %s\n", argv[3]);
      return 1;
    }
    ++pages;
  }
  std::printf("helpdoc: %s and %d section pages\n", argv[2], pages);
  return 0;
}
