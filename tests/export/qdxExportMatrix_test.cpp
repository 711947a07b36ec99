#include "export/qdxExportMatrix.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "document/qdxClass.h"
#include "document/qdxPreviewPages.h"
#include "document/qdxTextMeasurer.h"

namespace {

constexpr TqdxFrameTypes AllSides = 15;
constexpr TqdxFrameTypes L = 1, R = 2, T = 4, B = 8;

// Owns the report objects a test hands to the matrix.
class MatrixTest : public ::testing::Test {
 protected:
  template <class V = TqdxMemoView>
  V &Add(double left, double top, double width, double height, std::u16string text = {},
         TqdxComponent *parent = nullptr) {
    auto view = std::make_unique<V>();
    V &v = *view;
    v.Name = "Obj" + std::to_string(Views.size() + 1);
    v.SetBounds(left, top, width, height);
    if constexpr (std::is_base_of_v<TqdxCustomMemoView, V>) v.SetText(text);
    if (parent != nullptr)
      parent->AddChild(std::move(view));
    else
      Views.push_back(std::move(view));
    return v;
  }
  // Adds it to the matrix too.
  template <class V = TqdxMemoView>
  V &Put(double left, double top, double width, double height, std::u16string text = {}) {
    V &v = Add<V>(left, top, width, height, std::move(text));
    M.AddObject(v);
    return v;
  }
  std::vector<int> Row(int r) {
    std::vector<int> out;
    for (int c = 0; c < M.ColumnCount(); ++c) out.push_back(M.CellIndex(c, r));
    return out;
  }
  std::vector<double> Ys() {
    std::vector<double> out;
    for (int r = 0; r < M.RowCount(); ++r) out.push_back(M.RowPosition(r));
    return out;
  }
  std::vector<double> Xs() {
    std::vector<double> out;
    for (int c = 0; c < M.ColumnCount(); ++c) out.push_back(M.ColumnPosition(c));
    return out;
  }
  std::vector<std::unique_ptr<TqdxComponent>> Views;
  TqdxIEMatrix M;
};

using Ints = std::vector<int>;
using Doubles = std::vector<double>;
using Lines = std::vector<std::u16string>;

TEST_F(MatrixTest, EmptyMatrixHasNoGrid) {
  M.PageFill = true;
  M.Prepare();
  EXPECT_EQ(M.ColumnCount(), 0);
  EXPECT_EQ(M.RowCount(), 0);
  EXPECT_EQ(M.ObjectCount(), 0);
  EXPECT_EQ(M.CellIndex(0, 0), -1);
  EXPECT_EQ(M.CellObject(0, 0), nullptr);
  EXPECT_EQ(M.CellStyle(0, 0), nullptr);
}

TEST_F(MatrixTest, TextObjectsMakeAGridWithSpans) {
  Put(0, 0, 100, 20, u"a");
  Put(100, 0, 50, 20, u"b");
  Put(0, 20, 150, 20, u"c");
  M.Prepare();
  EXPECT_EQ(Xs(), (Doubles{0, 100, 150}));
  EXPECT_EQ(Ys(), (Doubles{0, 20, 40}));
  EXPECT_EQ(Row(0), (Ints{0, 1, -1}));
  EXPECT_EQ(Row(1), (Ints{2, 2, -1}));
  EXPECT_EQ(Row(2), (Ints{-1, -1, -1}));  // the last row and column are never occupied
  const TqdxIEMObjectList &c = M.ObjectPlacement(2);
  EXPECT_EQ((Ints{c.Col, c.Row, c.ColSpan, c.RowSpan}), (Ints{0, 1, 2, 1}));
  EXPECT_TRUE(c.Placed);
  EXPECT_EQ(M.CellObject(1, 1)->Lines, (Lines{u"c"}));
  EXPECT_EQ(M.CurrentObject(), M.ObjectAt(2));
  EXPECT_EQ(M.CellIndex(-1, 0), -1);
  EXPECT_EQ(M.CellIndex(0, 3), -1);
  EXPECT_EQ(M.ObjectAt(3), nullptr);
  EXPECT_EQ(M.CurrentObject(), nullptr);
}

TEST_F(MatrixTest, NearEdgesMergeIntoTheLargerPosition) {
  struct {
    double Tolerance, SecondLeft;
    Doubles X;
    Ints Row0;
  } cases[] = {
      {0.5, 100.3, {0, 100.3, 200}, {0, 1, -1}},           // 100 merged away; A still reaches 100.3
      {0.5, 100.5, {0, 100, 100.5, 200}, {0, -1, 1, -1}},  // not closer than the tolerance
      {0, 100.3, {0, 100, 100.3, 200}, {0, -1, 1, -1}},
      {1, 99.5, {0, 100, 200}, {0, 1, -1}},  // 99.5 merged: B starts at the next position
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    m.MergeTolerance = c.Tolerance;
    TqdxMemoView a, b;
    a.SetBounds(0, 0, 100, 10);
    b.SetBounds(c.SecondLeft, 0, 200 - c.SecondLeft, 10);
    m.AddObject(a);
    m.AddObject(b);
    m.Prepare();
    Doubles xs;
    Ints row;
    for (int i = 0; i < m.ColumnCount(); ++i) xs.push_back(m.ColumnPosition(i)), row.push_back(m.CellIndex(i, 0));
    EXPECT_EQ(xs, c.X) << c.Tolerance << " " << c.SecondLeft;
    EXPECT_EQ(row, c.Row0) << c.Tolerance << " " << c.SecondLeft;
  }
}

TEST_F(MatrixTest, EqualPositionsFarApartInOfferingOrderNeedTheMerge) {
  for (double tolerance : {0.0, 0.5}) {
    TqdxIEMatrix m;
    m.MergeTolerance = tolerance;
    std::vector<std::unique_ptr<TqdxMemoView>> views;
    auto put = [&](double left) {
      views.push_back(std::make_unique<TqdxMemoView>());
      views.back()->SetBounds(left, 0, 1, 10);
      m.AddObject(*views.back());
    };
    put(0);
    for (int i = 1; i <= 60; ++i) put(10.0 * i);  // 120 new X positions in between
    put(0);
    m.Prepare();
    int zeros = 0;
    for (int i = 0; i < m.ColumnCount(); ++i) zeros += m.ColumnPosition(i) == 0;
    EXPECT_EQ(zeros, tolerance > 0 ? 1 : 2) << tolerance;
  }
}

TEST_F(MatrixTest, TallRowsAndWideColumnsAreCut) {
  struct {
    double Height;
    Doubles Y;
  } cases[] = {
      {25, {0, 10, 20, 25}},  // 2.5 limits: two new rows
      {20, {0, 10, 20}},      // exactly 2 limits: one new row, the second cut is the
                              // existing edge
      {10, {0, 10}},
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    m.MaxRowHeight = 10;
    m.MaxColumnWidth = 40;
    TqdxMemoView v;
    v.SetBounds(0, 0, 50, c.Height);
    m.AddObject(v);
    m.Prepare();
    Doubles ys;
    for (int i = 0; i < m.RowCount(); ++i) ys.push_back(m.RowPosition(i));
    EXPECT_EQ(ys, c.Y) << c.Height;
    EXPECT_EQ(m.ColumnCount(), 3) << c.Height;  // 0, 40, 50
    EXPECT_EQ(m.ObjectPlacement(0).RowSpan, static_cast<int>(c.Y.size()) - 1);
  }
}

// Two pages in one grid, with empty bands between objects and between the
// pages. Deleting the empty rows must take the page breaks along.
TEST_F(MatrixTest, EmptyRowsGoAndPageBreaksMoveWithThem) {
  for (bool keep : {true, false}) {
    TqdxIEMatrix m;
    m.KeepEmptyRows = keep;
    TqdxMemoView a, b, c;
    a.SetBounds(0, 0, 50, 20);
    b.SetBounds(0, 50, 50, 20);
    c.SetBounds(0, 10, 50, 20);
    m.AddObject(a);
    m.AddObject(b);
    m.AddPage(poPortrait, false, 0, 10, 10, 10, 10, 1123, 794);
    m.AddObject(c);  // top 10 on the second page: 80 in the grid
    m.AddPage(poPortrait, false, 1, 10, 10, 10, 10, 1123, 794);
    m.Prepare();
    Doubles ys;
    for (int i = 0; i < m.RowCount(); ++i) ys.push_back(m.RowPosition(i));
    if (keep) {
      EXPECT_EQ(ys, (Doubles{0, 20, 50, 70, 80, 100}));
      EXPECT_EQ((Doubles{m.PageBreakY(0), m.PageBreakY(1)}), (Doubles{70, 100}));
      continue;
    }
    EXPECT_EQ(ys, (Doubles{0, 20, 40, 60}));
    EXPECT_EQ((Doubles{m.PageBreakY(0), m.PageBreakY(1)}), (Doubles{40, 60}));
    Ints rows;
    Doubles tops;
    for (int i = 0; i < m.ObjectCount(); ++i) {
      rows.push_back(m.ObjectPlacement(i).Row);
      tops.push_back(m.ObjectAt(i)->Top);
    }
    EXPECT_EQ(rows, (Ints{0, 1, 2}));
    EXPECT_EQ(tops, (Doubles{0, 20, 40}));  // objects stay on their rows
    EXPECT_EQ(m.CellIndex(0, 2), 2);
  }
}

TEST_F(MatrixTest, EqualStylesAreKeptOnce) {
  struct {
    const char *Label;
    std::function<void(TqdxMemoView &)> Change;
    bool Same;
  } cases[] = {
      {"identical", [](TqdxMemoView &) {}, true},
      {"thousand separator", [](TqdxMemoView &v) { v.GetDisplayFormat()->ThousandSeparator = "'"; }, true},
      {"font charset", [](TqdxMemoView &v) { v.GetFont()->SetCharset(0); }, true},
      {"font name case", [](TqdxMemoView &v) { v.GetFont()->SetName("arial"); }, false},
      {"font size", [](TqdxMemoView &v) { v.GetFont()->SetSize(12); }, false},
      {"font style", [](TqdxMemoView &v) { v.GetFont()->SetStyle(1); }, false},
      {"alignment", [](TqdxMemoView &v) { v.HAlign = haRight; }, false},
      {"one frame line", [](TqdxMemoView &v) { v.GetFrame()->GetTopLine()->Color = clRed; }, false},
      {"fill", [](TqdxMemoView &v) { v.SetColor(clRed); }, false},
      {"format kind", [](TqdxMemoView &v) { v.GetDisplayFormat()->Kind = fkNumeric; }, false},
      {"gap", [](TqdxMemoView &v) { v.GapX = 3; }, false},
      {"rotation", [](TqdxMemoView &v) { v.Rotation = 90; }, false},
      {"word wrap", [](TqdxMemoView &v) { v.WordWrap = false; }, false},
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    TqdxMemoView a, b;
    a.SetBounds(0, 0, 10, 10);
    b.SetBounds(10, 0, 10, 10);
    c.Change(b);
    m.AddObject(a);
    m.AddObject(b);
    EXPECT_EQ(m.StyleCount(), c.Same ? 1 : 2) << c.Label;
    EXPECT_EQ(m.ObjectAt(1)->StyleNo, c.Same ? 0 : 1) << c.Label;
    EXPECT_EQ(m.ObjectAt(1)->CellStyleRef, m.StyleAt(m.ObjectAt(1)->StyleNo)) << c.Label;
  }
  const int first = M.AddStyle(std::make_unique<TqdxIEMStyle>());
  auto copy = std::make_unique<TqdxIEMStyle>();
  copy->AssignStyle(*M.StyleAt(first));
  EXPECT_EQ(M.AddStyle(std::move(copy)), first);
  EXPECT_EQ(M.StyleCount(), 1);
}

// An object B drawn over part of a framed text block A: A is cut into
// rectangles, the text goes to the first piece that starts within A's first
// two thirds, and each piece keeps the borders where it touches A's edge.
TEST_F(MatrixTest, OverlappedObjectsAreCutIntoPieces) {
  struct Piece {
    double Left, Top, Width, Height;
    bool HasText;
    TqdxFrameTypes Sides;
  };
  struct {
    const char *Label;
    TqdxRect Cover;
    std::vector<Piece> Pieces;
  } cases[] = {
      {"right third covered", {60, 0, 90, 30}, {{0, 0, 60, 30, true, L | T | B}}},
      {"left two thirds covered", {0, 0, 60, 30}, {{60, 0, 30, 30, false, R | T | B}}},
      {"fully covered", {0, 0, 90, 30}, {}},
      {"hole in the middle",
       {30, 10, 60, 20},
       {{0, 0, 90, 10, true, L | T | R},
        {0, 10, 30, 20, false, L | B},
        {60, 10, 30, 20, false, R | B},
        {30, 20, 30, 10, false, B}}},
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    TqdxMemoView a, b;
    a.SetBounds(0, 0, 90, 30);
    a.SetText(u"A");
    a.GetFrame()->Typ = AllSides;
    b.SetBounds(c.Cover.Left, c.Cover.Top, c.Cover.Right - c.Cover.Left, c.Cover.Bottom - c.Cover.Top);
    b.SetText(u"B");
    m.AddObject(a);
    m.AddObject(b);
    m.Prepare();
    std::vector<int> seen;  // objects in the grid, first cell order
    for (int r = 0; r < m.RowCount(); ++r)
      for (int col = 0; col < m.ColumnCount(); ++col) {
        int i = m.CellIndex(col, r);
        EXPECT_NE(i, 0) << c.Label << ": the whole of A stays out of the grid";
        if (i >= 2 && std::find(seen.begin(), seen.end(), i) == seen.end()) seen.push_back(i);
      }
    ASSERT_EQ(seen.size(), c.Pieces.size()) << c.Label;
    for (size_t k = 0; k < seen.size(); ++k) {
      TqdxIEMObject *p = m.ObjectAt(seen[k]);
      const Piece &e = c.Pieces[k];
      EXPECT_EQ((Doubles{p->Left, p->Top, p->Width, p->Height}), (Doubles{e.Left, e.Top, e.Width, e.Height}))
          << c.Label << " piece " << k;
      EXPECT_EQ(p->Lines == Lines{u"A"}, e.HasText) << c.Label << " piece " << k;
      EXPECT_EQ(p->CellStyleRef->FrameSides, e.Sides) << c.Label << " piece " << k;
      EXPECT_EQ(p->Origin, m.ObjectAt(0)) << c.Label;
      EXPECT_TRUE(m.ObjectPlacement(seen[k]).Placed);
    }
    EXPECT_EQ(m.ObjectAt(1)->Lines, (Lines{u"B"}));
  }
}

TEST_F(MatrixTest, PieceBordersFollowTheGridWhenEdgesWereMerged) {
  M.MergeTolerance = 0.5;
  TqdxMemoView &a = Add(0.2, 0, 90, 30, u"A");  // left edge 0.2 merges into 0.4
  a.GetFrame()->Typ = AllSides;
  M.AddObject(a);
  Put(0.4, 40, 10, 10);
  Put(60, 0, 30.2, 30);
  M.Prepare();
  TqdxIEMObject *piece = M.CellObject(0, 0);
  ASSERT_NE(piece->Origin, nullptr);
  EXPECT_EQ(piece->CellStyleRef->FrameSides, L | T | B);
}

TEST_F(MatrixTest, NeighbouringBordersAreDrawnOnce) {
  struct {
    const char *Label;
    bool Join;
    TqdxColor SecondLineColor;
    TqdxFrameTypes Right, Below;
  } cases[] = {
      {"joined", true, clBlack, R | T | B, L | R | B},
      {"not asked for", false, clBlack, AllSides, AllSides},
      {"lines differ", true, clRed, AllSides, AllSides},
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    m.JoinBorders = c.Join;
    TqdxMemoView a, right, below;
    a.SetBounds(0, 0, 50, 20);
    right.SetBounds(50, 0, 50, 20);
    below.SetBounds(0, 20, 50, 20);
    for (TqdxMemoView *v : {&a, &right, &below}) v->GetFrame()->Typ = AllSides;
    right.GetFrame()->SetColor(c.SecondLineColor);
    below.GetFrame()->SetColor(c.SecondLineColor);
    for (TqdxMemoView *v : {&a, &right, &below}) m.AddObject(*v);
    m.Prepare();
    EXPECT_EQ(m.CellStyle(0, 0)->FrameSides, AllSides) << c.Label;
    EXPECT_EQ(m.CellStyle(1, 0)->FrameSides, c.Right) << c.Label;
    EXPECT_EQ(m.CellStyle(0, 1)->FrameSides, c.Below) << c.Label;
  }
}

TEST_F(MatrixTest, PageHeaderAndFooterObjectsAreFlagged) {
  TqdxReportPage page;
  auto *header = static_cast<TqdxBand *>(page.AddChild(std::make_unique<TqdxPageHeader>()));
  auto *footer = static_cast<TqdxBand *>(page.AddChild(std::make_unique<TqdxPageFooter>()));
  auto *data = static_cast<TqdxBand *>(page.AddChild(std::make_unique<TqdxMasterData>()));
  TqdxMemoView &h = Add(0, 0, 10, 10, u"h", header);
  TqdxMemoView &f = Add(0, 0, 10, 10, u"f", footer);
  TqdxMemoView &d = Add(0, 0, 10, 10, u"d", data);
  h.GetFrame()->DropShadow = true;  // its shadow strips belong to the same band
  for (bool bandsSet : {false, true}) {
    TqdxIEMatrix m;
    if (bandsSet) {
      m.SetPageHeaderBand(header);
      m.SetPageFooterBand(footer);
    }
    for (TqdxMemoView *v : {&h, &f, &d}) m.AddObject(*v);
    ASSERT_EQ(m.ObjectCount(), 5);
    for (int i = 0; i < m.ObjectCount(); ++i) {
      TqdxIEMObject *o = m.ObjectAt(i);
      EXPECT_EQ(o->InPageHeader, bandsSet && i < 3) << i;
      EXPECT_EQ(o->InPageFooter, bandsSet && i == 3) << i;
    }
  }
}

TEST_F(MatrixTest, DropShadowBecomesTwoStrips) {
  TqdxMemoView &v = Add(10, 20, 100, 40, u"x");
  v.GetFrame()->DropShadow = true;
  v.GetFrame()->ShadowWidth = 4;
  v.GetFrame()->ShadowColor = clRed;
  M.AddObject(v);
  ASSERT_EQ(M.ObjectCount(), 3);
  std::vector<Doubles> rects;
  for (int i = 0; i < 3; ++i) {
    TqdxRect r = TqdxIEMatrix::ObjectRect(*M.ObjectAt(i));
    rects.push_back({r.Left, r.Top, r.Right, r.Bottom});
  }
  EXPECT_EQ(rects, (std::vector<Doubles>{{10, 20, 106, 56}, {106, 24, 110, 60}, {14, 56, 110, 60}}));
  EXPECT_EQ(M.ObjectAt(1)->CellStyleRef->Color, clRed);
  EXPECT_EQ(M.ObjectAt(1)->ObjectName, "Shadow");
  EXPECT_TRUE(v.GetFrame()->DropShadow);
  EXPECT_EQ((Doubles{v.GetWidth(), v.GetHeight()}), (Doubles{100, 40}));
}

TEST_F(MatrixTest, LinesAndRectanglesBecomeBorders) {
  struct Obj {
    double Left, Top, Width, Height;
    TqdxFrameTypes Sides;
    TqdxColor Color;
  };
  auto line = [](double w, double h) {
    auto v = std::make_unique<TqdxLineView>();
    v->SetBounds(0, 50, w, h);
    v->SetColor(clRed);
    return std::unique_ptr<TqdxView>(std::move(v));
  };
  auto rect = [](TqdxColor color) {
    auto v = std::make_unique<TqdxShapeView>();
    v->SetBounds(10, 20, 100, 40);
    v->SetColor(color);
    return std::unique_ptr<TqdxView>(std::move(v));
  };
  struct {
    const char *Label;
    std::unique_ptr<TqdxView> View;
    std::vector<Obj> Out;
  } cases[] = {
      {"horizontal line", line(100, 0), {{0, 50, 100, 1, T, clRed}}},
      {"vertical line", line(0, 100), {{0, 50, 1, 100, L, clRed}}},
      {"line drawn upwards", line(0, -30), {{0, 20, 1, 30, L, clRed}}},
      {"filled rectangle", rect(clRed), {{10, 20, 100, 40, AllSides, clRed}}},
      {"transparent rectangle",
       rect(clNone),
       {{10, 20, 100, 1, T, clNone},
        {10, 20, 1, 40, L, clNone},
        {10, 60, 100, 1, T, clNone},
        {110, 20, 1, 40, L, clNone}}},
  };
  for (auto &c : cases) {
    TqdxIEMatrix m;
    m.AddObject(*c.View);
    ASSERT_EQ(m.ObjectCount(), static_cast<int>(c.Out.size())) << c.Label;
    for (int i = 0; i < m.ObjectCount(); ++i) {
      TqdxIEMObject *o = m.ObjectAt(i);
      const Obj &e = c.Out[static_cast<size_t>(i)];
      EXPECT_EQ((Doubles{o->Left, o->Top, o->Width, o->Height}), (Doubles{e.Left, e.Top, e.Width, e.Height}))
          << c.Label << " " << i;
      EXPECT_EQ(o->CellStyleRef->FrameSides, e.Sides) << c.Label << " " << i;
      EXPECT_EQ(o->CellStyleRef->Color, e.Color) << c.Label << " " << i;
      EXPECT_TRUE(o->TextCell);
      EXPECT_TRUE(o->Lines.empty());
    }
  }
}

TEST_F(MatrixTest, TransparentTextTakesTheColourBeneath) {
  struct {
    TqdxColor FontColor, Expected;
  } cases[] = {{clBlack, clRed}, {clRed, clNone}};
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    TqdxMemoView under, over;
    under.SetBounds(0, 0, 100, 20);
    under.SetColor(clRed);
    over.SetBounds(0, 0, 50, 20);
    over.GetFont()->SetColor(c.FontColor);
    m.AddObject(under);
    m.AddObject(over);
    m.Prepare();
    EXPECT_EQ(m.CellStyle(0, 0)->Color, c.Expected) << c.FontColor;
    EXPECT_EQ(m.CellStyle(0, 0)->Font.GetColor(), c.FontColor);
  }
}

