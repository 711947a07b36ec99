#pragma once
// The print spooler: one print job at a time goes to the driver of a
// printer, page by page, and the driver writes the job's output file.
//
// A page reaches the spooler as the paper in the printer's device pixels and
// an enhanced metafile recorded at that size (one logical unit per device
// pixel); the driver renders it at once, so a job keeps no page after it has
// been spooled. The output file appears only when the job is complete: the
// driver writes into a temporary file beside it, which EndDoc renames over
// the output name; a job that fails or is aborted leaves no file behind and
// an existing file under the output name as it was.
//
// The drivers live above the platform (the PDF renderer belongs to the
// export library), so they register themselves here by printer name.

#include "platform/PrinterDevice.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

class TStream;

// A job that cannot start, spool a page or write its output.
class EPrintJobError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// What a printer's driver does with a job: the document goes to out, which
// the spooler owns.
class TPrintDriver {
public:
  virtual ~TPrintDriver() = default;
  virtual void BeginDocument(TStream& out, const std::string& title) = 0;
  // One page: its paper in the printer's device pixels and its drawing.
  virtual void Page(const TPrinterPage& paper, std::string_view metafile) = 0;
  // Writes the rest of the document; the spooler then closes out.
  virtual void EndDocument() = 0;
};

using TPrintDriverFactory = std::function<std::unique_ptr<TPrintDriver>(const TPrinterDevice& printer)>;

// Installs the driver of the printer of that name (compared ignoring case);
// an empty factory removes it. Returns the factory it replaces.
TPrintDriverFactory RegisterPrintDriver(const std::string& printerName, TPrintDriverFactory factory);
// True when the printer of that name has a driver.
bool HasPrintDriver(const std::string& printerName);

class TPrintJob {
public:
  explicit TPrintJob(const TPrinterDevice& printer);
  // A job still open is aborted.
  ~TPrintJob();
  TPrintJob(const TPrintJob&) = delete;
  TPrintJob& operator=(const TPrintJob&) = delete;

  const TPrinterDevice& Printer() const { return FPrinter; }
  // False when the printer has no driver: such a job cannot start.
  bool Valid() const { return FDriver != nullptr; }
  bool Active() const { return FActive; }

  // Starts the document whose output file is outputFile; raises
  // EPrintJobError (with the file name) when the job cannot start.
  void StartDoc(const std::string& outputFile, const std::string& title = {});
  // Spools one page; raises EPrintJobError when the driver fails, after
  // aborting the job.
  void Page(const TPrinterPage& paper, std::string_view metafile);
  // Completes the document and stores it under the output name; raises
  // EPrintJobError (with the file name) when that fails, after aborting.
  void EndDoc();
  // Drops the job: no output file is made. Never raises. A job is one
  // document: once ended or aborted it cannot start again.
  void Abort() noexcept;

private:
  [[noreturn]] void Fail(const std::string& what);

  TPrinterDevice FPrinter;
  std::unique_ptr<TPrintDriver> FDriver;
  std::unique_ptr<TStream> FOut;
  std::string FOutputFile;
  std::string FWorkFile;
  bool FActive = false;
};
