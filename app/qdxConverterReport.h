#pragma once
// The operations the converter needs of a report: load a QDP file, export it
// through a filter, print it, and read its error list. The converter calls
// nothing else, so any report library that offers these plugs in unchanged.

#include <memory>
#include <string>
#include <vector>

class TqdxCustomExportFilter;

struct TQDPPrintSettings {
  std::string Printer;          // printer name, matched ignoring case
  bool ShowDialog = true;       // show the print dialog
  std::string FileName;         // the job's output file
  std::string PageNumbers;      // empty: all pages
  int Copies = 1;
  bool Collate = false;
};

class TqdxConverterReport {
public:
  virtual ~TqdxConverterReport() = default;
  // Replaces the prepared pages with the file's content; raises on a file
  // that is not a valid QDP document.
  virtual void LoadFromFile(const std::string& fileName) = 0;
  // Runs the filter over all pages; false with messages in Errors on failure.
  virtual bool Export(TqdxCustomExportFilter& filter) = 0;
  // Prints all pages with PrintOptions; false only when printing cannot start.
  virtual bool Print() = 0;
  virtual std::vector<std::string>& Errors() = 0;
  virtual void SetShowProgress(bool value) = 0;
  virtual TQDPPrintSettings& PrintOptions() = 0;
};

// The text of a string list: its lines, each followed by CR LF.
std::string StringListText(const std::vector<std::string>& lines);
