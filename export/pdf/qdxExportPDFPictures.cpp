// Objects the PDF filter writes as pictures: metafile drawings played as
// vectors, PNG pictures with transparency of their own, and rasters of
// everything else.

#include "export/pdf/qdxExportPDF.h"

#include "document/qdxClass.h"
#include "document/qdxDrawing.h"
#include "document/qdxOtherViews.h"
#include "document/qdxPictureDecode.h"
#include "document/qdxReport.h"
#include "export/pdf/qdxEMFtoPDFExport.h"
#include "export/pdf/qdxExportPDFHelpers.h"
#include "export/pdf/qdxPDFContent.h"
#include "platform/Bitmap.h"
#include "platform/MetafileCanvas.h"
#include "platform/MetafilePlayer.h"
#include "platform/RasterCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>

namespace {

int R(double v) { return static_cast<int>(std::nearbyint(v)); }

// An object of runaway size must not take the memory of the machine: its
// raster is drawn at a lower resolution instead.
constexpr double MaxRasterPixels = double(int64_t(1) << 24);
constexpr double MaxRasterSide = 16384;

// The factor (at most 1) that brings a raster of w x h pixels within limits.
double RasterLimit(double w, double h) {
  w = std::max(w, 1.0);
  h = std::max(h, 1.0);
  double s = 1;
  if (w * h > MaxRasterPixels) s = std::sqrt(MaxRasterPixels / (w * h));
  return std::min({s, MaxRasterSide / w, MaxRasterSide / h});
}

int RasterSide(double v) { return std::clamp(R(v), 1, int(MaxRasterSide)); }

// The frame's width is 0 while the object draws itself, since the filter
// writes the frame as vectors afterwards. Every side gets its own width back,
// whatever happens while drawing.
class TFrameWidthOff {
public:
  explicit TFrameWidthOff(TqdxFrame& frame) : FFrame(frame), FWidth(frame.GetWidth()) {
    for (size_t i = 0; i < FSides.size(); ++i) FSides[i] = Side(i).Width;
    frame.SetWidth(0);
  }
  ~TFrameWidthOff() { Restore(); }
  TFrameWidthOff(const TFrameWidthOff&) = delete;
  TFrameWidthOff& operator=(const TFrameWidthOff&) = delete;

