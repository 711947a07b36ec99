#pragma once
// Helpers of the metafile playback tests: a metafile builder for hand-made
// records, playing into a page, and a checker of the content stream.

#include "export/pdf/qdxEMFtoPDFExport.h"
#include "export/pdf/qdxPDFDocument.h"
#include "platform/EmfFormat.h"
#include "platform/MetafileCanvas.h"
#include "platform/Streams.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace emftest {

// Records after the header of a picture of width x height pixels (multiples
// of 10); on the default target of Play one pixel is 0.75 points.
class TEmfBuilder {
public:
  explicit TEmfBuilder(int width = 100, int height = 100) {
    TMetafileCanvas canvas(width, height);
    std::string bytes = canvas.Finish();
    Emf::TEmfRecordList list = Emf::EnumerateEmfRecords(bytes);
    Header = std::string(list.Records.at(0).Bytes);
    Header[56] = 32;  // room in the handle table
    Header[57] = 0;
    // A reference device of 10 pixels per millimetre makes the frame exactly
    // width x height pixels.
    auto put = [&](size_t at, int32_t v) {
      for (int i = 0; i < 4; ++i) Header[at + size_t(i)] = char((uint32_t(v) >> (8 * i)) & 0xFF);
    };
    put(Emf::Header::Device, width);
    put(Emf::Header::Device + 4, height);
    put(Emf::Header::Millimeters, width / 10);
    put(Emf::Header::Millimeters + 4, height / 10);
    put(Emf::Header::Frame, 0);
    put(Emf::Header::Frame + 4, 0);
    put(Emf::Header::Frame + 8, width * 10);
    put(Emf::Header::Frame + 12, height * 10);
  }
  // A record of 32-bit fields.
  TEmfBuilder& Rec(uint32_t type, std::initializer_list<int32_t> fields) {
    Emf::TEmfWriter w;
    size_t at = w.BeginRecord(type);
    for (int32_t f : fields) w.I32(f);
    w.EndRecord(at);
    Body += w.Bytes();
    return *this;
  }
  TEmfBuilder& Floats(uint32_t type, std::initializer_list<float> fields, std::initializer_list<int32_t> tail = {}) {
    Emf::TEmfWriter w;
    size_t at = w.BeginRecord(type);
    for (float f : fields) w.F32(f);
    for (int32_t f : tail) w.I32(f);
    w.EndRecord(at);
    Body += w.Bytes();
    return *this;
  }
  TEmfBuilder& Raw(const std::string& bytes) {
    Body += bytes;
    return *this;
  }
  std::string Finish(bool withEof = true) const {
    std::string eof;
    if (withEof) {
      Emf::TEmfWriter w;
      size_t at = w.BeginRecord(Emf::EMR_EOF);
      w.U32(0);
      w.U32(16);
      w.U32(20);
      w.EndRecord(at);
      eof = w.Bytes();
    }
    return Header + Body + eof;
  }
  std::string Header;
  std::string Body;
};

// A font record (LOGFONTW) of the given em height in pixels.
std::string FontRecord(uint32_t handle, int32_t height, int32_t escapement = 0, const char* face = "Arial",
                       bool underline = false);
// ExtTextOutW at (x, y) with the given advances.
std::string TextRecord(int x, int y, const std::u16string& text, const std::vector<int32_t>& dx, uint32_t options = 0);
// A 32-bit bottom-up DIB record (StretchDIBits or AlphaBlend) of w x h pixels of BGRA.
std::string BitmapRecord(uint32_t type, int x, int y, int cx, int cy, int w, int h, uint32_t bgra, uint32_t rop);

struct TPlayed {
  std::string Content;
  std::vector<std::string> Errors;
  std::string Pdf;  // the whole file with the content on its page
};

// Plays onto a page of 75 x 75 points, the target being the whole page.
TPlayed Play(const std::string& emf, double left = 0, double top = 75, double right = 75, double bottom = 0);

// Problems of a content stream: unbalanced q/Q, unpaired BT/ET, "nan" or
// "inf", operators outside the known set. Empty when sound.
std::string CheckContent(const std::string& content);

// The lines in order (each found after the previous one); empty when all are.
std::string MissingInOrder(const std::string& content, const std::vector<std::string>& lines);

}  // namespace emftest
