// Reading RTF as the programs that make our scripts, templates and documents write it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/richtext/richtext.h"
#include "core/text/strings.h"

namespace ruvo::rt {
namespace {

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(RUVO_FIXTURES_DIR) + "/rtf/" + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> linesOf(const RichText& t) {
  std::vector<std::string> out;
  for (int i = 0; i < t.lineCount(); ++i) out.push_back(t.lineText(i));
  return out;
}

// The run holding a piece of text (the first whose text contains it).
const Run* runWith(const RichText& t, std::string_view piece) {
  for (const Paragraph& p : t.paragraphs())
    for (const Run& r : p.runs)
      if (r.text.find(piece) != std::string::npos) return &r;
  return nullptr;
}

TEST(RtfRead, RichEditSampleGivesExactlyItsLines) {
  const std::string rtf = fixture("richedit-sample.rtf");
  ASSERT_FALSE(rtf.empty());
  ASSERT_EQ(rtf.back(), '\0');  // the stream ends in a NUL after the last brace
  const RichText t = readRtf(rtf);
  std::vector<std::string> expected;
  std::istringstream txt(fixture("richedit-sample.txt"));
  for (std::string line; std::getline(txt, line);) expected.push_back(line);
  EXPECT_EQ(linesOf(t), expected);
  EXPECT_EQ(t.lineCount(), 29);  // the last \par ends the empty last line, it adds none

  const rt::Run* title = runWith(t, "2014年 2回目");
  ASSERT_TRUE(title);
  EXPECT_EQ(title->format.fontName, "ＭＳ Ｐゴシック");
  EXPECT_EQ(title->format.charset, 128);
  EXPECT_EQ(title->format.sizeHalfPoints, 22);
  EXPECT_FALSE(title->format.bold);
  ASSERT_TRUE(runWith(t, "読解計測を始めます。"));
  EXPECT_TRUE(runWith(t, "読解計測を始めます。")->format.bold);
  EXPECT_FALSE(runWith(t, "<page start>")->format.bold);
  ASSERT_TRUE(runWith(t, "better"));
  EXPECT_TRUE(runWith(t, "better")->format.underline);
  EXPECT_EQ(runWith(t, "better")->text, "better");
  ASSERT_TRUE(runWith(t, "correct"));
  EXPECT_EQ(runWith(t, "correct")->format.color, 0xFF0000);
  EXPECT_EQ(runWith(t, "correct")->text, "correct");
  EXPECT_EQ(runWith(t, " choice")->format.color, kAutoColor);
}

TEST(RtfRead, WordPadDocument) {
  const RichText t = readRtf(fixture("wordpad.rtf"));
  EXPECT_EQ(linesOf(t), (std::vector<std::string>{
                            "日本語 and English, bold, italic, underlined, struck.",
                            "ソフト first item",  // the bullet text is the list's, not the line's
                            "second item",
                            "centred blue 14 pt",
                            "right\tred\x0bnext line",
                            "café — “quoted” € euro 😀 smile",
                        }));
  const auto& p = t.paragraphs();
  EXPECT_EQ(runWith(t, "日本語")->format.fontName, "ＭＳ ゴシック");
  EXPECT_EQ(runWith(t, " and English")->format.fontName, "Calibri");
  EXPECT_EQ(runWith(t, " and English")->format.charset, 0);
  EXPECT_TRUE(runWith(t, "bold")->format.bold);
  EXPECT_TRUE(runWith(t, "italic")->format.italic);
  EXPECT_TRUE(runWith(t, "underlined")->format.underline);
  EXPECT_TRUE(runWith(t, "struck")->format.strike);
  EXPECT_EQ((ParaFormat{-360, 720, 0, Align::Left}), p[1].format);
  EXPECT_EQ(p[2].format, p[1].format);
  EXPECT_EQ(p[3].format.align, Align::Center);
  EXPECT_EQ(runWith(t, "centred")->format.color, 0x0000FF);
  EXPECT_EQ(runWith(t, "centred")->format.sizeHalfPoints, 28);
  EXPECT_EQ(p[4].format.align, Align::Right);
  EXPECT_EQ(runWith(t, "right")->format.color, 0xFF0000);
  EXPECT_EQ((ParaFormat{0, 1440, 720, Align::Justify}), p[5].format);
}

TEST(RtfRead, WordDocument) {
  const RichText t = readRtf(fixture("word.rtf"));
  // No header, style names, info, list numbers, field instructions, hidden text,
  // pictures or theme data: only the body text, with a field's result.
  EXPECT_EQ(linesOf(t), (std::vector<std::string>{
                            "Hello 日本語 bold €",
                            "centred\tlink",
                            "listed end。",
                            "cell1\tcell2\t",
                        }));
  const auto& p = t.paragraphs();
  EXPECT_EQ((ParaFormat{420, 840, 420, Align::Center}), p[1].format);
  EXPECT_EQ((ParaFormat{-420, 420, 0, Align::Justify}), p[2].format);
  EXPECT_TRUE(runWith(t, " bold")->format.bold);
  EXPECT_FALSE(runWith(t, "日本語")->format.bold);
  EXPECT_EQ(runWith(t, "Hello")->format.sizeHalfPoints, 21);
  EXPECT_EQ(runWith(t, "Hello")->format.fontName, "Century");
  EXPECT_EQ(runWith(t, "centred")->format.color, 0xFF0000);
  EXPECT_TRUE(runWith(t, "centred")->format.underline);
  EXPECT_EQ(runWith(t, "link")->format.color, 0x0000FF);
  EXPECT_TRUE(runWith(t, " end")->format.italic);
}

TEST(RtfRead, LibreOfficeDocuments) {
  const RichText t = readRtf(fixture("libreoffice.rtf"));
  EXPECT_EQ(linesOf(t), (std::vector<std::string>{
                            "日本語の文章と English text.",
                            "Bold 太字 and red 赤 and italic and underlined and struck.",
                            "centred\tafter a tab",
                            "右寄せ right 𠮷 ①",
                            "last — “quotes” café",
                        }));
  const auto& p = t.paragraphs();
  EXPECT_EQ(runWith(t, "日本語")->format.fontName, "IPAGothic");
  EXPECT_EQ(runWith(t, "English")->format.sizeHalfPoints, 22);
  EXPECT_EQ((ParaFormat{-720, 1440, 0, Align::Left}), p[1].format);
  EXPECT_TRUE(runWith(t, "Bold")->format.bold);
  EXPECT_TRUE(runWith(t, "太字")->format.bold);  // bold given to the Asian text (\ab)
  EXPECT_EQ(runWith(t, "red")->format.color, 0xFF0000);
  EXPECT_EQ(runWith(t, "赤")->format.color, 0xFF0000);
  EXPECT_TRUE(runWith(t, "italic")->format.italic);
  EXPECT_TRUE(runWith(t, "underlined")->format.underline);
  EXPECT_TRUE(runWith(t, "struck")->format.strike);
  EXPECT_EQ((ParaFormat{360, 720, 360, Align::Center}), p[2].format);
  EXPECT_EQ(p[3].format.align, Align::Right);
  EXPECT_EQ(p[4].format.align, Align::Justify);

  const RichText tabs = readRtf(fixture("libreoffice-tabs.rtf"));
  EXPECT_EQ(linesOf(tabs), (std::vector<std::string>{
                               "title=Sample 試験",
                               "\t?? 質問 question",
                               "\t\t?* 正解 correct",
                               "",
                               "大きい字 line\x0b"
                               "broken",
                           }));
  EXPECT_EQ(runWith(tabs, "正解")->format.color, 0x0000FF);
  EXPECT_TRUE(runWith(tabs, "正解")->format.bold);
  EXPECT_EQ(runWith(tabs, "大きい字")->format.sizeHalfPoints, 28);
  EXPECT_EQ(tabs.paragraphs()[4].format.leftIndent, 720);
}

struct Case {
  const char* name;
  std::string rtf;
  std::vector<std::string> lines;
};

TEST(RtfRead, TextDecodingAndStructure) {
  const Case cases[] = {
      {"double-byte pair split by a line break",
       R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset128 X;}}\f0 \'93)"
       "\r\n"
       R"(\'fa\par})",
       {"日"}},
      {"trail byte written as a literal",
       R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset128 X;}}\f0 \'83\\\'83@\par})",
       {"ソァ"}},
      {"charset 0 decodes as Windows-1252",
       R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset0 A;}}\f0 caf\'e9 \'80\par})",
       {"café €"}},
      {"no font table: the document's code page", R"({\rtf1\ansi\ansicpg932 \'82\'a0\par})", {"あ"}},
      {"a 1252 document", R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}}\f0 na\'efve\par})", {"naïve"}},
      {"a Cyrillic document", R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0 Arial;}}\f0 \'cc\'e8\'f0\par})", {"Мир"}},
      {"a Cyrillic font", R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset204 Arial;}}\f0 \'cc\'e8\'f0\par})", {"Мир"}},
      {"a Chinese font",
       R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset134 SimSun;}}\f0 \'d6\'d0\'ce\'c4\par})",
       {"中文"}},
      {"an unknown code page reads as Western", R"({\rtf1\ansi\ansicpg4242 \'e9\par})", {"é"}},
      {"lone lead byte", R"({\rtf1\ansi{\fonttbl{\f0\fcharset128 X;}}\f0 a\'82\par b\par})", {"a\xEF\xBF\xBD", "b"}},
      {"unicode with fallback counts",
       R"({\rtf1 \uc2\u26085\'93\'fa x\uc0\u26412 y\uc1\u-3?z\par})",
       {"日 x本y\xEF\xBF\xBDz"}},
      {"surrogate pair and a lone half",
       R"({\rtf1\uc1\u-10179?\u-8704?\u-10179?a\par})",
       {"😀\xEF\xBF\xBD"
        "a"}},
      {"control symbols",
       R"({\rtf1 a\~b\-c\_d\\e\{f\}\par})",
       {"a\xC2\xA0"
        "bc\xE2\x80\x91"
        "d\\e{f}"}},
      {"special characters", R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote\par})", {"—–•‘’“”"}},
      {"tab and line",
       R"({\rtf1 a\tab b\line c\par})",
       {"a\tb\x0b"
        "c"}},
      {"final par ends the last line", R"({\rtf1 a\par b\par})", {"a", "b"}},
      {"text after the last par is a line", R"({\rtf1 a\par b})", {"a", "b"}},
      {"empty text", R"({\rtf1})", {""}},
      {"empty lines", R"({\rtf1 \par\par})", {"", ""}},
      {"junk after the last brace", std::string(R"({\rtf1 a\par}garbage{\rtf1 b\par})") + '\0' + "x", {"a"}},
      {"unterminated", R"({\rtf1 a\par b{\b c)", {"a", "bc"}},
      {"ignorable destinations", R"({\rtf1 {\*\generator x;}{\*\unknown {nested} y}a{\*\bkmkstart b}\par})", {"a"}},
      {"known destinations",
       R"({\rtf1{\stylesheet{\s0 Normal;}}{\info{\title T}}{\header h\par}{\pict 7b7d}a\par})",
       {"a"}},
      {"field keeps its result",
       R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt shown}} text\par})",
       {"shown text"}},
      {"old field instruction without star", R"({\rtf1 {\field{\fldinst PAGE}{\fldrslt 3}}\par})", {"3"}},
      {"object dropped", R"({\rtf1 a{\object\objemb{\*\objdata 0102}{\result {\pict 00}}}b\par})", {"ab"}},
      {"binary data may hold braces", R"({\rtf1 {\pict\bin4 }}{{}b\par})", {"b"}},
      {"binary data outside a picture", "{\\rtf1 a\\bin3 {}}b\\par}", {"ab"}},
      {"hidden text", R"({\rtf1 a{\v hidden}b\par})", {"ab"}},
      {"numbering text",
       R"({\rtf1 {\pntext 1.\tab}{\*\pn\pnlvlbody{\pntxta .}}a\par{\listtext 2.\tab}b\par})",
       {"a", "b"}},
      {"table cells and rows", R"({\rtf1 \intbl a\cell b\cell\row c\par})", {"a\tb\t", "c"}},
      {"sections end lines", R"({\rtf1 a\sect\sectd b\par})", {"a", "b"}},
      {"line ends in the text are not breaks", "{\\rtf1 a\r\nb\n\\\r\nc\\par}", {"ab", "c"}},
      {"control word with a long number", R"({\rtf1 \fs99999999999999999999 a\li-99999999999999 b\par})", {"ab"}},
      {"plain text", "just text", {"just text"}},
  };
  for (const Case& c : cases) EXPECT_EQ(linesOf(readRtf(c.rtf)), c.lines) << c.name;
}

