#pragma once
// The report library behind the converter's report operations: a report
// with its prepared pages.

#include "app/qdxConverterReport.h"

#include <memory>

class TqdxReport;
class TqdxPreviewPages;

class TqdxReportAdapter : public TqdxConverterReport {
public:
  TqdxReportAdapter();
  ~TqdxReportAdapter() override;

  void LoadFromFile(const std::string& fileName) override;
  bool Export(TqdxCustomExportFilter& filter) override;
  bool Print() override;
  std::vector<std::string>& Errors() override;
  void SetShowProgress(bool value) override;
  TQDPPrintSettings& PrintOptions() override { return FPrintOptions; }

  TqdxReport& Report() { return *FReport; }
  TqdxPreviewPages& PreviewPages() { return *FPages; }

private:
  std::unique_ptr<TqdxReport> FReport;
  std::unique_ptr<TqdxPreviewPages> FPages;
  TQDPPrintSettings FPrintOptions;
};
