#pragma once
// The report: owns the prepared pages and the options, and collects the
// error messages of a run.

#include "document/qdxBaseComponent.h"
#include "document/qdxReportOptions.h"

#include <string>
#include <vector>

class TqdxCustomExportFilter;
class TqdxCustomPreviewPages;

class TqdxReport : public TqdxBaseComponent {
public:
  QDX_CLASS(TqdxReport)
  explicit TqdxReport(TqdxBaseComponent* owner = nullptr) : TqdxBaseComponent(owner) {}

  // The prepared pages (not owned here; set by whoever creates them).
  TqdxCustomPreviewPages* PreviewPages = nullptr;
  std::vector<std::string> Errors;
  bool Terminated = false;  // set to stop an export run
  bool ShowProgress = true;
  bool DotMatrixReport = false;
  std::string FileName;  // last loaded or saved file
  std::string OnPrintReport, OnAfterPrintReport, OnBeginDoc, OnEndDoc, OnProgressStart, OnProgress,
      OnProgressStop;

  // Runs the filter over the prepared pages; false on failure, with the
  // messages in Errors. The export library defines it (it knows the
  // filters), so only programs that link it may call it.
  bool Export(TqdxCustomExportFilter* filter);

  // Prints the prepared pages with the print options as one print job on
  // the printer named in PrintOptions.Printer (ignoring case; any other name
  // gets the built-in printer), writing the job's output to the options'
  // OutputFileName. Returns false, after an error box, only when
  // no printer is installed, and false with the message in Errors when the
  // job fails (its output file cannot be written, a bad page range); a
  // printer without a driver shows "Printer selected is not valid" and still
  // returns true. Defined in qdxReportPrint.cpp.
  bool Print();

  TqdxEngineOptions* GetEngineOptions() const { return &FEngineOptions; }
  TqdxPrintOptions* GetPrintOptions() const { return &FPrintOptions; }
  TqdxPreviewOptions* GetPreviewOptions() const { return &FPreviewOptions; }
  TqdxReportOptions* GetReportOptions() const { return &FReportOptions; }

private:
  mutable TqdxEngineOptions FEngineOptions;
  mutable TqdxPrintOptions FPrintOptions;
  mutable TqdxPreviewOptions FPreviewOptions;
  mutable TqdxReportOptions FReportOptions;
};