// The writer of each snippet is named: the same bytes mean different things to different
// writers only through the control words around them, so each case keeps its writer's shape.
struct SourceCase {
  const char* writer;
  const char* name;
  std::string rtf;
  std::vector<std::string> lines;
};

template <std::size_t N>
void expectLines(const SourceCase (&cases)[N]) {
  for (const SourceCase& c : cases) EXPECT_EQ(linesOf(readRtf(c.rtf)), c.lines) << c.writer << ": " << c.name;
}

// Word names a font for each class of characters (\loch low ASCII, \hich high single bytes,
// \dbch double-byte) and, after \rtlch, the font of right-to-left text as \af. The bytes of
// left-to-right text decode by the font of their class, never by the right-to-left one.
TEST(RtfRead, WordFontClassesDecideTheCodePage) {
  const std::string fonts =
      R"({\rtf1\ansi\ansicpg932\deff0{\fonttbl{\f0\fcharset0 Times New Roman;}{\f31505\fcharset128 Mincho;})"
      R"({\f31506\fcharset0 Century;}{\f31507\fcharset0 Times New Roman;}})";
  const SourceCase cases[] = {
      {"Word",
       "Japanese run after a right-to-left font",
       R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset0 Times;}{\f1\fcharset128 Mincho;}}\dbch\af1 {\rtlch\af0 \ltrch\dbch\f1 \'82\'b1\'82\'ea}\par})",
       {"これ"}},
      {"Word",
       "Latin run with a double-byte font named",
       R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset0 Century;}{\f1\fcharset128 Mincho;}}\hich\af0\dbch\af1\loch\f0 It\'92s caf\'e9 \'93hi\'94\par})",
       {"It’s café “hi”"}},
      {"Word 2007",
       "Japanese run",
       fonts +
           R"(\pard\plain \rtlch\fcs1 \af31507\afs22 \ltrch\fcs0 \fs21\loch\af31506\hich\af31506\dbch\af31505 )"
           R"({\rtlch\fcs1 \af31507 \ltrch\fcs0 \loch\af31506\hich\af31506\dbch\f31505 \'82\'b1\'82\'ea\'82\'cd\'83\'65\'83\'58\'83\'67\'82\'c5\'82\'b7}\par})",
       {"これはテストです"}},
      {"Word 2007",
       "title run naming no font of its own",
       fonts + R"(\pard\plain \rtlch\fcs1 \af31507\afs22 \ltrch\fcs0 \fs21\loch\af31506\hich\af31506\dbch\af31505 )"
               R"({\rtlch\fcs1 \af31507 \ltrch\fcs0 \'93\'c7\'89\'f0\'83\'65\'83\'58\'83\'67}\par})",
       {"読解テスト"}},
      {"Word 2007",
       "passage in a Latin font",
       fonts +
           R"(\pard\plain \rtlch\fcs1 \af31507 \ltrch\fcs0 \fs21\loch\af31506\hich\af31506\dbch\af31505 )"
           R"({\rtlch\fcs1 \af31507 \ltrch\fcs0 \hich\af31506\dbch\af31505\loch\f31506 \'93It\'92s a caf\'e9 day.\'94}\par})",
       {"“It’s a café day.”"}},
      {"Word 2007",
       "Latin and Japanese runs in one paragraph",
       fonts +
           R"(\pard\plain \ltrpar {\rtlch\fcs1 \af31507 \ltrch\fcs0 \hich\af31506\dbch\af31505\loch\f31506 na\'efve })"
           R"({\rtlch\fcs1 \af31507 \ltrch\fcs0 \loch\af31506\hich\af31506\dbch\f31505 \'93\'fa\'96\'7b})"
           R"({\rtlch\fcs1 \af31507 \ltrch\fcs0 \hich\af31506\dbch\af31505\loch\f31506  \'80}\par})",
       {"naïve 日本 €"}},
      {"Word",
       "right-to-left run keeps its own font",
       R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset0 Times;}{\f1\fcharset177 David;}}\ltrch\f0\rtlch\af1 \'f9\'ec\'e5\'ed\par})",
       {"שלום"}},
      {"LibreOffice",
       "Asian font given as the associated font of \\dbch",
       R"({\rtf1\ansi\deff0{\fonttbl{\f0\fcharset0 Liberation Serif;}{\f5\fcharset128 IPAGothic;}})"
       R"({\dbch\afs22\af5\dbch \'82\'b1}{\hich\af0\loch\f0\loch  caf\'e9}\par})",
       {"こ café"}},
      {"TextEdit",
       "Japanese font by charset",
       R"({\rtf1\ansi\ansicpg1252\cocoartf2639{\fonttbl\f0\fswiss\fcharset0 Helvetica;\f1\fnil\fcharset128 HiraginoSans-W3;})"
       R"(\f0\fs24 caf\'e9 \f1 \'82\'b1\'82\'ea\par})",
       {"café これ"}},
  };
  expectLines(cases);

  // The associated size and weight of right-to-left text are not those of Japanese text.
  const RichText t = readRtf(
      fonts + R"(\pard\plain \rtlch\fcs1 \af31507\afs40\ab \ltrch\fcs0 \fs21\loch\af31506\hich\af31506\dbch\af31505 )"
              R"({\rtlch\fcs1 \af31507\afs40\ab \ltrch\fcs0 \loch\af31506\hich\af31506\dbch\f31505 \'93\'fa}\par})");
  ASSERT_TRUE(runWith(t, "日"));
  EXPECT_EQ(runWith(t, "日")->format.sizeHalfPoints, 21);
  EXPECT_FALSE(runWith(t, "日")->format.bold);
  EXPECT_EQ(runWith(t, "日")->format.fontName, "Mincho");
}

