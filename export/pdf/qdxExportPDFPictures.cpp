// Objects the PDF filter writes as pictures: metafile drawings played as
// vectors, and rasters of everything else.

#include "export/pdf/qdxExportPDF.h"

#include "document/qdxClass.h"
#include "export/pdf/qdxEMFtoPDFExport.h"
#include "export/pdf/qdxExportPDFHelpers.h"
#include "export/pdf/qdxPDFContent.h"
#include "platform/Bitmap.h"
#include "platform/MetafileCanvas.h"
#include "platform/RasterCanvas.h"

#include <cmath>

void TqdxPDFExport::Raster(TqdxView& view, const TqdxPDFObjRect& r) {
  TqdxPDFPage& page = *FDoc->CurrentPage();
  TqdxPDFContentWriter w(page);
  TqdxFrame& frame = *view.GetFrame();
  auto* picture = dynamic_cast<TqdxPictureView*>(&view);
  w.Fill(view, r);
  if (picture && picture->GetPicture()->Empty()) {
    w.Frame(frame, r);
    return;
  }
  // Text drawn as a picture stays legible at three times the screen size.
  bool text = view.Is<TqdxCustomMemoView>() && view.GetBrushStyle() <= bsClear;
  double f = (PrintOptimized || text) ? 3 : 1;
  if (picture && SaveOriginalImages && !PrintOptimized) f = 2;
  const double w0 = std::fabs(view.GetWidth()), h0 = std::fabs(view.GetHeight());
  const int bw = std::max(1, static_cast<int>(std::nearbyint(w0 * f)));
  const int bh = std::max(1, static_cast<int>(std::nearbyint(h0 * f)));
  if (static_cast<int64_t>(bw) * bh > (int64_t(1) << 26)) return;  // a runaway object is not worth a huge raster
  TBitmap bitmap(bw, bh, TPixelFormat::pf24bit);
  bitmap.Fill(0xFFFFFF);
  {
    TRasterCanvas canvas(bitmap);
    // The frame is written as vectors; the raster holds only the contents.
    const TqdxFrameTypes savedTyp = frame.Typ;
    frame.Typ = 0;
    try {
      view.Draw(canvas, f, f, -view.AbsLeft() * f, -view.AbsTop() * f);
    } catch (...) {
      frame.Typ = savedTyp;
      throw;
    }
    frame.Typ = savedTyp;
  }
  TqdxPDFPixels pixels;
  pixels.Width = bw;
  pixels.Height = bh;
  pixels.RGB.resize(static_cast<size_t>(bw) * bh * 3);
  for (int y = 0; y < bh; ++y) {
    const uint8_t* src = bitmap.ScanLine(y);
    char* dst = pixels.RGB.data() + static_cast<size_t>(y) * bw * 3;
    for (int x = 0; x < bw; ++x) {
      dst[x * 3] = static_cast<char>(src[x * 3 + 2]);
      dst[x * 3 + 1] = static_cast<char>(src[x * 3 + 1]);
      dst[x * 3 + 2] = static_cast<char>(src[x * 3]);
    }
  }
  const bool sharp = view.Is<TqdxCustomLineView>() || view.Is<TqdxShapeView>();
  int index = FDoc->AddImage(pixels, sharp ? std::min(100, Quality + 5) : -1);
  const TPDFPageGeometry& g = page.Geometry;
  page.WriteLine("q");
  page.WriteLine(FloatToPdf(w0 * 0.75) + " 0 0 " + FloatToPdf(h0 * 0.75) + " " + FloatToPdf(g.PdfX(view.AbsLeft())) + " " +
                 FloatToPdf(g.PdfY(view.AbsTop() + h0)) + " cm");
  page.WriteLine(page.UseImage(index) + " Do");
  page.WriteLine("Q");
  w.Frame(frame, r);
}

bool TqdxPDFExport::Vector(TqdxView& view, const TqdxPDFObjRect& r) {
  TqdxPDFPage& page = *FDoc->CurrentPage();
  const double w0 = std::fabs(view.GetWidth()), h0 = std::fabs(view.GetHeight());
  if (w0 > 1e6 || h0 > 1e6) return false;
  const int pw = std::max(1, static_cast<int>(std::ceil(w0))), ph = std::max(1, static_cast<int>(std::ceil(h0)));
  TqdxFrame& frame = *view.GetFrame();
  std::string emf;
  {
    TMetafileCanvas canvas(pw, ph);
    // The frame is written as vectors by the filter itself, after the contents.
    const TqdxFrameTypes savedTyp = frame.Typ;
    frame.Typ = 0;
    try {
      view.Draw(canvas, 1, 1, -view.AbsLeft(), -view.AbsTop());
    } catch (...) {
      frame.Typ = savedTyp;
      return false;
    }
    frame.Typ = savedTyp;
    emf = canvas.Finish();
  }
  const TPDFPageGeometry& g = page.Geometry;
  const TEMFTargetRect target{g.PdfX(view.AbsLeft()), g.PdfY(view.AbsTop()), g.PdfX(view.AbsLeft() + pw),
                              g.PdfY(view.AbsTop() + ph)};
  std::string content;
  try {
    TEMFtoPDFExport player(emf, PdfA, FDoc.get(), target, content);
    player.PlayMetafile();
  } catch (const std::exception&) {
    return false;
  }
  TqdxPDFContentWriter w(page);
  w.Fill(view, r);
  page.WriteRaw(content);
  w.Frame(frame, r);
  return true;
}
