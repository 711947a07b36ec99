#include "platform/EmfFormat.h"
#include "platform/Font.h"
#include "platform/MetafileCanvas.h"
#include "platform/MetafilePlayer.h"
#include "platform/RasterCanvas.h"
#include "platform/TextMeasure.h"

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace Emf;

namespace {

constexpr TColor Red = RGBColor(255, 0, 0);
constexpr TColor Blue = RGBColor(0, 0, 255);
constexpr TColor Green = RGBColor(0, 160, 0);

TPen PenOf(TPenStyle style, int width = 1, TColor color = clBlackRGB) {
  TPen p;
  p.Style = style;
  p.Width = width;
  p.Color = color;
  return p;
}

std::vector<uint32_t> Types(const TEmfRecordList& list) {
  std::vector<uint32_t> t;
  for (const TEmfRecord& r : list.Records)
    t.push_back(r.Type);
  return t;
}

std::string Names(const std::vector<uint32_t>& types) {
  std::string s;
  for (uint32_t t : types)
    s += RecordName(t) + " ";
  return s;
}

// Records the text runs a canvas hands to its glyph rasterizer, so that text
// can be compared without depending on how glyphs are painted.
class TRunLog : public TGlyphRasterizer {
public:
  std::vector<std::string> Runs;
  void DrawRun(TBitmap&, std::span<const TRect>, const TRun& run) override {
    std::string s = std::to_string(run.X) + "," + std::to_string(run.Y) + " " + run.Font->Desc().FaceName + " h" +
                    std::to_string(run.Font->Desc().Height) + " c" + std::to_string(run.Color) + " a" +
                    std::to_string(int(run.HAlign)) + std::to_string(int(run.VAlign)) + " e" +
                    std::to_string(run.Escapement) + " [";
    for (char16_t c : run.Text)
      s += char(c);
    s += "]";
    for (int a : run.Advances)
      s += " " + std::to_string(a);
    Runs.push_back(s);
  }
};

TBitmap SmallPicture() {
  TBitmap b(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      b.SetPixel(x, y, x == 2 ? Red : RGBColor(uint8_t(40 * x), uint8_t(60 * y), 200));
  return b;
}

TFontDesc SceneFont() {
  TFontDesc d;
  d.FaceName = "Arial";
  d.Height = -11;
  d.Weight = FontWeightBold;
  return d;
}

// A drawing with every kind of call the views make.
void DrawScene(TCanvas& c, const TFont& font) {
  c.FillRect(TRect{0, 0, 120, 90}, TBrush{TBrushStyle::bsSolid, RGBColor(250, 250, 230)});
  c.SetPen(PenOf(TPenStyle::psSolid, 1, Red));
  c.SetBrush(TBrush{TBrushStyle::bsSolid, Blue});
  c.Rectangle(4, 4, 30, 20);
  c.SetBrush(TBrush{TBrushStyle::bsDiagCross, Green});
  c.Ellipse(34, 4, 70, 30);
  c.SetBkMode(TBkMode::bkTransparent);
  c.SetBrush(TBrush{TBrushStyle::bsHorizontal, Red});
  c.RoundRect(TRect{74, 4, 116, 30}, 12, 8);
  c.SaveDC();
  c.SetPen(PenOf(TPenStyle::psDash, 1, clBlackRGB));
  c.SetBkMode(TBkMode::bkOpaque);
  c.SetBkColor(RGBColor(255, 255, 0));
  c.MoveTo(2, 34);
  c.LineTo(118, 34);
  c.LineTo(118, 40);
  TPen wide = PenOf(TPenStyle::psDashDot, 3, Green);
  wide.Geometric = true;
  wide.EndCap = TPenEndCap::pecFlat;
  wide.Join = TPenJoin::pjMiter;
  c.SetPen(wide);
  TPoint zig[] = {{4, 44}, {20, 56}, {36, 44}, {52, 56}};
  c.Polyline(zig);
  c.RestoreDC();
  c.IntersectClipRect(TRect{0, 40, 120, 90});
  c.ExcludeClipRect(TRect{60, 60, 70, 70});
  c.SetPolyFillMode(TPolyFillMode::pfWinding);
  c.SetBrush(TBrush{TBrushStyle::bsSolid, Green});
  TPoint star[] = {{80, 42}, {90, 80}, {60, 55}, {100, 55}, {70, 80}};
  c.Polygon(star);
  TRegion twoBoxes(std::vector<TRect>{TRect{0, 60, 40, 75}, TRect{50, 76, 110, 88}});
  c.SelectClipRgn(&twoBoxes);
  c.SetPen(PenOf(TPenStyle::psSolid, 5, Blue));
  c.MoveTo(0, 58);
  c.LineTo(120, 90);
  c.SelectClipRgn(nullptr);
  c.StretchDraw(TRect{4, 62, 24, 74}, SmallPicture());
  c.StretchDraw(TRect{44, 70, 34, 80}, SmallPicture(), Red);  // mirrored, red left out
  c.SetTextColor(Blue);
  c.SetTextAlign(TTextHAlign::taLeft, TTextVAlign::taBaseline);
  int advances[] = {7, 6, 7, 3};
  TTextRunOptions opts;
  opts.Opaque = true;
  opts.Rect = TRect{60, 80, 90, 90};
  c.TextOutRun(62, 88, font, u"Text", advances, opts);
}

// Bytes of a little-endian 32-bit value.
std::string U32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[size_t(i)] = char((v >> (8 * i)) & 0xFF);
  return s;
}

// A record of the given type with the given 32-bit fields.
std::string Rec(uint32_t type, std::initializer_list<uint32_t> fields, std::string tail = {}) {
  std::string body;
  for (uint32_t f : fields)
    body += U32(f);
  body += tail;
  while (body.size() % 4)
    body.push_back('\0');
  return U32(type) + U32(uint32_t(8 + body.size())) + body;
}

std::string Points16(std::initializer_list<TPoint> pts) {
  std::string s;
  for (const TPoint& p : pts)
    s += std::string{char(p.X & 0xFF), char((p.X >> 8) & 0xFF), char(p.Y & 0xFF), char((p.Y >> 8) & 0xFF)};
  return s;
}

// A metafile of a 100 x 100 pixel frame with the given records between the
// header and the end record.
std::string MakeEmf(const std::vector<std::string>& records, uint16_t handles = 8) {
  TEmfWriter w;
  size_t at = w.BeginRecord(EMR_HEADER);
  w.RectL(TRect{0, 0, 99, 99});
  w.RectL(TRect{0, 0, TMetafileCanvas::PixelsToFrame(100), TMetafileCanvas::PixelsToFrame(100)});
  w.U32(HeaderSignature);
  w.U32(FormatVersion);
  w.U32(0);
  w.U32(uint32_t(records.size() + 2));
  w.U16(handles);
  w.U16(0);
  w.Zeros(12);
  w.I32(1920), w.I32(1440), w.I32(508), w.I32(381);
  w.EndRecord(at);
  for (const std::string& r : records)
    w.Raw(r);
  w.Raw(Rec(EMR_EOF, {0, 20, 20}));
  w.PatchU32(48, uint32_t(w.Size()));
  return w.Bytes();
}

struct TSurface {
  TBitmap Bitmap;
  TRasterCanvas Canvas;
  TSurface(int w, int h) : Bitmap(w, h), Canvas((Bitmap.Fill(clWhiteRGB), Bitmap)) {}
  TColor At(int x, int y) const { return Bitmap.GetPixel(x, y); }
};

}  // namespace

