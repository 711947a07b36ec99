#include "export/pdf/qdxExportPDFHelpers.h"

#include "export/pdf/qdxPDFEncryption.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <cmath>
#include <zlib.h>

namespace {

// The digits of value rounded to the given decimals, as to_chars writes them,
// into buf; returns the end. Pages hold hundreds of thousands of numbers, so
// moderate values are rounded here, exactly as to_chars rounds the binary
// value (half to even); large ones go through to_chars.
// The rounding error of a × b, exactly (Dekker's product, no fused
// multiply-add needed): a × b = fl(a × b) + error.
double ProductError(double a, double b, double product) {
  constexpr double Split = 134217729.0;  // 2^27 + 1
  const double ca = Split * a, ahi = ca - (ca - a), alo = a - ahi;
  const double cb = Split * b, bhi = cb - (cb - b), blo = b - bhi;
  return ((ahi * bhi - product) + ahi * blo + alo * bhi) + alo * blo;
}

char* FixedDigits(char* buf, char* end, double value, int decimals) {
  static constexpr double Scale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  if (decimals >= 0 && decimals <= 6) {
    const double magnitude = std::fabs(value);
    const double scaled = magnitude * Scale[decimals];
    if (scaled < 1e12) {
      const double low = static_cast<double>(static_cast<int64_t>(scaled));
      const double frac = scaled - low;
      // The product may be off by half a unit in its last place, so near the
      // half the exact remainder of the product decides: above rounds up,
      // below down, an exact half to the even digit. Points are multiples of
      // 0.375 on many pages, so exact halves are common.
      bool up = frac > 0.5;
      if (frac > 0.499 && frac < 0.501) {
        const double above = (frac - 0.5) + ProductError(magnitude, Scale[decimals], scaled);
        up = above > 0 || (above == 0 && (static_cast<int64_t>(low) & 1) != 0);
      }
      uint64_t n = static_cast<uint64_t>(low) + (up ? 1 : 0);
      char digits[32];
      char* const last = digits + sizeof digits;
      char* p = last;
      for (int i = 0; i < decimals; ++i) {
        *--p = static_cast<char>('0' + n % 10);
        n /= 10;
      }
      if (decimals > 0) *--p = '.';
      do {
        *--p = static_cast<char>('0' + n % 10);
        n /= 10;
      } while (n != 0);
      if (value < 0) *--p = '-';
      const size_t length = static_cast<size_t>(last - p);
      std::memcpy(buf, p, length);
      return buf + length;
    }
  }
  auto r = std::to_chars(buf, end, value, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) throw EPDFError("Number out of range for PDF");
  return r.ptr;
}

// True when the text is a minus sign followed by zeros (and a point).
bool NegativeZero(const char* b, const char* e) {
  if (b == e || *b != '-') return false;
  for (const char* p = b + 1; p != e; ++p)
    if (*p != '0' && *p != '.') return false;
  return true;
}

}  // namespace

std::string FloatToPdfCompact(double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  char buf[400];
  char* b = buf;
  char* e = FixedDigits(buf, buf + sizeof buf, value, decimals);
  if (decimals > 0) {
    while (e[-1] == '0') --e;
    if (e[-1] == '.') --e;
  }
  if (NegativeZero(b, e)) ++b;
  return std::string(b, e);
}

std::string FloatToPdf(double value) {
  std::string s;
  AppendFloatToPdf(s, value);
  return s;
}

void AppendFloatToPdf(std::string& out, double value) {
  if (!std::isfinite(value)) value = 0;
  char buf[400];
  char* b = buf;
  char* e = FixedDigits(buf, buf + sizeof buf, value, 2);
  if (NegativeZero(b, e)) ++b;
  out.append(b, e);
}

int PdfRound(double value) { return static_cast<int>(std::nearbyint(value)); }

std::string PdfRef(int number) { return std::to_string(number) + " 0 R"; }

std::string PdfEscape(std::string_view bytes) {
  std::string s;
  s.reserve(bytes.size() + 8);
  for (char c : bytes) {
    switch (c) {
      case '\n': s += "\\n"; break;
      case '\r': s += "\\r"; break;
      case '(': s += "\\("; break;
      case ')': s += "\\)"; break;
      case '\\': s += "\\\\"; break;
      default: s += c;
    }
  }
  return s;
}

std::string PdfLiteral(std::string_view bytes) { return "(" + PdfEscape(bytes) + ")"; }

std::string PdfTextBytes(std::u16string_view text) {
  std::string s = "\xFE\xFF";
  s.reserve(2 + 2 * text.size());
  for (char16_t c : text) {
    s += char(c >> 8);
    s += char(c & 0xFF);
  }
  return s;
}

std::string PdfName(std::string_view name) {
  static const char Hex[] = "0123456789ABCDEF";
  static const std::string_view Delimiters = "#()<>[]{}/%";
  std::string s = "/";
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < '!' || c > '~' || Delimiters.find(ch) != std::string_view::npos) {
      s += '#';
      s += Hex[c >> 4];
      s += Hex[c & 15];
    } else {
      s += ch;
    }
  }
  return s;
}

