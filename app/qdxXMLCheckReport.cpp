#include "app/qdxXMLCheckReport.h"

#include "document/qdxXML.h"
#include "export/qdxExportFilter.h"
#include "platform/FileUtils.h"

void TqdxXMLCheckReport::LoadFromFile(const std::string& fileName) {
  TqdxXMLDocument doc;
  doc.LoadFromFile(fileName);
  if (!SameText(doc.Root()->Name(), "preparedreport")) throw TqdxInvalidXMLException();
}

bool TqdxXMLCheckReport::Export(TqdxCustomExportFilter& filter) {
  FErrors.push_back("The export filter " + filter.ClassName() + " cannot run yet: report pages are not built in this build");
  return false;
}

bool TqdxXMLCheckReport::Print() {
  FErrors.push_back("Printing is not available in this build");
  return false;
}
