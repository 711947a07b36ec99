#pragma once
// Visible report objects: frame, fill, hyperlink, visibility, and the
// properties every view carries whether or not its class publishes them.

#include "document/qdxComponent.h"
#include "document/qdxFill.h"
#include "document/qdxFrame.h"
#include "document/qdxHyperlink.h"
#include "document/qdxObjectProcessing.h"

class TCanvas;
class TVectorCanvas;

enum TqdxAlign : uint8_t { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient, baHidden };
enum TqdxVisibilityType : uint8_t { vsPreview, vsExport, vsPrint };
using TqdxVisibilityTypes = uint8_t;  // bits 1 preview, 2 export, 4 print
enum TqdxShiftMode : uint8_t { smDontShift, smAlways, smWhenOverlapped };
enum TqdxStretchMode : uint8_t { smDontStretch, smActualHeight, smMaxHeight };

class TqdxView : public TqdxReportComponent {
public:
  QDX_CLASS(TqdxView)
  explicit TqdxView(TqdxBaseComponent* owner = nullptr);

  TqdxAlign Align = baNone;
  bool AllowVectorExport = true;
  TqdxVisibilityTypes Visibility = 7;
  TqdxShiftMode ShiftMode = smAlways;
  std::string Hint;
  bool ShowHint = false;
  int32_t Cursor = 0;
  std::string TagStr;
  std::string URL;
  std::string DataField;
  std::string DataSetName;
  TqdxBaseComponent* DataSet = nullptr;
  // Script text or handler names, carried unchanged.
  std::string OnAfterData, OnAfterPrint, OnBeforePrint, OnContentChanged, OnMouseEnter, OnMouseLeave,
      OnMouseDown, OnMouseMove, OnMouseUp, OnPreviewClick, OnPreviewDblClick;

  bool IsVisibleIn(TqdxVisibilityType where) const { return (Visibility & qdxBit(where)) != 0; }
  // The print flag of Visibility.
  bool GetPrintable() const { return IsVisibleIn(vsPrint); }
  void SetPrintable(bool value);

  TqdxFrame* GetFrame() const { return &FFrame; }
  TqdxCustomFill* GetFill() const { return FFill.get(); }
  TqdxFillType GetFillType() const { return FFill->FillType(); }
  // Another type replaces the fill by a new one of that type.
  void SetFillType(TqdxFillType value) { qdxSetFillType(FFill, value); }
  TqdxHyperlink* GetHyperlink() const { return &FHyperlink; }
  TqdxObjectProcessing* GetProcessing() const { return &FProcessing; }

  // The brush fill's background, a gradient's middle colour or the glass
  // colour; writing sets only a brush fill's background.
  virtual TqdxColor GetColor() const { return FFill->GetColor(); }
  virtual void SetColor(TqdxColor value) { qdxSetFillColor(*FFill, value); }
  bool IsColorStored() const { return GetFillType() == ftBrush; }
  // The brush fill's style (bsSolid for other fills, which ignore writes).
  TqdxBrushStyle GetBrushStyle() const;
  void SetBrushStyle(TqdxBrushStyle value);
  bool IsBrushStyleStored() const { return GetFillType() == ftBrush; }

  bool VectorExportAllowed() const { return AllowVectorExport; }
  // Widened to the right and down by the drop shadow.
  TqdxRect GetExportBounds() const override;

  // ---- drawing ----
  // Not stored: an export may turn it on around one draw; text is then drawn
  // in black and pictures leave out their background.
  bool DrawMono = false;

  // BeginDraw, DrawBackground, DrawFrame.
  void Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
  // Stores the canvas, scales and offsets and derives the drawing rectangle.
  virtual void BeginDraw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY);
  // The fill over the drawing rectangle widened under the frame lines.
  virtual void DrawBackground();
  // The drop shadow and the frame lines.
  virtual void DrawFrame();
  // A new recording canvas holding the text runs of the object drawn at
  // scale 1 with its top-left corner at the origin; the caller owns it.
  virtual std::unique_ptr<TVectorCanvas> GetVectorCanvas();
  // The object drawn into a new enhanced metafile at scale 1 with its
  // top-left corner at the origin, without its frame and, unless drawFill,
  // without its fill (vector exports paint those themselves).
  virtual std::string GetVectorGraphic(bool drawFill);

  // Drawing state of the last BeginDraw, in whole target pixels.
  int X() const { return FX; }
  int Y() const { return FY; }
  int X1() const { return FX1; }
  int Y1() const { return FY1; }
  int DX() const { return FDX; }
  int DY() const { return FDY; }
  int FrameWidth() const { return FFrameWidth; }
  // The rectangle DrawBackground fills (left, top, right, bottom).
  void BackgroundRect(int& left, int& top, int& right, int& bottom) const;

  // Binary records of classes whose contents this program does not read are
  // kept and written back unchanged.
  void WriteBinaryProperties(std::vector<TqdxBinaryProperty>& out) const override;
  bool ReadBinaryProperty(const std::string& name, std::string_view data) override;

protected:
  TCanvas* FCanvas = nullptr;
  double FScaleX = 1, FScaleY = 1, FOffsetX = 0, FOffsetY = 0;
  int FX = 0, FY = 0, FX1 = 0, FY1 = 0, FDX = 0, FDY = 0, FFrameWidth = 0;
  // While the object renders itself into a metafile for a vector export,
  // the export paints the frame and (unless FMetafileFill) the fill itself.
  bool FMetafileMode = false;
  bool FMetafileFill = false;
  // A recording canvas that collects the text runs of the object; while one
  // is attached a text object paints neither background nor frame.
  TVectorCanvas* FVectorCanvas = nullptr;

private:
  mutable TqdxFrame FFrame;
  std::unique_ptr<TqdxCustomFill> FFill;
  mutable TqdxHyperlink FHyperlink;
  mutable TqdxObjectProcessing FProcessing;
  std::vector<TqdxBinaryProperty> FKeptBinary;
};

class TqdxStretcheable : public TqdxView {
public:
  QDX_CLASS(TqdxStretcheable)
  using TqdxView::TqdxView;
  TqdxStretchMode StretchMode = smDontStretch;
  bool CanShrink = false;
};


const TqdxEnumInfo& qdxAlignEnum();