// Renders every object as a picture of known bytes and records the calls.
class FakeRenderer : public TqdxMatrixPictureRenderer {
 public:
  void BitmapScaleFactors(TqdxView &, double &fx, double &fy) override {
    fx = FactorX;
    fy = FactorY;
  }
  TqdxIEMPicture RenderBitmap(TqdxView &view, const TqdxIEMRenderRequest &r) override {
    return Record(view, r, "bitmap");
  }
  TqdxIEMPicture RenderMetafile(TqdxView &view, const TqdxIEMRenderRequest &r) override {
    if (Fail) throw std::runtime_error("drawing failed");
    return Record(view, r, "metafile");
  }
  TqdxIEMPicture Record(TqdxView &view, const TqdxIEMRenderRequest &r, const std::string &kind) {
    Requests.push_back(r);
    FrameWidths.push_back(view.GetFrame()->GetTopLine()->Width);
    return {kind + ":" + view.Name, r.Width, r.Height};
  }
  double FactorX = 1, FactorY = 1;
  bool Fail = false;
  std::vector<TqdxIEMRenderRequest> Requests;
  std::vector<double> FrameWidths;
};

TEST_F(MatrixTest, PicturesAreRenderedOnceAndParked) {
  struct {
    const char *Label;
    bool Metafile;
    double FactorX;
    int Width, Height;  // of the request
    bool Vector;
  } cases[] = {
      {"bitmap", false, 1, 101, 51, false},
      {"fine bitmap", false, 0.5, 201, 51, false},
      {"factor above 1 is cut", false, 3, 101, 51, false},
      {"metafile", true, 1, 100, 50, true},
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    FakeRenderer renderer;
    renderer.FactorX = c.FactorX;
    m.PictureRenderer = &renderer;
    m.MetafilePictures = c.Metafile;
    TqdxPictureView pic;
    pic.Name = "Pic";
    pic.SetBounds(10, 20, 100, 50);
    pic.GetFrame()->Typ = AllSides;
    pic.GetFrame()->SetWidth(2);
    TqdxMemoView text;
    text.SetBounds(0, 0, 10, 10);
    m.AddObject(pic);
    m.AddObject(text);
    ASSERT_EQ(renderer.Requests.size(), 1u) << c.Label;
    const TqdxIEMRenderRequest &r = renderer.Requests[0];
    EXPECT_EQ((Ints{r.Width, r.Height}), (Ints{c.Width, c.Height})) << c.Label;
    EXPECT_EQ((Doubles{r.OriginX, r.OriginY}), (Doubles{10, 20})) << c.Label;
    EXPECT_EQ(renderer.FrameWidths[0], 0) << c.Label << ": the border belongs to the cell";
    EXPECT_EQ(pic.GetFrame()->GetWidth(), 2) << c.Label;
    EXPECT_EQ(pic.GetFrame()->GetLeftLine()->Width, 2) << c.Label;

    TqdxIEMObject &o = *m.ObjectPlacement(0).Cell;
    EXPECT_FALSE(o.TextCell) << c.Label;
    EXPECT_FALSE(o.Picture || o.VectorPicture) << c.Label << ": parked, not in memory";
    EXPECT_EQ(o.PictureIndex, 1) << c.Label;
    EXPECT_EQ(o.PictureIsVector, c.Vector) << c.Label;
    EXPECT_EQ(m.PictureCache().Count(), 1) << c.Label;

    m.ObjectAt(0);
    TqdxIEMPicture *p = c.Vector ? o.GetVectorPicture() : o.GetPicture();
    ASSERT_NE(p, nullptr) << c.Label;
    EXPECT_EQ(p->Data, std::string(c.Vector ? "metafile" : "bitmap") + ":Pic") << c.Label;
    EXPECT_EQ((Ints{p->Width, p->Height}), (Ints{c.Width, c.Height})) << c.Label;
    EXPECT_EQ(c.Vector ? o.GetPicture() : o.GetVectorPicture(), nullptr) << c.Label;
    m.ObjectAt(1);  // parks the previous object's picture again, without a new
                    // cache entry
    EXPECT_FALSE(o.Picture || o.VectorPicture) << c.Label;
    EXPECT_EQ(m.PictureCache().Count(), 1) << c.Label;
  }
}

