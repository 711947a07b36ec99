// Byte-exact checks of the small pieces of the PDF writer: digests, the
// cipher, numbers, strings, names, objects, streams and the security
// handler's values (reference values computed independently).

#include "export/pdf/qdxExportPDFHelpers.h"
#include "export/pdf/qdxPDFEncryption.h"
#include "export/pdf/qdxPDFImages.h"
#include "export/pdf/qdxRC4.h"
#include "export/pdf/qdxmd5.h"

#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

std::string Hex(std::string_view bytes) {
  static const char D[] = "0123456789abcdef";
  std::string s;
  for (unsigned char c : bytes) {
    s += D[c >> 4];
    s += D[c & 15];
  }
  return s;
}

std::string Unhex(std::string_view hex) {
  std::string s;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) s += char(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return s;
}

std::string Inflate(const std::string& data) {
  std::string out(1 << 16, '\0');
  uLongf size = uLongf(out.size());
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                       reinterpret_cast<const Bytef*>(data.data()), uLong(data.size())),
            Z_OK);
  out.resize(size);
  return out;
}

}  // namespace

TEST(PdfMD5, Rfc1321Vectors) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (auto [text, digest] : cases) EXPECT_EQ(TqdxMD5::Hex(TqdxMD5::Of(text)), digest) << text;
}

TEST(PdfMD5, PiecewiseUpdatesEqualOneCall) {
  std::string data;
  for (int i = 0; i < 1000; ++i) data += char(i * 7);
  for (size_t piece : {1u, 3u, 55u, 63u, 64u, 65u, 200u}) {
    TqdxMD5 md5;
    for (size_t p = 0; p < data.size(); p += piece) md5.Update(std::string_view(data).substr(p, piece));
    EXPECT_EQ(md5.Finish(), TqdxMD5::Of(data)) << piece;
  }
}

TEST(PdfRC4, KnownVectors) {
  const std::tuple<std::string, std::string, const char*> cases[] = {
      {"Key", "Plaintext", "bbf316e8d940af0ad3"},
      {"Wiki", "pedia", "1021bf0420"},
      {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
      // First key-stream bytes for the 40-bit key 01 02 03 04 05.
      {Unhex("0102030405"), std::string(16, '\0'), "b2396305f03dc027ccc3524a0a1118a8"},
  };
  for (const auto& [key, plain, cipher] : cases) {
    EXPECT_EQ(Hex(TqdxRC4::Apply(key, plain)), cipher) << key;
    EXPECT_EQ(TqdxRC4::Apply(key, TqdxRC4::Apply(key, plain)), plain);
  }
}

TEST(PdfRC4, KeyOfBadLengthLeavesTheStateAlone) {
  TqdxRC4 a, b;
  a.Start("Key");
  b.Start("Key");
  b.Start("", 0);
  std::string big(257, 'k');
  b.Start(big);
  char x[9] = "Plaintex", y[9] = "Plaintex";
  a.Crypt(x, x, 8);
  b.Crypt(y, y, 8);
  EXPECT_EQ(std::string(x, 8), std::string(y, 8));
}

TEST(PdfNumbers, FixedAndCompactForms) {
  const std::pair<double, const char*> fixed[] = {
      {12.5, "12.50"}, {-3, "-3.00"}, {0, "0.00"}, {0.004, "0.00"}, {-0.004, "0.00"},
      {1234567.891, "1234567.89"}, {841.89, "841.89"}, {std::nan(""), "0.00"}};
  for (auto [v, s] : fixed) EXPECT_EQ(FloatToPdf(v), s) << v;
  const std::tuple<double, int, const char*> compact[] = {
      {0.5, 3, "0.5"}, {12, 3, "12"}, {1.23456, 3, "1.235"}, {-0.0001, 3, "0"},
      {100, 0, "100"}, {-2.5, 2, "-2.5"}, {0.07, 2, "0.07"}};
  for (auto [v, d, s] : compact) EXPECT_EQ(FloatToPdfCompact(v, d), s) << v;
  EXPECT_EQ(PdfRound(2.5), 2);
  EXPECT_EQ(PdfRound(3.5), 4);
  EXPECT_EQ(PdfRound(-1.6), -2);
  EXPECT_EQ(PdfRef(12), "12 0 R");
}

// Numbers are formatted on a fast path; it must agree with correctly rounded
// output everywhere, ties and values just beside them included.
TEST(PdfNumbers, FastFormattingAgreesWithCorrectRounding) {
  auto reference = [](double v, int d, bool compact) {
    char buf[400];
    std::string s(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, d).ptr);
    if (compact && d > 0) {
      while (s.back() == '0') s.pop_back();
      if (s.back() == '.') s.pop_back();
    }
    if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
    return s;
  };
  std::vector<double> values = {0.125, 0.375, 2.675, 1.005, 1.015, -0.125, 0.0005, 999999999.995, 1e11 + 0.5,
                                5e-324, 1e15, -1e15, 4503599627370495.5, 0.045, 841.885};
  uint64_t seed = 12345;
  auto next = [&] { return seed = seed * 6364136223846793005ULL + 1442695040888963407ULL; };
  for (int i = 0; i < 200000; ++i) {
    const double base = static_cast<double>(next() >> 40) / 1000.0 * ((next() & 1) ? 1 : -1);
    values.push_back(base);
    // Exact halves at every decimal count, and their neighbours.
    const double half = static_cast<double>(next() >> 44) / 8.0;
    values.push_back(half);
    values.push_back(std::nextafter(half, 0.0));
    values.push_back(std::nextafter(half, 1e300));
  }
  for (double v : values) {
    ASSERT_EQ(FloatToPdf(v), reference(v, 2, false)) << v;
    for (int d : {0, 1, 3, 4}) ASSERT_EQ(FloatToPdfCompact(v, d), reference(v, d, true)) << v << " " << d;
  }
}

