// The converter on the real report: a QDP file loaded into prepared pages,
// exported by a filter with the options from settings.ini; a failing export
// is reported once on standard error and leaves no output.

#include "app/qdxConverterFactory.h"
#include "app/qdxProgram.h"
#include "document/qdxClass.h"
#include "document/qdxPreviewPages.h"
#include "export/qdxExportFilter.h"
#include "export/qdxIOTransport.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace {

// A stand-in for the CSV filter: one line per object, and an error at the
// object named FailAt.
class TLineFilter : public TqdxCustomExportFilter {
public:
  const TqdxClassInfo& ClassInfo() const override {
    static const TqdxClassInfo info("TqdxCSVExport", &TqdxCustomExportFilter::StaticClassInfo(), nullptr);
    return info;
  }
  bool Start() override {
    FOut = OutputStream();
    return true;
  }
  void ExportObject(TqdxComponent* obj) override {
    if (obj->Name == FailAt) throw std::runtime_error("cannot write " + obj->Name);
    FOut->WriteString(obj->Name + "\n");
  }
  void Finish() override { IOTransport->FreeStream(FOut); }

  static inline std::string FailAt;

private:
  TStream* FOut = nullptr;
};

void WriteReport(const std::string& fileName) {
  auto make = [] {
    auto page = std::make_unique<TqdxReportPage>();
    page->Name = "Page1";
    auto* header = page->AddChild(std::make_unique<TqdxPageHeader>());
    header->Name = "Header";
    auto* data = page->AddChild(std::make_unique<TqdxMasterData>());
    data->Name = "Data";
    data->SetBounds(0, 40, 700, 20);
    auto* memo = data->AddChild(std::make_unique<TqdxMemoView>());
    memo->Name = "Cell";
    memo->SetBounds(0, 0, 100, 20);
    return page;
  };
  TqdxReport report;
  TqdxPreviewPages pages(&report);
  pages.AddSourcePage(make());
  pages.AddPage(0, *make());
  pages.AddPage(0, *make());
  pages.SaveToFile(fileName);
}

struct TRun {
  int Code;
  std::string Err;
};

TRun Convert(const TTempDir& dir, const std::string& failAt) {
  TLineFilter::FailAt = failAt;
  TQDPConverterEnv env = DefaultConverterEnv();
  env.SettingsFile = dir / "settings.ini";
  env.CreateFilters = [] {
    std::vector<std::unique_ptr<TqdxCustomExportFilter>> filters;
    filters.push_back(std::make_unique<TLineFilter>());
    return filters;
  };
  std::ostringstream out, err;
  int code = QDPConverterMain({dir / "r.qdp", "--OUTPUT=CSV"}, out, err, std::move(env));
  return {code, err.str()};
}

std::vector<std::string> Files(const TTempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(ExportWiring, ConvertsWithTheFiltersSettings) {
  TTempDir dir;
  WriteReport(dir / "r.qdp");
  WriteWholeFile(dir / "settings.ini", "[TqdxCSVExport]\nDataOnly=1\n");
  TRun r = Convert(dir, "");
  EXPECT_EQ(r.Code, 0);
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(ReadWholeFile(dir / "r.csv"), "Cell\nCell\n");
}

TEST(ExportWiring, AFailingExportExits1WithItsMessageOnceAndNoOutput) {
  TTempDir dir;
  WriteReport(dir / "r.qdp");
  TRun r = Convert(dir, "Cell");
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Err, dir / "r.qdp" + ": The following error(s) have occured:\ncannot write Cell\n");
  EXPECT_EQ(Files(dir), (std::vector<std::string>{"r.qdp", "settings.ini"}));

  // A file from an earlier run survives a failed one.
  WriteWholeFile(dir / "r.csv", "earlier");
  r = Convert(dir, "Data");
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(ReadWholeFile(dir / "r.csv"), "earlier");
  EXPECT_EQ(Files(dir), (std::vector<std::string>{"r.csv", "r.qdp", "settings.ini"}));
}
