#pragma once
// RC4 stream cipher, as the PDF standard security handler uses it for strings
// and streams. Encrypting and decrypting are the same operation.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TqdxRC4 {
public:
  // Key schedule for a key of 1 to 256 bytes; other lengths leave the state
  // as it was.
  void Start(const void* key, size_t length);
  void Start(std::string_view key) { Start(key.data(), key.size()); }
  // XORs count bytes of the key stream into output (may equal input).
  void Crypt(const void* input, void* output, size_t count);

  // One call: data crypted with a fresh key schedule of key.
  static std::string Apply(std::string_view key, std::string_view data);

private:
  uint8_t FState[256] = {};
  uint8_t FI = 0;
  uint8_t FJ = 0;
};
