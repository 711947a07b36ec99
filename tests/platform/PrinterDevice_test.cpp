#include "platform/PrinterDevice.h"

#include <gtest/gtest.h>

#include "platform/LocaleSettings.h"

TEST(PrinterDevice, EveryNameGetsTheBuiltInPdfPrinter) {
  EXPECT_EQ(ScreenPixelsPerInch, 96);
  EXPECT_EQ(PrinterNames(), std::vector<std::string>{"Microsoft Print to PDF"});
  for (const char* name : {"Microsoft Print to PDF", "Office Laser 5", ""}) {
    TPrinterDevice p = FindPrinter(name);
    EXPECT_EQ(p.Name, "Microsoft Print to PDF");
    EXPECT_EQ(p.PixelsPerInchX, 600);
    EXPECT_EQ(p.PixelsPerInchY, 600);
    EXPECT_EQ(p.MarginLeft + p.MarginTop + p.MarginRight + p.MarginBottom, 0);
  }
  // A4 and Letter, portrait and landscape.
  TPrinterDevice p = FindPrinter("");
  TPrinterPage a4 = PrinterPageFor(p, 210, 297, false);
  EXPECT_EQ(a4.PhysicalWidth, 4961);
  EXPECT_EQ(a4.PhysicalHeight, 7016);
  EXPECT_EQ(a4.PrintableLeft, 0);
  EXPECT_EQ(a4.PrintableTop, 0);
  EXPECT_EQ(a4.PrintableWidth, 4961);
  EXPECT_EQ(a4.PrintableHeight, 7016);
  TPrinterPage letter = PrinterPageFor(p, 215.9, 279.4, true);
  EXPECT_EQ(letter.PhysicalWidth, 6600);
  EXPECT_EQ(letter.PhysicalHeight, 5100);
}

TEST(LocaleSettings, UnitedStatesEnglish) {
  const TLocaleSettings& l = SystemLocale();
  EXPECT_EQ(&l, &SystemLocale());
  EXPECT_EQ(l.ListSeparator, ",");
  EXPECT_EQ(l.DecimalSeparator, ".");
  EXPECT_EQ(l.ThousandSeparator, ",");
  EXPECT_EQ(l.ShortDateFormat, "M/d/yyyy");
  EXPECT_EQ(l.DateSeparator, "/");
  EXPECT_EQ(l.LongTimeFormat, "h:mm:ss AMPM");
  EXPECT_EQ(l.CurrencyString, "$");
  EXPECT_EQ(l.CurrencyFormat, 0);
  EXPECT_EQ(l.NegCurrFormat, 0);
  EXPECT_EQ(l.CurrencyDecimals, 2);
  EXPECT_EQ(l.OemCodePage, 437);
  EXPECT_EQ(l.LongMonthNames[8], "September");
  EXPECT_EQ(l.ShortDayNames[0], "Sun");
}