TEST_F(MatrixTest, PictureObjectsOutsideTheirBoxAndFailingOnes) {
  FakeRenderer renderer;
  M.PictureRenderer = &renderer;
  M.MetafilePictures = true;
  TqdxPictureView &shadowed = Add<TqdxPictureView>(10, 20, 100, 50);
  shadowed.GetFrame()->DropShadow = true;  // paints 4 pixels beyond its box
  M.AddObject(shadowed);
  TqdxIEMObject *o = M.ObjectAt(0);
  EXPECT_EQ((Doubles{o->Left, o->Top, o->Width, o->Height}), (Doubles{10, 20, 104, 54}));
  renderer.Fail = true;
  Put<TqdxPictureView>(0, 0, 0.4, 10);  // rounds to no width: drawn 1 wide
  o = M.ObjectAt(1);
  EXPECT_EQ(o->Width, 1);
  EXPECT_EQ(o->PictureIndex, -1) << "nothing drawn, nothing parked";
}

TEST_F(MatrixTest, PicturesAreDroppedWhereNotWanted) {
  struct {
    const char *Label;
    bool PictureCells;
    const char *Name;
    bool Background, BackgroundPicture;
    int Count;
  } cases[] = {
      {"picture cell", true, "Pic", false, false, 1},
      {"no picture cells", false, "Pic", false, false, 0},
      {"page background not wanted", true, "_pagebackground", false, false, 0},
      {"page background kept but not as a picture", true, "_pagebackground", true, false, 0},
      {"page background picture", true, "_pagebackground", true, true, 1},
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    m.PictureCells = c.PictureCells;
    m.PageBackground = c.Background;
    m.PageBackgroundPicture = c.BackgroundPicture;
    TqdxPictureView pic;
    pic.Name = c.Name;
    pic.SetBounds(0, 0, 50, 50);
    m.AddObject(pic);
    EXPECT_EQ(m.ObjectCount(), c.Count) << c.Label;
    EXPECT_EQ(m.StyleCount(), c.Count) << c.Label;
  }
}

