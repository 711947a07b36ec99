// Pixels that views paint on a raster canvas: the drawing rectangle, fills,
// frames, lines, shapes, pictures, check boxes and gradient views.
#include "document/qdxClass.h"
#include "document/qdxDrawing.h"
#include "platform/BmpFile.h"
#include "platform/RasterCanvas.h"
#include "platform/Streams.h"

#include "platform/MetafileCanvas.h"
#include "platform/MetafilePlayer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr TColor White = 0xFFFFFF;
constexpr TColor Black = 0x000000;
constexpr TColor Red = RGBColor(255, 0, 0);
constexpr TColor Green = RGBColor(0, 160, 0);
constexpr TColor Blue = RGBColor(0, 0, 255);
constexpr TColor Yellow = RGBColor(255, 255, 0);
constexpr TColor Grey = RGBColor(128, 128, 128);

TqdxColor Q(TColor c) { return static_cast<TqdxColor>(c); }

// A white surface to draw on.
struct TSurface {
  explicit TSurface(int w = 80, int h = 60) : Bitmap(w, h), Canvas(Bitmap) { Bitmap.Fill(White); }
  TColor At(int x, int y) const { return Bitmap.GetPixel(x, y); }
  TBitmap Bitmap;
  TRasterCanvas Canvas;
};

struct TProbe {
  int X, Y;
  TColor Color;
};

void ExpectPixels(const TSurface& s, std::initializer_list<TProbe> probes, const std::string& label) {
  for (const TProbe& p : probes)
    EXPECT_EQ(s.At(p.X, p.Y), p.Color) << label << " at (" << p.X << ", " << p.Y << ")";
}

void Frame(TqdxView& v, TqdxFrameTypes sides, double width = 1, TqdxColor color = clBlack,
           TqdxFrameStyle style = fsSolid) {
  v.GetFrame()->Typ = sides;
  v.GetFrame()->SetWidth(width);
  v.GetFrame()->SetColor(color);
  v.GetFrame()->SetStyle(style);
}

constexpr TqdxFrameTypes AllSides = 15;
constexpr TqdxFrameTypes LeftSide = 1, RightSide = 2, TopSide = 4;

// ---------------------------------------------------------------- rectangle

TEST(ViewDraw, DrawingRectangleFromGeometryScaleOffsetAndShadow) {
  struct {
    const char* Label;
    double Left, Top, Width, Height, Scale, Offset;
    bool Shadow;
    double ShadowWidth, FrameWidth;
    int X, Y, X1, Y1, FrameW;
  } cases[] = {
      {"memo at scale 2, offset 5", 10, 20, 100, 50, 2, 5, false, 4, 1, 25, 45, 225, 145, 2},
      {"shadow takes its width off", 10, 20, 100, 50, 1, 0, true, 4, 1, 10, 20, 106, 66, 1},
      {"shadow scales", 10, 20, 100, 50, 2, 0, true, 4, 1, 20, 40, 212, 132, 2},
      {"ties round to even", 0.5, 1.5, 2, 1, 1, 0, false, 4, 2.5, 0, 2, 2, 2, 2},
      {"negative width", 40, 10, -30, 5, 1, 0, false, 4, 1, 40, 10, 10, 15, 1},
  };
  for (const auto& c : cases) {
    TqdxView v;
    v.SetBounds(c.Left, c.Top, c.Width, c.Height);
    v.GetFrame()->DropShadow = c.Shadow;
    v.GetFrame()->ShadowWidth = c.ShadowWidth;
    v.GetFrame()->SetWidth(c.FrameWidth);
    TSurface s;
    v.BeginDraw(s.Canvas, c.Scale, c.Scale, c.Offset, c.Offset);
    EXPECT_EQ(v.X(), c.X) << c.Label;
    EXPECT_EQ(v.Y(), c.Y) << c.Label;
    EXPECT_EQ(v.X1(), c.X1) << c.Label;
    EXPECT_EQ(v.Y1(), c.Y1) << c.Label;
    EXPECT_EQ(v.DX(), c.X1 - c.X) << c.Label;
    EXPECT_EQ(v.DY(), c.Y1 - c.Y) << c.Label;
    EXPECT_EQ(v.FrameWidth(), c.FrameW) << c.Label;
  }
}

