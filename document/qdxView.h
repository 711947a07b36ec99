#pragma once
// Visible report objects: frame, fill, hyperlink, visibility, and the
// properties every view carries whether or not its class publishes them.

#include "document/qdxComponent.h"
#include "document/qdxFill.h"
#include "document/qdxFrame.h"
#include "document/qdxHyperlink.h"
#include "document/qdxObjectProcessing.h"

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

  // Binary records of classes whose contents this program does not read are
  // kept and written back unchanged.
  void WriteBinaryProperties(std::vector<TqdxBinaryProperty>& out) const override;
  bool ReadBinaryProperty(const std::string& name, std::string_view data) override;

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
