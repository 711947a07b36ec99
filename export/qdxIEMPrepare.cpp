// Building the grid of the export matrix from the objects added to it.

#include <algorithm>
#include <cmath>

#include "export/qdxExportMatrix.h"

void TqdxIEMatrix::Step(int &done) {
  ++done;
  if (ProgressWindow && Progress) Progress(done, PrepareSteps);
}

void TqdxIEMatrix::Prepare() {
  FCurrentObject = nullptr;
  int done = 0;
  if (ProgressWindow && Progress) Progress(0, PrepareSteps);
  if (PageFill) AddPageFill();
  OrderPositions(FXPositions, MaxColumnWidth, done);
  OrderPositions(FYPositions, MaxRowHeight, done);
  PlaceObjects();
  Step(done);
  FColumnCount = static_cast<int32_t>(FXPositions.size());
  FRowCount = static_cast<int32_t>(FYPositions.size());
  FillGrid();
  Step(done);
  if (!KeepEmptyRows) DeleteEmptyRows();
  CutOverlaps();
  Step(done);
  if (JoinBorders) JoinCellBorders();
}

// A white object under everything, for exports whose pages would otherwise
// show the gaps between cells in the document's own background.
void TqdxIEMatrix::AddPageFill() {
  if (FPlacements.empty()) return;  // nothing to lie under
  auto style = std::make_unique<TqdxIEMStyle>();
  style->FrameSides = 0;
  style->Color = clWhite;
  auto obj = std::make_unique<TqdxIEMObject>(&FPictureCache);
  SetStyle(*obj, AddStyle(std::move(style)));
  obj->Left = PageFillCropped ? FContentLeft : 0;
  obj->Top = PageFillCropped ? FContentTop : 0;
  obj->Width = FContentRight - obj->Left;
  obj->Height = FContentBottom - obj->Top;
  OfferPosition(FXPositions, 0);
  OfferPosition(FYPositions, 0);
  TqdxIEMObjectList placement;
  placement.Cell = std::move(obj);
  FPlacements.insert(FPlacements.begin(), std::move(placement));
}

void TqdxIEMatrix::OrderPositions(std::vector<double> &list, double maxGap, int &done) {
  std::sort(list.begin(), list.end());
  Step(done);
  // A run of positions each closer than the tolerance to the next collapses
  // into its largest member.
  std::vector<double> merged;
  merged.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i)
    if (i + 1 >= list.size() || !(MergeTolerance > list[i + 1] - list[i])) merged.push_back(list[i]);
  list.swap(merged);
  Step(done);
  if (maxGap > 0) {
    const std::vector<double> before = list;
    bool offered = false;
    for (size_t i = 0; i + 1 < before.size(); ++i) {
      const double start = before[i], next = before[i + 1];
      if (!(next - start > maxGap)) continue;
      const double n = std::trunc((next - start) / maxGap);
      // A cut that would land on the next position would only add an empty
      // row or column of no height.
      for (double k = 1; k <= n; ++k)
        if (start + k * maxGap < next) {
          OfferPosition(list, start + k * maxGap);
          offered = true;
        }
    }
    if (offered) std::sort(list.begin(), list.end());
  }
  Step(done);
  Step(done);
}

namespace {
// The index of the position equal to key, or of the first one above it when
// key was merged away; list.size() when there is none.
size_t FindPosition(const std::vector<double> &list, double key) {
  long low = 0, high = static_cast<long>(list.size()) - 1;
  while (low <= high) {
    long middle = (low + high) / 2;
    if (list[static_cast<size_t>(middle)] >= key) {
      high = middle - 1;
      if (list[static_cast<size_t>(middle)] == key) low = middle;
    } else {
      low = middle + 1;
    }
  }
  return static_cast<size_t>(low);
}

void Locate(const std::vector<double> &list, double start, double size, int32_t &index, int32_t &span) {
  size_t i = FindPosition(list, start);
  if (i >= list.size()) {
    span = 0;  // beyond every grid line: no cell
    return;
  }
  index = static_cast<int32_t>(i);
  span = 0;
  while (i + 1 < list.size() && list[i] < start + size) {
    ++i;
    ++span;
  }
}
}  // namespace

void TqdxIEMatrix::PlaceObjects() {
  for (TqdxIEMObjectList &p : FPlacements) {
    Locate(FXPositions, p.Cell->Left, p.Cell->Width, p.Col, p.ColSpan);
    Locate(FYPositions, p.Cell->Top, p.Cell->Height, p.Row, p.RowSpan);
  }
}