TEST(PdfStrings, LiteralTextNameAndUri) {
  EXPECT_EQ(PdfLiteral("a(b)c\\d\r\n\xE9"), "(a\\(b\\)c\\\\d\\r\\n\xE9)");
  EXPECT_EQ(PdfTextBytes(u""), "\xFE\xFF");
  EXPECT_EQ(Hex(PdfTextBytes(u"A\u20AC\U0001F600")), "feff004120acd83dde00");

  const std::pair<const char*, const char*> names[] = {
      {"Arial", "/Arial"},
      {"Times New Roman,Bold", "/Times#20New#20Roman,Bold"},
      {"A#B(x)[y]{z}<w>/%", "/A#23B#28x#29#5By#5D#7Bz#7D#3Cw#3E#2F#25"},
      {"\xC3\xA9t\xC3\xA9", "/#C3#A9t#C3#A9"},
  };
  for (auto [in, out] : names) EXPECT_EQ(PdfName(in), out) << in;

  const std::pair<const char*, const char*> uris[] = {
      {"https://example.org/a?b=c#d", "https://example.org/a?b=c#d"},
      {"http://x.org/a b", "http://x.org/a%20b"},
      {"https://example.org/\xC3\xA4\xE2\x82\xAC", "https://example.org/%C3%A4%E2%82%AC"},
      {"http://x.org/%20(1", "http://x.org/%20(1"},
  };
  for (auto [in, out] : uris) EXPECT_EQ(PdfUriBytes(in), out) << in;
}

TEST(PdfStrings, PageLinkNumbers) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"3", 2}, {"1", 0}, {"0", std::nullopt}, {"-1", std::nullopt}, {"abc", std::nullopt},
      {"", std::nullopt}, {"3x", std::nullopt}, {"99999999999", std::nullopt}};
  for (auto [text, page] : cases) EXPECT_EQ(ParsePageLinkNumber(text), page) << text;
}

