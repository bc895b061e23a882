#include "core/text/format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ruvo::text {

std::int64_t roundHalfEven(double v) {
  if (!std::isfinite(v)) return 0;
  const double f = std::floor(v);
  const double diff = v - f;
  double r;
  if (diff > 0.5)
    r = f + 1;
  else if (diff < 0.5)
    r = f;
  else
    r = (std::fmod(f, 2.0) == 0.0) ? f : f + 1;
  return static_cast<std::int64_t>(r);
}

std::int64_t secondsFromMs(std::int64_t ms) {
  std::int64_t q = ms / 1000;
  std::int64_t r = ms % 1000;
  if (r < 0) r += 1000, --q;
  if (r > 500 || (r == 500 && (q % 2 != 0))) ++q;
  return q;
}

// The toolkit turns a float into 18 significant digits and rounds that digit string half
// up (away from zero); printf's correctly rounded ties-to-even would give "0.12" for 0.125.
std::string formatFixed(double v, int decimals) {
  if (!std::isfinite(v)) return std::isnan(v) ? "NAN" : (v > 0 ? "INF" : "-INF");
  if (decimals < 0) decimals = 0;
  if (decimals > 18) decimals = 18;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17e", std::fabs(v));
  // buf: d.ddddddddddddddddde±XX
  std::string digits;
  digits += buf[0];
  int k = 2;
  while (buf[k] != 'e') digits += buf[k++];
  const int exp = std::atoi(buf + k + 1);
  // value = 0.digits * 10^(exp+1); number of digits before the point:
  const int intDigits = exp + 1;
  const int keep = intDigits + decimals;  // digits to keep from the front
  std::string kept;
  bool roundUp = false;
  if (keep < 0) {
    kept = "";
  } else if (keep >= static_cast<int>(digits.size())) {
    kept = digits + std::string(keep - digits.size(), '0');
  } else {
    kept = digits.substr(0, keep);
    roundUp = digits[keep] >= '5';
  }
  int shift = 0;
  if (roundUp) {
    int i = static_cast<int>(kept.size()) - 1;
    while (i >= 0 && kept[i] == '9') kept[i--] = '0';
    if (i >= 0)
      ++kept[i];
    else
      kept.insert(kept.begin(), '1'), shift = 1;
  }
  const int intLen = intDigits + shift;
  std::string out;
  if (intLen <= 0) {
    out = "0";
    if (decimals > 0) {
      out += '.';
      std::string frac(static_cast<std::size_t>(-intLen), '0');
      frac += kept;
      frac.resize(static_cast<std::size_t>(decimals), '0');
      out += frac;
    }
  } else {
    out = kept.substr(0, static_cast<std::size_t>(intLen));
    if (decimals > 0) out += '.' + kept.substr(static_cast<std::size_t>(intLen));
  }
  bool allZero = true;
  for (char c : out)
    if (c >= '1' && c <= '9') allZero = false;
  if (v < 0 && !allZero) out.insert(out.begin(), '-');
  return out;
}

namespace {

std::string pad(std::string s, int width, bool left) {
  if (width > 0 && static_cast<int>(s.size()) < width) {
    if (left)
      s.append(static_cast<std::size_t>(width) - s.size(), ' ');
    else
      s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
  }
  return s;
}

}  // namespace

std::string format(std::string_view fmt, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(fmt.size() + 16);
  const FormatArg* argv = args.begin();
  const std::size_t argc = args.size();
  std::size_t next = 0;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    const char c = fmt[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 1 < fmt.size() && fmt[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    // optional index "n:"
    std::size_t k = j;
    while (k < fmt.size() && fmt[k] >= '0' && fmt[k] <= '9') ++k;
    if (k < fmt.size() && fmt[k] == ':' && k > j) {
      next = static_cast<std::size_t>(std::atoi(std::string(fmt.substr(j, k - j)).c_str()));
      j = k + 1;
    }
    bool left = false;
    if (j < fmt.size() && fmt[j] == '-') left = true, ++j;
    int width = 0;
    while (j < fmt.size() && fmt[j] >= '0' && fmt[j] <= '9') width = width * 10 + (fmt[j++] - '0');
    int prec = -1;
    if (j < fmt.size() && fmt[j] == '.') {
      ++j;
      prec = 0;
      while (j < fmt.size() && fmt[j] >= '0' && fmt[j] <= '9') prec = prec * 10 + (fmt[j++] - '0');
    }
    if (j >= fmt.size()) {
      out.append(fmt.substr(i));
      break;
    }
    const char conv = static_cast<char>(fmt[j] & ~0x20);  // upper case
    const FormatArg* a = next < argc ? &argv[next] : nullptr;
    ++next;
    std::string s;
    if (a) {
      const auto& v = a->value();
      switch (conv) {
        case 'D': {
          std::int64_t n = 0;
          if (auto p = std::get_if<std::int64_t>(&v))
            n = *p;
          else if (auto d = std::get_if<double>(&v))
            n = static_cast<std::int64_t>(*d);
          std::string digits = std::to_string(n < 0 ? -n : n);
          if (prec > 0 && static_cast<int>(digits.size()) < prec)
            digits.insert(0, static_cast<std::size_t>(prec) - digits.size(), '0');
          s = (n < 0 ? "-" : "") + digits;
          break;
        }
        case 'F': {
          double d = 0;
          if (auto p = std::get_if<double>(&v))
            d = *p;
          else if (auto n = std::get_if<std::int64_t>(&v))
            d = static_cast<double>(*n);
          s = formatFixed(d, prec < 0 ? 2 : prec);
          break;
        }
        case 'S': {
          if (auto p = std::get_if<std::string_view>(&v))
            s = std::string(*p);
          else if (auto n = std::get_if<std::int64_t>(&v))
            s = std::to_string(*n);
          if (prec >= 0 && static_cast<int>(s.size()) > prec) s.resize(static_cast<std::size_t>(prec));
          break;
        }
        default:
          s = std::string(fmt.substr(i, j - i + 1));
      }
    }
    out += pad(std::move(s), width, left);
    i = j;
  }
  return out;
}

}  // namespace ruvo::text