void TqdxIEMatrix::FillGrid() {
  FCells.assign(static_cast<size_t>(FColumnCount) * static_cast<size_t>(FRowCount), -1);
  for (size_t i = 0; i < FPlacements.size(); ++i) {
    TqdxIEMObjectList &p = FPlacements[i];
    if (p.ColSpan <= 0 || p.RowSpan <= 0) continue;
    TqdxIEMObject &obj = *p.Cell;
    // A transparent text over a coloured cell shows that colour; exports
    // that paint one object per cell have to carry it over.
    const TqdxIEMStyle *style = obj.CellStyleRef;
    int under = CellIndex(p.Col, p.Row);
    if (style != nullptr && style->Color == clNone && under >= 0) {
      const TqdxIEMStyle *below = FPlacements[static_cast<size_t>(under)].Cell->CellStyleRef;
      if (below != nullptr && below->Color != clNone && below->Color != style->Font.GetColor()) {
        auto copy = std::make_unique<TqdxIEMStyle>();
        copy->AssignStyle(*style);
        copy->Color = below->Color;
        SetStyle(obj, AddStyle(std::move(copy)));
      }
    }
    for (int r = p.Row; r < p.Row + p.RowSpan && r < FRowCount; ++r)
      for (int c = p.Col; c < p.Col + p.ColSpan && c < FColumnCount; ++c) Cell(c, r) = static_cast<int>(i);
  }
}

// Rows in which no cell is occupied go, and everything below moves up by
// their height: the positions, the objects (so their rectangles stay on the
// grid) and the page breaks (so exports that restore page breaks find them
// where the rows now are). The last row is never occupied and stays.
void TqdxIEMatrix::DeleteEmptyRows() {
  struct TDeleted {
    double Top;  // in the coordinates before any deletion
    double Height;
  };
  const int rows = FRowCount, cols = FColumnCount;
  std::vector<TDeleted> deleted;
  std::vector<int> keptBefore(static_cast<size_t>(rows) + 1, 0);
  std::vector<double> heightBefore(static_cast<size_t>(rows) + 1, 0);
  std::vector<double> y;
  std::vector<int32_t> cells;
  for (int r = 0; r < rows; ++r) {
    bool empty = r < rows - 1;
    for (int c = 0; empty && c < cols; ++c) empty = Cell(c, r) < 0;
    keptBefore[static_cast<size_t>(r) + 1] = keptBefore[static_cast<size_t>(r)] + (empty ? 0 : 1);
    heightBefore[static_cast<size_t>(r) + 1] = heightBefore[static_cast<size_t>(r)];
    if (empty) {
      const double h = FYPositions[static_cast<size_t>(r) + 1] - FYPositions[static_cast<size_t>(r)];
      deleted.push_back({FYPositions[static_cast<size_t>(r)], h});
      heightBefore[static_cast<size_t>(r) + 1] += h;
      continue;
    }
    y.push_back(FYPositions[static_cast<size_t>(r)] - heightBefore[static_cast<size_t>(r)]);
    auto from = FCells.begin() + static_cast<std::ptrdiff_t>(r) * cols;
    cells.insert(cells.end(), from, from + cols);
  }
  if (deleted.empty()) return;
  FYPositions.swap(y);
  FCells.swap(cells);
  FRowCount = static_cast<int32_t>(FYPositions.size());

  for (TqdxIEMPage &page : FPages) {
    // A break inside a deleted row lands on the row's top, where the next
    // kept row now starts.
    double shift = 0;
    for (const TDeleted &d : deleted) shift += std::clamp(page.BreakY - d.Top, 0.0, d.Height);
    page.BreakY -= shift;
  }
  for (TqdxIEMObjectList &p : FPlacements) {
    if (p.Row < 0 || p.Row >= rows) continue;
    const size_t first = static_cast<size_t>(p.Row);
    const size_t end = std::min(static_cast<size_t>(rows), first + static_cast<size_t>(std::max(p.RowSpan, 0)));
    p.Cell->Top -= heightBefore[first];
    p.Row = keptBefore[first];
    p.RowSpan = keptBefore[end] - keptBefore[first];
  }
}