TEST(ViewDraw, ShadowFillsTheStripRightAndBelow) {
  TqdxView v;
  v.SetBounds(10, 10, 30, 20);  // X1 = 36, Y1 = 26 after the shadow
  v.GetFrame()->DropShadow = true;
  v.GetFrame()->ShadowColor = Q(Red);
  TSurface s;
  v.Draw(s.Canvas, 1, 1, 0, 0);
  ExpectPixels(s,
               {{36, 14, Red}, {39, 25, Red}, {36, 13, White}, {35, 20, White},  // right strip from Y + 4
                {14, 26, Red}, {39, 29, Red}, {13, 26, White}, {40, 29, White},  // bottom strip from X + 4
                {39, 30, White}, {20, 20, White}},
               "shadow");
}

TEST(ViewDraw, BackgroundWidensUnderFrameLines) {
  struct {
    const char* Label;
    TqdxFrameTypes Sides;
    double Width, Scale;
    int L, T, R, B;  // relative to X, Y, X1, Y1
  } cases[] = {
      {"no sides", 0, 3, 1, 0, 0, 0, 0},
      {"width 1: right and bottom one further", AllSides, 1, 1, 0, 0, 1, 1},
      {"width 2", AllSides, 2, 1, -1, -1, 1, 1},
      {"width 3 left only: round(1.5) = 2", LeftSide, 3, 1, -2, 0, 0, 0},
      {"width 3 right only: 2 + 1", RightSide, 3, 1, 0, 0, 3, 0},
      {"width 1 at scale 3", TopSide, 1, 3, 0, -2, 0, 0},
  };
  for (const auto& c : cases) {
    TqdxView v;
    v.SetBounds(10, 10, 20, 20);
    Frame(v, c.Sides, c.Width);
    TSurface s(120, 120);
    v.BeginDraw(s.Canvas, c.Scale, c.Scale, 0, 0);
    int l, t, r, b;
    v.BackgroundRect(l, t, r, b);
    EXPECT_EQ(l - v.X(), c.L) << c.Label;
    EXPECT_EQ(t - v.Y(), c.T) << c.Label;
    EXPECT_EQ(r - v.X1(), c.R) << c.Label;
    EXPECT_EQ(b - v.Y1(), c.B) << c.Label;
  }
  // The fill really covers that rectangle: a left side of width 3, no lines.
  TqdxView v;
  v.SetBounds(10, 10, 20, 20);
  Frame(v, LeftSide, 3, clNone);
  v.SetColor(Q(Green));
  TSurface s;
  v.Draw(s.Canvas, 1, 1, 0, 0);
  ExpectPixels(s, {{8, 10, Green}, {7, 10, White}, {29, 29, Green}, {30, 29, White}, {29, 30, White}}, "fill");
}

// -------------------------------------------------------------------- fills

TEST(FillDraw, BrushHatchOverBackColour) {
  struct {
    const char* Label;
    TqdxBrushStyle Style;
    TqdxColor Back;
    TProbe On, Off;
  } cases[] = {
      {"horizontal", bsHorizontal, Q(Blue), {3, 8, Red}, {3, 9, Blue}},
      {"vertical", bsVertical, Q(Blue), {8, 3, Red}, {9, 3, Blue}},
      {"forward diagonal", bsFDiagonal, Q(Blue), {3, 3, Red}, {3, 4, Blue}},
      {"backward diagonal", bsBDiagonal, Q(Blue), {3, 4, Red}, {3, 3, Blue}},
      {"cross", bsCross, Q(Blue), {8, 5, Red}, {5, 5, Blue}},
      {"diagonal cross", bsDiagCross, Q(Blue), {5, 2, Red}, {5, 3, Blue}},
      {"hatch without back colour", bsCross, clNone, {8, 5, Red}, {5, 5, White}},
      {"solid paints no hatch", bsSolid, Q(Blue), {8, 8, Blue}, {5, 5, Blue}},
      {"clear paints the back colour only", bsClear, Q(Blue), {8, 8, Blue}, {5, 5, Blue}},
  };
  for (const auto& c : cases) {
    TqdxBrushFill f;
    f.Style = c.Style;
    f.BackColor = c.Back;
    f.ForeColor = Q(Red);
    TSurface s(30, 30);
    f.Draw(s.Canvas, 0, 0, 17, 17, 1, 1);
    ExpectPixels(s, {c.On, c.Off, {17, 16, White}, {16, 17, White}}, c.Label);
  }
}

