#include "app/qdxReportAdapter.h"

#include "document/qdxPreviewPages.h"
#include "document/qdxReport.h"
#include "export/qdxExportFilter.h"

TqdxReportAdapter::TqdxReportAdapter()
    : FReport(std::make_unique<TqdxReport>()), FPages(std::make_unique<TqdxPreviewPages>(FReport.get())) {}

TqdxReportAdapter::~TqdxReportAdapter() {
  FPages.reset();
  FReport.reset();
}

void TqdxReportAdapter::LoadFromFile(const std::string& fileName) { FPages->LoadFromFile(fileName, true); }

bool TqdxReportAdapter::Export(TqdxCustomExportFilter& filter) { return FReport->Export(&filter); }

bool TqdxReportAdapter::Print() {
  FReport->Errors.push_back("Printing is not available in this build yet");
  return false;
}

std::vector<std::string>& TqdxReportAdapter::Errors() { return FReport->Errors; }

void TqdxReportAdapter::SetShowProgress(bool value) { FReport->ShowProgress = value; }