TEST(MetafileCanvas, RecordsEachCallWithItsHandlesAndCoordinates) {
  TMetafileCanvas c(100, 50);
  c.SetPen(PenOf(TPenStyle::psSolid, 1, Red));
  c.SetBrush(TBrush{TBrushStyle::bsSolid, Blue});
  c.Rectangle(10, 20, 50, 60);
  c.SaveDC();
  TPen wide = PenOf(TPenStyle::psDash, 3, Blue);
  wide.Geometric = true;
  wide.EndCap = TPenEndCap::pecFlat;
  wide.Join = TPenJoin::pjMiter;
  c.SetPen(wide);
  c.MoveTo(0, 0);
  c.LineTo(100, 5);
  c.RestoreDC();
  c.SetBrush(TBrush{TBrushStyle::bsClear, Blue});
  TPoint far[] = {{0, 0}, {40000, 0}, {0, 10}};
  c.Polygon(far);
  c.FillRect(TRect{1, 2, 3, 4}, TBrush{TBrushStyle::bsDiagCross, Red});
  TPoint near[] = {{1, 1}, {5, -5}};
  c.Polyline(near);
  c.IntersectClipRect(TRect{8, 9, 2, 3});
  std::string emf = c.Finish();

  TEmfRecordList list = EnumerateEmfRecords(emf);
  EXPECT_EQ(list.Error, "");
  const std::vector<uint32_t> expected = {
      EMR_HEADER,
      EMR_CREATEPEN, EMR_SELECTOBJECT, EMR_CREATEBRUSHINDIRECT, EMR_SELECTOBJECT, EMR_RECTANGLE,  // 1-5
      EMR_SAVEDC, EMR_MOVETOEX, EMR_EXTCREATEPEN, EMR_SELECTOBJECT, EMR_LINETO,                  // 6-10
      EMR_RESTOREDC, EMR_DELETEOBJECT,               // the dashed pen: no state selects it any more
      EMR_SELECTOBJECT, EMR_DELETEOBJECT, EMR_POLYGON,  // null brush; the blue one goes
      EMR_CREATEBRUSHINDIRECT, EMR_SELECTOBJECT, EMR_BITBLT,  // 16-18: its slot is reused
      EMR_POLYLINE16, EMR_INTERSECTCLIPRECT,                  // the pen was already selected
      EMR_SELECTOBJECT, EMR_SELECTOBJECT, EMR_DELETEOBJECT, EMR_DELETEOBJECT,  // 21-24: clean end
      EMR_EOF};
  ASSERT_EQ(Names(Types(list)), Names(expected));

  struct TField {
    size_t Record;
    size_t Offset;
    int64_t Value;
    bool Short = false;  // a 16-bit field
  } fields[] = {
      {1, CreatePen::ihPen, 1},
      {1, CreatePen::Style, PS_SOLID},
      {1, CreatePen::WidthX, 1},
      {1, CreatePen::Color, 0x0000FF},
      {2, FirstField, 1},
      {3, CreateBrush::ihBrush, 2},
      {3, CreateBrush::Style, BS_SOLID},
      {3, CreateBrush::Color, 0xFF0000},
      {4, FirstField, 2},
      {5, 8, 10}, {5, 12, 20}, {5, 16, 50}, {5, 20, 60},
      {7, 8, 0}, {7, 12, 0},
      {8, ExtCreatePen::ihPen, 3},
      {8, ExtCreatePen::PenStyle, PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT | PS_JOIN_MITER},
      {8, ExtCreatePen::Width, 3},
      {8, ExtCreatePen::BrushStyle, BS_SOLID},
      {8, ExtCreatePen::Color, 0xFF0000},
      {9, FirstField, 3},
      {10, 8, 100}, {10, 12, 5},
      {11, FirstField, -1},
      {12, FirstField, 3},
      {13, FirstField, StockObject | NULL_BRUSH},
      {14, FirstField, 2},
      {15, Poly::Count, 3},
      {15, Poly::Points + 8, 40000},  // beyond 16 bits: the 32-bit form
      {15, Poly::Points + 20, 10},
      {15, Poly::Bounds + 8, 40000},
      {16, CreateBrush::ihBrush, 2},
      {16, CreateBrush::Style, BS_HATCHED},
      {16, CreateBrush::Color, 0x0000FF},
      {16, CreateBrush::Hatch, HS_DIAGCROSS},
      {18, Blt::xDest, 1}, {18, Blt::yDest, 2}, {18, Blt::cxDest, 2}, {18, Blt::cyDest, 2},
      {18, Blt::Rop, PATCOPY},
      {18, Blt::cbBmiSrc, 0},
      {19, Poly::Count, 2},
      {19, Poly::Points + 4, 5, true},
      {19, Poly::Points + 6, -5, true},
      {19, Poly::Bounds + 4, -5},
      {20, 8, 2}, {20, 12, 3}, {20, 16, 8}, {20, 20, 9},
      {21, FirstField, StockObject | BLACK_PEN},
      {22, FirstField, StockObject | WHITE_BRUSH},
      {23, FirstField, 1},
      {24, FirstField, 2},
  };
  for (const TField& f : fields) {
    TEmfReader r(list.Records[f.Record].Bytes);
    int64_t v = f.Short ? r.I16(f.Offset) : (f.Value < 0 ? r.I32(f.Offset) : int64_t(r.U32(f.Offset)));
    EXPECT_EQ(v, f.Value) << RecordName(list.Records[f.Record].Type) << " #" << f.Record << " @" << f.Offset;
  }
  std::optional<TEmfHeader> h = ParseEmfHeader(list.Records[0].Bytes);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->Handles, 4);  // slots 1 to 3 and the reserved 0
  EXPECT_EQ(h->Records, list.Records.size());
  EXPECT_EQ(h->Bytes, emf.size());
}

