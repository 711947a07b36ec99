// libFuzzer target: plays arbitrary bytes as a metafile into a PDF page.
// Any crash, hang or sanitizer report is a fault of the interpreter.
#include "export/pdf/qdxEMFtoPDFExport.h"
#include "export/pdf/qdxPDFDocument.h"
#include "platform/Streams.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view emf(reinterpret_cast<const char*>(data), size);
  TMemoryStream file;
  TqdxPDFDocument doc;
  doc.Options().Compressed = false;
  doc.BeginDocument(file);
  doc.AddPage(200, 200);
  std::string content;
  try {
    TEMFtoPDFExport exp(emf, false, &doc, TEMFTargetRect{10, 190, 190, 10}, content);
    exp.PlayMetafile();
  } catch (const std::exception&) {
    // Refused metafiles end in an exception the caller reports.
  }
  // Whatever was played must leave the content usable.
  int depth = 0;
  bool inText = false;
  size_t at = 0;
  while (at < content.size()) {
    size_t end = content.find("\r\n", at);
    if (end == std::string::npos) abort();
    std::string_view line(content.data() + at, end - at);
    if (line == "q") ++depth;
    if (line == "Q" && --depth < 0) abort();
    if (line == "BT") {
      if (inText) abort();
      inText = true;
    }
    if (line == "ET") {
      if (!inText) abort();
      inText = false;
    }
    if (line.find("nan") != std::string_view::npos || line.find("inf") != std::string_view::npos) abort();
    at = end + 2;
  }
  if (depth != 0 || inText) abort();
  doc.FinishPage();
  doc.EndDocument();
  return 0;
}
