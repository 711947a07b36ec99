#include "platform/PrinterDevice.h"

#include "platform/FileUtils.h"

#include <cmath>
#include <utility>

const char* const BuiltInPrinterName = "Microsoft Print to PDF";

std::vector<std::string> PrinterNames() { return {BuiltInPrinterName}; }

TPrinterDevice FindPrinter(const std::string& name) {
  TPrinterDevice device;
  device.Name = BuiltInPrinterName;
  // The installed printer of that name, ignoring case; the built-in printer
  // is the only one, so every other name stays on it.
  for (const std::string& installed : PrinterNames())
    if (SameText(installed, name)) device.Name = installed;
  return device;
}

TPrinterPage PrinterPageFor(const TPrinterDevice& printer, double paperWidthMm,
                            double paperHeightMm, bool landscape) {
  if (landscape) std::swap(paperWidthMm, paperHeightMm);
  TPrinterPage page;
  page.PhysicalWidth = static_cast<int>(std::nearbyint(paperWidthMm * printer.PixelsPerInchX / 25.4));
  page.PhysicalHeight =
      static_cast<int>(std::nearbyint(paperHeightMm * printer.PixelsPerInchY / 25.4));
  page.PrintableLeft = printer.MarginLeft;
  page.PrintableTop = printer.MarginTop;
  page.PrintableWidth = page.PhysicalWidth - printer.MarginLeft - printer.MarginRight;
  page.PrintableHeight = page.PhysicalHeight - printer.MarginTop - printer.MarginBottom;
  return page;
}
