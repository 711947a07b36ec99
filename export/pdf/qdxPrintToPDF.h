#pragma once
// The driver of the built-in "Microsoft Print to PDF" printer: it renders
// each spooled page's metafile straight into a PDF file, one page per sheet
// at the sheet's paper size, through the metafile-to-PDF renderer.
// Pages are written as they come, so a job of any length keeps no more than
// one page in memory.

#include "export/pdf/qdxPDFDocument.h"
#include "platform/PrintJob.h"

#include <memory>
#include <string>

// Fixed values for reproducible files (tests), like the PDF filter's.
struct TqdxPrintToPDFSettings {
  std::string FixedFileID;  // 32 lowercase hex digits; empty: a new one per file
  bool UseFixedTime = false;
  TqdxPDFDateTime FixedTime;
};

class TqdxPrintToPDFDriver : public TPrintDriver {
public:
  explicit TqdxPrintToPDFDriver(const TPrinterDevice& printer, TqdxPrintToPDFSettings settings = {});
  ~TqdxPrintToPDFDriver() override;

  void BeginDocument(TStream& out, const std::string& title) override;
  void Page(const TPrinterPage& paper, std::string_view metafile) override;
  void EndDocument() override;

private:
  TPrinterDevice FPrinter;
  TqdxPrintToPDFSettings FSettings;
  std::unique_ptr<TqdxPDFDocument> FDoc;
};

// Registers the driver for the built-in printer (once is enough; again is
// harmless). Programs that print call it before printing.
void qdxInstallPrintToPDF();
// The settings the installed driver gives each new job.
TqdxPrintToPDFSettings& qdxPrintToPDFSettings();
