#pragma once
// The snail that crawls along the bottom of the help tab, one step per second of the clock.
#include <string>

namespace ruvo::shell {

class TSnail final {
 public:
  struct Geometry {
    int labelWidth = 0;    // the snail label's width
    int labelHeight = 0;   // its height
    int parentHeight = 0;  // the height of the panel it crawls on
    int blankWidth = 1;    // the width of one blank in the label's font
  };

  // The glyph shown at second s of the clock (0..59).
  static std::string Glyph(int second);

  explicit TSnail(const Geometry& g);
  // One tick at second s; randomUp (0..2) is how far the snail climbs when it climbs.
  void Tick(int second, const Geometry& g, int randomUp);

  std::string Text() const;  // the leading blanks, then the glyph
  int Top() const { return top_; }
  int Blanks() const { return blanks_; }

 private:
  static int bottom(const Geometry& g) { return g.parentHeight - g.labelHeight - 8; }
  int blanks_ = 1;
  int top_ = 0;
  std::string glyph_;
};

}  // namespace ruvo::shell