TEST(PdfObjects, ObjectsStreamsAndCrossReference) {
  TMemoryStream out;
  TPDFObjectsHelper objects;
  objects.Begin(out, nullptr);
  objects.WriteLine("%PDF-1.7");
  int reserved = objects.NewObject();
  int n = objects.StartNewObject();
  objects.WriteStreamObject("0 0 m", {}, n);
  int m = objects.StartNewObject();
  objects.WriteRaw("<</Type /X");
  objects.WriteStreamObject("ab", {.OpenDict = false, .CloseDict = false}, m);
  objects.StartObject(reserved);
  objects.WriteLine("<< >>");
  objects.WriteLine("endobj");
  objects.WriteXRefAndTrailer(reserved, n, 0, "00112233445566778899aabbccddeeff");
  objects.End();
  EXPECT_EQ(out.Data(),
            "%PDF-1.7\r\n"
            "2 0 obj\r\n<</Length 5>>\r\nstream\r\n0 0 m\nendstream\r\nendobj\r\n"
            "3 0 obj\r\n<</Type /X/Length 2\r\nstream\r\nab\nendstream\r\nendobj\r\n"
            "1 0 obj\r\n<< >>\r\nendobj\r\n"
            "xref\r\n0 4\r\n0000000000 65535 f\r\n0000000127 00000 n\r\n"
            "0000000010 00000 n\r\n0000000067 00000 n\r\n"
            "trailer\r\n<<\r\n/Size 4\r\n/Root 1 0 R\r\n/Info 2 0 R\r\n"
            "/ID [<00112233445566778899aabbccddeeff><00112233445566778899aabbccddeeff>]\r\n"
            ">>\r\nstartxref\r\n151\r\n%%EOF\r\n");
}

TEST(PdfObjects, CompressedStreamIsZlibAtLevelOne) {
  std::string content;
  for (int i = 0; i < 50; ++i) content += "0 0 m 100 100 l S\r\n";
  TMemoryStream out;
  TPDFObjectsHelper objects;
  objects.Begin(out, nullptr);
  int n = objects.StartNewObject();
  objects.WriteStreamObject(content, {.Compress = true}, n);
  objects.End();
  const std::string& s = out.Data();
  std::string packed = DeflateBytes(content);
  ASSERT_GE(packed.size(), 2u);
  EXPECT_EQ(Hex(packed.substr(0, 2)), "7801");  // zlib header, fastest level
  EXPECT_EQ(s, "1 0 obj\r\n<</Length " + std::to_string(packed.size()) +
                   "/Filter/FlateDecode>>\r\nstream\r\n" + packed + "\nendstream\r\nendobj\r\n");
  EXPECT_EQ(Inflate(packed), content);
}

TEST(PdfEncryption, PermissionValuesAndPadding) {
  using B = TqdxPDFEncBit;
  EXPECT_EQ(PDFPermissionValue(AllPDFEncBits), -4);
  EXPECT_EQ(PDFPermissionValue(0), -64);
  EXPECT_EQ(PDFPermissionValue(PDFEncBitMask(B::ePrint)), -60);
  EXPECT_EQ(PDFPermissionValue(PDFEncBitMask(B::ePrint) | PDFEncBitMask(B::eCopy)), -44);
  EXPECT_EQ(PDFPermissionValue(PDFEncBitMask(B::eAnnot)), -32);
  EXPECT_EQ(Hex(PDFPadPassword("")),
            "28bf4e5e4e758a4164004e56fffa01082e2e00b6d0683e802f0ca9fe6453697a");
  EXPECT_EQ(PDFPadPassword("ab").substr(0, 4), "ab\x28\xBF");
  std::string long40(40, 'x');
  EXPECT_EQ(PDFPadPassword(long40), std::string(32, 'x'));
}