// The code page of a document without \ansicpg is its character set's: \ansi is
// Windows-1252, \mac Mac Roman, \pc 437, \pca 850. Mac code pages have their own tables.
TEST(RtfRead, DocumentAndMacCodePages) {
  const SourceCase cases[] = {
      {"hand-written", "\\ansi alone", R"({\rtf1\ansi caf\'e9 \'85\par})", {"café …"}},
      {"hand-written", "no character set at all", R"({\rtf1 na\'efve\par})", {"naïve"}},
      {"hand-written", "a font without a charset", R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0 na\'efve\par})", {"naïve"}},
      {"hand-written", "\\mac", R"({\rtf1\mac caf\'8e \'c9\par})", {"café …"}},
      {"hand-written", "\\pc", R"({\rtf1\pc caf\'82\par})", {"café"}},
      {"hand-written", "\\pca", R"({\rtf1\pca \'9b\par})", {"ø"}},
      {"TextEdit", "Mac Roman", R"({\rtf1\mac\ansicpg10000 \'80\'8e\par})", {"Äé"}},
      {"Word for Mac",
       "Mac Japanese font",
       R"({\rtf1\mac\ansicpg10001{\fonttbl{\f1\fnil\fcharset78 Hira;}}\f1 \'83\'56\'83\'93\par})",
       {"シン"}},
      {"Word for Mac", "Mac Japanese single bytes", R"({\rtf1\mac\ansicpg10001 \'82\'b1\'fd\'fe\'ff\par})", {"こ©™…"}},
      {"Word for Mac",
       "Mac Roman font in a Windows document",
       R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fnil\fcharset77 Geneva;}}\f0 caf\'8e\par})",
       {"café"}},
      {"our writer", "\\ansicpg932 wins over \\ansi", R"({\rtf1\ansi\ansicpg932 \'82\'a0\par})", {"あ"}},
  };
  expectLines(cases);
}

