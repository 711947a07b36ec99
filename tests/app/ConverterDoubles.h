#pragma once
// A report and filters that stand in for the report library in the
// converter's tests. The report "loads" a file by reading it: content that
// begins with "bad" raises as a malformed file would, content with "fail"
// makes the export fail with two messages. A successful export writes a
// small file naming the source, so tests can see which pairs were converted.

#include "app/qdxConverterReport.h"
#include "app/qdxFormats.h"
#include "app/qdxQDPConverter.h"
#include "export/qdxExportFilter.h"
#include "tests/TestSupport.h"

#include <map>
#include <stdexcept>

// A filter that answers to any class name: each name gets a class
// description of its own below the filter base.
class TFakeFilter : public TqdxCustomExportFilter {
public:
  explicit TFakeFilter(const std::string& className) : FClass(ClassNamed(className)) {}
  const TqdxClassInfo& ClassInfo() const override { return FClass; }
  void ExportObject(TqdxComponent*) override {}

private:
  static const TqdxClassInfo& ClassNamed(const std::string& name) {
    static std::map<std::string, std::unique_ptr<TqdxClassInfo>> classes;
    auto& cls = classes[name];
    if (!cls) cls = std::make_unique<TqdxClassInfo>(name, &TqdxCustomExportFilter::StaticClassInfo(), nullptr);
    return *cls;
  }

  const TqdxClassInfo& FClass;
};

class TFakeReport : public TqdxConverterReport {
public:
  void LoadFromFile(const std::string& fileName) override {
    Loaded = ReadWholeFile(fileName);
    LoadedName = fileName;
    if (Loaded.rfind("bad", 0) == 0) throw std::runtime_error("Invalid file format");
  }
  bool Export(TqdxCustomExportFilter& filter) override {
    if (Loaded.find("fail") != std::string::npos) {
      FErrors = {"first problem", "second problem"};
      return false;
    }
    WriteWholeFile(filter.GetFileName(), filter.ClassName() + " from " + LoadedName);
    return true;
  }
  bool Print() override {
    WriteWholeFile(FPrint.FileName, "printed on " + FPrint.Printer);
    return true;
  }
  std::vector<std::string>& Errors() override { return FErrors; }
  void SetShowProgress(bool v) override { ShowProgress = v; }
  TQDPPrintSettings& PrintOptions() override { return FPrint; }

  std::string Loaded, LoadedName;
  bool ShowProgress = true;

private:
  std::vector<std::string> FErrors;
  TQDPPrintSettings FPrint;
};

// A converter environment with the fake report and one fake filter per
// format-table row, settings in the given file and a fixed clock.
inline TQDPConverterEnv FakeEnv(const std::string& settingsFile) {
  TQDPConverterEnv env;
  env.CreateReport = [] { return std::make_unique<TFakeReport>(); };
  env.CreateFilters = [] {
    std::vector<std::unique_ptr<TqdxCustomExportFilter>> filters;
    for (size_t row = 1; row < QDPFormats.size(); ++row)
      filters.push_back(std::make_unique<TFakeFilter>(std::string(QDPFormats[row].FilterClass)));
    return filters;
  };
  env.SettingsFile = settingsFile;
  env.Now = [] {
    std::tm t {};
    t.tm_mday = 5;
    t.tm_mon = 2;
    t.tm_year = 2026 - 1900;
    t.tm_hour = 7;
    t.tm_min = 8;
    t.tm_sec = 9;
    return t;
  };
  return env;
}