TEST(FillDraw, GradientStylesCornersAndMiddles) {
  struct {
    const char* Label;
    TqdxGradientStyle Style;
    int W, H;
    std::initializer_list<TProbe> Probes;
  } cases[] = {
      {"horizontal: 256 stripes, the last one the end colour", gsHorizontal, 256, 4,
       {{0, 0, Black}, {128, 3, Grey}, {255, 0, White}}},
      // Ten pixels: each takes the last of the stripes that cover it.
      {"horizontal, narrow", gsHorizontal, 10, 2, {{0, 0, RGBColor(12, 12, 12)}, {9, 1, RGBColor(243, 243, 243)}}},
      {"vertical", gsVertical, 4, 256, {{0, 0, Black}, {3, 128, Grey}, {0, 255, White}}},
      {"vertical centre: start at both edges, end in the middle", gsVertCenter, 4, 11,
       {{0, 0, Black}, {3, 10, Black}, {0, 5, White}, {0, 2, RGBColor(102, 102, 102)}, {0, 8, RGBColor(102, 102, 102)}}},
      {"horizontal centre", gsHorizCenter, 11, 4, {{0, 0, Black}, {10, 3, Black}, {5, 0, White}}},
      {"vertical centre one pixel high: the start colour", gsVertCenter, 5, 1, {{0, 0, Black}, {4, 0, Black}}},
      {"horizontal centre one pixel wide: the start colour", gsHorizCenter, 1, 5, {{0, 0, Black}, {0, 4, Black}}},
      // Sides move in by whole pixels alike, so the right and bottom edges
      // are painted like the left and top ones.
      {"rectangle: start at the edges, near the end in the middle", gsRectangle, 100, 100,
       {{0, 0, RGBColor(4, 4, 4)}, {99, 99, RGBColor(4, 4, 4)}, {99, 0, RGBColor(4, 4, 4)}, {5, 50, RGBColor(29, 29, 29)},
        {94, 50, RGBColor(29, 29, 29)}, {50, 50, RGBColor(253, 253, 253)}}},
  };
  for (const auto& c : cases) {
    TqdxGradientFill f;
    f.StartColor = clBlack;
    f.EndColor = clWhite;
    f.GradientStyle = c.Style;
    TSurface s(260, 260);
    s.Bitmap.Fill(Red);
    f.Draw(s.Canvas, 0, 0, c.W, c.H, 1, 1);
    for (const TProbe& p : c.Probes) EXPECT_EQ(s.At(p.X, p.Y), p.Color) << c.Label << " at " << p.X << "," << p.Y;
    EXPECT_EQ(s.At(c.W, 0), Red) << c.Label << ": nothing right of the rectangle";
    EXPECT_EQ(s.At(0, c.H), Red) << c.Label << ": nothing below the rectangle";
  }
  // Elliptic: clipped to the rectangle, dark at the corners, light inside.
  TqdxGradientFill f;
  f.StartColor = clBlack;
  f.EndColor = clWhite;
  f.GradientStyle = gsElliptic;
  TSurface s(120, 120);
  s.Bitmap.Fill(Red);
  f.Draw(s.Canvas, 10, 10, 110, 110, 1, 1);
  EXPECT_LT(GetRValue(s.At(10, 10)), 30);
  EXPECT_GT(GetRValue(s.At(60, 60)), 240);
  EXPECT_EQ(GetGValue(s.At(60, 60)), GetRValue(s.At(60, 60)));
  EXPECT_EQ(s.At(9, 60), Red);
  EXPECT_EQ(s.At(110, 60), Red);
}

TEST(FillDraw, GlassHighlightAndHatchColourPerChannel) {
  struct {
    TColor Color;
    double Blend;
    TColor Highlight, Hatch;
  } cases[] = {
      {Grey, 0.5, RGBColor(192, 192, 192), RGBColor(186, 186, 186)},  // 128 + round(63.5)
      {Black, 0, Black, Black},                                       // no channel goes below 0
      {RGBColor(3, 200, 10), 0, RGBColor(3, 200, 10), RGBColor(0, 194, 4)},  // no borrow across channels
      {RGBColor(250, 0, 100), 1, White, RGBColor(249, 249, 249)},
      {RGBColor(100, 100, 100), 2, White, RGBColor(249, 249, 249)},  // capped at 255
  };
  for (const auto& c : cases) {
    TqdxGlassFill f;
    f.Color = Q(c.Color);
    f.Blend = c.Blend;
    EXPECT_EQ(TColor(f.HighlightColor()), c.Highlight) << std::hex << c.Color;
    EXPECT_EQ(TColor(f.HatchColor()), c.Hatch) << std::hex << c.Color;
  }
  EXPECT_EQ(TqdxGlassFill().HighlightColor(), 12632256);
}

