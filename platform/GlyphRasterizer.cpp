#include "platform/GlyphRasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/Font.h"

namespace {

// The slant of simulated italics: about 12 degrees, as faces drawn italic lean.
constexpr double ItalicShear = 0.2126;

FT_Fixed ToFixed(double v) { return static_cast<FT_Fixed>(std::lround(v * 65536.0)); }

// Where the run sits: the baseline origin and the unit vectors along the text
// and "down" from it, in device pixels (y grows downwards).
struct TFrame {
  double OX = 0, OY = 0;
  double DX = 1, DY = 0;  // along the text
  double NX = 0, NY = 1;  // from the baseline towards the descenders
  double X(double along, double down) const { return OX + DX * along + NX * down; }
  double Y(double along, double down) const { return OY + DY * along + NY * down; }
};

struct TClip {
  std::span<const TRect> Rects;
  TRect Bounds{};
};

void BlendPixel(uint8_t* p, TColor color, unsigned coverage) {
  if (coverage == 0) return;
  if (coverage >= 255) {
    p[0] = GetBValue(color);
    p[1] = GetGValue(color);
    p[2] = GetRValue(color);
    return;
  }
  auto mix = [coverage](uint8_t dst, uint8_t src) {
    int v = dst * 255 + (int(src) - int(dst)) * int(coverage);
    return uint8_t((v + 127) / 255);
  };
  p[0] = mix(p[0], GetBValue(color));
  p[1] = mix(p[1], GetGValue(color));
  p[2] = mix(p[2], GetRValue(color));
}

// Blends an 8-bit coverage bitmap whose top-left pixel lands on (left, top).
void BlendCoverage(TBitmap& target, const TClip& clip, const FT_Bitmap& bm, int left, int top, TColor color) {
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.rows == 0 || bm.width == 0) return;
  const int w = static_cast<int>(bm.width), h = static_cast<int>(bm.rows);
  if (left >= clip.Bounds.Right || top >= clip.Bounds.Bottom || left + w <= clip.Bounds.Left ||
      top + h <= clip.Bounds.Top)
    return;
  const unsigned char* first = bm.pitch >= 0 ? bm.buffer : bm.buffer - static_cast<ptrdiff_t>(bm.pitch) * (h - 1);
  for (int r = 0; r < h; ++r) {
    const int y = top + r;
    if (y < clip.Bounds.Top || y >= clip.Bounds.Bottom) continue;
    const unsigned char* src = first + static_cast<ptrdiff_t>(bm.pitch) * r;
    uint8_t* row = target.ScanLine(y);
    for (const TRect& c : clip.Rects) {
      if (y < c.Top || y >= c.Bottom) continue;
      const int x0 = std::max(left, c.Left), x1 = std::min(left + w, c.Right);
      for (int x = x0; x < x1; ++x) BlendPixel(row + size_t(x) * 3, color, src[x - left]);
    }
  }
}

// A solid band along the run (underline, strike-out): from the origin over
// length, between down0 and down1 below the baseline; aliased like the lines
// of the canvas.
void FillBand(TBitmap& target, const TClip& clip, const TFrame& f, double length, double down0, double down1,
              TColor color) {
  std::vector<std::vector<TPointF>> quad{{{f.X(0, down0), f.Y(0, down0)},
                                          {f.X(length, down0), f.Y(length, down0)},
                                          {f.X(length, down1), f.Y(length, down1)},
                                          {f.X(0, down1), f.Y(0, down1)}}};
  std::vector<TSpan> spans;
  RasterizePolygons(quad, TFillRule::frWinding, clip.Bounds, spans);
  for (const TSpan& s : spans)
    for (const TRect& c : clip.Rects) {
      if (s.Y < c.Top || s.Y >= c.Bottom) continue;
      uint8_t* row = target.ScanLine(s.Y);
      for (int x = std::max(s.X0, c.Left); x < std::min(s.X1, c.Right); ++x) BlendPixel(row + size_t(x) * 3, color, 255);
    }
}

}  // namespace

