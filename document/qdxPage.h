#pragma once
// Pages: the roots of the object trees. A report page has paper, margins
// and a background; its Width and Height are the paper size in pixels.

#include "document/qdxComponent.h"
#include "document/qdxFrame.h"
#include "document/qdxPictureData.h"

enum TqdxPrinterOrientation : uint8_t { poPortrait, poLandscape };
enum TqdxDuplexMode : uint8_t { dmNone, dmVertical, dmHorizontal, dmSimplex };

class TqdxPage : public TqdxComponent {
public:
  QDX_CLASS(TqdxPage)
  using TqdxComponent::TqdxComponent;
};

class TqdxReportPage : public TqdxPage {
public:
  QDX_CLASS(TqdxReportPage)
  static constexpr int32_t MaxColumns = 1000;

  explicit TqdxReportPage(TqdxBaseComponent* owner = nullptr);

  // Changing the orientation swaps the paper's width and height.
  TqdxPrinterOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TqdxPrinterOrientation value);
  // Millimetres; setting either makes the paper custom (256).
  double GetPaperWidth() const { return FPaperWidth; }
  void SetPaperWidth(double value);
  double GetPaperHeight() const { return FPaperHeight; }
  void SetPaperHeight(double value);
  // A code below 256 with a standard size sets width and height (swapped in
  // landscape).
  int32_t GetPaperSize() const { return FPaperSize; }
  void SetPaperSize(int32_t value);

  double LeftMargin = 0, RightMargin = 0, TopMargin = 0, BottomMargin = 0;  // mm
  bool MirrorMargins = false;
  // The margins of the page with that 0-based index: with MirrorMargins, odd
  // pages swap left and right.
  double LeftMarginOf(int pageIndex) const;
  double RightMarginOf(int pageIndex) const;

  // Setting the column count fills ColumnPositions and ColumnWidth. Counts
  // above MaxColumns are refused; negative ones mean none.
  int32_t GetColumns() const { return FColumns; }
  void SetColumns(int32_t value);
  double ColumnWidth = 0;  // mm
  std::vector<std::string> ColumnPositions;

  TqdxColor Color = clNone;  // page background
  TqdxFrame* GetFrame() const { return &FFrame; }
  TqdxPictureData* GetBackPicture() const { return &FBackPicture; }
  bool BackPictureVisible = true;
  bool BackPicturePrintable = true;
  bool BackPictureStretched = true;

  int32_t Bin = 7;
  int32_t BinOtherPages = 7;
  TqdxDuplexMode Duplex = dmNone;
  int32_t GetPageCount() const { return FPageCount; }
  void SetPageCount(int32_t value) { FPageCount = value < 1 ? 1 : value; }
  bool PrintIfEmpty = true;
  bool PrintOnPreviousPage = false;
  bool ResetPageNumbers = false;
  bool EndlessHeight = false;
  bool EndlessWidth = false;
  bool LargeDesignHeight = false;
  bool ShowTitleOnPreviousPage = true;
  bool TitleBeforeHeader = true;
  std::string OutlineText;
  std::string DataSetName;
  TqdxBaseComponent* DataSet = nullptr;
  std::vector<std::string> HGuides;
  std::vector<std::string> VGuides;
  std::string OnAfterPrint, OnBeforePrint, OnManualBuild;

private:
  void UpdateDimensions();

  TqdxPrinterOrientation FOrientation = poPortrait;
  double FPaperWidth = 210;
  double FPaperHeight = 297;
  int32_t FPaperSize = 9;
  int32_t FColumns = 0;
  int32_t FPageCount = 1;
  mutable TqdxFrame FFrame;
  mutable TqdxPictureData FBackPicture;
};

class TqdxDialogPage : public TqdxPage {
public:
  QDX_CLASS(TqdxDialogPage)
  using TqdxPage::TqdxPage;
};

class TqdxDataPage : public TqdxPage {
public:
  QDX_CLASS(TqdxDataPage)
  using TqdxPage::TqdxPage;
};

// A page of a dot-matrix report; loads and converts like a report page.
class TqdxDMPPage : public TqdxReportPage {
public:
  QDX_CLASS(TqdxDMPPage)
  using TqdxReportPage::TqdxReportPage;
};