// Groups a writer adds for readers that lack a feature, alternatives, and marks.
TEST(RtfRead, AlternativesTablesFootnotesAndBreaks) {
  const SourceCase cases[] = {
      {"Word",
       "text-only copy of a nested table",
       R"({\rtf1\ansi\ansicpg1252 A{\nonesttables fallback\par}B\par})",
       {"AB"}},
      {"Word",
       "nested table rows end at \\nestrow",
       R"({\rtf1\ansi \pard\intbl a\cell\pard\intbl\itap2 b\nestcell c\nestcell{\*\nesttableprops\trowd\cellx100\nestrow})"
       R"({\nonesttables b\tab c\par}\pard\intbl\itap2 d\nestcell{\*\nesttableprops\trowd\nestrow}{\nonesttables d\par})"
       R"(\pard\intbl e\cell\row f\par})",
       {"a\tb\tc\t", "d\t", "e\t", "f"}},
      {"Word", "text inside nested table properties", R"({\rtf1 A{\*\nesttableprops B}C\par})", {"ABC"}},
      {"Word", "Unicode alternative of \\upr", R"({\rtf1 {\upr{G}{\*\ud{\u915?}}}\par})", {"Γ"}},
      {"Word",
       "\\upr with formatting in both alternatives",
       R"({\rtf1 a{\upr{\fs20 \'3f\'3f}{\*\ud{\fs20 \u26085?\u26412?}}}b\par})",
       {"a日本b"}},
      {"Word",
       "footnote marks are numbered",
       R"({\rtf1 note{\super\chftn{\footnote\pard\plain{\super\chftn} one}} here, more{\super\chftn})"
       R"({\footnote{\super\chftn} two}.\par})",
       {"note1 here, more2."}},
      {"LibreOffice",
       "footnote as an ignorable destination",
       R"({\rtf1 text{\super\chftn}{\*\footnote\chftn\pard\plain\s20{\super\chftn} note}\par})",
       {"text1"}},
      {"Word", "page and column breaks end a line", R"({\rtf1 a\page b\column c\par})", {"a", "b", "c"}},
      {"Word", "a page break is not \\pagebb", R"({\rtf1 \pard\pagebb a\par})", {"a"}},
  };
  expectLines(cases);
}

