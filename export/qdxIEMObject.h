#pragma once
// The pieces of the export matrix's grid: cell objects (text or picture),
// their placements, page records, and the hook through which report objects
// are rendered into pictures.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/qdxPage.h"

class TqdxIEMStyle;
class TqdxPictureCache;
class TqdxView;

// A rendered picture, encoded as the renderer encodes it (a bitmap or an
// enhanced metafile); the matrix only parks and restores the bytes. The size
// is in pixels (bitmaps) or device units (metafiles).
struct TqdxIEMPicture {
  std::string Data;
  int32_t Width = 0;
  int32_t Height = 0;
  bool HasSize() const { return Width != 0 && Height != 0; }
};

// How a view is to be drawn into a picture: a point (OriginX, OriginY) in
// absolute report pixels lands on the picture's top-left corner, and report
// pixels are scaled by ScaleX and ScaleY.
struct TqdxIEMRenderRequest {
  int32_t Width = 0;
  int32_t Height = 0;
  double OriginX = 0;
  double OriginY = 0;
  double ScaleX = 1;
  double ScaleY = 1;
};

// Draws report objects into pictures for the exports that keep pictures in
// cells. The matrix saves and restores the object's state around the calls.
class TqdxMatrixPictureRenderer {
 public:
  virtual ~TqdxMatrixPictureRenderer() = default;
  // Reduction factors a view asks for when drawn into a bitmap (a view with
  // fine detail asks for less than 1, i.e. more pixels); 1 by default.
  virtual void BitmapScaleFactors(TqdxView &view, double &factorX, double &factorY);
  // A 24-bit bitmap of exactly request.Width x request.Height pixels.
  virtual TqdxIEMPicture RenderBitmap(TqdxView &view, const TqdxIEMRenderRequest &request) = 0;
  // An enhanced metafile; what was drawn before a failure should still be
  // returned, since the matrix keeps a partly drawn metafile.
  virtual TqdxIEMPicture RenderMetafile(TqdxView &view, const TqdxIEMRenderRequest &request) = 0;
};

// One cell object: a text block's text or a picture, placed in the grid by
// its placement record.
class TqdxIEMObject {
 public:
  explicit TqdxIEMObject(TqdxPictureCache *cache = nullptr) : FCache(cache) {}
  TqdxIEMObject(const TqdxIEMObject &) = delete;
  TqdxIEMObject &operator=(const TqdxIEMObject &) = delete;

  std::vector<std::u16string> Lines;
  std::string LinkTarget;
  int32_t StyleNo = -1;
  TqdxIEMStyle *CellStyleRef = nullptr;
  bool TextCell = true;
  bool RichCell = false;  // Lines hold RTF source
  double Left = 0, Top = 0, Width = 0, Height = 0;
  // Present while in memory; parked pictures live in the cache at
  // PictureIndex (-1 when not parked).
  std::optional<TqdxIEMPicture> Picture;
  std::optional<TqdxIEMPicture> VectorPicture;
  int32_t PictureIndex = -1;
  bool PictureIsVector = true;
  // For a piece made by cutting an overlapped object: that object.
  TqdxIEMObject *Origin = nullptr;
  // Free for the exports: marks an object already written.
  int32_t Written = 0;
  bool RightToLeft = false;
  double TextLineSpacing = 0;
  bool HTMLTagged = false;
  std::string ObjectName;
  bool InPageHeader = false;
  bool InPageFooter = false;

  // The bitmap picture, loaded back from the cache when it was parked; a
  // failed load gives an empty picture. Null for an object that has none.
  TqdxIEMPicture *GetPicture();
  // The same for the metafile picture.
  TqdxIEMPicture *GetVectorPicture();
  // Parks the picture in memory in the cache (once) and frees it.
  void ReleasePictures();

  TqdxPictureCache *Cache() const { return FCache; }

 private:
  TqdxIEMPicture LoadParked() const;

  TqdxPictureCache *FCache;
};

// Where an object sits in the grid. A new record has spans 1 x 1.
struct TqdxIEMObjectList {
  std::unique_ptr<TqdxIEMObject> Cell;
  int32_t Col = 0;
  int32_t Row = 0;
  int32_t ColSpan = 1;
  int32_t RowSpan = 1;
  bool Placed = false;
};

// One page of a document laid into one grid; BreakY is the grid Y at which
// the page ends, so exports can restore page breaks.
struct TqdxIEMPage {
  double BreakY = 0;
  TqdxPrinterOrientation Orientation = poPortrait;
  double Width = 0, Height = 0;                                             // pixels
  double LeftMargin = 0, TopMargin = 0, BottomMargin = 0, RightMargin = 0;  // mm
  bool MarginsSwapped = false;
  // Not set by the matrix; exports that need them fill them in.
  bool PrintOnPrevious = false;
  std::string PageName;
};
