#pragma once
// Bands: horizontal strips of a page that hold the visible objects. Exports
// use only a band's class, geometry, fill and frame; the rest is carried for
// the report engine.

#include "document/qdxComponent.h"
#include "document/qdxFill.h"
#include "document/qdxFillGaps.h"
#include "document/qdxFrame.h"

enum TqdxShiftEngine : uint8_t { seLinear, seTree, seDontShift };
enum TqdxToNRowsMode : uint8_t { rmCount, rmAddToCount, rmTillPageEnds };

class TqdxChild;

class TqdxBand : public TqdxReportComponent {
public:
  QDX_CLASS(TqdxBand)
  explicit TqdxBand(TqdxBaseComponent* owner = nullptr);

  bool Vertical = false;
  std::string OnAfterCalcHeight, OnAfterPrint, OnBeforePrint;

  TqdxCustomFill* GetFill() const { return FFill.get(); }
  TqdxFillType GetFillType() const { return FFill->FillType(); }
  void SetFillType(TqdxFillType value) { qdxSetFillType(FFill, value); }
  TqdxFillGaps* GetFillGap() const { return &FFillGap; }
  TqdxFrame* GetFrame() const { return &FFrame; }

private:
  std::unique_ptr<TqdxCustomFill> FFill;
  mutable TqdxFillGaps FFillGap;
  mutable TqdxFrame FFrame;
};

class TqdxDataBand : public TqdxBand {
public:
  QDX_CLASS(TqdxDataBand)
  using TqdxBand::TqdxBand;

  bool AllowSplit = false;
  TqdxChild* Child = nullptr;
  int32_t Columns = 0;
  double ColumnWidth = 0;
  double ColumnGap = 0;
  TqdxBaseComponent* DataSet = nullptr;
  std::string DataSetName;
  bool FooterAfterEach = false;
  std::string Filter;
  bool KeepChild = false;
  bool KeepFooter = false;
  bool KeepHeader = false;
  bool KeepTogether = false;
  std::string OutlineText;
  bool PrintChildIfInvisible = false;
  bool PrintIfDetailEmpty = false;
  int32_t RowCount = 0;
  bool StartNewPage = false;
  bool Stretched = false;
  TqdxShiftEngine ShiftEngine = seTree;
  std::string OnMasterDetail;
};

#define QDX_BAND_CLASS(Name, Base) \
  class Name : public Base {       \
  public:                          \
    QDX_CLASS(Name)                \
    using Base::Base;              \
  };

QDX_BAND_CLASS(TqdxMasterData, TqdxDataBand)
QDX_BAND_CLASS(TqdxDetailData, TqdxDataBand)
QDX_BAND_CLASS(TqdxSubdetailData, TqdxDataBand)
QDX_BAND_CLASS(TqdxDataBand4, TqdxDataBand)
QDX_BAND_CLASS(TqdxDataBand5, TqdxDataBand)
QDX_BAND_CLASS(TqdxDataBand6, TqdxDataBand)
QDX_BAND_CLASS(TqdxHeader, TqdxBand)
QDX_BAND_CLASS(TqdxFooter, TqdxBand)
QDX_BAND_CLASS(TqdxPageFooter, TqdxBand)
QDX_BAND_CLASS(TqdxColumnHeader, TqdxBand)
QDX_BAND_CLASS(TqdxColumnFooter, TqdxBand)
QDX_BAND_CLASS(TqdxGroupFooter, TqdxBand)
QDX_BAND_CLASS(TqdxReportTitle, TqdxBand)
QDX_BAND_CLASS(TqdxReportSummary, TqdxBand)
QDX_BAND_CLASS(TqdxOverlay, TqdxBand)
QDX_BAND_CLASS(TqdxNullBand, TqdxBand)
#undef QDX_BAND_CLASS

class TqdxPageHeader : public TqdxBand {
public:
  QDX_CLASS(TqdxPageHeader)
  using TqdxBand::TqdxBand;
  bool PrintOnFirstPage = true;
};

class TqdxGroupHeader : public TqdxBand {
public:
  QDX_CLASS(TqdxGroupHeader)
  using TqdxBand::TqdxBand;
  std::string Condition;
  bool DrillDown = false;
  bool ExpandDrillDown = false;
  std::string DrillName;
  bool ReprintOnNewPage = false;
  bool ResetPageNumbers = false;
  bool ShowFooterIfDrillDown = false;
  bool ShowChildIfDrillDown = false;
};

class TqdxChild : public TqdxBand {
public:
  QDX_CLASS(TqdxChild)
  using TqdxBand::TqdxBand;
  int32_t ToNRows = 0;
  TqdxToNRowsMode ToNRowsMode = rmCount;
};
