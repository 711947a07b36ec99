#include "export/qdxExportFilter.h"

#include <algorithm>

namespace {
std::vector<TqdxCustomExportFilter*>& Registry() {
  static std::vector<TqdxCustomExportFilter*> filters;
  return filters;
}
}  // namespace

TqdxCustomExportFilter::TqdxCustomExportFilter() { Registry().push_back(this); }

TqdxCustomExportFilter::~TqdxCustomExportFilter() {
  auto& r = Registry();
  r.erase(std::remove(r.begin(), r.end(), this), r.end());
}

const std::vector<TqdxCustomExportFilter*>& qdxExportFilters() { return Registry(); }

TqdxCustomExportFilter* qdxFindExportFilter(const std::string& className) {
  for (TqdxCustomExportFilter* f : Registry())
    if (f->ClassName() == className) return f;
  return nullptr;
}