TEST(MetafileCanvas, HeaderDescribesTheFrameAtExactly96PixelsPerInch) {
  using S = std::u16string;
  struct TCase {
    int Width, Height;
    S Description, Stored;
    bool Draw;
    int32_t FrameRight, FrameBottom;
  } cases[] = {
      {100, 50, S(), S(), true, 2646, 1323},
      {96, 96, S(u"Quodex\0Picture\0", 15), S(u"Quodex\0Picture\0\0", 16), true, 2540, 2540},
      {1, 1, S(u"x"), S(u"x\0\0", 3), false, 26, 26},
      {2, 2, S(u"x\0\0", 3), S(u"x\0\0", 3), false, 53, 53},
      {0, -3, S(), S(), false, 26, 26},  // at least one pixel
  };
  for (const TCase& c : cases) {
    TMetafileCanvas canvas(c.Width, c.Height, c.Description);
    if (c.Draw) {
      canvas.SetPen(PenOf(TPenStyle::psSolid, 3));
      canvas.Rectangle(10, 5, 40, 30);
      canvas.FillRect(TRect{2, 1, 6, 4});
    }
    std::string emf = canvas.Finish();
    EXPECT_EQ(canvas.Finish(), emf);  // finishing again changes nothing
    canvas.Rectangle(0, 0, 5, 5);     // nor does drawing afterwards
    EXPECT_EQ(canvas.Finish(), emf);

    TEmfRecordList list = EnumerateEmfRecords(emf);
    ASSERT_EQ(list.Error, "");
    std::optional<TEmfHeader> h = ParseEmfHeader(list.Records[0].Bytes);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->Frame, (TRect{0, 0, c.FrameRight, c.FrameBottom})) << c.Width;
    EXPECT_EQ(h->Version, FormatVersion);
    EXPECT_EQ(h->Bytes, emf.size());
    EXPECT_EQ(h->Records, list.Records.size());
    EXPECT_EQ(list.Records[0].Bytes.size() % 4, 0u);
    // Device size in pixels and millimetres: 96 pixels per inch exactly.
    EXPECT_EQ(h->DeviceCx * 254, 96 * 10 * h->MillimetersCx);
    EXPECT_EQ(h->DeviceCy * 254, 96 * 10 * h->MillimetersCy);
    EXPECT_EQ(h->MicrometersCx, uint32_t(h->MillimetersCx) * 1000);
    EXPECT_EQ(h->MicrometersCy, uint32_t(h->MillimetersCy) * 1000);
    EXPECT_EQ(h->Description, c.Stored);
    // Bounds: inclusive pixels of what was drawn (the 3-pixel pen reaches one
    // pixel outside the box); none drawn is the empty (0, 0, -1, -1).
    EXPECT_EQ(h->Bounds, c.Draw ? (TRect{2, 1, 40, 30}) : (TRect{0, 0, -1, -1}));
  }
}

