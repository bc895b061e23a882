// The rich-text model and the operations the document, page and question code build on.
#include <gtest/gtest.h>

#include <utility>

#include "core/richtext/richtext.h"

namespace ruvo::rt {
namespace {

CharFormat bold() {
  CharFormat f;
  f.bold = true;
  return f;
}

// A text of lines with per-line formats: "plain", "**bold**" parts and leading tabs.
RichText lines(std::initializer_list<const char*> ls) {
  RichText t;
  bool first = true;
  for (const char* l : ls) {
    if (!first) t.append("\n", {});
    first = false;
    std::string_view s(l);
    bool b = false;
    while (!s.empty()) {
      const std::size_t star = s.find("**");
      t.append(s.substr(0, star), b ? bold() : CharFormat{});
      if (star == std::string_view::npos) break;
      s.remove_prefix(star + 2);
      b = !b;
    }
  }
  t.normalize();
  return t;
}

TEST(RichTextModel, PositionsCountCodePointsAndBreaks) {
  const RichText t = lines({"日本語", "", "ab😀c"});
  EXPECT_EQ(t.lineCount(), 3);
  EXPECT_EQ(t.length(), 3u + 1 + 0 + 1 + 4);
  EXPECT_EQ(t.lineStart(0), 0u);
  EXPECT_EQ(t.lineStart(1), 4u);
  EXPECT_EQ(t.lineStart(2), 5u);
  EXPECT_EQ(t.lineStart(3), t.length());  // past the end: the end
  EXPECT_EQ(t.lineText(2), "ab😀c");
  EXPECT_EQ(t.lineText(3), "");
  EXPECT_EQ(t.lineText(-1), "");
  EXPECT_EQ(plainText(t), "日本語\r\n\r\nab😀c");
  EXPECT_EQ(plainText(RichBuffer{}), "");
  EXPECT_TRUE(RichText().isEmpty());
  EXPECT_FALSE(lines({"", ""}).isEmpty());
}

TEST(RichTextModel, NormalizeMergesRunsAndKeepsEmptyLineFormat) {
  RichText t;
  auto& p = t.paragraphs();
  p.clear();
  p.push_back(Paragraph{{}, {rt::Run{"a", {}}, rt::Run{"", bold()}, rt::Run{"b", {}}, rt::Run{"c", bold()}}});
  p.push_back(Paragraph{{}, {rt::Run{"", bold()}, rt::Run{"", {}}}});
  p.push_back(Paragraph{{}, {}});
  t.normalize();
  ASSERT_EQ(p[0].runs.size(), 2u);
  EXPECT_EQ(p[0].runs[0].text, "ab");
  EXPECT_EQ(p[0].runs[1].text, "c");
  ASSERT_EQ(p[1].runs.size(), 1u);
  EXPECT_TRUE(p[1].runs[0].format.bold);
  ASSERT_EQ(p[2].runs.size(), 1u);
}

TEST(RichTextModel, RunListsAreValuesEvenWhenTheyShareStorage) {
  const rt::Run a{"a", {}}, b{"b", bold()};
  RunList plain{a, b};
  RunList copy = plain;  // never frozen: a copy of its own
  copy[0].text = "changed";
  EXPECT_EQ(plain[0].text, "a");

  RunList frozen{a};
  frozen.share();
  RunList s1 = frozen, s2 = frozen;
  EXPECT_EQ(&std::as_const(s1).front(), &std::as_const(s2).front());  // one block
  s1.push_back(b);
  s2.front().text = "own";
  EXPECT_EQ(frozen, (RunList{a}));
  EXPECT_EQ(s1, (RunList{a, b}));
  EXPECT_EQ(s2.front().text, "own");
  // A list changed in place is no longer shared by its later copies.
  rt::Run& r = frozen.front();
  RunList later = frozen;
  r.text = "after";
  EXPECT_EQ(later.front().text, "a");
  RunList moved = std::move(later);
  EXPECT_TRUE(later.empty());
  EXPECT_EQ(moved.size(), 1u);
  moved.assign(3, b);
  EXPECT_EQ(moved, (RunList{b, b, b}));
  moved.clear();
  EXPECT_TRUE(moved.empty());
}

TEST(RichTextModel, FontNamesCompareByTheirText) {
  CharFormat f;
  EXPECT_EQ(f.fontName, "ＭＳ Ｐゴシック");
  f.fontName = std::string("Times New Roman");
  CharFormat g;
  g.fontName = "Times New Roman";
  EXPECT_EQ(f, g);
  EXPECT_EQ(std::string("Times New Roman"), f.fontName);
  g.fontName = "Arial";
  EXPECT_NE(f, g);
  EXPECT_EQ(FontName("ＭＳ Ｐゴシック"), FontName());
}

TEST(RichTextModel, EmptyLinesReadFromRtfAreEachTheirOwn) {
  // The reader lets alike empty lines share their run; editing one must leave the rest.
  RichText t = readRtf("{\\rtf1\\ansi\\fs30 \\par\\par\\par\\fs40\\par last}");
  ASSERT_EQ(t.lineCount(), 5);
  t.paragraphs()[1].runs.front().text = "typed";
  t.paragraphs()[2].runs.front().format.bold = true;
  EXPECT_EQ(t.lineText(0), "");
  EXPECT_EQ(t.lineText(1), "typed");
  EXPECT_EQ(t.lineText(2), "");
  EXPECT_FALSE(t.paragraphs()[0].runs.front().format.bold);
  EXPECT_TRUE(t.paragraphs()[2].runs.front().format.bold);
  EXPECT_EQ(t.paragraphs()[0].runs.front().format.sizeHalfPoints, 30);
  EXPECT_EQ(t.paragraphs()[3].runs.front().format.sizeHalfPoints, 40);
  const RichText again = readRtf(writeRtf(t));
  EXPECT_EQ(again, t);
}

TEST(RichTextModel, FormatAtAndAppend) {
  RichText t("x\ny", bold());
  EXPECT_EQ(t.lineCount(), 2);
  EXPECT_TRUE(t.formatAt(0).bold);
  const RichText u = lines({"a**b**", ""});
  EXPECT_FALSE(u.formatAt(0).bold);
  EXPECT_TRUE(u.formatAt(1).bold);
  EXPECT_TRUE(u.formatAt(2).bold);  // the break carries its line's last format
  RichText v;
  v.appendParagraph(Paragraph{{}, {rt::Run{"one", {}}}});
  v.appendParagraph(Paragraph{{}, {rt::Run{"two", {}}}});
  EXPECT_EQ(plainText(v), "one\r\ntwo");
  RichText crlf("a\r\nb\rc\n\nd");
  EXPECT_EQ(crlf.lineCount(), 5);
  EXPECT_EQ(plainText(crlf), "a\r\nb\r\nc\r\n\r\nd");
}

TEST(RichTextModel, ParaFormatPoints) {
  ParaFormat f;
  f.setPoints(48, -16, 16);
  EXPECT_EQ(f.leftIndent, 32 * 20);
  EXPECT_EQ(f.firstIndent, 16 * 20);
  EXPECT_EQ(f.rightIndent, 320);
  EXPECT_EQ(f.firstLinePoints(), 48);
  EXPECT_EQ(f.followingOffsetPoints(), -16);
  EXPECT_EQ(f.rightPoints(), 16);
  f.setPoints(80, 8, 0);  // hanging: the following lines start right of the first
  EXPECT_EQ(f.firstLinePoints(), 80);
  EXPECT_EQ(f.followingOffsetPoints(), 8);
  EXPECT_EQ(f.leftIndent, 88 * 20);
}

TEST(RichTextOps, CopyRange) {
  const RichText t = lines({"ab**cd**", "efg", "hi"});
  EXPECT_EQ(plainText(copyRange(t, {1, 2})), "bc");
  EXPECT_EQ(plainText(copyRange(t, {3, 4})), "d\r\nef");
  EXPECT_EQ(plainText(copyRange(t, {0, 5})), "abcd\r\n");  // ends with the break: an empty last line
  EXPECT_EQ(plainText(copyRange(t, {5, 100})), "efg\r\nhi");
  EXPECT_EQ(plainText(copyRange(t, {100, 5})), "");
  const RichText c = copyRange(t, {1, 2});
  ASSERT_EQ(c.paragraphs()[0].runs.size(), 2u);
  EXPECT_FALSE(c.paragraphs()[0].runs[0].format.bold);
  EXPECT_TRUE(c.paragraphs()[0].runs[1].format.bold);
  const RichText e = copyRange(t, {0, 5});
  EXPECT_TRUE(e.paragraphs()[1].runs[0].format.bold);
}

TEST(RichTextOps, ReplaceAndDelete) {
  struct Case {
    Range r;
    const char* with;
    const char* expected;
  } cases[] = {
      {{1, 1}, "X", "aXc\r\ndef"}, {{1, 0}, "1\n2", "a1\r\n2bc\r\ndef"}, {{2, 3}, "", "abef"},
      {{0, 100}, "z", "z"},        {{50, 2}, "!", "abc\r\ndef!"},        {{3, 1}, "\n\n", "abc\r\n\r\ndef"},
  };
  for (const Case& c : cases) {
    RichText t = lines({"abc", "def"});
    replaceRange(t, c.r, RichText(c.with));
    EXPECT_EQ(plainText(t), c.expected) << c.r.start << "+" << c.r.length << " <- " << c.with;
  }
  RichText t = lines({"abc", "def"});
  deleteRange(t, {3, 1});
  EXPECT_EQ(plainText(t), "abcdef");
  EXPECT_EQ(t.lineCount(), 1);
}

TEST(RichTextOps, ParagraphFormatsTravelWithTheirLines) {
  RichText t = lines({"abc", "def"});
  t.paragraphs()[1].format.leftIndent = 200;
  RichText w = lines({"X", "Y"});
  w.paragraphs()[0].format.leftIndent = 40;
  w.paragraphs()[1].format.leftIndent = 60;
  replaceRange(t, {5, 0}, w);  // inside "def": "dX" | "Yef"
  ASSERT_EQ(t.lineCount(), 3);
  EXPECT_EQ(t.paragraphs()[1].format.leftIndent, 40);
  EXPECT_EQ(t.paragraphs()[2].format.leftIndent, 200);
  RichText empty;
  replaceRange(empty, {0, 0}, w);
  EXPECT_EQ(empty.paragraphs()[1].format.leftIndent, 60);
  // Deleting the lines before a line leaves it its own format.
  RichText d = lines({"a", "b"});
  d.paragraphs()[1].format.rightIndent = 100;
  deleteRange(d, selectLines(d, 0, 0));
  EXPECT_EQ(d.paragraphs()[0].format.rightIndent, 100);
}

TEST(RichTextOps, FormatRangeSplitsRuns) {
  RichText t = lines({"abcdef", "", "gh"});
  formatRange(t, {2, 7}, [](CharFormat& f) { f.bold = true; });
  const auto& p = t.paragraphs();
  ASSERT_EQ(p[0].runs.size(), 2u);
  EXPECT_EQ(p[0].runs[1].text, "cdef");
  EXPECT_TRUE(p[0].runs[1].format.bold);
  EXPECT_TRUE(p[1].runs[0].format.bold);  // the empty line's break is inside
  ASSERT_EQ(p[2].runs.size(), 2u);
  EXPECT_EQ(p[2].runs[0].text, "g");
  EXPECT_TRUE(p[2].runs[0].format.bold);
  EXPECT_FALSE(p[2].runs[1].format.bold);
}

TEST(RichTextOps, FormatParagraphsTouched) {
  RichText t = lines({"a", "b", "c"});
  formatParagraphs(t, selectLines(t, 0, 1), [](ParaFormat& f) { f.align = Align::Center; });
  EXPECT_EQ(t.paragraphs()[1].format.align, Align::Center);
  EXPECT_EQ(t.paragraphs()[2].format.align, Align::Left);  // the selection ends at its start
  formatParagraphs(t, {5, 0}, [](ParaFormat& f) { f.align = Align::Right; });
  EXPECT_EQ(t.paragraphs()[2].format.align, Align::Right);
}

TEST(RichTextOps, SelectLines) {
  const RichText t = lines({"ab", "cde", "f"});
  EXPECT_EQ(selectLines(t, 0, 0), (Range{0, 3}));
  EXPECT_EQ(selectLines(t, 1, 2), (Range{3, 5}));  // the last line has no break
  EXPECT_EQ(selectLines(t, 0, 9), (Range{0, 8}));
  EXPECT_EQ(selectLines(t, 2, 1), (Range{7, 0}));
}

TEST(RichTextOps, CopyLinesToBuffer) {
  RichText src = lines({"title", "**bold** line", "\tchoice", "end"});
  for (Paragraph& p : src.paragraphs()) p.format.setPoints(10, 20, 30);

  EXPECT_FALSE(copyLinesToBuffer(src, 4, 3).has_value());

  const RichBuffer two = copyLinesToBuffer(src, 1, 2);
  ASSERT_TRUE(two);
  EXPECT_EQ(plainText(two), "bold line\r\n\tchoice\r\n");
  for (const Paragraph& p : two->paragraphs()) EXPECT_EQ(p.format, ParaFormat{});

  const RichBuffer one = copyLinesToBuffer(src, 1, std::nullopt);
  ASSERT_TRUE(one);
  ASSERT_EQ(one->lineCount(), 1);
  EXPECT_EQ(plainText(one), "bold line");
  EXPECT_TRUE(one->paragraphs()[0].runs[0].format.bold);
  EXPECT_FALSE(one->paragraphs()[0].runs[1].format.bold);
  EXPECT_EQ(one->paragraphs()[0].format, ParaFormat{});

  EXPECT_EQ(plainText(copyLinesToBuffer(src, 3, std::nullopt)), "end");
  const RichBuffer none = copyLinesToBuffer(src, 9, std::nullopt);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->isEmpty());

