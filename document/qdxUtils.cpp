#include "document/qdxUtils.h"

#include <array>
#include <cstring>

namespace {

// Eight tables for slicing-by-8: property data and cached pictures run to
// many megabytes in large reports.
using TCRCTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr TCRCTables MakeCRCTables() {
  TCRCTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (size_t s = 1; s < 8; ++s)
    for (size_t i = 0; i < 256; ++i) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  return t;
}

constexpr TCRCTables CRCTables = MakeCRCTables();

// Loads four bytes as a little-endian value without alignment assumptions.
inline uint32_t LE32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

inline uint32_t LE16(const unsigned char* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }

// Value of each character as a hexadecimal digit, or -1.
constexpr std::array<int8_t, 256> MakeHexValues() {
  std::array<int8_t, 256> v{};
  for (auto& x : v) x = -1;
  for (int i = 0; i < 10; ++i) v['0' + i] = static_cast<int8_t>(i);
  for (int i = 0; i < 6; ++i) {
    v['A' + i] = static_cast<int8_t>(10 + i);
    v['a' + i] = static_cast<int8_t>(10 + i);
  }
  return v;
}

constexpr std::array<int8_t, 256> HexValues = MakeHexValues();

// The two digits of every byte value, so encoding is one copy per byte.
constexpr std::array<char, 512> MakeHexPairs() {
  constexpr char digits[] = "0123456789ABCDEF";
  std::array<char, 512> p{};
  for (int i = 0; i < 256; ++i) {
    p[2 * i] = digits[i >> 4];
    p[2 * i + 1] = digits[i & 15];
  }
  return p;
}

constexpr std::array<char, 512> HexPairs = MakeHexPairs();

}  // namespace

uint32_t qdxCRC32Update(uint32_t crc, const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  const auto& t = CRCTables;
  uint32_t c = ~crc;
  while (size >= 8) {
    uint32_t lo = LE32(p) ^ c;
    uint32_t hi = LE32(p + 4);
    c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][hi & 0xFF] ^
        t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    p += 8;
    size -= 8;
  }
  while (size--) c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  return ~c;
}

std::string BytesToHex(std::string_view bytes) {
  std::string hex(bytes.size() * 2, '\0');
  char* out = hex.data();
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const char* pairs = HexPairs.data();
  for (size_t i = 0, n = bytes.size(); i < n; ++i) {
    out[2 * i] = pairs[2 * in[i]];
    out[2 * i + 1] = pairs[2 * in[i] + 1];
  }
  return hex;
}

bool HexToBytes(std::string_view hex, std::string& bytes) {
  bytes.clear();
  bytes.resize(hex.size() / 2);
  const auto* in = reinterpret_cast<const unsigned char*>(hex.data());
  char* out = bytes.data();
  size_t pairs = hex.size() / 2;
  size_t i = 0;
  for (; i < pairs; ++i) {
    int hi = HexValues[in[2 * i]];
    int lo = HexValues[in[2 * i + 1]];
    if ((hi | lo) < 0) break;
    out[i] = static_cast<char>(hi << 4 | lo);
  }
  bytes.resize(i);
  return i == pairs && hex.size() % 2 == 0;
}

TqdxPictureFormat qdxDetectPictureFormat(std::string_view bytes) {
  TqdxPictureFormat f;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size();
  if (n >= 8 && p[0] == 1 && p[1] == 0 && p[2] == 0 && p[3] == 1 && LE32(p + 4) == n - 8) {
    f.PayloadOffset = 8;
    p += 8;
    n -= 8;
  }
  static constexpr unsigned char png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (n >= 2 && p[0] == 'B' && p[1] == 'M') {
    f.ClassName = "TBitmap";
  } else if (n >= 2 && p[0] == 0xFF && p[1] == 0xD8) {
    f.ClassName = "TJPEGImage";
  } else if (n >= 8 && std::memcmp(p, png, 8) == 0) {
    f.ClassName = "TPNGObject";
  } else if (n >= 4 && LE32(p) == 0x9AC6CDD7u) {
    f.ClassName = "TMetafile";
    f.Placeable = true;
  } else if (n >= 44 && LE32(p + 40) == 0x464D4520u) {  // " EMF" in the header record
    f.ClassName = "TMetafile";
    f.Enhanced = true;
  } else if (n >= 4 && LE16(p + 2) < 2) {
    f.ClassName = "TIcon";
  } else {
    f.PayloadOffset = 0;
  }
  return f;
}

void qdxReplaceIgnoringCase(std::u16string& text, std::u16string_view token, std::u16string_view value) {
  auto fold = [](char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; };
  if (token.empty() || text.size() < token.size()) return;
  std::u16string out;
  size_t i = 0;
  bool changed = false;
  while (i < text.size()) {
    bool match = i + token.size() <= text.size();
    for (size_t k = 0; match && k < token.size(); ++k) match = fold(text[i + k]) == token[k];
    if (match) {
      out += value;
      i += token.size();
      changed = true;
    } else {
      out += text[i++];
    }
  }
  if (changed) text = std::move(out);
}
