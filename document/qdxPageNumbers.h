#pragma once
// Page-number texts as the export run and the print operation read them.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The pages a page-number text selects: "1,3-5", "5-" (to the last page).
// Spaces are ignored; an empty text selects every page; a range whose end is
// below its start selects nothing. Ranges are kept as ranges, so "1-999999999"
// costs nothing. A part that is not a number raises EConvertError.
class TqdxPageNumbers {
public:
  TqdxPageNumbers(const std::string& text, int pageCount);
  bool AllPages() const { return FAll; }
  // page is 1-based.
  bool Contains(int64_t page) const;

private:
  bool FAll = false;
  std::vector<std::pair<int64_t, int64_t>> FRanges;
};
