// The "PDFPRINT" format: the sample reports printed on the built-in PDF
// printer, as a user runs the program, and the files read back by
// independent readers (qpdf, pdfinfo, pdftotext) against the PDF export of
// the same report.

#include "app/qdxReportAdapter.h"
#include "export/pdf/qdxPrintToPDF.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

TShellRun RunProgram(const std::string& args, const TTempDir& dir) {
  return RunShell("QDX_SETTINGS_FILE=" + Quoted(dir / "settings.ini") + " " + Quoted(QDX_PROGRAM) + " " + args);
}

// A copy of a sample in the temporary folder: outputs never go to the source tree.
std::string CopySample(const std::string& name, const TTempDir& dir) {
  std::string target = dir / name;
  fs::copy_file(std::string(QDX_SOURCE_DIR) + "/samples/" + name, target);
  return target;
}

struct TPageSize {
  double Width = 0, Height = 0;
};

// Every page's size as pdfinfo reads it.
std::vector<TPageSize> PageSizes(const std::string& pdf) {
  TShellRun count = RunShell("pdfinfo " + Quoted(pdf));
  EXPECT_EQ(count.Code, 0) << count.Output;
  std::smatch m;
  if (!std::regex_search(count.Output, m, std::regex("Pages: +([0-9]+)"))) return {};
  const std::string n = m[1];
  TShellRun info = RunShell("pdfinfo -f 1 -l " + n + " " + Quoted(pdf));
  EXPECT_EQ(info.Code, 0) << info.Output;
  std::vector<TPageSize> sizes;
  const std::regex line("Page +[0-9]+ size: +([0-9.]+) x ([0-9.]+) pts");
  for (auto it = std::sregex_iterator(info.Output.begin(), info.Output.end(), line); it != std::sregex_iterator(); ++it)
    sizes.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
  EXPECT_EQ(std::to_string(sizes.size()), n);
  return sizes;
}

// The words of the text of a page (0: all pages), sorted: the same words in
// any reading order.
std::vector<std::string> Words(const std::string& pdf, int page = 0) {
  std::string range = page > 0 ? "-f " + std::to_string(page) + " -l " + std::to_string(page) + " " : "";
  TShellRun r = RunShell("pdftotext " + range + Quoted(pdf) + " -");
  EXPECT_EQ(r.Code, 0) << r.Output;
  std::istringstream in(r.Output);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  std::sort(words.begin(), words.end());
  return words;
}

// qpdf finds no error and says no warning.
void ExpectCleanPdf(const std::string& pdf) {
  TShellRun r = RunShell("qpdf --check " + Quoted(pdf));
  EXPECT_EQ(r.Code, 0) << r.Output;
  EXPECT_EQ(r.Output.find("WARNING"), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("No syntax or stream encoding errors"), std::string::npos) << r.Output;
}

std::vector<std::string> Files(const TTempDir& dir) {
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(dir.Path())) files.push_back(e.path().filename().string());
  std::sort(files.begin(), files.end());
  return files;
}

// The driver's fixed identifier and time for a scope.
class TFixedPrintToPDF {
public:
  TFixedPrintToPDF() : FSaved(qdxPrintToPDFSettings()) {
    TqdxPrintToPDFSettings& s = qdxPrintToPDFSettings();
    s.FixedFileID = "00112233445566778899aabbccddeeff";
    s.UseFixedTime = true;
    s.FixedTime = TqdxPDFDateTime{2026, 1, 2, 3, 4, 5, 0};
  }
  ~TFixedPrintToPDF() { qdxPrintToPDFSettings() = FSaved; }

private:
  TqdxPrintToPDFSettings FSaved;
};

}  // namespace

