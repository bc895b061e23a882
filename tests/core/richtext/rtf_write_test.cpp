// Writing RTF in the rich-edit shape, and reading it back to the same model.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "core/richtext/richtext.h"
#include "core/text/cp932.h"
#include "core/text/utf8.h"

namespace ruvo::rt {
namespace {

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(RUVO_FIXTURES_DIR) + "/rtf/" + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string describe(const RichText& t) {
  std::string s;
  for (const Paragraph& p : t.paragraphs()) {
    s += "[" + std::to_string(p.format.firstIndent) + "," + std::to_string(p.format.leftIndent) + "," +
         std::to_string(p.format.rightIndent) + "," + std::to_string(static_cast<int>(p.format.align)) + "]";
    for (const rt::Run& r : p.runs) {
      const CharFormat& f = r.format;
      s += "<" + f.fontName.str() + "/" + std::to_string(f.charset) + "/" + std::to_string(f.sizeHalfPoints) + "/" +
           std::to_string(f.color) + (f.bold ? "B" : "") + (f.italic ? "I" : "") + (f.underline ? "U" : "") +
           (f.strike ? "S" : "") + ">" + r.text;
    }
    s += "\n";
  }
  return s;
}

TEST(RtfWrite, RichEditShape) {
  RichText t;
  t.append("日本語 text\n", CharFormat{});
  CharFormat red;
  red.color = 0xFF0000;
  red.bold = true;
  t.append("赤", red);
  t.append(
      "\tx\x0b"
      "y\n\n",
      CharFormat{});
  t.paragraphs()[1].format.setPoints(48, -16, 16);
  const std::string rtf = writeRtf(t);
  EXPECT_EQ(
      rtf.rfind(
          "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl"
          "{\\f0\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'82\\'6f\\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}}\r\n"
          "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
          "\\viewkind4\\uc1\\pard\\f0\\fs20 \\'93\\'fa\\'96\\'7b\\'8c\\'ea text\\par\r\n",
          0),
      0u)
      << rtf;
  EXPECT_NE(rtf.find("\\pard\\fi320\\li640\\ri320\\cf1\\b \\'90\\'d4\\cf0\\b0\\tab x\\line y\\par\r\n"),
            std::string::npos)
      << rtf;
  EXPECT_EQ(rtf.substr(rtf.size() - 15), "\\par\r\n\\par\r\n}\r\n");
}

TEST(RtfWrite, CharactersOutsideTheCodePage) {
  CharFormat western;
  western.fontName = "Times New Roman";
  western.charset = 0;
  RichText t("é€한😀\\{}", CharFormat{});
  t.append("\né€한", western);
  const std::string rtf = writeRtf(t);
  // CP932 has neither é nor €; above the BMP a surrogate pair of signed 16-bit numbers.
  EXPECT_NE(rtf.find(R"(\u233?\u8364?\u-10916?\u-10179?\u-8704?\\\{\}\par)"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find(R"(\'e9\'80\u-10916?\par)"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find(R"({\f1\fnil\fcharset0 Times New Roman;})"), std::string::npos) << rtf;
  EXPECT_EQ(readRtf(rtf), t);
}

TEST(RtfWrite, EveryCp932CharacterSurvives) {
  // Every character with a CP932 code comes back as itself, also those whose code reads
  // back as a look-alike.
  std::string all;
  std::vector<char32_t> lookAlikes;
  for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const int code = text::cp932Code(cp);
    if (code < 0) continue;
    if (text::cp932Decode(static_cast<std::uint16_t>(code)) != cp) lookAlikes.push_back(cp);
    text::appendUtf8(all, cp);
  }
  EXPECT_EQ(lookAlikes, (std::vector<char32_t>{0xA2, 0xA3, 0xAC, 0x2014, 0x2016, 0x2212, 0x301C}));
  RichText t(all);
  EXPECT_EQ(readRtf(writeRtf(t)), t);
  // So do the look-alikes in a font's name, where no group may stand.
  CharFormat f;
  std::string name = "a";
  for (const char32_t cp : lookAlikes) text::appendUtf8(name, cp);
  f.fontName = name;
  const RichText named("x", f);
  EXPECT_EQ(readRtf(writeRtf(named)), named) << writeRtf(named);
}

TEST(RtfWrite, LookAlikesCarryTheirCp932CodeForOtherReaders) {
  // A reader that skips \u sees 0x8160 (the full-width tilde) instead of "?".
  const std::string rtf = writeRtf(RichText("a〜b"));
  EXPECT_NE(rtf.find("a{\\uc2\\u12316\\'81\\'60}b"), std::string::npos) << rtf;
  EXPECT_EQ(plainText(readRtf(rtf)), "a〜b");
}

TEST(RtfWrite, FixturesRoundTrip) {
  for (const char* name :
       {"richedit-sample.rtf", "wordpad.rtf", "word.rtf", "libreoffice.rtf", "libreoffice-tabs.rtf"}) {
    const RichText once = readRtf(fixture(name));
    const RichText twice = readRtf(writeRtf(once));
    EXPECT_EQ(describe(twice), describe(once)) << name;
  }
}

// Random models of everything the model can hold.
class ModelMaker {
 public:
  explicit ModelMaker(unsigned seed) : rng_(seed) {}

  RichText make() {
    // A few formats per text, so that neighbouring runs and lines often share one.
    palette_.clear();
    for (int i = pick(1, 3); i > 0; --i) palette_.push_back(format());
    RichText t;
    auto& paras = t.paragraphs();
    paras.clear();
    const int n = pick(1, 6);
    for (int i = 0; i < n; ++i) {
      Paragraph p;
      if (pick(0, 2) > 0) {
        p.format.firstIndent = pick(-2000, 2000);
        p.format.leftIndent = pick(-500, 6000);
        p.format.rightIndent = pick(0, 3000);
        p.format.align = static_cast<Align>(pick(0, 3));
      }
      const int runs = pick(0, 5);
      for (int k = 0; k < runs; ++k)
        p.runs.push_back(
            rt::Run{text(), palette_[static_cast<std::size_t>(pick(0, static_cast<int>(palette_.size()) - 1))]});
      paras.push_back(std::move(p));
    }
    return t;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  CharFormat format() {
    static const std::pair<const char*, int> fonts[] = {
        {"ＭＳ Ｐゴシック", 128}, {"ＭＳ 明朝", 128}, {"Times New Roman", 0}, {"Arial", 0},
        {"Odd;{name}\\x", 0},     {"SimSun", 134},    {"Symbol", 2},          {"", 1},
    };
    CharFormat f;
    const auto& font = fonts[pick(0, 7)];
    f.fontName = font.first;
    f.charset = font.second;
    f.sizeHalfPoints = pick(2, 144);
    f.color = pick(0, 3) == 0 ? kAutoColor : pick(0, 3) == 0 ? 0 : pick(0, 0xFFFFFF);
    f.bold = pick(0, 1);
    f.italic = pick(0, 1);
    f.underline = pick(0, 1);
    f.strike = pick(0, 1);
    return f;
  }

  std::string text() {
    static const char32_t pool[] = {
        'a', 'Z', '0', '9', ' ', '-', '?', ';', '\\', '{', '}', '\t', 0x0B, 0x01, 0x1F, 0x7F, U'あ', U'漢', U'字',
        U'ソ', U'表', U'ｱ', U'ﾟ', U'￥', U'～', U'∥', U'①', U'㈱',  // CP932, some of them with an ASCII
                                                                    // trail byte
        U'é', U'€', U'“', U'ÿ', 0x81, 0xA0,                         // Windows-1252
        U'한', U'Ω', U'ß', 0x2011, 0xFFFD, 0xFEFF,                  // neither
        0x1F600, 0x20BB7, 0x10FFFF,                                 // above the BMP
    };
    std::string s;
    const int n = pick(0, 12);
    for (int i = 0; i < n; ++i) text::appendUtf8(s, pool[pick(0, static_cast<int>(std::size(pool)) - 1)]);
    return s;
  }

  std::mt19937 rng_;
  std::vector<CharFormat> palette_;
};

TEST(RtfWrite, AnyModelReadsBackTheSame) {
  ModelMaker maker(20240509);
  for (int i = 0; i < 3000; ++i) {
    RichText model = maker.make();
    const std::string rtf = writeRtf(model);
    model.normalize();
    const RichText back = readRtf(rtf);
    ASSERT_EQ(describe(back), describe(model)) << "model " << i << "\n" << rtf;
    ASSERT_EQ(back, model);
  }
}

}  // namespace
}  // namespace ruvo::rt
