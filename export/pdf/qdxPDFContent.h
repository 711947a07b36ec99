#pragma once
// Content operators for report objects on a PDF page: colours in the three
// textual forms the page content uses, dash patterns, fills, frames, lines,
// shapes and check boxes. The PDF filter calls these per object.

#include "document/qdxFrame.h"
#include "document/qdxGraphics.h"
#include "export/pdf/qdxExportPDFHelpers.h"

#include <string>

class TqdxPDFPage;
class TqdxView;
class TqdxCustomFill;
class TqdxShapeView;
class TqdxCustomLineView;
class TqdxCheckBoxView;

// Stroke and text colours: "0 0 0", "1 1 1", else byte / 255 with two decimals.
std::string PdfStrokeColor(TqdxColor c);
// Fill colours of paths: byte / 255 with three decimals, trailing zeros removed.
std::string PdfFillColor(TqdxColor c);
// Frame lines and page background: "0", "1" or "0." + byte * 100 / 256.
std::string PdfFrameColor(TqdxColor c);
// "[...] 0 d" for a frame style and width (report units).
std::string PdfDash(TqdxFrameStyle style, double width);
// Three decimals, trailing zeros removed.
std::string PdfNum3(double v);

// An object's rectangle in points (y up), shortened by a drop shadow.
struct TqdxPDFObjRect {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;  // Top > Bottom
};

class TqdxPDFContentWriter {
public:
  TqdxPDFContentWriter(TqdxPDFPage& page) : FPage(page) {}

  TqdxPDFObjRect RectOf(const TqdxView& view) const;
  // The view's fill inside q ... Q.
  void Fill(const TqdxView& view, const TqdxPDFObjRect& r);
  void Frame(const TqdxFrame& frame, const TqdxPDFObjRect& r);
  void Line(const TqdxCustomLineView& line, const TqdxPDFObjRect& r);
  void Shape(const TqdxShapeView& shape, const TqdxPDFObjRect& r);
  void CheckBox(const TqdxCheckBoxView& box);
  // The page colour over the printable rectangle.
  void PageBackground(TqdxColor color, const TqdxPDFObjRect& margins);

private:
  std::string OutlinePath(const TqdxView& view, const TqdxPDFObjRect& r) const;
  std::string ShapePath(const TqdxShapeView& shape, const TqdxPDFObjRect& r) const;
  void Hatch(int style, TqdxColor color, const std::string& clip, const TqdxPDFObjRect& r);
  void Gradient(TqdxColor start, TqdxColor end, int style, const std::string& clip, const TqdxPDFObjRect& r);
  void W(const std::string& s);

  TqdxPDFPage& FPage;
};
