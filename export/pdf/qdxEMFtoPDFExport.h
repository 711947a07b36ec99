#pragma once
// Plays an enhanced metafile into a PDF content stream: the metafile's frame
// is mapped onto a rectangle of the page, shapes and paths become PDF paths,
// clips become clipping paths inside q/Q pairs, bitmaps become image objects
// and text becomes text in the document's fonts.

#include "export/pdf/qdxEMFAbstractExport.h"

#include <string>
#include <string_view>

class TqdxPDFDocument;

// A rectangle on the page in points, y upwards (Top > Bottom).
struct TEMFTargetRect {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Rotation about a centre, for rotated text.
class TRotation2D {
public:
  void Set(double cx, double cy, double angle);
  // "cos sin -sin cos e f" with two decimals each.
  std::string Matrix() const;
  // The point in the rotated system.
  TPointF Rotate(const TPointF& p) const;
  double CX = 0, CY = 0, Cos = 1, Sin = 0, E = 0, F = 0;
};

class TPDFDeviceContext : public TDeviceContext {
public:
  // A "q" opened for a clip region of this context is still open.
  bool RegionClipOpen = false;
  void Reset() override {
    TDeviceContext::Reset();
    RegionClipOpen = false;
  }
  // A saved-into context starts without an open region clip of its own.
  void Assign(const TDeviceContext& other) override {
    TDeviceContext::Assign(other);
    RegionClipOpen = false;
  }
};

// Path operators held back until the painting operator is known, so that
// the colour and line state can stand before the path.
class TPDFPath {
public:
  bool Pending = false;
  std::string Buffer;
  void Flush(std::string& out) {
    out += Buffer;
    Buffer.clear();
    Pending = false;
  }
};

class TEMFtoPDFExport : public TEMFAbstractExport {
public:
  // doc may be null: text and bitmaps are then left out. Output is appended
  // to out, each line ended with CR LF.
  TEMFtoPDFExport(std::string_view metafile, bool pdfA, TqdxPDFDocument* doc, const TEMFTargetRect& target,
                  std::string& out);

  bool MiterJoinsOnly = false;
  bool SquareCapsOnly = false;
  bool IgnoreBrush = false;
  int JpegQuality = 90;
  int SaveDepth = 0;
  double PointsPerPixelX = 0, PointsPerPixelY = 0;

protected:
  void Comment(const std::string& text) override;
  void CreateDeviceContext() override;
  void DoAlphaBlend() override;
  void DoAngleArc() override;
  void DoArc() override;
  void DoBitBlt() override;
  void DoChord() override;
  void DoCloseFigure() override;
  void DoEllipse() override;
  void DoEoF() override;
  void DoExcludeClipRect() override;
  void DoExtSelectClipRgn() override;
  void DoExtTextOutA() override;
  void DoExtTextOutW() override;
  void DoFillPath() override;
  void DoHeader() override;
  void DoIntersectClipRect() override;
  void DoLineTo() override;
  void DoMaskBlt() override;
  void DoMoveToEx() override;
  void DoOffsetClipRgn() override;
  void DoPie() override;
  void DoPolyBezier() override;
  void DoPolyBezier16() override;
  void DoPolyBezierTo() override;
  void DoPolyBezierTo16() override;
  void DoPolygon() override;
  void DoPolygon16() override;
  void DoPolyline() override;
  void DoPolyline16() override;
  void DoPolylineTo() override;
  void DoPolylineTo16() override;
  void DoPolyPolygon() override;
  void DoPolyPolygon16() override;
  void DoPolyPolyline() override;
  void DoPolyPolyline16() override;
  void DoRectangle() override;
  void DoRestoreDC() override;
  void DoRoundRect() override;
  void DoSaveDC() override;
  void DoSelectClipPath() override;
  void DoSetMetaRgn() override;
  void DoStretchBlt() override;
  void DoStretchDIBits() override;
  void DoStrokeAndFillPath() override;
  void DoStrokePath() override;
  void DoTransparentBlt() override;
  void BeforePlay() override;
  void AfterPlay() override;

  void WriteOp(std::string_view line);
  std::string ToPdfPoint(const TPoint& p) const { return PointText(PdfPoint(p.X, p.Y)); }
  TPointF PdfPoint(double x, double y) const;
  TPointF DevicePdfPoint(const TPointF& dev) const;
  std::string ToPdfRect(const TRect& r) const;
  double ToPdfLength(double v) const;
  void BeginShape();
  void EndShape(int mode);
  int EffectiveMode(int mode) const;
  void PaintPath(int mode, bool useBkColor = false);
  static std::string DashPattern(uint32_t style, double w);
  void ArcPath(double cx, double cy, double rx, double ry, double start, double sweep, bool move);
  void RoundRectPath(double left, double top, double right, double bottom, double rx, double ry);
  void DrawBitmap(const TEMRBitmap& rec, uint32_t rop);

private:
  TPDFDeviceContext& PdfDC() const { return static_cast<TPDFDeviceContext&>(*DC); }
  static std::string Num(double v);
  static std::string PointText(const TPointF& p) { return Num(p.X) + " " + Num(p.Y); }
  static std::string Color(uint32_t c);
  void Polys(const std::vector<uint32_t>& counts, const std::vector<TPoint>& points, bool close);
  void Poly(int mode, bool close, bool fromCurrent);
  void Bezier(const std::vector<TPoint>& points, size_t from);
  void ArcRecord(int mode, bool pieLines);
  void WriteRegionClip();
  void Text(const TEMRExtTextOutWObj& rec);
  void Hatch();
  void CloseAll();
  void PlaceImage(int index, const std::string& rect);

  std::string& FOut;
  TqdxPDFDocument* FDoc;
  TEMFTargetRect FTarget;
  bool FPdfA;
  TPDFPath Path;
  TRotation2D Rotation;
  bool FClosed = false;
};
