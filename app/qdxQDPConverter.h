#pragma once
// The converter: resolves one file, a wildcard pattern or a folder tree into
// pairs of source and destination files and converts each pair with the
// selected export filter (or prints it to the PDF printer).

#include "app/qdxConverterReport.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TqdxCustomExportFilter;
class TIniFile;

// What the converter is built from; tests replace any part of it.
struct TQDPConverterEnv {
  // The report that receives every loaded file.
  std::function<std::unique_ptr<TqdxConverterReport>()> CreateReport;
  // The filters, in format-table order. Creating them registers them.
  std::function<std::vector<std::unique_ptr<TqdxCustomExportFilter>>()> CreateFilters;
  // Applies a filter's section of the settings file to the filter (reading)
  // or stores the filter's options there (writing).
  std::function<void(TqdxCustomExportFilter&, TIniFile&, bool reading)> TransferSettings;
  // settings.ini; empty: $QDX_SETTINGS_FILE when set, else beside the program.
  std::string SettingsFile;
  // Local time for log lines; empty: the clock.
  std::function<std::tm()> Now;
};

// "dd.mm.yyyy hh:nn:ss"
std::string FormatLogTime(const std::tm& t);

class TQDPConverter {
public:
  // Create: makes the report and the filters, selects PDF and makes sure the
  // settings file names the PDF printer (raises "Unable to write to ..." when
  // that cannot be written).
  explicit TQDPConverter(TQDPConverterEnv env = {});
  ~TQDPConverter();
  TQDPConverter(const TQDPConverter&) = delete;
  TQDPConverter& operator=(const TQDPConverter&) = delete;

  void SelectFormat(const std::string& name);
  void ParseCommandLine(const std::vector<std::string>& args);
  void LoadFilterSettings();
  void SaveFilterSettings();
  void Run();
  bool ConvertFolder(const std::string& pattern, const std::string& destination, bool recursive);
  // Converts SourceFile to DestFile; false with errorText on failure.
  bool ConvertFile(std::string& errorText);

  static bool IsRelativePath(const std::string& path);
  static int64_t FileSizeOf(const std::string& name);

  bool SingleFile = false;
  bool LogToWindow = false;
  std::string SourceFolder, SourceFile, DestFolder, DestFile;
  std::string FormatName, FormatExt;
  TqdxCustomExportFilter* Filter = nullptr;

  TqdxConverterReport& Report() { return *FReport; }
  const std::string& SettingsFileName() const { return FSettingsFile; }

  // Receives the log lines while LogToWindow is set (the settings window's log).
  std::function<void(const std::string&)> OnLog;
  // Receives every file that failed with its message; the run goes on.
  std::function<void(const std::string& file, const std::string& message)> OnError;

  int ConvertedCount = 0;
  int FailedCount = 0;

private:
  void Log(const std::string& text);
  std::string Now() const;
  void Fail(const std::string& file, const std::string& message);

  TQDPConverterEnv FEnv;
  std::string FSettingsFile;
  std::unique_ptr<TqdxConverterReport> FReport;
  std::vector<std::unique_ptr<TqdxCustomExportFilter>> FFilters;
};
