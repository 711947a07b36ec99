#include "export/qdxExportRun.h"

#include "document/qdxClass.h"
#include "document/qdxNumbers.h"
#include "document/qdxPreviewPages.h"
#include "export/qdxExportFilter.h"
#include "export/qdxIOTransport.h"
#include "platform/FileUtils.h"
#include "platform/MessageBox.h"

#include "document/qdxUtils.h"

#include <ctime>
#include <exception>

namespace {

TqdxAutoWidthProc& AutoWidthProc() {
  // The text object measures itself unless a caller put something else here.
  static TqdxAutoWidthProc proc = [](TqdxCustomMemoView& memo) { memo.CalcAutoWidth(); };
  return proc;
}

// Days since 1899-12-30 in local time, the date-time form of the filters.
double NowAsDateTime() {
  std::time_t t = std::time(nullptr);
  std::tm local {};
  localtime_r(&t, &local);
  return (static_cast<double>(t) + static_cast<double>(local.tm_gmtoff)) / 86400.0 + 25569.0;
}



std::u16string AsciiToUtf16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

bool IsTerminated(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const EqdxExportTerminated&) {
    return true;
  } catch (...) {
    return false;
  }
}

std::string MessageOf(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& x) {
    return x.what();
  } catch (...) {
    return "Unknown error";
  }
}

// One run of a filter over the pages.
class TExportRun {
public:
  TExportRun(TqdxCustomPreviewPages& pages, TqdxCustomExportFilter& filter, TqdxCustomIOTransport& transport,
             const TqdxPageNumbers& numbers)
      : FPages(pages), FFilter(filter), FTransport(transport), FNumbers(numbers), FReport(pages.Report()) {}

  // Never raises: every error, the termination signal included, lands in Errors.
  void Run() {
    try {
      RunPages();
    } catch (...) {
      Fail(std::current_exception());
    }
    Errors.insert(Errors.end(), FLaterErrors.begin(), FLaterErrors.end());
  }

  std::vector<std::exception_ptr> Errors;

private:
  void Fail(std::exception_ptr e) {
    // A terminated run keeps its output; any other error discards it.
    if (!IsTerminated(e)) FTransport.MarkFailed();
    Errors.push_back(std::move(e));
  }

  void RunPages() {
    if (FFilter.OnBeginExport) FFilter.OnBeginExport(FFilter);
    FFilter.PrepareFileName();
    if (!FFilter.Start()) return;
    // The progress display and the processing of window messages between
    // pages belong to the windowing layer; a command-line run has neither.
    FCount = FPages.Count();
    try {
      for (int i = 0; i < FCount; ++i) ExportPage(i);
    } catch (...) {
      Fail(std::current_exception());
    }
    // The filter closes its document whatever happened to the pages.
    try {
      FFilter.Finish();
      FFilter.AfterFinish();
    } catch (...) {
      Fail(std::current_exception());
    }
  }

  void ExportPage(int i) {
    if (!FNumbers.Contains(static_cast<int64_t>(i) + 1)) return;
    TqdxReportPage* page = FPages.GetPage(i);
    if (page == nullptr) return;
    try {
      FFilter.StartPage(page, i);
      PlacePage(*page, i);
      OfferBackground(*page);
      // A copy: a filter may not change the list, but a stale iterator would
      // be a crash rather than an error.
      const std::vector<TqdxComponent*> entries = page->Objects();
      for (TqdxComponent* entry : entries) {
        if (FFilter.SuppressPageHeadersFooters) {
          if (dynamic_cast<TqdxPageHeader*>(entry) != nullptr && i != 0) continue;
          if (dynamic_cast<TqdxPageFooter*>(entry) != nullptr && i + 1 != FCount) continue;
        }
        Offer(*entry);
        const std::vector<TqdxComponent*> children = entry->Objects();
        for (TqdxComponent* child : children) Offer(*child);
      }
    } catch (...) {
      std::exception_ptr error = std::current_exception();
      if (!IsTerminated(error)) FTransport.MarkFailed();
      try {
        FFilter.FinishPage(page, i);
      } catch (...) {
        FLaterErrors.push_back(std::current_exception());
      }
      std::rethrow_exception(error);
    }
    FFilter.FinishPage(page, i);
    // Without a preview window nobody needs the built pages again: keep at
    // most one in memory.
    FPages.ClearPageCache();
  }