  // Ranges reaching past either end are clipped; a range wholly outside is no text.
  EXPECT_EQ(plainText(copyLinesToBuffer(src, 2, 9)), "\tchoice\r\nend");
  EXPECT_EQ(plainText(copyLinesToBuffer(src, -5, 0)), "title\r\n");
  EXPECT_FALSE(copyLinesToBuffer(src, 4, 9).has_value());
  EXPECT_FALSE(copyLinesToBuffer(src, -3, -1).has_value());
}

TEST(RichTextOps, CopiedLinesHaveTheirRunsMerged) {
  // Runs split by earlier edits come out as one run per look, as a save and load would give.
  RichText src = lines({"**a**plain", "x"});
  auto& runs = src.paragraphs()[0].runs;
  rt::RunList split;
  split.push_back(runs[0]);
  split.push_back(rt::Run{"", runs[0].format});
  for (std::size_t i = 1; i < runs.size(); ++i) split.push_back(runs[i]);
  runs = split;
  runs.push_back(rt::Run{" more", runs[2].format});
  const RichBuffer copy = copyLinesToBuffer(src, 0, 0);
  ASSERT_TRUE(copy);
  ASSERT_EQ(copy->lineCount(), 2);
  ASSERT_EQ(copy->paragraphs()[0].runs.size(), 2u);
  EXPECT_EQ(copy->paragraphs()[0].runs[1].text, "plain more");
  EXPECT_FALSE(copy->paragraphs()[1].runs[0].format.bold);  // the break's line continues the end's look
  EXPECT_EQ(copyLine(src, 0).paragraphs()[0].runs.size(), 2u);
}

TEST(RichTextOps, Caption) {
  struct Case {
    const char* plain;
    std::string expected;
  } cases[] = {
      {"", ""},
      {" \r\n\t\r\n  third line \r\nfourth", "third line"},
      {"\r\n\r\n", ""},
      {"first\nsecond", "first"},
  };
  for (const Case& c : cases) EXPECT_EQ(caption(c.plain), c.expected) << c.plain;
  // 100 CP932 bytes, never half a character: 99 ASCII + a double-byte character is 101.
  const std::string longLine = std::string(99, 'a') + "漢字";
  EXPECT_EQ(caption(longLine), std::string(99, 'a'));
  const std::string kanji = std::string(98, 'a') + "漢字";
  EXPECT_EQ(caption(kanji), std::string(98, 'a') + "漢");
  EXPECT_EQ(caption(RichBuffer{}), "");
  EXPECT_EQ(caption(RichBuffer{RichText("\r\n  x ")}), "x");
}

TEST(RichTextOps, LayoutParagraphs) {
  RichText t = lines({"plain", "\tquestion", "\t\tchoice", "\t\t\tthree", "\t"});
  const IndentSettings s{10, 5, 7, 30, 4};
  layoutParagraphs(t, s);
  const auto& p = t.paragraphs();
  EXPECT_EQ(plainText(t), "plain\r\nquestion\r\nchoice\r\nthree\r\n");
  EXPECT_EQ(p[0].format.firstLinePoints(), 17);
  EXPECT_EQ(p[0].format.followingOffsetPoints(), -7);
  EXPECT_EQ(p[0].format.leftIndent, 200);  // wrapped lines at the left margin
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(p[k].format.firstLinePoints(), 10 + k * 30) << k;
    EXPECT_EQ(p[k].format.followingOffsetPoints(), 4) << k;
  }
  for (const Paragraph& q : p) EXPECT_EQ(q.format.rightPoints(), 5);
  EXPECT_EQ(p[4].format.firstLinePoints(), 40);  // a line of one tab is a level-1 empty line
}

