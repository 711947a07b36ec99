#pragma once
// Comma-separated values: each page is laid into an export matrix and every
// grid row becomes one line of fields. Only text reaches the file.

#include "export/qdxExportBaseDialog.h"

#include <memory>
#include <string>

class TqdxIEMatrix;
class TqdxIEMObject;

// The matrix of the exports that keep only text (CSV, plain text): one grid
// per page, no pictures, laid-out lines, plain rich text.
std::unique_ptr<TqdxIEMatrix> qdxCreatePlainTextMatrix(const TqdxCustomExportFilter& filter);
// The output of such an export: the caller's stream, else the transport's
// stream for FileName (fromTransport set). Raises when it cannot be created.
TStream* qdxOpenPlainTextOutput(TqdxCustomExportFilter& filter, bool& fromTransport);
// Hands a transport stream back to be closed and stored; out becomes null.
void qdxClosePlainTextOutput(TqdxCustomExportFilter& filter, TStream*& out, bool fromTransport);

class TqdxCSVExport : public TqdxBaseDialogExportFilter {
public:
  QDX_CLASS(TqdxCSVExport)
  explicit TqdxCSVExport(TqdxBaseComponent* owner = nullptr, bool noRegister = false);
  ~TqdxCSVExport() override;

  static constexpr const char* FileFilter = "CSV file (*.csv)|*.csv";
  static constexpr const char* DialogCaption = "Export to CSV";

  bool Start() override;
  std::string GetDescription() const override { return "CSV file"; }
  void StartPage(TqdxReportPage* page, int index) override;
  void ExportObject(TqdxComponent* obj) override;
  void FinishPage(TqdxReportPage* page, int index) override;
  void Finish() override;

  // ---- published options ----
  // Field separator. Only its first character separates fields; empty means
  // the system's list separator.
  std::string Separator;
  // 8-bit output in the OEM code page instead of the system's (UTF-8).
  // Ignored with UTF8, whose bytes are not to be converted again.
  bool OEMCodepage = false;
  bool UTF8 = false;
  // Removes every character below 32 (line breaks, tabs) from fields.
  bool NoSysSymbols = true;
  // Quotes every non-empty field.
  bool ForcedQuotes = false;

  // The separator actually written between fields, in the output encoding.
  std::string FieldSeparator() const;
  // One field, with its separator, from the object's lines.
  std::string BuildField(const TqdxIEMObject& obj) const { return BuildField(obj, FieldSeparator()); }

private:
  std::string BuildField(const TqdxIEMObject& obj, const std::string& separator) const;
  // The text of the object in the output encoding.
  std::string Encode(const TqdxIEMObject& obj) const;
  void WritePage();

  std::unique_ptr<TqdxIEMatrix> FMatrix;
  TStream* FOut = nullptr;
  bool FTransportStream = false;
  int FCurrentPage = 0;
};
