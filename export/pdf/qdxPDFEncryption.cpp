#include "export/pdf/qdxPDFEncryption.h"

#include "export/pdf/qdxExportPDFHelpers.h"
#include "export/pdf/qdxRC4.h"
#include "export/pdf/qdxmd5.h"

namespace {

const unsigned char PasswordPadding[32] = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

std::string Md5Bytes(std::string_view data) { return TqdxMD5::Bytes(TqdxMD5::Of(data)); }

// Revision 3 runs 19 more RC4 passes, each with the key XOR the pass number.
std::string NineteenPasses(const std::string& key, std::string data) {
  for (int i = 1; i <= 19; ++i) {
    std::string k = key;
    for (char& c : k) c = char(static_cast<unsigned char>(c) ^ i);
    data = TqdxRC4::Apply(k, data);
  }
  return data;
}

}  // namespace

int32_t PDFPermissionValue(TqdxPDFEncBits flags) { return -64 + 4 * int32_t(flags & AllPDFEncBits); }

std::string PDFPadPassword(std::string_view password) {
  std::string s(password.substr(0, 32));
  s.append(reinterpret_cast<const char*>(PasswordPadding), 32 - s.size());
  return s;
}

void TqdxPDFSecurity::Prepare(std::string_view userPassword, std::string_view ownerPassword,
                              TqdxPDFEncBits flags, const std::array<uint8_t, 16>& fileId) {
  FPermissionValue = PDFPermissionValue(flags);
  FOwnerPassword = std::string(ownerPassword.empty() ? userPassword : ownerPassword);
  std::string userPad = PDFPadPassword(userPassword);

  // Owner value: the padded user password under a key from the owner password.
  std::string h = Md5Bytes(PDFPadPassword(FOwnerPassword));
  for (int i = 0; i < 50; ++i) h = Md5Bytes(h);
  FOwnerKey = NineteenPasses(h, TqdxRC4::Apply(h, userPad));

  // Document key.
  std::string id(reinterpret_cast<const char*>(fileId.data()), fileId.size());
  std::string input = userPad + FOwnerKey;
  uint32_t p = static_cast<uint32_t>(FPermissionValue);
  for (int i = 0; i < 4; ++i) input += char(p >> (8 * i));
  input += id;
  std::string k = Md5Bytes(input);
  for (int i = 0; i < 50; ++i) k = Md5Bytes(k);
  FEncKey = k;

  // User value: the digest of padding and identifier under the document key.
  std::string u = Md5Bytes(std::string(reinterpret_cast<const char*>(PasswordPadding), 32) + id);
  u = NineteenPasses(FEncKey, TqdxRC4::Apply(FEncKey, u));
  FUserKey = u + std::string(16, '\0');
}

std::string TqdxPDFSecurity::ObjectKey(int number) const {
  std::string input = FEncKey;
  uint32_t n = static_cast<uint32_t>(number);
  for (int i = 0; i < 3; ++i) input += char(n >> (8 * i));
  input += std::string(2, '\0');
  // The key is min(16, key length + 5) bytes: all 16 for a 16-byte key.
  return Md5Bytes(input).substr(0, std::min<size_t>(16, FEncKey.size() + 5));
}

std::string TqdxPDFSecurity::Encrypt(std::string_view data, int number) const {
  return TqdxRC4::Apply(ObjectKey(number), data);
}

std::vector<std::string> TqdxPDFSecurity::DictionaryLines() const {
  return {"<<",
          "/Filter /Standard",
          "/V 2",
          "/R 3",
          "/Length 128",
          "/P " + std::to_string(FPermissionValue),
          "/O " + PdfLiteral(FOwnerKey),
          "/U " + PdfLiteral(FUserKey),
          ">>"};
}
