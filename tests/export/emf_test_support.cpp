#include "tests/export/emf_test_support.h"

#include <set>
#include <sstream>

namespace emftest {

std::string FontRecord(uint32_t handle, int32_t height, int32_t escapement, const char* face, bool underline) {
  Emf::TEmfWriter w;
  size_t at = w.BeginRecord(Emf::EMR_EXTCREATEFONTINDIRECTW);
  w.U32(handle);
  w.I32(height);
  w.I32(0);
  w.I32(escapement);
  w.I32(escapement);
  w.I32(400);
  w.U8(0);
  w.U8(underline ? 1 : 0);
  w.U8(0);
  w.U8(1);
  w.U32(0);
  w.Zeros(64);
  w.EndRecord(at);
  std::string b = w.Bytes();
  for (size_t i = 0; face[i] && i < 31; ++i) b[40 + i * 2] = face[i];
  return b;
}

std::string TextRecord(int x, int y, const std::u16string& text, const std::vector<int32_t>& dx, uint32_t options) {
  Emf::TEmfWriter w;
  size_t at = w.BeginRecord(Emf::EMR_EXTTEXTOUTW);
  w.RectL(TRect{0, 0, 0, 0});
  w.U32(Emf::GM_COMPATIBLE);
  w.F32(1);
  w.F32(1);
  w.I32(x);
  w.I32(y);
  w.U32(uint32_t(text.size()));
  w.U32(76);
  w.U32(options);
  w.RectL(TRect{0, 0, 0, 0});
  const size_t strBytes = (text.size() * 2 + 3) / 4 * 4;
  w.U32(uint32_t(76 + strBytes));
  for (char16_t c : text) w.U16(c);
  w.Pad4();
  for (int32_t d : dx) w.I32(d);
  w.EndRecord(at);
  return w.Bytes();
}

std::string BitmapRecord(uint32_t type, int x, int y, int cx, int cy, int bw, int bh, uint32_t bgra, uint32_t rop) {
  Emf::TEmfWriter w;
  size_t at = w.BeginRecord(type);
  const uint32_t bmiAt = type == Emf::EMR_STRETCHDIBITS ? 80 : 108;
  const uint32_t bitsAt = bmiAt + 40, cbBits = uint32_t(bw * bh * 4);
  w.RectL(TRect{x, y, x + cx, y + cy});
  if (type == Emf::EMR_STRETCHDIBITS) {
    w.I32(x); w.I32(y); w.I32(0); w.I32(0); w.I32(bw); w.I32(bh);
    w.U32(bmiAt); w.U32(40); w.U32(bitsAt); w.U32(cbBits); w.U32(0); w.U32(rop); w.I32(cx); w.I32(cy);
  } else {
    w.I32(x); w.I32(y); w.I32(cx); w.I32(cy); w.U32(rop); w.I32(0); w.I32(0);
    w.F32(1); w.F32(0); w.F32(0); w.F32(1); w.F32(0); w.F32(0);
    w.U32(0); w.U32(0); w.U32(bmiAt); w.U32(40); w.U32(bitsAt); w.U32(cbBits); w.I32(bw); w.I32(bh);
  }
  w.U32(40); w.I32(bw); w.I32(bh); w.U16(1); w.U16(32); w.U32(0); w.U32(cbBits); w.I32(0); w.I32(0); w.U32(0); w.U32(0);
  for (int i = 0; i < bw * bh; ++i) w.U32(bgra);
  w.EndRecord(at);
  return w.Bytes();
}

TPlayed Play(const std::string& emf, double left, double top, double right, double bottom) {
  TPlayed p;
  TMemoryStream file;
  TqdxPDFDocument doc;
  doc.Options().Compressed = false;
  doc.SetFixedFileID(std::string(32, 'a'));
  doc.BeginDocument(file);
  TqdxPDFPage& page = doc.AddPage(75, 75);
  {
    TEMFtoPDFExport exp(emf, false, &doc, TEMFTargetRect{left, top, right, bottom}, p.Content);
    exp.PlayMetafile();
    p.Errors = exp.Errors;
  }
  page.WriteRaw(p.Content);
  doc.FinishPage();
  doc.EndDocument();
  p.Pdf = file.Data();
  return p;
}

std::string CheckContent(const std::string& content) {
  static const std::set<std::string> ops = {"q", "Q", "cm", "w", "J", "j", "M", "d", "m", "l", "c", "v", "re",
                                            "h", "S", "s", "f", "f*", "B", "B*", "b", "b*", "n", "W", "W*",
                                            "rg", "RG", "BT", "ET", "Tf", "Td", "Tm", "Tj", "TJ", "Tr", "Do"};
  int depth = 0;
  bool text = false;
  std::istringstream in(content);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.rfind("%", 0) == 0) continue;
    if (line.find("nan") != std::string::npos || line.find("inf") != std::string::npos) return "number: " + line;
    // Lines may hold several operators ("W* n"); check each word that is not an operand.
    std::istringstream words(line);
    std::string wd;
    bool inArray = false, inHex = false;
    while (words >> wd) {
      if (wd.front() == '[') inArray = true;
      if (wd.front() == '<') inHex = true;
      if (inArray || inHex) {
        if (wd.find(']') != std::string::npos) inArray = false;
        if (wd.find('>') != std::string::npos && !inArray) inHex = false;
        continue;
      }
      if (wd.front() == '/' || wd.front() == '-' || wd.front() == '.' || std::isdigit(uint8_t(wd.front()))) continue;
      if (!ops.count(wd)) return "operator: " + line;
      if (wd == "q") ++depth;
      if (wd == "Q" && --depth < 0) return "Q without q";
      if (wd == "BT") {
        if (text) return "nested BT";
        text = true;
      }
      if (wd == "ET") {
        if (!text) return "ET without BT";
        text = false;
      }
    }
  }
  if (depth != 0) return "q/Q unbalanced by " + std::to_string(depth);
  if (text) return "BT without ET";
  return {};
}

std::string MissingInOrder(const std::string& content, const std::vector<std::string>& lines) {
  size_t at = 0;
  for (const std::string& l : lines) {
    size_t found = content.find(l, at);
    if (found == std::string::npos) return "missing after offset " + std::to_string(at) + ": \"" + l + "\"";
    at = found + l.size();
  }
  return {};
}

}  // namespace emftest