TEST(FillDraw, GlassHighlightsOneHalfPerOrientation) {
  const TColor light = RGBColor(192, 192, 192);
  struct {
    const char* Label;
    TqdxFillOrientation Orientation;
    std::initializer_list<TProbe> Probes;
  } cases[] = {
      {"vertical: left half", foVertical, {{0, 0, light}, {9, 9, light}, {10, 0, Grey}, {19, 9, Grey}}},
      {"horizontal: upper half", foHorizontal, {{0, 0, light}, {19, 4, light}, {0, 5, Grey}, {19, 9, Grey}}},
      {"vertical mirror: right half", foVerticalMirror, {{0, 0, Grey}, {9, 9, Grey}, {10, 0, light}, {19, 9, light}}},
      {"horizontal mirror: lower half", foHorizontalMirror, {{0, 4, Grey}, {0, 5, light}, {19, 9, light}}},
  };
  for (const auto& c : cases) {
    TqdxGlassFill f;
    f.Orientation = c.Orientation;
    TSurface s(30, 30);
    f.Draw(s.Canvas, 0, 0, 20, 10, 1, 1);
    ExpectPixels(s, c.Probes, c.Label);
    ExpectPixels(s, {{20, 0, White}, {0, 10, White}}, c.Label);
  }
  TqdxGlassFill hatched;
  hatched.Hatch = true;
  TSurface s(30, 30);
  hatched.Draw(s.Canvas, 0, 0, 20, 10, 1, 1);
  ExpectPixels(s, {{7, 0, RGBColor(186, 186, 186)}, {0, 7, RGBColor(186, 186, 186)}, {0, 0, light}, {9, 7, Grey}},
               "backward diagonal hatch");
  TqdxGlassFill none;
  none.Color = clNone;
  TSurface t(30, 30);
  none.Draw(t.Canvas, 0, 0, 20, 10, 1, 1);
  EXPECT_EQ(t.At(5, 5), White);
}

// -------------------------------------------------------------------- frame

TEST(FrameDraw, StylesWidthsAndSides) {
  // The view covers (10, 10) to (30, 30).
  struct {
    const char* Label;
    TqdxFrameTypes Sides;
    TqdxFrameStyle Style;
    double Width;
    std::initializer_list<TProbe> Probes;
  } cases[] = {
      {"solid, all sides", AllSides, fsSolid, 1,
       {{10, 10, Black}, {30, 30, Black}, {30, 10, Black}, {20, 10, Black}, {10, 20, Black}, {11, 11, White},
        {31, 31, White}, {9, 10, White}}},
      {"solid width 3, left only: flush with the open ends", LeftSide, fsSolid, 3,
       {{9, 10, Black}, {11, 30, Black}, {10, 9, White}, {10, 31, White}, {8, 20, White}, {12, 20, White}}},
      {"solid width 3, all sides: into the corners by half", AllSides, fsSolid, 3,
       {{9, 9, Black}, {31, 31, Black}, {8, 20, White}, {12, 20, White}, {20, 8, White}}},
      {"double: two lines one apart", AllSides, fsDouble, 1,
       {{9, 20, Black}, {10, 20, White}, {11, 20, Black}, {12, 20, White}, {9, 9, Black}, {11, 11, Black},
        {31, 31, Black}, {29, 29, Black}, {30, 30, White}}},
      {"dash: 18 on, 6 off", TopSide, fsDash, 1, {{10, 10, Black}, {27, 10, Black}, {28, 10, White}, {33, 10, White}}},
      {"dot, 2 thick", TopSide, fsDot, 2, {{10, 9, Black}, {10, 10, Black}, {12, 10, Black}, {13, 10, White}, {10, 11, White}}},
      {"square: w on, w off", TopSide, fsSquare, 3, {{11, 9, Black}, {12, 11, Black}, {14, 10, White}, {17, 10, Black}}},
      {"alternate dots: every 2w", TopSide, fsAltDot, 4, {{10, 10, Black}, {14, 10, White}, {18, 10, Black}}},
  };
  for (const auto& c : cases) {
    TqdxView v;
    v.SetBounds(10, 10, 20, 20);
    Frame(v, c.Sides, c.Width, clBlack, c.Style);
    TSurface s;
    v.Draw(s.Canvas, 1, 1, 0, 0);
    ExpectPixels(s, c.Probes, c.Label);
  }
}