// An independent reader: the converter from the emf2svg package must accept
// the metafile and draw its shapes.
TEST(MetafileCanvas, IndependentReaderAcceptsTheRecording) {
  if (std::system("command -v emf2svg-conv >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "emf2svg-conv (Debian package emf2svg) is not installed";
  TFont font(SceneFont());
  TMetafileCanvas c(120, 90, u"test");
  DrawScene(c, font);
  TTempDir dir;
  WriteWholeFile(dir / "scene.emf", c.Finish());
  std::string command = "emf2svg-conv -i '" + (dir / "scene.emf") + "' -o '" + (dir / "scene.svg") + "' 2>&1";
  FILE* p = popen(command.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string output;
  char buf[4096];
  while (size_t n = fread(buf, 1, sizeof buf, p))
    output.append(buf, n);
  int status = pclose(p);
  ASSERT_EQ(status, 0) << output;
  std::string svg = ReadWholeFile(dir / "scene.svg");
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("Text"), std::string::npos) << svg.substr(0, 2000);
  EXPECT_NE(svg.find("<image"), std::string::npos);
  EXPECT_NE(svg.find("<ellipse"), std::string::npos);
}

// Played back at its own size, a recording paints exactly what drawing
// directly paints, text runs included.
TEST(MetafilePlayer, PlaysTheRecordingPixelForPixel) {
  TFont font(SceneFont());
  TRunLog directRuns, playedRuns;
  TSurface direct(120, 90);
  direct.Canvas.SetGlyphRasterizer(&directRuns);
  DrawScene(direct.Canvas, font);

  TMetafileCanvas recorder(120, 90);
  DrawScene(recorder, font);
  std::string emf = recorder.Finish();
  TSurface played(120, 90);
  played.Canvas.SetGlyphRasterizer(&playedRuns);
  played.Canvas.SetPen(PenOf(TPenStyle::psDot, 1, Red));  // the target's own state survives
  TMetafilePlayResult result = PlayMetafile(emf, played.Canvas, TRect{0, 0, 120, 90});

  EXPECT_TRUE(result.Complete);
  EXPECT_EQ(result.Skipped, 0);
  EXPECT_EQ(result.Played, int(EnumerateEmfRecords(emf).Records.size()));
  EXPECT_TRUE(result.Messages.empty()) << result.Messages[0];
  int differences = 0;
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 120; ++x)
      if (direct.At(x, y) != played.At(x, y) && ++differences <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << direct.At(x, y) << " played "
                      << played.At(x, y);
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(playedRuns.Runs, directRuns.Runs);
  ASSERT_EQ(directRuns.Runs.size(), 1u);
  EXPECT_EQ(played.Canvas.Pen(), PenOf(TPenStyle::psDot, 1, Red));
  EXPECT_EQ(played.Canvas.ClipRegion(), nullptr);
}

// The frame maps onto any destination: scaled, moved, and clipped to it.
TEST(MetafilePlayer, MapsTheFrameOntoTheDestination) {
  TMetafileCanvas recorder(40, 20);
  recorder.FillRect(TRect{10, 5, 20, 10}, TBrush{TBrushStyle::bsSolid, Red});
  recorder.FillRect(TRect{-50, -50, 0, 100}, TBrush{TBrushStyle::bsSolid, Blue});  // outside the frame
  std::string emf = recorder.Finish();
  TSurface s(200, 100);
  TMetafilePlayResult result = PlayMetafile(emf, s.Canvas, TRect{100, 50, 180, 90});
  EXPECT_TRUE(result.Complete);
  TRect red{200, 100, 0, 0};
  int blue = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) {
      if (s.At(x, y) == Red)
        red = TRect{std::min(red.Left, x), std::min(red.Top, y), std::max(red.Right, x + 1), std::max(red.Bottom, y + 1)};
      blue += s.At(x, y) == Blue;
    }
  EXPECT_EQ(red, (TRect{120, 60, 140, 70}));
  EXPECT_EQ(blue, 0);
}

// Metafiles from elsewhere use records and modes our canvas never writes.
TEST(MetafilePlayer, PlaysMappingModesTransformsStockObjectsAndPaths) {
  const std::string redBrush = Rec(EMR_CREATEBRUSHINDIRECT, {1, BS_SOLID, 0x0000FF, 0});
  const std::string nullPen = Rec(EMR_SELECTOBJECT, {StockObject | NULL_PEN});
  struct TCase {
    const char* Name;
    std::vector<std::string> Records;
    std::vector<TPoint> Red, White;  // pixels expected red and white
  } cases[] = {
      {"anisotropic: window 1000 onto viewport 100",
       {Rec(EMR_SETMAPMODE, {MM_ANISOTROPIC}), Rec(EMR_SETWINDOWEXTEX, {1000, 1000}),
        Rec(EMR_SETVIEWPORTEXTEX, {100, 100}), Rec(EMR_SETWINDOWORGEX, {uint32_t(-100), 0}), redBrush,
        Rec(EMR_SELECTOBJECT, {1}), nullPen, Rec(EMR_RECTANGLE, {400, 200, 600, 400})},
       {{50, 20}, {68, 38}},  // without a pen: one pixel smaller than the box
       {{49, 20}, {69, 30}, {50, 19}, {50, 39}}},
      {"text mode ignores extents",
       {Rec(EMR_SETWINDOWEXTEX, {1000, 1000}), Rec(EMR_SETVIEWPORTEXTEX, {100, 100}), redBrush,
        Rec(EMR_SELECTOBJECT, {1}), nullPen, Rec(EMR_RECTANGLE, {10, 10, 21, 21})},
       {{10, 10}, {19, 19}},
       {{20, 20}, {9, 9}}},
      {"world transform: scale 2 then move",
       {Rec(EMR_SETWORLDTRANSFORM, {0x40000000, 0, 0, 0x40000000, 0x41200000, 0}),  // 2, 0, 0, 2, 10, 0
        Rec(EMR_MODIFYWORLDTRANSFORM, {0x3F800000, 0, 0, 0x3F800000, 0, 0x41200000, MWT_RIGHTMULTIPLY}),
        redBrush, Rec(EMR_SELECTOBJECT, {1}), nullPen, Rec(EMR_RECTANGLE, {5, 5, 11, 11})},
       {{20, 20}, {30, 30}},
       {{19, 20}, {20, 19}, {31, 31}}},
      {"stock black brush, then a path with a hole filled alternately",
       {Rec(EMR_SELECTOBJECT, {StockObject | BLACK_BRUSH}), Rec(EMR_SELECTOBJECT, {StockObject | NULL_BRUSH}),
        redBrush, Rec(EMR_SELECTOBJECT, {1}), Rec(EMR_BEGINPATH, {}),
        Rec(EMR_POLYGON16, {0, 0, 0, 0, 4}, Points16({{10, 10}, {60, 10}, {60, 60}, {10, 60}})),
        Rec(EMR_POLYGON16, {0, 0, 0, 0, 4}, Points16({{20, 20}, {50, 20}, {50, 50}, {20, 50}})),
        Rec(EMR_ENDPATH, {}), Rec(EMR_FILLPATH, {0, 0, 0, 0})},
       {{12, 12}, {15, 40}, {55, 55}},
       {{30, 30}, {8, 8}, {65, 65}}},
      {"poly-polygon with a hole, outlined by the stock white pen",
       {redBrush, Rec(EMR_SELECTOBJECT, {1}), Rec(EMR_SELECTOBJECT, {StockObject | WHITE_PEN}),
        Rec(EMR_POLYPOLYGON16, {0, 0, 0, 0, 2, 8, 4, 4},
            Points16({{10, 10}, {60, 10}, {60, 60}, {10, 60}, {20, 20}, {50, 20}, {50, 50}, {20, 50}}))},
       {{12, 12}, {15, 40}, {55, 55}},
       {{30, 30}, {10, 10}, {20, 30}}},
      {"clip by a path and a region",
       {redBrush, Rec(EMR_SELECTOBJECT, {1}), nullPen, Rec(EMR_BEGINPATH, {}), Rec(EMR_RECTANGLE, {0, 0, 30, 100}),
        Rec(EMR_ENDPATH, {}), Rec(EMR_SELECTCLIPPATH, {RGN_COPY}),
        Rec(EMR_EXTSELECTCLIPRGN, {48, RGN_DIFF, 32, 1, 1, 16, 0, 0, 100, 10, 0, 0, 100, 10}),
        Rec(EMR_RECTANGLE, {0, 0, 101, 101})},
       {{0, 10}, {29, 50}},
       {{30, 50}, {5, 5}}},
      {"save and restore bring back the brush",
       {redBrush, Rec(EMR_SELECTOBJECT, {1}), nullPen, Rec(EMR_SAVEDC, {}),
        Rec(EMR_SELECTOBJECT, {StockObject | WHITE_BRUSH}), Rec(EMR_DELETEOBJECT, {1}), Rec(EMR_RESTOREDC, {uint32_t(-1)}),
        Rec(EMR_RECTANGLE, {0, 0, 11, 11})},
       {{5, 5}},
       {{10, 10}}},
  };
  for (const TCase& c : cases) {
    TSurface s(100, 100);
    TMetafilePlayResult result = PlayMetafile(MakeEmf(c.Records), s.Canvas, TRect{0, 0, 100, 100});
    EXPECT_TRUE(result.Complete) << c.Name;
    EXPECT_EQ(result.Skipped, 0) << c.Name << ": " << (result.Messages.empty() ? "" : result.Messages[0]);
    for (const TPoint& p : c.Red)
      EXPECT_EQ(s.At(p.X, p.Y), Red) << c.Name << " at " << p.X << "," << p.Y;
    for (const TPoint& p : c.White)
      EXPECT_EQ(s.At(p.X, p.Y), clWhiteRGB) << c.Name << " at " << p.X << "," << p.Y;
  }
}

// Damaged and hostile metafiles: every size, offset, count and handle is
// checked; the playing stops or skips, never reads outside the bytes.
TEST(MetafilePlayer, PlaysDamagedMetafilesSafely) {
  const std::string box = Rec(EMR_RECTANGLE, {10, 10, 20, 20});
  auto withSize = [&](uint32_t size) {
    std::string r = box;
    r.replace(4, 4, U32(size));
    return r;
  };
  std::string good = MakeEmf({box});
  const std::string hugeBitmap = Rec(EMR_STRETCHDIBITS, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 80, 40, 120, 4, 0, SRCCOPY, 10, 10},
                                     U32(40) + U32(0x7FFFFFFF) + U32(0x7FFFFFFF) + U32(0x00180001) + std::string(24, '\0') +
                                         U32(0));
  struct TCase {
    const char* Name;
    std::string Emf;
    bool Complete;
    int Skipped;
    const char* Message;  // part of one message
  } cases[] = {
      {"empty", "", false, 0, "ends without"},
      {"not a metafile", std::string(200, 'x'), false, 0, "invalid size"},
      {"bad signature", [&] { std::string e = good; e[40] = 'X'; return e; }(), false, 0, "not an enhanced"},
      {"last record cut short", good.substr(0, good.size() - 6), false, 0, "invalid size 20"},
      {"cut inside a record's size", good.substr(0, good.size() - 16), false, 0, "ends inside"},
      {"no end record", good.substr(0, good.size() - 20), false, 0, "ends without"},
      {"record size 0", MakeEmf({withSize(0) + box}), false, 0, "invalid size 0"},
      {"record size not a multiple of 4", MakeEmf({withSize(22) + std::string(2, '\0')}), false, 0, "invalid size 22"},
      {"record size past the end", MakeEmf({withSize(0x7FFFFFF0)}), false, 0, "invalid size"},
      {"header handle count 0", MakeEmf({Rec(EMR_CREATEPEN, {1, 0, 1, 0, 0})}, 0), true, 1, "outside the handle table"},
      {"create with handle 0", MakeEmf({Rec(EMR_CREATEPEN, {0, 0, 1, 0, 0})}), true, 1, "outside the handle table"},
      {"select an empty slot", MakeEmf({Rec(EMR_SELECTOBJECT, {3})}), true, 1, "holds no object"},
      {"select past the table", MakeEmf({Rec(EMR_SELECTOBJECT, {0x7FFFFFFF})}), true, 1, "holds no object"},
      {"unknown stock object", MakeEmf({Rec(EMR_SELECTOBJECT, {StockObject | 77})}), true, 1, "(stock)"},
      {"delete past the table", MakeEmf({Rec(EMR_DELETEOBJECT, {900})}), true, 1, "outside the handle table"},
      {"short pen record", MakeEmf({Rec(EMR_CREATEPEN, {1, 0})}), true, 1, "too short"},
      {"huge point count", MakeEmf({Rec(EMR_POLYGON16, {0, 0, 0, 0, 0xFFFFFFFF}, Points16({{1, 1}}))}), true, 1,
       "points do not fit"},
      {"huge polygon count",
       MakeEmf({Rec(EMR_POLYPOLYGON16, {0, 0, 0, 0, 0x40000000, 3, 3}, Points16({{1, 1}, {5, 1}, {1, 5}}))}), true, 1,
       "counts do not fit"},
      {"polygon counts that do not add up",
       MakeEmf({Rec(EMR_POLYPOLYGON16, {0, 0, 0, 0, 2, 3, 3, 0xFFFFFFFF}, Points16({{1, 1}, {5, 1}, {1, 5}}))}), true,
       1, "do not add up"},
      {"text past the record", MakeEmf({Rec(EMR_EXTTEXTOUTW, {0, 0, 0, 0, 1, 0, 0, 0, 0, 1000, 76, 0, 0, 0, 0, 0, 0})}),
       true, 1, "text does not fit"},
      {"spacing past the record",
       MakeEmf({Rec(EMR_EXTTEXTOUTW, {0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 76, 0, 0, 0, 0, 0, 0xFFFFFFF0}, "ab")}), true, 1,
       "spacing does not fit"},
      {"bitmap offsets past the record",
       MakeEmf({Rec(EMR_STRETCHDIBITS, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0xFFFFFFF0, 40, 80, 4, 0, SRCCOPY, 10, 10})}),
       true, 1, "outside the record"},
      {"bitmap of huge dimensions", MakeEmf({hugeBitmap}), true, 1, "bad bitmap"},
      {"region with a huge rectangle count",
       MakeEmf({Rec(EMR_EXTSELECTCLIPRGN, {48, RGN_COPY, 32, 1, 0x10000000, 16, 0, 0, 9, 9, 0, 0, 9, 9})}), true, 1,
       "damaged region"},
      {"restore without a save", MakeEmf({Rec(EMR_RESTOREDC, {uint32_t(-1)}), box}), true, 1, "no saved state"},
      {"transform that is not a number",
       MakeEmf({Rec(EMR_SETWORLDTRANSFORM, {0x7FC00000, 0, 0, 0x3F800000, 0, 0})}), true, 1, "out of range"},
      {"extent 0", MakeEmf({Rec(EMR_SETWINDOWEXTEX, {0, 5})}), true, 1, "extent of 0"},
      {"unsupported record", MakeEmf({Rec(EMR_ARC, {0, 0, 9, 9, 0, 0, 9, 9})}), true, 1, "EMR_ARC is not supported"},
  };
  for (const TCase& c : cases) {
    TSurface s(40, 40);
    TMetafilePlayResult result = PlayMetafile(c.Emf, s.Canvas, TRect{0, 0, 40, 40});
    EXPECT_EQ(result.Complete, c.Complete) << c.Name;
    EXPECT_EQ(result.Skipped, c.Skipped) << c.Name;
    std::string all;
    for (const std::string& m : result.Messages)
      all += m + "\n";
    EXPECT_NE(all.find(c.Message), std::string::npos) << c.Name << ": " << all;
  }
}