// Text-only exports do not collect pictures; a hatched or rotated text block
// must still reach them as text.
TEST_F(MatrixTest, TextBlocksStayTextWithoutPictureCells) {
  struct {
    const char *Label;
    bool PictureCells, HatchAsPicture, RotatedAsPicture;
    TqdxBrushStyle Brush;
    int Rotation;
    int Count;
    bool Text;
  } cases[] = {
      {"hatched, text-only export", false, true, false, bsCross, 0, 1, true},
      {"rotated, text-only export", false, false, true, bsSolid, 90, 1, true},
      {"hatched, pictures kept", true, true, false, bsCross, 0, 1, false},
      {"hatched, hatches as text", true, false, false, bsCross, 0, 1, true},
      {"clear brush is no hatch", true, true, false, bsClear, 0, 1, true},
      {"rotated, pictures kept", true, false, true, bsSolid, 90, 1, false},
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    m.PictureCells = c.PictureCells;
    m.HatchAsPicture = c.HatchAsPicture;
    m.RotatedAsPicture = c.RotatedAsPicture;
    TqdxMemoView v;
    v.SetBounds(0, 0, 100, 20);
    v.SetText(u"hatched");
    v.SetBrushStyle(c.Brush);
    v.Rotation = c.Rotation;
    m.AddObject(v);
    ASSERT_EQ(m.ObjectCount(), c.Count) << c.Label;
    TqdxIEMObject *o = m.ObjectAt(0);
    EXPECT_EQ(o->TextCell, c.Text) << c.Label;
    EXPECT_EQ(o->Lines, c.Text ? Lines{u"hatched"} : Lines{}) << c.Label;
    EXPECT_EQ(o->CellStyleRef->BrushStyle, c.Brush) << c.Label;
  }
}

