#include "document/qdxNumbers.h"

#include <charconv>
#include <cmath>

std::string qdxFloatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string s(buf, r.ptr);
  // Exponents as "1E20" and "1E-5": no plus sign, no leading zeros.
  size_t e = s.find('e');
  if (e != std::string::npos) {
    std::string mant = s.substr(0, e);
    std::string exp = s.substr(e + 1);
    bool neg = !exp.empty() && exp[0] == '-';
    size_t k = (!exp.empty() && (exp[0] == '-' || exp[0] == '+')) ? 1 : 0;
    while (k + 1 < exp.size() && exp[k] == '0') ++k;
    s = mant + "E" + (neg ? "-" : "") + exp.substr(k);
  }
  return s;
}

namespace {

// Plain decimals ("-12.375", "40") of at most 15 digits are exact as an
// integer over a power of ten, and one division of exact values rounds
// correctly: the same double from_chars gives, without its general machinery.
bool PlainDecimal(std::string_view text, double& value) {
  static constexpr double Pow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  uint64_t mantissa = 0;
  int digits = 0, fraction = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
      if (++digits > 15) return false;
      if (point) ++fraction;
    } else if ((c == '.' || c == ',') && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  value = static_cast<double>(mantissa) / Pow10[fraction];
  if (negative) value = -value;
  return true;
}

}  // namespace

double qdxStrToFloat(std::string_view text) {
  double plain;
  if (PlainDecimal(text, plain)) return plain;
  // Every coordinate of every object read goes through here: numbers are
  // short, so they are normalised on the stack.
  char buffer[64];
  std::string heap;
  char* out = buffer;
  if (text.size() > sizeof buffer) {
    heap.resize(text.size());
    out = heap.data();
  }
  size_t n = 0;
  for (char c : text) {
    if (c == ' ') continue;
    out[n++] = c == ',' ? '.' : c;
  }
  const char* b = out;
  const char* e = out + n;
  if (b != e && *b == '+') ++b;
  double v = 0;
  auto r = std::from_chars(b, e, v);
  if (n == 0 || r.ec != std::errc() || r.ptr != e || !std::isfinite(v))
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return v;
}

bool qdxTryStrToInt(std::string_view text, int64_t& value) {
  const char* b = text.data();
  const char* e = text.data() + text.size();
  while (b != e && *b == ' ') ++b;
  while (e != b && e[-1] == ' ') --e;
  if (b != e && *b == '+') ++b;
  auto r = std::from_chars(b, e, value);
  return b != e && r.ec == std::errc() && r.ptr == e;
}

int64_t qdxStrToInt(std::string_view text) {
  int64_t v = 0;
  if (!qdxTryStrToInt(text, v)) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return v;
}
