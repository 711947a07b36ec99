#pragma once
// The regional settings the exports read (list separator for CSV, number and
// currency separators, date and time formats). They are fixed to the United
// States English values, whatever the process locale, so outputs do not change
// from one machine to the next. Formats use the notation of the system's own
// date formatting: d/dd/ddd/dddd, M/MM/MMM/MMMM (month), yy/yyyy, h/hh, nn or
// mm after an hour (minutes), ss, AMPM.

#include <array>
#include <string>

struct TLocaleSettings {
  std::string ListSeparator = ",";
  std::string DecimalSeparator = ".";
  std::string ThousandSeparator = ",";
  std::string DateSeparator = "/";
  std::string TimeSeparator = ":";
  std::string ShortDateFormat = "M/d/yyyy";
  std::string LongDateFormat = "dddd, MMMM d, yyyy";
  std::string ShortTimeFormat = "h:mm AMPM";
  std::string LongTimeFormat = "h:mm:ss AMPM";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::string CurrencyString = "$";
  // Placement of the symbol: positive 0 = "$1"; negative 0 = "($1)".
  int CurrencyFormat = 0;
  int NegCurrFormat = 0;
  int CurrencyDecimals = 2;
  int OemCodePage = 437;
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
  // Sunday first.
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
};

// The settings of this system (one shared, read-only record).
const TLocaleSettings& SystemLocale();
