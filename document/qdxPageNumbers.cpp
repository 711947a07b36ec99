#include "document/qdxPageNumbers.h"

#include "document/qdxNumbers.h"

TqdxPageNumbers::TqdxPageNumbers(const std::string& text, int pageCount) {
  std::string s;
  for (char c : text)
    if (c != ' ') s += c;
  if (s.empty()) {
    FAll = true;
    return;
  }
  if (s.back() == '-') s += std::to_string(pageCount);
  s += ',';
  auto number = [](const std::string& part) {
    int64_t value = 0;
    if (!qdxTryStrToInt(part, value)) throw EConvertError("'" + part + "' is not a valid integer value");
    return value;
  };
  std::string part;
  bool haveStart = false;
  int64_t start = 0;
  for (char c : s) {
    if (c == '-') {
      start = number(part);
      haveStart = true;
      part.clear();
    } else if (c == ',') {
      int64_t value = number(part);
      if (!haveStart) FRanges.emplace_back(value, value);
      else if (value >= start) FRanges.emplace_back(start, value);
      haveStart = false;
      part.clear();
    } else {
      part += c;
    }
  }
}

bool TqdxPageNumbers::Contains(int64_t page) const {
  if (FAll) return true;
  for (const auto& [first, last] : FRanges)
    if (page >= first && page <= last) return true;
  return false;
}
