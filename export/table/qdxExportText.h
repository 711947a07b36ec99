#pragma once
// Plain text: each page becomes a block of lines in which every object's text
// stands at the character position that matches its place on the page,
// optionally framed with "|" and "-". The character cell size is estimated
// from the fonts and boxes of the page's texts.

#include "export/qdxExportBaseDialog.h"

#include <memory>
#include <string>
#include <vector>

class TqdxIEMatrix;
class TqdxIEMObject;

class TqdxSimpleTextExport : public TqdxBaseDialogExportFilter {
public:
  QDX_CLASS(TqdxSimpleTextExport)
  explicit TqdxSimpleTextExport(TqdxBaseComponent* owner = nullptr, bool noRegister = false);
  ~TqdxSimpleTextExport() override;

  static constexpr const char* FileFilter = "Text file (*.txt)|*.txt";
  static constexpr const char* DialogCaption = "Export to Text";

  bool Start() override;
  std::string GetDescription() const override { return "Text file"; }
  void StartPage(TqdxReportPage* page, int index) override;
  void ExportObject(TqdxComponent* obj) override;
  void FinishPage(TqdxReportPage* page, int index) override;
  void Finish() override;

  // ---- published options ----
  bool PageBreaks = true;          // a form feed after every page
  bool Frames = false;             // object borders drawn with "|" and "-"
  bool EmptyLines = false;         // also lines holding only spaces
  bool OEMCodepage = false;        // output in the OEM code page instead of UTF-8
  bool DeleteEmptyColumns = true;  // runs of empty character columns shrink to two

  // The character cell of the current page in pixels (65535 until a text
  // gave an estimate).
  double CharWidth() const { return FCW; }
  double CharHeight() const { return FCH; }

private:
  void WritePage();
  void PaintObject(TqdxIEMObject& obj, std::vector<std::u32string>& grid) const;

  std::unique_ptr<TqdxIEMatrix> FMatrix;
  TStream* FOut = nullptr;
  bool FTransportStream = false;
  TqdxReportPage* FPage = nullptr;
  double FCW = 65535, FCH = 65535;
};
