#include "export/pdf/qdxRC4.h"

#include <utility>

void TqdxRC4::Start(const void* key, size_t length) {
  if (length < 1 || length > 256) return;
  const uint8_t* k = static_cast<const uint8_t*>(key);
  for (int i = 0; i < 256; ++i) FState[i] = uint8_t(i);
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = uint8_t(j + FState[i] + k[size_t(i) % length]);
    std::swap(FState[i], FState[j]);
  }
  FI = 0;
  FJ = 0;
}

void TqdxRC4::Crypt(const void* input, void* output, size_t count) {
  const uint8_t* in = static_cast<const uint8_t*>(input);
  uint8_t* out = static_cast<uint8_t*>(output);
  for (size_t n = 0; n < count; ++n) {
    FI = uint8_t(FI + 1);
    FJ = uint8_t(FJ + FState[FI]);
    std::swap(FState[FI], FState[FJ]);
    out[n] = in[n] ^ FState[uint8_t(FState[FI] + FState[FJ])];
  }
}

std::string TqdxRC4::Apply(std::string_view key, std::string_view data) {
  TqdxRC4 rc4;
  rc4.Start(key);
  std::string out(data.size(), '\0');
  rc4.Crypt(data.data(), out.data(), data.size());
  return out;
}
