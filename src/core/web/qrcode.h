#pragma once
// The room's address as a QR code, so that a tablet's camera can open it: the symbol as a
// square of modules, made by libqrencode. Drawing it is the window's business.
#include <string>
#include <vector>

namespace ruvo::web {

class TQrCode {
 public:
  TQrCode() = default;
  // The smallest symbol holding the bytes of text (UTF-8 as it is, byte mode) with error
  // correction level M, so a smudged or glossy screen still reads. Empty when text is empty
  // or too long for any symbol.
  static TQrCode Encode(const std::string& text);

  bool Empty() const { return width_ == 0; }
  // Modules a side (21 for version 1, four more each version up); 0 when empty.
  int Width() const { return width_; }
  int Version() const { return Empty() ? 0 : (width_ - 17) / 4; }
  // True for a dark module; x runs left to right, y top to bottom; outside the symbol light.
  bool Dark(int x, int y) const {
    return x >= 0 && y >= 0 && x < width_ && y < width_ && modules_[static_cast<size_t>(y) * width_ + x];
  }
  // Light modules a reader wants around the symbol.
  static constexpr int kQuietZone = 4;

 private:
  int width_ = 0;
  std::vector<bool> modules_;
};

}  // namespace ruvo::web
