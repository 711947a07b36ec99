#include "app/qdxProgram.h"
#include "app/qdxQDPConverter.h"
#include "platform/FileUtils.h"
#include "tests/TestSupport.h"
#include "tests/app/ConverterDoubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Expand(std::string s, const std::string& root) {
  for (size_t p; (p = s.find("{T}")) != std::string::npos;) s.replace(p, 3, root);
  return s;
}

// Every file below root, as relative paths, sorted.
std::vector<std::string> Tree(const fs::path& root) {
  std::vector<std::string> files;
  for (auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file() && e.path().filename() != "settings.ini") files.push_back(fs::relative(e.path(), root).string());
  std::sort(files.begin(), files.end());
  return files;
}

struct TRunResult {
  int Code;
  std::string Out, Err;
};

TRunResult RunMain(const std::vector<std::string>& args, const TTempDir& dir) {
  std::ostringstream out, err;
  int code = QDPConverterMain(args, out, err, FakeEnv(dir / "settings.ini"));
  return {code, out.str(), err.str()};
}

struct TNamingCase {
  const char* Label;
  std::vector<std::string> Sources;  // files created first (".empty" suffix: empty file)
  std::vector<std::string> Args;
  std::vector<std::string> Expected;  // all files afterwards, sources included
};

class ConverterNaming : public ::testing::TestWithParam<TNamingCase> {};

TEST_P(ConverterNaming, WritesTheExpectedFiles) {
  const TNamingCase& c = GetParam();
  TTempDir dir;
  for (std::string s : c.Sources) {
    bool empty = s.size() > 6 && s.substr(s.size() - 6) == ".empty";
    if (empty) s.resize(s.size() - 6);
    WriteWholeFile(dir / s, empty ? "" : "<?xml version=\"1.0\"?><preparedreport/>");
  }
  std::vector<std::string> args;
  for (const std::string& a : c.Args) args.push_back(Expand(a, dir.Path().string()));
  TRunResult r = RunMain(args, dir);
  EXPECT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(Tree(dir.Path()), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConverterNaming,
    ::testing::Values(
        TNamingCase{"DefaultIsPdfBesideTheSource", {"report.qdp"}, {"{T}/report.qdp"}, {"report.pdf", "report.qdp"}},
        TNamingCase{"OutputSwitchAnyCase", {"report.qdp"}, {"{T}/report.qdp", "--output=xlsx"}, {"report.qdp", "report.xlsx"}},
        TNamingCase{"DestinationTakesTheFormatsExtension",
                    {"report.qdp", "out/keep"},
                    {"{T}/report.qdp", "{T}/out/result.txt", "--OUTPUT=HTML"},
                    {"out/keep", "out/result.html", "report.qdp"}},
        TNamingCase{"UpperCaseExtensionAccepted", {"REPORT.QDP"}, {"{T}/REPORT.QDP"}, {"REPORT.QDP", "REPORT.pdf"}},
        TNamingCase{"UnknownFormatFallsBackToPdf", {"r.qdp"}, {"{T}/r.qdp", "--OUTPUT=WORDPERFECT"}, {"r.pdf", "r.qdp"}},
        TNamingCase{"BiffWritesXls", {"r.qdp"}, {"{T}/r.qdp", "--OUTPUT=BIFF8"}, {"r.qdp", "r.xls"}},
        TNamingCase{"FolderTreeMirroredInLowerCase",
                    {"in/a.QDP", "in/b.qdp.empty", "in/Sub/Deep/c.qdp", "in/.hidden.qdp", "in/notes.txt"},
                    {"{T}/in/", "{T}/out/", "--OUTPUT=CSV"},
                    {"in/.hidden.qdp", "in/Sub/Deep/c.qdp", "in/a.QDP", "in/b.qdp", "in/notes.txt", "out/a.csv",
                     "out/sub/deep/c.csv"}},
        TNamingCase{"FolderWithoutSeparatorIsThatFolder",
                    {"in/a.qdp", "in/Sub/b.qdp"},
                    {"{T}/in", "--OUTPUT=TEXT"},
                    {"in/Sub/b.qdp", "in/a.qdp", "in/a.txt", "in/sub/b.txt"}},
        TNamingCase{"DestinationFolderWithoutSeparator",
                    {"in/a.qdp"},
                    {"{T}/in/", "{T}/out", "--OUTPUT=CSV"},
                    {"in/a.qdp", "out/a.csv"}}),
    [](const auto& info) { return std::string(info.param.Label); });

TEST(ConverterProgram, RefusesBadFirstArgumentsWithExitCode2) {
  TTempDir dir;
  WriteWholeFile(dir / "notes.txt", "x");
  struct {
    std::string Arg, Why;
  } cases[] = {
      {dir / "notes.txt", "not a .qdp file"},
      {dir / "missing.qdp", "file not found"},
      {dir / "*.qdp", "wildcard patterns are not accepted here"},
      {dir / "nofolder", "folder not found"},
  };
  for (const auto& c : cases) {
    TRunResult r = RunMain({c.Arg}, dir);
    EXPECT_EQ(r.Code, 2) << c.Arg;
    EXPECT_EQ(r.Err, c.Arg + ": " + c.Why + "\n");
    EXPECT_EQ(r.Out, "");
  }
  EXPECT_EQ(Tree(dir.Path()), std::vector<std::string>{"notes.txt"});
}

TEST(ConverterProgram, HelpSwitchesPrintTheUsageText) {
  TTempDir dir;
  for (const char* sw : {"/?", "/h", "-H", "/help", "--help", "-h"}) {
    TRunResult r = RunMain({sw}, dir);
    EXPECT_EQ(r.Code, 0) << sw;
    EXPECT_NE(r.Out.find("Usage:\n\nRuzeve_zor source_file|sourcefolder [destination_file|destination_folder]\n"
                         "[--OUTPUT=PDF|HTML|HTML5|RTF|DOCX|XLSX|PPTX|BIFF8|ODT|ODS|SVG|BMP|JPG|TIFF|GIF|XML|CSV|TEXT|PDFPRINT]\n" +
                         std::string(36, '-') + "\n"),
              std::string::npos)
        << sw;
    EXPECT_EQ(r.Out.rfind("Quodex QDP Converter (version 6.2.12)", 0), 0u);
  }
  TRunResult none = RunMain({}, dir);
  EXPECT_EQ(none.Code, 2);
  EXPECT_NE(none.Err.find("Usage:"), std::string::npos);
}

TEST(ConverterProgram, BatchGoesOnAfterFailuresAndExitsWith1) {
  TTempDir dir;
  WriteWholeFile(dir / "in/a.qdp", "bad xml");
  WriteWholeFile(dir / "in/b.qdp", "fail please");
  WriteWholeFile(dir / "in/c.qdp", "<ok/>");
  TRunResult r = RunMain({dir / "in/", "--OUTPUT=CSV"}, dir);
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Err, dir / "in/a.qdp" + ": Invalid file format\n" + dir / "in/b.qdp" + ": first problem\nsecond problem\n");
  EXPECT_EQ(Tree(dir.Path()), (std::vector<std::string>{"in/a.qdp", "in/b.qdp", "in/c.csv", "in/c.qdp"}));
}

