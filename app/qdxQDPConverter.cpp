#include "app/qdxQDPConverter.h"

#include "app/qdxFormats.h"
#include "export/qdxExportFilter.h"
#include "platform/FileUtils.h"
#include "platform/IniFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fnmatch.h>
#include <stdexcept>
#include <sys/stat.h>

namespace {

const char* const SettingsSection = "Settings";
const char* const PrinterKey = "PDF Printer Name";

bool HasWildcards(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// File masks match as on the desktop: without regard to case, and "*.*"
// matches every name, dotted or not.
bool MatchesMask(const std::string& name, const std::string& mask) {
  if (mask.empty() || mask == "*" || mask == "*.*") return true;
  return ::fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

struct TDirEntry {
  std::string Name;
  bool IsFolder = false;
};

// The entries of a folder, sorted by name so that runs are repeatable.
// Links to folders are not followed, which keeps a link cycle from
// recursing forever.
std::vector<TDirEntry> ListFolder(const std::string& folder) {
  std::vector<TDirEntry> entries;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return entries;
  while (dirent* e = ::readdir(d)) {
    TDirEntry entry;
    entry.Name = e->d_name;
    if (entry.Name == "." || entry.Name == "..") continue;
    struct stat st {};
    if (::lstat((folder + entry.Name).c_str(), &st) == 0) entry.IsFolder = S_ISDIR(st.st_mode);
    entries.push_back(std::move(entry));
  }
  ::closedir(d);
  std::sort(entries.begin(), entries.end(), [](const TDirEntry& a, const TDirEntry& b) { return a.Name < b.Name; });
  return entries;
}

std::string DefaultSettingsFile() {
  if (const char* env = std::getenv("QDX_SETTINGS_FILE"); env && *env) return env;
  return ProgramFolder() + "settings.ini";
}

std::tm LocalNow() {
  std::time_t t = std::time(nullptr);
  std::tm tm {};
  localtime_r(&t, &tm);
  return tm;
}

}  // namespace

std::string StringListText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

std::string FormatLogTime(const std::tm& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour,
                t.tm_min, t.tm_sec);
  return buf;
}

TQDPConverter::TQDPConverter(TQDPConverterEnv env) : FEnv(std::move(env)) {
  FSettingsFile = FEnv.SettingsFile.empty() ? DefaultSettingsFile() : FEnv.SettingsFile;
  if (FEnv.CreateReport) FReport = FEnv.CreateReport();
  if (!FReport) throw std::logic_error("the converter needs a report");
  if (FEnv.CreateFilters) FFilters = FEnv.CreateFilters();
  SingleFile = false;
  SelectFormat("PDF");
  TIniFile ini(FSettingsFile);
  if (!ini.ValueExists(SettingsSection, PrinterKey)) ini.WriteString(SettingsSection, PrinterKey, std::string(QDPDefaultPrinter));
}

TQDPConverter::~TQDPConverter() {
  // The report goes first: it may still refer to a filter's results.
  FReport.reset();
  for (auto& f : FFilters) f.reset();
}

void TQDPConverter::SelectFormat(const std::string& name) {
  FormatName = name;
  if (name == "PDFPRINT") {
    FormatExt = "pdf";
    return;
  }
  std::string upper = UpperCase(name);
  for (size_t row = 1; row < QDPFormats.size(); ++row) {
    if (upper != QDPFormats[row].Name) continue;
    if (TqdxCustomExportFilter* f = qdxFindExportFilter(std::string(QDPFormats[row].FilterClass))) {
      Filter = f;
      FormatExt = QDPFormats[row].Ext;
      return;
    }
    break;
  }
  FormatName = "PDF";
  FormatExt = "pdf";
  Filter = qdxFindExportFilter(std::string(QDPFormats[1].FilterClass));
}

void TQDPConverter::ParseCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return;
  const std::string& a1 = args[0];
  // A name that is an existing folder is a folder, dots or not, with or
  // without its trailing separator.
  bool isFolder = DirectoryExists(a1) || (!a1.empty() && a1.back() == '/');
  SingleFile = !isFolder && !Trim(ExtractFileExt(a1)).empty();
  auto setFromFirst = [&] {
    if (SingleFile) {
      SourceFile = a1;
      DestFile = ChangeFileExt(a1, "." + FormatExt);
    } else {
      SourceFolder = IncludeTrailingPathDelimiter(a1);
      DestFolder = SourceFolder;
    }
  };
  auto isOutput = [](const std::string& a) { return UpperCase(a).rfind("--OUTPUT=", 0) == 0; };
  setFromFirst();
  if (args.size() >= 2) {
    if (isOutput(args[1])) {
      SelectFormat(UpperCase(args[1].substr(9)));
      setFromFirst();
    } else if (SingleFile) {
      DestFile = args[1];
    } else {
      // A destination folder named without its trailing separator still means that folder.
      DestFolder = args[1].empty() ? SourceFolder : IncludeTrailingPathDelimiter(args[1]);
    }
  }
  if (args.size() >= 3 && isOutput(args[2])) SelectFormat(UpperCase(args[2].substr(9)));
}

void TQDPConverter::LoadFilterSettings() {
  if (!Filter || !FEnv.TransferSettings) return;
  TIniFile ini(FSettingsFile);
  FEnv.TransferSettings(*Filter, ini, true);
}

void TQDPConverter::SaveFilterSettings() {
  if (!Filter || !FEnv.TransferSettings) return;
  TIniFile ini(FSettingsFile);
  ini.SetAutoFlush(false);
  FEnv.TransferSettings(*Filter, ini, false);
  ini.UpdateFile();
}

