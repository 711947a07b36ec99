#pragma once
// The base of every export filter and the registry in which filters enter
// themselves. A filter receives the prepared pages one object at a time from
// the export run (qdxExportRun.h) and writes its output through a transport
// (qdxIOTransport.h). Its options are published properties, so the settings
// file and the options dialogs walk them without listing them by hand.

#include "document/qdxBaseComponent.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TqdxComponent;
class TqdxCustomExportFilter;
class TqdxCustomIOTransport;
class TqdxReport;
class TqdxReportPage;
class TqdxView;
class TStream;

// Modal results of option dialogs.
constexpr int qdxModalOk = 1;
constexpr int qdxModalCancel = 2;

using TqdxExportNotify = std::function<void(TqdxCustomExportFilter& sender)>;

class TqdxCustomExportFilter : public TqdxBaseComponent {
public:
  QDX_CLASS(TqdxCustomExportFilter)
  // Sets the initial values and enters the filter in the registry, unless
  // noRegister is set (helper filters that other filters create inside).
  explicit TqdxCustomExportFilter(TqdxBaseComponent* owner = nullptr, bool noRegister = false);
  ~TqdxCustomExportFilter() override;

  // ---- operations the export run calls, in this order of declaration ----
  // Once after the last page: writes the document's end and closes output.
  virtual void Finish() {}
  // Right after Finish.
  virtual void AfterFinish() {}
  // Before Start: completes FileName (temporary file when printing, the
  // default folder for a bare name).
  virtual void PrepareFileName();
  // False ends the run at once and deliberately: no pages, no Finish, and the
  // run still succeeds. A filter that cannot create its output raises
  // instead, so that the run fails with a message.
  virtual bool Start() { return true; }
  // Text shown in the format list of the settings window.
  virtual std::string GetDescription() const { return {}; }
  // The options dialog; qdxModalOk lets the run go on.
  virtual int ShowModal() { return qdxModalOk; }
  // The transport used when IOTransport is none: the dialog transport when
  // ShowDialog is set, one is available and the filter is not printing,
  // else the plain file transport.
  virtual std::unique_ptr<TqdxCustomIOTransport> CreateDefaultIOTransport();
  // One object of a page; AbsLeft/AbsTop are measured from the paper's corner.
  virtual void ExportObject(TqdxComponent* obj) = 0;
  // After / before the objects of a page; index is 0-based.
  virtual void FinishPage(TqdxReportPage* /*page*/, int /*index*/) {}
  virtual void StartPage(TqdxReportPage* /*page*/, int /*index*/) {}
  // Bracket drawing that must be clipped to a view's rectangle.
  virtual void BeginClip(TqdxView* /*view*/) {}
  virtual void EndClip() {}
  // False for filters that render whole pages as images rather than
  // documents of their own.
  virtual bool ExportsAsDocument() const { return true; }

  // ---- published options ----
  bool GetShowDialog() const { return FShowDialog; }
  // Also drops the cached default transport, which depends on it.
  void SetShowDialog(bool value);
  const std::string& GetFileName() const { return FFileName; }
  // Also gives the current transport its folder and name.
  void SetFileName(const std::string& value);
  bool ExportNotPrintable = false;
  bool UseFileCache = true;
  std::string DefaultPath;
  bool ShowProgress = true;
  bool OverwritePrompt = false;
  double CreationTime = 0;  // days since 1899-12-30, local time; set at each run
  bool DataOnly = false;    // only objects whose parent is a data band
  TqdxCustomIOTransport* IOTransport = nullptr;
  TqdxExportNotify OnBeforeExport;
  TqdxExportNotify OnBeginExport;

  // ---- further state ----
  bool OpenAfterExport = false;  // published by the filters that offer it
  std::string PageNumbers;       // "1,3-5"; empty: all pages
  bool CurPage = false;          // only the current preview page
  // Page headers only on the first page, page footers only on the last.
  bool SuppressPageHeadersFooters = false;
  TqdxReport* Report = nullptr;   // the report being exported
  TStream* Stream = nullptr;      // output given by the caller instead of a file
  std::string DefaultExt;         // with its dot, ".pdf"
  bool ForPrinting = false;       // the filter runs as part of printing
  bool NoRegister() const { return FNoRegister; }

  // The default transport, created through CreateDefaultIOTransport when
  // missing; FreeDefaultIOTransport forgets it.
  TqdxCustomIOTransport* GetDefaultIOTransport();
  TqdxCustomIOTransport* DefaultIOTransport() const { return FDefaultIOTransport.get(); }
  void FreeDefaultIOTransport();
  // Where the main output goes: Stream when the caller gave one, else the
  // transport's stream for FileName.
  TStream* OutputStream();

  // Text of the published event properties: empty when no handler is set.
  std::string GetOnBeforeExportText() const { return OnBeforeExport ? "OnBeforeExport" : ""; }
  std::string GetOnBeginExportText() const { return OnBeginExport ? "OnBeginExport" : ""; }

private:
  bool FShowDialog = true;
  std::string FFileName;
  bool FNoRegister;
  std::unique_ptr<TqdxCustomIOTransport> FDefaultIOTransport;
};

// One entry of the filter registry.
struct TqdxExportFilterItem {
  TqdxCustomExportFilter* Filter = nullptr;
};

// The registry: the living filters in creation order.
const std::vector<TqdxExportFilterItem>& ExportFilters();
// The first registered filter whose class name equals className exactly, or null.
TqdxCustomExportFilter* qdxFindExportFilter(const std::string& className);
