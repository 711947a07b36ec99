#pragma once
// The export run: hands the prepared pages to a filter, page by page and
// object by object, with page ranges, skipping rules and error reporting.
// TqdxReport::Export forwards here.

#include "document/qdxPageNumbers.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class TqdxCustomExportFilter;
class TqdxCustomMemoView;
class TqdxCustomPreviewPages;

// Raised by the run when the report's Terminated flag is set; the run ends
// quietly and still succeeds.
class EqdxExportTerminated : public std::exception {
public:
  const char* what() const noexcept override { return "Export terminated"; }
};

// Raised by a run whose report's NewSilentMode is simReThrow.
class EqdxExportError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Runs filter over the pages; see TqdxReport::Export.
bool qdxExportPreviewPages(TqdxCustomPreviewPages& pages, TqdxCustomExportFilter* filter);

// Text objects with AutoWidth compute their width when drawn; the drawing
// layer installs the routine that draws one at scale 1 off screen.
using TqdxAutoWidthProc = void (*)(TqdxCustomMemoView& memo);
void qdxSetAutoWidthProc(TqdxAutoWidthProc proc);

// The heading of the run's error message.
inline constexpr const char* qdxExportErrorHeading = "The following error(s) have occured:";
