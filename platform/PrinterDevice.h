#pragma once
// Device resolutions and the printer the reports print to.
//
// The only printer is the built-in PDF printer: 600 dots per inch, no
// unprintable margin, the paper of each page as it comes. A report that names
// another printer prints to it too, so printed output never depends on the
// machine's printer setup.

#include <string>
#include <vector>

// Logical pixels per inch of the screen, which report geometry is kept in.
constexpr int ScreenPixelsPerInch = 96;

struct TPrinterDevice {
  std::string Name;
  int PixelsPerInchX = 600;
  int PixelsPerInchY = 600;
  // Unprintable margins, in device pixels.
  int MarginLeft = 0;
  int MarginTop = 0;
  int MarginRight = 0;
  int MarginBottom = 0;
};

// The paper of one page in a printer's device pixels.
struct TPrinterPage {
  int PhysicalWidth = 0;
  int PhysicalHeight = 0;
  int PrintableLeft = 0;  // the first printable pixel
  int PrintableTop = 0;
  int PrintableWidth = 0;
  int PrintableHeight = 0;
};

extern const char* const BuiltInPrinterName;

std::vector<std::string> PrinterNames();
// The installed printer of that name, compared ignoring case; every other
// name, the empty one included, falls back to the built-in printer. Jobs go
// to a printer through its driver (platform/PrintJob.h).
TPrinterDevice FindPrinter(const std::string& name);
// Paper in millimetres (portrait), turned for landscape; sizes round to the
// nearest pixel, ties to even.
TPrinterPage PrinterPageFor(const TPrinterDevice& printer, double paperWidthMm,
                            double paperHeightMm, bool landscape);