// Random damage to a real recording: whatever the bytes say, playing ends and
// stays inside them (the sanitizer build checks the reads).
TEST(MetafilePlayer, SurvivesRandomDamage) {
  TFont font(SceneFont());
  TMetafileCanvas recorder(120, 90);
  DrawScene(recorder, font);
  const std::string emf = recorder.Finish();
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 300; ++round) {
    std::string damaged = emf;
    for (int i = 0, n = 1 + int(next() % 4); i < n && damaged.size() > 108; ++i) {
      size_t at = 108 + next() % (damaged.size() - 108);  // the header stays readable
      uint32_t kind = next() % 3;
      if (kind == 0)
        damaged[at] = char(next());
      else if (kind == 1 && at + 4 <= damaged.size())
        damaged.replace(at, 4, U32(next() % 2 ? 0xFFFFFFFF : 0x80000000));
      else
        damaged.resize(at);
    }
    TSurface s(60, 45);
    TMetafilePlayResult result = PlayMetafile(damaged, s.Canvas, TRect{0, 0, 60, 45});
    EXPECT_LE(result.Played + result.Skipped, int(emf.size() / 8)) << round;
  }
}

// Text follows the mapping: position, font height and advances scale with the
// destination; a run recorded without spacing takes the font's own advances.
TEST(MetafilePlayer, ScalesTextAndMeasuresRunsWithoutSpacing) {
  TFont font(SceneFont());
  TMetafileCanvas recorder(60, 40);
  recorder.SetTextColor(Red);
  int advances[] = {7, 6, 7, 3};
  recorder.TextOutRun(10, 20, font, u"Text", advances, TTextRunOptions{});
  std::string emf = recorder.Finish();

  TRunLog scaled;
  TSurface s(120, 80);
  s.Canvas.SetGlyphRasterizer(&scaled);
  EXPECT_TRUE(PlayMetafile(emf, s.Canvas, TRect{0, 0, 120, 80}).Complete);
  EXPECT_EQ(scaled.Runs, std::vector<std::string>{"20,40 Arial h-22 c255 a00 e0 [Text] 14 12 14 6"});

  // The same record without its spacing array.
  TEmfRecordList list = EnumerateEmfRecords(emf);
  auto text = std::find_if(list.Records.begin(), list.Records.end(),
                           [](const TEmfRecord& r) { return r.Type == EMR_EXTTEXTOUTW; });
  ASSERT_NE(text, list.Records.end());
  std::string patched = emf;
  patched.replace(text->Offset + ExtTextOut::offDx, 4, U32(0));
  std::vector<int32_t> extents;
  TextPartialExtents(font, u"Text", extents);
  std::string expected = "10,20 Arial h-11 c255 a00 e0 [Text]";
  for (size_t i = 0; i < extents.size(); ++i)
    expected += " " + std::to_string(extents[i] - (i ? extents[i - 1] : 0));
  TRunLog natural;
  TSurface t(60, 40);
  t.Canvas.SetGlyphRasterizer(&natural);
  TMetafilePlayResult result = PlayMetafile(patched, t.Canvas, TRect{0, 0, 60, 40});
  EXPECT_EQ(result.Skipped, 0);
  EXPECT_EQ(natural.Runs, std::vector<std::string>{expected});
}
