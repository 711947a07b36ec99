#pragma once
// Link target of a view.

#include "document/qdxTypInfo.h"

#include <string>

enum TqdxHyperlinkKind : uint8_t { hkURL, hkAnchor, hkPageNumber, hkDetailReport, hkDetailPage, hkCustom };

class TqdxHyperlink : public TqdxPersistent {
public:
  QDX_CLASS(TqdxHyperlink)
  TqdxHyperlinkKind Kind = hkURL;
  std::string Value;  // the URL, anchor name or page number
  std::string Expression;
  std::string DetailReport;
  std::string DetailPage;
  std::string ReportVariable;
  std::string TabCaption;
  std::string ValuesSeparator = ";";
};
