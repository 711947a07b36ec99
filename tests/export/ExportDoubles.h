#pragma once
// Stand-ins for the export tests: prepared pages held in memory, small pages
// with the usual bands, and a filter that records every call the run makes.

#include "document/qdxClass.h"
#include "document/qdxPreviewPages.h"
#include "export/qdxExportBaseDialog.h"
#include "export/qdxIOTransport.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Prepared pages that are simply a list of built pages.
class TMemoryPages : public TqdxCustomPreviewPages {
public:
  explicit TMemoryPages(TqdxReport* report) : TqdxCustomPreviewPages(report) {}

  int Count() override { return static_cast<int>(Pages.size()); }
  TqdxReportPage* GetPage(int index) override {
    return index >= 0 && index < Count() ? Pages[static_cast<size_t>(index)].get() : nullptr;
  }
  std::pair<int, int> GetPageSize(int) override { return {794, 1123}; }
  void Clear() override { Pages.clear(); }
  int GetAnchorPage(const std::string&) override { return -1; }
  void ClearPageCache() override { ++CacheClears; }

  std::vector<std::unique_ptr<TqdxReportPage>> Pages;
  int CacheClears = 0;
};

template <class T>
T* AddObject(TqdxComponent& parent, const std::string& name, double left = 0, double top = 0) {
  auto* obj = static_cast<T*>(parent.AddChild(std::make_unique<T>()));
  obj->Name = name;
  obj->SetBounds(left, top, 100, 20);
  return obj;
}

// A page with a page header H (memo HM), a data band D (memo M holding a
// nested memo N, and a memo X visible only in preview and print) and a page
// footer F (memo FM).
inline std::unique_ptr<TqdxReportPage> MakeBandedPage() {
  auto page = std::make_unique<TqdxReportPage>();
  page->Name = "Page1";
  page->LeftMargin = 10;
  page->RightMargin = 20;
  page->TopMargin = 5;
  page->BottomMargin = 5;
  auto* header = AddObject<TqdxPageHeader>(*page, "H", 0, 0);
  AddObject<TqdxMemoView>(*header, "HM");
  auto* data = AddObject<TqdxMasterData>(*page, "D", 0, 40);
  auto* memo = AddObject<TqdxMemoView>(*data, "M", 7, 3);
  AddObject<TqdxMemoView>(*memo, "N");
  AddObject<TqdxMemoView>(*data, "X")->Visibility = qdxBit(vsPreview) | qdxBit(vsPrint);
  auto* footer = AddObject<TqdxPageFooter>(*page, "F", 0, 1000);
  AddObject<TqdxMemoView>(*footer, "FM");
  return page;
}

// A report with count banded pages in memory.
struct TBandedReport {
  explicit TBandedReport(int count) : Pages(&Report) {
    Report.PreviewPages = &Pages;
    Report.GetEngineOptions()->NewSilentMode = simSilent;
    for (int i = 0; i < count; ++i) Pages.Pages.push_back(MakeBandedPage());
  }
  TqdxReport Report;
  TMemoryPages Pages;
};

// Records the run's calls as text: "Start", "StartPage 0", "Object M",
// "FinishPage 0", "Finish", "AfterFinish". Writes one line per object to its
// output file unless NoOutput is set.
class TRecordingFilter : public TqdxBaseDialogExportFilter {
public:
  QDX_CLASS(TRecordingFilter)
  explicit TRecordingFilter(TqdxBaseComponent* owner = nullptr) : TqdxBaseDialogExportFilter(owner, true) {
    SetShowDialog(false);
    ShowProgress = false;
  }

  bool Start() override {
    Log.push_back("Start");
    if (!NoOutput) Out = OutputStream();
    return StartResult;
  }
  void StartPage(TqdxReportPage*, int index) override { Log.push_back("StartPage " + std::to_string(index)); }
  void ExportObject(TqdxComponent* obj) override {
    Log.push_back("Object " + obj->Name);
    Objects.push_back(obj->Name);
    if (auto* memo = dynamic_cast<TqdxCustomMemoView*>(obj)) Texts.push_back(memo->Text());
    Placed.emplace_back(obj->Name, obj->AbsLeft());
    if (Out != nullptr) Out->WriteString(obj->Name + "\n");
    if (OnObject) OnObject(*obj);
  }
  void FinishPage(TqdxReportPage*, int index) override { Log.push_back("FinishPage " + std::to_string(index)); }
  void Finish() override {
    Log.push_back("Finish");
    if (Out != nullptr) IOTransport->FreeStream(Out);
    Out = nullptr;
  }
  void AfterFinish() override { Log.push_back("AfterFinish"); }

  // Object names, pages excluded.
  std::vector<std::string> Log, Objects;
  std::vector<std::u16string> Texts;
  std::vector<std::pair<std::string, double>> Placed;  // name, AbsLeft
  bool StartResult = true;
  bool NoOutput = false;
  std::function<void(TqdxComponent&)> OnObject;

private:
  TStream* Out = nullptr;
};