TEST_F(MatrixTest, TextIsLaidOutOrCopied) {
  // Every character 42 layout units wide at 10 points: a 70-pixel line
  // holds 10.
  TqdxFixedTextMeasurer fixed;
  qdxSetDefaultTextMeasurer(&fixed);
  struct TReset {
    ~TReset() { qdxSetDefaultTextMeasurer(nullptr); }
  } reset;
  struct {
    const char *Label;
    bool LaidOut, Strip, Html;
    Lines Out;
    bool Tagged;
  } cases[] = {
      {"memo as it is", false, false, false, {u"<i>alpha</i> beta gamma"}, false},
      {"tags kept for the export", false, false, true, {u"<i>alpha</i> beta gamma"}, true},
      {"tags stripped", false, true, true, {u"alpha beta", u"gamma"}, false},
      {"laid out", true, false, false, {u"<i>alpha</", u"i> beta", u"gamma"}, false},
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    m.LaidOutText = c.LaidOut;
    m.StripHTMLTags = c.Strip;
    TqdxMemoView v;
    v.SetBounds(0, 0, 74, 100);  // 70 pixels of text between the gaps
    v.SetText(u"<i>alpha</i> beta gamma");
    v.AllowHTMLTags = c.Html;
    m.AddObject(v);
    EXPECT_EQ(m.ObjectAt(0)->Lines, c.Out) << c.Label;
    EXPECT_EQ(m.ObjectAt(0)->HTMLTagged, c.Tagged) << c.Label;
  }
}

