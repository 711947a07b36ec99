#pragma once
// Shared by the PDF tests: the uncompressed content stream of one page that
// holds the given objects.

#include "document/qdxClass.h"
#include "export/pdf/qdxExportPDF.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::string PdfPageContent(const std::vector<TqdxView*>& views, bool background = false) {
  TqdxPDFExport f(nullptr, true);
  f.Compressed = false;
  f.Background = background;
  f.FixedFileID = std::string(32, 'b');
  TMemoryStream out;
  f.Stream = &out;
  EXPECT_TRUE(f.Start());
  TqdxReportPage page;
  f.StartPage(&page, 0);
  for (TqdxView* v : views) f.ExportObject(v);
  std::string content = f.Document()->CurrentPage()->Content().Data();
  f.FinishPage(&page, 0);
  f.Finish();
  return content;
}
