#include "platform/PrintJob.h"

#include "platform/FileUtils.h"
#include "platform/Streams.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex& DriversLock() {
  static std::mutex lock;
  return lock;
}

// Drivers by upper-cased printer name.
std::map<std::string, TPrintDriverFactory>& Drivers() {
  static std::map<std::string, TPrintDriverFactory> drivers;
  return drivers;
}

TPrintDriverFactory DriverOf(const std::string& printerName) {
  std::lock_guard<std::mutex> guard(DriversLock());
  auto it = Drivers().find(UpperCase(printerName));
  return it == Drivers().end() ? TPrintDriverFactory() : it->second;
}

}  // namespace

TPrintDriverFactory RegisterPrintDriver(const std::string& printerName, TPrintDriverFactory factory) {
  std::lock_guard<std::mutex> guard(DriversLock());
  auto& drivers = Drivers();
  const std::string key = UpperCase(printerName);
  TPrintDriverFactory previous;
  if (auto it = drivers.find(key); it != drivers.end()) {
    previous = std::move(it->second);
    drivers.erase(it);
  }
  if (factory) drivers.emplace(key, std::move(factory));
  return previous;
}

bool HasPrintDriver(const std::string& printerName) { return static_cast<bool>(DriverOf(printerName)); }

TPrintJob::TPrintJob(const TPrinterDevice& printer) : FPrinter(printer) {
  if (TPrintDriverFactory factory = DriverOf(printer.Name)) FDriver = factory(FPrinter);
}

TPrintJob::~TPrintJob() { Abort(); }

void TPrintJob::Fail(const std::string& what) {
  Abort();
  throw EPrintJobError("Cannot create file \"" + FOutputFile + "\". " + what);
}

void TPrintJob::StartDoc(const std::string& outputFile, const std::string& title) {
  if (FActive) throw EPrintJobError("The print job has already started");
  FOutputFile = outputFile;
  if (!FDriver) throw EPrintJobError("The printer " + FPrinter.Name + " has no driver");
  if (outputFile.empty()) throw EPrintJobError("The print job has no output file");
  if (DirectoryExists(outputFile)) Fail(std::strerror(EISDIR));
  const std::string folder = ExtractFilePath(outputFile);
  std::string work = (folder.empty() ? std::string("./") : folder) + "." + ExtractFileName(outputFile) + ".XXXXXX";
  int fd = ::mkstemp(work.data());
  if (fd < 0) Fail(std::strerror(errno));
  // mkstemp makes the file private; give it the permissions of a new file.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  FWorkFile = work;
  FActive = true;
  try {
    FOut = std::make_unique<TFileStream>(FWorkFile, TFileMode::fmOpenReadWrite);
    FDriver->BeginDocument(*FOut, title);
  } catch (const std::exception& e) {
    Fail(e.what());
  }
}

void TPrintJob::Page(const TPrinterPage& paper, std::string_view metafile) {
  if (!FActive) throw EPrintJobError("The print job has not started");
  try {
    FDriver->Page(paper, metafile);
  } catch (const std::exception& e) {
    Fail(e.what());
  }
}

void TPrintJob::EndDoc() {
  if (!FActive) throw EPrintJobError("The print job has not started");
  try {
    FDriver->EndDocument();
    FDriver.reset();
    FOut.reset();
  } catch (const std::exception& e) {
    Fail(e.what());
  }
  if (::rename(FWorkFile.c_str(), FOutputFile.c_str()) != 0) Fail(std::strerror(errno));
  FWorkFile.clear();
  FActive = false;
}

void TPrintJob::Abort() noexcept {
  if (!FActive) return;
  // The driver goes first: it may still refer to the stream. A job is one
  // document, so an aborted job cannot start again.
  FDriver.reset();
  FOut.reset();
  if (!FWorkFile.empty()) ::unlink(FWorkFile.c_str());
  FWorkFile.clear();
  FActive = false;
}
