#include "export/qdxExportFilter.h"

#include "document/qdxClassBuilder.h"
#include "document/qdxReport.h"
#include "export/qdxIOTransport.h"
#include "platform/FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace {
std::vector<TqdxExportFilterItem>& Registry() {
  static std::vector<TqdxExportFilterItem> filters;
  return filters;
}
}  // namespace

const TqdxClassInfo& TqdxCustomExportFilter::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxCustomExportFilter>(
      "TqdxCustomExportFilter", &TqdxBaseComponent::StaticClassInfo(),
      [](TqdxClassBuilder<TqdxCustomExportFilter>& Reg) {
        using F = TqdxCustomExportFilter;
        Reg.Bool("ShowDialog", &F::GetShowDialog, &F::SetShowDialog).Default(true);
        Reg.Str("FileName", &F::GetFileName, &F::SetFileName);
        Reg.Bool("ExportNotPrintable", &F::ExportNotPrintable).Default(false);
        Reg.Bool("UseFileCache", &F::UseFileCache).Default(true);
        Reg.Str("DefaultPath", &F::DefaultPath);
        Reg.Bool("ShowProgress", &F::ShowProgress).Default(true);
        Reg.Bool("OverwritePrompt", &F::OverwritePrompt).Default(false);
        Reg.Float("CreationTime", &F::CreationTime);
        Reg.Bool("DataOnly", &F::DataOnly).Default(false);
        Reg.Ref("IOTransport", &F::IOTransport);
        // Handlers are set from code; the properties only tell whether one is.
        Reg.Event("OnBeforeExport", &F::GetOnBeforeExportText, nullptr);
        Reg.Event("OnBeginExport", &F::GetOnBeginExportText, nullptr);
      });
  return info;
}

TqdxCustomExportFilter::TqdxCustomExportFilter(TqdxBaseComponent* owner, bool noRegister)
    : TqdxBaseComponent(owner), FNoRegister(noRegister) {
  auto& r = Registry();
  bool present = std::any_of(r.begin(), r.end(), [this](const TqdxExportFilterItem& i) { return i.Filter == this; });
  if (!present && !FNoRegister) r.push_back({this});
}

TqdxCustomExportFilter::~TqdxCustomExportFilter() {
  auto& r = Registry();
  r.erase(std::remove_if(r.begin(), r.end(), [this](const TqdxExportFilterItem& i) { return i.Filter == this; }),
          r.end());
}

void TqdxCustomExportFilter::SetShowDialog(bool value) {
  FShowDialog = value;
  FreeDefaultIOTransport();
}

void TqdxCustomExportFilter::SetFileName(const std::string& value) {
  FFileName = value;
  if (IOTransport != nullptr) {
    std::string folder = ExtractFilePath(value);
    IOTransport->BasePath = !folder.empty() || DefaultPath.empty() ? folder : IncludeTrailingPathDelimiter(DefaultPath);
    IOTransport->FileName = value;
  }
}

void TqdxCustomExportFilter::PrepareFileName() {
  if (ForPrinting && FFileName.empty()) {
    std::string name;
    std::string reportFile = Report != nullptr ? ExtractFileName(Report->FileName) : std::string();
    if (!reportFile.empty()) {
      name = qdxTempFolder() + ChangeFileExt(reportFile, DefaultExt);
    } else {
      // A fresh name that no one else can take.
      std::string tmpl = qdxTempFolder() + "qdx.XXXXXX" + DefaultExt;
      int fd = ::mkstemps(tmpl.data(), static_cast<int>(DefaultExt.size()));
      if (fd < 0) throw std::runtime_error("Cannot create a temporary file in \"" + qdxTempFolder() + "\". " +
                                           std::strerror(errno));
      ::close(fd);
      name = tmpl;
    }
    SetFileName(name);
  }
  if (!FFileName.empty() && ExtractFilePath(FFileName).empty() && !DefaultPath.empty())
    SetFileName(IncludeTrailingPathDelimiter(DefaultPath) + FFileName);
}

std::unique_ptr<TqdxCustomIOTransport> TqdxCustomExportFilter::CreateDefaultIOTransport() {
  TqdxTransportFactory dialog = qdxDialogTransportFactory();
  if (FShowDialog && dialog != nullptr && !ForPrinting) return dialog(this);
  return std::make_unique<TqdxIOTransportFile>(this);
}

TqdxCustomIOTransport* TqdxCustomExportFilter::GetDefaultIOTransport() {
  if (!FDefaultIOTransport) FDefaultIOTransport = CreateDefaultIOTransport();
  return FDefaultIOTransport.get();
}

void TqdxCustomExportFilter::FreeDefaultIOTransport() {
  if (FDefaultIOTransport && IOTransport == FDefaultIOTransport.get()) IOTransport = nullptr;
  FDefaultIOTransport.reset();
}

TStream* TqdxCustomExportFilter::OutputStream() {
  if (Stream != nullptr) return Stream;
  if (IOTransport == nullptr) throw std::runtime_error("The export filter " + ClassName() + " has no output");
  return IOTransport->GetStream();
}

const std::vector<TqdxExportFilterItem>& ExportFilters() { return Registry(); }

TqdxCustomExportFilter* qdxFindExportFilter(const std::string& className) {
  for (const TqdxExportFilterItem& item : Registry())
    if (item.Filter->ClassName() == className) return item.Filter;
  return nullptr;
}
