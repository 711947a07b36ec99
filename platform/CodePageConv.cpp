#include "platform/CodePageConv.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <stdexcept>

#include "platform/CodePage.h"
#include "platform/FontDesc.h"

namespace {

bool IsUtf8(int codePage) { return codePage == 0 || codePage == 65001; }
int Resolve(int codePage) { return codePage == 1 ? 437 : codePage; }

struct Converter {
  iconv_t Cd;
  Converter(const char* to, const char* from) : Cd(iconv_open(to, from)) {}
  ~Converter() {
    if (Cd != reinterpret_cast<iconv_t>(-1)) iconv_close(Cd);
  }
  bool Valid() const { return Cd != reinterpret_cast<iconv_t>(-1); }
};

// Length of the UTF-8 sequence starting with byte c (input is valid UTF-8).
size_t Utf8Length(unsigned char c) {
  return c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
}

// Converts in; each character that cannot be converted (skip gives how many
// input bytes it spans) becomes a "?". Towards a code page the "?" goes
// through the converter too, which keeps stateful encodings consistent.
template <class Skip>
std::string Convert(Converter& conv, std::string_view in, bool toCodePage, Skip skip) {
  std::string out;
  out.reserve(in.size() + 16);
  char buf[4096];
  auto run = [&](char** src, size_t* srcLeft) {
    for (;;) {
      char* dst = buf;
      size_t dstLeft = sizeof buf;
      size_t rc = iconv(conv.Cd, src, srcLeft, &dst, &dstLeft);
      out.append(buf, static_cast<size_t>(dst - buf));
      if (rc != static_cast<size_t>(-1)) return 0;
      if (errno != E2BIG) return errno;
    }
  };
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  while (srcLeft > 0) {
    int err = run(&src, &srcLeft);
    if (err == 0) break;
    if (err != EILSEQ && err != EINVAL) throw std::runtime_error("Code page conversion failed");
    size_t n = std::min(srcLeft, skip(static_cast<unsigned char>(*src)));
    src += n;
    srcLeft -= n;
    if (toCodePage) {
      char question[] = "?";
      char* q = question;
      size_t qLeft = 1;
      run(&q, &qLeft);
    } else {
      out += '?';
    }
  }
  run(nullptr, nullptr);  // the closing shift of stateful encodings
  return out;
}

[[noreturn]] void Unsupported(int codePage) {
  throw std::invalid_argument("Code page " + std::to_string(codePage) + " is not supported");
}

std::string Utf8To1252(std::string_view utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    char b = '?';
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      b = static_cast<char>(c);
    } else {
      for (int k = 0x80; k <= 0x9F; ++k)
        if (Cp1252ToUnicode(static_cast<unsigned char>(k)) == c) b = static_cast<char>(k);
    }
    out += b;
  }
  return out;
}

}  // namespace

std::string CodePageName(int codePage) {
  codePage = Resolve(codePage);
  if (IsUtf8(codePage)) return "UTF-8";
  switch (codePage) {
    case 437: return "IBM437";
    case 1361: return "JOHAB";
    case 10000: return "MACINTOSH";
    case 10007: return "MAC-CYRILLIC";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 20932:
    case 51932: return "EUC-JP";
    case 51949: return "EUC-KR";
    case 54936: return "GB18030";
    case 50220: return "ISO-2022-JP";
    case 65000: return "UTF-7";
    default: break;
  }
  if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + std::to_string(codePage - 28590);
  return "CP" + std::to_string(codePage);
}

bool IsCodePageSupported(int codePage) {
  codePage = Resolve(codePage);
  if (IsUtf8(codePage) || codePage == 1252) return true;
  Converter conv(CodePageName(codePage).c_str(), "UTF-8");
  return conv.Valid();
}

std::string Utf8ToCodePage(std::string_view utf8, int codePage) {
  codePage = Resolve(codePage);
  if (IsUtf8(codePage)) return FixUtf8(utf8);
  if (codePage == 1252) return Utf8To1252(utf8);
  Converter conv(CodePageName(codePage).c_str(), "UTF-8");
  if (!conv.Valid()) Unsupported(codePage);
  return Convert(conv, FixUtf8(utf8), true, Utf8Length);
}

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
  codePage = Resolve(codePage);
  if (IsUtf8(codePage)) return FixUtf8(bytes);
  if (codePage == 1252) {
    std::u16string text;
    for (unsigned char b : bytes) text += Cp1252ToUnicode(b);
    return Utf16ToUtf8(text);
  }
  Converter conv("UTF-8", CodePageName(codePage).c_str());
  if (!conv.Valid()) Unsupported(codePage);
  return Convert(conv, bytes, false, [](unsigned char) { return size_t(1); });
}

std::string Utf16ToCodePage(std::u16string_view text, int codePage) {
  return Utf8ToCodePage(Utf16ToUtf8(text), codePage);
}

std::u16string CodePageToUtf16(std::string_view bytes, int codePage) {
  return Utf8ToUtf16(CodePageToUtf8(bytes, codePage));
}

int CharsetToCodePage(uint8_t charSet) {
  switch (charSet) {
    case FontCharset::Symbol: return 0;
    case FontCharset::Mac: return 10000;
    case FontCharset::ShiftJis: return 932;
    case FontCharset::Hangeul: return 949;
    case FontCharset::Johab: return 1361;
    case FontCharset::Gb2312: return 936;
    case FontCharset::ChineseBig5: return 950;
    case FontCharset::Greek: return 1253;
    case FontCharset::Turkish: return 1254;
    case FontCharset::Vietnamese: return 1258;
    case FontCharset::Hebrew: return 1255;
    case FontCharset::Arabic: return 1256;
    case FontCharset::Baltic: return 1257;
    case FontCharset::Russian: return 1251;
    case FontCharset::Thai: return 874;
    case FontCharset::EastEurope: return 1250;
    case FontCharset::Oem: return 437;
    default: return 1252;
  }
}
