#pragma once
// Byte-level helpers of the prepared-report storage: the CRC-32 that decides
// whether binary property data differs from a reference, the hexadecimal form
// in which binary data is kept inside XML attributes, and the recognition of
// cached picture bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// CRC-32 with the zip polynomial (reflected 0xEDB88320), initial value all
// ones and final complement. qdxCRC32Update continues a running value: start
// with 0 and feed the pieces in order; the result equals qdxCRC32 of the whole.
uint32_t qdxCRC32Update(uint32_t crc, const void* data, size_t size);
inline uint32_t qdxCRC32(const void* data, size_t size) { return qdxCRC32Update(0, data, size); }
inline uint32_t qdxCRC32(std::string_view data) { return qdxCRC32Update(0, data.data(), data.size()); }

// Two upper-case hexadecimal digits per byte.
std::string BytesToHex(std::string_view bytes);

// Decodes pairs of hexadecimal digits (either case) into bytes. Decoding stops
// at the first pair that is not two hexadecimal digits, including a lone last
// digit; bytes then holds what was decoded before it, and the result is false.
// True when the whole text was decoded (an empty text is valid). Nothing is
// ever read past the text, so callers may use the decoded prefix (binary
// property records stop at the first one that cannot be read) or reject the
// value as a whole.
bool HexToBytes(std::string_view hex, std::string& bytes);

// What cached picture bytes hold.
struct TqdxPictureFormat {
  // "TBitmap", "TJPEGImage", "TPNGObject", "TMetafile", "TIcon", or empty when
  // the bytes are of no known kind.
  std::string_view ClassName;
  bool Enhanced = false;   // TMetafile: an enhanced metafile
  bool Placeable = false;  // TMetafile: a placeable Windows metafile
  // Where the graphic's own file form starts: 8 after a stream header, else 0.
  size_t PayloadOffset = 0;

  bool Known() const { return !ClassName.empty(); }
};

// Recognises a picture from its leading bytes, after an optional 8-byte
// header 01 00 00 01 followed by a 32-bit little-endian length that equals the
// number of bytes after the header. Short inputs are simply not recognised.
TqdxPictureFormat qdxDetectPictureFormat(std::string_view bytes);

// Replaces every occurrence of token (upper-case ASCII letters) in text,
// ignoring the case of ASCII letters: the report's page-number fields.
void qdxReplaceIgnoringCase(std::u16string& text, std::u16string_view token, std::u16string_view value);
