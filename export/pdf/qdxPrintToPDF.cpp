#include "export/pdf/qdxPrintToPDF.h"

#include "export/pdf/qdxEMFtoPDFExport.h"
#include "platform/CodePage.h"

#include <cmath>

TqdxPrintToPDFDriver::TqdxPrintToPDFDriver(const TPrinterDevice& printer, TqdxPrintToPDFSettings settings)
    : FPrinter(printer), FSettings(std::move(settings)) {}

TqdxPrintToPDFDriver::~TqdxPrintToPDFDriver() = default;

void TqdxPrintToPDFDriver::BeginDocument(TStream& out, const std::string& title) {
  TqdxPDFOptions options;
  // Text is written as glyph ids of the faces installed here: the faces
  // travel with the file, as the PDF filter's do.
  options.EmbeddedFonts = true;
  options.Title = Utf8ToUtf16(title);
  options.Author.clear();
  options.Subject.clear();
  FDoc = std::make_unique<TqdxPDFDocument>(options);
  if (!FSettings.FixedFileID.empty()) FDoc->SetFixedFileID(FSettings.FixedFileID);
  if (FSettings.UseFixedTime) FDoc->SetFixedTime(FSettings.FixedTime);
  FDoc->BeginDocument(out);
}

void TqdxPrintToPDFDriver::Page(const TPrinterPage& paper, std::string_view metafile) {
  if (!FDoc) throw EPDFError("PDF file not started");
  // The sheet in points; the metafile covers the whole sheet.
  const double width = paper.PhysicalWidth * 72.0 / FPrinter.PixelsPerInchX;
  const double height = paper.PhysicalHeight * 72.0 / FPrinter.PixelsPerInchY;
  TqdxPDFPage& page = FDoc->AddPage(width, height);
  std::string content;
  const TEMFTargetRect target{0, height, width, 0};
  TEMFtoPDFExport player(metafile, false, FDoc.get(), target, content);
  player.PlayMetafile();
  page.WriteRaw(content);
  FDoc->FinishPage();
}

void TqdxPrintToPDFDriver::EndDocument() {
  if (!FDoc) throw EPDFError("PDF file not started");
  FDoc->EndDocument();
  FDoc.reset();
}

TqdxPrintToPDFSettings& qdxPrintToPDFSettings() {
  static TqdxPrintToPDFSettings settings;
  return settings;
}

void qdxInstallPrintToPDF() {
  RegisterPrintDriver(BuiltInPrinterName, [](const TPrinterDevice& printer) -> std::unique_ptr<TPrintDriver> {
    return std::make_unique<TqdxPrintToPDFDriver>(printer, qdxPrintToPDFSettings());
  });
}
