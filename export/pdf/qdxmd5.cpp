#include "export/pdf/qdxmd5.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t Rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

// Per-round shift amounts and the sine-derived constants of RFC 1321.
constexpr int Shifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

}  // namespace

void TqdxMD5::Init() {
  FState[0] = 0x67452301;
  FState[1] = 0xefcdab89;
  FState[2] = 0x98badcfe;
  FState[3] = 0x10325476;
  FCount = 0;
}

void TqdxMD5::Transform(const uint8_t* block) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i)
    m[i] = uint32_t(block[i * 4]) | uint32_t(block[i * 4 + 1]) << 8 |
           uint32_t(block[i * 4 + 2]) << 16 | uint32_t(block[i * 4 + 3]) << 24;
  uint32_t a = FState[0], b = FState[1], c = FState[2], d = FState[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    uint32_t t = d;
    d = c;
    c = b;
    b = b + Rotl(a + f + K[i] + m[g], Shifts[i]);
    a = t;
  }
  FState[0] += a;
  FState[1] += b;
  FState[2] += c;
  FState[3] += d;
}

void TqdxMD5::Update(const void* data, size_t count) {
  if (count == 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  size_t used = size_t(FCount % 64);
  FCount += count;
  if (used) {
    size_t take = std::min(count, 64 - used);
    std::memcpy(FBuffer + used, p, take);
    p += take;
    count -= take;
    if (used + take < 64) return;
    Transform(FBuffer);
  }
  for (; count >= 64; p += 64, count -= 64) Transform(p);
  if (count) std::memcpy(FBuffer, p, count);
}

const TqdxMD5::TDigest& TqdxMD5::Finish() {
  uint64_t bits = FCount * 8;
  static const uint8_t Padding[64] = {0x80};
  size_t used = size_t(FCount % 64);
  Update(Padding, used < 56 ? 56 - used : 120 - used);
  uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = uint8_t(bits >> (8 * i));
  Update(length, 8);
  for (int i = 0; i < 16; ++i) FDigest[i] = uint8_t(FState[i / 4] >> (8 * (i % 4)));
  return FDigest;
}

TqdxMD5::TDigest TqdxMD5::Of(const void* data, size_t count) {
  TqdxMD5 md5;
  md5.Update(data, count);
  return md5.Finish();
}

std::string TqdxMD5::Bytes(const TDigest& digest) {
  return std::string(reinterpret_cast<const char*>(digest.data()), digest.size());
}

std::string TqdxMD5::Hex(const TDigest& digest) {
  static const char Digits[] = "0123456789abcdef";
  std::string s;
  for (uint8_t b : digest) {
    s += Digits[b >> 4];
    s += Digits[b & 15];
  }
  return s;
}
