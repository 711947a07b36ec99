#pragma once
// A report that only checks QDP files: it parses the XML and insists on the
// "preparedreport" root. It stands in for the full report until its pages
// can be built, so that a conversion already tells a malformed file from a
// format that is not there yet.

#include "app/qdxConverterReport.h"

class TqdxXMLCheckReport : public TqdxConverterReport {
public:
  void LoadFromFile(const std::string& fileName) override;
  bool Export(TqdxCustomExportFilter& filter) override;
  bool Print() override;
  std::vector<std::string>& Errors() override { return FErrors; }
  void SetShowProgress(bool) override {}
  TQDPPrintSettings& PrintOptions() override { return FPrintOptions; }

private:
  std::vector<std::string> FErrors;
  TQDPPrintSettings FPrintOptions;
};