TEST(FrameDraw, EachSideTakesItsOwnLine) {
  TqdxView v;
  v.SetBounds(10, 10, 20, 20);
  Frame(v, AllSides);
  v.GetFrame()->GetLeftLine()->Color = Q(Red);
  v.GetFrame()->GetTopLine()->Color = Q(Blue);
  v.GetFrame()->GetBottomLine()->Width = 3;
  v.GetFrame()->GetRightLine()->Color = clNone;
  TSurface s;
  v.Draw(s.Canvas, 1, 1, 0, 0);
  ExpectPixels(s, {{10, 20, Red}, {20, 10, Blue}, {30, 20, White}, {20, 29, Black}, {20, 31, Black}, {20, 32, White}},
               "per-side lines");
}

TEST(FrameDraw, NothingWithoutColourOrWidth) {
  for (auto setup : {+[](TqdxFrame& f) { f.SetColor(clNone); }, +[](TqdxFrame& f) { f.SetWidth(0); },
                     +[](TqdxFrame& f) { f.Typ = 0; }}) {
    TqdxView v;
    v.SetBounds(10, 10, 20, 20);
    Frame(v, AllSides);
    setup(*v.GetFrame());
    TSurface s;
    v.Draw(s.Canvas, 1, 1, 0, 0);
    EXPECT_EQ(s.At(10, 10), White);
    EXPECT_EQ(s.At(30, 20), White);
  }
}

// -------------------------------------------------------------------- lines

TEST(LineDraw, StraightLinesNormaliseTheirGeometry) {
  struct {
    double W, H;
    bool Diagonal;
    double ExpectW, ExpectH;
    TqdxFrameTypes Typ;
  } cases[] = {
      {100, 3, false, 100, 0, TopSide},
      {3, 100, false, 0, 100, LeftSide},
      {5, 5, false, 0, 5, LeftSide},
      {-100, 0, false, -100, 0, TopSide},  // drawn leftwards: stays horizontal
      {0, -50, false, 0, -50, LeftSide},
      {40, 30, true, 40, 30, AllSides},
  };
  for (const auto& c : cases) {
    TqdxLineView line;
    line.SetBounds(10, 10, c.W, c.H);
    line.Diagonal = c.Diagonal;
    line.GetFrame()->Typ = AllSides;
    TSurface s;
    line.Draw(s.Canvas, 1, 1, 0, 0);
    EXPECT_EQ(line.GetWidth(), c.ExpectW) << c.W << "x" << c.H;
    EXPECT_EQ(line.GetHeight(), c.ExpectH) << c.W << "x" << c.H;
    EXPECT_EQ(line.GetFrame()->Typ, c.Typ) << c.W << "x" << c.H;
  }
}

TEST(LineDraw, LinesAndArrows) {
  struct {
    const char* Label;
    double Left, Width, Height;
    bool Diagonal, Start, End, Solid;
    std::initializer_list<TProbe> Probes;
  } cases[] = {
      {"horizontal", 10, 30, 0, false, false, false, false, {{10, 20, Black}, {40, 20, Black}, {10, 21, White}}},
      {"drawn leftwards", 40, -30, 0, false, false, false, false, {{10, 20, Black}, {40, 20, Black}, {25, 19, White}}},
      {"diagonal", 10, 20, 20, true, false, false, false, {{10, 20, Black}, {20, 30, Black}, {20, 20, White}}},
      {"solid arrow at the end", 10, 40, 0, false, false, true, true,
       {{45, 20, Black}, {41, 17, Black}, {41, 23, Black}, {45, 16, White}, {35, 17, White}}},
      {"open arrow at the start", 10, 40, 0, false, true, false, false,
       {{20, 16, Black}, {15, 18, Black}, {15, 22, Black}, {17, 21, White}, {20, 24, White}}},  // no end pixel
  };
  for (const auto& c : cases) {
    TqdxLineView line;
    line.SetBounds(c.Left, 20, c.Width, c.Height);
    line.Diagonal = c.Diagonal;
    line.ArrowStart = c.Start;
    line.ArrowEnd = c.End;
    line.ArrowSolid = c.Solid;
    line.ArrowLength = 10;
    line.ArrowWidth = 4;
    TSurface s;
    line.Draw(s.Canvas, 1, 1, 0, 0);
    ExpectPixels(s, c.Probes, c.Label);
  }
}