TEST(Converter, LogLinesOnlyWhenLoggingToTheWindow) {
  TTempDir dir;
  WriteWholeFile(dir / "ok.qdp", "<ok/>");
  WriteWholeFile(dir / "fail.qdp", "fail");
  TQDPConverter conv(FakeEnv(dir / "settings.ini"));
  std::vector<std::string> log;
  conv.OnLog = [&](const std::string& l) { log.push_back(l); };
  conv.SelectFormat("CSV");
  conv.SingleFile = true;

  std::string err;
  conv.SourceFile = dir / "ok.qdp";
  conv.DestFile = dir / "ok.csv";
  EXPECT_TRUE(conv.ConvertFile(err));
  EXPECT_TRUE(log.empty()) << "a command-line run writes no log";

  conv.LogToWindow = true;
  EXPECT_TRUE(conv.ConvertFile(err));
  conv.SourceFile = dir / "fail.qdp";
  conv.DestFile = dir / "fail.csv";
  EXPECT_FALSE(conv.ConvertFile(err));
  EXPECT_EQ(err, "first problem\r\nsecond problem\r\n");
  conv.SourceFile = dir / "gone.qdp";
  EXPECT_FALSE(conv.ConvertFile(err));
  EXPECT_EQ(err, "File " + dir / "gone.qdp" + " not found");
  conv.SelectFormat("PDFPRINT");
  conv.SourceFile = dir / "ok.qdp";
  conv.DestFile = dir / "ok.pdf";
  EXPECT_TRUE(conv.ConvertFile(err));

  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "05.03.2026 07:08:09 " + dir / "ok.qdp" + " converting to " + dir / "ok.csv" + " => OK");
  EXPECT_EQ(log[1], "05.03.2026 07:08:09 " + dir / "fail.qdp" + " converting to " + dir / "fail.csv" +
                        " => ERROR: first problem\r\nsecond problem\r\n");
  EXPECT_EQ(log[2], "05.03.2026 07:08:09 File " + dir / "gone.qdp" + " not found");
  EXPECT_EQ(log[3], "05.03.2026 07:08:09 " + dir / "ok.qdp" + " printing to " + dir / "ok.pdf" + " => OK");
  EXPECT_EQ(ReadWholeFile(dir / "ok.pdf"), "printed on Microsoft Print to PDF");
}

