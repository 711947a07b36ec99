#include "app/qdxConverterFactory.h"

#include "app/qdxReportAdapter.h"
#include "export/qdxExportFilter.h"
#include "export/qdxFilterSettings.h"

TQDPConverterEnv DefaultConverterEnv() {
  TQDPConverterEnv env;
  env.CreateReport = [] { return std::make_unique<TqdxReportAdapter>(); };
  // Filters join this list, in format-table order, as they are built.
  env.CreateFilters = [] { return std::vector<std::unique_ptr<TqdxCustomExportFilter>>(); };
  env.TransferSettings = TransferFilterSettings;
  return env;
}
