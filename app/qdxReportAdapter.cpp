#include "app/qdxReportAdapter.h"

#include "document/qdxPreviewPages.h"
#include "document/qdxReport.h"
#include "export/pdf/qdxPrintToPDF.h"
#include "export/qdxExportFilter.h"

#include <exception>

TqdxReportAdapter::TqdxReportAdapter()
    : FReport(std::make_unique<TqdxReport>()), FPages(std::make_unique<TqdxPreviewPages>(FReport.get())) {
  // The built-in printer writes its PDF files through the export library;
  // a driver installed before (a test's) stays.
  if (!HasPrintDriver(BuiltInPrinterName)) qdxInstallPrintToPDF();
}

TqdxReportAdapter::~TqdxReportAdapter() {
  FPages.reset();
  FReport.reset();
}

void TqdxReportAdapter::LoadFromFile(const std::string& fileName) { FPages->LoadFromFile(fileName, true); }

bool TqdxReportAdapter::Export(TqdxCustomExportFilter& filter) { return FReport->Export(&filter); }

bool TqdxReportAdapter::Print() {
  TqdxPrintOptions& options = *FReport->GetPrintOptions();
  options.Printer = FPrintOptions.Printer;
  options.ShowDialog = FPrintOptions.ShowDialog;
  options.OutputFileName = FPrintOptions.FileName;
  options.PageNumbers = FPrintOptions.PageNumbers;
  options.Copies = FPrintOptions.Copies;
  options.Collate = FPrintOptions.Collate;
  // The converter does not expect Print to raise: whatever does lands in Errors.
  try {
    return FReport->Print();
  } catch (const std::exception& e) {
    FReport->Errors.push_back(e.what());
  } catch (...) {
    FReport->Errors.push_back("Printing failed");
  }
  return false;
}

std::vector<std::string>& TqdxReportAdapter::Errors() { return FReport->Errors; }

void TqdxReportAdapter::SetShowProgress(bool value) { FReport->ShowProgress = value; }