  // From here on AbsLeft/AbsTop of every object are measured from the
  // paper's top-left corner.
  void PlacePage(TqdxReportPage& page, int i) {
    page.SetLeft(page.LeftMarginOf(i) * qd01cm);
    page.SetTop(page.TopMargin * qd01cm);
  }

  void OfferBackground(TqdxReportPage& page) {
    TqdxPictureView background;
    background.Name = "_pagebackground";
    background.SetColor(page.Color);
    background.GetFrame()->Assign(*page.GetFrame());
    background.GetPicture()->Assign(*page.GetBackPicture());
    background.Stretched = true;
    background.KeepAspectRatio = false;
    background.SetBounds(page.GetLeft(), page.GetTop(),
                         page.GetWidth() - (page.LeftMargin + page.RightMargin) * qd01cm,
                         page.GetHeight() - (page.TopMargin + page.BottomMargin) * qd01cm);
    Offer(background);
  }

  void Offer(TqdxComponent& obj) {
    if (FFilter.DataOnly && qdxAs<TqdxDataBand>(obj.Parent()) == nullptr) return;
    if (auto* view = qdxAs<TqdxView>(&obj); view != nullptr && !view->IsVisibleIn(vsExport)) return;
    if (auto* memo = qdxAs<TqdxCustomMemoView>(&obj)) PrepareMemo(*memo);
    if (!obj.ExportItself(&FFilter)) FFilter.ExportObject(&obj);
    if (FReport != nullptr && FReport->Terminated) throw EqdxExportTerminated();
  }

  void PrepareMemo(TqdxCustomMemoView& memo) {
    memo.TotalPages = FCount;
    memo.CopyNo = 1;
    if (memo.AllowExpressions) {
      const std::u16string total = AsciiToUtf16(std::to_string(FCount));
      // The copy name comes from the report variable "CopyName" + copy
      // number; prepared reports carry no variables, so it is empty.
      const std::u16string copyName;
      for (std::u16string& line : memo.Memo) {
        qdxReplaceIgnoringCase(line, u"[TOTALPAGES#]", total);
        qdxReplaceIgnoringCase(line, u"[COPYNAME#]", copyName);
      }
    }
    if (memo.AutoWidth && AutoWidthProc() != nullptr) AutoWidthProc()(memo);
  }

  TqdxCustomPreviewPages& FPages;
  TqdxCustomExportFilter& FFilter;
  TqdxCustomIOTransport& FTransport;
  const TqdxPageNumbers& FNumbers;
  TqdxReport* FReport;
  int FCount = 0;
  // Errors raised while cleaning up after another one; reported after it.
  std::vector<std::exception_ptr> FLaterErrors;
};

// Puts the filter back as the run found it, whatever way the run ends.
class TFilterRestore {
public:
  TFilterRestore(TqdxCustomExportFilter& filter, TqdxCustomIOTransport* transport, bool isDefault)
      : FFilter(filter), FTransport(transport), FIsDefault(isDefault), FSavedTransport(filter.IOTransport),
        FSavedFileName(filter.GetFileName()), FSavedPageNumbers(filter.PageNumbers) {}

  ~TFilterRestore() {
    if (!FClosed) {
      FTransport->MarkFailed();
      try {
        Close();
      } catch (const std::exception&) {
      }
    }
  }