TEST_F(MatrixTest, OEMFontTextShowsWhatTheOEMCodePageHolds) {
  Put(0, 0, 10, 10, u"é€");
  TqdxMemoView &oem = Add(0, 0, 10, 10, u"é€");
  oem.GetFont()->SetCharset(255);
  M.AddObject(oem);
  EXPECT_EQ(M.ObjectAt(0)->Lines, (Lines{u"é€"}));
  EXPECT_EQ(M.ObjectAt(1)->Lines[0].substr(0, 1), u"é");
  EXPECT_NE(M.ObjectAt(1)->Lines[0], u"é€");
}

TEST_F(MatrixTest, RichTextBecomesPlainTextOrRTFCells) {
  struct {
    const char *Label;
    bool Cells, Plain;
    int Count;
    bool Rich;
    Lines Out;
  } cases[] = {
      {"plain text", true, true, 1, false, {u"plain ä", u"two"}},
      {"RTF source", true, false, 1, true, {u"{\\rtf1 x}"}},
      {"picture, but no picture cells", false, false, 0, false, {}},
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    m.PictureCells = false;
    m.RichTextCells = c.Cells;
    m.RichTextPlain = c.Plain;
    m.RichTextSource = [](TqdxView &, bool rtf) { return std::string(rtf ? "{\\rtf1 x}" : "plain \xC3\xA4\r\ntwo"); };
    TqdxRichView rich;
    rich.Name = "Rich";
    rich.SetBounds(5, 6, 70, 20);
    m.AddObject(rich);
    ASSERT_EQ(m.ObjectCount(), c.Count) << c.Label;
    if (c.Count == 0) continue;
    TqdxIEMObject *o = m.ObjectAt(0);
    EXPECT_EQ(o->Lines, c.Out) << c.Label;
    EXPECT_EQ(o->RichCell, c.Rich) << c.Label;
    EXPECT_TRUE(o->TextCell) << c.Label;
    EXPECT_EQ(o->ObjectName, "Rich") << c.Label;
    EXPECT_EQ((Doubles{o->Left, o->Top, o->Width, o->Height}), (Doubles{5, 6, 70, 20})) << c.Label;
  }
}