  void Restore() {
    if (FRestored) return;
    FRestored = true;
    FFrame.SetWidth(FWidth);
    for (size_t i = 0; i < FSides.size(); ++i) Side(i).Width = FSides[i];
  }

private:
  TqdxFrameLine& Side(size_t i) const {
    switch (i) {
      case 0: return *FFrame.GetLeftLine();
      case 1: return *FFrame.GetTopLine();
      case 2: return *FFrame.GetRightLine();
      default: return *FFrame.GetBottomLine();
    }
  }
  TqdxFrame& FFrame;
  double FWidth;
  std::array<double, 4> FSides{};
  bool FRestored = false;
};

// Whether PNG bytes carry transparency: an alpha channel or a tRNS chunk
// (transparent palette entries or a transparent colour). Only the chunks
// before the image data are looked at; damaged bytes count as opaque and are
// left to the decoder to report.
bool PngHasTransparency(std::string_view b) {
  static constexpr char Signature[] = "\x89PNG\r\n\x1a\n";
  if (b.size() < 8 || std::memcmp(b.data(), Signature, 8) != 0) return false;
  auto be32 = [&](size_t at) {
    return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 | uint32_t(uint8_t(b[at + 2])) << 8 |
           uint32_t(uint8_t(b[at + 3]));
  };
  size_t p = 8;
  while (b.size() - p >= 12) {
    const size_t length = be32(p);
    const std::string_view type = b.substr(p + 4, 4);
    if (length > b.size() - p - 12) return false;
    if (type == "IHDR") {
      if (length < 13) return false;
      const uint8_t colorType = uint8_t(b[p + 8 + 9]);
      if (colorType == 4 || colorType == 6) return true;
    } else if (type == "tRNS") {
      return true;
    } else if (type == "IDAT" || type == "IEND") {
      return false;
    }
    p += 12 + length;
  }
  return false;
}


// Where a picture object puts a picture of pw x ph pixels inside its drawing
// area (raster pixels, sx and sy raster pixels per report pixel): stretched
// over the area or fitted into it at the top left, or at its own size; moved
// to the middle when centred.
TRect PictureTarget(const TqdxPictureView& view, const TRect& area, int pw, int ph, double sx, double sy) {
  TRect t = area;
  const int dx = area.Right - area.Left, dy = area.Bottom - area.Top;
  if (view.Stretched) {
    if (view.KeepAspectRatio) {
      const double kx = double(dx) / pw, ky = double(dy) / ph;
      if (kx < ky) t.Bottom = area.Top + R(ph * kx);
      else t.Right = area.Left + R(pw * ky);
    }
  } else {
    t.Right = area.Left + R(pw * sx);
    t.Bottom = area.Top + R(ph * sy);
  }
  if (view.Center) {
    const int mx = (dx - (t.Right - t.Left)) / 2, my = (dy - (t.Bottom - t.Top)) / 2;
    t = TRect{t.Left + mx, t.Top + my, t.Right + mx, t.Bottom + my};
  }
  return t;
}

using TPaint = std::function<void(TCanvas&)>;

enum class TMaskKind { None, ColorKey, Alpha };

TBitmap PaintOver(int w, int h, TColor background, const TPaint& paint) {
  TBitmap bitmap(w, h, TPixelFormat::pf24bit);
  bitmap.Fill(background);
  TRasterCanvas canvas(bitmap);
  paint(canvas);
  return bitmap;
}

// The pixels the paint leaves on a w x h raster, with a soft mask when asked:
// for a colour key, the pixels of that colour are transparent; otherwise the
// paint is done over white and over black, and the difference is what it
// left uncovered (which also keeps the soft edges of text and pictures).
// Uncovered pixels keep the white the raster starts with.
TqdxPDFPixels RenderPixels(int w, int h, TMaskKind mask, TColor key, const TPaint& paint) {
  TqdxPDFPixels px;
  px.Width = w;
  px.Height = h;
  const size_t n = size_t(w) * size_t(h);
  px.RGB.resize(3 * n);
  if (mask == TMaskKind::Alpha) {
    const TBitmap white = PaintOver(w, h, clWhiteRGB, paint);
    const TBitmap black = PaintOver(w, h, 0, paint);
    px.Alpha.resize(n);
    for (int y = 0; y < h; ++y) {
      const uint8_t* pw = white.ScanLine(y);
      const uint8_t* pb = black.ScanLine(y);
      char* rgb = px.RGB.data() + size_t(y) * size_t(w) * 3;
      char* alpha = px.Alpha.data() + size_t(y) * size_t(w);
      for (int x = 0; x < w; ++x) {
        int uncovered = 0;
        for (int c = 0; c < 3; ++c) uncovered = std::max(uncovered, pw[3 * x + c] - pb[3 * x + c]);
        const int a = 255 - std::clamp(uncovered, 0, 255);
        alpha[x] = char(a);
        for (int c = 0; c < 3; ++c) {
          // Blue, green, red in the bitmap; red, green, blue in the image.
          const int v = a == 0 ? 255 : std::min(255, (pb[3 * x + 2 - c] * 255 + a / 2) / a);
          rgb[3 * x + c] = char(v);
        }
      }
    }
    return px;
  }
  const TBitmap bitmap = PaintOver(w, h, mask == TMaskKind::ColorKey ? key : clWhiteRGB, paint);
  if (mask == TMaskKind::ColorKey) px.Alpha.resize(n);
  const uint8_t kr = GetRValue(key), kg = GetGValue(key), kb = GetBValue(key);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = bitmap.ScanLine(y);
    char* rgb = px.RGB.data() + size_t(y) * size_t(w) * 3;
    for (int x = 0; x < w; ++x) {
      rgb[3 * x] = char(src[3 * x + 2]);
      rgb[3 * x + 1] = char(src[3 * x + 1]);
      rgb[3 * x + 2] = char(src[3 * x]);
      if (mask == TMaskKind::ColorKey) {
        const bool keyed = src[3 * x + 2] == kr && src[3 * x + 1] == kg && src[3 * x] == kb;
        px.Alpha[size_t(y) * size_t(w) + size_t(x)] = keyed ? char(0) : char(255);
      }
    }
  }
  return px;
}

// Left and right (or top and bottom) of a span whatever its sign.
struct TSpan1D {
  double Low, High;
};
TSpan1D Span(double a, double b) { return {std::min(a, b), std::max(a, b)}; }

// How far the raster starts before the object when the drawing bounds exceed
// it: all of the excess when it lies before the object, half of it when on
// both sides, nothing when only after it.
double Excess(TSpan1D bounds, TSpan1D object) {
  const double extent = bounds.High - bounds.Low, size = object.High - object.Low;
  if (extent <= size) return 0;
  const bool before = bounds.Low < object.Low, after = bounds.High > object.High;
  if (before && after) return (extent - size) / 2;
  return before ? extent - size : 0;
}

