#pragma once
// Filters with an options dialog. The dialog itself belongs to the windowing
// layer; this is the contract between a filter and its dialog: the dialog is
// created for one filter, reads the filter's options into its controls, is
// shown modally and, when confirmed, writes its controls back.

#include "export/qdxExportFilter.h"

#include <memory>

class TqdxBaseDialogExportFilter;

class TqdxBaseExportDialog {
public:
  virtual ~TqdxBaseExportDialog() = default;
  // Fills the controls from the filter's options.
  virtual void ReadFromFilter(TqdxBaseDialogExportFilter& filter) = 0;
  // qdxModalOk when the user confirmed.
  virtual int ShowModal() = 0;
  // Stores the controls in the filter's options.
  virtual void WriteToFilter(TqdxBaseDialogExportFilter& filter) = 0;
};

// The class of a filter's options dialog: creates the dialog for a filter.
using TqdxExportDialogClass = std::unique_ptr<TqdxBaseExportDialog> (*)(TqdxBaseDialogExportFilter& filter);

class TqdxBaseDialogExportFilter : public TqdxCustomExportFilter {
public:
  QDX_CLASS(TqdxBaseDialogExportFilter)
  using TqdxCustomExportFilter::TqdxCustomExportFilter;

  // Opens the written file with the desktop's handler when OpenAfterExport
  // is set and the output went to a file.
  void AfterFinish() override;
  // qdxModalOk at once when the caller gave a stream or no dialog exists;
  // otherwise the dialog's result, its controls written back on OK.
  int ShowModal() override;
  // None until the windowing layer provides the filter's dialog.
  virtual TqdxExportDialogClass DialogClass() const { return nullptr; }
};

// Opens a file with the desktop's default application, without waiting.
// False when no opener could be started.
bool qdxShellOpen(const std::string& fileName);