// Nesting is data: any depth reads, in constant stack, and the text at the bottom is kept.
TEST(RtfRead, DeepNestingKeepsItsText) {
  for (std::size_t depth : {2000u, 2714u, 100000u}) {
    std::string rtf = "{\\rtf1\\ansi a";
    for (std::size_t i = 0; i < depth; ++i) rtf += i % 100 == 0 ? "{\\b " : "{";
    rtf += "deep";
    rtf += std::string(depth, '}');
    rtf += "c\\par}";
    const RichText t = readRtf(rtf);
    EXPECT_EQ(linesOf(t), (std::vector<std::string>{"adeepc"})) << depth;
    ASSERT_TRUE(runWith(t, "deep")) << depth;
    EXPECT_TRUE(runWith(t, "deep")->format.bold) << depth;
    EXPECT_FALSE(runWith(t, "c")->format.bold) << depth;
  }
}

TEST(RtfRead, CharacterAndParagraphFormats) {
  const RichText t = readRtf(
      R"({\rtf1\ansi\deff1{\fonttbl{\f0\fnil\fcharset0 Arial;}{\f1\fnil\fcharset128 \'82\'6c\'82\'72 \'96\'be\'92\'a9;}})"
      R"({\colortbl ;\red1\green2\blue3;\red0\green0\blue0;})"
      R"(\pard\fi-200\li400\ri100\qc\f0\fs30\cf1\b\i\ul\strike a\plain b\cf2\ulw c\ulnone\uldb d\ul0 e\par)"
      R"(\pard{\b\f1 x}y\strike0\par})");
  ASSERT_EQ(t.lineCount(), 2);
  const Paragraph& p = t.paragraphs()[0];
  EXPECT_EQ((ParaFormat{-200, 400, 100, Align::Center}), p.format);
  ASSERT_EQ(p.runs.size(), 4u);
  CharFormat a;
  a.fontName = "Arial";
  a.charset = 0;
  a.sizeHalfPoints = 30;
  a.color = 0x010203;
  a.bold = a.italic = a.underline = a.strike = true;
  EXPECT_EQ(p.runs[0].format, a);
  CharFormat b;  // \plain: the default font, 12 pt, automatic colour
  b.fontName = "ＭＳ 明朝";
  b.charset = 128;
  b.sizeHalfPoints = 24;
  EXPECT_EQ(p.runs[1].format, b);
  EXPECT_EQ(p.runs[2].text, "cd");  // \ulw and \uldb both underline
  EXPECT_EQ(p.runs[2].format.color, 0x000000);
  EXPECT_TRUE(p.runs[2].format.underline);
  EXPECT_FALSE(p.runs[3].format.underline);
  const Paragraph& q = t.paragraphs()[1];
  EXPECT_EQ(q.format, ParaFormat{});
  EXPECT_TRUE(q.runs[0].format.bold);
  EXPECT_EQ(q.runs[0].format.fontName, "ＭＳ 明朝");
  EXPECT_FALSE(q.runs[1].format.bold);  // the group's bold ended with it
}

