// A text shown in the page view and read back keeps every format the model has.
#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QTextBlock>
#include <QTextDocument>

#include "gui/richtext/richtextbridge.h"
#include "guitest.h"

namespace rt = ruvo::rt;

namespace {

rt::RichText sample() {
  rt::RichText t;
  auto& ps = t.paragraphs();
  ps.clear();
  rt::CharFormat jp;  // the default Japanese face
  rt::CharFormat en;
  en.fontName = "Times New Roman";
  en.charset = 0;
  en.sizeHalfPoints = 24;
  rt::CharFormat red = en;
  red.color = 0xFF0000;
  red.bold = true;
  rt::CharFormat odd = jp;
  odd.sizeHalfPoints = 23;  // 11.5 pt
  odd.italic = true;
  odd.underline = true;
  odd.strike = true;
  odd.color = 0x00C0C0;
  rt::ParaFormat hanging;
  hanging.leftIndent = 640;
  hanging.firstIndent = -320;
  hanging.rightIndent = 320;
  rt::ParaFormat centre;
  centre.align = rt::Align::Center;
  rt::ParaFormat right;
  right.align = rt::Align::Right;
  rt::ParaFormat justify;
  justify.align = rt::Align::Justify;
  justify.leftIndent = 15;  // one pixel at 96 dpi is 15 twips: odd values must survive too
  ps.push_back({hanging, {{"受験者の名前", jp}, {" and ", en}, {"Red", red}}});
  ps.push_back({centre, {{"\tTabbed\x0Bline break", odd}}});
  ps.push_back({right, {{"", en}}});  // an empty line keeps its format
  ps.push_back({justify, {{"end", jp}}});
  return t;
}

}  // namespace

TEST(RichTextBridge, RoundTripKeepsFormats) {
  ruvo::guitest::app();
  const rt::RichText t = sample();
  for (double dpi : {96.0, 120.0, 72.0}) {
    QTextDocument doc;
    ruvo::gui::setRichText(doc, t, dpi);
    ASSERT_EQ(doc.blockCount(), 4);
    EXPECT_EQ(doc.begin().text(), QStringLiteral("受験者の名前 and Red"));
    const rt::RichText back = ruvo::gui::richTextOf(doc, dpi);
    ASSERT_EQ(back.paragraphs().size(), t.paragraphs().size()) << dpi;
    for (std::size_t i = 0; i < t.paragraphs().size(); ++i) {
      EXPECT_EQ(back.paragraphs()[i].format, t.paragraphs()[i].format) << "paragraph " << i << " at " << dpi;
      EXPECT_EQ(back.paragraphs()[i].runs, t.paragraphs()[i].runs) << "paragraph " << i << " at " << dpi;
    }
  }
}

TEST(RichTextBridge, IndentsAreLaidOutInPoints) {
  ruvo::guitest::app();
  QTextDocument doc;
  ruvo::gui::setRichText(doc, sample(), 96.0);
  const QTextBlockFormat f = doc.begin().blockFormat();
  // 640 twips = 32 pt = 42.67 px at 96 dpi; the first line starts 16 pt further left.
  EXPECT_NEAR(f.leftMargin(), 640 / 20.0 * 96 / 72, 0.01);
  EXPECT_NEAR(f.textIndent(), -320 / 20.0 * 96 / 72, 0.01);
  EXPECT_NEAR(f.rightMargin(), 320 / 20.0 * 96 / 72, 0.01);
  EXPECT_EQ(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_EQ(doc.findBlockByNumber(1).text(),
            QStringLiteral("\tTabbed") + QChar(QChar::LineSeparator) + QStringLiteral("line break"));
}

TEST(RichTextBridge, WindowsJapaneseFaceFindsJapaneseGlyphs) {
  ruvo::guitest::app();
  ruvo::gui::installFontSubstitutions();
  QTextDocument doc;
  ruvo::gui::setRichText(doc, sample(), 96.0);
  const QFont f = doc.begin().begin().fragment().charFormat().font();
  const QFontInfo info(f);
  // The face asked for does not exist here; the substitute must be a font that has kana.
  EXPECT_TRUE(info.family().contains(QStringLiteral("IPA"))) << info.family().toStdString();
}

TEST(RichTextBridge, FacesKeepTheirKind) {
  // A Western passage must not come out in the half-width Latin of a fixed-pitch Japanese face.
  ruvo::guitest::app();
  ruvo::gui::installFontSubstitutions();
  struct Case {
    const char* face;
    const char* standIn;
  } cases[] = {{"Times New Roman", "Liberation Serif"},
               {"Arial", "Liberation Sans"},
               {"ＭＳ Ｐゴシック", "IPAPGothic"},
               {"ＭＳ ゴシック", "IPAGothic"}};
  for (const Case& c : cases) {
    rt::CharFormat f;
    f.fontName = c.face;
    const QFontInfo info(ruvo::gui::toCharFormat(f).font());
    EXPECT_EQ(info.family(), QString::fromUtf8(c.standIn)) << c.face;
  }
}
