#pragma once
// The standard security handler at revision 3: 128-bit RC4 keys derived with
// MD5 from the passwords, the permissions and the file identifier. One object
// serves one export: Prepare computes everything from the values the export
// was started with and changes none of the caller's settings.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TqdxPDFEncBit : uint8_t { ePrint, eModify, eCopy, eAnnot };
// Set of TqdxPDFEncBit: bit k stands for the member with ordinal k.
using TqdxPDFEncBits = uint8_t;

constexpr TqdxPDFEncBits PDFEncBitMask(TqdxPDFEncBit bit) {
  return TqdxPDFEncBits(1u << static_cast<unsigned>(bit));
}
constexpr TqdxPDFEncBits AllPDFEncBits = 0x0F;

// The /P value for a set of permissions: the four granted bits (printing,
// modifying, copying, annotating) over a base where the other grantable bits
// are set and the two lowest clear: all four give -4, none -64.
int32_t PDFPermissionValue(TqdxPDFEncBits flags);

// The first 32 bytes of a password completed with the standard padding.
std::string PDFPadPassword(std::string_view password);

class TqdxPDFSecurity {
public:
  // Computes /O, /U and the document key. An empty owner password stands for
  // the user password (the caller's setting is left alone). fileId is the
  // first element of the file identifier.
  void Prepare(std::string_view userPassword, std::string_view ownerPassword,
               TqdxPDFEncBits flags, const std::array<uint8_t, 16>& fileId);

  int32_t PermissionValue() const { return FPermissionValue; }
  const std::string& OwnerKeyValue() const { return FOwnerKey; }  // 32 bytes
  const std::string& UserKeyValue() const { return FUserKey; }    // 32 bytes
  const std::string& EncKey() const { return FEncKey; }           // 16 bytes
  // The owner password this export used.
  const std::string& EffectiveOwnerPassword() const { return FOwnerPassword; }

  // Sets the document key directly (tests of the per-object keys).
  void SetEncKey(std::string key) { FEncKey = std::move(key); }

  // RC4 key of object number (generation 0): 16 bytes.
  std::string ObjectKey(int number) const;
  // Strings and stream data (after compression) of object number; the length
  // does not change.
  std::string Encrypt(std::string_view data, int number) const;

  // Lines of the encryption dictionary, from "<<" to ">>".
  std::vector<std::string> DictionaryLines() const;

private:
  int32_t FPermissionValue = -4;
  std::string FOwnerPassword;
  std::string FOwnerKey;
  std::string FUserKey;
  std::string FEncKey;
};
