// The report's print operation: the prepared pages go to a
// printer as one print job, each page drawn by its objects onto the page's
// metafile at the printer's resolution and spooled at once.

#include "document/qdxReport.h"

#include "document/qdxClass.h"
#include "document/qdxPageNumbers.h"
#include "document/qdxPreviewPages.h"
#include "platform/FileUtils.h"
#include "platform/MessageBox.h"
#include "platform/MetafileCanvas.h"
#include "platform/PrintJob.h"
#include "platform/PrinterDevice.h"

#include "document/qdxUtils.h"

#include <algorithm>
#include <exception>

namespace {



// What the export run does to text before a filter sees it, with the number
// of the copy being printed.
void PrepareMemo(TqdxCustomMemoView& memo, int totalPages, int copyNo) {
  memo.TotalPages = totalPages;
  memo.CopyNo = copyNo;
  if (memo.AllowExpressions) {
    const std::string digits = std::to_string(totalPages);
    const std::u16string total(digits.begin(), digits.end());
    // The copy name comes from the report variable "CopyName" + copy
    // number; prepared reports carry no variables, so it is empty.
    for (std::u16string& line : memo.Memo) {
      qdxReplaceIgnoringCase(line, u"[TOTALPAGES#]", total);
      qdxReplaceIgnoringCase(line, u"[COPYNAME#]", u"");
    }
  }
  if (memo.AutoWidth) memo.CalcAutoWidth();
}

class TPagePrinter {
public:
  TPagePrinter(TqdxCustomPreviewPages& pages, TPrintJob& job) : FPages(pages), FJob(job), FCount(pages.Count()) {}

  // Draws the page with that 0-based index and spools it.
  void PrintPage(int index, int copyNo) {
    TqdxReportPage* page = FPages.GetPage(index);
    if (page == nullptr) return;
    const TPrinterDevice& printer = FJob.Printer();
    // The page's own paper and orientation; the printer takes portrait
    // measures and turns them.
    const bool landscape = page->GetOrientation() == poLandscape;
    const double w = page->GetPaperWidth(), h = page->GetPaperHeight();
    const TPrinterPage paper = landscape ? PrinterPageFor(printer, h, w, true) : PrinterPageFor(printer, w, h, false);

    // Positions are measured from the paper's corner, as in the export run.
    page->SetLeft(page->LeftMarginOf(index) * qd01cm);
    page->SetTop(page->TopMargin * qd01cm);

    std::string metafile;
    {
      // The printer's canvas covers the printable part of the sheet.
      TMetafileCanvas canvas(std::max(1, paper.PrintableWidth), std::max(1, paper.PrintableHeight));
      const double scaleX = double(printer.PixelsPerInchX) / ScreenPixelsPerInch;
      const double scaleY = double(printer.PixelsPerInchY) / ScreenPixelsPerInch;
      const double offsetX = -double(paper.PrintableLeft), offsetY = -double(paper.PrintableTop);
      auto draw = [&](TqdxComponent& obj) {
        if (auto* view = dynamic_cast<TqdxView*>(&obj); view != nullptr && !view->IsVisibleIn(vsPrint)) return;
        auto* component = dynamic_cast<TqdxReportComponent*>(&obj);
        if (component == nullptr) return;
        if (auto* memo = dynamic_cast<TqdxCustomMemoView*>(&obj)) PrepareMemo(*memo, FCount, copyNo);
        component->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
      };

      // The page's colour, frame and printable background picture inside
      // the margins.
      TqdxPictureView background;
      background.Name = "_pagebackground";
      background.SetColor(page->Color);
      background.GetFrame()->Assign(*page->GetFrame());
      if (page->BackPictureVisible && page->BackPicturePrintable)
        background.GetPicture()->Assign(*page->GetBackPicture());
      background.Stretched = page->BackPictureStretched;
      background.KeepAspectRatio = false;
      background.SetBounds(page->GetLeft(), page->GetTop(),
                           page->GetWidth() - (page->LeftMarginOf(index) + page->RightMarginOf(index)) * qd01cm,
                           page->GetHeight() - (page->TopMargin + page->BottomMargin) * qd01cm);
      draw(background);

      // A copy: drawing may not change the list, but a stale iterator would
      // be a crash rather than an error.
      const std::vector<TqdxComponent*> entries = page->Objects();
      for (TqdxComponent* entry : entries) {
        draw(*entry);
        const std::vector<TqdxComponent*> children = entry->Objects();
        for (TqdxComponent* child : children) draw(*child);
      }
      metafile = canvas.Finish();
    }
    FJob.Page(paper, metafile);
    // Keep at most one built page in memory.
    FPages.ClearPageCache();
  }

private:
  TqdxCustomPreviewPages& FPages;
  TPrintJob& FJob;
  int FCount;
};

}  // namespace

bool TqdxReport::Print() {
  if (PrinterNames().empty()) {
    ShowMessageBox("No printers installed on your system", "Error", TMessageKind::mkError);
    return false;
  }
  const TqdxPrintOptions& options = *GetPrintOptions();
  // There is no print dialog in this build: ShowDialog asks for nothing.
  TPrintJob job(FindPrinter(options.Printer));
  if (!job.Valid()) {
    ShowMessageBox("Printer selected is not valid", "Error", TMessageKind::mkError);
    return true;
  }
  if (PreviewPages == nullptr) return true;
  // A job that does not produce its output file has failed, and the caller
  // must be able to tell: the message goes to Errors.
  try {
    const int count = PreviewPages->Count();
    const TqdxPageNumbers numbers(options.PageNumbers, count);
    std::vector<int> selected;
    for (int i = 0; i < count; ++i)
      if (numbers.Contains(int64_t(i) + 1)) selected.push_back(i);
    const int copies = std::max(1, options.Copies);

    std::string title = GetReportOptions()->Name;
    if (title.empty()) title = ExtractFileName(FileName);
    job.StartDoc(options.OutputFileName, title);
    TPagePrinter printer(*PreviewPages, job);
    if (options.Collate) {
      for (int copy = 1; copy <= copies; ++copy)
        for (int index : selected) printer.PrintPage(index, copy);
    } else {
      for (int index : selected)
        for (int copy = 1; copy <= copies; ++copy) printer.PrintPage(index, copy);
    }
    job.EndDoc();
  } catch (const std::exception& e) {
    job.Abort();
    Errors.push_back(e.what());
    return false;
  } catch (...) {
    job.Abort();
    Errors.push_back("Printing failed");
    return false;
  }
  return true;
}