TEST(PdfPrint, SamplesPrintLikeTheirPdfExport) {
  const char* samples[] = {"invoice", "letter", "listing"};
  for (const char* name : samples) {
    SCOPED_TRACE(name);
    TTempDir dir;
    const std::string source = CopySample(std::string(name) + ".qdp", dir);
    fs::create_directory(dir / "export");
    TShellRun printed = RunProgram(Quoted(source) + " --OUTPUT=PDFPRINT", dir);
    ASSERT_EQ(printed.Code, 0) << printed.Output;
    EXPECT_EQ(printed.Output, "");
    const std::string exported = dir / ("export/" + std::string(name) + ".pdf");
    TShellRun exportRun = RunProgram(Quoted(source) + " " + Quoted(exported) + " --OUTPUT=PDF", dir);
    ASSERT_EQ(exportRun.Code, 0) << exportRun.Output;

    const std::string pdf = dir / (std::string(name) + ".pdf");
    ExpectCleanPdf(pdf);
    const std::vector<TPageSize> a = PageSizes(pdf), b = PageSizes(exported);
    ASSERT_FALSE(a.empty());
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      SCOPED_TRACE("page " + std::to_string(i + 1));
      // The printer rounds the paper to its 600 dpi pixels, the export to
      // 96 dpi screen pixels: the same paper within a point.
      EXPECT_NEAR(a[i].Width, b[i].Width, 1.0);
      EXPECT_NEAR(a[i].Height, b[i].Height, 1.0);
    }
    const std::vector<std::string> words = Words(pdf);
    EXPECT_GT(words.size(), 20u);
    EXPECT_EQ(words, Words(exported));
    EXPECT_EQ(Files(dir), (std::vector<std::string>{"export", std::string(name) + ".pdf", std::string(name) + ".qdp",
                                                    "settings.ini"}));
  }
}

TEST(PdfPrint, PageRangesCopiesAndCollation) {
  TTempDir dir;
  const std::string source = CopySample("listing.qdp", dir);
  const std::string exported = dir / "export.pdf";
  ASSERT_EQ(RunProgram(Quoted(source) + " " + Quoted(exported) + " --OUTPUT=PDF", dir).Code, 0);
  const int count = int(PageSizes(exported).size());
  ASSERT_GE(count, 4);
  std::vector<std::vector<std::string>> pageWords;
  for (int i = 1; i <= count; ++i) pageWords.push_back(Words(exported, i));
  // The pages are told apart by their text.
  for (int i = 1; i < count; ++i) ASSERT_NE(pageWords[size_t(i)], pageWords[0]);

  struct TCase {
    const char* PageNumbers;
    int Copies;
    bool Collate;
    std::vector<int> Pages;  // 1-based pages of the report, in printed order
  };
  const TCase cases[] = {
      {"", 1, false, {1, 2, 3, 4, 5, 6}},
      {"2-3", 1, false, {2, 3}},
      {"2-3", 2, true, {2, 3, 2, 3}},
      {"2-3", 2, false, {2, 2, 3, 3}},
      {"4,1", 2, true, {1, 4, 1, 4}},
      {"5-", 3, false, {5, 5, 5, 6, 6, 6}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.PageNumbers) + " x" + std::to_string(c.Copies) + (c.Collate ? " collated" : ""));
    if (c.Pages.back() > count) continue;
    const std::string pdf = dir / "printed.pdf";
    TqdxReportAdapter report;
    report.LoadFromFile(source);
    TQDPPrintSettings& po = report.PrintOptions();
    po.Printer = "Microsoft Print to PDF";
    po.ShowDialog = false;
    po.FileName = pdf;
    po.PageNumbers = c.PageNumbers;
    po.Copies = c.Copies;
    po.Collate = c.Collate;
    ASSERT_TRUE(report.Print());
    EXPECT_TRUE(report.Errors().empty());
    ExpectCleanPdf(pdf);
    ASSERT_EQ(PageSizes(pdf).size(), c.Pages.size());
    for (size_t k = 0; k < c.Pages.size(); ++k) {
      SCOPED_TRACE("sheet " + std::to_string(k + 1));
      EXPECT_EQ(Words(pdf, int(k) + 1), pageWords[size_t(c.Pages[k] - 1)]);
    }
  }
}

