#pragma once
// MD5 message digest (RFC 1321). The PDF writer needs it for the file
// identifier, image de-duplication and the key derivation of the standard
// security handler; it is not used for anything that needs collision safety.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TqdxMD5 {
public:
  using TDigest = std::array<uint8_t, 16>;

  TqdxMD5() { Init(); }
  void Init();
  void Update(const void* data, size_t count);
  void Update(std::string_view data) { Update(data.data(), data.size()); }
  // Completes the digest; Init starts a new one.
  const TDigest& Finish();
  const TDigest& Digest() const { return FDigest; }

  static TDigest Of(const void* data, size_t count);
  static TDigest Of(std::string_view data) { return Of(data.data(), data.size()); }
  // The digest as 16 raw bytes, or as 32 lowercase hexadecimal digits.
  static std::string Bytes(const TDigest& digest);
  static std::string Hex(const TDigest& digest);

private:
  void Transform(const uint8_t* block);

  uint32_t FState[4];
  uint64_t FCount = 0;  // bytes so far
  uint8_t FBuffer[64];
  TDigest FDigest{};
};