class FakeAnchors : public TqdxCustomPreviewPages {
 public:
  using TqdxCustomPreviewPages::TqdxCustomPreviewPages;
  int Count() override { return 3; }
  TqdxReportPage *GetPage(int) override { return nullptr; }
  std::pair<int, int> GetPageSize(int) override { return {0, 0}; }
  void Clear() override {}
  int GetAnchorPage(const std::string &text) override { return text == "total" ? 3 : 1; }
  void ClearPageCache() override {}
};

TEST_F(MatrixTest, HyperlinksAndAnchors) {
  TqdxReport report;
  FakeAnchors pages(&report);
  report.PreviewPages = &pages;
  struct {
    const char *Label;
    std::string URL;
    TqdxHyperlinkKind Kind;
    std::string Value;
    bool Linked;
    std::string Target;
  } cases[] = {
      {"URL", "http://a", hkURL, "http://b", false, "http://a"},
      {"hyperlink value", "", hkURL, "http://b", false, "http://b"},
      {"other kinds are no link", "", hkPageNumber, "2", false, ""},
      {"anchor without report", "#total", hkURL, "", false, "#total"},
      {"anchor", "#total", hkURL, "", true, "@3"},
  };
  for (const auto &c : cases) {
    TqdxIEMatrix m;
    if (c.Linked) m.LinkReport = &report;
    TqdxMemoView v;
    v.URL = c.URL;
    v.GetHyperlink()->Kind = c.Kind;
    v.GetHyperlink()->Value = c.Value;
    m.AddObject(v);
    EXPECT_EQ(m.ObjectAt(0)->LinkTarget, c.Target) << c.Label;
  }
}