bool IsBarcode(const TqdxView& view) {
  return view.Is<TqdxBarCodeView>() || view.Is<TqdxBarcode2DView>();
}

}  // namespace

void TqdxPDFExport::ReportProblem(const TqdxView& view, const std::string& problem) {
  const std::string name = view.Name.empty() ? view.ClassName() : view.Name;
  // A damaged picture repeated on every page is reported once.
  if (!FReportedProblems.insert(name + '\n' + problem).second) return;
  const std::string message = "PDF export: object " + name + " on page " + std::to_string(FPageIndex + 1) + ": " + problem;
  if (Report) Report->Errors.push_back(message);
  else qdxDrawMessage(message);
}

bool TqdxPDFExport::DecodePicture(const TqdxPictureView& view, TBitmap& out) {
  try {
    out = qdxDecodePicture(*view.GetPicture());
  } catch (const EImageError& e) {
    ReportProblem(view, std::string("the picture is damaged and left out (") + e.what() + ")");
    return false;
  }
  if (out.Empty()) {
    ReportProblem(view, "the picture has no pixels and is left out");
    return false;
  }
  return true;
}

bool TqdxPDFExport::IsTransparentPng(const TqdxPictureView& view) const {
  const TqdxPictureData& data = *view.GetPicture();
  return view.Transparent && data.Kind() == TqdxGraphicKind::gkPNG && PngHasTransparency(data.Bytes());
}

void TqdxPDFExport::PlaceImage(int index, double left, double top, double width, double height) {
  TqdxPDFPage& page = *FDoc->CurrentPage();
  const TPDFPageGeometry& g = page.Geometry;
  page.WriteLine("q");
  page.WriteLine(FloatToPdf(width * 0.75) + " 0 0 " + FloatToPdf(height * 0.75) + " " + FloatToPdf(g.PdfX(left)) + " " +
                 FloatToPdf(g.PdfY(top + height)) + " cm");
  page.WriteLine(page.UseImage(index) + " Do");
  page.WriteLine("Q");
}

void TqdxPDFExport::TransparentPicture(TqdxPictureView& view, const TqdxPDFObjRect& r) {
  TqdxPDFContentWriter w(*FDoc->CurrentPage());
  TqdxFrame& frame = *view.GetFrame();
  w.Fill(view, r);
  const TSpan1D xs = Span(view.AbsLeft(), view.AbsLeft() + view.GetWidth());
  const TSpan1D ys = Span(view.AbsTop(), view.AbsTop() + view.GetHeight());
  const double width = xs.High - xs.Low, height = ys.High - ys.Low;
  TBitmap picture;
  if (!std::isfinite(width) || !std::isfinite(height) || width <= 0 || height <= 0 || !DecodePicture(view, picture)) {
    w.Frame(frame, r);
    return;
  }
  // A few pixels more than the object, three times finer for print.
  const double k = PrintOptimized ? 3 : 1;
  const double rw = k + R(k * width), rh = k + R(k * height);
  const double limit = RasterLimit(rw, rh);
  const int iw = RasterSide(rw * limit), ih = RasterSide(rh * limit);
  const double sx = iw / width, sy = ih / height;
  // The picture lands where the object itself puts it: keeping its aspect
  // ratio, centred or at its own size as the object asks.
  const double shadow = frame.DropShadow ? frame.ShadowWidth : 0;
  const TRect area{0, 0, std::max(0, R((width - shadow) * sx)), std::max(0, R((height - shadow) * sy))};
  const TRect target = PictureTarget(view, area, picture.Width(), picture.Height(), sx, sy);
  const TPaint paint = [&](TCanvas& canvas) {
    canvas.SaveDC();
    canvas.IntersectClipRect(area);
    canvas.SetStretchMode(view.HightQuality ? TStretchMode::smHalftone : TStretchMode::smNearest);
    canvas.StretchDraw(target, picture);
    canvas.RestoreDC();
  };
  const TqdxPDFPixels pixels = RenderPixels(iw, ih, TMaskKind::Alpha, 0, paint);
  PlaceImage(FDoc->AddImage(pixels), xs.Low, ys.Low, width, height);
  w.Frame(frame, r);
}

