#pragma once
// The export matrix: lays report objects into a grid of rows and columns for
// the exports that write tables (CSV, text, spreadsheets, HTML, RTF, word
// processor files). Every distinct object edge becomes a grid line; lines
// closer than MergeTolerance are merged, overlapping objects are cut into
// rectangular pieces, so that every cell holds at most one object. The
// export then walks the grid and writes each object once, with its spans, its
// deduplicated style and, for pictures, the rendered picture.
//
// Calling order: construct, set the settings, then per page optionally
// Clear, SetPageHeaderBand/SetPageFooterBand, AddObject for every object the
// export run hands over, AddPage at the page's end (one grid for a whole
// document); then Prepare once and read the grid.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/qdxPage.h"
#include "document/qdxStorage.h"
#include "export/qdxIEMObject.h"
#include "export/qdxIEMStyle.h"

class TqdxComponent;
class TqdxCustomMemoView;
class TqdxReport;
class TqdxView;

class TqdxIEMatrix {
 public:
  // Answers the character set a font face really has (the charset byte of
  // its text metrics), or nothing when the face cannot be read.
  using TCharsetProbe = std::function<std::optional<uint8_t>(const std::string &fontName)>;
  // Text of a rich-text object: its plain text (8-bit, system code page) or,
  // with rtf, its RTF source.
  using TRichTextSource = std::function<std::string(TqdxView &view, bool rtf)>;
  // Called by Prepare when ProgressWindow is set: first (0, total), then
  // after each step.
  using TProgress = std::function<void(int done, int total)>;
  static constexpr int PrepareSteps = 11;

  explicit TqdxIEMatrix(bool useFileCache = false, std::string tempFolder = {});
  ~TqdxIEMatrix();
  TqdxIEMatrix(const TqdxIEMatrix &) = delete;
  TqdxIEMatrix &operator=(const TqdxIEMatrix &) = delete;

  // ---- settings (set before the first AddObject) ----
  double MergeTolerance = 0;  // neighbouring grid lines closer than this merge
  double MaxRowHeight = 0;    // taller rows are cut; 0: no limit
  double MaxColumnWidth = 0;  // wider columns are cut; 0: no limit
  bool ProgressWindow = true;
  bool RotatedAsPicture = false;
  bool HatchAsPicture = true;
  bool RichTextCells = false;
  bool RichTextPlain = true;
  bool PageFill = false;
  bool PageFillCropped = false;
  bool JoinBorders = false;
  bool StripHTMLTags = false;
  bool LaidOutText = false;
  bool PageBackground = false;
  bool PageBackgroundPicture = false;
  bool NonPrintableExported = true;
  // Off: objects that would become pictures are dropped, and text blocks
  // always stay text.
  bool PictureCells = true;
  bool MetafilePictures = false;
  bool KeepEmptyRows = true;
  bool DotMatrixFonts = false;
  TqdxReport *LinkReport = nullptr;

  // ---- hooks (all optional) ----
  TqdxMatrixPictureRenderer *PictureRenderer = nullptr;  // not owned
  TCharsetProbe CharsetProbe;
  TRichTextSource RichTextSource;
  TProgress Progress;

  // ---- building ----
  void AddObject(TqdxView &view);
  // Ends a page: later objects go below it. Returns the page record's index.
  // With mirrorMargins the second, fourth ... page stores its margins
  // swapped.
  int AddPage(TqdxPrinterOrientation orientation, bool mirrorMargins, int pageIndex, double bottomMargin,
              double rightMargin, double topMargin, double leftMargin, double height, double width);
  void Prepare();
  // Back to the state after construction; the settings and ContentLeft,
  // ContentTop, LeftEdge and TopEdge keep their values.
  void Clear();
  void SetPageHeaderBand(TqdxComponent *band) { FPageHeaderBand = band; }
  void SetPageFooterBand(TqdxComponent *band) { FPageFooterBand = band; }
  // The index of an equal style (style is then dropped) or of style, added.
  int AddStyle(std::unique_ptr<TqdxIEMStyle> style);
  // The character set of a font name as the font really has it; cached per
  // name.
  int ResolveCharset(const TqdxFont &font);