TEST(PdfEncryption, OwnerUserAndDocumentKeys) {
  std::array<uint8_t, 16> id{};
  for (int i = 0; i < 16; ++i) id[size_t(i)] = uint8_t(i * 0x11);
  TqdxPDFSecurity s;
  s.Prepare("user", "owner", AllPDFEncBits, id);
  EXPECT_EQ(Hex(s.OwnerKeyValue()), "0ba3835f88f90388e74e54584125ce142be0de24c6b0d37746e075b891756671");
  EXPECT_EQ(Hex(s.EncKey()), "2e76247e4b9d5c6aa46d224a2e740d27");
  EXPECT_EQ(Hex(s.UserKeyValue()),
            "d798239dd347dc3afe3dd10515bb584300000000000000000000000000000000");
  EXPECT_EQ(s.PermissionValue(), -4);

  // No owner password: the user password stands for it; longer passwords
  // count with their first 32 bytes only.
  TqdxPDFSecurity t;
  t.Prepare("user", "", PDFEncBitMask(TqdxPDFEncBit::ePrint), id);
  EXPECT_EQ(t.EffectiveOwnerPassword(), "user");
  EXPECT_EQ(Hex(t.OwnerKeyValue()), "ce69e44fd4717582076b810914829e577152c3110ee581d65e53c64a4e8f578d");
  EXPECT_EQ(Hex(t.EncKey()), "8f31b811c58717b623939faf170683e8");
  TqdxPDFSecurity u;
  u.Prepare(std::string(32, 'p') + "tail1", std::string(32, 'q') + "x", 0, id);
  TqdxPDFSecurity v;
  v.Prepare(std::string(32, 'p') + "tail2", std::string(32, 'q') + "y", 0, id);
  EXPECT_EQ(u.OwnerKeyValue(), v.OwnerKeyValue());
  EXPECT_EQ(u.EncKey(), v.EncKey());

  auto lines = s.DictionaryLines();
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[1], "/Filter /Standard");
  EXPECT_EQ(lines[5], "/P -4");
  EXPECT_EQ(lines[6], "/O " + PdfLiteral(s.OwnerKeyValue()));
  EXPECT_EQ(lines[7], "/U " + PdfLiteral(s.UserKeyValue()));
}

TEST(PdfEncryption, StringEncryptedWithItsObjectKey) {
  TqdxPDFSecurity s;
  std::string key;
  for (int i = 0; i < 16; ++i) key += char(i);
  s.SetEncKey(key);
  EXPECT_EQ(Hex(s.ObjectKey(5)), "785d06338452c1789817e3ce01fa0ddf");
  EXPECT_EQ(Hex(s.Encrypt("Hello (PDF)", 5)), "9f191683b237de363d07c1");
  EXPECT_NE(s.ObjectKey(6), s.ObjectKey(5));

  TMemoryStream out;
  TPDFObjectsHelper objects;
  objects.Begin(out, &s);
  EXPECT_EQ(objects.PdfString("Hello (PDF)", 5), PdfLiteral(Unhex("9f191683b237de363d07c1")));
  // A stream keeps its length and is encrypted after compression.
  std::string data = "q 1 0 0 1 0 0 cm Q";
  EXPECT_EQ(objects.StreamData(data, true, true, 7), s.Encrypt(DeflateBytes(data), 7));
  EXPECT_EQ(objects.StreamData(data, false, false, 7), data);
  objects.End();
}

TEST(PdfImages, JpegFrameHeaders) {
  TqdxPDFPixels p;
  p.Width = 5;
  p.Height = 3;
  p.RGB.assign(45, '\x80');
  auto info = ReadJPEGInfo(EncodeJPEG(p, 90));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->Width, 5);
  EXPECT_EQ(info->Height, 3);
  EXPECT_EQ(info->Components, 3);
  // A grey frame header (SOF2) after an application segment.
  std::string grey = Unhex("ffd8ffe000041234ffc2000b080007000901011100ffd9");
  info = ReadJPEGInfo(grey);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->Width, 9);
  EXPECT_EQ(info->Height, 7);
  EXPECT_EQ(info->Components, 1);
  for (const char* bad : {"", "ffd8", "89504e470d0a1a0a", "ffd8ffe0ffff", "ffd8ffda0002ffd9"})
    EXPECT_FALSE(ReadJPEGInfo(Unhex(bad))) << bad;
  p.RGB.pop_back();
  EXPECT_THROW(EncodeJPEG(p, 90), EPDFError);
}
