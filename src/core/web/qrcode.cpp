#include "core/web/qrcode.h"

#include <qrencode.h>

#include <memory>

namespace ruvo::web {

TQrCode TQrCode::Encode(const std::string& text) {
  TQrCode out;
  if (text.empty()) return out;
  // Byte mode over the whole text: an address may carry characters the other modes lack.
  std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
      QRcode_encodeData(static_cast<int>(text.size()), reinterpret_cast<const unsigned char*>(text.data()), 0,
                        QR_ECLEVEL_M),
      &QRcode_free);
  if (!code || code->width <= 0) return out;
  out.width_ = code->width;
  const size_t n = static_cast<size_t>(code->width) * code->width;
  out.modules_.resize(n);
  for (size_t i = 0; i < n; ++i) out.modules_[i] = (code->data[i] & 1) != 0;  // bit 0: dark
  return out;
}

}  // namespace ruvo::web
