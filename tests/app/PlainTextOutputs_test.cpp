// CSV and text files from the sample reports, written by the program as a
// user runs it and read back by an independent reader.

#include "app/qdxConverterFactory.h"
#include "app/qdxFormats.h"
#include "app/qdxQDPConverter.h"
#include "export/qdxExportFilter.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct TProcess {
  int Code;
  std::string Out;
};

// Runs a shell command; standard error joins standard output.
TProcess Run(const std::string& cmd) {
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  std::string out;
  std::array<char, 4096> buf;
  while (size_t n = fread(buf.data(), 1, buf.size(), p)) out.append(buf.data(), n);
  int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

TProcess RunProgram(const std::string& args, const TTempDir& dir) {
  return Run("QDX_SETTINGS_FILE=" + Quoted(dir / "settings.ini") + " " + Quoted(QDX_PROGRAM) + " " + args);
}

// A copy of a sample in the temporary folder: outputs never go to the source tree.
std::string CopySample(const std::string& name, const TTempDir& dir, const std::string& as = "") {
  std::string target = dir / (as.empty() ? name : as);
  fs::create_directories(fs::path(target).parent_path());
  fs::copy_file(std::string(QDX_SOURCE_DIR) + "/samples/" + name, target);
  return target;
}

std::vector<std::string> SplitLines(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t p; (p = text.find(end, start)) != std::string::npos; start = p + end.size())
    lines.push_back(text.substr(start, p - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The rows of a CSV file as Python's csv module reads them.
std::vector<std::vector<std::string>> ReadCSV(const std::string& file, const TTempDir& dir) {
  WriteWholeFile(dir / "read.py",
                 "import csv, sys\n"
                 "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                 "    for row in csv.reader(f):\n"
                 "        print(len(row), *row, sep='\\x1f')\n");
  TProcess p = Run("/usr/bin/python3 " + Quoted(dir / "read.py") + " " + Quoted(file));
  EXPECT_EQ(p.Code, 0) << p.Out;
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : SplitLines(p.Out, "\n")) {
    // The count first, so that trailing empty fields are not lost.
    std::vector<std::string> row = SplitLines(line + "\x1f", "\x1f");
    size_t count = std::stoul(row.at(0));
    row.erase(row.begin());
    row.resize(count);
    rows.push_back(row);
  }
  return rows;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& start, const std::string& end) {
  for (const std::string& l : lines)
    if (l.starts_with(start) && l.ends_with(end)) return true;
  return false;
}

}  // namespace

TEST(PlainTextOutputs, TheConverterSelectsBothFilters) {
  TTempDir dir;
  TQDPConverterEnv env = DefaultConverterEnv();
  env.SettingsFile = dir / "settings.ini";
  TQDPConverter conv(std::move(env));
  const std::pair<const char*, const char*> formats[] = {
      {"CSV", "TqdxCSVExport"}, {"TEXT", "TqdxSimpleTextExport"}, {"text", "TqdxSimpleTextExport"}};
  for (const auto& [name, cls] : formats) {
    conv.SelectFormat(name);
    ASSERT_NE(conv.Filter, nullptr) << name;
    EXPECT_EQ(conv.Filter->ClassName(), cls);
  }
  EXPECT_EQ(conv.FormatExt, "txt");
  // Filters enter the registry in the order of the format table.
  std::vector<size_t> rows;
  for (const TqdxExportFilterItem& item : ExportFilters())
    for (size_t row = 1; row < QDPFormats.size(); ++row)
      if (QDPFormats[row].FilterClass == item.Filter->ClassName()) rows.push_back(row);
  EXPECT_EQ(rows.size(), ExportFilters().size());
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
  EXPECT_TRUE(std::adjacent_find(rows.begin(), rows.end()) == rows.end());
}

TEST(PlainTextOutputs, InvoiceAsCSVReadsBack) {
  TTempDir dir;
  std::string source = CopySample("invoice.qdp", dir);
  TProcess p = RunProgram(Quoted(source) + " --OUTPUT=CSV", dir);
  ASSERT_EQ(p.Code, 0) << p.Out;
  EXPECT_EQ(p.Out, "");
  std::string raw = ReadWholeFile(dir / "invoice.csv");
  ASSERT_TRUE(raw.ends_with("\r\n"));
  EXPECT_FALSE(raw.starts_with("\xEF\xBB\xBF"));

  // Every line is one record: the reader sees as many rows with as many
  // fields as the file has lines and unquoted separators.
  std::vector<std::vector<std::string>> rows = ReadCSV(dir / "invoice.csv", dir);
  std::vector<std::string> lines = SplitLines(raw, "\r\n");
  ASSERT_EQ(rows.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    size_t fields = lines[i].empty() ? 0 : 1;
    bool quoted = false;
    for (char c : lines[i]) {
      if (c == '"') quoted = !quoted;
      if (c == ',' && !quoted) ++fields;
    }
    EXPECT_EQ(rows[i].size(), fields) << lines[i];
  }
  auto row = [&](const std::string& first) -> std::vector<std::string> {
    for (const auto& r : rows)
      if (!r.empty() && r[0] == first) return r;
    return {};
  };
  EXPECT_EQ(row("Item"), (std::vector<std::string>{"Item", "Description", "Qty", "", "Unit price", "Amount"}));
  EXPECT_EQ(row("GS-101"), (std::vector<std::string>{"GS-101", "Garden shears, stainless", "4", "", "18.5", "74"}));
  EXPECT_EQ(row("SD-330"), (std::vector<std::string>{"SD-330", "Seed mix \"Meadow\" & grasses", "6", "", "4.99", "29.94"}));
  EXPECT_EQ(row("Northwind Garden Supplies").at(3), "INVOICE 2026-0147");
  EXPECT_EQ(row("Total: 383.74 GBP").size(), 3u);
}

TEST(PlainTextOutputs, SamplesAsTextShowTheirLines) {
  TTempDir dir;
  CopySample("invoice.qdp", dir, "in/invoice.qdp");
  CopySample("letter.qdp", dir, "in/Letters/Letter.qdp");
  // A whole folder tree at a time; the destination tree is in lower case.
  TProcess p = RunProgram(Quoted(dir / "in/") + " " + Quoted(dir / "out/") + " --OUTPUT=TEXT", dir);
  ASSERT_EQ(p.Code, 0) << p.Out;

  std::string invoice = ReadWholeFile(dir / "out/invoice.txt");
  EXPECT_TRUE(invoice.ends_with("\r\n\f"));
  std::vector<std::string> lines = SplitLines(invoice, "\r\n");
  EXPECT_TRUE(HasLine(lines, "  Northwind Garden Supplies ", "INVOICE 2026-0147"));
  EXPECT_TRUE(HasLine(lines, "  Item ", " Amount"));
  // Numbers are right-aligned in their columns.
  EXPECT_TRUE(HasLine(lines, "  GS-101 ", " 18.5                 74"));
  EXPECT_TRUE(HasLine(lines, "  SD-330         Seed mix \"Meadow\" & grasses ", " 29.94"));
  EXPECT_TRUE(HasLine(lines, " ", "Total: 383.74 GBP"));

  std::vector<std::string> letter = SplitLines(ReadWholeFile(dir / "out/letters/Letter.txt"), "\r\n");
  EXPECT_TRUE(HasLine(letter, "  Dear Ms. M\xC3\xBCller,", ","));
  EXPECT_TRUE(HasLine(letter, " ", "Atelier Lumi\xC3\xA8re"));
}

TEST(PlainTextOutputs, AnUnwritableDestinationFailsWithoutAFile) {
  TTempDir dir;
  std::string source = CopySample("invoice.qdp", dir);
  WriteWholeFile(dir / "blocker", "a file, not a folder");
  for (const char* format : {"CSV", "TEXT"}) {
    SCOPED_TRACE(format);
    TProcess p = RunProgram(Quoted(source) + " " + Quoted(dir / "blocker/out.csv") + " --OUTPUT=" + format, dir);
    EXPECT_EQ(p.Code, 1);
    EXPECT_NE(p.Out.find(source + ": "), std::string::npos) << p.Out;
    EXPECT_NE(p.Out.find("Not a directory"), std::string::npos) << p.Out;
    EXPECT_EQ(ReadWholeFile(dir / "blocker"), "a file, not a folder");
  }
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(dir.Path())) files.push_back(e.path().filename().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"blocker", "invoice.qdp", "settings.ini"}));
}