void TqdxIEMatrix::CutOverlaps() {
  for (int r = 0; r < FRowCount; ++r)
    for (int c = 0; c < FColumnCount; ++c) {
      const int index = Cell(c, r);
      if (index < 0 || FPlacements[static_cast<size_t>(index)].Placed) continue;
      int w = 1;
      while (c + w < FColumnCount && Cell(c + w, r) == index) ++w;
      int h = 1;
      for (; r + h < FRowCount; ++h) {
        int run = 0;
        while (run < w && Cell(c + run, r + h) == index) ++run;
        if (run < w) break;
      }
      TqdxIEMObjectList &whole = FPlacements[static_cast<size_t>(index)];
      if (whole.ColSpan == w && whole.RowSpan == h) {
        whole.Col = c;
        whole.Row = r;
        whole.Placed = true;
        continue;
      }
      // The object is overlapped: this rectangle of it becomes a piece.
      TqdxIEMObject &obj = *whole.Cell;
      auto piece = std::make_unique<TqdxIEMObject>(&FPictureCache);
      SetStyle(*piece, obj.StyleNo);
      piece->Left = FXPositions[static_cast<size_t>(c)];
      piece->Top = FYPositions[static_cast<size_t>(r)];
      piece->Width = FXPositions[static_cast<size_t>(c + w)] - piece->Left;
      piece->Height = FYPositions[static_cast<size_t>(r + h)] - piece->Top;
      piece->Origin = &obj;
      piece->TextCell = obj.TextCell;
      piece->RichCell = obj.RichCell;
      piece->HTMLTagged = obj.HTMLTagged;
      // What describes the object holds for each of its pieces.
      piece->ObjectName = obj.ObjectName;
      piece->LinkTarget = obj.LinkTarget;
      piece->RightToLeft = obj.RightToLeft;
      piece->TextLineSpacing = obj.TextLineSpacing;
      piece->InPageHeader = obj.InPageHeader;
      piece->InPageFooter = obj.InPageFooter;
      // The content goes to the first piece that starts within the first two
      // thirds of the object both ways.
      if (obj.Top + obj.Height - piece->Top > obj.Height / 3 && obj.Left + obj.Width - piece->Left > obj.Width / 3) {
        piece->Picture = std::move(obj.Picture);
        piece->VectorPicture = std::move(obj.VectorPicture);
        piece->PictureIndex = obj.PictureIndex;
        piece->PictureIsVector = obj.PictureIsVector;
        piece->TextCell = obj.TextCell;
        piece->Lines = std::move(obj.Lines);
        obj.Lines.clear();
        obj.TextCell = true;
        obj.Picture.reset();
        obj.VectorPicture.reset();
        obj.PictureIndex = -1;
        obj.PictureIsVector = true;
      }
      // A piece keeps a border only where it reaches the object's edge;
      // compared on the grid, so an edge moved by merging still counts.
      TqdxFrameTypes sides = 0;
      if (const TqdxIEMStyle *style = obj.CellStyleRef) {
        sides = style->FrameSides;
        if (c != whole.Col) sides &= ~qdxBit(ftLeft);
        if (r != whole.Row) sides &= ~qdxBit(ftTop);
        if (c + w != whole.Col + whole.ColSpan) sides &= ~qdxBit(ftRight);
        if (r + h != whole.Row + whole.RowSpan) sides &= ~qdxBit(ftBottom);
        if (sides != style->FrameSides) SetStyle(*piece, StyleWithSides(*style, sides));
      }
      const int pieceIndex = static_cast<int>(FPlacements.size());
      TqdxIEMObjectList placement;
      placement.Cell = std::move(piece);
      placement.Col = c;
      placement.Row = r;
      placement.ColSpan = w;
      placement.RowSpan = h;
      placement.Placed = true;
      FPlacements.push_back(std::move(placement));  // whole is invalid from here
      for (int rr = r; rr < r + h; ++rr)
        for (int cc = c; cc < c + w; ++cc)
          if (Cell(cc, rr) == index) Cell(cc, rr) = pieceIndex;
    }
}

// Neighbouring cells that both draw the shared edge would draw it twice; the
// right or lower cell leaves it to the other when the lines look the same.
void TqdxIEMatrix::JoinCellBorders() {
  for (int r = 0; r < FRowCount; ++r)
    for (int c = 0; c < FColumnCount; ++c) {
      const int index = Cell(c, r);
      if (index < 0) continue;
      TqdxIEMObject &obj = *FPlacements[static_cast<size_t>(index)].Cell;
      const TqdxIEMStyle *style = obj.CellStyleRef;
      if (style == nullptr) continue;
      TqdxFrameTypes sides = style->FrameSides;
      auto styleAt = [&](int col, int row) -> const TqdxIEMStyle * {
        int other = Cell(col, row);
        if (other < 0 || other == index) return nullptr;
        return FPlacements[static_cast<size_t>(other)].Cell->CellStyleRef;
      };
      if (style->HasSide(ftTop) && r > 0)
        if (const TqdxIEMStyle *above = styleAt(c, r - 1); above != nullptr && above->HasSide(ftBottom) &&
                                                           above->BottomLine.Width == style->TopLine.Width &&
                                                           above->BottomLine.Color == style->TopLine.Color)
          sides &= ~qdxBit(ftTop);
      if (style->HasSide(ftLeft) && c > 0)
        if (const TqdxIEMStyle *left = styleAt(c - 1, r); left != nullptr && left->HasSide(ftRight) &&
                                                          left->RightLine.Width == style->LeftLine.Width &&
                                                          left->RightLine.Color == style->LeftLine.Color)
          sides &= ~qdxBit(ftLeft);
      if (sides != style->FrameSides) SetStyle(obj, StyleWithSides(*style, sides));
    }
}