std::string PdfUriBytes(std::string_view utf8) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string s;
  for (char ch : utf8) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c >= 127) {
      s += '%';
      s += Hex[c >> 4];
      s += Hex[c & 15];
    } else {
      s += ch;
    }
  }
  return s;
}

std::optional<int> ParsePageLinkNumber(std::string_view text) {
  int n = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || n < 1)
    return std::nullopt;
  return n - 1;
}

std::string DeflateBytes(std::string_view data, int level) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                     reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                     level);
  if (rc != Z_OK) throw EPDFError("Stream compression failed");
  out.resize(size);
  return out;
}

// ---------------------------------------------------------------------------

void TPDFObjectsHelper::Begin(TStream& out, const TqdxPDFSecurity* security) {
  FStream = &out;
  FSecurity = security;
  FBuffer.clear();
  FPosition = 0;
  FXRef.clear();
}

void TPDFObjectsHelper::End() {
  if (FStream) Flush();
  FStream = nullptr;
  FSecurity = nullptr;
}

void TPDFObjectsHelper::Abandon() {
  FBuffer.clear();
  FStream = nullptr;
  FSecurity = nullptr;
}

void TPDFObjectsHelper::Flush() {
  if (!FBuffer.empty()) FStream->WriteString(FBuffer);
  FBuffer.clear();
}

void TPDFObjectsHelper::WriteRaw(std::string_view text) {
  if (!FStream) throw EPDFError("PDF file not started");
  FBuffer.append(text);
  FPosition += int64_t(text.size());
  if (FBuffer.size() >= 1 << 16) Flush();
}

void TPDFObjectsHelper::WriteLine(std::string_view text) {
  WriteRaw(text);
  WriteRaw("\r\n");
}

int TPDFObjectsHelper::NewObject() {
  FXRef.push_back(FPosition);
  return int(FXRef.size());
}

void TPDFObjectsHelper::StartObject(int number) {
  if (number < 1 || number > int(FXRef.size())) throw EPDFError("PDF object number not reserved");
  FXRef[size_t(number) - 1] = FPosition;
  WriteLine(std::to_string(number) + " 0 obj");
}

int TPDFObjectsHelper::StartNewObject() {
  int n = NewObject();
  WriteLine(std::to_string(n) + " 0 obj");
  return n;
}

std::string TPDFObjectsHelper::StreamData(std::string_view data, bool compress, bool encrypt,
                                          int number) const {
  std::string s = compress ? DeflateBytes(data, 1) : std::string(data);
  if (encrypt && FSecurity) s = FSecurity->Encrypt(s, number);
  return s;
}

void TPDFObjectsHelper::WriteStreamObject(std::string_view data, const TPDFStreamFlags& flags,
                                          int number) {
  WritePreparedStream(StreamData(data, flags.Compress, flags.Encrypt, number), flags);
}

void TPDFObjectsHelper::WritePreparedStream(std::string_view bytes, const TPDFStreamFlags& flags) {
  if (flags.OpenDict) WriteRaw("<<");
  WriteRaw("/Length " + std::to_string(bytes.size()));
  if (flags.Compress) WriteRaw("/Filter/FlateDecode");
  WriteLine(flags.CloseDict ? ">>" : "");
  WriteLine("stream");
  WriteRaw(bytes);
  WriteRaw("\n");
  WriteLine("endstream");
  WriteLine("endobj");
}

std::string TPDFObjectsHelper::PdfString(std::string_view bytes, int number) const {
  return FSecurity ? PdfLiteral(FSecurity->Encrypt(bytes, number)) : PdfLiteral(bytes);
}

void TPDFObjectsHelper::WriteXRefAndTrailer(int root, int info, int encrypt,
                                            const std::string& fileId) {
  int64_t start = FPosition;
  WriteLine("xref");
  WriteLine("0 " + std::to_string(FXRef.size() + 1));
  WriteLine("0000000000 65535 f");
  char line[32];
  for (int64_t offset : FXRef) {
    if (offset > 9999999999) throw EPDFError("PDF file too large for its cross-reference table");
    std::snprintf(line, sizeof line, "%010lld 00000 n", static_cast<long long>(offset));
    WriteLine(line);
  }
  WriteLine("trailer");
  WriteLine("<<");
  WriteLine("/Size " + std::to_string(FXRef.size() + 1));
  WriteLine("/Root " + PdfRef(root));
  WriteLine("/Info " + PdfRef(info));
  WriteLine("/ID [<" + fileId + "><" + fileId + ">]");
  if (encrypt) WriteLine("/Encrypt " + PdfRef(encrypt));
  WriteLine(">>");
  WriteLine("startxref");
  WriteLine(std::to_string(start));
  WriteLine("%%EOF");
}