TEST_F(MatrixTest, PagesRecordGeometryAndMirroredMargins) {
  Put(0, 0, 10, 30);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(M.AddPage(i == 1 ? poLandscape : poPortrait, true, i, 4, 2, 3, 1, 1123, 794), i);
  EXPECT_EQ(M.PageOffset(), 30);
  Doubles lefts, rights;
  for (int i = 0; i < 3; ++i) lefts.push_back(M.PageLeftMargin(i)), rights.push_back(M.PageRightMargin(i));
  EXPECT_EQ(lefts, (Doubles{1, 2, 1}));
  EXPECT_EQ(rights, (Doubles{2, 1, 2}));
  EXPECT_TRUE(M.PageAt(1)->MarginsSwapped);
  EXPECT_FALSE(M.PageAt(2)->MarginsSwapped);
  EXPECT_EQ(M.PageOrientation(1), poLandscape);
  EXPECT_EQ((Doubles{M.PageTopMargin(0), M.PageBottomMargin(0), M.PageWidth(0), M.PageHeight(0)}),
            (Doubles{3, 4, 794, 1123}));
  for (int i : {-1, 3}) {
    EXPECT_EQ(M.PageAt(i), nullptr);
    EXPECT_EQ((Doubles{M.PageBreakY(i), M.PageLeftMargin(i), M.PageWidth(i)}), (Doubles{0, 0, 0}));
    EXPECT_EQ(M.PageOrientation(i), poPortrait);
  }
}

TEST_F(MatrixTest, PageFillLiesUnderEverything) {
  for (bool cropped : {false, true}) {
    TqdxIEMatrix m;
    m.PageFill = true;
    m.PageFillCropped = cropped;
    TqdxMemoView v;
    v.Name = "V";
    v.SetBounds(20, 30, 50, 10);
    m.AddObject(v);
    m.Prepare();
    TqdxIEMObject *fill = m.ObjectAt(0);
    EXPECT_EQ(fill->CellStyleRef->Color, clWhite);
    EXPECT_EQ(fill->CellStyleRef->FrameSides, 0);
    TqdxRect r = TqdxIEMatrix::ObjectRect(*fill);
    EXPECT_EQ((Doubles{r.Left, r.Top, r.Right, r.Bottom}),
              cropped ? (Doubles{20, 30, 70, 40}) : (Doubles{0, 0, 70, 40}));
    EXPECT_EQ(m.ColumnPosition(0), 0);  // 0 is always a grid line
    EXPECT_EQ(m.ObjectAt(1)->ObjectName, v.Name);
    EXPECT_EQ(m.CellIndex(1, 1), 1);
    // Uncropped, the fill reaches the page corner and shows around the
    // object; cropped, the object covers all of it.
    EXPECT_EQ(m.CellIndex(0, 0) >= 0 ? m.CellObject(0, 0)->Origin : nullptr, cropped ? nullptr : fill);
    EXPECT_EQ(m.ObjectCount(), cropped ? 2 : 4);
  }
}

TEST_F(MatrixTest, CharsetsAreResolvedOncePerFont) {
  std::vector<std::string> asked;
  M.CharsetProbe = [&](const std::string &name) -> std::optional<uint8_t> {
    asked.push_back(name);
    if (name == "Cyr") return 204;
    if (name == "Arial") return 0;
    return std::nullopt;
  };
  TqdxFont cyr, unknown;
  cyr.SetName("Cyr");
  unknown.SetName("Nowhere");
  EXPECT_EQ(M.ResolveCharset(cyr), 204);
  EXPECT_EQ(M.ResolveCharset(cyr), 204);
  EXPECT_EQ(M.ResolveCharset(unknown), 0);
  EXPECT_EQ(asked, (std::vector<std::string>{"Cyr", "Nowhere", "Arial"}));
  TqdxMemoView &v = Add(0, 0, 10, 10);
  v.GetFont()->SetName("Cyr");
  M.AddObject(v);
  v.GetFont()->SetCharset(238);
  M.AddObject(v);
  EXPECT_EQ((Ints{M.ObjectAt(0)->CellStyleRef->ResolvedCharset, M.ObjectAt(1)->CellStyleRef->ResolvedCharset}),
            (Ints{204, 238}));
  M.CharsetProbe = nullptr;
  TqdxIEMatrix plain;
  EXPECT_EQ(plain.ResolveCharset(cyr), 0);
}

TEST_F(MatrixTest, ClearKeepsSettingsAndContentOrigin) {
  M.KeepEmptyRows = false;
  Put(20, 30, 10, 10);
  M.AddPage(poPortrait, false, 0, 0, 0, 0, 0, 100, 100);
  M.Prepare();
  M.ObjectAt(0);
  M.Clear();
  EXPECT_EQ((Ints{M.ObjectCount(), M.StyleCount(), M.PageCount(), M.ColumnCount(), M.RowCount()}),
            (Ints{0, 0, 0, 0, 0}));
  EXPECT_EQ(M.CurrentObject(), nullptr);
  EXPECT_EQ((Doubles{M.PageOffset(), M.ContentRight(), M.ContentBottom()}), (Doubles{0, 0, 0}));
  EXPECT_EQ((Doubles{M.ContentLeft(), M.ContentTop(), M.LeftEdge(), M.TopEdge()}), (Doubles{20, 30, 20, 30}));
  EXPECT_FALSE(M.KeepEmptyRows);
}

TEST_F(MatrixTest, ProgressCountsElevenSteps) {
  std::vector<int> seen;
  M.Progress = [&](int done, int total) {
    EXPECT_EQ(total, 11);
    seen.push_back(done);
  };
  Put(0, 0, 10, 10);
  M.Prepare();
  EXPECT_EQ(seen, (Ints{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  seen.clear();
  M.ProgressWindow = false;
  M.Prepare();
  EXPECT_TRUE(seen.empty());
}

}  // namespace