// ------------------------------------------------------------------- shapes

TEST(ShapeDraw, EachKindsOutlineAndFill) {
  // The shape covers (10, 10) to (50, 40), green inside, black outline.
  struct {
    const char* Label;
    TqdxShapeKind Kind;
    std::initializer_list<TProbe> Probes;
  } cases[] = {
      {"rectangle", skRectangle, {{10, 10, Black}, {50, 40, Black}, {30, 25, Green}, {51, 41, White}}},
      {"rounded rectangle", skRoundRectangle, {{10, 10, White}, {30, 10, Black}, {30, 25, Green}, {50, 25, Black}}},
      {"ellipse", skEllipse, {{10, 10, White}, {10, 25, Black}, {30, 10, Black}, {30, 25, Green}, {50, 40, White}}},
      {"triangle", skTriangle, {{10, 10, White}, {30, 10, Black}, {30, 35, Green}, {10, 40, Black}, {50, 10, White}}},
      {"diamond", skDiamond, {{10, 10, White}, {30, 10, Black}, {10, 25, Black}, {30, 25, Green}, {50, 40, White}}},
      {"first diagonal", skDiagonal1, {{10, 40, Black}, {30, 25, Black}, {10, 10, White}, {20, 20, White}}},
      {"second diagonal", skDiagonal2, {{10, 10, Black}, {30, 25, Black}, {10, 40, White}, {20, 30, White}}},
  };
  for (const auto& c : cases) {
    TqdxShapeView v;
    v.SetBounds(10, 10, 40, 30);
    v.Shape = c.Kind;
    v.SetColor(Q(Green));
    TSurface s;
    v.Draw(s.Canvas, 1, 1, 0, 0);
    ExpectPixels(s, c.Probes, c.Label);
  }
}

TEST(ShapeDraw, FillsAndDoubleFrame) {
  {
    TqdxShapeView v;  // hatch in the frame colour, nothing between
    v.SetBounds(10, 10, 40, 30);
    v.SetBrushStyle(bsCross);
    TSurface s;
    v.Draw(s.Canvas, 1, 1, 0, 0);
    ExpectPixels(s, {{16, 20, Black}, {20, 16, Black}, {17, 17, White}}, "hatched");
  }
  {
    TqdxShapeView v;  // hatch over the colour
    v.SetBounds(10, 10, 40, 30);
    v.SetColor(Q(Green));
    v.SetBrushStyle(bsCross);
    TSurface s;
    v.Draw(s.Canvas, 1, 1, 0, 0);
    ExpectPixels(s, {{16, 20, Black}, {17, 17, Green}}, "hatched over colour");
  }
  {
    TqdxShapeView v;  // a gradient inside an ellipse only
    v.SetBounds(10, 10, 40, 30);
    v.Shape = skEllipse;
    v.SetFillType(ftGradient);
    TSurface s;
    v.Draw(s.Canvas, 1, 1, 0, 0);
    EXPECT_EQ(s.At(11, 11), White);
    EXPECT_EQ(s.At(10, 25), Black);
    const TColor inside = s.At(40, 25);
    EXPECT_NE(inside, White);
    EXPECT_NE(inside, Black);
  }
  {
    TqdxShapeView v;  // a double frame: the outline again 2 frame widths inside
    v.SetBounds(10, 10, 40, 30);
    v.SetColor(Q(Green));
    v.GetFrame()->SetStyle(fsDouble);
    TSurface s;
    v.Draw(s.Canvas, 1, 1, 0, 0);
    ExpectPixels(s, {{10, 10, Black}, {11, 11, Green}, {12, 12, Black}, {48, 38, Black}, {13, 13, Green}},
                 "double");
    EXPECT_EQ(v.GetLeft(), 10);
    EXPECT_EQ(v.GetWidth(), 40);
    EXPECT_EQ(v.GetFrame()->GetStyle(), fsDouble);
  }
}

