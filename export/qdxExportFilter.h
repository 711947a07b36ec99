#pragma once
// The base of every export filter and the registry in which filters enter
// themselves. A filter registers when it is created and leaves when it is
// destroyed, so the registry lists the living filters in creation order.

#include <string>
#include <vector>

class TqdxCustomExportFilter {
public:
  TqdxCustomExportFilter();
  virtual ~TqdxCustomExportFilter();
  TqdxCustomExportFilter(const TqdxCustomExportFilter&) = delete;
  TqdxCustomExportFilter& operator=(const TqdxCustomExportFilter&) = delete;

  virtual std::string ClassName() const = 0;
  virtual std::string GetDescription() const { return {}; }

  // The options the converter sets before each run.
  std::string FileName;
  bool ShowDialog = true;
  bool ShowProgress = true;
  bool OpenAfterExport = false;
};

// The living filters in creation order.
const std::vector<TqdxCustomExportFilter*>& qdxExportFilters();
// The first registered filter whose class name equals name exactly, or null.
TqdxCustomExportFilter* qdxFindExportFilter(const std::string& className);