TEST(RichTextOps, LayoutTabsAcrossRuns) {
  RichText t;
  t.append("\t", {});
  t.append("\tx\ty", bold());
  layoutParagraphs(t, {});
  EXPECT_EQ(plainText(t), "x\ty");
  EXPECT_EQ(t.paragraphs()[0].format.firstLinePoints(), 16 + 2 * 32);
  EXPECT_TRUE(t.paragraphs()[0].runs[0].format.bold);
}

TEST(RichTextOps, ShowPageText) {
  const IndentSettings s;
  {  // a text whose only line is empty keeps it
    RichText target;
    const Range r = showPageText(RichBuffer{RichText()}, target, {0, 0}, s);
    EXPECT_EQ(target.lineCount(), 1);
    EXPECT_EQ(r, (Range{0, 0}));
  }
  {  // two lines, the second empty: shown as one
    RichText target;
    const Range r = showPageText(RichBuffer{RichText("only\n")}, target, {0, 0}, s);
    EXPECT_EQ(plainText(target), "only");
    EXPECT_EQ(r, (Range{0, 4}));
    EXPECT_EQ(target.paragraphs()[0].format.firstLinePoints(), 32);
  }
  {  // in place of a selection, laid out, every line including the last
    RichText target("head\nSELtail");
    const Range r = showPageText(RichBuffer{RichText("a\n\tb\n")}, target, {5, 3}, s);
    EXPECT_EQ(plainText(target), "head\r\na\r\nbtail");
    EXPECT_EQ(r, (Range{5, 3}));
    EXPECT_EQ(target.paragraphs()[1].format.firstLinePoints(), 32);
    EXPECT_EQ(target.paragraphs()[0].format, ParaFormat{});
  }
  {  // at the caret, into an empty line: the line takes the shown text's layout
    RichText target("x\n\ny");
    showPageText(RichBuffer{RichText("\tq")}, target, {2, 0}, s);
    EXPECT_EQ(plainText(target), "x\r\nq\r\ny");
    EXPECT_EQ(target.paragraphs()[1].format.firstLinePoints(), 16 + 32);
  }
  {  // an empty buffer inserts nothing
    RichText target("abc");
    const Range r = showPageText(RichBuffer{}, target, {1, 1}, s);
    EXPECT_EQ(plainText(target), "ac");
    EXPECT_EQ(r, (Range{1, 0}));
  }
}

}  // namespace
}  // namespace ruvo::rt