TEST(Converter, FilterGetsTheConvertersFlags) {
  TTempDir dir;
  WriteWholeFile(dir / "r.qdp", "<ok/>");
  TQDPConverter conv(FakeEnv(dir / "settings.ini"));
  conv.SelectFormat("xlsx");
  ASSERT_NE(conv.Filter, nullptr);
  EXPECT_EQ(conv.Filter->ClassName(), "TqdxXLSXExport");
  EXPECT_EQ(conv.FormatExt, "xlsx");
  conv.Filter->OpenAfterExport = true;
  conv.SourceFile = dir / "r.qdp";
  conv.DestFile = dir / "r.xlsx";
  std::string err;
  ASSERT_TRUE(conv.ConvertFile(err));
  EXPECT_FALSE(conv.Filter->OpenAfterExport);
  EXPECT_FALSE(conv.Filter->GetShowDialog());
  EXPECT_FALSE(conv.Filter->ShowProgress);
  EXPECT_EQ(conv.Filter->GetFileName(), dir / "r.xlsx");
  EXPECT_FALSE(static_cast<TFakeReport&>(conv.Report()).ShowProgress);
}

TEST(Converter, SettingsFileGetsThePrinterKeyOnce) {
  TTempDir dir;
  std::string ini = dir / "settings.ini";
  { TQDPConverter conv(FakeEnv(ini)); }
  EXPECT_EQ(ReadWholeFile(ini), "[Settings]\nPDF Printer Name=Microsoft Print to PDF\n");
  WriteWholeFile(ini, "[Settings]\nPDF Printer Name=Office Printer\n");
  { TQDPConverter conv(FakeEnv(ini)); }
  EXPECT_EQ(ReadWholeFile(ini), "[Settings]\nPDF Printer Name=Office Printer\n");

  // The printer named there is the one PDFPRINT uses.
  WriteWholeFile(dir / "r.qdp", "<ok/>");
  TRunResult r = RunMain({dir / "r.qdp", "--OUTPUT=PDFPRINT"}, dir);
  EXPECT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(ReadWholeFile(dir / "r.pdf"), "printed on Office Printer");
}

TEST(Converter, UnwritableSettingsFileStopsWith1) {
  TTempDir dir;
  // A folder that cannot exist (its parent is a file) cannot take the file, even for root.
  WriteWholeFile(dir / "plain", "x");
  WriteWholeFile(dir / "r.qdp", "<ok/>");
  std::ostringstream out, err;
  int code = QDPConverterMain({dir / "r.qdp"}, out, err, FakeEnv(dir / "plain/settings.ini"));
  EXPECT_EQ(code, 1);
  EXPECT_EQ(err.str(), "Unable to write to " + dir / "plain/settings.ini" + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "r.pdf"));
}

TEST(Converter, UtilityOperations) {
  EXPECT_TRUE(TQDPConverter::IsRelativePath(""));
  EXPECT_TRUE(TQDPConverter::IsRelativePath("a/b.qdp"));
  EXPECT_TRUE(TQDPConverter::IsRelativePath("./b.qdp"));
  EXPECT_FALSE(TQDPConverter::IsRelativePath("/a/b.qdp"));
  TTempDir dir;
  WriteWholeFile(dir / "five", "12345");
  WriteWholeFile(dir / "empty", "");
  EXPECT_EQ(TQDPConverter::FileSizeOf(dir / "five"), 5);
  EXPECT_EQ(TQDPConverter::FileSizeOf(dir / "empty"), 0);
  EXPECT_EQ(TQDPConverter::FileSizeOf(dir / "missing"), -1);
  EXPECT_EQ(TQDPConverter::FileSizeOf(dir.Path().string()), -1);
}

TEST(Converter, LogTimeFormat) {
  std::tm t {};
  t.tm_mday = 1;
  t.tm_mon = 11;
  t.tm_year = 2026 - 1900;
  t.tm_hour = 23;
  t.tm_min = 5;
  t.tm_sec = 0;
  EXPECT_EQ(FormatLogTime(t), "01.12.2026 23:05:00");
}

TEST(Converter, WildcardPatternFromTheWindow) {
  TTempDir dir;
  WriteWholeFile(dir / "in/a.qdp", "<ok/>");
  WriteWholeFile(dir / "in/b.QDP", "<ok/>");
  WriteWholeFile(dir / "in/sub/c.qdp", "<ok/>");
  TQDPConverter conv(FakeEnv(dir / "settings.ini"));
  conv.SelectFormat("RTF");
  conv.SingleFile = true;
  conv.SourceFile = dir / "in/*.qdp";
  conv.DestFile = dir / "out/x";
  conv.Run();
  EXPECT_EQ(conv.FailedCount, 0);
  EXPECT_EQ(Tree(dir.Path()), (std::vector<std::string>{"in/a.qdp", "in/b.QDP", "in/sub/c.qdp", "out/a.rtf", "out/b.rtf"}));
}

}  // namespace