TEST(PdfPrint, AnyPrinterNamePrintsOnTheBuiltInPrinter) {
  const char* names[] = {"Microsoft Print to PDF", "microsoft PRINT to pdf", "Office Laser 5", ""};
  for (const char* printer : names) {
    SCOPED_TRACE(printer);
    TTempDir dir;
    const std::string source = CopySample("invoice.qdp", dir);
    WriteWholeFile(dir / "settings.ini", std::string("[Settings]\r\nPDF Printer Name=") + printer + "\r\n");
    TShellRun r = RunProgram(Quoted(source) + " " + Quoted(dir / "out.pdf") + " --OUTPUT=PDFPRINT", dir);
    ASSERT_EQ(r.Code, 0) << r.Output;
    ExpectCleanPdf(dir / "out.pdf");
    EXPECT_EQ(PageSizes(dir / "out.pdf").size(), 1u);
    const std::vector<std::string> words = Words(dir / "out.pdf");
    EXPECT_TRUE(std::binary_search(words.begin(), words.end(), "Northwind"));
  }
}

TEST(PdfPrint, AnUnwritableDestinationFailsWithoutAFile) {
  TTempDir dir;
  const std::string source = CopySample("invoice.qdp", dir);
  WriteWholeFile(dir / "blocker", "a file, not a folder");
  fs::create_directory(dir / "folder.pdf");
  struct TCase {
    std::string Destination;
    const char* Reason;
  };
  const TCase cases[] = {
      {dir / "blocker/out.pdf", "Not a directory"},
      {dir / "missing/out.pdf", "No such file or directory"},
      {dir / "folder.pdf", "Is a directory"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Destination);
    TShellRun r = RunProgram(Quoted(source) + " " + Quoted(c.Destination) + " --OUTPUT=PDFPRINT", dir);
    EXPECT_EQ(r.Code, 1) << r.Output;
    EXPECT_NE(r.Output.find(source + ": "), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find(c.Destination), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find(c.Reason), std::string::npos) << r.Output;
  }
  EXPECT_EQ(ReadWholeFile(dir / "blocker"), "a file, not a folder");
  EXPECT_TRUE(fs::is_empty(dir / "folder.pdf"));
  EXPECT_EQ(Files(dir), (std::vector<std::string>{"blocker", "folder.pdf", "invoice.qdp", "settings.ini"}));
}

TEST(PdfPrint, AFailedPrintKeepsTheFileThatWasThere) {
  TTempDir dir;
  const std::string source = CopySample("invoice.qdp", dir);
  WriteWholeFile(dir / "out.pdf", "the old file");
  TqdxReportAdapter report;
  report.LoadFromFile(source);
  TQDPPrintSettings& po = report.PrintOptions();
  po.ShowDialog = false;
  po.FileName = dir / "out.pdf";
  po.PageNumbers = "1-x";
  EXPECT_FALSE(report.Print());
  ASSERT_EQ(report.Errors().size(), 1u);
  EXPECT_NE(report.Errors()[0].find("'x' is not a valid integer value"), std::string::npos) << report.Errors()[0];
  EXPECT_EQ(ReadWholeFile(dir / "out.pdf"), "the old file");
  EXPECT_EQ(Files(dir), (std::vector<std::string>{"invoice.qdp", "out.pdf"}));
}

TEST(PdfPrint, FixedIdentifierAndTimeGiveTheSameFileTwice) {
  TTempDir dir;
  const std::string source = CopySample("letter.qdp", dir);
  TFixedPrintToPDF fixed;
  std::string files[2];
  for (int i = 0; i < 2; ++i) {
    TqdxReportAdapter report;
    report.LoadFromFile(source);
    report.PrintOptions().ShowDialog = false;
    report.PrintOptions().FileName = dir / ("out" + std::to_string(i) + ".pdf");
    ASSERT_TRUE(report.Print());
    files[i] = ReadWholeFile(dir / ("out" + std::to_string(i) + ".pdf"));
  }
  EXPECT_EQ(files[0], files[1]);
  EXPECT_NE(files[0].find("<00112233445566778899aabbccddeeff>"), std::string::npos);
  EXPECT_NE(files[0].find("D:20260102030405"), std::string::npos);
}