  // Closes the transport and restores the filter; raises when closing fails
  // (the output could not be stored).
  void Close() {
    FClosed = true;
    std::exception_ptr error;
    try {
      FTransport->CloseConnection();
    } catch (...) {
      error = std::current_exception();
    }
    FFilter.IOTransport = FSavedTransport;
    FFilter.SetFileName(FSavedFileName);
    FFilter.PageNumbers = FSavedPageNumbers;
    if (FIsDefault) FFilter.FreeDefaultIOTransport();
    if (error) std::rethrow_exception(error);
  }

private:
  TqdxCustomExportFilter& FFilter;
  TqdxCustomIOTransport* FTransport;
  bool FIsDefault;
  TqdxCustomIOTransport* FSavedTransport;
  std::string FSavedFileName;
  std::string FSavedPageNumbers;
  bool FClosed = false;
};

}  // namespace

void qdxSetAutoWidthProc(TqdxAutoWidthProc proc) { AutoWidthProc() = proc; }

bool qdxExportPreviewPages(TqdxCustomPreviewPages& pages, TqdxCustomExportFilter* filter) {
  if (filter == nullptr) return false;
  TqdxReport* report = pages.Report();
  filter->CreationTime = NowAsDateTime();
  filter->Report = report;
  if (filter->OnBeforeExport) filter->OnBeforeExport(*filter);
  if (filter->GetShowDialog() && filter->ShowModal() != qdxModalOk) return false;

  const bool isDefault = filter->IOTransport == nullptr;
  TqdxCustomIOTransport* transport = isDefault ? filter->GetDefaultIOTransport() : filter->IOTransport;
  TFilterRestore restore(*filter, transport, isDefault);
  filter->IOTransport = transport;
  const std::string& fileName = filter->GetFileName();
  std::string folder = ExtractFilePath(fileName);
  transport->BasePath = folder.empty() && !filter->DefaultPath.empty()
                            ? IncludeTrailingPathDelimiter(filter->DefaultPath)
                            : folder;
  transport->DefaultExt = filter->DefaultExt;
  transport->FileName = fileName;
  transport->Report = report;
  transport->OverwritePrompt = filter->OverwritePrompt;
  transport->FileAccess = faWrite;

  if (!transport->OpenConnection()) {
    restore.Close();
    return false;
  }
  // A dialog transport may have chosen another name.
  filter->SetFileName(transport->FileName);
  // Without a preview window the current page is the first.
  if (filter->CurPage) filter->PageNumbers = "1";
  if (report != nullptr) report->Terminated = false;

  // A bad range is the caller's mistake and reaches the caller as it is.
  const TqdxPageNumbers numbers(filter->PageNumbers, pages.Count());

  TExportRun run(pages, *filter, *transport, numbers);
  run.Run();
  std::vector<std::string> messages;
  for (const std::exception_ptr& e : run.Errors)
    if (!IsTerminated(e)) messages.push_back(MessageOf(e));
  if (!messages.empty()) transport->MarkFailed();
  // Closing stores the output; when that fails the run has failed too.
  try {
    restore.Close();
  } catch (...) {
    messages.push_back(MessageOf(std::current_exception()));
  }
  if (messages.empty()) return true;

  std::vector<std::string> localErrors;
  std::vector<std::string>& errors = report != nullptr ? report->Errors : localErrors;
  for (std::string& m : messages) errors.push_back(std::move(m));
  std::string text = std::string(qdxExportErrorHeading) + "\r\n";
  for (const std::string& e : errors) text += e + "\r\n";
  TqdxSilentMode mode = report != nullptr ? report->GetEngineOptions()->NewSilentMode : simMessageBoxes;
  switch (mode) {
    case simMessageBoxes: ShowMessageBox(text, "Error", TMessageKind::mkError); break;
    case simReThrow: throw EqdxExportError(text);
    case simSilent: break;
  }
  return false;
}

bool TqdxReport::Export(TqdxCustomExportFilter* filter) {
  return PreviewPages != nullptr && qdxExportPreviewPages(*PreviewPages, filter);
}
