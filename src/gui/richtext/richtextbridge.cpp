#include "gui/richtext/richtextbridge.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <cmath>

#include "gui/platform/qtports.h"

namespace ruvo::gui {

namespace {

// Properties that keep what Qt's formats cannot hold, so a text read back equals the one shown.
constexpr int kFontNameProperty = QTextFormat::UserProperty + 1;
constexpr int kCharsetProperty = QTextFormat::UserProperty + 2;
constexpr int kHalfPointsProperty = QTextFormat::UserProperty + 3;

bool isJapaneseFace(const QString& name) {
  for (const QChar c : name)
    if (c.unicode() >= 0x3000) return true;  // kana, kanji or full-width letters
  return name.startsWith(QStringLiteral("MS "), Qt::CaseInsensitive) || name.contains(QStringLiteral("Meiryo"));
}

bool isSerifFace(const QString& name) {
  static const char* serifs[] = {"Times",        "Century",  "Georgia", "Garamond",
                                 "Book Antiqua", "Palatino", "Cambria", "Serif"};
  for (const char* s : serifs)
    if (name.contains(QLatin1String(s), Qt::CaseInsensitive) &&
        !name.contains(QLatin1String("Sans"), Qt::CaseInsensitive))
      return true;
  return false;
}

// The face asked for first, then faces that exist on a Linux desktop: a Latin face of the same
// kind for Western names, and a Japanese face for the kana and kanji either kind of text may hold.
// A monospaced face must never stand in for a proportional one.
QStringList familiesFor(const QString& name) {
  QStringList fams{name};
  const bool mincho =
      name.contains(QStringLiteral("明朝")) || name.contains(QStringLiteral("Mincho"), Qt::CaseInsensitive);
  const bool fixedPitch = isJapaneseFace(name) && !name.contains(QStringLiteral("Ｐ")) &&
                          !name.contains(QStringLiteral("MS P")) && !name.contains(QStringLiteral("UI"));
  if (isJapaneseFace(name)) {
    if (mincho) fams << QStringLiteral("IPAPMincho") << QStringLiteral("IPAMincho");
    if (fixedPitch) fams << QStringLiteral("IPAGothic");
    fams << QStringLiteral("IPAPGothic") << QStringLiteral("Noto Sans CJK JP");
  } else if (isSerifFace(name)) {
    fams << QStringLiteral("Liberation Serif") << QStringLiteral("DejaVu Serif") << QStringLiteral("IPAPMincho")
         << QStringLiteral("IPAPGothic");
  } else {
    fams << QStringLiteral("Liberation Sans") << QStringLiteral("DejaVu Sans") << QStringLiteral("IPAPGothic");
  }
  return fams;
}

}  // namespace

void installFontSubstitutions() {
  static bool done = false;
  if (done) return;
  done = true;
  for (const char* name : {"ＭＳ Ｐゴシック", "ＭＳ ゴシック", "MS PGothic", "MS Gothic", "ＭＳ 明朝", "ＭＳ Ｐ明朝",
                           "MS Mincho", "MS PMincho", "Meiryo", "メイリオ", "MS UI Gothic"}) {
    const QString n = QString::fromUtf8(name);
    QStringList subs = familiesFor(n);
    subs.removeFirst();
    QFont::insertSubstitutions(n, subs);
  }
  for (const char* name : {"Times New Roman", "Century", "Arial", "Tahoma", "Verdana"}) {
    const QString n = QString::fromLatin1(name);
    QStringList subs = familiesFor(n);
    subs.removeFirst();
    QFont::insertSubstitutions(n, subs);
  }
}

double screenDpi() {
  if (auto* s = QGuiApplication::primaryScreen()) return s->logicalDotsPerInch();
  return 96.0;
}

QTextCharFormat toCharFormat(const rt::CharFormat& f) {
  QTextCharFormat c;
  const QString name = qs(f.fontName);
  c.setFontFamilies(familiesFor(name));
  c.setProperty(kFontNameProperty, name);
  c.setProperty(kCharsetProperty, f.charset);
  c.setProperty(kHalfPointsProperty, f.sizeHalfPoints);
  c.setFontPointSize(f.sizeHalfPoints > 0 ? f.sizeHalfPoints / 2.0 : 10.0);
  if (f.color != rt::kAutoColor) c.setForeground(QColor((f.color >> 16) & 0xFF, (f.color >> 8) & 0xFF, f.color & 0xFF));
  c.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
  c.setFontItalic(f.italic);
  c.setFontUnderline(f.underline);
  c.setFontStrikeOut(f.strike);
  return c;
}

rt::CharFormat fromCharFormat(const QTextCharFormat& c) {
  rt::CharFormat f;
  if (c.hasProperty(kFontNameProperty)) {
    f.fontName = us(c.stringProperty(kFontNameProperty));
  } else {
    const QStringList fams = c.fontFamilies().toStringList();
    if (!fams.isEmpty()) f.fontName = us(fams.first());
  }
  if (c.hasProperty(kCharsetProperty)) f.charset = c.intProperty(kCharsetProperty);
  const double pt = c.fontPointSize();
  const int fromPt = pt > 0 ? static_cast<int>(std::lround(pt * 2)) : 20;
  // The stored half points win while the point size still says the same, so odd sizes survive.
  if (c.hasProperty(kHalfPointsProperty) && std::abs(c.intProperty(kHalfPointsProperty) / 2.0 - pt) < 0.01)
    f.sizeHalfPoints = c.intProperty(kHalfPointsProperty);
  else
    f.sizeHalfPoints = fromPt;
  if (c.hasProperty(QTextFormat::ForegroundBrush) && c.foreground().style() != Qt::NoBrush) {
    const QColor col = c.foreground().color();
    f.color = (col.red() << 16) | (col.green() << 8) | col.blue();
  }
  f.bold = c.fontWeight() >= QFont::DemiBold;
  f.italic = c.fontItalic();
  f.underline = c.fontUnderline();
  f.strike = c.fontStrikeOut();
  return f;
}

QTextBlockFormat toBlockFormat(const rt::ParaFormat& p, double dpi) {
  const double pxPerTwip = dpi / 72.0 / 20.0;
  QTextBlockFormat b;
  b.setLeftMargin(p.leftIndent * pxPerTwip);
  b.setTextIndent(p.firstIndent * pxPerTwip);
  b.setRightMargin(p.rightIndent * pxPerTwip);
  switch (p.align) {
    case rt::Align::Left:
      b.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
      break;
    case rt::Align::Center:
      b.setAlignment(Qt::AlignHCenter);
      break;
    case rt::Align::Right:
      b.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
      break;
    case rt::Align::Justify:
      b.setAlignment(Qt::AlignJustify);
      break;
  }
  return b;
}

rt::ParaFormat fromBlockFormat(const QTextBlockFormat& b, double dpi) {
  const double twipsPerPx = 72.0 * 20.0 / dpi;
  rt::ParaFormat p;
  p.leftIndent = static_cast<int>(std::lround(b.leftMargin() * twipsPerPx));
  p.firstIndent = static_cast<int>(std::lround(b.textIndent() * twipsPerPx));
  p.rightIndent = static_cast<int>(std::lround(b.rightMargin() * twipsPerPx));
  const Qt::Alignment a = b.alignment();
  if (a & Qt::AlignHCenter)
    p.align = rt::Align::Center;
  else if (a & Qt::AlignRight)
    p.align = rt::Align::Right;
  else if (a & Qt::AlignJustify)
    p.align = rt::Align::Justify;
  else
    p.align = rt::Align::Left;
  return p;
}

void setRichText(QTextDocument& doc, const rt::RichText& text, double dpi) {
  doc.setUndoRedoEnabled(false);
  doc.clear();
  QTextCursor cur(&doc);
  cur.beginEditBlock();
  bool first = true;
  for (const rt::Paragraph& para : text.paragraphs()) {
    const QTextBlockFormat bf = toBlockFormat(para.format, dpi);
    const QTextCharFormat blockChar = toCharFormat(para.runs.empty() ? rt::CharFormat{} : para.runs.front().format);
    if (first) {
      cur.setBlockFormat(bf);
      cur.setBlockCharFormat(blockChar);
      first = false;
    } else {
      cur.insertBlock(bf, blockChar);
    }
    for (const rt::Run& run : para.runs) {
      if (run.text.empty()) continue;
      QString t = qs(run.text);
      t.replace(QChar(0x000B), QChar::LineSeparator);
      cur.insertText(t, toCharFormat(run.format));
    }
  }
  cur.endEditBlock();
}

rt::RichText richTextOf(const QTextDocument& doc, double dpi) {
  rt::RichText out;
  auto& paras = out.paragraphs();
  paras.clear();
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    rt::Paragraph p;
    p.format = fromBlockFormat(b.blockFormat(), dpi);
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      if (!frag.isValid()) continue;
      QString t = frag.text();
      t.replace(QChar::LineSeparator, QChar(0x000B));
      p.runs.push_back(rt::Run{us(t), fromCharFormat(frag.charFormat())});
    }
    if (p.runs.empty()) p.runs.push_back(rt::Run{std::string(), fromCharFormat(b.charFormat())});
    paras.push_back(std::move(p));
  }
  if (paras.empty()) paras.push_back(rt::Paragraph{rt::ParaFormat{}, {rt::Run{}}});
  out.normalize();
  return out;
}

}  // namespace ruvo::gui