// ----------------------------------------------------------------- pictures

// A 2 x 2 picture: red, green / blue, white.
std::string TwoByTwo() {
  TBitmap b(2, 2);
  b.SetPixel(0, 0, Red);
  b.SetPixel(1, 0, Green);
  b.SetPixel(0, 1, Blue);
  b.SetPixel(1, 1, White);
  TMemoryStream out;
  WriteBmp(out, b);
  return out.Data();
}

TEST(PictureDraw, FitsThePictureIntoTheRectangle) {
  struct {
    const char* Label;
    double Width, Height, Scale;
    bool Stretched, Keep, Center, Transparent;
    std::initializer_list<TProbe> Probes;
  } cases[] = {
      {"stretched, aspect kept", 20, 10, 1, true, true, false, false,
       {{2, 2, Red}, {7, 2, Green}, {2, 7, Blue}, {7, 7, White}, {15, 5, Yellow}}},
      {"stretched over the whole rectangle", 20, 10, 1, true, false, false, false,
       {{2, 2, Red}, {15, 2, Green}, {15, 7, White}}},
      {"aspect kept and centred", 20, 10, 1, true, true, true, false, {{2, 2, Yellow}, {6, 2, Red}, {14, 7, White}}},
      {"own size", 20, 10, 1, false, false, false, false, {{0, 0, Red}, {1, 1, White}, {5, 5, Yellow}}},
      {"own size, centred", 20, 10, 1, false, false, true, false, {{9, 4, Red}, {10, 5, White}, {0, 0, Yellow}}},
      {"own size scaled, clipped to the rectangle", 2, 1, 10, false, false, false, false,
       {{5, 5, Red}, {15, 5, Green}, {5, 15, White}}},
      {"transparent colour left out", 20, 10, 1, true, false, false, true, {{2, 2, Red}, {15, 7, Yellow}}},
  };
  for (const auto& c : cases) {
    TqdxPictureView v;
    v.SetBounds(0, 0, c.Width, c.Height);
    v.GetPicture()->SetGraphic(TqdxGraphicKind::gkBitmap, TwoByTwo());
    v.SetColor(Q(Yellow));
    v.Stretched = c.Stretched;
    v.KeepAspectRatio = c.Keep;
    v.Center = c.Center;
    v.Transparent = c.Transparent;
    TSurface s;
    v.Draw(s.Canvas, c.Scale, c.Scale, 0, 0);
    ExpectPixels(s, c.Probes, c.Label);
  }
}

TEST(PictureDraw, MonoSkipsTheBackgroundAndMetafilesLeaveAMessage) {
  TqdxPictureView v;
  v.SetBounds(0, 0, 20, 10);
  v.GetPicture()->SetGraphic(TqdxGraphicKind::gkBitmap, TwoByTwo());
  v.SetColor(Q(Yellow));
  v.DrawMono = true;
  TSurface s;
  v.Draw(s.Canvas, 1, 1, 0, 0);
  ExpectPixels(s, {{2, 2, Red}, {15, 5, White}}, "mono");

  qdxTakeDrawMessages();
  TqdxPictureView m;
  m.Name = "Chart";
  m.SetBounds(0, 0, 20, 10);
  m.GetPicture()->SetGraphic(TqdxGraphicKind::gkMetafile, std::string(100, '\0'));
  m.GetPicture()->SetGraphic(TqdxGraphicKind::gkJPEG, "not a jpeg");
  m.Draw(s.Canvas, 1, 1, 0, 0);
  m.GetPicture()->SetGraphic(TqdxGraphicKind::gkMetafile, std::string(100, '\0'));
  m.Draw(s.Canvas, 1, 1, 0, 0);
  const std::vector<std::string> messages = qdxTakeDrawMessages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].rfind("Chart: JPEG", 0), 0u) << messages[0];
  // A damaged metafile is refused by the player, which says why.
  EXPECT_NE(messages[1].find("invalid size"), std::string::npos) << messages[1];
}