void TQDPConverter::Run() {
  if (SingleFile) {
    DestFile = ChangeFileExt(Trim(DestFile).empty() ? SourceFile : DestFile, "." + FormatExt);
    if (IsRelativePath(SourceFile)) SourceFile = ExpandFileName(SourceFile);
    if (IsRelativePath(DestFile)) DestFile = ExpandFileName(DestFile);
    if (HasWildcards(SourceFile)) {
      if (Trim(ExtractFilePath(SourceFile)).empty()) SourceFile = ProgramFolder() + SourceFile;
      ConvertFolder(SourceFile, ExtractFilePath(DestFile), false);
    } else {
      std::string errorText;
      ConvertFile(errorText);
    }
  } else {
    if (IsRelativePath(SourceFolder)) SourceFolder = ExpandFileName(SourceFolder);
    if (IsRelativePath(DestFolder)) DestFolder = ExpandFileName(DestFolder);
    if (!ConvertFolder(IncludeTrailingPathDelimiter(SourceFolder) + "*.*", IncludeTrailingPathDelimiter(DestFolder), true))
      Fail(SourceFolder, "folder not found");
  }
}

bool TQDPConverter::ConvertFolder(const std::string& pattern, const std::string& destination, bool recursive) {
  const std::string sourceFolder = ExtractFilePath(pattern);
  const std::string destFolder = ExtractFilePath(destination);
  const std::string mask = ExtractFileName(pattern);
  std::string created;
  if (!Trim(destFolder).empty() && !DirectoryExists(destFolder)) {
    if (!ForceDirectories(destFolder)) {
      Fail(destFolder, "cannot create the destination folder");
      return true;
    }
    created = destFolder;
  }
  if (!DirectoryExists(sourceFolder)) return false;

  for (const TDirEntry& e : ListFolder(sourceFolder)) {
    if (e.Name.empty() || e.Name[0] == '.' || !MatchesMask(e.Name, mask)) continue;
    if (!e.IsFolder && UpperCase(ExtractFileExt(e.Name)) == ".QDP" && FileSizeOf(sourceFolder + e.Name) > 0) {
      SourceFile = sourceFolder + e.Name;
      DestFile = ChangeFileExt(destFolder + e.Name, "." + FormatExt);
      std::string errorText;
      ConvertFile(errorText);
    }
    if (recursive && e.IsFolder) {
      // Descend with the folder's real name; the destination tree uses lower case.
      std::string sub = sourceFolder + e.Name + "/";
      if (sub != created) ConvertFolder(sub + mask, destFolder + LowerCase(e.Name) + "/", true);
    }
  }
  return true;
}

bool TQDPConverter::ConvertFile(std::string& errorText) {
  errorText.clear();
  if (!FileExists(SourceFile)) {
    Log(Now() + " File " + SourceFile + " not found");
    errorText = "File " + SourceFile + " not found";
    Fail(SourceFile, "file not found");
    return false;
  }
  // A file that does not load is reported and the batch goes on with the next one.
  try {
    FReport->LoadFromFile(SourceFile);
  } catch (const std::exception& e) {
    errorText = e.what();
    Log(Now() + " " + SourceFile + " converting to " + DestFile + " => ERROR: " + errorText);
    Fail(SourceFile, errorText);
    return false;
  }
  FReport->SetShowProgress(false);

  bool ok = false;
  if (UpperCase(FormatName) == "PDFPRINT") {
    TQDPPrintSettings& po = FReport->PrintOptions();
    po.ShowDialog = false;
    po.FileName = DestFile;
    po.Printer = TIniFile(FSettingsFile).ReadString(SettingsSection, PrinterKey, std::string(QDPDefaultPrinter));
    FReport->Errors().clear();
    ok = FReport->Print();
    errorText = StringListText(FReport->Errors());
    Log(Now() + " " + SourceFile + " printing to " + DestFile + (ok ? " => OK" : " => ERROR: " + errorText));
  } else if (!Filter) {
    errorText = "The output format " + FormatName + " is not available in this build\r\n";
    Log(Now() + " " + SourceFile + " converting to " + DestFile + " => ERROR: " + errorText);
  } else {
    Filter->OpenAfterExport = false;
    Filter->SetShowDialog(false);
    if (DestFile.empty()) DestFile = "." + FormatExt;
    Filter->SetFileName(DestFile);
    Filter->ShowProgress = false;
    FReport->Errors().clear();
    try {
      ok = FReport->Export(*Filter);
    } catch (const std::exception& e) {
      FReport->Errors().push_back(e.what());
      ok = false;
    }
    errorText = StringListText(FReport->Errors());
    Log(Now() + " " + SourceFile + " converting to " + DestFile + (ok ? " => OK" : " => ERROR: " + errorText));
  }
  if (ok) {
    ++ConvertedCount;
  } else {
    std::string message = errorText;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    Fail(SourceFile, message.empty() ? std::string("conversion failed") : message);
  }
  return ok;
}

bool TQDPConverter::IsRelativePath(const std::string& path) { return path.empty() || path[0] != '/'; }

int64_t TQDPConverter::FileSizeOf(const std::string& name) {
  FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) return -1;
  struct stat st {};
  int64_t size = ::fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : -1;
  std::fclose(f);
  return size;
}

void TQDPConverter::Log(const std::string& text) {
  if (LogToWindow && OnLog) OnLog(text);
}

std::string TQDPConverter::Now() const { return FormatLogTime(FEnv.Now ? FEnv.Now() : LocalNow()); }

void TQDPConverter::Fail(const std::string& file, const std::string& message) {
  ++FailedCount;
  if (OnError) OnError(file, message);
}
