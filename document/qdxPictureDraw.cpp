// Picture objects: background, the picture fitted into the drawing
// rectangle, frame.
#include "document/qdxDrawing.h"
#include "document/qdxPictureDecode.h"
#include "document/qdxPictureView.h"
#include "platform/MetafilePlayer.h"
#include "platform/BmpFile.h"
#include "platform/IcoFile.h"
#include "platform/JpegFile.h"
#include "platform/PngFile.h"

#include <cmath>
#include <optional>

namespace {

int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

TBitmap qdxDecodePicture(const TqdxPictureData& picture) {
  TMemoryStream in(picture.Bytes());
  try {
    switch (picture.Kind()) {
      case TqdxGraphicKind::gkBitmap: return ReadBmp(in);
      case TqdxGraphicKind::gkJPEG: return ReadJpeg(in);
      case TqdxGraphicKind::gkPNG: return ReadPng(in);
      case TqdxGraphicKind::gkIcon: return ReadIco(in);
      case TqdxGraphicKind::gkNone:
      case TqdxGraphicKind::gkMetafile:
      case TqdxGraphicKind::gkWMF: break;
    }
  } catch (const EStreamError& e) {
    throw EImageError(e.what());
  }
  return TBitmap();
}

void TqdxPictureView::Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) {
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  if (!DrawMono) DrawBackground();
  const TqdxPictureData& data = *GetPicture();
  if (!data.Empty()) {
    if (data.Kind() == TqdxGraphicKind::gkMetafile) {
      // A metafile is played over the whole picture area.
      TRect target{FX, FY, FX1, FY1};
      TMetafilePlayResult played = PlayMetafile(data.Bytes(), canvas, target);
      for (const std::string& m : played.Messages) qdxDrawMessage(Name + ": " + m);
    } else if (data.Kind() == TqdxGraphicKind::gkWMF) {
      qdxDrawMessage(Name + ": pictures in the older Windows metafile format are not drawn");
    } else {
      TBitmap picture;
      try {
        picture = qdxDecodePicture(data);
      } catch (const EImageError& e) {
        qdxDrawMessage(Name + ": " + e.what());
      }
      if (!picture.Empty()) {
        const int pw = picture.Width(), ph = picture.Height();
        TRect target{FX, FY, FX1, FY1};
        bool clipped = false;
        if (Stretched) {
          if (KeepAspectRatio) {
            const double kx = double(FDX) / pw, ky = double(FDY) / ph;
            if (kx < ky)
              target.Bottom = FY + Round(ph * kx);
            else
              target.Right = FX + Round(pw * ky);
          }
        } else {
          clipped = true;
          target.Right = FX + Round(pw * FScaleX);
          target.Bottom = FY + Round(ph * FScaleY);
        }
        if (Center) {
          const int dx = (FDX - target.Width()) / 2, dy = (FDY - target.Height()) / 2;
          target = TRect{target.Left + dx, target.Top + dy, target.Right + dx, target.Bottom + dy};
        }
        if (clipped) {
          canvas.SaveDC();
          canvas.IntersectClipRect(TRect{FX, FY, FX1, FY1});
        }
        // Pixels with partial transparency are laid over the transparent
        // colour first; pixels of that colour are then left out.
        const bool hasColor = TransparentColor != clNone;
        if (hasColor && picture.PixelFormat() == TPixelFormat::pf32bit)
          picture = qdxPictureOverColor(picture, qdxCanvasColor(TransparentColor));
        std::optional<TColor> transparent;
        if (Transparent && hasColor) transparent = qdxCanvasColor(TransparentColor);
        canvas.SetStretchMode(HightQuality ? TStretchMode::smHalftone : TStretchMode::smNearest);
        canvas.StretchDraw(target, picture, transparent);
        if (clipped) canvas.RestoreDC();
      }
    }
  }
  DrawFrame();
}

TBitmap qdxPictureOverColor(const TBitmap& picture, TColor color) {
  TBitmap out(picture.Width(), picture.Height());
  out.Fill(color);
  const uint8_t br = GetRValue(color), bg = GetGValue(color), bb = GetBValue(color);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const TColor c = picture.GetPixel(x, y);
      const int a = picture.GetAlpha(x, y);
      auto mix = [a](int fg, int bk) { return uint8_t((fg * a + bk * (255 - a) + 127) / 255); };
      out.SetPixel(x, y, RGBColor(mix(GetRValue(c), br), mix(GetGValue(c), bg), mix(GetBValue(c), bb)));
    }
  return out;
}