TEST(PictureDraw, MetafilesArePlayedOverThePictureArea) {
  // A 10 x 10 red square recorded as a metafile fills a 20 x 20 picture.
  TMetafileCanvas rec(10, 10);
  TBrush red;
  red.Color = Red;
  rec.FillRect(TRect{0, 0, 10, 10}, red);
  TqdxPictureView v;
  v.SetBounds(0, 0, 20, 20);
  v.GetPicture()->SetGraphic(TqdxGraphicKind::gkMetafile, rec.Finish());
  TSurface s;
  qdxTakeDrawMessages();
  v.Draw(s.Canvas, 1, 1, 0, 0);
  EXPECT_TRUE(qdxTakeDrawMessages().empty());
  ExpectPixels(s, {{1, 1, Red}, {18, 18, Red}, {25, 25, White}}, "played");
}

TEST(VectorGraphic, ShapeDrawnIntoAMetafileMatchesTheCanvas) {
  TqdxShapeView shape;
  shape.SetBounds(30, 40, 20, 12);
  shape.Shape = skEllipse;
  shape.SetColor(Q(Red));
  std::string emf = shape.GetVectorGraphic(true);
  ASSERT_GT(emf.size(), 100u);
  EXPECT_EQ(emf.substr(40, 4), " EMF");
  TSurface direct, played;
  shape.Draw(direct.Canvas, 1, 1, -30, -40);
  PlayMetafile(emf, played.Canvas, TRect{0, 0, 20, 12});
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(played.At(x, y), direct.At(x, y)) << x << "," << y;
}

// ---------------------------------------------------------------- check box

TEST(CheckBoxDraw, MarksOfEachState) {
  // 20 x 20 at the origin, frame width 1 (no frame lines).
  struct {
    const char* Label;
    bool Checked;
    TqdxCheckStyle Check;
    TqdxUncheckStyle Uncheck;
    std::initializer_list<TProbe> Probes;
  } cases[] = {
      {"plus", true, csPlus, usEmpty,
       {{3, 10, Red}, {17, 10, Red}, {18, 10, White}, {2, 10, White}, {10, 3, Red}, {10, 17, Red}, {10, 18, White}}},
      {"minus", false, csPlus, usMinus, {{3, 10, Red}, {17, 10, Red}, {10, 5, White}}},
      {"line cross", true, csLineCross, usEmpty, {{5, 5, Red}, {5, 15, Red}, {10, 3, White}}},
      {"unchecked line cross", false, csCross, usLineCross, {{5, 5, Red}, {15, 5, Red}}},
      {"empty", false, csCross, usEmpty, {{5, 5, White}, {10, 10, White}, {3, 10, White}}},
  };
  for (const auto& c : cases) {
    TqdxCheckBoxView v;
    v.SetBounds(0, 0, 20, 20);
    v.Checked = c.Checked;
    v.CheckStyle = c.Check;
    v.UncheckStyle = c.Uncheck;
    v.CheckColor = Q(Red);
    TSurface s;
    v.Draw(s.Canvas, 1, 1, 0, 0);
    ExpectPixels(s, c.Probes, c.Label);
  }
}

TEST(CheckBoxDraw, SymbolMarksStayInsideTheBox) {
  for (TqdxCheckStyle style : {csCross, csCheck}) {
    TqdxCheckBoxView v;
    v.SetBounds(10, 10, 20, 20);
    v.CheckStyle = style;
    v.CheckColor = Q(Red);
    TSurface s;
    v.Draw(s.Canvas, 1, 1, 0, 0);
    int inside = 0, outside = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 80; ++x)
        if (s.At(x, y) == Red) ++(x >= 10 && x < 30 && y >= 10 && y < 30 ? inside : outside);
    EXPECT_GT(inside, 20) << int(style);
    EXPECT_EQ(outside, 0) << int(style);
  }
}

// ------------------------------------------------------------ gradient view

TEST(GradientViewDraw, GradientThenFrameWithoutBackground) {
  TqdxGradientView v;
  v.SetBounds(0, 0, 256, 10);
  v.BeginColor = clWhite;
  v.EndColor = clGray;
  v.Style = gsHorizontal;
  qdxSetFillColor(*v.GetFill(), Q(Red));  // a background it must not paint
  v.GetFrame()->Typ = TopSide;
  TSurface s(300, 20);
  v.Draw(s.Canvas, 1, 1, 0, 0);
  ExpectPixels(s, {{0, 5, White}, {255, 5, Grey}, {128, 0, Black}, {256, 5, White}}, "gradient view");
  EXPECT_EQ(v.GetColor(), 12632256);
  for (int x = 0; x < 300; ++x) EXPECT_NE(s.At(x, 9), Red);
}

}  // namespace
