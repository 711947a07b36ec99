// The filter base: published properties and initial values, the registry,
// file names and transports, and the options-dialog contract.

#include "export/qdxExportFilter.h"
#include "tests/TestSupport.h"
#include "tests/export/ExportDoubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

class TPlainFilter : public TqdxCustomExportFilter {
public:
  using TqdxCustomExportFilter::TqdxCustomExportFilter;
  void ExportObject(TqdxComponent*) override {}
};

size_t RegistryIndexOf(const TqdxCustomExportFilter* f) {
  const auto& items = ExportFilters();
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].Filter == f) return i;
  return SIZE_MAX;
}

}  // namespace

TEST(ExportFilter, PublishedPropertiesAndInitialValues) {
  std::vector<std::string> names;
  for (const TqdxPropInfo* p : TqdxCustomExportFilter::StaticClassInfo().Properties()) names.push_back(p->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "ShowDialog", "FileName", "ExportNotPrintable",
                                             "UseFileCache", "DefaultPath", "ShowProgress", "OverwritePrompt",
                                             "CreationTime", "DataOnly", "IOTransport", "OnBeforeExport",
                                             "OnBeginExport"}));
  TPlainFilter f;
  EXPECT_TRUE(f.GetShowDialog());
  EXPECT_EQ(f.GetFileName(), "");
  EXPECT_FALSE(f.ExportNotPrintable);
  EXPECT_TRUE(f.UseFileCache);
  EXPECT_TRUE(f.ShowProgress);
  EXPECT_FALSE(f.OverwritePrompt);
  EXPECT_FALSE(f.DataOnly);
  EXPECT_EQ(f.IOTransport, nullptr);
  EXPECT_FALSE(f.OpenAfterExport);
  EXPECT_FALSE(f.CurPage);
  EXPECT_FALSE(f.SuppressPageHeadersFooters);
  EXPECT_FALSE(f.ForPrinting);
  EXPECT_EQ(f.PageNumbers, "");
  EXPECT_TRUE(f.ExportsAsDocument());
  EXPECT_EQ(f.ShowModal(), qdxModalOk);
  EXPECT_TRUE(f.Start());
  // Properties write through their setters.
  const TqdxPropInfo* showDialog = f.ClassInfo().FindProperty("ShowDialog");
  showDialog->SetOrd(f, 0);
  EXPECT_FALSE(f.GetShowDialog());
  EXPECT_EQ(f.ClassInfo().FindProperty("OnBeginExport")->GetStr(f), "");
  f.OnBeginExport = [](TqdxCustomExportFilter&) {};
  EXPECT_EQ(f.ClassInfo().FindProperty("OnBeginExport")->GetStr(f), "OnBeginExport");
}

TEST(ExportFilter, RegistryKeepsLivingFiltersInCreationOrder) {
  size_t before = ExportFilters().size();
  auto a = std::make_unique<TPlainFilter>();
  auto hidden = std::make_unique<TPlainFilter>(nullptr, true);
  auto b = std::make_unique<TPlainFilter>();
  ASSERT_EQ(ExportFilters().size(), before + 2);
  EXPECT_EQ(RegistryIndexOf(a.get()), before);
  EXPECT_EQ(RegistryIndexOf(b.get()), before + 1);
  EXPECT_EQ(RegistryIndexOf(hidden.get()), SIZE_MAX);
  EXPECT_TRUE(hidden->NoRegister());
  a.reset();
  EXPECT_EQ(ExportFilters().size(), before + 1);
  EXPECT_EQ(RegistryIndexOf(b.get()), before);
  EXPECT_EQ(qdxFindExportFilter("TqdxCustomExportFilter"), b.get());
  b.reset();
  EXPECT_EQ(qdxFindExportFilter("TqdxNoSuchExport"), nullptr);
}