  // ---- reading (after Prepare) ----
  int32_t ColumnCount() const { return FColumnCount; }
  int32_t RowCount() const { return FRowCount; }
  // Object index at a cell; -1 when empty or outside the grid.
  int CellIndex(int col, int row) const;
  // The object, or none. Parks the previously handed out object's picture
  // first, so a walk through the grid keeps one picture in memory.
  TqdxIEMObject *CellObject(int col, int row);
  TqdxIEMObject *ObjectAt(int index);
  const TqdxIEMObjectList &ObjectPlacement(int index) const { return FPlacements.at(static_cast<size_t>(index)); }
  int ObjectCount() const { return static_cast<int>(FPlacements.size()); }
  TqdxIEMStyle *CellStyle(int col, int row);
  TqdxIEMStyle *StyleAt(int index) const { return FStyles.at(static_cast<size_t>(index)).get(); }
  int StyleCount() const { return static_cast<int>(FStyles.size()); }
  double ColumnPosition(int index) const { return FXPositions.at(static_cast<size_t>(index)); }
  double RowPosition(int index) const { return FYPositions.at(static_cast<size_t>(index)); }
  int PageCount() const { return static_cast<int>(FPages.size()); }
  // None (or 0) for an index out of range.
  TqdxIEMPage *PageAt(int index);
  double PageBreakY(int index) const;
  double PageWidth(int index) const;
  double PageHeight(int index) const;
  double PageLeftMargin(int index) const;
  double PageTopMargin(int index) const;
  double PageRightMargin(int index) const;
  double PageBottomMargin(int index) const;
  TqdxPrinterOrientation PageOrientation(int index) const;
  static TqdxRect ObjectRect(const TqdxIEMObject &object);

  // ---- state ----
  double PageOffset() const { return FPageOffset; }
  double ContentLeft() const { return FContentLeft; }
  double ContentTop() const { return FContentTop; }
  double ContentRight() const { return FContentRight; }
  double ContentBottom() const { return FContentBottom; }
  double LeftEdge() const { return FLeftEdge; }
  double TopEdge() const { return FTopEdge; }
  TqdxIEMObject *CurrentObject() const { return FCurrentObject; }
  TqdxPictureCache &PictureCache() { return FPictureCache; }
  // Unsorted until Prepare.
  const std::vector<double> &XPositions() const { return FXPositions; }
  const std::vector<double> &YPositions() const { return FYPositions; }

 private:
  enum class TKind { Text, RichRTF, Line, Rectangle, Picture, Dropped };

  // source: the object whose band decides the header/footer flags (the view
  // itself, or the object a temporary stand-in was made for).
  void AddObjectFor(TqdxView &view, const TqdxView &source);
  void AddDropShadow(TqdxCustomMemoView &memo, const TqdxView &source);
  void AddRectangle(TqdxView &view, const TqdxView &source);
  void AddRichAsPlainText(TqdxView &view, const TqdxView &source);
  TKind KindOf(const TqdxView &view) const;
  std::unique_ptr<TqdxIEMStyle> BuildStyle(const TqdxView &view, TKind kind);
  void SetLinkTarget(TqdxIEMObject &obj, const TqdxView &view) const;
  void SetText(TqdxIEMObject &obj, const TqdxCustomMemoView &memo) const;
  void RenderPicture(TqdxIEMObject &obj, TqdxView &view);
  void Bookkeep(const TqdxIEMObject &obj);
  static void OfferPosition(std::vector<double> &list, double value);
  TqdxIEMObject *MakeCurrent(TqdxIEMObject *obj);
  void SetStyle(TqdxIEMObject &obj, int styleNo);
  // A copy of obj's style with other sides, or with another background.
  int StyleWithSides(const TqdxIEMStyle &style, TqdxFrameTypes sides);

  // Prepare's phases.
  void Step(int &done);
  void AddPageFill();
  void OrderPositions(std::vector<double> &list, double maxGap, int &done);
  void PlaceObjects();
  void FillGrid();
  void DeleteEmptyRows();
  void CutOverlaps();
  void JoinCellBorders();
  int &Cell(int col, int row) { return FCells[static_cast<size_t>(col) + static_cast<size_t>(row) * FColumnCount]; }

  std::vector<TqdxIEMObjectList> FPlacements;
  std::vector<std::unique_ptr<TqdxIEMStyle>> FStyles;
  std::vector<double> FXPositions, FYPositions;
  std::vector<TqdxIEMPage> FPages;
  int32_t FColumnCount = 0, FRowCount = 0;
  std::vector<int32_t> FCells;
  double FPageOffset = 0;
  double FContentRight = 0, FContentBottom = 0;
  double FContentLeft = 99999, FContentTop = 99999;
  double FLeftEdge = 0, FTopEdge = 0;
  std::map<std::string, int> FFontCharsets;
  TqdxComponent *FPageHeaderBand = nullptr;
  TqdxComponent *FPageFooterBand = nullptr;
  TqdxIEMObject *FCurrentObject = nullptr;
  TqdxPictureCache FPictureCache;
};