void TFreeTypeGlyphRasterizer::DrawRun(TBitmap& target, std::span<const TRect> clipRects, const TRun& run) {
  if (!run.Font || run.Text.empty() || clipRects.empty() || target.PixelFormat() != TPixelFormat::pf24bit) return;
  const TFont& font = *run.Font;
  TClip clip{clipRects, clipRects.front()};
  for (const TRect& r : clipRects) {
    clip.Bounds.Left = std::min(clip.Bounds.Left, r.Left);
    clip.Bounds.Top = std::min(clip.Bounds.Top, r.Top);
    clip.Bounds.Right = std::max(clip.Bounds.Right, r.Right);
    clip.Bounds.Bottom = std::max(clip.Bounds.Bottom, r.Bottom);
  }

  // Glyphs and the pen position before each, in pixels along the text. A
  // surrogate pair is one glyph advancing by both its units' advances; units
  // beyond the given advances take the font's own.
  const size_t n = run.Text.size();
  std::vector<char32_t> chars;
  std::vector<size_t> firstUnit, unitCount;
  for (size_t i = 0; i < n; ++i) {
    char32_t c = run.Text[i];
    size_t units = 1;
    if (!run.GlyphIndices && c >= 0xD800 && c < 0xDC00 && i + 1 < n && run.Text[i + 1] >= 0xDC00 &&
        run.Text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (run.Text[i + 1] - 0xDC00);
      units = 2;
    }
    chars.push_back(c);
    firstUnit.push_back(i);
    unitCount.push_back(units);
    i += units - 1;
  }
  std::vector<TFontFace::TGlyph> glyphs(chars.size());
  if (run.GlyphIndices) {
    for (size_t i = 0; i < chars.size(); ++i)
      glyphs[i] = TFontFace::TGlyph{&font.Face(), chars[i], font.Face().GlyphAdvance(chars[i])};
  } else {
    font.Face().Glyphs(chars.data(), chars.size(), glyphs.data());
  }
  std::vector<double> pens(glyphs.size());
  double pen = 0;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    pens[i] = pen;
    if (firstUnit[i] + unitCount[i] <= run.Advances.size()) {
      for (size_t k = 0; k < unitCount[i]; ++k) pen += run.Advances[firstUnit[i] + k];
    } else if (glyphs[i].Face) {
      pen += font.Advance(glyphs[i]);
    }
  }
  const double total = pen;

  const int escapement = run.Escapement != 0 ? run.Escapement : font.Desc().Escapement;
  const double angle = escapement / 10.0 * std::numbers::pi / 180.0;
  const double cosA = std::cos(angle), sinA = std::sin(angle);
  const TFontTextMetrics& tm = font.TextMetrics();
  TFrame f;
  f.DX = cosA;
  f.DY = -sinA;
  f.NX = sinA;
  f.NY = cosA;
  double down = run.VAlign == TTextVAlign::taTop ? tm.Ascent : run.VAlign == TTextVAlign::taBottom ? -tm.Descent : 0;
  double back = run.HAlign == TTextHAlign::taRight ? total : run.HAlign == TTextHAlign::taCenter ? total / 2 : 0;
  f.OX = run.X + f.NX * down - f.DX * back;
  f.OY = run.Y + f.NY * down - f.DY * back;

  // Outline transform in FreeType's y-up space: slant first, then turn.
  const double shear = font.SimulatedItalic() ? ItalicShear : 0;
  FT_Matrix m;
  m.xx = ToFixed(cosA);
  m.xy = ToFixed(cosA * shear - sinA);
  m.yx = ToFixed(sinA);
  m.yy = ToFixed(sinA * shear + cosA);
  const bool identity = shear == 0 && escapement % 3600 == 0;
  const double em = double(font.EmNumerator()) / double(font.EmDenominator());
  const FT_F26Dot6 size = std::max<FT_F26Dot6>(1, static_cast<FT_F26Dot6>(std::lround(em * 64)));
  const FT_Pos bold = font.SimulatedBold() ? FT_Pos(tm.Overhang) * 64 : 0;

  for (size_t i = 0; i < glyphs.size(); ++i) {
    const TFontFace::TGlyph& g = glyphs[i];
    if (!g.Face) continue;
    const double px = f.X(pens[i], 0), py = f.Y(pens[i], 0);
    const double ix = std::floor(px), iy = std::floor(py);
    TFontFace::TAccess access(*g.Face);
    FT_Face face = access.Face();
    if (FT_Set_Char_Size(face, size, size, 72, 72) != 0) continue;
    if (FT_Load_Glyph(face, g.Id, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) continue;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) continue;
    if (bold > 0) {
      // Emboldening widens both sides; keep the left side bearing.
      FT_Outline_EmboldenXY(&slot->outline, bold, bold / 2);
      FT_Outline_Translate(&slot->outline, bold / 2, 0);
    }
    if (!identity) FT_Outline_Transform(&slot->outline, &m);
    // The sub-pixel part of the pen position moves the outline; the whole
    // part places the bitmap.
    FT_Outline_Translate(&slot->outline, static_cast<FT_Pos>(std::lround((px - ix) * 64)),
                         -static_cast<FT_Pos>(std::lround((py - iy) * 64)));
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) continue;
    BlendCoverage(target, clip, slot->bitmap, static_cast<int>(ix) + slot->bitmap_left,
                  static_cast<int>(iy) - slot->bitmap_top, run.Color);
  }

  // Lines in the text colour over the whole run, at least a pixel thick.
  if (tm.Underlined) {
    const TFontOutlineMetrics& o = font.OutlineMetrics();
    double top = -font.ToPixels(o.UnderlinePosition);
    double thick = std::max(1, font.ToPixels(o.UnderlineThickness));
    if (top < 1) top = 1;  // never on the baseline itself
    FillBand(target, clip, f, total, top, top + thick, run.Color);
  }
  if (tm.StruckOut) {
    const TFontOutlineMetrics& o = font.OutlineMetrics();
    double top = -font.ToPixels(o.StrikeoutPosition);
    double thick = std::max(1, font.ToPixels(o.StrikeoutSize));
    FillBand(target, clip, f, total, top, top + thick, run.Color);
  }
}

TGlyphRasterizer& FreeTypeGlyphRasterizer() {
  static TFreeTypeGlyphRasterizer rasterizer;
  return rasterizer;
}