void TqdxPDFExport::Raster(TqdxView& view, const TqdxPDFObjRect& r) {
  TqdxPDFContentWriter w(*FDoc->CurrentPage());
  TqdxFrame& frame = *view.GetFrame();
  auto* picture = dynamic_cast<TqdxPictureView*>(&view);
  w.Fill(view, r);
  TBitmap own;
  if (picture) {
    const TqdxGraphicKind kind = picture->GetPicture()->Kind();
    if (kind == TqdxGraphicKind::gkNone) {
      w.Frame(frame, r);
      return;
    }
    if (kind == TqdxGraphicKind::gkWMF) {
      ReportProblem(view, "pictures in the older Windows metafile format are not drawn");
      w.Frame(frame, r);
      return;
    }
    if (kind == TqdxGraphicKind::gkMetafile) {
      // The object plays the metafile itself below; played here once more
      // only to learn whether it is damaged.
      PictureMetafile(*picture, 1, 1);
    } else if (!DecodePicture(*picture, own)) {
      w.Frame(frame, r);
      return;
    }
  }

  // The raster covers what the object paints, which may exceed the object.
  const TqdxRect bounds = view.GetExportBounds();
  const TSpan1D bx = Span(bounds.Left, bounds.Right), by = Span(bounds.Top, bounds.Bottom);
  const TSpan1D ox = Span(view.AbsLeft(), view.AbsLeft() + view.GetWidth());
  const TSpan1D oy = Span(view.AbsTop(), view.AbsTop() + view.GetHeight());
  const double ew = std::max(bx.High - bx.Low, ox.High - ox.Low), eh = std::max(by.High - by.Low, oy.High - oy.Low);
  if (!std::isfinite(ew) || !std::isfinite(eh) || !std::isfinite(ox.Low) || !std::isfinite(oy.Low)) {
    ReportProblem(view, "the object's size or position is not a number and it is left out");
    w.Frame(frame, r);
    return;
  }
  const double shiftX = Excess(bx, ox), shiftY = Excess(by, oy);

  // Text stays legible at three times the screen size; hatches keep their
  // spacing only at the size they were made for.
  const bool text = view.Is<TqdxCustomMemoView>();
  const bool hatched = view.GetBrushStyle() > bsClear;
  double f = (PrintOptimized || (text && !hatched)) ? 3 : 1;
  if (!PrintOptimized && view.Is<TqdxBarCodeView>()) f = 2;

  // A picture kept in its own pixels is written as it is, unscaled; the
  // viewer scales it into place.
  const double shadow = frame.DropShadow ? frame.ShadowWidth : 0;
  const double aw = std::max(0.0, ox.High - ox.Low - shadow), ah = std::max(0.0, oy.High - oy.Low - shadow);
  const bool transparentPicture = picture && picture->Transparent && Transparency;
  bool keepOwn = picture && !own.Empty() && !transparentPicture && !picture->Center && SaveOriginalImages;
  int rw = 0, rh = 0;
  if (keepOwn) {
    // Not stretched, the object shows only as much of the picture as fits
    // into it, each pixel of the picture on one pixel of the object.
    rw = picture->Stretched ? own.Width() : std::min(own.Width(), std::max(1, R(aw)));
    rh = picture->Stretched ? own.Height() : std::min(own.Height(), std::max(1, R(ah)));
    if (RasterLimit(rw, rh) < 1) keepOwn = false;
  }
  if (!keepOwn) {
    f *= RasterLimit(f * ew, f * eh);
    rw = RasterSide(f * ew);
    rh = RasterSide(f * eh);
  }

  // Soft masks: a transparent picture leaves out its transparent colour, an
  // object without a colour lets the page show where it does not paint.
  const bool supportsTransparency = picture && picture->GetPicture()->Kind() != TqdxGraphicKind::gkJPEG;
  const bool masked =
      Transparency && (view.GetColor() == clNone || (picture && picture->Transparent && supportsTransparency));
  TMaskKind mask = TMaskKind::None;
  TColor key = 0;
  if (masked) {
    if (picture && picture->Transparent && picture->TransparentColor != clNone) {
      mask = TMaskKind::ColorKey;
      key = qdxCanvasColor(picture->TransparentColor);
    } else {
      mask = TMaskKind::Alpha;
    }
  }

  TqdxPDFPixels pixels;
  {
    TFrameWidthOff widthOff(frame);
    if (keepOwn) {
      // What the object does with such a picture: partial transparency laid
      // over the transparent colour, that colour left out when transparent.
      const bool hasColor = picture->TransparentColor != clNone;
      if (hasColor && own.PixelFormat() == TPixelFormat::pf32bit)
        own = qdxPictureOverColor(own, qdxCanvasColor(picture->TransparentColor));
      std::optional<TColor> transparent;
      if (picture->Transparent && hasColor) transparent = qdxCanvasColor(picture->TransparentColor);
      const double fx = aw > 0 ? rw / aw : 1, fy = ah > 0 ? rh / ah : 1;
      const TPaint paint = [&](TCanvas& canvas) {
        picture->GetFill()->Draw(canvas, 0, 0, rw, rh, fx, fy);
        canvas.SetStretchMode(TStretchMode::smNearest);
        canvas.StretchDraw(TRect{0, 0, own.Width(), own.Height()}, own, transparent);
      };
      pixels = RenderPixels(rw, rh, mask, key, paint);
    } else {
      const double left = ox.Low - shiftX, top = oy.Low - shiftY;
      const TPaint paint = [&](TCanvas& canvas) { view.Draw(canvas, f, f, -left * f, -top * f); };
      pixels = RenderPixels(rw, rh, mask, key, paint);
    }
  }

  // Sharp edges suffer most from the compression.
  const bool sharp = IsBarcode(view) || view.Is<TqdxCustomLineView>() || view.Is<TqdxShapeView>();
  const int index = FDoc->AddImage(pixels, sharp ? std::min(100, Quality + 5) : -1);
  if (keepOwn) {
    double pw = aw, ph = ah;
    if (!picture->Stretched) {
      pw = std::min(aw, double(own.Width()));
      ph = std::min(ah, double(own.Height()));
    } else if (picture->KeepAspectRatio) {
      // Fitted inside the object at its top left, as the object draws it.
      const double kx = aw / own.Width(), ky = ah / own.Height();
      if (kx < ky) ph = own.Height() * kx;
      else pw = own.Width() * ky;
    }
    PlaceImage(index, ox.Low, oy.Low, pw, ph);
  } else {
    PlaceImage(index, ox.Low - shiftX, oy.Low - shiftY, ew, eh);
  }
  w.Frame(frame, r);
}