TEST(ExportFilter, FileNameAndDialogFlagReachTheTransport) {
  TPlainFilter f;
  TqdxCustomIOTransport* t = f.GetDefaultIOTransport();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->ClassName(), "TqdxIOTransportFile");  // no dialog transport on the command line
  EXPECT_EQ(f.GetDefaultIOTransport(), t);
  f.IOTransport = t;
  f.SetFileName("/out/report.pdf");
  EXPECT_EQ(t->BasePath, "/out/");
  EXPECT_EQ(t->FileName, "/out/report.pdf");
  f.DefaultPath = "/default";
  f.SetFileName("bare.pdf");
  EXPECT_EQ(t->BasePath, "/default/");
  // The default transport depends on ShowDialog: changing it drops the transport.
  f.SetShowDialog(false);
  EXPECT_EQ(f.DefaultIOTransport(), nullptr);
  EXPECT_EQ(f.IOTransport, nullptr);
}

TEST(ExportFilter, PrepareFileNameCompletesTheName) {
  TPlainFilter f;
  f.DefaultPath = "/reports";
  f.SetFileName("a.csv");
  f.PrepareFileName();
  EXPECT_EQ(f.GetFileName(), "/reports/a.csv");
  f.SetFileName("/x/b.csv");
  f.PrepareFileName();
  EXPECT_EQ(f.GetFileName(), "/x/b.csv");

  // Printing without a name: a temporary file named after the report.
  TqdxReport report;
  report.FileName = "/data/sales.qdp";
  TPlainFilter p;
  p.ForPrinting = true;
  p.DefaultExt = ".pdf";
  p.Report = &report;
  p.PrepareFileName();
  EXPECT_EQ(p.GetFileName(), qdxTempFolder() + "sales.pdf");
  report.FileName.clear();
  p.SetFileName("");
  p.PrepareFileName();
  std::string fresh = p.GetFileName();
  EXPECT_EQ(fresh.rfind(qdxTempFolder(), 0), 0u);
  EXPECT_EQ(fresh.substr(fresh.size() - 4), ".pdf");
  EXPECT_TRUE(std::filesystem::exists(fresh));  // the name is taken
  std::filesystem::remove(fresh);
}

namespace {

// An options dialog that edits DataOnly.
struct TDialogScript {
  int Result = qdxModalOk;
  std::vector<std::string> Calls;
};
TDialogScript Script;

class TTestDialog : public TqdxBaseExportDialog {
public:
  void ReadFromFilter(TqdxBaseDialogExportFilter& f) override {
    Script.Calls.push_back(std::string("read ") + (f.DataOnly ? "1" : "0"));
  }
  int ShowModal() override {
    Script.Calls.push_back("show");
    return Script.Result;
  }
  void WriteToFilter(TqdxBaseDialogExportFilter& f) override {
    Script.Calls.push_back("write");
    f.DataOnly = true;
  }
};

class TDialogFilter : public TRecordingFilter {
public:
  TqdxExportDialogClass DialogClass() const override {
    return [](TqdxBaseDialogExportFilter&) -> std::unique_ptr<TqdxBaseExportDialog> {
      return std::make_unique<TTestDialog>();
    };
  }
};

}  // namespace

TEST(ExportFilter, OptionsDialogReadsShowsAndWritesBackOnOk) {
  struct TCase {
    int Result;
    bool CallerStream;
    std::vector<std::string> Calls;
    bool DataOnly;
  } cases[] = {
      {qdxModalOk, false, {"read 0", "show", "write"}, true},
      {qdxModalCancel, false, {"read 0", "show"}, false},
      {qdxModalCancel, true, {}, false},  // a caller's stream needs no dialog
  };
  for (const TCase& c : cases) {
    Script = {};
    Script.Result = c.Result;
    TDialogFilter f;
    TMemoryStream stream;
    if (c.CallerStream) f.Stream = &stream;
    EXPECT_EQ(f.ShowModal(), c.CallerStream ? qdxModalOk : c.Result);
    EXPECT_EQ(Script.Calls, c.Calls);
    EXPECT_EQ(f.DataOnly, c.DataOnly);
  }
  // Without a dialog the filter goes on with its options.
  TRecordingFilter plain;
  EXPECT_EQ(plain.ShowModal(), qdxModalOk);
}
