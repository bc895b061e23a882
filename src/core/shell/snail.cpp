#include "core/shell/snail.h"

#include <array>

namespace ruvo::shell {

std::string TSnail::Glyph(int second) {
  static const std::array<const char*, 10> frames = {
      "__@ﾉ'", "__@ノ'", "__＠ﾉ'", "__＠ノ'", "__@ﾉ’", "__@ノ’", "__＠ﾉ’", "__＠ノ’", "___@ﾉ’", ".__@ノ’",
  };
  const int s = ((second % 60) + 60) % 60;
  if (s % 59 == 0) return "__＠ﾉ”";
  return frames[static_cast<std::size_t>(s % 10)];
}

TSnail::TSnail(const Geometry& g) : top_(bottom(g)), glyph_(Glyph(1)) {}

void TSnail::Tick(int second, const Geometry& g, int randomUp) {
  glyph_ = Glyph(second);
  if (second % 11 == 0) {
    ++blanks_;
    if (blanks_ * g.blankWidth >= g.labelWidth) blanks_ = 1;
  }
  if (second % 48 == 0) top_ -= randomUp;
  if (top_ < 3 - g.labelHeight) top_ = bottom(g);
}

std::string TSnail::Text() const { return std::string(static_cast<std::size_t>(blanks_), ' ') + glyph_; }

}  // namespace ruvo::shell