std::string TqdxPDFExport::PictureMetafile(TqdxPictureView& view, int width, int height) {
  // Played over the object's whole drawing area, as the object itself does.
  const TqdxFrame& frame = *view.GetFrame();
  const int shadow = frame.DropShadow ? R(frame.ShadowWidth) : 0;
  TMetafileCanvas canvas(width, height);
  const TRect dest{0, 0, std::max(0, R(std::fabs(view.GetWidth())) - shadow),
                   std::max(0, R(std::fabs(view.GetHeight())) - shadow)};
  const TMetafilePlayResult played = PlayMetafile(view.GetPicture()->Bytes(), canvas, dest);
  if (!played.Complete) {
    std::string why;
    for (const std::string& m : played.Messages) why += (why.empty() ? "" : "; ") + m;
    ReportProblem(view, "the metafile picture is damaged and drawn only in part" + (why.empty() ? "" : " (" + why + ")"));
  }
  return canvas.Finish();
}

bool TqdxPDFExport::Vector(TqdxView& view, const TqdxPDFObjRect& r) {
  TqdxPDFPage& page = *FDoc->CurrentPage();
  const double w0 = std::fabs(view.GetWidth()), h0 = std::fabs(view.GetHeight());
  if (!(w0 <= 1e6) || !(h0 <= 1e6)) return false;
  const int pw = std::max(1, R(w0)), ph = std::max(1, R(h0));
  auto* picture = dynamic_cast<TqdxPictureView*>(&view);
  std::string emf;
  try {
    // The fill and the frame are written by the filter itself, around the contents.
    if (picture && picture->GetPicture()->Kind() == TqdxGraphicKind::gkMetafile)
      emf = PictureMetafile(*picture, pw, ph);
    else
      emf = view.GetVectorGraphic(false);
  } catch (const std::exception&) {
    return false;
  }
  const TPDFPageGeometry& g = page.Geometry;
  const TEMFTargetRect target{g.PdfX(view.AbsLeft()), g.PdfY(view.AbsTop()), g.PdfX(view.AbsLeft() + pw),
                              g.PdfY(view.AbsTop() + ph)};
  std::string content;
  try {
    TEMFtoPDFExport player(emf, PdfA, FDoc.get(), target, content);
    // Bars keep their exact edges.
    const std::string& cls = view.ClassName();
    player.MiterJoinsOnly = player.SquareCapsOnly =
        qdxSameText(cls, "TqdxBarCodeView") || qdxSameText(cls, "TqdxBarcode2DView");
    player.IgnoreBrush = view.Is<TqdxShapeView>();
    player.PlayMetafile();
  } catch (const std::exception&) {
    return false;
  }
  TqdxPDFContentWriter w(page);
  w.Fill(view, r);
  page.WriteRaw(content);
  w.Frame(*view.GetFrame(), r);
  return true;
}