TEST(RtfRead, EmptyLinesKeepTheirFormat) {
  const RichText t = readRtf(R"({\rtf1{\fonttbl{\f0\fcharset0 A;}}\b\fs40 \par\b0 x\par})");
  ASSERT_EQ(t.lineCount(), 2);
  ASSERT_EQ(t.paragraphs()[0].runs.size(), 1u);
  EXPECT_TRUE(t.paragraphs()[0].runs[0].format.bold);
  EXPECT_EQ(t.paragraphs()[0].runs[0].format.sizeHalfPoints, 40);
}

TEST(RtfRead, NeverFailsOnHostileInput) {
  // Deep nesting: no stack is consumed per group.
  const std::string deep = "{\\rtf1 a" + std::string(200000, '{') + "b" + std::string(200000, '}') + "c\\par}";
  const RichText d = readRtf(deep);
  EXPECT_EQ(d.lineText(0).substr(0, 1), "a");
  EXPECT_EQ(d.lineText(0).back(), 'c');
  // Every prefix of a real document reads to some text without failing.
  const std::string sample = fixture("richedit-sample.rtf");
  for (std::size_t n = 0; n <= sample.size(); n += 7) {
    const RichText t = readRtf(std::string_view(sample).substr(0, n));
    EXPECT_GE(t.lineCount(), 1);
  }
  const RichText half = readRtf(std::string_view(sample).substr(0, sample.find("<page>")));
  EXPECT_EQ(half.lineText(2), "title=2014年 2回目");
  // Odd bytes everywhere.
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919 + 13) % 256);
  EXPECT_GE(readRtf(junk).lineCount(), 1);
  EXPECT_GE(readRtf("{\\rtf1 \\").lineCount(), 1);
  EXPECT_GE(readRtf("{\\rtf1 \\'").lineCount(), 1);
  EXPECT_GE(readRtf("{\\rtf1 \\'4").lineCount(), 1);
  EXPECT_GE(readRtf("{\\rtf1 \\bin999999999 ab").lineCount(), 1);
  EXPECT_GE(readRtf("}}}}{\\rtf1 x}").lineCount(), 1);
}

}  // namespace
}  // namespace ruvo::rt
