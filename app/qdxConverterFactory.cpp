#include "app/qdxConverterFactory.h"

#include "app/qdxReportAdapter.h"
#include "export/qdxExportFilter.h"
#include "export/qdxFilterSettings.h"
#include "export/pdf/qdxExportPDF.h"
#include "export/table/qdxExportCSV.h"
#include "export/table/qdxExportText.h"

TQDPConverterEnv DefaultConverterEnv() {
  TQDPConverterEnv env;
  env.CreateReport = [] { return std::make_unique<TqdxReportAdapter>(); };
  // Filters join this list, in format-table order (qdxFormats.h), as they
  // are built: PDF, HTML, HTML5, RTF, DOCX, XLSX, PPTX, BIFF8, ODT, ODS, SVG,
  // BMP, JPG, TIFF, GIF, XML, CSV, TEXT.
  env.CreateFilters = [] {
    std::vector<std::unique_ptr<TqdxCustomExportFilter>> filters;
    filters.push_back(std::make_unique<TqdxPDFExport>());
    filters.push_back(std::make_unique<TqdxCSVExport>());
    filters.push_back(std::make_unique<TqdxSimpleTextExport>());
    return filters;
  };
  env.TransferSettings = TransferFilterSettings;
  return env;
}
